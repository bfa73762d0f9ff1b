// module_gate.h
//
// ModuleGate: who may use the analysis module now. Each browser tab has an
// analysis object of its own, but the module keeps some run state per
// process (its cancel switch, the live progress bar), so `linkan serve`
// lets one piece of work that runs phases go on at a time:
//   a run (the task dialog's OK, opening a project) holds the gate until
//     it ends; another run, or a call that runs phases, gets a "busy"
//     answer at once, naming the project being analysed;
//   a call that runs phases (a results command, reading a taxonomy file,
//     loading a task) holds it for its own time;
//   a dialog call (a control change of the task dialog, opening data) runs
//     no phases: it may go on beside another tab's run, though not beside
//     its own tab's.
// Calls of either kind wait for each other.
//
// Thread safety: all members may be called from any thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>

namespace linkan::app {

class ModuleGate {
 public:
  // Holds the gate while it lives; movable, so a run's thread can own it.
  class Pass {
   public:
    Pass() = default;
    Pass(ModuleGate* gate, bool run) : gate_(gate), run_(run) {}
    Pass(Pass&& other) noexcept
        : gate_(std::exchange(other.gate_, nullptr)), run_(other.run_) {}
    Pass& operator=(Pass&& other) noexcept {
      if (this != &other) {
        Release();
        gate_ = std::exchange(other.gate_, nullptr);
        run_ = other.run_;
      }
      return *this;
    }
    ~Pass() { Release(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;
    explicit operator bool() const { return gate_ != nullptr; }
    void Release() {
      if (gate_) std::exchange(gate_, nullptr)->Leave(run_);
    }

   private:
    ModuleGate* gate_ = nullptr;
    bool run_ = false;
  };

  // A dialog call from workspace `owner`; refused (empty pass, `busy` set)
  // only while `owner`'s own run goes on.
  Pass EnterDialog(const std::string& owner, std::string& busy);
  // A call that runs phases; refused while any run goes on.
  Pass EnterCall(const std::string& owner, std::string& busy);
  // A run on `project` from workspace `owner`; refused while any run goes
  // on.
  Pass EnterRun(const std::string& owner, const std::string& project, std::string& busy);

 private:
  void Leave(bool run);
  std::string BusyText(const std::string& owner, const std::string& project) const;

  std::mutex mutex_;
  std::condition_variable free_;
  bool call_ = false;  // a call (of either kind) holds the gate
  bool run_ = false;
  std::string runOwner_;
  std::string runProject_;
};

}  // namespace linkan::app
