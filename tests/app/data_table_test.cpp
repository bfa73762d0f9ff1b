// data_table_test.cpp
#include "data_table.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>

#include "app_test_util.h"
#include "csv_writer.h"
#include "data_error.h"
#include "importers.h"
#include "iso_time.h"

namespace linkan::app {
namespace {

using testing::TempDir;
using testing::WriteFile;

// The message of the DataError that parsing `text` throws ("" if none).
std::string ParseError(const std::string& text, const LoadOptions& options = {}) {
  try {
    ParseDataTable(text, "t.csv", options);
  } catch (const DataError& e) {
    return e.what();
  }
  return "";
}

TEST(DataTableReaderTest, QuotedFieldsWithCommasQuotesAndNewlines) {
  const DataTable t = ParseDataTable(
      "name,note\n"
      "\"Smith, John\",\"said \"\"hi\"\"\"\n"
      "\"two\nlines\",plain\n"
      "x,\"\"\n",
      "t.csv");
  ASSERT_EQ(t.CaseCount(), 3);
  ASSERT_EQ(t.VariableCount(), 2);
  EXPECT_EQ(t.CellText(0, 0), "Smith, John");
  EXPECT_EQ(t.CellText(0, 1), "said \"hi\"");
  EXPECT_EQ(t.CellText(1, 0), "two\nlines");
  EXPECT_EQ(t.CellText(1, 1), "plain");
  EXPECT_TRUE(t.IsMissing(2, 1));  // "" is an empty cell
  EXPECT_EQ(t.variable(1).missingCount, 1);
}

TEST(DataTableReaderTest, ByteOrderMarkAndCrlf) {
  const DataTable t = ParseDataTable("\xEF\xBB\xBFitem,n\r\nx,1\r\ny,2\r\n", "t.csv");
  ASSERT_EQ(t.VariableCount(), 2);
  EXPECT_EQ(t.variable(0).name, "item");
  EXPECT_EQ(t.FindVariable("item"), 0);
  ASSERT_EQ(t.CaseCount(), 2);
  EXPECT_EQ(t.variable(0).labels, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(t.variable(1).kind, VariableKind::kNumeric);
  EXPECT_EQ(t.Value(1, 1), 2.0);
}

TEST(DataTableReaderTest, LoneCrLineEndsAndBlankLinesAndNoFinalNewline) {
  const DataTable t = ParseDataTable("a,b\r1,2\r\n\n3,4", "t.csv");
  ASSERT_EQ(t.CaseCount(), 2);
  EXPECT_EQ(t.Value(1, 0), 3.0);
  EXPECT_EQ(t.Value(1, 1), 4.0);
}

// A malformed table is refused with its place (file:line:column).
TEST(DataTableReaderTest, MalformedTablesNameLineAndColumn) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      // Too many fields: the column where the first extra field starts.
      {"a,b\n1,2\n3,4,5\n", "t.csv:3:5: the row has 3 fields but the header names 2 variables"},
      // Too few: the column just after the row's last character.
      {"a,b,c\n1,2,3\n1,2\n", "t.csv:3:4: the row has 2 fields but the header names 3 variables"},
      // Columns count characters, not bytes.
      {"a,b\n\xC3\xA4,\xC3\xB6,x\n",
       "t.csv:2:5: the row has 3 fields but the header names 2 variables"},
      // Lines count the line breaks inside quoted fields.
      {"a,b\n\"x\ny\",1\n2\n", "t.csv:4:2: the row has 1 fields but the header names 2 variables"},
      {"a,b\n1,\"abc\n2,3\n", "t.csv:2:3: quoted field has no closing quote"},
      {"a\n\"x\"y\n", "t.csv:2:4: unexpected text after the closing quote of a quoted field"},
      {"", "t.csv: the file is empty: the first line must name the variables"},
      {"\xEF\xBB\xBF\n\r\n", "t.csv: the file is empty: the first line must name the variables"},
      {"a,,c\n", "t.csv:1:3: variable 2 has no name in the header"},
      {"a,b, a\n", "t.csv:1:5: variable name \"a\" is used twice (variables 1 and 3)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseError(c.text), c.error) << ::testing::PrintToString(std::string(c.text));
  }
}

// What reads although it looks odd: blanks after a closing quote (and
// around header names) are dropped; a bare quote inside an unquoted field
// is an ordinary character; a header alone is a table without cases.
TEST(DataTableReaderTest, OddButValidTables) {
  const DataTable t = ParseDataTable(" id , b\n\"x\"  ,12\"\n", "t.csv");
  EXPECT_EQ(t.variable(0).name, "id");
  EXPECT_EQ(t.variable(1).name, "b");
  EXPECT_EQ(t.CellText(0, 0), "x");
  EXPECT_EQ(t.CellText(0, 1), "12\"");
  const DataTable header = ParseDataTable("a,b\n", "t.csv");
  EXPECT_EQ(header.CaseCount(), 0);
  ASSERT_EQ(header.VariableCount(), 2);
  EXPECT_EQ(header.variable(1).kind, VariableKind::kNumeric);
  EXPECT_EQ(header.variable(1).missingCount, 0);
}

// Bad bytes and out-of-range numbers in each reader: an error at the place,
// never a repaired or retyped table. Columns count characters.
TEST(BadInputTest, ErrorsNameFileLineAndColumn) {
  using namespace std::string_literals;
  enum Reader { kCsv, kBasket, kSpmf };
  struct Case {
    Reader reader;
    std::string input;
    std::string error;  // the start of the message; "" for no error
  };
  const std::string utf8 = "(the column counts characters; it is byte ";
  const std::string hint = "; if the file is Latin-1 (ISO-8859-1), read it with --encoding latin1";
  const std::string range = " is outside the range of a double";
  const std::vector<Case> cases = {
      {kCsv, "a,b\n1,x\0y\n"s,
       "in:2:4: NUL byte (0x00) in the text " + utf8 + "4 of the line)"},
      {kCsv, "a,b\n\xC3\xA4,caf\xE9\n",
       "in:2:6: byte 0xE9 is not valid UTF-8 " + utf8 + "7 of the line)" + hint},
      {kCsv, "a\n\"x\ny\xC0\xAF\"\n", "in:3:2: byte 0xC0 is not valid UTF-8"},  // overlong
      {kCsv, "a\n\xED\xA0\x80\n", "in:2:1: byte 0xED is not valid UTF-8"},   // surrogate
      {kCsv, "a\nx\xE2\x82", "in:2:2: byte 0xE2 is not valid UTF-8"},          // cut short
      {kCsv, "\xFF\xFE" "a", "in:1:1: the file is UTF-16 text; save it as UTF-8"},
      {kCsv, "\xEF\xBB\xBFn\n1\n", ""},  // a byte order mark is skipped
      {kCsv, "n,s\n1,a\n1e309,b\n", "in:3:1: variable \"n\": the number 1e309" + range},
      {kCsv, "id,n\n1,\" -1e400\"\n", "in:2:5: variable \"n\": the number -1e400" + range},
      {kCsv, "n\n1e-400\n", "in:2:1: variable \"n\": the number 1e-400" + range},
      {kCsv, "s\nx\n1e309\n", ""},      // in a text column it is a label
      {kCsv, "s\n1\ninf\nnan\n", ""},  // words, not numbers: a text column
      {kBasket, "bread\nmi\0lk\n"s, "in:2:3: NUL byte (0x00)"},
      {kBasket, "bread caf\xE9\n", "in:1:10: byte 0xE9 is not valid UTF-8 " + utf8 + "10 "},
      {kBasket, "25 52\n240 1e400\n", "in:2:5: variable \"item\": the number 1e400" + range},
      {kSpmf, "1 -1 -2\n2 \xFF -1\n", "in:2:3: byte 0xFF is not valid UTF-8"},
      {kSpmf, "<1e400> 1 -1 -2\n", "in:1:2: the timestamp 1e400" + range},
      {kSpmf, "1 -1 -2\n7 1e999 -1 -2\n", "in:2:3: variable \"item\": the number 1e999" + range},
  };
  for (const Case& c : cases) {
    std::string error;
    try {
      if (c.reader == kCsv) ParseDataTable(c.input, "in");
      if (c.reader == kBasket) ImportBasket(c.input, "in");
      if (c.reader == kSpmf) ImportSpmf(c.input, "in");
    } catch (const DataError& e) {
      error = e.what();
    }
    if (c.error.empty()) {
      EXPECT_EQ(error, "") << ::testing::PrintToString(c.input);
    } else {
      EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
    }
  }
}

// A Latin-1 file reads as the same text in UTF-8, and the table written
// back as CSV (UTF-8) reads the same again.
TEST(DataTableReaderTest, Latin1FilesAreConvertedToUtf8) {
  TempDir dir;
  WriteFile(dir.File("l.csv"), "id,item\n1,caf\xE9\n2,na\xEFve \xA7\xFF\n");
  EXPECT_THROW(LoadDataTable(dir.File("l.csv")), DataError);
  const DataTable t = LoadDataTable(dir.File("l.csv"), {.encoding = TextEncoding::kLatin1});
  const std::vector<std::string> labels = {"caf\xC3\xA9", "na\xC3\xAFve \xC2\xA7\xC3\xBF"};
  EXPECT_EQ(t.variable(1).labels, labels);
  WriteFile(dir.File("u.csv"), DataTableToCsv(t));
  EXPECT_EQ(LoadDataTable(dir.File("u.csv")).variable(1).labels, labels);

  WriteFile(dir.File("b.txt"), "caf\xE9 th\xE9\n");
  const DataTable b =
      ImportFile(dir.File("b.txt"), ImportFormat::kBasket, BasketSeparator::kAuto,
                 TextEncoding::kLatin1);
  EXPECT_EQ(b.variable(1).labels, (std::vector<std::string>{"caf\xC3\xA9", "th\xC3\xA9"}));
  // A UTF-8 file is not read as Latin-1 by mistake.
  WriteFile(dir.File("bom.csv"), "\xEF\xBB\xBFid\n1\n");
  EXPECT_THROW(LoadDataTable(dir.File("bom.csv"), {.encoding = TextEncoding::kLatin1}),
               DataError);
}

TEST(DataTableReaderTest, NumbersWithOneTextMakeATextColumnLabelledByFirstAppearance) {
  const DataTable t = ParseDataTable("v\n2\n1\nthree\n2\n\n3.50\n1\n", "t.csv");
  // The empty line is skipped, not a missing case.
  ASSERT_EQ(t.CaseCount(), 6);
  const Variable& v = t.variable(0);
  EXPECT_EQ(v.kind, VariableKind::kText);
  EXPECT_EQ(v.labels, (std::vector<std::string>{"2", "1", "three", "3.50"}));
  EXPECT_EQ(v.values, (std::vector<double>{1, 2, 3, 1, 4, 2}));
  EXPECT_EQ(t.CellText(4, 0), "3.50");  // as written
}

TEST(DataTableReaderTest, IsoDatesAndDateTimes) {
  const struct {
    const char* text;
    std::optional<double> seconds;  // nothing: not a date
    bool hasTime;
  } cases[] = {
      {"1970-01-01", 0, false},
      {"2026-03-01", 20513 * 86400.0, false},
      {" 2000-02-29 ", 11016 * 86400.0, false},
      {"2026-03-01T14:05", 20513 * 86400.0 + 14 * 3600 + 5 * 60, true},
      {"2026-03-01 14:05:30", 20513 * 86400.0 + 14 * 3600 + 5 * 60 + 30, true},
      {"2026-03-01T14:05:30.25Z", 20513 * 86400.0 + 50730.25, true},
      {"2026-03-01T14:05+01:00", 20513 * 86400.0 + 13 * 3600 + 5 * 60, true},
      {"2026-03-01T00:30-0130", 20513 * 86400.0 + 2 * 3600, true},
      {"1969-12-31T23:00Z", -3600, true},
      {"2026-02-29", std::nullopt, false},
      {"2026-13-01", std::nullopt, false},
      {"2026-3-1", std::nullopt, false},
      {"26-03-01", std::nullopt, false},
      {"2026-03-01T25:00", std::nullopt, false},
      {"2026-03-01T14:05 UTC", std::nullopt, false},
      {"2026-03-01x", std::nullopt, false},
      {"20260301", std::nullopt, false},
  };
  for (const auto& c : cases) {
    const std::optional<IsoTime> t = ParseIsoTime(c.text);
    ASSERT_EQ(t.has_value(), c.seconds.has_value()) << c.text;
    if (!t) continue;
    EXPECT_EQ(t->seconds, *c.seconds) << c.text;
    EXPECT_EQ(t->hasTime, c.hasTime) << c.text;
  }
  EXPECT_EQ(ParseDurationSeconds("30 minutes"), 1800);
  EXPECT_EQ(ParseDurationSeconds("1.5h"), 5400);
  EXPECT_EQ(ParseDurationSeconds("2 Days"), 172800);
  EXPECT_FALSE(ParseDurationSeconds("30 parsecs"));
  EXPECT_FALSE(ParseDurationSeconds("minutes"));

  // Columns: plain dates count days, any date-time makes it seconds; the
  // cells keep their text; one text that is no date makes a text column.
  const DataTable t = ParseDataTable(
      "d,dt,x\n2026-03-02,2026-03-01T10:00Z,2026-03-01\n,2026-03-01,n/a\n1970-01-01,"
      "2026-03-01T11:00+01:00,2026-03-02\n",
      "t.csv");
  EXPECT_EQ(t.variable(0).kind, VariableKind::kDate);
  EXPECT_EQ(t.variable(0).values, (std::vector<double>{20514, kMissingCode, 0}));
  EXPECT_EQ(t.variable(0).missingCount, 1);
  EXPECT_TRUE(t.variable(0).labels.empty());  // no value labels: a numeric variable to the module
  EXPECT_EQ(t.variable(1).kind, VariableKind::kDateTime);
  const double ten = 20513 * 86400.0 + 36000;
  EXPECT_EQ(t.variable(1).values, (std::vector<double>{ten, 20513 * 86400.0, ten}));
  EXPECT_EQ(t.CellText(2, 1), "2026-03-01T11:00+01:00");
  EXPECT_EQ(t.CellText(1, 0), "");
  EXPECT_EQ(t.variable(2).kind, VariableKind::kText);
}

TEST(DataTableReaderTest, MissingCells) {
  const DataTable t = ParseDataTable("n,s\n1,a\n,b\n  ,\n-9999,a\n", "t.csv");
  const Variable& n = t.variable(0);
  const Variable& s = t.variable(1);
  EXPECT_EQ(n.kind, VariableKind::kNumeric);
  EXPECT_EQ(n.values, (std::vector<double>{1, -9999, -9999, -9999}));
  EXPECT_EQ(n.missingCount, 3);  // empty, blanks only, and the code itself
  EXPECT_EQ(s.kind, VariableKind::kText);
  EXPECT_EQ(s.values, (std::vector<double>{1, 2, -9999, 1}));
  EXPECT_EQ(s.missingCount, 1);
  EXPECT_EQ(t.CellText(1, 0), "");
  EXPECT_EQ(t.CellText(2, 1), "");
}

TEST(DataTableReaderTest, NumericCellTextsAreShortestRoundTrip) {
  const DataTable t =
      ParseDataTable("x\n3\n2.50\n0.1\n1e-4\n1e5\n1e15\n1e16\n0.00001\n1.5E20\n+7\n 8 \n", "t.csv");
  ASSERT_EQ(t.variable(0).kind, VariableKind::kNumeric);
  const std::vector<std::string> expected = {
      "3",     "2.5",   "0.1",     "0.0001", "100000", "1000000000000000",
      "1e+16", "1e-05", "1.5e+20", "7",      "8"};
  ASSERT_EQ(t.CaseCount(), static_cast<long>(expected.size()));
  for (long r = 0; r < t.CaseCount(); ++r) EXPECT_EQ(t.CellText(r, 0), expected[r]) << r;
}

TEST(DataTableReaderTest, WeightVariable) {
  const std::string text = "id,w,label\n1,2,a\n2,,b\n3,0.5,c\n";
  DataTable t = ParseDataTable(text, "t.csv", {.weightVariable = "w"});
  EXPECT_EQ(t.weightVariable(), 1);
  EXPECT_EQ(ParseDataTable(text, "t.csv").weightVariable(), -1);
  EXPECT_EQ(ParseError(text, {.weightVariable = "W"}),
            "t.csv:1: no variable named \"W\" for the weight");
  EXPECT_EQ(ParseError(text, {.weightVariable = "label"}),
            "t.csv:2:5: the weight variable \"label\" must be numeric, but \"a\" is not a number");
  // The first non-number may come after numbers and a quoted multi-line cell.
  EXPECT_EQ(ParseError("w,x\n1,\"p\nq\"\n2,r\nheavy,s\n", {.weightVariable = "w"}),
            "t.csv:5:1: the weight variable \"w\" must be numeric, but \"heavy\" is not a number");
}

TEST(DataTableReaderTest, DelimitersAndFiles) {
  TempDir dir;
  WriteFile(dir.File("t.tsv"), "a\tb\n\"x,y\"\t1\n");
  const DataTable tsv = LoadDataTable(dir.File("t.tsv"));
  ASSERT_EQ(tsv.VariableCount(), 2);
  EXPECT_EQ(tsv.CellText(0, 0), "x,y");
  EXPECT_EQ(tsv.source(), dir.File("t.tsv"));

  WriteFile(dir.File("t.txt"), "a;b\n1;2\n");
  EXPECT_EQ(LoadDataTable(dir.File("t.txt"), {.delimiter = ';'}).VariableCount(), 2);
  EXPECT_EQ(LoadDataTable(dir.File("t.txt")).VariableCount(), 1);  // comma by default

  EXPECT_EQ(DefaultDelimiter("x.TAB"), '\t');
  EXPECT_EQ(DefaultDelimiter("x.csv"), ',');

  try {
    LoadDataTable(dir.File("missing.csv"));
    FAIL() << "no error";
  } catch (const DataError& e) {
    EXPECT_EQ(std::string(e.what()),
              dir.File("missing.csv") + ": cannot read: No such file or directory");
  }
  EXPECT_THROW(LoadDataTable(dir.path()), DataError);
}

// A random table of awkward texts and numbers written as CSV reads back with
// the same values, labels and cell texts.
TEST(DataTableRandomTest, WrittenCsvReadsBackTheSameTable) {
  std::mt19937 rng(7);
  const std::vector<std::string> pieces = {"a",        "b", " ", ",",   "\"", "\n", "\r\n",
                                           "\xC3\xA4", "1", ".", "x y", "\t", "-",  "e"};
  auto randomText = [&] {
    std::string s = "t";  // never a number, never blank
    const int n = static_cast<int>(rng() % 5);
    for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
    if (rng() % 3 == 0) s = " " + s;
    return s;
  };
  for (int round = 0; round < 30; ++round) {
    const int cols = 1 + static_cast<int>(rng() % 5);
    const long rows = static_cast<long>(rng() % 20);
    std::vector<Variable> vars(static_cast<std::size_t>(cols));
    for (int c = 0; c < cols; ++c) {
      Variable& v = vars[static_cast<std::size_t>(c)];
      // A first name starting with U+FEFF must not read back as a byte order mark.
      v.name = std::string(c == 0 && round % 2 ? "\xEF\xBB\xBF" : "") + "v" + std::to_string(c) +
               (c % 2 ? ", \"q\"" : "");
      v.kind = rng() % 2 ? VariableKind::kText : VariableKind::kNumeric;
      std::map<std::string, double> codes;
      for (long r = 0; r < rows; ++r) {
        if (rng() % 6 == 0) {
          v.values.push_back(kMissingCode);
          ++v.missingCount;
        } else if (v.kind == VariableKind::kNumeric) {
          const double x = std::ldexp(static_cast<double>(static_cast<int>(rng() % 20001) - 10000),
                                      static_cast<int>(rng() % 80) - 40);
          v.values.push_back(x == kMissingCode ? 0.0 : x);
        } else {
          const std::string s = randomText();
          auto [it, added] = codes.try_emplace(s, static_cast<double>(v.labels.size() + 1));
          if (added) v.labels.push_back(s);
          v.values.push_back(it->second);
        }
      }
      // A column without any value reads back as numeric.
      if (v.labels.empty()) v.kind = VariableKind::kNumeric;
    }
    const DataTable original("r.csv", vars, rows);
    const DataTable back = ParseDataTable(DataTableToCsv(original), "r.csv");
    ASSERT_EQ(back.VariableCount(), cols);
    ASSERT_EQ(back.CaseCount(), rows);
    for (int c = 0; c < cols; ++c) {
      const Variable& want = original.variable(c);
      const Variable& got = back.variable(c);
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(got.kind, want.kind);
      EXPECT_EQ(got.labels, want.labels);
      EXPECT_EQ(got.values, want.values);
      EXPECT_EQ(got.missingCount, want.missingCount);
      for (long r = 0; r < rows; ++r) EXPECT_EQ(back.CellText(r, c), original.CellText(r, c));
    }
  }
}

}  // namespace
}  // namespace linkan::app
