// A test step library of the upgrade: the conversion of customers to a new class version through the
// attribute copy, run on the set's database "database" by the child program of the wrapper steps:
//   RunWrapperSteps("fill"): empties the classes, makes two companies, four orders and three customers
//       of CustomerV1;
//   RunWrapperSteps("convert"): copies every company (the copy marked as generation 2) and records it
//       in a reference map, maps every order to itself, and converts every CustomerV1 into a new
//       CustomerV2: the classes both share through XKxObject::CopyAttributes, the members of
//       CustomerV1 through XKxClass::CopyAttributes with the reference map;
//   RunWrapperSteps("check"): compares every CustomerV2 member by member with the CustomerV1 of its
//       name.
// Each outcome is printed as one line "= <what>"; the answer is 0 after success, 1 after a failure.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "KxClient.h"
#include "KxObject.h"
#include "StepsSupport.h"
#include "XKxAllSet.h"
#include "XKxClass.h"
#include "XKxDatabase.h"
#include "XKxObject.h"
#include "XKxObjectSet.h"

namespace {

using steps::Report;
using steps::Utf8;

std::string Text(XKxObject& object, const CString& member) {
    CString value;
    object.GetMemberString(member, value);
    return Utf8(value);
}

int32_t Int(XKxObject& object, const CString& member) {
    int32_t value = 0;
    object.GetMemberInt(member, value);
    return value;
}

void Fill(XKxDatabase* db) {
    for (const char16_t* cls : {u"CustomerV1", u"CustomerV2", u"Company", u"Order"}) steps::Empty(db, cls);
    XKxObject companies[2] = {XKxObject(db), XKxObject(db)};
    for (int c = 0; c < 2; ++c) {
        companies[c].Make(u"Company", false);
        companies[c].SetMemberString(u"name", c == 0 ? u"acme" : u"globex", false);
        companies[c].SetMemberInt(u"generation", 1, true);
    }
    XKxObject orders[4] = {XKxObject(db), XKxObject(db), XKxObject(db), XKxObject(db)};
    for (int o = 0; o < 4; ++o) {
        orders[o].Make(u"Order", false);
        orders[o].SetMemberInt(u"number", 100 + o, true);
    }
    struct Customer {
        const char16_t* name;
        int company;
        std::vector<int> orders;
        std::vector<int32_t> numbers;
    };
    const Customer customers[] = {{u"ann", 0, {0, 1}, {10, 20}}, {u"bob", 1, {2}, {30}}, {u"cid", 0, {3}, {}}};
    XKxClass address(db, u"Address", false);
    for (const Customer& c : customers) {
        XKxObject customer(db);
        customer.Make(u"CustomerV1", false);
        customer.SetMemberString(u"name", c.name, false);
        customer.SetMemberReference(u"boss", companies[1 - c.company], false);
        customer.SetMemberReference(u"company", companies[c.company], false);
        XKxObject home(db);
        customer.GetMemberEmbeddedObject(u"address", u"Address", home);
        home.SetMemberString(u"street", CString(u"Street of ") + c.name, false);
        home.SetMemberInt(u"zip", 1000 + int32_t(c.orders.size()), false);
        XKxObjectSet set(db);
        customer.GetMemberSet(u"orders", set);
        for (int o : c.orders) set.GetSet()->Append(orders[o].GetObject());
        XKxSet places(db, u"Address");
        customer.GetMemberEmbeddedSet(u"places", places);
        XKxObject place;
        address.MakeObject(place);
        place.SetMemberString(u"street", u"Harbour", false);
        places.Append(place);
        KxMemberAccessor numbers(customer.GetMetaClass(), "numbers");
        numbers.Of(customer.GetObject());
        KxSet* values = nullptr;
        numbers.Get(values);
        for (int32_t n : c.numbers) values->Append(&n);
        customer.Store(0);
    }
    Report("filled 2 companies, 4 orders, 3 customers");
}

void Convert(XKxDatabase* db) {
    XKxReferenceMap map;
    std::vector<XKxObject*> originals;
    {
        XKxAllSet companies(db, u"Company", true);
        XKxObject company(db);
        while (companies.GetNext(company)) {
            auto* held = new XKxObject(db);
            held->Assign(company);
            originals.push_back(held);
        }
    }
    for (XKxObject* company : originals) {
        XKxObject copy(db);
        copy.CopyAttributes(*company, nullptr, nullptr);
        copy.SetMemberInt(u"generation", 2, true);
        map.Add(*company, copy);
        delete company;
    }
    XKxAllSet orders(db, u"Order", true);
    XKxObject order(db);
    while (orders.GetNext(order)) map.Add(order, order);
    Report("mapped " + std::to_string(map.GetCount()) + " references");

    XKxAllSet customers(db, u"CustomerV1", true);
    XKxClass v1(db, u"CustomerV1", true);
    XKxObject customer(db);
    int32_t converted = 0, attributes = 0, unmapped = 0;
    XKxErrorMap targetErrors, sourceErrors;
    while (customers.GetNext(customer)) {
        // boss (declared in Person) points at an original company that the map knows too.
        if (!customer.AllReferencesMapped(map)) ++unmapped;
        XKxObject copy(db);
        copy.Make(u"CustomerV2", true);
        attributes += copy.CopyAttributes(customer, &targetErrors, &sourceErrors);
        attributes += v1.CopyAttributes(copy, customer, &targetErrors, &sourceErrors, &map);
        copy.Store(0);
        ++converted;
    }
    Report("converted " + std::to_string(converted) + " customers, " + std::to_string(attributes) +
           " attributes, unmapped " + std::to_string(unmapped) + ", errors " +
           std::to_string(targetErrors.size() + sourceErrors.size()));
}

// The name of the company a reference member points at, with its generation; "-" for none.
std::string CompanyOf(XKxDatabase* db, XKxObject& object, const CString& member) {
    XKxObject company(db);
    object.GetMemberReference(member, company);
    if (company.GetObject() == nullptr) return "-";
    return Text(company, u"name") + "/" + std::to_string(Int(company, u"generation"));
}

std::vector<int32_t> OrderNumbers(XKxDatabase* db, XKxObject& customer) {
    std::vector<int32_t> numbers;
    XKxObjectSet set(db);
    customer.GetMemberSet(u"orders", set);
    XKxObject order(db);
    while (set.GetNext(order)) numbers.push_back(Int(order, u"number"));
    return numbers;
}

std::vector<int32_t> Numbers(XKxObject& customer) {
    KxMemberAccessor numbers(customer.GetMetaClass(), "numbers");
    numbers.Of(customer.GetObject());
    KxSet* values = nullptr;
    numbers.Get(values);
    std::vector<int32_t> result;
    for (uint32_t i = 0; values != nullptr && i < uint32_t(values->GetCount(0)); ++i)
        result.push_back(*static_cast<int32_t*>(values->GetElementAddress(i)));
    return result;
}

// Every member of a customer as text, the company with the generation it points at.
std::map<std::string, std::string> Members(XKxDatabase* db, XKxObject& customer) {
    std::map<std::string, std::string> members;
    members["name"] = Text(customer, u"name");
    members["boss"] = CompanyOf(db, customer, u"boss");
    members["company"] = CompanyOf(db, customer, u"company");
    XKxObject home(db);
    customer.GetMemberEmbeddedObject(u"address", u"Address", home);
    members["address"] = Text(home, u"street") + "/" + std::to_string(Int(home, u"zip"));
    for (int32_t n : OrderNumbers(db, customer)) members["orders"] += " " + std::to_string(n);
    for (int32_t n : Numbers(customer)) members["numbers"] += " " + std::to_string(n);
    XKxSet places(db, u"Address");
    customer.GetMemberEmbeddedSet(u"places", places);
    XKxObject place;
    while (places.GetNext(place)) members["places"] += " " + Text(place, u"street");
    return members;
}

void Check(XKxDatabase* db) {
    std::map<std::string, std::map<std::string, std::string>> sources;
    XKxObject object(db);
    XKxAllSet v1(db, u"CustomerV1", true);
    while (v1.GetNext(object)) sources[Text(object, u"name")] = Members(db, object);
    XKxAllSet v2(db, u"CustomerV2", true);
    while (v2.GetNext(object)) {
        std::map<std::string, std::string> copy = Members(db, object);
        std::map<std::string, std::string>& source = sources[copy["name"]];
        std::string differences;
        for (const auto& [member, value] : copy) {
            std::string expected = source[member];
            // The copy points at the copied company: same name, generation 2.
            if (member == "company" && expected.size() > 2) expected.replace(expected.size() - 1, 1, "2");
            if (value != expected) differences += " " + member + "=" + value + "<>" + expected;
        }
        Report(copy["name"] + (differences.empty() ? " same" : " differs:" + differences) + " company " +
               copy["company"]);
    }
    XKxAllSet companies(db, u"Company", true);
    Report("companies " + std::to_string(companies.GetCount()));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int RunWrapperSteps(const char* mode) {
    return steps::RunSteps(mode, [](XKxDatabase* db, const std::string& step) {
        if (step == "fill")
            Fill(db);
        else if (step == "convert")
            Convert(db);
        else
            Check(db);
    });
}
