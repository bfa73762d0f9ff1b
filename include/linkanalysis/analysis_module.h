// analysis_module.h
//
// The module as the host sees it: what `Tov6NewAnalysis` returns. The host
// attaches its document, initialises the object and walks its step table.
//
// Example:
//   auto* factory = reinterpret_cast<linkan::NewAnalysisFn>(dlsym(lib, "Tov6NewAnalysis"));
//   std::unique_ptr<linkan::IAnalysisModule> module(factory());
//   module->AttachDocument(&host);
//   module->Initialize();
//   for (int step = module->FirstStep(); step != 0;) step = module->ExecuteStep(step);
//
// Thread safety: a module object is used from one thread (the host's).
#pragma once

#include <string>
#include <vector>

#include "linkanalysis/automation.h"
#include "linkanalysis/dialog_model.h"

namespace linkan {

class CAnalysisDoc;

// One entry of the step table: the step id, and the id of the step that
// follows when the step succeeds (0 for none).
struct SequenceStep {
  int id = 0;
  int next = 0;
};

// The size of the last run's results, for a host's summary line.
// What RunTask and RunResultCommand return when memory ran out.
inline constexpr int kRunOutOfMemory = 3;

struct RunSummary {
  bool association = true;               // false: sequence analysis
  unsigned long long transactions = 0;   // N: transactions (sequences)
  unsigned long long items = 0;          // items in the item dictionary
  unsigned long long frequentItems = 0;  // frequent single items (the item list)
  unsigned long long patterns = 0;       // frequent itemsets or sequences
  unsigned long long rules = 0;          // association or sequential rules
  bool recommendation = false;           // a model loaded from PMML, nothing mined
};

// The two PMML documents a module writes: its own, and the standard PMML
// 4.4 one that other tools read.
enum class PmmlDialect { kNative = 0, kPmml44 = 1 };

class IAnalysisModule {
 public:
  virtual ~IAnalysisModule() = default;

  // Hands the module the host document. REQUIRES: before Initialize().
  virtual void AttachDocument(CAnalysisDoc* doc) = 0;
  // Creates the project database handle and registers the project tables.
  virtual void Initialize() = 0;
  // The step table registered by the constructor.
  virtual std::vector<SequenceStep> GetSequenceTable() const = 0;
  // Runs step `id` and returns the id of the step that follows (0: stop).
  virtual int ExecuteStep(int id) = 0;
  virtual int GetAnalysisID() const = 0;
  virtual std::string GetAnalysisName() const = 0;

  // ---- Scripted runs ----
  // Applies a task script (a JSON object of task properties by their
  // automation names, such as "MinimumSupport" or "Variables"), runs the
  // analysis as the task dialog's OK would, and opens the results dialog.
  // Counts as driven by automation only when the host says so. Returns 0
  // when results are ready; kRunOutOfMemory when the run outgrew the host's
  // memory limit or an allocation failed (`error` names the phase); 1 with
  // `error` set otherwise (every message has also gone to the host).
  // REQUIRES: step 100 has run.
  virtual int RunTask(const std::string& taskJson, std::string& error) = 0;
  // Runs command `id` of the open results dialog: 1022 rule summary, 1023
  // frequent patterns, 1190 to 1193 the tables of selected items, 1189 the
  // item list as a spreadsheet; 1211 the deployment query of the task's
  // "QueryStringForRules"; 1024, 1025, 1026 the support, confidence
  // and correlation charts (ShowDiscreteContourGraph; 1 to 100 rules);
  // 1027, 1028, 1029 the rule matrices of the same measures; 1030 and 1031
  // the association networks 2D and 3D; 1070 the clustering table and 1072
  // the clustering tree (association analysis only); 1074 the web graph and
  // 1075 the rule graph of the selected items (at least 2); 1212 the
  // disjoint sequences. Graphs go to ShowGraph, tables to the spreadsheet
  // service. Returns 0 when it produced a document, 2 when it showed a
  // message instead (`error` holds it) or produced nothing, kRunOutOfMemory
  // as RunTask does, 1 on an error (`error` set).
  virtual int RunResultCommand(int id, std::string& error) = 0;
  // Fills `summary` from the results the last RunTask left; false (and
  // `summary` untouched) when there are none.
  virtual bool GetRunSummary(RunSummary& summary) const {
    (void)summary;
    return false;
  }
  // Writes the model of the open results to `path` in `dialect` (the PMML
  // button's export, without its file dialog). Returns 0, or 1 with `error`
  // set: no results, a loaded model (recommendation holds nothing mined),
  // an empty name, or a failed write (nothing is left at `path` then).
  virtual int SaveModel(const std::string& path, PmmlDialect dialect, std::string& error) {
    (void)path, (void)dialect;
    error = "this module cannot save models";
    return 1;
  }

  // Applies a task script to the task dialog without running it: its
  // properties, then OK's checks. `properties` receives every property of
  // the task by its get member, as a JSON object that is itself a task
  // file. Returns 0, or 1 with `error` set.
  virtual int DescribeTask(const std::string& taskJson, std::string& properties,
                           std::string& error) {
    (void)taskJson, (void)properties;
    error = "this module cannot describe tasks";
    return 1;
  }

  // Applies a task script to the task dialog's controls and settings only:
  // no checks, no run (a task loaded into a front end). A failed key
  // leaves the dialog as it was. Returns 0, or 1 with `error` set.
  virtual int ApplyTask(const std::string& taskJson, std::string& error) {
    (void)taskJson;
    error = "this module cannot apply tasks";
    return 1;
  }

  // ---- Automation ----
  // LNKStartup, the task dialog's automation object, while that dialog is
  // open; null otherwise. Owned by the module.
  virtual IAutomationObject* TaskAutomation() { return nullptr; }
  // LNKResult, the results dialog's, while that dialog is open; else null.
  virtual IAutomationObject* ResultAutomation() { return nullptr; }

  // ---- Dialogs by control id (dialog_model.h) ----
  // The task dialog, opened (step 101) when it is not open; null before
  // step 100 has run. Owned by the module.
  virtual IDialogModel* TaskDialog() { return nullptr; }
  // The results dialog while it is open; else null.
  virtual IDialogModel* ResultsDialog() { return nullptr; }
};

using NewAnalysisFn = IAnalysisModule* (*)();
using SetExternallyCancelledFn = void (*)(int);

}  // namespace linkan

// The exported factory: creates the analysis object, or returns null when
// memory runs out. The caller owns the result.
extern "C" linkan::IAnalysisModule* Tov6NewAnalysis();

// Sets (nonzero) or clears (0) the module's external cancellation switch,
// which every running phase polls. Async-signal-safe: a host may call it
// from its Ctrl-C handler (look it up with dlsym beforehand).
extern "C" void LinkanSetExternallyCancelled(int cancelled);
