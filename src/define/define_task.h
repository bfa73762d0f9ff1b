// define_task.h
//
// CDefineTask: the modeless task definition dialog (template 6671), a
// headless model. Its controls show the engine's settings; every command
// (a click) changes the settings at once, and the typed-in fields are read
// when OK validates the task and starts the run. Its automation object
// LNKStartup (lnk_startup.h) drives it member by member, as do task files.
//
// Under automation (a member of LNKStartup is running, or the host says
// so) nothing waits for a user: where the dialog would open a host dialog
// again after a refusal (a variable selection refused with 10035 or 10161,
// codes not chosen), the call fails with the message instead.
//
// Thread safety: host thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "frame/sequence_modeless_dialog.h"
#include "frame/settings_validation.h"

namespace linkan {

inline constexpr int kDefineTaskDialogId = 6671;
// The longest project, model or taxonomy file name the dialog takes.
inline constexpr std::size_t kMaxPathLength = 4095;

struct AnalysisSettings;
class LnkStartup;

// The variable lists of a selection, by role; `time` is empty in a
// non-sequential association analysis.
struct VariableSelection {
  std::vector<int> id, time, responses, dichotomies, continuous;
};
struct NonsequentialSelection {
  std::vector<int> responses, dichotomies, continuous;
};

class CDefineTask : public CSequenceModelessDialog {
 public:
  explicit CDefineTask(CSequence& sequence);
  ~CDefineTask() override;

  // The analysis object replaced its engine (a new data file): point the
  // dialog at the new one and reload the controls.
  void OnEngineReplaced();

  // Brings every control in line with the settings; `initial` also loads
  // the edit fields' values from the settings.
  void RefreshControls(bool initial);
  // The tab pages shown, in order (Sequence and Nonsequential only in a
  // sequence analysis).
  std::vector<int> ShownPages() const;
  // The text labels a value field (1046, 1085) offers: those of the first
  // (non-sequential) dichotomy variable.
  std::vector<std::string> ValueFieldLabels(int controlId) const;

  // ---- What the host's dialogs answer ----------------------------------
  // Applies a variable selection (button 1000's dialog). Refused (10035):
  // the lists are emptied and the message shown; under automation the call
  // fails with it. True when accepted.
  bool AcceptVariables(const VariableSelection& chosen);
  // The same for the non-sequential variables (button 1077), refused when
  // one of them is a standard variable (10161).
  bool AcceptNonsequentialVariables(const NonsequentialSelection& chosen);
  // Sets the codes of every (non-sequential) dichotomy variable, `codes[i]`
  // for the i-th: 1 to 1000 codes each, from -9999999 to 9999999.
  void SetDichotomyCodes(bool nonsequential, const std::vector<std::vector<std::int32_t>>& codes);
  // Sets the project database path shown in 1054. A name longer than
  // kMaxPathLength is refused (a message; under automation the call
  // fails): false.
  bool SetDatabasePath(const std::string& path);
  // Sets the model file of a recommendation and reloads only what depends
  // on it; a name too long is refused as above.
  bool SetPmmlFile(const std::string& path);

  // Reads the taxonomy file (button 1049) with the host's role dialog, or,
  // once, with `roles` (a task file's {"items", "synonyms", "ignore"} by
  // variable name) answering it.
  void AnswerTaxonomyRolesWith(const nlohmann::json& roles) { scriptedRoles_ = roles; }

  // OK without the run: the checks of OK in their order. True when the
  // task is ready to run.
  bool CheckTask();
  // The control that OK's last failure concerns (0: none, or the run).
  int LastFailedControl() const { return lastFailedControl_; }
  // The validation outcome of OK's last failure in the typed-in fields.
  const SettingsCheck& LastCheck() const { return lastCheck_; }

  LnkStartup& automation();
  bool UnderAutomation() const;
  AnalysisSettings& settings() const;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id) override;

 private:
  void ToggleNonsequential();
  void ChooseVariables();
  void ChooseNonsequentialVariables();
  int ChooseCodes(bool nonsequential);
  void ChooseDatabaseFile();
  void ChoosePmmlFile();
  void RefreshLabels();
  void RefreshEnabling();
  void LoadFieldValues();
  void OnOk();
  // Shows `text` (or, under automation, fails with it) after noting the
  // control it concerns; false so that a caller can `return Refuse(...)`.
  bool Refuse(int control, const std::string& text);
  bool ApplySingleCode(bool nonsequential);
  bool CheckOverlap(const NonsequentialSelection& chosen) const;

  void AssignTaxonomies();

  std::unique_ptr<LnkStartup> automation_;
  std::optional<nlohmann::json> scriptedRoles_;
  int lastFailedControl_ = 0;
  SettingsCheck lastCheck_;
};

}  // namespace linkan
