// projectdb_test_util.cpp
#include "projectdb_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "frame/host/module_error.h"

namespace linkan::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "linkan-pdb-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(path_)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

ProjectRecord FullProjectRecord() {
  ProjectRecord r;
  AnalysisSettings& s = r.settings;
  s.ResetToDefaults(12);
  s.minpat = 2;
  s.maxpat = 7;
  s.nvars = 9;
  s.ncases = 1234;
  s.size = 3;
  s.sumw = 1234.5;
  s.minsupp = 0.05;
  s.minconf = 0.3;
  s.mincorr = 0.45;
  s.maxsupp = 0.9;
  s.maxconf = 0.95;
  s.maxhead = 3;
  s.maxbody = 4;
  s.ncategpco = 7;
  s.MaxSequenceSize = 5;
  s.CombineItemsetMode = 1;
  s.FixedNumItemsets = 2;
  s.FixedTimeLength = 2.5;
  s.MinTime = -10.25;
  s.MaxTime = 1e6;
  s.iMinMaxFilter = 1;
  s.iSingleItemset = 1;
  s.noseq = 1;
  s.taxon = 1;
  s.removeorg = 1;
  s.onedichcode = 1;
  s.codeselected = true;
  s.mdonedichcode = 1;
  s.mdcodeselected = true;
  s.iwgtdmn = 1;
  s.i_wwww = 2;
  s.StandardSupport = 1;
  s.nresvars = 2;
  s.resvars[0] = 3;
  s.resvars[1] = 4;
  s.ndichvars = 2;
  s.dichvars[0] = 5;
  s.dichvars[1] = 6;
  s.ncontvars = 2;
  s.contvars[0] = 7;
  s.contvars[1] = 8;
  s.nsidvar = 1;
  s.sidvar[0] = 1;
  s.ntidvar = 1;
  s.tidvar[0] = 2;
  s.nmdresvars = 1;
  s.mdresvars[0] = 9;
  s.nmddichvars = 1;
  s.mddichvars[0] = 10;
  s.nmdcontvars = 1;
  s.mdcontvars[0] = 11;
  s.SetDichCodes(0, {1, 2, 3});
  s.SetDichCodes(1, {-7});
  s.SetMdDichCodes(0, {40, -32000});

  r.transactionIds = {"t1", "t 2", "x'; DROP TABLE TransactionInfo; --"};
  r.itemNames = {"zeta", "alpha", "\xc3\xa9mile", ""};
  r.stoplist = {"a", "the"};
  r.ncodes = {3, 1, 2};
  r.codes = {1.0, 2.0, 3.0, -7.0, 40.0, -32000.0};
  r.coinfo = {10.0, 5.5, 1.0, 2.25, 0.9, -1.0, -2.0, -3.0, 0.5, 0.2};
  r.mdcoinfo = {100.0, 50.0, 0.0, 12.5, 10.0};
  r.taxonomies = {{{"apple", "fruit"}, {"carrot", "vegetable"}, {"lettuce", "produce"}},
                  {{"apple", "food"}, {"carrot", "food"}, {"lettuce", "greens"}}};
  return r;
}

void ExpectSameSettings(const AnalysisSettings& e, const AnalysisSettings& a) {
#define LINKAN_EXPECT_FIELD(f) EXPECT_EQ(e.f, a.f) << #f
  LINKAN_EXPECT_FIELD(minpat);
  LINKAN_EXPECT_FIELD(maxpat);
  LINKAN_EXPECT_FIELD(nvars);
  LINKAN_EXPECT_FIELD(ncases);
  LINKAN_EXPECT_FIELD(size);
  LINKAN_EXPECT_FIELD(sumw);
  LINKAN_EXPECT_FIELD(NbVars);
  LINKAN_EXPECT_FIELD(minsupp);
  LINKAN_EXPECT_FIELD(minconf);
  LINKAN_EXPECT_FIELD(mincorr);
  LINKAN_EXPECT_FIELD(maxsupp);
  LINKAN_EXPECT_FIELD(maxconf);
  LINKAN_EXPECT_FIELD(maxhead);
  LINKAN_EXPECT_FIELD(maxbody);
  LINKAN_EXPECT_FIELD(ncategpco);
  LINKAN_EXPECT_FIELD(MaxSequenceSize);
  LINKAN_EXPECT_FIELD(CombineItemsetMode);
  LINKAN_EXPECT_FIELD(FixedNumItemsets);
  LINKAN_EXPECT_FIELD(FixedTimeLength);
  LINKAN_EXPECT_FIELD(MinTime);
  LINKAN_EXPECT_FIELD(MaxTime);
  LINKAN_EXPECT_FIELD(iMinMaxFilter);
  LINKAN_EXPECT_FIELD(iSingleItemset);
  LINKAN_EXPECT_FIELD(noseq);
  LINKAN_EXPECT_FIELD(taxon);
  LINKAN_EXPECT_FIELD(removeorg);
  LINKAN_EXPECT_FIELD(onedichcode);
  LINKAN_EXPECT_FIELD(codeselected);
  LINKAN_EXPECT_FIELD(mdonedichcode);
  LINKAN_EXPECT_FIELD(mdcodeselected);
  LINKAN_EXPECT_FIELD(iwgtdmn);
  LINKAN_EXPECT_FIELD(i_wwww);
  LINKAN_EXPECT_FIELD(StandardSupport);
  LINKAN_EXPECT_FIELD(nresvars);
  LINKAN_EXPECT_FIELD(ndichvars);
  LINKAN_EXPECT_FIELD(ncontvars);
  LINKAN_EXPECT_FIELD(nsidvar);
  LINKAN_EXPECT_FIELD(ntidvar);
  LINKAN_EXPECT_FIELD(nmdresvars);
  LINKAN_EXPECT_FIELD(nmddichvars);
  LINKAN_EXPECT_FIELD(nmdcontvars);
  LINKAN_EXPECT_FIELD(resvars);
  LINKAN_EXPECT_FIELD(dichvars);
  LINKAN_EXPECT_FIELD(contvars);
  LINKAN_EXPECT_FIELD(sidvar);
  LINKAN_EXPECT_FIELD(tidvar);
  LINKAN_EXPECT_FIELD(mdresvars);
  LINKAN_EXPECT_FIELD(mddichvars);
  LINKAN_EXPECT_FIELD(mdcontvars);
  LINKAN_EXPECT_FIELD(ndichcodes);
  LINKAN_EXPECT_FIELD(dichcodes);
  LINKAN_EXPECT_FIELD(nmddichcodes);
  LINKAN_EXPECT_FIELD(mddichcodes);
  LINKAN_EXPECT_FIELD(projectMode);
  LINKAN_EXPECT_FIELD(existingProjectAction);
#undef LINKAN_EXPECT_FIELD
}

RawDb::RawDb(const std::string& path, bool writable) {
  const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
  }
}

RawDb::~RawDb() { sqlite3_close_v2(db_); }

namespace {

struct RawStatement {
  RawStatement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    }
  }
  ~RawStatement() { sqlite3_finalize(stmt); }
  bool Step() { return stmt && sqlite3_step(stmt) == SQLITE_ROW; }
  sqlite3_stmt* stmt = nullptr;
};

std::string ColumnBytes(sqlite3_stmt* s, int i) {
  const void* p = sqlite3_column_blob(s, i);
  const int n = sqlite3_column_bytes(s, i);
  return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

std::int64_t RawDb::Int(const std::string& sql) const {
  RawStatement s(db_, sql);
  return s.Step() ? sqlite3_column_int64(s.stmt, 0) : -1;
}

std::string RawDb::Text(const std::string& sql) const {
  RawStatement s(db_, sql);
  if (!s.Step()) return "<no row>";
  const unsigned char* t = sqlite3_column_text(s.stmt, 0);
  return t ? reinterpret_cast<const char*>(t) : "<null>";
}

std::string RawDb::Blob(const std::string& sql) const {
  RawStatement s(db_, sql);
  return s.Step() ? ColumnBytes(s.stmt, 0) : std::string("<no row>");
}

void RawDb::Exec(const std::string& sql) const {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << (error ? error : "?");
  }
  sqlite3_free(error);
}

std::vector<std::string> RawDb::Rows(const std::string& sql) const {
  RawStatement s(db_, sql);
  std::vector<std::string> rows;
  while (s.Step()) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(s.stmt); ++i) {
      if (i) row += '|';
      const unsigned char* t = sqlite3_column_text(s.stmt, i);
      row += t ? reinterpret_cast<const char*>(t) : "<null>";
    }
    rows.push_back(row);
  }
  return rows;
}

void OpenOrFail(ProjectDatabase& db, const std::string& path) {
  db.SetPath(path);
  ASSERT_EQ(db.OpenProjectDatabase(), 0) << db.LastError();
}

std::string DamageReport(const std::string& path, const std::function<void()>& action) {
  try {
    action();
  } catch (const ModuleError& e) {
    const std::string text = e.what();
    const std::string prefix = "the project file \"" + path + "\" is damaged: ";
    EXPECT_EQ(e.kind(), ErrorKind::kIo) << text;
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
  }
  ADD_FAILURE() << "no damage report for " << path;
  return "";
}

}  // namespace linkan::testing
