// Requests and the read unit of work, as far as the batch read needs them.
#include "KxGReadUnitOfWork.h"

#include <algorithm>
#include <new>

#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxObjectAlias.h"

KxGRequest::KxGRequest(KxGTransactionContext* context, KxGClassMap* classMap, const KxClassId& classId,
                       int32_t operation)
    : context_(context), classMap_(classMap), classId_(classId), operation_(operation)
{
    InitEnvironment();
}

KxGRequest::~KxGRequest()
{
    ClearStatements();
    Clear();
}

bool KxGRequest::Matches(const KxClassId& classId, int32_t operation) const
{
    return classId_ == classId && operation_ == operation;
}

int32_t KxGRequest::AddAlias(KxObjectAlias* alias)
{
    if (alias == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    try {
        aliases_.push_back(alias);
    } catch (const std::bad_alloc&) {
        return KXG_E_NO_MEMORY;
    }
    if (aliases_.size() == 1 && !hasFetchKey_) {
        KxRef ref;
        alias->GetRef(ref);
        SetFetchKey(ref);
    }
    return 0;
}

void KxGRequest::Clear()
{
    for (KxObjectAlias* alias : aliases_) {
        delete alias;
    }
    aliases_.clear();
    DeleteOutputs();
    ClearStatements();
}

// KxGRequest::Execute and the rest of the execution are in KxGRequestExecute.cpp.

int32_t KxGRequestList::Append(KxGRequest* request)
{
    if (request == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    try {
        requests_.push_back(request);
    } catch (const std::bad_alloc&) {
        return KXG_E_NO_MEMORY;
    }
    return 0;
}

bool KxGRequestList::Contains(const KxGRequest* request) const
{
    return std::find(requests_.begin(), requests_.end(), request) != requests_.end();
}

void KxGRequestList::DeleteAll()
{
    for (KxGRequest* request : requests_) {
        delete request;
    }
    requests_.clear();
}

void KxGReadUnitOfWork::Begin()
{
    ++nesting_;
}

void KxGReadUnitOfWork::End()
{
    if (nesting_ == 0) {
        return;
    }
    if (--nesting_ == 0) {
        requests_.DeleteAll();
    }
}

KxGReadUnitOfWork::~KxGReadUnitOfWork()
{
    requests_.DeleteAll();
    delete cache_;
}

KxGRowBufferCache* KxGReadUnitOfWork::GetRowBufferCache()
{
    if (cache_ == nullptr) {
        cache_ = new (std::nothrow) KxGRowBufferCache(context_ != nullptr ? context_->GetDatabase() : nullptr);
    }
    return cache_;
}

int32_t KxGReadUnitOfWork::FindRequest(const KxClassId& classId, int32_t operation, KxGRequest*& request)
{
    for (uint32_t i = 0; i < requests_.Count(); ++i) {
        KxGRequest* candidate = requests_.At(i);
        if (candidate->Matches(classId, operation)) {
            request = candidate;
            return 1;
        }
    }
    request = nullptr;
    return 0;
}

KxGRequest* KxGReadUnitOfWork::MakeRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation)
{
    try {
        return new KxGRequest(context_, classMap, classId, operation);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int32_t KxGReadUnitOfWork::AddRequest(KxGRequest* request)
{
    return requests_.Append(request);
}
