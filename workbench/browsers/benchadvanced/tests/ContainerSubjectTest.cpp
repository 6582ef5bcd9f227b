// Container subjects over a real database: the walker picks the subject by the container's element,
// rows of every kind of element, hashed containers, and verbs that succeed without changing anything.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "BrowserFixture.h"
#include "KxGenericContainerSubjects.h"
#include "KxGenericObjectSubjects.h"
#include "KxObjectWalkers.h"
#include "KxTypeFunctors.h"
#include "KxTypeMgr.h"

using browsertest::CountingView;
using browsertest::DiagnosticCapture;

namespace {

const char kBoxes[] = R"(dictionary boxes server=LOCAL logical=boxes revision=1
class 1.1 Spot embedded
member x int
member y int
class 2.1 Part
member name string
member size int
member owner ptr:Part
class 3.1 Holder
member name string
member numbers container:NumberBox
member parts container:PartBox
member spots container:SpotBox
member later container:LaterBox
member loose container:HashBox
member lazy container:HashLater
container 900.1 NumberBox int
container 901.1 PartBox Part
container 902.1 SpotBox Spot
container 903.1 LaterBox ondemand:Part
container 904.1 HashBox Part setkind=3
container 905.1 HashLater ondemand:Part setkind=3
)";

const char* const kAllVerbs[] = {"edit",   "store",  "refresh",     "lock",   "watch", "insert",
                                 "replace", "remove", "insertfirst", "append", "clear"};

class ContainerSubjectTest : public browsertest::KernelFixture {
protected:
    const char* dictionaryText() const override { return kBoxes; }

    KxBasicContainer* ContainerOf(KxObject* object, const char* member) {
        KxMemberAccessor accessor(object->GetMetaClass(), member);
        KxBasicContainer* container = nullptr;
        EXPECT_EQ(0, accessor.Of(object));
        EXPECT_EQ(0, accessor.Get(container)) << member;
        return container;
    }
    KxObject* Part(const char* name, int32_t size) {
        KxObject* part = Make("Part");
        Set(part, "name", 11, KxString(name));
        Set(part, "size", 2, size);
        EXPECT_EQ(0, part->Store(0));
        return part;
    }
    // A stored holder: numbers 5, 6, 7; parts bolt, a reference to no object, nut; one spot (3, 4);
    // later: nut and a reference to an object that is gone; loose and lazy: bolt.
    KxObject* Holder() {
        KxObject* bolt = Part("bolt", 1);
        KxObject* nut = Part("nut", 2);
        KxObject* gone = Part("gone", 3);
        KxObject* holder = Make("Holder");
        for (int32_t n : {5, 6, 7}) EXPECT_EQ(0, ContainerOf(holder, "numbers")->Add(&n));
        const KxOnDemand toBolt(bolt, 1), toNut(nut, 1), toGone(gone, 1), none;
        for (const KxOnDemand* ref : {&toBolt, &none, &toNut}) EXPECT_EQ(0, ContainerOf(holder, "parts")->Add(ref));
        const int32_t spot[2] = {3, 4};
        EXPECT_EQ(0, ContainerOf(holder, "spots")->Add(spot));
        EXPECT_EQ(0, ContainerOf(holder, "later")->Add(&toNut));
        EXPECT_EQ(0, ContainerOf(holder, "later")->Add(&toGone));
        EXPECT_EQ(0, ContainerOf(holder, "loose")->Add(&toBolt));
        EXPECT_EQ(0, ContainerOf(holder, "lazy")->Add(&toBolt));
        EXPECT_EQ(0, holder->Store(0));
        EXPECT_EQ(0, gone->Delete(0));
        return holder;
    }
    // The subject the object subject's walk gives the member's aspect.
    KvSubject* ChildOf(KxGenericObjectSubject& owner, const char* member) {
        KvAspectSet& set = *owner.gimmeYourAspects();
        owner.getValue(set, 0);
        KvAspect* aspect = set.getAspect(KvAspectId((std::string("Holder::") + member).c_str()));
        EXPECT_NE(nullptr, aspect) << member;
        if (aspect == nullptr) return nullptr;
        EXPECT_EQ(4, aspect->tag()) << member;
        return aspect->getSubjectPtr();
    }
    static std::string Text(KvAspectSet& set, const char* id) {
        KvAspect* aspect = set.getAspect(KvAspectId(id));
        return aspect != nullptr ? aspect->getString().ToUtf8() : "<none>";
    }
    static std::map<std::string, int> Applyable(KvSubject& subject) {
        std::map<std::string, int> flags;
        for (KvVerb** verb = subject.gimmeYourVerbs(); *verb != nullptr; ++verb) flags[(*verb)->getVerb()] = (*verb)->isApplyable();
        return flags;
    }
};

TEST_F(ContainerSubjectTest, TheWalkerPicksTheSubjectByTheElementAndRowsFollowTheContainer) {
    KxObject* holder = Holder();
    KxGenericObjectSubject owner(holder, nullptr);
    const std::vector<std::tuple<const char*, const std::type_info*, long>> cases = {
        {"numbers", &typeid(KxGenericBasicTypeContainerSubject), 3},
        {"parts", &typeid(KxGenericPersClassContainerSubject), 3},
        {"spots", &typeid(KxGenericNonPersClassContainerSubject), 1},
        {"later", &typeid(KxGenericOnDemandContainerSubject), 2},
        {"loose", &typeid(KxGenericPersClassContainerSubject), 1},
        {"lazy", &typeid(KxGenericOnDemandContainerSubject), 1},
    };
    for (const auto& [member, type, rows] : cases) {
        KvSubject* child = ChildOf(owner, member);
        ASSERT_NE(nullptr, child) << member;
        EXPECT_EQ(*type, typeid(*child)) << member;
        EXPECT_EQ(rows, child->getObjectsCount()) << member;
        EXPECT_EQ(1, child->isContainer());
        KvSubject* copy = child->clone();
        ASSERT_NE(nullptr, copy);
        EXPECT_EQ(*type, typeid(*copy));
        EXPECT_EQ(rows, copy->getObjectsCount());
        delete copy;
    }
    // The handler gives nothing without container, description or aspect.
    KvAspect aspect(KvAspectId("a"));
    const KxMetaType* part = base_->GetDictionary()->FindByName(KxString("Part"));
    MetaBasicType2SubjectHandler none(nullptr, base_->GetDictionary()->FindByName(KxString("PartBox"))->AsContainer(), &aspect);
    part->Apply(none);
    EXPECT_EQ(nullptr, aspect.getSubjectPtr());
}

TEST_F(ContainerSubjectTest, RowsOfEveryKindOfElement) {
    KxObject* holder = Holder();
    KxGenericObjectSubject owner(holder, nullptr);

    KvSubject& numbers = *ChildOf(owner, "numbers");
    KvAspectSet& values = *numbers.gimmeYourAspects();
    const std::string intName = base_->GetTypeMgr()->NameGet(KX_TYPE_INT);
    ASSERT_EQ(1u, values.count());
    EXPECT_EQ(intName, values.getObject(0)->aspectId().idStr());
    EXPECT_EQ(4, values.getObject(0)->tag());
    numbers.getValue(values, 2);
    EXPECT_EQ("7", values.getObject(0)->getString().ToUtf8());

    KvSubject& parts = *ChildOf(owner, "parts");
    KvAspectSet& row = *parts.gimmeYourAspects();
    parts.getValue(row, 2);
    EXPECT_EQ("nut", Text(row, "Part::name"));
    EXPECT_EQ(2, row.getAspect(KvAspectId("Part::size"))->getInt());
    EXPECT_EQ("Part", Text(row, "ClassName"));
    EXPECT_NE("not available", Text(row, "OID"));
    // A reference to no object shows the kernel's answer, not the row before.
    parts.getValue(row, 1);
    EXPECT_EQ(0u, Text(row, "Part::name").find("-2017 : "));
    {
        // A row past the end leaves the aspects as they are and says so once.
        DiagnosticCapture capture;
        parts.getValue(row, 3);
        EXPECT_EQ(0u, Text(row, "Part::name").find("-2017 : "));
        EXPECT_TRUE(capture.Has("cannot read from object set. "));
    }

    KvSubject& spots = *ChildOf(owner, "spots");
    KvAspectSet& spotRow = *spots.gimmeYourAspects();
    spots.getValue(spotRow, 0);
    EXPECT_EQ(4, spotRow.getAspect(KvAspectId("Spot::y"))->getInt());
    EXPECT_EQ("not available", Text(spotRow, "OID"));

    KvSubject& later = *ChildOf(owner, "later");
    KvAspectSet& laterRow = *later.gimmeYourAspects();
    ASSERT_NE(nullptr, laterRow.getAspect(KvAspectId("object")));
    later.getValue(laterRow, 0);
    EXPECT_EQ("nut", Text(laterRow, "Part::name"));
    KvAspect* object = laterRow.getAspect(KvAspectId("object"));
    ASSERT_NE(nullptr, dynamic_cast<KxGenericObjectSubject*>(object->getSubjectPtr()));
    EXPECT_EQ(2, object->tag());
    EXPECT_EQ("#0", object->getTitle().ToUtf8());
    {
        DiagnosticCapture capture;
        later.getValue(laterRow, 1);   // the object is gone
        EXPECT_EQ(0u, Text(laterRow, "Part::name").find("-2017 : "));
        EXPECT_EQ(Text(laterRow, "Part::name"), Text(laterRow, "OID"));
        EXPECT_EQ(nullptr, laterRow.getAspect(KvAspectId("object"))->getSubjectPtr());
        EXPECT_TRUE(capture.Has("cannot read object from ondemand. "));
    }
}

TEST_F(ContainerSubjectTest, HashedContainersShowNoRowsAndChangeTheVerbs) {
    KxObject* holder = Holder();
    KxGenericObjectSubject owner(holder, nullptr);
    KvSubject& loose = *ChildOf(owner, "loose");
    KvAspectSet& row = *loose.gimmeYourAspects();
    loose.getValue(row, 0);
    for (unsigned long i = 0; i < row.count(); ++i) EXPECT_EQ(" not available ", row.getObject(i)->getString().ToUtf8());

    std::map<std::string, int> persVerbs, lazyVerbs, plainVerbs;
    for (int i = 0; i < 11; ++i) {
        persVerbs[kAllVerbs[i]] = i < 5 ? 0 : 1;
        lazyVerbs[kAllVerbs[i]] = 0;
        plainVerbs[kAllVerbs[i]] = i == 0 || i >= 5 ? 1 : 0;   // the type set's flags
    }
    EXPECT_EQ(persVerbs, Applyable(loose));
    EXPECT_EQ(lazyVerbs, Applyable(*ChildOf(owner, "lazy")));
    for (const char* member : {"numbers", "parts", "spots", "later"}) EXPECT_EQ(plainVerbs, Applyable(*ChildOf(owner, member))) << member;
}

TEST_F(ContainerSubjectTest, EveryVerbSucceedsLeavesTheContainerAndNotifies) {
    KxObject* holder = Holder();
    KxGenericObjectSubject owner(holder, nullptr);
    for (const char* member : {"numbers", "parts", "spots", "later"}) {
        KvSubject& subject = *ChildOf(owner, member);
        const uint32_t before = ContainerOf(holder, member)->Count();
        CountingView view(&subject);
        KvAspectSet& set = *subject.gimmeYourAspects();
        for (const char* verb : kAllVerbs) {
            EXPECT_FALSE(subject.update(set, 1, KvVerb(verb, nullptr, nullptr, 1))) << member << " " << verb;
            EXPECT_EQ(verb, view.lastVerb);
            EXPECT_EQ(1, view.lastHint);
        }
        EXPECT_EQ(11, view.updates) << member;
        EXPECT_EQ(before, ContainerOf(holder, member)->Count()) << member;
    }
    EXPECT_EQ(7, *static_cast<int32_t*>(ContainerOf(holder, "numbers")->GetElementAddress(2)));
}

TEST_F(ContainerSubjectTest, AContainerMemberIsDeclaredAsItsContainerType) {
    const KxMetaClass* holder = Class("Holder");
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"numbers", "<int>"}, {"parts", "<Part"}, {"loose", "hset"}, {"later", "Part"}};
    for (const auto& [member, part] : cases) {
        KxString text;
        CreateTypeTextForMember functor(&text, base_->GetTypeMgr(), 1, 0);
        holder->FindMember(KxString(member))->Apply(functor);
        EXPECT_NE(std::string::npos, text.ToUtf8().find(part)) << member << ": " << text.ToUtf8();
    }
}

}  // namespace
