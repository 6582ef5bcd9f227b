// Statements: the executable use of one statement template on one connection.
//
// A statement takes a prepared handle lazily (at the first bind, execute or handle request) from the
// connection's statement-handle cache, or straight from the adapter when it does not use the cache,
// binds parameters and results through row buffers and memory locations, executes and fetches, and
// gives the handle back when it is freed. A freed statement may be used again and takes a new handle.
//
// Operations answer a 16-bit flag, 1 for success and 0 for failure (no handle, or the adapter
// refused; the reason is then in the connection's KxGDatabaseError).
#pragma once

#include <cstdint>

#include "KxList.h"
#include "KxObjId.h"

class KxGDatabase;
class KxGMemoryLocation;
class KxGSQLBuffer;
class KxGSelectStatementTemplate;
class KxGStatementHdl;
class KxGStatementHdlCache;
class KxGStatementTemplate;

class KxGStatement {
public:
    // useCache non-zero: handles come from the database's GetStatementHdlCache; zero: from its
    // CreateStatementHdl. The template is not owned (see SetOwnsTemplate).
    KxGStatement(KxGDatabase* database, KxGStatementTemplate* statementTemplate, uint16_t useCache);
    // Frees the handle, then deletes the template when the statement owns it.
    virtual ~KxGStatement();
    KxGStatement(const KxGStatement&) = delete;
    KxGStatement& operator=(const KxGStatement&) = delete;

    // Gives the handle back: with a cache its parameters are unbound and it goes to the cache (or is
    // destroyed through it when the template's text changed since the handle was taken), without one
    // it is destroyed. The row count becomes 0. Returns 1.
    virtual uint16_t Free();

    // The handle, taken now when there is none yet; null when none can be had.
    KxGStatementHdl* GetStatementHdl();
    // Binds the location's column of the buffer as parameter `position`. The first successful bind sets
    // the statement's row count to the buffer's row count.
    uint16_t BindParameter(KxGSQLBuffer* buffer, KxGMemoryLocation* location, int16_t position);
    // Executes with the row count.
    uint16_t Execute();
    // Forgets the parameter bindings; the row count becomes 0.
    uint16_t UnbindParameters();

    KxGStatementTemplate* GetTemplate() const { return template_; }
    KxGDatabase* GetDatabase() const { return database_; }
    KxGStatementHdlCache* GetStatementHdlCache() const { return cache_; }
    // Rows bound: the rows of the buffers bound, executed at once.
    uint32_t GetRowCount() const { return rows_; }
    void SetRowCount(uint32_t rows) { rows_ = rows; }
    // Set by callers whose statement may legitimately affect no row.
    uint16_t GetNoRowCountCheck() const { return noRowCountCheck_; }
    void SetNoRowCountCheck(uint16_t on) { noRowCountCheck_ = on; }
    // When set, the destructor deletes the template.
    uint16_t GetOwnsTemplate() const { return ownsTemplate_; }
    void SetOwnsTemplate(uint16_t owns) { ownsTemplate_ = owns; }

protected:
    // The handle without taking one.
    KxGStatementHdl* CurrentHdl() const { return handle_; }

private:
    KxGStatementTemplate* template_;
    KxGDatabase* database_;
    uint32_t rows_ = 0;
    KxGStatementHdl* handle_ = nullptr;
    // The template's id when the handle was taken: a handle whose template text changed meanwhile was
    // prepared for other SQL and is not given back to the cache.
    uint64_t handleTemplateId_ = 0;
    KxGStatementHdlCache* cache_ = nullptr;
    uint16_t noRowCountCheck_ = 0;
    uint16_t ownsTemplate_ = 0;
};

// INSERT, UPDATE, DELETE.
class KxGStoreStatement : public KxGStatement {
public:
    using KxGStatement::KxGStatement;

    // rows = 0, then the rows affected by the last execution.
    uint16_t GetNumAffectedRows(uint32_t& rows);
};

// SELECT.
class KxGSelectStatement : public KxGStatement {
public:
    // The fourth argument is not used.
    KxGSelectStatement(KxGDatabase* database, KxGSelectStatementTemplate* statementTemplate, uint16_t useCache,
                       uint16_t unused = 0);
    ~KxGSelectStatement() override;

    // Closes the cursor and forgets the result bindings (rows per fetch 0), then frees as the base.
    uint16_t Free() override;

    // Binds the location's column of the buffer as result column `column`; on success the rows per
    // fetch become the buffer's row count.
    uint16_t BindResult(KxGSQLBuffer* buffer, KxGMemoryLocation* location, int16_t column);
    // rows = the rows per fetch, then the rows fetched.
    uint16_t Fetch(uint32_t& rows);
    // more = 0, then whether another result set follows.
    uint16_t MoreResults(uint16_t& more);
    uint16_t CloseCursor();

    uint32_t GetRowsPerFetch() const { return rowsPerFetch_; }
    void SetRowsPerFetch(uint32_t rows) { rowsPerFetch_ = rows; }

private:
    uint32_t rowsPerFetch_ = 0;
};

// The statement of an extent scan, on a template borrowed from the connection's query cache. It always
// uses the handle cache. Its destructor frees the handle and then gives the template back to the
// query cache under the class id.
class KxGExtentStatement : public KxGSelectStatement {
public:
    KxGExtentStatement(KxGDatabase* database, KxGSelectStatementTemplate* statementTemplate,
                       const KxClassId& classId);
    ~KxGExtentStatement() override;

    const KxClassId& GetClassId() const { return classId_; }
    KxGSelectStatementTemplate* GetSelectTemplate() const { return selectTemplate_; }

private:
    KxGSelectStatementTemplate* selectTemplate_;
    KxClassId classId_;
};

// A list of statements (not owned unless ClearAll is called).
class KxGStatementList : public KxCList {
public:
    KxGStatementList() = default;
    KxGStatement* GetStatement(uint32_t index) const { return static_cast<KxGStatement*>(Get(index)); }
    // Deletes every statement and empties the list.
    void ClearAll();
};
