// rule_generation.h
//
// GenerateRules: turns the recorded frequent patterns into rules body ==>
// head whose confidence (count / bodyCount, in double precision) lies within
// [minconf, maxconf], each bound compared with a tolerance of 15 units in
// the last place. The rule list is emptied first and filled in ascending
// pattern ID, then in the order of the splits:
//   - association mode: a one-itemset pattern of m >= 2 items is split in
//     the order of a binary counter over m flags (the flag of the largest
//     item least significant; flag 1 = body), 2^m - 2 splits; a split whose
//     head has more than maxhead items is skipped, and so is a split whose
//     body or head is not recorded (a pattern recorded below an item that
//     was pruned by the maximum support can have unrecorded parts);
//   - sequence mode: a pattern of k >= 2 itemsets gives, for i = 0 .. k-2,
//     the body of its first i + 1 itemsets and the head of its last
//     itemsets from max(i + 1, k - maxhead) on; a body or head that is not
//     recorded (or has count 0) is skipped with a "WARNING: failed to find
//     frequent subsequence ..." line on the debug channel, and a (body, head)
//     pair already emitted is not emitted again.
// Progress: "Generating rules..." over one step per pattern; cancellation
// (and the run guard's memory limit) is tested before every pattern and
// among the splits of a long one, and ends the generation with the rules
// made so far.
//
// Association mode makes the rules of blocks of `blockPatterns` patterns on
// `threads` threads and takes them over in pattern order: the rules, the
// progress steps and the point where a cancellation ends the list are those
// of one thread. Sequence mode runs on the calling thread.
//
// Returns 1 when cancelled, 0 otherwise. Thread safety: analysis thread.
#pragma once

#include <cstddef>

namespace linkan {

class SalEngine;

inline constexpr std::size_t kRuleBlockPatterns = 2048;

// With MiningContext::DefaultThreads() threads.
int GenerateRules(SalEngine& engine);
int GenerateRules(SalEngine& engine, unsigned threads, std::size_t blockPatterns);

}  // namespace linkan
