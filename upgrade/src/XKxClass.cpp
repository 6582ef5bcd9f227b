#include "XKxClass.h"

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"

namespace {

const char16_t kUnit[] = u".\\xkxclass";

}  // namespace

XKxClass::XKxClass(XKxDatabase* database, const CString& className, bool persistent)
    : className(className), persistent(persistent), database(database) {
    if (database == nullptr)
        throw XKxException(kUnit, u"XKxClass::XKxClass",
                           FormatText(u"Cannot create a wrapper class for <%s>, because the link to a database is missing!",
                                     className));
    if (!database->IsOpen())
        throw XKxException(kUnit, u"XKxClass::XKxClass",
                           FormatText(u"Cannot access objects of <%s>, because the database is not opened!", className));
    Create(className);
}

XKxClass::XKxClass(XKxDatabase* database) : persistent(true), database(database) {
    if (database == nullptr)
        throw XKxException(kUnit, u"XKxClass::XKxClass",
                           u"Cannot create a null wrapper class, because the link to a database is missing!");
    if (!database->IsOpen())
        throw XKxException(kUnit, u"XKxClass::XKxClass",
                           u"Cannot access any database objects, because the database is not opened!");
    Create(CString());
}

XKxClass::~XKxClass() {
    metaType = nullptr;
    persClass = nullptr;
    nonPersClass = nullptr;
    database = nullptr;
}

void XKxClass::Create(const CString& name) {
    const char16_t* function = u"XKxClass::Create";
    className = name;
    metaType = nullptr;
    persClass = nullptr;
    nonPersClass = nullptr;
    KxBase* base = database->GetBase();
    if (base == nullptr) throw XKxException(kUnit, function, FormatText(u"No KxBase for class <%s>!", name));
    KxClassDict* dictionary = base->GetDictionary();
    if (dictionary == nullptr) throw XKxException(kUnit, function, FormatText(u"No KxClassDict for class <%s>!", name));
    if (name.IsEmpty()) return;

    const KxMetaType* type = nullptr;
    const int32_t status = dictionary->GetMetaType(CStringToKxString(name), type);
    if (status < 0)
        throw XKxException(status, kUnit, function, FormatText(u"Couldn't get KELVOX Meta Type for class <%s>!", name));
    if (type == nullptr)
        throw XKxException(kUnit, function, FormatText(u"KELVOX Meta Type for class <%s> is NULL!", name));
    const KxMetaTypeHandle* handle = type->GetTypeHandle();
    const KxClassId classId = handle != nullptr ? handle->GetClassId() : KxClassId::Invalid();
    const KxMetaTypeHandle* newest = nullptr;
    if (dictionary->GetNewestVersion(classId, newest) < 0 || newest == nullptr)
        throw XKxException(kUnit, function,
                           FormatText(u"GetNewestVersion() returned invalid data for class <%s>!", name));
    if (persistent) {
        persClass = type->AsPersClass();
        if (persClass == nullptr)
            throw XKxException(kUnit, function,
                               FormatText(u"Couldn't cast MetaType to MetaPersClass! for class <%s>!", name));
    } else {
        nonPersClass = type->AsNonPersClass();
        if (nonPersClass == nullptr)
            throw XKxException(kUnit, function,
                               FormatText(u"Couldn't cast MetaType to MetaNonPersClass! for class <%s>!", name));
    }
    metaType = type;
}

int32_t XKxClass::GetClassId() const {
    if (persClass == nullptr) return -1;
    return persClass->GetTypeHandle()->GetClassId().GetClassNumber();
}

KxAllSet* XKxClass::MakeExtent() const {
    if (persClass == nullptr) return nullptr;
    return persClass->MakeExtent(database->GetBase());
}

const KxMetaClass* XKxClass::GetMetaClass() const {
    if (persClass != nullptr) return persClass;
    if (nonPersClass != nullptr) return nonPersClass;
    throw XKxException(kUnit, u"XKxClass::GetMetaClass", FormatText(u"Couldn't get the MetaClass for <%s>!", className));
}

void XKxClass::GetMemberName(CString& name, int32_t index) const {
    const KxMember* member = nullptr;
    const int32_t status = GetMetaClass()->GetMember(member, index, 0);
    if (status < 0 || member == nullptr) {
        CString message;
        message.Format(u"Error getting name of member #%d in class <%s>!", index, className);
        throw XKxException(status < 0 ? status : XKxException::kNoCode, kUnit, u"XKxClass::GetMemberName", message);
    }
    name = KxStringToCString(member->GetName());
}

const KxMember* XKxClass::GetNextMember() {
    const KxMetaClass* meta = GetMetaClass();
    const KxMember* member = nullptr;
    int32_t status = memberCursor == 0 ? meta->GetMember(member, 0, 0) : meta->GetMember(member, 1, 1);
    ++memberCursor;
    if (status == -2005) {
        member = nullptr;
        status = 0;
    }
    if (status < 0) {
        CString message;
        message.Format(u"Error getting member #%d in class <%s>!", memberCursor, className);
        throw XKxException(status, kUnit, u"XKxClass::GetNextMember", message);
    }
    if (member == nullptr) memberCursor = 0;
    return member;
}

void XKxClass::MakeObject(XKxObject& object) {
    const char16_t* function = u"XKxClass::MakeObject";
    try {
        object.SetDatabase(database);
        if (persistent) {
            object.Make(className, true);
        } else if (nonPersClass != nullptr) {
            static int32_t zero = 0;
            uint8_t* instance = nonPersClass->CreateInstance(nullptr, 0, &zero, 0);
            if (instance == nullptr)
                throw XKxException(
                    kUnit, function,
                    FormatText(u"Error in creating a new embedded object for embedded class <%s>!", className));
            object.TakeEmbeddedInstance(instance, nonPersClass);
        }
    } catch (XKxException& error) {
        error.AddLocation(kUnit, function, FormatText(u"Error in creating a new object for class <%s>!", className));
        throw;
    }
}

// ---- XKxClassMap ----

XKxClassMap::~XKxClassMap() {
    for (auto& entry : classes) delete entry.second;
}

bool XKxClassMap::AddClass(XKxClass* wrapper) {
    if (wrapper == nullptr) return false;
    const CString name = wrapper->GetClassName();
    if (name == u"KxObject" || classes.count(name) != 0) return false;
    classes[name] = wrapper;
    return true;
}

void XKxClassMap::AddClassWithBases(XKxClass* wrapper) {
    if (!AddClass(wrapper)) {
        delete wrapper;
        return;
    }
    const KxMetaClass* meta = wrapper->GetMetaClass();
    const KxMetaTypeHandle* inherit = nullptr;
    for (int32_t i = 0; meta->GetInherit(inherit, i, 0) >= 0; ++i) {
        if (inherit == nullptr) continue;
        const KxClassDescriptor* descriptor = inherit->GetClassDesc();
        const KxMetaClass* base = descriptor != nullptr ? descriptor->GetMetaClass() : nullptr;
        if (base == nullptr) continue;
        AddClassWithBases(new XKxClass(database, KxStringToCString(base->GetName()), true));
    }
}

void XKxClassMap::Print() const {
    for (const auto& entry : classes) ::Print(entry.first, 0);
    ::Print(CString(), 0);
}
