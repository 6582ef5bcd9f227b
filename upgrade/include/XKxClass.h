// XKxClass: one class of a database's schema, found by name in the database's class dictionary; the
// root of the object-access wrappers (XKxAllSet, XKxQuery and XKxSet derive from it). It gives the
// class's kernel meta class, its members one by one, its extent and new objects of the class; every
// failing kernel call is thrown as XKxException.
//
// XKxClassMap: the wrappers of a class and its persistent base classes, by class name. The map owns
// the wrappers it holds and deletes them with itself.
//
// Attribute copy: XKxClass copies the values of its class's own members from one object into another
// (plain values by kernel type id, embedded objects member by member, references optionally
// redirected through a reference map, sets element by element); XKxClassMap copies every class it
// holds. A member whose value cannot be read or written is recorded in the error maps when they are
// given (the last status per member name), else thrown.
#pragma once

#include <cstdint>
#include <map>

#include "afxstr.h"

class KxAllSet;
class KxMember;
class KxMemberAccessor;
class KxMetaClass;
class KxMetaNonPersClass;
class KxMetaPersClass;
class KxMetaType;
class KxObjectSet;
class XKxDatabase;
class XKxObject;
class XKxReferenceMap;

// Member name to the kernel status of its failed read or write.
using XKxErrorMap = std::map<CString, int32_t>;

class XKxClass {
public:
    // A wrapper of the class named (persistent: made with XKxObject::Make, has an extent; else an
    // embedded class). XKxException when the database is missing or not open, or the class cannot
    // be found.
    XKxClass(XKxDatabase* database, const CString& className, bool persistent);
    // The null wrapper: no class, a base and a dictionary only.
    explicit XKxClass(XKxDatabase* database);
    virtual ~XKxClass();
    XKxClass(const XKxClass&) = delete;
    XKxClass& operator=(const XKxClass&) = delete;

    void Create(const CString& className);
    CString GetClassName() const { return className; }
    // The 16-bit class number of the persistent class; -1 without one.
    int32_t GetClassId() const;
    // The class's extent in the database (owned by the caller); null without a persistent class.
    KxAllSet* MakeExtent() const;
    // The persistent meta class, else the embedded one; XKxException without either.
    const KxMetaClass* GetMetaClass() const;
    // The name of member number `index` (from 0) of the class's own members.
    void GetMemberName(CString& name, int32_t index) const;
    // The class's own members one by one: null once after the last, then the first again.
    const KxMember* GetNextMember();
    // A new object of the class into `object` (persistent: made and stored; embedded: an instance of
    // its own).
    void MakeObject(XKxObject& object);

    // Copies the class's own members from source into target: the number of attributes copied.
    // Error maps and reference map may be null.
    int32_t CopyAttributes(XKxObject& target, XKxObject& source, XKxErrorMap* targetErrors, XKxErrorMap* sourceErrors,
                           XKxReferenceMap* references);
    // One member: the number of attributes copied; the statuses of the read and of the write.
    int32_t CopyAttribute(const KxMember* member, KxMemberAccessor& target, KxMemberAccessor& source,
                          int32_t& targetStatus, int32_t& sourceStatus, XKxReferenceMap* references);

    bool IsPersistent() const { return persistent; }
    XKxDatabase* GetDatabase() const { return database; }
    const KxMetaPersClass* GetPersClass() const { return persClass; }
    const KxMetaNonPersClass* GetNonPersClass() const { return nonPersClass; }

protected:
    int32_t CopyEmbedded(const KxMetaClass* meta, void* targetAddress, void* sourceAddress, int32_t& targetStatus,
                         int32_t& sourceStatus, XKxReferenceMap* references);
    void CopyOnDemand(KxMemberAccessor& target, KxMemberAccessor& source, int32_t& targetStatus,
                      int32_t& sourceStatus, XKxReferenceMap* references);
    int32_t CopyOnDemandSet(KxMemberAccessor& target, KxMemberAccessor& source, int32_t& targetStatus,
                            int32_t& sourceStatus, XKxReferenceMap* references);
    int32_t CopyTypeSet(KxMemberAccessor& target, KxMemberAccessor& source);

    const KxMetaType* metaType = nullptr;
    const KxMetaPersClass* persClass = nullptr;
    CString className;
    int32_t memberCursor = 0;
    bool persistent;
    XKxDatabase* database;
    const KxMetaNonPersClass* nonPersClass = nullptr;
};

class XKxClassMap {
public:
    explicit XKxClassMap(XKxDatabase* database) : database(database) {}
    // Deletes every wrapper it holds.
    ~XKxClassMap();
    XKxClassMap(const XKxClassMap&) = delete;
    XKxClassMap& operator=(const XKxClassMap&) = delete;

    // Takes the wrapper under its class name: true; false (the caller keeps it) for the root class
    // "KxObject", a name the map holds already, or null.
    bool AddClass(XKxClass* wrapper);
    // AddClass, then the wrapper's base classes, recursively. A refused wrapper is deleted.
    void AddClassWithBases(XKxClass* wrapper);
    // A new wrapper for each class name of a that b also holds (a refused one is deleted).
    void AddCommonClasses(const XKxClassMap& a, const XKxClassMap& b);
    // XKxClass::CopyAttributes of every class held, in name order, without reference map: the sum.
    int32_t CopyAttributes(XKxObject& target, XKxObject& source, XKxErrorMap* targetErrors, XKxErrorMap* sourceErrors);
    // Each class name a console line, then an empty line.
    void Print() const;

    const std::map<CString, XKxClass*>& GetClasses() const { return classes; }
    XKxDatabase* GetDatabase() const { return database; }

private:
    std::map<CString, XKxClass*> classes;
    XKxDatabase* database;
};
