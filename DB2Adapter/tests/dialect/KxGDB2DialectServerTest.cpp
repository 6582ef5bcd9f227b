// The DDL and statements of the DB2 dialect executed on the DB2 call-level interface over the
// embedded engine: the lock tables and triggers with clients in conflict, class tables with their
// index and view, schema evolution, unions and the shadow-table triggers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DB2DialectTestSupport.h"
#include "Db2Fixture.h"
#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGDB2DatabaseInfo.h"
#include "KxGProjection.h"
#include "KxGStatementTemplate.h"

namespace {

using db2dialect::DB2TypesDatabase;
using db2dialect::DialectDatabase;
using db2dialect::NamingConvMgr;
using db2dialect::OwnedList;
using db2dialect::Str;

// A parameter value: a number, or a text when `text` is set.
struct Param {
    SQLINTEGER number = 0;
    const char* text = nullptr;
};

class DB2DialectServer : public db2test::Db2Test {
protected:
    DB2DialectServer() : database_("GWDB"), info_(&database_, std::make_unique<NamingConvMgr>()) {}

    const KxGColumn& Col(const char* name, uint16_t type, uint32_t size = 0, uint8_t flags = 0, uint8_t kind = 0)
    {
        columns_.push_back(std::make_unique<KxGColumn>(KxString(name), type, size, flags, kind));
        return *columns_.back();
    }

    KxGExtendedProjection Projection(const char* table,
                                     std::initializer_list<std::reference_wrapper<const KxGColumn>> columns)
    {
        KxGExtendedProjection projection{KxGQualifiedIdentity(KxString(table), KxString("GWDB"))};
        for (const KxGColumn& column : columns) {
            projection.AddColumn(column);
        }
        return projection;
    }

    // Executes a template's text; the template is deleted.
    void ExecTemplate(KxGStatementTemplate* statement)
    {
        std::unique_ptr<KxGStatementTemplate> owned(statement);
        ASSERT_TRUE(owned);
        Exec(Str(owned->GetSQLText()));
    }

    void ExecList(const OwnedList& list)
    {
        for (const std::string& text : list.Texts()) {
            Exec(text);
        }
    }

    // Prepares the text, binds the values in order and executes; the SQLSTATE ("" on success).
    std::string ExecWith(const std::string& sql, const std::vector<Param>& params)
    {
        SQLHSTMT s = NewStmt();
        EXPECT_EQ(SQLPrepare(s, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_SUCCESS) << sql << ": " << Diag(SQL_HANDLE_STMT, s).text;
        std::vector<SQLLEN> indicators(params.size(), SQL_NTS);
        for (size_t i = 0; i < params.size(); ++i) {
            const Param& p = params[i];
            const SQLUSMALLINT position = static_cast<SQLUSMALLINT>(i + 1);
            if (p.text != nullptr) {
                EXPECT_EQ(SQLBindParameter(s, position, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 40, 0,
                                           (SQLPOINTER)p.text, 41, &indicators[i]),
                          SQL_SUCCESS);
            } else {
                EXPECT_EQ(SQLBindParameter(s, position, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 4, 0,
                                           (SQLPOINTER)&p.number, 4, nullptr),
                          SQL_SUCCESS);
            }
        }
        const SQLRETURN rc = SQLExecute(s);
        const std::string state = rc == SQL_SUCCESS || rc == SQL_NO_DATA ? "" : Diag(SQL_HANDLE_STMT, s).state;
        SQLFreeHandle(SQL_HANDLE_STMT, s);
        return state;
    }

    std::vector<std::string> Rows(const KxString& sql) { return Column(Str(sql)); }

    DialectDatabase database_;
    KxGDB2DatabaseInfo info_;
    std::vector<std::unique_ptr<KxGColumn>> columns_;
};

TEST_F(DB2DialectServer, LockTriggerRefusesConflictsWhileSharedLocksAreHeldByManyClients)
{
    OwnedList create;
    info_.CreateLocks(KxString("GWDB"), create);
    ASSERT_NO_FATAL_FAILURE(ExecList(create));
    for (int client : {1, 2, 3}) {
        Exec("INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID) VALUES (" +
             std::to_string(client) + ", 'c', " + std::to_string(client) + ")");
    }
    Exec("INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID) VALUES (2, 'pool', 7)");
    const std::string insert = "INSERT INTO GWDB.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (?, ?, ?)";

    // Requests in order: object, mode, client, and the SQLSTATE expected ("" accepted).
    const struct {
        SQLINTEGER oid;
        SQLINTEGER mode;
        SQLINTEGER client;
        const char* state;
    } requests[] = {
        {10, 2100, 1, ""},
        {10, 2100, 2, ""},       // two clients share the object
        {10, 4116, 3, "KX041"},  // against both shared locks at once
        {10, 1142, 3, ""},       // below the threshold of 8196
        {10, 4116, 1, "KX041"},  // the other client's shared lock still counts
        {11, 4116, 1, ""},
        {11, 2100, 2, "KX041"},
        {11, 5, 2, "KX041"},     // any other mode conflicts with every lock
        {11, 2100, 1, ""},       // a client never conflicts with itself
        {12, 5, 3, ""},
    };
    for (const auto& r : requests) {
        EXPECT_EQ(ExecWith(insert, {{r.oid}, {r.mode}, {r.client}}), r.state)
            << r.oid << " " << r.mode << " " << r.client;
    }
    EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.LOCKS WHERE CLIENTID = 2"), std::vector<std::string>{"1"});

    // A pool connection's row leaves the client's locks; the client's own row releases them.
    Exec("DELETE FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = 2 AND CONNECTION_ID = 7");
    EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.LOCKS WHERE CLIENTID = 2"), std::vector<std::string>{"1"});
    Exec("DELETE FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = 2");
    EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.LOCKS WHERE CLIENTID = 2"), std::vector<std::string>{"0"});
    EXPECT_EQ(ExecWith(insert, {{10}, {4116}, {3}}), "KX041");  // client 1 still shares object 10
    Exec("DELETE FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = 1");
    EXPECT_EQ(ExecWith(insert, {{10}, {4116}, {3}}), "");

    KxString exists;
    info_.TableExists(KxGQualifiedIdentity(KxString("LOCKS"), KxString("GWDB")), exists);
    EXPECT_EQ(Rows(exists), std::vector<std::string>{"1"});
    OwnedList drop;
    info_.DropHelpers(KxString("GWDB"), drop);
    ASSERT_NO_FATAL_FAILURE(ExecList(drop));
    EXPECT_EQ(Rows(exists), std::vector<std::string>{"0"});

    // The registration table alone.
    ExecTemplate(info_.CreateActiveClients(KxString("GWDB")));
    Exec("INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID) VALUES (4)");
    EXPECT_EQ(Column("SELECT CONNECTION_ID FROM GWDB.ACTIVECLIENTS"), std::vector<std::string>{"0"});
}

TEST_F(DB2DialectServer, ClassTableIndexViewAndDataStatements)
{
    const KxGColumn& oid = Col("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Col("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& name = Col("NAME", 11, 40, 0, 1);
    const KxGColumn& age = Col("AGE", 6);
    const KxGQualifiedIdentity table(KxString("PERSON"), KxString("GWDB"));
    KxGExtendedProjection person = Projection("PERSON", {oid, cid, name, age});

    std::unique_ptr<KxGCreateStatementTemplate> created(info_.CreateTable(table, person));
    ASSERT_TRUE(created);
    ASSERT_NO_FATAL_FAILURE(Exec(Str(created->GetSQLText())));
    std::unique_ptr<KxGCreateStatementTemplate> index(info_.CreateIndex(
        KxGQualifiedIdentity(KxString("PERSON_IX"), KxString("GWDB")), Projection("PERSON", {name, age}), 1));
    ASSERT_TRUE(index);
    ASSERT_NO_FATAL_FAILURE(Exec(Str(index->GetSQLText())));

    KxString insert;
    info_.Insert(person, insert);
    EXPECT_EQ(ExecWith(Str(insert), {{1}, {5}, {0, "ann"}, {30}}), "");
    EXPECT_EQ(ExecWith(Str(insert), {{2}, {5}, {0, "bob"}, {40}}), "");
    EXPECT_EQ(ExecWith(Str(insert), {{3}, {6}, {0, "it's"}, {50}}), "");
    EXPECT_EQ(ExecWith(Str(insert), {{4}, {6}, {0, "ann"}, {30}}), "23505");  // the unique index

    KxString update;
    info_.Update(Projection("PERSON", {age}), update);
    info_.Where(KxString("OID = ?"), update);
    EXPECT_EQ(ExecWith(Str(update), {{41}, {2}}), "");

    // A view of a select, a where and an order built by the dialect.
    KxString select;
    info_.Select(Projection("PERSON", {oid, name}), select);
    info_.Where(KxString("CID = 5"), select);
    KxGSelectStatementTemplate selectTemplate{select};
    std::unique_ptr<KxGCreateStatementTemplate> view(info_.CreateView(
        KxGQualifiedIdentity(KxString("VPERSON"), KxString("GWDB")), Projection("VPERSON", {oid, name}),
        selectTemplate));
    ASSERT_TRUE(view);
    ASSERT_NO_FATAL_FAILURE(Exec(Str(view->GetSQLText())));
    KxString fromView;
    info_.Select(Projection("VPERSON", {name}), fromView);
    info_.OrderBy(KxString("NAME DESC"), fromView);
    EXPECT_EQ(Rows(fromView), (std::vector<std::string>{"bob", "ann"}));

    // Unions of selects.
    KxGSelectStatementTemplate first{KxString("SELECT NAME FROM GWDB.PERSON WHERE AGE = 30")};
    KxGSelectStatementTemplate second{KxString("SELECT NAME FROM GWDB.PERSON WHERE OID = 1")};
    KxGSelectStatementTemplate distinct;
    ASSERT_EQ(info_.Union(first, 0, distinct), 0);
    ASSERT_EQ(info_.Union(second, 0, distinct), 0);
    EXPECT_EQ(Rows(distinct.GetSQLText()), std::vector<std::string>{"ann"});
    KxGSelectStatementTemplate all;
    ASSERT_EQ(info_.Union(first, 1, all), 0);
    ASSERT_EQ(info_.Union(second, 1, all), 0);
    EXPECT_EQ(Rows(all.GetSQLText()), (std::vector<std::string>{"ann", "ann"}));

    // Catalog look-ups, counts and class filters.
    KxString indexes;
    info_.IndexList(indexes);
    EXPECT_EQ(Rows(indexes), std::vector<std::string>{"PERSON_IX"});
    KxString count;
    info_.Count(table, count);
    EXPECT_EQ(Rows(count), std::vector<std::string>{"3"});
    ExecTemplate(info_.DeleteByCid(table, 6));
    EXPECT_EQ(Rows(count), std::vector<std::string>{"2"});
    KxString names;
    info_.Select(person, names);
    info_.Where(KxString(Str(info_.CompareNoCase(0x20, KxString("NAME"))).c_str()) << "= 'ann'", names);
    EXPECT_EQ(Rows(names), std::vector<std::string>{"1"});
    KxString remove;
    info_.Delete(person, remove);
    info_.Where(KxString("OID = ?"), remove);
    EXPECT_EQ(ExecWith(Str(remove), {{1}}), "");
    EXPECT_EQ(Rows(count), std::vector<std::string>{"1"});

    ExecTemplate(info_.DropView(*view));
    ExecTemplate(info_.DropIndex2(*index));
    EXPECT_TRUE(Rows(indexes).empty());
    ExecTemplate(info_.DropTable2(*created));
    KxString exists;
    info_.TableExists(table, exists);
    EXPECT_EQ(Rows(exists), std::vector<std::string>{"0"});
}

TEST_F(DB2DialectServer, SchemaEvolutionOnTheServer)
{
    const KxGColumn& oid = Col("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Col("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& age = Col("AGE", 11, 10, 0, 1);
    const KxGQualifiedIdentity table(KxString("PERSON"), KxString("GWDB"));
    ExecTemplate(info_.CreateTable(table, Projection("PERSON", {oid, cid, age})));
    Exec("INSERT INTO GWDB.PERSON (OID, CID, AGE) VALUES (1, 5, '30'), (2, 6, '40')");

    // Two columns added in one statement, then filled from the old column for one class.
    const KxGColumn& newAge = Col("AGE2V1", 6);
    const KxGColumn& nick = Col("NICK", 11, 10, 0, 1);
    ExecTemplate(info_.AlterAdd(Projection("PERSON", {newAge, nick})));
    ExecTemplate(info_.UpdateByCid(Projection("PERSON", {age}), Projection("PERSON", {newAge}), 5));
    EXPECT_EQ(Column("SELECT AGE2V1 FROM GWDB.PERSON ORDER BY OID"), (std::vector<std::string>{"30", "NULL"}));

    // A copy into a new version of the table, with an added column filled from the old one.
    const KxGColumn& oid2 = Col("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& years = Col("YEARS", 6);
    ExecTemplate(info_.CreateTable(KxGQualifiedIdentity(KxString("PERSON2"), KxString("GWDB")),
                                   Projection("PERSON2", {oid2, years})));
    KxGColumnList added;
    added.AddColumn(const_cast<KxGColumn*>(&age));
    ExecTemplate(info_.InsertSelectByCid(Projection("PERSON2", {oid2, years}), Projection("PERSON", {oid}), added, -1));
    EXPECT_EQ(Column("SELECT YEARS FROM GWDB.PERSON2 ORDER BY OID"), (std::vector<std::string>{"30", "40"}));
}

TEST_F(DB2DialectServer, ShadowTriggersKeepTheShadowTableInStep)
{
    // The shadow's columns stand in another order than the source's: the copy goes by name.
    Exec("CREATE TABLE GWDB.CAR (OID INTEGER NOT NULL, CID SMALLINT NOT NULL, WHEELS INTEGER, MAKE VARCHAR(20), "
         "PRIMARY KEY (OID))");
    Exec("CREATE TABLE GWDB.VEHICLE (MAKE VARCHAR(20), WHEELS2V0 INTEGER, VCID SMALLINT NOT NULL, "
         "VOID INTEGER NOT NULL, PRIMARY KEY (VOID))");
    KxGColumnList sourceKeys;
    KxGColumnList shadowKeys;
    KxGColumnList sourceMembers;
    KxGColumnList shadowMembers;
    sourceKeys.AddColumn(const_cast<KxGColumn*>(&Col("OID", 15)));
    sourceKeys.AddColumn(const_cast<KxGColumn*>(&Col("CID", 16)));
    shadowKeys.AddColumn(const_cast<KxGColumn*>(&Col("VOID", 15)));
    shadowKeys.AddColumn(const_cast<KxGColumn*>(&Col("VCID", 16)));
    sourceMembers.AddColumn(const_cast<KxGColumn*>(&Col("WHEELS", 6)));
    shadowMembers.AddColumn(const_cast<KxGColumn*>(&Col("WHEELS2V0", 6)));
    sourceMembers.AddColumn(const_cast<KxGColumn*>(&Col("MAKE", 11)));
    shadowMembers.AddColumn(const_cast<KxGColumn*>(&Col("MAKE", 11)));
    OwnedList triggers;
    info_.ShadowTriggers(KxGQualifiedIdentity(KxString("CAR"), KxString("GWDB")),
                         KxGQualifiedIdentity(KxString("VEHICLE"), KxString("GWDB")), 12, sourceKeys, shadowKeys,
                         sourceMembers, shadowMembers, triggers);
    ASSERT_NO_FATAL_FAILURE(ExecList(triggers));

    Exec("INSERT INTO GWDB.CAR (OID, CID, WHEELS, MAKE) VALUES (1, 12, 4, 'saab'), (2, 12, 3, 'reliant')");
    Exec("UPDATE GWDB.CAR SET WHEELS = 6 WHERE OID = 1");
    Exec("DELETE FROM GWDB.CAR WHERE OID = 2");
    EXPECT_EQ(Column("SELECT VOID || ':' || VCID || ':' || WHEELS2V0 || ':' || MAKE FROM GWDB.VEHICLE ORDER BY VOID"),
              std::vector<std::string>{"1:12:6:saab"});

    for (uint32_t i = 0; i < triggers.Count(); ++i) {
        auto* created = dynamic_cast<KxGCreateStatementTemplate*>(triggers.GetTemplate(i));
        ASSERT_NE(created, nullptr);
        ExecTemplate(info_.DropTrigger(*created));
    }
    Exec("INSERT INTO GWDB.CAR (OID, CID, WHEELS, MAKE) VALUES (3, 12, 2, 'vespa')");
    EXPECT_EQ(Column("SELECT COUNT(*) FROM GWDB.VEHICLE"), std::vector<std::string>{"1"});
}

// The column types of the DB2 type handlers and the conversions of the DB2 conversion manager.
TEST_F(DB2DialectServer, TablesOfEveryColumnTypeAndTheirConversions)
{
    DB2TypesDatabase db2("GWDB");
    KxGDB2DatabaseInfo info(&db2);
    ASSERT_NE(info.GetTypeConvHdlMgr(), nullptr);

    const KxGColumn& oid = Col("OID", 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    const KxGColumn& cid = Col("CID", 16, 0, KXG_COLUMN_NOT_NULL);
    const KxGColumn& code = Col("CODE", 11, 8);
    const KxGColumn& name = Col("NAME", 11, 40, 0, 1);
    const KxGColumn& note = Col("NOTE", 11, 0, 0, 2);
    const KxGColumn& count = Col("CNT", 6);
    const KxGColumn& small = Col("SMALL", 1);
    const KxGColumn& real = Col("REAL8", 3);
    const KxGColumn& born = Col("BORN", 12);
    const KxGColumn& wake = Col("WAKE", 13);
    const KxGColumn& seen = Col("SEEN", 19);
    const KxGColumn& big = Col("BIG", 26);
    const KxGColumn& data = Col("DATA", 18);
    const KxGQualifiedIdentity table(KxString("ALLTYPES"), KxString("GWDB"));
    std::unique_ptr<KxGCreateStatementTemplate> created(info.CreateTable(
        table,
        Projection("ALLTYPES", {oid, cid, code, name, note, count, small, real, born, wake, seen, big, data})));
    ASSERT_TRUE(created);
    ASSERT_NO_FATAL_FAILURE(Exec(Str(created->GetSQLText())));
    Exec("INSERT INTO GWDB.ALLTYPES (OID, CID, CODE, NAME, CNT) VALUES (1, 5, 'ab', '42', 7), (2, 6, 'cd', '43', 8)");

    // Columns added in one statement, then filled with converted values of one class.
    const KxGColumn& number = Col("NUMBER2V1", 6);
    const KxGColumn& text = Col("TEXT2V1", 11, 12, 0, 1);
    ExecTemplate(info.AlterAdd(Projection("ALLTYPES", {number, text})));
    ExecTemplate(info.UpdateByCid(Projection("ALLTYPES", {name, count}), Projection("ALLTYPES", {number, text}), 5));
    // The other class keeps the added columns' defaults.
    EXPECT_EQ(Column("SELECT NUMBER2V1 FROM GWDB.ALLTYPES ORDER BY OID"), (std::vector<std::string>{"42", "0"}));
    EXPECT_EQ(Column("SELECT RTRIM(TEXT2V1) FROM GWDB.ALLTYPES ORDER BY OID"), (std::vector<std::string>{"7", "NULL"}));

    ExecTemplate(info.DropTable2(*created));
}

}  // namespace
