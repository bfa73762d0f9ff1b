// analysis_doc.h
//
// CAnalysisDoc: the host application as the module sees it. The host (the
// `linkan` application, or a test host) implements this interface and hands
// it to the analysis object; every host service the module uses goes through
// it. Variables and cases are numbered from 1.
//
// Example:
//   class MyHost : public linkan::CAnalysisDoc { ... };
//   MyHost host(table);
//   module->AttachDocument(&host);
//
// Thread safety: the module calls the host from the thread that runs the
// analysis, except DebugOutput, AllocMem and FreeMem, which may be called
// from worker threads; implementations must make those three thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linkanalysis/result_graph.h"
#include "linkanalysis/results_table.h"

namespace linkan {

// Answer of a case read (cstrtw).
enum class CaseReadResult { kUse = 0, kSkip = 1, kStop = 2 };

// Kinds of text document the module hands to the host.
enum class TextDocKind { kReport, kMacro };

// A host progress bar made by NewProgressBar (the host's CTovProgressBar).
class HostProgressBar {
 public:
  virtual ~HostProgressBar() = default;
  virtual void SetPosition(unsigned long position) = 0;
  virtual void SetText(const std::string& text) = 0;
  // True once the user pressed the bar's Cancel.
  virtual bool WasCancelled() const = 0;
};

// One page of the host's long codes list dialog: the variables shown and,
// per variable, the chosen codes (in and out).
struct CodesPage {
  std::vector<int> variables;                // 1-based variable numbers
  std::vector<std::vector<double>> codes;    // codes[k] belongs to variables[k]
  std::string title;
  int flags = 0;                             // 0x100 marks a continuation page
  int maxCodesPerVariable = 1000;
};

// A request of the host's variable selection dialog: one list per role.
struct VariablesDialog {
  std::string title;
  std::vector<std::string> listCaptions;
  std::vector<int> listCodes;            // the host's code per list (7, 7, 1, 2 ...)
  std::vector<int> maxPerList;           // 1: at most one variable; 0: any number
  std::vector<std::vector<int>> lists;   // 1-based variable numbers, in and out
};

class CAnalysisModelessDialog;

// ---- Host data documents and the role dialog (taxonomy files) -------------

// A data table the host opened on the module's request (OpenDataDocument),
// read-only for the module. Destroying the handle releases what opening
// did: a document the host opened for this is closed, one the host already
// had open is only unlocked again. Variables and cases count from 1.
class HostDataDocument {
 public:
  virtual ~HostDataDocument() = default;
  virtual int VariableCount() const = 0;
  virtual std::string VariableName(int var) const = 0;
  virtual long CaseCount() const = 0;
  // True with the cell's text label in `text` when the cell has one (a
  // label of a text variable; an empty cell has the empty label). False
  // when the cell holds a number only: CellNumber gives it.
  virtual bool CellLabel(long caseNo, int var, std::string& text) const = 0;
  virtual double CellNumber(long caseNo, int var) const = 0;
};

// The host's role dialog (ChooseOutputFieldDialog): assigns the variables
// of a document to named roles, one variable per role.
struct OutputFieldDialog {
  std::string title;
  std::string rolesCaption;              // the list of roles
  std::string variablesCaption;          // the list of variables
  std::string assignedRolesCaption;      // the roles with a variable
  std::string assignedVariablesCaption;  // the variables given a role
  std::vector<std::string> roles;        // role labels, in order
  std::vector<std::string> variables;    // variable k + 1 is variables[k]
  // Per role, the 1-based variable assigned or 0: the current assignment
  // on the way in, the user's answer on the way out.
  std::vector<int> assignment;
};

class CAnalysisDoc {
 public:
  virtual ~CAnalysisDoc() = default;

  // ---- The input table -------------------------------------------------
  virtual int GetNbVars() const = 0;
  virtual long GetNbCases() const = 0;
  // Reads case `caseNo` (1-based) into `values`, resized to GetNbVars() + 1
  // and indexed by variable number (values[0] is unused). Sets `weighted`
  // when a weight variable is in use and `weight` to the case weight.
  virtual CaseReadResult ReadCase(long caseNo, std::vector<double>& values, bool& weighted,
                                  double& weight) = 0;
  // The missing-data code of variable `var`.
  virtual double GetMissingCode(int var) const = 0;
  // The (possibly short) name of variable `var`.
  virtual std::string GetVariableName(int var) const = 0;
  // The long form of a shortened name; the identity when names are never
  // shortened.
  virtual std::string GrowVariableName(const std::string& name) const { return name; }
  // The text of one cell as the table shows it (value label or number).
  virtual std::string GetCellText(long row, int col) const = 0;
  // The text labels of variable `var` (empty for a numeric variable).
  virtual std::vector<std::string> GetValueLabels(int var) const { (void)var; return {}; }
  // True when every cell of variable `var` that holds the same value (bit
  // for bit) shows the same text, so that a text read once may stand for
  // the value's other cells. False (the safe answer) lets the module read
  // every cell's text.
  virtual bool CellTextDependsOnValueOnly(int var) const { (void)var; return false; }

  // ---- Memory -----------------------------------------------------------
  // Returns null when the host cannot give the memory.
  virtual void* AllocMem(std::size_t bytes) = 0;
  virtual void FreeMem(void* p) = 0;
  // The most memory a run may hold, in bytes, as the process's resident
  // size; 0 for no limit. Read when a run starts; a run that grows past it
  // stops with an out-of-memory report naming its phase.
  virtual std::uint64_t MemoryLimit() const { return 0; }

  // ---- Messages ---------------------------------------------------------
  // A message in the host's message display (dsplst).
  virtual void ShowMessage(const std::string& text) = 0;
  // A message box captioned `caption` (DspMessageBox).
  virtual void ShowMessageBox(const std::string& caption, const std::string& text) = 0;
  // A Yes/No question with a question icon; true for Yes. The module asks
  // every question here, also under automation, where the answer counts as
  // Yes whatever is returned: a host should then answer without asking, and
  // may report the question with its answer.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // True when a script drives the module: no message box is shown and
  // questions count as answered Yes.
  virtual bool IsOleAutomation() const = 0;
  // A host log line (level 1 = errors of automation members).
  virtual void LogEntry(int level, const std::string& text) = 0;
  // The debugger output channel; must be thread-safe.
  virtual void DebugOutput(const std::string& text) = 0;

  // ---- Progress and cancellation -----------------------------------------
  virtual void ProgressTitle(const std::string& text) = 0;   // d_pbar
  virtual void ProgressStart(long total) = 0;                // dstart
  virtual void ProgressStep(long step) = 0;                  // termom
  virtual void ProgressStop() = 0;                           // dstop
  virtual bool UserCancelled() const = 0;                    // pcancel
  virtual bool IterationDisplayCancelled() const { return false; }  // CIterDisplay::WasCanceled
  virtual std::unique_ptr<HostProgressBar> NewProgressBar(unsigned long min, unsigned long max,
                                                          const std::string& title,
                                                          bool watchExternalCancel,
                                                          bool raiseOnExternalCancel) = 0;

  // ---- Environment ------------------------------------------------------
  virtual std::string GetDefaultDatafilesPath() const = 0;
  virtual int GetProfileInt(int entry, int defaultValue) const = 0;
  // A temporary file name not yet in use (QlnGetTmpFileName).
  virtual std::string GetTempFileName(const std::string& prefix, const std::string& extension) = 0;

  // ---- Documents and dialogs --------------------------------------------
  virtual bool IsCancelMultipleDocs() const { return false; }
  virtual bool IsWebServerEdition() const { return false; }
  // Shows a report or macro document; true when it was shown.
  virtual bool ShowTextDocument(TextDocKind kind, const std::string& title,
                                const std::string& text) = 0;
  // Shows a spreadsheet document; true when it was shown. The table is
  // valid during the call only.
  virtual bool ShowSpreadsheet(const ResultsTable& table) { (void)table; return false; }
  // Opens a spreadsheet document that arrives row by row (results_table.h);
  // `header` holds no cells. A host that only takes finished tables keeps
  // this default, which shows the collected table through ShowSpreadsheet.
  virtual std::unique_ptr<SpreadsheetStream> OpenSpreadsheet(const ResultsTable& header) {
    return std::make_unique<CollectedSpreadsheet>(
        header, [this](const ResultsTable& table) { return ShowSpreadsheet(table); });
  }
  // Shows a graph document (result_graph.h); true when it was shown. The
  // document is valid during the call only.
  virtual bool ShowGraph(const GraphDocument& graph) {
    (void)graph;
    return false;
  }
  // Shows a rule chart, the host's discrete contour graph; true when shown.
  virtual bool ShowDiscreteContourGraph(const DiscreteContourChart& chart) {
    (void)chart;
    return false;
  }
  // Creates and shows a modeless analysis dialog; true when it is shown.
  virtual bool CreateAnalysisDialog(CAnalysisModelessDialog& dialog) = 0;
  // Runs one page of the long codes list dialog; false when cancelled.
  virtual bool ShowCodesDialog(CodesPage& page) { (void)page; return false; }
  // The host's save-as dialog: the file name chosen, or "" when cancelled
  // (the default: a host without one cancels).
  virtual std::string AskSaveFileName(const std::string& title, const std::string& defaultName,
                                      const std::string& defaultExtension) {
    (void)title, (void)defaultName, (void)defaultExtension;
    return {};
  }

  // ---- Task dialog services ----
  // The host's variable selection dialog: `lists` holds, per list, the
  // chosen variables (1-based numbers) on entry and on return. True when
  // the user confirmed. The default: a host without one cancels.
  virtual bool ChooseVariables(VariablesDialog& dialog) {
    (void)dialog;
    return false;
  }
  // True when the data table has a weight variable in use.
  virtual bool HasWeightVariable() const { return false; }

  // ---- Host data documents and their dialogs ----------------------------
  // The defaults refuse: a host without these services cannot read
  // taxonomy files.
  //
  // Opens the data table in file `path` for reading. Returns null with a
  // description of the failure in `error` (no such file, unreadable, not a
  // table).
  virtual std::unique_ptr<HostDataDocument> OpenDataDocument(const std::string& path,
                                                             std::string& error) {
    (void)path;
    error = "this host cannot open data documents";
    return nullptr;
  }
  // Runs the role dialog; 0 when the user confirmed (dialog.assignment then
  // holds the answer), nonzero when the user left it.
  virtual int ChooseOutputFieldDialog(OutputFieldDialog& dialog) {
    (void)dialog;
    return 1;
  }
  // The host's open-file dialog for an existing file, starting at
  // `initialPath`; `filter` lists "description|pattern|" pairs ending in
  // "||". The file chosen, or "" when cancelled.
  virtual std::string AskOpenFileName(const std::string& title, const std::string& filter,
                                      const std::string& defaultExtension,
                                      const std::string& initialPath) {
    (void)title, (void)filter, (void)defaultExtension, (void)initialPath;
    return {};
  }
};

}  // namespace linkan
