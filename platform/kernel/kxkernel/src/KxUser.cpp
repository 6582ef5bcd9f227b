// Users, groups and their right entries.
#include "KxUser.h"

#include "KxObject.h"

KxRightEntry::KxRightEntry(const KxClassId& classId, uint32_t permissions)
    : classId_(classId), permissions_(permissions) {}

KxRightEntry::KxRightEntry(const KxClassId& classId, const KxClassId& attributeClassId, int16_t attribute,
                           int32_t typeId, uint32_t permissions)
    : classId_(classId),
      permissions_(permissions),
      attributeRight_(true),
      attributeClassId_(attributeClassId),
      attribute_(attribute),
      typeId_(typeId) {}

bool KxRightEntry::AppliesTo(const KxClassId& classId) const
{
    return !attributeRight_ && classId_.GetClassNumber() == classId.GetClassNumber();
}

bool KxRightEntry::AppliesTo(const KxClassId& classId, const KxClassId& attributeClassId, int16_t attribute,
                             int32_t typeId) const
{
    return attributeRight_ && classId_.GetClassNumber() == classId.GetClassNumber() &&
           attributeClassId_.GetClassNumber() == attributeClassId.GetClassNumber() && attribute_ == attribute &&
           typeId_ == typeId;
}

int32_t KxRightSet::Get(const KxRightEntry*& entry, int32_t i) const
{
    entry = i >= 0 && static_cast<size_t>(i) < entries_.size() ? &entries_[static_cast<size_t>(i)] : nullptr;
    return entry != nullptr ? 0 : KX_KERNEL_E_NO_ELEMENT;
}

int32_t KxRightSet::Unget(const KxRightEntry*& entry) const
{
    entry = nullptr;
    return 0;
}

int32_t KxUserSet::Get(KxUser*& user, int32_t i) const
{
    user = i >= 0 && static_cast<size_t>(i) < users_.size() ? users_[static_cast<size_t>(i)] : nullptr;
    return user != nullptr ? 0 : KX_KERNEL_E_NO_ELEMENT;
}

int32_t KxUserSet::Unget(KxUser*& user) const
{
    user = nullptr;
    return 0;
}
