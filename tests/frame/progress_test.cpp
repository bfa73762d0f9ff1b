// Tests of the host progress bar, the cancellation query and the progress
// bar classes.
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "frame/host/analysis_support.h"
#include "frame/host/host_utility.h"
#include "frame/progress.h"
#include "frame/progress_bars.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;

TEST(Progress, StartingASecondBarStopsTheFirst) {
  TestHost host;
  testing::TestAnalysis support(&host);
  StartProgress(support, 10, "Generating rules...");
  EXPECT_TRUE(ProgressRunning());
  StartProgress(support, 5, "Computing...");
  StopProgress(support);
  EXPECT_FALSE(ProgressRunning());
  EXPECT_EQ(host.progressLog,
            (std::vector<std::string>{"title:Generating rules...", "start:10", "stop",
                                      "title:Computing...", "start:5", "stop"}));
}

TEST(Progress, CancellationComesFromTheUserOrTheHost) {
  TestHost host;
  testing::TestAnalysis support(&host);
  EXPECT_FALSE(IsAnalysisCancelled(support));
  SetExternallyCancelled(true);
  EXPECT_TRUE(IsAnalysisCancelled(support));
  SetExternallyCancelled(false);
  host.SetCancelled(true);
  EXPECT_TRUE(IsAnalysisCancelled(support));
}

TEST(ProgressBars, CountingIsThreadSafe) {
  CUncountedThreadSafeProgressBar bar(nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) brenwick::CThreadSafeProgressBarBase::Update("p", 1, false);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(bar.GetCount(), 40000u);
  EXPECT_EQ(bar.LastText(), "p");
  EXPECT_FALSE(bar.IsCounted());
}

TEST(ProgressBars, MainThreadBarCreatesTheHostBarAtItsThreshold) {
  TestHost host;
  auto holder = std::make_unique<ProgressBarHolder>(host, 0, 10000, 3, false, false, "Collecting");
  CUncountedMainThreadProgressBar bar(std::move(holder));
  bar.Increment(1);
  bar.Increment(1);
  EXPECT_TRUE(host.progressLog.empty());
  bar.Increment("[a] : 3", 1);
  ASSERT_GE(host.progressLog.size(), 2u);
  EXPECT_EQ(host.progressLog[0], "newbar:Collecting:0-10000:--");
  EXPECT_EQ(host.progressLog.back(), "bar:3");
}

TEST(ProgressBars, ExternalCancellationIsReportedNotRaisedWhileABarLives) {
  TestHost host;
  ProgressBarHolder holder(host, 0, 100, 0, true, true, "t");
  holder.lastExternalCheckMs = 0;  // the last check was long ago
  SetExternallyCancelled(true);
  {
    CUncountedMainThreadProgressBar bar(&holder);
    EXPECT_TRUE(bar.IsCancelled());
    // Checked at most once per second: an immediate second check says nothing.
    EXPECT_FALSE(holder.CheckExternalCancel());
  }
  holder.lastExternalCheckMs = 0;
  EXPECT_THROW(holder.CheckExternalCancel(), UserException);  // no bar: raised
  SetExternallyCancelled(false);
}

}  // namespace
}  // namespace linkan
