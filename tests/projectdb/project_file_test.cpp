// project_file_test.cpp: what a project file holds as any SQLite tool sees
// it, the table registry, and the refusal of files that are not projects.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "projectdb/project_tables.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

std::vector<std::string> Columns(const RawDb& raw, const std::string& table) {
  return raw.Rows("SELECT name || ' ' || type FROM pragma_table_info('" + table + "')");
}

TEST(ProjectFile, FreshFileHoldsTheSixTablesReadableBySqlite) {
  TempDir dir;
  const std::string path = dir.File("LinkAnalysis.dbs");
  {
    ProjectDatabase db;
    OpenOrFail(db, path);
    db.InsertTransaction({"s1", 1.0, {3, 1}});
    db.EndReadAccess();
  }
  // Closing the last connection folds the log into the file.
  EXPECT_FALSE(FileExists(path + "-wal"));
  RawDb raw(path);
  EXPECT_EQ(raw.Rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid"),
            (std::vector<std::string>{"DBInfo", "TransactionInfo", "SequenceAssociationInfo",
                                      "ResultInfo", "ItemInfo", "FrequentItemInfo"}));
  EXPECT_EQ(Columns(raw, "DBInfo"),
            (std::vector<std::string>{"version_major INTEGER", "version_minor INTEGER"}));
  EXPECT_EQ(Columns(raw, "TransactionInfo"),
            (std::vector<std::string>{"SID TEXT", "TID REAL", "items BLOB"}));
  EXPECT_EQ(Columns(raw, "ResultInfo"),
            (std::vector<std::string>{"ClassID INTEGER", "RelatedNumber INTEGER", "nitems BLOB",
                                      "items BLOB"}));
  EXPECT_EQ(Columns(raw, "ItemInfo"), (std::vector<std::string>{"item INTEGER", "records BLOB"}));
  EXPECT_EQ(Columns(raw, "FrequentItemInfo"),
            (std::vector<std::string>{"itemsets BLOB", "freq INTEGER"}));
  // The record's columns in their order, as one text.
  std::string record;
  for (const std::string& name :
       raw.Rows("SELECT name FROM pragma_table_info('SequenceAssociationInfo')")) {
    record += (record.empty() ? "" : " ") + name;
  }
  EXPECT_EQ(record,
            "minpat maxpat nvars ncases size sumw NbVars minsupp minconf mincorr maxsupp "
            "maxconf maxhead maxbody ncategpco MaxSequenceSize CombineItemsetMode "
            "FixedNumItemsets FixedTimeLength MinTime MaxTime iMinMaxFilter iSingleItemset "
            "noseq taxon removeorg onedichcode codeselected mdonedichcode mdcodeselected "
            "iwgtdmn i_wwww nresvars ndichvars ncontvars nsidvar ntidvar sidvar tidvar "
            "nmdresvars nmddichvars nmdcontvars ntaxonomies resvars dichvars contvars "
            "ndichcodes dichcodes mdresvars mddichvars mdcontvars nmddichcodes mddichcodes "
            "transaction stoplist ncodes coinfo mdcoinfo taxonomies ItemMap Codes");

  // The (SID, TID) key is the primary key: a unique index, the table kept
  // in its order. The other tables' keys are indexed too.
  EXPECT_EQ(raw.Rows("SELECT \"unique\", origin FROM pragma_index_list('TransactionInfo')"),
            (std::vector<std::string>{"1|pk"}));
  EXPECT_EQ(raw.Rows("SELECT name FROM pragma_table_info('TransactionInfo') WHERE pk > 0 "
                     "ORDER BY pk"),
            (std::vector<std::string>{"SID", "TID"}));
  EXPECT_EQ(raw.Rows("SELECT name FROM pragma_index_info('ResultInfo_key') ORDER BY seqno"),
            (std::vector<std::string>{"ClassID", "RelatedNumber"}));
  EXPECT_EQ(raw.Rows("SELECT name FROM pragma_index_info('FrequentItemInfo_key')"),
            (std::vector<std::string>{"itemsets"}));

  EXPECT_EQ(raw.Int("PRAGMA application_id"), projectdb::kApplicationId);
  EXPECT_EQ(raw.Int("PRAGMA user_version"), projectdb::kFormatVersion);
  EXPECT_EQ(raw.Text("PRAGMA journal_mode"), "wal");
  for (const char* table :
       {"DBInfo", "ItemInfo", "FrequentItemInfo", "SequenceAssociationInfo", "ResultInfo"}) {
    EXPECT_EQ(raw.Int(std::string("SELECT count(*) FROM ") + table), 0) << table;
  }
  EXPECT_EQ(raw.Rows("SELECT SID, TID, hex(items) FROM TransactionInfo"),
            (std::vector<std::string>{"s1|1.0|0300000001000000"}));
}

TEST(ProjectFile, TableRegistrationIsCountedAndOpenHoldsItsOwn) {
  const int before = projectdb::ProjectTableRegistrations();
  RegisterProjectTables();
  RegisterProjectTables();
  EXPECT_EQ(projectdb::ProjectTableRegistrations(), before + 2);
  const auto tables = projectdb::RegisteredProjectTables();
  ASSERT_NE(tables, nullptr);
  ASSERT_EQ(tables->size(), 6u);
  EXPECT_EQ(tables->at(1).name, "TransactionInfo");
  EXPECT_TRUE(tables->at(1).uniqueKey);
  ReleaseProjectTables();
  ReleaseProjectTables();
  EXPECT_EQ(projectdb::ProjectTableRegistrations(), before);

  TempDir dir;
  ProjectDatabase db;
  OpenOrFail(db, dir.File("p.dbs"));
  EXPECT_EQ(projectdb::ProjectTableRegistrations(), before + 1);
  db.CloseProjectDatabase();
  EXPECT_EQ(projectdb::ProjectTableRegistrations(), before);
  ReleaseProjectTables();  // an unmatched release changes nothing
  EXPECT_EQ(projectdb::ProjectTableRegistrations(), before);
}

// ---- Files that are not projects ----------------------------------------

class Refusal : public ::testing::Test {
 protected:
  // Opens `path` and expects it refused, or with `damaged` reported as
  // damaged, with `hint` in the message naming the file; the file and its
  // folder stay as they were.
  void ExpectRefused(const std::string& path, const std::string& hint, bool damaged = false) {
    const bool folder = std::filesystem::is_directory(path);
    const std::string before = folder ? std::string() : ReadBytes(path);
    const auto entries = dir.Entries();
    ProjectDatabase db;
    db.SetPath(path);
    if (damaged) {
      const std::string found = DamageReport(path, [&] { db.OpenProjectDatabase(); });
      EXPECT_NE(found.find(hint), std::string::npos) << found;
      EXPECT_EQ(db.LastError(), "the project file \"" + path + "\" is damaged: " + found);
    } else {
      EXPECT_EQ(db.OpenProjectDatabase(), 1);
      EXPECT_NE(db.LastError().find(hint), std::string::npos) << db.LastError();
      EXPECT_NE(db.LastError().find(path), std::string::npos) << db.LastError();
    }
    EXPECT_TRUE(db.OpenFailed());
    EXPECT_FALSE(db.IsOpen());
    db.CloseProjectDatabase();
    EXPECT_FALSE(db.OpenFailed());
    if (!folder) {
      EXPECT_EQ(ReadBytes(path), before);
    }
    EXPECT_EQ(dir.Entries(), entries);
  }

  // A project with some content, closed.
  std::string MakeProject(const std::string& name, int records) {
    const std::string path = dir.File(name);
    ProjectDatabase db;
    OpenOrFail(db, path);
    for (int i = 0; i < records; ++i) {
      db.InsertTransaction({"sequence-" + std::to_string(i), 1.0 * i, {i, i + 1, i + 2}});
    }
    db.EndReadAccess();
    db.SaveProjectRecord(FullProjectRecord());
    return path;
  }

  TempDir dir;
};

// Files of other kinds at the project path are refused, each with its
// reason, and left as they were.
TEST_F(Refusal, OtherFilesAreRefusedWithTheirReason) {
  const auto sqlite = [&](const std::string& name, const char* sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(dir.File(name).c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
    return dir.File(name);
  };
  WriteBytes(dir.File("notes.dbs"), "SID,TID,item\n1,1,apple\n");
  const std::string newer = MakeProject("newer.dbs", 3);
  RawDb(newer, /*writable=*/true).Exec("PRAGMA user_version = 2");
  const std::pair<std::string, std::string> cases[] = {
      {dir.File("notes.dbs"), "not an SQLite database"},
      {sqlite("other.dbs", "CREATE TABLE t(a); INSERT INTO t VALUES (1);"), "another application"},
      // An initialised database without tables is no empty file either.
      {sqlite("bare.dbs", "PRAGMA user_version = 3; VACUUM;"), "another application"},
      {newer, "newer format (2)"},
  };
  for (const auto& [path, reason] : cases) ExpectRefused(path, reason);
}

TEST_F(Refusal, TruncatedProject) {
  const std::string path = MakeProject("truncated.dbs", 3000);
  const std::string bytes = ReadBytes(path);
  ASSERT_GT(bytes.size(), 16384u);
  WriteBytes(path, bytes.substr(0, bytes.size() / 2));
  ExpectRefused(path, "truncated", /*damaged=*/true);
  WriteBytes(path, bytes.substr(0, 60));
  ExpectRefused(path, "truncated", /*damaged=*/true);
}

TEST_F(Refusal, CorruptedProject) {
  const std::string path = MakeProject("damaged.dbs", 3000);
  std::string bytes = ReadBytes(path);
  // Scribble over the start of the page in the middle of the file, a
  // b-tree page of the tables: from its page header on, whatever the
  // layout (the unused room of a page is not checked). The page size is
  // the big-endian 16-bit header field at offset 16 (1 means 65536).
  const std::size_t field = static_cast<unsigned char>(bytes[16]) * 256u +
                            static_cast<unsigned char>(bytes[17]);
  const std::size_t pageSize = field == 1 ? 65536 : field;
  const std::size_t from = bytes.size() / 2 / pageSize * pageSize;
  for (std::size_t i = from; i < from + 3000; ++i) {
    bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
  }
  WriteBytes(path, bytes);
  ExpectRefused(path, "integrity check", /*damaged=*/true);

  // A damaged schema page (page 1 beyond its header).
  bytes = ReadBytes(MakeProject("damaged2.dbs", 10));
  for (std::size_t i = 100; i < 4096; ++i) bytes[i] = static_cast<char>(i * 13);
  WriteBytes(dir.File("damaged2.dbs"), bytes);
  ExpectRefused(dir.File("damaged2.dbs"), "malformed", /*damaged=*/true);
}

// Regression: a header asking for a newer SQLite writer made SQLite open the
// file read-only, which was reported as "write-protected". Header fields
// that only damage gives are reported as damage, each by name.
TEST_F(Refusal, DamagedHeaderFieldsAreNamed) {
  const std::string path = MakeProject("header.dbs", 3);
  const std::string good = ReadBytes(path);
  const struct {
    std::size_t offset;
    char value;
    const char* hint;
  } kFields[] = {
      {18, 3, "invalid write version 3"}, {19, 6, "invalid read version 6"},
      {20, 8, "reserved bytes per page 8"}, {21, 65, "payload fractions"},
      {16, 0x41, "invalid page size"},     {47, 9, "schema format 9"},
      {59, 2, "text encoding"},            {80, 1, "offset 80"},
      {63, 0, "no format version"},
  };
  for (const auto& f : kFields) {
    std::string bytes = good;
    bytes[f.offset] = f.value;
    WriteBytes(path, bytes);
    ExpectRefused(path, f.hint, /*damaged=*/true);
  }
}

TEST_F(Refusal, PathsThatCannotHoldAProject) {
  ExpectRefused(dir.path(), "not a regular file");

  ProjectDatabase db;
  db.SetPath(dir.File("missing-folder/LinkAnalysis.dbs"));
  EXPECT_EQ(db.OpenProjectDatabase(), 1);
  EXPECT_NE(db.LastError().find("cannot be opened"), std::string::npos) << db.LastError();
  db.SetPath("");
  EXPECT_EQ(db.OpenProjectDatabase(), 1);
  EXPECT_FALSE(db.LastError().empty());

  if (::geteuid() != 0) {  // permissions do not bind root
    const std::string path = MakeProject("readonly.dbs", 1);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    ExpectRefused(path, "is write-protected");
  }
}

TEST_F(Refusal, EmptyFileBecomesAProject) {
  const std::string path = dir.File("empty.dbs");
  WriteBytes(path, "");
  ProjectDatabase db;
  OpenOrFail(db, path);
  EXPECT_EQ(db.CountTransactions(), 0u);
  db.CloseProjectDatabase();
  RawDb raw(path);
  EXPECT_EQ(raw.Int("PRAGMA application_id"), projectdb::kApplicationId);
}

TEST_F(Refusal, AProjectOpenElsewhereOpensWithItsCommittedState) {
  const std::string path = MakeProject("shared.dbs", 2);
  ProjectDatabase first;
  OpenOrFail(first, path);
  first.InsertTransaction({"new", 1.0, {1}});
  first.EndReadAccess();  // committed to the log, not yet to the file
  first.InsertTransaction({"pending", 1.0, {1}});
  ASSERT_TRUE(FileExists(path + "-wal"));
  ProjectDatabase second;
  OpenOrFail(second, path);
  EXPECT_EQ(second.CountTransactions(), 3u);
}

TEST_F(Refusal, ReopeningAProjectKeepsItsContent) {
  // Characters that file URIs reserve must not confuse the file checks.
  const std::string path = MakeProject("again ?#%41 \xc3\xa9.dbs", 5);
  ProjectDatabase db;
  OpenOrFail(db, path);
  EXPECT_EQ(db.CountTransactions(), 5u);
  EXPECT_EQ(db.OpenProjectDatabase(), 0);  // an open closes the previous connection first
  EXPECT_EQ(db.CountTransactions(), 5u);
}

}  // namespace
}  // namespace linkan::testing
