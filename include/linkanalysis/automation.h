// automation.h
//
// The module's automation objects as a host reaches them: LNKStartup, the
// task dialog's, and LNKResult, the results dialog's. A script, the command
// line and the browser page all drive the dialogs through these members, so
// every check and message is the module's own.
//
// Members are called by name. Values travel as JSON texts: a switch or a
// whole number as a number, a real as a number, a text as a string, and the
// structured values (variable lists, code lists) as objects; a get of an
// output member answers `true` when the command produced a document and
// `null` when it showed a message instead.
//
// Example:
//   linkan::IAutomationObject* task = module->TaskAutomation();
//   if (task->Put("MinimumSupport", "0.05") != linkan::kAutomationOk)
//     std::cerr << task->ErrorDescription() << "\n";
//   task->Call("OK");
//
// Thread safety: the host's thread only, as the dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linkan {

// COM-style result codes: 0 success, negative failure.
using AutomationResult = std::int32_t;
inline constexpr AutomationResult kAutomationOk = 0;
inline constexpr AutomationResult kAutomationFail = static_cast<AutomationResult>(0x80004005u);
inline constexpr AutomationResult kAutomationUnknownName =
    static_cast<AutomationResult>(0x80020006u);
inline constexpr AutomationResult kAutomationTypeMismatch =
    static_cast<AutomationResult>(0x80020005u);
inline constexpr AutomationResult kAutomationException =
    static_cast<AutomationResult>(0x80020009u);
// A member called after its dialog closed.
inline constexpr AutomationResult kAutomationDialogClosed =
    static_cast<AutomationResult>(0x8004000Au);
// A member whose work ran out of memory (or past the host's memory limit);
// the description is the module's report of it.
inline constexpr AutomationResult kAutomationOutOfMemory =
    static_cast<AutomationResult>(0x8007000Eu);

enum class AutomationAccess { kGetPut, kGet, kPut, kMethod };

struct AutomationMember {
  std::string name;          // "MinimumSupport"
  std::int32_t dispatchId;   // 0x60020000 + offset, in declaration order
  AutomationAccess access;
  std::string type;          // "int", "double", "text", "variant", "object", ""
  std::string help;          // the help string of the type library
};

class IAutomationObject {
 public:
  virtual ~IAutomationObject() = default;
  // "LNKStartup" or "LNKResult".
  virtual std::string InterfaceName() const = 0;
  // Every member, in declaration order (the base dialog members first).
  virtual const std::vector<AutomationMember>& Members() const = 0;
  // Reads property `member` into `valueJson`.
  virtual AutomationResult Get(const std::string& member, std::string& valueJson) = 0;
  // Writes property `member` from `valueJson`.
  virtual AutomationResult Put(const std::string& member, const std::string& valueJson) = 0;
  // Runs method `member` ("OK", "Cancel", "AssignTaxonomyVariables").
  virtual AutomationResult Call(const std::string& member) = 0;
  // The error description of the last failed call; empty after a success.
  virtual std::string ErrorDescription() const = 0;
};

}  // namespace linkan
