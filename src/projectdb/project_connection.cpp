// project_connection.cpp
#include "projectdb/project_connection.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "frame/host/module_error.h"
#include "projectdb/project_damage.h"
#include "projectdb/project_file_probe.h"

namespace linkan::projectdb {
namespace {

constexpr int kMaxSleepMs = 5;

// Waits out another connection's write: short sleeps first, then 5 ms, for
// up to kBusyWaitSeconds in all.
int BusyWait(void* /*unused*/, int tries) {
  constexpr int kMaxTries = kBusyWaitSeconds * 1000 / kMaxSleepMs;
  if (tries >= kMaxTries) return 0;
  const int sleepMs = std::min(1 + tries / 16, kMaxSleepMs);
  std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  return 1;
}

std::string Quoted(const std::string& path) { return "the file \"" + path + "\""; }

// Makes an empty database a project. False when another process made it a
// database of its own meanwhile (the caller then checks it like any file).
bool CreateProject(sqlite3* db, const ProjectTables& tables) {
  Exec(db, "PRAGMA page_size = 16384; PRAGMA auto_vacuum = NONE", "creating the project file");
  WriteTransaction tx(db, "creating the project file");
  if (QueryInt(db, "SELECT count(*) FROM sqlite_master", "creating the project file") != 0) {
    return false;
  }
  Exec(db, "PRAGMA application_id = " + std::to_string(kApplicationId), "marking the project file");
  Exec(db, "PRAGMA user_version = " + std::to_string(kFormatVersion), "marking the project file");
  CreateProjectSchema(db, tables);
  tx.Commit();
  return true;
}

// Why an open file is not a sound project of this format: nothing when it
// is one; a refusal (`damaged` false: another application's database, a
// newer format) or damage to report.
struct Verdict {
  std::string why;
  bool damaged = false;
  bool ok() const { return why.empty(); }
};

// `thorough` adds the integrity check of every page.
Verdict CheckProject(sqlite3* db, const ProjectTables& tables, bool thorough) {
  const std::int64_t applicationId = QueryInt(db, "PRAGMA application_id", "reading the file");
  if (applicationId != kApplicationId) {
    return {"is an SQLite database of another application, not a project database"};
  }
  const std::int64_t version = QueryInt(db, "PRAGMA user_version", "reading the file");
  if (version > kFormatVersion) {
    return {"is a project database of a newer format (" + std::to_string(version) +
            ") than this module reads (" + std::to_string(kFormatVersion) + ")"};
  }
  if (version < 1) {
    return {"the header holds no format version (user_version " + std::to_string(version) + ")",
            true};
  }
  if (thorough) {
    Statement check(db, "PRAGMA quick_check(1)", "checking the file");
    const std::string verdict =
        check.Step("checking the file") ? std::string(check.ColumnText(0)) : std::string("empty");
    if (verdict != "ok") return {"the integrity check reports: " + verdict, true};
  }
  const std::string schema = CheckProjectSchema(db, tables);
  if (!schema.empty()) return {"the schema differs from a project's: " + schema, true};
  return {};
}

// Throws the damage report for `path`, or sets `why` to the refusal.
void Refuse(const std::string& path, const Verdict& verdict, std::string& why) {
  if (verdict.damaged) ThrowDamaged(path, verdict.why);
  why = Quoted(path) + " " + verdict.why;
}

// A file: URI for `path` (the characters that URIs reserve escaped).
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '%' || c == '?' || c == '#' || u < 0x20 || u >= 0x7f) {
      uri += '%';
      uri += kHex[u >> 4];
      uri += kHex[u & 15];
    } else {
      uri += c;
    }
  }
  return uri;
}

// A read-only connection that treats the file as immutable: no lock, no
// log, no side file is touched or created. Null with `why` on failure.
SqliteDb OpenImmutable(const std::string& path, std::string& why) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2((FileUri(path) + "?immutable=1").c_str(), &raw,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  SqliteDb db(raw);
  if (rc != SQLITE_OK) {
    why = std::string("cannot be opened: ") + (raw ? sqlite3_errmsg(raw) : "out of memory");
    return {};
  }
  sqlite3_extended_result_codes(db.get(), 1);
  return db;
}

// Checks an existing file through an immutable connection.
Verdict CheckUntouched(const std::string& path, const ProjectTables& tables) {
  std::string why;
  const SqliteDb db = OpenImmutable(path, why);
  if (!db) return {why};
  try {
    return CheckProject(db.get(), tables, /*thorough=*/true);
  } catch (const ProjectDamaged& e) {
    return {e.damage(), true};
  } catch (const ModuleError& e) {
    return {std::string("cannot be read (") + e.what() + ")"};
  }
}

bool HasContent(const std::string& path) {
  std::error_code ec;
  return std::filesystem::file_size(path, ec) > 0 && !ec;
}

SqliteDb OpenRaw(const std::string& path, int flags, std::string& why) {
  sqlite3* raw = nullptr;
  // A connection is used by one thread at a time (a worker writes through
  // a connection of its own), so SQLite need not lock it on every call.
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  SqliteDb db(raw);
  if (rc != SQLITE_OK) {
    why = Quoted(path) + " cannot be opened: " + (raw ? sqlite3_errmsg(raw) : "out of memory");
    return {};
  }
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  if (sqlite3_db_readonly(db.get(), "main") == 1) {
    // SQLite also opens a file read-only when its header asks for a newer
    // writer; the probe refuses such a header as damage, so here the file
    // or its folder is write-protected.
    why = Quoted(path) + " is write-protected";
    return {};
  }
  return db;
}

}  // namespace

int ConcurrencySetting() {
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<int>(std::min(processors, 64u));
}

void ConfigureConnection(sqlite3* db) {
  sqlite3_busy_handler(db, BusyWait, nullptr);
  Exec(db,
       "PRAGMA synchronous = FULL; PRAGMA cache_size = -32768; "
       "PRAGMA journal_size_limit = 67108864; PRAGMA threads = " +
           std::to_string(ConcurrencySetting()),
       "configuring the connection");
}

SqliteDb OpenProjectFile(const std::string& path, const ProjectTables& tables, std::string& why,
                         FileCheck check) {
  if (path.empty()) {
    why = "no project file path is set";
    return {};
  }
  const ProbeResult probe = ProbeProjectFile(path);
  if (probe.verdict == ProbeVerdict::kDamaged) ThrowDamaged(path, probe.reason);
  if (probe.verdict == ProbeVerdict::kRefused) {
    why = Quoted(path) + " " + probe.reason;
    return {};
  }
  const bool fresh = probe.verdict != ProbeVerdict::kCandidate;
  // With a log or journal beside it, the file is open elsewhere or was left
  // by a crash: only a connection that takes part in SQLite's locking and
  // recovery reads it right, so the check then follows the opening. (A
  // journal is an interrupted creation, which that connection rolls back.)
  const bool logged = !fresh && (HasContent(path + "-wal") || HasContent(path + "-journal"));
  if (check == FileCheck::kReadOnly) {
    if (fresh) {
      why = Quoted(path) + " is write-protected and holds no project";
      return {};
    }
    if (logged) {
      why = Quoted(path) +
            " is write-protected, and changes in its log beside it cannot be applied";
      return {};
    }
    const Verdict verdict = CheckUntouched(path, tables);
    if (!verdict.ok()) {
      Refuse(path, verdict, why);
      return {};
    }
    SqliteDb db = OpenImmutable(path, why);
    if (!db) why = Quoted(path) + " " + why;
    return db;
  }
  if (!fresh && !logged && check == FileCheck::kEveryPage) {
    const Verdict verdict = CheckUntouched(path, tables);
    if (!verdict.ok()) {
      Refuse(path, verdict, why);
      return {};
    }
  }
  SqliteDb db = OpenRaw(path, SQLITE_OPEN_READWRITE | (fresh ? SQLITE_OPEN_CREATE : 0), why);
  if (!db) return {};
  // Until the file is known to be a project, closing must not write to it.
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  try {
    ConfigureConnection(db.get());
    // The first read also recovers an interrupted creation: the file is
    // then empty again and is made a project afresh.
    bool created = false;
    if (fresh || QueryInt(db.get(), "PRAGMA page_count", "reading the file") == 0) {
      created = CreateProject(db.get(), tables);
    }
    if (!created) {
      const Verdict verdict = CheckProject(db.get(), tables, logged);
      if (!verdict.ok()) {
        Refuse(path, verdict, why);
        return {};
      }
    }
    Statement mode(db.get(), "PRAGMA journal_mode = WAL", "switching to the write-ahead log");
    if (!mode.Step("switching to the write-ahead log") || mode.ColumnText(0) != "wal") {
      why = Quoted(path) + " cannot use a write-ahead log";
      return {};
    }
  } catch (const ProjectDamaged& e) {
    ThrowDamaged(path, e.damage());
  } catch (const ModuleError& e) {
    why = Quoted(path) + " cannot be read (" + e.what() + ")";
    return {};
  }
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
  return db;
}

SqliteDb OpenWriterConnection(const std::string& path) {
  std::string why;
  SqliteDb db = OpenRaw(path, SQLITE_OPEN_READWRITE, why);
  if (!db) throw ModuleError(ErrorKind::kIo, "Project database: attaching a writer failed: " + why);
  ConfigureConnection(db.get());
  return db;
}

}  // namespace linkan::projectdb
