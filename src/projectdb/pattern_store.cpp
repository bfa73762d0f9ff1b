// pattern_store.cpp
//
// SaveFrequentPatterns / LoadFrequentPatterns: ResultInfo. Class 1 rows are
// the patterns in the given order (RelatedNumber = the count, nitems = the
// itemset sizes, items = the items itemset after itemset); class 2 rows are
// the leaves (RelatedNumber = the pattern's position among the class 1
// rows, empty arrays). Stored order is rowid order.
#include <limits>
#include <string>
#include <unordered_map>

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_database_internal.h"

namespace linkan {
namespace {

constexpr std::int64_t kPatternClass = 1;
constexpr std::int64_t kLeafClass = 2;

using projectdb::Statement;

}  // namespace

void ProjectDatabase::SaveFrequentPatterns(const std::vector<StoredPattern>& patterns,
                                           const std::vector<std::uint32_t>& leaves) {
  std::vector<std::int32_t> key;
  SaveFrequentPatterns(
      patterns.size(),
      [&](std::size_t index) {
        key.clear();
        for (const auto& set : patterns[index].itemsets) {
          if (set.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            throw ModuleError(ErrorKind::kInternal, "Project database: an itemset is too large");
          }
          key.push_back(static_cast<std::int32_t>(set.size()));
          key.insert(key.end(), set.begin(), set.end());
        }
        return PatternKey{patterns[index].count, key};
      },
      leaves);
}

void ProjectDatabase::SaveFrequentPatterns(std::size_t count, const PatternKeySource& pattern,
                                           std::span<const std::uint32_t> leaves) {
  Connection& c = Conn();
  for (const std::uint32_t leaf : leaves) {
    if (leaf >= count) {
      throw ModuleError(ErrorKind::kInternal, "Project database: a leaf names pattern " +
                                                  std::to_string(leaf) + " of " +
                                                  std::to_string(count));
    }
  }
  c.CommitPending();
  sqlite3* db = c.raw();
  projectdb::WriteTransaction tx(db, "saving the frequent patterns");
  // Hundreds of thousands of rows: the key index is made once at the end.
  projectdb::KeyIndexSuspension index(db, projectdb::kResultInfo);
  projectdb::Exec(db, "DELETE FROM \"ResultInfo\"", "saving the frequent patterns");
  Statement insert(db,
                   "INSERT INTO \"ResultInfo\" (\"ClassID\", \"RelatedNumber\", \"nitems\", "
                   "\"items\") VALUES (?1, ?2, ?3, ?4)",
                   "saving the frequent patterns");
  std::vector<std::int32_t> sizes;
  std::vector<std::int32_t> items;
  std::string sizeBytes;
  std::string itemBytes;
  for (std::size_t index = 0; index < count; ++index) {
    const PatternKey p = pattern(index);
    sizes.clear();
    items.clear();
    for (std::size_t i = 0; i < p.key.size();) {
      const auto size = static_cast<std::size_t>(p.key[i]);
      sizes.push_back(p.key[i]);
      items.insert(items.end(), p.key.begin() + static_cast<std::ptrdiff_t>(i + 1),
                   p.key.begin() + static_cast<std::ptrdiff_t>(i + 1 + size));
      i += size + 1;
    }
    sizeBytes.clear();
    itemBytes.clear();
    projectdb::AppendInt32Array(sizeBytes, sizes);
    projectdb::AppendInt32Array(itemBytes, items);
    projectdb::StatementUse use(insert);
    insert.BindInt64(1, kPatternClass);
    insert.BindInt64(2, p.count);
    insert.BindBlob(3, sizeBytes);
    insert.BindBlob(4, itemBytes);
    insert.Step("saving a frequent pattern");
  }
  for (const std::uint32_t leaf : leaves) {
    projectdb::StatementUse use(insert);
    insert.BindInt64(1, kLeafClass);
    insert.BindInt64(2, leaf);
    insert.BindBlob(3, {});
    insert.BindBlob(4, {});
    insert.Step("saving a leaf pattern");
  }
  index.Restore();
  tx.Commit();
}

namespace {

using projectdb::DamageSite;

// Checks one pattern read from `site` against the module's own rules: each
// itemset non-empty with ascending, distinct items in 1 .. itemCount.
void CheckPatternItems(const StoredPattern& p, std::size_t itemCount, const DamageSite& site) {
  if (p.itemsets.empty()) site.Fail("a pattern without itemsets");
  for (std::size_t k = 0; k < p.itemsets.size(); ++k) {
    const auto& set = p.itemsets[k];
    if (set.empty()) site.Fail("itemset " + std::to_string(k + 1) + " is empty");
    for (std::size_t i = 0; i < set.size(); ++i) {
      if (set[i] < 1 || static_cast<std::size_t>(set[i]) > itemCount) {
        site.Fail("item " + std::to_string(set[i]) + " is not in the item dictionary (" +
                  std::to_string(itemCount) + " items)");
      }
      if (i > 0 && set[i - 1] >= set[i]) {
        site.Fail("the items of itemset " + std::to_string(k + 1) +
                  " are not ascending and distinct");
      }
    }
  }
}

}  // namespace

void ProjectDatabase::LoadFrequentPatterns(std::vector<StoredPattern>& patterns,
                                           std::vector<std::uint32_t>& leaves) {
  LoadPatternRows(patterns, leaves, nullptr);
}

void ProjectDatabase::LoadFrequentPatterns(std::vector<StoredPattern>& patterns,
                                           std::vector<std::uint32_t>& leaves,
                                           std::size_t itemCount) {
  LoadPatternRows(patterns, leaves, &itemCount);
}

void ProjectDatabase::LoadPatternRows(std::vector<StoredPattern>& patterns,
                                      std::vector<std::uint32_t>& leaves,
                                      const std::size_t* itemCount) {
  Connection& c = Conn();
  // The rows in rowid order straight from the table ("+" keeps the key
  // index out of the plan): what is read does not depend on an index that
  // the file's page checks do not compare with the table.
  Statement select(c.raw(),
                   "SELECT \"ClassID\", \"RelatedNumber\", \"nitems\", \"items\", rowid FROM "
                   "\"ResultInfo\" WHERE +\"ClassID\" IN (1, 2) ORDER BY rowid",
                   "loading the frequent patterns");
  std::vector<StoredPattern> readPatterns;
  std::vector<std::uint32_t> readLeaves;
  std::vector<std::int64_t> leafRows;
  std::vector<std::int32_t> sizes;
  std::vector<std::int32_t> items;
  // Each pattern's key text, for finding a pattern stored twice.
  std::unordered_map<std::string, std::int64_t> seen;
  std::size_t largestItemset = 0;
  std::int64_t largestRow = 0;
  constexpr std::int64_t kMaxNumber = std::numeric_limits<std::uint32_t>::max();
  while (select.Step("loading the frequent patterns")) {
    const std::int64_t rowid = select.ColumnInt64(4);
    const DamageSite site(c.path, projectdb::RowPlace(projectdb::kResultInfo, rowid));
    if (select.ColumnType(0) != SQLITE_INTEGER || select.ColumnType(1) != SQLITE_INTEGER ||
        select.ColumnType(2) != SQLITE_BLOB || select.ColumnType(3) != SQLITE_BLOB) {
      site.Fail("a value of the wrong type");
    }
    const std::int64_t number = select.ColumnInt64(1);
    if (number < 0 || number > kMaxNumber) {
      site.Fail("RelatedNumber " + std::to_string(number) + " is outside 0 to " +
                std::to_string(kMaxNumber));
    }
    if (select.ColumnInt64(0) == kLeafClass) {
      if (itemCount && (!select.ColumnBlob(2).empty() || !select.ColumnBlob(3).empty())) {
        site.Fail("a leaf with itemsets");
      }
      readLeaves.push_back(static_cast<std::uint32_t>(number));
      leafRows.push_back(rowid);
      continue;
    }
    if (!projectdb::DecodeInt32Array(select.ColumnBlob(2), sizes)) {
      site.Fail("nitems holds " + std::to_string(select.ColumnBlob(2).size()) +
                " bytes, no whole number of int4 values");
    }
    if (!projectdb::DecodeInt32Array(select.ColumnBlob(3), items)) {
      site.Fail("items holds " + std::to_string(select.ColumnBlob(3).size()) +
                " bytes, no whole number of int4 values");
    }
    StoredPattern& p = readPatterns.emplace_back();
    p.count = static_cast<std::uint32_t>(number);
    std::size_t at = 0;
    for (const std::int32_t size : sizes) {
      if (size < 0 || static_cast<std::size_t>(size) > items.size() - at) {
        site.Fail("the itemset sizes in nitems add up to more than the " +
                  std::to_string(items.size()) + " items");
      }
      p.itemsets.emplace_back(items.begin() + static_cast<std::ptrdiff_t>(at),
                              items.begin() + static_cast<std::ptrdiff_t>(at + size));
      at += static_cast<std::size_t>(size);
      if (static_cast<std::size_t>(size) > largestItemset) {
        largestItemset = static_cast<std::size_t>(size);
        largestRow = rowid;
      }
    }
    if (at != items.size()) {
      site.Fail("the itemset sizes in nitems add up to " + std::to_string(at) + ", items holds " +
                std::to_string(items.size()));
    }
    if (!itemCount) continue;
    CheckPatternItems(p, *itemCount, site);
    const std::string key(select.ColumnBlob(2).data(), select.ColumnBlob(2).size());
    const auto [first, added] =
        seen.emplace(key + std::string(select.ColumnBlob(3)), rowid);
    if (!added) site.Fail("the pattern of row " + std::to_string(first->second) + " again");
  }
  for (std::size_t i = 0; i < readLeaves.size(); ++i) {
    const DamageSite site(c.path, projectdb::RowPlace(projectdb::kResultInfo, leafRows[i]));
    if (readLeaves[i] >= readPatterns.size()) {
      site.Fail("leaf of pattern " + std::to_string(readLeaves[i]) + ", but " +
                std::to_string(readPatterns.size()) + " patterns are stored");
    }
    if (itemCount && i > 0 && readLeaves[i - 1] >= readLeaves[i]) {
      site.Fail("the leaves are not ascending and distinct");
    }
  }
  // Every non-empty subset of a frequent itemset is frequent and stored
  // too: an itemset of m items needs 2^m - 1 patterns. This also bounds the
  // rule generation's walk over the splits of each itemset.
  if (itemCount && largestItemset > 0 &&
      (largestItemset >= 63 || (std::uint64_t{1} << largestItemset) - 1 > readPatterns.size())) {
    DamageSite(c.path, projectdb::RowPlace(projectdb::kResultInfo, largestRow))
        .Fail("an itemset of " + std::to_string(largestItemset) + " items, but only " +
              std::to_string(readPatterns.size()) + " patterns are stored");
  }
  patterns = std::move(readPatterns);
  leaves = std::move(readLeaves);
}

}  // namespace linkan
