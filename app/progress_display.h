// progress_display.h
//
// ProgressDisplay: the host's progress bars on a terminal stream, and the
// one way the host writes messages there while a bar may be showing.
//
// Modes:
//   kBar    one line redrawn in place ("\r"): title, bar, percent, text; for
//           a terminal. Redrawn when the whole percent or the title changes,
//           and for other changes (a new text, a count without a total) at
//           most every 100 ms.
//   kLines  plain lines for logs: "<title>: 10%", "<title>: 20%", ... at each
//           tenth reached; for a bar that shows a count, "<title>: <count>
//           <unit>" at most every kCountLineInterval while the count grows,
//           and once more when the bar ends if such a line was printed; no
//           line for texts.
//   kNone   nothing.
// Bars nest: the most recently begun bar that has not ended is the one
// shown; ending it shows the one below again.
//
// Thread safety: every member may be called from any thread (one mutex).
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace linkan::app {

enum class ProgressMode { kBar, kLines, kNone };

// One bar's state; owned by whoever shows the bar.
struct ProgressState {
  std::string title;
  std::string text;
  long total = 0;  // 0 or less: unknown
  long position = 0;
  bool showCount = false;  // show the position as a count, not a percent
  std::string countUnit;   // after a shown count ("patterns"); may be empty
  int lastPercent = -1;  // last percent drawn (kBar) or tenth printed (kLines)
  // kLines, counts: the count last printed and when (-1: none yet).
  long lastCountLine = -1;
  std::chrono::steady_clock::time_point countLineTime{};
};

// Count lines of kLines come at most this often.
inline constexpr std::chrono::seconds kCountLineInterval{2};

class ProgressDisplay {
 public:
  ProgressDisplay(std::ostream& out, ProgressMode mode, int width = 80);
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  ProgressMode mode() const { return mode_; }

  // Shows `bar` (on top of any other). REQUIRES: `bar` outlives End(bar).
  void Begin(ProgressState& bar);
  // Call after changing `bar`'s fields (under no lock of your own).
  void Changed(ProgressState& bar);
  // Changes `bar` under the display's lock, then redraws it as Changed does;
  // for bars that several threads update.
  void Modify(ProgressState& bar, const std::function<void(ProgressState&)>& change);
  // Stops showing `bar`; a bar below it is shown again.
  void End(ProgressState& bar);

  // Writes `line` (a newline is added), clearing and then redrawing the bar.
  void Print(std::string_view line);
  // Writes `prompt` without a newline after clearing the bar (questions).
  void Prompt(std::string_view prompt);

 private:
  void Draw(ProgressState& bar, bool force);  // REQUIRES: mutex_ held
  void DrawCountLine(ProgressState& bar, bool final);  // REQUIRES: mutex_ held
  void Clear();                               // REQUIRES: mutex_ held
  std::string Render(const ProgressState& bar) const;

  std::mutex mutex_;
  std::ostream& out_;
  const ProgressMode mode_;
  const int width_;
  std::vector<ProgressState*> stack_;                 // guarded by mutex_
  bool lineShown_ = false;                            // guarded by mutex_: a bar line is on screen
  std::chrono::steady_clock::time_point lastDraw_{};  // guarded by mutex_
};

}  // namespace linkan::app
