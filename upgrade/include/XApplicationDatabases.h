// XApplicationDatabases: the set of application databases that one upgrade run works on, made from
// a fixed table of two databases, and the upgrader's run context behind it.
#pragma once

#include <cstdint>

#include "afxstr.h"

class XKxDatabase;
class XKxStatistic;
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

    // ---- whole-set steps ----
    // "Database information summary:" and a bordered table of every database (name, server,
    // log-in, version number, description, edition text) to the progress output and the log.
    void PrintSummary();
    // The first database runs "_get_oracle_server_version.sql" of the script base directory through
    // the Oracle client, its spool (the server's banner) copied into the log.
    void GetOracleServerVersion();
    // Checks the stored version of every database in slot order, sets each target version and
    // settles the forced version; a later database in state 0 after its check leaves the set.
    // XKxException when the first database is below version 22.
    void ReadVersion();
    // The new version record of every database written.
    void WriteVersion();
    // The edition text of the new version record of every database.
    void SetNewVersionInfo(const CString& text);
    // Every database opened ("Open Databases: " first when announced).
    void OpenDatabases(bool announce);
    // Every database closed; with `onlyObjectDatabases` only those in state 2.
    void CloseDatabases(bool onlyObjectDatabases);
    // Hands the name of every database to the statistics node (nothing for a null node).
    void ForEachName(XKxStatistic* statistics) const;
    // The names of the databases that are open and not in state 0, joined by ", ".
    CString GetDatabaseNames() const;

    // ---- the structure upgrade ----
    // The per-database loops; each times database i on the statistics node's child i (when there
    // are a node and a child).
    // The script list "execute_pre_sql_upgrade.txt" of every database: the number of scripts run.
    int32_t ExecutePreSQLScripts(XKxStatistic* statistics);
    void CreateChangeFiles(XKxStatistic* statistics);
    void UpgradeStructures(XKxStatistic* statistics);
    void UpgradeDictionaries(XKxStatistic* statistics);
    // Unless the first database is at its target or a forced version is in effect: the pre-upgrade
    // scripts, closing, the change files (from version 20 on, unless the registry value
    // "LiftRunner" "SchemaDelta" is "false"), the structures and the dictionaries, timed below the
    // holder's new child "Upgrading structure". XKxException "Error upgrading the database
    // structure!" around any failure.
    void UpgradeDatabaseStructure(XKxStatistic* holder);

    // ---- versions ----
    // The first database's target version; -1 without one.
    int32_t GetTargetVersion() const;
    // The stored version of the slot's database (-1 for none), lowered to the forced version when
    // one is set and smaller.
    int32_t GetVersion(int32_t index) const;
    // A version from which the upgrade is to be repeated. Only a decimal integer (an optional sign
    // and digits, nothing else) sets it; any other text leaves no forced version (-1).
    void SetForcedVersion(const CString& text);
    int32_t GetForcedVersion() const { return forcedVersion_; }
    // True when there is a first database and the forced version lies below its stored version.
    bool IsVersionForced() const;
    // A preset target version is raised by one while it lies below this bound (-1: never).
    void SetMaxTargetVersion(int32_t version) { maxTargetVersion_ = version; }
    int32_t GetMaxTargetVersion() const { return maxTargetVersion_; }
    // Of the first database's new version record; -1 / empty without a first database.
    int32_t GetNewVersionNumber() const;
    CString GetNewVersionString() const;
    CString GetNewVersionInfo() const;
    // Of the stored version record of the named database; empty when the name is not in the table.
    CString GetVersionString(const CString& name) const;
    CString GetVersionInfo(const CString& name) const;
    // Edition number and service pack of the stored record of "database"; 0 without one.
    int32_t GetMainEditionNumber() const;
    int32_t GetMainServicePack() const;

private:
    // Runs the step on every database, timed on the statistics node's child of its slot.
    template <typename Step>
    void ForEachTimed(XKxStatistic* statistics, Step step);

    XApplicationDatabasesOwner* owner_ = nullptr;
    XKxDatabase** databases_ = nullptr;
    int32_t maxTargetVersion_ = -1;
    int32_t forcedVersion_ = -1;
    bool valid_ = true;
    int32_t count_ = kEntryCount;
    CString errorText_;
    int32_t slots_ = kEntryCount;   // the array's size; `count` may drop below it
};
