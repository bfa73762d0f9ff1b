// modeless_dialog.cpp
#include "frame/host/modeless_dialog.h"

#include "frame/host/analysis_support.h"

namespace linkan {

CAnalysisModelessDialog::CAnalysisModelessDialog(CAnalysisSupport& analysis, int dialogId,
                                                 CAnalysisModelessDialog* parent)
    : analysis_(&analysis), dialogId_(dialogId), parent_(parent) {}

int CAnalysisModelessDialog::CreateAnalysisDialog() {
  if (!analysis_->HasDocument()) return 0;
  if (!analysis_->doc().CreateAnalysisDialog(*this)) return 0;
  closed_ = false;
  if (!OnInitDialog()) {
    EndDialog(0);
    return 0;
  }
  return 1;
}

DialogControl& CAnalysisModelessDialog::AddControl(int id, ControlKind kind,
                                                   const std::string& text) {
  DialogControl& c = controls_[id];
  // A replaced control keeps its place in the layout.
  const int order = c.id == id ? c.order : static_cast<int>(controls_.size());
  c = DialogControl{};
  c.id = id;
  c.order = order;
  c.kind = kind;
  c.text = text;
  return c;
}

DialogControl* CAnalysisModelessDialog::FindControl(int id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const DialogControl* CAnalysisModelessDialog::FindControl(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

std::string CAnalysisModelessDialog::GetControlText(int id) const {
  const DialogControl* c = FindControl(id);
  return c ? c->text : std::string{};
}

void CAnalysisModelessDialog::SetControlText(int id, const std::string& text) {
  if (DialogControl* c = FindControl(id)) c->text = text;
}

bool CAnalysisModelessDialog::IsChecked(int id) const {
  const DialogControl* c = FindControl(id);
  return c && c->checked;
}

void CAnalysisModelessDialog::SetChecked(int id, bool checked) {
  if (DialogControl* c = FindControl(id)) c->checked = checked;
}

void CAnalysisModelessDialog::EnableControl(int id, bool enabled) {
  if (DialogControl* c = FindControl(id)) c->enabled = enabled;
}

bool CAnalysisModelessDialog::SendCommand(int id) {
  if (closed_) return false;
  return OnCommand(id);
}

void CAnalysisModelessDialog::EndDialog(int exitCode, std::optional<int> nextStep) {
  closed_ = true;
  exitCode_ = exitCode;
  nextStep_ = nextStep;
  if (nextStep) analysis_->ForwardSequence(*nextStep, 0);
}

}  // namespace linkan
