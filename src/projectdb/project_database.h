// project_database.h
//
// ProjectDatabase: the handle of one project file (a SQLite database with
// the six project tables) and every operation the module performs on it.
// The handle is owned by the analysis object; the open connection stays
// open after a run for the results and later runs.
//
// Errors: operations on an open project throw ModuleError(kIo, text) when
// SQLite fails; OpenProjectDatabase reports a refused file by its result
// and LastError(). Every stored value read is checked: a damaged file, or a
// stored value that breaks the format, throws the damage report naming the
// file, the row and the damage (project_damage.h). Nothing half-written
// survives a failed write: every write runs in a transaction that is rolled
// back on failure.
//
// Thread safety: the handle is used from the analysis thread. Worker threads
// write through an AttachedWriter each, which has its own connection; any
// number of writers may run at once with the handle open.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "frame/analysis_settings.h"
#include "projectdb/project_lock.h"

namespace linkan {

class CAnalysisSupport;

// One stored transaction: one itemset of a sequence.
struct TransactionRecord {
  std::string sid;                  // the transaction or sequence ID text
  double tid = 0.0;                 // the time
  std::vector<std::int32_t> items;  // item numbers

  bool operator==(const TransactionRecord&) const = default;
};

// The project record (one `SequenceAssociationInfo` row) in natural form;
// the database lays it out in the stored columns.
struct ProjectRecord {
  AnalysisSettings settings;                  // scalars, lists, codes, run figures
  std::vector<std::string> transactionIds;    // `transaction`
  std::vector<std::string> itemNames;         // `ItemMap`: entry k names item k + 1
  std::vector<std::string> stoplist;          // ascending
  std::vector<std::int32_t> ncodes;           // per dichotomy variable
  std::vector<double> codes;                  // `Codes`
  std::vector<double> coinfo;                 // 5 per continuous variable:
  std::vector<double> mdcoinfo;               //   max, mean, min, variance, width
  std::vector<std::map<std::string, std::string>> taxonomies;  // item name -> label
};

// One stored frequent pattern (a `ResultInfo` row of class 1).
struct StoredPattern {
  std::uint32_t count = 0;
  std::vector<std::vector<std::int32_t>> itemsets;

  bool operator==(const StoredPattern&) const = default;
};

class ProjectDatabase;

// A worker thread's own connection to the open project (attach on
// construction, detach = commit and close). Merge is the construction's
// "insert or union": exactly one record per (SID, TID) results, whatever
// other writers do at the same time.
class AttachedWriter {
 public:
  // REQUIRES: `db` is open. Throws ModuleError(kIo) when the connection fails.
  explicit AttachedWriter(const ProjectDatabase& db);
  // Rolls back what was not committed by Detach().
  ~AttachedWriter();
  AttachedWriter(const AttachedWriter&) = delete;
  AttachedWriter& operator=(const AttachedWriter&) = delete;

  // Unions `items` (ascending, distinct) into the record (sid, tid), or
  // inserts it when absent.
  void Merge(const std::string& sid, double tid, const std::vector<std::int32_t>& items);
  // Inserts a new record. A record (sid, tid) stored meanwhile by another
  // writer is merged with instead.
  void Insert(const std::string& sid, double tid, const std::vector<std::int32_t>& items);
  // Commits and closes the connection.
  void Detach();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class ProjectDatabase {
 public:
  ProjectDatabase();
  ~ProjectDatabase();
  ProjectDatabase(const ProjectDatabase&) = delete;
  ProjectDatabase& operator=(const ProjectDatabase&) = delete;

  // A new path closes the handle and releases the lock of the old one.
  void SetPath(const std::string& path);
  const std::string& Path() const { return path_; }

  // Closes any open connection, then opens the file at Path(), creating a
  // missing file with every table. 0 on success, 1 on failure (a file that
  // is not a project of this format is refused and left untouched). A
  // write-protected project (IsWriteProtected) opens read-only: it can be
  // read, and every write fails. A damaged project file (a header, page or
  // schema that breaks the format, a truncated file) throws the damage
  // report, ModuleError(kIo) naming the file and the damage
  // (project_damage.h), also left untouched; LastError() then holds the
  // same text.
  int OpenProjectDatabase();
  // Closing a closed handle does nothing. Inserts not yet committed by
  // EndReadAccess (or a committing operation) are discarded, and so is an
  // open working copy.
  void CloseProjectDatabase();
  bool IsOpen() const;
  bool IsReadOnly() const { return readOnly_; }
  // True after a failed open, until the next open or close.
  bool OpenFailed() const { return openFailed_; }
  // Why the last open failed.
  const std::string& LastError() const { return lastError_; }

  // ---- Runs that change the project ----
  // Takes the project's lock for a run (project_lock.h): exclusive for a
  // run that changes the project, shared for one that reads it. The lock
  // is held until UnlockProject, a new path or the handle's end. Throws
  // ModuleError(kIo) when another run holds the project.
  void LockProject(projectdb::ProjectLock::Mode mode);
  void UnlockProject() { lock_.Release(); }

  // Whether the project at `path` may be replaced by a new one: "" when the
  // file is missing, or is a sound project of this format that may be
  // written; otherwise why not (completing "the file ..."). Opening the
  // project for the check applies its write-ahead log, if any.
  static std::string CheckReplaceable(const std::string& path);
  // A file whose owner may not write it (also for root): the user has
  // protected it, so it is never replaced or changed.
  static bool IsWriteProtected(const std::string& path);

  // A run changes the project only through a working copy: a new file
  // beside the project, which takes the project's place in one rename
  // when the run has stored everything (CommitWorkingCopy). Until then the
  // project file is not touched, so a run that fails, is cancelled or is
  // killed leaves the project exactly as it was.
  enum class WorkingCopyStart { kEmptyProject, kCopyOfProject };
  // Opens the handle on a new working copy: an empty project, or a copy of
  // the project at Path() (opened and checked first; a missing project
  // gives an empty one). Working copies left behind by killed runs are
  // removed first. 0 on success; 1 with LastError() on failure; a damaged
  // project throws its damage report, as OpenProjectDatabase does.
  // REQUIRES: the exclusive lock of the project is held.
  int OpenWorkingCopy(WorkingCopyStart start);
  bool HasWorkingCopy() const { return !workingPath_.empty(); }
  // Puts the working copy in the project's place (one rename, made
  // durable) and reopens the handle on Path(). Throws ModuleError(kIo) when
  // that fails; the working copy is then discarded and the project is left
  // as it was. REQUIRES: HasWorkingCopy(), no attached writer.
  void CommitWorkingCopy();
  // Closes the handle and removes the working copy, if any.
  void DiscardWorkingCopy() noexcept;

  // ---- Transactions (REQUIRES: open) ----
  // Deletes every transaction record and commits.
  void ClearTransactions();
  // Joins the handle's open write, which EndReadAccess, ClearTransactions,
  // RewriteAllTransactions and the Save operations commit. Attached writers
  // wait while that write is open. Throws ModuleError(kInvalidInput) for a
  // NaN time and ModuleError(kIo) when (sid, tid) is stored already.
  void InsertTransaction(const TransactionRecord& record);
  // The record (sid, tid) into `out`; false when absent.
  bool FindTransaction(const std::string& sid, double tid, TransactionRecord& out);
  std::uint64_t CountTransactions();
  // Visits every record once, in key order; `rewrite` may change `items` in
  // place and return true to have the record rewritten (changes to the key
  // are ignored). All rewrites are committed together at the end; nothing
  // is rewritten when `rewrite` or the database fails. A rewrite that
  // throws ModuleError(kNotFound) (a lookup of what the record names
  // missed) is reported as damage of that record.
  void RewriteAllTransactions(const std::function<bool(TransactionRecord&)>& rewrite);
  // The records of sequence `sid` in ascending TID into `out` (cleared
  // first); returns their number. 0 and `out` untouched when absent.
  std::size_t SelectSequence(const std::string& sid, std::vector<TransactionRecord>& out);
  // Visits every record ordered by SID (byte-wise), then TID ascending.
  void ForEachTransaction(const std::function<void(const TransactionRecord&)>& visit);
  // The number of records rewritten since the open.
  std::uint64_t RewriteCount() const { return rewriteCount_; }
  // Ends a read: commits what the handle's connection holds.
  void EndReadAccess();

  // ---- The project record and the patterns (REQUIRES: open) ----
  // Replaces the one project record in one transaction. A record that
  // breaks its own invariants (a count beyond its list, Codes not matching
  // ncodes, ...) throws ModuleError(kInternal) before anything is written.
  void SaveProjectRecord(const ProjectRecord& record);
  // The project record into `out`; false (and `out` untouched) when the
  // project has none. A stored record that is not a valid layout throws
  // ModuleError(kIo, "... damaged ...") and leaves `out` untouched.
  bool LoadProjectRecord(ProjectRecord& out);
  // Replaces the stored patterns (class 1, in the given order) and leaves
  // (class 2, as pattern positions in `patterns`).
  void SaveFrequentPatterns(const std::vector<StoredPattern>& patterns,
                            const std::vector<std::uint32_t>& leaves);
  // One pattern handed to SaveFrequentPatterns by a source: its count and
  // its key (per itemset, its size and then its items), valid until the
  // source's next call.
  struct PatternKey {
    std::uint32_t count = 0;
    std::span<const std::int32_t> key;
  };
  using PatternKeySource = std::function<PatternKey(std::size_t index)>;
  // The same for the patterns 0 .. count - 1 of `pattern`, read one at a
  // time: all rows in one transaction through one prepared statement,
  // without a copy of the patterns.
  void SaveFrequentPatterns(std::size_t count, const PatternKeySource& pattern,
                            std::span<const std::uint32_t> leaves);
  // The stored patterns in stored order, and the stored leaves. Rows that
  // do not form patterns (sizes not matching the items, a leaf naming no
  // pattern) throw the damage report (project_damage.h), `patterns` and
  // `leaves` untouched.
  void LoadFrequentPatterns(std::vector<StoredPattern>& patterns,
                            std::vector<std::uint32_t>& leaves);
  // The same, checked against the module's own results too: every itemset
  // non-empty with ascending, distinct items in 1 .. itemCount (the item
  // dictionary), no pattern stored twice, the leaves ascending and
  // distinct, and for an itemset of m items at least 2^m - 1 patterns (its
  // subsets, all frequent).
  void LoadFrequentPatterns(std::vector<StoredPattern>& patterns,
                            std::vector<std::uint32_t>& leaves, std::size_t itemCount);

 private:
  friend class AttachedWriter;
  struct Connection;

  enum class OpenKind { kChecked, kTrusted, kReadOnly };

  // The open connection; throws ModuleError(kInternal) when closed.
  Connection& Conn() const;
  // Opens the connection on `file`: kChecked checks every page of an
  // existing file, kTrusted (a file this handle has just written) only its
  // header and schema, kReadOnly opens a write-protected file for reading.
  int OpenFile(const std::string& file, OpenKind kind);
  // Closes the connection only (an open working copy stays).
  void CloseConnection() noexcept;
  static void PrepareStatements(Connection& c);
  // LoadFrequentPatterns, with the module's checks when `itemCount` is set.
  void LoadPatternRows(std::vector<StoredPattern>& patterns, std::vector<std::uint32_t>& leaves,
                       const std::size_t* itemCount);

  std::string path_;
  std::string openPath_;     // the file the connection is open on
  std::string workingPath_;  // the working copy, while one is open
  bool readOnly_ = false;
  projectdb::ProjectLock lock_;
  std::unique_ptr<Connection> connection_;
  bool openFailed_ = false;
  std::string lastError_;
  std::uint64_t rewriteCount_ = 0;
};

// Registers the six table descriptions for the process (idempotent);
// ReleaseProjectTables undoes it when the last registration is released.
void RegisterProjectTables();
void ReleaseProjectTables();

}  // namespace linkan
