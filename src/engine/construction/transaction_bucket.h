// transaction_bucket.h
//
// Bucket: the items read since the last hand-over, grouped by sequence (its
// position in the TransactionIdList, with its ID text), then by time
// (ascending), each group an ascending set of distinct item numbers. The
// reading thread finds a sequence by its position, which it knows already,
// so filling costs one small-integer look-up per case; the worker writes
// the sequences in byte-wise order of their ID texts (SortedSequences).
// A bucket is filled by the reading thread and, once handed over, written
// and emptied by its worker alone.
//
// Thread safety: none; ownership passes between threads by hand-over.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include <oneapi/tbb/scalable_allocator.h>

#include "engine/item_dictionary.h"

namespace linkan {

// Ascending, distinct item numbers.
using BucketItemSet = std::vector<ItemNumber>;

using BucketTimes =
    std::map<double, BucketItemSet, std::less<double>,
             tbb::scalable_allocator<std::pair<const double, BucketItemSet>>>;

struct BucketSequence {
  std::string sid;
  BucketTimes times;
};

// Sequence position -> its groups.
using Bucket =
    std::unordered_map<std::uint32_t, BucketSequence, std::hash<std::uint32_t>,
                       std::equal_to<std::uint32_t>,
                       tbb::scalable_allocator<std::pair<const std::uint32_t, BucketSequence>>>;

// The sequences of `bucket` in byte-wise order of their ID texts.
inline std::vector<const BucketSequence*> SortedSequences(const Bucket& bucket) {
  std::vector<const BucketSequence*> out;
  out.reserve(bucket.size());
  for (const auto& entry : bucket) out.push_back(&entry.second);
  std::sort(out.begin(), out.end(),
            [](const BucketSequence* a, const BucketSequence* b) { return a->sid < b->sid; });
  return out;
}

// Inserts `item` into the ascending set `set`; false when it was there.
// Sets hold a handful of items and items often arrive in ascending order,
// so the place is found by a scan from the back.
inline bool InsertItem(BucketItemSet& set, ItemNumber item) {
  auto pos = set.end();
  while (pos != set.begin() && *(pos - 1) > item) --pos;
  if (pos != set.begin() && *(pos - 1) == item) return false;
  set.insert(pos, item);
  return true;
}

}  // namespace linkan
