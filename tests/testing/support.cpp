#include "testing/support.h"

#include <dlfcn.h>
#include <sqlite3.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

#include "db/engine.h"
#include "db/engines.h"

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

namespace {

// The server tests run the catalogue suites again with the example catalogue served by data
// sources: KVPW_TEST_PARTS_ODBC and KVPW_TEST_PROPS_ODBC hold their ODBC connection texts.
db::EngineOptions CatalogueSources() {
  db::EngineOptions options;
  const struct {
    const char* variable;
    const char* file;
  } sources[] = {{"KVPW_TEST_PARTS_ODBC", "parts.mdb"}, {"KVPW_TEST_PROPS_ODBC", "partprops.mdb"}};
  for (const auto& [variable, file] : sources)
    if (const char* text = std::getenv(variable); text && *text)
      options.data_sources.emplace_back(FromUtf8((ExamplesDir() / file).string()), FromUtf8(text));
  return options;
}

// Passes everything to the real connection and logs the statements it is asked to run.
class LoggingConnection final : public db::Connection {
 public:
  LoggingConnection(db::ConnectionRef inner, std::shared_ptr<std::vector<Text>> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}
  void set_connection_string(TextView text) override { inner_->set_connection_string(text); }
  const Text& connection_string() const override { return inner_->connection_string(); }
  void set_property(TextView name, const Variant& value) override {
    inner_->set_property(name, value);
  }
  void open(TextView text, TextView user, TextView password) override {
    inner_->open(text, user, password);
  }
  int32_t state() const override { return inner_->state(); }
  db::RecordsetRef execute(TextView sql) override {
    log_->emplace_back(sql);
    return inner_->execute(sql);
  }
  void close() override { inner_->close(); }

 private:
  db::ConnectionRef inner_;
  std::shared_ptr<std::vector<Text>> log_;
};

class LoggingEngine final : public db::Engine {
 public:
  explicit LoggingEngine(std::shared_ptr<std::vector<Text>> log)
      : inner_(db::MakeEngine(CatalogueSources())), log_(std::move(log)) {}
  db::ConnectionRef new_connection() override {
    return std::make_shared<LoggingConnection>(inner_->new_connection(), log_);
  }
  void copy_file(TextView from, TextView to, bool overwrite) override {
    inner_->copy_file(from, to, overwrite);
  }

 private:
  std::shared_ptr<db::Engine> inner_;
  std::shared_ptr<std::vector<Text>> log_;
};

}  // namespace

TestPlatform MakeTestPlatform() {
  auto boxes = std::make_shared<host::RecordingMessageBox>();
  auto sql = std::make_shared<std::vector<Text>>();
  auto platform = std::make_shared<Platform>(Platform{std::make_shared<LoggingEngine>(sql), boxes});
  return {boxes, platform, sql};
}

std::filesystem::path ExamplesDir() {
  const char* dir = std::getenv("KVPW_EXAMPLES");
  return dir ? dir : KVPW_EXAMPLES_DIR;
}

}  // namespace kvpw::testing

#if defined(__SANITIZE_ADDRESS__)
// The ODBC driver manager unloads its installer library and the drivers when the last connection
// ends, and what they still hold then reads as leaked. Kept loaded, that memory stays reachable
// and only real leaks are reported.
namespace {
const bool kOdbcLibrariesKept = [] {
  for (const char* library :
       {"libodbcinst.so.2", "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
        "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so"})
    dlopen(library, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
  return true;
}();
}  // namespace

// The PostgreSQL driver loses a few of its own strings when a login fails; nothing of ours
// passes through its frames (the driver manager calls it).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:psqlodbcw.so\n";
}
#endif
