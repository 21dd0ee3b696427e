// The in-memory drawing: a small but real object model behind the drawing host port, used by
// tests and benchmarks (the command line works on .vsdx files).
//
// What it models, and how it answers where the port leaves a choice:
// - Documents hold pages in order, masters and a document sheet ("TheDoc").
// - Shapes hold custom-property rows (section 243) and user-defined rows (section 242). A
//   property row keeps its value and its hidden flag (column 6, "Prop.<row>.Invisible"); a user
//   row keeps its value and its prompt (column 1). Other columns are not kept.
// - A shape made from a master inherits every row of the master: reads see the master's cells
//   until the shape writes a cell of that row, which first copies the whole row into the shape.
//   The master and its other instances keep their own values. Row indexes in a section run over
//   the master's rows first, then the shape's own.
// - Group members are shapes of the page but not top-level: Shapes counts and numbers only
//   top-level shapes, while Shapes.item(name) finds any shape of the page, as the drawing
//   application does.
// - Names are unique, compared without regard to case: shapes within their page (members
//   included), pages and masters within the document. Each shape has a page-wide id counting
//   from 1 in creation order. A shape given a name already taken is called "<name>.<id>"
//   (counting up from the id should that be taken too); an unnamed shape "Sheet.<id>", an
//   unnamed master instance the master's name. Pages likewise, with a document-wide page id
//   ("Page-<id>" when unnamed).
// - Formulas: `="text"` (an optional equals sign, then everything between the first and the
//   last double quote, taken as it is), decimal numbers with optional sign, fraction and
//   exponent (`12`, `-7`, `=12.5`, `1E+20`), TRUE and FALSE (any case, with or without the
//   equals sign; TRUE is 1), and the empty formula (no value). Blanks around the formula are
//   ignored. Anything else fails with kBadFormula and leaves the cell unchanged. A formula
//   reads back as it was written (the application shows its own spelling of it instead).
// - Results: a text reads as itself; a number as its 15-digit decimal text; a flag as "TRUE" or
//   "FALSE"; no value as the empty text. As numbers, a text (even "12") and no value read 0.
//   The whole-number read truncates toward zero and fails with error 6 outside 32 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "frame/error.h"
#include "host/drawing.h"

namespace kvpw::host {

class MemoryDocument;
class MemoryPage;
class MemoryShape;
struct MemoryRow;

// A cell's formula and the result read from it.
struct CellValue {
  enum class Kind : uint8_t { kNone, kText, kNumber, kBoolean };
  Text formula;
  Kind kind = Kind::kNone;
  double number = 0;  // numbers, and flags as 1 or 0
  // A text result lies inside the formula.
  uint32_t text_begin = 0;
  uint32_t text_size = 0;
  TextView text() const { return TextView(formula).substr(text_begin, text_size); }
};

// Reads a formula of the forms above; fails with kBadFormula otherwise.
CellValue ParseFormula(TextView formula);
// The value as a formula would hold it: a text quoted, a number in decimal, a flag as TRUE or
// FALSE, Empty or Null as no formula. Arrays and objects are a type mismatch (13).
CellValue ValueOf(const Variant& value);

class MemoryCell final : public Cell {
 public:
  MemoryCell() = default;
  MemoryCell(const MemoryCell&) = delete;
  MemoryCell& operator=(const MemoryCell&) = delete;

  Text formula() override;
  void set_formula(TextView formula) override;
  Text result_text(const Variant& units) override;
  double result_number() override;
  int32_t result_int() override;

  // Stores a value directly, as ValueOf forms it.
  void set_value(const Variant& value);
  const CellValue& value() const;
  // True while the row is read from the master.
  bool inherited() const;

 private:
  friend struct MemoryRow;
  friend class MemoryShape;
  void Write(CellValue value);

  MemoryRow* row_ = nullptr;
  uint8_t slot_ = 0;
  CellValue own_;
};

namespace memory_detail {
struct RowKey {
  int16_t section;
  Text name;
};
struct RowLookup {
  int16_t section;
  TextView name;
  size_t hash;
};
struct RowHash {
  using is_transparent = void;
  size_t operator()(const RowKey& k) const { return RowNameHash(k.section, k.name); }
  size_t operator()(const RowLookup& k) const { return k.hash; }
};
struct RowEq {
  using is_transparent = void;
  static bool Same(int16_t s1, TextView n1, int16_t s2, TextView n2) {
    return s1 == s2 && EqualsNoCase(n1, n2);
  }
  bool operator()(const RowKey& a, const RowKey& b) const {
    return Same(a.section, a.name, b.section, b.name);
  }
  bool operator()(const RowKey& a, const RowLookup& b) const {
    return Same(a.section, a.name, b.section, b.name);
  }
  bool operator()(const RowLookup& a, const RowKey& b) const {
    return Same(a.section, a.name, b.section, b.name);
  }
};
}  // namespace memory_detail

// One row of a section: the value cell and one more (the hidden flag or the prompt).
struct MemoryRow {
  MemoryRow(int16_t section, const MemoryRow* inherited);
  MemoryRow(const MemoryRow&) = delete;
  MemoryRow& operator=(const MemoryRow&) = delete;

  int16_t section;
  const Text* name = nullptr;  // the key it is filed under
  const MemoryRow* inherited;  // the master's row, until a cell of this row is written
  MemoryCell cells[2];
};

class MemoryShape final : public Shape {
 public:
  // Made by MemoryPage, MemoryShape::add_member and MemoryDocument.
  MemoryShape(MemoryDocument& document, MemoryPage* page, Text name, int32_t id,
              const MemoryShape* master);

  Document& owner() override;
  Text name() override { return name_; }
  bool cell_exists(const CellName& name) override;
  // Only rows the shape holds itself, written or added, count.
  bool cell_exists_locally(const CellName& name) override;
  Cell& cell(const CellName& name) override;
  Cell& cell_src(int16_t section, int16_t row, int16_t column) override;
  int16_t add_named_row(int16_t section, TextView row_name, int16_t row_tag) override;

  const Text& shape_name() const { return name_; }
  int32_t id() override { return id_; }
  const MemoryShape* master() const { return master_; }
  MemoryPage* page() const { return page_; }
  MemoryDocument& document() const { return document_; }
  // Rows in a section, the master's included.
  int32_t row_count(int16_t section) const;

  // Sets the value cell of the row, adding the row when the shape has none of that name.
  MemoryCell& set_cell(int16_t section, TextView row, const Variant& value);
  MemoryCell& set_prop(TextView row, const Variant& value) {
    return set_cell(kSectionProperty, row, value);
  }
  MemoryCell& set_user(TextView row, const Variant& value) {
    return set_cell(kSectionUser, row, value);
  }
  // The hidden flag of an existing property row.
  void set_hidden(TextView prop_row, bool hidden);

  // Groups: members belong to the shape's page but are not top-level shapes.
  MemoryShape& add_member(TextView name, const MemoryShape* master = nullptr);
  bool is_group() const { return !members_.empty(); }
  const std::vector<MemoryShape*>& members() const { return members_; }

 private:
  using RowTable = std::unordered_map<memory_detail::RowKey, MemoryRow, memory_detail::RowHash,
                                      memory_detail::RowEq>;
  const MemoryRow* FindRow(int16_t section, TextView row, size_t hash) const;
  MemoryRow* FindOwnRow(int16_t section, TextView row, size_t hash);
  const MemoryRow* RowAt(int16_t section, int32_t index) const;
  MemoryRow& Own(const MemoryRow& inherited);
  MemoryRow& AddRow(int16_t section, TextView row, const MemoryRow* inherited);
  std::vector<MemoryRow*>& Order(int16_t section) { return order_[section == kSectionUser]; }
  const std::vector<MemoryRow*>& Order(int16_t section) const {
    return order_[section == kSectionUser];
  }

  MemoryDocument& document_;
  MemoryPage* page_;
  Text name_;
  int32_t id_;
  const MemoryShape* master_;
  RowTable rows_;
  std::vector<MemoryRow*> order_[2];  // the shape's own rows in order: Property, then User
  std::vector<MemoryShape*> members_;
};

class MemoryShapes final : public Shapes {
 public:
  explicit MemoryShapes(MemoryPage& page) : page_(page) {}
  Document& owner() override;
  int16_t count() override;
  // Top-level shapes in order.
  const std::vector<MemoryShape*>& top_level() const { return top_level_; }
  Shape& item(int16_t position) override;
  Shape& item(TextView name) override;

 private:
  friend class MemoryPage;
  MemoryPage& page_;
  std::vector<MemoryShape*> top_level_;
};

class MemoryPage final : public Page {
 public:
  // A new page is the size the drawing writer gives its pages, 11 by 8.5 inches.
  MemoryPage(MemoryDocument& document, Text name);

  Document& owner() override;
  Text name() override { return name_; }
  Shapes& shapes() override { return shapes_; }
  Shape& page_sheet() override { return sheet_; }
  MemoryShape& sheet() { return sheet_; }

  const Text& page_name() const { return name_; }
  MemoryShape& add_shape(TextView name, const MemoryShape* master = nullptr);
  // Any shape of the page, group members included; nullptr when none has that name.
  MemoryShape* find_shape(TextView name) const;
  MemoryDocument& document() const { return document_; }

 private:
  friend class MemoryShape;
  MemoryShape& Create(TextView name, const MemoryShape* master);

  MemoryDocument& document_;
  Text name_;
  int32_t next_id_ = 1;
  std::vector<std::unique_ptr<MemoryShape>> all_;
  std::unordered_map<Text, MemoryShape*> by_name_;  // keyed in lower case
  MemoryShapes shapes_{*this};
  MemoryShape sheet_;
};

class MemoryPages final : public Pages {
 public:
  Document& owner() override;
  int16_t count() override;
  Page& item(int16_t position) override;
  Page& item(TextView name) override;

 private:
  friend class MemoryDocument;
  explicit MemoryPages(MemoryDocument& document) : document_(document) {}
  MemoryDocument& document_;
  std::vector<std::unique_ptr<MemoryPage>> pages_;
  std::unordered_map<Text, MemoryPage*> by_name_;  // keyed in lower case
};

class MemoryDocument final : public Document {
  struct Passkey {
    explicit Passkey() = default;
  };

 public:
  // Documents are always shared, so that late-bound calls can hand out their parts.
  static std::shared_ptr<MemoryDocument> Create(TextView name);
  MemoryDocument(Passkey, TextView name);

  Text name() override { return name_; }
  Pages& pages() override { return pages_; }
  Shape& document_sheet() override { return sheet_; }

  MemoryShape& sheet() { return sheet_; }
  MemoryPage& add_page(TextView name);
  MemoryPage* find_page(TextView name) const;
  MemoryShape& add_master(TextView name);
  MemoryShape* find_master(TextView name) const;

 private:
  Text name_;
  MemoryPages pages_{*this};
  int32_t next_page_id_ = 1;
  std::vector<std::unique_ptr<MemoryShape>> masters_;
  std::unordered_map<Text, MemoryShape*> masters_by_name_;  // keyed in lower case
  MemoryShape sheet_;
};

}  // namespace kvpw::host
