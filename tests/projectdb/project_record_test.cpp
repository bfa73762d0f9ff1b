// project_record_test.cpp: the SequenceAssociationInfo record through
// close and reopen, its stored layout, and its failure cases.
#include <gtest/gtest.h>

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_database.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

void ExpectSameRecord(const ProjectRecord& e, const ProjectRecord& a) {
  ExpectSameSettings(e.settings, a.settings);
  EXPECT_EQ(e.transactionIds, a.transactionIds);
  EXPECT_EQ(e.itemNames, a.itemNames);
  EXPECT_EQ(e.stoplist, a.stoplist);
  EXPECT_EQ(e.ncodes, a.ncodes);
  EXPECT_EQ(e.codes, a.codes);
  EXPECT_EQ(e.coinfo, a.coinfo);
  EXPECT_EQ(e.mdcoinfo, a.mdcoinfo);
  EXPECT_EQ(e.taxonomies, a.taxonomies);
}

std::vector<std::int32_t> Int32s(const std::string& blob) {
  std::vector<std::int32_t> out;
  EXPECT_TRUE(projectdb::DecodeInt32Array(blob, out));
  return out;
}
std::vector<std::int16_t> Int16s(const std::string& blob) {
  std::vector<std::int16_t> out;
  EXPECT_TRUE(projectdb::DecodeInt16Array(blob, out));
  return out;
}
std::vector<double> Reals(const std::string& blob) {
  std::vector<double> out;
  EXPECT_TRUE(projectdb::DecodeReal8Array(blob, out));
  return out;
}
std::vector<std::string> Texts(const std::string& blob) {
  std::vector<std::string> out;
  EXPECT_TRUE(projectdb::DecodeStringArray(blob, out));
  return out;
}

std::string Column(const std::string& path, const std::string& name) {
  RawDb raw(path);
  return raw.Blob("SELECT \"" + name + "\" FROM SequenceAssociationInfo");
}

class ProjectRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { path = dir.File("LinkAnalysis.dbs"); }

  ProjectRecord SaveCloseReopenLoad(const ProjectRecord& record) {
    {
      ProjectDatabase db;
      OpenOrFail(db, path);
      db.SaveProjectRecord(record);
    }
    ProjectDatabase db;
    OpenOrFail(db, path);
    ProjectRecord loaded;
    EXPECT_TRUE(db.LoadProjectRecord(loaded));
    return loaded;
  }

  TempDir dir;
  std::string path;
};

TEST_F(ProjectRecordTest, FullRecordSurvivesCloseAndReopen) {
  const ProjectRecord record = FullProjectRecord();
  const ProjectRecord loaded = SaveCloseReopenLoad(record);
  ExpectSameRecord(record, loaded);

  // Laid out as a user of the file sees it.
  RawDb raw(path);
  EXPECT_EQ(raw.Rows("SELECT minpat, maxpat, nvars, ncases, size, sumw, NbVars, sidvar, tidvar, "
                     "ntaxonomies, codeselected, iwgtdmn, i_wwww FROM SequenceAssociationInfo"),
            (std::vector<std::string>{"2|7|9|1234|3|1234.5|12|1|2|2|1|1|2"}));
  EXPECT_EQ(Int16s(raw.Blob("SELECT resvars FROM SequenceAssociationInfo")),
            (std::vector<std::int16_t>{3, 4}));
  EXPECT_EQ(Int16s(raw.Blob("SELECT ndichcodes FROM SequenceAssociationInfo")),
            (std::vector<std::int16_t>{3, 1}));
  EXPECT_EQ(Texts(raw.Blob("SELECT \"transaction\" FROM SequenceAssociationInfo")),
            record.transactionIds);
  EXPECT_EQ(Texts(raw.Blob("SELECT ItemMap FROM SequenceAssociationInfo")), record.itemNames);
  EXPECT_EQ(Texts(raw.Blob("SELECT stoplist FROM SequenceAssociationInfo")),
            (std::vector<std::string>{"a", "the"}));
  // Statistics: five per variable, the maximum first.
  const std::vector<double> coinfo = Reals(raw.Blob("SELECT coinfo FROM SequenceAssociationInfo"));
  ASSERT_EQ(coinfo.size(), 10u);
  EXPECT_EQ(coinfo[0], 10.0);  // first variable's maximum
  EXPECT_EQ(coinfo[5], -1.0);  // second variable's maximum
  EXPECT_EQ(coinfo[9], 0.2);   // second variable's width
  EXPECT_EQ(Reals(raw.Blob("SELECT mdcoinfo FROM SequenceAssociationInfo")).size(), 5u);
  // Taxonomies: rows of the item's name and one label per map.
  EXPECT_EQ(Texts(raw.Blob("SELECT taxonomies FROM SequenceAssociationInfo")),
            (std::vector<std::string>{"apple", "fruit", "food", "carrot", "vegetable", "food",
                                      "lettuce", "produce", "greens"}));
  // Our options beside the six tables.
  EXPECT_EQ(raw.Rows("SELECT name, value FROM LinkanOptions"),
            (std::vector<std::string>{"StandardSupport|1"}));
}

// A project made before the options table existed has the defaults; a
// value out of range is damage, reported with its place.
TEST_F(ProjectRecordTest, OptionsTableMissingGivesDefaultsAndABadValueIsDamage) {
  ProjectDatabase db;
  OpenOrFail(db, path);
  db.SaveProjectRecord(FullProjectRecord());
  {
    RawDb raw(path, /*writable=*/true);
    raw.Exec("DROP TABLE LinkanOptions");
  }
  ProjectRecord out;
  ASSERT_TRUE(db.LoadProjectRecord(out));
  EXPECT_EQ(out.settings.StandardSupport, 0);

  const std::pair<const char*, const char*> damages[] = {
      {"UPDATE LinkanOptions SET value = 7", "StandardSupport is not 0 or 1"},
      {"UPDATE LinkanOptions SET value = 'yes'", "StandardSupport is not 0 or 1"},
      {"ALTER TABLE LinkanOptions RENAME COLUMN value TO worth",
       "the table is not the one this program makes"},
  };
  for (const auto& [damage, report] : damages) {
    db.SaveProjectRecord(FullProjectRecord());
    {
      RawDb raw(path, /*writable=*/true);
      raw.Exec(damage);
    }
    const std::string found = DamageReport(path, [&] { db.LoadProjectRecord(out); });
    EXPECT_EQ(found.rfind(std::string("LinkanOptions row \"StandardSupport\": ") + report, 0), 0u)
        << found;
    RawDb(path, /*writable=*/true).Exec("DROP TABLE LinkanOptions");
  }
}

TEST_F(ProjectRecordTest, DichotomyCodesUseTheColumnLayoutAndOnlyMeaningfulCodesReturn) {
  ProjectRecord record = FullProjectRecord();
  // Two variables with 3 and 1 codes: 3 rows of 2 columns. Positions 3 and
  // 5 belong to the second variable's missing codes; stale values there are
  // neither stored nor read back.
  ASSERT_EQ(record.settings.dichcodes, (std::vector<std::int32_t>{1, -7, 2, 0, 3, 0}));
  record.settings.dichcodes[3] = 99;
  record.settings.dichcodes[5] = 98;
  const ProjectRecord loaded = SaveCloseReopenLoad(record);
  EXPECT_EQ(Int32s(Column(path, "dichcodes")), (std::vector<std::int32_t>{1, -7, 2, 0, 3, 0}));
  EXPECT_EQ(loaded.settings.dichcodes, (std::vector<std::int32_t>{1, -7, 2, 0, 3, 0}));
  EXPECT_EQ(loaded.settings.DichCode(0, 2), 3);
  EXPECT_EQ(loaded.settings.DichCode(1, 0), -7);
  // The non-sequential pair: one variable, exactly one list entry.
  EXPECT_EQ(Int16s(Column(path, "mddichvars")), (std::vector<std::int16_t>{10}));
  EXPECT_EQ(Int32s(Column(path, "mddichcodes")), (std::vector<std::int32_t>{40, -32000}));
}

TEST_F(ProjectRecordTest, TaxonomyMapsWithDifferentItemsKeepEachItemsOwnLabel) {
  ProjectRecord record = FullProjectRecord();
  // A synonym list that is blank for some items gives a map with fewer
  // entries; labels must stay with their items.
  record.taxonomies = {
      {{"apple", "fruit"}, {"carrot", "vegetable"}}, {{"bread", "bakery"}, {"carrot", "root"}}, {}};
  const ProjectRecord loaded = SaveCloseReopenLoad(record);
  EXPECT_EQ(loaded.taxonomies, record.taxonomies);
  EXPECT_EQ(Texts(Column(path, "taxonomies")),
            (std::vector<std::string>{"apple", "fruit", "", "", "bread", "", "bakery", "", "carrot",
                                      "vegetable", "root", ""}));
}

TEST_F(ProjectRecordTest, ProjectWithoutDichotomiesStoresEmptyArrays) {
  ProjectRecord record;
  record.settings.ResetToDefaults(4);
  const ProjectRecord loaded = SaveCloseReopenLoad(record);
  for (const char* field : {"ndichcodes", "dichcodes", "ncodes", "Codes", "resvars", "coinfo",
                            "taxonomies", "ItemMap", "transaction", "stoplist"}) {
    RawDb raw(path);
    EXPECT_EQ(raw.Text(std::string("SELECT typeof(\"") + field + "\") || length(\"" + field +
                       "\") FROM SequenceAssociationInfo"),
              "blob0")
        << field;
  }
  ExpectSameRecord(record, loaded);
  EXPECT_EQ(loaded.settings.resvars.size(), 4u);  // lists keep room for every variable
}

TEST_F(ProjectRecordTest, SavingReplacesTheOneRecord) {
  ProjectDatabase db;
  OpenOrFail(db, path);
  ProjectRecord out;
  out.itemNames = {"untouched"};
  EXPECT_FALSE(db.LoadProjectRecord(out));
  EXPECT_EQ(out.itemNames, (std::vector<std::string>{"untouched"}));

  ProjectRecord first = FullProjectRecord();
  db.SaveProjectRecord(first);
  ProjectRecord second = FullProjectRecord();
  second.settings.minsupp = 0.5;
  second.itemNames = {"only"};
  db.SaveProjectRecord(second);
  ASSERT_TRUE(db.LoadProjectRecord(out));
  ExpectSameRecord(second, out);
  db.CloseProjectDatabase();
  EXPECT_EQ(RawDb(path).Int("SELECT count(*) FROM SequenceAssociationInfo"), 1);
}

TEST_F(ProjectRecordTest, ARecordBreakingItsInvariantsWritesNothing) {
  ProjectDatabase db;
  OpenOrFail(db, path);
  const ProjectRecord good = FullProjectRecord();
  db.SaveProjectRecord(good);

  const std::function<void(ProjectRecord&)> breaks[] = {
      [](ProjectRecord& r) { r.settings.nresvars = 20; },  // more than the list holds
      [](ProjectRecord& r) { r.codes.pop_back(); },        // ncodes promise one more
      [](ProjectRecord& r) { r.coinfo.push_back(1.0); },
      [](ProjectRecord& r) { r.settings.dichcodes.resize(3); },
  };
  for (std::size_t i = 0; i < std::size(breaks); ++i) {
    ProjectRecord bad = good;
    breaks[i](bad);
    EXPECT_THROW(db.SaveProjectRecord(bad), ModuleError) << "case " << i;
    ProjectRecord out;
    ASSERT_TRUE(db.LoadProjectRecord(out));
    ExpectSameRecord(good, out);
  }
}

TEST_F(ProjectRecordTest, DamagedStoredArraysAreReportedNotGuessed) {
  ProjectDatabase db;
  OpenOrFail(db, path);
  db.SaveProjectRecord(FullProjectRecord());
  const auto expectDamaged = [&](const std::string& update, const std::string& report) {
    {
      RawDb raw(path, /*writable=*/true);
      raw.Exec(update);
    }
    ProjectRecord out;
    out.itemNames = {"untouched"};
    const std::string found = DamageReport(path, [&] { db.LoadProjectRecord(out); });
    EXPECT_EQ(found.rfind("SequenceAssociationInfo row ", 0), 0u) << found;
    EXPECT_NE(found.find(report), std::string::npos) << found;
    EXPECT_EQ(out.itemNames, (std::vector<std::string>{"untouched"}));
    db.SaveProjectRecord(FullProjectRecord());
  };
  const std::string set = "UPDATE SequenceAssociationInfo SET ";
  expectDamaged(set + "coinfo = x'0102030405'", "coinfo holds 5 bytes, no whole number of real8");
  expectDamaged(set + "resvars = x'0100'", "resvars holds 1 entries for a count of 2");
  expectDamaged(set + "dichcodes = x'01000000'",
                "dichcodes holds 1 entries, its code counts need 6");
  expectDamaged(set + "ItemMap = x'09000000414243'", "ItemMap: a string length runs past the end");
  expectDamaged(set + "ntaxonomies = 4", "taxonomies holds 9 texts, no whole number of 5-column");
  expectDamaged(set + "nresvars = 70000", "nresvars 70000 is outside -32768 to 32767");
  expectDamaged(set + "NbVars = -1", "NbVars -1 is outside 0 to 32767");
  expectDamaged(set + "ItemMap = x'01000000610100000062010000006100000000'",
                "ItemMap entries 1 and 3 are the same text");
  expectDamaged(set + "\"transaction\" = x'01000000610100000061'",
                "transaction entries 1 and 2 are the same text");
  expectDamaged(set + "size = 7", "size 7 is neither 0 nor the number of transaction IDs (3)");
  expectDamaged(set + "resvars = x'03002000'",
                "resvars entry 2 is variable 32, outside 1 to NbVars (12)");
  expectDamaged(set + "tidvar = 0", "tidvar entry 1 is variable 0");
  expectDamaged(set + "stoplist = x'030000007468650100000061'",
                "stoplist entries 1 and 2 are not ascending and distinct");
  expectDamaged(set + "minsupp = 'high'", "minsupp holds a value of the wrong type");
  expectDamaged(set + "codeselected = 2", "codeselected 2 is outside 0 to 1");
}

}  // namespace
}  // namespace linkan::testing
