// A statement prepared by an adapter on one connection.
//
// The adapter makes a handle from a statement template (KxGDatabase::CreateStatementHdl) and the handle
// executes that template's text with array binding: parameters and results are bound once for row 0 of
// a column-major row buffer and the adapter steps through the rows by the value and indicator sizes.
// Handles are kept between uses by the connection's KxGStatementHdlCache.
//
// Operations that succeed or fail answer a 16-bit flag, non-zero for success; after a failure the
// reason is in the connection's KxGDatabaseError.
#pragma once

#include <cstdint>

#include "KxString.h"

class KxGTypeHdl;

class KxGStatementHdl {
public:
    KxGStatementHdl() = default;
    // Deleting a handle releases the prepared statement.
    virtual ~KxGStatementHdl();

    // With null: deletes this handle (the gateway always disposes of handles this way, so that the
    // adapter frees what it allocated). With a handle: destroys that object without freeing its memory.
    virtual void Destroy(KxGStatementHdl* handle) = 0;
    // Binds parameter `position` (1-based) for every row of the buffer: the type handle of the value,
    // the column size, a reserved 0, the size to bind with, the value of row 0 and its null indicator
    // (null when the value has none).
    virtual uint16_t BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t columnSize, int32_t reserved,
                                   int32_t bindSize, void* data, void* indicator) = 0;
    // Binds result column `column` (1-based): type handle, value size, value of row 0, null indicator.
    virtual uint16_t BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t bufferSize, void* data,
                                void* indicator) = 0;
    // The adapter's own business; the gateway core does not call them.
    virtual int32_t ExecuteNonSelect(const KxString& text) = 0;
    virtual int32_t ValidateSelectList(const KxString& text) = 0;
    // Executes with `rows` rows of bound parameters.
    virtual uint16_t Execute(uint32_t rows) = 0;
    // The rows affected by the last execution.
    virtual uint16_t RowCount(uint32_t& rows) = 0;
    // In: the rows wanted; out: the rows fetched.
    virtual uint16_t Fetch(uint32_t& rows) = 0;
    virtual uint16_t MoreResults(uint16_t& more) = 0;
    virtual uint16_t CloseCursor() = 0;
    // Forget all parameter / result bindings.
    virtual uint16_t UnbindParams() = 0;
    virtual uint16_t UnbindResults() = 0;

    // 1 when the handle's statement is a query: the adapter sets it when the template it prepares
    // answers a select template (KxGStatementTemplate::GetSelectTemplate); 0 otherwise.
    uint16_t GetSelectFlag() const { return select_; }
    void SetSelectFlag(uint16_t select) { select_ = select; }

protected:
    KxGStatementHdl(const KxGStatementHdl&) = default;
    KxGStatementHdl& operator=(const KxGStatementHdl&) = default;

private:
    uint16_t select_ = 0;
};
