// KxGenericArraySubject: one fixed-size array member of an object as a list of its elements; an
// edited element is written straight back into the object's memory. Its items (KxGenericArrayItem,
// one per element, made when first asked for) know the element's address.
#pragma once

#include <vector>

#include "KelvoxGenericObjectSubject.h"
#include "KvAspect.h"

class KxGenericArrayItem : public KvAspect {
public:
    explicit KxGenericArrayItem(unsigned long index);
    KxGenericArrayItem(const KxGenericArrayItem& other);
    KxGenericArrayItem& operator=(const KxGenericArrayItem& other);

    void* getAddress() const { return address_; }
    void setAddress(void* address) { address_ = address; }

private:
    void* address_ = nullptr;
};

class KxGenericArraySubject : public KelvoxGenericObjectSubject {
public:
    KxGenericArraySubject(const KxMember* member, KxTypeMgr* typeMgr);
    ~KxGenericArraySubject() override;

    KvSubject* clone() override { return nullptr; }
    KxErrorCode update(KvAspectSet& set, long index, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long index) override;
    long getObjectsCount() override;
    int isContainer() const override;
    int isArray() const override { return 1; }
    int isReference() const override;
    int isCompound() const override;
    KvVerb** gimmeYourVerbs() const override { return nullptr; }

    // The item of an element, made when there is none yet (the subject owns it).
    KxGenericArrayItem* getArrayItem(unsigned long index);

private:
    struct State {
        std::vector<KxGenericArrayItem*> items;
        const KxMember* member = nullptr;
        KxTypeMgr* typeMgr = nullptr;
    };
    State* state_;
};
