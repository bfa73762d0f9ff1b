// sequence_modeless_dialog.h
//
// CSequenceModelessDialog: the common base of the task definition and the
// results dialogs. It keeps the analysis object and its current engine,
// reads texts from the module's string table and pages the host's codes
// dialog for the multiple-dichotomy codes.
//
// Thread safety: host thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/host/modeless_dialog.h"

namespace linkan {

class CSequence;
class SalEngine;

inline constexpr int kCodesPageVariables = 8;
inline constexpr int kCodesContinuationFlag = 0x100;

class CSequenceModelessDialog : public CAnalysisModelessDialog {
 public:
  CSequenceModelessDialog(CSequence& sequence, int dialogId,
                          CAnalysisModelessDialog* parent = nullptr);

  CSequence& sequence() const { return *sequence_; }
  SalEngine* engine() const { return engine_; }
  // Points the dialog at the analysis object's current engine again.
  void RefreshEngine();

  std::string GetResourceString(int id) const;
  // The automation name: "Sequential association result dialog".
  std::string AutomationName() const;

  // Runs the host's codes dialog over `variables`, at most 8 a page (pages
  // after the first flagged as continuations). `counts` and `codes` hold,
  // per variable i, counts[i] codes with code j at j * variables.size() + i;
  // they are rewritten only when every page was confirmed. Returns 0 when a
  // page was cancelled, 1 otherwise.
  int SelectCodes(const std::vector<std::int16_t>& variables, std::vector<std::int16_t>& counts,
                  std::vector<std::int32_t>& codes, const std::string& title, int flags);

 private:
  CSequence* sequence_;
  SalEngine* engine_;
};

}  // namespace linkan
