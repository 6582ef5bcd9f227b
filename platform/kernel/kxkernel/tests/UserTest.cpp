// Users, groups and their rights in a dictionary: declared, walked, written back; bad declarations.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kxkernel.h"

namespace {

const char kDeclarations[] = R"(dictionary rights
class 1.1 Base
member a int
class 2.2 Left bases=Base
user readers group
right Base read write
user anna groups=readers
right Left delete
right Base attribute=Base:0:2 read
)";

int32_t Parse(const std::string& text, std::unique_ptr<KxClassDict>& dict, std::string& error) {
    KxString why;
    const int32_t rc = KxClassDict::Parse(text, KxString("rights"), dict, &why);
    error = why.ToUtf8();
    return rc;
}

TEST(UserTest, UsersGroupsAndRightsAreDeclaredWalkedAndWrittenBack) {
    std::unique_ptr<KxClassDict> dict;
    std::string error;
    ASSERT_EQ(0, Parse(kDeclarations, dict, error)) << error;
    ASSERT_EQ(dict->GetUserCount(), 2u);
    KxUser* anna = dict->FindUser(KxString("anna"));
    ASSERT_NE(anna, nullptr);
    EXPECT_FALSE(anna->IsGroup());
    EXPECT_EQ(dict->FindUser(KxString("nobody")), nullptr);

    KxUser* group = nullptr;
    ASSERT_EQ(0, anna->GetGroupSet().Get(group, 0));
    EXPECT_EQ(group->GetName().ToUtf8(), "readers");
    EXPECT_TRUE(group->IsGroup());
    EXPECT_EQ(0, anna->GetGroupSet().Unget(group));
    EXPECT_EQ(group, nullptr);
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, anna->GetGroupSet().Get(group, 1));

    const KxClassId left = dict->FindByName(KxString("Left"))->GetClassId();
    const KxClassId base = dict->FindByName(KxString("Base"))->GetClassId();
    const KxRightEntry* entry = nullptr;
    ASSERT_EQ(0, anna->GetRightSet().Get(entry, 0));
    EXPECT_EQ(entry->GetPermissions(), uint32_t(KX_PERM_DELETE));
    // Any version of the class: the class numbers are compared.
    EXPECT_TRUE(entry->AppliesTo(KxClassId(left.GetClassNumber(), 1)));
    EXPECT_FALSE(entry->AppliesTo(base));
    ASSERT_EQ(0, anna->GetRightSet().Get(entry, 1));
    EXPECT_TRUE(entry->IsAttributeRight());
    EXPECT_FALSE(entry->AppliesTo(base));
    EXPECT_TRUE(entry->AppliesTo(base, base, 0, 2));
    EXPECT_FALSE(entry->AppliesTo(base, base, 1, 2));
    EXPECT_FALSE(entry->AppliesTo(base, base, 0, 3));
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, anna->GetRightSet().Get(entry, 2));
    EXPECT_EQ(entry, nullptr);

    // Written back and read again: the same declarations.
    std::unique_ptr<KxClassDict> again;
    ASSERT_EQ(0, Parse(dict->ToText(), again, error)) << error;
    EXPECT_EQ(again->ToText(), dict->ToText());
    EXPECT_NE(dict->ToText().find("user anna groups=readers\nright Left delete\n"), std::string::npos);
}

TEST(UserTest, BadUserDeclarationsAreRefused) {
    const std::string head = "dictionary rights\nclass 1.1 Base\n";
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"right Base read\n", "outside a user"},
        {"user a\nright Nothing read\n", "unknown class Nothing"},
        {"user a groups=b\n", "unknown group b"},
        {"user b\nuser a groups=b\n", "unknown group b"},  // b is no group
        {"user a\nuser a\n", "duplicate user a"},
        {"user g group groups=h\nuser h group groups=g\n", "group cycle"},
        {"user a\nright Base attribute=Base:x:2\n", "attribute needs"},
        {"user a\nright Base execute\n", "unknown word execute"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<KxClassDict> dict;
        std::string error;
        EXPECT_EQ(KX_DICT_E_SYNTAX, Parse(head + c.text, dict, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(dict, nullptr);
    }
}

}  // namespace
