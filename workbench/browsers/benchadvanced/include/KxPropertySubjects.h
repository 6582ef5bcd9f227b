// The persistent properties of one object: KxPersistentLockPropertySubject shows its persistent
// lock (mode, depth, root object, user, client), KxCheckOutPropertySubject its check-out record
// (workspace, user). Each has one entry, found by a kernel query over the object's database.
#pragma once

#include "KvAspectSet.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxObjectAspectSubject.h"

class KxObject;

class KxPersistentLockPropertySubject : public KxObjectAspectSubject {
public:
    // Holds the object (Remember) when one is given.
    explicit KxPersistentLockPropertySubject(KxObject* object);
    ~KxPersistentLockPropertySubject() override;
    KxPersistentLockPropertySubject(const KxPersistentLockPropertySubject&) = delete;
    KxPersistentLockPropertySubject& operator=(const KxPersistentLockPropertySubject&) = delete;

    KvSubject* clone() override;
    // Tells the views; success.
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // Fills the aspects the set holds from the object's persistent lock (the index is not used).
    void getValue(KvAspectSet& set, long index) override;
    long getObjectsCount() override;               // 1 with an object
    KvVerb** gimmeYourVerbs() const override;      // none
    void createAspectSet();

private:
    struct Block;
    Block* block_;
};

class KxCheckOutPropertySubject : public KxObjectAspectSubject {
public:
    explicit KxCheckOutPropertySubject(KxObject* object);
    ~KxCheckOutPropertySubject() override;
    KxCheckOutPropertySubject(const KxCheckOutPropertySubject&) = delete;
    KxCheckOutPropertySubject& operator=(const KxCheckOutPropertySubject&) = delete;

    KvSubject* clone() override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // Fills the aspects the set holds from the object's check-out record; as the persistent lock
    // subject, only for an object that carries a persistent lock.
    void getValue(KvAspectSet& set, long index) override;
    long getObjectsCount() override;
    KvVerb** gimmeYourVerbs() const override;
    void createAspectSet();

private:
    struct Block;
    Block* block_;
};
