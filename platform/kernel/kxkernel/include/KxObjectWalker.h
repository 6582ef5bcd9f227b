// KxObjectWalker: the kernel's object walker. It walks an object (or an instance address with its
// class) member by member in canonical order (KxMetaType.h) and calls an overridable operation
// for each member, array element, embedded instance, pointer, on-demand reference and set.
// A non-zero answer of any operation stops the walk and is the walk's answer.
//
// Call chain for one member (each step is virtual; the defaults continue as shown):
//   Member(instance, member)               -> WalkMember
//   WalkMember: an array of embedded instances -> ObjectArray(first element, member);
//               another array -> ArrayElement(element i, member, i) for each element;
//               a scalar -> the element operation below
//   ObjectArray(first, member)             -> ArrayElement for each element
//   ArrayElement(element, member, i)       -> WalkElement (the element operation)
//   element operations by member type:
//     Value(address, member)                      0
//     EmbeddedObject(address, member)             Walk(address, embedded class)  (descends)
//     PointerMember(KxObject** slot, member)      0
//     OnDemandMember(KxOnDemand*, member)         0
//     ObjectSet(KxObjectSet*, member)             0
//     OnDemandSet(KxOnDemandSet*, member)         0
//     TypeSet(KxTypeSet*, member)                 0
//     ClassSet(KxClassSet*, member)               0
//     Container(KxBasicContainer*, member)        0
#pragma once

#include <cstdint>

#include "KxMetaType.h"

class KxBasicContainer;
class KxClassSet;
class KxObject;
class KxObjectSet;
class KxOnDemand;
class KxOnDemandSet;
class KxTypeMgr;
class KxTypeSet;

class KxObjectWalker {
public:
    explicit KxObjectWalker(KxTypeMgr* typeMgr = nullptr);
    virtual ~KxObjectWalker();

    KxTypeMgr* GetTypeMgr() const { return typeMgr_; }

    // Walks the object's instance with its class. KX_KERNEL_E_INVALID for a null object.
    int32_t Walk(KxObject* object);
    // Walks an instance of a class: Member for each member of GetAllMembers in order.
    // KX_KERNEL_E_INVALID for a null address or class.
    int32_t Walk(uint8_t* instance, const KxMetaClass* metaClass);

    // The object whose walk is running (null for a walk of an address).
    KxObject* GetCurrentObject() const { return object_; }

    virtual int32_t Member(uint8_t* instance, const KxMember& member);
    virtual int32_t ArrayElement(uint8_t* element, const KxMember& member, uint32_t index);
    virtual int32_t ObjectArray(uint8_t* first, const KxMember& member);
    virtual int32_t Value(uint8_t* address, const KxMember& member);
    virtual int32_t EmbeddedObject(uint8_t* address, const KxMember& member);
    virtual int32_t PointerMember(KxObject** slot, const KxMember& member);
    virtual int32_t OnDemandMember(KxOnDemand* reference, const KxMember& member);
    virtual int32_t ObjectSet(KxObjectSet* set, const KxMember& member);
    virtual int32_t OnDemandSet(KxOnDemandSet* set, const KxMember& member);
    virtual int32_t TypeSet(KxTypeSet* set, const KxMember& member);
    virtual int32_t ClassSet(KxClassSet* set, const KxMember& member);
    virtual int32_t Container(KxBasicContainer* container, const KxMember& member);

protected:
    // The kernel's own steps, for overrides that want to continue the walk.
    int32_t WalkMember(uint8_t* instance, const KxMember& member);
    int32_t WalkElement(uint8_t* element, const KxMember& member);

private:
    KxTypeMgr* typeMgr_;
    KxObject* object_ = nullptr;
};
