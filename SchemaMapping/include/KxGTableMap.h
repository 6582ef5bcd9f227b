// Table maps: one per table that buffer maps fill (a class's main table, its member tables, every set
// table). A table map holds the table's name, the map whose objects own the rows (a class map, or the
// set map of a set table), the buffer maps that fill its rows, the member maps whose columns make up
// the rest of the row, and the statement templates of the table, built once from the owner's id
// columns and the member maps' columns with the adapter's dialect:
//
//   kind  1  insert                       all columns
//   kind  2  update                       the non-key columns without handle-typed ones, by OID
//   kind  3  delete                       by OID
//   kind  4  select of one row            all columns, by OID
//   kind  5  select of a list of ids      all columns, OID IN (...)   (a pattern, copied per use)
//   kind 15  select of the handle columns of one row, by OID (only with handle-typed columns)
//   kind 16  the same for a list of ids                     (a pattern, copied per use)
//
// Statement preparation binds the rows of a request (a KxGTableRows) to a statement of a kind and
// appends the statement to a list. Rows beyond the database's batch size run in batches: every batch
// but the last is bound and executed at once, the last is appended for the caller to execute.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGBufferMap.h"
#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxString.h"

class KxGClassMap;
class KxGContext;
class KxGDatabase;
class KxGDatabaseInfo;
class KxGMemberMap;
class KxGSQLBuffer;
class KxGStatement;
class KxGStatementList;
class KxGStatementTemplate;
class KxGNavigationManyStatementTemplate;

// Statement kinds of a table map.
enum : uint16_t {
    KXG_TABLE_INSERT = 1,
    KXG_TABLE_UPDATE = 2,
    KXG_TABLE_DELETE = 3,
    KXG_TABLE_SELECT = 4,
    KXG_TABLE_SELECT_LIST = 5,
    KXG_TABLE_SELECT_HANDLES = 15,
    KXG_TABLE_SELECT_HANDLES_LIST = 16
};

// Bits of a request's flags word that statement preparation reads or sets.
enum : uint32_t {
    KXG_REQUEST_SET_FLAG = 0x01,      // (ResetRows of an insert) handle columns of fresh rows
    KXG_REQUEST_HANDLES_ONLY = 0x02,  // (ResetRows) only handle-typed values are written
    KXG_REQUEST_UPDATE = 0x04,        // an update request's statements
    KXG_REQUEST_ARRAYS = 0x08         // handed to GetBatchSize as its arrays argument
};

// The rows a statement of a table map binds.
struct KxGTableRows {
    KxGDatabase* database = nullptr;     // the statements run on it
    KxGSQLBuffer* buffer = nullptr;      // the rows (column-major, the table's layout)
    int32_t rowCount = 0;                // rows to bind (from row 0 of the buffer)
    uint32_t flags = 0;                  // the request's flags word (KXG_REQUEST_*)
    KxGContext* context = nullptr;       // handed to the member maps
    KxString idList;                     // kinds 5 and 16: the ids, decimal, separated by ","
    int32_t batchSize = 0;               // rows per execution; 0: asked of the database (BATCH_SIZE)
    // Where the rows of a last batch that is not the buffer itself are kept for as long as its
    // statement lives (null: such statements are executed at once instead of handed back).
    std::vector<std::unique_ptr<KxGSQLBuffer>>* keep = nullptr;
};

class KxGTableMap {
public:
    // owner: the class map (or set map) whose id columns key the rows; not owned.
    KxGTableMap(const KxGTable& table, KxGClassMap* owner);
    ~KxGTableMap();
    KxGTableMap(const KxGTableMap&) = delete;
    KxGTableMap& operator=(const KxGTableMap&) = delete;

    const KxGTable& GetTable() const { return table_; }
    void SetTable(const KxGTable& table) { table_ = table; }
    KxGClassMap* GetOwner() const { return owner_; }

    // The buffer maps that fill the table's rows (not owned).
    void AddBufferMap(KxGBufferMap* bufferMap);
    const KxGBufferMapList& GetBufferMaps() const { return bufferMaps_; }
    // The member maps whose columns follow the id columns, in row order (not owned).
    void AddMemberMap(KxGMemberMap* memberMap);
    const std::vector<KxGMemberMap*>& GetMemberMaps() const { return memberMaps_; }

    // The id columns of the owner (OID, then CID and what the owner adds) and the member columns, in
    // row order; valid after BuildTemplates.
    const KxGColumnList& GetIdColumns() const { return idColumns_; }
    const KxGColumnList& GetColumns() const { return columns_; }
    bool HasHandleColumns() const { return hasHandles_; }

    // Builds the templates (once; later calls answer 0). 0 or an error status.
    int32_t BuildTemplates(KxGDatabaseInfo& info);
    bool HasTemplates() const { return built_; }
    // Drops the templates (the next BuildTemplates builds them again, e.g. after a rename).
    void ResetTemplates();
    // The kept template of a kind (1 to 4, 15) or the pattern of kinds 5 and 16; null when there is
    // none.
    KxGStatementTemplate* GetTemplate(uint16_t kind) const;

    // Makes the statement of a kind for the rows and appends it to out (see the header comment).
    // Kinds other than the seven above yield nothing and 0. KXG_E_NO_TEMPLATE when the kind has no
    // template; a failed batch execution answers the database error's code (or KXG_E_MAP_EXECUTE);
    // statements of failed preparations are deleted.
    int32_t PrepareStatement(uint16_t kind, KxGTableRows& rows, KxGStatementList& out);
    // A statement of a kind (5, 16: with the id list of rows), its rows not yet bound; null when the
    // kind has no template (status KXG_E_NO_TEMPLATE) or the template makes no statement (0).
    // The statement runs on database: the connection of the caller's transaction context; null
    // falls back to the schema map's database.
    KxGStatement* MakeStatement(uint16_t kind, const KxString& idList, int32_t& status,
                                KxGDatabase* database = nullptr);
    // Binds rows (count rows from the buffer's row 0) to the statement of a kind. 0 or an error.
    int32_t BindRows(uint16_t kind, KxGStatement& statement, KxGSQLBuffer& buffer, int32_t count, uint32_t flags,
                     KxGContext* context);

    // The statements prepared for the table by the last ExecuteTableMaps round (not owned).
    bool HasRows() const { return hasRows_; }
    void SetHasRows(bool hasRows) { hasRows_ = hasRows; }

private:
    struct Templates;
    KxGTable table_;
    KxGClassMap* owner_;
    KxGBufferMapList bufferMaps_;
    std::vector<KxGMemberMap*> memberMaps_;
    KxGColumnList idColumns_;
    KxGColumnList columns_;
    bool hasHandles_ = false;
    bool built_ = false;
    bool hasRows_ = false;
    std::unique_ptr<Templates> templates_;
};

// Table maps (not owned unless the holder deletes them).
class KxGTableMapList : public std::vector<KxGTableMap*> {
public:
    // The table map of a table name (qualified name compared); null when none.
    KxGTableMap* Find(const KxString& qualifiedName) const;
};
