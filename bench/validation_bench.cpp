// The drawing checks on large drawings, over the example catalogue grown to 100,000 parts:
// - CheckForDuplicateAddresses on 30,000 device shapes without conflicts, against the same check
//   done with the linear look-ups of the part table and of the earlier shapes (findings compared
//   first, also on a drawing with conflicts), and the part table read that both share;
// - CheckForInvalidPointTypes on 10,000 point shapes wired to controllers of the catalogue.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue.h"
#include "db/kv_ado_connection.h"
#include "db/sqlite_engine.h"
#include "frame/misc.h"
#include "frame/pw2.h"
#include "host/drawing_builder.h"
#include "host/message_boxes.h"

namespace {

using kvpw::Text;
using kvpw::host::DrawingBuilder;

constexpr int kParts = 100000;
constexpr int kDeviceShapes = 30000;
constexpr int kPointShapes = 10000;
constexpr int kShapesPerPage = 2000;

using Part = kvpw::bench::TypedPart;

// `shapes` device shapes spread over the part table; each address is used once, except that
// every `repeat_every`-th shape (when not 0) takes the address of the shape before it.
std::shared_ptr<kvpw::host::MemoryDocument> DeviceDrawing(const std::vector<Part>& parts,
                                                          int shapes, int repeat_every) {
  DrawingBuilder b(u"Plant.vsd");
  int address = 0;
  for (int i = 0; i < shapes; ++i) {
    if (i % kShapesPerPage == 0) b.page(u"Floor " + kvpw::IntegerText(i / kShapesPerPage + 1));
    const Part& part = parts[(static_cast<size_t>(i) * 7919) % parts.size()];
    if (repeat_every == 0 || i % repeat_every != 0) ++address;
    b.shape(u"Dev" + kvpw::IntegerText(i))
        .prop(u"P99", 1)
        .prop(u"P11", u"D" + kvpw::IntegerText(i))
        .prop(u"P12", kvpw::FromUtf8(part.number))
        .prop(u"P1A", u"1:" + kvpw::IntegerText(address));
  }
  return b.build();
}

// The check as first written: the part table searched front to back for each shape, and each
// shape's key compared with every earlier shape's.
void LinearCheckForDuplicateAddresses(const kvpw::PlatformRef& platform, const Text& path,
                                      kvpw::host::Document& document) {
  using namespace kvpw;
  KvAdoConnection connection(platform);
  connection.LetFileName(path);
  Text error;
  connection.ConnOpen(error);
  if (!error.empty()) return;
  const db::RecordsetRef count =
      connection.ConnQuery(u"SELECT Count(*) AS RecordCount FROM Pz_PartsEng_PartItemCodes", error);
  if (!error.empty()) return;
  const int32_t n = ToLong(count->value(count->field_index(u"RecordCount")));
  const db::RecordsetRef rs =
      connection.ConnQuery(u"SELECT * FROM Pz_PartsEng_PartItemCodes", error);
  if (!rs || !error.empty()) return;
  std::vector<Text> numbers(n), types(n);
  for (int32_t row = 0; !rs->eof(); ++row) {
    numbers.at(row) = NullToEmptyString(rs->field(u"PartNumber"));
    types.at(row) = NullToEmptyString(rs->field(u"EngineeringPartType"));
    rs->move_next();
  }
  std::vector<Text> keys{u""}, locations{u""}, names{u""};
  const Variant units{Text()};
  host::Pages& pages = document.pages();
  const int16_t page_count = pages.count();
  for (int16_t p = 1; p <= page_count; ++p) {
    host::Page& page = pages.item(p);
    const int16_t shape_count = page.shapes().count();
    for (int16_t s = 1; s <= shape_count; ++s) {
      host::Shape& shape = page.shapes().item(s);
      if (!shape.cell_exists(u"Prop.P99.value") || !shape.cell_exists(u"Prop.P1A.value")) continue;
      const Text part = shape.cell(u"Prop.P12").result_text(units);
      int32_t found = -1;
      for (int32_t row = 0; row < n; ++row)
        if (numbers[row] == part) {
          found = row;
          break;
        }
      if (found < 0) continue;
      const Text name = shape.cell(u"Prop.P11").result_text(units);
      const Text address = shape.cell(u"Prop.P1A").result_text(units);
      const Text key = types[found] + u":" + address;
      for (size_t j = 0; j < keys.size(); ++j)
        if (keys[j] == key)
          platform->message_box->Show(names[j] + u" [" + keys[j] + u" On " + locations[j] +
                                          u"]\n\rconflicts with \n\r" + name + u" [" +
                                          types[found] + u":" + address + u" On " +
                                          document.name() + u":" + page.name() + u"]",
                                      style::kInformation, u"Conflicting Addresses");
      keys.push_back(key);
      locations.push_back(document.name() + u":" + page.name());
      names.push_back(name);
    }
  }
  connection.ConnClose();
}

struct Setup {
  std::shared_ptr<kvpw::host::RecordingMessageBox> boxes =
      std::make_shared<kvpw::host::RecordingMessageBox>();
  kvpw::PlatformRef platform =
      std::make_shared<kvpw::Platform>(kvpw::Platform{kvpw::db::MakeSqliteEngine(), boxes});
  Text file = kvpw::FromUtf8(kvpw::bench::ScaledCatalogue(kParts));
  std::vector<Part> parts = kvpw::bench::TypedParts(kvpw::bench::ScaledCatalogue(kParts));
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// Both checks must report the same conflicts, in the same order, before either is timed.
bool SameFindings(benchmark::State& state, kvpw::host::Document& document, size_t at_least) {
  Setup& s = Shared();
  kvpw::Pw2 pw2(s.platform);
  pw2.PzPartDatabasePath = s.file;
  s.boxes->clear();
  pw2.CheckForDuplicateAddresses(
      std::static_pointer_cast<kvpw::host::Document>(document.shared_from_this()), u"");
  const std::vector<kvpw::host::Box> fast = s.boxes->boxes();
  s.boxes->clear();
  LinearCheckForDuplicateAddresses(s.platform, s.file, document);
  if (fast != s.boxes->boxes() || fast.size() < at_least) {
    state.SkipWithError("the two checks disagree");
    return false;
  }
  state.counters["conflicts"] = static_cast<double>(fast.size());
  return true;
}

void BM_CheckForDuplicateAddresses(benchmark::State& state) {
  Setup& s = Shared();
  const auto doc = DeviceDrawing(s.parts, kDeviceShapes, 0);
  const auto with_conflicts = DeviceDrawing(s.parts, 3000, 10);
  if (!SameFindings(state, *with_conflicts, 1) || !SameFindings(state, *doc, 0)) return;
  kvpw::Pw2 pw2(s.platform);
  pw2.PzPartDatabasePath = s.file;
  for (auto _ : state) {
    s.boxes->clear();
    pw2.CheckForDuplicateAddresses(doc, u"");
    if (!s.boxes->boxes().empty()) state.SkipWithError("unexpected conflicts");
  }
}
BENCHMARK(BM_CheckForDuplicateAddresses)->Unit(benchmark::kMillisecond);

// The part table read that both versions share: the same check on a drawing without devices.
void BM_DuplicateAddressesTableReadOnly(benchmark::State& state) {
  Setup& s = Shared();
  const auto doc = DrawingBuilder(u"Empty.vsd").page(u"Floor 1").build();
  kvpw::Pw2 pw2(s.platform);
  pw2.PzPartDatabasePath = s.file;
  for (auto _ : state) pw2.CheckForDuplicateAddresses(doc, u"");
}
BENCHMARK(BM_DuplicateAddressesTableReadOnly)->Unit(benchmark::kMillisecond);

void BM_LinearDuplicateAddresses(benchmark::State& state) {
  Setup& s = Shared();
  const auto doc = DeviceDrawing(s.parts, kDeviceShapes, 0);
  for (auto _ : state) {
    s.boxes->clear();
    LinearCheckForDuplicateAddresses(s.platform, s.file, *doc);
    if (!s.boxes->boxes().empty()) state.SkipWithError("unexpected conflicts");
  }
}
BENCHMARK(BM_LinearDuplicateAddresses)->Unit(benchmark::kMillisecond)->Iterations(1);

// Network controllers with 28 points each (16 UI, 4 AO, 8 DO); every point shape wired to one of
// them with a type its point accepts, so that the check ends with the count 0.
void BM_CheckForInvalidPointTypes(benchmark::State& state) {
  Setup& s = Shared();
  struct PointKind {
    const char16_t* prefix;
    int count;
    int io_type;
  };
  constexpr PointKind kKinds[] = {{u"UI", 16, 1}, {u"AO", 4, 2}, {u"DO", 8, 4}};
  DrawingBuilder b(u"Points.vsd");
  int made = 0;
  for (int c = 0; made < kPointShapes; ++c) {
    if (c % 50 == 0) b.page(u"Panel " + kvpw::IntegerText(c / 50 + 1));
    const Text controller = u"LNC-" + kvpw::IntegerText(c);
    b.shape(controller).prop(u"P99", 1).prop(u"P11", controller).prop(u"P12", u"AVL-LNC1628");
    for (const PointKind& kind : kKinds)
      for (int i = 1; i <= kind.count && made < kPointShapes; ++i, ++made)
        b.shape(u"Pt" + kvpw::IntegerText(made))
            .prop(u"P11", u"Point " + kvpw::IntegerText(made))
            .prop(u"P15", controller)
            .prop(u"P16", u"")
            .prop(u"P17", kind.prefix + kvpw::IntegerText(i))
            .user(u"IOType", kind.io_type)
            .user(u"U63", u"0");
  }
  const auto doc = b.build();
  const int16_t pages = doc->pages().count();
  kvpw::Pw2 pw2(s.platform);
  // The part-properties database is only opened and closed: any database file will do.
  const Text& props = s.file;
  for (auto _ : state) {
    s.boxes->clear();
    pw2.CheckForInvalidPointTypes(pages, 1, doc, s.file, props);
    if (s.boxes->boxes().size() != 1 || s.boxes->boxes()[0].title != u"Completed" ||
        s.boxes->boxes()[0].text.find(u"There were 0 errors") == Text::npos)
      state.SkipWithError("unexpected findings");
  }
}
BENCHMARK(BM_CheckForInvalidPointTypes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
