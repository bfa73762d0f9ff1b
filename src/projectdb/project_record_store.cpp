// project_record_store.cpp
//
// SaveProjectRecord / LoadProjectRecord: the one SequenceAssociationInfo
// record. Columns are bound and read by field name, so the SQL follows the
// table description; the layouts of codes and taxonomies are in
// project_record_layout.h.
#include <algorithm>
#include <limits>
#include <map>
#include <numeric>
#include <variant>

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_database_internal.h"
#include "projectdb/project_record_layout.h"

namespace linkan {
namespace {

using projectdb::Statement;
using projectdb::ThrowDamaged;
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

void CheckCodes(const std::vector<std::int32_t>& ncodes, std::size_t codes, bool stored) {
  std::int64_t sum = 0;
  for (const std::int32_t n : ncodes) {
    if (n < 0) stored ? ThrowDamaged("ncodes") : Broken("a negative entry of ncodes");
    sum += n;
  }
  if (static_cast<std::uint64_t>(sum) != codes) {
    stored ? ThrowDamaged("the size of Codes") : Broken("Codes does not match ncodes");
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

  CheckCodes(r.ncodes, r.codes.size(), false);
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

// Reads the columns of the selected record by field name.
class RecordReader {
 public:
  RecordReader(const Statement& s, const projectdb::TableDescription& table)
      : s_(s), table_(table) {}

  std::int64_t Int(const char* name, std::int64_t min, std::int64_t max) const {
    const std::int64_t v = s_.ColumnInt64(Column(name));
    if (v < min || v > max) ThrowDamaged(name);
    return v;
  }
  double Real(const char* name) const { return s_.ColumnDouble(Column(name)); }
  std::string_view Blob(const char* name) const { return s_.ColumnBlob(Column(name)); }

  std::vector<std::int16_t> Int16s(const char* name) const {
    std::vector<std::int16_t> out;
    if (!projectdb::DecodeInt16Array(Blob(name), out)) ThrowDamaged(name);
    return out;
  }
  std::vector<std::int32_t> Int32s(const char* name) const {
    std::vector<std::int32_t> out;
    if (!projectdb::DecodeInt32Array(Blob(name), out)) ThrowDamaged(name);
    return out;
  }
  std::vector<double> Reals(const char* name) const {
    std::vector<double> out;
    if (!projectdb::DecodeReal8Array(Blob(name), out)) ThrowDamaged(name);
    return out;
  }
  std::vector<std::string> Texts(const char* name) const {
    std::vector<std::string> out;
    if (!projectdb::DecodeStringArray(Blob(name), out)) ThrowDamaged(name);
    return out;
  }

 private:
  int Column(const char* name) const {
    for (std::size_t i = 0; i < table_.fields.size(); ++i) {
      if (table_.fields[i].name == name) return static_cast<int>(i);
    }
    Broken(std::string("no field ") + name);
  }
  const Statement& s_;
  const projectdb::TableDescription& table_;
};

constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

ProjectRecord ReadRecord(const RecordReader& in) {
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
  s.size = static_cast<std::uint64_t>(in.Int("size", 0, std::numeric_limits<std::int64_t>::max()));
  s.codeselected = in.Int("codeselected", kInt32Min, kInt32Max) != 0;
  s.mdcodeselected = in.Int("mdcodeselected", kInt32Min, kInt32Max) != 0;

  for (const auto& f : kListFields) {
    const std::int16_t n = s.*f.count;
    const std::vector<std::int16_t> stored = in.Int16s(f.name);
    if (n < 0 || stored.size() != static_cast<std::size_t>(n)) ThrowDamaged(f.name);
    auto& list = s.*f.list;
    list.resize(std::max(list.size(), stored.size()), 0);
    std::copy(stored.begin(), stored.end(), list.begin());
  }
  const auto head = [&](std::int16_t count, std::vector<std::int16_t>& list, const char* name) {
    const auto value = static_cast<std::int16_t>(in.Int(name, kInt16Min, kInt16Max));
    if (count < 0) ThrowDamaged(name);
    if (count == 0) return;
    list.resize(std::max<std::size_t>(list.size(), static_cast<std::size_t>(count)), 0);
    list[0] = value;
  };
  head(s.nsidvar, s.sidvar, "sidvar");
  head(s.ntidvar, s.tidvar, "tidvar");
  s.dichcodes =
      projectdb::ReadCodes(s.ndichcodes, in.Int32s("dichcodes"), s.ndichvars, "dichcodes");
  s.mddichcodes =
      projectdb::ReadCodes(s.nmddichcodes, in.Int32s("mddichcodes"), s.nmddichvars, "mddichcodes");

  r.transactionIds = in.Texts("transaction");
  r.stoplist = in.Texts("stoplist");
  r.ncodes = in.Int32s("ncodes");
  r.codes = in.Reals("Codes");
  CheckCodes(r.ncodes, r.codes.size(), true);
  r.coinfo = in.Reals("coinfo");
  r.mdcoinfo = in.Reals("mdcoinfo");
  if (r.coinfo.size() % kStatsPerVariable != 0) ThrowDamaged("coinfo");
  if (r.mdcoinfo.size() % kStatsPerVariable != 0) ThrowDamaged("mdcoinfo");
  r.taxonomies = projectdb::ReadTaxonomies(in.Texts("taxonomies"),
                                           in.Int("ntaxonomies", kInt32Min, kInt32Max));
  r.itemNames = in.Texts("ItemMap");
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
  tx.Commit();
}

bool ProjectDatabase::LoadProjectRecord(ProjectRecord& out) {
  Connection& c = Conn();
  const projectdb::TableDescription& table = RecordTable(c.registration.tables());
  Statement select(c.raw(),
                   "SELECT " + ColumnList(table, "") +
                       " FROM \"SequenceAssociationInfo\" ORDER BY rowid LIMIT 1",
                   "loading the project record");
  if (!select.Step("loading the project record")) return false;
  out = ReadRecord(RecordReader(select, table));
  return true;
}

}  // namespace linkan
