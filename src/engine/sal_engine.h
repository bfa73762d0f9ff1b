// sal_engine.h
//
// SalEngine: the mining state of one input data file. It owns the settings
// and variable selection, the continuous-variable statistics and the item
// dictionary, the transaction ID list, the frequent patterns, leaves, rules,
// item frequencies and clusters, the taxonomies and stop list, the selected
// items and the model item dictionary of a loaded PMML model. The analysis
// object (CSequence) owns the engine; a new data file discards it.
//
// Thread safety: none; used from the analysis thread. Construction workers
// touch only what they are handed.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/continuous_stats.h"
#include "engine/frequent_pattern_table.h"
#include "engine/item_cluster.h"
#include "engine/item_dictionary.h"
#include "engine/loaded_model.h"
#include "engine/rule_list.h"
#include "frame/analysis_settings.h"

namespace linkan {

class CAnalysisSupport;
class ProjectDatabase;
class SequenceDatabase;

// One taxonomy: item name -> the label of its parent.
using TaxonomyMap = std::map<std::string, std::string>;

class SalEngine {
 public:
  // Sets every setting to its default and reads the variable and case
  // counts of the input table from `analysis` (0 without a document).
  SalEngine(CAnalysisSupport& analysis, ProjectDatabase* projectDb);
  SalEngine(const SalEngine&) = delete;
  SalEngine& operator=(const SalEngine&) = delete;

  CAnalysisSupport& analysis() const { return *analysis_; }
  ProjectDatabase* projectDb() const { return projectDb_; }

  // Empties every result of a run (patterns, leaves, rules, frequencies,
  // clusters) and the tables of a loaded PMML model; the settings stay.
  void ClearResults();

  // N as a double: the number of transactions (sequences).
  double N() const { return static_cast<double>(settings.size); }
  bool IsAssociationMode() const { return settings.noseq != 0; }

  AnalysisSettings settings;

  // ---- Item coding ----
  std::vector<ContinuousStats> contStats;     // per `contvars` entry
  std::vector<ContinuousStats> mdContStats;   // per `mdcontvars` entry
  std::vector<std::int32_t> ncodes;           // per dichotomy variable
  std::vector<double> Codes;                  // code values, variable after variable
  ItemDictionary items;

  // ---- Transaction database ----
  std::vector<std::string> transactionIds;    // the TransactionIdList
  // The sequences a construction into a new project has just built, held
  // for the enumeration of the same run (which takes them); null otherwise.
  std::shared_ptr<SequenceDatabase> builtSequences;

  // ---- Taxonomies and stop list ----
  std::vector<TaxonomyMap> taxonomies;
  std::set<std::string> stoplist;

  // ---- Results ----
  FrequentPatternTable patterns;
  std::set<PatternId> leaves;                 // the LeafPatternSet
  RuleList rules;
  std::map<ItemNumber, SupportCount> itemFrequency;
  std::vector<ItemCluster> clusters;
  std::vector<ClusterStep> clusterSteps;
  std::set<ItemNumber> selectedItems;

  // ---- Recommendation via PMML ----
  ItemDictionary modelItems;                  // item id <-> exact name
  LoadedModel model;

 private:
  CAnalysisSupport* analysis_;
  ProjectDatabase* projectDb_;
};

}  // namespace linkan
