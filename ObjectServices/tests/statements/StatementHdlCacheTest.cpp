// The statement-handle cache: lookups by template, the order in which handles are given up, the live
// count, and handles never crossing over to another template.
#include <gtest/gtest.h>

#include <new>
#include <thread>
#include <vector>

#include "KxGDatabaseTrace.h"
#include "KxGQueryCache.h"
#include "StatementTestSupport.h"
#include "TestSupport.h"

namespace {

FakeHdl* Fake(KxGStatementHdl* handle)
{
    return static_cast<FakeHdl*>(handle);
}

TEST(StatementHdlCache, CapacityZeroDestroysEveryReturnedHandleAndCountsLentOnes)
{
    TestDatabase db(0);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate t(KxString("SELECT 1"));

    KxGStatementHdl* a = cache.AllocStatementHdl(&t);
    KxGStatementHdl* b = cache.AllocStatementHdl(&t);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(cache.GetLiveCount(), 2);
    EXPECT_EQ(db.Log().prepared, 2);

    EXPECT_EQ(cache.FreeStatementHdl(a, &t), 1);
    EXPECT_EQ(db.Log().destroyed, 1);
    EXPECT_EQ(cache.GetLiveCount(), 1);

    KxGStatementHdl* c = cache.AllocStatementHdl(&t);   // nothing kept: prepared again
    EXPECT_EQ(db.Log().prepared, 3);
    cache.FreeStatementHdl(b, &t);
    cache.FreeStatementHdl(c, &t);
    EXPECT_EQ(cache.GetLiveCount(), 0);
    EXPECT_EQ(db.Log().Alive(), 0);
    EXPECT_EQ(cache.GetQueryCache()->GetCapacity(), 0);
}

TEST(StatementHdlCache, ReturnedHandleServesTheSameTemplateAgain)
{
    TestDatabase db(3);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate t1(KxString("A")), t2(KxString("B"));

    KxGStatementHdl* h1 = cache.AllocStatementHdl(&t1);
    cache.FreeStatementHdl(h1, &t1);
    KxGStatementHdl* h2 = cache.AllocStatementHdl(&t2);   // another template: not served h1
    EXPECT_NE(h2, h1);
    EXPECT_EQ(cache.AllocStatementHdl(&t1), h1);
    EXPECT_EQ(db.Log().prepared, 2);
    EXPECT_EQ(cache.GetCachedCount(), 0);
    cache.FreeStatementHdl(h1, &t1);
    cache.FreeStatementHdl(h2, &t2);
    EXPECT_EQ(cache.GetCachedCount(), 2);
    EXPECT_EQ(cache.GetLiveCount(), 2);
}

TEST(StatementHdlCache, TemplateAskedTwiceWhileLentGetsTwoHandlesMostRecentlyReturnedFirst)
{
    TestDatabase db(3);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate t(KxString("A"));

    KxGStatementHdl* first = cache.AllocStatementHdl(&t);
    KxGStatementHdl* second = cache.AllocStatementHdl(&t);
    EXPECT_NE(first, second);
    EXPECT_EQ(db.Log().prepared, 2);

    cache.FreeStatementHdl(first, &t);
    cache.FreeStatementHdl(second, &t);
    EXPECT_EQ(cache.GetCachedCount(), 2);
    EXPECT_EQ(cache.AllocStatementHdl(&t), second);
    EXPECT_EQ(cache.AllocStatementHdl(&t), first);
    EXPECT_EQ(db.Log().prepared, 2);
    cache.FreeStatementHdl(first, &t);
    cache.FreeStatementHdl(second, &t);
}

TEST(StatementHdlCache, ReturningIntoAFullCacheDestroysTheLeastRecentlyReturned)
{
    TestDatabase db(3);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate t[4] = {KxGStatementTemplate(KxString("A")), KxGStatementTemplate(KxString("B")),
                                 KxGStatementTemplate(KxString("C")), KxGStatementTemplate(KxString("D"))};
    KxGStatementHdl* h[4];
    for (int i = 0; i < 4; ++i) {
        h[i] = cache.AllocStatementHdl(&t[i]);
    }
    EXPECT_EQ(cache.GetLiveCount(), 4);   // all lent: the count may pass the capacity

    // Returned in the order B, A, C, D: B is the least recently returned when D comes back.
    cache.FreeStatementHdl(h[1], &t[1]);
    cache.FreeStatementHdl(h[0], &t[0]);
    cache.FreeStatementHdl(h[2], &t[2]);
    EXPECT_EQ(db.Log().destroyed, 0);
    cache.FreeStatementHdl(h[3], &t[3]);
    EXPECT_EQ(db.Log().destroyed, 1);
    EXPECT_EQ(cache.GetLiveCount(), 3);

    EXPECT_EQ(cache.AllocStatementHdl(&t[0]), h[0]);
    EXPECT_EQ(cache.AllocStatementHdl(&t[2]), h[2]);
    EXPECT_EQ(cache.AllocStatementHdl(&t[3]), h[3]);
    KxGStatementHdl* again = cache.AllocStatementHdl(&t[1]);   // B's handle was given up
    EXPECT_EQ(db.Log().prepared, 5);
    EXPECT_EQ(Fake(again)->Number(), 5);
    for (KxGStatementHdl* handle : {h[0], h[2], h[3], again}) {
        handle->Destroy(nullptr);
    }
}

TEST(StatementHdlCache, MissAtCapacityGivesUpTheHandleReturnedLongestAgo)
{
    TestDatabase db(2);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate a(KxString("A")), b(KxString("B")), c(KxString("C"));
    KxGStatementHdl* ha = cache.AllocStatementHdl(&a);
    KxGStatementHdl* hb = cache.AllocStatementHdl(&b);
    cache.FreeStatementHdl(ha, &a);
    cache.FreeStatementHdl(hb, &b);

    KxGStatementHdl* hc = cache.AllocStatementHdl(&c);   // full and at capacity: A's handle goes
    EXPECT_EQ(db.Log().destroyed, 1);
    EXPECT_EQ(cache.GetLiveCount(), 2);
    EXPECT_EQ(cache.AllocStatementHdl(&b), hb);
    EXPECT_EQ(db.Log().prepared, 3);
    cache.FreeStatementHdl(hb, &b);
    cache.FreeStatementHdl(hc, &c);
}

TEST(StatementHdlCache, MissWithAllHandlesLentPreparesWithoutEvicting)
{
    TestDatabase db(2);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate a(KxString("A")), b(KxString("B")), c(KxString("C"));
    KxGStatementHdl* ha = cache.AllocStatementHdl(&a);
    KxGStatementHdl* hb = cache.AllocStatementHdl(&b);
    KxGStatementHdl* hc = cache.AllocStatementHdl(&c);
    EXPECT_NE(hc, nullptr);
    EXPECT_EQ(db.Log().destroyed, 0);
    EXPECT_EQ(cache.GetLiveCount(), 3);
    cache.FreeStatementHdl(ha, &a);
    cache.FreeStatementHdl(hb, &b);
    cache.FreeStatementHdl(hc, &c);   // the cache is full: A's handle makes room
    EXPECT_EQ(cache.GetLiveCount(), 2);
    EXPECT_EQ(cache.GetCachedCount(), 2);
}

TEST(StatementHdlCache, TemplateMadeWhereADeletedOneStoodNeverGetsItsHandle)
{
    TestDatabase db(4);
    KxGStatementHdlCache& cache = db.Cache();
    alignas(KxGStatementTemplate) unsigned char storage[sizeof(KxGStatementTemplate)];

    auto* old = new (storage) KxGStatementTemplate(KxString("DELETE FROM A"));
    KxGStatementHdl* oldHdl = cache.AllocStatementHdl(old);
    cache.FreeStatementHdl(oldHdl, old);   // cached under the old template
    old->~KxGStatementTemplate();

    auto* fresh = new (storage) KxGStatementTemplate(KxString("SELECT * FROM B"));
    ASSERT_EQ(static_cast<void*>(fresh), static_cast<void*>(storage));
    KxGStatementHdl* hdl = cache.AllocStatementHdl(fresh);
    ASSERT_NE(hdl, nullptr);
    EXPECT_NE(hdl, oldHdl);
    EXPECT_EQ(Str(Fake(hdl)->Text()), "SELECT * FROM B");
    cache.FreeStatementHdl(hdl, fresh);
    fresh->~KxGStatementTemplate();
}

TEST(StatementHdlCache, ChangedTextOrCopyNeverGetsTheHandleOfTheOldText)
{
    TestDatabase db(4);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate t(KxString("SELECT * FROM A WHERE X = :1"));
    KxGStatementHdl* before = cache.AllocStatementHdl(&t);
    cache.FreeStatementHdl(before, &t);

    KxGStatementTemplate copy(t);
    EXPECT_NE(copy.GetTemplateId(), t.GetTemplateId());
    KxGStatementHdl* copyHdl = cache.AllocStatementHdl(&copy);
    EXPECT_NE(copyHdl, before);
    cache.FreeStatementHdl(copyHdl, &copy);

    ASSERT_EQ(t.BindParameter(KxString("7"), 1, db.Dialect()), 1);
    KxGStatementHdl* after = cache.AllocStatementHdl(&t);
    EXPECT_NE(after, before);
    EXPECT_EQ(Str(Fake(after)->Text()), "SELECT * FROM A WHERE X = 7");
    cache.FreeStatementHdl(after, &t);

    KxGStatementTemplate other(KxString("OTHER"));
    uint64_t id = other.GetTemplateId();
    other = t;
    EXPECT_NE(other.GetTemplateId(), id);
    EXPECT_EQ(Str(other.GetSQLText()), "SELECT * FROM A WHERE X = 7");
}

TEST(StatementHdlCache, RemoveFromCacheDestroysEveryHandleOfTheTemplateAndTraces)
{
    TempDir dir;
    TestDatabase db(4);
    KxGDatabaseTrace trace(KxString(dir.Path("gw.trc").c_str()), KXG_TRACE_STM, nullptr);
    db.SetTrace(&trace);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate a(KxString("A")), b(KxString("B"));
    KxGStatementHdl* a1 = cache.AllocStatementHdl(&a);
    KxGStatementHdl* a2 = cache.AllocStatementHdl(&a);
    KxGStatementHdl* b1 = cache.AllocStatementHdl(&b);
    cache.FreeStatementHdl(a1, &a);
    cache.FreeStatementHdl(b1, &b);
    cache.FreeStatementHdl(a2, &a);

    cache.RemoveFromCache(&a);
    EXPECT_EQ(db.Log().destroyed, 2);
    EXPECT_EQ(cache.GetLiveCount(), 1);
    EXPECT_EQ(cache.GetCachedCount(), 1);
    EXPECT_EQ(cache.AllocStatementHdl(&b), b1);
    cache.FreeStatementHdl(b1, &b);

    cache.RemoveFromCache(&a);   // nothing left: no further tag
    db.SetTrace(nullptr);
    trace.Flush();
    std::string text = ReadFile(dir.Path("gw.trc"));
    size_t first = text.find("<RemoveFromCache");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("<RemoveFromCache", first + 1), std::string::npos);
}

TEST(StatementHdlCache, FreeAllDestroysCachedHandlesOnlyAndFailedPrepareCountsNothing)
{
    TestDatabase db(3);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate a(KxString("A")), b(KxString("B"));
    KxGStatementHdl* ha = cache.AllocStatementHdl(&a);
    KxGStatementHdl* hb = cache.AllocStatementHdl(&b);
    cache.FreeStatementHdl(ha, &a);
    cache.FreeAllStatementHdls();
    EXPECT_EQ(db.Log().destroyed, 1);
    EXPECT_EQ(cache.GetLiveCount(), 1);   // b's handle is still lent

    db.failPrepare = true;
    EXPECT_EQ(cache.AllocStatementHdl(&a), nullptr);
    EXPECT_EQ(cache.GetLiveCount(), 1);
    cache.FreeStatementHdl(hb, &b);
}

// Several threads sharing one connection's cache (and its query cache) keep the ring and the counts
// consistent.
TEST(StatementHdlCache, ThreadsSharingTheCacheKeepItConsistent)
{
    TestDatabase db(4);
    KxGStatementHdlCache& cache = db.Cache();
    KxGStatementTemplate shared[3] = {KxGStatementTemplate(KxString("A")), KxGStatementTemplate(KxString("B")),
                                      KxGStatementTemplate(KxString("C"))};
    std::vector<std::thread> threads;
    for (int n = 0; n < 4; ++n) {
        threads.emplace_back([&, n] {
            for (int i = 0; i < 300; ++i) {
                KxGStatementTemplate& t = shared[(n + i) % 3];
                KxGStatementHdl* h = cache.AllocStatementHdl(&t);
                cache.FreeStatementHdl(h, &t);
                // An extent template round trip with a removal of its handles.
                auto* candidate = new CountedSelectTemplate(i % 2 ? "SELECT X" : "SELECT Y");
                KxGSelectStatementTemplate* got = cache.GetQueryCache()->GetQueryTemplate(KxClassId(7, 0), candidate);
                if (got != candidate) {
                    delete candidate;
                }
                KxGStatementHdl* eh = cache.AllocStatementHdl(got);
                cache.FreeStatementHdl(eh, got);
                cache.GetQueryCache()->CacheQueryTemplate(KxClassId(7, 0), got);
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(cache.GetLiveCount(), db.Log().Alive());
    EXPECT_LE(cache.GetCachedCount(), 4);
    EXPECT_EQ(cache.GetQueryCache()->GetCount(), static_cast<int16_t>(cache.GetQueryCache()->GetCachedCount()));
}

}  // namespace
