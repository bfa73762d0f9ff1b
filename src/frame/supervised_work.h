// supervised_work.h
//
// RunSupervised: runs a long, threaded piece of work (the pattern
// enumeration) on a helper thread while the analysis thread watches it.
// The analysis thread is the only one that may call the host, and the work's
// own threads may all be deep in a search for minutes; so the watching
// stays on the analysis thread: every kSupervisionTick it asks the host for
// Cancel, polls the run guard's memory limit (IsAnalysisCancelled) and calls
// `tick` (to show progress). A Cancel or the limit stops the guard, which
// the work polls; the call returns once the work has ended, and rethrows
// what the work threw.
//
// Thread safety: call on the analysis thread. `work` must poll the
// support's run guard (Stopped) often enough to end within a fraction of a
// second once it is stopped.
#pragma once

#include <chrono>
#include <functional>

namespace linkan {

class CAnalysisSupport;

inline constexpr std::chrono::milliseconds kSupervisionTick{20};

void RunSupervised(CAnalysisSupport& support, const std::function<void()>& work,
                   const std::function<void()>& tick);

}  // namespace linkan
