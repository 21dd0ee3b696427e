#include "com/windows_platform.h"

// clang-format off
#include <windows.h>
// clang-format on
// The library's message box port has the name that windows.h makes a macro of.
#undef MessageBox

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "com/automation.h"
#include "db/connection_text.h"
#include "db/odbc/odbc_engine.h"

namespace kvpw::com {
namespace {

constexpr TextView kAccessDriver = u"{Microsoft Access Driver (*.mdb, *.accdb)}";
constexpr TextView kOlderAccessDriver = u"{Microsoft Access Driver (*.mdb)}";
// The workgroup file of a secured desktop database, in the driver's words.
constexpr TextView kSystemDbKey = u"SystemDB";

std::optional<Text> EnvironmentText(const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
  if (length == 0 || length >= MAX_PATH * 2) return std::nullopt;
  return FromBstr(buffer, length);
}

Text Escaped(TextView text) {
  Text out;
  for (char16_t c : text) {
    if (c == u'\\') {
      out += u"\\\\";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\t') {
      out += u"\\t";
    } else {
      out += c;
    }
  }
  return out;
}

class WindowsMessageBox final : public MessageBox {
 protected:
  int32_t Present(TextView text, int32_t box_style, TextView title) override {
    if (const auto log = EnvironmentText(kMessageBoxLogVariable)) {
      const std::string line =
          ToUtf8(IntegerText(box_style) + u"\t" + Escaped(title) + u"\t" + Escaped(text) + u"\n");
      HANDLE file = CreateFileW(Wide(*log), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
      }
      return IDOK;
    }
    const Text shown_text(text), shown_title(title);
    return MessageBoxW(GetActiveWindow(), Wide(shown_text), Wide(shown_title),
                       static_cast<UINT>(box_style) | MB_TASKMODAL);
  }
};

// A connection whose provider texts are opened with the Access driver.
class AccessConnection final : public db::Connection {
 public:
  explicit AccessConnection(db::ConnectionRef inner) : inner_(std::move(inner)) {}

  void set_connection_string(TextView text) override { inner_->set_connection_string(text); }
  const Text& connection_string() const override { return inner_->connection_string(); }
  void set_property(TextView name, const Variant& value) override {
    if (EqualsNoCase(name, db::kSystemDatabaseProperty)) {
      system_db_ = ToText(value);
      return;
    }
    inner_->set_property(name, value);
  }
  void open(TextView connection_text, TextView user, TextView password) override {
    const Text given(connection_text.empty() ? TextView(inner_->connection_string())
                                             : connection_text);
    std::vector<Text> candidates = AccessDriverTexts(given);
    if (!system_db_.empty() && candidates.size() > 1)
      for (Text& c : candidates) c += u";" + Text(kSystemDbKey) + u"=" + system_db_;
    // The older driver is tried only when the current one is not installed or fails to open.
    for (size_t i = 0; i + 1 < candidates.size(); ++i) {
      try {
        inner_->open(candidates[i], user, password);
        return;
      } catch (const Error&) {
      }
    }
    inner_->open(candidates.back(), user, password);
  }
  int32_t state() const override { return inner_->state(); }
  db::RecordsetRef execute(TextView sql) override { return inner_->execute(sql); }
  void close() override { inner_->close(); }
  void begin_reads() override { inner_->begin_reads(); }
  void end_reads() override { inner_->end_reads(); }

 private:
  db::ConnectionRef inner_;
  Text system_db_;
};

class WindowsEngine final : public db::Engine {
 public:
  WindowsEngine() : odbc_(db::MakeOdbcEngine()) {}
  db::ConnectionRef new_connection() override {
    return std::make_shared<AccessConnection>(odbc_->new_connection());
  }
  void copy_file(TextView from, TextView to, bool overwrite) override {
    const Text source(from), target(to);
    if (CopyFileW(Wide(source), Wide(target), overwrite ? FALSE : TRUE)) return;
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
        Raise(db::kErrFileNotFound);
      case ERROR_PATH_NOT_FOUND:
        Raise(db::kErrPathNotFound);
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
        Raise(db::kErrFileExists);
      case ERROR_ACCESS_DENIED:
        Raise(db::kErrPermissionDenied);
      default:
        Raise(db::kErrFileAccess);
    }
  }

 private:
  std::shared_ptr<db::Engine> odbc_;
};

}  // namespace

std::vector<Text> AccessDriverTexts(TextView connection_text) {
  const std::vector<db::Setting> settings = db::ParseConnectionText(connection_text);
  const Text* provider = db::FindSetting(settings, db::kProviderKey);
  const Text* source = db::FindSetting(settings, db::kDataSourceKey);
  if (!provider || !EqualsNoCase(*provider, db::kJetProvider) || !source)
    return {Text(connection_text)};
  const Text dbq = u";Dbq=" + *source;
  return {u"Driver=" + Text(kAccessDriver) + dbq, u"Driver=" + Text(kOlderAccessDriver) + dbq};
}

std::shared_ptr<MessageBox> MakeWindowsMessageBox() {
  return std::make_shared<WindowsMessageBox>();
}

std::shared_ptr<db::Engine> MakeWindowsEngine() {
  return std::make_shared<WindowsEngine>();
}

PlatformRef ComponentPlatform() {
  static std::once_flag once;
  static PlatformRef platform;
  std::call_once(once, [] {
    platform = std::make_shared<Platform>(MakeWindowsEngine(), MakeWindowsMessageBox());
  });
  return platform;
}

}  // namespace kvpw::com
