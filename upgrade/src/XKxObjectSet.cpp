#include "XKxObjectSet.h"

#include "KxBase.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"

namespace {

const char16_t kSetUnit[] = u".\\xkxobjectset";
const char16_t kRefUnit[] = u".\\xkxobjectref";
const char16_t kEmbeddedUnit[] = u".\\xkxset";

}  // namespace

// ---- XKxObjectSet ----

void XKxObjectSet::Init(KxObjectSet* kernelSet) {
    set = kernelSet;
    cursor = 0;
    count = -1;
    afterDelete = 0;
}

int32_t XKxObjectSet::GetCount() {
    if (count < 0 && set != nullptr) count = set->GetCount(0);
    return count;
}

void XKxObjectSet::ErrorNoObjectSet() const {
    throw XKxException(kSetUnit, u"XKxObjectSet::ErrorNoObjectSet", u"No KxObjectSet in this XKxObjectSet!");
}

bool XKxObjectSet::GetNext(XKxObject& element) {
    const char16_t* function = u"XKxObjectSet::GetNext";
    element.SetObject(nullptr);
    if (set == nullptr) ErrorNoObjectSet();
    KxObject* object = nullptr;
    int32_t status = 0;
    if (cursor == 0) {
        status = set->Get(object, 0, 0, KX_SPEC_NONE, KX_SPEC_NONE);
    } else if (afterDelete != 0) {
        status = set->Get(object, 0, 1, KX_SPEC_NONE, KX_SPEC_NONE);
        afterDelete = 0;
    } else {
        status = set->Get(object, 1, 1, KX_SPEC_NONE, KX_SPEC_NONE);
    }
    ++cursor;
    while (status == -2017 || status == -2023) {
        status = set->Get(object, 1, 1, KX_SPEC_NONE, KX_SPEC_NONE);
        ++cursor;
    }
    if (status == -2005) {
        status = 0;
        object = nullptr;
    }
    CString message;
    if (status < 0) {
        message.Format(u"Error getting next object from ObjectSet, cursor pos: <%d>!", cursor - 1);
        throw XKxException(status, kSetUnit, function, message);
    }
    if (object == nullptr) return false;
    element.SetObject(object);
    element.SetDatabase(database);
    status = set->Unget(object);
    if (status < 0) {
        message.Format(u"Error calling Unget() for Object #%d in ObjectSet!", cursor - 1);
        throw XKxException(status, kSetUnit, function, message);
    }
    return true;
}

void XKxObjectSet::Delete() {
    if (set == nullptr) ErrorNoObjectSet();
    const int32_t status = set->Delete(1);
    afterDelete = 1;
    if (status < 0)
        throw XKxException(status, kSetUnit, u"XKxObjectSet::Delete", u"Error calling <KxObjectSet->Delete()>!");
}

void XKxObjectSet::Clear() {
    if (set == nullptr) ErrorNoObjectSet();
    const int32_t status = set->Clear();
    if (status < 0)
        throw XKxException(status, kSetUnit, u"XKxObjectSet::Clear", u"Error calling <KxObjectSet->Clear()>!");
}

int32_t XKxObjectSet::SetMemberReference(const CString& member, XKxObject& target) {
    int32_t done = 0;
    XKxObject element(database);
    while (GetNext(element)) {
        ShowProgress(done, GetCount());
        ++done;
        element.SetMemberReference(member, target, true);
    }
    return done;
}

bool XKxObjectSet::AllMapped(XKxReferenceMap& map) {
    XKxObject element(database);
    while (GetNext(element))
        if (map.Lookup(element).IsNull()) return false;
    return true;
}

// ---- XKxObjectRef ----

void XKxObjectRef::SetRef(XKxObject& object) {
    KxRef ref;
    if (object.GetObject() != nullptr)
        ref = KxOnDemand(object.GetObject(), 1).GetRef();
    else if (object.GetOnDemand() != nullptr)
        ref = object.GetOnDemand()->GetRef();
    else
        throw XKxException(kRefUnit, u"XKxObjectRef::SetRef",
                           u"The XKxObject contains no kelvox object to set a reference for!");
    objectId = ref.GetObjId();
    classId = ref.GetClassId().GetClassNumber();
    database = object.GetDatabase();
}

void XKxObjectRef::Set(const KxOnDemand& ref, XKxDatabase* db) {
    objectId = ref.GetRef().GetObjId();
    classId = ref.GetRef().GetClassId().GetClassNumber();
    database = db;
}

KxOnDemand XKxObjectRef::GetOnDemand() const {
    if (database == nullptr)
        throw XKxException(kRefUnit, u"XKxObjectRef::GetOnDemand",
                           u"Error transforming an ObjectRef to OnDemand, because there's no reference to a database!");
    return KxOnDemand(KxRef(objectId, KxClassId(classId, 0)), database->GetBase());
}

// ---- XKxReferenceMap ----

void XKxReferenceMap::Add(XKxObject& source, XKxObject& copy) { map[XKxObjectRef(source)] = XKxObjectRef(copy); }

const XKxObjectRef& XKxReferenceMap::Lookup(const XKxObjectRef& key) const {
    static const XKxObjectRef null;
    const auto found = map.find(key);
    return found != map.end() ? found->second : null;
}

const XKxObjectRef& XKxReferenceMap::Lookup(XKxObject& object) const { return Lookup(XKxObjectRef(object)); }

const XKxObjectRef& XKxReferenceMap::Lookup(const KxOnDemand& ref, XKxDatabase* database) const {
    XKxObjectRef key;
    key.Set(ref, database);
    return Lookup(key);
}

// ---- XKxSet ----

XKxSet::XKxSet(XKxDatabase* database, const CString& className) : XKxClass(database, className, false) {}

void XKxSet::SetSet(KxSet* kernelSet) {
    set = kernelSet;
    cursor = 0;
    count = -1;
}

int32_t XKxSet::GetCount() {
    if (count < 0) {
        const int32_t read = set != nullptr ? set->GetCount(0) : 0;
        count = read < 0 ? 0 : read;
    }
    return count;
}

bool XKxSet::GetNext(XKxObject& element) {
    if (set == nullptr || cursor >= GetCount()) return false;
    void* address = set->GetElementAddress(static_cast<uint32_t>(cursor));
    ++cursor;
    if (address == nullptr) return false;
    element.SetEmbedded(address, nonPersClass);
    element.SetDatabase(database);
    return true;
}

int32_t XKxSet::Append(XKxObject& element) {
    const char16_t* function = u"XKxSet::Append";
    try {
        if (set == nullptr) throw XKxException(kEmbeddedUnit, function, u"There is no KxSet in this XKxSet!");
        if (element.GetDatabase() != database || element.GetEmbeddedMetaClass() != nonPersClass)
            throw XKxException(kEmbeddedUnit, function, u"The object and the set should be of the same MetaType!");
        if (element.GetEmbedded() == nullptr)
            throw XKxException(kEmbeddedUnit, function, u"The embedded object to append to an embedded set is NULL!");
        const int32_t status = set->Append(element.GetEmbedded());
        if (status < 0) throw XKxException(status, kEmbeddedUnit, function, u"Error calling <KxSet::Append()>!");
        count = -1;
        return status;
    } catch (XKxException& error) {
        error.AddLocation(kEmbeddedUnit, function, u"Error in appending an embedded object to an embedded set!");
        throw;
    } catch (...) {
        throw XKxException(kEmbeddedUnit, function,
                           u"An unknown exception occured while appending an embedded object to an embedded set!");
    }
}
