// project_options.cpp
#include "projectdb/project_options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "frame/host/module_error.h"
#include "projectdb/project_damage.h"
#include "projectdb/sqlite_handle.h"

namespace linkan::projectdb {
namespace {

constexpr const char* kStandardSupport = "StandardSupport";

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

void SaveProjectOptions(sqlite3* db, const AnalysisSettings& settings) {
  const char* what = "saving the project options";
  // Made anew each time, so that the rows always fit the table.
  Exec(db, std::string("DROP TABLE IF EXISTS \"") + kOptionsTable + "\"", what);
  Exec(db,
       std::string("CREATE TABLE \"") + kOptionsTable +
           "\" (\"name\" TEXT NOT NULL PRIMARY KEY, \"value\" INTEGER NOT NULL) WITHOUT ROWID",
       what);
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
  Statement exists(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1",
                   what);
  exists.BindText(1, kOptionsTable);
  if (!exists.Step(what) || exists.ColumnInt64(0) == 0) return 0;
  // The columns as written: SQLite would read a missing column's quoted
  // name as a text.
  Statement columns(db, "SELECT name, type, pk FROM pragma_table_info(?1)", what);
  columns.BindText(1, kOptionsTable);
  const bool nameColumn = columns.Step(what) && SameIgnoringCase(columns.ColumnText(0), "name") &&
                          SameIgnoringCase(columns.ColumnText(1), "TEXT") &&
                          columns.ColumnInt64(2) == 1;
  const bool valueColumn = nameColumn && columns.Step(what) &&
                           SameIgnoringCase(columns.ColumnText(0), "value") &&
                           SameIgnoringCase(columns.ColumnText(1), "INTEGER");
  if (!valueColumn || columns.Step(what)) {
    site.Fail("the table does not have the columns name (TEXT, the key) and value (INTEGER)");
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
