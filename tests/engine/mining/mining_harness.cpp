// mining_harness.cpp
#include "mining_harness.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "engine/mining/pattern_enumeration.h"
#include "engine/mining/rule_generation.h"

namespace linkan::testing {
namespace {

using reference::RefInput;
using reference::RefSequence;
using reference::RefTransaction;

template <class T>
T Pick(std::mt19937_64& rng, std::initializer_list<T> values) {
  std::uniform_int_distribution<std::size_t> d(0, values.size() - 1);
  return *(values.begin() + static_cast<std::ptrdiff_t>(d(rng)));
}

int Uniform(std::mt19937_64& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

bool Chance(std::mt19937_64& rng, double p) { return std::bernoulli_distribution(p)(rng); }

double Fraction(std::mt19937_64& rng) { return std::uniform_real_distribution<double>(0, 1)(rng); }

// A support fraction, mostly low enough for patterns to be found: often an
// exact share of n (where rounding errors of n x fraction show).
double SupportFraction(std::mt19937_64& rng, int n) {
  if (n > 0 && Chance(rng, 0.6))
    return static_cast<double>(Uniform(rng, 0, std::max(1, n / 2))) / n;
  if (Chance(rng, 0.3)) return Pick(rng, {0.0, 0.07, 0.1, 0.3, 0.5, 1.0});
  return Fraction(rng) * 0.6;
}

}  // namespace

RefInput MakeRandomCase(std::mt19937_64& rng, const RandomCaseOptions& options) {
  RefInput in;
  const int itemCount = Uniform(rng, 1, options.maxItems);
  static const char* const kNames[] = {"alpha", "beta", "gamma", "delta", "eps",
                                       "zeta",  "eta",  "theta", "iota",  "kappa"};
  std::vector<std::string> names;
  for (int i = 0; i < itemCount; ++i) names.emplace_back(kNames[i]);
  // Taxonomy labels are items of the dictionary too.
  names.emplace_back("FOOD");
  names.emplace_back("TOOL");
  // Numbers in a random order of names, as construction would hand them out.
  std::vector<std::string> order = names;
  std::shuffle(order.begin(), order.end(), rng);
  for (const std::string& name : order) in.items.Add(name);
  std::vector<ItemNumber> pool;
  for (int i = 0; i < itemCount; ++i) pool.push_back(in.items.Number(names[i]));
  if (Chance(rng, 0.15)) pool.push_back(in.items.Number("FOOD"));

  const int n = Uniform(rng, Chance(rng, 0.05) ? 0 : 1, options.maxSequences);
  for (int s = 0; s < n; ++s) {
    RefSequence seq;
    int records = 0;
    if (!options.association) {
      records = Uniform(rng, 0, 4);
    } else if (options.multiRecord) {
      records = Uniform(rng, 0, 3);
    } else {
      records = Chance(rng, 0.08) ? 0 : 1;
    }
    double time = Pick(rng, {0.0, 1.0, 3.0, -2.0});
    for (int t = 0; t < records; ++t) {
      RefTransaction tr;
      tr.time = time;
      time += Pick(rng, {0.5, 1.0, 1.0, 2.0, 3.0});
      if (t + 1 == records && records > 1 && Chance(rng, 0.1)) tr.time = 1e20;
      std::vector<ItemNumber> items = pool;
      std::shuffle(items.begin(), items.end(), rng);
      const int most = std::min<int>(options.association ? 5 : 3, static_cast<int>(pool.size()));
      items.resize(static_cast<std::size_t>(Uniform(rng, Chance(rng, 0.1) ? 0 : 1, most)));
      tr.items = items;
      seq.push_back(tr);
    }
    in.sequences.push_back(seq);
  }

  AnalysisSettings& st = in.settings;
  st.noseq = options.association ? 1 : 0;
  st.minsupp = SupportFraction(rng, n);
  st.maxsupp = Chance(rng, 0.6) ? 1.0 : st.minsupp + (1.0 - st.minsupp) * Fraction(rng);
  st.maxpat = Uniform(rng, 1, options.association ? 6 : 4);
  st.MaxSequenceSize = Uniform(rng, Chance(rng, 0.1) ? 0 : 1, 5);
  st.CombineItemsetMode = Chance(rng, 0.05) ? 2 : Uniform(rng, 0, 1);
  st.FixedNumItemsets = Chance(rng, 0.05) ? 0 : Uniform(rng, 1, 3);
  st.FixedTimeLength = Pick(rng, {0.0, 0.0, 1.0, 1.5, 2.0, 0.7, -1.0});
  st.maxhead = Uniform(rng, 1, 4);
  st.minconf = Chance(rng, 0.3) ? 0.0 : Pick(rng, {0.25, 0.5, 1.0 / 3.0, 0.6, Fraction(rng)});
  st.maxconf = Chance(rng, 0.6) ? 1.0 : std::max(st.minconf, Fraction(rng));
  st.taxon = Chance(rng, 0.4) ? 1 : 0;
  st.removeorg = Chance(rng, 0.5) ? 1 : 0;
  st.size = static_cast<std::uint64_t>(n);

  const int taxonomies = Chance(rng, 0.5) ? Uniform(rng, 1, 2) : 0;
  for (int k = 0; k < taxonomies; ++k) {
    TaxonomyMap map;
    for (int i = 0; i < itemCount; ++i) {
      if (Chance(rng, 0.4)) map[names[i]] = Pick<std::string>(rng, {"FOOD", "TOOL", names[0]});
    }
    in.taxonomies.push_back(map);
  }
  for (const std::string& name : names) {
    if (Chance(rng, 0.1)) in.stoplist.insert(name);
  }
  in.patternLimit = 4000;
  return in;
}

RefInput NamedInput(bool association, const NamedSequences& sequences, double minsupp) {
  RefInput in;
  std::set<std::string> names;
  for (const auto& seq : sequences) {
    for (const auto& set : seq) names.insert(set.begin(), set.end());
  }
  for (const std::string& name : names) in.items.Add(name);
  for (const auto& seq : sequences) {
    RefSequence rs;
    for (const auto& set : seq) {
      RefTransaction t;
      t.time = static_cast<double>(rs.size());
      for (const std::string& name : set) t.items.push_back(in.items.Number(name));
      rs.push_back(t);
    }
    in.sequences.push_back(rs);
  }
  in.settings.noseq = association ? 1 : 0;
  in.settings.minsupp = minsupp;
  in.settings.maxsupp = 1.0;
  in.settings.minconf = 0.0;
  in.settings.maxconf = 1.0;
  in.settings.size = in.sequences.size();
  return in;
}

Pattern Named(const RefInput& input, const std::vector<std::vector<std::string>>& names) {
  Pattern p;
  for (const auto& set : names) {
    Itemset s;
    for (const std::string& name : set) s.push_back(input.items.Number(name));
    std::sort(s.begin(), s.end());
    p.push_back(s);
  }
  return p;
}

std::string Describe(const RefInput& in) {
  const AnalysisSettings& s = in.settings;
  std::ostringstream out;
  out.precision(17);
  out << "N=" << in.sequences.size() << " noseq=" << s.noseq << " minsupp=" << s.minsupp
      << " maxsupp=" << s.maxsupp << " maxpat=" << s.maxpat << " MSS=" << s.MaxSequenceSize
      << " mode=" << s.CombineItemsetMode << " K=" << s.FixedNumItemsets
      << " L=" << s.FixedTimeLength << " taxon=" << s.taxon << " removeorg=" << s.removeorg
      << " taxonomies=" << in.taxonomies.size() << " stop=" << in.stoplist.size()
      << " maxhead=" << s.maxhead << " minconf=" << s.minconf << " maxconf=" << s.maxconf;
  return out.str();
}

SequenceDatabase ToSequenceDatabase(const RefInput& input) {
  SequenceDatabaseBuilder builder(input.sequences.size());
  for (std::size_t s = 0; s < input.sequences.size(); ++s) {
    for (const RefTransaction& t : input.sequences[s]) builder.Add(s, t.time, t.items);
  }
  return std::move(builder).Build(ItemsetCombining::FromSettings(input.settings));
}

EngineFixture::EngineFixture(const RefInput& input, ProjectDatabase* db)
    : engine_(std::make_unique<SalEngine>(analysis_, db)) {
  SalEngine& e = *engine_;
  e.settings = input.settings;
  e.settings.size = input.sequences.size();
  e.items = input.items;
  e.taxonomies = input.taxonomies;
  e.stoplist = input.stoplist;
  for (std::size_t s = 0; s < input.sequences.size(); ++s) {
    e.transactionIds.push_back("S" + std::to_string(s));
  }
}

void RunEngine(SalEngine& engine, const SequenceDatabase& db, const MiningContext& ctx) {
  EnumerateFrequentPatterns(engine, db, ctx);
  GenerateRules(engine);
}

::testing::AssertionResult SameResults(const reference::RefResult& expected,
                                       const SalEngine& engine) {
  const FrequentPatternTable& table = engine.patterns;
  if (table.size() != expected.patterns.size()) {
    return ::testing::AssertionFailure()
           << "pattern count " << table.size() << ", expected " << expected.patterns.size();
  }
  for (std::size_t id = 0; id < table.size(); ++id) {
    const auto pid = static_cast<PatternId>(id);
    if (table.PatternOf(pid) != expected.patterns[id] ||
        table.CountOf(pid) != expected.counts[id]) {
      return ::testing::AssertionFailure()
             << "pattern " << id << " differs (count " << table.CountOf(pid) << ", expected "
             << expected.counts[id] << ")";
    }
  }
  if (engine.leaves != expected.leaves) {
    return ::testing::AssertionFailure()
           << "leaves differ: " << engine.leaves.size() << " vs " << expected.leaves.size();
  }
  if (engine.rules.size() != expected.rules.size()) {
    return ::testing::AssertionFailure()
           << "rule count " << engine.rules.size() << ", expected " << expected.rules.size();
  }
  for (std::size_t i = 0; i < engine.rules.size(); ++i) {
    const RuleRecord& r = engine.rules[i];
    const reference::RefRule got{r.bodyId,    r.headId,    r.patternId,
                                 r.bodyCount, r.headCount, r.count};
    if (!(got == expected.rules[i])) {
      return ::testing::AssertionFailure() << "rule " << i << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace linkan::testing
