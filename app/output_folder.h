// output_folder.h
//
// OutputFolder: the documents of a run as files in one folder, in one of
// two modes.
//
//   kNumbered  Documents are numbered in the order they arrive: a report or
//              macro becomes "<n>-<slug>.txt", a spreadsheet "<n>-<slug>.csv"
//              (csv_writer.h gives the layout), where the slug is the
//              document's name or title in lower case with every run of
//              other characters turned into one '-' (at most 40 characters;
//              "document" when nothing is left). Each file is written, all
//              or nothing, when its document arrives.
//   kRun       Files are named by the document's slug alone ("rules.csv"; a
//              second document of the same name gets "-2", "-3", ...). They
//              are written to a hidden staging folder inside the folder
//              (".linkan-partial-XXXXXX", made at the first document) and
//              moved into place only by Commit, which writes index.html
//              last. A run that never commits leaves the folder as it was:
//              the destructor removes the staging folder. Each document is
//              also rendered as HTML for the index, and messages shown
//              instead of a document can be listed (AddMessage).
//
// A picture (a graph document or a rule chart) is written as three files
// of one name: NAME.svg and NAME.png (graph_render.h) and NAME.json, its
// display list (graph_json.h); all three or none. In the index it shows
// inline, under its title lines.
//
// The list of documents (file, kind, titles) is kept for the index.
//
// Thread safety: one thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "file_io.h"
#include "number_text.h"
#include "ranked_rows.h"
#include "linkanalysis/analysis_doc.h"

namespace linkan::app {

enum class OutputMode { kNumbered, kRun };

struct Picture;

struct OutputDocument {
  std::string file{};   // path of the file (in the folder); "" for a message
  std::vector<std::string> otherFiles{};  // pictures: the .png and .json beside the .svg
  std::string kind{};   // "report", "macro", "spreadsheet", "picture" or "message"
  std::string name{};   // the short name ("rules")
  std::string title{};  // the document's title (first title line of a spreadsheet)
  std::array<std::string, 3> titleLines{};  // spreadsheets: the three title lines
  std::vector<std::string> pictureTitles{};  // pictures: every title line
  long rows = 0;        // spreadsheets: the number of rows
  std::string text{};   // messages: the message
  std::string html{};   // kRun: the document as an HTML fragment for the index
  double drawSeconds = 0;  // pictures: the time taken to draw and encode the files
};

// "Rules of length 2!" -> "rules-of-length-2".
std::string Slug(const std::string& title);

// Spreadsheet rows shown in index.html; the CSV file always has them all.
// Rule tables show their strongest rows there (ranked_rows.h), other tables
// their first rows.
inline constexpr int kIndexRowLimit = 1000;

class OutputFolder;

// A spreadsheet written to its file row by row (OutputFolder::OpenSpreadsheet):
// the CSV goes out in blocks as the rows arrive, and only the rows the index
// shows are kept. The file and the document appear at Finish; a writer
// destroyed before that leaves nothing.
class SpreadsheetWriter {
 public:
  SpreadsheetWriter(OutputFolder& folder, OutputDocument doc, std::string path,
                    const ResultsTable& header);
  SpreadsheetWriter(const SpreadsheetWriter&) = delete;
  SpreadsheetWriter& operator=(const SpreadsheetWriter&) = delete;

  // Throw DataError when the file cannot be written, CancelledError when
  // the folder's cancel flag is set.
  void AddRow(std::string_view rowName, std::span<const ResultsCell> cells);
  // Rows not given are written empty. Returns the file's final path.
  std::string Finish();

 private:
  OutputFolder& folder_;
  OutputDocument doc_;
  AtomicFileWriter file_;
  NumberTextCache numbers_;
  int cols_;
  long rows_ = 0;         // rows announced
  long written_ = 0;      // rows written so far
  ResultsTable preview_;  // kRun: the first rows, for the index
  std::unique_ptr<CollectedSpreadsheet> previewRows_;
  std::vector<unsigned char> textColumn_;  // kRun: columns with a text cell in any row
  std::optional<RankedRows> ranked_;       // kRun, rule tables: the index shows the strongest
};

class OutputFolder {
 public:
  // REQUIRES: `folder` exists (the command checks it).
  explicit OutputFolder(std::string folder, OutputMode mode = OutputMode::kNumbered);
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  const std::string& folder() const { return folder_; }
  OutputMode mode() const { return mode_; }
  const std::vector<OutputDocument>& documents() const { return documents_; }

  // Write the document; return the file's final path. Throw DataError when
  // the file cannot be written (the document is then not listed).
  std::string AddText(TextDocKind kind, const std::string& title, const std::string& text);
  std::string AddSpreadsheet(const ResultsTable& table);
  // The same for a spreadsheet arriving row by row; `header` holds no cells.
  std::unique_ptr<SpreadsheetWriter> OpenSpreadsheet(const ResultsTable& header);
  // A picture: NAME.svg, NAME.png, NAME.json (NAME from the document's name,
  // else its title); returns the SVG file's final path. Throws DataError
  // (nothing written) when a file cannot be written or the picture cannot
  // be drawn.
  std::string AddGraph(const GraphDocument& graph);
  std::string AddChart(const DiscreteContourChart& chart);
  // A set flag makes AddSpreadsheet give up (CancelledError), writing
  // nothing. `cancel` must outlive the folder.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
  // Lists a message that was shown instead of the document `name`.
  void AddMessage(const std::string& name, const std::string& text);
  // kRun: a file another writer makes (a model file): `write` is given the
  // staged path to write `fileName` to and throws when it cannot; the file
  // is then listed (kind "file") and moved into place by Commit.
  std::string AddFile(const std::string& fileName, const std::string& title,
                      const std::function<void(const std::string& stagedPath)>& write);

  // kRun: moves every staged file into the folder, removes the files named
  // in `obsolete` (file names in the folder, such as the tables of an
  // earlier run) that this run did not write, and writes `indexHtml` as
  // index.html, last and all or nothing. Throws DataError. After Commit the
  // folder takes no more documents.
  void Commit(const std::string& indexHtml, const std::vector<std::string>& obsolete);

 private:
  friend class SpreadsheetWriter;
  const std::atomic<bool>* cancel_ = nullptr;
  std::string NextPath(const std::string& name, const char* extension) const;
  // kRun: the file name for `name` not used yet by this run.
  std::string UniqueFileName(const std::string& name, const char* extension) const;
  // kRun: where a file is written before Commit (the staging folder is made
  // on first use).
  std::string StagedPath(const std::string& fileName);
  std::string AddPicture(const std::string& name, std::vector<std::string> titles,
                         const std::string& json, const Picture& picture,
                         std::chrono::steady_clock::time_point started);

  std::string folder_;
  OutputMode mode_;
  std::string staging_;  // kRun: "" until the first document
  bool committed_ = false;
  std::vector<OutputDocument> documents_;
};

}  // namespace linkan::app
