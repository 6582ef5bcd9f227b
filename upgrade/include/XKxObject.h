// XKxObject: an upgrade function's handle on one object of the database: a persistent object held
// in the kernel's object cache, a reference to one that is not loaded, or an embedded part of another
// object. It keeps the object held while it has it, reads and writes its members by name, follows
// references, and makes, stores, deletes and refreshes objects. Every kernel failure is thrown as
// XKxException. Not copyable: Assign takes another wrapper's object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "afxstr.h"

class KxBlob;
class KxDateTime;
class KxMemberAccessor;
class KxMetaClass;
class KxMetaNonPersClass;
class KxObject;
class KxOnDemand;
class XKxClassMap;
class XKxDatabase;
class XKxObjectSet;
class XKxReferenceMap;
class XKxSet;

class XKxObject {
public:
    XKxObject();
    explicit XKxObject(XKxDatabase* database);
    // Forgets the held object (a failure of that is dropped: a destructor throws nothing).
    ~XKxObject();
    XKxObject(const XKxObject&) = delete;
    XKxObject& operator=(const XKxObject&) = delete;

    // ---- objects and references ----
    void SetObject(KxObject* object);
    void Assign(const XKxObject& other);
    void SetEmbedded(void* address, const KxMetaClass* meta);
    // SetEmbedded of an instance made on its own (XKxClass::MakeObject): the wrapper frees it when it
    // lets it go.
    void TakeEmbeddedInstance(uint8_t* instance, const KxMetaNonPersClass* meta);
    void SetOnDemand(const KxOnDemand& ref);
    void SetRefFromText(const CString& text);
    void SetDatabase(XKxDatabase* database) { this->database = database; }
    XKxDatabase* GetDatabase() const { return database; }
    KxObject* GetObject() const { return object; }
    void* GetEmbedded() const { return embedded; }
    const KxOnDemand* GetOnDemand() const { return reference; }
    CString GetClassName() const;
    const KxMetaClass* GetMetaClass() const;
    const KxMetaClass* GetEmbeddedMetaClass() const { return embeddedMetaClass; }
    CString GetKelvoxID() const;
    void GetNewestVersion();
    uint16_t GetClassVersion(uint16_t classId) const;
    void Remember();
    void Forget();
    void ForgetAll();
    void Refresh();
    void Delete(int32_t depth);
    void Make(const CString& className, bool store);
    void Store(int32_t depth);
    [[noreturn]] void ErrorNoObject() const;
    int32_t SwitchSetToBackpointer(const CString& setMember, const CString& backMember);
    // Copies every class that this object's and source's inheritance trees share (not the root
    // class) from source: the number of attributes copied. Without an object a new stored object of
    // source's class is made first. Error maps may be null (failures are then thrown).
    int32_t CopyAttributes(XKxObject& source, std::map<CString, int32_t>* targetErrors,
                           std::map<CString, int32_t>* sourceErrors);
    // True when the map knows every reference of this object (its class's and its persistent base
    // classes' reference members and sets of references).
    bool AllReferencesMapped(XKxReferenceMap& map);
    // The class map the last CopyAttributes built (kept for the next call with the same classes).
    const XKxClassMap* GetClassMap() const { return classMap; }

    // ---- members by name ----
    void GetMemberString(const CString& name, CString& value);
    void GetMemberBool(const CString& name, bool& value);
    void GetMemberInt(const CString& name, int32_t& value);
    void GetMemberLong(const CString& name, int32_t& value);
    void GetMemberULong(const CString& name, uint32_t& value);
    void GetMemberDouble(const CString& name, double& value);
    void GetMemberBlob(const CString& name, KxBlob& value);
    void GetMemberDateTime(const CString& name, KxDateTime& value);
    void GetMemberSet(const CString& name, XKxObjectSet& set);
    void GetMemberOnDemand(const CString& name, XKxObject& out);
    void GetMemberReference(const CString& name, XKxObject& out);
    void GetMemberEmbeddedObject(const CString& name, const CString& className, XKxObject& out);
    void GetMemberEmbeddedSet(const CString& name, XKxSet& set);
    void GetReference(XKxObject& out);

    void SetMemberString(const CString& name, const CString& value, bool store);
    void SetMemberBool(const CString& name, bool value, bool store);
    void SetMemberInt(const CString& name, int32_t value, bool store);
    void SetMemberLong(const CString& name, int32_t value, bool store);
    void SetMemberULong(const CString& name, uint32_t value, bool store);
    void SetMemberDouble(const CString& name, double value, bool store);
    void SetMemberBlob(const CString& name, const KxBlob& value, bool store);
    void SetMemberDateTime(const CString& name, const KxDateTime& value, bool store);
    void SetMemberReference(const CString& name, XKxObject& target, bool store);
    void SetMemberReference(const CString& name, KxObject* target, bool store);
    void SetMemberReference(const CString& name, bool store);
    void SetMemberReference(const CString& name, const KxOnDemand& ref, bool store);

private:
    void ActivateMemberAccessor(const CString& name);
    // The member's type id, read once per accessor.
    int8_t TypeId();
    // Reads / writes a value of the type id through the active accessor: the kernel's status.
    int32_t Read(const CString& name, int32_t typeId, void* value);
    int32_t Write(const CString& name, int32_t typeId, const void* value);
    // Throws the setter's text with the status when it is negative; stores after a write when asked.
    void EndSet(int32_t status, const char16_t* what, const CString& name, bool store);

    KxObject* object = nullptr;
    void* embedded = nullptr;
    KxOnDemand* reference = nullptr;
    XKxClassMap* classMap = nullptr;
    CString targetClassName;
    CString sourceClassName;
    const KxMetaClass* metaClass = nullptr;
    const KxMetaClass* embeddedMetaClass = nullptr;
    KxMemberAccessor* accessor = nullptr;
    CString activeMember;
    CString requestedMember;
    int8_t typeId = -1;
    XKxDatabase* database = nullptr;
    // The meta class the accessor was built on: another class's object needs an accessor of its own.
    const KxMetaClass* accessorClass = nullptr;
    // An embedded instance of its own (TakeEmbeddedInstance) and its class.
    uint8_t* ownedInstance = nullptr;
    const KxMetaNonPersClass* ownedClass = nullptr;
    void FreeOwnedInstance();
};
