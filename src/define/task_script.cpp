// task_script.cpp
#include "define/task_script.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "define/define_task.h"
#include "define/define_task_controls.h"
#include "define/lnk_startup.h"
#include "define/stored_task.h"
#include "define/task_key_effect.h"
#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "frame/host/module_error.h"
#include "frame/sequence.h"
#include "frame/settings_validation.h"
#include "linkanalysis/task_text.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

using nlohmann::json;

// Thrown inside this file only; turned into TaskScriptResult::error.
struct TaskError {
  std::string text;
};
// The run that OK started failed.
struct RunFailure {
  std::string text;
};

[[noreturn]] void Fail(const std::string& text) { throw TaskError{text}; }

// The module's own message for the value of `key`: "\"<key>\": <message>".
std::string KeyMessage(const std::string& key, const std::string& message) {
  return "\"" + key + "\": " + message;
}

std::string Message(int id) { return std::string(LookupString(id)); }

// What a key's value must be; checked for every key before any applies,
// so a wrong type is an error also where the key would have no effect.
enum class KeyKind {
  kSwitch,  // 0, 1, true or false
  kNumber,  // a threshold or size, validated with the other fields
  kText,
  kOther,  // objects and single codes, checked where they apply
};

struct TaskKey {
  const char* name;
  KeyKind kind;
};

// Keys in the order they are applied (TaskApplier::Apply).
const std::vector<TaskKey> kTaskKeys = {
    {"DatabaseFile", KeyKind::kText},
    {"CreateNewProject", KeyKind::kSwitch},
    {"UseExistingProject", KeyKind::kSwitch},
    {"UpdateNewDocuments", KeyKind::kSwitch},
    {"GoToResultsDialogWithoutAddingDocuments", KeyKind::kSwitch},
    {"DeployNewDocuments", KeyKind::kSwitch},
    {"VariableSelectionViaPMML", KeyKind::kSwitch},
    {"LoadModels", KeyKind::kText},
    {"GenerateNonsequentialAssociation", KeyKind::kSwitch},
    {"Variables", KeyKind::kOther},
    {"NonsequentialVariables", KeyKind::kOther},
    {"UseSingleCodeForAllDichotomyVariables", KeyKind::kSwitch},
    {"UseSingleCodeForAllNonsequentialDichotomyVariables", KeyKind::kSwitch},
    {"MultipleDichotomyCodes", KeyKind::kOther},
    {"NonsequentialMultipleDichotomyCodes", KeyKind::kOther},
    {"SingleCodeForAllDichotomyVariables", KeyKind::kOther},
    {"SingleCodeForAllNonsequentialDichotomyVariables", KeyKind::kOther},
    {"WeightedMoments", KeyKind::kSwitch},
    {"UseEachCaseAsSingleElementItemsetsInASequence", KeyKind::kSwitch},
    {"CombineFixedNumberOfItemsetsIntoOneItemset", KeyKind::kSwitch},
    {"CombineItemsetsInFixedLengthOfTimeIntoOneItemset", KeyKind::kSwitch},
    {"UseMinimumAndMaximumTimeFilter", KeyKind::kSwitch},
    {"UseTaxonomies", KeyKind::kSwitch},
    {"DataFileNameForTaxonomy", KeyKind::kText},
    {"AssignTaxonomyVariables", KeyKind::kOther},
    {"ReplaceOriginalItemsWithTaxonomies", KeyKind::kSwitch},
    {"StandardSupport", KeyKind::kSwitch},  // our extension
    {"MaxSizeOfItemset", KeyKind::kNumber},
    {"MaxSizeOfItemsetsInHead", KeyKind::kNumber},
    {"MinimumSupport", KeyKind::kNumber},
    {"MaximumSupport", KeyKind::kNumber},
    {"MinimumConfidence", KeyKind::kNumber},
    {"MaximumConfidence", KeyKind::kNumber},
    {"NumberOfCutsForContinuousVariable", KeyKind::kNumber},
    {"MaximumNumberOfItemsetsInASequence", KeyKind::kNumber},
    {"FixedNumberOfItemsetsForCombiningIntoOneItemset", KeyKind::kNumber},
    {"FixedLengthOfTimeForCombiningIntoOneItemset", KeyKind::kNumber},
    {"MinimumTime", KeyKind::kNumber},
    {"MaximumTime", KeyKind::kNumber},
    {"SelectedItems", KeyKind::kText},
    {"SaveAsPMML", KeyKind::kText},
    {"SaveAsPMML44", KeyKind::kText},
    {"QueryStringForRules", KeyKind::kText},
};

const std::vector<std::string> kKeys = [] {
  std::vector<std::string> names;
  for (const TaskKey& k : kTaskKeys) names.emplace_back(k.name);
  return names;
}();

// Threshold and size properties and the dialog fields they are typed into.
const std::map<std::string, int> kFieldKeys = {
    {"MaxSizeOfItemset", field::kMaxPat},
    {"MaxSizeOfItemsetsInHead", field::kMaxHead},
    {"MinimumSupport", field::kMinSupp},
    {"MaximumSupport", field::kMaxSupp},
    {"MinimumConfidence", field::kMinConf},
    {"MaximumConfidence", field::kMaxConf},
    {"NumberOfCutsForContinuousVariable", field::kNCategPco},
    {"MaximumNumberOfItemsetsInASequence", field::kMaxSequenceSize},
    {"FixedNumberOfItemsetsForCombiningIntoOneItemset", field::kFixedNumItemsets},
    {"FixedLengthOfTimeForCombiningIntoOneItemset", field::kFixedTimeLength},
    {"MinimumTime", field::kMinTime},
    {"MaximumTime", field::kMaxTime},
};

// The key of a validated field.
std::string FieldKey(int id) {
  for (const auto& [key, field] : kFieldKeys) {
    if (field == id) return key;
  }
  return "DatabaseFile";  // the one other field the validation reads
}

// The key of a control that a refusal of OK concerns.
std::string ControlKey(const LnkStartup& lnk, int control) {
  for (const std::string& key : kKeys) {
    if (lnk.ControlOf(key) == control) return key;
  }
  return "DatabaseFile";
}

void CheckType(const json& task, const TaskKey& entry) {
  const json& v = task.at(entry.name);
  try {
    switch (entry.kind) {
      case KeyKind::kSwitch: AutomationSwitch(v); break;
      case KeyKind::kNumber: AutomationDouble(v); break;
      case KeyKind::kText: AutomationText(v); break;
      case KeyKind::kOther: break;
    }
  } catch (const AutomationFailure& e) {
    Fail("\"" + std::string(entry.name) + "\" " + e.what());
  }
}

// Everything a failed task must not leave changed.
struct TaskSnapshot {
  AnalysisSettings settings;
  std::string projectPath;
  std::string taxonomyFile;
  std::vector<int> taxonomyVariables;
  std::vector<TaxonomyMap> taxonomies;
  std::set<std::string> stoplist;
  std::map<int, std::string> fieldTexts;
};

// Applies a task as a script of puts on LNKStartup, in the order of
// kTaskKeys: the project keys decide whether the task is the project's
// own, the non-sequential switch forgets the variable selection, the
// variables decide which switches and codes apply, and the switches which
// fields are read. A key whose control the dialog would not read at that
// point is not put; it leaves a warning instead (task_key_effect.h).
class TaskApplier {
 public:
  TaskApplier(CDefineTask& dialog, const json& task)
      : dialog_(dialog), seq_(dialog.sequence()), lnk_(dialog.automation()), task_(task) {}

  void Apply(TaskScriptResult& result) {
    for (const auto& [key, value] : task_.items()) {
      const auto entry = std::find_if(kTaskKeys.begin(), kTaskKeys.end(),
                                     [&key = key](const TaskKey& k) { return key == k.name; });
      if (entry == kTaskKeys.end()) Fail("unknown task property \"" + key + "\"");
      CheckType(task_, *entry);
    }
    // An empty model name is refused (10066) before anything applies.
    if (Has("LoadModels") && task_.at("LoadModels").get<std::string>().empty()) {
      Fail(KeyMessage("LoadModels", Message(msg::kImproperPmmlName)));
    }
    for (const TaskKey& entry : kTaskKeys) {
      const std::string key = entry.name;
      if (IsResultKey(key)) continue;
      if (key == "DatabaseFile" && Has(key)) {
        Put(key);  // the path is not a control the project choice disables
        continue;
      }
      if (key == "GenerateNonsequentialAssociation" && UpdatesProject()) StartFromStoredTask();
      if (!Applies(key)) continue;
      Put(key);
    }
    WarnAboutDefaults();
    if (Has("SelectedItems")) {
      result.hasSelectedItems = true;
      result.selectedItems = task_.at("SelectedItems").get<std::string>();
    }
    result.saveAsPmml = PmmlFileName("SaveAsPMML");
    result.saveAsPmml44 = PmmlFileName("SaveAsPMML44");
    if (Has("QueryStringForRules")) {
      result.queryString = task_.at("QueryStringForRules").get<std::string>();
    }
  }

  // Presses OK (running the task) or, with `run` false, makes OK's checks
  // only. A refusal names the key of the control it concerns.
  void PressOk(bool run) {
    AutomationResult code = kAutomationOk;
    std::string why;
    if (run) {
      code = lnk_.Call("OK");
      why = lnk_.ErrorDescription();
    } else {
      try {
        const DialogAutomationScope scope(dialog_);
        dialog_.CheckTask();
      } catch (const AutomationFailure& e) {
        code = e.code();
        why = e.what();
      }
    }
    if (code == kAutomationOk) return;
    const SettingsCheck& check = dialog_.LastCheck();
    if (!check.ok()) {
      Fail(KeyMessage(FieldKey(check.field), Message(check.message)) + " (" + check.range + ")");
    }
    const int control = dialog_.LastFailedControl();
    if (control == 0) throw RunFailure{why};
    std::string text = KeyMessage(ControlKey(lnk_, control), why);
    const bool singleCode = control == task_ctl::kSingleCodeEdit ||
                            control == task_ctl::kNsSingleCodeEdit;
    if (singleCode) text += VariableNameSuffix(control, why);
    Fail(text);
  }

  // Shows the warnings about keys without effect; called only when the
  // task applied, so a failing task warns about nothing.
  void Commit() {
    for (const std::string& warning : warnings_) seq_.ShowWarning(warning);
  }

 private:
  bool Has(const std::string& key) const { return task_.contains(key); }

  static bool IsResultKey(const std::string& key) {
    return key == "SelectedItems" || key == "SaveAsPMML" || key == "SaveAsPMML44" ||
           key == "QueryStringForRules";
  }

  bool UpdatesProject() const {
    const AnalysisSettings& s = dialog_.settings();
    return s.projectMode == 1 && s.existingProjectAction == 0;
  }

  void Put(const std::string& key) {
    // The method takes no value: the task's roles answer its role dialog.
    const bool method = key == "AssignTaxonomyVariables";
    if (method) dialog_.AnswerTaxonomyRolesWith(task_.at(key));
    const AutomationResult code = method ? lnk_.Call(key) : lnk_.PutValue(key, task_.at(key));
    if (code != kAutomationOk) {
      const std::string why = lnk_.ErrorDescription();
      // Descriptions that already name the key (or a member of it) stand.
      Fail(why.rfind("\"" + key, 0) == 0 ? why : KeyMessage(key, why));
    }
  }

  // True when the task has `key` and the key takes effect with the settings
  // as applied so far; a key without effect is noted for a warning.
  bool Applies(const std::string& key) {
    if (!Has(key)) return false;
    const std::optional<std::string> reason = WhyTaskKeyHasNoEffect(key, dialog_.settings());
    if (!reason) return true;
    warnings_.push_back(NoEffectWarning(key, *reason));
    return false;
  }

  // An update starts from the task the project was last run with: the keys
  // the task names change it, the others keep the stored values.
  void StartFromStoredTask() {
    std::optional<AnalysisSettings> stored;
    try {
      stored = StoredTaskSettings(seq_.projectDb().Path(), dialog_.settings());
    } catch (const ModuleError& e) {
      Fail(e.what());
    }
    if (!stored) return;
    dialog_.settings() = *stored;
    dialog_.RefreshControls(true);
  }

  // Choices a task made by leaving something out, each easy to miss: the
  // analysis kind (sequence analysis is the default), a sequence analysis
  // ordered by the cases' order, transactions of one case each.
  void WarnAboutDefaults() {
    const AnalysisSettings& s = dialog_.settings();
    const bool taskFromProject =
        s.projectMode == 1 && (s.existingProjectAction == 1 || s.existingProjectAction == 2);
    if (taskFromProject || !Has("Variables")) return;
    if (!Has("GenerateNonsequentialAssociation")) {
      warnings_.push_back(
          "the task does not set \"GenerateNonsequentialAssociation\": this is a sequence "
          "analysis (the default); set it to 1 for association rules, 0 to say so");
    }
    if (!s.noseq && s.ntidvar == 0 && !s.iSingleItemset) {
      warnings_.push_back(
          "a sequence analysis without a time variable (\"Variables\": \"time\"): the order "
          "of the cases is the time");
    }
    if (s.noseq && s.nsidvar == 0 && s.nresvars > 0) {
      warnings_.push_back(
          "no ID variable (\"Variables\": \"id\"): every case is a transaction of its own");
    }
  }

  // A PMML file name of the task; an empty one is refused (10066).
  std::optional<std::string> PmmlFileName(const std::string& key) const {
    if (!Has(key)) return std::nullopt;
    std::string name = task_.at(key).get<std::string>();
    if (name.empty()) Fail(KeyMessage(key, Message(msg::kImproperPmmlName)));
    return name;
  }

  // " (\"name\")" for the variable that "Variable N does not contain ..."
  // names.
  std::string VariableNameSuffix(int control, const std::string& why) const {
    (void)control;
    int var = 0;
    if (std::sscanf(why.c_str(), "Variable %d", &var) != 1) return {};
    std::string name;
    seq_.getvn5(var, name);
    return " (\"" + name + "\")";
  }

  CDefineTask& dialog_;
  CSequence& seq_;
  LnkStartup& lnk_;
  const json& task_;
  std::vector<std::string> warnings_;
};

TaskSnapshot TakeSnapshot(CDefineTask& dialog) {
  const SalEngine& engine = *dialog.engine();
  TaskSnapshot snap{dialog.settings(),
                    dialog.sequence().projectDb().Path(),
                    dialog.sequence().taxonomyFile,
                    dialog.sequence().taxonomyVariables,
                    {engine.taxonomies.begin(), engine.taxonomies.end()},
                    engine.stoplist,
                    {}};
  for (const auto& [id, control] : dialog.controls()) {
    if (control.kind == ControlKind::kEdit) snap.fieldTexts[id] = control.text;
  }
  return snap;
}

void Restore(CDefineTask& dialog, const TaskSnapshot& snap) {
  dialog.settings() = snap.settings;
  dialog.sequence().projectDb().SetPath(snap.projectPath);
  dialog.sequence().taxonomyFile = snap.taxonomyFile;
  dialog.sequence().taxonomyVariables = snap.taxonomyVariables;
  dialog.engine()->taxonomies.assign(snap.taxonomies.begin(), snap.taxonomies.end());
  dialog.engine()->stoplist = snap.stoplist;
  dialog.RefreshControls(false);
  for (const auto& [id, text] : snap.fieldTexts) dialog.SetControlText(id, text);
}

}  // namespace

const std::vector<std::string>& TaskScriptKeys() { return kKeys; }

bool ApplyTaskScript(CDefineTask& dialog, const std::string& taskJson, TaskAction action,
                     TaskScriptResult& result) {
  result = TaskScriptResult{};
  if (!dialog.engine()) {
    result.error = "no data table is loaded";
    return false;
  }
  if (const std::optional<TaskTextProblem> problem = FindTaskTextProblem(taskJson)) {
    result.error = "the task, line " + std::to_string(problem->line) + ", column " +
                   std::to_string(problem->column) + ": " + problem->message;
    return false;
  }
  json task;
  try {
    task = json::parse(taskJson);
  } catch (const json::exception& e) {
    result.error = "the task is not valid JSON: " + TaskTextExceptionMessage(e);
    return false;
  }
  if (!task.is_object()) {
    result.error = "the task must be a JSON object of task properties";
    return false;
  }
  const TaskSnapshot snapshot = TakeSnapshot(dialog);
  TaskApplier applier(dialog, task);
  try {
    applier.Apply(result);
    if (action != TaskAction::kApply) applier.PressOk(action == TaskAction::kRun);
    applier.Commit();
    return true;
  } catch (const TaskError& e) {
    result.error = e.text;
  } catch (const RunFailure& e) {
    // The task was valid; the run itself failed (its messages were shown).
    result.error = e.text;
    result.runFailed = true;
    return false;
  } catch (const json::exception& e) {
    result.error = e.what();
  }
  Restore(dialog, snapshot);
  return false;
}

}  // namespace linkan
