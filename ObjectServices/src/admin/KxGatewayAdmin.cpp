// The gateway admin: database open and close, root block facts, surrogates, locks, object checks.
#include "KxGatewayAdmin.h"
#include "KxGatewayBucket.h"
#include "KxGatewayShell.h"
#include "KxGClassMapper.h"

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGConnectionLock.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGLockService.h"
#include "KxGMemoryLocation.h"
#include "KxGOperationEnvironment.h"
#include "KxGRootblock.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGSurrogates.h"
#include "KxGTypeHdl.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGTransactionContext.h"
#include "KxGatewayClient.h"
#include "KxGatewayModule.h"
#include "KxGatewayTransactionMgr.h"
#include "KxInt64.h"
#include "KxTransaction.h"
#include "KxTypeMgr.h"

namespace {

// The kernel's "no transaction context" status.
constexpr int32_t kNoTransactionContext = -4004;
// The kernel's statuses of a class missing from the dictionary.
constexpr int32_t kClassMissing = -2003;
// Kernel kinds of the objects whose lock list can be asked for.
constexpr int32_t kLockListKindObject = 64;
constexpr int32_t kLockListKindReference = 130;

// Writes one record (the parts and a newline) inside an active tag.
template <typename... Parts>
void Record(const KxTraceTag& tag, const Parts&... parts)
{
    KxGDatabaseTrace* trace = tag.GetTrace();
    if (trace == nullptr) {
        return;
    }
    trace->BeginCriticalSection();
    trace->SetEscape(1);
    ((*trace << parts), ...);
    *trace << '\n';
    trace->SetEscape(0);
    trace->EndCriticalSection();
}

KxString DateText(const KxDateTime& stamp)
{
    KxString text;
    KxTypeMgr::GetDefault()->PrintToKxString(KX_TYPE_DATETIME, text, &stamp, KxGRootblock::kDateFormat);
    return text;
}

KxString EightBit(KxString text)
{
    if (!text.IsActive()) {
        return KxString::EmptyString();
    }
    text.SetCodeSet(0);
    return text;
}

KxGClassMap* ClassMapOf(KxGCatalog* catalog, const KxClassId& classId)
{
    return catalog != nullptr ? catalog->GetClassMap(classId) : nullptr;
}

// The status of a failed statement: the connection's error code, -6001 when it holds none.
int32_t FailureOf(KxGDatabase& database)
{
    KxGDatabaseError* error = database.GetError();
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return KxGNoteServerError(&database, code < 0 ? code : KXG_E_RDBMS);
}

// The object id as one 64-bit decimal number.
uint64_t IdNumber(const KxObjId& id)
{
    return id.Get64();
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Construction

KxGatewayAdmin::KxGatewayAdmin(KxGatewayClient* client, KxBase* base, int32_t flags)
    : KxAdmin(base, flags),
      dictionaryName_(KxString::EmptyString()),
      dictionaryServer_(KxString::EmptyString()),
      concurrencyServer_(KxString::EmptyString()),
      client_(client)
{
    dictionaryModifyStamp_.Clear();
}

KxGatewayAdmin::~KxGatewayAdmin()
{
    CloseDatabase();
    GetBucketMgr().CloseBuckets();
    if (client_ != nullptr) {
        client_->ForgetAdmin(this);
    }
}

KxGDatabase* KxGatewayAdmin::GetDatabase() const
{
    return client_ != nullptr ? client_->GetDatabase() : nullptr;
}

KxGatewayTransactionMgr* KxGatewayAdmin::GetTransactionMgr() const
{
    return client_ != nullptr ? client_->GetTransactionManager() : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Init: the root block

int32_t KxGatewayAdmin::Init()
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr) {
        return KXG_E_CANNOT_OPEN_DATABASE;
    }
    KxGTraceTag tag(*database, KXG_TRACE_CA, "Init");
    Record(tag, "read rootblock information");

    if (!rootblock_) {
        rootblock_ = std::make_unique<KxGRootblock>(database);
    }
    const int32_t status = rootblock_->GetAllValues();
    if (status != 0) {
        return status;
    }

    // A reopened admin starts from the defaults again: keys missing now keep them.
    gatewayVersion_ = kInitialGatewayVersion;
    dictionaryName_ = KxString::EmptyString();
    dictionaryServer_ = KxString::EmptyString();
    dictionaryStamp_ = KxDateTime();
    typeMgrVersion_ = kInitialTypeMgrVersion;
    databaseStamp_ = KxDateTime();
    dictionaryModifyStamp_.Clear();
    dictionaryRevision_ = 0;
    indexRevision_ = 0;
    concurrencyServer_ = KxString::EmptyString();
    useMarkModified_ = 0;

    KxTypeMgr* types = KxTypeMgr::GetDefault();
    uint32_t number = 0;
    if (rootblock_->GetValue(KxGRootblock::Getdbversion(), &number, types) == 1) {
        SetDatabaseVersion(static_cast<int32_t>(number));
    }
    rootblock_->GetValue(KxGRootblock::GetDictionaryStamp(), &dictionaryStamp_, types);
    rootblock_->GetValue(KxGRootblock::GetDictionaryName(), &dictionaryName_, types);
    rootblock_->GetValue(KxGRootblock::GetDictionaryServer(), &dictionaryServer_, types);
    rootblock_->GetValue(KxGRootblock::GetTypeMgrVers(), &typeMgrVersion_, types);
    rootblock_->GetValue(KxGRootblock::GetDictionaryModifyStamp(), &dictionaryModifyStamp_, types);
    rootblock_->GetValue(KxGRootblock::GetDatabaseStamp(), &databaseStamp_, types);
    KxBoolean markModified(false);
    if (rootblock_->GetValue(KxGRootblock::GetUseMarkModified(), &markModified, types) == 1) {
        useMarkModified_ = 1;
    }
    if (rootblock_->GetValue(KxGRootblock::GetROGWVersion(), &number, types) == 1) {
        gatewayVersion_ = static_cast<int32_t>(number);
    }
    rootblock_->GetValue(KxGRootblock::GetDictionaryRevision(), &dictionaryRevision_, types);
    rootblock_->GetValue(KxGRootblock::GetIndexRevision(), &indexRevision_, types);
    rootblock_->GetValue(KxGRootblock::GetConcurrencyControlServer(), &concurrencyServer_, types);
    dictionaryName_ = EightBit(dictionaryName_);
    dictionaryServer_ = EightBit(dictionaryServer_);
    concurrencyServer_ = EightBit(concurrencyServer_);

    if (tag.GetTrace() != nullptr) {
        Record(tag, "RO GW Version:          ", gatewayVersion_);
        Record(tag, "Database Version:        ", GetDatabaseVersion());
        Record(tag, "Dictionary created on:   ", DateText(dictionaryStamp_));
        Record(tag, "Dictionary name:         ", dictionaryName_);
        Record(tag, "Dictionary server:       ", dictionaryServer_);
        Record(tag, "Type Manager Version :   ", typeMgrVersion_);
        Record(tag, "Dictionary modified on : ", DateText(dictionaryModifyStamp_));
        Record(tag, "Dictionary Revision:     ", dictionaryRevision_);
        Record(tag, "Index Revision:          ", indexRevision_);
        Record(tag, "Database created on :    ", DateText(databaseStamp_));
        Record(tag, "MarkModified :           ", useMarkModified_ != 0 ? "yes" : "no");
        Record(tag, "Concurrency Server :     ", concurrencyServer_);
    }

    SetSurrogateCache(0, kSurrogateCacheCapacity);
    GetBucketMgr().Init(kBucketCapacity, 0);
    SetState(KX_ADMIN_INITIALISED);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Open and close

int32_t KxGatewayAdmin::CheckVersion()
{
    KxGDatabase* database = GetDatabase();
    int32_t version = gatewayVersion_;
    if ((version & 0xff00) == 0x300) {
        version = kOldestVersion;
    }
    const int32_t high = version & 0xff00;
    if (high < kOldestVersion) {
        return KXG_E_OLDER_DATABASE;
    }
    if (high >= kNewestVersionEnd) {
        return KXG_E_GATEWAY_TOO_OLD;
    }
    database->SetGatewayVersion(version);
    gatewayVersion_ = database->GetGatewayVersion();
    // Only an accepted version fixes the process-wide one; a refused open leaves it alone.
    if (SetROGVersion(gatewayVersion_) != gatewayVersion_) {
        return KXG_E_OLDER_DATABASE;
    }
    return 0;
}

int32_t KxGatewayAdmin::CheckDictionary()
{
    const KxClassDict* dictionary = GetDictionary();
    if (dictionary == nullptr) {
        return 0;
    }
    for (uint32_t index = 0;; ++index) {
        const KxClassDescriptor* descriptor = nullptr;
        if (dictionary->GetDescriptor(index, descriptor) != 0 || descriptor == nullptr) {
            return 0;
        }
        const KxClassId& id = descriptor->GetMetaType()->GetClassId();
        if (id.GetClassNumber() == 0 && id.GetVersion() == 0) {
            continue;
        }
        const KxMetaType* underId = dictionary->GetMetaType(id);
        const KxMetaType* underNumber = dictionary->GetCurrentVersion(descriptor->GetClassNumber());
        if (underId == nullptr || underNumber == nullptr) {
            return kClassMissing;
        }
        if (underId != underNumber) {
            return KXG_E_OLD_CLASS_VERSIONS;
        }
    }
}

void KxGatewayAdmin::UnregisterClient()
{
    if (!registered_) {
        return;
    }
    registered_ = false;
    KxGDatabase* database = GetDatabase();
    if (database != nullptr) {
        database->UnregisterConnection(client_->GetClientId());
    }
}

uint16_t KxGatewayAdmin::OrderByOid() const
{
    int32_t order = 0;
    if (client_ != nullptr && client_->ReadConfig(KXG_CFG_ORDER_BY_OID, order, true) != 0) {
        order = 0;
    }
    return order != 0 ? 1 : 0;
}

int32_t KxGatewayAdmin::LoadCatalog()
{
    if (!catalog_) {
        catalog_ = std::make_unique<KxGCatalog>();
    }
    const int32_t status = catalog_->Load(GetDatabase(), GetDictionary());
    // An environment made before the open holds no catalog yet.
    if (environment_) {
        environment_->UpdateAtOpen(catalog_.get(), useMarkModified_, OrderByOid());
    }
    return status;
}

KxGOperationEnvironment* KxGatewayAdmin::GetOperationEnvironment()
{
    if (!environment_) {
        KxGDatabase* database = GetDatabase();
        if (database == nullptr) {
            return nullptr;
        }
        environment_ = std::make_unique<KxGOperationEnvironment>(GetBase(), catalog_.get(), database->GetTypeHdlMgr(),
                                                                 database->GetDatabaseInfo(), useMarkModified_,
                                                                 OrderByOid());
        environment_->SetClassMapLookup(&ClassMapOf);
    }
    return environment_.get();
}

int32_t KxGatewayAdmin::OpenDatabase()
{
    KxGStatusScope scope(GetBase());
    KxGDatabase* database = GetDatabase();
    int32_t status = KXG_E_CANNOT_OPEN_DATABASE;
    if (database != nullptr) {
        KxGTraceTag tag(*database, KXG_TRACE_CA, "OpenDatabase");
        Record(tag, "open rootblock, dictionary and catalog");
        status = Init();
        if (status == 0) {
            status = CheckVersion();
        }
        if (status == 0) {
            status = client_->RegisterClient();
            registered_ = status == 0;
            // The server failed to take the registration (it cannot write its files, say): the
            // database cannot be opened; the server's message goes with the status.
            if (status == KXG_E_RDBMS) {
                status = KXG_E_CANNOT_OPEN_DATABASE;
            }
        }
        if (status == 0) {
            status = OpenDictionary();
        }
        if (status == 0) {
            status = LoadCatalog();
        }
        if (status == 0) {
            status = CheckDictionary();
        }
        if (status == 0) {
            SetState(KX_ADMIN_OPEN);
            return 0;
        }
        Record(tag, "Error: can't open database: ", status);
    }
    CloseDatabase();
    SetState(KX_ADMIN_FAILED);
    return scope.Answer(status);
}

int32_t KxGatewayAdmin::CloseDatabase()
{
    if (GetState() == KX_ADMIN_CLOSED) {
        return 0;
    }
    KxGDatabase* database = GetDatabase();
    std::unique_ptr<KxGTraceTag> tag;
    if (database != nullptr) {
        tag = std::make_unique<KxGTraceTag>(*database, KXG_TRACE_CA, "CloseDatabase");
    }
    SetState(KX_ADMIN_CLOSING);
    const int32_t recycled = RecycleCachedSurrogates();
    if (catalog_) {
        catalog_->Unload();
    }
    surrogates_.reset();
    catalog_.reset();
    rootblock_.reset();
    environment_.reset();
    UnregisterClient();
    const int32_t closed = KxAdmin::CloseDatabase();
    SetState(KX_ADMIN_CLOSED);
    return recycled != 0 ? recycled : closed;
}

// ---------------------------------------------------------------------------------------------------
// Surrogates

int32_t KxGatewayAdmin::FetchSurrogates(KxObjId* ids, int32_t count)
{
    KxGStatusScope scope(GetBase());
    KxGDatabase* database = GetDatabase();
    if (database == nullptr || ids == nullptr || count < 1) {
        return KXG_E_NO_SURROGATES;
    }
    KxGTraceTag tag(*database, KXG_TRACE_CA, "FetchSurrogates");
    if (!surrogates_) {
        surrogates_ = std::make_unique<KxGSurrogateAllocator>(database);
    }
    if (KxGDatabaseError* error = database->GetError()) {
        error->Clear();
    }
    if (surrogates_->FetchSurrogates(ids, count) != 0) {
        // The server failed to give the block (it could not write the counter, for one): its own
        // failure, not an exhausted counter.
        KxGDatabaseError* error = database->GetError();
        if (error != nullptr && error->HasError() != 0) {
            return scope.Answer(KxGNoteServerError(database, FailureOf(*database)));
        }
        return scope.Answer(KXG_E_NO_SURROGATES);
    }
    // The whole block, for callers that take the ids from the array.
    for (int32_t i = 1; i < count; ++i) {
        ids[i] = ids[i - 1];
        ids[i].Add(1);
    }
    return 0;
}

int32_t KxGatewayAdmin::RecycleSurrogates(KxObjId* ids, int32_t count)
{
    KxGDatabase* database = GetDatabase();
    if (count > 0 && surrogates_ && database != nullptr) {
        KxGTraceTag tag(*database, KXG_TRACE_CA, "RecycleSurrogates");
        surrogates_->RecycleSurrogates(ids, count);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Locks

KxGTransactionContext* KxGatewayAdmin::CurrentContext() const
{
    KxBase* base = GetBase();
    KxTransaction* transaction = base != nullptr ? base->GetCurrentTransaction() : nullptr;
    KxTransactionResource* resource = transaction != nullptr ? transaction->GetResource(base) : nullptr;
    return resource != nullptr ? static_cast<KxGTransactionContext*>(resource->GetContext()) : nullptr;
}

int32_t KxGatewayAdmin::ChangeLock(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec,
                                   bool acquire)
{
    KxGDatabase* database = GetDatabase();
    // Nothing to lock or watch (a scan's seek): nothing to do, and nothing to trace when tracing is off.
    if (lockSpec == nullptr && (watchSpec == nullptr || watchSpec->watch == 0) &&
        (database == nullptr || database->GetTrace(KXG_TRACE_CA) == nullptr)) {
        return 0;
    }
    KxGStatusScope scope(GetBase());
    std::unique_ptr<KxGTraceTag> tag;
    if (database != nullptr) {
        tag = std::make_unique<KxGTraceTag>(*database, KXG_TRACE_CA, acquire ? "LockWatch" : "UnlockWatch");
    }
    if (watchSpec != nullptr && watchSpec->watch != 0) {
        return KXG_E_NOT_SUPPORTED;
    }
    if (lockSpec == nullptr) {
        return 0;
    }
    if (lockSpec->flags != 0) {
        return KXG_E_NOT_SUPPORTED;
    }
    KxGatewayTransactionMgr* manager = GetTransactionMgr();
    KxGLockService* service = manager != nullptr ? manager->GetLockService() : nullptr;
    KxGTransactionContext* context = CurrentContext();
    if (service == nullptr || context == nullptr) {
        return kNoTransactionContext;
    }
    KxGLockRequest request;
    request.context = context;
    request.ref = ref;
    request.mode = static_cast<uint16_t>(lockSpec->mode);
    const uint16_t done = acquire ? service->AcquireLock(request) : service->ReleaseLock(request);
    if (done != 0) {
        return 0;
    }
    if (tag) {
        Record(*tag, acquire ? "Lock with mode " : "Unlock with mode ", lockSpec->mode, " failed OID: ",
               IdNumber(ref.GetObjId()));
    }
    return scope.Answer(acquire ? service->GetFailure() : KXG_E_NO_ROW_DELETED);
}

int32_t KxGatewayAdmin::LockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    return ChangeLock(ref, lockSpec, watchSpec, true);
}

int32_t KxGatewayAdmin::UnlockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    return ChangeLock(ref, lockSpec, watchSpec, false);
}

int32_t KxGatewayAdmin::ReleaseObjectLocks(KxObject* /*object*/, const KxRef& ref, const KxLockSpec* lockSpec)
{
    if (GetState() == KX_ADMIN_CLOSING) {
        return 0;
    }
    if (lockSpec != nullptr) {
        UnlockWatch(ref, lockSpec, nullptr);
    }
    return 0;
}

int32_t KxGatewayAdmin::GetLockList(int32_t kind, KxObject* /*object*/)
{
    if (kind != kLockListKindObject && kind != kLockListKindReference) {
        return KXG_E_NOT_SUPPORTED;
    }
    if (GetTransactionMgr() == nullptr) {
        return kNoTransactionContext;
    }
    return KXG_E_NOT_SUPPORTED;
}

// ---------------------------------------------------------------------------------------------------
// Dictionary facts

int32_t KxGatewayAdmin::GetDictionaryInfo(KxString& name, KxString& server, KxDateTime& stamp)
{
    name = dictionaryName_;
    server = dictionaryServer_;
    stamp = dictionaryStamp_;
    return 0;
}

int32_t KxGatewayAdmin::SetDictionaryInfo(const KxString& name, const KxString& server, const KxDateTime& stamp)
{
    dictionaryName_ = name;
    dictionaryServer_ = server;
    dictionaryStamp_ = stamp;
    return 0;
}

int32_t KxGatewayAdmin::GetDatabaseStamp(KxDateTime& stamp)
{
    stamp = databaseStamp_;
    return 0;
}

int32_t KxGatewayAdmin::GetDictionaryModifyStamp(KxDateTime& stamp)
{
    stamp = dictionaryModifyStamp_;
    return 0;
}

int32_t KxGatewayAdmin::GetTypeMgrVersion(uint16_t& version)
{
    version = typeMgrVersion_;
    return 0;
}

int32_t KxGatewayAdmin::GetRevisions(uint16_t& revision0, uint16_t& indexRevision, uint16_t& dictionaryRevision)
{
    revision0 = 0;
    indexRevision = indexRevision_;
    dictionaryRevision = dictionaryRevision_;
    return 0;
}

int32_t KxGatewayAdmin::GetDictionaryInfoRecord(KxDictionaryInfo& info)
{
    info.modifyStamp = dictionaryModifyStamp_;
    info.stamp = dictionaryStamp_;
    info.revision0 = 0;
    info.indexRevision = indexRevision_;
    info.dictionaryRevision = dictionaryRevision_;
    return 0;
}

int32_t KxGatewayAdmin::GetDictionaryServerName(KxString& server)
{
    server = dictionaryServer_;
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Classes and shells

int32_t KxGatewayAdmin::RegisterClass(KxMetaClass* metaClass)
{
    if (metaClass == nullptr) {
        return KXG_E_NULL_OBJECT;
    }
    if (!catalog_) {
        catalog_ = std::make_unique<KxGCatalog>();
    }
    const int32_t status = catalog_->LoadClass(metaClass->GetClassNumber());
    if (status < 0) {
        return status;
    }
    auto* bucket = new KxGatewayBucket(this, metaClass, GetBase());
    return GetBucketMgr().RegisterBucket(metaClass->GetClassId(), bucket);
}

KxDatabaseShell* KxGatewayAdmin::CreateShell()
{
    KxGOperationEnvironment* environment = GetOperationEnvironment();
    KxBase* base = environment != nullptr ? environment->GetBase() : GetBase();
    return new KxGatewayShell(base, this);
}

// ---------------------------------------------------------------------------------------------------
// Other operations

int32_t KxGatewayAdmin::CreateDatabase(const KxString& database, const KxString& dictionary, const KxString& storage)
{
    return KxGClassMapper::CreateDBDirect(database, dictionary, storage, dictionaryServer_, nullptr);
}

int32_t KxGatewayAdmin::Reconnect()
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr) {
        return KXG_E_LOGIN_REFUSED;
    }
    // The lock service and the allocator use this connection too.
    KxGConnectionSection section(KxGConnectionLock::Of(database));
    return database->OpenConnection() != 0 ? 0 : KXG_E_LOGIN_REFUSED;
}

int32_t KxGatewayAdmin::CheckObject(const KxRef& ref)
{
    KxGatewayTransactionMgr* manager = GetTransactionMgr();
    if (manager == nullptr || !catalog_) {
        return 0;
    }
    // The current transaction context's connection; without a context the client's own one.
    KxGDatabase* database = nullptr;
    KxBase* base = GetBase();
    KxTransaction* transaction = base != nullptr ? base->GetCurrentTransaction() : nullptr;
    if (transaction != nullptr) {
        database = manager->GetContextDatabase(transaction->GetResource(base));
    }
    if (database == nullptr) {
        database = GetDatabase();
    }
    if (database == nullptr) {
        return 0;
    }
    const uint16_t classNumber = ref.GetClassId().GetClassNumber();
    if (GetDictionary() != nullptr && GetDictionary()->FindDescriptor(classNumber) != nullptr) {
        catalog_->LoadClass(classNumber);
    }
    std::unique_ptr<KxGSelectStatementTemplate> query;
    if (catalog_->GetExistenceQuery(classNumber, query) != 0 || !query) {
        return 0;
    }
    KxGTypeHdl* handler = database->GetTypeHdl(KX_TYPE_OBJID, 0, 0);
    if (handler == nullptr) {
        return KXG_E_RDBMS;
    }
    KxObjId id = ref.GetObjId();
    KxGSQLBuffer buffer;
    KxGMemoryLocation location(handler, &id, false);
    location.JoinBuffer(buffer);
    buffer.Allocate(1);
    if (buffer.GetData() == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    buffer.SetCurrentRow(0);
    KxGContext context(database);
    location.Variable2SQLBuffer(buffer, &context);
    KxGSelectStatement statement(database, query.get(), 0);
    uint32_t rows = 1;
    if (statement.BindParameter(&buffer, &location, 1) == 0 || statement.Execute() == 0 ||
        statement.BindResult(&buffer, &location, 1) == 0 || statement.Fetch(rows) == 0) {
        return FailureOf(*database);
    }
    return rows > 0 ? 1 : 0;
}
