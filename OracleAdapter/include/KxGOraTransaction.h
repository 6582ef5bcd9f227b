// Oracle transaction levels: a nested level (2 and deeper) is a savepoint named after its level,
// "TXN_LEVEL_" + level, set when the level starts and rolled back to when the level rolls back.
// Savepoint names carry the level, so nested levels never collide. The outermost level is the
// gateway's KxGTransaction (the connection's own commit and rollback); the database's
// CreateResourceMgr chooses (KxGOraDatabase.h).
//
// The statements run on statement handles of the database's CreateStatementHdl, one per statement,
// deleted after the execution. Trace: module TXN (0x2000).
#pragma once

#include <cstdint>

#include "KxGTransaction.h"

class KxGOraTransaction : public KxGSPTransaction {
public:
    explicit KxGOraTransaction(KxGTransactionContext* context);
    ~KxGOraTransaction() override;

    // "SAVEPOINT TXN_LEVEL_" + level (trace tag "SetSavepoint"). 1 when it executed; 0 when no handle
    // could be made or the execution failed (the database's error object tells why).
    uint16_t SetSavepoint(int16_t level) override;
    // "ROLLBACK TO TXN_LEVEL_" + level (trace tag "RollbackToSavepoint", the text is traced). As
    // SetSavepoint.
    uint16_t RollbackToSavepoint(int16_t level) override;
};
