// pattern_log.h
//
// PatternLog: what a subtree of the itemset enumeration recorded, in the
// order of the serial descent, so that subtrees can be mined on several
// threads and still be recorded in one fixed order. A log is a list of
// events (a one-itemset pattern as ranks, its count, a leaf flag) and of
// sub-logs, each attached after one of the events; replaying a log records
// its events in order and replays every sub-log right after the event it is
// attached to, sub-logs of one event in the order of attaching.
//
// Events live in blocks that never move (growing in size up to a limit), so
// appending costs no copying and an event's handle stays valid.
//
// Thread safety: one writer per log; a sub-log may be written by another
// thread than its parent. Replay once every writer is done.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "engine/mining/pattern_recorder.h"
#include "frame/host/run_guard.h"

namespace linkan {

class PatternLog {
 public:
  // Refers to one event; valid as long as the log.
  using Event = std::int32_t*;

  // Appends the pattern of the one itemset `items` with `count`.
  Event Add(std::span<const Rank> items, SupportCount count);
  static void MarkLeaf(Event e) { e[1] = 1; }
  // Number of events (sub-logs not included).
  std::size_t size() const { return events_; }

  // A new, empty sub-log replayed after the event with ordinal `after`
  // (0-based; after the sub-logs attached to it before).
  PatternLog& Attach(std::size_t after);

  // Events and key words of this log and its sub-logs.
  void Totals(std::size_t& events, std::size_t& words) const;

  // Records every event in order (as new patterns: the itemset engine never
  // meets a pattern twice) and adds the leaves. The caller then finishes
  // the recorder's appends. Returns false, having recorded a prefix, when
  // `guard` (may be null) stopped the run.
  bool Replay(PatternRecorder& recorder, std::set<PatternId>& leaves,
              const RunGuard* guard = nullptr) const;

 private:
  // An event: count, leaf flag, length, items; the length and the items are
  // the rank key of the pattern.
  static constexpr std::size_t kFirstBlockWords = 64;
  static constexpr std::size_t kBlockWords = 1 << 15;
  struct Block {
    std::unique_ptr<std::int32_t[]> words;
    std::size_t size = 0;
    std::size_t used = 0;
  };
  std::vector<Block> blocks_;
  std::size_t events_ = 0;
  std::size_t keyWords_ = 0;
  std::vector<std::pair<std::size_t, std::unique_ptr<PatternLog>>> subs_;
};

}  // namespace linkan
