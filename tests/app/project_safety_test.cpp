// project_safety_test.cpp
//
// End to end, what a hostile world does to a project: runs killed (-9) or
// interrupted (Ctrl-C) at random moments of a new project and of an update,
// two runs on one project at once, and files at the project path that are
// not a project. After each, the project must reopen to the results it had
// before, or to those of the run when that run had finished; every run ends
// with a status, never a crash.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "app_test_util.h"
#include "linkan_process.h"

namespace linkan::app {
namespace {

namespace fs = std::filesystem;
using testing::LinkanProcess;
using testing::ReadFile;
using testing::RunLinkan;
using testing::RunResult;
using testing::TempDir;
using testing::WriteFile;

constexpr const char* kVariables =
    "\"GenerateNonsequentialAssociation\": 1, \"Variables\": {\"id\": \"ID\", "
    "\"responses\": [\"item\"]}, \"MinimumSupport\": 0.02, \"MinimumConfidence\": 0.5, "
    "\"MaxSizeOfItemset\": 3";

// `n` random baskets of 5 to 15 items over 150 items of skewed frequency.
std::string Baskets(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<double> weights;
  for (int k = 0; k < 150; ++k) weights.push_back(1.0 / (k + 1));
  std::discrete_distribution<int> item(weights.begin(), weights.end());
  std::uniform_int_distribution<int> size(5, 15);
  std::string text;
  for (int t = 0; t < n; ++t) {
    std::set<int> basket;
    for (int k = size(rng); k > 0; --k) basket.insert(item(rng));
    for (const int i : basket) text += "i" + std::to_string(i) + " ";
    text.back() = '\n';
  }
  return text;
}

class ProjectSafety : public ::testing::Test {
 protected:
  ProjectSafety() {
    WriteFile(dir.File("a.txt"), Baskets(6000, 1));
    WriteFile(dir.File("b.txt"), Baskets(6000, 2));
    WriteFile(dir.File("create.json"), std::string("{") + kVariables + "}");
    WriteFile(dir.File("update.json"), std::string("{\"UseExistingProject\": 1, "
                                                   "\"UpdateNewDocuments\": 1, ") +
                                           kVariables + "}");
    WriteFile(dir.File("reopen.json"),
              "{\"UseExistingProject\": 1, \"GoToResultsDialogWithoutAddingDocuments\": 1}");
  }

  RunResult Run(const std::string& data, const std::string& task, const std::string& project,
                const std::string& out) {
    return RunLinkan(Args(data, task, project, out));
  }
  std::vector<std::string> Args(const std::string& data, const std::string& task,
                                const std::string& project, const std::string& out) const {
    return {"--progress", "none", "run",       dir.File(data), "--format", "basket", "--task",
            dir.File(task), "--project", project, "--out",     dir.File(out)};
  }
  // The results the project shows when reopened (every itemset and rule).
  std::string Results(const std::string& project) {
    fs::remove_all(dir.File("shown"));
    const RunResult r = Run("a.txt", "reopen.json", project, "shown");
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadFile(dir.File("shown/itemsets.csv")) + ReadFile(dir.File("shown/rules.csv"));
  }
  // A fresh copy of `from` at `to`, as a closed project is: no side files.
  static void CopyProject(const std::string& from, const std::string& to) {
    for (const char* side : {"-wal", "-shm", "-journal"}) fs::remove(to + side);
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  }

  TempDir dir;
};

// Kill -9 and Ctrl-C at random moments of new-project and update runs: the
// project reopens to the previous results, or to the run's own when it had
// finished; Ctrl-C ends with 130 (or 0), never by a signal.
TEST_F(ProjectSafety, KilledAndInterruptedRunsNeverLoseTheProject) {
  const std::string base = dir.File("base.dbs");
  ASSERT_EQ(Run("a.txt", "create.json", base, "o").status, 0);
  const std::string before = Results(base);

  struct Operation {
    const char* task;
    std::string after;  // the results when the run finished
    double seconds;     // how long the run takes undisturbed
  };
  std::vector<Operation> operations = {{"create.json", "", 0}, {"update.json", "", 0}};
  for (Operation& op : operations) {
    const std::string p = dir.File("measure.dbs");
    CopyProject(base, p);
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = Run("b.txt", op.task, p, "o");
    op.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(r.status, 0) << r.err;
    op.after = Results(p);
    ASSERT_NE(op.after, before);
  }

  std::mt19937 rng(20261206);
  const std::string p = dir.File("trial.dbs");
  CopyProject(base, p);
  int killed = 0, finished = 0, interrupted = 0;
  for (int trial = 0; trial < 24; ++trial) {
    const Operation& op = operations[trial % 2];
    const int signal = trial % 4 == 3 ? SIGINT : SIGKILL;
    std::uniform_real_distribution<double> when(0.0, op.seconds * 1.1);
    const double delay = when(rng);
    SCOPED_TRACE(::testing::Message() << "trial " << trial << ": " << op.task << ", signal "
                                      << signal << " after " << delay << " s");
    LinkanProcess run(Args("b.txt", op.task, p, "o"));
    std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    run.Signal(signal);
    int by = 0;
    const RunResult r = run.Wait(&by);
    if (signal == SIGKILL) {
      EXPECT_TRUE(by == SIGKILL || r.status == 0) << r.err;
    } else {
      // Before its handler is installed the process ends by the signal
      // itself, as any program does; after it, with status 130.
      EXPECT_TRUE(by == SIGINT || r.status == 130 || r.status == 0)
          << r.status << ", signal " << by << ": " << r.err;
      interrupted += r.status == 130 || by == SIGINT;
    }
    killed += by == SIGKILL;
    // Every trial starts from the project `before`.
    const std::string now = Results(p);
    if (r.status == 0) {
      ++finished;
      EXPECT_EQ(now, op.after);
    } else {
      EXPECT_TRUE(now == before || now == op.after);  // killed before or after the rename
    }
    if (now != before) CopyProject(base, p);
  }
  std::cout << "[ kills ] " << killed << " killed, " << interrupted << " interrupted, "
            << finished << " finished; the project was never lost\n";

  // A run afterwards succeeds and removes what killed runs left behind.
  ASSERT_EQ(Run("b.txt", "create.json", p, "o").status, 0);
  for (const auto& e : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(e.path().filename().string().find(".run-"), std::string::npos) << e.path();
  }
}

// Two runs on one project at once: one is refused at once with a clear
// message, or they ran one after the other; never both fail, never a crash,
// and the project shows one run's results.
TEST_F(ProjectSafety, ConcurrentRunsOnOneProject) {
  const std::string p = dir.File("shared.dbs");
  const std::string a = (Run("a.txt", "create.json", p, "o"), Results(p));
  const std::string b = (Run("b.txt", "create.json", p, "o"), Results(p));
  int refused = 0;
  for (int trial = 0; trial < 6; ++trial) {
    LinkanProcess first(Args("a.txt", "create.json", p, "o1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(10 * trial));
    LinkanProcess second(Args("b.txt", "create.json", p, "o2"));
    int bySignal1 = 0, bySignal2 = 0;
    const RunResult r1 = first.Wait(&bySignal1);
    const RunResult r2 = second.Wait(&bySignal2);
    EXPECT_EQ(bySignal1 + bySignal2, 0);
    EXPECT_TRUE(r1.status == 0 || r2.status == 0) << r1.err << r2.err;
    for (const RunResult* r : {&r1, &r2}) {
      if (r->status == 0) continue;
      EXPECT_EQ(r->status, 1);
      EXPECT_NE(r->err.find("is in use by another run"), std::string::npos) << r->err;
      ++refused;
    }
    const std::string shown = Results(p);
    EXPECT_TRUE(shown == a || shown == b);
  }
  std::cout << "[ concurrent ] 6 trials, " << refused << " runs refused as in use\n";

  // While another process holds the project, a run is refused at once and
  // changes nothing; a run showing results is refused too.
  const std::string shownBefore = Results(p);
  const int fd = ::open(dir.File(".shared.dbs.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  for (const char* task : {"create.json", "update.json", "reopen.json"}) {
    const RunResult r = Run("a.txt", task, p, "o3");
    EXPECT_EQ(r.status, 1) << task;
    EXPECT_NE(r.err.find("is in use by another run"), std::string::npos) << r.err;
  }
  ::close(fd);
  EXPECT_EQ(Results(p), shownBefore);
}

// A project path that holds something else is refused and left byte for
// byte; a write-protected project opens to show its results but is never
// replaced or updated.
TEST_F(ProjectSafety, FilesThatAreNoProjectAreNeverReplaced) {
  const std::string project = dir.File("mine.dbs");
  ASSERT_EQ(Run("a.txt", "create.json", project, "o").status, 0);
  const std::string shown = Results(project);
  std::string foreign = ReadFile(project);
  foreign[68] ^= 0x10;  // another application id: another application's database
  std::string random(40000, '\0');
  std::mt19937 rng(7);
  for (char& c : random) c = static_cast<char>(rng());
  const std::string text = "name,phone\nAda,123\n";

  struct Case {
    std::string name, bytes;
    const char* reason;
  };
  for (const Case& c : {Case{"foreign.sqlite", foreign, "another application"},
                        Case{"random.bin", random, "not an SQLite database"},
                        Case{"notes.csv", text, "not an SQLite database"}}) {
    const std::string path = dir.File(c.name);
    WriteFile(path, c.bytes);
    for (const char* task : {"create.json", "update.json", "reopen.json"}) {
      const RunResult r = Run("a.txt", task, path, "o");
      EXPECT_EQ(r.status, 1) << c.name << " " << task;
      EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.name << " " << task << ": " << r.err;
      EXPECT_EQ(ReadFile(path), c.bytes) << c.name << " " << task;
    }
  }

  ASSERT_EQ(::chmod(project.c_str(), 0444), 0);
  const std::string bytes = ReadFile(project);
  for (const char* task : {"create.json", "update.json"}) {
    const RunResult r = Run("b.txt", task, project, "o");
    EXPECT_EQ(r.status, 1) << task;
    EXPECT_NE(r.err.find("write-protected"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Results(project), shown);
  EXPECT_EQ(ReadFile(project), bytes);
  ::chmod(project.c_str(), 0644);
}

}  // namespace
}  // namespace linkan::app
