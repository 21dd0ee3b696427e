#include "db/sqlite_engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/connection_text.h"
#include "db/database_files.h"
#include "db/jet_functions.h"
#include "db/jet_sql.h"
#include "db/lifted_query.h"
#include "db/mdb/import.h"
#include "db/sqlite_rules.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

namespace fs = std::filesystem;

constexpr int kBusyTimeoutMs = 5000;

constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};
constexpr std::string_view kJetMagic{"\0\1\0\0", 4};
constexpr std::string_view kJetNames[] = {"Standard Jet DB", "Standard ACE DB"};

// Descriptions; where the desktop engine or its components have words of their own, theirs.
constexpr TextView kCharactersAfterEnd = u"Characters found after end of SQL statement.";
constexpr TextView kNoStatement =
    u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
constexpr TextView kStatementTooLong = u"The SQL statement is too long.";

Text Quoted(TextView path) {
  Text quoted;
  quoted.reserve(path.size() + 2);
  quoted.append(1, u'\'').append(path).append(1, u'\'');
  return quoted;
}

[[noreturn]] void Fail(Text description) {
  Raise(err::kEngineFailure, std::move(description));
}

Text ErrorText(sqlite3* db) {
  const void* message = db ? sqlite3_errmsg16(db) : nullptr;
  return message ? Text(static_cast<const char16_t*>(message)) : Text(u"out of memory");
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}
bool IsWhitespace(char16_t c) {
  return IsBlank(c) || (c >= u'\n' && c <= u'\r');
}

// Looked at only after SQLite refuses a file, so that SQLite files (whatever their names) open
// without it.
bool IsDesktopDatabase(const fs::path& file) {
  std::array<char, 19> header{};
  std::ifstream in(file, std::ios::binary);
  in.read(header.data(), header.size());
  const std::string_view head(header.data(), static_cast<size_t>(in.gcount()));
  if (!head.starts_with(kJetMagic)) return false;
  for (const std::string_view name : kJetNames)
    if (head.substr(kJetMagic.size()) == name) return true;
  return false;
}

// --- Text comparison --------------------------------------------------------------------------

// --- Column values ----------------------------------------------------------------------------

enum class ColumnKind { kPlain, kBoolean, kInteger, kDouble, kText };

struct KindByType {
  std::string_view type;
  ColumnKind kind;
};
constexpr KindByType kKindByType[] = {
    {"BOOLEAN", ColumnKind::kBoolean}, {"BOOL", ColumnKind::kBoolean},
    {"BIT", ColumnKind::kBoolean},     {"YESNO", ColumnKind::kBoolean},
    {"LOGICAL", ColumnKind::kBoolean}, {"SMALLINT", ColumnKind::kInteger},
    {"SHORT", ColumnKind::kInteger},   {"INTEGER2", ColumnKind::kInteger},
    {"INT2", ColumnKind::kInteger},    {"TINYINT", ColumnKind::kInteger},
    {"BYTE", ColumnKind::kInteger},    {"CURRENCY", ColumnKind::kDouble},
    {"MONEY", ColumnKind::kDouble},    {"DOUBLE", ColumnKind::kDouble},
    {"REAL", ColumnKind::kDouble},     {"FLOAT", ColumnKind::kDouble},
    {"SINGLE", ColumnKind::kDouble},   {"NUMERIC", ColumnKind::kDouble},
    {"DECIMAL", ColumnKind::kDouble},  {"MEMO", ColumnKind::kText},
};

// What a column holds, from the type its table declares (none for expressions).
ColumnKind KindOf(const char* declared) {
  if (!declared) return ColumnKind::kPlain;
  std::string upper(declared);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  const std::string_view word = std::string_view(upper).substr(0, upper.find_first_of(" ("));
  for (const auto& [type, kind] : kKindByType)
    if (word == type) return kind;
  // SQLite's own rule for text columns.
  for (const std::string_view text_mark : {"CHAR", "CLOB", "TEXT"})
    if (upper.find(text_mark) != std::string::npos) return ColumnKind::kText;
  return ColumnKind::kPlain;
}

// Integers as Long where they fit (Double beyond), 16-bit columns as Integer, yes/no columns as
// Boolean. Any blob but one in a text column is its bytes, as the desktop engine gives binary
// columns: an array of numbers from 0 to 255.
Variant ReadNonText(sqlite3_stmt* stmt, int i, int type, ColumnKind kind) {
  switch (type) {
    case SQLITE_NULL:
      return kNull;
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(stmt, i);
      if (kind == ColumnKind::kBoolean) return v != 0;
      if (kind == ColumnKind::kDouble) return static_cast<double>(v);
      if (kind == ColumnKind::kInteger && v >= INT16_MIN && v <= INT16_MAX)
        return static_cast<int16_t>(v);
      if (v >= INT32_MIN && v <= INT32_MAX) return static_cast<int32_t>(v);
      return static_cast<double>(v);
    }
    case SQLITE_FLOAT: {
      const double d = sqlite3_column_double(stmt, i);
      if (kind == ColumnKind::kBoolean) return d != 0;
      return d;
    }
    default: {
      const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
      const size_t size = static_cast<size_t>(sqlite3_column_bytes(stmt, i));
      std::vector<Variant> items;
      items.reserve(size);
      for (size_t k = 0; k < size; ++k) items.emplace_back(static_cast<int16_t>(bytes[k]));
      return Variant::MakeArray(std::move(items));
    }
  }
}

// A column's value into `into`. A text (or a blob in a text column: text stored as bytes) goes
// into `into`'s own buffer, which a table read reuses from row to row.
void ReadColumn(sqlite3_stmt* stmt, int i, ColumnKind kind, Variant& into) {
  const int type = sqlite3_column_type(stmt, i);
  if (type != SQLITE_TEXT && (type != SQLITE_BLOB || kind != ColumnKind::kText)) {
    into = ReadNonText(stmt, i, type, kind);
    return;
  }
  // Read as stored (UTF-8): asking SQLite for UTF-16 makes it convert into a buffer of its own
  // first, which costs a third of reading a large table.
  const auto* text = type == SQLITE_TEXT
                         ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))
                         : static_cast<const char*>(sqlite3_column_blob(stmt, i));
  const size_t length = static_cast<size_t>(sqlite3_column_bytes(stmt, i));
  AssignUtf8(into.set_text(), text ? std::string_view(text, length) : std::string_view());
}

// A prepared statement as a record set holds it: its own (finalized when done) or one kept by
// the connection for reuse (reset and handed back when done).
class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* stmt, std::shared_ptr<bool> in_use = nullptr)
      : stmt_(stmt), in_use_(std::move(in_use)) {}
  Statement(Statement&& other) noexcept
      : stmt_(std::exchange(other.stmt_, nullptr)), in_use_(std::move(other.in_use_)) {}
  Statement& operator=(Statement&& other) noexcept {
    if (this != &other) {
      reset();
      stmt_ = std::exchange(other.stmt_, nullptr);
      in_use_ = std::move(other.in_use_);
    }
    return *this;
  }
  ~Statement() { reset(); }

  sqlite3_stmt* get() const { return stmt_; }
  explicit operator bool() const { return stmt_ != nullptr; }
  // Gives up the statement without finalizing it.
  sqlite3_stmt* release() {
    in_use_.reset();
    return std::exchange(stmt_, nullptr);
  }
  void reset() {
    if (!stmt_) return;
    if (in_use_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
      *in_use_ = false;
    } else {
      sqlite3_finalize(stmt_);
    }
    stmt_ = nullptr;
    in_use_.reset();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  std::shared_ptr<bool> in_use_;
};

// --- Record sets and connections --------------------------------------------------------------

class SqliteConnection;

// What a statement's columns are called and hold; worked out once per kept statement, since a
// repeated look-up would otherwise spend a good part of its time on it.
struct Columns {
  std::vector<Text> names;
  std::vector<ColumnKind> kinds;
};

std::shared_ptr<const Columns> ColumnsOf(sqlite3_stmt* stmt) {
  const int n = sqlite3_column_count(stmt);
  if (n > INT16_MAX) Raise(err::kEngineFailure, u"Too many columns in the result.");
  auto columns = std::make_shared<Columns>();
  columns->names.reserve(static_cast<size_t>(n));
  columns->kinds.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const void* name = sqlite3_column_name16(stmt, i);
    columns->names.emplace_back(name ? static_cast<const char16_t*>(name) : u"");
    columns->kinds.push_back(KindOf(sqlite3_column_decltype(stmt, i)));
  }
  return columns;
}

// Reads one row per step, and a column only when asked: part lists walk thousands of rows and
// look at a few of their columns.
class SqliteRecordset final : public Recordset {
 public:
  // `columns` describes the statement's columns (worked out here when not given).
  SqliteRecordset(std::shared_ptr<const SqliteConnection> owner, Statement stmt,
                  std::shared_ptr<const Columns> columns)
      : owner_(std::move(owner)),
        stmt_(std::move(stmt)),
        columns_(columns ? std::move(columns) : ColumnsOf(stmt_.get())) {
    const size_t n = columns_->names.size();
    row_.resize(n);
    read_at_.assign(n, 0);
    Step();
  }

  bool eof() const override {
    CheckOpen();
    return !stmt_;
  }

  void move_next() override {
    CheckOpen();
    if (!stmt_) Raise(err::kNoCurrentRecord);
    Step();
  }

  int16_t field_count() const override {
    CheckOpen();
    return static_cast<int16_t>(columns_->names.size());
  }

  Text field_name(int16_t position) const override {
    CheckPosition(position);
    return columns_->names[position];
  }

  int16_t field_index(TextView name) const override {
    CheckOpen();
    const std::vector<Text>& names = columns_->names;
    for (size_t i = 0; i < names.size(); ++i)
      if (EqualsNoCase(names[i], name)) return static_cast<int16_t>(i);
    Raise(err::kItemNotFound);
  }

  const Variant& value(int16_t position) const override {
    CheckPosition(position);
    if (!stmt_) Raise(err::kNoCurrentRecord);
    if (read_at_[position] != row_number_) {
      ReadColumn(stmt_.get(), position, columns_->kinds[position], row_[position]);
      read_at_[position] = row_number_;
    }
    return row_[position];
  }

  // Its connection is closing: the statement goes, and so does reading.
  void Detach() {
    stmt_.reset();
    closed_ = true;
  }

 private:
  void CheckOpen() const {
    if (closed_) Raise(kErrObjectClosed, Text(kObjectClosed));
  }

  void CheckPosition(int16_t position) const {
    CheckOpen();
    if (position < 0 || static_cast<size_t>(position) >= columns_->names.size())
      Raise(err::kItemNotFound);
  }

  // At the end the statement is finalized at once, so that it holds no read lock on the file.
  void Step() {
    ++row_number_;
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) return;
    const Text reason = rc == SQLITE_DONE ? Text() : ErrorText(sqlite3_db_handle(stmt_.get()));
    stmt_.reset();
    if (rc != SQLITE_DONE) Raise(err::kEngineFailure, reason);
  }

  // Keeps the connection open while the record set lives, as the callers' engine does.
  std::shared_ptr<const SqliteConnection> owner_;
  Statement stmt_;
  std::shared_ptr<const Columns> columns_;
  mutable std::vector<Variant> row_;
  mutable std::vector<uint64_t> read_at_;
  uint64_t row_number_ = 0;
  bool closed_ = false;
};

class SqliteConnection final : public Connection {
 public:
  SqliteConnection() = default;
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;
  // Record sets hold their connection, so none is left when this runs.
  ~SqliteConnection() override { Release(); }

  void set_connection_string(TextView text) override {
    if (db_) Raise(kErrObjectOpen, Text(kObjectOpen));
    connection_string_ = Text(text);
  }

  const Text& connection_string() const override { return connection_string_; }

  void set_property(TextView name, const Variant& value) override {
    if (!EqualsNoCase(name, kSystemDatabaseProperty)) Raise(err::kItemNotFound);
    system_database_ = ToText(value);
  }

  void open(TextView connection_text, TextView, TextView) override {
    if (db_) Raise(kErrObjectOpen, Text(kObjectOpen));
    if (!connection_text.empty()) connection_string_ = Text(connection_text);
    const ProviderTarget target = ParseProviderText(connection_string_, system_database_);
    // The workgroup file only has to be there: SQLite files have no accounts to check.
    std::error_code ignored;
    if (!target.system_database.empty() && !fs::exists(PathOf(target.system_database), ignored))
      Fail(Text(kWorkgroupMissing));
    imported_ = false;
    db_ = OpenFile(target.data_source, imported_);
    // The stored queries of an imported copy are views that may call the dialect's functions.
    if (imported_) RegisterJetFunctions(db_);
    jet_functions_ = imported_;
  }

  int32_t state() const override { return db_ ? kStateOpen : kStateClosed; }

  RecordsetRef execute(TextView sql) override {
    if (!db_) Raise(kErrObjectClosed, Text(kObjectClosed));
    if (std::all_of(sql.begin(), sql.end(), IsWhitespace)) Raise(kErrSqlSyntax, Text(kNoStatement));
    if (sql.size() > INT_MAX / sizeof(char16_t)) Raise(kErrSqlSyntax, Text(kStatementTooLong));

    // A query that differs from one run before only in its texts needs no translation: its
    // kept statement is run with the new texts.
    std::optional<LiftedQuery> lifted = LiftLiterals(sql);
    std::shared_ptr<const Columns> columns;
    Statement stmt = lifted ? FromTemplate(*lifted, columns) : Statement();
    if (!stmt) {
      const SqliteQuery query = TranslateJetSql(sql);
      if (query.calls_jet_functions && !jet_functions_) {
        RegisterJetFunctions(db_);
        jet_functions_ = true;
      }
      stmt = Reused(query.sql, lifted ? &*lifted : nullptr, columns);
      if (!stmt) stmt = Prepare(query.sql, nullptr);
    }
    if (!sqlite3_stmt_readonly(stmt.get()))
      EndView();
    else if (reads_ > 0 && !in_view_)
      BeginView();
    auto rs = std::make_shared<SqliteRecordset>(
        std::static_pointer_cast<const SqliteConnection>(shared_from_this()), std::move(stmt),
        std::move(columns));
    std::erase_if(record_sets_, [](const auto& weak) { return weak.expired(); });
    record_sets_.push_back(rs);
    return rs;
  }

  void begin_reads() override { ++reads_; }

  void end_reads() override {
    if (reads_ > 0 && --reads_ == 0) EndView();
  }

  void close() override {
    if (!db_) Raise(kErrObjectClosed, Text(kObjectClosed));
    reads_ = 0;
    for (const auto& weak : record_sets_)
      if (const auto rs = weak.lock()) rs->Detach();
    record_sets_.clear();
    Release();
  }

 private:
  static constexpr size_t kKeptStatements = 32;

  static constexpr size_t kKeptTemplates = 64;

  struct KeptStatement {
    sqlite3_stmt* stmt;
    std::shared_ptr<bool> in_use;
    std::shared_ptr<const Columns> columns;
  };

  // Exactly one statement, as the desktop engine runs: a second one (say `SELECT 1; DELETE FROM
  // t`) is refused before anything runs. SQLite's tail starts after the first statement's ";".
  Statement Prepare(TextView sql, bool* prepared_ok) {
    sqlite3_stmt* raw = nullptr;
    const void* tail = nullptr;
    const int rc = sqlite3_prepare16_v3(
        db_, sql.data(), static_cast<int>(sql.size() * sizeof(char16_t)), 0, &raw, &tail);
    if (prepared_ok) {
      *prepared_ok = rc == SQLITE_OK;
      if (rc != SQLITE_OK) return Statement();
    }
    if (rc != SQLITE_OK) RaisePrepareFailure();
    Statement stmt(raw);
    const size_t used = tail ? static_cast<const char16_t*>(tail) - sql.data() : sql.size();
    if (!std::all_of(sql.begin() + used, sql.end(), IsWhitespace))
      Raise(kErrSqlSyntax, Text(kCharactersAfterEnd));
    if (!stmt) Raise(kErrSqlSyntax, Text(kNoStatement));
    return stmt;
  }

  // The kept statement for this query with its texts bound, or none when the query has no texts
  // to lift, its statement is still being read, or the lifted form does not compile (a text
  // where a parameter may not stand): then the query is compiled as it was written. `jet` is
  // the query as the caller wrote it, lifted: when translating it changed nothing but around
  // its texts, its lifted form is remembered for FromTemplate.
  Statement Reused(TextView sql, const LiftedQuery* jet, std::shared_ptr<const Columns>& columns) {
    std::optional<LiftedQuery> lifted = LiftLiterals(sql);
    if (!lifted) return Statement();
    auto it = kept_.find(lifted->sql);
    if (it == kept_.end()) {
      bool ok = false;
      Statement fresh = Prepare(lifted->sql, &ok);
      if (!ok || !sqlite3_stmt_readonly(fresh.get())) return Statement();
      if (kept_.size() >= kKeptStatements) ForgetIdle();
      std::shared_ptr<const Columns> described = ColumnsOf(fresh.get());
      it = kept_
               .emplace(lifted->sql, KeptStatement{fresh.release(), std::make_shared<bool>(false),
                                                   std::move(described)})
               .first;
    }
    if (jet && jet->values == lifted->values && TranslatesAroundTexts(*jet)) {
      if (templates_.size() >= kKeptTemplates) templates_.clear();
      templates_.emplace(jet->sql, &it->second);
    }
    return Bound(it->second, lifted->values, columns);
  }

  // The kept statement of a query whose lifted form was seen before, with these texts bound;
  // none when there is none or it is being read.
  Statement FromTemplate(const LiftedQuery& jet, std::shared_ptr<const Columns>& columns) {
    if (!TranslatesAroundTexts(jet)) return Statement();
    const auto known = templates_.find(jet.sql);
    if (known == templates_.end()) return Statement();
    return Bound(*known->second, jet.values, columns);
  }

  // Backticks are where the two readings of a query part: the lifting takes `...` for a name,
  // the dialect reads on inside it. Elsewhere equal lifted texts on both sides show that the
  // translation left the texts alone.
  static bool TranslatesAroundTexts(const LiftedQuery& jet) { return !jet.has_backticks; }

  static Statement Bound(KeptStatement& kept, const std::vector<Text>& values,
                         std::shared_ptr<const Columns>& columns) {
    if (*kept.in_use) return Statement();
    for (size_t k = 0; k < values.size(); ++k) {
      const Text& v = values[k];
      sqlite3_bind_text16(kept.stmt, static_cast<int>(k + 1), v.data(),
                          static_cast<int>(v.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    }
    *kept.in_use = true;
    columns = kept.columns;
    return Statement(kept.stmt, kept.in_use);
  }

  void ForgetIdle() {
    templates_.clear();
    std::erase_if(kept_, [](const auto& entry) {
      if (*entry.second.in_use) return false;
      sqlite3_finalize(entry.second.stmt);
      return true;
    });
  }

  // A read transaction: SQLite then takes the file's shared lock and checks that its cached pages
  // are current once, at the first statement, instead of before every one.
  void BeginView() {
    in_view_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  }

  // Ending a read transaction cannot lose anything; a failure leaves SQLite to end it itself.
  void EndView() {
    if (!in_view_) return;
    in_view_ = false;
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  }

  // Record sets hold their connection, so no kept statement is being read when this runs.
  void Release() {
    EndView();
    for (const auto& [sql, kept] : kept_) sqlite3_finalize(kept.stmt);
    kept_.clear();
    templates_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }

  // A desktop-database file is opened as its imported copy, which is only read.
  static sqlite3* OpenFile(const Text& path, bool& imported) {
    const fs::path file = PathOf(path);
    std::error_code ignored;
    const fs::file_status status = fs::status(file, ignored);
    if (!fs::exists(status)) Fail(u"Could not find file " + Quoted(path) + u".");
    if (fs::is_directory(status)) Fail(Quoted(path) + u" is a folder, not a database file.");

    // Texts are built only on failure: opening is on the path of every lookup.
    const auto cannot_open = [&] {
      return u"The database engine cannot open the file " + Quoted(path) +
             u". It is already opened exclusively by another user, or you need permission to "
             u"view its data.";
    };
    const auto unrecognized = [&] {
      return u"Unrecognized database format " + Quoted(path) + u".";
    };
    // Only a file SQLite refuses is looked at more closely, to name the older format.
    const auto refuse = [&](const Text& reason) {
      std::array<char, 19> header{};
      std::ifstream in(file, std::ios::binary);
      if (!in) Fail(cannot_open() + u" (" + reason + u")");
      in.read(header.data(), header.size());
      const std::string_view head(header.data(), static_cast<size_t>(in.gcount()));
      if (!head.starts_with(kSqliteMagic)) Fail(unrecognized());
      Fail(unrecognized() + u" (" + reason + u")");
    };

    // Read and write, never create: a missing file must fail, not appear empty.
    sqlite3* db = nullptr;
    // One connection serves one thread (objects are apartment-bound), so no locking per call.
    const int mode = imported ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(ToUtf8(path).c_str(), &db, mode | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
      const Text reason = ErrorText(db);
      sqlite3_close_v2(db);
      Fail(cannot_open() + u" (" + reason + u")");
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    AddCatalogueRules(db);
    // The schema is read now, so that a damaged file fails here and not at the first query.
    const int rc =
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      const Text reason = ErrorText(db);
      sqlite3_close_v2(db);
      if (rc == SQLITE_NOTADB && !imported && IsDesktopDatabase(file)) {
        imported = true;
        return OpenFile(FromUtf8(mdb::ImportedCopy(ToUtf8(path))), imported);
      }
      if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT || rc == SQLITE_ERROR) refuse(reason);
      Fail(cannot_open() + u" (" + reason + u")");
    }
    return db;
  }

  // The desktop engine's numbers: a missing table or query, an unknown column (which it takes
  // for a parameter without a value), and any other fault of the statement as a syntax error.
  [[noreturn]] void RaisePrepareFailure() const {
    const Text reason = ErrorText(db_);
    const std::string_view message = sqlite3_errmsg(db_);
    if (sqlite3_errcode(db_) != SQLITE_ERROR) Raise(err::kEngineFailure, reason);
    if (message.starts_with("no such table") || message.starts_with("no such view")) {
      const Text name = FromUtf8(message.substr(message.find(": ") + 2));
      if (imported_) RaiseIfStoredQueryRefused(name);
      Raise(kErrSqlMissingObject,
            u"The Microsoft Jet database engine cannot find the input table "
            u"or query '" +
                name +
                u"'.  Make sure it exists and that its name is spelled "
                u"correctly.");
    }
    if (message.starts_with("no such function: "))
      Raise(kErrSqlSyntax,
            u"Undefined function '" + FromUtf8(message.substr(18)) + u"' in expression.");
    if (message.starts_with("no such column"))
      Raise(kErrSqlMissingParameter,
            u"No value given for one or more required parameters (" + reason + u").");
    Raise(kErrSqlSyntax, u"Syntax error in SQL statement (" + reason + u").");
  }

  // A stored query that is not a view of the copy: one that the copy lists with the reason it
  // does not run (an action query, say).
  void RaiseIfStoredQueryRefused(const Text& name) const {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "SELECT kind, refusal FROM kvpw_queries WHERE name = ? COLLATE NOCASE",
                           -1, &raw, nullptr) != SQLITE_OK)
      return;
    const Statement stmt(raw);
    const std::string utf8 = ToUtf8(name);
    sqlite3_bind_text(raw, 1, utf8.data(), static_cast<int>(utf8.size()), SQLITE_STATIC);
    if (sqlite3_step(raw) != SQLITE_ROW) return;
    const auto column = [&](int i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
      return FromUtf8(text ? text : "");
    };
    Raise(kErrSqlSyntax, u"The stored query " + Quoted(name) + u" (" + column(0) +
                             u" query) cannot be run: " + column(1));
  }

  sqlite3* db_ = nullptr;
  bool imported_ = false;       // db_ is the imported copy of a desktop-database file
  bool jet_functions_ = false;  // RegisterJetFunctions has run on db_
  Text connection_string_;
  Text system_database_;
  std::vector<std::weak_ptr<SqliteRecordset>> record_sets_;
  // Query texts run to hundreds of characters; the standard comparison of 16-bit strings goes a
  // character at a time.
  struct SameText {
    bool operator()(const Text& a, const Text& b) const {
      return a.size() == b.size() &&
             std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
    }
  };
  std::unordered_map<Text, KeptStatement, std::hash<Text>, SameText> kept_;
  // Queries as the callers write them, their texts lifted, to the kept statements they run as:
  // one look-up of a long text per query rather than two. Cleared whenever kept statements go.
  std::unordered_map<Text, KeptStatement*, std::hash<Text>, SameText> templates_;
  int reads_ = 0;         // begin_reads() not yet ended
  bool in_view_ = false;  // a read transaction of ours is open
};

// --- Files ------------------------------------------------------------------------------------

class SqliteEngine final : public Engine {
 public:
  ConnectionRef new_connection() override { return std::make_shared<SqliteConnection>(); }

  void copy_file(TextView from, TextView to, bool overwrite) override {
    CopyDatabaseFile(from, to, overwrite);
  }
};

}  // namespace

std::shared_ptr<Engine> MakeSqliteEngine() {
  return std::make_shared<SqliteEngine>();
}

}  // namespace kvpw::db
