// fake_module.cpp
//
// A stand-in analysis module for the host's end-to-end tests: a shared
// library exporting the same C entry points as the real module. Step 100
// reads every case through the host and reports the cases used and the sum
// of their weights; step 101 shows a report document and asks a question.
#include <memory>
#include <sstream>

#include "linkanalysis/analysis_doc.h"
#include "linkanalysis/analysis_module.h"

namespace {

class FakeModule : public linkan::IAnalysisModule {
 public:
  void AttachDocument(linkan::CAnalysisDoc* doc) override { doc_ = doc; }
  void Initialize() override {}
  std::vector<linkan::SequenceStep> GetSequenceTable() const override {
    return {{100, 101}, {101, 0}};
  }
  int ExecuteStep(int id) override {
    if (id == 100) {
      long used = 0, skipped = 0;
      double sum = 0;
      std::vector<double> values;
      for (long c = 1;; ++c) {
        bool weighted = false;
        double weight = 0;
        const linkan::CaseReadResult r = doc_->ReadCase(c, values, weighted, weight);
        if (r == linkan::CaseReadResult::kStop) break;
        if (r == linkan::CaseReadResult::kSkip) {
          ++skipped;
          continue;
        }
        ++used;
        sum += weight;
      }
      std::ostringstream s;
      s << "fake: " << used << " cases used, " << skipped << " skipped, weight sum " << sum;
      doc_->ShowMessage(s.str());
      return 101;
    }
    if (id == 101) {
      doc_->ShowTextDocument(linkan::TextDocKind::kReport, "Fake report",
                             "first variable: " + doc_->GetVariableName(1) + "\n");
      const bool yes = doc_->AskYesNo("FAKE", "Continue?");
      doc_->ShowMessage(yes ? "fake: answered yes" : "fake: answered no");
      return 0;
    }
    return 0;
  }
  int GetAnalysisID() const override { return 1; }
  std::string GetAnalysisName() const override { return "Fake Analysis"; }
  int RunTask(const std::string&, std::string& error) override {
    error = "not supported";
    return 1;
  }
  int RunResultCommand(int, std::string& error) override {
    error = "not supported";
    return 1;
  }

 private:
  linkan::CAnalysisDoc* doc_ = nullptr;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) linkan::IAnalysisModule* Tov6NewAnalysis() {
  return std::make_unique<FakeModule>().release();
}
