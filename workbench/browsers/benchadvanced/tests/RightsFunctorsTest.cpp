// Effective rights of users on classes and attributes: own entries and groups ORed, inherited from
// the first classes up that define any, each base once, the root class not for internal classes.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "BrowserFixture.h"
#include "KxClassDict.h"
#include "KxRightsFunctors.h"

namespace {

const char kDictionary[] = R"(dictionary rights
class 1.1 Base
member a int
member b int
class 2.1 Left bases=Base
class 3.1 Right bases=Base
class 4.1 Diamond bases=Left,Right
class 5.1 Own bases=Base
class 65001.1 Sys
user readers group
right Base read write
user deleters group
right Own delete
user anna groups=readers,deleters
right Own read
user bob
user carl groups=readers
right Left write
user dave
right KxObject read
user eve
right Base attribute=Base:1:2 write
right Left attribute=Base:1:2 read
)";

// Counts the classes whose rights it asks for.
class CountingRights : public EffectiveRightsFunctor {
public:
    using EffectiveRightsFunctor::EffectiveRightsFunctor;
    void getUserRights(Rights* rights, KxUser* user, const KxMetaClass* desc) override {
        if (user != nullptr && !user->IsGroup()) ++asked[desc->GetName().ToUtf8()];
        EffectiveRightsFunctor::getUserRights(rights, user, desc);
    }
    std::map<std::string, int> asked;
};

class RightsFunctorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        KxString error;
        ASSERT_EQ(0, KxClassDict::Parse(kDictionary, "rights", dict_, &error)) << error.ToUtf8();
    }
    const KxMetaClass* Class(const char* name) { return dict_->FindByName(KxString(name))->AsClass(); }
    KxUser* User(const char* name) { return dict_->FindUser(KxString(name)); }
    // "d" defined, then "r", "w", "x" for read, write, delete.
    static std::string Bits(const Rights& r) {
        return std::string(r.rightsDefined() ? "d" : "") + (r.getPermRead() ? "r" : "") +
               (r.getPermWrite() ? "w" : "") + (r.getPermDelete() ? "x" : "");
    }
    std::string Effective(const char* user, const char* cls) {
        Rights rights, r2, r3, r4;
        EffectiveRightsFunctor functor(User(user), &rights, &r2, &r3, &r4);
        Class(cls)->Apply(functor);
        EXPECT_EQ(Bits(r2) + Bits(r3) + Bits(r4), "");  // held for the caller, never computed
        return Bits(rights);
    }
    std::unique_ptr<KxClassDict> dict_;
};

TEST_F(RightsFunctorsTest, RightsFlagsAndAccumulation) {
    Rights r;
    EXPECT_EQ(Bits(r), "");
    r.setPermRead(3);  // bit 0 only
    r.setPermWrite(2);
    EXPECT_EQ(Bits(r), "r");
    Rights source;
    source.setPermDelete(1);
    source.setRightsDefined(1);
    accumulateRights(r, source);
    EXPECT_EQ(Bits(r), "rx");  // the defined bit is not touched
    Rights copy(r);
    EXPECT_EQ(Bits(copy), "rx");
}

TEST_F(RightsFunctorsTest, EffectiveRightsOfUsersAndGroupsAlongTheBaseClasses) {
    const struct {
        const char* user;
        const char* cls;
        const char* bits;
    } cases[] = {
        {"bob", "Diamond", ""},     // no entries, no groups
        {"anna", "Own", "drx"},     // read of her own, delete of a group; Base's rights not added
        {"anna", "Base", "drw"},    // the readers' rights
        {"anna", "Diamond", "drw"}, // inherited from Base, reached through both ways
        {"carl", "Diamond", "dw"},  // Left defines, so the walk stops there (Base is not reached)
        {"carl", "Left", "dw"},     // Left defines: Base is not asked
        {"dave", "Base", "dr"},     // from the root class
        {"dave", "Sys", ""},        // an internal class does not inherit the root's rights
    };
    for (const auto& c : cases) EXPECT_EQ(Effective(c.user, c.cls), c.bits) << c.user << " on " << c.cls;
}

TEST_F(RightsFunctorsTest, ADiamondAsksTheSharedBaseOnce) {
    // bob has no rights anywhere: every class up to the root is asked, Base once.
    Rights rights;
    CountingRights functor(User("bob"), &rights, nullptr, nullptr, nullptr);
    Class("Diamond")->Apply(functor);
    EXPECT_EQ(functor.asked,
              (std::map<std::string, int>{{"Diamond", 1}, {"Left", 1}, {"Right", 1}, {"Base", 1}, {"KxObject", 1}}));
    // carl's walk ends with the first class that defines rights for him.
    CountingRights carl(User("carl"), &rights, nullptr, nullptr, nullptr);
    Class("Diamond")->Apply(carl);
    EXPECT_EQ(carl.asked, (std::map<std::string, int>{{"Diamond", 1}, {"Left", 1}, {"Right", 1}}));
    // Nothing without a user, a class or an output.
    Rights none;
    EffectiveRightsFunctor noUser(nullptr, &none, nullptr, nullptr, nullptr);
    Class("Base")->Apply(noUser);
    EffectiveRightsFunctor noOutput(User("anna"), nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(0, noOutput.HandleKxMetaClass(Class("Base")));
    EXPECT_EQ(Bits(none), "");
}

TEST_F(RightsFunctorsTest, AttributeRightsFollowTheSameClasses) {
    const KxMetaClass* base = Class("Base");
    const KxMember* b = base->FindMember(KxString("b"));
    auto attribute = [&](const char* cls, const KxMember* member, int value) {
        Rights rights;
        EffectiveAttributeRightsFunctor functor(User("eve"), member, base, value, &rights, nullptr, nullptr, nullptr);
        Class(cls)->Apply(functor);
        return Bits(rights);
    };
    EXPECT_EQ(attribute("Right", b, 1), "dw");  // from Base
    EXPECT_EQ(attribute("Left", b, 1), "dr");   // Left defines its own
    EXPECT_EQ(attribute("Diamond", b, 1), "dr");   // Left comes first and defines
    EXPECT_EQ(attribute("Right", b, 0), "");    // another attribute number
    EXPECT_EQ(attribute("Right", nullptr, 1), "");
    // eve's class rights: none, her entries are attribute rights.
    EXPECT_EQ(Effective("eve", "Base"), "");
}

}  // namespace
