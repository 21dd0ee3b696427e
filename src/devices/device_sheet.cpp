// The device list in the document sheet: a count cell and one hidden text row per record.
#include "devices/device_sheet.h"

#include <limits>

#include "devices/cells.h"
#include "devices/device_classes.h"
#include "frame/error.h"
#include "host/drawing.h"

namespace kvpw {

Text devices::DeviceRowCellName(int32_t n) {
  return Text(kDeviceRowPrefix) + IntegerText(n);
}

host::Document& devices::Deref(const std::shared_ptr<host::Document>& document) {
  if (!document) Raise(err::kObjectNotSet);
  return *document;
}

void PwVsdDeviceCollection::SaveToDocumentSheet(const std::shared_ptr<host::Document>& docActive) {
  WriteRows(docActive, false);
}

void PwVsdDeviceCollection::WriteRows(const std::shared_ptr<host::Document>& docActive,
                                      bool release) {
  host::Shape& sheet = devices::Deref(docActive).document_sheet();
  devices::PropertyTextWriter rows(sheet);  // the row names differ in their numbers
  int16_t n = 0;
  try {
    for (DeviceRef& record : records_) {
      if (n == std::numeric_limits<int16_t>::max()) Raise(err::kOverflow);
      ++n;
      rows.Set(devices::DeviceRowCellName(n), record->ToString());
      if (release) record.reset();
    }
  } catch (...) {
    rows.Flush();  // the rows before the failure are written, as they would be one by one
    throw;
  }
  rows.Flush();
  if (release) {
    records_.clear();
    keys_.clear();
    lower_keys_.clear();
  }
  static const host::CellName kCount{devices::kDeviceRowCountCell};
  devices::SetCellInteger(sheet, kCount, n);
}

void PwVsdDeviceCollection::LoadFromDocumentSheet(
    const std::shared_ptr<host::Document>& docActive) {
  host::Shape& sheet = devices::Deref(docActive).document_sheet();
  static const host::CellName kCount{devices::kDeviceRowCountCell};
  const int32_t stored = devices::GetCellInteger(sheet, kCount);
  if (stored < std::numeric_limits<int16_t>::min() || stored > std::numeric_limits<int16_t>::max())
    Raise(err::kOverflow);
  const int16_t count = static_cast<int16_t>(stored);
  if (count > 0) {
    records_.reserve(records_.size() + static_cast<size_t>(count));
    keys_.reserve(keys_.size() + static_cast<size_t>(count));
  }
  for (int32_t i = 1; i <= count; ++i) {
    const Text name = devices::DeviceRowCellName(i);
    const Text row = devices::GetCellText(sheet, name);
    auto record = std::make_shared<PwVsdDevice>(platform_);
    if (!record->LoadFromString(row)) return;
    records_.push_back(std::move(record));
    keys_.emplace_back();
  }
}

}  // namespace kvpw
