// module_gate.cpp
#include "serve/module_gate.h"

namespace linkan::app {

std::string ModuleGate::BusyText(const std::string& project) const {
  if (!project.empty() && project == runProject_) {
    return "busy: the project " + runProject_ +
           " is being analysed in another tab; try again when that run ends or is cancelled";
  }
  return "busy: an analysis" + (runProject_.empty() ? std::string() : " of " + runProject_) +
         " is running; the server runs one at a time, so try again when it ends or is "
         "cancelled";
}

ModuleGate::Pass ModuleGate::EnterCall(const std::string& owner, std::string& busy) {
  std::unique_lock lock(mutex_);
  free_.wait(lock, [&] { return !held_ || run_; });
  if (held_) {
    busy = runOwner_ == owner ? std::string("busy: this tab's analysis is still running")
                              : BusyText({});
    return Pass();
  }
  held_ = true;
  return Pass(this);
}

ModuleGate::Pass ModuleGate::EnterRun(const std::string& owner, const std::string& project,
                                      std::string& busy) {
  std::unique_lock lock(mutex_);
  free_.wait(lock, [&] { return !held_ || run_; });
  if (held_) {
    busy = runOwner_ == owner ? std::string("busy: this tab's analysis is still running")
                              : BusyText(project);
    return Pass();
  }
  held_ = run_ = true;
  runOwner_ = owner;
  runProject_ = project;
  return Pass(this);
}

void ModuleGate::Leave() {
  {
    std::lock_guard lock(mutex_);
    held_ = run_ = false;
    runOwner_.clear();
    runProject_.clear();
  }
  free_.notify_all();
}

}  // namespace linkan::app
