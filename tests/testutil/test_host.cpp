// test_host.cpp
#include "testutil/test_host.h"

#include "frame/host/modeless_dialog.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace linkan::testing {
namespace {

class TestProgressBar : public HostProgressBar {
 public:
  explicit TestProgressBar(TestHost& host) : host_(host) {}
  void SetPosition(unsigned long position) override {
    host_.progressLog.push_back("bar:" + std::to_string(position));
  }
  void SetText(const std::string& text) override { host_.progressLog.push_back("bartext:" + text); }
  bool WasCancelled() const override { return host_.UserCancelled(); }

 private:
  TestHost& host_;
};

// A TestDataFile opened by the host; counts itself in the host's open
// documents while it lives.
class TestDataDocument : public HostDataDocument {
 public:
  TestDataDocument(const TestDataFile& file, std::shared_ptr<int> open)
      : file_(file), open_(std::move(open)) {
    ++*open_;
  }
  ~TestDataDocument() override { --*open_; }
  int VariableCount() const override { return static_cast<int>(file_.names.size()); }
  std::string VariableName(int var) const override { return file_.names.at(var - 1); }
  long CaseCount() const override { return static_cast<long>(file_.rows.size()); }
  bool CellLabel(long caseNo, int var, std::string& text) const override {
    const TestCell& cell = Cell(caseNo, var);
    if (!std::holds_alternative<std::string>(cell)) return false;
    text = std::get<std::string>(cell);
    return true;
  }
  double CellNumber(long caseNo, int var) const override {
    const TestCell& cell = Cell(caseNo, var);
    return std::holds_alternative<double>(cell) ? std::get<double>(cell) : 0.0;
  }

 private:
  const TestCell& Cell(long caseNo, int var) const {
    return file_.rows.at(static_cast<std::size_t>(caseNo - 1)).at(static_cast<std::size_t>(var - 1));
  }
  const TestDataFile file_;
  std::shared_ptr<int> open_;
};

}  // namespace

std::unique_ptr<HostDataDocument> TestHost::OpenDataDocument(const std::string& path,
                                                             std::string& error) {
  openedDocuments.push_back(path);
  const auto it = dataFiles_.find(path);
  if (it == dataFiles_.end()) {
    error = "cannot open " + path + ": no such file";
    return nullptr;
  }
  return std::make_unique<TestDataDocument>(it->second, openDocuments);
}

int TestHost::ChooseOutputFieldDialog(OutputFieldDialog& dialog) {
  roleDialogs.push_back(dialog);
  if (!roleAnswer) return 1;
  dialog.assignment = *roleAnswer;
  return 0;
}

std::string NumberText(double value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

int TestHost::AddNumeric(const std::string& name, std::vector<double> values) {
  TestColumn c;
  c.name = name;
  c.values = std::move(values);
  columns_.push_back(std::move(c));
  return static_cast<int>(columns_.size());
}

int TestHost::AddText(const std::string& name, const std::vector<std::string>& texts) {
  TestColumn c;
  c.name = name;
  std::vector<std::string> labels;
  for (const std::string& t : texts) {
    if (t.empty()) {
      c.values.push_back(c.missingCode);
      c.texts.push_back("");
      continue;
    }
    std::size_t k = 0;
    while (k < labels.size() && labels[k] != t) ++k;
    if (k == labels.size()) labels.push_back(t);
    c.values.push_back(static_cast<double>(k + 1));
    c.texts.push_back(t);
  }
  columns_.push_back(std::move(c));
  return static_cast<int>(columns_.size());
}

int TestHost::AddColumn(TestColumn column) {
  columns_.push_back(std::move(column));
  return static_cast<int>(columns_.size());
}

long TestHost::GetNbCases() const {
  std::size_t n = 0;
  for (const TestColumn& c : columns_) n = std::max(n, c.values.size());
  return static_cast<long>(n);
}

CaseReadResult TestHost::ReadCase(long caseNo, std::vector<double>& values, bool& weighted,
                                  double& weight) {
  if (stopAt_ && caseNo >= *stopAt_) return CaseReadResult::kStop;
  if (skipped_.count(caseNo)) return CaseReadResult::kSkip;
  values.assign(columns_.size() + 1, 0.0);
  for (std::size_t v = 0; v < columns_.size(); ++v) {
    const TestColumn& c = columns_[v];
    const auto row = static_cast<std::size_t>(caseNo - 1);
    values[v + 1] = row < c.values.size() ? c.values[row] : c.missingCode;
  }
  weighted = !weights_.empty();
  weight = weighted ? weights_.at(static_cast<std::size_t>(caseNo - 1)) : 1.0;
  return CaseReadResult::kUse;
}

double TestHost::GetMissingCode(int var) const {
  return columns_.at(static_cast<std::size_t>(var - 1)).missingCode;
}

std::string TestHost::GetVariableName(int var) const {
  return columns_.at(static_cast<std::size_t>(var - 1)).name;
}

std::string TestHost::GetCellText(long row, int col) const {
  const TestColumn& c = columns_.at(static_cast<std::size_t>(col - 1));
  const auto r = static_cast<std::size_t>(row - 1);
  if (r >= c.values.size()) return "";
  if (!c.texts.empty()) return c.texts[r];
  if (c.values[r] == c.missingCode) return "";
  return NumberText(c.values[r]);
}

std::vector<std::string> TestHost::GetValueLabels(int var) const {
  const TestColumn& c = columns_.at(static_cast<std::size_t>(var - 1));
  std::vector<std::string> labels;
  for (const std::string& t : c.texts) {
    if (t.empty()) continue;
    bool seen = false;
    for (const std::string& l : labels) seen = seen || l == t;
    if (!seen) labels.push_back(t);
  }
  return labels;
}

void* TestHost::AllocMem(std::size_t bytes) {
  if (failAlloc_) return nullptr;
  return std::malloc(bytes ? bytes : 1);
}

void TestHost::FreeMem(void* p) { std::free(p); }

bool TestHost::AskYesNo(const std::string& caption, const std::string& text) {
  if (automation_) {  // answered Yes without asking
    answeredQuestions.push_back(caption + "|" + text);
    return true;
  }
  questions.push_back(caption + "|" + text);
  if (answers_.empty()) throw std::logic_error("unexpected question: " + text);
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

void TestHost::LogEntry(int level, const std::string& text) {
  logEntries.push_back(std::to_string(level) + ":" + text);
}

void TestHost::DebugOutput(const std::string& text) { debugLines.push_back(text); }

void TestHost::ProgressStart(long total) {
  progressLog.push_back("start:" + std::to_string(total));
}

bool TestHost::UserCancelled() const {
  if (cancelled_) return true;
  return cancelAfter_ && stepsTaken_ >= *cancelAfter_;
}

std::unique_ptr<HostProgressBar> TestHost::NewProgressBar(unsigned long min, unsigned long max,
                                                          const std::string& title, bool watch,
                                                          bool raise) {
  progressLog.push_back("newbar:" + title + ":" + std::to_string(min) + "-" +
                        std::to_string(max) + ":" + (watch ? "w" : "-") + (raise ? "r" : "-"));
  return std::make_unique<TestProgressBar>(*this);
}

int TestHost::GetProfileInt(int entry, int defaultValue) const {
  auto it = profile_.find(entry);
  return it == profile_.end() ? defaultValue : it->second;
}

std::string TestHost::GetTempFileName(const std::string& prefix, const std::string& extension) {
  tempNameRequests.push_back(prefix + "|" + extension);
  return dataFolder_ + "/" + prefix + std::to_string(++tempCounter_) + "." + extension;
}

bool TestHost::ShowTextDocument(TextDocKind kind, const std::string& title,
                                const std::string& text) {
  documents.push_back(std::string(kind == TextDocKind::kMacro ? "macro" : "report") + "|" +
                      title + "|" + text);
  return true;
}

bool TestHost::CreateAnalysisDialog(CAnalysisModelessDialog& dialog) {
  if (!createDialogs_) return false;
  createdDialogs.push_back(dialog.dialogId());
  return true;
}

bool TestHost::ShowCodesDialog(CodesPage& page) {
  codesPages.push_back(page);
  if (codesAnswers_.empty()) return true;  // confirm as shown
  auto answer = std::move(codesAnswers_.front());
  codesAnswers_.pop_front();
  if (!answer) return false;
  page.codes = *answer;
  return true;
}

}  // namespace linkan::testing
