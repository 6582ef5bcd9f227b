// The schema side of the client calls: type handles, newest versions, member and base walks, the
// persistent and embedded views of a class.
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"

const KxClassId& KxMetaTypeHandle::GetClassId() const { return type_->GetClassId(); }

const KxClassDescriptor* KxMetaTypeHandle::GetClassDesc() const
{
    const KxClassDict* dict = type_->GetDictionary();
    return dict != nullptr ? dict->FindDescriptor(type_->GetClassNumber()) : nullptr;
}

const KxMetaPersClass* KxMetaType::AsPersClass() const { return dynamic_cast<const KxMetaPersClass*>(this); }

const KxMetaNonPersClass* KxMetaType::AsNonPersClass() const
{
    return dynamic_cast<const KxMetaNonPersClass*>(this);
}

const KxMetaTypeHandle* KxMember::GetEmbeddedType() const
{
    return type_ == KX_MEMBER_EMBEDDED && class_ != nullptr ? class_->GetTypeHandle() : nullptr;
}

const KxMetaTypeHandle* KxMember::GetReferenceType() const
{
    if (type_ != KX_MEMBER_POINTER && type_ != KX_MEMBER_ONDEMAND) {
        return nullptr;
    }
    if (class_ != nullptr) {
        return class_->GetTypeHandle();
    }
    const KxClassDict* dict = declaring_ != nullptr ? declaring_->GetDictionary() : nullptr;
    const KxMetaType* root = dict != nullptr ? dict->GetCurrentVersion(0) : nullptr;
    return root != nullptr ? root->GetTypeHandle() : nullptr;
}

const KxMetaTypeHandle* KxMember::GetSetTypeHandle() const
{
    return setType_ != nullptr ? setType_->GetTypeHandle() : nullptr;
}

namespace {

// One step of a walk by index: seek 0 absolute, 1 relative to the last answered position.
int32_t Step(int32_t& cursor, int32_t i, int32_t seek, uint32_t count, uint32_t& pos)
{
    const int64_t at = seek == 1 ? int64_t(cursor) + i : int64_t(i);
    if ((seek != 0 && seek != 1) || at < 0 || at >= int64_t(count)) {
        return KX_KERNEL_E_NO_ELEMENT;
    }
    cursor = static_cast<int32_t>(at);
    pos = static_cast<uint32_t>(at);
    return 0;
}

}  // namespace

int32_t KxMetaClass::GetMember(const KxMember*& member, int32_t i, int32_t seek) const
{
    member = nullptr;
    uint32_t pos = 0;
    const int32_t rc = Step(memberCursor_, i, seek, GetMemberCount(), pos);
    if (rc == 0) {
        member = GetMember(pos);
    }
    return rc;
}

int32_t KxMetaClass::GetInherit(const KxMetaTypeHandle*& inherit, int32_t i, int32_t seek) const
{
    inherit = nullptr;
    uint32_t pos = 0;
    const int32_t rc = Step(inheritCursor_, i, seek, GetBaseCount(), pos);
    if (rc == 0) {
        inherit = GetBase(pos)->GetTypeHandle();
    }
    return rc;
}

KxAllSet* KxMetaPersClass::MakeExtent(KxBase* base) const
{
    return base != nullptr ? new KxAllSet(this, base) : nullptr;
}

uint8_t* KxMetaNonPersClass::CreateInstance(void*, int32_t, int32_t*, int32_t) const { return NewInstance(); }

int32_t KxClassDict::GetMetaType(const KxString& name, const KxMetaType*& type) const
{
    type = FindByName(name);
    return type != nullptr ? 0 : KX_DICT_E_NOT_FOUND;
}

int32_t KxClassDict::GetNewestVersion(uint16_t classNumber, const KxMetaTypeHandle*& handle) const
{
    const KxMetaType* current = GetCurrentVersion(classNumber);
    handle = current != nullptr ? current->GetTypeHandle() : nullptr;
    return handle != nullptr ? 0 : KX_DICT_E_NOT_FOUND;
}

int32_t KxClassDict::GetNewestVersion(const KxClassId& classId, const KxMetaTypeHandle*& handle) const
{
    return GetNewestVersion(classId.GetClassNumber(), handle);
}
