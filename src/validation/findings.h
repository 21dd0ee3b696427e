// Findings as data: beside each box a check shows, it hands a record of what it found to the
// platform's finding sink, when there is one. Records are built where the check decides, so a
// caller never has to read the box texts back.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "frame/text.h"

namespace kvpw::validation {

enum class Check : uint8_t { kDuplicateAddresses, kInvalidPointTypes, kPointConnections };
inline constexpr Check kChecks[] = {Check::kDuplicateAddresses, Check::kInvalidPointTypes,
                                    Check::kPointConnections};

// A stable identifier ("duplicate-addresses", ...) for reports and pipelines.
const char* CheckId(Check check);
// What the check looks for, in a few words.
const char* CheckTitle(Check check);
// The mark colour the check gives its shapes ("blue", "green"), or "red" for a conflict, which
// marks nothing.
const char* CheckColour(Check check);

// A shape as a finding names it: where it is, which shape, and which device it draws.
struct ShapeRef {
  Text page;
  Text shape;
  int32_t id = 0;
  Text device;  // Prop.P11
  bool operator==(const ShapeRef&) const = default;
};

struct Finding {
  Finding(Check of, ShapeRef where) : check(of), shape(std::move(where)) {}

  Check check;
  ShapeRef shape;
  // A conflict: the engineering part type and the address both shapes carry, and the shape
  // met earlier.
  Text part_type;
  Text address;
  std::optional<ShapeRef> other;
  // A point shape: the controller it names, and for a point type the point and its I/O type.
  Text controller;
  Text point;
  std::optional<int16_t> io_type;
  Text message;  // the box text, exactly as shown
  bool operator==(const Finding&) const = default;
};

class FindingSink {
 public:
  virtual ~FindingSink() = default;
  virtual void Report(Finding finding) = 0;
};

// Keeps every finding in the order reported.
class FindingList final : public FindingSink {
 public:
  void Report(Finding finding) override { findings_.push_back(std::move(finding)); }
  const std::vector<Finding>& findings() const { return findings_; }

 private:
  std::vector<Finding> findings_;
};

}  // namespace kvpw::validation
