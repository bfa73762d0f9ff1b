// automation_object.h
//
// AutomationObject: the by-name dispatch table of an automation interface
// (LNKStartup, LNKResult) with the frame every member shares:
//   1. the error description of the last call is cleared;
//   2. a member of a closed dialog fails (kAutomationDialogClosed);
//   3. the member runs; an AutomationFailure or any module exception ends
//      it with a failure code and the exception's text as the description;
//   4. a failure is written to the host log as
//      "Exception in automation method [CLASS::get_NAME]: TEXT".
// std::bad_alloc is not caught: the run boundary turns it into an
// out-of-memory result.
//
// Dispatch ids follow declaration order from a base: a property read and
// written takes two numbers (get and put share the first), any other
// member one. The base dialog members (Name ... ResultsOutputFields) take
// the ids 0 to 12.
//
// Thread safety: the host's thread only.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "linkanalysis/automation.h"

namespace linkan {

class CAnalysisModelessDialog;
class CAnalysisSupport;

// Thrown by a member to fail with `code` and a description.
class AutomationFailure : public std::runtime_error {
 public:
  explicit AutomationFailure(const std::string& description,
                             AutomationResult code = kAutomationException)
      : std::runtime_error(description), code_(code) {}
  AutomationResult code() const { return code_; }

 private:
  AutomationResult code_;
};

// Thrown by AutomationObject::InAnalysisContext: a failure that has been
// written to the host log there already.
class AnalysisContextFailure : public AutomationFailure {
 public:
  using AutomationFailure::AutomationFailure;
};

class AutomationObject : public IAutomationObject {
 public:
  using Getter = std::function<nlohmann::json()>;
  using Putter = std::function<void(const nlohmann::json&)>;
  using Method = std::function<void()>;

  // `className` qualifies the log lines ("CDefineTask"); `firstDispatchId`
  // is the id of the first member after the base ones (0x60020000).
  AutomationObject(std::string interfaceName, std::string className,
                   CAnalysisModelessDialog& dialog, std::int32_t firstDispatchId);

  // ---- Declaring members, in declaration order ----------------------------
  void AddProperty(const std::string& name, const std::string& type, const std::string& help,
                   Getter get, Putter put);
  void AddGetOnly(const std::string& name, const std::string& type, const std::string& help,
                  Getter get);
  void AddPutOnly(const std::string& name, const std::string& type, const std::string& help,
                  Putter put);
  void AddMethod(const std::string& name, const std::string& help, Method call);

  // ---- IAutomationObject --------------------------------------------------
  std::string InterfaceName() const override { return interfaceName_; }
  const std::vector<AutomationMember>& Members() const override { return members_; }
  AutomationResult Get(const std::string& member, std::string& valueJson) override;
  AutomationResult Put(const std::string& member, const std::string& valueJson) override;
  AutomationResult Call(const std::string& member) override;
  std::string ErrorDescription() const override { return error_; }

  // The same calls with parsed values, for the module's own script runner.
  AutomationResult GetValue(const std::string& member, nlohmann::json& value);
  AutomationResult PutValue(const std::string& member, const nlohmann::json& value);

  // The base dialog members' routing properties as put by a script
  // (ResultsSelection ... ResultsOutputFields); they belong to the host and
  // are kept here only so that a script may set them.
  const std::map<std::string, nlohmann::json>& routing() const { return routing_; }

 protected:
  CAnalysisModelessDialog& dialog() const { return *dialog_; }

  // Runs `work` as engine work of the dialog's analysis (the members that
  // read or change the engine's state). An exception ends it there: the
  // host log gets "Exception in analysis method: TEXT" ("... Unexpected
  // error" for an exception of no known kind) and the member fails with
  // TEXT ("Unexpected error in analysis method") and the failure's own code,
  // without a second log line from the common frame.
  void InAnalysisContext(const std::function<void()>& work);

 private:
  struct Entry {
    Getter get;
    Putter put;
    Method call;
  };
  void Declare(const std::string& name, AutomationAccess access, const std::string& type,
               const std::string& help, Entry entry, std::int32_t ids);
  void AddBaseMembers();
  // Runs `work` inside the common frame; `qualified` names it in the log.
  AutomationResult Frame(const std::string& qualified, const std::function<void()>& work);
  const Entry* Find(const std::string& member);

  std::string interfaceName_;
  std::string className_;
  CAnalysisModelessDialog* dialog_;
  std::int32_t nextDispatchId_;
  std::vector<AutomationMember> members_;
  std::map<std::string, Entry> entries_;
  std::map<std::string, nlohmann::json> routing_;
  std::string error_;
};

// Value conversions that fail with a description naming what was expected.
int AutomationInt(const nlohmann::json& value);        // a whole number, true or false
bool AutomationSwitch(const nlohmann::json& value);    // 0, 1, true or false
double AutomationDouble(const nlohmann::json& value);  // a number
std::string AutomationText(const nlohmann::json& value);  // a text

}  // namespace linkan
