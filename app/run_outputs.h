// run_outputs.h
//
// Which results `linkan run` writes: the results dialog's commands, by the
// names a task's "Outputs" gives them, and the files each one makes.
//
//   name                                   command  files in DIR
//   Summary                                1022     rules.csv
//   FrequentItemsets                       1023     itemsets.csv
//   RulesOnlyWithSelectedItems             1192     rules-selected.csv
//   RulesOnlyWithSelectedItemsAsBodies     1193     rules-selected-bodies.csv
//   RulesOnlyWithSelectedItemsAsHeads      1190     rules-selected-heads.csv
//   FrequentItemsetsOnlyWithSelectedItems  1191     itemsets-selected.csv
//   SupportGraph                           1024     support-chart.svg/.png/.json
//   ConfidenceGraph                        1025     confidence-chart.*
//   CorrelationGraph                       1026     correlation-chart.*
//   SupportRuleMatrix                      1027     support-matrix.csv
//   ConfidenceRuleMatrix                   1028     confidence-matrix.csv
//   CorrelationRuleMatrix                  1029     correlation-matrix.csv
//   ClusteringOfItems                      1070     clusters.csv
//   ClusteringGraphOfItems                 1072     cluster-tree.*
//   DisjointSequences                      1212     disjoint.csv
//   WebGraph                               1074     web-graph.*
//   RuleGraph                              1075     rule-graph.*
//   AssociationNetwork2D                   1030     network-2d.*
//   AssociationNetwork3D                   1031     network-3d.*
//
// An output whose name is a member of the module's LNKResult (every one
// above but the item list, CorrelationGraph, the rule matrices and the
// association networks) is got through that member, as a script would;
// the others run their command (IAnalysisModule::RunResultCommand), as
// does every output of a module without LNKResult.
//
// The item list (1189, items.csv) is always written, first. With
// "Outputs" the run writes the item list and the outputs named, in the
// order above. Without it: the rule summary, the frequent itemsets, with
// "SelectedItems" the four tables of the selected items; the three rule
// charts when the run has 1 to 100 rules; the clustering table and tree in
// association analysis; the disjoint sequences; the web and rule graphs
// when "SelectedItems" names at least 2 items. The rule matrices and the
// association networks are written on request only.
//
// Thread safety: no shared state.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "linkanalysis/analysis_module.h"
#include "task_file.h"

namespace linkan::app {

struct RunOutput {
  const char* name;      // as "Outputs" names it; "" for the item list
  int command;           // the results dialog's command
  const char* document;  // the document's name, and its files'
  bool picture;          // files NAME.svg/.png/.json, else NAME.csv
  bool member;           // LNKResult has a member of this name
};

inline constexpr int kItemListCommand = 1189;
inline constexpr int kRuleSummaryCommand = 1022;

// Removes "Outputs" from the task (the module does not know it) and
// returns its commands, or nothing when the task has no "Outputs". Throws
// DataError naming the task file when it is not an array of names or names
// an unknown output.
std::optional<std::vector<int>> TakeRequestedOutputs(TaskFile& task);

// What decides the outputs of a run without "Outputs".
struct RunFacts {
  bool haveSummary = false;    // the module reported the run's size
  bool association = true;
  unsigned long long rules = 0;
  bool selection = false;      // the task has "SelectedItems"
  std::size_t selectedItems = 0;  // the distinct names it gives
};

// The outputs of the run in order, the item list first.
std::vector<RunOutput> ChooseOutputs(const std::optional<std::vector<int>>& requested,
                                     const RunFacts& facts);

// Every file name any output may write, for removing those of an earlier
// run that this run did not write.
std::vector<std::string> AllOutputFileNames();

// What making one output came to, in RunResultCommand's terms: 0 a
// document, 2 a message instead (`error` may be empty: the message is the
// host's last), 1 an error, kRunOutOfMemory.
struct OutputAnswer {
  int result = 0;
  std::string error;
  bool notOffered = false;  // the module's LNKResult has no such member
};

// Makes output `o` through its LNKResult member when it has one and the
// module offers LNKResult (true: a document; null: a message), else by its
// command.
OutputAnswer MakeOutput(IAnalysisModule& module, const RunOutput& o);

}  // namespace linkan::app
