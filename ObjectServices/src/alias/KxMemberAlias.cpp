#include "KxObjectAliasMember.h"

#include "KxKernelStatus.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasSet.h"

KxGMemberAlias::~KxGMemberAlias() = default;

uint8_t* KxGCPPMemberAlias::GetAddress(void* object) const {
    return object != nullptr ? static_cast<uint8_t*>(object) + offset_ : nullptr;
}

KxEmbeddedObjectAlias* KxGEmbeddedClassMemberAlias::CreateObjectAlias(const KxObjectAlias& owner,
                                                                      uint32_t i) const {
    uint8_t* member = GetAddress(owner.GetAddress());
    if (member == nullptr) return nullptr;
    KxRef ref;
    owner.GetRef(ref);
    return new KxEmbeddedObjectAlias(ref, member + size_t(i) * elementSize_);
}

int32_t KxGOnDemandMemberAlias::GetRef(void* object, KxRef& ref) const {
    if (object == nullptr) return KX_ALIAS_E_NULL;
    ref = reinterpret_cast<const KxOnDemand*>(GetAddress(object))->GetRef();
    return 0;
}

int32_t KxGOnDemandMemberAlias::SetRef(void* object, const KxRef& ref) const {
    if (object == nullptr) return KX_ALIAS_E_NULL;
    reinterpret_cast<KxOnDemand*>(GetAddress(object))->SetRef(ref);
    return 0;
}

int32_t KxGKxObjectPtrMemberAlias::GetRef(void* object, KxRef& ref) const {
    if (object == nullptr) return KX_ALIAS_E_NULL;
    const KxObject* target = *reinterpret_cast<KxObject* const*>(GetAddress(object));
    if (target != nullptr) ref = target->GetRef();
    else ref.Clear();
    return 0;
}

int32_t KxGKxObjectPtrMemberAlias::SetRef(void*, const KxRef&) const {
    return KX_KERNEL_E_NOT_SUPPORTED;
}

KxGSetAlias* KxGKxObjectSetMemberAlias::CreateSetAlias(KxObjectAlias* owner) const {
    uint8_t* at = owner != nullptr ? GetAddress(owner->GetAddress()) : nullptr;
    if (at == nullptr) return nullptr;
    // Object and on-demand sets both start with their KxSet part.
    return new KxGKxObjectSetAlias(owner, reinterpret_cast<KxSet*>(at));
}

KxGSetAlias* KxGKxTypeSetMemberAlias::CreateSetAlias(KxObjectAlias* owner) const {
    uint8_t* at = owner != nullptr ? GetAddress(owner->GetAddress()) : nullptr;
    if (at == nullptr) return nullptr;
    return new KxGKxTypeSetAlias(owner, reinterpret_cast<KxTypeSet*>(at), elementType_);
}

KxGSetAlias* KxGKxClassSetMemberAlias::CreateSetAlias(KxObjectAlias* owner) const {
    uint8_t* at = owner != nullptr ? GetAddress(owner->GetAddress()) : nullptr;
    if (at == nullptr) return nullptr;
    return new KxGKxClassSetAlias(owner, reinterpret_cast<KxClassSet*>(at),
                                  elementType_ != nullptr ? elementType_->GetElementClass() : nullptr);
}

int32_t KxGKxObjectSetElementAlias::GetRef(void* object, KxRef& ref) const {
    if (object == nullptr) return KX_ALIAS_E_NULL;
    ref = *static_cast<const KxRef*>(object);
    return 0;
}

int32_t KxGKxObjectSetElementAlias::SetRef(void* object, const KxRef& ref) const {
    if (object == nullptr) return KX_ALIAS_E_NULL;
    *static_cast<KxRef*>(object) = ref;
    return 0;
}
