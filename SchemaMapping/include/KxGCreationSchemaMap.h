// The creation schema map: the schema map the schema mapper builds a new schema with. It names what
// the runtime later reads back: class tables, set tables and columns, and records them for
// KELVOX_CLASSES and KELVOX_MEMBERS.
//
// Column names take the versioned-name form (the member
// path's last segment, the member position, "V" and revision 0, cut to the column-name length, mapped
// upper), made unique per table (a universal table holds every descendant's columns, so siblings'
// members at one position, or "a.x" and "b.x" of two embedded members, would collide: a later one gets
// "_2", "_3" ... cut to fit). HasMIChild answers from the dictionary. The loaders' warnings (6155) wait
// here for the schema mapper to report them.
//
// Table names of a new schema: a class's RENAME argument, or its name stem followed by "C", the class
// number, "V" and the revision (the stem alone with PRESERVE_NAMES); set tables likewise with the set
// member's name and "C" owner "P" position "V" revision. Each is cut to the product's length, mapped
// upper and qualified with the schema.
//
// The map also collects the statement lists of a schema mapper run (create-table, trigger, view and
// index statements, each built once and owned) and the index maps for KELVOX_INDEXES.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KxGSchemaMap.h"
#include "KxGStatementTemplate.h"

class KxGCreationSchemaMap : public KxGSchemaMap {
public:
    KxGCreationSchemaMap(KxGDatabase* database, KxClassDict* dictionary, KxGMapLoader* loader);

    // The default table name (nothing is stored yet).
    int32_t GetTableName(KxGClass& mappedClass, KxGQualifiedIdentity& table) override;
    // Names every unnamed column of the class's member maps and records it; 0.
    int32_t GetColumnNames(KxGClass& mappedClass) override;
    // True when a user class below the meta class (at any depth) has more than one base class or is
    // marked with virtual inheritance.
    bool HasMIChild(const KxMetaClass& metaClass) override;
    KxGCreationSchemaMap* GetCreationSchemaMap() override { return this; }
    // Table names as the header says (with the existing-schema flag: the stem with the class number
    // and "v" version, cut to fit).
    int32_t MapClass2TableName(KxGClass& mappedClass, KxGQualifiedIdentity& table) override;
    // Set table names as the header says; records the set member's KELVOX_MEMBERS row.
    int32_t MapSet2TableName(KxGMember& member, uint16_t position, KxGQualifiedIdentity& table) override;
    ~KxGCreationSchemaMap() override;

    // ---- run settings ---------------------------------------------------------------------------
    // Table, set and column names are read back from KELVOX_CLASSES and KELVOX_MEMBERS as the runtime
    // does (a schema this mapper made: drop, empty and list of an existing schema).
    bool IsStoredNames() const { return storedNames_; }
    void SetStoredNames(bool on) { storedNames_ = on; }
    bool IsExistingSchema() const { return existingSchema_; }
    void SetExistingSchema(bool on) { existingSchema_ = on; }
    // ROGWRevision of the schema (0 for a new one).
    uint16_t GetRevision() const { return revision_; }
    void SetRevision(uint16_t revision) { revision_ = revision; }
    // "RO GW Version" of the schema (1024 for a new one).
    int32_t GetSchemaVersion() const { return schemaVersion_; }
    void SetSchemaVersion(int32_t version) { schemaVersion_ = version; }

    // Receives the failure of a store handler while the view list is built (code, the statement
    // text); none when empty. With keepGoing the failing handler's statements are taken out again
    // and the build goes on.
    using Reporter = std::function<void(int32_t code, const KxString& text)>;
    void SetReporter(Reporter reporter, bool keepGoing)
    {
        reporter_ = std::move(reporter);
        keepGoing_ = keepGoing;
    }

    // ---- loading --------------------------------------------------------------------------------
    // Loads the root class, every user class and the system classes 65311 to 65500 (once). -6097 is
    // forgiven; the first other negative result ends the loading and is answered. With the stored-
    // names flag the classes of the stored schema are loaded instead: for every class number of
    // KELVOX_CLASSES its newest stored version (-6195 when the table cannot be read; a version the
    // dictionary no longer knows is left out).
    int32_t LoadAllClasses();
    // Loads all classes; every class map then holds its class schema and its columns are named. 0 or
    // the loading's error.
    int32_t LoadClassSchemas();
    // The persistent classes that have a store handler, in class-number order.
    std::vector<KxGClass*> GetStoredClasses() const;

    // ---- statement lists (each built once; 0 when it exists already) -----------------------------
    // Class tables (CreateClassTable, then CreateMemberTables of each class).
    int32_t BuildCreateTableList();
    int32_t BuildTriggerList();
    // Extent views; a failing handler is reported (see SetReporter).
    int32_t BuildViewList();
    // Collects the index maps, then their create statements in list order.
    int32_t BuildIndexList();
    // All four in the order above; the first failure.
    int32_t BuildLists();
    // The lists; null before they are built.
    KxGStatementTemplateList* GetCreateTableList() const { return createTables_.get(); }
    KxGStatementTemplateList* GetTriggerList() const { return triggers_.get(); }
    KxGStatementTemplateList* GetViewList() const { return views_.get(); }
    KxGStatementTemplateList* GetIndexList() const { return indexes_.get(); }
    // Drops the four lists (the next build makes them again).
    void ClearLists();

    // The index maps for KELVOX_INDEXES (not owned: their class maps hold them). An index map equal to
    // one listed already is left out, but takes its place when it is unique and the listed one is not.
    // After an index comparison the list is the comparison's and stays as it is.
    int32_t CollectIndexMaps();
    const std::vector<KxGIndexMap*>& GetIndexMaps() const { return indexMaps_; }
    // Makes the index map list again from the indexes that exist in the database: every index map of
    // the persistent classes whose SQL name (without sequence number) and table are among the
    // database's indexes, each database index matched once. 0; the code of a failed read or load.
    int32_t RebuildIndexMapsFromDatabase();

    // ---- versioning run --------------------------------------------------------------------------
    // The statements of a versioning run (made on demand, owned; null before MakeVersioningList).
    KxGStatementTemplateList* GetVersioningList() const { return versioning_.get(); }
    KxGStatementTemplateList& MakeVersioningList();
    // The removals of obsolete indexes (DROP INDEX, then the KELVOX_INDEXES row deletions); null
    // before the index comparison found one.
    KxGStatementTemplateList* GetIndexRemovalList() const { return indexRemovals_.get(); }
    // Compares the indexes of this (the dictionary's) map with the stored schema's: the stored
    // KELVOX_INDEXES rows, the dictionary's update log of the revision above storedRevision (indexes
    // marked changed there are made again), and the stored map's index maps. The index map list
    // then holds the new and changed indexes only; the stored rows no index matched go to the index
    // removal list. changes: either list holds anything. 0; KXG_E_CANNOT_READ_INDEX_TABLE when
    // KELVOX_INDEXES cannot be read; the code of a failed index load.
    int32_t CompareIndexes(uint16_t storedRevision, KxGSchemaMap& stored, bool& changes);
    // Appends the create statement of every index map of the index map list to the versioning list,
    // then one KELVOX_INDEXES insert per index map. 0; KXG_W_NEW_UNIQUE_INDEX when one of them is
    // unique; the first failure.
    int32_t AppendNewIndexes();

    // What KELVOX_CLASSES and KELVOX_MEMBERS are to hold.
    struct ClassRow {
        KxClassId id;
        std::string className;
        std::string tableName;
    };
    struct MemberRow {
        KxClassId id;
        std::string key;
        std::string columnName;
    };
    const std::vector<ClassRow>& GetClassRows() const { return classRows_; }
    // Makes the class, member and set rows again from the class maps as they are now (their tables
    // and column names, whether invented or read back): one class row per persistent class with a
    // store handler, its columns' member rows, and a row per set table of the class's own sets.
    void CollectCatalogRows();
    const std::vector<MemberRow>& GetMemberRows() const { return memberRows_; }
    // One row per set member: its name as key, its set table's name as column name.
    const std::vector<MemberRow>& GetSetRows() const { return setRows_; }

    // A table name that a class keeps across a versioning run (the stored table of the class); it
    // takes the place of the name the map would make. Stale class and member rows are recorded
    // again by RecordNamesAgain.
    void KeepTableName(uint16_t classNumber, const KxGQualifiedIdentity& table);
    // Records the KELVOX_CLASSES, KELVOX_MEMBERS and set rows again from the class maps as they are
    // now (after a versioning run renamed tables and columns); columns still unnamed are named. 0 or
    // the first error.
    int32_t RecordNamesAgain();

    // Warnings of the loaders for the schema mapper to report (code and text), in order.
    struct Warning {
        int32_t code;
        std::string text;
    };
    void AddWarning(int32_t code, const KxString& text);
    const std::vector<Warning>& GetWarnings() const { return warnings_; }

private:
    struct OwnedList : KxGStatementTemplateList {
        ~OwnedList() { ClearAll(); }
    };

    bool storedNames_ = false;
    bool existingSchema_ = false;
    uint16_t revision_ = 0;
    int32_t schemaVersion_ = 1024;
    bool classesLoaded_ = false;
    bool schemasLoaded_ = false;
    Reporter reporter_;
    bool keepGoing_ = false;
    std::unique_ptr<OwnedList> createTables_;
    std::unique_ptr<OwnedList> triggers_;
    std::unique_ptr<OwnedList> views_;
    std::unique_ptr<OwnedList> indexes_;
    std::vector<KxGIndexMap*> indexMaps_;
    bool indexesCompared_ = false;   // the index map list holds a comparison's result
    std::unique_ptr<OwnedList> versioning_;
    std::unique_ptr<OwnedList> indexRemovals_;
    std::vector<MemberRow> setRows_;

    std::map<std::string, std::set<std::string>> used_;   // table -> column names
    std::vector<ClassRow> classRows_;
    std::vector<MemberRow> memberRows_;
    std::set<std::pair<uint16_t, const void*>> recorded_;   // (class number, column) pairs recorded
    std::vector<Warning> warnings_;
    std::map<uint16_t, KxGQualifiedIdentity> keptTables_;
};
