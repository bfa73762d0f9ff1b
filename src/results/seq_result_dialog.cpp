// seq_result_dialog.cpp
#include "results/seq_result_dialog.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <utility>

#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "linkanalysis/selected_items.h"
#include "resources/string_table.h"
#include "results/association_network.h"
#include "results/cluster_outputs.h"
#include "results/disjoint_sequences.h"
#include "results/lnk_result.h"
#include "results/model_commands.h"
#include "results/rule_charts.h"
#include "results/rule_graph.h"
#include "results/rule_matrices.h"
#include "results/rule_tables.h"
#include "results/web_graph.h"

namespace linkan {
namespace {

// Commands 1024 to 1026 and 1027 to 1029 each run support, confidence,
// correlation.
RuleMeasure MeasureOfCommand(int offset) {
  return offset == 0   ? RuleMeasure::kSupport
         : offset == 1 ? RuleMeasure::kConfidence
                       : RuleMeasure::kCorrelation;
}

}  // namespace

CSEQResultDialog::CSEQResultDialog(CSequence& sequence)
    : CSequenceModelessDialog(sequence, kResultDialogId),
      automation_(std::make_unique<LNKResult>(*this)) {}

CSEQResultDialog::~CSEQResultDialog() = default;

bool CSEQResultDialog::IsRecommendationMode() const {
  const SalEngine* e = engine();
  return e && e->settings.projectMode == 1 && e->settings.existingProjectAction == 2;
}

// Every control of the main template and of all four pages, pages not
// shown included (their commands stay reachable by id); a control on
// several pages takes its first page's caption.
void CSEQResultDialog::AddLayoutControls() {
  auto add = [this](const LayoutControl& c) {
    if (!FindControl(c.id)) AddControl(c.id, c.kind, c.caption);
  };
  for (const LayoutControl& c : MainControls()) add(c);
  for (const ResultTabPage& page : AllTabPages()) {
    for (const LayoutControl& c : page.controls) add(c);
  }
}

bool CSEQResultDialog::OnInitDialog() {
  if (!engine()) return false;
  const bool recommendation = IsRecommendationMode();
  AddLayoutControls();
  pages_ = TabPagesFor(recommendation);
  SelectTab(0);
  list_.Fill(sequence(), *engine(), recommendation);
  const bool assoc = engine()->IsAssociationMode();
  for (const int id : {1074, 1070, 1072}) EnableControl(id, assoc);
  EnableControl(1212, true);
  FindControl(kPmmlButton)->visible = !recommendation;
  const std::string summaryCaption = assoc ? "!249A&ssociation rules" : "!249&Sequence rules";
  SetControlText(1022, summaryCaption);
  for (ResultTabPage& page : pages_) {
    for (LayoutControl& c : page.controls) {
      if (c.id == 1022) c.caption = summaryCaption;
    }
  }
  for (const auto& [id, value] :
       {std::pair{kNetworkLowEdit, networkLow_}, std::pair{kNetworkHighEdit, networkHigh_}}) {
    DialogControl& edit = AddControl(id, ControlKind::kEdit, std::to_string(value));
    edit.number = value;
    edit.rangeMin = kNetworkRangeMin;
    edit.rangeMax = kNetworkRangeMax;
  }
  return true;
}

bool CSEQResultDialog::SelectTab(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= pages_.size()) return false;
  FindControl(kTabControl)->number = index;
  SetControlText(kTabControl, pages_[static_cast<std::size_t>(index)].title);
  return true;
}

bool CSEQResultDialog::ReadNetworkRange() {
  // A whole number in [min, max], or nothing.
  auto read = [this](int id, long min, long max) -> std::optional<long> {
    const std::string text = GetControlText(id);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || end == text.c_str()) return std::nullopt;
    while (*end == ' ') ++end;
    if (*end != '\0' || value < min || value > max) return std::nullopt;
    return value;
  };
  const auto low = read(kNetworkLowEdit, kNetworkRangeMin, kNetworkRangeMax);
  const auto high = low ? read(kNetworkHighEdit, *low, kNetworkRangeMax) : std::nullopt;
  if (!high) {
    sequence().dsplst(0, "Invalid number was entered");
    return false;
  }
  networkLow_ = static_cast<std::int16_t>(*low);
  networkHigh_ = static_cast<std::int16_t>(*high);
  return true;
}

void CSEQResultDialog::Collect() {
  if (engine()) lastSelectedRow_ = CollectSelection(list_, *engine());
}

std::string CSEQResultDialog::GetSelectedItems() {
  Collect();
  return JoinSelectedItems(list_.SelectedNames());
}

bool CSEQResultDialog::PutSelectedItems(const std::string& text) {
  const std::optional<std::vector<std::string>> names = SplitSelectedItems(text);
  if (!names) return false;
  list_.SelectNames(*names);
  Collect();
  return true;
}

std::optional<std::string> CSEQResultDialog::RecordControlValue(int id) {
  if (id != kItemListControl) return std::nullopt;
  return GetSelectedItems();
}

bool CSEQResultDialog::CollectAtLeast(std::size_t needed) {
  Collect();
  if (engine()->selectedItems.size() >= needed) return true;
  sequence().dsplst(0, GetResourceString(msg::kTooFewItems));
  return false;
}

bool CSEQResultDialog::OnCommand(int id) {
  lastShown_ = false;
  if (id == 2 || id == 1020) {
    EndDialog(kResultDialogExitCode);
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
    case 1024:
    case 1025:
    case 1026:
      lastShown_ = ShowRuleChart(seq, *e, MeasureOfCommand(id - 1024));
      return true;
    case 1027:
    case 1028:
    case 1029:
      lastShown_ = ShowRuleMatrix(seq, *e, MeasureOfCommand(id - 1027));
      return true;
    case 1030:
    case 1031:
      if (!ReadNetworkRange()) return true;
      lastShown_ = ShowAssociationNetwork(seq, *e, id == 1031, networkLow_, networkHigh_);
      return true;
    case 1070:
      lastShown_ = ShowClusterTable(seq, *e);
      return true;
    case 1072:
      lastShown_ = ShowClusterTree(seq, *e);
      return true;
    case 1074:
      if (!CollectAtLeast(2)) return true;
      lastShown_ = ShowWebGraph(seq, *e);
      return true;
    case 1075:
      if (!CollectAtLeast(2)) return true;
      lastShown_ = ShowRuleGraph(seq, *e);
      return true;
    case 1212:
      ShowDisjointSequences(seq, *e, lastShown_);
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
