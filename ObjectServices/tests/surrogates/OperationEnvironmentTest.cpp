// The operation environment: its flags, the catalog handed over at open, and the batch read with
// the read unit of work, against requests that record their executions and deletions.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxGConnectionLock.h"
#include "KxGOperationEnvironment.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatusCodes.h"
#include "KxObjectAlias.h"
#include "KxRef.h"

namespace {

// Stand-ins for the catalog and the class maps: only their addresses are used.
struct Opaque {
    int unused = 0;
};
Opaque catalogObject;
Opaque personMap;
Opaque orderMap;

KxGCatalog* Catalog()
{
    return reinterpret_cast<KxGCatalog*>(&catalogObject);
}

const KxClassId kPerson(17, 1);
const KxClassId kOrder(18, 1);
const KxClassId kUnmapped(19, 1);

KxGClassMap* Lookup(KxGCatalog* catalog, const KxClassId& classId)
{
    if (catalog != Catalog()) {
        return nullptr;
    }
    if (classId == kPerson) {
        return reinterpret_cast<KxGClassMap*>(&personMap);
    }
    if (classId == kOrder) {
        return reinterpret_cast<KxGClassMap*>(&orderMap);
    }
    return nullptr;
}

// What happened to the requests of a test, by name ("<class number>#<serial>").
struct Journal {
    std::vector<std::string> executed;
    std::vector<std::string> deleted;
    int made = 0;
    int aliasesAlive = 0;
};

class TestAlias : public KxObjectAlias {
public:
    TestAlias(Journal& journal, const KxClassId& classId, uint32_t id, bool inMemory = true)
        : journal_(journal), ref_(KxObjId(id), classId), inMemory_(inMemory)
    {
        ++journal_.aliasesAlive;
    }
    ~TestAlias() override { --journal_.aliasesAlive; }
    void GetRef(KxRef& ref) const override { ref = ref_; }
    void* GetObject() const override { return inMemory_ ? const_cast<KxRef*>(&ref_) : nullptr; }

private:
    Journal& journal_;
    KxRef ref_;
    bool inMemory_;
};

class RecordingRequest : public KxGRequest {
public:
    RecordingRequest(Journal& journal, KxGClassMap* map, const KxClassId& classId, int32_t operation, int32_t result)
        : KxGRequest(nullptr, map, classId, operation),
          journal_(journal),
          name_(std::to_string(classId.GetClassNumber()) + "#" + std::to_string(++journal.made)),
          result_(result)
    {
    }
    ~RecordingRequest() override { journal_.deleted.push_back(name_); }
    int32_t Execute() override
    {
        journal_.executed.push_back(name_ + ":" + std::to_string(GetAliasCount()));
        return result_;
    }
    const std::string& Name() const { return name_; }

private:
    Journal& journal_;
    std::string name_;
    int32_t result_;
};

class RecordingUnit : public KxGReadUnitOfWork {
public:
    explicit RecordingUnit(Journal& journal) : KxGReadUnitOfWork(nullptr), journal_(journal) {}
    KxGRequest* MakeRequest(KxGClassMap* map, const KxClassId& classId, int32_t operation) override
    {
        auto found = results.find(classId.GetClassNumber());
        return new RecordingRequest(journal_, map, classId, operation, found != results.end() ? found->second : 0);
    }
    std::map<uint16_t, int32_t> results;   // Execute's result per class number (0 when not listed)

private:
    Journal& journal_;
};

std::string NameOf(const KxGRequest* request)
{
    return static_cast<const RecordingRequest*>(request)->Name();
}

class BatchRead : public ::testing::Test {
protected:
    BatchRead() : env_(nullptr, Catalog(), nullptr, nullptr, 0, 0), unit_(journal_)
    {
        env_.SetClassMapLookup(Lookup);
    }

    KxObjectAlias* Alias(const KxClassId& classId, uint32_t id, bool inMemory = true)
    {
        return new TestAlias(journal_, classId, id, inMemory);
    }

    Journal journal_;
    KxGOperationEnvironment env_;
    RecordingUnit unit_;
};

TEST(OperationEnvironment, FlagsAndTheCatalogHandedOverAtOpen)
{
    KxGOperationEnvironment env(nullptr, nullptr, nullptr, nullptr, 0, 1);
    EXPECT_EQ(env.GetFlags(), KXG_ENV_ORDER_BY_OID);
    EXPECT_FALSE(env.UsesMarkModified());
    EXPECT_TRUE(env.OrdersByObjectId());
    EXPECT_EQ(env.GetCatalog(), nullptr);
    EXPECT_EQ(env.GetThreadMgr(), nullptr);

    // Made before the open: no catalog, so no class can be read.
    env.SetClassMapLookup(Lookup);
    Journal journal;
    RecordingUnit unit(journal);
    KxObjectAlias* aliases[] = {new TestAlias(journal, kPerson, 1)};
    KxGRequestList out;
    {
        KxGReadScope scope(unit);
        EXPECT_EQ(env.Read(unit, 1, aliases, out), KXG_E_MAP_NO_CLASS);
    }
    ASSERT_NE(aliases[0], nullptr);   // left out: still the caller's

    env.UpdateAtOpen(Catalog(), 7, 0);   // any non-zero text of UseMarkModified counts as set
    EXPECT_EQ(env.GetCatalog(), Catalog());
    EXPECT_EQ(env.GetFlags(), KXG_ENV_MARK_MODIFIED);
    {
        KxGReadScope scope(unit);
        EXPECT_EQ(env.Read(unit, 1, aliases, out), 0);
        EXPECT_EQ(aliases[0], nullptr);
        EXPECT_EQ(journal.executed, (std::vector<std::string>{"17#1:1"}));
    }
    EXPECT_EQ(journal.deleted, (std::vector<std::string>{"17#1"}));
    EXPECT_EQ(journal.aliasesAlive, 0);
}

TEST_F(BatchRead, FirstAliasMustExistAndHoldItsObject)
{
    KxGRequestList out;
    KxObjectAlias* none[] = {nullptr, Alias(kPerson, 1)};
    EXPECT_EQ(env_.Read(unit_, 2, none, out), KX_ALIAS_E_NULL);
    KxObjectAlias* bare[] = {Alias(kPerson, 2, false)};
    EXPECT_EQ(env_.Read(unit_, 1, bare, out), KX_ALIAS_E_NULL);
    EXPECT_EQ(out.Count(), 0u);
    EXPECT_EQ(journal_.made, 0);
    delete none[1];
    delete bare[0];
}

TEST_F(BatchRead, GroupsByClassExecutesEachRequestOnceAndKeepsTheFirstError)
{
    unit_.results[kOrder.GetClassNumber()] = -6001;
    KxObjectAlias* aliases[] = {Alias(kPerson, 1), Alias(kOrder, 2), nullptr, Alias(kUnmapped, 3),
                                Alias(kPerson, 4)};
    KxGRequestList out;
    {
        KxGReadScope scope(unit_);
        EXPECT_EQ(env_.Read(unit_, 5, aliases, out), -6001);
        ASSERT_EQ(out.Count(), 2u);
        EXPECT_EQ(NameOf(out.At(0)), "17#1");
        EXPECT_EQ(out.At(0)->GetAliasCount(), 2u);
        EXPECT_EQ(out.At(1)->GetAliasCount(), 1u);
        EXPECT_EQ(journal_.executed, (std::vector<std::string>{"17#1:2", "18#2:1"}));
        // Taken aliases are the requests'; the unmapped one is left out and stays the caller's.
        EXPECT_EQ(aliases[0], nullptr);
        EXPECT_EQ(aliases[1], nullptr);
        EXPECT_EQ(aliases[4], nullptr);
        ASSERT_NE(aliases[3], nullptr);
        delete aliases[3];
    }
    EXPECT_EQ(journal_.deleted.size(), 2u);
    EXPECT_EQ(journal_.aliasesAlive, 0);
}

TEST_F(BatchRead, AnUnmappedFirstAliasEndsTheRead)
{
    KxObjectAlias* aliases[] = {Alias(kUnmapped, 1), Alias(kPerson, 2)};
    KxGRequestList out;
    KxGReadScope scope(unit_);
    EXPECT_EQ(env_.Read(unit_, 2, aliases, out), KXG_E_MAP_NO_CLASS);
    EXPECT_EQ(journal_.made, 0);
    EXPECT_TRUE(journal_.executed.empty());
    delete aliases[0];
    delete aliases[1];
}

// A read nested in another (an object read while its referrer is filled) must neither reuse nor run
// the outer read's request, which still holds the outer aliases, and must not free it when it ends.
TEST_F(BatchRead, NestedReadOfTheSameClassLeavesTheOuterRequestAlone)
{
    KxGRequestList outer;
    unit_.Begin();
    KxObjectAlias* first[] = {Alias(kPerson, 1), Alias(kPerson, 2)};
    ASSERT_EQ(env_.Read(unit_, 2, first, outer), 0);
    {
        KxGReadScope inner(unit_);
        KxGRequestList out;
        KxObjectAlias* second[] = {Alias(kPerson, 3)};
        ASSERT_EQ(env_.Read(unit_, 1, second, out), 0);
        ASSERT_EQ(out.Count(), 1u);
        EXPECT_NE(out.At(0), outer.At(0));
        EXPECT_EQ(out.At(0)->GetAliasCount(), 1u);
    }
    // The inner end freed nothing; only the inner request ran in the inner read.
    EXPECT_TRUE(journal_.deleted.empty());
    EXPECT_EQ(journal_.executed, (std::vector<std::string>{"17#1:2", "17#2:1"}));
    EXPECT_EQ(outer.At(0)->GetAliasCount(), 2u);
    unit_.End();
    EXPECT_EQ(journal_.deleted.size(), 2u);
    EXPECT_EQ(journal_.aliasesAlive, 0);
    EXPECT_EQ(unit_.GetRequests().Count(), 0u);
    unit_.End();   // without an open Begin: nothing
    EXPECT_EQ(unit_.GetNesting(), 0u);
}

TEST_F(BatchRead, AnIdleRequestOfTheUnitIsReusedAndJoinsTheCallersList)
{
    KxGReadScope scope(unit_);
    KxGRequestList first;
    KxObjectAlias* aliases[] = {Alias(kPerson, 1)};
    ASSERT_EQ(env_.Read(unit_, 1, aliases, first), 0);
    first.At(0)->Clear();   // the request is done with its objects

    KxGRequestList out;
    KxObjectAlias* again[] = {Alias(kPerson, 2), Alias(kOrder, 3)};
    ASSERT_EQ(env_.Read(unit_, 2, again, out), 0);
    ASSERT_EQ(out.Count(), 2u);
    EXPECT_EQ(out.At(0), first.At(0));
    EXPECT_EQ(out.At(0)->GetAliasCount(), 1u);
    EXPECT_EQ(journal_.made, 2);
    EXPECT_EQ(journal_.executed, (std::vector<std::string>{"17#1:1", "17#1:1", "18#2:1"}));
}

TEST(ConnectionLock, OneMutexPerConnectionWhileHeld)
{
    Opaque a;
    Opaque b;
    const auto* first = reinterpret_cast<const KxGDatabase*>(&a);
    const auto* second = reinterpret_cast<const KxGDatabase*>(&b);
    auto held = KxGConnectionLock::Of(first);
    ASSERT_TRUE(held);
    EXPECT_EQ(KxGConnectionLock::Of(first), held);
    EXPECT_NE(KxGConnectionLock::Of(second), held);
    EXPECT_EQ(KxGConnectionLock::Of(nullptr), nullptr);
}

}  // namespace
