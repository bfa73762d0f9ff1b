// run_analysis.cpp
#include "engine/driver/run_analysis.h"

#include <exception>
#include <string>

#include "engine/coding/continuous_statistics.h"
#include "engine/construction/build_transaction_database.h"
#include "engine/persistence/project_record_conversion.h"
#include "engine/sal_engine.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"
#include "frame/host/host_utility.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

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
  // 0 when the project is open; else 10200 and 1.
  int Open();
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
  // Builds the transaction database and stores the state that matches the
  // stored records, also when the construction ends early.
  void Build();
  void StoreConsistentState();

  SalEngine& engine_;
  CAnalysisSupport& support_;
  AnalysisSettings& s_;
  ProjectDatabase& db_;
  const RunOptions& options_;
};

int Driver::Run() {
  if (!DirectoryExists(db_.Path(), true)) {
    Show(msg::kDirectoryMissing);
    return 1;
  }
  if (s_.projectMode == 1) {
    switch (s_.existingProjectAction) {
      case 1:
        return GoToResults();
      case 2:
        ResetRunFigures();
        // Recommendation via PMML reads a PMML file instead of the project;
        // the PMML reader takes this path over. Until then the run stops.
        return 1;
      default:
        return UpdateProject();
    }
  }
  return CreateProject();
}

int Driver::CreateProject() {
  db_.CloseProjectDatabase();
  if (ProjectDatabase::DeleteProjectFile(support_, db_.Path()) != 0) return 1;
  ResetRunFigures();
  engine_.transactionIds.clear();
  if (!Statistics()) return 1;
  if (Open() != 0) return 1;
  db_.ClearTransactions();
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
  return 0;
}

int Driver::UpdateProject() {
  s_.nvars = 0;
  s_.sumw = 0.0;
  // The update renumbers the items: the previous results no longer apply.
  engine_.ClearResults();
  if (!Statistics()) return 1;
  if (Open() != 0) return 1;
  if (!LoadStoredTransactions()) return 1;
  Build();
  options_.runPhases(engine_);
  return 0;
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
  return 1;
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
  return true;
}

void Driver::Build() {
  try {
    BuildTransactionDatabase(engine_, options_.construction);
  } catch (...) {
    // Workers may have committed records under the dictionary's numbers:
    // store the names and IDs they refer to. The run ends with the original
    // error whether or not this succeeds.
    try {
      StoreConsistentState();
    } catch (...) {
    }
    throw;
  }
  StoreConsistentState();
}

void Driver::StoreConsistentState() {
  db_.SaveProjectRecord(MakeProjectRecord(engine_));
  db_.SaveFrequentPatterns({}, {});
}

}  // namespace

int RunAnalysis(SalEngine& engine, const void* /*ownerWindow*/, const RunOptions& options) {
  return Driver(engine, options).Run();
}

}  // namespace linkan
