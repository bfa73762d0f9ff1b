// terminal_host.cpp
#include "terminal_host.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <istream>
#include <ostream>
#include <utility>

#include "csv_writer.h"
#include "data_document.h"
#include "data_error.h"
#include "graph_json.h"
#include "graph_render.h"
#include "linkanalysis/results_table.h"

namespace linkan::app {
namespace {

class TerminalProgressBar : public HostProgressBar {
 public:
  TerminalProgressBar(ProgressDisplay& display, const std::atomic<bool>& cancelled,
                      unsigned long min, unsigned long max, const std::string& title,
                      bool showCount, const std::string& countUnit)
      : display_(display), cancelled_(cancelled), min_(min) {
    state_.title = title;
    state_.total = max > min ? static_cast<long>(max - min) : 0;
    state_.showCount = showCount;
    state_.countUnit = countUnit;
    display_.Begin(state_);
  }
  ~TerminalProgressBar() override { display_.End(state_); }

  // The module may update its bars from worker threads: every change goes
  // through the display's lock.
  void SetPosition(unsigned long position) override {
    const long p = position > min_ ? static_cast<long>(position - min_) : 0;
    display_.Modify(state_, [p](ProgressState& s) { s.position = p; });
  }
  void SetText(const std::string& text) override {
    display_.Modify(state_, [&text](ProgressState& s) { s.text = text; });
  }
  bool WasCancelled() const override { return cancelled_.load(); }

 private:
  ProgressDisplay& display_;
  const std::atomic<bool>& cancelled_;
  unsigned long min_;
  ProgressState state_;
};

std::string FolderOf(const std::string& file) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(file, ec);
  if (ec) p = file;
  return p.parent_path().lexically_normal().string();
}

std::string ToLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

TerminalHost::TerminalHost(const DataTable& table, TerminalOptions options, std::ostream& out,
                           std::ostream& err, std::istream& in)
    : table_(table),
      options_(std::move(options)),
      out_(out),
      in_(in),
      display_(err, options_.progress, options_.width),
      dataFolder_(FolderOf(table.source())) {
  if (!options_.outputFolder.empty()) {
    output_.emplace(options_.outputFolder, options_.outputMode);
    output_->SetCancelFlag(&cancelled_);
  }
}

TerminalHost::~TerminalHost() {
  if (mainBarShown_) display_.End(mainBar_);
}

// ---- The table ---------------------------------------------------------------

CaseReadResult TerminalHost::ReadCase(long caseNo, std::vector<double>& values, bool& weighted,
                                      double& weight) {
  if (caseNo < 1 || caseNo > table_.CaseCount()) return CaseReadResult::kStop;
  const long row = caseNo - 1;
  const int vars = table_.VariableCount();
  values.assign(static_cast<std::size_t>(vars) + 1, 0.0);
  for (int v = 0; v < vars; ++v) values[static_cast<std::size_t>(v) + 1] = table_.Value(row, v);
  const int w = table_.weightVariable();
  weighted = w >= 0;
  weight = 1.0;
  if (weighted) {
    weight = table_.Value(row, w);
    if (weight == kMissingCode) return CaseReadResult::kSkip;  // no weight, no case
  }
  return CaseReadResult::kUse;
}

double TerminalHost::GetMissingCode(int /*var*/) const { return kMissingCode; }

std::string TerminalHost::GetVariableName(int var) const {
  return ValidVariable(var) ? table_.variable(var - 1).name : std::string();
}

std::string TerminalHost::GetCellText(long row, int col) const {
  if (!ValidVariable(col) || row < 1 || row > table_.CaseCount()) return {};
  return table_.CellText(row - 1, col - 1);
}

std::vector<std::string> TerminalHost::GetValueLabels(int var) const {
  return ValidVariable(var) ? table_.variable(var - 1).labels : std::vector<std::string>();
}

// ---- Memory --------------------------------------------------------------------

void* TerminalHost::AllocMem(std::size_t bytes) { return std::malloc(bytes ? bytes : 1); }

void TerminalHost::FreeMem(void* p) { std::free(p); }

// ---- Messages --------------------------------------------------------------------

void TerminalHost::ShowMessage(const std::string& text) {
  if (holding_) {
    held_.push_back({text, text});
    return;
  }
  display_.Print(text);
}

void TerminalHost::ShowMessageBox(const std::string& caption, const std::string& text) {
  if (holding_) {
    held_.push_back({caption + ": " + text, text});
    return;
  }
  display_.Print(caption + ": " + text);
}

std::vector<HeldMessage> TerminalHost::ReleaseMessages() {
  holding_ = false;
  return std::exchange(held_, {});
}

bool TerminalHost::AskYesNo(const std::string& caption, const std::string& text) {
  const std::string question = caption + ": " + text;
  if (options_.automation) {
    // Not asked, but a question (such as "this may exhaust memory") is
    // worth seeing before the run goes on.
    display_.Print("linkan: warning: " + question + " [y/n] y (not asked: the run is scripted)");
    return true;
  }
  if (!options_.interactive) {
    display_.Print(question + " [y/n] n (not asked: not an interactive terminal)");
    return false;
  }
  for (;;) {
    display_.Prompt(question + " [y/n] ");
    std::string answer;
    if (!std::getline(in_, answer)) {
      display_.Print("");
      return false;
    }
    answer.erase(0, answer.find_first_not_of(" \t"));
    answer.erase(answer.find_last_not_of(" \t\r") + 1);
    answer = ToLower(answer);
    if (answer == "y" || answer == "yes") return true;
    if (answer == "n" || answer == "no") return false;
  }
}

// The host log is on with the debugger output: a script's failed member is
// reported by the script's own error, the log line adds detail.
void TerminalHost::LogEntry(int level, const std::string& text) {
  if (!options_.debug) return;
  const std::string line = "log[" + std::to_string(level) + "]: " + text;
  if (holding_) {
    held_.push_back({line, text, true});
    return;
  }
  display_.Print(line);
}

void TerminalHost::DebugOutput(const std::string& text) {
  if (!options_.debug) return;
  std::string line = text;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  display_.Print(line);
}

// ---- Progress ------------------------------------------------------------------------

void TerminalHost::ProgressTitle(const std::string& text) {
  mainBar_.title = text;
  if (mainBarShown_) display_.Changed(mainBar_);
}

void TerminalHost::ProgressStart(long total) {
  if (mainBarShown_) display_.End(mainBar_);
  mainBar_.total = total;
  mainBar_.position = 0;
  display_.Begin(mainBar_);
  mainBarShown_ = true;
}

void TerminalHost::ProgressStep(long step) {
  mainBar_.position = step;
  if (mainBarShown_) display_.Changed(mainBar_);
}

void TerminalHost::ProgressStop() {
  if (!mainBarShown_) return;
  display_.End(mainBar_);
  mainBarShown_ = false;
}

std::unique_ptr<HostProgressBar> TerminalHost::NewProgressBar(unsigned long min, unsigned long max,
                                                              const std::string& title,
                                                              bool /*watchExternalCancel*/,
                                                              bool /*raiseOnExternalCancel*/) {
  return std::make_unique<TerminalProgressBar>(display_, cancelled_, min, max, title,
                                               options_.countingBars, options_.countUnit);
}

// ---- Environment --------------------------------------------------------------------

int TerminalHost::GetProfileInt(int entry, int defaultValue) const {
  const std::string name = "LINKAN_PROFILE_" + std::to_string(entry);
  const auto commandDefault = options_.profileDefaults.find(entry);
  if (commandDefault != options_.profileDefaults.end()) defaultValue = commandDefault->second;
  const char* value = std::getenv(name.c_str());
  if (!value) return defaultValue;
  std::string_view text(value);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  int result = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), result);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    return defaultValue;
  }
  return result;
}

std::string TerminalHost::GetTempFileName(const std::string& prefix, const std::string& extension) {
  std::string folder = options_.tempFolder;
  if (folder.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    folder = tmp && *tmp ? tmp : "/tmp";
  }
  const std::string suffix = extension.empty() ? std::string() : "." + extension;
  std::string name = (std::filesystem::path(folder) / (prefix + "XXXXXX" + suffix)).string();
  // mkstemps creates the file, so the name stays ours.
  const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (fd >= 0) {
    ::close(fd);
    return name;
  }
  display_.Print("cannot create a temporary file in " + folder);
  return {};
}

// ---- Documents and dialogs -----------------------------------------------------------

bool TerminalHost::ShowTextDocument(TextDocKind kind, const std::string& title,
                                    const std::string& text) {
  if (!output_) {
    out_ << "== " << title << " ==\n" << text;
    if (!text.empty() && text.back() != '\n') out_ << '\n';
    out_ << std::flush;
    return true;
  }
  try {
    output_->AddText(kind, title, text);
    return true;
  } catch (const DataError& e) {
    NoteWriteError(e.what());
    return false;
  }
}

namespace {

// A spreadsheet on its way to a file of the output folder, or without one
// to the output stream. A failed write is noted once and ends the table:
// the rest is ignored and Finish reports it not shown.
class TerminalSpreadsheet : public SpreadsheetStream {
 public:
  TerminalSpreadsheet(const ResultsTable& header, const TerminalHost::RowObserver& observer,
                      std::unique_ptr<SpreadsheetWriter> writer, std::ostream& out,
                      std::function<void(const std::string&)> noteWriteError)
      : header_(header),
        observer_(observer),
        writer_(std::move(writer)),
        out_(out),
        noteWriteError_(std::move(noteWriteError)) {
    if (writer_) return;
    for (const std::string& line : header_.titles) {
      if (!line.empty()) out_ << "== " << line << " ==\n";
    }
    std::string csv;
    AppendCsvHeader(csv, header_.columnNames, header_.cols);
    out_ << csv;
  }

  void AddRow(std::string_view rowName, std::span<const ResultsCell> cells) override {
    if (failed_ || rows_ >= header_.rows) return;
    ++rows_;
    if (observer_) observer_(header_, rowName, cells);
    if (!writer_) {
      line_.clear();
      AppendCsvRow(line_, rowName, cells, header_.cols);
      out_ << line_;
      return;
    }
    Guarded([&] { writer_->AddRow(rowName, cells); });
  }

  bool Finish() override {
    if (!writer_) {
      const std::vector<ResultsCell> empty(static_cast<std::size_t>(header_.cols));
      while (!failed_ && rows_ < header_.rows) AddRow({}, empty);
      out_ << std::flush;
      return true;
    }
    if (!failed_) Guarded([&] { writer_->Finish(); });
    return !failed_;
  }

 private:
  template <typename Write>
  void Guarded(Write write) {
    try {
      write();
    } catch (const CancelledError&) {
      failed_ = true;  // not shown; the command reports the cancellation
    } catch (const DataError& e) {
      failed_ = true;
      noteWriteError_(e.what());
    }
  }

  const ResultsTable header_;
  const TerminalHost::RowObserver& observer_;
  std::unique_ptr<SpreadsheetWriter> writer_;
  std::ostream& out_;
  std::function<void(const std::string&)> noteWriteError_;
  std::string line_;
  long rows_ = 0;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<SpreadsheetStream> TerminalHost::OpenSpreadsheet(const ResultsTable& header) {
  auto note = [this](const std::string& text) { NoteWriteError(text); };
  std::unique_ptr<SpreadsheetWriter> writer;
  if (output_) {
    try {
      writer = output_->OpenSpreadsheet(header);
    } catch (const DataError& e) {
      NoteWriteError(e.what());
      return std::make_unique<CollectedSpreadsheet>(
          ResultsTable{}, [](const ResultsTable&) { return false; });
    }
  }
  return std::make_unique<TerminalSpreadsheet>(header, rowObserver_, std::move(writer), out_,
                                               std::move(note));
}

bool TerminalHost::ShowSpreadsheet(const ResultsTable& table) {
  std::unique_ptr<SpreadsheetStream> stream = OpenSpreadsheet(table.Header());
  ReplayRows(table, [&](std::string_view name, std::span<const ResultsCell> cells) {
    stream->AddRow(name, cells);
  });
  return stream->Finish();
}

bool TerminalHost::ShowGraph(const GraphDocument& graph) {
  if (!output_) {
    const std::vector<std::string> titles = GraphTitleLines(graph);
    out_ << "== " << (titles.empty() ? graph.documentName : titles[0]) << " ==\n"
         << GraphJson(graph) << std::flush;
    return true;
  }
  try {
    output_->AddGraph(graph);
    return true;
  } catch (const DataError& e) {
    NoteWriteError(e.what());
    return false;
  }
}

bool TerminalHost::ShowDiscreteContourGraph(const DiscreteContourChart& chart) {
  if (!output_) {
    const std::vector<std::string> titles = ChartTitleLines(chart);
    out_ << "== " << (titles.empty() ? chart.documentName : titles[0]) << " ==\n"
         << ChartJson(chart) << std::flush;
    return true;
  }
  try {
    output_->AddChart(chart);
    return true;
  } catch (const DataError& e) {
    NoteWriteError(e.what());
    return false;
  }
}

void TerminalHost::NoteWriteError(const std::string& text) {
  if (writeError_.empty()) writeError_ = text;
  // A run reports the first failed write itself, as its error.
  if (options_.outputMode != OutputMode::kRun) display_.Print("linkan: " + text);
}

bool TerminalHost::CreateAnalysisDialog(CAnalysisModelessDialog& /*dialog*/) { return true; }

bool TerminalHost::ShowCodesDialog(CodesPage& /*page*/) { return true; }

std::unique_ptr<HostDataDocument> TerminalHost::OpenDataDocument(const std::string& path,
                                                                 std::string& error) {
  return OpenTableDocument(path, error);
}

}  // namespace linkan::app
