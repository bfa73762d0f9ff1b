// sequence_database.cpp
#include "engine/mining/sequence_database.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>

#include "projectdb/project_damage.h"
#include "projectdb/project_database.h"

namespace linkan {
namespace {

// Target positions of the transactions of one sequence, where every
// position takes a contiguous run of transactions (or none): -1 when the
// transaction lies in no position. Returns false when the combining needs
// the general, position by position reading (time values that are not
// ascending, or NaN).
bool TargetPositions(const ItemsetCombining& comb, std::span<const double> times,
                     std::vector<std::int64_t>& target) {
  const auto c = static_cast<std::int64_t>(times.size());
  target.assign(times.size(), -1);
  if (comb.mode == 0) {
    const std::int64_t k = comb.fixedNumItemsets;
    if (k <= 0) return true;
    for (std::int64_t t = 0; t < c; ++t) target[t] = t / k;
    return true;
  }
  if (comb.mode != 1) return true;
  if (comb.fixedTimeLength == 0.0) {
    for (std::int64_t t = 0; t < c; ++t) target[t] = t;
    return true;
  }
  const double t0 = times[0];
  double previous = 0.0;
  for (std::int64_t t = 0; t < c; ++t) {
    const double v = (times[t] - t0) / comb.fixedTimeLength;
    if (std::isnan(v) || v < previous) return false;
    previous = v;
    const double f = std::floor(v);
    if (f < static_cast<double>(c)) target[t] = static_cast<std::int64_t>(f);
  }
  return true;
}

}  // namespace

void SequenceDatabaseBuilder::Add(std::size_t s, double time, std::span<const ItemNumber> items) {
  const std::uint64_t begin = items_.size();
  items_.insert(items_.end(), items.begin(), items.end());
  pending_.push_back({static_cast<std::uint32_t>(s), time, begin, items_.size()});
}

SequenceDatabase SequenceDatabaseBuilder::Build(const ItemsetCombining& combining) && {
  SequenceDatabase db;
  db.combining_ = combining;

  // Stable counting sort of the transactions by sequence.
  std::vector<std::uint64_t> begin(sequences_ + 1, 0);
  for (const Pending& p : pending_) ++begin[p.sequence + 1];
  for (std::size_t s = 0; s < sequences_; ++s) begin[s + 1] += begin[s];
  db.seqBegin_ = begin;
  db.times_.reserve(pending_.size());
  db.itemBegin_.reserve(pending_.size() + 1);
  const bool inOrder = std::is_sorted(
      pending_.begin(), pending_.end(),
      [](const Pending& a, const Pending& b) { return a.sequence < b.sequence; });
  if (inOrder) {
    // Already in sequence order, items back to back: taken as they are.
    for (const Pending& p : pending_) {
      db.times_.push_back(p.time);
      db.itemBegin_.push_back(p.itemEnd);
    }
    db.items_ = std::move(items_);
  } else {
    std::vector<std::uint32_t> order(pending_.size());
    std::vector<std::uint64_t> next(begin.begin(), begin.end() - 1);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      order[next[pending_[i].sequence]++] = static_cast<std::uint32_t>(i);
    }
    db.items_.reserve(items_.size());
    for (const std::uint32_t i : order) {
      const Pending& p = pending_[i];
      db.times_.push_back(p.time);
      db.items_.insert(db.items_.end(), items_.begin() + static_cast<std::ptrdiff_t>(p.itemBegin),
                       items_.begin() + static_cast<std::ptrdiff_t>(p.itemEnd));
      db.itemBegin_.push_back(db.items_.size());
    }
  }
  std::vector<Pending>().swap(pending_);
  std::vector<ItemNumber>().swap(items_);

  // The combined itemsets, position by position.
  db.setBegin_.reserve(db.times_.size() + 1);
  db.setItems_.reserve(db.items_.size());
  std::vector<std::int64_t> target;
  std::vector<std::pair<std::int64_t, ItemNumber>> pairs;
  for (std::size_t s = 0; s < sequences_; ++s) {
    const std::size_t c = db.TransactionCount(s);
    if (c == 0) continue;
    const std::span<const double> times(db.times_.data() + db.seqBegin_[s], c);
    pairs.clear();
    if (TargetPositions(combining, times, target)) {
      for (std::size_t t = 0; t < c; ++t) {
        if (target[t] < 0) continue;
        for (const ItemNumber x : db.TransactionItems(s, t)) pairs.emplace_back(target[t], x);
      }
    } else {
      // Position by position, as a reader that starts from the first
      // transaction every time and stops at the first value >= p + 1.
      const double t0 = times[0];
      for (std::size_t p = 0; p < c; ++p) {
        const auto lo = static_cast<double>(p);
        const double hi = static_cast<double>(p + 1);
        for (std::size_t t = 0; t < c; ++t) {
          const double v = (times[t] - t0) / combining.fixedTimeLength;
          if (v >= hi) break;
          if (v >= lo) {
            for (const ItemNumber x : db.TransactionItems(s, t)) {
              pairs.emplace_back(static_cast<std::int64_t>(p), x);
            }
          }
        }
      }
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    std::size_t k = 0;
    for (std::size_t p = 0; p < c; ++p) {
      while (k < pairs.size() && pairs[k].first == static_cast<std::int64_t>(p)) {
        db.setItems_.push_back(pairs[k++].second);
      }
      db.setBegin_.push_back(db.setItems_.size());
    }
  }
  return db;
}

SequenceDatabase TakeOrLoadSequenceDatabase(std::shared_ptr<SequenceDatabase>& built,
                                           ProjectDatabase& db,
                                           const std::vector<std::string>& transactionIds,
                                           const ItemsetCombining& combining,
                                           std::size_t itemCount) {
  const std::shared_ptr<SequenceDatabase> taken = std::move(built);
  built.reset();
  if (taken && taken->size() == transactionIds.size() && taken->combining() == combining) {
    return std::move(*taken);
  }
  return LoadSequenceDatabase(db, transactionIds, combining, itemCount);
}

SequenceDatabase LoadSequenceDatabase(ProjectDatabase& db,
                                      const std::vector<std::string>& transactionIds,
                                      const ItemsetCombining& combining, std::size_t itemCount) {
  std::unordered_map<std::string, std::vector<std::uint32_t>> index;
  index.reserve(transactionIds.size());
  for (std::size_t s = 0; s < transactionIds.size(); ++s) {
    index[transactionIds[s]].push_back(static_cast<std::uint32_t>(s));
  }
  SequenceDatabaseBuilder builder(transactionIds.size());
  // Records come grouped by SID: look each SID up once.
  bool haveSid = false;
  std::string currentSid;
  const std::vector<std::uint32_t>* targets = nullptr;
  db.ForEachTransaction([&](const TransactionRecord& record) {
    if (!haveSid || record.sid != currentSid) {
      haveSid = true;
      currentSid = record.sid;
      const auto it = index.find(record.sid);
      targets = it == index.end() ? nullptr : &it->second;
    }
    if (targets == nullptr) return;
    for (const std::int32_t item : record.items) {
      if (item < 1 || static_cast<std::size_t>(item) > itemCount) {
        projectdb::ThrowDamaged(db.Path(), projectdb::TransactionPlace(record.sid, record.tid) +
                                               ": item " + std::to_string(item) +
                                               " is not in the item dictionary (" +
                                               std::to_string(itemCount) + " items)");
      }
    }
    for (const std::uint32_t s : *targets) builder.Add(s, record.tid, record.items);
  });
  return std::move(builder).Build(combining);
}

}  // namespace linkan
