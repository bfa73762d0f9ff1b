// reference_enumeration.cpp
#include "reference_enumeration.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "engine/text/pattern_text.h"
#include "frame/double_compare.h"

namespace linkan::reference {
namespace {

using ProjectedEntry = std::pair<std::uint32_t, std::int32_t>;  // sequence, position
using ProjectedDatabase = std::vector<ProjectedEntry>;

std::uint32_t ToCount(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 4294967295.0) return 0xffffffffu;
  return static_cast<std::uint32_t>(v);
}

struct LimitReached {};

class Reference {
 public:
  explicit Reference(const RefInput& in) : in_(in), s_(in.settings) {}

  RefResult Run() {
    const std::uint64_t n = in_.sequences.size();
    const auto bounds = ReferenceBounds(n, s_.minsupp, s_.maxsupp);
    minCount_ = bounds.first;
    maxCount_ = bounds.second;
    // 1. Empty the table and the leaf set.
    frequent_.clear();
    dictionary_.clear();
    byId_.clear();
    leaves_.clear();
    // 2. D0 and the empty pattern.
    ProjectedDatabase d0;
    for (std::uint32_t i = 0; i < n; ++i) d0.emplace_back(i, -1);
    RefResult r;
    try {
      EnumerateFrom(d0, Pattern());
    } catch (const LimitReached&) {
      r.truncated = true;
      return r;
    }
    r.patterns = byId_;
    for (const auto& [id, count] : frequent_) r.counts.push_back(count);
    r.leaves = leaves_;
    GenerateRules(r);
    return r;
  }

 private:
  bool Association() const { return s_.noseq != 0; }
  bool WithinBounds(unsigned k) const { return minCount_ <= k && k <= maxCount_; }

  // ---- The sequence source ----
  std::size_t Select(std::uint32_t s) {
    selected_ = &in_.sequences[s];
    return selected_->size();
  }

  Itemset ItemsetAt(std::int64_t p) const { return ReferenceItemsetAt(*selected_, s_, p); }

  // ---- Contributed items ----
  std::vector<ItemNumber> Contributed(ItemNumber x) const { return ReferenceContributed(in_, x); }

  // ---- The table ----
  static Pattern Extend(const Pattern& p, ExtensionCode code) {
    Pattern q = p;
    if (code < 0) {
      std::set<ItemNumber> last(q.back().begin(), q.back().end());
      last.insert(-code);
      q.back().assign(last.begin(), last.end());
    } else {
      q.push_back({code});
    }
    return q;
  }

  bool IsRecordedExtension(const Pattern& p, ExtensionCode code) const {
    return dictionary_.count(Extend(p, code)) != 0;
  }

  PatternId RecordPattern(const Pattern& p, unsigned count) {
    const auto it = dictionary_.find(p);
    if (it != dictionary_.end()) return it->second;
    const auto id = static_cast<PatternId>(byId_.size());
    if (in_.patternLimit != 0 && id >= in_.patternLimit) throw LimitReached();
    dictionary_.emplace(p, id);
    byId_.push_back(p);
    frequent_.emplace(id, count);
    return id;
  }

  // ---- The steps ----
  std::map<ExtensionCode, unsigned> CountExtensions(const Pattern& p, const ProjectedDatabase& d) {
    std::map<ExtensionCode, unsigned> counts;
    for (const auto& [s, pos] : d) {
      const std::size_t c = Select(s);
      if (c == 0) continue;
      std::set<ExtensionCode> codes;
      if (pos >= 0) {
        for (const ItemNumber x : ItemsetAt(pos)) {
          for (const ItemNumber y : Contributed(x)) {
            if (!IsRecordedExtension(p, -y)) codes.insert(-y);
          }
        }
      }
      for (std::int64_t q = pos + 1; q < static_cast<std::int64_t>(c); ++q) {
        for (const ItemNumber x : ItemsetAt(q)) {
          for (const ItemNumber y : Contributed(x)) {
            if (!IsRecordedExtension(p, +y)) codes.insert(+y);
          }
        }
      }
      for (const ExtensionCode code : codes) ++counts[code];
    }
    for (auto it = counts.begin(); it != counts.end();) {
      it = WithinBounds(it->second) ? std::next(it) : counts.erase(it);
    }
    return counts;
  }

  std::set<PatternId> RecordExtensions(const Pattern& p,
                                       const std::map<ExtensionCode, unsigned>& counts) {
    std::set<PatternId> ids;
    const std::size_t n = p.size();
    if (n > 0) {
      if (!Association() && static_cast<std::size_t>(s_.MaxSequenceSize) < n) return ids;
      if (Association() && static_cast<std::size_t>(s_.maxpat) <= p[0].size()) return ids;
    }
    for (const auto& [code, k] : counts) {
      if (code < 0) {
        const ItemNumber x = -code;
        if (static_cast<std::int64_t>(p.back().size()) < s_.maxpat && p.back().back() < x) {
          ids.insert(RecordPattern(Extend(p, code), k));
        }
      } else if (Association() || static_cast<std::int64_t>(n) < s_.MaxSequenceSize) {
        ids.insert(RecordPattern(Extend(p, code), k));
      }
    }
    return ids;
  }

  bool EnumerateFrom(const ProjectedDatabase& d, const Pattern& p) {
    const auto n = static_cast<std::int64_t>(p.size());
    if (d.size() < minCount_) return false;
    if (Association() && n > 0 && s_.maxpat <= static_cast<std::int64_t>(p[0].size())) return false;
    const std::map<ExtensionCode, unsigned> counts = CountExtensions(p, d);
    if (counts.empty()) return false;
    const std::set<PatternId> ids = RecordExtensions(p, counts);
    if (ids.empty()) return false;

    // The pair pass.
    std::map<std::pair<ExtensionCode, ExtensionCode>, ProjectedDatabase> pairs;
    for (const auto& [s, pos] : d) {
      const auto c = static_cast<std::int64_t>(Select(s));
      std::map<ExtensionCode, std::int64_t> firstPos;
      std::map<std::int64_t, std::set<ItemNumber>> posItems;
      if (pos >= 0 && c > 0) {
        for (const ItemNumber x : ItemsetAt(pos)) {
          for (const ItemNumber y : Contributed(x)) {
            if (counts.count(-y) != 0) {
              firstPos.emplace(-y, pos);
              posItems[pos].insert(y);
            }
          }
        }
      }
      for (std::int64_t q = pos + 1; q < c; ++q) {
        for (const ItemNumber x : ItemsetAt(q)) {
          for (const ItemNumber y : Contributed(x)) {
            if (counts.count(+y) != 0) {
              firstPos.emplace(+y, q);
              posItems[q].insert(y);
            }
          }
        }
      }
      std::map<std::pair<ExtensionCode, ExtensionCode>, std::int64_t> formed;
      for (const auto& [c1, p1] : firstPos) {
        for (std::int64_t q = p1; q < c; ++q) {
          bool seen = false;
          const auto items = posItems.find(q);
          if (items == posItems.end()) continue;
          for (const ItemNumber y : items->second) {
            if (y == c1) seen = true;
            if ((q == p1 || seen) && std::abs(c1) < y) formed.emplace(std::make_pair(c1, -y), q);
            if (p1 < q) formed.emplace(std::make_pair(c1, +y), q);
          }
        }
      }
      for (const auto& [pair, position] : formed) {
        pairs[pair].emplace_back(s, static_cast<std::int32_t>(position));
      }
    }
    for (auto it = pairs.begin(); it != pairs.end();) {
      it = WithinBounds(static_cast<unsigned>(it->second.size())) ? std::next(it) : pairs.erase(it);
    }
    bool descended = false;
    const bool descend = n == 0 || (!Association() && n <= s_.MaxSequenceSize) ||
                         (Association() && static_cast<std::int64_t>(p[0].size()) + 2 <= s_.maxpat);
    for (const auto& [pair, dPrime] : pairs) {
      if (!descend) break;
      const auto [c1, c2] = pair;
      std::optional<Pattern> next;
      if (c1 < 0 && c2 < 0) {
        const ItemNumber a = -c1;
        const ItemNumber b = -c2;
        if (static_cast<std::int64_t>(p.back().size()) + 2 <= s_.maxpat && p.back().back() < a) {
          next = Extend(Extend(p, -a), -b);
        }
      } else if (c1 < 0) {
        if ((Association() || n + 1 <= s_.MaxSequenceSize) &&
            static_cast<std::int64_t>(p.back().size()) < s_.maxpat) {
          next = Extend(Extend(p, c1), c2);
        }
      } else if (c2 < 0) {
        if ((Association() || n + 1 <= s_.MaxSequenceSize) && s_.maxpat > 1) {
          next = Extend(Extend(p, c1), c2);
        }
      } else {
        if (Association() || n + 2 <= s_.MaxSequenceSize) next = Extend(Extend(p, c1), c2);
      }
      if (!next) continue;
      const PatternId id = RecordPattern(*next, static_cast<unsigned>(dPrime.size()));
      if (!EnumerateFrom(dPrime, *next)) leaves_.insert(id);
      descended = true;
    }
    if (!descended) leaves_.insert(ids.begin(), ids.end());
    return true;
  }

  // ---- Rules ----
  bool ConfidencePasses(double c) const {
    return UlpAtMost(s_.minconf, c) && UlpAtMost(c, s_.maxconf);
  }

  void GenerateRules(RefResult& r) {
    const bool sequenceMode = !Association();
    std::set<std::pair<PatternId, PatternId>> emitted;
    for (const auto& [id, count] : frequent_) {
      const Pattern& S = byId_[id];
      if (Association()) {
        if (S.size() != 1 || S[0].size() < 2) continue;
        const std::size_t m = S[0].size();
        std::vector<int> flags(m, 0);
        const auto splits = static_cast<std::uint64_t>(std::pow(2.0, static_cast<double>(m))) - 2;
        for (std::uint64_t step = 0; step < splits; ++step) {
          for (std::size_t j = m; j-- > 0;) {
            if (flags[j] == 0) {
              flags[j] = 1;
              for (std::size_t k = j + 1; k < m; ++k) flags[k] = 0;
              break;
            }
          }
          Itemset body, head;
          for (std::size_t j = 0; j < m; ++j) (flags[j] ? body : head).push_back(S[0][j]);
          if (static_cast<std::int64_t>(head.size()) > s_.maxhead) continue;
          const auto bodyIt = dictionary_.find(Pattern{body});
          const auto headIt = dictionary_.find(Pattern{head});
          if (bodyIt == dictionary_.end() || headIt == dictionary_.end()) continue;
          const SupportCount bodyCount = frequent_.at(bodyIt->second);
          const SupportCount headCount = frequent_.at(headIt->second);
          const double confidence = static_cast<double>(count) / bodyCount;
          if (ConfidencePasses(confidence)) {
            r.rules.push_back({static_cast<std::int32_t>(bodyIt->second),
                               static_cast<std::int32_t>(headIt->second), id, bodyCount, headCount,
                               count});
          }
        }
      } else {
        const std::size_t k = S.size();
        if (k < 2) continue;
        for (std::size_t i = 0; i + 2 <= k; ++i) {
          const Pattern body(S.begin(), S.begin() + static_cast<std::ptrdiff_t>(i + 1));
          const auto bodyIt = dictionary_.find(body);
          if (bodyIt == dictionary_.end() || frequent_.at(bodyIt->second) == 0) {
            r.warnings.push_back("WARNING: failed to find frequent subsequence {" +
                                 PatternText(in_.items, sequenceMode, body, true, false) +
                                 "} while constructing a body for a rule from sequence {" +
                                 PatternText(in_.items, sequenceMode, S, true, false) + " : " +
                                 std::to_string(static_cast<int>(count)) + "}");
            continue;
          }
          const SupportCount bodyCount = frequent_.at(bodyIt->second);
          const double confidence = static_cast<double>(count) / bodyCount;
          if (!ConfidencePasses(confidence)) continue;
          std::size_t start = i + 1;
          if (static_cast<std::size_t>(s_.maxhead) < k) {
            start = std::max<std::size_t>(k - static_cast<std::size_t>(s_.maxhead), i + 1);
          }
          const Pattern head(S.begin() + static_cast<std::ptrdiff_t>(start), S.end());
          const auto headIt = dictionary_.find(head);
          if (headIt == dictionary_.end() || frequent_.at(headIt->second) == 0) {
            r.warnings.push_back("WARNING: failed to find frequent subsequence {" +
                                 PatternText(in_.items, sequenceMode, head, true, false) +
                                 "} while constructing a head for a rule from sequence {" +
                                 PatternText(in_.items, sequenceMode, S, true, false) + " : " +
                                 std::to_string(static_cast<int>(count)) + "}");
            continue;
          }
          if (emitted.emplace(bodyIt->second, headIt->second).second) {
            r.rules.push_back({static_cast<std::int32_t>(bodyIt->second),
                               static_cast<std::int32_t>(headIt->second), id, bodyCount,
                               frequent_.at(headIt->second), count});
          }
        }
      }
    }
  }

  const RefInput& in_;
  const AnalysisSettings& s_;
  std::uint32_t minCount_ = 0;
  std::uint32_t maxCount_ = 0;
  const RefSequence* selected_ = nullptr;
  std::map<PatternId, SupportCount> frequent_;  // the frequent pattern map
  std::map<Pattern, PatternId> dictionary_;     // the pattern dictionary
  std::vector<Pattern> byId_;
  std::set<PatternId> leaves_;
};

}  // namespace

std::vector<ItemNumber> ReferenceContributed(const RefInput& in, ItemNumber x) {
  const AnalysisSettings& s = in.settings;
  std::vector<ItemNumber> out;
  const std::string& name = in.items.Name(x);
  const bool withTaxonomies = s.taxon != 0 && !in.taxonomies.empty();
  if (!withTaxonomies) {
    if (in.stoplist.count(name) == 0) out.push_back(x);
    return out;
  }
  bool anyEntry = false;
  for (const TaxonomyMap& table : in.taxonomies) {
    const auto it = table.find(name);
    if (it == table.end()) continue;
    anyEntry = true;
    if (in.stoplist.count(it->second) == 0) out.push_back(in.items.Number(it->second));
  }
  if (in.stoplist.count(name) == 0 && !(s.removeorg != 0 && anyEntry)) out.push_back(x);
  return out;
}

Itemset ReferenceItemsetAt(const RefSequence& seq, const AnalysisSettings& s, std::int64_t p) {
  std::set<ItemNumber> items;
  if (s.CombineItemsetMode == 0) {
    const std::int64_t k = s.FixedNumItemsets;
    for (std::int64_t t = 0; t < static_cast<std::int64_t>(seq.size()); ++t) {
      if (t >= (p + 1) * k) break;
      if (p * k <= t) items.insert(seq[t].items.begin(), seq[t].items.end());
    }
  } else if (s.CombineItemsetMode == 1 && s.FixedTimeLength == 0.0) {
    if (p < static_cast<std::int64_t>(seq.size())) {
      items.insert(seq[p].items.begin(), seq[p].items.end());
    }
  } else if (s.CombineItemsetMode == 1) {
    const double t0 = seq.empty() ? 0.0 : seq[0].time;
    for (std::size_t t = 0; t < seq.size(); ++t) {
      const double value = (seq[t].time - t0) / s.FixedTimeLength;
      if (value >= static_cast<double>(p + 1)) break;
      if (value >= static_cast<double>(p)) items.insert(seq[t].items.begin(), seq[t].items.end());
    }
  }
  return Itemset(items.begin(), items.end());
}

std::pair<std::uint32_t, std::uint32_t> ReferenceBounds(std::uint64_t n, double minsupp,
                                                        double maxsupp) {
  const double low = static_cast<double>(n) * minsupp;
  const double high = static_cast<double>(n) * maxsupp;
  // Within 15 units in the last place of a whole number: that number.
  auto snapped = [](double v, double& k) {
    const double r = std::nearbyint(v);
    if (!std::isfinite(v)) return false;
    const std::int64_t a = OrderedImage(v);
    const std::int64_t b = OrderedImage(r);
    if ((a > b ? a - b : b - a) > 15) return false;
    k = r;
    return true;
  };
  double k = 0.0;
  const double lo = snapped(low, k) ? k : std::ceil(low);
  const double hi = snapped(high, k) ? k : std::floor(high);
  return {ToCount(lo), ToCount(hi)};
}

RefResult ReferenceRun(const RefInput& input) { return Reference(input).Run(); }

}  // namespace linkan::reference
