// Benchmark of the transaction database construction: a generated table of
// 1,000,000 cases (about 100,000 sequence IDs, 1,000 distinct items, two
// response variables of which the second is filled in half the cases) read
// into a fresh SQLite project (renumbered in memory, inserted once, and
// turned into the enumeration's form); and the same table added again to
// the stored project (every record merged, then renumbered in place).
// Reports cases per second and the process's peak resident memory.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/construction/build_transaction_database.h"
#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "projectdb/project_database.h"

namespace linkan {
namespace {

constexpr long kCases = 1000000;
constexpr int kIds = 100000;
constexpr int kItems = 1000;

// The input table: variable 1 the sequence ID (text "C<n>"), 2 the time,
// 3 and 4 the items (text "item<n>", empty when missing). Texts are made on
// demand so that the table itself stays small.
class GeneratedTable : public CAnalysisDoc {
 public:
  GeneratedTable() {
    std::mt19937_64 rng(1);
    std::uniform_int_distribution<int> id(0, kIds - 1), time(0, 9), coin(0, 1);
    // A skewed item choice: low numbers are frequent, as in basket data.
    std::geometric_distribution<int> item(3.0 / kItems);
    auto pick = [&] { return std::min(item(rng), kItems - 1); };
    ids_.resize(kCases);
    times_.resize(kCases);
    first_.resize(kCases);
    second_.resize(kCases);
    for (long c = 0; c < kCases; ++c) {
      ids_[c] = id(rng);
      times_[c] = static_cast<std::int8_t>(time(rng));
      first_[c] = static_cast<std::int16_t>(pick());
      second_[c] = static_cast<std::int16_t>(coin(rng) ? pick() : -1);
    }
  }

  int GetNbVars() const override { return 4; }
  long GetNbCases() const override { return kCases; }
  CaseReadResult ReadCase(long c, std::vector<double>& values, bool& weighted,
                          double& weight) override {
    const auto i = static_cast<std::size_t>(c - 1);
    values.resize(5);
    values[1] = ids_[i];
    values[2] = times_[i];
    values[3] = first_[i];
    values[4] = second_[i] < 0 ? -9999.0 : second_[i];
    weighted = false;
    weight = 1.0;
    return CaseReadResult::kUse;
  }
  double GetMissingCode(int) const override { return -9999.0; }
  std::string GetVariableName(int var) const override { return Prefixed("v", var); }
  std::string GetCellText(long row, int col) const override {
    const auto i = static_cast<std::size_t>(row - 1);
    switch (col) {
      case 1:
        return Prefixed("C", ids_[i]);
      case 2:
        return std::to_string(times_[i]);
      case 3:
        return Prefixed("item", first_[i]);
      default:
        return second_[i] < 0 ? std::string() : Prefixed("item", second_[i]);
    }
  }
  void* AllocMem(std::size_t bytes) override { return std::malloc(bytes ? bytes : 1); }
  void FreeMem(void* p) override { std::free(p); }
  void ShowMessage(const std::string&) override {}
  void ShowMessageBox(const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return true; }
  bool IsOleAutomation() const override { return true; }
  void LogEntry(int, const std::string&) override {}
  void DebugOutput(const std::string&) override {}
  void ProgressTitle(const std::string&) override {}
  void ProgressStart(long) override {}
  void ProgressStep(long) override {}
  void ProgressStop() override {}
  bool UserCancelled() const override { return false; }
  std::unique_ptr<HostProgressBar> NewProgressBar(unsigned long, unsigned long,
                                                  const std::string&, bool, bool) override {
    return nullptr;
  }
  std::string GetDefaultDatafilesPath() const override { return "/tmp"; }
  int GetProfileInt(int, int defaultValue) const override { return defaultValue; }
  std::string GetTempFileName(const std::string&, const std::string&) override { return {}; }
  bool ShowTextDocument(TextDocKind, const std::string&, const std::string&) override {
    return false;
  }
  bool CreateAnalysisDialog(CAnalysisModelessDialog&) override { return false; }

 private:
  static std::string Prefixed(const char* prefix, long n) {
    std::string text(prefix);
    text += std::to_string(n);
    return text;
  }

  std::vector<std::int32_t> ids_;
  std::vector<std::int8_t> times_;
  std::vector<std::int16_t> first_, second_;
};

class BenchAnalysis : public CAnalysisSupport {
 public:
  using CAnalysisSupport::CAnalysisSupport;
  void Initialize() override {}
  int GetAnalysisID() const override { return 0; }
  std::string GetAnalysisName() const override { return "bench"; }
  int RunTask(const std::string&, std::string&) override { return 1; }
  int RunResultCommand(int, std::string&) override { return 1; }
};

// A temporary folder with the project, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "linkan-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Project() const { return (path_ / "LinkAnalysis.dbs").string(); }

 private:
  std::filesystem::path path_;
};

GeneratedTable& Table() {
  static GeneratedTable table;
  return table;
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

std::unique_ptr<SalEngine> SequenceEngine(BenchAnalysis& analysis, ProjectDatabase& db) {
  auto engine = std::make_unique<SalEngine>(analysis, &db);
  AnalysisSettings& s = engine->settings;
  s.nsidvar = 1;
  s.sidvar[0] = 1;
  s.ntidvar = 1;
  s.tidvar[0] = 2;
  s.nresvars = 2;
  s.resvars[0] = 3;
  s.resvars[1] = 4;
  return engine;
}

void Report(benchmark::State& state, const SalEngine& engine, ProjectDatabase& db) {
  state.counters["cases_per_s"] =
      benchmark::Counter(static_cast<double>(kCases), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["sequences"] = static_cast<double>(engine.settings.size);
  state.counters["records"] = static_cast<double>(db.CountTransactions());
  state.counters["items"] = static_cast<double>(engine.items.size());
  state.counters["peak_rss_MiB"] = PeakResidentMiB();
}

// A new project: every record inserted, then renumbered.
void BM_ConstructNewProject(benchmark::State& state) {
  BenchAnalysis analysis(&Table());
  TempFolder folder;
  ProjectDatabase db;
  db.SetPath(folder.Project());
  std::unique_ptr<SalEngine> engine;
  for (auto _ : state) {
    state.PauseTiming();
    db.CloseProjectDatabase();
    std::filesystem::remove(folder.Project());
    if (db.OpenProjectDatabase() != 0) state.SkipWithError("cannot open the project");
    db.ClearTransactions();
    engine = SequenceEngine(analysis, db);
    state.ResumeTiming();
    BuildTransactionDatabase(*engine);
  }
  Report(state, *engine, db);
}

// The same table added to the stored project: every record looked up and
// merged (unchanged in content), then renumbered.
void BM_AddToExistingProject(benchmark::State& state) {
  BenchAnalysis analysis(&Table());
  TempFolder folder;
  ProjectDatabase db;
  db.SetPath(folder.Project());
  if (db.OpenProjectDatabase() != 0) state.SkipWithError("cannot open the project");
  std::unique_ptr<SalEngine> engine = SequenceEngine(analysis, db);
  BuildTransactionDatabase(*engine);
  for (auto _ : state) BuildTransactionDatabase(*engine);
  Report(state, *engine, db);
}

BENCHMARK(BM_ConstructNewProject)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_AddToExistingProject)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace linkan

BENCHMARK_MAIN();
