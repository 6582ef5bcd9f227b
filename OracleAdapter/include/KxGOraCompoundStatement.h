// The Oracle compound statement: one batch of stores and deletes bracketed by the connection's own
// commit or rollback when it sits on the outermost level, and by the savepoint "COMPOUND_SAVEPOINT"
// on deeper levels (one name, reused by every compound statement; the savepoint exists between
// BeginCompound and EndCompound).
//
//   level 1   BeginCompound: nothing ("use transaction").
//             EndCompound(1): the database's CommitConnection ("commit transaction").
//             EndCompound(0): the database's RollbackConnection ("rollback transaction").
//   deeper    BeginCompound: "SAVEPOINT COMPOUND_SAVEPOINT" on a handle that is kept ("use savepoint").
//             EndCompound(1): nothing ("commit savepoint"; the savepoint stays until the enclosing
//             level ends).
//             EndCompound(0): "ROLLBACK TO COMPOUND_SAVEPOINT" on the kept handle ("rollback to
//             savepoint").
// The kept handle is deleted by every EndCompound.
//
// A deeper rollback without an open savepoint never rolls back to a savepoint of that name that
// another compound statement set. It answers success without a statement when nothing of the
// compound statement's is left to undo: its savepoint was rolled back to already (the abort after a
// prepare that rolled back), setting it failed, or it was never begun while its flag is set (its
// requests run only after BeginCompound, e.g. its locks were refused first). It answers 0 when its
// work cannot be undone by it: it was ended with commit, a rollback to its savepoint failed, or it
// was never begun with its flag cleared (its requests ran without savepoint); the enclosing level
// then rolls back instead.
//
// Trace: module TXN (0x2000).
#pragma once

#include <cstdint>

#include "KxGCompoundStatement.h"

class KxGStatementHdl;

class KxGOraCompoundStatement : public KxGCompoundStatement {
public:
    // The grow step of the request list.
    static constexpr int32_t kGrowStep = 10;

    explicit KxGOraCompoundStatement(KxGTransactionContext* context);
    // Deletes the kept savepoint handle.
    ~KxGOraCompoundStatement() override;

    // 1 on success, 0 on failure (the database's error object tells why).
    uint16_t BeginCompound() override;
    uint16_t EndCompound(uint16_t commit) override;

    // Whether the compound statement sits on the outermost level (level 0, not started, counts as 1).
    bool UsesTransaction() const { return GetLevel() <= 1; }
    // The kept savepoint handle; null when none.
    KxGStatementHdl* GetSavepointHdl() const { return savepoint_; }

private:
    // What a deeper compound statement left in the connection (see the top).
    enum class Work {
        NotBegun,   // no BeginCompound yet
        Open,       // its savepoint is set
        Undone,     // nothing left to undo: rolled back, or the savepoint could not be set
        Kept        // ended with commit, or the rollback failed: it cannot undo its work
    };

    void DeleteSavepointHdl();

    KxGStatementHdl* savepoint_ = nullptr;
    Work work_ = Work::NotBegun;
};
