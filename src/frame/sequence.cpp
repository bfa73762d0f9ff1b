// sequence.cpp
#include "frame/sequence.h"

#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "define/define_task.h"
#include "define/lnk_startup.h"
#include "define/task_properties.h"
#include "define/task_script.h"
#include "engine/driver/run_analysis.h"
#include "engine/sal_engine.h"
#include "frame/dialog_model_view.h"
#include "frame/host/module_error.h"
#include "pmml/model_export.h"
#include "pmml/model_import.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"
#include "results/lnk_result.h"
#include "results/model_commands.h"
#include "results/seq_result_dialog.h"

namespace linkan {

CSequence::CSequence(CAnalysisDoc* doc) : CAnalysisSupport(doc) {
  SetSequenceTable({
      {kStepInit, [this] { return InitializeAfterFileChanged(); }, kStepStartAnalysis},
      {kStepStartAnalysis, [this] { return StartAnalysis(); }, 0},
      {kStepResultDialog, [this] { return ResultDialog(); }, 0},
  });
}

CSequence::~CSequence() {
  engine_.reset();
  if (projectDb_) projectDb_->CloseProjectDatabase();
  if (tablesRegistered_) ReleaseProjectTables();
  projectDb_.reset();
  resultDialog_.reset();
  defineTask_.reset();
}

void CSequence::Initialize() {
  engine_.reset();
  projectDb_ = std::make_unique<ProjectDatabase>();
  if (!tablesRegistered_) {
    RegisterProjectTables();
    tablesRegistered_ = true;
  }
}

std::string CSequence::GetAnalysisName() const {
  return std::string(LookupString(msg::kAnalysisName));
}

int CSequence::Init() {
  InitCommons();
  if (!projectDb_) Initialize();
  engine_.reset();
  engine_ = std::make_unique<SalEngine>(*this, projectDb_.get());
  taxonomyFile.clear();
  itemList = nullptr;
  const std::string folder = HasDocument() ? doc().GetDefaultDatafilesPath() : std::string{};
  projectDb_->SetPath((std::filesystem::path(folder) / kDefaultProjectFileName).string());
  if (defineTask_) defineTask_->OnEngineReplaced();
  return 1;
}

void CSequence::SetEngine(std::unique_ptr<SalEngine> engine) { engine_ = std::move(engine); }

int CSequence::StartAnalysis() {
  defineTask_ = std::make_unique<CDefineTask>(*this);
  if (defineTask_->CreateAnalysisDialog() != 0) return -1;
  defineTask_.reset();
  return 0;
}

int CSequence::ResultDialog() {
  resultDialog_ = std::make_unique<CSEQResultDialog>(*this);
  if (resultDialog_->CreateAnalysisDialog() != 0) return -1;
  resultDialog_.reset();
  return 0;
}

CDefineTask* CSequence::OpenTaskDialog() {
  if (defineTask_ && !defineTask_->IsClosed()) return defineTask_.get();
  if (StartAnalysis() != -1) return nullptr;
  return defineTask_.get();
}

IAutomationObject* CSequence::TaskAutomation() {
  if (!defineTask_ || defineTask_->IsClosed()) return nullptr;
  return &defineTask_->automation();
}

int CSequence::DescribeTask(const std::string& taskJson, std::string& properties,
                            std::string& error) {
  return OnTaskDialog(error, [&](CDefineTask& dialog) {
    TaskScriptResult task;
    if (!ApplyTaskScript(dialog, taskJson, TaskAction::kCheck, task)) {
      error = task.error;
      return 1;
    }
    properties = DescribeTaskProperties(dialog.automation());
    return 0;
  });
}

int CSequence::ApplyTask(const std::string& taskJson, std::string& error) {
  return OnTaskDialog(error, [&](CDefineTask& dialog) {
    TaskScriptResult task;
    if (!ApplyTaskScript(dialog, taskJson, TaskAction::kApply, task)) {
      error = task.error;
      return 1;
    }
    return 0;
  });
}

int CSequence::RunTask(const std::string& taskJson, std::string& error) {
  return OnTaskDialog(error, [&](CDefineTask& dialog) {
    TaskScriptResult task;
    if (!ApplyTaskScript(dialog, taskJson, TaskAction::kRun, task)) {
      error = task.error;
      return 1;
    }
    if (ResultDialog() != -1) {
      error = "the host did not open the results dialog";
      return 1;
    }
    return ApplyResultMembers(task, error);
  });
}

int CSequence::OnTaskDialog(std::string& error, const std::function<int(CDefineTask&)>& body) {
  error.clear();
  if (!engine_) {
    error = "no data table is loaded";
    return 1;
  }
  runGuard().Begin(HasDocument() ? doc().MemoryLimit() : 0);
  return RunBoundary(error, [&] {
    CDefineTask* dialog = OpenTaskDialog();
    if (!dialog) {
      error = "the host did not open the task dialog";
      return 1;
    }
    return body(*dialog);
  });
}

int CSequence::ApplyResultMembers(const TaskScriptResult& task, std::string& error) {
  LNKResult& result = resultDialog_->automation();
  std::vector<std::pair<const char*, nlohmann::json>> puts;
  if (task.hasSelectedItems) puts.emplace_back("SelectedItems", task.selectedItems);
  if (task.queryString) puts.emplace_back("QueryStringForRules", *task.queryString);
  if (task.saveAsPmml) puts.emplace_back("SaveAsPMML", *task.saveAsPmml);
  if (task.saveAsPmml44) puts.emplace_back("SaveAsPMML44", *task.saveAsPmml44);
  for (const auto& [key, value] : puts) {
    const AutomationResult code = result.PutValue(key, value);
    if (code == kAutomationOk) continue;
    if (code == kAutomationOutOfMemory) {
      error = result.ErrorDescription();
      return kRunOutOfMemory;
    }
    error = std::string("\"") + key + "\": " + result.ErrorDescription();
    return 1;
  }
  return 0;
}

int CSequence::RunResultCommand(int id, std::string& error) {
  error.clear();
  if (!resultDialog_ || resultDialog_->IsClosed()) {
    error = "the results dialog is not open";
    return 1;
  }
  // A table is a run of its own as far as stopping goes: the limit and the
  // switch start afresh, the counts of the enumeration stay out of it.
  runGuard().Begin(HasDocument() ? doc().MemoryLimit() : 0);
  return RunBoundary(error, [&] {
    const unsigned long messagesBefore = MessageCount();
    PhaseScope phase(runGuard(), "making the result tables");
    if (!resultDialog_->SendCommand(id)) {
      error = "the results dialog has no command " + std::to_string(id);
      return 1;
    }
    if (resultDialog_->LastCommandShowedDocument()) return 0;
    error = MessageCount() != messagesBefore ? LastMessage() : "no document was produced";
    return 2;
  });
}

int CSequence::RunBoundary(std::string& error, const std::function<int()>& body) {
  const RunGuard& guard = runGuard();
  // An error that ends the run because the guard stopped it (a phase that
  // noticed the memory limit reports itself cancelled) is out of memory.
  auto outOfMemory = [&](bool overLimit) {
    error = guard.OutOfMemoryMessage(overLimit);
    dsplst(0, error);
    return kRunOutOfMemory;
  };
  try {
    const int result = body();
    if (guard.Reason() == RunGuard::Stop::kOutOfMemory) return outOfMemory(true);
    return result;
  } catch (const std::bad_alloc&) {
    return outOfMemory(guard.Reason() == RunGuard::Stop::kOutOfMemory);
  } catch (const ModuleError& e) {
    if (guard.Reason() == RunGuard::Stop::kOutOfMemory || e.kind() == ErrorKind::kOutOfMemory) {
      return outOfMemory(guard.Reason() == RunGuard::Stop::kOutOfMemory);
    }
    error = e.what();
    return 1;
  } catch (const std::exception& e) {
    // Anything else is a fault of the module; it ends the run, not the host.
    error = std::string("internal error: ") + e.what();
    dsplst(0, error);
    return 1;
  }
}

IDialogModel* CSequence::TaskDialog() {
  if (!engine_) return nullptr;
  if (!OpenTaskDialog()) return nullptr;
  if (!taskView_) taskView_ = std::make_unique<DialogModelView>(*this, DialogModelView::Which::kTask);
  return taskView_.get();
}

IDialogModel* CSequence::ResultsDialog() {
  if (!resultDialog_ || resultDialog_->IsClosed()) return nullptr;
  if (!resultsView_) {
    resultsView_ = std::make_unique<DialogModelView>(*this, DialogModelView::Which::kResults);
  }
  return resultsView_.get();
}

DialogClick CSequence::ClickControl(CAnalysisModelessDialog& dialog, int id) {
  DialogClick click;
  const bool results = &dialog == resultDialog_.get();
  runGuard().Begin(HasDocument() ? doc().MemoryLimit() : 0);
  const unsigned long messagesBefore = MessageCount();
  std::string error;
  const int rc = RunBoundary(error, [&] {
    std::optional<PhaseScope> phase;
    if (results) phase.emplace(runGuard(), "making the result tables");
    dialog.SendCommand(id);
    if (!results && dialog.IsClosed() && dialog.NextStep() == kStepResultDialog) {
      click.resultsOpened = ResultDialog() == -1;
    }
    return 0;
  });
  click.closed = dialog.IsClosed();
  if (rc == kRunOutOfMemory) {
    click.code = DialogClick::kOutOfMemory;
    click.message = error;
  } else if (rc != 0) {
    click.code = DialogClick::kFailed;
    click.message = error;
  } else if (MessageCount() != messagesBefore &&
             !(results && resultDialog_->LastCommandShowedDocument())) {
    // The module showed a message instead of doing what was asked.
    click.code = DialogClick::kMessage;
    click.message = LastMessage();
  }
  if (click.code != DialogClick::kDone && !results && defineTask_) {
    click.control = defineTask_->LastFailedControl();
  }
  return click;
}

IAutomationObject* CSequence::ResultAutomation() {
  if (!resultDialog_ || resultDialog_->IsClosed()) return nullptr;
  return &resultDialog_->automation();
}

int CSequence::SaveModel(const std::string& path, PmmlDialect dialect, std::string& error) {
  error.clear();
  if (!engine_ || !resultDialog_) {
    error = "there are no results to save";
    return 1;
  }
  return RunBoundary(error, [&] {
    error = pmml::WritePmml(*this, *engine_, path,
                            dialect == PmmlDialect::kPmml44 ? pmml::Dialect::kPmml44
                                                            : pmml::Dialect::kNative);
    return error.empty() ? 0 : 1;
  });
}

bool CSequence::GetRunSummary(RunSummary& summary) const {
  // Results exist once a run (or a reopened project) opened the results
  // dialog.
  if (!engine_ || !resultDialog_) return false;
  summary.association = engine_->IsAssociationMode();
  summary.transactions = engine_->settings.size;
  summary.items = engine_->items.size();
  summary.frequentItems = engine_->itemFrequency.size();
  summary.patterns = engine_->patterns.size();
  summary.rules = engine_->rules.size();
  summary.recommendation =
      engine_->settings.projectMode == 1 && engine_->settings.existingProjectAction == 2;
  if (summary.recommendation) {
    summary.items = summary.frequentItems = engine_->modelItems.size();
    summary.patterns = engine_->model.patterns.size();
    summary.rules = 0;
    for (const auto& [body, heads] : engine_->model.rules) summary.rules += heads.size();
  }
  return true;
}

void CSequence::GetText(int row, short column, std::string& text) const {
  text = StripFormatting(doc().GetCellText(row, column));
}

std::string CSequence::TempFileName(unsigned short /*unused*/) const {
  return doc().GetTempFileName("LNK", "tmp");
}

int CSequence::CreateTextDoc(unsigned long kind, const wchar_t* text, const char* title) {
  if (!HasDocument() || doc().IsCancelMultipleDocs()) return 0;
  const bool macro = (kind & 1u) != 0;
  const bool report = (kind & 2u) != 0;
  if (!macro && !report) return 0;
  // The web-server edition shows no macros: a macro request becomes a report.
  const TextDocKind docKind =
      (macro && !doc().IsWebServerEdition()) ? TextDocKind::kMacro : TextDocKind::kReport;
  const std::string body = text ? WideToUtf8(text) : std::string{};
  return doc().ShowTextDocument(docKind, title ? title : "", body) ? 1 : 0;
}

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  for (const wchar_t* p = text; *p; ++p) {
    auto c = static_cast<std::uint32_t>(*p);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace linkan
