// XApplicationDatabases: the set of application databases that one upgrade run works on, made from
// a fixed table of two databases, and the upgrader's run context behind it.
#pragma once

#include <cstdint>

#include "afxstr.h"

class XKxDatabase;
class XProgressOutput;

// The upgrader's run context: what the set takes from it.
class XApplicationDatabasesOwner {
public:
    virtual ~XApplicationDatabasesOwner() = default;
    // The directory below which the version directories of scripts and programs lie.
    virtual CString GetScriptBaseDirectory() const = 0;
    // The progress display of the run; null when there is none.
    virtual XProgressOutput* GetProgressOutput() const = 0;
    virtual int32_t GetOptionBits() const = 0;
};

// One entry of the compiled-in table.
struct XApplicationDatabaseEntry {
    int32_t index;                 // slot in the set's array
    char16_t name[20];             // the short name, key of every lookup by name
    char16_t registryKey[256];     // relative to the vendor key of the registry reader
    char16_t dictionaryName[20];
    int32_t limitVersion;          // -1: none
    char upgradeFunction[32];      // the object upgrade function a step library exports
};

class XApplicationDatabases {
public:
    static constexpr int32_t kEntryCount = 2;
    static const XApplicationDatabaseEntry kEntries[kEntryCount];
    // The option bit that the step logger asks for (bit 5).
    static constexpr int32_t kOptionMask = 0x20;

    // XKxException "Error allocating control structures for T5 databases!" when the array cannot
    // be allocated.
    XApplicationDatabases();
    // Deletes every database of the array; exceptions are swallowed.
    ~XApplicationDatabases();
    XApplicationDatabases(const XApplicationDatabases&) = delete;
    XApplicationDatabases& operator=(const XApplicationDatabases&) = delete;

    // Stores the owner and makes one database per table entry (a database already in a slot is
    // deleted first; a failed allocation leaves the slot null).
    void CreateDatabases(XApplicationDatabasesOwner* owner);

    CString GetOwnerText() const;
    XProgressOutput* GetProgress() const;
    // False without an owner; else bit 5 of the owner's option bits.
    bool IsOptionSet() const;
    // "\r\n\t" and the text appended to the error text.
    void AppendError(const CString& text);
    const CString& GetErrorText() const { return errorText_; }
    void SetValid(bool valid) { valid_ = valid; }
    bool IsValid() const { return valid_; }
    // The same text on every database / the first database's (empty when there is none).
    void SetDatabaseText(const CString& text);
    CString GetDatabaseText() const;

    // The first entry, among the first `count`, whose name equals the name exactly.
    const XApplicationDatabaseEntry* FindEntry(const CString& name) const;
    XKxDatabase* FindDatabase(const CString& name) const;
    // Null for an index outside the first `count` slots.
    XKxDatabase* GetDatabase(int32_t index) const;
    int32_t GetLimitVersion(const CString& name) const;
    const char* GetUpgradeFunction(const CString& name) const;
    int32_t GetCount() const { return count_; }

private:
    XApplicationDatabasesOwner* owner_ = nullptr;
    XKxDatabase** databases_ = nullptr;
    int32_t maxTargetVersion_ = -1;
    int32_t forcedVersion_ = -1;
    bool valid_ = true;
    int32_t count_ = kEntryCount;
    CString errorText_;
    int32_t slots_ = kEntryCount;   // the array's size; `count` may drop below it
};
