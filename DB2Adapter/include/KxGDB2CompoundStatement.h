// The DB2 compound statement: on the outermost level the connection's transaction itself (commit or
// rollback of the connection); deeper, the savepoint "COMPOUND_SAVEPOINT", set by BeginCompound and
// rolled back to or released by EndCompound on a CLI statement handle of its own. Trace: module TXN.
#pragma once

#include <cstdint>

#include "KxGCompoundStatement.h"
#include "db2cli.h"

class KxGDB2CompoundStatement : public KxGCompoundStatement {
public:
    static constexpr int32_t kGrowStep = 10;

    explicit KxGDB2CompoundStatement(KxGTransactionContext* context);
    // Frees a savepoint handle still held.
    ~KxGDB2CompoundStatement() override;

    uint16_t BeginCompound() override;
    // Deeper levels without a savepoint handle: 0 without any CLI call. A rollback to the savepoint
    // (ROLLBACK TO SAVEPOINT) also releases it, so that the level can set the name again.
    uint16_t EndCompound(uint16_t commit) override;

    SQLHSTMT GetSavepointHandle() const { return savepoint_; }

private:
    void FreeSavepoint();

    SQLHSTMT savepoint_ = SQL_NULL_HSTMT;
};
