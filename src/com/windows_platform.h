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

// The desktop engine's provider text ("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH") as
// the Access ODBC driver's: the current driver first, then the older one that reads only .mdb.
// Data source names and other ODBC texts pass as they are.
std::vector<Text> AccessDriverTexts(TextView connection_text);

std::shared_ptr<db::Engine> MakeWindowsEngine();

// The one platform of the component's objects, made on first use.
PlatformRef ComponentPlatform();

}  // namespace kvpw::com
