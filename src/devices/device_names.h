// What the device-name pickers share: the controller table of the parts database and the
// point-data test.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "frame/platform.h"

namespace kvpw::devices {

inline constexpr TextView kControllerCountQuery =
    u"SELECT COUNT(*) AS RecordCount FROM Pz_PartsEng_PartItemCodes WHERE "
    u"Pz_PartsEng_PartItemCodes.IsController = True";
inline constexpr TextView kControllerListQuery =
    u"SELECT PartNumber, EngineeringItemCode, EngineeringPartType FROM "
    u"Pz_PartsEng_PartItemCodes WHERE Pz_PartsEng_PartItemCodes.IsController = True";
inline constexpr TextView kHeaderDevice = u"Device";
inline constexpr TextView kHeaderAddress = u"GCM/LNC";
inline constexpr TextView kNoDeviceListTitle = u"Unable to Get Device List";

// Rows 0..N, columns 0..3: part number, engineering item code, engineering part type, unused.
// Row 0 stays empty.
using ControllerTable = std::vector<std::array<Text, 4>>;

// Nothing (and `strError` set to the connection's reason) when a query fails. A list longer than
// its count fails with 9.
std::optional<ControllerTable> GetControllerList(const PlatformRef& platform, const Text& path,
                                                 Text& strError);
// The first row whose cell in `column` equals `value` exactly, or -1.
int16_t FindTableRow(const ControllerTable& table, int16_t column, TextView value);
// True when the text holds a character other than ",".
bool HasPointData(TextView text);

}  // namespace kvpw::devices
