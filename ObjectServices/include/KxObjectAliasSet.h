// Set aliases: a cursor over a set member of an object, for reading its elements (First, Next) and
// for writing them (Prepare, Append, Finish).
//
//   KxGSetAlias          owner alias (not owned), the set, the current element.
//   KxGKxObjectSetAlias  sets of objects or on-demand references: the current element's reference.
//   KxGKxTypeSetAlias    sets of values of a kernel type: the current element's value.
//   KxGKxClassSetAlias   sets of embedded class instances: an instance of the element class.
//
// GetObject of a set alias is the current element (a KxRef for object sets, the value for type
// sets, the instance for class sets); null before First / Prepare. GetRef gives the current
// element's reference for object sets and the set's own reference otherwise; GetSetRef always the
// set's.
//
// Writing a type set: Prepare(n) shrinks the set to at most n elements (an empty set in memory
// gets one default element) and positions on the first; the caller writes the current element
// (GetObject) and calls Append: Append(0) moves to the next element, appending a default one past
// the end; Append(non-zero) marks the last element written and stays. Finish removes the elements
// beyond those written.
#pragma once

#include <cstdint>

#include "KxObjectAlias.h"

class KxClassSet;
class KxMetaClass;
class KxMetaSet;
class KxSet;
class KxTypeSet;

class KxGSetAlias : public KxObjectAlias {
public:
    KxGSetAlias(KxObjectAlias* owner, KxSet* set);
    ~KxGSetAlias() override;
    KxGSetAlias(const KxGSetAlias&) = delete;
    KxGSetAlias& operator=(const KxGSetAlias&) = delete;

    void GetRef(KxRef& ref) const override;
    int32_t GetKind() const override { return KX_ALIAS_OBJECT; }

    virtual int32_t GetCount() const;
    // 0, or KX_ALIAS_E_NO_ELEMENT (-2005) when there is no (further) element.
    virtual int32_t First() = 0;
    virtual int32_t Next() = 0;
    virtual void ReleaseElement();
    virtual int32_t Prepare(uint32_t size);
    virtual int32_t Append(int32_t stop);
    virtual int32_t Finish();
    virtual KxObjectAlias* GetOwner() const { return owner_; }

    KxSet* GetSet() const { return set_; }
    void GetSetRef(KxRef& ref) const;

private:
    KxObjectAlias* owner_;
    KxSet* set_;
};

class KxGKxObjectSetAlias : public KxGSetAlias {
public:
    // set: a KxObjectSet or a KxOnDemandSet.
    KxGKxObjectSetAlias(KxObjectAlias* owner, KxSet* set) : KxGSetAlias(owner, set) {}
    void GetRef(KxRef& ref) const override { ref = current_; }
    void* GetObject() const override { return started_ ? const_cast<KxRef*>(&current_) : nullptr; }
    int32_t First() override;
    int32_t Next() override;
    // Writing does nothing (0): the object reader adds the objects.

private:
    int32_t Fetch();
    KxRef current_;
    uint32_t index_ = 0;
    bool started_ = false;
};

// A type set in memory is read and written in place: the current element is the set's own value.
// A set that is not in memory (KxTypeSet::IsInMemory false) is read through its cursor into one
// value buffer of the element type that the alias makes (-2030 when it cannot), and written from
// that buffer: the caller fills GetObject, Append stores it at the current position.
class KxGKxTypeSetAlias : public KxGSetAlias {
public:
    KxGKxTypeSetAlias(KxObjectAlias* owner, KxTypeSet* set, const KxMetaSet* elementType);
    ~KxGKxTypeSetAlias() override;
    void* GetObject() const override;
    int32_t First() override;
    int32_t Next() override;
    // -2030 when a default element cannot be made.
    int32_t Prepare(uint32_t size) override;
    int32_t Append(int32_t stop) override;
    int32_t Finish() override;
    const KxMetaSet* GetElementType() const { return elementType_; }

private:
    bool InMemory() const;
    int32_t MakeValue();
    void DropValue();
    KxTypeSet* typeSet_;
    const KxMetaSet* elementType_;
    void* value_ = nullptr;   // the value buffer of a set that is not in memory
    uint32_t index_ = 0;
    uint32_t written_ = 0;
    bool positioned_ = false;
};

class KxGKxClassSetAlias : public KxGSetAlias {
public:
    KxGKxClassSetAlias(KxObjectAlias* owner, KxClassSet* set, const KxMetaClass* elementClass);
    ~KxGKxClassSetAlias() override;
    void* GetObject() const override { return instance_; }
    uint8_t* GetAddress() const override { return instance_; }
    // First creates the element instance (-2030 when it cannot) and fetches element 0 into it.
    int32_t First() override;
    int32_t Next() override;
    void ReleaseElement() override;
    // Attaches the set to the owner's base, empties it and creates the element instance (-2030).
    int32_t Prepare(uint32_t size) override;
    // Appends a copy of the instance's value to the set.
    int32_t Append(int32_t stop) override;
    int32_t Finish() override;
    const KxMetaClass* GetElementClass() const { return elementClass_; }

private:
    int32_t MakeInstance();
    KxClassSet* classSet_;
    const KxMetaClass* elementClass_;
    uint8_t* instance_ = nullptr;
    uint32_t index_ = 0;
};
