// transaction_set.cpp
#include "engine/construction/transaction_set.h"

#include <algorithm>
#include <numeric>

namespace linkan {

void TransactionSet::Add(std::uint32_t sequence, double time, const ItemNumber* items,
                         std::size_t count) {
  if (count == 0) return;
  if (sequence >= sequences_.size()) sequences_.resize(static_cast<std::size_t>(sequence) + 1);
  std::vector<TransactionGroup>& groups = sequences_[sequence];
  // The first group after `time`; times compare as the ordered keys of a
  // store do (-0.0 and 0.0 are one time). Mostly that is the end.
  auto pos = groups.end();
  if (!groups.empty() && groups.back().time > time) {
    pos = std::upper_bound(groups.begin(), groups.end(), time,
                           [](double t, const TransactionGroup& g) { return t < g.time; });
  }
  if (pos == groups.begin() || (pos - 1)->time < time) {
    pos = groups.insert(pos, TransactionGroup{time, portion_, {}}) + 1;
    ++groups_;
  }
  ItemSet& set = (pos - 1)->items;
  for (std::size_t i = 0; i < count; ++i) InsertItem(set, items[i]);
  pending_ += count;
}

void TransactionSet::EndCase() {
  if (pending_ > threshold_) {
    pending_ = 0;
    ++portion_;
  }
}

const std::vector<TransactionGroup>& TransactionSet::Groups(std::size_t s) const {
  static const std::vector<TransactionGroup> kNone;
  return s < sequences_.size() ? sequences_[s] : kNone;
}

void TransactionSet::Renumber(const std::vector<ItemNumber>& table) {
  for (std::vector<TransactionGroup>& groups : sequences_) {
    for (TransactionGroup& g : groups) {
      for (ItemNumber& item : g.items) item = table[static_cast<std::size_t>(item)];
    }
  }
}

void TransactionSet::VisitInWriteOrder(
    const std::vector<std::string>& ids,
    const std::function<bool(std::uint32_t, const TransactionGroup&)>& visit) const {
  std::vector<std::uint32_t> order(sequences_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&ids](std::uint32_t a, std::uint32_t b) { return ids[a] < ids[b]; });
  if (portion_ == 0) {
    for (const std::uint32_t s : order) {
      for (const TransactionGroup& g : sequences_[s]) {
        if (!visit(s, g)) return;
      }
    }
    return;
  }
  // Several portions: a counting sort of the groups by portion keeps the
  // (ID text, time) order within each.
  struct Ref {
    std::uint32_t sequence;
    std::uint32_t group;
  };
  std::vector<std::size_t> begin(static_cast<std::size_t>(portion_) + 2, 0);
  for (const auto& groups : sequences_) {
    for (const TransactionGroup& g : groups) ++begin[g.portion + 1];
  }
  std::partial_sum(begin.begin(), begin.end(), begin.begin());
  std::vector<Ref> refs(begin.back());
  for (const std::uint32_t s : order) {
    const auto& groups = sequences_[s];
    for (std::size_t k = 0; k < groups.size(); ++k) {
      refs[begin[groups[k].portion]++] = {s, static_cast<std::uint32_t>(k)};
    }
  }
  for (const Ref& r : refs) {
    if (!visit(r.sequence, sequences_[r.sequence][r.group])) return;
  }
}

}  // namespace linkan
