// debug_sink.cpp
#include "frame/host/debug_sink.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace linkan {
namespace {

std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}

// Guarded by SinkMutex().
DebugSinkFn& Sink() {
  static DebugSinkFn sink;
  return sink;
}

std::atomic<bool> g_hasSink{false};

bool EnvEnabled() {
  static const bool enabled = std::getenv("LINKAN_DEBUG") != nullptr;
  return enabled;
}

}  // namespace

void DebugOutput(std::string_view text) {
  if (!g_hasSink.load(std::memory_order_acquire)) {
    if (EnvEnabled()) {
      std::fwrite(text.data(), 1, text.size(), stderr);
    }
    return;
  }
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (Sink()) Sink()(text);
}

void DebugOutputPieces(std::string_view text, std::span<const std::size_t> ends) {
  if (!g_hasSink.load(std::memory_order_acquire)) {
    if (EnvEnabled()) {
      std::fwrite(text.data(), 1, text.size(), stderr);
    }
    return;
  }
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (!Sink()) return;
  std::size_t begin = 0;
  for (const std::size_t end : ends) {
    Sink()(text.substr(begin, end - begin));
    begin = end;
  }
}

bool DebugOutputEnabled() { return g_hasSink.load(std::memory_order_acquire) || EnvEnabled(); }

DebugSinkFn SetDebugSink(DebugSinkFn sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  DebugSinkFn previous = std::move(Sink());
  Sink() = std::move(sink);
  g_hasSink.store(static_cast<bool>(Sink()), std::memory_order_release);
  return previous;
}

}  // namespace linkan
