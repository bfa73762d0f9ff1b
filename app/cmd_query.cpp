// cmd_query.cpp
//
// `linkan query MODEL.pmml "QUERY" [--csv]`: asks a model alone which rules
// follow from the antecedent itemsets of QUERY, without data or project:
// the module loads MODEL (its own PMML or standard PMML 4.4) for
// recommendation and runs the deployment query. The queried rules go to
// stdout as an aligned table, or as CSV with --csv (the layout of
// DIR/queried-rules.csv). A query that finds no rule prints the module's
// message ("There is no rule with the specified antecedent itemset(s)")
// and exits with status 1, like a model that cannot be read.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <streambuf>

#include "commands.h"
#include "csv_writer.h"
#include "data_error.h"
#include "number_text.h"
#include "run_models.h"
#include "run_report.h"
#include "session.h"

namespace linkan::app {
namespace {

constexpr int kStepInit = 100;

struct QueryArgs {
  std::string model;
  std::string query;
  bool csv = false;
  std::string module;
};

// The queried rules as the module handed them over.
struct QueriedTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;  // row name, then the cells
  std::string csv;
};

// Discards what the terminal host prints of documents: this command prints
// the table itself.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

void PrintAligned(std::ostream& out, const QueriedTable& t) {
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> header{""};
  header.insert(header.end(), t.columns.begin(), t.columns.end());
  lines.push_back(header);
  lines.insert(lines.end(), t.rows.begin(), t.rows.end());
  std::vector<std::size_t> width(header.size(), 0);
  for (const auto& line : lines) {
    for (std::size_t c = 0; c < line.size() && c < width.size(); ++c) width[c] = std::max(width[c], line[c].size());
  }
  for (const auto& line : lines) {
    std::string text;
    for (std::size_t c = 0; c < line.size() && c < width.size(); ++c) {
      if (c > 0) text += "  ";
      text += line[c];
      if (c + 1 < line.size()) text.append(width[c] - line[c].size(), ' ');
    }
    out << text << '\n';
  }
}

int RunQuery(const QueryArgs& args, const GlobalOptions& global) {
  SessionOptions options;
  if (!args.module.empty()) options.modulePath = args.module;
  options.terminal = TerminalOptionsForProcess(global);
  options.terminal.automation = true;
  NullBuffer discard;
  std::ostream documents(&discard);
  Session session(std::move(options), documents, std::cerr, std::cin);
  TerminalHost& host = session.host();
  IAnalysisModule& module = session.module();
  QueriedTable table;
  host.SetRowObserver([&table](const ResultsTable& header, std::string_view rowName,
                               std::span<const ResultsCell> cells) {
    if (header.documentName != kQueryTableName) return;
    if (table.columns.empty()) {
      table.columns = header.columnNames;
      AppendCsvHeader(table.csv, header.columnNames, header.cols);
    }
    AppendCsvRow(table.csv, rowName, cells, header.cols);
    std::vector<std::string> row{std::string(rowName)};
    for (const ResultsCell& c : cells) row.push_back(c.isText ? std::string(c.text) : FormatNumber(c.number));
    table.rows.push_back(std::move(row));
  });

  module.ExecuteStep(kStepInit);
  const nlohmann::json task = {{"UseExistingProject", 1},
                               {"DeployNewDocuments", 1},
                               {"LoadModels", args.model},
                               {"QueryStringForRules", args.query}};
  std::string error;
  host.HoldMessages();
  int rc = module.RunTask(task.dump(), error);
  std::vector<HeldMessage> held = host.ReleaseMessages();
  // The reader's message is the error itself, in several lines.
  if (rc != 0) {
    std::string why;
    for (const HeldMessage& m : held) {
      if (!m.log) why += (why.empty() ? "" : " ") + OneLine(m.text);
    }
    throw DataError(args.model, 0, 0, why.empty() ? OneLine(error) : why);
  }
  for (const HeldMessage& m : held) host.PrintLine(OneLine(m.line));
  host.HoldMessages();
  rc = module.RunResultCommand(kQueryCommand, error);
  host.ReleaseMessages();
  if (rc == kRunOutOfMemory || rc == 1) throw std::runtime_error(OneLine(error));
  if (rc == 2) {
    std::cerr << "linkan: " << OneLine(error) << '\n';
    return 1;
  }
  if (args.csv) {
    std::cout << table.csv;
  } else {
    PrintAligned(std::cout, table);
  }
  std::cout << std::flush;
  return 0;
}

}  // namespace

void RegisterQueryCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<QueryArgs>();
  CLI::App* cmd = app.add_subcommand(
      "query",
      "Ask a PMML model (DIR/model.pmml or a standard PMML 4.4 association or sequence model)\n"
      "which rules follow from the antecedent itemsets of QUERY, such as \"beer, diapers\",\n"
      "\"(A; B) (C)\", \"Gender = Male\" or \"(Age=23)\"; no data or project is needed.");
  cmd->add_option("MODEL", args->model, "the PMML file")->required();
  cmd->add_option("QUERY", args->query, "the antecedent itemset(s)")->required();
  cmd->add_flag("--csv", args->csv, "print CSV (the layout of queried-rules.csv) instead of a table");
  cmd->add_option("--module", args->module,
                  "the analysis module library (default: $LINKAN_MODULE, else beside linkan)");
  cmd->callback([args, &global, &action] { action = [args, &global] { return RunQuery(*args, global); }; });
}

}  // namespace linkan::app
