// The walkers that turn the members of one object into the values of an aspect set and back.
//
//   GenericObject2AspectSetHandler          read mode (0): every member aspect, with child subjects for
//                                           references, embedded objects, sets and arrays; write mode
//                                           (1): edited base-type members and references back
//   MapPersistentTypeMember2AspectSetHandler  base-type members only (rows of extents and sets)
//   MetaBasicType2SubjectHandler            the container subject for a container's element
//                                           (KxGenericContainerSubjects.h)
//
// Both follow the kernel's object walker; the kernel's steps route to the handlers named here.
#pragma once

#include <cstdint>

#include "KxObjectWalker.h"

class KvAspect;
class KvAspectSet;
class KxBase;
class KxClassDict;
class KxObject;
class KxOnDemand;
class KxTypeMgr;
class KxSet;
class KxBasicContainer;
class KxGenericArrayItem;

enum ObjectFunctorMode : int { KX_READ_OBJECT = 0, KX_WRITE_OBJECT = 1 };

// A value of the type code in memory into an aspect, and back (a read-only aspect writes nothing).
void valueToAspect(int32_t typeCode, void* value, KvAspect* aspect, KxTypeMgr* typeMgr);
void aspectToValue(int32_t typeCode, void* value, KvAspect* aspect, KxTypeMgr* typeMgr);

class GenericObject2AspectSetHandler : public KxObjectWalker {
public:
    GenericObject2AspectSetHandler(KxBase* base, KvAspectSet* set, KxTypeMgr* typeMgr, KxClassDict* dictionary,
                                   ObjectFunctorMode mode);
    GenericObject2AspectSetHandler(const GenericObject2AspectSetHandler& other);
    GenericObject2AspectSetHandler& operator=(const GenericObject2AspectSetHandler& other);
    ~GenericObject2AspectSetHandler() override;

    void setBaseTypeTag(long tag) { baseTypeTag_ = tag; }
    void setCompoundObjectTag(long tag) { compoundTag_ = tag; }
    void setContainerTag(long tag) { containerTag_ = tag; }
    void setReferenceTag(long tag) { referenceTag_ = tag; }

    // Walks a persistent object, or object memory of a class.
    int operator()(const KxMetaClass* classDesc, KxObject* object);
    int operator()(const KxMetaClass* classDesc, void* memory);

    virtual int HandleMember(void* memory, const KxMember* member);
    virtual int HandleArrayElement(void* memory, const KxMember* member, unsigned int index);
    virtual int HandleBaseType(void* memory, int32_t typeCode, unsigned int count);
    virtual int HandleKxObjectPtr(KxObject** pointer, const KxMetaPersClass* classDesc);
    virtual int HandleEmbeddedObject(void* memory, const KxMetaClass* classDesc);
    virtual int HandleOnDemand(KxOnDemand* reference, const KxMetaTypeHandle* desc);
    virtual int HandleTypeSet(KxTypeSet* set, const KxMetaSet* desc);
    virtual int HandleNonPersClassSet(KxClassSet* set, const KxMetaSet* desc);
    virtual int HandlePersClassSet(KxObjectSet* set, const KxMetaSet* desc);
    virtual int HandleOnDemandSet(KxOnDemandSet* set, const KxMetaSet* desc);
    // A container member: the subject that MetaBasicType2SubjectHandler picks by its element.
    virtual int HandlePersContainer(KxBasicContainer* container, const KxMetaPersContainer* desc);

    // The kernel walker's steps.
    int32_t Member(uint8_t* instance, const KxMember& member) override;
    int32_t ArrayElement(uint8_t* element, const KxMember& member, uint32_t index) override;
    int32_t Value(uint8_t* address, const KxMember& member) override;
    int32_t EmbeddedObject(uint8_t* address, const KxMember& member) override;
    int32_t PointerMember(KxObject** slot, const KxMember& member) override;
    int32_t OnDemandMember(KxOnDemand* reference, const KxMember& member) override;
    int32_t ObjectSet(KxObjectSet* set, const KxMember& member) override;
    int32_t OnDemandSet(KxOnDemandSet* set, const KxMember& member) override;
    int32_t TypeSet(KxTypeSet* set, const KxMember& member) override;
    int32_t ClassSet(KxClassSet* set, const KxMember& member) override;
    int32_t Container(KxBasicContainer* container, const KxMember& member) override;

private:
    // The current member's aspect, or inside an array the item of the current index.
    KvAspect* currentAspect();
    KvAspect* memberAspect();
    KxGenericArrayItem* getArrayItemAspect(KvAspect* memberAspect);
    // Read mode: the aspect receives the subject (a null subject too) and the tag.
    void give(KvAspect* aspect, class KvSubject* subject, long tag);

    const KxMember* member_ = nullptr;
    KxClassDict* dictionary_;
    KvAspectSet* set_;
    ObjectFunctorMode mode_;
    KxBase* base_;
    unsigned arrayIndex_ = 0;
    unsigned arrayFlag_ = 0;
    unsigned arrayCount_ = 0;
    long baseTypeTag_ = 0;
    long compoundTag_ = 0;
    long containerTag_ = 0;
    long referenceTag_ = 0;
};

class MapPersistentTypeMember2AspectSetHandler : public KxObjectWalker {
public:
    MapPersistentTypeMember2AspectSetHandler(KvAspectSet* set, KxTypeMgr* typeMgr, KxClassDict* dictionary);
    ~MapPersistentTypeMember2AspectSetHandler() override;

    void setBaseTypeTag(long tag) { baseTypeTag_ = tag; }
    int operator()(const KxMetaClass* classDesc, KxObject* object);
    int operator()(const KxMetaClass* classDesc, void* memory);

    virtual int HandleMember(void* memory, const KxMember* member);
    virtual int HandleBaseType(void* memory, int32_t typeCode, unsigned int count);

    int32_t Member(uint8_t* instance, const KxMember& member) override;
    int32_t Value(uint8_t* address, const KxMember& member) override;
    // Arrays, references, embedded objects and sets are not shown.
    int32_t ObjectArray(uint8_t* first, const KxMember& member) override;
    int32_t ArrayElement(uint8_t* element, const KxMember& member, uint32_t index) override;
    int32_t EmbeddedObject(uint8_t* address, const KxMember& member) override;

private:
    const KxMember* member_ = nullptr;
    KxClassDict* dictionary_;
    KvAspectSet* set_;
    KxTypeMgr* typeMgr_;
    long baseTypeTag_ = 0;
};

// Gives the aspect the container subject for the element meta type it is applied to: a basic type,
// a persistent class, an embedded class or an on-demand reference (each subject made over the
// container, its description and the element meta type). Nothing is given when element, aspect,
// container or description is missing; other kinds of meta types give nothing.
class MetaBasicType2SubjectHandler : public KxMetaTypeFunctor {
public:
    MetaBasicType2SubjectHandler(void* container, const KxMetaPersContainer* desc, KvAspect* aspect);

    int32_t OnClass(const KxMetaClass& metaClass) override;
    int32_t OnBasicType(const KxMetaBasicType& type) override;
    int32_t OnOnDemand(const KxMetaOnDemand& reference) override;

private:
    bool ready() const;
    KxBasicContainer* container_;
    const KxMetaPersContainer* desc_;
    KvAspect* aspect_;
};
