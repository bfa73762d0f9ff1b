// bucket_pipeline.cpp
#include "engine/construction/bucket_pipeline.h"

#include <algorithm>

#include "engine/construction/transaction_store.h"
#include "frame/host/module_error.h"
#include "frame/host/run_guard.h"

namespace linkan {

void WriteBucket(TransactionStore& store, const Bucket& bucket, bool insert, RunGuard* guard) {
  std::unique_ptr<TransactionWriter> writer = store.Attach();
  for (const BucketSequence* sequence : SortedSequences(bucket)) {
    if (guard != nullptr && guard->Poll()) {
      throw ModuleError(ErrorKind::kCancelled, "Operation was cancelled");
    }
    for (const auto& [tid, items] : sequence->times) {
      if (insert) {
        writer->Insert(sequence->sid, tid, items);
      } else {
        writer->Merge(sequence->sid, tid, items);
      }
    }
  }
  writer->Detach();
}

BucketPipeline::BucketPipeline(TransactionStore& store, std::size_t handOverThreshold,
                               bool storeWasEmpty, RunGuard* guard)
    : store_(store), threshold_(handOverThreshold), guard_(guard), insertBlind_(storeWasEmpty) {}

BucketPipeline::~BucketPipeline() {
  for (std::thread& t : workers_) {
    if (t.joinable()) t.join();
  }
}

void BucketPipeline::Add(std::uint32_t sequence, const std::string& sid, double tid,
                         const ItemNumber* items, std::size_t count) {
  if (count == 0) return;
  Bucket& bucket = buckets_[current_];
  auto found = bucket.find(sequence);
  if (found == bucket.end()) found = bucket.emplace(sequence, BucketSequence{sid, {}}).first;
  BucketItemSet& set = found->second.times[tid];
  for (std::size_t i = 0; i < count; ++i) InsertItem(set, items[i]);
  pending_ += count;
}

void BucketPipeline::EndCase() {
  if (pending_ > threshold_) HandOver();
}

void BucketPipeline::Finish() {
  if (pending_ > 0) HandOver();
  for (std::size_t k = 0; k < kBucketCount; ++k) Wait(k);
}

void BucketPipeline::HandOver() {
  pending_ = 0;
  if (current_ != 0) Wait(current_ - 1);
  Start(current_);
  current_ = (current_ + 1) % kBucketCount;
  Wait(current_);
}

void BucketPipeline::Start(std::size_t k) {
  // Only the first worker over an empty store may insert blindly: every
  // later worker starts after it has finished, and may meet keys it wrote.
  const bool insert = insertBlind_;
  insertBlind_ = false;
  ++handOvers_;
  failures_[k] = nullptr;
  workers_[k] = std::thread([this, k, insert] {
    try {
      WriteBucket(store_, buckets_[k], insert, guard_);
    } catch (...) {
      failures_[k] = std::current_exception();
    }
    buckets_[k].clear();
  });
}

void BucketPipeline::Wait(std::size_t k) {
  if (workers_[k].joinable()) workers_[k].join();
  if (failures_[k]) {
    std::exception_ptr failure = std::move(failures_[k]);
    failures_[k] = nullptr;
    std::rethrow_exception(failure);
  }
}

}  // namespace linkan
