// Reading the rows of a query in batches: one memory location per result column, joined into one row
// buffer, fetched a batch at a time and converted row by row into the columns' variables.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGMemoryLocation.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"

class KxGDatabase;
class KxGTypeHdl;

class KxGRowReader {
public:
    // The query and the rows per fetch; nothing is executed yet.
    KxGRowReader(KxGDatabase& database, KxGSelectStatementTemplate& query, int32_t rowsPerFetch);

    // Adds a result column converted into variable by the handler; sqlSize is the column's SQL size
    // for strings (0: the handler's own). False when the handler is null.
    bool AddColumn(KxGTypeHdl* handler, void* variable, int32_t sqlSize = 0);
    // Allocates the buffer, executes the query and binds the columns in order. False on failure (the
    // reason is in the database's error object; out of memory reports nothing there).
    bool Execute();
    // The next batch: rows receives the rows fetched. False when the fetch failed.
    bool Fetch(uint32_t& rows);
    // Converts row `row` of the last batch into the variables.
    void ReadRow(uint32_t row);
    int32_t GetRowsPerFetch() const { return rowsPerFetch_; }

private:
    KxGDatabase& database_;
    KxGSelectStatement statement_;
    int32_t rowsPerFetch_;
    KxGSQLBuffer buffer_;
    std::vector<std::unique_ptr<KxGMemoryLocation>> locations_;
};
