// lnk_result.cpp
#include "results/lnk_result.h"

#include "frame/sequence.h"
#include "resources/string_table.h"
#include "results/model_commands.h"
#include "results/seq_result_dialog.h"

namespace linkan {
namespace {

using nlohmann::json;

struct OutputMember {
  const char* name;
  int command;
  const char* help;
};

// In interface order, between SelectedItems and SaveAsPMML.
constexpr OutputMember kOutputMembers[] = {
    {"Summary", 1022, "Summary of association rules"},
    {"FrequentItemsets", 1023, "Display frequent itemsets"},
    {"SupportGraph", 1024, "Display bar chart of support"},
    {"ConfidenceGraph", 1025, "Display bar chart of confidence"},
    {"WebGraph", 1074, "Web-graph (summary of association rules for selected items)"},
    {"RuleGraph", 1075,
     "Rule graph (summary of association and sequence rules for selected items)"},
    {"RulesOnlyWithSelectedItemsAsHeads", 1190, "Review only rules with selected items as heads"},
    {"FrequentItemsetsOnlyWithSelectedItems", 1191,
     "Frequent itemsets containing only selected items"},
    {"RulesOnlyWithSelectedItems", 1192, "Review only rules with selected items"},
    {"RulesOnlyWithSelectedItemsAsBodies", 1193, "Review only rules with selected items as bodies"},
    {"ClusteringGraphOfItems", 1072, "Clustering graph of items"},
    {"ClusteringOfItems", 1070, "Summary of clustering of items"},
    {"DisjointSequences", 1212, "Disjoint sequences"},
};

// A text put into the query edit: a text as it is, any other value as its
// JSON text (a number typed into the edit).
std::string EditText(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace

LNKResult::LNKResult(CSEQResultDialog& dialog)
    : AutomationObject("LNKResult", "CSEQResultDialog", dialog, kResultFirstDispatchId),
      results_(dialog) {
  AddProperty(
      "SelectedItems", "text", "Selected items",
      [this] {
        json text;
        InAnalysisContext([&] { text = results_.GetSelectedItems(); });
        return text;
      },
      [this](const json& value) {
        InAnalysisContext([&] {
          const std::string text = AutomationText(value);
          if (!results_.PutSelectedItems(text)) {
            throw AutomationFailure(
                "no item name may be empty: name items separated by \" | \" (\"a | b\"), with "
                "\"\\|\" for a \"|\" and \"\\\\\" for a \"\\\" inside a name; the selection is "
                "unchanged");
          }
        });
      });
  for (const OutputMember& m : kOutputMembers) {
    const int command = m.command;
    AddGetOnly(m.name, "object", m.help, [this, command] { return Output(command); });
  }
  AddPutOnly("SaveAsPMML", "variant", "Save as PMML file",
             [this](const json& value) { SavePmml(value, PmmlDialect::kNative); });
  AddProperty(
      "QueryStringForRules", "text", "Enter query string for rules via PMML",
      [this] { return json(results_.GetControlText(kQueryEdit)); },
      [this](const json& value) { results_.SetControlText(kQueryEdit, EditText(value)); });
  AddGetOnly("QueriedRules", "object", "Queried rules via PMML",
             [this] { return Output(kQueryButton); });
  AddPutOnly("SaveAsPMML44", "variant", "Save as PMML 4.4 file",
             [this](const json& value) { SavePmml(value, PmmlDialect::kPmml44); });
}

json LNKResult::Output(int command) {
  std::string error;
  switch (results_.sequence().RunResultCommand(command, error)) {
    case 0:
      return true;
    case 2:
      return nullptr;
    case kRunOutOfMemory:
      throw AutomationFailure(error, kAutomationOutOfMemory);
    default:
      throw AutomationFailure(error);
  }
}

void LNKResult::SavePmml(const json& value, PmmlDialect dialect) {
  if (!value.is_string() || value.get<std::string>().empty()) {
    throw AutomationFailure(results_.GetResourceString(msg::kImproperPmmlName), kAutomationFail);
  }
  InAnalysisContext([&] {
    std::string error;
    const int result = results_.sequence().SaveModel(value.get<std::string>(), dialect, error);
    if (result == kRunOutOfMemory) throw AutomationFailure(error, kAutomationOutOfMemory);
    if (result != 0) throw AutomationFailure(error);
  });
}

}  // namespace linkan
