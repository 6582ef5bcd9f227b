#include "XKxObject.h"

#include "KxBase.h"
#include "KxBlob.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxDateTime.h"
#include "KxInt64.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "XKxBaseFunctions.h"
#include "XKxClass.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObjectSet.h"

namespace {

const char16_t kUnit[] = u".\\xkxobject";

void ThrowIfFailed(int32_t status, const char16_t* function, const CString& message) {
    if (status < 0) throw XKxException(status, kUnit, function, message);
}

// The characters a bool of a 1-byte member is kept as: the reader takes "1" (49) as true.
constexpr uint16_t kCharTrue = 49;
constexpr uint16_t kCharFalse = 48;

}  // namespace

XKxObject::XKxObject() = default;

XKxObject::XKxObject(XKxDatabase* database) : database(database) {}

XKxObject::~XKxObject() {
    try {
        Forget();
    } catch (...) {
        // A destructor throws nothing: the hold that could not be given back is left to the kernel.
    }
    delete accessor;
    delete reference;
    delete classMap;
    FreeOwnedInstance();
}

void XKxObject::FreeOwnedInstance() {
    if (ownedInstance != nullptr) ownedClass->DeleteInstance(ownedInstance);
    ownedInstance = nullptr;
    ownedClass = nullptr;
}

// ---- objects and references ----

void XKxObject::SetObject(KxObject* other) {
    if (other == object) return;
    Forget();
    object = other;
    if (object != nullptr) {
        object->Remember();
        const KxMetaType* type = object->GetMetaType();
        metaClass = type != nullptr ? type->AsClass() : nullptr;
    } else {
        metaClass = nullptr;
        embeddedMetaClass = nullptr;
    }
}

void XKxObject::Assign(const XKxObject& other) {
    database = other.database;
    SetObject(other.object);
}

void XKxObject::SetEmbedded(void* address, const KxMetaClass* meta) {
    Forget();
    object = nullptr;
    metaClass = nullptr;
    if (address != ownedInstance) FreeOwnedInstance();
    embedded = address;
    embeddedMetaClass = meta;
}

void XKxObject::TakeEmbeddedInstance(uint8_t* instance, const KxMetaNonPersClass* meta) {
    SetEmbedded(instance, meta);
    ownedInstance = instance;
    ownedClass = meta;
}

void XKxObject::SetOnDemand(const KxOnDemand& ref) {
    delete reference;
    reference = nullptr;
    reference = new KxOnDemand(ref);
}

void XKxObject::SetRefFromText(const CString& text) {
    Forget();
    delete reference;
    reference = nullptr;
    KxRef ref;
    ref.ScanFromKxString(CStringToKxString(text));
    reference = new KxOnDemand(ref, database != nullptr ? database->GetBase() : nullptr);
}

CString XKxObject::GetClassName() const {
    if (metaClass != nullptr) return KxStringToCString(metaClass->GetName());
    if (embeddedMetaClass != nullptr) return KxStringToCString(embeddedMetaClass->GetName());
    throw XKxException(kUnit, u"XKxObject::GetClassName",
                       u"Could not get class name of this object, because there is no MetaClass!");
}

const KxMetaClass* XKxObject::GetMetaClass() const {
    if (metaClass != nullptr) return metaClass;
    if (embeddedMetaClass != nullptr) return embeddedMetaClass;
    throw XKxException(kUnit, u"XKxObject::GetMetaClass", u"Couldn't get the MetaClass for this XKxObject!");
}

CString XKxObject::GetKelvoxID() const {
    KxRef ref;
    if (object != nullptr)
        ref = object->GetRef();
    else if (reference != nullptr)
        ref = reference->GetRef();
    KxString text;
    ref.PrintToKxString(text);
    return KxStringToCString(text);
}

void XKxObject::GetNewestVersion() {
    const char16_t* function = u"XKxObject::GetNewestVersion";
    if (database == nullptr)
        throw XKxException(kUnit, function, u"There is no database to which this object belogns to!");
    if (reference == nullptr)
        throw XKxException(kUnit, function, u"No <KxOnDemand> in this XKxObject to get the newest version of!");
    KxRef ref = reference->GetRef();
    const uint16_t number = ref.GetClassId().GetClassNumber();
    ref.SetClassId(KxClassId(number, GetClassVersion(number)));
    delete reference;
    reference = nullptr;
    reference = new KxOnDemand(ref, database->GetBase());
}

uint16_t XKxObject::GetClassVersion(uint16_t classId) const {
    const char16_t* function = u"XKxObject::GetClassVersion";
    if (database == nullptr) throw XKxException(kUnit, function, u"The object doesn't belong to a database!");
    KxClassDict* dictionary = database->GetBase() != nullptr ? database->GetBase()->GetDictionary() : nullptr;
    if (dictionary == nullptr) throw XKxException(kUnit, function, u"<KxClassDict> invalid!");
    const KxMetaTypeHandle* handle = nullptr;
    ThrowIfFailed(dictionary->GetNewestVersion(classId, handle), function, u"<KxClassDict::GetNewestVersion> failed!");
    if (handle == nullptr) throw XKxException(kUnit, function, u"<KxMetaTypeHandle> invalid!");
    const KxClassDescriptor* descriptor = handle->GetClassDesc();
    if (descriptor == nullptr) throw XKxException(kUnit, function, u"<KxMetaType> invalid!");
    return descriptor->GetMetaType()->GetTypeHandle()->GetClassId().GetVersion();
}

void XKxObject::Remember() {
    if (object == nullptr) ErrorNoObject();
    ThrowIfFailed(object->Remember(), u"XKxObject::Remember", u"Error calling <KxObject->Remember()>!");
}

void XKxObject::Forget() {
    if (object == nullptr) return;
    KxObject* held = object;
    object = nullptr;
    metaClass = nullptr;
    embeddedMetaClass = nullptr;
    ThrowIfFailed(held->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT), u"XKxObject::Forget",
                  u"Error calling <KxObject->Forget()>!");
}

void XKxObject::ForgetAll() {
    if (object == nullptr) return;
    KxObject* held = object;
    object = nullptr;
    metaClass = nullptr;
    embeddedMetaClass = nullptr;
    int32_t status = 0;
    do status = held->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    while (status > 0);
    ThrowIfFailed(status, u"XKxObject::ForgetAll", u"Error calling <KxObject->Forget()>!");
}

void XKxObject::Refresh() {
    if (object == nullptr) ErrorNoObject();
    ThrowIfFailed(object->Refresh(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT), u"XKxObject::Refresh",
                  u"Error calling <KxObject->Refresh()>!");
}

void XKxObject::Delete(int32_t depth) {
    if (object == nullptr) return;
    ThrowIfFailed(object->Delete(depth, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT), u"XKxObject::Delete",
                  u"Error calling <KxObject->Delete()>!");
    Forget();
}

void XKxObject::Make(const CString& className, bool store) {
    const char16_t* function = u"XKxObject::Make";
    if (database == nullptr)
        throw XKxException(kUnit, function, u"No link to a XKxDatabase available, so I can't create an object!");
    KxBase* base = database->GetBase();
    if (base == nullptr)
        throw XKxException(kUnit, function, u"The XKxDatabase for this new object contains no usable data!");
    KxObject* made = KxObject::Make(base, CStringToKxString(className));
    try {
        SetObject(made);
        if (store) Store(0);
    } catch (...) {
        // The creation's own hold goes with the failure too.
        if (made != nullptr) made->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
        throw;
    }
    if (made != nullptr)
        ThrowIfFailed(made->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT), function,
                      u"Error calling Forget() after creation via Make()!");
}

void XKxObject::Store(int32_t depth) {
    const char16_t* function = u"XKxObject::Store";
    if (object == nullptr && embedded == nullptr)
        throw XKxException(kUnit, function, u"Could not store the KxObject, because there is no KxObject!");
    if (object == nullptr) return;
    const bool hadRow = (object->GetState() & KX_STATE_HAS_ROW) != 0;
    const int32_t status = object->Store(depth, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    if (status == -2028 && !hadRow) {
        // A new object that the database refused is discarded; a stored one keeps its row.
        try {
            Delete(depth);
        } catch (const XKxException&) {
            // The store's failure is the one reported.
        }
    }
    ThrowIfFailed(status, function, u"Error calling <KxObject->Store()>!");
}

void XKxObject::ErrorNoObject() const {
    throw XKxException(kUnit, u"XKxObject::ErrorNoObject", u"No KxObject in this XKxObject!");
}

int32_t XKxObject::SwitchSetToBackpointer(const CString& setMember, const CString& backMember) {
    if (object == nullptr) ErrorNoObject();
    XKxObjectSet set(database);
    GetMemberSet(setMember, set);
    const int32_t changed = set.SetMemberReference(backMember, *this);
    set.Clear();
    Store(0);
    return changed;
}

// ---- member access ----

void XKxObject::ActivateMemberAccessor(const CString& name) {
    const char16_t* function = u"XKxObject::ActivateMemberAccessor";
    requestedMember = name;
    if (metaClass == nullptr && embeddedMetaClass == nullptr)
        throw XKxException(kUnit, function, u"Could not activate access to an object, because there is no MetaClass!");
    const KxMetaClass* meta = metaClass != nullptr ? metaClass : embeddedMetaClass;
    // Another class's object has the member of that name elsewhere: its own accessor.
    if (accessor == nullptr || name != activeMember || meta != accessorClass) {
        delete accessor;
        accessor = nullptr;
        accessor = new KxMemberAccessor(meta, CStringToKxString(name));
        activeMember = name;
        accessorClass = meta;
        typeId = -1;
    }
    if (accessor == nullptr)
        throw XKxException(kUnit, function,
                           u"Could not activate access to an object, because there is no MemberAccessor!");
    int32_t status = -1;
    if (object != nullptr)
        status = accessor->Of(object);
    else if (embedded != nullptr)
        status = accessor->Of(embedded);
    if (status < 0)
        throw XKxException(object != nullptr || embedded != nullptr ? status : XKxException::kNoCode, kUnit, function,
                           u"Could not activate access to an object, because there is no object to access!");
}

int8_t XKxObject::TypeId() {
    if (typeId == -1) typeId = accessor->GetTypeId();
    return typeId;
}

int32_t XKxObject::Read(const CString& name, int32_t type, void* value) {
    ActivateMemberAccessor(name);
    return accessor->GetValue(type, value);
}

int32_t XKxObject::Write(const CString& name, int32_t type, const void* value) {
    ActivateMemberAccessor(name);
    return accessor->SetValue(type, value);
}

void XKxObject::EndSet(int32_t status, const char16_t* what, const CString& name, bool store) {
    if (status < 0) {
        CString message;
        message.Format(u"Error setting %s for <%s::%s>!", what, GetClassName(), name);
        CString function;
        function.Format(u"XKxObject::Set%s", what);
        throw XKxException(status, kUnit, function, message);
    }
    if (store) Store(0);
}

void XKxObject::GetMemberString(const CString& name, CString& value) {
    KxString text;
    ThrowIfFailed(Read(name, KX_TYPE_STRING, &text), u"XKxObject::GetMemberString", u"Error getting MemberString!");
    value = KxStringToCString(text);
}

void XKxObject::GetMemberBool(const CString& name, bool& value) {
    ActivateMemberAccessor(name);
    int32_t status = 0;
    value = false;
    switch (TypeId()) {
        case KX_TYPE_CHAR: {
            uint16_t character = 0;
            status = accessor->GetValue(KX_TYPE_USHORT, &character);
            value = character == kCharTrue;
            break;
        }
        case KX_TYPE_LONG: {
            int32_t number = 0;
            status = accessor->GetValue(KX_TYPE_LONG, &number);
            value = number != 0;
            break;
        }
        case KX_TYPE_BOOLEAN: {
            KxBoolean flag;
            status = accessor->GetValue(KX_TYPE_BOOLEAN, &flag);
            value = flag.GetByte() == 1;
            break;
        }
        default:
            status = KX_KERNEL_E_TYPE_MISMATCH;
    }
    if (status < 0) value = false;
    ThrowIfFailed(status, u"XKxObject::GetMemberBool", u"Error getting MemberBool!");
}

void XKxObject::GetMemberInt(const CString& name, int32_t& value) {
    ThrowIfFailed(Read(name, KX_TYPE_INT, &value), u"XKxObject::GetMemberInt", u"Error getting MemberInt!");
}

void XKxObject::GetMemberLong(const CString& name, int32_t& value) {
    ThrowIfFailed(Read(name, KX_TYPE_INT, &value), u"XKxObject::GetMemberLong", u"Error getting MemberLong!");
}

void XKxObject::GetMemberULong(const CString& name, uint32_t& value) {
    ThrowIfFailed(Read(name, KX_TYPE_UINT, &value), u"XKxObject::GetMemberULong", u"Error getting MemberULong!");
}

void XKxObject::GetMemberDouble(const CString& name, double& value) {
    ThrowIfFailed(Read(name, KX_TYPE_DOUBLE, &value), u"XKxObject::GetMemberDouble", u"Error getting MemberDouble!");
}

void XKxObject::GetMemberBlob(const CString& name, KxBlob& value) {
    ThrowIfFailed(Read(name, KX_TYPE_BLOB, &value), u"XKxObject::GetMemberBlob", u"Error getting MemberBlob!");
}

void XKxObject::GetMemberDateTime(const CString& name, KxDateTime& value) {
    ThrowIfFailed(Read(name, KX_TYPE_DATETIME, &value), u"XKxObject::GetMemberDateTime",
                  u"Error getting MemberDateTime!");
}

void XKxObject::GetMemberSet(const CString& name, XKxObjectSet& set) {
    set.Init(nullptr);
    ActivateMemberAccessor(name);
    KxObjectSet* kernelSet = nullptr;
    ThrowIfFailed(accessor->Get(kernelSet), u"XKxObject::GetMemberSet", u"Error getting MemberSet!");
    set.Init(kernelSet);
    set.SetDatabase(database);
}

void XKxObject::GetMemberOnDemand(const CString& name, XKxObject& out) {
    ActivateMemberAccessor(name);
    KxOnDemand ref;
    ThrowIfFailed(accessor->Get(ref), u"XKxObject::GetMemberOnDemand",
                  FormatText(u"Error getting MemberOnDemand for member <%s>!", name));
    out.SetOnDemand(ref);
    out.SetDatabase(database);
}

void XKxObject::GetMemberReference(const CString& name, XKxObject& out) {
    try {
        XKxObject ref(database);
        GetMemberOnDemand(name, ref);
        ref.GetReference(out);
    } catch (XKxException& error) {
        error.AddLocation(kUnit, u"XKxObject::GetMemberReference",
                          FormatText(u"Error getting MemberReference for member <%s>!", name));
        throw;
    }
}

void XKxObject::GetMemberEmbeddedObject(const CString& name, const CString& className, XKxObject& out) {
    XKxClass embeddedClass(database, className, false);
    const KxMetaNonPersClass* meta = embeddedClass.GetNonPersClass();
    KxMemberAccessor inner(meta, static_cast<const char*>(nullptr));
    ActivateMemberAccessor(name);
    ThrowIfFailed(accessor->Get(inner), u"XKxObject::GetMemberEmbeddedObject", u"Error getting MemberEbeddedObject!");
    out.SetEmbedded(inner.GetObjectAddress(), meta);
    out.SetDatabase(database);
}

void XKxObject::GetMemberEmbeddedSet(const CString& name, XKxSet& set) {
    ActivateMemberAccessor(name);
    KxSet* kernelSet = nullptr;
    ThrowIfFailed(accessor->Get(kernelSet), u"XKxObject::GetMemberEmbeddedSet", u"Error getting MemberEbeddedObject!");
    if (kernelSet != nullptr) set.SetSet(kernelSet);
}

void XKxObject::GetReference(XKxObject& out) {
    int32_t status = 0;
    KxObject* loaded = nullptr;
    if (reference != nullptr && reference->IsValid()) {
        status = reference->Get(loaded, KX_SPEC_NONE, KX_SPEC_NONE, 1);
        if (status == -2017 || status == -2023) {
            status = 0;
            loaded = nullptr;
        } else if (status == -2041) {
            ::Print(u"   ...the object is locked and could not be referenced!", 0);
            status = 0;
            loaded = nullptr;
        }
    }
    ThrowIfFailed(status, u"XKxObject::GetReference", u"Error getting referenced object from a KxOnDemand object!");
    out.SetObject(loaded);
    out.SetDatabase(database);
    if (loaded != nullptr) loaded->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}

void XKxObject::SetMemberString(const CString& name, const CString& value, bool store) {
    const KxString text = CStringToKxString(value);
    EndSet(Write(name, KX_TYPE_STRING, &text), u"MemberString", name, store);
}

void XKxObject::SetMemberBool(const CString& name, bool value, bool store) {
    ActivateMemberAccessor(name);
    int32_t status = 0;
    switch (TypeId()) {
        case KX_TYPE_CHAR: {
            const uint16_t character = value ? kCharTrue : kCharFalse;
            status = accessor->SetValue(KX_TYPE_USHORT, &character);
            break;
        }
        case KX_TYPE_LONG: {
            const int32_t number = value ? 1 : 0;
            status = accessor->SetValue(KX_TYPE_LONG, &number);
            break;
        }
        case KX_TYPE_BOOLEAN: {
            const KxBoolean flag(value);
            status = accessor->SetValue(KX_TYPE_BOOLEAN, &flag);
            break;
        }
        default:
            status = KX_KERNEL_E_TYPE_MISMATCH;
    }
    EndSet(status, u"MemberBool", name, store);
}

void XKxObject::SetMemberInt(const CString& name, int32_t value, bool store) {
    EndSet(Write(name, KX_TYPE_INT, &value), u"MemberInt", name, store);
}

void XKxObject::SetMemberLong(const CString& name, int32_t value, bool store) {
    EndSet(Write(name, KX_TYPE_INT, &value), u"MemberLong", name, store);
}

void XKxObject::SetMemberULong(const CString& name, uint32_t value, bool store) {
    EndSet(Write(name, KX_TYPE_UINT, &value), u"MemberULong", name, store);
}

void XKxObject::SetMemberDouble(const CString& name, double value, bool store) {
    EndSet(Write(name, KX_TYPE_DOUBLE, &value), u"MemberDouble", name, store);
}

void XKxObject::SetMemberBlob(const CString& name, const KxBlob& value, bool store) {
    EndSet(Write(name, KX_TYPE_BLOB, &value), u"MemberBlob", name, store);
}

void XKxObject::SetMemberDateTime(const CString& name, const KxDateTime& value, bool store) {
    EndSet(Write(name, KX_TYPE_DATETIME, &value), u"MemberDateTime", name, store);
}

void XKxObject::SetMemberReference(const CString& name, XKxObject& target, bool store) {
    SetMemberReference(name, target.object, store);
}

void XKxObject::SetMemberReference(const CString& name, KxObject* target, bool store) {
    ActivateMemberAccessor(name);
    EndSet(accessor->Set(KxOnDemand(target, 1)), u"MemberReference", name, store);
}

void XKxObject::SetMemberReference(const CString& name, bool store) {
    SetMemberReference(name, static_cast<KxObject*>(nullptr), store);
}

void XKxObject::SetMemberReference(const CString& name, const KxOnDemand& ref, bool store) {
    if (database == nullptr)
        throw XKxException(kUnit, u"XKxObject::SetMemberReference", u"This <XKxObject> doesn't belong to a <XKxDatabase>!");
    ActivateMemberAccessor(name);
    int32_t status = accessor->Set(ref);
    if (status == KX_KERNEL_E_TYPE_MISMATCH) {
        XKxObject newest(database);
        newest.SetOnDemand(ref);
        newest.GetNewestVersion();
        ActivateMemberAccessor(name);
        status = accessor->Set(*newest.reference);
    }
    EndSet(status, u"MemberReference", name, store);
}
