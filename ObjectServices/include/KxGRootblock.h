// The root block: the key/value table ROOTBLOCK in the schema of an object database.
//
// The schema mapper writes it when it creates a database (SetValue, UpdateValue, EmptyTable, Create);
// the admin reads it when it opens one (GetAllValues, GetValue). Both columns hold text: KEYID (50
// characters, key) and KEYVALUE (100 characters). The table is qualified with the schema name only
// when the product qualifies table names (GetMaxNameLength (2) above 0).
//
// Key and value are written into the statements as literals in single quotes; each ' inside them is
// doubled, so that the stored text is exactly the given one.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "KxGColumn.h"
#include "KxString.h"

class KxGDatabase;
class KxGCreateStatementTemplate;
class KxGStatementTemplate;
class KxGStatementTemplateList;
class KxTypeMgr;

// One key of the root block and the kernel type code its value is read as.
class KxGRootblockEntry {
public:
    KxGRootblockEntry(const char* key, uint8_t typeCode) : key_(key), typeCode_(typeCode) {}

    const KxString& GetKey() const { return key_; }
    uint8_t GetTypeCode() const { return typeCode_; }

private:
    KxString key_;
    uint8_t typeCode_;
};

class KxGRootblock {
public:
    // Rows asked for by one fetch of GetAllValues.
    static constexpr int32_t kRowsPerFetch = 20;
    // Characters of the two columns.
    static constexpr uint32_t kKeySize = 50;
    static constexpr uint32_t kValueSize = 100;
    // The format of the stored dates and times.
    static constexpr const char* kDateFormat = "%Y-%m-%d %H:%M%:%S";

    explicit KxGRootblock(KxGDatabase* database);
    ~KxGRootblock();
    KxGRootblock(const KxGRootblock&) = delete;
    KxGRootblock& operator=(const KxGRootblock&) = delete;

    // ---- the keys ------------------------------------------------------------------------------
    static const KxGRootblockEntry& Getdbversion();                 // "dbversion", 6
    static const KxGRootblockEntry& GetDictionaryName();            // "DictionaryName", 11
    static const KxGRootblockEntry& GetDictionaryServer();          // "DictionaryServer", 11
    static const KxGRootblockEntry& GetDictionaryStamp();           // "DictionaryStamp", 19
    static const KxGRootblockEntry& GetDictionaryModifyStamp();     // "DictionaryModifyStamp", 19
    static const KxGRootblockEntry& GetDictionaryRevision();        // "DictionaryRevision", 5
    static const KxGRootblockEntry& GetIndexRevision();             // "IndexRevision", 5
    static const KxGRootblockEntry& GetTypeMgrVers();               // "TypeMgrVers", 5
    static const KxGRootblockEntry& GetDatabaseStamp();             // "DatabaseStamp", 19
    static const KxGRootblockEntry& GetMapFile();                   // "MapFile", 11
    static const KxGRootblockEntry& GetROGWVersion();               // "RO GW Version", 6
    static const KxGRootblockEntry& GetROGWRevision();              // "ROGWRevision", 6
    static const KxGRootblockEntry& GetUseMarkModified();           // "UseMarkModified", 27
    static const KxGRootblockEntry& GetConcurrencyControlServer();  // "ConcurrencyControlServer", 11

    // ---- reading -------------------------------------------------------------------------------
    // Reads the whole table into the key/value list (replacing what was read before), 20 rows per
    // fetch. 0; -6008 when the table cannot be selected or bound; -6083 when a fetch fails (the rows
    // read until then stay).
    int32_t GetAllValues();
    // The value of a key, converted by the entry's type into *out (a value of that type, see
    // KxTypeMgr.h): 11 copies the text, 19 reads it with kDateFormat, 27 is true whatever the text
    // (a stored "0" too), any other type is read by the type manager (the default one when null).
    // 1 when found and converted; 0 when the key is not in the list; a negative status when the text
    // is not a value of the type. *out is unchanged unless 1 is answered.
    int32_t GetValue(const KxGRootblockEntry& entry, void* out, KxTypeMgr* typeMgr = nullptr) const;
    // The text of a key as read; null when the key is not in the list.
    const KxString* FindValue(const KxString& key) const;
    const std::vector<std::pair<KxString, KxString>>& GetValues() const { return values_; }

    // ---- writing (nothing is executed except by Create) ---------------------------------------
    // The insert of one pair into `sql` (replacing its text). Answers 1.
    int32_t SetValue(const KxGRootblockEntry& entry, const KxString& value, KxString& sql);
    // A new template (the caller owns it): UPDATE <table> SET KEYVALUE = '<value>' WHERE KEYID = '<key>'.
    KxGStatementTemplate* UpdateValue(const KxString& key, const KxString& value);
    // Appends a new template "DELETE FROM <table>" to the list (which then owns it); answers what the
    // list's append answers.
    int32_t EmptyTable(KxGStatementTemplateList& list);
    // Executes the create statement; the execution's flag (0 when no statement can be made).
    uint16_t Create();
    // The dialect's CREATE TABLE of the two columns; the caller owns it (null when none).
    KxGCreateStatementTemplate* CreateTemplate();
    // The dialect's drop of the table; the caller owns it (null when none).
    KxGStatementTemplate* DropTemplate();

    // ---- state ---------------------------------------------------------------------------------
    KxGDatabase* GetDatabase() const { return database_; }
    const KxString& GetSchemaName() const { return schema_; }
    const KxGTable& GetTable() const { return table_; }
    const KxGColumn& GetKeyColumn() const { return keyColumn_; }
    const KxGColumn& GetValueColumn() const { return valueColumn_; }

private:
    KxGDatabase* database_;
    KxString schema_;
    KxGTable table_;
    KxGColumn keyColumn_;
    KxGColumn valueColumn_;
    std::vector<std::pair<KxString, KxString>> values_;
};
