// Connection texts as the callers write them: "key=value" pairs separated by ";". Every adapter
// reads them the same way, and the engine that chooses an adapter reads them first.
#pragma once

#include <vector>

#include "frame/text.h"

namespace kvpw::db {

struct Setting {
  Text key;
  Text value;
};

// Keys without regard to case, blanks around keys and values dropped; a value in '...' or "..."
// may hold ";" and its quote doubled.
std::vector<Setting> ParseConnectionText(TextView text);

// The last setting of a key wins; none when the key is not there.
const Text* FindSetting(const std::vector<Setting>& settings, TextView key);

inline constexpr TextView kProviderKey = u"Provider";
inline constexpr TextView kDataSourceKey = u"Data Source";
inline constexpr TextView kDsnKey = u"DSN";
inline constexpr TextView kDriverKey = u"Driver";
// The desktop engine's bridge to data sources: a text naming it still names a data source.
inline constexpr TextView kOdbcProvider = u"MSDASQL";

// What a desktop-engine provider text names: the database file, and the workgroup file ("Jet
// OLEDB:System Database" in the text, or the connection's property of that name).
struct ProviderTarget {
  Text data_source;
  Text system_database;
};

// Fails (the engine's general number) as the provider does for a text it cannot open: empty,
// naming no provider, another provider or a data source name, or no data source.
ProviderTarget ParseProviderText(TextView text, const Text& system_database_property);

inline constexpr TextView kWorkgroupMissing =
    u"The workgroup information file is missing or opened exclusively by another user.";

// The engine's words for an object used in the wrong state, shared by every adapter.
inline constexpr TextView kObjectClosed = u"Operation is not allowed when the object is closed.";
inline constexpr TextView kObjectOpen = u"Operation is not allowed when the object is open.";

}  // namespace kvpw::db
