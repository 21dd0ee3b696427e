#include "testing/support.h"

#include <sqlite3.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

#include "db/sqlite_engine.h"

namespace kvpw {

void PrintTo(const Text& text, std::ostream* os) {
  *os << '"' << ToUtf8(text) << '"';
}

void PrintTo(const Variant& v, std::ostream* os) {
  switch (v.type()) {
    case VarType::kEmpty:
      *os << "Empty";
      return;
    case VarType::kNull:
      *os << "Null";
      return;
    case VarType::kObject:
      *os << "Object";
      return;
    case VarType::kArray:
      *os << "Array(" << (v.array().dimensioned() ? v.array().items->size() : 0) << ")";
      return;
    case VarType::kText:
      *os << "Text \"" << ToUtf8(v.text()) << '"';
      return;
    case VarType::kBoolean:
      *os << (v.boolean() ? "True" : "False");
      return;
    case VarType::kInteger:
      *os << "Integer " << v.integer();
      return;
    case VarType::kLong:
      *os << "Long " << v.long_value();
      return;
    case VarType::kDouble:
      *os << "Double " << v.double_value();
      return;
  }
}

}  // namespace kvpw

namespace kvpw::testing {

TempDir::TempDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("kvpw-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Text TempDir::file(const std::string& name) const {
  return FromUtf8((path_ / name).string());
}

void BuildDatabase(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot create db");
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  const std::string error = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot build " + file.string() + ": " + error);
}

TestPlatform MakeTestPlatform() {
  auto boxes = std::make_shared<host::RecordingMessageBox>();
  auto platform = std::make_shared<Platform>(Platform{db::MakeSqliteEngine(), boxes});
  return {boxes, platform};
}

std::filesystem::path ExamplesDir() {
  const char* dir = std::getenv("KVPW_EXAMPLES");
  return dir ? dir : "examples";
}

}  // namespace kvpw::testing
