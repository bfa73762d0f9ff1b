// deployment_query.h
//
// The deployment query: which rules of the loaded model follow from the
// antecedent itemsets a user types (command 1211 with the text of edit 1215,
// or the QueryStringForRules of a task).
//
// Forms: "This, that, 'and other'" (one itemset; a text without
// parentheses is one group), "(A; B; C) (B, D, E)" (a sequence of
// itemsets; "," and ";" alike, repeated separators skipped), "Gender = Male"
// (a dichotomy variable: the item "Gender=Male"; a quoted value is used
// without its quotes) and "(Age=23)" (a continuous variable: the item of the
// interval holding 23). Variables are found by exact name among the
// dichotomy, continuous, non-sequential dichotomy and non-sequential
// continuous variables, in that order; a loaded model names them by its own
// fields and implies its cut count by its statistics. Items are found by
// exact name first, then ignoring letter case, then both again with the
// quotes stripped from the ends.
//
// Messages (no table after one):
//   "Empty string for antecedent itemset(s)"
//   "Syntax parsing error for antecedent itemset(s)": an unexpected token,
//     an empty group, a separator before ")", text before the first group
//     or after the last one, anything after "= value" but a separator or
//     ")", a name before "=" that is no such variable, a value of a
//     continuous variable that is no number;
//   "There is no item matching '<item text>'"
//   "There is no rule with the specified antecedent itemset(s)"
//
// The table ("queried-rules"): title "Query result of deployment"; columns
// Body, Head, Support(%), Confidence(%) and, for association models, Lift;
// one row per consequent of the antecedent in stored order.
//
// Thread safety: the analysis thread; the model is only read.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "engine/pattern.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

inline constexpr const char* kQueryEmpty = "Empty string for antecedent itemset(s)";
inline constexpr const char* kQuerySyntaxError = "Syntax parsing error for antecedent itemset(s)";
inline constexpr const char* kQueryNoItem = "There is no item matching '%s'";
inline constexpr const char* kQueryNoRule = "There is no rule with the specified antecedent itemset(s)";

// The antecedent of `text`, or the message that ends the query before the
// rule lookup.
std::variant<Pattern, std::string> ParseDeploymentQuery(const CAnalysisSupport& support,
                                                        const SalEngine& engine,
                                                        std::string_view text);

// Runs the query: shows the table and returns true, or shows the message
// (dsplst) and returns false.
bool RunDeploymentQuery(CAnalysisSupport& support, const SalEngine& engine, std::string_view text);

}  // namespace linkan
