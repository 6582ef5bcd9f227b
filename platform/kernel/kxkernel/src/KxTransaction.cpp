#include "KxTransaction.h"

#include <exception>
#include <new>

#include "KxBase.h"
#include "KxConnection.h"

// ---- KxTransactionResource -----------------------------------------------------------------
KxTransactionResource::KxTransactionResource(KxTransaction* txn, KxBase* base)
    : txn_(txn), base_(base) {}
KxTransactionResource::~KxTransactionResource() = default;

KxTransaction* KxTransactionResource::GetTransaction() const { return txn_; }
KxBase* KxTransactionResource::GetBase() const { return base_; }
void* KxTransactionResource::GetContext() const { return context_; }
void KxTransactionResource::SetContext(void* context) { context_ = context; }
uint32_t KxTransactionResource::GetOptions() const { return options_; }
void KxTransactionResource::SetOptions(uint32_t options) { options_ = options; }
bool KxTransactionResource::HoldsReadConsistentObjects() const { return readConsistent_; }
void KxTransactionResource::SetReadConsistentObjects(bool holds) { readConsistent_ = holds; }

// ---- KxTransactionResourceHandle -----------------------------------------------------------
KxTransactionResourceHandle::KxTransactionResourceHandle(KxTransactionResource* resource)
    : resource_(resource) {}
KxTransactionResourceHandle::~KxTransactionResourceHandle() = default;

KxTransactionResource* KxTransactionResourceHandle::GetResource() const { return resource_; }
KxBase* KxTransactionResourceHandle::GetBase() const {
    return resource_ != nullptr ? resource_->GetBase() : nullptr;
}
KxTransaction* KxTransactionResourceHandle::GetTransaction() const {
    return resource_ != nullptr ? resource_->GetTransaction() : nullptr;
}

// ---- KxTransaction -------------------------------------------------------------------------
KxTransaction::KxTransaction(bool kernelTransaction) : kernel_(kernelTransaction) {}

KxTransaction::~KxTransaction() {
    for (auto& r : resources_) {
        KxBase* base = r->GetBase();
        KxBaseConnection* conn = base->GetConnection();
        // A destructor cannot pass an exception on: a context that fails to go is dropped.
        try {
            base->EndPending(r.get(), false);
        } catch (...) {
        }
        try {
            if (conn != nullptr && r->GetContext() != nullptr) conn->DeleteTransactionContext(r.get());
        } catch (...) {
        }
        if (base->GetCurrentTransaction() == this) base->SetCurrentTransaction(nullptr);
    }
}

KxTransactionResource* KxTransaction::GetResource(KxBase* base) {
    if (base == nullptr) {
        lastStatus_ = KX_KERNEL_E_INVALID;
        return nullptr;
    }
    for (auto& r : resources_)
        if (r->GetBase() == base) return r.get();
    std::unique_ptr<KxTransactionResource> res(new (std::nothrow) KxTransactionResource(this, base));
    if (!res) {
        lastStatus_ = KX_KERNEL_E_NO_MEMORY;
        return nullptr;
    }
    KxBaseConnection* conn = base->GetConnection();
    if (conn != nullptr) {
        int32_t rc = KX_KERNEL_OK;
        int32_t begun = 0;
        try {
            rc = conn->CreateTransactionContext(res.get());
            for (; rc >= 0 && begun < level_; ++begun) rc = conn->BeginTransaction(res.get());
        } catch (...) {
            // The levels begun and the context go again; the exception passes on.
            try {
                for (; begun > 0; --begun) conn->AbortTransaction(res.get());
                if (res->GetContext() != nullptr) conn->DeleteTransactionContext(res.get());
            } catch (...) {
            }
            throw;
        }
        if (rc < 0) {
            if (res->GetContext() != nullptr) conn->DeleteTransactionContext(res.get());
            lastStatus_ = rc;
            return nullptr;
        }
    }
    if (level_ > 0 && base->GetCurrentTransaction() == nullptr) base->SetCurrentTransaction(this);
    try {
        resources_.push_back(std::move(res));
    } catch (const std::bad_alloc&) {
        lastStatus_ = KX_KERNEL_E_NO_MEMORY;
        return nullptr;
    }
    lastStatus_ = KX_KERNEL_OK;
    return resources_.back().get();
}

int32_t KxTransaction::Begin() {
    // Close the level again wherever it was begun, the failed begin included: a connection may keep
    // a begin that failed half-way as an open level, and only the matching abort ends it.
    auto undo = [this](size_t last) {
        for (size_t j = 0; j <= last; ++j) {
            KxBaseConnection* c = resources_[j]->GetBase()->GetConnection();
            if (c != nullptr) c->AbortTransaction(resources_[j].get());
        }
    };
    // A nested level begins after the work pending in the current one is written.
    if (level_ > 0) {
        for (auto& r : resources_) {
            const int32_t written = r->GetBase()->EndPending(r.get(), true);
            if (written < 0) return lastStatus_ = written;
        }
    }
    for (size_t i = 0; i < resources_.size(); ++i) {
        KxBaseConnection* conn = resources_[i]->GetBase()->GetConnection();
        if (conn == nullptr) continue;
        int32_t rc = KX_KERNEL_OK;
        try {
            rc = conn->BeginTransaction(resources_[i].get());
        } catch (...) {
            try {
                undo(i);
            } catch (...) {
            }
            throw;
        }
        if (rc < 0) {
            undo(i);
            lastStatus_ = rc;
            return rc;
        }
    }
    ++level_;
    for (auto& r : resources_)
        if (r->GetBase()->GetCurrentTransaction() == nullptr) r->GetBase()->SetCurrentTransaction(this);
    lastStatus_ = KX_KERNEL_OK;
    return KX_KERNEL_OK;
}

int32_t KxTransaction::Commit() { return End(true); }
int32_t KxTransaction::Abort() { return End(false); }

int32_t KxTransaction::End(bool commit) {
    if (level_ == 0) return lastStatus_ = KX_KERNEL_E_STATE;
    int32_t result = KX_KERNEL_OK;
    // Every resource is asked, also after one threw; the level ends and the first exception passes on.
    std::exception_ptr thrown;
    // The work pending at the bases is written first (dropped for an abort). When a write fails the
    // level is aborted everywhere and the commit answers that failure: nothing of it was written.
    for (auto& r : resources_) {
        try {
            const int32_t written = r->GetBase()->EndPending(r.get(), commit && result == KX_KERNEL_OK && !thrown);
            if (written < 0 && result == KX_KERNEL_OK) result = written;
        } catch (...) {
            if (!thrown) thrown = std::current_exception();
        }
    }
    if (result < 0 || thrown) commit = false;
    for (auto& r : resources_) {
        KxBaseConnection* conn = r->GetBase()->GetConnection();
        if (conn == nullptr) continue;
        try {
            const int32_t rc = commit ? conn->CommitTransaction(r.get()) : conn->AbortTransaction(r.get());
            if (rc < 0 && result == KX_KERNEL_OK) result = rc;
        } catch (...) {
            if (!thrown) thrown = std::current_exception();
        }
    }
    --level_;
    if (level_ == 0)
        for (auto& r : resources_)
            if (r->GetBase()->GetCurrentTransaction() == this) r->GetBase()->SetCurrentTransaction(nullptr);
    lastStatus_ = result;
    if (thrown) std::rethrow_exception(thrown);
    return result;
}

int32_t KxTransaction::GetLevel() const { return level_; }
bool KxTransaction::IsKernelTransaction() const { return kernel_; }
int32_t KxTransaction::GetLastStatus() const { return lastStatus_; }
uint32_t KxTransaction::GetResourceCount() const { return static_cast<uint32_t>(resources_.size()); }
