// bucket_pipeline.h
//
// BucketPipeline: the ten buckets of the transaction database construction
// and the worker threads that write them. The reading thread adds each
// case's items to the current bucket; once more than `handOverThreshold`
// items are pending after a case, the bucket is handed to a worker thread of
// its own and the next bucket (cyclically) becomes current:
//   1. unless the current bucket is the first, wait for the worker of the
//      bucket before it;
//   2. start a worker on the current bucket;
//   3. make the next bucket current and wait until its previous worker (if
//      any) has written and emptied it.
// So at most two workers write at once (the last bucket's and one that
// follows it), and reading goes on while a bucket is being written.
//
// A worker attaches its own writer to the store, writes every (ID, time)
// group of its bucket, detaches (commits) and empties the bucket. Groups are
// merged into existing records (insert-or-union), except by the very first
// worker of a construction over an empty store, which runs alone and
// inserts. A worker's failure is passed to the reading thread at its next
// wait; the destructor waits for every worker still running.
//
// Thread safety: every member is for the reading thread.
#pragma once

#include <array>
#include <cstdint>
#include <cstddef>
#include <exception>
#include <string>
#include <thread>

#include "engine/construction/transaction_bucket.h"

namespace linkan {

class RunGuard;
class TransactionStore;

class BucketPipeline {
 public:
  static constexpr std::size_t kBucketCount = 10;

  // `storeWasEmpty`: the store held no record when the construction began.
  // `guard` (may be null) stops the workers between sequences; they poll it
  // themselves, since the reading thread may be waiting for them.
  BucketPipeline(TransactionStore& store, std::size_t handOverThreshold, bool storeWasEmpty,
                 RunGuard* guard = nullptr);
  ~BucketPipeline();
  BucketPipeline(const BucketPipeline&) = delete;
  BucketPipeline& operator=(const BucketPipeline&) = delete;

  // Adds `count` items to the group (sequence, tid) of the current bucket,
  // creating the group when missing; `sequence` is the position of the ID
  // text `sid` in the TransactionIdList. Nothing is created for count 0.
  void Add(std::uint32_t sequence, const std::string& sid, double tid, const ItemNumber* items,
           std::size_t count);
  // Ends a case: hands the current bucket over when more than the threshold
  // of items are pending. Rethrows a failure of a worker waited for.
  void EndCase();
  // Hands over what is pending and waits for every worker. Rethrows the
  // first failure of a worker.
  void Finish();

  // Number of buckets handed to workers so far.
  std::size_t HandOvers() const { return handOvers_; }

 private:
  void HandOver();
  void Start(std::size_t k);
  void Wait(std::size_t k);

  TransactionStore& store_;
  const std::size_t threshold_;
  RunGuard* guard_;
  bool insertBlind_;  // the next worker may insert without looking up
  std::size_t current_ = 0;
  std::size_t pending_ = 0;
  std::size_t handOvers_ = 0;
  std::array<Bucket, kBucketCount> buckets_;
  std::array<std::thread, kBucketCount> workers_;
  std::array<std::exception_ptr, kBucketCount> failures_;
};

// Writes every group of `bucket` through a writer of its own attached to
// `store`, then commits. With `insert` the groups are inserted as new
// records, otherwise merged.
// Throws ModuleError(kCancelled, "Operation was cancelled"), leaving the
// writer's records uncommitted, when `guard` (may be null, polled per
// sequence) stops the run.
void WriteBucket(TransactionStore& store, const Bucket& bucket, bool insert,
                 RunGuard* guard = nullptr);

}  // namespace linkan
