// The kernel's meta model: meta types (class versions and set types), members, index definitions,
// and the functor protocols that walk them.
//
//   KxMetaType       one version of a dictionary class: a persistent or embedded class
//                    (KxMetaClass) or a set type (KxMetaSet); class id, name, marks, previous version.
//   KxMetaClass      base classes in dictionary order, subclasses, own members, all members in
//                    canonical order, index definitions, the instance layout.
//   KxMetaSet        a set type: set of object references, of on-demand references, of embedded
//                    class values, or of simple values; its element.
//   KxMember         one member: name, member type, kernel type code, element count, offset,
//                    qualifier word, storage kind, declared class or set type.
//   KxMetaPersContainer  a container type: the description of a container-valued member
//                    (KxBasicContainer, KxObject.h) and its element: base-type values, references
//                    to persistent objects, instances of an embedded class or on-demand references.
//   KxMetaBasicType, KxMetaOnDemand
//                    the element descriptions of a container that are no classes: a value of one
//                    kernel type, an on-demand reference to a class. They belong to their container
//                    type and are not in the dictionary's class list.
//   KxIndexDef       one index definition: name, number, unique flag, key member paths.
//   KxMetaTypeFunctor, KxMemberFunctor, KxIndexEntryFunctor
//                    the functor protocols: one operation per kind; a non-zero answer stops a walk.
//
// Canonical member order (GetAllMembers, the walker, the layout): the base classes first,
// depth-first in inheritance (dictionary) order, each base class once even when it is reached
// along several paths, then the class's own members in declaration order. A class's instance
// layout follows the same order, so the first base's layout is a prefix of its subclasses'.
//
// Meta types are built by KxDictBuilder (KxClassDict.h) and belong to their dictionary; they are
// not changed after the dictionary is built.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxObjId.h"
#include "KxString.h"
#include "KxTypeMgr.h"

class KxClassDict;
class KxMetaClass;
class KxMetaSet;
class KxMetaPersContainer;
class KxMetaBasicType;
class KxMetaOnDemand;
class KxMember;
class KxMetaTypeFunctor;
class KxMemberFunctor;
class KxIndexEntryFunctor;
class KxClassDescriptor;
class KxMetaType;
class KxMetaPersClass;
class KxMetaNonPersClass;
class KxAllSet;
class KxBase;

// The type handle of a meta type: its class id and the way to its class descriptor (the class
// number's entry of the class list). Every meta type has one (KxMetaType::GetTypeHandle).
class KxMetaTypeHandle {
public:
    explicit KxMetaTypeHandle(const KxMetaType* type) : type_(type) {}
    const KxClassId& GetClassId() const;
    const KxMetaType* GetMetaType() const { return type_; }
    // The class list's entry of the handle's class number in the meta type's dictionary; null when
    // the dictionary has none.
    const KxClassDescriptor* GetClassDesc() const;

private:
    const KxMetaType* type_;
};

// Kinds of meta types.
enum KxMetaKind : int32_t {
    KX_META_CLASS = 1,         // a class (persistent or embedded)
    KX_META_OBJECT_SET = 2,    // set of object references
    KX_META_ONDEMAND_SET = 3,  // set of on-demand references
    KX_META_CLASS_SET = 4,     // set of embedded class values
    KX_META_TYPE_SET = 5,      // set of simple values of one kernel type
    KX_META_CONTAINER = 6,     // container type (KxMetaPersContainer)
    KX_META_BASIC_TYPE = 7,    // a container's element: a value of one kernel type (KxMetaBasicType)
    KX_META_ONDEMAND = 8       // a container's element: an on-demand reference (KxMetaOnDemand)
};

// The element of a container type.
enum KxContainerElement : int32_t {
    KX_CONTAINER_BASIC_TYPE = 0,    // values of one kernel type
    KX_CONTAINER_PERS_CLASS = 1,    // references to objects of a persistent class (KxOnDemand)
    KX_CONTAINER_NONPERS_CLASS = 2, // instances of an embedded class, held in the container
    KX_CONTAINER_ONDEMAND = 3       // on-demand references to a class (KxOnDemand)
};

// Marks of a meta type (the type handle), read by storage modules.
enum : uint32_t {
    KX_MARK_NOT_MAPPED = 0x01,           // a base class that a storage module does not map at run time
    KX_MARK_AUTO_VALUES = 0x02,          // the class has members with automatic values
    KX_MARK_FORGIVE_INDEX_ERRORS = 0x04, // index definitions that cannot be mapped are forgiven
    KX_MARK_VIRTUAL_INHERITANCE = 0x08,  // the class inherits virtually
    KX_MARK_EMBEDDED = 0x10              // the class is not persistent (used only embedded)
};

// Member types (the shape of a member in an object).
enum KxMemberType : int32_t {
    KX_MEMBER_VALUE = 1,         // a value of a kernel type (KxTypeMgr.h)
    KX_MEMBER_EMBEDDED = 2,      // an instance of another class, held inline
    KX_MEMBER_POINTER = 3,       // KxObject* (holds the object it points to)
    KX_MEMBER_ONDEMAND = 4,      // KxOnDemand: a reference loaded on demand
    KX_MEMBER_OBJECT_SET = 5,    // KxObjectSet
    KX_MEMBER_ONDEMAND_SET = 6,  // KxOnDemandSet
    KX_MEMBER_TYPE_SET = 7,      // KxTypeSet
    KX_MEMBER_CLASS_SET = 8,     // KxClassSet
    KX_MEMBER_CONTAINER = 9      // KxBasicContainer (KxObject.h), described by a KxMetaPersContainer
};

// Member storage kinds: 0 stored, 2 not stored (the member exists only in memory).
enum : int32_t { KX_MEMBER_KIND_STORED = 0, KX_MEMBER_KIND_NOT_STORED = 2 };

// Qualifier word of a member.
enum : uint32_t {
    KX_QUAL_NOT_STORED = 0x04,   // not stored
    KX_QUAL_STORE_WITH = 0x08,   // referenced objects are stored with their owner
    KX_QUAL_AUTO_VALUE = 0x10,   // the member's value is generated automatically
    KX_QUAL_TRANSIENT = 0x20     // transient (answered by IsTransient)
};

// The member type codes of references and sets (kernel type codes of members that are not
// values): KxMember::GetTypeCode answers these for non-value members.
enum : int32_t {
    KX_TYPE_EMBEDDED = 100, KX_TYPE_POINTER = 101, KX_TYPE_ONDEMAND = 102, KX_TYPE_OBJECT_SET = 103,
    KX_TYPE_ONDEMAND_SET = 104, KX_TYPE_TYPE_SET = 105, KX_TYPE_CLASS_SET = 106, KX_TYPE_CONTAINER = 107
};

// The first class number of the kernel's own classes; user classes lie between 1 and 64999;
// class number 0 is the root class "KxObject".
constexpr uint16_t KX_FIRST_SYSTEM_CLASS = 65000;

class KxMetaType {
public:
    virtual ~KxMetaType();
    KxMetaType(const KxMetaType&) = delete;
    KxMetaType& operator=(const KxMetaType&) = delete;

    KxMetaKind GetKind() const { return kind_; }
    const KxClassId& GetClassId() const { return classId_; }
    uint16_t GetClassNumber() const { return classId_.GetClassNumber(); }
    uint16_t GetVersion() const { return classId_.GetVersion(); }
    // The dictionary's class name (may carry qualifiers separated by ".").
    const KxString& GetName() const { return name_; }
    uint32_t GetMarks() const { return marks_; }
    bool HasMark(uint32_t mark) const { return (marks_ & mark) != 0; }
    // True for a class that objects of its own are made of (not embedded); false for set types.
    bool IsPersistent() const { return kind_ == KX_META_CLASS && !HasMark(KX_MARK_EMBEDDED); }
    // A user class: class number 1 to 64999.
    bool IsUserClass() const;
    // The version before this one (null for the first version); the current version is the
    // dictionary's (KxClassDict::GetCurrentVersion).
    const KxMetaType* GetPreviousVersion() const { return previous_; }
    KxClassDict* GetDictionary() const { return dictionary_; }

    // Bytes of one instance (a class) or of one set value (a set type).
    uint32_t GetSize() const { return size_; }

    const KxMetaClass* AsClass() const;
    // Set types only (kinds 2 to 5); containers answer AsContainer.
    const KxMetaSet* AsSet() const;
    const KxMetaPersContainer* AsContainer() const;
    // The class seen as a persistent class (objects of its own, an extent) or as an embedded class;
    // null when it is not one.
    const KxMetaPersClass* AsPersClass() const;
    const KxMetaNonPersClass* AsNonPersClass() const;
    const KxMetaTypeHandle* GetTypeHandle() const { return &handle_; }

    // Calls the functor's operation for this meta type's kind and answers its result.
    int32_t Apply(KxMetaTypeFunctor& functor) const;

    // What a description of the type says beyond its layout, as the browsers show it. Classes:
    // the declaration form (0 struct, 1 class, 2 union) and the class flag word (1 creatable, 2 has
    // virtual functions, 4 declared "_persistent": a class without an extent of its own). Sets: the
    // set kind (0 set, 1 cset, 2 lset, 3 hset, 4 allset) and the element mode (2: elements held by
    // pointer; 0 otherwise).
    int32_t GetForm() const { return form_; }
    uint32_t GetClassFlags() const { return classFlags_; }
    int32_t GetSetKind() const { return setKind_; }
    int32_t GetElementMode() const { return elementMode_; }

protected:
    KxMetaType(KxMetaKind kind, const KxClassId& id, const KxString& name, uint32_t marks);

private:
    friend class KxDictBuilder;
    friend class KxClassDict;
    KxMetaKind kind_;
    KxClassId classId_;
    KxString name_;
    uint32_t marks_;
    const KxMetaType* previous_ = nullptr;
    KxClassDict* dictionary_ = nullptr;
    KxMetaTypeHandle handle_{this};
    int32_t form_ = 1;
    uint32_t classFlags_ = 0;
    int32_t setKind_ = 0;
    int32_t elementMode_ = 0;

protected:
    uint32_t size_ = 0;
    uint32_t align_ = 8;
    friend class KxMetaLayout;
};

// A key member path of an index definition: the dotted path of member names from the class
// (e.g. "address.city") and the members along it.
struct KxIndexKey {
    KxString path;
    std::vector<const KxMember*> members;   // outermost first; the last is the key member
};

class KxIndexDef {
public:
    const KxString& GetName() const { return name_; }
    // The dictionary index number (1, 2, ... across the dictionary, in declaration order).
    uint16_t GetNumber() const { return number_; }
    // The class number of the class that declares the index.
    uint16_t GetClassNumber() const { return classNumber_; }
    bool IsUnique() const { return unique_; }
    // More than one key part.
    bool IsCompound() const { return keys_.size() > 1; }
    uint32_t GetKeyCount() const { return static_cast<uint32_t>(keys_.size()); }
    const KxIndexKey& GetKey(uint32_t i) const { return keys_[i]; }

private:
    friend class KxDictBuilder;
    friend class KxMetaLayout;
    KxString name_;
    uint16_t number_ = 0;
    uint16_t classNumber_ = 0;
    bool unique_ = false;
    std::vector<KxIndexKey> keys_;
};

class KxMember {
public:
    const KxString& GetName() const { return name_; }
    KxMemberType GetMemberType() const { return type_; }
    // The kernel type code (32-bit): KxTypeMgr's code for a value member, KX_TYPE_EMBEDDED ...
    // KX_TYPE_CLASS_SET for the others.
    int32_t GetTypeCode() const { return typeCode_; }
    // Elements of an array (1 for a scalar member).
    uint32_t GetElementCount() const { return count_; }
    bool IsArray() const { return count_ > 1; }
    // Bytes of one element; the member occupies count x element size bytes.
    uint32_t GetElementSize() const { return elementSize_; }
    // Offset of the member in an instance of the class whose member list holds it.
    uint32_t GetOffset() const { return offset_; }
    uint32_t GetQualifier() const { return qualifier_; }
    bool HasQualifier(uint32_t flag) const { return (qualifier_ & flag) != 0; }
    // Storage kind: KX_MEMBER_KIND_STORED (0) or KX_MEMBER_KIND_NOT_STORED (2).
    int32_t GetKind() const { return kind_; }
    bool IsTransient() const { return HasQualifier(KX_QUAL_TRANSIENT); }
    // The class that declares the member (for inherited members in GetAllMembers: the base).
    const KxMetaClass* GetDeclaringClass() const { return declaring_; }
    // Embedded members: the embedded class; pointers and on-demand references: the declared
    // class (null for an on-demand reference without one); class sets: the element class;
    // object and on-demand sets: the element class. Null for value and type-set members.
    const KxMetaClass* GetClass() const { return class_; }
    // Set members: the set type.
    const KxMetaSet* GetSetType() const { return setType_; }
    // Container members: the container type (null for other members).
    const KxMetaPersContainer* GetContainerType() const { return container_; }
    // The member's position in its declaring class's own member list, from 0.
    uint16_t GetPosition() const { return position_; }
    // The three questions of an object-valued member: the embedded class (embedded members), the
    // referenced class (pointers and on-demand references; the root class when none is declared)
    // and the set type (set members), each as a type handle; null when the member is not of that kind.
    const KxMetaTypeHandle* GetEmbeddedType() const;
    const KxMetaTypeHandle* GetReferenceType() const;
    const KxMetaTypeHandle* GetSetTypeHandle() const;

    // Calls the functor's operation for this member's type and answers its result.
    int32_t Apply(KxMemberFunctor& functor) const;

private:
    friend class KxDictBuilder;
    friend class KxMetaLayout;
    KxString name_;
    KxMemberType type_ = KX_MEMBER_VALUE;
    int32_t typeCode_ = 0;
    uint32_t count_ = 1;
    uint32_t elementSize_ = 0;
    uint32_t align_ = 1;
    uint32_t offset_ = 0;
    uint32_t qualifier_ = 0;
    int32_t kind_ = KX_MEMBER_KIND_STORED;
    uint16_t position_ = 0;
    const KxMetaClass* declaring_ = nullptr;
    const KxMetaClass* class_ = nullptr;
    const KxMetaSet* setType_ = nullptr;
    const KxMetaPersContainer* container_ = nullptr;
};

class KxMetaClass : public KxMetaType {
public:
    ~KxMetaClass() override;

    // Direct base classes in dictionary order. GetBase answers null past the end.
    uint32_t GetBaseCount() const { return static_cast<uint32_t>(bases_.size()); }
    const KxMetaClass* GetBase(uint32_t i) const { return i < bases_.size() ? bases_[i] : nullptr; }
    // Every base class, direct or not, each once, in canonical order (depth-first, first base
    // first).
    const std::vector<const KxMetaClass*>& GetAllBases() const { return allBases_; }
    // True when other is this class or one of its (direct or indirect) base classes.
    bool IsKindOf(const KxMetaClass* other) const;
    // Offset of a base class's members block in an instance of this class; -1 when not a base.
    int64_t GetBaseOffset(const KxMetaClass* base) const;
    // Class numbers of the direct subclasses (current versions), in class-number order.
    const std::vector<uint16_t>& GetSubclasses() const { return subclasses_; }

    // The members the class declares itself, in declaration order.
    uint32_t GetMemberCount() const { return static_cast<uint32_t>(own_.size()); }
    const KxMember* GetMember(uint32_t i) const { return i < own_.size() ? own_[i].get() : nullptr; }
    // All members in canonical order, with offsets in an instance of this class. Own members are
    // the same objects as GetMember's; inherited ones are this class's copies of the base's
    // members (GetDeclaringClass gives the base).
    const std::vector<const KxMember*>& GetAllMembers() const { return all_; }
    // By name among all members (the first in canonical order); null when none.
    const KxMember* FindMember(const KxString& name) const;
    // The own members one by one: seek 0 takes member i, seek 1 the member i further than the one
    // this call answered last (on this meta class). 0, or KX_KERNEL_E_NO_ELEMENT (-2005) past either
    // end (member null). The position is the meta class's own: one walk at a time.
    int32_t GetMember(const KxMember*& member, int32_t i, int32_t seek) const;
    // The direct base classes one by one, as GetMember: the base's type handle.
    int32_t GetInherit(const KxMetaTypeHandle*& inherit, int32_t i, int32_t seek) const;
    // A dotted member path ("address.city") through embedded members; null when it does not
    // resolve. *offset (when given) receives the key member's offset from the instance start.
    const KxMember* FindMemberPath(const KxString& path, uint32_t* offset = nullptr) const;

    // Calls the functor for each own member (all == false) or each member in canonical order
    // (all == true); the first non-zero answer stops and is returned.
    int32_t ApplyToMembers(KxMemberFunctor& functor, bool all = false) const;

    // Index definitions that the class declares itself.
    uint32_t GetIndexCount() const { return static_cast<uint32_t>(indexes_.size()); }
    const KxIndexDef* GetIndex(uint32_t i) const { return i < indexes_.size() ? indexes_[i].get() : nullptr; }
    // Calls the functor for the index definitions of the base classes (canonical order) and then
    // for the class's own; the first non-zero answer stops and is returned. Callers that want
    // only the class's own indexes pass over those whose GetClassNumber differs.
    int32_t ApplyToIndexes(KxIndexEntryFunctor& functor) const;

    // ---- instances: blocks of GetSize() bytes, aligned to 8 ------------------------------------
    // Constructs every member in place (values default, pointers null, sets empty).
    void Construct(uint8_t* instance) const;
    // Destroys every member (pointers release their objects).
    void Destruct(uint8_t* instance) const;
    // Assigns every member of source to target (both constructed instances of this class).
    void Copy(uint8_t* target, const uint8_t* source) const;
    // A new constructed instance (operator new, aligned) or null; free with DeleteInstance.
    uint8_t* NewInstance() const;
    void DeleteInstance(uint8_t* instance) const;

private:
    friend class KxDictBuilder;
    friend class KxMetaLayout;
    friend class KxClassDict;   // DeleteClass takes a class out of its bases' subclasses

protected:
    KxMetaClass(const KxClassId& id, const KxString& name, uint32_t marks);

private:
    mutable int32_t memberCursor_ = -1;
    mutable int32_t inheritCursor_ = -1;

    std::vector<const KxMetaClass*> bases_;
    std::vector<const KxMetaClass*> allBases_;
    std::vector<std::pair<const KxMetaClass*, uint32_t>> baseOffsets_;
    std::vector<uint16_t> subclasses_;
    std::vector<std::unique_ptr<KxMember>> own_;
    std::vector<std::unique_ptr<KxMember>> inherited_;   // copies of base members
    std::vector<const KxMember*> all_;
    std::vector<std::unique_ptr<KxIndexDef>> indexes_;
};

// A persistent class: its objects are made with KxObject::Make and form its extent.
class KxMetaPersClass : public KxMetaClass {
public:
    // The class's extent in a base (KxAllSet, owned by the caller); null without base.
    KxAllSet* MakeExtent(KxBase* base) const;

private:
    friend class KxMetaLayout;
    KxMetaPersClass(const KxClassId& id, const KxString& name, uint32_t marks) : KxMetaClass(id, name, marks) {}
};

// An embedded (not persistent) class: its instances live inside objects or on their own.
class KxMetaNonPersClass : public KxMetaClass {
public:
    // A new constructed instance on its own (the arguments are not used); free it with
    // DeleteInstance. Null when out of memory.
    uint8_t* CreateInstance(void* place, int32_t count, int32_t* flags, int32_t options) const;

private:
    friend class KxMetaLayout;
    KxMetaNonPersClass(const KxClassId& id, const KxString& name, uint32_t marks) : KxMetaClass(id, name, marks) {}
};

class KxMetaSet : public KxMetaType {
public:
    ~KxMetaSet() override;
    // Object, on-demand and class sets: the element class; null for a type set.
    const KxMetaClass* GetElementClass() const { return elementClass_; }
    // Type sets: the element's kernel type code (KxTypeMgr.h); -1 for the other sets.
    int32_t GetElementTypeCode() const { return elementType_; }
    // Bytes of one element value in the set (the type's value size, the element class's
    // instance size, or the size of a reference).
    uint32_t GetElementSize() const { return elementSize_; }

private:
    friend class KxDictBuilder;
    friend class KxMetaLayout;
    KxMetaSet(KxMetaKind kind, const KxClassId& id, const KxString& name, uint32_t marks);
    const KxMetaClass* elementClass_ = nullptr;
    int32_t elementType_ = -1;
    uint32_t elementSize_ = 0;
};

// A container's element when it is a value of one kernel type. Class id and dictionary are the
// container type's.
class KxMetaBasicType : public KxMetaType {
public:
    int32_t GetTypeCode() const { return typeCode_; }

private:
    friend class KxMetaLayout;
    KxMetaBasicType(const KxClassId& id, const KxString& name, int32_t typeCode)
        : KxMetaType(KX_META_BASIC_TYPE, id, name, 0), typeCode_(typeCode) {}
    int32_t typeCode_;
};

// A container's element when it is an on-demand reference; the class it references.
class KxMetaOnDemand : public KxMetaType {
public:
    const KxMetaClass* GetReferencedClass() const { return class_; }

private:
    friend class KxMetaLayout;
    KxMetaOnDemand(const KxClassId& id, const KxString& name, const KxMetaClass* cls)
        : KxMetaType(KX_META_ONDEMAND, id, name, 0), class_(cls) {}
    const KxMetaClass* class_;
};

// A container type: the description of a container-valued member (KxBasicContainer). Its element
// is described by a meta type reached through GetElementType: a KxMetaBasicType, a persistent
// class (the container holds references to its objects), an embedded class (the container holds
// instances) or a KxMetaOnDemand. The set kind (GetSetKind) of a container is its container kind:
// 3 (hashed) is a container whose elements have no position of their own (IsHashed).
class KxMetaPersContainer : public KxMetaType {
public:
    ~KxMetaPersContainer() override;
    KxContainerElement GetElementKind() const { return elementKind_; }
    // The element's meta type handle; its meta type is one of the four kinds above.
    const KxMetaTypeHandle* GetElementType() const { return element_ != nullptr ? element_->GetTypeHandle() : nullptr; }
    // Basic-type elements: the kernel type code; -1 for the others.
    int32_t GetElementTypeCode() const { return elementType_; }
    // Class elements: the class; on-demand elements: the referenced class; null for basic types.
    const KxMetaClass* GetElementClass() const { return elementClass_; }
    // Bytes of one element as the container keeps it (a value, a KxOnDemand, an instance).
    uint32_t GetElementSize() const { return elementSize_; }
    bool IsHashed() const { return GetSetKind() == 3; }

private:
    friend class KxMetaLayout;
    KxMetaPersContainer(const KxClassId& id, const KxString& name, uint32_t marks);
    KxContainerElement elementKind_ = KX_CONTAINER_BASIC_TYPE;
    const KxMetaType* element_ = nullptr;
    std::unique_ptr<KxMetaType> ownElement_;   // a basic-type or on-demand element description
    int32_t elementType_ = -1;
    const KxMetaClass* elementClass_ = nullptr;
    uint32_t elementSize_ = 0;
};

// The kernel's meta-type functor: one operation per kind of meta type; each answers 0 by default.
class KxMetaTypeFunctor {
public:
    virtual ~KxMetaTypeFunctor();
    virtual int32_t OnClass(const KxMetaClass& metaClass);
    virtual int32_t OnObjectSet(const KxMetaSet& set);
    virtual int32_t OnOnDemandSet(const KxMetaSet& set);
    virtual int32_t OnClassSet(const KxMetaSet& set);
    virtual int32_t OnTypeSet(const KxMetaSet& set);
    virtual int32_t OnContainer(const KxMetaPersContainer& container);
    virtual int32_t OnBasicType(const KxMetaBasicType& type);
    virtual int32_t OnOnDemand(const KxMetaOnDemand& reference);
};

// The kernel's member functor: one operation per member type; each answers 0 by default.
class KxMemberFunctor {
public:
    virtual ~KxMemberFunctor();
    virtual int32_t OnValue(const KxMember& member);
    virtual int32_t OnEmbedded(const KxMember& member);
    virtual int32_t OnPointer(const KxMember& member);
    virtual int32_t OnOnDemand(const KxMember& member);
    virtual int32_t OnObjectSet(const KxMember& member);
    virtual int32_t OnOnDemandSet(const KxMember& member);
    virtual int32_t OnTypeSet(const KxMember& member);
    virtual int32_t OnClassSet(const KxMember& member);
    virtual int32_t OnContainer(const KxMember& member);
};

// The kernel's index-entry functor: one operation per kind of index definition; each answers 0
// by default.
class KxIndexEntryFunctor {
public:
    virtual ~KxIndexEntryFunctor();
    virtual int32_t OnSimpleIndex(const KxIndexDef& index);
    virtual int32_t OnCompoundIndex(const KxIndexDef& index);
};
