// The gateway bucket and shell on the embedded engine: a database made for a small dictionary (class
// tables, extent views, triggers and catalog as the schema mapper makes them) is opened through a
// gateway client and admin; the admin registers a bucket per class; objects are stored, read, queried,
// locked and deleted through the buckets and the shell inside kernel transactions. The lock service is
// a scripted one that refuses the objects a test names, so that every refusal path can be reached.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CatalogTestSupport.h"
#include "EngineSchemaSupport.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGLockService.h"
#include "KxGMappingCompletion.h"
#include "KxGOptionRegistry.h"
#include "KxGRootblock.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGatewayAdmin.h"
#include "KxGExtentService.h"
#include "KxGatewayBucket.h"
#include "KxGatewayClient.h"
#include "KxGatewayClientFactory.h"
#include "KxGatewayModule.h"
#include "KxGatewayShell.h"
#include "KxGatewayTransactionMgr.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectSpace.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxTransaction.h"
#include "KxTypeMgr.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

const char kDictionary[] = R"(dictionary petdict server=LOCAL
class 1.1 Person
member name string count=20
member age int
member friend ptr:Person
class 2.1 Pet
member name string count=10
)";

constexpr uint16_t kExclusive = 0x10;   // joins no held mode
const KxClassId kPerson(1, 1);
const KxClassId kPet(2, 1);

int32_t LogInAsS(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString("S");
    password = KxString("Secret");
    return 1;
}

KxRef PersonRef(uint32_t id) { return KxRef(KxObjId(id), kPerson); }

// Grants everything except the objects named in `refused`; collection locks as `collections` says.
// Records the single locks and releases it was asked for.
class ScriptedLocks : public KxGLockService {
public:
    std::set<uint32_t> refused;
    bool collections = false;
    std::vector<uint32_t> locked;
    std::vector<uint32_t> released;
    int32_t collectionCalls = 0;

    uint16_t AcquireLock(const KxGLockRequest& request) override
    {
        locked.push_back(request.ref.GetObjId().GetLow());
        return refused.count(request.ref.GetObjId().GetLow()) == 0 ? 1 : 0;
    }
    uint16_t ReleaseLock(const KxGLockRequest& request) override
    {
        released.push_back(request.ref.GetObjId().GetLow());
        return refused.count(request.ref.GetObjId().GetLow()) == 0 ? 1 : 0;
    }
    uint16_t AcquireTxnLocks(KxGTransactionContext*, uint16_t, const KxRefList& refs) override { return None(refs); }
    uint16_t ReleaseTxnLocks(KxGTransactionContext*, uint16_t) override { return 1; }
    uint16_t DeleteTxn(KxGTransactionContext*) override { return 1; }
    uint16_t SupportsCollLocks() override { return collections ? 1 : 0; }
    uint16_t SupportsCollUnlocks() override { return collections ? 1 : 0; }
    uint16_t AcquireCollLocks(KxGTransactionContext*, uint16_t, const KxRefList& refs) override
    {
        ++collectionCalls;
        return None(refs);
    }
    uint16_t ReleaseCollLocks(KxGTransactionContext*, uint16_t, const KxRefList& refs) override { return None(refs); }
    int32_t GetLockList(const KxRef&, KxGLockHolderList&) override { return 0; }
    void SetSync(KxThreadMgr*) override {}

private:
    uint16_t None(const KxRefList& refs) const
    {
        return std::none_of(refs.begin(), refs.end(),
                            [&](const KxRef& ref) { return refused.count(ref.GetObjId().GetLow()) != 0; })
                   ? 1
                   : 0;
    }
};

class BucketEngine : public oratest::ServerTest {
protected:
    BucketEngine() : ServerTest({.prefix = "BKT_", .users = {{"S", "Secret"}}}) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ResetROGVersion();
        KxGMapLoader::SetDefault(&KxGClassLoader::Instance());
        KxGInstallMappingCompletion(true);
        ASSERT_NO_FATAL_FAILURE(OpenClient());
        ASSERT_NO_FATAL_FAILURE(MakeSchema());
        ASSERT_EQ(Admin().OpenDatabase(), 0);
        for (uint16_t number : {1, 2}) {
            auto* metaClass = const_cast<KxMetaClass*>(dictionary_->GetCurrentVersion(number)->AsClass());
            ASSERT_EQ(Admin().RegisterClass(metaClass), 0);
        }
        locks_ = new ScriptedLocks;
        client_->GetTransactionManager()->SetLockService(locks_);
        base_->SetConnection(client_.get());
        shell_.reset(static_cast<KxGatewayShell*>(Admin().CreateShell()));
        ASSERT_NE(shell_, nullptr);
    }

    void TearDown() override
    {
        if (dictionary_ != nullptr) {
            ReleaseAll();
        }
        txn_.reset();
        shell_.reset();
        admin_.reset();
        client_.reset();
        base_.reset();
        if (dictionary_ != nullptr) {
            KxBase::KELVOX()->ReleaseDictionary(dictionary_);
            dictionary_ = nullptr;
        }
        if (session_) {
            session_->End();
            session_.reset();
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        kernel_.reset();
        ResetROGVersion();
        KxGInstallMappingCompletion(false);
        KxGMapLoader::SetDefault(nullptr);
        ServerTest::TearDown();
    }

    void OpenClient()
    {
        const std::string config = dir_.Path("kelvox.ini");
        WriteFile(config, "[databases\\s\\RelationalObjectGateway]\nTraceModules=CA,TXN\nIgnoreForeignRefs=1\nTraceFile=" +
                              dir_.Path("gw.trc") + "\n");
        kernel_.emplace("bucket_tests", config);
        ASSERT_EQ(kernel_->Status(), 0);
        KxBase::KELVOX()->SetUserNameFunction(&LogInAsS);
        std::unique_ptr<KxClassDict> parsed;
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("pets.kxd"), parsed, &error), 0) << error.StrGet();
        ASSERT_EQ(KxBase::KELVOX()->AddDictionary(parsed, dictionary_), 0);

        base_ = std::make_unique<KxBase>(KxString("s"));
        KxGatewayClientFactory factory{KxString("Oracle")};
        client_.reset(static_cast<KxGatewayClient*>(factory.CreateConnection(base_.get())));
        ASSERT_NE(client_, nullptr);
        client_->SetServer(base_.get(), KxString("s"), KxString(serverName_.c_str()));
        KxString name;
        ASSERT_EQ(client_->OpenClient(KxString("s"), name, 0), 0);
        sqlengine::Error sessionError;
        session_ = sqlengine::Session::Begin(server_, "S", "Secret", sessionError);
        ASSERT_TRUE(session_) << sessionError.message;
    }

    void MakeSchema()
    {
        ASSERT_NO_FATAL_FAILURE(cattest::MakeEngineSchema(*client_->GetDatabase(), *dictionary_, *session_, "petdict"));
        sqlengine::Error error;
        ASSERT_TRUE(session_->Commit(error)) << error.message;
    }

    KxGatewayAdmin& Admin()
    {
        if (!admin_) {
            admin_.reset(static_cast<KxGatewayAdmin*>(client_->CreateAdmin(base_.get(), 0)));
        }
        return *admin_;
    }

    KxGatewayBucket& Bucket(const KxClassId& classId)
    {
        KxBucket* bucket = nullptr;
        EXPECT_EQ(Admin().GetBucketMgr().GetBucket(classId, bucket, 1), 0);
        return *static_cast<KxGatewayBucket*>(bucket);
    }

    // A kernel transaction begun on the base (its context made on first use).
    void Begin()
    {
        if (!txn_) {
            txn_ = std::make_unique<KxTransaction>();
            ASSERT_NE(txn_->GetResource(base_.get()), nullptr) << txn_->GetLastStatus();
        }
        ASSERT_EQ(txn_->Begin(), 0);
    }
    void Commit() { ASSERT_EQ(txn_->Commit(), 0); }

    const KxMetaClass* PersonClass() const { return dictionary_->GetCurrentVersion(1)->AsClass(); }

    template <typename T>
    static T& At(KxObject& object, const char* member)
    {
        return *reinterpret_cast<T*>(object.MemberAddress(*object.GetMetaClass()->FindMember(member), 0));
    }

    KxObject* NewPerson(uint32_t id, const char* name, int32_t age)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(base_->GetObjectMgr()->Create(PersonClass(), KxObjId(id), object), 0);
        held_.push_back(object);
        At<KxString>(*object, "name") = KxString(name);
        At<int32_t>(*object, "age") = age;
        return object;
    }

    // Stores persons 1..count (ages 10 * id, each befriending the next) in one transaction and lets
    // the objects go.
    void StorePersons(uint32_t count)
    {
        Begin();
        std::vector<KxObject*> persons;
        for (uint32_t id = 1; id <= count; ++id) {
            persons.push_back(NewPerson(id, ("p" + std::to_string(id)).c_str(), static_cast<int32_t>(10 * id)));
        }
        for (uint32_t i = 0; i + 1 < persons.size(); ++i) {
            persons[i]->SetPointer(*PersonClass()->FindMember("friend"), persons[i + 1]);
        }
        ASSERT_GE(shell_->BeginTransaction(nullptr), 0);
        for (KxObject* person : persons) {
            ASSERT_EQ(Bucket(kPerson).StoreObject(person, 1, nullptr), 0);
        }
        ASSERT_GE(shell_->CommitTransaction(nullptr), 0);
        Commit();
        ReleaseAll();
    }

    // Lets the held objects go; the chains of friends are unlinked first (an object's pointers are
    // not released with it).
    void ReleaseAll()
    {
        const KxMember& member = *PersonClass()->FindMember("friend");
        for (KxObject* object : held_) {
            KxObject* at = object;
            at->Hold();
            while (at != nullptr) {
                KxObject* next = At<KxObject*>(*at, "friend");
                if (next != nullptr) {
                    next->Hold();
                    at->SetPointer(member, nullptr);
                }
                at->Release();
                at = next;
            }
        }
        for (KxObject* object : held_) {
            object->Release();
        }
        held_.clear();
    }

    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        sqlengine::Error error;
        auto session = sqlengine::Session::Begin(server_, "S", "Secret", error);
        EXPECT_TRUE(session) << error.message;
        if (!session) {
            return names;
        }
        for (const auto& row : oratest::RowTexts(oratest::RunOn(*session, "SELECT NAME0V0 FROM S.PERSONC1V0 ORDER BY OID"))) {
            names.push_back(row[0]);
        }
        session->End();
        return names;
    }

    static std::vector<uint32_t> Ids(const KxRefList& refs)
    {
        std::vector<uint32_t> ids;
        for (const KxRef& ref : refs) {
            ids.push_back(ref.GetObjId().GetLow());
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    std::optional<oratest::KelvoxScope> kernel_;
    std::unique_ptr<KxBase> base_;
    std::unique_ptr<KxGatewayClient> client_;
    std::unique_ptr<KxGatewayAdmin> admin_;
    std::unique_ptr<KxGatewayShell> shell_;
    std::unique_ptr<KxTransaction> txn_;
    std::shared_ptr<sqlengine::Session> session_;
    KxClassDict* dictionary_ = nullptr;
    ScriptedLocks* locks_ = nullptr;   // owned by the transaction manager
    std::vector<KxObject*> held_;
};

TEST_F(BucketEngine, TheAdminRegistersABucketPerClassAndMakesTheShells)
{
    EXPECT_EQ(Admin().GetBucketMgr().GetCount(), 2u);
    EXPECT_EQ(Bucket(kPet).GetMetaClass()->GetClassNumber(), 2);
    EXPECT_EQ(Bucket(kPerson).GetAdmin(), &Admin());
    KxString name("s");
    ASSERT_EQ(shell_->GetName(name), 0);
    EXPECT_STREQ(name.StrGet(), "s gateway");
    KxGatewayServerShell server;
    ASSERT_EQ(server.GetName(name), 0);
    EXPECT_STREQ(name.StrGet(), "RO GW client");
}

TEST_F(BucketEngine, StoredObjectsAreReadBackWithTheirReferencesAndDeleted)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(3));
    EXPECT_EQ(Names(), (std::vector<std::string>{"p1", "p2", "p3"}));

    Begin();
    KxObject* first = nullptr;
    const KxRefList prefetch{PersonRef(2), PersonRef(1), PersonRef(2), PersonRef(3)};
    ASSERT_EQ(Bucket(kPerson).GetObject(&first, PersonRef(1), &prefetch, nullptr, nullptr, nullptr), 0);
    held_.push_back(first);
    EXPECT_STREQ(At<KxString>(*first, "name").StrGet(), "p1");
    EXPECT_EQ(At<int32_t>(*first, "age"), 10);
    EXPECT_EQ(first->GetState() & (KX_STATE_HAS_ROW | KX_STATE_BEING_READ), KX_STATE_HAS_ROW);
    // The friend was read in the same batch: the pointer holds it, filled.
    KxObject* second = At<KxObject*>(*first, "friend");
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(At<KxString>(*second, "name").StrGet(), "p2");
    EXPECT_EQ(second->GetState() & (KX_STATE_HAS_ROW | KX_STATE_BEING_READ), KX_STATE_HAS_ROW);

    ASSERT_GE(shell_->BeginTransaction(nullptr), 0);
    EXPECT_EQ(Bucket(kPerson).DeleteObject(PersonRef(3), 0, nullptr), 0);
    ASSERT_GE(shell_->CommitTransaction(nullptr), 0);
    Commit();
    EXPECT_EQ(Names(), (std::vector<std::string>{"p1", "p2"}));
    ReleaseAll();

    // The deleted object has no row: not found, and nothing is left in memory for it.
    Begin();
    KxObject* gone = nullptr;
    EXPECT_EQ(Bucket(kPerson).GetObject(&gone, PersonRef(3), nullptr, nullptr, nullptr, nullptr),
              KXG_E_OBJECT_NOT_FOUND);
    EXPECT_EQ(gone, nullptr);
    base_->GetObjectSpace()->BeginCriticalSection();
    EXPECT_EQ(base_->GetObjectSpace()->nts_IsInList(PersonRef(3)), nullptr);
    base_->GetObjectSpace()->EndCriticalSection();
    Commit();
}

TEST_F(BucketEngine, GetObjectLocksAndPrefetchLimits)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(3));
    const KxLockSpec spec{0, kExclusive, 0};
    struct Case {
        const char* what;
        std::set<uint32_t> refused;
        uint32_t prefetchCount;   // refs 2, 3, then ids that have no row
        int32_t result;
        size_t locksAsked;        // the main object's and the prefetch objects' locks
    };
    const Case cases[] = {
        {"all granted", {}, 2, 0, 3},
        {"a refused prefetch lock leaves the object out, the read succeeds", {2}, 2, 0, 3},
        {"a refused main lock fails the read", {1}, 2, KXG_E_LOCK_REFUSED, 1},
        {"300 prefetch refs: 248 of them join the asked object", {}, 300, 0, 249},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        locks_->refused = c.refused;
        locks_->locked.clear();
        Begin();
        KxRefList prefetch;
        for (uint32_t i = 0; i < c.prefetchCount; ++i) {
            prefetch.push_back(PersonRef(2 + i));
        }
        KxObject* object = nullptr;
        EXPECT_EQ(Bucket(kPerson).GetObject(&object, PersonRef(1), &prefetch, &spec, &spec, nullptr), c.result);
        EXPECT_EQ(locks_->locked.size(), c.locksAsked);
        if (c.result == 0) {
            ASSERT_NE(object, nullptr);
            EXPECT_STREQ(At<KxString>(*object, "name").StrGet(), "p1");
            held_.push_back(object);
        } else {
            EXPECT_EQ(object, nullptr);
        }
        ReleaseAll();
        Commit();
    }
}

TEST_F(BucketEngine, FailuresOfTheBucketOperations)
{
    KxObject* person = NewPerson(50, "x", 1);
    KxGatewayBucket orphan(nullptr, PersonClass(), base_.get());
    KxGatewayBucket classless(&Admin(), nullptr, base_.get());
    KxQuery query(kPerson);
    query.SetMember(1, kPerson, 4, KxQueryValue::Int(0));
    KxRefList result;
    KxObject* slot = nullptr;

    // Without any transaction.
    EXPECT_EQ(Bucket(kPerson).StoreObject(person, 1, nullptr), KXG_E_NO_TXN_CONTEXT);
    EXPECT_EQ(Bucket(kPerson).GetObject(&slot, PersonRef(1), nullptr, nullptr, nullptr, nullptr), KXG_E_NO_TXN_CONTEXT);
    EXPECT_EQ(Bucket(kPerson).Query(kPerson, &query, nullptr, &result), KXG_E_NO_TXN_CONTEXT);
    // Without a transaction manager.
    EXPECT_EQ(orphan.Query(kPerson, &query, nullptr, &result), KXG_E_NO_TRANSACTION_MANAGER);
    EXPECT_EQ(orphan.GetObject(&slot, PersonRef(1), nullptr, nullptr, nullptr, nullptr), KXG_E_NO_TRANSACTION_MANAGER);

    Begin();
    struct Case {
        const char* what;
        int32_t result;
        int32_t expected;
    };
    const Case cases[] = {
        {"store without object", Bucket(kPerson).StoreObject(nullptr, 1, nullptr), KXG_E_NOT_REGISTERED},
        {"store without compound statement", Bucket(kPerson).StoreObject(person, 1, nullptr), KXG_E_NO_RESOURCE_MANAGER},
        {"delete without compound statement", Bucket(kPerson).DeleteObject(PersonRef(1), 0, nullptr),
         KXG_E_NO_RESOURCE_MANAGER},
        {"read of a class the dictionary lacks",
         Bucket(kPerson).GetObject(&slot, KxRef(KxObjId(7), KxClassId(99, 1)), nullptr, nullptr, nullptr, nullptr),
         KXG_E_INVALID_REF},
        {"read of an invalid reference", Bucket(kPerson).GetObject(&slot, KxRef(), nullptr, nullptr, nullptr, nullptr),
         KXG_E_INVALID_REF},
        {"query without query", Bucket(kPerson).Query(kPerson, nullptr, nullptr, &result), KXG_E_NO_QUERY_TREE},
        {"query on a bucket without class", classless.Query(kPerson, &query, nullptr, &result), KXG_E_CLASS_UNKNOWN},
        {"query in a set without query", Bucket(kPerson).QueryInSet(&result, nullptr, kPerson, nullptr, &result),
         KXG_E_NO_QUERY_TREE},
        {"query in the same set", Bucket(kPerson).QueryInSet(&result, &query, kPerson, nullptr, &result), 0},
        {"a watch in a lock", [&] {
             KxRefCollection refs{{PersonRef(1), 0, 0}};
             const KxWatchSpec watch{1, 0};
             return shell_->Lock(refs, 0, nullptr, &watch);
         }(),
         KXG_E_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, c.expected) << c.what;
    }
    EXPECT_EQ(slot, nullptr);
    Commit();
}

TEST_F(BucketEngine, QueriesDropTheResultsThatCannotBeLocked)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(4));
    const KxLockSpec spec{0, kExclusive, 0};
    const KxLockSpec none{0, 0, KxLockSpec::KX_LOCKSPEC_NONE};
    Begin();
    KxQuery older(kPerson);
    older.SetMember(1, kPerson, 4, KxQueryValue::Int(15));   // age > 15: persons 2, 3, 4

    struct Case {
        const char* what;
        std::set<uint32_t> refused;
        const KxLockSpec* spec;
        int32_t result;
        std::vector<uint32_t> ids;
    };
    const Case cases[] = {
        {"every result locked", {}, &spec, 0, {2, 3, 4}},
        {"the third result refused", {4}, &spec, KXG_W_SOME_NOT_LOCKED, {2, 3}},
        {"a spec of kind 1015 locks nothing", {2, 3, 4}, &none, 0, {2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        locks_->refused = c.refused;
        KxRefList result;
        EXPECT_EQ(Bucket(kPerson).Query(kPerson, &older, c.spec, &result), c.result);
        EXPECT_EQ(Ids(result), c.ids);
    }

    // Within a set: the results that are also in the source set.
    locks_->refused = {3};
    const KxRefList source{PersonRef(4), PersonRef(1), PersonRef(3)};
    KxRefList target;
    EXPECT_EQ(Bucket(kPerson).QueryInSet(&source, &older, kPerson, &spec, &target), KXG_W_SOME_NOT_LOCKED);
    EXPECT_EQ(Ids(target), (std::vector<uint32_t>{4}));
    Commit();
}

TEST_F(BucketEngine, LockAndUnlockCollections)
{
    Begin();
    const KxLockSpec spec{0, kExclusive, 0};
    struct Case {
        const char* what;
        bool collections;
        std::set<uint32_t> refused;
        int32_t mode;
        int32_t result;
        std::vector<int32_t> codes;           // of references 1, 2, 3 and the invalid one
        std::vector<uint32_t> released;
    };
    const int32_t n = KXG_E_REF_NOT_EXECUTED;
    const Case cases[] = {
        {"one collection lock", true, {}, 1, 0, {0, 0, 0, -1}, {}},
        {"collection refused, mode 1", true, {2}, 1, KXG_E_LOCK_REFUSED, {n, n, n, -1}, {}},
        {"collection refused, other mode: one by one", true, {2}, 0, KXG_W_SOME_REFS_FAILED,
         {0, KXG_E_LOCK_REFUSED, 0, -1}, {}},
        {"one by one, mode 1: the first undone, the third not tried", false, {2}, 1, KXG_E_COLLECTION_FAILED,
         {n, KXG_E_LOCK_REFUSED, n, -1}, {1}},
        {"one by one, other mode", false, {2}, 0, KXG_W_SOME_REFS_FAILED, {0, KXG_E_LOCK_REFUSED, 0, -1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        locks_->collections = c.collections;
        locks_->refused = c.refused;
        locks_->released.clear();
        KxRefCollection refs{{PersonRef(1), 0, 0}, {PersonRef(2), 0, 0}, {PersonRef(3), 0, 0}, {PersonRef(4), 0, -1}};
        EXPECT_EQ(shell_->Lock(refs, c.mode, &spec, nullptr), c.result);
        std::vector<int32_t> codes;
        for (const KxCollectionRef& ref : refs) {
            codes.push_back(ref.code);
        }
        EXPECT_EQ(codes, c.codes);
        EXPECT_EQ(locks_->released, c.released);
    }

    // Unlock one by one: no undo; the refused one keeps its code.
    locks_->collections = false;
    locks_->refused = {1};
    KxRefCollection refs{{PersonRef(1), 0, 0}, {PersonRef(2), 0, 0}};
    EXPECT_EQ(shell_->Unlock(refs, 1, &spec, nullptr), KXG_W_SOME_REFS_FAILED);
    EXPECT_EQ(refs[0].code, KXG_E_NO_ROW_DELETED);
    EXPECT_EQ(refs[1].code, 0);
    Commit();
}

TEST_F(BucketEngine, DeleteCollections)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(3));
    const int32_t n = KXG_E_REF_NOT_EXECUTED;
    struct Case {
        const char* what;
        int32_t mode;
        int32_t result;
        std::vector<int32_t> codes;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"mode 1 stops at the first failure and undoes the rest", 1, KXG_E_COLLECTION_FAILED,
         {n, KXG_E_LOCK_REFUSED, n}, {"p1", "p2", "p3"}},
        {"another mode goes on", 0, KXG_W_SOME_REFS_FAILED, {0, KXG_E_LOCK_REFUSED, 0}, {"p2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        locks_->refused = {2};
        Begin();
        KxRefCollection refs{{PersonRef(1), 0, 0}, {PersonRef(2), 0, 0}, {PersonRef(3), 0, 0}};
        EXPECT_EQ(shell_->DeleteCollection(refs, c.mode, 0, nullptr, nullptr), c.result);
        std::vector<int32_t> codes;
        for (const KxCollectionRef& ref : refs) {
            codes.push_back(ref.code);
        }
        EXPECT_EQ(codes, c.codes);
        Commit();
        EXPECT_EQ(Names(), c.left);
    }
}

// An executable whose steps answer the given statuses and record what ran.
class Steps : public KxExecutable {
public:
    Steps(int32_t prepare, int32_t execute, int32_t finish) : prepare_(prepare), execute_(execute), finish_(finish) {}
    int32_t Prepare(KxDatabaseShell*) override { ran += "p"; return prepare_; }
    int32_t Execute(KxServerAdminShell* shell) override
    {
        KxString name;
        shell->GetName(name);
        ran += std::string("e(") + name.StrGet() + ")";
        return execute_;
    }
    int32_t Finish(KxDatabaseShell*) override { ran += "f"; return finish_; }
    std::string ran;

private:
    int32_t prepare_, execute_, finish_;
};

TEST_F(BucketEngine, RunAnExecutable)
{
    struct Case {
        int32_t prepare, execute, finish;
        int32_t result;
        const char* ran;
    };
    const Case cases[] = {
        {0, 0, 0, 0, "pe(RO GW client)f"},
        {0, 5, 0, 5, "pe(RO GW client)f"},
        {0, 5, -3, -3, "pe(RO GW client)f"},
        {0, -5, -3, -5, "pe(RO GW client)f"},
        {-1, 0, 7, -1, "pf"},
        {0, 0, 7, 7, "pe(RO GW client)f"},
    };
    for (const Case& c : cases) {
        Steps steps(c.prepare, c.execute, c.finish);
        EXPECT_EQ(shell_->Run(&steps), c.result) << c.prepare << " " << c.execute << " " << c.finish;
        EXPECT_EQ(steps.ran, c.ran);
    }
}

}  // namespace

namespace {

TEST_F(BucketEngine, ExtentCountSeeksAndSearches)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(5));
    Begin();
    KxGatewayBucket& persons = Bucket(kPerson);
    int32_t count = -1;
    EXPECT_EQ(persons.GetNum(count, -2), 0);
    EXPECT_EQ(count, 5);
    // A count that fails is a failure, not an empty extent.
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 1013, "COUNT");
    EXPECT_LT(persons.GetNum(count, -2), 0);
    EXPECT_EQ(count, 0);
    sqlengine::Engine::Instance().ClearInjectedFailures();

    int32_t known = -1;
    std::unique_ptr<KxBucketCru> cursor(persons.CreateCursor(known, -2));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(known, 0);
    EXPECT_EQ(cursor->Count(count), 0);
    EXPECT_EQ(count, 5);

    const int32_t fwd = KxBucket::KX_SEEK_FORWARD;
    const int32_t back = KxBucket::KX_SEEK_BACKWARD;
    struct Step {
        const char* what;
        int32_t offset, mode, direction;
        int32_t result;
        uint32_t id;   // the reference given (0: cleared)
    };
    // Offsets from the start and from the end count from 0; relative ones from the current object.
    const Step steps[] = {
        {"the first", 0, KXG_SEEK_FROM_START, fwd, 0, 1},
        {"the third", 2, KXG_SEEK_FROM_START, fwd, 0, 3},
        {"two further", 2, KXG_SEEK_RELATIVE, fwd, 0, 5},
        {"the last", 0, KXG_SEEK_FROM_END, fwd, 0, 5},
        {"one before the last", -1, KXG_SEEK_FROM_END, fwd, 0, 4},
        {"backwards from the start, 3: the end, -3", 3, KXG_SEEK_FROM_START, back, 0, 2},
        {"backwards from the end, 0: the first", 0, KXG_SEEK_FROM_END, back, 0, 1},
        {"past the end", 9, KXG_SEEK_FROM_START, fwd, KXG_E_NO_ELEMENT, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        KxRef ref = PersonRef(77);
        EXPECT_EQ(persons.SeekRd(cursor.get(), s.offset, s.mode, ref, s.direction), s.result);
        EXPECT_EQ(ref.GetObjId().GetLow(), s.id);
    }

    // A seek that gets the object locks it; a refused lock is the answer.
    const KxLockSpec spec{0, kExclusive, 0};
    locks_->refused = {2};
    int32_t found = -1;
    KxRef ref;
    EXPECT_EQ(persons.SeekGet(cursor.get(), 1, KXG_SEEK_FROM_START, ref, &spec, found, fwd), KXG_E_LOCK_REFUSED);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(ref.GetObjId().GetLow(), 2u);
    EXPECT_EQ(persons.SeekGet(cursor.get(), 3, KXG_SEEK_FROM_START, ref, &spec, found, fwd), 0);
    EXPECT_EQ(ref.GetObjId().GetLow(), 4u);

    // Without a cursor.
    EXPECT_EQ(persons.SeekRd(nullptr, 1, KXG_SEEK_FROM_START, ref, fwd), KXG_E_CURSOR_POSITION);
    EXPECT_EQ(persons.SearchExtent(nullptr, KXG_COMPARE_EQUAL, KxKeyValue{}, ref), KXG_E_NO_CURSOR);
    EXPECT_EQ(persons.CursorQuery(nullptr, nullptr), KXG_E_NO_CURSOR);

    // Search by object id, a key of type 17 taken as 15.
    KxObjId four(4);
    KxKeyValue key{&four, 17, 0, 0, 0};
    ref.Clear();
    EXPECT_EQ(persons.SearchExtent(cursor.get(), KXG_COMPARE_EQUAL, key, ref), 0);
    EXPECT_EQ(ref.GetObjId().GetLow(), 4u);

    // A query restricts the cursor's extent (age > 25: persons 3, 4 and 5).
    KxQuery older(kPerson);
    older.SetMember(1, kPerson, 4, KxQueryValue::Int(25));
    std::unique_ptr<KxBucketCru> restricted(persons.CreateCursor(known, -2));
    ASSERT_EQ(persons.CursorQuery(restricted.get(), &older), 0);
    EXPECT_EQ(persons.SeekRd(restricted.get(), 0, KXG_SEEK_FROM_START, ref, fwd), 0);
    EXPECT_EQ(ref.GetObjId().GetLow(), 3u);
    Commit();
}

TEST_F(BucketEngine, LookupCountsTheKeysFound)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(3));
    Begin();
    struct Case {
        std::vector<uint32_t> ids;
        int32_t result;
    };
    const Case cases[] = {
        {{}, 0},
        {{1, 2, 3}, 0},
        {{2, 98, 99}, KXG_W_SOME_KEYS_FOUND},
        {{97, 98}, KXG_E_NO_KEY_FOUND},
    };
    for (const Case& c : cases) {
        std::vector<KxObjId> values;
        for (uint32_t id : c.ids) {
            values.emplace_back(id);
        }
        std::vector<KxKeyValue> keys;
        for (const KxObjId& value : values) {
            keys.push_back(KxKeyValue{&value, 15, 0, 0, 0});
        }
        EXPECT_EQ(Bucket(kPerson).Lookup(keys.data(), static_cast<int32_t>(keys.size())), c.result) << c.ids.size();
    }
    Commit();
}

}  // namespace

namespace {

// Answers 9 for object 2, 0 for the others.
class Callee : public KxRefCallee {
public:
    int32_t Call(const KxRef& ref) override
    {
        called.push_back(ref.GetObjId().GetLow());
        return ref.GetObjId().GetLow() == 2 ? 9 : 0;
    }
    std::vector<uint32_t> called;
};

TEST_F(BucketEngine, WatchForgetAndPostBindingTakeTheValidReferencesOnly)
{
    // References 1 and 2 take part; 3 failed before (negative status), 4 was not executed (4103).
    auto collection = [] {
        return KxRefCollection{{PersonRef(1), 0, 5}, {PersonRef(2), 0, 0}, {PersonRef(3), -1, 0},
                               {PersonRef(4), KxGatewayShell::kNotExecutedStatus, 0}};
    };
    KxRefCollection refs = collection();
    EXPECT_EQ(shell_->Watch(refs, nullptr), 0);
    EXPECT_EQ(refs[0].code, 0);

    refs = collection();
    Callee callee;
    EXPECT_EQ(shell_->PostBinding(refs, 0, &callee), KXG_W_SOME_REFS_FAILED);
    EXPECT_EQ(callee.called, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(refs[1].code, 9);
    EXPECT_EQ(refs[0].code, 5);
    refs = collection();
    EXPECT_EQ(shell_->PostBinding(refs, -7, &callee), -7);

    // Forget drops the object space's pointers of the valid references.
    KxObject* one = NewPerson(1, "a", 1);
    KxObject* three = NewPerson(3, "c", 3);
    refs = collection();
    EXPECT_EQ(shell_->Forget(12, refs), 12);
    KxObjectSpace* space = base_->GetObjectSpace();
    space->BeginCriticalSection();
    EXPECT_EQ(space->nts_IsInList(PersonRef(1)), nullptr);
    EXPECT_EQ(space->nts_IsInList(PersonRef(3)), three);
    space->EndCriticalSection();
    (void)one;

    // The effective specs are the base's.
    KxLockSpec lock;
    EXPECT_EQ(shell_->EvalLock(nullptr, lock), 0);
    EXPECT_EQ(lock.kind, KxLockSpec::KX_LOCKSPEC_NONE);
    EXPECT_TRUE(Bucket(kPerson).IgnoresForeignRefs());
}

}  // namespace
