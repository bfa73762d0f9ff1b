// Pieces of `linkan serve` below the browser: result tables read a page at
// a time in any order (random tables against the order's definition), and
// who may use the module while a run goes on.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "serve/module_gate.h"
#include "serve/table_pages.h"

namespace linkan::app {
namespace {

using nlohmann::json;

// A table of `rows` rows: a number column with ties and missing cells, a
// text column, a column mixing numbers and texts.
ResultsTable RandomTable(std::mt19937& random, int rows) {
  ResultsTable t;
  t.rows = rows;
  t.cols = 3;
  t.columnNames = {"n", "t", "mixed"};
  t.titles = {"Random", "", ""};
  const std::size_t cells = static_cast<std::size_t>(rows) * 3;
  t.numbers.assign(cells, std::nan(""));
  t.texts.assign(cells, "");
  t.hasText.assign(cells, 0);
  t.textColumn = {0, 1, 1};
  for (int r = 0; r < rows; ++r) {
    t.rowNames.push_back("r" + std::to_string(random() % 50));
    if (random() % 5 != 0) t.numbers[t.Index(r, 0)] = static_cast<double>(random() % 7);
    t.texts[t.Index(r, 1)] = std::string(1, static_cast<char>('a' + random() % 6));
    t.hasText[t.Index(r, 1)] = 1;
    if (random() % 2) {
      t.texts[t.Index(r, 2)] = "x" + std::to_string(random() % 3);
      t.hasText[t.Index(r, 2)] = 1;
    } else {
      t.numbers[t.Index(r, 2)] = static_cast<double>(random() % 3);
    }
  }
  return t;
}

// -1, 0, 1: how a page orders two cells (a number before a text, missing
// last, then by value).
int Order(const json& a, const json& b) {
  const int rankA = a.is_null() ? 2 : a.is_string(), rankB = b.is_null() ? 2 : b.is_string();
  if (rankA != rankB) return rankA < rankB ? -1 : 1;
  if (a.is_null()) return 0;
  return a < b ? -1 : (b < a ? 1 : 0);
}

TEST(TablePagesTest, PagesInAnyOrderCoverEveryRowOnce) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    const ResultsTable table = RandomTable(random, 1 + static_cast<int>(random() % 120));
    TablePages pages(table);
    const std::size_t limit = 1 + random() % 40;
    for (int column = -2; column < table.cols; ++column) {
      for (const bool descending : {false, true}) {
        std::vector<json> rows;
        for (std::size_t offset = 0; offset < static_cast<std::size_t>(table.rows); offset += limit) {
          const json page = pages.Page(offset, limit, column, descending);
          ASSERT_EQ(page["total"], table.rows);
          for (const json& row : page["rows"]) rows.push_back(row);
        }
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(table.rows));
        // Every row once: the row names and cells, as a multiset, match.
        std::vector<std::string> got, want;
        for (const json& row : rows) got.push_back(row.dump());
        for (int r = 0; r < table.rows; ++r) {
          json row = json::array({std::string(table.RowName(r))});
          for (int c = 0; c < table.cols; ++c) {
            if (table.IsText(r, c)) row.push_back(table.Text(r, c));
            else if (std::isnan(table.Number(r, c))) row.push_back(nullptr);
            else row.push_back(table.Number(r, c));
          }
          want.push_back(row.dump());
        }
        if (column == -2) {
          if (descending) std::reverse(want.begin(), want.end());
          EXPECT_EQ(got, want);
          continue;
        }
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
        // In order: neighbours never out of order; missing cells last in
        // both directions.
        const std::size_t at = static_cast<std::size_t>(column + 1);
        for (std::size_t i = 1; i < rows.size(); ++i) {
          const json& a = rows[i - 1][at];
          const json& b = rows[i][at];
          if (a.is_null() || b.is_null()) {
            EXPECT_FALSE(a.is_null() && !b.is_null()) << "missing before a value";
            continue;
          }
          const int order = Order(a, b);
          EXPECT_LE(descending ? -order : order, 0) << a << " then " << b;
        }
      }
    }
  }
}

TEST(TablePagesTest, PagesPastTheEndAreEmptyAndLimitsAreCapped) {
  std::mt19937 random(3);
  const ResultsTable table = RandomTable(random, 10);
  TablePages pages(table);
  EXPECT_TRUE(pages.Page(10, 100, 0, false)["rows"].empty());
  EXPECT_TRUE(pages.Page(1000, 100, 99, false)["rows"].empty());  // an unknown column: table order
  EXPECT_EQ(pages.Page(0, 100000, 1, true)["rows"].size(), 10u);
}

TEST(ModuleGateTest, OneRunAtATimeWhileDialogCallsOfOtherTabsGoOn) {
  ModuleGate gate;
  std::string busy;
  ModuleGate::Pass run = gate.EnterRun("A", "/p/one.dbs", busy);
  ASSERT_TRUE(run);

  struct Case {
    const char* what;
    bool dialog;  // else a call that runs phases
    const char* owner;
    bool allowed;
    const char* says;
  } cases[] = {
      {"B changes a control", true, "B", true, ""},
      {"A changes a control during its run", true, "A", false, "this tab's analysis is still running"},
      {"B makes a table", false, "B", false, "an analysis of /p/one.dbs is running in another tab"},
  };
  for (const Case& c : cases) {
    busy.clear();
    ModuleGate::Pass pass = c.dialog ? gate.EnterDialog(c.owner, busy) : gate.EnterCall(c.owner, busy);
    EXPECT_EQ(static_cast<bool>(pass), c.allowed) << c.what;
    EXPECT_NE(busy.find(c.says), std::string::npos) << c.what << ": " << busy;
  }
  EXPECT_FALSE(gate.EnterRun("B", "/p/one.dbs", busy));
  EXPECT_NE(busy.find("the project /p/one.dbs is being analysed in another tab"), std::string::npos);
  EXPECT_FALSE(gate.EnterRun("B", "/p/two.dbs", busy));
  EXPECT_NE(busy.find("runs one at a time"), std::string::npos);

  // A run's pass moves to its thread and frees the gate when released.
  ModuleGate::Pass moved = std::move(run);
  EXPECT_FALSE(run);
  moved.Release();
  ModuleGate::Pass next = gate.EnterRun("B", "/p/one.dbs", busy);
  EXPECT_TRUE(next);
}

}  // namespace
}  // namespace linkan::app
