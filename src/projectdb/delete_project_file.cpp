// delete_project_file.cpp
//
// DeleteProjectFile: asks before removing an existing project file and
// removes its SQLite side files with it; a log or journal left beside a new
// file of the same name would otherwise be applied to that file.
#include <filesystem>
#include <system_error>

#include "frame/host/analysis_support.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

// Removes `path` when present; false when it exists and cannot be removed.
bool RemoveSideFile(const std::filesystem::path& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (ec || !std::filesystem::exists(status)) return true;
  if (std::filesystem::is_directory(status)) return false;
  return std::filesystem::remove(path, ec) && !ec;
}

}  // namespace

int ProjectDatabase::DeleteProjectFile(CAnalysisSupport& support, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto status = fs::symlink_status(path, ec);
  if (ec || !fs::exists(status)) return 0;
  if (!support.AskYesNo(support.GetResourceString(msg::kDatabaseExists))) return 1;

  bool removed = !fs::is_directory(status) && fs::remove(path, ec) && !ec;
  if (removed) {
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
      removed = RemoveSideFile(path + suffix) && removed;
    }
  }
  if (!removed) {
    support.dsplst(0, support.GetResourceString(msg::kDatabaseInaccessible));
    return 1;
  }
  return 0;
}

}  // namespace linkan
