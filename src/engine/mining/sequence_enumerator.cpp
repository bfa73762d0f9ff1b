// sequence_enumerator.cpp
#include "engine/mining/sequence_enumerator.h"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

#include "frame/host/module_error.h"
#include "frame/progress.h"

namespace linkan {

void ThrowIfCancelled(const MiningContext& ctx) {
  if (ctx.cancelSource != nullptr && IsAnalysisCancelled(*ctx.cancelSource)) {
    throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
  }
}

namespace {

// One entry of a projected database: a sequence and the position at which
// the pattern's last itemset was first matched (-1: before the first).
struct Entry {
  std::uint32_t s;
  std::int32_t pos;
};

// The codes -y and +y as dense indices 2y and 2y + 1.
std::uint32_t MinusIndex(Rank y) { return 2u * static_cast<std::uint32_t>(y); }
std::uint32_t PlusIndex(Rank y) { return 2u * static_cast<std::uint32_t>(y) + 1u; }
ExtensionCode CodeOfIndex(std::uint32_t i) {
  const auto y = static_cast<ExtensionCode>(i >> 1);
  return (i & 1u) != 0 ? y : -y;
}

// What the node's conditions need of a pattern key.
struct Shape {
  std::int32_t n = 0;         // number of itemsets
  std::int32_t firstLen = 0;  // items of the first itemset
  std::int32_t lastLen = 0;   // items of the last itemset
  std::size_t lastBegin = 0;  // index of the last itemset's length word
  Rank lastMax = 0;           // largest item of the last itemset
};

Shape ShapeOf(std::span<const Rank> key) {
  Shape sh;
  std::size_t i = 0;
  while (i < key.size()) {
    if (sh.n == 0) sh.firstLen = key[i];
    sh.lastBegin = i;
    sh.lastLen = key[i];
    ++sh.n;
    i += static_cast<std::size_t>(key[i]) + 1;
  }
  sh.lastMax = sh.n > 0 && sh.lastLen > 0 ? key.back() : 0;
  return sh;
}

// Copies `key` into `out` with x inserted into the last itemset (nothing
// changes when x is there already).
void WithInLast(std::span<const Rank> key, const Shape& sh, Rank x, std::vector<Rank>& out) {
  out.assign(key.begin(), key.end());
  const auto first = out.begin() + static_cast<std::ptrdiff_t>(sh.lastBegin + 1);
  const auto at = std::lower_bound(first, out.end(), x);
  if (at != out.end() && *at == x) return;
  out.insert(at, x);
  ++out[sh.lastBegin];
}

class Enumerator {
 public:
  Enumerator(const ContributedDatabase& db, const EnumerationParams& params,
             PatternRecorder& recorder, std::set<PatternId>& leaves, const MiningContext& ctx)
      : db_(db), params_(params), recorder_(recorder), leaves_(leaves), ctx_(ctx) {
    const std::size_t r = db.RankCount() + 1;
    cntMinus_.assign(r, 0);
    cntPlus_.assign(r, 0);
    seenPlus_.assign(r, 0);
    stamp2_.assign(2 * r, 0);
    count2_.assign(2 * r, 0);
    offset2_.assign(2 * r, 0);
    BuildLastOccurrences();
  }

  void Run() {
    std::vector<Entry> d0(db_.size());
    for (std::size_t s = 0; s < d0.size(); ++s) d0[s] = {static_cast<std::uint32_t>(s), -1};
    const std::vector<Rank> empty;
    EnumerateFrom(d0, empty, 0);
  }

 private:
  // Per-level state: lives while the node of that depth is being processed,
  // across the descent into its children (which use deeper levels).
  struct Level {
    std::vector<std::int32_t> minusIdx;     // per rank: index of code -y, or -1
    std::vector<std::int32_t> plusIdx;      // per rank: index of code +y, or -1
    std::vector<ExtensionCode> codes;       // ascending
    std::vector<SupportCount> counts;
    std::vector<PatternId> ids;
    // Per entry of D, the positions from the matched one on with their
    // items whose code survived (the pair pass's posItems).
    std::vector<std::uint32_t> runBegin;    // per entry, into runPos
    std::vector<std::int32_t> runPos;       // position of each run
    std::vector<std::uint32_t> runItemBegin;
    std::vector<Rank> runItems;
    // Occurrences of first codes: (entry, run of its first position),
    // grouped by code index.
    std::vector<std::uint32_t> occBegin;
    std::vector<std::uint64_t> occ;         // entry << 32 | run
    std::vector<std::uint32_t> occCode;     // code index of each occ before grouping
    std::vector<std::uint64_t> occTmp;
    // Pairs of the current first code.
    struct Hit {
      std::uint32_t c2;
      std::uint32_t entry;
      std::int32_t pos;
    };
    std::vector<Hit> hits;
    struct Pair {
      std::uint32_t c2;
      std::uint32_t begin;
      std::uint32_t size;
    };
    std::vector<Pair> pairs;
    std::vector<Entry> dprime;
    std::vector<Rank> childKey;
  };

  Level& LevelAt(std::size_t depth) {
    while (levels_.size() <= depth) {
      auto level = std::make_unique<Level>();
      level->minusIdx.assign(db_.RankCount() + 1, -1);
      level->plusIdx.assign(db_.RankCount() + 1, -1);
      levels_.push_back(std::move(level));
    }
    return *levels_[depth];
  }

  // Per sequence, its distinct items with their last position, latest
  // first: the +y codes after a position are a prefix of this list.
  void BuildLastOccurrences() {
    lastBegin_.assign(1, 0);
    std::vector<std::pair<std::int32_t, Rank>> tmp;
    std::vector<std::int32_t> last(db_.RankCount() + 1, -1);
    for (std::size_t s = 0; s < db_.size(); ++s) {
      tmp.clear();
      const std::size_t c = db_.PositionCount(s);
      for (std::size_t p = c; p-- > 0;) {
        for (const Rank y : db_.At(s, p)) {
          if (last[y] < 0) {
            last[y] = static_cast<std::int32_t>(p);
            tmp.emplace_back(static_cast<std::int32_t>(p), y);
          }
        }
      }
      for (const auto& [p, y] : tmp) {
        lastItem_.push_back(y);
        lastPos_.push_back(p);
        last[y] = -1;
      }
      lastBegin_.push_back(lastItem_.size());
    }
  }

  bool Within(std::uint64_t k) const { return params_.bounds.Within(k); }

  bool EnumerateFrom(std::span<const Entry> d, std::span<const Rank> key, std::size_t depth);
  void CountExtensions(std::span<const Entry> d, std::span<const Rank> key, const Shape& sh,
                       Level& L);
  void RecordExtensions(std::span<const Rank> key, const Shape& sh, Level& L);
  void BuildRuns(std::span<const Entry> d, Level& L, bool minusUsable, Rank minusAbove,
                 bool condB, bool plusUsable);
  void FormPairs(std::span<const Entry> d, Level& L, std::size_t k, bool minusMinus, bool condB,
                 bool condC, bool condD);

  const ContributedDatabase& db_;
  const EnumerationParams& params_;
  PatternRecorder& recorder_;
  std::set<PatternId>& leaves_;
  const MiningContext& ctx_;

  std::vector<std::uint64_t> lastBegin_;
  std::vector<Rank> lastItem_;
  std::vector<std::int32_t> lastPos_;

  // Scratch shared by all levels: used only between recursions.
  std::vector<std::uint32_t> cntMinus_, cntPlus_;
  std::vector<Rank> touchedMinus_, touchedPlus_;
  std::vector<std::uint32_t> seenPlus_;
  std::uint32_t seenStamp_ = 0;
  std::vector<std::uint32_t> stamp2_, count2_, offset2_;
  std::vector<std::uint32_t> touched2_;
  std::uint32_t stamp2Counter_ = 0;
  std::vector<Rank> extension_;

  std::vector<std::unique_ptr<Level>> levels_;
};

void Enumerator::CountExtensions(std::span<const Entry> d, std::span<const Rank> key,
                                 const Shape& sh, Level& L) {
  for (const Entry& e : d) {
    if (db_.PositionCount(e.s) == 0) continue;
    if (e.pos >= 0) {
      for (const Rank y : db_.At(e.s, static_cast<std::size_t>(e.pos))) {
        if (cntMinus_[y]++ == 0) touchedMinus_.push_back(y);
      }
    }
    for (std::uint64_t i = lastBegin_[e.s]; i < lastBegin_[e.s + 1] && lastPos_[i] > e.pos; ++i) {
      const Rank y = lastItem_[i];
      if (cntPlus_[y]++ == 0) touchedPlus_.push_back(y);
    }
  }
  L.codes.clear();
  L.counts.clear();
  // -y codes in ascending code order: largest y first.
  std::sort(touchedMinus_.begin(), touchedMinus_.end(), std::greater<>());
  for (const Rank y : touchedMinus_) {
    const std::uint32_t k = cntMinus_[y];
    cntMinus_[y] = 0;
    if (!Within(k)) continue;
    WithInLast(key, sh, y, extension_);
    if (recorder_.IsRecorded(extension_)) continue;
    L.codes.push_back(-y);
    L.counts.push_back(k);
  }
  touchedMinus_.clear();
  std::sort(touchedPlus_.begin(), touchedPlus_.end());
  for (const Rank y : touchedPlus_) {
    const std::uint32_t k = cntPlus_[y];
    cntPlus_[y] = 0;
    if (!Within(k)) continue;
    extension_.assign(key.begin(), key.end());
    extension_.push_back(1);
    extension_.push_back(y);
    if (recorder_.IsRecorded(extension_)) continue;
    L.codes.push_back(y);
    L.counts.push_back(k);
  }
  touchedPlus_.clear();
}

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

void Enumerator::BuildRuns(std::span<const Entry> d, Level& L, bool minusUsable,
                           Rank minusAbove, bool condB, bool plusUsable) {
  L.runBegin.assign(1, 0);
  L.runPos.clear();
  L.runItemBegin.assign(1, 0);
  L.runItems.clear();
  L.occTmp.clear();
  L.occCode.clear();
  for (std::size_t e = 0; e < d.size(); ++e) {
    const std::uint32_t s = d[e].s;
    const std::int32_t pos = d[e].pos;
    const auto c = static_cast<std::int32_t>(db_.PositionCount(s));
    if (++seenStamp_ == 0) {
      std::fill(seenPlus_.begin(), seenPlus_.end(), 0);
      seenStamp_ = 1;
    }
    if (pos >= 0 && c > 0) {
      const auto run = static_cast<std::uint32_t>(L.runPos.size());
      for (const Rank y : db_.At(s, static_cast<std::size_t>(pos))) {
        const std::int32_t k = L.minusIdx[y];
        if (k < 0) continue;
        L.runItems.push_back(y);
        if ((minusUsable && minusAbove < y) || condB) {
          L.occCode.push_back(static_cast<std::uint32_t>(k));
          L.occTmp.push_back(static_cast<std::uint64_t>(e) << 32 | run);
        }
      }
      if (L.runItems.size() > L.runItemBegin.back()) {
        L.runPos.push_back(pos);
        L.runItemBegin.push_back(static_cast<std::uint32_t>(L.runItems.size()));
      }
    }
    for (std::int32_t p = pos + 1; p < c; ++p) {
      const auto run = static_cast<std::uint32_t>(L.runPos.size());
      for (const Rank y : db_.At(s, static_cast<std::size_t>(p))) {
        const std::int32_t k = L.plusIdx[y];
        if (k < 0) continue;
        L.runItems.push_back(y);
        if (plusUsable && seenPlus_[y] != seenStamp_) {
          seenPlus_[y] = seenStamp_;
          L.occCode.push_back(static_cast<std::uint32_t>(k));
          L.occTmp.push_back(static_cast<std::uint64_t>(e) << 32 | run);
        }
      }
      if (L.runItems.size() > L.runItemBegin.back()) {
        L.runPos.push_back(p);
        L.runItemBegin.push_back(static_cast<std::uint32_t>(L.runItems.size()));
      }
    }
    L.runBegin.push_back(static_cast<std::uint32_t>(L.runPos.size()));
  }
  // Group the occurrences by code, keeping the order of entries.
  L.occBegin.assign(L.codes.size() + 1, 0);
  for (const std::uint32_t k : L.occCode) ++L.occBegin[k + 1];
  for (std::size_t k = 0; k < L.codes.size(); ++k) L.occBegin[k + 1] += L.occBegin[k];
  L.occ.resize(L.occTmp.size());
  {
    std::vector<std::uint32_t> next(L.occBegin.begin(), L.occBegin.end() - 1);
    for (std::size_t i = 0; i < L.occTmp.size(); ++i) L.occ[next[L.occCode[i]]++] = L.occTmp[i];
  }
}

void Enumerator::FormPairs(std::span<const Entry> d, Level& L, std::size_t k, bool minusMinus,
                           bool condB, bool condC, bool condD) {
  const ExtensionCode c1 = L.codes[k];
  const Rank a = c1 < 0 ? -c1 : c1;
  L.hits.clear();
  std::uint32_t cur = 0;
  std::uint32_t entry = 0;
  auto emit = [&](std::uint32_t idx, std::int32_t pos) {
    if (stamp2_[idx] == cur) return;
    stamp2_[idx] = cur;
    L.hits.push_back({idx, entry, pos});
    if (count2_[idx]++ == 0) touched2_.push_back(idx);
  };
  for (std::uint32_t o = L.occBegin[k]; o < L.occBegin[k + 1]; ++o) {
    entry = static_cast<std::uint32_t>(L.occ[o] >> 32);
    const auto r1 = static_cast<std::uint32_t>(L.occ[o]);
    if (++stamp2Counter_ == 0) {
      std::fill(stamp2_.begin(), stamp2_.end(), 0);
      stamp2Counter_ = 1;
    }
    cur = stamp2Counter_;
    const std::uint32_t runEnd = L.runBegin[entry + 1];
    const std::int32_t p1 = L.runPos[r1];
    const Rank* first = L.runItems.data() + L.runItemBegin[r1];
    const Rank* last = L.runItems.data() + L.runItemBegin[r1 + 1];
    if (c1 < 0) {
      if (minusMinus) {
        for (const Rank* y = std::upper_bound(first, last, a); y != last; ++y) {
          emit(MinusIndex(*y), p1);
        }
      }
      if (condB) {
        for (std::uint32_t r = r1 + 1; r < runEnd; ++r) {
          const std::int32_t p = L.runPos[r];
          for (std::uint32_t i = L.runItemBegin[r]; i < L.runItemBegin[r + 1]; ++i) {
            emit(PlusIndex(L.runItems[i]), p);
          }
        }
      }
    } else {
      if (condC) {
        for (const Rank* y = std::upper_bound(first, last, a); y != last; ++y) {
          emit(MinusIndex(*y), p1);
        }
      }
      for (std::uint32_t r = r1 + 1; r < runEnd; ++r) {
        const std::int32_t p = L.runPos[r];
        const Rank* rf = L.runItems.data() + L.runItemBegin[r];
        const Rank* rl = L.runItems.data() + L.runItemBegin[r + 1];
        if (condC) {
          const Rank* at = std::lower_bound(rf, rl, a);
          if (at != rl && *at == a) {
            for (const Rank* y = at + 1; y != rl; ++y) emit(MinusIndex(*y), p);
          }
        }
        if (condD) {
          for (const Rank* y = rf; y != rl; ++y) emit(PlusIndex(*y), p);
        }
      }
    }
  }
  // Keep the pairs within the bounds, in ascending code order, and lay out
  // their projected databases contiguously in the order of the entries.
  L.pairs.clear();
  for (const std::uint32_t idx : touched2_) {
    if (Within(count2_[idx])) {
      L.pairs.push_back({idx, 0, count2_[idx]});
    } else {
      count2_[idx] = 0;
    }
  }
  touched2_.clear();
  std::sort(L.pairs.begin(), L.pairs.end(), [](const Level::Pair& x, const Level::Pair& y) {
    return CodeOfIndex(x.c2) < CodeOfIndex(y.c2);
  });
  std::uint32_t total = 0;
  for (Level::Pair& pr : L.pairs) {
    pr.begin = total;
    offset2_[pr.c2] = total;
    total += pr.size;
  }
  L.dprime.resize(total);
  for (const Level::Hit& h : L.hits) {
    if (count2_[h.c2] == 0) continue;
    L.dprime[offset2_[h.c2]++] = {d[h.entry].s, h.pos};
  }
  for (const Level::Pair& pr : L.pairs) count2_[pr.c2] = 0;
}

bool Enumerator::EnumerateFrom(std::span<const Entry> d, std::span<const Rank> key,
                               std::size_t depth) {
  if (d.size() < params_.bounds.minCount) return false;
  const Shape sh = ShapeOf(key);
  const bool assoc = params_.association;
  const std::int32_t maxpat = params_.maxpat;
  const std::int32_t mss = params_.maxSequenceSize;
  if (assoc && sh.n > 0 && maxpat <= sh.firstLen) return false;

  Level& L = LevelAt(depth);
  CountExtensions(d, key, sh, L);
  if (L.codes.empty()) return false;
  RecordExtensions(key, sh, L);
  if (L.ids.empty()) return false;

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
    for (std::size_t k = 0; k < L.codes.size(); ++k) {
      const ExtensionCode code = L.codes[k];
      if (code < 0) {
        L.minusIdx[-code] = static_cast<std::int32_t>(k);
      } else {
        L.plusIdx[code] = static_cast<std::int32_t>(k);
      }
    }
    BuildRuns(d, L, condA, sh.lastMax, condB, condC || condD);
    const bool checkOften = d.size() >= 1024;
    for (std::size_t k = 0; k < L.codes.size(); ++k) {
      if (L.occBegin[k] == L.occBegin[k + 1]) continue;
      if (checkOften) ThrowIfCancelled(ctx_);
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
        std::vector<Rank>& child = L.childKey;
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
        // The child's key and database stay in this level while it runs.
        const std::span<const Entry> childD(L.dprime.data() + pr.begin, pr.size);
        if (!EnumerateFrom(childD, child, depth + 1)) leaves_.insert(id);
      }
    }
    for (const ExtensionCode code : L.codes) {
      if (code < 0) {
        L.minusIdx[-code] = -1;
      } else {
        L.plusIdx[code] = -1;
      }
    }
  }
  if (!descended) leaves_.insert(L.ids.begin(), L.ids.end());
  return true;
}

}  // namespace

void EnumerateSequences(const ContributedDatabase& db, const EnumerationParams& params,
                        PatternRecorder& recorder, std::set<PatternId>& leaves,
                        const MiningContext& ctx) {
  Enumerator(db, params, recorder, leaves, ctx).Run();
}

}  // namespace linkan
