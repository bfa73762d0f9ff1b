// pattern_recorder.h
//
// PatternRecorder: the one place where the enumeration writes into the
// FrequentPatternTable. Recording a pattern (given as a key of ranks, see
// ContributedDatabase and FrequentPatternTable) translates it to item
// numbers, records it with its count (the first recording keeps its ID and
// count), and reports the line "<pattern text> : <count>" (pattern text
// space-separated and bracketed) to the debug channel, followed by "\n",
// and to the progress bar through brenwick::CThreadSafeProgressBarBase::
// Update(line, 1, false). The line is formed only when someone reads it (the
// debug channel is on, or the context asks for it); otherwise the progress
// bar is still counted one step per recording.
//
// Thread safety: none; used from the thread that records.
#pragma once

#include <atomic>
#include <span>
#include <string>
#include <vector>

#include "engine/frequent_pattern_table.h"
#include "engine/item_dictionary.h"
#include "engine/mining/contributed_database.h"
#include "frame/host/run_guard.h"

namespace linkan {

class PatternRecorder {
 public:
  // `lineRequest` (may be null): see MiningContext::lineRequest. `found`
  // (may be null) counts the patterns that Record finds.
  PatternRecorder(FrequentPatternTable& table, const ItemDictionary& items, bool sequenceMode,
                  std::span<const ItemNumber> rankToItem, bool reportLines,
                  std::atomic<bool>* lineRequest = nullptr, RunGuard* found = nullptr);
  ~PatternRecorder();
  PatternRecorder(const PatternRecorder&) = delete;
  PatternRecorder& operator=(const PatternRecorder&) = delete;

  // Records a pattern the enumeration found, counted in `found`.
  PatternId Record(std::span<const Rank> rankKey, SupportCount count);
  // As Record, for a pattern the caller knows is not recorded yet; the
  // table is indexed by FinishAppends(), which must come before any other
  // use of the table.
  PatternId RecordNew(std::span<const Rank> rankKey, SupportCount count);
  void FinishAppends();
  // Hands the batched lines on to the debug channel and the progress bar.
  void Flush();
  bool IsRecorded(std::span<const Rank> rankKey);
  // Prepares the table for `patterns` more patterns of `words` key words.
  void Reserve(std::size_t patterns, std::size_t words);

 private:
  FrequentPatternTable::Key ToItems(std::span<const Rank> rankKey);
  void Report(std::span<const Rank> rankKey, SupportCount count);
  // Appends "<pattern text> : <count>" (no line end) to `out`.
  void AppendLine(std::span<const Rank> rankKey, SupportCount count, std::string& out);
  const std::string& NameOfRank(Rank r);

  FrequentPatternTable& table_;
  const ItemDictionary& items_;
  bool sequenceMode_;
  std::span<const ItemNumber> rankToItem_;
  bool lines_;
  std::atomic<bool>* lineRequest_;
  RunGuard* found_;
  std::uint64_t unreported_ = 0;  // found, not yet added to found_
  std::vector<std::int32_t> scratch_;
  std::vector<const std::string*> rankNames_;  // looked up on first use
  std::string batch_;                          // whole lines not yet handed on
  std::vector<std::size_t> lineEnds_;          // where each line of the batch ends
};

}  // namespace linkan
