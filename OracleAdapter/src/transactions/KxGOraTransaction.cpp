// Oracle transaction levels and the compound statement: savepoints and the connection's commit.
#include "KxGOraTransaction.h"

#include "../database/KxGOraDatabaseSupport.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGOraCompoundStatement.h"
#include "KxGOraStatementHdl.h"
#include "KxGSqlNames.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGTransactionContext.h"

using kxgora::Record;

namespace {

const char* const kCompoundSavepoint = "SAVEPOINT COMPOUND_SAVEPOINT";
const char* const kCompoundRollback = "ROLLBACK TO COMPOUND_SAVEPOINT";

// A handle prepared for the text; null when none could be made (the error object tells why).
KxGStatementHdl* MakeHandle(KxGDatabase& database, const KxString& text)
{
    KxGStatementTemplate statement(text);
    return database.CreateStatementHdl(&statement);
}

// Executes the text once on a handle of its own, which is deleted afterwards; the execution's flag.
uint16_t ExecuteOnce(KxGDatabase& database, const KxString& text)
{
    KxGStatementHdl* handle = MakeHandle(database, text);
    if (handle == nullptr) {
        return 0;
    }
    const uint16_t done = handle->Execute(1) != 0 ? 1 : 0;
    handle->Destroy(nullptr);
    return done;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Transaction levels

KxGOraTransaction::KxGOraTransaction(KxGTransactionContext* context) : KxGSPTransaction(context) {}

KxGOraTransaction::~KxGOraTransaction() = default;

uint16_t KxGOraTransaction::SetSavepoint(int16_t level)
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr) {
        return 0;
    }
    KxGTraceTag tag(*database, KXG_TRACE_TXN, "SetSavepoint");
    KxString text("SAVEPOINT TXN_LEVEL_");
    text << int32_t(level);
    return ExecuteOnce(*database, text);
}

uint16_t KxGOraTransaction::RollbackToSavepoint(int16_t level)
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr) {
        return 0;
    }
    KxGTraceTag tag(*database, KXG_TRACE_TXN, "RollbackToSavepoint");
    KxString text("ROLLBACK TO TXN_LEVEL_");
    text << int32_t(level);
    Record(tag, text);
    return ExecuteOnce(*database, text);
}

// ---------------------------------------------------------------------------------------------------
// Compound statement

KxGOraCompoundStatement::KxGOraCompoundStatement(KxGTransactionContext* context)
    : KxGCompoundStatement(context, kGrowStep)
{
}

KxGOraCompoundStatement::~KxGOraCompoundStatement()
{
    DeleteSavepointHdl();
}

void KxGOraCompoundStatement::DeleteSavepointHdl()
{
    if (savepoint_ != nullptr) {
        savepoint_->Destroy(nullptr);
        savepoint_ = nullptr;
    }
}

uint16_t KxGOraCompoundStatement::BeginCompound()
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr) {
        return 0;
    }
    KxGTraceTag tag(*database, KXG_TRACE_TXN, "BeginCompound");
    if (UsesTransaction()) {
        Record(tag, KxString("use transaction"));
        return 1;
    }
    Record(tag, KxString("use savepoint"));
    // A handle left by a compound statement begun twice is not leaked.
    DeleteSavepointHdl();
    savepoint_ = MakeHandle(*database, KxString(kCompoundSavepoint));
    if (savepoint_ == nullptr || savepoint_->Execute(1) == 0) {
        // No savepoint: nothing runs after a failed begin, so a rollback has nothing to undo, and
        // must not roll back to an older savepoint of the same name.
        DeleteSavepointHdl();
        work_ = Work::Undone;
        return 0;
    }
    work_ = Work::Open;
    return 1;
}

uint16_t KxGOraCompoundStatement::EndCompound(uint16_t commit)
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr) {
        return 0;
    }
    KxGTraceTag tag(*database, KXG_TRACE_TXN, "EndCompound");
    uint16_t result = 1;
    if (UsesTransaction()) {
        if (commit != 0) {
            Record(tag, KxString("commit transaction"));
            result = database->CommitConnection() != 0 ? 1 : 0;
        } else {
            Record(tag, KxString("rollback transaction"));
            result = database->RollbackConnection() != 0 ? 1 : 0;
        }
    } else if (commit != 0) {
        Record(tag, KxString("commit savepoint"));
        work_ = Work::Kept;
    } else {
        Record(tag, KxString("rollback to savepoint"));
        auto* handle = dynamic_cast<KxGOraStatementHdl*>(savepoint_);
        const bool nothingRan = work_ == Work::Undone || (work_ == Work::NotBegun && GetFlags() != 0);
        if (handle != nullptr && work_ == Work::Open) {
            KxGStatementTemplate rollback{KxString(kCompoundRollback)};
            result = handle->ExecDirect(&rollback);
            work_ = result != 0 ? Work::Undone : Work::Kept;
        } else if (nothingRan) {
            Record(tag, KxString("no savepoint to roll back to: nothing to undo"));
        } else {
            Record(tag, KxString("no savepoint to roll back to: the work stays for the enclosing level"));
            result = 0;
        }
    }
    DeleteSavepointHdl();
    return result;
}
