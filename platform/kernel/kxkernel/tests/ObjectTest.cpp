// Objects laid out from their class, sets, the object manager and the object walker.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kxkernel.h"

namespace {

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        KxString error;
        ASSERT_EQ(0, KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), dict_, &error)) << error.ToUtf8();
        person_ = dict_->FindByName("Person")->AsClass();
        company_ = dict_->FindByName("Company")->AsClass();
    }
    const KxMember& M(const char* name) const { return *person_->FindMember(name); }
    template <class T>
    T& At(KxObject* o, const char* name, uint32_t i = 0) const {
        return *reinterpret_cast<T*>(o->MemberAddress(M(name), i));
    }

    std::unique_ptr<KxClassDict> dict_;
    const KxMetaClass* person_ = nullptr;
    const KxMetaClass* company_ = nullptr;
    KxBase base_{KxString("objects")};
};

TEST_F(ObjectTest, ManagerCreatesFindsAndReleasesObjects) {
    KxObjectMgr* mgr = base_.GetObjectMgr();
    KxObject* a = nullptr;
    ASSERT_EQ(0, mgr->Create(person_, KxObjId(41), a));
    EXPECT_EQ(KxRef(KxObjId(41), KxClassId(13, 1)), a->GetRef());
    EXPECT_EQ(&base_, a->GetBase());
    EXPECT_EQ(0, a->GetState());
    a->State() |= KX_STATE_HAS_ROW;
    EXPECT_EQ(KX_STATE_HAS_ROW, a->GetState());
    EXPECT_EQ(1u, a->GetHoldCount());

    KxObject* found = nullptr;
    ASSERT_EQ(0, mgr->Get(KxRef(KxObjId(41)), found));
    EXPECT_EQ(a, found);
    EXPECT_EQ(2u, a->GetHoldCount());
    base_.GetObjectSpace()->BeginCriticalSection();
    EXPECT_EQ(a, base_.GetObjectSpace()->nts_IsInList(KxRef(KxObjId(41))));
    base_.GetObjectSpace()->EndCriticalSection();

    KxObject* twin = nullptr;
    EXPECT_EQ(KX_KERNEL_E_DUPLICATE, mgr->Create(person_, KxObjId(41), twin));
    EXPECT_EQ(nullptr, twin);
    EXPECT_EQ(KX_KERNEL_E_INVALID, mgr->Create(dict_->FindByName("Address")->AsClass(), twin));

    // An object made without id gets one later.
    KxObject* b = nullptr;
    ASSERT_EQ(0, mgr->Create(company_, b));
    EXPECT_TRUE(b->GetObjId().IsNull());
    EXPECT_EQ(0, mgr->SetId(b, KxObjId(7, 1)));
    EXPECT_EQ(KX_KERNEL_E_DUPLICATE, mgr->SetId(b, KxObjId(41)));
    EXPECT_EQ(2u, mgr->GetObjectCount());

    // A pointer member holds its object.
    a->SetPointer(M("manager"), a);
    EXPECT_EQ(3u, a->GetHoldCount());
    a->SetPointer(M("manager"), nullptr);
    mgr->Release(found);
    mgr->Release(a);
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, mgr->Get(KxRef(KxObjId(41)), found));
    EXPECT_EQ(nullptr, found);
    b->Release();
    EXPECT_EQ(0u, mgr->GetObjectCount());
    EXPECT_EQ(0u, base_.GetObjectSpace()->nts_Count());
}

// The last Forget leaves a stale entry that answers a status; past the bound the oldest entries go, so
// a long run keeps no more than the bound (the sanitizer sees every one freed).
TEST_F(ObjectTest, ForgottenObjectsLeaveBoundedStaleEntries) {
    KxObjectMgr* mgr = base_.GetObjectMgr();
    KxObject* last = nullptr;
    for (size_t i = 0; i < KxObjectMgr::kStaleEntries + 10; ++i) {
        ASSERT_EQ(0, mgr->Create(company_, KxObjId(static_cast<uint32_t>(i + 1)), last));
        EXPECT_EQ(0, last->Remember());
        EXPECT_EQ(1, last->Forget());
        EXPECT_EQ(0, last->Forget());
    }
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, last->Forget());
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, last->Remember());
    EXPECT_EQ(nullptr, last->GetAddress());
    EXPECT_EQ(0u, mgr->GetObjectCount());
    KxObject* found = nullptr;
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, mgr->Find(last->GetRef(), found));
}

TEST_F(ObjectTest, ObjectsMoveBetweenBasesAndOutliveTheirManager) {
    KxObjectMgr loose(nullptr);
    KxObject* o = nullptr;
    ASSERT_EQ(0, loose.Create(person_, KxObjId(8), o));
    EXPECT_EQ(nullptr, o->GetBase());
    ASSERT_EQ(0, base_.GetObjectMgr()->Attach(o));
    EXPECT_EQ(&base_, o->GetBase());
    EXPECT_EQ(0u, loose.GetObjectCount());
    EXPECT_EQ(0, base_.GetObjectMgr()->Attach(o));   // already here
    KxObject* found = nullptr;
    ASSERT_EQ(0, base_.GetObjectMgr()->Get(KxRef(KxObjId(8)), found));
    EXPECT_EQ(o, found);
    found->Release();

    // An object whose id is taken in the target base stays where it is.
    KxObject* twin = nullptr;
    ASSERT_EQ(0, loose.Create(person_, KxObjId(8), twin));
    EXPECT_EQ(KX_KERNEL_E_DUPLICATE, base_.GetObjectMgr()->Attach(twin));
    EXPECT_EQ(nullptr, twin->GetBase());

    // A base that goes first leaves its objects usable until their last release.
    KxObject* orphan = nullptr;
    {
        KxBase gone("gone");
        ASSERT_EQ(0, gone.GetObjectMgr()->Create(person_, KxObjId(9), orphan));
    }
    EXPECT_EQ(nullptr, orphan->GetBase());
    orphan->Release();
    twin->Release();
    o->Release();
    EXPECT_EQ(0u, base_.GetObjectMgr()->GetObjectCount());
}

TEST_F(ObjectTest, MembersLieAtTheirOffsetsAndSetsHoldTheirElements) {
    KxObjectMgr* mgr = base_.GetObjectMgr();
    KxObject* p = nullptr;
    KxObject* q = nullptr;
    ASSERT_EQ(0, mgr->Create(person_, KxObjId(1), p));
    ASSERT_EQ(0, mgr->Create(person_, KxObjId(2), q));

    At<KxString>(p, "name") = "Ada";
    At<double>(p, "scores", 2) = 2.5;
    const KxMetaClass* address = M("home").GetClass();
    uint8_t* home = p->MemberAddress(M("home"));
    *reinterpret_cast<KxString*>(home + address->FindMember("city")->GetOffset()) = "Turin";
    EXPECT_EQ(p->GetAddress() + M("scores").GetOffset() + 2 * sizeof(double),
              p->MemberAddress(M("scores"), 2));
    EXPECT_EQ(nullptr, p->MemberAddress(M("scores"), 3));
    EXPECT_EQ(nullptr, At<KxObject*>(p, "manager"));
    EXPECT_FALSE(At<KxOnDemand>(p, "employer").IsValid());

    KxObjectSet& friends = At<KxObjectSet>(p, "friends");
    EXPECT_EQ(KxClassId(900, 1), friends.GetRef().GetClassId());
    EXPECT_EQ(0, friends.Add(q));
    EXPECT_EQ(2u, q->GetHoldCount());
    KxObject* c = nullptr;
    ASSERT_EQ(0, mgr->Create(company_, KxObjId(3), c));
    EXPECT_EQ(KX_KERNEL_E_WRONG_CLASS, friends.Add(c));
    KxRef ref;
    EXPECT_EQ(0, friends.GetElementRef(0, ref));
    EXPECT_EQ(q->GetRef(), ref);
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, friends.GetElementRef(1, ref));

    KxTypeSet& tags = At<KxTypeSet>(p, "tags");
    const KxString red("red");
    EXPECT_EQ(0, tags.Add(&red));
    EXPECT_EQ(0, tags.Add(nullptr));
    EXPECT_EQ(2u, tags.Count());
    EXPECT_EQ(red, *static_cast<KxString*>(tags.At(0)));
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, tags.GetElementRef(0, ref));

    KxClassSet& addresses = At<KxClassSet>(p, "addresses");
    EXPECT_EQ(0, addresses.Add(home));
    uint8_t* copy = address->NewInstance();
    EXPECT_EQ(0, addresses.Get(0, copy));
    EXPECT_EQ("Turin", reinterpret_cast<KxString*>(copy + address->FindMember("city")->GetOffset())->ToUtf8());
    address->DeleteInstance(copy);

    // Copying an instance copies values and sets and holds pointed objects.
    p->SetPointer(M("manager"), q);
    uint8_t* clone = person_->NewInstance();
    person_->Copy(clone, p->GetAddress());
    EXPECT_EQ("Ada", reinterpret_cast<KxString*>(clone + M("name").GetOffset())->ToUtf8());
    EXPECT_EQ(1u, reinterpret_cast<KxObjectSet*>(clone + M("friends").GetOffset())->Count());
    EXPECT_EQ(5u, q->GetHoldCount());   // the creator, p's set and pointer, the clone's two
    person_->DeleteInstance(clone);
    EXPECT_EQ(3u, q->GetHoldCount());

    c->Release();
    p->Release();   // releases the set's and the pointer's holds
    EXPECT_EQ(1u, q->GetHoldCount());
    q->Release();
    EXPECT_EQ(0u, mgr->GetObjectCount());
}

// Records every walker call as "op:member[index]".
class RecordingWalker : public KxObjectWalker {
public:
    std::vector<std::string> calls;
    std::string stopAt;

    int32_t Note(const std::string& what, const KxMember& m) {
        calls.push_back(what + ":" + m.GetName().ToUtf8());
        return calls.back() == stopAt ? 9 : 0;
    }
    int32_t Member(uint8_t* instance, const KxMember& m) override {
        if (const int32_t rc = Note("member", m)) return rc;
        return KxObjectWalker::Member(instance, m);
    }
    int32_t ArrayElement(uint8_t* e, const KxMember& m, uint32_t i) override {
        if (const int32_t rc = Note("element" + std::to_string(i), m)) return rc;
        return KxObjectWalker::ArrayElement(e, m, i);
    }
    int32_t ObjectArray(uint8_t* first, const KxMember& m) override {
        if (const int32_t rc = Note("array", m)) return rc;
        return KxObjectWalker::ObjectArray(first, m);
    }
    int32_t Value(uint8_t*, const KxMember& m) override { return Note("value", m); }
    int32_t EmbeddedObject(uint8_t* a, const KxMember& m) override {
        if (const int32_t rc = Note("embedded", m)) return rc;
        return KxObjectWalker::EmbeddedObject(a, m);
    }
    int32_t PointerMember(KxObject**, const KxMember& m) override { return Note("pointer", m); }
    int32_t OnDemandMember(KxOnDemand*, const KxMember& m) override { return Note("ondemand", m); }
    int32_t ObjectSet(KxObjectSet*, const KxMember& m) override { return Note("objectset", m); }
    int32_t OnDemandSet(KxOnDemandSet*, const KxMember& m) override { return Note("ondemandset", m); }
    int32_t TypeSet(KxTypeSet*, const KxMember& m) override { return Note("typeset", m); }
    int32_t ClassSet(KxClassSet*, const KxMember& m) override { return Note("classset", m); }
};

TEST_F(ObjectTest, WalkerVisitsEveryMemberOnceInCanonicalOrder) {
    KxObject* p = nullptr;
    ASSERT_EQ(0, base_.GetObjectMgr()->Create(person_, KxObjId(5), p));
    const std::vector<std::string> address = {"member:street", "value:street", "member:city",
                                              "value:city", "member:zip", "value:zip"};
    std::vector<std::string> expected = {"member:name", "value:name", "member:created",
                                         "value:created", "member:revision", "value:revision",
                                         "member:home", "embedded:home"};
    expected.insert(expected.end(), address.begin(), address.end());
    expected.insert(expected.end(), {"member:previous", "array:previous", "element0:previous",
                                     "embedded:previous"});
    expected.insert(expected.end(), address.begin(), address.end());
    expected.insert(expected.end(), {"element1:previous", "embedded:previous"});
    expected.insert(expected.end(), address.begin(), address.end());
    expected.insert(expected.end(),
                    {"member:scores", "element0:scores", "value:scores", "element1:scores",
                     "value:scores", "element2:scores", "value:scores", "member:manager",
                     "pointer:manager", "member:employer", "ondemand:employer", "member:friends",
                     "objectset:friends", "member:contacts", "ondemandset:contacts", "member:tags",
                     "typeset:tags", "member:addresses", "classset:addresses", "member:cache",
                     "value:cache", "member:note", "value:note"});
    RecordingWalker walker;
    EXPECT_EQ(0, walker.Walk(p));
    EXPECT_EQ(expected, walker.calls);
    EXPECT_EQ(KxTypeMgr::GetDefault(), walker.GetTypeMgr());

    // A non-zero answer stops the walk there, also from inside an embedded instance.
    for (const char* stop : {"pointer:manager", "value:city", "element1:previous"}) {
        RecordingWalker stopping;
        stopping.stopAt = stop;
        EXPECT_EQ(9, stopping.Walk(p)) << stop;
        EXPECT_EQ(stop, stopping.calls.back());
        const auto at = std::find(expected.begin(), expected.end(), std::string(stop));
        EXPECT_EQ(std::vector<std::string>(expected.begin(), at + 1), stopping.calls);
    }
    // A walk of an instance address with its class.
    RecordingWalker embedded;
    EXPECT_EQ(0, embedded.Walk(p->MemberAddress(M("home")), M("home").GetClass()));
    EXPECT_EQ(address, embedded.calls);
    EXPECT_EQ(KX_KERNEL_E_INVALID, embedded.Walk(nullptr, person_));
    EXPECT_EQ(KX_KERNEL_E_INVALID, embedded.Walk(static_cast<KxObject*>(nullptr)));
    p->Release();
}

}  // namespace
