// web_host.cpp
#include "serve/web_host.h"

#include <filesystem>
#include <utility>

namespace linkan::app {

using nlohmann::json;

WebHost::WebHost(const DataTable& table, TerminalOptions options, const RootFolder& root)
    : MemoryHost(table, std::move(options)), root_(root) {}

void WebHost::SetAnswers(json answers) {
  answers_ = answers.is_object() ? std::move(answers) : json::object();
  unanswered_ = nullptr;
}

json WebHost::TakeUnanswered() { return std::exchange(unanswered_, nullptr); }

json WebHost::TakeAnswer(const char* kind) {
  auto it = answers_.find(kind);
  if (it == answers_.end()) return nullptr;
  json answer = std::move(*it);
  answers_.erase(it);
  return answer;
}

void WebHost::Unanswered(json request) {
  if (unanswered_.is_null()) unanswered_ = std::move(request);
}

std::string WebHost::ResolveAnswer(const json& answer) {
  if (!answer.is_string()) return {};
  std::string error;
  const auto path = root_.Resolve(answer.get<std::string>(), error);
  if (!path) {
    ShowMessage(error);
    return {};
  }
  return path->string();
}

bool WebHost::ChooseVariables(VariablesDialog& dialog) {
  const json answer = TakeAnswer("variables");
  if (answer.is_array() && answer.size() == dialog.lists.size()) {
    std::vector<std::vector<int>> lists;
    for (const json& list : answer) {
      std::vector<int> chosen;
      if (!list.is_array()) return false;
      for (const json& v : list) {
        if (!v.is_number_integer() || v.get<int>() < 1 || v.get<int>() > GetNbVars()) return false;
        chosen.push_back(v.get<int>());
      }
      lists.push_back(std::move(chosen));
    }
    for (std::size_t k = 0; k < lists.size(); ++k) {
      const int most = k < dialog.maxPerList.size() ? dialog.maxPerList[k] : 0;
      if (most > 0 && static_cast<int>(lists[k].size()) > most) return false;
    }
    dialog.lists = std::move(lists);
    return true;
  }
  json request = {{"kind", "variables"}, {"title", dialog.title}, {"lists", json::array()}};
  for (std::size_t k = 0; k < dialog.lists.size(); ++k) {
    request["lists"].push_back(
        {{"caption", k < dialog.listCaptions.size() ? dialog.listCaptions[k] : std::string()},
         {"max", k < dialog.maxPerList.size() ? dialog.maxPerList[k] : 0},
         {"chosen", dialog.lists[k]}});
  }
  Unanswered(std::move(request));
  return false;
}

int WebHost::ChooseOutputFieldDialog(OutputFieldDialog& dialog) {
  const json answer = TakeAnswer("roles");
  if (answer.is_array() && answer.size() == dialog.roles.size()) {
    std::vector<int> assignment;
    for (const json& v : answer) {
      if (!v.is_number_integer() || v.get<int>() < 0 ||
          v.get<int>() > static_cast<int>(dialog.variables.size())) {
        return 1;
      }
      assignment.push_back(v.get<int>());
    }
    dialog.assignment = std::move(assignment);
    return 0;
  }
  Unanswered({{"kind", "roles"},
              {"title", dialog.title},
              {"rolesCaption", dialog.rolesCaption},
              {"variablesCaption", dialog.variablesCaption},
              {"roles", dialog.roles},
              {"variables", dialog.variables},
              {"assignment", dialog.assignment}});
  return 1;
}

std::string WebHost::AskOpenFileName(const std::string& title, const std::string& filter,
                                     const std::string& /*defaultExtension*/,
                                     const std::string& /*initialPath*/) {
  const json answer = TakeAnswer("open");
  if (!answer.is_null()) return ResolveAnswer(answer);
  Unanswered({{"kind", "open"}, {"title", title}, {"filter", filter}});
  return {};
}

std::string WebHost::AskSaveFileName(const std::string& title, const std::string& defaultName,
                                     const std::string& defaultExtension) {
  const json answer = TakeAnswer("save");
  if (!answer.is_null()) return ResolveAnswer(answer);
  Unanswered({{"kind", "save"},
              {"title", title},
              {"defaultName", std::filesystem::path(defaultName).is_absolute() ? root_.Relative(defaultName)
                                                                      : defaultName},
              {"extension", defaultExtension}});
  return {};
}

bool WebHost::AskYesNo(const std::string& caption, const std::string& text) {
  const json answer = TakeAnswer("question");
  if (answer.is_boolean()) return answer.get<bool>();
  Unanswered({{"kind", "question"}, {"caption", caption}, {"text", text}});
  return false;
}

}  // namespace linkan::app
