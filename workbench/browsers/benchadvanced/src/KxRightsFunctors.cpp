// Effective rights of a user on a class or on one attribute.
#include "KxRightsFunctors.h"

#include "KxBrowserStatics.h"
#include "KxUser.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\rightfunct";

// The permission mask of a right entry (bit 0 read, 1 write, 2 delete) as rights.
Rights FromMask(uint32_t mask) {
    Rights rights;
    rights.setPermRead(int(mask));
    rights.setPermWrite(int(mask >> 1));
    rights.setPermDelete(int(mask >> 2));
    return rights;
}

// The root class of every dictionary (class number 0).
bool isKxObjectClassDesc(const KxMetaClass* desc) { return desc != nullptr && desc->GetClassNumber() == 0; }

}  // namespace

Rights::~Rights() = default;

void accumulateRights(Rights& target, Rights source) {
    target.setPermRead(target.getPermRead() | source.getPermRead());
    target.setPermWrite(target.getPermWrite() | source.getPermWrite());
    target.setPermDelete(target.getPermDelete() | source.getPermDelete());
}

// ---- EffectiveRightsFunctor ----------------------------------------------------------------------

EffectiveRightsFunctor::EffectiveRightsFunctor(KxUser* user, Rights* rights, Rights* rights2, Rights* rights3,
                                               Rights* rights4)
    : user_(user), rights_(rights), rights2_(rights2), rights3_(rights3), rights4_(rights4) {
    KxVisitedClassDescs.Clear();
}

EffectiveRightsFunctor::~EffectiveRightsFunctor() { KxVisitedClassDescs.Clear(); }

int32_t EffectiveRightsFunctor::OnClass(const KxMetaClass& metaClass) { return HandleKxMetaClass(&metaClass); }

void EffectiveRightsFunctor::getUserRights(Rights* rights, KxUser* user, const KxMetaClass* desc) {
    if (rights == nullptr || user == nullptr || desc == nullptr) return;
    const KxRightSet& set = user->GetRightSet();
    const KxRightEntry* entry = nullptr;
    for (int32_t i = 0; set.Get(entry, i) == 0; ++i) {
        if (entry != nullptr && entry->AppliesTo(desc->GetClassId())) {
            rights->setRightsDefined(1);
            accumulateRights(*rights, FromMask(entry->GetPermissions()));
        }
        set.Unget(entry);
    }
}

void EffectiveRightsFunctor::accumulateUsersRights(Rights* target, KxUser* user, const KxMetaClass* desc) {
    if (target == nullptr || user == nullptr || desc == nullptr) return;
    Rights own;
    getUserRights(&own, user, desc);
    if (own.rightsDefined()) {
        accumulateRights(*target, own);
        target->setRightsDefined(1);
    }
    const KxUserSet& groups = user->GetGroupSet();
    KxUser* group = nullptr;
    for (int32_t i = 0; groups.Get(group, i) == 0; ++i) {
        Rights ofGroup;
        accumulateUsersRights(&ofGroup, group, desc);
        if (ofGroup.rightsDefined()) {
            accumulateRights(*target, ofGroup);
            target->setRightsDefined(1);
        }
        groups.Unget(group);
    }
}

int EffectiveRightsFunctor::HandleKxMetaClass(const KxMetaClass* desc) {
    if (user_ == nullptr || desc == nullptr || rights_ == nullptr) return 0;
    const int wasDefined = rights_->rightsDefined();
    rights_->setRightsDefined(0);
    accumulateUsersRights(rights_, user_, desc);
    if (wasDefined) rights_->setRightsDefined(1);
    if (rights_->rightsDefined() || desc->GetBaseCount() == 0) return 0;
    const KxMetaTypeHandle* inherit = nullptr;
    for (int32_t i = 0; desc->GetInherit(inherit, i, 0) == 0; ++i) {
        const KxMetaType* type = inherit != nullptr ? inherit->GetMetaType() : nullptr;
        const KxMetaClass* base = type != nullptr ? type->AsClass() : nullptr;
        if (base == nullptr) {
            diag << " >>> TraverseClassDescAndCallGivenHandler " << static_cast<void*>(this) << " <<< "
                 << "possible inconsistent dictionary : " << "no base class desc in " << "inheritance description "
                 << kSource << "(" << __LINE__ << ")." << endl;
            continue;
        }
        if (KxVisitedClassDescs.Contains(base)) continue;
        if (!desc->IsUserClass() && isKxObjectClassDesc(base)) continue;
        KxVisitedClassDescs.Add(base);
        base->Apply(*this);
    }
    return 0;
}

// ---- EffectiveAttributeRightsFunctor -------------------------------------------------------------

EffectiveAttributeRightsFunctor::EffectiveAttributeRightsFunctor(KxUser* user, const KxMember* attribute,
                                                                 const KxMetaClass* attributeClass, int value,
                                                                 Rights* rights, Rights* rights2, Rights* rights3,
                                                                 Rights* rights4)
    : EffectiveRightsFunctor(user, rights, rights2, rights3, rights4),
      attribute_(attribute),
      attributeClass_(attributeClass),
      value_(value) {}

EffectiveAttributeRightsFunctor::~EffectiveAttributeRightsFunctor() = default;

void EffectiveAttributeRightsFunctor::getUserRights(Rights* rights, KxUser* user, const KxMetaClass* desc) {
    if (rights == nullptr || user == nullptr || desc == nullptr || attribute_ == nullptr || attributeClass_ == nullptr)
        return;
    const KxRightSet& set = user->GetRightSet();
    const KxRightEntry* entry = nullptr;
    for (int32_t i = 0; set.Get(entry, i) == 0; ++i) {
        if (entry != nullptr && entry->AppliesTo(desc->GetClassId(), attributeClass_->GetClassId(),
                                                 static_cast<int16_t>(value_), attribute_->GetTypeCode())) {
            rights->setRightsDefined(1);
            accumulateRights(*rights, FromMask(entry->GetPermissions()));
        }
        set.Unget(entry);
    }
}
