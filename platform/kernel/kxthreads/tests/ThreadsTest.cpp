#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kxthreads.h"

namespace {

// Runs fn on its own thread and tells whether it finished; a deadlock shows as false instead of a
// hanging test (the bound is a guard, not a measure of speed).
bool Finishes(std::function<void()> fn) {
    struct State {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
    };
    auto st = std::make_shared<State>();
    std::thread([st, fn] {
        fn();
        std::lock_guard<std::mutex> lk(st->m);
        st->done = true;
        st->cv.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lk(st->m);
    return st->cv.wait_for(lk, std::chrono::seconds(60), [&] { return st->done; });
}

TEST(ThreadMgrTest, NestedEntryFromOneThreadDoesNotDeadlockAndReleasesFully) {
    KxThreadMgr mgr;
    ASSERT_TRUE(Finishes([&] {
        EXPECT_EQ(mgr.BeginCriticalSection(13, "outer"), 0);
        EXPECT_EQ(mgr.BeginCriticalSection(13, "inner"), 0);
        EXPECT_EQ(mgr.BeginCriticalSection(4, "other"), 0);
        EXPECT_EQ(mgr.BeginCriticalSection(13, "innermost"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(13, "innermost"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(4, "other"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(13, "inner"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(13, "outer"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(13, "one too many"), KX_THREADS_E_NOT_OWNER);
    }));
    // Fully left: another thread can enter.
    EXPECT_TRUE(Finishes([&] {
        EXPECT_EQ(mgr.BeginCriticalSection(13, "later"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(13, "later"), 0);
    }));
}

TEST(ThreadMgrTest, LeavingASectionHeldByAnotherThreadIsRefused) {
    KxThreadMgr mgr;
    EXPECT_EQ(mgr.EndCriticalSection(7, "never entered"), KX_THREADS_E_NOT_OWNER);
    EXPECT_EQ(mgr.BeginCriticalSection(-1, "negative"), KX_THREADS_E_INVALID);
    EXPECT_EQ(mgr.EndCriticalSection(-1, "negative"), KX_THREADS_E_INVALID);

    ASSERT_EQ(mgr.BeginCriticalSection(13, "holder"), 0);
    ASSERT_TRUE(Finishes([&] { EXPECT_EQ(mgr.EndCriticalSection(13, "intruder"), KX_THREADS_E_NOT_OWNER); }));
    EXPECT_EQ(mgr.EndCriticalSection(13, "holder"), 0);   // still held by this thread until now
    EXPECT_EQ(mgr.EndCriticalSection(13, "holder"), KX_THREADS_E_NOT_OWNER);
}

TEST(ThreadMgrTest, DifferentNumbersDoNotExcludeEachOther) {
    KxThreadMgr mgr;
    ASSERT_EQ(mgr.BeginCriticalSection(4, "query"), 0);
    EXPECT_TRUE(Finishes([&] {
        EXPECT_EQ(mgr.BeginCriticalSection(13, "pool"), 0);
        EXPECT_EQ(mgr.EndCriticalSection(13, "pool"), 0);
    }));
    EXPECT_EQ(mgr.EndCriticalSection(4, "query"), 0);
}

// Each kind of lock, entered twice per round (nested), must keep other threads out.
using CheckerStack = std::vector<std::unique_ptr<CSChecker>>;   // one per thread

struct LockKind {
    const char* name;
    std::function<void(CheckerStack&)> enter;
    std::function<void(CheckerStack&)> leave;
};

TEST(MutualExclusionTest, ThreadsExcludeEachOtherForEveryKindOfLock) {
    KxThreadMgr mgr;
    std::unique_ptr<KxCritSect> cs(KxCritSect::Make("KxGStatementHdlCacheCS"));
    std::unique_ptr<KxCritSect> light(KxCritSect::MakeLight("KxGTrace"));
    KxMTObj obj;

    const LockKind kinds[] = {
        {"numbered", [&](CheckerStack&) { mgr.BeginCriticalSection(13, "t"); },
         [&](CheckerStack&) { mgr.EndCriticalSection(13, "t"); }},
        {"critsect", [&](CheckerStack&) { cs->Enter(); }, [&](CheckerStack&) { cs->Leave(); }},
        {"light", [&](CheckerStack&) { light->Enter(); }, [&](CheckerStack&) { light->Leave(); }},
        {"mtobj", [&](CheckerStack&) { obj.BeginCriticalSection(); }, [&](CheckerStack&) { obj.EndCriticalSection(); }},
        {"checker", [&](CheckerStack& s) { s.push_back(std::make_unique<CSChecker>("t", 4, &mgr)); },
         [&](CheckerStack& s) { s.pop_back(); }},
    };
    constexpr int kThreads = 4, kRounds = 2000;
    for (const auto& kind : kinds) {
        std::atomic<int> inside{0}, overlaps{0};
        long counter = 0;   // plain on purpose: only the lock protects it
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&] {
                CheckerStack stack;
                for (int i = 0; i < kRounds; ++i) {
                    kind.enter(stack);
                    kind.enter(stack);
                    if (inside.fetch_add(1) != 0) ++overlaps;
                    const long seen = counter;
                    std::this_thread::yield();
                    counter = seen + 1;
                    inside.fetch_sub(1);
                    kind.leave(stack);
                    kind.leave(stack);
                }
            });
        for (auto& th : threads) th.join();
        EXPECT_EQ(overlaps, 0) << kind.name;
        EXPECT_EQ(counter, long{kThreads} * kRounds) << kind.name;
    }
}

TEST(CSCheckerTest, HoldsForItsScopeAndNullManagerLocksNothing) {
    KxThreadMgr mgr;
    {
        CSChecker check("KxGLocalLockService::AcquireLock", 13, &mgr);
        EXPECT_TRUE(Finishes([&] { EXPECT_EQ(mgr.EndCriticalSection(13, "x"), KX_THREADS_E_NOT_OWNER); }));
        CSChecker none("KxGLocalLockService::AcquireLock", 13, nullptr);
    }
    EXPECT_EQ(mgr.EndCriticalSection(13, "after scope"), KX_THREADS_E_NOT_OWNER);   // released
    EXPECT_TRUE(Finishes([&] { CSChecker none("no manager", 13, nullptr); }));
}

TEST(CritSectTest, MadeWithTheirNames) {
    std::unique_ptr<KxCritSect> a(KxCritSect::Make("KxGStatementHdlCacheCS"));
    std::unique_ptr<KxCritSect> b(KxCritSect::MakeLight("KxGTrace"));
    ASSERT_TRUE(a && b);
    EXPECT_STREQ(a->Name(), "KxGStatementHdlCacheCS");
    EXPECT_STREQ(b->Name(), "KxGTrace");
    b->Leave();   // not held: ignored
    b->Enter();
    b->Leave();
}

class Watcher : public KxThread {
public:
    using KxThread::KxThread;
    ~Watcher() override { Join(); }
    void Run() override {
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        std::unique_lock<std::mutex> lk(m);
        osName = name;
        runner = std::this_thread::get_id();
        ++runs;
        started = true;
        cv.notify_all();
        cv.wait(lk, [&] { return release; });
        release = false;
    }
    void WaitStarted() {
        std::unique_lock<std::mutex> lk(m);
        cv.wait(lk, [&] { return started; });
        started = false;
    }
    void Release() {
        std::lock_guard<std::mutex> lk(m);
        release = true;
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    bool started = false, release = false;
    int runs = 0;
    std::string osName;
    std::thread::id runner;
};

TEST(KxThreadTest, RunsOnItsOwnNamedThreadAndCanBeStartedAgain) {
    Watcher w("Tessaform Process Watcher", "Tessaform Process Watcher");
    EXPECT_STREQ(w.Name(), "Tessaform Process Watcher");
    EXPECT_STREQ(w.SystemName(), "Tessaform Process Watcher");
    EXPECT_EQ(w.Join(), KX_THREADS_E_STATE);   // not started

    ASSERT_EQ(w.Start(), 0);
    w.WaitStarted();
    EXPECT_EQ(w.Start(), KX_THREADS_E_STATE);   // still running
    EXPECT_NE(w.runner, std::this_thread::get_id());
    EXPECT_EQ(w.osName, "Tessaform Proce");     // the system keeps 15 characters
    w.Release();
    EXPECT_EQ(w.Join(), 0);
    EXPECT_EQ(w.Join(), KX_THREADS_E_STATE);

    ASSERT_EQ(w.Start(), 0);                    // the same object runs again
    w.WaitStarted();
    w.Release();
    EXPECT_EQ(w.Join(), 0);
    EXPECT_EQ(w.runs, 2);
}

TEST(KxThreadTest, OneNameServesBoth) {
    Watcher w("short");
    EXPECT_STREQ(w.SystemName(), "short");
    ASSERT_EQ(w.Start(), 0);
    w.WaitStarted();
    EXPECT_EQ(w.osName, "short");
    w.Release();
    EXPECT_EQ(w.Join(), 0);
}

}  // namespace
