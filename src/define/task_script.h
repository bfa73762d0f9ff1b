// task_script.h
//
// A task script: the task of a run written as a JSON object whose keys are
// the task properties by their automation names ("MinimumSupport",
// "Variables", ...). Applying a script puts each property on the task
// dialog's automation object LNKStartup, in a fixed order, and presses OK:
// the same code path as any script or front end, with the module's own
// checks and messages.
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

class CDefineTask;

struct TaskScriptResult {
  std::string error;                     // empty on success
  bool runFailed = false;                // the task was valid, the run failed
  bool hasSelectedItems = false;         // "SelectedItems" was given
  std::string selectedItems;             // its text ("a | b")
  // The results members: write the model ("SaveAsPMML" native,
  // "SaveAsPMML44" standard) and the text of the deployment query (edit
  // 1215, run by command 1211). Names are never empty.
  std::optional<std::string> saveAsPmml;
  std::optional<std::string> saveAsPmml44;
  std::optional<std::string> queryString;
};

enum class TaskAction {
  kApply,  // the puts only
  kCheck,  // the puts, then OK's checks without the run
  kRun,    // the puts, then OK: the checks and the run
};

// Applies the JSON text `taskJson` to the open task dialog through its
// automation object, then does `action`. Returns true on success; false
// with `result.error` set otherwise, the dialog and the settings then as
// they were before (unless the run itself failed: `result.runFailed`).
bool ApplyTaskScript(CDefineTask& dialog, const std::string& taskJson, TaskAction action,
                     TaskScriptResult& result);

// The names of every key a task script accepts, in the order they apply.
const std::vector<std::string>& TaskScriptKeys();

}  // namespace linkan
