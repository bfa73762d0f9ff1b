// terminal_host.h
//
// TerminalHost: the host document (CAnalysisDoc) of the standalone `linkan`,
// over a loaded DataTable and a terminal.
//
//   Table        ReadCase fills values by variable number (1-based); with a
//                weight variable the case weight is its value, and a case
//                whose weight is missing is skipped. Missing-data code -9999.
//   Messages     message lines and message boxes ("caption: text") go to
//                the error stream; so do host log lines ("log[level]:
//                text") when `debug` is set (the host log is on).
//                Messages may be held (HoldMessages) and printed later,
//                so that a command can drop one it reports itself.
//   Questions    under automation: Yes without asking, and the question is
//                printed as a warning with that answer. Interactive (stdin
//                is a terminal): asked on the terminal until y/yes or n/no;
//                end of input is No. Otherwise: No, and the question and the
//                answer are written to the error stream.
//   Memory       the memory limit of the options, for the module's runs.
//   Progress     ProgressDisplay on the error stream (a bar on a terminal).
//                With `countingBars`, bars the module makes through
//                NewProgressBar show their position as a count (the
//                module's enumeration bar counts patterns).
//   Cancel       UserCancelled() is the cancel flag, set by Ctrl-C
//                (InterruptScope) or RequestCancel().
//   Debug        DebugOutput writes to the error stream when `debug` is set
//                (the LINKAN_DEBUG environment variable).
//   Environment  the data-files folder is the folder of the data file;
//                profile entry <n> is the integer in the environment
//                variable LINKAN_PROFILE_<n>, else the command's default
//                (`profileDefaults`), else the module's default; temporary
//                files are made in $TMPDIR (/tmp when unset) and exist,
//                empty, when their name is returned.
//   Documents    with an output folder: files there (output_folder.h);
//                without one: written to the output stream. Spreadsheets
//                may arrive row by row (OpenSpreadsheet) and are written as
//                they arrive. A row observer, when set, sees every row of
//                every spreadsheet shown. Graphs and rule charts become
//                pictures (NAME.svg, NAME.png, NAME.json); without an output
//                folder their display list (graph_json.h) goes to the output
//                stream.
//   Dialogs      a modeless dialog is always "shown"; a codes page is
//                confirmed as proposed.
//   Data files   OpenDataDocument reads a CSV/TSV table as the input table
//                is read (data_document.h). The role dialog and the
//                open-file dialog are not shown: a task file answers them,
//                so the user "leaves" the one and cancels the other.
//
// Thread safety: the module calls from its thread; DebugOutput, AllocMem,
// FreeMem, UserCancelled and the progress bars' members may be called from
// any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data_table.h"
#include "linkanalysis/analysis_doc.h"
#include "output_folder.h"
#include "progress_display.h"

namespace linkan::app {

struct TerminalOptions {
  bool automation = false;   // a script drives the run: no questions, Yes
  bool interactive = false;  // questions may be asked on the terminal
  bool debug = false;        // debugger output to the error stream
  ProgressMode progress = ProgressMode::kNone;
  int width = 80;              // terminal width for the bar
  std::string outputFolder{};  // empty: documents to the output stream
  OutputMode outputMode = OutputMode::kNumbered;
  std::string tempFolder{};    // empty: $TMPDIR, else /tmp
  bool countingBars = false;   // NewProgressBar bars show a count
  std::string countUnit{};     // what a counting bar counts ("patterns")
  std::uint64_t memoryLimit = 0;  // bytes a run may hold (0: no limit)
  std::map<int, int> profileDefaults{};  // profile entries when the environment has none
};

// A message shown while messages were held.
struct HeldMessage {
  std::string line;  // as it would have been printed
  std::string text;  // the module's text alone (no caption)
  bool log = false;  // a host log line (a failed automation member's)
};

class TerminalHost : public CAnalysisDoc {
 public:
  // `table` must outlive the host; so must the streams.
  TerminalHost(const DataTable& table, TerminalOptions options, std::ostream& out,
               std::ostream& err, std::istream& in);
  ~TerminalHost() override;

  // ---- Cancellation ----
  std::atomic<bool>& cancelFlag() { return cancelled_; }
  void RequestCancel() { cancelled_.store(true); }
  void ResetCancel() { cancelled_.store(false); }

  void SetAutomation(bool on) { options_.automation = on; }

  // While held, messages, message boxes and log lines are kept instead of
  // printed.
  void HoldMessages() { holding_ = true; }
  // Stops holding and returns the messages held since HoldMessages.
  std::vector<HeldMessage> ReleaseMessages();
  // Prints `line` on the error stream (clearing any progress bar).
  void PrintLine(const std::string& line) { display_.Print(line); }

  // Sees each row with its table's header (which holds no cells).
  using RowObserver = std::function<void(const ResultsTable& header, std::string_view rowName,
                                         std::span<const ResultsCell> cells)>;
  void SetRowObserver(RowObserver observer) { rowObserver_ = std::move(observer); }
  OutputFolder* outputFolder() { return output_ ? &*output_ : nullptr; }
  // The first document that could not be written ("" when none): printed
  // at once, except in OutputMode::kRun, where the command reports it.
  const std::string& writeError() const { return writeError_; }
  ProgressDisplay& display() { return display_; }

  // ---- CAnalysisDoc: the table ----
  int GetNbVars() const override { return table_.VariableCount(); }
  long GetNbCases() const override { return table_.CaseCount(); }
  CaseReadResult ReadCase(long caseNo, std::vector<double>& values, bool& weighted,
                          double& weight) override;
  bool HasWeightVariable() const override { return table_.weightVariable() >= 0; }
  double GetMissingCode(int var) const override;
  std::string GetVariableName(int var) const override;
  std::string GetCellText(long row, int col) const override;
  // A cell's text is its label or its number's text: the value decides it.
  // A date cell shows its own text, which may differ between cells of one
  // value ("2026-03-01T10:00Z", "2026-03-01T11:00+01:00").
  bool CellTextDependsOnValueOnly(int var) const override {
    return ValidVariable(var) && table_.variable(var - 1).cellTexts.empty();
  }
  std::vector<std::string> GetValueLabels(int var) const override;

  // ---- Memory ----
  void* AllocMem(std::size_t bytes) override;
  void FreeMem(void* p) override;
  std::uint64_t MemoryLimit() const override { return options_.memoryLimit; }

  // ---- Messages ----
  void ShowMessage(const std::string& text) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  bool IsOleAutomation() const override { return options_.automation; }
  void LogEntry(int level, const std::string& text) override;
  void DebugOutput(const std::string& text) override;

  // ---- Progress ----
  void ProgressTitle(const std::string& text) override;
  void ProgressStart(long total) override;
  void ProgressStep(long step) override;
  void ProgressStop() override;
  bool UserCancelled() const override { return cancelled_.load(); }
  std::unique_ptr<HostProgressBar> NewProgressBar(unsigned long min, unsigned long max,
                                                  const std::string& title,
                                                  bool watchExternalCancel,
                                                  bool raiseOnExternalCancel) override;

  // ---- Environment ----
  std::string GetDefaultDatafilesPath() const override { return dataFolder_; }
  int GetProfileInt(int entry, int defaultValue) const override;
  std::string GetTempFileName(const std::string& prefix, const std::string& extension) override;

  // ---- Documents and dialogs ----
  bool ShowTextDocument(TextDocKind kind, const std::string& title,
                        const std::string& text) override;
  bool ShowSpreadsheet(const ResultsTable& table) override;
  std::unique_ptr<SpreadsheetStream> OpenSpreadsheet(const ResultsTable& header) override;
  bool ShowGraph(const GraphDocument& graph) override;
  bool ShowDiscreteContourGraph(const DiscreteContourChart& chart) override;
  bool CreateAnalysisDialog(CAnalysisModelessDialog& dialog) override;
  bool ShowCodesDialog(CodesPage& page) override;

  // ---- Data documents ----
  std::unique_ptr<HostDataDocument> OpenDataDocument(const std::string& path,
                                                     std::string& error) override;
  int ChooseOutputFieldDialog(OutputFieldDialog& /*dialog*/) override { return 1; }

 private:
  bool ValidVariable(int var) const { return var >= 1 && var <= table_.VariableCount(); }
  void NoteWriteError(const std::string& text);

  const DataTable& table_;
  TerminalOptions options_;
  std::ostream& out_;
  std::istream& in_;
  ProgressDisplay display_;
  std::string dataFolder_;
  std::optional<OutputFolder> output_;
  std::atomic<bool> cancelled_{false};
  ProgressState mainBar_;  // d_pbar / dstart / termom / dstop
  bool mainBarShown_ = false;
  bool holding_ = false;
  std::vector<HeldMessage> held_;
  RowObserver rowObserver_;
  std::string writeError_;
};

}  // namespace linkan::app
