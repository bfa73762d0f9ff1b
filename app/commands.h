// commands.h
//
// The subcommands of `linkan`. Each Register* adds its subcommand to the
// CLI11 application; when that subcommand is chosen on the command line,
// parsing sets `action` to a function that runs it and returns the exit
// status. Errors are thrown (DataError: status 1, UsageError: status 2) and
// reported by main (CancelledError: status 130).
//
//   linkan info DATA [--weight VAR] [--delimiter C] [--encoding E] [--module PATH]
//   linkan import --format basket|spmf IN OUT.csv [--separator auto|comma|blank]
//                 [--encoding E]
//   linkan run DATA --task TASK.json --out DIR [--weight VAR] [--project FILE]
//              [--format csv|basket|spmf] [--delimiter C] [--encoding E]
//              [--module PATH] [--memory-limit SIZE]
//   linkan query MODEL.pmml QUERY [--csv] [--module PATH]
//   linkan task DATA --task TASK.json [--weight VAR] [--format F] [--delimiter C]
//               [--encoding E] [--module PATH]
//   linkan serve [--root DIR] [--port N] [--open] [--module PATH] [--memory-limit SIZE]
//                [--unwatched-run-limit SECONDS]
// (E: utf-8 or latin1, how DATA's bytes are read.)
//
// Thread safety: main thread only.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "progress_display.h"
#include "session.h"
#include "text_encoding.h"
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
void RegisterQueryCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action);
void RegisterTaskCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action);
void RegisterServeCommand(CLI::App& app, const GlobalOptions& global, CommandAction& action);

// ---- Shared by the commands ----

// "," ";" "|" or any one character; "tab" or "\t" for a tab. Throws
// UsageError for anything else (a quote, a line break, several characters).
char ParseDelimiter(const std::string& text);

// The --encoding option: "utf-8" (the default) or "latin1" (text_encoding.h
// lists the other spellings). Throws UsageError for anything else.
TextEncoding ParseEncodingOption(const std::string& text);

// The data table options shared by the commands that load one.
struct DataOptions {
  std::string data;
  std::string weight;
  std::string format = "csv";
  std::string delimiter;
  std::string encoding = "utf-8";
  std::string module;
};

// The session that loads `data` as the options say (--format, --weight,
// --delimiter, --encoding, --module), for an automation run. Throws
// UsageError for a bad option.
SessionOptions DataSessionOptions(const DataOptions& data, const GlobalOptions& global);

// Adds --encoding to `cmd`, stored in `value`.
void AddEncodingOption(CLI::App& cmd, std::string& value);

// The terminal settings for this process: progress bar on a terminal
// (`progress` "auto"), questions asked when stdin and stderr are terminals,
// debugger output when LINKAN_DEBUG is set and not empty.
TerminalOptions TerminalOptionsForProcess(const GlobalOptions& global);

// What was read from the table, as `linkan info` prints it: the file, the
// number of cases, each variable (number, name, kind, missing cells, value
// labels) and the weight variable.
void PrintTableReport(std::ostream& out, const DataTable& table);

}  // namespace linkan::app
