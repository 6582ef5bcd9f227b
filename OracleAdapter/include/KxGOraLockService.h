// The Oracle lock service: the relational lock service (KxGGenericLockService.h) whose server locks
// are taken by the schema's lock procedure ACQUIRE_LOCK, which gets all object ids and lock modes of
// one acquisition as two PL/SQL tables in a single call.
//
// Statements (schema = the database's schema name, client = the client id in decimal):
//   acquire  "BEGIN <schema>.ACQUIRE_LOCK( <client>, :1, :oid_list, :lock_list ); END;"
//            :1 is the number of entries; :oid_list and :lock_list are bound by name as PL/SQL tables
//            of that many elements from the generic service's parameter rows.
//   release  "DELETE FROM <schema>.LOCKS WHERE OID = :1 AND LOCKMODE = :2 AND CLIENTID = <client>"
//   holders  "SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM <schema>.LOCKS L, <schema>.ACTIVECLIENTS C
//            WHERE OID = :1 AND L.CLIENTID = C.CLIENTID"
// The release and holders statements run as the generic service runs its own.
//
// The procedure commits the connection when it granted every lock of the call, and rolls it back and
// raises an error when one lock conflicts (or anything else fails): a call is all or nothing, which is
// why the whole list goes in one call and is never split. Oracle reports one processed row for the
// block; an acquisition counts as done when the call executed and reported at least one row.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGGenericLockService.h"
#include "KxGMemoryLocation.h"
#include "KxGSQLBuffer.h"

class KxGOraDatabase;
class KxGStatement;

class KxGOraLockService : public KxGGenericLockService {
public:
    // The kernel type code of the entry count's location (a 32-bit integer).
    static constexpr int32_t kCountType = 6;

    // database: not owned, not null, outlives the service. GetCreationError tells whether it can work.
    KxGOraLockService(KxGOraDatabase* database, int32_t clientId);
    ~KxGOraLockService() override;

    // The generic service's creation error, else 0; -6033 when the database has no handle of the
    // count's type, -2030 when memory ran out.
    int32_t GetCreationError() override;

    // One lock by one call of the procedure (trace tag "AcquireLockInDB"): 0, or -2041 when the call
    // could not be bound or executed, or reported no row. The lock number is not used.
    int32_t AcquireServerLock(const KxGLockRequest& request, uint32_t lockNumber) override;
    // Every reference with the mode, in one call (trace tag "AcquireLocksInDB"): 0, or -2041 (also for
    // an empty list, which executes nothing).
    int32_t AcquireServerLocks(uint16_t mode, const KxRefList& refs, KxGTransactionContext* context) override;

    // The entry count of the last acquisition (the value bound as :1).
    int32_t GetLockCount() const { return lockCount_; }
    const KxGStatementTemplate* GetAcquireTemplate() const { return GetInsertTemplate(); }

private:
    // Unbinds the acquire statement, binds :1 from the count row and the two tables by name from the
    // parameter rows (lockCount_ elements each). 1, or 0 when a bind failed or no handle is to be had.
    uint16_t BindAcquire(KxGStatement* statement);
    // Binds and executes the acquire call for refs (all with mode); true when the procedure reported
    // its rows. When it ran but its outcome could not be read, the rows it may have committed are
    // deleted again, so that a refused acquisition leaves no lock row behind.
    bool RunAcquire(const KxRefList& refs, uint16_t mode);

    int32_t creationError_ = 0;
    int32_t lockCount_ = 0;
    // The element counts bound with the two tables (OCI reads and writes them).
    uint32_t oidElements_ = 0;
    uint32_t modeElements_ = 0;
    KxGSQLBuffer countRow_;
    std::unique_ptr<KxGMemoryLocation> countLocation_;
};
