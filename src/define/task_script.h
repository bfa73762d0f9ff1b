// task_script.h
//
// A task script: the task of a run written as a JSON object whose keys are
// the task properties by their automation names ("MinimumSupport",
// "Variables", ...). Applying a script sets the engine's settings and the
// project path the way a script setting those properties and pressing OK
// would, then runs the checks that precede a run (variable selection,
// dichotomy codes, single codes, parameter validation) with the module's own
// messages.
//
// Example task:
//   {"GenerateNonsequentialAssociation": 1,
//    "Variables": {"id": "basket", "responses": ["item"]},
//    "MinimumSupport": 0.05, "MinimumConfidence": 0.5}
//
// Unknown keys, wrong value types and unknown variable names are errors
// that name the key; so are the module's own messages ("\"MinimumSupport\":
// <message> (a number from 0 to 1)"). Nothing of the engine is changed when
// the task fails. A key the dialog would not read in the task's
// configuration (task_key_effect.h) is not applied; once the task is
// applied, each such key is named in a warning through the host's message
// channel ("warning: \"MinimumTime\" has no effect: ...").
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace linkan {

class CSequence;

struct TaskScriptResult {
  std::string error;                     // empty on success
  bool hasSelectedItems = false;         // "SelectedItems" was given
  std::string selectedItems;             // its text ("a | b")
  // The results members: write the model ("SaveAsPMML" native,
  // "SaveAsPMML44" standard) and the text of the deployment query (edit
  // 1215, run by command 1211). Names are never empty.
  std::optional<std::string> saveAsPmml;
  std::optional<std::string> saveAsPmml44;
  std::optional<std::string> queryString;
};

// Applies the JSON text `taskJson` to `sequence` (its current engine and its
// project path). Returns true when the task is ready to run; false with
// `result.error` set otherwise.
bool ApplyTaskScript(CSequence& sequence, const std::string& taskJson, TaskScriptResult& result);

// The names of every key a task script accepts, in the order they apply.
const std::vector<std::string>& TaskScriptKeys();

}  // namespace linkan
