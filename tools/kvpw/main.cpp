// kvpw: the library's operations from the command line, on real databases and drawings, with
// message boxes printed instead of shown.
#include <iostream>

#include "commands.h"
#include "frame/error.h"

int main(int argc, char** argv) {
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
  try {
    for (const auto& command : commands)
      if (command.verb->parsed()) return command.run();
  } catch (const CLI::Error& e) {
    std::cerr << "kvpw: " << e.what() << "\n";
    return kvpw::cli::kExitError;
  } catch (const kvpw::Error& e) {
    std::cerr << "kvpw: error " << e.number() << ": " << kvpw::ToUtf8(e.description()) << "\n";
    return kvpw::cli::kExitError;
  }
  return kvpw::cli::kExitClean;
}
