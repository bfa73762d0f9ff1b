// project_record_layout.h
//
// The stored layout of the project record (SequenceAssociationInfo) and its
// checks, apart from SQL:
//   dichotomy codes   `dichcodes` holds ndichvars x (largest code count)
//                     entries, code j of variable i at j * ndichvars + i;
//                     entries past a variable's own count are stored as 0
//                     and read back as 0 (the non-sequential pair likewise);
//   taxonomies        a table of rows x (T + 1) texts, T = the number of
//                     maps: one row per item name that any map holds, in
//                     ascending byte order; column 0 the name, column t + 1
//                     the label map t gives it, or an empty text when map t
//                     has none (labels are never empty).
//
// LayOutCodes / ReadCodes and LayOutTaxonomies / ReadTaxonomies convert;
// they throw ModuleError (kInternal for a record that breaks its own
// invariants while saving; for stored data that is not a valid layout, the
// damage report of `site`, project_damage.h).
//
// Thread safety: pure functions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "projectdb/project_damage.h"

namespace linkan::projectdb {

// The stored codes of `nvars` variables with `counts` (the first nvars
// entries) from the in-memory layout `codes`.
std::vector<std::int32_t> LayOutCodes(const std::vector<std::int16_t>& counts,
                                      const std::vector<std::int32_t>& codes, int nvars,
                                      const char* field);
// The in-memory codes from the stored ones: only the meaningful entries are
// taken; the rest are 0.
std::vector<std::int32_t> ReadCodes(const std::vector<std::int16_t>& counts,
                                    const std::vector<std::int32_t>& stored, int nvars,
                                    const char* field, const DamageSite& site);

std::vector<std::string> LayOutTaxonomies(
    const std::vector<std::map<std::string, std::string>>& maps);
// Also refuses names that are not ascending and distinct.
std::vector<std::map<std::string, std::string>> ReadTaxonomies(
    const std::vector<std::string>& cells, std::int64_t mapCount, const DamageSite& site);

}  // namespace linkan::projectdb
