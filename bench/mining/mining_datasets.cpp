// Runs the frequent pattern enumeration and the rule generation on the
// public benchmark data sets, each in a process of its own, and prints one
// table row per data set: reading, enumeration and rule times, pattern and
// rule counts, and the peak resident memory of the process.
//
//   mining_datasets [--threads N] [--layout auto|general|rows|bits]
//                   [--repeat N] [--grain WORK] [--no-rules] [--data DIR]
//                   [NAME ...]
//
// --repeat runs the enumeration N times (for profiling); the times shown
// are then of all N runs. --grain sets MiningContext::minParallelWork.
//
// Without names every data set runs. Release builds only.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dataset_reader.h"
#include "engine/mining/item_clustering.h"
#include "engine/mining/item_frequency.h"
#include "engine/mining/pattern_enumeration.h"
#include "engine/mining/rule_generation.h"
#include "engine/sal_engine.h"
#include "testutil/test_host.h"

namespace linkan::bench {
namespace {

struct DatasetRun {
  const char* name;
  const char* file;
  DatasetFormat format;
  bool association;
  double minsupp;
  int maxpat;
  int maxSequenceSize;
  double minconf;
  int maxhead;
};

// Rules: confidence from 0.5 to 1 with heads of up to 10 items, except on
// the dense sets (itemsets of up to ten items), where every split would give
// tens of millions of rules: there confidence from 0.9 and one-item heads.
const DatasetRun kRuns[] = {
    {"retail", "retail.dat", DatasetFormat::kBasket, true, 0.0005, 200, 6, 0.5, 10},
    {"T10I4D100K", "T10I4D100K.dat", DatasetFormat::kBasket, true, 0.001, 200, 6, 0.5, 10},
    {"BMS-WebView-1", "BMS-WebView-1.dat", DatasetFormat::kBasket, true, 0.00067, 200, 6, 0.5, 10},
    {"groceries", "groceries.csv", DatasetFormat::kCsvBasket, true, 0.001, 200, 6, 0.5, 10},
    {"mushroom", "mushroom.dat", DatasetFormat::kBasket, true, 0.10, 10, 6, 0.9, 1},
    {"chess", "chess.dat", DatasetFormat::kBasket, true, 0.60, 10, 6, 0.9, 1},
    {"SIGN", "SIGN.spmf.txt", DatasetFormat::kSpmfSequences, false, 0.15, 200, 100, 0.5, 10},
    {"LEVIATHAN", "LEVIATHAN.spmf.txt", DatasetFormat::kSpmfSequences, false, 0.02, 200, 100, 0.5,
     10},
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of the process (all threads), in seconds.
double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void RunOne(const DatasetRun& run, const std::string& dir, const MiningContext& ctx, int repeat,
            bool rulePhase) {
  auto start = std::chrono::steady_clock::now();
  Dataset data = ReadDataset(dir + "/" + run.file, run.format);
  testing::TestHost host;
  testing::TestAnalysis analysis(&host);
  SalEngine engine(analysis, nullptr);
  AnalysisSettings& s = engine.settings;
  s.noseq = run.association ? 1 : 0;
  s.minsupp = run.minsupp;
  s.maxsupp = 1.0;
  s.maxpat = run.maxpat;
  s.MaxSequenceSize = run.maxSequenceSize;
  s.CombineItemsetMode = 0;
  s.FixedNumItemsets = 1;
  s.minconf = run.minconf;
  s.maxconf = 1.0;
  s.maxhead = run.maxhead;
  const SequenceDatabase db = BuildDatabase(data, ItemsetCombining::FromSettings(s));
  engine.items = data.items;
  s.size = db.size();
  const double read = Seconds(start);

  start = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();
  for (int r = 1; r < repeat; ++r) EnumerateFrequentPatterns(engine, db, ctx);
  EnumerateFrequentPatterns(engine, db, ctx);
  const double enumeration = Seconds(start);
  const double enumerationCpu = CpuSeconds() - cpu;
  start = std::chrono::steady_clock::now();
  cpu = CpuSeconds();
  if (rulePhase) GenerateRules(engine);
  const double rules = Seconds(start);
  const double rulesCpu = CpuSeconds() - cpu;
  // The rest of a run's phases, for the record: frequencies and clusters.
  start = std::chrono::steady_clock::now();
  if (rulePhase) {
    RebuildItemFrequency(engine);
    ClusterItems(engine);
  }
  const double clustering = Seconds(start);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "| %-14s | %6.3f%% | %7zu | %6.3f | %7.3f | %7.3f | %9zu | %7.3f | %7.3f | %9zu | %7.3f | "
      "%7.1f |\n",
      run.name, run.minsupp * 100.0, db.size(), read, enumeration, enumerationCpu,
      engine.patterns.size(), rules, rulesCpu, engine.rules.size(), clustering,
      static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::fflush(stdout);
}

}  // namespace
}  // namespace linkan::bench

int main(int argc, char** argv) {
  using namespace linkan;
  using namespace linkan::bench;
  MiningContext ctx;
  ctx.threads = MiningContext::DefaultThreads();
  std::string dir = LINKAN_DATASET_DIR;
  int repeat = 1;
  bool rulePhase = true;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--threads" && i + 1 < argc) {
      ctx.threads = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (arg == "--layout" && i + 1 < argc) {
      const std::string layout = argv[++i];
      ctx.layout = layout == "general" ? MiningContext::Layout::kGeneral
                   : layout == "rows"  ? MiningContext::Layout::kSparse
                   : layout == "bits"  ? MiningContext::Layout::kDense
                                       : MiningContext::Layout::kAuto;
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--grain" && i + 1 < argc) {
      ctx.minParallelWork = static_cast<std::size_t>(std::atol(argv[++i]));
    } else if (arg == "--no-rules") {
      rulePhase = false;
    } else if (arg == "--data" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      names.push_back(arg);
    }
  }
  std::printf("threads %u\n\n", ctx.threads);
  std::printf(
      "| data set       | minsupp |       N | read s |  enum s | enum cpu |  patterns | rules s | "
      "rules cpu |     rules | clust s | peak MB |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  std::fflush(stdout);
  for (const DatasetRun& run : kRuns) {
    if (!names.empty() && std::find(names.begin(), names.end(), run.name) == names.end()) continue;
    // One process per data set, so that the peak memory is its own.
    const pid_t child = fork();
    if (child == 0) {
      try {
        RunOne(run, dir, ctx, repeat, rulePhase);
      } catch (const std::exception& e) {
        std::printf("| %-14s | failed: %s |\n", run.name, e.what());
      }
      std::fflush(stdout);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
  }
  return 0;
}
