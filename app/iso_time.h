// iso_time.h
//
// ISO 8601 dates and date-times in data cells and task values.
//
// A cell is a date when it reads "YYYY-MM-DD", and a date-time when a time
// follows after "T" or one blank: "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff",
// then optionally a zone, "Z", "+hh", "+hh:mm" or "+hhmm" (or "-"). A
// date-time without a zone is taken as UTC. Blanks around the text are
// allowed; anything else (an impossible day such as 2026-02-30, a missing
// leading zero, a two-digit year) is not a date.
//
// A column whose cells are all dates is read as days since 1970-01-01; one
// with at least one date-time as seconds since 1970-01-01 00:00 UTC (its
// plain dates at midnight UTC). Durations given as text in a task ("30
// minutes", "2 h", "1.5 days") are converted to the same unit.
//
// Thread safety: pure functions.
#pragma once

#include <optional>
#include <string_view>

namespace linkan::app {

struct IsoTime {
  double seconds = 0;    // since 1970-01-01 00:00 UTC
  bool hasTime = false;  // false: a plain date (seconds is a multiple of 86,400)
};

std::optional<IsoTime> ParseIsoTime(std::string_view text);

// "30 minutes", "30 min", "2h", "1.5 days", "45 s", "1 week" -> seconds.
// Units: s, sec, second(s); m, min, minute(s); h, hour(s); d, day(s);
// w, week(s). Nothing for any other text.
std::optional<double> ParseDurationSeconds(std::string_view text);

inline constexpr double kSecondsPerDay = 86400.0;

}  // namespace linkan::app
