// The device list on a drawing of 30,000 device shapes over 10 pages: UpdateDeviceList against a
// reference that sorts with the exchange sort of adjacent pairs the scan was first written with
// (identical output checked before timing), and the pickers reading the saved list.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "db/sqlite_engine.h"
#include "devices/cells.h"
#include "devices/device_classes.h"
#include "devices/device_sheet.h"
#include "devices/scan.h"
#include "frame/pw2.h"
#include "host/drawing_builder.h"
#include "host/memory_controls.h"

namespace {

using kvpw::Text;

constexpr int kPages = 10;
constexpr int kShapesPerPage = 3000;

class SilentMessageBox final : public kvpw::MessageBox {
 protected:
  int32_t Present(kvpw::TextView, int32_t, kvpw::TextView) override { return 1; }
};

kvpw::PlatformRef Platform() {
  static const auto platform = std::make_shared<kvpw::Platform>(
      kvpw::Platform{kvpw::db::MakeSqliteEngine(), std::make_shared<SilentMessageBox>()});
  return platform;
}

// Names in shuffled order with some repeated (about one in twenty), addresses over a few
// networks and controllers, and point data on every fourth device.
std::shared_ptr<kvpw::host::MemoryDocument> BuildDrawing() {
  std::mt19937 rng(42);
  std::vector<int> numbers(kPages * kShapesPerPage);
  for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = static_cast<int>(i);
  std::shuffle(numbers.begin(), numbers.end(), rng);
  kvpw::host::DrawingBuilder builder(u"Bench.vsd");
  size_t next = 0;
  for (int p = 0; p < kPages; ++p) {
    builder.page(u"Page-" + kvpw::IntegerText(p + 1));
    for (int s = 0; s < kShapesPerPage; ++s) {
      const int n = rng() % 20 == 0 ? numbers[rng() % numbers.size()] : numbers[next];
      ++next;
      builder.shape(u"")
          .prop(u"P11", (n % 3 ? u"dev-" : u"DEV-") + kvpw::IntegerText(n))
          .prop(u"P99", static_cast<int32_t>(rng() % 16))
          .prop(u"P12", u"CTL-" + kvpw::IntegerText(n % 40))
          .prop(u"P1A", kvpw::IntegerText(rng() % 8) + u":" + kvpw::IntegerText(rng() % 64) + u":" +
                            kvpw::IntegerText(rng() % 16) + u":0:0");
      if (n % 4 == 0) builder.user(u"AIDATA", u"AI1,Supply temp,AI2,Return temp,");
    }
  }
  return builder.build();
}

const std::shared_ptr<kvpw::host::MemoryDocument>& Drawing() {
  static const auto doc = BuildDrawing();
  return doc;
}

// What UpdateDeviceList does, with the sort done as a stable exchange sort of adjacent pairs.
void ReferenceUpdate(const std::shared_ptr<kvpw::host::MemoryDocument>& doc) {
  std::vector<kvpw::DeviceRef> c = kvpw::devices::CollectDevices(*doc, Platform());
  const size_t n = c.size();
  for (size_t pass = 0; pass + 1 < n; ++pass)
    for (size_t i = 0; i + 1 < n - pass; ++i)
      if (c[i + 1]->Device < c[i]->Device) std::swap(c[i], c[i + 1]);
  kvpw::PwVsdDeviceCollection list(Platform());
  kvpw::devices::AddDevices(std::move(c), list);
  list.SaveToDocumentSheet(doc);
}

std::vector<Text> StoredRows(kvpw::host::MemoryDocument& doc) {
  std::vector<Text> rows;
  const int32_t count =
      kvpw::devices::GetCellInteger(doc.sheet(), kvpw::devices::kDeviceRowCountCell);
  for (int32_t i = 1; i <= count; ++i)
    rows.push_back(kvpw::devices::GetCellText(doc.sheet(), kvpw::devices::DeviceRowCellName(i)));
  return rows;
}

// Both ways must store the same list; checked once, before any timing.
void CheckSameOutput() {
  const auto& doc = Drawing();
  ReferenceUpdate(doc);
  const std::vector<Text> reference = StoredRows(*doc);
  kvpw::Pw2 pw2(Platform());
  pw2.UpdateDeviceList(doc, true);
  const std::vector<Text> library = StoredRows(*doc);
  if (reference != library || library.size() < 20000) {
    std::fprintf(stderr, "device lists differ (%zu vs %zu rows)\n", reference.size(),
                 library.size());
    std::exit(1);
  }
  std::fprintf(stderr, "same %zu stored rows from both sorts\n", library.size());
}

void BM_UpdateDeviceList(benchmark::State& state) {
  kvpw::Pw2 pw2(Platform());
  for (auto _ : state) pw2.UpdateDeviceList(Drawing(), true);
}
BENCHMARK(BM_UpdateDeviceList)->Unit(benchmark::kMillisecond);

void BM_ReferenceExchangeSortUpdate(benchmark::State& state) {
  for (auto _ : state) ReferenceUpdate(Drawing());
}
BENCHMARK(BM_ReferenceExchangeSortUpdate)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GetDeviceNames(benchmark::State& state) {
  kvpw::Pw2 pw2(Platform());
  pw2.UpdateDeviceList(Drawing(), true);
  const int16_t filter = 0;
  for (auto _ : state) {
    auto combo = std::make_shared<kvpw::host::MemoryComboBox>(u"cbo");
    pw2.GetDeviceNames(combo, filter, Drawing());
    if (combo->list_count() < 20000) state.SkipWithError("too few names");
  }
}
BENCHMARK(BM_GetDeviceNames)->Unit(benchmark::kMillisecond);

void BM_PopulateComboGCM(benchmark::State& state) {
  kvpw::Pw2 pw2(Platform());
  pw2.UpdateDeviceList(Drawing(), true);
  for (auto _ : state) {
    auto network = std::make_shared<kvpw::host::MemoryComboBox>(u"net");
    auto gcm = std::make_shared<kvpw::host::MemoryComboBox>(u"gcm");
    pw2.PopulateComboGCM(network, gcm, Drawing());
    if (gcm->list_count() != 64) state.SkipWithError("wrong GCM count");
  }
}
BENCHMARK(BM_PopulateComboGCM)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  CheckSameOutput();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
