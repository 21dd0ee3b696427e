// Reading desktop-database (.mdb, Jet 3 and Jet 4) files with mdbtools' library: the objects the
// file holds and the rows of its tables, with every column's value in its own kind.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kvpw::db::mdb {

// How a column's values are kept once imported.
enum class ColumnKind {
  kBoolean,
  kByte,
  kInteger,
  kLong,
  kCurrency,
  kSingle,
  kDouble,
  kDecimal,
  kDateTime,
  kText,
  kMemo,
  kGuid,
  kBinary,
  kOle,
};

struct Column {
  std::string name;  // UTF-8
  ColumnKind kind;
};

struct Bytes {
  std::vector<uint8_t> data;
};

// Null, Yes/No, whole numbers, other numbers, text (UTF-8; dates as "yyyy-mm-dd hh:nn:ss"),
// binary.
using Value = std::variant<std::monostate, bool, int64_t, double, std::string, Bytes>;

enum class ObjectKind { kTable, kSystemTable, kQuery, kOther };

struct Object {
  std::string name;
  ObjectKind kind;
  int32_t id;  // the id the system tables refer to it by
};

class MdbFile {
 public:
  // Read-only; the file is never written. Fails (kvpw::Error, the engine's general number) with
  // "Unable to open database: <reason>" for files that are damaged or not ones this reads.
  static std::unique_ptr<MdbFile> Open(const std::string& path);
  ~MdbFile();
  MdbFile(const MdbFile&) = delete;
  MdbFile& operator=(const MdbFile&) = delete;

  bool jet4() const;
  const std::vector<Object>& objects() const { return objects_; }

  // The table's columns, then each row in stored order.
  using RowSink = std::function<void(std::span<const Value>)>;
  std::vector<Column> read_table(const std::string& name, const RowSink& row);

 private:
  explicit MdbFile(void* handle) : handle_(handle) {}
  void* handle_;
  std::vector<Object> objects_;
};

// The format's stream cipher (RC4), which scrambles part of the header and, in an "encrypted"
// file, every page after the first; applying it twice restores the data.
void Rc4(const unsigned char* key, size_t key_size, unsigned char* data, size_t size);

// The text of a date value as stored (days since 1899-12-30, the fraction the time of day).
std::string DateText(double days);

}  // namespace kvpw::db::mdb
