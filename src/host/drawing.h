// The drawing host port: what the library asks of a drawing application's document, pages,
// shapes and cells. Adapters: the in-memory drawing (memory_drawing.h), .vsdx files
// (vsdx/vsdx_drawing.h); the application over automation later.
//
// Every object also answers late-bound calls by name (Pages, Item, Count, Cells, CellExists,
// Formula, ResultStr, ...) through the port itself, so each adapter gets them alike.
//
// Objects are handed out by reference. A reference stays valid as long as the document that
// holds the object is alive (and the shape, page or row has not been deleted), so that walking
// every shape of a large drawing costs no allocation per shape or per cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>

#include "frame/object.h"
#include "frame/text.h"

namespace kvpw::host {

// Host errors, numbered in the drawing application's range (0x86DB....) and worded like it.
namespace host_error {
constexpr int32_t HostError(uint32_t code) {
  return static_cast<int32_t>(0x86DB0000u | code);
}
// A cell name or section/row/column the shape does not have.
inline constexpr int32_t kNoSuchCell = HostError(0x3E9);  // -2032466967
inline constexpr char16_t kNoSuchCellText[] = u"Unexpected end of file.";
// A formula the host cannot read.
inline constexpr int32_t kBadFormula = HostError(0x89A);  // -2032465766
inline constexpr char16_t kBadFormulaText[] = u"#NAME?";
// A page, shape or master name not found.
inline constexpr int32_t kNotFound = HostError(0x425);  // -2032466907
inline constexpr char16_t kNotFoundText[] = u"Object name not found.";
// A position outside 1 to the count.
inline constexpr int32_t kBadIndex = HostError(0x3EA);  // -2032466966
inline constexpr char16_t kBadIndexText[] = u"Invalid sheet identifier.";
// A section other than the user-defined cells or custom properties.
inline constexpr int32_t kBadSection = HostError(0x3EB);  // -2032466965
inline constexpr char16_t kBadSectionText[] = u"Invalid section.";
// A row name that is empty, holds other than letters, digits and "_", or already exists.
inline constexpr int32_t kBadRowName = HostError(0x3EC);  // -2032466964
inline constexpr char16_t kBadRowNameText[] = u"Invalid row name.";
// Units other than 0 or the empty text.
inline constexpr int32_t kBadUnits = HostError(0x3ED);  // -2032466963
inline constexpr char16_t kBadUnitsText[] = u"Invalid units.";
}  // namespace host_error

// The units a result is read in: only "none" (Integer 0 or the empty text); else kBadUnits.
void CheckNoUnits(const Variant& units);
// A number as a 32-bit whole number, the fraction dropped; beyond 32 bits, overflow (6).
int32_t WholeNumber(double value);
// A row name the host accepts: letters, digits, "_" and the Latin-1 letters.
bool ValidRowName(TextView name);

// Sections and columns as the host numbers them.
inline constexpr int16_t kSectionUser = 242;      // user-defined cells, "User.<row>"
inline constexpr int16_t kSectionProperty = 243;  // custom properties, "Prop.<row>"
inline constexpr int16_t kSectionObject = 1;      // the shape's own cells: "PinX", "Width", ...
inline constexpr int16_t kColumnValue = 0;
inline constexpr int16_t kColumnUserPrompt = 1;
inline constexpr int16_t kColumnPropertyHidden = 6;  // the row's hidden flag

// The shape's position and size, which every 2-D shape has (inherited or its own), then the end
// points, which only 1-D shapes (connectors) have, then the page sheet's size. Lengths are in
// inches, angles in radians.
inline constexpr const char* kShapeCells[] = {
    "PinX",   "PinY",   "Width", "Height", "LocPinX",   "LocPinY",   "Angle",
    "BeginX", "BeginY", "EndX",  "EndY",   "PageWidth", "PageHeight"};
inline constexpr int kAlwaysPresentShapeCells = 7;

// Case-insensitive hash of a row name within its section, shared by CellName and the adapters'
// row tables so that a parsed name is hashed once.
inline size_t RowNameHash(int16_t section, TextView row) {
  uint64_t h = 1469598103934665603ull ^ static_cast<uint16_t>(section);
  for (char16_t c : row) {
    h ^= LowerChar(c);
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

// A cell name parsed once: "Prop.P11", "prop.p11.value", "User.IOType", "Prop.P11.Invisible".
// The prefix and column are matched without regard to case, and a trailing ".Value" names the
// same cell as the bare row name. Names of any other form are kept but name no row cell.
//
// The object views the text it was made from: keep that text alive while the name is used.
// Static names (`static const CellName kName{u"Prop.P11"}`) parse and hash once.
class CellName {
 public:
  CellName(const char16_t* name) : CellName(TextView(name)) {}
  CellName(const Text& name) : CellName(TextView(name)) {}
  CellName(TextView name) : text_(name) { Parse(); }

  TextView text() const { return text_; }
  // False for names that are not of the form prefix, row name and optional known column.
  bool is_row_cell() const { return section_ == kSectionProperty || section_ == kSectionUser; }
  // One of kShapeCells (any case); row() is then its name as the table spells it.
  bool is_shape_cell() const { return section_ == kSectionObject; }
  int shape_cell() const { return shape_cell_; }
  bool always_present() const { return is_shape_cell() && shape_cell_ < kAlwaysPresentShapeCells; }
  int16_t section() const { return section_; }
  TextView row() const { return row_; }
  int16_t column() const { return column_; }
  size_t row_hash() const { return hash_; }

 private:
  void Parse() {
    for (int i = 0; i < static_cast<int>(std::size(kShapeCells)); ++i) {
      if (text_.size() != std::char_traits<char>::length(kShapeCells[i])) continue;
      bool same = true;
      for (size_t k = 0; k < text_.size() && same; ++k)
        same = LowerChar(text_[k]) == LowerChar(static_cast<char16_t>(kShapeCells[i][k]));
      if (!same) continue;
      section_ = kSectionObject;
      shape_cell_ = i;
      row_ = text_;
      hash_ = RowNameHash(kSectionObject, text_);
      return;
    }
    if (text_.size() <= 5) return;
    const TextView prefix = text_.substr(0, 5);
    int16_t section = 0;
    if (EqualsNoCase(prefix, u"prop.")) section = kSectionProperty;
    if (EqualsNoCase(prefix, u"user.")) section = kSectionUser;
    if (section == 0) return;
    TextView rest = text_.substr(5);
    int16_t column = kColumnValue;
    if (const size_t dot = rest.find(u'.'); dot != TextView::npos) {
      const int16_t found = ColumnOf(section, rest.substr(dot + 1));
      if (found < 0) return;
      column = found;
      rest = rest.substr(0, dot);
    }
    if (rest.empty()) return;
    section_ = section;
    row_ = rest;
    column_ = column;
    hash_ = RowNameHash(section, rest);
  }

  static int16_t ColumnOf(int16_t section, TextView name) {
    static constexpr TextView kProperty[] = {u"value",   u"prompt",  u"label",     u"format",
                                             u"sortkey", u"type",    u"invisible", u"verify",
                                             u"langid",  u"calendar"};
    static constexpr TextView kUser[] = {u"value", u"prompt"};
    const auto* begin = section == kSectionProperty ? std::begin(kProperty) : std::begin(kUser);
    const auto* end = section == kSectionProperty ? std::end(kProperty) : std::end(kUser);
    for (const auto* it = begin; it != end; ++it)
      if (EqualsNoCase(*it, name)) return static_cast<int16_t>(it - begin);
    return -1;
  }

  TextView text_;
  TextView row_;
  int16_t section_ = 0;
  int16_t column_ = 0;
  int shape_cell_ = -1;
  size_t hash_ = 0;
};

class Document;

class Cell : public TableObject {
 public:
  virtual Text formula() = 0;
  // The cell holds the formula; later reads give its result. A formula the host cannot read
  // fails with the host's error and leaves the cell as it was.
  virtual void set_formula(TextView formula) = 0;
  // The value as text. Units: Integer 0 or the empty text (no conversion).
  virtual Text result_text(const Variant& units) = 0;
  virtual double result_number() = 0;
  // The value as a 32-bit integer, the fraction dropped.
  virtual int32_t result_int() = 0;

 protected:
  std::span<const Member> member_table() const override;
};

class Shape : public TableObject {
 public:
  virtual Document& owner() = 0;

  virtual Text name() = 0;
  // The shape's number, unique within its page.
  virtual int32_t id() = 0;
  // Inherited cells (from the shape's master) count; a name the shape lacks gives false.
  virtual bool cell_exists(const CellName& name) = 0;
  // Only the rows the shape holds itself count, not those it inherits.
  virtual bool cell_exists_locally(const CellName& name) = 0;
  // Fails when the shape has no such cell.
  virtual Cell& cell(const CellName& name) = 0;
  // cell(name).result_text(units), without the adapter having to keep a cell object for a
  // value that is only read: scans read a few cells of every shape.
  virtual Text cell_result_text(const CellName& name, const Variant& units) {
    return cell(name).result_text(units);
  }
  virtual double cell_result_number(const CellName& name) { return cell(name).result_number(); }
  // cell(name).set_formula(formula), likewise: the device list writes a row or two for each
  // of thousands of devices.
  virtual void set_cell_formula(const CellName& name, TextView formula) {
    cell(name).set_formula(formula);
  }
  // Rows are numbered from 0 within their section.
  virtual Cell& cell_src(int16_t section, int16_t row, int16_t column) = 0;
  virtual void set_cell_src_formula(int16_t section, int16_t row, int16_t column,
                                    TextView formula) {
    cell_src(section, row, column).set_formula(formula);
  }
  // Appends a row to the section (kSectionUser or kSectionProperty) and returns its index.
  virtual int16_t add_named_row(int16_t section, TextView row_name, int16_t row_tag) = 0;

  // A row to add, and the formula for its value cell (`value_cell` names that cell).
  struct NewRow {
    TextView row;
    const CellName* value_cell;
    TextView formula;
  };
  // For each row in order: add_named_row, then (unless `hidden_formula` is empty) that formula
  // for the row's hidden flag, then set_cell_formula of its value cell; with the effects and
  // failures of those calls. The device list adds tens of thousands of rows at a time, which an
  // adapter may add in one go.
  virtual void add_rows(int16_t section, std::span<const NewRow> rows, TextView hidden_formula);

 protected:
  std::span<const Member> member_table() const override;
};

// Counts above 32767 fail with the overflow error (6) rather than wrap.
class Shapes : public TableObject {
 public:
  virtual Document& owner() = 0;

  virtual int16_t count() = 0;
  virtual Shape& item(int16_t position) = 0;  // 1-based, top-level shapes
  virtual Shape& item(TextView name) = 0;

 protected:
  std::span<const Member> member_table() const override;
};

class Page : public TableObject {
 public:
  virtual Document& owner() = 0;

  virtual Text name() = 0;
  // The page's top-level shapes; members of groups are not among them.
  virtual Shapes& shapes() = 0;
  // The sheet of the page's own cells: PageWidth and PageHeight.
  virtual Shape& page_sheet() = 0;

 protected:
  std::span<const Member> member_table() const override;
};

class Pages : public TableObject {
 public:
  virtual Document& owner() = 0;

  virtual int16_t count() = 0;
  virtual Page& item(int16_t position) = 0;  // 1-based, in the host's order
  virtual Page& item(TextView name) = 0;

 protected:
  std::span<const Member> member_table() const override;
};

class Document : public TableObject {
 public:
  // A reference to a part of the document that keeps the whole document alive.
  ObjectRef ref(Object& part) { return ObjectRef(shared_from_this(), &part); }

  virtual Text name() = 0;
  virtual Pages& pages() = 0;
  // The shape-like sheet of the document's own cells, saved with the drawing.
  virtual Shape& document_sheet() = 0;

 protected:
  std::span<const Member> member_table() const override;
};

}  // namespace kvpw::host
