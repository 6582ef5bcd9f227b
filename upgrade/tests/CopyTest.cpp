// Attribute copy on a database of the kernel's own storage and on a gateway database made by relgen:
// every type id of the copy's table, the error maps, embedded objects, references with and without a
// reference map, sets of every kind, the class map of XKxObject::CopyAttributes, AllReferencesMapped,
// and an end-to-end conversion by a step library in a child process.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "CopyTestSupport.h"
#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxInt64.h"
#include "WrapperTestSupport.h"
#include "XKxAllSet.h"
#include "XKxClass.h"
#include "XKxObject.h"
#include "XKxObjectSet.h"
#include "sqlengine.h"

#if !defined(UPGRADE_RELGEN) || !defined(UPGRADE_WRAPPER_CHILD) || !defined(UPGRADE_COPY_STEPS)
#error "UPGRADE_RELGEN, UPGRADE_WRAPPER_CHILD and UPGRADE_COPY_STEPS name the programs"
#endif

namespace {

using namespace upgrade_test;

// A member's value through the kernel's own accessor.
template <class T>
void Put(KxObject* object, const char* member, int32_t type, const T& value) {
    KxMemberAccessor accessor(object->GetMetaClass(), member);
    ASSERT_EQ(accessor.Of(object), 0) << member;
    ASSERT_EQ(accessor.SetValue(type, &value), 0) << member;
}
template <class T>
T Take(KxObject* object, const char* member, int32_t type) {
    T value{};
    KxMemberAccessor accessor(object->GetMetaClass(), member);
    EXPECT_EQ(accessor.Of(object), 0) << member;
    EXPECT_EQ(accessor.GetValue(type, &value), 0) << member;
    return value;
}

class AttributeCopy : public WrapperDatabaseTest {
protected:
    AttributeCopy()
        : WrapperDatabaseTest([] () -> StorageSite& { return CopySite::Get(UPGRADE_RELGEN); },
                              {"Company", "Order", "CustomerV1", "CustomerV2", "Values", "Odd"}) {}

    std::unique_ptr<XKxObject> Company(const CString& name) {
        auto company = std::make_unique<XKxObject>(Db());
        company->Make(u"Company", false);
        company->SetMemberString(u"name", name, false);
        company->SetMemberInt(u"generation", 1, true);
        return company;
    }
    std::unique_ptr<XKxObject> Order(int32_t number) {
        auto order = std::make_unique<XKxObject>(Db());
        order->Make(u"Order", false);
        order->SetMemberInt(u"number", number, true);
        return order;
    }
    // A customer of the first version: name, address, company (when given), orders and numbers.
    std::unique_ptr<XKxObject> Customer(const CString& name, XKxObject* company,
                                        const std::vector<XKxObject*>& orders, const std::vector<int32_t>& numbers) {
        auto customer = std::make_unique<XKxObject>(Db());
        customer->Make(u"CustomerV1", false);
        customer->SetMemberString(u"name", name, false);
        XKxObject address(Db());
        customer->GetMemberEmbeddedObject(u"address", u"Address", address);
        address.SetMemberString(u"street", u"Mill Lane 4", false);
        address.SetMemberInt(u"zip", 4711, false);
        if (company != nullptr) customer->SetMemberReference(u"company", *company, false);
        XKxObjectSet set(Db());
        customer->GetMemberSet(u"orders", set);
        for (XKxObject* order : orders) EXPECT_EQ(set.GetSet()->Append(order->GetObject()), 0);
        KxSet* values = Set(*customer, "numbers");
        for (int32_t number : numbers) EXPECT_EQ(values->Append(&number), 0);
        customer->Store(0);
        return customer;
    }
    // A kernel set member of a held object.
    static KxSet* Set(XKxObject& object, const char* member) {
        KxMemberAccessor accessor(object.GetObject()->GetMetaClass(), member);
        accessor.Of(object.GetObject());
        KxSet* set = nullptr;
        EXPECT_EQ(accessor.Get(set), 0);
        return set;
    }
    static std::vector<int32_t> Numbers(XKxObject& object) {
        std::vector<int32_t> numbers;
        KxSet* set = Set(object, "numbers");
        for (uint32_t i = 0; i < uint32_t(set->GetCount(0)); ++i) numbers.push_back(*static_cast<int32_t*>(set->GetElementAddress(i)));
        return numbers;
    }
    // The order numbers of a customer's order set, in the set's order.
    std::vector<int32_t> OrderNumbers(XKxObject& customer) {
        std::vector<int32_t> numbers;
        XKxObjectSet set(Db());
        customer.GetMemberSet(u"orders", set);
        XKxObject order(Db());
        while (set.GetNext(order)) {
            int32_t number = 0;
            order.GetMemberInt(u"number", number);
            numbers.push_back(number);
        }
        return numbers;
    }
    // The object reference held by a reference member (null when none).
    XKxObjectRef Referenced(XKxObject& object, const CString& member) {
        XKxObject reference(Db());
        object.GetMemberOnDemand(member, reference);
        XKxObjectRef result;
        if (reference.GetOnDemand()->IsValid()) result.Set(*reference.GetOnDemand(), Db());
        return result;
    }
    size_t Count(const std::string& line) const {
        const std::vector<std::string> lines = display_.Lines();
        return size_t(std::count(lines.begin(), lines.end(), line));
    }
};

// Each type id of the table copied and compared (7 and 8 through 2 and 6, 9 addressed on both
// sides); an unlisted type prints its message, counts 1 and touches neither object.
TEST_P(AttributeCopy, EveryTypeOfTheTable) { Guarded([&] {
    XKxObject source(Db()), target(Db());
    source.Make(u"Values", false);
    target.Make(u"Values", false);
    std::vector<std::function<void()>> checks;
    auto row = [&](const char* member, int32_t type, auto value) {
        using T = decltype(value);
        Put(source.GetObject(), member, type, value);
        checks.push_back([&, member, type, value] { EXPECT_TRUE(Take<T>(target.GetObject(), member, type) == value) << member; });
    };
    row("c", 0, char('x'));
    row("s", 1, int16_t(-1234));
    row("i", 2, int32_t(-70000));
    row("d", 3, 2.5);
    row("f", 4, 1.25f);
    row("us", 5, uint16_t(65000));
    row("ui", 6, uint32_t(4000000000u));
    row("l", 2, int32_t(-5));
    row("ul", 6, uint32_t(3000000000u));
    row("i4", 9, int32_t(123456));
    row("b", 10, uint8_t(200));
    row("str", 11, KxString("Gr\xc3\xbc\xc3\x9f" "e"));
    row("dt", 12, KxDate(2026, 12, 11));
    row("tm", 13, KxTime(9, 45, 30));
    row("bl", 18, KxBlob("\x01\x00\xff", 3));
    row("dtm", 19, KxDateTime(KxDate(2026, 12, 11), KxTime(13, 5, 0)));
    row("i64", 26, KxInt64(int64_t(1) << 40));
    row("bo", 27, KxBoolean(true));
    Put(source.GetObject(), "big", 42, int64_t(77));
    XKxClass values(Db(), u"Values", true);
    EXPECT_EQ(values.CopyAttributes(target, source, nullptr, nullptr, nullptr), 19);
    for (const auto& check : checks) check();
    EXPECT_EQ(Take<int64_t>(target.GetObject(), "big", 42), 0);
    EXPECT_EQ(Take<int64_t>(source.GetObject(), "big", 42), 77);
    EXPECT_EQ(Count("Copying the attribute <big> of type <42> is not supported!"), 1u);
    // The copy is stored and read back alike.
    target.Store(0);
    target.Refresh();
    for (const auto& check : checks) check();
}); }

// Type 14 and an unlisted type in embedded instances: the message, count 1 each, nothing touched.
TEST_P(AttributeCopy, UnsupportedTypesAreReportedAndLeftAlone) { Guarded([&] {
    XKxClass rare(Db(), u"Rare", false);
    XKxObject source, target;
    rare.MakeObject(source);
    rare.MakeObject(target);
    KxMemberAccessor note(rare.GetNonPersClass(), "note");
    ASSERT_EQ(note.Of(source.GetEmbedded()), 0);
    const KxString text("kept");
    ASSERT_EQ(note.SetValue(14, &text), 0);
    EXPECT_EQ(rare.CopyAttributes(target, source, nullptr, nullptr, nullptr), 2);
    KxString copied("untouched");
    ASSERT_EQ(note.Of(target.GetEmbedded()), 0);
    ASSERT_EQ(note.GetValue(14, &copied), 0);
    EXPECT_TRUE(copied.IsEmpty());
    EXPECT_EQ(Count("Copying the attribute <note> of type <14> is not supported!"), 1u);
    EXPECT_EQ(Count("Copying the attribute <big> of type <42> is not supported!"), 1u);
}); }

// A plain member against an object-valued one counts 0; any other mismatch throws.
TEST_P(AttributeCopy, TypeMismatches) { Guarded([&] {
    XKxObject flat(Db()), deep(Db()), clash(Db());
    flat.Make(u"Flat", false);
    deep.Make(u"Deep", false);
    clash.Make(u"Clash", false);
    flat.SetMemberInt(u"zip", 5, false);
    XKxClass cls(Db(), u"Flat", true);
    EXPECT_EQ(cls.CopyAttributes(deep, flat, nullptr, nullptr, nullptr), 0);
    const XKxException error = Thrown([&] { cls.CopyAttributes(clash, flat, nullptr, nullptr, nullptr); });
    EXPECT_EQ(Utf8(error.GetMessage()), "The attributes to copy from source to target object are of different types!");
    EXPECT_EQ(error.GetCode(), -1);
    // The walk starts at the first member again after the failure.
    EXPECT_EQ(cls.CopyAttributes(deep, flat, nullptr, nullptr, nullptr), 0);
}); }

// A failing read or write (injected) is recorded under the member's name and the copy goes on; the
// write after a failed read writes the default value. Without maps: the texts and codes.
TEST_P(AttributeCopy, ErrorMapsAndThrows) { Guarded([&] {
    XKxObject source(Db()), target(Db());
    source.Make(u"Values", false);
    target.Make(u"Values", false);
    Put(source.GetObject(), "c", 0, char('q'));
    Put(source.GetObject(), "i", 2, int32_t(9));
    Put(target.GetObject(), "c", 0, char('t'));
    XKxClass values(Db(), u"Values", true);
    XKxErrorMap targetErrors, sourceErrors;
    KxHookFailNext("KxMemberAccessor::GetValue", -2849);
    EXPECT_EQ(values.CopyAttributes(target, source, &targetErrors, &sourceErrors, nullptr), 19);
    EXPECT_EQ(sourceErrors, (XKxErrorMap{{u"c", -2849}}));
    EXPECT_TRUE(targetErrors.empty());
    EXPECT_EQ(Take<char>(target.GetObject(), "c", 0), 0);   // the default written
    EXPECT_EQ(Take<int32_t>(target.GetObject(), "i", 2), 9);   // the copy went on
    KxHookFailNext("KxMemberAccessor::SetValue", -2847);
    EXPECT_EQ(values.CopyAttributes(target, source, &targetErrors, &sourceErrors, nullptr), 19);
    EXPECT_EQ(targetErrors, (XKxErrorMap{{u"c", -2847}}));

    const std::vector<std::tuple<const char*, int32_t, std::string>> cases = {
        {"KxMemberAccessor::GetValue", -2849, "Couldn't get value of member <c> from the source object!"},
        {"KxMemberAccessor::SetValue", -2847, "Couldn't write value of member <c> to the target object!"},
    };
    for (const auto& [hook, code, message] : cases) {
        KxHookFailNext(hook, code);
        const XKxException error = Thrown([&] { values.CopyAttributes(target, source, nullptr, nullptr, nullptr); });
        EXPECT_EQ(Utf8(error.GetMessage()), message);
        EXPECT_EQ(error.GetCode(), code);
    }
    // The source never changed.
    EXPECT_EQ(Take<char>(source.GetObject(), "c", 0), 'q');
    EXPECT_EQ(Take<int32_t>(source.GetObject(), "i", 2), 9);
}); }

// The object-valued members of a class copied through XKxClass: the embedded address (its members
// counted), the company reference without and with a map, the order set with two orders missing from
// the map, both kinds of value set.
TEST_P(AttributeCopy, ObjectValuedMembers) { Guarded([&] {
    auto acme = Company(u"acme");
    auto acmeCopy = Company(u"acme copy");
    auto o1 = Order(1), o2 = Order(2), o3 = Order(3);
    auto source = Customer(u"ann", acme.get(), {o1.get(), o2.get(), o3.get()}, {7, 8});
    XKxObject place(Db());
    XKxClass address(Db(), u"Address", false);
    address.MakeObject(place);
    place.SetMemberString(u"street", u"Quay 1", false);
    XKxSet places(Db(), u"Address");
    source->GetMemberEmbeddedSet(u"places", places);
    places.Append(place);
    source->Store(0);

    XKxClass v1(Db(), u"CustomerV1", true);
    XKxObject plain(Db());
    plain.Make(u"CustomerV2", false);
    // address 1 + its 2 members, company 1, orders 1 + 3, numbers 1 + 2, places 1 + 1.
    EXPECT_EQ(v1.CopyAttributes(plain, *source, nullptr, nullptr, nullptr), 13);
    XKxObject copied(Db());
    plain.GetMemberEmbeddedObject(u"address", u"Address", copied);
    CString street;
    int32_t zip = 0;
    copied.GetMemberString(u"street", street);
    copied.GetMemberInt(u"zip", zip);
    EXPECT_EQ(street, CString(u"Mill Lane 4"));
    EXPECT_EQ(zip, 4711);
    EXPECT_TRUE(Referenced(plain, u"company") == XKxObjectRef(*acme));
    EXPECT_EQ(OrderNumbers(plain), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(Numbers(plain), (std::vector<int32_t>{7, 8}));
    XKxSet copiedPlaces(Db(), u"Address");
    plain.GetMemberEmbeddedSet(u"places", copiedPlaces);
    XKxObject element;
    ASSERT_TRUE(copiedPlaces.GetNext(element));
    element.GetMemberString(u"street", street);
    EXPECT_EQ(street, CString(u"Quay 1"));
    plain.Store(0);

    // With a map: the company redirected (the map's reference, of no class version, is written as one
    // to the newest), two orders missing from the map left out with a message each.
    XKxReferenceMap map;
    map.Add(*acme, *acmeCopy);
    map.Add(*o2, *o2);
    XKxObject mapped(Db());
    mapped.Make(u"CustomerV2", false);
    EXPECT_EQ(v1.CopyAttributes(mapped, *source, nullptr, nullptr, &map), 11);
    EXPECT_TRUE(Referenced(mapped, u"company") == XKxObjectRef(*acmeCopy));
    XKxObject company(Db());
    mapped.GetMemberOnDemand(u"company", company);
    EXPECT_EQ(company.GetOnDemand()->GetRef().GetClassId().GetVersion(), 1);
    EXPECT_EQ(OrderNumbers(mapped), (std::vector<int32_t>{2}));
    EXPECT_EQ(Count("Mapped reference of an OnDemand object within an OnDemandSet not found!"), 2u);
    mapped.Store(0);

    // A company missing from the map: the message, the empty reference.
    XKxReferenceMap empty;
    XKxObject unmapped(Db());
    unmapped.Make(u"CustomerV2", false);
    v1.CopyAttributes(unmapped, *source, nullptr, nullptr, &empty);
    EXPECT_TRUE(Referenced(unmapped, u"company").IsNull());
    EXPECT_EQ(Count("Mapped reference of an OnDemand object not found!"), 1u);

    // A dangling reference: the empty reference, nothing raised.
    acme->Delete(0);
    XKxObject dangling(Db());
    dangling.Make(u"CustomerV2", false);
    XKxErrorMap targetErrors, sourceErrors;
    v1.CopyAttributes(dangling, *source, &targetErrors, &sourceErrors, nullptr);
    EXPECT_TRUE(Referenced(dangling, u"company").IsNull());
    EXPECT_TRUE(targetErrors.empty() && sourceErrors.empty());
}); }

// A set of on-demand references is a kind the copy does not know: the texts, wrapped.
TEST_P(AttributeCopy, UnknownMemberKindThrows) { Guarded([&] {
    XKxObject source(Db()), target(Db());
    source.Make(u"Odd", false);
    target.Make(u"Odd", false);
    source.SetMemberInt(u"number", 3, false);
    XKxClass odd(Db(), u"Odd", true);
    XKxErrorMap targetErrors, sourceErrors;
    const XKxException error = Thrown([&] { odd.CopyAttributes(target, source, &targetErrors, &sourceErrors, nullptr); });
    EXPECT_EQ(Utf8(error.GetMessage()),
              "The attribute <refs> contains some reference to other objects which can't be copied!\r\nReason: \tThe "
              "attribute <refs> points to an unknown type and therefore can't be copied!");
    int32_t number = 0;
    source.GetMemberInt(u"number", number);
    EXPECT_EQ(number, 3);
}); }

// XKxObject::CopyAttributes: only the classes both trees share (Person), never the root class; the
// class map is built once for a pair of classes; objects of two databases are refused.
TEST_P(AttributeCopy, ObjectCopyThroughTheSharedClasses) { Guarded([&] {
    auto acme = Company(u"acme");
    auto source = Customer(u"ann", acme.get(), {}, {1});
    source->SetMemberReference(u"boss", *acme, true);
    XKxObject target(Db());
    target.Make(u"CustomerV2", true);
    EXPECT_EQ(target.CopyAttributes(*source, nullptr, nullptr), 2);   // name, boss
    const XKxClassMap* built = target.GetClassMap();
    ASSERT_NE(built, nullptr);
    std::vector<std::string> classes;
    for (const auto& entry : built->GetClasses()) classes.push_back(Utf8(entry.first));
    EXPECT_EQ(classes, std::vector<std::string>{"Person"});
    CString name;
    target.GetMemberString(u"name", name);
    EXPECT_EQ(name, CString(u"ann"));
    EXPECT_TRUE(Referenced(target, u"boss") == XKxObjectRef(*acme));
    EXPECT_TRUE(Referenced(target, u"company").IsNull());
    EXPECT_TRUE(Numbers(target).empty());
    EXPECT_EQ(target.CopyAttributes(*source, nullptr, nullptr), 2);
    EXPECT_EQ(target.GetClassMap(), built);

    // Without an object: a new stored object of the source's class.
    XKxObject fresh;
    EXPECT_EQ(fresh.CopyAttributes(*acme, nullptr, nullptr), 2);
    EXPECT_EQ(fresh.GetClassName(), CString(u"Company"));
    EXPECT_NE(fresh.GetObject()->GetState() & KX_STATE_HAS_ROW, 0);

    // Another database: refused before anything is made.
    XKxDatabase other(u"database", &set_);
    XKxObject foreign(&other);
    const XKxException error = Thrown([&] { foreign.CopyAttributes(*source, nullptr, nullptr); });
    EXPECT_EQ(Utf8(error.GetMessage()), "Can't copy a database object from one database to an other!");
    EXPECT_EQ(foreign.GetObject(), nullptr);
}); }

// AllReferencesMapped: a reference of the class, one declared in the base class, a reference set.
TEST_P(AttributeCopy, AllReferencesMapped) { Guarded([&] {
    auto acme = Company(u"acme");
    auto boss = Company(u"boss");
    auto o1 = Order(1);
    auto customer = Customer(u"ann", acme.get(), {o1.get()}, {});
    XKxReferenceMap map;
    EXPECT_FALSE(customer->AllReferencesMapped(map));
    map.Add(*acme, *acme);
    EXPECT_FALSE(customer->AllReferencesMapped(map));   // the order
    map.Add(*o1, *o1);
    EXPECT_TRUE(customer->AllReferencesMapped(map));
    customer->SetMemberReference(u"boss", *boss, true);   // declared in Person
    EXPECT_FALSE(customer->AllReferencesMapped(map));
    map.Add(*boss, *acme);
    EXPECT_TRUE(customer->AllReferencesMapped(map));
}); }

// The faults: holds of referenced objects, a failing append before a good one, a locked referenced
// object, a failing load, a set copied onto itself.
TEST_P(AttributeCopy, ReferencesKeepNoHoldsAndFailuresAreKept) { Guarded([&] {
    auto acme = Company(u"acme");
    auto o1 = Order(1), o2 = Order(2);
    auto source = Customer(u"ann", acme.get(), {}, {});
    XKxClass v1(Db(), u"CustomerV1", true);
    XKxObject target(Db());
    target.Make(u"CustomerV2", false);
    const uint32_t holds = acme->GetObject()->GetHoldCount();
    for (int i = 0; i < 1000; ++i) v1.CopyAttributes(target, *source, nullptr, nullptr, nullptr);
    EXPECT_EQ(acme->GetObject()->GetHoldCount(), holds);

    // A locked company is there: its reference is kept. A load that fails otherwise is the source's.
    XKxErrorMap targetErrors, sourceErrors;
    XKxObject locked(Db());
    locked.Make(u"CustomerV2", false);
    KxHookFailNext("KxOnDemand::Get", -2041);
    v1.CopyAttributes(locked, *source, &targetErrors, &sourceErrors, nullptr);
    EXPECT_TRUE(Referenced(locked, u"company") == XKxObjectRef(*acme));
    EXPECT_TRUE(sourceErrors.empty());
    XKxObject failed(Db());
    failed.Make(u"CustomerV2", false);
    KxHookFailNext("KxOnDemand::Get", -2849);
    v1.CopyAttributes(failed, *source, &targetErrors, &sourceErrors, nullptr);
    EXPECT_EQ(sourceErrors, (XKxErrorMap{{u"company", -2849}}));
    EXPECT_TRUE(Referenced(failed, u"company").IsNull());

    // The first of two appends fails: reported although the second succeeds.
    auto orders = Customer(u"bob", nullptr, {o1.get(), o2.get()}, {});
    XKxObject appended(Db());
    appended.Make(u"CustomerV2", false);
    sourceErrors.clear();
    KxHookFailNext("KxOnDemand::Get", -2849);
    v1.CopyAttributes(appended, *orders, &targetErrors, &sourceErrors, nullptr);
    EXPECT_EQ(targetErrors, (XKxErrorMap{{u"orders", -2849}}));
    EXPECT_EQ(OrderNumbers(appended), std::vector<int32_t>{2});

    // A customer copied onto itself: its integer set doubled once.
    auto self = Customer(u"cid", nullptr, {o1.get()}, {4, 5});
    v1.CopyAttributes(*self, *self, nullptr, nullptr, nullptr);
    EXPECT_EQ(Numbers(*self), (std::vector<int32_t>{4, 5, 4, 5}));
    EXPECT_EQ(OrderNumbers(*self).size(), 2u);
}); }

INSTANTIATE_TEST_SUITE_P(Storages, AttributeCopy,
                         ::testing::Values(WrapperStorage{"Native", false}, WrapperStorage{"Gateway", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A step library run by a child program converts every CustomerV1 into a new CustomerV2 after copying
// the companies into a reference map; a second child compares every copy member by member. On the
// gateway the engine's rows are read too.
class CopyEndToEnd : public ::testing::TestWithParam<WrapperStorage> {};

TEST_P(CopyEndToEnd, StepLibraryConvertsAndASecondProcessCompares) {
    CopySite& site = CopySite::Get(UPGRADE_RELGEN);
    ASSERT_FALSE(HasFailure());
    site.Select(GetParam());
    TempDir logs;
    const std::string arguments = std::string("\"") + UPGRADE_COPY_STEPS + "\" ";
    const auto run = [&](const char* step, const std::vector<std::string>& expected) {
        const ChildRun child = RunChild(logs, UPGRADE_WRAPPER_CHILD, arguments + step + " \"" + logs.Path() + "\"");
        EXPECT_EQ(child.exitCode, 0u) << child.console;
        for (const std::string& line : expected)
            EXPECT_NE((child.console + "\n").find("\n= " + line + "\n"), std::string::npos) << line << "\n" << child.console;
    };
    run("fill", {"filled 2 companies, 4 orders, 3 customers"});
    run("convert", {"mapped 6 references", "converted 3 customers, 37 attributes, unmapped 0, errors 0"});
    run("check", {"ann same company acme/2", "bob same company globex/2", "cid same company acme/2", "companies 4"});

    if (GetParam().gateway) {
        EXPECT_EQ(EngineRows(site, "SELECT NAME0V0, GENERATION1V0 FROM SHOP.COMPANYC1V0 ORDER BY NAME0V0, GENERATION1V0"),
                  (std::vector<std::string>{"acme/1", "acme/2", "globex/1", "globex/2"}));
        EXPECT_EQ(EngineRows(site, "SELECT COUNT(*) FROM SHOP.CUSTOMERV2C6V0"), std::vector<std::string>{"3"});
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, CopyEndToEnd,
                         ::testing::Values(WrapperStorage{"Native", false}, WrapperStorage{"Gateway", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
