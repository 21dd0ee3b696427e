#include "host/memory_drawing.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kvpw::host {
namespace {

using namespace host_error;

[[noreturn]] void Fail(int32_t number, const char16_t* description) {
  throw Error(number, description);
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

TextView Trim(TextView t) {
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  return t;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// A decimal number and nothing else: sign, digits, fraction, exponent.
bool ReadNumber(TextView t, double& out) {
  size_t i = 0;
  const bool negative = !t.empty() && t[0] == u'-';
  if (!t.empty() && (t[0] == u'-' || t[0] == u'+')) ++i;
  const size_t start = i;
  size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == u'.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    ++i;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) ++i;
    size_t exponent_digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  if (i != t.size()) return false;
  const std::string ascii(t.begin() + start, t.end());  // checked above to be ASCII
  double value = 0;
  const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec != std::errc() || end != ascii.data() + ascii.size()) return false;
  out = negative ? -value : value;
  return true;
}

CellValue Flag(bool on) {
  CellValue v;
  v.formula = on ? u"TRUE" : u"FALSE";
  v.kind = CellValue::Kind::kBoolean;
  v.number = on ? 1 : 0;
  return v;
}

// Column 0 is the value; the second kept cell is the property's hidden flag or the user row's
// prompt.
int SlotOf(int16_t section, int16_t column) {
  if (column == kColumnValue)
    return section == kSectionProperty || section == kSectionUser ? 0 : -1;
  if (section == kSectionProperty && column == kColumnPropertyHidden) return 1;
  if (section == kSectionUser && column == kColumnUserPrompt) return 1;
  return -1;
}

// Names unique without regard to case: the name itself, else "<name>.<n>" counting from `id`.
template <class Map>
Text UniqueName(TextView wanted, Text fallback, int32_t id, const Map& taken) {
  Text base = wanted.empty() ? std::move(fallback) : Text(wanted);
  if (!taken.contains(LowerCase(base))) return base;
  for (long long n = id;; ++n) {
    Text candidate = base + u"." + IntegerText(n);
    if (!taken.contains(LowerCase(candidate))) return candidate;
  }
}

}  // namespace

// Formulas and values.

CellValue ParseFormula(TextView formula) {
  CellValue v;
  v.formula = Text(formula);
  TextView body = Trim(formula);
  if (body.empty()) return v;
  if (body.front() == u'=') {
    body = Trim(body.substr(1));
    if (body.empty()) Fail(kBadFormula, kBadFormulaText);
  }
  if (body.front() == u'"') {
    if (body.size() < 2 || body.back() != u'"') Fail(kBadFormula, kBadFormulaText);
    v.kind = CellValue::Kind::kText;
    v.text_begin = static_cast<uint32_t>(body.data() - formula.data() + 1);
    v.text_size = static_cast<uint32_t>(body.size() - 2);
    return v;
  }
  if (EqualsNoCase(body, u"TRUE") || EqualsNoCase(body, u"FALSE")) {
    CellValue flag = Flag(EqualsNoCase(body, u"TRUE"));
    flag.formula = std::move(v.formula);
    return flag;
  }
  double number = 0;
  if (!ReadNumber(body, number)) Fail(kBadFormula, kBadFormulaText);
  v.kind = CellValue::Kind::kNumber;
  v.number = number;
  return v;
}

CellValue ValueOf(const Variant& value) {
  CellValue v;
  switch (value.type()) {
    case VarType::kEmpty:
    case VarType::kNull:
      return v;
    case VarType::kBoolean:
      return Flag(value.boolean());
    case VarType::kInteger:
    case VarType::kLong:
    case VarType::kDouble:
      v.number = ToDouble(value);
      if (!std::isfinite(v.number)) Raise(err::kOverflow);
      v.kind = CellValue::Kind::kNumber;
      v.formula = NumberText(v.number);
      return v;
    case VarType::kText:
      v.kind = CellValue::Kind::kText;
      v.formula = u"=\"" + value.text() + u"\"";
      v.text_begin = 2;
      v.text_size = static_cast<uint32_t>(value.text().size());
      return v;
    case VarType::kObject:
    case VarType::kArray:
      break;
  }
  Raise(err::kTypeMismatch);
}

// MemoryCell.

const CellValue& MemoryCell::value() const {
  if (row_ && row_->inherited) return row_->inherited->cells[slot_].value();
  return own_;
}

bool MemoryCell::inherited() const {
  return row_ && row_->inherited;
}

void MemoryCell::Write(CellValue value) {
  if (row_ && row_->inherited) {
    // The first write to an inherited row makes the whole row the shape's own.
    const MemoryRow* from = row_->inherited;
    for (int k = 0; k < 2; ++k) row_->cells[k].own_ = from->cells[k].value();
    row_->inherited = nullptr;
  }
  own_ = std::move(value);
}

Text MemoryCell::formula() {
  return value().formula;
}

void MemoryCell::set_formula(TextView formula) {
  Write(ParseFormula(formula));
}

void MemoryCell::set_value(const Variant& value) {
  Write(ValueOf(value));
}

Text MemoryCell::result_text(const Variant& units) {
  CheckNoUnits(units);
  const CellValue& v = value();
  switch (v.kind) {
    case CellValue::Kind::kNone:
      return Text();
    case CellValue::Kind::kText:
      return Text(v.text());
    case CellValue::Kind::kNumber:
      return NumberText(v.number);
    case CellValue::Kind::kBoolean:
      return v.number != 0 ? u"TRUE" : u"FALSE";
  }
  return Text();
}

double MemoryCell::result_number() {
  const CellValue& v = value();
  return v.kind == CellValue::Kind::kNumber || v.kind == CellValue::Kind::kBoolean ? v.number : 0;
}

int32_t MemoryCell::result_int() {
  return WholeNumber(result_number());
}

// MemoryRow.

MemoryRow::MemoryRow(int16_t section, const MemoryRow* inherited)
    : section(section), inherited(inherited) {
  for (uint8_t k = 0; k < 2; ++k) {
    cells[k].row_ = this;
    cells[k].slot_ = k;
  }
  if (section == kSectionProperty) cells[1].own_ = Flag(false);
}

// MemoryShape.

MemoryShape::MemoryShape(MemoryDocument& document, MemoryPage* page, Text name, int32_t id,
                         const MemoryShape* master)
    : document_(document), page_(page), name_(std::move(name)), id_(id), master_(master) {}

const MemoryRow* MemoryShape::FindRow(int16_t section, TextView row, size_t hash) const {
  const auto it = rows_.find(memory_detail::RowLookup{section, row, hash});
  if (it != rows_.end()) return &it->second;
  return master_ ? master_->FindRow(section, row, hash) : nullptr;
}

MemoryRow* MemoryShape::FindOwnRow(int16_t section, TextView row, size_t hash) {
  const auto it = rows_.find(memory_detail::RowLookup{section, row, hash});
  return it == rows_.end() ? nullptr : &it->second;
}

MemoryRow& MemoryShape::AddRow(int16_t section, TextView row, const MemoryRow* inherited) {
  auto [it, added] =
      rows_.try_emplace(memory_detail::RowKey{section, Text(row)}, section, inherited);
  it->second.name = &it->first.name;
  return it->second;
}

// The shape's own entry for a row of its master, reading through to the master until written.
MemoryRow& MemoryShape::Own(const MemoryRow& inherited) {
  const TextView name = *inherited.name;
  if (MemoryRow* own = FindOwnRow(inherited.section, name, RowNameHash(inherited.section, name)))
    return *own;
  return AddRow(inherited.section, name, &inherited);
}

int32_t MemoryShape::row_count(int16_t section) const {
  if (section != kSectionProperty && section != kSectionUser) return 0;
  const int32_t inherited = master_ ? master_->row_count(section) : 0;
  return inherited + static_cast<int32_t>(Order(section).size());
}

const MemoryRow* MemoryShape::RowAt(int16_t section, int32_t index) const {
  const int32_t inherited = master_ ? master_->row_count(section) : 0;
  if (index < inherited) return master_->RowAt(section, index);
  const auto& order = Order(section);
  index -= inherited;
  return index < static_cast<int32_t>(order.size()) ? order[index] : nullptr;
}

bool MemoryShape::cell_exists(const CellName& name) {
  if (name.is_shape_cell())
    return name.always_present() || FindRow(kSectionObject, name.row(), name.row_hash()) != nullptr;
  return name.is_row_cell() && SlotOf(name.section(), name.column()) >= 0 &&
         FindRow(name.section(), name.row(), name.row_hash()) != nullptr;
}

Document& MemoryShape::owner() {
  return document_;
}

bool MemoryShape::cell_exists_locally(const CellName& name) {
  if (name.is_shape_cell()) return FindOwnRow(kSectionObject, name.row(), name.row_hash());
  if (!name.is_row_cell() || SlotOf(name.section(), name.column()) < 0) return false;
  const auto it = rows_.find(memory_detail::RowLookup{name.section(), name.row(), name.row_hash()});
  return it != rows_.end() && it->second.inherited == nullptr;
}

Cell& MemoryShape::cell(const CellName& name) {
  if (name.is_shape_cell()) {
    if (MemoryRow* own = FindOwnRow(kSectionObject, name.row(), name.row_hash()))
      return own->cells[0];
    const MemoryRow* from =
        master_ ? master_->FindRow(kSectionObject, name.row(), name.row_hash()) : nullptr;
    if (from) return Own(*from).cells[0];
    // A 2-D shape's position and size exist before anything is written to them; they read 0.
    if (name.always_present()) return AddRow(kSectionObject, name.row(), nullptr).cells[0];
    Fail(kNoSuchCell, kNoSuchCellText);
  }
  const int slot = name.is_row_cell() ? SlotOf(name.section(), name.column()) : -1;
  if (slot >= 0) {
    if (MemoryRow* own = FindOwnRow(name.section(), name.row(), name.row_hash()))
      return own->cells[slot];
    if (master_) {
      if (const MemoryRow* from = master_->FindRow(name.section(), name.row(), name.row_hash()))
        return Own(*from).cells[slot];
    }
  }
  Fail(kNoSuchCell, kNoSuchCellText);
}

Cell& MemoryShape::cell_src(int16_t section, int16_t row, int16_t column) {
  const int slot = SlotOf(section, column);
  if (slot < 0 || row < 0) Fail(kNoSuchCell, kNoSuchCellText);
  const int32_t inherited = master_ ? master_->row_count(section) : 0;
  if (row < inherited) return Own(*master_->RowAt(section, row)).cells[slot];
  const auto& order = Order(section);
  if (row - inherited >= static_cast<int32_t>(order.size())) Fail(kNoSuchCell, kNoSuchCellText);
  return order[row - inherited]->cells[slot];
}

int16_t MemoryShape::add_named_row(int16_t section, TextView row_name, int16_t /*row_tag*/) {
  if (section != kSectionProperty && section != kSectionUser) Fail(kBadSection, kBadSectionText);
  if (!ValidRowName(row_name) || FindRow(section, row_name, RowNameHash(section, row_name)))
    Fail(kBadRowName, kBadRowNameText);
  const int32_t index = row_count(section);
  if (index > std::numeric_limits<int16_t>::max()) Raise(err::kOverflow);
  Order(section).push_back(&AddRow(section, row_name, nullptr));
  return static_cast<int16_t>(index);
}

MemoryCell& MemoryShape::set_cell(int16_t section, TextView row, const Variant& value) {
  const size_t hash = RowNameHash(section, row);
  MemoryRow* target = FindOwnRow(section, row, hash);
  if (!target && master_) {
    if (const MemoryRow* from = master_->FindRow(section, row, hash)) target = &Own(*from);
  }
  if (!target && section == kSectionObject) target = &AddRow(section, row, nullptr);
  if (!target) {
    add_named_row(section, row, 0);
    target = FindOwnRow(section, row, hash);
  }
  target->cells[0].set_value(value);
  return target->cells[0];
}

void MemoryShape::set_hidden(TextView prop_row, bool hidden) {
  const Text name = u"Prop." + Text(prop_row) + u".Invisible";
  static_cast<MemoryCell&>(cell(CellName(name))).set_value(hidden);
}

MemoryShape& MemoryShape::add_member(TextView name, const MemoryShape* master) {
  if (!page_) Raise(err::kInvalidArgument, u"Only a shape on a page can hold group members.");
  MemoryShape& member = page_->Create(name, master);
  members_.push_back(&member);
  return member;
}

// MemoryShapes and MemoryPage.

int16_t MemoryShapes::count() {
  return Count16(top_level_.size());
}

Shape& MemoryShapes::item(int16_t position) {
  if (position < 1 || static_cast<size_t>(position) > top_level_.size())
    Fail(kBadIndex, kBadIndexText);
  return *top_level_[position - 1];
}

Shape& MemoryShapes::item(TextView name) {
  if (MemoryShape* shape = page_.find_shape(name)) return *shape;
  Fail(kNotFound, kNotFoundText);
}

MemoryPage::MemoryPage(MemoryDocument& document, Text name)
    : document_(document),
      name_(std::move(name)),
      sheet_(document, nullptr, u"ThePage", 0, nullptr) {
  sheet_.set_cell(kSectionObject, u"PageWidth", 11.0);
  sheet_.set_cell(kSectionObject, u"PageHeight", 8.5);
}

MemoryShape& MemoryPage::Create(TextView name, const MemoryShape* master) {
  const int32_t id = next_id_++;
  Text fallback = master ? master->shape_name() : u"Sheet." + IntegerText(id);
  Text unique = UniqueName(name, std::move(fallback), id, by_name_);
  all_.push_back(std::make_unique<MemoryShape>(document_, this, std::move(unique), id, master));
  MemoryShape& shape = *all_.back();
  by_name_.emplace(LowerCase(shape.shape_name()), &shape);
  return shape;
}

MemoryShape& MemoryPage::add_shape(TextView name, const MemoryShape* master) {
  MemoryShape& shape = Create(name, master);
  shapes_.top_level_.push_back(&shape);
  return shape;
}

MemoryShape* MemoryPage::find_shape(TextView name) const {
  const auto it = by_name_.find(LowerCase(name));
  return it == by_name_.end() ? nullptr : it->second;
}

// MemoryPages and MemoryDocument.

int16_t MemoryPages::count() {
  return Count16(pages_.size());
}

Page& MemoryPages::item(int16_t position) {
  if (position < 1 || static_cast<size_t>(position) > pages_.size()) Fail(kBadIndex, kBadIndexText);
  return *pages_[position - 1];
}

Page& MemoryPages::item(TextView name) {
  const auto it = by_name_.find(LowerCase(name));
  if (it == by_name_.end()) Fail(kNotFound, kNotFoundText);
  return *it->second;
}

std::shared_ptr<MemoryDocument> MemoryDocument::Create(TextView name) {
  return std::make_shared<MemoryDocument>(Passkey(), name);
}

MemoryDocument::MemoryDocument(Passkey, TextView name)
    : name_(name), sheet_(*this, nullptr, u"TheDoc", 0, nullptr) {}

MemoryPage& MemoryDocument::add_page(TextView name) {
  const int32_t id = next_page_id_++;
  Text unique = UniqueName(name, u"Page-" + IntegerText(id), id, pages_.by_name_);
  pages_.pages_.push_back(std::make_unique<MemoryPage>(*this, std::move(unique)));
  MemoryPage& page = *pages_.pages_.back();
  pages_.by_name_.emplace(LowerCase(page.page_name()), &page);
  return page;
}

MemoryPage* MemoryDocument::find_page(TextView name) const {
  const auto it = pages_.by_name_.find(LowerCase(name));
  return it == pages_.by_name_.end() ? nullptr : it->second;
}

MemoryShape& MemoryDocument::add_master(TextView name) {
  const auto id = static_cast<int32_t>(masters_.size() + 1);
  Text unique = UniqueName(name, u"Master." + IntegerText(id), id, masters_by_name_);
  masters_.push_back(std::make_unique<MemoryShape>(*this, nullptr, std::move(unique), id, nullptr));
  MemoryShape& master = *masters_.back();
  masters_by_name_.emplace(LowerCase(master.shape_name()), &master);
  return master;
}

MemoryShape* MemoryDocument::find_master(TextView name) const {
  const auto it = masters_by_name_.find(LowerCase(name));
  return it == masters_by_name_.end() ? nullptr : it->second;
}

Document& MemoryShapes::owner() {
  return page_.document();
}

Document& MemoryPage::owner() {
  return document_;
}

Document& MemoryPages::owner() {
  return document_;
}

}  // namespace kvpw::host
