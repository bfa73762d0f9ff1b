// html_index.cpp
#include "html_index.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "linkanalysis/results_table.h"
#include "number_text.h"

namespace linkan::app {
namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:2em}"
    "table{border-collapse:collapse;margin:.5em 0}"
    "th,td{border:1px solid #bbb;padding:2px 8px}"
    "th{background:#eee}td.n{text-align:right}th.r{text-align:right}"
    "p.t{margin:.1em 0}p.msg{color:#a33}pre{background:#f6f6f6;padding:.5em}"
    "dl{display:grid;grid-template-columns:max-content auto;gap:2px 12px}"
    "dt{font-weight:bold}dd{margin:0}"
    "table.s th{cursor:pointer}nav li{margin:.1em 0}"
    "div.pic{margin:.5em 0;overflow-x:auto}div.pic svg{display:block}";

// Sorts a table by the column of a clicked header cell, numbers as numbers
// (the exact value of a cell's tooltip when it has one), ascending, the
// second click descending.
constexpr const char* kSortScript =
    "document.querySelectorAll('table.s thead th').forEach(function(th){"
    "th.title='Sort by this column';"
    "th.addEventListener('click',function(){"
    "var table=th.closest('table'),body=table.tBodies[0],col=th.cellIndex;"
    "var ascending=th.dataset.sort!=='asc';"
    "table.querySelectorAll('thead th').forEach(function(h){delete h.dataset.sort;});"
    "th.dataset.sort=ascending?'asc':'desc';"
    "function key(row){var c=row.cells[col];if(!c)return '';"
    "var t=c.getAttribute('title')||c.textContent;var n=parseFloat(t);"
    "return (t.trim()!==''&&!isNaN(n)&&isFinite(t))?n:t;}"
    "var rows=Array.prototype.slice.call(body.rows);"
    "rows.sort(function(a,b){var x=key(a),y=key(b),r;"
    "if(typeof x==='number'&&typeof y==='number')r=x-y;"
    "else r=String(x).localeCompare(String(y));return ascending?r:-r;});"
    "rows.forEach(function(r){body.appendChild(r);});});});";

// Headings of the tables whose first title line is the whole table's.
struct NamedHeading {
  const char* documentName;
  const char* heading;
};
constexpr NamedHeading kHeadings[] = {
    {"rules-selected", "Rules with selected items"},
    {"rules-selected-bodies", "Rules with selected items as bodies"},
    {"rules-selected-heads", "Rules with selected items as heads"},
    {"itemsets-selected", "Frequent patterns of selected items only"},
    {"disjoint", "Disjoint patterns: the longest, none nested in another"},
};

const char* OwnHeading(const std::string& documentName) {
  for (const NamedHeading& h : kHeadings) {
    if (documentName == h.documentName) return h.heading;
  }
  return nullptr;
}

// A number cut to 6 significant digits for reading ("33.3333").
std::string ReadableNumber(double x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", x);
  const std::optional<double> rounded = ParseNumber(buf);
  return rounded ? FormatNumber(*rounded) : FormatNumber(x);
}

std::string NumberCell(double x) {
  if (std::isnan(x)) return "<td class=\"n\"></td>";
  if (std::isinf(x)) return std::string("<td class=\"n\">") + (x > 0 ? "inf" : "-inf") + "</td>";
  const std::string exact = FormatNumber(x);
  const std::string shown = ReadableNumber(x);
  if (shown == exact) return "<td class=\"n\">" + exact + "</td>";
  return "<td class=\"n\" title=\"" + exact + "\">" + shown + "</td>";
}

// Integer cells (counts) are text cells: aligned like numbers.
bool IsWholeNumber(const std::string& text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

std::string FileLink(const std::string& fileName) {
  if (fileName.empty()) return {};
  return "<p class=\"t\">File: <a href=\"" + HtmlEscape(fileName) + "\">" + HtmlEscape(fileName) +
         "</a></p>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string SpreadsheetHtml(const ResultsTable& table, int maxRows, const std::string& fileName) {
  return SpreadsheetHtml(table, maxRows, fileName, table.rows);
}

std::string SpreadsheetHtml(const ResultsTable& table, int maxRows, const std::string& fileName,
                            long totalRows, const std::string& rankedBy) {
  std::string out;
  const char* own = OwnHeading(table.documentName);
  const std::string heading =
      own ? own : !table.titles[0].empty() ? table.titles[0] : table.documentName;
  out += "<h2>" + HtmlEscape(heading) + "</h2>\n";
  for (std::size_t i = own ? 0 : 1; i < table.titles.size(); ++i) {
    if (!table.titles[i].empty()) out += "<p class=\"t\">" + HtmlEscape(table.titles[i]) + "</p>\n";
  }
  out += FileLink(fileName);
  if (!rankedBy.empty() && totalRows > 1) {
    out += "<p class=\"t\">Shown strongest first: by " + rankedBy +
           std::string(totalRows > maxRows ? " (the " + std::to_string(maxRows) + " strongest)" : "") +
           "; the rule numbers and the file keep the analysis's order.</p>\n";
  }
  out += "<table class=\"s\">\n<thead><tr><th></th>";
  for (int c = 0; c < table.cols; ++c) {
    const std::string name =
        c < static_cast<int>(table.columnNames.size()) ? table.columnNames[static_cast<std::size_t>(c)]
                                                       : std::string();
    const bool numeric = table.textColumn.size() > static_cast<std::size_t>(c) &&
                         table.textColumn[static_cast<std::size_t>(c)] == 0;
    out += numeric ? "<th class=\"r\">" : "<th>";
    out += HtmlEscape(name) + "</th>";
  }
  out += "</tr></thead>\n<tbody>\n";
  const int shown = std::min(table.rows, std::max(maxRows, 0));
  for (int r = 0; r < shown; ++r) {
    const std::string rowName =
        r < static_cast<int>(table.rowNames.size()) ? table.rowNames[static_cast<std::size_t>(r)]
                                                    : std::string();
    out += "<tr><th>" + HtmlEscape(rowName) + "</th>";
    for (int c = 0; c < table.cols; ++c) {
      if (table.IsText(r, c)) {
        const std::string& text = table.Text(r, c);
        out += (IsWholeNumber(text) ? "<td class=\"n\">" : "<td>") + HtmlEscape(text) + "</td>";
      } else {
        out += NumberCell(table.Number(r, c));
      }
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
  if (shown < totalRows) {
    out += "<p class=\"t\">" + std::to_string(totalRows - shown) + " more rows in " +
           HtmlEscape(fileName.empty() ? std::string("the file") : fileName) + ".</p>\n";
  }
  return out;
}

std::string TextDocumentHtml(const std::string& title, const std::string& text,
                             const std::string& fileName) {
  return "<h2>" + HtmlEscape(title) + "</h2>\n" + FileLink(fileName) + "<pre>" +
         HtmlEscape(text) + "</pre>\n";
}

std::string PictureHtml(const std::vector<std::string>& titles,
                        const std::vector<std::string>& fileNames, const std::string& inlineSvg) {
  std::string out = "<h2>" + HtmlEscape(titles.empty() ? std::string() : titles[0]) + "</h2>\n";
  for (std::size_t i = 1; i < titles.size(); ++i) {
    if (!titles[i].empty()) out += "<p class=\"t\">" + HtmlEscape(titles[i]) + "</p>\n";
  }
  if (!fileNames.empty()) {
    out += "<p class=\"t\">Files:";
    for (const std::string& f : fileNames) {
      out += " <a href=\"" + HtmlEscape(f) + "\">" + HtmlEscape(f) + "</a>";
    }
    out += "</p>\n";
  }
  out += "<div class=\"pic\">\n" + inlineSvg;
  if (!inlineSvg.empty() && inlineSvg.back() != '\n') out += '\n';
  out += "</div>\n";
  return out;
}

std::string DocumentHeading(const OutputDocument& doc) {
  if (const char* own = OwnHeading(doc.name)) return own;
  if (doc.kind != "message" && !doc.title.empty()) return doc.title;
  return doc.name;
}

std::string IndexHtml(const IndexPage& page, const std::vector<OutputDocument>& documents) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
      HtmlEscape(page.title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  out += "<h1>" + HtmlEscape(page.title) + "</h1>\n";
  if (!page.facts.empty()) {
    out += "<dl>\n";
    for (const auto& [label, value] : page.facts) {
      out += "<dt>" + HtmlEscape(label) + "</dt><dd>" + HtmlEscape(value) + "</dd>\n";
    }
    out += "</dl>\n";
  }
  if (!page.summary.empty()) out += "<p id=\"summary\">" + HtmlEscape(page.summary) + "</p>\n";
  if (!documents.empty()) {
    out += "<nav><ul>\n";
    for (std::size_t k = 0; k < documents.size(); ++k) {
      out += "<li><a href=\"#doc-" + std::to_string(k + 1) + "\">" +
             HtmlEscape(DocumentHeading(documents[k])) + "</a></li>\n";
    }
    out += "</ul></nav>\n";
  }
  for (std::size_t k = 0; k < documents.size(); ++k) {
    const OutputDocument& doc = documents[k];
    out += "<section id=\"doc-" + std::to_string(k + 1) + "\">\n";
    if (doc.kind == "message") {
      out += "<h2>" + HtmlEscape(DocumentHeading(doc)) + "</h2>\n<p class=\"msg\">" +
             HtmlEscape(doc.text) + "</p>\n";
    } else {
      out += doc.html;
    }
    out += "<p class=\"t\"><a href=\"#summary\">Back to the summary</a></p>\n</section>\n";
  }
  out += std::string("<script>") + kSortScript + "</script>\n</body>\n</html>\n";
  return out;
}

}  // namespace linkan::app
