#include "db/mdb/mdb_file.h"

#include <mdbtools.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "frame/error.h"
#include "frame/text.h"

namespace kvpw::db::mdb {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kJetMagic{"\0\1\0\0", 4};
constexpr std::string_view kJetName{"Standard Jet DB\0", 16};
constexpr std::string_view kAceName{"Standard ACE DB\0", 16};
constexpr size_t kVersionOffset = 0x14;
constexpr int kJet3PageSize = 2048;
constexpr int kJet4PageSize = 4096;
// The system table pages every file has: header, usage map and the object catalogue.
constexpr uintmax_t kMinimumPages = 3;

// Row offsets carry flags in their top bits.
constexpr int kRowDeleted = 0x4000;
constexpr int kRowOffsetMask = 0x1fff;
// Long values (memo, OLE): a 12-byte header, the data inline or in rows of other pages.
constexpr uint32_t kLongValueInline = 0x80000000u;
constexpr uint32_t kLongValueOnePage = 0x40000000u;
constexpr uint32_t kLongValueLengthMask = 0x3fffffffu;
constexpr int kLongValueHeader = 12;
// A damaged chain must not loop for ever.
constexpr int kMaxLongValuePages = 1 << 20;

[[noreturn]] void Unable(std::string_view reason) {
  Raise(err::kEngineFailure, u"Unable to open database: " + FromUtf8(reason));
}

MdbHandle* H(void* handle) {
  return static_cast<MdbHandle*>(handle);
}

template <typename T>
T At(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

constexpr unsigned char kHeaderKey[] = {0xc7, 0xda, 0x39, 0x6b};
constexpr size_t kScrambledOffset = 0x18;
constexpr size_t kJet3ScrambledSize = 0x7e;
constexpr size_t kJet4ScrambledSize = 0x80;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kJet3PasswordSize = 20;
constexpr size_t kJet4PasswordSize = 40;
// Jet 4 masks the password with the whole days of the file's creation date.
constexpr size_t kCreationDateOffset = 0x72;

// Whether the database password is set: the desktop engine refuses to open such a file
// without it, and a catalogue's connection text never carries one.
bool HasPassword(unsigned char* header, bool jet3) {
  Rc4(kHeaderKey, sizeof kHeaderKey, header + kScrambledOffset,
      jet3 ? kJet3ScrambledSize : kJet4ScrambledSize);
  unsigned char mask[4] = {};
  if (!jet3) {
    const double created = At<double>(header + kCreationDateOffset);
    const int32_t days =
        std::isfinite(created) && std::fabs(created) < 2e9 ? static_cast<int32_t>(created) : 0;
    std::memcpy(mask, &days, sizeof mask);
  }
  const size_t size = jet3 ? kJet3PasswordSize : kJet4PasswordSize;
  for (size_t i = 0; i < size; ++i)
    if ((header[kPasswordOffset + i] ^ mask[i % 4]) != 0) return true;
  return false;
}

// What mdbtools would refuse or misread is caught from the header first, with a reason.
void CheckHeader(const std::string& path) {
  std::error_code ec;
  const fs::path file(path);
  const uintmax_t size = fs::file_size(file, ec);
  if (ec) Unable("the file cannot be read (" + ec.message() + ")");
  std::ifstream in(file, std::ios::binary);
  unsigned char header[kScrambledOffset + kJet4ScrambledSize] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  const std::string_view head(reinterpret_cast<const char*>(header),
                              static_cast<size_t>(in.gcount()));
  if (head.size() < kVersionOffset + 1 || !head.starts_with(kJetMagic))
    Unable("the file is not a desktop database (no Jet header)");
  const std::string_view name = head.substr(kJetMagic.size(), kJetName.size());
  const unsigned version = header[kVersionOffset];
  if (name == kAceName || version >= MDB_VER_ACCDB_2007)
    Unable("the file is in the newer Access format (.accdb), which is not supported");
  if (name != kJetName) Unable("the file is not a desktop database (unknown header)");
  const bool jet3 = version == MDB_VER_JET3;
  const int page = jet3 ? kJet3PageSize : kJet4PageSize;
  if (size < kMinimumPages * page || size % page != 0)
    Unable("the file is truncated (" + std::to_string(size) + " bytes is not a whole number of " +
           std::to_string(page) + "-byte pages)");
  if (HasPassword(header, jet3))
    Unable(
        "the database is protected by a password, which a catalogue cannot give (Not a valid "
        "password.)");
}

int64_t Int64At(const unsigned char* p) {
  int64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::string Guid(const unsigned char* p) {
  char out[40];
  std::snprintf(out, sizeof out, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                At<uint32_t>(p), At<uint16_t>(p + 4), At<uint16_t>(p + 6), p[8], p[9], p[10], p[11],
                p[12], p[13], p[14], p[15]);
  return out;
}

ColumnKind KindOf(int type) {
  switch (type) {
    case MDB_BOOL:
      return ColumnKind::kBoolean;
    case MDB_BYTE:
      return ColumnKind::kByte;
    case MDB_INT:
      return ColumnKind::kInteger;
    case MDB_LONGINT:
      return ColumnKind::kLong;
    case MDB_MONEY:
      return ColumnKind::kCurrency;
    case MDB_FLOAT:
      return ColumnKind::kSingle;
    case MDB_DOUBLE:
      return ColumnKind::kDouble;
    case MDB_NUMERIC:
      return ColumnKind::kDecimal;
    case MDB_DATETIME:
      return ColumnKind::kDateTime;
    case MDB_TEXT:
      return ColumnKind::kText;
    case MDB_MEMO:
      return ColumnKind::kMemo;
    case MDB_REPID:
      return ColumnKind::kGuid;
    case MDB_OLE:
      return ColumnKind::kOle;
    case MDB_COMPLEX:
      return ColumnKind::kLong;
    default:
      return ColumnKind::kBinary;
  }
}

// Jet 3 code pages and Jet 4's compressed or plain UTF-16, to UTF-8.
std::string TextOf(MdbHandle* mdb, const void* data, size_t size) {
  if (size == 0) return {};
  std::string out(size * 3 + 8, '\0');
  const int n =
      mdb_unicode2ascii(mdb, static_cast<const char*>(data), size, out.data(), out.size());
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// The bytes of a memo or OLE value: inline, in one row of another page, or in a chain of them.
// Other pages are read into the second page buffer, so the row's own page stays where it is.
bool ReadLongValue(MdbHandle* mdb, const unsigned char* field, int size,
                   std::vector<uint8_t>& out) {
  out.clear();
  if (size < kLongValueHeader) return size == 0;
  const uint32_t word = At<uint32_t>(field);
  const uint32_t length = word & kLongValueLengthMask;
  if (word & kLongValueInline) {
    if (length > static_cast<uint32_t>(size - kLongValueHeader)) return false;
    out.assign(field + kLongValueHeader, field + kLongValueHeader + length);
    return true;
  }
  int32_t pg_row = At<int32_t>(field + 4);
  for (int hops = 0; hops < kMaxLongValuePages; ++hops) {
    void* buf = nullptr;
    int offset = 0;
    size_t row_length = 0;
    if (mdb_find_pg_row(mdb, pg_row, &buf, &offset, &row_length)) return false;
    if (offset < 0 || offset + row_length > static_cast<size_t>(mdb->fmt->pg_size)) return false;
    const auto* row = static_cast<const unsigned char*>(buf) + offset;
    if (word & kLongValueOnePage) {
      out.assign(row, row + std::min<size_t>(row_length, length));
      return true;
    }
    if (row_length < 4) return false;
    pg_row = At<int32_t>(row);
    out.insert(out.end(), row + 4, row + row_length);
    if (out.size() >= length || pg_row == 0) break;
  }
  if (out.size() > length) out.resize(length);
  return true;
}

Value Decode(MdbHandle* mdb, const MdbColumn& col, const MdbField& field) {
  if (col.col_type == MDB_BOOL) return !field.is_null;
  if (field.is_null) return std::monostate{};
  const auto* p = static_cast<const unsigned char*>(field.value);
  const auto fixed = [&](int bytes) { return field.siz >= bytes; };
  switch (col.col_type) {
    case MDB_BYTE:
      if (fixed(1)) return static_cast<int64_t>(p[0]);
      break;
    case MDB_INT:
      if (fixed(2)) return static_cast<int64_t>(At<int16_t>(p));
      break;
    case MDB_LONGINT:
    case MDB_COMPLEX:
      if (fixed(4)) return static_cast<int64_t>(At<int32_t>(p));
      break;
    case MDB_MONEY:
      if (fixed(8)) return static_cast<double>(Int64At(p)) / 10000.0;
      break;
    case MDB_FLOAT:
      if (fixed(4)) return static_cast<double>(At<float>(p));
      break;
    case MDB_DOUBLE:
      if (fixed(8)) return At<double>(p);
      break;
    case MDB_DATETIME:
      if (fixed(8)) return DateText(At<double>(p));
      break;
    case MDB_REPID:
      if (fixed(16)) return Guid(p);
      break;
    case MDB_NUMERIC:
      if (fixed(17)) {
        char* text = mdb_numeric_to_string(mdb, field.start, col.col_scale, col.col_prec);
        const double v = text ? std::strtod(text, nullptr) : 0.0;
        g_free(text);
        return v;
      }
      break;
    case MDB_TEXT:
      return TextOf(mdb, p, static_cast<size_t>(field.siz));
    case MDB_MEMO:
    case MDB_OLE: {
      std::vector<uint8_t> bytes;
      if (!ReadLongValue(mdb, p, field.siz, bytes))
        Unable(std::string("the file is damaged: a long value of column ") + col.name +
               " cannot be read");
      if (col.col_type == MDB_OLE) return Bytes{std::move(bytes)};
      return TextOf(mdb, bytes.data(), bytes.size());
    }
    default:
      return Bytes{std::vector<uint8_t>(p, p + std::max(field.siz, 0))};
  }
  Raise(err::kEngineFailure,
        u"The database file is damaged: a value of column " + FromUtf8(col.name) + u" is short.");
}

struct TableCloser {
  void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

}  // namespace

void Rc4(const unsigned char* key, size_t key_size, unsigned char* data, size_t size) {
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (unsigned i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key_size]) & 0xff;
    std::swap(s[i], s[j]);
  }
  for (unsigned n = 0, i = 0, j = 0; n < size; ++n) {
    i = (i + 1) & 0xff;
    j = (j + s[i]) & 0xff;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xff];
  }
}

std::string DateText(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 3e6) return "";
  // Negative values count whole days back and the time of day forward.
  double whole = std::trunc(days);
  double fraction = std::fabs(days - whole);
  int64_t seconds_of_day = std::llround(fraction * 86400.0);
  if (seconds_of_day >= 86400) {
    seconds_of_day -= 86400;
    whole += days < 0 ? -1 : 1;
  }
  // Days from 1899-12-30 to civil date (Howard Hinnant's days_from_civil inverted).
  int64_t z = static_cast<int64_t>(whole) - 25569 + 719468;  // 25569: 1899-12-30 to 1970-01-01
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  char out[128];
  std::snprintf(out, sizeof out, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                static_cast<long long>(seconds_of_day / 3600),
                static_cast<long long>(seconds_of_day / 60 % 60),
                static_cast<long long>(seconds_of_day % 60));
  return out;
}

std::unique_ptr<MdbFile> MdbFile::Open(const std::string& path) {
  CheckHeader(path);
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (!mdb) Unable("the file's header cannot be read");
  std::unique_ptr<MdbFile> file(new MdbFile(mdb));
  // Every kind of object at once: asking for one kind later reads the catalogue again without
  // the others.
  if (!mdb_read_catalog(mdb, MDB_ANY)) Unable("the object catalogue cannot be read");
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    Object object{entry->object_name, ObjectKind::kOther, 0};
    if (entry->object_type == MDB_TABLE)
      object.kind = ObjectKind::kTable;
    else if (entry->object_type == MDB_SYSTEM_TABLE)
      object.kind = ObjectKind::kSystemTable;
    else if (entry->object_type == MDB_QUERY)
      object.kind = ObjectKind::kQuery;
    file->objects_.push_back(std::move(object));
  }
  // The ids the query definitions refer to are only in the object table itself.
  std::vector<std::pair<std::string, int32_t>> ids;
  try {
    const std::vector<Column> columns = file->read_table("MSysObjects", nullptr);
    int id_at = -1, name_at = -1;
    for (size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].name == "Id") id_at = static_cast<int>(c);
      if (columns[c].name == "Name") name_at = static_cast<int>(c);
    }
    if (id_at < 0 || name_at < 0) Unable("the object catalogue has no ids");
    file->read_table("MSysObjects", [&](std::span<const Value> row) {
      const auto* id = std::get_if<int64_t>(&row[id_at]);
      const auto* object_name = std::get_if<std::string>(&row[name_at]);
      if (id && object_name) ids.emplace_back(*object_name, static_cast<int32_t>(*id));
    });
  } catch (const Error&) {
    Unable("the object catalogue cannot be read");
  }
  for (Object& object : file->objects_)
    for (const auto& [object_name, id] : ids)
      if (object_name == object.name) object.id = id;
  return file;
}

MdbFile::~MdbFile() {
  mdb_close(H(handle_));
}

bool MdbFile::jet4() const {
  return H(handle_)->f->jet_version != MDB_VER_JET3;
}

std::vector<Column> MdbFile::read_table(const std::string& name, const RowSink& sink) {
  MdbHandle* mdb = H(handle_);
  MdbCatalogEntry* entry = nullptr;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if ((e->object_type == MDB_TABLE || e->object_type == MDB_SYSTEM_TABLE) &&
        name == e->object_name) {
      entry = e;
      break;
    }
  }
  if (!entry) Raise(err::kEngineFailure, u"The database has no table " + FromUtf8(name) + u".");
  std::unique_ptr<MdbTableDef, TableCloser> table(mdb_read_table(entry));
  if (!table || !mdb_read_columns(table.get()))
    Unable("the file is damaged: the table " + name + " cannot be read");
  std::vector<Column> columns;
  std::vector<const MdbColumn*> defs;
  for (unsigned i = 0; i < table->num_cols; ++i) {
    const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    columns.push_back({col->name, KindOf(col->col_type)});
    defs.push_back(col);
  }
  if (!sink) return columns;

  // Rows are walked page by page here rather than with mdb_fetch_row, which turns every value
  // into text on the way and drops the null bits.
  std::vector<MdbField> fields(std::max<size_t>(table->num_cols, 1));
  std::vector<Value> values(table->num_cols);
  mdb_rewind_table(table.get());
  const int pg_size = static_cast<int>(mdb->fmt->pg_size);
  while (mdb_read_next_dpg(table.get())) {
    const int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
    if (rows < 0 || rows > pg_size / 2) Unable("a data page of table " + name + " is damaged");
    for (int r = 0; r < rows; ++r) {
      int start = 0;
      size_t length = 0;
      if (mdb_find_row(mdb, r, &start, &length) || length == 0) continue;
      // Deleted rows are skipped; a row that moved to another page is read where it lies now.
      if (start & kRowDeleted) continue;
      start &= kRowOffsetMask;
      if (start + length > static_cast<size_t>(pg_size))
        Unable("a row of table " + name + " lies outside its page");
      // A row written before later columns were added stores fewer of them: those read as Null.
      const int stored = mdb_crack_row(table.get(), start, length, fields.data());
      if (stored <= 0) Unable("a row of table " + name + " is damaged");
      for (unsigned c = 0; c < table->num_cols; ++c)
        values[c] = defs[c]->col_num < stored       ? Decode(mdb, *defs[c], fields[c])
                    : defs[c]->col_type == MDB_BOOL ? Value{false}
                                                    : Value{std::monostate{}};
      sink(values);
    }
  }
  return columns;
}

}  // namespace kvpw::db::mdb
