// Subjects that show one object to the generic object view:
//
//   KxGenericObjectSubject          a persistent object (pinned while the subject lives)
//   KxGenericEmbeddedObjectSubject  an object embedded in another object's memory, or a set element
//   KxGenericOndemandSubject        the object behind an on-demand reference
//   KxGenericObjectSchemaSubject    the members of a class without any object
//
// The first three read their members with GenericObject2AspectSetHandler, write edited members back
// with "edit", store and refresh persistent objects ("store", "refresh") and resolve an object id
// entered for a reference member ("pre edit", "post edit", "set back").
#pragma once

#include "KelvoxGenericObjectSubject.h"

class KxBase;
class KxOnDemand;

class KxGenericObjectSubject : public KelvoxGenericObjectSubject {
public:
    KxGenericObjectSubject(KxObject* object, const KxMetaPersClass* classDesc);
    ~KxGenericObjectSubject() override;

    KvSubject* clone() override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long hint) override;
    long getObjectsCount() override { return 1; }
    int isContainer() const override { return 0; }
    int isReference() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override;

    KxObject* object() const;
    const KxMetaPersClass* classDesc() const;

    KxErrorCode writeChangesToObject(KvAspectSet& set, long hint, const KvVerb& verb);
    KxErrorCode storeObject(KvAspectSet& set, long hint, const KvVerb& verb);
    KxErrorCode refreshObject(KvAspectSet& set, long hint, const KvVerb& verb);

protected:
    KxErrorCode updatePostEdit(KvAspectSet& set, long hint) override;

private:
    struct State;
    State* state_;
};

class KxGenericEmbeddedObjectSubject : public KelvoxGenericObjectSubject {
public:
    KxGenericEmbeddedObjectSubject(void* memory, const KxMetaClass* classDesc, KxTypeMgr* typeMgr, KxBase* base);
    ~KxGenericEmbeddedObjectSubject() override;

    KvSubject* clone() override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long hint) override;
    long getObjectsCount() override { return 1; }
    int isContainer() const override { return 0; }
    KvVerb** gimmeYourVerbs() const override;

    void* memory() const;
    KxErrorCode writeChangesToObject(KvAspectSet& set, long hint, const KvVerb& verb);

protected:
    KxErrorCode updatePostEdit(KvAspectSet& set, long hint) override;

private:
    struct State;
    State* state_;
};

class KxGenericOndemandSubject : public KelvoxGenericObjectSubject {
public:
    // desc: the type handle of the class the reference is declared for.
    KxGenericOndemandSubject(KxOnDemand* reference, const KxMetaTypeHandle* desc);
    ~KxGenericOndemandSubject() override;

    KvSubject* clone() override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long hint) override;
    long getObjectsCount() override { return 1; }
    int isContainer() const override { return 0; }
    int isReference() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override;

    // The object got through the reference (null when it could not be got).
    KxObject* object() const;
    // The result of the last Get.
    int32_t getResult() const;
    // The reference becomes the subject's own (deleted with it).
    void adoptReference();

    KxErrorCode writeChangesToObject(KvAspectSet& set, long hint, const KvVerb& verb);
    KxErrorCode storeObject(KvAspectSet& set, long hint, const KvVerb& verb);
    KxErrorCode refreshObject(KvAspectSet& set, long hint, const KvVerb& verb);

protected:
    KxErrorCode updatePostEdit(KvAspectSet& set, long hint) override;

private:
    struct State;
    State* state_;
};

class KxGenericObjectSchemaSubject : public KelvoxGenericObjectSubject {
public:
    KxGenericObjectSchemaSubject(const KxMetaClass* classDesc, KxTypeMgr* typeMgr);
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long hint) override;
};

// The base of an on-demand reference: its own, else the base of the object that holds it.
KxBase* onDemandBase(KxOnDemand* reference);
