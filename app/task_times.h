// task_times.h
//
// The time variable of a task as `linkan run` checks it against the table
// before the run:
//   - a time variable ("Variables": {"time": NAME}) must hold numbers or
//     ISO 8601 dates (data_table.h); one holding other text is refused
//     with a DataError naming the variable and its first such cell, since
//     coding its texts by first appearance would order the sequences by
//     row order;
//   - "FixedLengthOfTimeForCombiningIntoOneItemset" may be a duration text
//     ("30 minutes", "2 hours", "1 day"; iso_time.h), and the bounds of the
//     time filter, "MinimumTime" and "MaximumTime", ISO dates or
//     date-times; each is converted to the time variable's unit: seconds
//     for date-times, days for dates. With a time variable of plain numbers
//     such a text is refused (its unit is unknown).
//
// Thread safety: no shared state.
#pragma once

#include "data_table.h"
#include "task_file.h"

namespace linkan::app {

// Throws DataError (naming the task file or the table).
void ApplyTimeVariable(TaskFile& task, const DataTable& table);

}  // namespace linkan::app
