// pmml_document.h
//
// PmmlDocument: a mined model as PMML exchanges it, independent of the XML
// dialect: the task's fields with their codes and statistics, the model
// element's figures, the items, the frequent itemsets or sequences with
// their supports, and the rules with their figures. The writers turn it
// into the native document or into a standard PMML 4.4 one; the reader
// turns either back into it, so write -> read -> write gives the same text.
//
// Thread safety: a value type.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/continuous_stats.h"
#include "engine/pattern.h"

namespace linkan::pmml {

// A field's role, in the order the native document lists the roles.
enum class Usage {
  kTransaction,     // the ID variable
  kTime,            // the time variable
  kResponse,
  kCategorical,     // a dichotomy variable, with its codes
  kContinuous,      // with its five statistics
  kMdResponse,      // the non-sequential lists of sequence analysis
  kMdCategorical,
  kMdContinuous,
  kOther,           // a role this module does not know: a position only
};

// The native `usageType` of a role ("transaction", ...); "" for kOther.
const char* UsageName(Usage usage);
// The role of a native `usageType`; kOther for any other text.
Usage UsageOf(const std::string& name);
bool IsCategorical(Usage usage);
bool IsContinuous(Usage usage);

struct Code {
  std::string text{};     // the code's label, or the number as text
  std::int32_t value = 0;
  bool operator==(const Code&) const = default;
};

struct Field {
  std::string name{};
  Usage usage = Usage::kResponse;
  std::string usageText{};     // kOther: the usageType as written
  std::vector<Code> codes{};   // categorical roles
  ContinuousStats stats{};     // continuous roles; m2 holds the variance
  bool operator==(const Field&) const = default;
};

struct PatternSupport {
  Pattern pattern{};
  double support = 0.0;
  bool operator==(const PatternSupport&) const = default;
};

struct Rule {
  Pattern body{};
  Pattern head{};
  double support = 0.0;
  double confidence = 0.0;
  double lift = 0.0;           // association rules only
  bool operator==(const Rule&) const = default;
};

struct Document {
  bool association = true;     // AssociationModel; false: SequenceModel

  std::vector<Field> fields;   // field k is variable k + 1

  // The model element's figures.
  std::uint64_t numberOfTransactions = 0;
  std::uint64_t numberOfItems = 0;   // frequent single items
  std::int32_t maxItemsPerTransaction = 0;  // maxpat
  double minimumSupport = 0.0;
  double minimumConfidence = 0.0;
  double maximumSupport = 1.0;
  double maximumConfidence = 1.0;
  // Sequence models only.
  bool combineByTime = false;        // timeWindowWidth, else a fixed number
  std::int32_t fixedItemsets = 1;
  double timeWindowWidth = 0.0;
  double minimumTime = 0.0;
  double maximumTime = 0.0;
  std::int32_t maxItemsetsPerSequence = 0;

  // (id, name) of every item the model names, ascending by id.
  std::vector<std::pair<ItemNumber, std::string>> items;
  // The frequent itemsets (association) or sequences, in pattern order.
  std::vector<PatternSupport> patterns;
  std::vector<Rule> rules;

  bool operator==(const Document&) const = default;
};

// The copyright notice of the Header element.
inline constexpr const char* kCopyright =
    "Link analysis model written by linkanalysis; free to use and share.";

}  // namespace linkan::pmml
