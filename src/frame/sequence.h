// sequence.h
//
// CSequence: the analysis object. The host creates it through the exported
// factory, attaches its document, calls Initialize and walks the step table
// (100 Init -> 101 StartAnalysis; 102 ResultDialog). It owns the SalEngine of
// the current data file, the project database handle and the two modeless
// dialogs.
//
// Thread safety: used from the host's thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/host/analysis_support.h"

namespace linkan {

class SalEngine;
class ProjectDatabase;
class CDefineTask;
class CSEQResultDialog;
class DialogModelView;
struct TaskScriptResult;

inline constexpr int kAnalysisId = 6670;
inline constexpr int kStepInit = 100;
inline constexpr int kStepStartAnalysis = 101;
inline constexpr int kStepResultDialog = 102;
inline constexpr const char* kDefaultProjectFileName = "LinkAnalysis.dbs";

class CSequence : public CAnalysisSupport {
 public:
  // Registers the step table. `doc` may be attached later.
  explicit CSequence(CAnalysisDoc* doc = nullptr);
  // Deletes the engine, closes the project and releases the table
  // registrations, then the dialogs.
  ~CSequence() override;

  // ---- IAnalysisModule ----
  void Initialize() override;
  int GetAnalysisID() const override { return kAnalysisId; }
  std::string GetAnalysisName() const override;
  int RunTask(const std::string& taskJson, std::string& error) override;
  int DescribeTask(const std::string& taskJson, std::string& properties,
                   std::string& error) override;
  int ApplyTask(const std::string& taskJson, std::string& error) override;
  IAutomationObject* TaskAutomation() override;
  int RunResultCommand(int id, std::string& error) override;
  bool GetRunSummary(RunSummary& summary) const override;
  int SaveModel(const std::string& path, PmmlDialect dialect, std::string& error) override;
  // LNKResult of the open results dialog; null when none is open.
  IAutomationObject* ResultAutomation() override;
  IDialogModel* TaskDialog() override;
  IDialogModel* ResultsDialog() override;
  // Clicks control `id` of `dialog` (one of this object's two) inside the
  // run boundary. The task dialog's OK that ran opens the results dialog
  // (step 102), as the host's step walk would.
  DialogClick ClickControl(CAnalysisModelessDialog& dialog, int id);

  // ---- Steps ----
  // Discards the engine and starts again from the defaults; always 1.
  int Init();
  int InitializeAfterFileChanged() { return Init(); }
  // Opens the task definition dialog; -1 when the host created it, else 0.
  int StartAnalysis();
  // Opens the results dialog; -1 when the host created it, else 0.
  int ResultDialog();

  // ---- Services ----
  // The text of one input cell (1-based row and column), formatting removed.
  void GetText(int row, short column, std::string& text) const;
  // A temporary file name "LNK....tmp"; the argument is not used.
  std::string TempFileName(unsigned short unused) const;
  // Shows `text` as a macro (kind flag 1) or report (kind flag 2) document;
  // 1 when a document was shown, 0 otherwise.
  int CreateTextDoc(unsigned long kind, const wchar_t* text, const char* title);

  // ---- State ----
  SalEngine* engine() const { return engine_.get(); }
  ProjectDatabase& projectDb() const { return *projectDb_; }
  // Replaces the engine (the task dialog hands over a finished run).
  void SetEngine(std::unique_ptr<SalEngine> engine);
  CDefineTask* defineTask() const { return defineTask_.get(); }
  CSEQResultDialog* resultDialog() const { return resultDialog_.get(); }

  std::string taxonomyFile;
  void* itemList = nullptr;              // the results dialog's item list (not owned)
  std::vector<int> taxonomyVariables;

 private:
  // Runs `body` (a RunTask or RunResultCommand) and turns whatever ends it
  // into its result: std::bad_alloc, or a stop by the memory limit, into
  // kRunOutOfMemory with the guard's report; a ModuleError into 1 with its
  // text; any other exception into 1 as an internal error.
  int RunBoundary(std::string& error, const std::function<int()>& body);
  // The open task dialog, opened (step 101) when it is not; null when the
  // host did not open it.
  CDefineTask* OpenTaskDialog();
  // Runs `body` on the open task dialog inside the run boundary (a task
  // applied, checked or run).
  int OnTaskDialog(std::string& error, const std::function<int(CDefineTask&)>& body);
  // The task's results members (SelectedItems, QueryStringForRules,
  // SaveAsPMML, SaveAsPMML44) put on the new results dialog's LNKResult;
  // a refused one fails the run with the key and the member's description.
  int ApplyResultMembers(const TaskScriptResult& task, std::string& error);

  std::unique_ptr<SalEngine> engine_;
  std::unique_ptr<ProjectDatabase> projectDb_;
  bool tablesRegistered_ = false;
  std::unique_ptr<CDefineTask> defineTask_;
  std::unique_ptr<CSEQResultDialog> resultDialog_;
  std::unique_ptr<DialogModelView> taskView_;
  std::unique_ptr<DialogModelView> resultsView_;
};

// The UTF-8 form of a wide text.
std::string WideToUtf8(const wchar_t* text);

}  // namespace linkan
