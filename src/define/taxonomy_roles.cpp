// taxonomy_roles.cpp
#include "define/taxonomy_roles.h"

#include <algorithm>
#include <string>

#include "frame/host/module_error.h"
#include "frame/sequence.h"

namespace linkan {
namespace {

constexpr const char* kKey = "AssignTaxonomyVariables";

[[noreturn]] void Fail(const std::string& what) {
  throw AutomationError(std::string("\"") + kKey + "\": " + what);
}

std::string VariableList(const std::vector<std::string>& variables) {
  std::string out;
  for (const std::string& name : variables) out += (out.empty() ? "\"" : ", \"") + name + "\"";
  return out.empty() ? "none" : out;
}

// The 1-based number of the variable named by `value` (member `member`).
int VariableNamed(const nlohmann::json& value, const std::string& member,
                  const std::vector<std::string>& variables) {
  if (!value.is_string()) Fail("\"" + member + "\" must be a variable name (a text)");
  const std::string name = value.get<std::string>();
  const auto it = std::find(variables.begin(), variables.end(), name);
  if (it == variables.end()) {
    Fail("the taxonomy data file has no variable \"" + name + "\" (\"" + member +
         "\"); its variables are " + VariableList(variables));
  }
  return static_cast<int>(it - variables.begin()) + 1;
}

std::vector<int> ScriptedAssignment(const nlohmann::json& roles,
                                    const std::vector<std::string>& variables) {
  if (!roles.is_object()) {
    Fail(
        "expected an object such as {\"items\": \"item\", \"synonyms\": [\"group\"], "
        "\"ignore\": \"skip\"}");
  }
  std::vector<int> assignment(kTaxonomyRoleCount, 0);
  for (const auto& [member, value] : roles.items()) {
    if (member == "items") {
      assignment[kTaxonomyItemNames] = VariableNamed(value, member, variables);
    } else if (member == "ignore") {
      assignment[kTaxonomyIgnoreList] = VariableNamed(value, member, variables);
    } else if (member == "synonyms") {
      const nlohmann::json lists = value.is_array() ? value : nlohmann::json::array({value});
      if (lists.size() > static_cast<std::size_t>(kMaxSynonymLists)) {
        Fail("\"synonyms\" names " + std::to_string(lists.size()) + " variables; at most " +
             std::to_string(kMaxSynonymLists) + " synonym lists");
      }
      for (std::size_t k = 0; k < lists.size(); ++k) {
        assignment[kTaxonomyFirstSynonymList + k] = VariableNamed(lists[k], member, variables);
      }
    } else {
      Fail("unknown member \"" + member +
           "\" (the members are \"items\", \"synonyms\" and "
           "\"ignore\")");
    }
  }
  // One variable plays one role.
  for (int a = 0; a < kTaxonomyRoleCount; ++a) {
    for (int b = a + 1; b < kTaxonomyRoleCount; ++b) {
      if (assignment[a] != 0 && assignment[a] == assignment[b]) {
        Fail("the variable \"" + variables[assignment[a] - 1] + "\" is given two roles");
      }
    }
  }
  return assignment;
}

}  // namespace

TaxonomyRoleChooser HostRoleChooser(CSequence& sequence) {
  return [&sequence](OutputFieldDialog& dialog) {
    return sequence.doc().ChooseOutputFieldDialog(dialog);
  };
}

TaxonomyRoleChooser ScriptedRoleChooser(const nlohmann::json& roles) {
  return [roles](OutputFieldDialog& dialog) {
    dialog.assignment = ScriptedAssignment(roles, dialog.variables);
    return 0;
  };
}

}  // namespace linkan
