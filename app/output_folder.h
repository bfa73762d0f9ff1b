// output_folder.h
//
// OutputFolder: the documents of a run as files in one folder. Documents are
// numbered in the order they arrive; a report or macro becomes
// "<n>-<slug>.txt", a spreadsheet "<n>-<slug>.csv" (csv_writer.h gives the
// layout), where the slug is the document's name or title in lower case
// with every run of other characters turned into one '-' (at most 40
// characters; "document" when nothing is left). Each file is written all or
// nothing. The list of documents (file, kind, titles) is kept for an index.
//
// Thread safety: one thread.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "linkanalysis/analysis_doc.h"

namespace linkan::app {

struct OutputDocument {
  std::string file;   // path of the written file
  std::string kind;   // "report", "macro" or "spreadsheet"
  std::string title;  // the document's title (first title line of a spreadsheet)
  std::array<std::string, 3> titleLines;  // spreadsheets: the three title lines
};

// "Rules of length 2!" -> "rules-of-length-2".
std::string Slug(const std::string& title);

class OutputFolder {
 public:
  // REQUIRES: `folder` exists (the command checks it).
  explicit OutputFolder(std::string folder);

  const std::string& folder() const { return folder_; }
  const std::vector<OutputDocument>& documents() const { return documents_; }

  // Write the document; return the file written. Throw DataError when the
  // file cannot be written.
  std::string AddText(TextDocKind kind, const std::string& title, const std::string& text);
  std::string AddSpreadsheet(const ResultsTable& table);

 private:
  std::string NextPath(const std::string& name, const char* extension) const;

  std::string folder_;
  std::vector<OutputDocument> documents_;
};

}  // namespace linkan::app
