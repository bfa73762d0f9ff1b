// run_phases.cpp
//
// The phases of a run on a complete transaction database, and the reopening
// of a stored project into its results.
#include "engine/run_phases.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/mining/item_clustering.h"
#include "engine/mining/item_frequency.h"
#include "engine/mining/mining_context.h"
#include "engine/mining/pattern_enumeration.h"
#include "engine/mining/rule_generation.h"
#include "engine/mining/sequence_database.h"
#include "engine/persistence/project_record_conversion.h"
#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"
#include "frame/progress_bars.h"
#include "frame/supervised_work.h"
#include "frame/timed_section.h"
#include "projectdb/project_database.h"

namespace linkan {
namespace {

// The host profile entry that switches on the enumeration's progress bar.
constexpr int kEnumerationProgressEntry = 55607;

// The enumeration's progress: a host bar over 0 .. 10000 when the profile
// entry asks for it, showing the number of patterns found and a sampled
// pattern line. The enumeration runs off the analysis thread, so the bar it
// reports into only counts; the analysis thread moves the host bar (Show).
class EnumerationProgress {
 public:
  explicit EnumerationProgress(CAnalysisSupport& host) {
    if (host.HasDocument() && host.doc().GetProfileInt(kEnumerationProgressEntry, 0) != 0) {
      holder_ = std::make_unique<ProgressBarHolder>(host.doc(), 0, 10000, 0, true, true,
                                                    "Collecting frequent itemsets / sequences");
      holder_->CreateBar();
    }
    counter_ = std::make_unique<CUncountedThreadSafeProgressBar>(holder_.get());
  }
  ~EnumerationProgress() {
    counter_.reset();  // before the holder it refers to
  }

  // Where the recorder leaves a sampled line (null: no visible bar).
  std::atomic<bool>* lineRequest() { return holder_ ? &lineRequest_ : nullptr; }

  // On the analysis thread: the count and the last line to the host bar,
  // and a Cancel pressed on it to the guard.
  void Show(RunGuard& guard) {
    if (!holder_ || !holder_->bar) return;
    holder_->bar->SetPosition(static_cast<unsigned long>(guard.Patterns()));
    const std::string text = counter_->LastText();
    if (!text.empty() && text != shownText_) {
      holder_->bar->SetText(text);
      shownText_ = text;
    }
    lineRequest_.store(true, std::memory_order_relaxed);
    if (holder_->bar->WasCancelled()) guard.RequestStop(RunGuard::Stop::kCancelled);
  }

 private:
  std::unique_ptr<ProgressBarHolder> holder_;
  std::unique_ptr<CUncountedThreadSafeProgressBar> counter_;
  std::atomic<bool> lineRequest_{true};
  std::string shownText_;
};

// Ends the run when the guard stopped it (Cancel or the memory limit).
void ThrowIfStopped(const CAnalysisSupport& host) {
  if (IsAnalysisCancelled(host)) {
    throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
  }
}

}  // namespace

void RunPhases(SalEngine& engine) {
  engine.ClearResults();
  CAnalysisSupport& host = engine.analysis();
  RunGuard& guard = host.runGuard();
  ProjectDatabase& db = *engine.projectDb();
  {
    TimedSection timing("SAL [frequent pattern enumeration]");
    PhaseScope phase(guard, "collecting frequent patterns");
    EnumerationProgress progress(host);
    // The sequences the construction has just built, or every stored
    // sequence read once, in one pass over the records.
    const SequenceDatabase sequences = TakeOrLoadSequenceDatabase(
        engine.builtSequences, db, engine.transactionIds,
        ItemsetCombining::FromSettings(engine.settings), engine.items.size());
    db.EndReadAccess();
    ThrowIfStopped(host);
    MiningContext ctx;
    ctx.threads = MiningContext::DefaultThreads();
    ctx.guard = &guard;
    ctx.lineRequest = progress.lineRequest();
    // The search may run for a long time in threads that cannot call the
    // host: the analysis thread watches it, shows its progress and passes
    // Cancel and the memory limit on through the guard.
    RunSupervised(
        host, [&] { EnumerateFrequentPatterns(engine, sequences, ctx); },
        [&] { progress.Show(guard); });
    progress.Show(guard);
  }
  {
    TimedSection timing("SAL [rule generation]");
    PhaseScope phase(guard, "generating rules");
    GenerateRules(engine);
    // A cancelled generation keeps the rules made so far, but the run ends:
    // what follows (clustering, storing every pattern) would keep it going.
    ThrowIfStopped(host);
  }
  {
    PhaseScope phase(guard, "clustering the items");
    RebuildItemFrequency(engine);
    ClusterItems(engine);
  }
  PhaseScope phase(guard, "storing the patterns in the project");
  db.SaveProjectRecord(MakeProjectRecord(engine));
  const FrequentPatternTable& table = engine.patterns;
  db.SaveFrequentPatterns(
      table.size(),
      [&table](std::size_t id) {
        const auto pid = static_cast<PatternId>(id);
        return ProjectDatabase::PatternKey{table.CountOf(pid), table.KeyOf(pid)};
      },
      StoredLeavesOf(engine.leaves));
}

void RebuildFromProject(SalEngine& engine) {
  engine.ClearResults();
  RunGuard& guard = engine.analysis().runGuard();
  guard.Restart();  // reopening starts here, without a construction
  std::vector<StoredPattern> stored;
  std::vector<std::uint32_t> storedLeaves;
  {
    PhaseScope phase(guard, "reading the patterns of the project");
    // Checked against the restored item dictionary: every item is named, no
    // pattern is stored twice, every leaf names a pattern.
    engine.projectDb()->LoadFrequentPatterns(stored, storedLeaves, engine.items.size());
  }
  // Stored order gives the IDs.
  for (const StoredPattern& p : stored) engine.patterns.Record(p.itemsets, p.count);
  // Leaves are stored as positions in the stored order.
  engine.leaves.insert(storedLeaves.begin(), storedLeaves.end());
  {
    PhaseScope phase(guard, "generating rules");
    GenerateRules(engine);
    ThrowIfStopped(engine.analysis());
  }
  PhaseScope phase(guard, "clustering the items");
  RebuildItemFrequency(engine);
  ClusterItems(engine);
}

}  // namespace linkan
