// workspace.cpp
#include "serve/workspace.h"

#include <cstdio>
#include <filesystem>
#include <new>

#include "csv_writer.h"
#include "file_io.h"
#include "run_outputs.h"
#include "run_report.h"
#include "serve/project_copy.h"
#include "task_times.h"

namespace linkan::app {

using nlohmann::json;

namespace {

// The module's first two steps: Init, then the task dialog.
constexpr int kStepInit = 100;
constexpr int kOkButton = 1;
constexpr int kItemList = 1189;
// The host profile entry that makes the enumeration count its patterns.
constexpr int kEnumerationProgressEntry = 55607;
// Documents kept per kind; older ones are dropped (their ids stay unused).
constexpr std::size_t kKeptDocuments = 24;

TerminalOptions HostOptions(const ServeOptions& options) {
  TerminalOptions terminal;
  terminal.countingBars = true;
  terminal.countUnit = "patterns";
  terminal.profileDefaults[kEnumerationProgressEntry] = 1;
  terminal.memoryLimit = options.memoryLimit;
  return terminal;
}

json ControlsJson(const std::vector<DialogControlView>& controls) {
  json out = json::array();
  for (const DialogControlView& c : controls) {
    json v = {{"id", c.id},           {"kind", c.kind},         {"text", c.text},
              {"page", c.page},       {"checked", c.checked},   {"enabled", c.enabled},
              {"visible", c.visible}};
    if (!c.caption.empty()) v["caption"] = c.caption;
    if (c.group != 0) v["group"] = c.group;
    if (c.kind == "edit" && (c.rangeMin != 0 || c.rangeMax != 0)) {
      v["min"] = c.rangeMin;
      v["max"] = c.rangeMax;
      v["precision"] = c.precision;
    }
    out.push_back(std::move(v));
  }
  return out;
}

json PagesJson(const std::vector<DialogPageView>& pages) {
  json out = json::array();
  for (const DialogPageView& p : pages) {
    out.push_back({{"index", p.index}, {"caption", p.caption}, {"notes", p.notes}});
  }
  return out;
}

json DialogJson(IDialogModel* dialog) {
  if (!dialog) return nullptr;
  return {{"dialog", dialog->DialogId()},
          {"pages", PagesJson(dialog->Pages())},
          {"controls", ControlsJson(dialog->Controls())}};
}

}  // namespace

Workspace::Workspace(std::string id, DataTable table, std::string dataName,
                     const RootFolder& root, const ServeOptions& options)
    : id_(std::move(id)),
      table_(std::move(table)),
      dataName_(std::move(dataName)),
      root_(root),
      library_(FindModule(options.modulePath.empty() ? std::nullopt
                                                     : std::optional(options.modulePath))),
      host_(table_, HostOptions(options), root),
      lastSeen_(Now()) {
  job_ = {{"state", "idle"}};
  host_.HoldMessages();
  module_ = library_.NewAnalysis();
  if (!module_) throw std::bad_alloc();
  module_->AttachDocument(&host_);
  module_->Initialize();
  module_->ExecuteStep(kStepInit);
  // The project of a new task lies in the served folder, not beside the
  // program.
  if (IAutomationObject* task = module_->TaskDialog() ? module_->TaskAutomation() : nullptr) {
    task->Put("DatabaseFile", json((root_.path() / "LinkAnalysis.dbs").string()).dump());
  }
  TakeMessages();
}

Workspace::~Workspace() {
  Cancel("the tab was closed");
  if (runThread_.joinable()) runThread_.join();
  module_.reset();
}

json Workspace::TableInfo() const {
  json vars = json::array();
  for (int v = 0; v < table_.VariableCount(); ++v) {
    const Variable& var = table_.variable(v);
    json labels = json::array();
    for (std::size_t k = 0; k < var.labels.size() && k < 50; ++k) labels.push_back(var.labels[k]);
    vars.push_back({{"number", v + 1},
                    {"name", var.name},
                    {"kind", VariableKindName(var.kind)},
                    {"missing", var.missingCount},
                    {"labels", std::move(labels)},
                    {"labelCount", var.labels.size()}});
  }
  return {{"file", dataName_}, {"cases", table_.CaseCount()}, {"variables", std::move(vars)}};
}

json Workspace::TakeMessages() {
  json out = json::array();
  for (const HeldMessage& m : host_.ReleaseMessages()) {
    if (!m.log) out.push_back(m.text.empty() ? m.line : m.text);
  }
  for (std::string& line : host_.TakeLines()) out.push_back(std::move(line));
  host_.HoldMessages();
  return out;
}

json Workspace::ClickAnswer(const DialogClick& click) {
  return {{"code", click.code}, {"message", click.message}, {"control", click.control}};
}

// ---- The task dialog ------------------------------------------------------------------

json Workspace::TaskState() {
  json state = DialogJson(module_->TaskDialog());
  if (state.is_null()) return {{"error", "the task dialog is not open"}};
  state["messages"] = TakeMessages();
  return state;
}

json Workspace::TypeTask(int id, const std::string& text) {
  IDialogModel* task = module_->TaskDialog();
  const bool typed = task && task->TypeText(id, text);
  json answer = {{"typed", typed}};
  answer["task"] = TaskState();
  return answer;
}

json Workspace::ClickTask(int id, const json& answers) {
  IDialogModel* task = module_->TaskDialog();
  if (!task) return {{"error", "the task dialog is not open"}};
  host_.SetAnswers(answers);
  host_.ResetCancel();
  const DialogClick click = task->Click(id);
  json answer = {{"click", ClickAnswer(click)}, {"dialog", host_.TakeUnanswered()}};
  host_.SetAnswers({});
  answer["messages"] = TakeMessages();
  answer["task"] = TaskState();
  return answer;
}

nlohmann::ordered_json Workspace::TaskProperties() {
  IAutomationObject* task = module_->TaskDialog() ? module_->TaskAutomation() : nullptr;
  nlohmann::ordered_json props = nlohmann::ordered_json::object();
  if (!task) return props;
  // As `linkan task` prints a task: in declaration order, without the
  // values that say "nothing chosen" (an empty text or object), which a
  // put would refuse or read as a choice.
  for (const AutomationMember& m : task->Members()) {
    if (m.access != AutomationAccess::kGetPut) continue;
    std::string value;
    if (task->Get(m.name, value) != kAutomationOk) continue;
    nlohmann::ordered_json v = nlohmann::ordered_json::parse(value, nullptr, false);
    const bool empty = (v.is_string() && v.get<std::string>().empty()) ||
                       (v.is_object() && v.empty());
    if (v.is_discarded() || v.is_null() || empty) continue;
    props[m.name] = std::move(v);
  }
  TakeMessages();
  return props;
}

json Workspace::LoadTask(TaskFile task) {
  TakeRequestedOutputs(task);
  ApplyTimeVariable(task, table_);
  std::string error;
  host_.ResetCancel();
  const int rc = module_->ApplyTask(task.Text(), error);
  json answer = {{"ok", rc == 0}, {"error", error}};
  answer["messages"] = TakeMessages();
  answer["task"] = TaskState();
  return answer;
}

std::string Workspace::ProjectPath() {
  IDialogModel* task = module_->TaskDialog();
  if (!task) return {};
  for (const DialogControlView& c : task->Controls()) {
    if (c.id == kProjectFileEdit) return c.text;
  }
  return {};
}

// ---- Runs -----------------------------------------------------------------------------

void Workspace::StartRun(ModuleGate::Pass pass, const json& answers,
                         std::vector<std::pair<std::string, json>> puts) {
  if (runThread_.joinable()) runThread_.join();
  {
    std::lock_guard lock(jobMutex_);
    job_ = {{"state", "running"}, {"phase", "starting"}};
    jobStarted_ = Now();
    cancelReason_.clear();
  }
  host_.ResetCancel();
  running_.store(true);
  Touch();
  runThread_ = std::thread(&Workspace::RunThread, this, std::move(pass), answers, std::move(puts));
}

void Workspace::RunThread(ModuleGate::Pass pass, json answers,
                          std::vector<std::pair<std::string, json>> puts) {
  json result = {{"state", "failed"}};
  try {
    IDialogModel* task = module_->TaskDialog();
    IAutomationObject* automation = task ? module_->TaskAutomation() : nullptr;
    if (!automation) throw std::runtime_error("the task dialog is not open");
    for (const auto& [member, value] : puts) {
      if (automation->Put(member, value.dump()) != kAutomationOk) {
        throw std::runtime_error("\"" + member + "\": " + automation->ErrorDescription());
      }
    }
    host_.SetAnswers(answers);
    const DialogClick click = task->Click(kOkButton);
    result["dialog"] = host_.TakeUnanswered();
    host_.SetAnswers({});
    result["control"] = click.control;
    if (click.resultsOpened) {
      result["state"] = "done";
      RunSummary summary;
      if (module_->GetRunSummary(summary)) {
        const double seconds = std::chrono::duration<double>(Now() - jobStarted_).count();
        result["summary"] = FormatRunSummary(summary, seconds);
        result["recommendation"] = summary.recommendation;
      }
    } else {
      result["message"] = click.message;
    }
  } catch (const std::bad_alloc&) {
    result["message"] = "out of memory";
  } catch (const std::exception& e) {
    result["message"] = e.what();
  }
  const bool cancelled = host_.UserCancelled();
  if (const SetExternallyCancelledFn cancel = library_.externalCancel()) cancel(0);
  host_.ResetCancel();
  result["messages"] = TakeMessages();
  std::lock_guard lock(jobMutex_);
  if (cancelled && result["state"] != "done") {
    result["state"] = "cancelled";
    result["message"] = cancelReason_.empty() ? "cancelled" : cancelReason_;
  }
  result["elapsed"] = std::chrono::duration<double>(Now() - jobStarted_).count();
  result["results"] = result["state"] == "done";
  job_ = std::move(result);
  running_.store(false);
  pass.Release();
}

json Workspace::Job() const {
  std::lock_guard lock(jobMutex_);
  json job = job_;
  if (running_.load()) {
    job["elapsed"] = std::chrono::duration<double>(Now() - jobStarted_).count();
    const ProgressSnapshot p = host_.Progress();
    job["phase"] = p.title.empty() ? std::string("starting") : p.title;
    job["position"] = p.position;
    job["total"] = p.total;
  }
  return job;
}

void Workspace::Cancel(const std::string& why) {
  if (!running_.load()) return;
  {
    std::lock_guard lock(jobMutex_);
    if (cancelReason_.empty()) cancelReason_ = why;
  }
  host_.RequestCancel();
  if (const SetExternallyCancelledFn cancel = library_.externalCancel()) cancel(1);
}

// ---- The results dialog -----------------------------------------------------------------

json Workspace::ResultsState() {
  IDialogModel* results = module_->ResultsDialog();
  json state = DialogJson(results);
  if (state.is_null()) return {{"error", "there are no results: run the task first"}};
  DialogListView list;
  if (results->GetList(kItemList, list)) {
    state["list"] = {{"columns", list.columns},       {"rows", list.rows},
                     {"selected", list.selected},     {"sortColumn", list.sortColumn},
                     {"ascending", list.ascending}};
  }
  RunSummary summary;
  if (module_->GetRunSummary(summary)) {
    state["recommendation"] = summary.recommendation;
    state["association"] = summary.association;
    state["counts"] = {{"transactions", summary.transactions}, {"items", summary.frequentItems},
                       {"patterns", summary.patterns},         {"rules", summary.rules}};
  }
  json docs = json::array();
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (!tables_[i].columnNames.empty()) docs.push_back(DocumentMeta("t" + std::to_string(i)));
  }
  for (std::size_t i = 0; i < pictures_.size(); ++i) {
    if (!pictures_[i].svg.empty()) docs.push_back(DocumentMeta("p" + std::to_string(i)));
  }
  for (std::size_t i = 0; i < reports_.size(); ++i) docs.push_back(DocumentMeta("r" + std::to_string(i)));
  state["documents"] = std::move(docs);
  state["messages"] = TakeMessages();
  return state;
}

json Workspace::TypeResults(int id, const std::string& text) {
  IDialogModel* results = module_->ResultsDialog();
  json answer = {{"typed", results && results->TypeText(id, text)}};
  return answer;
}

json Workspace::ClickResults(int id) {
  IDialogModel* results = module_->ResultsDialog();
  if (!results) return {{"error", "there are no results: run the task first"}};
  host_.ResetCancel();
  const DialogClick click = results->Click(id);
  json answer = {{"click", ClickAnswer(click)}, {"dialog", host_.TakeUnanswered()}};
  answer["documents"] = TakeDocuments();
  answer["messages"] = TakeMessages();
  answer["closed"] = click.closed;
  return answer;
}

json Workspace::SortItems(int column) {
  IDialogModel* results = module_->ResultsDialog();
  const bool sorted = results && results->SortList(kItemList, column);
  return {{"sorted", sorted}};
}

json Workspace::SelectItems(const std::vector<std::size_t>& rows) {
  IDialogModel* results = module_->ResultsDialog();
  const bool selected = results && results->SelectListRows(kItemList, rows);
  return {{"selected", selected}};
}

json Workspace::TakeDocuments() {
  json added = json::array();
  for (ResultsTable& t : host_.tables()) {
    tables_.push_back(std::move(t));
    added.push_back(DocumentMeta("t" + std::to_string(tables_.size() - 1)));
  }
  host_.tables().clear();
  for (KeptPicture& p : host_.pictures()) {
    pictures_.push_back(std::move(p));
    added.push_back(DocumentMeta("p" + std::to_string(pictures_.size() - 1)));
  }
  host_.pictures().clear();
  for (KeptReport& r : host_.reports()) {
    reports_.push_back(std::move(r));
    added.push_back(DocumentMeta("r" + std::to_string(reports_.size() - 1)));
  }
  host_.reports().clear();
  // Only the latest documents stay: an old table's cells are released
  // (its slot stays, so ids are never reused).
  if (tables_.size() > kKeptDocuments) {
    const std::size_t drop = tables_.size() - kKeptDocuments - 1;
    pagers_.erase(drop);
    tables_[drop] = ResultsTable{};
  }
  if (pictures_.size() > kKeptDocuments) pictures_[pictures_.size() - kKeptDocuments - 1] = {};
  return added;
}

json Workspace::DocumentMeta(const std::string& id) const {
  const std::size_t n = std::stoul(id.substr(1));
  switch (id[0]) {
    case 't': {
      const ResultsTable& t = tables_.at(n);
      return {{"id", id}, {"kind", "table"}, {"name", t.documentName},
              {"titles", t.titles}, {"rows", t.rows}, {"cols", t.cols}};
    }
    case 'p': {
      const KeptPicture& p = pictures_.at(n);
      return {{"id", id}, {"kind", "picture"}, {"name", p.name}, {"titles", p.titles}};
    }
    default: {
      const KeptReport& r = reports_.at(n);
      return {{"id", id}, {"kind", "report"}, {"name", r.title}, {"titles", {r.title}},
              {"text", r.text}};
    }
  }
}

namespace {

// The index of document `doc` of kind `kind` ("t12" -> 12), if valid.
std::optional<std::size_t> DocumentIndex(const std::string& doc, char kind, std::size_t count) {
  if (doc.size() < 2 || doc[0] != kind || doc.size() > 10) return std::nullopt;
  std::size_t n = 0;
  for (std::size_t i = 1; i < doc.size(); ++i) {
    if (doc[i] < '0' || doc[i] > '9') return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(doc[i] - '0');
  }
  if (n >= count) return std::nullopt;
  return n;
}

}  // namespace

json Workspace::DocumentPage(const std::string& doc, std::size_t offset, std::size_t limit,
                             int column, bool descending) {
  const std::optional<std::size_t> n = DocumentIndex(doc, 't', tables_.size());
  if (!n || tables_[*n].columnNames.empty()) return nullptr;
  auto it = pagers_.try_emplace(*n, tables_[*n]).first;
  return it->second.Page(offset, limit, column, descending);
}

std::optional<DocumentFile> Workspace::Download(const std::string& doc,
                                                const std::string& format) {
  if (auto n = DocumentIndex(doc, 't', tables_.size()); n && format == "csv") {
    const ResultsTable& t = tables_[*n];
    return DocumentFile{ResultsTableToCsv(t), "text/csv; charset=utf-8",
                        (t.documentName.empty() ? doc : t.documentName) + ".csv"};
  }
  if (auto n = DocumentIndex(doc, 'p', pictures_.size()); n) {
    const KeptPicture& p = pictures_[*n];
    if (format == "svg" && !p.svg.empty()) return DocumentFile{p.svg, "image/svg+xml", p.name + ".svg"};
    if (format == "png" && p.png) return DocumentFile{p.png(), "image/png", p.name + ".png"};
  }
  if (auto n = DocumentIndex(doc, 'r', reports_.size()); n && format == "txt") {
    return DocumentFile{reports_[*n].text, "text/plain; charset=utf-8", "report.txt"};
  }
  return std::nullopt;
}

std::optional<DocumentFile> Workspace::Model(const std::string& dialect, std::string& error) {
  const bool standard = dialect == "4.4";
  if (!standard && dialect != "native") {
    error = "the model is \"native\" or \"4.4\"";
    return std::nullopt;
  }
  const std::string path = host_.GetTempFileName("linkan-model", "pmml");
  const int rc = module_->SaveModel(path, standard ? PmmlDialect::kPmml44 : PmmlDialect::kNative,
                                    error);
  std::optional<DocumentFile> file;
  if (rc == 0) {
    file = DocumentFile{ReadWholeFile(path), "application/xml",
                        standard ? "model-4.4.pmml" : "model.pmml"};
  }
  std::remove(path.c_str());
  TakeMessages();
  return file;
}

std::optional<DocumentFile> Workspace::ProjectCopy(const std::string& project, std::string& error) {
  const std::string copy = host_.GetTempFileName("linkan-project", "dbs");
  std::remove(copy.c_str());  // VACUUM INTO makes the file itself
  std::optional<DocumentFile> file;
  if (CopyProjectFile(project, copy, error)) {
    file = DocumentFile{ReadWholeFile(copy), "application/vnd.sqlite3",
                        std::filesystem::path(project).filename().string()};
  }
  std::remove(copy.c_str());
  return file;
}

}  // namespace linkan::app
