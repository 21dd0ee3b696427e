// Opening and scanning the generated plant drawing (30,000 device shapes among 40,000 on 10 pages)
// through the .vsdx adapter, each beside its like: opening against the bare floor of inflating
// the same parts with libzip and parsing them with pugixml; the library's scan against the same
// reads made with bare pugixml look-ups, both on freshly parsed parts. Then saving after the
// device list is written.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "db/sqlite_engine.h"
#include "devices/scan.h"
#include "floor.h"
#include "frame/pw2.h"
#include "host/message_boxes.h"
#include "host/vsdx/vsdx_drawing.h"
#include "host/vsdx/vsdx_writer.h"
#include "plant.h"

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

using bench::InflateAndParse;
using bench::ParsedParts;

// The scans' records belong to no database.
const PlatformRef& ScanPlatform() {
  static const PlatformRef platform = std::make_shared<Platform>(Platform{nullptr, nullptr});
  return platform;
}

const std::filesystem::path& DrawingFile() {
  static const std::filesystem::path file = [] {
    const auto path = std::filesystem::temp_directory_path() / "kvpw-bench-plant.vsdx";
    bench::WritePlantDrawing(bench::TypedParts(bench::ScaledCatalogue(100000)), path);
    std::fprintf(stderr, "drawing: %d shapes on %d pages, %ju bytes\n",
                 bench::kPlantPages * bench::kPlantShapesPerPage, bench::kPlantPages,
                 static_cast<uintmax_t>(std::filesystem::file_size(path)));
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
    benchmark::DoNotOptimize(devices::CollectDevices(*doc, ScanPlatform()));
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
    benchmark::DoNotOptimize(devices::CollectDevices(*doc, ScanPlatform()));
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstScan)->Unit(benchmark::kMillisecond);

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
std::vector<DeviceRef> ReferenceScan(const ParsedParts& parts) {
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
  const auto text = [&](pugi::xml_node shape, const char* section, const char* name,
                        TextView fallback = {}) {
    const pugi::xml_node r = row(shape, section, name);
    Text read = r ? FromUtf8(value(r).value()) : Text();
    return read.empty() ? Text(fallback) : read;
  };
  std::vector<DeviceRef> found;
  for (int p = 1; p <= bench::kPlantPages; ++p) {
    const auto& page = parts.at("visio/pages/page" + std::to_string(p) + ".xml")->xml;
    for (pugi::xml_node shape : page.document_element().child("Shapes").children("Shape")) {
      const pugi::xml_node type = row(shape, "Property", "P99");
      if (!type || !row(shape, "Property", "P11")) continue;
      auto& c = *found.emplace_back(std::make_shared<PwVsdDevice>(ScanPlatform()));
      c.Device = text(shape, "Property", "P11");
      c.PartNum = text(shape, "Property", "P12");
      c.DeviceType = static_cast<int16_t>(value(type).as_int());
      c.LCM = text(shape, "Property", "P1A", devices::kNoAddress);
      c.AIData = text(shape, "User", "AIDATA", devices::kNoPointData);
      c.AOData = text(shape, "User", "AODATA", devices::kNoPointData);
      c.DIData = text(shape, "User", "DIDATA", devices::kNoPointData);
      c.DOData = text(shape, "User", "DODATA", devices::kNoPointData);
    }
  }
  return found;
}

bool SameDevices(const std::vector<DeviceRef>& a, const std::vector<DeviceRef>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const auto& x, const auto& y) { return x->ToString() == y->ToString(); });
}

void BM_ReferenceOpenAndScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  const auto reference = ReferenceScan(InflateAndParse(file, true));
  if (reference.size() != bench::kPlantDevices ||
      !SameDevices(reference, devices::CollectDevices(*OpenVsdx(file), ScanPlatform()))) {
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

// The reference's first scan of freshly parsed parts, the parsing left out, beside FirstScan.
void BM_ReferenceFirstScan(benchmark::State& state) {
  const auto& file = DrawingFile();
  for (auto _ : state) {
    state.PauseTiming();
    auto parts = std::make_unique<ParsedParts>(InflateAndParse(file, true));
    state.ResumeTiming();
    benchmark::DoNotOptimize(ReferenceScan(*parts));
    state.PauseTiming();
    parts.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReferenceFirstScan)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_InflateAndParseFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The command line's update: UpdateDeviceList on the opened drawing (30,000 devices written to
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
