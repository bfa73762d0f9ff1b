// transaction_set.h
//
// TransactionSet: the transactions of a construction held in memory until
// every case is read. Sequence s (its position in the TransactionIdList)
// holds its groups in ascending time; a group is the ascending set of
// distinct item numbers that went to (s, time). Filling costs one vector
// index per case and, mostly, a look at the sequence's last group, since
// the cases of a sequence tend to come together and in time order.
//
// Write order: the construction hands items over in portions of more than
// `handOverThreshold` items (counted as added, repeats included, checked
// after each case). A group belongs to the portion it was created in, and a
// store receives the records portion by portion, each portion in byte-wise
// order of ID texts, then ascending time. That is the order in which a
// store fed portion by portion receives its new records, so the stored
// rows keep that order.
//
// Thread safety: none while filling; the const members may be called from
// any number of threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/item_dictionary.h"

namespace linkan {

// Ascending, distinct item numbers.
using ItemSet = std::vector<ItemNumber>;

struct TransactionGroup {
  double time = 0.0;
  std::uint32_t portion = 0;  // the hand-over portion the group was created in
  ItemSet items;
};

class TransactionSet {
 public:
  explicit TransactionSet(std::size_t handOverThreshold) : threshold_(handOverThreshold) {}

  // Adds `count` items to the group (sequence, time), creating it when
  // missing; nothing is created for count 0.
  void Add(std::uint32_t sequence, double time, const ItemNumber* items, std::size_t count);
  // Ends a case: a new portion starts once more than the threshold of items
  // were added to the current one.
  void EndCase();

  std::size_t SequenceCount() const { return sequences_.size(); }
  // Groups of sequence s in ascending time (empty past the last sequence
  // that received items).
  const std::vector<TransactionGroup>& Groups(std::size_t s) const;
  std::size_t GroupCount() const { return groups_; }

  // Replaces every item number k by table[k], keeping the positions.
  // REQUIRES: every stored number indexes `table`.
  void Renumber(const std::vector<ItemNumber>& table);

  // Visits every group in write order (see above); `ids` names the
  // sequences. Stops when `visit` returns false.
  void VisitInWriteOrder(
      const std::vector<std::string>& ids,
      const std::function<bool(std::uint32_t sequence, const TransactionGroup&)>& visit) const;

 private:
  const std::size_t threshold_;
  std::size_t pending_ = 0;
  std::uint32_t portion_ = 0;
  std::size_t groups_ = 0;
  std::vector<std::vector<TransactionGroup>> sequences_;
};

// Inserts `item` into the ascending set `set`; false when it was there.
// Sets hold a handful of items and items often arrive in ascending order,
// so the place is found by a scan from the back.
inline bool InsertItem(ItemSet& set, ItemNumber item) {
  auto pos = set.end();
  while (pos != set.begin() && *(pos - 1) > item) --pos;
  if (pos != set.begin() && *(pos - 1) == item) return false;
  set.insert(pos, item);
  return true;
}

}  // namespace linkan
