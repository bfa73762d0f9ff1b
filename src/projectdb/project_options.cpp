// project_options.cpp
#include "projectdb/project_options.h"

#include <string_view>

#include "frame/host/module_error.h"
#include "projectdb/project_damage.h"
#include "projectdb/sqlite_handle.h"

namespace linkan::projectdb {
namespace {

constexpr const char* kStandardSupport = "StandardSupport";

// The table as SaveProjectOptions makes it; SQLite keeps this text in the
// schema.
const std::string& CreateSql() {
  static const std::string sql = std::string("CREATE TABLE \"") + kOptionsTable +
                                 "\" (\"name\" TEXT NOT NULL PRIMARY KEY, \"value\" INTEGER NOT "
                                 "NULL) WITHOUT ROWID";
  return sql;
}

}  // namespace

void SaveProjectOptions(sqlite3* db, const AnalysisSettings& settings) {
  const char* what = "saving the project options";
  // Made anew each time, so that the rows always fit the table.
  Exec(db, std::string("DROP TABLE IF EXISTS \"") + kOptionsTable + "\"", what);
  Exec(db, CreateSql(), what);
  Statement insert(
      db,
      std::string("INSERT INTO \"") + kOptionsTable + "\" (\"name\", \"value\") VALUES (?1, ?2)",
      what);
  insert.BindText(1, kStandardSupport);
  insert.BindInt64(2, settings.StandardSupport != 0 ? 1 : 0);
  insert.Run(what);
}

namespace {

// The stored StandardSupport; 0 when the table or the row is missing.
std::int32_t ReadStandardSupport(sqlite3* db, const DamageSite& site) {
  const char* what = "loading the project options";
  // The table must be exactly as written here: SQLite reads a column it
  // does not find as a text, and a schema entry damaged in its letters can
  // keep the table from being replaced.
  Statement schema(db,
                   "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE "
                   "NOCASE",
                   what);
  schema.BindText(1, kOptionsTable);
  if (!schema.Step(what)) return 0;
  if (schema.ColumnText(0) != CreateSql()) {
    site.Fail("the table is not the one this program makes (" + std::string(schema.ColumnText(0)) +
              ")");
  }
  Statement select(
      db, std::string("SELECT \"value\" FROM \"") + kOptionsTable + "\" WHERE \"name\" = ?1", what);
  select.BindText(1, kStandardSupport);
  if (!select.Step(what)) return 0;
  const std::int64_t value = select.ColumnInt64(0);
  if (select.ColumnType(0) != SQLITE_INTEGER || (value != 0 && value != 1)) {
    site.Fail(std::string(kStandardSupport) + " is not 0 or 1");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

void LoadProjectOptions(sqlite3* db, const std::string& path, AnalysisSettings& settings) {
  const DamageSite site(path, std::string(kOptionsTable) + " row \"" + kStandardSupport + "\"");
  const std::string damaged = "the project file \"" + path + "\" is damaged: ";
  try {
    settings.StandardSupport = ReadStandardSupport(db, site);
  } catch (const ModuleError& e) {
    // A table SQLite cannot read as written (a damaged schema entry names
    // another column, say) is damage of the file too.
    if (std::string_view(e.what()).starts_with(damaged)) throw;
    site.Fail(e.what());
  }
}

}  // namespace linkan::projectdb
