// The surrogate allocator run for real: the Oracle adapter's database object on a server of the
// embedded engine whose schema S holds SURROGATES, and a second session of the engine that sets and
// reads the counter row beside the allocator.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "KxGGenericLockService.h"
#include "KxGColumn.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraStatementHdl.h"
#include "KxGProjection.h"
#include "KxGSchemaConstants.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGSurrogates.h"
#include "KxGTransactionContext.h"
#include "KxGTypeHdl.h"
#include "OraMarkedLockService.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

extern char** environ;

namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr uint64_t k2To32 = uint64_t(1) << 32;
// How long a writer waits for another session's write of the same schema file: ample, so that a
// loaded machine makes the concurrent tests slower, never failing.
constexpr int32_t kPatientBusyTimeout = 30000;
// The worker process's settings: "<server>|<directory>|<output file>|<blocks>".
constexpr const char* kWorkerVariable = "ROG_SURROGATE_WORKER";

KxObjId Id(uint64_t value)
{
    KxObjId id;
    id.Set64(value);
    return id;
}

// A block handed out: first id and count.
using Block = std::pair<uint64_t, int32_t>;

// Fetches `blocks` blocks of 1 to 7 ids on the allocator. A fetch may fail when the other clients
// win the race for the counter in every one of its attempts (it then reserves nothing); such a fetch
// is asked again, up to kRetries times. false when a block cannot be had, with the connection's
// error text in `why`.
constexpr int kRetries = 50;

bool FetchBlocks(KxGSurrogateAllocator& allocator, int blocks, std::vector<Block>& out, std::string& why)
{
    for (int i = 0; i < blocks; ++i) {
        const int32_t count = 1 + i % 7;
        KxObjId ids[1];
        int tries = 0;
        while (allocator.FetchSurrogates(ids, count) != 0) {
            if (++tries > kRetries) {
                why = "block " + std::to_string(i) + ": " + allocator.GetDatabase()->GetError()->Text();
                return false;
            }
            ids[0] = KxObjId();
        }
        out.emplace_back(ids[0].Get64(), count);
    }
    return true;
}

// No id lies in two blocks; the blocks fill [from, from + total ids) without a gap.
void ExpectDisjointAndDense(std::vector<Block> blocks, uint64_t from)
{
    std::sort(blocks.begin(), blocks.end());
    uint64_t next = from;
    for (const Block& block : blocks) {
        ASSERT_EQ(block.first, next) << "a block overlaps another or leaves a gap";
        next += static_cast<uint64_t>(block.second);
    }
}

class EngineSurrogates : public oratest::DatabaseTest {
protected:
    EngineSurrogates() : DatabaseTest({.prefix = "SUR_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        sqlengine::Error error;
        other_ = sqlengine::Session::Begin(server_, "S", "s", error);
        ASSERT_TRUE(other_) << error.message;
        // The tables as the Oracle dialect makes them.
        auto* info = static_cast<KxGOraDatabaseInfo*>(db_->GetDatabaseInfo());
        const KxGQualifiedIdentity surrogates(KxString("SURROGATES"), KxString("S"));
        const KxGColumn id(KxString("ID"), KXG_TYPE_INT, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
        const KxGColumn serial(KxString("SERIAL_ID"), KXG_TYPE_OID);
        KxGExtendedProjection columns(surrogates);   // keeps the columns' addresses
        columns.AddColumn(id);
        columns.AddColumn(serial);
        oratest::OwnedList create;
        create.Append(info->CreateTable(surrogates, columns));
        info->CreateLocks(KxString("S"), create);
        KxGStatementTemplate probe{KxString("SELECT 1 FROM DUAL")};
        oratest::StatementHdlPtr handle(db_->CreateStatementHdl(&probe));
        ASSERT_TRUE(handle);
        for (uint32_t i = 0; i < create.Count(); ++i) {
            ASSERT_NE(create.GetTemplate(i), nullptr);
            ASSERT_EQ(static_cast<KxGOraStatementHdl*>(handle.get())->ExecDirect(create.GetTemplate(i)), 1)
                << create.GetTemplate(i)->GetSQLText().StrGet() << ": " << db_->GetError()->Text();
        }
        Run("INSERT INTO S.SURROGATES (ID, SERIAL_ID) VALUES (1, 100)");
        Commit();
        savedBusyTimeout_ = sqlengine::Engine::Instance().BusyTimeout();
        sqlengine::Engine::Instance().SetBusyTimeout(kPatientBusyTimeout);
        types_ = db_->GetTypeHdlMgr();
        ASSERT_NE(types_, nullptr);
        savedFlags_ = types_->GetFlags();
    }

    void TearDown() override
    {
        sqlengine::Engine::Instance().SetBusyTimeout(savedBusyTimeout_);
        if (types_ != nullptr) {
            types_->SetFlags(savedFlags_);
        }
        if (other_) {
            other_->End();
            other_.reset();
        }
        DatabaseTest::TearDown();
    }

    void Run(const std::string& sql) { oratest::RunOn(*other_, sql); }
    void Commit()
    {
        sqlengine::Error error;
        ASSERT_TRUE(other_->Commit(error)) << error.message;
    }
    // The counter as the other session reads it ("none" without the row).
    std::string Counter()
    {
        Rows rows = oratest::RowTexts(oratest::RunOn(*other_, "SELECT SERIAL_ID FROM S.SURROGATES WHERE ID = 1"));
        return rows.empty() ? "none" : rows[0][0];
    }
    void SetCounter(uint64_t value)
    {
        Run("UPDATE S.SURROGATES SET SERIAL_ID = " + std::to_string(value) + " WHERE ID = 1");
        Commit();
    }
    // A connection of its own to the same schema.
    oratest::DatabasePtr Connect()
    {
        oratest::DatabasePtr database(new KxGOraDatabase(KxString(serverName_.c_str()), KxString("s"), KxString("s"),
                                                         KxString("s"), nullptr, nullptr));
        EXPECT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        return database;
    }

    std::shared_ptr<sqlengine::Session> other_;
    KxGTypeHdlMgr* types_ = nullptr;
    uint8_t savedFlags_ = 0;
    int32_t savedBusyTimeout_ = 1000;
};

TEST_F(EngineSurrogates, StatementsReadAndCompareAndSetTheCounterRow)
{
    KxGSurrogateAllocator allocator(db_.get());
    ASSERT_EQ(allocator.GetCreationError(), 0);
    EXPECT_STREQ(allocator.GetReadTemplate()->GetSQLText().StrGet(),
                 " SELECT SERIAL_ID FROM S.SURROGATES WHERE ID = :1");
    EXPECT_STREQ(allocator.GetUpdateTemplate()->GetSQLText().StrGet(),
                 "UPDATE S.SURROGATES SET SERIAL_ID = :1 WHERE ID = :2 AND SERIAL_ID = :3");
}

// One case: the counter before (0: no row), whether 48-bit ids are in use, the operation, and what
// it leaves.
struct Case {
    const char* name;
    uint64_t counter;
    bool wideIds;
    // Fetch: floor (ids[0] on entry) and count. Recycle: the ids given back.
    bool fetch;
    uint64_t floor;
    int32_t count;
    std::vector<uint64_t> recycled;
    int32_t status;
    uint64_t firstId;      // ids[0] afterwards (fetch)
    const char* after;     // the counter afterwards
};

TEST_F(EngineSurrogates, EdgeCases)
{
    const uint64_t top = k2To32 - 5;
    const std::vector<Case> cases = {
        {"block from the counter", 100, false, true, 0, 10, {}, 0, 100, "110"},
        {"floor below the counter", 100, false, true, 50, 10, {}, 0, 100, "110"},
        {"floor above the counter starts the block there", 100, false, true, 500, 10, {}, 0, 500, "510"},
        {"missing counter row", 0, false, true, 7, 10, {}, KXG_E_NO_SURROGATES, 7, "none"},
        {"count 0 is refused", 100, false, true, 0, 0, {}, KXG_E_NO_SURROGATES, 0, "100"},
        {"negative count is refused", 100, false, true, 0, -5, {}, KXG_E_NO_SURROGATES, 0, "100"},
        {"crossing 2^32 without 48-bit ids", top, false, true, 0, 10, {}, KXG_E_NO_SURROGATES, 0,
         "4294967291"},
        {"reaching 2^32 without 48-bit ids", top, false, true, 0, 5, {}, KXG_E_NO_SURROGATES, 0, "4294967291"},
        {"crossing 2^32 with 48-bit ids", top, true, true, 0, 10, {}, 0, top, "4294967301"},
        {"recycling the last block", 120, false, false, 0, 0, {110, 111, 112, 113, 114, 115, 116, 117, 118, 119},
         0, 0, "110"},
        {"recycling after another client fetched", 130, false, false, 0, 0, {110, 111, 112, 113, 114}, 0, 0, "130"},
        {"recycling ids that are not consecutive gives back the last run", 120, false, false, 0, 0,
         {100, 101, 105, 117, 118, 119}, 0, 0, "117"},
        {"recycling around a used id gives back only the run after it", 120, false, false, 0, 0, {116, 117, 119},
         0, 0, "119"},
        {"recycling a run that does not end at the counter keeps it", 120, false, false, 0, 0, {110, 111, 112}, 0,
         0, "120"},
        {"recycling nothing", 120, false, false, 0, 0, {}, 0, 0, "120"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.counter == 0) {
            Run("DELETE FROM S.SURROGATES");
            Commit();
        } else {
            Run("DELETE FROM S.SURROGATES");
            Run("INSERT INTO S.SURROGATES (ID, SERIAL_ID) VALUES (1, " + std::to_string(c.counter) + ")");
            Commit();
        }
        types_->SetFlags(c.wideIds ? uint8_t(savedFlags_ | KXG_TYPEMGR_OID48_IN_USE)
                                   : uint8_t(savedFlags_ & ~KXG_TYPEMGR_OID48_IN_USE));
        KxGSurrogateAllocator allocator(db_.get());
        ASSERT_EQ(allocator.GetCreationError(), 0);
        if (c.fetch) {
            KxObjId ids[1] = {Id(c.floor)};
            EXPECT_EQ(allocator.FetchSurrogates(ids, c.count), c.status);
            EXPECT_EQ(ids[0].Get64(), c.firstId);
        } else {
            std::vector<KxObjId> ids;
            for (uint64_t value : c.recycled) {
                ids.push_back(Id(value));
            }
            EXPECT_EQ(allocator.RecycleSurrogates(ids.data(), static_cast<int32_t>(ids.size())), c.status);
        }
        EXPECT_EQ(Counter(), c.after);
    }
}

TEST_F(EngineSurrogates, RecycleRefusesCountsBelowOne)
{
    SetCounter(120);
    KxGSurrogateAllocator allocator(db_.get());
    KxObjId first = Id(120);
    EXPECT_EQ(allocator.Recycle(first, 0), 0);
    first = Id(125);
    EXPECT_EQ(allocator.Recycle(first, -5), 0);   // would move the counter up past unused ids
    EXPECT_EQ(Counter(), "120");
    first = Id(115);
    EXPECT_EQ(allocator.Recycle(first, 5), 1);
    EXPECT_EQ(Counter(), "115");
}

TEST_F(EngineSurrogates, FailedUpdateIsRolledBackAndReported)
{
    KxGSurrogateAllocator allocator(db_.get());
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 8177, "UPDATE S.SURROGATES");
    KxObjId ids[1];
    EXPECT_EQ(allocator.FetchSurrogates(ids, 10), KXG_E_NO_SURROGATES);
    EXPECT_EQ(Counter(), "100");
    EXPECT_EQ(allocator.FetchSurrogates(ids, 10), 0);
    EXPECT_EQ(ids[0].Get64(), 100u);
    EXPECT_EQ(Counter(), "110");
}

TEST_F(EngineSurrogates, AnUnusableSchemaNameIsRefused)
{
    // The database name is the schema name; this one would let text into the statements.
    oratest::DatabasePtr database(new KxGOraDatabase(KxString(serverName_.c_str()), KxString("s x"), KxString("s"),
                                                     KxString("s"), nullptr, nullptr));
    KxGSurrogateAllocator allocator(database.get());
    EXPECT_EQ(allocator.GetCreationError(), KXG_E_INVALID_DATABASE_NAME);
    KxObjId ids[1];
    EXPECT_EQ(allocator.FetchSurrogates(ids, 1), KXG_E_NO_SURROGATES);
}

// A connection on which another client moves the counter whenever a statement is made, that is
// between the allocator's read of the counter and its update, as long as it has moves left.
class RivalledDatabase : public KxGOraDatabase {
public:
    RivalledDatabase(const std::string& server, sqlengine::Session& rival)
        : KxGOraDatabase(KxString(server.c_str()), KxString("s"), KxString("s"), KxString("s"), nullptr, nullptr),
          rival_(rival)
    {
    }
    KxGStatementHdlCache* GetStatementHdlCache() override
    {
        if (movesLeft != 0) {
            --movesLeft;
            ++moves;
            oratest::RunOn(rival_, "UPDATE S.SURROGATES SET SERIAL_ID = SERIAL_ID + 1000 WHERE ID = 1");
            sqlengine::Error error;
            EXPECT_TRUE(rival_.Commit(error)) << error.message;
        }
        return KxGOraDatabase::GetStatementHdlCache();
    }

    int movesLeft = 0;   // -1: without end
    int moves = 0;

private:
    sqlengine::Session& rival_;
};

TEST_F(EngineSurrogates, TheLoserOfARaceReadsAgainAndGivesUpAfterThirtyAttempts)
{
    RivalledDatabase database(serverName_, *other_);
    ASSERT_EQ(database.OpenConnection(), 1) << database.GetError()->Text();
    KxGSurrogateAllocator allocator(&database);

    // The counter moves under the first attempt: the allocator loses, reads again and takes the
    // block from where the other client left the counter.
    database.movesLeft = 2;
    KxObjId ids[1];
    ASSERT_EQ(allocator.FetchSurrogates(ids, 10), 0);
    EXPECT_EQ(database.movesLeft, 0);
    const uint64_t moved = 100 + 1000 * static_cast<uint64_t>(database.moves);
    EXPECT_EQ(ids[0].Get64(), moved);
    EXPECT_EQ(Counter(), std::to_string(moved + 10));

    // Losing every attempt: the fetch ends, reserves nothing and leaves the other client's counter.
    database.movesLeft = -1;
    database.moves = 0;
    ids[0] = KxObjId();
    EXPECT_EQ(allocator.FetchSurrogates(ids, 10), KXG_E_NO_SURROGATES);
    EXPECT_TRUE(ids[0].IsNull());
    const int movesOfThirtyAttempts = database.moves;
    // Each attempt makes its read and its update statement: one or two moves per attempt.
    EXPECT_GE(movesOfThirtyAttempts, KxGSurrogateAllocator::kMaxAttempts);
    EXPECT_LE(movesOfThirtyAttempts, 2 * KxGSurrogateAllocator::kMaxAttempts);
    EXPECT_EQ(Counter(), std::to_string(moved + 10 + 1000 * static_cast<uint64_t>(movesOfThirtyAttempts)));
    database.movesLeft = 0;
    database.CloseConnection();
}

TEST_F(EngineSurrogates, TwoThreadsOnTwoConnectionsReceiveDisjointBlocks)
{
    constexpr int kBlocks = 400;   // 1600 ids per thread
    oratest::DatabasePtr first = Connect();
    oratest::DatabasePtr second = Connect();
    KxGSurrogateAllocator a(first.get());
    KxGSurrogateAllocator b(second.get());
    std::vector<Block> blocksA;
    std::vector<Block> blocksB;
    std::string whyA;
    std::string whyB;
    std::atomic<bool> okA{false};
    std::atomic<bool> okB{false};
    std::thread ta([&] { okA = FetchBlocks(a, kBlocks, blocksA, whyA); });
    std::thread tb([&] { okB = FetchBlocks(b, kBlocks, blocksB, whyB); });
    ta.join();
    tb.join();
    ASSERT_TRUE(okA) << whyA;
    ASSERT_TRUE(okB) << whyB;
    std::vector<Block> all = blocksA;
    all.insert(all.end(), blocksB.begin(), blocksB.end());
    ExpectDisjointAndDense(all, 100);
    uint64_t total = 0;
    for (const Block& block : all) {
        total += static_cast<uint64_t>(block.second);
    }
    EXPECT_EQ(Counter(), std::to_string(100 + total));
    first->CloseConnection();
    second->CloseConnection();
}

TEST_F(EngineSurrogates, TwoProcessesReceiveDisjointBlocks)
{
    constexpr int kBlocks = 300;   // 1200 ids per process
    std::vector<pid_t> workers;
    std::vector<std::string> outputs;
    for (int w = 0; w < 2; ++w) {
        outputs.push_back(dir_.Path("blocks" + std::to_string(w) + ".txt"));
        const std::string setting = std::string(kWorkerVariable) + "=" + serverName_ + "|" + dir_.Path("db") + "|" +
                                    outputs.back() + "|" + std::to_string(kBlocks);
        std::vector<std::string> environment{setting};
        for (char** variable = environ; *variable != nullptr; ++variable) {
            if (std::string(*variable).rfind(kWorkerVariable, 0) != 0) {
                environment.emplace_back(*variable);
            }
        }
        std::vector<char*> envp;
        for (std::string& variable : environment) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        std::string program = "/proc/self/exe";
        std::string filter = "--gtest_filter=SurrogateWorker.FetchAndWrite";
        char* argv[] = {program.data(), filter.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        workers.push_back(pid);
    }
    for (pid_t pid : workers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "worker failed";
    }
    std::vector<Block> all;
    for (const std::string& output : outputs) {
        std::ifstream in(output);
        uint64_t first = 0;
        int32_t count = 0;
        size_t read = 0;
        while (in >> first >> count) {
            all.emplace_back(first, count);
            ++read;
        }
        EXPECT_EQ(read, static_cast<size_t>(kBlocks)) << output;
    }
    ExpectDisjointAndDense(all, 100);
}

// The worker: fetches blocks on a connection of its own and writes them, one "first count" a line.
TEST(SurrogateWorker, FetchAndWrite)
{
    const char* settings = std::getenv(kWorkerVariable);
    if (settings == nullptr) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    std::vector<std::string> parts;
    std::string text(settings);
    for (size_t at = 0;;) {
        const size_t bar = text.find('|', at);
        parts.push_back(text.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
        if (bar == std::string::npos) {
            break;
        }
        at = bar + 1;
    }
    ASSERT_EQ(parts.size(), 4u);
    sqlengine::Engine::Instance().SetBusyTimeout(kPatientBusyTimeout);
    sqlengine::Error error;
    auto server = sqlengine::Engine::Instance().RegisterServer(parts[0], parts[1], &error);
    ASSERT_TRUE(server) << error.message;
    KxGOraDatabase database(KxString(parts[0].c_str()), KxString("s"), KxString("s"), KxString("s"), nullptr,
                            nullptr);
    ASSERT_EQ(database.OpenConnection(), 1) << database.GetError()->Text();
    std::vector<Block> blocks;
    {
        KxGSurrogateAllocator allocator(&database);
        std::string why;
        ASSERT_TRUE(FetchBlocks(allocator, std::stoi(parts[3]), blocks, why)) << why;
    }
    database.CloseConnection();
    std::ofstream out(parts[2]);
    for (const Block& block : blocks) {
        out << block.first << " " << block.second << "\n";
    }
}

// The client's connection serves the lock service and the allocator at once. A surrogate update that
// fails rolls the connection back; without one mutex for both, that rollback could take a lock row
// that was inserted but not yet committed, and its caller would report the lock as granted.
TEST_F(EngineSurrogates, LockInsertsAndSurrogateFetchesShareTheConnectionWithoutLoss)
{
    constexpr uint32_t kLocks = 300;
    constexpr int kFetches = 300;
    Run("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (5, 'me', 5, 'DEFAULT')");
    Commit();
    oratest::OracleMarkedLockService locks(db_.get(), 5);   // no SetSync: critical section 13 is not there yet
    ASSERT_EQ(locks.GetCreationError(), 0);
    KxGSurrogateAllocator allocator(db_.get());
    KxGTransactionContext context;
    context.SetLevel(1);

    std::atomic<uint32_t> granted{0};
    std::atomic<int> listed{0};
    std::thread locker([&] {
        for (uint32_t i = 1; i <= kLocks; ++i) {
            const KxRefList one{KxRef(KxObjId(i), KxClassId(7, 1))};
            if (locks.AcquireTxnLocks(&context, KXG_LOCK_MODE_TXN, one) == 1) {
                ++granted;
            }
            if (i % 25 == 0) {
                KxGLockHolderList holders;
                if (locks.GetLockList(one[0], holders) == 0 && holders.Count() == 1) {
                    ++listed;
                }
            }
        }
    });
    std::vector<Block> blocks;
    int failures = 0;
    for (int i = 0; i < kFetches; ++i) {
        if (i % 3 == 0) {
            // The next update of the counter fails and is rolled back.
            sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 8177, "UPDATE S.SURROGATES");
        }
        KxObjId ids[1];
        if (allocator.FetchSurrogates(ids, 2) == 0) {
            blocks.emplace_back(ids[0].Get64(), 2);
        } else {
            ++failures;
        }
    }
    locker.join();
    sqlengine::Engine::Instance().ClearInjectedFailures();

    EXPECT_EQ(granted.load(), kLocks);
    EXPECT_EQ(listed.load(), static_cast<int>(kLocks / 25));
    EXPECT_EQ(failures, (kFetches + 2) / 3);
    Rows count = oratest::RowTexts(oratest::RunOn(*other_, "SELECT COUNT(*) FROM S.LOCKS"));
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0][0], std::to_string(kLocks)) << "a lock reported as granted has no row";
    ExpectDisjointAndDense(blocks, 100);
    EXPECT_EQ(Counter(), std::to_string(100 + 2 * blocks.size()));
    EXPECT_EQ(locks.ReleaseTxnLocks(&context, 1), 1);
}

}  // namespace
