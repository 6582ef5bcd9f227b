#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "BrowserFixture.h"
#include "KvSurrogate.h"
#include "KxBrowserStatics.h"
#include "KxGenericAllSetSubject.h"
#include "KxGenericObjectSubjects.h"
#include "kxfound.h"

using browsertest::CountingView;

namespace {

class AllSetSubjectTest : public browsertest::KernelFixture {
protected:
    // Parts with the sizes given, stored.
    void MakeParts(std::initializer_list<int32_t> sizes) {
        for (int32_t size : sizes) {
            KxObject* part = Make("Part");
            Set(part, "size", 2, size);
            ASSERT_EQ(0, part->Store());
        }
    }
    // The class-selection event of the class hierarchy.
    static void Select(KxGenericAllSetSubject& subject, unsigned short number, const char* text) {
        KvAspectSet event;
        event.add(new KvAspect(KvAspectId("class_id"), number));
        event.add(new KvAspect(KvAspectId("text"), text));
        subject.handleEvent(event, static_cast<KvView*>(nullptr), KvVerb(nullptr, nullptr, nullptr, 1));
    }
    static KxErrorCode Verb(KxGenericAllSetSubject& subject, KvAspectSet& set, long hint, const char* verb) {
        return subject.update(set, hint, KvVerb(verb, nullptr, nullptr, 1));
    }
    static int32_t Size(KvAspectSet& set) { return set.getAspect(KvAspectId("Part::size"))->getInt(); }
};

TEST_F(AllSetSubjectTest, SelectedClassShowsOneRowPerObject) {
    MakeParts({11, 12, 13});
    KxGenericAllSetSubject subject(base_.get());
    CountingView view(&subject);
    EXPECT_EQ(1, subject.getObjectsCount());
    Select(subject, 5, "Part(1)");
    EXPECT_EQ(1, view.updates);
    EXPECT_EQ(0, view.lastHint);
    EXPECT_EQ(3, subject.getObjectsCount());
    ASSERT_EQ(Class("Part"), subject.getAllSetClassDesc());

    KvAspectSet& set = *subject.gimmeYourAspects();
    const char* ids[] = {"OID", "ClassId", "LocalClassId", "ClassName", "object", "Part::name", "Part::size"};
    ASSERT_EQ(7u, set.count());
    for (unsigned long i = 0; i < 7; ++i) EXPECT_EQ(KvAspectId(ids[i]), set.getObject(i)->aspectId()) << ids[i];
    EXPECT_NE(nullptr, dynamic_cast<KxGenericObjectSchemaSubject*>(set.getAspect(KvAspectId("object"))->getSubjectPtr()));

    // Rows in order, then out of order: the same objects either way.
    std::vector<int32_t> sizes;
    for (long row = 0; row < 3; ++row) {
        subject.getValue(set, row);
        sizes.push_back(Size(set));
        auto* object = dynamic_cast<KxGenericObjectSubject*>(set.getAspect(KvAspectId("object"))->getSubjectPtr());
        ASSERT_NE(nullptr, object);
        EXPECT_EQ(object->object()->GetObjId(), set.getAspect(KvAspectId("OID"))->getSurrogate().getKxObjId());
        EXPECT_EQ("Part", set.getAspect(KvAspectId("ClassName"))->getString().ToUtf8());
        EXPECT_EQ("5.1", set.getAspect(KvAspectId("ClassId"))->getString().ToUtf8());
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ((std::vector<int32_t>{11, 12, 13}), sizes);
    subject.getValue(set, 2);
    const int32_t third = Size(set);
    subject.getValue(set, 0);
    subject.getValue(set, 2);
    EXPECT_EQ(third, Size(set));
}

TEST_F(AllSetSubjectTest, MessagesWithoutExtentOrForAClassWithoutOne) {
    KxGenericAllSetSubject subject(base_.get());
    CountingView view(&subject);
    KvAspectSet empty;
    subject.getValue(empty, 0);
    ASSERT_EQ(1u, empty.count());
    EXPECT_EQ("no allset", empty.getAspect(KvAspectId("message"))->getString().ToUtf8());
    EXPECT_EQ("Message", empty.getObject(0)->getTitle().ToUtf8());
    EXPECT_EQ(1, view.updates);
    subject.getValue(empty, 0);
    EXPECT_EQ(1, view.updates);

    Select(subject, 7, "Ledger(3)");
    EXPECT_EQ(1, subject.getObjectsCount());
    KvAspectSet& set = *subject.gimmeYourAspects();
    EXPECT_EQ(5u, set.count());   // identity and "object", no member columns
    subject.getValue(set, 0);
    EXPECT_EQ("class has no allset (_persistent)", set.getObject(0)->getString().ToUtf8());

    // A class id the dictionary does not know: no class, no extent.
    Select(subject, 99, "Nobody(1)");
    EXPECT_EQ(nullptr, subject.getAllSetClassDesc());
    EXPECT_EQ(1, subject.getObjectsCount());
}

TEST_F(AllSetSubjectTest, NewObjectsAndDeletes) {
    MakeParts({1, 2});
    KxGenericAllSetSubject subject(base_.get());
    Select(subject, 5, "Part(1)");
    CountingView view(&subject);
    KvAspectSet& set = *subject.gimmeYourAspects();

    EXPECT_FALSE(Verb(subject, set, 0, "new object"));
    EXPECT_EQ(3, subject.getObjectsCount());
    EXPECT_EQ(2, view.lastHint);

    // One object, selected by its object id.
    subject.getValue(set, 0);
    KvAspectSet selected;
    selected.add(new KvAspect(*set.getAspect(KvAspectId("OID"))));
    KxHookFailNext("KxObject::Delete", -2041);
    EXPECT_EQ(KxBrowserErrors::DeleteLocked, Verb(subject, selected, 0, "delete object"));
    const int before = view.updates;
    EXPECT_FALSE(Verb(subject, selected, 0, "delete object flat"));
    EXPECT_EQ(before, view.updates);   // a single delete notifies nobody
    EXPECT_FALSE(Verb(subject, set, 0, "update screen"));
    EXPECT_EQ(2, subject.getObjectsCount());
    EXPECT_EQ(KxBrowserErrors::CannotFindObject, Verb(subject, selected, 0, "delete object"));

    KvAspectSet invalid;
    invalid.add(new KvAspect(KvAspectId("OID"), KvSurrogate(KxObjId())));
    EXPECT_EQ(KxBrowserErrors::InvalidSelectedObjectId, Verb(subject, invalid, 0, "delete object deep"));
    KvAspectSet none;
    EXPECT_EQ(KxBrowserErrors::NoSelectedSurrogate, Verb(subject, none, 0, "delete object noondemand"));

    // Everything: a locked object stops it; then all go and the dependents hear of it once.
    KxHookFailNext("KxObject::Delete", -2041);
    EXPECT_EQ(KxBrowserErrors::DeleteLocked, Verb(subject, set, 0, "delete all"));
    KxHookFailNext("KxObject::Delete", -2017);
    EXPECT_EQ(KxBrowserErrors::DeleteAlreadyDeleted, Verb(subject, set, 0, "delete all"));
    const int beforeAll = view.updates;
    EXPECT_FALSE(Verb(subject, set, 5, "delete all deep"));
    EXPECT_EQ(beforeAll + 1, view.updates);
    EXPECT_EQ(0, view.lastHint);
    EXPECT_EQ(0, subject.getObjectsCount());
    // Again on the empty extent: success.
    EXPECT_FALSE(Verb(subject, set, 0, "delete all"));
    EXPECT_EQ(beforeAll + 2, view.updates);

    // A verb the subject does not know: success, nobody told.
    EXPECT_FALSE(Verb(subject, set, 0, "polish"));
    EXPECT_EQ(beforeAll + 2, view.updates);
}

TEST_F(AllSetSubjectTest, OverAGivenExtentThatStaysItsCreators) {
    MakeParts({5});
    KxAllSet* extent = Class("Part")->AsPersClass()->MakeExtent(base_.get());
    {
        KxGenericAllSetSubject subject(extent);
        EXPECT_EQ(1, subject.getObjectsCount());
        KvAspectSet& set = *subject.gimmeYourAspects();
        subject.getValue(set, 0);
        EXPECT_EQ(5, Size(set));
        KvSubject* copy = subject.clone();
        ASSERT_NE(nullptr, copy);
        EXPECT_EQ(1, copy->getObjectsCount());
        delete copy;
        KxHookFailNext("KxObjectSet::Get", -2041);
        subject.getValue(set, 0);
        const char* text = KxError(nullptr, nullptr, -2041, 0);
        EXPECT_EQ(text != nullptr ? text : "", set.getObject(0)->getString().ToUtf8());
    }
    EXPECT_EQ(1, extent->GetCount(0));
    delete extent;
}

}  // namespace
