#include "KxMetaType.h"

#include <new>

#include "KxClassDict.h"
#include "KxObject.h"
#include "KxValueOps.h"

// ---- KxMetaType ------------------------------------------------------------------------------
KxMetaType::KxMetaType(KxMetaKind kind, const KxClassId& id, const KxString& name, uint32_t marks)
    : kind_(kind), classId_(id), name_(name), marks_(marks) {}
KxMetaType::~KxMetaType() = default;

bool KxMetaType::IsUserClass() const {
    return GetClassNumber() != 0 && GetClassNumber() < KX_FIRST_SYSTEM_CLASS;
}

const KxMetaClass* KxMetaType::AsClass() const {
    return kind_ == KX_META_CLASS ? static_cast<const KxMetaClass*>(this) : nullptr;
}
const KxMetaSet* KxMetaType::AsSet() const {
    return kind_ >= KX_META_OBJECT_SET && kind_ <= KX_META_TYPE_SET ? static_cast<const KxMetaSet*>(this) : nullptr;
}
const KxMetaPersContainer* KxMetaType::AsContainer() const {
    return kind_ == KX_META_CONTAINER ? static_cast<const KxMetaPersContainer*>(this) : nullptr;
}

int32_t KxMetaType::Apply(KxMetaTypeFunctor& functor) const {
    switch (kind_) {
    case KX_META_CLASS: return functor.OnClass(*AsClass());
    case KX_META_OBJECT_SET: return functor.OnObjectSet(*AsSet());
    case KX_META_ONDEMAND_SET: return functor.OnOnDemandSet(*AsSet());
    case KX_META_CLASS_SET: return functor.OnClassSet(*AsSet());
    case KX_META_TYPE_SET: return functor.OnTypeSet(*AsSet());
    case KX_META_CONTAINER: return functor.OnContainer(*AsContainer());
    case KX_META_BASIC_TYPE: return functor.OnBasicType(*static_cast<const KxMetaBasicType*>(this));
    case KX_META_ONDEMAND: return functor.OnOnDemand(*static_cast<const KxMetaOnDemand*>(this));
    }
    return KX_KERNEL_E_INVALID;
}

// ---- KxMember --------------------------------------------------------------------------------
int32_t KxMember::Apply(KxMemberFunctor& functor) const {
    switch (type_) {
    case KX_MEMBER_VALUE: return functor.OnValue(*this);
    case KX_MEMBER_EMBEDDED: return functor.OnEmbedded(*this);
    case KX_MEMBER_POINTER: return functor.OnPointer(*this);
    case KX_MEMBER_ONDEMAND: return functor.OnOnDemand(*this);
    case KX_MEMBER_OBJECT_SET: return functor.OnObjectSet(*this);
    case KX_MEMBER_ONDEMAND_SET: return functor.OnOnDemandSet(*this);
    case KX_MEMBER_TYPE_SET: return functor.OnTypeSet(*this);
    case KX_MEMBER_CLASS_SET: return functor.OnClassSet(*this);
    case KX_MEMBER_CONTAINER: return functor.OnContainer(*this);
    }
    return KX_KERNEL_E_INVALID;
}

// ---- KxMetaClass -----------------------------------------------------------------------------
KxMetaClass::KxMetaClass(const KxClassId& id, const KxString& name, uint32_t marks)
    : KxMetaType(KX_META_CLASS, id, name, marks) {}
KxMetaClass::~KxMetaClass() = default;

bool KxMetaClass::IsKindOf(const KxMetaClass* other) const {
    if (other == nullptr) return false;
    if (other == this) return true;
    for (const KxMetaClass* b : allBases_)
        if (b == other) return true;
    return false;
}

int64_t KxMetaClass::GetBaseOffset(const KxMetaClass* base) const {
    if (base == this) return 0;
    for (const auto& e : baseOffsets_)
        if (e.first == base) return e.second;
    return -1;
}

const KxMember* KxMetaClass::FindMember(const KxString& name) const {
    for (const KxMember* m : all_)
        if (m->GetName() == name) return m;
    return nullptr;
}

const KxMember* KxMetaClass::FindMemberPath(const KxString& path, uint32_t* offset) const {
    const std::string text = path.ToUtf8();
    const KxMetaClass* cls = this;
    const KxMember* member = nullptr;
    uint32_t at = 0;
    size_t start = 0;
    while (true) {
        const size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (cls == nullptr || part.empty()) return nullptr;
        member = cls->FindMember(KxString(part));
        if (member == nullptr) return nullptr;
        at += member->GetOffset();
        if (dot == std::string::npos) break;
        if (member->GetMemberType() != KX_MEMBER_EMBEDDED) return nullptr;
        cls = member->GetClass();
        start = dot + 1;
    }
    if (offset != nullptr) *offset = at;
    return member;
}

int32_t KxMetaClass::ApplyToMembers(KxMemberFunctor& functor, bool all) const {
    if (all) {
        for (const KxMember* m : all_)
            if (const int32_t rc = m->Apply(functor)) return rc;
    } else {
        for (const auto& m : own_)
            if (const int32_t rc = m->Apply(functor)) return rc;
    }
    return 0;
}

int32_t KxMetaClass::ApplyToIndexes(KxIndexEntryFunctor& functor) const {
    auto one = [&functor](const KxMetaClass* cls) -> int32_t {
        for (const auto& index : cls->indexes_) {
            const int32_t rc = index->IsCompound() ? functor.OnCompoundIndex(*index)
                                                   : functor.OnSimpleIndex(*index);
            if (rc != 0) return rc;
        }
        return 0;
    };
    for (const KxMetaClass* b : allBases_)
        if (const int32_t rc = one(b)) return rc;
    return one(this);
}

namespace {

void ConstructElement(const KxMember& m, uint8_t* p) {
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE: KxGetValueOps(m.GetTypeCode())->construct(p); break;
    case KX_MEMBER_EMBEDDED: m.GetClass()->Construct(p); break;
    case KX_MEMBER_POINTER: *reinterpret_cast<KxObject**>(p) = nullptr; break;
    case KX_MEMBER_ONDEMAND: new (p) KxOnDemand(); break;
    case KX_MEMBER_OBJECT_SET: new (p) KxObjectSet(m.GetSetType()); break;
    case KX_MEMBER_ONDEMAND_SET: new (p) KxOnDemandSet(m.GetSetType()); break;
    case KX_MEMBER_TYPE_SET: new (p) KxTypeSet(m.GetSetType()); break;
    case KX_MEMBER_CLASS_SET: new (p) KxClassSet(m.GetSetType()); break;
    case KX_MEMBER_CONTAINER: new (p) KxBasicContainer(m.GetContainerType()); break;
    }
}

void DestructElement(const KxMember& m, uint8_t* p) {
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE: KxGetValueOps(m.GetTypeCode())->destruct(p); break;
    case KX_MEMBER_EMBEDDED: m.GetClass()->Destruct(p); break;
    case KX_MEMBER_POINTER: {
        KxObject*& slot = *reinterpret_cast<KxObject**>(p);
        if (slot != nullptr) slot->Release();
        slot = nullptr;
        break;
    }
    case KX_MEMBER_ONDEMAND: reinterpret_cast<KxOnDemand*>(p)->~KxOnDemand(); break;
    case KX_MEMBER_OBJECT_SET: reinterpret_cast<KxObjectSet*>(p)->~KxObjectSet(); break;
    case KX_MEMBER_ONDEMAND_SET: reinterpret_cast<KxOnDemandSet*>(p)->~KxOnDemandSet(); break;
    case KX_MEMBER_TYPE_SET: reinterpret_cast<KxTypeSet*>(p)->~KxTypeSet(); break;
    case KX_MEMBER_CLASS_SET: reinterpret_cast<KxClassSet*>(p)->~KxClassSet(); break;
    case KX_MEMBER_CONTAINER: reinterpret_cast<KxBasicContainer*>(p)->~KxBasicContainer(); break;
    }
}

void CopyElement(const KxMember& m, uint8_t* t, const uint8_t* s) {
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE: KxGetValueOps(m.GetTypeCode())->copy(t, s); break;
    case KX_MEMBER_EMBEDDED: m.GetClass()->Copy(t, s); break;
    case KX_MEMBER_POINTER: {
        KxObject*& slot = *reinterpret_cast<KxObject**>(t);
        KxObject* const source = *reinterpret_cast<KxObject* const*>(s);
        if (source != nullptr) source->Hold();
        if (slot != nullptr) slot->Release();
        slot = source;
        break;
    }
    case KX_MEMBER_ONDEMAND:
        *reinterpret_cast<KxOnDemand*>(t) = *reinterpret_cast<const KxOnDemand*>(s);
        break;
    case KX_MEMBER_OBJECT_SET:
        *reinterpret_cast<KxObjectSet*>(t) = *reinterpret_cast<const KxObjectSet*>(s);
        break;
    case KX_MEMBER_ONDEMAND_SET:
        *reinterpret_cast<KxOnDemandSet*>(t) = *reinterpret_cast<const KxOnDemandSet*>(s);
        break;
    case KX_MEMBER_TYPE_SET:
        *reinterpret_cast<KxTypeSet*>(t) = *reinterpret_cast<const KxTypeSet*>(s);
        break;
    case KX_MEMBER_CLASS_SET:
        *reinterpret_cast<KxClassSet*>(t) = *reinterpret_cast<const KxClassSet*>(s);
        break;
    case KX_MEMBER_CONTAINER:
        *reinterpret_cast<KxBasicContainer*>(t) = *reinterpret_cast<const KxBasicContainer*>(s);
        break;
    }
}

}  // namespace

void KxMetaClass::Construct(uint8_t* instance) const {
    for (const KxMember* m : all_)
        for (uint32_t i = 0; i < m->GetElementCount(); ++i)
            ConstructElement(*m, instance + m->GetOffset() + i * m->GetElementSize());
}

void KxMetaClass::Destruct(uint8_t* instance) const {
    for (auto it = all_.rbegin(); it != all_.rend(); ++it) {
        const KxMember* m = *it;
        for (uint32_t i = m->GetElementCount(); i-- > 0;)
            DestructElement(*m, instance + m->GetOffset() + i * m->GetElementSize());
    }
}

void KxMetaClass::Copy(uint8_t* target, const uint8_t* source) const {
    if (target == source) return;
    for (const KxMember* m : all_)
        for (uint32_t i = 0; i < m->GetElementCount(); ++i) {
            const uint32_t at = m->GetOffset() + i * m->GetElementSize();
            CopyElement(*m, target + at, source + at);
        }
}

uint8_t* KxMetaClass::NewInstance() const {
    const size_t bytes = size_ == 0 ? 1 : size_;
    // The heap's own alignment (16 bytes) covers every member's; an aligned request would take the
    // heap's slower road for nothing.
    static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= 8, "instances need 8-byte alignment");
    auto* block = static_cast<uint8_t*>(::operator new(bytes, std::nothrow));
    if (block == nullptr) return nullptr;
    Construct(block);
    return block;
}

void KxMetaClass::DeleteInstance(uint8_t* instance) const {
    if (instance == nullptr) return;
    Destruct(instance);
    ::operator delete(instance);
}

// ---- KxMetaSet -------------------------------------------------------------------------------
KxMetaSet::KxMetaSet(KxMetaKind kind, const KxClassId& id, const KxString& name, uint32_t marks)
    : KxMetaType(kind, id, name, marks) {}
KxMetaSet::~KxMetaSet() = default;

KxMetaPersContainer::KxMetaPersContainer(const KxClassId& id, const KxString& name, uint32_t marks)
    : KxMetaType(KX_META_CONTAINER, id, name, marks) {}
KxMetaPersContainer::~KxMetaPersContainer() = default;

// ---- functors --------------------------------------------------------------------------------
KxMetaTypeFunctor::~KxMetaTypeFunctor() = default;
int32_t KxMetaTypeFunctor::OnClass(const KxMetaClass&) { return 0; }
int32_t KxMetaTypeFunctor::OnObjectSet(const KxMetaSet&) { return 0; }
int32_t KxMetaTypeFunctor::OnOnDemandSet(const KxMetaSet&) { return 0; }
int32_t KxMetaTypeFunctor::OnClassSet(const KxMetaSet&) { return 0; }
int32_t KxMetaTypeFunctor::OnTypeSet(const KxMetaSet&) { return 0; }
int32_t KxMetaTypeFunctor::OnContainer(const KxMetaPersContainer&) { return 0; }
int32_t KxMetaTypeFunctor::OnBasicType(const KxMetaBasicType&) { return 0; }
int32_t KxMetaTypeFunctor::OnOnDemand(const KxMetaOnDemand&) { return 0; }

KxMemberFunctor::~KxMemberFunctor() = default;
int32_t KxMemberFunctor::OnValue(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnEmbedded(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnPointer(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnOnDemand(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnObjectSet(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnOnDemandSet(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnTypeSet(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnClassSet(const KxMember&) { return 0; }
int32_t KxMemberFunctor::OnContainer(const KxMember&) { return 0; }

KxIndexEntryFunctor::~KxIndexEntryFunctor() = default;
int32_t KxIndexEntryFunctor::OnSimpleIndex(const KxIndexDef&) { return 0; }
int32_t KxIndexEntryFunctor::OnCompoundIndex(const KxIndexDef&) { return 0; }
