// mining_harness.h
//
// Test support for the mining tests: random small inputs of both modes with
// every option varied, loading an input into an engine (dictionary,
// taxonomies, stop list, settings) and into the in-memory sequence
// database, running the engine's phases, and comparing the engine's table,
// leaves and rules with the reference's.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "engine/mining/mining_context.h"
#include "engine/mining/sequence_database.h"
#include "engine/sal_engine.h"
#include "reference_enumeration.h"
#include "testutil/test_host.h"

namespace linkan::testing {

struct RandomCaseOptions {
  bool association = false;
  // Association mode: every transaction one record (the itemset engines
  // apply) unless `multiRecord`.
  bool multiRecord = false;
  int maxSequences = 10;
  int maxItems = 6;
};

reference::RefInput MakeRandomCase(std::mt19937_64& rng, const RandomCaseOptions& options);

// Sequences of itemsets of item names, one transaction per itemset at
// times 0, 1, 2 ...; items are numbered in name order. Settings are the
// defaults with noseq = `association`, minsupp = `minsupp`, maxsupp 1.
using NamedSequences = std::vector<std::vector<std::vector<std::string>>>;
reference::RefInput NamedInput(bool association, const NamedSequences& sequences, double minsupp);

// The pattern of item names `names` in the dictionary of `input`.
Pattern Named(const reference::RefInput& input, const std::vector<std::vector<std::string>>& names);

// A one-line description of the settings of `input`, for failure messages.
std::string Describe(const reference::RefInput& input);

SequenceDatabase ToSequenceDatabase(const reference::RefInput& input);

// An engine over a test host with the input's settings, items, taxonomies
// and stop list (and settings.size = number of sequences).
class EngineFixture {
 public:
  explicit EngineFixture(const reference::RefInput& input, ProjectDatabase* db = nullptr);
  SalEngine& engine() { return *engine_; }
  TestHost& host() { return host_; }

 private:
  TestHost host_;
  TestAnalysis analysis_{&host_};
  std::unique_ptr<SalEngine> engine_;
};

// Enumerates and generates the rules in `engine` with `ctx`.
void RunEngine(SalEngine& engine, const SequenceDatabase& db, const MiningContext& ctx);

// Compares table (IDs, patterns, counts), leaves and rules.
::testing::AssertionResult SameResults(const reference::RefResult& expected,
                                       const SalEngine& engine);

}  // namespace linkan::testing
