// Deleting classes from a dictionary: what is refused, what the dictionary no longer knows, what
// holders of the deleted meta types keep.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "kxkernel.h"

namespace {

const char kDeclarations[] = R"(dictionary edit
class 100.1 Base
member a int
class 101.1 Derived bases=Base
member b int
class 102.1 Spot embedded
class 103.1 User
member spot embedded:Spot
class 104.1 Other
objectset 900.1 Others Other
user u
right Derived read
)";

TEST(DeleteClassTest, RefusalsAndWhatTheDictionaryForgets) {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    ASSERT_EQ(0, KxClassDict::Parse(kDeclarations, KxString("edit"), dict, &error)) << error.ToUtf8();
    EXPECT_EQ(KX_DICT_E_NOT_FOUND, dict->DeleteClass(555));
    EXPECT_EQ(KX_KERNEL_E_INVALID, dict->DeleteClass(0));    // the root class
    EXPECT_EQ(KX_KERNEL_E_INVALID, dict->DeleteClass(900));  // a set type
    EXPECT_EQ(KX_KERNEL_E_STATE, dict->DeleteClass(100));    // has a subclass
    EXPECT_EQ(KX_KERNEL_E_STATE, dict->DeleteClass(102));    // a member of User embeds it
    EXPECT_EQ(KX_KERNEL_E_STATE, dict->DeleteClass(104));    // the element class of a set type

    const KxMetaClass* derived = dict->FindByName(KxString("Derived"))->AsClass();
    const uint32_t count = dict->GetDescriptorCount();
    ASSERT_EQ(0, dict->DeleteClass(101));
    EXPECT_EQ(dict->GetDescriptorCount(), count - 1);
    EXPECT_EQ(dict->FindByName(KxString("Derived")), nullptr);
    EXPECT_EQ(dict->GetCurrentVersion(101), nullptr);
    EXPECT_EQ(dict->GetMetaType(KxClassId(101, 1)), nullptr);
    const KxMetaClass* base = dict->FindByName(KxString("Base"))->AsClass();
    EXPECT_TRUE(base->GetSubclasses().empty());
    // A holder of the deleted class still reads it.
    EXPECT_EQ(derived->GetName().ToUtf8(), "Derived");
    EXPECT_EQ(derived->GetMemberCount(), 1u);
    // Now Base may go; the text written no longer names either, nor the right on Derived.
    ASSERT_EQ(0, dict->DeleteClass(100));
    const std::string text = dict->ToText();
    EXPECT_EQ(text.find("Base"), std::string::npos);
    EXPECT_EQ(text.find("Derived"), std::string::npos);
    std::unique_ptr<KxClassDict> again;
    ASSERT_EQ(0, KxClassDict::Parse(text, KxString("edit"), again, &error)) << error.ToUtf8();
    EXPECT_EQ(again->GetDescriptorCount(), dict->GetDescriptorCount());
}

}  // namespace
