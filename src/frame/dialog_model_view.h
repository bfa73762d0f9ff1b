// dialog_model_view.h
//
// DialogModelView: one of the analysis object's two dialogs as a front end
// drives it (linkanalysis/dialog_model.h). It reads the dialog's controls
// and pages as the user sees them (captions without their icon and style
// markers or access keys), types into edits, and hands clicks to the
// analysis object, which runs them inside its run boundary.
//
// The view finds its dialog afresh on every call, so it stays valid when
// the dialog is closed and opened again.
//
// Thread safety: host thread only.
#pragma once

#include <string>
#include <vector>

#include "linkanalysis/dialog_model.h"

namespace linkan {

class CAnalysisModelessDialog;
class CSequence;

class DialogModelView : public IDialogModel {
 public:
  enum class Which { kTask, kResults };
  DialogModelView(CSequence& sequence, Which which) : sequence_(sequence), which_(which) {}

  int DialogId() const override;
  std::vector<DialogPageView> Pages() const override;
  std::vector<DialogControlView> Controls() const override;
  bool TypeText(int id, const std::string& text) override;
  DialogClick Click(int id) override;
  bool GetList(int id, DialogListView& list) const override;
  bool SortList(int id, int column) override;
  bool SelectListRows(int id, const std::vector<std::size_t>& rows) override;

 private:
  // The open dialog, or null.
  CAnalysisModelessDialog* Dialog() const;

  CSequence& sequence_;
  Which which_;
};

// The text a control shows: for a button without its icon ("!185") or
// style ("g", "e", "q", "`") marker; "&&" as "&" and access-key "&"
// dropped.
std::string ShownControlText(const std::string& text, bool button);

}  // namespace linkan
