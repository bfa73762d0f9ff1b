// run_outputs.cpp
#include "run_outputs.h"

#include <algorithm>
#include <set>

#include "data_error.h"

namespace linkan::app {
namespace {

// In the order a run writes them.
constexpr RunOutput kOutputs[] = {
    {"", kItemListCommand, "items", false, false},
    {"Summary", kRuleSummaryCommand, "rules", false, true},
    {"FrequentItemsets", 1023, "itemsets", false, true},
    {"RulesOnlyWithSelectedItems", 1192, "rules-selected", false, true},
    {"RulesOnlyWithSelectedItemsAsBodies", 1193, "rules-selected-bodies", false, true},
    {"RulesOnlyWithSelectedItemsAsHeads", 1190, "rules-selected-heads", false, true},
    {"FrequentItemsetsOnlyWithSelectedItems", 1191, "itemsets-selected", false, true},
    {"SupportGraph", 1024, "support-chart", true, true},
    {"ConfidenceGraph", 1025, "confidence-chart", true, true},
    {"CorrelationGraph", 1026, "correlation-chart", true, false},
    {"SupportRuleMatrix", 1027, "support-matrix", false, false},
    {"ConfidenceRuleMatrix", 1028, "confidence-matrix", false, false},
    {"CorrelationRuleMatrix", 1029, "correlation-matrix", false, false},
    {"ClusteringOfItems", 1070, "clusters", false, true},
    {"ClusteringGraphOfItems", 1072, "cluster-tree", true, true},
    {"DisjointSequences", 1212, "disjoint", false, true},
    {"WebGraph", 1074, "web-graph", true, true},
    {"RuleGraph", 1075, "rule-graph", true, true},
    {"AssociationNetwork2D", 1030, "network-2d", true, false},
    {"AssociationNetwork3D", 1031, "network-3d", true, false},
};

constexpr unsigned long long kMostChartedRules = 100;

bool SelectedTable(int command) { return command >= 1190 && command <= 1193; }

bool ByDefault(int command, const RunFacts& facts) {
  switch (command) {
    case kItemListCommand:
    case kRuleSummaryCommand:
    case 1023:
    case 1212: return true;
    case 1024:
    case 1025:
    case 1026: return facts.haveSummary && facts.rules >= 1 && facts.rules <= kMostChartedRules;
    case 1070:
    case 1072: return facts.haveSummary && facts.association;
    case 1074:
    case 1075: return facts.selectedItems >= 2;
    default: return SelectedTable(command) && facts.selection;
  }
}

std::string KnownNames() {
  std::string names;
  for (const RunOutput& o : kOutputs) {
    if (*o.name == '\0') continue;
    if (!names.empty()) names += ", ";
    names += o.name;
  }
  return names;
}

}  // namespace

std::optional<std::vector<int>> TakeRequestedOutputs(TaskFile& task) {
  const auto it = task.json.find("Outputs");
  if (it == task.json.end()) return std::nullopt;
  const std::string usage = "\"Outputs\" must be an array of output names (" + KnownNames() + ")";
  if (!it->is_array()) throw DataError(task.path, 0, 0, usage);
  std::vector<int> commands;
  for (const nlohmann::json& name : *it) {
    if (!name.is_string()) throw DataError(task.path, 0, 0, usage);
    const std::string text = name.get<std::string>();
    const auto found = std::find_if(std::begin(kOutputs), std::end(kOutputs), [&](const RunOutput& o) {
      return *o.name != '\0' && text == o.name;
    });
    if (found == std::end(kOutputs)) {
      throw DataError(task.path, 0, 0,
                      "\"Outputs\": unknown output \"" + text + "\"; the outputs are " + KnownNames());
    }
    commands.push_back(found->command);
  }
  task.json.erase(it);
  return commands;
}

std::vector<RunOutput> ChooseOutputs(const std::optional<std::vector<int>>& requested,
                                     const RunFacts& facts) {
  std::vector<RunOutput> chosen;
  for (const RunOutput& o : kOutputs) {
    const bool wanted =
        o.command == kItemListCommand ||
        (requested ? std::find(requested->begin(), requested->end(), o.command) != requested->end()
                   : ByDefault(o.command, facts));
    if (wanted) chosen.push_back(o);
  }
  return chosen;
}

std::vector<std::string> AllOutputFileNames() {
  std::vector<std::string> names;
  for (const RunOutput& o : kOutputs) {
    if (o.picture) {
      for (const char* extension : {".svg", ".png", ".json"}) names.push_back(std::string(o.document) + extension);
    } else {
      names.push_back(std::string(o.document) + ".csv");
    }
  }
  return names;
}

OutputAnswer MakeOutput(IAnalysisModule& module, const RunOutput& o) {
  OutputAnswer answer;
  IAutomationObject* results = o.member ? module.ResultAutomation() : nullptr;
  if (!results) {
    answer.result = module.RunResultCommand(o.command, answer.error);
    return answer;
  }
  std::string value;
  const AutomationResult code = results->Get(o.name, value);
  if (code == kAutomationOk) {
    answer.result = value == "true" ? 0 : 2;
    return answer;
  }
  answer.error = results->ErrorDescription();
  answer.result = code == kAutomationOutOfMemory ? kRunOutOfMemory : 1;
  answer.notOffered = code == kAutomationUnknownName;
  return answer;
}

}  // namespace linkan::app
