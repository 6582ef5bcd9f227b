// Container members on the kernel's own storage: declared in the declaration file, laid out in the
// object, written and read back with every kind of element, visited by the object walker.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectWalker.h"
#include "KxRoot.h"
#include "NativeSupport.h"

namespace {

const char kDictionary[] = R"(dictionary boxes server=LOCAL logical=boxes revision=1
class 1.1 Spot embedded
member x int
member y int
class 2.1 Part
member name string
class 3.1 Holder
member name string
member numbers container:NumberBox
member parts container:PartBox
member spots container:SpotBox
member later container:LaterBox
member loose container:HashBox
container 900.1 NumberBox int
container 901.1 PartBox Part
container 902.1 SpotBox Spot
container 903.1 LaterBox ondemand:Part
container 904.1 HashBox Part setkind=3
)";

std::unique_ptr<KxClassDict> Parse(const std::string& text, KxString* error = nullptr)
{
    std::unique_ptr<KxClassDict> dict;
    KxClassDict::Parse(text, KxString("boxes"), dict, error);
    return dict;
}

KxBasicContainer* ContainerOf(KxObject* object, const char* member)
{
    KxMemberAccessor accessor(object->GetMetaClass(), KxString(member));
    KxBasicContainer* container = nullptr;
    EXPECT_EQ(0, accessor.Of(object));
    EXPECT_EQ(0, accessor.Get(container)) << member;
    return container;
}

TEST(NativeContainerDictionary, ContainerTypesDescribeTheirElementAndSurviveTheDeclarationText)
{
    KxString error;
    std::unique_ptr<KxClassDict> dict = Parse(kDictionary, &error);
    ASSERT_NE(nullptr, dict) << error.ToUtf8();
    struct Case {
        const char* name;
        KxContainerElement kind;
        KxMetaKind elementKind;
        const char* elementClass;
    } cases[] = {
        {"NumberBox", KX_CONTAINER_BASIC_TYPE, KX_META_BASIC_TYPE, nullptr},
        {"PartBox", KX_CONTAINER_PERS_CLASS, KX_META_CLASS, "Part"},
        {"SpotBox", KX_CONTAINER_NONPERS_CLASS, KX_META_CLASS, "Spot"},
        {"LaterBox", KX_CONTAINER_ONDEMAND, KX_META_ONDEMAND, "Part"},
    };
    for (const Case& c : cases) {
        const KxMetaPersContainer* box = dict->FindByName(KxString(c.name))->AsContainer();
        ASSERT_NE(nullptr, box) << c.name;
        EXPECT_EQ(nullptr, box->AsSet());
        EXPECT_EQ(c.kind, box->GetElementKind()) << c.name;
        ASSERT_NE(nullptr, box->GetElementType());
        EXPECT_EQ(c.elementKind, box->GetElementType()->GetMetaType()->GetKind()) << c.name;
        EXPECT_EQ(c.elementClass == nullptr ? std::string() : c.elementClass,
                  box->GetElementClass() != nullptr ? box->GetElementClass()->GetName().ToUtf8() : std::string());
        EXPECT_FALSE(box->IsHashed());
    }
    const KxMetaPersContainer* numbers = dict->FindByName(KxString("NumberBox"))->AsContainer();
    EXPECT_EQ(KX_TYPE_INT, static_cast<const KxMetaBasicType*>(numbers->GetElementType()->GetMetaType())->GetTypeCode());
    EXPECT_TRUE(dict->FindByName(KxString("HashBox"))->AsContainer()->IsHashed());

    const KxMember* member = dict->FindByName(KxString("Holder"))->AsClass()->FindMember(KxString("parts"));
    EXPECT_EQ(KX_MEMBER_CONTAINER, member->GetMemberType());
    EXPECT_EQ(KX_TYPE_CONTAINER, member->GetTypeCode());
    EXPECT_EQ(dict->FindByName(KxString("PartBox")), member->GetContainerType());

    // The declaration text reads back as the same dictionary.
    std::unique_ptr<KxClassDict> again = Parse(dict->ToText(), &error);
    ASSERT_NE(nullptr, again) << error.ToUtf8();
    EXPECT_EQ(dict->ToText(), again->ToText());

    // A container of a set type or of an unknown name is refused.
    const std::pair<const char*, const char*> bad[] = {
        {"container 905.1 Bad Nothing\n", "unknown class Nothing"},
        {"objectset 906.1 S Part\ncontainer 905.1 Bad S\n", "element of container Bad is no type or class"}};
    for (const auto& [text, why] : bad) {
        EXPECT_EQ(nullptr, Parse(std::string(kDictionary) + text, &error)) << text;
        EXPECT_NE(std::string::npos, error.ToUtf8().find(why)) << error.ToUtf8();
    }
}

// The kernel started on a site with the dictionary above and the database "boxes" made for it.
class NativeContainers : public ::testing::Test {
protected:
    void SetUp() override
    {
        site_.AddDictionary(*Parse(kDictionary));
        site_.AddDatabase("boxes");
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, kxntest::CreateDatabase("boxes", "boxes"));
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "boxes", base_, 2));
    }
    void TearDown() override
    {
        if (base_ != nullptr) {
            KxBase::KELVOX()->UngetBase(base_);
        }
        while (KxBase::KELVOX()->GetInitCount() > 0) {
            DeinitKelvox();
        }
    }
    void Restart()
    {
        ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(base_));
        base_ = nullptr;
        ASSERT_EQ(0, DeinitKelvox());
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "boxes", base_, 2));
    }

    kxntest::Site site_;
    KxBase* base_ = nullptr;
};

class Visits : public KxObjectWalker {
public:
    int32_t Container(KxBasicContainer* container, const KxMember& member) override
    {
        seen.push_back(member.GetName().ToUtf8() + ":" + std::to_string(container->Count()));
        return 0;
    }
    std::vector<std::string> seen;
};

TEST_F(NativeContainers, EveryKindOfElementIsStoredAndReadBackAndTheWalkerVisitsTheContainers)
{
    KxObject* part = KxObject::Make(base_, KxString("Part"));
    KxObject* holder = KxObject::Make(base_, KxString("Holder"));
    ASSERT_NE(nullptr, part);
    ASSERT_NE(nullptr, holder);
    *reinterpret_cast<KxString*>(part->MemberAddress(*part->GetMetaClass()->FindMember(KxString("name")))) = KxString("bolt");
    ASSERT_EQ(0, part->Store(0));

    for (int32_t n : {7, -3, 42}) ASSERT_EQ(0, ContainerOf(holder, "numbers")->Add(&n));
    const KxOnDemand toPart(part, 1);
    ASSERT_EQ(0, ContainerOf(holder, "parts")->Add(&toPart));
    ASSERT_EQ(0, ContainerOf(holder, "parts")->Add(nullptr));   // a reference to no object
    ASSERT_EQ(0, ContainerOf(holder, "later")->Add(&toPart));
    const int32_t spot[2] = {3, 4};
    ASSERT_EQ(0, ContainerOf(holder, "spots")->Add(spot));
    ASSERT_EQ(0, ContainerOf(holder, "numbers")->InsertAt(0, nullptr));   // an empty value first
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, ContainerOf(holder, "numbers")->InsertAt(9, nullptr));
    ASSERT_EQ(0, holder->Store(0));
    const KxRef ref = holder->GetRef();
    holder->Forget();
    part->Forget();

    Restart();
    KxObject* read = nullptr;
    ASSERT_EQ(0, KxOnDemand(ref, base_).Get(read));
    KxBasicContainer* numbers = ContainerOf(read, "numbers");
    ASSERT_EQ(4u, numbers->Count());
    std::vector<int32_t> values;
    for (uint32_t i = 0; i < numbers->Count(); ++i) values.push_back(*static_cast<int32_t*>(numbers->GetElementAddress(i)));
    EXPECT_EQ((std::vector<int32_t>{0, 7, -3, 42}), values);
    EXPECT_EQ(base_, numbers->GetBase());

    KxBasicContainer* parts = ContainerOf(read, "parts");
    ASSERT_EQ(2, parts->GetCount());
    KxObject* bolt = nullptr;
    ASSERT_EQ(0, static_cast<KxOnDemand*>(parts->GetElementAddress(0))->Get(bolt));
    EXPECT_EQ("bolt", reinterpret_cast<KxString*>(bolt->MemberAddress(*bolt->GetMetaClass()->FindMember(KxString("name"))))->ToUtf8());
    static_cast<KxOnDemand*>(parts->GetElementAddress(0))->Unget(bolt);
    EXPECT_FALSE(static_cast<KxOnDemand*>(parts->GetElementAddress(1))->IsValid());
    ASSERT_EQ(1u, ContainerOf(read, "later")->Count());
    EXPECT_EQ(toPart.GetRef(), static_cast<KxOnDemand*>(ContainerOf(read, "later")->GetElementAddress(0))->GetRef());
    ASSERT_EQ(1u, ContainerOf(read, "spots")->Count());
    EXPECT_EQ(4, static_cast<int32_t*>(ContainerOf(read, "spots")->GetElementAddress(0))[1]);
    EXPECT_EQ(0u, ContainerOf(read, "loose")->Count());

    KxContainerIterator at(numbers);
    EXPECT_FALSE(at.IsValid());
    EXPECT_EQ(0, at.Position(3));
    EXPECT_EQ(42, *static_cast<int32_t*>(at.GetCurrent()));
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, at.Position(4));
    EXPECT_EQ(nullptr, at.GetCurrent());

    Visits visits;
    EXPECT_EQ(0, visits.Walk(read));
    EXPECT_EQ((std::vector<std::string>{"numbers:4", "parts:2", "spots:1", "later:1", "loose:0"}), visits.seen);
    read->Forget();
}

}  // namespace
