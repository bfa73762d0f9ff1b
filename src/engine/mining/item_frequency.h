// item_frequency.h
//
// RebuildItemFrequency: empties the engine's item frequency map and fills
// it from the FrequentPatternTable in ascending pattern ID: a pattern whose
// first itemset holds exactly one item x gives x -> its count, unless x is
// a key already. One-item patterns are recorded before longer ones, so each
// item gets the count of its one-item pattern.
#pragma once

namespace linkan {

class SalEngine;

void RebuildItemFrequency(SalEngine& engine);

}  // namespace linkan
