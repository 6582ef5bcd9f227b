// Kernel objects and the values they hold.
//
//   KxObject       a generic object laid out from its class: a block of the class's instance size
//                  (member address = GetAddress() + member offset), a reference (object id and
//                  class id), a 16-bit state word and a reference count (Hold / Release).
//   KxOnDemand     an on-demand reference: the reference, its base and its parent base.
//   KxSet          what every set value has: its own reference (a set is an object of the
//                  kernel), its base and an element count.
//   KxObjectSet    a set of objects (each element held).
//   KxOnDemandSet  a set of on-demand references.
//   KxTypeSet      a set of values of one kernel type.
//   KxClassSet     a set of embedded class instances (values of the element class).
//   KxBasicContainer    the value of a container member (KxMetaPersContainer): base-type values,
//                  references (KxOnDemand) or instances of an embedded class, in order.
//   KxContainerIterator a position in a container.
//   KxObjectMgr    creates, finds by reference and releases the objects of a base.
//
// Not thread-safe: an object and its sets are used by one thread at a time; the object manager
// works on its base's object space under that space's critical section.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "KxKernelStatus.h"
#include "KxMetaType.h"
#include "KxRef.h"

class KxBase;
class KxTransaction;
class KxWorkspace;
class KxClassDict;
class KxObjectMgr;
class KxObjStateObjectInfo;
class KxTransactionResource;
struct KxLockSpec;
struct KxWatchSpec;

// Status codes of objects and sets.
enum : int32_t {
    KX_KERNEL_E_NO_ELEMENT = -2005,     // no (further) element, end of a walk by index
    KX_KERNEL_E_OBJ_NOT_FOUND = -2017,  // no object for the reference
    KX_KERNEL_E_WRONG_CLASS = -2023,    // the object's class does not fit
    KX_KERNEL_E_TYPE_MISMATCH = -2113   // a member asked for as a type it is not of
};

// The lock and watch arguments of the client calls: the base's default, or none.
enum : int32_t { KX_SPEC_DEFAULT = -1, KX_SPEC_NONE = 0 };

// Bits of an object's state word.
enum : uint16_t {
    KX_STATE_HAS_ROW = 0x8000, KX_STATE_MODIFIED = 0x4000, KX_STATE_BEING_READ = 0x2000,
    KX_STATE_DELETED = 0x1000   // deleted through the client calls; usable until its last Forget
};

class KxObject {
public:
    KxObject(const KxObject&) = delete;
    KxObject& operator=(const KxObject&) = delete;

    const KxMetaClass* GetMetaClass() const { return class_; }
    // The instance: member address = GetAddress() + member offset.
    uint8_t* GetAddress() const { return data_; }
    // Object id and class id (the class's class id; the base marker as set).
    const KxRef& GetRef() const { return ref_; }
    const KxObjId& GetObjId() const { return ref_.GetObjId(); }
    // Gives the object an id (the object manager's object space follows: see KxObjectMgr::SetId).
    KxBase* GetBase() const { return base_; }

    uint16_t GetState() const { return state_; }
    void SetState(uint16_t state) { state_ = state; }
    uint16_t& State() { return state_; }

    // Reference count: 1 after creation. Release at 0 takes the object out of its manager's object
    // space and frees its instance; an object of a manager is kept as a small stale entry
    // (KxObjectMgr::kStaleEntries), any other is deleted.
    void Hold() { ++count_; }
    void Release();
    uint32_t GetHoldCount() const { return count_; }

    // ---- client calls (KxClientObject.cpp) -------------------------------------------------------
    // lock and watch: KX_SPEC_DEFAULT (-1) the base's default, KX_SPEC_NONE (0) none, else the lock
    // mode of a lock spec (the watch is not kept). A call on a base without an open transaction runs
    // in one of its own (begin, call, commit; abort on failure): done for good on return. Inside an
    // open transaction it runs as a nested level: its commit writes its work, a failure is aborted
    // alone and leaves the outer transaction usable.
    //
    // A new object of the class (current version) named, in the base, held once by the caller; no id
    // until stored. Null for an unknown or embedded class or a base that is not open.
    static KxObject* Make(KxBase* base, const KxString& className);
    // Stores the object (an id from the surrogate cache when it has none); depth > 0 stores also the
    // objects its pointers and object sets reach that have no row yet, depth levels deep. 0 or the
    // storage's status (-2028 a unique key taken, -2041 a lock conflict ...); KX_KERNEL_E_OBJ_NOT_FOUND
    // for a deleted object; KX_KERNEL_E_STATE without open base.
    int32_t Store(int32_t depth = 0, int32_t lock = KX_SPEC_DEFAULT, int32_t watch = KX_SPEC_DEFAULT);
    // Reads the object's stored state again into it. 0 (also for an object never stored: nothing
    // read), KX_KERNEL_E_OBJ_NOT_FOUND when it is stored no more, or the read's status.
    int32_t Refresh(int32_t lock = KX_SPEC_DEFAULT, int32_t watch = KX_SPEC_DEFAULT);
    // Deletes the object from its storage; depth > 0 deletes also the stored objects its pointers and
    // object sets reach, depth levels deep. The object leaves the base's object space and stays
    // usable by its holders until their last Forget. 0 or the storage's status.
    int32_t Delete(int32_t depth = 0, int32_t lock = KX_SPEC_DEFAULT, int32_t watch = KX_SPEC_DEFAULT);
    // One more hold: 0; KX_KERNEL_E_OBJ_NOT_FOUND for an object whose last hold went.
    int32_t Remember();
    // Gives one hold back: the holds that remain (positive while there are any, 0 for the last);
    // KX_KERNEL_E_OBJ_NOT_FOUND for an object whose last hold went (see the README: a small stale
    // entry of it is kept for this answer).
    int32_t Forget(int32_t lock = KX_SPEC_DEFAULT, int32_t watch = KX_SPEC_DEFAULT);
    // Assigns the object to a base (its object manager takes it, KxObjectMgr::Attach): 0 (also when
    // it is there already), KX_KERNEL_E_INVALID for a null base, KX_KERNEL_E_STATE for an object that
    // has an id at another base (a stored object stays with its base), KX_KERNEL_E_DUPLICATE. The
    // transaction is not used (the object is stored in the one current at its Store).
    int32_t Assign(KxBase* base, KxTransaction* txn = nullptr);
    // Takes an object without id out of its base: it belongs to none afterwards (holding its class's
    // dictionary, as an object whose base closed). 0; KX_KERNEL_E_STATE for an object with an id.
    int32_t UnAssign();
    const KxMetaType* GetMetaType() const { return class_; }

    // ---- locks, watches and state information (KxClientLocks.cpp) -----------------------------
    // Locks the object for the base's client with the spec's mode (the object alone; the depth is
    // recorded). A lock of type KxLK_NONPERS is taken through the storage (KxBase::LockObject) in
    // the base's open transaction and ends with its outermost level (KX_KERNEL_E_STATE without
    // one). A lock of type KxLK_PERS is kept by the kernel for the database until it is unlocked,
    // also past the client's end, and recorded as a KxPersistentLock property. Taking a mode the
    // client holds already counts it once more. 0; KX_KERNEL_E_LOCKED when another client's lock
    // conflicts; KX_KERNEL_E_OBJ_NOT_FOUND for an object without id or deleted; KX_KERNEL_E_STATE
    // when the base is not open; the storage's status. The watch argument is not used.
    int32_t Lock(const KxLockSpec& lock, int32_t watch = KX_SPEC_DEFAULT);
    // Gives one count of the client's lock of the spec's mode and type back (through the storage
    // for KxLK_NONPERS). 0; KX_KERNEL_E_NOT_LOCKED when the client holds no such lock; as Lock.
    int32_t Unlock(const KxLockSpec& lock, int32_t watch = KX_SPEC_DEFAULT);
    // Watches the object for the base's client (mode and depth recorded; kept by the kernel until
    // unset or the base closes; no change is reported). 0; KX_KERNEL_E_INVALID for a mode without
    // any of the KxWATCH_ALL bits; as Lock.
    int32_t SetWatch(const KxWatchSpec& watch);
    // Gives one count of the client's watch of the spec's mode back: 0 or KX_KERNEL_E_NOT_LOCKED.
    int32_t UnsetWatch(const KxWatchSpec& watch);
    // The object's state information: the locks on it of every client of its database in this
    // process (in the order they were taken), its watches, and its property word (persistent lock,
    // check-out). 0 (an object without id or base has none of them).
    int32_t GetObjectInfo(KxObjStateObjectInfo& info) const;

    bool IsDeleted() const { return (state_ & KX_STATE_DELETED) != 0; }

    // Member access helpers: the member's address in this object (element i of an array).
    uint8_t* MemberAddress(const KxMember& member, uint32_t element = 0) const;
    // Sets a pointer member: holds the new object, releases the old one.
    void SetPointer(const KxMember& member, KxObject* target, uint32_t element = 0);

protected:
    // A class bound to C++ (KxClassBinding.h) derives from KxObject: its factory builds the object
    // on the instance the kernel laid out. The kernel deletes objects through the virtual destructor;
    // a derived destructor must not touch the instance (it may be gone already).
    KxObject(const KxMetaClass* metaClass, uint8_t* data);
    virtual ~KxObject();

private:
    friend class KxObjectMgr;
    const KxMetaClass* class_;
    uint8_t* data_;
    KxRef ref_;
    uint16_t state_ = 0;
    uint32_t count_ = 1;
    KxBase* base_ = nullptr;
    KxObjectMgr* manager_ = nullptr;
    KxClassDict* dictionary_ = nullptr;   // a hold of the root's, taken when the object left its base
};

class KxOnDemand {
public:
    KxOnDemand() = default;
    KxOnDemand(const KxOnDemand&) = default;
    KxOnDemand& operator=(const KxOnDemand&) = default;
    // A reference into a base.
    KxOnDemand(const KxRef& ref, KxBase* base);
    // The reference of an object (flag not used); a null object gives the reference to no object.
    KxOnDemand(const KxObject* object, int32_t flag);
    // Checks the referenced object out into a workspace (KxWorkspace.h): not supported here.
    int32_t CheckOut(KxWorkspace* workspace, int32_t depth, uint16_t flags);

    // The referenced object, held for the caller (from memory, else read from the base's storage, in
    // a transaction of its own when none is open): 0; KX_KERNEL_E_OBJ_NOT_FOUND (-2017) for no object
    // (an invalid reference, one without base, a deleted object); KX_KERNEL_E_WRONG_CLASS (-2023)
    // when the object is not of the reference's class; or the read's status (-2041 locked ...).
    // lock and watch as for KxObject::Store; flag not used.
    int32_t Get(KxObject*& object, int32_t lock = KX_SPEC_DEFAULT, int32_t watch = KX_SPEC_DEFAULT,
                int32_t flag = 1) const;
    // Gives back the hold of Get (object becomes null): 0.
    int32_t Unget(KxObject*& object) const;

    const KxRef& GetRef() const { return ref_; }
    // The base the reference points into (null: the parent's base, or the one named by the
    // reference's base marker); the parent base is the base of the object that holds it.
    KxBase* GetBase() const { return base_; }
    KxBase* GetParentBase() const { return parent_; }
    // Assigns base, reference and parent base.
    void Assign(KxBase* base, const KxRef& ref, KxBase* parent);
    void SetRef(const KxRef& ref) { ref_ = ref; }
    void Clear();
    bool IsValid() const { return !ref_.IsInvalid(); }

private:
    KxRef ref_;
    KxBase* base_ = nullptr;
    KxBase* parent_ = nullptr;
};

class KxSet {
public:
    virtual ~KxSet();
    KxSet(const KxSet&) = delete;

    const KxMetaSet* GetSetType() const { return type_; }
    // The set object's reference: its object id (null until given) and the set type's class id.
    const KxRef& GetRef() const { return ref_; }
    void SetObjId(const KxObjId& id) { ref_.SetObjId(id); }
    KxBase* GetBase() const { return base_; }
    void AttachToBase(KxBase* base) { base_ = base; }
    virtual uint32_t Count() const = 0;
    // Empties the set: 0.
    virtual int32_t Clear() = 0;
    // ---- client calls (KxClientSet.cpp) ----------------------------------------------------------
    // The number of elements (the mode is not used).
    virtual int32_t GetCount(int32_t mode = 0);
    // The address of element i as the set keeps it (a type set's value, a class set's instance, an
    // object set's KxObject*, an on-demand set's KxOnDemand); null past the end.
    virtual void* GetElementAddress(uint32_t i);
    // Appends a copy of the value at element, of the same form: 0 or a negative status.
    virtual int32_t Append(const void* element);
    // Sets of references (object and on-demand sets): the reference of element i;
    // KX_KERNEL_E_NO_ELEMENT past the end; KX_KERNEL_E_NOT_SUPPORTED for other sets.
    virtual int32_t GetElementRef(uint32_t i, KxRef& ref) const;

protected:
    explicit KxSet(const KxMetaSet* type);
    // Copies the base and the reference.
    void CopyHeader(const KxSet& other);
    // Moves the set's cursor for a Get: seek 0 to element offset, seek 1 offset elements from the
    // current one. 0 and pos, or KX_KERNEL_E_NO_ELEMENT (cursor unchanged).
    int32_t MoveCursor(int32_t offset, int32_t seek, uint32_t& pos);
    int32_t cursor_ = -1;   // the current element of the client calls; -1 before the first

private:
    const KxMetaSet* type_;
    KxRef ref_;
    KxBase* base_ = nullptr;
};

class KxObjectSet : public KxSet {
public:
    explicit KxObjectSet(const KxMetaSet* type);
    ~KxObjectSet() override;   // releases the elements
    KxObjectSet& operator=(const KxObjectSet& other);

    uint32_t Count() const override { return static_cast<uint32_t>(items_.size()); }
    int32_t Clear() override;
    // ---- client calls: a cursor over the elements ----------------------------------------------
    // The element at offset (seek 0) or offset elements from the current one (seek 1), held for
    // the caller: 0; KX_KERNEL_E_NO_ELEMENT past either end; KX_KERNEL_E_OBJ_NOT_FOUND for an element
    // deleted meanwhile (the cursor stands on it).
    virtual int32_t Get(KxObject*& element, int32_t offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,
                        int32_t watch = KX_SPEC_DEFAULT);
    // Gives back the hold of Get: 0.
    virtual int32_t Unget(KxObject*& element);
    // Removes the current element (mode 1); the next one then stands at the current position
    // (Get(0, 1) gives it). 0 or KX_KERNEL_E_NO_ELEMENT.
    virtual int32_t Delete(int32_t mode = 1);
    using KxSet::Append;
    // Appends an object, or the object of a reference (read when it is not in memory).
    virtual int32_t Append(KxObject* object);
    virtual int32_t Append(const KxOnDemand& ref);
    void* GetElementAddress(uint32_t i) override;
    int32_t Append(const void* element) override;
    // Appends and holds the object: 0, KX_KERNEL_E_INVALID for null, KX_KERNEL_E_WRONG_CLASS when
    // it is not of the element class.
    int32_t Add(KxObject* object);
    // Inserts the object before the current element of the cursor (it becomes the current one), or
    // replaces the current element (released): as Add, or KX_KERNEL_E_NO_ELEMENT without a current
    // element.
    int32_t Insert(KxObject* object);
    int32_t Replace(KxObject* object);
    KxObject* Get(uint32_t i) const { return i < items_.size() ? items_[i] : nullptr; }
    // Removes (and releases) element i: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t RemoveAt(uint32_t i);
    int32_t GetElementRef(uint32_t i, KxRef& ref) const override;

private:
    int32_t Fits(const KxObject* object) const;
    int32_t AtCursor(const KxObject* object) const;
    std::vector<KxObject*> items_;
};

class KxOnDemandSet : public KxSet {
public:
    explicit KxOnDemandSet(const KxMetaSet* type);
    // A set of on-demand references of a base on its own (query results); the type (2) and the
    // last argument are not used.
    KxOnDemandSet(int32_t type, KxBase* base, int32_t flags);
    ~KxOnDemandSet() override;
    KxOnDemandSet& operator=(const KxOnDemandSet& other);

    uint32_t Count() const override { return static_cast<uint32_t>(items_.size()); }
    int32_t Clear() override {
        items_.clear();
        cursor_ = -1;
        return 0;
    }
    // ---- client calls: a cursor over the elements, as KxObjectSet's; Get reads the object of the
    // element (KxOnDemand::Get: -2017, -2023 ...).
    int32_t Get(KxObject*& element, int32_t offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,
                int32_t watch = KX_SPEC_DEFAULT);
    int32_t Unget(KxObject*& element);
    int32_t Delete(int32_t mode = 1);
    using KxSet::Append;
    int32_t Append(const KxOnDemand& ref) { return Add(ref); }
    void* GetElementAddress(uint32_t i) override;
    int32_t Append(const void* element) override;
    int32_t Add(const KxOnDemand& element);
    const KxOnDemand* Get(uint32_t i) const { return i < items_.size() ? &items_[i] : nullptr; }
    int32_t RemoveAt(uint32_t i);
    // Inserts a reference before element i (i == Count() appends), or overwrites element i: 0 or
    // KX_KERNEL_E_NO_ELEMENT.
    int32_t InsertAt(uint32_t i, const KxOnDemand& element);
    int32_t SetAt(uint32_t i, const KxOnDemand& element);
    int32_t GetElementRef(uint32_t i, KxRef& ref) const override;

private:
    std::vector<KxOnDemand> items_;
};

class KxTypeSet : public KxSet {
public:
    explicit KxTypeSet(const KxMetaSet* type);
    ~KxTypeSet() override;
    KxTypeSet& operator=(const KxTypeSet& other);

    int32_t GetElementTypeCode() const;
    uint32_t Count() const override { return static_cast<uint32_t>(items_.size()); }
    int32_t Clear() override;
    void* GetElementAddress(uint32_t i) override { return At(i); }
    int32_t Append(const void* element) override { return Add(element); }
    // Appends a copy of *value (the C++ value of the element type, KxTypeMgr.h); null appends a
    // default value. 0 or KX_KERNEL_E_NO_MEMORY.
    int32_t Add(const void* value);
    // The element's value in the set (valid until the set changes); null past the end and for a
    // set that is not in memory.
    void* At(uint32_t i) const { return inMemory_ && i < items_.size() ? items_[i] : nullptr; }
    // Copies element i into *value: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t Get(uint32_t i, void* value) const;
    // Overwrites element i with a copy of *value: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t Set(uint32_t i, const void* value);
    // Keeps the first n elements (no change when there are fewer).
    void Truncate(uint32_t n);
    // Inserts a copy of *value (null: a default value) before element i (i == Count() appends), or
    // removes element i: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t InsertAt(uint32_t i, const void* value);
    int32_t RemoveAt(uint32_t i);
    // The set's own cursor: copies the first / next element into *value; KX_KERNEL_E_NO_ELEMENT
    // at the end. Works in both modes.
    int32_t First(void* value);
    int32_t Next(void* value);
    // Whether the elements can be addressed in memory (At). A set that is not in memory is read
    // through its cursor and written with Set and Add only; this stand-in keeps the values either
    // way and lets callers switch the mode to exercise both roads.
    bool IsInMemory() const { return inMemory_; }
    void SetInMemory(bool inMemory) { inMemory_ = inMemory; }

private:
    std::vector<void*> items_;
    uint32_t cursor_ = 0;
    bool inMemory_ = true;
};

class KxClassSet : public KxSet {
public:
    explicit KxClassSet(const KxMetaSet* type);
    ~KxClassSet() override;
    KxClassSet& operator=(const KxClassSet& other);

    const KxMetaClass* GetElementClass() const;
    uint32_t Count() const override { return static_cast<uint32_t>(items_.size()); }
    int32_t Clear() override;
    void* GetElementAddress(uint32_t i) override { return At(i); }
    int32_t Append(const void* element) override { return Add(static_cast<const uint8_t*>(element)); }
    // Appends a copy of an instance of the element class: 0, KX_KERNEL_E_INVALID (null),
    // KX_KERNEL_E_NO_MEMORY.
    int32_t Add(const uint8_t* instance);
    uint8_t* At(uint32_t i) const { return i < items_.size() ? items_[i] : nullptr; }
    // Inserts a copy of an instance before element i (i == Count() appends), or removes element i:
    // 0, KX_KERNEL_E_NO_ELEMENT, KX_KERNEL_E_INVALID, KX_KERNEL_E_NO_MEMORY.
    int32_t InsertAt(uint32_t i, const uint8_t* instance);
    int32_t RemoveAt(uint32_t i);
    // Copies element i into a constructed instance: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t Get(uint32_t i, uint8_t* instance) const;

private:
    std::vector<uint8_t*> items_;
};

// The value of a container member: the elements its description (KxMetaPersContainer) names, each
// kept as a block of the element's form: the C++ value of a basic type, a KxOnDemand for persistent
// class and on-demand elements, an instance of an embedded class. Containers are written and read
// with their object by the kernel's own storage; the relational gateway does not map them.
class KxBasicContainer {
public:
    explicit KxBasicContainer(const KxMetaPersContainer* type);
    KxBasicContainer(const KxBasicContainer&) = delete;
    ~KxBasicContainer();
    KxBasicContainer& operator=(const KxBasicContainer& other);

    const KxMetaPersContainer* GetDescription() const { return type_; }
    KxBase* GetBase() const { return base_; }
    void AttachToBase(KxBase* base) { base_ = base; }
    uint32_t Count() const { return static_cast<uint32_t>(items_.size()); }
    // The number of elements (the mode is not used).
    int32_t GetCount(int32_t mode = 0) const { (void)mode; return static_cast<int32_t>(items_.size()); }
    // Element i in the element's form; null past the end.
    void* GetElementAddress(uint32_t i) const { return i < items_.size() ? items_[i] : nullptr; }
    // Appends, or inserts before element i (i == Count() appends), a copy of an element in the
    // element's form (null: an empty element); removes element i. 0, KX_KERNEL_E_NO_ELEMENT,
    // KX_KERNEL_E_INVALID (a container without description).
    int32_t Add(const void* element);
    int32_t InsertAt(uint32_t i, const void* element);
    int32_t RemoveAt(uint32_t i);
    int32_t Clear();

private:
    uint8_t* NewElement(const void* element) const;
    void DeleteElement(uint8_t* element) const;
    const KxMetaPersContainer* type_;
    KxBase* base_ = nullptr;
    std::vector<uint8_t*> items_;
};

// A position in a container: none until Position; the element there while the container keeps it.
class KxContainerIterator {
public:
    explicit KxContainerIterator(const KxBasicContainer* container) : container_(container) {}
    // Moves to element i: 0, or KX_KERNEL_E_NO_ELEMENT (no current element then).
    int32_t Position(int64_t i);
    bool IsValid() const { return GetCurrent() != nullptr; }
    // The current element in the element's form; null without one.
    void* GetCurrent() const;

private:
    const KxBasicContainer* container_;
    int64_t at_ = -1;
};

// The objects of one base (or of no base): creation, look-up by reference, release. Objects with
// an id are listed in the base's object space (without a hold) while they live.
class KxObjectMgr {
public:
    // base may be null (objects then have no base and no object space).
    explicit KxObjectMgr(KxBase* base);
    // Objects still alive lose their manager and base (they stay valid until their last release).
    ~KxObjectMgr();
    // Lets every object still alive go: each loses its manager and base and leaves the object space;
    // it stays valid until its last release and keeps the dictionary of its class for that long (a
    // hold of the root's, when the root holds it). The base does this when it closes.
    void DetachAll();
    KxObjectMgr(const KxObjectMgr&) = delete;
    KxObjectMgr& operator=(const KxObjectMgr&) = delete;

    KxBase* GetBase() const { return base_; }
    // A new object of a class (not an embedded class or set type), held once by the caller.
    // With an id it is listed in the object space (an id already listed gives
    // KX_KERNEL_E_DUPLICATE). 0, KX_KERNEL_E_INVALID, KX_KERNEL_E_NO_MEMORY.
    int32_t Create(const KxMetaClass* metaClass, KxObject*& object);
    int32_t Create(const KxMetaClass* metaClass, const KxObjId& id, KxObject*& object);
    // Gives an object of this manager an id (listing it in the object space): 0,
    // KX_KERNEL_E_DUPLICATE, KX_KERNEL_E_INVALID.
    int32_t SetId(KxObject* object, const KxObjId& id);
    // Attaches an object of another manager (or of none) to this manager's base: it leaves the
    // other base's object space and is listed in this one when it has an id. 0 (also when it is
    // already here), KX_KERNEL_E_DUPLICATE (another object with its id is listed here; nothing
    // changes), KX_KERNEL_E_INVALID.
    int32_t Attach(KxObject* object);
    // The object in memory for the reference's object id, held for the caller: 0 or
    // KX_KERNEL_E_OBJ_NOT_FOUND (-2017). Reads nothing.
    int32_t Find(const KxRef& ref, KxObject*& object);
    // The object of the reference, held for the caller: the one in memory, else read through the
    // base's storage (the bucket of its class) within the transaction resource, or the base's current
    // transaction when none is given. 0, KX_KERNEL_E_OBJ_NOT_FOUND (-2017; also for a base without
    // open storage), or the failure of the read.
    int32_t Get(const KxRef& ref, KxObject*& object, KxTransactionResource* resource = nullptr);
    // Releases one hold (Release of the object).
    void Release(KxObject* object);
    // Takes an object out of the object space, or lists it there again (Find does not see it while
    // it is out). 0 or KX_KERNEL_E_DUPLICATE (another object with its id is listed).
    void Unlist(KxObject* object);
    int32_t Relist(KxObject* object);
    // Objects whose last hold went are kept as small stale entries (their instance freed) so that a
    // further Forget answers a status; the oldest ones go when there are more than this many.
    static constexpr size_t kStaleEntries = 65536;
    // Objects of this manager that are alive.
    uint32_t GetObjectCount() const { return live_; }
    // While a sink is set, every object given an id other than `except` is held once more and
    // added to the sink (objects read ahead that the base keeps); null ends it.
    void SetRetainSink(std::vector<KxObject*>* sink, const KxObjId& except) {
        retainSink_ = sink;
        retainExcept_ = except;
    }

private:
    friend class KxObject;
    // An object whose last hold went: its instance is freed, the object kept as a stale entry.
    void Retire(KxObject* object);
    std::vector<KxObject*> stale_;   // a ring of kStaleEntries entries
    size_t staleNext_ = 0;
    std::vector<KxObject*>* retainSink_ = nullptr;
    KxObjId retainExcept_;
    void Forget(KxObject* object);
    KxBase* base_;
    uint32_t live_ = 0;
    std::unordered_set<KxObject*> objects_;
};
