// dialog_model.h
//
// The module's two dialogs as a front end sees them: controls by id, the
// tab pages shown, and clicks and typing as a user's. A front end (the
// browser page of `linkan serve`) draws what Controls() says and sends
// back what the user did; every enabling rule, check and message stays the
// module's own.
//
// A click may need one of the host's own dialogs (variables, codes, a file,
// the taxonomy roles, a question): the module asks the host document for
// it as usual, so a host that answers from its front end supplies the
// answer before the click and reports the dialog it could not answer after
// it.
//
// Example:
//   linkan::IDialogModel* task = module->TaskDialog();
//   task->TypeText(1013, "0.05");               // minimum support
//   linkan::DialogClick click = task->Click(1);  // OK: checks, then the run
//   if (click.code == linkan::DialogClick::kMessage) show(click.message, click.control);
//
// Thread safety: the host's thread only, as the dialogs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace linkan {

struct DialogControlView {
  int id = 0;
  std::string kind;     // "button" "check" "radio" "edit" "label" "tab" "list" "group" "help"
  std::string text;     // a caption, an edit's text or a label's text
  std::string caption;  // an edit's label
  int page = -1;        // the tab page that carries it; -1: the dialog itself
  double number = 0.0;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  double rangeMin = 0.0;  // an edit's range (both 0: none)
  double rangeMax = 0.0;
  int precision = 0;      // decimals a real edit shows
  int group = 0;          // the group box that holds it (0: none)
};

struct DialogPageView {
  int index = 0;        // the page number controls carry in `page`
  std::string caption;  // "Quick", "Advanced" ...
  std::vector<std::string> notes;  // the page's static help texts, in order
};

// A list control (the results dialog's item list).
struct DialogListView {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;  // in the list's order
  std::vector<bool> selected;                  // per row
  int sortColumn = -1;                         // -1: not sorted
  bool ascending = true;
};

struct DialogClick {
  enum Code {
    kDone = 0,         // handled; a results command produced its document
    kFailed = 1,       // an error ended it (`message`)
    kMessage = 2,      // the module showed a message instead (`message`)
    kOutOfMemory = 3,  // memory ran out or passed the host's limit
    kUnknown = 4,      // no such control, or it is disabled or hidden
  };
  int code = kDone;
  std::string message;
  int control = 0;        // the control a refusal concerns (0: none)
  bool closed = false;    // the click closed the dialog
  bool resultsOpened = false;  // the task dialog's OK ran and the results dialog is open
};

class IDialogModel {
 public:
  virtual ~IDialogModel() = default;
  virtual int DialogId() const = 0;
  // The tab pages shown, in tab order.
  virtual std::vector<DialogPageView> Pages() const = 0;
  // Every control, in layout order (a page's controls from top to bottom).
  // A control that several pages carry is listed once for each, with that
  // page in `page`.
  virtual std::vector<DialogControlView> Controls() const = 0;
  // Types `text` into edit `id`, as a user would; false when there is no
  // such enabled edit.
  virtual bool TypeText(int id, const std::string& text) = 0;
  // Clicks control `id` (a button, check or radio) inside the run
  // boundary: stops and errors end the click, never the host.
  virtual DialogClick Click(int id) = 0;
  // The list control `id`; false when there is none.
  virtual bool GetList(int id, DialogListView& list) const {
    (void)id, (void)list;
    return false;
  }
  // A click on the header of column `column` of list `id` (sorting).
  virtual bool SortList(int id, int column) {
    (void)id, (void)column;
    return false;
  }
  // Selects exactly the rows `rows` (list order) of list `id`.
  virtual bool SelectListRows(int id, const std::vector<std::size_t>& rows) {
    (void)id, (void)rows;
    return false;
  }
};

}  // namespace linkan
