// progress.h
//
// The host's single progress bar, driven through the analysis object, and
// the cancellation query every long phase polls once per step.
//
// Thread safety: call from the analysis thread. ProgressRunning() may be read
// from any thread.
#pragma once

#include <string>

namespace linkan {

class CAnalysisSupport;

// Starts the host bar over `total` steps with `text`; stops a bar the module
// started before and has not stopped yet.
void StartProgress(CAnalysisSupport& support, long total, const std::string& text);

// Stops the host bar.
void StopProgress(CAnalysisSupport& support);

// True while the module's host bar runs.
bool ProgressRunning();

// True when the user pressed Cancel (pcancel), the host asked every phase to
// stop (IsExternallyCancelled) or the iteration display was cancelled, asked
// in that order, or when the run's guard stopped the run (the memory limit,
// polled here too). A Cancel seen here stops the guard as well, so that
// worker threads see it.
bool IsAnalysisCancelled(const CAnalysisSupport& support);

}  // namespace linkan
