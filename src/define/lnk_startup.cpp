// lnk_startup.cpp
#include "define/lnk_startup.h"

#include <map>
#include <set>

#include "define/define_task.h"
#include "define/define_task_controls.h"
#include "define/taxonomy_file.h"
#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {

using nlohmann::json;
using namespace task_ctl;

LnkStartup::LnkStartup(CDefineTask& dialog)
    : AutomationObject("LNKStartup", "CDefineTask", dialog, kLnkStartupFirstDispatchId),
      task_(dialog) {
  DeclareMembers();
}

int LnkStartup::ControlOf(const std::string& member) const {
  auto it = controlOf_.find(member);
  return it == controlOf_.end() ? 0 : it->second;
}

void LnkStartup::DeclareSwitch(const char* name, int control, const char* help) {
  controlOf_[name] = control;
  AddProperty(
      name, "int", help, [this, control] { return json(task_.IsChecked(control) ? 1 : 0); },
      [this, control](const json& v) {
        if (AutomationSwitch(v) != task_.IsChecked(control)) task_.SendCommand(control);
      });
}

// A radio button is clicked by a put of 1; a put of 0 leaves it, as a
// click cannot clear a radio button.
void LnkStartup::DeclareRadio(const char* name, int control, const char* help) {
  controlOf_[name] = control;
  AddProperty(
      name, "int", help, [this, control] { return json(task_.IsChecked(control) ? 1 : 0); },
      [this, control](const json& v) {
        if (AutomationSwitch(v) && !task_.IsChecked(control)) task_.SendCommand(control);
      });
}

// An edit field: a number is typed as the shortest text that reads back
// to it; a text as it stands. A get answers a number when the text is one.
void LnkStartup::DeclareField(const char* name, int control, const char* type, const char* help) {
  controlOf_[name] = control;
  AddProperty(
      name, type, help,
      [this, control] {
        const std::string text = task_.GetControlText(control);
        double x = 0.0;
        if (ParseNumber(text, x)) return json(x);
        return json(text);
      },
      [this, control](const json& v) {
        if (v.is_number()) {
          task_.SetControlText(control, PlainNumberText(v.get<double>()));
        } else {
          task_.SetControlText(control, AutomationText(v));
        }
      });
}

// A single code field: a number or a text label, read back as its text.
void LnkStartup::DeclareSingleCode(const char* name, int control, const char* help) {
  controlOf_[name] = control;
  AddProperty(
      name, "variant", help, [this, control] { return json(task_.GetControlText(control)); },
      [this, control](const json& v) {
        task_.SetControlText(control,
                             v.is_number() ? PlainNumberText(v.get<double>()) : AutomationText(v));
      });
}

void LnkStartup::DeclareMembers() {
  // The members that are not declared through a control's helper.
  controlOf_ = {{"Variables", kVariables},
                {"MultipleDichotomyCodes", kCodes},
                {"NonsequentialVariables", kNsVariables},
                {"NonsequentialMultipleDichotomyCodes", kNsCodes},
                {"AssignTaxonomyVariables", kAssignTaxonomy},
                {"DatabaseFile", kDatabaseEdit}};
  DeclareSwitch("WeightedMoments", kWeightedMoments, "Weighted moments (fractional weights)");
  DeclareSwitch("GenerateNonsequentialAssociation", kNonsequential,
                "Generate non-sequential association rules");
  AddProperty(
      "Variables", "variant", "Variables for the analyses", [this] { return GetVariables(); },
      [this](const json& v) { PutVariables(v); });
  DeclareSwitch("UseSingleCodeForAllDichotomyVariables", kSingleCode,
                "Use single code for all dichotomy variables");
  DeclareSingleCode("SingleCodeForAllDichotomyVariables", kSingleCodeEdit,
                    "Single code for all multiple dichotomy (or categorical) variables");
  AddProperty(
      "MultipleDichotomyCodes", "variant", "Codes for multiple dichotomy (or categorical) variables",
      [this] { return GetCodes(false); }, [this](const json& v) { PutCodes(false, v); });
  AddProperty(
      "NonsequentialVariables", "variant",
      "Non-sequential variables for the analyses (for which non-sequential association rules will "
      "be extracted)",
      [this] { return GetNonsequentialVariables(); },
      [this](const json& v) { PutNonsequentialVariables(v); });
  DeclareSwitch("UseSingleCodeForAllNonsequentialDichotomyVariables", kNsSingleCode,
                "Use single code for all non-sequential dichotomy variables");
  DeclareSingleCode("SingleCodeForAllNonsequentialDichotomyVariables", kNsSingleCodeEdit,
                    "Single code for all non-sequential multiple dichotomy (or categorical) variables");
  AddProperty(
      "NonsequentialMultipleDichotomyCodes", "variant",
      "Codes for non-sequential multiple dichotomy (or categorical) variables",
      [this] { return GetCodes(true); }, [this](const json& v) { PutCodes(true, v); });
  DeclareField("MaxSizeOfItemset", kMaxItemset, "int", "Maximum size of itemset");
  DeclareField("MaxSizeOfItemsetsInHead", kMaxHead, "int", "Maximum size of items in head");
  DeclareField("MinimumSupport", kMinSupport, "double", "Value for minimum support");
  DeclareField("MinimumConfidence", kMinConfidence, "double", "Value for minimum confidence");
  DeclareField("NumberOfCutsForContinuousVariable", kCuts, "int",
               "Number of cuts (partitions) for continuous variable");
  DeclareRadio("CombineItemsetsInFixedLengthOfTimeIntoOneItemset", kByTime,
               "Combine consecutive itemsets within fixed length of time into one itemset");
  DeclareRadio("CombineFixedNumberOfItemsetsIntoOneItemset", kByNumber,
               "Combine fixed number of consecutive itemsets into one itemset");
  DeclareField("MaximumNumberOfItemsetsInASequence", kMaxSequenceSize, "int",
               "Maximum number of itemsets in a sequence");
  DeclareField("FixedNumberOfItemsetsForCombiningIntoOneItemset", kFixedNumber, "int",
               "Fixed number of consecutive itemsets for combining into one itemset");
  DeclareSwitch("UseEachCaseAsSingleElementItemsetsInASequence", kSingleItemsets,
                "Use each case of data as single-element itemsets in a sequence");
  DeclareField("FixedLengthOfTimeForCombiningIntoOneItemset", kFixedTime, "double",
               "Value of fixed length of time for combining items into single itemset");
  DeclareSwitch("UseMinimumAndMaximumTimeFilter", kTimeFilter,
                "Use minimum and maximum time filter");
  DeclareField("MinimumTime", kMinTime, "double",
               "Value for minimum time (minimum time-span in a sequence)");
  DeclareField("MaximumTime", kMaxTime, "double",
               "Value for maximum time (maximum time-span in a sequence)");
  DeclareSwitch("UseTaxonomies", kTaxonomies,
                "Use taxonomies for hierarchical association analysis");
  AddProperty(
      "DataFileNameForTaxonomy", "text", "Data input file name for taxonomy",
      [this] { return json(task_.sequence().taxonomyFile); },
      [this](const json& v) {
        const std::string name = AutomationText(v);
        if (name.size() > kMaxPathLength) {
          throw AutomationFailure("the taxonomy file name is too long");
        }
        SetTaxonomyFile(task_.sequence(), name);
        task_.RefreshControls(false);
      });
  AddMethod("AssignTaxonomyVariables", "Assign taxonomy variables", [this] {
    if (!task_.SendCommand(kAssignTaxonomy)) {
      throw AutomationFailure("taxonomy variables cannot be assigned");
    }
  });
  DeclareSwitch("ReplaceOriginalItemsWithTaxonomies", kRemoveOriginal,
                "Remove original item labels when taxonomies are applied");
  AddProperty(
      "DatabaseFile", "variant", "Database file",
      [this] { return json(task_.sequence().projectDb().Path()); },
      [this](const json& v) {
        if (v.is_string()) {
          task_.SetDatabasePath(v.get<std::string>());
        } else {
          task_.SetControlText(kDatabaseEdit, task_.sequence().projectDb().Path());
        }
      });
  DeclareRadio("CreateNewProject", kNewProject, "Create new project");
  DeclareRadio("UseExistingProject", kExistingProject, "Use existing project");
  DeclareRadio("UpdateNewDocuments", kUpdate, "Update new documents");
  DeclareRadio("DeployNewDocuments", kRecommend, "Deploy or score new documents");
  DeclareRadio("GoToResultsDialogWithoutAddingDocuments", kGoToResults,
               "Go to results dialog without adding documents (review previously results/index)");
  DeclareSwitch("VariableSelectionViaPMML", kPmmlVariableSelection, "Variable Selection via PMML");
  AddProperty(
      "LoadModels", "variant", "Load models", [this] { return json(task_.settings().pmmlFile); },
      [this](const json& v) {
        if (!v.is_string() || v.get<std::string>().empty()) {
          throw AutomationFailure(std::string(LookupString(msg::kImproperPmmlName)));
        }
        task_.SetPmmlFile(v.get<std::string>());
      });
  DeclareField("MaximumSupport", kMaxSupport, "double", "Value for maximum support");
  DeclareField("MaximumConfidence", kMaxConfidence, "double", "Value for maximum confidence");
  // Our extension: standard support (every sequence that contains a
  // pattern counts), kept beside the project record.
  AddProperty(
      "StandardSupport", "int", "Count every sequence that contains a pattern (standard support)",
      [this] { return json(task_.settings().StandardSupport); },
      [this](const json& v) { task_.settings().StandardSupport = AutomationSwitch(v) ? 1 : 0; });
}

// ---- Variables -----------------------------------------------------------------------------

std::string LnkStartup::VariableName(int var) const {
  std::string name;
  task_.sequence().getvn5(var, name);
  return task_.sequence().Replace8CharGrow(name);
}

int LnkStartup::VariableNumber(const std::string& where, const json& name) const {
  if (!name.is_string()) {
    throw AutomationFailure("\"" + where + "\" must name variables as texts",
                            kAutomationTypeMismatch);
  }
  const std::string wanted = name.get<std::string>();
  const CSequence& seq = task_.sequence();
  for (int v = 1; v <= seq.GetNbVars(); ++v) {
    if (VariableName(v) == wanted) return v;
  }
  throw AutomationFailure("\"" + where + "\": no variable named \"" + wanted + "\" in the data");
}

std::vector<int> LnkStartup::VariableList(const json& object, const std::string& key,
                                          const char* member) const {
  std::vector<int> out;
  if (!object.contains(member) || object.at(member).is_null()) return out;
  const json& list = object.at(member);
  const std::string where = key + "." + member;
  if (list.is_string()) return {VariableNumber(where, list)};
  if (!list.is_array()) {
    throw AutomationFailure("\"" + where + "\" must be a list of variable names",
                            kAutomationTypeMismatch);
  }
  for (const json& v : list) out.push_back(VariableNumber(where, v));
  return out;
}

namespace {

void CheckMembers(const json& object, const std::string& key,
                  const std::set<std::string>& allowed) {
  if (!object.is_object()) {
    throw AutomationFailure("\"" + key + "\" must be an object", kAutomationTypeMismatch);
  }
  for (const auto& [member, value] : object.items()) {
    if (!allowed.count(member)) {
      throw AutomationFailure("\"" + key + "\": unknown member \"" + member + "\"");
    }
  }
}

}  // namespace

json LnkStartup::GetVariables() const {
  const AnalysisSettings& s = task_.settings();
  json out = json::object();
  auto names = [this](const std::vector<std::int16_t>& list, int n) {
    json a = json::array();
    for (int i = 0; i < n; ++i) a.push_back(VariableName(list[static_cast<std::size_t>(i)]));
    return a;
  };
  if (s.nsidvar > 0) out["id"] = VariableName(s.sidvar.at(0));
  if (s.noseq == 0 && s.ntidvar > 0) out["time"] = VariableName(s.tidvar.at(0));
  if (s.nresvars > 0) out["responses"] = names(s.resvars, s.nresvars);
  if (s.ndichvars > 0) out["dichotomies"] = names(s.dichvars, s.ndichvars);
  if (s.ncontvars > 0) out["continuous"] = names(s.contvars, s.ncontvars);
  return out;
}

// The host's variable dialog takes at most one ID and one time variable,
// and a sequence analysis needs its ID; the module's acceptance rule then
// decides (10035).
void LnkStartup::PutVariables(const json& value) {
  std::set<std::string> allowed = {"id", "responses", "dichotomies", "continuous"};
  const bool sequence = task_.settings().noseq == 0;
  if (sequence) allowed.insert("time");
  CheckMembers(value, "Variables", allowed);
  VariableSelection chosen;
  chosen.id = VariableList(value, "Variables", "id");
  chosen.time = VariableList(value, "Variables", "time");
  chosen.responses = VariableList(value, "Variables", "responses");
  chosen.dichotomies = VariableList(value, "Variables", "dichotomies");
  chosen.continuous = VariableList(value, "Variables", "continuous");
  if (chosen.id.size() > 1 || chosen.time.size() > 1) {
    throw AutomationFailure("at most one ID and one time variable");
  }
  if (sequence && chosen.id.empty()) {
    throw AutomationFailure("sequence analysis needs an \"id\" variable");
  }
  task_.AcceptVariables(chosen);
}

json LnkStartup::GetNonsequentialVariables() const {
  const AnalysisSettings& s = task_.settings();
  json out = json::object();
  auto add = [&](const char* key, const std::vector<std::int16_t>& list, int n) {
    if (n <= 0) return;
    json a = json::array();
    for (int i = 0; i < n; ++i) a.push_back(VariableName(list[static_cast<std::size_t>(i)]));
    out[key] = a;
  };
  add("responses", s.mdresvars, s.nmdresvars);
  add("dichotomies", s.mddichvars, s.nmddichvars);
  add("continuous", s.mdcontvars, s.nmdcontvars);
  return out;
}

void LnkStartup::PutNonsequentialVariables(const json& value) {
  CheckMembers(value, "NonsequentialVariables", {"responses", "dichotomies", "continuous"});
  task_.AcceptNonsequentialVariables(
      {VariableList(value, "NonsequentialVariables", "responses"),
       VariableList(value, "NonsequentialVariables", "dichotomies"),
       VariableList(value, "NonsequentialVariables", "continuous")});
}

json LnkStartup::GetCodes(bool nonsequential) const {
  const AnalysisSettings& s = task_.settings();
  const bool selected = nonsequential ? s.mdcodeselected : s.codeselected;
  const int n = nonsequential ? s.nmddichvars : s.ndichvars;
  const auto& vars = nonsequential ? s.mddichvars : s.dichvars;
  const auto& counts = nonsequential ? s.nmddichcodes : s.ndichcodes;
  const auto& codes = nonsequential ? s.mddichcodes : s.dichcodes;
  json out = json::object();
  if (!selected) return out;
  for (int i = 0; i < n; ++i) {
    json list = json::array();
    const int count = i < static_cast<int>(counts.size()) ? counts[static_cast<std::size_t>(i)] : 0;
    for (int j = 0; j < count; ++j) list.push_back(ColumnCode(codes, n, i, j));
    out[VariableName(vars[static_cast<std::size_t>(i)])] = list;
  }
  return out;
}

void LnkStartup::PutCodes(bool nonsequential, const json& value) {
  const std::string key =
      nonsequential ? "NonsequentialMultipleDichotomyCodes" : "MultipleDichotomyCodes";
  if (!value.is_object()) {
    throw AutomationFailure("must be an object {variable: [codes]}", kAutomationTypeMismatch);
  }
  const AnalysisSettings& s = task_.settings();
  const int n = nonsequential ? s.nmddichvars : s.ndichvars;
  const auto& vars = nonsequential ? s.mddichvars : s.dichvars;
  std::vector<std::vector<std::int32_t>> chosen(static_cast<std::size_t>(std::max(n, 0)));
  for (const auto& [name, list] : value.items()) {
    const int var = VariableNumber(key, json(name));
    int index = -1;
    for (int i = 0; i < n; ++i) {
      if (vars[static_cast<std::size_t>(i)] == var) index = i;
    }
    if (index < 0) throw AutomationFailure("\"" + name + "\" is not a dichotomy variable");
    if (!list.is_array() || list.empty() || list.size() > kMaxCodesPerVariable) {
      throw AutomationFailure("\"" + name + "\" needs a list of 1 to 1000 codes");
    }
    for (const json& c : list) {
      if (!c.is_number() || c.get<double>() < -9999999 || c.get<double>() > 9999999) {
        throw AutomationFailure("codes of \"" + name +
                                "\" must be numbers from -9999999 to 9999999");
      }
      chosen[static_cast<std::size_t>(index)].push_back(
          static_cast<std::int32_t>(std::trunc(c.get<double>())));
    }
  }
  for (int i = 0; i < n; ++i) {
    if (chosen[static_cast<std::size_t>(i)].empty()) {
      throw AutomationFailure("\"" + key + "\" gives no codes for the dichotomy variable \"" +
                              VariableName(vars[static_cast<std::size_t>(i)]) + "\"");
    }
  }
  task_.SetDichotomyCodes(nonsequential, chosen);
}

}  // namespace linkan
