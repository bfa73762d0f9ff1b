// taxonomy_file.h
//
// The taxonomy data file of the task dialog's Taxonomy tab: choosing it and
// reading it into the engine's taxonomy tables and stop list.
//
// A taxonomy file is a data table. One variable holds item names, up to
// five further variables hold, in the same case, an aggregate label of that
// item (one taxonomy table each), and one more may hold item names to
// ignore (the stop list). Which variable plays which role is the role
// assignment `CSequence::taxonomyVariables` (seven 1-based variable numbers,
// 0 for a role without one, in the order of TaxonomyRole).
//
// Example (a script):
//   SetTaxonomyFile(seq, "grocery-taxonomy.csv");
//   int r = AssignTaxonomyVariables(
//       seq, ScriptedRoleChooser({{"items", "item"}, {"synonyms", {"group"}}}), true);
//
// Thread safety: the host's thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "linkanalysis/analysis_doc.h"

namespace linkan {

class CSequence;

// The roles of the taxonomy file's variables, as indices of
// `taxonomyVariables`.
enum TaxonomyRole : int {
  kTaxonomyItemNames = 0,
  kTaxonomyFirstSynonymList = 1,  // synonym lists 1 to 5 are roles 1 to 5
  kTaxonomyIgnoreList = 6,
  kTaxonomyRoleCount = 7,
};
inline constexpr int kMaxSynonymLists = 5;

// The answer to the role dialog: fills `dialog.assignment` and returns 0,
// or returns nonzero when the user left the dialog. May throw ModuleError
// (a script naming no variable of the file) to fail the assignment.
using TaxonomyRoleChooser = std::function<int(OutputFieldDialog& dialog)>;

// Button 1047: the host's open-file dialog, starting at the current file.
// A chosen name of at least 4 characters becomes `taxonomyFile` and empties
// the role assignment; result 0. Otherwise result 1 and nothing changes.
int ChooseTaxonomyFile(CSequence& sequence);

// The automation put of the file name: blanks around `name` are dropped; an
// empty name changes nothing; a name other than the current one becomes
// `taxonomyFile` and empties the role assignment (its variable numbers
// belong to the old file).
void SetTaxonomyFile(CSequence& sequence, const std::string& name);

// Button 1049 and the automation method: opens `taxonomyFile` through the
// host, asks `choose` for the role assignment (starting from the current
// one) and reads the file into the engine's taxonomy tables and stop list.
//   - The file cannot be opened: under automation (`underAutomation`) an
//     AutomationError with the host's description is thrown; otherwise
//     message 10136 is shown and the result is 1.
//   - The chooser's user left the dialog: result 0, nothing read.
//   - Fewer than two roles, or no item-name variable: message 10145,
//     result 1.
//   - Cancelled while reading (progress bar "Updating taxonomies..."):
//     result 1.
// The engine's tables change only when the whole file was read (result 0
// after reading); a cancel or failure leaves the previous ones in use. The
// document is released on every path. A ModuleError from `choose` passes
// on. REQUIRES: the analysis object has a document and an engine.
int AssignTaxonomyVariables(CSequence& sequence, const TaxonomyRoleChooser& choose,
                            bool underAutomation);

// The role labels in role order: "Item names", "Synonym list 1" ...
// "Synonym list 5", "Ignore list 6".
std::vector<std::string> TaxonomyRoleLabels(const CSequence& sequence);

}  // namespace linkan
