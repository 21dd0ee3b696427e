// One drawing, built in memory and as a .vsdx file, gives the same device list, pickers,
// findings and marks: nothing in the library may depend on the drawing adapter.
#include <gtest/gtest.h>

#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/vsdx/vsdx_drawing.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using testing::Adapter;
using testing::TestDrawing;

TestDrawing Plant() {
  TestDrawing w(u"plant.vsdx");
  w.master(u"Controller").prop(u"P99", int16_t{1}).prop(u"P11", u"").prop(u"P12", u"");
  w.master(u"Point").prop(u"P15", u"None").prop(u"P16", u"").prop(u"P17", u"");
  w.page(u"AHU-1");
  w.shape(u"", u"Controller").prop(u"P11", u"GCM-1").prop(u"P12", u"AVL-GCM2000");
  w.prop(u"P1A", u"1:1:0:0:0").user(u"AIDATA", u"UI1,UI2").user(u"DODATA", u"DO1");
  w.shape(u"Relay").prop(u"P99", int16_t{2}).prop(u"P11", u"SF-1-R").prop(u"P12", u"BRE-1C-24A");
  w.shape(u"", u"Point").prop(u"P11", u"SAT").prop(u"P15", u"GCM-1").prop(u"P17", u"UI1");
  w.user(u"IOType", int16_t{1}).user(u"U63", u"");
  w.shape(u"", u"Point").prop(u"P11", u"RAT-SP").prop(u"P15", u"GCM-1").prop(u"P17", u"AO1");
  w.user(u"IOType", int16_t{2}).user(u"U63", u"");
  w.group(u"Legend").member(u"Inner", u"Controller").prop(u"P11", u"HIDDEN-IN-GROUP");
  w.page(u"Exhaust");
  w.shape(u"", u"Controller").prop(u"P11", u"GCM-3").prop(u"P12", u"AVL-GCM2000");
  w.prop(u"P1A", u"1:1:0:0:0").user(u"AIDATA", u",,");
  w.shape(u"", u"Controller").prop(u"P11", u"LNC-1").prop(u"P12", u"AVL-LNC1628");
  w.prop(u"P1A", u"1:20:5");
  w.shape(u"", u"Point").prop(u"P11", u"EF-1-S").prop(u"P15", u"GCM-9").prop(u"P17", u"UI1");
  w.user(u"IOType", int16_t{3}).user(u"U63", u"");
  return w;
}

// Everything the operations leave behind that a user could see.
struct Outcome {
  std::vector<Box> boxes;
  std::vector<Text> device_rows;
  std::vector<std::vector<Text>> pickers;
  std::vector<Text> marks;
  bool operator==(const Outcome&) const = default;
};

std::vector<Text> Items(host::MemoryListControl& list) {
  std::vector<Text> items;
  for (int32_t r = 0; r < list.list_count(); ++r) items.push_back(ToText(list.column(0, r)));
  return items;
}

// Each top-level shape's mark, "-" where it has no mark cell.
std::vector<Text> Marks(host::Document& doc) {
  std::vector<Text> marks;
  host::Pages& pages = doc.pages();
  const host::CellName mark(u"User.U63");
  for (int16_t p = 1; p <= pages.count(); ++p) {
    host::Shapes& shapes = pages.item(p).shapes();
    for (int16_t s = 1; s <= shapes.count(); ++s) {
      host::Shape& shape = shapes.item(s);
      marks.push_back(shape.name() + u"=" +
                      (shape.cell_exists(mark) ? shape.cell(mark).result_text(0) : u"-"));
    }
  }
  return marks;
}

Outcome RunEverything(const std::shared_ptr<host::Document>& doc) {
  testing::TestPlatform test = testing::MakeTestPlatform();
  Pw2 pw2(test.platform);
  const Text parts = FromUtf8((testing::ExamplesDir() / "parts.mdb").string());
  pw2.Initialize(parts, parts);
  Outcome out;
  pw2.UpdateDeviceList(doc, false);

  host::Shape& sheet = doc->document_sheet();
  const int32_t rows = sheet.cell(host::CellName(u"Prop.DeviceTableRowCount")).result_int();
  for (int32_t i = 1; i <= rows; ++i)
    out.device_rows.push_back(
        sheet.cell(host::CellName(u"Prop.DeviceTableRow" + IntegerText(i))).result_text(0));

  auto list = std::make_shared<host::MemoryListBox>(u"lst");
  pw2.GetAllDeviceNames(list, doc);
  out.pickers.push_back(Items(*list));
  pw2.GetDeviceNamesByNetwork(list, 1, u"1:1", doc);
  out.pickers.push_back(Items(*list));
  pw2.GetPTDeviceNames(list, u"AI", doc);
  out.pickers.push_back(Items(*list));
  auto network = std::make_shared<host::MemoryComboBox>(u"n");
  auto gcm = std::make_shared<host::MemoryComboBox>(u"g");
  pw2.PopulateComboGCM(network, gcm, doc);
  out.pickers.push_back(Items(*gcm));

  pw2.CheckForDuplicateAddresses(doc, parts);
  pw2.CheckForInvalidPointTypes(2, 1, doc, parts, parts);
  pw2.CheckForInvalidPointConnections(2, 1, doc, parts);
  out.boxes = test.boxes->boxes();

  out.marks = Marks(*doc);
  return out;
}

class BothDrawingAdapters : public ::testing::TestWithParam<Adapter> {};

// Master instances whose device cells are inherited, a group member that is not a device, and
// every operation run one after the other on the same drawing.
TEST_P(BothDrawingAdapters, MasterInstancesThroughEveryOperation) {
  const Outcome out = RunEverything(Plant().build(GetParam()));
  EXPECT_EQ(out.device_rows, (std::vector<Text>{
                                 u"V1`GCM-1`AVL-GCM2000`1`UI1,UI2`,,`,,`DO1`1:1:0:0:0",
                                 u"V1`GCM-3`AVL-GCM2000`1`,,`,,`,,`,,`1:1:0:0:0",
                                 u"V1`LNC-1`AVL-LNC1628`1`,,`,,`,,`,,`1:20:5",
                                 u"V1`SF-1-R`BRE-1C-24A`2`,,`,,`,,`,,`0:0:0:0:0",
                             }));
  EXPECT_EQ(out.pickers, (std::vector<std::vector<Text>>{
                             {u"GCM-1", u"GCM-3", u"LNC-1", u"SF-1-R"},
                             {u"GCM-1", u"GCM-3"},
                             {u"GCM-1"},
                             {u"0", u"1", u"20"},
                         }));
  const std::vector<Box> boxes = {
      {u"4 Devices found.", 64, u"Update Complete"},
      {u"GCM-1 [GCM:1:1:0:0:0 On plant.vsdx:AHU-1]\n\rconflicts with \n\r"
       u"GCM-3 [GCM:1:1:0:0:0 On plant.vsdx:Exhaust]",
       64, u"Conflicting Addresses"},
      {u"Shape RAT-SP is connected to an invalid point.  The shape has been turned blue.", 64,
       u"Error Found"},
      {u"Check for invalid point types finished.  There were 1 errors found.", 64, u"Completed"},
      {u"Shape EF-1-S does not have a valid point connection.\n\rThe shape has been turned green.",
       64, u"Error Found"},
      {u"Missing Point Connections finished.  There were 1 errors found.", 64, u"Completed"},
  };
  EXPECT_EQ(out.boxes, boxes);
  EXPECT_EQ(out.marks,
            (std::vector<Text>{u"Controller=-", u"Relay=-", u"Point=", u"Point.4=4", u"Legend=-",
                               u"Controller=-", u"Controller.2=-", u"Point=3"}));
}

// Names as the application keeps them: unique on their page (pages in their document) without
// regard to case, a taken name followed by "." and the shape's (page's) number, an unnamed
// instance named after its master, any other unnamed shape "Sheet.<ID>".
TEST_P(BothDrawingAdapters, NameShapesAndPagesAlike) {
  const auto doc = TestDrawing(u"Names.vsd")
                       .master(u"Valve")
                       .prop(u"P11", u"")
                       .page(u"")
                       .shape(u"", u"Valve")
                       .shape(u"", u"valve")
                       .shape(u"Pump")
                       .shape(u"PUMP")
                       .shape(u"")
                       .group(u"Pump.5")
                       .member(u"pump")
                       .member(u"", u"Valve")
                       .shape(u"Pump.7")
                       .page(u"Page-1")
                       .page(u"")
                       .shape(u"Pump")
                       .page(u"Page-3")
                       .build(GetParam());
  std::vector<Text> names;
  for (int16_t p = 1; p <= doc->pages().count(); ++p) {
    host::Page& page = doc->pages().item(p);
    names.push_back(page.name() + u":");
    for (int16_t s = 1; s <= page.shapes().count(); ++s)
      names.back() += u" " + page.shapes().item(s).name();
  }
  EXPECT_EQ(names, (std::vector<Text>{
                       u"Page-1: Valve Valve.2 Pump PUMP.4 Sheet.5 Pump.5 Pump.7.9",
                       u"Page-1.2:",
                       u"Page-3: Pump",
                       u"Page-3.4:",
                   }));
  // Members are found by name, though they are not top-level shapes.
  host::Shapes& first = doc->pages().item(1).shapes();
  EXPECT_EQ(first.item(u"PUMP.7").name(), u"pump.7");
  EXPECT_EQ(first.item(u"valve.8").cell(u"Prop.P11").result_text(Text()), u"");
}

// An instance reads its master's rows until it writes them; a row it writes keeps the master's
// hidden flag unless it sets its own.
TEST_P(BothDrawingAdapters, InstancesOverrideTheRowsTheyWrite) {
  const auto doc = TestDrawing()
                       .master(u"M")
                       .prop(u"A", u"ma")
                       .hidden()
                       .prop(u"B", 7)
                       .page(u"P")
                       .shape(u"S", u"M")
                       .prop(u"A", u"sa")
                       .hidden(false)
                       .shape(u"T", u"M")
                       .prop(u"B", 8)
                       .prop(u"A", u"ta")
                       .build(GetParam());
  host::Shapes& shapes = doc->pages().item(1).shapes();
  const struct {
    const char16_t* shape;
    const char16_t* cell;
    const char16_t* result;
  } cases[] = {
      {u"S", u"Prop.A", u"sa"}, {u"S", u"Prop.A.Invisible", u"FALSE"},
      {u"S", u"Prop.B", u"7"},  {u"S", u"Prop.B.Invisible", u"FALSE"},
      {u"T", u"Prop.A", u"ta"}, {u"T", u"Prop.A.Invisible", u"TRUE"},
      {u"T", u"Prop.B", u"8"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(shapes.item(c.shape).cell(c.cell).result_text(Text()), c.result)
        << ToUtf8(c.shape) << " " << ToUtf8(c.cell);
}

INSTANTIATE_TEST_SUITE_P(, BothDrawingAdapters, testing::kBothAdapters, testing::AdapterTestName);

TEST(VsdxDrawing, ASavedDrawingReopensWithItsDeviceListAndMarks) {
  testing::TempDir dir;
  const auto doc = Plant().build(Adapter::kVsdx);
  const Outcome before = RunEverything(doc);
  host::SaveVsdx(*doc, dir.path() / "plant.vsdx");
  const auto reopened = host::OpenVsdx(dir.path() / "plant.vsdx");
  host::Shape& sheet = reopened->document_sheet();
  ASSERT_EQ(sheet.cell(host::CellName(u"Prop.DeviceTableRowCount")).result_int(),
            static_cast<int32_t>(before.device_rows.size()));
  for (size_t i = 0; i < before.device_rows.size(); ++i)
    EXPECT_EQ(
        sheet.cell(host::CellName(u"Prop.DeviceTableRow" + IntegerText(i + 1))).result_text(0),
        before.device_rows[i]);
  auto list = std::make_shared<host::MemoryListBox>(u"lst");
  Pw2(testing::MakeTestPlatform().platform).GetAllDeviceNames(list, reopened);
  EXPECT_EQ(Items(*list), before.pickers[0]);
  EXPECT_EQ(Marks(*reopened), before.marks);
}

}  // namespace
}  // namespace kvpw
