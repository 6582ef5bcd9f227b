// The object-level client calls that are classes of their own:
//
//   KxAllSet          the extent of a persistent class in a base, walked like an object set.
//   KxMemberAccessor  a member of a class by name, bound to an object or an instance address:
//                     its type id, typed values, embedded instances, sets and references.
//
// The calls on objects, references and sets are members of KxObject, KxOnDemand and the set
// classes (KxObject.h); the query calls are members of KxGenericQuery (KxQuery.h). None of them
// knows which storage serves the base.
#pragma once

#include <cstdint>

#include "KxObject.h"

class KxBase;
class KxBasicContainer;
class KxBucketCru;
class KxMetaPersClass;
class KxQuery;
struct KxValueOps;

// The extent of a persistent class in a base (its subclasses' objects included as the storage
// includes them), owned by the caller. A walk (Get with seek 0, or the first Get) begins a
// transaction level of its own and a cursor over the extent as it stood then; the walk's Store and
// Delete calls nest in that level. Get answers KX_KERNEL_E_OBJ_NOT_FOUND (-2017) for an object
// deleted since the walk began (the cursor stands on it); KX_KERNEL_E_NO_ELEMENT (-2005) past the
// end, which ends the walk (the cursor goes, the level is committed). Deleting the set ends a walk
// too; closing the base ends it with the base's other levels, and a set that outlives its base
// answers KX_KERNEL_E_INVALID. The elements are not kept by the set: each Get reads one object and
// holds it for the caller.
class KxAllSet : public KxObjectSet {
public:
    KxAllSet(const KxMetaPersClass* metaClass, KxBase* base);
    ~KxAllSet() override;

    const KxMetaPersClass* GetMetaClass() const { return class_; }
    // The number of objects of the extent (read from the storage); a negative status.
    int32_t GetCount(int32_t mode = 0) override;
    int32_t Get(KxObject*& element, int32_t offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,
                int32_t watch = KX_SPEC_DEFAULT) override;
    // An extent is changed by storing and deleting objects: KX_KERNEL_E_NOT_SUPPORTED.
    int32_t Delete(int32_t mode = 1) override;
    int32_t Append(KxObject* object) override;
    int32_t Append(const KxOnDemand& ref) override;
    int32_t Append(const void* element) override;
    int32_t Clear() override;
    // Looks an object of the extent up by its id (an object of the class or of a subclass): 0 and
    // the found position, which the next Get with seek 1 and that offset reads (the object is held
    // by the set until then); KX_KERNEL_E_OBJ_NOT_FOUND (-2017) or KX_KERNEL_E_WRONG_CLASS when the
    // extent holds no such object, or the read's status. A Find ends a walk; any other Get drops
    // the found object.
    int32_t Find(const KxObjId& id, int32_t& position);
    // Runs a query (on the query's class) into results (emptied first): an on-demand reference per
    // object found, in the storage's order. The last three arguments are not used. 0 or the query's
    // status.
    int32_t Query(KxQuery* query, KxOnDemandSet* results, int32_t a = 0, int32_t b = 0, int32_t c = 0);

private:
    friend class KxBase;
    int32_t BeginWalk();
    void EndWalk();
    // The base closes: the cursor goes; the walk's level is the close's to end.
    void AbandonWalk();
    // The base goes: the set is left without one.
    void Detach();
    const KxMetaPersClass* class_;
    KxBase* base_;
    KxBucketCru* walk_ = nullptr;   // the cursor of the walk
    int32_t level_ = 0;             // the base's transaction level the walk began
    KxObject* found_ = nullptr;     // the object of the last Find, held until a Get takes it
    void DropFound();
};

// A member of a class, found by name among all its members (inherited ones too), bound with Of to
// an object of the class (or of a subclass) or to an instance address of the class.
//
// Type ids: a value member's kernel type code (KxTypeMgr.h), 100 for every other member. A typed
// access asks for a type id: 100 stands for the member's own; 2 and 7, 6 and 8, 1 and 5 are the same
// values; a member of type 0 (one byte) is read and written as type 5 by value. Any other mismatch
// answers KX_KERNEL_E_TYPE_MISMATCH (-2113).
class KxMemberAccessor {
public:
    KxMemberAccessor(const KxMetaClass* metaClass, const KxString& name);
    // A null or empty name: no member (an accessor of the whole instance, positioned by Get(KxMemberAccessor&)).
    KxMemberAccessor(const KxMetaClass* metaClass, const char* name);

    const KxMetaClass* GetMetaClass() const { return class_; }
    const KxMember* GetMember() const { return member_; }
    // Binds the accessor: 0; KX_KERNEL_E_WRONG_CLASS for an object of another class that is not a
    // subclass (nothing changes); KX_KERNEL_E_INVALID for null.
    int32_t Of(KxObject* object);
    int32_t Of(void* address);
    // The bound instance's address (null when not bound).
    void* GetObjectAddress() const { return instance_; }
    // The member's type id; -1 without member.
    int8_t GetTypeId() const;

    // The address of the member's value for a type id (embedded members: the instance inside):
    // 0 or a negative status (KX_KERNEL_E_STATE not bound, KX_KERNEL_E_NOT_FOUND no member, -2113).
    int32_t GetAddress(int32_t typeId, void*& address) const;
    // Copies the value into *value, a C++ value of the type id: 0 or a negative status.
    int32_t GetValue(int32_t typeId, void* value) const;
    // Writes *value (of the type id) into the member: 0 or a negative status.
    int32_t SetValue(int32_t typeId, const void* value);

    // The member's set (object sets only / any set), an embedded member's instance (positions the
    // other accessor on it), the member's reference (on-demand and pointer members). 0 or -2113.
    int32_t Get(KxObjectSet*& set) const;
    int32_t Get(KxSet*& set) const;
    // Container members: the container (KX_KERNEL_E_TYPE_MISMATCH for other members).
    int32_t Get(KxBasicContainer*& container) const;
    int32_t Get(KxMemberAccessor& embedded) const;
    int32_t Get(KxOnDemand& ref) const;
    // Writes a reference (the reference to no object clears the member): 0; -2113 for a reference
    // to an older version of its class or a member that holds no reference; KX_KERNEL_E_WRONG_CLASS
    // when the object is not of the member's class; a pointer member reads the object (KxOnDemand::Get).
    int32_t Set(const KxOnDemand& ref);

private:
    int32_t Address(uint8_t*& at) const;
    // A value member's address for a type id and the operations that copy its value: 0 or a negative status.
    int32_t ValueAt(int32_t typeId, void*& address, const KxValueOps*& ops) const;
    const KxMetaClass* class_;
    const KxMember* member_ = nullptr;   // in class_'s member list
    KxObject* object_ = nullptr;         // bound object (not held), or
    uint8_t* instance_ = nullptr;        // the bound instance
    uint32_t offset_ = 0;                // the member's offset in the bound instance
};
