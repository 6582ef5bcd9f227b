#include "KxObjectWalker.h"

#include "KxKernelStatus.h"
#include "KxObject.h"
#include "KxTypeMgr.h"

KxObjectWalker::KxObjectWalker(KxTypeMgr* typeMgr)
    : typeMgr_(typeMgr != nullptr ? typeMgr : KxTypeMgr::GetDefault()) {}
KxObjectWalker::~KxObjectWalker() = default;

int32_t KxObjectWalker::Walk(KxObject* object) {
    if (object == nullptr) return KX_KERNEL_E_INVALID;
    KxObject* const outer = object_;
    object_ = object;
    const int32_t rc = Walk(object->GetAddress(), object->GetMetaClass());
    object_ = outer;
    return rc;
}

int32_t KxObjectWalker::Walk(uint8_t* instance, const KxMetaClass* metaClass) {
    if (instance == nullptr || metaClass == nullptr) return KX_KERNEL_E_INVALID;
    for (const KxMember* m : metaClass->GetAllMembers())
        if (const int32_t rc = Member(instance, *m)) return rc;
    return 0;
}

int32_t KxObjectWalker::Member(uint8_t* instance, const KxMember& member) {
    return WalkMember(instance, member);
}

int32_t KxObjectWalker::WalkMember(uint8_t* instance, const KxMember& member) {
    uint8_t* first = instance + member.GetOffset();
    if (!member.IsArray()) return WalkElement(first, member);
    if (member.GetMemberType() == KX_MEMBER_EMBEDDED) return ObjectArray(first, member);
    for (uint32_t i = 0; i < member.GetElementCount(); ++i)
        if (const int32_t rc = ArrayElement(first + i * member.GetElementSize(), member, i)) return rc;
    return 0;
}

int32_t KxObjectWalker::ObjectArray(uint8_t* first, const KxMember& member) {
    for (uint32_t i = 0; i < member.GetElementCount(); ++i)
        if (const int32_t rc = ArrayElement(first + i * member.GetElementSize(), member, i)) return rc;
    return 0;
}

int32_t KxObjectWalker::ArrayElement(uint8_t* element, const KxMember& member, uint32_t) {
    return WalkElement(element, member);
}

int32_t KxObjectWalker::WalkElement(uint8_t* element, const KxMember& member) {
    switch (member.GetMemberType()) {
    case KX_MEMBER_VALUE: return Value(element, member);
    case KX_MEMBER_EMBEDDED: return EmbeddedObject(element, member);
    case KX_MEMBER_POINTER: return PointerMember(reinterpret_cast<KxObject**>(element), member);
    case KX_MEMBER_ONDEMAND: return OnDemandMember(reinterpret_cast<KxOnDemand*>(element), member);
    case KX_MEMBER_OBJECT_SET: return ObjectSet(reinterpret_cast<KxObjectSet*>(element), member);
    case KX_MEMBER_ONDEMAND_SET: return OnDemandSet(reinterpret_cast<KxOnDemandSet*>(element), member);
    case KX_MEMBER_TYPE_SET: return TypeSet(reinterpret_cast<KxTypeSet*>(element), member);
    case KX_MEMBER_CLASS_SET: return ClassSet(reinterpret_cast<KxClassSet*>(element), member);
    case KX_MEMBER_CONTAINER: return Container(reinterpret_cast<KxBasicContainer*>(element), member);
    }
    return KX_KERNEL_E_INVALID;
}

int32_t KxObjectWalker::Value(uint8_t*, const KxMember&) { return 0; }
int32_t KxObjectWalker::EmbeddedObject(uint8_t* address, const KxMember& member) {
    return Walk(address, member.GetClass());
}
int32_t KxObjectWalker::PointerMember(KxObject**, const KxMember&) { return 0; }
int32_t KxObjectWalker::OnDemandMember(KxOnDemand*, const KxMember&) { return 0; }
int32_t KxObjectWalker::ObjectSet(KxObjectSet*, const KxMember&) { return 0; }
int32_t KxObjectWalker::OnDemandSet(KxOnDemandSet*, const KxMember&) { return 0; }
int32_t KxObjectWalker::TypeSet(KxTypeSet*, const KxMember&) { return 0; }
int32_t KxObjectWalker::ClassSet(KxClassSet*, const KxMember&) { return 0; }
int32_t KxObjectWalker::Container(KxBasicContainer*, const KxMember&) { return 0; }
