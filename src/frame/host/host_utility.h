// host_utility.h
//
// The host's utility library: file checks and the external cancellation
// switch. External cancellation is process-wide (the host sets it, for
// instance on Ctrl-C, from any thread or a signal handler); every function
// here is thread-safe.
#pragma once

#include <string>

namespace linkan {

// True when `path` names an existing file.
bool FileExists(const std::string& path);

// With `isFilePath` true, true when the folder holding the file `path`
// exists (a bare file name lives in the current folder); otherwise true
// when `path` itself is an existing folder.
bool DirectoryExists(const std::string& path, bool isFilePath);

// True once the host asked every running phase to stop.
bool IsExternallyCancelled();

// Sets or clears the external cancellation switch. Async-signal-safe.
void SetExternallyCancelled(bool cancelled);

// Milliseconds since an arbitrary fixed point (the system's tick count).
unsigned long long TickCountMs();

}  // namespace linkan
