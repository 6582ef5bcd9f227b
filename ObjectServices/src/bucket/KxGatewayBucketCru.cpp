// The bucket's extent operations (count, seek, search, lookup, cursor query) and its cursor.
#include <memory>

#include "KxBase.h"
#include "KxBucketTrace.h"
#include "KxGDatabase.h"
#include "KxGExtentService.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayBucket.h"
#include "KxGatewayTransactionMgr.h"
#include "KxMetaType.h"
#include "KxQuery.h"
#include "kxthreads.h"

namespace {

// Kernel type codes of object ids as key values.
constexpr uint8_t kObjIdType = 15;
constexpr uint8_t kObjIdType2 = 17;
// The kernel critical section that query conversion runs in.
constexpr int32_t kQuerySection = 4;

// Sets a read-whole-rows flag that is still undecided.
void Decide(KxGExtentService& service, int16_t value)
{
    if (service.GetReadWholeRows() < 0) {
        service.SetReadWholeRows(value);
    }
}

KxGExtentService* ServiceOf(KxBucketCru* cursor)
{
    auto* own = dynamic_cast<KxGatewayBucketCru*>(cursor);
    return own != nullptr ? own->GetService() : nullptr;
}

// A trace tag on the service's connection, when it has one.
std::unique_ptr<KxGTraceTag> TagOn(KxGDatabase* database, const char* name)
{
    return database != nullptr && database->GetTrace(KXG_TRACE_CA) != nullptr
               ? std::make_unique<KxGTraceTag>(*database, KXG_TRACE_CA, name)
               : nullptr;
}

// A query in prefix order for the extent service: the query itself, or its conversion (owned by
// holder) made inside the query section.
int32_t Prefix(KxBase* base, KxQuery& query, std::unique_ptr<KxGenericQuery>& holder, KxQuery*& prefix)
{
    if ((query.GetFlags() & 1) != 0) {
        prefix = &query;
        return 0;
    }
    holder = std::make_unique<KxGenericQuery>(base, query.GetClassId());
    KxThreadMgr* threads = base != nullptr ? base->ThreadMgr() : nullptr;
    if (threads != nullptr) {
        threads->BeginCriticalSection(kQuerySection, "KxGatewayBucket::Query");
    }
    const int32_t converted = query.Convert2Prefix(*holder);
    holder->SetFlags(static_cast<uint16_t>(holder->GetFlags() | 1));
    ClearQueryQueueStack();
    if (threads != nullptr) {
        threads->EndCriticalSection(kQuerySection, "KxGatewayBucket::Query");
    }
    if (converted != 0) {
        return KXG_E_NO_QUERY_TREE;
    }
    prefix = holder.get();
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// KxGatewayBucket: extent operations

KxBucketCru* KxGatewayBucket::CreateCursor(int32_t& count, int32_t mode)
{
    count = 0;
    KxGTransactionContext* context = metaClass_ != nullptr ? ContextOf(nullptr) : nullptr;
    KxGDatabase* database = context != nullptr ? context->GetDatabase() : nullptr;
    if (database == nullptr) {
        return nullptr;
    }
    KxClassId classId = metaClass_->GetClassId();
    KxGExtentService* service =
        database->CreateExtentService(context->GetOperationEnvironment(), &classId, mode, IsUserClass() ? 1 : 0);
    if (service == nullptr) {
        return nullptr;
    }
    return new KxGatewayBucketCru(service);
}

int32_t KxGatewayBucket::GetNum(int32_t& count, int32_t mode)
{
    count = 0;
    if (IsUserClass()) {
        return 0;
    }
    if (metaClass_ == nullptr) {
        return KXG_E_CLASS_UNKNOWN;
    }
    int32_t ignored = 0;
    std::unique_ptr<KxBucketCru> cursor(CreateCursor(ignored, mode));
    KxGExtentService* service = ServiceOf(cursor.get());
    if (service == nullptr) {
        return ContextOf(nullptr) == nullptr ? KXG_E_NO_TXN_CONTEXT : KXG_E_NO_EXTENT_TEMPLATE;
    }
    auto tag = TagOn(service->GetDatabase(), "GetNum");
    int32_t number = 0;
    const int32_t status = service->GetNum(number);
    if (status < 0) {
        return status;
    }
    count = number;
    return 0;
}

int32_t KxGatewayBucket::Seek(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, int32_t direction,
                              const char* name, int16_t openState)
{
    KxGExtentService* service = ServiceOf(cursor);
    auto tag = TagOn(service != nullptr ? service->GetDatabase() : nullptr, name);
    if (direction == KX_SEEK_BACKWARD) {
        offset = -offset;
        if (seekMode == KXG_SEEK_FROM_START) {
            seekMode = KXG_SEEK_FROM_END;
        } else if (seekMode == KXG_SEEK_FROM_END) {
            seekMode = KXG_SEEK_FROM_START;
        }
    }
    if (service == nullptr || metaClass_ == nullptr) {
        return KXG_E_CURSOR_POSITION;
    }
    if (IsUserClass()) {
        if (tag) {
            KxGBucketRecord(*tag, "seek in KxUser extent");
        }
        return KXG_E_NO_ELEMENT;
    }
    ref.Clear();
    Decide(*service, openState);
    const int32_t status = service->Seek(offset, seekMode, ref);
    if (status < 0) {
        ref.Clear();
        return status;
    }
    if (tag) {
        KxGBucketRecord(*tag, "object id: ", ref);
    }
    return status;
}

int32_t KxGatewayBucket::SeekRd(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, int32_t direction)
{
    return Seek(cursor, offset, seekMode, ref, direction, "SeekRd", 0);
}

int32_t KxGatewayBucket::SeekGet(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref,
                                 const KxLockSpec* lockSpec, int32_t& found, int32_t direction)
{
    found = 0;
    const int32_t status = Seek(cursor, offset, seekMode, ref, direction, "SeekGet", 1);
    if (status < 0) {
        return status;
    }
    found = 1;
    return admin_ != nullptr ? admin_->LockWatch(ref, lockSpec, nullptr) : status;
}

int32_t KxGatewayBucket::SearchGet(KxBucketCru* cursor, const KxKeyValue* keys, int32_t keyCount, int32_t comparison,
                                   KxRef& ref)
{
    KxGExtentService* service = ServiceOf(cursor);
    auto tag = TagOn(service != nullptr ? service->GetDatabase() : nullptr, "SearchGet");
    if (service == nullptr) {
        return KXG_E_NO_CURSOR;
    }
    Decide(*service, 0);
    const int32_t status = service->Search(keys, keyCount, comparison);
    if (status < 0) {
        return status;
    }
    service->GetCurrent(ref);
    if (tag) {
        KxGBucketRecord(*tag, "object id: ", ref);
    }
    return status;
}

int32_t KxGatewayBucket::SearchExtent(KxBucketCru* cursor, int32_t mode, const KxKeyValue& key, KxRef& ref)
{
    KxGExtentService* service = ServiceOf(cursor);
    auto tag = TagOn(service != nullptr ? service->GetDatabase() : nullptr, "SearchExtent");
    if (service == nullptr) {
        return KXG_E_NO_CURSOR;
    }
    KxKeyValue searched = key;
    if (searched.type == kObjIdType2) {
        searched.type = kObjIdType;
    }
    Decide(*service, 0);
    const uint16_t index = searched.type == kObjIdType ? KXG_NO_INDEX : service->GetIndexNumber();
    const int32_t status = service->Search(&searched, 1, mode, index);
    if (status < 0) {
        return status;
    }
    service->GetCurrent(ref);
    if (tag) {
        KxGBucketRecord(*tag, "object id: ", ref);
    }
    return status;
}

int32_t KxGatewayBucket::Lookup(KxKeyValue* keys, int32_t count)
{
    if (count <= 0 || keys == nullptr) {
        return 0;
    }
    int32_t ignored = 0;
    std::unique_ptr<KxBucketCru> cursor(CreateCursor(ignored, static_cast<int16_t>(KXG_NO_INDEX)));
    KxGExtentService* service = ServiceOf(cursor.get());
    if (service == nullptr) {
        return metaClass_ == nullptr ? KXG_E_CLASS_UNKNOWN : KXG_E_NO_TXN_CONTEXT;
    }
    auto tag = TagOn(service->GetDatabase(), "Lookup");
    int32_t found = 0;
    int32_t failed = 0;
    for (int32_t i = 0; i < count; ++i) {
        // Key records lie 16 bytes apart.
        auto* key = reinterpret_cast<KxKeyValue*>(reinterpret_cast<uint8_t*>(keys) + i * kKeyRecordSize);
        KxRef ref;
        if (SearchExtent(cursor.get(), KXG_COMPARE_EQUAL, *key, ref) < 0) {
            ++failed;
        } else {
            ++found;
        }
    }
    if (failed == 0) {
        return 0;
    }
    return found > 0 ? KXG_W_SOME_KEYS_FOUND : KXG_E_NO_KEY_FOUND;
}

int32_t KxGatewayBucket::CursorQuery(KxBucketCru* cursor, KxQuery* query)
{
    KxGExtentService* service = ServiceOf(cursor);
    if (service == nullptr) {
        return KXG_E_NO_CURSOR;
    }
    if (query == nullptr) {
        return service->SetQuery(nullptr);
    }
    std::unique_ptr<KxGenericQuery> holder;
    KxQuery* prefix = nullptr;
    int32_t status = Prefix(GetBase(), *query, holder, prefix);
    if (status == 0) {
        status = service->SetQuery(prefix);
    }
    if (holder) {
        holder->FreeSubQueries();
    }
    return status;
}

// ---------------------------------------------------------------------------------------------------
// KxGatewayBucketCru

KxGatewayBucketCru::KxGatewayBucketCru(KxGExtentService* service) : service_(service) {}

KxGatewayBucketCru::~KxGatewayBucketCru() = default;

int32_t KxGatewayBucketCru::Seek(int32_t offset, int32_t seekMode, KxRef& ref)
{
    if (!service_) {
        return KXG_E_CURSOR_POSITION;
    }
    Decide(*service_, 0);
    return service_->Seek(offset, seekMode, ref);
}

int32_t KxGatewayBucketCru::Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison)
{
    if (!service_) {
        return KXG_E_NO_CURSOR;
    }
    Decide(*service_, 0);
    return service_->Search(keys, keyCount, comparison);
}

int32_t KxGatewayBucketCru::Count(int32_t& count)
{
    count = 0;
    if (!service_) {
        return KXG_E_NO_CURSOR;
    }
    const int32_t status = service_->GetNum(count);
    return status < 0 ? status : 0;
}

int32_t KxGatewayBucketCru::Read(KxRef& ref)
{
    if (!service_) {
        return KXG_E_NO_CURSOR;
    }
    Decide(*service_, 0);
    service_->GetCurrent(ref);
    return ref.IsInvalid() ? KXG_E_NO_ELEMENT : 0;
}

int32_t KxGatewayBucketCru::Following(KxRefList& refs, uint32_t max)
{
    refs.clear();
    return service_ ? service_->Following(refs, max) : 0;
}

int32_t KxGatewayBucketCru::Query(KxQuery* query)
{
    if (!service_) {
        return KXG_E_NO_CURSOR;
    }
    if (query == nullptr) {
        return service_->SetQuery(nullptr);
    }
    std::unique_ptr<KxGenericQuery> holder;
    KxQuery* prefix = nullptr;
    int32_t status = Prefix(nullptr, *query, holder, prefix);
    if (status == 0) {
        status = service_->SetQuery(prefix);
    }
    if (holder) {
        holder->FreeSubQueries();
    }
    return status;
}
