#include "host/drawing.h"

#include <gtest/gtest.h>

#include <memory>

#include "frame/bind.h"
#include "frame/error.h"
#include "host/drawing_builder.h"
#include "host/memory_drawing.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw::host {
namespace {

using testing::ErrorNumberOf;
namespace he = host_error;

const Variant kNoUnits{int16_t{0}};

Text TextOf(Shape& shape, const CellName& name) {
  return shape.cell(name).result_text(kNoUnits);
}

TEST(CellName, PrefixCaseAndValueSuffixNameOneCell) {
  auto doc = DrawingBuilder(u"Plant.vsd").shape(u"Relay").prop(u"P11", u"R1").build();
  Shape& shape = doc->pages().item(1).shapes().item(1);
  Cell& cell = shape.cell(u"Prop.P11");
  for (const char16_t* name : {u"prop.p11", u"Prop.P11", u"PROP.P11.VALUE", u"prop.P11.value"}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_TRUE(shape.cell_exists(name));
    EXPECT_EQ(&shape.cell(name), &cell);
  }
  EXPECT_EQ(TextOf(shape, u"prop.p11.Value"), u"R1");

  // Names the shape lacks read false from cell_exists and fail from cell().
  for (const char16_t* name :
       {u"Prop.P1", u"Prop.P111", u"User.P11", u"P11", u"Prop.", u"Prop.P11.", u"Prop.P11.Label",
        u"Prop.P11.Value.Value", u"Prop..Value", u"BeginX", u""}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_FALSE(shape.cell_exists(name));
    EXPECT_EQ(ErrorNumberOf([&] { shape.cell(name); }), he::kNoSuchCell);
  }
}

TEST(CellName, ParsesSectionRowAndColumn) {
  const struct {
    const char16_t* name;
    int16_t section;
    const char16_t* row;
    int16_t column;
  } cases[] = {
      {u"Prop.P11", kSectionProperty, u"P11", kColumnValue},
      {u"user.IOType.VALUE", kSectionUser, u"IOType", kColumnValue},
      {u"Prop.DeviceTableRow12.Invisible", kSectionProperty, u"DeviceTableRow12",
       kColumnPropertyHidden},
      {u"User.U63.Prompt", kSectionUser, u"U63", kColumnUserPrompt},
  };
  for (const auto& c : cases) {
    const CellName name(c.name);
    EXPECT_TRUE(name.is_row_cell()) << ToUtf8(c.name);
    EXPECT_EQ(name.section(), c.section);
    EXPECT_EQ(name.row(), TextView(c.row));
    EXPECT_EQ(name.column(), c.column);
  }
  EXPECT_EQ(CellName(u"prop.p11").row_hash(), CellName(u"Prop.P11.Value").row_hash());
  EXPECT_NE(CellName(u"Prop.P11").row_hash(), CellName(u"User.P11").row_hash());
  EXPECT_FALSE(CellName(u"User.U63.Invisible").is_row_cell());  // a user row has no hidden flag
}

TEST(MemoryDrawing, ShapesInheritTheirMastersRowsUntilTheyWriteThem) {
  DrawingBuilder b(u"Plant.vsd");
  b.master(u"Controller").prop(u"P99", 1).prop(u"P11", u"CTL").user(u"AIDATA", u"1,2");
  b.page(u"Page-1").shape(u"A", u"Controller").shape(u"B", u"Controller");
  auto doc = b.build();
  MemoryShape& master = *doc->find_master(u"Controller");
  MemoryPage& page = *doc->find_page(u"Page-1");
  MemoryShape& a = *page.find_shape(u"A");
  MemoryShape& b_shape = *page.find_shape(u"B");

  EXPECT_TRUE(a.cell_exists(u"prop.p99"));
  EXPECT_FALSE(a.cell_exists_locally(u"prop.p99"));
  EXPECT_EQ(a.cell(u"Prop.P99").result_number(), 1);
  EXPECT_TRUE(static_cast<MemoryCell&>(a.cell(u"Prop.P99")).inherited());

  // Writing one cell of an inherited row copies the row; the master and B keep theirs.
  a.cell(u"Prop.P99").set_formula(u"5");
  EXPECT_TRUE(a.cell_exists_locally(u"Prop.P99"));
  EXPECT_EQ(a.cell(u"Prop.P99").result_number(), 5);
  EXPECT_EQ(master.cell(u"Prop.P99").result_number(), 1);
  EXPECT_EQ(b_shape.cell(u"Prop.P99").result_number(), 1);
  EXPECT_EQ(a.cell(u"Prop.P99.Invisible").result_text(kNoUnits), u"FALSE");  // copied with it

  // The master's later changes reach rows still inherited, not rows overridden.
  master.cell(u"Prop.P99").set_formula(u"7");
  master.cell(u"Prop.P11").set_formula(u"=\"NEW\"");
  EXPECT_EQ(a.cell(u"Prop.P99").result_number(), 5);
  EXPECT_EQ(b_shape.cell(u"Prop.P99").result_number(), 7);
  EXPECT_EQ(TextOf(a, u"Prop.P11"), u"NEW");
  EXPECT_EQ(TextOf(b_shape, u"Prop.P11"), u"NEW");

  // Only reads (including cell() without a write) leave the row inherited.
  EXPECT_FALSE(a.cell_exists_locally(u"Prop.P11"));
  EXPECT_EQ(TextOf(a, u"User.AIDATA"), u"1,2");
  EXPECT_FALSE(a.cell_exists_locally(u"User.AIDATA"));
}

// What both drawing adapters answer alike.
class DrawingPortTest : public ::testing::TestWithParam<testing::Adapter> {};
INSTANTIATE_TEST_SUITE_P(, DrawingPortTest, testing::kBothAdapters, testing::AdapterTestName);

// Two instances, S and T, of a master with two property rows and a user row.
std::shared_ptr<Document> TwoInstances(testing::Adapter adapter) {
  return testing::TestDrawing(u"Plant.vsd")
      .master(u"M")
      .prop(u"P11", u"x")
      .prop(u"P99", 1)
      .user(u"IOType", 2)
      .page(u"Page-1")
      .shape(u"S", u"M")
      .shape(u"T", u"M")
      .build(adapter);
}

TEST_P(DrawingPortTest, NamedRowsAreNumberedPerSectionAfterTheMastersRows) {
  auto doc = TwoInstances(GetParam());
  Shape& sheet = doc->document_sheet();
  Shapes& shapes = doc->pages().item(1).shapes();
  Shape& shape = shapes.item(u"S");
  Shape& other = shapes.item(u"T");

  EXPECT_EQ(sheet.add_named_row(kSectionProperty, u"DeviceTableRow1", 0), 0);
  EXPECT_EQ(sheet.add_named_row(kSectionProperty, u"DeviceTableRow2", 0), 1);
  EXPECT_EQ(sheet.add_named_row(kSectionUser, u"Mark", 0), 0);
  EXPECT_EQ(shape.add_named_row(kSectionProperty, u"P1A", 0), 2);
  EXPECT_EQ(shape.add_named_row(kSectionUser, u"U63", 0), 1);
  EXPECT_EQ(TextOf(shape, u"Prop.P1A"), u"");

  // A new property row is shown until its hidden flag (section 243, its row, column 6) is set.
  EXPECT_EQ(TextOf(sheet, u"Prop.DeviceTableRow2.Invisible"), u"FALSE");
  sheet.cell_src(kSectionProperty, 1, kColumnPropertyHidden).set_formula(u"=True");
  EXPECT_EQ(TextOf(sheet, u"prop.devicetablerow2.invisible"), u"TRUE");
  EXPECT_EQ(sheet.cell(u"Prop.DeviceTableRow1.Invisible").result_number(), 0);
  EXPECT_EQ(&sheet.cell_src(kSectionProperty, 1, kColumnValue),
            &sheet.cell(u"Prop.DeviceTableRow2"));
  EXPECT_EQ(&sheet.cell_src(kSectionUser, 0, kColumnValue), &sheet.cell(u"User.Mark"));

  // On a shape, the master's rows come first; writing through the index overrides locally, and
  // the master's other instances keep what they inherit.
  EXPECT_EQ(&shape.cell_src(kSectionProperty, 1, kColumnValue), &shape.cell(u"Prop.P99"));
  EXPECT_EQ(&shape.cell_src(kSectionProperty, 2, kColumnValue), &shape.cell(u"Prop.P1A"));
  shape.cell_src(kSectionProperty, 0, kColumnPropertyHidden).set_formula(u"TRUE");
  shape.cell_src(kSectionProperty, 1, kColumnValue).set_formula(u"7");
  EXPECT_EQ(shape.cell(u"Prop.P11.Invisible").result_number(), 1);
  EXPECT_EQ(TextOf(shape, u"Prop.P99"), u"7");
  EXPECT_EQ(TextOf(shape, u"Prop.P1A.Invisible"), u"FALSE");
  EXPECT_EQ(other.cell(u"Prop.P11.Invisible").result_number(), 0);
  EXPECT_EQ(TextOf(other, u"Prop.P99"), u"1");

  const struct {
    int16_t section, row, column;
  } missing[] = {{kSectionProperty, 3, 0}, {kSectionProperty, -1, 0}, {kSectionProperty, 0, 9},
                 {kSectionUser, 0, 6},     {kSectionUser, 2, 0},      {240, 0, 0}};
  for (const auto& m : missing)
    EXPECT_EQ(ErrorNumberOf([&] { shape.cell_src(m.section, m.row, m.column); }), he::kNoSuchCell)
        << m.section << "/" << m.row << "/" << m.column;

  // Row names: unique per section without regard to case (an inherited row counts), letters,
  // digits and "_" only.
  const struct {
    Shape* target;
    int16_t section;
    const char16_t* row;
    int32_t error;
  } refused[] = {
      {&shape, kSectionProperty, u"p99", he::kBadRowName},
      {&shape, kSectionProperty, u"P1A", he::kBadRowName},
      {&sheet, kSectionProperty, u"DeviceTableRow1", he::kBadRowName},
      {&shape, kSectionProperty, u"Bad Name", he::kBadRowName},
      {&sheet, kSectionUser, u"", he::kBadRowName},
      {&sheet, kSectionUser, u"A.B", he::kBadRowName},
      {&sheet, kSectionUser, u"A\"B", he::kBadRowName},
      {&sheet, 240, u"X", he::kBadSection},
      {&shape, 244, u"X", he::kBadSection},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(ToUtf8(r.row));
    EXPECT_EQ(ErrorNumberOf([&] { r.target->add_named_row(r.section, r.row, 0); }), r.error);
  }
  EXPECT_EQ(shape.add_named_row(kSectionUser, u"P99", 0), 2);  // the same name in another section
}

// Reading a number and writing a formula without a cell object answer and store what the cell
// object would: the same drawing written both ways reads back alike, a cell handed out earlier
// sees the write, and the failures are the same.
TEST_P(DrawingPortTest, WritesAndReadsWithoutACellObjectActAsTheCellDoes) {
  auto direct = TwoInstances(GetParam());
  auto through_cells = TwoInstances(GetParam());
  struct Write {
    const char16_t* shape;         // nullptr: the document sheet
    const char16_t* cell;          // by name, or
    int16_t section, row, column;  // by index when `cell` is null
    const char16_t* formula;
  };
  const Write writes[] = {
      {u"S", u"Prop.P11", 0, 0, 0, u"=\"X\""},  // inherited row: now the shape's own
      {u"S", u"prop.p99", 0, 0, 0, u"7"},
      {u"S", u"User.IOType", 0, 0, 0, u"TRUE"},
      {u"S", nullptr, kSectionProperty, 1, kColumnPropertyHidden, u"=True"},
      {u"T", u"Prop.P99.Invisible", 0, 0, 0, u"1"},
      {nullptr, u"Prop.DeviceTableRow1", 0, 0, 0, u"\"V1`A\""},
      {nullptr, nullptr, kSectionProperty, 0, kColumnPropertyHidden, u"TRUE"},
      {u"S", u"Prop.P99", 0, 0, 0, u""},
  };
  const auto shape_of = [](host::Document& doc, const char16_t* name) -> Shape& {
    return name ? doc.pages().item(1).shapes().item(name) : doc.document_sheet();
  };
  for (auto* doc : {direct.get(), through_cells.get()})
    doc->document_sheet().add_named_row(kSectionProperty, u"DeviceTableRow1", 0);
  Cell& earlier = shape_of(*direct, u"S").cell(u"Prop.P11");
  for (const Write& w : writes) {
    Shape& a = shape_of(*direct, w.shape);
    Shape& b = shape_of(*through_cells, w.shape);
    if (w.cell) {
      a.set_cell_formula(w.cell, w.formula);
      b.cell(w.cell).set_formula(w.formula);
    } else {
      a.set_cell_src_formula(w.section, w.row, w.column, w.formula);
      b.cell_src(w.section, w.row, w.column).set_formula(w.formula);
    }
  }
  EXPECT_EQ(earlier.result_text(kNoUnits), u"X");
  const struct {
    const char16_t* shape;
    const char16_t* cell;
  } reads[] = {{u"S", u"Prop.P11"},
               {u"S", u"Prop.P99"},
               {u"S", u"User.IOType"},
               {u"S", u"Prop.P99.Invisible"},
               {u"S", u"Prop.P11.Invisible"},
               {u"T", u"Prop.P99.Invisible"},
               {u"T", u"Prop.P11"},
               {nullptr, u"Prop.DeviceTableRow1"},
               {nullptr, u"Prop.DeviceTableRow1.Invisible"}};
  for (const auto& r : reads) {
    SCOPED_TRACE(ToUtf8(r.cell));
    Shape& a = shape_of(*direct, r.shape);
    Shape& b = shape_of(*through_cells, r.shape);
    EXPECT_EQ(TextOf(a, r.cell), TextOf(b, r.cell));
    EXPECT_EQ(a.cell_result_number(r.cell), b.cell(r.cell).result_number());
    EXPECT_EQ(a.cell(r.cell).formula(), b.cell(r.cell).formula());
    EXPECT_EQ(a.cell_exists_locally(r.cell), b.cell_exists_locally(r.cell));
  }
  EXPECT_EQ(TextOf(shape_of(*direct, u"S"), u"User.IOType"), u"TRUE");
  EXPECT_EQ(shape_of(*direct, u"S").cell_result_number(u"Prop.P99.Invisible"), 1);

  Shape& s = shape_of(*direct, u"S");
  EXPECT_EQ(ErrorNumberOf([&] { s.set_cell_formula(u"Prop.Nope", u"1"); }), he::kNoSuchCell);
  EXPECT_EQ(ErrorNumberOf([&] { s.cell_result_number(u"Prop.Nope"); }), he::kNoSuchCell);
  EXPECT_EQ(ErrorNumberOf([&] { s.set_cell_src_formula(kSectionProperty, 9, 0, u"1"); }),
            he::kNoSuchCell);
  EXPECT_EQ(ErrorNumberOf([&] { s.set_cell_formula(u"Prop.P11", u"=\"open"); }), he::kBadFormula);
  EXPECT_EQ(TextOf(s, u"Prop.P11"), u"X");  // a refused formula changes nothing
}

TEST_P(DrawingPortTest, FormulasGiveTheirResults) {
  const struct {
    const char16_t* formula;
    const char16_t* text;
    double number;
    int32_t whole;
  } cases[] = {
      {u"=\"Hello\"", u"Hello", 0, 0},
      {u"\"V1`R1`P`3\"", u"V1`R1`P`3", 0, 0},
      {u"=\"say \"hi\"\"", u"say \"hi\"", 0, 0},  // first to last quote, taken as it is
      {u"=\"Boiler \"2\"\"", u"Boiler \"2\"", 0, 0},
      {u"=\"\"", u"", 0, 0},
      {u"=\"12\"", u"12", 0, 0},  // a text reads 0 as a number, as the host's Result does
      {u"42", u"42", 42, 42},
      {u"-7", u"-7", -7, -7},
      {u"=-7.25", u"-7.25", -7.25, -7},
      {u"+3", u"3", 3, 3},
      {u"12.5", u"12.5", 12.5, 12},
      {u"=12.5", u"12.5", 12.5, 12},
      {u"-2.5", u"-2.5", -2.5, -2},
      {u" = 0.25 ", u"0.25", 0.25, 0},
      {u"1E3", u"1000", 1000, 1000},
      {u"=True", u"TRUE", 1, 1},
      {u"FALSE", u"FALSE", 0, 0},
      {u"", u"", 0, 0},
  };
  auto doc = testing::TestDrawing().page(u"P").shape(u"S").prop(u"X", u"before").build(GetParam());
  Cell& cell = doc->pages().item(1).shapes().item(1).cell(u"Prop.X");
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.formula));
    cell.set_formula(c.formula);
    // The in-memory drawing spells a formula back as it was written.
    if (GetParam() == testing::Adapter::kMemory) {
      EXPECT_EQ(cell.formula(), c.formula);
    }
    EXPECT_EQ(cell.result_text(kNoUnits), c.text);
    EXPECT_EQ(cell.result_text(Variant(Text())), c.text);
    EXPECT_EQ(cell.result_number(), c.number);
    EXPECT_EQ(cell.result_int(), c.whole);
  }

  cell.set_formula(u"=\"kept\"");
  for (const char16_t* bad : {u"abc", u"=\"open", u"=", u"12,5", u"1.2.3", u"=Prop.P11",
                              u"=Width*2", u"1E", u"--1", u".", u"\""}) {
    SCOPED_TRACE(ToUtf8(bad));
    try {
      cell.set_formula(bad);
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), he::kBadFormula);
      EXPECT_EQ(e.description(), u"#NAME?");
    }
    EXPECT_EQ(cell.result_text(kNoUnits), u"kept");
  }

  for (const Variant& units : {Variant(u"mm"), Variant(int16_t{65}), Variant(), Variant(kNull)})
    EXPECT_EQ(ErrorNumberOf([&] { cell.result_text(units); }), he::kBadUnits);
  cell.set_formula(u"1E+20");
  EXPECT_EQ(cell.result_text(kNoUnits), u"1E+20");
  EXPECT_EQ(cell.result_number(), 1e20);
  EXPECT_EQ(ErrorNumberOf([&] { cell.result_int(); }), err::kOverflow);
  cell.set_formula(u"3E10");
  EXPECT_EQ(ErrorNumberOf([&] { cell.result_int(); }), err::kOverflow);
}

TEST(MemoryDrawing, StoredValuesReadBackExactly) {
  auto doc = DrawingBuilder()
                 .shape(u"S")
                 .prop(u"T", u"a \"quoted\" text")
                 .prop(u"N", 2.5)
                 .prop(u"I", 3)
                 .user(u"F", true)
                 .build();
  Shape& shape = doc->pages().item(1).shapes().item(1);
  EXPECT_EQ(TextOf(shape, u"Prop.T"), u"a \"quoted\" text");
  EXPECT_EQ(shape.cell(u"Prop.T").formula(), u"=\"a \"quoted\" text\"");
  EXPECT_EQ(shape.cell(u"Prop.N").result_number(), 2.5);
  EXPECT_EQ(shape.cell(u"Prop.N").formula(), u"2.5");
  EXPECT_EQ(TextOf(shape, u"Prop.I"), u"3");
  EXPECT_EQ(shape.cell(u"User.F").result_int(), 1);
  EXPECT_EQ(ErrorNumberOf([&] {
              static_cast<MemoryCell&>(shape.cell(u"Prop.T")).set_value(Variant(Array{}));
            }),
            err::kTypeMismatch);
}

// Group members are on the page, found by name, but not counted among its shapes.
TEST(MemoryDrawing, NamesStayUniqueTheWayTheHostKeepsThemAndGroupMembersAreNotTopLevel) {
  DrawingBuilder b(u"Plant.vsd");
  b.master(u"Relay");
  b.page(u"Page-1")
      .shape(u"Relay")  // id 1
      .shape(u"Relay")  // id 2
      .shape(u"relay")  // id 3: names compare without regard to case
      .group(u"G")      // id 4
      .prop(u"P99", 1)
      .member(u"Relay")  // id 5
      .prop(u"P99", 2)
      .shape(u"A")           // id 6
      .shape(u"A.8")         // id 7
      .shape(u"A")           // id 8: A.8 is taken, so the next free number
      .shape(u"", u"Relay")  // id 9: an unnamed instance takes the master's name
      .shape(u"");           // id 10
  b.page(u"Page-1").page(u"");
  auto doc = b.build();
  MemoryPage& page = *doc->find_page(u"Page-1");
  Shapes& shapes = page.shapes();
  std::vector<Text> top;
  for (int16_t i = 1; i <= shapes.count(); ++i) top.push_back(shapes.item(i).name());
  EXPECT_EQ(top, (std::vector<Text>{u"Relay", u"Relay.2", u"relay.3", u"G", u"A", u"A.8", u"A.9",
                                    u"Relay.9", u"Sheet.10"}));
  EXPECT_EQ(static_cast<MemoryShapes&>(shapes).top_level()[6]->id(), 8);
  EXPECT_EQ(page.find_shape(u"G")->members()[0]->shape_name(), u"Relay.5");
  EXPECT_EQ(shapes.item(u"relay.5").cell(u"Prop.P99").result_number(), 2);
  EXPECT_EQ(&shapes.item(u"RELAY.2"), &shapes.item(2));
  EXPECT_EQ(ErrorNumberOf([&] { shapes.item(u"Nowhere"); }), he::kNotFound);

  Pages& pages = doc->pages();
  EXPECT_EQ(pages.count(), 3);
  EXPECT_EQ(pages.item(2).name(), u"Page-1.2");
  EXPECT_EQ(pages.item(3).name(), u"Page-3");
  EXPECT_EQ(&pages.item(u"PAGE-1.2"), &pages.item(2));
}

TEST(MemoryDrawing, PositionsAreCheckedAndCountsOverflowPast32767) {
  DrawingBuilder b(u"Big.vsd");
  b.page(u"Crowded");
  for (int i = 0; i < 32767; ++i) b.shape(u"S");
  auto doc = b.build();
  Pages& pages = doc->pages();
  Shapes& shapes = pages.item(1).shapes();
  EXPECT_EQ(shapes.count(), 32767);
  EXPECT_EQ(shapes.item(32767).name(), u"S.32767");

  doc->find_page(u"Crowded")->add_shape(u"One too many");
  EXPECT_EQ(ErrorNumberOf([&] { shapes.count(); }), err::kOverflow);

  for (int16_t bad : {int16_t{0}, int16_t{-1}})
    EXPECT_EQ(ErrorNumberOf([&] { shapes.item(bad); }), he::kBadIndex);
  EXPECT_EQ(ErrorNumberOf([&] { pages.item(int16_t{2}); }), he::kBadIndex);
  EXPECT_EQ(ErrorNumberOf([&] { pages.item(u"Missing"); }), he::kNotFound);
}

TEST(DrawingBuilder, BuildsWhatItsCallsSay) {
  // clang-format off
  auto doc = DrawingBuilder(u"Plant.vsd")
      .master(u"Controller").prop(u"P99", 1).prop(u"P11", u"")
      .page(u"Page-1")
      .shape(u"Relay").prop(u"P11", u"R1").prop(u"P99", 3).user(u"IOType", 2)
      .shape(u"Ctl", u"Controller").prop(u"P11", u"C1")
      .page(u"Page-2").group(u"G").member(u"Inner").prop(u"P99", 2)
      .document_sheet().prop(u"DeviceTableRowCount", 0).hidden()
      .build();
  // clang-format on
  ASSERT_EQ(doc->pages().count(), 2);
  Shapes& first = doc->pages().item(1).shapes();
  ASSERT_EQ(first.count(), 2);
  Shape& relay = first.item(1);
  EXPECT_EQ(TextOf(relay, u"Prop.P11"), u"R1");
  EXPECT_EQ(relay.cell(u"Prop.P99").result_int(), 3);
  EXPECT_EQ(relay.cell(u"User.IOType").result_number(), 2);
  EXPECT_EQ(relay.cell(u"Prop.P11.Invisible").result_number(), 0);
  auto& ctl = static_cast<MemoryShape&>(first.item(u"Ctl"));
  EXPECT_EQ(ctl.master(), doc->find_master(u"Controller"));
  EXPECT_EQ(TextOf(ctl, u"Prop.P11"), u"C1");
  EXPECT_TRUE(ctl.cell_exists_locally(u"Prop.P11"));
  EXPECT_FALSE(ctl.cell_exists_locally(u"Prop.P99"));
  EXPECT_EQ(ctl.cell(u"Prop.P99").result_number(), 1);
  EXPECT_EQ(doc->pages().item(2).shapes().count(), 1);
  EXPECT_EQ(doc->pages().item(2).shapes().item(u"Inner").cell(u"Prop.P99").result_number(), 2);
  Shape& sheet = doc->document_sheet();
  EXPECT_EQ(sheet.name(), u"TheDoc");
  EXPECT_EQ(sheet.cell(u"Prop.DeviceTableRowCount.Invisible").result_text(kNoUnits), u"TRUE");

  DrawingBuilder b;
  EXPECT_EQ(ErrorNumberOf([&] { b.prop(u"P11", u"x"); }), err::kInvalidArgument);
  EXPECT_EQ(ErrorNumberOf([&] { b.shape(u"S").member(u"M"); }), err::kInvalidArgument);
  EXPECT_EQ(ErrorNumberOf([&] { b.shape(u"S", u"No such master"); }), err::kInvalidArgument);
  EXPECT_EQ(ErrorNumberOf([&] { b.shape(u"T").hidden(); }), err::kInvalidArgument);
  EXPECT_EQ(ErrorNumberOf([&] { b.formula(u"Prop.Missing", u"1"); }), he::kNoSuchCell);
  b.prop(u"X", 1).formula(u"prop.x", u"=2.5");
  EXPECT_EQ(b.target().cell(u"Prop.X").result_number(), 2.5);
}

TEST_P(DrawingPortTest, TheDocumentTravelsInAVariantAndAnswersLateBoundCalls) {
  auto built = testing::TestDrawing(u"Plant.vsd")
                   .master(u"Relay")
                   .prop(u"P99", 2)
                   .prop(u"P11", u"")
                   .page(u"Page-1")
                   .shape(u"Relay", u"Relay")
                   .prop(u"P11", u"R1")
                   .document_sheet()
                   .prop(u"DeviceTableRowCount", 2)
                   .build(GetParam());
  const Variant passed{ObjectRef(built)};

  // As the library takes it from a caller.
  auto doc = bind::Conv<std::shared_ptr<Document>>::From(passed);
  ASSERT_EQ(doc.get(), built.get());
  EXPECT_EQ(doc->name(), u"Plant.vsd");
  EXPECT_EQ(doc->document_sheet().cell(u"Prop.DeviceTableRowCount").result_int(), 2);

  // As a macro walks it.
  Variant one(int16_t{1}), zero(int16_t{0}), page_name(u"Page-1"), cell_name(u"prop.p11"),
      inherited(u"Prop.P99"), empty_text(u"");
  const ObjectRef pages = Get(passed.object(), u"Pages").object();
  EXPECT_EQ(Get(pages, u"Count"), Variant(int16_t{1}));
  const ObjectRef page = Get(pages, u"Item", {&page_name}).object();
  EXPECT_EQ(Get(page, u"Name"), Variant(u"Page-1"));
  const ObjectRef shapes = Get(page, u"Shapes").object();
  const ObjectRef shape = Get(shapes, u"Item", {&one}).object();
  EXPECT_EQ(Get(shape, u"Name"), Variant(u"Relay"));
  EXPECT_EQ(Get(shape, u"CellExists", {&cell_name, &zero}), Variant(int16_t{-1}));
  EXPECT_EQ(Get(shape, u"CellExists", {&cell_name, &one}), Variant(int16_t{-1}));
  EXPECT_EQ(Get(shape, u"CellExists", {&inherited, &zero}), Variant(int16_t{-1}));
  EXPECT_EQ(Get(shape, u"CellExists", {&inherited, &one}), Variant(int16_t{0}));
  const ObjectRef cell = Get(shape, u"Cells", {&cell_name}).object();
  EXPECT_EQ(Get(cell, u"ResultStr", {&empty_text}), Variant(u"R1"));
  Let(cell, u"FormulaU", Variant(u"=\"R2\""));
  EXPECT_EQ(testing::ConstantOf(ToText(Get(cell, u"Formula"))), testing::ConstantOf(u"=\"R2\""));
  EXPECT_EQ(TextOf(doc->pages().item(1).shapes().item(1), u"Prop.P11"), u"R2");

  Variant user_section(kSectionUser), row_name(u"U63");
  EXPECT_EQ(Call(shape, u"AddNamedRow", {&user_section, &row_name, &zero}), Variant(int16_t{0}));
  Variant missing(u"Prop.Nope");
  EXPECT_EQ(Get(shape, u"CellExists", {&missing, &zero}), Variant(int16_t{0}));
  EXPECT_EQ(ErrorNumberOf([&] { Get(shape, u"Cells", {&missing}); }), he::kNoSuchCell);
  EXPECT_EQ(ErrorNumberOf([&] { Get(shape, u"Cells"); }), err::kArgumentNotOptional);
  EXPECT_EQ(ErrorNumberOf([&] { Get(shape, u"Delete"); }), err::kMemberNotSupported);

  // A part handed out keeps the whole drawing alive.
  built.reset();
  doc.reset();
  EXPECT_EQ(DefaultValue(cell), Variant(0.0));
  EXPECT_EQ(Get(cell, u"ResultStr", {&zero}), Variant(u"R2"));
}

TEST_P(DrawingPortTest, PagesAnswerTheirSizeAndShapesTheirPlaceFromTheMasterOrTheirOwn) {
  const auto doc = testing::TestDrawing()
                       .master(u"Box")
                       .cell(u"Width", 2)
                       .cell(u"Height", 1)
                       .page(u"Small")
                       .page_size(16.5, 11.7)
                       .shape(u"A", u"Box")
                       .cell(u"PinX", 3)
                       .cell(u"PinY", 4)
                       .shape(u"B", u"Box")
                       .cell(u"Width", 0.5)
                       .page(u"Default")
                       .build(GetParam());
  Page& small = doc->pages().item(1);
  EXPECT_DOUBLE_EQ(small.page_sheet().cell(u"PageWidth").result_number(), 16.5);
  EXPECT_DOUBLE_EQ(small.page_sheet().cell(u"pageheight").result_number(), 11.7);
  Shape& default_sheet = doc->pages().item(2).page_sheet();
  EXPECT_DOUBLE_EQ(default_sheet.cell(u"PageWidth").result_number(), 11);
  EXPECT_DOUBLE_EQ(default_sheet.cell(u"PageHeight").result_number(), 8.5);

  Shape& a = small.shapes().item(1);
  Shape& b = small.shapes().item(2);
  EXPECT_DOUBLE_EQ(a.cell(u"PinX").result_number(), 3);
  EXPECT_DOUBLE_EQ(a.cell(u"PinY").result_number(), 4);
  EXPECT_DOUBLE_EQ(a.cell(u"Width").result_number(), 2);  // the master's
  EXPECT_DOUBLE_EQ(b.cell(u"Width").result_number(), 0.5);
  EXPECT_DOUBLE_EQ(b.cell(u"Height").result_number(), 1);
  EXPECT_FALSE(a.cell_exists(u"PageWidth"));
  EXPECT_FALSE(a.cell_exists(u"BeginX"));

  const Variant sheet = Get(doc->ref(small), u"PageSheet");
  Variant name(u"PageWidth");
  EXPECT_EQ(Get(Get(sheet.object(), u"Cells", {&name}).object(), u"ResultIU"), Variant(16.5));
}

TEST(MemoryDrawing, ShapeCellsInheritFromTheMasterAndOnlyTwoDimensionalOnesAlwaysExist) {
  const auto doc = MemoryDocument::Create(u"D.vsd");
  MemoryShape& master = doc->add_master(u"Box");
  master.set_cell(kSectionObject, u"Width", 3.0);
  MemoryShape& shape = doc->add_page(u"P").add_shape(u"S", &master);
  EXPECT_DOUBLE_EQ(shape.cell(u"width").result_number(), 3.0);
  EXPECT_TRUE(shape.cell_exists(u"PinY"));
  EXPECT_DOUBLE_EQ(shape.cell(u"PinY").result_number(), 0);
  EXPECT_FALSE(shape.cell_exists(u"EndY"));
  EXPECT_EQ(ErrorNumberOf([&] { shape.cell(u"EndY"); }), he::kNoSuchCell);
  shape.cell(u"Width").set_formula(u"1.5");
  EXPECT_DOUBLE_EQ(shape.cell(u"Width").result_number(), 1.5);
  EXPECT_DOUBLE_EQ(master.cell(u"Width").result_number(), 3.0);
  EXPECT_EQ(shape.row_count(kSectionProperty), 0);  // shape cells are no rows of a section
}

}  // namespace
}  // namespace kvpw::host
