// The query cache of extent templates, and the extent statement that borrows from it.
#include <gtest/gtest.h>

#include "KxGQueryCache.h"
#include "KxGStatement.h"
#include "StatementTestSupport.h"

namespace {

class QueryCacheTest : public ::testing::Test {
protected:
    void SetUp() override { baseline_ = CountedSelectTemplate::alive.load(); }
    int Alive() const { return CountedSelectTemplate::alive.load() - baseline_; }

    // Takes a template for the text through the cache as an extent scan does.
    static KxGSelectStatementTemplate* Take(KxGQueryCache& cache, const KxClassId& id, const char* text)
    {
        auto* candidate = new CountedSelectTemplate(text);
        KxGSelectStatementTemplate* got = cache.GetQueryTemplate(id, candidate);
        if (got != candidate) {
            delete candidate;
        }
        return got;
    }

    int baseline_ = 0;
};

// Handle-cache capacities 0 and 1 give a query cache without slots: every template handed back is
// deleted at once together with its prepared handle.
TEST_F(QueryCacheTest, WithoutSlotsEveryReturnedTemplateIsDeletedWithItsHandle)
{
    for (uint16_t capacity : {0, 1}) {
        SCOPED_TRACE(capacity);
        TestDatabase db(capacity);
        KxGQueryCache& cache = *db.Cache().GetQueryCache();
        EXPECT_EQ(cache.GetCapacity(), 0);
        KxClassId id(12, 1);

        KxGSelectStatementTemplate* t = Take(cache, id, "SELECT A");
        EXPECT_EQ(cache.GetCount(), 1);
        {
            KxGExtentStatement statement(&db, t, id);
            ASSERT_EQ(statement.Execute(), 1);
        }
        EXPECT_EQ(Alive(), 0);
        EXPECT_EQ(cache.GetCount(), 0);
        EXPECT_EQ(db.Log().Alive(), 0);
        EXPECT_EQ(db.Cache().GetLiveCount(), 0);

        KxGSelectStatementTemplate* again = Take(cache, id, "SELECT A");   // nothing kept
        EXPECT_EQ(cache.GetCount(), 1);
        cache.CacheQueryTemplate(id, again);
        EXPECT_EQ(Alive(), 0);
    }
}

TEST_F(QueryCacheTest, HitsOnlyTheSameClassNumberAndIdenticalText)
{
    TestDatabase db(6);   // three slots
    KxGQueryCache& cache = *db.Cache().GetQueryCache();
    KxClassId id(12, 1);
    KxGSelectStatementTemplate* a = Take(cache, id, "SELECT A FROM T0");
    KxGSelectStatementTemplate* b = Take(cache, id, "SELECT B FROM T0");
    cache.CacheQueryTemplate(id, a);
    cache.CacheQueryTemplate(id, b);   // side by side
    EXPECT_EQ(cache.GetCachedCount(), 2);

    struct Case {
        KxClassId id;
        const char* text;
        KxGSelectStatementTemplate* expected;   // null: the candidate comes back
    } cases[] = {
        {KxClassId(12, 1), "SELECT a FROM T0", nullptr},    // case matters
        {KxClassId(12, 1), "SELECT A FROM T0 ", nullptr},   // length matters
        {KxClassId(13, 1), "SELECT A FROM T0", nullptr},    // another class
        {KxClassId(12, 7), "SELECT A FROM T0", a},          // the version is not compared
        {KxClassId(12, 1), "SELECT B FROM T0", b},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CountedSelectTemplate candidate(c.text);
        KxGSelectStatementTemplate* got = cache.GetQueryTemplate(c.id, &candidate);
        if (c.expected == nullptr) {
            EXPECT_EQ(got, &candidate);
        } else {
            EXPECT_EQ(got, c.expected);
            cache.CacheQueryTemplate(c.id, got);
        }
    }
    EXPECT_EQ(Alive(), 2);
}

TEST_F(QueryCacheTest, ReturnsBeyondCapacityDeleteTheTemplateReturnedLongestAgoWithItsHandle)
{
    TestDatabase db(7);   // three slots
    KxGQueryCache& cache = *db.Cache().GetQueryCache();
    ASSERT_EQ(cache.GetCapacity(), 3);
    KxClassId id(12, 1);
    const char* texts[] = {"Q1", "Q2", "Q3", "Q4"};
    KxGSelectStatementTemplate* t[4];
    for (int i = 0; i < 4; ++i) {
        t[i] = Take(cache, id, texts[i]);
    }
    for (int i = 0; i < 4; ++i) {
        KxGExtentStatement statement(&db, t[i], id);
        ASSERT_EQ(statement.Execute(), 1);
    }
    // Q1 was pushed out with its handle; Q2..Q4 stay, each with its handle cached.
    EXPECT_EQ(Alive(), 3);
    EXPECT_EQ(cache.GetCachedCount(), 3);
    EXPECT_EQ(db.Log().Alive(), 3);
    EXPECT_EQ(db.Cache().GetLiveCount(), 3);
    EXPECT_EQ(cache.GetCount(), 3);

    EXPECT_EQ(Take(cache, id, "Q2"), t[1]);
    {
        KxGExtentStatement statement(&db, t[1], id);
        ASSERT_EQ(statement.Execute(), 1);   // served the cached handle
    }
    EXPECT_EQ(db.Log().prepared, 4);
    // Held now: Q2, Q4, Q3 (most recent first). A miss with every slot held pushes out Q3 and its handle.
    KxGSelectStatementTemplate* q1 = Take(cache, id, "Q1");
    EXPECT_EQ(Alive(), 3);
    EXPECT_EQ(db.Log().Alive(), 2);
    cache.CacheQueryTemplate(id, q1);
    EXPECT_EQ(cache.GetCachedCount(), 3);
    EXPECT_EQ(Take(cache, id, "Q4"), t[3]);
    cache.CacheQueryTemplate(id, t[3]);
}

// A miss while the cache is full pushes out its oldest template; the count then stays at the number
// of templates handed out or held.
TEST_F(QueryCacheTest, EvictionOnAMissLowersTheCount)
{
    TestDatabase db(2);   // one slot
    KxGQueryCache& cache = *db.Cache().GetQueryCache();
    ASSERT_EQ(cache.GetCapacity(), 1);
    KxClassId id(12, 1);
    for (int i = 0; i < 5; ++i) {
        KxGSelectStatementTemplate* t = Take(cache, id, i % 2 ? "ODD" : "EVEN");
        EXPECT_EQ(cache.GetCount(), 1);
        cache.CacheQueryTemplate(id, t);
        EXPECT_EQ(cache.GetCount(), 1);
        EXPECT_EQ(Alive(), 1);
    }
    // With the slot empty a miss evicts nothing, so two templates can be out at once; returning both
    // pushes the first one out again.
    KxGSelectStatementTemplate* one = Take(cache, id, "EVEN");
    KxGSelectStatementTemplate* two = Take(cache, id, "OTHER");
    EXPECT_EQ(cache.GetCount(), 2);
    EXPECT_EQ(Alive(), 2);
    cache.CacheQueryTemplate(id, one);
    cache.CacheQueryTemplate(id, two);
    EXPECT_EQ(cache.GetCount(), 1);
    EXPECT_EQ(Alive(), 1);
}

TEST_F(QueryCacheTest, ExtentStatementReusesTheTemplateAndItsHandle)
{
    TestDatabase db(4);
    KxGQueryCache& cache = *db.Cache().GetQueryCache();
    KxClassId id(12, 1);
    KxGSelectStatementTemplate* t = Take(cache, id, "SELECT OID FROM T0");
    KxGStatementHdl* first = nullptr;
    {
        KxGExtentStatement statement(&db, t, id);
        first = statement.GetStatementHdl();
    }
    EXPECT_EQ(cache.GetCachedCount(), 1);
    EXPECT_EQ(db.Cache().GetCachedCount(), 1);

    KxGSelectStatementTemplate* again = Take(cache, id, "SELECT OID FROM T0");
    EXPECT_EQ(again, t);
    {
        KxGExtentStatement statement(&db, again, id);
        EXPECT_EQ(statement.GetStatementHdl(), first);
        statement.SetOwnsTemplate(1);   // never deletes a template that goes back to the cache
    }
    EXPECT_EQ(db.Log().prepared, 1);
    EXPECT_EQ(Alive(), 1);

    cache.FreeAllQueryTemplates();
    EXPECT_EQ(Alive(), 0);
}

}  // namespace
