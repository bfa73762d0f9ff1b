// define_task.cpp
#include "define/define_task.h"

#include <algorithm>
#include <set>

#include "define/code_text.h"
#include "define/define_task_controls.h"
#include "define/lnk_startup.h"
#include "define/taxonomy_file.h"
#include "define/taxonomy_roles.h"
#include "engine/driver/run_analysis.h"
#include "engine/sal_engine.h"
#include "frame/host/automation_object.h"
#include "frame/sequence.h"
#include "pmml/model_import.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {

using namespace task_ctl;

namespace {

constexpr int kNsOverlap = 10161;
constexpr int kSingleItemsetsNote = 10175;

// "the NAME file name is too long (N characters; at most M)".
std::string TooLongName(const char* what, const std::string& path) {
  return std::string("the ") + what + " file name is too long (" + std::to_string(path.size()) +
         " characters; at most " + std::to_string(kMaxPathLength) + ")";
}

// The file-name part of a path (after the last "\" or "/").
std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<int> Head(const std::vector<std::int16_t>& list, int count) {
  return {list.begin(), list.begin() + std::min<std::size_t>(list.size(), std::max(count, 0))};
}

void Store(std::vector<std::int16_t>& list, std::int16_t& count, const std::vector<int>& chosen) {
  if (list.size() < chosen.size()) list.resize(chosen.size(), 0);
  std::copy(chosen.begin(), chosen.end(), list.begin());
  count = static_cast<std::int16_t>(chosen.size());
}

}  // namespace

CDefineTask::CDefineTask(CSequence& sequence)
    : CSequenceModelessDialog(sequence, kDefineTaskDialogId),
      automation_(std::make_unique<LnkStartup>(*this)) {
  AddDefineTaskControls(*this);
}

CDefineTask::~CDefineTask() = default;

LnkStartup& CDefineTask::automation() { return *automation_; }

AnalysisSettings& CDefineTask::settings() const { return engine()->settings; }

bool CDefineTask::UnderAutomation() const {
  return DrivenByAutomation() || sequence().IsOleAutomation();
}

void CDefineTask::OnEngineReplaced() {
  RefreshEngine();
  if (engine()) RefreshControls(true);
}

bool CDefineTask::OnInitDialog() {
  if (!engine()) return false;
  DialogControl* tabs = FindControl(kTabs);
  tabs->number = 0;
  RefreshControls(true);
  return true;
}

std::vector<int> CDefineTask::ShownPages() const {
  std::vector<int> pages;
  for (int page = 0; page < kTaskPageCount; ++page) {
    const bool sequenceOnly = page == kSequencePage || page == kNonsequentialPage;
    if (!sequenceOnly || settings().noseq == 0) pages.push_back(page);
  }
  return pages;
}

std::vector<std::string> CDefineTask::ValueFieldLabels(int controlId) const {
  const AnalysisSettings& s = settings();
  const bool ns = controlId == kNsSingleCodeEdit;
  const int count = ns ? s.nmddichvars : s.ndichvars;
  if (count <= 0) return {};
  return sequence().doc().GetValueLabels(ns ? s.mddichvars.at(0) : s.dichvars.at(0));
}

// ---- Refreshing ------------------------------------------------------------------

void CDefineTask::RefreshControls(bool initial) {
  RefreshEnabling();
  RefreshLabels();
  if (initial) LoadFieldValues();
  const AnalysisSettings& s = settings();
  SetChecked(kNonsequential, s.noseq == 1);
  SetChecked(kTaxonomies, s.taxon == 1);
  SetChecked(kRemoveOriginal, s.removeorg == 1);
  SetChecked(kSingleCode, s.onedichcode == 1);
  SetChecked(kNsSingleCode, s.mdonedichcode == 1);
  SetChecked(kTimeFilter, s.iMinMaxFilter == 1);
  SetChecked(kSingleItemsets, s.iSingleItemset == 1);
  SetChecked(kByNumber, s.CombineItemsetMode == 0);
  SetChecked(kByTime, s.CombineItemsetMode == 1);
  SetChecked(kNewProject, s.projectMode == 0);
  SetChecked(kExistingProject, s.projectMode == 1);
  SetChecked(kUpdate, s.existingProjectAction == 0);
  SetChecked(kGoToResults, s.existingProjectAction == 1);
  SetChecked(kRecommend, s.existingProjectAction == 2);
  SetChecked(kPmmlVariableSelection, s.variableSelectionViaPmml);
  SetChecked(kWeightedMoments, s.iwgtdmn != 0);
  SetChecked(kWeightOption0, s.i_wwww == 0);
  SetChecked(kWeightOption1, s.i_wwww == 1);
  std::vector<int> sequencePageControls;
  for (const auto& [id, control] : controls()) {
    if (control.page == kSequencePage || control.page == kNonsequentialPage) {
      sequencePageControls.push_back(id);
    }
  }
  for (const int id : sequencePageControls) FindControl(id)->visible = s.noseq == 0;
}

void CDefineTask::RefreshEnabling() {
  const AnalysisSettings& s = settings();
  auto enable = [this](std::initializer_list<int> ids, bool on) {
    for (const int id : ids) EnableControl(id, on);
  };
  for (const auto& [id, control] : controls()) {
    if (control.page >= 0 && control.page <= kNonsequentialPage) EnableControl(id, true);
  }
  const bool dich = s.ndichvars > 0, nsDich = s.nmddichvars > 0;
  enable({kCodes, kCodesLabel}, dich && s.onedichcode == 0);
  enable({kSingleCode}, dich);
  enable({kSingleCodeEdit}, dich && s.onedichcode != 0);
  enable({kNsCodes, kNsCodesLabel}, nsDich && s.mdonedichcode == 0);
  enable({kNsSingleCode}, nsDich);
  enable({kNsSingleCodeEdit}, nsDich && s.mdonedichcode != 0);
  enable({kNsVariables}, s.nresvars + s.ndichvars + s.ncontvars > 0);
  enable({kTaxonomyFile, kTaxonomyFileLabel, kAssignTaxonomy, kRemoveOriginal}, s.taxon == 1);
  const bool sequenceAnalysis = s.noseq == 0;
  const bool timed = sequenceAnalysis && s.ntidvar > 0 && s.iSingleItemset == 0;
  enable({kTimeCaption, kTimeLabel, kSingleItemsets}, sequenceAnalysis);
  enable({kTimeFilter}, sequenceAnalysis && s.ntidvar >= 1 && s.iSingleItemset == 0);
  enable({kCuts, kCutsLabel}, s.ncontvars > 0);
  enable({kMaxSequenceSizeLabel, kMaxSequenceSize, kByNumber}, sequenceAnalysis);
  enable({kMinTime, kMinTimeLabel, kMaxTimeLabel, kMaxTime}, timed && s.iMinMaxFilter != 0);
  enable({kFixedTime}, timed && s.CombineItemsetMode == 1);
  enable({kFixedNumber}, sequenceAnalysis && s.CombineItemsetMode == 0);
  enable({kByTime}, timed);
  // Project.
  const bool existing = s.projectMode == 1;
  enable({kUpdate, kGoToResults, kRecommend}, existing);
  enable({kPmmlButton, kPmmlLabel, kPmmlVariableSelection},
         existing && s.existingProjectAction == 2);
  // A task the project defines: nothing of it can be changed here, except
  // the maxima that filter the stored results.
  if (existing && (s.existingProjectAction == 1 || s.existingProjectAction == 2)) {
    for (const auto& [id, control] : controls()) {
      if (control.page >= 0 && control.page <= kNonsequentialPage) EnableControl(id, false);
    }
    if (s.existingProjectAction == 1) {
      enable({kMaxSupport, kMaxConfidence, 1220, 1221, 1223, 1224}, true);
    }
  }
  // The host's Options menu entries for weights.
  const bool weight = sequence().HasDocument() && sequence().doc().HasWeightVariable();
  enable({kWeightedMoments}, weight);
  enable({kWeightOptions, kWeightOption0, kWeightOption1}, weight && s.iwgtdmn != 0);
}

void CDefineTask::RefreshLabels() {
  const AnalysisSettings& s = settings();
  const std::string none = GetResourceString(msg::kNone);
  auto names = [&](const std::vector<std::int16_t>& list, int count) {
    std::string text;
    for (const int var : Head(list, count)) {
      std::string name;
      sequence().getvn5(var, name);
      text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? none : text;
  };
  SetControlText(kIdLabel, names(s.sidvar, s.nsidvar));
  SetControlText(kTimeLabel, names(s.tidvar, s.ntidvar));
  SetControlText(kResponsesLabel, names(s.resvars, s.nresvars));
  SetControlText(kDichotomiesLabel, names(s.dichvars, s.ndichvars));
  SetControlText(kContinuousLabel, names(s.contvars, s.ncontvars));
  SetControlText(kNsResponsesLabel, names(s.mdresvars, s.nmdresvars));
  SetControlText(kNsDichotomiesLabel, names(s.mddichvars, s.nmddichvars));
  SetControlText(kNsContinuousLabel, names(s.mdcontvars, s.nmdcontvars));
  const std::string selected = GetResourceString(msg::kSelected);
  SetControlText(kCodesLabel, s.codeselected ? selected : none);
  SetControlText(kNsCodesLabel, s.mdcodeselected ? selected : none);
  if (s.existingProjectAction == 2) {
    SetControlText(kPmmlLabel,
                   s.pmmlFile.size() >= 3 ? FileNamePart(s.pmmlFile) : GetResourceString(10162));
  } else {
    SetControlText(kPmmlLabel, "");
  }
  const std::string& taxonomy = sequence().taxonomyFile;
  SetControlText(kTaxonomyFileLabel,
                 taxonomy.empty() ? GetResourceString(10163) : FileNamePart(taxonomy));
}

// The fields show the settings' values exactly (the shortest text that
// reads back); `precision` tells a front end to show four decimals.
void CDefineTask::LoadFieldValues() {
  const AnalysisSettings& s = settings();
  auto number = [this](int id, double value) { SetControlText(id, PlainNumberText(value)); };
  number(kMaxItemset, s.maxpat);
  number(kMaxHead, s.maxhead);
  number(kMinSupport, s.minsupp);
  number(kMinConfidence, s.minconf);
  number(kMaxSupport, s.maxsupp);
  number(kMaxConfidence, s.maxconf);
  number(kCuts, s.ncategpco);
  number(kMaxSequenceSize, s.MaxSequenceSize);
  number(kFixedNumber, s.FixedNumItemsets);
  number(kFixedTime, s.FixedTimeLength);
  number(kMinTime, s.MinTime);
  number(kMaxTime, s.MaxTime);
  SetControlText(kDatabaseEdit, sequence().projectDb().Path());
  auto singleCode = [this](int id, bool on, int nvars, const std::vector<std::int16_t>& counts,
                           std::int32_t first) {
    if (on && nvars > 0 && !counts.empty() && counts[0] == 1) {
      SetControlText(id, std::to_string(first));
    }
  };
  singleCode(kSingleCodeEdit, s.onedichcode != 0, s.ndichvars, s.ndichcodes,
             s.ndichvars > 0 && !s.dichcodes.empty() ? s.dichcodes[0] : 0);
  singleCode(kNsSingleCodeEdit, s.mdonedichcode != 0, s.nmddichvars, s.nmddichcodes,
             s.nmddichvars > 0 && !s.mddichcodes.empty() ? s.mddichcodes[0] : 0);
}

// ---- Commands ----------------------------------------------------------------------

bool CDefineTask::OnCommand(int id) {
  AnalysisSettings& s = settings();
  auto toggle = [](std::int32_t& flag) { flag = flag ? 0 : 1; };
  switch (id) {
    case kOk: OnOk(); return true;
    case kCancel: EndDialog(2); return true;
    case kNonsequential: ToggleNonsequential(); break;
    case kSingleCode: toggle(s.onedichcode); break;
    case kTaxonomies: toggle(s.taxon); break;
    case kRemoveOriginal: toggle(s.removeorg); break;
    case kNsSingleCode: toggle(s.mdonedichcode); break;
    case kTimeFilter: toggle(s.iMinMaxFilter); break;
    case kSingleItemsets:
      toggle(s.iSingleItemset);
      if (s.iSingleItemset && !UnderAutomation()) {
        sequence().dsplst(0, GetResourceString(kSingleItemsetsNote));
      }
      break;
    case kByTime: s.CombineItemsetMode = 1; break;
    case kByNumber: s.CombineItemsetMode = 0; break;
    case kNewProject: s.projectMode = 0; break;
    case kExistingProject: s.projectMode = 1; break;
    case kUpdate: s.existingProjectAction = 0; break;
    case kGoToResults: s.existingProjectAction = 1; break;
    case kRecommend: s.existingProjectAction = 2; break;
    case kPmmlVariableSelection: s.variableSelectionViaPmml = !s.variableSelectionViaPmml; break;
    case kVariables: ChooseVariables(); break;
    case kNsVariables: ChooseNonsequentialVariables(); break;
    case kCodes: ChooseCodes(false); break;
    case kNsCodes: ChooseCodes(true); break;
    case kDatabaseButton: ChooseDatabaseFile(); break;
    case kTaxonomyFile: ChooseTaxonomyFile(sequence()); break;
    case kAssignTaxonomy: AssignTaxonomies(); break;
    case kPmmlButton: ChoosePmmlFile(); break;
    case kWeightedMoments: s.iwgtdmn = s.iwgtdmn ? 0 : 1; break;
    case kWeightOption0: s.i_wwww = 0; break;
    case kWeightOption1: s.i_wwww = 1; break;
    default: return false;
  }
  RefreshControls(false);
  return true;
}

// Switching the kind of analysis forgets the variable selection and its
// codes; switching to a non-sequential analysis also the non-sequential
// variables.
void CDefineTask::ToggleNonsequential() {
  AnalysisSettings& s = settings();
  s.noseq = s.noseq ? 0 : 1;
  s.nresvars = s.ndichvars = s.ncontvars = s.nsidvar = s.ntidvar = 0;
  s.codeselected = false;
  std::fill(s.ndichcodes.begin(), s.ndichcodes.end(), 0);
  s.dichcodes.clear();
  if (s.noseq) {
    s.nmdresvars = s.nmddichvars = s.nmdcontvars = 0;
    s.mdcodeselected = false;
    std::fill(s.nmddichcodes.begin(), s.nmddichcodes.end(), 0);
    s.mddichcodes.clear();
  }
}

bool CDefineTask::Refuse(int control, const std::string& text) {
  lastFailedControl_ = control;
  if (UnderAutomation()) throw AutomationFailure(text);
  sequence().dsplst(0, text);
  return false;
}

// ---- Variable selection --------------------------------------------------------------

void CDefineTask::ChooseVariables() {
  const AnalysisSettings& s = settings();
  VariablesDialog dialog;
  const bool sequenceAnalysis = s.noseq == 0;
  if (sequenceAnalysis) {
    dialog.title = GetResourceString(10146);
    for (int id = 10147; id <= 10151; ++id) dialog.listCaptions.push_back(GetResourceString(id));
    dialog.listCodes = {7, 7, 7, 1, 2};
    dialog.maxPerList = {1, 1, 0, 0, 0};
  } else {
    dialog.title = GetResourceString(10152);
    for (int id = 10153; id <= 10156; ++id) dialog.listCaptions.push_back(GetResourceString(id));
    dialog.listCodes = {7, 7, 1, 2};
    dialog.maxPerList = {1, 0, 0, 0};
  }
  // The host's dialog opens again after a refusal until the user confirms
  // an acceptable selection or cancels.
  for (;;) {
    const AnalysisSettings& now = settings();
    dialog.lists = {Head(now.sidvar, now.nsidvar)};
    if (sequenceAnalysis) dialog.lists.push_back(Head(now.tidvar, now.ntidvar));
    dialog.lists.push_back(Head(now.resvars, now.nresvars));
    dialog.lists.push_back(Head(now.dichvars, now.ndichvars));
    dialog.lists.push_back(Head(now.contvars, now.ncontvars));
    if (!sequence().HasDocument() || !sequence().doc().ChooseVariables(dialog)) return;
    VariableSelection chosen;
    std::size_t k = 0;
    chosen.id = dialog.lists.at(k++);
    if (sequenceAnalysis) chosen.time = dialog.lists.at(k++);
    chosen.responses = dialog.lists.at(k++);
    chosen.dichotomies = dialog.lists.at(k++);
    chosen.continuous = dialog.lists.at(k++);
    if (AcceptVariables(chosen)) return;
  }
}

bool CDefineTask::AcceptVariables(const VariableSelection& chosen) {
  AnalysisSettings& s = settings();
  const std::size_t items =
      chosen.responses.size() + chosen.dichotomies.size() + chosen.continuous.size();
  const bool accepted = chosen.id.empty()
                            ? chosen.dichotomies.size() + chosen.continuous.size() >= 2 ||
                                  !chosen.responses.empty()
                            : items > 0;
  if (!accepted) {
    s.ntidvar = s.nsidvar = s.nresvars = s.ndichvars = s.ncontvars = 0;
    RefreshControls(false);
    return Refuse(kVariables, GetResourceString(msg::kNotEnoughVariables));
  }
  Store(s.sidvar, s.nsidvar, chosen.id);
  Store(s.tidvar, s.ntidvar, s.noseq ? std::vector<int>{} : chosen.time);
  Store(s.resvars, s.nresvars, chosen.responses);
  Store(s.dichvars, s.ndichvars, chosen.dichotomies);
  Store(s.contvars, s.ncontvars, chosen.continuous);
  s.codeselected = false;
  s.ndichcodes.assign(std::max<std::size_t>(s.ndichcodes.size(), chosen.dichotomies.size()), 0);
  s.dichcodes.clear();
  SetControlText(kSingleCodeEdit, "");
  RefreshControls(false);
  return true;
}

bool CDefineTask::CheckOverlap(const NonsequentialSelection& chosen) const {
  const AnalysisSettings& s = settings();
  std::set<int> standard;
  auto add = [&](const std::vector<std::int16_t>& list, int n) {
    for (const int v : Head(list, n)) standard.insert(v);
  };
  add(s.sidvar, s.nsidvar);
  add(s.tidvar, s.ntidvar);
  add(s.resvars, s.nresvars);
  add(s.dichvars, s.ndichvars);
  add(s.contvars, s.ncontvars);
  for (const auto* list : {&chosen.responses, &chosen.dichotomies, &chosen.continuous}) {
    for (const int v : *list) {
      if (standard.count(v)) return false;
    }
  }
  return true;
}

void CDefineTask::ChooseNonsequentialVariables() {
  VariablesDialog dialog;
  dialog.title = GetResourceString(10157);
  for (int id = 10158; id <= 10160; ++id) dialog.listCaptions.push_back(GetResourceString(id));
  dialog.listCodes = {7, 1, 2};
  dialog.maxPerList = {0, 0, 0};
  for (;;) {
    const AnalysisSettings& s = settings();
    dialog.lists = {Head(s.mdresvars, s.nmdresvars), Head(s.mddichvars, s.nmddichvars),
                    Head(s.mdcontvars, s.nmdcontvars)};
    if (!sequence().HasDocument() || !sequence().doc().ChooseVariables(dialog)) return;
    if (AcceptNonsequentialVariables({dialog.lists.at(0), dialog.lists.at(1), dialog.lists.at(2)})) {
      return;
    }
  }
}

bool CDefineTask::AcceptNonsequentialVariables(const NonsequentialSelection& chosen) {
  AnalysisSettings& s = settings();
  if (!CheckOverlap(chosen)) {
    s.nmdresvars = s.nmddichvars = s.nmdcontvars = 0;
    RefreshControls(false);
    return Refuse(kNsVariables, GetResourceString(kNsOverlap));
  }
  Store(s.mdresvars, s.nmdresvars, chosen.responses);
  Store(s.mddichvars, s.nmddichvars, chosen.dichotomies);
  Store(s.mdcontvars, s.nmdcontvars, chosen.continuous);
  s.mdcodeselected = false;
  s.nmddichcodes.assign(std::max<std::size_t>(s.nmddichcodes.size(), chosen.dichotomies.size()),
                        0);
  s.mddichcodes.clear();
  SetControlText(kNsSingleCodeEdit, "");
  RefreshControls(false);
  return true;
}

// ---- Codes ---------------------------------------------------------------------------

int CDefineTask::ChooseCodes(bool nonsequential) {
  AnalysisSettings& s = settings();
  auto& vars = nonsequential ? s.mddichvars : s.dichvars;
  const int n = nonsequential ? s.nmddichvars : s.ndichvars;
  auto& counts = nonsequential ? s.nmddichcodes : s.ndichcodes;
  auto& codes = nonsequential ? s.mddichcodes : s.dichcodes;
  const std::vector<std::int16_t> head(vars.begin(), vars.begin() + std::max(n, 0));
  if (!SelectCodes(head, counts, codes, GetResourceString(msg::kSelectCodesTitle), 0)) return 1;
  (nonsequential ? s.mdcodeselected : s.codeselected) = true;
  return 0;
}

void CDefineTask::SetDichotomyCodes(bool nonsequential,
                                    const std::vector<std::vector<std::int32_t>>& chosen) {
  AnalysisSettings& s = settings();
  const int n = nonsequential ? s.nmddichvars : s.ndichvars;
  if (static_cast<int>(chosen.size()) != n) {
    throw AutomationFailure("codes are needed for each of the " + std::to_string(n) +
                            " dichotomy variables");
  }
  for (const auto& list : chosen) {
    if (list.empty() || list.size() > kMaxCodesPerVariable) {
      throw AutomationFailure("each dichotomy variable takes 1 to 1000 codes");
    }
    for (const std::int32_t c : list) {
      if (c < -9999999 || c > 9999999) {
        throw AutomationFailure("codes must lie from -9999999 to 9999999");
      }
    }
  }
  auto& counts = nonsequential ? s.nmddichcodes : s.ndichcodes;
  auto& codes = nonsequential ? s.mddichcodes : s.dichcodes;
  counts.assign(std::max<std::size_t>(counts.size(), static_cast<std::size_t>(n)), 0);
  codes.clear();
  for (int i = 0; i < n; ++i) SetColumnCodes(counts, codes, n, i, chosen[static_cast<std::size_t>(i)]);
  (nonsequential ? s.mdcodeselected : s.codeselected) = true;
  RefreshControls(false);
}

// ---- Taxonomies ----------------------------------------------------------------------

void CDefineTask::AssignTaxonomies() {
  const std::optional<nlohmann::json> roles = std::move(scriptedRoles_);
  scriptedRoles_.reset();
  const unsigned long messagesBefore = sequence().MessageCount();
  const int result = AssignTaxonomyVariables(
      sequence(), roles ? ScriptedRoleChooser(*roles) : HostRoleChooser(sequence()),
      UnderAutomation());
  if (result != 0 && UnderAutomation()) {
    lastFailedControl_ = kAssignTaxonomy;
    throw AutomationFailure(sequence().MessageCount() != messagesBefore
                                ? sequence().LastMessage()
                                : "the taxonomy file was not read");
  }
}

// ---- Files ----------------------------------------------------------------------------

bool CDefineTask::SetDatabasePath(const std::string& path) {
  if (path.size() > kMaxPathLength) {
    return Refuse(kDatabaseEdit, TooLongName("project database", path));
  }
  sequence().projectDb().SetPath(path);
  SetControlText(kDatabaseEdit, path);
  return true;
}

bool CDefineTask::SetPmmlFile(const std::string& path) {
  if (path.size() > kMaxPathLength) return Refuse(kPmmlButton, TooLongName("PMML", path));
  settings().pmmlFile = path;
  // Only the label and the enabling depend on the model file: the fields a
  // script already typed stay as they are.
  RefreshControls(false);
  return true;
}

void CDefineTask::ChooseDatabaseFile() {
  if (!sequence().HasDocument()) return;
  CAnalysisDoc& host = sequence().doc();
  const std::string current = sequence().projectDb().Path();
  const std::string title = GetResourceString(10166);
  const std::string name =
      settings().projectMode == 0
          ? host.AskSaveFileName(title, current, GetResourceString(10165))
          : host.AskOpenFileName(title, GetResourceString(10164), GetResourceString(10165),
                                 current);
  if (name.size() >= 4) SetDatabasePath(name);
}

void CDefineTask::ChoosePmmlFile() {
  if (!sequence().HasDocument()) return;
  const std::string name = sequence().doc().AskOpenFileName(
      GetResourceString(10063), GetResourceString(10064), GetResourceString(10062),
      settings().pmmlFile);
  if (name.size() >= 4) SetPmmlFile(name);
}

// ---- OK -------------------------------------------------------------------------------

// The single code of every (non-sequential) dichotomy variable, from field
// 1046 (1085): read in the terms of the first variable, then looked up in
// each.
bool CDefineTask::ApplySingleCode(bool nonsequential) {
  AnalysisSettings& s = settings();
  const int field = nonsequential ? kNsSingleCodeEdit : kSingleCodeEdit;
  const int n = nonsequential ? s.nmddichvars : s.ndichvars;
  const auto& vars = nonsequential ? s.mddichvars : s.dichvars;
  const std::string typed = GetControlText(field);
  if (typed.find_first_not_of(" \t") == std::string::npos) {
    return Refuse(field, GetResourceString(nonsequential ? 10134 : 10132));
  }
  CAnalysisDoc& host = sequence().doc();
  const std::string text = SingleCodeText(host.GetValueLabels(vars.at(0)), typed);
  std::vector<std::vector<std::int32_t>> codes;
  for (int i = 0; i < n; ++i) {
    const int var = vars[static_cast<std::size_t>(i)];
    const std::optional<long long> value = ConvertCodeText(host.GetValueLabels(var), text);
    if (!value) {
      return Refuse(field, FormatString(GetResourceString(nonsequential ? 10135 : 10133).c_str(),
                                        var, text.c_str()));
    }
    codes.push_back({static_cast<std::int32_t>(*value)});
  }
  auto& counts = nonsequential ? s.nmddichcodes : s.ndichcodes;
  auto& stored = nonsequential ? s.mddichcodes : s.dichcodes;
  counts.assign(std::max<std::size_t>(counts.size(), static_cast<std::size_t>(n)), 0);
  stored.clear();
  for (int i = 0; i < n; ++i) SetColumnCodes(counts, stored, n, i, codes[static_cast<std::size_t>(i)]);
  return true;
}

bool CDefineTask::CheckTask() {
  lastFailedControl_ = 0;
  lastCheck_ = SettingsCheck{};
  AnalysisSettings& s = settings();
  const bool existing = s.projectMode == 1;
  if (existing && s.existingProjectAction == 1 &&
      !SetDatabasePath(GetControlText(kDatabaseEdit))) {
    return false;
  }
  if (existing && (s.existingProjectAction == 1 || s.existingProjectAction == 2)) return true;

  if (s.nresvars + s.ndichvars + s.ncontvars == 0) {
    if (UnderAutomation()) return Refuse(kVariables, "Variable selection not valid.");
    ChooseVariables();
    if (s.nresvars + s.ndichvars + s.ncontvars == 0) return false;
  }
  // The non-sequential variables may have come to overlap the standard
  // ones since they were chosen (the standard ones were chosen again): the
  // same item would then be read twice.
  if (!CheckOverlap({Head(s.mdresvars, s.nmdresvars), Head(s.mddichvars, s.nmddichvars),
                     Head(s.mdcontvars, s.nmdcontvars)})) {
    return Refuse(kNsVariables, GetResourceString(kNsOverlap));
  }
  for (const bool ns : {false, true}) {
    const int n = ns ? s.nmddichvars : s.ndichvars;
    const bool single = (ns ? s.mdonedichcode : s.onedichcode) != 0;
    const bool& selected = ns ? s.mdcodeselected : s.codeselected;
    if (n > 0 && !single && !selected) {
      if (UnderAutomation()) {
        return Refuse(ns ? kNsCodes : kCodes,
                      "The codes of the multiple dichotomy variables are not selected.");
      }
      if (ChooseCodes(ns) != 0) {
        lastFailedControl_ = ns ? kNsCodes : kCodes;
        return false;
      }
    }
  }
  if (s.ndichvars > 0 && s.onedichcode && !ApplySingleCode(false)) return false;
  if (s.nmddichvars > 0 && s.mdonedichcode && !ApplySingleCode(true)) return false;

  std::string path = sequence().projectDb().Path();
  lastCheck_ = ValidateAndStoreSettings(
      s, [this](int id) { return GetControlText(id); }, path);
  if (!lastCheck_.ok()) {
    lastFailedControl_ = lastCheck_.field;
    const std::string text = GetResourceString(lastCheck_.message);
    if (UnderAutomation()) throw AutomationFailure(text);
    sequence().DspMessageBox(0, this, text);
    return false;
  }
  return SetDatabasePath(path);
}

void CDefineTask::OnOk() {
  if (!CheckTask()) return;
  RunOptions options = DefaultRunOptions();
  options.loadPmmlModel = pmml::ReadPmmlModel;
  const unsigned long messagesBefore = sequence().MessageCount();
  if (RunAnalysis(*engine(), this, options) != 0) {
    lastFailedControl_ = 0;
    if (UnderAutomation()) {
      throw AutomationFailure(sequence().MessageCount() != messagesBefore
                                  ? sequence().LastMessage()
                                  : "the analysis was abandoned");
    }
    return;
  }
  EndDialog(1, kStepResultDialog);
}

}  // namespace linkan
