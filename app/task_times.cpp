// task_times.cpp
#include "task_times.h"

#include "data_error.h"
#include "iso_time.h"
#include "number_text.h"

namespace linkan::app {
namespace {

constexpr const char* kDurationKey = "FixedLengthOfTimeForCombiningIntoOneItemset";
constexpr const char* kTimeBoundKeys[] = {"MinimumTime", "MaximumTime"};

// The variable named by "Variables": {"time": NAME}, or -1.
int TimeVariable(const TaskFile& task, const DataTable& table) {
  const auto variables = task.json.find("Variables");
  if (variables == task.json.end() || !variables->is_object()) return -1;
  const auto time = variables->find("time");
  if (time == variables->end() || !time->is_string()) return -1;
  return table.FindVariable(time->get<std::string>());
}

}  // namespace

void ApplyTimeVariable(TaskFile& task, const DataTable& table) {
  const int var = TimeVariable(task, table);
  const Variable* time = var >= 0 ? &table.variable(var) : nullptr;
  if (time && time->kind == VariableKind::kText) {
    long row = 0;
    while (row < table.CaseCount() && table.IsMissing(row, var)) ++row;
    throw DataError(table.source(), 0, 0,
                    "the time variable \"" + time->name + "\" holds text that is not a date (\"" +
                        table.CellText(row, var) + "\" in case " + std::to_string(row + 1) +
                        "): give numbers or ISO 8601 dates such as 2026-03-01 or "
                        "2026-03-01T14:05");
  }
  const bool dated =
      time && (time->kind == VariableKind::kDate || time->kind == VariableKind::kDateTime);
  const double unit = time && time->kind == VariableKind::kDate ? kSecondsPerDay : 1.0;
  // Converts the text of `key` by `parse` (seconds, or nothing) into the
  // time variable's unit; `what` describes the text the key takes.
  const auto convert = [&](const char* key, const auto& parse, const std::string& what) {
    const auto value = task.json.find(key);
    if (value == task.json.end() || !value->is_string()) return;
    const std::string text = value->get<std::string>();
    const std::optional<double> seconds = parse(text);
    if (!seconds) {
      throw DataError(task.path, 0, 0,
                      std::string("\"") + key + "\": a number or " + what + ", not \"" + text +
                          "\"");
    }
    if (!dated) {
      throw DataError(task.path, 0, 0,
                      std::string("\"") + key + "\": \"" + text +
                          "\" needs a time variable of ISO dates or date-times; with " +
                          (time ? "the numbers of \"" + time->name + "\""
                                : std::string("no time variable")) +
                          " give a number in the time variable's own unit");
    }
    *value = *seconds / unit;
  };
  convert(kDurationKey, ParseDurationSeconds,
          "a duration such as \"30 minutes\", \"2 hours\" or \"1 day\"");
  for (const char* key : kTimeBoundKeys) {
    convert(
        key,
        [](const std::string& text) -> std::optional<double> {
          const std::optional<IsoTime> t = ParseIsoTime(text);
          return t ? std::optional<double>(t->seconds) : std::nullopt;
        },
        "an ISO 8601 date or date-time such as \"2026-03-01\" or \"2026-03-01T14:05\"");
  }
}

}  // namespace linkan::app
