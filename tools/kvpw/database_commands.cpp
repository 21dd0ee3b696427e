// Verbs over parts databases: first-row lookups, wildcard patterns, combo lists and what a
// catalogue holds.
#include <iostream>
#include <memory>

#include "commands.h"
#include "db/engine.h"
#include "db/mdb/import.h"
#include "frame/misc.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "session.h"

namespace kvpw::cli {
namespace {

using nlohmann::json;

struct RowOptions {
  std::string db = ExamplesDir() + "/parts.mdb";
  std::string sql;
  bool json = false;
};

int RunRow(const RowOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  bool found = false;
  const Variant row = pw2.GetDatabaseTableRow(session.Catalogue(o.db), FromUtf8(o.sql), found);
  const std::vector<Variant> none;
  const auto& items = row.array().dimensioned() ? *row.array().items : none;
  if (o.json) {
    json values = json::array();
    for (const Variant& v : items) values.push_back({{"type", TypeName(v)}, {"value", ToJson(v)}});
    std::cout << json{{"found", found}, {"row", values}, {"messages", session.Messages()}}.dump(2)
              << "\n";
    return kExitClean;
  }
  if (!found) {
    std::cout << "No row found.\n";
    return kExitClean;
  }
  std::vector<std::vector<std::string>> rows;
  for (size_t i = 0; i < items.size(); ++i)
    rows.push_back({std::to_string(i), TypeName(items[i]), Display(items[i])});
  PrintTable(std::cout, {"#", "type", "value"}, rows);
  return kExitClean;
}

struct LikeOptions {
  std::string field, pattern;
  bool json = false;
};

int RunLike(const LikeOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  const Text condition = pw2.FixSqlWildcardPattern(FromUtf8(o.field), FromUtf8(o.pattern));
  if (o.json)
    std::cout << json{{"condition", ToUtf8(condition)}}.dump(2) << "\n";
  else
    std::cout << ToUtf8(condition) << "\n";
  return kExitClean;
}

struct ListOptions {
  std::string db = ExamplesDir() + "/parts.mdb";
  std::string sql, column;
  std::optional<std::string> column2, column3, filter_field, filter, tail;
  bool json = false;
};

std::optional<Text> OptionalText(const std::optional<std::string>& s) {
  if (!s) return std::nullopt;
  return FromUtf8(*s);
}

int RunList(const ListOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  auto combo = std::make_shared<host::MemoryComboBox>(u"cboList");
  pw2.PopulateCombo(session.Catalogue(o.db), combo, FromUtf8(o.sql), FromUtf8(o.column),
                    OptionalText(o.filter_field), OptionalText(o.filter), OptionalText(o.tail),
                    OptionalText(o.column2), OptionalText(o.column3));
  std::vector<std::string> header{o.column};
  if (o.column2) header.push_back(*o.column2);
  if (o.column2 && o.column3) header.push_back(*o.column3);
  std::vector<std::vector<std::string>> rows;
  for (int32_t r = 0; r < combo->list_count(); ++r) {
    rows.emplace_back();
    for (size_t c = 0; c < header.size(); ++c)
      rows.back().push_back(Display(combo->column(static_cast<int32_t>(c), r)));
  }
  if (o.json) {
    json out{{"columns", header}, {"rows", rows}, {"messages", session.Messages()}};
    std::cout << out.dump(2) << "\n";
  } else {
    PrintTable(std::cout, header, rows);
    std::cout << rows.size() << " row(s)\n";
  }
  return kExitClean;
}

struct CatalogueOptions {
  std::string db;
  std::optional<std::string> export_to;
  bool sql = false;
  bool json = false;
};

// Each cell of the query's rows as text (Null as the empty text).
std::vector<std::vector<std::string>> Rows(db::Connection& connection, TextView sql) {
  std::vector<std::vector<std::string>> rows;
  for (db::RecordsetRef rs = connection.execute(sql); !rs->eof(); rs->move_next()) {
    rows.emplace_back();
    for (int16_t c = 0; c < rs->field_count(); ++c)
      rows.back().push_back(ToUtf8(NullToEmptyString(rs->value(c))));
  }
  return rows;
}

Text Bracketed(const std::string& name) {
  return u"[" + FromUtf8(name) + u"]";
}

// The tables with their row counts, then the stored queries: of a desktop-database file those
// its imported copy lists (with why a query does not run), of an SQLite catalogue its views.
int RunCatalogue(const CatalogueOptions& o) {
  Session session(o.json);
  const db::ConnectionRef connection = session.platform()->engine->new_connection();
  connection->open(u"Provider=" + Text(db::kJetProvider) + u";Data Source=" + FromUtf8(o.db), u"",
                   u"");
  std::vector<std::vector<std::string>> tables = Rows(
      *connection,
      u"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'MSys%' AND name "
      u"NOT LIKE 'kvpw[_]%' AND name NOT LIKE 'sqlite[_]%' ORDER BY name");
  for (auto& table : tables)
    table.push_back(Rows(*connection, u"SELECT Count(*) FROM " + Bracketed(table[0]))[0][0]);
  const bool copy =
      !Rows(*connection, u"SELECT name FROM sqlite_master WHERE name = 'kvpw_queries'").empty();
  const std::vector<std::vector<std::string>> queries =
      copy ? Rows(*connection, u"SELECT name, kind, refusal, sql FROM kvpw_queries ORDER BY name")
           : Rows(*connection,
                  u"SELECT name, 'select', '', sql FROM sqlite_master WHERE type = 'view' ORDER BY "
                  u"name");
  connection->close();
  if (o.export_to) db::mdb::ExportCopy(o.db, *o.export_to);

  if (o.json) {
    json out{{"tables", json::array()}, {"queries", json::array()}};
    for (const auto& t : tables)
      out["tables"].push_back({{"name", t[0]}, {"rows", std::stoll(t[1])}});
    for (const auto& q : queries) {
      json entry{{"name", q[0]}, {"kind", q[1]}, {"runs", q[2].empty()}};
      if (!q[2].empty()) entry["refusal"] = q[2];
      if (o.sql) entry["sql"] = q[3];
      out["queries"].push_back(entry);
    }
    if (o.export_to) out["exported"] = *o.export_to;
    std::cout << out.dump(2) << "\n";
    return kExitClean;
  }
  PrintTable(std::cout, {"table", "rows"}, tables);
  std::cout << "\n";
  std::vector<std::vector<std::string>> listed;
  for (const auto& q : queries) listed.push_back({q[0], q[1], q[2].empty() ? "runs" : q[2]});
  PrintTable(std::cout, {"stored query", "kind", "status"}, listed);
  if (o.sql)
    for (const auto& q : queries) std::cout << "\n-- " << q[0] << "\n" << q[3] << "\n";
  if (o.export_to) std::cout << "\nImported copy written to " << *o.export_to << "\n";
  return kExitClean;
}

}  // namespace

void AddDatabaseCommands(CLI::App& app, Commands& commands) {
  auto row = std::make_shared<RowOptions>();
  CLI::App* row_verb =
      app.add_subcommand("row", "Print the first row of a query (GetDatabaseTableRow)");
  row_verb->add_option("--db", row->db, "Database file")->capture_default_str();
  row_verb->add_option("sql", row->sql, "The query, sent exactly as given")->required();
  row_verb->add_flag("--json", row->json, "Machine-readable output");
  commands.push_back({row_verb, [row] { return RunRow(*row); }});

  auto like = std::make_shared<LikeOptions>();
  CLI::App* like_verb = app.add_subcommand(
      "like", "Turn a ?, * and [list] pattern into an SQL condition (FixSqlWildcardPattern)");
  like_verb->add_option("field", like->field, "Column name")->required();
  like_verb->add_option("pattern", like->pattern, "Pattern")->required();
  like_verb->add_flag("--json", like->json, "Machine-readable output");
  commands.push_back({like_verb, [like] { return RunLike(*like); }});

  auto list = std::make_shared<ListOptions>();
  CLI::App* list_verb =
      app.add_subcommand("list", "Fill a combo box from a query and print it (PopulateCombo)");
  list_verb->add_option("--db", list->db, "Database file")->capture_default_str();
  list_verb->add_option("--sql", list->sql, "The query, without filter and tail")->required();
  list_verb->add_option("--column", list->column, "Column shown first")->required();
  list_verb->add_option("--column2", list->column2, "Column shown second");
  list_verb->add_option("--column3", list->column3, "Column shown third (needs --column2)");
  auto* filter_field =
      list_verb->add_option("--filter-field", list->filter_field, "Column to filter on");
  list_verb->add_option("--filter", list->filter, "LIKE pattern for the filter column")
      ->needs(filter_field);
  list_verb->add_option("--tail", list->tail, "Text appended to the query (ORDER BY ...)");
  list_verb->add_flag("--json", list->json, "Machine-readable output");
  commands.push_back({list_verb, [list] { return RunList(*list); }});

  auto catalogue = std::make_shared<CatalogueOptions>();
  CLI::App* catalogue_verb = app.add_subcommand(
      "catalogue", "List a parts database's tables (with row counts) and stored queries");
  catalogue_verb->add_option("db", catalogue->db, "Database file (.mdb, also SQLite)")->required();
  catalogue_verb->add_flag("--sql", catalogue->sql, "Also print the SQL of each stored query");
  catalogue_verb->add_option("--export", catalogue->export_to,
                             "Write the imported SQLite copy of a desktop-database file here");
  catalogue_verb->add_flag("--json", catalogue->json, "Machine-readable output");
  commands.push_back({catalogue_verb, [catalogue] { return RunCatalogue(*catalogue); }});
}

}  // namespace kvpw::cli
