// What every object of the library reaches the outside world through, created once and handed to
// each object (one default, replaceable per object in tests). Drawings and controls are not here:
// callers pass them to each operation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "frame/text.h"

namespace kvpw {

class Error;

namespace db {
class Engine;
}
namespace validation {
class FindingSink;
}

// Styles the library uses: buttons and icon of a message box.
namespace style {
inline constexpr int32_t kOkOnly = 0;
inline constexpr int32_t kOkCancel = 1;
inline constexpr int32_t kCritical = 16;
inline constexpr int32_t kExclamation = 48;
inline constexpr int32_t kInformation = 64;
}  // namespace style

// The modal message box port. Nobody uses the answer, but the box blocks until closed.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Without a title of its own a box shows the library's title.
  int32_t Show(TextView text, int32_t box_style = style::kOkOnly,
               std::optional<TextView> title = std::nullopt);
  // The box an operation's error handler shows: the error's text under its number. The error
  // does not reach the operation's caller, so a host that must know of it learns it here.
  int32_t ShowError(const Error& error, int32_t box_style);

 protected:
  virtual int32_t Present(TextView text, int32_t box_style, TextView title) = 0;
  virtual void Handled(const Error&) {}
};

struct Platform {
  Platform() = default;
  Platform(std::shared_ptr<db::Engine> with_engine, std::shared_ptr<MessageBox> with_box,
           std::shared_ptr<validation::FindingSink> with_findings = nullptr)
      : engine(std::move(with_engine)),
        message_box(std::move(with_box)),
        findings(std::move(with_findings)) {}

  std::shared_ptr<db::Engine> engine;
  std::shared_ptr<MessageBox> message_box;
  // Where the drawing checks hand their findings as records; none by default.
  std::shared_ptr<validation::FindingSink> findings;
};
using PlatformRef = std::shared_ptr<const Platform>;

}  // namespace kvpw
