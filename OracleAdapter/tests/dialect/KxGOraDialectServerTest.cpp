// The dialect's DDL and statements executed on the OCI stand-in: one Oracle database object opened on
// a server in a temporary directory runs every text through its statement handle (ExecDirect); a
// second session of the engine reads what they did.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraStatementHdl.h"
#include "KxGProjection.h"
#include "KxGStatementTemplate.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

using oratest::OwnedList;

// A server "DLG_..." with the users S (who may create roles) and U, the database object opened on it,
// and a second session of the engine that reads what the database did.
class DialectOnServer : public oratest::DatabaseTest {
protected:
    DialectOnServer()
        : DatabaseTest({.prefix = "DLG_", .users = {{"S", "s", false, {"CREATE ROLE"}}, {"U", "u"}}})
    {
    }

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        info_ = static_cast<KxGOraDatabaseInfo*>(db_->GetDatabaseInfo());
        sqlengine::Error err;
        reader_ = sqlengine::Session::Begin(server_, "S", "s", err);
        ASSERT_TRUE(reader_) << err.message;
    }

    void TearDown() override
    {
        if (reader_) {
            reader_->End();
            reader_.reset();
        }
        DatabaseTest::TearDown();
    }

    // Runs a template through ExecDirect on a statement handle of the database; 1 on success.
    uint16_t Exec(KxGStatementTemplate* statement)
    {
        if (statement == nullptr) {
            ADD_FAILURE() << "no statement";
            return 0;
        }
        KxGStatementTemplate probe{KxString("SELECT 1 FROM DUAL")};
        oratest::StatementHdlPtr handle(db_->CreateStatementHdl(&probe));
        if (!handle) {
            ADD_FAILURE() << db_->GetError()->Text();
            return 0;
        }
        return static_cast<KxGOraStatementHdl*>(handle.get())->ExecDirect(statement);
    }

    void Run(KxGStatementTemplate* statement)
    {
        std::unique_ptr<KxGStatementTemplate> owned(statement);
        ASSERT_TRUE(owned);
        ASSERT_EQ(Exec(owned.get()), 1) << owned->GetSQLText().StrGet() << "\n" << db_->GetError()->Text();
    }

    void Run(const std::string& sql) { Run(new KxGStatementTemplate(KxString(sql.c_str()))); }

    void RunAll(const KxGStatementTemplateList& list)
    {
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStatementTemplate* statement = list.GetTemplate(i);
            ASSERT_NE(statement, nullptr);
            ASSERT_EQ(Exec(statement), 1) << statement->GetSQLText().StrGet() << "\n" << db_->GetError()->Text();
        }
    }

    // Rows of a query read by the second session (after the database's work is committed).
    std::vector<std::vector<std::string>> Rows(const std::string& sql)
    {
        return oratest::RowTexts(oratest::RunOn(*reader_, sql));
    }

    std::string One(const std::string& sql)
    {
        auto rows = Rows(sql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "<" + std::to_string(rows.size()) + " rows>";
    }

    void Commit() { ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text(); }

    const KxGColumn& Column(const char* name, uint16_t type, uint32_t size = 0, uint8_t flags = 0)
    {
        columns_.push_back(std::make_unique<KxGColumn>(KxString(name), type, size, flags));
        return *columns_.back();
    }

    KxGExtendedProjection Projection(const char* table, std::initializer_list<std::reference_wrapper<const KxGColumn>> cols)
    {
        KxGExtendedProjection projection{KxGQualifiedIdentity(KxString(table), KxString("S"))};
        for (const KxGColumn& column : cols) {
            projection.AddColumn(column);
        }
        return projection;
    }

    KxGOraDatabaseInfo* info_ = nullptr;
    std::shared_ptr<sqlengine::Session> reader_;
    std::vector<std::unique_ptr<KxGColumn>> columns_;
};

TEST_F(DialectOnServer, LockObjectsAreCreatedValidReleaseLocksAndAreDropped)
{
    OwnedList create;
    info_->CreateLocks(KxString("S"), create);
    ASSERT_EQ(create.Count(), 5u);
    RunAll(create);

    // The engine runs the lock procedure only when its text is the one it knows.
    sqlengine::ObjectRow procedure;
    ASSERT_TRUE(server_->FindObject("S", "ACQUIRE_LOCK", "PROCEDURE", procedure));
    EXPECT_EQ(procedure.status, "VALID");
    EXPECT_EQ(One("SELECT COUNT(*) FROM ALL_OBJECTS WHERE STATUS ='INVALID' AND OWNER=UPPER('s') AND (OBJECT_NAME IN "
                  "('ACQUIRE_LOCK', 'RELEASE_LOCK') OR OBJECT_NAME LIKE '%_TRG')"),
              "0");

    // The release trigger drops a client's locks with its main row only.
    Run("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (5, 'c', 5, 'DEFAULT')");
    Run("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (5, 'c', 9, 'DEFAULT')");
    Run("INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (100, 1142, 5)");
    Run("DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = 9");
    Commit();
    EXPECT_EQ(One("SELECT COUNT(*) FROM S.LOCKS"), "1");
    EXPECT_EQ(One("SELECT USERID FROM S.ACTIVECLIENTS"), "S");
    Run("DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = 5");
    Commit();
    EXPECT_EQ(One("SELECT COUNT(*) FROM S.LOCKS"), "0");

    // The drops find every object that CreateLocks made.
    OwnedList drop;
    info_->DropHelpers(KxString("S"), drop);
    RunAll(drop);
    EXPECT_FALSE(server_->FindObject("S", "ACQUIRE_LOCK", "PROCEDURE", procedure));
    EXPECT_FALSE(server_->FindObject("S", "KELVOX_PACKAGE", "PACKAGE", procedure));
    EXPECT_EQ(One("SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'S' AND TABLE_NAME = 'LOCKS'"), "0");

    // ACTIVECLIENTS alone.
    Run(info_->CreateActiveClients(KxString("S")));
    EXPECT_EQ(One("SELECT COUNT(*) FROM ALL_CATALOG WHERE OWNER = 'S' AND TABLE_NAME = 'ACTIVECLIENTS'"), "1");
}

TEST_F(DialectOnServer, ClassTableIndexViewGrantsAndTimeFixup)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Column("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& name = Column("NAME", 11, 40);
    const KxGColumn& born = Column("BORN", 12);
    const KxGColumn& wake = Column("WAKE", 13);
    const KxGColumn& score = Column("SCORE", 6, 0, KXG_COLUMN_DESCENDING);
    KxGExtendedProjection person = Projection("PERSON", {oid, cid, name, born, wake, score});
    std::unique_ptr<KxGCreateStatementTemplate> table(
        info_->CreateTable(KxGQualifiedIdentity(KxString("PERSON"), KxString("S")), person));
    ASSERT_TRUE(table);
    ASSERT_EQ(Exec(table.get()), 1) << db_->GetError()->Text();

    KxGExtendedProjection indexed = Projection("PERSON", {name, score});
    std::unique_ptr<KxGCreateStatementTemplate> index(
        info_->CreateIndex(KxGQualifiedIdentity(KxString("PERSON_IX"), KxString("S")), indexed, 0));
    ASSERT_TRUE(index);
    ASSERT_EQ(Exec(index.get()), 1) << db_->GetError()->Text();

    // Rows through the dialect's insert text with literal values in place of the markers.
    for (const char* values : {"(1, 7, 'Ann', TO_DATE('2024-05-06 13:14:15', 'yyyy-mm-dd hh24:mi:ss'), "
                               "TO_DATE('2024-05-06 13:14:15', 'yyyy-mm-dd hh24:mi:ss'), 3)",
                               "(2, 7, 'Bob', NULL, NULL, 4)"}) {
        KxString insert;
        info_->Insert(person, insert);
        std::string text = insert.StrGet();
        text = text.substr(0, text.find(" VALUES(")) + " VALUES" + values;
        Run(text);
    }
    Commit();

    // Query texts of the dialect.
    KxString exists;
    info_->TableExists(KxGQualifiedIdentity(KxString("PERSON"), KxString("S")), exists);
    EXPECT_EQ(One(exists.StrGet()), "1");
    KxString count;
    info_->Count(KxGQualifiedIdentity(KxString("PERSON"), KxString("S")), count);
    EXPECT_EQ(One(count.StrGet()), "2");
    KxString indexes;
    info_->IndexList(indexes);
    EXPECT_EQ(Rows(indexes.StrGet()), (std::vector<std::vector<std::string>>{{"PERSON_IX", "PERSON"}}));

    // A view over a union of two selects: UNION removes duplicates, UNION ALL keeps them.
    KxGProjection viewColumns;
    viewColumns.AddColumn(oid);
    viewColumns.AddColumn(name);
    for (uint16_t all : {0, 1}) {
        KxGSelectStatementTemplate target;
        KxGSelectStatementTemplate part{KxString("SELECT OID, NAME FROM S.PERSON")};
        ASSERT_EQ(info_->Union(part, all, target), 0);
        ASSERT_EQ(info_->Union(part, all, target), 0);
        const char* viewName = all != 0 ? "VPERSON_ALL" : "VPERSON";
        std::unique_ptr<KxGCreateStatementTemplate> view(
            info_->CreateView(KxGQualifiedIdentity(KxString(viewName), KxString("S")), viewColumns, target));
        ASSERT_TRUE(view);
        ASSERT_EQ(Exec(view.get()), 1) << view->GetSQLText().StrGet() << "\n" << db_->GetError()->Text();
        EXPECT_EQ(One(std::string("SELECT COUNT(*) FROM S.") + viewName), all != 0 ? "4" : "2");
        if (all != 0) {
            Run(info_->DropView(*view));
        }
    }

    // Grants to the schema user's role: the gateway's tables must exist.
    for (const char* gatewayTable : {"OPTIONREGISTRY", "ROOTBLOCK", "SURROGATES", "KELVOX_CLASSES", "KELVOX_MEMBERS",
                                     "KELVOX_INDEXES"}) {
        KxGExtendedProjection columns = Projection(gatewayTable, {Column("ID", 6, 0, KXG_COLUMN_KEY)});
        Run(info_->CreateTable(KxGQualifiedIdentity(KxString(gatewayTable), KxString("S")), columns));
    }
    OwnedList locks;
    info_->CreateLocks(KxString("S"), locks);
    RunAll(locks);
    std::unique_ptr<KxGCreateStatementTemplate> view(
        info_->CreateView(KxGQualifiedIdentity(KxString("VNAMES"), KxString("S")), viewColumns,
                          KxGSelectStatementTemplate(KxString("SELECT OID, NAME FROM S.PERSON"))));
    ASSERT_TRUE(view);
    ASSERT_EQ(Exec(view.get()), 1) << db_->GetError()->Text();
    KxGCreateStatementTemplate* tables[] = {table.get(), nullptr};
    KxGCreateStatementTemplate* views[] = {view.get(), nullptr};
    OwnedList grants;
    info_->CreateRole(KxString("S_USER"), grants);
    info_->Grants(KxString("S"), KxString("S_USER"), tables, views, grants);
    RunAll(grants);
    sqlengine::Error err;
    ASSERT_TRUE(server_->GrantRole("U", "S_USER", err)) << err.message;
    EXPECT_EQ(server_->ObjectPrivilege("U", "S", "PERSON", "UPDATE"), 2);
    EXPECT_EQ(server_->ObjectPrivilege("U", "S", "VNAMES", "SELECT"), 2);
    EXPECT_EQ(server_->ObjectPrivilege("U", "S", "VNAMES", "UPDATE"), 1);
    EXPECT_EQ(server_->ObjectPrivilege("U", "S", "KELVOX_INDEXES", "DELETE"), 2);
    EXPECT_EQ(server_->ObjectPrivilege("U", "S", "ACQUIRE_LOCK", "EXECUTE"), 2);

    // Date and time columns of an old schema are brought to their normal form.
    OwnedList fixups;
    for (const KxGColumn* column : {&oid, &name, &born, &wake}) {
        info_->TimeFixup(*column, KxGQualifiedIdentity(KxString("PERSON"), KxString("S")), fixups);
    }
    ASSERT_EQ(fixups.Count(), 2u);
    RunAll(fixups);
    Commit();
    EXPECT_EQ(Rows("SELECT TO_CHAR(BORN, 'yyyy-mm-dd hh24:mi:ss'), TO_CHAR(WAKE, 'yyyy-mm-dd hh24:mi:ss') FROM "
                   "S.PERSON ORDER BY OID"),
              (std::vector<std::vector<std::string>>{{"2024-05-06 00:00:00", "1900-01-01 13:14:15"}, {"NULL", "NULL"}}));

    // And everything goes again.
    Run(info_->DropView(*view));
    Run(info_->DropIndex2(*index));
    Run(info_->DropTable2(*table));
    OwnedList dropRole;
    info_->DropRole(KxString("S_USER"), dropRole);
    RunAll(dropRole);
    EXPECT_FALSE(server_->RoleExists("S_USER"));
    EXPECT_EQ(One(exists.StrGet()), "0");
}

TEST_F(DialectOnServer, SchemaEvolutionStatementsRun)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Column("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& age = Column("AGE", 6);
    const KxGColumn& name = Column("NAME", 11, 40);
    KxGExtendedProjection person = Projection("PERSON", {oid, cid, age, name});
    Run(info_->CreateTable(KxGQualifiedIdentity(KxString("PERSON"), KxString("S")), person));
    Run("INSERT INTO S.PERSON (OID, CID, AGE, NAME) VALUES (1, 7, 2451545, 'Annabelle Lee')");
    Run("INSERT INTO S.PERSON (OID, CID, AGE, NAME) VALUES (2, 8, 2451546, 'Bob')");

    // New columns, filled by conversion for class 7 only, then the old ones dropped.
    const KxGColumn& age2 = Column("AGE2V1", 12);
    const KxGColumn& name2 = Column("NAME2V1", 11, 8);
    Run(info_->AlterAdd(Projection("PERSON", {age2, name2})));
    Run(info_->UpdateByCid(Projection("PERSON", {age, name}), Projection("PERSON", {age2, name2}), 7));
    Commit();
    EXPECT_EQ(Rows("SELECT TO_CHAR(AGE2V1, 'yyyy-mm-dd'), NAME2V1 FROM S.PERSON ORDER BY OID"),
              (std::vector<std::vector<std::string>>{{"2000-01-01", "Annabell"}, {"NULL", "NULL"}}));
    Run(info_->AlterDrop(Projection("PERSON", {age, name})));

    // Rows of class 8 copied into a new table, with an added column.
    const KxGColumn& nick = Column("NICK", 11, 8);
    Run(info_->CreateTable(KxGQualifiedIdentity(KxString("PERSON2"), KxString("S")),
                           Projection("PERSON2", {oid, cid, age2, nick})));
    KxGColumnList added;
    added.AddColumn(const_cast<KxGColumn*>(&name2));
    Run(info_->InsertSelectByCid(Projection("PERSON2", {oid, cid, age2, nick}), Projection("PERSON", {oid, cid, age2}),
                                 added, 7));
    Run(info_->DeleteByCid(KxGQualifiedIdentity(KxString("PERSON"), KxString("S")), 7));
    Commit();
    EXPECT_EQ(Rows("SELECT OID, CID, NICK FROM S.PERSON2"), (std::vector<std::vector<std::string>>{{"1", "7", "Annabell"}}));
    EXPECT_EQ(Rows("SELECT OID FROM S.PERSON"), (std::vector<std::vector<std::string>>{{"2"}}));
    Run(info_->DropTable(KxGQualifiedIdentity(KxString("PERSON2"), KxString("S"))));
}

TEST_F(DialectOnServer, ClassFiltersFindClassNumbersAbove32767)
{
    // The class-id handler stores class 65400 as the signed 16-bit value -136; class 5 stays 5.
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Column("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& n = Column("N", 6);
    const KxGColumn& n2 = Column("N2", 6);
    Run(info_->CreateTable(KxGQualifiedIdentity(KxString("HIGH"), KxString("S")), Projection("HIGH", {oid, cid, n})));
    Run(info_->CreateTable(KxGQualifiedIdentity(KxString("HIGH2"), KxString("S")), Projection("HIGH2", {oid, cid, n})));
    Run("INSERT INTO S.HIGH (OID, CID, N) VALUES (1, -136, 10)");
    Run("INSERT INTO S.HIGH (OID, CID, N) VALUES (2, 5, 20)");
    Run(info_->AlterAdd(Projection("HIGH", {n2})));

    Run(info_->UpdateByCid(Projection("HIGH", {n}), Projection("HIGH", {n2}), 65400));
    Run(info_->InsertSelectByCid(Projection("HIGH2", {oid, cid, n}), Projection("HIGH", {oid, cid, n}), KxGColumnList(),
                                 65400));
    Commit();
    EXPECT_EQ(Rows("SELECT OID, N2 FROM S.HIGH ORDER BY OID"), (std::vector<std::vector<std::string>>{{"1", "10"}, {"2", "0"}}));
    EXPECT_EQ(Rows("SELECT OID, CID FROM S.HIGH2"), (std::vector<std::vector<std::string>>{{"1", "-136"}}));

    // A negative class number still means every row for the two copying filters.
    Run(info_->UpdateByCid(Projection("HIGH", {n}), Projection("HIGH", {n2}), -1));
    Commit();
    EXPECT_EQ(One("SELECT COUNT(*) FROM S.HIGH WHERE N2 = N"), "2");

    Run(info_->DeleteByCid(KxGQualifiedIdentity(KxString("HIGH"), KxString("S")), 65400));
    Commit();
    EXPECT_EQ(Rows("SELECT OID FROM S.HIGH"), (std::vector<std::vector<std::string>>{{"2"}}));
}

TEST_F(DialectOnServer, ShadowTriggerKeepsAShadowTableWithOtherColumnOrderInStep)
{
    const KxGColumn& oid = Column("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Column("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& wheels = Column("WHEELS", 6);
    const KxGColumn& make = Column("MAKE", 11, 20);
    const KxGColumn& wheels2 = Column("WHEELS2V0", 6);
    const KxGColumn& extra = Column("EXTRA", 11, 20);
    Run(info_->CreateTable(KxGQualifiedIdentity(KxString("CAR"), KxString("S")), Projection("CAR", {oid, cid, wheels, make})));
    // The shadow's columns stand in another order and it has one more.
    Run(info_->CreateTable(KxGQualifiedIdentity(KxString("VEHICLE"), KxString("S")),
                           Projection("VEHICLE", {make, extra, cid, wheels2, oid})));

    KxGColumnList keys;
    keys.AddColumn(const_cast<KxGColumn*>(&oid));
    keys.AddColumn(const_cast<KxGColumn*>(&cid));
    KxGColumnList sourceMembers;
    sourceMembers.AddColumn(const_cast<KxGColumn*>(&wheels));
    sourceMembers.AddColumn(const_cast<KxGColumn*>(&make));
    KxGColumnList shadowMembers;
    shadowMembers.AddColumn(const_cast<KxGColumn*>(&wheels2));
    shadowMembers.AddColumn(const_cast<KxGColumn*>(&make));
    std::unique_ptr<KxGCreateStatementTemplate> trigger(
        info_->ShadowTrigger(KxGQualifiedIdentity(KxString("CAR"), KxString("S")),
                             KxGQualifiedIdentity(KxString("VEHICLE"), KxString("S")), 12, keys, keys, sourceMembers,
                             shadowMembers));
    ASSERT_TRUE(trigger);
    ASSERT_EQ(Exec(trigger.get()), 1) << trigger->GetSQLText().StrGet() << "\n" << db_->GetError()->Text();

    Run("INSERT INTO S.CAR (OID, CID, WHEELS, MAKE) VALUES (1, 12, 4, 'Volvo')");
    Run("INSERT INTO S.CAR (OID, CID, WHEELS, MAKE) VALUES (2, 12, 3, 'Reliant')");
    Run("UPDATE S.CAR SET WHEELS = 6 WHERE OID = 1");
    Run("DELETE FROM S.CAR WHERE OID = 2");
    Commit();
    EXPECT_EQ(Rows("SELECT OID, CID, WHEELS2V0, MAKE, EXTRA FROM S.VEHICLE"),
              (std::vector<std::vector<std::string>>{{"1", "12", "6", "Volvo", "NULL"}}));

    Run(info_->DropTrigger(*trigger));
    Run("DELETE FROM S.CAR WHERE OID = 1");
    Commit();
    EXPECT_EQ(One("SELECT COUNT(*) FROM S.VEHICLE"), "1");
}

}  // namespace
