// The set and reference wrappers:
//   XKxObjectSet     walks and changes a set-valued member of a persistent object (a kernel object set).
//   XKxObjectRef     a comparable value naming one object of one database: the whole object id and the
//                    class number (order: id, then class; the database takes part in neither).
//   XKxReferenceMap  references of source objects to references of their copies.
//   XKxSet           walks and extends a set of embedded objects (a kernel set of class values).
#pragma once

#include <cstdint>
#include <map>

#include "KxObjId.h"
#include "XKxClass.h"

class KxObjectSet;
class KxOnDemand;
class KxSet;
class XKxObject;
class XKxReferenceMap;

class XKxObjectSet {
public:
    explicit XKxObjectSet(XKxDatabase* database) : database(database) {}
    void Init(KxObjectSet* set);
    void SetDatabase(XKxDatabase* db) { database = db; }
    XKxDatabase* GetDatabase() const { return database; }
    KxObjectSet* GetSet() const { return set; }

    int32_t GetCount();
    // The next element (the walk does not restart after the end).
    bool GetNext(XKxObject& element);
    // Removes the current element; the next GetNext reads the element now at its place.
    void Delete();
    void Clear();
    [[noreturn]] void ErrorNoObjectSet() const;
    // Writes `target` into member `member` of every element and stores it: the number of elements.
    int32_t SetMemberReference(const CString& member, XKxObject& target);
    // False at the first element whose reference the map does not know.
    bool AllMapped(XKxReferenceMap& map);

private:
    int32_t count = -1;
    int32_t cursor = 0;
    int32_t afterDelete = 0;
    KxObjectSet* set = nullptr;
    XKxDatabase* database;
};

class XKxObjectRef {
public:
    XKxObjectRef() = default;
    explicit XKxObjectRef(XKxObject& object) { SetRef(object); }
    void SetRef(XKxObject& object);
    void Set(const KxOnDemand& ref, XKxDatabase* database);
    bool IsNull() const { return objectId.IsNull() || classId == 0; }
    KxOnDemand GetOnDemand() const;
    const KxObjId& GetObjectId() const { return objectId; }
    uint16_t GetClassId() const { return classId; }
    XKxDatabase* GetDatabase() const { return database; }

    friend bool operator<(const XKxObjectRef& a, const XKxObjectRef& b) {
        return a.objectId != b.objectId ? a.objectId < b.objectId : a.classId < b.classId;
    }
    friend bool operator==(const XKxObjectRef& a, const XKxObjectRef& b) {
        return a.objectId == b.objectId && a.classId == b.classId;
    }

private:
    KxObjId objectId;
    uint16_t classId = 0;
    XKxDatabase* database = nullptr;
};

class XKxReferenceMap {
public:
    void Add(XKxObject& source, XKxObject& copy);
    // The mapped reference; the process-wide null reference for an absent key.
    const XKxObjectRef& Lookup(const XKxObjectRef& key) const;
    const XKxObjectRef& Lookup(XKxObject& object) const;
    const XKxObjectRef& Lookup(const KxOnDemand& ref, XKxDatabase* database) const;
    size_t GetCount() const { return map.size(); }

private:
    std::map<XKxObjectRef, XKxObjectRef> map;
};

class XKxSet : public XKxClass {
public:
    XKxSet(XKxDatabase* database, const CString& className);
    void SetSet(KxSet* set);
    KxSet* GetSet() const { return set; }
    int32_t GetCount();
    // The next element as an embedded object; the walk does not restart by itself.
    bool GetNext(XKxObject& element);
    // Appends a copy of the embedded object (of this set's class, in this database).
    int32_t Append(XKxObject& element);

private:
    int32_t count = -1;
    int32_t cursor = 0;
    KxSet* set = nullptr;
};
