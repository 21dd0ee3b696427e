// Database files as every file adapter handles them, whichever engine reads their contents.
#pragma once

#include <filesystem>

#include "frame/text.h"

namespace kvpw::db {

// Through UTF-8, which the file system takes on every platform without a conversion that can
// throw.
std::filesystem::path PathOf(TextView text);

// The engine's file copy: written beside the target and renamed over it, so that a failed copy
// leaves the target as it was. Fails with the file errors the callers know (53, 58, 70, 75, 76).
void CopyDatabaseFile(TextView from, TextView to, bool overwrite);

}  // namespace kvpw::db
