// The gateway bucket: objects read, stored and deleted, queries.
#include "KxGatewayBucket.h"

#include "KxGScratchList.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "KxBase.h"
#include "KxBucketTrace.h"
#include "KxClassDict.h"
#include "KxGCompoundStatement.h"
#include "KxGDatabase.h"
#include "KxGLockService.h"
#include "KxGObjectStorer.h"
#include "KxGQueryService.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGTransactionContext.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayClient.h"
#include "KxGatewayTransactionMgr.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxGMemberMap.h"
#include "KxObjectReader.h"
#include "KxObjectSpace.h"
#include "KxQuery.h"
#include "kxthreads.h"

namespace {

// The kernel critical section that query conversion runs in.
constexpr int32_t kQuerySection = 4;
// The query service's access method: object ids only.
constexpr uint16_t kIdsOnly = 1;

// Whether a lock spec asks for a lock at all.
bool IsLock(const KxLockSpec* spec)
{
    return spec != nullptr && spec->kind != KxLockSpec::KX_LOCKSPEC_NONE;
}

// Holds the object space's critical section for a scope.
class SpaceSection {
public:
    explicit SpaceSection(KxObjectSpace* space) : space_(space)
    {
        if (space_ != nullptr) {
            space_->BeginCriticalSection();
        }
    }
    ~SpaceSection()
    {
        if (space_ != nullptr) {
            space_->EndCriticalSection();
        }
    }
    SpaceSection(const SpaceSection&) = delete;
    SpaceSection& operator=(const SpaceSection&) = delete;

private:
    KxObjectSpace* space_;
};

// Holds a numbered kernel critical section for a scope.
class KernelSection {
public:
    KernelSection(KxThreadMgr* threads, int32_t number, const char* name)
        : threads_(threads), number_(number), name_(name)
    {
        if (threads_ != nullptr) {
            threads_->BeginCriticalSection(number_, name_);
        }
    }
    ~KernelSection()
    {
        if (threads_ != nullptr) {
            threads_->EndCriticalSection(number_, name_);
        }
    }
    KernelSection(const KernelSection&) = delete;
    KernelSection& operator=(const KernelSection&) = delete;

private:
    KxThreadMgr* threads_;
    int32_t number_;
    const char* name_;
};

KxThreadMgr* ThreadsOf(KxBase* base)
{
    return base != nullptr ? base->ThreadMgr() : nullptr;
}

// The class of a reference in the dictionary: the exact version, else the current one.
const KxMetaClass* ClassOf(const KxClassDict* dictionary, const KxClassId& classId)
{
    if (dictionary == nullptr) {
        return nullptr;
    }
    const KxMetaType* type = dictionary->GetMetaType(classId);
    if (type == nullptr) {
        type = dictionary->GetCurrentVersion(classId.GetClassNumber());
    }
    return type != nullptr ? type->AsClass() : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Construction

KxGatewayBucket::KxGatewayBucket(KxGatewayAdmin* admin, const KxMetaClass* metaClass, KxBase* base)
    : KxBucket(base, nullptr), admin_(admin), metaClass_(metaClass)
{
    KxGatewayClient* client = admin_ != nullptr ? admin_->GetClient() : nullptr;
    int32_t ignore = 0;
    if (client != nullptr && client->ReadConfig(KXG_CFG_IGNORE_FOREIGN_REFS, ignore, false) == 0 && ignore != 0) {
        ignoreForeignRefs_ = 1;
    }
}

KxGatewayBucket::~KxGatewayBucket() = default;

bool KxGatewayBucket::IsUserClass() const
{
    if (metaClass_ == nullptr || !metaClass_->GetName().IsActive()) {
        return false;
    }
    const char* name = metaClass_->GetName().StrGet();
    return name != nullptr && std::strcmp(name, "KxUser") == 0;
}

KxGTransactionContext* KxGatewayBucket::ContextOf(KxTransactionResource* resource) const
{
    KxGatewayTransactionMgr* manager = admin_ != nullptr ? admin_->GetTransactionMgr() : nullptr;
    return manager != nullptr ? manager->GetContext(resource) : nullptr;
}

int32_t KxGatewayBucket::OpenContext(KxTransactionResource* resource, KxGTransactionContext*& context) const
{
    context = nullptr;
    if (admin_ == nullptr || admin_->GetTransactionMgr() == nullptr) {
        return KXG_E_NO_TRANSACTION_MANAGER;
    }
    context = ContextOf(resource);
    if (context == nullptr || context->GetDatabase() == nullptr) {
        context = nullptr;
        return KXG_E_NO_TXN_CONTEXT;
    }
    return 0;
}

int32_t KxGatewayBucket::LockInto(const KxRefList& found, const KxLockSpec* lockSpec, KxRefList& target)
{
    int32_t answer = 0;
    for (const KxRef& ref : found) {
        const int32_t locked = IsLock(lockSpec) ? admin_->LockWatch(ref, lockSpec, nullptr) : 0;
        if (locked == KXG_E_LOCK_REFUSED) {
            answer = KXG_W_SOME_NOT_LOCKED;
            continue;
        }
        if (locked < 0) {
            return locked;
        }
        target.push_back(ref);
    }
    return answer;
}

// ---------------------------------------------------------------------------------------------------
// Store and delete

int32_t KxGatewayBucket::StoreObject(KxObject* object, int32_t flags, KxTransactionResource* resource)
{
    KxGStatusScope scope(admin_ != nullptr ? admin_->GetBase() : nullptr);
    if (object == nullptr) {
        return KXG_E_NOT_REGISTERED;
    }
    KxGTransactionContext* context = nullptr;
    if (const int32_t opened = OpenContext(resource, context); opened != 0) {
        return opened;
    }
    KxGTraceTag tag(*context->GetDatabase(), KXG_TRACE_CA, "StoreObject");
    KxGBucketRecord(tag, "object id: ", object->GetRef());
    KxGResourceMgr* top = context->GetTop();
    if (top == nullptr || top->GetRMType() != KXG_RM_COMPOUND_STATEMENT) {
        return KXG_E_NO_RESOURCE_MANAGER;
    }
    auto* compound = static_cast<KxGCompoundStatement*>(top);   // the one manager of that type
    KxGObjectStorer storer(context->GetOperationEnvironment(), context, compound, flags, ignoreForeignRefs_ != 0);
    return scope.Answer(storer.StoreObject(nullptr, object));
}

int32_t KxGatewayBucket::DeleteObject(const KxRef& ref, int32_t flags, KxTransactionResource* resource)
{
    KxGStatusScope scope(admin_ != nullptr ? admin_->GetBase() : nullptr);
    KxGTransactionContext* context = nullptr;
    if (const int32_t opened = OpenContext(resource, context); opened != 0) {
        return opened;
    }
    KxGTraceTag tag(*context->GetDatabase(), KXG_TRACE_CA, "DeleteObject");
    KxGBucketRecord(tag, "object id: ", ref);
    KxGResourceMgr* top = context->GetTop();
    if (top == nullptr || top->GetRMType() != KXG_RM_COMPOUND_STATEMENT || context->GetReadUnitOfWork() == nullptr) {
        return KXG_E_NO_RESOURCE_MANAGER;
    }
    return scope.Answer(KxGObjectStorer::DeleteObject(context->GetOperationEnvironment(), context, ref, flags));
}

// ---------------------------------------------------------------------------------------------------
// GetObject

int32_t KxGatewayBucket::GetObject(KxObject** slot, const KxRef& mainRef, const KxRefList* prefetch,
                                   const KxLockSpec* lockSpec, const KxLockSpec* prefetchLockSpec,
                                   KxTransactionResource* resource)
{
    KxGTransactionContext* context = nullptr;
    if (const int32_t opened = OpenContext(resource, context); opened != 0) {
        return opened;
    }
    if (slot == nullptr) {
        return KXG_E_NULL_OBJECT;
    }
    KxGTraceTag tag(*context->GetDatabase(), KXG_TRACE_CA, "GetObject");
    KxGBucketRecord(tag, "object id: ", mainRef);

    KxBase* base = GetBase();
    KxObjectSpace* space = base != nullptr ? base->GetObjectSpace() : nullptr;
    KxObjectMgr* objects = base != nullptr ? base->GetObjectMgr() : nullptr;

    // The prefetch objects not yet in memory, each once, and whether the asked one is in memory.
    KxGScratchList<KxRef, KxGatewayBucket> wantedList;
    std::vector<KxRef>& wanted = *wantedList;
    if (prefetch != nullptr) {
        wanted.reserve(std::min<size_t>(prefetch->size(), kMaxBatch));
    }
    // Above the highest id wanted so far an id is new without a look (a cursor gives them in order).
    uint64_t highest = 0;
    bool mainInMemory = *slot != nullptr;
    {
        SpaceSection section(space);
        if (!mainInMemory && space != nullptr && space->nts_IsInList(mainRef) != nullptr) {
            mainInMemory = true;
        }
        for (uint32_t i = 0; prefetch != nullptr && i < prefetch->size() && wanted.size() + 1 < kMaxBatch; ++i) {
            const KxRef& ref = (*prefetch)[i];
            if (ref.IsInvalid() || ref.GetObjId() == mainRef.GetObjId()) {
                continue;
            }
            if (space != nullptr && space->nts_IsInList(ref) != nullptr) {
                continue;
            }
            const uint64_t id = ref.GetObjId().Get64();
            const bool seen = !wanted.empty() && id <= highest &&
                              std::any_of(wanted.begin(), wanted.end(),
                                          [&](const KxRef& other) { return other.GetObjId() == ref.GetObjId(); });
            if (!seen) {
                wanted.push_back(ref);
                highest = std::max(highest, id);
            }
        }
    }

    // The asked object's lock decides; the given spec, or the base's default for an object read anew.
    KxLockSpec effective;
    const KxLockSpec* mainSpec = lockSpec;
    if (mainSpec == nullptr && !mainInMemory && base != nullptr) {
        base->EvalLock(nullptr, effective);
        mainSpec = &effective;
    }
    if (IsLock(mainSpec)) {
        const int32_t locked = admin_->LockWatch(mainRef, mainSpec, nullptr);
        if (locked < 0) {
            return locked;
        }
    }

    // Prefetch locks: all at once when the service can, else one by one; a refused one drops its
    // object from the batch.
    if (IsLock(prefetchLockSpec) && !wanted.empty()) {
        KxGLockService* service = context->GetLockService();
        bool done = false;
        if (service != nullptr && service->SupportsCollLocks() != 0) {
            done = service->AcquireCollLocks(context, static_cast<uint16_t>(prefetchLockSpec->mode), wanted) != 0;
        }
        if (!done) {
            std::vector<KxRef> granted;
            for (const KxRef& ref : wanted) {
                if (admin_->LockWatch(ref, prefetchLockSpec, nullptr) == 0) {
                    granted.push_back(ref);
                }
            }
            wanted.swap(granted);
        }
    }

    // The objects: the asked one first (the caller's, the one in memory, or a new empty one).
    KxObject* main = *slot;
    bool mainMade = false;
    if (main == nullptr && objects != nullptr && objects->Find(mainRef, main) == 0) {
        mainMade = true;   // a hold of our own, handed to the caller on success
    }
    if (main == nullptr) {
        const KxMetaClass* metaClass = mainRef.IsInvalid() ? nullptr : ClassOf(admin_->GetDictionary(), mainRef.GetClassId());
        if (metaClass == nullptr) {
            return KXG_E_INVALID_REF;
        }
        if (objects == nullptr || objects->Create(metaClass, mainRef.GetObjId(), main) != 0 || main == nullptr) {
            return KXG_E_CANNOT_CREATE_OBJECT;
        }
        mainMade = true;
    }
    KxGScratchList<KxObject*, KxGatewayBucket> batchList;
    std::vector<KxObject*>& batch = *batchList;
    batch.reserve(wanted.size() + 1);
    batch.push_back(main);
    for (const KxRef& ref : wanted) {
        const KxMetaClass* metaClass = ClassOf(admin_->GetDictionary(), ref.GetClassId());
        KxObject* object = nullptr;
        if (metaClass != nullptr && objects != nullptr && objects->Create(metaClass, ref.GetObjId(), object) == 0 &&
            object != nullptr) {
            batch.push_back(object);
        }
    }

    int32_t result = 0;
    if (context->GetReadUnitOfWork() == nullptr) {
        result = KXG_E_NO_RESOURCE_MANAGER;
    } else {
        // The asked object's has-row bit tells afterwards whether its row was found.
        const uint16_t before = main->GetState();
        main->State() = static_cast<uint16_t>(before & ~KX_STATE_HAS_ROW);
        KxObjectReader reader(context, objects);
        result = reader.Read(static_cast<uint32_t>(batch.size()), batch.data());
        if (result == 0 && (main->GetState() & KX_STATE_HAS_ROW) == 0) {
            result = KXG_E_OBJECT_NOT_FOUND;
        }
        if (result != 0) {
            main->State() = static_cast<uint16_t>((main->GetState() & ~KX_STATE_HAS_ROW) | (before & KX_STATE_HAS_ROW));
        }
    }

    // Prefetch objects stay in the object space as long as something holds them.
    for (size_t i = 1; i < batch.size(); ++i) {
        batch[i]->Release();
    }
    if (result != 0) {
        if (mainMade) {
            main->Release();
        }
        return result;
    }
    *slot = main;
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Queries

int32_t KxGatewayBucket::RunQuery(KxGTransactionContext& context, const KxClassId& classId, KxQuery& query,
                                  KxRefList& refs)
{
    KxGQueryService service(context.GetOperationEnvironment(), context.GetDatabase(), 1);
    std::vector<KxRef> found;
    int32_t status = 0;
    if ((query.GetFlags() & 1) != 0) {
        status = service.Query(classId, query, found, nullptr, kIdsOnly);
    } else {
        KxGenericQuery converted(GetBase(), query.GetClassId());
        {
            KernelSection section(ThreadsOf(GetBase()), kQuerySection, "KxGatewayBucket::Query");
            status = query.Convert2Prefix(converted) == 0 ? 0 : KXG_E_NO_QUERY_TREE;
            converted.SetFlags(static_cast<uint16_t>(converted.GetFlags() | 1));
            ClearQueryQueueStack();
        }
        if (status == 0) {
            status = service.Query(classId, converted, found, nullptr, kIdsOnly);
        }
        converted.FreeSubQueries();
    }
    if (status != 0) {
        return status;
    }
    refs.insert(refs.end(), found.begin(), found.end());
    return 0;
}

int32_t KxGatewayBucket::Query(const KxClassId& classId, KxQuery* query, const KxLockSpec* lockSpec,
                               KxRefList* result)
{
    if (query == nullptr) {
        return KXG_E_NO_QUERY_TREE;
    }
    if (metaClass_ == nullptr) {
        return KXG_E_CLASS_UNKNOWN;
    }
    KxGTransactionContext* context = nullptr;
    if (const int32_t opened = OpenContext(nullptr, context); opened != 0) {
        return opened;
    }
    if (result == nullptr) {
        return KXG_E_NULL_OBJECT;
    }
    KxGTraceTag tag(*context->GetDatabase(), KXG_TRACE_CA, "Query");
    KxRefList found;
    const int32_t status = RunQuery(*context, classId, *query, found);
    if (status != 0) {
        return status;
    }
    return LockInto(found, lockSpec, *result);
}

int32_t KxGatewayBucket::QueryInSet(const KxRefList* source, KxQuery* query, const KxClassId& classId,
                                    const KxLockSpec* lockSpec, KxRefList* target)
{
    if (query == nullptr) {
        return KXG_E_NO_QUERY_TREE;
    }
    if (source == nullptr || target == nullptr || source == target) {
        return 0;
    }
    if (metaClass_ == nullptr) {
        return KXG_E_CLASS_UNKNOWN;
    }
    KxGTransactionContext* context = nullptr;
    if (const int32_t opened = OpenContext(nullptr, context); opened != 0) {
        return opened;
    }
    KxGTraceTag tag(*context->GetDatabase(), KXG_TRACE_CA, "Query");
    KxRefList found;
    const int32_t status = RunQuery(*context, classId, *query, found);
    if (status != 0) {
        return status;
    }
    std::vector<KxObjId> members;
    members.reserve(source->size());
    for (const KxRef& ref : *source) {
        members.push_back(ref.GetObjId());
    }
    std::sort(members.begin(), members.end());
    KxRefList inSource;
    for (const KxRef& ref : found) {
        if (std::binary_search(members.begin(), members.end(), ref.GetObjId())) {
            inSource.push_back(ref);
        }
    }
    return LockInto(inSource, lockSpec, *target);
}
