// main.cpp
//
// `linkan`: the standalone host of the link analysis module. Exit status:
// 0 success, 1 bad data or a failed run, 2 a command-line mistake, 130 a
// run cancelled by Ctrl-C (or ended by a second Ctrl-C). Errors are one
// line on stderr.
#include <CLI/CLI.hpp>
#include <iostream>

#include "command_line_check.h"
#include "commands.h"
#include "data_error.h"

namespace {

int Fail(const std::string& message, int status) {
  std::string line = message;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::cerr << "linkan: error: " << line << std::endl;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace linkan::app;
  CLI::App app("linkan: sequence, association and link analysis of a data table", "linkan");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("linkan ") + LINKAN_VERSION,
                       "print the version and exit");
  app.fallthrough();  // global options may follow the subcommand
  GlobalOptions global;
  app.add_option("--progress", global.progress,
                 "progress display: auto (a bar on a terminal), bar, lines, none")
      ->check(CLI::IsMember({"auto", "bar", "lines", "none"}));
  CommandAction action;
  RegisterInfoCommand(app, global, action);
  RegisterImportCommand(app, global, action);
  RegisterRunCommand(app, global, action);
  RegisterQueryCommand(app, global, action);
  RegisterTaskCommand(app, global, action);
  RegisterServeCommand(app, global, action);

  try {
    CheckCommandLine(app, argc, argv);
    app.parse(argc, argv);
  } catch (const UsageError& e) {
    return Fail(std::string(e.what()) + " (see linkan --help)", 2);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    return Fail(std::string(e.what()) + " (see linkan --help)", 2);
  }
  try {
    return action ? action() : Fail("no command given", 2);
  } catch (const UsageError& e) {
    return Fail(e.what(), 2);
  } catch (const CancelledError& e) {
    return Fail(e.what(), 130);
  } catch (const DataError& e) {
    return Fail(e.what(), 1);
  } catch (const std::exception& e) {
    return Fail(e.what(), 1);
  }
}
