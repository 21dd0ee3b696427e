// Devices of one engineering part type that share a network address.
#include <exception>
#include <optional>
#include <vector>

#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/misc.h"
#include "frame/on_cores.h"
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
constexpr uint32_t kNone = validation::TextIndex::kNone;

// The part table as the check reads it, in its rows' order. Part numbers share one buffer and
// part types are kept once each, so that a large table costs few allocations.
class PartTable {
 public:
  // Sized by the count taken before: a row beyond it is error 9.
  explicit PartTable(int32_t rows) : rows_(rows < 0 ? 0 : static_cast<size_t>(rows)) {
    numbers_.reserve(rows_ + 1);
    type_of_.reserve(rows_ + 1);
  }

  void Append(const Variant& part_number, const Variant& part_type) {
    if (type_of_.size() == rows_) Raise(err::kSubscript);
    numbers_.push_back(FieldText(part_number, number_scratch_));
    type_of_.push_back(TypeId(FieldText(part_type, type_scratch_)));
  }

  // Rows the count has but the query did not give stay empty texts; the first of them is all a
  // search for the first row of a part number can find.
  void End() {
    if (type_of_.size() == rows_) return;
    numbers_.push_back(TextView());
    type_of_.push_back(TypeId(TextView()));
  }

  size_t rows() const { return type_of_.size(); }
  TextView Number(size_t row) const { return numbers_[row]; }
  uint32_t TypeOf(size_t row) const { return type_of_[row]; }
  const Text& Type(uint32_t id) const { return types_[id]; }

 private:
  // A field value as NullToEmptyString gives it, without copying the common text case.
  static TextView FieldText(const Variant& value, Text& scratch) {
    if (value.is_text()) return value.text();
    scratch = NullToEmptyString(value);
    return scratch;
  }
  uint32_t TypeId(TextView type) {
    // Rows of one type tend to come together.
    if (!type_of_.empty() && types_[type_of_.back()] == type) return type_of_.back();
    const uint32_t id = type_ids_.Insert(type, static_cast<uint32_t>(types_.size()),
                                         [this](uint32_t t) { return TextView(types_[t]); });
    if (id == types_.size()) types_.emplace_back(type);
    return id;
  }

  size_t rows_;
  validation::TextList numbers_;
  std::vector<uint32_t> type_of_;
  std::vector<Text> types_;
  validation::TextIndex type_ids_;
  Text number_scratch_, type_scratch_;
};

// The part numbers that the device shapes carry, each once, and the part type of the first table
// row of each: the row a front-to-back search of the table stops at. Only the numbers in use are
// filed, so the table's rows are looked up among a few thousand instead of being filed whole.
class WantedParts {
 public:
  uint32_t Add(TextView part_number) {
    const uint32_t id = index_.Insert(part_number, static_cast<uint32_t>(type_of_.size()), Key());
    if (id == type_of_.size()) {
      numbers_.push_back(part_number);
      type_of_.push_back(kNone);
    }
    return id;
  }

  void FindTypes(const PartTable& table) {
    size_t missing = type_of_.size();
    for (size_t row = 0; row < table.rows() && missing > 0; ++row) {
      const uint32_t id = index_.Find(table.Number(row), Key());
      if (id != kNone && type_of_[id] == kNone) {
        type_of_[id] = table.TypeOf(row);
        --missing;
      }
    }
  }

  // The part type id of the part number with that id; kNone when no row has it.
  uint32_t TypeOf(uint32_t id) const { return type_of_[id]; }

 private:
  struct NumberOf {
    const WantedParts* parts;
    TextView operator()(uint32_t id) const { return parts->numbers_[id]; }
  };
  NumberOf Key() const { return {this}; }

  validation::TextList numbers_;
  std::vector<uint32_t> type_of_;
  validation::TextIndex index_;
};

// A device shape that carries both marker cells, with the cells the check reads.
struct DeviceShape {
  int16_t page;
  int16_t position;
  uint32_t part;  // in WantedParts
  Text name;
  Text address;
  // A check going shape by shape reads the name and address only of a shape whose part number
  // is in the table, so a failure to read them counts only then.
  std::exception_ptr unread;
};

// The device shapes in drawing order, found while the part table is read. A failure met while
// finding them is held back until the shapes before it are checked, which is where a check going
// shape by shape after reading the table meets it; a failure of the table read comes first.
struct DeviceShapes {
  std::vector<DeviceShape> shapes;
  WantedParts parts;
  std::exception_ptr failure;
};

void FindDeviceShapes(const std::shared_ptr<host::Document>& docVisio, DeviceShapes& found) {
  try {
    if (!docVisio) Raise(err::kObjectNotSet);
    host::Pages& pages = docVisio->pages();
    validation::ForEachShape(
        pages, 1, pages.count(), [&](host::Page&, host::Shape& shape, int16_t p, int16_t s) {
          if (!shape.cell_exists(validation::kDeviceFlagsCell) ||
              !shape.cell_exists(validation::kAddressExistsCell))
            return;
          const uint32_t part =
              found.parts.Add(validation::CellText(shape, validation::kPartNumberCell));
          DeviceShape& device = found.shapes.emplace_back(DeviceShape{p, s, part, {}, {}, {}});
          try {
            device.name = validation::CellText(shape, validation::kDeviceNameCell);
            device.address = validation::CellText(shape, validation::kAddressCell);
          } catch (...) {
            device.unread = std::current_exception();
          }
        });
  } catch (...) {
    found.failure = std::current_exception();
  }
}

// A shape already checked. `location` indexes the "<document>:<page>" texts, kept once per page.
struct SeenShape {
  Text name;
  uint32_t location;
  int16_t page;  // where the shape is, to name it in a finding
  int16_t position;
  uint32_t next_same_key;  // kNone at the latest shape of its key
  uint32_t last_same_key;  // kept up to date on the first shape of each key only
};

// The shapes checked so far, each linked to the next one of the same key, so that the earlier
// shapes of a key are found by one hash look-up instead of a walk over all of them. A key is the
// part type, a colon and the address, compared as that whole text (a part type may hold a colon
// too); the keys share one buffer.
class SeenShapes {
 public:
  const SeenShape& at(uint32_t index) const { return seen_[index]; }
  TextView key(uint32_t index) const { return keys_[index]; }
  // The first shape recorded with the key, or kNone.
  uint32_t FirstWithKey(TextView key) const { return chains_.Find(key, KeyOf()); }
  void Add(TextView key, Text name, uint32_t location, int16_t page, int16_t position) {
    const uint32_t index = static_cast<uint32_t>(seen_.size());
    keys_.push_back(key);
    seen_.push_back({std::move(name), location, page, position, kNone, index});
    const uint32_t first = chains_.Insert(key, index, KeyOf());
    if (first != index) {
      seen_[seen_[first].last_same_key].next_same_key = index;
      seen_[first].last_same_key = index;
    }
  }

 private:
  struct KeyOfShape {
    const SeenShapes* seen;
    TextView operator()(uint32_t i) const { return seen->key(i); }
  };
  KeyOfShape KeyOf() const { return {this}; }
  std::vector<SeenShape> seen_;
  validation::TextList keys_;
  validation::TextIndex chains_;
};

Text Bracketed(TextView name, TextView key, TextView location) {
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

// The part table's row count and the query over it; nothing when the database or either query
// fails.
db::RecordsetRef QueryPartTable(KvAdoConnection& connection, int32_t& rows) {
  Text error;
  connection.ConnOpen(error);
  if (!error.empty()) return nullptr;
  const db::RecordsetRef count = connection.ConnQuery(Text(kCountQuery), error);
  if (!error.empty()) return nullptr;
  rows = ToLong(count->value(count->field_index(kCountField)));
  db::RecordsetRef rs = connection.ConnQuery(Text(kPartTableQuery), error);
  return error.empty() ? rs : nullptr;
}

PartTable ReadPartTable(db::Recordset& rs, int32_t rows) {
  PartTable table(rows);
  // The fields are asked for by row: a table without rows lacks none.
  if (rs.eof()) {
    table.End();
    return table;
  }
  const int16_t part_number = rs.field_index(kPartNumberField);
  const int16_t part_type = rs.field_index(kPartTypeField);
  for (; !rs.eof(); rs.move_next()) table.Append(rs.value(part_number), rs.value(part_type));
  table.End();
  return table;
}

}  // namespace

void Pw2::CheckForDuplicateAddresses(const std::shared_ptr<host::Document>& docVisio,
                                     const Text& strDbPartProps) {
  static_cast<void>(strDbPartProps);  // the part table comes from PzPartDatabasePath
  KvAdoConnection connection(platform_);
  connection.LetFileName(PzPartDatabasePath);
  int32_t rows = 0;
  const db::RecordsetRef query = QueryPartTable(connection, rows);
  if (!query) {
    connection.ConnClose();
    return;
  }
  // The table is read on a helper while this thread, the one the drawing may be called from,
  // walks the drawing.
  std::optional<PartTable> table;
  DeviceShapes devices;
  WhileBeside([&] { table.emplace(ReadPartTable(*query, rows)); },
              [&] { FindDeviceShapes(docVisio, devices); });
  devices.parts.FindTypes(*table);

  std::optional<Text> document_name;
  std::vector<Text> locations;
  SeenShapes seen;
  int16_t at_page = 0;
  host::Page* page = nullptr;
  uint32_t location = kNone;  // of the current page, once a shape on it is checked
  Text key;
  for (DeviceShape& device : devices.shapes) {
    const uint32_t type = devices.parts.TypeOf(device.part);
    if (type == kNone) continue;
    if (device.unread) std::rethrow_exception(device.unread);
    host::Document& document = *docVisio;
    if (device.page != at_page) {
      at_page = device.page;
      page = &document.pages().item(at_page);
      location = kNone;
    }
    if (location == kNone) {
      if (!document_name) document_name = document.name();
      location = static_cast<uint32_t>(locations.size());
      locations.push_back(*document_name + u":" + page->name());
    }
    const Text& part_type = table->Type(type);
    key.assign(part_type).append(u":").append(device.address);
    const uint32_t first = seen.FirstWithKey(key);
    if (first != kNone) {
      const Text current = Bracketed(device.name, key, locations[location]);
      for (uint32_t j = first; j != kNone; j = seen.at(j).next_same_key) {
        const SeenShape& earlier = seen.at(j);
        Text message = Bracketed(earlier.name, seen.key(j), locations[earlier.location]) +
                       Text(kConflictsWith) + current;
        platform_->message_box->Show(message, style::kInformation, kConflictTitle);
        if (platform_->findings) {
          host::Page& earlier_page = document.pages().item(earlier.page);
          validation::Finding finding{
              validation::Check::kDuplicateAddresses,
              RefOf(*page, page->shapes().item(device.position), device.name)};
          finding.part_type = part_type;
          finding.address = device.address;
          finding.other =
              RefOf(earlier_page, earlier_page.shapes().item(earlier.position), earlier.name);
          finding.message = std::move(message);
          platform_->findings->Report(std::move(finding));
        }
      }
    }
    seen.Add(key, std::move(device.name), location, device.page, device.position);
  }
  if (devices.failure) std::rethrow_exception(devices.failure);
  connection.ConnClose();
}

}  // namespace kvpw
