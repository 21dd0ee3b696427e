// Verbs over the parts catalogue as the part dialogs use it: the part-number picker and the
// filled dialog of one part.
#include <iostream>
#include <memory>

#include "commands.h"
#include "fillin/dialog_forms.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "session.h"

namespace kvpw::cli {
namespace {

using nlohmann::json;

struct PartsOptions {
  std::string db = ExamplesDir() + "/parts.mdb";
  std::string props = ExamplesDir() + "/partprops.mdb";
  std::optional<std::string> item_code, del_code;
  std::optional<int32_t> base_package, options, drivers;
  bool json = false;
};

int RunParts(const PartsOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  auto combo = std::make_shared<host::MemoryComboBox>(u"cboPartNumber");
  const Text db = session.Catalogue(o.db), props = session.Catalogue(o.props);
  if (o.item_code) pw2.PopulatePartNumberByItemCode(combo, db, props, FromUtf8(*o.item_code));
  if (o.base_package) pw2.PopulatePartNumberByBasePackage(combo, db, props, *o.base_package);
  if (o.options) pw2.PopulatePartNumberByOptions(combo, db, props, *o.options);
  if (o.drivers)
    pw2.PopulatePartNumberByDrivers(combo, db, props, *o.drivers, FromUtf8(o.del_code.value()));

  const std::vector<std::string> header{"part number", "description", "list price"};
  std::vector<std::vector<std::string>> rows;
  for (int32_t r = 0; r < combo->list_count(); ++r) {
    rows.emplace_back();
    for (int32_t c = 0; c < 3; ++c) rows.back().push_back(Display(combo->column(c, r)));
  }
  if (o.json) {
    std::cout << json{{"columns", header}, {"rows", rows}, {"messages", session.Messages()}}.dump(2)
              << "\n";
  } else {
    PrintTable(std::cout, header, rows);
    std::cout << rows.size() << " part(s)\n";
  }
  return kExitClean;
}

struct PartOptions {
  std::string db = ExamplesDir() + "/parts.mdb";
  std::string part_number, dialog;
  bool json = false;
};

int RunPart(const PartOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  const fillin::FilledDialog filled =
      fillin::FillDialog(pw2, FromUtf8(o.dialog), session.Catalogue(o.db), FromUtf8(o.part_number));
  std::vector<std::vector<std::string>> rows;
  json controls = json::object();
  for (const auto& [name, value] : filled.controls) {
    rows.push_back({ToUtf8(name), ToUtf8(value)});
    controls[ToUtf8(name)] = ToUtf8(value);
  }
  if (o.json) {
    std::cout << json{{"controls", controls},
                      {"result", ToJson(filled.result)},
                      {"messages", session.Messages()}}
                     .dump(2)
              << "\n";
  } else {
    PrintTable(std::cout, {"control", "value"}, rows);
    if (!filled.result.is_empty()) std::cout << "returned: " << Display(filled.result) << "\n";
  }
  return kExitClean;
}

}  // namespace

void AddPartCommands(CLI::App& app, Commands& commands) {
  auto parts = std::make_shared<PartsOptions>();
  CLI::App* parts_verb = app.add_subcommand(
      "parts", "List part numbers with description and price, as the part-number pickers do");
  parts_verb->add_option("--db", parts->db, "Parts database")->capture_default_str();
  parts_verb->add_option("--props", parts->props, "Part-properties database")
      ->capture_default_str();
  auto* item_code = parts_verb->add_option("--item-code", parts->item_code,
                                           "Engineering item-code pattern (?, *, [list])");
  auto* base = parts_verb->add_option("--base-package", parts->base_package,
                                      "Base packages of a software id");
  auto* options = parts_verb->add_option("--options", parts->options, "Options of a software id");
  auto* drivers = parts_verb->add_option("--drivers", parts->drivers, "Drivers of a software id");
  auto* del_code = parts_verb->add_option("--del-code", parts->del_code,
                                          "Delivery-code pattern of the drivers (?, *, [list])");
  drivers->needs(del_code);
  del_code->needs(drivers);
  for (auto* a : {item_code, base, options, drivers})
    for (auto* b : {item_code, base, options, drivers})
      if (a != b) a->excludes(b);
  parts_verb->require_option(1, 3);  // one of the four, with --del-code beside --drivers
  parts_verb->add_flag("--json", parts->json, "Machine-readable output");
  commands.push_back({parts_verb, [parts] { return RunParts(*parts); }});

  auto part = std::make_shared<PartOptions>();
  CLI::App* part_verb =
      app.add_subcommand("part", "Fill a part dialog for one part number and print its controls");
  part_verb->add_option("part_number", part->part_number, "Manufacturer part number")->required();
  std::vector<std::string> kinds;
  for (const TextView kind : fillin::DialogKinds()) kinds.push_back(ToUtf8(kind));
  part_verb->add_option("--dialog", part->dialog, "The dialog")
      ->required()
      ->check(CLI::IsMember(kinds, CLI::ignore_case));
  part_verb->add_option("--db", part->db, "Parts database")->capture_default_str();
  part_verb->add_flag("--json", part->json, "Machine-readable output");
  commands.push_back({part_verb, [part] { return RunPart(*part); }});
}

}  // namespace kvpw::cli
