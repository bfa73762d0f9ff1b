// progress_scope.h
//
// ProgressScope: the host's progress bar for the length of a scope. Starts
// the bar on construction and stops it on every way out, so that a phase
// ended by an error or a cancellation never leaves the bar running.
//
// Thread safety: the analysis thread.
#pragma once

#include <string>

#include "frame/progress.h"

namespace linkan {

class ProgressScope {
 public:
  ProgressScope(CAnalysisSupport& support, long total, const std::string& text)
      : support_(support) {
    StartProgress(support_, total, text);
  }
  ~ProgressScope() { StopProgress(support_); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  CAnalysisSupport& support_;
};

}  // namespace linkan
