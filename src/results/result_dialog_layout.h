// result_dialog_layout.h
//
// What the results dialog shows, as data: the controls of its main
// template (6676) and of its four tab pages (6677 Quick, 6678 Advanced,
// 6679 Visualization, 6683 Deployment) with their captions as stored. A
// caption's leading "!NNN", "e", "q" or "`" names the button's icon and
// is not shown as text; "&" marks the access key ("&&" is one "&").
//
// A button may stand on several pages; a page may give it a caption of its
// own (1074 and 1075 on Visualization). Its enabled and visible state is
// the dialog's, by id, whatever the page.
//
// Thread safety: constant data.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frame/host/modeless_dialog.h"

namespace linkan {

inline constexpr int kTabControl = 200;
inline constexpr int kAllItemsGroup = 1062;
inline constexpr const char* kAllItemsGroupCaption = "With all single items";

struct LayoutControl {
  int id = 0;
  ControlKind kind = ControlKind::kButton;
  std::string caption;
  bool inAllItemsGroup = false;  // inside the "With all single items" box
};

struct ResultTabPage {
  int templateId = 0;
  std::string title;
  std::vector<LayoutControl> controls;
  std::vector<std::string> helpTexts;  // static texts of the page, in order
};

// The controls of the main template: item list, tab control, Cancel,
// Options and the PMML button.
const std::vector<LayoutControl>& MainControls();

// The four pages in the order a normal results dialog shows them.
const std::vector<ResultTabPage>& AllTabPages();

// The pages a dialog shows: only Deployment in recommendation mode, else
// Quick, Advanced and Visualization.
std::vector<ResultTabPage> TabPagesFor(bool recommendationMode);

// The text a caption shows: without its icon prefix ("!249") or style
// letter (a leading "e", "q", "g" or grave accent), "&&" as "&" and the
// access-key "&" dropped ("!249A&ssociation rules" -> "Association rules").
std::string ShownCaption(const std::string& caption);
// `text` with "&&" as "&" and the access-key "&" dropped.
std::string WithoutAccessKeys(std::string_view text);

}  // namespace linkan
