// test_host.h
//
// TestHost: a scripted host document for the tests. It holds a table of
// doubles with missing-data codes, cell texts and value labels, optional
// weights, records every message, question, progress call and document, and
// answers Yes/No questions from a script. A cancel switch makes pcancel
// report Cancel after a given number of progress steps.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "frame/host/analysis_support.h"
#include "linkanalysis/analysis_doc.h"
#include "linkanalysis/results_table.h"

namespace linkan::testing {

struct TestColumn {
  std::string name;
  std::vector<double> values;             // one per case
  std::vector<std::string> texts;         // cell texts; empty: derived from values
  double missingCode = -9999.0;
};

// ---- Data documents (taxonomy files) ------------------------------------
// A cell of a data document: a text label or a number.
using TestCell = std::variant<std::string, double>;

// A data table the host opens by path (OpenDataDocument).
struct TestDataFile {
  std::vector<std::string> names;          // the variables
  std::vector<std::vector<TestCell>> rows;  // one per case, one cell per variable
};

class TestHost : public CAnalysisDoc {
 public:
  TestHost() = default;

  // ---- Building the table ----
  // A numeric column; cell texts print the numbers shortest.
  int AddNumeric(const std::string& name, std::vector<double> values);
  // A text column; texts are value labels coded 1, 2, ... by first
  // appearance; an empty text is missing.
  int AddText(const std::string& name, const std::vector<std::string>& texts);
  // A column as given (values and cell texts set independently).
  int AddColumn(TestColumn column);
  void SetWeights(std::vector<double> weights) { weights_ = std::move(weights); }
  void SkipCase(long caseNo) { skipped_.insert(caseNo); }
  void StopAtCase(long caseNo) { stopAt_ = caseNo; }

  // ---- Scripted behaviour ----
  void SetAutomation(bool on) { automation_ = on; }
  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  void CancelAfterSteps(long steps) { cancelAfter_ = steps; }
  void SetCancelled(bool on) { cancelled_ = on; }
  void SetProfileInt(int entry, int value) { profile_[entry] = value; }
  void SetDataFolder(std::string folder) { dataFolder_ = std::move(folder); }
  void FailAllocations(bool on) { failAlloc_ = on; }
  void SetMemoryLimit(std::uint64_t bytes) { memoryLimit_ = bytes; }
  void SetDialogCreation(bool ok) { createDialogs_ = ok; }
  void SetWebEdition(bool on) { webEdition_ = on; }
  void SetCancelMultipleDocs(bool on) { cancelMultipleDocs_ = on; }
  // Declares the cell texts to follow the values (CellTextDependsOnValueOnly),
  // true for columns made by AddNumeric and AddText.
  void SetTextsFollowValues(bool on) { textsFollowValues_ = on; }
  void QueueCodesAnswer(std::optional<std::vector<std::vector<double>>> codes) {
    codesAnswers_.push_back(std::move(codes));
  }

  // ---- What happened ----
  std::vector<std::string> messages;       // dsplst
  std::vector<std::string> messageBoxes;   // "caption|text"
  std::vector<std::string> questions;      // "caption|text"
  std::vector<std::string> answeredQuestions;  // under automation, answered Yes unasked
  std::vector<std::string> progressLog;    // "title:..", "start:N", "stop"
  std::vector<std::string> logEntries;
  std::vector<std::string> debugLines;
  std::vector<std::string> documents;      // "report|title|text" / "macro|..."
  std::vector<CodesPage> codesPages;
  std::vector<ResultsTable> spreadsheets;
  // The save-as dialog answers saveFileAnswer ("" cancels) and records each
  // request as "title|default name|extension".
  std::string saveFileAnswer;
  std::vector<std::string> saveFileRequests;
  std::vector<GraphDocument> graphs;          // ShowGraph, in order
  std::vector<DiscreteContourChart> charts;    // ShowDiscreteContourGraph, in order
  std::vector<int> createdDialogs;
  long lastStep = 0;
  std::vector<std::string> tempNameRequests;

  // ---- CAnalysisDoc ----
  int GetNbVars() const override { return static_cast<int>(columns_.size()); }
  long GetNbCases() const override;
  CaseReadResult ReadCase(long caseNo, std::vector<double>& values, bool& weighted,
                          double& weight) override;
  double GetMissingCode(int var) const override;
  std::string GetVariableName(int var) const override;
  std::string GetCellText(long row, int col) const override;
  std::vector<std::string> GetValueLabels(int var) const override;
  bool CellTextDependsOnValueOnly(int /*var*/) const override { return textsFollowValues_; }
  void* AllocMem(std::size_t bytes) override;
  void FreeMem(void* p) override;
  std::uint64_t MemoryLimit() const override { return memoryLimit_; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowMessageBox(const std::string& caption, const std::string& text) override {
    messageBoxes.push_back(caption + "|" + text);
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  bool IsOleAutomation() const override { return automation_; }
  void LogEntry(int level, const std::string& text) override;
  void DebugOutput(const std::string& text) override;
  void ProgressTitle(const std::string& text) override { progressLog.push_back("title:" + text); }
  void ProgressStart(long total) override;
  void ProgressStep(long step) override { lastStep = step; ++stepsTaken_; }
  void ProgressStop() override { progressLog.push_back("stop"); }
  bool UserCancelled() const override;
  std::unique_ptr<HostProgressBar> NewProgressBar(unsigned long min, unsigned long max,
                                                  const std::string& title, bool watch,
                                                  bool raise) override;
  std::string GetDefaultDatafilesPath() const override { return dataFolder_; }
  int GetProfileInt(int entry, int defaultValue) const override;
  std::string GetTempFileName(const std::string& prefix, const std::string& extension) override;
  bool IsCancelMultipleDocs() const override { return cancelMultipleDocs_; }
  bool IsWebServerEdition() const override { return webEdition_; }
  std::string AskSaveFileName(const std::string& title, const std::string& defaultName,
                              const std::string& extension) override {
    saveFileRequests.push_back(title + "|" + defaultName + "|" + extension);
    return saveFileAnswer;
  }
  bool ShowTextDocument(TextDocKind kind, const std::string& title,
                        const std::string& text) override;
  bool ShowSpreadsheet(const ResultsTable& table) override {
    spreadsheets.push_back(table);
    return true;
  }
  bool ShowGraph(const GraphDocument& graph) override {
    graphs.push_back(graph);
    return true;
  }
  bool ShowDiscreteContourGraph(const DiscreteContourChart& chart) override {
    charts.push_back(chart);
    return true;
  }
  bool CreateAnalysisDialog(CAnalysisModelessDialog& dialog) override;
  bool ShowCodesDialog(CodesPage& page) override;

  // ---- The task dialog's host dialogs ----
  // Each variable dialog takes the next queued answer (nullopt cancels; an
  // empty queue cancels) and is recorded in variableDialogs.
  void QueueVariablesAnswer(std::optional<std::vector<std::vector<int>>> lists) {
    variablesAnswers_.push_back(std::move(lists));
  }
  std::vector<VariablesDialog> variableDialogs;
  bool ChooseVariables(VariablesDialog& dialog) override {
    variableDialogs.push_back(dialog);
    if (variablesAnswers_.empty()) return false;
    auto answer = std::move(variablesAnswers_.front());
    variablesAnswers_.pop_front();
    if (!answer) return false;
    dialog.lists = *answer;
    return true;
  }

  // ---- Data documents and their dialogs ----
  // OpenDataDocument finds `path` among the files added here; any other
  // path fails with "cannot open PATH: no such file". Every opening is
  // recorded in openedDocuments; openDocuments counts the handles not yet
  // released.
  void AddDataFile(const std::string& path, TestDataFile file) {
    dataFiles_[path] = std::move(file);
  }
  std::vector<std::string> openedDocuments;
  std::shared_ptr<int> openDocuments = std::make_shared<int>(0);
  // The role dialog answers roleAnswer (nullopt: the user leaves it) and
  // records each request.
  std::optional<std::vector<int>> roleAnswer;
  std::vector<OutputFieldDialog> roleDialogs;
  // The open-file dialog answers openFileAnswer ("" cancels) and records
  // each request as "title|filter|extension|initial path".
  std::string openFileAnswer;
  std::vector<std::string> openFileRequests;
  std::unique_ptr<HostDataDocument> OpenDataDocument(const std::string& path,
                                                     std::string& error) override;
  int ChooseOutputFieldDialog(OutputFieldDialog& dialog) override;
  std::string AskOpenFileName(const std::string& title, const std::string& filter,
                              const std::string& extension,
                              const std::string& initialPath) override {
    openFileRequests.push_back(title + "|" + filter + "|" + extension + "|" + initialPath);
    return openFileAnswer;
  }

 private:
  std::map<std::string, TestDataFile> dataFiles_;
  std::vector<TestColumn> columns_;
  std::vector<double> weights_;
  std::set<long> skipped_;
  std::optional<long> stopAt_;
  bool automation_ = false;
  std::deque<bool> answers_;
  std::optional<long> cancelAfter_;
  bool cancelled_ = false;
  long stepsTaken_ = 0;
  std::map<int, int> profile_;
  std::string dataFolder_ = "/tmp";
  bool failAlloc_ = false;
  std::uint64_t memoryLimit_ = 0;
  bool createDialogs_ = true;
  bool webEdition_ = false;
  bool cancelMultipleDocs_ = false;
  bool textsFollowValues_ = false;
  std::deque<std::optional<std::vector<std::vector<double>>>> codesAnswers_;
  std::deque<std::optional<std::vector<std::vector<int>>>> variablesAnswers_;
  int tempCounter_ = 0;
};

// A bare analysis object over a test host, for tests of the host services.
class TestAnalysis : public CAnalysisSupport {
 public:
  explicit TestAnalysis(CAnalysisDoc* doc) : CAnalysisSupport(doc) {}
  void Initialize() override {}
  int GetAnalysisID() const override { return 0; }
  std::string GetAnalysisName() const override { return "test"; }
  // A bare analysis object runs no scripts.
  int RunTask(const std::string&, std::string& error) override {
    error = "not supported";
    return 1;
  }
  int RunResultCommand(int, std::string& error) override {
    error = "not supported";
    return 1;
  }
};

// Shortest round-trip text of a number ("3", "2.5", "1e+16").
std::string NumberText(double value);

}  // namespace linkan::testing
