// projectdb_bench.cpp: the project database's bulk paths on 1,000,000
// transaction records (100,000 sequences of 10 itemsets of 4 items):
//   Insert       an attached writer inserting every record into an empty
//                project, one transaction (the construction's first batch);
//   MergeNew     an attached writer merging every record into an empty
//                project (look-up, then insert);
//   MergeUnion   an attached writer merging one more item into every
//                stored record (look-up, union, update);
//   Walk         ForEachTransaction over every record (SID, TID order);
//   Sequences    SelectSequence of every sequence (the enumeration's read);
//   Reopen       closing and opening the filled project (the file checks).
// Each reports records_per_s over the timed part only.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "projectdb/project_database.h"

namespace linkan {
namespace {

constexpr int kSequences = 100000;
constexpr int kTimes = 10;
constexpr int kRecords = kSequences * kTimes;

std::string SequenceId(int s) {
  std::string id = std::to_string(s);
  return "seq" + std::string(7 - id.size(), '0') + id;
}

std::vector<std::int32_t> ItemsOf(int s, int t) {
  return {s % 50, 50 + t, 100 + (s + t) % 40, 200 + s % 7};
}

class BenchDir {
 public:
  BenchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "linkan-pdb-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~BenchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File() const { return path_ + "/bench.dbs"; }

 private:
  std::string path_;
};

void Open(ProjectDatabase& db, const std::string& path) {
  db.SetPath(path);
  if (db.OpenProjectDatabase() != 0) throw std::runtime_error(db.LastError());
}

template <class F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Fill(ProjectDatabase& db) {
  AttachedWriter writer(db);
  for (int s = 0; s < kSequences; ++s) {
    const std::string sid = SequenceId(s);
    for (int t = 0; t < kTimes; ++t) writer.Insert(sid, t, ItemsOf(s, t));
  }
  writer.Detach();
}

void Report(benchmark::State& state, double seconds, double records) {
  state.SetIterationTime(seconds);
  state.counters["records_per_s"] = records / seconds;
}

void BM_Insert(benchmark::State& state) {
  for (auto _ : state) {
    BenchDir dir;
    ProjectDatabase db;
    Open(db, dir.File());
    Report(state, Seconds([&] { Fill(db); }), kRecords);
  }
}

void BM_MergeNew(benchmark::State& state) {
  for (auto _ : state) {
    BenchDir dir;
    ProjectDatabase db;
    Open(db, dir.File());
    const double seconds = Seconds([&] {
      AttachedWriter writer(db);
      for (int s = 0; s < kSequences; ++s) {
        const std::string sid = SequenceId(s);
        for (int t = 0; t < kTimes; ++t) writer.Merge(sid, t, ItemsOf(s, t));
      }
      writer.Detach();
    });
    Report(state, seconds, kRecords);
  }
}

void BM_MergeUnion(benchmark::State& state) {
  for (auto _ : state) {
    BenchDir dir;
    ProjectDatabase db;
    Open(db, dir.File());
    Fill(db);
    const double seconds = Seconds([&] {
      AttachedWriter writer(db);
      for (int s = 0; s < kSequences; ++s) {
        const std::string sid = SequenceId(s);
        for (int t = 0; t < kTimes; ++t) writer.Merge(sid, t, {150 + t, 300});
      }
      writer.Detach();
    });
    Report(state, seconds, kRecords);
  }
}

// One filled project shared by the read benchmarks.
class FilledProject {
 public:
  FilledProject() {
    Open(db_, dir_.File());
    Fill(db_);
  }
  ProjectDatabase& db() { return db_; }

 private:
  BenchDir dir_;
  ProjectDatabase db_;
};

FilledProject& Filled() {
  static FilledProject project;
  return project;
}

void BM_Walk(benchmark::State& state) {
  ProjectDatabase& db = Filled().db();
  for (auto _ : state) {
    std::int64_t records = 0;
    std::int64_t items = 0;
    const double seconds = Seconds([&] {
      db.ForEachTransaction([&](const TransactionRecord& r) {
        ++records;
        items += static_cast<std::int64_t>(r.items.size());
      });
    });
    benchmark::DoNotOptimize(items);
    if (records != kRecords) state.SkipWithError("wrong record count");
    Report(state, seconds, static_cast<double>(records));
  }
}

void BM_Sequences(benchmark::State& state) {
  ProjectDatabase& db = Filled().db();
  std::vector<TransactionRecord> sequence;
  for (auto _ : state) {
    std::size_t records = 0;
    const double seconds = Seconds([&] {
      for (int s = 0; s < kSequences; ++s) records += db.SelectSequence(SequenceId(s), sequence);
    });
    if (records != kRecords) state.SkipWithError("wrong record count");
    Report(state, seconds, static_cast<double>(records));
  }
}

// Reopening the filled project: the file checks of OpenProjectDatabase
// (the integrity check reads every page).
void BM_Reopen(benchmark::State& state) {
  ProjectDatabase& db = Filled().db();
  for (auto _ : state) {
    const double seconds = Seconds([&] {
      if (db.OpenProjectDatabase() != 0) state.SkipWithError(db.LastError().c_str());
    });
    Report(state, seconds, kRecords);
  }
}

BENCHMARK(BM_Insert)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeNew)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeUnion)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sequences)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reopen)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace linkan

BENCHMARK_MAIN();
