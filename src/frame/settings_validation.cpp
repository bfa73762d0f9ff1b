// settings_validation.cpp
#include "frame/settings_validation.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "frame/double_compare.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

// Reads a whole number in [lo, hi] from field `id`; false when it is not one.
bool ReadWhole(const FieldTextSource& fieldText, int id, long long lo, long long hi,
               std::int32_t& out) {
  long long v = 0;
  if (!ParseWholeNumber(fieldText(id), v) || v < lo || v > hi) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

bool ParseNumber(const std::string& text, double& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool ParseWholeNumber(const std::string& text, long long& value) {
  double v = 0;
  if (!ParseNumber(text, v) || v != std::floor(v) || std::fabs(v) > 9.0e15) return false;
  value = static_cast<long long>(v);
  return true;
}

std::string PlainNumberText(double x) {
  char buf[400];  // room for any finite double in fixed notation
  const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  if (r.ec != std::errc()) return std::to_string(x);  // not reached for finite doubles
  return std::string(buf, r.ptr);
}

SettingsCheck ValidateAndStoreSettings(AnalysisSettings& s, const FieldTextSource& fieldText,
                                       std::string& projectPath) {
  const auto fail = [](int message, int id, std::string range) {
    return SettingsCheck{message, id, std::move(range)};
  };
  const auto number = [](double lo, double hi) {
    return "a number from " + PlainNumberText(lo) + " to " + PlainNumberText(hi);
  };
  const auto whole = [](long long lo, long long hi) {
    return "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
  };

  if (!ReadWhole(fieldText, field::kMaxHead, 1, 200, s.maxhead))
    return fail(msg::kInvalidNumber, field::kMaxHead, whole(1, 200));
  if (!ReadWhole(fieldText, field::kMaxPat, 1, 200, s.maxpat))
    return fail(msg::kInvalidNumber, field::kMaxPat, whole(s.noseq ? 2 : 1, 200));
  if (s.noseq && s.maxpat < 2) return fail(msg::kMaxpatTooSmall, field::kMaxPat, whole(2, 200));

  double x = 0;
  if (!ParseNumber(fieldText(field::kMinSupp), x) || x < 0.0 || x > 1.0)
    return fail(msg::kInvalidMinSupport, field::kMinSupp, number(0, 1));
  s.minsupp = x;
  if (!ParseNumber(fieldText(field::kMinConf), x) || x < 0.0 || x > 1.0)
    return fail(msg::kInvalidMinConfidence, field::kMinConf, number(0, 1));
  s.minconf = x;
  if (!ParseNumber(fieldText(field::kMaxSupp), x) || x < 0.0 || x > 1.0 || x < s.minsupp)
    return fail(msg::kInvalidMaxSupport, field::kMaxSupp, number(s.minsupp, 1));
  s.maxsupp = x;
  if (!ParseNumber(fieldText(field::kMaxConf), x) || x < 0.0 || x > 1.0 || x < s.minconf)
    return fail(msg::kInvalidMaxConfidence, field::kMaxConf, number(s.minconf, 1));
  s.maxconf = x;

  if (s.noseq == 0) {
    if (!ReadWhole(fieldText, field::kMaxSequenceSize, 2, 100, s.MaxSequenceSize))
      return fail(msg::kInvalidNumber, field::kMaxSequenceSize, whole(2, 100));
    if (s.ntidvar > 0) {
      if (s.CombineItemsetMode == 0 &&
          !ReadWhole(fieldText, field::kFixedNumItemsets, 1, 100, s.FixedNumItemsets))
        return fail(msg::kInvalidNumber, field::kFixedNumItemsets, whole(1, 100));
      if (s.iMinMaxFilter && !s.iSingleItemset) {
        constexpr double kLowest = -1000000000.0, kHighest = 100000000.0;
        if (!ParseNumber(fieldText(field::kMinTime), x) || x < kLowest || x > kHighest)
          return fail(msg::kInvalidMinMaxTime, field::kMinTime, number(kLowest, kHighest));
        s.MinTime = x;
        if (!ParseNumber(fieldText(field::kMaxTime), x) || x < s.MinTime || x > kHighest)
          return fail(msg::kInvalidMinMaxTime, field::kMaxTime, number(s.MinTime, kHighest));
        s.MaxTime = x;
        if (!UlpGreater(s.MaxTime, s.MinTime))
          return fail(msg::kMinTimeNotBelowMax, field::kMaxTime,
                      "a number above the minimum time " + PlainNumberText(s.MinTime) +
                          ", at most " + PlainNumberText(kHighest));
      }
      if (s.CombineItemsetMode == 1 && !s.iSingleItemset) {
        const double span = s.MaxTime - s.MinTime;
        if (!ParseNumber(fieldText(field::kFixedTimeLength), x) || x < 0.0 || x > span)
          return fail(msg::kInvalidTimeLength, field::kFixedTimeLength,
                      number(0, span) + ", the maximum time minus the minimum time");
        s.FixedTimeLength = x;
      }
    }
  }

  if (s.ncontvars > 0 && !ReadWhole(fieldText, field::kNCategPco, 1, 20, s.ncategpco))
    return fail(msg::kInvalidNumber, field::kNCategPco, whole(1, 20));

  const std::string path = Trim(fieldText(field::kDatabaseFile));
  if (!path.empty() && path != projectPath) projectPath = path;
  return {};
}

}  // namespace linkan
