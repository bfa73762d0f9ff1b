// module_entry.cpp
//
// The exported factory of the module's shared library. It is the module's
// outermost boundary: nothing may escape it as an exception.
#include <memory>
#include <new>

#include "frame/sequence.h"
#include "linkanalysis/analysis_module.h"

extern "C" __attribute__((visibility("default"))) linkan::IAnalysisModule* Tov6NewAnalysis() {
  try {
    return std::make_unique<linkan::CSequence>(nullptr).release();  // the host owns it
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
