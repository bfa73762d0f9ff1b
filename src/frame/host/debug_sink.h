// debug_sink.h
//
// The debugger output channel: timing lines, recorded-pattern lines and rule
// warnings. Lines go to the installed sink; without one they go to stderr
// when the environment variable LINKAN_DEBUG is set and are dropped
// otherwise. The channel is process-wide like the platform's debugger
// output; every function here is thread-safe.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace linkan {

using DebugSinkFn = std::function<void(std::string_view)>;

// Writes `text` as it is (callers end lines with "\n").
void DebugOutput(std::string_view text);

// Writes the pieces of `text` that end at the offsets `ends` (ascending, the
// last one text.size()) as DebugOutput of each piece in turn would: a sink
// receives them one by one, stderr all in one write.
void DebugOutputPieces(std::string_view text, std::span<const std::size_t> ends);

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
