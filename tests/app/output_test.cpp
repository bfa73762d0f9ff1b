// output_test.cpp
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <sstream>

#include "app_test_util.h"
#include "csv_writer.h"
#include "data_error.h"
#include "file_io.h"
#include "linkanalysis/results_table.h"
#include "output_folder.h"
#include "ranked_rows.h"
#include "terminal_host.h"

namespace linkan::app {
namespace {

using testing::ReadFile;
using testing::TempDir;

// A 2 x 3 spreadsheet: a text column, a number column with a missing cell
// and an integer written as text, and a column with an infinity.
ResultsTable SmallTable() {
  ResultsTable t;
  t.documentName = "Rule summary";
  t.titles = {"Rules", "Minimum support 10%", ""};
  t.rows = 2;
  t.cols = 3;
  t.columnNames = {"Body", "Support(%)", "Lift"};
  t.rowNames = {"1", "2"};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  t.numbers = {nan, nan, 12.5, nan, 1e-5, std::numeric_limits<double>::infinity()};
  t.texts = {"bread, milk", "say \"hi\"", "", "", "", ""};
  t.hasText = {1, 1, 0, 0, 0, 0};
  t.textColumn = {1, 0, 0};
  return t;
}

TEST(CsvWriterTest, SpreadsheetLayout) {
  EXPECT_EQ(ResultsTableToCsv(SmallTable()),
            ",Body,Support(%),Lift\n"
            "1,\"bread, milk\",12.5,1e-05\n"
            "2,\"say \"\"hi\"\"\",,inf\n");
}

TEST(CsvWriterTest, FieldQuoting) {
  std::string out;
  for (const char* f : {"plain", "a,b", "q\"", "line\nbreak", " lead", "trail\t", ""}) {
    AppendCsvField(out, f);
    out += '|';
  }
  EXPECT_EQ(out, "plain|\"a,b\"|\"q\"\"\"|\"line\nbreak\"|\" lead\"|\"trail\t\"||");
}

TEST(CsvWriterTest, OneVariableTableKeepsMissingCases) {
  const DataTable t = ParseDataTable("x\n1\n\"\"\n2\n", "t.csv");
  ASSERT_EQ(t.CaseCount(), 3);
  EXPECT_EQ(DataTableToCsv(t), "x\n1\n\"\"\n2\n");
}

TEST(OutputFolderTest, Slugs) {
  EXPECT_EQ(Slug("Rules of length 2!"), "rules-of-length-2");
  EXPECT_EQ(Slug("  --Item list--  "), "item-list");
  EXPECT_EQ(Slug("\xC3\x84pfel & Birnen"), "pfel-birnen");
  EXPECT_EQ(Slug("!!!"), "document");
  EXPECT_EQ(Slug(std::string(60, 'a')), std::string(40, 'a'));
}

TEST(OutputFolderTest, DocumentsBecomeNumberedFiles) {
  TempDir dir;
  std::ostringstream out, err;
  std::istringstream in;
  const DataTable table = ParseDataTable("a\n1\n", "t.csv");
  TerminalHost host(table, {.outputFolder = dir.path()}, out, err, in);
  EXPECT_TRUE(host.ShowTextDocument(TextDocKind::kReport, "Link Analysis report", "line 1"));
  EXPECT_TRUE(host.ShowSpreadsheet(SmallTable()));
  EXPECT_TRUE(host.ShowTextDocument(TextDocKind::kMacro, "Macro", "x\n"));
  EXPECT_EQ(ReadFile(dir.File("1-link-analysis-report.txt")), "line 1\n");
  EXPECT_EQ(ReadFile(dir.File("2-rule-summary.csv")), ResultsTableToCsv(SmallTable()));
  EXPECT_EQ(ReadFile(dir.File("3-macro.txt")), "x\n");
  const auto& docs = host.outputFolder()->documents();
  ASSERT_EQ(docs.size(), 3u);
  EXPECT_EQ(docs[1].kind, "spreadsheet");
  EXPECT_EQ(docs[1].titleLines[1], "Minimum support 10%");
  EXPECT_EQ(docs[2].kind, "macro");
  EXPECT_EQ(out.str(), "");

  // A folder that disappeared: the document is not shown, and the host says why.
  std::filesystem::remove_all(dir.path());
  EXPECT_FALSE(host.ShowTextDocument(TextDocKind::kReport, "Late", "x"));
  EXPECT_NE(err.str().find("cannot write"), std::string::npos);
}

TEST(OutputFolderTest, WithoutAFolderDocumentsGoToTheOutputStream) {
  std::ostringstream out, err;
  std::istringstream in;
  const DataTable table = ParseDataTable("a\n1\n", "t.csv");
  TerminalHost host(table, {}, out, err, in);
  EXPECT_TRUE(host.ShowTextDocument(TextDocKind::kReport, "Report", "body"));
  EXPECT_TRUE(host.ShowSpreadsheet(SmallTable()));
  EXPECT_EQ(out.str(), "== Report ==\nbody\n== Rules ==\n== Minimum support 10% ==\n" +
                           ResultsTableToCsv(SmallTable()));
}

TEST(FileIoTest, AtomicWriteReplacesOrLeavesTheTarget) {
  TempDir dir;
  const std::string target = dir.File("out.csv");
  WriteFileAtomically(target, "first\n");
  WriteFileAtomically(target, "second\n");
  EXPECT_EQ(ReadFile(target), "second\n");
  // Only the target is left: no temporary files.
  EXPECT_EQ(testing::Listing(dir.path()), (std::vector<std::string>{"out.csv"}));
  EXPECT_THROW(WriteFileAtomically(dir.File("no/such/folder.csv"), "x"), DataError);

  // A file of many blocks, written piece by piece (the full blocks go out on
  // the writer's thread), appears whole at Commit and not before; a writer
  // given up leaves nothing.
  std::mt19937 random(7);
  std::string expected;
  {
    AtomicFileWriter file(target);
    while (expected.size() < (std::size_t{5} << 20)) {
      const std::string piece(random() % 5000 + (random() % 50 == 0 ? 3u << 20 : 0u),
                              static_cast<char>('a' + random() % 26));
      expected += piece;
      if (random() % 2 == 0) {
        file.Append(piece);
      } else {
        file.buffer() += piece;
        file.FlushIfFull();
      }
    }
    EXPECT_EQ(ReadFile(target), "second\n");
    file.Commit();
  }
  EXPECT_EQ(ReadFile(target), expected);
  {
    AtomicFileWriter file(dir.File("dropped.csv"));
    file.Append(std::string(3u << 20, 'x'));
  }
  EXPECT_EQ(testing::Listing(dir.path()), (std::vector<std::string>{"out.csv"}));
}

}  // namespace
}  // namespace linkan::app

namespace linkan::app {
namespace {

// The rows index.html shows of a rule table are its strongest (lift, then
// confidence, then the module's order), whatever the order they arrive in:
// against a full sort of every row, on random tables with many ties.
TEST(RankedRowsTest, KeepsTheStrongestRowsInOrder) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    ResultsTable header;
    const bool withLift = round % 3 != 0;
    header.columnNames = {"Body", "Confidence(%)"};
    if (withLift) header.columnNames.push_back("Lift");
    header.cols = static_cast<int>(header.columnNames.size());
    const std::size_t limit = random() % 12;
    std::optional<RankedRows> ranked = RankedRows::ForTable(header, limit);
    ASSERT_TRUE(ranked);
    struct Expected {
      double lift, confidence;
      long order;
    };
    std::vector<Expected> all;
    const long rows = static_cast<long>(random() % 40);
    for (long r = 0; r < rows; ++r) {
      const double confidence = static_cast<double>(random() % 4) * 25;
      const double lift = random() % 5 == 0 ? std::nan("") : static_cast<double>(random() % 3);
      const std::string body = "b" + std::to_string(r);
      std::vector<ResultsCell> cells = {{.isText = true, .text = body}, {.number = confidence}};
      if (withLift) cells.push_back({.number = lift});
      ranked->Add(std::to_string(r + 1), cells);
      const double rankLift =
          withLift && !std::isnan(lift) ? lift : -std::numeric_limits<double>::infinity();
      all.push_back({rankLift, confidence, r});
    }
    std::stable_sort(all.begin(), all.end(), [](const Expected& a, const Expected& b) {
      return a.lift != b.lift ? a.lift > b.lift : a.confidence > b.confidence;
    });
    all.resize(std::min(all.size(), limit));
    std::vector<std::string> got, expected;
    ranked->Replay([&](std::string_view name, std::span<const ResultsCell> cells) {
      got.push_back(std::string(name) + "=" + std::string(cells[0].text));
    });
    for (const Expected& e : all) {
      expected.push_back(std::to_string(e.order + 1) + "=b" + std::to_string(e.order));
    }
    EXPECT_EQ(got, expected) << "round " << round;
  }
  ResultsTable items;
  items.columnNames = {"Item name", "Frequency"};
  EXPECT_FALSE(RankedRows::ForTable(items, 10));  // not a rule table: first rows as they come
}

}  // namespace
}  // namespace linkan::app
