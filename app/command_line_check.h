// command_line_check.h
//
// Checks a command line against the subcommands and options registered
// with CLI11 before it is parsed, so that a mistyped word is named in the
// error together with the closest valid one ("unknown command \"frobnicate\"",
// "unknown option --taks of linkan run; did you mean --task?"). CLI11's own
// errors for these cases say only that a subcommand is required or that an
// argument was not expected.
//
// Thread safety: main thread only.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace linkan::app {

// The candidate closest to `word` by edit distance, or "" when none is
// close enough to be a likely typo (at most a third of the word's length,
// and at least 2, edits away).
std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates);

// Throws UsageError for an unknown subcommand or an unknown --option of the
// chosen subcommand (or of linkan itself). Leaves everything else to CLI11.
void CheckCommandLine(const CLI::App& app, int argc, const char* const* argv);

}  // namespace linkan::app
