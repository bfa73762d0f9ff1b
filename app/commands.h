// commands.h
//
// The subcommands of `linkan`. Each Register* adds its subcommand to the
// CLI11 application; when that subcommand is chosen on the command line,
// parsing sets `action` to a function that runs it and returns the exit
// status. Errors are thrown (DataError: status 1, UsageError: status 2) and
// reported by main (CancelledError: status 130).
//
//   linkan info DATA [--weight VAR] [--delimiter C] [--module PATH]
//   linkan import --format basket|spmf IN OUT.csv [--separator auto|comma|blank]
//   linkan run DATA --task TASK.json --out DIR [--weight VAR] [--project FILE]
//              [--format csv|basket|spmf] [--delimiter C] [--module PATH]
//              [--memory-limit SIZE]
//
// Thread safety: main thread only.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "progress_display.h"
#include "terminal_host.h"

namespace CLI {
class App;
}

namespace linkan::app {

using CommandAction = std::function<int()>;

// Options of the application itself, given before the subcommand.
struct GlobalOptions {
  std::string progress = "auto";  // auto | bar | lines | none
};

void RegisterInfoCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action);
void RegisterImportCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action);
void RegisterRunCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action);

// ---- Shared by the commands ----

// "," ";" "|" or any one character; "tab" or "\t" for a tab. Throws
// UsageError for anything else (a quote, a line break, several characters).
char ParseDelimiter(const std::string& text);

// The terminal settings for this process: progress bar on a terminal
// (`progress` "auto"), questions asked when stdin and stderr are terminals,
// debugger output when LINKAN_DEBUG is set and not empty.
TerminalOptions TerminalOptionsForProcess(const GlobalOptions& global);

// What was read from the table, as `linkan info` prints it: the file, the
// number of cases, each variable (number, name, kind, missing cells, value
// labels) and the weight variable.
void PrintTableReport(std::ostream& out, const DataTable& table);

}  // namespace linkan::app
