// Verbs over parts databases: first-row lookups, wildcard patterns and combo lists.
#include <iostream>
#include <memory>

#include "commands.h"
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
}

}  // namespace kvpw::cli
