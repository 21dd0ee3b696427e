// Helpers shared by the test executables.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/error.h"
#include "frame/platform.h"
#include "frame/variant.h"
#include "host/message_boxes.h"

namespace kvpw {

// Lets GoogleTest print texts and variants readably.
void PrintTo(const Text& text, std::ostream* os);
void PrintTo(const Variant& v, std::ostream* os);

}  // namespace kvpw

namespace kvpw::testing {

// A fresh directory under the system's temporary directory, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  Text file(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// An SQLite database file built from SQL text.
void BuildDatabase(const std::filesystem::path& file, const std::string& sql);

// The SQLite engine with a recording message box; every statement sent to the engine is logged
// in `sql`, in order, so that tests can check the exact query texts.
struct TestPlatform {
  std::shared_ptr<host::RecordingMessageBox> boxes;
  PlatformRef platform;
  std::shared_ptr<std::vector<Text>> sql;
};
TestPlatform MakeTestPlatform();

// The example catalogue built by the project (parts.mdb, partprops.mdb).
std::filesystem::path ExamplesDir();

// Runs `body` and returns the number of the kvpw::Error it raised (0 when none).
template <class F>
int32_t ErrorNumberOf(F&& body) {
  try {
    body();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace kvpw::testing
