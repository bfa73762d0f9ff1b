// run_analysis.h
//
// RunAnalysis: the one entry into the mining engine, called when the task
// definition's settings have passed validation. It takes the path chosen by
// the project settings (`projectMode`, `existingProjectAction`):
//
// - create a new project: an existing file is replaced only after asking
//   (10129), and only when it is a sound project that may be written (a
//   write-protected file shows 10130, anything else 10200, each with the
//   reason, and is left untouched); compute the continuous statistics,
//   build the transaction database; no transaction shows 10186; a minimum
//   support not above 1 / size asks 10187 (with the value in its text);
//   then the mining phases.
// - use an existing project, update new transactions: compute the
//   statistics and build on from the project's stored transaction ID list
//   and item dictionary (under their stored numbers), so that the mining
//   counts every stored sequence, old and new; then the phases.
// - use an existing project, go to the results: open the project (read-only
//   when it is write-protected), restore the engine from its project record
//   and rebuild the results from the stored patterns, without reading the
//   input table.
// - recommendation via PMML: handed to the PMML reader (`loadPmmlModel`),
//   which replaces the results with the model of the settings' PMML file;
//   the project file is not involved at all.
//
// Every other path starts by checking the project file's folder (10128) and
// taking the project's lock: exclusive for the runs that change the
// project, shared for going to the results; a project in use by another run
// is refused with a message. Questions are answered Yes under automation.
//
// The project is never lost: a run that changes it writes a working copy
// beside it (ProjectDatabase::OpenWorkingCopy), which takes the project's
// place in one rename only when the run has stored everything and found at
// least one frequent pattern (else 10171). A run that ends any other way
// (refused, failed, cancelled, killed) leaves the project exactly as it
// was.
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
  // Loads the model for recommendation: 0, or 1 after its messages. The
  // engine cannot read PMML itself (a layer above it does); without this
  // the recommendation path fails.
  std::function<int(SalEngine&)> loadPmmlModel;
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
