// command_support.cpp
#include <CLI/CLI.hpp>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "commands.h"
#include "data_error.h"
#include "importers.h"

namespace linkan::app {
namespace {

std::size_t DisplayWidth(const std::string& s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string PadRight(const std::string& s, std::size_t width) {
  const std::size_t w = DisplayWidth(s);
  return w >= width ? s : s + std::string(width - w, ' ');
}

std::string PadLeft(const std::string& s, std::size_t width) {
  const std::size_t w = DisplayWidth(s);
  return w >= width ? s : std::string(width - w, ' ') + s;
}

}  // namespace

char ParseDelimiter(const std::string& text) {
  if (text == "tab" || text == "\\t" || text == "\t") return '\t';
  if (text == "comma") return ',';
  if (text == "semicolon") return ';';
  if (text.size() == 1 && text[0] != '"' && text[0] != '\n' && text[0] != '\r') return text[0];
  throw UsageError(
      "--delimiter: give one character (not a quote or a line break) or \"tab\", not \"" + text +
      "\"");
}

TextEncoding ParseEncodingOption(const std::string& text) {
  if (const std::optional<TextEncoding> encoding = ParseTextEncoding(text)) return *encoding;
  throw UsageError("--encoding: \"utf-8\" or \"latin1\", not \"" + text + "\"");
}

void AddEncodingOption(CLI::App& cmd, std::string& value) {
  cmd.add_option("--encoding", value,
                 "how the data file's bytes are read: utf-8, or latin1 (ISO-8859-1, converted "
                 "to UTF-8)")
      ->default_str("utf-8");
}

TerminalOptions TerminalOptionsForProcess(const GlobalOptions& global) {
  TerminalOptions options;
  const bool stderrTty = ::isatty(STDERR_FILENO) != 0;
  options.interactive = ::isatty(STDIN_FILENO) != 0 && stderrTty;
  const char* debug = std::getenv("LINKAN_DEBUG");
  options.debug = debug && *debug;
  if (global.progress == "bar" || (global.progress == "auto" && stderrTty)) {
    options.progress = ProgressMode::kBar;
  } else if (global.progress == "lines") {
    options.progress = ProgressMode::kLines;
  } else {
    options.progress = ProgressMode::kNone;
  }
  winsize size{};
  if (stderrTty && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    options.width = size.ws_col;
  }
  return options;
}

void PrintTableReport(std::ostream& out, const DataTable& table) {
  out << "file: " << table.source() << '\n';
  out << "cases: " << table.CaseCount() << '\n';
  out << "variables: " << table.VariableCount() << '\n';
  std::size_t nameWidth = 4;
  for (const Variable& v : table.variables()) nameWidth = std::max(nameWidth, DisplayWidth(v.name));
  const std::size_t numberWidth =
      std::max<std::size_t>(1, std::to_string(table.VariableCount()).size());
  out << "  " << PadLeft("#", numberWidth) << "  " << PadRight("name", nameWidth)
      << "  kind       missing  labels\n";
  for (int i = 0; i < table.VariableCount(); ++i) {
    const Variable& v = table.variable(i);
    out << "  " << PadLeft(std::to_string(i + 1), numberWidth) << "  "
        << PadRight(v.name, nameWidth) << "  "
        << PadRight(VariableKindName(v.kind), 9) << "  "
        << PadLeft(std::to_string(v.missingCount), 7) << "  "
        << PadLeft(std::to_string(v.labels.size()), 6) << '\n';
  }
  out << "weight: "
      << (table.weightVariable() >= 0 ? table.variable(table.weightVariable()).name : "none")
      << '\n';
}

SessionOptions DataSessionOptions(const DataOptions& data, const GlobalOptions& global) {
  SessionOptions options;
  options.dataPath = data.data;
  if (data.format != "csv") {
    options.format = ParseImportFormat(data.format);
    if (!options.format) {
      throw UsageError("--format: \"csv\", \"basket\" or \"spmf\", not \"" + data.format + "\"");
    }
    if (!data.delimiter.empty()) throw UsageError("--delimiter applies to --format csv only");
  }
  if (!data.weight.empty()) options.load.weightVariable = data.weight;
  if (!data.delimiter.empty()) options.load.delimiter = ParseDelimiter(data.delimiter);
  options.load.encoding = ParseEncodingOption(data.encoding);
  if (!data.module.empty()) options.modulePath = data.module;
  options.terminal = TerminalOptionsForProcess(global);
  options.terminal.automation = true;
  return options;
}

}  // namespace linkan::app
