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
class KxClassDict;
class KxObjectMgr;
class KxTransactionResource;

// Status codes of objects and sets.
enum : int32_t {
    KX_KERNEL_E_NO_ELEMENT = -2005,     // no (further) element, end of a walk by index
    KX_KERNEL_E_OBJ_NOT_FOUND = -2017,  // no object for the reference
    KX_KERNEL_E_WRONG_CLASS = -2023     // the object's class does not fit
};

// Bits of an object's state word.
enum : uint16_t { KX_STATE_HAS_ROW = 0x8000, KX_STATE_MODIFIED = 0x4000, KX_STATE_BEING_READ = 0x2000 };

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

    // Reference count: 1 after creation. Release at 0 deletes the object (and takes it out of its
    // manager's object space).
    void Hold() { ++count_; }
    void Release();
    uint32_t GetHoldCount() const { return count_; }

    // Member access helpers: the member's address in this object (element i of an array).
    uint8_t* MemberAddress(const KxMember& member, uint32_t element = 0) const;
    // Sets a pointer member: holds the new object, releases the old one.
    void SetPointer(const KxMember& member, KxObject* target, uint32_t element = 0);

private:
    friend class KxObjectMgr;
    KxObject(const KxMetaClass* metaClass, uint8_t* data);
    ~KxObject();
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
    virtual void Clear() = 0;
    // Sets of references (object and on-demand sets): the reference of element i;
    // KX_KERNEL_E_NO_ELEMENT past the end; KX_KERNEL_E_NOT_SUPPORTED for other sets.
    virtual int32_t GetElementRef(uint32_t i, KxRef& ref) const;

protected:
    explicit KxSet(const KxMetaSet* type);
    // Copies the base and the reference.
    void CopyHeader(const KxSet& other);

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
    void Clear() override;
    // Appends and holds the object: 0, KX_KERNEL_E_INVALID for null, KX_KERNEL_E_WRONG_CLASS when
    // it is not of the element class.
    int32_t Add(KxObject* object);
    KxObject* Get(uint32_t i) const { return i < items_.size() ? items_[i] : nullptr; }
    // Removes (and releases) element i: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t RemoveAt(uint32_t i);
    int32_t GetElementRef(uint32_t i, KxRef& ref) const override;

private:
    std::vector<KxObject*> items_;
};

class KxOnDemandSet : public KxSet {
public:
    explicit KxOnDemandSet(const KxMetaSet* type);
    ~KxOnDemandSet() override;
    KxOnDemandSet& operator=(const KxOnDemandSet& other);

    uint32_t Count() const override { return static_cast<uint32_t>(items_.size()); }
    void Clear() override { items_.clear(); }
    int32_t Add(const KxOnDemand& element);
    const KxOnDemand* Get(uint32_t i) const { return i < items_.size() ? &items_[i] : nullptr; }
    int32_t RemoveAt(uint32_t i);
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
    void Clear() override;
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
    void Clear() override;
    // Appends a copy of an instance of the element class: 0, KX_KERNEL_E_INVALID (null),
    // KX_KERNEL_E_NO_MEMORY.
    int32_t Add(const uint8_t* instance);
    uint8_t* At(uint32_t i) const { return i < items_.size() ? items_[i] : nullptr; }
    // Copies element i into a constructed instance: 0 or KX_KERNEL_E_NO_ELEMENT.
    int32_t Get(uint32_t i, uint8_t* instance) const;

private:
    std::vector<uint8_t*> items_;
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
    std::vector<KxObject*>* retainSink_ = nullptr;
    KxObjId retainExcept_;
    void Forget(KxObject* object);
    KxBase* base_;
    uint32_t live_ = 0;
    std::unordered_set<KxObject*> objects_;
};
