// debug_sink.h
//
// The debugger output channel: timing lines, recorded-pattern lines and rule
// warnings. Lines go to the installed sink; without one they go to stderr
// when the environment variable LINKAN_DEBUG is set and are dropped
// otherwise. The channel is process-wide like the platform's debugger
// output; every function here is thread-safe.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace linkan {

using DebugSinkFn = std::function<void(std::string_view)>;

// Writes `text` as it is (callers end lines with "\n").
void DebugOutput(std::string_view text);

// True when something would receive the output; lets hot paths skip
// formatting lines that nobody reads.
bool DebugOutputEnabled();

// Installs `sink` (empty: back to the default) and returns the previous one.
DebugSinkFn SetDebugSink(DebugSinkFn sink);

// Installs a sink for the lifetime of the object (tests).
class ScopedDebugSink {
 public:
  explicit ScopedDebugSink(DebugSinkFn sink) : previous_(SetDebugSink(std::move(sink))) {}
  ~ScopedDebugSink() { SetDebugSink(std::move(previous_)); }
  ScopedDebugSink(const ScopedDebugSink&) = delete;
  ScopedDebugSink& operator=(const ScopedDebugSink&) = delete;

 private:
  DebugSinkFn previous_;
};

}  // namespace linkan
