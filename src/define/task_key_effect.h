// task_key_effect.h
//
// Which task keys have no effect in a given configuration. Each key stands
// for a control of the task definition dialog; where the dialog disables
// that control (or, for a few fields, leaves it enabled but the validation
// skips it), the value is never read. A task script applies no such key
// and warns instead, naming the key and why:
//   "MinimumTime" has no effect: the itemsets hold single elements
//   ("UseEachCaseAsSingleElementItemsetsInASequence")
//
// The rules follow the dialog's enabling of its controls:
// - a task taken from an existing project (going to its results, or
//   scoring new documents) disables every variable, code, threshold,
//   sequence and taxonomy control;
// - the actions on an existing project need "UseExistingProject"; the
//   model file ("LoadModels") and "VariableSelectionViaPMML" also need
//   "DeployNewDocuments";
// - the sequence options and the non-sequential variables belong to
//   sequence analysis; the time options also need a time variable and
//   multi-element itemsets, and each one its own switch or radio button;
// - codes need dichotomy variables (the single code its switch, the code
//   lists its absence), the number of cuts continuous variables, and
//   replacing items by taxonomies the use of taxonomies.
//
// Thread safety: pure functions.
#pragma once

#include <optional>
#include <string>

#include "frame/analysis_settings.h"

namespace linkan {

// Why `key` has no effect with `settings`; nullopt when the key is read (and
// for every key no rule covers). `settings` must be final in everything the
// key's rules look at: a task script checks keys in the order it applies
// them, and each rule looks only at settings applied earlier.
std::optional<std::string> WhyTaskKeyHasNoEffect(const std::string& key,
                                                 const AnalysisSettings& settings);

// "\"<key>\" has no effect: <reason>".
std::string NoEffectWarning(const std::string& key, const std::string& reason);

}  // namespace linkan
