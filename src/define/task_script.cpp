// task_script.cpp
#include "define/task_script.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

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

constexpr int kNonsequentialOverlap = 10161;

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

struct KeySpec {
  const char* name;
  KeyKind kind;
};

// Keys in the order they are applied (TaskApplier::Apply).
const std::vector<KeySpec> kKeySpecs = {
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
  for (const KeySpec& k : kKeySpecs) names.emplace_back(k.name);
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

// A number as the text a user would type: round-trips exactly.
std::string NumberField(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", x);
  return buf;
}

bool Switch(const json& task, const std::string& key) {
  const json& v = task.at(key);
  if (v.is_boolean()) return v.get<bool>();
  if (v.is_number_integer() || v.is_number_unsigned()) {
    const long long n = v.get<long long>();
    if (n == 0 || n == 1) return n == 1;
  }
  Fail("\"" + key + "\" must be 0, 1, true or false");
}

double Number(const json& task, const std::string& key) {
  const json& v = task.at(key);
  if (!v.is_number()) Fail("\"" + key + "\" must be a number");
  return v.get<double>();
}

std::string Text(const json& task, const std::string& key) {
  const json& v = task.at(key);
  if (!v.is_string()) Fail("\"" + key + "\" must be a text");
  return v.get<std::string>();
}

class TaskApplier {
 public:
  TaskApplier(CSequence& seq, const json& task)
      : seq_(seq), s_(seq.engine()->settings), path_(seq.projectDb().Path()), task_(task) {
    for (int v = 1; v <= seq.GetNbVars(); ++v) {
      std::string name;
      seq.getvn5(v, name);
      varByName_.emplace(seq.Replace8CharGrow(name), v);
    }
  }

  // Applies the keys in dependency order: the project keys decide whether
  // the task is the project's own, the non-sequential switch forgets the
  // variable selection, the variables decide which switches and codes
  // apply, and the switches which fields are read. A key whose dialog
  // control would be disabled at that point is not applied; it leaves a
  // warning instead (task_key_effect.h).
  void Apply(TaskScriptResult& result) {
    CheckKeysAndTypes();
    ApplyProject();
    if (s_.projectMode == 1 && s_.existingProjectAction == 0) StartFromStoredTask();
    if (Applies("GenerateNonsequentialAssociation")) {
      const bool on = Switch(task_, "GenerateNonsequentialAssociation");
      if (on != (s_.noseq != 0)) ToggleNonsequential();
    }
    if (Applies("Variables")) ApplyVariables();
    if (Applies("NonsequentialVariables")) ApplyNonsequentialVariables();
    SetSwitch("UseSingleCodeForAllDichotomyVariables", s_.onedichcode);
    SetSwitch("UseSingleCodeForAllNonsequentialDichotomyVariables", s_.mdonedichcode);
    if (Applies("MultipleDichotomyCodes")) {
      ApplyCodes("MultipleDichotomyCodes", s_.dichvars, s_.ndichvars, s_.ndichcodes,
                 s_.dichcodes);
      s_.codeselected = true;
    }
    if (Applies("NonsequentialMultipleDichotomyCodes")) {
      ApplyCodes("NonsequentialMultipleDichotomyCodes", s_.mddichvars, s_.nmddichvars,
                 s_.nmddichcodes, s_.mddichcodes);
      s_.mdcodeselected = true;
    }
    // Read at OK only when their switch is on (PressOk); checked here for
    // the warning.
    Applies("SingleCodeForAllDichotomyVariables");
    Applies("SingleCodeForAllNonsequentialDichotomyVariables");
    if (Applies("WeightedMoments")) s_.iwgtdmn = Switch(task_, "WeightedMoments") ? 1 : 0;
    SetSwitch("UseEachCaseAsSingleElementItemsetsInASequence", s_.iSingleItemset);
    if (Applies("CombineFixedNumberOfItemsetsIntoOneItemset") &&
        Switch(task_, "CombineFixedNumberOfItemsetsIntoOneItemset")) {
      s_.CombineItemsetMode = 0;
    }
    if (Applies("CombineItemsetsInFixedLengthOfTimeIntoOneItemset") &&
        Switch(task_, "CombineItemsetsInFixedLengthOfTimeIntoOneItemset")) {
      s_.CombineItemsetMode = 1;
    }
    SetSwitch("UseMinimumAndMaximumTimeFilter", s_.iMinMaxFilter);
    SetSwitch("UseTaxonomies", s_.taxon);
    SetSwitch("ReplaceOriginalItemsWithTaxonomies", s_.removeorg);
    SetSwitch("StandardSupport", s_.StandardSupport);
    for (const KeySpec& keyInfo : kKeySpecs) {
      if (keyInfo.kind == KeyKind::kNumber && Applies(keyInfo.name)) {
        fields_[kFieldKeys.at(keyInfo.name)] = NumberField(Number(task_, keyInfo.name));
      }
    }
    WarnAboutDefaults();
    if (Has("SelectedItems")) {
      result.hasSelectedItems = true;
      result.selectedItems = Text(task_, "SelectedItems");
    }
    result.saveAsPmml = PmmlFileName("SaveAsPMML");
    result.saveAsPmml44 = PmmlFileName("SaveAsPMML44");
    if (Has("QueryStringForRules")) result.queryString = Text(task_, "QueryStringForRules");
    PressOk();
  }

  // Makes the applied task the engine's and shows the warnings about keys
  // without effect; called only when Apply succeeded, so a failing task
  // leaves the engine as it was (and warns about nothing).
  void Commit() {
    seq_.engine()->settings = s_;
    seq_.projectDb().SetPath(path_);
    for (const std::string& warning : warnings_) seq_.ShowWarning(warning);
  }

 private:
  bool Has(const std::string& key) const { return task_.contains(key); }

  void CheckKeysAndTypes() const {
    for (const auto& [key, value] : task_.items()) {
      const auto keyInfo = std::find_if(kKeySpecs.begin(), kKeySpecs.end(),
                                     [&key = key](const KeySpec& k) { return key == k.name; });
      if (keyInfo == kKeySpecs.end()) Fail("unknown task property \"" + key + "\"");
      switch (keyInfo->kind) {
        case KeyKind::kSwitch: Switch(task_, key); break;
        case KeyKind::kNumber: Number(task_, key); break;
        case KeyKind::kText: Text(task_, key); break;
        case KeyKind::kOther: break;
      }
    }
  }

  // True when the task has `key` and the key takes effect with the settings
  // as applied so far; a key without effect is noted for a warning.
  bool Applies(const std::string& key) {
    if (!Has(key)) return false;
    const std::optional<std::string> reason = WhyTaskKeyHasNoEffect(key, s_);
    if (!reason) return true;
    warnings_.push_back(NoEffectWarning(key, *reason));
    return false;
  }

  // An update starts from the task the project was last run with: the keys
  // the task names change it, the others keep the stored values.
  void StartFromStoredTask() {
    try {
      if (std::optional<AnalysisSettings> stored = StoredTaskSettings(path_, s_)) s_ = *stored;
    } catch (const ModuleError& e) {
      Fail(e.what());
    }
  }

  // Choices a task made by leaving something out, each easy to miss: the
  // analysis kind (sequence analysis is the default), a sequence analysis
  // ordered by the cases' order, transactions of one case each.
  void WarnAboutDefaults() {
    const bool taskFromProject =
        s_.projectMode == 1 && (s_.existingProjectAction == 1 || s_.existingProjectAction == 2);
    if (taskFromProject || !Has("Variables")) return;
    if (!Has("GenerateNonsequentialAssociation")) {
      warnings_.push_back(
          "the task does not set \"GenerateNonsequentialAssociation\": this is a sequence "
          "analysis (the default); set it to 1 for association rules, 0 to say so");
    }
    if (!s_.noseq && s_.ntidvar == 0 && !s_.iSingleItemset) {
      warnings_.push_back(
          "a sequence analysis without a time variable (\"Variables\": \"time\"): the order "
          "of the cases is the time");
    }
    if (s_.noseq && s_.nsidvar == 0 && s_.nresvars > 0) {
      warnings_.push_back(
          "no ID variable (\"Variables\": \"id\"): every case is a transaction of its own");
    }
  }

  // A PMML file name of the task; an empty one is refused (10066).
  std::optional<std::string> PmmlFileName(const std::string& key) const {
    if (!Has(key)) return std::nullopt;
    std::string name = Text(task_, key);
    if (name.empty()) Fail(KeyMessage(key, Message(msg::kImproperPmmlName)));
    return name;
  }

  void SetSwitch(const std::string& key, std::int32_t& target) {
    if (Applies(key)) target = Switch(task_, key) ? 1 : 0;
  }

  // The non-sequential switch forgets the variable selection (and, when it
  // turns on, the non-sequential selection as well).
  void ToggleNonsequential() {
    s_.noseq = s_.noseq ? 0 : 1;
    s_.nresvars = s_.ndichvars = s_.ncontvars = s_.nsidvar = s_.ntidvar = 0;
    s_.codeselected = false;
    std::fill(s_.ndichcodes.begin(), s_.ndichcodes.end(), 0);
    s_.dichcodes.clear();
    if (s_.noseq) {
      s_.nmdresvars = s_.nmddichvars = s_.nmdcontvars = 0;
      s_.mdcodeselected = false;
      std::fill(s_.nmddichcodes.begin(), s_.nmddichcodes.end(), 0);
      s_.mddichcodes.clear();
    }
  }

  int Variable(const std::string& key, const json& v) const {
    if (!v.is_string()) Fail("\"" + key + "\" must name variables as texts");
    auto it = varByName_.find(v.get<std::string>());
    if (it == varByName_.end()) {
      Fail("\"" + key + "\": no variable named \"" + v.get<std::string>() + "\" in the data");
    }
    return it->second;
  }

  std::vector<std::int16_t> VariableList(const json& obj, const std::string& key,
                                         const std::string& member) const {
    std::vector<std::int16_t> out;
    if (!obj.contains(member) || obj.at(member).is_null()) return out;
    const json& list = obj.at(member);
    const std::string where = key + "." + member;
    if (list.is_string()) {
      out.push_back(static_cast<std::int16_t>(Variable(where, list)));
      return out;
    }
    if (!list.is_array()) Fail("\"" + where + "\" must be a list of variable names");
    for (const json& v : list) out.push_back(static_cast<std::int16_t>(Variable(where, v)));
    return out;
  }

  static void Store(std::vector<std::int16_t>& list, std::int16_t& count,
                    const std::vector<std::int16_t>& chosen) {
    if (list.size() < chosen.size()) list.resize(chosen.size(), 0);
    std::copy(chosen.begin(), chosen.end(), list.begin());
    count = static_cast<std::int16_t>(chosen.size());
  }

  void CheckMembers(const json& obj, const std::string& key, const std::set<std::string>& allowed) {
    if (!obj.is_object()) Fail("\"" + key + "\" must be an object");
    for (const auto& [member, value] : obj.items()) {
      if (!allowed.count(member)) {
        Fail("\"" + key + "\": unknown member \"" + member + "\"");
      }
    }
  }

  void ApplyVariables() {
    const json& obj = task_.at("Variables");
    std::set<std::string> allowed = {"id", "responses", "dichotomies", "continuous"};
    if (!s_.noseq) allowed.insert("time");
    CheckMembers(obj, "Variables", allowed);
    const auto ids = VariableList(obj, "Variables", "id");
    const auto times = VariableList(obj, "Variables", "time");
    const auto res = VariableList(obj, "Variables", "responses");
    const auto dich = VariableList(obj, "Variables", "dichotomies");
    const auto cont = VariableList(obj, "Variables", "continuous");
    if (ids.size() > 1 || times.size() > 1) {
      Fail("\"Variables\": at most one ID and one time variable");
    }
    if (!s_.noseq && ids.empty()) Fail("\"Variables\": sequence analysis needs an \"id\" variable");
    // The acceptance rule of the variable selection.
    const bool accepted = ids.empty() ? (dich.size() + cont.size() >= 2 || !res.empty())
                                      : (!res.empty() || !dich.empty() || !cont.empty());
    if (!accepted) {
      s_.ntidvar = s_.nsidvar = s_.nresvars = s_.ndichvars = s_.ncontvars = 0;
      Fail(KeyMessage("Variables", Message(msg::kNotEnoughVariables)));
    }
    Store(s_.sidvar, s_.nsidvar, ids);
    Store(s_.tidvar, s_.ntidvar, times);
    Store(s_.resvars, s_.nresvars, res);
    Store(s_.dichvars, s_.ndichvars, dich);
    Store(s_.contvars, s_.ncontvars, cont);
    s_.codeselected = false;
    s_.ndichcodes.assign(std::max<std::size_t>(s_.ndichcodes.size(), dich.size()), 0);
    s_.dichcodes.clear();
  }

  void ApplyNonsequentialVariables() {
    const json& obj = task_.at("NonsequentialVariables");
    CheckMembers(obj, "NonsequentialVariables", {"responses", "dichotomies", "continuous"});
    const auto res = VariableList(obj, "NonsequentialVariables", "responses");
    const auto dich = VariableList(obj, "NonsequentialVariables", "dichotomies");
    const auto cont = VariableList(obj, "NonsequentialVariables", "continuous");
    std::set<int> standard;
    auto add = [&](const std::vector<std::int16_t>& list, int n) {
      for (int i = 0; i < n; ++i) standard.insert(list[static_cast<std::size_t>(i)]);
    };
    add(s_.sidvar, s_.nsidvar);
    add(s_.tidvar, s_.ntidvar);
    add(s_.resvars, s_.nresvars);
    add(s_.dichvars, s_.ndichvars);
    add(s_.contvars, s_.ncontvars);
    for (const auto* list : {&res, &dich, &cont}) {
      for (const std::int16_t v : *list) {
        if (standard.count(v)) {
          s_.nmdresvars = s_.nmddichvars = s_.nmdcontvars = 0;
          Fail(KeyMessage("NonsequentialVariables", Message(kNonsequentialOverlap)));
        }
      }
    }
    Store(s_.mdresvars, s_.nmdresvars, res);
    Store(s_.mddichvars, s_.nmddichvars, dich);
    Store(s_.mdcontvars, s_.nmdcontvars, cont);
    s_.mdcodeselected = false;
    s_.nmddichcodes.assign(std::max<std::size_t>(s_.nmddichcodes.size(), dich.size()), 0);
    s_.mddichcodes.clear();
  }

  void ApplyCodes(const std::string& key, const std::vector<std::int16_t>& vars,
                  std::int16_t nvars, std::vector<std::int16_t>& counts,
                  std::vector<std::int32_t>& codes) {
    const json& obj = task_.at(key);
    if (!obj.is_object()) Fail("\"" + key + "\" must be an object {variable: [codes]}");
    std::vector<std::vector<std::int32_t>> chosen(static_cast<std::size_t>(nvars));
    for (const auto& [name, list] : obj.items()) {
      const int var = Variable(key, json(name));
      int index = -1;
      for (int i = 0; i < nvars; ++i) {
        if (vars[static_cast<std::size_t>(i)] == var) index = i;
      }
      if (index < 0) Fail("\"" + key + "\": \"" + name + "\" is not a dichotomy variable");
      if (!list.is_array() || list.empty() || list.size() > kMaxCodesPerVariable) {
        Fail("\"" + key + "\": \"" + name + "\" needs a list of 1 to 1000 codes");
      }
      for (const json& c : list) {
        if (!c.is_number() || c.get<double>() < -9999999 || c.get<double>() > 9999999) {
          Fail("\"" + key + "\": codes of \"" + name + "\" must be numbers from -9999999 to 9999999");
        }
        chosen[static_cast<std::size_t>(index)].push_back(
            static_cast<std::int32_t>(std::trunc(c.get<double>())));
      }
    }
    for (int i = 0; i < nvars; ++i) {
      if (chosen[static_cast<std::size_t>(i)].empty()) {
        std::string name;
        seq_.getvn5(vars[static_cast<std::size_t>(i)], name);
        Fail("\"" + key + "\" gives no codes for the dichotomy variable \"" + name + "\"");
      }
    }
    counts.assign(std::max<std::size_t>(counts.size(), static_cast<std::size_t>(nvars)), 0);
    codes.clear();
    for (int i = 0; i < nvars; ++i) {
      SetColumnCodes(counts, codes, nvars, i, chosen[static_cast<std::size_t>(i)]);
    }
  }

  void ApplyProject() {
    if (Has("DatabaseFile")) {
      path_ = Text(task_, "DatabaseFile");
      fields_[field::kDatabaseFile] = path_;
    }
    if (Has("CreateNewProject") && Switch(task_, "CreateNewProject")) s_.projectMode = 0;
    if (Has("UseExistingProject") && Switch(task_, "UseExistingProject")) s_.projectMode = 1;
    if (Applies("UpdateNewDocuments") && Switch(task_, "UpdateNewDocuments")) {
      s_.existingProjectAction = 0;
    }
    if (Applies("GoToResultsDialogWithoutAddingDocuments") &&
        Switch(task_, "GoToResultsDialogWithoutAddingDocuments")) {
      s_.existingProjectAction = 1;
    }
    if (Applies("DeployNewDocuments") && Switch(task_, "DeployNewDocuments")) {
      s_.existingProjectAction = 2;
    }
    // Checked before it may apply: an empty name is refused (10066) and
    // leaves the stored one as it was.
    const std::optional<std::string> model = PmmlFileName("LoadModels");
    if (model && Applies("LoadModels")) s_.pmmlFile = *model;
    if (Applies("VariableSelectionViaPMML")) {
      s_.variableSelectionViaPmml = Switch(task_, "VariableSelectionViaPMML");
    }
  }

  // The value of a code text in the terms of variable `var`: its label's
  // code when the variable has that label, else the text read as a whole
  // number ("0" must appear for a zero).
  std::optional<double> ConvertCodeText(int var, const std::string& text) const {
    const auto labels = seq_.doc().GetValueLabels(var);
    for (std::size_t k = 0; k < labels.size(); ++k) {
      if (labels[k] == text) return static_cast<double>(k + 1);
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (value == 0 && text.find('0') == std::string::npos) return std::nullopt;
    return static_cast<double>(value);
  }

  // The single code as text in the terms of the first variable.
  std::string SingleCodeText(const std::string& key, int firstVar) const {
    const json& v = task_.at(key);
    if (v.is_string()) return v.get<std::string>();
    if (!v.is_number()) Fail("\"" + key + "\" must be a number or a label");
    const double x = v.get<double>();
    const auto labels = seq_.doc().GetValueLabels(firstVar);
    const double k = std::trunc(x);
    if (k == x && k >= 1 && k <= static_cast<double>(labels.size())) {
      return labels[static_cast<std::size_t>(k) - 1];
    }
    std::string text = FormatString("%f", x);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
  }

  void ApplySingleCode(const std::string& key, const std::vector<std::int16_t>& vars,
                       std::int16_t nvars, std::vector<std::int16_t>& counts,
                       std::vector<std::int32_t>& codes, int missingMessage,
                       int notFoundMessage) {
    if (!Has(key)) Fail(KeyMessage(key, Message(missingMessage)));
    const std::string text = SingleCodeText(key, vars.at(0));
    std::vector<std::int32_t> values;
    for (int i = 0; i < nvars; ++i) {
      const int var = vars[static_cast<std::size_t>(i)];
      const auto value = ConvertCodeText(var, text);
      if (!value) {
        std::string name;
        seq_.getvn5(var, name);
        Fail(KeyMessage(key, FormatString(Message(notFoundMessage).c_str(), var, text.c_str())) +
             " (\"" + name + "\")");
      }
      values.push_back(static_cast<std::int32_t>(std::trunc(*value)));
    }
    counts.assign(std::max<std::size_t>(counts.size(), static_cast<std::size_t>(nvars)), 0);
    codes.clear();
    for (int i = 0; i < nvars; ++i) {
      SetColumnCodes(counts, codes, nvars, i, {values[static_cast<std::size_t>(i)]});
    }
  }

  std::string FieldText(int id) const {
    auto it = fields_.find(id);
    if (it != fields_.end()) return it->second;
    switch (id) {
      case field::kMaxPat: return std::to_string(s_.maxpat);
      case field::kMaxHead: return std::to_string(s_.maxhead);
      case field::kMinSupp: return NumberField(s_.minsupp);
      case field::kMaxSupp: return NumberField(s_.maxsupp);
      case field::kMinConf: return NumberField(s_.minconf);
      case field::kMaxConf: return NumberField(s_.maxconf);
      case field::kNCategPco: return std::to_string(s_.ncategpco);
      case field::kMaxSequenceSize: return std::to_string(s_.MaxSequenceSize);
      case field::kFixedNumItemsets: return std::to_string(s_.FixedNumItemsets);
      case field::kFixedTimeLength: return NumberField(s_.FixedTimeLength);
      case field::kMinTime: return NumberField(s_.MinTime);
      case field::kMaxTime: return NumberField(s_.MaxTime);
      case field::kDatabaseFile: return path_;
      default: return {};
    }
  }

  // The checks OK makes before a run.
  void PressOk() {
    const bool taskFromProject =
        s_.projectMode == 1 && (s_.existingProjectAction == 1 || s_.existingProjectAction == 2);
    if (taskFromProject) return;
    if (s_.nresvars + s_.ndichvars + s_.ncontvars == 0) {
      Fail(KeyMessage("Variables", "Variable selection not valid."));
    }
    if (s_.ndichvars > 0 && !s_.onedichcode && !s_.codeselected) {
      Fail("\"MultipleDichotomyCodes\" must give the codes of the dichotomy variables (or use "
           "\"UseSingleCodeForAllDichotomyVariables\")");
    }
    if (s_.ndichvars > 0 && s_.onedichcode) {
      ApplySingleCode("SingleCodeForAllDichotomyVariables", s_.dichvars, s_.ndichvars,
                      s_.ndichcodes, s_.dichcodes, 10132, 10133);
    }
    if (s_.nmddichvars > 0 && !s_.mdonedichcode && !s_.mdcodeselected) {
      Fail("\"NonsequentialMultipleDichotomyCodes\" must give the codes of the non-sequential "
           "dichotomy variables (or use \"UseSingleCodeForAllNonsequentialDichotomyVariables\")");
    }
    if (s_.nmddichvars > 0 && s_.mdonedichcode) {
      ApplySingleCode("SingleCodeForAllNonsequentialDichotomyVariables", s_.mddichvars,
                      s_.nmddichvars, s_.nmddichcodes, s_.mddichcodes, 10134, 10135);
    }
    const SettingsCheck check =
        ValidateAndStoreSettings(s_, [this](int id) { return FieldText(id); }, path_);
    if (!check.ok()) {
      Fail(KeyMessage(FieldKey(check.field), Message(check.message)) + " (" + check.range + ")");
    }
  }

  CSequence& seq_;
  AnalysisSettings s_;   // a working copy, committed on success
  std::string path_;     // the project path, likewise
  const json& task_;
  std::map<std::string, int> varByName_;
  std::map<int, std::string> fields_;
  std::vector<std::string> warnings_;  // keys without effect, shown on Commit
};

}  // namespace

const std::vector<std::string>& TaskScriptKeys() { return kKeys; }

bool ApplyTaskScript(CSequence& sequence, const std::string& taskJson, TaskScriptResult& result) {
  result = TaskScriptResult{};
  if (!sequence.engine()) {
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
  try {
    TaskApplier applier(sequence, task);
    applier.Apply(result);
    applier.Commit();
    return true;
  } catch (const TaskError& e) {
    result.error = e.text;
  } catch (const json::exception& e) {
    result.error = e.what();
  }
  return false;
}

}  // namespace linkan
