// sequence_database.h
//
// SequenceDatabase: the transaction database of a run held in memory in a
// compact form, read once per run. Sequence s is the s-th entry of the
// transaction ID list; its transactions come in ascending time (TID) order,
// each with its time and its items as stored. Alongside, the itemsets that
// combining gives (CombineItemsetMode, FixedNumItemsets, FixedTimeLength) are
// precomputed: a sequence of c transactions has positions 0 .. c - 1, and
// position p holds the ascending, distinct items of the transactions
// combined into itemset p; positions beyond the number of combined itemsets
// are empty.
//
// Combining (for a sequence with transactions t = 0 .. c - 1):
//   mode 0, K = FixedNumItemsets: position p holds the transactions with
//     p*K <= t < (p+1)*K;
//   mode 1, L = FixedTimeLength = 0.0: position p holds transaction p;
//   mode 1, L != 0.0: position p holds the transactions met, reading from
//     the first, before the first one whose (time - t0) / L is >= p + 1 and
//     whose own value lies in [p, p + 1), t0 the first transaction's time;
//   any other mode: every position is empty.
//
// Thread safety: immutable after building; any number of readers.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/pattern.h"
#include "frame/analysis_settings.h"

namespace linkan {

class ProjectDatabase;

struct ItemsetCombining {
  std::int32_t mode = 0;              // CombineItemsetMode
  std::int32_t fixedNumItemsets = 1;  // FixedNumItemsets
  double fixedTimeLength = 0.0;       // FixedTimeLength

  static ItemsetCombining FromSettings(const AnalysisSettings& s) {
    return {s.CombineItemsetMode, s.FixedNumItemsets, s.FixedTimeLength};
  }
  bool operator==(const ItemsetCombining&) const = default;
};

class SequenceDatabase {
 public:
  SequenceDatabase() = default;

  // N: the number of sequences.
  std::size_t size() const { return seqBegin_.size() - 1; }
  // c: the number of transactions (and positions) of sequence s.
  std::size_t TransactionCount(std::size_t s) const { return seqBegin_[s + 1] - seqBegin_[s]; }
  double TransactionTime(std::size_t s, std::size_t t) const { return times_[seqBegin_[s] + t]; }
  std::span<const ItemNumber> TransactionItems(std::size_t s, std::size_t t) const {
    const std::size_t k = seqBegin_[s] + t;
    return {items_.data() + itemBegin_[k], itemBegin_[k + 1] - itemBegin_[k]};
  }
  // The combined itemset at position p. REQUIRES: p < TransactionCount(s).
  std::span<const ItemNumber> ItemsetAt(std::size_t s, std::size_t p) const {
    const std::size_t k = seqBegin_[s] + p;
    return {setItems_.data() + setBegin_[k], setBegin_[k + 1] - setBegin_[k]};
  }
  const ItemsetCombining& combining() const { return combining_; }
  // Total number of transactions.
  std::size_t TotalTransactions() const { return times_.size(); }

 private:
  friend class SequenceDatabaseBuilder;

  ItemsetCombining combining_;
  std::vector<std::uint64_t> seqBegin_{0};   // N + 1 offsets into the transactions
  std::vector<double> times_;                // per transaction
  std::vector<std::uint64_t> itemBegin_{0};  // per transaction, into items_
  std::vector<ItemNumber> items_;
  std::vector<std::uint64_t> setBegin_{0};  // per position, into setItems_
  std::vector<ItemNumber> setItems_;
};

// Collects transactions in any order of sequences and builds the database.
class SequenceDatabaseBuilder {
 public:
  explicit SequenceDatabaseBuilder(std::size_t sequences) : sequences_(sequences) {}

  // Appends a transaction to sequence s (s < sequences). The transactions of
  // one sequence must be added in ascending time order. Sequences added in
  // ascending order are built without a copy.
  void Add(std::size_t s, double time, std::span<const ItemNumber> items);
  // Room for `transactions` transactions.
  void Reserve(std::size_t transactions) { pending_.reserve(transactions); }

  SequenceDatabase Build(const ItemsetCombining& combining) &&;

 private:
  struct Pending {
    std::uint32_t sequence;
    double time;
    std::uint64_t itemBegin;
    std::uint64_t itemEnd;
  };
  std::size_t sequences_;
  std::vector<Pending> pending_;
  std::vector<ItemNumber> items_;
};

// Reads every stored transaction of the open project once (ordered by SID,
// then TID) and keeps those whose SID is in `transactionIds`, as sequence
// number = position in that list. A sequence without records has c = 0.
// A kept record with an item outside 1 .. itemCount (the item dictionary)
// throws the damage report (projectdb/project_damage.h).
SequenceDatabase LoadSequenceDatabase(ProjectDatabase& db,
                                      const std::vector<std::string>& transactionIds,
                                      const ItemsetCombining& combining, std::size_t itemCount);

// The database the construction of this run has just built (`built`,
// emptied here) when it fits the ID list and the combining; otherwise the
// one LoadSequenceDatabase reads from the project.
SequenceDatabase TakeOrLoadSequenceDatabase(std::shared_ptr<SequenceDatabase>& built,
                                           ProjectDatabase& db,
                                           const std::vector<std::string>& transactionIds,
                                           const ItemsetCombining& combining,
                                           std::size_t itemCount);

}  // namespace linkan
