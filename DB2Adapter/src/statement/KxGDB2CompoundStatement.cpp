// The DB2 compound statement: the transaction on the outermost level, a savepoint deeper.
#include "KxGDB2CompoundStatement.h"

#include <span>

#include "KxGDB2Database.h"
#include "KxGDatabaseTrace.h"

namespace {

void Record(const KxTraceTag& tag, const char* text)
{
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        trace->BeginCriticalSection();
        *trace << text << '\n';
        trace->EndCriticalSection();
    }
}

constexpr const char* kSetSavepoint = "SAVEPOINT COMPOUND_SAVEPOINT UNIQUE ON ROLLBACK RETAIN CURSORS";
// DB2 names the savepoint after the keyword SAVEPOINT; "ROLLBACK TO <name>" is not a DB2 statement.
constexpr const char* kRollbackSavepoint = "ROLLBACK TO SAVEPOINT COMPOUND_SAVEPOINT";
constexpr const char* kReleaseSavepoint = "RELEASE SAVEPOINT COMPOUND_SAVEPOINT";

}  // namespace

KxGDB2CompoundStatement::KxGDB2CompoundStatement(KxGTransactionContext* context)
    : KxGCompoundStatement(context, kGrowStep)
{
}

KxGDB2CompoundStatement::~KxGDB2CompoundStatement()
{
    FreeSavepoint();
}

void KxGDB2CompoundStatement::FreeSavepoint()
{
    if (savepoint_ != SQL_NULL_HSTMT) {
        SQLFreeStmt(savepoint_, SQL_DROP);
        savepoint_ = SQL_NULL_HSTMT;
    }
}

uint16_t KxGDB2CompoundStatement::BeginCompound()
{
    auto* database = dynamic_cast<KxGDB2Database*>(GetDatabase());
    if (database == nullptr) {
        return 0;
    }
    KxGTraceTag tag(*database, KXG_TRACE_TXN, "BeginCompound");
    if (GetLevel() <= 1) {
        Record(tag, "use transaction");
        return 1;
    }
    Record(tag, "use savepoint");
    FreeSavepoint();
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, database->GetConnectionHandle(), &savepoint_);
    if (!SQL_SUCCEEDED(rc)) {
        savepoint_ = SQL_NULL_HSTMT;
        database->Report(rc, SQL_NULL_HSTMT);
        return 0;
    }
    Record(tag, kSetSavepoint);
    rc = SQLExecDirect(savepoint_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kSetSavepoint)), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
        database->Report(rc, savepoint_);
        return 0;
    }
    return 1;
}

uint16_t KxGDB2CompoundStatement::EndCompound(uint16_t commit)
{
    auto* database = dynamic_cast<KxGDB2Database*>(GetDatabase());
    if (database == nullptr) {
        FreeSavepoint();
        return 0;
    }
    KxGTraceTag tag(*database, KXG_TRACE_TXN, "EndCompound");
    if (GetLevel() <= 1) {
        FreeSavepoint();
        if (commit == 0) {
            Record(tag, "rollback transaction");
            return database->RollbackConnection();
        }
        Record(tag, "commit transaction");
        return database->CommitConnection();
    }
    if (savepoint_ == SQL_NULL_HSTMT) {
        return 0;
    }
    // A rollback keeps the savepoint in DB2: it is released as well, so that the next compound
    // statement of the level can set the name again.
    const char* rollback[] = {kRollbackSavepoint, kReleaseSavepoint};
    const char* release[] = {kReleaseSavepoint};
    Record(tag, commit == 0 ? "rollback to savepoint" : "release savepoint");
    uint16_t ok = 1;
    const std::span<const char* const> texts =
        commit == 0 ? std::span<const char* const>(rollback) : std::span<const char* const>(release);
    for (const char* text : texts) {
        KxString line(text);
        if (commit == 0 && text == kRollbackSavepoint) {
            line << " (rollback)";
        }
        Record(tag, line.StrGet());
        const SQLRETURN rc =
            SQLExecDirect(savepoint_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            database->Report(rc, savepoint_);
            ok = 0;
            break;
        }
    }
    FreeSavepoint();
    return ok;
}
