// Verbs over drawing files: the device list, the device and network pickers, and the checks.
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "commands.h"
#include "devices/device_sheet.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/vsdx/vsdx_drawing.h"
#include "report/findings_report.h"
#include "report/visual_report.h"
#include "session.h"

namespace kvpw::cli {
namespace {

using nlohmann::json;

// A bar of a verb's steps on stderr, drawn only for a person watching a terminal there, and
// wiped when the verb ends so that what it printed stays readable.
class Progress {
 public:
  Progress(bool wanted, int steps) : on_(wanted && isatty(STDERR_FILENO) == 1), steps_(steps) {}
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress() {
    if (on_ && width_ > 0) std::cerr << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  }
  void Next(const std::string& step, int shapes) {
    if (!on_) return;
    constexpr int kBar = 20;
    const int filled = steps_ > 0 ? kBar * done_ / steps_ : 0;
    std::string line = "kvpw [" + std::string(filled, '#') + std::string(kBar - filled, '-') +
                       "] " + std::to_string(done_ + 1) + "/" + std::to_string(steps_) + " " +
                       step + " (" + std::to_string(shapes) + " shapes)";
    const size_t width = line.size();
    if (line.size() < width_) line += std::string(width_ - line.size(), ' ');
    width_ = std::max(width_, width);
    std::cerr << '\r' << line << std::flush;
    ++done_;
  }

 private:
  bool on_;
  int steps_;
  int done_ = 0;
  size_t width_ = 0;
};

struct Drawing {
  std::string file;
  std::shared_ptr<host::Document> document;
  int shapes = 0;
  bool writes = false;  // the verb saves the drawing or a report after its steps
  std::unique_ptr<Progress> progress;
};

// `steps` is how many steps the verb takes, for the progress bar, which `quiet` leaves out.
Drawing Open(const std::string& file, bool writes, int steps, bool quiet = false) {
  Drawing drawing{file, host::OpenVsdx(file), 0, writes, std::make_unique<Progress>(!quiet, steps)};
  host::Pages& pages = drawing.document->pages();
  // Only for progress: a page too full for the 16-bit count fails later, in the step that counts.
  for (int16_t p = 1; p <= pages.count(); ++p)
    IgnoringFailure([&] { drawing.shapes += pages.item(p).shapes().count(); });
  return drawing;
}

// The pickers read the device list the drawing keeps; a drawing never given one has nothing to
// pick from, which is a usage error rather than an empty answer.
void RequireDeviceList(const Drawing& drawing) {
  static const host::CellName kCount{devices::kDeviceRowCountCell};
  if (drawing.document->document_sheet().cell_exists(kCount)) return;
  throw Error(err::kInvalidArgument,
              FromUtf8(drawing.file +
                       ": the drawing has no stored device list; run 'kvpw devices "
                       "update " +
                       drawing.file + "' to make one"));
}

// One step of a verb: reported on stderr on a large drawing. It fails when the operation fails
// or when it handled an error with a box (it then returns, but its work is not done), and the
// failure names the file and the step, since the host's own texts do not say where they arose.
template <class Work>
void Step(Session& session, const Drawing& drawing, const std::string& step, Work work,
          const char* overflow = nullptr) {
  drawing.progress->Next(step, drawing.shapes);
  std::optional<Error> failure;
  try {
    work();
    failure = session.TakeHandledError();
  } catch (const Error& e) {
    failure = e;
  }
  if (!failure) return;
  Text reason = failure->description();
  if (overflow && failure->number() == err::kOverflow) reason = FromUtf8(overflow);
  if (drawing.writes) {
    if (reason.ends_with(u'.')) reason.pop_back();
    reason += u"; nothing was saved";
  }
  throw Error(failure->number(), FromUtf8(drawing.file + ": " + step + " failed: ") + reason);
}

// The parts are compressed on helper threads, whose allocations come from arenas of their own
// and cannot reuse what the operations freed on this one: that is handed back first, so that
// saving does not raise the process's peak by the texts it writes.
void Save(const Drawing& drawing, const std::string& target) {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
  host::SaveVsdx(*drawing.document, target);
}

void UpdateDevices(Session& session, Pw2& pw2, const Drawing& drawing, bool quiet) {
  Step(
      session, drawing, "updating the device list",
      [&] { pw2.UpdateDeviceList(drawing.document, quiet); },
      "the drawing has more than 32,767 devices (or a page more than 32,767 shapes), the most "
      "the device list counts");
}

std::vector<std::string> FirstColumn(host::MemoryListBox& list, int32_t column = 0) {
  std::vector<std::string> items;
  for (int32_t r = 0; r < list.list_count(); ++r) items.push_back(Display(list.column(column, r)));
  return items;
}

struct UpdateOptions {
  std::string drawing, out;
  bool json = false;
  bool quiet = false;
};

int RunUpdate(const UpdateOptions& o) {
  Session session(o.json, o.quiet);
  Pw2 pw2(session.platform());
  Drawing drawing = Open(o.drawing, true, 1, o.quiet);
  UpdateDevices(session, pw2, drawing, false);
  const std::string target = o.out.empty() ? o.drawing : o.out;
  Save(drawing, target);
  drawing.progress.reset();
  if (o.json)
    std::cout << json{{"saved", target}, {"messages", session.Messages()}}.dump(2) << "\n";
  else if (!o.quiet)
    std::cout << "Saved " << target << "\n";
  return kExitClean;
}

struct ListOptions {
  std::string drawing;
  std::optional<int16_t> type;
  std::optional<std::string> network, points, part_type;
  std::string parts = ExamplesDir() + "/parts.mdb";
  bool json = false;
};

int RunList(const ListOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  Drawing drawing = Open(o.drawing, false, 1);
  RequireDeviceList(drawing);
  auto list = std::make_shared<host::MemoryListBox>(u"lstDevices");
  const int16_t type = o.type.value_or(0);
  const bool with_address = o.part_type.has_value();
  Step(session, drawing, "listing the devices", [&] {
    if (o.part_type) {
      pw2.PzPartDatabasePath = session.Catalogue(o.parts);
      pw2.GetDeviceNamesByPartType(list, Text(), FromUtf8(*o.part_type), drawing.document);
    } else if (o.points) {
      pw2.GetPTDeviceNames(list, FromUtf8(*o.points), drawing.document);
    } else if (o.network) {
      pw2.GetDeviceNamesByNetwork(list, type, FromUtf8(*o.network), drawing.document);
    } else if (o.type) {
      pw2.GetDeviceNames(list, type, drawing.document);
    } else {
      pw2.GetAllDeviceNames(list, drawing.document);
    }
  });
  drawing.progress.reset();
  std::vector<std::vector<std::string>> rows;
  const auto names = FirstColumn(*list);
  const auto addresses = with_address ? FirstColumn(*list, 1) : std::vector<std::string>{};
  for (size_t i = 0; i < names.size(); ++i)
    rows.push_back(with_address ? std::vector{names[i], addresses[i]} : std::vector{names[i]});
  if (o.json) {
    std::cout << json{{"rows", rows}, {"messages", session.Messages()}}.dump(2) << "\n";
  } else {
    for (const auto& row : rows) {
      std::cout << row[0];
      if (row.size() > 1) std::cout << "\t" << row[1];
      std::cout << "\n";
    }
  }
  return kExitClean;
}

struct NetworkOptions {
  std::string drawing;
  bool json = false;
};

int RunNetwork(const NetworkOptions& o) {
  Session session(o.json);
  Pw2 pw2(session.platform());
  Drawing drawing = Open(o.drawing, false, 1);
  RequireDeviceList(drawing);
  auto network = std::make_shared<host::MemoryComboBox>(u"cboNetwork");
  auto gcm = std::make_shared<host::MemoryComboBox>(u"cboGCM");
  auto intr = std::make_shared<host::MemoryComboBox>(u"cboINTR");
  Step(session, drawing, "reading the network values", [&] {
    pw2.PopulateComboNetwork(network, drawing.document);
    pw2.PopulateComboGCM(network, gcm, drawing.document);
    pw2.PopulateComboINTR(network, gcm, intr, drawing.document);
  });
  drawing.progress.reset();
  const auto items = [](host::MemoryComboBox& combo) {
    std::vector<std::string> out;
    for (int32_t r = 0; r < combo.list_count(); ++r) out.push_back(Display(combo.column(0, r)));
    return out;
  };
  const json lists{{"network", items(*network)}, {"gcm", items(*gcm)}, {"intr", items(*intr)}};
  if (o.json) {
    std::cout << json{{"tiers", lists}, {"messages", session.Messages()}}.dump(2) << "\n";
  } else {
    for (const char* tier : {"network", "gcm", "intr"}) {
      std::cout << tier << ":";
      for (const auto& value : lists[tier]) std::cout << " " << value.get<std::string>();
      std::cout << "\n";
    }
  }
  return kExitClean;
}

struct CheckOptions {
  std::string drawing, out;
  std::string parts = ExamplesDir() + "/parts.mdb";
  std::string props = ExamplesDir() + "/partprops.mdb";
  std::optional<std::string> pages, only, format, report, html;
  bool in_place = false;
  bool json = false;
  bool quiet = false;
};

// --only's names, in the order of validation::Check.
constexpr const char* kOnlyNames[] = {"duplicates", "points", "connections"};

// Written beside the target, then renamed over it, so that a reader never sees half a report.
void WriteFile(const std::string& file, const std::string& content) {
  const std::string temp = file + ".kvpw-tmp";
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out || std::rename(temp.c_str(), file.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Error(err::kInvalidArgument, FromUtf8("Cannot write '" + file + "'"));
  }
}

// "FROM-TO", or one page number.
std::pair<int16_t, int16_t> PageRange(const std::string& text) {
  const auto dash = text.find('-');
  try {
    const int from = std::stoi(text.substr(0, dash));
    const int to = dash == std::string::npos ? from : std::stoi(text.substr(dash + 1));
    if (from >= 1 && to >= 1 && from <= INT16_MAX && to <= INT16_MAX)
      return {static_cast<int16_t>(from), static_cast<int16_t>(to)};
  } catch (const std::exception&) {
  }
  throw CLI::ValidationError("--pages", "expected FROM-TO with page numbers from 1, got " + text);
}

int RunCheck(const CheckOptions& o) {
  Session session(o.json, o.quiet);
  Pw2 pw2(session.platform());
  const int steps = 1 + (o.only ? 1 : 3) + (o.html ? 1 : 0);
  Drawing drawing = Open(o.drawing, true, steps, o.quiet);
  const Text parts = session.Catalogue(o.parts), props = session.Catalogue(o.props);
  pw2.Initialize(parts, props);
  const int16_t page_count = drawing.document->pages().count();
  // Plain variables: the checks' lambdas capture them, which clang before 16 refuses for a
  // structured binding.
  const std::pair<int16_t, int16_t> range =
      o.pages ? PageRange(*o.pages) : std::pair<int16_t, int16_t>{1, page_count};
  const int16_t lower = range.first;
  const int16_t upper = range.second;

  // The device list is brought up to date first: the connection check reads it.
  UpdateDevices(session, pw2, drawing, true);
  std::vector<validation::Check> ran;
  const auto run = [&](validation::Check check, const char* step, auto work) {
    if (o.only && *o.only != kOnlyNames[static_cast<int>(check)]) return;
    Step(session, drawing, step, work);
    ran.push_back(check);
  };
  run(validation::Check::kDuplicateAddresses, "checking for duplicate addresses",
      [&] { pw2.CheckForDuplicateAddresses(drawing.document, props); });
  run(validation::Check::kInvalidPointTypes, "checking point types",
      [&] { pw2.CheckForInvalidPointTypes(upper, lower, drawing.document, parts, props); });
  run(validation::Check::kPointConnections, "checking point connections",
      [&] { pw2.CheckForInvalidPointConnections(upper, lower, drawing.document, parts); });

  const std::string target = o.in_place ? o.drawing : o.out;
  if (!target.empty()) Save(drawing, target);

  const report::CheckRun result{o.drawing, ran, session.findings()};
  if (o.report) {
    WriteFile(*o.report, *o.format == "sarif" ? report::SarifLog(result).dump(2) + "\n"
                                              : report::JUnitReport(result));
  }
  if (o.html) {
    std::vector<report::DrawnPage> layout;
    Step(session, drawing, "reading the shapes' places",
         [&] { layout = report::ReadLayout(*drawing.document); });
    WriteFile(*o.html, report::HtmlReport(layout, result));
  }
  drawing.progress.reset();
  if (o.json) {
    json findings = json::array();
    for (const auto& finding : result.findings) findings.push_back(report::FindingJson(finding));
    json summary = json::object();
    for (const auto check : ran)
      summary[validation::CheckId(check)] = report::CountOf(result, check);
    std::cout << json{{"findings", findings},
                      {"summary", summary},
                      {"saved", target.empty() ? json(nullptr) : json(target)},
                      {"report", o.report ? json(*o.report) : json(nullptr)},
                      {"html", o.html ? json(*o.html) : json(nullptr)},
                      {"messages", session.Messages()}}
                     .dump(2)
              << "\n";
  } else if (!o.quiet) {
    for (const auto check : ran)
      std::cout << validation::CheckId(check) << ": " << report::CountOf(result, check)
                << " finding(s)\n";
    if (!target.empty()) std::cout << "Marked drawing saved to " << target << "\n";
    if (o.report) std::cout << "Report (" << *o.format << ") written to " << *o.report << "\n";
    if (o.html) std::cout << "HTML report written to " << *o.html << "\n";
  }
  return result.findings.empty() ? kExitClean : kExitFindings;
}

}  // namespace

void AddDrawingCommands(CLI::App& app, Commands& commands) {
  CLI::App* devices = app.add_subcommand("devices", "The drawing's device list and its pickers");
  devices->require_subcommand(1);

  auto update = std::make_shared<UpdateOptions>();
  CLI::App* update_verb =
      devices->add_subcommand("update", "Rebuild the device list from the shapes and save it");
  update_verb->add_option("drawing", update->drawing, ".vsdx drawing")
      ->required()
      ->check(CLI::ExistingFile);
  update_verb->add_option("-o,--out", update->out, "Save here instead of in place");
  update_verb->add_flag("--json", update->json, "Machine-readable output");
  update_verb->add_flag("-q,--quiet", update->quiet, "Print nothing but failures");
  commands.push_back({update_verb, [update] { return RunUpdate(*update); }});

  auto list = std::make_shared<ListOptions>();
  CLI::App* list_verb =
      devices->add_subcommand("list", "List device names from the saved device list");
  list_verb->add_option("drawing", list->drawing, ".vsdx drawing")
      ->required()
      ->check(CLI::ExistingFile);
  list_verb->add_option("--type", list->type, "Devices having every bit of these type flags");
  list_verb->add_option("--network", list->network, "Devices whose address starts so");
  list_verb->add_option("--points", list->points, "Devices with point data of this kind")
      ->check(CLI::IsMember({"AI", "AO", "DI", "DO"}));
  auto* part_type =
      list_verb->add_option("--part-type", list->part_type, "Controllers of this item code");
  list_verb->add_option("--parts", list->parts, "Parts database")->capture_default_str();
  part_type->excludes("--points")->excludes("--network");
  list_verb->add_flag("--json", list->json, "Machine-readable output");
  commands.push_back({list_verb, [list] { return RunList(*list); }});

  auto network = std::make_shared<NetworkOptions>();
  CLI::App* network_verb =
      app.add_subcommand("network", "The network, GCM and INTR values the drawing's devices use");
  network_verb->add_option("drawing", network->drawing, ".vsdx drawing")
      ->required()
      ->check(CLI::ExistingFile);
  network_verb->add_flag("--json", network->json, "Machine-readable output");
  commands.push_back({network_verb, [network] { return RunNetwork(*network); }});

  auto check = std::make_shared<CheckOptions>();
  CLI::App* check_verb = app.add_subcommand(
      "check", "Update the device list and run the drawing checks; exit 1 on findings");
  check_verb->add_option("drawing", check->drawing, ".vsdx drawing")
      ->required()
      ->check(CLI::ExistingFile);
  check_verb->add_option("--parts", check->parts, "Parts database")->capture_default_str();
  check_verb->add_option("--props", check->props, "Part-properties database")
      ->capture_default_str();
  check_verb->add_option("--pages", check->pages, "Page range FROM-TO (default: all)");
  check_verb->add_option("--only", check->only, "Run one check")
      ->check(CLI::IsMember({"duplicates", "points", "connections"}));
  auto* out = check_verb->add_option("-o,--out", check->out, "Write the marked drawing here");
  check_verb->add_flag("--in-place", check->in_place, "Write the marked drawing over DRAWING")
      ->excludes(out);
  auto* format = check_verb->add_option("--format", check->format, "Report format for --report")
                     ->check(CLI::IsMember({"junit", "sarif"}));
  check_verb->add_option("--report", check->report, "Write the findings as a report here")
      ->needs(format);
  format->needs("--report");
  check_verb->add_option("--html", check->html, "Write the findings on a picture of the drawing");
  check_verb->add_flag("--json", check->json, "Machine-readable output");
  check_verb->add_flag("-q,--quiet", check->quiet,
                       "Print nothing but failures; the exit code tells the outcome");
  commands.push_back({check_verb, [check] { return RunCheck(*check); }});

  // The checks as check runs them, shown as one HTML page; the drawing is not written.
  auto shown = std::make_shared<CheckOptions>();
  CLI::App* report_verb = app.add_subcommand(
      "report",
      "Run the drawing checks and write an HTML page of the drawing with the findings "
      "marked; exit 1 on findings");
  report_verb->add_option("drawing", shown->drawing, ".vsdx drawing")
      ->required()
      ->check(CLI::ExistingFile);
  report_verb->add_option("-o,--out", shown->html, "The HTML file to write")->required();
  report_verb->add_option("--parts", shown->parts, "Parts database")->capture_default_str();
  report_verb->add_option("--props", shown->props, "Part-properties database")
      ->capture_default_str();
  report_verb->add_option("--pages", shown->pages, "Page range FROM-TO (default: all)");
  report_verb->add_option("--only", shown->only, "Run one check")
      ->check(CLI::IsMember({"duplicates", "points", "connections"}));
  report_verb->add_flag("--json", shown->json, "Machine-readable output");
  report_verb->add_flag("-q,--quiet", shown->quiet, "Print nothing but failures");
  commands.push_back({report_verb, [shown] { return RunCheck(*shown); }});
}

}  // namespace kvpw::cli
