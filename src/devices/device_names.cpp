// The device-name pickers: names from the stored device list, each picker with its selection.
#include "devices/device_names.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "db/kv_ado_connection.h"
#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/like.h"
#include "frame/misc.h"
#include "frame/pw2.h"
#include "host/controls.h"

namespace kvpw {
namespace devices {

std::optional<ControllerTable> GetControllerList(const PlatformRef& platform, const Text& path,
                                                 Text& strError) {
  KvAdoConnection connection(platform);
  connection.LetFileName(path);
  int16_t count = 0;
  db::RecordsetRef rs = connection.ConnQuery(Text(kControllerCountQuery), strError);
  if (strError.empty()) count = ToInteger(rs->value(rs->field_index(u"RecordCount")));
  rs = connection.ConnQuery(Text(kControllerListQuery), strError);
  std::optional<ControllerTable> table;
  if (strError.empty()) {
    table.emplace(static_cast<size_t>(std::max<int16_t>(count, -1) + 1));
    const int16_t part = rs->field_index(u"PartNumber");
    const int16_t code = rs->field_index(u"EngineeringItemCode");
    const int16_t type = rs->field_index(u"EngineeringPartType");
    for (size_t i = 1; !rs->eof(); ++i) {
      if (i >= table->size()) Raise(err::kSubscript);
      (*table)[i][0] = NullToEmptyString(rs->value(part));
      (*table)[i][1] = NullToEmptyString(rs->value(code));
      (*table)[i][2] = NullToEmptyString(rs->value(type));
      rs->move_next();
    }
  }
  connection.ConnClose();
  return table;
}

int16_t FindTableRow(const ControllerTable& table, int16_t column, TextView value) {
  if (column < 0 || column >= 4) Raise(err::kSubscript);
  for (size_t row = 0; row < table.size(); ++row) {
    if (table[row][static_cast<size_t>(column)] == value) {
      if (row > static_cast<size_t>(std::numeric_limits<int16_t>::max())) Raise(err::kOverflow);
      return static_cast<int16_t>(row);
    }
  }
  return -1;
}

bool HasPointData(TextView text) {
  return text.find_first_not_of(u',') != TextView::npos;
}

namespace {

host::Control& Deref(const std::shared_ptr<host::Control>& control) {
  if (!control) Raise(err::kObjectNotSet);
  return *control;
}

// The stored list, loaded afresh.
PwVsdDeviceCollection LoadDevices(const PlatformRef& platform,
                                  const std::shared_ptr<host::Document>& document) {
  PwVsdDeviceCollection devices(platform);
  devices.LoadFromDocumentSheet(document);
  return devices;
}

void ShowFailure(const PlatformRef& platform, const Error& e) {
  platform->message_box->ShowError(e, style::kInformation);
}

// The common frame of the simple pickers: clear (a failure there reaches the caller), then list
// the selected names sorted by character codes.
template <class Select>
void ListDeviceNames(const PlatformRef& platform, const std::shared_ptr<host::Control>& control,
                     const std::shared_ptr<host::Document>& document, Select&& select) {
  host::Control& list = Deref(control);
  list.clear();
  try {
    const PwVsdDeviceCollection devices = LoadDevices(platform, document);
    std::vector<const Text*> names;
    for (const DeviceRef& record : devices.records()) {
      if (!select(*record)) continue;
      if (names.size() == static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        Raise(err::kOverflow);
      names.push_back(&record->Device);
    }
    std::sort(names.begin(), names.end(), [](const Text* a, const Text* b) { return *a < *b; });
    for (const Text* name : names) list.add_item(Variant(*name));
  } catch (const Error& e) {
    ShowFailure(platform, e);
  }
}

bool HasTypeBits(const PwVsdDevice& record, int16_t filter) {
  return (record.DeviceType & filter) == filter;
}

}  // namespace
}  // namespace devices

void Pw2::GetDeviceNames(const std::shared_ptr<host::Control>& frmGetDevice,
                         const int16_t& intFilterDeviceType,
                         const std::shared_ptr<host::Document>& docActive) {
  const int16_t filter = intFilterDeviceType;
  devices::ListDeviceNames(platform_, frmGetDevice, docActive, [filter](const PwVsdDevice& r) {
    return devices::HasTypeBits(r, filter);
  });
}

void Pw2::GetDeviceNamesByNetwork(const std::shared_ptr<host::Control>& frmGetDevice,
                                  const int16_t& intFilterDeviceType, const Text& strAddr,
                                  const std::shared_ptr<host::Document>& docActive) {
  const int16_t filter = intFilterDeviceType;
  const Text pattern = strAddr + u"*";
  devices::ListDeviceNames(platform_, frmGetDevice, docActive, [&](const PwVsdDevice& r) {
    return Like(r.LCM, pattern) && devices::HasTypeBits(r, filter);
  });
}

void Pw2::GetAllDeviceNames(const std::shared_ptr<host::Control>& frmGetDevice,
                            const std::shared_ptr<host::Document>& docActive) {
  devices::ListDeviceNames(platform_, frmGetDevice, docActive,
                           [](const PwVsdDevice&) { return true; });
}

void Pw2::GetPTDeviceNames(const std::shared_ptr<host::Control>& frmGetDevice,
                           const Text& strPTFilter,
                           const std::shared_ptr<host::Document>& docActive) {
  devices::ListDeviceNames(platform_, frmGetDevice, docActive, [&](const PwVsdDevice& r) {
    return devices::HasPointData(r.GetDataField(strPTFilter));
  });
}

void Pw2::GetDeviceNamesByPartType(const std::shared_ptr<host::Control>& frmGetDevice,
                                   const Text& /*strDbPartProps*/, const Text& strPartType,
                                   const std::shared_ptr<host::Document>& docActive) {
  Text error;
  try {
    host::Control& list = devices::Deref(frmGetDevice);
    list.clear();
    const PwVsdDeviceCollection devices = devices::LoadDevices(platform_, docActive);
    const std::optional<devices::ControllerTable> table =
        devices::GetControllerList(platform_, PzPartDatabasePath, error);
    if (error.empty()) {
      // Names with their addresses, sorted stably so that equal names keep their order.
      std::vector<std::pair<const Text*, const Text*>> found;
      // The row FindTableRow would give for each part number, found once per call.
      std::unordered_map<TextView, size_t> first_row;
      for (size_t row = table->size(); row-- > 0;) first_row[(*table)[row][0]] = row;
      for (const DeviceRef& record : devices.records()) {
        const auto row = first_row.find(record->PartNum);
        if (row == first_row.end() || (*table)[row->second][1] != strPartType) continue;
        if (found.size() == static_cast<size_t>(std::numeric_limits<int16_t>::max()))
          Raise(err::kOverflow);
        found.emplace_back(&record->Device, &record->LCM);
      }
      std::stable_sort(found.begin(), found.end(),
                       [](const auto& a, const auto& b) { return *a.first < *b.first; });
      const auto add_row = [&list](TextView first, TextView second) {
        list.add_item(Variant(first));
        list.set_column(1, list.list_count() - 1, Variant(second));
      };
      add_row(devices::kHeaderDevice, devices::kHeaderAddress);
      for (const auto& [name, address] : found) add_row(*name, *address);
    }
  } catch (const Error& e) {
    devices::ShowFailure(platform_, e);
    return;
  }
  if (!error.empty())
    platform_->message_box->Show(error, style::kExclamation, devices::kNoDeviceListTitle);
}

Variant Pw2::GetSystemList(Text strDbDrawing, const int16_t& /*intSystemCount*/, Text& strError) {
  if (!strError.empty())
    strError = u"Unable to get System List from '" + strDbDrawing + u"': " + strError;
  return Variant(Array{});
}

}  // namespace kvpw
