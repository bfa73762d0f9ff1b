// output_folder.cpp
#include "output_folder.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "csv_writer.h"
#include "data_error.h"
#include "file_io.h"
#include "html_index.h"
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
  const std::string& name = !table.documentName.empty() ? table.documentName : table.titles[0];
  OutputDocument doc{.kind = "spreadsheet",
                     .name = Slug(name),
                     .title = table.titles[0],
                     .titleLines = table.titles,
                     .rows = table.rows};
  if (mode_ == OutputMode::kNumbered) {
    doc.file = NextPath(name, ".csv");
    WriteFileAtomically(doc.file, ResultsTableToCsv(table, cancel_));
  } else {
    const std::string file = UniqueFileName(name, ".csv");
    WriteFileAtomically(StagedPath(file), ResultsTableToCsv(table, cancel_));
    doc.file = (fs::path(folder_) / file).string();
    doc.html = SpreadsheetHtml(table, kIndexRowLimit, file);
  }
  documents_.push_back(std::move(doc));
  return documents_.back().file;
}

void OutputFolder::AddMessage(const std::string& name, const std::string& text) {
  documents_.push_back({.kind = "message", .name = name, .text = text});
}

void OutputFolder::Commit(const std::string& indexHtml, const std::vector<std::string>& obsolete) {
  if (committed_) throw DataError(folder_, 0, 0, "the run's documents are already written");
  // An index of an earlier run must not describe a folder half replaced.
  std::error_code removed;
  fs::remove(fs::path(folder_) / "index.html", removed);
  std::vector<std::string> written;
  for (const OutputDocument& doc : documents_) {
    if (doc.file.empty()) continue;
    const fs::path target(doc.file);
    const fs::path staged = fs::path(staging_) / target.filename();
    std::error_code ec;
    fs::rename(staged, target, ec);  // atomic: the old file or the new one
    if (ec) throw DataError(doc.file, 0, 0, "cannot write: " + ec.message());
    written.push_back(target.filename().string());
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
