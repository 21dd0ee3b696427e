// The drawing host over .vsdx files: a document read from the file's parts, answered from the
// parsed XML itself, and written back by replacing only the parts that changed.
//
// How it reads a drawing, where the port leaves a choice:
// - Pages come in the order of visio/pages/pages.xml, each page's part found through its
//   relationship. A page's name is its Name attribute (NameU, then "Page-<ID>", when absent).
// - Shapes: the top-level shapes of each page in document order; deleted shapes (Del="1") are
//   skipped. Shapes.item(name) finds any shape of the page, group members included, as the
//   drawing application does. A shape's name is its Name attribute, else NameU, else
//   "<master name>.<ID>" for a master instance and "Sheet.<ID>" for any other shape.
// - Cells: rows of the Property (custom properties, 243) and User (user-defined cells, 242)
//   sections. A shape inherits every row of its master shape (a top-level instance's master, or
//   for a group member the shape of the instance's master it names) that it does not delete
//   (Row or Section Del="1"); a row it holds with only some cells inherits the others. Every
//   column of a row exists once the row does. The document sheet holds rows of its own only.
// - Results come from the cached values (V): U="STR" is a text; U="BOOL" and the Invisible,
//   Verify and DataLinked columns are flags ("TRUE"/"FALSE", 1/0); a V that reads as a number
//   is a number (its text as the in-memory drawing gives it); anything else is a text. Texts
//   read 0 as numbers.
// - Writing a formula (the forms the in-memory drawing reads) stores it as the application
//   stores a constant: the value in V, U="STR" for a text, U="BOOL" for a flag, no F; the empty
//   formula stores F="No Formula". The written cell belongs to the shape from then on; the other
//   cells of an inherited row stay inherited.
// - A row added to a section holds a blank Value cell and, in the Property section, a hidden
//   flag cell set to false; its index counts the master's rows first, then the shape's own.
// - Saving replaces only the parts that changed, copies every other entry's compressed bytes,
//   flags the document for recalculation on open when any cell changed, and writes beside the
//   target before renaming over it.
#pragma once

#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <memory_resource>
#include <optional>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/drawing.h"
#include "host/vsdx/hash_index.h"
#include "host/vsdx/package.h"

namespace kvpw::host {

struct CellValue;  // a formula's constant, as read by ParseFormula

// Opens a drawing file. Fails with vsdx::kFileError, naming the file and the reason, for a file
// that is not a readable drawing or breaks the limits.
std::shared_ptr<Document> OpenVsdx(const std::filesystem::path& file,
                                   const vsdx::PackageLimits& limits = {});
// Saves a document opened by OpenVsdx or made by VsdxWriter. Any other document is an invalid
// argument (5).
void SaveVsdx(Document& document, const std::filesystem::path& file);

namespace vsdx {

class VsdxDocument;
class VsdxShape;

// One parsed XML part; `dirty` once the document changed it.
struct XmlPart {
  std::string name;
  std::string buffer;  // parsed in place
  pugi::xml_document xml;
  bool dirty = false;
  size_t added = 0;  // about the bytes that rows added since the part was read take in the XML
};

// Tens of thousands are handed out by a scan, so a cell is kept small: its row's name is the
// one in the XML (rows are never removed, so the name stays).
class VsdxCell final : public Cell {
 public:
  VsdxCell(VsdxShape& shape, int16_t section, const char* row, int16_t column, VsdxCell* next)
      : shape_(shape), row_(row), next_(next), section_(section), column_(column) {}

  Text formula() override;
  void set_formula(TextView formula) override;
  Text result_text(const Variant& units) override;
  double result_number() override;
  int32_t result_int() override;

  const VsdxShape& shape() const { return shape_; }
  int16_t section() const { return section_; }
  // UTF-8, as the file spells it.
  const char* row() const { return row_; }
  int16_t column() const { return column_; }
  // The next cell handed out for the same shape.
  VsdxCell* next() const { return next_; }
  // The Cell element found by a lookup, kept while the document's structure stays the same.
  void Remember(pugi::xml_node node, uint64_t generation) const {
    node_ = node;
    generation_ = generation;
  }

 private:
  pugi::xml_node Node() const;

  VsdxShape& shape_;
  const char* row_;
  VsdxCell* next_;
  mutable pugi::xml_node node_;
  mutable uint64_t generation_ = 0;
  int16_t section_;
  int16_t column_;
};

class VsdxShape final : public Shape {
 public:
  // `node` is a Shape element or the DocumentSheet (empty when the document has none yet).
  // `master_id` is the Master of the shape (`own_master`), or for a group member that of the
  // nearest instance enclosing it; 0 when none. The shape's row list is kept in `arena`, or in
  // the document's when none is given.
  VsdxShape(VsdxDocument& document, XmlPart& part, pugi::xml_node node, uint32_t master_id,
            bool is_master_shape, bool own_master = false,
            std::pmr::memory_resource* arena = nullptr);
  ~VsdxShape() override;
  VsdxShape(VsdxShape&&) noexcept = default;

  Document& owner() override;
  Text name() override;
  bool cell_exists(const CellName& name) override;
  bool cell_exists_locally(const CellName& name) override;
  Cell& cell(const CellName& name) override;
  Text cell_result_text(const CellName& name, const Variant& units) override;
  double cell_result_number(const CellName& name) override;
  void set_cell_formula(const CellName& name, TextView formula) override;
  Cell& cell_src(int16_t section, int16_t row, int16_t column) override;
  void set_cell_src_formula(int16_t section, int16_t row, int16_t column,
                            TextView formula) override;
  int16_t add_named_row(int16_t section, TextView row_name, int16_t row_tag) override;
  void add_rows(int16_t section, std::span<const NewRow> rows, TextView hidden_formula) override;

  pugi::xml_node node() const { return node_; }
  VsdxDocument& document() const { return document_; }
  uint32_t sheet_id() const;
  int32_t id() override { return static_cast<int32_t>(sheet_id()); }
  uint32_t master_id() const { return master_id_; }
  // The group's Shapes element (empty for a shape that is no group), found in the same walk of
  // the shape's children that reads its sections.
  pugi::xml_node members() const {
    KnowRows();
    return members_;
  }

  // Where a cell's value comes from: the nearest Cell element up the inheritance chain, and
  // whether the row exists at all.
  struct Lookup {
    bool row_exists = false;
    pugi::xml_node row;   // the nearest Row element of that name
    pugi::xml_node cell;  // the nearest Cell element of that column; empty when none
  };
  Lookup Find(int16_t section, TextView row, size_t hash, const char* column) const;
  // The shape's own Cell element of that row and column, made (with its Section and Row) when
  // absent. Marks the part changed.
  pugi::xml_node OwnCell(int16_t section, TextView row, const char* column);
  // A cell of the shape itself (PinX, Width, ...), its own or its master's; empty when none.
  pugi::xml_node FindShapeCell(const char* name) const;
  // The shape's own such Cell element, made when absent. Marks the part changed.
  pugi::xml_node OwnShapeCell(const char* name);

  // A local row of the Property or User section, read once from the XML. `name` points into the
  // XML, whose row names never change.
  // Kept for every row of every shape read: the hash's low half is enough to rule out others.
  struct RowRef {
    uint32_t hash;
    int16_t section;
    bool deleted;
    pugi::xml_node row;
    const char* name;
  };
  // Reads the shape's sections and rows, once: on first use, or ahead as its page is read. Shapes
  // whose row lists are kept in different arenas may read theirs on different threads.
  void KnowRows() const;

 private:
  const VsdxShape* Parent() const;
  void AddRowRef(int16_t section, pugi::xml_node row, const char* name, bool deleted) const;
  // The local row of that name, deleted or not; nullptr when none.
  const RowRef* LocalRow(int16_t section, TextView row, size_t hash) const;
  // The shape's own row at that position among the section's rows not deleted.
  const RowRef* LiveRow(int16_t section, size_t position) const;
  pugi::xml_node EnsureSection(int16_t section);
  VsdxCell* KnownCell(int16_t section, TextView row, size_t hash, int16_t column) const;
  // Rows of a section in index order: the master's first, then the shape's own.
  void RowsInOrder(int16_t section, std::vector<pugi::xml_node>& rows) const;
  VsdxCell& NewCell(int16_t section, const char* row, size_t hash, int16_t column);
  // New rows at the end of the section, which none of them names yet, with their cells' values.
  void AppendRows(int16_t section, std::span<const NewRow> rows,
                  const std::vector<CellValue>& values, const std::optional<CellValue>& hidden);
  // The row that cell_src names: its name as the file spells it, and the port's column.
  struct SrcRow {
    const char* name;
    Text text;
    size_t hash;
    int16_t column;
  };
  SrcRow SrcRowOf(int16_t section, int16_t row, int16_t column) const;

  VsdxDocument& document_;
  XmlPart& part_;
  pugi::xml_node node_;
  uint32_t master_id_;
  bool is_master_shape_;
  bool own_master_;
  mutable bool parent_resolved_ = false;
  mutable const VsdxShape* parent_ = nullptr;
  mutable bool rows_known_ = false;
  mutable pugi::xml_node sections_[2];  // Property, User
  mutable pugi::xml_node members_;
  mutable bool section_deleted_[2] = {false, false};
  mutable std::pmr::vector<RowRef> rows_;  // in document order, kept in an arena
  // Once a sheet holds many rows (the document sheet's device list): its rows by name, and
  // the indexes into rows_ of the rows not deleted, by section.
  struct RowIndex {
    HashIndex<uint32_t> by_hash;
    std::vector<uint32_t> live[2];
  };
  mutable std::unique_ptr<RowIndex> index_;
  VsdxCell* cells_ = nullptr;  // handed out so far, newest first
  uint32_t cell_count_ = 0;
  std::unique_ptr<HashIndex<VsdxCell*>> cell_index_;
};

class VsdxPage;

class VsdxShapes final : public Shapes {
 public:
  explicit VsdxShapes(VsdxPage& page) : page_(page) {}
  Document& owner() override;
  int16_t count() override;
  Shape& item(int16_t position) override;
  Shape& item(TextView name) override;

 private:
  VsdxPage& page_;
};

class VsdxPage final : public Page {
 public:
  // `sheet` is the page's PageSheet element in the page list `list` (empty when it has none).
  // Reads the rows of the page's sheets as well; pages may be made side by side.
  VsdxPage(VsdxDocument& document, XmlPart& part, Text name, XmlPart& list, pugi::xml_node sheet);
  Document& owner() override;
  Text name() override { return name_; }
  Shapes& shapes() override { return shapes_; }
  Shape& page_sheet() override { return *sheet_; }

  const std::vector<VsdxShape*>& top_level() const { return top_level_; }
  // Any shape of the page, group members included; nullptr when none has that name.
  VsdxShape* find_shape(TextView name);
  XmlPart& part() const { return part_; }

 private:
  void AddShapes(pugi::xml_node shapes, uint32_t master_id, bool top_level);

  // First, to outlive the shapes: their row lists, one arena a page so that pages can be read
  // on several threads.
  std::pmr::monotonic_buffer_resource arena_;
  VsdxDocument& document_;
  XmlPart& part_;
  Text name_;
  std::vector<VsdxShape> top_level_store_;  // sized once: shapes never move
  std::deque<VsdxShape> members_store_;
  std::vector<VsdxShape*> top_level_;
  bool members_loaded_ = false;
  // Filled on first use: every shape in the order a look-up by name prefers them (top-level
  // shapes, then group members), and each one's position under the hash of its name without
  // regard to case, sorted. No text is kept per shape: names are read again to compare.
  std::vector<VsdxShape*> named_;
  std::vector<std::pair<size_t, uint32_t>> by_hash_;
  VsdxShapes shapes_{*this};
  std::unique_ptr<VsdxShape> sheet_;
};

class VsdxPages final : public Pages {
 public:
  explicit VsdxPages(VsdxDocument& document) : document_(document) {}
  Document& owner() override;
  int16_t count() override;
  Page& item(int16_t position) override;
  Page& item(TextView name) override;

 private:
  friend class VsdxDocument;
  VsdxDocument& document_;
  std::vector<std::unique_ptr<VsdxPage>> pages_;
};

class VsdxDocument final : public Document {
  struct Passkey {
    explicit Passkey() = default;
  };

 public:
  // Reads the drawing held by the package; `name` is the document's name.
  static std::shared_ptr<VsdxDocument> Load(Package package, Text name);
  VsdxDocument(Passkey, Package package, Text name);
  ~VsdxDocument() override;
  VsdxDocument(const VsdxDocument&) = delete;
  VsdxDocument& operator=(const VsdxDocument&) = delete;

  Text name() override { return name_; }
  Pages& pages() override { return pages_; }
  Shape& document_sheet() override { return *sheet_; }

  void Save(const std::filesystem::path& file);
  Package& package() { return package_; }

  // Internal to the adapter.
  XmlPart& Parse(const std::string& part_name);
  const VsdxShape* MasterShape(uint32_t master_id, uint32_t shape_id) const;
  void AppendMasterName(uint32_t master_id, Text& out) const;
  void Changed(XmlPart& part, bool values);
  VsdxCell& NewCell(VsdxShape& shape, int16_t section, const char* row, int16_t column,
                    VsdxCell* next);
  // Counts changes to the XML's structure (elements added or revived); cells keep what they
  // found only while it stays the same.
  uint64_t generation() const { return generation_; }
  void Restructured() { ++generation_; }
  pugi::xml_node EnsureDocumentSheet();
  // Where the many small, document-long objects (row lists of the sheets of no page, cells) are
  // kept: tens of thousands of them cost one bump each and are dropped together.
  std::pmr::memory_resource* arena() { return &arena_; }

 private:
  struct Master {
    Text name;
    XmlPart* part = nullptr;
    std::deque<VsdxShape> shapes;
    std::unordered_map<uint32_t, VsdxShape*> by_id;
    VsdxShape* top = nullptr;
  };
  void Read();
  // The parts that the reading walk parses and that are worth parsing side by side.
  std::vector<std::string> LargeParts(const std::string& document_part);
  void ParseAhead(const std::vector<std::string>& part_names);
  void ReadMasters(const std::string& document_part);
  void FlagRecalculation();
  // Targets of the relationships of a part, by type or by id.
  std::vector<std::string> Targets(const std::string& part, std::string_view type);
  std::string Target(const std::string& part, std::string_view id);

  std::pmr::monotonic_buffer_resource arena_;  // first: outlives everything kept in it
  Package package_;
  Text name_;
  std::deque<XmlPart> parts_;
  std::unordered_map<std::string, XmlPart*> parts_by_name_;
  // Parts parsed ahead that failed, with what parsing them threw: thrown when they are asked for.
  std::unordered_map<std::string, std::exception_ptr> failed_ahead_;
  XmlPart* document_part_ = nullptr;
  std::unordered_map<uint32_t, Master> masters_;
  std::unique_ptr<VsdxShape> sheet_;
  VsdxPages pages_{*this};
  std::vector<VsdxCell*> cells_;  // made in the arena; destroyed with the document
  uint64_t generation_ = 1;
  bool values_changed_ = false;
  bool recalculation_flagged_ = false;
};

}  // namespace vsdx
}  // namespace kvpw::host
