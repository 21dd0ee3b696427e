// The verbs of the command line, each added by the file of its subsystem.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

namespace kvpw::cli {

// Exit codes: 0 done and clean, 1 done with findings, 2 usage or file errors.
inline constexpr int kExitClean = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitError = 2;

struct Command {
  CLI::App* verb;
  std::function<int()> run;
};
using Commands = std::vector<Command>;

// row, like, list, catalogue
void AddDatabaseCommands(CLI::App& app, Commands& commands);
// parts, part
void AddPartCommands(CLI::App& app, Commands& commands);
// devices update, devices list, network, check
void AddDrawingCommands(CLI::App& app, Commands& commands);

}  // namespace kvpw::cli
