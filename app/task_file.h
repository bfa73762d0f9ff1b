// task_file.h
//
// TaskFile: the task of `linkan run`, a JSON object of task properties by
// their automation names (the module checks the keys and values). The host
// reads and parses it, decides the project file, and hands the text to the
// module.
//
// The project file of a run, in this order:
//   1. --project FILE on the command line (it replaces the task's
//      "DatabaseFile"),
//   2. the task's "DatabaseFile",
//   3. LinkAnalysis.dbs in the output folder.
// Relative paths are relative to the current folder, as every path on the
// command line. The taxonomy data file ("DataFileNameForTaxonomy") is an
// input that comes with the task: ReadTaskFile takes a relative one from
// the task file's folder.
//
// Thread safety: no shared state.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace linkan::app {

inline constexpr const char* kDefaultProjectFileName = "LinkAnalysis.dbs";

struct TaskFile {
  std::string path;
  nlohmann::json json;  // an object

  // The text handed to the module.
  std::string Text() const { return json.dump(); }
  // The item names of "SelectedItems" ("a | b" -> {"a", "b"}, spaces around
  // a name dropped, "\|" and "\\" inside a name: linkanalysis/selected_items.h),
  // or nothing when the task has no such text.
  std::optional<std::vector<std::string>> SelectedItems() const;
};

// Reads and parses `path`; a relative "DataFileNameForTaxonomy" becomes the
// path of that name in the folder of `path`. Throws DataError naming the
// file: unreadable, not UTF-8 text (or holding a NUL byte), not JSON, a
// number outside the range of a double, nested too deep (the last four with
// line and column, linkanalysis/task_text.h), or not a JSON object.
TaskFile ReadTaskFile(const std::string& path);

// Parses `text` as the task of `source`, as ReadTaskFile does.
TaskFile ParseTaskFile(const std::string& text, const std::string& source);

// Decides the project file by the order above and writes it into the
// task's "DatabaseFile". Returns the path; "" when the task's
// "DatabaseFile" is not a text (the module reports that). Throws
// UsageError when the path chosen is not valid UTF-8.
std::string ApplyProjectFile(TaskFile& task, const std::optional<std::string>& projectOption,
                             const std::string& outputFolder);

}  // namespace linkan::app
