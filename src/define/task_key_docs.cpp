// task_key_docs.cpp
#include "define/task_key_docs.h"

#include "frame/analysis_settings.h"
#include "frame/settings_validation.h"

namespace linkan {
namespace {

std::string Switch(int on) { return on ? "1" : "0"; }
std::string Number(double x) {
  std::string text = PlainNumberText(x);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::vector<TaskKeyDoc> MakeDocs() {
  const AnalysisSettings d;  // the defaults of a new analysis
  return {
      {"DatabaseFile", "text", "DIR/LinkAnalysis.dbs (linkan)", "a path; its folder must exist",
       "1053/1054 Database file",
       "The project file that keeps the run (`--project` overrides it)."},
      {"CreateNewProject", "switch", "1", "", "1063 Create new project",
       "Mine the table into a new project (replacing the file)."},
      {"UseExistingProject", "switch", "0", "", "1064 Use existing project",
       "Work with the project in `DatabaseFile` instead of making a new one; with "
       "`UpdateNewDocuments` or `GoToResultsDialogWithoutAddingDocuments`."},
      {"UpdateNewDocuments", "switch", "1 (with `UseExistingProject`)", "",
       "1067 Update new transactions",
       "Add the table's cases to the existing project and mine again."},
      {"GoToResultsDialogWithoutAddingDocuments", "switch", "0", "",
       "1065 Go to results dialog without adding transactions",
       "Show the existing project's results without mining; the task's thresholds are not "
       "applied."},
      {"DeployNewDocuments", "switch", "0", "", "1066 Recommendation via PMML",
       "With `UseExistingProject`: mine nothing and open no project; the results are those of "
       "the PMML model in `LoadModels` (for `QueryStringForRules`)."},
      {"VariableSelectionViaPMML", "switch", "0", "", "1196 Variable selection via PMML",
       "With `DeployNewDocuments`: the variables come from the PMML model."},
      {"LoadModels", "text", "none", "a PMML file (the module's own or PMML 4.4)",
       "1194/1195 PMML file",
       "The model a recommendation (`DeployNewDocuments`) loads instead of mining."},
      {"GenerateNonsequentialAssociation", "switch", Switch(d.noseq), "", "1044 (Quick tab)",
       "1: association rules of itemsets; 0: sequential rules of sequences (the default; a "
       "warning names it when the key is left out)."},
      {"Variables", "object", "none (required)",
       R"({"id": VAR, "time": VAR, "responses": [VAR...], "dichotomies": [VAR...], "continuous": [VAR...]})",
       "1000 Variables",
       "The variables of the analysis by name: the transaction or sequence ID, the time "
       "(sequence analysis only), multiple-response, multiple-dichotomy and continuous "
       "variables."},
      {"NonsequentialVariables", "object", "none",
       R"({"responses": [...], "dichotomies": [...], "continuous": [...]})",
       "1077 Non-sequential (N-S) Variables",
       "Sequence analysis: variables whose items hold for the whole sequence; they must not "
       "repeat a variable of `Variables`."},
      {"UseSingleCodeForAllDichotomyVariables", "switch", Switch(d.onedichcode), "",
       "1045 Select single code for all dich. vars",
       "Every dichotomy variable counts the one code `SingleCodeForAllDichotomyVariables`."},
      {"UseSingleCodeForAllNonsequentialDichotomyVariables", "switch", Switch(d.mdonedichcode),
       "", "1084 Select single code for all NS dich.",
       "The same for the non-sequential dichotomy variables."},
      {"MultipleDichotomyCodes", "object", "none", R"({VAR: [code or label, ...], ...})",
       "1007 Multiple dichotomy codes",
       "Per dichotomy variable, the codes (numbers or value labels) that count as the item "
       "being present."},
      {"NonsequentialMultipleDichotomyCodes", "object", "none",
       R"({VAR: [code or label, ...], ...})", "1086 NS Multi. dich. codes",
       "The same for the non-sequential dichotomy variables."},
      {"SingleCodeForAllDichotomyVariables", "number or text", "none",
       "a code, or a value label of the first dichotomy variable", "1046 single code",
       "The code every dichotomy variable counts (with `UseSingleCodeForAllDichotomyVariables`)."},
      {"SingleCodeForAllNonsequentialDichotomyVariables", "number or text", "none",
       "a code, or a value label of the first such variable", "1085 single NS code",
       "The same for the non-sequential dichotomy variables."},
      {"WeightedMoments", "switch", Switch(d.iwgtdmn), "", "Options menu 204-207",
       "Fractional case weights in the moments of continuous variables."},
      {"UseEachCaseAsSingleElementItemsetsInASequence", "switch", Switch(d.iSingleItemset), "",
       "1216 Use each case as sequential single-element itemsets",
       "Sequence analysis: each response of a case is an itemset of its own, in column order."},
      {"CombineFixedNumberOfItemsetsIntoOneItemset", "switch", "1", "",
       "1207 Fixed number of itemsets",
       "Sequence analysis: combine `FixedNumberOfItemsetsForCombiningIntoOneItemset` "
       "consecutive cases into one itemset."},
      {"CombineItemsetsInFixedLengthOfTimeIntoOneItemset", "switch", "0", "",
       "1206 Itemsets with fixed length of time",
       "Sequence analysis with a time variable: the cases of one window of "
       "`FixedLengthOfTimeForCombiningIntoOneItemset`, counted from the sequence's first case, "
       "form one itemset."},
      {"UseMinimumAndMaximumTimeFilter", "switch", Switch(d.iMinMaxFilter), "",
       "1214 Min/max filter",
       "Sequence analysis with a time variable: leave out cases whose time is below "
       "`MinimumTime` or above `MaximumTime`."},
      {"UseTaxonomies", "switch", Switch(d.taxon), "",
       "1050 Use taxonomies for hierarchical association analysis",
       "Items also count as their parents in the taxonomies read from "
       "\"DataFileNameForTaxonomy\"."},
      {"DataFileNameForTaxonomy", "text", "none", "a CSV or TSV file",
       "1047 Data file for taxonomies",
       "The taxonomy table: per row an item name and its aggregate labels (relative to the task "
       "file's folder). Another file forgets the roles assigned before."},
      {"AssignTaxonomyVariables", "object", "none",
       "{\"items\": VAR, \"synonyms\": [VAR, ... up to 5], \"ignore\": VAR}",
       "1049 Assign taxonomy variables",
       "Reads the taxonomy file: the item-name variable, one table per synonym list (the first "
       "label of an item wins), and item names to ignore. Variables by their names in that file."},
      {"ReplaceOriginalItemsWithTaxonomies", "switch", Switch(d.removeorg), "",
       "1069 Remove original item labels when taxonomies are applied",
       "With taxonomies: an item with a parent counts only as the parent."},
      {"StandardSupport", "switch", Switch(d.StandardSupport), "", "(none: an extension)",
       "1: standard support, the number of sequences that contain a pattern (every pattern "
       "within the bounds is found); 0: the module's own counting. The project keeps it."},
      {"MaxSizeOfItemset", "whole number", std::to_string(d.maxpat),
       "1 to 200 (2 to 200 in association analysis)", "1005 Maximum number of elements in an itemset",
       "The most items in a frequent itemset (association) or in one itemset of a sequence."},
      {"MaxSizeOfItemsetsInHead", "whole number", std::to_string(d.maxhead), "1 to 200",
       "1010 Maximum number of elements in rule's head", "The most items in a rule's head."},
      {"MinimumSupport", "number", Number(d.minsupp), "0 to 1", "1013 Support, Minimum",
       "The least share of transactions (sequences) that hold a frequent pattern."},
      {"MaximumSupport", "number", Number(d.maxsupp), "MinimumSupport to 1",
       "1222 Support, Maximum", "The largest such share; patterns above it are left out."},
      {"MinimumConfidence", "number", Number(d.minconf), "0 to 1", "1014 Confidence, Minimum",
       "The least confidence of a rule."},
      {"MaximumConfidence", "number", Number(d.maxconf), "MinimumConfidence to 1",
       "1225 Confidence, Maximum", "The largest confidence of a rule."},
      {"NumberOfCutsForContinuousVariable", "whole number", std::to_string(d.ncategpco),
       "1 to 20", "1042 Number of cuts for continuous variables",
       "Continuous variables are cut into this many ranges of equal expected frequency."},
      {"MaximumNumberOfItemsetsInASequence", "whole number", std::to_string(d.MaxSequenceSize),
       "2 to 100", "1199 Maximum number of itemsets in a sequence",
       "Sequence analysis: the most itemsets in a frequent sequence."},
      {"FixedNumberOfItemsetsForCombiningIntoOneItemset", "whole number",
       std::to_string(d.FixedNumItemsets), "1 to 100", "1208 Fixed number of itemsets",
       "Sequence analysis with a time variable: how many consecutive cases form one itemset."},
      {"FixedLengthOfTimeForCombiningIntoOneItemset", "number or duration text",
       Number(d.FixedTimeLength), "0 to MaximumTime - MinimumTime; or \"30 minutes\", \"2 h\", "
       "\"1 day\" with a date column", "1205 Itemsets with fixed length of time",
       "The window of time whose cases form one itemset, in the time variable's unit (0: every "
       "case its own itemset)."},
      {"MinimumTime", "number or ISO date", Number(d.MinTime),
       "-1000000000 to 100000000; or \"2026-03-01\" with a date column", "1200 Minimum",
       "The earliest case time the time filter keeps, in the time variable's unit."},
      {"MaximumTime", "number or ISO date", Number(d.MaxTime),
       "above MinimumTime, at most 100000000; or an ISO date with a date column", "1203 Maximum",
       "The latest case time the time filter keeps."},
      {"SelectedItems", "text", "none", "item names separated by \" | \", none empty",
       "results dialog item list",
       "Items for the tables (and pictures) of selected items; a name that is no frequent item "
       "is named in a warning. Inside a name, a \"|\" is written `\\\\|` and a backslash "
       "`\\\\\\\\` (as JSON text). A text with an empty name (`a || b`, `a |`, `\"\"`) fails "
       "the run."},
      {"SaveAsPMML", "text", "none (linkan writes DIR/model.pmml)", "a file name, not empty",
       "results dialog 1197 PMML",
       "Also write the mined model, in the module's own PMML, to this file."},
      {"SaveAsPMML44", "text", "none (linkan writes DIR/model-4.4.pmml)", "a file name, not empty",
       "(none: an extension)",
       "Also write the mined model as a standard PMML 4.4 document to this file."},
      {"QueryStringForRules", "text", "none", "a query such as \"(bread, milk)\"",
       "results dialog 1215 and 1211",
       "The deployment query: the rules whose body the given items satisfy, written as "
       "`queried-rules.csv`."},
  };
}

// A table cell: no line breaks, "|" escaped.
std::string Cell(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '|') {
      out += "\\|";
    } else if (c == '\n') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

const std::vector<TaskKeyDoc>& TaskKeyDocs() {
  static const std::vector<TaskKeyDoc> docs = MakeDocs();
  return docs;
}

std::string TaskKeyReference() {
  std::string text =
      "| key | type | default | range | control | meaning |\n"
      "|---|---|---|---|---|---|\n";
  for (const TaskKeyDoc& d : TaskKeyDocs()) {
    text += "| `" + std::string(d.name) + "` | " + Cell(d.type) + " | " + Cell(d.byDefault) +
            " | " + Cell(d.range) + " | " + Cell(d.control) + " | " + Cell(d.meaning) + " |\n";
  }
  return text;
}

}  // namespace linkan
