#include <gtest/gtest.h>

#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvVerb.h"

namespace {

TEST(KvVerb, TextsTitleAndMatching) {
    EXPECT_STREQ(KvVerb("unlock", nullptr, nullptr, 1).getTitle(), "unlock");
    EXPECT_STREQ(KvVerb("unlock", "Unlock object", nullptr, 1).getTitle(), "Unlock object");
    EXPECT_TRUE(KvVerb() == KvVerb("x", nullptr, nullptr, 1));
    EXPECT_TRUE(KvVerb("x", nullptr, nullptr, 1) == KvVerb());
    EXPECT_FALSE(KvVerb("a", nullptr, nullptr, 1) == KvVerb("b", nullptr, nullptr, 1));
    EXPECT_TRUE(KvVerb("a", nullptr, nullptr, 1) == "a");
    EXPECT_TRUE(KvVerb("a", nullptr, nullptr, 1) == static_cast<const char*>(nullptr));
    EXPECT_FALSE(KvVerb("a", nullptr, nullptr, 1) == "A") << "case matters";

    KvVerb v("edit", "Edit", "Edits the value", 3);
    EXPECT_EQ(v.isApplyable(), 1) << "the low bit only";
    v.setApplyable(2);
    EXPECT_EQ(v.isApplyable(), 0);
    v = "delete";
    EXPECT_STREQ(static_cast<const char*>(v), "delete");
    EXPECT_EQ(v.getHelp(), nullptr);
    EXPECT_STREQ(v.getTitle(), "delete");
    EXPECT_EQ(v.isApplyable(), 1);
}

TEST(KvAspectId, Equality) {
    EXPECT_TRUE(KvAspectId(5, "x") == KvAspectId(5, "y"));
    EXPECT_TRUE(KvAspectId("x") == KvAspectId("x"));
    EXPECT_FALSE(KvAspectId("x") == KvAspectId("X"));
    EXPECT_FALSE(KvAspectId() == KvAspectId());
    EXPECT_FALSE(KvAspectId(3) == KvAspectId("x"));
    EXPECT_TRUE(KvAspectId(3, "x") == KvAspectId(4, "x"));
    EXPECT_TRUE(KvAspectId(3) == KvAspectId(3, "x"));

    KvAspectId a(1, "name");
    KvAspectId b(a);
    a = KvAspectId(2, "other");
    EXPECT_STREQ(b.idStr(), "name");
    a = a;
    EXPECT_STREQ(a.idStr(), "other");
    EXPECT_EQ(KvAspectId(static_cast<const char*>(nullptr)).idStr(), nullptr);
}

// Counts its destructions.
class CountedAspect : public KvAspect {
public:
    CountedAspect(int id, int& deaths) : KvAspect(KvAspectId(id), id), deaths_(deaths) {}
    ~CountedAspect() override { ++deaths_; }

private:
    int& deaths_;
};

TEST(KvAspectSet, OwnsItsAspectsUnlessCleared) {
    int deaths = 0;
    {
        KvAspectSet set;
        set.add(new CountedAspect(1, deaths));
        set.add(new CountedAspect(2, deaths));
    }
    EXPECT_EQ(deaths, 2);

    CountedAspect kept(3, deaths);
    {
        KvAspectSet set;
        set.add(&kept);
        set.clear();
    }
    EXPECT_EQ(deaths, 2);

    KvAspectSet set;
    KvAspect* removed = new CountedAspect(4, deaths);
    set.add(removed);
    set.add(new CountedAspect(5, deaths));
    set.remove(removed);
    EXPECT_EQ(set.count(), 1u);
    delete removed;
    set.deleteAspects();
    EXPECT_EQ(deaths, 4);
    EXPECT_EQ(set.count(), 0u);
}

TEST(KvAspectSet, LookupAndAssignment) {
    KvAspectSet set;
    EXPECT_EQ(set.getAspect(KvAspectId(1)), nullptr);
    KvAspect* first = new KvAspect(KvAspectId(1, "a"), 10);
    KvAspect* second = new KvAspect(KvAspectId(1, "b"), 20);
    set.add(first);
    set.add(second);
    EXPECT_EQ(set.getAspect(KvAspectId(1)), first);
    EXPECT_EQ(set.getAspect(KvAspectId("b")), second);
    EXPECT_EQ(set.getObject(1), second);
    EXPECT_EQ(set.getObject(2), nullptr);
    EXPECT_EQ(set.first(), first);
    EXPECT_EQ(set.next(), second);
    EXPECT_EQ(set.next(), nullptr);
    EXPECT_EQ(set.last(), second);
    EXPECT_EQ(set.prev(), first);

    KvAspect other(KvAspectId(7), 1);
    EXPECT_EQ(set.setAspect(other), 0);
    EXPECT_EQ(first->getInt(), 10);

    KvAspect value(KvAspectId("b"), KxString("new"));
    value.setTitle("T");
    value.aspectState() = 0x11;
    EXPECT_EQ(set.setAspect(value), 1);
    EXPECT_EQ(second->aspectType(), 14);
    EXPECT_STREQ(second->getTitle().StrGet(), "T");
    EXPECT_EQ(second->aspectState(), 0x11u);
    EXPECT_EQ(first->aspectType(), 3);
}

TEST(KvAspectSet, StateOverAllAspects) {
    KvAspectSet empty;
    EXPECT_EQ(empty.isOk(), 1);
    EXPECT_EQ(empty.isNotOk(), 0);
    EXPECT_EQ(empty.isAvail(), 1);
    EXPECT_EQ(empty.getAspectStateOR(), 0u);
    EXPECT_EQ(empty.getAspectStateAND(), 0u);

    KvAspectSet set;
    KvAspect* a = new KvAspect(KvAspectId(1), 1);
    KvAspect* b = new KvAspect(KvAspectId(2), 2);
    set.add(a);
    set.add(b);
    set.setAspectState(0);
    a->setOk();
    a->setReadOnly();
    b->setOk();
    EXPECT_EQ(set.getAspectStateOR(), 0x11u);
    EXPECT_EQ(set.getAspectStateAND(), 0x01u);
    EXPECT_EQ(set.isOk(), 1);
    EXPECT_EQ(set.isReadOnly(), 0);
    EXPECT_EQ(set.isNotReadOnly(), 1);
    set.setNotAvail();
    EXPECT_EQ(set.isNotAvail(), 1);
    b->setAvail();
    EXPECT_EQ(set.isAvail(), 0);
    EXPECT_EQ(set.isNotAvail(), 1);
    set.setAvail();
    EXPECT_EQ(set.isAvail(), 1);
    set.setChecked();
    set.setNotOk();
    EXPECT_EQ(set.getAspectStateAND(), 0x04u);
    set.setNotChecked();
    set.setCastError();
    EXPECT_EQ(set.isCastError(), 1);
}

class OwnedSubject : public KvSubject {
public:
    explicit OwnedSubject(int& deaths) : deaths_(deaths) {}
    ~OwnedSubject() override { ++deaths_; }
    void getValue(KvAspectSet&, long) override {}

private:
    int& deaths_;
};

TEST(KvAspectSet, ClearingValuesDeletesHeldSubjectsOnlyWhenAskedTo) {
    int deaths = 0;
    OwnedSubject kept(deaths);
    KvAspectSet set;
    KvAspect* child = new KvAspect(KvAspectId("child"), static_cast<KvSubject*>(&kept));
    set.add(child);
    set.add(new KvAspect(KvAspectId("n"), 3));
    set.clearAspectValues();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(child->aspectType(), 0);

    *child = static_cast<KvSubject*>(new OwnedSubject(deaths));
    set.clearAllAspectValues();
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(child->aspectType(), 0);
    EXPECT_EQ(set.getObject(1)->aspectType(), 0);
}

}  // namespace
