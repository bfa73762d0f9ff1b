// lnk_startup.h
//
// LNKStartup: the task dialog's automation object ("Link analysis startup
// dialog"). Almost every member stands for one control of CDefineTask:
// reading a property reads the control, writing it sets the control as a
// user would (a check or radio button is clicked when the value differs
// from its state, an edit field gets the text that OK reads), and OK then
// validates and runs exactly as for a user. A few members work on the file
// names the analysis object holds.
//
// Values (JSON): switches 0/1 (true/false accepted), numbers as numbers (or
// texts, as typed), names as texts; "Variables" an object {"id": NAME,
// "time": NAME, "responses": [NAMES], "dichotomies": [...], "continuous":
// [...]}, "NonsequentialVariables" the same without id and time, the code
// lists objects {NAME: [codes]}. A get answers in the same form, so the
// gets of every property make a task file that puts the same task.
//
// Thread safety: the host's thread only.
#pragma once

#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "frame/host/automation_object.h"

namespace linkan {

class CDefineTask;

inline constexpr std::int32_t kLnkStartupFirstDispatchId = 0x60020000;

class LnkStartup : public AutomationObject {
 public:
  explicit LnkStartup(CDefineTask& dialog);

  // The control a member stands for (0 for the file-name members).
  int ControlOf(const std::string& member) const;

 private:
  void DeclareMembers();
  void DeclareSwitch(const char* name, int control, const char* help);
  void DeclareRadio(const char* name, int control, const char* help);
  void DeclareField(const char* name, int control, const char* type, const char* help);
  void DeclareSingleCode(const char* name, int control, const char* help);

  nlohmann::json GetVariables() const;
  void PutVariables(const nlohmann::json& value);
  nlohmann::json GetNonsequentialVariables() const;
  void PutNonsequentialVariables(const nlohmann::json& value);
  nlohmann::json GetCodes(bool nonsequential) const;
  void PutCodes(bool nonsequential, const nlohmann::json& value);
  // The 1-based number of the variable called `name`; fails naming `where`.
  int VariableNumber(const std::string& where, const nlohmann::json& name) const;
  std::vector<int> VariableList(const nlohmann::json& object, const std::string& key,
                                const char* member) const;
  std::string VariableName(int var) const;

  CDefineTask& task_;
  std::map<std::string, int> controlOf_;
};

}  // namespace linkan
