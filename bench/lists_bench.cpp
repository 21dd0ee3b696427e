// The part-number list of one item code (1,000 parts out of a 100,000-part catalogue), against
// one joined query that returns the same rows into the same list; and a relay dialog fill-in.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "db/kv_ado_connection.h"
#include "db/sqlite_engine.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/message_boxes.h"
#include "lists/list_fill.h"

namespace {

constexpr int kParts = 100000;
constexpr int kItemCodes = 100;  // 1,000 parts each
const kvpw::Text kItemCode = u"IC-042";

// The example catalogue's layout: parts with maker, vendor and family tables, the stored query
// joining them with the price as text, and the engineering item codes, all keyed by index.
const kvpw::Text& CatalogueFile() {
  static const kvpw::Text file = [] {
    const auto path = std::filesystem::temp_directory_path() / "kvpw-bench-lists.mdb";
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::string terms;
    for (int n = 1; n <= 20; ++n)
      terms += ", SoccTerm" + std::to_string(n) + " TEXT COLLATE NOCASE";
    std::string term_columns;
    for (int n = 1; n <= 20; ++n) term_columns += ", p.SoccTerm" + std::to_string(n);
    const std::string n = std::to_string(kParts);
    const std::string sql =
        "CREATE TABLE tblManufacturers(MfgID INTEGER PRIMARY KEY, MfgName TEXT COLLATE NOCASE);"
        "CREATE TABLE tblVendors(VendorID INTEGER PRIMARY KEY, VendorName TEXT COLLATE NOCASE);"
        "CREATE TABLE tblPartFamilies(FamilyID SMALLINT PRIMARY KEY, FamilyName TEXT);"
        "CREATE TABLE tblParts(PartID INTEGER PRIMARY KEY, MfgPartNumber TEXT COLLATE NOCASE NOT "
        "NULL, MfgID INTEGER, VendorID INTEGER, FamilyID SMALLINT, Description TEXT COLLATE "
        "NOCASE, PDF TEXT COLLATE NOCASE, SoccBitmap TEXT COLLATE NOCASE, SoccTermAmt TEXT "
        "COLLATE NOCASE" +
        terms +
        ", SoccAsType TEXT COLLATE NOCASE, MfgListPrice CURRENCY, Discontinued BOOLEAN NOT NULL "
        "DEFAULT 0);"
        "CREATE TABLE Pz_PartsEng_PartItemCodes(ID INTEGER PRIMARY KEY, PartNumber TEXT COLLATE "
        "NOCASE NOT NULL, EngineeringItemCode TEXT COLLATE NOCASE);"
        "CREATE UNIQUE INDEX ixParts ON tblParts(MfgPartNumber);"
        "CREATE INDEX ixCodesPart ON Pz_PartsEng_PartItemCodes(PartNumber);"
        "CREATE INDEX ixCodesCode ON Pz_PartsEng_PartItemCodes(EngineeringItemCode);"
        "CREATE VIEW qrySoccParts AS SELECT p.PartID, p.MfgPartNumber, m.MfgName, v.VendorName, "
        "p.Description, p.PDF, p.SoccBitmap, p.SoccTermAmt" +
        term_columns +
        ", p.SoccAsType, p.MfgListPrice, CASE WHEN p.MfgListPrice IS NULL THEN NULL ELSE '$' || "
        "printf('%,d', CAST(round(p.MfgListPrice * 100) AS INTEGER) / 100) || '.' || "
        "printf('%02d', CAST(round(p.MfgListPrice * 100) AS INTEGER) % 100) END AS "
        "MfgListPriceFmt, f.FamilyName FROM tblParts AS p INNER JOIN tblPartFamilies AS f ON "
        "f.FamilyID = p.FamilyID LEFT JOIN tblManufacturers AS m ON m.MfgID = p.MfgID LEFT JOIN "
        "tblVendors AS v ON v.VendorID = p.VendorID WHERE p.Discontinued = False;"
        "BEGIN;"
        "INSERT INTO tblManufacturers VALUES (1, 'Brightline Relay Co.'), (2, 'Pneutrex Inc.');"
        "INSERT INTO tblVendors VALUES (1, 'Summit Controls Supply'), (2, 'Factory Direct');"
        "INSERT INTO tblPartFamilies VALUES (1, 'Relays');"
        "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < " +
        n +
        ") INSERT INTO tblParts(MfgPartNumber, MfgID, VendorID, FamilyID, Description, PDF, "
        "SoccBitmap, SoccTermAmt, SoccTerm1, SoccTerm2, SoccTerm3, SoccTerm4, SoccTerm5, "
        "SoccAsType, MfgListPrice) SELECT printf('BRP-%06d', i), 1 + i % 2, 1 + i % 2, 1, "
        "'Pilot relay, SPDT 10 A, 24 VAC coil, variant ' || i, 'Docs\\Relays\\BRP.pdf', "
        "'RABCBCB', '5', 'A1', 'A2', '11', '12', '14', 'Pilot relay', 10 + i * 0.25 FROM k;"
        "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < " +
        n +
        ") INSERT INTO Pz_PartsEng_PartItemCodes(PartNumber, EngineeringItemCode) SELECT "
        "printf('BRP-%06d', i), printf('IC-%03d', i % " +
        std::to_string(kItemCodes) +
        ") FROM k;"
        "COMMIT; ANALYZE;";
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
      throw std::runtime_error(message ? message : "cannot build the catalogue");
    sqlite3_close(db);
    return kvpw::FromUtf8(path.string());
  }();
  return file;
}

kvpw::PlatformRef Platform() {
  static const auto platform = std::make_shared<kvpw::Platform>(kvpw::Platform{
      kvpw::db::MakeSqliteEngine(), std::make_shared<kvpw::host::RecordingMessageBox>()});
  return platform;
}

void ExpectRows(benchmark::State& state, kvpw::host::MemoryComboBox& combo) {
  if (combo.list_count() != kParts / kItemCodes) state.SkipWithError("wrong number of rows");
}

void BM_PopulatePartNumberByItemCode(benchmark::State& state) {
  kvpw::Pw2 pw2(Platform());
  const kvpw::Text& file = CatalogueFile();
  auto combo = std::make_shared<kvpw::host::MemoryComboBox>(u"cboPartNumber");
  for (auto _ : state) pw2.PopulatePartNumberByItemCode(combo, file, u"", kItemCode);
  ExpectRows(state, *combo);
}
BENCHMARK(BM_PopulatePartNumberByItemCode)->Unit(benchmark::kMillisecond);

// The reference: the same rows from one query that joins the item codes to the part rows,
// added to the list the same way.
void BM_JoinedQuery(benchmark::State& state) {
  const kvpw::Text& file = CatalogueFile();
  auto combo = std::make_shared<kvpw::host::MemoryComboBox>(u"cboPartNumber");
  const kvpw::Text query =
      u"SELECT q.MfgPartNumber, q.Description, q.MfgListPriceFmt FROM Pz_PartsEng_PartItemCodes "
      u"AS i INNER JOIN qrySoccParts AS q ON q.MfgPartNumber = i.PartNumber WHERE "
      u"i.EngineeringItemCode LIKE '" +
      kItemCode + u"' ORDER BY i.PartNumber";
  for (auto _ : state) {
    combo->clear();
    kvpw::KvAdoConnection connection(Platform());
    connection.LetFileName(file);
    kvpw::Text error;
    const auto rs = connection.ConnQuery(query, error);
    for (; !rs->eof(); rs->move_next())
      kvpw::lists::AddListRow(*combo, *rs, u"MfgPartNumber", {u"Description", u"MfgListPriceFmt"});
    connection.ConnClose();
  }
  ExpectRows(state, *combo);
}
BENCHMARK(BM_JoinedQuery)->Unit(benchmark::kMillisecond);

void BM_FillInRelayPartFields(benchmark::State& state) {
  kvpw::Pw2 pw2(Platform());
  const kvpw::Text& file = CatalogueFile();
  auto form = std::make_shared<kvpw::host::MemoryForm>(u"frmRelay");
  std::vector<kvpw::host::ControlRef> c;
  for (const kvpw::TextView name :
       {u"cboPartNumber", u"txtMan", u"txtVen", u"txtDesc", u"txtPDF", u"txtService", u"txtMount",
        u"txtCoil", u"txtContact", u"txtTermAmt", u"txtTerm20", u"txtType"})
    c.push_back(form->add<kvpw::host::MemoryTextBox>(name));
  std::mt19937 random(1);
  char part[16];
  for (auto _ : state) {
    std::snprintf(part, sizeof part, "BRP-%06d", static_cast<int>(random() % kParts) + 1);
    c[0]->set_value(kvpw::Variant(kvpw::FromUtf8(part)));
    pw2.FillInRelayPartFields(file, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9],
                              c[10], c[11]);
  }
  if (c[8]->default_value() != kvpw::Variant(u"Double Throw")) state.SkipWithError("not filled");
}
BENCHMARK(BM_FillInRelayPartFields)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
