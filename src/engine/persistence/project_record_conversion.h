// project_record_conversion.h
//
// The conversion between the engine's state and what the project database
// stores: the project record (settings, transaction IDs, item names, stop
// list, dichotomy code values, continuous-variable statistics, taxonomies)
// and the frequent patterns.
//
// Statistics are stored five per continuous variable in the order maximum,
// mean, minimum, variance (`m2` after the statistics pass), cut width; the
// standard variables in `coinfo`, the non-sequential ones in `mdcoinfo`.
//
// Thread safety: none; use from the analysis thread.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "engine/frequent_pattern_table.h"
#include "projectdb/project_database.h"

namespace linkan {

class SalEngine;

// The project record of `engine`. Throws ModuleError(kNotFound, "value not
// found") when an item number from 1 to the dictionary's size has no name.
ProjectRecord MakeProjectRecord(const SalEngine& engine);

// Copies `record` into `engine`: the settings (except the project choice,
// which belongs to the current run), the transaction ID list, the item
// dictionary (entry k becomes item k + 1), the stop list, the code values,
// the statistics and the taxonomies. Results are left alone. Throws
// ModuleError(kInvalidInput, "duplicate value") when the record names an
// item twice; the engine is then unchanged.
void RestoreFromProjectRecord(SalEngine& engine, const ProjectRecord& record);

// The patterns of `table` in ascending pattern ID, so that a pattern's
// position is its ID.
std::vector<StoredPattern> StoredPatternsOf(const FrequentPatternTable& table);

// The leaf set as positions of StoredPatternsOf, ascending.
std::vector<std::uint32_t> StoredLeavesOf(const std::set<PatternId>& leaves);

}  // namespace linkan
