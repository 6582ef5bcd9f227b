// Aspects from the members of a class.
#include "KxAspectFunctors.h"

#include <strings.h>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KxBrowserStatics.h"
#include "KxClassDict.h"
#include "KxDescAccess.h"
#include "KxTypeFunctors.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\aspfunct";

}  // namespace

void memberAspectId(KvAspectId& id, const KxMember* member, const KxClassDict* dict) {
    if (member == nullptr) return;
    const KxMetaClass* declaring = member->GetDeclaringClass();
    const KxMetaType* found =
        dict != nullptr && declaring != nullptr ? dict->GetCurrentVersion(declaring->GetClassNumber()) : nullptr;
    if (found != nullptr && found->GetName() == declaring->GetName()) {
        const KxString name = found->GetName() + KxClassMemberSeparator + member->GetName();
        id = KvAspectId(name.ToUtf8().c_str());
    } else {
        id = KvAspectId(member->GetName().ToUtf8().c_str());
    }
}

CreateAspectSetWithPersistentMember::CreateAspectSetWithPersistentMember(KvAspectSet* set, KxTypeMgr* typeMgr,
                                                                         KxClassDict* dict)
    : set_(set), typeMgr_(typeMgr), dict_(dict) {}
CreateAspectSetWithPersistentMember::CreateAspectSetWithPersistentMember(
    const CreateAspectSetWithPersistentMember& other) = default;
CreateAspectSetWithPersistentMember& CreateAspectSetWithPersistentMember::operator=(
    const CreateAspectSetWithPersistentMember& other) = default;
CreateAspectSetWithPersistentMember::~CreateAspectSetWithPersistentMember() = default;

int32_t CreateAspectSetWithPersistentMember::OnValue(const KxMember& m) {
    return HandleKxMember(&m) == 0 ? HandleKxTypeMember(&m) : 0;
}
int32_t CreateAspectSetWithPersistentMember::OnEmbedded(const KxMember& m) {
    return HandleKxMember(&m) == 0 ? HandleKxClassMember(&m) : 0;
}
int32_t CreateAspectSetWithPersistentMember::OnPointer(const KxMember& m) {
    return HandleKxMember(&m) == 0 ? HandleKxPersClassMember(&m) : 0;
}
int32_t CreateAspectSetWithPersistentMember::OnOnDemand(const KxMember& m) {
    return HandleKxMember(&m) == 0 ? HandleKxOnDemandMember(&m) : 0;
}
int32_t CreateAspectSetWithPersistentMember::OnObjectSet(const KxMember& m) {
    return HandleKxMember(&m) == 0 ? HandleKxContainerMember(&m) : 0;
}
int32_t CreateAspectSetWithPersistentMember::OnOnDemandSet(const KxMember& m) { return OnObjectSet(m); }
int32_t CreateAspectSetWithPersistentMember::OnTypeSet(const KxMember& m) { return OnObjectSet(m); }
int32_t CreateAspectSetWithPersistentMember::OnClassSet(const KxMember& m) { return OnObjectSet(m); }
int32_t CreateAspectSetWithPersistentMember::OnContainer(const KxMember& m) { return OnObjectSet(m); }

int CreateAspectSetWithPersistentMember::HandleKxMember(const KxMember* member) {
    if (set_ == nullptr) return 1;
    if (member == nullptr) {
        diag << " >>> CreateAspectSetWithPersistentTypeMember " << static_cast<void*>(this) << " <<< "
             << "no member description" << kSource << "(" << __LINE__ << ")." << endl;
        return 1;
    }
    if (KxMemberStorageClass(*member) == 2 || (KxMemberFlags(*member) & KX_MFLAG_TRANSIENT) != 0) return 1;
    KvAspectId id;
    memberAspectId(id, member, dict_);
    auto* aspect = new KvAspect(id);
    KxString typeText("");
    CreateTypeTextForMember text(&typeText, typeMgr_, 0, 0);
    member->Apply(text);
    aspect->setTypeTag(typeText.ToUtf8().c_str());
    aspect->setTitle(member->GetName().ToUtf8().c_str());
    if (strcasecmp(KxMemberTypeName(*member, typeMgr_).ToUtf8().c_str(), "d_Object_Name") == 0) aspect->setReadOnly();
    set_->add(aspect);
    return 0;
}

void CreateAspectSetWithPersistentMember::TagLast(long tag) {
    if (set_ != nullptr && set_->count() > 0) set_->getObject(set_->count() - 1)->tag() = tag;
}

int CreateAspectSetWithPersistentMember::HandleKxClassMember(const KxMember* member) {
    return HandleKxNonPersClassMember(member);
}
int CreateAspectSetWithPersistentMember::HandleKxPersClassMember(const KxMember*) {
    TagLast(referenceTag_);
    return 0;
}
int CreateAspectSetWithPersistentMember::HandleKxNonPersClassMember(const KxMember*) {
    TagLast(compoundTag_);
    return 0;
}
int CreateAspectSetWithPersistentMember::HandleKxOnDemandMember(const KxMember*) {
    TagLast(referenceTag_);
    return 0;
}
int CreateAspectSetWithPersistentMember::HandleKxTypeMember(const KxMember*) {
    TagLast(baseTypeTag_);
    return 0;
}
int CreateAspectSetWithPersistentMember::HandleKxContainerMember(const KxMember*) {
    TagLast(containerTag_);
    return 0;
}

CreateAspectSetWithPersistentTypeMember::CreateAspectSetWithPersistentTypeMember(KvAspectSet* set, KxTypeMgr* typeMgr,
                                                                                 KxClassDict* dict)
    : CreateAspectSetWithPersistentMember(set, typeMgr, dict) {}
int32_t CreateAspectSetWithPersistentTypeMember::OnEmbedded(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnPointer(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnOnDemand(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnObjectSet(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnOnDemandSet(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnTypeSet(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnClassSet(const KxMember&) { return 0; }
int32_t CreateAspectSetWithPersistentTypeMember::OnContainer(const KxMember&) { return 0; }
