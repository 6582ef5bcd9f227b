// Attribute copy: XKxClass copies its class's members by kernel type id, XKxClassMap every class it holds,
// XKxObject every class two objects share; AllReferencesMapped asks a reference map about an object.
#include <cstring>
#include <memory>

#include "KxBase.h"
#include "KxBlob.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxDateTime.h"
#include "KxInt64.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxTypeMgr.h"
#include "XKxBaseFunctions.h"
#include "XKxClass.h"
#include "XKxException.h"
#include "XKxObject.h"
#include "XKxObjectSet.h"

namespace {

const char16_t kUnit[] = u".\\xkxclass";
const char16_t kObjectUnit[] = u".\\xkxobject";

// The status of a load whose object is locked by another client: the object exists.
constexpr int32_t kLocked = -2041;

// The reference to no object, written into a target reference whose source cannot be read.
const KxOnDemand& EmptyReference() {
    static const KxOnDemand empty(static_cast<const KxObject*>(nullptr), 1);
    return empty;
}

// Reads a value of type T from the source member (accessed as type id `as`) and writes it into the
// target member; the write happens also after a failed read (with the default value).
template <class T>
void CopyValue(KxMemberAccessor& target, KxMemberAccessor& source, int32_t as, int32_t& targetStatus,
               int32_t& sourceStatus) {
    T value{};
    sourceStatus = source.GetValue(as, &value);
    if (sourceStatus < 0) value = T{};
    targetStatus = target.SetValue(as, &value);
}

// Binds an accessor to the wrapper's persistent object, else to its embedded object.
void Bind(KxMemberAccessor& accessor, XKxObject& object) {
    if (object.GetObject() != nullptr)
        accessor.Of(object.GetObject());
    else if (object.GetEmbedded() != nullptr)
        accessor.Of(object.GetEmbedded());
}

// Keeps a negative status of a part in the whole's status (the last failing part wins).
void Keep(int32_t& whole, int32_t part) {
    if (part < 0) whole = part;
}

}  // namespace

int32_t XKxClass::CopyAttributes(XKxObject& target, XKxObject& source, XKxErrorMap* targetErrors,
                                 XKxErrorMap* sourceErrors, XKxReferenceMap* references) {
    const char16_t* function = u"XKxClass::CopyAttributes";
    // A walk that an earlier failure left part-way starts again at the first member.
    memberCursor = 0;
    struct Restart {
        int32_t& cursor;
        ~Restart() { cursor = 0; }
    } restart{memberCursor};
    const KxMetaClass* targetClass = target.GetMetaClass();
    const KxMetaClass* sourceClass = source.GetMetaClass();
    int32_t count = 0;
    for (const KxMember* member = GetNextMember(); member != nullptr; member = GetNextMember()) {
        const CString name = KxStringToCString(member->GetName());
        KxMemberAccessor targetAccessor(targetClass, member->GetName());
        KxMemberAccessor sourceAccessor(sourceClass, member->GetName());
        Bind(targetAccessor, target);
        Bind(sourceAccessor, source);
        int32_t targetStatus = 0;
        int32_t sourceStatus = 0;
        count += CopyAttribute(member, targetAccessor, sourceAccessor, targetStatus, sourceStatus, references);
        if (targetStatus < 0) {
            if (targetErrors == nullptr)
                throw XKxException(targetStatus, kUnit, function,
                                   FormatText(u"Couldn't write value of member <%s> to the target object!", name));
            (*targetErrors)[name] = targetStatus;
        }
        if (sourceStatus < 0) {
            if (sourceErrors == nullptr)
                throw XKxException(sourceStatus, kUnit, function,
                                   FormatText(u"Couldn't get value of member <%s> from the source object!", name));
            (*sourceErrors)[name] = sourceStatus;
        }
    }
    return count;
}

int32_t XKxClass::CopyAttribute(const KxMember* member, KxMemberAccessor& target, KxMemberAccessor& source,
                                int32_t& targetStatus, int32_t& sourceStatus, XKxReferenceMap* references) {
    const char16_t* function = u"XKxClass::CopyAttribute";
    targetStatus = 0;
    sourceStatus = 0;
    int32_t count = 1;
    const int32_t targetType = target.GetTypeId();
    const int32_t sourceType = source.GetTypeId();
    const CString name = KxStringToCString(member->GetName());
    if (targetType != sourceType) {
        if (targetType == KX_TYPE_EMBEDDED) return 0;
        throw XKxException(kUnit, function, u"The attributes to copy from source to target object are of different types!");
    }
    switch (sourceType) {
        case KX_TYPE_CHAR: CopyValue<char>(target, source, KX_TYPE_CHAR, targetStatus, sourceStatus); break;
        case KX_TYPE_SHORT: CopyValue<int16_t>(target, source, KX_TYPE_SHORT, targetStatus, sourceStatus); break;
        case KX_TYPE_INT:
        case KX_TYPE_LONG: CopyValue<int32_t>(target, source, KX_TYPE_INT, targetStatus, sourceStatus); break;
        case KX_TYPE_DOUBLE: CopyValue<double>(target, source, KX_TYPE_DOUBLE, targetStatus, sourceStatus); break;
        case KX_TYPE_FLOAT: CopyValue<float>(target, source, KX_TYPE_FLOAT, targetStatus, sourceStatus); break;
        case KX_TYPE_USHORT: CopyValue<uint16_t>(target, source, KX_TYPE_USHORT, targetStatus, sourceStatus); break;
        case KX_TYPE_UINT:
        case KX_TYPE_ULONG: CopyValue<uint32_t>(target, source, KX_TYPE_UINT, targetStatus, sourceStatus); break;
        case KX_TYPE_INT4: {
            // Both members addressed; the 4 bytes copied when both addresses were given.
            void* from = nullptr;
            void* to = nullptr;
            sourceStatus = source.GetAddress(KX_TYPE_INT4, from);
            if (sourceStatus >= 0) {
                targetStatus = target.GetAddress(KX_TYPE_INT4, to);
                if (targetStatus >= 0) std::memcpy(to, from, 4);
            }
            break;
        }
        case KX_TYPE_BYTE: CopyValue<uint8_t>(target, source, KX_TYPE_BYTE, targetStatus, sourceStatus); break;
        case KX_TYPE_STRING: CopyValue<KxString>(target, source, KX_TYPE_STRING, targetStatus, sourceStatus); break;
        case KX_TYPE_DATE: CopyValue<KxDate>(target, source, KX_TYPE_DATE, targetStatus, sourceStatus); break;
        case KX_TYPE_TIME: CopyValue<KxTime>(target, source, KX_TYPE_TIME, targetStatus, sourceStatus); break;
        case KX_TYPE_BLOB: CopyValue<KxBlob>(target, source, KX_TYPE_BLOB, targetStatus, sourceStatus); break;
        case KX_TYPE_DATETIME: CopyValue<KxDateTime>(target, source, KX_TYPE_DATETIME, targetStatus, sourceStatus); break;
        case KX_TYPE_KXINT64: CopyValue<KxInt64>(target, source, KX_TYPE_KXINT64, targetStatus, sourceStatus); break;
        case KX_TYPE_BOOLEAN: CopyValue<KxBoolean>(target, source, KX_TYPE_BOOLEAN, targetStatus, sourceStatus); break;
        case KX_TYPE_EMBEDDED:
            try {
                const KxMetaTypeHandle* embedded = member->GetEmbeddedType();
                const KxClassDescriptor* embeddedClass = embedded != nullptr ? embedded->GetClassDesc() : nullptr;
                const KxMetaTypeHandle* setType = member->GetSetTypeHandle();
                const KxClassDescriptor* setClass = setType != nullptr ? setType->GetClassDesc() : nullptr;
                if (embeddedClass != nullptr) {
                    void* to = nullptr;
                    void* from = nullptr;
                    if (target.GetAddress(KX_TYPE_EMBEDDED, to) < 0 || source.GetAddress(KX_TYPE_EMBEDDED, from) < 0)
                        throw XKxException(kUnit, function,
                                           u"Couldn't get the embedded object of the source or the target object for "
                                           u"copying the attributes!");
                    count += CopyEmbedded(embeddedClass->GetMetaClass(), to, from, targetStatus, sourceStatus,
                                          references);
                } else if (member->GetReferenceType() != nullptr) {
                    CopyOnDemand(target, source, targetStatus, sourceStatus, references);
                } else if (setClass != nullptr && setClass->GetMetaType()->GetKind() == KX_META_OBJECT_SET) {
                    count += CopyOnDemandSet(target, source, targetStatus, sourceStatus, references);
                } else if (setClass != nullptr && (setClass->GetMetaType()->GetKind() == KX_META_TYPE_SET ||
                                                   setClass->GetMetaType()->GetKind() == KX_META_CLASS_SET)) {
                    count += CopyTypeSet(target, source);
                } else {
                    throw XKxException(
                        kUnit, function,
                        FormatText(u"The attribute <%s> points to an unknown type and therefore can't be copied!", name));
                }
            } catch (XKxException& error) {
                error.AddLocation(
                    kUnit, function,
                    FormatText(u"The attribute <%s> contains some reference to other objects which can't be copied!", name));
                throw;
            }
            break;
        default: {
            // Type 14 and every type the copy does not know: neither object is touched.
            CString message;
            message.Format(u"Copying the attribute <%s> of type <%d> is not supported!", name, sourceType);
            ::Print(message, 0);
            break;
        }
    }
    return count;
}

int32_t XKxClass::CopyEmbedded(const KxMetaClass* meta, void* targetAddress, void* sourceAddress,
                               int32_t& targetStatus, int32_t& sourceStatus, XKxReferenceMap* references) {
    int32_t count = 0;
    const KxMember* member = nullptr;
    for (int32_t i = 0; meta->GetMember(member, i, 0) >= 0 && member != nullptr; ++i) {
        KxMemberAccessor target(meta, member->GetName());
        KxMemberAccessor source(meta, member->GetName());
        target.Of(targetAddress);
        source.Of(sourceAddress);
        int32_t memberTarget = 0;
        int32_t memberSource = 0;
        count += CopyAttribute(member, target, source, memberTarget, memberSource, references);
        Keep(targetStatus, memberTarget);
        Keep(sourceStatus, memberSource);
    }
    return count;
}

void XKxClass::CopyOnDemand(KxMemberAccessor& target, KxMemberAccessor& source, int32_t& targetStatus,
                            int32_t& sourceStatus, XKxReferenceMap* references) {
    KxOnDemand reference;
    sourceStatus = source.Get(reference);
    if (sourceStatus < 0) {
        sourceStatus = 0;
        targetStatus = target.Set(EmptyReference());
        return;
    }
    // The referenced object is loaded only to see that it exists; the load's hold goes back at once.
    KxObject* loaded = nullptr;
    const int32_t status = reference.IsValid() ? reference.Get(loaded, KX_SPEC_NONE, KX_SPEC_NONE, 1)
                                               : KX_KERNEL_E_OBJ_NOT_FOUND;
    reference.Unget(loaded);
    if (status == KX_KERNEL_E_OBJ_NOT_FOUND || status == KX_KERNEL_E_WRONG_CLASS) {
        // No object or a dangling reference: the copy gets the empty reference.
        targetStatus = target.Set(EmptyReference());
        return;
    }
    if (status < 0 && status != kLocked) {
        // The object could not be read (a locked one exists): the source's failure; nothing written.
        sourceStatus = status;
        return;
    }
    KxOnDemand write = reference;
    XKxDatabase* targetDatabase = database;
    if (references != nullptr) {
        const XKxObjectRef& mapped = references->Lookup(reference, database);
        if (mapped.IsNull()) {
            ::Print(u"Mapped reference of an OnDemand object not found!", 0);
            targetStatus = target.Set(EmptyReference());
            return;
        }
        write = mapped.GetOnDemand();
        targetDatabase = mapped.GetDatabase();
    }
    targetStatus = target.Set(write);
    if (targetStatus == KX_KERNEL_E_TYPE_MISMATCH) {
        // A reference to an older version of its class: written as one to the newest.
        XKxObject newest(targetDatabase);
        newest.SetOnDemand(write);
        newest.GetNewestVersion();
        if (newest.GetOnDemand() != nullptr) targetStatus = target.Set(*newest.GetOnDemand());
    }
}

int32_t XKxClass::CopyOnDemandSet(KxMemberAccessor& target, KxMemberAccessor& source, int32_t& targetStatus,
                                  int32_t& sourceStatus, XKxReferenceMap* references) {
    KxObjectSet* sourceSet = nullptr;
    sourceStatus = source.Get(sourceSet);
    if (sourceStatus < 0 || sourceSet == nullptr) return 0;
    const int32_t elements = sourceSet->GetCount(0);
    if (elements <= 0) return 0;
    KxObjectSet* targetSet = nullptr;
    targetStatus = target.Get(targetSet);
    if (targetStatus < 0 || targetSet == nullptr) return 0;
    XKxObjectSet walk(database);
    walk.Init(sourceSet);
    XKxObject element(database);
    int32_t count = 0;
    // The elements there were at the start: a set copied into itself does not grow while it is walked.
    for (int32_t seen = 0; seen < elements && walk.GetNext(element); ++seen) {
        XKxObjectRef reference;
        if (references != nullptr) {
            reference = references->Lookup(element);
            if (reference.IsNull()) {
                ::Print(u"Mapped reference of an OnDemand object within an OnDemandSet not found!", 0);
                continue;
            }
        } else {
            reference.SetRef(element);
        }
        // A failing append does not stop the walk; the last failure is the target's status.
        Keep(targetStatus, targetSet->Append(reference.GetOnDemand()));
        ++count;
    }
    return count;
}

int32_t XKxClass::CopyTypeSet(KxMemberAccessor& target, KxMemberAccessor& source) {
    const char16_t* function = u"XKxClass::CopyTypeSet";
    KxSet* sourceSet = nullptr;
    int32_t status = source.Get(sourceSet);
    if (status < 0) throw XKxException(status, kUnit, function, u"Error getting KxSet from source object for copying!");
    // Read once: a set copied into itself ends with its elements doubled.
    const int32_t elements = sourceSet != nullptr ? sourceSet->GetCount(0) : 0;
    if (elements <= 0) return 0;
    KxSet* targetSet = nullptr;
    status = target.Get(targetSet);
    if (status < 0) throw XKxException(status, kUnit, function, u"Error getting KxSet from target object for copying!");
    int32_t appended = 0;
    for (int32_t i = 0; i < elements; ++i) {
        status = targetSet->Append(sourceSet->GetElementAddress(static_cast<uint32_t>(i)));
        if (status < 0)
            throw XKxException(status, kUnit, function,
                               u"Error adding an element to a KxSet of the target object for copying!");
        ++appended;
    }
    return appended;
}

// ---- XKxClassMap ----

void XKxClassMap::AddCommonClasses(const XKxClassMap& a, const XKxClassMap& b) {
    for (const auto& entry : a.GetClasses()) {
        if (b.GetClasses().count(entry.first) == 0) continue;
        auto* wrapper = new XKxClass(database, entry.first, true);
        if (!AddClass(wrapper)) delete wrapper;
    }
}

int32_t XKxClassMap::CopyAttributes(XKxObject& target, XKxObject& source, XKxErrorMap* targetErrors,
                                    XKxErrorMap* sourceErrors) {
    int32_t count = 0;
    for (auto& entry : classes) count += entry.second->CopyAttributes(target, source, targetErrors, sourceErrors, nullptr);
    return count;
}

// ---- XKxObject ----

int32_t XKxObject::CopyAttributes(XKxObject& source, XKxErrorMap* targetErrors, XKxErrorMap* sourceErrors) {
    if (database == nullptr) database = source.database;
    // Checked before a new object is made: bad input changes nothing.
    if (database != source.database)
        throw XKxException(kObjectUnit, u"XKxObject::CopyAttributes",
                           u"Can't copy a database object from one database to an other!");
    if (object == nullptr) Make(source.GetClassName(), true);
    const CString targetName = GetClassName();
    const CString sourceName = source.GetClassName();
    if (classMap == nullptr || targetClassName != targetName || sourceClassName != sourceName) {
        // The classes both inheritance trees share; the temporary maps delete the wrappers they took.
        XKxClassMap targetTree(database);
        XKxClassMap sourceTree(database);
        targetTree.AddClassWithBases(new XKxClass(database, targetName, true));
        sourceTree.AddClassWithBases(new XKxClass(database, sourceName, true));
        auto common = std::make_unique<XKxClassMap>(database);
        common->AddCommonClasses(targetTree, sourceTree);
        delete classMap;
        classMap = common.release();
        targetClassName = targetName;
        sourceClassName = sourceName;
    }
    return classMap->CopyAttributes(*this, source, targetErrors, sourceErrors);
}

bool XKxObject::AllReferencesMapped(XKxReferenceMap& map) {
    // The class and each of its persistent base classes: the kernel walks a class's own members.
    XKxClassMap tree(database);
    tree.AddClassWithBases(new XKxClass(database, GetClassName(), true));
    for (const auto& entry : tree.GetClasses()) {
        XKxClass& cls = *entry.second;
        for (const KxMember* member = cls.GetNextMember(); member != nullptr; member = cls.GetNextMember()) {
            const CString name = KxStringToCString(member->GetName());
            if (member->GetReferenceType() != nullptr) {
                XKxObject reference(database);
                GetMemberOnDemand(name, reference);
                const KxOnDemand* held = reference.GetOnDemand();
                if (held != nullptr && held->IsValid() && map.Lookup(*held, database).IsNull()) return false;
                continue;
            }
            const KxMetaTypeHandle* setType = member->GetSetTypeHandle();
            const KxClassDescriptor* setClass = setType != nullptr ? setType->GetClassDesc() : nullptr;
            if (setClass == nullptr || setClass->GetMetaType()->GetKind() != KX_META_OBJECT_SET) continue;
            KxMemberAccessor accessor(GetMetaClass(), member->GetName());
            if (object != nullptr)
                accessor.Of(object);
            else if (embedded != nullptr)
                accessor.Of(embedded);
            KxObjectSet* set = nullptr;
            if (accessor.Get(set) < 0 || set == nullptr || set->GetCount(0) <= 0) continue;
            XKxObjectSet elements(database);
            elements.Init(set);
            if (!elements.AllMapped(map)) return false;
        }
    }
    return true;
}
