// project_tables.h
//
// The six project tables: their descriptions (name, fields in order, field
// type, key flag), the process-wide reference-counted registry that holds
// them (RegisterProjectTables / ReleaseProjectTables in
// project_database.h), and the SQL that creates and checks them in a file.
//
// Each table becomes an SQLite table of the same name whose columns carry
// the field names in field order, every column NOT NULL. A table's key
// fields form one index named "<table>_key" over those fields in order,
// except in TransactionInfo, whose key (SID, TID) is the table's primary key
// (unique, and the table is stored in key order: WITHOUT ROWID), so that a
// sequence's records lie together and a record is found in one search.
// Scalar types map to INTEGER (int2, int4), REAL (real8) and TEXT (string);
// arrays are BLOBs (blob_codec.h).
//
// Thread safety: the registry is guarded by a mutex; descriptions are
// immutable and shared, so a holder may read them from any thread.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace linkan::projectdb {

// Marks a project file (PRAGMA application_id, "LNKP") and its format
// (PRAGMA user_version).
inline constexpr std::int32_t kApplicationId = 0x4C4E4B50;
inline constexpr std::int32_t kFormatVersion = 1;

inline constexpr const char* kDBInfo = "DBInfo";
inline constexpr const char* kTransactionInfo = "TransactionInfo";
inline constexpr const char* kSequenceAssociationInfo = "SequenceAssociationInfo";
inline constexpr const char* kResultInfo = "ResultInfo";
inline constexpr const char* kItemInfo = "ItemInfo";
inline constexpr const char* kFrequentItemInfo = "FrequentItemInfo";

enum class FieldType {
  kInt2,
  kInt4,
  kReal8,
  kString,
  kInt2Array,
  kInt4Array,
  kReal8Array,
  kStringArray,
  kItemsetsArray,  // array of arrays of int4, ordered as a whole (the key encoding)
};

struct FieldDescription {
  std::string name;
  FieldType type;
  bool key = false;
};

struct TableDescription {
  std::string name;
  std::vector<FieldDescription> fields;
  bool uniqueKey = false;  // the key index is UNIQUE
  bool clustered = false;  // the key is the primary key of a WITHOUT ROWID table
};

using ProjectTables = std::vector<TableDescription>;

// The six descriptions in registration order (DBInfo, TransactionInfo,
// SequenceAssociationInfo, ResultInfo, ItemInfo, FrequentItemInfo).
ProjectTables BuildProjectTableDescriptions();

// The registered descriptions, or null while nothing is registered.
std::shared_ptr<const ProjectTables> RegisteredProjectTables();
// How many registrations are held (for tests and diagnostics).
int ProjectTableRegistrations();

// Holds one registration for its lifetime.
class ProjectTablesRegistration {
 public:
  ProjectTablesRegistration();
  ~ProjectTablesRegistration();
  ProjectTablesRegistration(const ProjectTablesRegistration&) = delete;
  ProjectTablesRegistration& operator=(const ProjectTablesRegistration&) = delete;
  const ProjectTables& tables() const { return *tables_; }

 private:
  std::shared_ptr<const ProjectTables> tables_;
};

// "TEXT", "REAL", "INTEGER" or "BLOB".
const char* SqlType(FieldType type);
// An identifier in double quotes (field names such as `transaction` are
// SQL keywords).
std::string QuoteIdentifier(const std::string& name);

// Creates every table and key index. REQUIRES: a write transaction is open.
void CreateProjectSchema(sqlite3* db, const ProjectTables& tables);

// Drops the key index of the table `name` (a table with a separate key
// index) for a bulk insert; Restore makes it again, exactly as the schema
// has it: an index made once over all rows costs a fraction of one kept up
// row by row. Nothing happens for a table without such an index.
// REQUIRES: one write transaction spans the drop and Restore; Restore is
// called before the commit (a failure rolls the drop back with the rows).
class KeyIndexSuspension {
 public:
  KeyIndexSuspension(sqlite3* db, const std::string& name);
  void Restore();
  KeyIndexSuspension(const KeyIndexSuspension&) = delete;
  KeyIndexSuspension& operator=(const KeyIndexSuspension&) = delete;

 private:
  sqlite3* db_;
  std::string createSql_;  // empty: nothing suspended (or restored already)
  std::string what_;
};
// Empty when the file holds every table with exactly the described columns
// and key indices; otherwise what differs.
std::string CheckProjectSchema(sqlite3* db, const ProjectTables& tables);

}  // namespace linkan::projectdb
