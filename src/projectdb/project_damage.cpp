// project_damage.cpp
#include "projectdb/project_damage.h"

#include <cstdio>

namespace linkan::projectdb {

std::string DamageMessage(const std::string& path, const std::string& what) {
  return "the project file \"" + path + "\" is damaged: " + what;
}

void ThrowDamaged(const std::string& path, const std::string& what) {
  throw ProjectDamaged(path, what);
}

void ThrowDamaged(sqlite3* db, const std::string& what) {
  const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
  ThrowDamaged(std::string(file ? file : ""), what);
}

std::string RowPlace(const char* table, std::int64_t rowid) {
  return std::string(table) + " row " + std::to_string(rowid);
}

std::string TransactionPlace(std::string_view sid, double tid) {
  char number[32];
  std::snprintf(number, sizeof number, "%.17g", tid);
  std::string place = "TransactionInfo record (SID \"";
  place += sid;
  place += "\", TID ";
  place += number;
  place += ")";
  return place;
}

void DamageSite::Fail(const std::string& what) const { ThrowDamaged(path_, place_ + ": " + what); }

}  // namespace linkan::projectdb
