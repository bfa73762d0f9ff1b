// project_copy.cpp
#include "serve/project_copy.h"

#include <sqlite3.h>

#include <cstdio>
#include <memory>

namespace linkan::app {

bool CopyProjectFile(const std::string& source, const std::string& target, std::string& error) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(source.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
  if (opened != SQLITE_OK) {
    error = "the project " + source + " cannot be opened: " + (raw ? sqlite3_errmsg(raw) : "");
    return false;
  }
  sqlite3_busy_timeout(db.get(), 5000);
  sqlite3_stmt* raw_stmt = nullptr;
  if (sqlite3_prepare_v2(db.get(), "VACUUM INTO ?1", -1, &raw_stmt, nullptr) != SQLITE_OK) {
    error = std::string("the project cannot be copied: ") + sqlite3_errmsg(db.get());
    return false;
  }
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw_stmt, sqlite3_finalize);
  sqlite3_bind_text(stmt.get(), 1, target.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(stmt.get()) != SQLITE_DONE) {
    error = std::string("the project cannot be copied: ") + sqlite3_errmsg(db.get());
    std::remove(target.c_str());
    return false;
  }
  return true;
}

}  // namespace linkan::app
