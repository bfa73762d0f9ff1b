// web_host.h
//
// WebHost: the host document of `linkan serve`, a MemoryHost (documents
// kept in memory, progress as a snapshot) whose own dialogs are answered by
// the browser page.
//
// A click that needs a host dialog (the variable lists, the taxonomy
// roles, an open or save file name, a yes/no question) takes the answer
// the page sent with the click; without one the dialog is left as a user
// would cancel it, and the request (its title, lists and choices) is kept
// for the page, which shows it and repeats the click with the answer. File
// names are answered relative to the served folder and checked against it.
// The long codes dialog is confirmed as the module proposes it.
//
// Answers (JSON, by dialog kind), each used once:
//   {"variables": [[1], [], [3, 4], ...]}     the chosen variables per list
//   {"roles": [2, 0, 0, 0, 0, 0, 3]}          the variable per role (0: none)
//   {"open": "data/tax.csv"}, {"save": "p.dbs"}, {"question": true}
//
// Thread safety: as MemoryHost; the answers are set and taken on the
// thread that drives the module.
#pragma once

#include <nlohmann/json.hpp>

#include "memory_host.h"
#include "serve/root_folder.h"

namespace linkan::app {

class WebHost : public MemoryHost {
 public:
  // `table` and `root` must outlive the host.
  WebHost(const DataTable& table, TerminalOptions options, const RootFolder& root);

  // The answers of the next action's host dialogs; replaces any left.
  void SetAnswers(nlohmann::json answers);
  // The first host dialog since SetAnswers that had no answer (null when
  // none); clears it.
  nlohmann::json TakeUnanswered();

  bool ChooseVariables(VariablesDialog& dialog) override;
  int ChooseOutputFieldDialog(OutputFieldDialog& dialog) override;
  std::string AskOpenFileName(const std::string& title, const std::string& filter,
                              const std::string& defaultExtension,
                              const std::string& initialPath) override;
  std::string AskSaveFileName(const std::string& title, const std::string& defaultName,
                              const std::string& defaultExtension) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;

 private:
  // The answer of kind `kind`, removed from the answers; null when none.
  nlohmann::json TakeAnswer(const char* kind);
  void Unanswered(nlohmann::json request);
  // A file name answer resolved inside the root; "" (after a message) when
  // it lies outside.
  std::string ResolveAnswer(const nlohmann::json& answer);

  const RootFolder& root_;
  nlohmann::json answers_ = nlohmann::json::object();
  nlohmann::json unanswered_;
};

}  // namespace linkan::app
