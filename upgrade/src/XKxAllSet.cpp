#include "XKxAllSet.h"

#include "KxClient.h"
#include "KxObject.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"

namespace {

const char16_t kUnit[] = u".\\xkxallset";

}  // namespace

XKxAllSet::XKxAllSet(XKxDatabase* database, const CString& className, bool persistent)
    : XKxClass(database, className, persistent) {
    Create();
}

XKxAllSet::XKxAllSet(XKxDatabase* database) : XKxClass(database) { Create(); }

XKxAllSet::~XKxAllSet() {
    try {
        delete allSet;
    } catch (...) {
    }
    allSet = nullptr;
}

void XKxAllSet::Create() {
    const char16_t* function = u"XKxAllSet::Create";
    if (allSet != nullptr) {
        try {
            delete allSet;
        } catch (...) {
            allSet = nullptr;
            XKxException error(kUnit, function, u"Unknow exception from destructor call for KxAllSet");
            error.AddLocation(kUnit, function, u"Error deleting a KxAllSet before creating a new one!");
            throw error;
        }
    }
    allSet = nullptr;
    try {
        if (!className.IsEmpty()) {
            allSet = MakeExtent();
            if (allSet == nullptr) {
                CString message;
                message.Format(u"Error calling <MakeExtent()> for class <%s>!", className);
                throw XKxException(kUnit, function, message);
            }
        }
    } catch (XKxException& error) {
        CString message;
        message.Format(u"Couldn't create KxAllSet for class <%s>!", className);
        error.AddLocation(kUnit, function, message);
        throw;
    }
    cursor = 0;
    count = -1;
}

int32_t XKxAllSet::GetCount() {
    if (count < 0 && allSet != nullptr) count = allSet->GetCount(0);
    return count;
}

template <typename Set>
bool XKxAllSet::Step(Set* set, XKxObject& object, const char16_t* function, const char16_t* unit,
                     const char16_t* noSetText, const char16_t* getText, const char16_t* ungetText) {
    object.SetObject(nullptr);
    CString message;
    if (set == nullptr) {
        message.Format(noSetText, className);
        throw XKxException(unit, function, message);
    }
    KxObject* element = nullptr;
    int32_t status = cursor == 0 ? set->Get(element, 0, 0, KX_SPEC_NONE, KX_SPEC_NONE)
                                 : set->Get(element, 1, 1, KX_SPEC_NONE, KX_SPEC_NONE);
    ++cursor;
    while (status == -2017 || status == -2023) {
        status = set->Get(element, 1, 1, KX_SPEC_NONE, KX_SPEC_NONE);
        ++cursor;
    }
    if (status == -2005) {
        status = 0;
        cursor = 0;
        element = nullptr;
    }
    if (status < 0) {
        message.Format(getText, className, cursor - 1);
        throw XKxException(status, unit, function, message);
    }
    if (element == nullptr) return false;
    object.SetObject(element);
    object.SetDatabase(database);
    status = set->Unget(element);
    if (status < 0) {
        message.Format(ungetText, cursor - 1, className);
        throw XKxException(status, unit, function, message);
    }
    return true;
}

template bool XKxAllSet::Step<KxOnDemandSet>(KxOnDemandSet*, XKxObject&, const char16_t*, const char16_t*,
                                             const char16_t*, const char16_t*, const char16_t*);

bool XKxAllSet::GetNext(XKxObject& object) {
    const char16_t* function = u"XKxAllSet::GetNext";
    try {
        return Step(allSet, object, function, kUnit, u"<m_pAllSet> for Class <%s> is <NULL>!",
                    u"Error getting next object from class <%s>, cursor pos: <%d>!",
                    u"Error calling Unget() for Object #%d in class <%s>!");
    } catch (XKxException& error) {
        error.AddLocation(kUnit, function, u"Error getting next object of an AllSet!");
        throw;
    } catch (...) {
        CString message;
        message.Format(u"An unknown exception occured while trying to get the element #%d of an AllSet with <%d> elements!",
                       cursor, count);
        throw XKxException(kUnit, function, message);
    }
}

void XKxAllSet::Query(KxQuery* query, KxOnDemandSet* results) {
    const char16_t* function = u"XKxAllSet::Query";
    if (allSet == nullptr) throw XKxException(kUnit, function, CString());
    const int32_t status = allSet->Query(query, results, 0, 0, 0);
    if (status < 0) {
        CString message;
        message.Format(u"Error getting query results for <%s>!", className);
        throw XKxException(status, kUnit, function, message);
    }
}

int32_t XKxAllSet::SwitchSetToBackpointer(const CString& setMember, const CString& backMember) {
    const int32_t total = GetCount();
    ShowProgress(0, total);
    int32_t changed = 0;
    int32_t objects = 0;
    XKxObject object(database);
    while (GetNext(object)) {
        changed += object.SwitchSetToBackpointer(setMember, backMember);
        ++objects;
        ShowProgress(objects, total);
    }
    ShowProgress(total, total);
    CString noun;
    noun.Format(u"backpointers to <%d> source objects", objects);
    ReportCount(u"set", changed, noun, false);
    return changed;
}

namespace {

// The walk of the bulk setters: every object of the set gets `set` called on it; the statistics line
// at the end; a failure names the object and the value.
template <typename Setter>
int32_t SetInAll(XKxAllSet& all, const char16_t* function, const CString& member, const CString& valueText,
                 const char16_t* failure, Setter set) {
    const int32_t total = all.GetCount();
    int32_t index = 0;
    try {
        XKxObject object(all.GetDatabase());
        while (all.GetNext(object)) {
            ShowProgress(index, total);
            ++index;
            set(object);
        }
        ReportCount(u"updated", index, u"objects", false);
        return index;
    } catch (XKxException& error) {
        CString message;
        message.Format(failure, member, index, total, valueText);
        error.AddLocation(kUnit, function, message);
        throw;
    }
}

}  // namespace

int32_t XKxAllSet::SetAttributeBoolean(const CString& member, bool value) {
    return SetInAll(*this, u"XKxAllSet::SetAttributeBoolean", member, value ? u"true" : u"false",
                    u"Setting attribute <%s> of object #%d of %d objects to <%s> failed!",
                    [&](XKxObject& object) { object.SetMemberBool(member, value, true); });
}

int32_t XKxAllSet::SetAttributeInt(const CString& member, const int32_t& value) {
    CString text;
    text.Format(u"%d", value);
    return SetInAll(*this, u"XKxAllSet::SetAttributeInt", member, text,
                    u"Setting attribute <%s> of object #%d of %d objects to <%s> failed!",
                    [&](XKxObject& object) { object.SetMemberInt(member, value, true); });
}
