// Drawings whose document sheet holds a given device list, for the pickers' tests.
#pragma once

#include <memory>
#include <vector>

#include "devices/device_classes.h"
#include "testing/drawings.h"

namespace kvpw::testing {

struct DeviceFields {
  Text device, part = u"P-1";
  int16_t type = 0;
  Text ai = u",,", ao = u",,", di = u",,", dob = u",,", lcm = u"0:0:0:0:0";
};

// A drawing of one empty page (a .vsdx drawing needs a page) whose document sheet holds the
// records, saved by the library.
inline std::shared_ptr<host::Document> StoredList(Adapter adapter, const PlatformRef& platform,
                                                  const std::vector<DeviceFields>& records) {
  auto doc = EmptyDrawing(adapter, u"Stored.vsd");
  PwVsdDeviceCollection list(platform);
  for (const DeviceFields& r : records)
    list.Add(r.device, r.part, r.type, r.ai, r.ao, r.di, r.dob, r.lcm);
  list.SaveToDocumentSheet(doc);
  return doc;
}

// The rows of a list control, column 0.
template <class List>
std::vector<Text> ItemsOf(const List& list) {
  std::vector<Text> items;
  for (int32_t r = 0; r < const_cast<List&>(list).list_count(); ++r)
    items.push_back(ToText(list.column(0, r)));
  return items;
}

}  // namespace kvpw::testing
