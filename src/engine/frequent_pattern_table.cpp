// frequent_pattern_table.cpp
#include "engine/frequent_pattern_table.h"

#include <algorithm>
#include <cassert>

#include "frame/host/module_error.h"

namespace linkan {
namespace {

constexpr std::uint64_t kSeed = 0x243f6a8885a308d3ull;
constexpr std::uint64_t kLengthFactor = 0x9e3779b97f4a7c15ull;

std::uint64_t Mix(std::uint64_t v) {
  v *= 0xbf58476d1ce4e5b9ull;
  v ^= v >> 31;
  return v;
}

std::uint64_t Finish(std::uint64_t v) {
  v ^= v >> 32;
  v *= 0x94d049bb133111ebull;
  v ^= v >> 29;
  return v;
}

[[noreturn]] void NotFound() { throw ModuleError(ErrorKind::kNotFound, "value not found"); }

}  // namespace

std::uint64_t FrequentPatternTable::ItemHash(ItemNumber x) {
  std::uint64_t z = static_cast<std::uint32_t>(x) + 0x9e3779b97f4a7c15ull;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

std::uint64_t FrequentPatternTable::OneItemsetHash(std::uint64_t itemXor, std::size_t length) {
  return Finish(Mix(kSeed ^ itemXor ^ (length * kLengthFactor)));
}

std::uint64_t FrequentPatternTable::HashKey(Key key) {
  std::uint64_t h = kSeed;
  std::size_t i = 0;
  while (i < key.size()) {
    const auto len = static_cast<std::size_t>(key[i++]);
    std::uint64_t x = len * kLengthFactor;
    for (std::size_t j = 0; j < len; ++j) x ^= ItemHash(key[i + j]);
    i += len;
    h = Mix(h ^ x);
  }
  return Finish(h);
}

void FrequentPatternTable::AppendKey(const Pattern& p, std::vector<std::int32_t>& out) {
  for (const Itemset& s : p) {
    out.push_back(static_cast<std::int32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
}

Pattern FrequentPatternTable::PatternFromKey(Key key) {
  Pattern p;
  std::size_t i = 0;
  while (i < key.size()) {
    const auto len = static_cast<std::size_t>(key[i++]);
    p.emplace_back(key.begin() + static_cast<std::ptrdiff_t>(i),
                   key.begin() + static_cast<std::ptrdiff_t>(i + len));
    i += len;
  }
  return p;
}

std::size_t FrequentPatternTable::KeyItemsetCount(Key key) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < key.size(); i += static_cast<std::size_t>(key[i]) + 1) ++n;
  return n;
}

PatternId FrequentPatternTable::Record(const Pattern& p, SupportCount count) {
  std::vector<std::int32_t> key;
  AppendKey(p, key);
  return RecordKey(key, count);
}

PatternId FrequentPatternTable::AppendUnindexed(Key key, SupportCount count) {
  const auto id = static_cast<PatternId>(counts_.size());
  words_.insert(words_.end(), key.begin(), key.end());
  offsets_.push_back(words_.size());
  counts_.push_back(count);
  hashes_.push_back(HashKey(key));
  return id;
}

void FrequentPatternTable::IndexAppended() {
  const std::size_t total = counts_.size();
  if (indexed_ == total) return;
  std::size_t size = std::max<std::size_t>(64, slots_.size());
  while (size < total * 2) size *= 2;
  if (size > slots_.size()) {
    slots_.assign(size, kEmptySlot);
    indexed_ = 0;
  }
  // Place in (roughly) the order of the home slots, so that the slot array
  // is walked once instead of being hit at random: a counting sort of the
  // new IDs by the leading bits of their home slot.
  const std::size_t first = indexed_;
  const std::size_t count = total - first;
  unsigned shift = 0;
  while ((slots_.size() >> shift) > 65536) ++shift;
  std::vector<std::uint32_t, tbb::scalable_allocator<std::uint32_t>> bucket(
      (slots_.size() >> shift) + 1, 0);
  for (std::size_t id = first; id < total; ++id) ++bucket[(SlotOf(hashes_[id]) >> shift) + 1];
  for (std::size_t b = 1; b < bucket.size(); ++b) bucket[b] += bucket[b - 1];
  std::vector<PatternId, tbb::scalable_allocator<PatternId>> order(count);
  for (std::size_t id = first; id < total; ++id) {
    order[bucket[SlotOf(hashes_[id]) >> shift]++] = static_cast<PatternId>(id);
  }
  for (const PatternId id : order) {
    const std::uint64_t hash = hashes_[id];
    const std::uint64_t high = hash & 0xffffffff00000000ull;
    std::size_t slot = SlotOf(hash);
    for (; slots_[slot] != kEmptySlot; slot = (slot + 1) & (slots_.size() - 1)) {
      const std::uint64_t value = slots_[slot];
      if ((value & 0xffffffff00000000ull) != high) continue;
      const auto other = static_cast<PatternId>(value);
      if (hashes_[other] != hash) continue;
      const Key a = KeyOf(id);
      const Key b = KeyOf(other);
      if (std::equal(a.begin(), a.end(), b.begin(), b.end())) {
        throw ModuleError(ErrorKind::kInternal, "duplicate pattern");
      }
    }
    slots_[slot] = SlotValue(hash, id);
  }
  indexed_ = total;
}

PatternId FrequentPatternTable::RecordKey(Key key, SupportCount count, bool* inserted) {
  IndexAppended();
  const std::uint64_t hash = HashKey(key);
  if (const auto found = FindKey(key, hash)) {
    if (inserted) *inserted = false;
    return *found;
  }
  if ((counts_.size() + 1) * 2 > slots_.size()) {
    Rehash(std::max<std::size_t>(64, slots_.size() * 2));
  }
  const auto id = static_cast<PatternId>(counts_.size());
  words_.insert(words_.end(), key.begin(), key.end());
  offsets_.push_back(words_.size());
  counts_.push_back(count);
  hashes_.push_back(hash);
  Place(hash, id);
  indexed_ = counts_.size();
  if (inserted) *inserted = true;
  return id;
}

void FrequentPatternTable::Place(std::uint64_t hash, PatternId id) {
  std::size_t slot = SlotOf(hash);
  while (slots_[slot] != kEmptySlot) slot = (slot + 1) & (slots_.size() - 1);
  slots_[slot] = SlotValue(hash, id);
}

std::optional<PatternId> FrequentPatternTable::Find(const Pattern& p) const {
  std::vector<std::int32_t> key;
  AppendKey(p, key);
  return FindKey(key);
}

std::optional<PatternId> FrequentPatternTable::FindKey(Key key, std::uint64_t hash) const {
  assert(indexed_ == counts_.size() && "search before IndexAppended()");
  if (slots_.empty()) return std::nullopt;
  const std::uint64_t high = hash & 0xffffffff00000000ull;
  for (std::size_t slot = SlotOf(hash);; slot = (slot + 1) & (slots_.size() - 1)) {
    const std::uint64_t value = slots_[slot];
    if (value == kEmptySlot) return std::nullopt;
    if ((value & 0xffffffff00000000ull) != high) continue;
    // Equal high halves almost always mean the same key: compare the keys
    // straight away rather than read the full hash first.
    const auto id = static_cast<PatternId>(value);
    const std::uint64_t begin = offsets_[id];
    if (offsets_[id + 1] - begin != key.size()) continue;
    // Keys are short: a plain loop beats a call to memcmp.
    const std::int32_t* stored = words_.data() + begin;
    std::size_t i = 0;
    while (i < key.size() && stored[i] == key[i]) ++i;
    if (i == key.size()) return id;
  }
}

void FrequentPatternTable::Rehash(std::size_t slotCount) {
  slots_.assign(slotCount, kEmptySlot);
  for (std::size_t id = 0; id < indexed_; ++id) {
    Place(hashes_[id], static_cast<PatternId>(id));
  }
}

Pattern FrequentPatternTable::PatternOf(PatternId id) const { return PatternFromKey(KeyOf(id)); }

FrequentPatternTable::Key FrequentPatternTable::KeyOf(PatternId id) const {
  if (id >= counts_.size()) NotFound();
  return Key(words_.data() + offsets_[id], offsets_[id + 1] - offsets_[id]);
}

SupportCount FrequentPatternTable::CountOf(PatternId id) const {
  if (id >= counts_.size()) NotFound();
  return counts_[id];
}

std::size_t FrequentPatternTable::ItemsetCount(PatternId id) const {
  return KeyItemsetCount(KeyOf(id));
}

void FrequentPatternTable::Clear() {
  words_.clear();
  offsets_.assign(1, 0);
  counts_.clear();
  hashes_.clear();
  slots_.clear();
  indexed_ = 0;
}

void FrequentPatternTable::Reserve(std::size_t morePatterns, std::size_t moreWords) {
  const std::size_t patterns = counts_.size() + morePatterns;
  words_.reserve(words_.size() + moreWords);
  offsets_.reserve(patterns + 1);
  counts_.reserve(patterns);
  hashes_.reserve(patterns);
  std::size_t size = std::max<std::size_t>(64, slots_.size());
  while (size < patterns * 2) size *= 2;
  if (size > slots_.size()) Rehash(size);
}

}  // namespace linkan
