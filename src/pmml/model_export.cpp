// model_export.cpp
#include "pmml/model_export.h"

#include <set>

#include "engine/coding/item_names.h"
#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "resources/string_table.h"

namespace linkan::pmml {
namespace {

// The text of code `code` of variable `var`: its value label, else the
// number with "%f" less its trailing zeros and point.
std::string CodeText(const CAnalysisSupport& support, int var, std::int32_t code) {
  if (support.HasDocument()) {
    const std::vector<std::string> labels = support.doc().GetValueLabels(var);
    if (code >= 1 && static_cast<std::size_t>(code) <= labels.size()) {
      return labels[static_cast<std::size_t>(code) - 1];
    }
  }
  std::string text = FormatString("%f", static_cast<double>(code));
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

std::string NameOf(const CAnalysisSupport& support, int var) {
  return support.HasDocument() ? VariableName(support, var) : "V" + std::to_string(var);
}

class FieldList {
 public:
  FieldList(const CAnalysisSupport& support, std::vector<Field>& out) : support_(support), out_(out) {}

  void Add(const std::vector<std::int16_t>& vars, int count, Usage usage) {
    for (int i = 0; i < count; ++i) out_.push_back({NameOf(support_, vars.at(static_cast<std::size_t>(i))), usage});
  }
  void AddCategorical(const std::vector<std::int16_t>& vars, int count, Usage usage,
                      const std::vector<std::int16_t>& counts, const std::vector<std::int32_t>& codes) {
    for (int i = 0; i < count; ++i) {
      const int var = vars.at(static_cast<std::size_t>(i));
      Field f{NameOf(support_, var), usage};
      const int n = i < static_cast<int>(counts.size()) ? counts[static_cast<std::size_t>(i)] : 0;
      for (int j = 0; j < n; ++j) {
        const std::int32_t code = ColumnCode(codes, count, i, j);
        f.codes.push_back({CodeText(support_, var, code), code});
      }
      out_.push_back(std::move(f));
    }
  }
  void AddContinuous(const std::vector<std::int16_t>& vars, int count, Usage usage,
                     const std::vector<ContinuousStats>& stats) {
    for (int i = 0; i < count; ++i) {
      Field f{NameOf(support_, vars.at(static_cast<std::size_t>(i))), usage};
      if (static_cast<std::size_t>(i) < stats.size()) f.stats = stats[static_cast<std::size_t>(i)];
      out_.push_back(std::move(f));
    }
  }

 private:
  const CAnalysisSupport& support_;
  std::vector<Field>& out_;
};

}  // namespace

Document MakeDocument(const CAnalysisSupport& support, const SalEngine& engine) {
  const AnalysisSettings& s = engine.settings;
  Document d;
  d.association = engine.IsAssociationMode();
  FieldList fields(support, d.fields);
  fields.Add(s.sidvar, s.nsidvar, Usage::kTransaction);
  fields.Add(s.tidvar, s.ntidvar, Usage::kTime);
  fields.Add(s.resvars, s.nresvars, Usage::kResponse);
  fields.AddCategorical(s.dichvars, s.ndichvars, Usage::kCategorical, s.ndichcodes, s.dichcodes);
  fields.AddContinuous(s.contvars, s.ncontvars, Usage::kContinuous, engine.contStats);
  if (!d.association) {
    fields.Add(s.mdresvars, s.nmdresvars, Usage::kMdResponse);
    fields.AddCategorical(s.mddichvars, s.nmddichvars, Usage::kMdCategorical, s.nmddichcodes,
                          s.mddichcodes);
    fields.AddContinuous(s.mdcontvars, s.nmdcontvars, Usage::kMdContinuous, engine.mdContStats);
  }

  const double n = engine.N();
  d.numberOfTransactions = s.size;
  d.numberOfItems = engine.itemFrequency.size();
  d.maxItemsPerTransaction = s.maxpat;
  d.minimumSupport = s.minsupp;
  d.minimumConfidence = s.minconf;
  d.maximumSupport = s.maxsupp;
  d.maximumConfidence = s.maxconf;
  d.combineByTime = s.CombineItemsetMode == 1;
  d.fixedItemsets = s.FixedNumItemsets;
  d.timeWindowWidth = s.FixedTimeLength;
  d.minimumTime = s.MinTime;
  d.maximumTime = s.MaxTime;
  d.maxItemsetsPerSequence = s.MaxSequenceSize;

  // An Item for every item referenced: with a maximum support below 1 a
  // pattern may hold an item that is no frequent single item.
  std::set<ItemNumber> items;
  for (const auto& [item, count] : engine.itemFrequency) items.insert(item);
  d.patterns.reserve(engine.patterns.size());
  for (PatternId id = 0; id < engine.patterns.size(); ++id) {
    PatternSupport p{engine.patterns.PatternOf(id), engine.patterns.CountOf(id) / n};
    for (const Itemset& set : p.pattern) items.insert(set.begin(), set.end());
    d.patterns.push_back(std::move(p));
  }
  for (const ItemNumber item : items) d.items.emplace_back(item, engine.items.Name(item));

  d.rules.reserve(engine.rules.size());
  for (const RuleRecord& r : engine.rules) {
    d.rules.push_back({.body = engine.patterns.PatternOf(static_cast<PatternId>(r.bodyId)),
                       .head = engine.patterns.PatternOf(static_cast<PatternId>(r.headId)),
                       .support = r.Support(n),
                       .confidence = r.Confidence(),
                       .lift = d.association ? r.Lift(n) : 0.0});
  }
  return d;
}

std::string WritePmml(CAnalysisSupport& support, const SalEngine& engine, const std::string& path,
                      Dialect dialect) {
  std::string why;
  if (path.empty()) {
    why = support.GetResourceString(msg::kImproperPmmlName);
  } else if (engine.settings.projectMode == 1 && engine.settings.existingProjectAction == 2) {
    why = "A model loaded from a PMML file for recommendation holds no mined results to save; "
          "run the analysis to save its model.";
  } else {
    why = SaveDocument(MakeDocument(support, engine), dialect, path);
  }
  if (!why.empty()) support.dsplst(0, why);
  return why;
}

}  // namespace linkan::pmml
