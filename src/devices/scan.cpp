#include "devices/scan.h"

#include <algorithm>
#include <limits>

#include "devices/device_classes.h"
#include "devices/device_sheet.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "frame/variant.h"

namespace kvpw {
namespace devices {
namespace {

// Parsed and hashed once. The host matches names without regard to case.
const host::CellName& Name(int index) {
  static const host::CellName kNames[] = {
      u"prop.P99.value", u"prop.P11.value",    u"prop.p11",    u"Prop.P12",
      u"Prop.P99",       u"Prop.P1A.value",    u"Prop.P1A",    u"User.AIDATA.value",
      u"User.AIDATA",    u"User.AODATA.value", u"User.AODATA", u"User.DIDATA.value",
      u"User.DIDATA",    u"User.DODATA.value", u"User.DODATA"};
  return kNames[index];
}
enum : int {
  kTypeExists,
  kNameExists,
  kName,
  kPartNumber,
  kType,
  kAddressExists,
  kAddress,
  kAIExists,
  kAI,
  kAOExists,
  kAO,
  kDIExists,
  kDI,
  kDOExists,
  kDO,
};

Text ReadText(host::Shape& shape, int cell) {
  static const Variant kUnits(int16_t{0});
  return shape.cell_result_text(Name(cell), kUnits);
}

Text ReadOptional(host::Shape& shape, int exists, int cell) {
  return shape.cell_exists(Name(exists)) ? ReadText(shape, cell) : Text();
}

}  // namespace

std::vector<Candidate> CollectCandidates(host::Document& document) {
  std::vector<Candidate> found;
  host::Pages& pages = document.pages();
  const int16_t page_count = pages.count();
  // One allocation of the most it can hold, rather than a chain of copies of large records.
  size_t shapes_total = 0;
  for (int16_t p = 1; p > 0 && p <= page_count; ++p)
    shapes_total += static_cast<size_t>(std::max<int16_t>(pages.item(p).shapes().count(), 0));
  found.reserve(std::min<size_t>(shapes_total, std::numeric_limits<int16_t>::max()));
  for (int16_t p = 1; p > 0 && p <= page_count; ++p) {
    host::Shapes& shapes = pages.item(p).shapes();
    const int16_t shape_count = shapes.count();
    for (int16_t s = 1; s > 0 && s <= shape_count; ++s) {
      host::Shape& shape = shapes.item(s);
      if (!shape.cell_exists(Name(kTypeExists)) || !shape.cell_exists(Name(kNameExists))) continue;
      if (found.size() == static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        Raise(err::kOverflow);
      Candidate c;
      c.name = ReadText(shape, kName);
      c.part_number = ReadText(shape, kPartNumber);
      c.type = RoundToInteger(shape.cell_result_number(Name(kType)));
      c.address = ReadOptional(shape, kAddressExists, kAddress);
      c.ai = ReadOptional(shape, kAIExists, kAI);
      c.ao = ReadOptional(shape, kAOExists, kAO);
      c.di = ReadOptional(shape, kDIExists, kDI);
      c.dob = ReadOptional(shape, kDOExists, kDO);
      found.push_back(std::move(c));
      // The page and shape counters are 16-bit and stop at their last value.
      if (s == std::numeric_limits<int16_t>::max()) break;
    }
    if (p == std::numeric_limits<int16_t>::max()) break;
  }
  return found;
}

void SortCandidates(std::vector<Candidate>& candidates) {
  // Sorts positions, then moves each record once into place: a record is seven texts, too large
  // to shuffle through every pass of a merge sort.
  const auto n = static_cast<uint32_t>(candidates.size());
  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return candidates[a].name < candidates[b].name; });
  // order[i] is where the record for position i comes from; follow each cycle once.
  for (uint32_t start = 0; start < n; ++start) {
    if (order[start] == start) continue;
    Candidate held = std::move(candidates[start]);
    uint32_t to = start;
    for (uint32_t from = order[to]; from != start; from = order[to]) {
      candidates[to] = std::move(candidates[from]);
      order[to] = to;
      to = from;
    }
    candidates[to] = std::move(held);
    order[to] = to;
  }
}

int16_t AddCandidates(std::vector<Candidate>&& sorted, PwVsdDeviceCollection& collection) {
  const auto or_else = [](Text& value, TextView fallback) {
    return value.empty() ? Text(fallback) : std::move(value);
  };
  int16_t added = 0;
  static const Text kNone;
  // Sorted, so a name is new when it follows the last one added (or, before any, the empty one).
  const Text* previous = &kNone;
  for (Candidate& c : sorted) {
    if (!(*previous < c.name)) continue;
    auto record = std::make_shared<PwVsdDevice>(collection.platform());
    record->Device = std::move(c.name);
    record->PartNum = std::move(c.part_number);
    record->DeviceType = c.type;
    record->AIData = or_else(c.ai, kNoPointData);
    record->AOData = or_else(c.ao, kNoPointData);
    record->DIData = or_else(c.di, kNoPointData);
    record->DOData = or_else(c.dob, kNoPointData);
    record->LCM = or_else(c.address, kNoAddress);
    previous = &record->Device;
    collection.Append(std::move(record));
    if (added == std::numeric_limits<int16_t>::max()) Raise(err::kOverflow);
    ++added;
  }
  return added;
}

Text DevicesFoundText(int16_t count) {
  return IntegerText(count) + (count == 1 ? u" Device found." : u" Devices found.");
}

}  // namespace devices

void PwVsdDeviceCollection::ScanFromDrawing(const std::shared_ptr<host::Document>& docActive,
                                            const bool& boolQuiet) {
  try {
    std::vector<devices::Candidate> candidates =
        devices::CollectCandidates(devices::Deref(docActive));
    devices::SortCandidates(candidates);
    const int16_t added = devices::AddCandidates(std::move(candidates), *this);
    if (!boolQuiet)
      platform_->message_box->Show(devices::DevicesFoundText(added), style::kInformation,
                                   devices::kUpdateCompleteTitle);
  } catch (const Error& e) {
    platform_->message_box->ShowError(e, style::kInformation);
  }
}

void Pw2::UpdateDeviceList(const std::shared_ptr<host::Document>& docActive,
                           const bool& boolQuiet) {
  auto collection = std::make_shared<PwVsdDeviceCollection>(platform_);
  collection->ScanFromDrawing(docActive, boolQuiet);
  collection->MoveToDocumentSheet(docActive);
}

}  // namespace kvpw
