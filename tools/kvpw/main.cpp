// kvpw: the library's operations from the command line, on real databases and drawings, with
// message boxes printed instead of shown.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "commands.h"
#include "frame/error.h"

namespace {

// A failure as one line after "kvpw: ": the library's text, read as a clause (a leading word such
// as "Cannot" in lower case; a file name as it is) without the host's number, which only
// programs need and --json gives them.
std::string OneLine(const kvpw::Error& e) {
  std::string text = kvpw::ToUtf8(e.description());
  std::replace(text.begin(), text.end(), '\n', ' ');
  if (!text.empty() && text.back() == '.') text.pop_back();
  const size_t word_end = std::min(text.find(' '), text.size());
  const bool word = word_end > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
                    std::all_of(text.begin() + 1, text.begin() + word_end,
                                [](unsigned char c) { return std::islower(c); });
  if (word) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

bool WantsJson(const CLI::App& verb) {
  const CLI::Option* json = verb.get_option_no_throw("--json");
  return json && json->count() > 0;
}

// A drawing's parts are parsed into a few hundred megabytes of small pieces, and on virtual
// machines every fresh 4 KiB page costs a fault that takes longer than filling it: checking a
// 40,000-shape drawing spent a third of its time faulting pages in. With transparent huge pages
// for the heap the kernel hands them out 2 MiB at a time (the check takes 0.9 s instead of 1.4).
// glibc reads that setting only as a program starts, so the verbs that read drawings start the
// program once more with it (about 10 ms, which the other verbs need not pay), unless the
// caller's own tunables already say.
void StartWithHugePages(int argc, char** argv) {
#ifdef __GLIBC__
  constexpr const char* kDrawingVerbs[] = {"check", "devices", "network", "report"};
  if (argc < 2 || std::none_of(std::begin(kDrawingVerbs), std::end(kDrawingVerbs),
                               [&](const char* verb) { return std::strcmp(argv[1], verb) == 0; }))
    return;
  constexpr const char* kTunable = "glibc.malloc.hugetlb=1";
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  if (tunables && std::strstr(tunables, "glibc.malloc.hugetlb")) return;
  const std::string value =
      tunables && *tunables ? std::string(tunables) + ":" + kTunable : std::string(kTunable);
  if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Without /proc the program runs on as it is.
  if (tunables) {
    setenv("GLIBC_TUNABLES", tunables, 1);
  } else {
    unsetenv("GLIBC_TUNABLES");
  }
#else
  (void)argc, (void)argv;
#endif
}

// glibc gives those huge pages to its main heap only, so the threads that parse a drawing's
// parts side by side (and the ones that compress it on save) would fault theirs in 4 KiB at a
// time: the parse took longer on two threads than on one. One heap for every thread instead; their
// allocations are few and large, so sharing its lock costs nothing that shows.
//
// Large blocks (a page's XML text, its compressed form, the index of a large part table) come
// from that heap as well, up to glibc's largest threshold, and freed memory stays in it. Handed
// back to the kernel, it is faulted in and cleared again for the next such block; on virtual
// machines clearing fresh pages costs as much as the work done in them (`kvpw check` on the
// benchmark drawing: 7 % less wall time, 10 % less CPU, the same peak).
void OneHeapForAllThreads() {
#ifdef __GLIBC__
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  StartWithHugePages(argc, argv);
  OneHeapForAllThreads();
  CLI::App app{"kvpw: the KvPwForStencils operations on parts databases and drawings"};
  app.require_subcommand(1);
  kvpw::cli::Commands commands;
  kvpw::cli::AddDatabaseCommands(app, commands);
  kvpw::cli::AddPartCommands(app, commands);
  kvpw::cli::AddDrawingCommands(app, commands);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kvpw::cli::kExitClean : kvpw::cli::kExitError;
  }
  for (const auto& command : commands) {
    if (!command.verb->parsed()) continue;
    try {
      return command.run();
    } catch (const CLI::Error& e) {
      std::cerr << "kvpw: " << e.what() << "\n";
    } catch (const kvpw::Error& e) {
      std::cerr << "kvpw: " << OneLine(e) << "\n";
      if (WantsJson(*command.verb)) {
        const nlohmann::json error{{"number", e.number()},
                                   {"description", kvpw::ToUtf8(e.description())}};
        std::cout << nlohmann::json{{"error", error}}.dump(2) << "\n";
      }
    }
    return kvpw::cli::kExitError;
  }
  return kvpw::cli::kExitClean;
}
