#include "host/memory_controls.h"

namespace kvpw::host {
namespace {

using namespace control_error;

constexpr DispId kIdValue = 1;
constexpr DispId kIdText = 2;
constexpr DispId kIdClear = 3;
constexpr DispId kIdAddItem = 4;
constexpr DispId kIdListCount = 5;
constexpr DispId kIdColumn = 6;
constexpr DispId kIdControls = 7;
constexpr DispId kIdName = 8;
// A form's controls, by their position on the form.
constexpr DispId kIdFirstFormMember = 0x10000;

struct NamedId {
  TextView name;
  DispId id;
};
constexpr NamedId kMembers[] = {
    {u"Value", kIdValue},       {u"Text", kIdText},           {u"Clear", kIdClear},
    {u"AddItem", kIdAddItem},   {u"ListCount", kIdListCount}, {u"Column", kIdColumn},
    {u"Controls", kIdControls}, {u"Name", kIdName},
};

void Expect(Args args, size_t least, size_t most) {
  if (args.size() > most) Raise(err::kWrongArgumentCount);
  for (size_t i = 0; i < least; ++i)
    if (i >= args.size() || args[i] == nullptr) Raise(err::kArgumentNotOptional);
}

bool Has(Args args, size_t i) {
  return i < args.size() && args[i] != nullptr;
}

bool IsPut(uint16_t kinds) {
  return kinds & (kPropertyPut | kPropertyPutRef);
}
bool IsGet(uint16_t kinds) {
  return kinds & (kPropertyGet | kMethod);
}

}  // namespace

// MemoryControl.

void MemoryControl::fail_on(ControlMember member, Error error, int skip) {
  failures_[static_cast<size_t>(member)] = Failure{std::move(error), skip};
}

void MemoryControl::clear_failures() {
  failures_.fill(std::nullopt);
}

void MemoryControl::Check(ControlMember member) {
  auto& failure = failures_[static_cast<size_t>(member)];
  if (!failure) return;
  if (failure->skip > 0) {
    --failure->skip;
    return;
  }
  throw failure->error;
}

Variant MemoryControl::ColumnValue(int32_t, std::optional<int32_t>) {
  Raise(err::kMemberNotSupported);
}

void MemoryControl::AddItemAt(const Variant&, int32_t) {
  Raise(err::kMemberNotSupported);
}

bool MemoryControl::HasMember(DispId id) const {
  return id == kIdName;
}

std::optional<DispId> MemoryControl::IdOfName(TextView name) const {
  for (const NamedId& m : kMembers)
    if (EqualsNoCase(m.name, name)) return HasMember(m.id) ? std::optional(m.id) : std::nullopt;
  return std::nullopt;
}

Variant MemoryControl::Invoke(DispId id, uint16_t kinds, Args args) {
  const bool put = IsPut(kinds);
  const bool get = IsGet(kinds);
  switch (id) {
    case kDispIdValue:
      if (put) {
        Expect(args, 1, 1);
        set_default_value(*args[0]);
        return Variant();
      }
      // `form("txtName")`: the default member with a name is the Controls lookup.
      if (get && Has(args, 0)) {
        Expect(args, 1, 1);
        return Variant(ObjectRef(controls(ToText(*args[0]))));
      }
      if (get) {
        Expect(args, 0, 0);
        return default_value();
      }
      break;
    case kIdValue:
      if (put) {
        Expect(args, 1, 1);
        set_value(*args[0]);
        return Variant();
      }
      if (get) {
        Expect(args, 0, 0);
        return value();
      }
      break;
    case kIdText:
      if (put) {
        Expect(args, 1, 1);
        set_text(ToText(*args[0]));
        return Variant();
      }
      if (get) {
        Expect(args, 0, 0);
        return Variant(text());
      }
      break;
    case kIdClear:
      if (get) {
        Expect(args, 0, 0);
        clear();
        return Variant();
      }
      break;
    case kIdAddItem:
      if (get) {
        Expect(args, 1, 2);
        if (Has(args, 1)) {
          AddItemAt(*args[0], ToLong(*args[1]));
        } else {
          add_item(*args[0]);
        }
        return Variant();
      }
      break;
    case kIdListCount:
      if (get && !put) {
        Expect(args, 0, 0);
        return Variant(list_count());
      }
      break;
    case kIdColumn:
      if (put) {
        Expect(args, 3, 3);
        set_column(ToLong(*args[0]), ToLong(*args[1]), *args[2]);
        return Variant();
      }
      if (get) {
        Expect(args, 1, 2);
        std::optional<int32_t> row;
        if (Has(args, 1)) row = ToLong(*args[1]);
        return ColumnValue(ToLong(*args[0]), row);
      }
      break;
    case kIdControls:
      if (get) {
        Expect(args, 1, 1);
        return Variant(ObjectRef(controls(ToText(*args[0]))));
      }
      break;
    case kIdName:
      if (get && !put) {
        Expect(args, 0, 0);
        return Variant(name_);
      }
      break;
  }
  Raise(err::kMemberNotSupported);
}

// MemoryListControl.

bool MemoryListControl::HasMember(DispId id) const {
  return id == kIdValue || id == kIdText || id == kIdClear || id == kIdAddItem ||
         id == kIdListCount || id == kIdColumn || MemoryControl::HasMember(id);
}

void MemoryListControl::clear() {
  Check(ControlMember::kClear);
  rows_.clear();
  list_index_ = -1;
}

void MemoryListControl::add_item(const Variant& item) {
  Check(ControlMember::kAddItem);
  InsertRow(item, static_cast<int32_t>(rows_.size()));
}

void MemoryListControl::AddItemAt(const Variant& item, int32_t index) {
  Check(ControlMember::kAddItem);
  InsertRow(item, index);
}

void MemoryListControl::InsertRow(const Variant& item, int32_t index) {
  if (item.is_null()) Raise(err::kTypeMismatch);
  if (index < 0 || index > static_cast<int32_t>(rows_.size()))
    Raise(kInvalidArrayIndex, u"Could not add the item. Invalid argument.");
  std::vector<Variant> row{Variant(ToText(item))};
  rows_.insert(rows_.begin() + index, std::move(row));
  if (list_index_ >= index) ++list_index_;
}

int32_t MemoryListControl::list_count() {
  Check(ControlMember::kListCount);
  return static_cast<int32_t>(rows_.size());
}

void MemoryListControl::set_column(int32_t column, int32_t row, const Variant& value) {
  Check(ControlMember::kColumnSet);
  if (column < 0 || column >= kMaxColumns || row < 0 || row >= static_cast<int32_t>(rows_.size()))
    Raise(kInvalidArrayIndex, u"Could not set the Column property. Invalid property array index.");
  if (value.is_null())
    Raise(kInvalidPropertyValue, u"Could not set the Column property. Invalid property value.");
  Text text = ToText(value);
  auto& cells = rows_[row];
  if (static_cast<int32_t>(cells.size()) <= column) cells.resize(column + 1);
  cells[column] = Variant(std::move(text));
}

Variant MemoryListControl::column(int32_t column, int32_t row) const {
  if (column < 0 || column >= kMaxColumns || row < 0 || row >= static_cast<int32_t>(rows_.size()))
    Raise(kInvalidArrayIndex, u"Could not get the Column property. Invalid property array index.");
  const auto& cells = rows_[row];
  if (column >= static_cast<int32_t>(cells.size()) || cells[column].is_empty()) return kNull;
  return cells[column];
}

Variant MemoryListControl::ColumnValue(int32_t column_index, std::optional<int32_t> row) {
  // Without a row, the selected row; nothing selected reads Null.
  if (!row && list_index_ < 0) return kNull;
  return column(column_index, row ? *row : list_index_);
}

void MemoryListControl::select(int32_t row) {
  if (row < -1 || row >= static_cast<int32_t>(rows_.size()))
    Raise(kInvalidPropertyValue, u"Could not set the ListIndex property. Invalid property value.");
  list_index_ = row;
}

int32_t MemoryListControl::MatchRow(TextView text) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i][0].text() == text) return static_cast<int32_t>(i);
  return -1;
}

Text MemoryListControl::FirstColumn(int32_t row) const {
  return rows_[row][0].text();
}

// MemoryComboBox.

void MemoryComboBox::Assign(const Variant& value) {
  if (value.is_null()) {
    value_ = kNull;
    text_.clear();
    list_index_ = -1;
    return;
  }
  if (value.is_array())
    Raise(kInvalidPropertyValue, u"Could not set the Value property. Invalid property value.");
  text_ = ToText(value);
  value_ = Variant(text_);
  list_index_ = MatchRow(text_);
}

Variant MemoryComboBox::value() {
  Check(ControlMember::kValueGet);
  return value_;
}

void MemoryComboBox::set_value(const Variant& value) {
  Check(ControlMember::kValueSet);
  Assign(value);
}

Text MemoryComboBox::text() {
  Check(ControlMember::kTextGet);
  return text_;
}

void MemoryComboBox::set_text(TextView text) {
  Check(ControlMember::kTextSet);
  Assign(Variant(text));
}

Variant MemoryComboBox::default_value() {
  Check(ControlMember::kDefaultGet);
  return value_;
}

void MemoryComboBox::set_default_value(const Variant& value) {
  Check(ControlMember::kDefaultSet);
  Assign(value);
}

void MemoryComboBox::select(int32_t row) {
  MemoryListControl::select(row);
  if (row < 0) {
    value_ = kNull;
    text_.clear();
  } else {
    text_ = FirstColumn(row);
    value_ = Variant(text_);
  }
}

// MemoryListBox.

void MemoryListBox::Assign(const Variant& value) {
  if (value.is_array())
    Raise(kInvalidPropertyValue, u"Could not set the Value property. Invalid property value.");
  list_index_ = value.is_null() ? -1 : MatchRow(ToText(value));
}

Variant MemoryListBox::value() {
  Check(ControlMember::kValueGet);
  return list_index_ < 0 ? Variant(kNull) : Variant(FirstColumn(list_index_));
}

void MemoryListBox::set_value(const Variant& value) {
  Check(ControlMember::kValueSet);
  Assign(value);
}

Text MemoryListBox::text() {
  Check(ControlMember::kTextGet);
  return list_index_ < 0 ? Text() : FirstColumn(list_index_);
}

void MemoryListBox::set_text(TextView text) {
  Check(ControlMember::kTextSet);
  const int32_t row = MatchRow(text);
  if (row < 0)
    Raise(kInvalidPropertyValue, u"Could not set the Text property. Invalid property value.");
  list_index_ = row;
}

Variant MemoryListBox::default_value() {
  Check(ControlMember::kDefaultGet);
  return list_index_ < 0 ? Variant(kNull) : Variant(FirstColumn(list_index_));
}

void MemoryListBox::set_default_value(const Variant& value) {
  Check(ControlMember::kDefaultSet);
  Assign(value);
}

// MemoryTextBox.

bool MemoryTextBox::HasMember(DispId id) const {
  return id == kIdValue || id == kIdText || MemoryControl::HasMember(id);
}

void MemoryTextBox::Assign(const Variant& value) {
  if (value.is_null()) Raise(err::kInvalidUseOfNull);
  text_ = ToText(value);
}

Variant MemoryTextBox::value() {
  Check(ControlMember::kValueGet);
  return Variant(text_);
}

void MemoryTextBox::set_value(const Variant& value) {
  Check(ControlMember::kValueSet);
  Assign(value);
}

Text MemoryTextBox::text() {
  Check(ControlMember::kTextGet);
  return text_;
}

void MemoryTextBox::set_text(TextView text) {
  Check(ControlMember::kTextSet);
  text_ = Text(text);
}

Variant MemoryTextBox::default_value() {
  Check(ControlMember::kDefaultGet);
  return Variant(text_);
}

void MemoryTextBox::set_default_value(const Variant& value) {
  Check(ControlMember::kDefaultSet);
  Assign(value);
}

// MemoryForm.

bool MemoryForm::HasMember(DispId id) const {
  return id == kIdControls || MemoryControl::HasMember(id);
}

void MemoryForm::add(std::shared_ptr<MemoryControl> control) {
  if (!control) Raise(err::kObjectNotSet);
  if (Find(control->name()))
    Raise(err::kInvalidArgument, u"The form already has a control named " + control->name() + u".");
  controls_.push_back(std::move(control));
}

std::optional<size_t> MemoryForm::Find(TextView name) const {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (EqualsNoCase(controls_[i]->name(), name)) return i;
  return std::nullopt;
}

std::shared_ptr<Control> MemoryForm::member(TextView name) {
  Check(ControlMember::kMember);
  const auto i = Find(name);
  if (!i) Raise(err::kMemberNotSupported);
  return controls_[*i];
}

std::shared_ptr<Control> MemoryForm::controls(TextView name) {
  Check(ControlMember::kControls);
  const auto i = Find(name);
  if (!i) Raise(kObjectNotFound, kObjectNotFoundText);
  return controls_[*i];
}

std::optional<DispId> MemoryForm::IdOfName(TextView name) const {
  if (const auto i = Find(name)) return kIdFirstFormMember + static_cast<DispId>(*i);
  return MemoryControl::IdOfName(name);
}

Variant MemoryForm::Invoke(DispId id, uint16_t kinds, Args args) {
  const DispId index = id - kIdFirstFormMember;
  if (id >= kIdFirstFormMember && index < static_cast<DispId>(controls_.size())) {
    const Text& name = controls_[index]->name();
    if (IsPut(kinds)) {
      Expect(args, 1, 1);
      set_member(name, *args[0]);
      return Variant();
    }
    Expect(args, 0, 0);
    return Variant(ObjectRef(member(name)));
  }
  return MemoryControl::Invoke(id, kinds, args);
}

}  // namespace kvpw::host
