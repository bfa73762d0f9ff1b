// task_file.cpp
#include "task_file.h"

#include <filesystem>

#include "data_error.h"
#include "file_io.h"

namespace linkan::app {
namespace {

std::string Trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The parser's message without its "[json.exception.parse_error.101] " tag.
std::string ParserMessage(const std::string& what) {
  if (!what.empty() && what.front() == '[') {
    const std::size_t end = what.find("] ");
    if (end != std::string::npos) return what.substr(end + 2);
  }
  return what;
}

}  // namespace

std::optional<std::vector<std::string>> TaskFile::SelectedItems() const {
  const auto it = json.find("SelectedItems");
  if (it == json.end() || !it->is_string()) return std::nullopt;
  const std::string text = it->get<std::string>();
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = text.find('|', start);
    names.push_back(Trim(text.substr(start, bar == std::string::npos ? bar : bar - start)));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return names;
}

TaskFile ParseTaskFile(const std::string& text, const std::string& source) {
  TaskFile task{.path = source, .json = {}};
  try {
    task.json = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    throw DataError(source, 0, 0, "not valid JSON: " + ParserMessage(e.what()));
  }
  if (!task.json.is_object()) {
    throw DataError(source, 0, 0,
                    "the task must be a JSON object of task properties, such as "
                    "{\"MinimumSupport\": 0.1}");
  }
  return task;
}

TaskFile ReadTaskFile(const std::string& path) { return ParseTaskFile(ReadWholeFile(path), path); }

std::string ApplyProjectFile(TaskFile& task, const std::optional<std::string>& projectOption,
                             const std::string& outputFolder) {
  if (projectOption) {
    task.json["DatabaseFile"] = *projectOption;
    return *projectOption;
  }
  if (const auto it = task.json.find("DatabaseFile"); it != task.json.end()) {
    return it->is_string() ? it->get<std::string>() : std::string();
  }
  const std::string path =
      (std::filesystem::path(outputFolder) / kDefaultProjectFileName).string();
  task.json["DatabaseFile"] = path;
  return path;
}

}  // namespace linkan::app
