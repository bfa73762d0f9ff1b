// cmd_import.cpp
//
// `linkan import --format basket|spmf IN OUT.csv`: converts a transaction
// file to the table form (ID, [time,] item) and writes it as CSV. The output
// is written only when the whole input was read, and all at once.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands.h"
#include "csv_writer.h"
#include "data_error.h"
#include "file_io.h"
#include "importers.h"

namespace linkan::app {
namespace {

struct ImportArgs {
  std::string format;
  std::string separator = "auto";
  std::string encoding = "utf-8";
  std::string input;
  std::string output;
};

int RunImport(const ImportArgs& args) {
  const std::optional<ImportFormat> format = ParseImportFormat(args.format);
  if (!format) throw UsageError("--format: \"basket\" or \"spmf\", not \"" + args.format + "\"");
  BasketSeparator separator = BasketSeparator::kAuto;
  if (args.separator == "comma") {
    separator = BasketSeparator::kComma;
  } else if (args.separator == "blank") {
    separator = BasketSeparator::kBlank;
  } else if (args.separator != "auto") {
    throw UsageError("--separator: \"auto\", \"comma\" or \"blank\", not \"" + args.separator +
                     "\"");
  }
  const TextEncoding encoding = ParseEncodingOption(args.encoding);
  std::error_code ec;
  if (std::filesystem::equivalent(args.input, args.output, ec)) {
    throw UsageError("the output " + args.output + " is the input file; choose another name");
  }
  const DataTable table = ImportFile(args.input, *format, separator, encoding);
  WriteFileAtomically(args.output, DataTableToCsv(table));
  std::cout << args.output << ": " << table.CaseCount() << " cases, variables";
  for (const Variable& v : table.variables()) std::cout << ' ' << v.name;
  std::cout << '\n' << std::flush;
  return 0;
}

}  // namespace

void RegisterImportCommand(CLI::App& app, const GlobalOptions& /*global*/, CommandAction& action) {
  auto args = std::make_shared<ImportArgs>();
  CLI::App* cmd = app.add_subcommand(
      "import", "Convert a basket or SPMF sequence file into a data table (CSV)");
  cmd->add_option("--format", args->format, "basket (one transaction per line) or spmf")
      ->required();
  cmd->add_option("--separator", args->separator,
                  "basket items separated by: auto (commas if the file has any), comma, blank");
  AddEncodingOption(*cmd, args->encoding);
  cmd->add_option("IN", args->input, "the file to convert")->required();
  cmd->add_option("OUT", args->output, "the CSV file to write")->required();
  cmd->callback([args, &action] { action = [args] { return RunImport(*args); }; });
}

}  // namespace linkan::app
