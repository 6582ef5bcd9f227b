// The object-access wrappers on a database of the kernel's own storage and on a gateway database made
// by relgen, both opened through XKxDatabase: member access of every kind, the failures with their
// texts and codes, extent walks, queries, object sets, references and embedded sets, the bulk setters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxBlob.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxDateTime.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxTestHooks.h"
#include "WrapperTestSupport.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxClass.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"
#include "XKxObjectSet.h"

#if !defined(UPGRADE_RELGEN) || !defined(UPGRADE_WRAPPER_CHILD) || !defined(UPGRADE_WRAPPER_STEPS)
#error "UPGRADE_RELGEN, UPGRADE_WRAPPER_CHILD and UPGRADE_WRAPPER_STEPS name the programs"
#endif

namespace {

using namespace upgrade_test;

class Wrappers : public WrapperDatabaseTest {
protected:
    Wrappers() : WrapperDatabaseTest([] () -> StorageSite& { return WrapperSite::Get(UPGRADE_RELGEN); }, {"Item", "Part", "Owner"}) {}

    // A stored object of the class with a name and a count; the wrapper holds it.
    std::unique_ptr<XKxObject> Stored(const CString& cls, const CString& name, int32_t count) {
        auto object = std::make_unique<XKxObject>(Db());
        object->Make(cls, false);
        object->SetMemberString(u"name", name, false);
        object->SetMemberInt(u"count", count, true);
        return object;
    }

    // The names of a walk, each with its count.
    std::vector<std::string> Walk(XKxAllSet& all) {
        std::vector<std::string> seen;
        XKxObject object(Db());
        while (all.GetNext(object)) {
            CString name;
            int32_t count = 0;
            object.GetMemberString(u"name", name);
            object.GetMemberInt(u"count", count);
            seen.push_back(Utf8(name) + "=" + std::to_string(count));
        }
        return seen;
    }

};

// Every kind of member written through one wrapper, stored, and read back through another after the
// first let the object go (so it is read from the storage).
TEST_P(Wrappers, MemberAccessOfEveryKindRoundTrips) { Guarded([&] {
    auto owner = Stored(u"Owner", u"boss", 1);
    auto part = Stored(u"Part", u"wheel", 2);
    auto pear = Stored(u"Item", u"pear", 4);
    const KxDateTime stamp(2026, 12, 11, 9, 45, 30);
    const KxBlob data("\x01\x00\xff", 3);
    {
        XKxObject item(Db());
        item.Make(u"Item", true);
        item.SetMemberString(u"name", u"Gr\u00fc\u00dfe", false);
        item.SetMemberBool(u"flag", true, false);
        item.SetMemberBool(u"active", true, false);
        item.SetMemberBool(u"done", true, false);
        item.SetMemberInt(u"count", -5, false);
        item.SetMemberLong(u"total", -70000, false);
        item.SetMemberULong(u"size", 4000000000u, false);
        item.SetMemberDouble(u"weight", 2.5, false);
        item.SetMemberBlob(u"data", data, false);
        item.SetMemberDateTime(u"stamp", stamp, false);
        item.SetMemberReference(u"owner", *owner, false);
        // A reference to an older version of the class is written as one to the newest.
        KxRef older = pear->GetObject()->GetRef();
        older.SetClassId(KxClassId(older.GetClassId().GetClassNumber(), 0));
        item.SetMemberReference(u"next", KxOnDemand(older, Db()->GetBase()), false);
        // The embedded object and a new element of the embedded set.
        XKxObject spot(Db());
        item.GetMemberEmbeddedObject(u"spot", u"Spot", spot);
        spot.SetMemberInt(u"x", 7, false);
        XKxSet spots(Db(), u"Spot");
        item.GetMemberEmbeddedSet(u"spots", spots);
        XKxClass spotClass(Db(), u"Spot", false);
        XKxObject element;
        spotClass.MakeObject(element);
        element.SetMemberInt(u"y", 9, false);
        EXPECT_EQ(spots.Append(element), 0);
        // The object set: one element appended by the kernel.
        XKxObjectSet parts(Db());
        item.GetMemberSet(u"parts", parts);
        ASSERT_EQ(parts.GetSet()->Append(part->GetObject()), 0);
        item.Store(0);
    }
    owner.reset();
    part.reset();
    pear.reset();

    XKxQuery query(Db(), u"Item", true);
    query.SetCondition(u"count", int32_t(-5), 1);
    query.Execute();
    XKxObject item(Db());
    ASSERT_TRUE(query.GetNext(item));
    CString name;
    bool flag = false, active = false, done = false;
    int32_t count = 0, total = 0;
    uint32_t size = 0;
    double weight = 0;
    KxBlob blob;
    KxDateTime when;
    item.GetMemberString(u"name", name);
    item.GetMemberBool(u"flag", flag);
    item.GetMemberBool(u"active", active);
    item.GetMemberBool(u"done", done);
    item.GetMemberInt(u"count", count);
    item.GetMemberLong(u"total", total);
    item.GetMemberULong(u"size", size);
    item.GetMemberDouble(u"weight", weight);
    item.GetMemberBlob(u"data", blob);
    item.GetMemberDateTime(u"stamp", when);
    EXPECT_EQ(name, CString(u"Gr\u00fc\u00dfe"));
    EXPECT_TRUE(flag);   // true written is read back true on the 1-byte member
    EXPECT_TRUE(active);
    EXPECT_TRUE(done);
    EXPECT_EQ(count, -5);
    EXPECT_EQ(total, -70000);
    EXPECT_EQ(size, 4000000000u);
    EXPECT_EQ(weight, 2.5);
    EXPECT_TRUE(blob == data);
    EXPECT_TRUE(when == stamp);

    XKxObject owned(Db()), next(Db()), onDemand(Db());
    item.GetMemberReference(u"owner", owned);
    item.GetMemberReference(u"next", next);
    ASSERT_NE(owned.GetObject(), nullptr);
    ASSERT_NE(next.GetObject(), nullptr);
    CString ownerName;
    next.GetMemberString(u"name", ownerName);
    EXPECT_EQ(ownerName, CString(u"pear"));
    owned.GetMemberString(u"name", ownerName);
    EXPECT_EQ(ownerName, CString(u"boss"));
    item.GetMemberOnDemand(u"next", onDemand);
    EXPECT_EQ(onDemand.GetOnDemand()->GetRef().GetClassId().GetVersion(), 1);

    XKxObject spot(Db());
    item.GetMemberEmbeddedObject(u"spot", u"Spot", spot);
    int32_t x = 0, y = 0;
    spot.GetMemberInt(u"x", x);
    EXPECT_EQ(x, 7);
    XKxSet spots(Db(), u"Spot");
    item.GetMemberEmbeddedSet(u"spots", spots);
    XKxObject element;
    ASSERT_TRUE(spots.GetNext(element));
    element.GetMemberInt(u"y", y);
    EXPECT_EQ(y, 9);
    EXPECT_FALSE(spots.GetNext(element));
    EXPECT_FALSE(spots.GetNext(element));   // no restart

    XKxObjectSet parts(Db());
    item.GetMemberSet(u"parts", parts);
    EXPECT_EQ(parts.GetCount(), 1);
    XKxObject first(Db());
    ASSERT_TRUE(parts.GetNext(first));
    CString partName;
    first.GetMemberString(u"name", partName);
    EXPECT_EQ(partName, CString(u"wheel"));

    // Cleared: the reference to no object.
    item.SetMemberReference(u"owner", true);
    XKxObject none(Db());
    item.GetMemberReference(u"owner", none);
    EXPECT_EQ(none.GetObject(), nullptr);
}); }

// Each failure of member access: the Part's text and the kernel's code; nothing is written.
TEST_P(Wrappers, MemberFailuresGiveTheirTextAndCode) {
    auto item = Stored(u"Item", u"apple", 3);
    XKxObject& o = *item;
    bool b = true;
    int32_t i = 0;
    uint32_t u = 0;
    double d = 0;
    CString s;
    KxBlob blob;
    KxDateTime when;
    XKxObjectSet set(Db());
    XKxObject out(Db());
    XKxSet spots(Db(), u"Spot");
    struct Case {
        const char* what;
        std::function<void()> call;
        const char16_t* message;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {"bool on a short", [&] { o.GetMemberBool(u"mark", b); }, u"Error getting MemberBool!", -2113},
        {"set bool on a short", [&] { o.SetMemberBool(u"mark", true, true); }, u"Error setting MemberBool for <Item::mark>!", -2113},
        {"string of an int", [&] { o.GetMemberString(u"count", s); }, u"Error getting MemberString!", -2113},
        {"int of a string", [&] { o.GetMemberInt(u"name", i); }, u"Error getting MemberInt!", -2113},
        {"long of a string", [&] { o.GetMemberLong(u"name", i); }, u"Error getting MemberLong!", -2113},
        {"ulong of an int", [&] { o.GetMemberULong(u"count", u); }, u"Error getting MemberULong!", -2113},
        {"double of an int", [&] { o.GetMemberDouble(u"count", d); }, u"Error getting MemberDouble!", -2113},
        {"blob of an int", [&] { o.GetMemberBlob(u"count", blob); }, u"Error getting MemberBlob!", -2113},
        {"date of an int", [&] { o.GetMemberDateTime(u"count", when); }, u"Error getting MemberDateTime!", -2113},
        {"set of an int", [&] { o.GetMemberSet(u"count", set); }, u"Error getting MemberSet!", -2113},
        {"on-demand of an int", [&] { o.GetMemberOnDemand(u"count", out); }, u"Error getting MemberOnDemand for member <count>!", -2113},
        {"embedded of an int", [&] { o.GetMemberEmbeddedObject(u"count", u"Spot", out); }, u"Error getting MemberEbeddedObject!", -2113},
        {"embedded set of an int", [&] { o.GetMemberEmbeddedSet(u"count", spots); }, u"Error getting MemberEbeddedObject!", -2113},
        {"set string on an int", [&] { o.SetMemberString(u"count", u"x", true); }, u"Error setting MemberString for <Item::count>!", -2113},
        {"set int on a string", [&] { o.SetMemberInt(u"name", 1, true); }, u"Error setting MemberInt for <Item::name>!", -2113},
        {"set long on a string", [&] { o.SetMemberLong(u"name", 1, true); }, u"Error setting MemberLong for <Item::name>!", -2113},
        {"set ulong on a string", [&] { o.SetMemberULong(u"name", 1, true); }, u"Error setting MemberULong for <Item::name>!", -2113},
        {"set double on a string", [&] { o.SetMemberDouble(u"name", 1, true); }, u"Error setting MemberDouble for <Item::name>!", -2113},
        {"set blob on a string", [&] { o.SetMemberBlob(u"name", KxBlob(), true); }, u"Error setting MemberBlob for <Item::name>!", -2113},
        {"set date on a string", [&] { o.SetMemberDateTime(u"name", KxDateTime(), true); }, u"Error setting MemberDateTime for <Item::name>!", -2113},
        {"reference into a string", [&] { o.SetMemberReference(u"name", true); }, u"Error setting MemberReference for <Item::name>!", -2113},
        {"reference of another class", [&] { o.SetMemberReference(u"owner", o, true); }, u"Error setting MemberReference for <Item::owner>!", -2023},
        {"member the class lacks", [&] { o.GetMemberInt(u"nothing", i); }, u"Error getting MemberInt!", -2841},
        {"set member the class lacks", [&] { o.SetMemberInt(u"nothing", 1, true); }, u"Error setting MemberInt for <Item::nothing>!", -2841},
        {"class not in the dictionary", [&] { XKxClass cls(Db(), u"Nothing", true); }, u"Couldn't get KELVOX Meta Type for class <Nothing>!", -2841},
        {"persistent wrapper of an embedded class", [&] { XKxClass cls(Db(), u"Spot", true); }, u"Couldn't cast MetaType to MetaPersClass! for class <Spot>!", -1},
        {"embedded object of an unknown class", [&] { o.GetMemberEmbeddedObject(u"spot", u"Nothing", out); }, u"Couldn't get KELVOX Meta Type for class <Nothing>!", -2841},
        {"embedded set of another class", [&] { XKxObject p(Db()); p.Make(u"Part", false); o.GetMemberEmbeddedSet(u"spots", spots); spots.Append(p); }, u"Error in appending an embedded object to an embedded set!\r\nReason: \tThe object and the set should be of the same MetaType!", -1},
        {"empty wrapper", [&] { XKxObject e(Db()); e.GetMemberInt(u"count", i); }, u"Could not activate access to an object, because there is no MetaClass!", -1},
        {"store of nothing", [&] { XKxObject e(Db()); e.Store(0); }, u"Could not store the KxObject, because there is no KxObject!", -1},
        {"refresh of nothing", [&] { XKxObject e(Db()); e.Refresh(); }, u"No KxObject in this XKxObject!", -1},
        {"make without database", [&] { XKxObject e; e.Make(u"Item", true); }, u"No link to a XKxDatabase available, so I can't create an object!", -1},
        {"newest version without reference", [&] { XKxObject e(Db()); e.GetNewestVersion(); }, u"No <KxOnDemand> in this XKxObject to get the newest version of!", -1},
        {"reference of nothing", [&] { XKxObjectRef r; XKxObject e(Db()); r.SetRef(e); }, u"The XKxObject contains no kelvox object to set a reference for!", -1},
        {"on-demand without database", [&] { XKxObjectRef r; r.GetOnDemand(); }, u"Error transforming an ObjectRef to OnDemand, because there's no reference to a database!", -1},
    };
    for (const Case& c : cases) {
        const XKxException error = Thrown(c.call);
        EXPECT_EQ(Utf8(error.GetMessage()), Utf8(CString(c.message))) << c.what;
        EXPECT_EQ(error.GetCode(), c.code) << c.what;
    }
    // Nothing was written: a reader elsewhere sees the stored values.
    item.reset();
    XKxAllSet all(Db(), u"Item", true);
    EXPECT_EQ(Walk(all), std::vector<std::string>{"apple=3"});
}

// A bool on a 1-byte member is kept as the character the reader takes: "1" (49) or "0" (48).
TEST_P(Wrappers, BoolOnACharacterMemberKeepsTheCharacters) { Guarded([&] {
    auto item = Stored(u"Item", u"apple", 3);
    KxMemberAccessor raw(item->GetObject()->GetMetaClass(), "flag");
    ASSERT_EQ(raw.Of(item->GetObject()), 0);
    for (const bool value : {true, false}) {
        item->SetMemberBool(u"flag", value, true);
        uint16_t character = 0;
        ASSERT_EQ(raw.GetValue(5, &character), 0);
        EXPECT_EQ(character, value ? 49 : 48);
        item->Refresh();
        bool read = !value;
        item->GetMemberBool(u"flag", read);
        EXPECT_EQ(read, value);
    }
}); }

// A refused store (a unique key taken) deletes only a new object; a stored one keeps its row.
TEST_P(Wrappers, RefusedStoreKeepsAStoredObject) { Guarded([&] {
    auto apple = Stored(u"Item", u"apple", 1);
    auto pear = Stored(u"Item", u"pear", 2);
    pear->SetMemberString(u"name", u"apple", false);
    XKxException error = Thrown([&] { pear->Store(0); });
    // The gateway's Oracle error arrives through the error receiver as the negated Oracle code.
    EXPECT_EQ(error.GetCode(), GetParam().gateway ? -1 : -2028);
    EXPECT_NE(Utf8(error.GetMessage()).find(GetParam().gateway ? "ORA-00001" : "Error calling <KxObject->Store()>!"),
              std::string::npos);
    EXPECT_NE(pear->GetObject(), nullptr);
    XKxAllSet all(Db(), u"Item", true);
    EXPECT_EQ(all.GetCount(), 2);
    // A new object whose first store is refused is discarded.
    XKxObject fresh(Db());
    fresh.Make(u"Item", false);
    fresh.SetMemberString(u"name", u"apple", false);
    error = Thrown([&] { fresh.Store(0); });
    EXPECT_EQ(error.GetCode(), GetParam().gateway ? -1 : -2028);
    if (!GetParam().gateway) EXPECT_EQ(fresh.GetObject(), nullptr);
    XKxAllSet again(Db(), u"Item", true);
    EXPECT_EQ(again.GetCount(), 2);
}); }

// One wrapper given objects of two unrelated classes reads each object's own member of a name.
TEST_P(Wrappers, AccessorFollowsTheObjectsClass) { Guarded([&] {
    auto item = Stored(u"Item", u"apple", 3);
    auto owner = Stored(u"Owner", u"boss", 8);
    XKxObject one(Db());
    int32_t count = 0;
    one.SetObject(item->GetObject());
    one.GetMemberInt(u"count", count);
    EXPECT_EQ(count, 3);
    one.SetObject(owner->GetObject());
    one.GetMemberInt(u"count", count);
    EXPECT_EQ(count, 8);
    one.SetObject(item->GetObject());
    one.SetMemberInt(u"count", 4, false);
    item->GetMemberInt(u"count", count);
    EXPECT_EQ(count, 4);
}); }

// A wrapper that dies while its hold cannot be given back does not end the process; Forget throws.
TEST_P(Wrappers, DestructorSwallowsAFailedForget) { Guarded([&] {
    auto item = Stored(u"Item", u"apple", 3);
    KxObject* raw = item->GetObject();
    {
        XKxObject other(Db());
        other.SetObject(raw);
        while (raw->Forget() > 0) {
        }
        XKxObject third(Db());
        third.Assign(other);   // the same object: nothing is taken
        const XKxException error = Thrown([&] { third.Forget(); });
        EXPECT_EQ(error.GetCode(), -2017);
        EXPECT_EQ(Utf8(error.GetMessage()), "Error calling <KxObject->Forget()>!");
    }   // other's Forget fails here
    item.reset();
}); }

// The closed database and the missing one: every constructor throws before the kernel is asked.
TEST_P(Wrappers, ClosedDatabaseRefusesEveryWrapper) {
    ASSERT_TRUE(Db()->Close(false));
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { XKxClass c(Db(), u"Item", true); }, "Cannot access objects of <Item>, because the database is not opened!"},
        {[&] { XKxClass c(Db()); }, "Cannot access any database objects, because the database is not opened!"},
        {[&] { XKxClass c(nullptr, u"Item", true); }, "Cannot create a wrapper class for <Item>, because the link to a database is missing!"},
        {[&] { XKxClass c(nullptr); }, "Cannot create a null wrapper class, because the link to a database is missing!"},
        {[&] { XKxAllSet c(Db(), u"Item", true); }, "Cannot access objects of <Item>, because the database is not opened!"},
        {[&] { XKxSet c(Db(), u"Spot"); }, "Cannot access objects of <Spot>, because the database is not opened!"},
        {[&] { XKxQuery c(Db(), u"Item", true); }, "Error initializing <XKxQuery>!\r\nReason: \tCannot access objects of <Item>, because the database is not opened!"},
    };
    for (const auto& [call, message] : cases) EXPECT_EQ(Utf8(Thrown(call).GetMessage()), message);
}

// The null wrappers: no class, no extent, no query.
TEST_P(Wrappers, NullWrappers) { Guarded([&] {
    XKxClass none(Db());
    EXPECT_EQ(none.GetClassId(), -1);
    EXPECT_EQ(none.MakeExtent(), nullptr);
    EXPECT_EQ(Utf8(Thrown([&] { none.GetMetaClass(); }).GetMessage()), "Couldn't get the MetaClass for <>!");
    XKxAllSet all(Db());
    XKxObject object(Db());
    EXPECT_EQ(all.GetCount(), -1);
    EXPECT_EQ(Utf8(Thrown([&] { all.GetNext(object); }).GetMessage()),
              "Error getting next object of an AllSet!\r\nReason: \t<m_pAllSet> for Class <> is <NULL>!");
    XKxQuery query(Db());
    query.SetCondition(u"count", int32_t(1), 1);
    query.SetSearchCondition(u"count", 1, 1);
    query.SortBy(u"count", 0);
    query.SetBoolOperator(1);
    query.Execute();
    EXPECT_EQ(Utf8(Thrown([&] { query.GetNext(object); }).GetMessage()), "<m_podsQueryResultSet> for Class <> is <NULL>!");
    XKxQuery items(Db(), u"Item", true);
    EXPECT_EQ(Utf8(Thrown([&] { items.GetNext(object); }).GetMessage()),
              "<m_podsQueryResultSet> for Class <Item> is <NULL>!");
}); }

// Members in the kernel's order, null once, then the first again; the class map's refusals.
TEST_P(Wrappers, MembersAndClassMap) { Guarded([&] {
    XKxClass owner(Db(), u"Owner", true);
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) {
        const KxMember* member = owner.GetNextMember();
        names.push_back(member != nullptr ? member->GetName().ToUtf8() : "-");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"name", "count", "-", "name"}));
    CString name;
    owner.GetMemberName(name, 1);
    EXPECT_EQ(name, CString(u"count"));
    const XKxException error = Thrown([&] { owner.GetMemberName(name, 5); });
    EXPECT_EQ(Utf8(error.GetMessage()), "Error getting name of member #5 in class <Owner>!");
    EXPECT_EQ(error.GetCode(), -2005);
    EXPECT_GT(owner.GetClassId(), 0);

    XKxClassMap map(Db());
    auto root = std::make_unique<XKxClass>(Db(), u"KxObject", true);
    EXPECT_FALSE(map.AddClass(root.get()));
    map.AddClassWithBases(new XKxClass(Db(), u"Special", true));
    std::vector<std::string> held;
    for (const auto& entry : map.GetClasses()) held.push_back(Utf8(entry.first));
    EXPECT_EQ(held, (std::vector<std::string>{"Item", "Special"}));
    auto again = std::make_unique<XKxClass>(Db(), u"Item", true);
    EXPECT_FALSE(map.AddClass(again.get()));
    map.AddClassWithBases(new XKxClass(Db(), u"Item", true));   // refused and deleted
    EXPECT_EQ(map.GetClasses().size(), 2u);
}); }

// Extent walks: an empty class, an object deleted meanwhile skipped, an injected -2023 skipped, the
// restart after the end.
TEST_P(Wrappers, ExtentWalks) { Guarded([&] {
    XKxAllSet owners(Db(), u"Owner", true);
    XKxObject object(Db());
    EXPECT_FALSE(owners.GetNext(object));
    EXPECT_EQ(owners.GetCount(), 0);
    auto a = Stored(u"Item", u"a", 1);
    auto b = Stored(u"Item", u"b", 2);
    auto c = Stored(u"Item", u"c", 3);
    b->Forget();
    XKxAllSet all(Db(), u"Item", true);
    ASSERT_TRUE(all.GetNext(object));
    XKxObject doomed(Db());
    ASSERT_TRUE(all.GetNext(doomed));
    CString name;
    doomed.GetMemberString(u"name", name);
    EXPECT_EQ(name, CString(u"b"));
    all.Create();   // a new walk over the extent as it stands
    ASSERT_TRUE(all.GetNext(object));
    doomed.Delete(0);
    std::vector<std::string> rest;
    while (all.GetNext(object)) {
        object.GetMemberString(u"name", name);
        rest.push_back(Utf8(name));
    }
    EXPECT_EQ(rest, std::vector<std::string>{"c"});
    KxHookFailNext("KxObjectSet::Get", -2023);
    EXPECT_EQ(Walk(all), (std::vector<std::string>{"a=1", "c=3"}));
    EXPECT_EQ(Walk(all), (std::vector<std::string>{"a=1", "c=3"}));   // restarts after the end
}); }

// Walks still open when the database closes: the wrappers go afterwards without harm, and the
// objects stored before the walk are still there when the database opens again.
TEST_P(Wrappers, WalksOpenWhenTheDatabaseCloses) { Guarded([&] {
    Stored(u"Item", u"a", 1);
    Stored(u"Item", u"b", 2);
    auto all = std::make_unique<XKxAllSet>(Db(), u"Item", true);
    auto query = std::make_unique<XKxQuery>(Db(), u"Item", true);
    query->SetSearchCondition(u"count", 1, 5);
    query->Execute();
    {
        XKxObject object(Db());
        ASSERT_TRUE(all->GetNext(object));
        ASSERT_TRUE(query->GetNext(object));
    }
    ASSERT_TRUE(Db()->Close(false));
    all.reset();
    query.reset();
    Db()->Open(false);
    ASSERT_TRUE(Db()->IsOpen());
    XKxAllSet again(Db(), u"Item", true);
    std::vector<std::string> seen = Walk(again);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"a=1", "b=2"}));
}); }

// A query with two conditions joined by AND and a sort; a string condition made from a temporary.
TEST_P(Wrappers, QueryWithConditionsAndSort) { Guarded([&] {
    std::vector<std::unique_ptr<XKxObject>> items;
    for (int i = 1; i <= 5; ++i) items.push_back(Stored(u"Item", CString(std::u16string(1, u'a' + i - 1).c_str()), i));
    items.clear();
    XKxQuery query(Db(), u"Item", true);
    query.SetSearchCondition(u"count", 2, 5);
    query.SetBoolOperator(1);
    query.SetCondition(u"count", int32_t(4), 3);
    query.SetBoolOperator(1);
    query.SetCondition(u"name", CString(u"c"), 6);
    query.SortBy(u"name", 1);
    query.Execute();
    EXPECT_EQ(query.GetCount(), 2);
    EXPECT_EQ(Walk(query), (std::vector<std::string>{"d=4", "b=2"}));
    EXPECT_EQ(Walk(query), (std::vector<std::string>{"d=4", "b=2"}));
    query.SetBoolOperator(1);
    query.SetCondition(u"size", uint32_t(7), 1);
    query.Execute();
    XKxObject object(Db());
    EXPECT_FALSE(query.GetNext(object));
    const XKxException error = Thrown([&] { query.SetCondition(u"nothing", int32_t(1), 1); });
    EXPECT_EQ(Utf8(error.GetMessage()), "Error setting query condition on <nothing> for class <Item>!");
    EXPECT_EQ(error.GetCode(), -2841);
}); }

// Object sets: Delete then GetNext reads the element now at the place; no restart after the end.
TEST_P(Wrappers, ObjectSetWalk) { Guarded([&] {
    auto item = Stored(u"Item", u"apple", 1);
    XKxObjectSet parts(Db());
    item->GetMemberSet(u"parts", parts);
    for (const char16_t* name : {u"p1", u"p2", u"p3"}) {
        auto part = Stored(u"Part", name, 0);
        ASSERT_EQ(parts.GetSet()->Append(part->GetObject()), 0);
    }
    item->Store(0);
    XKxObject element(Db());
    CString name;
    std::vector<std::string> seen;
    ASSERT_TRUE(parts.GetNext(element));
    parts.Delete();
    while (parts.GetNext(element)) {
        element.GetMemberString(u"name", name);
        seen.push_back(Utf8(name));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"p2", "p3"}));
    EXPECT_FALSE(parts.GetNext(element));
    XKxObjectSet none(Db());
    EXPECT_EQ(Utf8(Thrown([&] { none.GetNext(element); }).GetMessage()), "No KxObjectSet in this XKxObjectSet!");
    EXPECT_EQ(none.GetCount(), -1);

    // Back-pointers: every part gets the item, the set is emptied.
    EXPECT_EQ(Db()->SwitchToBackpointer(u"Item", u"parts", u"whole"), 2);
    item->Refresh();
    item->GetMemberSet(u"parts", parts);
    EXPECT_EQ(parts.GetCount(), 0);
    XKxAllSet all(Db(), u"Part", true);
    XKxObject whole(Db());
    int32_t withItem = 0;
    while (all.GetNext(element)) {
        element.GetMemberReference(u"whole", whole);
        if (whole.GetObject() != nullptr) ++withItem;
    }
    EXPECT_EQ(withItem, 2);
}); }

// References: the map's keys, a locked referenced object, an embedded-only store.
TEST_P(Wrappers, ReferencesAndLockedObjects) { Guarded([&] {
    auto apple = Stored(u"Item", u"apple", 1);
    auto pear = Stored(u"Item", u"pear", 2);
    XKxReferenceMap map;
    EXPECT_TRUE(map.Lookup(*apple).IsNull());
    map.Add(*apple, *pear);
    EXPECT_TRUE(map.Lookup(*apple) == XKxObjectRef(*pear));
    XKxObjectRef elsewhere(*apple);
    elsewhere.Set(KxOnDemand(apple->GetObject(), 1), nullptr);   // another database: the same key
    EXPECT_TRUE(map.Lookup(elsewhere) == XKxObjectRef(*pear));
    XKxObject back(Db());
    back.SetOnDemand(XKxObjectRef(*pear).GetOnDemand());
    XKxObject loaded(Db());
    back.GetReference(loaded);
    EXPECT_EQ(loaded.GetObject(), pear->GetObject());

    apple->SetMemberReference(u"next", *pear, true);
    pear->Forget();
    KxHookFailNext("KxOnDemand::Get", -2041);
    XKxObject out(Db());
    apple->GetMemberReference(u"next", out);
    EXPECT_EQ(out.GetObject(), nullptr);
    const std::vector<std::string> lines = display_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "   ...the object is locked and could not be referenced!"), lines.end());

    XKxObject spot(Db());
    apple->GetMemberEmbeddedObject(u"spot", u"Spot", spot);
    spot.Store(0);   // nothing
}); }

// The bulk setters: the count and the timed line; a failure ends the step and names the object.
TEST_P(Wrappers, BulkSetters) { Guarded([&] {
    EXPECT_EQ(Db()->SetAttributeInt(u"Owner", u"count", 5), 0);
    for (const char16_t* name : {u"a", u"b"}) Stored(u"Item", name, 1);
    EXPECT_EQ(Db()->SetAttributeInt(u"Item", u"count", 7), 2);
    EXPECT_EQ(Db()->SetAttributeBoolean(u"Item", u"done", true), 2);
    XKxAllSet all(Db(), u"Item", true);
    EXPECT_EQ(Walk(all), (std::vector<std::string>{"a=7", "b=7"}));
    const XKxException error = Thrown([&] { Db()->SetAttributeInt(u"Item", u"name", 5); });
    EXPECT_EQ(error.GetCode(), -2113);
    EXPECT_EQ(Utf8(error.GetMessage()),
              "Setting all attributes <name> of class <Item> to <5> failed!\r\nReason: \tSetting attribute <name> of "
              "object #1 of 2 objects to <5> failed!\r\nReason: \tError setting MemberInt for <Item::name>!");
    const std::vector<std::string> lines = display_.Lines();
    for (const std::string& line :
         {"- Setting all attributes <count> of class <Owner> to <5>......updated <0> objects!...updated <0> objects in  0 seconds!",
          "- Setting all attributes <count> of class <Item> to <7>......updated <2> objects!...updated <2> objects in  0 seconds!",
          "- Setting all attributes <done> of class <Item> to <true>......updated <2> objects!...updated <2> objects in  0 seconds!"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    // The failed step was ended: its timer stands still.
    FakeClock clock;
    CString before, after;
    Thrown([&] { Db()->SetAttributeInt(u"Item", u"name", 5); });
    clock.Advance(5000);
    GetElapsedText(before);
    clock.Advance(5000);
    GetElapsedText(after);
    EXPECT_EQ(before, after);
}); }

INSTANTIATE_TEST_SUITE_P(Storages, Wrappers,
                         ::testing::Values(WrapperStorage{"Native", false}, WrapperStorage{"Gateway", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// References keep the whole 48-bit object id: ids equal in their low word are two keys, and an id
// whose low word is 0 is no null reference.
TEST(ObjectRefs, KeepTheWholeObjectId) {
    auto reference = [](uint32_t low, uint16_t high) {
        auto object = std::make_unique<XKxObject>();
        object->SetOnDemand(KxOnDemand(KxRef(KxObjId(low, high), KxClassId(1, 1)), nullptr));
        return object;
    };
    auto one = reference(5, 1), two = reference(5, 2), zeroLow = reference(0, 3), copy = reference(9, 0);
    XKxReferenceMap map;
    map.Add(*one, *copy);
    EXPECT_TRUE(map.Lookup(*two).IsNull());
    map.Add(*two, *zeroLow);
    EXPECT_EQ(map.GetCount(), 2u);
    EXPECT_TRUE(map.Lookup(*one) == XKxObjectRef(*copy));
    EXPECT_TRUE(map.Lookup(*two) == XKxObjectRef(*zeroLow));
    EXPECT_FALSE(XKxObjectRef(*zeroLow).IsNull());
    EXPECT_EQ(XKxObjectRef(*zeroLow).GetObjectId().GetHigh(), 3);
    EXPECT_TRUE(XKxObjectRef(*one) < XKxObjectRef(*two));
    EXPECT_TRUE(XKxObjectRef().IsNull());
}

}  // namespace

namespace {

// A step library loaded by a child program converts the database through the wrappers; a second
// child checks every object; on the gateway the changed rows are read from the engine too.
class WrapperEndToEnd : public ::testing::TestWithParam<WrapperStorage> {};

TEST_P(WrapperEndToEnd, StepLibraryConvertsAndASecondProcessChecks) {
    WrapperSite& site = WrapperSite::Get(UPGRADE_RELGEN);
    ASSERT_FALSE(HasFailure());
    site.Select(GetParam());
    TempDir logs;
    const std::string arguments = std::string("\"") + UPGRADE_WRAPPER_STEPS + "\" ";
    const ChildRun convert = RunChild(logs, UPGRADE_WRAPPER_CHILD, arguments + "convert \"" + logs.Path() + "\"");
    ASSERT_EQ(convert.exitCode, 0u) << convert.console;
    for (const std::string& line : {std::string("= made 3 items and 3 parts"), std::string("= query i3 i2"),
                                    std::string("= walk i1 i2 i3"), std::string("= updated 3"),
                                    std::string("= backpointers 3")})
        EXPECT_NE(convert.console.find(line), std::string::npos) << line << "\n" << convert.console;
    const std::string log = ReadAll(logs / "wrapper.log");
    EXPECT_NE(log.find("- Setting all attributes <count> of class <Item> to <42>......updated <3> objects!...updated <3> "
                       "objects in  0 seconds!"),
              std::string::npos)
        << log;

    const ChildRun check = RunChild(logs, UPGRADE_WRAPPER_CHILD, arguments + "check \"" + logs.Path() + "\"");
    ASSERT_EQ(check.exitCode, 0u) << check.console;
    for (const std::string& line :
         {"= i1 count 42 flag parts 0", "= i2 count 42 flag parts 0", "= i3 count 42 flag parts 0", "= p1 whole i1",
          "= p2 whole i1", "= p3 whole i2"})
        EXPECT_NE(check.console.find(line), std::string::npos) << line << "\n" << check.console;

    if (GetParam().gateway) {
        EXPECT_EQ(EngineRows(site, "SELECT NAME0V0, COUNT5V0 FROM SHOP.ITEMC1V0 ORDER BY NAME0V0"),
                  (std::vector<std::string>{"i1/42", "i2/42", "i3/42"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, WrapperEndToEnd,
                         ::testing::Values(WrapperStorage{"Native", false}, WrapperStorage{"Gateway", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
