// What the SQL dialects of the products write alike, written once.
//
// KxGCommonDatabaseInfo sits between the gateway's abstract dialect (KxGDatabaseInfo) and the
// adapters' dialects. It writes the texts on which the products agree (indexes, drops, deletes,
// counts, the column list of CREATE TABLE, copying rows between class versions) and collects what a
// class version's shadow triggers need; each adapter's dialect overrides only where its product
// writes otherwise and supplies everything that is its own.
//
// Text operations append to `out` unless they say they replace it. Builders return a new template
// that the caller owns, or null when it could not be allocated. List builders append new templates to
// the caller's list in order (the caller deletes them); an entry that could not be made is null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "KxGDatabase.h"
#include "KxString.h"

class KxGStatementTemplate;
class KxGStatementTemplateList;

// A storage-type word of the mapping options and the handler kind it stands for.
struct KxGStorageKind {
    const char* word;
    uint8_t kind;
};

// Flags of CompareNoCase.
constexpr uint16_t KXG_COMPARE_IGNORE_BLANKS = 0x80;
constexpr uint16_t KXG_COMPARE_IGNORE_CASE = 0x20;
constexpr uint16_t KXG_COMPARE_IGNORE_TRAILING_BLANKS = 0x08;

// One step of CompareNoCase: when the flag is set, the expression built so far is put between open
// and close, or, when nothing was built yet, the plain expression between firstOpen and firstClose.
struct KxGCompareStep {
    uint16_t flag;
    const char* firstOpen;
    const char* firstClose;
    const char* open;
    const char* close;
};

// Longest statement text that Union builds; a longer one is refused (KXG_E_STATEMENT_TOO_LONG).
constexpr uint32_t KXG_MAX_UNION_LENGTH = 65532;

class KxGCommonDatabaseInfo : public KxGDatabaseInfo {
public:
    ~KxGCommonDatabaseInfo() override;

    // The name unchanged.
    KxString MapName(const KxString& name) override;
    // The name in upper case.
    KxString MapNameUpper(const KxString& name) override;
    // 0.
    uint16_t QueryFlag() override;
    // Replaces out by "DELETE FROM " from.
    void Delete(const KxGProjection& projection, KxString& out) override;
    // "CREATE TABLE " name " \n( " columns joined by ",\n " [",\n " PrimaryKey] " )"; a column is its
    // name, the SQL type of its type handler and " not null" for flag bit 1. Without columns the text
    // is "CREATE TABLE " alone.
    KxGCreateStatementTemplate* CreateTable(const KxGQualifiedIdentity& table,
                                            const KxGExtendedProjection& projection) override;
    // "CREATE [UNIQUE ]INDEX " name " ON " table " ( " column ASC|DESC, ... " )".
    KxGCreateStatementTemplate* CreateIndex(const KxGQualifiedIdentity& index, const KxGExtendedProjection& projection,
                                            uint16_t unique) override;
    // The shadow triggers (ShadowTriggers) on the source class's table that copy every insert, update
    // and delete into the shadow class's table: the id columns and the columns of each member both
    // class schemas hold (same name and declaring class). -6088 when a class map has no store
    // handler, else the class table's error.
    int32_t Triggers(KxGClassMap& source, KxGClassMap& shadow, KxGStatementTemplateList& list) override;
    // "INSERT INTO " target " ( " names ")\n SELECT " expressions " FROM " source [" WHERE CID = " id].
    // Pairs (source i, target i), then (added j, target n + j); a pair whose target column is missing
    // is left out; each expression is the conversion manager's for the pair. A negative class number
    // means every row. Without target columns the text is "INSERT INTO " alone. Null without a
    // conversion manager.
    KxGStatementTemplate* InsertSelectByCid(const KxGExtendedProjection& target, const KxGExtendedProjection& source,
                                            const KxGColumnList& added, int32_t classId) override;
    // "DROP TABLE " name.
    KxGStatementTemplate* DropTable(const KxGQualifiedIdentity& table) override;
    // "DELETE FROM " name " WHERE CID = " id.
    KxGStatementTemplate* DeleteByCid(const KxGQualifiedIdentity& table, int32_t classId) override;
    // DropTable of the template's identity.
    KxGStatementTemplate* DropTable2(const KxGCreateStatementTemplate& created) override;
    // "DROP INDEX " + the table's qualifier "." index name (the bare index name when the table has no
    // qualifier).
    KxGStatementTemplate* DropIndex(const KxString& indexName, const KxGQualifiedIdentity& table) override;
    // "DROP INDEX ", "DROP VIEW ", "DROP TRIGGER " and the qualified name of the template's identity.
    KxGStatementTemplate* DropIndex2(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropView(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropTrigger(const KxGCreateStatementTemplate& created) override;
    // Replaces out by "SELECT COUNT(*) FROM " name.
    void Count(const KxGQualifiedIdentity& table, KxString& out) override;
    // An empty target takes the statement's text. Otherwise UnionJoin (all) and the statement's text
    // are appended, unless the two texts together are longer than KXG_MAX_UNION_LENGTH: then
    // KXG_E_STATEMENT_TOO_LONG and no change.
    int32_t Union(const KxGStatementTemplate& statement, uint16_t all, KxGStatementTemplate& target) override;
    // The ACTIVECLIENTS table of the schema alone (ActiveClientsText); null when the schema name may
    // not be used (CheckSchemaName).
    KxGStatementTemplate* CreateActiveClients(const KxString& schema) override;
    // The owned conversion manager; may be null.
    KxGTypeConvHdlMgr* GetTypeConvHdlMgr() override;
    // Stores the value and answers the previous one.
    uint16_t SetOption(uint16_t value) override;
    // 0.
    uint16_t UsesOption() override;

    // The statements that keep a shadow table in step with a source table, appended to the list. The
    // key lists pair the key columns of both tables, the member lists the columns of the members both
    // tables have (same length, in member order).
    virtual void ShadowTriggers(const KxGQualifiedIdentity& sourceTable, const KxGQualifiedIdentity& shadowTable,
                                int32_t classId, const KxGColumnList& sourceKeys, const KxGColumnList& shadowKeys,
                                const KxGColumnList& sourceMembers, const KxGColumnList& shadowMembers,
                                KxGStatementTemplateList& list) = 0;

    // The option value last set (0 at construction).
    uint16_t GetOption() const { return option_; }
    KxGDatabase* GetDatabase() const { return database_; }

protected:
    // The database is not owned (type handlers, the schema name and error reports come from it; it
    // may be null in tests). The product's conversion manager is owned; it may be null (when it could
    // not be made), then the statements that convert columns answer null. Option value 0.
    KxGCommonDatabaseInfo(KxGDatabase* database, std::unique_ptr<KxGTypeConvHdlMgr> convMgr);
    KxGCommonDatabaseInfo(const KxGCommonDatabaseInfo&) = delete;
    KxGCommonDatabaseInfo& operator=(const KxGCommonDatabaseInfo&) = delete;

    // What Union puts between two selects: " \nUNION ALL " (all non-zero) or " \nUNION DISTINCT ".
    virtual const char* UnionJoin(uint16_t all);
    // True when the schema name may be pasted into the DDL of the gateway's helper objects. Otherwise
    // reports KXG_E_INVALID_DATABASE_NAME with the name on the database and answers false (the report
    // may throw: call it before anything is allocated).
    virtual bool CheckSchemaName(const KxString& schema) = 0;
    // The column definitions of the ACTIVECLIENTS table (CLIENTID, USERID, CLIENT_NAME, CONNECTION_ID
    // and OPEN_MODE, each line beginning with a blank, joined by ",\n"); nameLength is the length of
    // the client-name columns.
    virtual KxString ActiveClientsColumns(int32_t nameLength) = 0;

    // The kind of the word, compared upper-cased, from the table; 1 when it is there. Otherwise kind
    // becomes `unknown` and the answer is 0.
    static uint16_t KindOfWord(const KxString& word, const KxGStorageKind* kinds, size_t count, uint8_t unknown,
                               uint8_t& kind);
    // The steps applied in order to the expression; empty when no step's flag is set.
    static KxString CompareExpression(uint16_t flags, const KxString& expression, const KxGCompareStep* steps,
                                      size_t count);
    // Appends keyword and text when the text is not empty.
    static void AppendClause(const char* keyword, const KxString& text, KxString& out);
    // Replaces out by "SELECT COUNT(*) FROM " catalog " WHERE " schemaColumn " = '" schema "' AND "
    // nameColumn " = '" name "'", the table's qualified name split at its first "." (both parts empty
    // without a dot; quotes doubled).
    static void CatalogCount(const KxGQualifiedIdentity& table, const char* catalog, const char* schemaColumn,
                             const char* nameColumn, KxString& out);

    // Appends a template (which may be null) to the caller's list. When the list cannot take it, the
    // template is deleted: nobody else would.
    static void Append(KxGStatementTemplateList& list, KxGStatementTemplate* statement);
    // Appends a new plain template of the text.
    static void AppendText(KxGStatementTemplateList& list, const KxString& text);
    // The qualified name of the table split at its first ".": both parts empty without a dot.
    static void SplitQualifiedName(const KxGQualifiedIdentity& table, KxString& schema, KxString& name);
    // " WHERE CID = " and the class number in the signed form the CID column holds.
    static void ClassFilter(int32_t classId, KxString& text);

    // For each pair (from i, to i) while both lists have column i: appends the name of to i to names
    // and prefix + the name of from i to values, each joined by ", " to what the text already holds.
    static void ColumnPairs(const KxGColumnList& from, const KxGColumnList& to, const char* prefix, KxString& names,
                            KxString& values);
    // The pairs (from i, to i) while both lists have column i as "name of to i = " prefix "name of
    // from i", joined by separator.
    static void ColumnEquations(const KxGColumnList& from, const KxGColumnList& to, const char* prefix,
                                const char* separator, KxString& text);
    // "CREATE TABLE " schema ".ACTIVECLIENTS (\n" ActiveClientsColumns ",\n PRIMARY KEY ( CLIENTID,
    // CONNECTION_ID ) )", the client-name length from the schema constants.
    KxString ActiveClientsText(const KxString& schema);

    // The database's schema name; empty without a database.
    KxString SchemaName();
    // The type text of a column; "Undefined Tessaform Type :" and the type code in decimal when the
    // type handler gives none.
    KxString TypeText(const KxGColumn& column);
    // The column definitions of CREATE TABLE: name, type text, " not null" for bit 1; joined by
    // `separator`. keys (when given) collects the names of the key columns, joined by ", ".
    void ColumnDefinitions(const KxGColumnList& columns, const char* separator, KxString& out, KxString* keys);
    // "UPDATE " table " SET " and the pairs (from i, to i) while both lists have column i, joined by
    // ", ": the name of to i, " = " and the conversion manager's expression for the pair; then
    // " WHERE CID = " id unless the class number is negative. The manager must be there.
    KxGStatementTemplate* UpdateConverting(const KxString& table, const KxGColumnList& from, const KxGColumnList& to,
                                           int32_t classId);

    KxGDatabase* database_;
    std::unique_ptr<KxGTypeConvHdlMgr> convMgr_;
    uint16_t option_ = 0;
};
