// seq_result_dialog.h
//
// CSEQResultDialog: the modeless results dialog (template 6676). It owns the
// item list (all rows selected after the fill) and dispatches each output
// command to its routine; the outputs read the engine's tables.
//
// Commands handled: 2 and 1020 close (exit code 101); 1022 rule summary;
// 1023 frequent patterns; 1190/1192/1193 rules with selected items as heads,
// anywhere, as bodies; 1191 patterns with selected items; 1189 (our host's
// extension) the item list as a spreadsheet; 1197 PMML and 1211 the
// deployment query of edit 1215 (model_commands.h).
//
// Thread safety: host thread only.
#pragma once

#include <string>
#include <vector>

#include "frame/sequence_modeless_dialog.h"
#include "results/item_list.h"

namespace linkan {

inline constexpr int kResultDialogId = 6676;
inline constexpr int kItemListControl = 1189;

class CSEQResultDialog : public CSequenceModelessDialog {
 public:
  explicit CSEQResultDialog(CSequence& sequence);

  // Recommendation mode: an existing project with recommendation via PMML.
  bool IsRecommendationMode() const;
  const std::vector<ItemListRow>& itemList() const { return items_; }

  // The automation property SelectedItems.
  std::string GetSelectedItems();
  bool PutSelectedItems(const std::string& text);

  // True when the last command produced a document (false: a message was
  // shown instead, or nothing happened).
  bool LastCommandShowedDocument() const { return lastShown_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id) override;

 private:
  // Collects the selection; false (after message 10110) when fewer than
  // `needed` items are selected.
  bool CollectAtLeast(std::size_t needed);

  std::vector<ItemListRow> items_;
  bool lastShown_ = false;
};

}  // namespace linkan
