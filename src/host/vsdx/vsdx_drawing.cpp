#include "host/vsdx/vsdx_drawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>

#include "frame/error.h"
#include "frame/on_cores.h"
#include "host/memory_drawing.h"
#include "host/vsdx/vsdx_xml.h"

namespace kvpw::host {

std::shared_ptr<Document> OpenVsdx(const std::filesystem::path& file,
                                   const vsdx::PackageLimits& limits) {
  vsdx::Package package = vsdx::Package::Open(file, limits);
  Text name = package.name();
  return vsdx::VsdxDocument::Load(std::move(package), std::move(name));
}

void SaveVsdx(Document& document, const std::filesystem::path& file) {
  auto* vsdx_document = dynamic_cast<vsdx::VsdxDocument*>(&document);
  if (!vsdx_document)
    Raise(err::kInvalidArgument, u"Only a drawing read from a file can be saved.");
  vsdx_document->Save(file);
}

namespace vsdx {
namespace {

using namespace host_error;

[[noreturn]] void Fail(int32_t number, const char16_t* description) {
  throw Error(number, description);
}

// Columns by the port's numbering (CellName), with DataLinked after them for CellsSRC.
constexpr const char* kPropertyColumns[] = {"Value",   "Prompt",   "Label",     "Format",
                                            "SortKey", "Type",     "Invisible", "Verify",
                                            "LangID",  "Calendar", "DataLinked"};
constexpr const char* kUserColumns[] = {"Value", "Prompt"};
constexpr int16_t kColumnDataLinked = 10;

const char* ColumnName(int16_t section, int16_t column) {
  if (section == kSectionProperty && column >= 0 && column < 11) return kPropertyColumns[column];
  if (section == kSectionUser && column >= 0 && column < 2) return kUserColumns[column];
  return nullptr;
}

// The host's own column numbers (CellsSRC) to the port's.
int16_t ColumnOfIndex(int16_t section, int16_t index) {
  if (section == kSectionUser) return index == 0 || index == 1 ? index : -1;
  if (section != kSectionProperty) return -1;
  if (index >= 0 && index <= 7) return index;
  if (index == 8) return kColumnDataLinked;
  if (index == 14) return 8;  // LangID
  if (index == 15) return 9;  // Calendar
  return -1;
}

bool IsFlagColumn(int16_t section, int16_t column) {
  return section == kSectionProperty &&
         (column == kColumnPropertyHidden || column == 7 || column == kColumnDataLinked);
}

// A cached value as the port reads it.
struct Value {
  enum class Kind { kNone, kText, kNumber, kFlag };
  Kind kind = Kind::kNone;
  const char* text = "";
  double number = 0;
};

Value ReadValue(pugi::xml_node cell, bool flag_column) {
  Value v;
  if (!cell) return v;
  const char* value = nullptr;
  const char* unit = "";
  const char* formula = "";
  for (pugi::xml_attribute a = cell.first_attribute(); a; a = a.next_attribute()) {
    const char* name = a.name();
    if (name[0] == '\0' || name[1] != '\0') continue;
    if (name[0] == 'V') value = a.value();
    if (name[0] == 'U') unit = a.value();
    if (name[0] == 'F') formula = a.value();
  }
  const bool blank = xml::Is(formula, xml::kNoFormula);
  if (!value || (blank && !flag_column)) return v;
  if (xml::Is(unit, "STR")) {
    v.kind = Value::Kind::kText;
    v.text = value;
    return v;
  }
  double number = 0;
  const bool numeric = xml::ReadNumber(value, number);
  if (xml::Is(unit, "BOOL") || flag_column) {
    v.kind = Value::Kind::kFlag;
    v.number = numeric && number != 0 ? 1 : 0;
  } else if (numeric) {
    v.kind = Value::Kind::kNumber;
    v.number = number;
  } else {
    v.kind = Value::Kind::kText;
    v.text = value;
  }
  return v;
}

}  // namespace

// VsdxCell.

pugi::xml_node VsdxCell::Node() const {
  const uint64_t now = shape_.document().generation();
  if (generation_ != now && section_ == kSectionObject) {
    node_ = shape_.FindShapeCell(row_);
    generation_ = now;
  } else if (generation_ != now) {
    const Text row = FromUtf8(row_);
    node_ =
        shape_.Find(section_, row, RowNameHash(section_, row), ColumnName(section_, column_)).cell;
    generation_ = now;
  }
  return node_;
}

Text VsdxCell::formula() {
  const pugi::xml_node cell = Node();
  if (!cell) return Text();
  const char* f = cell.attribute("F").value();
  if (std::strcmp(f, xml::kNoFormula) == 0) return Text();
  if (*f && std::strcmp(f, xml::kInherited) != 0) return FromUtf8(f);
  const Value v = ReadValue(cell, IsFlagColumn(section_, column_));
  switch (v.kind) {
    case Value::Kind::kNone:
      return Text();
    case Value::Kind::kText: {
      Text quoted = u"\"";
      for (char16_t c : FromUtf8(v.text)) {
        quoted += c;
        if (c == u'"') quoted += c;
      }
      return quoted + u"\"";
    }
    case Value::Kind::kNumber:
      return FromUtf8(cell.attribute("V").value());
    case Value::Kind::kFlag:
      return v.number != 0 ? u"TRUE" : u"FALSE";
  }
  return Text();
}

namespace {

// A constant as the application stores it in a cell's attributes: V always, U for texts and
// flags, and for no value the formula "No Formula". V is written into `v`, whose buffer a caller
// storing many values reuses.
struct StoredValue {
  const char* u = nullptr;
  bool no_formula = false;
};
StoredValue Stored(const CellValue& value, std::string& v) {
  v.clear();
  switch (value.kind) {
    case CellValue::Kind::kNone:
      return {nullptr, true};
    case CellValue::Kind::kText:
      AppendUtf8(v, value.text());
      return {"STR"};
    case CellValue::Kind::kNumber:
      v = xml::NumberText(value.number);
      return {};
    case CellValue::Kind::kBoolean:
      v = value.number != 0 ? "1" : "0";
      return {"BOOL"};
  }
  return {};
}

void StoreValue(pugi::xml_node cell, const CellValue& value) {
  std::string v;
  const StoredValue stored = Stored(value, v);
  cell.remove_attribute("E");
  xml::Set(cell, "V", v.c_str());
  if (stored.u)
    xml::Set(cell, "U", stored.u);
  else
    cell.remove_attribute("U");
  if (stored.no_formula)
    xml::Set(cell, "F", xml::kNoFormula);
  else
    cell.remove_attribute("F");
}

// A new row's cell as StoreValue leaves it: N, V, then U and F where the value has them.
// `scratch` takes V on its way into `out`.
void AppendCellXml(std::string& out, const char* name, const CellValue& value,
                   std::string& scratch) {
  const StoredValue stored = Stored(value, scratch);
  out += "<Cell N='";
  out += name;
  out += "' V='";
  xml::AppendEscaped(out, scratch, xml::ControlCharacters::kKeep);
  out += '\'';
  if (stored.u) {
    out += " U='";
    out += stored.u;
    out += '\'';
  }
  if (stored.no_formula) {
    out += " F='";
    out += xml::kNoFormula;
    out += '\'';
  }
  out += "/>";
}

}  // namespace

void VsdxCell::set_formula(TextView formula) {
  const CellValue value = ParseFormula(formula);  // fails before anything changes
  pugi::xml_node cell = section_ == kSectionObject ? shape_.OwnShapeCell(row_)
                                                   : shape_.OwnCell(section_, FromUtf8(row_),
                                                                    ColumnName(section_, column_));
  Remember(cell, shape_.document().generation());
  StoreValue(cell, value);
}

namespace {

Text ResultText(pugi::xml_node cell, int16_t section, int16_t column) {
  const Value v = ReadValue(cell, IsFlagColumn(section, column));
  switch (v.kind) {
    case Value::Kind::kNone:
      return Text();
    case Value::Kind::kText:
      return FromUtf8(v.text);
    case Value::Kind::kNumber:
      return NumberText(v.number);
    case Value::Kind::kFlag:
      return v.number != 0 ? u"TRUE" : u"FALSE";
  }
  return Text();
}

double ResultNumber(pugi::xml_node cell, int16_t section, int16_t column) {
  const Value v = ReadValue(cell, IsFlagColumn(section, column));
  return v.kind == Value::Kind::kNumber || v.kind == Value::Kind::kFlag ? v.number : 0;
}

}  // namespace

Text VsdxCell::result_text(const Variant& units) {
  CheckNoUnits(units);
  return ResultText(Node(), section_, column_);
}

double VsdxCell::result_number() {
  return ResultNumber(Node(), section_, column_);
}

int32_t VsdxCell::result_int() {
  return WholeNumber(result_number());
}

// VsdxShape.

namespace {
constexpr size_t kIndexFrom = 24;  // rows in a sheet before its rows are indexed by name
int Slot(int16_t section) {
  return section == kSectionUser ? 1 : 0;
}

// RowNameHash of a name held in UTF-8, without converting plain ASCII names.
size_t Utf8RowHash(int16_t section, const char* name) {
  uint64_t h = 1469598103934665603ull ^ static_cast<uint16_t>(section);
  for (const char* p = name; *p; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return RowNameHash(section, FromUtf8(name));
    h ^= LowerChar(static_cast<char16_t>(*p));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

int16_t SectionNamed(const char* name) {
  if (xml::Is(name, xml::kPropertySection)) return kSectionProperty;
  if (xml::Is(name, xml::kUserSection)) return kSectionUser;
  return 0;
}

// The N and Del attributes of a Section or Row element, in one walk of its attributes.
struct NameAndDel {
  const char* name = nullptr;
  bool deleted = false;
};
NameAndDel NameAndDelOf(pugi::xml_node node) {
  NameAndDel out;
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* n = a.name();
    if (xml::Is(n, "N")) {
      out.name = a.value();
    } else if (xml::Is(n, "Del")) {
      const char* v = a.value();
      out.deleted = v[0] == '1' && v[1] == '\0';
    }
  }
  return out;
}
}  // namespace

VsdxShape::VsdxShape(VsdxDocument& document, XmlPart& part, pugi::xml_node node, uint32_t master_id,
                     bool is_master_shape, bool own_master, std::pmr::memory_resource* arena)
    : document_(document),
      part_(part),
      node_(node),
      master_id_(master_id),
      is_master_shape_(is_master_shape),
      own_master_(own_master),
      rows_(arena ? arena : document.arena()) {}

VsdxShape::~VsdxShape() = default;

uint32_t VsdxShape::sheet_id() const {
  return node_.attribute("ID").as_uint();
}

Text VsdxShape::name() {
  if (!node_) return Text(xml::kDocumentSheetName);
  const char* local = "";
  const char* universal = "";
  const char* id = "";
  for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute()) {
    const char* n = a.name();
    if (xml::Is(n, "Name"))
      local = a.value();
    else if (xml::Is(n, "NameU"))
      universal = a.value();
    else if (xml::Is(n, "ID"))
      id = a.value();
  }
  if (*local) return FromUtf8(local);
  if (*universal) return FromUtf8(universal);
  Text out;
  if (!is_master_shape_ && own_master_)
    document_.AppendMasterName(master_id_, out);
  else
    out = u"Sheet";
  out += u'.';
  out += FromUtf8(id);
  return out;
}

const VsdxShape* VsdxShape::Parent() const {
  if (!parent_resolved_) {
    parent_resolved_ = true;
    if (!is_master_shape_ && node_ && master_id_) {
      if (own_master_)
        parent_ = document_.MasterShape(master_id_, 0);
      else if (const char* sub = xml::Attribute(node_, "MasterShape"))
        parent_ = document_.MasterShape(master_id_,
                                        static_cast<uint32_t>(std::strtoul(sub, nullptr, 10)));
    }
  }
  return parent_;
}

void VsdxShape::KnowRows() const {
  if (rows_known_) return;
  rows_known_ = true;
  // Gathered here before they go to the arena, in one buffer a thread.
  thread_local std::vector<RowRef> found;
  found.clear();
  for (pugi::xml_node s = node_.first_child(); s; s = s.next_sibling()) {
    if (!xml::IsElement(s, "Section")) {
      if (!members_ && xml::IsElement(s, "Shapes")) members_ = s;
      continue;
    }
    const NameAndDel section_attributes = NameAndDelOf(s);
    const int16_t section = section_attributes.name ? SectionNamed(section_attributes.name) : 0;
    if (section == 0 || sections_[Slot(section)]) continue;
    sections_[Slot(section)] = s;
    section_deleted_[Slot(section)] = section_attributes.deleted;
    for (pugi::xml_node r = s.first_child(); r; r = r.next_sibling()) {
      if (!xml::IsElement(r, "Row")) continue;
      const NameAndDel row = NameAndDelOf(r);
      if (row.name && *row.name)
        found.push_back(RowRef{static_cast<uint32_t>(Utf8RowHash(section, row.name)), section,
                               row.deleted, r, row.name});
    }
  }
  // Most sheets hold a handful of rows: one exact allocation.
  if (found.size() < kIndexFrom) {
    rows_.reserve(found.size());
    rows_.assign(found.begin(), found.end());
  } else {
    for (const RowRef& r : found) AddRowRef(r.section, r.row, r.name, r.deleted);
  }
  // A thread keeps what a shape's few rows need, not what the document sheet's device list did.
  if (found.capacity() > 4 * kIndexFrom) found = std::vector<RowRef>();
}

void VsdxShape::AddRowRef(int16_t section, pugi::xml_node row, const char* name,
                          bool deleted) const {
  const auto index = static_cast<uint32_t>(rows_.size());
  rows_.push_back(
      RowRef{static_cast<uint32_t>(Utf8RowHash(section, name)), section, deleted, row, name});
  if (index_) {
    index_->by_hash.Add(rows_.back().hash, index);
    if (!deleted) index_->live[Slot(section)].push_back(index);
  } else if (rows_.size() >= kIndexFrom) {
    index_ = std::make_unique<RowIndex>();
    for (uint32_t i = 0; i < rows_.size(); ++i) {
      index_->by_hash.Add(rows_[i].hash, i);
      if (!rows_[i].deleted) index_->live[Slot(rows_[i].section)].push_back(i);
    }
  }
}

const VsdxShape::RowRef* VsdxShape::LiveRow(int16_t section, size_t position) const {
  KnowRows();
  if (section_deleted_[Slot(section)]) return nullptr;
  if (index_) {
    const std::vector<uint32_t>& live = index_->live[Slot(section)];
    return position < live.size() ? &rows_[live[position]] : nullptr;
  }
  for (const RowRef& r : rows_)
    if (r.section == section && !r.deleted && position-- == 0) return &r;
  return nullptr;
}

const VsdxShape::RowRef* VsdxShape::LocalRow(int16_t section, TextView row, size_t hash) const {
  KnowRows();
  const auto matches = [&](const RowRef& r) {
    return r.hash == static_cast<uint32_t>(hash) && r.section == section &&
           xml::EqualsNoCase(r.name, row);
  };
  if (index_) {
    constexpr uint32_t kNone = UINT32_MAX;
    const uint32_t i = index_->by_hash.Find(
        hash, [&](uint32_t r) { return matches(rows_[r]); }, kNone);
    return i == kNone ? nullptr : &rows_[i];
  }
  for (const RowRef& r : rows_)
    if (matches(r)) return &r;
  return nullptr;
}

VsdxShape::Lookup VsdxShape::Find(int16_t section, TextView row, size_t hash,
                                  const char* column) const {
  Lookup out;
  for (const VsdxShape* s = this; s; s = s->Parent()) {
    s->KnowRows();
    if (!s->sections_[Slot(section)]) continue;
    if (s->section_deleted_[Slot(section)]) break;
    const RowRef* r = s->LocalRow(section, row, hash);
    if (!r) continue;
    if (r->deleted) break;
    if (!out.row_exists) {
      out.row_exists = true;
      out.row = r->row;
    }
    if (!column) break;
    if (const pugi::xml_node cell = xml::CellNamed(r->row, column)) {
      out.cell = cell;
      break;
    }
  }
  return out;
}

pugi::xml_node VsdxShape::EnsureSection(int16_t section) {
  if (!node_) node_ = document_.EnsureDocumentSheet();
  KnowRows();
  if (pugi::xml_node existing = sections_[Slot(section)]) return existing;
  // Sections follow the sheet's own cells and come before its text and member shapes.
  pugi::xml_node after;
  for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    const std::string_view name = child.name();
    if (name == "Cell" || name == "Trigger" || name == "Section") after = child;
  }
  pugi::xml_node s =
      after ? node_.insert_child_after("Section", after) : node_.prepend_child("Section");
  s.append_attribute("N") = section == kSectionProperty ? xml::kPropertySection : xml::kUserSection;
  sections_[Slot(section)] = s;
  document_.Restructured();
  return s;
}

pugi::xml_node VsdxShape::OwnCell(int16_t section, TextView row, const char* column) {
  pugi::xml_node section_node = EnsureSection(section);
  const size_t hash = RowNameHash(section, row);
  pugi::xml_node r;
  if (const RowRef* local = LocalRow(section, row, hash)) r = local->row;
  if (!r) {
    // The row is inherited: keep the name as the master spells it.
    const Lookup inherited = Find(section, row, hash, nullptr);
    const std::string name =
        inherited.row ? std::string(NameAndDelOf(inherited.row).name) : ToUtf8(row);
    r = section_node.append_child("Row");
    pugi::xml_attribute n = r.append_attribute("N");
    n = name.c_str();
    AddRowRef(section, r, n.value(), false);
  }
  pugi::xml_node cell = xml::CellNamed(r, column);
  if (!cell) {
    cell = r.append_child("Cell");
    cell.append_attribute("N") = column;
    document_.Restructured();
  }
  document_.Changed(part_, true);
  return cell;
}

pugi::xml_node VsdxShape::FindShapeCell(const char* name) const {
  for (const VsdxShape* s = this; s; s = s->Parent())
    if (s->node_)
      if (const pugi::xml_node cell = xml::CellNamed(s->node_, name)) return cell;
  return {};
}

pugi::xml_node VsdxShape::OwnShapeCell(const char* name) {
  pugi::xml_node cell = xml::CellNamed(node_, name);
  if (!cell) {
    // The shape's own cells come before its sections, text and members.
    pugi::xml_node before;
    for (pugi::xml_node child = node_.first_child(); child && !before; child = child.next_sibling())
      if (child.type() == pugi::node_element && std::strcmp(child.name(), "Cell") != 0)
        before = child;
    cell = before ? node_.insert_child_before("Cell", before) : node_.append_child("Cell");
    cell.append_attribute("N") = name;
    document_.Restructured();
  }
  document_.Changed(part_, true);
  return cell;
}

void VsdxShape::RowsInOrder(int16_t section, std::vector<pugi::xml_node>& rows) const {
  if (const VsdxShape* parent = Parent()) parent->RowsInOrder(section, rows);
  KnowRows();
  if (!sections_[Slot(section)]) return;
  if (section_deleted_[Slot(section)]) {
    rows.clear();
    return;
  }
  const size_t inherited = rows.size();
  for (const RowRef& r : rows_) {
    if (r.section != section) continue;
    size_t match = inherited;
    for (size_t i = 0; i < inherited; ++i)
      if (rows[i] && xml::EqualsNoCaseUtf8(NameAndDelOf(rows[i]).name, r.name)) match = i;
    if (match < inherited) {
      if (r.deleted) rows[match] = pugi::xml_node();
    } else if (!r.deleted) {
      rows.push_back(r.row);
    }
  }
  std::erase_if(rows, [](pugi::xml_node r) { return !r; });
}

Document& VsdxShape::owner() {
  return document_;
}

bool VsdxShape::cell_exists_locally(const CellName& name) {
  if (name.is_shape_cell()) return node_ && xml::CellNamed(node_, kShapeCells[name.shape_cell()]);
  if (!name.is_row_cell()) return false;
  KnowRows();
  if (section_deleted_[Slot(name.section())]) return false;
  const RowRef* row = LocalRow(name.section(), name.row(), name.row_hash());
  return row && !row->deleted;
}

bool VsdxShape::cell_exists(const CellName& name) {
  if (name.is_shape_cell())
    return node_ && (name.always_present() || FindShapeCell(kShapeCells[name.shape_cell()]));
  return name.is_row_cell() &&
         Find(name.section(), name.row(), name.row_hash(), nullptr).row_exists;
}

namespace {
constexpr uint32_t kCellIndexFrom = 16;  // cells handed out by a sheet before they are indexed
size_t CellKey(size_t row_hash, int16_t column) {
  return row_hash ^ (static_cast<size_t>(column) * 0x9E3779B97F4A7C15ull);
}
}  // namespace

VsdxCell* VsdxShape::KnownCell(int16_t section, TextView row, size_t hash, int16_t column) const {
  const auto same = [&](const VsdxCell* c) {
    return c->section() == section && c->column() == column && xml::EqualsNoCase(c->row(), row);
  };
  if (cell_index_) return cell_index_->Find(CellKey(hash, column), same, nullptr);
  for (VsdxCell* c = cells_; c; c = c->next())
    if (same(c)) return c;
  return nullptr;
}

VsdxCell& VsdxShape::NewCell(int16_t section, const char* row, size_t hash, int16_t column) {
  cells_ = &document_.NewCell(*this, section, row, column, cells_);
  // The document sheet hands out a cell or two per device row: find them by name, not by walking.
  if (cell_index_) {
    cell_index_->Add(CellKey(hash, column), cells_);
  } else if (++cell_count_ >= kCellIndexFrom) {
    cell_index_ = std::make_unique<HashIndex<VsdxCell*>>();
    for (VsdxCell* c = cells_; c; c = c->next())
      cell_index_->Add(CellKey(Utf8RowHash(c->section(), c->row()), c->column()), c);
  }
  return *cells_;
}

// Rows are never removed, so a cell handed out once exists from then on.
Cell& VsdxShape::cell(const CellName& name) {
  if (name.is_shape_cell() && cell_exists(name)) {
    const char* row = kShapeCells[name.shape_cell()];
    if (VsdxCell* known = KnownCell(kSectionObject, name.row(), name.row_hash(), 0)) return *known;
    return NewCell(kSectionObject, row, name.row_hash(), 0);
  }
  if (!name.is_row_cell()) Fail(kNoSuchCell, kNoSuchCellText);
  if (VsdxCell* known = KnownCell(name.section(), name.row(), name.row_hash(), name.column()))
    return *known;
  const Lookup found =
      Find(name.section(), name.row(), name.row_hash(), ColumnName(name.section(), name.column()));
  if (!found.row_exists) Fail(kNoSuchCell, kNoSuchCellText);
  VsdxCell& cell =
      NewCell(name.section(), NameAndDelOf(found.row).name, name.row_hash(), name.column());
  cell.Remember(found.cell, document_.generation());
  return cell;
}

Text VsdxShape::cell_result_text(const CellName& name, const Variant& units) {
  if (name.is_shape_cell() || !name.is_row_cell()) return cell(name).result_text(units);
  if (VsdxCell* known = KnownCell(name.section(), name.row(), name.row_hash(), name.column()))
    return known->result_text(units);
  const Lookup found =
      Find(name.section(), name.row(), name.row_hash(), ColumnName(name.section(), name.column()));
  if (!found.row_exists) Fail(kNoSuchCell, kNoSuchCellText);
  CheckNoUnits(units);
  return ResultText(found.cell, name.section(), name.column());
}

double VsdxShape::cell_result_number(const CellName& name) {
  if (name.is_shape_cell() || !name.is_row_cell()) return cell(name).result_number();
  if (VsdxCell* known = KnownCell(name.section(), name.row(), name.row_hash(), name.column()))
    return known->result_number();
  const Lookup found =
      Find(name.section(), name.row(), name.row_hash(), ColumnName(name.section(), name.column()));
  if (!found.row_exists) Fail(kNoSuchCell, kNoSuchCellText);
  return ResultNumber(found.cell, name.section(), name.column());
}

void VsdxShape::set_cell_formula(const CellName& name, TextView formula) {
  if (name.is_shape_cell() || !name.is_row_cell()) return cell(name).set_formula(formula);
  if (VsdxCell* known = KnownCell(name.section(), name.row(), name.row_hash(), name.column()))
    return known->set_formula(formula);
  if (!Find(name.section(), name.row(), name.row_hash(), nullptr).row_exists)
    Fail(kNoSuchCell, kNoSuchCellText);
  const CellValue value = ParseFormula(formula);  // fails before anything changes
  StoreValue(OwnCell(name.section(), name.row(), ColumnName(name.section(), name.column())), value);
}

VsdxShape::SrcRow VsdxShape::SrcRowOf(int16_t section, int16_t row, int16_t column) const {
  const int16_t port_column = ColumnOfIndex(section, column);
  if (port_column < 0 || row < 0) Fail(kNoSuchCell, kNoSuchCellText);
  const char* name = nullptr;
  if (!Parent()) {
    if (const RowRef* r = LiveRow(section, static_cast<size_t>(row))) name = r->name;
  } else {
    std::vector<pugi::xml_node> rows;
    RowsInOrder(section, rows);
    if (static_cast<size_t>(row) < rows.size()) name = NameAndDelOf(rows[row]).name;
  }
  if (!name) Fail(kNoSuchCell, kNoSuchCellText);
  Text text = FromUtf8(name);
  const size_t hash = RowNameHash(section, text);
  return SrcRow{name, std::move(text), hash, port_column};
}

Cell& VsdxShape::cell_src(int16_t section, int16_t row, int16_t column) {
  const SrcRow src = SrcRowOf(section, row, column);
  if (VsdxCell* known = KnownCell(section, src.text, src.hash, src.column)) return *known;
  return NewCell(section, src.name, src.hash, src.column);
}

void VsdxShape::set_cell_src_formula(int16_t section, int16_t row, int16_t column,
                                     TextView formula) {
  const SrcRow src = SrcRowOf(section, row, column);
  if (VsdxCell* known = KnownCell(section, src.text, src.hash, src.column))
    return known->set_formula(formula);
  const CellValue value = ParseFormula(formula);  // fails before anything changes
  StoreValue(OwnCell(section, src.text, ColumnName(section, src.column)), value);
}

int16_t VsdxShape::add_named_row(int16_t section, TextView row_name, int16_t /*row_tag*/) {
  if (section != kSectionProperty && section != kSectionUser) Fail(kBadSection, kBadSectionText);
  const size_t hash = RowNameHash(section, row_name);
  if (!ValidRowName(row_name) || Find(section, row_name, hash, nullptr).row_exists)
    Fail(kBadRowName, kBadRowNameText);
  pugi::xml_node section_node = EnsureSection(section);
  size_t index_of_new = 0;
  if (!Parent()) {
    KnowRows();
    if (index_) {
      index_of_new = index_->live[Slot(section)].size();
    } else {
      for (const RowRef& r : rows_) index_of_new += r.section == section && !r.deleted;
    }
  } else {
    std::vector<pugi::xml_node> rows;
    RowsInOrder(section, rows);
    index_of_new = rows.size();
  }
  if (index_of_new > static_cast<size_t>(std::numeric_limits<int16_t>::max()))
    Raise(err::kOverflow);

  pugi::xml_node r;
  document_.Restructured();
  // A row deleted here from the master's is brought back rather than named twice.
  if (const RowRef* deleted = LocalRow(section, row_name, hash)) {
    r = deleted->row;
    r.remove_attribute("Del");
    while (r.first_child()) r.remove_child(r.first_child());
    const auto index = static_cast<uint32_t>(deleted - rows_.data());
    rows_[index].deleted = false;
    if (index_) index_->live[Slot(section)].push_back(index);
  } else {
    r = section_node.append_child("Row");
    pugi::xml_attribute n = r.append_attribute("N");
    n = ToUtf8(row_name).c_str();
    AddRowRef(section, r, n.value(), false);
  }
  xml::AppendCell(r, "Value", "", nullptr, xml::kNoFormula);
  if (section == kSectionProperty) xml::AppendCell(r, "Invisible", "0", nullptr, nullptr);
  document_.Changed(part_, true);
  return static_cast<int16_t>(index_of_new);
}

void VsdxShape::add_rows(int16_t section, std::span<const NewRow> rows, TextView hidden_formula) {
  // The rows before the first that one by one would fail or do more than add a row (a name
  // taken, a row brought back, a formula that does not read, a master's rows to count) are added
  // in one go; from that one on they go one by one, failing as they would.
  size_t together = 0;
  std::vector<CellValue> values;
  std::optional<CellValue> hidden;
  KnowRows();
  const bool simple = (section == kSectionProperty || section == kSectionUser) && !Parent() &&
                      !section_deleted_[Slot(section)] &&
                      (hidden_formula.empty() || section == kSectionProperty);
  if (simple) {
    try {
      if (!hidden_formula.empty()) hidden = ParseFormula(hidden_formula);
      size_t live = 0;
      if (index_) {
        live = index_->live[Slot(section)].size();
      } else {
        for (const RowRef& r : rows_) live += r.section == section && !r.deleted;
      }
      // The new rows' hashes, by their low halves: from the first that one before it shares,
      // the rows go one by one, as a name given twice must.
      HashIndex<bool> hashes;
      const auto any = [](bool) { return true; };
      const auto seen = [&](size_t hash) { return hashes.Find(hash, any, false); };
      values.reserve(rows.size());
      for (; together < rows.size(); ++together) {
        const NewRow& r = rows[together];
        const CellName& cell = *r.value_cell;
        const size_t hash = RowNameHash(section, r.row);
        if (live + together > static_cast<size_t>(std::numeric_limits<int16_t>::max()) ||
            !ValidRowName(r.row) || seen(hash) || LocalRow(section, r.row, hash) ||
            cell.section() != section || cell.column() != kColumnValue || cell.row_hash() != hash ||
            !EqualsNoCase(cell.row(), r.row))
          break;
        hashes.Add(hash, true);
        values.push_back(ParseFormula(r.formula));
      }
    } catch (const Error&) {
      // That row goes one by one and fails there.
    }
  }
  if (together > 0) AppendRows(section, rows.first(together), values, hidden);
  Shape::add_rows(section, rows.subspan(together), hidden_formula);
}

void VsdxShape::AppendRows(int16_t section, std::span<const NewRow> rows,
                           const std::vector<CellValue>& values,
                           const std::optional<CellValue>& hidden) {
  pugi::xml_node section_node = EnsureSection(section);
  // Parsed from one text, the rows' names and values stay in its buffer instead of a piece of
  // memory each.
  std::string text, scratch;
  text.reserve(rows.size() * 160);
  for (size_t k = 0; k < rows.size(); ++k) {
    text += "<Row N='";
    scratch.clear();
    AppendUtf8(scratch, rows[k].row);
    xml::AppendEscaped(text, scratch, xml::ControlCharacters::kKeep);
    text += "'>";
    AppendCellXml(text, "Value", values[k], scratch);
    if (section == kSectionProperty) {
      if (hidden)
        AppendCellXml(text, "Invisible", *hidden, scratch);
      else
        text += "<Cell N='Invisible' V='0'/>";
    }
    text += "</Row>";
  }
  const pugi::xml_node before = section_node.last_child();
  document_.Restructured();
  const pugi::xml_parse_result parsed = section_node.append_buffer(
      text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (parsed.status == pugi::status_out_of_memory) throw std::bad_alloc();
  part_.added += text.size();
  for (pugi::xml_node r = before ? before.next_sibling() : section_node.first_child(); r;
       r = r.next_sibling())
    AddRowRef(section, r, r.first_attribute().value(), false);
  document_.Changed(part_, true);
}

// VsdxShapes and VsdxPage.

Document& VsdxShapes::owner() {
  return page_.owner();
}

int16_t VsdxShapes::count() {
  return Count16(page_.top_level().size());
}

Shape& VsdxShapes::item(int16_t position) {
  const auto& shapes = page_.top_level();
  if (position < 1 || static_cast<size_t>(position) > shapes.size()) Fail(kBadIndex, kBadIndexText);
  return *shapes[position - 1];
}

Shape& VsdxShapes::item(TextView name) {
  if (VsdxShape* shape = page_.find_shape(name)) return *shape;
  Fail(kNotFound, kNotFoundText);
}

VsdxPage::VsdxPage(VsdxDocument& document, XmlPart& part, Text name, XmlPart& list,
                   pugi::xml_node sheet)
    : document_(document),
      part_(part),
      name_(std::move(name)),
      sheet_(std::make_unique<VsdxShape>(document, list, sheet, 0, false, false, &arena_)) {
  const pugi::xml_node shapes = part_.xml.document_element().child("Shapes");
  size_t count = 0;  // at least as many as the shapes: room enough that none ever moves
  for (pugi::xml_node s = shapes.first_child(); s; s = s.next_sibling()) ++count;
  top_level_store_.reserve(count);
  top_level_.reserve(count);
  AddShapes(shapes, 0, true);
  // Nearly every operation reads the top-level shapes' rows; reading them now lets the pages
  // share the cores.
  sheet_->KnowRows();
  for (const VsdxShape* shape : top_level_) shape->KnowRows();
}

void VsdxPage::AddShapes(pugi::xml_node shapes, uint32_t master_id, bool top_level) {
  // Depth first in document order, with the next sibling of each open level on a stack of our
  // own: a hostile file may nest groups deeper than the call stack goes.
  std::vector<std::pair<pugi::xml_node, uint32_t>> levels{{shapes.child("Shape"), master_id}};
  while (!levels.empty()) {
    const auto [s, inherited_master] = levels.back();
    if (!s) {
      levels.pop_back();
      continue;
    }
    levels.back().first = s.next_sibling("Shape");
    // One walk of the shape's attributes for the two this needs.
    const char* master = nullptr;
    bool deleted = false;
    for (pugi::xml_attribute a = s.first_attribute(); a; a = a.next_attribute()) {
      const char* n = a.name();
      if (xml::Is(n, "Master")) master = a.value();
      if (xml::Is(n, "Del")) deleted = xml::Is(a.value(), "1");
    }
    if (deleted) continue;
    const bool has_master = master != nullptr;
    const uint32_t own_master =
        has_master ? static_cast<uint32_t>(std::strtoul(master, nullptr, 10)) : inherited_master;
    if (top_level) {
      top_level_.push_back(&top_level_store_.emplace_back(document_, part_, s, own_master, false,
                                                          has_master, &arena_));
      continue;
    }
    VsdxShape& shape =
        members_store_.emplace_back(document_, part_, s, own_master, false, has_master, &arena_);
    named_.push_back(&shape);
    levels.emplace_back(s.child("Shapes").child("Shape"), own_master);
  }
}

Document& VsdxPage::owner() {
  return document_;
}

namespace {

size_t FoldedHash(TextView name) {
  size_t hash = 14695981039346656037ull;
  for (const char16_t c : name) hash = (hash ^ LowerChar(c)) * 1099511628211ull;
  return hash;
}

}  // namespace

VsdxShape* VsdxPage::find_shape(TextView name) {
  if (!members_loaded_) {
    members_loaded_ = true;
    named_.assign(top_level_.begin(), top_level_.end());
    for (size_t i = 0, n = top_level_.size(); i < n; ++i) {
      AddShapes(top_level_[i]->members(), top_level_[i]->master_id(), false);
    }
    by_hash_.reserve(named_.size());
    for (uint32_t i = 0; i < named_.size(); ++i)
      by_hash_.emplace_back(FoldedHash(named_[i]->name()), i);
    std::sort(by_hash_.begin(), by_hash_.end());
  }
  // Equal hashes in the preferred order: the first whose name matches wins.
  const size_t hash = FoldedHash(name);
  for (auto it =
           std::lower_bound(by_hash_.begin(), by_hash_.end(), std::pair<size_t, uint32_t>{hash, 0});
       it != by_hash_.end() && it->first == hash; ++it)
    if (EqualsNoCase(named_[it->second]->name(), name)) return named_[it->second];
  return nullptr;
}

// VsdxPages.

Document& VsdxPages::owner() {
  return document_;
}

int16_t VsdxPages::count() {
  return Count16(pages_.size());
}

Page& VsdxPages::item(int16_t position) {
  if (position < 1 || static_cast<size_t>(position) > pages_.size()) Fail(kBadIndex, kBadIndexText);
  return *pages_[position - 1];
}

Page& VsdxPages::item(TextView name) {
  for (const auto& page : pages_)
    if (EqualsNoCase(page->name(), name)) return *page;
  Fail(kNotFound, kNotFoundText);
}

// VsdxDocument.

std::shared_ptr<VsdxDocument> VsdxDocument::Load(Package package, Text name) {
  auto document = std::make_shared<VsdxDocument>(Passkey(), std::move(package), std::move(name));
  document->Read();
  return document;
}

VsdxDocument::VsdxDocument(Passkey, Package package, Text name)
    : package_(std::move(package)), name_(std::move(name)) {}

VsdxDocument::~VsdxDocument() {
  for (VsdxCell* cell : cells_) std::destroy_at(cell);
}

XmlPart& VsdxDocument::Parse(const std::string& part_name) {
  const std::string key = xml::LowerAscii(part_name);
  if (const auto it = parts_by_name_.find(key); it != parts_by_name_.end()) return *it->second;
  if (const auto it = failed_ahead_.find(key); it != failed_ahead_.end()) {
    const std::exception_ptr error = it->second;
    failed_ahead_.erase(it);
    std::rethrow_exception(error);
  }
  XmlPart& part = parts_.emplace_back();
  part.name = part_name;
  part.buffer = package_.Take(part_name);
  xml::ParseInPlace(part.xml, part.buffer, part.name, package_.name());
  parts_by_name_.emplace(key, &part);
  return part;
}

// Inflating and parsing are most of opening a large drawing, and its parts are independent.
void VsdxDocument::ParseAhead(const std::vector<std::string>& part_names) {
  std::vector<std::string> names;
  std::vector<XmlPart*> slots;
  for (const std::string& name : part_names) {
    const std::string key = xml::LowerAscii(name);
    if (!package_.Has(name) || parts_by_name_.contains(key) || failed_ahead_.contains(key))
      continue;
    XmlPart& part = parts_.emplace_back();
    part.name = name;
    parts_by_name_.emplace(key, &part);  // also keeps a name given twice from a second slot
    names.push_back(name);
    slots.push_back(&part);
  }
  const std::vector<std::exception_ptr> errors =
      package_.TakeEach(names, [&](size_t i, std::string bytes) {
        XmlPart& part = *slots[i];
        part.buffer = std::move(bytes);
        xml::ParseInPlace(part.xml, part.buffer, part.name, package_.name());
      });
  for (size_t i = 0; i < names.size(); ++i) {
    if (!errors[i]) continue;
    const std::string key = xml::LowerAscii(names[i]);
    parts_by_name_.erase(key);
    failed_ahead_.emplace(key, errors[i]);
    slots[i]->xml.reset();
    slots[i]->buffer = std::string();
  }
}

// Named by the relationships alone, without parsing the lists. Whatever is odd about them is left
// to the walk, which meets it in its own order and fails as it would have.
std::vector<std::string> VsdxDocument::LargeParts(const std::string& document_part) {
  std::vector<std::string> names{document_part};
  try {
    for (const auto& [list, item] :
         {std::pair{xml::kRelMasters, xml::kRelMaster}, std::pair{xml::kRelPages, xml::kRelPage}}) {
      const std::vector<std::string> lists = Targets(document_part, list);
      if (lists.empty()) continue;
      names.push_back(lists.front());
      for (std::string& part : Targets(lists.front(), item)) names.push_back(std::move(part));
    }
  } catch (const Error&) {
  }
  return names;
}

std::vector<std::string> VsdxDocument::Targets(const std::string& part, std::string_view type) {
  std::vector<std::string> targets;
  const std::string rels = RelsPartOf(part);
  if (!package_.Has(rels)) return targets;
  const pugi::xml_node root = Parse(rels).xml.document_element();
  for (pugi::xml_node r = root.child("Relationship"); r; r = r.next_sibling("Relationship")) {
    if (type != r.attribute("Type").value()) continue;
    if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0) continue;
    std::string target = ResolvePartName(part, r.attribute("Target").value());
    if (target.empty())
      FailRead(package_.name(),
               u"a relationship of '" + FromUtf8(part) + u"' points outside the package.");
    targets.push_back(std::move(target));
  }
  return targets;
}

std::string VsdxDocument::Target(const std::string& part, std::string_view id) {
  const std::string rels = RelsPartOf(part);
  if (!package_.Has(rels)) return {};
  const pugi::xml_node root = Parse(rels).xml.document_element();
  for (pugi::xml_node r = root.child("Relationship"); r; r = r.next_sibling("Relationship"))
    if (id == r.attribute("Id").value())
      return ResolvePartName(part, r.attribute("Target").value());
  return {};
}

void VsdxDocument::Read() {
  const Text& file = package_.name();
  if (!package_.Has(xml::kContentTypesPart))
    FailRead(file, u"it is not a drawing (it has no content types).");
  const std::vector<std::string> documents = Targets("", xml::kRelDocument);
  if (documents.empty() || !package_.Has(documents.front()))
    FailRead(file, u"it is not a drawing (it has no drawing document part).");
  ParseAhead(LargeParts(documents.front()));
  document_part_ = &Parse(documents.front());
  const pugi::xml_node root = document_part_->xml.document_element();
  if (std::strcmp(root.name(), "VisioDocument") != 0)
    FailRead(file, u"it is not a drawing (its document part is not a drawing document).");

  ReadMasters(documents.front());

  const std::vector<std::string> page_lists = Targets(documents.front(), xml::kRelPages);
  if (page_lists.empty() || !package_.Has(page_lists.front()))
    FailRead(file, u"the drawing has no pages.");
  const std::string& pages_part = page_lists.front();
  XmlPart& page_list = Parse(pages_part);
  struct PageToMake {
    Text name;
    XmlPart* part;
    pugi::xml_node sheet;
  };
  std::vector<PageToMake> to_make;
  for (pugi::xml_node page = page_list.xml.document_element().child("Page"); page;
       page = page.next_sibling("Page")) {
    Text page_name = FromUtf8(page.attribute("Name").value());
    if (page_name.empty()) page_name = FromUtf8(page.attribute("NameU").value());
    if (page_name.empty()) page_name = u"Page-" + IntegerText(page.attribute("ID").as_uint());
    const std::string part_name = Target(pages_part, xml::RelId(page.child("Rel")));
    if (part_name.empty() || !package_.Has(part_name))
      FailRead(file, u"the page '" + page_name + u"' has no part.");
    XmlPart& part = Parse(part_name);
    if (std::strcmp(part.xml.document_element().name(), "PageContents") != 0)
      FailRead(file, u"the part '" + FromUtf8(part_name) + u"' is not a page.");
    to_make.push_back({std::move(page_name), &part, page.child("PageSheet")});
  }
  if (to_make.empty()) FailRead(file, u"the drawing has no pages.");
  pages_.pages_.resize(to_make.size());
  ForEachOnCores(to_make.size(), [&](size_t i) {
    PageToMake& p = to_make[i];
    pages_.pages_[i] =
        std::make_unique<VsdxPage>(*this, *p.part, std::move(p.name), page_list, p.sheet);
  });

  sheet_ =
      std::make_unique<VsdxShape>(*this, *document_part_, root.child("DocumentSheet"), 0, false);
}

void VsdxDocument::ReadMasters(const std::string& document_part) {
  const std::vector<std::string> lists = Targets(document_part, xml::kRelMasters);
  if (lists.empty() || !package_.Has(lists.front())) return;
  const std::string& masters_part = lists.front();
  const pugi::xml_node masters = Parse(masters_part).xml.document_element();
  for (pugi::xml_node m = masters.child("Master"); m; m = m.next_sibling("Master")) {
    const uint32_t id = m.attribute("ID").as_uint();
    Master& master = masters_[id];
    master.name = FromUtf8(m.attribute("Name").value());
    if (master.name.empty()) master.name = FromUtf8(m.attribute("NameU").value());
    if (master.name.empty()) master.name = u"Master." + IntegerText(id);
    const std::string part_name = Target(masters_part, xml::RelId(m.child("Rel")));
    if (part_name.empty() || !package_.Has(part_name)) continue;
    master.part = &Parse(part_name);
    // Every shape of the master, members included, so that instances' members find theirs.
    std::vector<std::pair<pugi::xml_node, bool>> pending;
    for (pugi::xml_node s = master.part->xml.document_element().child("Shapes").child("Shape"); s;
         s = s.next_sibling("Shape"))
      pending.emplace_back(s, true);
    for (size_t i = 0; i < pending.size(); ++i) {
      const auto [node, top] = pending[i];
      VsdxShape& shape = master.shapes.emplace_back(*this, *master.part, node, 0, true);
      master.by_id.emplace(shape.sheet_id(), &shape);
      if (top && !master.top) master.top = &shape;
      for (pugi::xml_node s = node.child("Shapes").child("Shape"); s; s = s.next_sibling("Shape"))
        pending.emplace_back(s, false);
    }
  }
}

const VsdxShape* VsdxDocument::MasterShape(uint32_t master_id, uint32_t shape_id) const {
  const auto it = masters_.find(master_id);
  if (it == masters_.end()) return nullptr;
  if (shape_id == 0) return it->second.top;
  const auto shape = it->second.by_id.find(shape_id);
  return shape == it->second.by_id.end() ? nullptr : shape->second;
}

void VsdxDocument::AppendMasterName(uint32_t master_id, Text& out) const {
  const auto it = masters_.find(master_id);
  out += it == masters_.end() ? u"Master." + IntegerText(master_id) : it->second.name;
}

void VsdxDocument::Changed(XmlPart& part, bool values) {
  part.dirty = true;
  values_changed_ = values_changed_ || values;
}

VsdxCell& VsdxDocument::NewCell(VsdxShape& shape, int16_t section, const char* row, int16_t column,
                                VsdxCell* next) {
  VsdxCell* cell = std::pmr::polymorphic_allocator<>(&arena_).new_object<VsdxCell>(
      shape, section, row, column, next);
  cells_.push_back(cell);
  return *cell;
}

pugi::xml_node VsdxDocument::EnsureDocumentSheet() {
  pugi::xml_node root = document_part_->xml.document_element();
  if (pugi::xml_node sheet = root.child("DocumentSheet")) return sheet;
  // Its place in the document part follows the settings, colours, fonts and styles.
  pugi::xml_node after;
  for (const char* before : {"DocumentSettings", "Colors", "FaceNames", "StyleSheets"})
    if (pugi::xml_node n = root.child(before)) after = n;
  pugi::xml_node sheet =
      after ? root.insert_child_after("DocumentSheet", after) : root.prepend_child("DocumentSheet");
  for (const auto& [name, value] : xml::kDocumentSheetAttributes)
    sheet.append_attribute(name) = value;
  Changed(*document_part_, false);
  return sheet;
}

void VsdxDocument::FlagRecalculation() {
  std::vector<std::string> targets = Targets("", xml::kRelCustomProperties);
  XmlPart* custom = nullptr;
  if (!targets.empty() && package_.Has(targets.front())) {
    custom = &Parse(targets.front());
  } else {
    std::string name = xml::kCustomPropertiesPart;
    for (int n = 2; package_.Has(name) || parts_by_name_.contains(xml::LowerAscii(name)); ++n)
      name = "docProps/custom" + std::to_string(n) + ".xml";
    custom = &parts_.emplace_back();
    custom->name = name;
    xml::NewCustomProperties(custom->xml);
    parts_by_name_.emplace(xml::LowerAscii(name), custom);
    XmlPart& rels = Parse(RelsPartOf(""));
    xml::AddRelationship(rels.xml, xml::kRelCustomProperties, name);
    rels.dirty = true;
    XmlPart& types = Parse(xml::kContentTypesPart);
    xml::AddOverride(types.xml, "/" + name, xml::kCustomPropertiesType);
    types.dirty = true;
  }
  xml::SetRecalculateOnOpen(custom->xml);
  custom->dirty = true;
  recalculation_flagged_ = true;
}

void VsdxDocument::Save(const std::filesystem::path& file) {
  if (values_changed_ && !recalculation_flagged_) FlagRecalculation();
  // Each changed part is written out while it is compressed, beside the others; the XML is not
  // touched while the package saves.
  for (XmlPart& part : parts_) {
    if (!part.dirty) continue;
    const size_t expected = part.buffer.size() + part.added;
    package_.Write(part.name, Package::PartMaker([&part, expected] {
                     return xml::Serialize(part.xml, expected);
                   }),
                   expected);
  }
  package_.Save(file);
  for (XmlPart& part : parts_) part.dirty = false;
}

}  // namespace vsdx
}  // namespace kvpw::host
