// Statement templates: texts built through the dialect, values written into the text, the statements
// they make and how they bind a request's buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGOrder.h"
#include "KxGProjection.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "StatementTestSupport.h"

namespace {

// Columns of a table PERSON: keys OID (ordering) and CID, then NAME, AGE, and a second-list column RANK
// that orders too.
class Columns {
public:
    Columns()
        : oid_(KxString("OID"), 15, 0, KXG_COLUMN_KEY), cid_(KxString("CID"), 16), rank_(KxString("RANK"), 2, 0, KXG_COLUMN_KEY),
          name_(KxString("NAME"), 11, 40), age_(KxString("AGE"), 2)
    {
        keys.AddColumn(&oid_);
        keys.AddColumn(&cid_);
        second.AddColumn(&rank_);
        values.AddColumn(&name_);
        values.AddColumn(&age_);
    }
    KxGTable table{KxString("PERSON"), KxString("S")};
    KxGColumnList keys, second, values, none;

private:
    KxGColumn oid_, cid_, rank_, name_, age_;
};

TEST(StatementTemplateText, TextsComeFromTheDialectInClauseOrder)
{
    TestDialect d;
    Columns c;
    KxGProjection projection(c.table);
    projection.AddColumn(KxGColumn(KxString("NAME")));
    KxGExtendedProjection setList(c.table);
    KxGColumn name(KxString("NAME"));
    setList.AddColumn(name);
    KxGCondition condition;
    condition.AddCondition(KxString("AGE > 3"));
    KxGOrder order;
    order.AddOrder(KxGColumn(KxString("NAME")), KXG_SORT_DESCENDING, 0);

    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {Str(KxGSelectStatementTemplate(projection, d).GetSQLText()), "SELECT NAME FROM S.PERSON"},
        {Str(KxGSelectStatementTemplate(projection, condition, d).GetSQLText()),
         "SELECT NAME FROM S.PERSON WHERE AGE > 3"},
        {Str(KxGSelectStatementTemplate(projection, condition, order, d).GetSQLText()),
         "SELECT NAME FROM S.PERSON WHERE AGE > 3 ORDER BY NAME DESC"},
        {Str(KxGInsertStatementTemplate(projection, d).GetSQLText()), "INSERT INTO S.PERSON (NAME) VALUES (:1)"},
        {Str(KxGInsertStatementTemplate(c.table, c.keys, c.second, c.values, d).GetSQLText()),
         "INSERT INTO S.PERSON (OID,CID,RANK,NAME,AGE) VALUES (:1,:2,:3,:4,:5)"},
        {Str(KxGUpdateStatementTemplate(setList, d).GetSQLText()), "UPDATE S.PERSON SET NAME = :1"},
        {Str(KxGUpdateStatementTemplate(setList, condition, d).GetSQLText()),
         "UPDATE S.PERSON SET NAME = :1 WHERE AGE > 3"},
        // Key markers number on from the set columns; the second list is not used.
        {Str(KxGUpdateStatementTemplate(c.table, c.keys, c.second, c.values, d).GetSQLText()),
         "UPDATE S.PERSON SET NAME = :1, AGE = :2 WHERE OID = :3 AND CID = :4"},
        {Str(KxGDeleteStatementTemplate(projection, d).GetSQLText()), "DELETE FROM S.PERSON"},
        {Str(KxGDeleteStatementTemplate(projection, condition, d).GetSQLText()),
         "DELETE FROM S.PERSON WHERE AGE > 3"},
        {Str(KxGDeleteStatementTemplate(c.table, c.keys, c.second, c.values, d).GetSQLText()),
         "DELETE FROM S.PERSON WHERE OID = :1 AND CID = :2"},
        // Ordered by the ordering columns of the keys, then of the second list.
        {Str(KxGNavigationStatementTemplate(c.table, c.keys, c.second, c.values, d, 0).GetSQLText()),
         "SELECT OID,CID,RANK,NAME,AGE FROM S.PERSON WHERE OID = :1 AND CID = :2 ORDER BY OID, RANK"},
        {Str(KxGNavigationStatementTemplate(c.table, c.keys, c.none, c.values, d, 1).GetSQLText()),
         "SELECT OID,CID,NAME,AGE FROM S.PERSON WHERE OID = :1 AND CID = :2 ORDER BY OID FOR UPDATE"},
        {Str(KxGStatementTemplate(KxString("COMMIT")).GetSQLText()), "COMMIT"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, c.expected);
    }
}

TEST(StatementTemplateText, UpdateWithoutSetColumnsMakesNoStatement)
{
    TestDialect d;
    TestDatabase db(2);
    Columns c;
    KxGUpdateStatementTemplate update(c.table, c.keys, c.second, c.none, d);
    EXPECT_TRUE(update.IsEmpty());
    EXPECT_EQ(update.CreateStatement(&db), nullptr);
    EXPECT_EQ(KxGStoreStatementTemplate().CreateStatement(&db), nullptr);
}

TEST(StatementTemplateText, NavigationManyPutsForUpdateBehindTheClosedIdList)
{
    TestDialect d;
    Columns c;
    KxGNavigationManyStatementTemplate locked(c.table, c.keys, c.none, c.values, d, 1);
    EXPECT_TRUE(locked.IsEmpty());
    EXPECT_EQ(Str(locked.GetIdListPrefix()), "SELECT OID,CID,NAME,AGE FROM S.PERSON WHERE  OID IN (");
    EXPECT_EQ(Str(locked.GetForUpdateText()), " FOR UPDATE");

    KxGNavigationManyStatementTemplate use(locked);   // the owner completes a copy for each use
    use.CompleteText(KxString("1,2,4294967298"));
    EXPECT_EQ(Str(use.GetSQLText()),
              "SELECT OID,CID,NAME,AGE FROM S.PERSON WHERE  OID IN (1,2,4294967298) FOR UPDATE");
    EXPECT_TRUE(locked.IsEmpty());

    KxGNavigationManyStatementTemplate plain(c.table, c.keys, c.none, c.values, d, 0);
    plain.CompleteText(KxString("5"));
    EXPECT_EQ(Str(plain.GetSQLText()), "SELECT OID,CID,NAME,AGE FROM S.PERSON WHERE  OID IN (5)");
}

TEST(StatementTemplateText, CreateTemplateKeepsWhatItCreates)
{
    KxGCreateStatementTemplate create(KxGQualifiedIdentity(KxString("PERSON"), KxString("S")),
                                      KxString("CREATE TABLE S.PERSON (OID INTEGER)"));
    KxGCreateStatementTemplate copy(create);
    EXPECT_EQ(Str(copy.GetIdentity().GetQualifiedName()), "S.PERSON");
    EXPECT_EQ(Str(copy.GetSQLText()), "CREATE TABLE S.PERSON (OID INTEGER)");
    EXPECT_EQ(create.GetSelectTemplate(), nullptr);
}

TEST(StatementTemplateBindParameter, ReplacesTheMarkerOfThePositionOnly)
{
    TestDialect d;
    struct Case {
        const char* text;
        const char* value;
        int16_t position;
        uint16_t result;
        const char* expected;
    } cases[] = {
        {"A = :1 AND B = :10", "x", 1, 1, "A = x AND B = :10"},
        {"B = :10 AND A = :1", "x", 1, 1, "B = :10 AND A = x"},          // not the prefix of :10
        {"B = :10 AND A = :1", "y", 10, 1, "B = y AND A = :1"},
        {"B = :10 AND C = :11", "x", 1, 0, "B = :10 AND C = :11"},       // only longer markers
        {"A = :1 AND B = :1", "x", 1, 1, "A = x AND B = :1"},            // the first occurrence
        {"A = :1", "x", 0, 0, "A = :1"},
        {"A = :1", "x", -1, 0, "A = :1"},
        {"A = :2", "x", 1, 0, "A = :2"},
        {"", "x", 1, 0, ""},
        {"NAME = :1", "'a\"b'", 1, 1, "NAME = 'a\"b'"},                  // the value unchanged
        {"A = :1", "", 1, 1, "A = "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        KxGStatementTemplate t{KxString(c.text)};
        const uint64_t id = t.GetTemplateId();
        EXPECT_EQ(t.BindParameter(KxString(c.value), c.position, d), c.result);
        EXPECT_EQ(Str(t.GetSQLText()), c.expected);
        EXPECT_EQ(t.GetTemplateId() != id, c.result == 1);   // a changed text is a new statement
    }
}

// ---- BindBuffers ------------------------------------------------------------------------------------

// A request view whose binders log their calls and answer scripted results.
class FakeRequest : public KxGBindRequest {
public:
    class Binder : public KxGBufferMapBinder, public KxGMemberMapBinder {
    public:
        Binder(FakeRequest& request, std::string name, int bound) : request_(request), name_(std::move(name)), bound_(bound) {}
        int32_t BindParameters(KxGStatement&, KxGBindRequest&, uint16_t mode, uint16_t& position) override
        {
            return Log("params(" + std::to_string(mode) + ")@", position);
        }
        int32_t BindResults(KxGSelectStatement&, KxGBindRequest&, uint16_t mode, uint16_t& column) override
        {
            return Log("results(" + std::to_string(mode) + ")@", column);
        }
        int32_t BindParameters(KxGStatement&, KxGBindRequest&, uint16_t& position) override
        {
            return Log("params@", position);
        }
        int32_t BindResults(KxGSelectStatement&, KxGBindRequest&, uint16_t& column) override
        {
            return Log("results@", column);
        }
        int32_t result = 0;

    private:
        int32_t Log(const std::string& what, uint16_t& position)
        {
            request_.calls.push_back(name_ + "." + what + std::to_string(position));
            position = static_cast<uint16_t>(position + bound_);
            return result;
        }
        FakeRequest& request_;
        std::string name_;
        int bound_;
    };

    FakeRequest() : buffer(8)
    {
        buffer.Allocate(5);
    }
    KxGSQLBuffer* GetRowBuffer() override { return hasBuffer ? &buffer : nullptr; }
    uint32_t GetFetchSize() override { return fetchSize; }
    KxGBufferMapBinder* GetBufferMapBinder() override { return &classMap; }
    uint32_t GetMemberMapBinderCount() override { return 2; }
    KxGMemberMapBinder* GetMemberMapBinder(uint32_t index) override { return index == 0 ? &m1 : &m2; }

    std::vector<std::string> calls;
    KxGSQLBuffer buffer;
    bool hasBuffer = true;
    uint32_t fetchSize = 0;
    Binder classMap{*this, "class", 2};   // binds two id columns
    Binder m1{*this, "m1", 1};
    Binder m2{*this, "m2", 3};
};

using Calls = std::vector<std::string>;

TEST(StatementTemplateBindBuffers, EachKindBindsInItsOrderWithSharedPositions)
{
    TestDatabase db(4);
    TestDialect& d = db.Dialect();
    Columns c;
    KxGInsertStatementTemplate insert(c.table, c.keys, c.none, c.values, d);
    KxGUpdateStatementTemplate update(c.table, c.keys, c.none, c.values, d);
    KxGDeleteStatementTemplate remove(c.table, c.keys, c.none, c.none, d);
    KxGNavigationStatementTemplate navigation(c.table, c.keys, c.none, c.values, d, 0);
    KxGNavigationManyStatementTemplate many(c.table, c.keys, c.none, c.values, d, 0);
    many.CompleteText(KxString("1,2"));
    KxGSelectStatementTemplate select(KxString("SELECT 1"));

    struct Case {
        KxGStatementTemplate* statementTemplate;
        Calls expected;
    } cases[] = {
        {&insert, {"class.params(255)@1", "m1.params@3", "m2.params@4"}},
        {&update, {"m1.params@1", "m2.params@2", "class.params(1)@5"}},
        {&remove, {"class.params(1)@1"}},
        {&navigation, {"class.params(1)@1", "class.results(255)@1", "m1.results@3", "m2.results@4"}},
        {&many, {"class.results(255)@1", "m1.results@3", "m2.results@4"}},
        {&select, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(Str(k.statementTemplate->GetSQLText()));
        FakeRequest request;
        std::unique_ptr<KxGStatement> statement(k.statementTemplate->CreateStatement(&db));
        ASSERT_NE(statement, nullptr);
        EXPECT_EQ(k.statementTemplate->BindBuffers(statement.get(), &request), 0);
        EXPECT_EQ(request.calls, k.expected);
        if (auto* s = dynamic_cast<KxGSelectStatement*>(statement.get())) {
            EXPECT_EQ(s->GetRowsPerFetch(), k.expected.empty() ? 0u : 5u);
        } else {
            EXPECT_EQ(statement->GetRowCount(), 5u);
        }
    }
}

TEST(StatementTemplateBindBuffers, StopsAtTheFirstNonZeroResult)
{
    TestDatabase db(4);
    Columns c;
    KxGInsertStatementTemplate insert(c.table, c.keys, c.none, c.values, db.Dialect());
    KxGNavigationStatementTemplate navigation(c.table, c.keys, c.none, c.values, db.Dialect(), 0);

    FakeRequest request;
    request.m1.result = -6094;
    std::unique_ptr<KxGStatement> statement(insert.CreateStatement(&db));
    EXPECT_EQ(insert.BindBuffers(statement.get(), &request), -6094);
    EXPECT_EQ(request.calls, (Calls{"class.params(255)@1", "m1.params@3"}));

    FakeRequest warned;
    warned.classMap.result = 17;   // a positive result stops too and is returned
    warned.fetchSize = 2;
    std::unique_ptr<KxGStatement> select(navigation.CreateStatement(&db));
    EXPECT_EQ(navigation.BindBuffers(select.get(), &warned), 17);
    EXPECT_EQ(warned.calls, (Calls{"class.params(1)@1"}));
    EXPECT_EQ(static_cast<KxGSelectStatement*>(select.get())->GetRowsPerFetch(), 2u);   // the fetch size
}

TEST(StatementTemplateBindBuffers, WithoutHandleOrBuffer)
{
    TestDatabase db(4);
    Columns c;
    KxGDeleteStatementTemplate remove(c.table, c.keys, c.none, c.none, db.Dialect());
    KxGNavigationStatementTemplate navigation(c.table, c.keys, c.none, c.values, db.Dialect(), 0);

    FakeRequest noBuffer;
    noBuffer.hasBuffer = false;
    std::unique_ptr<KxGStatement> statement(remove.CreateStatement(&db));
    EXPECT_EQ(remove.BindBuffers(statement.get(), &noBuffer), 0);
    EXPECT_TRUE(noBuffer.calls.empty());
    statement->Free();   // the handle now waits in the cache for this template

    TestDatabase noHandles(4);
    noHandles.failPrepare = true;
    for (KxGStatementTemplate* t : {static_cast<KxGStatementTemplate*>(&remove),
                                    static_cast<KxGStatementTemplate*>(&navigation)}) {
        FakeRequest request;
        std::unique_ptr<KxGStatement> s(t->CreateStatement(&noHandles));
        EXPECT_EQ(t->BindBuffers(s.get(), &request), KXG_E_NO_STATEMENT_HANDLE);
        EXPECT_TRUE(request.calls.empty());
    }
    FakeRequest request;
    EXPECT_EQ(remove.BindBuffers(nullptr, &request), KXG_E_NO_STATEMENT_HANDLE);
    // A store statement offered to a reading template cannot take results.
    KxGStoreStatement store(&db, &navigation, 1);
    EXPECT_EQ(navigation.BindBuffers(&store, &request), KXG_E_NO_STATEMENT_HANDLE);
}

TEST(StatementTemplateList, ClearAllDeletesTheTemplates)
{
    KxGStatementTemplateList list;
    list.Append(new CountedSelectTemplate("A"));
    list.Append(new CountedSelectTemplate("B"));
    const int alive = CountedSelectTemplate::alive.load();
    list.ClearAll();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(CountedSelectTemplate::alive.load(), alive - 2);
}

}  // namespace
