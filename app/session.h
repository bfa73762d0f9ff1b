// session.h
//
// Session: one run of the host over one data table. It loads the table,
// loads the analysis module, creates the analysis object through the
// module's factory, attaches a TerminalHost, initialises the object and
// walks its step table. Ctrl-C is handled (InterruptScope) while the
// session lives. Commands (`info`, later `run`) build on it.
//
// Order of failure: a data error is found before the module is loaded, so a
// bad table is reported without touching the module.
//
// Thread safety: one thread; at most one Session per process at a time (it
// owns the Ctrl-C handler).
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data_table.h"
#include "importers.h"
#include "interrupt.h"
#include "module_loader.h"
#include "terminal_host.h"

namespace linkan::app {

struct SessionOptions {
  std::string dataPath;
  LoadOptions load;
  // Read the data through an importer (basket, SPMF) instead of as a table;
  // the weight variable, when given, is then looked up in the imported table.
  std::optional<ImportFormat> format;
  std::optional<std::string> modulePath;  // --module
  TerminalOptions terminal;
};

class Session {
 public:
  // Loads the table and the module and initialises the analysis object.
  // Throws DataError for the table, std::runtime_error for the module,
  // CancelledError when Ctrl-C was pressed meanwhile.
  Session(SessionOptions options, std::ostream& out, std::ostream& err, std::istream& in);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const DataTable& table() const { return table_; }
  TerminalHost& host() { return *host_; }
  IAnalysisModule& module() { return *module_; }
  const ModuleLibrary& library() const { return *library_; }

  // Runs the steps from `first` (the first entry of the step table when
  // nothing is given) until a step returns 0; returns the steps run. A step
  // table that loops is stopped after 1000 steps (std::runtime_error).
  std::vector<int> WalkSteps(std::optional<int> first = std::nullopt);

 private:
  // Destroyed bottom-up: the Ctrl-C handler, the analysis object, the host,
  // the table, and the library last. The handler is installed first of all
  // (on `early_`), so that a Ctrl-C while the table loads cancels the
  // command instead of killing the process.
  std::atomic<bool> early_{false};
  std::unique_ptr<ModuleLibrary> library_;
  DataTable table_;
  std::unique_ptr<TerminalHost> host_;
  std::unique_ptr<IAnalysisModule> module_;
  std::unique_ptr<InterruptScope> interrupt_;
};

}  // namespace linkan::app
