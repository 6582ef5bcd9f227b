// The loaders that build mapped classes from the class dictionary.
//
//   KxGClassLoader    the schema map's loader (KxGMapLoader): turns one meta type into a KxGClass with
//                     its class map: bases first (through the schema map), then the members (through
//                     KxGMemberLoader), the subclass list, the store handler and the class map's
//                     completion; and loads a class's own index definitions into index maps.
//   KxGMemberLoader   the kernel's member functor: one member map per stored member of a class (type,
//                     reference and embedded class member maps), applying the mapping options.
//   KxGIndicesLoader  the kernel's index-entry functor: one index map per index definition that the
//                     class declares itself, each key path mapped onto a column.
//
// A class with more than one base class or with virtual inheritance (KxGVirtualInheritClass) gets, after
// its own members, maps of its own for the members it inherits (KxGInheritedMemberLoader): value,
// reference and embedded class members; set members keep their declaring class's map (and set table).
//
// Arrays: arrays of characters and unsigned bytes keep their element count; arrays of other simple
// types and of embedded classes only in (or inside) a blob container; otherwise the member is mapped
// with one element and the schema mapper records its warning 6155 (" Class: " class ", member: "
// member) on the creation schema map.
//
// The runtime and the schema mapper skip the same members (a type without SQL type, an automatic
// value), so that both see the same members and choose the same store kinds; only the schema mapper
// reports them (user error -6098 on the database).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"

class KxGClass;
class KxGClassMap;
class KxGIndexMap;
class KxGRefMemberMap;

// Loader-context flags passed on to the member loader.
enum : uint32_t {
    KXG_LOAD_IN_BLOB_CONTAINER = 0x01,   // the members are loaded for a blob container
    KXG_LOAD_NO_BLOB_CONTAINER = 0x02    // storage in the blob container is not allowed here
};

class KxGClassLoader : public KxGMapLoader {
public:
    int32_t LoadClass(KxGSchemaMap& schemaMap, const KxMetaType& type, KxGClass*& loaded, uint32_t context) override;
    int32_t LoadIndexes(KxGSchemaMap& schemaMap, KxGClassMap& classMap,
                        std::vector<std::unique_ptr<KxGIndexMap>>& list) override;

    // The process-wide class loader (installed as the default loader by the gateway module).
    static KxGClassLoader& Instance();
};

class KxGMemberLoader : public KxMemberFunctor {
public:
    KxGMemberLoader(KxGSchemaMap& schemaMap, KxGClass& mappedClass, uint32_t context);

    int32_t OnValue(const KxMember& member) override;
    int32_t OnEmbedded(const KxMember& member) override;
    int32_t OnPointer(const KxMember& member) override;
    int32_t OnOnDemand(const KxMember& member) override;
    // Set members (KxGSetLoader.cpp).
    int32_t OnObjectSet(const KxMember& member) override;
    int32_t OnOnDemandSet(const KxMember& member) override;
    int32_t OnTypeSet(const KxMember& member) override;
    int32_t OnClassSet(const KxMember& member) override;
    // A container member is not mapped: a stored one refuses the class (KXG_E_MEMBER_TYPE_UNSUPPORTED),
    // so that no object of it is stored without its container.
    int32_t OnContainer(const KxMember& member) override;

    // The last positive result (warnings), 0 when none.
    int32_t GetResult() const { return result_; }

    // The element count an array member is mapped with (see above); `inContainer`: the member is
    // stored in the blob container (the loader context's KXG_LOAD_IN_BLOB_CONTAINER counts as well).
    // Reports a reduction (schema mapper only, own members only).
    uint32_t ArrayCount(const KxMember& member, bool inContainer);

protected:
    // The class that declares the member: this class, or (for an inherited member) its base.
    KxGClass& Owner(const KxMember& member) const;
    // The member's offset in an instance of its declaring class.
    static uint32_t OwnOffset(const KxMember& member);
    KxGClass& GetClass() const { return class_; }

private:
    int32_t Reference(const KxMember& member, bool onDemand);
    // The member options FETCH and READ_AHEAD of a reference member (a count; below 1 gives 1;
    // READ_AHEAD is applied after FETCH and wins).
    // A null map (a member that is not a reference): such options do not fit and get status -2.
    void ApplyReferenceOptions(const KxMember& member, KxGRefMemberMap* map);
    // Reports a member the schema mapper cannot map (-6098) and skips it: 0 in the runtime, which
    // skips it silently.
    int32_t Skip(const KxMember& member, const char* reason);
    bool Stored(const KxMember& member) const;

    KxGSchemaMap& schemaMap_;
    KxGClass& class_;
    uint32_t context_;
    int32_t result_ = 0;
};

// Walks all members of a class with multiple or virtual inheritance and maps those it inherits (own
// members are passed over; set members keep their declaring class's map).
class KxGInheritedMemberLoader : public KxGMemberLoader {
public:
    using KxGMemberLoader::KxGMemberLoader;

    int32_t OnValue(const KxMember& member) override;
    int32_t OnEmbedded(const KxMember& member) override;
    int32_t OnPointer(const KxMember& member) override;
    int32_t OnOnDemand(const KxMember& member) override;
    int32_t OnObjectSet(const KxMember&) override { return 0; }
    int32_t OnOnDemandSet(const KxMember&) override { return 0; }
    int32_t OnTypeSet(const KxMember&) override { return 0; }
    int32_t OnClassSet(const KxMember&) override { return 0; }
    int32_t OnContainer(const KxMember&) override { return 0; }

private:
    bool Inherited(const KxMember& member) const { return &Owner(member) != &GetClass(); }
};

class KxGIndicesLoader : public KxIndexEntryFunctor {
public:
    KxGIndicesLoader(KxGClassMap& classMap, std::vector<std::unique_ptr<KxGIndexMap>>& list);

    int32_t OnSimpleIndex(const KxIndexDef& index) override;
    int32_t OnCompoundIndex(const KxIndexDef& index) override;

private:
    // One index map; its parts in order, the first error ends.
    int32_t Load(const KxIndexDef& index);

    KxGClassMap& classMap_;
    std::vector<std::unique_ptr<KxGIndexMap>>& list_;
};
