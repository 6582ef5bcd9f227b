// Surrogate allocation: object ids handed out in blocks from the counter row of SURROGATES.
//
// Table <schema>.SURROGATES (made by the schema mapper): ID (the key; the allocator uses the row with
// ID 1) and SERIAL_ID (the next free object id). The statements, with the dialect's markers:
//   read    SELECT SERIAL_ID FROM <schema>.SURROGATES WHERE ID = :1
//   update  UPDATE <schema>.SURROGATES SET SERIAL_ID = :1 WHERE ID = :2 AND SERIAL_ID = :3
//
// Fetch reads the counter and moves it with a compare-and-set update that is committed at once, so
// that a block stays reserved whatever becomes of the caller's transaction; a client that loses the
// race to another reads again, at most kMaxAttempts times in all. Recycle moves the counter back over
// a block only when nobody has allocated after it.
//
// The allocator runs on the admin's connection, which the lock service shares: every read, update,
// commit and rollback is done under the connection's mutex (KxGConnectionLock.h).
#pragma once

#include <cstdint>
#include <memory>

#include "KxGConnectionLock.h"
#include "KxObjId.h"

class KxGDatabase;
class KxGSelectStatementTemplate;
class KxGStatementTemplate;

class KxGSurrogateAllocator {
public:
    // Attempts of one Fetch.
    static constexpr int32_t kMaxAttempts = 30;
    // The key of the counter row.
    static constexpr int32_t kCounterRow = 1;

    // database: the admin's connection (not owned; outlives the allocator). The statements are
    // built here from the dialect and the schema name.
    explicit KxGSurrogateAllocator(KxGDatabase* database);
    ~KxGSurrogateAllocator();
    KxGSurrogateAllocator(const KxGSurrogateAllocator&) = delete;
    KxGSurrogateAllocator& operator=(const KxGSurrogateAllocator&) = delete;

    // 0, or why the allocator cannot work: the schema name is no plain identifier (-6191), memory ran
    // out (-2030). Fetch and Recycle fail while it is not 0.
    int32_t GetCreationError() const { return creationError_; }

    // Reserves count ids (count of 1 or more). id is in and out: on entry the lowest id the caller
    // accepts; on success the first id of the block (the block is id .. id + count - 1 and the
    // counter stands at id + count). Non-zero for success. Fails when the counter row is missing, a
    // statement fails, the counter would pass 2^32 while 48-bit ids are not in use (flag 0x08 of the
    // type-handler manager), or kMaxAttempts attempts all lost the race. On failure id is unchanged.
    uint16_t Fetch(KxObjId& id, int32_t count);
    // Gives back first .. first + count - 1: the counter moves back to first only when it stands at
    // first + count. Non-zero when the statement ran (also when the counter had moved on and stays);
    // 0 for a count below 1 or a failed statement.
    uint16_t Recycle(KxObjId& first, int32_t count);

    // The admin's operations, with statuses:
    // FetchSurrogates: ids[0] is in and out as Fetch's id. 0, or -6031 (also for null ids or a count
    // below 1).
    int32_t FetchSurrogates(KxObjId* ids, int32_t count);
    // RecycleSurrogates: gives back unused ids that the caller holds. Only a run of consecutive ids
    // can be given back: the longest run that ends with ids[count - 1] (ids[k], ids[k] + 1, ...,
    // ids[count - 1]); with all count ids consecutive that is ids[0] .. ids[0] + count - 1. Always 0
    // (nothing is given back for null ids or a count below 1).
    int32_t RecycleSurrogates(const KxObjId* ids, int32_t count);

    const KxGStatementTemplate* GetReadTemplate() const;
    const KxGStatementTemplate* GetUpdateTemplate() const { return updateTemplate_.get(); }
    KxGDatabase* GetDatabase() const { return database_; }

private:
    struct Counter;
    // Reads the counter row: false when the statement failed; found tells whether the row exists.
    bool ReadCounter(bool& found, KxObjId& value);
    // Compare-and-set: false when the statement or the commit failed (rolled back); changed tells
    // whether a row was updated.
    bool UpdateCounter(const KxObjId& newValue, const KxObjId& expected, bool& changed);

    std::unique_ptr<KxGSelectStatementTemplate> readTemplate_;
    std::unique_ptr<KxGStatementTemplate> updateTemplate_;
    std::unique_ptr<Counter> counter_;
    KxGDatabase* database_;
    std::shared_ptr<KxGConnectionLock::Mutex> mutex_;
    int32_t creationError_ = 0;
};
