// Kernel interfaces of a storage connection: the connection factory and the connection of one
// base. A storage module derives both; every operation answers KX_KERNEL_E_NOT_SUPPORTED (-2999)
// (or null) unless the derived class gives it behaviour.
#pragma once

#include <cstdint>

#include "KxKernelStatus.h"
#include "KxParameter.h"
#include "KxString.h"

class KxBase;
class KxAdmin;
class KxExcept;
class KxBaseConnection;
class KxTransactionResource;
class TransactionManager;

// The long actions a storage runs on a database (KxBaseConnection::Maintain).
enum : int32_t {
    KX_MAINTAIN_UPDATE_SCHEMA = 1,   // the database takes its dictionary's current classes
    KX_MAINTAIN_VERS_ALL = 2,        // every object rewritten as its class's current version
    KX_MAINTAIN_REORG = 3,           // the storage reorganised
    KX_MAINTAIN_REINDEX = 4          // every index rebuilt
};

class KxConnectionFactory {
public:
    KxConnectionFactory();
    virtual ~KxConnectionFactory();

    // A new connection for the base (owned by the caller); null when not supported.
    virtual KxBaseConnection* CreateConnection(KxBase* base);
    // A new exception handler for the base (owned by the caller); null when not supported.
    virtual KxExcept* CreateExcept(KxBase* base);
    // The storage product this factory serves: 0 and the name, or -2999.
    virtual int32_t GetProductName(KxString& product) const;
};

class KxBaseConnection {
public:
    KxBaseConnection();
    virtual ~KxBaseConnection();

    // Names the server before the connection is opened; the server is the third argument.
    virtual int32_t SetServer(KxBase* base, const KxString& database, const KxString& server);
    // Opens the connection for a database name; outName receives the name as opened.
    virtual int32_t OpenClient(const KxString& database, KxString& outName, int32_t openMode);
    virtual int32_t CloseClient();
    // A new admin for the base (owned by the caller); null when not supported.
    virtual KxAdmin* CreateAdmin(KxBase* base, int32_t flags);
    // The connection's transaction manager (not owned by the caller); null when none.
    virtual TransactionManager* GetTransactionMgr();

    virtual int32_t BeginTransaction(KxTransactionResource* resource);
    virtual int32_t CommitTransaction(KxTransactionResource* resource);
    virtual int32_t AbortTransaction(KxTransactionResource* resource);
    virtual int32_t CreateTransactionContext(KxTransactionResource* resource);
    virtual int32_t DeleteTransactionContext(KxTransactionResource* resource);
    // Parameters for the work of a transaction resource (e.g. "ROG_RowNum").
    virtual int32_t SetParameters(KxTransactionResource* resource, const KxParameterList* params);
    virtual int32_t DeleteDatabase(const KxString& database);
    // Runs a long action (KX_MAINTAIN_...) on the named database of the server named by SetServer;
    // the connection need not be open. flags and params as the caller of the kernel's long action
    // gave them.
    virtual int32_t Maintain(int32_t action, const KxString& database, int32_t flags, KxParameterSet* params);
};
