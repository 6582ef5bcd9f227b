#include <gtest/gtest.h>

#include <cstring>

#include "BrowserFixture.h"
#include "KxBrowserKernel.h"
#include "KxGenericArraySubject.h"
#include "KxGenericObjectSubjects.h"
#include "KxGenericSetSubjects.h"
#include "KxObjectWalkers.h"
#include "KvSurrogate.h"
#include "kxfound.h"

using browsertest::CountingView;
using browsertest::DiagnosticCapture;

namespace {

class ObjectSubjectTest : public browsertest::KernelFixture {
protected:
    // An item with a value of every kind: name, count, scores, spot, owner, next, two parts, two tags.
    KxObject* MakeItem() {
        KxObject* item = Make("Item");
        Set(item, "name", 11, KxString("pen"));
        Set(item, "count", 2, int32_t(7));
        int16_t* scores = reinterpret_cast<int16_t*>(Address(item, "scores"));
        scores[0] = 1, scores[1] = 2, scores[2] = 3;
        reinterpret_cast<int32_t*>(Address(item, "spot"))[0] = 4;
        owner_ = Make("Owner");
        Set(owner_, "name", 11, KxString("ann"));
        EXPECT_EQ(0, owner_->Store());
        item->SetPointer(*item->GetMetaClass()->FindMember("owner"), owner_);
        next_ = Make("Item");
        EXPECT_EQ(0, next_->Store());
        *reinterpret_cast<KxOnDemand*>(Address(item, "next")) = KxOnDemand(next_, 1);
        KxObjectSet* parts = nullptr;
        KxMemberAccessor accessor(item->GetMetaClass(), "parts");
        EXPECT_EQ(0, accessor.Of(item));
        EXPECT_EQ(0, accessor.Get(parts));
        for (int i = 0; i < 2; ++i) {
            KxObject* part = Make("Part");
            Set(part, "size", 2, int32_t(10 + i));
            EXPECT_EQ(0, parts->Add(part));
        }
        EXPECT_EQ(0, item->Store(3));
        return item;
    }
    static KvAspect* Aspect(KvSubject& subject, const char* id) {
        return subject.gimmeYourAspects()->getAspect(KvAspectId(id));
    }
    KxObject* owner_ = nullptr;
    KxObject* next_ = nullptr;
};

}  // namespace

namespace {

TEST_F(ObjectSubjectTest, ObjectIsShownWithItsIdentityAndMemberAspects) {
    KxObject* item = MakeItem();
    KxGenericObjectSubject subject(item, nullptr);
    KvAspectSet& set = *subject.gimmeYourAspects();
    subject.getValue(set, 0);

    EXPECT_EQ(item->GetObjId(), Aspect(subject, "OID")->getSurrogate().getKxObjId());
    EXPECT_EQ("3.1", Aspect(subject, "ClassId")->getString().ToUtf8());
    EXPECT_EQ("Item", Aspect(subject, "ClassName")->getString().ToUtf8());
    for (const char* id : {"OID", "ClassId", "LocalClassId", "ClassName"}) {
        EXPECT_EQ(1, Aspect(subject, id)->tag()) << id;
        EXPECT_TRUE(Aspect(subject, id)->isReadOnly()) << id;
    }
    // Members of the base first, named by their declaring class; static and transient members are
    // not shown.
    EXPECT_EQ(KvAspectId("Named::name"), set.getObject(4)->aspectId());
    EXPECT_EQ("pen", Aspect(subject, "Named::name")->getString().ToUtf8());
    EXPECT_EQ("KxString   ", Aspect(subject, "Named::name")->getTypeTag().ToUtf8());
    EXPECT_EQ(7, Aspect(subject, "Item::count")->getInt());
    EXPECT_EQ(nullptr, Aspect(subject, "Item::cache"));
    EXPECT_EQ(nullptr, Aspect(subject, "Item::note"));

    struct Case {
        const char* id;
        long tag;
    };
    for (const Case& c : {Case{"Item::count", 1}, Case{"Item::spot", 2}, Case{"Item::owner", 3},
                          Case{"Item::next", 3}, Case{"Item::parts", 4}, Case{"Item::tags", 4},
                          Case{"Item::spots", 4}, Case{"Item::refs", 4}})
        EXPECT_EQ(c.tag, Aspect(subject, c.id)->tag()) << c.id;

    auto* owner = dynamic_cast<KxGenericObjectSubject*>(Aspect(subject, "Item::owner")->getSubjectPtr());
    ASSERT_NE(nullptr, owner);
    EXPECT_EQ(owner_, owner->object());
    auto* next = dynamic_cast<KxGenericOndemandSubject*>(Aspect(subject, "Item::next")->getSubjectPtr());
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(next_, next->object());
    auto* parts = dynamic_cast<KxGenericPersistentObjectSetSubject*>(Aspect(subject, "Item::parts")->getSubjectPtr());
    ASSERT_NE(nullptr, parts);
    EXPECT_EQ(2, parts->getObjectsCount());
    EXPECT_NE(nullptr, dynamic_cast<KxGenericTypeSetSubject*>(Aspect(subject, "Item::tags")->getSubjectPtr()));
    EXPECT_NE(nullptr, dynamic_cast<KxGenericObjectSetSubject*>(Aspect(subject, "Item::spots")->getSubjectPtr()));
    EXPECT_NE(nullptr, dynamic_cast<KxGenericOndemandSetSubject*>(Aspect(subject, "Item::refs")->getSubjectPtr()));

    auto* spot = dynamic_cast<KxGenericEmbeddedObjectSubject*>(Aspect(subject, "Item::spot")->getSubjectPtr());
    ASSERT_NE(nullptr, spot);
    spot->getValue(*spot->gimmeYourAspects(), 0);
    EXPECT_EQ(4, Aspect(*spot, "Spot::x")->getInt());
    EXPECT_EQ(nullptr, Aspect(*spot, "OID"));

    // The array member: one subject, an item per element titled with the index.
    auto* scores = dynamic_cast<KxGenericArraySubject*>(Aspect(subject, "Item::scores")->getSubjectPtr());
    ASSERT_NE(nullptr, scores);
    EXPECT_EQ(3, scores->getObjectsCount());
    EXPECT_EQ("scores[2]", scores->getArrayItem(2)->getTitle().ToUtf8());
    EXPECT_EQ(3, scores->getArrayItem(2)->getShort());

    // A second read keeps one child subject per member.
    subject.getValue(set, 0);
    EXPECT_EQ(scores, Aspect(subject, "Item::scores")->getSubjectPtr());
}

TEST_F(ObjectSubjectTest, EditsAreWrittenBackAndStored) {
    KxObject* item = MakeItem();
    {
        KxGenericObjectSubject subject(item, nullptr);
        KvAspectSet& set = *subject.gimmeYourAspects();
        CountingView view(&subject);
        subject.getValue(set, 0);
        *Aspect(subject, "Item::count") = 42;
        *Aspect(subject, "Named::name") = "ink";
        *Aspect(subject, "OID") = KvSurrogate(KxObjId(999));   // read-only: not written
        // Editing element 1 of the array writes only that element.
        auto* scores = dynamic_cast<KxGenericArraySubject*>(Aspect(subject, "Item::scores")->getSubjectPtr());
        KvAspectSet row;
        row.add(new KvAspect(KvAspectId("value"), short(20)));
        CountingView scoresView(scores);
        EXPECT_FALSE(scores->update(row, 1, KvVerb("edit", nullptr, nullptr, 1)));
        EXPECT_EQ(1, scoresView.updates);
        const int16_t* memory = reinterpret_cast<int16_t*>(Address(item, "scores"));
        EXPECT_EQ(1, memory[0]);
        EXPECT_EQ(20, memory[1]);
        EXPECT_EQ(3, memory[2]);
        scores->getValue(row, 1);
        EXPECT_EQ(20, row.getObject(0)->getShort());
        EXPECT_FALSE(subject.update(set, 3, KvVerb("edit", nullptr, nullptr, 1)));
        EXPECT_FALSE(subject.update(set, 3, KvVerb("Store", nullptr, nullptr, 1)));
        EXPECT_EQ(2, view.updates);
        EXPECT_EQ(3, view.lastHint);
        EXPECT_EQ("Store", view.lastVerb);

    }
    EXPECT_EQ(0, item->Refresh());
    EXPECT_EQ(42, Get<int32_t>(item, "count", 2));
    EXPECT_EQ("ink", Get<KxString>(item, "name", 11).ToUtf8());
    EXPECT_EQ(20, reinterpret_cast<int16_t*>(Address(item, "scores"))[1]);
}

TEST_F(ObjectSubjectTest, ReferenceEditResolvesTheEnteredObjectOrRefusesIt) {
    KxObject* item = MakeItem();
    KxObject* other = Make("Other");
    ASSERT_EQ(0, other->Store());
    KxObject* owner2 = Make("Owner");
    ASSERT_EQ(0, owner2->Store());
    KxGenericObjectSubject subject(item, nullptr);
    subject.getValue(*subject.gimmeYourAspects(), 0);
    CountingView view(&subject);

    // The view's set: the edited member first.
    auto edit = [&](const char* member, const KxObjId& id) {
        KvAspectSet set;
        set.add(new KvAspect(*Aspect(subject, member)));
        EXPECT_FALSE(subject.update(set, 0, KvVerb("pre edit", nullptr, nullptr, 1)));
        KvAspect* editAspect = set.getAspect(KvAspectId("EditAspect"));
        EXPECT_NE(nullptr, editAspect);
        EXPECT_EQ(Aspect(subject, member)->getTitle(), editAspect->getTitle());
        *editAspect = KvSurrogate(id);
        KxErrorCode result = subject.update(set, 0, KvVerb("post edit", nullptr, nullptr, 1));
        EXPECT_EQ(nullptr, set.getAspect(KvAspectId("EditAspect")));
        KvSubject* now = set.getObject(0)->getSubjectPtr();
        if (now != Aspect(subject, member)->getSubjectPtr()) {
            // The resolved subject goes into the object subject's own aspect, whose old one goes.
            KxGiveSubject(Aspect(subject, member), now);
        }
        *set.getObject(0) = static_cast<KvSubject*>(nullptr);
        return result;
    };
    // An object of an unrelated class is refused and the member keeps its subject.
    KvSubject* before = Aspect(subject, "Item::owner")->getSubjectPtr();
    KxErrorCode refused = edit("Item::owner", other->GetObjId());
    EXPECT_TRUE(refused.isFatal());
    EXPECT_STREQ("Invalid object reference. Cannot set reference.", refused.errorString());
    EXPECT_EQ(before, Aspect(subject, "Item::owner")->getSubjectPtr());
    // An object of the member's class is taken; "edit" writes it into the object.
    EXPECT_FALSE(edit("Item::owner", owner2->GetObjId()));
    EXPECT_EQ(0, view.updates);   // the edit steps notify nobody
    EXPECT_FALSE(subject.update(*subject.gimmeYourAspects(), 0, KvVerb("edit", nullptr, nullptr, 1)));
    EXPECT_EQ(owner2, *reinterpret_cast<KxObject**>(Address(item, "owner")));
    // The null id empties the reference, for pointers and on-demand references alike.
    EXPECT_FALSE(edit("Item::owner", KxObjId()));
    EXPECT_FALSE(edit("Item::next", KxObjId()));
    EXPECT_FALSE(subject.update(*subject.gimmeYourAspects(), 0, KvVerb("edit", nullptr, nullptr, 1)));
    EXPECT_EQ(nullptr, *reinterpret_cast<KxObject**>(Address(item, "owner")));
    EXPECT_TRUE(reinterpret_cast<KxOnDemand*>(Address(item, "next"))->GetRef().GetObjId().IsNull());
    EXPECT_EQ(0, item->Store());
    // Read again: a null pointer and a reference to no object give null subjects tagged 3.
    subject.getValue(*subject.gimmeYourAspects(), 0);
    for (const char* member : {"Item::owner", "Item::next"}) {
        EXPECT_EQ(nullptr, Aspect(subject, member)->getSubjectPtr()) << member;
        EXPECT_EQ(3, Aspect(subject, member)->tag()) << member;
    }

    // A base-type member gets no "EditAspect".
    KvAspectSet plain;
    plain.add(new KvAspect(*Aspect(subject, "Item::count")));
    EXPECT_FALSE(subject.update(plain, 0, KvVerb("pre edit", nullptr, nullptr, 1)));
    EXPECT_EQ(1u, plain.count());
    EXPECT_FALSE(subject.update(plain, 0, KvVerb("set back", nullptr, nullptr, 1)));
}

TEST_F(ObjectSubjectTest, StoreAndRefreshReportTheKernelAndMissingObjects) {
    KxObject* item = MakeItem();
    KxGenericObjectSubject subject(item, nullptr);
    CountingView view(&subject);
    KvAspectSet& set = *subject.gimmeYourAspects();
    // A locked object: the kernel's status travels as a fatal code with its number.
    KxHookFailNext("KxObject::Store", -2041);
    KxErrorCode locked = subject.update(set, 0, KvVerb("store", nullptr, nullptr, 1));
    EXPECT_TRUE(locked.isFatal());
    EXPECT_NE(nullptr, std::strstr(locked.errorString(), "-2041"));
    EXPECT_EQ(0, view.updates);
    KxHookFailNext("KxObject::Refresh", -2017);
    EXPECT_TRUE(subject.update(set, 0, KvVerb("refresh", nullptr, nullptr, 1)).isFatal());
    EXPECT_FALSE(subject.update(set, 0, KvVerb("refresh", nullptr, nullptr, 1)));
    EXPECT_EQ(1, view.updates);

    KxGenericObjectSubject empty(nullptr, Class("Item")->AsPersClass());
    CountingView emptyView(&empty);
    KxErrorCode none = empty.update(*empty.gimmeYourAspects(), 0, KvVerb("store", nullptr, nullptr, 1));
    EXPECT_STREQ("No Object Available, nothing stored", none.errorString());
    EXPECT_STREQ("No Object Available, nothing refreshed",
                 empty.update(*empty.gimmeYourAspects(), 0, KvVerb("refresh", nullptr, nullptr, 1)).errorString());
    EXPECT_EQ(0, emptyView.updates);
    // Without object the identity aspects read "not available".
    empty.readSurrogateAndOtherStuff(*empty.gimmeYourAspects(), nullptr, nullptr, nullptr);
    EXPECT_EQ("not available", Aspect(empty, "ClassName")->getString().ToUtf8());
}

TEST_F(ObjectSubjectTest, OndemandSubjectShowsWhyItsReferenceCannotBeResolved) {
    KxObject* target = Make("Item");
    ASSERT_EQ(0, target->Store());
    KxOnDemand reference(target, 1);
    const KxMetaTypeHandle* desc = Class("Item")->GetTypeHandle();
    {
        KxGenericOndemandSubject resolved(&reference, desc);
        EXPECT_EQ(target, resolved.object());
        resolved.getValue(*resolved.gimmeYourAspects(), 0);
        EXPECT_EQ(target->GetObjId(), Aspect(resolved, "OID")->getSurrogate().getKxObjId());
    }
    struct Case {
        int32_t status;
    };
    for (const Case& c : {Case{-2017}, Case{-2023}, Case{-2113}, Case{-2041}}) {
        KxHookFailNext("KxOnDemand::Get", c.status);
        KxGenericOndemandSubject failed(&reference, desc);
        EXPECT_EQ(nullptr, failed.object());
        KvAspectSet& set = *failed.gimmeYourAspects();
        failed.getValue(set, 0);
        KxString printed;
        reference.GetRef().PrintToKxString(printed);
        const char* message = KxError(nullptr, nullptr, c.status, 0);
        const std::string expected = std::to_string(c.status) + " : " + (message != nullptr ? message : "") +
                                     ", KxRef=" + printed.ToUtf8();
        ASSERT_LT(0u, set.count());
        for (unsigned long i = 0; i < set.count(); ++i) EXPECT_EQ(expected, set.getObject(i)->getString().ToUtf8());
    }
}

TEST_F(ObjectSubjectTest, WalkerConvertsValuesAndLeavesReadOnlyAndBlockIdsAlone) {
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    int32_t value = 5;
    KvAspect aspect(KvAspectId("v"));
    valueToAspect(2, &value, &aspect, typeMgr);
    EXPECT_EQ(5, aspect.getLong());
    aspect = 6;
    aspectToValue(2, &value, &aspect, typeMgr);
    EXPECT_EQ(6, value);
    aspect.setReadOnly();
    aspect = 7;
    aspectToValue(2, &value, &aspect, typeMgr);
    EXPECT_EQ(6, value);

    DiagnosticCapture capture;
    KvAspect block(KvAspectId("b"));
    int64_t id = 77;
    aspectToValue(14, &id, &block, typeMgr);
    EXPECT_EQ(77, id);
    EXPECT_TRUE(capture.Has("cannot convert block ids.")) << capture.Text();
    valueToAspect(14, &id, &block, typeMgr);
    EXPECT_EQ("BlockId value not avail", block.getString().ToUtf8());
    // A case-insensitive string (code 20) goes through the type manager's text form.
    KxString text("Mixed");
    KvAspect other(KvAspectId("s"));
    valueToAspect(20, &text, &other, typeMgr);
    EXPECT_EQ("Mixed", other.getString().ToUtf8());
    other = "Other";
    aspectToValue(20, &text, &other, typeMgr);
    EXPECT_EQ("Other", text.ToUtf8());
}

TEST_F(ObjectSubjectTest, StringsOfAnotherCodeSetAreConvertedAndReadOnlyOnWindows9x) {
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    KxString wide(u"caf\u00e9");
    KvAspect shown(KvAspectId("s"));
    valueToAspect(11, &wide, &shown, typeMgr);
    EXPECT_TRUE(shown.isNotReadOnly());
    EXPECT_EQ(wide.ToUtf8(), shown.getString().ToUtf8());

    w32test::SetWindows9x(true);
    KvAspect converted(KvAspectId("s"));
    valueToAspect(11, &wide, &converted, typeMgr);
    w32test::SetWindows9x(false);
    KvAspect original(KvAspectId("tmp"), wide);
    EXPECT_TRUE(converted.isReadOnly());
    EXPECT_EQ(std::string("caf\u00e9(") + original.OriginalCodeSetAsString() + ", " +
                  original.OriginalLanguageAsString() + ". Read only.)",
              converted.getString().ToUtf8());
}

TEST_F(ObjectSubjectTest, RowWalkerFillsBaseTypeMembersOnly) {
    KxObject* item = MakeItem();
    KvAspectSet set;
    auto* owner = new KvAspect(KvAspectId("Item::owner"), "untouched");
    set.add(owner);
    set.add(new KvAspect(KvAspectId("Item::count")));
    set.add(new KvAspect(KvAspectId("Item::scores"), "untouched"));
    MapPersistentTypeMember2AspectSetHandler walker(&set, KxTypeMgr::GetDefault(), base_->GetDictionary());
    walker.setBaseTypeTag(1);
    walker(item->GetMetaClass(), item);
    EXPECT_EQ("untouched", owner->getString().ToUtf8());
    EXPECT_EQ("untouched", set.getObject(2)->getString().ToUtf8());
    EXPECT_EQ(7, set.getObject(1)->getInt());
    EXPECT_EQ(1, set.getObject(1)->tag());
}

}  // namespace
