// pattern_recorder.cpp
#include "engine/mining/pattern_recorder.h"

#include <string>

#include "engine/text/pattern_text.h"
#include "frame/host/debug_sink.h"
#include "frame/progress_bars.h"

namespace linkan {

PatternRecorder::PatternRecorder(FrequentPatternTable& table, const ItemDictionary& items,
                                 bool sequenceMode, std::span<const ItemNumber> rankToItem,
                                 bool reportLines, std::atomic<bool>* lineRequest,
                                 RunGuard* found)
    : table_(table),
      items_(items),
      sequenceMode_(sequenceMode),
      rankToItem_(rankToItem),
      lines_(reportLines || DebugOutputEnabled()),
      lineRequest_(lineRequest),
      found_(found) {}

PatternRecorder::~PatternRecorder() {
  if (found_ != nullptr) found_->AddPatterns(unreported_);
}

FrequentPatternTable::Key PatternRecorder::ToItems(std::span<const Rank> rankKey) {
  scratch_.resize(rankKey.size());
  std::size_t i = 0;
  while (i < rankKey.size()) {
    const auto len = static_cast<std::size_t>(rankKey[i]);
    scratch_[i] = rankKey[i];
    for (std::size_t j = i + 1; j <= i + len; ++j) {
      scratch_[j] = rankToItem_[static_cast<std::size_t>(rankKey[j]) - 1];
    }
    i += len + 1;
  }
  return scratch_;
}

PatternId PatternRecorder::Record(std::span<const Rank> rankKey, SupportCount count) {
  const FrequentPatternTable::Key key = ToItems(rankKey);
  const PatternId id = table_.RecordKey(key, count);
  Report(key, count);
  // Counted in batches: one shared counter update per 256 patterns.
  if (found_ != nullptr && ++unreported_ == 256) {
    found_->AddPatterns(unreported_);
    unreported_ = 0;
  }
  return id;
}

PatternId PatternRecorder::RecordNew(std::span<const Rank> rankKey, SupportCount count) {
  const FrequentPatternTable::Key key = ToItems(rankKey);
  const PatternId id = table_.AppendUnindexed(key, count);
  Report(key, count);
  return id;
}

void PatternRecorder::FinishAppends() { table_.IndexAppended(); }

void PatternRecorder::Report(FrequentPatternTable::Key key, SupportCount count) {
  const bool sampled = lineRequest_ != nullptr &&
                       lineRequest_->load(std::memory_order_relaxed) &&
                       lineRequest_->exchange(false, std::memory_order_relaxed);
  if (lines_ || sampled) {
    const std::string text =
        PatternText(items_, sequenceMode_, FrequentPatternTable::PatternFromKey(key), false, true);
    const std::string line = text + " : " + std::to_string(static_cast<int>(count));
    if (DebugOutputEnabled()) DebugOutput(line + "\n");
    brenwick::CThreadSafeProgressBarBase::Update(line.c_str(), 1, false);
  } else {
    brenwick::CThreadSafeProgressBarBase::Update(nullptr, 1, false);
  }
}

void PatternRecorder::Reserve(std::size_t patterns, std::size_t words) {
  table_.Reserve(patterns, words);
}

bool PatternRecorder::IsRecorded(std::span<const Rank> rankKey) {
  return table_.FindKey(ToItems(rankKey)).has_value();
}

}  // namespace linkan
