// pattern_enumeration.cpp
#include "engine/mining/pattern_enumeration.h"

#include "engine/mining/contributed_database.h"
#include "engine/mining/enumeration_params.h"
#include "engine/mining/itemset_enumerator.h"
#include "engine/mining/pattern_recorder.h"
#include "engine/mining/sequence_enumerator.h"
#include "engine/mining/standard_support_enumerator.h"

namespace linkan {

void EnumerateFrequentPatterns(SalEngine& engine, const SequenceDatabase& db,
                               const MiningContext& ctx) {
  engine.patterns.Clear();
  engine.leaves.clear();
  const ContributedDatabase cdb =
      ContributedDatabase::Build(db, ContributionRules::FromEngine(engine));
  const EnumerationParams params = EnumerationParams::FromSettings(engine.settings, db.size());
  PatternRecorder recorder(engine.patterns, engine.items, !engine.IsAssociationMode(),
                           cdb.RankToItem(), ctx.reportLines, ctx.lineRequest, ctx.guard);
  if (params.standardSupport) {
    EnumerateWithStandardSupport(cdb, params, recorder, engine.patterns, engine.leaves, ctx);
    return;
  }
  const bool itemsetEngine = params.association && cdb.OneItemsetPerSequence() &&
                             ctx.layout != MiningContext::Layout::kGeneral;
  if (itemsetEngine) {
    EnumerateItemsets(cdb, params, recorder, engine.leaves, ctx);
  } else {
    EnumerateSequences(cdb, params, recorder, engine.leaves, ctx);
  }
}

}  // namespace linkan
