// run_phases.h
//
// The phases a run performs once its transaction database is complete, and
// the reopening of a stored project into its results without mining.
#pragma once

namespace linkan {

class SalEngine;

// Enumerates the frequent patterns, generates the rules, rebuilds the item
// frequency map, clusters the items and stores the project record and the
// patterns. REQUIRES: the engine's project database is open and holds the
// transactions; settings.size and the transaction ID list are set.
void RunPhases(SalEngine& engine);

// Reads the stored patterns (and leaves) back from the open project, then
// generates the rules, rebuilds the item frequency map and the clusters.
// Stored patterns that do not fit the restored item dictionary (or each
// other) throw the damage report (projectdb/project_damage.h) before any
// result is rebuilt. REQUIRES: the project record was loaded into the
// engine.
void RebuildFromProject(SalEngine& engine);

}  // namespace linkan
