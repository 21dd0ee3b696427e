// What the component's objects reach the outside world through on Windows: the real modal
// message box and the desktop database engine's files through ODBC.
#pragma once

#include <memory>

#include "db/engine.h"
#include "frame/platform.h"

namespace kvpw::com {

// Set to a file path, every box is appended to that file (one line: style, title, text, tab
// separated, line breaks in the text written as \n and \r) and answered OK instead of shown:
// for unattended runs, whose boxes nobody could close.
inline constexpr wchar_t kMessageBoxLogVariable[] = L"KVPW_MESSAGE_BOX_LOG";

std::shared_ptr<MessageBox> MakeWindowsMessageBox();

// The desktop engine's provider texts through the Access ODBC driver, data source names and
// driver texts through ODBC as they are, and the file system's copy.
std::shared_ptr<db::Engine> MakeWindowsEngine();

// The one platform of the component's objects, made on first use.
PlatformRef ComponentPlatform();

}  // namespace kvpw::com
