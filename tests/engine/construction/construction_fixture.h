// construction_fixture.h
//
// Shared set-up of the construction tests: a scripted host with a table, an
// engine over it, a store, and the stored records read back by item name
// (so that expectations are independent of item numbering).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/construction/transaction_store.h"
#include "engine/sal_engine.h"
#include "testutil/test_host.h"

namespace linkan::testing {

// A record as names: (SID, TID) -> ascending item names.
using NamedRecords = std::map<std::pair<std::string, double>, std::set<std::string>>;

class ConstructionFixture : public ::testing::Test {
 protected:
  // Makes the engine once the table is complete.
  SalEngine& Engine(ProjectDatabase* db = nullptr) {
    engine = std::make_unique<SalEngine>(analysis, db);
    return *engine;
  }
  AnalysisSettings& Settings() { return engine->settings; }

  void UseIdVariable(int var) {
    Settings().nsidvar = 1;
    Settings().sidvar[0] = static_cast<std::int16_t>(var);
  }
  void UseTimeVariable(int var) {
    Settings().ntidvar = 1;
    Settings().tidvar[0] = static_cast<std::int16_t>(var);
  }
  void AddResponse(int var) {
    AnalysisSettings& s = Settings();
    s.resvars[static_cast<std::size_t>(s.nresvars++)] = static_cast<std::int16_t>(var);
  }
  void AddNonSequentialResponse(int var) {
    AnalysisSettings& s = Settings();
    s.mdresvars[static_cast<std::size_t>(s.nmdresvars++)] = static_cast<std::int16_t>(var);
  }

  // Records of `store` with their items named through the engine's
  // dictionary; fails the test on an item the dictionary does not know or
  // a record that holds an item twice.
  NamedRecords Named(const std::map<std::pair<std::string, double>, std::vector<std::int32_t>>&
                         records) const {
    NamedRecords out;
    for (const auto& [key, items] : records) {
      std::set<std::string>& names = out[key];
      for (const std::int32_t item : items) {
        const std::string* name = engine->items.FindName(item);
        if (!name) {
          ADD_FAILURE() << "item " << item << " of " << key.first << " is not in the dictionary";
          continue;
        }
        EXPECT_TRUE(names.insert(*name).second) << "item repeated in " << key.first;
      }
    }
    return out;
  }

  // True when the dictionary numbers follow the byte-wise name order 1..n.
  bool NumberedInNameOrder() const {
    ItemNumber k = 0;
    for (const auto& [name, number] : engine->items.EntriesByName()) {
      if (number != ++k) return false;
    }
    return true;
  }

  TestHost host;
  TestAnalysis analysis{&host};
  std::unique_ptr<SalEngine> engine;
};

}  // namespace linkan::testing
