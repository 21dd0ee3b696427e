// Opening and scanning a generated drawing of 30,000 device shapes on 10 pages through the .vsdx
// adapter, against the bare floor of the same work: inflating the same parts with libzip and
// parsing them with pugixml, nothing else. Then saving after the device list is written.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/sqlite_engine.h"
#include "frame/pw2.h"
#include "host/message_boxes.h"
#include "host/vsdx/vsdx_drawing.h"
#include "host/vsdx/vsdx_writer.h"

namespace {

using namespace kvpw;
using namespace kvpw::host;

constexpr int kPages = 10;
constexpr int kShapesPerPage = 3000;

const std::filesystem::path& DrawingFile() {
  static const std::filesystem::path file = [] {
    const auto path = std::filesystem::temp_directory_path() / "kvpw-bench-drawing.vsdx";
    VsdxWriter w(u"Bench.vsdx");
    w.master(u"Controller")
        .prop(u"P99", 1)
        .hidden()
        .prop(u"P11", u"")
        .prop(u"P12", u"")
        .prop(u"P1A", u"")
        .user(u"AIDATA", u"")
        .user(u"AODATA", u"");
    w.master(u"Point").prop(u"P16", u"").prop(u"P17", u"").prop(u"P15", u"None").user(u"IOType", 0);
    w.master(u"Sensor").prop(u"P99", 4).hidden().prop(u"P11", u"").prop(u"P12", u"");
    for (int p = 1; p <= kPages; ++p) {
      w.page(u"Floor " + IntegerText(p));
      for (int s = 0; s < kShapesPerPage; ++s) {
        const Text n = IntegerText(p * 100000 + s);
        switch (s % 3) {
          case 0:
            w.shape({}, u"Controller")
                .prop(u"P11", u"CTL-" + n)
                .prop(u"P12", u"KV-DDC-100")
                .prop(u"P1A", u"1:" + IntegerText(p) + u":" + IntegerText(s))
                .user(u"AIDATA", u"1,2,3,4")
                .user(u"AODATA", u"1,2");
            break;
          case 1:
            w.shape({}, u"Point")
                .prop(u"P17", u"AI" + IntegerText(s % 8))
                .prop(u"P15", u"CTL-" + IntegerText(p * 100000 + s - 1))
                .user(u"IOType", 1);
            break;
          default:
            w.shape({}, u"Sensor").prop(u"P11", u"TS-" + n).prop(u"P12", u"KV-TS-20");
        }
      }
    }
    w.save(path);
    std::fprintf(stderr, "drawing: %d shapes on %d pages, %llu bytes\n", kPages * kShapesPerPage,
                 kPages, static_cast<unsigned long long>(std::filesystem::file_size(path)));
    return path;
  }();
  return file;
}

// What a scan of the drawing reads from each top-level shape.
size_t Scan(Document& doc) {
  static const CellName kDevice(u"Prop.P99");
  static const CellName kName(u"Prop.P11");
  static const CellName kPart(u"Prop.P12");
  static const CellName kAddress(u"Prop.P1A");
  static const CellName kPoint(u"Prop.P17");
  static const Variant kNoUnits{int16_t{0}};
  size_t total = 0;
  Pages& pages = doc.pages();
  for (int16_t p = 1; p <= pages.count(); ++p) {
    Shapes& shapes = pages.item(p).shapes();
    for (int16_t s = 1; s <= shapes.count(); ++s) {
      Shape& shape = shapes.item(s);
      total += shape.name().size();
      if (shape.cell_exists(kDevice)) {
        total += shape.cell(kName).result_text(kNoUnits).size();
        total += shape.cell(kPart).result_text(kNoUnits).size();
        if (shape.cell_exists(kAddress)) total += shape.cell(kAddress).result_text(kNoUnits).size();
        total += static_cast<size_t>(shape.cell(kDevice).result_int());
      } else if (shape.cell_exists(kPoint)) {
        total += shape.cell(kPoint).result_text(kNoUnits).size();
      }
    }
  }
  return total;
}

void BM_OpenAndScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) {
    auto doc = OpenVsdx(file);
    benchmark::DoNotOptimize(Scan(*doc));
  }
}
BENCHMARK(BM_OpenAndScan)->Unit(benchmark::kMillisecond);

void BM_OpenOnly(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) benchmark::DoNotOptimize(OpenVsdx(file));
}
BENCHMARK(BM_OpenOnly)->Unit(benchmark::kMillisecond);

// The first scan of a freshly opened drawing, the opening left out.
void BM_FirstScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = OpenVsdx(file);
    state.ResumeTiming();
    benchmark::DoNotOptimize(Scan(*doc));
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstScan)->Unit(benchmark::kMillisecond);

// The floor: read the file, inflate every part the adapter parses, parse each with pugixml.
// With `keep` every parsed part stays in memory until all are parsed, as a document open for
// editing must keep them; without it each is dropped before the next.
struct ParsedPart {
  std::string buffer;
  pugi::xml_document xml;
};
using ParsedParts = std::unordered_map<std::string, std::unique_ptr<ParsedPart>>;

ParsedParts InflateAndParse(const std::filesystem::path& file, bool keep) {
  int error = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &error);
  if (!z) throw std::runtime_error("cannot open the drawing");
  ParsedParts parts;
  size_t nodes = 0;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    std::string name = zip_get_name(z, i, 0);
    if (name == "[Content_Types].xml" || name.rfind("docProps/", 0) == 0) continue;
    zip_stat_t st;
    zip_stat_index(z, i, 0, &st);
    auto part = std::make_unique<ParsedPart>();
    part->buffer.resize(st.size);
    zip_file_t* f = zip_fopen_index(z, i, 0);
    zip_fread(f, part->buffer.data(), st.size);
    zip_fclose(f);
    part->xml.load_buffer_inplace(
        part->buffer.data(), part->buffer.size(),
        pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration | pugi::parse_doctype,
        pugi::encoding_utf8);
    nodes += part->xml.document_element() ? 1 : 0;
    if (keep) parts.emplace(std::move(name), std::move(part));
  }
  zip_discard(z);
  benchmark::DoNotOptimize(nodes);
  return parts;
}

void BM_InflateAndParseFloor(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) benchmark::DoNotOptimize(InflateAndParse(file, state.range(0) != 0));
}

// A straightforward scan over the parsed parts, for comparison: the same reads as Scan with
// plain pugixml look-ups (names compared exactly, no deleted rows or sections, no cached cells).
size_t ReferenceScan(const ParsedParts& parts) {
  const pugi::xml_document& masters = parts.at("visio/masters/masters.xml")->xml;
  const pugi::xml_document& rels = parts.at("visio/masters/_rels/masters.xml.rels")->xml;
  std::unordered_map<uint32_t, pugi::xml_node> master_shapes;
  for (pugi::xml_node m : masters.document_element().children("Master")) {
    const char* id = m.child("Rel").attribute("r:id").value();
    const std::string target = rels.document_element()
                                   .find_child_by_attribute("Relationship", "Id", id)
                                   .attribute("Target")
                                   .value();
    master_shapes[m.attribute("ID").as_uint()] =
        parts.at("visio/masters/" + target)->xml.document_element().child("Shapes").child("Shape");
  }
  const auto row = [&](pugi::xml_node shape, const char* name) {
    while (shape) {
      const pugi::xml_node r = shape.find_child_by_attribute("Section", "N", "Property")
                                   .find_child_by_attribute("Row", "N", name);
      if (r) return r;
      const auto m = master_shapes.find(shape.attribute("Master").as_uint());
      shape = m == master_shapes.end() ? pugi::xml_node() : m->second;
    }
    return pugi::xml_node();
  };
  const auto value = [](pugi::xml_node r) {
    return FromUtf8(r.find_child_by_attribute("Cell", "N", "Value").attribute("V").value());
  };
  size_t total = 0;
  for (int p = 1; p <= kPages; ++p) {
    const auto& page = parts.at("visio/pages/page" + std::to_string(p) + ".xml")->xml;
    for (pugi::xml_node shape : page.document_element().child("Shapes").children("Shape")) {
      total += FromUtf8(shape.attribute("Name").value()).size();
      if (const pugi::xml_node device = row(shape, "P99")) {
        total += value(row(shape, "P11")).size();
        total += value(row(shape, "P12")).size();
        if (const pugi::xml_node address = row(shape, "P1A")) total += value(address).size();
        total += static_cast<size_t>(
            device.find_child_by_attribute("Cell", "N", "Value").attribute("V").as_int());
      } else if (const pugi::xml_node point = row(shape, "P17")) {
        total += value(point).size();
      }
    }
  }
  return total;
}

void BM_ReferenceOpenAndScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  if (ReferenceScan(InflateAndParse(file, true)) != Scan(*OpenVsdx(file))) {
    state.SkipWithError("the reference reads other values than the adapter");
    return;
  }
  for (auto _ : state) {
    const ParsedParts parts = InflateAndParse(file, true);
    benchmark::DoNotOptimize(ReferenceScan(parts));
  }
}
BENCHMARK(BM_ReferenceOpenAndScan)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_InflateAndParseFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The command line's update: UpdateDeviceList on the opened drawing (20,000 devices written to
// the document sheet), then the save; the opening is left out.
void BM_UpdateDeviceListAndSave(benchmark::State& state) {
  const auto& file = DrawingFile();
  const auto out = std::filesystem::temp_directory_path() / "kvpw-bench-saved.vsdx";
  Pw2 pw2(std::make_shared<Platform>(
      Platform{db::MakeSqliteEngine(), std::make_shared<RecordingMessageBox>()}));
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = OpenVsdx(file);
    state.ResumeTiming();
    pw2.UpdateDeviceList(doc, true);
    SaveVsdx(*doc, out);
  }
  std::filesystem::remove(out);
}
BENCHMARK(BM_UpdateDeviceListAndSave)->Unit(benchmark::kMillisecond);

// Saving after one cell changed on every page: every page part is written again.
void BM_SaveAfterMarkingEveryPage(benchmark::State& state) {
  const auto& file = DrawingFile();
  const auto out = std::filesystem::temp_directory_path() / "kvpw-bench-marked.vsdx";
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = OpenVsdx(file);
    for (int16_t p = 1; p <= doc->pages().count(); ++p)
      doc->pages().item(p).shapes().item(1).cell(u"Prop.P11").set_formula(u"=\"marked\"");
    state.ResumeTiming();
    SaveVsdx(*doc, out);
  }
  std::filesystem::remove(out);
}
BENCHMARK(BM_SaveAfterMarkingEveryPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
