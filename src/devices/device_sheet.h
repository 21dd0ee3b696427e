// Names of the document-sheet cells that hold the device list, and the document an operation
// was handed.
#pragma once

#include <cstdint>
#include <memory>

#include "frame/text.h"
#include "host/drawing.h"

namespace kvpw::devices {

inline constexpr TextView kDeviceRowCountCell = u"Prop.DeviceTableRowCount";
inline constexpr TextView kDeviceRowPrefix = u"Prop.DeviceTableRow";

// "Prop.DeviceTableRow" and the row number.
Text DeviceRowCellName(int32_t n);

// Nothing fails as an unset object does.
host::Document& Deref(const std::shared_ptr<host::Document>& document);

}  // namespace kvpw::devices
