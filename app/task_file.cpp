// task_file.cpp
#include "task_file.h"

#include <filesystem>

#include "data_error.h"
#include "file_io.h"
#include "linkanalysis/selected_items.h"
#include "linkanalysis/task_text.h"
#include "text_encoding.h"

namespace linkan::app {
namespace {

std::string Trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A relative path of an input file that accompanies the task (the taxonomy
// data file) is taken from the task file's folder, so that a task and its
// files can be moved together. Blanks around the name are dropped, as the
// module drops them.
void ResolveAccompanyingFiles(TaskFile& task) {
  const auto it = task.json.find("DataFileNameForTaxonomy");
  if (it == task.json.end() || !it->is_string()) return;
  const std::string name = Trim(it->get<std::string>());
  if (name.empty() || std::filesystem::path(name).is_absolute()) return;
  const std::filesystem::path folder = std::filesystem::path(task.path).parent_path();
  *it = (folder / name).lexically_normal().string();
}

}  // namespace

std::optional<std::vector<std::string>> TaskFile::SelectedItems() const {
  const auto it = json.find("SelectedItems");
  if (it == json.end() || !it->is_string()) return std::nullopt;
  // A text with an empty name fails the run in the module; until then it
  // selects nothing here.
  return SplitSelectedItems(it->get<std::string>()).value_or(std::vector<std::string>{});
}

TaskFile ParseTaskFile(const std::string& text, const std::string& source) {
  TaskFile task{.path = source, .json = {}};
  const std::string_view body = CheckUtf8Text(text, source);
  if (const std::optional<TaskTextProblem> problem = FindTaskTextProblem(body)) {
    throw DataError(source, problem->line, problem->column, problem->message);
  }
  try {
    task.json = nlohmann::json::parse(body);
  } catch (const nlohmann::json::exception& e) {
    throw DataError(source, 0, 0, "not valid JSON: " + TaskTextExceptionMessage(e));
  }
  if (!task.json.is_object()) {
    throw DataError(source, 0, 0,
                    "the task must be a JSON object of task properties, such as "
                    "{\"MinimumSupport\": 0.1}");
  }
  return task;
}

TaskFile ReadTaskFile(const std::string& path) {
  TaskFile task = ParseTaskFile(ReadWholeFile(path), path);
  ResolveAccompanyingFiles(task);
  return task;
}

std::string ApplyProjectFile(TaskFile& task, const std::optional<std::string>& projectOption,
                             const std::string& outputFolder) {
  if (const auto it = task.json.find("DatabaseFile"); !projectOption && it != task.json.end()) {
    return it->is_string() ? it->get<std::string>() : std::string();
  }
  const std::string path =
      projectOption ? *projectOption
                    : (std::filesystem::path(outputFolder) / kDefaultProjectFileName).string();
  // The task goes to the module as JSON text, which holds UTF-8 only.
  if (FindBadTextByte(path) != std::string_view::npos) {
    throw UsageError("the project file name " + path + " is not valid UTF-8 text; rename it");
  }
  task.json["DatabaseFile"] = path;
  return path;
}

}  // namespace linkan::app
