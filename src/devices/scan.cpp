#include "devices/scan.h"

#include <algorithm>
#include <limits>

#include "devices/device_classes.h"
#include "devices/device_sheet.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "frame/variant.h"

namespace kvpw {
namespace devices {
namespace {

// Parsed and hashed once. The host matches names without regard to case.
const host::CellName& Name(int index) {
  static const host::CellName kNames[] = {
      u"prop.P99.value", u"prop.P11.value",    u"prop.p11",    u"Prop.P12",
      u"Prop.P99",       u"Prop.P1A.value",    u"Prop.P1A",    u"User.AIDATA.value",
      u"User.AIDATA",    u"User.AODATA.value", u"User.AODATA", u"User.DIDATA.value",
      u"User.DIDATA",    u"User.DODATA.value", u"User.DODATA"};
  return kNames[index];
}
enum : int {
  kTypeExists,
  kNameExists,
  kName,
  kPartNumber,
  kType,
  kAddressExists,
  kAddress,
  kAIExists,
  kAI,
  kAOExists,
  kAO,
  kDIExists,
  kDI,
  kDOExists,
  kDO,
};

Text ReadText(host::Shape& shape, int cell) {
  static const Variant kUnits(int16_t{0});
  return shape.cell_result_text(Name(cell), kUnits);
}

// A missing or empty value reads as its fallback.
Text ReadOptional(host::Shape& shape, int exists, int cell, TextView fallback) {
  Text value = shape.cell_exists(Name(exists)) ? ReadText(shape, cell) : Text();
  return value.empty() ? Text(fallback) : value;
}

}  // namespace

std::vector<DeviceRef> CollectDevices(host::Document& document, const PlatformRef& platform) {
  std::vector<DeviceRef> found;
  host::Pages& pages = document.pages();
  const int16_t page_count = pages.count();
  for (int16_t p = 1; p > 0 && p <= page_count; ++p) {
    host::Shapes& shapes = pages.item(p).shapes();
    const int16_t shape_count = shapes.count();
    for (int16_t s = 1; s > 0 && s <= shape_count; ++s) {
      host::Shape& shape = shapes.item(s);
      if (!shape.cell_exists(Name(kTypeExists)) || !shape.cell_exists(Name(kNameExists))) continue;
      if (found.size() == static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        Raise(err::kOverflow);
      auto record = std::make_shared<PwVsdDevice>(platform);
      record->Device = ReadText(shape, kName);
      record->PartNum = ReadText(shape, kPartNumber);
      record->DeviceType = RoundToInteger(shape.cell_result_number(Name(kType)));
      record->LCM = ReadOptional(shape, kAddressExists, kAddress, kNoAddress);
      record->AIData = ReadOptional(shape, kAIExists, kAI, kNoPointData);
      record->AOData = ReadOptional(shape, kAOExists, kAO, kNoPointData);
      record->DIData = ReadOptional(shape, kDIExists, kDI, kNoPointData);
      record->DOData = ReadOptional(shape, kDOExists, kDO, kNoPointData);
      found.push_back(std::move(record));
      // The page and shape counters are 16-bit and stop at their last value.
      if (s == std::numeric_limits<int16_t>::max()) break;
    }
    if (p == std::numeric_limits<int16_t>::max()) break;
  }
  return found;
}

void SortDevices(std::vector<DeviceRef>& devices) {
  std::stable_sort(devices.begin(), devices.end(),
                   [](const DeviceRef& a, const DeviceRef& b) { return a->Device < b->Device; });
}

int16_t AddDevices(std::vector<DeviceRef>&& sorted, PwVsdDeviceCollection& collection) {
  int16_t added = 0;
  static const Text kNone;
  // Sorted, so a name is new when it follows the last one added (or, before any, the empty one).
  const Text* previous = &kNone;
  for (DeviceRef& record : sorted) {
    if (!(*previous < record->Device)) continue;
    previous = &record->Device;
    collection.Append(std::move(record));
    if (added == std::numeric_limits<int16_t>::max()) Raise(err::kOverflow);
    ++added;
  }
  return added;
}

Text DevicesFoundText(int16_t count) {
  return IntegerText(count) + (count == 1 ? u" Device found." : u" Devices found.");
}

}  // namespace devices

void PwVsdDeviceCollection::ScanFromDrawing(const std::shared_ptr<host::Document>& docActive,
                                            const bool& boolQuiet) {
  try {
    std::vector<DeviceRef> found = devices::CollectDevices(devices::Deref(docActive), platform_);
    devices::SortDevices(found);
    const int16_t added = devices::AddDevices(std::move(found), *this);
    if (!boolQuiet)
      platform_->message_box->Show(devices::DevicesFoundText(added), style::kInformation,
                                   devices::kUpdateCompleteTitle);
  } catch (const Error& e) {
    platform_->message_box->ShowError(e, style::kInformation);
  }
}

void Pw2::UpdateDeviceList(const std::shared_ptr<host::Document>& docActive,
                           const bool& boolQuiet) {
  auto collection = std::make_shared<PwVsdDeviceCollection>(platform_);
  collection->ScanFromDrawing(docActive, boolQuiet);
  collection->MoveToDocumentSheet(docActive);
}

}  // namespace kvpw
