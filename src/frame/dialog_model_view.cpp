// dialog_model_view.cpp
#include "frame/dialog_model_view.h"

#include <algorithm>
#include <set>

#include "define/define_task.h"
#include "define/define_task_controls.h"
#include "frame/sequence.h"
#include "results/result_dialog_layout.h"
#include "results/seq_result_dialog.h"

namespace linkan {
namespace {

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton: return "button";
    case ControlKind::kCheck: return "check";
    case ControlKind::kRadio: return "radio";
    case ControlKind::kEdit: return "edit";
    case ControlKind::kLabel: return "label";
    case ControlKind::kTab: return "tab";
    case ControlKind::kList: return "list";
    case ControlKind::kGroup: return "group";
    case ControlKind::kHelpText: return "help";
  }
  return "label";
}

}  // namespace

std::string ShownControlText(const std::string& text, bool button) {
  return button ? ShownCaption(text) : WithoutAccessKeys(text);
}

CAnalysisModelessDialog* DialogModelView::Dialog() const {
  CAnalysisModelessDialog* dialog = which_ == Which::kTask
                                        ? static_cast<CAnalysisModelessDialog*>(sequence_.defineTask())
                                        : sequence_.resultDialog();
  return dialog && !dialog->IsClosed() ? dialog : nullptr;
}

int DialogModelView::DialogId() const {
  return which_ == Which::kTask ? kDefineTaskDialogId : kResultDialogId;
}

std::vector<DialogPageView> DialogModelView::Pages() const {
  std::vector<DialogPageView> pages;
  if (which_ == Which::kTask) {
    if (const CDefineTask* task = sequence_.defineTask(); task && !task->IsClosed()) {
      for (const int page : task->ShownPages()) pages.push_back({page, TaskPageCaption(page), {}});
    }
  } else if (const CSEQResultDialog* results = sequence_.resultDialog();
             results && !results->IsClosed()) {
    const std::vector<ResultTabPage>& shown = results->tabPages();
    for (std::size_t i = 0; i < shown.size(); ++i) {
      pages.push_back({static_cast<int>(i), shown[i].title, shown[i].helpTexts});
    }
  }
  return pages;
}

namespace {

DialogControlView ViewOf(const DialogControl& c) {
  DialogControlView v;
  v.id = c.id;
  v.kind = KindName(c.kind);
  const bool edit = c.kind == ControlKind::kEdit;
  v.text = edit ? c.text : ShownControlText(c.text, c.kind == ControlKind::kButton);
  v.caption = ShownControlText(c.caption, false);
  v.page = c.page;
  v.number = c.number;
  v.checked = c.checked;
  v.enabled = c.enabled;
  v.visible = c.visible;
  v.rangeMin = c.rangeMin;
  v.rangeMax = c.rangeMax;
  v.precision = c.precision;
  return v;
}

// Sorts `views` by their controls' places in the dialog's layout.
void SortByLayout(const CAnalysisModelessDialog& dialog, std::vector<DialogControlView>& views) {
  std::stable_sort(views.begin(), views.end(),
                   [&dialog](const DialogControlView& a, const DialogControlView& b) {
                     return dialog.FindControl(a.id)->order < dialog.FindControl(b.id)->order;
                   });
}

}  // namespace

std::vector<DialogControlView> DialogModelView::Controls() const {
  std::vector<DialogControlView> views;
  const CAnalysisModelessDialog* dialog = Dialog();
  if (!dialog) return views;
  if (which_ == Which::kTask) {
    for (const auto& [id, c] : dialog->controls()) views.push_back(ViewOf(c));
    SortByLayout(*dialog, views);
    return views;
  }
  // The results dialog's pages each carry their own buttons, and one
  // command may sit on several pages: a control is listed once per page
  // that shows it, in that page's order. The rest follow; one that only a
  // page not shown (in recommendation mode) carries is hidden.
  const std::vector<ResultTabPage>& shown = sequence_.resultDialog()->tabPages();
  std::set<int> onShownPage;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (const LayoutControl& layout : shown[i].controls) {
      const DialogControl* c = dialog->FindControl(layout.id);
      if (!c) continue;
      DialogControlView v = ViewOf(*c);
      v.page = static_cast<int>(i);
      // The page's own caption (a command may read differently on each
      // page); an edit's caption is its label, not its text.
      if (c->kind == ControlKind::kEdit) {
        v.caption = ShownControlText(layout.caption, false);
        if (c->text == layout.caption) v.text.clear();
      } else if (!layout.caption.empty()) {
        v.text = ShownControlText(layout.caption, c->kind == ControlKind::kButton);
      }
      if (layout.inAllItemsGroup) v.group = kAllItemsGroup;
      views.push_back(std::move(v));
      onShownPage.insert(layout.id);
    }
  }
  std::set<int> onAnyPage;
  for (const ResultTabPage& page : AllTabPages()) {
    for (const LayoutControl& c : page.controls) onAnyPage.insert(c.id);
  }
  std::vector<DialogControlView> rest;
  for (const auto& [id, c] : dialog->controls()) {
    if (onShownPage.count(id)) continue;
    DialogControlView v = ViewOf(c);
    if (onAnyPage.count(id)) v.visible = false;
    rest.push_back(std::move(v));
  }
  SortByLayout(*dialog, rest);
  views.insert(views.end(), rest.begin(), rest.end());
  return views;
}

bool DialogModelView::TypeText(int id, const std::string& text) {
  CAnalysisModelessDialog* dialog = Dialog();
  if (!dialog) return false;
  const DialogControl* c = dialog->FindControl(id);
  if (!c || c->kind != ControlKind::kEdit || !c->enabled || !c->visible) return false;
  dialog->SetControlText(id, text);
  return true;
}

DialogClick DialogModelView::Click(int id) {
  CAnalysisModelessDialog* dialog = Dialog();
  const DialogControl* c = dialog ? dialog->FindControl(id) : nullptr;
  if (!c || !c->enabled || !c->visible) {
    DialogClick click;
    click.code = DialogClick::kUnknown;
    click.message = dialog ? "no enabled control " + std::to_string(id) + " in this dialog"
                           : "the dialog is not open";
    return click;
  }
  return sequence_.ClickControl(*dialog, id);
}

bool DialogModelView::GetList(int id, DialogListView& list) const {
  const CSEQResultDialog* results = which_ == Which::kResults ? sequence_.resultDialog() : nullptr;
  if (!results || results->IsClosed() || id != kItemListControl) return false;
  const CCustomListCtrl& items = results->itemList();
  list = {};
  for (const ItemListColumn& column : items.columns()) list.columns.push_back(column.title);
  for (const ItemListRow& row : items.rows()) {
    list.rows.push_back(row.cells);
    list.selected.push_back(row.selected);
  }
  list.sortColumn = items.header().sortColumn;
  list.ascending = items.header().ascending;
  return true;
}

bool DialogModelView::SortList(int id, int column) {
  CSEQResultDialog* results = which_ == Which::kResults ? sequence_.resultDialog() : nullptr;
  if (!results || results->IsClosed() || id != kItemListControl) return false;
  return results->ClickItemListHeader(column);
}

bool DialogModelView::SelectListRows(int id, const std::vector<std::size_t>& rows) {
  CSEQResultDialog* results = which_ == Which::kResults ? sequence_.resultDialog() : nullptr;
  if (!results || results->IsClosed() || id != kItemListControl) return false;
  for (const std::size_t row : rows) {
    if (row >= results->itemList().rows().size()) return false;
  }
  results->SelectAllItems(false);
  for (const std::size_t row : rows) results->SetItemSelected(row, true);
  return true;
}

}  // namespace linkan
