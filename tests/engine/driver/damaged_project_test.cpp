// damaged_project_test.cpp
//
// A damaged project file never crashes or hangs the module. A small real
// project (sequences, items, patterns, leaves, rules) is damaged in every
// way one flipped bit or a truncation can, and reopened both ways a user
// reopens a project: going to the results (restore and rebuild) and adding
// cases (the stored records read for construction and mining). Every
// reopen must end in the damage report, or in the refusal of a file whose
// header no longer marks it as a project of this format, or give exactly
// the results of the undamaged file. Results may differ only where SQLite
// itself reads other stored values than before: a flip inside a value that
// stays valid (a count, a threshold), which no reader can tell from a
// project stored that way.
//
// Trials run in child processes (projectdb_isolation below), so a crash or
// a hang is reported as the outcome of its trial, not as the end of the
// test.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "engine/driver/run_analysis.h"
#include "engine/sal_engine.h"
#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

// ---- The project -----------------------------------------------------------

struct Case {
  std::string id;
  double time;
  std::string item;
};

// Five customers' purchases over time: frequent sequences of up to three
// itemsets, several leaves and rules.
const std::vector<Case> kProjectCases = {
    {"c1", 1, "bread"}, {"c1", 1, "milk"},   {"c1", 2, "eggs"},  {"c1", 3, "jam"},
    {"c2", 1, "bread"}, {"c2", 2, "eggs"},   {"c2", 2, "milk"},  {"c2", 4, "jam"},
    {"c3", 1, "milk"},  {"c3", 2, "bread"},  {"c3", 3, "eggs"},  {"c3", 3, "tea"},
    {"c4", 1, "bread"}, {"c4", 1, "milk"},   {"c4", 5, "jam"},   {"c5", 2, "tea"},
    {"c5", 3, "bread"}, {"c5", 4, "eggs"},   {"c5", 4, "jam"},   {"c5", 6, "milk"},
};
// The cases an update adds: a new customer and more of an old one.
const std::vector<Case> kAddedCases = {
    {"c6", 1, "bread"}, {"c6", 2, "eggs"}, {"c6", 3, "jam"}, {"c2", 7, "tea"}};

std::unique_ptr<TestHost> MakeHost(const std::vector<Case>& cases) {
  auto host = std::make_unique<TestHost>();
  std::vector<std::string> ids;
  std::vector<double> times;
  std::vector<std::string> items;
  for (const Case& c : cases) {
    ids.push_back(c.id);
    times.push_back(c.time);
    items.push_back(c.item);
  }
  host->AddText("id", ids);
  host->AddNumeric("t", times);
  host->AddText("item", items);
  host->SetAutomation(true);  // questions answered Yes
  return host;
}

void Configure(AnalysisSettings& s, int projectMode, int action) {
  s.nsidvar = 1;
  s.sidvar[0] = 1;
  s.ntidvar = 1;
  s.tidvar[0] = 2;
  s.nresvars = 1;
  s.resvars[0] = 3;
  s.minsupp = 0.4;
  s.minconf = 0.2;
  s.projectMode = static_cast<std::uint16_t>(projectMode);
  s.existingProjectAction = static_cast<std::uint16_t>(action);
}

// Everything a reopen restores or rebuilds, as text.
std::string Snapshot(const SalEngine& e) {
  std::ostringstream out;
  out.precision(17);
  const AnalysisSettings& s = e.settings;
  out << "settings " << s.minpat << ' ' << s.maxpat << ' ' << s.minsupp << ' ' << s.minconf << ' '
      << s.mincorr << ' ' << s.maxsupp << ' ' << s.maxconf << ' ' << s.maxhead << ' ' << s.maxbody
      << ' ' << s.MaxSequenceSize << ' ' << s.CombineItemsetMode << ' ' << s.FixedNumItemsets
      << ' ' << s.FixedTimeLength << ' ' << s.MinTime << ' ' << s.MaxTime << ' ' << s.noseq << ' '
      << s.size << ' ' << s.sumw << ' ' << s.nvars << ' ' << s.NbVars << ' ' << s.nresvars << ' '
      << s.SequenceIdVariable() << ' ' << s.TimeVariable() << '\n';
  out << "items";
  for (const std::string& name : e.items.NamesByNumber()) out << " [" << name << ']';
  out << "\nids";
  for (const std::string& id : e.transactionIds) out << " [" << id << ']';
  out << '\n';
  for (PatternId id = 0; id < e.patterns.size(); ++id) {
    out << "pattern " << id << ':';
    for (const Itemset& set : e.patterns.PatternOf(id)) {
      out << " {";
      for (const ItemNumber x : set) out << ' ' << x;
      out << " }";
    }
    out << " count " << e.patterns.CountOf(id) << (e.leaves.contains(id) ? " leaf" : "") << '\n';
  }
  for (const RuleRecord& r : e.rules) {
    out << "rule " << r.bodyId << " => " << r.headId << " of " << r.patternId << ' '
        << r.bodyCount << ' ' << r.headCount << ' ' << r.count << '\n';
  }
  for (const auto& [item, count] : e.itemFrequency) out << "frequency " << item << ' ' << count << '\n';
  for (const ItemCluster& c : e.clusters) {
    out << "cluster";
    for (const ItemNumber x : c.pattern.front()) out << ' ' << x;
    out << " count " << c.count << '\n';
  }
  return out.str();
}

// ---- Reopening -------------------------------------------------------------

enum class Outcome : std::uint8_t {
  kIdentical,      // the results of the undamaged file
  kDamageReport,   // ModuleError(kIo) "the project file ... is damaged: ..."
  kRefused,        // 10200: the header marks no project of this format
  kChangedValues,  // other results, and SQLite reads other stored values
  kOtherError,     // another ModuleError
  kUnexplained,    // other results from the same stored values, another
                   // exception, another message
  kCrashed,
  kHung,
  kCount,
};

constexpr std::array<const char*, static_cast<int>(Outcome::kCount)> kOutcomeNames = {
    "identical", "damage report", "refused (10200)", "changed stored values",
    "other ModuleError", "unexplained", "crashed", "hung"};

struct Reopened {
  Outcome outcome = Outcome::kUnexplained;
  std::string text;  // the snapshot, or the error
};

// Reopens the project at `path`: going to the results, or (`update`)
// adding kAddedCases.
Reopened Reopen(const std::string& path, bool update) {
  const auto host = MakeHost(update ? kAddedCases : kProjectCases);
  TestAnalysis analysis(host.get());
  ProjectDatabase db;
  db.SetPath(path);
  SalEngine engine(analysis, &db);
  Configure(engine.settings, 1, update ? 0 : 1);
  try {
    if (RunAnalysis(engine, nullptr, DefaultRunOptions()) != 0) {
      std::string messages;
      for (const std::string& m : host->messages) messages += m + "\n";
      // The module's message, then the reason.
      const bool refused = host->messages.size() == 2 &&
                           host->messages[0] == LookupString(msg::kDatabaseOpenFailed);
      return {refused ? Outcome::kRefused : Outcome::kUnexplained, messages + db.LastError()};
    }
    return {Outcome::kIdentical, Snapshot(engine)};  // compared by the caller
  } catch (const ModuleError& e) {
    const std::string damaged = "the project file \"" + path + "\" is damaged: ";
    if (e.kind() == ErrorKind::kIo && std::string(e.what()).rfind(damaged, 0) == 0) {
      return {Outcome::kDamageReport, e.what()};
    }
    return {Outcome::kOtherError, e.what()};
  } catch (const std::exception& e) {
    return {Outcome::kUnexplained, std::string("not a ModuleError: ") + e.what()};
  }
}

// Every row of every project table as SQLite reads it from the file at
// `path` (read-only, the file taken as it is), or SQLite's error.
std::string StoredValues(const std::string& path) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open_v2(("file:" + path + "?immutable=1").c_str(), &db,
                      SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
    for (const char* table : {"DBInfo", "TransactionInfo", "SequenceAssociationInfo",
                              "ResultInfo", "ItemInfo", "FrequentItemInfo"}) {
      sqlite3_stmt* s = nullptr;
      const std::string sql = std::string("SELECT * FROM \"") + table + "\"";
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) break;
      int rc;
      while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
          const int type = sqlite3_column_type(s, c);
          out += std::to_string(type) + ":";
          if (type == SQLITE_FLOAT) {  // every bit, not a rounded text
            out += std::to_string(std::bit_cast<std::uint64_t>(sqlite3_column_double(s, c)));
          } else if (type == SQLITE_INTEGER) {
            out += std::to_string(sqlite3_column_int64(s, c));
          } else {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, c));
            out.append(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
          }
          out += '|';
        }
        out += '\n';
      }
      sqlite3_finalize(s);
      if (rc != SQLITE_DONE) break;
    }
  }
  out += std::string("end: ") + sqlite3_errmsg(db);
  sqlite3_close(db);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// ---- Isolation -------------------------------------------------------------

// Runs trial(i) for i in 0 .. n - 1 in child processes, one child for as
// many trials as it survives: a child that dies or stays silent for
// `hangSeconds` gives its current trial kCrashed or kHung, and a new child
// goes on with the next trial. The limit only tells a hang from a slow
// trial; trials take milliseconds.
std::vector<Outcome> RunIsolated(std::size_t n, const std::function<std::uint8_t(std::size_t)>& trial,
                                 int hangSeconds) {
  struct Report {
    std::uint64_t index;
    std::uint8_t code;
  };
  std::vector<std::uint8_t> codes(n, 0);
  std::size_t next = 0;
  while (next < n) {
    int fds[2];
    if (::pipe(fds) != 0) {
      ADD_FAILURE() << "pipe failed";
      break;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      for (std::size_t i = next; i < n; ++i) {
        const Report r{i, trial(i)};
        if (::write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) ::_exit(2);
      }
      ::_exit(0);
    }
    ::close(fds[1]);
    for (;;) {
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, hangSeconds * 1000) == 0) {
        ::kill(pid, SIGKILL);
        codes[next++] = static_cast<std::uint8_t>(Outcome::kHung) * 16;
        break;
      }
      Report r{};
      if (::read(fds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r)) {
        codes[r.index] = r.code;
        next = r.index + 1;
        continue;
      }
      if (next < n) codes[next++] = static_cast<std::uint8_t>(Outcome::kCrashed) * 16;
      break;
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  // Two outcomes per trial: going to the results (high nibble) and the
  // update (low nibble); a crash or hang counts for both.
  std::vector<Outcome> out;
  for (const std::uint8_t c : codes) {
    out.push_back(static_cast<Outcome>(c >> 4));
    out.push_back(static_cast<Outcome>(c >> 4 >= static_cast<int>(Outcome::kCrashed) ? c >> 4 : c & 15));
  }
  return out;
}

// Which bytes are flipped. Every bit of a byte is flipped when the byte is
// taken: every kDataStride-th byte of the data, every kSchemaStride-th byte
// of the schema text (the CREATE statements stored in sqlite_master: each
// flip there meets the same schema check, and they are most of the data of
// a small project) and every kEmptyStride-th byte of the empty regions (a
// run of at least kEmptyRun zero bytes: the unused room of a b-tree page
// between its cell pointers and its cells, or the rest of a page no row
// reaches; SQLite reads nothing there).
#ifdef LINKAN_SANITIZED_BUILD
// The sanitizer build runs some twenty times slower.
constexpr std::size_t kDataStride = 4;
constexpr std::size_t kSchemaStride = 31;
constexpr std::size_t kEmptyStride = 8191;
constexpr int kHangSeconds = 300;
#else
constexpr std::size_t kDataStride = 1;
constexpr std::size_t kSchemaStride = 8;
constexpr std::size_t kEmptyStride = 2039;
constexpr int kHangSeconds = 60;
#endif
constexpr std::size_t kEmptyRun = 32;

class DamagedProject : public ::testing::Test {
 protected:
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  void SetUp() override {
    // Many trials of several synced commits each: a memory file system
    // where there is one.
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                  : std::filesystem::temp_directory_path();
    std::string pattern = (base / "linkan-damaged-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    path_ = (folder_ / "LinkAnalysis.dbs").string();
    {
      const auto host = MakeHost(kProjectCases);
      TestAnalysis analysis(host.get());
      ProjectDatabase db;
      db.SetPath(path_);
      SalEngine engine(analysis, &db);
      Configure(engine.settings, 0, 0);
      ASSERT_EQ(RunAnalysis(engine, nullptr, DefaultRunOptions()), 0);
      ASSERT_GE(engine.leaves.size(), 2u);
      ASSERT_GE(engine.rules.size(), 2u);
    }
    original_ = ReadFile(path_);
    storedValues_ = StoredValues(path_);
    for (const bool update : {false, true}) {
      const Reopened r = Reopen(path_, update);
      ASSERT_EQ(r.outcome, Outcome::kIdentical) << r.text;
      reference_[update] = r.text;
      Place(original_);
    }
  }

  void Remove() const {
    for (const char* side : {"", "-wal", "-shm", "-journal"}) {
      std::filesystem::remove(path_ + side);
    }
  }

  // Replaces the project file by `bytes`.
  void Place(const std::string& bytes) const {
    Remove();
    WriteFile(path_, bytes);
  }

  Outcome Classify(const Reopened& r, bool update, const std::string& bytes) const {
    if (r.outcome != Outcome::kIdentical || r.text == reference_.at(update)) return r.outcome;
    Place(bytes);
    return StoredValues(path_) != storedValues_ ? Outcome::kChangedValues : Outcome::kUnexplained;
  }

  // Both reopens of `bytes`, as a code for RunIsolated.
  std::uint8_t Trial(const std::string& bytes) const {
    std::uint8_t code = 0;
    for (const bool update : {false, true}) {
      Place(bytes);
      const Outcome o = Classify(Reopen(path_, update), update, bytes);
      code = static_cast<std::uint8_t>(code | static_cast<int>(o) << (update ? 0 : 4));
    }
    return code;
  }

  static std::map<Outcome, int> Count(const std::vector<Outcome>& outcomes) {
    std::map<Outcome, int> counts;
    for (const Outcome o : outcomes) ++counts[o];
    return counts;
  }

  static std::string Describe(const std::map<Outcome, int>& counts) {
    std::string text;
    for (const auto& [o, n] : counts) {
      text += std::string(text.empty() ? "" : ", ") + kOutcomeNames[static_cast<int>(o)] + " " +
              std::to_string(n);
    }
    return text;
  }

  std::filesystem::path folder_;
  std::string path_;
  std::string original_;
  std::string storedValues_;
  std::map<bool, std::string> reference_;
};

// The CREATE statements of the project file at `path`.
std::vector<std::string> SchemaTexts(const std::string& path) {
  sqlite3* db = nullptr;
  std::vector<std::string> texts;
  if (sqlite3_open_v2(("file:" + path + "?immutable=1").c_str(), &db,
                      SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL", -1, &s,
                           nullptr) == SQLITE_OK) {
      while (sqlite3_step(s) == SQLITE_ROW) {
        texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
      }
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return texts;
}

// The bit positions flipped (see kDataStride).
std::vector<std::size_t> FlipPositions(const std::string& bytes,
                                       const std::vector<std::string>& schema) {
  enum class Kind : std::uint8_t { kData, kSchema, kEmpty };
  std::vector<Kind> kind(bytes.size(), Kind::kData);
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t end = i;
    while (end < bytes.size() && bytes[end] == 0) ++end;
    if (end - i >= kEmptyRun) std::fill(kind.begin() + i, kind.begin() + end, Kind::kEmpty);
    i = std::max(end, i + 1);
  }
  for (const std::string& text : schema) {
    const std::size_t at = bytes.find(text);
    if (at != std::string::npos) std::fill(kind.begin() + at, kind.begin() + at + text.size(), Kind::kSchema);
  }
  std::vector<std::size_t> bits;
  std::array<std::size_t, 3> seen = {0, 0, 0};
  constexpr std::array<std::size_t, 3> kStride = {kDataStride, kSchemaStride, kEmptyStride};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto k = static_cast<std::size_t>(kind[i]);
    if (seen[k]++ % kStride[k] != 0) continue;
    for (std::size_t b = 0; b < 8; ++b) bits.push_back(i * 8 + b);
  }
  return bits;
}

TEST_F(DamagedProject, EveryFlippedBitGivesTheDamageReportOrTheSameResults) {
  const std::vector<std::size_t> bits = FlipPositions(original_, SchemaTexts(path_));
  ASSERT_FALSE(SchemaTexts(path_).empty());
  const std::vector<Outcome> outcomes = RunIsolated(
      bits.size(),
      [&](std::size_t i) {
        std::string bytes = original_;
        bytes[bits[i] / 8] = static_cast<char>(bytes[bits[i] / 8] ^ (1 << (bits[i] % 8)));
        return Trial(bytes);
      },
      kHangSeconds);
  std::map<Outcome, std::vector<std::size_t>> examples;
  for (std::size_t k = 0; k < outcomes.size(); ++k) {
    const std::size_t bit = bits[k / 2];
    auto& list = examples[outcomes[k]];
    if (list.size() < 8) list.push_back(bit);
    // A refusal says the header no longer marks a project of this format.
    if (outcomes[k] == Outcome::kRefused) {
      EXPECT_LT(bit / 8, 100u) << "refused after a flip of bit " << bit % 8 << " of byte " << bit / 8;
    }
  }
  const auto counts = Count(outcomes);
  std::cout << "[ flips    ] " << bits.size() << " bits of " << original_.size()
            << " bytes; reopens: " << Describe(counts) << "\n";
  for (const Outcome bad : {Outcome::kUnexplained, Outcome::kOtherError, Outcome::kCrashed,
                            Outcome::kHung}) {
    if (!examples.contains(bad)) continue;
    std::string where;
    for (const std::size_t bit : examples[bad]) {
      where += " byte " + std::to_string(bit / 8) + " bit " + std::to_string(bit % 8) + ";";
    }
    ADD_FAILURE() << counts.at(bad) << " reopens " << kOutcomeNames[static_cast<int>(bad)]
                  << ", for example after flipping" << where;
  }
}

TEST_F(DamagedProject, EveryTruncationGivesTheDamageReport) {
  const std::size_t page = 16384;
  ASSERT_EQ(original_.size() % page, 0u);
  // Every page boundary (an empty file is a new project, not a damaged
  // one), and sizes inside the header and inside pages. A file shorter than
  // the 16 bytes that mark an SQLite database is no database at all: it is
  // refused, not reported as damaged.
  std::vector<std::size_t> sizes = {1, 15, 16, 50, 99, 100, 101, 512, 4096, page + 1, page + 100,
                                    original_.size() / 2 + 7, original_.size() - 1};
  for (std::size_t s = page; s < original_.size(); s += page) sizes.push_back(s);
  const std::vector<Outcome> outcomes = RunIsolated(
      sizes.size(), [&](std::size_t i) { return Trial(original_.substr(0, sizes[i])); },
      kHangSeconds);
  for (std::size_t k = 0; k < outcomes.size(); ++k) {
    const std::size_t size = sizes[k / 2];
    EXPECT_EQ(outcomes[k], size < 16 ? Outcome::kRefused : Outcome::kDamageReport)
        << "truncated to " << size << " bytes, " << (k % 2 ? "update" : "go to results") << ": "
        << kOutcomeNames[static_cast<int>(outcomes[k])];
  }
  std::cout << "[ truncate ] " << sizes.size() << " sizes; reopens: " << Describe(Count(outcomes))
            << "\n";
}

// Regression: the project of examples/market_basket.csv with one bit
// changed (an item number of a stored pattern) ended in a segmentation
// fault when its results were shown again. Adding cases to it replaces the
// stored patterns without reading them, and succeeds.
TEST_F(DamagedProject, SharedReproGivesTheDamageReport) {
  const char* shared = std::getenv("LINKAN_SHARED_DIR");
  ASSERT_NE(shared, nullptr);
  const std::string repro = ReadFile(std::string(shared) + "/repro/flipped-bit.dbs");
  ASSERT_FALSE(repro.empty());
  Place(repro);
  const Reopened results = Reopen(path_, false);
  EXPECT_EQ(results.outcome, Outcome::kDamageReport) << results.text;
  EXPECT_EQ(results.text, "the project file \"" + path_ +
                              "\" is damaged: ResultInfo row 1: item 524289 is not in the item "
                              "dictionary (8 items)");
  Place(repro);
  const Reopened update = Reopen(path_, true);
  EXPECT_EQ(update.outcome, Outcome::kIdentical) << update.text;  // results, not an error
}

}  // namespace
}  // namespace linkan
