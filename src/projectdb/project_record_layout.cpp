// project_record_layout.cpp
#include "projectdb/project_record_layout.h"

#include <algorithm>
#include <set>

#include "frame/analysis_settings.h"
#include "frame/host/module_error.h"
#include "projectdb/project_database_internal.h"

namespace linkan::projectdb {
namespace {

// Largest number of taxonomy maps a stored record may announce.
constexpr std::int64_t kMaxTaxonomies = 32767;

[[noreturn]] void Broken(const std::string& what) {
  throw ModuleError(ErrorKind::kInternal, "Project record: " + what);
}

int Rows(const std::vector<std::int16_t>& counts, int nvars) {
  int rows = 0;
  for (int i = 0; i < nvars; ++i) rows = std::max<int>(rows, counts[static_cast<std::size_t>(i)]);
  return rows;
}

}  // namespace

std::vector<std::int32_t> LayOutCodes(const std::vector<std::int16_t>& counts,
                                      const std::vector<std::int32_t>& codes, int nvars,
                                      const char* field) {
  if (nvars < 0 || counts.size() < static_cast<std::size_t>(nvars)) {
    Broken(std::string("the code counts do not cover the variables of ") + field);
  }
  for (int i = 0; i < nvars; ++i) {
    const int n = counts[static_cast<std::size_t>(i)];
    if (n < 0 || n > kMaxCodesPerVariable) Broken(std::string("invalid code count in ") + field);
  }
  const auto stride = static_cast<std::size_t>(nvars);
  std::vector<std::int32_t> out(stride * static_cast<std::size_t>(Rows(counts, nvars)), 0);
  for (std::size_t i = 0; i < stride; ++i) {
    for (std::size_t j = 0; j < static_cast<std::size_t>(counts[i]); ++j) {
      const std::size_t at = j * stride + i;
      if (at >= codes.size()) Broken(std::string("codes missing from ") + field);
      out[at] = codes[at];
    }
  }
  return out;
}

std::vector<std::int32_t> ReadCodes(const std::vector<std::int16_t>& counts,
                                    const std::vector<std::int32_t>& stored, int nvars,
                                    const char* field, const DamageSite& site) {
  if (nvars < 0 || counts.size() < static_cast<std::size_t>(nvars)) {
    site.Fail(std::string("the code counts do not cover the variables of ") + field);
  }
  for (int i = 0; i < nvars; ++i) {
    const int n = counts[static_cast<std::size_t>(i)];
    if (n < 0 || n > kMaxCodesPerVariable) {
      site.Fail(std::string("code count ") + std::to_string(n) + " of " + field + " variable " +
                std::to_string(i + 1) + " is outside 0 to " + std::to_string(kMaxCodesPerVariable));
    }
  }
  const auto stride = static_cast<std::size_t>(nvars);
  const std::size_t size = stride * static_cast<std::size_t>(Rows(counts, nvars));
  if (stored.size() != size) {
    site.Fail(std::string(field) + " holds " + std::to_string(stored.size()) +
              " entries, its code counts need " + std::to_string(size));
  }
  std::vector<std::int32_t> out(size, 0);
  for (std::size_t i = 0; i < stride; ++i) {
    for (std::size_t j = 0; j < static_cast<std::size_t>(counts[i]); ++j) {
      out[j * stride + i] = stored[j * stride + i];
    }
  }
  return out;
}

std::vector<std::string> LayOutTaxonomies(
    const std::vector<std::map<std::string, std::string>>& maps) {
  std::set<std::string> names;
  for (const auto& map : maps) {
    for (const auto& [name, label] : map) {
      if (label.empty()) Broken("a taxonomy label is empty");
      names.insert(name);
    }
  }
  std::vector<std::string> cells;
  cells.reserve(names.size() * (maps.size() + 1));
  for (const std::string& name : names) {
    cells.push_back(name);
    for (const auto& map : maps) {
      const auto it = map.find(name);
      cells.push_back(it == map.end() ? std::string() : it->second);
    }
  }
  return cells;
}

std::vector<std::map<std::string, std::string>> ReadTaxonomies(
    const std::vector<std::string>& cells, std::int64_t mapCount, const DamageSite& site) {
  if (mapCount < 0 || mapCount > kMaxTaxonomies) {
    site.Fail("ntaxonomies " + std::to_string(mapCount) + " is outside 0 to " +
              std::to_string(kMaxTaxonomies));
  }
  const auto columns = static_cast<std::size_t>(mapCount) + 1;
  if (cells.size() % columns != 0) {
    site.Fail("taxonomies holds " + std::to_string(cells.size()) + " texts, no whole number of " +
              std::to_string(columns) + "-column rows");
  }
  std::vector<std::map<std::string, std::string>> maps(static_cast<std::size_t>(mapCount));
  for (std::size_t row = 0; row < cells.size(); row += columns) {
    if (row > 0 && !(cells[row - columns] < cells[row])) {
      site.Fail("taxonomies row " + std::to_string(row / columns + 1) +
                ": the item names are not ascending and distinct");
    }
    for (std::size_t t = 0; t + 1 < columns; ++t) {
      const std::string& label = cells[row + t + 1];
      if (!label.empty()) maps[t].emplace(cells[row], label);
    }
  }
  return maps;
}

}  // namespace linkan::projectdb
