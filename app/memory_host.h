// memory_host.h
//
// MemoryHost: the host document of the Python module and of `linkan
// serve`. It is the terminal host of `linkan` (terminal_host.h: the table,
// questions under automation, memory, cancellation) with its documents
// kept in memory instead of written to files:
//   Spreadsheets  every table shown (whole or row by row) is kept as a
//                 ResultsTable, named as `linkan run` names its file
//                 ("rules", "items"; a second one of a name gets "-2").
//   Pictures      graph documents and rule charts are drawn as SVG
//                 (graph_render.h) and kept with their title lines; the
//                 PNG is drawn when asked for (it costs as much again).
//   Reports       text documents are kept by title.
//   Lines         what the terminal host prints (warnings, log lines) goes
//                 to a buffer that TakeLines() empties.
//   Progress      the main bar and the bars of NewProgressBar update one
//                 snapshot that another thread may read (Progress()).
//
// Thread safety: the module calls from the thread that runs it; Progress()
// and the cancel flag may be used from any thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "terminal_host.h"

namespace linkan::app {

struct KeptPicture {
  std::string name;
  std::vector<std::string> titles;
  std::string svg;
  // Draws the PNG of the same picture.
  std::function<std::string()> png;
};

struct KeptReport {
  std::string title;
  std::string text;
};

// The state of the bar that moved last.
struct ProgressSnapshot {
  std::string title;
  unsigned long long position = 0;
  unsigned long long total = 0;  // 0: a count without an end
  unsigned long long changes = 0;  // grows with every update
};

// The streams the terminal host is given: made before it, as a base.
struct MemoryHostStreams {
  std::ostringstream lines;
  std::istringstream noInput;
};

class MemoryHost : private MemoryHostStreams, public TerminalHost {
 public:
  // `table` must outlive the host.
  MemoryHost(const DataTable& table, TerminalOptions options);

  std::vector<ResultsTable>& tables() { return tables_; }
  std::vector<KeptPicture>& pictures() { return pictures_; }
  std::vector<KeptReport>& reports() { return reports_; }
  // The lines printed since the last call, one per element.
  std::vector<std::string> TakeLines();
  ProgressSnapshot Progress() const;
  // Called by the progress bars this host makes.
  void NoteProgress(const std::string* title, unsigned long long position,
                    unsigned long long total);

  bool ShowTextDocument(TextDocKind kind, const std::string& title,
                        const std::string& text) override;
  bool ShowSpreadsheet(const ResultsTable& table) override;
  std::unique_ptr<SpreadsheetStream> OpenSpreadsheet(const ResultsTable& header) override;
  bool ShowGraph(const GraphDocument& graph) override;
  bool ShowDiscreteContourGraph(const DiscreteContourChart& chart) override;

  void ProgressTitle(const std::string& text) override;
  void ProgressStart(long total) override;
  void ProgressStep(long step) override;
  std::unique_ptr<HostProgressBar> NewProgressBar(unsigned long min, unsigned long max,
                                                  const std::string& title,
                                                  bool watchExternalCancel,
                                                  bool raiseOnExternalCancel) override;

 private:
  // The name `linkan run` would give the document's file, unique here.
  std::string UniqueName(const std::string& documentName, const std::string& title);

  std::vector<ResultsTable> tables_;
  std::vector<KeptPicture> pictures_;
  std::vector<KeptReport> reports_;
  std::set<std::string> names_;
  mutable std::mutex progressMutex_;
  ProgressSnapshot progress_;
  std::string mainTitle_;
  long mainTotal_ = 0;
  bool countingBars_;
};

}  // namespace linkan::app
