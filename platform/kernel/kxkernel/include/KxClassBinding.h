// Persistent classes of a dictionary bound to C++ classes derived from KxObject.
//
// A library that implements classes of a dictionary in C++ registers them while it is loaded: one
// KxClassAssociation per source unit, naming the dictionary, a table of rows (class identifier,
// factory, member-offset hook, cast hook, destroy hook) and the unit's two stamps. From then on the
// object manager makes every object of such a class, new or read from storage, with the row's
// factory, so that KxObject::Make, extents, sets and reads hand out objects of the C++ class
// (dynamic_cast finds it). The members stay in the object's instance as the dictionary lays them out;
// a bound class reaches them through the member-offset hook's answer. The association goes when the
// library unloads (the static object's destructor); objects already made keep their class.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KxObjId.h"
#include "KxString.h"

class KxMetaClass;
class KxObject;

// The identity of a class in its dictionary: the local class id (the class number) and a version.
class KxClassIdentifier {
public:
    KxClassIdentifier() = default;
    KxClassIdentifier(uint16_t localClassId, uint16_t version) : local_(localClassId), version_(version) {}
    uint16_t GetLocalClassId() const { return local_; }
    uint16_t GetVersion() const { return version_; }
    KxClassId GetClassId() const { return KxClassId(local_, version_); }
    bool EqualsIgnoringVersion(const KxClassIdentifier& other) const { return local_ == other.local_; }
    bool operator==(const KxClassIdentifier& o) const { return local_ == o.local_ && version_ == o.version_; }
    bool operator!=(const KxClassIdentifier& o) const { return !(*this == o); }

private:
    uint16_t local_ = 0;
    uint16_t version_ = 0;
};

// Builds an object of the class on the instance the kernel laid out for it (the object owns the
// instance); null when it cannot.
typedef KxObject* (*KxObjectFactory)(const KxMetaClass* metaClass, uint8_t* instance);
// The location of a member (by its number among the class's own members) as an offset from the
// object's instance address, for the class's identifier and a level of at most 1; -1 otherwise.
typedef int32_t (*KxOffsetsHook)(KxClassIdentifier* identifier, int32_t level, int32_t member, void* object);
// The object as the kernel's base class (the pointer unchanged for single inheritance).
typedef void* (*KxCastHook)(void* object);
// Destroys an object that nothing holds (null allowed); answers null.
typedef void* (*KxDestroyHook)(void* object);

struct KxClassBinding {
    KxClassIdentifier identifier;
    KxObjectFactory factory = nullptr;
    KxOffsetsHook offsets = nullptr;   // null for a set class
    KxCastHook cast = nullptr;
    KxDestroyHook destroy = nullptr;
};

class KxClassAssociation {
public:
    // Registers the rows for the dictionary (by name, without regard to ASCII case). A class number
    // registered already keeps its first row while that association lives.
    KxClassAssociation(const char* dictionary, const KxClassBinding* rows, size_t count, const char* created,
                       const char* modified);
    ~KxClassAssociation();
    KxClassAssociation(const KxClassAssociation&) = delete;
    KxClassAssociation& operator=(const KxClassAssociation&) = delete;

    const KxString& GetDictionaryName() const { return dictionary_; }
    const char* GetCreationStamp() const { return created_; }
    const char* GetModifyStamp() const { return modified_; }
    size_t GetCount() const { return count_; }
    const KxClassBinding& GetRow(size_t i) const { return rows_[i]; }

    // The row registered for a class number of a dictionary; null when there is none.
    static const KxClassBinding* Find(const KxString& dictionary, uint16_t classNumber);

private:
    KxString dictionary_;
    const KxClassBinding* rows_;
    size_t count_;
    const char* created_;
    const char* modified_;
};
