// project_connection.h
//
// Opening SQLite connections to a project file.
//
// OpenProjectFile opens the handle's connection: a missing or empty file is
// made a project (application id, format version and the six tables in one
// transaction, then the WAL journal); an existing file is probed
// (project_file_probe.h) and then checked through a read-only connection
// that treats it as immutable (application id, format, the integrity of
// every page, the schema) before a writing connection is opened. A refused
// file is left byte for byte as it was, and no side file is created beside
// it. A file with a write-ahead log or a rollback journal beside it (open
// elsewhere, or left by a crash) is checked the same way through the
// writing connection instead, which recovers it first; an interrupted
// creation (a journal) rolls back to an empty file that becomes a project.
//
// OpenWriterConnection opens one more connection to a project that is
// already open (an attached writer's own connection).
//
// Every connection gets the same settings (ConfigureConnection):
//   synchronous=FULL     with the WAL journal, every COMMIT syncs the log,
//                        so a committed transaction survives a crash or a
//                        power loss;
//   busy handler         waits (sleeping 1 to 5 ms between tries) for
//                        another connection's write to end, for up to
//                        kBusyWaitSeconds; a writer never sees "database is
//                        locked" while another writer works;
//   threads              SQLite's helper threads for sorting = the number of
//                        processors, at most 64 (SQLite caps it further at
//                        its compile-time limit);
//   cache_size           32 MiB of page cache per connection;
//   journal_size_limit   the log is cut back to 64 MiB after a checkpoint.
//
// Thread safety: functions of their arguments; a returned connection
// belongs to the caller.
#pragma once

#include <string>

#include "projectdb/project_tables.h"
#include "projectdb/sqlite_handle.h"

namespace linkan::projectdb {

inline constexpr int kBusyWaitSeconds = 300;

// The SQLite thread setting: processors, at most 64.
int ConcurrencySetting();

// How much of an existing file OpenProjectFile checks before it is used.
enum class FileCheck {
  kEveryPage,        // the integrity of every page, then header and schema
  kHeaderAndSchema,  // a file the module has just written and closed
  kReadOnly,         // every page; then the file is only read, never written
                     // (no lock, no log, no side file: a write-protected file)
};

// Null with `why` set when the file cannot be opened as a project (not a
// project database, another application's or a newer format, write-
// protected, unreadable). A damaged project file throws the damage report
// (project_damage.h); the file is left as it was either way.
SqliteDb OpenProjectFile(const std::string& path, const ProjectTables& tables, std::string& why,
                         FileCheck check = FileCheck::kEveryPage);

// Throws ModuleError(kIo) when the connection fails.
SqliteDb OpenWriterConnection(const std::string& path);

void ConfigureConnection(sqlite3* db);

}  // namespace linkan::projectdb
