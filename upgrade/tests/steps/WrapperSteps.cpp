// A test step library of the upgrade: the conversion an upgrade function does through the
// object-access wrappers, and the check of its result, each run on the set's database "database":
//   RunWrapperSteps("convert"): empties Item and Part, makes three items and three parts (two parts
//       in the set of i1, one in that of i2), queries, walks the extent, sets the count of every item
//       to 42 and switches the parts sets to back-pointers;
//   RunWrapperSteps("check"): reads every object back.
// Each outcome is printed as one line "= <what>"; the answer is 0 after success, 1 after a failure.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "KxObject.h"
#include "StepsSupport.h"
#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"
#include "XKxObjectSet.h"
#include "XProgressOutput.h"

namespace {

using steps::Report;
using steps::Utf8;
using steps::Empty;

std::string Name(XKxObject& object) {
    CString name;
    object.GetMemberString(u"name", name);
    return Utf8(name);
}

void Convert(XKxDatabase* db) {
    Empty(db, u"Item");
    Empty(db, u"Part");
    XKxObject items[3] = {XKxObject(db), XKxObject(db), XKxObject(db)};
    XKxClass itemClass(db, u"Item", true);
    XKxClass partClass(db, u"Part", true);
    for (int i = 0; i < 3; ++i) {
        CString name;
        name.Format(u"i%d", i + 1);
        itemClass.MakeObject(items[i]);
        items[i].SetMemberString(u"name", name, false);
        items[i].SetMemberInt(u"count", i + 1, false);
        items[i].SetMemberBool(u"flag", true, false);
        items[i].SetMemberDouble(u"weight", 1.5 * (i + 1), true);
    }
    for (int p = 0; p < 3; ++p) {
        CString name;
        name.Format(u"p%d", p + 1);
        XKxObject part(db);
        partClass.MakeObject(part);
        part.SetMemberString(u"name", name, false);
        part.SetMemberInt(u"count", 10 * (p + 1), true);
        XKxObjectSet parts(db);
        items[p < 2 ? 0 : 1].GetMemberSet(u"parts", parts);
        parts.GetSet()->Append(part.GetObject());
    }
    for (XKxObject& item : items) item.Store(0);
    Report("made 3 items and 3 parts");

    XKxQuery query(db, u"Item", true);
    query.SetSearchCondition(u"count", 2, 5);
    query.SetBoolOperator(1);
    query.SetCondition(u"count", int32_t(3), 3);
    query.SortBy(u"name", 1);
    query.Execute();
    std::string found;
    XKxObject object(db);
    while (query.GetNext(object)) found += " " + Name(object);
    Report("query" + found);

    XKxAllSet all(db, u"Item", true);
    std::vector<std::string> walked;
    while (all.GetNext(object)) walked.push_back(Name(object));
    std::sort(walked.begin(), walked.end());
    std::string names;
    for (const std::string& n : walked) names += " " + n;
    Report("walk" + names);

    Report("updated " + std::to_string(db->SetAttributeInt(u"Item", u"count", 42)));
    Report("backpointers " + std::to_string(db->SwitchToBackpointer(u"Item", u"parts", u"whole")));
}

void Check(XKxDatabase* db) {
    XKxAllSet items(db, u"Item", true);
    XKxObject object(db);
    std::vector<std::string> seen;
    while (items.GetNext(object)) {
        int32_t count = 0;
        bool flag = false;
        object.GetMemberInt(u"count", count);
        object.GetMemberBool(u"flag", flag);
        XKxObjectSet parts(db);
        object.GetMemberSet(u"parts", parts);
        seen.push_back(Name(object) + " count " + std::to_string(count) + (flag ? " flag" : " noflag") + " parts " +
                       std::to_string(parts.GetCount()));
    }
    XKxAllSet parts(db, u"Part", true);
    XKxObject whole(db);
    while (parts.GetNext(object)) {
        object.GetMemberReference(u"whole", whole);
        seen.push_back(Name(object) + " whole " + (whole.GetObject() != nullptr ? Name(whole) : "-"));
    }
    std::sort(seen.begin(), seen.end());
    for (const std::string& line : seen) Report(line);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int RunWrapperSteps(const char* mode) {
    return steps::RunSteps(mode, [](XKxDatabase* db, const std::string& step) {
        if (step == "convert")
            Convert(db);
        else
            Check(db);
    });
}
