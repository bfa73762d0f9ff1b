// stored_task.h
//
// The task an existing project was last run with, as the starting point of
// a task that updates it: the variables, codes, thresholds and time
// options stored in the project apply unless the task names them again.
//
// Thread safety: none; the analysis thread.
#pragma once

#include <optional>
#include <string>

#include "frame/analysis_settings.h"

namespace linkan {

// The settings stored in the project at `path`, with `current`'s project
// choice; nothing when `path` names no file (the run then reports that
// itself). Reads under a shared lock, so a project that another run is
// changing is refused. Throws ModuleError (kIo) with the reason when the
// file cannot be read as a project, or holds no stored run.
std::optional<AnalysisSettings> StoredTaskSettings(const std::string& path,
                                                   const AnalysisSettings& current);

}  // namespace linkan
