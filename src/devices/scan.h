// The drawing scan in its three steps, so that each can be measured and checked on its own.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/text.h"
#include "host/drawing.h"

namespace kvpw {
class PwVsdDeviceCollection;
}  // namespace kvpw

namespace kvpw::devices {

inline constexpr TextView kNoPointData = u",,";
inline constexpr TextView kNoAddress = u"0:0:0:0:0";
inline constexpr TextView kUpdateCompleteTitle = u"Update Complete";

// The values one device shape gives, read in the order listed.
struct Candidate {
  Text name;
  Text part_number;
  int16_t type = 0;
  Text address;
  Text ai, ao, di, dob;
};

// Every top-level shape holding the device name and type cells, pages and shapes in the host's
// order. Fails on a device shape without a part number, a type beyond 16 bits, or more than
// 32767 candidates.
std::vector<Candidate> CollectCandidates(host::Document& document);
// Ascending by character codes; equal names keep the order found.
void SortCandidates(std::vector<Candidate>& candidates);
// Adds the first of each run of equal names (never an empty name), filling in ",," and
// "0:0:0:0:0" for missing data; returns the number added. The texts move into the records.
int16_t AddCandidates(std::vector<Candidate>&& sorted, PwVsdDeviceCollection& collection);
// "N Device(s) found."
Text DevicesFoundText(int16_t count);

}  // namespace kvpw::devices
