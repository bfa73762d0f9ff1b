// html_index.h
//
// index.html of a run: one self-contained page (no external files) that
// shows every document of the run in order, after a list of links to each.
// A spreadsheet is shown as an HTML table with its heading, its title lines,
// its column names and its row names, and a link to its CSV file; a picture
// inline (its SVG) under its title lines, with links to its files; a report
// as preformatted text; a message shown instead of a document as that
// message. Every text from the data or the module is HTML-escaped. A small
// inline script sorts a table by the column whose name is clicked (numbers
// as numbers), and back.
//
// Numbers are shown to 6 significant digits for reading, with the exact
// value (as in the CSV file) in the cell's tooltip; a missing cell is
// empty. A spreadsheet shows at most `maxRows` rows, then says how many
// more its file holds. The tables of selected items and of the disjoint
// patterns get headings of their own ("Rules with selected items as
// heads", ...), since their first title lines are those of other tables.
//
// Thread safety: no shared state.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "output_folder.h"

namespace linkan {
struct ResultsTable;
}

namespace linkan::app {

// & < > " ' as entities; every other byte unchanged.
std::string HtmlEscape(std::string_view text);

// A spreadsheet as an HTML fragment: title lines, then the table. `fileName`
// is the CSV file's name relative to index.html ("" for none).
std::string SpreadsheetHtml(const ResultsTable& table, int maxRows, const std::string& fileName);
// The same for a spreadsheet of `totalRows` rows of which `table` holds the
// first ones (those kept for the index while the file was written).
// `rankedBy` (not empty): the rows are the table's strongest rules, ranked
// by that (ranked_rows.h), as the page then says.
std::string SpreadsheetHtml(const ResultsTable& table, int maxRows, const std::string& fileName,
                            long totalRows, const std::string& rankedBy = "");

// The heading of a document on the page and in its list of links.
std::string DocumentHeading(const OutputDocument& doc);

// A report or macro as an HTML fragment.
std::string TextDocumentHtml(const std::string& title, const std::string& text,
                             const std::string& fileName);

// A picture as an HTML fragment: its title lines, links to its files and
// the picture itself (`inlineSvg`, svg_text.h).
std::string PictureHtml(const std::vector<std::string>& titles,
                        const std::vector<std::string>& fileNames, const std::string& inlineSvg);

struct IndexPage {
  std::string title;                                       // the page's heading
  std::vector<std::pair<std::string, std::string>> facts;  // label, value (data, task, ...)
  std::string summary;                                     // the run's summary line
};

// The whole page: heading, facts, summary, then each document's fragment
// (OutputDocument::html; messages rendered here) in order.
std::string IndexHtml(const IndexPage& page, const std::vector<OutputDocument>& documents);

}  // namespace linkan::app
