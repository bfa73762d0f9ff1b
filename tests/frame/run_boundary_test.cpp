// The run boundary under memory pressure: a scripted run (RunTask) whose
// patterns explode past the host's memory limit, whose host refuses memory,
// or in which an allocation fails inside the enumeration's worker threads,
// ends with kRunOutOfMemory and a report naming the phase, never with a
// crash. Also: a question answered under automation still reaches the host.
#include <tbb/task_arena.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <regex>
#include <string>

#include "frame/host/run_guard.h"
#include "frame/sequence.h"
#include "resources/string_table.h"
#include "testutil/test_host.h"

// ---- An allocator that fails on request -------------------------------------
// operator new of this test binary: after g_failAfter more allocations made
// by a worker thread of a oneTBB arena (slot 1 and up), one throws
// std::bad_alloc. Off (-1) unless a test arms it.
namespace {
std::atomic<long> g_failAfter{-1};

void* Allocate(std::size_t bytes) {
  if (g_failAfter.load(std::memory_order_relaxed) >= 0 &&
      tbb::this_task_arena::current_thread_index() > 0 && g_failAfter.fetch_sub(1) == 0) {
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(bytes ? bytes : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t bytes) { return Allocate(bytes); }
void* operator new[](std::size_t bytes) { return Allocate(bytes); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace linkan {
namespace {

using testing::TestHost;

// Baskets of `width` items out of `universe`: at a support of one basket
// every subset of every basket is frequent, far more than any test can hold.
void AddExplodingBaskets(TestHost& host, int baskets, int width, int universe) {
  std::mt19937 rng(7);
  std::vector<double> ids;
  std::vector<std::string> items;
  std::vector<int> all(static_cast<std::size_t>(universe));
  for (int i = 0; i < universe; ++i) all[static_cast<std::size_t>(i)] = i;
  for (int b = 0; b < baskets; ++b) {
    std::shuffle(all.begin(), all.end(), rng);
    for (int k = 0; k < width; ++k) {
      ids.push_back(b + 1);
      items.push_back("item" + std::to_string(all[static_cast<std::size_t>(k)]));
    }
  }
  host.AddNumeric("id", ids);
  host.AddText("item", items);
}

class RunBoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("linkan-boundary-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    host_.SetAutomation(true);
    host_.SetDataFolder(folder_.string());
  }
  void TearDown() override {
    g_failAfter.store(-1);
    std::filesystem::remove_all(folder_);
  }

  // Runs an association task at `support` over the host's table.
  int Run(double support, std::string& error) {
    seq_ = std::make_unique<CSequence>(&host_);
    seq_->Initialize();
    seq_->ExecuteStep(kStepInit);
    const std::string task =
        R"({"GenerateNonsequentialAssociation": 1, "Variables": {"id": "id", "responses": ["item"]},
            "MinimumSupport": )" +
        std::to_string(support) + R"(, "MaxSizeOfItemset": 12, "DatabaseFile": ")" +
        (folder_ / "p.dbs").string() + "\"}";
    return seq_->RunTask(task, error);
  }

  std::filesystem::path folder_;
  TestHost host_;
  std::unique_ptr<CSequence> seq_;
};

TEST_F(RunBoundaryTest, OutOfMemoryNamesThePhase) {
  struct Case {
    const char* name;
    std::uint64_t limitAboveNow;  // 0: no limit
    bool hostRefusesMemory;
    long failWorkerAllocationAfter;  // -1: none
    std::string expected;            // a regular expression for the whole report
  };
  const Case cases[] = {
      {"over the limit while collecting", 64u << 20, false, -1,
       "out of memory: the run needed more than [0-9.]+ MiB \\(the memory limit\\) while "
       "collecting frequent patterns, after [1-9][0-9]* patterns; raise the minimum support or "
       "lower the maximum itemset size"},
      {"host allocator refuses", 0, true, -1,
       "out of memory: the system refused the run more memory while building the transaction "
       "database"},
      {"bad_alloc in a worker thread", 0, false, 2000,
       "out of memory: the system refused the run more memory while collecting frequent "
       "patterns(, after [1-9][0-9]* patterns; raise the minimum support or lower the maximum "
       "itemset size)?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_ = TestHost();
    SetUp();
    // Wide enough that the enumeration's root node is split among threads.
    AddExplodingBaskets(host_, 2000, 24, 30);
    if (c.limitAboveNow != 0) host_.SetMemoryLimit(ResidentBytes() + c.limitAboveNow);
    host_.FailAllocations(c.hostRefusesMemory);
    g_failAfter.store(c.failWorkerAllocationAfter);
    std::string error;
    EXPECT_EQ(Run(1e-5, error), kRunOutOfMemory) << error;
    g_failAfter.store(-1);
    EXPECT_TRUE(std::regex_match(error, std::regex(c.expected))) << error;
    ASSERT_FALSE(host_.messages.empty());
    EXPECT_EQ(host_.messages.back(), error);
    seq_.reset();
  }
}

TEST_F(RunBoundaryTest, QuestionsAnsweredUnderAutomationReachTheHost) {
  AddExplodingBaskets(host_, 5, 3, 6);
  std::string error;
  ASSERT_EQ(Run(0.1, error), 0) << error;  // 0.1 is not above one basket in five
  ASSERT_EQ(host_.answeredQuestions.size(), 1u);
  EXPECT_NE(host_.answeredQuestions[0].find("Minimum support specified is small enough"),
            std::string::npos)
      << host_.answeredQuestions[0];
  EXPECT_TRUE(host_.questions.empty());
}

}  // namespace
}  // namespace linkan
