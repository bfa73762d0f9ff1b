// analysis_support.h
//
// CAnalysisSupport: base of the analysis object. It carries the host
// services under the names the module calls them by and forwards each to
// the host document (CAnalysisDoc). It also keeps the step table that the
// host walks.
//
// Thread safety: use from the analysis thread, except AllocMem/FreeMem and
// the debug channel, which the host makes thread-safe.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

#include "frame/host/run_guard.h"
#include "linkanalysis/analysis_doc.h"
#include "linkanalysis/analysis_module.h"

namespace linkan {

// The caption of the module's message boxes: the host product's name.
inline constexpr const char* kHostProductName = "QUILLON";

class CAnalysisSupport : public IAnalysisModule {
 public:
  // One step of the table: id, operation, id of the step that follows.
  struct Step {
    int id;
    std::function<int()> operation;
    int next;
  };

  explicit CAnalysisSupport(CAnalysisDoc* doc = nullptr) : doc_(doc) {}
  ~CAnalysisSupport() override = default;
  CAnalysisSupport(const CAnalysisSupport&) = delete;
  CAnalysisSupport& operator=(const CAnalysisSupport&) = delete;

  // ---- IAnalysisModule ----------------------------------------------------
  void AttachDocument(CAnalysisDoc* doc) override { doc_ = doc; }
  std::vector<SequenceStep> GetSequenceTable() const override;
  // Runs the step's operation. The step that follows is the one named by
  // ForwardSequence during the operation, else the table's next step.
  int ExecuteStep(int id) override;

  // ---- Steps --------------------------------------------------------------
  void SetSequenceTable(std::vector<Step> steps) { steps_ = std::move(steps); }
  // Moves the host to `step` once the running step returns.
  bool ForwardSequence(int step, int arg);
  void InitCommons() {}

  // ---- The input table ----------------------------------------------------
  // REQUIRES (all below): a document is attached.
  CAnalysisDoc& doc() const;
  bool HasDocument() const { return doc_ != nullptr; }
  int GetNbVars() const;
  long GetNbCases() const;
  // Reads case `caseNo` into `values` (indexed by variable number).
  // Returns 0 use, 1 skip, 2 stop.
  int cstrtw(long caseNo, std::vector<double>& values, bool& weighted, double& weight);
  // The missing-data code of `var` into `md`.
  void getmd5(int var, double& md) const;
  // The name of `var` into `name`.
  void getvn5(int var, std::string& name) const;

  // ---- Memory -------------------------------------------------------------
  // 0 on success with `*p` set; nonzero (and `*p` null) when out of memory.
  int AllocMem(void** p, std::size_t bytes);
  void FreeMem(void* p);

  // ---- Progress and cancellation -------------------------------------------
  // The run's stop switch and memory limit (run_guard.h); thread-safe, so
  // reachable through a const reference too.
  RunGuard& runGuard() const { return guard_; }
  void d_pbar(const std::string& text);
  void dstart(long total);
  void termom(long step);
  void dstop();
  int pcancel() const;
  bool IterationDisplayCancelled() const;

  // ---- Messages -------------------------------------------------------------
  virtual std::string GetResourceString(int id) const;
  virtual void dsplst(int flags, const std::string& text);
  // A warning through the same channel as dsplst, shown as "warning: " +
  // `text`. It is not a reason for a failure, so it leaves LastMessage and
  // MessageCount as they were (a failed run never reports a warning as its
  // cause).
  void ShowWarning(const std::string& text);
  // A message box; under automation it is not shown, only remembered.
  void DspMessageBox(int flags, const void* window, const std::string& text);
  // A Yes/No question captioned with the product name. Under automation the
  // host still sees it (to report it) and the answer is Yes.
  bool AskYesNo(const std::string& text);
  bool IsOleAutomation() const;
  // Formats like printf and throws ModuleError; never returns.
  [[noreturn]] void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The last message box text shown or suppressed (automation reports it).
  const std::string& LastMessage() const { return lastMessage_; }
  // How many messages were shown or suppressed so far.
  unsigned long MessageCount() const { return messageCount_; }

  // ---- Texts ----------------------------------------------------------------
  static std::string StripFormatting(const std::string& text);
  static std::string Get8CharHash(const std::string& text);
  std::string Replace8CharGrow(const std::string& name) const;

 private:
  CAnalysisDoc* doc_;
  mutable RunGuard guard_;
  std::vector<Step> steps_;
  int forwardedStep_ = -1;
  std::string lastMessage_;
  unsigned long messageCount_ = 0;
};

// printf into a std::string.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatStringV(const char* format, va_list args);

}  // namespace linkan
