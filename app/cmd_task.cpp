// cmd_task.cpp
//
// `linkan task DATA --task TASK.json`: applies a task to the task dialog
// without running it (the properties, then OK's checks) and prints every
// task property as the dialog reads it back, as JSON: what the task means,
// with every default spelled out, and a complete task file to start from.
// The host's own keys ("Outputs", "SelectedItems", the model files and the
// query) follow as the task gave them. Nothing is written.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands.h"
#include "data_error.h"
#include "run_report.h"
#include "linkanalysis/analysis_module.h"
#include "message_hints.h"
#include "session.h"
#include "task_file.h"
#include "task_times.h"

namespace linkan::app {
namespace {

constexpr int kStepInit = 100;

struct TaskArgs {
  DataOptions input;
  std::string task;
};

// Keys `linkan run` acts on after the run, in the order they apply.
const char* const kHostKeys[] = {"Outputs", "SelectedItems", "SaveAsPMML", "SaveAsPMML44",
                                 "QueryStringForRules"};

int RunTaskCommand(const TaskArgs& args, const GlobalOptions& global) {
  SessionOptions options = DataSessionOptions(args.input, global);
  options.terminal.progress = ProgressMode::kNone;

  TaskFile task = ReadTaskFile(args.task);
  nlohmann::ordered_json hostKeys = nlohmann::ordered_json::object();
  for (const char* key : kHostKeys) {
    if (task.json.contains(key)) {
      hostKeys[key] = task.json.at(key);
      task.json.erase(key);
    }
  }
  Session session(std::move(options), std::cout, std::cerr, std::cin);
  ApplyTimeVariable(task, session.table());
  IAnalysisModule& module = session.module();
  module.ExecuteStep(kStepInit);
  std::string properties, error;
  if (module.DescribeTask(task.Text(), properties, error) != 0) {
    throw DataError(args.task, 0, 0, WithCommandLineHint(OneLine(error)));
  }
  nlohmann::ordered_json out = nlohmann::ordered_json::parse(properties);
  for (const auto& [key, value] : hostKeys.items()) out[key] = value;
  std::cout << out.dump(2) << '\n';
  return 0;
}

}  // namespace

void RegisterTaskCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<TaskArgs>();
  CLI::App* cmd = app.add_subcommand(
      "task",
      "Apply a task file to a data table without running it and print every task property\n"
      "as the module reads it (JSON): a dry run, and a complete task file to start from.");
  cmd->add_option("DATA", args->input.data,
                  "the data table (CSV, or TSV for .tsv/.tab files), or a basket or SPMF file "
                  "with --format")
      ->required();
  cmd->add_option("--task", args->task, "the task: a JSON object of task properties")
      ->required();
  cmd->add_option("--weight", args->input.weight, "the numeric variable holding the case weights");
  cmd->add_option("--format", args->input.format, "csv, basket or spmf")->default_str("csv");
  cmd->add_option("--delimiter", args->input.delimiter, "csv: the field delimiter");
  AddEncodingOption(*cmd, args->input.encoding);
  cmd->add_option("--module", args->input.module,
                  "the analysis module library (default: $LINKAN_MODULE, else beside linkan)");
  cmd->callback([args, &global, &action] {
    action = [args, &global] { return RunTaskCommand(*args, global); };
  });
}

}  // namespace linkan::app
