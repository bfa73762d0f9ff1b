// output_folder.cpp
#include "output_folder.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "csv_writer.h"
#include "data_error.h"
#include "file_io.h"
#include "graph_json.h"
#include "graph_render.h"
#include "html_index.h"
#include "svg_text.h"
#include "linkanalysis/results_table.h"

namespace linkan::app {

namespace fs = std::filesystem;

std::string Slug(const std::string& title) {
  constexpr std::size_t kMaxSlug = 40;
  std::string slug;
  bool dash = false;
  for (char c : title) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!keep) {
      dash = !slug.empty();
      continue;
    }
    if (dash) slug.push_back('-');
    dash = false;
    slug.push_back(c);
    if (slug.size() >= kMaxSlug) break;
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug.empty() ? "document" : slug;
}

OutputFolder::OutputFolder(std::string folder, OutputMode mode)
    : folder_(std::move(folder)), mode_(mode) {}

OutputFolder::~OutputFolder() {
  if (staging_.empty()) return;
  std::error_code ec;
  fs::remove_all(staging_, ec);  // a run that did not commit leaves nothing
}

std::string OutputFolder::NextPath(const std::string& name, const char* extension) const {
  const std::string file = std::to_string(documents_.size() + 1) + "-" + Slug(name) + extension;
  return (fs::path(folder_) / file).string();
}

std::string OutputFolder::UniqueFileName(const std::string& name, const char* extension) const {
  const std::string base = Slug(name);
  auto used = [this](const std::string& file) {
    return std::any_of(documents_.begin(), documents_.end(), [&](const OutputDocument& d) {
      return !d.file.empty() && fs::path(d.file).filename() == file;
    });
  };
  std::string file = base + extension;
  for (int n = 2; used(file) || file == "index.html"; ++n) {
    file = base + "-" + std::to_string(n) + extension;
  }
  return file;
}

std::string OutputFolder::StagedPath(const std::string& fileName) {
  if (committed_) throw DataError(folder_, 0, 0, "the run's documents are already written");
  if (staging_.empty()) {
    std::string tmpl = (fs::path(folder_) / ".linkan-partial-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
      throw DataError(folder_, 0, 0, std::string("cannot write: ") + std::strerror(errno));
    }
    staging_ = tmpl;
  }
  return (fs::path(staging_) / fileName).string();
}

std::string OutputFolder::AddText(TextDocKind kind, const std::string& title,
                                  const std::string& text) {
  std::string body = text;
  if (!body.empty() && body.back() != '\n') body.push_back('\n');
  OutputDocument doc{.kind = kind == TextDocKind::kMacro ? "macro" : "report",
                     .name = Slug(title),
                     .title = title};
  if (mode_ == OutputMode::kNumbered) {
    doc.file = NextPath(title, ".txt");
    WriteFileAtomically(doc.file, body);
  } else {
    const std::string file = UniqueFileName(title, ".txt");
    WriteFileAtomically(StagedPath(file), body);
    doc.file = (fs::path(folder_) / file).string();
    doc.html = TextDocumentHtml(title, body, file);
  }
  documents_.push_back(std::move(doc));
  return documents_.back().file;
}

std::string OutputFolder::AddSpreadsheet(const ResultsTable& table) {
  const std::unique_ptr<SpreadsheetWriter> writer = OpenSpreadsheet(table.Header());
  ReplayRows(table, [&](std::string_view name, std::span<const ResultsCell> cells) {
    writer->AddRow(name, cells);
  });
  return writer->Finish();
}

std::unique_ptr<SpreadsheetWriter> OutputFolder::OpenSpreadsheet(const ResultsTable& header) {
  const std::string& name = !header.documentName.empty() ? header.documentName : header.titles[0];
  OutputDocument doc{.kind = "spreadsheet",
                     .name = Slug(name),
                     .title = header.titles[0],
                     .titleLines = header.titles,
                     .rows = header.rows};
  std::string path;
  if (mode_ == OutputMode::kNumbered) {
    doc.file = NextPath(name, ".csv");
    path = doc.file;
  } else {
    const std::string file = UniqueFileName(name, ".csv");
    path = StagedPath(file);
    doc.file = (fs::path(folder_) / file).string();
  }
  return std::make_unique<SpreadsheetWriter>(*this, std::move(doc), std::move(path), header);
}

SpreadsheetWriter::SpreadsheetWriter(OutputFolder& folder, OutputDocument doc, std::string path,
                                     const ResultsTable& header)
    : folder_(folder),
      doc_(std::move(doc)),
      file_(std::move(path)),
      cols_(header.cols),
      rows_(header.rows) {
  AppendCsvHeader(file_.buffer(), header.columnNames, cols_);
  if (folder_.mode() == OutputMode::kRun) {
    ResultsTable shown = header;
    shown.rows = static_cast<int>(std::min<long>(rows_, kIndexRowLimit));
    previewRows_ = std::make_unique<CollectedSpreadsheet>(shown, [this](const ResultsTable& t) {
      preview_ = t;
      return true;
    });
    textColumn_.assign(static_cast<std::size_t>(std::max(cols_, 0)), 0);
    ranked_ = RankedRows::ForTable(header, static_cast<std::size_t>(shown.rows));
  }
}

void SpreadsheetWriter::AddRow(std::string_view rowName, std::span<const ResultsCell> cells) {
  if (written_ >= rows_) return;
  if ((written_ & 0xfff) == 0xfff && folder_.cancel_ != nullptr && folder_.cancel_->load()) {
    throw CancelledError("cancelled while writing " + doc_.name);
  }
  ++written_;
  AppendCsvRow(file_.buffer(), rowName, cells, cols_, &numbers_);
  file_.FlushIfFull();
  if (!previewRows_) return;
  if (ranked_) {
    ranked_->Add(rowName, cells);
  } else {
    previewRows_->AddRow(rowName, cells);
  }
  for (std::size_t c = 0; c < cells.size() && c < textColumn_.size(); ++c) {
    if (cells[c].isText) textColumn_[c] = 1;
  }
}

std::string SpreadsheetWriter::Finish() {
  const std::vector<ResultsCell> empty(static_cast<std::size_t>(std::max(cols_, 0)));
  while (written_ < rows_) AddRow({}, empty);
  file_.Commit();
  if (previewRows_) {
    if (ranked_) {
      ranked_->Replay([this](std::string_view name, std::span<const ResultsCell> cells) {
        previewRows_->AddRow(name, cells);
      });
    }
    previewRows_->Finish();
    preview_.textColumn = textColumn_;  // the alignment follows every row
    doc_.html = SpreadsheetHtml(preview_, kIndexRowLimit, fs::path(doc_.file).filename().string(),
                                rows_, ranked_ ? ranked_->RankedBy() : "");
  }
  folder_.documents_.push_back(std::move(doc_));
  return folder_.documents_.back().file;
}

std::string OutputFolder::AddGraph(const GraphDocument& graph) {
  std::vector<std::string> titles = GraphTitleLines(graph);
  const std::string name = !graph.documentName.empty() ? graph.documentName
                           : !titles.empty()           ? titles[0]
                                                       : std::string("graph");
  const auto started = std::chrono::steady_clock::now();
  Picture picture;
  try {
    picture = RenderGraph(graph);
  } catch (const std::exception& e) {
    throw DataError(name, 0, 0, e.what());
  }
  return AddPicture(name, std::move(titles), GraphJson(graph), picture, started);
}

std::string OutputFolder::AddChart(const DiscreteContourChart& chart) {
  std::vector<std::string> titles = ChartTitleLines(chart);
  const std::string name = !chart.documentName.empty() ? chart.documentName
                           : !titles.empty()           ? titles[0]
                                                       : std::string("chart");
  const auto started = std::chrono::steady_clock::now();
  Picture picture;
  try {
    picture = RenderChart(chart);
  } catch (const std::exception& e) {
    throw DataError(name, 0, 0, e.what());
  }
  return AddPicture(name, std::move(titles), ChartJson(chart), picture, started);
}

std::string OutputFolder::AddPicture(const std::string& name, std::vector<std::string> titles,
                                     const std::string& json, const Picture& picture,
                                     std::chrono::steady_clock::time_point started) {
  OutputDocument doc{.kind = "picture", .name = Slug(name)};
  doc.title = titles.empty() ? std::string() : titles[0];
  std::string base;
  if (mode_ == OutputMode::kNumbered) {
    base = fs::path(NextPath(name, ".svg")).stem().string();
  } else {
    base = fs::path(UniqueFileName(name, ".svg")).stem().string();
  }
  const std::pair<const char*, const std::string*> files[] = {
      {".svg", &picture.svg}, {".png", &picture.png}, {".json", &json}};
  std::vector<std::string> written;
  try {
    for (const auto& [extension, content] : files) {
      const std::string fileName = base + extension;
      const std::string path = mode_ == OutputMode::kNumbered
                                   ? (fs::path(folder_) / fileName).string()
                                   : StagedPath(fileName);
      WriteFileAtomically(path, *content);
      written.push_back(path);
      const std::string final = (fs::path(folder_) / fileName).string();
      if (doc.file.empty()) {
        doc.file = final;
      } else {
        doc.otherFiles.push_back(final);
      }
    }
  } catch (const DataError&) {
    for (const std::string& path : written) {  // all three or none
      std::error_code ec;
      fs::remove(path, ec);
    }
    throw;
  }
  if (mode_ == OutputMode::kRun) {
    doc.html = PictureHtml(titles, {base + ".svg", base + ".png", base + ".json"},
                           InlineSvg(picture.svg, base + "-"));
  }
  doc.pictureTitles = std::move(titles);
  doc.drawSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  documents_.push_back(std::move(doc));
  return documents_.back().file;
}

void OutputFolder::AddMessage(const std::string& name, const std::string& text) {
  documents_.push_back({.kind = "message", .name = name, .text = text});
}

std::string OutputFolder::AddFile(const std::string& fileName, const std::string& title,
                                  const std::function<void(const std::string&)>& write) {
  write(StagedPath(fileName));
  OutputDocument doc{.file = (fs::path(folder_) / fileName).string(),
                     .kind = "file",
                     .name = Slug(fileName),
                     .title = title};
  doc.html = "<p><a href=\"" + HtmlEscape(fileName) + "\">" + HtmlEscape(fileName) + "</a>: " +
             HtmlEscape(title) + "</p>\n";
  documents_.push_back(std::move(doc));
  return documents_.back().file;
}

void OutputFolder::Commit(const std::string& indexHtml, const std::vector<std::string>& obsolete) {
  if (committed_) throw DataError(folder_, 0, 0, "the run's documents are already written");
  // An index of an earlier run must not describe a folder half replaced.
  std::error_code removed;
  fs::remove(fs::path(folder_) / "index.html", removed);
  std::vector<std::string> written;
  for (const OutputDocument& doc : documents_) {
    if (doc.file.empty()) continue;
    std::vector<std::string> files = {doc.file};
    files.insert(files.end(), doc.otherFiles.begin(), doc.otherFiles.end());
    for (const std::string& file : files) {
      const fs::path target(file);
      const fs::path staged = fs::path(staging_) / target.filename();
      std::error_code ec;
      fs::rename(staged, target, ec);  // atomic: the old file or the new one
      if (ec) throw DataError(file, 0, 0, "cannot write: " + ec.message());
      written.push_back(target.filename().string());
    }
  }
  for (const std::string& name : obsolete) {
    if (std::find(written.begin(), written.end(), name) != written.end()) continue;
    std::error_code ec;
    fs::remove(fs::path(folder_) / name, ec);
  }
  WriteFileAtomically((fs::path(folder_) / "index.html").string(), indexHtml);
  committed_ = true;
  if (!staging_.empty()) {
    std::error_code ec;
    fs::remove_all(staging_, ec);
    staging_.clear();
  }
}

}  // namespace linkan::app
