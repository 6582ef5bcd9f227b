// Member aliases: where a member lies in a kernel object, and what it yields for an object. Every
// member alias is built from the member's offset in the object's instance and one further value;
// "object" below is the address of the owning instance (KxObjectAlias::GetAddress of the owner).
//
//   KxGMemberAlias            the root.
//   KxGCPPMemberAlias         the member's address: object + offset.
//   KxGClassMemberAlias       embedded instances: a new KxEmbeddedObjectAlias per element.
//   KxGRefAlias               a reference held by the member.
//   KxGSetMemberAlias         a new set alias (KxObjectAliasSet.h) over the set member.
//
//   KxGEmbeddedClassMemberAlias  (element size)             element i at address + i x size
//   KxGOnDemandMemberAlias       (16-bit word)              the reference of the KxOnDemand
//   KxGKxObjectPtrMemberAlias    (32-bit word)              the pointed object's reference
//   KxGKxObjectSetMemberAlias    (16-bit word)              KxGKxObjectSetAlias
//   KxGKxTypeSetMemberAlias      (set type of the element)  KxGKxTypeSetAlias
//   KxGKxClassSetMemberAlias     (set type of the element)  KxGKxClassSetAlias
//   KxGKxObjectSetElementAlias   (nothing)                  the reference of one object-set element
#pragma once

#include <cstdint>

#include "KxRef.h"

class KxEmbeddedObjectAlias;
class KxGSetAlias;
class KxMetaSet;
class KxObjectAlias;

class KxGMemberAlias {
public:
    virtual ~KxGMemberAlias();
};

class KxGCPPMemberAlias : public virtual KxGMemberAlias {
public:
    explicit KxGCPPMemberAlias(uint32_t offset) : offset_(offset) {}
    uint32_t GetOffset() const { return offset_; }
    // object + offset; null for a null object.
    uint8_t* GetAddress(void* object) const;

private:
    uint32_t offset_;
};

class KxGClassMemberAlias : public virtual KxGMemberAlias {
public:
    // A new alias (owned by the caller) of element i of the embedded member in the owner's
    // instance: the owner's reference and address + i x element size; null when the owner has no
    // address.
    virtual KxEmbeddedObjectAlias* CreateObjectAlias(const KxObjectAlias& owner, uint32_t i) const = 0;
};

class KxGRefAlias : public virtual KxGMemberAlias {
public:
    // The reference held by the member of the instance at object: 0 (an empty reference when the
    // member holds none), KX_ALIAS_E_NULL for a null object.
    virtual int32_t GetRef(void* object, KxRef& ref) const = 0;
    // Writes the reference into the member: 0, KX_ALIAS_E_NULL, or -2999 when the member cannot
    // take a bare reference (pointers: the object reader sets them through the object manager).
    virtual int32_t SetRef(void* object, const KxRef& ref) const = 0;
};

class KxGSetMemberAlias : public virtual KxGMemberAlias {
public:
    // A new set alias (owned by the caller) over the set member of the owner's instance; the
    // owner alias is not owned by it and must outlive it. Null when the owner has no address.
    virtual KxGSetAlias* CreateSetAlias(KxObjectAlias* owner) const = 0;
};

class KxGEmbeddedClassMemberAlias : public KxGCPPMemberAlias, public KxGClassMemberAlias {
public:
    KxGEmbeddedClassMemberAlias(uint32_t offset, uint32_t elementSize)
        : KxGCPPMemberAlias(offset), elementSize_(elementSize) {}
    uint32_t GetElementSize() const { return elementSize_; }
    KxEmbeddedObjectAlias* CreateObjectAlias(const KxObjectAlias& owner, uint32_t i) const override;

private:
    uint32_t elementSize_;
};

class KxGOnDemandMemberAlias : public KxGCPPMemberAlias, public KxGRefAlias {
public:
    KxGOnDemandMemberAlias(uint32_t offset, uint16_t word) : KxGCPPMemberAlias(offset), word_(word) {}
    uint16_t GetWord() const { return word_; }
    int32_t GetRef(void* object, KxRef& ref) const override;
    int32_t SetRef(void* object, const KxRef& ref) const override;

private:
    uint16_t word_;
};

class KxGKxObjectPtrMemberAlias : public KxGCPPMemberAlias, public KxGRefAlias {
public:
    KxGKxObjectPtrMemberAlias(uint32_t offset, uint32_t word) : KxGCPPMemberAlias(offset), word_(word) {}
    uint32_t GetWord() const { return word_; }
    // The pointed object's reference; an empty reference for a null pointer.
    int32_t GetRef(void* object, KxRef& ref) const override;
    int32_t SetRef(void* object, const KxRef& ref) const override;   // -2999

private:
    uint32_t word_;
};

class KxGKxObjectSetMemberAlias : public KxGCPPMemberAlias, public KxGSetMemberAlias {
public:
    // The member holds a KxObjectSet or a KxOnDemandSet.
    KxGKxObjectSetMemberAlias(uint32_t offset, uint16_t word) : KxGCPPMemberAlias(offset), word_(word) {}
    uint16_t GetWord() const { return word_; }
    KxGSetAlias* CreateSetAlias(KxObjectAlias* owner) const override;

private:
    uint16_t word_;
};

class KxGKxTypeSetMemberAlias : public KxGCPPMemberAlias, public KxGSetMemberAlias {
public:
    // elementType: the set type, which names the element's kernel type.
    KxGKxTypeSetMemberAlias(uint32_t offset, const KxMetaSet* elementType)
        : KxGCPPMemberAlias(offset), elementType_(elementType) {}
    KxGSetAlias* CreateSetAlias(KxObjectAlias* owner) const override;

private:
    const KxMetaSet* elementType_;
};

class KxGKxClassSetMemberAlias : public KxGCPPMemberAlias, public KxGSetMemberAlias {
public:
    // elementType: the set type, which names the element class.
    KxGKxClassSetMemberAlias(uint32_t offset, const KxMetaSet* elementType)
        : KxGCPPMemberAlias(offset), elementType_(elementType) {}
    KxGSetAlias* CreateSetAlias(KxObjectAlias* owner) const override;

private:
    const KxMetaSet* elementType_;
};

// The reference of one element of an object set: object is the current element of a
// KxGKxObjectSetAlias (its GetObject, a KxRef).
class KxGKxObjectSetElementAlias : public KxGRefAlias {
public:
    int32_t GetRef(void* object, KxRef& ref) const override;
    int32_t SetRef(void* object, const KxRef& ref) const override;
};
