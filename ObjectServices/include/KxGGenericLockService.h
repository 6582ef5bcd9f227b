// The relational lock service: the local lock table, and in addition one row per server lock in the
// schema's table LOCKS (OID, LOCKMODE, CLIENTID), so that clients in other processes see the locks.
// ACTIVECLIENTS tells who the holders are.
//
// Adapters create it (or a service derived from it) in CreateLockService. Its statements run on the
// database it was made with and are committed (or rolled back) at once, outside the application's
// transaction, so that a lock row is visible to other clients as soon as it is granted.
//
// Statements, built from the schema name and the client id in decimal ("?" stands as it is; an
// adapter whose product writes its markers otherwise replaces the statements, ReplaceStatements):
//   insert  "INSERT INTO <schema>.LOCKS (OID, LOCKMODE, CLIENTID) VALUES ( ?, ?,<client> )"
//   delete  "DELETE FROM <schema>.LOCKS WHERE OID = ? AND LOCKMODE = ? AND CLIENTID = <client>"
//   select  "SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM <schema>.LOCKS L, <schema>.ACTIVECLIENTS C
//            WHERE OID = ? AND L.CLIENTID = C.CLIENTID"
//
// A release counts as done when its delete executed, whether or not it found the row: a row may
// already be gone (the release trigger drops the rows of a client whose registration is removed).
#pragma once

#include <cstdint>
#include <memory>

#include "KxGLockService.h"
#include "KxGMemoryLocation.h"
#include "KxGSQLBuffer.h"
#include "KxObjId.h"

class KxGStatement;
class KxGStoreStatement;
class KxGSelectStatement;
class KxGStatementTemplate;
class KxGSelectStatementTemplate;

class KxGGenericLockService : public KxGLocalLockService {
public:
    // Most rows one release statement deletes.
    static constexpr uint32_t kReleaseBatch = 10000;
    // Characters of a user id read from ACTIVECLIENTS (USERID VARCHAR2(30)).
    static constexpr int32_t kUserIdSize = 30;

    // database: the connection the statements run on (not owned, not null, outlives the service).
    KxGGenericLockService(KxGDatabase* database, int32_t clientId);
    // Frees its statements.
    ~KxGGenericLockService() override;

    // The holders of the object's locks, from LOCKS and ACTIVECLIENTS. 0; after a failed bind,
    // execution or fetch the error object's code (-6001 when it has none); -2030 out of memory.
    int32_t GetLockList(const KxRef& ref, KxGLockHolderList& list) override;
    // 0; a status when the service cannot work: the schema name is no plain identifier (-6191), the
    // database has no type handle for object ids or lock modes (-6033), memory ran out (-2030).
    int32_t GetCreationError() override;

    // One row: 0, or -2041 when the insert failed or inserted nothing.
    int32_t AcquireServerLock(const KxGLockRequest& request, uint32_t lockNumber) override;
    // One row: 0, or -2045 when the delete could not be executed.
    int32_t ReleaseServerLock(const KxGLockRequest& request, uint32_t lockNumber) override;
    // One row per reference, all in one execution: 0 or -2041.
    int32_t AcquireServerLocks(uint16_t mode, const KxRefList& refs, KxGTransactionContext* context) override;
    // Deletes in executions of at most kReleaseBatch rows, committed together after the last one:
    // 0, or -2045 (everything rolled back) when an execution or the commit failed.
    int32_t ReleaseServerLocks(const KxGLockRequestList& requests, KxGTransactionContext* context) override;

    // Unbinds the statement's parameters, then binds the object id as parameter 1 and the lock mode as
    // parameter 2 from the parameter rows. 1, or 0 when a bind failed.
    virtual uint16_t BindParameter(KxGStatement* statement);

    int32_t GetClientId() const { return clientId_; }
    const KxGStatementTemplate* GetInsertTemplate() const { return insertTemplate_.get(); }
    const KxGStatementTemplate* GetDeleteTemplate() const { return deleteTemplate_.get(); }
    const KxGStatementTemplate* GetSelectTemplate() const;

protected:
    // Puts other statements in place of the three (the service takes the templates over; a null
    // template keeps the one in place). The adapters' services use it for their own texts.
    void ReplaceStatements(KxGStatementTemplate* insertTemplate, KxGStatementTemplate* deleteTemplate,
                           KxGSelectStatementTemplate* selectTemplate);

    // The parameter rows: one buffer holding the object-id and lock-mode columns, and the variables
    // the locations convert from.
    KxGSQLBuffer& GetParameterBuffer() { return parameters_; }
    KxGMemoryLocation* GetObjectIdLocation() const { return objectIdLocation_.get(); }
    KxGMemoryLocation* GetLockModeLocation() const { return lockModeLocation_.get(); }
    KxObjId& CurrentObjectId() { return objectId_; }
    uint16_t& CurrentLockMode() { return lockMode_; }
    // Allocates rows parameter rows and fills row r from refs[first + r] (or requests) and the mode.
    // false when a row could not be filled.
    bool FillRows(const KxRefList& refs, size_t first, size_t rows, uint16_t mode);
    bool FillRows(const KxGLockRequestList& requests, uint32_t first, uint32_t rows);

    KxGStoreStatement* GetInsertStatement() const { return insert_.get(); }
    KxGStoreStatement* GetDeleteStatement() const { return delete_.get(); }
    KxGSelectStatement* GetSelectStatement() const { return select_.get(); }
    // The status of a lock the server did not grant, from the connection's error: -2041 when the
    // server refused it (a held lock, or lock contention on the server, or no row inserted without
    // an error), otherwise the status of the server's failure, noted with its text.
    int32_t RefusalStatus() const;
    // Empties the connection's error before a lock call, so that only that call's failure counts.
    void ClearError();

private:
    bool FillRow(int32_t row, const KxObjId& id, uint16_t mode);
    // Executes the statement bound to the parameter rows; with checkRows at least one row must be
    // affected.
    bool Run(KxGStoreStatement* statement, bool checkRows);
    // Commits after success, rolls back otherwise; the final success.
    bool Finish(bool success);
    // The error object's code, KXG_E_RDBMS when it has none.
    int32_t ErrorCode() const;

    int32_t clientId_;
    int32_t creationError_ = 0;
    KxObjId objectId_;
    uint16_t lockMode_ = 0;
    KxGSQLBuffer parameters_;
    std::unique_ptr<KxGMemoryLocation> objectIdLocation_;
    std::unique_ptr<KxGMemoryLocation> lockModeLocation_;
    std::unique_ptr<KxGStatementTemplate> insertTemplate_;
    std::unique_ptr<KxGStatementTemplate> deleteTemplate_;
    std::unique_ptr<KxGSelectStatementTemplate> selectTemplate_;
    // Declared after the templates: destroyed first.
    std::unique_ptr<KxGStoreStatement> insert_;
    std::unique_ptr<KxGStoreStatement> delete_;
    std::unique_ptr<KxGSelectStatement> select_;
};
