// The fake adapter's transactions: a tiny row store with transaction semantics, and the resource
// managers and requests that work on it.
//
// The fake server keeps one text value per object id. Committed rows are shared by every fake
// connection; a connection's uncommitted work is an overlay on them (a value, or "deleted"), which
// CommitConnection applies and RollbackConnection drops; savepoints are copies of the overlay. A
// scripted failure of CommitConnection or RollbackConnection leaves the overlay as it is, as a
// server whose commit or rollback failed leaves the work in the connection.
//
// CreateResourceMgr (kind, context) makes:
//   kind 0, context level 1      the gateway's KxGTransaction;
//   kind 0, deeper               a KxGFakeSPTransaction (savepoints "TXN_LEVEL_n") or, after
//                                KxGFakeRows::SetReplayingLevels(true), a KxGFakeMRTransaction;
//   kind 1                       a KxGFakeCompoundStatement: at level 1 its end commits or rolls back
//                                the connection, deeper it keeps the savepoint "COMPOUND_SAVEPOINT";
// all of them scriptable by name ("CreateResourceMgr", "SetSavepoint", "RollbackToSavepoint",
// "BeginCompound", "EndCompound", "MakeBeforeImage", "Execute").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "KxGCompoundStatement.h"
#include "KxGReadUnitOfWork.h"
#include "KxGTransaction.h"
#include "KxObjectAlias.h"

class KxGFakeDatabase;

// The rows of the fake server.
class KxGFakeRows {
public:
    using Table = std::map<uint64_t, std::string>;
    using Overlay = std::map<uint64_t, std::optional<std::string>>;

    // The committed rows (emptied by KxGFakeScript::Reset).
    static Table& Committed();
    // Whether nested transaction levels replay before-images instead of using savepoints.
    static void SetReplayingLevels(bool on);
    static bool ReplayingLevels();
    // Empties the committed rows and sets savepoint levels again.
    static void Reset();
    // The key of an object id.
    static uint64_t Key(const KxObjId& id);
};

// The uncommitted work of one fake connection.
class KxGFakeWork {
public:
    // The value a connection sees: its own work, else the committed row; empty when none.
    std::optional<std::string> Read(uint64_t key) const;
    void Write(uint64_t key, const std::string& value) { overlay_[key] = value; }
    // false when there was no row to delete.
    bool Erase(uint64_t key);
    void Commit();
    void Rollback() { overlay_.clear(); savepoints_.clear(); }
    void SetSavepoint(const std::string& name) { savepoints_[name] = overlay_; }
    // false when the savepoint is unknown.
    bool RollbackTo(const std::string& name);
    bool HasWork() const { return !overlay_.empty(); }

private:
    KxGFakeRows::Overlay overlay_;
    std::map<std::string, KxGFakeRows::Overlay> savepoints_;
};

// An image of a row: the object's reference and its value (an SQL image, kind 2).
class KxGFakeRowAlias : public KxObjectAlias {
public:
    KxGFakeRowAlias(const KxRef& ref, std::string value) : ref_(ref), value_(std::move(value)) {}
    void GetRef(KxRef& ref) const override { ref = ref_; }
    int32_t GetKind() const override { return KX_ALIAS_SQL_IMAGE; }
    const std::string& Value() const { return value_; }

private:
    KxRef ref_;
    std::string value_;
};

// A request that applies its aliases to the connection's work: insert and repair 12 write the value
// of each KxGFakeRowAlias, update and repair 13 only over an existing row (as an UPDATE statement);
// delete and repair 14 erase the row (no row: 2017).
// "Execute" is logged with the operation and the number of aliases, and can be scripted to fail.
class KxGFakeRequest : public KxGRequest {
public:
    KxGFakeRequest(KxGTransactionContext* context, const KxClassId& classId, int32_t operation)
        : KxGRequest(context, nullptr, classId, operation)
    {
    }
    int32_t Execute() override;
};

class KxGFakeSPTransaction : public KxGSPTransaction {
public:
    explicit KxGFakeSPTransaction(KxGTransactionContext* context) : KxGSPTransaction(context) {}
    uint16_t SetSavepoint(int16_t level) override;
    uint16_t RollbackToSavepoint(int16_t level) override;
};

class KxGFakeMRTransaction : public KxGMRTransaction {
public:
    explicit KxGFakeMRTransaction(KxGTransactionContext* context) : KxGMRTransaction(context) {}
    // The row as the connection sees it, as a KxGFakeRowAlias.
    KxObjectAlias* MakeBeforeImage(KxObjectAlias* alias, int32_t& status) override;
    KxGRequest* MakeRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation) override;
};

class KxGFakeCompoundStatement : public KxGCompoundStatement {
public:
    explicit KxGFakeCompoundStatement(KxGTransactionContext* context) : KxGCompoundStatement(context, 10) {}
    uint16_t BeginCompound() override;
    uint16_t EndCompound(uint16_t ok) override;
    KxGRequest* MakeRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation) override;
};

// What CreateResourceMgr of a fake connection makes (null when scripted to fail or for another kind).
KxGResourceMgr* KxGFakeMakeResourceMgr(KxGFakeDatabase* database, int32_t kind, KxGTransactionContext* context);
