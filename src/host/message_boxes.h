// Message box adapters: recording for tests, console for the command line.
#pragma once

#include <ostream>
#include <vector>

#include "frame/platform.h"

namespace kvpw::host {

struct Box {
  Text text;
  int32_t style;
  Text title;
  bool operator==(const Box&) const = default;
};

// Keeps every box shown, in order, and answers OK.
class RecordingMessageBox final : public MessageBox {
 public:
  const std::vector<Box>& boxes() const { return boxes_; }
  void clear() { boxes_.clear(); }

 protected:
  int32_t Present(TextView text, int32_t box_style, TextView title) override;

 private:
  std::vector<Box> boxes_;
};

// Prints each box as "[title] text" with its icon named, and answers OK at once.
class ConsoleMessageBox final : public MessageBox {
 public:
  explicit ConsoleMessageBox(std::ostream& out) : out_(out) {}

 protected:
  int32_t Present(TextView text, int32_t box_style, TextView title) override;

 private:
  std::ostream& out_;
};

// The answer every box gives: OK.
inline constexpr int32_t kAnswerOk = 1;

// "information", "critical", ... for a style's icon; empty for none.
std::string IconName(int32_t box_style);

}  // namespace kvpw::host
