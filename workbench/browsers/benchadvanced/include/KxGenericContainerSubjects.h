// Subjects that show a container-valued member of an object (KxBasicContainer, described by a
// KxMetaPersContainer) as a read-only table, one row per element:
//
//   KxGenericBasicTypeContainerSubject     base-type values, one column named after the type
//   KxGenericPersClassContainerSubject     references to persistent objects
//   KxGenericNonPersClassContainerSubject  instances of an embedded class held in the container
//   KxGenericOnDemandContainerSubject      on-demand references
//
// The walker's MetaBasicType2SubjectHandler (KxObjectWalkers.h) picks the class by the element. They
// offer the verbs of the type set, but every element operation succeeds without changing the
// container. A hashed container (its elements have no position) shows " not available " in the rows
// of the persistent-class container and changes which verbs are applyable.
#pragma once

#include "KelvoxGenericObjectSubject.h"

class KxBase;
class KxBasicContainer;
class KxMetaPersContainer;

// What the four share: the state (container, description, element meta type, base, type manager,
// verbs), the verbs and the element operations that change nothing.
class KxGenericContainerSubject : public KelvoxGenericObjectSubject {
public:
    ~KxGenericContainerSubject() override;

    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    long getObjectsCount() override;
    int isContainer() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override;

    KxErrorCode writeChangesToObject(KvAspectSet& set, long row);
    KxErrorCode insertNewObject(long pos);
    KxErrorCode replaceNewObject(long pos);
    KxErrorCode removeObject(long pos);
    KxErrorCode clearObjectSet();
    KxErrorCode createNewObject(void*& out);

    KxBasicContainer* container() const;
    const KxMetaPersContainer* description() const;
    const KxMetaType* elementType() const;
    KxTypeMgr* typeMgr() const;

protected:
    KxGenericContainerSubject(KxBasicContainer* container, const KxMetaPersContainer* desc, const KxMetaType* elementType);
    // The container-kind query: a hashed container, whose elements have no position.
    bool isHashed() const;
    // Sets the applyability of the verbs from first to last (indexes into the list of eleven).
    void setApplyable(int first, int last, int applyable) const;
    // The row's element of the persistent-class and on-demand containers: the referenced object read
    // into the set (base-type members, identity, "object"); the caller gives the object back.
    void fillRow(KvAspectSet& set, long row, KxObject* object, const KxMetaPersClass* cls);

    struct State;
    State* state_;
};

class KxGenericBasicTypeContainerSubject : public KxGenericContainerSubject {
public:
    KxGenericBasicTypeContainerSubject(KxBasicContainer* container, const KxMetaPersContainer* desc,
                                       const KxMetaType* elementType);
    KvSubject* clone() override;
    void getValue(KvAspectSet& set, long row) override;
};

class KxGenericPersClassContainerSubject : public KxGenericContainerSubject {
public:
    KxGenericPersClassContainerSubject(KxBasicContainer* container, const KxMetaPersContainer* desc,
                                       const KxMetaType* elementType);
    KvSubject* clone() override;
    void getValue(KvAspectSet& set, long row) override;
    KvVerb** gimmeYourVerbs() const override;
};

class KxGenericNonPersClassContainerSubject : public KxGenericContainerSubject {
public:
    KxGenericNonPersClassContainerSubject(KxBasicContainer* container, const KxMetaPersContainer* desc,
                                          const KxMetaType* elementType);
    KvSubject* clone() override;
    void getValue(KvAspectSet& set, long row) override;
};

class KxGenericOnDemandContainerSubject : public KxGenericContainerSubject {
public:
    KxGenericOnDemandContainerSubject(KxBasicContainer* container, const KxMetaPersContainer* desc,
                                      const KxMetaType* elementType);
    KvSubject* clone() override;
    void getValue(KvAspectSet& set, long row) override;
    KvVerb** gimmeYourVerbs() const override;
    using KelvoxGenericObjectSubject::createAspectSet;
    // Identity aspects, one aspect per base-type member of the referenced class and "object".
    void createAspectSet(const KxMetaPersContainer* desc, KxTypeMgr* typeMgr);
};
