// The drawing scan in its three steps, so that each can be measured and checked on its own.
#pragma once

#include <cstdint>
#include <vector>

#include "devices/device_classes.h"
#include "frame/text.h"
#include "host/drawing.h"

namespace kvpw::devices {

inline constexpr TextView kNoPointData = u",,";
inline constexpr TextView kNoAddress = u"0:0:0:0:0";
inline constexpr TextView kUpdateCompleteTitle = u"Update Complete";

// Every top-level shape holding the device name and type cells, pages and shapes in the host's
// order, each as the record the list would hold for it: ",," and "0:0:0:0:0" stand for missing
// data. The values are read in the record's order. Fails on a device shape without a part
// number, a type beyond 16 bits, or more than 32767 devices.
std::vector<DeviceRef> CollectDevices(host::Document& document, const PlatformRef& platform);
// Ascending by the names' character codes; equal names keep the order found.
void SortDevices(std::vector<DeviceRef>& devices);
// Appends the first of each run of equal names (never an empty name); returns the number added.
int16_t AddDevices(std::vector<DeviceRef>&& sorted, PwVsdDeviceCollection& collection);
// "N Device(s) found."
Text DevicesFoundText(int16_t count);

}  // namespace kvpw::devices
