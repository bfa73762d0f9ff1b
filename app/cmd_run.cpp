// cmd_run.cpp
//
// `linkan run DATA --task TASK.json --out DIR`: the main job. Loads the
// table (or imports a basket or SPMF file), loads the module, applies the
// task as a script would (automation: no questions, Yes), runs the
// analysis into the project file, and writes the result tables and
// pictures to DIR (the task's "Outputs", or those that apply to the run:
// run_outputs.h); then DIR/index.html, last.
//
// All or nothing in DIR: the tables are staged and moved into place only
// when every one of them was made; a run that fails or is cancelled leaves
// DIR as it was (a folder it made is removed again while empty). The
// project file is the module's: a run that does not finish leaves it as it
// was before the run.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include "commands.h"
#include "data_error.h"
#include "html_index.h"
#include "linkanalysis/analysis_module.h"
#include "memory_limit.h"
#include "linkanalysis/results_table.h"
#include "run_outputs.h"
#include "run_models.h"
#include "run_report.h"
#include "session.h"
#include "message_hints.h"
#include "task_file.h"
#include "task_times.h"

namespace linkan::app {
namespace {

namespace fs = std::filesystem;

// The module's first step (Init), after which a task may run.
constexpr int kStepInit = 100;
// The host profile entry that shows the enumeration's pattern count.
constexpr int kEnumerationProgressEntry = 55607;

struct RunArgs {
  DataOptions input;
  std::string task;
  std::string out;
  std::string project;
  std::string memoryLimit;  // empty: the default
};

// The output folder: made when missing (with its missing parents); unless
// kept, the folders made are removed again when the run fails, as long as
// they are empty.
class OutputFolderMaker {
 public:
  explicit OutputFolderMaker(const std::string& folder) {
    std::error_code ec;
    fs::path path = fs::absolute(folder, ec).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    if (fs::exists(path, ec)) {
      if (!fs::is_directory(path, ec)) {
        throw DataError(folder, 0, 0, "the output folder is not a folder");
      }
      return;
    }
    for (fs::path p = path; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
      made_.push_back(p);
      if (p == p.parent_path()) break;
    }
    fs::create_directories(path, ec);
    if (ec) throw DataError(folder, 0, 0, "cannot make the output folder: " + ec.message());
  }
  ~OutputFolderMaker() {
    if (kept_) return;
    for (const fs::path& p : made_) {  // innermost first; remove() spares a folder in use
      std::error_code ec;
      fs::remove(p, ec);
    }
  }
  OutputFolderMaker(const OutputFolderMaker&) = delete;
  OutputFolderMaker& operator=(const OutputFolderMaker&) = delete;
  void Keep() { kept_ = true; }

 private:
  std::vector<fs::path> made_;
  bool kept_ = false;
};

// Prints the messages held during a module call, except `reported` (the
// text the command reports itself) and, when the call failed (`reported`
// set), the host log's lines of the failure: the run reports it once.
void PrintHeld(TerminalHost& host, const std::vector<HeldMessage>& held,
               const std::string& reported) {
  for (const HeldMessage& m : held) {
    if (!reported.empty() && (m.text == reported || m.log)) continue;
    host.PrintLine(OneLine(m.line));
  }
}

class RunCommand {
 public:
  RunCommand(const RunArgs& args, const GlobalOptions& global) : args_(args), global_(global) {}

  int Run() {
    const auto started = std::chrono::steady_clock::now();
    SessionOptions options = MakeSessionOptions();
    TaskFile task = ReadTaskFile(args_.task);
    const std::optional<std::vector<int>> requested = TakeRequestedOutputs(task);
    project_ = ApplyProjectFile(
        task, args_.project.empty() ? std::nullopt : std::optional<std::string>(args_.project),
        args_.out);
    const std::optional<std::vector<std::string>> selected = task.SelectedItems();

    // A bad table is reported before the module loads or DIR is made.
    std::optional<OutputFolderMaker> folder;  // outlives the session's staged files
    Session session(std::move(options), std::cout, std::cerr, std::cin);
    folder.emplace(args_.out);
    TerminalHost& host = session.host();
    IAnalysisModule& module = session.module();
    std::set<std::string> itemNames;
    host.SetRowObserver([&itemNames](const ResultsTable& header, std::string_view,
                                     std::span<const ResultsCell> cells) {
      if (header.documentName == "items" && !cells.empty() && cells[0].isText) {
        itemNames.emplace(cells[0].text);
      }
    });

    ApplyTimeVariable(task, session.table());
    module.ExecuteStep(kStepInit);
    std::string error;
    host.HoldMessages();
    const int rc = module.RunTask(task.Text(), error);
    PrintHeld(host, host.ReleaseMessages(), rc == 0 ? std::string() : error);
    ThrowIfCancelled(host);
    ThrowIfOutOfMemory(rc, error);
    if (rc != 0) throw DataError(args_.task, 0, 0, OneLine(error) + ProjectContext());
    runFinished_ = true;

    RunSummary summary;
    const bool haveSummary = module.GetRunSummary(summary);
    // A recommendation run (a model loaded from PMML) mined nothing: it has
    // only the deployment query's table.
    const bool mined = haveSummary && !summary.recommendation;
    recommendation_ = haveSummary && summary.recommendation;
    std::vector<RunOutput> outputs;
    if (mined) {
      outputs = ChooseOutputs(requested, RunFacts{.haveSummary = haveSummary,
                                                  .association = summary.association,
                                                  .rules = summary.rules,
                                                  .selection = selected.has_value(),
                                                  .selectedItems = DistinctNames(selected)});
    }
    if (HasQuery(task)) {
      outputs.push_back({.name = "QueriedRules", .command = kQueryCommand,
                         .document = kQueryTableName, .picture = false, .member = true});
    }
    OutputFolder& out = *host.outputFolder();
    for (const RunOutput& o : outputs) {
      host.HoldMessages();
      const auto outputStarted = std::chrono::steady_clock::now();
      const std::size_t documentsBefore = out.documents().size();
      const OutputAnswer answer = MakeOutput(module, o);
      ReportOutputTime(host, o, outputStarted, documentsBefore);
      const std::vector<HeldMessage> held = host.ReleaseMessages();
      ThrowIfCancelled(host);
      ThrowIfOutOfMemory(answer.result, answer.error);
      if (!host.writeError().empty()) throw std::runtime_error(host.writeError());
      // A member the module's LNKResult lacks: an output it does not offer,
      // left out unless "Outputs" names it.
      if (answer.notOffered && !requested) continue;
      // A message instead of a document is the last one the host was shown.
      std::string why = answer.error;
      if (answer.result == 2 && why.empty()) {
        why = "no document was produced";
        for (const HeldMessage& m : held) {
          if (!m.log) why = m.text;
        }
      }
      // The rule summary of a run without rules reports that as an error;
      // for us it is a message like the other tables' "no rule" message.
      const bool noRules = answer.result == 1 && o.command == kRuleSummaryCommand && haveSummary &&
                           summary.rules == 0;
      PrintHeld(host, held, answer.result == 0 ? std::string() : why);
      if (answer.result == 1 && !noRules) {
        throw std::runtime_error(std::string(o.document) + ": " + OneLine(why));
      }
      if (answer.result != 0) out.AddMessage(o.document, WithCommandLineHint(OneLine(why)));
      if (o.command == kItemListCommand && selected) WarnUnselectable(host, *selected, itemNames);
    }

    if (mined) WriteModelFiles(module, out);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::string summaryLine = haveSummary ? FormatRunSummary(summary, seconds) : "";
    // Files of an earlier run in DIR that this run did not write go.
    std::vector<std::string> obsolete = AllOutputFileNames();
    for (const std::string& file : ModelOutputFiles()) obsolete.push_back(file);
    out.Commit(IndexHtml(MakeIndexPage(session, summary, haveSummary, summaryLine), out.documents()),
               obsolete);
    folder->Keep();
    PrintReport(out, summaryLine);
    return 0;
  }

 private:
  SessionOptions MakeSessionOptions() const {
    SessionOptions options = DataSessionOptions(args_.input, global_);
    options.terminal.outputFolder = args_.out;
    options.terminal.outputMode = OutputMode::kRun;
    // The enumeration shows how many patterns it has found, as a bar or as
    // a line every few seconds.
    options.terminal.countingBars = true;
    options.terminal.countUnit = "patterns";
    if (options.terminal.progress != ProgressMode::kNone) {
      options.terminal.profileDefaults[kEnumerationProgressEntry] = 1;
    }
    if (args_.memoryLimit.empty()) {
      options.terminal.memoryLimit = DefaultMemoryLimit();
    } else {
      const std::optional<std::uint64_t> limit = ParseByteSize(args_.memoryLimit);
      if (!limit) {
        throw UsageError("--memory-limit: a size such as \"4G\", \"500M\" or \"0\" (no limit), not \"" +
                         args_.memoryLimit + "\"");
      }
      options.terminal.memoryLimit = *limit;
    }
    return options;
  }

  // The module reports a run that outgrew its memory; the limit is ours.
  static void ThrowIfOutOfMemory(int rc, const std::string& error) {
    if (rc != kRunOutOfMemory) return;
    std::string text = OneLine(error);
    const std::string limitName = "(the memory limit)";
    const std::size_t at = text.find(limitName);
    if (at != std::string::npos) text.replace(at, limitName.size(), "(--memory-limit)");
    throw std::runtime_error(text);
  }

  void ThrowIfCancelled(const TerminalHost& host) const {
    if (!host.UserCancelled()) return;
    // Once the run itself has finished, its project is stored whatever
    // happens to the tables.
    throw CancelledError(
        "cancelled: nothing was written to " + args_.out +
        (project_.empty() ? std::string()
         : runFinished_   ? "; the project " + project_ + " holds this run's results"
                          : "; the project " + project_ + " is as it was before this run"));
  }

  // Names the project file when its folder is missing (the module's
  // message does not).
  std::string ProjectContext() const {
    if (project_.empty()) return {};
    fs::path folder = fs::path(project_).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return {};
    return " (project file " + project_ + ")";
  }

  // With debugger output on (LINKAN_DEBUG): the time an output took, and
  // the part spent drawing its pictures.
  static void ReportOutputTime(TerminalHost& host, const RunOutput& o,
                               std::chrono::steady_clock::time_point started,
                               std::size_t documentsBefore) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    double drawing = 0;
    const std::vector<OutputDocument>& docs = host.outputFolder()->documents();
    for (std::size_t i = documentsBefore; i < docs.size(); ++i) drawing += docs[i].drawSeconds;
    char line[160];
    std::snprintf(line, sizeof line, "TimeIt output %s: %.3f s, drawing %.3f s", o.document, seconds,
                  drawing);
    host.DebugOutput(line);
  }

  // The number of different names "SelectedItems" gives.
  static std::size_t DistinctNames(const std::optional<std::vector<std::string>>& names) {
    if (!names) return 0;
    std::set<std::string> distinct;
    for (const std::string& n : *names) {
      if (!n.empty()) distinct.insert(n);
    }
    return distinct.size();
  }

  // A name in "SelectedItems" that is not in the item list selects nothing:
  // most likely a typing mistake, so say so.
  static void WarnUnselectable(TerminalHost& host, const std::vector<std::string>& names,
                               const std::set<std::string>& items) {
    for (const std::string& name : names) {
      if (!name.empty() && !items.count(name)) {
        host.PrintLine("linkan: warning: \"SelectedItems\": \"" + name +
                       "\" is not in the item list (items.csv)");
      }
    }
  }

  IndexPage MakeIndexPage(const Session& session, const RunSummary& summary, bool haveSummary,
                          const std::string& summaryLine) const {
    IndexPage page;
    page.title = "Link analysis of " + fs::path(args_.input.data).filename().string();
    const DataTable& table = session.table();
    page.facts.emplace_back("Data", args_.input.data + " (" + std::to_string(table.CaseCount()) +
                                        " cases, " + std::to_string(table.VariableCount()) +
                                        " variables)");
    if (table.weightVariable() >= 0) {
      page.facts.emplace_back("Weight", table.variable(table.weightVariable()).name);
    }
    page.facts.emplace_back("Task", args_.task);
    page.facts.emplace_back("Project", project_);
    if (haveSummary) {
      page.facts.emplace_back("Analysis", summary.association ? "association rules"
                                                              : "sequence analysis");
    }
    page.summary = summaryLine;
    return page;
  }

  void PrintReport(const OutputFolder& out, const std::string& summaryLine) const {
    if (!summaryLine.empty()) std::cout << summaryLine << '\n';
    for (const OutputDocument& doc : out.documents()) {
      if (doc.kind == "message") {
        std::cout << "  " << doc.name << ": " << doc.text << '\n';
      } else if (doc.kind == "spreadsheet") {
        std::cout << "  " << doc.file << " (" << doc.rows << (doc.rows == 1 ? " row)" : " rows)")
                  << '\n';
      } else if (doc.kind == "picture") {
        std::cout << "  " << doc.file << " (.png, .json)\n";
      } else {
        std::cout << "  " << doc.file << '\n';
      }
    }
    if (!recommendation_) std::cout << "project: " << project_ << '\n';
    std::cout << "results: " << (fs::path(args_.out) / "index.html").string() << '\n'
              << std::flush;
  }

  const RunArgs& args_;
  const GlobalOptions& global_;
  std::string project_;
  bool runFinished_ = false;
  bool recommendation_ = false;  // a loaded model: no project is involved
};

}  // namespace

void RegisterRunCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<RunArgs>();
  CLI::App* cmd = app.add_subcommand(
      "run",
      "Run the analysis of a task file on a data table and write the result tables\n"
      "(items.csv, rules.csv, itemsets.csv, and with \"SelectedItems\" the tables of the\n"
      "selected items) and index.html to DIR; the project file keeps the run.\n"
      "Imported tables have the variables ID and item (--format basket) or ID, time and\n"
      "item (--format spmf), for the task's \"Variables\" to name.");
  cmd->add_option("DATA", args->input.data,
                  "the data table (CSV, or TSV for .tsv/.tab files), or a basket or SPMF file "
                  "with --format")
      ->required();
  cmd->add_option("--task", args->task,
                  "the task: a JSON object of task properties (\"Variables\", \"MinimumSupport\", "
                  "...)")
      ->required();
  cmd->add_option("--out", args->out, "the folder for the results (made when missing)")
      ->required();
  cmd->add_option("--weight", args->input.weight, "the numeric variable holding the case weights");
  cmd->add_option("--project", args->project,
                  "the project file (default: the task's \"DatabaseFile\", else "
                  "DIR/LinkAnalysis.dbs); overrides \"DatabaseFile\"");
  cmd->add_option("--format", args->input.format,
                  "csv (a table), basket (one transaction per line: variables ID, item) or spmf "
                  "(sequences: variables ID, time, item)")
      ->default_str("csv");
  cmd->add_option("--delimiter", args->input.delimiter,
                  "csv: the field delimiter, one character or \"tab\" (default: by file "
                  "extension)");
  AddEncodingOption(*cmd, args->input.encoding);
  cmd->add_option("--module", args->input.module,
                  "the analysis module library (default: $LINKAN_MODULE, else beside linkan)");
  cmd->add_option("--memory-limit", args->memoryLimit,
                  "the most memory the run may use, such as 4G or 500M (0: no limit); past it "
                  "the run stops with a message (default: 3/4 of the machine's or the cgroup's "
                  "memory)");
  cmd->callback([args, &global, &action] {
    action = [args, &global] { return RunCommand(*args, global).Run(); };
  });
}

}  // namespace linkan::app
