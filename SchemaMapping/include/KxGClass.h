// A mapped class of the class dictionary and its members.
//
//   KxGMember  one mapped member of a class: its name, the class that holds it and its member map
//              (owned).
//   KxGClass   identity, state, base classes, members, subclass numbers and the class map (owned) of
//              one class. Classes belong to their schema map (KxGSchemaMap), which holds them by class
//              number; only classes in state KXG_CLASS_LOADED are visible through the catalog.
//   KxGVirtualInheritClass
//              a class with more than one base class or one the dictionary marks with virtual
//              inheritance. Such a class keeps member maps of its own for the members it inherits
//              (a second member and relation list): a base's member map lays its columns out in the
//              base's row and is named in the base's table, while in this class's row and table the
//              same member sits elsewhere (behind another base's members) and may need another
//              column name, so sharing the base's map would move the base's columns.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxObjId.h"
#include "KxString.h"

class KxGClass;
class KxGClassMap;
class KxGMemberMap;
class KxGRelation;
class KxGSchemaMap;

// States of a class.
enum : uint16_t {
    KXG_CLASS_CREATED = 0,
    KXG_CLASS_LOADING = 1,
    KXG_CLASS_LOADED = 2
};

// Kind flags of a class.
enum : uint16_t {
    KXG_CLASS_PERSISTENT = 0x01,
    KXG_CLASS_NOT_PERSISTENT = 0x02,       // also every set type
    KXG_CLASS_VIRTUAL_MARKED = 0x04,       // the dictionary marks virtual inheritance
    KXG_CLASS_VIRTUAL_INHERITANCE = 0x08   // the class inherits virtually
};

class KxGMember {
public:
    KxGMember(const KxString& name, KxGClass* owner, std::unique_ptr<KxGMemberMap> memberMap);
    virtual ~KxGMember();
    KxGMember(const KxGMember&) = delete;
    KxGMember& operator=(const KxGMember&) = delete;

    const KxString& GetName() const { return name_; }
    // The class that declares the member.
    KxGClass* GetClass() const { return owner_; }
    KxGMemberMap* GetMemberMap() const { return memberMap_.get(); }

private:
    KxString name_;
    KxGClass* owner_;
    std::unique_ptr<KxGMemberMap> memberMap_;
};

class KxGClass {
public:
    // name: the dictionary's class name; the class keeps the part after its last ".".
    KxGClass(KxGSchemaMap* schemaMap, const KxClassId& classId, const KxString& name, uint16_t kind);
    virtual ~KxGClass();
    KxGClass(const KxGClass&) = delete;
    KxGClass& operator=(const KxGClass&) = delete;

    // Adds a member to the own-member list and takes it over.
    virtual void AddMember(std::unique_ptr<KxGMember> member);
    // Adds the relation of a reference member (owned) and answers it.
    virtual KxGRelation* AddRelation(std::unique_ptr<KxGRelation> relation);
    // Fills the all-members list: the members of the base classes first (in base order, recursively,
    // each base once), then the own members.
    virtual void CollectMembers();

    uint16_t GetState() const { return state_; }
    void SetState(uint16_t state) { state_ = state; }
    int32_t GetLoadResult() const { return loadResult_; }
    void SetLoadResult(int32_t result) { loadResult_ = result; }
    uint16_t GetKind() const { return kind_; }
    void SetKind(uint16_t kind) { kind_ = kind; }
    bool IsPersistent() const { return (kind_ & KXG_CLASS_PERSISTENT) != 0; }

    KxGSchemaMap* GetSchemaMap() const { return schemaMap_; }
    const KxClassId& GetClassId() const { return classId_; }
    uint16_t GetClassNumber() const { return classId_.GetClassNumber(); }
    uint16_t GetVersion() const { return classId_.GetVersion(); }
    // The class name without qualifiers.
    const KxString& GetName() const { return name_; }
    // Everything up to and including the last "." removed.
    static KxString StripQualifiers(const KxString& name);

    // Base classes (not owned: they belong to the schema map), in dictionary order.
    void AddBase(KxGClass* base) { bases_.push_back(base); }
    uint32_t GetBaseCount() const { return static_cast<uint32_t>(bases_.size()); }
    KxGClass* GetBase(uint32_t index) const { return index < bases_.size() ? bases_[index] : nullptr; }

    // The class map (owned); null until the loader makes it.
    KxGClassMap* GetClassMap() const { return classMap_.get(); }
    void SetClassMap(std::unique_ptr<KxGClassMap> classMap);

    uint32_t GetMemberCount() const { return static_cast<uint32_t>(own_.size()); }
    KxGMember* GetMember(uint32_t index) const { return index < own_.size() ? own_[index].get() : nullptr; }
    // The all-members list (filled by CollectMembers).
    const std::vector<KxGMember*>& GetAllMembers() const { return all_; }

    uint32_t GetRelationCount() const { return static_cast<uint32_t>(relations_.size()); }
    KxGRelation* GetRelation(uint32_t index) const
    {
        return index < relations_.size() ? relations_[index].get() : nullptr;
    }

    // Class numbers of the direct subclasses; null when the class has none.
    const std::vector<uint16_t>* GetSubclasses() const { return subclasses_.get(); }
    void SetSubclasses(const std::vector<uint16_t>& numbers);

protected:
    // Appends the members this class contributes to a subclass's all-members list: its bases' (each
    // base once, `seen` listing those already walked), then its own.
    virtual void CollectInto(std::vector<KxGMember*>& list, std::vector<const KxGClass*>& seen) const;
    void CollectBases(std::vector<KxGMember*>& list, std::vector<const KxGClass*>& seen) const;
    std::vector<KxGMember*>& AllMembers() { return all_; }

private:
    uint16_t state_ = KXG_CLASS_CREATED;
    int32_t loadResult_ = 0;
    uint16_t kind_;
    KxGSchemaMap* schemaMap_;
    KxClassId classId_;
    KxString name_;
    std::vector<KxGClass*> bases_;
    std::unique_ptr<KxGClassMap> classMap_;
    std::vector<std::unique_ptr<KxGMember>> own_;
    std::vector<KxGMember*> all_;
    std::unique_ptr<std::vector<uint16_t>> subclasses_;
    std::vector<std::unique_ptr<KxGRelation>> relations_;
};

class KxGVirtualInheritClass : public KxGClass {
public:
    using KxGClass::KxGClass;
    ~KxGVirtualInheritClass() override;

    // A member (relation) of this class goes to the own lists; one declared by a base class (the
    // class's own map of an inherited member) to the second lists.
    void AddMember(std::unique_ptr<KxGMember> member) override;
    KxGRelation* AddRelation(std::unique_ptr<KxGRelation> relation) override;
    // The bases' members (each base once), each replaced by this class's own map of it when there
    // is one (same declaring class, same name), then the own members.
    void CollectMembers() override;

    // The second lists: this class's maps of inherited members, and their relations.
    uint32_t GetInheritedCount() const { return static_cast<uint32_t>(inherited_.size()); }
    KxGMember* GetInherited(uint32_t index) const
    {
        return index < inherited_.size() ? inherited_[index].get() : nullptr;
    }
    uint32_t GetInheritedRelationCount() const { return static_cast<uint32_t>(inheritedRelations_.size()); }
    KxGRelation* GetInheritedRelation(uint32_t index) const
    {
        return index < inheritedRelations_.size() ? inheritedRelations_[index].get() : nullptr;
    }

protected:
    void CollectInto(std::vector<KxGMember*>& list, std::vector<const KxGClass*>& seen) const override;

private:
    KxGMember* OwnMapOf(const KxGMember& member) const;

    std::vector<std::unique_ptr<KxGMember>> inherited_;
    std::vector<std::unique_ptr<KxGRelation>> inheritedRelations_;
};
