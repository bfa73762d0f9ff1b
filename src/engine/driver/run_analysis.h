// run_analysis.h
//
// RunAnalysis: the one entry into the mining engine, called when the task
// definition's settings have passed validation. It takes the path chosen by
// the project settings (`projectMode`, `existingProjectAction`):
//
// - create a new project: close the project, delete an existing file after
//   asking (10129, 10130), compute the continuous statistics, open (create)
//   and empty the project, build the transaction database; no transaction
//   shows 10186; a minimum support not above 1 / size asks 10187 (with the
//   value in its text); then the mining phases.
// - use an existing project, update new transactions: compute the
//   statistics, open the project and build on from its stored transaction
//   ID list and item dictionary (under their stored numbers), so that the
//   mining counts every stored sequence, old and new; then the phases.
// - use an existing project, go to the results: open the project, restore
//   the engine from its project record and rebuild the results from the
//   stored patterns, without reading the input table.
// - recommendation via PMML: handed to the PMML reader.
//
// Every path starts by checking the project file's folder (10128); a project
// that cannot be opened shows 10200. Questions are answered Yes under
// automation.
//
// The project stays consistent whatever happens after construction began:
// as soon as the transactions are built (or when the construction ends
// early) the project record is stored with the transaction ID list and the
// item dictionary that match the stored records, and the stored patterns of
// an earlier run, whose item numbers no longer apply, are removed. A run
// abandoned afterwards (10187 refused, mining cancelled) therefore leaves a
// project that a later update reads correctly.
//
// Errors that end a run inside a phase (cancellation, a failing read, the
// project database) propagate as ModuleError to the caller's run boundary.
//
// Thread safety: the analysis thread.
#pragma once

#include <functional>

#include "engine/construction/build_transaction_database.h"

namespace linkan {

class SalEngine;

// What the driver hands over to: mining a built transaction database,
// rebuilding the results of a stored project, and the construction's
// options. Tests replace the phases with their own and lower the
// construction's hand-over threshold.
struct RunOptions {
  std::function<void(SalEngine&)> runPhases;
  std::function<void(SalEngine&)> rebuildFromProject;
  ConstructionOptions construction;
};

// RunPhases and RebuildFromProject (run_phases.h), default construction.
RunOptions DefaultRunOptions();

// Runs the analysis of `engine` (REQUIRES: engine.projectDb() is set).
// Returns 0 when the run, or the loading of a stored project, finished and
// the results may be shown; 1 when the run was abandoned, every message
// having been shown. `ownerWindow` owns the questions asked.
int RunAnalysis(SalEngine& engine, const void* ownerWindow = nullptr);

// The same with the phases and options given.
int RunAnalysis(SalEngine& engine, const void* ownerWindow, const RunOptions& options);

}  // namespace linkan
