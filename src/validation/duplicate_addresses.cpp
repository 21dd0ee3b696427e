// Devices of one engineering part type that share a network address.
#include <optional>
#include <vector>

#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/misc.h"
#include "frame/pw2.h"
#include "validation/drawing_checks.h"
#include "validation/findings.h"
#include "validation/text_index.h"

namespace kvpw {
namespace {

constexpr TextView kCountQuery = u"SELECT Count(*) AS RecordCount FROM Pz_PartsEng_PartItemCodes";
constexpr TextView kPartTableQuery = u"SELECT * FROM Pz_PartsEng_PartItemCodes";
constexpr TextView kCountField = u"RecordCount";
constexpr TextView kPartNumberField = u"PartNumber";
constexpr TextView kPartTypeField = u"EngineeringPartType";
constexpr TextView kConflictTitle = u"Conflicting Addresses";
constexpr TextView kConflictsWith = u"\n\rconflicts with \n\r";
constexpr TextView kOn = u" On ";

// A shape already checked; `location` indexes the "<document>:<page>" texts, kept once per page.
struct SeenShape {
  Text key;
  Text name;
  uint32_t location;
  int16_t page;  // where the shape is, to name it in a finding
  int16_t position;
  uint32_t next_same_key;  // kNone at the latest shape of its key
  uint32_t last_same_key;  // kept up to date on the first shape of each key only
};
constexpr uint32_t kNone = validation::TextIndex::kNone;

// The part table as the check reads it. The first row of each part number is found by hashing
// instead of by walking the table: the same row a front-to-back search stops at. Part numbers
// share one buffer and part types are kept once each, so that a large table costs few
// allocations.
class PartTable {
 public:
  explicit PartTable(size_t rows) : rows_(rows), index_(rows) {
    number_end_.reserve(rows);
    type_of_.reserve(rows);
  }

  // Rows beyond those read stay empty, as the table was sized by the earlier count.
  void Append(const Variant& part_number, const Variant& part_type) {
    if (type_of_.size() == rows_) Raise(err::kSubscript);
    AppendText(numbers_, part_number);
    number_end_.push_back(numbers_.size());
    type_of_.push_back(TypeId(part_type));
  }

  void Index() {
    while (type_of_.size() < rows_) {
      number_end_.push_back(numbers_.size());
      type_of_.push_back(TypeId(Variant(Text())));
    }
    const auto number_at = [this](uint32_t row) { return Number(row); };
    for (uint32_t row = 0; row < rows_; ++row) index_.Insert(Number(row), row, number_at);
  }

  // The part type of the first row of that part number; nullptr when there is none.
  const Text* FindType(TextView part_number) const {
    const uint32_t row = index_.Find(part_number, [this](uint32_t r) { return Number(r); });
    return row == kNone ? nullptr : &types_[type_of_[row]];
  }

 private:
  TextView Number(uint32_t row) const {
    const size_t begin = row == 0 ? 0 : number_end_[row - 1];
    return TextView(numbers_).substr(begin, number_end_[row] - begin);
  }
  // Field values as NullToEmptyString gives them, without copying the common text case.
  static void AppendText(Text& to, const Variant& value) {
    if (value.is_text()) {
      to += value.text();
    } else {
      to += NullToEmptyString(value);
    }
  }
  uint32_t TypeId(const Variant& value) {
    scratch_.clear();
    AppendText(scratch_, value);
    if (!type_of_.empty() && types_[type_of_.back()] == scratch_) return type_of_.back();
    const uint32_t id = type_ids_.Insert(scratch_, static_cast<uint32_t>(types_.size()),
                                         [this](uint32_t t) { return TextView(types_[t]); });
    if (id == types_.size()) types_.push_back(scratch_);
    return id;
  }

  size_t rows_;
  Text numbers_;
  std::vector<size_t> number_end_;
  std::vector<uint32_t> type_of_;
  std::vector<Text> types_;
  validation::TextIndex type_ids_;
  validation::TextIndex index_;
  Text scratch_;
};

// The shapes checked so far, each linked to the next one of the same key, so that the earlier
// shapes of a key are found by one hash look-up instead of a walk over all of them.
class SeenShapes {
 public:
  const SeenShape& at(uint32_t index) const { return seen_[index]; }
  // The first shape recorded with the key, or kNone.
  uint32_t FirstWithKey(TextView key) const { return chains_.Find(key, KeyOf()); }
  void Add(Text key, Text name, uint32_t location, int16_t page, int16_t position) {
    const uint32_t index = static_cast<uint32_t>(seen_.size());
    seen_.push_back({std::move(key), std::move(name), location, page, position, kNone, index});
    const uint32_t first = chains_.Insert(seen_.back().key, index, KeyOf());
    if (first != index) {
      seen_[seen_[first].last_same_key].next_same_key = index;
      seen_[first].last_same_key = index;
    }
  }

 private:
  struct KeyOfShape {
    const std::vector<SeenShape>* seen;
    TextView operator()(uint32_t i) const { return (*seen)[i].key; }
  };
  KeyOfShape KeyOf() const { return {&seen_}; }
  std::vector<SeenShape> seen_;
  validation::TextIndex chains_;
};

Text Bracketed(const Text& name, const Text& key, const Text& location) {
  Text out;
  out.reserve(name.size() + key.size() + location.size() + 8);
  out += name;
  out += u" [";
  out += key;
  out += kOn;
  out += location;
  out += u"]";
  return out;
}

validation::ShapeRef RefOf(host::Page& page, host::Shape& shape, const Text& device) {
  return {page.name(), shape.name(), shape.id(), device};
}

// Reads the whole part table; false when the database or either query fails.
bool ReadPartTable(KvAdoConnection& connection, std::optional<PartTable>& table) {
  Text error;
  connection.ConnOpen(error);
  if (!error.empty()) return false;
  const db::RecordsetRef count = connection.ConnQuery(Text(kCountQuery), error);
  if (!error.empty()) return false;
  const int32_t rows = ToLong(count->value(count->field_index(kCountField)));
  const db::RecordsetRef rs = connection.ConnQuery(Text(kPartTableQuery), error);
  if (!rs || !error.empty()) return false;

  table.emplace(static_cast<size_t>(rows < 0 ? 0 : rows));
  const int16_t part_number = rs->field_index(kPartNumberField);
  const int16_t part_type = rs->field_index(kPartTypeField);
  while (!rs->eof()) {
    table->Append(rs->value(part_number), rs->value(part_type));
    rs->move_next();
  }
  table->Index();
  return true;
}

}  // namespace

void Pw2::CheckForDuplicateAddresses(const std::shared_ptr<host::Document>& docVisio,
                                     const Text& strDbPartProps) {
  static_cast<void>(strDbPartProps);  // the part table comes from PzPartDatabasePath
  KvAdoConnection connection(platform_);
  connection.LetFileName(PzPartDatabasePath);
  std::optional<PartTable> table;
  if (!ReadPartTable(connection, table)) {
    connection.ConnClose();
    return;
  }

  if (!docVisio) Raise(err::kObjectNotSet);
  host::Document& document = *docVisio;
  host::Pages& pages = document.pages();
  const int16_t page_count = pages.count();
  std::optional<Text> document_name;
  std::vector<Text> locations;
  SeenShapes seen;
  for (int32_t p = 1; p <= page_count; ++p) {
    host::Page& page = pages.item(static_cast<int16_t>(p));
    host::Shapes& shapes = page.shapes();
    const int16_t shape_count = shapes.count();
    std::optional<uint32_t> location;
    for (int32_t s = 1; s <= shape_count; ++s) {
      host::Shape& shape = shapes.item(static_cast<int16_t>(s));
      if (!shape.cell_exists(validation::kDeviceFlagsCell) ||
          !shape.cell_exists(validation::kAddressExistsCell))
        continue;
      const Text* part_type =
          table->FindType(validation::CellText(shape, validation::kPartNumberCell));
      if (!part_type) continue;
      Text name = validation::CellText(shape, validation::kDeviceNameCell);
      Text key = *part_type + u":" + validation::CellText(shape, validation::kAddressCell);
      if (!location) {
        if (!document_name) document_name = document.name();
        location = static_cast<uint32_t>(locations.size());
        locations.push_back(*document_name + u":" + page.name());
      }
      const uint32_t first = seen.FirstWithKey(key);
      if (first != kNone) {
        const Text current = Bracketed(name, key, locations[*location]);
        for (uint32_t j = first; j != kNone; j = seen.at(j).next_same_key) {
          const SeenShape& earlier = seen.at(j);
          Text message = Bracketed(earlier.name, earlier.key, locations[earlier.location]) +
                         Text(kConflictsWith) + current;
          platform_->message_box->Show(message, style::kInformation, kConflictTitle);
          if (platform_->findings) {
            host::Page& earlier_page = pages.item(earlier.page);
            validation::Finding finding{validation::Check::kDuplicateAddresses,
                                        RefOf(page, shape, name)};
            finding.part_type = *part_type;
            finding.address = key.substr(part_type->size() + 1);
            finding.other =
                RefOf(earlier_page, earlier_page.shapes().item(earlier.position), earlier.name);
            finding.message = std::move(message);
            platform_->findings->Report(std::move(finding));
          }
        }
      }
      seen.Add(std::move(key), std::move(name), *location, static_cast<int16_t>(p),
               static_cast<int16_t>(s));
    }
  }
  connection.ConnClose();
}

}  // namespace kvpw
