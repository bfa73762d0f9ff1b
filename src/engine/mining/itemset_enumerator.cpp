// itemset_enumerator.cpp
#include "engine/mining/itemset_enumerator.h"

#include "engine/mining/itemset_enumerator_internal.h"
#include "frame/host/module_error.h"

namespace linkan {
namespace itemset_internal {

// The layout: forced by the context, or bit sets when the frequent items
// fill at least a tenth of their transaction x item matrix.
bool ItemsetEnumerator::UseBitSets(const Rows& rows) const {
  switch (ctx_.layout) {
    case MiningContext::Layout::kDense:
      return true;
    case MiningContext::Layout::kSparse:
    case MiningContext::Layout::kGeneral:
      return false;
    case MiningContext::Layout::kAuto:
      break;
  }
  // Density of the items that can be frequent: their occurrences over the
  // size of the transaction x item matrix they span.
  Vec<std::uint32_t> count(db_.RankCount() + 1, 0);
  for (const std::uint32_t y : rows.items) ++count[y];
  std::uint64_t occurrences = 0;
  std::uint64_t items = 0;
  for (const std::uint32_t c : count) {
    if (c >= minCount_ && c > 0) {
      occurrences += c;
      ++items;
    }
  }
  const std::size_t n = rows.begin.size() - 1;
  return items > 0 && occurrences * 10 >= static_cast<std::uint64_t>(n) * items;
}

}  // namespace itemset_internal

void EnumerateItemsets(const ContributedDatabase& db, const EnumerationParams& params,
                       PatternRecorder& recorder, std::set<PatternId>& leaves,
                       const MiningContext& ctx) {
  PatternLog log;
  bool finished = itemset_internal::ItemsetEnumerator(db, params, ctx).Run(log);
  // A run the guard stopped records nothing more: it ends at once.
  if (!ctx.Stopped()) {
    std::size_t events = 0;
    std::size_t words = 0;
    log.Totals(events, words);
    recorder.Reserve(events, words);
    finished = log.Replay(recorder, leaves, ctx.guard) && finished;
  }
  recorder.FinishAppends();
  if (!finished) throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
}

}  // namespace linkan
