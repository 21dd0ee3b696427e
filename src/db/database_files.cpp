#include "db/database_files.h"

#include "db/engine.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void FileFailure(int32_t number, TextView what, TextView path) {
  Raise(number, Text(what) + u": '" + Text(path) + u"'");
}

}  // namespace

fs::path PathOf(TextView text) {
  const std::string utf8 = ToUtf8(text);
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void CopyDatabaseFile(TextView from, TextView to, bool overwrite) {
  const fs::path source = PathOf(from);
  const fs::path target = PathOf(to);
  std::error_code ec;
  if (from.empty() || !fs::is_regular_file(source, ec))
    FileFailure(kErrFileNotFound, u"File not found", from);
  if (to.empty()) FileFailure(kErrPathNotFound, u"Path not found", to);
  const fs::file_status target_status = fs::status(target, ec);
  if (fs::is_directory(target_status))
    FileFailure(kErrFileAccess, u"Path/File access error: the target is a folder", to);
  const bool exists = fs::exists(target_status);
  if (exists && !overwrite) FileFailure(kErrFileExists, u"File already exists", to);
  const fs::path folder = target.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec))
    FileFailure(kErrPathNotFound, u"Path not found", to);
  if (exists && ((target_status.permissions() & fs::perms::owner_write) == fs::perms::none ||
                 fs::equivalent(source, target, ec)))
    FileFailure(kErrPermissionDenied, u"Permission denied", to);

  fs::path partial = target;
  partial += ".kvpw-partial";
  if (fs::copy_file(source, partial, fs::copy_options::overwrite_existing, ec))
    fs::rename(partial, target, ec);
  if (ec) {
    const bool denied = ec == std::errc::permission_denied;
    const Text reason = FromUtf8(ec.message());
    fs::remove(partial, ec);
    if (denied) FileFailure(kErrPermissionDenied, u"Permission denied", to);
    FileFailure(kErrFileAccess, u"Path/File access error (" + reason + u")", to);
  }
}

}  // namespace kvpw::db
