// project_options.h
//
// The project's options table: settings of our own extensions, which the
// six project tables have no field for, kept beside the project record as
// the table "LinkanOptions" (name TEXT primary key, value INTEGER), one row
// per option. It is written with the project record and read with it; a
// project without the table (made before it existed) or without a row has
// the option's default. Held today: StandardSupport (0 or 1).
//
// Thread safety: the connection's thread.
#pragma once

#include <sqlite3.h>

#include <string>

#include "frame/analysis_settings.h"

namespace linkan::projectdb {

inline constexpr const char* kOptionsTable = "LinkanOptions";

// Makes the table anew with the options of `settings`. REQUIRES: a write
// transaction is open.
void SaveProjectOptions(sqlite3* db, const AnalysisSettings& settings);

// Sets the options of `settings` from the table (defaults where absent).
// A table with other columns, a stored value out of its range or a table
// SQLite cannot read throws the damage report naming the file `path` and
// the row.
void LoadProjectOptions(sqlite3* db, const std::string& path, AnalysisSettings& settings);

}  // namespace linkan::projectdb
