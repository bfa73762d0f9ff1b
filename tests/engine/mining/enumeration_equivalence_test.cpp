// Randomized equality of the engine with the literal reference: thousands of
// small random databases of both modes with every option varied; the table
// (IDs, patterns, counts), the leaves and the rules must be identical for
// every engine, thread count and layout.
#include <gtest/gtest.h>

#include "mining_harness.h"

namespace linkan::testing {
namespace {

struct Variant {
  const char* name;
  MiningContext ctx;
};

// Every engine, layout and thread count; sequence mode has one engine.
std::vector<Variant> Variants(bool association) {
  std::vector<Variant> v;
  MiningContext serial;
  v.push_back({"serial auto", serial});
  if (!association) {
    MiningContext parallel = serial;
    parallel.threads = 2;
    parallel.minParallelWork = 0;  // split every node
    v.push_back({"parallel", parallel});
    return v;
  }
  MiningContext general = serial;
  general.layout = MiningContext::Layout::kGeneral;
  v.push_back({"serial general", general});
  MiningContext sparse = serial;
  sparse.layout = MiningContext::Layout::kSparse;
  v.push_back({"serial rows", sparse});
  MiningContext dense = serial;
  dense.layout = MiningContext::Layout::kDense;
  v.push_back({"serial bit sets", dense});
  for (Variant base : std::vector<Variant>(v)) {
    base.ctx.threads = 2;
    base.ctx.minParallelWork = 0;  // split every node
    v.push_back({base.name, base.ctx});
  }
  return v;
}

void CheckRandomCases(std::uint64_t seed, int cases, const RandomCaseOptions& options) {
  std::mt19937_64 rng(seed);
  const std::vector<Variant> variants = Variants(options.association);
  int skipped = 0;
  for (int i = 0; i < cases; ++i) {
    const reference::RefInput input = MakeRandomCase(rng, options);
    const reference::RefResult expected = reference::ReferenceRun(input);
    if (expected.truncated) {
      ++skipped;
      continue;
    }
    const SequenceDatabase db = ToSequenceDatabase(input);
    for (const Variant& v : variants) {
      EngineFixture fx(input);
      RunEngine(fx.engine(), db, v.ctx);
      ASSERT_TRUE(SameResults(expected, fx.engine()))
          << "case " << i << " of seed " << seed << ", " << v.name << " x" << v.ctx.threads << ": "
          << Describe(input);
    }
  }
  // Cases with explosive settings are left out; they must stay rare.
  EXPECT_LT(skipped, cases / 20);
}

TEST(EnumerationEquivalence, SequenceModeMatchesReference) {
  CheckRandomCases(1, 1200, {.association = false});
}

TEST(EnumerationEquivalence, AssociationModeOneItemsetPerTransaction) {
  CheckRandomCases(2, 1000, {.association = true, .maxSequences = 12, .maxItems = 7});
}

TEST(EnumerationEquivalence, AssociationModeWithSeveralRecordsPerTransaction) {
  CheckRandomCases(3, 400, {.association = true, .multiRecord = true});
}

TEST(EnumerationEquivalence, LargerSequenceCases) {
  CheckRandomCases(4, 150, {.association = false, .maxSequences = 30, .maxItems = 9});
}

TEST(EnumerationEquivalence, LargerAssociationCases) {
  CheckRandomCases(5, 150, {.association = true, .maxSequences = 60, .maxItems = 10});
}

}  // namespace
}  // namespace linkan::testing
