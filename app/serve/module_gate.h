// module_gate.h
//
// ModuleGate: who may use the analysis module now. The module keeps some
// run state per process (its cancel switch, the live progress bar), so
// `linkan serve` runs one thing in it at a time:
//   a run (the task dialog's OK, opening a project) holds the gate until
//     it ends; meanwhile every other request that needs the module gets a
//     "busy" answer naming the project being analysed, at once;
//   any other call (a control change, a results command) holds it for its
//     own short time; calls wait for each other.
//
// Thread safety: all members may be called from any thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace linkan::app {

class ModuleGate {
 public:
  // Holds the gate while it lives; movable, so a run's thread can own it.
  class Pass {
   public:
    Pass() = default;
    explicit Pass(ModuleGate* gate) : gate_(gate) {}
    Pass(Pass&& other) noexcept : gate_(std::exchange(other.gate_, nullptr)) {}
    Pass& operator=(Pass&& other) noexcept {
      if (this != &other) {
        Release();
        gate_ = std::exchange(other.gate_, nullptr);
      }
      return *this;
    }
    ~Pass() { Release(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;
    explicit operator bool() const { return gate_ != nullptr; }
    void Release() {
      if (gate_) std::exchange(gate_, nullptr)->Leave();
    }

   private:
    ModuleGate* gate_ = nullptr;
  };

  // A short call from workspace `owner`: waits while another short call
  // holds the gate; refused (empty pass, `busy` set) while a run holds it.
  Pass EnterCall(const std::string& owner, std::string& busy);
  // A run on `project` from workspace `owner`: refused (empty pass, `busy`
  // set) while any run holds the gate; waits for short calls.
  Pass EnterRun(const std::string& owner, const std::string& project, std::string& busy);

 private:
  void Leave();
  std::string BusyText(const std::string& project) const;

  std::mutex mutex_;
  std::condition_variable free_;
  bool held_ = false;
  bool run_ = false;
  std::string runOwner_;
  std::string runProject_;
};

}  // namespace linkan::app
