// importers_test.cpp
#include "importers.h"

#include <gtest/gtest.h>

#include "csv_writer.h"
#include "data_error.h"

namespace linkan::app {
namespace {

// The table's cells as rows of texts, for comparison with hand-made rows.
std::vector<std::vector<std::string>> Rows(const DataTable& t) {
  std::vector<std::vector<std::string>> rows;
  for (long r = 0; r < t.CaseCount(); ++r) {
    std::vector<std::string> row;
    for (int v = 0; v < t.VariableCount(); ++v) row.push_back(t.CellText(r, v));
    rows.push_back(row);
  }
  return rows;
}

using RowList = std::vector<std::vector<std::string>>;

std::string ImportError(const std::string& text, ImportFormat format) {
  try {
    if (format == ImportFormat::kSpmf) {
      ImportSpmf(text, "in.txt");
    } else {
      ImportBasket(text, "in.txt");
    }
  } catch (const DataError& e) {
    return e.what();
  }
  return "";
}

TEST(BasketImportTest, BlankSeparatedItemsWithLineNumbersAsIds) {
  const DataTable t = ImportBasket("bread milk \n\n beer\tchips\r\nmilk milk\n", "in.txt");
  ASSERT_EQ(t.VariableCount(), 2);
  EXPECT_EQ(t.variable(0).name, "ID");
  EXPECT_EQ(t.variable(1).name, "item");
  EXPECT_EQ(t.variable(0).kind, VariableKind::kNumeric);
  EXPECT_EQ(t.variable(1).kind, VariableKind::kText);
  EXPECT_EQ(Rows(t), (RowList{{"1", "bread"},
                              {"1", "milk"},
                              {"3", "beer"},
                              {"3", "chips"},
                              {"4", "milk"},
                              {"4", "milk"}}));
}

TEST(BasketImportTest, CommasMakeNamesWithBlanks) {
  const DataTable t = ImportBasket("whole milk, rolls/buns\nbottled water\n,soda,,\n", "in.txt");
  EXPECT_EQ(
      Rows(t),
      (RowList{{"1", "whole milk"}, {"1", "rolls/buns"}, {"2", "bottled water"}, {"3", "soda"}}));
  // Forcing blanks splits at blanks and keeps commas.
  const DataTable b = ImportBasket("a,b c\n", "in.txt", BasketSeparator::kBlank);
  EXPECT_EQ(Rows(b), (RowList{{"1", "a,b"}, {"1", "c"}}));
}

TEST(BasketImportTest, NumericItemsMakeANumericColumn) {
  const DataTable t = ImportBasket("25 52 164 \n240 25\n", "in.txt");
  EXPECT_EQ(t.variable(1).kind, VariableKind::kNumeric);
  EXPECT_EQ(t.variable(1).values, (std::vector<double>{25, 52, 164, 240, 25}));
  EXPECT_EQ(t.variable(0).values, (std::vector<double>{1, 1, 1, 2, 2}));
}

TEST(SpmfImportTest, ItemsetPositionsAsTimes) {
  const DataTable t = ImportSpmf("1 2 -1 3 -1 -2\n4 -1 -2\n", "in.txt");
  ASSERT_EQ(t.VariableCount(), 3);
  EXPECT_EQ(t.variable(0).name, "ID");
  EXPECT_EQ(t.variable(1).name, "time");
  EXPECT_EQ(t.variable(2).name, "item");
  EXPECT_EQ(Rows(t), (RowList{{"1", "1", "1"}, {"1", "1", "2"}, {"1", "2", "3"}, {"2", "1", "4"}}));
}

TEST(SpmfImportTest, TimestampsNamesCommentsAndEmptySequences) {
  const DataTable t = ImportSpmf(
      "# comment\n"
      "@CONVERTED_FROM_TEXT\n"
      "@ITEM=1=home page\n"
      "@ITEM=2=cart\n"
      "<5> 1 -1 <9.5> 2 3 -1 -2\r\n"
      "-2\n"
      "% another comment\n"
      "\n"
      "<0> 2 -1 <1> -1 <2> 1\n",
      "in.txt");
  // The empty sequence keeps number 2; the line end closes sequence 3; an
  // itemset without items is skipped.
  EXPECT_EQ(Rows(t), (RowList{{"1", "5", "home page"},
                              {"1", "9.5", "cart"},
                              {"1", "9.5", "3"},
                              {"3", "0", "cart"},
                              {"3", "2", "home page"}}));
  EXPECT_EQ(t.variable(1).kind, VariableKind::kNumeric);
  EXPECT_EQ(t.variable(2).kind, VariableKind::kText);
}

TEST(SpmfImportTest, SeveralSequencesOnOneLine) {
  const DataTable t = ImportSpmf("7 -1 -2 8 -1 9 -1 -2\n", "in.txt");
  EXPECT_EQ(Rows(t), (RowList{{"1", "1", "7"}, {"2", "1", "8"}, {"2", "2", "9"}}));
}

TEST(SpmfImportTest, ErrorsNameLineAndColumn) {
  EXPECT_EQ(ImportError("1 -1 -2\n2 -3 -2\n", ImportFormat::kSpmf),
            "in.txt:2:3: unexpected \"-3\": -1 ends an itemset, -2 ends a sequence, items are "
            "not negative");
  EXPECT_EQ(ImportError("<1> 1 -1 2 -1 -2\n", ImportFormat::kSpmf),
            "in.txt:1:10: this itemset has no timestamp <t> but the earlier itemsets have one");
  EXPECT_EQ(ImportError("1 -1 -2\n<4> 2 -1 -2\n", ImportFormat::kSpmf),
            "in.txt:2:1: this itemset has a timestamp but the earlier itemsets have none");
  EXPECT_EQ(ImportError("<x> 1 -1 -2\n", ImportFormat::kSpmf),
            "in.txt:1:1: a timestamp must read <t> with a number t, not \"<x>\"");
  EXPECT_EQ(ImportError("<1> 1 <2> 3 -1 -2\n", ImportFormat::kSpmf),
            "in.txt:1:7: a timestamp must start its itemset (end the itemset before with -1)");
  EXPECT_EQ(ImportError("@ITEM=5\n", ImportFormat::kSpmf),
            "in.txt:1:1: an item name line must read @ITEM=<code>=<name>");
}

TEST(ImportTest, ImportedTableSurvivesCsv) {
  const DataTable t = ImportSpmf("<1> a \"b\" -1 <2> c,d -1 -2\n", "in.txt");
  const DataTable back = ParseDataTable(DataTableToCsv(t), "out.csv");
  EXPECT_EQ(Rows(back), Rows(t));
  EXPECT_EQ(Rows(t), (RowList{{"1", "1", "a"}, {"1", "1", "\"b\""}, {"1", "2", "c,d"}}));
}

TEST(ImportTest, FormatNames) {
  EXPECT_EQ(ParseImportFormat("basket"), ImportFormat::kBasket);
  EXPECT_EQ(ParseImportFormat("spmf"), ImportFormat::kSpmf);
  EXPECT_FALSE(ParseImportFormat("SPMF").has_value());
}

}  // namespace
}  // namespace linkan::app
