// The one error type: a number the callers know and a description a person can read.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "frame/text.h"

namespace kvpw {

namespace err {
constexpr int32_t kInvalidArgument = 5;
constexpr int32_t kOverflow = 6;
constexpr int32_t kSubscript = 9;
constexpr int32_t kTypeMismatch = 13;
constexpr int32_t kObjectNotSet = 91;
constexpr int32_t kInvalidUseOfNull = 94;
constexpr int32_t kCannotCreateObject = 429;
constexpr int32_t kMemberNotSupported = 438;
constexpr int32_t kArgumentNotOptional = 449;
constexpr int32_t kWrongArgumentCount = 450;
constexpr int32_t kDuplicateKey = 457;
constexpr int32_t kNoCurrentRecord = 3021;
constexpr int32_t kItemNotFound = 3265;
// The engine's general failure (E_FAIL as a signed number), used for open and query failures.
constexpr int32_t kEngineFailure = -2147467259;
}  // namespace err

class Error : public std::exception {
 public:
  Error(int32_t number, Text description);
  // The description the callers' runtime gives this number.
  explicit Error(int32_t number);

  int32_t number() const { return number_; }
  const Text& description() const { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int32_t number_;
  Text description_;
  std::string what_;
};

// Runs one statement whose failure the operation ignores ("on error resume next" for one line).
template <class F>
void IgnoringFailure(F&& statement) {
  try {
    statement();
  } catch (const Error&) {
  }
}

[[noreturn]] void Raise(int32_t number);
[[noreturn]] void Raise(int32_t number, Text description);

}  // namespace kvpw
