// One table of the kernel's object-level client calls, run on a database of the kernel's own storage
// and on a gateway database made by relgen: objects made, stored, refreshed and deleted by the
// caller, holds, on-demand reads, set cursors, extent walks, member accessors and queries by member
// name answer alike on both, statuses included.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CaseSite.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxParameter.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxTestHooks.h"

namespace {

const char kDeclarations[] = R"(dictionary shop server=LOCAL logical=shop revision=1
class 1.1 Item
member name string
member count int
member size uint
member flag char
member link ptr:Item
member next ondemand:Item
member group set:ItemSet
member spot embedded:Spot
index ItemByName unique name
class 2.1 Part bases=Item
member weight int
class 3.1 Spot embedded
member x int
member y int
objectset 900.1 ItemSet Item
)";

const CaseSiteSpec kSpec{"shop", kDeclarations, "SHOPSRV", "SHOP", "shop", "NSHOP"};
const CaseStorage kNative{"Native", "NATIVE", "NSHOP"};
const CaseStorage kGateway{"Oracle", "GATEWAY", "SHOP"};

void PrintTo(const CaseStorage& storage, std::ostream* out) { *out << storage.name; }

// Members of an object through an accessor.
template <typename T>
T Value(KxObject* object, const char* member, int32_t typeId)
{
    KxMemberAccessor accessor(object->GetMetaClass(), member);
    T value{};
    EXPECT_EQ(0, accessor.Of(object));
    EXPECT_EQ(0, accessor.GetValue(typeId, &value)) << member;
    return value;
}

template <typename T>
void SetValue(KxObject* object, const char* member, int32_t typeId, const T& value)
{
    KxMemberAccessor accessor(object->GetMetaClass(), member);
    ASSERT_EQ(0, accessor.Of(object));
    ASSERT_EQ(0, accessor.SetValue(typeId, &value)) << member;
}

std::string Name(KxObject* object) { return Value<KxString>(object, "name", 11).ToUtf8(); }

class ClientCalls : public ::testing::TestWithParam<CaseStorage> {
protected:
    void SetUp() override
    {
        const CaseSite& site = PrepareCaseSite(kSpec, KX_RELGEN);
        ASSERT_FALSE(HasFailure());
        KxParameterList params;
        params.Append("ClientName", "cases");
        params.Append("ConfigFile", site.config.c_str());
        ASSERT_EQ(0, InitKelvox(&params));
        SetCaseLogIn(kSpec);
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, base_, 2));
        dict_ = base_->GetDictionary();
        item_ = dict_->FindByName(KxString("Item"))->AsClass();
        part_ = dict_->FindByName(KxString("Part"))->AsClass();
        // Every test starts from an empty extent: each object deleted during a walk.
        KxAllSet all(item_->AsPersClass(), base_);
        KxObject* object = nullptr;
        for (int32_t rc = all.Get(object, 0, 0); rc != KX_KERNEL_E_NO_ELEMENT; rc = all.Get(object, 1, 1)) {
            ASSERT_EQ(0, rc);
            ASSERT_EQ(0, object->Delete());
            all.Unget(object);
        }
        ASSERT_EQ(0, all.GetCount());
    }
    void TearDown() override
    {
        KxHookClear();
        if (base_ != nullptr) {
            EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(base_));
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        while (KxBase::KELVOX()->GetInitCount() > 0) {
            DeinitKelvox();
        }
    }

    // A stored object of a class: name, count, size; the caller holds it.
    KxObject* Stored(const char* cls, const std::string& name, int32_t count, uint32_t size)
    {
        KxObject* object = KxObject::Make(base_, KxString(cls));
        EXPECT_NE(nullptr, object);
        if (object == nullptr) {
            return nullptr;
        }
        SetValue(object, "name", 11, KxString::FromUtf8(name));
        SetValue(object, "count", 2, count);
        SetValue(object, "size", 6, size);
        EXPECT_EQ(0, object->Store());
        return object;
    }

    // The objects another client reads (its own base): name of each reference, "-2017" when gone.
    std::string ReadElsewhere(const KxRef& ref)
    {
        KxBase* other = nullptr;
        EXPECT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, other, 2));
        KxObject* object = nullptr;
        const int32_t rc = KxOnDemand(ref, other).Get(object);
        std::string seen = rc == 0 ? Name(object) : std::to_string(rc);
        KxOnDemand().Unget(object);
        EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(other));
        return seen;
    }

    // Names of a walk over an extent.
    std::vector<std::string> Walk(const KxMetaClass* cls)
    {
        std::vector<std::string> names;
        KxAllSet all(cls->AsPersClass(), base_);
        KxObject* object = nullptr;
        for (int32_t rc = all.Get(object, 0, 0); rc == 0; rc = all.Get(object, 1, 1)) {
            names.push_back(Name(object));
            all.Unget(object);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    KxBase* base_ = nullptr;
    KxClassDict* dict_ = nullptr;
    const KxMetaClass* item_ = nullptr;
    const KxMetaClass* part_ = nullptr;
};

// Made, stored outside a transaction (durable on return), refreshed, deleted (usable until the last
// Forget), and the holds counted down to a stale entry.
TEST_P(ClientCalls, ObjectsAreStoredRefreshedDeletedAndForgotten)
{
    EXPECT_EQ(nullptr, KxObject::Make(base_, KxString("Spot")));    // embedded
    EXPECT_EQ(nullptr, KxObject::Make(base_, KxString("Nothing")));
    KxObject* apple = Stored("Item", "apple", 3, 7);
    ASSERT_NE(nullptr, apple);
    EXPECT_EQ(item_, apple->GetMetaType());
    EXPECT_EQ(0, base_->GetTransactionLevel());
    EXPECT_EQ("apple", ReadElsewhere(apple->GetRef()));

    // Another client changes it; Refresh reads the change into the same object.
    KxBase* other = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, other, 2));
    KxObject* theirs = nullptr;
    ASSERT_EQ(0, KxOnDemand(apple->GetRef(), other).Get(theirs));
    SetValue(theirs, "count", 7, int32_t(30));
    ASSERT_EQ(0, theirs->Store());
    KxOnDemand().Unget(theirs);
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(other));
    EXPECT_EQ(3, Value<int32_t>(apple, "count", 2));
    EXPECT_EQ(0, apple->Refresh());
    EXPECT_EQ(30, Value<int32_t>(apple, "count", 2));

    // Holds: Remember adds one, Forget answers what remains.
    EXPECT_EQ(0, apple->Remember());
    EXPECT_EQ(0, apple->Remember());
    EXPECT_EQ(2, apple->Forget());
    const KxRef ref = apple->GetRef();
    EXPECT_EQ(0, apple->Delete());
    EXPECT_TRUE(apple->IsDeleted());
    EXPECT_EQ("apple", Name(apple));   // still usable by its holders
    EXPECT_EQ(std::to_string(KX_KERNEL_E_OBJ_NOT_FOUND), ReadElsewhere(ref));
    KxObject* gone = nullptr;
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, KxOnDemand(ref, base_).Get(gone));
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, apple->Store());
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, apple->Delete());
    EXPECT_EQ(1, apple->Forget());
    EXPECT_EQ(0, apple->Forget());
    // After the last hold only a stale entry is left: a further Forget answers a status.
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, apple->Forget());
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, apple->Remember());
}

// Inside an open transaction each Store and Delete is a nested level: it answers its own status and a
// failure leaves the outer transaction usable; the test hooks reach the calls.
TEST_P(ClientCalls, NestedCallsAnswerTheirOwnStatus)
{
    KxObject* pear = Stored("Item", "pear", 1, 1);
    ASSERT_EQ(0, base_->BeginTransaction());
    KxObject* twin = KxObject::Make(base_, KxString("Item"));
    SetValue(twin, "name", 11, KxString("pear"));
    EXPECT_EQ(-2028, twin->Store());                // unique name taken
    EXPECT_EQ(1, base_->GetTransactionLevel());
    SetValue(twin, "name", 11, KxString("plum"));
    KxHookFailNext("KxObject::Store", -2041);
    EXPECT_EQ(-2041, twin->Store());
    EXPECT_EQ(0, twin->Store());
    KxHookFailNext("KxObject::Delete", -2041);
    EXPECT_EQ(-2041, pear->Delete());
    KxHookFailNext("KxOnDemand::Get", -2041);
    KxObject* read = nullptr;
    EXPECT_EQ(-2041, KxOnDemand(pear, 1).Get(read));
    KxHookFailNext("KxObject::Make", -2030);
    EXPECT_EQ(nullptr, KxObject::Make(base_, KxString("Item")));
    ASSERT_EQ(0, base_->CommitTransaction());
    EXPECT_EQ((std::vector<std::string>{"pear", "plum"}), Walk(item_));

    // An aborted outer transaction takes the nested stores with it.
    ASSERT_EQ(0, base_->BeginTransaction());
    KxObject* quince = KxObject::Make(base_, KxString("Item"));
    SetValue(quince, "name", 11, KxString("quince"));
    EXPECT_EQ(0, quince->Store());
    ASSERT_EQ(0, base_->AbortTransaction());
    EXPECT_EQ((std::vector<std::string>{"pear", "plum"}), Walk(item_));
    for (KxObject* o : {pear, twin, quince}) {
        EXPECT_EQ(0, o->Forget());
    }
}

// The extent as it stood when the walk began, subclasses' objects included on both storages; an
// object deleted since answers -2017; deleting each object during the walk empties the extent.
TEST_P(ClientCalls, ExtentWalksSeeTheirStartAndCanEmptyTheExtent)
{
    std::vector<KxObject*> made;
    for (int i = 1; i <= 5; ++i) {
        made.push_back(Stored(i <= 3 ? "Item" : "Part", "n" + std::to_string(i), i, 0));
    }
    EXPECT_EQ((std::vector<std::string>{"n1", "n2", "n3", "n4", "n5"}), Walk(item_));
    EXPECT_EQ((std::vector<std::string>{"n4", "n5"}), Walk(part_));
    KxAllSet parts(part_->AsPersClass(), base_);
    EXPECT_EQ(2, parts.GetCount());

    KxAllSet all(item_->AsPersClass(), base_);
    EXPECT_EQ(5, all.GetCount());
    KxObject* object = nullptr;
    ASSERT_EQ(0, all.Get(object, 0, 0));
    EXPECT_EQ(1, base_->GetTransactionLevel());   // the walk's own
    std::string first = Name(object);
    // Another object goes while the walk runs (in a nested level of the walk's transaction).
    KxObject* victim = first == "n2" ? made[2] : made[1];
    const std::string victimName = Name(victim);
    EXPECT_EQ(0, victim->Delete());
    EXPECT_EQ(0, object->Delete());
    all.Unget(object);
    std::vector<std::string> seen{first};
    int32_t missing = 0;
    for (int32_t rc = all.Get(object, 1, 1); rc != KX_KERNEL_E_NO_ELEMENT; rc = all.Get(object, 1, 1)) {
        if (rc == KX_KERNEL_E_OBJ_NOT_FOUND) {
            ++missing;
            continue;
        }
        ASSERT_EQ(0, rc);
        seen.push_back(Name(object));
        EXPECT_EQ(0, object->Delete());
        all.Unget(object);
    }
    EXPECT_EQ(1, missing);
    EXPECT_EQ(4u, seen.size());
    EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), victimName));
    EXPECT_EQ(0, base_->GetTransactionLevel());   // the walk's end committed it
    EXPECT_EQ(0, all.GetCount());
    EXPECT_TRUE(Walk(item_).empty());
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, all.Delete(1));
    for (KxObject* o : made) {
        EXPECT_EQ(0, o->Forget());
    }
}

// Extents that outlive their base, one of them in the middle of a walk: the close ends the walk, the
// sets answer KX_KERNEL_E_INVALID afterwards and go without harm.
TEST_P(ClientCalls, ExtentsOutliveTheirBase)
{
    KxObject* stored = Stored("Item", "n1", 1, 0);
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ(0, stored->Forget());
    auto walking = std::make_unique<KxAllSet>(item_->AsPersClass(), base_);
    auto idle = std::make_unique<KxAllSet>(item_->AsPersClass(), base_);
    KxObject* object = nullptr;
    ASSERT_EQ(0, walking->Get(object, 0, 0));
    walking->Unget(object);
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(base_));
    base_ = nullptr;
    EXPECT_EQ(KX_KERNEL_E_INVALID, idle->GetCount());
    EXPECT_EQ(KX_KERNEL_E_INVALID, walking->Get(object, 1, 1));
    EXPECT_EQ(nullptr, object);
    walking.reset();
    idle.reset();
}

// The cursor of an object set read back from the storage: absolute and relative positions, Delete (1)
// then Get (0, relative) gives the next element, -2005 past either end, Clear.
TEST_P(ClientCalls, ObjectSetCursorsWalkDeleteAndClear)
{
    std::vector<KxObject*> elements;
    for (int i = 1; i <= 4; ++i) {
        elements.push_back(Stored("Item", "e" + std::to_string(i), i, 0));
    }
    KxObject* owner = KxObject::Make(base_, KxString("Item"));
    SetValue(owner, "name", 11, KxString("owner"));
    KxMemberAccessor group(item_, "group");
    ASSERT_EQ(0, group.Of(owner));
    KxObjectSet* set = nullptr;
    ASSERT_EQ(0, group.Get(set));
    for (KxObject* e : elements) {
        ASSERT_EQ(0, set->Append(e));
    }
    ASSERT_EQ(0, set->Append(KxOnDemand(elements[0], 1)));   // a reference appends its object
    ASSERT_EQ(0, owner->Store());
    const KxRef ownerRef = owner->GetRef();
    EXPECT_EQ(0, owner->Forget());
    for (KxObject* e : elements) {
        EXPECT_EQ(0, e->Forget());
    }

    KxBase* other = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetBase(GetParam().server, GetParam().database, other, 2));
    KxObject* read = nullptr;
    ASSERT_EQ(0, KxOnDemand(ownerRef, other).Get(read));
    KxMemberAccessor readGroup(read->GetMetaClass(), "group");
    ASSERT_EQ(0, readGroup.Of(read));
    ASSERT_EQ(0, readGroup.Get(set));
    EXPECT_EQ(5, set->GetCount());

    struct Step {
        const char* what;
        std::function<int32_t(KxObject*&)> call;
        int32_t status;
        const char* name;   // of the element answered
    };
    const Step steps[] = {
        {"first", [&](KxObject*& o) { return set->Get(o, 0, 0); }, 0, "e1"},
        {"two further", [&](KxObject*& o) { return set->Get(o, 2, 1); }, 0, "e3"},
        {"delete the current", [&](KxObject*& o) { o = nullptr; return set->Delete(1); }, 0, nullptr},
        {"the next one stands here", [&](KxObject*& o) { return set->Get(o, 0, 1); }, 0, "e4"},
        {"one back", [&](KxObject*& o) { return set->Get(o, -1, 1); }, 0, "e2"},
        {"past the end", [&](KxObject*& o) { return set->Get(o, 5, 0); }, KX_KERNEL_E_NO_ELEMENT, nullptr},
        {"before the start", [&](KxObject*& o) { return set->Get(o, -2, 1); }, KX_KERNEL_E_NO_ELEMENT, nullptr},
        {"the last", [&](KxObject*& o) { return set->Get(o, 3, 0); }, 0, "e1"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        KxObject* element = nullptr;
        EXPECT_EQ(s.status, s.call(element));
        EXPECT_EQ(s.name != nullptr, element != nullptr);
        if (element != nullptr && s.name != nullptr) {
            EXPECT_EQ(s.name, Name(element));
            EXPECT_EQ(0, set->Unget(element));
        }
    }
    EXPECT_EQ(4, set->GetCount());
    EXPECT_EQ(0, set->Clear());
    EXPECT_EQ(0, set->GetCount());
    KxObject* none = nullptr;
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, set->Get(none, 0, 0));
    EXPECT_EQ(0, read->Forget());
    EXPECT_EQ(0, KxBase::KELVOX()->UngetBase(other));
}

// Accessors by member name: type ids, typed values with their interchangeable types, the one-byte
// member as a two-byte value, embedded instances, references and their statuses.
TEST_P(ClientCalls, MemberAccessorsReadAndWriteByTypeId)
{
    KxObject* item = Stored("Item", "acc", -5, 4000000000u);
    KxObject* part = Stored("Part", "part", 2, 2);
    KxMemberAccessor count(item_, "count");
    int32_t unbound = 0;
    EXPECT_EQ(KX_KERNEL_E_STATE, count.GetValue(2, &unbound));
    ASSERT_EQ(0, count.Of(part));   // a subclass's object
    EXPECT_EQ(2, Value<int32_t>(part, "count", 7));
    KxMemberAccessor weight(part_, "weight");
    EXPECT_EQ(KX_KERNEL_E_WRONG_CLASS, weight.Of(item));   // not a subclass: nothing bound
    EXPECT_EQ(nullptr, weight.GetObjectAddress());
    EXPECT_EQ(-1, KxMemberAccessor(item_, "nothing").GetTypeId());

    struct Case {
        const char* member;
        int8_t typeId;
        int32_t asType;
        int32_t status;
    };
    const Case cases[] = {
        {"count", 2, 7, 0}, {"count", 2, 100, 0}, {"count", 2, 6, -2113}, {"count", 2, 11, -2113},
        {"size", 6, 8, 0},  {"flag", 0, 5, 0},    {"flag", 0, 0, 0},      {"flag", 0, 2, -2113},
        {"link", 100, 2, -2113}, {"group", 100, 100, 0}, {"spot", 100, 100, 0}, {"name", 11, 11, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.member) + " as " + std::to_string(c.asType));
        KxMemberAccessor accessor(item_, c.member);
        ASSERT_EQ(0, accessor.Of(item));
        EXPECT_EQ(c.typeId, accessor.GetTypeId());
        void* address = nullptr;
        const int32_t addressed = accessor.GetAddress(c.asType, address);
        EXPECT_EQ(c.status == 0 && !(c.typeId == 0 && c.asType == 5) ? 0 : (c.status == 0 ? -2113 : c.status), addressed);
    }
    EXPECT_EQ(4000000000u, Value<uint32_t>(item, "size", 8));
    // A one-byte member as a two-byte character: "1" written and read back.
    SetValue(item, "flag", 5, uint16_t('1'));
    EXPECT_EQ(uint16_t('1'), Value<uint16_t>(item, "flag", 5));
    EXPECT_EQ('1', Value<char>(item, "flag", 0));

    // The embedded instance: an accessor of the embedded class positioned by the member's.
    const KxMetaClass* spot = dict_->FindByName(KxString("Spot"))->AsClass();
    KxMemberAccessor inSpot(spot, static_cast<const char*>(nullptr));
    KxMemberAccessor spotMember(item_, "spot");
    ASSERT_EQ(0, spotMember.Of(item));
    ASSERT_EQ(0, spotMember.Get(inSpot));
    KxMemberAccessor x(spot, "x");
    ASSERT_EQ(0, x.Of(inSpot.GetObjectAddress()));
    EXPECT_EQ(0, x.SetValue(2, &(const int32_t&)int32_t(12)));
    EXPECT_EQ(0, item->Store());
    EXPECT_EQ(0, item->Refresh());
    int32_t readX = 0;
    EXPECT_EQ(0, x.GetValue(2, &readX));
    EXPECT_EQ(12, readX);
    EXPECT_EQ(4000000000u, Value<uint32_t>(item, "size", 6));   // read back from the storage

    // References: pointer and on-demand members written and read; -2113 for an older class version.
    for (const char* member : {"link", "next"}) {
        SCOPED_TRACE(member);
        KxMemberAccessor ref(item_, member);
        ASSERT_EQ(0, ref.Of(item));
        EXPECT_EQ(0, ref.Set(KxOnDemand(part, 1)));
        KxOnDemand got;
        EXPECT_EQ(0, ref.Get(got));
        EXPECT_EQ(part->GetRef().GetObjId(), got.GetRef().GetObjId());
        KxRef older(part->GetRef().GetObjId(), KxClassId(part_->GetClassNumber(), 0));
        EXPECT_EQ(-2113, ref.Set(KxOnDemand(older, base_)));
        EXPECT_EQ(0, ref.Set(KxOnDemand(nullptr, 1)));   // cleared
        EXPECT_EQ(0, ref.Get(got));
        EXPECT_FALSE(got.IsValid());
        EXPECT_EQ(-2113, count.Get(got));
    }
    EXPECT_EQ(0, item->Forget());
    EXPECT_EQ(0, part->Forget());
}

// Queries by member name on the extent: each operator on int, unsigned, string and reference, AND,
// OR and sort, against ids computed here.
TEST_P(ClientCalls, QueriesGiveTheIdsComputedHere)
{
    struct Row {
        std::string name;
        int32_t count;
        uint32_t size;
        int link;   // index of the linked row, -1 none
    };
    const std::vector<Row> rows = {{"a", -2, 10, -1},     {"b", 0, 2000000000u, 0}, {"c", 5, 20, 0},
                                   {"d", 5, 30, 1},       {"e", 9, 10, -1},         {"Müller", 7, 3000000000u, -1},
                                   {"f", 1, 4294967295u, 0}};
    std::vector<KxObject*> made;
    for (const Row& r : rows) {
        made.push_back(Stored(made.size() == 4 ? "Part" : "Item", r.name, r.count, r.size));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].link >= 0) {
            KxMemberAccessor link(item_, "link");
            ASSERT_EQ(0, link.Of(made[i]));
            ASSERT_EQ(0, link.Set(KxOnDemand(made[rows[i].link], 1)));
            ASSERT_EQ(0, made[i]->Store());
        }
    }
    auto run = [&](KxGenericQuery& query) {
        KxAllSet all(item_->AsPersClass(), base_);
        KxOnDemandSet results(2, base_, 0);
        EXPECT_EQ(0, all.Query(&query, &results, 0, 0, 0));
        std::vector<std::string> names;
        KxObject* o = nullptr;
        for (int32_t rc = results.Get(o, 0, 0); rc == 0; rc = results.Get(o, 1, 1)) {
            names.push_back(Name(o));
            results.Unget(o);
        }
        return names;
    };
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    auto expected = [&](const std::function<bool(const Row&)>& keep) {
        std::vector<std::string> names;
        for (const Row& r : rows) {
            if (keep(r)) {
                names.push_back(r.name);
            }
        }
        return sorted(names);
    };
    const std::function<bool(int, int)> holds[] = {
        nullptr,
        [](int o, int) { return o == 0; }, [](int o, int) { return o < 0; }, [](int o, int) { return o <= 0; },
        [](int o, int) { return o > 0; },  [](int o, int) { return o >= 0; }, [](int o, int) { return o != 0; },
    };
    auto order = [](auto a, auto b) { return a < b ? -1 : (b < a ? 1 : 0); };
    for (uint16_t op = 1; op <= 6; ++op) {
        SCOPED_TRACE("operator " + std::to_string(op));
        {
            KxGenericQuery q(item_, 0, 0);
            const int32_t five = 5;
            ASSERT_EQ(0, q.SetMember(KxString("count")));
            ASSERT_EQ(0, q.Set(7, 1, &five, op, 1, 0));
            EXPECT_EQ(expected([&](const Row& r) { return holds[op](order(r.count, 5), 0); }), sorted(run(q)));
        }
        for (const uint32_t size : {20u, 3000000000u}) {   // unsigned values on both sides of 2^31
            KxGenericQuery q(item_, 0, 0);
            ASSERT_EQ(0, q.SetMember(KxString("size")));
            ASSERT_EQ(0, q.Set(6, 1, &size, op, 1, 0));
            EXPECT_EQ(expected([&](const Row& r) { return holds[op](order(r.size, size), 0); }), sorted(run(q)))
                << size;
        }
        for (const KxString& name : {KxString("c"), KxString(u"Müller")}) {   // a UTF-16 text beyond ASCII
            KxGenericQuery q(item_, 0, 0);
            ASSERT_EQ(0, q.SetMember(KxString("name")));
            ASSERT_EQ(0, q.Set(11, 1, &name, op, 1, 0));
            EXPECT_EQ(expected([&](const Row& r) { return holds[op](order(r.name, name.ToUtf8()), 0); }),
                      sorted(run(q)))
                << name.ToUtf8();
        }
        if (op == 1 || op == 6) {   // references: the same object or not; no reference compares as object id 0
            for (int target : {0, -1}) {
                KxGenericQuery q(item_, 0, 0);
                ASSERT_EQ(0, q.Set(KxString("link"), target >= 0 ? made[target] : nullptr, op, 0));
                EXPECT_EQ(expected([&](const Row& r) { return (r.link == target) == (op == 1); }), sorted(run(q)));
            }
        }
    }
    {   // count = 5 AND size > 20, OR name = "a"; sorted by count descending
        KxGenericQuery q(item_, 0, 0);
        const int32_t five = 5;
        const uint32_t twenty = 20;
        const KxString a("a");
        ASSERT_EQ(0, q.SetMember(KxString("count")));
        ASSERT_EQ(0, q.Set(2, 1, &five, 1, 1, 0));
        q.SetBoolOp(1);
        ASSERT_EQ(0, q.SetMember(KxString("size")));
        ASSERT_EQ(0, q.Set(8, 1, &twenty, 4, 1, 0));
        EXPECT_EQ((std::vector<std::string>{"d"}), run(q));
        q.SetBoolOp(2);
        ASSERT_EQ(0, q.SetMember(KxString("name")));
        ASSERT_EQ(0, q.Set(11, 1, &a, 1, 1, 0));
        ASSERT_EQ(0, q.SortBy(KxString("count"), 1, -1, -1, 0));
        EXPECT_EQ((std::vector<std::string>{"d", "a"}), run(q));
    }
    {   // a condition on an unknown member or of the wrong kind adds nothing
        KxGenericQuery q(item_, 0, 0);
        EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, q.SetMember(KxString("nothing")));
        EXPECT_EQ(KX_KERNEL_E_TYPE_MISMATCH, q.SetMember(KxString("link")));
        EXPECT_EQ(KX_KERNEL_E_TYPE_MISMATCH, q.Set(KxString("count"), made[0], 1));
        const int32_t one = 1;
        EXPECT_EQ(KX_KERNEL_E_STATE, q.Set(2, 1, &one, 1, 1, 0));
        EXPECT_EQ(0u, q.GetOpCount());
    }
    for (KxObject* o : made) {
        EXPECT_LE(0, o->Forget());   // the links hold some of them
    }
}

// The schema side: meta types by name, newest versions through type handles, member and base walks,
// the persistent and embedded views.
TEST_P(ClientCalls, SchemaWalksAndViews)
{
    const KxMetaType* type = nullptr;
    ASSERT_EQ(0, dict_->GetMetaType(KxString("Part"), type));
    EXPECT_EQ(KX_DICT_E_NOT_FOUND, dict_->GetMetaType(KxString("Nothing"), type));
    EXPECT_EQ(nullptr, type);
    const KxMetaTypeHandle* handle = nullptr;
    ASSERT_EQ(0, dict_->GetNewestVersion(part_->GetTypeHandle()->GetClassId(), handle));
    ASSERT_NE(nullptr, handle->GetClassDesc());
    EXPECT_EQ(part_, handle->GetClassDesc()->GetMetaClass());
    EXPECT_EQ(part_->GetVersion(), handle->GetClassDesc()->GetMetaType()->GetTypeHandle()->GetClassId().GetVersion());
    EXPECT_EQ(KX_DICT_E_NOT_FOUND, dict_->GetNewestVersion(uint16_t(999), handle));

    // Own members one by one, relative to the last one answered.
    const KxMember* member = nullptr;
    std::vector<std::string> names;
    for (int32_t rc = item_->GetMember(member, 0, 0); rc == 0; rc = item_->GetMember(member, 1, 1)) {
        names.push_back(member->GetName().ToUtf8());
    }
    EXPECT_EQ((std::vector<std::string>{"name", "count", "size", "flag", "link", "next", "group", "spot"}), names);
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, item_->GetMember(member, 8, 0));
    EXPECT_EQ(nullptr, member);
    ASSERT_EQ(0, part_->GetMember(member, 0, 0));
    EXPECT_EQ("weight", member->GetName().ToUtf8());
    const KxMetaTypeHandle* inherit = nullptr;
    ASSERT_EQ(0, part_->GetInherit(inherit, 0, 0));
    EXPECT_EQ(item_, inherit->GetClassDesc()->GetMetaClass());
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, part_->GetInherit(inherit, 1, 1));

    // The three questions of object-valued members and the set kinds.
    const KxMember* spotMember = item_->FindMember(KxString("spot"));
    const KxMember* group = item_->FindMember(KxString("group"));
    const KxMember* link = item_->FindMember(KxString("link"));
    EXPECT_NE(nullptr, spotMember->GetEmbeddedType());
    EXPECT_EQ(nullptr, spotMember->GetReferenceType());
    EXPECT_EQ(item_, link->GetReferenceType()->GetMetaType());
    ASSERT_NE(nullptr, group->GetSetTypeHandle());
    EXPECT_EQ(KX_META_OBJECT_SET, group->GetSetTypeHandle()->GetMetaType()->GetKind());

    // Views: persistent classes have an extent, embedded ones make instances of their own.
    const KxMetaType* spot = dict_->FindByName(KxString("Spot"));
    EXPECT_EQ(nullptr, spot->AsPersClass());
    ASSERT_NE(nullptr, spot->AsNonPersClass());
    EXPECT_EQ(nullptr, item_->AsNonPersClass());
    static int32_t zero = 0;
    uint8_t* instance = spot->AsNonPersClass()->CreateInstance(nullptr, 0, &zero, 0);
    ASSERT_NE(nullptr, instance);
    spot->AsNonPersClass()->DeleteInstance(instance);
    std::unique_ptr<KxAllSet> extent(item_->AsPersClass()->MakeExtent(base_));
    ASSERT_NE(nullptr, extent);
    EXPECT_EQ(0, extent->GetCount());
}

INSTANTIATE_TEST_SUITE_P(Storages, ClientCalls, ::testing::Values(kNative, kGateway),
                         [](const ::testing::TestParamInfo<CaseStorage>& info) { return std::string(info.param.name); });

}  // namespace
