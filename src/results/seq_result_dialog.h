// seq_result_dialog.h
//
// CSEQResultDialog: the modeless results dialog (template 6676). It owns the
// item list (all rows selected after the fill) and dispatches each output
// command to its routine; the outputs read the engine's tables.
//
// Commands handled: 2 and 1020 close (exit code 101); 1022 rule summary;
// 1023 frequent patterns; 1190/1192/1193 rules with selected items as heads,
// anywhere, as bodies; 1191 patterns with selected items; 1189 (our host's
// extension) the item list as a spreadsheet; 1024/1025/1026 the support,
// confidence and correlation charts; 1027/1028/1029 the rule matrices of the
// same measures; 1030/1031 the association network 2D/3D over the network
// range of edits 1034 (low) and 1035 (high), 1 and 5 at first, low in 1..200
// and high in low..200, else "Invalid number was entered"; 1070 the
// clustering table; 1072 the clustering tree (both association analysis
// only); 1074 web graph and 1075 rule graph of the selected items (at least
// 2, else message 10110); 1212 disjoint sequences; 1197 PMML and 1211 the deployment query of
// edit 1215 (model_commands.h).
//
// Thread safety: host thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/sequence_modeless_dialog.h"
#include "results/item_list.h"

namespace linkan {

inline constexpr int kResultDialogId = 6676;
inline constexpr int kItemListControl = 1189;
inline constexpr int kNetworkLowEdit = 1034;
inline constexpr int kNetworkHighEdit = 1035;
inline constexpr int kNetworkRangeMin = 1;
inline constexpr int kNetworkRangeMax = 200;

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
  // Reads edits 1034 and 1035 into the network range; false (after the
  // message) when either is not a whole number in its range.
  bool ReadNetworkRange();

  std::vector<ItemListRow> items_;
  bool lastShown_ = false;
  std::int16_t networkLow_ = 1;
  std::int16_t networkHigh_ = 5;
};

}  // namespace linkan
