// One drawing, built once in memory and once as a .vsdx file, must give the same device list,
// pickers, findings and marks: nothing in the library may depend on the drawing adapter.
#include <gtest/gtest.h>

#include "frame/pw2.h"
#include "host/drawing_builder.h"
#include "host/memory_controls.h"
#include "host/vsdx/vsdx_drawing.h"
#include "host/vsdx/vsdx_writer.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;

template <class Builder>
std::shared_ptr<host::Document> MakePlant(Builder w) {
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
  return w.build();
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

  host::Pages& pages = doc->pages();
  const host::CellName mark(u"User.U63");
  for (int16_t p = 1; p <= pages.count(); ++p) {
    host::Shapes& shapes = pages.item(p).shapes();
    for (int16_t s = 1; s <= shapes.count(); ++s) {
      host::Shape& shape = shapes.item(s);
      out.marks.push_back(shape.name() + u"=" +
                          (shape.cell_exists(mark) ? shape.cell(mark).result_text(0) : u"-"));
    }
  }
  return out;
}

TEST(BothDrawingAdapters, GiveTheSameDeviceListPickersFindingsAndMarks) {
  const Outcome memory = RunEverything(MakePlant(host::DrawingBuilder(u"plant.vsdx")));
  const Outcome vsdx = RunEverything(MakePlant(host::VsdxWriter(u"plant.vsdx")));

  // What the drawing holds, so that equal outcomes cannot both be empty.
  ASSERT_EQ(memory.device_rows.size(), 4u);
  EXPECT_EQ(memory.pickers[0], (std::vector<Text>{u"GCM-1", u"GCM-3", u"LNC-1", u"SF-1-R"}));
  EXPECT_EQ(memory.pickers[1], (std::vector<Text>{u"GCM-1", u"GCM-3"}));
  EXPECT_EQ(memory.pickers[2], (std::vector<Text>{u"GCM-1"}));
  EXPECT_EQ(memory.pickers[3], (std::vector<Text>{u"0", u"1", u"20"}));
  ASSERT_GE(memory.boxes.size(), 5u);
  EXPECT_EQ(memory.boxes[0].title, u"Update Complete");
  EXPECT_EQ(memory.boxes[1].title, u"Conflicting Addresses");
  EXPECT_EQ(memory.boxes[2].text,
            u"Shape RAT-SP is connected to an invalid point.  The shape has been turned blue.");

  EXPECT_EQ(vsdx.device_rows, memory.device_rows);
  EXPECT_EQ(vsdx.pickers, memory.pickers);
  EXPECT_EQ(vsdx.boxes, memory.boxes);
  EXPECT_EQ(vsdx.marks, memory.marks);
}

TEST(BothDrawingAdapters, ASavedDrawingReopensWithItsDeviceListAndMarks) {
  testing::TempDir dir;
  const auto doc = MakePlant(host::VsdxWriter(u"plant.vsdx"));
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
  host::Shapes& shapes = reopened->pages().item(1).shapes();
  EXPECT_EQ(shapes.item(4).cell(host::CellName(u"User.U63")).result_text(0), u"4");
}

}  // namespace
}  // namespace kvpw
