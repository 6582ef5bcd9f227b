#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kxkernel.h"

namespace {

// A connection that records the transaction calls the kernel routes to it.
class RecordingConnection : public KxBaseConnection {
public:
    std::vector<std::string> calls;
    int32_t failCreate = 0;
    int32_t failBeginAt = -1;   // index of the BeginTransaction call that fails
    int32_t begins = 0;
    int context = 0;

    int32_t CreateTransactionContext(KxTransactionResource* r) override {
        calls.push_back("create");
        if (failCreate != 0) return failCreate;
        r->SetContext(&context);
        return 0;
    }
    int32_t DeleteTransactionContext(KxTransactionResource* r) override {
        calls.push_back("delete");
        r->SetContext(nullptr);
        return 0;
    }
    int32_t BeginTransaction(KxTransactionResource*) override {
        calls.push_back("begin");
        return begins++ == failBeginAt ? -4004 : begins;
    }
    int32_t CommitTransaction(KxTransactionResource*) override {
        calls.push_back("commit");
        return 0;
    }
    int32_t AbortTransaction(KxTransactionResource*) override {
        calls.push_back("abort");
        return -6038;
    }
};

using Calls = std::vector<std::string>;

TEST(TransactionTest, RoutesResourcesToTheBaseConnection) {
    KxBase base("shop", "client");
    RecordingConnection conn;
    base.SetConnection(&conn);
    {
        KxTransaction txn;
        EXPECT_FALSE(txn.IsKernelTransaction());
        KxTransactionResource* res = txn.GetResource(&base);
        ASSERT_NE(nullptr, res);
        EXPECT_EQ(res, txn.GetResource(&base));
        EXPECT_EQ(&conn.context, res->GetContext());
        KxTransactionResourceHandle handle(res);
        EXPECT_EQ(&base, handle.GetBase());
        EXPECT_EQ(&txn, handle.GetTransaction());

        EXPECT_EQ(nullptr, base.GetCurrentTransaction());
        EXPECT_EQ(0, txn.Begin());
        EXPECT_EQ(&txn, base.GetCurrentTransaction());
        EXPECT_EQ(0, txn.Begin());
        EXPECT_EQ(2, txn.GetLevel());
        EXPECT_EQ(0, txn.Commit());
        EXPECT_EQ(&txn, base.GetCurrentTransaction());
        EXPECT_EQ(-6038, txn.Abort());   // the level closes all the same
        EXPECT_EQ(0, txn.GetLevel());
        EXPECT_EQ(nullptr, base.GetCurrentTransaction());
        EXPECT_EQ(KX_KERNEL_E_STATE, txn.Commit());
    }
    EXPECT_EQ((Calls{"create", "begin", "begin", "commit", "abort", "delete"}), conn.calls);
}

TEST(TransactionTest, FailuresOfTheConnectionAreAnswered) {
    KxBase base("shop", "client");
    RecordingConnection conn;
    base.SetConnection(&conn);
    KxBase other("stock", "client");   // bases outlive the transactions that use them
    RecordingConnection otherConn;
    other.SetConnection(&otherConn);
    KxTransaction txn;

    conn.failCreate = -2516;
    EXPECT_EQ(nullptr, txn.GetResource(&base));
    EXPECT_EQ(-2516, txn.GetLastStatus());
    EXPECT_EQ(0u, txn.GetResourceCount());
    EXPECT_EQ(nullptr, txn.GetResource(nullptr));

    conn.failCreate = 0;
    conn.failBeginAt = 0;
    ASSERT_NE(nullptr, txn.GetResource(&base));
    EXPECT_EQ(-4004, txn.Begin());
    EXPECT_EQ(0, txn.GetLevel());
    // The failed begin is ended at its own connection too.
    EXPECT_EQ((Calls{"create", "create", "begin", "abort"}), conn.calls);
    EXPECT_EQ(0, txn.Begin());
    EXPECT_EQ(1, txn.GetLevel());

    // A base joining an open transaction is begun up to the open level.
    ASSERT_NE(nullptr, txn.GetResource(&other));
    EXPECT_EQ((Calls{"create", "begin"}), otherConn.calls);
    EXPECT_EQ(&txn, other.GetCurrentTransaction());
    EXPECT_EQ(0, txn.Commit());
}

class CountingBucket : public KxBucket {
public:
    explicit CountingBucket(int* deleted) : KxBucket(nullptr, nullptr), deleted_(deleted) {}
    ~CountingBucket() override { ++*deleted_; }

private:
    int* deleted_;
};

TEST(BucketManagerTest, RegistersFindsAndClosesBuckets) {
    int deleted = 0;
    KxMgr mgr;
    EXPECT_EQ(0, mgr.Init(64, 0));
    EXPECT_EQ(64, mgr.GetCapacity());
    auto* a = new CountingBucket(&deleted);
    auto* b = new CountingBucket(&deleted);
    auto* c = new CountingBucket(&deleted);
    EXPECT_EQ(0, mgr.RegisterBucket(KxClassId(17, 2), a));
    EXPECT_EQ(0, mgr.RegisterBucket(KxClassId(18, 0), b));
    EXPECT_EQ(KX_KERNEL_E_INVALID, mgr.RegisterBucket(KxClassId(19, 0), nullptr));

    struct Case {
        KxClassId id;
        int32_t anyVersion;
        int32_t rc;
        KxBucket* bucket;
    };
    const Case cases[] = {
        {KxClassId(17, 2), 1, 0, a},
        {KxClassId(17, 2), 0, 0, a},
        {KxClassId(17, 3), 1, 0, a},                          // another version of the class
        {KxClassId(17, 3), 0, KX_KERNEL_E_NOT_FOUND, nullptr},
        {KxClassId(18, 0), 1, 0, b},
        {KxClassId(20, 0), 1, KX_KERNEL_E_NOT_FOUND, nullptr},
    };
    for (const Case& k : cases) {
        KxBucket* found = a;
        EXPECT_EQ(k.rc, mgr.GetBucket(k.id, found, k.anyVersion));
        EXPECT_EQ(k.bucket, found);
    }

    // Registering again under the same id replaces (and deletes) the earlier bucket.
    EXPECT_EQ(0, mgr.RegisterBucket(KxClassId(18, 0), c));
    EXPECT_EQ(1, deleted);
    KxBucket* found = nullptr;
    EXPECT_EQ(0, mgr.GetBucket(KxClassId(18, 0), found, 1));
    EXPECT_EQ(c, found);
    EXPECT_EQ(0, mgr.CloseBuckets());
    EXPECT_EQ(3, deleted);
    EXPECT_EQ(0u, mgr.GetCount());
}

// An admin whose storage hands out consecutive ids and records recycled ones.
class SurrogateAdmin : public KxAdmin {
public:
    SurrogateAdmin() : KxAdmin(nullptr, 0) {}
    uint32_t next = 100;
    int32_t fetchCalls = 0;
    int32_t failFetch = 0;
    std::vector<uint32_t> recycled;

    int32_t FetchSurrogates(KxObjId* ids, int32_t count) override {
        ++fetchCalls;
        if (failFetch != 0) return failFetch;
        for (int32_t i = 0; i < count; ++i) ids[i] = KxObjId(next++);
        return 0;
    }
    int32_t RecycleSurrogates(KxObjId* ids, int32_t count) override {
        for (int32_t i = 0; i < count; ++i) recycled.push_back(ids[i].GetLow());
        return 0;
    }
};

TEST(AdminTest, KernelSideStateAndSurrogateCache) {
    SurrogateAdmin admin;
    EXPECT_EQ(KxAdmin::KX_ADMIN_FAILED, admin.GetState());
    admin.SetSurrogateCache(0, 3);
    EXPECT_EQ(3, admin.GetSurrogateCapacity());

    KxObjId id;
    std::vector<uint32_t> got;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(0, admin.NextSurrogate(id));
        got.push_back(id.GetLow());
    }
    EXPECT_EQ((std::vector<uint32_t>{100, 101, 102, 103}), got);
    EXPECT_EQ(2, admin.fetchCalls);
    // The second refill asked for twice the first block.
    EXPECT_EQ(5, admin.GetSurrogateCount());

    // The unused ids go back to the storage in order.
    EXPECT_EQ(0, admin.RecycleCachedSurrogates());
    EXPECT_EQ((std::vector<uint32_t>{104, 105, 106, 107, 108}), admin.recycled);
    EXPECT_EQ(0, admin.GetSurrogateCount());

    admin.failFetch = -6031;
    EXPECT_EQ(-6031, admin.NextSurrogate(id));

    EXPECT_EQ(0, admin.OpenDictionary());
    EXPECT_TRUE(admin.IsDictionaryOpen());
    EXPECT_EQ(0, admin.CloseDatabase());   // the kernel admin's own close
    EXPECT_FALSE(admin.IsDictionaryOpen());
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, admin.OpenDatabase());
}

TEST(ObjectSpaceTest, KeepsObjectsByObjectId) {
    KxBase base("shop", "client");
    KxObjectSpace* space = base.GetObjectSpace();
    auto* object = reinterpret_cast<KxObject*>(&base);   // any address stands for an object
    const KxRef ref(KxObjId(7), KxClassId(17, 1));
    space->BeginCriticalSection();
    EXPECT_EQ(nullptr, space->nts_IsInList(ref));
    EXPECT_EQ(0, space->nts_Insert(ref, object));
    EXPECT_EQ(object, space->nts_IsInList(KxRef(KxObjId(7), KxClassId(17, 2))));
    EXPECT_EQ(KX_KERNEL_E_INVALID, space->nts_Insert(KxRef(), object));
    EXPECT_EQ(0, space->nts_Remove(ref));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, space->nts_Remove(ref));
    space->EndCriticalSection();
}

TEST(BaseTest, SpecsEvaluateToTheGivenOneOrTheDefault) {
    KxBase base("shop", "client");
    KxLockSpec lock;
    EXPECT_EQ(0, base.EvalLock(nullptr, lock));
    EXPECT_EQ(KxLockSpec::KX_LOCKSPEC_NONE, lock.kind);
    const KxLockSpec given{0, 3, 1};
    EXPECT_EQ(0, base.EvalLock(&given, lock));
    EXPECT_EQ(3, lock.mode);
    KxWatchSpec watch{1, 0};
    EXPECT_EQ(0, base.EvalWatch(nullptr, watch));
    EXPECT_EQ(0, watch.watch);

    KxErrorInfo error;
    error.code = -2041;
    EXPECT_EQ(-2041, base.GetExcMgr()->HandleError(error));
    EXPECT_EQ(1u, base.GetExcMgr()->GetErrorCount());
}

// The interfaces a storage module derives answer -2999 for what it does not override.
TEST(InterfaceDefaultsTest, UnsupportedOperationsAnswerNotSupported) {
    const int32_t no = KX_KERNEL_E_NOT_SUPPORTED;
    KxBase base("shop", "client");
    KxString text;
    KxRef ref;
    int32_t n = 5;

    KxConnectionFactory factory;
    EXPECT_EQ(nullptr, factory.CreateConnection(&base));
    EXPECT_EQ(nullptr, factory.CreateExcept(&base));
    EXPECT_EQ(no, factory.GetProductName(text));

    KxBaseConnection conn;
    EXPECT_EQ(no, conn.OpenClient("shop", text, 0));
    EXPECT_EQ(no, conn.CloseClient());
    EXPECT_EQ(nullptr, conn.CreateAdmin(&base, 0));
    EXPECT_EQ(nullptr, conn.GetTransactionMgr());
    EXPECT_EQ(no, conn.BeginTransaction(nullptr));
    EXPECT_EQ(no, conn.SetParameters(nullptr, nullptr));

    KxAdmin admin(&base, 0);
    EXPECT_EQ(no, admin.LockWatch(ref, nullptr, nullptr));
    EXPECT_EQ(no, admin.CheckObject(ref));
    EXPECT_EQ(nullptr, admin.CreateShell());

    KxBucket bucket(&base, nullptr);
    EXPECT_EQ(nullptr, bucket.CreateCursor(n, 0));
    EXPECT_EQ(0, n);
    EXPECT_EQ(no, bucket.SeekRd(nullptr, 0, 0, ref, 0));
    EXPECT_EQ(no, bucket.DeleteObject(ref, 0, nullptr));
    KxBucketCru cursor;
    EXPECT_EQ(no, cursor.Seek(1, 0, ref));

    KxDatabaseShell shell;
    EXPECT_EQ(no, shell.GetName(text));
    EXPECT_EQ(no, shell.Run(nullptr));
    EXPECT_EQ(0, shell.Synchronize());
    KxServerAdminShell serverShell;
    EXPECT_EQ(no, serverShell.GetName(text));
    KxExcept except(&base);
    EXPECT_EQ(no, except.NotifyOpen());
    EXPECT_EQ(no, except.HandleError(nullptr));
}

}  // namespace
