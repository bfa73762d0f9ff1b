// iso_time.cpp
#include "iso_time.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace linkan::app {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads exactly `n` digits at `pos`; advances `pos`.
std::optional<int> Digits(std::string_view s, std::size_t& pos, int n) {
  if (pos + static_cast<std::size_t>(n) > s.size()) return std::nullopt;
  int value = 0;
  for (int i = 0; i < n; ++i) {
    const char c = s[pos + static_cast<std::size_t>(i)];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  pos += static_cast<std::size_t>(n);
  return value;
}

bool Take(std::string_view s, std::size_t& pos, char c) {
  if (pos < s.size() && s[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to y-m-d (proleptic Gregorian calendar).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The zone offset in seconds ("Z", "+hh", "+hh:mm", "+hhmm"), read to the
// end of `s`.
std::optional<double> Zone(std::string_view s, std::size_t& pos) {
  if (pos == s.size()) return 0.0;
  if (Take(s, pos, 'Z') || Take(s, pos, 'z')) return pos == s.size() ? std::optional(0.0) : std::nullopt;
  const bool minus = s[pos] == '-';
  if (!Take(s, pos, '+') && !Take(s, pos, '-')) return std::nullopt;
  const std::optional<int> hh = Digits(s, pos, 2);
  if (!hh || *hh > 23) return std::nullopt;
  int mm = 0;
  if (pos < s.size()) {
    Take(s, pos, ':');
    const std::optional<int> m = Digits(s, pos, 2);
    if (!m || *m > 59) return std::nullopt;
    mm = *m;
  }
  if (pos != s.size()) return std::nullopt;
  const double offset = *hh * 3600.0 + mm * 60.0;
  return minus ? -offset : offset;
}

}  // namespace

std::optional<IsoTime> ParseIsoTime(std::string_view text) {
  const std::string_view s = Trim(text);
  std::size_t pos = 0;
  const std::optional<int> y = Digits(s, pos, 4);
  if (!y || !Take(s, pos, '-')) return std::nullopt;
  const std::optional<int> m = Digits(s, pos, 2);
  if (!m || *m < 1 || *m > 12 || !Take(s, pos, '-')) return std::nullopt;
  const std::optional<int> d = Digits(s, pos, 2);
  if (!d || *d < 1 || *d > DaysInMonth(*y, *m)) return std::nullopt;
  IsoTime t;
  t.seconds = static_cast<double>(DaysFromCivil(*y, *m, *d)) * kSecondsPerDay;
  if (pos == s.size()) return t;
  if (!Take(s, pos, 'T') && !Take(s, pos, 't') && !Take(s, pos, ' ')) return std::nullopt;
  const std::optional<int> hh = Digits(s, pos, 2);
  if (!hh || *hh > 23 || !Take(s, pos, ':')) return std::nullopt;
  const std::optional<int> mm = Digits(s, pos, 2);
  if (!mm || *mm > 59) return std::nullopt;
  double seconds = 0;
  if (Take(s, pos, ':')) {
    const std::optional<int> ss = Digits(s, pos, 2);
    if (!ss || *ss > 60) return std::nullopt;  // 60: a leap second
    seconds = *ss;
    if (Take(s, pos, '.') || Take(s, pos, ',')) {
      double scale = 0.1;
      const std::size_t start = pos;
      while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        seconds += (s[pos] - '0') * scale;
        scale /= 10;
        ++pos;
      }
      if (pos == start) return std::nullopt;
    }
  }
  const std::optional<double> zone = Zone(s, pos);
  if (!zone) return std::nullopt;
  t.seconds += *hh * 3600.0 + *mm * 60.0 + seconds - *zone;
  t.hasTime = true;
  return t;
}

std::optional<double> ParseDurationSeconds(std::string_view text) {
  const std::string_view s = Trim(text);
  const std::string number(s.substr(0, s.find_first_not_of("0123456789.+-eE")));
  if (number.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size() || !std::isfinite(value)) return std::nullopt;
  std::string unit(Trim(s.substr(number.size())));
  for (char& c : unit) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const struct {
    std::string_view names[5];
    double seconds;
  } kUnits[] = {{{"s", "sec", "secs", "second", "seconds"}, 1},
                {{"m", "min", "mins", "minute", "minutes"}, 60},
                {{"h", "hr", "hrs", "hour", "hours"}, 3600},
                {{"d", "day", "days"}, kSecondsPerDay},
                {{"w", "wk", "week", "weeks"}, 7 * kSecondsPerDay}};
  for (const auto& u : kUnits) {
    for (const std::string_view name : u.names) {
      if (!name.empty() && unit == name) return value * u.seconds;
    }
  }
  return std::nullopt;
}

}  // namespace linkan::app
