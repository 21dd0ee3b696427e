// The .vsdx reader as a hostile file meets it: open, walk every page, shape and cell the library
// reads, rebuild the device list, run the three checks, save, reopen and compare the device list.
//
// An input starting with "PK" is the file itself, so the zip layer is fuzzed too. Any other
// input is a package spelled as parts, "name\0content\0name\0content...", zipped here without
// compression, so that mutations reach the XML instead of breaking the archive's checksums.
#include <zip.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "fuzz_support.h"
#include "host/drawing.h"
#include "host/vsdx/vsdx_drawing.h"

namespace kvpw::fuzz {
namespace {

namespace fs = std::filesystem;

// Every cell name the scan, the device list, the checks and the pickers read, in the spellings
// they use; the shape's own position and size cells follow (host::kShapeCells).
constexpr const char16_t* kCellNames[] = {u"Prop.P11",
                                          u"prop.P11.value",
                                          u"prop.p11",
                                          u"Prop.P12",
                                          u"Prop.P15",
                                          u"Prop.P16.value",
                                          u"Prop.P17",
                                          u"Prop.P17.value",
                                          u"Prop.P1A",
                                          u"Prop.P1A.value",
                                          u"Prop.P99",
                                          u"prop.P99.value",
                                          u"User.AIDATA",
                                          u"User.AIDATA.value",
                                          u"User.AODATA",
                                          u"User.AODATA.value",
                                          u"User.DIDATA",
                                          u"User.DIDATA.value",
                                          u"User.DODATA",
                                          u"User.DODATA.value",
                                          u"User.IOType",
                                          u"User.PointType",
                                          u"User.U63",
                                          u"Prop.DeviceTableRow1",
                                          u"Prop.DeviceTableRowCount",
                                          u"PageWidth",
                                          u"PageHeight"};

void ZipParts(std::string_view input, const fs::path& file) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
      zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error), zip_discard);
  if (!archive) Broken("cannot make a zip file");
  // Kept until the archive is written: libzip reads the sources then.
  std::vector<std::string> contents;
  contents.reserve(input.size() / 2 + 1);
  size_t at = 0;
  while (at < input.size()) {
    size_t name_end = input.find('\0', at);
    if (name_end == std::string_view::npos) name_end = input.size();
    const std::string name(input.substr(at, name_end - at));
    at = name_end < input.size() ? name_end + 1 : input.size();
    size_t content_end = input.find('\0', at);
    if (content_end == std::string_view::npos) content_end = input.size();
    contents.emplace_back(input.substr(at, content_end - at));
    at = content_end < input.size() ? content_end + 1 : input.size();
    zip_source_t* source =
        zip_source_buffer(archive.get(), contents.back().data(), contents.back().size(), 0);
    if (!source) Broken("cannot make a zip source");
    const zip_int64_t index = zip_file_add(archive.get(), name.c_str(), source, ZIP_FL_ENC_RAW);
    if (index < 0) {
      zip_source_free(source);  // a name libzip refuses (empty, or twice): left out
      continue;
    }
    zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  if (zip_close(archive.get()) != 0) Broken("cannot write the zip file");
  archive.release();
}

void ReadCell(host::Cell& cell) {
  try {
    (void)cell.formula();
    (void)cell.result_text(Variant(Text()));
    (void)cell.result_number();
    (void)cell.result_int();
  } catch (const Error&) {
  }
}

void WalkShape(host::Shape& shape) {
  (void)shape.name();
  (void)shape.id();
  static const std::vector<Text> names = [] {
    std::vector<Text> all(std::begin(kCellNames), std::end(kCellNames));
    for (const char* cell : host::kShapeCells) all.push_back(FromUtf8(cell));
    return all;
  }();
  for (const Text& name : names) {
    const host::CellName cell_name{name};
    try {
      if (shape.cell_exists(cell_name)) ReadCell(shape.cell(cell_name));
    } catch (const Error&) {
    }
  }
  for (int16_t row = 0; row < 3; ++row)
    for (int16_t section : {host::kSectionUser, host::kSectionProperty}) try {
        ReadCell(shape.cell_src(section, row, host::kColumnValue));
      } catch (const Error&) {
      }
}

void Walk(host::Document& doc) {
  (void)doc.name();
  WalkShape(doc.document_sheet());
  host::Pages& pages = doc.pages();
  const int16_t page_count = pages.count();
  for (int16_t p = 1; p <= page_count; ++p) {
    host::Page& page = pages.item(p);
    (void)pages.item(page.name());
    WalkShape(page.page_sheet());
    host::Shapes& shapes = page.shapes();
    int16_t shape_count = 0;
    try {
      shape_count = shapes.count();
    } catch (const Error&) {
      continue;  // more shapes than the 16-bit count holds
    }
    for (int16_t s = 1; s <= shape_count; ++s) {
      host::Shape& shape = shapes.item(s);
      WalkShape(shape);
      // By name, which reaches group members as well.
      try {
        WalkShape(shapes.item(shape.name()));
        WalkShape(shapes.item(u"Sheet." + Text(1, static_cast<char16_t>(u'0' + s % 10))));
      } catch (const Error&) {
      }
    }
  }
}

// The stored device list as its rows, or the number of the error reading it gave.
std::vector<Text> StoredList(const PlatformRef& platform,
                             const std::shared_ptr<host::Document>& doc) {
  PwVsdDeviceCollection list(platform);
  try {
    list.LoadFromDocumentSheet(doc);
  } catch (const Error& e) {
    return {u"error " + Text(FromUtf8(std::to_string(e.number())))};
  }
  std::vector<Text> rows;
  for (const DeviceRef& record : list.records()) rows.push_back(record->ToString());
  return rows;
}

// The checks walk the pages again and mark shapes, which the save then writes.
void RunChecks(Pw2& pw2, const std::shared_ptr<host::Document>& doc) {
  static const Text parts = FromUtf8((ExamplesDir() / "parts.mdb").string());
  static const Text props = FromUtf8((ExamplesDir() / "partprops.mdb").string());
  pw2.Initialize(parts, props);
  int16_t pages = 1;
  try {
    pages = doc->pages().count();
  } catch (const Error&) {
  }
  try {
    pw2.CheckForDuplicateAddresses(doc, props);
  } catch (const Error&) {
  }
  try {
    pw2.CheckForInvalidPointTypes(pages, 1, doc, parts, props);
  } catch (const Error&) {
  }
  try {
    pw2.CheckForInvalidPointConnections(pages, 1, doc, parts);
  } catch (const Error&) {
  }
}

}  // namespace
}  // namespace kvpw::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvpw;
  using namespace kvpw::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const fs::path in = ScratchDir() / "in.vsdx";
  const fs::path out = ScratchDir() / "out.vsdx";
  if (input.starts_with("PK"))
    WriteFile(in, input);
  else
    ZipParts(input, in);

  const FuzzPlatform p = MakePlatform();
  std::shared_ptr<host::Document> doc;
  try {
    doc = host::OpenVsdx(in);
  } catch (const Error&) {
    return 0;  // not a drawing: refused with the file's name and the reason
  }
  try {
    Walk(*doc);
  } catch (const Error&) {
  }
  Pw2 pw2(p.platform);
  try {
    pw2.UpdateDeviceList(doc, true);
  } catch (const Error&) {
  }
  RunChecks(pw2, doc);
  const std::vector<Text> written = StoredList(p.platform, doc);
  try {
    host::SaveVsdx(*doc, out);
  } catch (const Error&) {
    return 0;
  }
  doc.reset();
  std::shared_ptr<host::Document> again;
  try {
    again = host::OpenVsdx(out);
  } catch (const Error& e) {
    Broken("a saved drawing does not open again: " + ToUtf8(e.description()));
  }
  if (StoredList(p.platform, again) != written)
    Broken("the device list read back differs from the one saved");
  try {
    Walk(*again);
  } catch (const Error&) {
  }
  return 0;
}
