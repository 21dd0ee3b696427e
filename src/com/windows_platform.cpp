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
#include "db/engines.h"
#include "db/odbc/access_files.h"
#include "db/odbc/odbc_engine.h"

namespace kvpw::com {
namespace {

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

// Files go to the Access driver; everything but the engine's copy is the adapters'.
class WindowsEngine final : public db::Engine {
 public:
  WindowsEngine() : engine_(db::MakeEngine(db::MakeAccessFilesEngine(db::MakeOdbcEngine()))) {}
  db::ConnectionRef new_connection() override { return engine_->new_connection(); }
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
  std::shared_ptr<db::Engine> engine_;
};

}  // namespace

std::shared_ptr<MessageBox> MakeWindowsMessageBox() {
  return std::make_shared<WindowsMessageBox>();
}

std::shared_ptr<db::Engine> MakeWindowsEngine() {
  return std::make_shared<WindowsEngine>();
}

PlatformRef ComponentPlatform() {
  static const PlatformRef platform =
      std::make_shared<Platform>(MakeWindowsEngine(), MakeWindowsMessageBox());
  return platform;
}

}  // namespace kvpw::com
