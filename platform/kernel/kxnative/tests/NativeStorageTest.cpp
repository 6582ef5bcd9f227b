// The kernel's own storage through the kernel's calls: databases made by the create call and opened
// by name, objects with every member kind across processes and across a restart of the kernel, the
// storage's statuses, class versions read as the newest and rewritten by the long actions, and the
// dictionary files the databases take their classes from.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxBucket.h"
#include "KxClassDict.h"
#include "KxDateTime.h"
#include "KxMetaType.h"
#include "KxNative.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "NativeSupport.h"

namespace {

using kxntest::Site;

std::unique_ptr<KxClassDict> Sample()
{
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), dict, &error)) << error.ToUtf8();
    return dict;
}

const KxMetaClass* ClassOf(KxBase& base, const char* name)
{
    const KxMetaType* type = base.GetDictionary()->FindByName(KxString(name));
    return type != nullptr ? type->AsClass() : nullptr;
}

// A member (or a dotted path through embedded members) of an object.
template <typename T>
T& At(KxObject* object, const char* path)
{
    uint32_t offset = 0;
    const KxMember* member = object->GetMetaClass()->FindMemberPath(KxString(path), &offset);
    EXPECT_NE(nullptr, member) << path;
    return *reinterpret_cast<T*>(object->GetAddress() + offset);
}

// Element i of an array member.
template <typename T>
T& Element(KxObject* object, const char* name, uint32_t i)
{
    const KxMember* member = object->GetMetaClass()->FindMember(KxString(name));
    return *reinterpret_cast<T*>(object->MemberAddress(*member, i));
}

struct Held {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, Held>;

ObjectPtr Make(KxBase& base, const char* className)
{
    KxObject* object = nullptr;
    EXPECT_EQ(0, base.GetObjectMgr()->Create(ClassOf(base, className), object));
    return ObjectPtr(object);
}

ObjectPtr Get(KxBase& base, const KxRef& ref, int32_t expected = 0)
{
    KxObject* object = nullptr;
    EXPECT_EQ(expected, base.GetObject(ref, object));
    return ObjectPtr(object);
}

int32_t Count(KxBase& base, const char* className)
{
    int32_t count = -1;
    EXPECT_EQ(0, base.GetExtentCount(ClassOf(base, className)->GetClassId(), count));
    return count;
}

std::string Name(KxObject* object) { return At<KxString>(object, "name").ToUtf8(); }

void WriteRefs(const std::string& file, const std::vector<KxRef>& refs)
{
    std::ofstream out(file);
    for (const KxRef& ref : refs) {
        KxString text;
        ref.PrintToKxString(text);
        out << text.ToUtf8() << "\n";
    }
}

std::vector<KxRef> ReadRefs(const std::string& file)
{
    std::vector<KxRef> refs;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        KxRef ref;
        EXPECT_EQ(0, ref.ScanFromKxString(KxString(line.c_str())));
        refs.push_back(ref);
    }
    return refs;
}

// The kernel started on a site with the sample dictionary and the database "shop" made for it.
class NativeStorage : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxHookClear();
        site_.AddDictionary(*Sample());
        site_.AddDatabase("shop");
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, kxntest::CreateDatabase("shop", "sample"));
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "shop", base_, 2));
    }
    void TearDown() override
    {
        if (base_ != nullptr) {
            KxBase::KELVOX()->UngetBase(base_);
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        while (KxBase::KELVOX()->GetInitCount() > 0) {
            DeinitKelvox();
        }
    }

    KxBase& Base() { return *base_; }

    // A person with a name and a zip (the unique index PersonByNameZip), stored and committed.
    KxRef StorePerson(const char* name, int32_t zip)
    {
        ObjectPtr person = Make(Base(), "Person");
        At<KxString>(person.get(), "name") = KxString(name);
        At<int32_t>(person.get(), "home.zip") = zip;
        EXPECT_EQ(0, Base().BeginTransaction());
        EXPECT_EQ(0, Base().StoreObject(person.get()));
        EXPECT_EQ(0, Base().CommitTransaction());
        return person->GetRef();
    }

    Site site_;
    KxBase* base_ = nullptr;
};

TEST_F(NativeStorage, AFailedGetBaseGivesItsStatusAndNoBase)
{
    site_.AddDatabase("listed");   // listed, never made
    std::filesystem::create_directories(site_.DatabaseDir("strange"));
    std::ofstream(site_.DatabaseDir("strange") + "/" + KXN_DATABASE_FILE) << "not a database of this storage";
    site_.AddDatabase("strange");
    ASSERT_EQ(0, DeinitKelvox());   // the configuration is read again by the next start
    ASSERT_EQ(0, kxntest::Start(site_.Config()));
    struct Case {
        const char* what;
        const char* server;
        const char* database;
        bool refuseLogIn;
        int32_t status;
    };
    const Case cases[] = {
        {"a server text without brand", "NOSUCH", "shop", false, KX_KERNEL_E_INVALID},
        {"a database the configuration does not list", "NATIVE", "other", false, KXN_E_NO_SUCH_DATABASE},
        {"a database directory that is missing", "NATIVE", "listed", false, KXN_E_NO_SUCH_DATABASE},
        {"a file that is no database of this storage", "NATIVE", "strange", false, KXN_E_NOT_NATIVE},
        {"a log-in the user did not confirm", "NATIVE", "shop", true, KXN_E_LOGIN_REFUSED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const KxUserNameFunction refuse = [](KxString&, KxString&, int32_t) { return int32_t(2); };
        KxBase::KELVOX()->SetUserNameFunction(c.refuseLogIn ? refuse : nullptr);
        const int32_t before = KxBase::KELVOX()->GetBaseCount();
        KxBase* base = nullptr;
        EXPECT_EQ(c.status, KxBase::KELVOX()->GetBase(c.server, c.database, base, 2));
        EXPECT_EQ(nullptr, base);
        EXPECT_EQ(before, KxBase::KELVOX()->GetBaseCount());
    }
    EXPECT_FALSE(std::filesystem::exists(site_.DatabaseDir("listed")));

    // The create call: a database that is there, a dictionary that is not.
    EXPECT_EQ(KXN_E_DATABASE_EXISTS, kxntest::CreateDatabase("shop", "sample"));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, kxntest::CreateDatabase("listed", "nodict"));
    EXPECT_FALSE(std::filesystem::exists(site_.DatabaseDir("listed") + "/" + KXN_DATABASE_FILE));
}

TEST_F(NativeStorage, TheStorageAnswersTheGatewaysStatuses)
{
    const KxRef ann = StorePerson("Ann", 1);
    const KxRef bob = StorePerson("Bob", 1);

    // A unique index refuses a second Ann in 1: nothing of the store is written, the transaction goes on.
    ASSERT_EQ(0, Base().BeginTransaction());
    ObjectPtr twin = Make(Base(), "Person");
    At<KxString>(twin.get(), "name") = KxString("Ann");
    At<int32_t>(twin.get(), "home.zip") = 1;
    const uint32_t errors = Base().GetExcMgr()->GetErrorCount();
    EXPECT_EQ(KXN_E_DUPLICATE_KEY, Base().StoreObject(twin.get()));
    EXPECT_GT(Base().GetExcMgr()->GetErrorCount(), errors);
    EXPECT_NE(std::string::npos, Base().GetExcMgr()->GetLastError().text.ToUtf8().find("unique"));
    EXPECT_EQ(2, Count(Base(), "Person"));
    At<int32_t>(twin.get(), "home.zip") = 2;
    EXPECT_EQ(0, Base().StoreObject(twin.get()));
    EXPECT_EQ(0, Base().CommitTransaction());
    EXPECT_EQ(3, Count(Base(), "Person"));

    ASSERT_EQ(0, Base().BeginTransaction());
    ASSERT_EQ(0, Base().DeleteObject(bob));
    struct Case {
        const char* what;
        KxRef ref;
        int32_t status;
    };
    const Case cases[] = {
        {"a deleted object", bob, KXN_E_OBJECT_NOT_FOUND},
        {"an id that was never given", KxRef(KxObjId(999999), ann.GetClassId()), KXN_E_OBJECT_NOT_FOUND},
        {"an object of another class", KxRef(ann.GetObjId(), ClassOf(Base(), "Company")->GetClassId()), KXN_E_OBJECT_NOT_FOUND},
        {"a class the dictionary does not have", KxRef(ann.GetObjId(), KxClassId(999, 1)), KX_KERNEL_E_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Get(Base(), c.ref, c.status);
    }
    // Straight to the bucket, the class the dictionary lacks is the reference's fault.
    KxObject* none = nullptr;
    EXPECT_EQ(KXN_E_INVALID_REF, Base().GetBucket(ann.GetClassId())->GetObject(&none, KxRef(ann.GetObjId(), KxClassId(999, 1)),
                                                                                nullptr, nullptr, nullptr, nullptr));
    // A delete of what is gone is a warning.
    EXPECT_EQ(KXN_W_NO_ROW_AFFECTED, Base().DeleteObject(bob));
    EXPECT_EQ(0, Base().CommitTransaction());

    // Locks between two bases of the process: the modes conflict as the gateway's do.
    KxBase* other = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "shop", other, 2));
    ASSERT_EQ(0, Base().BeginTransaction());
    ASSERT_EQ(0, other->BeginTransaction());
    EXPECT_EQ(0, Base().LockObject(ann, KxLockSpec{0, 4116, 0}));
    EXPECT_EQ(KXN_E_LOCK_REFUSED, other->LockObject(ann, KxLockSpec{0, 2100, 0}));
    EXPECT_EQ(0, other->LockObject(ann, KxLockSpec{0, 1142, 0}));   // refused only by 8196 and above
    EXPECT_EQ(KXN_E_LOCK_REFUSED, other->DeleteObject(ann));
    EXPECT_EQ(0, Base().CommitTransaction());                         // its locks go with it
    EXPECT_EQ(0, other->LockObject(ann, KxLockSpec{0, 2100, 0}));
    EXPECT_EQ(0, other->CommitTransaction());
    // Not inside a transaction: no long action.
    ASSERT_EQ(0, other->BeginTransaction());
    EXPECT_EQ(KX_KERNEL_E_STATE, other->ReIndex("shop", 0, nullptr));
    EXPECT_EQ(0, other->AbortTransaction());
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(other));
}

TEST_F(NativeStorage, ObjectsSurviveARestartOfTheKernelAndIdsGoOn)
{
    const KxRef ann = StorePerson("Ann", 5);
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(base_));
    base_ = nullptr;
    ASSERT_EQ(0, DeinitKelvox());
    ASSERT_EQ(0, KxBase::KELVOX()->GetInitCount());

    ASSERT_EQ(0, kxntest::Start(site_.Config()));
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "shop", base_, 2));
    ASSERT_EQ(0, Base().BeginTransaction());
    ObjectPtr read = Get(Base(), ann);
    ASSERT_NE(nullptr, read);
    EXPECT_EQ("Ann", Name(read.get()));
    EXPECT_EQ(5, At<int32_t>(read.get(), "home.zip"));
    EXPECT_EQ(0, Base().CommitTransaction());
    const KxRef bob = StorePerson("Bob", 6);
    EXPECT_GT(bob.GetObjId().Get64(), ann.GetObjId().Get64());
}

TEST_F(NativeStorage, QueriesExtentsAndCursorsIncludeSubclassesAndKeepTheirOrder)
{
    StorePerson("Cid", 3);
    StorePerson("Ann", 1);
    ObjectPtr eve = Make(Base(), "Employee");
    At<KxString>(eve.get(), "name") = KxString("Eve");
    At<int32_t>(eve.get(), "badge") = 7;
    ASSERT_EQ(0, Base().BeginTransaction());
    ASSERT_EQ(0, Base().StoreObject(eve.get()));
    ASSERT_EQ(0, Base().CommitTransaction());
    EXPECT_EQ(3, Count(Base(), "Person"));
    EXPECT_EQ(1, Count(Base(), "Employee"));

    const KxMetaClass* person = ClassOf(Base(), "Person");
    uint16_t namePos = 0;
    while (person->GetAllMembers()[namePos]->GetName() != KxString("name")) {
        ++namePos;
    }
    struct Case {
        const char* what;
        std::function<void(KxQuery&)> build;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"all, in id order", [](KxQuery& q) { q.SetConstant(true); }, {"Cid", "Ann", "Eve"}},
        {"a comparison", [&](KxQuery& q) { q.SetMember(namePos, person->GetClassId(), 4, KxQueryValue::String("B")); },
         {"Cid", "Eve"}},
        {"a pattern, sorted descending",
         [&](KxQuery& q) {
             q.SetMember(namePos, person->GetClassId(), 6, KxQueryValue::String("A*"));
             q.SortBy(namePos, person->GetClassId(), 1);
         },
         {"Eve", "Cid"}},
        {"OR of two comparisons, sorted",
         [&](KxQuery& q) {
             q.SetMember(namePos, person->GetClassId(), 1, KxQueryValue::String("ann"), KXQ_OPT_NO_CASE);
             q.SetBoolOp(2);
             q.SetMember(namePos, person->GetClassId(), 1, KxQueryValue::String("Eve"));
             q.SortBy(namePos, person->GetClassId(), 0);
         },
         {"Ann", "Eve"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KxQuery query(person->GetClassId());
        c.build(query);
        KxRefList refs;
        ASSERT_EQ(0, Base().Query(query, refs));
        std::vector<std::string> names;
        ASSERT_EQ(0, Base().BeginTransaction());
        for (const KxRef& ref : refs) {
            names.push_back(Name(Get(Base(), ref).get()));
        }
        EXPECT_EQ(0, Base().CommitTransaction());
        EXPECT_EQ(c.names, names);
        // A result of a subclass names its own class.
        for (const KxRef& ref : refs) {
            if (ref.GetObjId() == eve->GetObjId()) {
                EXPECT_EQ(eve->GetRef().GetClassId(), ref.GetClassId());
            }
        }
    }

    // A cursor walks the extent as it stood when it was made, in the unique index's order too.
    for (int32_t mode : {int32_t(KxBucket::KX_EXTENT_BY_OBJID), int32_t(person->GetIndex(1)->GetNumber())}) {
        SCOPED_TRACE(mode);
        int32_t count = 0;
        std::unique_ptr<KxBucketCru> cursor(Base().CreateCursor(person->GetClassId(), count, mode));
        ASSERT_NE(nullptr, cursor);
        EXPECT_EQ(3, count);
        StorePerson("Dan", 4);   // not seen by the walk
        std::vector<uint64_t> ids;
        KxRef ref;
        for (int32_t rc = Base().Seek(person->GetClassId(), cursor.get(), 0, 0, ref); rc == 0;
             rc = Base().Seek(person->GetClassId(), cursor.get(), 1, 1, ref)) {
            ids.push_back(ref.GetObjId().Get64());
        }
        EXPECT_EQ(3u, ids.size());
        KxRefList all;
        KxQuery everything(person->GetClassId());
        everything.SetConstant(true);
        ASSERT_EQ(0, Base().Query(everything, all));
        ASSERT_EQ(0, Base().BeginTransaction());
        ASSERT_EQ(0, Base().DeleteObject(all.back()));   // Dan again
        ASSERT_EQ(0, Base().CommitTransaction());
    }
}

// ---- every member kind, in three processes ----------------------------------------------------------

TEST(NativeAcrossProcesses, OneStoresEveryMemberKindASecondReadsChangesAndDeletesAThirdSeesIt)
{
    Site site;
    site.AddDictionary(*Sample());
    site.AddDatabase("shop");
    ASSERT_EQ(0, kxntest::Start(site.Config()));
    ASSERT_EQ(0, kxntest::CreateDatabase("shop", "sample"));
    ASSERT_EQ(0, DeinitKelvox());
    for (const char* step : {"Store", "ReadChangeAndDelete", "SeeTheChanges"}) {
        SCOPED_TRACE(step);
        EXPECT_EQ(0, kxntest::RunWorker(std::string("NativeWorker.") + step, site.Folder()));
    }
}

// The workers: each runs only in a process of its own, on the folder its job names.
class NativeWorker : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (kxntest::WorkerJob().empty()) {
            GTEST_SKIP() << "runs only as a worker process";
        }
        site_ = std::make_unique<Site>(kxntest::WorkerJob());
        ASSERT_EQ(0, kxntest::Start(site_->Config()));
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "shop", base_, 2));
        ASSERT_EQ(0, base_->BeginTransaction());
    }
    void TearDown() override
    {
        if (base_ != nullptr) {
            EXPECT_EQ(0, base_->CommitTransaction());
            EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(base_));
        }
        if (site_) {
            EXPECT_EQ(0, DeinitKelvox());
        }
    }
    std::string RefsFile() const { return site_->Folder() + "/refs.txt"; }

    std::unique_ptr<Site> site_;
    KxBase* base_ = nullptr;
};

// refs.txt: the person Ann, her manager Bob, her friend Cid, the company Acme, the employee Eve.
TEST_F(NativeWorker, Store)
{
    KxBase& base = *base_;
    ObjectPtr acme = Make(base, "Company");
    At<KxString>(acme.get(), "name") = KxString("Acme");
    ASSERT_EQ(0, base.StoreObject(acme.get()));
    ObjectPtr bob = Make(base, "Person");
    At<KxString>(bob.get(), "name") = KxString("Bob");
    ObjectPtr cid = Make(base, "Person");
    At<KxString>(cid.get(), "name") = KxString("Cid");
    ASSERT_EQ(0, base.StoreObject(cid.get()));

    ObjectPtr ann = Make(base, "Person");
    KxObject* a = ann.get();
    At<KxString>(a, "name") = KxString("Ann");
    At<KxDateTime>(a, "created") = KxDateTime(2024, 5, 6, 7, 8, 9);
    At<int16_t>(a, "revision") = 3;
    At<KxString>(a, "home.street") = KxString("Main St");
    At<KxString>(a, "home.city") = KxString("Springfield");
    At<int32_t>(a, "home.zip") = 1000;
    const KxMetaClass* address = a->GetMetaClass()->FindMember(KxString("previous"))->GetClass();
    uint8_t* second = a->MemberAddress(*a->GetMetaClass()->FindMember(KxString("previous")), 1);
    *reinterpret_cast<KxString*>(second + address->FindMember(KxString("city"))->GetOffset()) = KxString("Shelbyville");
    for (uint32_t i = 0; i < 3; ++i) {
        Element<double>(a, "scores", i) = 1.5 + i;
    }
    a->SetPointer(*a->GetMetaClass()->FindMember(KxString("manager")), bob.get());   // stored with Ann (flag 8)
    At<KxOnDemand>(a, "employer").Assign(&base, acme->GetRef(), &base);
    ASSERT_EQ(0, At<KxObjectSet>(a, "friends").Add(cid.get()));
    KxOnDemand contact;
    contact.Assign(&base, cid->GetRef(), &base);
    At<KxOnDemandSet>(a, "contacts").Add(contact);
    const KxString tags[] = {KxString("x"), KxString("y")};
    for (const KxString& tag : tags) {
        ASSERT_EQ(0, At<KxTypeSet>(a, "tags").Add(&tag));
    }
    uint8_t* moved = address->NewInstance();
    *reinterpret_cast<KxString*>(moved + address->FindMember(KxString("city"))->GetOffset()) = KxString("Ogdenville");
    ASSERT_EQ(0, At<KxClassSet>(a, "addresses").Add(moved));
    address->DeleteInstance(moved);
    At<int32_t>(a, "cache") = 7;                 // not stored
    At<KxString>(a, "note") = KxString("gone");  // transient
    ASSERT_EQ(0, base.StoreObject(a));
    EXPECT_FALSE(bob->GetObjId().IsNull());

    ObjectPtr eve = Make(base, "Employee");
    At<KxString>(eve.get(), "name") = KxString("Eve");
    At<int32_t>(eve.get(), "badge") = 42;
    ASSERT_EQ(0, base.StoreObject(eve.get()));
    WriteRefs(RefsFile(), {a->GetRef(), bob->GetRef(), cid->GetRef(), acme->GetRef(), eve->GetRef()});
    a->SetPointer(*a->GetMetaClass()->FindMember(KxString("manager")), nullptr);
    At<KxObjectSet>(a, "friends").Clear();
}

TEST_F(NativeWorker, ReadChangeAndDelete)
{
    KxBase& base = *base_;
    const std::vector<KxRef> refs = ReadRefs(RefsFile());
    ASSERT_EQ(5u, refs.size());
    EXPECT_EQ(4, Count(base, "Person"));   // Eve is an Employee, an Employee a Person
    EXPECT_EQ(1, Count(base, "Company"));

    ObjectPtr ann = Get(base, refs[0]);
    ASSERT_NE(nullptr, ann);
    KxObject* a = ann.get();
    EXPECT_EQ("Ann", Name(a));
    EXPECT_EQ(KxDateTime(2024, 5, 6, 7, 8, 9), At<KxDateTime>(a, "created"));
    EXPECT_EQ(3, At<int16_t>(a, "revision"));
    EXPECT_EQ("Springfield", At<KxString>(a, "home.city").ToUtf8());
    EXPECT_EQ(1000, At<int32_t>(a, "home.zip"));
    const KxMetaClass* address = a->GetMetaClass()->FindMember(KxString("previous"))->GetClass();
    uint8_t* second = a->MemberAddress(*a->GetMetaClass()->FindMember(KxString("previous")), 1);
    EXPECT_EQ("Shelbyville", reinterpret_cast<KxString*>(second + address->FindMember(KxString("city"))->GetOffset())->ToUtf8());
    EXPECT_EQ(3.5, Element<double>(a, "scores", 2));
    KxObject* manager = At<KxObject*>(a, "manager");
    ASSERT_NE(nullptr, manager);   // read with Ann
    EXPECT_EQ("Bob", Name(manager));
    EXPECT_EQ(refs[3], At<KxOnDemand>(a, "employer").GetRef());
    KxObjectSet& friends = At<KxObjectSet>(a, "friends");
    ASSERT_EQ(1u, friends.Count());
    EXPECT_EQ("Cid", Name(friends.Get(0)));
    ASSERT_EQ(1u, At<KxOnDemandSet>(a, "contacts").Count());
    EXPECT_EQ(refs[2], At<KxOnDemandSet>(a, "contacts").Get(0)->GetRef());
    KxTypeSet& tags = At<KxTypeSet>(a, "tags");
    ASSERT_EQ(2u, tags.Count());
    KxString tag;
    ASSERT_EQ(0, tags.Get(1, &tag));
    EXPECT_EQ("y", tag.ToUtf8());
    KxClassSet& moved = At<KxClassSet>(a, "addresses");
    ASSERT_EQ(1u, moved.Count());
    EXPECT_EQ("Ogdenville", reinterpret_cast<KxString*>(moved.At(0) + address->FindMember(KxString("city"))->GetOffset())->ToUtf8());
    EXPECT_EQ(0, At<int32_t>(a, "cache"));
    EXPECT_TRUE(At<KxString>(a, "note").IsEmpty());
    ObjectPtr eve = Get(base, refs[4]);
    EXPECT_EQ(42, At<int32_t>(eve.get(), "badge"));
    EXPECT_EQ(std::string("Employee"), eve->GetMetaClass()->GetName().ToUtf8());

    // Bob renamed, Cid deleted.
    At<KxString>(manager, "name") = KxString("Robert");
    EXPECT_EQ(0, base.StoreObject(manager));
    friends.Clear();
    EXPECT_EQ(0, base.DeleteObject(refs[2]));
    At<KxObject*>(a, "manager") = nullptr;
    manager->Release();
}

TEST_F(NativeWorker, SeeTheChanges)
{
    KxBase& base = *base_;
    const std::vector<KxRef> refs = ReadRefs(RefsFile());
    EXPECT_EQ(3, Count(base, "Person"));
    ObjectPtr ann = Get(base, refs[0]);
    ASSERT_NE(nullptr, ann);
    EXPECT_EQ("Robert", Name(At<KxObject*>(ann.get(), "manager")));
    EXPECT_EQ(0u, At<KxObjectSet>(ann.get(), "friends").Count());   // the deleted friend is gone
    Get(base, refs[2], KXN_E_OBJECT_NOT_FOUND);
    KxObject* manager = At<KxObject*>(ann.get(), "manager");
    At<KxObject*>(ann.get(), "manager") = nullptr;
    manager->Release();
}

// ---- class versions and the long actions -----------------------------------------------------------

// The dictionary "items" at revision 1 (Item: name, count) and at revision 2, where "name" became
// "title" and "weight" was added.
std::unique_ptr<KxClassDict> Items(uint16_t revision)
{
    KxDictBuilder builder("items");
    builder.Revision(revision).Class(1, 1, "Item").Value("name", KX_TYPE_STRING).Value("count", KX_TYPE_INT);
    if (revision == 1) {
        builder.Index("ItemByName", {KxString("name")}, true);
    } else {
        builder.Class(1, 2, "Item")
            .Value("title", KX_TYPE_STRING)
            .Value("count", KX_TYPE_INT)
            .Value("weight", KX_TYPE_DOUBLE)
            .Index("ItemByCount", {KxString("count")}, true);
    }
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, builder.Build(dict, &error)) << error.ToUtf8();
    return dict;
}

TEST(NativeVersions, ANewDictionaryReadsOldObjectsAsTheNewestVersionAndTheLongActionsRewriteThem)
{
    Site site;
    site.AddDictionary(*Items(1));
    site.AddDatabase("items");
    ASSERT_EQ(0, kxntest::Start(site.Config()));
    ASSERT_EQ(0, kxntest::CreateDatabase("items", "items"));
    KxBase* base = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "items", base, 2));
    ASSERT_EQ(0, base->BeginTransaction());
    for (int32_t i = 1; i <= 3; ++i) {
        ObjectPtr item = Make(*base, "Item");
        At<KxString>(item.get(), "name") = KxString(("item " + std::to_string(i)).c_str());
        At<int32_t>(item.get(), "count") = i;
        ASSERT_EQ(0, base->StoreObject(item.get()));
    }
    ASSERT_EQ(0, base->CommitTransaction());
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(base));
    ASSERT_EQ(0, DeinitKelvox());

    // The upgrade copies the new pair over the old one.
    site.AddDictionary(*Items(2));
    EXPECT_EQ(0, kxntest::RunWorker("NativeVersionWorker.ReadAsNewestThenRunTheLongActions", site.Folder()));
    EXPECT_EQ((std::vector<int64_t>{2, 2, 2}), kxntest::StoredVersions(site.DatabaseDir("items"), 1));
    const std::vector<std::string> rows = kxntest::MaintenanceRows(site.DatabaseDir("items"));
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ("UpdateSchema|items|revision 1 -> 2, 1 classes", rows[0]);
    EXPECT_EQ("VersAll|items|3 objects rewritten", rows[1]);
    EXPECT_EQ(0u, rows[2].rfind("Reorg|items|", 0));
    EXPECT_EQ("ReIndex|items|3 index entries of 3 objects", rows[3]);

    // A pair cut off half-way (new declarations, old index) is refused: no base.
    std::ofstream(site.DictionaryDir("items") + "/_objects.dat", std::ios::app) << "# changed\n";
    ASSERT_EQ(0, kxntest::Start(site.Config()));
    EXPECT_EQ(KX_KERNEL_E_VALUE, KxBase::KELVOX()->GetBase("NATIVE", "items", base, 2));
    EXPECT_EQ(nullptr, base);
    KxClassDict* dict = nullptr;
    KxString why;
    EXPECT_EQ(KX_KERNEL_E_VALUE, KxBase::KELVOX()->GetDictionary("", "items", dict, &why));
    EXPECT_NE(std::string::npos, why.ToUtf8().find("do not belong together")) << why.ToUtf8();
    ASSERT_EQ(0, DeinitKelvox());
}

class NativeVersionWorker : public ::testing::Test {};

TEST_F(NativeVersionWorker, ReadAsNewestThenRunTheLongActions)
{
    if (kxntest::WorkerJob().empty()) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    Site site(kxntest::WorkerJob());
    ASSERT_EQ(0, kxntest::Start(site.Config()));
    KxBase* base = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "items", base, 2));
    const KxMetaClass* item = ClassOf(*base, "Item");
    ASSERT_EQ(2, item->GetVersion());
    EXPECT_EQ((std::vector<int64_t>{1, 1, 1}), kxntest::StoredVersions(site.DatabaseDir("items"), 1));

    // Old objects read as version 2: "count" kept, the renamed and the new member empty.
    KxQuery all(item->GetClassId());
    all.SetConstant(true);
    KxRefList refs;
    ASSERT_EQ(0, base->Query(all, refs));
    ASSERT_EQ(3u, refs.size());
    ASSERT_EQ(0, base->BeginTransaction());
    for (size_t i = 0; i < refs.size(); ++i) {
        ObjectPtr read = Get(*base, refs[i]);
        ASSERT_NE(nullptr, read);
        EXPECT_EQ(item, read->GetMetaClass());
        EXPECT_EQ(int32_t(i + 1), At<int32_t>(read.get(), "count"));
        EXPECT_TRUE(At<KxString>(read.get(), "title").IsEmpty());
        EXPECT_EQ(0.0, At<double>(read.get(), "weight"));
    }
    ASSERT_EQ(0, base->CommitTransaction());
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(base));

    // The structure upgrade: a connected base runs the four actions; the first one is held by the
    // test until it has seen it waiting on another thread.
    KxBase connected(KxString("items"));
    ASSERT_EQ(0, connected.Connect(KxString("NATIVE")));
    KxHookHoldNext("UpdateSchema");
    std::future<int32_t> update =
        std::async(std::launch::async, [&] { return connected.UpdateSchema(KxString("items"), 0, nullptr); });
    KxHookWaitHeld("UpdateSchema");
    EXPECT_TRUE(kxntest::MaintenanceRows(site.DatabaseDir("items")).empty());
    KxHookRelease("UpdateSchema");
    EXPECT_EQ(0, update.get());
    EXPECT_EQ(0, connected.VersAll(KxString("items"), 0, nullptr));
    EXPECT_EQ(0, connected.Reorg(KxString("items"), 0, nullptr));
    EXPECT_EQ(0, connected.ReIndex(KxString("items"), 0, nullptr));
    EXPECT_EQ(0, connected.Disconnect());
    EXPECT_EQ(0, DeinitKelvox());
}

}  // namespace
