#include "db/mdb/import.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "db/jet_sql.h"
#include "db/mdb/mdb_file.h"
#include "db/mdb/stored_query.h"
#include "frame/error.h"
#include "frame/text.h"

namespace kvpw::db::mdb {
namespace {

namespace fs = std::filesystem;

// Raised whenever what an import writes changes, so that older copies are not used.
constexpr int kImportFormat = 2;

// The columns the library looks parts up by.
constexpr std::string_view kKeyColumns[] = {"MfgPartNumber", "PartNumber", "EngineeringItemCode",
                                            "ItemCode"};

[[noreturn]] void Unable(std::string_view reason) {
  Raise(err::kEngineFailure, u"Unable to open database: " + FromUtf8(reason));
}

// The declared types tell the SQLite adapter which kind each value reads back as.
std::string_view DeclaredType(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kBoolean:
      return "BOOLEAN";
    case ColumnKind::kByte:
      return "BYTE";
    case ColumnKind::kInteger:
      return "SMALLINT";
    case ColumnKind::kLong:
      return "INTEGER";
    case ColumnKind::kCurrency:
      return "CURRENCY";
    case ColumnKind::kSingle:
      return "SINGLE";
    case ColumnKind::kDouble:
      return "DOUBLE";
    case ColumnKind::kDecimal:
      return "DECIMAL";
    case ColumnKind::kDateTime:
      return "DATETIME";
    case ColumnKind::kText:
      return "TEXT COLLATE NOCASE";
    case ColumnKind::kMemo:
      return "MEMO COLLATE NOCASE";
    case ColumnKind::kGuid:
      return "GUID";
    case ColumnKind::kBinary:
    case ColumnKind::kOle:
      return "BLOB";
  }
  return "BLOB";
}

std::string QuotedName(std::string_view name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

bool SameNameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

class Db {
 public:
  explicit Db(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
      Fail("cannot create the copy");
  }
  ~Db() { sqlite3_close_v2(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  sqlite3* get() const { return db_; }

  void exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
  }

  [[noreturn]] void Fail(std::string_view what) const {
    // SQLite refusing a statement of ours means names the file holds that no table can have.
    if (sqlite3_errcode(db_) == SQLITE_ERROR)
      Unable("the file is damaged (" + std::string(sqlite3_errmsg(db_)) + ")");
    Unable("the imported copy cannot be written (" + std::string(what) + ": " +
           sqlite3_errmsg(db_) + ")");
  }

 private:
  sqlite3* db_ = nullptr;
};

void Bind(sqlite3_stmt* stmt, int at, const Value& value) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>)
          sqlite3_bind_null(stmt, at);
        else if constexpr (std::is_same_v<T, bool>)
          sqlite3_bind_int(stmt, at, v ? 1 : 0);
        else if constexpr (std::is_same_v<T, int64_t>)
          sqlite3_bind_int64(stmt, at, v);
        else if constexpr (std::is_same_v<T, double>)
          sqlite3_bind_double(stmt, at, v);
        else if constexpr (std::is_same_v<T, std::string>)
          sqlite3_bind_text(stmt, at, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        else
          sqlite3_bind_blob(stmt, at, v.data.data(), static_cast<int>(v.data.size()),
                            SQLITE_STATIC);
      },
      value);
}

void WriteTable(Db& db, const TableSource& table) {
  const std::string& name = table.name;
  const std::vector<Column>& columns = table.columns;
  if (columns.empty()) return;
  std::string create = "CREATE TABLE " + QuotedName(name) + " (";
  std::string insert = "INSERT INTO " + QuotedName(name) + " VALUES (";
  for (size_t c = 0; c < columns.size(); ++c) {
    if (c) {
      create += ", ";
      insert += ", ";
    }
    create += QuotedName(columns[c].name) + " " + std::string(DeclaredType(columns[c].kind));
    insert += "?";
  }
  db.exec(create + ")");
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db.get(), (insert + ")").c_str(), -1, &stmt, nullptr) != SQLITE_OK)
    db.Fail("insert");
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(stmt, &sqlite3_finalize);
  table.rows([&](std::span<const Value> row) {
    for (size_t c = 0; c < row.size(); ++c) Bind(stmt, static_cast<int>(c + 1), row[c]);
    if (sqlite3_step(stmt) != SQLITE_DONE) db.Fail("insert into " + name);
    sqlite3_reset(stmt);
  });
  for (const Column& column : columns)
    for (const std::string_view key : kKeyColumns)
      if (SameNameNoCase(column.name, key))
        db.exec("CREATE INDEX " + QuotedName("kvpw_" + name + "_" + column.name) + " ON " +
                QuotedName(name) + " (" + QuotedName(column.name) + ")");
}

// The definitions of the stored queries, by the id of their object.
std::map<int32_t, std::vector<QueryRow>> QueryDefinitions(MdbFile& file) {
  std::map<int32_t, std::vector<QueryRow>> out;
  const std::vector<Column> columns = file.read_table("MSysQueries", nullptr);
  auto at = [&](std::string_view name) {
    for (size_t i = 0; i < columns.size(); ++i)
      if (SameNameNoCase(columns[i].name, name)) return static_cast<int>(i);
    return -1;
  };
  const int id = at("ObjectId"), attribute = at("Attribute"), flag = at("Flag"),
            name1 = at("Name1"), name2 = at("Name2"), expression = at("Expression");
  if (id < 0 || attribute < 0) return out;
  auto number = [](std::span<const Value> row, int i) -> std::optional<int64_t> {
    if (i < 0 || !std::holds_alternative<int64_t>(row[i])) return std::nullopt;
    return std::get<int64_t>(row[i]);
  };
  auto text = [](std::span<const Value> row, int i) {
    return i >= 0 && std::holds_alternative<std::string>(row[i]) ? std::get<std::string>(row[i])
                                                                 : std::string();
  };
  file.read_table("MSysQueries", [&](std::span<const Value> row) {
    const std::optional<int64_t> object = number(row, id);
    const std::optional<int64_t> kind = number(row, attribute);
    if (!object || !kind) return;
    QueryRow r;
    r.attribute = static_cast<int>(*kind);
    r.name1 = text(row, name1);
    r.name2 = text(row, name2);
    r.expression = text(row, expression);
    if (const auto f = number(row, flag)) r.flag = static_cast<int>(*f);
    out[static_cast<int32_t>(*object)].push_back(std::move(r));
  });
  return out;
}

// The file's stored queries, decoded; those whose definition cannot be read say so.
std::vector<NamedQuery> ReadQueries(MdbFile& file) {
  std::map<int32_t, std::vector<QueryRow>> definitions;
  std::string unreadable;
  try {
    definitions = QueryDefinitions(file);
  } catch (const Error& e) {
    unreadable = "its definition cannot be read (" + ToUtf8(e.description()) + ").";
  }
  std::vector<NamedQuery> out;
  for (const Object& object : file.objects()) {
    if (object.kind != ObjectKind::kQuery) continue;
    const auto rows = definitions.find(object.id);
    StoredQuery query;
    if (rows != definitions.end()) query = DecodeQuery(rows->second);
    if (query.refusal.empty() && query.kind == QueryKind::kUnknown)
      query.refusal = unreadable.empty() ? "its definition is missing." : unreadable;
    out.push_back({object.name, std::move(query)});
  }
  return out;
}

// Select and union queries become views that SQLite runs; every query is listed in kvpw_queries
// with its kind, its SQL and, for those that are not views, why.
void WriteQueries(Db& db, std::span<const NamedQuery> queries) {
  db.exec(
      "CREATE TABLE kvpw_queries (name TEXT PRIMARY KEY COLLATE NOCASE, kind TEXT, sql TEXT, "
      "refusal TEXT)");
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db.get(), "INSERT OR REPLACE INTO kvpw_queries VALUES (?, ?, ?, ?)", -1,
                         &stmt, nullptr) != SQLITE_OK)
    db.Fail("kvpw_queries");
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(stmt, &sqlite3_finalize);
  for (const auto& [name, stored] : queries) {
    StoredQuery query = stored;
    if (query.refusal.empty()) {
      try {
        std::string view = ToUtf8(TranslateJetSql(FromUtf8(query.sql)).sql);
        while (!view.empty() &&
               (view.back() == ';' || std::isspace(static_cast<unsigned char>(view.back()))))
          view.pop_back();
        char* error = nullptr;
        if (sqlite3_exec(db.get(), ("CREATE VIEW " + QuotedName(name) + " AS " + view).c_str(),
                         nullptr, nullptr, &error) != SQLITE_OK) {
          query.refusal = std::string("SQLite cannot run it (") + (error ? error : "") + ").";
          sqlite3_free(error);
        }
      } catch (const Error& e) {
        query.refusal = ToUtf8(e.description());
      }
    }
    const std::string kind(KindName(query.kind));
    const std::string* texts[] = {&name, &kind, &query.sql, &query.refusal};
    for (int i = 0; i < 4; ++i)
      sqlite3_bind_text(stmt, i + 1, texts[i]->data(), static_cast<int>(texts[i]->size()),
                        SQLITE_STATIC);
    if (sqlite3_step(stmt) != SQLITE_DONE) db.Fail("kvpw_queries");
    sqlite3_reset(stmt);
  }
}

// Builds the copy beside `target` and renames it into place.
void Build(const std::string& mdb_path, const std::string& target) {
  std::unique_ptr<MdbFile> file = MdbFile::Open(mdb_path);
  std::vector<TableSource> tables;
  for (const Object& object : file->objects())
    if (object.kind == ObjectKind::kTable)
      tables.push_back({object.name, file->read_table(object.name, nullptr),
                        [&file, name = object.name](const MdbFile::RowSink& sink) {
                          file->read_table(name, sink);
                        }});
  WriteCopy(target, tables, ReadQueries(*file));
}

// mdbtools reads a damaged file without bounds on time or memory (a mangled property block can
// ask for gigabytes) and may crash on one. So the copy is built by a child process under limits;
// its failure, however it fails, is the file's failure, and the caller's process carries on.
// (Not the address space under AddressSanitizer, which reserves terabytes of it up front.)
#if defined(__SANITIZE_ADDRESS__)
#define KVPW_UNDER_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVPW_UNDER_ASAN
#endif
#endif
// Limits that grow with the file: reading a sound one takes a few MB and milliseconds per MB.
#ifndef KVPW_UNDER_ASAN
rlim_t ImportBytes(uintmax_t file_size) {
  return std::max<rlim_t>(rlim_t{1} << 30, static_cast<rlim_t>(file_size) * 64);
}
#endif
int ImportSeconds(uintmax_t file_size) {
  return static_cast<int>(std::min<uintmax_t>(600, 10 + file_size / (1 << 20)));
}

void BuildApart(const std::string& mdb_path, uintmax_t file_size, const std::string& target) {
  const int seconds = ImportSeconds(file_size);
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) Unable("no pipe for the import");
  const pid_t child = fork();
  if (child < 0) {
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    Unable("the import cannot be started");
  }
  if (child == 0) {
    ::close(pipe_ends[0]);
#ifndef KVPW_UNDER_ASAN
    const rlimit memory{ImportBytes(file_size), ImportBytes(file_size)};
    setrlimit(RLIMIT_AS, &memory);
    // mdbtools talks to its own command-line users on stderr; ours get the reason below.
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) ::dup2(null, STDERR_FILENO);
#endif
    int code = 0;
    std::string message;
    try {
      Build(mdb_path, target);
    } catch (const Error& e) {
      message = ToUtf8(e.description());
      code = 1;
    } catch (const std::exception& e) {
      message = "Unable to open database: " + std::string(e.what());
      code = 1;
    }
    for (size_t done = 0; done < message.size();) {
      const ssize_t n = ::write(pipe_ends[1], message.data() + done, message.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    _exit(code);
  }
  ::close(pipe_ends[1]);
  std::string message;
  bool timed_out = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{pipe_ends[0], POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(pipe_ends[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    message.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipe_ends[0]);
  if (timed_out) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  std::error_code ec;
  fs::remove(target + "." + std::to_string(child) + ".partial", ec);
  if (timed_out)
    Unable("the file is damaged or too large: reading it did not finish within " +
           std::to_string(seconds) + " s");
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  if (WIFEXITED(status) && !message.empty()) Raise(err::kEngineFailure, FromUtf8(message));
  Unable(
      "the file is damaged: reading it failed" +
      (WIFSIGNALED(status) ? " (signal " + std::to_string(WTERMSIG(status)) + ")" : std::string()));
}

}  // namespace

std::string CacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && *xdg == '/') return (fs::path(xdg) / "kvpw").string();
  const char* home = std::getenv("HOME");
  return (fs::path(home && *home ? home : "/tmp") / ".cache" / "kvpw").string();
}

std::string ImportedCopy(const std::string& path) {
  std::error_code ec;
  const fs::path source = fs::absolute(path, ec);
  const uintmax_t size = fs::file_size(source, ec);
  if (ec) Unable("the file cannot be read (" + ec.message() + ")");
  const auto mtime = fs::last_write_time(source, ec).time_since_epoch().count();
  // One name per file, one per version of it: a changed file gets a new copy, and the copies
  // of its earlier versions go once the new one is there.
  const auto hex = [](const std::string& key) {
    char out[17];
    std::snprintf(out, sizeof out, "%016zx", std::hash<std::string>{}(key));
    return std::string(out);
  };
  const std::string stem = hex(source.string());
  const std::string name = stem + "-" +
                           hex(std::to_string(size) + '\n' + std::to_string(mtime) + '\n' +
                               std::to_string(kImportFormat));
  const fs::path folder = CacheFolder();
  const fs::path copy = folder / (name + ".sqlite");
  if (fs::exists(copy, ec)) return copy.string();

  fs::create_directories(folder, ec);
  if (ec) Unable("the cache folder " + folder.string() + " cannot be made (" + ec.message() + ")");
  // One builder at a time; the others wait and then use its copy.
  const fs::path lock_path = folder / (stem + ".lock");
  const int lock = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) Unable("the cache folder " + folder.string() + " cannot be written");
  struct Unlock {
    int fd;
    ~Unlock() {
      flock(fd, LOCK_UN);
      ::close(fd);
    }
  } unlock{lock};
  flock(lock, LOCK_EX);
  if (fs::exists(copy, ec)) return copy.string();
  BuildApart(source.string(), size, copy.string());
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string other = entry.path().filename().string();
    if (other.starts_with(stem + "-") && other.ends_with(".sqlite") && entry.path() != copy)
      fs::remove(entry.path(), ec);
  }
  return copy.string();
}

void WriteCopy(const std::string& target, std::span<const TableSource> tables,
               std::span<const NamedQuery> queries) {
  const std::string partial = target + "." + std::to_string(getpid()) + ".partial";
  std::error_code ec;
  fs::remove(partial, ec);
  try {
    {
      Db db(partial);
      db.exec("PRAGMA journal_mode=OFF");
      db.exec("PRAGMA synchronous=OFF");
      db.exec("BEGIN");
      for (const TableSource& table : tables) WriteTable(db, table);
      WriteQueries(db, queries);
      db.exec("COMMIT");
    }
    fs::rename(partial, target, ec);
    if (ec) Unable("the imported copy cannot be put in place (" + ec.message() + ")");
  } catch (...) {
    fs::remove(partial, ec);
    throw;
  }
}

void ExportCopy(const std::string& mdb_path, const std::string& target) {
  std::error_code ec;
  const fs::path copy = ImportedCopy(mdb_path);
  const std::string partial = target + ".kvpw-partial";
  fs::copy_file(copy, partial, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(partial, target, ec);
  if (ec) {
    fs::remove(partial, ec);
    Raise(err::kEngineFailure, u"The copy cannot be written to " + FromUtf8(target) + u".");
  }
}

}  // namespace kvpw::db::mdb
