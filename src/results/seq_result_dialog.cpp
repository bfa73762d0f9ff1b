// seq_result_dialog.cpp
#include "results/seq_result_dialog.h"

#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "resources/string_table.h"
#include "results/model_commands.h"
#include "results/rule_tables.h"

namespace linkan {

CSEQResultDialog::CSEQResultDialog(CSequence& sequence)
    : CSequenceModelessDialog(sequence, kResultDialogId) {}

bool CSEQResultDialog::IsRecommendationMode() const {
  const SalEngine* e = engine();
  return e && e->settings.projectMode == 1 && e->settings.existingProjectAction == 2;
}

bool CSEQResultDialog::OnInitDialog() {
  if (!engine()) return false;
  items_ = FillItemList(sequence(), *engine(), IsRecommendationMode());
  const bool assoc = engine()->IsAssociationMode();
  AddControl(1022, ControlKind::kButton,
             assoc ? "!249A&ssociation rules" : "!249&Sequence rules");
  for (const int id : {1074, 1070, 1072}) AddControl(id, ControlKind::kButton).enabled = assoc;
  AddControl(kPmmlButton, ControlKind::kButton, "qPMM&L").visible = !IsRecommendationMode();
  AddControl(kQueryButton, ControlKind::kButton, "e&Query of rules");
  AddControl(kQueryEdit, ControlKind::kEdit);
  return true;
}

std::string CSEQResultDialog::GetSelectedItems() {
  if (engine()) CollectSelection(items_, *engine());
  return SelectedItemsText(items_);
}

bool CSEQResultDialog::PutSelectedItems(const std::string& text) {
  if (!SelectItemsByNames(items_, text)) return false;
  if (engine()) CollectSelection(items_, *engine());
  return true;
}

bool CSEQResultDialog::CollectAtLeast(std::size_t needed) {
  CollectSelection(items_, *engine());
  if (engine()->selectedItems.size() >= needed) return true;
  sequence().dsplst(0, GetResourceString(msg::kTooFewItems));
  return false;
}

bool CSEQResultDialog::OnCommand(int id) {
  lastShown_ = false;
  if (id == 2 || id == 1020) {
    EndDialog(101);
    return true;
  }
  SalEngine* e = engine();
  if (!e) return false;
  CSequence& seq = sequence();
  switch (id) {
    case kItemListControl:
      lastShown_ = ShowItemList(seq, *e);
      return true;
    case 1022:
      lastShown_ = ShowRuleSummary(seq, *e);
      return true;
    case 1023:
      lastShown_ = ShowFrequentPatterns(seq, *e);
      return true;
    case 1190:
    case 1192:
    case 1193: {
      if (!CollectAtLeast(1)) return true;
      const SelectedRulePart part = id == 1190   ? SelectedRulePart::kHead
                                    : id == 1193 ? SelectedRulePart::kBody
                                                 : SelectedRulePart::kPattern;
      lastShown_ = ShowRuleSummaryOfSelected(seq, *e, part);
      return true;
    }
    case 1191:
      if (!CollectAtLeast(1)) return true;
      lastShown_ = ShowFrequentPatternsOfSelected(seq, *e);
      return true;
    case kPmmlButton:
      SavePmmlFromDialog(seq, *e);
      return true;
    case kQueryButton:
      lastShown_ = RunQueryCommand(seq, *e, GetControlText(kQueryEdit));
      return true;
    default:
      return false;
  }
}

}  // namespace linkan
