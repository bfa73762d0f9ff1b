// message_hints.h
//
// The module's messages speak of its dialogs ("the Advanced tab of the
// Startup dialog", "the item list at the top of results dialog"). On the
// command line the same change is made in the task file; this adds that to
// a message: the task keys to change.
//
// Thread safety: pure function.
#pragma once

#include <string>

namespace linkan::app {

// `message` with what to change in the task file appended, when the
// message is one of those that ask for a change of the analysis's
// settings or selection; else `message` unchanged.
std::string WithCommandLineHint(const std::string& message);

}  // namespace linkan::app
