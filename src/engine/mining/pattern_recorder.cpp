// pattern_recorder.cpp
#include "engine/mining/pattern_recorder.h"

#include <charconv>
#include <string>

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
  try {
    Flush();
  } catch (...) {
    // A sink that fails while an error unwinds loses the last lines only.
  }
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
  Report(rankKey, count);
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
  Report(rankKey, count);
  return id;
}

void PatternRecorder::FinishAppends() {
  Flush();
  table_.IndexAppended();
}

namespace {
// Lines are handed on once the batch holds this many bytes.
constexpr std::size_t kBatchBytes = std::size_t{1} << 16;
}  // namespace

const std::string& PatternRecorder::NameOfRank(Rank r) {
  const auto at = static_cast<std::size_t>(r);
  if (rankNames_.size() <= at) rankNames_.resize(at + 1, nullptr);
  if (rankNames_[at] == nullptr) rankNames_[at] = &items_.Name(rankToItem_[at - 1]);
  return *rankNames_[at];
}

// The text PatternText(items, sequenceMode, p, false, true) gives: items
// separated by " ", an itemset of two or more items in "(" ")", the whole in
// "[" "]".
void PatternRecorder::AppendLine(std::span<const Rank> rankKey, SupportCount count,
                                 std::string& out) {
  out += '[';
  std::size_t i = 0;
  while (i < rankKey.size()) {
    if (i > 0) out += ' ';
    const auto len = static_cast<std::size_t>(rankKey[i]);
    if (len >= 2) out += '(';
    for (std::size_t j = 1; j <= len; ++j) {
      if (j > 1) out += ' ';
      out += NameOfRank(rankKey[i + j]);
    }
    if (len >= 2) out += ')';
    i += len + 1;
  }
  out += "] : ";
  char digits[16];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, static_cast<int>(count));
  out.append(digits, end);
}

void PatternRecorder::Report(std::span<const Rank> rankKey, SupportCount count) {
  if (lines_) {
    AppendLine(rankKey, count, batch_);
    batch_ += '\n';
    lineEnds_.push_back(batch_.size());
    if (batch_.size() >= kBatchBytes) Flush();
    return;
  }
  const bool sampled = lineRequest_ != nullptr &&
                       lineRequest_->load(std::memory_order_relaxed) &&
                       lineRequest_->exchange(false, std::memory_order_relaxed);
  if (sampled) {
    std::string line;
    AppendLine(rankKey, count, line);
    brenwick::CThreadSafeProgressBarBase::Update(line.c_str(), 1, false);
  } else {
    brenwick::CThreadSafeProgressBarBase::Update(nullptr, 1, false);
  }
}

void PatternRecorder::Flush() {
  const std::size_t lines = lineEnds_.size();
  if (lines == 0) return;
  DebugOutputPieces(batch_, lineEnds_);
  // The bar counts every line of the batch and shows the last one.
  if (lines > 1) brenwick::CThreadSafeProgressBarBase::Update(nullptr, lines - 1, false);
  const std::size_t lastBegin = lines > 1 ? lineEnds_[lines - 2] : 0;
  const std::string last = batch_.substr(lastBegin, batch_.size() - lastBegin - 1);
  batch_.clear();
  lineEnds_.clear();
  brenwick::CThreadSafeProgressBarBase::Update(last.c_str(), 1, false);
}

void PatternRecorder::Reserve(std::size_t patterns, std::size_t words) {
  table_.Reserve(patterns, words);
}

bool PatternRecorder::IsRecorded(std::span<const Rank> rankKey) {
  return table_.FindKey(ToItems(rankKey)).has_value();
}

}  // namespace linkan
