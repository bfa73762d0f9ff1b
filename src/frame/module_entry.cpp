// module_entry.cpp
//
// The exported factory of the module's shared library. It is the module's
// outermost boundary: nothing may escape it as an exception.
#include <memory>
#include <new>

#include "frame/host/host_utility.h"
#include "frame/sequence.h"
#include "linkanalysis/analysis_module.h"

extern "C" __attribute__((visibility("default"))) linkan::IAnalysisModule* Tov6NewAnalysis() {
  try {
    return std::make_unique<linkan::CSequence>(nullptr).release();  // the host owns it
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// The host's Ctrl-C reaches the module's external cancellation switch here:
// the switch lives inside this library, which exports nothing else.
// Async-signal-safe (a lock-free store).
extern "C" __attribute__((visibility("default"))) void LinkanSetExternallyCancelled(int cancelled) {
  linkan::SetExternallyCancelled(cancelled != 0);
}
