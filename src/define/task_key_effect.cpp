// task_key_effect.cpp
#include "define/task_key_effect.h"

#include <map>
#include <vector>

namespace linkan {
namespace {

using Reason = std::optional<std::string>;
// One condition under which a control is disabled: its reason, or nullopt.
using Rule = Reason (*)(const AnalysisSettings&);

Reason When(bool disabled, const char* reason) {
  return disabled ? Reason(reason) : std::nullopt;
}

Reason TaskFromProject(const AnalysisSettings& s) {
  return When(s.projectMode == 1 && (s.existingProjectAction == 1 || s.existingProjectAction == 2),
              "the task is the existing project's own (\"UseExistingProject\" without "
              "\"UpdateNewDocuments\")");
}
Reason NewProject(const AnalysisSettings& s) {
  return When(s.projectMode != 1, "a new project is made (\"UseExistingProject\" is not set)");
}
Reason NotDeploying(const AnalysisSettings& s) {
  return When(s.existingProjectAction != 2,
              "no model is deployed (\"DeployNewDocuments\" is not set)");
}
Reason Association(const AnalysisSettings& s) {
  return When(s.noseq != 0,
              "the task is a non-sequential association analysis "
              "(\"GenerateNonsequentialAssociation\")");
}
Reason NoTimeVariable(const AnalysisSettings& s) {
  return When(s.ntidvar <= 0, "no time variable is selected (\"Variables\": \"time\")");
}
Reason SingleElementItemsets(const AnalysisSettings& s) {
  return When(s.iSingleItemset != 0,
              "the itemsets hold single elements "
              "(\"UseEachCaseAsSingleElementItemsetsInASequence\")");
}
Reason TimeFilterOff(const AnalysisSettings& s) {
  return When(s.iMinMaxFilter == 0, "the time filter is off (\"UseMinimumAndMaximumTimeFilter\")");
}
Reason CombiningByNumber(const AnalysisSettings& s) {
  return When(s.CombineItemsetMode != 1,
              "itemsets are combined by a fixed number of itemsets, not by a length of time "
              "(\"CombineItemsetsInFixedLengthOfTimeIntoOneItemset\" is not set)");
}
Reason CombiningByTime(const AnalysisSettings& s) {
  return When(s.CombineItemsetMode == 1,
              "itemsets are combined by a fixed length of time "
              "(\"CombineItemsetsInFixedLengthOfTimeIntoOneItemset\")");
}
Reason NoVariables(const AnalysisSettings& s) {
  return When(s.nresvars + s.ndichvars + s.ncontvars <= 0,
              "no variable is selected in \"Variables\"");
}
Reason NoContinuousVariables(const AnalysisSettings& s) {
  if (s.ncontvars > 0) return std::nullopt;
  std::string reason = "no continuous variable is selected in \"Variables\"";
  if (s.nmdcontvars > 0) {
    reason += " (the non-sequential continuous variables keep " + std::to_string(s.ncategpco) +
              " cuts)";
  }
  return reason;
}
Reason NoDichotomies(const AnalysisSettings& s) {
  return When(s.ndichvars <= 0, "no dichotomy variable is selected in \"Variables\"");
}
Reason SingleCodeOff(const AnalysisSettings& s) {
  return When(s.onedichcode == 0, "\"UseSingleCodeForAllDichotomyVariables\" is off");
}
Reason SingleCodeOn(const AnalysisSettings& s) {
  return When(s.onedichcode != 0,
              "every dichotomy variable takes the single code "
              "(\"UseSingleCodeForAllDichotomyVariables\")");
}
Reason NoNonsequentialDichotomies(const AnalysisSettings& s) {
  return When(s.nmddichvars <= 0,
              "no dichotomy variable is selected in \"NonsequentialVariables\"");
}
Reason NonsequentialSingleCodeOff(const AnalysisSettings& s) {
  return When(s.mdonedichcode == 0,
              "\"UseSingleCodeForAllNonsequentialDichotomyVariables\" is off");
}
Reason NonsequentialSingleCodeOn(const AnalysisSettings& s) {
  return When(s.mdonedichcode != 0,
              "every non-sequential dichotomy variable takes the single code "
              "(\"UseSingleCodeForAllNonsequentialDichotomyVariables\")");
}
Reason NoTaxonomies(const AnalysisSettings& s) {
  return When(s.taxon == 0, "taxonomies are not used (\"UseTaxonomies\")");
}

// The rules of each key, the first that applies giving the reason. Keys of
// the task proper start with TaskFromProject; the project keys and
// "SelectedItems" do not.
const std::map<std::string, std::vector<Rule>>& Rules() {
  static const std::map<std::string, std::vector<Rule>> rules = {
      {"GenerateNonsequentialAssociation", {TaskFromProject}},
      {"Variables", {TaskFromProject}},
      {"NonsequentialVariables", {TaskFromProject, Association, NoVariables}},
      {"MultipleDichotomyCodes", {TaskFromProject, NoDichotomies, SingleCodeOn}},
      {"NonsequentialMultipleDichotomyCodes",
       {TaskFromProject, Association, NoNonsequentialDichotomies, NonsequentialSingleCodeOn}},
      {"UseSingleCodeForAllDichotomyVariables", {TaskFromProject, NoDichotomies}},
      {"SingleCodeForAllDichotomyVariables", {TaskFromProject, NoDichotomies, SingleCodeOff}},
      {"UseSingleCodeForAllNonsequentialDichotomyVariables",
       {TaskFromProject, Association, NoNonsequentialDichotomies}},
      {"SingleCodeForAllNonsequentialDichotomyVariables",
       {TaskFromProject, Association, NoNonsequentialDichotomies, NonsequentialSingleCodeOff}},
      {"WeightedMoments", {TaskFromProject}},
      {"MaxSizeOfItemset", {TaskFromProject}},
      {"MaxSizeOfItemsetsInHead", {TaskFromProject}},
      {"MinimumSupport", {TaskFromProject}},
      {"MaximumSupport", {TaskFromProject}},
      {"MinimumConfidence", {TaskFromProject}},
      {"MaximumConfidence", {TaskFromProject}},
      {"NumberOfCutsForContinuousVariable", {TaskFromProject, NoContinuousVariables}},
      {"MaximumNumberOfItemsetsInASequence", {TaskFromProject, Association}},
      {"CombineFixedNumberOfItemsetsIntoOneItemset", {TaskFromProject, Association}},
      {"CombineItemsetsInFixedLengthOfTimeIntoOneItemset",
       {TaskFromProject, Association, NoTimeVariable, SingleElementItemsets}},
      // Enabled without a time variable, but the validation reads it only
      // with one.
      {"FixedNumberOfItemsetsForCombiningIntoOneItemset",
       {TaskFromProject, Association, CombiningByTime, NoTimeVariable}},
      {"FixedLengthOfTimeForCombiningIntoOneItemset",
       {TaskFromProject, Association, NoTimeVariable, SingleElementItemsets, CombiningByNumber}},
      {"UseEachCaseAsSingleElementItemsetsInASequence", {TaskFromProject, Association}},
      {"UseMinimumAndMaximumTimeFilter",
       {TaskFromProject, Association, NoTimeVariable, SingleElementItemsets}},
      {"MinimumTime",
       {TaskFromProject, Association, NoTimeVariable, SingleElementItemsets, TimeFilterOff}},
      {"MaximumTime",
       {TaskFromProject, Association, NoTimeVariable, SingleElementItemsets, TimeFilterOff}},
      {"UseTaxonomies", {TaskFromProject}},
      {"DataFileNameForTaxonomy", {TaskFromProject, NoTaxonomies}},
      {"AssignTaxonomyVariables", {TaskFromProject, NoTaxonomies}},
      {"ReplaceOriginalItemsWithTaxonomies", {TaskFromProject, NoTaxonomies}},
      {"StandardSupport", {TaskFromProject}},
      {"UpdateNewDocuments", {NewProject}},
      {"GoToResultsDialogWithoutAddingDocuments", {NewProject}},
      {"DeployNewDocuments", {NewProject}},
      {"LoadModels", {NewProject, NotDeploying}},
      {"VariableSelectionViaPMML", {NewProject, NotDeploying}},
  };
  return rules;
}

}  // namespace

std::optional<std::string> WhyTaskKeyHasNoEffect(const std::string& key,
                                                 const AnalysisSettings& settings) {
  const auto it = Rules().find(key);
  if (it == Rules().end()) return std::nullopt;
  for (const Rule rule : it->second) {
    if (Reason reason = rule(settings)) return reason;
  }
  return std::nullopt;
}

std::string NoEffectWarning(const std::string& key, const std::string& reason) {
  return "\"" + key + "\" has no effect: " + reason;
}

}  // namespace linkan
