// memory_host.cpp
#include "memory_host.h"

#include <utility>

#include "graph_render.h"
#include "output_folder.h"

namespace linkan::app {
namespace {

// A bar of the module's (the enumeration's count of patterns): the
// terminal host's bar, which also updates the host's snapshot.
class SnapshotProgressBar : public HostProgressBar {
 public:
  SnapshotProgressBar(MemoryHost& host, std::unique_ptr<HostProgressBar> inner, std::string title,
                      unsigned long min, unsigned long max, bool counting)
      : host_(host), inner_(std::move(inner)), title_(std::move(title)), min_(min), max_(max),
        counting_(counting) {
    host_.NoteProgress(&title_, 0, Total());
  }
  void SetPosition(unsigned long position) override {
    inner_->SetPosition(position);
    host_.NoteProgress(&title_, position >= min_ ? position - min_ : 0, Total());
  }
  void SetText(const std::string& text) override {
    inner_->SetText(text);
    title_ = text;
    host_.NoteProgress(&title_, 0, Total());
  }
  bool WasCancelled() const override { return inner_->WasCancelled(); }

 private:
  // A counting bar (the patterns found so far) has no end.
  unsigned long long Total() const { return !counting_ && max_ > min_ ? max_ - min_ : 0; }
  MemoryHost& host_;
  std::unique_ptr<HostProgressBar> inner_;
  std::string title_;
  unsigned long min_;
  unsigned long max_;
  bool counting_;
};

}  // namespace

MemoryHost::MemoryHost(const DataTable& table, TerminalOptions options)
    : TerminalHost(table, options, lines, lines, noInput), countingBars_(options.countingBars) {}

std::vector<std::string> MemoryHost::TakeLines() {
  std::vector<std::string> out;
  std::istringstream text(lines.str());
  for (std::string line; std::getline(text, line);) {
    if (!line.empty()) out.push_back(line);
  }
  lines.str("");
  lines.clear();
  return out;
}

ProgressSnapshot MemoryHost::Progress() const {
  std::lock_guard lock(progressMutex_);
  return progress_;
}

void MemoryHost::NoteProgress(const std::string* title, unsigned long long position,
                              unsigned long long total) {
  std::lock_guard lock(progressMutex_);
  if (title) progress_.title = *title;
  progress_.position = position;
  progress_.total = total;
  ++progress_.changes;
}

std::string MemoryHost::UniqueName(const std::string& documentName, const std::string& title) {
  const std::string base = Slug(!documentName.empty() ? documentName : title);
  std::string name = base;
  for (int k = 2; names_.count(name); ++k) name = base + "-" + std::to_string(k);
  names_.insert(name);
  return name;
}

bool MemoryHost::ShowTextDocument(TextDocKind, const std::string& title, const std::string& text) {
  reports_.push_back({title, text});
  return true;
}

bool MemoryHost::ShowSpreadsheet(const ResultsTable& table) {
  tables_.push_back(table);
  tables_.back().documentName = UniqueName(table.documentName, table.titles[0]);
  return true;
}

std::unique_ptr<SpreadsheetStream> MemoryHost::OpenSpreadsheet(const ResultsTable& header) {
  return std::make_unique<CollectedSpreadsheet>(
      header, [this](const ResultsTable& table) { return ShowSpreadsheet(table); });
}

bool MemoryHost::ShowGraph(const GraphDocument& graph) {
  std::vector<std::string> titles = GraphTitleLines(graph);
  const std::string title = titles.empty() ? std::string("graph") : titles[0];
  auto kept = std::make_shared<const GraphDocument>(graph);
  pictures_.push_back({UniqueName(graph.documentName, title), std::move(titles),
                       RenderGraph(graph, false).svg, [kept] { return RenderGraph(*kept).png; }});
  return true;
}

bool MemoryHost::ShowDiscreteContourGraph(const DiscreteContourChart& chart) {
  std::vector<std::string> titles = ChartTitleLines(chart);
  const std::string title = titles.empty() ? std::string("chart") : titles[0];
  auto kept = std::make_shared<const DiscreteContourChart>(chart);
  pictures_.push_back({UniqueName(chart.documentName, title), std::move(titles),
                       RenderChart(chart, false).svg, [kept] { return RenderChart(*kept).png; }});
  return true;
}

void MemoryHost::ProgressTitle(const std::string& text) {
  TerminalHost::ProgressTitle(text);
  mainTitle_ = text;
  NoteProgress(&mainTitle_, 0, static_cast<unsigned long long>(mainTotal_));
}

void MemoryHost::ProgressStart(long total) {
  TerminalHost::ProgressStart(total);
  mainTotal_ = total > 0 ? total : 0;
  NoteProgress(&mainTitle_, 0, static_cast<unsigned long long>(mainTotal_));
}

void MemoryHost::ProgressStep(long step) {
  TerminalHost::ProgressStep(step);
  NoteProgress(nullptr, step > 0 ? static_cast<unsigned long long>(step) : 0,
               static_cast<unsigned long long>(mainTotal_));
}

std::unique_ptr<HostProgressBar> MemoryHost::NewProgressBar(unsigned long min, unsigned long max,
                                                            const std::string& title,
                                                            bool watchExternalCancel,
                                                            bool raiseOnExternalCancel) {
  return std::make_unique<SnapshotProgressBar>(
      *this,
      TerminalHost::NewProgressBar(min, max, title, watchExternalCancel, raiseOnExternalCancel),
      title, min, max, countingBars_);
}

}  // namespace linkan::app
