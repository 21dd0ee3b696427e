#include "catalogue.h"

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <stdexcept>

#ifndef KVPW_EXAMPLES_DIR
#define KVPW_EXAMPLES_DIR "examples"
#endif

namespace kvpw::bench {
namespace {

void Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string error = message ? message : "?";
    sqlite3_free(message);
    throw std::runtime_error("building the benchmark catalogue: " + error);
  }
}

int Count(sqlite3* db, const std::string& table) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, ("SELECT Count(*) FROM " + table).c_str(), -1, &stmt, nullptr);
  sqlite3_step(stmt);
  const int n = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  return n;
}

// Every column of the table but the key, with MfgPartNumber (or PartNumber) suffixed.
std::string CopiedColumns(sqlite3* db, const std::string& table, const std::string& key,
                          const std::string& renamed, bool with_suffix) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table + ")").c_str(), -1, &stmt, nullptr);
  std::string columns;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    if (name == key) continue;
    if (!columns.empty()) columns += ", ";
    columns += with_suffix && name == renamed ? name + " || '-X' || n.i" : name;
  }
  sqlite3_finalize(stmt);
  return columns;
}

std::string Build(int parts) {
  namespace fs = std::filesystem;
  const fs::path file =
      fs::temp_directory_path() / ("kvpw-bench-catalogue-" + std::to_string(parts) + ".mdb");
  fs::copy_file(fs::path(KVPW_EXAMPLES_DIR) / "parts.mdb", file,
                fs::copy_options::overwrite_existing);
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  const int base = Count(db, "tblParts");
  const int copies = (parts + base - 1) / base - 1;
  Exec(db,
       "BEGIN; CREATE TEMP TABLE n AS WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1"
       " FROM c WHERE i < " +
           std::to_string(copies) + ") SELECT i FROM c;");
  for (const auto& [table, key, renamed] :
       {std::tuple<std::string, std::string, std::string>{"tblParts", "PartID", "MfgPartNumber"},
        {"Pz_PartsEng_PartItemCodes", "ID", "PartNumber"}}) {
    Exec(db, "INSERT INTO " + table + " (" + CopiedColumns(db, table, key, renamed, false) +
                 ") SELECT " + CopiedColumns(db, table, key, renamed, true) + " FROM " + table +
                 " CROSS JOIN n;");
  }
  Exec(db, "COMMIT; ANALYZE;");
  sqlite3_close(db);
  return file.string();
}

}  // namespace

void WriteKeyedCatalogue(const std::string& file, int parts) {
  std::filesystem::remove(file);
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  try {
    Exec(db,
         "CREATE TABLE Parts(MfgPartNumber TEXT COLLATE NOCASE PRIMARY KEY,"
         " MfgDescription TEXT COLLATE NOCASE, Maker TEXT COLLATE NOCASE, MfgListPrice CURRENCY,"
         " SoccBitmap TEXT COLLATE NOCASE);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
             std::to_string(parts) +
             ") INSERT INTO Parts SELECT printf('P-%07d', i), 'Relay, DPDT, 24 V coil ' || i, "
             "'Korvane', i * 0.25, 'RA2B' FROM n;"
             "CREATE VIEW qrySoccParts AS SELECT MfgPartNumber, MfgDescription, Maker,"
             " MfgListPrice, SoccBitmap FROM Parts;");
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
}

const std::string& ScaledCatalogue(int parts) {
  static std::map<int, std::string> built;
  auto it = built.find(parts);
  if (it == built.end()) it = built.emplace(parts, Build(parts)).first;
  return it->second;
}

std::vector<TypedPart> TypedParts(const std::string& catalogue) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT PartNumber, EngineeringPartType FROM Pz_PartsEng_PartItemCodes "
                     "WHERE EngineeringPartType IS NOT NULL ORDER BY ID",
                     -1, &stmt, nullptr);
  std::vector<TypedPart> parts;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    parts.push_back({reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                     reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))});
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  if (parts.empty()) throw std::runtime_error("no typed parts in " + catalogue);
  return parts;
}

}  // namespace kvpw::bench
