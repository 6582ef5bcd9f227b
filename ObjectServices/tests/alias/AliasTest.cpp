// Object, member and set aliases over real kernel objects of the sample dictionary.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "KxGSQLBuffer.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasMember.h"
#include "KxObjectAliasSet.h"
#include "kxkernel.h"

namespace {

KxGSQLObjectBuffer* Buffer(int32_t rows) {
    auto* b = new KxGSQLObjectBuffer(8, nullptr, 0);
    b->Allocate(rows);
    return b;
}

// An alias that counts its deletions.
struct CountedAlias : KxRefObjectAlias {
    explicit CountedAlias(int* deleted) : KxRefObjectAlias(KxRef()), deleted_(deleted) {}
    ~CountedAlias() override { ++*deleted_; }
    int* deleted_;
};

TEST(AliasEdgeCaseTest, EdgeCases) {
    struct Case {
        const char* name;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"SetSubAlias(5) on an image with two sub-aliases pads 2 to 4 with nulls",
         [] {
             KxSQLObjectAlias image(nullptr, KxRef(KxObjId(1)));
             auto* a0 = new KxRefObjectAlias(KxRef(KxObjId(10)));
             auto* a1 = new KxRefObjectAlias(KxRef(KxObjId(11)));
             auto* a5 = new KxRefObjectAlias(KxRef(KxObjId(15)));
             ASSERT_EQ(0, image.SetSubAlias(0, a0));
             ASSERT_EQ(0, image.SetSubAlias(1, a1));
             ASSERT_EQ(0, image.SetSubAlias(5, a5));
             EXPECT_EQ(6u, image.GetSubAliasCount());
             EXPECT_EQ(a0, image.GetSubAlias(0));
             EXPECT_EQ(a1, image.GetSubAlias(1));
             for (uint32_t i = 2; i <= 4; ++i) EXPECT_EQ(nullptr, image.GetSubAlias(i)) << i;
             EXPECT_EQ(a5, image.GetSubAlias(5));
             EXPECT_EQ(KX_ALIAS_E_NULL, image.SetSubAlias(7, nullptr));
             EXPECT_EQ(6u, image.GetSubAliasCount());
         }},
        {"an SQL set alias with three buffers of two rows yields six rows, then exhaustion",
         [] {
             KxSQLSetAlias set(nullptr, KxRef(KxObjId(2)));
             KxGSQLObjectBuffer* buffers[3] = {Buffer(2), Buffer(2), Buffer(2)};
             for (KxGSQLObjectBuffer* b : buffers) ASSERT_EQ(0, set.SetBuffer(b));
             EXPECT_EQ(6, set.GetRowCount());
             EXPECT_EQ(buffers[0], set.GetBuffer());
             std::string seen;
             for (int i = 0; i < 6; ++i) {
                 KxGSQLObjectBuffer* row = set.NextRow();
                 ASSERT_NE(nullptr, row) << i;
                 EXPECT_EQ(row, set.GetBuffer());
                 seen += std::to_string(row == buffers[0] ? 0 : row == buffers[1] ? 1 : 2) +
                         std::to_string(row->GetCurrentRow()) + " ";
                 EXPECT_FALSE(set.IsExhausted());
             }
             EXPECT_EQ("00 01 10 11 20 21 ", seen);
             EXPECT_EQ(nullptr, set.NextRow());
             EXPECT_TRUE(set.IsExhausted());
             EXPECT_EQ(-2, set.GetCurrentIndex());
             EXPECT_EQ(nullptr, set.GetBuffer());
             EXPECT_EQ(nullptr, set.NextRow());
         }},
        {"a reference alias reports kind 0 and no object",
         [] {
             const KxRef ref(KxObjId(7), KxClassId(13, 1));
             KxRefObjectAlias alias(ref);
             EXPECT_EQ(KX_ALIAS_REFERENCE, alias.GetKind());
             EXPECT_EQ(nullptr, alias.GetObject());
             KxRef out;
             alias.GetRef(out);
             EXPECT_EQ(ref, out);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.check();
    }
}

TEST(AliasEdgeCaseTest, ImageBuffersRowsAndOwnership) {
    KxSQLObjectAlias image(nullptr, KxRef(KxObjId(3)));
    EXPECT_EQ(nullptr, image.GetObject());
    EXPECT_EQ(KX_ALIAS_SQL_IMAGE, image.GetKind());
    EXPECT_EQ(nullptr, image.NextRow());   // no buffer: nothing to read
    image.Rewind();
    KxGSQLObjectBuffer* first = Buffer(2);
    ASSERT_EQ(0, image.SetBuffer(first));
    std::unique_ptr<KxGSQLObjectBuffer> second(Buffer(1));
    EXPECT_EQ(KX_ALIAS_E_NULL, image.SetBuffer(second.get()));
    EXPECT_EQ(KX_ALIAS_E_NULL, image.SetBuffer(nullptr));
    EXPECT_EQ(first->GetData(), image.GetObject());
    EXPECT_EQ(2, image.GetRowCount());
    EXPECT_EQ(first, image.NextRow());
    EXPECT_EQ(0, first->GetCurrentRow());
    EXPECT_EQ(first, image.NextRow());
    EXPECT_EQ(1, first->GetCurrentRow());
    EXPECT_EQ(nullptr, image.NextRow());
    image.Rewind();
    EXPECT_EQ(first, image.NextRow());
    EXPECT_EQ(0, image.GetObjectBuffers().Append(second.release()));

    // A set alias passes over buffers without rows.
    KxSQLSetAlias set(nullptr, KxRef());
    ASSERT_EQ(0, set.SetBuffer(Buffer(1)));
    ASSERT_EQ(0, set.SetBuffer(new KxGSQLObjectBuffer(8, nullptr, 0)));
    ASSERT_EQ(0, set.SetBuffer(Buffer(1)));
    EXPECT_EQ(3u, set.GetBufferCount());
    EXPECT_NE(nullptr, set.NextRow());
    EXPECT_NE(nullptr, set.NextRow());
    EXPECT_EQ(1, set.GetCurrentIndex());
    EXPECT_EQ(nullptr, set.NextRow());
    set.Rewind();
    EXPECT_EQ(-1, set.GetCurrentIndex());
    EXPECT_NE(nullptr, set.NextRow());

    // Sub-aliases and list entries are deleted by their owner; replacing deletes the old one.
    int deleted = 0;
    {
        KxSQLObjectAlias owner(nullptr, KxRef());
        owner.SetSubAlias(0, new CountedAlias(&deleted));
        owner.SetSubAlias(0, new CountedAlias(&deleted));
        EXPECT_EQ(1, deleted);
        KxObjectAliasList list;
        list.AppendAlias(new CountedAlias(&deleted));
        list.AppendAlias(new CountedAlias(&deleted));
        list.DeleteAll();
        EXPECT_EQ(3, deleted);
        EXPECT_EQ(0u, list.Count());
        list.AppendAlias(new CountedAlias(&deleted));
    }
    EXPECT_EQ(5, deleted);
}

class ObjectAliasTest : public ::testing::Test {
protected:
    void SetUp() override {
        KxString error;
        ASSERT_EQ(0, KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), dict_, &error)) << error.ToUtf8();
        person_ = dict_->FindByName("Person")->AsClass();
        address_ = dict_->GetCurrentVersion(10)->AsClass();
        KxObjectMgr* mgr = base_.GetObjectMgr();
        ASSERT_EQ(0, mgr->Create(person_, KxObjId(1), p_));
        ASSERT_EQ(0, mgr->Create(person_, KxObjId(2), q_));
        ASSERT_EQ(0, mgr->Create(person_, KxObjId(3), r_));
    }
    void TearDown() override {
        for (KxObject* o : {p_, q_, r_})
            if (o != nullptr) o->Release();
        EXPECT_EQ(0u, base_.GetObjectMgr()->GetObjectCount());
    }
    const KxMember& M(const char* name) const { return *person_->FindMember(name); }
    template <class T>
    T& At(KxObject* o, const char* name) const {
        return *reinterpret_cast<T*>(o->MemberAddress(M(name)));
    }
    KxString& City(uint8_t* address) const {
        return *reinterpret_cast<KxString*>(address + address_->FindMember("city")->GetOffset());
    }

    std::unique_ptr<KxClassDict> dict_;
    const KxMetaClass* person_ = nullptr;
    const KxMetaClass* address_ = nullptr;
    KxBase base_{KxString("aliases")};
    KxObject* p_ = nullptr;
    KxObject* q_ = nullptr;
    KxObject* r_ = nullptr;
};

TEST_F(ObjectAliasTest, ObjectAndMemberAliasesReachTheMembers) {
    const KxClassDescriptor* descriptor = dict_->FindDescriptor(13);
    {
        KxCPPObjectAlias alias(nullptr, descriptor, p_);
        EXPECT_EQ(2u, p_->GetHoldCount());
        EXPECT_EQ(KX_ALIAS_OBJECT, alias.GetKind());
        EXPECT_EQ(p_->GetAddress(), alias.GetObject());
        EXPECT_EQ(descriptor, alias.GetDescriptor());
        KxRef ref;
        alias.GetRef(ref);
        EXPECT_EQ(p_->GetRef(), ref);

        // Embedded element 1 of "previous": the owner's reference and the element's address.
        KxGEmbeddedClassMemberAlias previous(M("previous").GetOffset(), M("previous").GetElementSize());
        std::unique_ptr<KxEmbeddedObjectAlias> second(previous.CreateObjectAlias(alias, 1));
        ASSERT_TRUE(second);
        EXPECT_EQ(p_->MemberAddress(M("previous"), 1), second->GetAddress());
        EXPECT_EQ(nullptr, second->GetObject());
        second->GetRef(ref);
        EXPECT_EQ(p_->GetRef(), ref);
        // An alias of an embedded instance is itself an owner for the members inside it.
        KxGCPPMemberAlias city(address_->FindMember("city")->GetOffset());
        EXPECT_EQ(reinterpret_cast<uint8_t*>(&City(second->GetAddress())),
                  city.GetAddress(second->GetAddress()));
        City(second->GetAddress()) = "Lyon";
        EXPECT_EQ("Lyon", City(p_->MemberAddress(M("previous"), 1)).ToUtf8());

        // On-demand and pointer members give references.
        KxGOnDemandMemberAlias employer(M("employer").GetOffset(), 0);
        const KxRef company(KxObjId(99), KxClassId(14, 1));
        EXPECT_EQ(0, employer.SetRef(alias.GetObject(), company));
        EXPECT_EQ(company, At<KxOnDemand>(p_, "employer").GetRef());
        EXPECT_EQ(0, employer.GetRef(alias.GetObject(), ref));
        EXPECT_EQ(company, ref);
        EXPECT_EQ(KX_ALIAS_E_NULL, employer.GetRef(nullptr, ref));

        KxGKxObjectPtrMemberAlias manager(M("manager").GetOffset(), 0);
        EXPECT_EQ(0, manager.GetRef(alias.GetObject(), ref));
        EXPECT_TRUE(ref.IsInvalid());   // null pointer: no reference
        p_->SetPointer(M("manager"), q_);
        EXPECT_EQ(0, manager.GetRef(alias.GetObject(), ref));
        EXPECT_EQ(q_->GetRef(), ref);
        EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, manager.SetRef(alias.GetObject(), ref));
    }
    EXPECT_EQ(1u, p_->GetHoldCount());
}

TEST_F(ObjectAliasTest, ObjectSetAliasWalksTheElementReferences) {
    KxCPPObjectAlias owner(nullptr, nullptr, p_);
    KxObjectSet& friends = At<KxObjectSet>(p_, "friends");
    friends.Add(q_);
    friends.Add(r_);
    KxGKxObjectSetMemberAlias member(M("friends").GetOffset(), 0);
    std::unique_ptr<KxGSetAlias> set(member.CreateSetAlias(&owner));
    ASSERT_TRUE(set);
    EXPECT_EQ(&owner, set->GetOwner());
    EXPECT_EQ(2, set->GetCount());
    KxRef ref;
    set->GetSetRef(ref);
    EXPECT_EQ(KxClassId(900, 1), ref.GetClassId());

    KxGKxObjectSetElementAlias element;
    ASSERT_EQ(0, set->First());
    set->GetRef(ref);
    EXPECT_EQ(q_->GetRef(), ref);
    EXPECT_EQ(0, element.GetRef(set->GetObject(), ref));
    EXPECT_EQ(q_->GetRef(), ref);
    ASSERT_EQ(0, set->Next());
    EXPECT_EQ(0, element.GetRef(set->GetObject(), ref));
    EXPECT_EQ(r_->GetRef(), ref);
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->Next());
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->Next());

    // Writing through the alias does nothing: the reader adds the objects.
    EXPECT_EQ(0, set->Prepare(0));
    EXPECT_EQ(0, set->Append(1));
    EXPECT_EQ(0, set->Finish());
    EXPECT_EQ(2u, friends.Count());

    // The same alias serves on-demand sets; an empty set ends at once.
    KxGKxObjectSetMemberAlias contacts(M("contacts").GetOffset(), 0);
    std::unique_ptr<KxGSetAlias> refs(contacts.CreateSetAlias(&owner));
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, refs->First());
    EXPECT_EQ(nullptr, refs->GetObject());
    KxOnDemand od;
    od.Assign(nullptr, KxRef(KxObjId(55), KxClassId(13, 1)), &base_);
    At<KxOnDemandSet>(p_, "contacts").Add(od);
    ASSERT_EQ(0, refs->First());
    refs->GetRef(ref);
    EXPECT_EQ(KxObjId(55), ref.GetObjId());
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, refs->Next());
}

class TypeSetAliasTest : public ObjectAliasTest, public ::testing::WithParamInterface<bool> {};

// Both roads: a set in memory (written in place) and one read through its cursor into the alias's
// value buffer.
TEST_P(TypeSetAliasTest, ReadsAndRewritesValues) {
    KxCPPObjectAlias owner(nullptr, nullptr, p_);
    KxTypeSet& tags = At<KxTypeSet>(p_, "tags");
    tags.SetInMemory(GetParam());
    for (const char* t : {"a", "b", "c", "d"}) {
        const KxString v(t);
        tags.Add(&v);
    }
    KxGKxTypeSetMemberAlias member(M("tags").GetOffset(), M("tags").GetSetType());
    std::unique_ptr<KxGSetAlias> set(member.CreateSetAlias(&owner));
    ASSERT_TRUE(set);
    auto value = [&set]() { return static_cast<KxString*>(set->GetObject())->ToUtf8(); };
    std::string read;
    for (int32_t rc = set->First(); rc == 0; rc = set->Next()) read += value();
    EXPECT_EQ("abcd", read);
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->Next());
    EXPECT_EQ(nullptr, set->GetObject());

    auto contents = [&tags]() {
        std::string s;
        KxString v;
        for (uint32_t i = 0; i < tags.Count(); ++i) {
            tags.Get(i, &v);
            s += v.ToUtf8() + ",";
        }
        return s;
    };
    // Shrinking: four elements become two.
    ASSERT_EQ(0, set->Prepare(2));
    EXPECT_EQ(2u, tags.Count());
    *static_cast<KxString*>(set->GetObject()) = "x";
    EXPECT_EQ(0, set->Append(0));
    *static_cast<KxString*>(set->GetObject()) = "y";
    EXPECT_EQ(0, set->Append(0));   // no stop: a spare element is made ...
    EXPECT_EQ(0, set->Finish());    // ... and removed again
    EXPECT_EQ("x,y,", contents());

    // Growing: one element becomes three; the last Append stops.
    ASSERT_EQ(0, set->Prepare(1));
    const char* words[] = {"p", "q", "r"};
    for (int i = 0; i < 3; ++i) {
        *static_cast<KxString*>(set->GetObject()) = words[i];
        EXPECT_EQ(0, set->Append(i == 2));
    }
    EXPECT_EQ(0, set->Finish());
    EXPECT_EQ("p,q,r,", contents());

    // Nothing written: the set ends empty, and reading it ends at once.
    ASSERT_EQ(0, set->Prepare(0));
    EXPECT_EQ(0, set->Finish());
    EXPECT_EQ(0u, tags.Count());
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->First());
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->Append(0));
}
INSTANTIATE_TEST_SUITE_P(InMemoryOrNot, TypeSetAliasTest, ::testing::Bool());

TEST_F(ObjectAliasTest, ClassSetAliasCopiesInstancesInAndOut) {
    KxCPPObjectAlias owner(nullptr, nullptr, p_);
    KxClassSet& addresses = At<KxClassSet>(p_, "addresses");
    KxGKxClassSetMemberAlias member(M("addresses").GetOffset(), M("addresses").GetSetType());
    std::unique_ptr<KxGSetAlias> set(member.CreateSetAlias(&owner));
    ASSERT_TRUE(set);
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->First());
    EXPECT_NE(nullptr, set->GetObject());   // the element instance exists even so

    uint8_t* old = address_->NewInstance();
    City(old) = "old";
    addresses.Add(old);
    address_->DeleteInstance(old);
    ASSERT_EQ(0, set->Prepare(2));
    EXPECT_EQ(0u, addresses.Count());
    EXPECT_EQ(&base_, addresses.GetBase());
    auto* instance = static_cast<uint8_t*>(set->GetObject());
    for (const char* city : {"Oslo", "Bern"}) {
        City(instance) = city;
        EXPECT_EQ(0, set->Append(0));
    }
    EXPECT_EQ(0, set->Finish());
    EXPECT_EQ(nullptr, set->GetObject());
    EXPECT_EQ(2u, addresses.Count());

    std::string read;
    for (int32_t rc = set->First(); rc == 0; rc = set->Next())
        read += City(static_cast<uint8_t*>(set->GetObject())).ToUtf8() + ",";
    EXPECT_EQ("Oslo,Bern,", read);
    EXPECT_EQ(KX_ALIAS_E_NO_ELEMENT, set->Next());
    set->ReleaseElement();
    EXPECT_EQ(nullptr, set->GetObject());

    // Without an element class no instance can be made.
    KxGKxClassSetAlias broken(&owner, &addresses, nullptr);
    EXPECT_EQ(KX_ALIAS_E_NO_MEMORY, broken.First());
    EXPECT_EQ(KX_ALIAS_E_NO_MEMORY, broken.Prepare(1));
}

}  // namespace
