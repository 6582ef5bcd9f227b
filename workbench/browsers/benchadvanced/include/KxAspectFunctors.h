// Member functors that turn the members of a class into aspects of a set: one aspect per member
// (CreateAspectSetWithPersistentMember) or per base-type member (CreateAspectSetWithPersistentTypeMember).
// Each aspect is named "<declaring class>::<member>" (the member name alone without a dictionary),
// typed with the member's declaration text, titled with the member name and tagged by kind.
// Static and transient members are passed over.
#pragma once

#include "KxMetaType.h"

class KvAspect;
class KvAspectSet;
class KvAspectId;
class KxClassDict;
class KxTypeMgr;

class CreateAspectSetWithPersistentMember : public KxMemberFunctor {
public:
    CreateAspectSetWithPersistentMember(KvAspectSet* set, KxTypeMgr* typeMgr, KxClassDict* dict);
    CreateAspectSetWithPersistentMember(const CreateAspectSetWithPersistentMember& other);
    CreateAspectSetWithPersistentMember& operator=(const CreateAspectSetWithPersistentMember& other);
    ~CreateAspectSetWithPersistentMember() override;

    void setBaseTypeTag(long tag) { baseTypeTag_ = tag; }
    void setCompoundObjectTag(long tag) { compoundTag_ = tag; }
    void setContainerTag(long tag) { containerTag_ = tag; }
    void setReferenceTag(long tag) { referenceTag_ = tag; }

    // The kernel's protocol: each member kind routes to HandleKxMember and the kind's handler.
    int32_t OnValue(const KxMember& member) override;
    int32_t OnEmbedded(const KxMember& member) override;
    int32_t OnPointer(const KxMember& member) override;
    int32_t OnOnDemand(const KxMember& member) override;
    int32_t OnObjectSet(const KxMember& member) override;
    int32_t OnOnDemandSet(const KxMember& member) override;
    int32_t OnTypeSet(const KxMember& member) override;
    int32_t OnClassSet(const KxMember& member) override;
    int32_t OnContainer(const KxMember& member) override;

    // Appends the member's aspect (0), or passes it over (1).
    virtual int HandleKxMember(const KxMember* member);
    virtual int HandleKxClassMember(const KxMember* member);
    virtual int HandleKxPersClassMember(const KxMember* member);
    virtual int HandleKxNonPersClassMember(const KxMember* member);
    virtual int HandleKxOnDemandMember(const KxMember* member);
    virtual int HandleKxTypeMember(const KxMember* member);
    virtual int HandleKxContainerMember(const KxMember* member);

protected:
    void TagLast(long tag);
    long baseTypeTag_ = 0;
    long compoundTag_ = 0;
    long containerTag_ = 0;
    long referenceTag_ = 0;
    KvAspectSet* set_;
    KxTypeMgr* typeMgr_;
    KxClassDict* dict_;
};

// Aspects for base-type members only.
class CreateAspectSetWithPersistentTypeMember : public CreateAspectSetWithPersistentMember {
public:
    CreateAspectSetWithPersistentTypeMember(KvAspectSet* set, KxTypeMgr* typeMgr, KxClassDict* dict);

    int32_t OnEmbedded(const KxMember& member) override;
    int32_t OnPointer(const KxMember& member) override;
    int32_t OnOnDemand(const KxMember& member) override;
    int32_t OnObjectSet(const KxMember& member) override;
    int32_t OnOnDemandSet(const KxMember& member) override;
    int32_t OnTypeSet(const KxMember& member) override;
    int32_t OnClassSet(const KxMember& member) override;
    int32_t OnContainer(const KxMember& member) override;
};

// The id under which a member's aspect is kept: "<declaring class>::<member>" when the dictionary
// knows the declaring class, else the member name; a null member leaves the id unchanged.
void memberAspectId(KvAspectId& id, const KxMember* member, const KxClassDict* dict);
