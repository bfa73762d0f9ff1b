// mining_job.cpp
#include "mining_job.h"

#include <chrono>
#include <filesystem>
#include <new>
#include <nlohmann/json.hpp>
#include <set>

#include "data_error.h"
#include "importers.h"
#include "module_loader.h"
#include "run_models.h"
#include "run_outputs.h"
#include "run_report.h"
#include "task_file.h"
#include "task_times.h"

namespace linkan::python {
namespace {

using app::CancelledError;
using app::DataError;

// The module's first step (Init), after which a task may run.
constexpr int kStepInit = 100;
// The host profile entry that makes the enumeration count its patterns.
constexpr int kEnumerationProgressEntry = 55607;

// Takes the frame's columns out of `data`: they become the table's.
app::DataTable LoadSource(DataSource& data) {
  if (data.isFrame) return BuildFrameTable(std::move(data.frame), "DataFrame", data.weight);
  if (data.format == "csv") {
    app::LoadOptions load;
    load.weightVariable = data.weight;
    return app::LoadDataTable(data.path, load);
  }
  const std::optional<app::ImportFormat> format = app::ParseImportFormat(data.format);
  if (!format) {
    throw DataError(data.path, 0, 0,
                    "format: \"csv\", \"basket\" or \"spmf\", not \"" + data.format + "\"");
  }
  app::DataTable table = app::ImportFile(data.path, *format);
  if (data.weight) SetWeight(table, *data.weight, data.path);
  return table;
}

// While it lives, the job's control reaches the host and the module's
// cancellation switch; the switch is cleared again at the end.
class ControlAttachment {
 public:
  ControlAttachment(JobControl& control, MemoryHost& host, SetExternallyCancelledFn moduleCancel)
      : control_(control), moduleCancel_(moduleCancel) {
    control_.Attach(&host, moduleCancel);
  }
  ~ControlAttachment() {
    control_.Detach();
    if (moduleCancel_) moduleCancel_(0);
  }
  ControlAttachment(const ControlAttachment&) = delete;
  ControlAttachment& operator=(const ControlAttachment&) = delete;

 private:
  JobControl& control_;
  SetExternallyCancelledFn moduleCancel_;
};

// The loaded module over a table, initialised, with step Init run.
// Destroyed in reverse: the analysis object, the control's attachment,
// the host, the library last (also when the constructor fails half-way).
class Analysis {
 public:
  Analysis(const app::DataTable& table, const JobOptions& options, JobControl& control)
      : library_(options.modulePath),
        host_(table, TerminalOptionsFor(options)),
        attachment_(control, host_, library_.externalCancel()),
        control_(control) {
    module_ = library_.NewAnalysis();
    module_->AttachDocument(&host_);
    module_->Initialize();
    ThrowIfCancelled();
    module_->ExecuteStep(kStepInit);
  }
  Analysis(const Analysis&) = delete;
  Analysis& operator=(const Analysis&) = delete;

  MemoryHost& host() { return host_; }
  IAnalysisModule& module() { return *module_; }

  void ThrowIfCancelled() {
    if (host_.UserCancelled() || control_.Cancelled()) throw CancelledError("cancelled");
  }

  // Runs `call` with the host's messages held; the messages and lines it
  // printed become warnings, except the text `call` reports as its error.
  template <typename Call>
  int Held(Call call, std::string& error, std::vector<std::string>& warnings) {
    host_.HoldMessages();
    const int rc = call();
    const std::vector<app::HeldMessage> held = host_.ReleaseMessages();
    for (std::string& line : host_.TakeLines()) warnings.push_back(std::move(line));
    for (const app::HeldMessage& m : held) {
      if (rc != 0 && m.text == error) continue;
      warnings.push_back(app::OneLine(m.line));
    }
    ThrowIfCancelled();
    if (rc == kRunOutOfMemory) throw std::bad_alloc();
    return rc;
  }

  void MoveDocumentsTo(JobResult& result) {
    result.tables = std::move(host_.tables());
    result.pictures = std::move(host_.pictures());
    result.reports = std::move(host_.reports());
  }

 private:
  static app::TerminalOptions TerminalOptionsFor(const JobOptions& options) {
    app::TerminalOptions terminal;
    terminal.automation = true;
    terminal.countingBars = true;
    terminal.countUnit = "patterns";
    terminal.profileDefaults[kEnumerationProgressEntry] = 1;
    terminal.memoryLimit = options.memoryLimit;
    return terminal;
  }

  app::ModuleLibrary library_;
  MemoryHost host_;
  ControlAttachment attachment_;
  JobControl& control_;
  std::unique_ptr<IAnalysisModule> module_;
};

std::size_t DistinctNames(const std::optional<std::vector<std::string>>& names) {
  if (!names) return 0;
  std::set<std::string> distinct;
  for (const std::string& n : *names) {
    if (!n.empty()) distinct.insert(n);
  }
  return distinct.size();
}

// A name in "SelectedItems" that is not in the item list selects nothing:
// most likely a typing mistake, so say so.
void WarnUnselectable(const std::vector<std::string>& names, const std::vector<ResultsTable>& tables,
                      std::vector<std::string>& warnings) {
  std::set<std::string> items;
  for (const ResultsTable& t : tables) {
    if (t.documentName != "items" || t.cols == 0) continue;
    for (int r = 0; r < t.rows; ++r) {
      if (t.IsText(r, 0)) items.insert(t.Text(r, 0));
    }
  }
  for (const std::string& name : names) {
    if (!name.empty() && !items.count(name)) {
      warnings.push_back("linkan: warning: \"SelectedItems\": \"" + name +
                         "\" is not in the item list (items)");
    }
  }
}

// Runs the task and makes its outputs, as `linkan run` does.
JobResult Drive(Analysis& analysis, app::TaskFile& task, const std::string& project,
                std::chrono::steady_clock::time_point started) {
  JobResult result;
  result.project = project;
  const std::optional<std::vector<int>> requested = app::TakeRequestedOutputs(task);
  const std::optional<std::vector<std::string>> selected = task.SelectedItems();
  IAnalysisModule& module = analysis.module();
  std::string error;
  const int rc = analysis.Held([&] { return module.RunTask(task.Text(), error); }, error,
                               result.warnings);
  if (rc != 0) throw TaskError(app::OneLine(error));

  result.haveSummary = module.GetRunSummary(result.summary);
  const RunSummary& summary = result.summary;
  const bool mined = result.haveSummary && !summary.recommendation;
  std::vector<app::RunOutput> outputs;
  if (mined) {
    outputs = app::ChooseOutputs(requested, app::RunFacts{.haveSummary = true,
                                                          .association = summary.association,
                                                          .rules = summary.rules,
                                                          .selection = selected.has_value(),
                                                          .selectedItems = DistinctNames(selected)});
  }
  if (app::HasQuery(task)) {
    outputs.push_back({.name = "QueriedRules", .command = app::kQueryCommand,
                       .document = app::kQueryTableName, .picture = false});
  }
  for (const app::RunOutput& o : outputs) {
    app::OutputAnswer answer;
    const int r = analysis.Held(
        [&] {
          answer = app::MakeOutput(module, o);
          error = answer.error;
          return answer.result;
        },
        error, result.warnings);
    if (answer.notOffered && !requested) continue;
    // A message instead of a document is the last one the host was shown.
    if (r == 2 && error.empty() && !result.warnings.empty()) {
      error = result.warnings.back();
      result.warnings.pop_back();
    }
    // The rule summary of a run without rules reports that as an error;
    // here it is a message like the other tables' "no rule" message.
    const bool noRules = r == 1 && o.command == app::kRuleSummaryCommand && summary.rules == 0;
    if (r == 1 && !noRules) throw std::runtime_error(std::string(o.document) + ": " + app::OneLine(error));
    if (r != 0) result.messages.emplace_back(o.document, app::OneLine(error));
    if (o.command == app::kItemListCommand && selected) {
      WarnUnselectable(*selected, analysis.host().tables(), result.warnings);
    }
  }
  analysis.MoveDocumentsTo(result);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (result.haveSummary) result.summaryLine = app::FormatRunSummary(summary, result.seconds);
  return result;
}

app::TaskFile OpenTask(const std::string& project) {
  return app::ParseTaskFile(nlohmann::json{{"UseExistingProject", 1},
                                           {"GoToResultsDialogWithoutAddingDocuments", 1},
                                           {"DatabaseFile", project}}
                                .dump(),
                            "open");
}

}  // namespace

void JobControl::Attach(MemoryHost* host, SetExternallyCancelledFn moduleCancel) {
  std::lock_guard lock(mutex_);
  host_ = host;
  moduleCancel_ = moduleCancel;
  if (cancelled_.load()) {
    host_->RequestCancel();
    if (moduleCancel_) moduleCancel_(1);
  }
}

void JobControl::Detach() {
  std::lock_guard lock(mutex_);
  host_ = nullptr;
  moduleCancel_ = nullptr;
}

void JobControl::Cancel() {
  std::lock_guard lock(mutex_);
  cancelled_.store(true);
  if (host_) host_->RequestCancel();
  if (moduleCancel_) moduleCancel_(1);
}

std::optional<ProgressSnapshot> JobControl::Progress() const {
  std::lock_guard lock(mutex_);
  if (!host_) return std::nullopt;
  return host_->Progress();
}

JobResult RunJob(DataSource data, const std::string& taskJson,
                 const std::optional<std::string>& project, const std::string& defaultFolder,
                 const std::string& modelFolder, const JobOptions& options, JobControl& control) {
  const auto started = std::chrono::steady_clock::now();
  app::TaskFile task = app::ParseTaskFile(taskJson, "task");
  const std::string chosen = app::ApplyProjectFile(task, project, defaultFolder);
  const app::DataTable table = LoadSource(data);
  if (control.Cancelled()) throw CancelledError("cancelled");
  app::ApplyTimeVariable(task, table);
  Analysis analysis(table, options, control);
  JobResult result = Drive(analysis, task, chosen, started);
  if (!modelFolder.empty() && result.haveSummary && !result.summary.recommendation) {
    const std::pair<const char*, PmmlDialect> models[] = {{app::kModelFile, PmmlDialect::kNative},
                                                          {app::kModel44File, PmmlDialect::kPmml44}};
    for (const auto& [file, dialect] : models) {
      std::string error;
      const std::string path = (std::filesystem::path(modelFolder) / file).string();
      if (analysis.module().SaveModel(path, dialect, error) != 0) {
        throw std::runtime_error(std::string(file) + ": " + app::OneLine(error));
      }
    }
    result.modelsWritten = true;
  }
  return result;
}

JobResult OpenJob(const std::string& project, const JobOptions& options, JobControl& control) {
  const auto started = std::chrono::steady_clock::now();
  app::TaskFile task = OpenTask(project);
  const app::DataTable empty;
  Analysis analysis(empty, options, control);
  return Drive(analysis, task, project, started);
}

JobResult QueryJob(const std::string& model, const std::string& query, const JobOptions& options,
                   JobControl& control) {
  const auto started = std::chrono::steady_clock::now();
  app::TaskFile task = app::ParseTaskFile(nlohmann::json{{"UseExistingProject", 1},
                                                         {"DeployNewDocuments", 1},
                                                         {"LoadModels", model},
                                                         {"QueryStringForRules", query}}
                                              .dump(),
                                          "query");
  const app::DataTable empty;
  Analysis analysis(empty, options, control);
  return Drive(analysis, task, "", started);
}

}  // namespace linkan::python
