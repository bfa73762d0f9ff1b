// pattern_store.cpp
//
// SaveFrequentPatterns / LoadFrequentPatterns: ResultInfo. Class 1 rows are
// the patterns in the given order (RelatedNumber = the count, nitems = the
// itemset sizes, items = the items itemset after itemset); class 2 rows are
// the leaves (RelatedNumber = the pattern's position among the class 1
// rows, empty arrays). Stored order is rowid order.
#include <limits>

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_database_internal.h"

namespace linkan {
namespace {

constexpr std::int64_t kPatternClass = 1;
constexpr std::int64_t kLeafClass = 2;

using projectdb::Statement;
using projectdb::ThrowDamaged;

}  // namespace

void ProjectDatabase::SaveFrequentPatterns(const std::vector<StoredPattern>& patterns,
                                           const std::vector<std::uint32_t>& leaves) {
  Connection& c = Conn();
  for (const std::uint32_t leaf : leaves) {
    if (leaf >= patterns.size()) {
      throw ModuleError(ErrorKind::kInternal, "Project database: a leaf names pattern " +
                                                  std::to_string(leaf) + " of " +
                                                  std::to_string(patterns.size()));
    }
  }
  c.CommitPending();
  sqlite3* db = c.raw();
  projectdb::WriteTransaction tx(db, "saving the frequent patterns");
  projectdb::Exec(db, "DELETE FROM \"ResultInfo\"", "saving the frequent patterns");
  Statement insert(db,
                   "INSERT INTO \"ResultInfo\" (\"ClassID\", \"RelatedNumber\", \"nitems\", "
                   "\"items\") VALUES (?1, ?2, ?3, ?4)",
                   "saving the frequent patterns");
  std::vector<std::int32_t> sizes;
  std::vector<std::int32_t> items;
  std::string sizeBytes;
  std::string itemBytes;
  for (const StoredPattern& p : patterns) {
    sizes.clear();
    items.clear();
    for (const auto& set : p.itemsets) {
      if (set.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw ModuleError(ErrorKind::kInternal, "Project database: an itemset is too large");
      }
      sizes.push_back(static_cast<std::int32_t>(set.size()));
      items.insert(items.end(), set.begin(), set.end());
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
  tx.Commit();
}

void ProjectDatabase::LoadFrequentPatterns(std::vector<StoredPattern>& patterns,
                                           std::vector<std::uint32_t>& leaves) {
  Connection& c = Conn();
  Statement select(c.raw(),
                   "SELECT \"ClassID\", \"RelatedNumber\", \"nitems\", \"items\" FROM "
                   "\"ResultInfo\" WHERE \"ClassID\" IN (1, 2) ORDER BY rowid",
                   "loading the frequent patterns");
  std::vector<StoredPattern> readPatterns;
  std::vector<std::uint32_t> readLeaves;
  std::vector<std::int32_t> sizes;
  std::vector<std::int32_t> items;
  constexpr std::int64_t kMaxNumber = std::numeric_limits<std::uint32_t>::max();
  while (select.Step("loading the frequent patterns")) {
    const std::int64_t number = select.ColumnInt64(1);
    if (number < 0 || number > kMaxNumber) ThrowDamaged("RelatedNumber of ResultInfo");
    if (select.ColumnInt64(0) == kLeafClass) {
      readLeaves.push_back(static_cast<std::uint32_t>(number));
      continue;
    }
    if (!projectdb::DecodeInt32Array(select.ColumnBlob(2), sizes) ||
        !projectdb::DecodeInt32Array(select.ColumnBlob(3), items)) {
      ThrowDamaged("a pattern of ResultInfo");
    }
    StoredPattern& p = readPatterns.emplace_back();
    p.count = static_cast<std::uint32_t>(number);
    std::size_t at = 0;
    for (const std::int32_t size : sizes) {
      if (size < 0 || static_cast<std::size_t>(size) > items.size() - at) {
        ThrowDamaged("the itemset sizes of a pattern of ResultInfo");
      }
      p.itemsets.emplace_back(items.begin() + static_cast<std::ptrdiff_t>(at),
                              items.begin() + static_cast<std::ptrdiff_t>(at + size));
      at += static_cast<std::size_t>(size);
    }
    if (at != items.size()) ThrowDamaged("the items of a pattern of ResultInfo");
  }
  for (const std::uint32_t leaf : readLeaves) {
    if (leaf >= readPatterns.size()) ThrowDamaged("a leaf of ResultInfo");
  }
  patterns = std::move(readPatterns);
  leaves = std::move(readLeaves);
}

}  // namespace linkan
