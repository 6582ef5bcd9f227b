// Default bodies of the kernel interfaces that storage modules derive.
#include "KxAdmin.h"
#include "KxBase.h"
#include "KxBucket.h"
#include "KxConnection.h"
#include "KxExcept.h"
#include "KxShell.h"

namespace {
constexpr int32_t kNo = KX_KERNEL_E_NOT_SUPPORTED;
}

// ---- KxConnectionFactory -------------------------------------------------------------------
KxConnectionFactory::KxConnectionFactory() = default;
KxConnectionFactory::~KxConnectionFactory() = default;
KxBaseConnection* KxConnectionFactory::CreateConnection(KxBase*) { return nullptr; }
KxExcept* KxConnectionFactory::CreateExcept(KxBase*) { return nullptr; }
int32_t KxConnectionFactory::GetProductName(KxString&) const { return kNo; }

// ---- KxBaseConnection ----------------------------------------------------------------------
KxBaseConnection::KxBaseConnection() = default;
KxBaseConnection::~KxBaseConnection() = default;
int32_t KxBaseConnection::SetServer(KxBase*, const KxString&, const KxString&) { return kNo; }
int32_t KxBaseConnection::OpenClient(const KxString&, KxString&, int32_t) { return kNo; }
int32_t KxBaseConnection::CloseClient() { return kNo; }
KxAdmin* KxBaseConnection::CreateAdmin(KxBase*, int32_t) { return nullptr; }
TransactionManager* KxBaseConnection::GetTransactionMgr() { return nullptr; }
int32_t KxBaseConnection::BeginTransaction(KxTransactionResource*) { return kNo; }
int32_t KxBaseConnection::CommitTransaction(KxTransactionResource*) { return kNo; }
int32_t KxBaseConnection::AbortTransaction(KxTransactionResource*) { return kNo; }
int32_t KxBaseConnection::CreateTransactionContext(KxTransactionResource*) { return kNo; }
int32_t KxBaseConnection::DeleteTransactionContext(KxTransactionResource*) { return kNo; }
int32_t KxBaseConnection::SetParameters(KxTransactionResource*, const KxParameterList*) {
    return kNo;
}
int32_t KxBaseConnection::DeleteDatabase(const KxString&) { return kNo; }
int32_t KxBaseConnection::Maintain(int32_t, const KxString&, int32_t, KxParameterSet*) { return kNo; }

// ---- KxBucket ------------------------------------------------------------------------------
KxBucket::KxBucket(KxBase* base, KxMetaTypeHandle* metaHandle)
    : base_(base), metaHandle_(metaHandle) {}
KxBucket::~KxBucket() = default;
KxBase* KxBucket::GetBase() const { return base_; }
KxMetaTypeHandle* KxBucket::GetMetaTypeHandle() const { return metaHandle_; }

KxBucketCru* KxBucket::CreateCursor(int32_t& count, int32_t) {
    count = 0;
    return nullptr;
}
int32_t KxBucket::GetNum(int32_t&, int32_t) { return kNo; }
int32_t KxBucket::SeekRd(KxBucketCru*, int32_t, int32_t, KxRef&, int32_t) { return kNo; }
int32_t KxBucket::SeekGet(KxBucketCru*, int32_t, int32_t, KxRef&, const KxLockSpec*, int32_t&,
                          int32_t) {
    return kNo;
}
int32_t KxBucket::SearchGet(KxBucketCru*, const KxKeyValue*, int32_t, int32_t, KxRef&) {
    return kNo;
}
int32_t KxBucket::SearchExtent(KxBucketCru*, int32_t, const KxKeyValue&, KxRef&) { return kNo; }
int32_t KxBucket::Lookup(KxKeyValue*, int32_t) { return kNo; }
int32_t KxBucket::Query(const KxClassId&, KxQuery*, const KxLockSpec*, KxRefList*) { return kNo; }
int32_t KxBucket::QueryInSet(const KxRefList*, KxQuery*, const KxClassId&, const KxLockSpec*,
                             KxRefList*) {
    return kNo;
}
int32_t KxBucket::CursorQuery(KxBucketCru*, KxQuery*) { return kNo; }
int32_t KxBucket::StoreObject(KxObject*, int32_t, KxTransactionResource*) { return kNo; }
int32_t KxBucket::GetObject(KxObject**, const KxRef&, const KxRefList*, const KxLockSpec*,
                            const KxLockSpec*, KxTransactionResource*) {
    return kNo;
}
int32_t KxBucket::DeleteObject(const KxRef&, int32_t, KxTransactionResource*) { return kNo; }

// ---- KxBucketCru ---------------------------------------------------------------------------
KxBucketCru::KxBucketCru() = default;
KxBucketCru::~KxBucketCru() {
    if (scanBase_ != nullptr) scanBase_->ForgetCursor(this);
}
int32_t KxBucketCru::Following(KxRefList& refs, uint32_t) {
    refs.clear();
    return 0;
}
int32_t KxBucketCru::Seek(int32_t, int32_t, KxRef&) { return kNo; }
int32_t KxBucketCru::Search(const KxKeyValue*, int32_t, int32_t) { return kNo; }
int32_t KxBucketCru::Count(int32_t&) { return kNo; }
int32_t KxBucketCru::Read(KxRef&) { return kNo; }
int32_t KxBucketCru::Query(KxQuery*) { return kNo; }

// ---- Shells --------------------------------------------------------------------------------
KxExecutable::KxExecutable() = default;
KxExecutable::~KxExecutable() = default;
int32_t KxExecutable::Prepare(KxDatabaseShell*) { return kNo; }
int32_t KxExecutable::Execute(KxServerAdminShell*) { return kNo; }
int32_t KxExecutable::Finish(KxDatabaseShell*) { return kNo; }

KxRefCallee::~KxRefCallee() = default;

KxDatabaseShell::KxDatabaseShell() = default;
KxDatabaseShell::~KxDatabaseShell() = default;
int32_t KxDatabaseShell::GetName(KxString&) { return kNo; }
int32_t KxDatabaseShell::Run(KxExecutable*) { return kNo; }
int32_t KxDatabaseShell::Lock(KxRefCollection&, int32_t, const KxLockSpec*, const KxWatchSpec*) {
    return kNo;
}
int32_t KxDatabaseShell::Unlock(KxRefCollection&, int32_t, const KxLockSpec*, const KxWatchSpec*) {
    return kNo;
}
int32_t KxDatabaseShell::Watch(KxRefCollection&, const KxWatchSpec*) { return kNo; }
int32_t KxDatabaseShell::EvalLock(const KxLockSpec*, KxLockSpec&) { return kNo; }
int32_t KxDatabaseShell::EvalWatch(const KxWatchSpec*, KxWatchSpec&) { return kNo; }
int32_t KxDatabaseShell::Forget(int32_t, KxRefCollection&) { return kNo; }
int32_t KxDatabaseShell::DeleteCollection(KxRefCollection&, int32_t, int32_t, const KxLockSpec*,
                                          const KxWatchSpec*) {
    return kNo;
}
int32_t KxDatabaseShell::PostBinding(KxRefCollection&, int32_t, KxRefCallee*) { return kNo; }
int32_t KxDatabaseShell::BeginTransaction(KxTransactionResource*) { return kNo; }
int32_t KxDatabaseShell::CommitTransaction(KxTransactionResource*) { return kNo; }
int32_t KxDatabaseShell::AbortTransaction(KxTransactionResource*) { return kNo; }
int32_t KxDatabaseShell::Synchronize() { return KX_KERNEL_OK; }

bool KxDatabaseShell::IsValidRef(const KxCollectionRef& ref) {
    return ref.status >= 0 && ref.code >= 0 && ref.status != KX_REF_NOT_EXECUTED_STATUS;
}

int32_t KxDatabaseShell::RunSteps(KxExecutable* executable, KxServerAdminShell& server) {
    const int32_t prepared = executable->Prepare(this);
    int32_t executed = 0;
    if (prepared >= 0) executed = executable->Execute(&server);
    const int32_t finished = executable->Finish(this);
    int32_t result = executed != 0 ? executed : prepared;
    if (result == 0 || (finished < 0 && result > 0)) result = finished;
    return result;
}

int32_t KxDatabaseShell::LockEachRef(KxAdmin& admin, KxRefCollection& refs, int32_t mode,
                                     const KxLockSpec* lockSpec, int32_t result) {
    for (size_t i = 0; i < refs.size(); ++i) {
        KxCollectionRef& entry = refs[i];
        if (!IsValidRef(entry)) continue;
        if (result < 0) {
            entry.code = KX_E_REF_NOT_EXECUTED;
            continue;
        }
        entry.code = admin.LockWatch(entry.ref, lockSpec, nullptr);
        if (entry.code == 0) continue;
        if (result == 0) result = KX_W_SOME_REFS_FAILED;
        if (mode == 1 && entry.code < 0) {
            result = KX_E_COLLECTION_FAILED;
            // All or nothing: the references locked before give their locks back.
            for (size_t j = 0; j < i; ++j) {
                if (IsValidRef(refs[j]) && refs[j].code == 0) {
                    admin.UnlockWatch(refs[j].ref, lockSpec, nullptr);
                    refs[j].code = KX_E_REF_NOT_EXECUTED;
                }
            }
        }
    }
    return result;
}

int32_t KxDatabaseShell::UnlockEachRef(KxAdmin& admin, KxRefCollection& refs, const KxLockSpec* lockSpec,
                                       int32_t result) {
    for (KxCollectionRef& entry : refs) {
        if (!IsValidRef(entry)) continue;
        entry.code = admin.UnlockWatch(entry.ref, lockSpec, nullptr);
        if (entry.code != 0) result = KX_W_SOME_REFS_FAILED;
    }
    return result;
}

KxServerAdminShell::KxServerAdminShell() = default;
KxServerAdminShell::~KxServerAdminShell() = default;
int32_t KxServerAdminShell::GetName(KxString&) { return kNo; }

// ---- KxExcept ------------------------------------------------------------------------------
KxExcept::KxExcept(KxBase* base) : base_(base) {}
KxExcept::~KxExcept() = default;
KxBase* KxExcept::GetBase() const { return base_; }
int32_t KxExcept::NotifyOpen() { return kNo; }
int32_t KxExcept::NotifyClose() { return kNo; }
int32_t KxExcept::NotifyConnect() { return kNo; }
int32_t KxExcept::NotifyDisconnect() { return kNo; }
int32_t KxExcept::HandleError(KxErrorInfo*) { return kNo; }
int32_t KxExcept::HandleSystemError(KxErrorInfo*) { return kNo; }
