// The texts of the DB2 dialect, operation by operation (no server needed: the database double gives
// the column types and the schema name).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DB2DialectTestSupport.h"
#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGDB2DatabaseInfo.h"
#include "KxGProjection.h"
#include "KxGRootblock.h"
#include "KxTypeMgr.h"
#include "KxGStatementTemplate.h"

namespace {

using db2dialect::DialectDatabase;
using db2dialect::NamingConvMgr;
using db2dialect::OwnedList;
using db2dialect::Str;
using db2dialect::Text;

class DB2DialectText : public ::testing::Test {
protected:
    DB2DialectText() : info_(&database_, std::make_unique<NamingConvMgr>()) {}

    // A column kept for the test's life.
    const KxGColumn& Column(const char* name, uint16_t type, uint32_t size = 0, uint8_t flags = 0, uint8_t kind = 0)
    {
        columns_.push_back(std::make_unique<KxGColumn>(KxString(name), type, size, flags, kind));
        return *columns_.back();
    }

    KxGColumn* Ptr(const KxGColumn& column) { return const_cast<KxGColumn*>(&column); }

    KxGExtendedProjection Projection(const char* table, const char* schema,
                                     std::initializer_list<std::reference_wrapper<const KxGColumn>> columns)
    {
        KxGExtendedProjection projection{KxGQualifiedIdentity(KxString(table), KxString(schema))};
        for (const KxGColumn& column : columns) {
            projection.AddColumn(column);
        }
        return projection;
    }

    DialectDatabase database_;
    KxGDB2DatabaseInfo info_;
    std::vector<std::unique_ptr<KxGColumn>> columns_;
};

// ---------------------------------------------------------------------------------------------------

TEST_F(DB2DialectText, NamesMarkersAndFlags)
{
    EXPECT_EQ(Str(info_.GetProductName()), "DB2");
    const struct {
        int32_t kind;
        int32_t length;
    } lengths[] = {{0, 18}, {1, 30}, {2, 8}, {3, -1}, {-1, -1}, {255, -1}};
    for (const auto& c : lengths) {
        EXPECT_EQ(info_.GetMaxNameLength(c.kind), c.length) << c.kind;
    }
    EXPECT_EQ(Str(info_.GetParameterMarker(1)), "?");
    EXPECT_EQ(Str(info_.GetParameterMarker(12)), "?");
    EXPECT_EQ(Str(info_.MapName(KxString("Person_1"))), "Person_1");
    EXPECT_EQ(Str(info_.MapNameUpper(KxString("Person_1"))), "PERSON_1");
    EXPECT_EQ(Str(info_.GetTerminator()), ";");
    EXPECT_EQ(info_.QueryFlag(), 0);
    EXPECT_EQ(info_.UsesOption(), 0);
    EXPECT_NE(info_.GetTypeConvHdlMgr(), nullptr);

    EXPECT_EQ(info_.SetOption(1), 0);
    EXPECT_EQ(info_.SetOption(0), 1);
}

// One marker stands for every position: a root-block row still gets its key first and its value
// second, and a marker inside a key or value stays text.
TEST_F(DB2DialectText, RootblockRowsBindKeyThenValue)
{
    struct WithDialect : DialectDatabase {
        KxGDatabaseInfo* dialect = nullptr;
        KxGDatabaseInfo* GetDatabaseInfo() override { return dialect; }
    } database;
    database.dialect = &info_;
    KxGRootblock root(&database);
    KxString sql;
    ASSERT_EQ(root.SetValue(KxGRootblockEntry("a?b", KX_TYPE_STRING), KxString("it's ?"), sql), 1);
    const std::string text = Str(sql);
    const size_t key = text.find("'a?b'");
    const size_t value = text.find("'it''s ?'");
    ASSERT_NE(key, std::string::npos) << text;
    ASSERT_NE(value, std::string::npos) << text;
    EXPECT_LT(key, value) << text;
    EXPECT_EQ(text.find("KEYID"), text.find("KEYID,KEYVALUE")) << text;
}

TEST_F(DB2DialectText, ClausesAndDataStatements)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& name = Column("NAME", 11, 40, 0, 1);
    const KxGColumn& age = Column("AGE", 6);
    KxGExtendedProjection person = Projection("PERSON", "SHOP", {oid, name, age});
    KxGExtendedProjection one = Projection("PERSON", "SHOP", {oid});
    KxGProjection star{KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP"))};
    star.AddLiteral(KxString("*"), Column("X", 6));  // a select list starting with "*"

    const struct {
        const char* what;
        std::function<void(KxString&)> run;
        const char* start;
        const char* expected;
    } cases[] = {
        {"select", [&](KxString& o) { info_.Select(person, o); }, "", "\nSELECT OID,NAME,AGE \nFROM SHOP.PERSON"},
        {"where", [&](KxString& o) { info_.Where(KxString("A = ?"), o); }, "S", "S \nWHERE A = ?"},
        {"where empty", [&](KxString& o) { info_.Where(KxString(""), o); }, "S", "S"},
        {"where inactive", [&](KxString& o) { info_.Where(KxString(), o); }, "S", "S"},
        {"order", [&](KxString& o) { info_.OrderBy(KxString("OID DESC"), o); }, "S", "S \nORDER BY OID DESC"},
        {"order empty", [&](KxString& o) { info_.OrderBy(KxString(""), o); }, "S", "S"},
        {"for update adds nothing", [&](KxString& o) { info_.ForUpdate(o); }, "S", "S"},
        {"insert three columns", [&](KxString& o) { info_.Insert(person, o); }, "",
         "INSERT INTO SHOP.PERSON ( OID,NAME,AGE ) \nVALUES  ( ?, ?, ? )"},
        {"insert one column", [&](KxString& o) { info_.Insert(one, o); }, "",
         "INSERT INTO SHOP.PERSON ( OID ) \nVALUES  ( ? )"},
        {"insert star list", [&](KxString& o) { info_.Insert(star, o); }, "",
         "INSERT INTO SHOP.PERSON \nVALUES  ( ? )"},
        {"update", [&](KxString& o) { info_.Update(person, o); }, "",
         "UPDATE SHOP.PERSON \nSET OID = ?, NAME = ?, AGE = ?"},
        {"delete replaces", [&](KxString& o) { info_.Delete(person, o); }, "old", "DELETE FROM SHOP.PERSON"},
        {"primary key", [&](KxString& o) { info_.PrimaryKey(KxString("OID, CID"), o); }, "x,",
         "x,PRIMARY KEY ( OID, CID ) "},
        {"count", [&](KxString& o) { info_.Count(KxGQualifiedIdentity(KxString("T"), KxString("SHOP")), o); },
         "old", "SELECT COUNT(*) FROM SHOP.T"},
        {"table exists",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("T"), KxString("SHOP")), o); }, "old",
         "SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = 'SHOP' AND TABNAME = 'T'"},
        {"table exists without schema",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("T")), o); }, "",
         "SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = '' AND TABNAME = ''"},
        {"table exists splits at the first dot",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("B.C"), KxString("A")), o); }, "",
         "SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = 'A' AND TABNAME = 'B.C'"},
        {"table exists doubles quotes",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("T' OR '1'='1"), KxString("S")), o); },
         "", "SELECT COUNT(*) FROM SYSCAT.TABLES WHERE TABSCHEMA = 'S' AND TABNAME = 'T'' OR ''1''=''1'"},
        {"index list", [&](KxString& o) { info_.IndexList(o); }, "old",
         "SELECT INDNAME, TABNAME FROM SYSCAT.INDEXES WHERE INDSCHEMA = 'SHOP'"},
    };
    for (const auto& c : cases) {
        KxString out(c.start);
        c.run(out);
        EXPECT_EQ(Str(out), c.expected) << c.what;
    }

    // A schema name with a quote stays one literal.
    DialectDatabase odd("O'HARE");
    KxGDB2DatabaseInfo oddInfo(&odd, nullptr);
    KxString out;
    oddInfo.IndexList(out);
    EXPECT_EQ(Str(out), "SELECT INDNAME, TABNAME FROM SYSCAT.INDEXES WHERE INDSCHEMA = 'O''HARE'");
}

TEST_F(DB2DialectText, RowLimitAndIndexHintLeaveTheStatementAlone)
{
    KxGCondition condition;
    condition.AddCondition(KxString("CID = 5"));
    info_.RowLimit(condition, 20);
    EXPECT_EQ(Str(condition.GetText()), "CID = 5");

    KxGSelectStatementTemplate statement{KxString("SELECT T0.OID FROM SHOP.PERSON T0")};
    const uint64_t id = statement.GetTemplateId();
    info_.IndexHint(statement, KxString("PERSON_IX"), KxString("SHOP.PERSON T0"));
    EXPECT_EQ(Str(statement.GetSQLText()), "SELECT T0.OID FROM SHOP.PERSON T0");
    EXPECT_EQ(statement.GetTemplateId(), id);
}

TEST_F(DB2DialectText, HandlerKindsOfTheTypeNames)
{
    const struct {
        const char* name;
        uint16_t known;
        uint8_t kind;
    } cases[] = {
        {"CHAR", 1, 0},        {"character", 1, 0},  {"varchar", 1, 1},    {"VarChar", 1, 1},
        {"LONGVARCHAR", 1, 2}, {"DBCHAR", 1, 4},     {"VARDBCHAR", 1, 8},  {"LONGDBCHAR", 1, 16},
        {"INT", 1, 1},         {"integer", 1, 1},    {"OLD_INT64_MAPPING", 1, 1}, {"BIGINT", 1, 0},
        {"blob", 1, 0},        {"NUMBER", 0, 0},     {"", 0, 0},           {"VARCHAR ", 0, 0},
        {"LONG VARCHAR", 0, 0},
    };
    for (const auto& c : cases) {
        uint8_t kind = 77;
        EXPECT_EQ(info_.TypeNameOptions(KxString(c.name), kind), c.known) << c.name;
        EXPECT_EQ(kind, c.kind) << c.name;
    }
}

TEST_F(DB2DialectText, CompareNoCaseBuildsBlanksThenCaseThenTrailingBlanks)
{
    const struct {
        uint16_t flags;
        const char* expected;
    } cases[] = {
        {0x00, ""},
        {0x01, ""},
        {0x80, "REPLACE ( CHAR(T0.NAME), ' ', '') "},
        {0x20, " LCASE ( CHAR (T0.NAME )) "},
        {0x08, " RTRIM (T0.NAME ) "},
        {0xA0, "LCASE ( REPLACE ( CHAR(T0.NAME), ' ', '')  ) "},
        {0x28, "RTRIM (  LCASE ( CHAR (T0.NAME ))  ) "},
        {0x88, "RTRIM ( REPLACE ( CHAR(T0.NAME), ' ', '')  ) "},
        {0xA8, "RTRIM ( LCASE ( REPLACE ( CHAR(T0.NAME), ' ', '')  )  ) "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Str(info_.CompareNoCase(c.flags, KxString("T0.NAME"))), c.expected) << c.flags;
    }
}

TEST_F(DB2DialectText, UnionJoinsWithDistinctOrAllAndRefusesTooLongTexts)
{
    KxGSelectStatementTemplate first{KxString("SELECT OID FROM A")};
    KxGSelectStatementTemplate second{KxString("SELECT OID FROM B")};

    KxGSelectStatementTemplate empty;
    KxGSelectStatementTemplate emptyStatement;
    EXPECT_EQ(info_.Union(emptyStatement, 1, empty), 0);
    EXPECT_TRUE(empty.GetSQLText().IsEmpty());

    KxGSelectStatementTemplate target;
    EXPECT_EQ(info_.Union(first, 0, target), 0);
    EXPECT_EQ(Str(target.GetSQLText()), "SELECT OID FROM A");
    EXPECT_EQ(info_.Union(second, 0, target), 0);
    EXPECT_EQ(Str(target.GetSQLText()), "SELECT OID FROM A \nUNION DISTINCT SELECT OID FROM B");
    EXPECT_EQ(info_.Union(first, 1, target), 0);
    EXPECT_EQ(Str(target.GetSQLText()),
              "SELECT OID FROM A \nUNION DISTINCT SELECT OID FROM B \nUNION ALL SELECT OID FROM A");

    // The two texts together may hold 65532 characters, not one more.
    const std::string head = "SELECT OID FROM A WHERE ";
    KxGSelectStatementTemplate big{KxString((head + std::string(65532 - 17 - head.size(), 'x')).c_str())};
    KxGSelectStatementTemplate fits{KxString("SELECT OID FROM A")};
    EXPECT_EQ(info_.Union(big, 1, fits), 0);
    EXPECT_EQ(fits.GetSQLText().Len(), 17u + 12u + (65532u - 17u));

    KxGSelectStatementTemplate over{KxString("SELECT OID FROM AB")};
    const uint64_t id = over.GetTemplateId();
    EXPECT_EQ(info_.Union(big, 0, over), KXG_E_STATEMENT_TOO_LONG);
    EXPECT_EQ(Str(over.GetSQLText()), "SELECT OID FROM AB");
    EXPECT_EQ(over.GetTemplateId(), id);
}

// ---------------------------------------------------------------------------------------------------

TEST_F(DB2DialectText, TablesIndexesViewsAndTheirDrops)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Column("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& eid = Column("EID", 6, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& name = Column("NAME", 11, 40, 0, 1);
    const KxGColumn& code = Column("CODE", 11, 8);
    const KxGColumn& born = Column("BORN", 12, 0, KXG_COLUMN_DESCENDING);
    const KxGColumn& odd = Column("ODD", 44);  // a code without column type
    const KxGQualifiedIdentity table(KxString("PERSON"), KxString("SHOP"));

    const KxGExtendedProjection all = Projection("PERSON", "SHOP", {oid, cid, eid, name, code, born, odd});
    std::unique_ptr<KxGCreateStatementTemplate> created(info_.CreateTable(table, all));
    ASSERT_TRUE(created);
    EXPECT_EQ(Str(created->GetSQLText()),
              "CREATE TABLE SHOP.PERSON \n( OID INTEGER not null,\n CID SMALLINT not null,\n EID INTEGER not null,\n"
              " NAME VARCHAR(40),\n CODE CHARACTER(8),\n BORN DATE,\n ODD Undefined Tessaform Type :44,\n"
              " PRIMARY KEY ( OID, EID )  )");
    EXPECT_EQ(Str(created->GetIdentity().GetQualifiedName()), "SHOP.PERSON");

    // Without key columns the list closes at once; without columns only the first words stay.
    EXPECT_EQ(Text(info_.CreateTable(table, Projection("PERSON", "SHOP", {name}))),
              "CREATE TABLE SHOP.PERSON \n( NAME VARCHAR(40) )");
    EXPECT_EQ(Text(info_.CreateTable(table, Projection("PERSON", "SHOP", {}))), "CREATE TABLE ");

    const KxGQualifiedIdentity index(KxString("PERSON_IX"), KxString("SHOP"));
    std::unique_ptr<KxGCreateStatementTemplate> unique(
        info_.CreateIndex(index, Projection("PERSON", "SHOP", {name, born}), 1));
    ASSERT_TRUE(unique);
    EXPECT_EQ(Str(unique->GetSQLText()), "CREATE UNIQUE INDEX SHOP.PERSON_IX ON SHOP.PERSON ( NAME ASC, BORN DESC )");
    EXPECT_EQ(Text(info_.CreateIndex(index, Projection("PERSON", "SHOP", {name}), 0)),
              "CREATE INDEX SHOP.PERSON_IX ON SHOP.PERSON ( NAME ASC )");

    const KxGQualifiedIdentity viewName(KxString("VPERSON"), KxString("SHOP"));
    KxGSelectStatementTemplate select{KxString("\nSELECT OID,NAME \nFROM SHOP.PERSON")};
    std::unique_ptr<KxGCreateStatementTemplate> view(
        info_.CreateView(viewName, Projection("VPERSON", "SHOP", {oid, name}), select));
    ASSERT_TRUE(view);
    EXPECT_EQ(Str(view->GetSQLText()), "CREATE VIEW SHOP.VPERSON ( OID,NAME ) AS \nSELECT OID,NAME \nFROM SHOP.PERSON");

    const struct {
        const char* what;
        KxGStatementTemplate* statement;
        const char* expected;
    } drops[] = {
        {"table", info_.DropTable(table), "DROP TABLE SHOP.PERSON"},
        {"table of create", info_.DropTable2(*created), "DROP TABLE SHOP.PERSON"},
        {"index by table", info_.DropIndex(KxString("PERSON_IX"), table), "DROP INDEX SHOP.PERSON_IX"},
        {"index by bare table", info_.DropIndex(KxString("PERSON_IX"), KxGQualifiedIdentity(KxString("PERSON"))),
         "DROP INDEX PERSON_IX"},
        {"index of create", info_.DropIndex2(*unique), "DROP INDEX SHOP.PERSON_IX"},
        {"view", info_.DropView(*view), "DROP VIEW SHOP.VPERSON"},
        {"trigger", info_.DropTrigger(*view), "DROP TRIGGER SHOP.VPERSON"},
    };
    for (const auto& d : drops) {
        EXPECT_EQ(Text(d.statement), d.expected) << d.what;
    }
}

TEST_F(DB2DialectText, SchemaEvolutionStatements)
{
    const KxGColumn& oldAge = Column("AGE", 11, 10);
    const KxGColumn& oldName = Column("NAME", 11, 40);
    const KxGColumn& newAge = Column("AGE2V1", 6);
    const KxGColumn& newName = Column("NAME2V1", 11, 20);
    const KxGColumn& added = Column("NICK", 11, 10, KXG_COLUMN_NOT_NULL, 1);
    KxGExtendedProjection source = Projection("PERSON", "SHOP", {oldAge, oldName});
    KxGExtendedProjection target = Projection("PERSON", "SHOP", {newAge, newName});
    KxGExtendedProjection none = Projection("PERSON", "SHOP", {});

    EXPECT_EQ(Text(info_.AlterAdd(Projection("PERSON", "SHOP", {added, newAge}))),
              "ALTER TABLE SHOP.PERSON \nADD COLUMN NICK VARCHAR(10) not null\n ADD COLUMN AGE2V1 INTEGER");
    EXPECT_EQ(Text(info_.AlterAdd(Projection("PERSON", "SHOP", {newAge}))),
              "ALTER TABLE SHOP.PERSON \nADD COLUMN AGE2V1 INTEGER");
    EXPECT_EQ(Text(info_.AlterAdd(none)), "ALTER TABLE ");
    // Columns are never dropped.
    EXPECT_EQ(Text(info_.AlterDrop(source)), "<null>");

    const struct {
        int32_t classId;
        const char* expected;
    } updates[] = {
        {7, "UPDATE SHOP.PERSON SET AGE2V1 = INT(AGE), NAME2V1 = VARCHAR(NAME, 20) WHERE CID = 7"},
        {0, "UPDATE SHOP.PERSON SET AGE2V1 = INT(AGE), NAME2V1 = VARCHAR(NAME, 20) WHERE CID = 0"},
        {-1, "UPDATE SHOP.PERSON SET AGE2V1 = INT(AGE), NAME2V1 = VARCHAR(NAME, 20)"},
        {65400, "UPDATE SHOP.PERSON SET AGE2V1 = INT(AGE), NAME2V1 = VARCHAR(NAME, 20) WHERE CID = -136"},
    };
    for (const auto& c : updates) {
        EXPECT_EQ(Text(info_.UpdateByCid(source, target, c.classId)), c.expected) << c.classId;
    }
    // Nothing to set, on either side: an empty text, which the callers' statement lists leave out.
    EXPECT_EQ(Text(info_.UpdateByCid(none, target, 7)), "");
    EXPECT_EQ(Text(info_.UpdateByCid(source, none, 7)), "");
    // A target shorter than the source: only the pairs that exist.
    EXPECT_EQ(Text(info_.UpdateByCid(source, Projection("PERSON", "SHOP", {newAge}), -1)),
              "UPDATE SHOP.PERSON SET AGE2V1 = INT(AGE)");

    // Insert-select: the source's pairs, then the added columns against the target's further columns.
    const KxGColumn& newOid = Column("OID", 15);
    const KxGColumn& oldOid = Column("OID", 15);
    const KxGColumn& newNick = Column("NICK", 11, 10);
    const KxGColumn& oldNick = Column("NICK", 11, 40);
    KxGExtendedProjection into = Projection("PERSON2", "SHOP", {newOid, newName, newNick});
    KxGExtendedProjection from = Projection("PERSON", "SHOP", {oldOid, oldName});
    KxGColumnList addedList;
    addedList.AddColumn(Ptr(oldNick));
    KxGColumnList noneAdded;
    EXPECT_EQ(Text(info_.InsertSelectByCid(into, from, addedList, 12)),
              "INSERT INTO SHOP.PERSON2 ( OID, NAME2V1, NICK)\n SELECT OID, VARCHAR(NAME, 20), VARCHAR(NICK, 10) "
              "FROM SHOP.PERSON WHERE CID = 12");
    EXPECT_EQ(Text(info_.InsertSelectByCid(into, from, noneAdded, -1)),
              "INSERT INTO SHOP.PERSON2 ( OID, NAME2V1)\n SELECT OID, VARCHAR(NAME, 20) FROM SHOP.PERSON");
    EXPECT_EQ(Text(info_.InsertSelectByCid(none, from, noneAdded, 1)), "INSERT INTO ");

    const KxGQualifiedIdentity table(KxString("PERSON"), KxString("SHOP"));
    EXPECT_EQ(Text(info_.DeleteByCid(table, 12)), "DELETE FROM SHOP.PERSON WHERE CID = 12");
    EXPECT_EQ(Text(info_.DeleteByCid(table, 65400)), "DELETE FROM SHOP.PERSON WHERE CID = -136");

    // Without a conversion manager the converting statements are not made.
    KxGDB2DatabaseInfo bare(&database_, nullptr);
    EXPECT_EQ(bare.GetTypeConvHdlMgr(), nullptr);
    EXPECT_EQ(Text(bare.UpdateByCid(source, target, 7)), "<null>");
    EXPECT_EQ(Text(bare.InsertSelectByCid(into, from, noneAdded, 7)), "<null>");
}

TEST_F(DB2DialectText, RolesGrantsUsersAndTimeFixupsMakeNoStatement)
{
    KxGCreateStatementTemplate person(KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP")), KxString("c"));
    KxGCreateStatementTemplate* tables[] = {&person, nullptr};
    OwnedList list;
    info_.CreateRole(KxString("SHOP_USER"), list);
    info_.Grants(KxString("SHOP"), KxString("SHOP_USER"), tables, tables, list);
    info_.DropRole(KxString("SHOP_USER"), list);
    info_.DropUser(KxString("SHOP"), list);
    info_.TimeFixup(Column("BORN", 12), KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP")), list);
    info_.TimeFixup(Column("WAKE", 13), KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP")), list);
    EXPECT_TRUE(list.Texts().empty());
}

// ---------------------------------------------------------------------------------------------------

const char* const kLocks =
    "CREATE TABLE SHOP.LOCKS (\n OID INTEGER not null,\n LOCKMODE SMALLINT not null,\n"
    " CLIENTID INTEGER not null with DEFAULT 1,\n PRIMARY KEY ( OID, LOCKMODE, CLIENTID) )";
const char* const kAcquireLock =
    "CREATE TRIGGER SHOP.ACQUIRE_LOCK\n AFTER INSERT ON SHOP.LOCKS\n REFERENCING NEW AS N\n"
    " FOR EACH ROW MODE DB2SQL\n"
    " WHEN (EXISTS ( SELECT 1 FROM SHOP.LOCKS P WHERE N.OID = P.OID AND N.CLIENTID != P.CLIENTID\n"
    " AND P.LOCKMODE >= CASE N.LOCKMODE WHEN 1142 THEN 8196\n"
    "                       WHEN 2100 THEN 4116\n"
    "                       WHEN 4116 THEN 2100\n"
    "                       ELSE 0 END ))\n"
    " SIGNAL SQLSTATE 'KX041' ('ERR_KX_OBJECT_LOCKED')";
const char* const kActiveClients =
    "CREATE TABLE SHOP.ACTIVECLIENTS (\n CLIENTID INTEGER not null,\n"
    " USERID CHARACTER(128) not null WITH DEFAULT USER,\n CLIENT_NAME CHARACTER(30),\n"
    " CONNECTION_ID INTEGER not null WITH DEFAULT 0,\n OPEN_MODE CHARACTER(30),\n"
    " PRIMARY KEY ( CLIENTID, CONNECTION_ID ) )";
const char* const kReleaseLock =
    "CREATE TRIGGER SHOP.RELEASE_LOCK\n AFTER DELETE ON SHOP.ACTIVECLIENTS\n REFERENCING OLD AS OLD\n"
    " FOR EACH ROW MODE DB2SQL\n DELETE FROM SHOP.LOCKS WHERE CLIENTID = OLD.CLIENTID AND\n"
    " (OLD.CLIENTID = OLD.CONNECTION_ID OR OLD.CONNECTION_ID = 0)";

TEST_F(DB2DialectText, LockTablesAndTriggers)
{
    OwnedList list;
    info_.CreateLocks(KxString("SHOP"), list);
    EXPECT_EQ(list.Texts(), (std::vector<std::string>{kLocks, kAcquireLock, kActiveClients, kReleaseLock}));
    EXPECT_EQ(Text(info_.CreateActiveClients(KxString("SHOP"))), kActiveClients);
}

TEST_F(DB2DialectText, DropHelpersDropsTheOldTriggerNameWhileTheOptionIsSet)
{
    const struct {
        uint16_t option;
        const char* trigger;
    } cases[] = {
        {0, "DROP TRIGGER SHOP.ACQUIRE_LOCK\n"},
        {1, "DROP TRIGGER SHOP.AQUIRE_LOCK\n"},
        {0xFFFF, "DROP TRIGGER SHOP.AQUIRE_LOCK\n"},
        {0, "DROP TRIGGER SHOP.ACQUIRE_LOCK\n"},  // cleared again
    };
    for (const auto& c : cases) {
        info_.SetOption(c.option);
        OwnedList list;
        info_.DropHelpers(KxString("SHOP"), list);
        EXPECT_EQ(list.Texts(), (std::vector<std::string>{
                                    "DROP TRIGGER SHOP.RELEASE_LOCK\n",
                                    c.trigger,
                                    "DROP TABLE SHOP.ACTIVECLIENTS\n",
                                    "DROP TABLE SHOP.LOCKS\n",
                                }))
            << c.option;
    }
}

TEST_F(DB2DialectText, SchemaNamesThatAreNotIdentifiersMakeNoStatement)
{
    const struct {
        const char* name;
        bool valid;
    } names[] = {
        {"SHOP", true},      {"s_2$#", true},  {"ABCDEFGH", true}, {"ABCDEFGHI", false}, {"", false},
        {"2SHOP", false},    {"_SHOP", false}, {"SH OP", false},   {"SH.OP", false},     {"S;DROP", false},
        {"SHOP'", false},    {"SH\"", false},  {"S--", false},     {"SH\xD6P", false},
    };
    for (const auto& c : names) {
        EXPECT_EQ(KxGDB2DatabaseInfo::IsSchemaName(KxString(c.name)), c.valid) << c.name;
    }
    EXPECT_FALSE(KxGDB2DatabaseInfo::IsSchemaName(KxString()));

    const KxString bad("S; DROP");
    const struct {
        const char* what;
        std::function<void(KxGStatementTemplateList&)> run;
    } operations[] = {
        {"CreateLocks", [&](KxGStatementTemplateList& l) { info_.CreateLocks(bad, l); }},
        {"DropHelpers", [&](KxGStatementTemplateList& l) { info_.DropHelpers(bad, l); }},
    };
    for (const auto& op : operations) {
        database_.GetError()->Clear();
        OwnedList list;
        op.run(list);
        EXPECT_EQ(list.Texts(), std::vector<std::string>{"<null>"}) << op.what;
        EXPECT_EQ(database_.GetError()->ErrorCode(), KXG_E_INVALID_DATABASE_NAME) << op.what;
        EXPECT_NE(std::string(database_.GetError()->Text()).find("S; DROP"), std::string::npos) << op.what;
    }
    database_.GetError()->Clear();
    EXPECT_EQ(info_.CreateActiveClients(bad), nullptr);
    EXPECT_EQ(database_.GetError()->ErrorCode(), KXG_E_INVALID_DATABASE_NAME);

    // Without a database the name is still refused.
    KxGDB2DatabaseInfo alone(nullptr, nullptr);
    OwnedList list;
    alone.CreateLocks(bad, list);
    EXPECT_EQ(list.Texts(), std::vector<std::string>{"<null>"});
}

// ---------------------------------------------------------------------------------------------------

TEST_F(DB2DialectText, ShadowTriggersNameTheShadowColumns)
{
    const KxGQualifiedIdentity source(KxString("CAR"), KxString("SHOP"));
    const KxGQualifiedIdentity shadow(KxString("VEHICLE"), KxString("SHOP"));
    KxGColumnList sourceKeys;
    KxGColumnList shadowKeys;
    KxGColumnList sourceMembers;
    KxGColumnList shadowMembers;
    for (const char* key : {"OID", "CID"}) {
        sourceKeys.AddColumn(Ptr(Column(key, 15)));
    }
    for (const char* key : {"VOID", "VCID"}) {
        shadowKeys.AddColumn(Ptr(Column(key, 15)));
    }
    sourceMembers.AddColumn(Ptr(Column("WHEELS", 6)));
    shadowMembers.AddColumn(Ptr(Column("WHEELS2V0", 6)));
    sourceMembers.AddColumn(Ptr(Column("MAKE", 11)));
    shadowMembers.AddColumn(Ptr(Column("MAKE", 11)));

    OwnedList list;
    info_.ShadowTriggers(source, shadow, 12, sourceKeys, shadowKeys, sourceMembers, shadowMembers, list);
    EXPECT_EQ(list.Texts(),
              (std::vector<std::string>{
                  "CREATE TRIGGER SHOP.CAR12INS AFTER INSERT ON SHOP.CAR \n"
                  "REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
                  "INSERT INTO SHOP.VEHICLE ( VOID, VCID, WHEELS2V0, MAKE ) VALUES ( N.OID, N.CID, N.WHEELS, N.MAKE );\n"
                  "END",
                  "CREATE TRIGGER SHOP.CAR12UPD AFTER UPDATE ON SHOP.CAR \n"
                  "REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
                  "UPDATE SHOP.VEHICLE SET WHEELS2V0 = N.WHEELS, MAKE = N.MAKE WHERE VOID = N.OID AND VCID = N.CID;\n"
                  "END",
                  "CREATE TRIGGER SHOP.CAR12DEL AFTER DELETE ON SHOP.CAR \n"
                  "REFERENCING OLD AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
                  "DELETE FROM SHOP.VEHICLE WHERE VOID = N.OID AND VCID = N.CID;\n"
                  "END",
              }));
    auto* created = dynamic_cast<KxGCreateStatementTemplate*>(list.GetTemplate(2));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(Text(info_.DropTrigger(*created)), "DROP TRIGGER SHOP.CAR12DEL");

    // No common members: no update trigger; a long table name is cut so that names keep 18 characters.
    KxGColumnList noMembers;
    const KxGQualifiedIdentity longSource(KxString("A_VERY_LONG_CLASS_TABLE"), KxString(""));
    OwnedList keysOnly;
    info_.ShadowTriggers(longSource, shadow, 1234, sourceKeys, shadowKeys, noMembers, noMembers, keysOnly);
    EXPECT_EQ(keysOnly.Texts(),
              (std::vector<std::string>{
                  "CREATE TRIGGER A_VERY_LONG1234INS AFTER INSERT ON A_VERY_LONG_CLASS_TABLE \n"
                  "REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
                  "INSERT INTO SHOP.VEHICLE ( VOID, VCID ) VALUES ( N.OID, N.CID );\nEND",
                  "CREATE TRIGGER A_VERY_LONG1234DEL AFTER DELETE ON A_VERY_LONG_CLASS_TABLE \n"
                  "REFERENCING OLD AS N FOR EACH ROW MODE DB2SQL BEGIN ATOMIC \n"
                  "DELETE FROM SHOP.VEHICLE WHERE VOID = N.OID AND VCID = N.CID;\nEND",
              }));
}

}  // namespace
