// The client's connection pool: cloning, slot order, size, expiry, dead connections, failures of a
// clone, and one trace file per connection.
#include <string>
#include <vector>

#include "ClientFixture.h"

namespace {

using Ops = std::vector<std::string>;

class PoolTest : public ClientTest {
protected:
    KxGDatabase* Take()
    {
        KxGDatabase* database = nullptr;
        EXPECT_EQ(client_->GetPoolConnection(&database), 0);
        EXPECT_NE(database, nullptr);
        return database;
    }

    // The slots as connection ids (0 for an empty slot).
    std::vector<int32_t> Slots() const
    {
        std::vector<int32_t> ids;
        for (uint16_t i = 0; i < client_->GetPoolSize(); ++i) {
            KxGDatabase* slot = client_->GetPoolSlot(i);
            ids.push_back(slot != nullptr ? Fake(slot)->ConnectionId() : 0);
        }
        return ids;
    }

    static void Advance(int32_t seconds)
    {
        KxDateTime& now = TestNow();
        int32_t total = now.GetHour() * 3600 + now.GetMinute() * 60 + now.GetSecond() + seconds;
        KxDate date = now.GetDate();
        while (total >= 86400) {
            total -= 86400;
            date = KxDate(date.GetYear(), date.GetMonth(), date.GetDay() + 1);
        }
        now = KxDateTime(date, KxTime(total / 3600, total / 60 % 60, total % 60));
    }

    std::string CloseAndReadTrace(const std::string& name)
    {
        client_->CloseClient();
        return ReadFile(TraceFile(name));
    }

    std::string TraceSettings() const { return "TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n"; }
};

TEST_F(PoolTest, EmptyPoolClonesOpensAndRegistersAPoolConnection)
{
    OpenShop(TraceSettings() + "ConnectionPoolChecking=2\n");
    KxGFakeScript::ClearCalls();
    KxGDatabase* connection = Take();
    EXPECT_NE(connection, client_->GetDatabase());
    EXPECT_EQ(OpsOf(client_->GetDatabase()), (Ops{"CloneConnection"}));
    EXPECT_EQ(OpsOf(connection), (Ops{"SetTrace", "OpenConnection", "RegisterConnection"}));
    EXPECT_EQ(LastArgs("RegisterConnection"), "SRV,0,client_tests,1,0,1");
    EXPECT_EQ(Fake(connection)->Trace(), client_->GetTrace());   // one file: the client's writer
    EXPECT_EQ(client_->GetPoolSize(), 8);                        // the default
    EXPECT_EQ(client_->GetPoolChecking(), 2);

    KxGFakeScript::ClearCalls();
    EXPECT_EQ(client_->UngetPoolConnection(connection), 0);
    EXPECT_EQ(OpsOf(connection), (Ops{"SetRowNum", "TestConnectionAlive", "GetConnectionId"}));
    EXPECT_EQ(LastArgs("SetRowNum"), "0");
    EXPECT_EQ(LastArgs("TestConnectionAlive"), "2");

    const std::string trace = CloseAndReadTrace("t.trc");
    EXPECT_TRUE(Contains(trace, "create new connection\n")) << trace;
    EXPECT_TRUE(Contains(trace, "put connection 2 to pool at 0\n")) << trace;
    EXPECT_TRUE(Contains(trace, "<GetPoolConnection start=")) << trace;
    EXPECT_TRUE(Contains(trace, "</UngetPoolConnection ")) << trace;
}

TEST_F(PoolTest, TakesFromTheHighestSlotAndPutsIntoTheFirstEmptyOne)
{
    OpenShop(TraceSettings());
    KxGDatabase* a = Take();
    KxGDatabase* b = Take();
    KxGDatabase* c = Take();
    const int32_t idA = Fake(a)->ConnectionId();
    const int32_t idB = Fake(b)->ConnectionId();
    const int32_t idC = Fake(c)->ConnectionId();
    client_->UngetPoolConnection(a);
    client_->UngetPoolConnection(b);
    client_->UngetPoolConnection(c);
    EXPECT_EQ(Slots(), (std::vector<int32_t>{idA, idB, idC, 0, 0, 0, 0, 0}));

    KxGFakeScript::ClearCalls();
    EXPECT_EQ(Take(), c);
    EXPECT_EQ(Take(), b);
    EXPECT_EQ(KxGFakeScript::Count("CloneConnection"), 0u);
    EXPECT_EQ(Slots(), (std::vector<int32_t>{idA, 0, 0, 0, 0, 0, 0, 0}));
    client_->UngetPoolConnection(c);
    EXPECT_EQ(Slots(), (std::vector<int32_t>{idA, idC, 0, 0, 0, 0, 0, 0}));
    client_->UngetPoolConnection(b);

    const std::string trace = CloseAndReadTrace("t.trc");
    EXPECT_TRUE(Contains(trace, "take connection " + std::to_string(idC) + " from pool at 2\n")) << trace;
    EXPECT_TRUE(Contains(trace, "take connection " + std::to_string(idB) + " from pool at 1\n")) << trace;
    EXPECT_TRUE(Contains(trace, "put connection " + std::to_string(idC) + " to pool at 1\n")) << trace;
}

// Pool size 0 (and a negative size, taken as 0): every request clones, every return discards.
TEST_F(PoolTest, PoolOfSizeZeroClonesEveryTimeAndDiscardsEveryReturn)
{
    for (const char* size : {"0", "-3"}) {
        SCOPED_TRACE(size);
        OpenShop(TraceSettings() + "MaxConnectionPoolSize=" + size + "\n");
        KxGDatabase* first = Take();
        EXPECT_EQ(client_->GetPoolSize(), 0);
        KxGFakeScript::ClearCalls();
        client_->UngetPoolConnection(first);
        EXPECT_EQ(OpsOf(first), (Ops{"SetRowNum", "TestConnectionAlive", "UnregisterConnection", "CloseConnection",
                                     "Destroy"}));
        KxGDatabase* second = Take();
        EXPECT_EQ(KxGFakeScript::Count("CloneConnection"), 1u);
        client_->UngetPoolConnection(second);
        EXPECT_EQ(KxGFakeDatabase::LiveCount(), 1);   // the client's own connection only
        EXPECT_TRUE(Contains(CloseAndReadTrace("t.trc"), "pool is full0\n"));
        client_.reset();
        base_.reset();
        DeinitKelvox();
        started_ = false;
    }
}

TEST_F(PoolTest, FullPoolDiscardsTheReturnedConnection)
{
    OpenShop(TraceSettings() + "MaxConnectionPoolSize=1\n");
    KxGDatabase* a = Take();
    KxGDatabase* b = Take();
    client_->UngetPoolConnection(a);
    KxGFakeScript::ClearCalls();
    client_->UngetPoolConnection(b);
    EXPECT_EQ(OpsOf(b), (Ops{"SetRowNum", "TestConnectionAlive", "UnregisterConnection", "CloseConnection", "Destroy"}));
    EXPECT_EQ(LastArgs("UnregisterConnection"), "0");
    EXPECT_EQ(Slots(), (std::vector<int32_t>{Fake(a)->ConnectionId()}));
    EXPECT_TRUE(Contains(CloseAndReadTrace("t.trc"), "pool is full1\n"));
}

TEST_F(PoolTest, DeadConnectionsAreDiscardedWithoutUnregistering)
{
    OpenShop();
    KxGDatabase* a = Take();
    KxGDatabase* b = Take();
    client_->UngetPoolConnection(a);
    client_->UngetPoolConnection(b);

    // Taking: the dead connection in the highest slot is destroyed, the next live one is taken.
    Fake(b)->SetAlive(false);
    KxGFakeScript::ClearCalls();
    EXPECT_EQ(Take(), a);
    EXPECT_EQ(OpsOf(b), (Ops{"TestConnectionAlive", "Destroy"}));
    EXPECT_EQ(Slots(), (std::vector<int32_t>(8, 0)));

    // Returning a dead connection destroys it and leaves the pool as it was.
    Fake(a)->SetAlive(false);
    KxGFakeScript::ClearCalls();
    client_->UngetPoolConnection(a);
    EXPECT_EQ(OpsOf(a), (Ops{"SetRowNum", "TestConnectionAlive", "Destroy"}));
    EXPECT_EQ(Slots(), (std::vector<int32_t>(8, 0)));

    // Every pooled connection dead: a new one is cloned.
    KxGDatabase* c = Take();
    const int32_t idC = Fake(c)->ConnectionId();
    client_->UngetPoolConnection(c);
    Fake(c)->SetAlive(false);
    KxGFakeScript::ClearCalls();
    KxGDatabase* d = Take();   // may lie where c lay: told apart by the connection id
    EXPECT_NE(Fake(d)->ConnectionId(), idC);
    EXPECT_EQ(KxGFakeScript::Count("CloneConnection"), 1u);
    client_->UngetPoolConnection(d);
}

TEST_F(PoolTest, ConnectionsUnusedLongerThanTheExpirationAreClosed)
{
    OpenShop(TraceSettings() + "ConnectionPoolExpirationTime=60\n");
    KxGDatabase* a = Take();
    client_->UngetPoolConnection(a);
    const int32_t idA = Fake(a)->ConnectionId();

    Advance(60);   // exactly the expiration time: kept
    EXPECT_EQ(Take(), a);
    client_->UngetPoolConnection(a);

    Advance(61);
    KxGFakeScript::ClearCalls();
    KxGDatabase* fresh = Take();   // may lie where a lay: told apart by the connection id
    EXPECT_NE(Fake(fresh)->ConnectionId(), idA);
    EXPECT_EQ(OpsOf(a), (Ops{"UnregisterConnection", "CloseConnection", "Destroy"}));
    EXPECT_EQ(KxGFakeScript::Count("CloneConnection"), 1u);
    client_->UngetPoolConnection(fresh);
    EXPECT_EQ(client_->GetPoolExpirationTime(), 60);

    const std::string trace = CloseAndReadTrace("t.trc");
    EXPECT_TRUE(Contains(trace, "<CloseExpiredPoolConnection start=")) << trace;
    EXPECT_TRUE(Contains(trace, "Close pool connection 0 after being unused for 61 seconds\n")) << trace;
    EXPECT_FALSE(Contains(trace, "take connection " + std::to_string(idA) + " from pool at 0\ncreate"));
}

TEST_F(PoolTest, ExpiryAtReturnShiftsLaterSlotsDownAndCountsAcrossMidnight)
{
    TestNow() = KxDateTime(2024, 5, 17, 23, 59, 0);
    OpenShop("ConnectionPoolExpirationTime=60\n");
    KxGDatabase* a = Take();
    KxGDatabase* b = Take();
    KxGDatabase* c = Take();
    client_->UngetPoolConnection(a);   // 23:59:00
    Advance(30);
    client_->UngetPoolConnection(b);   // 23:59:30
    Advance(32);                       // 00:00:02 next day: a is 62 s old, b 32 s
    KxGFakeScript::ClearCalls();
    client_->UngetPoolConnection(c);
    EXPECT_EQ(OpsOf(a), (Ops{"UnregisterConnection", "CloseConnection", "Destroy"}));
    EXPECT_EQ(Slots(), (std::vector<int32_t>{Fake(b)->ConnectionId(), Fake(c)->ConnectionId(), 0, 0, 0, 0, 0, 0}));

    Advance(29);   // b is 61 s old, c 29 s: b goes and c moves down to slot 0
    KxGFakeScript::ClearCalls();
    EXPECT_EQ(Take(), c);
    EXPECT_EQ(OpsOf(b), (Ops{"UnregisterConnection", "CloseConnection", "Destroy"}));
    client_->UngetPoolConnection(c);
}

// Expired neighbours: after a slot is emptied the same index is examined again, so a run of expired
// connections all go and the first live one ends in slot 0.
TEST_F(PoolTest, ConsecutiveExpiredConnectionsAllGo)
{
    OpenShop(TraceSettings() + "ConnectionPoolExpirationTime=60\n");
    KxGDatabase* a = Take();
    KxGDatabase* b = Take();
    KxGDatabase* c = Take();
    const int32_t idC = Fake(c)->ConnectionId();
    client_->UngetPoolConnection(a);
    client_->UngetPoolConnection(b);
    Advance(30);
    client_->UngetPoolConnection(c);
    Advance(31);   // a and b 61 s old, c 31 s
    KxGFakeScript::ClearCalls();
    EXPECT_EQ(Take(), c);
    EXPECT_EQ(OpsOf(a), (Ops{"UnregisterConnection", "CloseConnection", "Destroy"}));
    EXPECT_EQ(OpsOf(b), (Ops{"UnregisterConnection", "CloseConnection", "Destroy"}));
    EXPECT_EQ(KxGFakeScript::Count("CloneConnection"), 0u);
    client_->UngetPoolConnection(c);

    const std::string trace = CloseAndReadTrace("t.trc");
    const std::string closed = "Close pool connection 0 after being unused for 61 seconds\n";
    ASSERT_NE(At(trace, closed), std::string::npos) << trace;
    EXPECT_NE(trace.find(closed, At(trace, closed) + 1), std::string::npos) << trace;
    EXPECT_TRUE(Contains(trace, "take connection " + std::to_string(idC) + " from pool at 0\n")) << trace;
}

TEST_F(PoolTest, NoExpiryWithExpirationZeroOrLess)
{
    for (const char* expiration : {"0", "-5"}) {
        SCOPED_TRACE(expiration);
        OpenShop(std::string("ConnectionPoolExpirationTime=") + expiration + "\n");
        KxGDatabase* a = Take();
        client_->UngetPoolConnection(a);
        Advance(86400 * 3);
        EXPECT_EQ(Take(), a);
        client_->UngetPoolConnection(a);
        client_.reset();
        base_.reset();
        DeinitKelvox();
        started_ = false;
    }
}

TEST_F(PoolTest, CloneThatCannotBeMadeGives6035)
{
    OpenShop();
    KxGFakeScript::Fail("CloneConnection", -1);
    KxGDatabase* database = reinterpret_cast<KxGDatabase*>(0x1);
    EXPECT_EQ(client_->GetPoolConnection(&database), -6035);
    EXPECT_EQ(database, nullptr);
    // A closed client has no connection to clone.
    client_->CloseClient();
    EXPECT_EQ(client_->GetPoolConnection(&database), -6035);
}

// A clone that fails to open or register is closed when it was opened, destroyed and not pooled; an
// adapter that fails without a code gives -6035.
TEST_F(PoolTest, FailedCloneIsDisposedOfAndReportsAFailure)
{
    struct Row {
        const char* name;
        const char* operation;
        int32_t adapterCode;
        int32_t status;
        Ops cloneCalls;
    };
    const Row rows[] = {
        {"OpenFails", "OpenConnection", -6017, -6017, {"SetTrace", "OpenConnection", "Destroy"}},
        {"OpenFailsWithoutCode", "OpenConnection", 0, -6035, {"SetTrace", "OpenConnection", "Destroy"}},
        {"RegisterFails", "RegisterConnection", -6002, -6002,
         {"SetTrace", "OpenConnection", "RegisterConnection", "CloseConnection", "Destroy"}},
        {"RegisterFailsWithoutCode", "RegisterConnection", 0, -6035,
         {"SetTrace", "OpenConnection", "RegisterConnection", "CloseConnection", "Destroy"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // One trace file per connection, so that a lost writer of the clone would show as a leak.
        OpenShop("TraceModules=CA\nTraceMode=MANY\nTraceFile=" + TraceFile("gw") + "\n");
        KxGFakeScript::ClearCalls();
        KxGFakeScript::Fail(row.operation, row.adapterCode);
        KxGDatabase* database = nullptr;
        EXPECT_EQ(client_->GetPoolConnection(&database), row.status);
        EXPECT_EQ(database, nullptr);
        const void* clone = nullptr;
        for (const KxGFakeCall& call : KxGFakeScript::Calls()) {
            if (call.object != client_->GetDatabase() && call.object != nullptr) {
                clone = call.object;
                break;
            }
        }
        EXPECT_EQ(OpsOf(clone), row.cloneCalls);
        EXPECT_EQ(KxGFakeDatabase::LiveCount(), 1);
        EXPECT_EQ(Slots(), (std::vector<int32_t>(8, 0)));
        // The clone's own trace file was closed with its writer.
        EXPECT_TRUE(Contains(ReadFile(TraceFile("gw1.trc")), "</file")) << row.name;
        KxGFakeScript::Reset();
        client_.reset();
        base_.reset();
        DeinitKelvox();
        started_ = false;
    }
}

TEST_F(PoolTest, ManyModeGivesEveryConnectionItsOwnNumberedFile)
{
    OpenShop("TraceModules=CA,DBA\nTraceMode=many\nTraceFile=" + TraceFile("gw") + "\n");
    ASSERT_TRUE(client_->IsTraceFilePerConnection());
    EXPECT_EQ(client_->GetTraceBaseName(), KxString(TraceFile("gw")));
    KxGDatabase* first = Take();
    KxGDatabase* second = Take();
    ASSERT_NE(Fake(first)->Trace(), nullptr);
    EXPECT_NE(Fake(first)->Trace(), client_->GetTrace());
    EXPECT_NE(Fake(first)->Trace(), Fake(second)->Trace());
    EXPECT_EQ(Fake(first)->Trace()->GetModules(), 0x8001);
    {
        KxGTraceTag tag(*first, KXG_TRACE_DBA, "FirstWork");
    }
    // A discarded pool connection takes its file's writer with it.
    Fake(second)->SetAlive(false);
    client_->UngetPoolConnection(second);
    EXPECT_TRUE(Contains(ReadFile(TraceFile("gw2.trc")), "</file"));
    client_->UngetPoolConnection(first);

    const std::string own = CloseAndReadTrace("gw0.trc");
    EXPECT_TRUE(Contains(own, "Tessaform Gateway Trace file (CA,DBA,32769)")) << own;
    EXPECT_TRUE(Contains(own, "</CloseClient"));
    const std::string pooled = ReadFile(TraceFile("gw1.trc"));
    EXPECT_TRUE(Contains(pooled, "<FirstWork start=")) << pooled;
    EXPECT_TRUE(Contains(pooled, "</file"));   // closed with the pool at close
    EXPECT_FALSE(Contains(pooled, "Tessaform Gateway Trace file"));
    EXPECT_FALSE(std::filesystem::exists(TraceFile("gw3.trc")));
}

}  // namespace
