// stored_task.cpp
#include "define/stored_task.h"

#include <filesystem>

#include "frame/host/module_error.h"
#include "projectdb/project_database.h"

namespace linkan {

std::optional<AnalysisSettings> StoredTaskSettings(const std::string& path,
                                                   const AnalysisSettings& current) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  ProjectDatabase db;
  db.SetPath(path);
  db.LockProject(projectdb::ProjectLock::Mode::kShared);
  if (db.OpenProjectDatabase() != 0) {
    throw ModuleError(ErrorKind::kIo, "the project \"" + path + "\" cannot be read: " +
                                            db.LastError());
  }
  ProjectRecord record;
  const bool stored = db.LoadProjectRecord(record);
  db.CloseProjectDatabase();
  if (!stored) {
    throw ModuleError(ErrorKind::kIo,
                      "the project \"" + path + "\" holds no stored run to update");
  }
  AnalysisSettings settings = record.settings;
  settings.projectMode = current.projectMode;
  settings.existingProjectAction = current.existingProjectAction;
  return settings;
}

}  // namespace linkan
