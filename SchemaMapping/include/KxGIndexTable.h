// KELVOX_INDEXES: for every index of a class, the SQL index that implements it.
//
// Columns: CLASS_ID (kernel type 5, key, not null), KELVOX_INDEX_NAME (11, 250 characters whatever
// the product, key, not null), SQL_INDEX_NAME and TABLE_NAME (11, the product's longest table name,
// not null). The table is qualified with the schema only when the product qualifies table names
// (GetMaxNameLength (2) above 0).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxString.h"

class KxGCreateStatementTemplate;
class KxGDatabase;
class KxGIndexMap;
class KxGStatementTemplate;
class KxGStatementTemplateList;

// One row of KELVOX_INDEXES.
struct KxGIndexTableRow {
    KxString indexName;
    uint16_t classNumber = 0;
    KxString sqlIndexName;
    KxString tableName;
};

// Rows of KELVOX_INDEXES (or of the database's own index list).
class KxGIndexTableList {
public:
    void Append(KxGIndexTableRow row) { rows_.push_back(std::move(row)); }
    size_t Count() const { return rows_.size(); }
    const KxGIndexTableRow& Get(size_t index) const { return rows_[index]; }
    void Remove(size_t index) { rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index)); }
    // The position of the row with the index name and class number (its SQL index name into
    // sqlIndexName), or -1.
    int32_t Find(const KxString& indexName, uint16_t classNumber, KxString& sqlIndexName) const;
    // The position of the row with the SQL index name and table name, or -1.
    int32_t FindSQL(const KxString& sqlIndexName, const KxString& tableName) const;

private:
    std::vector<KxGIndexTableRow> rows_;
};

class KxGIndexTable {
public:
    // Rows asked for by one fetch of GetAllValues.
    static constexpr int32_t kRowsPerFetch = 5;
    // Characters of KELVOX_INDEX_NAME.
    static constexpr uint32_t kIndexNameSize = 250;

    explicit KxGIndexTable(KxGDatabase& database);
    virtual ~KxGIndexTable();
    KxGIndexTable(const KxGIndexTable&) = delete;
    KxGIndexTable& operator=(const KxGIndexTable&) = delete;

    const KxGTable& GetTable() const { return table_; }
    const KxGColumn& GetColumn(int32_t index) const { return columns_[index]; }

    // The adapter's CreateTable of the four columns; the caller owns it (null when none).
    KxGCreateStatementTemplate* CreateTemplate();
    // The adapter's DropTable2 of that create statement; the caller owns it (null when none).
    KxGStatementTemplate* DropTemplate();
    // The insert of one row: the class number in decimal (in the signed form of the class-id
    // columns), the three names as quoted literals.
    KxString InsertText(uint16_t classNumber, const KxString& indexName, const KxString& sqlIndexName,
                        const KxString& tableName) const;
    // One insert per index map (its name, class number, SQL index name and table); the first append
    // failure.
    int32_t AppendInserts(const std::vector<KxGIndexMap*>& indexMaps, KxGStatementTemplateList& list) const;
    // Reads every row, kRowsPerFetch per fetch, appending to rows. 0; the database error's code
    // (-6001 when it has none) when the table cannot be read.
    int32_t GetAllValues(KxGIndexTableList& rows);
    // Reads the database's own indexes (the adapter's IndexList: SQL index name and table name),
    // kRowsPerFetch per fetch, each as a row with an empty index name and class number 0. 0; -6184
    // when the list cannot be read.
    int32_t GetDatabaseIndexes(KxGIndexTableList& rows);
    // For obsolete rows: first the adapter's DropIndex of every row's SQL index on its table (in the
    // schema), then for every row the delete of its KELVOX_INDEXES row (all four columns equal).
    // The first append failure.
    int32_t AppendRemovals(const KxGIndexTableList& rows, KxGStatementTemplateList& list) const;

private:
    KxGDatabase& database_;
    KxGTable table_;
    KxGColumn columns_[4];
};
