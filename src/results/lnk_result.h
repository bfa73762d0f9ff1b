// lnk_result.h
//
// LNKResult: the results dialog's automation object ("Link analysis result
// dialog"), part of CSEQResultDialog and living as long as it. After the
// base dialog members (ids 0 to 12) its members are, in interface order:
//
//   0x60030000  SelectedItems get/put  text    "Selected items"
//   0x60030002  Summary                1022    "Summary of association rules"
//   0x60030003  FrequentItemsets       1023    "Display frequent itemsets"
//   0x60030004  SupportGraph           1024    "Display bar chart of support"
//   0x60030005  ConfidenceGraph        1025    "Display bar chart of confidence"
//   0x60030006  WebGraph               1074
//   0x60030007  RuleGraph              1075
//   0x60030008  RulesOnlyWithSelectedItemsAsHeads      1190
//   0x60030009  FrequentItemsetsOnlyWithSelectedItems  1191
//   0x6003000a  RulesOnlyWithSelectedItems             1192
//   0x6003000b  RulesOnlyWithSelectedItemsAsBodies     1193
//   0x6003000c  ClusteringGraphOfItems 1072
//   0x6003000d  ClusteringOfItems      1070
//   0x6003000e  DisjointSequences      1212
//   0x6003000f  SaveAsPMML put         the native PMML model to a file
//   0x60030010  QueryStringForRules get/put  the text of edit 1215
//   0x60030012  QueriedRules           1211, the deployment query
//   0x60030013  SaveAsPMML44 put       (our extension) the PMML 4.4 model
//
// An output member (a get naming a command) presses that button: it runs
// inside the analysis object's run boundary (memory limit, cancellation)
// and answers `true` when a document was produced, `null` when a message
// was shown instead. A command that fails fails the member with its text;
// one that ran out of memory fails with kAutomationOutOfMemory and the
// module's report.
//
// SelectedItems reads and writes the item list's selection as names joined
// by " | ", a "|" or "\" inside a name escaped with a backslash
// (selected_items.h). A put whose text has an empty name ("a||b", "a|", "")
// fails and leaves the selection as it was. SelectedItems and the two
// SaveAsPMML members run in the analysis context: their failures reach the
// host log as "Exception in analysis method: TEXT". SaveAsPMML with a value
// that is not a text, or an empty one, fails with E_FAIL and "Improper
// string provided for PMML file names.".
//
// Thread safety: host thread only.
#pragma once

#include <nlohmann/json.hpp>

#include "frame/host/automation_object.h"
#include "linkanalysis/analysis_module.h"

namespace linkan {

class CSEQResultDialog;

inline constexpr std::int32_t kResultFirstDispatchId = 0x60030000;

class LNKResult : public AutomationObject {
 public:
  explicit LNKResult(CSEQResultDialog& dialog);

 private:
  // Presses button `command`: true, null, or a failure (see above).
  nlohmann::json Output(int command);
  // Writes the model to the file named by `value` in `dialect`.
  void SavePmml(const nlohmann::json& value, PmmlDialect dialect);

  CSEQResultDialog& results_;
};

}  // namespace linkan
