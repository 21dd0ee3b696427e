// The device record and the device list of a drawing, as creatable classes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "frame/object.h"
#include "frame/platform.h"

namespace kvpw {

namespace host {
class Document;
}  // namespace host

// The tag that opens every device row this library writes.
inline constexpr TextView kDeviceRowTag = u"V1";
inline constexpr char16_t kDeviceRowSeparator = u'`';
inline constexpr TextView kNewerVersionText =
    u"This drawing file was created with a newer version of Plotwright.  Please update your "
    u"Plotwright installation on this machine.";
inline constexpr TextView kNewerVersionTitle = u"Plotwright 2005";

// One device placed in the drawing. Writes store values unchanged and reads return them.
class PwVsdDevice final : public Dispatchable {
 public:
  explicit PwVsdDevice(PlatformRef platform) : platform_(std::move(platform)) {}
  const ClassInfo& class_info() const override;

  Text Device;
  Text PartNum;
  int16_t DeviceType = 0;
  Text AIData;
  Text AOData;
  Text DIData;
  Text DOData;
  Text LCM;

  // "V1" and the eight fields, each joined by a backquote; nothing is escaped.
  Text ToString() const;
  // False (after the newer-version box) for a foreign tag, the record unchanged. A short row
  // fails with 9 after assigning the fields present; a type beyond 16 bits fails with 6.
  bool LoadFromString(const Text& strDataRow);
  // "AI", "AO", "DI" or "DO" by the first two characters in any case; otherwise empty.
  Text GetDataField(const Text& strAIDIAODO) const;

 private:
  PlatformRef platform_;
};

using DeviceRef = std::shared_ptr<PwVsdDevice>;

// Walks a snapshot of a collection's records in list order, as "for each" does: each call of
// Next hands out the following record, and Empty once all have been handed out.
class DeviceEnumerator final : public Object {
 public:
  explicit DeviceEnumerator(std::vector<DeviceRef> records) : records_(std::move(records)) {}
  Variant Next();
  void Reset() { next_ = 0; }

  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;

 private:
  std::vector<DeviceRef> records_;
  size_t next_ = 0;
};

// The device records of one drawing in the order they were added, with optional keys unique
// without regard to case; stored in and read back from the drawing's document sheet.
class PwVsdDeviceCollection final : public Dispatchable {
 public:
  explicit PwVsdDeviceCollection(PlatformRef platform) : platform_(std::move(platform)) {}
  const ClassInfo& class_info() const override;

  // Fails with 457 when the key is taken; the record is made but not added.
  DeviceRef Add(const Text& Device, const Text& PartNum, const int16_t& DeviceType,
                const Text& AIData, const Text& AOData, const Text& DIData, const Text& DOData,
                const Text& LCM, const std::optional<Text>& sKey = std::nullopt);
  // A 1-based position (9 outside 1..Count) or a key (5 when absent).
  DeviceRef Item(const Variant& vntIndexKey) const;
  int32_t Count() const { return static_cast<int32_t>(records_.size()); }
  void Remove(const Variant& vntIndexKey);
  ObjectRef NewEnum() const;
  // The first record whose name equals `strDevice` without regard to case; nullptr when none.
  DeviceRef FindDevice(const Text& strDevice) const;

  void SaveToDocumentSheet(const std::shared_ptr<host::Document>& docActive);
  // The same rows, for a list that is not kept: each record goes once its row is written, so
  // that the rows can take the room the records leave. The list is empty afterwards, and of no
  // use after a failure.
  void MoveToDocumentSheet(const std::shared_ptr<host::Document>& docActive) {
    WriteRows(docActive, true);
  }
  // Appends the stored records after those present; stops at a row of a foreign tag.
  void LoadFromDocumentSheet(const std::shared_ptr<host::Document>& docActive);
  // Adds one record per distinct device name of the drawing, in ascending name order.
  void ScanFromDrawing(const std::shared_ptr<host::Document>& docActive, const bool& boolQuiet);

  const std::vector<DeviceRef>& records() const { return records_; }
  const PlatformRef& platform() const { return platform_; }
  // Adds a record made elsewhere (a scan's), without a key.
  void Append(DeviceRef record);

 private:
  size_t PositionOf(const Variant& vntIndexKey) const;
  void WriteRows(const std::shared_ptr<host::Document>& docActive, bool release);

  PlatformRef platform_;
  std::vector<DeviceRef> records_;
  std::vector<Text> keys_;  // parallel to records_; empty for none
  std::unordered_set<Text> lower_keys_;
};

}  // namespace kvpw
