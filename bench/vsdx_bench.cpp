// Opening and scanning a generated drawing of 30,000 device shapes on 10 pages through the .vsdx
// adapter, against the bare floor of the same work: inflating the same parts with libzip and
// parsing them with pugixml, nothing else. Then saving after the device list is written.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zip.h>

#include <algorithm>
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
#include "devices/scan.h"
#include "frame/pw2.h"
#include "host/message_boxes.h"
#include "host/vsdx/vsdx_drawing.h"
#include "host/vsdx/vsdx_writer.h"

namespace {

using namespace kvpw;
using namespace kvpw::host;

// Each timed opening starts as a new process would: with no freed memory left to reuse, so
// that every page the work touches is fresh from the kernel. Without this, results depend on
// what the previous iteration happened to leave in the allocator.
void ColdStart(benchmark::State& state) {
  state.PauseTiming();
  malloc_trim(0);
  state.ResumeTiming();
}

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
    w.master(u"Point")
        .prop(u"P11", u"")
        .prop(u"P16", u"")
        .prop(u"P17", u"")
        .prop(u"P15", u"None")
        .user(u"IOType", 0)
        .user(u"U63", u"");
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

// Opening, then the library's own scan: every top-level shape's device cells, as
// UpdateDeviceList reads them.
void BM_OpenAndScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) {
    ColdStart(state);
    auto doc = OpenVsdx(file);
    benchmark::DoNotOptimize(devices::CollectCandidates(*doc));
  }
}
BENCHMARK(BM_OpenAndScan)->Unit(benchmark::kMillisecond);

void BM_OpenOnly(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) {
    ColdStart(state);
    benchmark::DoNotOptimize(OpenVsdx(file));
  }
}
BENCHMARK(BM_OpenOnly)->Unit(benchmark::kMillisecond);

// The first scan of a freshly opened drawing, the opening left out.
void BM_FirstScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = OpenVsdx(file);
    state.ResumeTiming();
    benchmark::DoNotOptimize(devices::CollectCandidates(*doc));
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
  for (auto _ : state) {
    ColdStart(state);
    benchmark::DoNotOptimize(InflateAndParse(file, state.range(0) != 0));
  }
}

// A straightforward scan over the parsed parts, for comparison: the reads of the library's scan
// done with plain pugixml look-ups (names compared exactly, no deleted rows or sections, no cell
// objects kept).
std::vector<devices::Candidate> ReferenceScan(const ParsedParts& parts) {
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
  // The row, the shape's own or its master's.
  const auto row = [&](pugi::xml_node shape, const char* section, const char* name) {
    while (shape) {
      const pugi::xml_node r = shape.find_child_by_attribute("Section", "N", section)
                                   .find_child_by_attribute("Row", "N", name);
      if (r) return r;
      const auto m = master_shapes.find(shape.attribute("Master").as_uint());
      shape = m == master_shapes.end() ? pugi::xml_node() : m->second;
    }
    return pugi::xml_node();
  };
  const auto value = [](pugi::xml_node r) {
    return r.find_child_by_attribute("Cell", "N", "Value").attribute("V");
  };
  const auto text = [&](pugi::xml_node shape, const char* section, const char* name) {
    const pugi::xml_node r = row(shape, section, name);
    return r ? FromUtf8(value(r).value()) : Text();
  };
  std::vector<devices::Candidate> found;
  for (int p = 1; p <= kPages; ++p) {
    const auto& page = parts.at("visio/pages/page" + std::to_string(p) + ".xml")->xml;
    for (pugi::xml_node shape : page.document_element().child("Shapes").children("Shape")) {
      const pugi::xml_node type = row(shape, "Property", "P99");
      if (!type || !row(shape, "Property", "P11")) continue;
      devices::Candidate& c = found.emplace_back();
      c.name = text(shape, "Property", "P11");
      c.part_number = text(shape, "Property", "P12");
      c.type = static_cast<int16_t>(value(type).as_int());
      c.address = text(shape, "Property", "P1A");
      c.ai = text(shape, "User", "AIDATA");
      c.ao = text(shape, "User", "AODATA");
      c.di = text(shape, "User", "DIDATA");
      c.dob = text(shape, "User", "DODATA");
    }
  }
  return found;
}

bool SameCandidates(const std::vector<devices::Candidate>& a,
                    const std::vector<devices::Candidate>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.name == y.name && x.part_number == y.part_number && x.type == y.type &&
           x.address == y.address && x.ai == y.ai && x.ao == y.ao && x.di == y.di && x.dob == y.dob;
  });
}

void BM_ReferenceOpenAndScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  const auto reference = ReferenceScan(InflateAndParse(file, true));
  if (reference.size() != kPages * kShapesPerPage * 2 / 3 ||
      !SameCandidates(reference, devices::CollectCandidates(*OpenVsdx(file)))) {
    state.SkipWithError("the reference reads other values than the library");
    return;
  }
  for (auto _ : state) {
    ColdStart(state);
    const ParsedParts parts = InflateAndParse(file, true);
    benchmark::DoNotOptimize(ReferenceScan(parts));
  }
}
BENCHMARK(BM_ReferenceOpenAndScan)->Unit(benchmark::kMillisecond);

void BM_ReferenceScanOnly(benchmark::State& state) {
  const ParsedParts parts = InflateAndParse(DrawingFile(), true);
  for (auto _ : state) benchmark::DoNotOptimize(ReferenceScan(parts));
}
BENCHMARK(BM_ReferenceScanOnly)->Unit(benchmark::kMillisecond);

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
