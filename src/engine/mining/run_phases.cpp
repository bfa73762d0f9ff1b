// run_phases.cpp
//
// The phases of a run on a complete transaction database, and the reopening
// of a stored project into its results.
#include "engine/run_phases.h"

#include <memory>
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
#include "frame/progress_bars.h"
#include "frame/timed_section.h"
#include "projectdb/project_database.h"

namespace linkan {
namespace {

// The host profile entry that switches on the enumeration's progress bar.
constexpr int kEnumerationProgressEntry = 55607;

// The enumeration's progress bar: a host bar over 0 .. 10000 when the
// profile entry asks for it, else a bar that only counts.
std::unique_ptr<CUncountedMainThreadProgressBar> EnumerationBar(CAnalysisSupport& host,
                                                                bool& visible) {
  visible = host.HasDocument() && host.doc().GetProfileInt(kEnumerationProgressEntry, 0) != 0;
  std::unique_ptr<ProgressBarHolder> holder;
  if (visible) {
    holder = std::make_unique<ProgressBarHolder>(host.doc(), 0, 10000, 0, true, true,
                                                 "Collecting frequent itemsets / sequences");
    holder->CreateBar();
  }
  return std::make_unique<CUncountedMainThreadProgressBar>(std::move(holder));
}

}  // namespace

void RunPhases(SalEngine& engine) {
  engine.ClearResults();
  CAnalysisSupport& host = engine.analysis();
  ProjectDatabase& db = *engine.projectDb();
  {
    TimedSection timing("SAL [frequent pattern enumeration]");
    bool visible = false;
    const auto bar = EnumerationBar(host, visible);
    // Every sequence is read once, in one pass over the stored records.
    const SequenceDatabase sequences =
        LoadSequenceDatabase(db, engine.transactionIds,
                             ItemsetCombining::FromSettings(engine.settings), engine.items.size());
    db.EndReadAccess();
    MiningContext ctx;
    ctx.threads = MiningContext::DefaultThreads();
    ctx.cancelSource = &host;
    ctx.reportLines = visible;
    EnumerateFrequentPatterns(engine, sequences, ctx);
  }
  {
    TimedSection timing("SAL [rule generation]");
    // A cancelled generation keeps the rules made so far; the run goes on.
    GenerateRules(engine);
  }
  RebuildItemFrequency(engine);
  ClusterItems(engine);
  db.SaveProjectRecord(MakeProjectRecord(engine));
  db.SaveFrequentPatterns(StoredPatternsOf(engine.patterns), StoredLeavesOf(engine.leaves));
}

void RebuildFromProject(SalEngine& engine) {
  engine.ClearResults();
  std::vector<StoredPattern> stored;
  std::vector<std::uint32_t> storedLeaves;
  // Checked against the restored item dictionary: every item is named, no
  // pattern is stored twice, every leaf names a pattern.
  engine.projectDb()->LoadFrequentPatterns(stored, storedLeaves, engine.items.size());
  // Stored order gives the IDs.
  for (const StoredPattern& p : stored) engine.patterns.Record(p.itemsets, p.count);
  // Leaves are stored as positions in the stored order.
  engine.leaves.insert(storedLeaves.begin(), storedLeaves.end());
  GenerateRules(engine);
  RebuildItemFrequency(engine);
  ClusterItems(engine);
}

}  // namespace linkan
