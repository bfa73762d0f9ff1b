// module_error.h
//
// ModuleError: the exception that ends a run. `CAnalysisSupport::error`
// throws it so that control never returns into the failed path; the run
// boundary (a dialog's OK, an automation member, a thread entry) catches it
// and reports its text. Expected outcomes (a row not found, a refused file)
// are return values, not ModuleErrors; programmer errors are asserts.
#pragma once

#include <stdexcept>
#include <string>

namespace linkan {

enum class ErrorKind {
  kHostReport,      // reported through the host's error(): shown to the user
  kCancelled,       // the user or the host cancelled the running phase
  kOutOfMemory,     // the host allocator or a container ran out of memory
  kNotFound,        // a dictionary lookup missed ("value not found")
  kInvalidInput,    // bad data or a bad file handed to the module
  kIo,              // a file or the project database failed
  kInternal,        // a broken invariant of the module itself
};

class ModuleError : public std::runtime_error {
 public:
  ModuleError(ErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

// The error the automation layer raises with a text (for instance "User has
// cancelled the analysis"); a ModuleError of its own type so boundaries can
// tell it apart.
class AutomationError : public ModuleError {
 public:
  explicit AutomationError(const std::string& message, ErrorKind kind = ErrorKind::kHostReport)
      : ModuleError(kind, message) {}
};

}  // namespace linkan
