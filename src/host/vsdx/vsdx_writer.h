// Makes new .vsdx drawings from scratch, for examples, tests and benchmarks:
//
//   VsdxWriter(u"Plant.vsdx")
//       .master(u"Controller").prop(u"P99", 1).prop(u"P11", u"")
//       .page(u"Page-1")
//       .shape(u"Relay").prop(u"P11", u"R1").user(u"IOType", 2)
//       .shape(u"", u"Controller").prop(u"P11", u"C1")  // "Controller.<ID>"
//       .group(u"G").member(u"Inner").prop(u"P99", 2)
//       .document_sheet().prop(u"DeviceTableRowCount", 0).hidden()
//       .save("plant.vsdx");
//
// prop(), user() and hidden() apply to the target named last. A master instance holds only the
// rows it overrides (their Value cell, and the hidden flag when hidden() is given) and those it
// adds; everything else it inherits. Values are stored as the application stores constants:
// texts with U="STR", flags with U="BOOL", numbers bare, Empty as a blank formula. Shape names
// are unique on their page and page names in the document, without regard to case: a name
// already taken gets ".<ID>" (the page's number for pages) appended, as the in-memory drawing
// does.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "frame/variant.h"
#include "host/drawing.h"
#include "host/vsdx/package.h"

namespace kvpw::host {

class VsdxWriter {
 public:
  explicit VsdxWriter(TextView document_name = u"Drawing1.vsdx");

  VsdxWriter& master(TextView name);
  VsdxWriter& page(TextView name);
  // A top-level shape, an instance of the master of that name when one is given. An empty name
  // leaves the Name attribute out, as the application does for shapes never renamed; an unnamed
  // instance is named after its master, as the application names it.
  VsdxWriter& shape(TextView name = {}, TextView master = {});
  // A top-level group; member() adds shapes to the group made last.
  VsdxWriter& group(TextView name = {}, TextView master = {});
  VsdxWriter& member(TextView name = {}, TextView master = {});
  VsdxWriter& document_sheet();

  VsdxWriter& prop(TextView row, const Variant& value);
  VsdxWriter& user(TextView row, const Variant& value);
  // The hidden flag of the property row set last.
  VsdxWriter& hidden(bool on = true);
  // A cell of the target's own, as kShapeCells names them. A shape given all of BeginX, BeginY,
  // EndX and EndY is a connector: its pin, width and angle follow from its end points. A shape
  // given no PinX or PinY is laid out on a grid.
  VsdxWriter& cell(TextView name, double value);
  // The text the shape shows.
  VsdxWriter& text(TextView text);
  // The current page's size, in inches; 11 by 8.5 when not given.
  VsdxWriter& page_size(double width, double height);

  // The parts of the package, [Content_Types].xml first.
  vsdx::Package package() const;
  std::shared_ptr<Document> build() const;
  void save(const std::filesystem::path& file) const;

 private:
  struct Row {
    int16_t section;
    Text name;
    Variant value;
    bool hidden = false;
    bool hidden_set = false;  // hidden() was called: an instance writes it over its master's
  };
  struct ShapeData {
    uint32_t id = 0;
    Text name;
    int master = -1;  // index into masters_
    bool group = false;
    std::vector<Row> rows;
    std::vector<size_t> members;  // indexes into the page's shapes
    bool top_level = true;
    Text text;
  };
  struct PageData {
    Text name;
    std::vector<ShapeData> shapes;
    double width = 11, height = 8.5;
  };
  struct MasterData {
    Text name;
    std::vector<Row> rows;
  };
  enum class Target { kNone, kMaster, kShape, kSheet };

  VsdxWriter& AddShape(TextView name, TextView master, bool group, bool member);
  std::vector<Row>& TargetRows();
  VsdxWriter& SetRow(int16_t section, TextView row, const Variant& value);
  void WriteShape(std::string& out, const PageData& page, const ShapeData& shape,
                  size_t position) const;

  Text document_name_;
  std::vector<MasterData> masters_;
  std::vector<PageData> pages_;
  std::vector<Row> sheet_rows_;
  Target target_ = Target::kNone;
  size_t target_shape_ = 0;
  size_t group_ = static_cast<size_t>(-1);
  Text last_prop_;
};

}  // namespace kvpw::host
