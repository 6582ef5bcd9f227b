#include <gtest/gtest.h>

#include <cstring>

#include "BrowserFixture.h"
#include "KvSurrogate.h"
#include "KxAspectFunctors.h"
#include "KxBrowserStatics.h"
#include "KxGenericArraySubject.h"
#include "KxGenericObjectSubjects.h"
#include "KxTypeFunctors.h"
#include "svres.h"

namespace {

class SubjectBaseTest : public ::testing::Test {
protected:
    std::unique_ptr<KxClassDict> dict_ = browsertest::ParseDictionary();
    KxTypeMgr* typeMgr_ = KxTypeMgr::GetDefault();
    const KxMetaClass* Class(const char* name) { return dict_->FindByName(KxString(name))->AsClass(); }
};

TEST_F(SubjectBaseTest, AspectsFromMembers) {
    KvAspectSet set;
    CreateAspectSetWithPersistentMember all(&set, typeMgr_, dict_.get());
    all.setBaseTypeTag(1);
    all.setCompoundObjectTag(2);
    all.setContainerTag(4);
    all.setReferenceTag(3);
    TraverseClassDescAndCallGivenHandler walk(&all);
    Class("Item")->Apply(walk);
    // Named::name and the item's own members but the static and the transient one.
    ASSERT_EQ(11u, set.count());
    EXPECT_EQ(KvAspectId("Named::name"), set.getObject(0)->aspectId());
    EXPECT_EQ("name", set.getObject(0)->getTitle().ToUtf8());
    EXPECT_EQ("short   [3]", set.getAspect(KvAspectId("Item::scores"))->getTypeTag().ToUtf8());
    EXPECT_EQ(nullptr, set.getAspect(KvAspectId("Item::cache")));
    EXPECT_EQ(nullptr, set.getAspect(KvAspectId("Item::note")));
    for (const auto& [id, tag] : std::vector<std::pair<const char*, long>>{
             {"Item::count", 1}, {"Item::spot", 2}, {"Item::owner", 3}, {"Item::next", 3}, {"Item::tags", 4}})
        EXPECT_EQ(tag, set.getAspect(KvAspectId(id))->tag()) << id;

    KvAspectSet values;
    CreateAspectSetWithPersistentTypeMember typed(&values, typeMgr_, nullptr);
    TraverseClassDescAndCallGivenHandler typedWalk(&typed);
    Class("Item")->Apply(typedWalk);
    // Base-type members only, named without a dictionary by the member alone.
    ASSERT_EQ(4u, values.count());
    EXPECT_EQ(KvAspectId("name"), values.getObject(0)->aspectId());
    EXPECT_EQ(KvAspectId("scores"), values.getObject(3)->aspectId());

    // A dictionary that does not know the declaring class gives the member name alone.
    std::unique_ptr<KxClassDict> other;
    ASSERT_EQ(0, KxClassDict::Parse("dictionary o\nclass 1.1 Lone\nmember v int\n", "o", other, nullptr));
    KvAspectId id("unchanged");
    memberAspectId(id, nullptr, dict_.get());
    EXPECT_STREQ("unchanged", id.idStr());
    memberAspectId(id, Class("Item")->FindMember(KxString("count")), other.get());
    EXPECT_STREQ("count", id.idStr());
}

TEST_F(SubjectBaseTest, IdentityAspectsAndInheritance) {
    KxGenericObjectSchemaSubject subject(Class("Item"), typeMgr_);
    KvAspectSet& own = *subject.gimmeYourAspects();
    EXPECT_EQ(KvAspectId("OID"), subject.getSurrogateAspectId());
    for (const char* id : {"OID", "ClassId", "LocalClassId", "ClassName"}) {
        KvAspect* aspect = own.getAspect(KvAspectId(id));
        ASSERT_NE(nullptr, aspect) << id;
        EXPECT_TRUE(aspect->isReadOnly());
        EXPECT_EQ(id, aspect->getTitle().ToUtf8());
        EXPECT_EQ(1, aspect->tag());
    }
    EXPECT_EQ("KxObjId", own.getAspect(KvAspectId("OID"))->getTypeTag().ToUtf8());

    // Only the aspects the set holds are filled.
    KvAspectSet onlyName;
    onlyName.add(new KvAspect(KvAspectId("ClassName")));
    onlyName.add(new KvAspect(KvAspectId("Lock"), "untouched"));
    subject.readSurrogateAndOtherStuff(onlyName, nullptr, nullptr, typeMgr_);
    EXPECT_EQ("not available", onlyName.getObject(0)->getString().ToUtf8());
    EXPECT_EQ("untouched", onlyName.getObject(1)->getString().ToUtf8());

    // The type-set description adds its aspect to what the set already holds.
    const unsigned long before = own.count();
    subject.createAspectSet(dict_->FindByName(KxString("TagSet"))->AsSet(), typeMgr_);
    EXPECT_EQ(before + 1, own.count());
    EXPECT_EQ(KvAspectId("KxString"), own.getObject(before)->aspectId());

    EXPECT_EQ(1, KelvoxGenericObjectSubject::IsInheritedBy(Class("Item"), Class("Item")->GetClassId()));
    EXPECT_EQ(1, KelvoxGenericObjectSubject::IsInheritedBy(Class("Both"), Class("Named")->GetClassId()));
    EXPECT_EQ(0, KelvoxGenericObjectSubject::IsInheritedBy(Class("Other"), Class("Item")->GetClassId()));
    EXPECT_EQ(0, KelvoxGenericObjectSubject::IsInheritedBy(Class("Named"), Class("Both")->GetClassId()));
}

TEST_F(SubjectBaseTest, EditStepsAndTexts) {
    KxGenericObjectSchemaSubject subject(Class("Item"), typeMgr_);
    KvAspectSet set;
    auto* reference = new KvAspect(KvAspectId("Item::owner"));
    reference->setTitle("owner");
    reference->tag() = 3;
    set.add(reference);
    KvAspectSet setBack;
    EXPECT_FALSE(subject.update(setBack, 0, KvVerb("set back", nullptr, nullptr, 1)));

    // KelvoxGenericObjectSubject's steps through a subject that forwards them.
    struct Steps : KxGenericObjectSchemaSubject {
        using KxGenericObjectSchemaSubject::KxGenericObjectSchemaSubject;
        KxErrorCode pre(KvAspectSet& s) { return updatePreEdit(s, 0); }
        KxErrorCode back(KvAspectSet& s) { return updateSetBack(s, 0); }
    } steps(Class("Item"), typeMgr_);
    EXPECT_FALSE(steps.pre(set));
    KvAspect* edit = set.getAspect(KvAspectId("EditAspect"));
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ("owner", edit->getTitle().ToUtf8());
    EXPECT_EQ(KvSurrogate::none, edit->getSurrogate().getKind());
    EXPECT_FALSE(steps.back(set));
    EXPECT_EQ(1u, set.count());
    reference->tag() = 1;
    EXPECT_FALSE(steps.pre(set));
    EXPECT_EQ(1u, set.count());

    // String resources: exactly length characters, no terminator added.
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    KelvoxGenericObjectSubject::getText(ResId(KX_TEXT_INVALID_REFERENCE), buffer, 5);
    EXPECT_EQ(0, std::memcmp(buffer, "Invalx", 6));
    EXPECT_STREQ("Cannot clear object set.", KxTextError(KX_TEXT_CANNOT_CLEAR).errorString());
    EXPECT_TRUE(KxTextError(KX_TEXT_CANNOT_CLEAR).isFatal());
    EXPECT_TRUE(KxBrowserErrors::Found == KxErrorCode(KxErrNone, "Found"));
    EXPECT_TRUE(KxBrowserErrors::IllegalFindParameters.isError());
}

TEST_F(SubjectBaseTest, ArraySubjectWithoutItemsYet) {
    const KxMember* scores = Class("Item")->FindMember(KxString("scores"));
    KxGenericArraySubject subject(scores, typeMgr_);
    EXPECT_EQ(3, subject.getObjectsCount());
    EXPECT_EQ(nullptr, subject.clone());
    EXPECT_EQ(1, subject.isArray());
    EXPECT_EQ(0, subject.isReference());
    EXPECT_EQ(nullptr, subject.gimmeYourVerbs());
    KvAspectSet& own = *subject.gimmeYourAspects();
    ASSERT_EQ(1u, own.count());
    EXPECT_EQ("my type", own.getObject(0)->getTypeTag().ToUtf8());
    subject.getValue(own, 1);
    EXPECT_EQ("empty", own.getObject(0)->getString().ToUtf8());
    // No item knows an address: nothing is written, the dependents are told all the same.
    browsertest::CountingView view(&subject);
    EXPECT_FALSE(subject.update(own, 1, KvVerb("edit", nullptr, nullptr, 1)));
    EXPECT_EQ(1, view.updates);

    KxGenericArraySubject unknown(nullptr, typeMgr_);
    EXPECT_EQ(0, unknown.getObjectsCount());
    EXPECT_EQ(KvAspectId("unknown member"), unknown.gimmeYourAspects()->getObject(0)->aspectId());
}

}  // namespace
