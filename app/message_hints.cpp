// message_hints.cpp
#include "message_hints.h"

namespace linkan::app {
namespace {

struct Hint {
  const char* found;  // a part of the module's message
  const char* hint;
};

constexpr Hint kHints[] = {
    {"Advanced tab of the Startup dialog",
     "In the task file: lower \"MinimumSupport\" or \"MinimumConfidence\" (docs/task-file.md)."},
    {"modify analysis setting",
     "In the task file: lower \"MinimumSupport\" or \"MinimumConfidence\" (docs/task-file.md)."},
    {"select more than a single item in the item list",
     "In the task file: name at least two frequent items in \"SelectedItems\" (\"a | b\")."},
    {"too many bodies or heads to plot",
     "In the task file: raise \"MinimumSupport\" or \"MinimumConfidence\" to have at most 100 "
     "rules."},
};

}  // namespace

std::string WithCommandLineHint(const std::string& message) {
  for (const Hint& h : kHints) {
    if (message.find(h.found) == std::string::npos) continue;
    const bool ended = !message.empty() && (message.back() == '.' || message.back() == '!');
    return message + (ended ? " " : ". ") + h.hint;
  }
  return message;
}

}  // namespace linkan::app
