// What the adapters' database objects do alike, written once.
//
// KxGCommonDatabase sits between the gateway's abstract connection (KxGDatabase) and the adapters'
// database objects. It keeps the names, settings and owned objects that every product's connection
// has (server, database, user and password; gateway version, auto-commit and connection id; the
// dialect, the statement-handle cache and the type-handler manager; the trace writer, which stays the
// caller's) and answers the operations that only hand them out or choose by them. Each adapter makes
// its dialect and cache in its constructor, supplies its type-handler manager, its nested transaction
// (where the gateway's is not the product's) and its compound statement, and everything that talks
// to its product.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGDatabase.h"
#include "KxString.h"

class KxBase;

// The gateway version a new database object assumes until SetGatewayVersion.
constexpr int32_t KXG_DEFAULT_GATEWAY_VERSION = 1024;

class KxGCommonDatabase : public KxGDatabase {
public:
    ~KxGCommonDatabase() override;

    // 0: deletes this object; any other value does nothing.
    void Destroy(int32_t mode) override;
    // The dialect the adapter made; never null once constructed.
    KxGDatabaseInfo* GetDatabaseInfo() override;
    // The adapter's type-handler manager (MakeTypeHdlMgr), made on the first call and kept; null only
    // when it could not be made.
    KxGTypeHdlMgr* GetTypeHdlMgr() override;
    // Kind KXG_RESOURCE_TRANSACTION: CreateNestedTransaction when the context's nesting level is 2 or
    // more, else the gateway's KxGTransaction. Kind KXG_RESOURCE_COMPOUND_STATEMENT:
    // CreateCompoundStatement. Null for another kind, a null context, or when memory ran out.
    KxGResourceMgr* CreateResourceMgr(int32_t kind, KxGTransactionContext* context) override;
    // Deletes what CreateResourceMgr made (null: nothing).
    void DeleteResourceMgr(KxGResourceMgr* manager) override;
    // The gateway's KxGReadUnitOfWork of the context; null for a null context or when memory ran out.
    KxGReadUnitOfWork* CreateReadUnitOfWork(KxGTransactionContext* context) override;
    void DeleteReadUnitOfWork(KxGReadUnitOfWork* unit) override;
    KxGDatabaseTrace* GetTrace(uint16_t modules) override;
    void SetTrace(KxGDatabaseTrace* trace) override;
    KxGStatementHdlCache* GetStatementHdlCache() override;
    // The type-handler manager's handler (the manager is made if needed); null when none, or when a
    // code does not fit a byte.
    KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags) override;
    // The database name, which is also the schema of the gateway's tables.
    KxString* GetDatabaseName(KxString* out) override;
    KxString* GetSchemaName(KxString* out) override;
    KxString* GetUser(KxString* out) override;
    KxString* GetPassword(KxString* out) override;
    // Stores the user as given.
    void SetUser(KxString* user) override;
    // Stores the password as given.
    void SetPassword(KxString* password) override;
    // auto-commit = (on != 0); answers the new value.
    int32_t SetAutoCommit(int32_t on) override;
    void SetGatewayVersion(int32_t version) override;
    int32_t GetGatewayVersion() override;
    // The gateway's KxGGenericExtentService of the class (mode: the index the cursor reads by, -2 for
    // object-id order; flag: the kernel's user class); null and a trace line without a class.
    KxGExtentService* CreateExtentService(KxGOperationEnvironment* environment, KxClassId* classId, int32_t mode,
                                          int32_t flag) override;
    // 0: the log-in callback is always made.
    uint16_t HasLoginData(KxString* server) override;
    // Empties user and answers -1: no user is proposed.
    int32_t GetLoginUser(KxString* server, KxString* user) override;

    // The trace writer as set, whatever its modules; may be null.
    KxGDatabaseTrace* GetTraceWriter() const { return trace_; }
    // 1 when every statement is to commit on success.
    uint16_t GetAutoCommit() const { return autoCommit_; }

protected:
    // Names copied as given; base is not owned. Gateway version KXG_DEFAULT_GATEWAY_VERSION.
    KxGCommonDatabase(const KxString& server, const KxString& database, const KxString& user,
                      const KxString& password, KxBase* base);
    KxGCommonDatabase(const KxGCommonDatabase&) = delete;
    KxGCommonDatabase& operator=(const KxGCommonDatabase&) = delete;

    // A new type-handler manager of the product for this connection; null when it could not be made.
    virtual KxGTypeHdlMgr* MakeTypeHdlMgr() = 0;
    // The transaction of a nesting level of 2 or more; the gateway's KxGMRTransaction.
    virtual KxGResourceMgr* CreateNestedTransaction(KxGTransactionContext* context);
    // The product's compound statement.
    virtual KxGResourceMgr* CreateCompoundStatement(KxGTransactionContext* context) = 0;

    KxBase* base_ = nullptr;
    KxGDatabaseTrace* trace_ = nullptr;
    std::unique_ptr<KxGDatabaseInfo> info_;
    std::unique_ptr<KxGStatementHdlCache> cache_;
    std::unique_ptr<KxGTypeHdlMgr> typeHdlMgr_;
    KxString server_;
    KxString database_;
    KxString user_;
    KxString password_;
    int32_t gatewayVersion_ = KXG_DEFAULT_GATEWAY_VERSION;
    int32_t connectionId_ = 0;
    uint16_t autoCommit_ = 0;
};
