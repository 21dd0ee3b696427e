#include "com/adapters.h"

#include "com/drawing_adapter.h"

namespace kvpw::com {
namespace {

// Control members as the dialog controls name them.
constexpr TextView kClear = u"Clear";
constexpr TextView kAddItem = u"AddItem";
constexpr TextView kListCount = u"ListCount";
constexpr TextView kColumn = u"Column";
constexpr TextView kValue = u"Value";
constexpr TextView kText = u"Text";
constexpr TextView kControls = u"Controls";
// Record set members.
constexpr TextView kEof = u"EOF";
constexpr TextView kMoveNext = u"MoveNext";
constexpr TextView kFields = u"Fields";
constexpr TextView kCount = u"Count";
constexpr TextView kName = u"Name";

std::shared_ptr<host::Control> AsControl(const Variant& value) {
  if (!value.is_object()) Raise(err::kTypeMismatch);
  if (!value.object()) return nullptr;
  if (auto control = std::dynamic_pointer_cast<host::Control>(value.object())) return control;
  auto* backed = dynamic_cast<AutomationBacked*>(value.object().get());
  if (!backed) Raise(err::kTypeMismatch);
  return std::make_shared<ControlOverAutomation>(backed->dispatch());
}

Variant InvokeDefault(Object& object, uint16_t kinds, std::vector<Variant> values) {
  std::vector<Variant*> pointers;
  for (Variant& v : values) pointers.push_back(&v);
  return object.Invoke(kDispIdValue, kinds, pointers);
}

}  // namespace

ObjectRef MakeAdapter(IDispatch* dispatch, const std::type_info* object_type) {
  if (object_type && *object_type == typeid(host::Control))
    return std::make_shared<ControlOverAutomation>(dispatch);
  if (object_type && *object_type == typeid(host::Document)) return MakeDocumentAdapter(dispatch);
  if (object_type && *object_type == typeid(db::Recordset))
    return std::make_shared<RecordsetOverAutomation>(dispatch);
  return std::make_shared<ForeignObject>(dispatch);
}

void ControlOverAutomation::clear() {
  CallForeign(foreign_, kClear, kMethod);
}

void ControlOverAutomation::add_item(const Variant& item) {
  CallForeign(foreign_, kAddItem, kMethod, {item});
}

int32_t ControlOverAutomation::list_count() {
  return ToLong(CallForeign(foreign_, kListCount, kPropertyGet));
}

void ControlOverAutomation::set_column(int32_t column, int32_t row, const Variant& value) {
  CallForeign(foreign_, kColumn, kPropertyPut, {Variant(column), Variant(row), value});
}

Variant ControlOverAutomation::value() {
  return CallForeign(foreign_, kValue, kPropertyGet);
}

void ControlOverAutomation::set_value(const Variant& value) {
  CallForeign(foreign_, kValue, kPropertyPut, {value});
}

Text ControlOverAutomation::text() {
  return ToText(CallForeign(foreign_, kText, kPropertyGet));
}

void ControlOverAutomation::set_text(TextView text) {
  CallForeign(foreign_, kText, kPropertyPut, {Variant(text)});
}

Variant ControlOverAutomation::default_value() {
  return InvokeDefault(foreign_, kPropertyGet, {});
}

void ControlOverAutomation::set_default_value(const Variant& value) {
  InvokeDefault(foreign_, kPropertyPut, {value});
}

std::shared_ptr<host::Control> ControlOverAutomation::member(TextView name) {
  return AsControl(CallForeign(foreign_, name, kPropertyGet));
}

std::shared_ptr<host::Control> ControlOverAutomation::controls(TextView name) {
  // `frm.Controls(name)`: the collection first, then its default member with the name.
  const Variant collection = CallForeign(foreign_, kControls, kPropertyGet);
  if (!collection.is_object() || !collection.object()) Raise(err::kObjectNotSet);
  return AsControl(InvokeDefault(*collection.object(), kPropertyGet | kMethod, {Variant(name)}));
}

bool RecordsetOverAutomation::eof() const {
  return ToBoolean(CallForeign(foreign_, kEof, kPropertyGet));
}

void RecordsetOverAutomation::move_next() {
  CallForeign(foreign_, kMoveNext, kMethod);
  row_.clear();
}

int16_t RecordsetOverAutomation::field_count() const {
  const Variant fields = CallForeign(foreign_, kFields, kPropertyGet);
  if (!fields.is_object() || !fields.object()) Raise(err::kObjectNotSet);
  return ToInteger(CallForeign(*fields.object(), kCount, kPropertyGet));
}

Variant RecordsetOverAutomation::Field(int16_t position, TextView member) const {
  const Variant fields = CallForeign(foreign_, kFields, kPropertyGet);
  if (!fields.is_object() || !fields.object()) Raise(err::kObjectNotSet);
  const Variant field =
      InvokeDefault(*fields.object(), kPropertyGet | kMethod, {Variant(position)});
  if (!field.is_object() || !field.object()) Raise(err::kObjectNotSet);
  return CallForeign(*field.object(), member, kPropertyGet);
}

Text RecordsetOverAutomation::field_name(int16_t position) const {
  return ToText(Field(position, kName));
}

int16_t RecordsetOverAutomation::field_index(TextView name) const {
  const int16_t count = field_count();
  for (int16_t i = 0; i < count; ++i)
    if (EqualsNoCase(field_name(i), name)) return i;
  Raise(err::kItemNotFound);
}

const Variant& RecordsetOverAutomation::value(int16_t position) const {
  if (position < 0) Raise(err::kItemNotFound);
  if (row_.size() <= static_cast<size_t>(position)) row_.resize(position + 1);
  if (!row_[position]) row_[position] = Field(position, kValue);
  return *row_[position];
}

}  // namespace kvpw::com
