// settings_validation.cpp
#include "frame/settings_validation.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

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

int ValidateAndStoreSettings(AnalysisSettings& s, const FieldTextSource& fieldText,
                             std::string& projectPath) {
  if (!ReadWhole(fieldText, field::kMaxHead, 1, 200, s.maxhead)) return msg::kInvalidNumber;
  if (!ReadWhole(fieldText, field::kMaxPat, 1, 200, s.maxpat)) return msg::kInvalidNumber;
  if (s.noseq && s.maxpat < 2) return msg::kMaxpatTooSmall;

  double x = 0;
  if (!ParseNumber(fieldText(field::kMinSupp), x) || x < 0.0 || x > 1.0)
    return msg::kInvalidMinSupport;
  s.minsupp = x;
  if (!ParseNumber(fieldText(field::kMinConf), x) || x < 0.0 || x > 1.0)
    return msg::kInvalidMinConfidence;
  s.minconf = x;
  if (!ParseNumber(fieldText(field::kMaxSupp), x) || x < 0.0 || x > 1.0 || x < s.minsupp)
    return msg::kInvalidMaxSupport;
  s.maxsupp = x;
  if (!ParseNumber(fieldText(field::kMaxConf), x) || x < 0.0 || x > 1.0 || x < s.minconf)
    return msg::kInvalidMaxConfidence;
  s.maxconf = x;

  if (s.noseq == 0) {
    if (!ReadWhole(fieldText, field::kMaxSequenceSize, 2, 100, s.MaxSequenceSize))
      return msg::kInvalidNumber;
    if (s.ntidvar > 0) {
      if (s.CombineItemsetMode == 0 &&
          !ReadWhole(fieldText, field::kFixedNumItemsets, 1, 100, s.FixedNumItemsets))
        return msg::kInvalidNumber;
      if (s.iMinMaxFilter && !s.iSingleItemset) {
        if (!ParseNumber(fieldText(field::kMinTime), x) || x < -1000000000.0 || x > 100000000.0)
          return msg::kInvalidMinMaxTime;
        s.MinTime = x;
        if (!ParseNumber(fieldText(field::kMaxTime), x) || x < s.MinTime || x > 100000000.0)
          return msg::kInvalidMinMaxTime;
        s.MaxTime = x;
        if (!UlpGreater(s.MaxTime, s.MinTime)) return msg::kMinTimeNotBelowMax;
      }
      if (s.CombineItemsetMode == 1 && !s.iSingleItemset) {
        if (!ParseNumber(fieldText(field::kFixedTimeLength), x) || x < 0.0 ||
            x > s.MaxTime - s.MinTime)
          return msg::kInvalidTimeLength;
        s.FixedTimeLength = x;
      }
    }
  }

  if (s.ncontvars > 0 && !ReadWhole(fieldText, field::kNCategPco, 1, 20, s.ncategpco))
    return msg::kInvalidNumber;

  const std::string path = Trim(fieldText(field::kDatabaseFile));
  if (!path.empty() && path != projectPath) projectPath = path;
  return 0;
}

}  // namespace linkan
