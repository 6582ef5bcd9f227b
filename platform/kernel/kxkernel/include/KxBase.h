// KxBase: one database of the kernel (a kernel base) and the entry to the kernel's root.
#pragma once

#include <cstdint>
#include <memory>

#include "KxKernelStatus.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxRoot;
class KxTypeMgr;
class KxThreadMgr;
class KxExcMgr;
class KxObjectMgr;
class KxObjectSpace;
class KxTransaction;
class KxBaseConnection;

class KxBase {
public:
    // The kernel's root object; it exists for the whole process (see KxRoot.h).
    static KxRoot* KELVOX();

    // A base for a logical name, which may carry parameters: "shop?ROG_RowNum=100&mode".
    // The client name is the root's (InitKelvox "ClientName").
    explicit KxBase(const KxString& logicalName);
    KxBase(const KxString& logicalName, const KxString& clientName);
    virtual ~KxBase();
    KxBase(const KxBase&) = delete;
    KxBase& operator=(const KxBase&) = delete;

    const KxString& GetLogicalName() const;
    const KxString& GetClientName() const;
    // The text that identifies the base to the log-in callback; the logical name unless set.
    const KxString& GetDescriptor() const;
    void SetDescriptor(const KxString& descriptor);

    // The 64-bit id of this client at the database; a connection may overwrite it.
    int64_t& GetNonConstClientId();
    int64_t GetClientId() const;

    KxTypeMgr* GetTypeMgr() const;      // the process's type manager
    KxThreadMgr* ThreadMgr() const;     // the root's thread manager
    KxExcMgr* GetExcMgr() const;        // this base's exception manager
    KxObjectSpace* GetObjectSpace() const;
    // The base's object manager (KxObject.h); its objects must be released before the base goes.
    KxObjectMgr* GetObjectMgr() const;

    // The effective specs of a request: the given one, or the base's default when none is given.
    // Always 0.
    int32_t EvalLock(const KxLockSpec* given, KxLockSpec& effective) const;
    int32_t EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective) const;
    // Defaults: a lock spec of kind KX_LOCKSPEC_NONE and no watch.
    void SetDefaultLockSpec(const KxLockSpec& spec);
    void SetDefaultWatchSpec(const KxWatchSpec& spec);

    // The base's current transaction (null when none).
    KxTransaction* GetCurrentTransaction() const;
    void SetCurrentTransaction(KxTransaction* txn);

    // The connection that serves this base (not owned); transactions route their resources'
    // begin, commit, abort and context creation to it.
    KxBaseConnection* GetConnection() const;
    void SetConnection(KxBaseConnection* connection);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The exception manager of a base: receives the errors its base reports.
class KxExcMgr {
public:
    KxExcMgr();
    virtual ~KxExcMgr();
    // Records the error; answers its code.
    virtual int32_t HandleError(const KxErrorInfo& error);
    uint32_t GetErrorCount() const;
    KxErrorInfo GetLastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
