// kvpw: the library's operations from the command line, on real databases, with message boxes
// printed instead of shown.
#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>

#include "db/sqlite_engine.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "host/message_boxes.h"

#ifndef KVPW_EXAMPLES_DIR
#define KVPW_EXAMPLES_DIR "examples"
#endif

namespace {

using kvpw::Text;
using kvpw::Variant;
using kvpw::VarType;
using nlohmann::json;

constexpr const char* kTypeNames[] = {"Empty",  "Null", "Boolean", "Integer", "Long",
                                      "Double", "Text", "Object",  "Array"};

const char* TypeName(const Variant& v) {
  return kTypeNames[static_cast<int>(v.type())];
}

json ToJson(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
    case VarType::kNull:
      return nullptr;
    case VarType::kBoolean:
      return v.boolean();
    case VarType::kInteger:
      return v.integer();
    case VarType::kLong:
      return v.long_value();
    case VarType::kDouble:
      return v.double_value();
    case VarType::kText:
      return kvpw::ToUtf8(v.text());
    default:
      return kvpw::ToUtf8(kvpw::ToText(v));
  }
}

// What an operation showed and returned, printed once it is done.
struct Session {
  bool json_output = false;
  std::shared_ptr<kvpw::host::RecordingMessageBox> recorded =
      std::make_shared<kvpw::host::RecordingMessageBox>();
  std::shared_ptr<kvpw::Platform> platform = std::make_shared<kvpw::Platform>();

  explicit Session(bool json) : json_output(json) {
    platform->engine = kvpw::db::MakeSqliteEngine();
    if (json)
      platform->message_box = recorded;
    else
      platform->message_box = std::make_shared<kvpw::host::ConsoleMessageBox>(std::cout);
  }

  json Messages() const {
    json boxes = json::array();
    for (const auto& box : recorded->boxes())
      boxes.push_back({{"title", kvpw::ToUtf8(box.title)},
                       {"text", kvpw::ToUtf8(box.text)},
                       {"style", box.style}});
    return boxes;
  }
};

int RunRow(const std::string& db, const std::string& sql, bool json_output) {
  Session session(json_output);
  kvpw::Pw2 pw2(session.platform);
  bool found = false;
  const Variant row = pw2.GetDatabaseTableRow(kvpw::FromUtf8(db), kvpw::FromUtf8(sql), found);
  const std::vector<Variant> none;
  const auto& items = row.array().dimensioned() ? *row.array().items : none;
  if (json_output) {
    json values = json::array();
    for (const Variant& v : items) values.push_back({{"type", TypeName(v)}, {"value", ToJson(v)}});
    std::cout << json{{"found", found}, {"row", values}, {"messages", session.Messages()}}.dump(2)
              << "\n";
    return 0;
  }
  if (!found) {
    std::cout << "No row found.\n";
    return 0;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    const Variant& v = items[i];
    const std::string shown = v.is_null() ? "Null" : v.is_empty() ? "" : kvpw::ToUtf8(ToText(v));
    std::cout << i << "\t" << TypeName(v) << "\t" << shown << "\n";
  }
  return 0;
}

int RunLike(const std::string& field, const std::string& pattern, bool json_output) {
  Session session(json_output);
  kvpw::Pw2 pw2(session.platform);
  const Text condition = pw2.FixSqlWildcardPattern(kvpw::FromUtf8(field), kvpw::FromUtf8(pattern));
  if (json_output)
    std::cout << json{{"condition", kvpw::ToUtf8(condition)}}.dump(2) << "\n";
  else
    std::cout << kvpw::ToUtf8(condition) << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kvpw: the KvPwForStencils operations on parts databases and drawings"};
  app.require_subcommand(1);
  bool json_output = false;

  std::string db = std::string(KVPW_EXAMPLES_DIR) + "/parts.mdb";
  std::string sql;
  auto* row = app.add_subcommand("row", "Print the first row of a query (GetDatabaseTableRow)");
  row->add_option("--db", db, "Database file")->capture_default_str();
  row->add_option("sql", sql, "The query, sent exactly as given")->required();
  row->add_flag("--json", json_output, "Machine-readable output");

  std::string field, pattern;
  auto* like = app.add_subcommand(
      "like", "Turn a ?, * and [list] pattern into an SQL condition (FixSqlWildcardPattern)");
  like->add_option("field", field, "Column name")->required();
  like->add_option("pattern", pattern, "Pattern")->required();
  like->add_flag("--json", json_output, "Machine-readable output");

  CLI11_PARSE(app, argc, argv);
  try {
    if (*row) return RunRow(db, sql, json_output);
    if (*like) return RunLike(field, pattern, json_output);
  } catch (const kvpw::Error& e) {
    std::cerr << "kvpw: error " << e.number() << ": " << kvpw::ToUtf8(e.description()) << "\n";
    return 1;
  }
  return 0;
}
