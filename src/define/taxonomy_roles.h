// taxonomy_roles.h
//
// The two answers to the taxonomy role dialog: the host's own dialog, and a
// task file's value of "AssignTaxonomyVariables".
//
// The task file's value names variables of the taxonomy file by name:
//   {"items": "item", "synonyms": ["group", "department"], "ignore": "skip"}
//   - "items": the variable of item names;
//   - "synonyms": one name, or a list of at most five names, for synonym
//     lists 1, 2, ... in that order;
//   - "ignore": the variable of item names to ignore.
// Every member may be left out (its roles stay unassigned); roles not named
// are unassigned whatever the assignment was before. A member other than
// these three, a value of another type, more than five synonym lists, a
// name that is no variable of the file, and a variable given two roles are
// refused: the chooser throws AutomationError naming the member or name.
//
// Thread safety: the host's thread only.
#pragma once

#include <nlohmann/json.hpp>

#include "define/taxonomy_file.h"

namespace linkan {

class CSequence;

// Asks the host's role dialog (CAnalysisDoc::ChooseOutputFieldDialog).
// `sequence` must outlive the chooser.
TaxonomyRoleChooser HostRoleChooser(CSequence& sequence);

// Answers from a task file's value (above). The value is checked when the
// chooser is called, against the variables of the file being read.
TaxonomyRoleChooser ScriptedRoleChooser(const nlohmann::json& roles);

}  // namespace linkan
