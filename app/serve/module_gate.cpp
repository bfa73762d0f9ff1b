// module_gate.cpp
#include "serve/module_gate.h"

namespace linkan::app {

std::string ModuleGate::BusyText(const std::string& owner, const std::string& project) const {
  if (owner == runOwner_) return "busy: this tab's analysis is still running";
  if (!project.empty() && project == runProject_) {
    return "busy: the project " + runProject_ +
           " is being analysed in another tab; try again when that run ends or is cancelled";
  }
  return "busy: an analysis" + (runProject_.empty() ? std::string() : " of " + runProject_) +
         " is running in another tab; the server runs one at a time, so try again when it "
         "ends or is cancelled";
}

ModuleGate::Pass ModuleGate::EnterDialog(const std::string& owner, std::string& busy) {
  std::unique_lock lock(mutex_);
  free_.wait(lock, [&] { return !call_; });
  if (run_ && owner == runOwner_) {
    busy = BusyText(owner, {});
    return Pass();
  }
  call_ = true;
  return Pass(this, false);
}

ModuleGate::Pass ModuleGate::EnterCall(const std::string& owner, std::string& busy) {
  std::unique_lock lock(mutex_);
  free_.wait(lock, [&] { return !call_; });
  if (run_) {
    busy = BusyText(owner, {});
    return Pass();
  }
  call_ = true;
  return Pass(this, false);
}

ModuleGate::Pass ModuleGate::EnterRun(const std::string& owner, const std::string& project,
                                      std::string& busy) {
  std::unique_lock lock(mutex_);
  free_.wait(lock, [&] { return !call_; });
  if (run_) {
    busy = BusyText(owner, project);
    return Pass();
  }
  run_ = true;
  runOwner_ = owner;
  runProject_ = project;
  return Pass(this, true);
}

void ModuleGate::Leave(bool run) {
  {
    std::lock_guard lock(mutex_);
    if (run) {
      run_ = false;
      runOwner_.clear();
      runProject_.clear();
    } else {
      call_ = false;
    }
  }
  free_.notify_all();
}

}  // namespace linkan::app
