// sequence_enumerator.cpp
#include "engine/mining/sequence_enumerator.h"

#include "engine/mining/sequence_enumerator_internal.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"

namespace linkan {

void ThrowIfCancelled(const MiningContext& ctx) {
  if (ctx.Stopped() || (ctx.cancelSource != nullptr && IsAnalysisCancelled(*ctx.cancelSource))) {
    throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
  }
}

namespace sequence_internal {

void Enumerator::RecordExtensions(std::span<const Rank> key, const Shape& sh, Level& L) {
  L.ids.clear();
  if (sh.n > 0) {
    if (params_.association ? params_.maxpat <= sh.firstLen : params_.maxSequenceSize < sh.n) {
      return;
    }
  }
  for (std::size_t k = 0; k < L.codes.size(); ++k) {
    const ExtensionCode code = L.codes[k];
    if (code < 0) {
      const Rank x = -code;
      if (sh.lastLen < params_.maxpat && sh.lastMax < x) {
        extension_.assign(key.begin(), key.end());
        extension_.push_back(x);
        ++extension_[sh.lastBegin];
        L.ids.push_back(recorder_.Record(extension_, L.counts[k]));
      }
    } else if (params_.association || sh.n < params_.maxSequenceSize) {
      extension_.assign(key.begin(), key.end());
      extension_.push_back(1);
      extension_.push_back(code);
      L.ids.push_back(recorder_.Record(extension_, L.counts[k]));
    }
  }
}

bool Enumerator::EnumerateFrom(std::span<const Entry> d, const RunSet& in,
                               std::span<const Rank> key, std::size_t depth) {
  if (d.size() < params_.bounds.minCount) return false;
  const Shape sh = ShapeOf(key);
  const bool assoc = params_.association;
  const std::int32_t maxpat = params_.maxpat;
  const std::int32_t mss = params_.maxSequenceSize;
  if (assoc && sh.n > 0 && maxpat <= sh.firstLen) return false;

  Level& L = LevelAt(depth);
  CountExtensions(d, in, key, sh, L);
  if (L.codes.empty()) {
    Unmark(L);
    return false;
  }
  RecordExtensions(key, sh, L);
  if (L.ids.empty()) {
    Unmark(L);
    return false;
  }

  ThrowIfCancelled(ctx_);
  bool descended = false;
  const bool descend = sh.n == 0 || (!assoc && sh.n <= mss) || (assoc && sh.firstLen + 2 <= maxpat);
  // Which pairs can give a pattern:
  //   (-a,-b) condA and a above the last itemset; (-a,+b) condB;
  //   (+a,-b) condC; (+a,+b) condD.
  const bool condA = sh.n > 0 && sh.lastLen + 2 <= maxpat;
  const bool condB = sh.n > 0 && (assoc || sh.n + 1 <= mss) && sh.lastLen < maxpat;
  const bool condC = (assoc || sh.n + 1 <= mss) && maxpat > 1;
  const bool condD = assoc || sh.n + 2 <= mss;
  if (descend && (condA || condB || condC || condD)) {
    BuildRuns(d, in, L, condA, sh.lastMax, condB, condC || condD);
    Unmark(L);
    const bool checkOften = d.size() >= 1024;
    for (std::size_t k = 0; k < L.codes.size(); ++k) {
      if (L.occBegin[k] == L.occBegin[k + 1]) continue;
      // The guard costs one load: it is asked per first code everywhere.
      if (checkOften || ctx_.Stopped()) ThrowIfCancelled(ctx_);
      const ExtensionCode c1 = L.codes[k];
      const Rank a = c1 < 0 ? -c1 : c1;
      const bool minusMinus = c1 < 0 && condA && sh.lastMax < a;
      if (c1 < 0) {
        FormPairs(d, L, k, minusMinus, condB, false, false);
      } else {
        FormPairs(d, L, k, false, false, condC, condD);
      }
      for (std::size_t i = 0; i < L.pairs.size(); ++i) {
        const Level::Pair pr = L.pairs[i];
        const ExtensionCode c2 = CodeOfIndex(pr.c2);
        const Rank b = c2 < 0 ? -c2 : c2;
        Vec<Rank>& child = L.childKey;
        if (c1 < 0 && c2 < 0) {
          if (!minusMinus) continue;
          child.assign(key.begin(), key.end());
          child.push_back(a);
          child.push_back(b);
          child[sh.lastBegin] += 2;
        } else if (c1 < 0) {
          if (!condB) continue;
          WithInLast(key, sh, a, child);
          child.push_back(1);
          child.push_back(b);
        } else if (c2 < 0) {
          if (!condC) continue;
          child.assign(key.begin(), key.end());
          child.push_back(2);
          child.push_back(a);
          child.push_back(b);
        } else {
          if (!condD) continue;
          child.assign(key.begin(), key.end());
          child.push_back(1);
          child.push_back(a);
          child.push_back(1);
          child.push_back(b);
        }
        descended = true;
        const PatternId id = recorder_.Record(child, pr.size);
        // The child's key, database and runs stay in this level while it
        // runs; the child works in the next level.
        const std::span<const Entry> childD(L.dprime.data() + pr.begin, pr.size);
        if (!EnumerateFrom(childD, L.runs, child, depth + 1)) leaves_.insert(id);
      }
    }
  } else {
    Unmark(L);
  }
  if (!descended) leaves_.insert(L.ids.begin(), L.ids.end());
  return true;
}

}  // namespace sequence_internal

void EnumerateSequences(const ContributedDatabase& db, const EnumerationParams& params,
                        PatternRecorder& recorder, std::set<PatternId>& leaves,
                        const MiningContext& ctx) {
  sequence_internal::Enumerator(db, params, recorder, leaves, ctx).Run();
}

}  // namespace linkan
