// Subjects that show a set-valued member of an object as a table, one row per element, and insert,
// replace, remove and clear elements:
//
//   KxGenericPersistentObjectSetSubject  a set of persistent objects
//   KxGenericOndemandSetSubject          a set of on-demand references
//   KxGenericTypeSetSubject              a set of base-type values
//   KxGenericObjectSetSubject            a set of embedded (non-persistent) objects held by value
//
// Rows of object and reference sets show the identity aspects, one column per base-type member of
// the element class and "object", which opens the element.
#pragma once

#include "KelvoxGenericObjectSubject.h"

class KxBase;
class KxClassSet;
class KxObjectSet;
class KxOnDemandSet;
class KxTypeSet;

// What the persistent object set and the on-demand set share: the verbs, rows, element operations
// and the "post edit" of a row; the set itself is reached through the element operations below.
class KxGenericReferenceSetSubject : public KelvoxGenericObjectSubject {
public:
    ~KxGenericReferenceSetSubject() override;

    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long row) override;
    long getObjectsCount() override;
    int isContainer() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override;

    KxErrorCode insertObject(KxObject* object, long pos);
    KxErrorCode replaceObject(KxObject* object, long pos);
    KxErrorCode removeObject(long pos);
    KxErrorCode clearObjectSet();
    KxErrorCode createNewObject(KxObject*& out);
    KxErrorCode insertNewObject(long pos);
    KxErrorCode insertEmptyObject(long pos);
    KxErrorCode replaceNewObject(long pos);
    KxErrorCode replaceEmptyObject(long pos);
    KxErrorCode writeChangesToObject(KvAspectSet& set, long hint, const KvVerb& verb);

    const KxMetaClass* elementClass() const;

protected:
    KxGenericReferenceSetSubject(const KxMetaSet* desc, KxBase* base, const char* kind);
    KxErrorCode updatePostEdit(KvAspectSet& set, long row) override;

    // The set's own steps: count; the element at a row (held); position at pos (0 or -2005 past the
    // end); insert before / replace / remove the element at pos; clear; the reference at a row.
    virtual bool hasSet() const = 0;
    virtual int32_t count() const = 0;
    virtual int32_t getAt(long row, KxObject*& object) = 0;
    virtual void release(KxObject*& object) = 0;
    virtual int32_t position(long pos) = 0;
    virtual int32_t insertAt(long pos, KxObject* object) = 0;
    virtual int32_t replaceAt(long pos, KxObject* object) = 0;
    virtual int32_t removeAt(long pos) = 0;
    virtual int32_t clearAll() = 0;
    virtual int32_t refAt(long row, KxRef& ref) const = 0;

    struct State;
    State* state_;
};

class KxGenericPersistentObjectSetSubject : public KxGenericReferenceSetSubject {
public:
    KxGenericPersistentObjectSetSubject(KxObjectSet* set, const KxMetaSet* desc);
    KvSubject* clone() override;

protected:
    bool hasSet() const override { return set_ != nullptr; }
    int32_t count() const override;
    int32_t getAt(long row, KxObject*& object) override;
    void release(KxObject*& object) override;
    int32_t position(long pos) override;
    int32_t insertAt(long pos, KxObject* object) override;
    int32_t replaceAt(long pos, KxObject* object) override;
    int32_t removeAt(long pos) override;
    int32_t clearAll() override;
    int32_t refAt(long row, KxRef& ref) const override;

private:
    KxObjectSet* set_;
};

class KxGenericOndemandSetSubject : public KxGenericReferenceSetSubject {
public:
    KxGenericOndemandSetSubject(KxOnDemandSet* set, const KxMetaSet* desc);
    KvSubject* clone() override;

protected:
    bool hasSet() const override { return set_ != nullptr; }
    int32_t count() const override;
    int32_t getAt(long row, KxObject*& object) override;
    void release(KxObject*& object) override;
    int32_t position(long pos) override;
    int32_t insertAt(long pos, KxObject* object) override;
    int32_t replaceAt(long pos, KxObject* object) override;
    int32_t removeAt(long pos) override;
    int32_t clearAll() override;
    int32_t refAt(long row, KxRef& ref) const override;

private:
    KxOnDemandSet* set_;
};

class KxGenericTypeSetSubject : public KelvoxGenericObjectSubject {
public:
    KxGenericTypeSetSubject(KxTypeSet* set, const KxMetaSet* desc);
    ~KxGenericTypeSetSubject() override;

    KvSubject* clone() override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long row) override;
    long getObjectsCount() override;
    int isContainer() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override;

    KxErrorCode writeChangesToObject(KvAspectSet& set, long row);
    KxErrorCode insertNewObject(long pos);
    KxErrorCode replaceNewObject(long pos);
    KxErrorCode removeObject(long pos);
    KxErrorCode clearObjectSet();
    KxErrorCode createNewObject(void*& out);

private:
    struct State;
    State* state_;
};

class KxGenericObjectSetSubject : public KelvoxGenericObjectSubject {
public:
    KxGenericObjectSetSubject(KxClassSet* set, const KxMetaSet* desc);
    ~KxGenericObjectSetSubject() override;

    KvSubject* clone() override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long row) override;
    long getObjectsCount() override;
    int isContainer() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override;

    KxErrorCode insertNewObject(long pos);
    KxErrorCode removeObject(long pos);
    KxErrorCode clearObjectSet();

private:
    struct State;
    State* state_;
};
