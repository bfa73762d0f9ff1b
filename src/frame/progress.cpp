// progress.cpp
#include "frame/progress.h"

#include <atomic>

#include "frame/host/analysis_support.h"
#include "frame/host/host_utility.h"

namespace linkan {
namespace {
// The host has one progress display per process, so its "running" state is
// process-wide as well.
std::atomic<bool> g_progressRunning{false};
}  // namespace

void StartProgress(CAnalysisSupport& support, long total, const std::string& text) {
  if (g_progressRunning.load()) StopProgress(support);
  support.d_pbar(text);
  support.dstart(total);
  g_progressRunning.store(true);
}

void StopProgress(CAnalysisSupport& support) {
  support.dstop();
  g_progressRunning.store(false);
}

bool ProgressRunning() { return g_progressRunning.load(); }

bool IsAnalysisCancelled(const CAnalysisSupport& support) {
  RunGuard& guard = support.runGuard();
  if (support.pcancel() != 0 || IsExternallyCancelled() || support.IterationDisplayCancelled()) {
    guard.RequestStop(RunGuard::Stop::kCancelled);
    return true;
  }
  return guard.Poll();
}

}  // namespace linkan
