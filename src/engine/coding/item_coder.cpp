// item_coder.cpp
#include "engine/coding/item_coder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "engine/coding/continuous_statistics.h"
#include "engine/coding/item_names.h"
#include "engine/coding/normal_quantile.h"
#include "engine/sal_engine.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"

namespace linkan {
namespace {

std::vector<int> Variables(const std::vector<std::int16_t>& list, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(list.at(static_cast<std::size_t>(i)));
  return out;
}

// The codes of each dichotomy variable of a column-laid code array.
std::vector<std::vector<double>> CodeLists(const std::vector<std::int16_t>& counts,
                                           const std::vector<std::int32_t>& codes, int nvars) {
  std::vector<std::vector<double>> out(static_cast<std::size_t>(nvars));
  for (int i = 0; i < nvars; ++i) {
    const int n = i < static_cast<int>(counts.size()) ? counts[static_cast<std::size_t>(i)] : 0;
    for (int j = 0; j < n; ++j) {
      out[static_cast<std::size_t>(i)].push_back(ColumnCode(codes, nvars, i, j));
    }
  }
  return out;
}

}  // namespace

ItemCoder::ItemCoder(SalEngine& engine)
    : support_(engine.analysis()),
      dictionary_(engine.items),
      intervals_(engine.settings.ncategpco) {
  const AnalysisSettings& s = engine.settings;
  const bool single = s.iSingleItemset != 0;

  const auto dichCodes = CodeLists(s.ndichcodes, s.dichcodes, s.ndichvars);
  engine.ncodes.clear();
  engine.Codes.clear();
  for (const auto& list : dichCodes) {
    engine.ncodes.push_back(static_cast<std::int32_t>(list.size()));
    engine.Codes.insert(engine.Codes.end(), list.begin(), list.end());
  }

  Prepare(sequential_, Variables(s.dichvars, s.ndichvars), dichCodes,
          Variables(s.resvars, s.nresvars), Variables(s.contvars, s.ncontvars), engine.contStats,
          single);
  Prepare(nonSequential_, Variables(s.mddichvars, s.nmddichvars),
          CodeLists(s.nmddichcodes, s.mddichcodes, s.nmddichvars),
          Variables(s.mdresvars, s.nmdresvars), Variables(s.mdcontvars, s.nmdcontvars),
          engine.mdContStats, false);
}

void ItemCoder::Prepare(Group& group, const std::vector<int>& dichVars,
                        const std::vector<std::vector<double>>& codes,
                        const std::vector<int>& resVars, const std::vector<int>& contVars,
                        const std::vector<ContinuousStats>& stats, bool responsesOnly) {
  for (const int var : resVars) {
    const bool byValue = support_.HasDocument() && support_.doc().CellTextDependsOnValueOnly(var);
    Response response;
    response.var = var;
    response.byValue = byValue;
    group.responses.push_back(std::move(response));
  }
  if (responsesOnly) return;
  for (std::size_t i = 0; i < dichVars.size(); ++i) {
    const int var = dichVars[i];
    group.dichotomies.push_back(
        {var, cuts_.LimitName(var, VariableName(support_, var)), codes[i], 0});
  }
  const double z = NormalQuantile(kCutQuantileProbability);
  for (std::size_t i = 0; i < contVars.size(); ++i) {
    const ContinuousStats st = i < stats.size() ? stats[i] : ContinuousStats{};
    double missing = 0.0;
    support_.getmd5(contVars[i], missing);
    ContinuousCut cut(st, intervals_, z);
    const auto n = static_cast<std::size_t>(cut.cuts());
    group.continuous.push_back({contVars[i], VariableName(support_, contVars[i]), missing,
                                cut, std::vector<ItemNumber>(n, 0)});
  }
}

std::size_t ItemCoder::SequentialCapacity() const { return sequential_.Capacity(); }
std::size_t ItemCoder::NonSequentialCapacity() const { return nonSequential_.Capacity(); }

ItemCoder::Counts ItemCoder::CodeCase(long caseNo, const std::vector<double>& values,
                                      ItemNumber* items, ItemNumber* nonSequential) {
  Counts counts;
  counts.items = CodeGroup(sequential_, caseNo, values, items);
  counts.nonSequential = CodeGroup(nonSequential_, caseNo, values, nonSequential);
  return counts;
}

std::size_t ItemCoder::CodeGroup(Group& group, long caseNo, const std::vector<double>& values,
                                 ItemNumber* out) {
  std::size_t n = 0;
  for (Dichotomy& d : group.dichotomies) {
    const double x = values.at(static_cast<std::size_t>(d.var));
    for (const double code : d.codes) {
      if (!UlpEqual(x, code)) continue;
      if (d.codes.size() == 1) {
        if (d.single == 0) d.single = dictionary_.Add(d.name);
        out[n++] = d.single;
      } else {
        out[n++] = dictionary_.Add(cuts_.LimitValue(
            d.var, DichotomyItemName(d.name, d.codes.size(), CellText(support_, caseNo, d.var))));
      }
      break;
    }
  }
  for (Response& r : group.responses) {
    if (!r.byValue) {
      const KnownValue item = NameResponse(r.var, caseNo);
      if (item.number != 0) out[n++] = item.number;
      continue;
    }
    KnownValue& item = r.Slot(values.at(static_cast<std::size_t>(r.var)));
    if (!item.known) {
      item = NameResponse(r.var, caseNo);
    } else if (item.cut) {
      cuts_.AddValueCut(r.var);  // counted per text met, as if read again
    }
    if (item.number != 0) out[n++] = item.number;
  }
  for (Continuous& c : group.continuous) {
    const double x = values.at(static_cast<std::size_t>(c.var));
    if (IsMissingValue(x, c.missing)) continue;
    const int k = c.cut.IntervalOf(x);
    if (k < 0) continue;
    ItemNumber& number = c.numbers[static_cast<std::size_t>(k)];
    if (number == 0) number = dictionary_.Add(cuts_.LimitName(c.var, c.cut.ItemName(c.name, k)));
    out[n++] = number;
  }
  return n;
}

ItemCoder::KnownValue& ItemCoder::Response::Slot(double x) {
  // Up to this many slots (8 bytes each) are kept for small whole numbers.
  constexpr double kDenseLimit = 1 << 20;
  if (x >= 0.0 && x < kDenseLimit && !std::signbit(x) && x == std::floor(x)) {
    const auto k = static_cast<std::size_t>(x);
    if (k >= dense.size()) dense.resize(std::max(k + 1, dense.size() * 2));
    return dense[k];
  }
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return known[bits];
}

ItemCoder::KnownValue ItemCoder::NameResponse(int var, long caseNo) {
  std::string text = CellText(support_, caseNo, var);
  KnownValue item;
  item.known = true;
  item.cut = text.size() > kMaxNameLength;
  text = cuts_.LimitValue(var, std::move(text));
  if (!text.empty()) item.number = dictionary_.Add(text);
  return item;
}

}  // namespace linkan
