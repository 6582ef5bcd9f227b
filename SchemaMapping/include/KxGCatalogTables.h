// The two tables through which the runtime learns the names that the schema mapper chose:
//
//   KxGVersionTable  KELVOX_CLASSES: one row per class version with its table name;
//   KxGColumnTable   KELVOX_MEMBERS: one row per mapped member and class version with its column name.
//
// Both tables are qualified with the schema name only when the product qualifies table names
// (GetMaxNameLength (2) above 0). Class numbers and versions are written in the signed form the
// class-id columns hold (KxGStoredClassNumber) and read back through the handler of kernel type 5.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "KxGColumn.h"
#include "KxObjId.h"
#include "KxString.h"

class KxGCreateStatementTemplate;
class KxGDatabase;
class KxGStatementTemplate;
class KxGStatementTemplateList;

// The (member key, column name) pairs of one class number, in the order read.
class KxGHashEntryList {
public:
    explicit KxGHashEntryList(uint16_t classNumber) : classNumber_(classNumber) {}

    uint16_t GetClassNumber() const { return classNumber_; }
    void Append(const KxString& key, const KxString& value) { pairs_.emplace_back(key, value); }
    // True, and value set, for the first pair whose key equals key.
    bool Find(const KxString& key, KxString& value) const;
    size_t Count() const { return pairs_.size(); }

private:
    uint16_t classNumber_;
    std::vector<std::pair<KxString, KxString>> pairs_;
};

// One KxGHashEntryList per class number.
class KxGHashEntryListList {
public:
    // True, and list set, when the class number has a list.
    bool Find(uint16_t classNumber, const KxGHashEntryList*& list) const;
    // The list of the class number, made when missing.
    KxGHashEntryList& Get(uint16_t classNumber);
    size_t Count() const { return lists_.size(); }
    void Clear() { lists_.clear(); }

private:
    std::vector<std::unique_ptr<KxGHashEntryList>> lists_;
};

// What the two tables share: the database, the table and its four columns.
class KxGCatalogTable {
public:
    virtual ~KxGCatalogTable();
    KxGCatalogTable(const KxGCatalogTable&) = delete;
    KxGCatalogTable& operator=(const KxGCatalogTable&) = delete;

    // The table, qualified with the schema when the product qualifies table names.
    const KxGTable& GetTable() const { return table_; }
    // The four columns in table order.
    const KxGColumn& GetColumn(int32_t index) const { return columns_[index]; }
    // The adapter's CreateTable for the four columns; the caller owns the template (null when none).
    KxGCreateStatementTemplate* CreateTemplate();
    // The adapter's DropTable2 for the table; the caller owns the template.
    KxGStatementTemplate* DropTemplate();
    // Appends "DELETE FROM " and the table to the list; the list's append result.
    int32_t EmptyTable(KxGStatementTemplateList& list);

protected:
    KxGCatalogTable(KxGDatabase& database, const KxString& tableName);

    KxGDatabase& database_;
    KxString schema_;
    KxGTable table_;
    KxGColumn columns_[4];
};

// KELVOX_CLASSES: CLASS_ID (5, key), VERSION (5, key), CLASS_NAME (11, 100), TABLE_NAME (11, the
// product's longest table name).
class KxGVersionTable : public KxGCatalogTable {
public:
    struct Row {
        uint16_t classNumber;
        uint16_t version;
        KxString tableName;
    };

    explicit KxGVersionTable(KxGDatabase& database);

    // The insert of one row: the class number and version in decimal, the class and table names as
    // quoted literals. Answers true.
    bool SetValue(const KxClassId& classId, const KxString& className, const KxString& tableName, KxString& sql);
    // Reads every row (50 per fetch) into the list of rows, replacing what was read before. 0; -6195
    // when the table cannot be read (the rows read until then stay).
    int32_t GetAllValues();
    // The newest stored version of a class number (the highest; class number 0 gives version 0).
    // Reads all rows on first use. 0; -6089 when the number has no row; -6195 when the table cannot be
    // read.
    int32_t GetVersion(uint16_t classNumber, uint16_t& version);
    // The table name of a class version. Reads all rows on first use. 0; -6089 when missing; -6195
    // when the table cannot be read.
    int32_t GetTableName(uint16_t classNumber, uint16_t version, KxString& tableName);
    const std::vector<Row>& GetRows() const { return rows_; }

private:
    int32_t ReadOnce();

    std::vector<Row> rows_;
    bool read_ = false;
};

// KELVOX_MEMBERS: CLASS_ID (5, key), VERSION (5, key), COLUMN_NAME (11, the product's longest column
// name), MEMBER_NAME (11, 250, key).
class KxGColumnTable : public KxGCatalogTable {
public:
    explicit KxGColumnTable(KxGDatabase& database);

    // The insert of one row: class number and version in decimal, column name and member key as
    // quoted literals. Answers true.
    bool SetValue(const KxClassId& classId, const KxString& memberKey, const KxString& columnName, KxString& sql);
    // Reads every row (100 per fetch), ordered by class number and, within a class, newest version
    // first, into one list of (member key, column name) pairs per class number: the first pair of a
    // key is that of the newest version. True on success; a failed read keeps the lists read so far.
    bool ReadAll();
    // The pairs of a class number; reads all rows when nothing has been read yet. False when the class
    // number has no rows (or the read failed).
    bool GetHashEntryList(uint16_t classNumber, const KxGHashEntryList*& list);
    const KxGHashEntryListList& GetLists() const { return lists_; }

private:
    KxGHashEntryListList lists_;
    bool read_ = false;
};
