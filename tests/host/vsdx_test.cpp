#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "frame/error.h"
#include "host/memory_drawing.h"
#include "host/vsdx/package.h"
#include "host/vsdx/vsdx_drawing.h"
#include "host/vsdx/vsdx_writer.h"
#include "host/vsdx/vsdx_xml.h"
#include "testing/support.h"

namespace kvpw::host {
namespace {

namespace fs = std::filesystem;
namespace he = host_error;
using testing::ErrorNumberOf;
using testing::TempDir;
using vsdx::kFileError;

const Variant kNoUnits{int16_t{0}};
constexpr char kPage1[] = "visio/pages/page1.xml";

Text TextOf(Shape& shape, const CellName& name) {
  return shape.cell(name).result_text(kNoUnits);
}

// A cell of a shape, its text and its number.
struct CellCase {
  Shape* shape;
  const char16_t* cell;
  const char16_t* text;
  double number;
};
void ExpectCells(const std::vector<CellCase>& cases) {
  for (const CellCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.cell));
    ASSERT_TRUE(c.shape->cell_exists(c.cell));
    EXPECT_EQ(TextOf(*c.shape, c.cell), c.text);
    EXPECT_DOUBLE_EQ(c.shape->cell(c.cell).result_number(), c.number);
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// Every entry of a zip file: its CRC, compressed size and inflated bytes.
struct ZipEntry {
  uint32_t crc = 0;
  uint64_t compressed_size = 0;
  std::string content;
  bool operator==(const ZipEntry&) const = default;
};
std::map<std::string, ZipEntry> ReadZip(const fs::path& file) {
  int error = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &error);
  EXPECT_NE(z, nullptr) << file;
  std::map<std::string, ZipEntry> entries;
  if (!z) return entries;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, i, 0, &st);
    ZipEntry& e = entries[st.name];
    e.crc = st.crc;
    e.compressed_size = st.comp_size;
    e.content.resize(st.size);
    zip_file_t* f = zip_fopen_index(z, i, 0);
    zip_fread(f, e.content.data(), st.size);
    zip_fclose(f);
  }
  zip_discard(z);
  return entries;
}

// Writes a zip with libzip; `prepare` may change an entry after it is added.
struct NewEntry {
  std::string name;
  std::string content;
  int32_t method = ZIP_CM_DEFLATE;
  bool encrypted = false;
};
void WriteZip(const fs::path& file, const std::vector<NewEntry>& entries) {
  int error = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(z, nullptr);
  for (const NewEntry& e : entries) {
    zip_source_t* s = zip_source_buffer(z, e.content.data(), e.content.size(), 0);
    const zip_int64_t index = zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_RAW);
    ASSERT_GE(index, 0) << e.name;
    zip_set_file_compression(z, index, e.method, 0);
    if (e.encrypted) {
      ASSERT_EQ(zip_file_set_encryption(z, index, ZIP_EM_AES_256, "secret"), 0);
    }
  }
  ASSERT_EQ(zip_close(z), 0);
}

// The parts of a small generated drawing, to be altered by a test.
std::vector<NewEntry> DrawingParts() {
  vsdx::Package package = VsdxWriter(u"Small.vsdx")
                              .master(u"Device")
                              .prop(u"P99", 1)
                              .page(u"Page-1")
                              .shape(u"Relay")
                              .prop(u"P11", u"R1")
                              .package();
  std::vector<NewEntry> parts;
  for (const std::string& name : package.PartNames())
    parts.push_back(NewEntry{name, package.Read(name)});
  return parts;
}

std::shared_ptr<vsdx::VsdxDocument> WithPage(vsdx::Package package, std::string page_xml) {
  package.Write(kPage1, std::move(page_xml));
  return vsdx::VsdxDocument::Load(std::move(package), u"Edited.vsdx");
}

// The description of the file error `body` raises.
Text FileErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), kFileError);
    return e.description();
  }
  ADD_FAILURE() << "no error";
  return u"";
}

std::optional<fs::path> SharedDrawing(const char* name) {
  const char* shared = std::getenv("KVPW_SHARED");
  if (!shared) return std::nullopt;
  const fs::path file = fs::path(shared) / "testdata" / "vsdx" / name;
  if (!fs::exists(file)) return std::nullopt;
  return file;
}

std::vector<Text> ShapeNames(Page& page) {
  std::vector<Text> names;
  Shapes& shapes = page.shapes();
  for (int16_t i = 1; i <= shapes.count(); ++i) names.push_back(shapes.item(i).name());
  return names;
}

// A drawing that exercises names, masters, groups and the document sheet, saved to a file.
VsdxWriter SampleWriter() {
  VsdxWriter w(u"Plant.vsdx");
  w.master(u"Controller").prop(u"P99", 1).hidden().prop(u"P11", u"").user(u"AIDATA", u"1,2");
  w.master(u"Point").prop(u"P16", u"").prop(u"P17", u"");
  w.page(u"Controllers")
      .shape(u"Relay")
      .prop(u"P11", u"R1")
      .prop(u"P12", u"RLY-24")
      .user(u"IOType", 2)
      .shape(u"", u"Controller")
      .prop(u"P11", u"C1")
      .shape(u"C2", u"Controller")
      .shape()
      .group(u"Panel")
      .member(u"Inner", u"Point")
      .prop(u"P17", u"AI1");
  w.page(u"Field").shape(u"Sensor").prop(u"P1A", u"1:2:3").prop(u"Flag", true).prop(u"Scale", 2.5);
  w.document_sheet().prop(u"DeviceTableRowCount", 0).hidden();
  return w;
}

TEST(VsdxDrawing, PagesShapesAndNamesReadBackFromTheFile) {
  TempDir dir;
  const fs::path file = dir.path() / "plant.vsdx";
  SampleWriter().save(file);
  const std::pair<std::shared_ptr<Document>, Text> documents[] = {
      {SampleWriter().build(), u"Plant.vsdx"}, {OpenVsdx(file), u"plant.vsdx"}};
  for (const auto& [doc, name] : documents) {
    EXPECT_EQ(doc->name(), name);
    Pages& pages = doc->pages();
    ASSERT_EQ(pages.count(), 2);
    EXPECT_EQ(pages.item(1).name(), u"Controllers");
    EXPECT_EQ(pages.item(2).name(), u"Field");
    EXPECT_EQ(&pages.item(u"FIELD"), &pages.item(2));
    Page& page = pages.item(1);
    // Shape 2 is an unnamed instance (named after its master), shape 4 an unnamed plain shape;
    // group members are not
    // top-level but are found by name.
    EXPECT_EQ(ShapeNames(page),
              (std::vector<Text>{u"Relay", u"Controller", u"C2", u"Sheet.4", u"Panel"}));
    Shape& inner = page.shapes().item(u"inner");
    EXPECT_EQ(inner.name(), u"Inner");
    EXPECT_EQ(TextOf(inner, u"Prop.P17"), u"AI1");
    EXPECT_EQ(&page.shapes().item(u"controller"), &page.shapes().item(2));
    EXPECT_EQ(doc->document_sheet().name(), u"TheDoc");

    EXPECT_EQ(ErrorNumberOf([&] { pages.item(3); }), he::kBadIndex);
    EXPECT_EQ(ErrorNumberOf([&] { pages.item(int16_t{0}); }), he::kBadIndex);
    EXPECT_EQ(ErrorNumberOf([&] { pages.item(u"Nowhere"); }), he::kNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { page.shapes().item(6); }), he::kBadIndex);
    EXPECT_EQ(ErrorNumberOf([&] { page.shapes().item(u"Sheet.99"); }), he::kNotFound);
  }
}

// Pages are read on several threads, each keeping its shapes' rows apart: every shape must read
// its own rows, those of a sheet with too many rows to walk included, and its master's.
TEST(VsdxDrawing, ManyPagesReadTogetherKeepEachShapesOwnRows) {
  constexpr int kPages = 12, kShapes = 100, kRows = 40;
  const auto value = [](int page, int shape, int row) {
    return u"v" + IntegerText(page) + u"." + IntegerText(shape) + u"." + IntegerText(row);
  };
  VsdxWriter w(u"Many.vsdx");
  w.master(u"Device").prop(u"Kind", u"device");
  for (int p = 1; p <= kPages; ++p) {
    w.page(u"P" + IntegerText(p));
    for (int s = 1; s <= kShapes; ++s) {
      w.shape(u"S" + IntegerText(s), u"Device");
      // The first shape of each page has enough rows to be indexed by name.
      for (int r = 1; r <= (s == 1 ? kRows : 3); ++r) w.prop(u"R" + IntegerText(r), value(p, s, r));
    }
  }
  TempDir dir;
  const fs::path file = dir.path() / "many.vsdx";
  w.save(file);
  const std::shared_ptr<Document> doc = OpenVsdx(file);
  ASSERT_EQ(doc->pages().count(), kPages);
  for (int p = 1; p <= kPages; ++p) {
    Shapes& shapes = doc->pages().item(static_cast<int16_t>(p)).shapes();
    ASSERT_EQ(shapes.count(), kShapes);
    for (int s = 1; s <= kShapes; ++s) {
      Shape& shape = shapes.item(static_cast<int16_t>(s));
      SCOPED_TRACE(ToUtf8(value(p, s, 0)));
      EXPECT_EQ(TextOf(shape, u"Prop.Kind"), u"device");
      for (int r = 1; r <= (s == 1 ? kRows : 3); ++r)
        EXPECT_EQ(TextOf(shape, u"Prop.R" + IntegerText(r)), value(p, s, r));
      EXPECT_FALSE(shape.cell_exists(u"Prop.R" + IntegerText(s == 1 ? kRows + 1 : 4)));
    }
  }
}

// Look-ups by name ignore letter case (Latin-1 letters too) and reach group members, also when
// names differ only in case (the writer then makes them unique, as the application does).
TEST(VsdxDrawing, ShapesByNameIgnoreCaseAndReachMembers) {
  TempDir dir;
  const fs::path file = dir.path() / "names.vsdx";
  VsdxWriter w(u"Names.vsdx");
  w.page(u"Page-1")
      .group(u"Box")
      .member(u"Twin")
      .prop(u"P11", u"member")
      .shape(u"twin")
      .prop(u"P11", u"second")
      .shape(u"\u00c4mne")
      .prop(u"P11", u"latin")
      .group(u"Other")
      .member(u"Deep")
      .prop(u"P11", u"deep");
  w.save(file);
  const auto doc = OpenVsdx(file);
  Shapes& shapes = doc->pages().item(1).shapes();
  const struct {
    Text name, p11;
  } cases[] = {
      {u"tWIN", u"member"}, {u"TWIN.3", u"second"}, {u"\u00e4MNE", u"latin"}, {u"deep", u"deep"}};
  for (const auto& c : cases) EXPECT_EQ(TextOf(shapes.item(c.name), u"Prop.P11"), c.p11);
  for (const Text name : {u"Twins", u"Twin.2", u"Amne"})
    EXPECT_EQ(ErrorNumberOf([&] { shapes.item(name); }), he::kNotFound) << ToUtf8(name);
}

TEST(VsdxDrawing, CellsReadTheirValuesAndInheritFromTheMaster) {
  auto doc = SampleWriter().build();
  Shapes& shapes = doc->pages().item(1).shapes();
  Shape& relay = shapes.item(u"Relay");
  Shape& c1 = shapes.item(u"Controller");
  Shape& c2 = shapes.item(u"C2");
  Shape& sensor = doc->pages().item(2).shapes().item(1);

  ExpectCells({
      {&relay, u"Prop.P11", u"R1", 0},
      {&relay, u"prop.p12.VALUE", u"RLY-24", 0},
      {&relay, u"User.IOType", u"2", 2},
      {&c1, u"Prop.P11", u"C1", 0},               // overridden Value
      {&c1, u"Prop.P11.Invisible", u"FALSE", 0},  // the rest of the row still inherited
      {&c1, u"Prop.P99", u"1", 1},                // inherited row
      {&c1, u"Prop.P99.Invisible", u"TRUE", 1},
      {&c1, u"User.AIDATA", u"1,2", 0},
      {&c2, u"Prop.P11", u"", 0},  // the master's empty text
      {&sensor, u"Prop.P1A", u"1:2:3", 0},
      {&sensor, u"Prop.Flag", u"TRUE", 1},
      {&sensor, u"Prop.Scale", u"2.5", 2.5},
      {&doc->document_sheet(), u"Prop.DeviceTableRowCount", u"0", 0},
      {&doc->document_sheet(), u"Prop.DeviceTableRowCount.Invisible", u"TRUE", 1},
  });
  EXPECT_EQ(&c1.cell(u"prop.P99"), &c1.cell(u"Prop.p99.value"));
  EXPECT_NE(&c1.cell(u"Prop.P99"), &c2.cell(u"Prop.P99"));
  EXPECT_EQ(sensor.cell(u"Prop.Scale").result_int(), 2);
  EXPECT_EQ(ErrorNumberOf([&] { relay.cell(u"Prop.P11").result_text(Variant(u"mm")); }),
            he::kBadUnits);

  for (const char16_t* missing : {u"Prop.P99", u"User.AIDATA", u"Prop.P1", u"BeginX", u"Prop."}) {
    SCOPED_TRACE(ToUtf8(missing));
    EXPECT_FALSE(relay.cell_exists(missing));
    EXPECT_EQ(ErrorNumberOf([&] { relay.cell(missing); }), he::kNoSuchCell);
  }
}

// Cached values as the application writes them, read through the port.
TEST(VsdxDrawing, CachedValuesReadByUnitAndColumn) {
  const std::string page =
      "<?xml version='1.0' encoding='utf-8' ?><PageContents "
      "xmlns='http://schemas.microsoft.com/office/visio/2012/main'><Shapes><Shape ID='1'>"
      "<Section N='Property'>"
      "<Row N='Text'><Cell N='Value' V='4' U='STR'/></Row>"
      "<Row N='Date'><Cell N='Value' V='2015-07-06T00:00:00' U='DATE'/></Row>"
      "<Row N='Length'><Cell N='Value' V='1.9685039370078' U='MM'/></Row>"
      "<Row N='Blank'><Cell N='Value' V='0' F='No Formula'/><Cell N='Invisible' V='1'/></Row>"
      "<Row N='Flag'><Cell N='Value' V='1' U='BOOL'/><Cell N='Invisible' V='0' F='No Formula'/>"
      "</Row>"
      "<Row N='Exp'><Cell N='Value' V='-1.495875384893708E-6'/></Row>"
      "<Row N='Big'><Cell N='Value' V='3000000000'/></Row>"
      "<Row N='Formula'><Cell N='Value' V='0.5' F='Width*0.5'/></Row>"
      "<Row N='NoValue'><Cell N='Label' V='x'/></Row>"
      "<Row N='Gone' Del='1'/>"
      "</Section><Section N='User' Del='1'/></Shape></Shapes></PageContents>";
  auto doc = WithPage(SampleWriter().package(), page);
  Shape& shape = doc->pages().item(1).shapes().item(1);
  EXPECT_EQ(shape.name(), u"Sheet.1");
  ExpectCells({
      {&shape, u"Prop.Text", u"4", 0},
      {&shape, u"Prop.Date", u"2015-07-06T00:00:00", 0},
      {&shape, u"Prop.Length", u"1.9685039370078", 1.9685039370078},
      {&shape, u"Prop.Blank", u"", 0},
      {&shape, u"Prop.Blank.Invisible", u"TRUE", 1},
      {&shape, u"Prop.Flag", u"TRUE", 1},
      {&shape, u"Prop.Flag.Invisible", u"FALSE", 0},
      {&shape, u"Prop.Exp", u"-1.49587538489371E-06", -1.495875384893708E-6},
      {&shape, u"Prop.Formula", u"0.5", 0.5},
      {&shape, u"Prop.NoValue", u"", 0},
      {&shape, u"Prop.NoValue.Label", u"x", 0},
      {&shape, u"Prop.NoValue.Prompt", u"", 0},  // every column of an existing row exists
  });
  EXPECT_EQ(shape.cell(u"Prop.Formula").formula(), u"Width*0.5");
  EXPECT_EQ(shape.cell(u"Prop.Text").formula(), u"\"4\"");
  EXPECT_EQ(ErrorNumberOf([&] { shape.cell(u"Prop.Big").result_int(); }), err::kOverflow);
  EXPECT_FALSE(shape.cell_exists(u"Prop.Gone"));
}

// A row or section deleted in the instance hides the master's; other rows still come through.
TEST(VsdxDrawing, DeletedRowsAndSectionsStopInheritance) {
  vsdx::Package package = SampleWriter().package();
  const std::string page =
      "<?xml version='1.0' encoding='utf-8' ?><PageContents "
      "xmlns='http://schemas.microsoft.com/office/visio/2012/main'><Shapes>"
      "<Shape ID='1' Master='2'><Section N='Property'><Row N='P99' Del='1'/></Section></Shape>"
      "<Shape ID='2' Master='2'><Section N='User' Del='1'/></Shape>"
      "<Shape ID='3' Master='2' Del='1'/>"
      "</Shapes></PageContents>";
  auto doc = WithPage(std::move(package), page);
  Shapes& shapes = doc->pages().item(1).shapes();
  ASSERT_EQ(shapes.count(), 2);
  Shape& no_row = shapes.item(1);
  Shape& no_user = shapes.item(2);
  EXPECT_EQ(no_row.name(), u"Controller.1");
  EXPECT_FALSE(no_row.cell_exists(u"Prop.P99"));
  EXPECT_TRUE(no_row.cell_exists(u"Prop.P11"));
  EXPECT_TRUE(no_row.cell_exists(u"User.AIDATA"));
  EXPECT_TRUE(no_user.cell_exists(u"Prop.P99"));
  EXPECT_FALSE(no_user.cell_exists(u"User.AIDATA"));
  // The deleted row can be added again; it then stands on its own.
  EXPECT_EQ(no_row.add_named_row(kSectionProperty, u"P99", 0), 1);
  EXPECT_EQ(TextOf(no_row, u"Prop.P99"), u"");
}

// A file may name a row twice; the first in the file answers, on a sheet of a few rows and on
// one large enough to be looked up through its index.
TEST(VsdxDrawing, ARowNamedTwiceAnswersWithTheFirst) {
  for (int filler : {0, 60}) {
    SCOPED_TRACE(filler);
    std::string rows;
    for (int i = 0; i < filler; ++i)
      rows += "<Row N='F" + std::to_string(i) + "'><Cell N='Value' V='" + std::to_string(i) +
              "'/></Row>";
    const std::string page =
        "<?xml version='1.0' encoding='utf-8' ?><PageContents "
        "xmlns='http://schemas.microsoft.com/office/visio/2012/main'><Shapes><Shape ID='1'>"
        "<Section N='Property'>" +
        rows +
        "<Row N='Twice'><Cell N='Value' V='first' U='STR'/></Row>"
        "<Row N='twice'><Cell N='Value' V='second' U='STR'/></Row>"
        "</Section></Shape></Shapes></PageContents>";
    auto doc = WithPage(SampleWriter().package(), page);
    Shape& shape = doc->pages().item(1).shapes().item(1);
    EXPECT_EQ(TextOf(shape, u"Prop.TWICE"), u"first");
    if (filler) {
      EXPECT_EQ(TextOf(shape, u"Prop.F59"), u"59");
    }
    shape.cell(u"Prop.Twice").set_formula(u"\"changed\"");
    EXPECT_EQ(TextOf(shape, u"Prop.twice"), u"changed");
  }
}

// The results of formulas are checked on both adapters; here, how a file stores them.
TEST(VsdxDrawing, FormulasAreStoredAsTheApplicationStoresConstants) {
  TempDir dir;
  const fs::path file = dir.path() / "plant.vsdx";
  SampleWriter().save(file);
  const struct {
    const char16_t* formula;
    const char16_t* text;
    const char* stored;  // the Cell element as saved
  } cases[] = {
      {u"=\"Boiler \"2\"\"", u"Boiler \"2\"", "<Cell N='Value' V='Boiler \"2\"' U='STR'/>"},
      {u"=\"\"", u"", "<Cell N='Value' V='' U='STR'/>"},
      {u"=True", u"TRUE", "<Cell N='Value' V='1' U='BOOL'/>"},
      {u"42", u"42", "<Cell N='Value' V='42'/>"},
      {u"=-7.25", u"-7.25", "<Cell N='Value' V='-7.25'/>"},
      {u"1E+20", u"1E+20", "<Cell N='Value' V='1E20'/>"},
      {u"", u"", "<Cell N='Value' V='' F='No Formula'/>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.formula));
    auto doc = OpenVsdx(file);
    doc->pages().item(1).shapes().item(2).cell(u"Prop.P11").set_formula(c.formula);
    const fs::path saved = dir.path() / "saved.vsdx";
    SaveVsdx(*doc, saved);
    const std::string page = ReadZip(saved)[kPage1].content;
    EXPECT_NE(page.find(c.stored), std::string::npos) << page.substr(0, 2000);
    auto reopened = OpenVsdx(saved);
    Shape& again = reopened->pages().item(1).shapes().item(2);
    EXPECT_EQ(TextOf(again, u"Prop.P11"), c.text);
    EXPECT_EQ(TextOf(again, u"Prop.P11.Invisible"), u"FALSE");  // still the master's
  }

  // A formula the host cannot read changes nothing: the saved page is the original.
  auto doc = OpenVsdx(file);
  Cell& cell = doc->pages().item(1).shapes().item(1).cell(u"Prop.P11");
  for (const char16_t* bad : {u"=Width*2", u"=\"open", u"abc", u"="})
    EXPECT_EQ(ErrorNumberOf([&] { cell.set_formula(bad); }), he::kBadFormula) << ToUtf8(bad);
  const fs::path unchanged = dir.path() / "unchanged.vsdx";
  SaveVsdx(*doc, unchanged);
  EXPECT_EQ(ReadZip(unchanged), ReadZip(file));
}

// Writes a device list of `count` hidden rows "V1`C<n>" into the document sheet as the library
// does, adding the count row where the sheet lacks it; gives the rows' indexes.
std::vector<int16_t> WriteDeviceRows(Shape& sheet, int count) {
  if (!sheet.cell_exists(u"Prop.DeviceTableRowCount"))
    sheet.add_named_row(kSectionProperty, u"DeviceTableRowCount", 0);
  sheet.cell(u"Prop.DeviceTableRowCount").set_formula(IntegerText(count));
  std::vector<int16_t> indices;
  for (int i = 1; i <= count; ++i) {
    const Text row = u"DeviceTableRow" + IntegerText(i);
    indices.push_back(sheet.add_named_row(kSectionProperty, row, 0));
    sheet.cell(u"Prop." + row).set_formula(u"=\"V1`C" + IntegerText(i) + u"\"");
    sheet.cell_src(kSectionProperty, indices.back(), kColumnPropertyHidden).set_formula(u"=True");
  }
  return indices;
}

// The device list of the document sheet: hundreds of rows added, found by index and by name,
// saved and read back.
TEST(VsdxDrawing, DocumentSheetRowsSurviveASave) {
  TempDir dir;
  const fs::path file = dir.path() / "plant.vsdx";
  SampleWriter().save(file);
  auto doc = OpenVsdx(file);
  Shape& sheet = doc->document_sheet();
  constexpr int kRows = 300;
  const std::vector<int16_t> indices = WriteDeviceRows(sheet, kRows);
  for (int i = 1; i <= kRows; ++i) ASSERT_EQ(indices[i - 1], i);
  EXPECT_EQ(TextOf(sheet, u"prop.devicetablerow123"), u"V1`C123");
  SaveVsdx(*doc, file);

  auto reopened = OpenVsdx(file);
  Shape& again = reopened->document_sheet();
  EXPECT_EQ(again.cell(u"Prop.DeviceTableRowCount").result_int(), kRows);
  for (int i : {1, 150, kRows}) {
    const Text row = u"Prop.DeviceTableRow" + IntegerText(i);
    EXPECT_EQ(TextOf(again, row), u"V1`C" + IntegerText(i));
    EXPECT_EQ(TextOf(again, row + u".Invisible"), u"TRUE");
    EXPECT_EQ(again.cell_src(kSectionProperty, static_cast<int16_t>(i), 0).result_text(kNoUnits),
              u"V1`C" + IntegerText(i));
  }
}

// Rows added in one go are those that the calls one by one add (the port's own add_rows): the
// same XML, values and failures, whatever the values hold and wherever a row cannot be added.
TEST(VsdxDrawing, RowsAddedTogetherAreTheRowsAddedOneByOne) {
  struct Batch {
    const char* what;
    int16_t section;
    std::vector<std::pair<Text, Text>> rows;  // name, formula of its value cell
    TextView hidden;
  };
  std::vector<std::pair<Text, Text>> many;
  for (int i = 1; i <= 40; ++i)
    many.emplace_back(u"R" + IntegerText(i), u"=\"v" + IntegerText(i) + u"\"");
  const std::vector<Batch> batches = {
      {"values of every kind and character",
       kSectionProperty,
       {{u"Plain", u"=\"text\""},
        {u"Marks", u"=\"a&b<c>d'e\"\"f\""},
        {u"Spaces", u"=\"tab\there\nline\r\nend \""},
        {u"Wide", u"=\"\u00dcn\u00efc\u00f6d\u00e9 \u20ac \U0001F600\""},
        {u"Controls", u"=\"bell\x07 unit\x1f end\""},
        {u"Nul", Text(u"=\"before\0after\"", 15)},
        {u"Empty", u"=\"\""},
        {u"Number", u"=2.5"},
        {u"Flag", u"=TRUE"},
        {u"None", u""}},
       u"=True"},
      {"user rows, not hidden", kSectionUser, {{u"U1", u"=\"one\""}, {u"U2", u"=3"}}, u""},
      {"enough rows to be indexed by name", kSectionProperty, many, u"=True"},
      {"a name the sheet has",
       kSectionProperty,
       {{u"Before", u"=\"b\""}, {u"devicetablerowcount", u"=\"x\""}, {u"After", u"=\"a\""}},
       u"=True"},
      {"a name given twice",
       kSectionProperty,
       {{u"Twice", u"=\"1\""}, {u"TWICE", u"=\"2\""}},
       u"=True"},
      {"a formula that does not read",
       kSectionProperty,
       {{u"Good", u"=\"g\""}, {u"Bad", u"=\"open"}, {u"Later", u"=\"l\""}},
       u"=True"},
      {"a name that is no row name",
       kSectionProperty,
       {{u"Ok", u"=\"o\""}, {u"a b", u"=\"x\""}},
       u"=True"},
      {"a hidden flag in the user section", kSectionUser, {{u"H", u"=\"h\""}}, u"=True"},
  };
  for (const Batch& batch : batches) {
    SCOPED_TRACE(batch.what);
    TempDir dir;
    std::map<std::string, ZipEntry> saved[2];
    int32_t failures[2] = {0, 0};
    for (int way = 0; way < 2; ++way) {
      auto doc = SampleWriter().build();
      Shape& sheet = doc->document_sheet();
      std::vector<CellName> cells;
      cells.reserve(batch.rows.size());
      const Text prefix = batch.section == kSectionUser ? u"User." : u"Prop.";
      std::vector<Text> names;
      for (const auto& [row, formula] : batch.rows) names.push_back(prefix + row);
      for (const Text& name : names) cells.emplace_back(name);
      std::vector<Shape::NewRow> rows;
      for (size_t i = 0; i < names.size(); ++i)
        rows.push_back({batch.rows[i].first, &cells[i], batch.rows[i].second});
      failures[way] = ErrorNumberOf([&] {
        if (way == 0)
          sheet.add_rows(batch.section, rows, batch.hidden);
        else
          sheet.Shape::add_rows(batch.section, rows, batch.hidden);
      });
      for (size_t i = 0; i < names.size(); ++i) {
        if (!sheet.cell_exists(cells[i])) continue;
        SCOPED_TRACE(ToUtf8(names[i]));
        EXPECT_NO_THROW(TextOf(sheet, cells[i]));
      }
      const fs::path file = dir.path() / (std::to_string(way) + ".vsdx");
      SaveVsdx(*doc, file);
      saved[way] = ReadZip(file);
    }
    EXPECT_EQ(failures[0], failures[1]);
    EXPECT_EQ(saved[0]["visio/document.xml"].content, saved[1]["visio/document.xml"].content);
  }
}

// Only changed parts are rewritten; the recalculation flag is added once a cell changed.
TEST(VsdxSave, RewritesOnlyTheChangedPartsAndFlagsRecalculation) {
  TempDir dir;
  const fs::path file = dir.path() / "plant.vsdx";
  SampleWriter().save(file);
  const auto original = ReadZip(file);
  EXPECT_FALSE(original.contains("docProps/custom.xml"));

  const fs::path copy = dir.path() / "copy.vsdx";
  SaveVsdx(*OpenVsdx(file), copy);
  EXPECT_EQ(ReadZip(copy), original);

  auto doc = OpenVsdx(file);
  doc->pages().item(2).shapes().item(1).cell(u"Prop.P1A").set_formula(u"=\"9:9:9\"");
  SaveVsdx(*doc, file);
  const auto saved = ReadZip(file);
  std::vector<std::string> changed;
  for (const auto& [name, entry] : saved)
    if (!original.contains(name) || original.at(name) != entry) changed.push_back(name);
  EXPECT_EQ(changed, (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels",
                                               "docProps/custom.xml", "visio/pages/page2.xml"}));
  const std::string custom = saved.at("docProps/custom.xml").content;
  EXPECT_NE(custom.find("name='RecalcDocument'><vt:bool>true</vt:bool>"), std::string::npos)
      << custom;
  EXPECT_NE(saved.at("_rels/.rels").content.find("Target='docProps/custom.xml'"),
            std::string::npos);
  EXPECT_NE(saved.at("[Content_Types].xml").content.find("PartName='/docProps/custom.xml'"),
            std::string::npos);
  EXPECT_EQ(TextOf(OpenVsdx(file)->pages().item(2).shapes().item(1), u"Prop.P1A"), u"9:9:9");

  // Saving again adds no second flag.
  auto again = OpenVsdx(file);
  again->pages().item(2).shapes().item(1).cell(u"Prop.P1A").set_formula(u"=\"1:1:1\"");
  SaveVsdx(*again, file);
  const std::string flagged = ReadZip(file).at("docProps/custom.xml").content;
  EXPECT_EQ(flagged.find("RecalcDocument"), flagged.rfind("RecalcDocument"));
}

TEST(VsdxSave, AFailedSaveLeavesTheTargetAndFolderAsTheyWere) {
  TempDir dir;
  const fs::path file = dir.path() / "plant.vsdx";
  SampleWriter().save(file);
  auto doc = OpenVsdx(file);
  doc->pages().item(1).shapes().item(1).cell(u"Prop.P11").set_formula(u"=\"R2\"");

  const fs::path read_only = dir.path() / "locked.vsdx";
  fs::copy_file(file, read_only);
  ::chmod(read_only.c_str(), 0444);
  const std::string before = ReadFile(read_only);
  const struct {
    fs::path target;
    const char16_t* reason;
  } cases[] = {
      {read_only, u"the file is read-only."},
      {dir.path() / "missing" / "out.vsdx", u"its folder does not exist."},
      {dir.path(), u"it is not a regular file."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        FileErrorOf([&] { SaveVsdx(*doc, c.target); }),
        u"Cannot save drawing '" + FromUtf8(c.target.filename().string()) + u"': " + c.reason);
  }
  EXPECT_EQ(ReadFile(read_only), before);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2u);  // no temporary file left behind

  EXPECT_EQ(ErrorNumberOf([&] { SaveVsdx(*MemoryDocument::Create(u"M"), file); }),
            err::kInvalidArgument);
}

// Patches the uncompressed size an entry declares in both its headers.
void PatchDeclaredSize(std::string& zip, const std::string& name, uint32_t size) {
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const auto get16 = [&](size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(zip[at]) |
                                 (static_cast<uint8_t>(zip[at + 1]) << 8));
  };
  const auto get32 = [&](size_t at) {
    return static_cast<uint32_t>(get16(at)) | (static_cast<uint32_t>(get16(at + 2)) << 16);
  };
  for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
       at = zip.find("PK\x01\x02", at + 4)) {
    if (zip.compare(at + 46, get16(at + 28), name) != 0) continue;
    put32(at + 24, size);
    put32(get32(at + 42) + 22, size);
    return;
  }
  ADD_FAILURE() << "no entry " << name;
}

TEST(VsdxOpen, HostileAndBrokenFilesAreRefusedWithTheirReason) {
  TempDir dir;
  const std::vector<NewEntry> good = DrawingParts();
  const auto with = [&](std::vector<NewEntry> extra) {
    std::vector<NewEntry> parts = good;
    parts.insert(parts.end(), extra.begin(), extra.end());
    return parts;
  };
  const auto add = [&](std::string name, std::string content = "<a/>",
                       int32_t method = ZIP_CM_DEFLATE, bool encrypted = false) {
    return with({NewEntry{std::move(name), std::move(content), method, encrypted}});
  };
  const auto replacing = [&](const std::string& name, std::string content,
                             std::vector<NewEntry> parts = {}) {
    if (parts.empty()) parts = good;
    for (NewEntry& p : parts)
      if (p.name == name) p.content = std::move(content);
    return parts;
  };
  const std::string kDeclaration = "<?xml version='1.0' encoding='utf-8' ?>";
  const std::string kMaster1 = "visio/masters/master1.xml";
  const std::string kDocument = "visio/document.xml";
  const std::string broken = kDeclaration + "<Unclosed>";
  const auto refused = [&](const std::string& name, const Text& reason,
                           const vsdx::PackageLimits& limits = {}) {
    const Text description = FileErrorOf([&] { OpenVsdx(dir.path() / name, limits); });
    EXPECT_TRUE(
        description.starts_with(u"Cannot read drawing '" + FromUtf8(name) + u"': " + reason))
        << ToUtf8(description);
  };

  for (const std::string raw : {"not a zip at all", ""}) {
    WriteFile(dir.path() / "raw.vsdx", raw);
    refused("raw.vsdx", u"it is not a zip package (");
  }
  struct Case {
    const char* file;
    std::vector<NewEntry> entries;
    Text reason;
    vsdx::PackageLimits limits = {};
  };
  vsdx::PackageLimits few_entries;
  few_entries.max_entries = static_cast<int64_t>(good.size()) - 1;
  vsdx::PackageLimits small_parts;
  // Above every part of the good drawing, below the one added.
  small_parts.max_part_bytes = 0;
  for (const NewEntry& e : good)
    small_parts.max_part_bytes = std::max<uint64_t>(small_parts.max_part_bytes, e.content.size());
  small_parts.max_part_bytes += 100;
  // Parts that inflate past the total while the file itself stays under it.
  vsdx::PackageLimits small_total;
  small_total.max_total_bytes = 4000;
  for (const NewEntry& e : good) small_total.max_total_bytes += e.content.size();
  const std::string pages_xml = "visio/pages/pages.xml";
  const std::vector<Case> cases = {
      {"nodrawing.vsdx",
       std::vector<NewEntry>{{"[Content_Types].xml", "<Types/>"}, {"readme.txt", "hello"}},
       u"it is not a drawing (it has no drawing document part)."},
      {"notypes.vsdx", std::vector<NewEntry>{{"readme.txt", "hello"}},
       u"it is not a drawing (it has no content types)."},
      {"many.vsdx", good,
       u"it holds " + IntegerText(static_cast<long long>(good.size())) +
           u" entries; a drawing may hold at most " +
           IntegerText(static_cast<long long>(good.size()) - 1) + u".",
       few_entries},
      {"bigpart.vsdx",
       add("big.bin", std::string(small_parts.max_part_bytes + 1, 'x'), ZIP_CM_STORE),
       u"the part 'big.bin' is larger than a part may be.", small_parts},
      {"bigtotal.vsdx",
       with({{"a.bin", std::string(3000, 'a')}, {"b.bin", std::string(3000, 'b')}}),
       u"its parts together are larger than a drawing may be.", small_total},
      {"bomb.vsdx", add("bomb.bin", std::string(20u << 20, '\0')),
       u"the part 'bomb.bin' is compressed beyond the allowed ratio."},
      {"encrypted.vsdx", add("secret.xml", "<a/>", ZIP_CM_DEFLATE, true),
       u"the part 'secret.xml' is encrypted."},
      {"bzip2.vsdx", add("odd.xml", "<a/>", ZIP_CM_BZIP2),
       u"the part 'odd.xml' uses an unsupported compression method."},
      {"dotdot.vsdx", add("visio/../../evil.xml"),
       u"the entry 'visio/../../evil.xml' names a path outside the package."},
      {"absolute.vsdx", add("/etc/evil.xml"),
       u"the entry '/etc/evil.xml' names a path outside the package."},
      {"backslash.vsdx", add("visio\\evil.xml"),
       u"the entry 'visio\\evil.xml' names a path outside the package."},
      {"twice.vsdx", add("VISIO/Document.xml"), u"the entry 'VISIO/Document.xml' appears twice."},
      {"doctype.vsdx",
       replacing("visio/document.xml",
                 kDeclaration + "<!DOCTYPE x [<!ENTITY a 'aaaaaaaa'><!ENTITY b '&a;&a;&a;'>]>"
                                "<VisioDocument>&b;</VisioDocument>"),
       u"the part 'visio/document.xml' declares a DOCTYPE."},
      {"malformed.vsdx", replacing(kPage1, kDeclaration + "<PageContents><Shapes>"),
       u"the part 'visio/pages/page1.xml' is not well-formed XML ("},
      // Parts are parsed side by side, yet the one named is the first the reading walk meets.
      {"brokenmaster.vsdx", replacing(kMaster1, broken),
       u"the part 'visio/masters/master1.xml' is not well-formed XML ("},
      {"brokenall.vsdx",
       replacing(kDocument, broken, replacing(kMaster1, broken, replacing(kPage1, broken))),
       u"the part 'visio/document.xml' is not well-formed XML ("},
      {"brokenlater.vsdx", replacing(kMaster1, broken, replacing(kPage1, broken)),
       u"the part 'visio/masters/master1.xml' is not well-formed XML ("},
      {"nopages.vsdx",
       replacing(
           pages_xml,
           kDeclaration + "<Pages xmlns='http://schemas.microsoft.com/office/visio/2012/main'/>"),
       u"the drawing has no pages."},
      {"lostpage.vsdx",
       replacing("visio/pages/_rels/pages.xml.rels", kDeclaration + "<Relationships/>"),
       u"the page 'Page-1' has no part."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    WriteZip(dir.path() / c.file, c.entries);
    refused(c.file, c.reason, c.limits);
  }

  // Relationships that the walk never follows cannot fail the drawing: one to a broken page part
  // that no page of the list names, or one pointing out of the package.
  for (const char* target : {"page9.xml", "../../../out.xml"}) {
    SCOPED_TRACE(target);
    std::vector<NewEntry> extra = with({{"visio/pages/page9.xml", broken}});
    for (NewEntry& p : extra)
      if (p.name == "visio/pages/_rels/pages.xml.rels")
        p.content.insert(p.content.rfind("</Relationships>"), "<Relationship Id='rId90' Type='" +
                                                                  std::string(vsdx::xml::kRelPage) +
                                                                  "' Target='" + target + "'/>");
    WriteZip(dir.path() / "unfollowed.vsdx", extra);
    const std::shared_ptr<Document> opened = OpenVsdx(dir.path() / "unfollowed.vsdx");
    ASSERT_EQ(opened->pages().count(), 1);
    EXPECT_EQ(opened->pages().item(1).shapes().count(), 1);
  }

  // A truncated file, and an entry whose headers understate what it inflates to.
  WriteZip(dir.path() / "whole.vsdx", good);
  const std::string bytes = ReadFile(dir.path() / "whole.vsdx");
  WriteFile(dir.path() / "truncated.vsdx", bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(ErrorNumberOf([&] { OpenVsdx(dir.path() / "truncated.vsdx"); }), kFileError);

  const fs::path lying = dir.path() / "lying.vsdx";
  WriteZip(lying, replacing("_rels/.rels", good[1].content + std::string(100000, ' ')));
  std::string patched = ReadFile(lying);
  PatchDeclaredSize(patched, "_rels/.rels", 1000);
  WriteFile(lying, patched);
  refused("lying.vsdx", u"the part '_rels/.rels' ");
}

// Real drawings written by the application.
struct RealCell {
  const char16_t* shape;
  const char16_t* cell;
  const char16_t* text;  // nullptr: the cell does not exist
};
struct RealDrawing {
  const char* file;
  int16_t page_count;
  // The pages from the first, each with its top-level shapes in order.
  std::vector<std::pair<const char16_t*, std::vector<Text>>> pages;
  const char16_t* cell_page;
  std::vector<RealCell> cells;
  std::function<void(Document&)> more = [](Document&) {};
};

const RealDrawing kRealDrawings[] = {
    // Page IDs 0, 4, 7 and relationships listed in reverse: order comes from pages.xml.
    {"davehoward_test1.vsdx",
     3,
     {{u"Page-1", {u"Sheet.1", u"Sheet.2", u"Sheet.5", u"Sheet.6"}},
      {u"Page-2", {}},
      {u"Page-3", {u"Sheet.1"}}},
     u"Page-1",
     {{u"Sheet.1", u"Prop.my_property_name", u"property value"},
      {u"Sheet.1", u"Prop.MY_SECOND_PROPERTY_NAME", u"another value"},
      {u"Sheet.1", u"Prop.Row_3.Invisible", u"FALSE"},
      {u"Sheet.6", u"Prop.Row_1", u"Box02"},
      {u"Sheet.2", u"Prop.Row_1", nullptr}},
     [](Document& doc) {
       EXPECT_EQ(doc.name(), u"davehoward_test1.vsdx");
       EXPECT_EQ(TextOf(doc.document_sheet(), u"User.msvNoAutoConnect"), u"1");
     }},
    // Group master rows reach instances and members; members inherit from the master's member
    // shape they name.
    {"davehoward_test3_house.vsdx",
     1,
     {{u"Page-1", {u"Sheet.1", u"Sheet.5", u"House", u"House.11"}}},
     u"Page-1",
     {{u"House", u"Prop.ShapeClass", u"Location"},
      {u"House", u"Prop.ShapeClass.Invisible", u"TRUE"},
      {u"House", u"Prop.ShapeType", u"House"},
      {u"House", u"User.visVersion", u"15"},
      {u"House", u"User.SolSH", u"{BF0433D9-CD73-4EB5-8390-8653BE590246}"},
      {u"House.11", u"Prop.ShapeClass", u"House01"},
      {u"House.11", u"Prop.ShapeClass.Invisible", u"TRUE"},
      {u"Sheet.5", u"Prop.Row_1", u"Box01"},
      {u"Sheet.5", u"Prop.ShapeClass", nullptr},
      {u"Sheet.9", u"User.SurroundingRegionColor", u"1"},
      {u"Sheet.13", u"User.SurroundingRegionColor", u"1"},
      {u"Sheet.8", u"User.SurroundingRegionColor", nullptr}},
     [](Document& doc) {
       Shape& member = doc.pages().item(1).shapes().item(u"Sheet.9");
       EXPECT_EQ(member.cell(u"User.SurroundingRegionColor").formula(), u"Sheet.6!FillForegnd");
     }},
    // Inherited, extended and overridden rows.
    {"davehoward_test6_shape_properties.vsdx",
     3,
     {},
     u"master_test",
     {{u"data_prop_test.3", u"Prop.Row_2", u"shape property value"},
      {u"data_prop_test.3", u"Prop.Row_2.Label", u"shape_prop"},
      {u"data_prop_test.4", u"Prop.Row_1", u"override"},
      {u"Sheet.5", u"Prop.Row_1", u"value not in an \"attrib\""},
      {u"Sheet.9", u"Prop.Row_2", u""},
      {u"Sheet.9", u"Prop.Row_2.Label", u"empty_prop"}},
     [](Document& doc) {
       Page& page = doc.pages().item(u"master_test");
       EXPECT_EQ(ShapeNames(page),
                 (std::vector<Text>{u"data_prop_test", u"data_prop_test.3", u"data_prop_test.4",
                                    u"Sheet.5", u"Sheet.9"}));
       // Row_1 comes from the master for all three instances; only ID 4 overrides its value.
       Shape& plain = page.shapes().item(1);
       Shape& extended = page.shapes().item(2);
       Shape& overridden = page.shapes().item(3);
       const Text master_value = TextOf(plain, u"Prop.Row_1");
       EXPECT_EQ(TextOf(extended, u"Prop.Row_1"), master_value);
       EXPECT_NE(master_value, u"override");
       EXPECT_EQ(TextOf(overridden, u"Prop.Row_1.Label"), TextOf(plain, u"Prop.Row_1.Label"));
       EXPECT_FALSE(TextOf(plain, u"Prop.Row_1.Label").empty());
       EXPECT_EQ(extended.add_named_row(kSectionProperty, u"Row_3", 0), 2);
     }},
    // Master 3 is master1.xml (the connector) and master 8 is master3.xml ("User", with shape
    // data): a reader going by numbers would swap them.
    {"poi_60489.vsdx",
     1,
     {{u"Page-1",
       {u"Sheet.111", u"User.20", u"Ellipse.9", u"Dynamic connector", u"User.120", u"Ellipse.103",
        u"Dynamic connector.123", u"User.95", u"Ellipse.130", u"Dynamic connector.131"}}},
     u"Page-1",
     {{u"Dynamic connector.123", u"User.visVersion", u"15"},
      {u"Dynamic connector.123", u"User.Identifying", u"1"},
      {u"Dynamic connector.123", u"User.DXBegin", u"0.0126844192093838"},
      {u"Dynamic connector.123", u"Prop.ShapeClass", nullptr},
      {u"User.20", u"Prop.ShapeClass", u"Connectivity"},
      {u"User.20", u"Prop.ShapeClass.Invisible", u"TRUE"},
      {u"User.20", u"Prop.Building", u""},
      {u"Rounded Rectangle", u"User.TopLeftOffset", u"0.4"},
      {u"Rounded Rectangle", u"User.CornerLockHoriz", u"TRUE"}}},
    // Local names are shown.
    {"libvisio_testfile6.vsdx",
     1,
     {{u"Hauptrufnummer", {u"Start/End", u"Endereignis.420"}}},
     u"Hauptrufnummer",
     {{u"Endereignis.420", u"Prop.BpmnEventType", u"Ende"},
      {u"Endereignis.420", u"Prop.BpmnId.Invisible", u"TRUE"},
      {u"Endereignis.420", u"User.msvShapeCategories", u"Event"},
      {u"Sheet.421", u"User.EventTypeMode", u"5"},
      {u"Start/End", u"Prop.Cost", u""},
      {u"Start/End", u"User.DefaultWidth", u"0.984251968503937"}}},
};

// A hostile page nests groups far deeper than any drawing: finding, changing, saving and freeing
// its shapes must not recurse with the depth.
TEST(VsdxOpen, GroupsNestedFiftyThousandDeepAreWalkedSavedAndFreed) {
  constexpr int kDepth = 50'000;
  std::string page =
      "<?xml version='1.0' encoding='utf-8' ?><PageContents "
      "xmlns='http://schemas.microsoft.com/office/visio/2012/main'><Shapes>";
  for (int id = 1; id <= kDepth; ++id)
    page += "<Shape ID='" + std::to_string(id) + "' Type='Group'><Shapes>";
  page += "<Shape ID='" + std::to_string(kDepth + 1) + "' Name='Deepest'/>";
  for (int i = 0; i < kDepth; ++i) page += "</Shapes></Shape>";
  page += "</Shapes></PageContents>";

  TempDir dir;
  std::vector<NewEntry> parts = DrawingParts();
  for (NewEntry& p : parts)
    if (p.name == kPage1) p.content = page;
  WriteZip(dir.path() / "deep.vsdx", parts);
  {
    const auto doc = OpenVsdx(dir.path() / "deep.vsdx");
    Shapes& shapes = doc->pages().item(1).shapes();
    EXPECT_EQ(shapes.count(), 1);
    Shape& deepest = shapes.item(TextView(u"Deepest"));
    deepest.cell(u"PinX").set_formula(u"2.5");
    SaveVsdx(*doc, dir.path() / "saved.vsdx");
  }
  const auto reopened = OpenVsdx(dir.path() / "saved.vsdx");
  Shape& deepest = reopened->pages().item(1).shapes().item(TextView(u"Deepest"));
  EXPECT_EQ(deepest.cell(u"PinX").result_number(), 2.5);
}

// Each real drawing reads as the application shows it. An unchanged save copies every entry; a
// device list written into the document sheet reads back after a save that changed only the
// document part and the flag.
TEST(VsdxRealFiles, ReadAsShownAndSavesKeepEveryOtherPartAsItWas) {
  TempDir dir;
  size_t seen = 0;
  for (const RealDrawing& real : kRealDrawings) {
    const std::optional<fs::path> file = SharedDrawing(real.file);
    if (!file) continue;
    ++seen;
    SCOPED_TRACE(real.file);
    auto doc = OpenVsdx(*file);
    ASSERT_EQ(doc->pages().count(), real.page_count);
    for (int16_t i = 1; const auto& [name, shapes] : real.pages) {
      Page& page = doc->pages().item(i++);
      EXPECT_EQ(page.name(), name);
      EXPECT_EQ(ShapeNames(page), shapes);
    }
    for (const RealCell& c : real.cells) {
      SCOPED_TRACE(ToUtf8(Text(c.shape) + u"!" + c.cell));
      Shape& shape = doc->pages().item(real.cell_page).shapes().item(c.shape);
      EXPECT_EQ(shape.cell_exists(c.cell), c.text != nullptr);
      if (c.text) {
        EXPECT_EQ(TextOf(shape, c.cell), c.text);
      }
    }
    real.more(*doc);

    const auto original = ReadZip(*file);
    const fs::path same = dir.path() / "same.vsdx";
    SaveVsdx(*OpenVsdx(*file), same);
    EXPECT_EQ(ReadZip(same), original);

    auto edited = OpenVsdx(*file);
    Shape& sheet = edited->document_sheet();
    WriteDeviceRows(sheet, 2);
    const fs::path updated = dir.path() / "updated.vsdx";
    SaveVsdx(*edited, updated);
    const auto saved = ReadZip(updated);
    ASSERT_EQ(saved.size(), original.size());
    for (const auto& [part, entry] : saved) {
      if (part == "visio/document.xml" || part == "docProps/custom.xml") continue;
      EXPECT_EQ(entry, original.at(part)) << part;
    }
    EXPECT_NE(saved.at("docProps/custom.xml").content.find("RecalcDocument"), std::string::npos);
    auto reopened = OpenVsdx(updated);
    Shape& again = reopened->document_sheet();
    EXPECT_EQ(TextOf(again, u"Prop.DeviceTableRowCount"), u"2");
    EXPECT_EQ(TextOf(again, u"Prop.DeviceTableRow2"), u"V1`C2");
    EXPECT_EQ(TextOf(again, u"Prop.DeviceTableRow2.Invisible"), u"TRUE");
    // The application's own document sheet row, where the file has it, is kept.
    ASSERT_EQ(again.cell_exists(u"User.msvNoAutoConnect"),
              sheet.cell_exists(u"User.msvNoAutoConnect"));
    if (again.cell_exists(u"User.msvNoAutoConnect")) {
      EXPECT_EQ(TextOf(again, u"User.msvNoAutoConnect"), TextOf(sheet, u"User.msvNoAutoConnect"));
    }
  }
  if (seen == 0) GTEST_SKIP() << "no drawings in ../shared/testdata/vsdx";
}

TEST(VsdxDrawing, ShapeCellsComeFromTheShapeOrItsMasterAndAreWrittenToTheShape) {
  const auto doc = VsdxWriter(u"G.vsdx")
                       .master(u"Controller")
                       .prop(u"P99", 1)
                       .page(u"P")
                       .shape(u"Loose")
                       .shape(u"C", u"Controller")
                       .build();
  Shapes& shapes = doc->pages().item(int16_t{1}).shapes();
  Shape& loose = shapes.item(u"Loose");
  Shape& instance = shapes.item(u"C");
  EXPECT_DOUBLE_EQ(loose.cell(u"Width").result_number(), 0.75);
  EXPECT_DOUBLE_EQ(loose.cell(u"locpinx").result_number(), 0.375);
  // The instance holds only its place; its size comes from the master.
  EXPECT_FALSE(instance.cell_exists_locally(u"Width"));
  EXPECT_DOUBLE_EQ(instance.cell(u"WIDTH").result_number(), 0.75);
  EXPECT_DOUBLE_EQ(instance.cell(u"PinX").result_number(), 2);  // second on the grid
  EXPECT_TRUE(instance.cell_exists(u"Angle"));                  // absent cells of 2-D shapes read 0
  EXPECT_DOUBLE_EQ(instance.cell(u"Angle").result_number(), 0);
  EXPECT_FALSE(instance.cell_exists(u"BeginX"));

  instance.cell(u"Width").set_formula(u"2.5");
  EXPECT_TRUE(instance.cell_exists_locally(u"Width"));
  EXPECT_DOUBLE_EQ(instance.cell(u"Width").result_number(), 2.5);
  TempDir dir;
  SaveVsdx(*doc, dir.path() / "g.vsdx");
  const auto again = OpenVsdx(dir.path() / "g.vsdx");
  Shapes& reread = again->pages().item(int16_t{1}).shapes();
  EXPECT_DOUBLE_EQ(reread.item(u"C").cell(u"Width").result_number(), 2.5);
  EXPECT_DOUBLE_EQ(reread.item(u"C").cell(u"Height").result_number(), 0.5);
}

TEST(VsdxWriter, ConnectorsTakeTheirPlaceFromTheirEndsAndEveryShapeGetsAnOutline) {
  VsdxWriter writer(u"W.vsdx");
  writer.page(u"P")
      .shape(u"Box")
      .cell(u"PinX", 2)
      .cell(u"Width", 1)
      .text(u"a < b")
      .shape(u"Wire")
      .cell(u"BeginX", 1)
      .cell(u"BeginY", 1)
      .cell(u"EndX", 4)
      .cell(u"EndY", 5);
  const auto doc = writer.build();
  Shapes& shapes = doc->pages().item(int16_t{1}).shapes();
  Shape& box = shapes.item(u"Box");
  EXPECT_DOUBLE_EQ(box.cell(u"LocPinX").result_number(), 0.5);  // follows the width given
  EXPECT_DOUBLE_EQ(box.cell(u"PinY").result_number(), 7.5);  // the grid's first row, an inch down
  Shape& wire = shapes.item(u"Wire");
  const struct {
    const char16_t* cell;
    double value;
  } expected[] = {{u"PinX", 2.5}, {u"PinY", 3},      {u"Width", 5},
                  {u"Height", 0}, {u"LocPinX", 2.5}, {u"Angle", std::atan2(4.0, 3.0)},
                  {u"EndY", 5}};
  for (const auto& e : expected)
    EXPECT_DOUBLE_EQ(wire.cell(e.cell).result_number(), e.value) << ToUtf8(e.cell);

  const std::string page = writer.package().Take("visio/pages/page1.xml");
  EXPECT_NE(page.find("<Text>a &lt; b</Text>"), std::string::npos);
  // A closed rectangle for the box, one segment for the wire.
  size_t geometries = 0, line_tos = 0;
  for (size_t at = page.find("N='Geometry'"); at != std::string::npos;
       at = page.find("N='Geometry'", at + 1))
    ++geometries;
  for (size_t at = page.find("T='LineTo'"); at != std::string::npos;
       at = page.find("T='LineTo'", at + 1))
    ++line_tos;
  EXPECT_EQ(geometries, 2u);
  EXPECT_EQ(line_tos, 5u);
}

}  // namespace
}  // namespace kvpw::host
