// KxMemberAccessor: a member of a class by name, bound to an object or an instance.
#include <cstring>

#include "KxClassDict.h"
#include "KxClient.h"
#include "KxClientCalls.h"
#include "KxHooks.h"
#include "KxMetaType.h"
#include "KxTypeMgr.h"
#include "KxValueOps.h"

namespace {

// The type id of the pair a requested type id shares its values with (itself when none).
int32_t Twin(int32_t typeId)
{
    switch (typeId) {
    case KX_TYPE_INT: return KX_TYPE_LONG;
    case KX_TYPE_LONG: return KX_TYPE_INT;
    case KX_TYPE_UINT: return KX_TYPE_ULONG;
    case KX_TYPE_ULONG: return KX_TYPE_UINT;
    case KX_TYPE_SHORT: return KX_TYPE_USHORT;
    case KX_TYPE_USHORT: return KX_TYPE_SHORT;
    default: return typeId;
    }
}

// The member of cls that is m of another version or base view: same name, same declaring class number.
const KxMember* Counterpart(const KxMetaClass& cls, const KxMember& m)
{
    const uint16_t declaring = m.GetDeclaringClass() != nullptr ? m.GetDeclaringClass()->GetClassNumber() : 0;
    for (const KxMember* own : cls.GetAllMembers()) {
        const uint16_t d = own->GetDeclaringClass() != nullptr ? own->GetDeclaringClass()->GetClassNumber() : 0;
        if (d == declaring && own->GetName() == m.GetName()) {
            return own;
        }
    }
    return nullptr;
}

bool IsKind(const KxMetaClass& cls, uint16_t classNumber)
{
    if (cls.GetClassNumber() == classNumber) {
        return true;
    }
    for (const KxMetaClass* b : cls.GetAllBases()) {
        if (b->GetClassNumber() == classNumber) {
            return true;
        }
    }
    return false;
}

}  // namespace

KxMemberAccessor::KxMemberAccessor(const KxMetaClass* metaClass, const KxString& name) : class_(metaClass)
{
    member_ = metaClass != nullptr && !name.IsEmpty() ? metaClass->FindMember(name) : nullptr;
}

KxMemberAccessor::KxMemberAccessor(const KxMetaClass* metaClass, const char* name)
    : KxMemberAccessor(metaClass, name != nullptr ? KxString(name) : KxString())
{
}

int32_t KxMemberAccessor::Of(KxObject* object)
{
    if (object == nullptr || object->GetAddress() == nullptr || class_ == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    const KxMetaClass* cls = object->GetMetaClass();
    if (!IsKind(*cls, class_->GetClassNumber())) {
        return KX_KERNEL_E_WRONG_CLASS;
    }
    uint32_t offset = 0;
    if (member_ != nullptr) {
        const KxMember* own = cls == class_ ? member_ : Counterpart(*cls, *member_);
        if (own == nullptr) {
            return KX_KERNEL_E_WRONG_CLASS;   // a version of the class without the member
        }
        offset = own->GetOffset();
    }
    object_ = object;
    instance_ = object->GetAddress();
    offset_ = offset;
    return 0;
}

int32_t KxMemberAccessor::Of(void* address)
{
    if (address == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    object_ = nullptr;
    instance_ = static_cast<uint8_t*>(address);
    offset_ = member_ != nullptr ? member_->GetOffset() : 0;
    return 0;
}

int8_t KxMemberAccessor::GetTypeId() const
{
    if (member_ == nullptr) {
        return -1;
    }
    return static_cast<int8_t>(member_->GetMemberType() == KX_MEMBER_VALUE ? member_->GetTypeCode() : KX_TYPE_EMBEDDED);
}

int32_t KxMemberAccessor::Address(uint8_t*& at) const
{
    at = nullptr;
    if (member_ == nullptr) {
        return KX_KERNEL_E_NOT_FOUND;
    }
    if (instance_ == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    at = instance_ + offset_;
    return 0;
}

int32_t KxMemberAccessor::GetAddress(int32_t typeId, void*& address) const
{
    address = nullptr;
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    const int32_t own = GetTypeId();
    if (typeId != KX_TYPE_EMBEDDED && typeId != own && Twin(typeId) != own) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    address = at;
    return 0;
}

int32_t KxMemberAccessor::ValueAt(int32_t typeId, void*& address, const KxValueOps*& ops) const
{
    const int32_t rc = GetAddress(typeId, address);
    if (rc < 0) {
        return rc;
    }
    ops = KxGetValueOps(member_->GetTypeCode());
    if (ops == nullptr || member_->GetMemberType() != KX_MEMBER_VALUE) {
        return KX_KERNEL_E_TYPE_MISMATCH;   // no value to copy
    }
    return 0;
}

int32_t KxMemberAccessor::GetValue(int32_t typeId, void* value) const
{
    if (const int32_t hooked = kxk::HookPoint("KxMemberAccessor::GetValue")) {
        return hooked;
    }
    if (value == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    if (GetTypeId() == KX_TYPE_CHAR && typeId == KX_TYPE_USHORT) {
        uint8_t* at = nullptr;
        const int32_t rc = Address(at);
        if (rc == 0) {
            *static_cast<uint16_t*>(value) = *at;
        }
        return rc;
    }
    void* address = nullptr;
    const KxValueOps* ops = nullptr;
    const int32_t rc = ValueAt(typeId, address, ops);
    if (rc < 0) {
        return rc;
    }
    ops->copy(value, address);
    return 0;
}

int32_t KxMemberAccessor::SetValue(int32_t typeId, const void* value)
{
    if (const int32_t hooked = kxk::HookPoint("KxMemberAccessor::SetValue")) {
        return hooked;
    }
    if (value == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    if (GetTypeId() == KX_TYPE_CHAR && typeId == KX_TYPE_USHORT) {
        uint8_t* at = nullptr;
        const int32_t rc = Address(at);
        if (rc == 0) {
            *at = static_cast<uint8_t>(*static_cast<const uint16_t*>(value));
        }
        return rc;
    }
    void* address = nullptr;
    const KxValueOps* ops = nullptr;
    const int32_t rc = ValueAt(typeId, address, ops);
    if (rc < 0) {
        return rc;
    }
    ops->copy(address, value);
    if (object_ != nullptr) {
        object_->State() |= KX_STATE_MODIFIED;
    }
    return 0;
}

int32_t KxMemberAccessor::Get(KxObjectSet*& set) const
{
    set = nullptr;
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    if (member_->GetMemberType() != KX_MEMBER_OBJECT_SET) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    set = reinterpret_cast<KxObjectSet*>(at);
    return 0;
}

int32_t KxMemberAccessor::Get(KxSet*& set) const
{
    set = nullptr;
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    switch (member_->GetMemberType()) {
    case KX_MEMBER_OBJECT_SET: set = reinterpret_cast<KxObjectSet*>(at); return 0;
    case KX_MEMBER_ONDEMAND_SET: set = reinterpret_cast<KxOnDemandSet*>(at); return 0;
    case KX_MEMBER_TYPE_SET: set = reinterpret_cast<KxTypeSet*>(at); return 0;
    case KX_MEMBER_CLASS_SET: set = reinterpret_cast<KxClassSet*>(at); return 0;
    default: return KX_KERNEL_E_TYPE_MISMATCH;
    }
}

int32_t KxMemberAccessor::Get(KxBasicContainer*& container) const
{
    container = nullptr;
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    if (member_->GetMemberType() != KX_MEMBER_CONTAINER) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    container = reinterpret_cast<KxBasicContainer*>(at);
    return 0;
}

int32_t KxMemberAccessor::Get(KxMemberAccessor& embedded) const
{
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    if (member_->GetMemberType() != KX_MEMBER_EMBEDDED) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    return embedded.Of(static_cast<void*>(at));
}

int32_t KxMemberAccessor::Get(KxOnDemand& ref) const
{
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    if (member_->GetMemberType() == KX_MEMBER_ONDEMAND) {
        ref = *reinterpret_cast<const KxOnDemand*>(at);
        if (ref.GetBase() == nullptr && ref.GetParentBase() == nullptr && object_ != nullptr) {
            ref.Assign(object_->GetBase(), ref.GetRef(), object_->GetBase());
        }
        return 0;
    }
    if (member_->GetMemberType() == KX_MEMBER_POINTER) {
        ref = KxOnDemand(*reinterpret_cast<KxObject* const*>(at), 1);
        return 0;
    }
    return KX_KERNEL_E_TYPE_MISMATCH;
}

int32_t KxMemberAccessor::Set(const KxOnDemand& ref)
{
    uint8_t* at = nullptr;
    const int32_t rc = Address(at);
    if (rc < 0) {
        return rc;
    }
    const KxMemberType type = member_->GetMemberType();
    if (type != KX_MEMBER_ONDEMAND && type != KX_MEMBER_POINTER) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    if (ref.IsValid()) {
        const KxClassDict* dict = class_->GetDictionary();
        if (dict != nullptr && !dict->IsCurrentVersion(ref.GetRef().GetClassId())) {
            return KX_KERNEL_E_TYPE_MISMATCH;   // a reference to an older version of its class
        }
        const KxMetaClass* declared = member_->GetClass();
        const KxMetaClass* target = dict != nullptr ? dict->GetMetaClass(ref.GetRef().GetClassId()) : nullptr;
        if (declared != nullptr && target != nullptr && !IsKind(*target, declared->GetClassNumber())) {
            return KX_KERNEL_E_WRONG_CLASS;
        }
    }
    if (type == KX_MEMBER_ONDEMAND) {
        auto& slot = *reinterpret_cast<KxOnDemand*>(at);
        KxBase* parent = object_ != nullptr ? object_->GetBase() : slot.GetParentBase();
        if (ref.IsValid()) {
            slot.Assign(ref.GetBase(), ref.GetRef(), parent);
        } else {
            slot.Clear();
        }
    } else {
        KxObject* target = nullptr;
        if (ref.IsValid()) {
            const int32_t read = ref.Get(target);
            if (read < 0) {
                return read;
            }
        }
        KxObject*& slot = *reinterpret_cast<KxObject**>(at);
        KxObject* old = slot;
        slot = target;   // the hold of the read is the pointer's
        if (old != nullptr) {
            old->Release();
        }
    }
    if (object_ != nullptr) {
        object_->State() |= KX_STATE_MODIFIED;
    }
    return 0;
}
