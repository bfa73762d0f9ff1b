// run_analysis.cpp
#include "engine/driver/run_analysis.h"

#include <filesystem>
#include <string>

#include "engine/coding/continuous_statistics.h"
#include "engine/construction/build_transaction_database.h"
#include "engine/persistence/project_record_conversion.h"
#include "engine/sal_engine.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"
#include "frame/host/host_utility.h"
#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

// Discards the project's working copy when a run ends without committing
// it: the project stays exactly as it was before the run.
class WorkingCopyGuard {
 public:
  explicit WorkingCopyGuard(ProjectDatabase& db) : db_(db) {}
  ~WorkingCopyGuard() {
    if (db_.HasWorkingCopy()) db_.DiscardWorkingCopy();
  }
  WorkingCopyGuard(const WorkingCopyGuard&) = delete;
  WorkingCopyGuard& operator=(const WorkingCopyGuard&) = delete;

 private:
  ProjectDatabase& db_;
};

class Driver {
 public:
  Driver(SalEngine& engine, const RunOptions& options)
      : engine_(engine),
        support_(engine.analysis()),
        s_(engine.settings),
        db_(*engine.projectDb()),
        options_(options) {}

  int Run();

 private:
  int CreateProject();
  int UpdateProject();
  int GoToResults();

  void Show(int id) { support_.dsplst(0, support_.GetResourceString(id)); }
  // Takes the project's lock for this run; false (the reason shown) when
  // another run holds the project.
  bool Lock(projectdb::ProjectLock::Mode mode);
  // 0 when the project is open; else 10200 with the reason, and 1.
  int Open();
  // Whether the file at the project path may be replaced by a new project:
  // asks 10129 when it exists; refuses a write-protected file (10130) and
  // anything that is not a sound project, with the reason. The file is
  // never changed here.
  bool MayReplace();
  // Whether the project may be changed; 10130 with the reason when not.
  bool MayChange();
  // Opens the working copy the run writes; 0, or 1 with 10200 shown.
  int OpenWorkingCopy(ProjectDatabase::WorkingCopyStart start);
  // Ends a mining run: without any frequent pattern the run is abandoned
  // (10171, 1); otherwise the working copy takes the project's place.
  int Commit();
  // nvars and sumw to 0 and the item dictionary emptied, with the results
  // of the previous run, whose item numbers it gave.
  void ResetRunFigures();
  // The statistics pass when continuous variables of either kind are
  // selected; false when it failed or was cancelled.
  bool Statistics();
  // Takes the stored transaction ID list and item dictionary of the open
  // project as the start of an update; false (with 10200 shown) when the
  // project holds transactions but no record to name their items by.
  bool LoadStoredTransactions();
  // Builds the transaction database into the working copy and stores the
  // project record that names its records' items, so that the copy is a
  // complete project at every commit.
  void Build();

  SalEngine& engine_;
  CAnalysisSupport& support_;
  AnalysisSettings& s_;
  ProjectDatabase& db_;
  const RunOptions& options_;
};

// Releases the project's lock when the run ends, however it ends.
class ProjectUnlocker {
 public:
  explicit ProjectUnlocker(ProjectDatabase& db) : db_(db) {}
  ~ProjectUnlocker() { db_.UnlockProject(); }
  ProjectUnlocker(const ProjectUnlocker&) = delete;
  ProjectUnlocker& operator=(const ProjectUnlocker&) = delete;

 private:
  ProjectDatabase& db_;
};

// Sequences built but not mined (a run that ended before its enumeration)
// are not kept past the run.
class BuiltSequencesRelease {
 public:
  explicit BuiltSequencesRelease(SalEngine& engine) : engine_(engine) {}
  ~BuiltSequencesRelease() { engine_.builtSequences.reset(); }
  BuiltSequencesRelease(const BuiltSequencesRelease&) = delete;
  BuiltSequencesRelease& operator=(const BuiltSequencesRelease&) = delete;

 private:
  SalEngine& engine_;
};

int Driver::Run() {
  if (s_.projectMode == 1 && s_.existingProjectAction == 2) {
    // Recommendation via PMML reads a model file instead of the project:
    // the project is neither checked nor opened.
    ResetRunFigures();
    return options_.loadPmmlModel ? options_.loadPmmlModel(engine_) : 1;
  }
  const ProjectUnlocker unlock(db_);
  const BuiltSequencesRelease release(engine_);
  if (!DirectoryExists(db_.Path(), true)) {
    Show(msg::kDirectoryMissing);
    return 1;
  }
  using Mode = projectdb::ProjectLock::Mode;
  if (s_.projectMode == 1) {
    switch (s_.existingProjectAction) {
      case 1:
        return Lock(Mode::kShared) ? GoToResults() : 1;
      default:
        return Lock(Mode::kExclusive) ? UpdateProject() : 1;
    }
  }
  return Lock(Mode::kExclusive) ? CreateProject() : 1;
}

bool Driver::Lock(projectdb::ProjectLock::Mode mode) {
  try {
    db_.LockProject(mode);
    return true;
  } catch (const ModuleError& e) {
    support_.dsplst(0, e.what());
    return false;
  }
}

int Driver::CreateProject() {
  db_.CloseProjectDatabase();
  if (!MayReplace()) return 1;
  ResetRunFigures();
  engine_.transactionIds.clear();
  if (!Statistics()) return 1;
  const WorkingCopyGuard guard(db_);
  if (OpenWorkingCopy(ProjectDatabase::WorkingCopyStart::kEmptyProject) != 0) return 1;
  Build();

  if (s_.size == 0) {
    Show(msg::kNoData);
    return 1;
  }
  const double oneTransaction = 1.0 / static_cast<double>(s_.size);
  if (!UlpGreater(s_.minsupp, oneTransaction)) {
    const std::string question =
        FormatString(support_.GetResourceString(msg::kSmallSupport).c_str(), oneTransaction);
    if (!support_.AskYesNo(question)) return 1;
  }
  options_.runPhases(engine_);
  return Commit();
}

int Driver::UpdateProject() {
  s_.nvars = 0;
  s_.sumw = 0.0;
  // The update renumbers the items: the previous results no longer apply.
  engine_.ClearResults();
  if (!Statistics()) return 1;
  if (!MayChange()) return 1;
  const WorkingCopyGuard guard(db_);
  if (OpenWorkingCopy(ProjectDatabase::WorkingCopyStart::kCopyOfProject) != 0) return 1;
  if (!LoadStoredTransactions()) return 1;
  Build();
  options_.runPhases(engine_);
  return Commit();
}

int Driver::GoToResults() {
  ResetRunFigures();
  if (Open() != 0) return 1;
  ProjectRecord record;
  if (!db_.LoadProjectRecord(record)) {
    // A project that was never stored after a run holds nothing to show.
    Show(msg::kNoData);
    return 1;
  }
  RestoreFromProjectRecord(engine_, record);
  options_.rebuildFromProject(engine_);
  return 0;
}

int Driver::Open() {
  if (db_.OpenProjectDatabase() == 0) return 0;
  Show(msg::kDatabaseOpenFailed);
  support_.dsplst(0, db_.LastError());
  return 1;
}

bool Driver::MayReplace() {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(db_.Path(), ec))) return true;
  if (!support_.AskYesNo(support_.GetResourceString(msg::kDatabaseExists))) return false;
  if (!MayChange()) return false;
  const std::string why = ProjectDatabase::CheckReplaceable(db_.Path());
  if (why.empty()) return true;
  Show(msg::kDatabaseOpenFailed);
  support_.dsplst(0, "The file \"" + db_.Path() + "\" " + why +
                         "; it is left as it is. Choose another project file.");
  return false;
}

bool Driver::MayChange() {
  if (!ProjectDatabase::IsWriteProtected(db_.Path())) return true;
  Show(msg::kDatabaseInaccessible);
  support_.dsplst(0, "The project file \"" + db_.Path() +
                         "\" is write-protected: it can be reopened to show its results, "
                         "but not replaced or updated.");
  return false;
}

int Driver::OpenWorkingCopy(ProjectDatabase::WorkingCopyStart start) {
  if (db_.OpenWorkingCopy(start) == 0) return 0;
  Show(msg::kDatabaseOpenFailed);
  support_.dsplst(0, db_.LastError());
  return 1;
}

int Driver::Commit() {
  if (engine_.patterns.empty()) {
    Show(msg::kNoPatternFound);
    return 1;
  }
  db_.CommitWorkingCopy();
  return 0;
}

void Driver::ResetRunFigures() {
  s_.nvars = 0;
  s_.sumw = 0.0;
  engine_.items.Clear();
  engine_.ClearResults();
}

bool Driver::Statistics() {
  // The input table may differ from the one a restored project record
  // described.
  s_.ncases = static_cast<std::int32_t>(support_.GetNbCases());
  if (s_.ncontvars <= 0 && s_.nmdcontvars <= 0) return true;
  return ComputeContinuousStatistics(engine_) == 0;
}

bool Driver::LoadStoredTransactions() {
  ProjectRecord record;
  if (!db_.LoadProjectRecord(record)) {
    if (db_.CountTransactions() > 0) {
      // Stored records whose item numbers nothing names: adding to them
      // would mix items up, so the project is not used.
      Show(msg::kDatabaseOpenFailed);
      return false;
    }
    engine_.transactionIds.clear();
    engine_.items.Clear();
    return true;
  }
  ItemDictionary stored;
  for (std::size_t k = 0; k < record.itemNames.size(); ++k) {
    stored.Insert(record.itemNames[k], static_cast<ItemNumber>(k + 1));
  }
  engine_.items = std::move(stored);
  engine_.transactionIds = std::move(record.transactionIds);
  // An update that assigned no taxonomies of its own goes on with the
  // project's: saving the record again must not drop them.
  if (engine_.taxonomies.empty() && engine_.stoplist.empty()) {
    engine_.taxonomies.assign(record.taxonomies.begin(), record.taxonomies.end());
    engine_.stoplist = std::set<std::string>(record.stoplist.begin(), record.stoplist.end());
  }
  return true;
}

void Driver::Build() {
  BuildTransactionDatabase(engine_, options_.construction);
  db_.SaveProjectRecord(MakeProjectRecord(engine_));
  // Stored patterns of an earlier run are numbered by the old dictionary.
  db_.SaveFrequentPatterns({}, {});
}

}  // namespace

int RunAnalysis(SalEngine& engine, const void* /*ownerWindow*/, const RunOptions& options) {
  return Driver(engine, options).Run();
}

}  // namespace linkan
