// deployment_query.cpp
#include "results/deployment_query.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "engine/coding/continuous_cut.h"
#include "engine/coding/item_names.h"
#include "engine/coding/normal_quantile.h"
#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "frame/host/analysis_support.h"
#include "results/query_tokenizer.h"
#include "results/results_table_builder.h"

namespace linkan {
namespace {

struct SyntaxError {};
struct NoItem {
  std::string text;
};

enum class VariableKind { kDichotomy, kContinuous, kMdDichotomy, kMdContinuous };

struct FoundVariable {
  VariableKind kind;
  int position;  // in its list
};

class QueryParser {
 public:
  QueryParser(const CAnalysisSupport& support, const SalEngine& engine, std::string_view text)
      : support_(support), engine_(engine), tokens_(text) {}

  Pattern Parse() {
    Pattern antecedent;
    Advance();
    if (token_ != QueryToken::kOpen) throw SyntaxError{};
    while (token_ == QueryToken::kOpen) {
      Advance();
      Itemset set;
      while (true) {
        set.push_back(ReadItem());
        if (token_ == QueryToken::kClose) break;
        while (token_ == QueryToken::kSeparator) Advance();
        if (!IsValue(token_)) throw SyntaxError{};  // ")" after a separator, or junk
      }
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
      antecedent.push_back(std::move(set));
      Advance();
    }
    if (token_ != QueryToken::kEnd) throw SyntaxError{};
    return antecedent;
  }

 private:
  static bool IsValue(QueryToken t) {
    return t == QueryToken::kNumber || t == QueryToken::kWord || t == QueryToken::kQuoted;
  }
  void Advance() { token_ = tokens_.Next(); }

  // The value token at hand as item text: a number as "%d", a word as it
  // is, quoted text with double quotes around it.
  std::string ValueText() const {
    switch (token_) {
      case QueryToken::kNumber: return std::to_string(tokens_.number());
      case QueryToken::kQuoted: return "\"" + tokens_.text() + "\"";
      default: return tokens_.text();
    }
  }

  // One item of a group, from the value token at hand; leaves the token
  // after it (a separator or ")") at hand.
  ItemNumber ReadItem() {
    if (!IsValue(token_)) throw SyntaxError{};
    std::string item = ValueText();
    Advance();
    if (token_ == QueryToken::kEquals) {
      const std::string variable = item.size() >= 2 && item.front() == '"' ? item.substr(1, item.size() - 2) : item;
      Advance();
      if (!IsValue(token_)) throw SyntaxError{};
      const std::string value = token_ == QueryToken::kNumber ? std::to_string(tokens_.number()) : tokens_.text();
      item = ItemOfVariable(variable, value);
      Advance();
    }
    if (token_ != QueryToken::kSeparator && token_ != QueryToken::kClose) throw SyntaxError{};
    return Lookup(item);
  }

  std::string VariableNameOf(int var) const {
    const std::vector<std::string>& fields = engine_.model.fieldNames;
    if (!fields.empty()) {
      return var >= 1 && static_cast<std::size_t>(var) <= fields.size() ? fields[static_cast<std::size_t>(var) - 1]
                                                                         : std::string();
    }
    return support_.HasDocument() ? VariableName(support_, var) : std::string();
  }

  std::optional<FoundVariable> FindVariable(const std::string& name) const {
    const AnalysisSettings& s = engine_.settings;
    const struct {
      const std::vector<std::int16_t>* list;
      int count;
      VariableKind kind;
    } lists[] = {{&s.dichvars, s.ndichvars, VariableKind::kDichotomy},
                 {&s.contvars, s.ncontvars, VariableKind::kContinuous},
                 {&s.mddichvars, s.nmddichvars, VariableKind::kMdDichotomy},
                 {&s.mdcontvars, s.nmdcontvars, VariableKind::kMdContinuous}};
    for (const auto& l : lists) {
      for (int i = 0; i < l.count && static_cast<std::size_t>(i) < l.list->size(); ++i) {
        if (VariableNameOf((*l.list)[static_cast<std::size_t>(i)]) == name) return FoundVariable{l.kind, i};
      }
    }
    return std::nullopt;
  }

  std::string ItemOfVariable(const std::string& name, const std::string& value) const {
    const std::optional<FoundVariable> v = FindVariable(name);
    if (!v) throw SyntaxError{};
    if (v->kind == VariableKind::kDichotomy || v->kind == VariableKind::kMdDichotomy) {
      return name + "=" + value;
    }
    std::string normalized = value;
    std::replace(normalized.begin(), normalized.end(), ',', '.');
    char* end = nullptr;
    const double x = std::strtod(normalized.c_str(), &end);
    if (normalized.empty() || end != normalized.c_str() + normalized.size() || !std::isfinite(x)) {
      throw SyntaxError{};
    }
    const std::vector<ContinuousStats>& stats =
        v->kind == VariableKind::kContinuous ? engine_.contStats : engine_.mdContStats;
    if (static_cast<std::size_t>(v->position) >= stats.size()) throw NoItem{""};
    const ContinuousStats& st = stats[static_cast<std::size_t>(v->position)];
    const double z = NormalQuantile(kCutQuantileProbability);
    const ContinuousCut cut(st, Cuts(st, z), z);
    const int k = cut.IntervalOf(x);
    return k < 0 ? std::string() : cut.ItemName(name, k);
  }

  // The task's number of cuts; for a loaded model the one its statistics
  // imply (the width is 2 z sd / (cuts + 1)), since the settings' count is
  // the dialog's, not the model's.
  int Cuts(const ContinuousStats& st, double z) const {
    if (engine_.model.fieldNames.empty()) return engine_.settings.ncategpco;
    const double implied = 2.0 * z * std::sqrt(st.m2) / st.width - 1.0;
    if (!(st.width > 0) || !std::isfinite(implied)) return std::max(engine_.settings.ncategpco, 1);
    return static_cast<int>(std::clamp(std::lround(implied), 1L, 100000L));
  }

  std::optional<ItemNumber> Find(const std::string& text) const {
    ItemNumber id = 0;
    if (engine_.modelItems.Find(text, id)) return id;  // the exact name wins
    const auto it = engine_.model.lowerCaseNames.find(AsciiLower(text));
    if (it != engine_.model.lowerCaseNames.end()) return it->second;
    return std::nullopt;
  }

  ItemNumber Lookup(const std::string& text) const {
    if (std::optional<ItemNumber> id = Find(text)) return *id;
    std::string_view stripped = text;
    while (!stripped.empty() && (stripped.front() == '"' || stripped.front() == '\'')) stripped.remove_prefix(1);
    while (!stripped.empty() && (stripped.back() == '"' || stripped.back() == '\'')) stripped.remove_suffix(1);
    if (std::optional<ItemNumber> id = Find(std::string(stripped))) return *id;
    throw NoItem{text};
  }

  const CAnalysisSupport& support_;
  const SalEngine& engine_;
  QueryTokenizer tokens_;
  QueryToken token_ = QueryToken::kEnd;
};

}  // namespace

std::variant<Pattern, std::string> ParseDeploymentQuery(const CAnalysisSupport& support,
                                                        const SalEngine& engine, std::string_view text) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return std::string(kQueryEmpty);
  std::string query(text);
  if (query.find_first_of("()") == std::string::npos) query = "(" + query + ")";
  try {
    return QueryParser(support, engine, query).Parse();
  } catch (const SyntaxError&) {
    return std::string(kQuerySyntaxError);
  } catch (const NoItem& e) {
    return FormatString(kQueryNoItem, e.text.c_str());
  }
}

bool RunDeploymentQuery(CAnalysisSupport& support, const SalEngine& engine, std::string_view text) {
  std::variant<Pattern, std::string> parsed = ParseDeploymentQuery(support, engine, text);
  if (const std::string* message = std::get_if<std::string>(&parsed)) {
    support.dsplst(0, *message);
    return false;
  }
  const Pattern& antecedent = std::get<Pattern>(parsed);
  const auto it = engine.model.rules.find(antecedent);
  if (it == engine.model.rules.end()) {
    support.dsplst(0, kQueryNoRule);
    return false;
  }
  const bool association = engine.IsAssociationMode();
  ResultsTableBuilder t(support, "queried-rules");
  if (!t.Create(static_cast<int>(it->second.size()), association ? 5 : 4)) return false;
  t.SetTitle(0, "Query result of deployment");
  const char* columns[] = {"Body", "Head", "Support(%)", "Confidence(%)", "Lift"};
  for (int c = 0; c < (association ? 5 : 4); ++c) t.SetColumnName(c, columns[c]);
  const std::string body = DeploymentPatternText(engine, antecedent);
  int row = 0;
  for (const ModelConsequent& c : it->second) {
    t.SetRowName(row, std::to_string(row + 1));
    t.SetText(row, 0, body);
    t.SetText(row, 1, DeploymentPatternText(engine, c.head));
    t.SetNumber(row, 2, c.support * 100.0);
    t.SetNumber(row, 3, c.confidence * 100.0);
    if (association) t.SetNumber(row, 4, c.lift);
    ++row;
  }
  return t.Show();
}

}  // namespace linkan
