// progress_display.cpp
#include "progress_display.h"

#include <algorithm>

namespace linkan::app {
namespace {

constexpr int kBarCells = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

int PercentOf(const ProgressState& bar) {
  if (bar.total <= 0 || bar.showCount) return -1;
  const long pos = std::clamp(bar.position, 0L, bar.total);
  return static_cast<int>(static_cast<long double>(pos) * 100 / bar.total);
}

// Cuts `s` to at most `n` characters (UTF-8 aware).
std::string CutToWidth(const std::string& s, int n) {
  int chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (chars == n) return s.substr(0, i);
    ++chars;
  }
  return s;
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, ProgressMode mode, int width)
    : out_(out), mode_(mode), width_(std::max(width, 20)) {}

std::string ProgressDisplay::Render(const ProgressState& bar) const {
  std::string line = bar.title;
  const int percent = PercentOf(bar);
  if (percent >= 0) {
    const int filled = percent * kBarCells / 100;
    line.append(" [")
        .append(static_cast<std::size_t>(filled), '#')
        .append(static_cast<std::size_t>(kBarCells - filled), '.')
        .append("] ")
        .append(std::to_string(percent))
        .append("%");
  } else if (bar.position > 0) {
    line.append(" ").append(std::to_string(bar.position));
    if (!bar.countUnit.empty()) line.append(" ").append(bar.countUnit);
  }
  if (!bar.text.empty()) line.append("  ").append(bar.text);
  return CutToWidth(line, width_ - 1);
}

void ProgressDisplay::Clear() {
  if (mode_ == ProgressMode::kBar && lineShown_) {
    out_ << "\r\033[K";
    lineShown_ = false;
  }
}

void ProgressDisplay::Draw(ProgressState& bar, bool force) {
  const int percent = PercentOf(bar);
  if (mode_ == ProgressMode::kBar) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && percent == bar.lastPercent && now - lastDraw_ < kRedrawInterval) return;
    out_ << "\r\033[K" << Render(bar) << std::flush;
    lineShown_ = true;
    lastDraw_ = now;
    bar.lastPercent = percent;
  } else if (mode_ == ProgressMode::kLines) {
    if (bar.showCount || bar.total <= 0) {
      DrawCountLine(bar, false);
      return;
    }
    if (percent < 0) return;
    const int tenth = percent / 10;
    if (tenth <= bar.lastPercent) return;
    bar.lastPercent = tenth;
    if (tenth == 0) return;  // nothing to report at the start
    out_ << bar.title << ": " << tenth * 10 << "%\n" << std::flush;
  }
}

// kLines: "<title>: <count> <unit>" when the count grew and the interval
// passed since the bar began or its last line; with `final`, whenever a
// line was printed before and the count moved since.
void ProgressDisplay::DrawCountLine(ProgressState& bar, bool final) {
  const auto now = std::chrono::steady_clock::now();
  if (final) {
    if (bar.lastCountLine < 0 || bar.position == bar.lastCountLine) return;
  } else if (bar.position <= 0 || bar.position == bar.lastCountLine ||
             now - bar.countLineTime < kCountLineInterval) {
    return;
  }
  out_ << bar.title << ": " << bar.position;
  if (!bar.countUnit.empty()) out_ << ' ' << bar.countUnit;
  out_ << '\n' << std::flush;
  bar.lastCountLine = bar.position;
  bar.countLineTime = now;
}

void ProgressDisplay::Begin(ProgressState& bar) {
  std::lock_guard lock(mutex_);
  bar.lastPercent = -1;
  bar.lastCountLine = -1;
  bar.countLineTime = std::chrono::steady_clock::now();
  stack_.push_back(&bar);
  if (mode_ == ProgressMode::kBar) Draw(bar, true);
  if (mode_ == ProgressMode::kLines) Draw(bar, false);
}

void ProgressDisplay::Changed(ProgressState& bar) {
  if (mode_ == ProgressMode::kNone) return;  // nothing is drawn
  std::lock_guard lock(mutex_);
  if (stack_.empty() || stack_.back() != &bar) return;  // hidden under another bar
  Draw(bar, false);
}

void ProgressDisplay::Modify(ProgressState& bar,
                             const std::function<void(ProgressState&)>& change) {
  std::lock_guard lock(mutex_);
  change(bar);
  if (stack_.empty() || stack_.back() != &bar) return;
  Draw(bar, false);
}

void ProgressDisplay::End(ProgressState& bar) {
  std::lock_guard lock(mutex_);
  const auto it = std::find(stack_.begin(), stack_.end(), &bar);
  if (it == stack_.end()) return;
  const bool wasTop = it + 1 == stack_.end();
  if (mode_ == ProgressMode::kLines && (bar.showCount || bar.total <= 0)) DrawCountLine(bar, true);
  stack_.erase(it);
  if (!wasTop) return;
  Clear();
  if (!stack_.empty() && mode_ == ProgressMode::kBar) Draw(*stack_.back(), true);
  out_ << std::flush;
}

void ProgressDisplay::Print(std::string_view line) {
  std::lock_guard lock(mutex_);
  Clear();
  out_ << line << '\n';
  if (!stack_.empty() && mode_ == ProgressMode::kBar) Draw(*stack_.back(), true);
  out_ << std::flush;
}

void ProgressDisplay::Prompt(std::string_view prompt) {
  std::lock_guard lock(mutex_);
  Clear();
  out_ << prompt << std::flush;
}

}  // namespace linkan::app
