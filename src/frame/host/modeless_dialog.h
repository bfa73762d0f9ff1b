// modeless_dialog.h
//
// CAnalysisModelessDialog: a headless modeless dialog. It holds its controls
// by id (kind, text, number, checked, enabled, visible, range), dispatches
// commands by id to OnCommand, and closes with an exit code and, optionally,
// the step the host should move to. A front end (automation, a task script,
// a browser page) reads and writes controls by id and sends commands; no
// drawing happens here.
//
// Thread safety: a dialog is used from the host's thread only.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace linkan {

class CAnalysisSupport;

enum class ControlKind { kButton, kCheck, kRadio, kEdit, kLabel, kTab, kList, kGroup, kHelpText };

struct DialogControl {
  int id = 0;
  ControlKind kind = ControlKind::kLabel;
  std::string text;        // caption, edit text or label text
  std::string caption;     // an edit's label (buttons carry theirs in text)
  int page = -1;           // the tab page that carries it; -1: the dialog
  double number = 0.0;     // numeric value of an edit or a tab index
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  double rangeMin = 0.0;
  double rangeMax = 0.0;
  int precision = 0;       // decimals shown by a real edit
  int order = 0;           // place in the layout: the order controls were added
};

class CAnalysisModelessDialog {
 public:
  CAnalysisModelessDialog(CAnalysisSupport& analysis, int dialogId,
                          CAnalysisModelessDialog* parent = nullptr);
  virtual ~CAnalysisModelessDialog() = default;
  CAnalysisModelessDialog(const CAnalysisModelessDialog&) = delete;
  CAnalysisModelessDialog& operator=(const CAnalysisModelessDialog&) = delete;

  // Asks the host to create and show the dialog; runs OnInitDialog when it
  // does. Nonzero when the dialog is shown.
  int CreateAnalysisDialog();

  int dialogId() const { return dialogId_; }
  CAnalysisSupport& analysis() const { return *analysis_; }
  CAnalysisModelessDialog* parent() const { return parent_; }

  // ---- Controls ----------------------------------------------------------
  // Adds (or replaces) the control `id`; returns it.
  DialogControl& AddControl(int id, ControlKind kind, const std::string& text = {});
  // Null when the dialog has no control `id`.
  DialogControl* FindControl(int id);
  const DialogControl* FindControl(int id) const;
  const std::map<int, DialogControl>& controls() const { return controls_; }
  // Convenience accessors; a missing control reads as empty / false.
  std::string GetControlText(int id) const;
  void SetControlText(int id, const std::string& text);
  bool IsChecked(int id) const;
  void SetChecked(int id, bool checked);
  void EnableControl(int id, bool enabled);

  // ---- Commands ----------------------------------------------------------
  // Dispatches command `id`; false when the dialog does not handle it or is
  // closed.
  bool SendCommand(int id);

  // ---- Closing -----------------------------------------------------------
  // Closes the dialog with `exitCode`; with `nextStep` the host moves to that
  // step of the analysis.
  void EndDialog(int exitCode, std::optional<int> nextStep = std::nullopt);
  bool IsClosed() const { return closed_; }
  // True while an automation member drives the dialog (AutomationScope).
  bool DrivenByAutomation() const { return automationDepth_ > 0; }
  int ExitCode() const { return exitCode_; }
  std::optional<int> NextStep() const { return nextStep_; }

 protected:
  // Called once the host shows the dialog; false closes it again.
  virtual bool OnInitDialog() { return true; }
  // Handles command `id`; true when handled.
  virtual bool OnCommand(int id) { (void)id; return false; }

 private:
  CAnalysisSupport* analysis_;
  int dialogId_;
  CAnalysisModelessDialog* parent_;
  std::map<int, DialogControl> controls_;
  bool closed_ = false;
  int exitCode_ = 0;
  std::optional<int> nextStep_;
  int automationDepth_ = 0;

  friend class DialogAutomationScope;
};

// Marks the dialog as driven by automation for the scope's lifetime.
class DialogAutomationScope {
 public:
  explicit DialogAutomationScope(CAnalysisModelessDialog& dialog) : dialog_(dialog) {
    ++dialog_.automationDepth_;
  }
  ~DialogAutomationScope() { --dialog_.automationDepth_; }
  DialogAutomationScope(const DialogAutomationScope&) = delete;
  DialogAutomationScope& operator=(const DialogAutomationScope&) = delete;

 private:
  CAnalysisModelessDialog& dialog_;
};

}  // namespace linkan
