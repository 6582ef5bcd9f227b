// The texts of the Oracle dialect, operation by operation (no server needed: the database object is
// made but not opened; its type handlers give the column types).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGProjection.h"
#include "KxGStatementTemplate.h"
#include "OraTestSupport.h"

namespace {

std::string Str(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>");
}

using oratest::OwnedList;

std::string Text(std::unique_ptr<KxGStatementTemplate> statement)
{
    return statement ? Str(statement->GetSQLText()) : "<null>";
}

// The lock procedure as the schema's auxiliary objects carry it.
std::string AcquireLock(const std::string& s)
{
    const std::vector<std::string> lines = {
        "    aClientid IN NUMBER,",
        "    nEntries IN NUMBER,",
        "    oid_list IN " + s + ".KELVOX_PACKAGE.INT_ARRAY_T,",
        "    lockmode_list IN " + s + ".KELVOX_PACKAGE.INT_ARRAY_T)",
        "AS",
        "    e_ALREADY_LOCKED   EXCEPTION;",
        "    aLockmode          " + s + ".LOCKS.LOCKMODE%TYPE;",
        "    aCounter           BINARY_INTEGER;",
        "    bInsertLocks       BINARY_INTEGER;",
        "BEGIN",
        "    bInsertLocks := 1;",
        "    LOCK TABLE " + s + ".LOCKS IN EXCLUSIVE MODE;",
        "    FOR i IN 1..nEntries LOOP",
        "        IF lockmode_list(i) = 1142 THEN",
        "            aLockmode := 8196;",
        "        ELSIF lockmode_list(i) = 2100 THEN",
        "            aLockmode := 4116;",
        "        ELSIF lockmode_list(i) = 4116 THEN",
        "            aLockmode := 2100;",
        "        ELSE",
        "            aLockmode := 0;",
        "        END IF;",
        "        SELECT COUNT(*) INTO aCounter FROM " + s + ".LOCKS ",
        "            WHERE OID = oid_list(i) AND CLIENTID != aClientid AND aLockmode <= LOCKMODE;",
        "        IF aCounter > 0 THEN",
        "            bInsertLocks := 0;",
        "            EXIT;",
        "        ELSE",
        "            INSERT INTO " + s +
            ".LOCKS (oid, lockmode, clientid) VALUES (oid_list(i), lockmode_list(i), aClientid);",
        "        END IF;",
        "    END LOOP;",
        "    IF bInsertLocks = 1 THEN",
        "        COMMIT;",
        "    ELSE",
        "        RAISE e_ALREADY_LOCKED;",
        "    END IF;",
        "EXCEPTION",
        "    WHEN e_ALREADY_LOCKED THEN",
        "        ROLLBACK;",
        "        RAISE_APPLICATION_ERROR(-20099, 'Object already locked');",
        "    WHEN OTHERS THEN",
        "        ROLLBACK;",
        "        RAISE_APPLICATION_ERROR(-20333, 'Error in procedure ACQUIRE_LOCK');",
    };
    std::string text = "CREATE OR REPLACE PROCEDURE " + s + ".ACQUIRE_LOCK (\n";
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text + "END ACQUIRE_LOCK;";
}

class DialectText : public ::testing::Test {
protected:
    DialectText()
        : database_(std::make_unique<KxGOraDatabase>(KxString("LOCAL"), KxString("shop"), KxString("shop"),
                                                     KxString("pw"), nullptr, nullptr)),
          info_(*static_cast<KxGOraDatabaseInfo*>(database_->GetDatabaseInfo()))
    {
    }

    // A column kept for the test's life.
    const KxGColumn& Column(const char* name, uint16_t type, uint32_t size = 0, uint8_t flags = 0, uint8_t kind = 0)
    {
        columns_.push_back(std::make_unique<KxGColumn>(KxString(name), type, size, flags, kind));
        return *columns_.back();
    }

    // An extended projection over a table with the given columns.
    KxGExtendedProjection Projection(const char* table, const char* schema,
                                     std::initializer_list<std::reference_wrapper<const KxGColumn>> columns)
    {
        KxGExtendedProjection projection{KxGQualifiedIdentity(KxString(table), KxString(schema))};
        for (const KxGColumn& column : columns) {
            projection.AddColumn(column);
        }
        return projection;
    }

    std::unique_ptr<KxGOraDatabase> database_;
    KxGOraDatabaseInfo& info_;
    std::vector<std::unique_ptr<KxGColumn>> columns_;
};

// ---------------------------------------------------------------------------------------------------

TEST_F(DialectText, ClausesAndDataStatements)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& name = Column("NAME", 11, 40);
    const KxGColumn& age = Column("AGE", 6);
    KxGExtendedProjection person = Projection("PERSON", "SHOP", {oid, name, age});

    KxGProjection star{KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP"))};
    star.AddLiteral(KxString("*"), Column("X", 6));  // a select list starting with "*"

    const struct {
        const char* what;
        std::function<void(KxString&)> run;
        const char* start;
        const char* expected;
    } cases[] = {
        {"select", [&](KxString& o) { info_.Select(person, o); }, "", " SELECT OID,NAME,AGE FROM SHOP.PERSON"},
        {"where", [&](KxString& o) { info_.Where(KxString("A = 1"), o); }, "S", "S WHERE A = 1"},
        {"where empty", [&](KxString& o) { info_.Where(KxString(""), o); }, "S", "S"},
        {"where inactive", [&](KxString& o) { info_.Where(KxString(), o); }, "S", "S"},
        {"order", [&](KxString& o) { info_.OrderBy(KxString("OID DESC"), o); }, "S", "S ORDER BY OID DESC"},
        {"order empty", [&](KxString& o) { info_.OrderBy(KxString(""), o); }, "S", "S"},
        {"for update", [&](KxString& o) { info_.ForUpdate(o); }, "S", "S FOR UPDATE "},
        {"insert three columns", [&](KxString& o) { info_.Insert(person, o); }, "",
         "INSERT INTO SHOP.PERSON(OID,NAME,AGE) VALUES(:1,:2,:3)"},
        {"insert star list", [&](KxString& o) { info_.Insert(star, o); }, "", "INSERT INTO SHOP.PERSON VALUES(:1)"},
        {"update", [&](KxString& o) { info_.Update(person, o); }, "",
         "UPDATE SHOP.PERSON SET OID = :1,NAME = :2,AGE = :3"},
        {"delete replaces", [&](KxString& o) { info_.Delete(person, o); }, "old", "DELETE FROM SHOP.PERSON"},
        {"primary key", [&](KxString& o) { info_.PrimaryKey(KxString("OID, CID"), o); }, "x,",
         "x,PRIMARY KEY ( OID, CID )"},
        {"count", [&](KxString& o) { info_.Count(KxGQualifiedIdentity(KxString("T"), KxString("SHOP")), o); },
         "old", "SELECT COUNT(*) FROM SHOP.T"},
        {"table exists", [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("T"), KxString("SHOP")), o); },
         "old", "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'SHOP' AND TABLE_NAME = 'T'"},
        {"table exists without schema",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("T")), o); }, "old",
         "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = '' AND TABLE_NAME = ''"},
        {"table exists splits at the first dot",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("B.C"), KxString("A")), o); }, "",
         "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'A' AND TABLE_NAME = 'B.C'"},
        {"table exists doubles quotes",
         [&](KxString& o) { info_.TableExists(KxGQualifiedIdentity(KxString("T' OR '1'='1"), KxString("S")), o); },
         "", "SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'S' AND TABLE_NAME = 'T'' OR ''1''=''1'"},
        {"index list", [&](KxString& o) { info_.IndexList(o); }, "old",
         "SELECT INDEX_NAME, TABLE_NAME FROM ALL_INDEXES WHERE OWNER = 'SHOP' AND INDEX_NAME NOT LIKE 'SYS_%'"},
    };
    for (const auto& c : cases) {
        KxString out(c.start);
        c.run(out);
        EXPECT_EQ(Str(out), c.expected) << c.what;
    }
}

TEST_F(DialectText, IndexListDoublesQuotesOfTheSchemaName)
{
    KxGOraDatabase odd(KxString("LOCAL"), KxString("o'hare"), KxString(""), KxString(""), nullptr, nullptr);
    KxString out;
    odd.GetDatabaseInfo()->IndexList(out);
    EXPECT_EQ(Str(out),
              "SELECT INDEX_NAME, TABLE_NAME FROM ALL_INDEXES WHERE OWNER = 'O''HARE' AND INDEX_NAME NOT LIKE 'SYS_%'");
}

TEST_F(DialectText, StorageKindsOfTheOptionWords)
{
    const struct {
        const char* word;
        uint16_t known;
        uint8_t kind;
    } cases[] = {
        {"VARCHAR2", 1, 0}, {"long_raw", 1, 0},       {"Char", 1, 1},     {"LONG", 1, 2},
        {"raw", 1, 3},      {"BLOB", 1, 4},           {"blob_no_handle", 1, 5}, {"UNSIGNED", 1, 6},
        {"Large_String", 1, 127}, {"VARCHAR", 0, 255}, {"", 0, 255},     {"CHAR ", 0, 255},
    };
    for (const auto& c : cases) {
        uint8_t kind = 77;
        EXPECT_EQ(info_.TypeNameOptions(KxString(c.word), kind), c.known) << c.word;
        EXPECT_EQ(kind, c.kind) << c.word;
    }
}

TEST_F(DialectText, CompareNoCaseNestsBlankRemovalInsideLowerCase)
{
    const struct {
        uint16_t flags;
        const char* expected;
    } cases[] = {
        {0x00, ""},
        {0x08, ""},
        {0x80, "REPLACE (T0.NAME, ' ', '') "},
        {0x20, " LOWER ( T0.NAME ) "},
        {0xA0, "LOWER ( REPLACE (T0.NAME, ' ', '')  ) "},
        {0xA8, "LOWER ( REPLACE (T0.NAME, ' ', '')  ) "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Str(info_.CompareNoCase(c.flags, KxString("T0.NAME"))), c.expected) << c.flags;
    }
}

TEST_F(DialectText, RowLimitJoinsWithTheConditionsOperator)
{
    KxGCondition empty;
    info_.RowLimit(empty, 20);
    EXPECT_EQ(Str(empty.GetText()), "ROWNUM<21");

    KxGCondition withAnd;
    withAnd.AddCondition(KxString("CID = 5"));
    info_.RowLimit(withAnd, 1);
    EXPECT_EQ(Str(withAnd.GetText()), "CID = 5 AND ROWNUM<2");

    KxGCondition withOr;
    withOr.AddCondition(KxString("A = 1"));
    withOr.SetBoolOp(KXG_BOOL_OR);
    info_.RowLimit(withOr, 2147483647);
    EXPECT_EQ(Str(withOr.GetText()), "A = 1 OR ROWNUM<2147483648");
}

TEST_F(DialectText, IndexHintNamesTheAliasAndGoesBehindTheFirstSelect)
{
    const struct {
        const char* text;
        const char* table;
        const char* expected;
    } cases[] = {
        {"SELECT T0.OID FROM SHOP.PERSON T0", "SHOP.PERSON T0",
         "SELECT /*+ INDEX_ASC(T0 PERSON_IX) */ T0.OID FROM SHOP.PERSON T0"},
        {"SELECT OID FROM SHOP.PERSON", "SHOP.PERSON", "SELECT /*+ INDEX_ASC(SHOP.PERSON PERSON_IX) */ OID FROM SHOP.PERSON"},
        {"SELECT A FROM (SELECT A FROM T)", "T", "SELECT /*+ INDEX_ASC(T PERSON_IX) */ A FROM (SELECT A FROM T)"},
        {"DELETE FROM SHOP.PERSON", "SHOP.PERSON", "DELETE FROM SHOP.PERSON"},
        {"select oid from t", "T", "select oid from t"},
        {"", "T", ""},
    };
    for (const auto& c : cases) {
        KxGSelectStatementTemplate statement{KxString(c.text)};
        const uint64_t id = statement.GetTemplateId();
        info_.IndexHint(statement, KxString("PERSON_IX"), KxString(c.table));
        EXPECT_EQ(Str(statement.GetSQLText()), c.expected) << c.text;
        // A changed text is a new statement for the handle cache.
        EXPECT_EQ(statement.GetTemplateId() != id, std::string(c.text) != c.expected) << c.text;
    }
}

TEST_F(DialectText, UnionJoinsWithUnionOrUnionAllAndRefusesTooLongTexts)
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
    EXPECT_EQ(Str(target.GetSQLText()), "SELECT OID FROM A \nUNION SELECT OID FROM B");
    EXPECT_EQ(info_.Union(first, 1, target), 0);
    EXPECT_EQ(Str(target.GetSQLText()), "SELECT OID FROM A \nUNION SELECT OID FROM B \nUNION ALL SELECT OID FROM A");

    // The two texts together may hold 65532 characters, not one more.
    const std::string head = "SELECT OID FROM A WHERE ";
    KxGSelectStatementTemplate big{KxString((head + std::string(65532 - 17 - head.size(), 'x')).c_str())};
    KxGSelectStatementTemplate fits{KxString("SELECT OID FROM A")};
    EXPECT_EQ(info_.Union(big, 1, fits), 0);
    EXPECT_EQ(fits.GetSQLText().Len(), 17u + 12u + (65532u - 17u));

    KxGSelectStatementTemplate over{KxString("SELECT OID FROM AB")};
    const uint64_t id = over.GetTemplateId();
    EXPECT_EQ(info_.Union(big, 1, over), KXG_E_STATEMENT_TOO_LONG);
    EXPECT_EQ(Str(over.GetSQLText()), "SELECT OID FROM AB");
    EXPECT_EQ(over.GetTemplateId(), id);
}

// ---------------------------------------------------------------------------------------------------

TEST_F(DialectText, CreateTableWithTypesNotNullAndPrimaryKey)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Column("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& eid = Column("EID", 6, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& name = Column("NAME", 11, 40);
    const KxGColumn& code = Column("CODE", 11, 8, 0, 1);  // option CHAR
    const KxGColumn& born = Column("BORN", 12);
    const KxGColumn& odd = Column("ODD", 44);             // a code without SQL type
    KxGExtendedProjection projection = Projection("PERSON", "SHOP", {oid, cid, eid, name, code, born, odd});
    const KxGQualifiedIdentity table(KxString("PERSON"), KxString("SHOP"));

    std::unique_ptr<KxGCreateStatementTemplate> created(info_.CreateTable(table, projection));
    ASSERT_TRUE(created);
    EXPECT_EQ(Str(created->GetSQLText()),
              "CREATE TABLE SHOP.PERSON \n( OID NUMBER (38) DEFAULT 0 not null,\n CID NUMBER (38) DEFAULT 0 not null,\n"
              " EID NUMBER (38) DEFAULT 0 not null,\n NAME VARCHAR2 (40),\n CODE CHAR (8),\n BORN DATE,\n"
              " ODD Undefined Tessaform Type :44,\n PRIMARY KEY ( OID, EID ) )");
    EXPECT_EQ(Str(created->GetIdentity().GetQualifiedName()), "SHOP.PERSON");

    // Without key columns the list closes at once; without columns only the bare words stay.
    KxGExtendedProjection plain = Projection("OPTIONREGISTRY", "SHOP", {name});
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(
                  info_.CreateTable(KxGQualifiedIdentity(KxString("OPTIONREGISTRY"), KxString("SHOP")), plain))),
              "CREATE TABLE SHOP.OPTIONREGISTRY \n( NAME VARCHAR2 (40) )");
    KxGExtendedProjection none = Projection("T", "SHOP", {});
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.CreateTable(table, none))), "CREATE TABLE  )");

    // The drops of what was created.
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.DropTable2(*created))), "DROP TABLE SHOP.PERSON");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.DropTable(table))), "DROP TABLE SHOP.PERSON");
}

TEST_F(DialectText, IndexesViewsAndTheirDrops)
{
    const KxGColumn& name = Column("NAME", 11, 40);
    const KxGColumn& age = Column("AGE", 6, 0, KXG_COLUMN_DESCENDING);
    KxGExtendedProjection projection = Projection("PERSON", "SHOP", {name, age});
    const KxGQualifiedIdentity index(KxString("PERSON_IX"), KxString("SHOP"));

    std::unique_ptr<KxGCreateStatementTemplate> unique(info_.CreateIndex(index, projection, 1));
    ASSERT_TRUE(unique);
    EXPECT_EQ(Str(unique->GetSQLText()), "CREATE UNIQUE INDEX SHOP.PERSON_IX ON SHOP.PERSON ( NAME ASC, AGE DESC )");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.CreateIndex(index, projection, 0))),
              "CREATE INDEX SHOP.PERSON_IX ON SHOP.PERSON ( NAME ASC, AGE DESC )");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.DropIndex2(*unique))), "DROP INDEX SHOP.PERSON_IX");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(
                  info_.DropIndex(KxString("PERSON_IX"), KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP"))))),
              "DROP INDEX SHOP.PERSON_IX");
    // A table without schema: the bare index name, not ".PERSON_IX".
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(
                  info_.DropIndex(KxString("PERSON_IX"), KxGQualifiedIdentity(KxString("PERSON"))))),
              "DROP INDEX PERSON_IX");

    KxGProjection viewColumns;
    viewColumns.AddColumn(Column("OID", 15));
    viewColumns.AddColumn(Column("NAME", 11));
    KxGSelectStatementTemplate select{KxString("SELECT OID, NAME FROM SHOP.PERSON")};
    std::unique_ptr<KxGCreateStatementTemplate> view(
        info_.CreateView(KxGQualifiedIdentity(KxString("VPERSON"), KxString("SHOP")), viewColumns, select));
    ASSERT_TRUE(view);
    EXPECT_EQ(Str(view->GetSQLText()), "CREATE VIEW SHOP.VPERSON (OID,NAME)\nAS SELECT OID, NAME FROM SHOP.PERSON");
    EXPECT_EQ(Str(view->GetIdentity().GetQualifiedName()), "SHOP.VPERSON");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.DropView(*view))), "DROP VIEW SHOP.VPERSON");

    KxGCreateStatementTemplate trigger(KxGQualifiedIdentity(KxString("PERSON12_TRG")), KxString("CREATE TRIGGER"));
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.DropTrigger(trigger))), "DROP TRIGGER PERSON12_TRG");
}

TEST_F(DialectText, SchemaEvolutionStatements)
{
    const KxGColumn& oldAge = Column("AGE", 6);
    const KxGColumn& oldName = Column("NAME", 11, 40);
    const KxGColumn& newAge = Column("AGE2V1", 12);
    const KxGColumn& newName = Column("NAME2V1", 11, 20);
    const KxGColumn& added = Column("NICK", 11, 10, KXG_COLUMN_NOT_NULL);
    KxGExtendedProjection source = Projection("PERSON", "SHOP", {oldAge, oldName});
    KxGExtendedProjection target = Projection("PERSON", "SHOP", {newAge, newName});
    KxGExtendedProjection addedProjection = Projection("PERSON", "SHOP", {added, newAge});
    KxGExtendedProjection none = Projection("PERSON", "SHOP", {});

    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.AlterAdd(addedProjection))),
              "ALTER TABLE SHOP.PERSON ADD\n( NICK VARCHAR2 (10) not null,\n AGE2V1 DATE )");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.AlterAdd(none))), "ALTER TABLE ");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.AlterDrop(source))),
              "ALTER TABLE SHOP.PERSON DROP (AGE,NAME)");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.AlterDrop(none))), "ALTER TABLE ");

    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.UpdateByCid(source, target, 7))),
              "UPDATE SHOP.PERSON SET AGE2V1 = TO_DATE(AGE, 'J'), NAME2V1 = SUBSTR(NAME,1 ,20) WHERE CID = 7");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.UpdateByCid(source, target, -1))),
              "UPDATE SHOP.PERSON SET AGE2V1 = TO_DATE(AGE, 'J'), NAME2V1 = SUBSTR(NAME,1 ,20)");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.UpdateByCid(source, target, 0))),
              "UPDATE SHOP.PERSON SET AGE2V1 = TO_DATE(AGE, 'J'), NAME2V1 = SUBSTR(NAME,1 ,20) WHERE CID = 0");
    // Nothing to set, on either side: an empty text, which the callers' statement lists leave out.
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.UpdateByCid(none, target, 7))), "");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.UpdateByCid(source, none, 7))), "");
    // A target shorter than the source: only the pairs that exist.
    KxGExtendedProjection shortTarget = Projection("PERSON", "SHOP", {newAge});
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.UpdateByCid(source, shortTarget, -1))),
              "UPDATE SHOP.PERSON SET AGE2V1 = TO_DATE(AGE, 'J')");

    // Insert-select: the source's pairs, then the added columns against the target's further columns.
    const KxGColumn& newOid = Column("OID", 15);
    const KxGColumn& oldOid = Column("OID", 15);
    const KxGColumn& newNick = Column("NICK", 11, 10);
    const KxGColumn& oldNick = Column("NICK", 11, 40);
    KxGExtendedProjection into = Projection("PERSON2", "SHOP", {newOid, newName, newNick});
    KxGExtendedProjection from = Projection("PERSON", "SHOP", {oldOid, oldName});
    KxGColumnList addedList;
    addedList.AddColumn(const_cast<KxGColumn*>(&oldNick));
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.InsertSelectByCid(into, from, addedList, 12))),
              "INSERT INTO SHOP.PERSON2 ( OID, NAME2V1, NICK)\n SELECT OID, SUBSTR(NAME,1 ,20), SUBSTR(NICK,1 ,10) "
              "FROM SHOP.PERSON WHERE CID = 12");
    KxGColumnList noneAdded;
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.InsertSelectByCid(into, from, noneAdded, -1))),
              "INSERT INTO SHOP.PERSON2 ( OID, NAME2V1)\n SELECT OID, SUBSTR(NAME,1 ,20) FROM SHOP.PERSON");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.InsertSelectByCid(none, from, noneAdded, 1))),
              "INSERT INTO ");

    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(
                  info_.DeleteByCid(KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP")), 12))),
              "DELETE FROM SHOP.PERSON WHERE CID = 12");
    // Class numbers above 32767 in the signed form of the CID column.
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(
                  info_.DeleteByCid(KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP")), 65400))),
              "DELETE FROM SHOP.PERSON WHERE CID = -136");
}

TEST_F(DialectText, TimeFixupForDateAndTimeColumnsOnly)
{
    const KxGQualifiedIdentity table(KxString("PERSON"), KxString("SHOP"));
    OwnedList list;
    info_.TimeFixup(Column("BORN", 12), table, list);
    info_.TimeFixup(Column("WAKE", 13), table, list);
    info_.TimeFixup(Column("SEEN", 19), table, list);
    info_.TimeFixup(Column("NAME", 11), table, list);
    EXPECT_EQ(list.Texts(), (std::vector<std::string>{
                                "UPDATE SHOP.PERSON SET BORN = TRUNC(BORN)",
                                "UPDATE SHOP.PERSON SET WAKE = TO_DATE('01/01/1900 ' || TO_CHAR(WAKE, 'hh24:mi:ss'), "
                                "'dd/mm/yyyy hh24:mi:ss') WHERE WAKE IS NOT NULL",
                            }));
}

// ---------------------------------------------------------------------------------------------------

TEST_F(DialectText, RolesGrantsAndUsers)
{
    KxGCreateStatementTemplate person(KxGQualifiedIdentity(KxString("PERSON"), KxString("SHOP")), KxString("c"));
    KxGCreateStatementTemplate address(KxGQualifiedIdentity(KxString("ADDRESS"), KxString("SHOP")), KxString("c"));
    KxGCreateStatementTemplate view(KxGQualifiedIdentity(KxString("VPERSON"), KxString("SHOP")), KxString("c"));
    // Lists end at their first null entry.
    KxGCreateStatementTemplate* tables[] = {&person, &address, nullptr, &view};
    KxGCreateStatementTemplate* views[] = {&view, nullptr};

    OwnedList list;
    info_.CreateRole(KxString("SHOP_USER"), list);
    info_.Grants(KxString("SHOP"), KxString("SHOP_USER"), tables, views, list);
    info_.DropRole(KxString("SHOP_USER"), list);
    info_.DropUser(KxString("SHOP"), list);
    EXPECT_EQ(list.Texts(), (std::vector<std::string>{
                                "CREATE ROLE SHOP_USER NOT IDENTIFIED",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.OPTIONREGISTRY TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.ROOTBLOCK TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.SURROGATES TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.LOCKS TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.ACTIVECLIENTS TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.KELVOX_CLASSES TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.KELVOX_MEMBERS TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.KELVOX_INDEXES TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.PERSON TO SHOP_USER",
                                "GRANT DELETE, INSERT, SELECT, UPDATE ON SHOP.ADDRESS TO SHOP_USER",
                                "GRANT SELECT ON SHOP.VPERSON TO SHOP_USER",
                                "GRANT SELECT ON SHOP.ACTIVECLIENTS TO PUBLIC",
                                "GRANT EXECUTE ON SHOP.ACQUIRE_LOCK TO SHOP_USER",
                                "DROP ROLE SHOP_USER",
                                "DROP USER SHOP",
                            }));

    // Without class tables and views only the gateway's tables and the two last grants.
    OwnedList bare;
    info_.Grants(KxString("SHOP"), KxString("SHOP_USER"), nullptr, nullptr, bare);
    EXPECT_EQ(bare.Count(), 10u);
}

TEST_F(DialectText, LockTablesPackageProcedureAndReleaseTrigger)
{
    OwnedList list;
    info_.CreateLocks(KxString("SHOP"), list);
    const std::vector<std::string> expected = {
        "CREATE TABLE SHOP.LOCKS (\n OID NUMBER (38) not null,\n LOCKMODE NUMBER(38) not null,\n"
        " CLIENTID NUMBER(38) not null,\nPRIMARY KEY ( OID, LOCKMODE, CLIENTID) )",
        "CREATE TABLE SHOP.ACTIVECLIENTS (\n CLIENTID NUMBER(38) not null,\n USERID VARCHAR2(30) DEFAULT USER not null,\n"
        " CLIENT_NAME VARCHAR2(30),\n CONNECTION_ID NUMBER(38) DEFAULT 0 not null,\n OPEN_MODE VARCHAR2(30),\n"
        " PRIMARY KEY ( CLIENTID, CONNECTION_ID ) )",
        "CREATE OR REPLACE PACKAGE SHOP.KELVOX_PACKAGE AS\n    TYPE INT_ARRAY_T IS TABLE OF NUMBER (38)\n"
        "        INDEX BY BINARY_INTEGER;\nEND KELVOX_PACKAGE;",
        AcquireLock("SHOP"),
        "CREATE TRIGGER SHOP.RELEASE_LOCK\n AFTER DELETE ON SHOP.ACTIVECLIENTS\n REFERENCING OLD AS OLD\n"
        " FOR EACH ROW\n BEGIN\n DELETE FROM SHOP.LOCKS WHERE CLIENTID = :OLD.CLIENTID AND\n"
        " (:OLD.CLIENTID = :OLD.CONNECTION_ID OR :OLD.CONNECTION_ID = 0);\n END;",
    };
    EXPECT_EQ(list.Texts(), expected);
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.CreateActiveClients(KxString("SHOP")))), expected[1]);
}

TEST_F(DialectText, DropHelpersDropsTheOldProcedureNameWhileTheOptionIsSet)
{
    const struct {
        uint16_t option;
        const char* procedure;
    } cases[] = {
        {0, "DROP PROCEDURE SHOP.ACQUIRE_LOCK"},
        {1, "DROP PROCEDURE SHOP.AQUIRE_LOCK"},
        {0xFFFF, "DROP PROCEDURE SHOP.AQUIRE_LOCK"},
        {0, "DROP PROCEDURE SHOP.ACQUIRE_LOCK"},  // cleared again
    };
    for (const auto& c : cases) {
        info_.SetOption(c.option);
        OwnedList list;
        info_.DropHelpers(KxString("SHOP"), list);
        EXPECT_EQ(list.Texts(), (std::vector<std::string>{
                                    "DROP TRIGGER SHOP.RELEASE_LOCK",
                                    "DROP PACKAGE SHOP.KELVOX_PACKAGE",
                                    c.procedure,
                                    "DROP TABLE SHOP.ACTIVECLIENTS",
                                    "DROP TABLE SHOP.LOCKS",
                                }))
            << c.option;
    }
    info_.SetOption(0);
}

TEST_F(DialectText, NamesThatAreNotIdentifiersMakeNoStatement)
{
    const struct {
        const char* name;
        bool valid;
    } names[] = {
        {"SHOP", true},
        {"shop_2$#", true},
        {"A23456789012345678901234567890", true},
        {"A234567890123456789012345678901", false},
        {"", false},
        {"2SHOP", false},
        {"_SHOP", false},
        {"SHOP X", false},
        {"SHOP.X", false},
        {"SHOP;DROP", false},
        {"SHOP'", false},
        {"SHOP\"", false},
        {"SHOP--", false},
        {"SH\xD6P", false},
    };
    for (const auto& c : names) {
        EXPECT_EQ(KxGOraDatabaseInfo::IsIdentifier(KxString(c.name)), c.valid) << c.name;
    }
    EXPECT_FALSE(KxGOraDatabaseInfo::IsIdentifier(KxString()));
    EXPECT_FALSE(KxGOraDatabaseInfo::IsIdentifier(KxString(u"SH\u00D6P")));
    EXPECT_TRUE(KxGOraDatabaseInfo::IsIdentifier(KxString(u"SHOP")));

    const KxString bad("S; DROP USER SYSTEM");
    const KxString good("SHOP");
    const struct {
        const char* what;
        std::function<void(KxGStatementTemplateList&)> run;
    } operations[] = {
        {"CreateLocks", [&](KxGStatementTemplateList& l) { info_.CreateLocks(bad, l); }},
        {"DropHelpers", [&](KxGStatementTemplateList& l) { info_.DropHelpers(bad, l); }},
        {"CreateRole", [&](KxGStatementTemplateList& l) { info_.CreateRole(bad, l); }},
        {"DropRole", [&](KxGStatementTemplateList& l) { info_.DropRole(bad, l); }},
        {"DropUser", [&](KxGStatementTemplateList& l) { info_.DropUser(bad, l); }},
        {"Grants schema", [&](KxGStatementTemplateList& l) { info_.Grants(bad, good, nullptr, nullptr, l); }},
        {"Grants role", [&](KxGStatementTemplateList& l) { info_.Grants(good, bad, nullptr, nullptr, l); }},
    };
    for (const auto& op : operations) {
        database_->GetError()->Clear();
        OwnedList list;
        op.run(list);
        EXPECT_EQ(list.Texts(), std::vector<std::string>{"<null>"}) << op.what;
        EXPECT_EQ(database_->GetError()->ErrorCode(), KXG_E_INVALID_DATABASE_NAME) << op.what;
        EXPECT_NE(std::string(database_->GetError()->Text()).find("S; DROP USER SYSTEM"), std::string::npos) << op.what;
    }
    database_->GetError()->Clear();
    EXPECT_EQ(info_.CreateActiveClients(bad), nullptr);
    EXPECT_EQ(database_->GetError()->ErrorCode(), KXG_E_INVALID_DATABASE_NAME);
}

// ---------------------------------------------------------------------------------------------------

TEST_F(DialectText, ShadowTriggerNamesTheShadowColumns)
{
    const KxGQualifiedIdentity source(KxString("CAR"), KxString("SHOP"));
    const KxGQualifiedIdentity shadow(KxString("VEHICLE"), KxString("SHOP"));
    KxGColumnList sourceKeys;
    KxGColumnList shadowKeys;
    KxGColumnList sourceMembers;
    KxGColumnList shadowMembers;
    for (const char* key : {"OID", "CID"}) {
        sourceKeys.AddColumn(const_cast<KxGColumn*>(&Column(key, 15)));
        shadowKeys.AddColumn(const_cast<KxGColumn*>(&Column(key, 15)));
    }
    sourceMembers.AddColumn(const_cast<KxGColumn*>(&Column("WHEELS", 6)));
    shadowMembers.AddColumn(const_cast<KxGColumn*>(&Column("WHEELS2V0", 6)));
    sourceMembers.AddColumn(const_cast<KxGColumn*>(&Column("MAKE", 11)));
    shadowMembers.AddColumn(const_cast<KxGColumn*>(&Column("MAKE", 11)));

    std::unique_ptr<KxGCreateStatementTemplate> trigger(
        info_.ShadowTrigger(source, shadow, 12, sourceKeys, shadowKeys, sourceMembers, shadowMembers));
    ASSERT_TRUE(trigger);
    EXPECT_EQ(Str(trigger->GetSQLText()),
              "CREATE TRIGGER CAR12_TRG\nAFTER INSERT OR UPDATE OR DELETE ON SHOP.CAR \nFOR EACH ROW\nBEGIN\n"
              "   IF INSERTING THEN\n"
              "      INSERT INTO SHOP.VEHICLE ( OID, CID, WHEELS2V0, MAKE ) VALUES ( :new.OID, :new.CID, :new.WHEELS, "
              ":new.MAKE);\n"
              "   ELSIF UPDATING THEN\n"
              "      UPDATE SHOP.VEHICLE SET WHEELS2V0 = :new.WHEELS, MAKE = :new.MAKE WHERE OID = :old.OID AND "
              "CID = :old.CID;\n"
              "   ELSIF DELETING THEN\n"
              "      DELETE FROM SHOP.VEHICLE WHERE OID = :old.OID AND CID = :old.CID;\n"
              "   END IF;\n"
              "END;");
    EXPECT_EQ(Str(trigger->GetIdentity().GetQualifiedName()), "CAR12_TRG");
    EXPECT_EQ(Text(std::unique_ptr<KxGStatementTemplate>(info_.DropTrigger(*trigger))), "DROP TRIGGER CAR12_TRG");

    // No common members: no update branch; a long table name is cut so that the name keeps 30 characters.
    KxGColumnList noMembers;
    const KxGQualifiedIdentity longSource(KxString("A_VERY_LONG_CLASS_TABLE_NAME_XYZ"), KxString("SHOP"));
    std::unique_ptr<KxGCreateStatementTemplate> keysOnly(
        info_.ShadowTrigger(longSource, shadow, 1234, sourceKeys, shadowKeys, noMembers, noMembers));
    ASSERT_TRUE(keysOnly);
    EXPECT_EQ(Str(keysOnly->GetSQLText()),
              "CREATE TRIGGER A_VERY_LONG_CLASS_TABL1234_TRG\nAFTER INSERT OR DELETE ON "
              "SHOP.A_VERY_LONG_CLASS_TABLE_NAME_XYZ \nFOR EACH ROW\nBEGIN\n"
              "   IF INSERTING THEN\n"
              "      INSERT INTO SHOP.VEHICLE ( OID, CID ) VALUES ( :new.OID, :new.CID);\n"
              "   ELSIF DELETING THEN\n"
              "      DELETE FROM SHOP.VEHICLE WHERE OID = :old.OID AND CID = :old.CID;\n"
              "   END IF;\n"
              "END;");
    EXPECT_EQ(keysOnly->GetIdentity().GetName().Len(), 30u);
}

}  // namespace
