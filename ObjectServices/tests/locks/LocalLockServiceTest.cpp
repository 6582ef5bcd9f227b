// The local lock table: the compatibility rule, shared server locks, transaction levels, and what a
// refused server call leaves behind. The server side is a recording double of the four server-lock
// operations, so every server call the table asks for is seen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxGLockService.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"

namespace {

// Records the server calls ("+oid/mode", "-oid/mode", one string per call, objects joined by ",")
// and fails the next ones when told to.
class RecordingService : public KxGLocalLockService {
public:
    RecordingService() : KxGLocalLockService(nullptr) {}

    int32_t AcquireServerLock(const KxGLockRequest& request, uint32_t) override
    {
        return Note("+", Text(request.ref, request.mode), failAcquire, KXG_E_LOCK_REFUSED);
    }
    int32_t ReleaseServerLock(const KxGLockRequest& request, uint32_t) override
    {
        return Note("-", Text(request.ref, request.mode), failRelease, KXG_E_NO_ROW_DELETED);
    }
    int32_t AcquireServerLocks(uint16_t mode, const KxRefList& refs, KxGTransactionContext*) override
    {
        std::string text;
        for (const KxRef& ref : refs) {
            text += (text.empty() ? "" : ",") + Text(ref, mode);
        }
        return Note("+", text, failAcquire, KXG_E_LOCK_REFUSED);
    }
    int32_t ReleaseServerLocks(const KxGLockRequestList& requests, KxGTransactionContext*) override
    {
        std::string text;
        for (uint32_t i = 0; i < requests.Count(); ++i) {
            text += (text.empty() ? "" : ",") + Text(requests.GetRequest(i).ref, requests.GetRequest(i).mode);
        }
        return Note("-", text, failRelease, KXG_E_NO_ROW_DELETED);
    }

    std::vector<std::string> TakeCalls()
    {
        std::vector<std::string> taken;
        taken.swap(calls);
        return taken;
    }

    // The table as "oid/mode:explicit count:level", in table order.
    std::vector<std::string> Entries(const KxGTransactionContext* context) const
    {
        std::vector<std::string> entries;
        const KxGLockList& table = GetLockTable();
        for (uint32_t i = 0; i < table.Count(); ++i) {
            const KxGLockEntry* e = table.At(i);
            if (e->context == context) {
                entries.push_back(Text(e->ref, e->mode) + ":" + std::to_string(e->explicitCount) + ":" +
                                  std::to_string(e->level));
            }
        }
        return entries;
    }

    int failAcquire = 0;   // calls still to fail
    int failRelease = 0;
    std::vector<std::string> calls;

private:
    static std::string Text(const KxRef& ref, uint16_t mode)
    {
        return std::to_string(ref.GetObjId().Get64()) + "/" + std::to_string(mode);
    }
    int32_t Note(const char* sign, const std::string& text, int& fail, int32_t code)
    {
        calls.push_back(sign + text);
        if (fail > 0) {
            --fail;
            return code;
        }
        return 0;
    }
};

KxRef Ref(uint32_t id)
{
    return KxRef(KxObjId(id), KxClassId(7, 1));
}

KxRefList Refs(std::initializer_list<uint32_t> ids)
{
    KxRefList refs;
    for (uint32_t id : ids) {
        refs.push_back(Ref(id));
    }
    return refs;
}

using Strings = std::vector<std::string>;

// Modes: 4124 the compound statement's transaction mode (stored 4116), 1142 a mode that joins itself
// and 4124, 8204 the delete mode.
constexpr uint16_t kTxn = KXG_LOCK_MODE_TXN;
constexpr uint16_t kRead = 1142;
constexpr uint16_t kReadTxn = kRead | KXG_LOCK_TRANSACTION;

class LocalLocks : public ::testing::Test {
protected:
    LocalLocks()
    {
        a.SetLevel(1);
        b.SetLevel(1);
    }
    RecordingService service;
    KxGTransactionContext a;
    KxGTransactionContext b;
};

TEST(LockModes, CompatibilityRule)
{
    struct Case {
        uint16_t requested;
        uint16_t held;
        bool compatible;
    };
    const Case cases[] = {
        {4124, 1142, true},     // 0x101C joins a mode with bit 6
        {4124, 4124, false},    // and not itself
        {4124, 4116, false},    // nor its stored form
        {1142, 1142, true},     // 0x476 joins bit 4, which it has
        {1142, 4116, true},
        {8204, 1142, false},    // 0x200C joins only bit 7
        {8204, 0x0080, true},
        {0x3C00, 0x03F0, true}, // bits 10-13 join bits 4-7
        {0x03F0, 0xFFFF, false},// joins nothing
        {0xFC00, 0x000F, false},// the held mode has none of bits 4 to 9
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KxGLockModesCompatible(c.requested, c.held), c.compatible) << c.requested << " on " << c.held;
    }
    EXPECT_EQ(KxGStoredLockMode(4124), 4116);
}

TEST_F(LocalLocks, ConflictingModesOfOtherContextsAreRefusedWithNothingChanged)
{
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({10, 20})), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+10/4116,20/4116"}));

    // b: 30 is free, 20 conflicts: the whole list is refused and 30 is given back.
    EXPECT_EQ(service.AcquireTxnLocks(&b, kTxn, Refs({30, 20})), 0);
    EXPECT_TRUE(service.Entries(&b).empty());
    EXPECT_TRUE(service.TakeCalls().empty());
    EXPECT_EQ(service.AcquireLock({&b, Ref(10), kTxn}), 0);

    // A compatible mode joins; the same context may hold another mode of its own object.
    EXPECT_EQ(service.AcquireLock({&b, Ref(10), kRead}), 1);
    EXPECT_EQ(service.AcquireLock({&a, Ref(10), kRead}), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+10/1142"}));
    EXPECT_EQ(service.Entries(&a), (Strings{"10/4116:0:1", "10/1142:1:0", "20/4116:0:1"}));
}

TEST_F(LocalLocks, SharedServerLockIsTakenByTheFirstHolderAndReleasedByTheLast)
{
    ASSERT_EQ(service.AcquireTxnLocks(&a, kReadTxn, Refs({5})), 1);
    ASSERT_EQ(service.AcquireTxnLocks(&b, kReadTxn, Refs({5})), 1);
    // Asking again for a mode already held takes no second server lock either.
    ASSERT_EQ(service.AcquireTxnLocks(&a, kReadTxn, Refs({5})), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+5/1142"}));

    // a ends first: b still holds the mode, the server lock stays.
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 1), 1);
    EXPECT_TRUE(service.TakeCalls().empty());
    EXPECT_TRUE(service.Entries(&a).empty());
    ASSERT_EQ(service.ReleaseTxnLocks(&b, 0), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"-5/1142"}));
    EXPECT_EQ(service.GetLockTable().Count(), 0u);

    // The same with explicit locks and with contexts ending.
    ASSERT_EQ(service.AcquireLock({&a, Ref(6), kRead}), 1);
    ASSERT_EQ(service.AcquireLock({&b, Ref(6), kRead}), 1);
    ASSERT_EQ(service.AcquireLock({&b, Ref(6), kRead}), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+6/1142"}));
    ASSERT_EQ(service.ReleaseLock({&b, Ref(6), kRead}), 1);
    ASSERT_EQ(service.DeleteTxn(&a), 1);
    EXPECT_TRUE(service.TakeCalls().empty());
    ASSERT_EQ(service.ReleaseLock({&b, Ref(6), kRead}), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"-6/1142"}));
    // Nothing left to give back.
    EXPECT_EQ(service.ReleaseLock({&b, Ref(6), kRead}), 0);
}

TEST_F(LocalLocks, AbortingAnInnerLevelKeepsTheOuterLevelsLock)
{
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({1})), 1);
    a.SetLevel(2);
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({1, 2})), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+1/4116", "+2/4116"}));
    EXPECT_EQ(service.Entries(&a), (Strings{"1/4116:0:1", "2/4116:0:2"}));

    // The inner level aborts: only what it took goes.
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 0), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"-2/4116"}));
    EXPECT_EQ(service.Entries(&a), (Strings{"1/4116:0:1"}));
    a.SetLevel(1);
    EXPECT_EQ(service.AcquireLock({&b, Ref(1), kTxn}), 0);

    // A level that commits hands its locks to the enclosing level, whose abort then ends them: no
    // other transaction is refused the object afterwards.
    a.SetLevel(3);
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({3, 5})), 1);
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 1), 1);
    EXPECT_EQ(service.Entries(&a), (Strings{"1/4116:0:1", "3/4116:0:2", "5/4116:0:2"}));
    a.SetLevel(2);
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 0), 1);
    EXPECT_EQ(service.Entries(&a), (Strings{"1/4116:0:1"}));
    EXPECT_EQ(service.AcquireLock({&b, Ref(3), kTxn}), 1);
    // Committed at level 2 as well, they last until the outermost level ends.
    a.SetLevel(3);
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({5})), 1);
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 1), 1);
    a.SetLevel(2);
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 1), 1);
    EXPECT_EQ(service.Entries(&a), (Strings{"1/4116:0:1", "5/4116:0:1"}));
    a.SetLevel(1);
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 1), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+3/4116,5/4116", "-5/4116,3/4116", "+3/4116", "+5/4116",
                                            "-5/4116,1/4116"}));
    EXPECT_TRUE(service.Entries(&a).empty());
}

TEST_F(LocalLocks, ExplicitHoldTakesTheCurrentLevelAndOutlivesIt)
{
    ASSERT_EQ(service.AcquireLock({&a, Ref(4), kRead}), 1);
    a.SetLevel(2);
    ASSERT_EQ(service.AcquireTxnLocks(&a, kReadTxn, Refs({4})), 1);
    EXPECT_EQ(service.Entries(&a), (Strings{"4/1142:1:2"}));
    ASSERT_EQ(service.ReleaseTxnLocks(&a, 0), 1);
    EXPECT_EQ(service.Entries(&a), (Strings{"4/1142:1:0"}));
    // A transaction hold cannot be given back as an explicit one.
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({8})), 1);
    EXPECT_EQ(service.ReleaseLock({&a, Ref(8), KxGStoredLockMode(kTxn)}), 0);
    EXPECT_EQ(service.ReleaseCollLocks(&a, KxGStoredLockMode(kTxn), Refs({4, 8})), 0);
    EXPECT_EQ(service.Entries(&a), (Strings{"4/1142:1:0", "8/4116:0:2"}));
    EXPECT_EQ(service.TakeCalls(), (Strings{"+4/1142", "+8/4116"}));
}

TEST_F(LocalLocks, RefusedServerLockLeavesTheTableAsItWas)
{
    ASSERT_EQ(service.AcquireLock({&a, Ref(1), kRead}), 1);
    a.SetLevel(2);
    ASSERT_EQ(service.AcquireTxnLocks(&a, kReadTxn, Refs({2})), 1);
    a.SetLevel(3);
    ASSERT_EQ(service.AcquireLock({&b, Ref(3), kRead}), 1);
    const Strings before = service.Entries(&a);
    service.TakeCalls();

    // 1 gains a level, 2 keeps its level, 3 is shared with b, 4 and 5 are new: the server refuses 4 and 5.
    service.failAcquire = 1;
    EXPECT_EQ(service.AcquireTxnLocks(&a, kReadTxn, Refs({1, 2, 3, 4, 5, 4})), 0);
    EXPECT_EQ(service.TakeCalls(), (Strings{"+4/1142,5/1142"}));
    EXPECT_EQ(service.Entries(&a), before);
    EXPECT_EQ(service.Entries(&b), (Strings{"3/1142:1:0"}));

    service.failAcquire = 1;
    EXPECT_EQ(service.AcquireLock({&a, Ref(9), kRead}), 0);
    EXPECT_EQ(service.Entries(&a), before);
}

TEST_F(LocalLocks, RefusedServerReleaseKeepsTheLocksUntilALaterReleaseSucceeds)
{
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({1, 2})), 1);
    ASSERT_EQ(service.AcquireLock({&a, Ref(3), kRead}), 1);
    ASSERT_EQ(service.AcquireLock({&a, Ref(4), kRead}), 1);
    const Strings held = service.Entries(&a);
    service.TakeCalls();

    service.failRelease = 3;
    EXPECT_EQ(service.ReleaseTxnLocks(&a, 1), 0);
    EXPECT_EQ(service.ReleaseLock({&a, Ref(3), kRead}), 0);
    EXPECT_EQ(service.ReleaseCollLocks(&a, kRead, Refs({3, 4})), 0);
    EXPECT_EQ(service.Entries(&a), held);
    // Still held: another context is refused.
    EXPECT_EQ(service.AcquireLock({&b, Ref(1), kTxn}), 0);

    EXPECT_EQ(service.ReleaseTxnLocks(&a, 1), 1);
    EXPECT_EQ(service.ReleaseCollLocks(&a, kRead, Refs({3, 4})), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"-2/4116,1/4116", "-3/1142", "-3/1142,4/1142", "-2/4116,1/4116",
                                            "-3/1142,4/1142"}));
    EXPECT_TRUE(service.Entries(&a).empty());
}

TEST_F(LocalLocks, RowsLeftByAnEndedContextAreTakenOverOrReleasedLater)
{
    ASSERT_EQ(service.AcquireTxnLocks(&a, kTxn, Refs({1, 2})), 1);
    service.TakeCalls();

    // The context ends while the server refuses: its entries go, the rows wait.
    service.failRelease = 1;
    EXPECT_EQ(service.DeleteTxn(&a), 0);
    EXPECT_TRUE(service.Entries(&a).empty());
    EXPECT_EQ(service.GetPendingReleaseCount(), 2u);

    // The client asks for 1 again: its own row is still there, so nothing is inserted; the row is b's now.
    ASSERT_EQ(service.AcquireTxnLocks(&b, kTxn, Refs({1})), 1);
    EXPECT_EQ(service.GetPendingReleaseCount(), 1u);
    // An acquisition refused by the server hands the row back to the retry list.
    service.failAcquire = 1;
    EXPECT_EQ(service.AcquireTxnLocks(&b, kTxn, Refs({3, 2})), 0);
    EXPECT_EQ(service.GetPendingReleaseCount(), 1u);

    // b ends: its row and the one still waiting go together.
    ASSERT_EQ(service.DeleteTxn(&b), 1);
    EXPECT_EQ(service.TakeCalls(), (Strings{"-2/4116,1/4116", "+3/4116", "-1/4116,2/4116"}));
    EXPECT_EQ(service.GetPendingReleaseCount(), 0u);
    EXPECT_EQ(service.GetLockTable().Count(), 0u);
}

TEST(OtherLockServices, DummyGrantsEverythingAndTheConcurrencyControlServiceCannotWork)
{
    KxGDummyLockService dummy;
    KxGTransactionContext context;
    EXPECT_EQ(dummy.AcquireLock({&context, Ref(1), kTxn}), 1);
    EXPECT_EQ(dummy.AcquireTxnLocks(&context, kTxn, Refs({1})), 1);
    EXPECT_EQ(dummy.ReleaseLock({&context, Ref(1), kTxn}), 1);
    EXPECT_EQ(dummy.DeleteTxn(&context), 1);
    EXPECT_EQ(dummy.GetCreationError(), 0);

    KxGCCService cc(KxString("lockhost:4711"), nullptr, 3);
    EXPECT_EQ(cc.GetCreationError(), KXG_E_NO_LOCK_SERVER);
    EXPECT_STREQ(cc.GetHost().StrGet(), "lockhost");
    EXPECT_STREQ(cc.GetService().StrGet(), "4711");
    EXPECT_EQ(cc.SupportsCollLocks(), 0);
    EXPECT_EQ(cc.AcquireLock({&context, Ref(1), kRead}), 0);
    EXPECT_EQ(cc.GetLockTable().Count(), 0u);
    KxGCCService hostOnly(KxString("lockhost"), nullptr, 3);
    EXPECT_STREQ(hostOnly.GetHost().StrGet(), "lockhost");
    EXPECT_TRUE(hostOnly.GetService().IsEmpty());
}

}  // namespace
