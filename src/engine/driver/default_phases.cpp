// default_phases.cpp
//
// The driver with the engine's own phases. Kept apart from the driver so
// that a program using only the driver with phases of its own does not
// need the mining.
#include "engine/driver/run_analysis.h"
#include "engine/run_phases.h"

namespace linkan {

RunOptions DefaultRunOptions() { return {RunPhases, RebuildFromProject, {}, {}}; }

int RunAnalysis(SalEngine& engine, const void* ownerWindow) {
  return RunAnalysis(engine, ownerWindow, DefaultRunOptions());
}

}  // namespace linkan
