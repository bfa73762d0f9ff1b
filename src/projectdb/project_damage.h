// project_damage.h
//
// The report of a damaged project file: a stored value that breaks the
// format (docs/projectdb-format.md) or that the data around it contradicts
// (a count that does not match its list, an item number outside the item
// dictionary, a leaf naming no pattern, ...). Every reader of stored data
// checks what it reads and reports the first damage it meets with
// ThrowDamaged, as one line:
//   the project file "PATH" is damaged: PLACE: WHAT
// for example
//   the project file "a.dbs" is damaged: ResultInfo row 12: item 4711 is
//   not in the item dictionary (8 items)
// The error is a ModuleError(kIo) (ProjectDamaged); nothing read so far is
// kept.
//
// Thread safety: pure functions.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "frame/host/module_error.h"

namespace linkan::projectdb {

// The text of a damage report. `what` names the place and the damage.
std::string DamageMessage(const std::string& path, const std::string& what);

// The damage report: a ModuleError(kIo) that keeps `what` apart, so that
// the open checks can name the file as the caller gave it.
class ProjectDamaged : public ModuleError {
 public:
  ProjectDamaged(const std::string& path, std::string what)
      : ModuleError(ErrorKind::kIo, DamageMessage(path, what)), damage_(std::move(what)) {}
  const std::string& damage() const { return damage_; }

 private:
  std::string damage_;
};

// Throws ProjectDamaged(path, what).
[[noreturn]] void ThrowDamaged(const std::string& path, const std::string& what);

// The same for the main database file of an open connection.
[[noreturn]] void ThrowDamaged(sqlite3* db, const std::string& what);

// "TABLE row R" (R the rowid), the place of a stored row in a report.
std::string RowPlace(const char* table, std::int64_t rowid);
// "TransactionInfo record (SID "s", TID t)", the place of a transaction
// record (keyed by SID and TID, without rowid).
std::string TransactionPlace(std::string_view sid, double tid);

// A stored row being read: reports damage to its values as
// "PLACE: WHAT" in the file at `path`.
class DamageSite {
 public:
  DamageSite(std::string path, std::string place)
      : path_(std::move(path)), place_(std::move(place)) {}
  [[noreturn]] void Fail(const std::string& what) const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string place_;
};

}  // namespace linkan::projectdb
