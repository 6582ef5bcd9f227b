#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "BrowserFixture.h"
#include "KvSurrogate.h"
#include "KxBrowserStatics.h"
#include "KxGenericObjectSubjects.h"
#include "KxGenericSetSubjects.h"
#include "kxfound.h"

using browsertest::CountingView;

namespace {

class SetSubjectTest : public browsertest::KernelFixture {
protected:
    // An item whose parts hold parts of the sizes given, stored.
    KxObject* ItemWithParts(std::initializer_list<int32_t> sizes) {
        KxObject* item = Make("Item");
        KxObjectSet* parts = PartsOf(item);
        for (int32_t size : sizes) {
            KxObject* part = Make("Part");
            Set(part, "size", 2, size);
            EXPECT_EQ(0, parts->Add(part));
        }
        EXPECT_EQ(0, item->Store(3));
        return item;
    }
    template <class S>
    S* SetOf(KxObject* item, const char* member) {
        KxMemberAccessor accessor(item->GetMetaClass(), member);
        EXPECT_EQ(0, accessor.Of(item));
        KxSet* set = nullptr;
        EXPECT_EQ(0, accessor.Get(set));
        set->AttachToBase(base_.get());
        return dynamic_cast<S*>(set);
    }
    KxObjectSet* PartsOf(KxObject* item) { return SetOf<KxObjectSet>(item, "parts"); }
    const KxMetaSet* SetType(const char* name) { return base_->GetDictionary()->FindByName(KxString(name))->AsSet(); }
    static KxErrorCode Verb(KvSubject& subject, KvAspectSet& set, long hint, const char* verb) {
        return subject.update(set, hint, KvVerb(verb, nullptr, nullptr, 1));
    }
    static std::string Text(KvAspectSet& set, const char* id) {
        return set.getAspect(KvAspectId(id))->getString().ToUtf8();
    }
    static int32_t SizeAt(KxObjectSet* set, uint32_t i) {
        KxMemberAccessor accessor(set->Get(i)->GetMetaClass(), "size");
        accessor.Of(set->Get(i));
        int32_t size = 0;
        accessor.GetValue(2, &size);
        return size;
    }
    static std::map<std::string, int> Applyable(KvSubject& subject) {
        std::map<std::string, int> flags;
        for (KvVerb** verb = subject.gimmeYourVerbs(); *verb != nullptr; ++verb) flags[(*verb)->getVerb()] = (*verb)->isApplyable();
        return flags;
    }
};

TEST_F(SetSubjectTest, PersistentSetRowsShowElementsAndSkippedOnes) {
    KxObject* item = ItemWithParts({10, 11});
    KxObjectSet* parts = PartsOf(item);
    KxGenericPersistentObjectSetSubject subject(parts, SetType("PartSet"));
    EXPECT_EQ(2, subject.getObjectsCount());
    KvAspectSet& set = *subject.gimmeYourAspects();
    ASSERT_EQ(7u, set.count());
    EXPECT_EQ(KvAspectId("Part::size"), set.getObject(5)->aspectId());

    subject.getValue(set, 1);
    EXPECT_EQ(11, set.getAspect(KvAspectId("Part::size"))->getInt());
    KvAspect* object = set.getAspect(KvAspectId("object"));
    EXPECT_EQ(2, object->tag());
    EXPECT_TRUE(object->isNotAvail());
    EXPECT_EQ("Part(1)", object->getTypeTag().ToUtf8());
    KxString ref;
    parts->Get(1)->GetRef().PrintToKxString(ref);
    EXPECT_EQ("#1, " + ref.ToUtf8(), object->getTitle().ToUtf8());
    auto* opened = dynamic_cast<KxGenericObjectSubject*>(object->getSubjectPtr());
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(parts->Get(1), opened->object());

    // An element deleted meanwhile is skipped: its row shows the kernel's error, its "OID" nothing.
    ASSERT_EQ(0, parts->Get(0)->Delete());
    subject.getValue(set, 0);
    const char* message = KxError(nullptr, nullptr, -2017, 0);
    EXPECT_EQ("-2017 : " + std::string(message != nullptr ? message : ""), Text(set, "Part::size"));
    EXPECT_EQ("", Text(set, "OID"));
    EXPECT_EQ(nullptr, dynamic_cast<KxGenericObjectSubject*>(set.getAspect(KvAspectId("object"))->getSubjectPtr())->object());
}

TEST_F(SetSubjectTest, PersistentSetElementOperations) {
    KxObject* item = ItemWithParts({10, 11});
    KxObjectSet* parts = PartsOf(item);
    KxGenericPersistentObjectSetSubject subject(parts, SetType("PartSet"));
    CountingView view(&subject);
    KvAspectSet& set = *subject.gimmeYourAspects();
    auto applyable = Applyable(subject);
    ASSERT_EQ(10u, applyable.size());
    EXPECT_EQ(1, applyable["insert new"]);
    EXPECT_EQ(1, applyable["clear"]);

    // A hint past the end appends; a negative one inserts first.
    EXPECT_FALSE(Verb(subject, set, 99, "insert new"));
    ASSERT_EQ(3u, parts->Count());
    EXPECT_EQ(10, SizeAt(parts, 0));
    EXPECT_FALSE(parts->Get(2)->GetObjId().IsNull());   // stored
    EXPECT_FALSE(Verb(subject, set, -4, "insert new"));
    ASSERT_EQ(4u, parts->Count());
    EXPECT_EQ(10, SizeAt(parts, 1));
    EXPECT_EQ(-4, view.lastHint);
    EXPECT_FALSE(Verb(subject, set, 0, "remove"));
    EXPECT_EQ(3u, parts->Count());
    EXPECT_FALSE(Verb(subject, set, 1, "replace new"));
    EXPECT_EQ(3u, parts->Count());
    EXPECT_EQ(0, SizeAt(parts, 1));
    EXPECT_EQ(KxTextError(KX_TEXT_CANNOT_REMOVE), Verb(subject, set, 7, "remove"));
    EXPECT_EQ(KxTextError(KX_TEXT_CANNOT_REPLACE), Verb(subject, set, 7, "replace new"));

    // "edit" is not offered on the rows: nobody is told.
    const int updates = view.updates;
    KxErrorCode edit = Verb(subject, set, 0, "edit");
    EXPECT_TRUE(edit.isFatal());
    EXPECT_STREQ("not yet implemented", edit.errorString());
    EXPECT_EQ(updates, view.updates);

    // A row's object edited to an object of another class is refused; to a part it is replaced.
    KxObject* other = Make("Other");
    ASSERT_EQ(0, other->Store());
    KxObject* part = Make("Part");
    Set(part, "size", 2, int32_t(77));
    ASSERT_EQ(0, part->Store());
    auto postEdit = [&](const KxObjId& id) {
        KvAspectSet row;
        auto* editAspect = new KvAspect(KvAspectId("EditAspect"));
        *editAspect = KvSurrogate(id);
        row.add(editAspect);
        KxErrorCode result = Verb(subject, row, 0, "post edit");
        EXPECT_EQ(0u, row.count());
        return result;
    };
    const KxObject* first = parts->Get(0);
    EXPECT_STREQ("Invalid object reference. Cannot set reference.", postEdit(other->GetObjId()).errorString());
    EXPECT_EQ(first, parts->Get(0));
    EXPECT_FALSE(postEdit(part->GetObjId()));
    EXPECT_EQ(part, parts->Get(0));
    EXPECT_EQ(updates, view.updates);

    EXPECT_FALSE(Verb(subject, set, 0, "clear"));
    EXPECT_EQ(0, subject.getObjectsCount());
    applyable = Applyable(subject);
    EXPECT_EQ(0, applyable["clear"]);
    EXPECT_EQ(0, applyable["remove"]);

    // A set of the root class: no "new" verbs.
    KxObjectSet any(SetType("AnySet"));
    any.AttachToBase(base_.get());
    KxGenericPersistentObjectSetSubject anySubject(&any, SetType("AnySet"));
    applyable = Applyable(anySubject);
    for (const char* verb : {"insert new", "replace new", "insertfirst new", "append new"}) EXPECT_EQ(0, applyable[verb]) << verb;
    EXPECT_EQ(1, applyable["insert empty"]);
}

TEST_F(SetSubjectTest, OndemandSetRowsShowElementsTheKernelCannotDeliver) {
    KxObject* item = Make("Item");
    KxOnDemandSet* refs = SetOf<KxOnDemandSet>(item, "refs");
    KxObject* target = Make("Item");
    Set(target, "count", 2, int32_t(3));
    ASSERT_EQ(0, target->Store());
    ASSERT_EQ(0, refs->Add(KxOnDemand(target, 1)));
    KxGenericOndemandSetSubject subject(refs, SetType("ItemRefs"));
    KvAspectSet& set = *subject.gimmeYourAspects();
    subject.getValue(set, 0);
    EXPECT_EQ(3, set.getAspect(KvAspectId("Item::count"))->getInt());
    for (int32_t status : {-2023, -2017}) {
        KxHookFailNext("KxObjectSet::Get", status);
        subject.getValue(set, 0);
        EXPECT_EQ(0u, Text(set, "Item::count").rfind(std::to_string(status) + " : ", 0)) << Text(set, "Item::count");
    }
    EXPECT_FALSE(Verb(subject, set, 1, "append new"));
    EXPECT_EQ(2u, refs->Count());
    EXPECT_FALSE(Verb(subject, set, 0, "remove"));
    EXPECT_EQ(1u, refs->Count());
}

TEST_F(SetSubjectTest, TypeSetRowsAndValueOperations) {
    KxObject* item = Make("Item");
    KxTypeSet* tags = SetOf<KxTypeSet>(item, "tags");
    for (const char* tag : {"a", "b"}) {
        const KxString value(tag);
        ASSERT_EQ(0, tags->Add(&value));
    }
    KxGenericTypeSetSubject subject(tags, SetType("TagSet"));
    CountingView view(&subject);
    KvAspectSet& set = *subject.gimmeYourAspects();
    ASSERT_EQ(1u, set.count());
    EXPECT_EQ(KvAspectId("KxString"), set.getObject(0)->aspectId());
    EXPECT_EQ(4, set.getObject(0)->tag());
    auto applyable = Applyable(subject);
    ASSERT_EQ(11u, applyable.size());
    EXPECT_EQ(0, applyable["store"]);
    EXPECT_EQ(1, applyable["insert"]);

    subject.getValue(set, 1);
    EXPECT_EQ("b", set.getObject(0)->getString().ToUtf8());
    *set.getObject(0) = "z";
    EXPECT_FALSE(Verb(subject, set, 1, "edit"));
    KxString value;
    ASSERT_EQ(0, tags->Get(1, &value));
    EXPECT_EQ("z", value.ToUtf8());
    EXPECT_FALSE(Verb(subject, set, 0, "insertfirst"));
    EXPECT_FALSE(Verb(subject, set, 0, "append"));
    EXPECT_EQ(4, subject.getObjectsCount());
    ASSERT_EQ(0, tags->Get(1, &value));
    EXPECT_EQ("a", value.ToUtf8());
    EXPECT_FALSE(Verb(subject, set, 1, "remove"));
    ASSERT_EQ(0, tags->Get(1, &value));
    EXPECT_EQ("z", value.ToUtf8());
    EXPECT_EQ(KxTextError(KX_TEXT_CANNOT_REMOVE), Verb(subject, set, 9, "remove"));
    EXPECT_FALSE(Verb(subject, set, 0, "clear"));
    EXPECT_EQ(0, subject.getObjectsCount());
    EXPECT_EQ(5, view.updates);
    // A row past the end shows the kernel's error.
    subject.getValue(set, 3);
    EXPECT_EQ(0u, set.getObject(0)->getString().ToUtf8().rfind("-2005 : ", 0));
}

TEST_F(SetSubjectTest, ClassSetRowsOpenTheElementWhereTheSetKeepsIt) {
    KxObject* item = Make("Item");
    KxClassSet* spots = SetOf<KxClassSet>(item, "spots");
    KxGenericObjectSetSubject subject(spots, SetType("SpotSet"));
    KvAspectSet& set = *subject.gimmeYourAspects();
    EXPECT_FALSE(Verb(subject, set, 0, "append"));
    EXPECT_FALSE(Verb(subject, set, 0, "insertfirst"));
    EXPECT_EQ(2, subject.getObjectsCount());
    subject.getValue(set, 1);
    EXPECT_EQ(0, set.getAspect(KvAspectId("Spot::x"))->getInt());
    KvAspect* object = set.getAspect(KvAspectId("object"));
    EXPECT_EQ("#1", object->getTitle().ToUtf8());
    EXPECT_EQ("set   <Spot(1)>    ", object->getTypeTag().ToUtf8());
    auto* element = dynamic_cast<KxGenericEmbeddedObjectSubject*>(object->getSubjectPtr());
    ASSERT_NE(nullptr, element);
    KvAspectSet& members = *element->gimmeYourAspects();
    element->getValue(members, 0);
    *members.getAspect(KvAspectId("Spot::x")) = 12;
    EXPECT_FALSE(Verb(*element, members, 0, "edit"));
    EXPECT_EQ(12, *reinterpret_cast<int32_t*>(spots->At(1)));
    EXPECT_FALSE(Verb(subject, set, 0, "remove"));
    EXPECT_EQ(12, *reinterpret_cast<int32_t*>(spots->At(0)));
    EXPECT_STREQ("not yet implemented", Verb(subject, set, 0, "edit").errorString());
}

}  // namespace
