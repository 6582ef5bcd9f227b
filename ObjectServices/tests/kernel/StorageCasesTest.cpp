// One table of storage cases through the kernel's calls and the bucket interface, run on a database
// of the kernel's own storage (module kxnative) and on a gateway database made by relgen on the
// embedded engine (module relgate, Oracle adapter): nothing above the kernel knows which one serves
// the base, and both answer alike. Then an Oracle error turned into an exception by a throwing error
// listener passes out of the kernel's calls with nothing held.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "CaseSite.h"
#include "KxBase.h"
#include "KxBucket.h"
#include "KxClassDict.h"
#include "KxGOraDatabaseErrorCallback.h"
#include "KxMetaType.h"
#include "KxModule.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "sqlengine.h"

namespace {

const char kDictionary[] = R"(dictionary pets server=LOCAL logical=pets revision=1
class 1.1 Person
member name string
member age int
member friend ptr:Person
index PersonByName unique name
class 2.1 Pet
member name string
)";

const char kUser[] = "PETS";
const char kPassword[] = "pets";
const char kEngineServer[] = "PETSRV";

using Storage = CaseStorage;

void PrintTo(const Storage& storage, std::ostream* out) { *out << storage.name; }

const Storage kNative{"Native", "NATIVE", "NPETS"};
const Storage kGateway{"Oracle", "GATEWAY", kUser};

const char* g_password = kPassword;   // what the log-in callback hands the gateway

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(kUser);
    password = KxString(g_password);
    return 1;
}

const CaseSiteSpec kSpec{"pets", kDictionary, kEngineServer, kUser, kPassword, "NPETS"};

const CaseSite& Prepare() { return PrepareCaseSite(kSpec, KX_RELGEN); }

struct Held {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, Held>;

template <typename T>
T& At(KxObject* object, const char* member)
{
    return *reinterpret_cast<T*>(object->MemberAddress(*object->GetMetaClass()->FindMember(KxString(member))));
}

std::vector<uint32_t> Ids(const KxRefList& refs)
{
    std::vector<uint32_t> ids;
    for (const KxRef& ref : refs) {
        ids.push_back(ref.GetObjId().GetLow());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

class StorageCases : public ::testing::TestWithParam<Storage> {
protected:
    void SetUp() override
    {
        const CaseSite& prepared = Prepare();
        ASSERT_FALSE(HasFailure());
        KxParameterList params;
        params.Append("ClientName", "cases");
        params.Append("ConfigFile", prepared.config.c_str());
        ASSERT_EQ(0, InitKelvox(&params));
        g_password = kPassword;
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, base_, 2));
        person_ = base_->GetDictionary()->FindByName(KxString("Person"))->AsClass();
        // Every test starts from an empty extent.
        KxQuery all(person_->GetClassId());
        all.SetConstant(true);
        KxRefList refs;
        ASSERT_EQ(0, base_->BeginTransaction());
        ASSERT_GE(base_->Query(all, refs), 0);
        for (const KxRef& ref : refs) {
            ASSERT_GE(base_->DeleteObject(ref), 0);
        }
        ASSERT_EQ(0, base_->CommitTransaction());
    }
    void TearDown() override
    {
        if (base_ != nullptr) {
            EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(base_));
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        while (KxBase::KELVOX()->GetInitCount() > 0) {
            DeinitKelvox();
        }
    }

    KxRef Ref(uint32_t id) const { return KxRef(KxObjId(kFirst + id), person_->GetClassId()); }
    KxBucket& Bucket() { return *base_->GetBucket(person_->GetClassId()); }

    // Persons 1..count (ids kFirst + i, name "p<i>", age 10 i), each befriending the next.
    void StorePersons(uint32_t count)
    {
        std::vector<ObjectPtr> persons;
        ASSERT_EQ(0, base_->BeginTransaction());
        for (uint32_t i = 1; i <= count; ++i) {
            KxObject* made = nullptr;
            ASSERT_EQ(0, base_->GetObjectMgr()->Create(person_, KxObjId(kFirst + i), made));
            persons.emplace_back(made);
            At<KxString>(made, "name") = KxString(("p" + std::to_string(i)).c_str());
            At<int32_t>(made, "age") = static_cast<int32_t>(10 * i);
        }
        for (uint32_t i = 0; i + 1 < persons.size(); ++i) {
            persons[i]->SetPointer(*person_->FindMember(KxString("friend")), persons[i + 1].get());
        }
        for (ObjectPtr& person : persons) {
            ASSERT_EQ(0, base_->StoreObject(person.get()));
        }
        ASSERT_EQ(0, base_->CommitTransaction());
        for (ObjectPtr& person : persons) {
            person->SetPointer(*person_->FindMember(KxString("friend")), nullptr);
        }
    }

    static constexpr uint32_t kFirst = 7000;
    KxBase* base_ = nullptr;
    const KxMetaClass* person_ = nullptr;
};

TEST_P(StorageCases, StoredObjectsAreReadBackWithTheirReferencesAndDeleted)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(3));
    ASSERT_EQ(0, base_->BeginTransaction());
    int32_t count = -1;
    EXPECT_EQ(0, base_->GetExtentCount(person_->GetClassId(), count));
    EXPECT_EQ(3, count);
    const KxRefList prefetch{Ref(2)};
    KxObject* read = nullptr;
    ASSERT_EQ(0, base_->GetObject(Ref(1), read, nullptr, &prefetch));
    ObjectPtr first(read);
    EXPECT_EQ("p1", At<KxString>(read, "name").ToUtf8());
    EXPECT_EQ(10, At<int32_t>(read, "age"));
    EXPECT_EQ(KX_STATE_HAS_ROW, read->GetState() & (KX_STATE_HAS_ROW | KX_STATE_BEING_READ));
    KxObject* second = At<KxObject*>(read, "friend");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ("p2", At<KxString>(second, "name").ToUtf8());
    first.reset();
    EXPECT_EQ(0, base_->DeleteObject(Ref(3)));
    EXPECT_EQ(0, base_->CommitTransaction());

    ASSERT_EQ(0, base_->BeginTransaction());
    KxObject* gone = nullptr;
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, base_->GetObject(Ref(3), gone));
    EXPECT_EQ(nullptr, gone);
    EXPECT_EQ(0, base_->GetExtentCount(person_->GetClassId(), count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(0, base_->CommitTransaction());
}

TEST_P(StorageCases, AUniqueIndexRefusesAStoreAndNothingOfItIsWritten)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(2));
    ASSERT_EQ(0, base_->BeginTransaction());
    KxObject* made = nullptr;
    ASSERT_EQ(0, base_->GetObjectMgr()->Create(person_, KxObjId(kFirst + 9), made));
    ObjectPtr twin(made);
    At<KxString>(made, "name") = KxString("p1");
    // The kernel's own storage refuses at the store; the gateway when the store is written, here
    // before the extent count.
    int32_t refused = base_->StoreObject(made);
    if (refused == 0) {
        int32_t count = -1;
        refused = base_->GetExtentCount(person_->GetClassId(), count);
    }
    EXPECT_EQ(-2028, refused);
    EXPECT_EQ(0, made->GetState() & KX_STATE_HAS_ROW);
    At<KxString>(made, "name") = KxString("p9");
    EXPECT_EQ(0, base_->StoreObject(made));   // the transaction goes on
    EXPECT_EQ(0, base_->CommitTransaction());
    ASSERT_EQ(0, base_->BeginTransaction());
    int32_t count = -1;
    EXPECT_EQ(0, base_->GetExtentCount(person_->GetClassId(), count));
    EXPECT_EQ(3, count);
    EXPECT_EQ(0, base_->CommitTransaction());
}

TEST_P(StorageCases, ExtentCountSeeksQueriesAndLookups)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(5));
    ASSERT_EQ(0, base_->BeginTransaction());
    int32_t known = -1;
    std::unique_ptr<KxBucketCru> cursor(Bucket().CreateCursor(known, KxBucket::KX_EXTENT_BY_OBJID));
    ASSERT_NE(nullptr, cursor);
    int32_t count = -1;
    EXPECT_EQ(0, cursor->Count(count));
    EXPECT_EQ(5, count);

    const int32_t fwd = KxBucket::KX_SEEK_FORWARD;
    const int32_t back = KxBucket::KX_SEEK_BACKWARD;
    struct Step {
        const char* what;
        int32_t offset, mode, direction;
        int32_t result;
        uint32_t id;   // 0: no reference
    };
    const Step steps[] = {
        {"the first", 0, 0, fwd, 0, 1},
        {"the third", 2, 0, fwd, 0, 3},
        {"two further", 2, 1, fwd, 0, 5},
        {"the last", 0, 2, fwd, 0, 5},
        {"one before the last", -1, 2, fwd, 0, 4},
        {"backwards from the start, 3: the end, -3", 3, 0, back, 0, 2},
        {"backwards from the end, 0: the first", 0, 2, back, 0, 1},
        {"past the end", 9, 0, fwd, -2005, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        KxRef ref = Ref(77);
        EXPECT_EQ(s.result, base_->Seek(person_->GetClassId(), cursor.get(), s.offset, s.mode, ref, s.direction));
        EXPECT_EQ(s.id == 0 ? 0u : kFirst + s.id, ref.GetObjId().GetLow());
    }

    // age > 15: persons 2 to 5; within a set, the ones of the set.
    const uint16_t agePos = 1;
    ASSERT_EQ(KxString("age"), person_->GetAllMembers()[agePos]->GetName());
    KxQuery older(person_->GetClassId());
    older.SetMember(agePos, person_->GetClassId(), 4, KxQueryValue::Int(15));
    KxRefList result;
    EXPECT_EQ(0, base_->Query(older, result));
    EXPECT_EQ((std::vector<uint32_t>{kFirst + 2, kFirst + 3, kFirst + 4, kFirst + 5}), Ids(result));
    const KxRefList source{Ref(4), Ref(1), Ref(3)};
    KxRefList inSet;
    EXPECT_EQ(0, Bucket().QueryInSet(&source, &older, person_->GetClassId(), nullptr, &inSet));
    EXPECT_EQ((std::vector<uint32_t>{kFirst + 3, kFirst + 4}), Ids(inSet));

    // A query restricts a cursor: age > 25 starts at person 3.
    KxQuery oldest(person_->GetClassId());
    oldest.SetMember(agePos, person_->GetClassId(), 4, KxQueryValue::Int(25));
    std::unique_ptr<KxBucketCru> restricted(Bucket().CreateCursor(known, KxBucket::KX_EXTENT_BY_OBJID));
    ASSERT_EQ(0, Bucket().CursorQuery(restricted.get(), &oldest));
    KxRef ref;
    EXPECT_EQ(0, Bucket().SeekRd(restricted.get(), 0, 0, ref, fwd));
    EXPECT_EQ(kFirst + 3, ref.GetObjId().GetLow());

    // Look-ups by object id count what they find.
    struct Lookup {
        std::vector<uint32_t> ids;
        int32_t result;
    };
    const Lookup lookups[] = {{{}, 0}, {{1, 2, 3}, 0}, {{2, 98, 99}, 2026}, {{97, 98}, -2026}};
    for (const Lookup& l : lookups) {
        std::vector<KxObjId> values;
        for (uint32_t id : l.ids) {
            values.emplace_back(kFirst + id);
        }
        std::vector<KxKeyValue> keys;
        for (const KxObjId& value : values) {
            keys.push_back(KxKeyValue{&value, 15, 0, 0, 0});
        }
        EXPECT_EQ(l.result, Bucket().Lookup(keys.data(), static_cast<int32_t>(keys.size()))) << l.ids.size();
    }
    cursor.reset();
    restricted.reset();
    EXPECT_EQ(0, base_->CommitTransaction());
}

TEST_P(StorageCases, ALockHeldByOneClientIsRefusedToAnother)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(3));
    KxBase* other = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, other, 2));
    ASSERT_EQ(0, base_->BeginTransaction());
    ASSERT_EQ(0, other->BeginTransaction());
    const KxLockSpec write{0, 4116, 0};
    const KxLockSpec update{0, 2100, 0};
    const KxLockSpec read{0, 1142, 0};
    EXPECT_EQ(0, base_->LockObject(Ref(1), write));
    EXPECT_EQ(-2041, other->LockObject(Ref(1), update));
    EXPECT_EQ(0, other->LockObject(Ref(1), read));
    EXPECT_EQ(0, other->LockObject(Ref(2), update));
    // A collection in mode 1 fails as a whole.
    KxRefCollection collection(2);
    collection[0].ref = Ref(3);
    collection[1].ref = Ref(1);
    const int32_t locked = other->Lock(collection, 1, &update);
    EXPECT_TRUE(locked == -2041 || locked == -4102) << locked;
    EXPECT_EQ(0, base_->LockObject(Ref(3), write));   // not left locked by the other
    EXPECT_EQ(0, base_->CommitTransaction());
    EXPECT_EQ(0, other->LockObject(Ref(1), update));  // the first client's locks went with its commit
    EXPECT_EQ(0, other->CommitTransaction());
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(other));
}

// The object manager reads what another client stored through the base's storage; objects still held
// when their base is given back leave it and stay readable until their last release.
TEST_P(StorageCases, TheObjectManagerReadsThroughTheBaseAndObjectsOutliveIt)
{
    ASSERT_NO_FATAL_FAILURE(StorePersons(2));
    KxBase* other = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, other, 2));
    KxObjectMgr* objects = other->GetObjectMgr();
    KxObject* read = nullptr;
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, objects->Find(Ref(1), read));
    ASSERT_EQ(0, other->BeginTransaction());
    ASSERT_EQ(0, objects->Get(Ref(1), read));
    ObjectPtr first(read);
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, objects->Get(Ref(99), read));
    EXPECT_EQ(0, other->CommitTransaction());
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(other));

    EXPECT_EQ(nullptr, first->GetBase());
    EXPECT_EQ("p1", At<KxString>(first.get(), "name").ToUtf8());
    KxObject* second = At<KxObject*>(first.get(), "friend");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(nullptr, second->GetBase());
    EXPECT_EQ("p2", At<KxString>(second, "name").ToUtf8());
}

INSTANTIATE_TEST_SUITE_P(Storages, StorageCases, ::testing::Values(kNative, kGateway),
                         [](const ::testing::TestParamInfo<Storage>& info) { return std::string(info.param.name); });

// ---- an Oracle error thrown by the error listener ---------------------------------------------------

struct OracleError : std::runtime_error {
    OracleError(int32_t code, const std::string& message) : std::runtime_error(message), code(code) {}
    int32_t code;
};

// Throws every Oracle error as an exception, as the upgrade's receiver does.
class Thrower : public KxGOraDatabaseErrorCallback {
public:
    void Receive(int32_t code, const char* message, const char*) override { throw OracleError(code, message); }
};

int32_t GatewayLoads()
{
    const KxLoadableModule* module = KxBase::KELVOX()->GetDllManager()->GetLoadable(DllNameClass::GetDllName("relgate"));
    return module != nullptr ? module->GetLoadCount() : 0;
}

TEST(ListenerException, PassesOutOfGetBaseAndAStoreWithNothingHeld)
{
    const CaseSite& prepared = Prepare();
    KxParameterList params;
    params.Append("ClientName", "cases");
    params.Append("ConfigFile", prepared.config.c_str());
    ASSERT_EQ(0, InitKelvox(&params));
    KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    Thrower thrower;
    thrower.Register();

    // A refused log-in: ORA-01017 leaves GetBase as an exception; the counts are as before.
    g_password = "wrong";
    for (int attempt = 0; attempt < 2; ++attempt) {
        KxBase* base = nullptr;
        try {
            KxBase::KELVOX()->GetBase(kGateway.server, kGateway.database, base, 2);
            ADD_FAILURE() << "nothing thrown";
        } catch (const OracleError& error) {
            EXPECT_EQ(1017, error.code);
            EXPECT_NE(std::string::npos, std::string(error.what()).find("ORA-01017")) << error.what();
        }
        EXPECT_EQ(nullptr, base);
        EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
        EXPECT_EQ(1, KxBase::KELVOX()->GetInitCount());
        EXPECT_EQ(0, GatewayLoads());
    }

    // The right password opens in the same process.
    g_password = kPassword;
    KxBase* base = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase(kGateway.server, kGateway.database, base, 2));
    const KxMetaClass* person = base->GetDictionary()->FindByName(KxString("Person"))->AsClass();

    // A unique key refused by the server (ORA-00001) throws out of the store; the transaction ends,
    // the base works on.
    thrower.Unregister();
    KxObject* first = nullptr;
    ASSERT_EQ(0, base->GetObjectMgr()->Create(person, first));
    ObjectPtr one(first);
    At<KxString>(first, "name") = KxString("unique");
    ASSERT_EQ(0, base->BeginTransaction());
    ASSERT_EQ(0, base->StoreObject(first));
    ASSERT_EQ(0, base->CommitTransaction());
    thrower.Register();
    KxObject* second = nullptr;
    ASSERT_EQ(0, base->GetObjectMgr()->Create(person, second));
    ObjectPtr two(second);
    At<KxString>(second, "name") = KxString("unique");
    ASSERT_EQ(0, base->BeginTransaction());
    EXPECT_THROW(
        {
            base->StoreObject(second);
            base->CommitTransaction();
        },
        OracleError);
    while (base->GetTransactionLevel() > 0) {
        base->AbortTransaction();
    }
    thrower.Unregister();
    ASSERT_EQ(0, base->BeginTransaction());
    ASSERT_EQ(0, base->DeleteObject(first->GetRef()));
    ASSERT_EQ(0, base->CommitTransaction());
    // The objects are still held when the base goes: they leave it and are released after.
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(base));
    EXPECT_EQ("unique", At<KxString>(one.get(), "name").ToUtf8());
    one.reset();
    two.reset();
    EXPECT_EQ(0, GatewayLoads());
    KxBase::KELVOX()->SetUserNameFunction(nullptr);
    EXPECT_EQ(0, DeinitKelvox());
}

}  // namespace
