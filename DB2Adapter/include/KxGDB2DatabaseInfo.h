// The DB2 SQL dialect: the product name, name lengths, parameter markers, name mapping and the texts
// of statements and DDL that depend on DB2 (class tables, indexes, views, the shadow-table triggers,
// the statements of schema evolution, and the gateway's auxiliary objects: the LOCKS and
// ACTIVECLIENTS tables with the lock trigger and the release trigger). DB2 has no roles here: the
// role, grant and user operations make no statement.
//
// Each DB2 database object makes one and owns it; the gateway reaches it through GetDatabaseInfo.
// The dialect owns the DB2 type-conversion manager that the database object hands to its constructor.
//
// Text operations append to `out` unless they say they replace it. Builders return a new template
// that the caller owns, or null when it could not be allocated. List builders append new templates to
// the caller's list in order (the caller deletes them); an entry that could not be made is null.
//
// Names pasted into SQL: the schema that CreateLocks, CreateActiveClients and DropHelpers put into
// DDL must be a plain DB2 schema name (IsSchemaName). Any other name makes no statement: the
// operation reports -6191 (invalid database name, with the name) on the database; a list builder
// appends a single null entry, a template builder answers null. Texts placed between single quotes
// (TableExists, IndexList) have their quotes doubled.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGCommonDatabaseInfo.h"
#include "KxGDatabase.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxString.h"

// Longest DB2 names: tables, indexes, views and triggers; columns; schemas.
constexpr int32_t KXG_DB2_MAX_OBJECT_NAME_LENGTH = 18;
constexpr int32_t KXG_DB2_MAX_COLUMN_NAME_LENGTH = 30;
constexpr int32_t KXG_DB2_MAX_SCHEMA_NAME_LENGTH = 8;

// Longest statement text that Union builds; a longer one is refused (KXG_E_STATEMENT_TOO_LONG).
constexpr uint32_t KXG_DB2_MAX_STATEMENT_LENGTH = KXG_MAX_UNION_LENGTH;

// The SQLSTATE with which the lock trigger refuses a conflicting lock row.
constexpr const char* KXG_DB2_LOCK_CONFLICT_STATE = "KX041";

class KxGDB2DatabaseInfo : public KxGCommonDatabaseInfo {
public:
    // The database is not owned (type handlers, the schema name and error reports come from it; it
    // may be null in tests). The conversion manager is owned; it may be null, then the statements
    // that convert columns (UpdateByCid, InsertSelectByCid) answer null. Option value 0.
    KxGDB2DatabaseInfo(KxGDatabase* database, std::unique_ptr<KxGTypeConvHdlMgr> convMgr);
    // The same with a new DB2 type-conversion manager (KxGDB2TypeConvHdlMgr; null when it could not
    // be made): the form the DB2 database object uses.
    explicit KxGDB2DatabaseInfo(KxGDatabase* database);
    // Deletes the conversion manager.
    ~KxGDB2DatabaseInfo() override;
    KxGDB2DatabaseInfo(const KxGDB2DatabaseInfo&) = delete;
    KxGDB2DatabaseInfo& operator=(const KxGDB2DatabaseInfo&) = delete;

    // "DB2".
    KxString GetProductName() override;
    // 18 for kind 0 (tables, indexes, other objects), 30 for kind 1 (columns), 8 for kind 2
    // (schemas), -1 for any other kind.
    int32_t GetMaxNameLength(int32_t kind) override;
    // "?" whatever the position.
    KxString GetParameterMarker(int32_t position) override;
    // The handler kind of a storage-type name, compared upper-cased: "CHAR" and "CHARACTER" 0,
    // "VARCHAR" 1, "LONGVARCHAR" 2, "DBCHAR" 4, "VARDBCHAR" 8, "LONGDBCHAR" 16, "INT", "INTEGER" and
    // "OLD_INT64_MAPPING" 1, "BIGINT" and "BLOB" 0; 1 when known. Any other name: kind 0 and 0.
    uint16_t TypeNameOptions(const KxString& word, uint8_t& kind) override;
    // Built in this order: 0x80 (blanks ignored) "REPLACE ( CHAR(" x "), ' ', '') "; 0x20 (case
    // ignored) "LCASE ( " built " ) ", or " LCASE ( CHAR (" x " )) " when nothing was built; 0x08
    // (trailing blanks ignored) "RTRIM ( " built " ) ", or " RTRIM (" x " ) ". Empty with none.
    KxString CompareNoCase(uint16_t flags, const KxString& expression) override;
    // Appends "\nSELECT " list " \nFROM " from.
    void Select(const KxGProjection& projection, KxString& out) override;
    // Appends " \nWHERE " condition; nothing for an empty condition.
    void Where(const KxString& condition, KxString& out) override;
    // Appends " \nORDER BY " order; nothing for an empty order.
    void OrderBy(const KxString& order, KxString& out) override;
    // Nothing: DB2 statements carry no row limit, lock clause or index hint here.
    void RowLimit(KxGCondition& condition, int32_t rows) override;
    void ForUpdate(KxString& out) override;
    void IndexHint(KxGStatementTemplate& statement, const KxString& indexName, const KxString& tableText) override;
    // Appends "INSERT INTO " from " ( " list " ) \nVALUES " (or " \nVALUES " for a list starting with
    // "*") " ( ?, ?, ... ? )" with one marker per column ("?" alone without columns).
    void Insert(const KxGProjection& projection, KxString& out) override;
    // Appends "UPDATE " from " \nSET " name " = ?", joined by ", ".
    void Update(const KxGExtendedProjection& projection, KxString& out) override;
    // "CREATE VIEW " name " ( " list " ) AS " select.
    KxGCreateStatementTemplate* CreateView(const KxGQualifiedIdentity& view, const KxGProjection& projection,
                                           const KxGStatementTemplate& select) override;
    // "ALTER TABLE " table " \nADD COLUMN " column, each further column after "\n ADD COLUMN ".
    KxGStatementTemplate* AlterAdd(const KxGExtendedProjection& projection) override;
    // The class filters take the unsigned class number (UpdateByCid and InsertSelectByCid: a negative
    // number means every row) and write it in the signed form the CID column holds. Column pairs
    // (source i, target i) are taken while both projections have column i; each sets the target
    // column to the conversion expression of the conversion manager; with no pair the text is empty
    // (no statement). Null without a manager.
    KxGStatementTemplate* UpdateByCid(const KxGExtendedProjection& source, const KxGExtendedProjection& target,
                                      int32_t classId) override;
    // Null: DB2 columns are never dropped.
    KxGStatementTemplate* AlterDrop(const KxGExtendedProjection& projection) override;
    // Nothing: DB2 keeps dates and times apart.
    void TimeFixup(const KxGColumn& column, const KxGQualifiedIdentity& table, KxGStatementTemplateList& list) override;
    // Nothing (no roles on DB2).
    void CreateRole(const KxString& role, KxGStatementTemplateList& list) override;
    void Grants(const KxString& schema, const KxString& role, KxGCreateStatementTemplate* const* classTables,
                KxGCreateStatementTemplate* const* views, KxGStatementTemplateList& list) override;
    void DropRole(const KxString& role, KxGStatementTemplateList& list) override;
    // Appends "PRIMARY KEY ( " names " ) ".
    void PrimaryKey(const KxString& columnNames, KxString& out) override;
    // Replaces out by the count of SYSCAT.TABLES rows of the schema and table (the qualified name split
    // at its first "."; both empty without a dot).
    void TableExists(const KxGQualifiedIdentity& table, KxString& out) override;
    // Replaces out by the select of the index and table names of the database's schema.
    void IndexList(KxString& out) override;
    // Appends the LOCKS table, the lock trigger ACQUIRE_LOCK, the ACTIVECLIENTS table and the release
    // trigger RELEASE_LOCK of the schema, in this order. The lock trigger refuses a new lock row with
    // SQLSTATE KX041 when another client holds a lock of the same object whose mode is at least the
    // threshold of the new mode (1142 against 8196, 2100 against 4116, 4116 against 2100, any other
    // mode against every lock). Deleting a client's main registration row (connection id equal to
    // the client id, or 0) deletes its locks.
    void CreateLocks(const KxString& schema, KxGStatementTemplateList& list) override;
    // Appends the drops of RELEASE_LOCK, the lock trigger, ACTIVECLIENTS and LOCKS. The lock trigger
    // is ACQUIRE_LOCK (the one CreateLocks makes) with option value 0, and AQUIRE_LOCK (its name in
    // schemas of older versions, dropped while the schema mapper versions one) otherwise.
    void DropHelpers(const KxString& schema, KxGStatementTemplateList& list) override;
    // Nothing.
    void DropUser(const KxString& user, KxGStatementTemplateList& list) override;
    // ";".
    KxString GetTerminator() override;

    // ---- DB2's own ------------------------------------------------------------------------------
    // The three triggers that keep a shadow table in step with a source table, appended in the order
    // INS, UPD (only when there are member columns) and DEL. The key lists pair the key columns of
    // both tables, the member lists the columns of the members both tables have (same length, in
    // member order). The insert names the shadow's columns (keys, then members) and takes the new
    // source values; the update and the delete find the shadow row by its keys equal to the source
    // row's keys. The names are the source table's name cut to leave room for the class id and the
    // three-letter suffix, then the class id, then "INS", "UPD" or "DEL", qualified with the source
    // table's schema; they are the identities of the create templates.
    void ShadowTriggers(const KxGQualifiedIdentity& sourceTable, const KxGQualifiedIdentity& shadowTable,
                        int32_t classId, const KxGColumnList& sourceKeys, const KxGColumnList& shadowKeys,
                        const KxGColumnList& sourceMembers, const KxGColumnList& shadowMembers,
                        KxGStatementTemplateList& list) override;

    // Whether a schema name may be pasted into DDL as it is: 1 to KXG_DB2_MAX_SCHEMA_NAME_LENGTH
    // characters, an ASCII letter first, then ASCII letters, digits, "_", "$" and "#".
    static bool IsSchemaName(const KxString& name);

protected:
    // IsSchemaName; otherwise reports KXG_E_INVALID_DATABASE_NAME with the name.
    bool CheckSchemaName(const KxString& schema) override;
    // CLIENTID INTEGER, USERID CHARACTER(128) defaulting to USER, CLIENT_NAME CHARACTER(n),
    // CONNECTION_ID INTEGER defaulting to 0, OPEN_MODE CHARACTER(n).
    KxString ActiveClientsColumns(int32_t nameLength) override;
};
