// Resource managers on a context without connection: registration, the compound statement's
// preparation and request execution, and the context's stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxGCompoundStatement.h"
#include "KxGLockService.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxObjectAlias.h"

namespace {

const KxClassId kClass(17, 1);

// Grants everything and notes the objects of each AcquireTxnLocks and every release.
class NotingLockService : public KxGDummyLockService {
public:
    uint16_t AcquireTxnLocks(KxGTransactionContext*, uint16_t mode, const KxRefList& refs) override
    {
        std::string text = "acquire " + std::to_string(mode) + ":";
        for (const KxRef& ref : refs) {
            text += " " + std::to_string(ref.GetObjId().Get64());
        }
        notes.push_back(text);
        return grant;
    }
    uint16_t ReleaseTxnLocks(KxGTransactionContext*, uint16_t commit) override
    {
        notes.push_back(commit != 0 ? "release commit" : "release abort");
        return 1;
    }
    std::vector<std::string> notes;
    uint16_t grant = 1;
};

// A request whose execution answers a given result and notes that it ran.
class ScriptedRequest : public KxGRequest {
public:
    ScriptedRequest(int32_t result, std::vector<int32_t>& ran)
        : KxGRequest(nullptr, nullptr, kClass, KXG_OP_INSERT), result_(result), ran_(ran)
    {
    }
    int32_t Execute() override
    {
        ran_.push_back(result_);
        return result_;
    }

private:
    int32_t result_;
    std::vector<int32_t>& ran_;
};

// A compound statement that notes its brackets.
class NotingCompound : public KxGCompoundStatement {
public:
    explicit NotingCompound(KxGTransactionContext* context) : KxGCompoundStatement(context, 10) {}
    uint16_t BeginCompound() override
    {
        notes.push_back("begin");
        return 1;
    }
    uint16_t EndCompound(uint16_t ok) override
    {
        notes.push_back(ok != 0 ? "end commit" : "end rollback");
        return 1;
    }
    std::vector<std::string> notes;
};

class ResourceMgrTest : public ::testing::Test {
protected:
    static int32_t Register(KxGResourceMgr& manager, uint32_t id, uint16_t oldState, uint16_t newState)
    {
        KxRefObjectAlias alias(KxRef(KxObjId(id), kClass));
        return manager.Register(&alias, oldState, newState);
    }

    NotingLockService locks_;
    KxGTransactionContext context_{nullptr, &locks_, nullptr, nullptr};
};

TEST_F(ResourceMgrTest, SecondRegistrationKeepsOneStateWithTheLatestNewState)
{
    KxGTransaction transaction(&context_);
    ASSERT_EQ(context_.Push(&transaction), 0);
    EXPECT_EQ(Register(transaction, 5, 0x8000, 0x8000), 0);
    EXPECT_EQ(Register(transaction, 3, 0x0000, 0x8000), 0);
    EXPECT_EQ(Register(transaction, 5, 0x4000, 0x0000), KXG_E_ALREADY_REGISTERED);
    KxGRecoverableStateSortList* states = transaction.GetStates();
    ASSERT_EQ(states->Count(), 2u);
    EXPECT_EQ(states->At(0)->GetRef().GetObjId(), KxObjId(3));   // ordered by object id
    const KxGRecoverableState* state = states->Find(KxObjId(5));
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->GetOldState(), 0x8000);
    EXPECT_EQ(state->GetNewState(), 0x0000);
    context_.PopTo(&transaction);
}

TEST_F(ResourceMgrTest, CompoundStatementForwardsEveryRegistration)
{
    KxGTransaction transaction(&context_);
    KxGCompoundStatement compound(&context_, 10);
    context_.SetLevel(1);
    ASSERT_EQ(context_.Push(&transaction), 0);
    context_.SetLevel(2);
    ASSERT_EQ(context_.Push(&compound), 0);
    EXPECT_EQ(compound.GetParent(), &transaction);
    EXPECT_EQ(Register(compound, 5, 0x8000, 0x8000), 0);
    EXPECT_EQ(Register(compound, 5, 0x8000, 0x0000), KXG_E_ALREADY_REGISTERED);
    // The level below knows the latest new state: a rollback there chooses its repair from it.
    ASSERT_NE(transaction.GetStates()->Find(KxObjId(5)), nullptr);
    EXPECT_EQ(transaction.GetStates()->Find(KxObjId(5))->GetNewState(), 0x0000);
    context_.PopTo(&transaction);
    EXPECT_EQ(context_.GetTop(), nullptr);
}

TEST_F(ResourceMgrTest, CompoundPreparationLocksExistingObjectsAndKeepsTheFirstWarning)
{
    struct Case {
        const char* name;
        std::vector<int32_t> results;   // of the requests, in order
        int32_t prepared;
        std::vector<int32_t> ran;
    };
    const std::vector<Case> cases = {
        {"no requests", {}, 0, {}},
        {"a warning is kept", {0, 2017, 0}, 2017, {0, 2017, 0}},
        {"the first warning wins", {4102, 2017}, 4102, {4102, 2017}},
        {"a failure stops the rest", {0, -6001, 0}, -6001, {0, -6001}},
        {"a failure after a warning", {2017, -2028}, -2028, {2017, -2028}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        locks_.notes.clear();
        std::vector<int32_t> ran;
        NotingCompound compound(&context_);
        context_.SetLevel(1);
        ASSERT_EQ(context_.Push(&compound), 0);
        // Only objects that had and keep a row are locked.
        Register(compound, 7, 0x8000, 0x8000);
        Register(compound, 8, 0x0000, 0x8000);
        Register(compound, 9, 0x8000, 0x0000);
        for (int32_t result : c.results) {
            ASSERT_EQ(compound.AddRequest(new ScriptedRequest(result, ran)), 0);
        }
        EXPECT_EQ(compound.XAPrepare(), c.prepared);
        EXPECT_EQ(ran, c.ran);
        EXPECT_EQ(locks_.notes, (std::vector<std::string>{"acquire 4124: 7"}));
        EXPECT_EQ(compound.notes,
                  (std::vector<std::string>{"begin", c.prepared < 0 ? "end rollback" : "end commit"}));
        context_.PopTo(&compound);
        EXPECT_EQ(compound.GetRequests().Count(), 0u);   // ending deletes the requests
        context_.SetLevel(0);
    }
}

TEST_F(ResourceMgrTest, BracketsAtLevelOneOrWithTheFlagAndRefusedLocksStopEverything)
{
    struct Case {
        int16_t level;
        uint16_t flags;
        uint16_t grant;
        int32_t prepared;
        std::vector<std::string> brackets;
    };
    const Case cases[] = {
        {1, 1, 1, 0, {"begin", "end commit"}},
        {1, 0, 1, 0, {"begin", "end commit"}},
        {3, 1, 1, 0, {"begin", "end commit"}},
        {3, 0, 1, 0, {}},
        {1, 1, 0, KXG_E_LOCK_REFUSED, {}},
    };
    KxGTransaction below(&context_);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.level) + "/" + std::to_string(c.flags) + "/" + std::to_string(c.grant));
        locks_.grant = c.grant;
        NotingCompound compound(&context_);
        compound.SetFlags(c.flags);
        context_.SetLevel(c.level - 1);
        if (c.level > 1) {
            ASSERT_EQ(context_.Push(&below), 0);
        }
        context_.SetLevel(c.level);
        ASSERT_EQ(context_.Push(&compound), 0);
        EXPECT_EQ(compound.GetLevel(), c.level);
        EXPECT_EQ(compound.XAPrepare(), c.prepared);
        EXPECT_EQ(compound.notes, c.brackets);
        context_.PopTo(c.level > 1 ? static_cast<KxGResourceMgr*>(&below) : &compound);
    }
    locks_.grant = 1;
}

TEST_F(ResourceMgrTest, ContextStackPushesStartsAndPopsFromTheTop)
{
    // A savepoint level whose savepoint fails does not start and is not left on the stack.
    class Savepoints : public KxGSPTransaction {
    public:
        Savepoints(KxGTransactionContext* context, uint16_t ok) : KxGSPTransaction(context), ok_(ok) {}
        uint16_t SetSavepoint(int16_t) override { return ok_; }
        uint16_t RollbackToSavepoint(int16_t) override { return 1; }

    private:
        uint16_t ok_;
    };
    KxGTransaction first(&context_);
    Savepoints refused(&context_, 0);
    Savepoints second(&context_, 1);
    KxGCompoundStatement third(&context_, 10);
    KxGTransaction stranger(&context_);

    context_.SetLevel(1);
    ASSERT_EQ(context_.Push(&first), 0);
    context_.SetLevel(2);
    EXPECT_EQ(context_.Push(&refused), KXG_E_NO_RESOURCE_MANAGER);
    EXPECT_EQ(context_.GetTop(), &first);
    EXPECT_EQ(refused.GetLevel(), 0);
    ASSERT_EQ(context_.Push(&second), 0);
    context_.SetLevel(3);
    ASSERT_EQ(context_.Push(&third), 0);
    EXPECT_EQ(third.GetParent(), &second);

    context_.PopTo(&stranger);   // not on the stack: nothing happens
    EXPECT_EQ(context_.GetTop(), &third);
    context_.PopTo(&second);
    EXPECT_EQ(context_.GetTop(), &first);
    EXPECT_EQ(second.GetLevel(), 0);
    EXPECT_EQ(third.GetLevel(), 0);
    EXPECT_EQ(third.GetParent(), nullptr);
    context_.PopTo(&first);
    EXPECT_EQ(context_.GetTop(), nullptr);
}

}  // namespace
