// seq_result_dialog.h
//
// CSEQResultDialog: the modeless results dialog (template 6676), headless.
// It holds every control of its main template and of its tab pages by id
// (result_dialog_layout.h), the item list (item_list.h; all rows selected
// after the fill), the network range, and its automation object LNKResult
// (lnk_result.h); each output command runs its routine over the engine's
// tables.
//
// Opening (OnInitDialog): the tab pages (recommendation mode: only
// "Deployment"; otherwise "Quick", "Advanced", "Visualization"), the item
// list filled and all selected, then the initial states: 1074, 1070 and
// 1072 enabled only in association analysis; 1212 enabled; the PMML button
// 1197 hidden in recommendation mode; 1022 reads "!249A&ssociation rules"
// (association) or "!249&Sequence rules" (sequences); edits 1034 and 1035
// hold the network range, 1 and 5, each within 1 to 200.
//
// Commands: 2 and 1020 close (exit code 101); 1022 rule summary; 1023
// frequent patterns; 1190/1192/1193 rules with selected items as heads,
// anywhere, as bodies; 1191 patterns with selected items; 1189 (our host's
// extension) the item list as a spreadsheet; 1024/1025/1026 the support,
// confidence and correlation charts; 1027/1028/1029 the rule matrices of
// the same measures; 1030/1031 the association network 2D/3D over the
// network range of edits 1034 (low, 1..200) and 1035 (high, low..200), else
// "Invalid number was entered"; 1070 the clustering table; 1072 the
// clustering tree; 1074 web graph and 1075 rule graph of the selected
// items (at least 2, else message 10110); 1212 disjoint sequences; 1197
// PMML and 1211 the deployment query of edit 1215 (model_commands.h). The
// selection-driven commands (1074, 1075, 1190 to 1193) collect the
// selection from the list first; with too few items selected they show
// message 10110 and produce nothing.
//
// A front end (the browser page, a script host) drives the dialog through:
//   tabPages(), controls(), FindControl(id)    what to show, by id
//   SelectTab(index)                            the tab control's page
//   itemList()                                  columns, rows, sort state
//   ClickItemListHeader(column)                 sorting, as a header click
//   SetItemSelected(row, on), SelectAllItems(on) the selection by row
//   GetSelectedItems(), PutSelectedItems(text)  the selection as text
//   SetControlText(id, text)                    edits 1034, 1035, 1215
//   SendCommand(id), LastCommandShowedDocument() a button press
//   automation()                                LNKResult by member name
//
// Thread safety: host thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/sequence_modeless_dialog.h"
#include "results/item_list.h"
#include "results/result_dialog_layout.h"

namespace linkan {

class LNKResult;

inline constexpr int kResultDialogId = 6676;
inline constexpr int kItemListControl = 1189;
inline constexpr int kNetworkLowEdit = 1034;
inline constexpr int kNetworkHighEdit = 1035;
inline constexpr int kNetworkRangeMin = 1;
inline constexpr int kNetworkRangeMax = 200;
inline constexpr int kResultDialogExitCode = 101;

class CSEQResultDialog : public CSequenceModelessDialog {
 public:
  explicit CSEQResultDialog(CSequence& sequence);
  ~CSEQResultDialog() override;

  // Recommendation mode: an existing project with recommendation via PMML.
  bool IsRecommendationMode() const;

  // ---- Pages and the item list ----------------------------------------------
  // The pages shown, in tab order (empty before the dialog opened).
  const std::vector<ResultTabPage>& tabPages() const { return pages_; }
  // Shows page `index`; false when there is no such page.
  bool SelectTab(int index);
  const CCustomListCtrl& itemList() const { return list_; }
  // A click on the item list's column header (item_list.h).
  bool ClickItemListHeader(int column) { return list_.ClickHeader(column); }
  // Selects or deselects the list row at `row` (list order); false when
  // there is no such row.
  bool SetItemSelected(std::size_t row, bool selected) { return list_.SetSelected(row, selected); }
  void SelectAllItems(bool selected) { list_.SelectAll(selected); }

  // ---- The selection as text (selected_items.h) ------------------------------
  // Collects the selection and returns the selected names in ascending item
  // number, escaped and joined by " | ".
  std::string GetSelectedItems();
  // Selects exactly the rows named in `text` and collects the selection;
  // false (selection unchanged) when the text has an empty name.
  bool PutSelectedItems(const std::string& text);
  // The value the host records for control `id` in a macro: the
  // SelectedItems text for the item list, nothing for any other control.
  std::optional<std::string> RecordControlValue(int id);

  // ---- Commands ------------------------------------------------------------
  // True when the last command produced a document (false: a message was
  // shown instead, or nothing happened).
  bool LastCommandShowedDocument() const { return lastShown_; }
  std::int16_t networkLow() const { return networkLow_; }
  std::int16_t networkHigh() const { return networkHigh_; }
  // The list index of the last selected row the last collection visited
  // (-1: none).
  int lastSelectedRow() const { return lastSelectedRow_; }

  // The automation object LNKResult; it lives as long as the dialog.
  LNKResult& automation() const { return *automation_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id) override;

 private:
  void AddLayoutControls();
  // Collects the selection; false (after message 10110) when fewer than
  // `needed` items are selected.
  bool CollectAtLeast(std::size_t needed);
  void Collect();
  // Reads edits 1034 and 1035 into the network range; false (after the
  // message) when either is not a whole number in its range.
  bool ReadNetworkRange();

  CCustomListCtrl list_;
  std::vector<ResultTabPage> pages_;
  std::unique_ptr<LNKResult> automation_;
  bool lastShown_ = false;
  int lastSelectedRow_ = -1;
  std::int16_t networkLow_ = 1;
  std::int16_t networkHigh_ = 5;
};

}  // namespace linkan
