// loaded_model.h
//
// LoadedModel: the model tables of a PMML model loaded for recommendation
// (the results of a run are not involved): the field names, the lower-case
// item name index, the pattern table with supports and the rule index by
// antecedent. The model item dictionary (id <-> exact name) lives beside it
// in the SalEngine (`modelItems`). The PMML reader fills both; the
// deployment query reads them.
//
// Thread safety: none; owned by the SalEngine.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/pattern.h"

namespace linkan {

// One consequent of an antecedent: the head and the rule's figures
// (fractions; lift 0 for sequence rules).
struct ModelConsequent {
  Pattern head;
  double support = 0.0;
  double confidence = 0.0;
  double lift = 0.0;
};

struct LoadedModel {
  // Field k (from 0) is variable k + 1 of the loaded task.
  std::vector<std::string> fieldNames;
  // Item name in lower case -> item id; the first item of a name wins.
  std::map<std::string, ItemNumber> lowerCaseNames;
  // Every frequent itemset or sequence of the model with its support.
  std::vector<std::pair<Pattern, double>> patterns;
  // Antecedent -> its consequents in stored order.
  std::map<Pattern, std::vector<ModelConsequent>> rules;

  void Clear() { *this = LoadedModel{}; }
  bool empty() const { return fieldNames.empty() && patterns.empty() && rules.empty(); }
};

// `text` with the ASCII letters in lower case (the name index's key).
inline std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace linkan
