#include "db/odbc/odbc_engine.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/connection_text.h"
#include "db/lifted_query.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC's wide characters are UTF-16");

constexpr TextView kCharactersAfterEnd = u"Characters found after end of SQL statement.";
constexpr TextView kNoStatement =
    u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
constexpr TextView kNoDiagnostic = u"The ODBC driver failed without saying why.";
constexpr TextView kOutOfHandles = u"The ODBC driver manager cannot allocate a handle.";

SQLWCHAR* Wide(const Text& text) {
  return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str()));
}

bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

struct Diagnostic {
  Text text;
  std::string state;  // the first record's SQLSTATE
};

// Every record the driver left on the handle, as one text: the driver manager and the driver
// each add their part ("[unixODBC][Driver Manager]...", "FATAL: password authentication ...").
Diagnostic DiagnosticOf(SQLSMALLINT type, SQLHANDLE handle) {
  Diagnostic out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, record, state, &native, nullptr, 0, &length);
    if (!Succeeded(rc)) break;
    std::vector<SQLWCHAR> message(static_cast<size_t>(length) + 1);
    rc = SQLGetDiagRecW(type, handle, record, state, &native, message.data(),
                        static_cast<SQLSMALLINT>(message.size()), &length);
    if (!Succeeded(rc)) break;
    Text text(reinterpret_cast<const char16_t*>(message.data()),
              std::min<size_t>(static_cast<size_t>(length), message.size() - 1));
    while (!text.empty() && (text.back() == u'\n' || text.back() == u' ')) text.pop_back();
    if (record == 1)
      for (const SQLWCHAR c : state)
        if (c) out.state.push_back(static_cast<char>(c));
    if (text.empty()) continue;
    if (!out.text.empty()) out.text += u" ";
    out.text += text;
  }
  if (out.text.empty()) out.text = Text(kNoDiagnostic);
  return out;
}

// The desktop engine's numbers for the statement faults its callers tell apart, from the
// standard classes of SQLSTATE; everything else is the general failure.
int32_t NumberOf(const std::string& state) {
  if (state == "42S02" || state == "42P01") return kErrSqlMissingObject;
  if (state == "42S22" || state == "42703" || state == "07002") return kErrSqlMissingParameter;
  if (state.starts_with("42") || state == "37000") return kErrSqlSyntax;
  return err::kEngineFailure;
}

// A connection lost under it: the kept connection is dropped and one made anew.
bool IsLinkFailure(const std::string& state) {
  return state.starts_with("08");
}

[[noreturn]] void Fail(SQLSMALLINT type, SQLHANDLE handle) {
  Diagnostic d = DiagnosticOf(type, handle);
  Raise(NumberOf(d.state), std::move(d.text));
}

// Exactly one statement, as the desktop engine runs: anything but blanks after a ";" outside
// texts, quoted names and comments is refused before the statement is sent.
bool HasSecondStatement(TextView sql) {
  size_t i = 0;
  const auto skip_to = [&](char16_t close) {
    const size_t end = sql.find(close, i + 1);
    i = end == TextView::npos ? sql.size() : end + 1;
  };
  while (i < sql.size()) {
    const char16_t c = sql[i];
    if (c == u'\'' || c == u'"' || c == u'`') {
      skip_to(c);
    } else if (c == u'[') {
      skip_to(u']');
    } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
      const size_t end = sql.find(u'\n', i);
      i = end == TextView::npos ? sql.size() : end + 1;
    } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
      const size_t end = sql.find(u"*/", i + 2);
      i = end == TextView::npos ? sql.size() : end + 2;
    } else if (c == u';') {
      for (size_t j = i + 1; j < sql.size(); ++j)
        if (sql[j] > u' ') return true;
      return false;
    } else {
      ++i;
    }
  }
  return false;
}

bool IsWhitespace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// --- Handles ----------------------------------------------------------------------------------

// One environment for the engine: the driver manager keeps its drivers loaded while it lives.
class Environment {
 public:
  Environment() {
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
      Raise(err::kEngineFailure, Text(kOutOfHandles));
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;
  ~Environment() { SQLFreeHandle(SQL_HANDLE_ENV, env_); }
  SQLHENV get() const { return env_; }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
};

// A statement compiled once for a query whose texts were lifted into parameters; one record set
// at a time reads it, and gives it back closed.
struct Prepared {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  bool in_use = false;
  std::vector<Text> values;  // the bound texts, kept while it runs
  std::vector<SQLLEN> lengths;
};

// One logged-in connection and what was compiled on it.
struct Link {
  static constexpr size_t kKeptStatements = 32;

  SQLHDBC dbc = SQL_NULL_HDBC;
  std::unordered_map<Text, std::shared_ptr<Prepared>> prepared;

  Link() = default;
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link() {
    if (dbc == SQL_NULL_HDBC) return;
    for (const auto& [sql, p] : prepared)
      if (p) SQLFreeHandle(SQL_HANDLE_STMT, p->stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  }

  void ForgetIdle() {
    std::erase_if(prepared, [](const auto& entry) {
      if (entry.second && entry.second->in_use) return false;
      if (entry.second) SQLFreeHandle(SQL_HANDLE_STMT, entry.second->stmt);
      return true;
    });
  }
};

// Logged-in connections nobody uses, by what they were opened with.
class IdleConnections {
 public:
  IdleConnections(std::shared_ptr<Environment> env, size_t per_source)
      : env_(std::move(env)), per_source_(per_source) {}
  IdleConnections(const IdleConnections&) = delete;
  IdleConnections& operator=(const IdleConnections&) = delete;
  // The links go before the environment they were made in.
  ~IdleConnections() { idle_.clear(); }

  using Key = std::tuple<Text, Text, Text>;

  std::unique_ptr<Link> Take(const Key& key) {
    std::lock_guard lock(mutex_);
    const auto it = idle_.find(key);
    if (it == idle_.end() || it->second.empty()) return nullptr;
    std::unique_ptr<Link> link = std::move(it->second.back());
    it->second.pop_back();
    return link;
  }

  void Give(const Key& key, std::unique_ptr<Link> link) {
    std::lock_guard lock(mutex_);
    auto& list = idle_[key];
    if (list.size() < per_source_) list.push_back(std::move(link));
  }

  SQLHENV env() const { return env_->get(); }

 private:
  std::shared_ptr<Environment> env_;
  size_t per_source_;
  std::mutex mutex_;
  std::map<Key, std::vector<std::unique_ptr<Link>>> idle_;
};

// --- Column values ----------------------------------------------------------------------------

enum class ColumnKind { kText, kInteger, kLong, kBigInt, kDouble, kBoolean, kDate, kBytes };

// What a column holds, from its SQL type; drivers that give yes/no columns as text ("1"/"0")
// still name the type.
ColumnKind KindOf(SQLSMALLINT sql_type, const Text& type_name) {
  const Text name = LowerCase(type_name);
  if (name == u"bool" || name == u"boolean" || name == u"bit" || name == u"yesno")
    return ColumnKind::kBoolean;
  if (name == u"currency" || name == u"money" || name == u"double" || name == u"float")
    return ColumnKind::kDouble;
  switch (sql_type) {
    case SQL_BIT:
      return ColumnKind::kBoolean;
    case SQL_TINYINT:
    case SQL_SMALLINT:
      return ColumnKind::kInteger;
    case SQL_INTEGER:
      return ColumnKind::kLong;
    case SQL_BIGINT:
      return ColumnKind::kBigInt;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return ColumnKind::kDouble;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
      return ColumnKind::kDate;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ColumnKind::kBytes;
    default:
      return ColumnKind::kText;
  }
}

class OdbcConnection;

// Reads one row per fetch, and a column only when asked (with those before it, since drivers
// need not give columns out of order): part lists walk thousands of rows and look at a few of
// their columns.
class OdbcRecordset final : public Recordset {
 public:
  OdbcRecordset(std::shared_ptr<const OdbcConnection> owner, SQLHSTMT stmt,
                std::shared_ptr<Prepared> prepared)
      : owner_(std::move(owner)), stmt_(stmt), prepared_(std::move(prepared)) {
    SQLSMALLINT n = 0;
    if (!Succeeded(SQLNumResultCols(stmt_, &n))) FailAndRelease();
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(n); ++i) {
      SQLWCHAR name[256] = {};
      SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      if (!Succeeded(
              SQLDescribeColW(stmt_, i, name, 256, &length, &type, &size, &digits, &nullable)))
        FailAndRelease();
      SQLWCHAR type_name[64] = {};
      SQLSMALLINT type_length = 0;
      SQLColAttributeW(stmt_, i, SQL_DESC_TYPE_NAME, type_name, sizeof type_name, &type_length,
                       nullptr);
      names_.emplace_back(
          reinterpret_cast<const char16_t*>(name),
          std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), 255));
      kinds_.push_back(KindOf(type, Text(reinterpret_cast<const char16_t*>(type_name))));
    }
    row_.resize(names_.size());
    if (names_.empty()) {
      Release();  // a statement that gives no rows
      return;
    }
    Fetch();
  }
  OdbcRecordset(const OdbcRecordset&) = delete;
  OdbcRecordset& operator=(const OdbcRecordset&) = delete;
  ~OdbcRecordset() override { Release(); }

  bool eof() const override {
    CheckOpen();
    return stmt_ == SQL_NULL_HSTMT;
  }

  void move_next() override {
    CheckOpen();
    if (stmt_ == SQL_NULL_HSTMT) Raise(err::kNoCurrentRecord);
    Fetch();
  }

  int16_t field_count() const override {
    CheckOpen();
    return static_cast<int16_t>(names_.size());
  }

  Text field_name(int16_t position) const override {
    CheckPosition(position);
    return names_[position];
  }

  int16_t field_index(TextView name) const override {
    CheckOpen();
    for (size_t i = 0; i < names_.size(); ++i)
      if (EqualsNoCase(names_[i], name)) return static_cast<int16_t>(i);
    Raise(err::kItemNotFound);
  }

  const Variant& value(int16_t position) const override {
    CheckPosition(position);
    if (stmt_ == SQL_NULL_HSTMT) Raise(err::kNoCurrentRecord);
    while (read_ <= static_cast<size_t>(position)) {
      row_[read_] = ReadColumn(read_);
      ++read_;
    }
    return row_[position];
  }

  // Its connection is closing: the statement goes, and so does reading.
  void Detach() {
    Release();
    closed_ = true;
  }

 private:
  void CheckOpen() const {
    if (closed_) Raise(kErrObjectClosed, Text(kObjectClosed));
  }

  void CheckPosition(int16_t position) const {
    CheckOpen();
    if (position < 0 || static_cast<size_t>(position) >= names_.size()) Raise(err::kItemNotFound);
  }

  // A prepared statement is closed and given back for the next run; one of its own is freed.
  void Release() {
    if (stmt_ == SQL_NULL_HSTMT) return;
    if (prepared_) {
      SQLFreeStmt(stmt_, SQL_CLOSE);
      prepared_->in_use = false;
      prepared_.reset();
    } else {
      SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    }
    stmt_ = SQL_NULL_HSTMT;
  }

  [[noreturn]] void FailAndRelease() {
    Diagnostic d = DiagnosticOf(SQL_HANDLE_STMT, stmt_);
    Release();
    Raise(NumberOf(d.state), std::move(d.text));
  }

  // At the end the statement is freed at once, so that the server lets go of its cursor.
  void Fetch() {
    read_ = 0;
    const SQLRETURN rc = SQLFetch(stmt_);
    if (Succeeded(rc)) return;
    if (rc == SQL_NO_DATA) {
      Release();
      return;
    }
    FailAndRelease();
  }

  // SQLGetData in the column's own C type; texts and bytes in pieces until the driver has given
  // them all.
  Variant ReadColumn(size_t index) const {
    const auto column = static_cast<SQLUSMALLINT>(index + 1);
    SQLLEN indicator = 0;
    const auto get = [&](SQLSMALLINT c_type, void* target, SQLLEN size) {
      const SQLRETURN rc = SQLGetData(stmt_, column, c_type, target, size, &indicator);
      if (!Succeeded(rc)) Fail(SQL_HANDLE_STMT, stmt_);
      return rc;
    };
    switch (kinds_[index]) {
      case ColumnKind::kInteger: {
        SQLSMALLINT v = 0;
        get(SQL_C_SSHORT, &v, 0);
        if (indicator == SQL_NULL_DATA) return kNull;
        return static_cast<int16_t>(v);
      }
      case ColumnKind::kLong: {
        SQLINTEGER v = 0;
        get(SQL_C_SLONG, &v, 0);
        if (indicator == SQL_NULL_DATA) return kNull;
        return static_cast<int32_t>(v);
      }
      case ColumnKind::kBigInt: {
        SQLBIGINT v = 0;
        get(SQL_C_SBIGINT, &v, 0);
        if (indicator == SQL_NULL_DATA) return kNull;
        if (v >= INT32_MIN && v <= INT32_MAX) return static_cast<int32_t>(v);
        return static_cast<double>(v);
      }
      case ColumnKind::kDouble: {
        SQLDOUBLE v = 0;
        get(SQL_C_DOUBLE, &v, 0);
        if (indicator == SQL_NULL_DATA) return kNull;
        return static_cast<double>(v);
      }
      case ColumnKind::kBoolean: {
        // As text: drivers that give yes/no columns as "1"/"0" or "t"/"f" convert those too.
        SQLCHAR v[16] = {};
        get(SQL_C_CHAR, v, sizeof v);
        if (indicator == SQL_NULL_DATA) return kNull;
        const char c = static_cast<char>(v[0]);
        return c == '1' || c == 't' || c == 'T' || c == 'y' || c == 'Y' || c == '-';
      }
      case ColumnKind::kDate: {
        SQL_TIMESTAMP_STRUCT t{};
        get(SQL_C_TYPE_TIMESTAMP, &t, sizeof t);
        if (indicator == SQL_NULL_DATA) return kNull;
        // As the desktop-database import writes dates.
        char out[64];
        std::snprintf(out, sizeof out, "%04d-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        return FromUtf8(out);
      }
      case ColumnKind::kBytes: {
        std::vector<unsigned char> bytes;
        unsigned char chunk[4096];
        for (;;) {
          const SQLRETURN rc = get(SQL_C_BINARY, chunk, sizeof chunk);
          if (indicator == SQL_NULL_DATA) return kNull;
          const size_t got = indicator == SQL_NO_TOTAL || indicator > SQLLEN(sizeof chunk)
                                 ? sizeof chunk
                                 : static_cast<size_t>(indicator);
          bytes.insert(bytes.end(), chunk, chunk + got);
          if (rc == SQL_SUCCESS) break;
        }
        std::vector<Variant> items;
        items.reserve(bytes.size());
        for (const unsigned char b : bytes) items.emplace_back(static_cast<int16_t>(b));
        return Variant::MakeArray(std::move(items));
      }
      case ColumnKind::kText:
        break;
    }
    Text text;
    SQLWCHAR chunk[1024];
    constexpr SQLLEN kChunkChars = sizeof chunk / sizeof chunk[0] - 1;
    for (;;) {
      const SQLRETURN rc = get(SQL_C_WCHAR, chunk, sizeof chunk);
      if (indicator == SQL_NULL_DATA) return kNull;
      const SQLLEN chars =
          indicator == SQL_NO_TOTAL || indicator / SQLLEN(sizeof(SQLWCHAR)) > kChunkChars
              ? kChunkChars
              : indicator / SQLLEN(sizeof(SQLWCHAR));
      text.append(reinterpret_cast<const char16_t*>(chunk), static_cast<size_t>(chars));
      if (rc == SQL_SUCCESS) break;
    }
    return text;
  }

  // Keeps the connection open while the record set lives, as the callers' engine does.
  std::shared_ptr<const OdbcConnection> owner_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  std::shared_ptr<Prepared> prepared_;
  std::vector<Text> names_;
  std::vector<ColumnKind> kinds_;
  mutable std::vector<Variant> row_;
  mutable size_t read_ = 0;  // columns of the current row read so far
  bool closed_ = false;
};

// The user name and password the caller gives are added to the text as ODBC's UID and PWD.
Text WithLogin(const Text& text, TextView user, TextView password) {
  // Braces only where the value needs them: some drivers take them as part of a plain value.
  const auto braced = [](TextView value) {
    const bool plain = value.find_first_of(u";{}=") == TextView::npos && value.front() != u' ' &&
                       value.back() != u' ';
    if (plain) return Text(value);
    Text out = u"{";
    for (const char16_t c : value) {
      out.push_back(c);
      if (c == u'}') out.push_back(u'}');
    }
    return out + u"}";
  };
  Text out = text;
  const auto add = [&](TextView key, TextView value) {
    if (value.empty()) return;
    if (!out.empty() && out.back() != u';') out += u";";
    out += Text(key) + u"=" + braced(value);
  };
  add(u"UID", user);
  add(u"PWD", password);
  return out;
}

class OdbcConnection final : public Connection {
 public:
  explicit OdbcConnection(std::shared_ptr<IdleConnections> idle) : idle_(std::move(idle)) {}
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;
  // Record sets hold their connection, so none is left when this runs.
  ~OdbcConnection() override { Release(); }

  void set_connection_string(TextView text) override {
    if (link_) Raise(kErrObjectOpen, Text(kObjectOpen));
    connection_string_ = Text(text);
  }

  const Text& connection_string() const override { return connection_string_; }

  // Workgroup files belong to the desktop engine; data sources have logins of their own.
  void set_property(TextView name, const Variant&) override {
    if (!EqualsNoCase(name, kSystemDatabaseProperty)) Raise(err::kItemNotFound);
  }

  void open(TextView connection_text, TextView user, TextView password) override {
    if (link_) Raise(kErrObjectOpen, Text(kObjectOpen));
    if (!connection_text.empty()) connection_string_ = Text(connection_text);
    key_ = {connection_string_, Text(user), Text(password)};
    link_ = idle_->Take(key_);
    reused_ = link_ != nullptr;
    if (!reused_) link_ = Connect();
  }

  int32_t state() const override { return link_ ? kStateOpen : kStateClosed; }

  RecordsetRef execute(TextView sql) override {
    if (!link_) Raise(kErrObjectClosed, Text(kObjectClosed));
    if (std::all_of(sql.begin(), sql.end(), IsWhitespace)) Raise(kErrSqlSyntax, Text(kNoStatement));
    if (sql.size() > INT_MAX / sizeof(char16_t))
      Raise(kErrSqlSyntax, u"The SQL statement is too long.");
    if (HasSecondStatement(sql)) Raise(kErrSqlSyntax, Text(kCharactersAfterEnd));

    Run run;
    if (!Attempt(sql, run)) {
      // A kept connection the server has dropped since (restarted, timed out): once, anew.
      if (!reused_ || !IsLinkFailure(run.failure.state)) FailWith(std::move(run.failure));
      link_.reset();
      reused_ = false;
      link_ = Connect();
      if (!Attempt(sql, run)) FailWith(std::move(run.failure));
    }
    reused_ = false;
    auto rs = std::make_shared<OdbcRecordset>(
        std::static_pointer_cast<const OdbcConnection>(shared_from_this()), run.stmt,
        std::move(run.prepared));
    std::erase_if(record_sets_, [](const auto& weak) { return weak.expired(); });
    record_sets_.push_back(rs);
    return rs;
  }

  void close() override {
    if (!link_) Raise(kErrObjectClosed, Text(kObjectClosed));
    for (const auto& weak : record_sets_)
      if (const auto rs = weak.lock()) rs->Detach();
    record_sets_.clear();
    Release();
  }

 private:
  struct Run {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    std::shared_ptr<Prepared> prepared;
    Diagnostic failure;
  };

  std::unique_ptr<Link> Connect() {
    auto link = std::make_unique<Link>();
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, idle_->env(), &link->dbc)))
      Raise(err::kEngineFailure, Text(kOutOfHandles));
    Text text = WithLogin(std::get<0>(key_), std::get<1>(key_), std::get<2>(key_));
    SQLSMALLINT out_length = 0;
    const SQLRETURN rc = SQLDriverConnectW(link->dbc, nullptr, Wide(text), SQL_NTS, nullptr, 0,
                                           &out_length, SQL_DRIVER_NOPROMPT);
    // The password is not kept in the text longer than needed.
    std::fill(text.begin(), text.end(), u'\0');
    if (!Succeeded(rc)) {
      Diagnostic d = DiagnosticOf(SQL_HANDLE_DBC, link->dbc);
      SQLFreeHandle(SQL_HANDLE_DBC, link->dbc);
      link->dbc = nullptr;
      Raise(err::kEngineFailure, std::move(d.text));
    }
    return link;
  }

  // The query compiled once with its texts as parameters where it can be; as written otherwise,
  // and always when the compiled form fails (its failure then reads as the query's own).
  bool Attempt(TextView sql, Run& run) {
    if (std::optional<LiftedQuery> lifted = LiftLiterals(sql)) {
      if (RunPrepared(std::move(*lifted), run)) return true;
      if (IsLinkFailure(run.failure.state)) return false;
    }
    return RunDirect(Text(sql), run);
  }

  bool RunPrepared(LiftedQuery lifted, Run& run) {
    auto it = link_->prepared.find(lifted.sql);
    if (it == link_->prepared.end()) {
      if (link_->prepared.size() >= Link::kKeptStatements) link_->ForgetIdle();
      auto prepared = std::make_shared<Prepared>();
      if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, link_->dbc, &prepared->stmt))) return false;
      if (!Succeeded(SQLPrepareW(prepared->stmt, Wide(lifted.sql), SQL_NTS))) {
        run.failure = DiagnosticOf(SQL_HANDLE_STMT, prepared->stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, prepared->stmt);
        // Not to be compiled this way (a text where a parameter may not stand): as written.
        link_->prepared.emplace(std::move(lifted.sql), nullptr);
        return false;
      }
      it = link_->prepared.emplace(std::move(lifted.sql), std::move(prepared)).first;
    }
    const std::shared_ptr<Prepared> prepared = it->second;
    if (!prepared || prepared->in_use) return false;
    prepared->values = std::move(lifted.values);
    prepared->lengths.resize(prepared->values.size());
    for (size_t k = 0; k < prepared->values.size(); ++k) {
      Text& v = prepared->values[k];
      prepared->lengths[k] = static_cast<SQLLEN>(v.size() * sizeof(SQLWCHAR));
      SQLBindParameter(prepared->stmt, static_cast<SQLUSMALLINT>(k + 1), SQL_PARAM_INPUT,
                       SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(v.size(), 1), 0, Wide(v),
                       prepared->lengths[k], &prepared->lengths[k]);
    }
    const SQLRETURN rc = SQLExecute(prepared->stmt);
    if (Succeeded(rc) || rc == SQL_NO_DATA) {
      prepared->in_use = true;
      run.stmt = prepared->stmt;
      run.prepared = prepared;
      return true;
    }
    run.failure = DiagnosticOf(SQL_HANDLE_STMT, prepared->stmt);
    SQLFreeStmt(prepared->stmt, SQL_CLOSE);
    if (IsLinkFailure(run.failure.state)) {
      broken_ = true;
    } else {
      SQLFreeHandle(SQL_HANDLE_STMT, prepared->stmt);
      it->second = nullptr;
    }
    return false;
  }

  bool RunDirect(const Text& sql, Run& run) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, link_->dbc, &stmt))) {
      run.failure = DiagnosticOf(SQL_HANDLE_DBC, link_->dbc);
      return false;
    }
    const SQLRETURN rc = SQLExecDirectW(stmt, Wide(sql), static_cast<SQLINTEGER>(sql.size()));
    // SQL_NO_DATA: a statement that changed no rows.
    if (Succeeded(rc) || rc == SQL_NO_DATA) {
      run.stmt = stmt;
      run.prepared = nullptr;
      return true;
    }
    run.failure = DiagnosticOf(SQL_HANDLE_STMT, stmt);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (IsLinkFailure(run.failure.state)) broken_ = true;
    return false;
  }

  [[noreturn]] static void FailWith(Diagnostic failure) {
    Raise(NumberOf(failure.state), std::move(failure.text));
  }

  // A connection that still works goes back to the kept ones; a broken one is let go.
  void Release() {
    if (!link_) return;
    SQLUINTEGER dead = SQL_CD_FALSE;
    SQLGetConnectAttr(link_->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    if (!broken_ && dead != SQL_CD_TRUE) idle_->Give(key_, std::move(link_));
    link_.reset();
    broken_ = false;
  }

  std::shared_ptr<IdleConnections> idle_;
  std::unique_ptr<Link> link_;
  IdleConnections::Key key_;
  Text connection_string_;
  std::vector<std::weak_ptr<OdbcRecordset>> record_sets_;
  bool reused_ = false;  // taken from the kept ones, no statement run on it yet
  bool broken_ = false;  // its link to the server failed
};

class OdbcEngine final : public Engine {
 public:
  explicit OdbcEngine(OdbcOptions options)
      : idle_(std::make_shared<IdleConnections>(std::make_shared<Environment>(),
                                                options.idle_per_source)) {}

  ConnectionRef new_connection() override { return std::make_shared<OdbcConnection>(idle_); }

  void copy_file(TextView, TextView, bool) override {
    Raise(kErrFileNotFound, u"Data sources have no files to copy.");
  }

 private:
  std::shared_ptr<IdleConnections> idle_;
};

}  // namespace

std::shared_ptr<Engine> MakeOdbcEngine(OdbcOptions options) {
  return std::make_shared<OdbcEngine>(options);
}

std::vector<Text> InstalledOdbcDrivers() {
  Environment env;
  std::vector<Text> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT name_length = 0, attributes_length = 0;
    const SQLRETURN rc =
        SQLDriversW(env.get(), direction, name, 256, &name_length, nullptr, 0, &attributes_length);
    if (!Succeeded(rc)) break;
    names.emplace_back(
        reinterpret_cast<const char16_t*>(name),
        std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(name_length, 0)), 255));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

}  // namespace kvpw::db
