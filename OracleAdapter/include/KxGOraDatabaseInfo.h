// The Oracle SQL dialect: the product name, name lengths, parameter markers, name mapping and the
// texts of statements and DDL that depend on Oracle (class tables, indexes, views, the shadow-table
// triggers, the statements of schema evolution, roles and grants, and the gateway's auxiliary objects:
// the LOCKS and ACTIVECLIENTS tables, the lock package, the lock procedure and the release trigger).
//
// Each KxGOraDatabase makes one in its constructor and owns it; the gateway reaches it through
// GetDatabaseInfo. The dialect owns the Oracle type-conversion manager (KxGOraTypeConvHdlMgr).
//
// Text operations append to `out` unless they say they replace it. Builders return a new template
// that the caller owns, or null when it could not be allocated. List builders append new templates to
// the caller's list in order (the caller deletes them); an entry that could not be made is null.
//
// Names pasted into SQL: the schema, role and user names that CreateLocks, CreateActiveClients,
// DropHelpers, Grants, CreateRole, DropRole and DropUser put into DDL must be plain Oracle
// identifiers (IsIdentifier). Any other name makes no statement: the operation reports -6191 (invalid
// database name, with the name) on the database, and a list builder appends a single null entry, a
// template builder answers null. Texts placed between single quotes (TableExists, IndexList) have
// their quotes doubled.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "KxGCommonDatabaseInfo.h"
#include "KxGDatabase.h"
#include "KxGOraTypeConvHdlMgr.h"
#include "KxGStatusCodes.h"
#include "KxString.h"

// Longest Oracle name (tables, columns, schemas, users, roles, triggers).
constexpr int32_t KXG_ORA_MAX_NAME_LENGTH = 30;

// Longest statement text that Union builds; a longer one is refused (KXG_E_STATEMENT_TOO_LONG).
// A schema, role or user name that is not an Oracle identifier is reported as
// KXG_E_INVALID_DATABASE_NAME.
constexpr uint32_t KXG_ORA_MAX_STATEMENT_LENGTH = KXG_MAX_UNION_LENGTH;

class KxGOraDatabaseInfo : public KxGCommonDatabaseInfo {
public:
    // The database is not owned (type handlers, the schema name and the trace come from it). The
    // conversion manager is made here; it is null when its allocation failed. Option value 0.
    explicit KxGOraDatabaseInfo(KxGDatabase* database);
    // Deletes the conversion manager.
    ~KxGOraDatabaseInfo() override;
    KxGOraDatabaseInfo(const KxGOraDatabaseInfo&) = delete;
    KxGOraDatabaseInfo& operator=(const KxGOraDatabaseInfo&) = delete;

    // "ORACLE".
    KxString GetProductName() override;
    // 30 for kinds 0, 1 and 2; 65535 for any other kind.
    int32_t GetMaxNameLength(int32_t kind) override;
    // ":" + position in decimal.
    KxString GetParameterMarker(int32_t position) override;
    // The storage kind of a mapping-option word, compared upper-cased: "VARCHAR2" and "LONG_RAW" 0,
    // "CHAR" 1, "LONG" 2, "RAW" 3, "BLOB" 4, "BLOB_NO_HANDLE" 5, "UNSIGNED" 6, "LARGE_STRING" 127;
    // 1 when known. Any other word: kind 255 and 0.
    uint16_t TypeNameOptions(const KxString& word, uint8_t& kind) override;
    // 0x80 (blanks ignored): "REPLACE (" x ", ' ', '') "; 0x20 (case ignored): " LOWER ( " x " ) ", or
    // "LOWER ( " + the blank-removing text + " ) " with both. Empty with neither (other bits ignored).
    KxString CompareNoCase(uint16_t flags, const KxString& expression) override;
    // Appends " SELECT " list " FROM " from.
    void Select(const KxGProjection& projection, KxString& out) override;
    // Appends " WHERE " condition; nothing for an empty condition.
    void Where(const KxString& condition, KxString& out) override;
    // Appends " ORDER BY " order; nothing for an empty order.
    void OrderBy(const KxString& order, KxString& out) override;
    // Joins the term "ROWNUM<" (rows + 1) with the condition's Boolean operator.
    void RowLimit(KxGCondition& condition, int32_t rows) override;
    // Appends " FOR UPDATE ".
    void ForUpdate(KxString& out) override;
    // Puts " /*+ INDEX_ASC(<ref> <index>) */" behind the first "SELECT" of the statement; ref is the
    // table text, or the part behind its first blank (the alias). No "SELECT": no change.
    void IndexHint(KxGStatementTemplate& statement, const KxString& indexName, const KxString& tableText) override;
    // Appends "INSERT INTO " from "(" list ") VALUES(" (or " VALUES(" for a list starting with "*")
    // ":1,:2,...,:n)".
    void Insert(const KxGProjection& projection, KxString& out) override;
    // Appends "UPDATE " from " SET " name " = :" i, joined by ",".
    void Update(const KxGExtendedProjection& projection, KxString& out) override;
    // As the common CREATE TABLE; without columns the text is "CREATE TABLE  )".
    KxGCreateStatementTemplate* CreateTable(const KxGQualifiedIdentity& table,
                                            const KxGExtendedProjection& projection) override;
    KxGCreateStatementTemplate* CreateView(const KxGQualifiedIdentity& view, const KxGProjection& projection,
                                           const KxGStatementTemplate& select) override;
    KxGStatementTemplate* AlterAdd(const KxGExtendedProjection& projection) override;
    // The class filters (UpdateByCid, InsertSelectByCid, DeleteByCid) take the unsigned class number
    // (UpdateByCid and InsertSelectByCid: a negative number means every row) and write it in the
    // signed form the CID column holds (KxGStoredClassNumber): class 65400 is " WHERE CID = -136".
    // Column pairs (source i, target i) are taken while both projections have column i; each pair
    // sets the target column to the conversion expression of the conversion manager; with no pair the
    // text is empty (no statement). Null when the conversion manager is missing.
    KxGStatementTemplate* UpdateByCid(const KxGExtendedProjection& source, const KxGExtendedProjection& target,
                                      int32_t classId) override;
    KxGStatementTemplate* AlterDrop(const KxGExtendedProjection& projection) override;
    void TimeFixup(const KxGColumn& column, const KxGQualifiedIdentity& table, KxGStatementTemplateList& list) override;
    void CreateRole(const KxString& role, KxGStatementTemplateList& list) override;
    void Grants(const KxString& schema, const KxString& role, KxGCreateStatementTemplate* const* classTables,
                KxGCreateStatementTemplate* const* views, KxGStatementTemplateList& list) override;
    void DropRole(const KxString& role, KxGStatementTemplateList& list) override;
    void PrimaryKey(const KxString& columnNames, KxString& out) override;
    void TableExists(const KxGQualifiedIdentity& table, KxString& out) override;
    void IndexList(KxString& out) override;
    // Appends the LOCKS table, the ACTIVECLIENTS table, the package KELVOX_PACKAGE, the procedure
    // ACQUIRE_LOCK and the trigger RELEASE_LOCK of the schema, in this order.
    void CreateLocks(const KxString& schema, KxGStatementTemplateList& list) override;
    // Appends the drops of RELEASE_LOCK, KELVOX_PACKAGE, the lock procedure, ACTIVECLIENTS and LOCKS.
    // The procedure is ACQUIRE_LOCK (the one CreateLocks makes) with option value 0, and AQUIRE_LOCK
    // (its name in schemas of older versions, dropped while the schema mapper versions one) otherwise.
    void DropHelpers(const KxString& schema, KxGStatementTemplateList& list) override;
    void DropUser(const KxString& user, KxGStatementTemplateList& list) override;
    // "/".
    KxString GetTerminator() override;

    // The one trigger of ShadowTrigger, appended to the list.
    void ShadowTriggers(const KxGQualifiedIdentity& sourceTable, const KxGQualifiedIdentity& shadowTable,
                        int32_t classId, const KxGColumnList& sourceKeys, const KxGColumnList& shadowKeys,
                        const KxGColumnList& sourceMembers, const KxGColumnList& shadowMembers,
                        KxGStatementTemplateList& list) override;

    // ---- Oracle's own ---------------------------------------------------------------------------
    // The trigger that keeps a shadow table in step with a class table: after each insert, update and
    // delete of a source row the shadow row is inserted, updated or deleted. The key lists pair the
    // key columns of both tables, the member lists the columns of the members both tables have (same
    // length, in member order). The insert names the shadow's columns (keys, then members) and takes
    // the new source values; the update (only when there are member columns) and the delete find the
    // shadow row by its keys equal to the old source keys. The trigger's name is the source table's
    // name cut to leave room for the class id and "_TRG", then the class id, then "_TRG"; it is the
    // identity (unqualified) of the create template returned. Null when it could not be allocated.
    KxGCreateStatementTemplate* ShadowTrigger(const KxGQualifiedIdentity& sourceTable,
                                              const KxGQualifiedIdentity& shadowTable, int32_t classId,
                                              const KxGColumnList& sourceKeys, const KxGColumnList& shadowKeys,
                                              const KxGColumnList& sourceMembers,
                                              const KxGColumnList& shadowMembers);

    // Whether a name may be pasted into DDL as it is: 1 to KXG_ORA_MAX_NAME_LENGTH characters, an ASCII
    // letter first, then ASCII letters, digits, "_", "$" and "#".
    static bool IsIdentifier(const KxString& name);

protected:
    // " \nUNION ALL " (all non-zero) or " \nUNION ": Oracle writes no UNION DISTINCT.
    const char* UnionJoin(uint16_t all) override;
    // CheckNames of the schema.
    bool CheckSchemaName(const KxString& schema) override;
    // CLIENTID NUMBER(38), USERID VARCHAR2(30) defaulting to USER, CLIENT_NAME VARCHAR2(n),
    // CONNECTION_ID NUMBER(38) defaulting to 0, OPEN_MODE VARCHAR2(n).
    KxString ActiveClientsColumns(int32_t nameLength) override;

private:
    // Writes "<operation>: not available yet" to the database's trace.
    void NotYet(const char* operation);
    // True when every name is an identifier. Otherwise reports KXG_E_INVALID_DATABASE_NAME with the first
    // name that is not (the report may throw: call it before anything is allocated).
    bool CheckNames(std::initializer_list<const KxString*> names);
};
