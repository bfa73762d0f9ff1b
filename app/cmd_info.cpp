// cmd_info.cpp
//
// `linkan info DATA`: loads the table and the module, walks the module's
// step table, and prints what was read.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands.h"
#include "session.h"

namespace linkan::app {
namespace {

struct InfoArgs {
  std::string data;
  std::string weight;
  std::string delimiter;
  std::string encoding = "utf-8";
  std::string module;
};

int RunInfo(const InfoArgs& args, const GlobalOptions& global) {
  SessionOptions options;
  options.dataPath = args.data;
  if (!args.weight.empty()) options.load.weightVariable = args.weight;
  if (!args.delimiter.empty()) options.load.delimiter = ParseDelimiter(args.delimiter);
  options.load.encoding = ParseEncodingOption(args.encoding);
  if (!args.module.empty()) options.modulePath = args.module;
  options.terminal = TerminalOptionsForProcess(global);

  Session session(std::move(options), std::cout, std::cerr, std::cin);
  const std::vector<int> steps = session.WalkSteps();

  PrintTableReport(std::cout, session.table());
  std::cout << "module: " << session.module().GetAnalysisName() << " (id "
            << session.module().GetAnalysisID() << ")\n";
  std::cout << "steps:";
  for (int s : steps) std::cout << ' ' << s;
  std::cout << '\n' << std::flush;
  return 0;
}

}  // namespace

void RegisterInfoCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<InfoArgs>();
  CLI::App* cmd = app.add_subcommand(
      "info", "Load a data table and the analysis module, and report the variables and cases read");
  cmd->add_option("DATA", args->data, "the data table (CSV, or TSV for .tsv/.tab files)")
      ->required();
  cmd->add_option("--weight", args->weight, "the numeric variable holding the case weights");
  cmd->add_option("--delimiter", args->delimiter,
                  "the field delimiter: one character or \"tab\" (default: by file extension)");
  AddEncodingOption(*cmd, args->encoding);
  cmd->add_option("--module", args->module,
                  "the analysis module library (default: $LINKAN_MODULE, else beside linkan)");
  cmd->callback(
      [args, &global, &action] { action = [args, &global] { return RunInfo(*args, global); }; });
}

}  // namespace linkan::app
