// The schema map: how the classes of one object database lie in the relational schema.
//
// The runtime builds one schema map per open database (held by the catalog, KxGCatalog.h): for every
// class of the class dictionary a KxGClass with its class map, the replayed mapping options, and the
// naming rules for tables, views, columns, set tables and indexes. Table and column names are read back
// from KELVOX_CLASSES and KELVOX_MEMBERS. The schema mapper derives its creation schema map from this
// class and overrides the naming operations to invent and record names.
//
// Classes are made by the class loader, which the schema map reaches through KxGMapLoader: the loader
// finds or creates a class (FindClass, AddClass), loads its bases through LoadClass, builds its members
// and class map and, on failure, drops it again (RemoveClass).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGCatalogTables.h"
#include "KxGColumn.h"
#include "KxGOptionRegistry.h"
#include "KxObjId.h"
#include "KxString.h"

class KxClassDict;
class KxMetaClass;
class KxMetaType;
class KxGClass;
class KxGClassMap;
class KxGCreationSchemaMap;
class KxGDatabase;
class KxGIndexMap;
class KxGMember;
class KxGMemberColumn;
class KxGSchemaMap;

// Status codes of the schema map that the common table does not hold.
constexpr int32_t KXG_E_BASE_NOT_MAPPED = -6097;       // a class not mapped at run time because of a base
constexpr int32_t KXG_E_DUPLICATE_MEMBER_NAMES = -6192;

// The class numbers of the kernel's own classes that the runtime maps (inclusive).
constexpr uint16_t KXG_FIRST_MAPPED_SYSTEM_CLASS = 65311;
constexpr uint16_t KXG_LAST_MAPPED_SYSTEM_CLASS = 65500;

// The loaders the schema map runs (the class loader and the indices loader).
class KxGMapLoader {
public:
    virtual ~KxGMapLoader();

    // Loads one meta type (a class or a set type) into the schema map: finds the class by number or
    // creates it (a class whose state is not KXG_CLASS_CREATED is left as it is), loads its bases
    // through the schema map's LoadClass, its members and its class map, and gives the class in
    // `loaded`. 0 or a positive warning; KXG_E_BASE_NOT_MAPPED when a base class is not mapped at run
    // time (the class is removed again); another negative status on failure. context: the loader
    // context passed on to the member loader.
    virtual int32_t LoadClass(KxGSchemaMap& schemaMap, const KxMetaType& type, KxGClass*& loaded,
                              uint32_t context) = 0;
    // Loads every index definition that the class map's class declares itself into list, in order,
    // each with its sequence number (from 1). 0 or the first error.
    virtual int32_t LoadIndexes(KxGSchemaMap& schemaMap, KxGClassMap& classMap,
                                std::vector<std::unique_ptr<KxGIndexMap>>& list) = 0;

    // The process-wide loader that a catalog uses when it is given none (not owned; null clears).
    static void SetDefault(KxGMapLoader* loader);
    static KxGMapLoader* GetDefault();
};

class KxGSchemaMap {
public:
    // Reads the schema name of the database. creation: non-zero for the schema mapper's creation
    // schema map (base classes are then loaded without the run-time restriction). loader: not owned;
    // null makes LoadClass answer KXG_E_NOT_SUPPORTED.
    KxGSchemaMap(KxGDatabase* database, KxClassDict* dictionary, uint16_t creation, KxGMapLoader* loader);
    virtual ~KxGSchemaMap();
    KxGSchemaMap(const KxGSchemaMap&) = delete;
    KxGSchemaMap& operator=(const KxGSchemaMap&) = delete;

    // ---- naming and dictionary questions ---------------------------------------------------------
    // The class's table: for a class that is not persistent or has number 0 the default name
    // (MapClass2TableName); otherwise TABLE_NAME of its KELVOX_CLASSES row, qualified with the schema.
    virtual int32_t GetTableName(KxGClass& mappedClass, KxGQualifiedIdentity& table);
    // Gives every column of the class map's member maps that has no SQL name the COLUMN_NAME stored
    // in KELVOX_MEMBERS under "<owner class number>.<member path>" (no prefix for 0), or else under
    // the bare member path. Nothing for class number 0. -6090 when neither is stored; the database
    // error's code (-6001 when it has none) when the table cannot be read.
    virtual int32_t GetColumnNames(KxGClass& mappedClass);
    // Replaces the meta type by the current version of its class number: 0, or the dictionary's code.
    virtual int32_t GetKxMetaTypeVersion(const KxMetaType*& type);
    // True when the dictionary knows the class number and the id's version is the current one.
    virtual bool ClassVersionIsValid(const KxClassId& classId);
    // Always false in the runtime.
    virtual bool HasMIChild(const KxMetaClass& metaClass);
    // KXG_E_DUPLICATE_MEMBER_NAMES when two members of the class's all-members list share a name.
    virtual int32_t Check4DuplicateMemberNames(KxGClass& mappedClass);
    // The default table name: name stem "C" number "v" version, mapped upper and schema-qualified.
    virtual int32_t MapClass2TableName(KxGClass& mappedClass, KxGQualifiedIdentity& table);
    // Sets the column's member path: path + member name, with "." between them unless the name is
    // "OID" or "CID" or the path is empty. The SQL name is left as it is.
    virtual int32_t MapMember2ColumnName(const KxString& path, uint16_t position, const KxString& memberName,
                                         const KxString& typeText, KxGMemberColumn& column);
    // The set table of a set member: COLUMN_NAME stored under the member's owner class number with the
    // member name as key, schema-qualified. -6090 when missing.
    virtual int32_t MapSet2TableName(KxGMember& member, uint16_t position, KxGQualifiedIdentity& table);
    // Null in the runtime; the schema mapper's creation schema map answers itself.
    virtual KxGCreationSchemaMap* GetCreationSchemaMap();

    // The extent view of a class map ("V" and the stem or class name, cut and numbered, mapped upper).
    KxString GetExtentViewName(KxGClassMap& classMap);
    // An index name: the index's name cut so that the suffix (class number and sequence or index
    // number) fits, then the suffix; mapped upper.
    void MapIndex2IndexName(const KxGIndexMap& indexMap, KxString& name, bool sequenceNumber);

    // ---- loading -----------------------------------------------------------------------------------
    // Replays the stored options, loads the root class and every mapped class of the dictionary
    // (user classes and classes 65311 to 65500; KXG_E_BASE_NOT_MAPPED is forgiven). 0 or the first
    // error; the classes loaded until then stay.
    int32_t Load();
    // Runs the loader over one meta type.
    int32_t LoadClass(const KxMetaType& type, KxGClass*& loaded, uint32_t context);
    // Runs the loader's index loading for a class map.
    int32_t LoadIndexes(KxGClassMap& classMap, std::vector<std::unique_ptr<KxGIndexMap>>& list);

    // ---- the classes ---------------------------------------------------------------------------------
    // The class of a number in any state, or null.
    KxGClass* FindClass(uint16_t classNumber) const;
    // Places the class under its number and takes it over; a class already there is deleted first.
    void AddClass(std::unique_ptr<KxGClass> mappedClass);
    // Deletes the class of a number (a class that failed to load).
    void RemoveClass(uint16_t classNumber);
    // Room of the class array (200 at first, grown by 20).
    uint32_t GetClassCapacity() const { return static_cast<uint32_t>(classes_.size()); }

    // ---- state ---------------------------------------------------------------------------------------
    KxGDatabase* GetDatabase() const { return database_; }
    KxClassDict* GetDictionary() const { return dictionary_; }
    const KxString& GetSchemaName() const { return schemaName_; }
    KxGOptionRegistry& GetOptionRegistry() { return registry_; }
    KxGMapLoader* GetLoader() const { return loader_; }
    uint16_t GetNamingFlag() const { return naming_; }
    void SetNamingFlag(uint16_t flag) { naming_ = flag; }
    uint16_t IsCreation() const { return creation_; }
    uint16_t GetPreserveNames() const { return preserveNames_; }
    void SetPreserveNames(uint16_t flag) { preserveNames_ = flag; }
    KxGVersionTable& GetVersionTable() { return versionTable_; }
    // The KELVOX_MEMBERS reader while it is held (null after Load and before it is needed again).
    KxGColumnTable* GetColumnTable() const { return columnTable_.get(); }

    // Drops the KELVOX_MEMBERS reader (Load does so when it ends); the next name look-up reads the
    // table again.
    void ReleaseMemberNames() { columnTable_.reset(); }

protected:
    // The KELVOX_MEMBERS lists of a class number: reads the table when no reader is held. 0 with list
    // null when the number has no rows; the database error's code (-6001 when none) when the table
    // cannot be read (the reader is dropped, so the next call reads again).
    int32_t GetMemberEntries(uint16_t classNumber, const KxGHashEntryList*& list);

private:
    uint16_t naming_ = 0;
    uint16_t creation_;
    KxString schemaName_;
    KxGOptionRegistry registry_;
    KxGDatabase* database_;
    KxClassDict* dictionary_;
    std::vector<std::unique_ptr<KxGClass>> classes_;
    uint16_t preserveNames_ = 0;
    KxGVersionTable versionTable_;
    std::unique_ptr<KxGColumnTable> columnTable_;
    KxGMapLoader* loader_;
};
