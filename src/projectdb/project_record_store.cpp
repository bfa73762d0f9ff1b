// project_record_store.cpp
//
// SaveProjectRecord / LoadProjectRecord: the one SequenceAssociationInfo
// record, with the options of our own extensions (project_options.h). Columns are bound and read by field name, so the SQL follows the
// table description; the layouts of codes and taxonomies are in
// project_record_layout.h.
#include <algorithm>
#include <limits>
#include <map>
#include <numeric>
#include <unordered_map>
#include <variant>

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_database_internal.h"
#include "projectdb/project_options.h"
#include "projectdb/project_record_layout.h"

namespace linkan {
namespace {

using projectdb::Statement;
using S = AnalysisSettings;

struct Int32Field {
  const char* name;
  std::int32_t S::*member;
};
struct RealField {
  const char* name;
  double S::*member;
};
struct Int16Field {
  const char* name;
  std::int16_t S::*member;
};
// A variable list (or per-variable count list) stored with exactly `count`
// entries.
struct ListField {
  const char* name;
  std::int16_t S::*count;
  std::vector<std::int16_t> S::*list;
};

constexpr Int32Field kInt32Fields[] = {
    {"minpat", &S::minpat},
    {"maxpat", &S::maxpat},
    {"nvars", &S::nvars},
    {"ncases", &S::ncases},
    {"NbVars", &S::NbVars},
    {"maxhead", &S::maxhead},
    {"maxbody", &S::maxbody},
    {"ncategpco", &S::ncategpco},
    {"MaxSequenceSize", &S::MaxSequenceSize},
    {"CombineItemsetMode", &S::CombineItemsetMode},
    {"FixedNumItemsets", &S::FixedNumItemsets},
    {"iMinMaxFilter", &S::iMinMaxFilter},
    {"iSingleItemset", &S::iSingleItemset},
    {"noseq", &S::noseq},
    {"taxon", &S::taxon},
    {"removeorg", &S::removeorg},
    {"onedichcode", &S::onedichcode},
    {"mdonedichcode", &S::mdonedichcode},
};
constexpr RealField kRealFields[] = {
    {"sumw", &S::sumw},
    {"minsupp", &S::minsupp},
    {"minconf", &S::minconf},
    {"mincorr", &S::mincorr},
    {"maxsupp", &S::maxsupp},
    {"maxconf", &S::maxconf},
    {"FixedTimeLength", &S::FixedTimeLength},
    {"MinTime", &S::MinTime},
    {"MaxTime", &S::MaxTime},
};
constexpr Int16Field kInt16Fields[] = {
    {"iwgtdmn", &S::iwgtdmn},         {"i_wwww", &S::i_wwww},
    {"nresvars", &S::nresvars},       {"ndichvars", &S::ndichvars},
    {"ncontvars", &S::ncontvars},     {"nsidvar", &S::nsidvar},
    {"ntidvar", &S::ntidvar},         {"nmdresvars", &S::nmdresvars},
    {"nmddichvars", &S::nmddichvars}, {"nmdcontvars", &S::nmdcontvars},
};
constexpr ListField kListFields[] = {
    {"resvars", &S::nresvars, &S::resvars},
    {"dichvars", &S::ndichvars, &S::dichvars},
    {"contvars", &S::ncontvars, &S::contvars},
    {"ndichcodes", &S::ndichvars, &S::ndichcodes},
    {"mdresvars", &S::nmdresvars, &S::mdresvars},
    {"mddichvars", &S::nmddichvars, &S::mddichvars},
    {"mdcontvars", &S::nmdcontvars, &S::mdcontvars},
    {"nmddichcodes", &S::nmddichvars, &S::nmddichcodes},
};

constexpr int kStatsPerVariable = 5;
// The largest maxhead and maxpat a run accepts.
constexpr std::int64_t kMaxPatternSetting = 200;

[[noreturn]] void Broken(const std::string& what) {
  throw ModuleError(ErrorKind::kInternal, "Project record: " + what);
}

const projectdb::TableDescription& RecordTable(const projectdb::ProjectTables& tables) {
  for (const auto& t : tables) {
    if (t.name == projectdb::kSequenceAssociationInfo) return t;
  }
  Broken("the table description is missing");
}

// The value of every column, by field name, before anything is written.
using Value = std::variant<std::int64_t, double, std::string>;
using Values = std::map<std::string, Value>;

std::string Blob16(std::span<const std::int16_t> v) {
  std::string out;
  projectdb::AppendInt16Array(out, v);
  return out;
}
std::string Blob32(std::span<const std::int32_t> v) {
  std::string out;
  projectdb::AppendInt32Array(out, v);
  return out;
}
std::string BlobReal(std::span<const double> v) {
  std::string out;
  projectdb::AppendReal8Array(out, v);
  return out;
}
std::string BlobText(std::span<const std::string> v) {
  std::string out;
  projectdb::AppendStringArray(out, v);
  return out;
}

std::int16_t ListHead(std::int16_t count, const std::vector<std::int16_t>& list, const char* name) {
  if (count <= 0) return 0;
  if (list.empty()) Broken(std::string("the list ") + name + " is empty");
  return list.front();
}

// ncodes and Codes agree: checked before saving (`stored` null: a broken
// record) and after reading (damage at `stored`).
void CheckCodes(const std::vector<std::int32_t>& ncodes, std::size_t codes,
                const projectdb::DamageSite* stored) {
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < ncodes.size(); ++i) {
    if (ncodes[i] < 0) {
      if (stored) stored->Fail("ncodes entry " + std::to_string(i + 1) + " is negative");
      Broken("a negative entry of ncodes");
    }
    sum += ncodes[i];
  }
  if (static_cast<std::uint64_t>(sum) != codes) {
    if (stored) {
      stored->Fail("Codes holds " + std::to_string(codes) + " values, ncodes adds up to " +
                   std::to_string(sum));
    }
    Broken("Codes does not match ncodes");
  }
}

Values CollectValues(const ProjectRecord& r) {
  const S& s = r.settings;
  Values v;
  for (const auto& f : kInt32Fields) v[f.name] = std::int64_t{s.*f.member};
  for (const auto& f : kRealFields) v[f.name] = s.*f.member;
  for (const auto& f : kInt16Fields) v[f.name] = std::int64_t{s.*f.member};
  if (s.size > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    Broken("size is out of range");
  }
  v["size"] = static_cast<std::int64_t>(s.size);
  v["codeselected"] = std::int64_t{s.codeselected ? 1 : 0};
  v["mdcodeselected"] = std::int64_t{s.mdcodeselected ? 1 : 0};
  v["sidvar"] = std::int64_t{ListHead(s.nsidvar, s.sidvar, "sidvar")};
  v["tidvar"] = std::int64_t{ListHead(s.ntidvar, s.tidvar, "tidvar")};
  v["ntaxonomies"] = static_cast<std::int64_t>(r.taxonomies.size());

  for (const auto& f : kListFields) {
    const std::int16_t n = s.*f.count;
    const auto& list = s.*f.list;
    if (n < 0 || static_cast<std::size_t>(n) > list.size()) {
      Broken(std::string("the list ") + f.name + " is shorter than its count");
    }
    v[f.name] = Blob16(std::span(list).first(static_cast<std::size_t>(n)));
  }
  v["dichcodes"] =
      Blob32(projectdb::LayOutCodes(s.ndichcodes, s.dichcodes, s.ndichvars, "dichcodes"));
  v["mddichcodes"] =
      Blob32(projectdb::LayOutCodes(s.nmddichcodes, s.mddichcodes, s.nmddichvars, "mddichcodes"));

  CheckCodes(r.ncodes, r.codes.size(), nullptr);
  if (r.coinfo.size() % kStatsPerVariable != 0 || r.mdcoinfo.size() % kStatsPerVariable != 0) {
    Broken("coinfo holds no whole number of variables");
  }
  v["transaction"] = BlobText(r.transactionIds);
  v["stoplist"] = BlobText(r.stoplist);
  v["ncodes"] = Blob32(r.ncodes);
  v["coinfo"] = BlobReal(r.coinfo);
  v["mdcoinfo"] = BlobReal(r.mdcoinfo);
  v["taxonomies"] = BlobText(projectdb::LayOutTaxonomies(r.taxonomies));
  v["ItemMap"] = BlobText(r.itemNames);
  v["Codes"] = BlobReal(r.codes);
  return v;
}

// Reads the columns of the selected record by field name, each checked
// for its stored type; damage is reported at `site`.
class RecordReader {
 public:
  RecordReader(const Statement& s, const projectdb::TableDescription& table,
               const projectdb::DamageSite& site)
      : s_(s), table_(table), site_(site) {}

  const projectdb::DamageSite& site() const { return site_; }

  std::int64_t Int(const char* name, std::int64_t min, std::int64_t max) const {
    const int column = Column(name, SQLITE_INTEGER);
    const std::int64_t v = s_.ColumnInt64(column);
    if (v < min || v > max) {
      site_.Fail(std::string(name) + " " + std::to_string(v) + " is outside " +
                 std::to_string(min) + " to " + std::to_string(max));
    }
    return v;
  }
  double Real(const char* name) const {
    // SQLite may keep a whole REAL as an integer on disk; it reads back as
    // REAL, but accept either.
    const int column = Column(name, SQLITE_FLOAT, SQLITE_INTEGER);
    return s_.ColumnDouble(column);
  }
  std::string_view Blob(const char* name) const { return s_.ColumnBlob(Column(name, SQLITE_BLOB)); }

  std::vector<std::int16_t> Int16s(const char* name) const {
    std::vector<std::int16_t> out;
    if (!projectdb::DecodeInt16Array(Blob(name), out)) NotAnArray(name, "int2");
    return out;
  }
  std::vector<std::int32_t> Int32s(const char* name) const {
    std::vector<std::int32_t> out;
    if (!projectdb::DecodeInt32Array(Blob(name), out)) NotAnArray(name, "int4");
    return out;
  }
  std::vector<double> Reals(const char* name) const {
    std::vector<double> out;
    if (!projectdb::DecodeReal8Array(Blob(name), out)) NotAnArray(name, "real8");
    return out;
  }
  std::vector<std::string> Texts(const char* name) const {
    std::vector<std::string> out;
    if (!projectdb::DecodeStringArray(Blob(name), out)) {
      site_.Fail(std::string(name) + ": a string length runs past the end of the array");
    }
    return out;
  }

 private:
  // The column of `name`, whose stored type must be `type` (or `other`).
  int Column(const char* name, int type, int other = -1) const {
    for (std::size_t i = 0; i < table_.fields.size(); ++i) {
      if (table_.fields[i].name != name) continue;
      const int column = static_cast<int>(i);
      const int stored = s_.ColumnType(column);
      if (stored != type && stored != other) {
        site_.Fail(std::string(name) + " holds a value of the wrong type");
      }
      return column;
    }
    Broken(std::string("no field ") + name);
  }
  [[noreturn]] void NotAnArray(const char* name, const char* type) const {
    site_.Fail(std::string(name) + " holds " + std::to_string(Blob(name).size()) +
               " bytes, no whole number of " + type + " values");
  }
  const Statement& s_;
  const projectdb::TableDescription& table_;
  const projectdb::DamageSite& site_;
};

constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Every text of `texts` differs from the others; else damage naming `field`.
void CheckDistinct(const std::vector<std::string>& texts, const char* field,
                   const projectdb::DamageSite& site) {
  std::unordered_map<std::string_view, std::size_t> seen;
  seen.reserve(texts.size());
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const auto [at, added] = seen.emplace(texts[k], k);
    if (!added) {
      site.Fail(std::string(field) + " entries " + std::to_string(at->second + 1) + " and " +
                std::to_string(k + 1) + " are the same text");
    }
  }
}

// The variable numbers of a list lie in 1 .. NbVars.
void CheckVariables(const std::vector<std::int16_t>& list, std::int16_t count, const char* field,
                    std::int32_t nbVars, const projectdb::DamageSite& site) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    if (list[i] < 1 || list[i] > nbVars) {
      site.Fail(std::string(field) + " entry " + std::to_string(i + 1) + " is variable " +
                std::to_string(list[i]) + ", outside 1 to NbVars (" + std::to_string(nbVars) +
                ")");
    }
  }
}

ProjectRecord ReadRecord(const RecordReader& in) {
  const projectdb::DamageSite& site = in.site();
  ProjectRecord r;
  S& s = r.settings;
  s.ResetToDefaults(static_cast<int>(in.Int("NbVars", 0, kInt16Max)));
  for (const auto& f : kInt32Fields) {
    s.*f.member = static_cast<std::int32_t>(in.Int(f.name, kInt32Min, kInt32Max));
  }
  for (const auto& f : kRealFields) s.*f.member = in.Real(f.name);
  for (const auto& f : kInt16Fields) {
    s.*f.member = static_cast<std::int16_t>(in.Int(f.name, kInt16Min, kInt16Max));
  }
  // Settings the reopened results depend on, within the ranges a run
  // accepts: rule generation walks itemsets by maxhead.
  for (const auto& [name, member] : {std::pair{"maxhead", &S::maxhead}, {"maxpat", &S::maxpat}}) {
    s.*member = static_cast<std::int32_t>(in.Int(name, 1, kMaxPatternSetting));
  }
  for (const auto& [name, member] : {std::pair{"minsupp", &S::minsupp}, {"minconf", &S::minconf},
                                     {"maxsupp", &S::maxsupp}, {"maxconf", &S::maxconf}}) {
    if (!(s.*member >= 0.0 && s.*member <= 1.0)) {
      site.Fail(std::string(name) + " " + std::to_string(s.*member) + " is outside 0 to 1");
    }
  }
  s.nsidvar = static_cast<std::int16_t>(in.Int("nsidvar", 0, 1));
  s.ntidvar = static_cast<std::int16_t>(in.Int("ntidvar", 0, 1));
  s.size = static_cast<std::uint64_t>(in.Int("size", 0, std::numeric_limits<std::int64_t>::max()));
  s.codeselected = in.Int("codeselected", 0, 1) != 0;
  s.mdcodeselected = in.Int("mdcodeselected", 0, 1) != 0;

  for (const auto& f : kListFields) {
    const std::int16_t n = s.*f.count;
    const std::vector<std::int16_t> stored = in.Int16s(f.name);
    if (n < 0 || n > s.NbVars || stored.size() != static_cast<std::size_t>(n)) {
      site.Fail(std::string(f.name) + " holds " + std::to_string(stored.size()) +
                " entries for a count of " + std::to_string(n) + " (NbVars " +
                std::to_string(s.NbVars) + ")");
    }
    auto& list = s.*f.list;
    list.resize(std::max(list.size(), stored.size()), 0);
    std::copy(stored.begin(), stored.end(), list.begin());
  }
  for (const auto& f : kListFields) {
    // The code count lists hold counts, checked with the codes below.
    if (f.list == &S::ndichcodes || f.list == &S::nmddichcodes) continue;
    CheckVariables(s.*f.list, s.*f.count, f.name, s.NbVars, site);
  }
  const auto head = [&](std::int16_t count, std::vector<std::int16_t>& list, const char* name) {
    const auto value = static_cast<std::int16_t>(in.Int(name, 0, kInt16Max));
    if (count == 0) {
      if (value != 0) site.Fail(std::string(name) + " is " + std::to_string(value) + ", not 0");
      return;
    }
    list.resize(std::max<std::size_t>(list.size(), 1), 0);
    list[0] = value;
    CheckVariables(list, 1, name, s.NbVars, site);
  };
  head(s.nsidvar, s.sidvar, "sidvar");
  head(s.ntidvar, s.tidvar, "tidvar");
  s.dichcodes = projectdb::ReadCodes(s.ndichcodes, in.Int32s("dichcodes"), s.ndichvars,
                                     "dichcodes", site);
  s.mddichcodes = projectdb::ReadCodes(s.nmddichcodes, in.Int32s("mddichcodes"), s.nmddichvars,
                                       "mddichcodes", site);

  r.transactionIds = in.Texts("transaction");
  CheckDistinct(r.transactionIds, "transaction", site);
  if (s.size != 0 && s.size != r.transactionIds.size()) {
    site.Fail("size " + std::to_string(s.size) + " is neither 0 nor the number of transaction IDs (" +
              std::to_string(r.transactionIds.size()) + ")");
  }
  r.stoplist = in.Texts("stoplist");
  for (std::size_t k = 1; k < r.stoplist.size(); ++k) {
    if (!(r.stoplist[k - 1] < r.stoplist[k])) {
      site.Fail("stoplist entries " + std::to_string(k) + " and " + std::to_string(k + 1) +
                " are not ascending and distinct");
    }
  }
  r.ncodes = in.Int32s("ncodes");
  r.codes = in.Reals("Codes");
  CheckCodes(r.ncodes, r.codes.size(), &site);
  r.coinfo = in.Reals("coinfo");
  r.mdcoinfo = in.Reals("mdcoinfo");
  const auto checkStats = [&site](const std::vector<double>& values, const char* name) {
    if (values.size() % kStatsPerVariable != 0) {
      site.Fail(std::string(name) + " holds " + std::to_string(values.size()) +
                " values, no multiple of " + std::to_string(kStatsPerVariable));
    }
  };
  checkStats(r.coinfo, "coinfo");
  checkStats(r.mdcoinfo, "mdcoinfo");
  r.taxonomies = projectdb::ReadTaxonomies(in.Texts("taxonomies"),
                                           in.Int("ntaxonomies", kInt32Min, kInt32Max), site);
  r.itemNames = in.Texts("ItemMap");
  CheckDistinct(r.itemNames, "ItemMap", site);
  return r;
}

std::string ColumnList(const projectdb::TableDescription& t, const char* prefix) {
  std::string out;
  for (const auto& f : t.fields) {
    if (!out.empty()) out += ", ";
    out += prefix[0] ? prefix + f.name : projectdb::QuoteIdentifier(f.name);
  }
  return out;
}

}  // namespace

void ProjectDatabase::SaveProjectRecord(const ProjectRecord& record) {
  Connection& c = Conn();
  const projectdb::TableDescription& table = RecordTable(c.registration.tables());
  const Values values = CollectValues(record);  // every check before any write

  c.CommitPending();
  sqlite3* db = c.raw();
  projectdb::WriteTransaction tx(db, "saving the project record");
  projectdb::Exec(db, "DELETE FROM \"SequenceAssociationInfo\"", "saving the project record");
  Statement insert(db,
                   "INSERT INTO \"SequenceAssociationInfo\" (" + ColumnList(table, "") +
                       ") VALUES (" + ColumnList(table, ":") + ")",
                   "saving the project record");
  for (const auto& field : table.fields) {
    const auto it = values.find(field.name);
    if (it == values.end()) Broken("no value for " + field.name);
    const int index = insert.ParameterIndex(":" + field.name);
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::int64_t>) {
            insert.BindInt64(index, v);
          } else if constexpr (std::is_same_v<T, double>) {
            insert.BindDouble(index, v);
          } else {
            insert.BindBlob(index, v);
          }
        },
        it->second);
  }
  insert.Run("saving the project record");
  projectdb::SaveProjectOptions(db, record.settings);
  tx.Commit();
}

bool ProjectDatabase::LoadProjectRecord(ProjectRecord& out) {
  Connection& c = Conn();
  const projectdb::TableDescription& table = RecordTable(c.registration.tables());
  // The rowid comes last, after the columns in field order.
  Statement select(c.raw(),
                   "SELECT " + ColumnList(table, "") +
                       ", rowid FROM \"SequenceAssociationInfo\" ORDER BY rowid LIMIT 1",
                   "loading the project record");
  if (!select.Step("loading the project record")) return false;
  const projectdb::DamageSite site(
      c.path, projectdb::RowPlace(projectdb::kSequenceAssociationInfo,
                                  select.ColumnInt64(static_cast<int>(table.fields.size()))));
  ProjectRecord record = ReadRecord(RecordReader(select, table, site));
  projectdb::LoadProjectOptions(c.raw(), c.path, record.settings);
  out = std::move(record);
  return true;
}

}  // namespace linkan
