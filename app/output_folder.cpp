// output_folder.cpp
#include "output_folder.h"

#include <filesystem>

#include "csv_writer.h"
#include "file_io.h"
#include "linkanalysis/results_table.h"

namespace linkan::app {

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

OutputFolder::OutputFolder(std::string folder) : folder_(std::move(folder)) {}

std::string OutputFolder::NextPath(const std::string& name, const char* extension) const {
  const std::string file = std::to_string(documents_.size() + 1) + "-" + Slug(name) + extension;
  return (std::filesystem::path(folder_) / file).string();
}

std::string OutputFolder::AddText(TextDocKind kind, const std::string& title,
                                  const std::string& text) {
  const std::string path = NextPath(title, ".txt");
  std::string body = text;
  if (!body.empty() && body.back() != '\n') body.push_back('\n');
  WriteFileAtomically(path, body);
  documents_.push_back({path, kind == TextDocKind::kMacro ? "macro" : "report", title, {}});
  return path;
}

std::string OutputFolder::AddSpreadsheet(const ResultsTable& table) {
  const std::string& name = !table.documentName.empty() ? table.documentName : table.titles[0];
  const std::string path = NextPath(name, ".csv");
  WriteFileAtomically(path, ResultsTableToCsv(table));
  documents_.push_back({path, "spreadsheet", table.titles[0], table.titles});
  return path;
}

}  // namespace linkan::app
