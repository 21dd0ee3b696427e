// The database engine port: what the library relies on of the desktop database engine, gathered
// in one place. Adapters: SQLite files (sqlite_engine.h); later the older desktop format.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "frame/object.h"

namespace kvpw::db {

// The provider the connection texts name; our adapters take its place.
inline constexpr TextView kJetProvider = u"Microsoft.Jet.OLEDB.4.0";
// Its successor, which opens the same files.
inline constexpr TextView kAceProvider = u"Microsoft.ACE.OLEDB.12.0";
inline constexpr TextView kSystemDatabaseProperty = u"Jet OLEDB:System Database";

inline constexpr int32_t kStateClosed = 0;
inline constexpr int32_t kStateOpen = 1;

// Failure numbers of the engine beyond the general one (err::kEngineFailure), as its callers know
// them: statement faults, object state, and the file system's copy.
inline constexpr int32_t kErrSqlSyntax = -2147217900;
inline constexpr int32_t kErrSqlMissingObject = -2147217865;
inline constexpr int32_t kErrSqlMissingParameter = -2147217904;
inline constexpr int32_t kErrObjectClosed = 3704;
inline constexpr int32_t kErrObjectOpen = 3705;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrFileExists = 58;
inline constexpr int32_t kErrPermissionDenied = 70;
inline constexpr int32_t kErrFileAccess = 75;
inline constexpr int32_t kErrPathNotFound = 76;

// A forward-only result positioned on its first row (at its end when there are none). Also an
// Object, so that macros can read it late-bound (EOF, MoveNext, Fields). Closing its connection
// closes it: reading it afterwards fails with 3704.
class Recordset : public TableObject {
 public:
  virtual bool eof() const = 0;
  // 3021 when already at the end.
  virtual void move_next() = 0;
  virtual int16_t field_count() const = 0;
  virtual Text field_name(int16_t position) const = 0;
  // Position of a column by name, without regard to case; 3265 when there is none.
  virtual int16_t field_index(TextView name) const = 0;
  // The column's value in the current row: Null distinct from the empty text. 3021 without a
  // current row, 3265 for a position out of range.
  virtual const Variant& value(int16_t position) const = 0;

  // A key is a column name or a 16-bit position from 0.
  const Variant& field(const Variant& key) const;

 protected:
  // Late-bound members for macros (EOF, MoveNext, Fields), the same for every adapter.
  std::span<const Member> member_table() const override;
};
using RecordsetRef = std::shared_ptr<Recordset>;

// One connection. Failures are kvpw::Error with the engine's number and a readable description.
class Connection : public TableObject {
 public:
  virtual void set_connection_string(TextView text) = 0;
  virtual const Text& connection_string() const = 0;
  // Provider-specific properties; only kSystemDatabaseProperty is known, others fail with 3265.
  virtual void set_property(TextView name, const Variant& value) = 0;
  // An empty connection text opens with the one set before.
  virtual void open(TextView connection_text, TextView user, TextView password) = 0;
  virtual int32_t state() const = 0;
  // Exactly one statement; anything after it is refused before anything runs.
  virtual RecordsetRef execute(TextView sql) = 0;
  virtual void close() = 0;
  // Between these an operation runs many look-ups in a row: the adapter may read one consistent
  // view of the data throughout instead of checking the file again before each statement. Pairs
  // nest; a writing statement or close() ends the view early.
  virtual void begin_reads() {}
  virtual void end_reads() {}

 protected:
  // Late-bound members for macros (ConnectionString, Open, Execute, State, Close).
  std::span<const Member> member_table() const override;
};
using ConnectionRef = std::shared_ptr<Connection>;

// begin_reads() for as long as it lives; nothing for no connection.
class ReadsTogether {
 public:
  explicit ReadsTogether(ConnectionRef connection) : connection_(std::move(connection)) {
    if (connection_) connection_->begin_reads();
  }
  ReadsTogether(const ReadsTogether&) = delete;
  ReadsTogether& operator=(const ReadsTogether&) = delete;
  ~ReadsTogether() {
    if (connection_) connection_->end_reads();
  }

 private:
  ConnectionRef connection_;
};

class Engine {
 public:
  virtual ~Engine() = default;
  virtual ConnectionRef new_connection() = 0;
  // Copies one file; fails (kvpw::Error) when the source is missing, or the target exists and
  // overwriting is not allowed, or the copy cannot be made.
  virtual void copy_file(TextView from, TextView to, bool overwrite) = 0;
};

}  // namespace kvpw::db
