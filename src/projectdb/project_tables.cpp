// project_tables.cpp
#include "projectdb/project_tables.h"

#include <mutex>

#include "projectdb/project_database.h"
#include "projectdb/sqlite_handle.h"

namespace linkan {
namespace projectdb {
namespace {

// The process-wide registry: the one piece of global state of the project
// database, as the registration is process-wide by design.
struct Registry {
  std::mutex mutex;
  int registrations = 0;
  std::shared_ptr<const ProjectTables> tables;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

TableDescription Table(std::string name, std::vector<FieldDescription> fields,
                       bool clusteredKey = false) {
  return TableDescription{std::move(name), std::move(fields), clusteredKey, clusteredKey};
}

std::string KeyList(const std::vector<std::string>& keys, bool quoted) {
  std::string out;
  for (const std::string& k : keys) {
    if (!out.empty()) out += quoted ? ", " : ",";
    out += quoted ? QuoteIdentifier(k) : k;
  }
  return out;
}

std::vector<FieldDescription> ProjectRecordFields() {
  using F = FieldType;
  std::vector<FieldDescription> f;
  const auto add = [&f](std::initializer_list<const char*> names, FieldType type) {
    for (const char* n : names) f.push_back({n, type, false});
  };
  // Scalars in member order.
  add({"minpat", "maxpat", "nvars", "ncases", "size"}, F::kInt4);
  add({"sumw"}, F::kReal8);
  add({"NbVars"}, F::kInt4);
  add({"minsupp", "minconf", "mincorr", "maxsupp", "maxconf"}, F::kReal8);
  add({"maxhead", "maxbody", "ncategpco", "MaxSequenceSize", "CombineItemsetMode",
       "FixedNumItemsets"},
      F::kInt4);
  add({"FixedTimeLength", "MinTime", "MaxTime"}, F::kReal8);
  add({"iMinMaxFilter", "iSingleItemset", "noseq", "taxon", "removeorg", "onedichcode",
       "codeselected", "mdonedichcode", "mdcodeselected"},
      F::kInt4);
  add({"iwgtdmn", "i_wwww", "nresvars", "ndichvars", "ncontvars", "nsidvar", "ntidvar", "sidvar",
       "tidvar", "nmdresvars", "nmddichvars", "nmdcontvars"},
      F::kInt2);
  add({"ntaxonomies"}, F::kInt4);
  // Arrays.
  add({"resvars", "dichvars", "contvars", "ndichcodes"}, F::kInt2Array);
  add({"dichcodes"}, F::kInt4Array);
  add({"mdresvars", "mddichvars", "mdcontvars", "nmddichcodes"}, F::kInt2Array);
  add({"mddichcodes"}, F::kInt4Array);
  add({"transaction", "stoplist"}, F::kStringArray);
  add({"ncodes"}, F::kInt4Array);
  add({"coinfo", "mdcoinfo"}, F::kReal8Array);
  add({"taxonomies", "ItemMap"}, F::kStringArray);
  add({"Codes"}, F::kReal8Array);
  return f;
}

std::string KeyIndexName(const TableDescription& t) { return t.name + "_key"; }

std::vector<std::string> KeyFields(const TableDescription& t) {
  std::vector<std::string> keys;
  for (const FieldDescription& f : t.fields) {
    if (f.key) keys.push_back(f.name);
  }
  return keys;
}

}  // namespace

ProjectTables BuildProjectTableDescriptions() {
  using F = FieldType;
  ProjectTables t;
  t.push_back(
      Table(kDBInfo, {{"version_major", F::kInt4, true}, {"version_minor", F::kInt4, true}}));
  t.push_back(Table(kTransactionInfo,
                    {{"SID", F::kString, true}, {"TID", F::kReal8, true}, {"items", F::kInt4Array}},
                    /*clusteredKey=*/true));
  t.push_back(Table(kSequenceAssociationInfo, ProjectRecordFields()));
  t.push_back(Table(kResultInfo, {{"ClassID", F::kInt4, true},
                                  {"RelatedNumber", F::kInt4, true},
                                  {"nitems", F::kInt4Array},
                                  {"items", F::kInt4Array}}));
  t.push_back(Table(kItemInfo, {{"item", F::kInt4, true}, {"records", F::kInt4Array}}));
  t.push_back(
      Table(kFrequentItemInfo, {{"itemsets", F::kItemsetsArray, true}, {"freq", F::kInt4}}));
  return t;
}

std::shared_ptr<const ProjectTables> RegisteredProjectTables() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.tables;
}

int ProjectTableRegistrations() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.registrations;
}

ProjectTablesRegistration::ProjectTablesRegistration() {
  RegisterProjectTables();
  tables_ = RegisteredProjectTables();
}

ProjectTablesRegistration::~ProjectTablesRegistration() { ReleaseProjectTables(); }

const char* SqlType(FieldType type) {
  switch (type) {
    case FieldType::kInt2:
    case FieldType::kInt4:
      return "INTEGER";
    case FieldType::kReal8:
      return "REAL";
    case FieldType::kString:
      return "TEXT";
    default:
      return "BLOB";
  }
}

std::string QuoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

namespace {

std::string KeyIndexSql(const TableDescription& t) {
  return std::string("CREATE ") + (t.uniqueKey ? "UNIQUE " : "") + "INDEX " +
         QuoteIdentifier(KeyIndexName(t)) + " ON " + QuoteIdentifier(t.name) + " (" +
         KeyList(KeyFields(t), true) + ")";
}

}  // namespace

KeyIndexSuspension::KeyIndexSuspension(sqlite3* db, const std::string& name)
    : db_(db), what_("rebuilding the key index of " + name) {
  for (const TableDescription& t : BuildProjectTableDescriptions()) {
    if (t.name != name || t.clustered || KeyFields(t).empty()) continue;
    Exec(db_, "DROP INDEX " + QuoteIdentifier(KeyIndexName(t)), what_);
    createSql_ = KeyIndexSql(t);
  }
}

void KeyIndexSuspension::Restore() {
  if (createSql_.empty()) return;
  const std::string sql = std::move(createSql_);
  createSql_.clear();
  Exec(db_, sql, what_);
}

void CreateProjectSchema(sqlite3* db, const ProjectTables& tables) {
  for (const TableDescription& t : tables) {
    const std::vector<std::string> keys = KeyFields(t);
    std::string sql = "CREATE TABLE " + QuoteIdentifier(t.name) + " (";
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
      if (i) sql += ", ";
      sql += QuoteIdentifier(t.fields[i].name) + " " + SqlType(t.fields[i].type) + " NOT NULL";
    }
    if (t.clustered) sql += ", PRIMARY KEY (" + KeyList(keys, true) + ")";
    sql += t.clustered ? ") WITHOUT ROWID" : ")";
    Exec(db, sql, "creating table " + t.name);
    if (keys.empty() || t.clustered) continue;
    Exec(db, KeyIndexSql(t), "creating the key index of " + t.name);
  }
}

std::string CheckProjectSchema(sqlite3* db, const ProjectTables& tables) {
  for (const TableDescription& t : tables) {
    Statement columns(db, "SELECT name, type, pk FROM pragma_table_info(?1)", "reading the schema");
    columns.BindText(1, t.name);
    std::size_t i = 0;
    std::vector<std::string> primary(t.fields.size());
    while (columns.Step("reading the schema")) {
      if (i >= t.fields.size() || columns.ColumnText(0) != t.fields[i].name ||
          columns.ColumnText(1) != SqlType(t.fields[i].type)) {
        return "table " + t.name + " does not have the columns of a project table";
      }
      const std::int64_t pk = columns.ColumnInt64(2);
      if (pk > 0 && static_cast<std::size_t>(pk) <= primary.size()) {
        primary[static_cast<std::size_t>(pk) - 1] = t.fields[i].name;
      }
      ++i;
    }
    if (i == 0) return "table " + t.name + " is missing";
    if (i != t.fields.size()) return "table " + t.name + " lacks columns";

    const std::vector<std::string> keys = KeyFields(t);
    if (keys.empty()) continue;
    if (t.clustered) {
      primary.resize(keys.size());
      if (primary != keys) return "the key of table " + t.name + " is not its primary key";
      continue;
    }
    Statement index(db,
                    "SELECT il.\"unique\", (SELECT group_concat(name, ',') FROM "
                    "(SELECT name FROM pragma_index_info(il.name) ORDER BY seqno)) "
                    "FROM pragma_index_list(?1) AS il WHERE il.name = ?2",
                    "reading the schema");
    index.BindText(1, t.name);
    index.BindText(2, KeyIndexName(t));
    if (!index.Step("reading the schema") || (index.ColumnInt64(0) != 0) != t.uniqueKey ||
        index.ColumnText(1) != KeyList(keys, false)) {
      return "the key index of table " + t.name + " is missing or different";
    }
  }
  return {};
}

}  // namespace projectdb

void RegisterProjectTables() {
  projectdb::Registry& r = projectdb::TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.registrations++ == 0) {
    r.tables = std::make_shared<const projectdb::ProjectTables>(
        projectdb::BuildProjectTableDescriptions());
  }
}

void ReleaseProjectTables() {
  projectdb::Registry& r = projectdb::TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.registrations == 0) return;
  if (--r.registrations == 0) r.tables.reset();
}

}  // namespace linkan
