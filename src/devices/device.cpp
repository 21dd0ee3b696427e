#include <algorithm>
#include <utility>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/misc.h"

namespace kvpw {

Text PwVsdDevice::ToString() const {
  const Text type = IntegerText(DeviceType);
  Text row;
  row.reserve(kDeviceRowTag.size() + Device.size() + PartNum.size() + type.size() + AIData.size() +
              AOData.size() + DIData.size() + DOData.size() + LCM.size() + 8);
  row += kDeviceRowTag;
  for (const Text* field : {&Device, &PartNum, &type, &AIData, &AOData, &DIData, &DOData, &LCM}) {
    row += kDeviceRowSeparator;
    row += *field;
  }
  return row;
}

bool PwVsdDevice::LoadFromString(const Text& strDataRow) {
  std::vector<Text> pieces = SplitString(strDataRow, kDeviceRowSeparator);
  if (pieces[1] != kDeviceRowTag) {
    platform_->message_box->Show(kNewerVersionText, style::kOkCancel, kNewerVersionTitle);
    return false;
  }
  // Each field is assigned as soon as its piece is read, so a short row keeps what came before.
  // The pieces are this call's own: they move into the fields rather than being copied.
  const auto piece = [&](size_t i) -> Text& {
    if (i >= pieces.size()) Raise(err::kSubscript);
    return pieces[i];
  };
  Device = std::move(piece(2));
  PartNum = std::move(piece(3));
  DeviceType = RoundToInteger(Val(piece(4)));
  AIData = std::move(piece(5));
  AOData = std::move(piece(6));
  DIData = std::move(piece(7));
  DOData = std::move(piece(8));
  LCM = std::move(piece(9));
  return true;
}

Text PwVsdDevice::GetDataField(const Text& strAIDIAODO) const {
  const Text key = UpperCase(TextView(strAIDIAODO).substr(0, 2));
  if (key == u"AI") return AIData;
  if (key == u"AO") return AOData;
  if (key == u"DI") return DIData;
  if (key == u"DO") return DOData;
  return Text();
}

namespace {

constexpr DispId kEnumNext = 1;
constexpr DispId kEnumReset = 2;

}  // namespace

Variant DeviceEnumerator::Next() {
  if (next_ >= records_.size()) return Variant();
  return Variant(ObjectRef(records_[next_++]));
}

std::optional<DispId> DeviceEnumerator::IdOfName(TextView name) const {
  if (EqualsNoCase(name, u"Next")) return kEnumNext;
  if (EqualsNoCase(name, u"Reset")) return kEnumReset;
  return std::nullopt;
}

Variant DeviceEnumerator::Invoke(DispId id, uint16_t kinds, Args args) {
  if (!(kinds & kMethod) || !args.empty()) Raise(err::kMemberNotSupported);
  if (id == kEnumNext) return Next();
  if (id == kEnumReset) {
    Reset();
    return Variant();
  }
  Raise(err::kMemberNotSupported);
}

DeviceRef PwVsdDeviceCollection::Add(const Text& Device, const Text& PartNum,
                                     const int16_t& DeviceType, const Text& AIData,
                                     const Text& AOData, const Text& DIData, const Text& DOData,
                                     const Text& LCM, const std::optional<Text>& sKey) {
  auto record = std::make_shared<PwVsdDevice>(platform_);
  record->Device = Device;
  record->PartNum = PartNum;
  record->DeviceType = DeviceType;
  record->AIData = AIData;
  record->AOData = AOData;
  record->DIData = DIData;
  record->DOData = DOData;
  record->LCM = LCM;
  const Text key = sKey.value_or(Text());
  if (!key.empty() && !lower_keys_.insert(LowerCase(key)).second) Raise(err::kDuplicateKey);
  records_.push_back(record);
  keys_.push_back(key);
  return record;
}

void PwVsdDeviceCollection::Append(DeviceRef record) {
  records_.push_back(std::move(record));
  keys_.emplace_back();
}

size_t PwVsdDeviceCollection::PositionOf(const Variant& vntIndexKey) const {
  if (vntIndexKey.is_object()) return PositionOf(DefaultValue(vntIndexKey.object()));
  if (vntIndexKey.is_text()) {
    const Text& key = vntIndexKey.text();
    if (!key.empty() && lower_keys_.contains(LowerCase(key))) {
      for (size_t i = 0; i < keys_.size(); ++i)
        if (!keys_[i].empty() && EqualsNoCase(keys_[i], key)) return i;
    }
    Raise(err::kInvalidArgument);
  }
  const int32_t position = ToLong(vntIndexKey);
  if (position < 1 || static_cast<size_t>(position) > records_.size()) Raise(err::kSubscript);
  return static_cast<size_t>(position) - 1;
}

DeviceRef PwVsdDeviceCollection::Item(const Variant& vntIndexKey) const {
  return records_[PositionOf(vntIndexKey)];
}

void PwVsdDeviceCollection::Remove(const Variant& vntIndexKey) {
  const size_t i = PositionOf(vntIndexKey);
  if (!keys_[i].empty()) lower_keys_.erase(LowerCase(keys_[i]));
  records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
}

ObjectRef PwVsdDeviceCollection::NewEnum() const {
  return std::make_shared<DeviceEnumerator>(records_);
}

// A walk, not an index: a record's Device can be changed after it was added.
DeviceRef PwVsdDeviceCollection::FindDevice(const Text& strDevice) const {
  for (const DeviceRef& record : records_)
    if (EqualsNoCase(record->Device, strDevice)) return record;
  return nullptr;
}

}  // namespace kvpw
