// The desktop engine's provider texts opened through the Access ODBC driver, for the Windows
// build: there the system's driver reads the files, and the provider text becomes a driver text.
#pragma once

#include <memory>
#include <span>

#include "db/connection_text.h"
#include "db/engine.h"
#include "db/odbc/odbc_engine.h"

namespace kvpw::db {

// The drivers that read the files, newest first; the first one installed is used.
inline constexpr TextView kAccessDrivers[] = {u"Microsoft Access Driver (*.mdb, *.accdb)",
                                              u"Microsoft Access Driver (*.mdb)"};

// "Driver={NAME};DBQ=PATH" (with ";SystemDB=WORKGROUP" when one is named) for the first of
// kAccessDrivers that `installed` holds; fails, saying which it looked for, when none is.
Text AccessDriverText(const ProviderTarget& target, std::span<const Text> installed);

// Connections open provider texts (and only those) through `odbc`, with the drivers
// installed now.
std::shared_ptr<Engine> MakeAccessFilesEngine(std::shared_ptr<Engine> odbc);

}  // namespace kvpw::db
