// The gateway client: configuration, trace file, adapter loading, log-in, open and close, and the
// connection pool.
#include "KxGatewayClient.h"

#include <exception>
#include <string>

#include "KxBase.h"
#include "KxConfig.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayModule.h"
#include "KxGatewayTransactionMgr.h"
#include "KxRoot.h"
#include "KxTransaction.h"
#include "kxfound.h"
#include "kxthreads.h"

namespace {

// Status codes.

// The kernel's critical section that guards the pool.
constexpr int32_t kPoolSection = 13;

// Characters that separate the names of TraceModules besides white space.
constexpr const char* kModuleSeparators = " \t\v\r\n\f.,:;?!\\/()<>|[]{}\"=-+*&#";

// Only the first characters of a logical name are searched for its parameters.
constexpr int32_t kParameterSearchLength = 256;

struct ModuleName {
    const char* name;
    uint16_t bits;
};

constexpr ModuleName kModules[] = {
    {"CA", KXG_TRACE_CA}, {"TXN", KXG_TRACE_TXN}, {"CM", KXG_TRACE_CM}, {"SM", KXG_TRACE_SM},
    {"STM", KXG_TRACE_STM}, {"DBA", KXG_TRACE_DBA}, {"ALL", 0xf87f},
};

// Writes one record (parts and a newline) inside an active tag.
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

// The status of a failed open or register: the error object's code, or the fallback when the
// adapter left no failure code there (a code of 0 or above would read as success).
int32_t FailureCode(KxGDatabase* database, int32_t fallback)
{
    KxGDatabaseError* error = database->GetError();
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return KxGNoteServerError(database, code < 0 ? code : fallback);
}

const char* ErrorText(KxGDatabase* database)
{
    KxGDatabaseError* error = database->GetError();
    const char* text = error != nullptr ? error->Text() : nullptr;
    return text != nullptr ? text : "";
}

std::string TrimBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

KxConfig* Configuration()
{
    KxRoot* root = KxBase::KELVOX();
    return root != nullptr ? root->GetConfig() : nullptr;
}

template <typename T>
int32_t ReadValue(const KxString path[], const char* key, T& out, bool global)
{
    KxConfig* config = Configuration();
    if (config == nullptr) {
        return KXG_E_NO_CONFIGURATION;
    }
    const KxString name(key);
    int32_t status = KX_KERNEL_E_NOT_FOUND;
    // An empty database name would end the path early and read a section that is not the database's.
    if (!path[1].IsEmpty()) {
        status = config->Get(name, out, path);
    }
    if (status == KX_KERNEL_E_NOT_FOUND && global) {
        const KxString globalPath[] = {KxString("RelationalObjectGateway"), KxString()};
        status = config->Get(name, out, globalPath);
    }
    return status;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Helpers

uint16_t KxGTraceModuleMask(const KxString& modules)
{
    const std::string text(modules.StrGet());
    uint16_t mask = 0;
    size_t position = 0;
    while (position < text.size()) {
        const size_t start = text.find_first_not_of(kModuleSeparators, position);
        if (start == std::string::npos) {
            break;
        }
        size_t end = text.find_first_of(kModuleSeparators, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string name = text.substr(start, end - start);
        for (const ModuleName& module : kModules) {
            if (name == module.name) {
                mask |= module.bits;
            }
        }
        position = end;
    }
    return mask;
}

void KxGParseLogicalName(const KxString& logicalName, KxParameterList& params)
{
    const int32_t mark = logicalName.Find('?', 0, kParameterSearchLength - 1);
    if (mark < 0) {
        return;
    }
    const std::string text(logicalName.StrGet());
    const std::string rest = text.substr(static_cast<size_t>(mark) + 1);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('&', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        const std::string item = rest.substr(start, end - start);
        const size_t equals = item.find('=');
        const std::string key = TrimBlanks(item.substr(0, equals));
        const std::string value = equals == std::string::npos ? std::string() : TrimBlanks(item.substr(equals + 1));
        if (!key.empty()) {
            params.Append(KxString(key), KxString(value));
        }
        start = end + 1;
    }
}

KxString KxGDatabaseNameOf(const KxString& logicalName)
{
    const int32_t mark = logicalName.Find('?');
    return mark < 0 ? logicalName : logicalName.Left(static_cast<uint32_t>(mark));
}

KxGatewayDBFactoryModule::KxGatewayDBFactoryModule(const KxString& fileName) : KxLoadableModule(fileName) {}

KxGatewayDBFactoryModule::~KxGatewayDBFactoryModule() = default;

// ---------------------------------------------------------------------------------------------------
// Construction

KxGatewayClient::KxGatewayClient(KxBase* base, const KxString& product)
    : base_(base),
      server_(KxString::EmptyString()),
      product_(product),
      traceBaseName_(KXG_DEFAULT_TRACE_FILE),
      threadMgr_(base != nullptr ? base->ThreadMgr() : nullptr)
{
    product_.ToLower();
    configPath_[0] = KxString("databases");
    configPath_[2] = KxString("RelationalObjectGateway");
}

KxGatewayClient::~KxGatewayClient()
{
    if (database_ != nullptr || trace_ != nullptr) {
        // A destructor cannot pass an exception on (an error listener may throw out of the close):
        // what the close reports is dropped; CloseClient has released everything by then.
        try {
            CloseClient();
        } catch (...) {
        }
    }
    if (admin_ != nullptr) {
        admin_->ForgetClient();
    }
    delete txnMgr_;
}

void KxGatewayClient::SetTransactionManager(KxGatewayTransactionMgr* manager)
{
    if (manager != txnMgr_) {
        delete txnMgr_;
        txnMgr_ = manager;
    }
}

void KxGatewayClient::ForgetAdmin(KxGatewayAdmin* admin)
{
    if (admin_ == admin) {
        admin_ = nullptr;
    }
}

KxGDatabase* KxGatewayClient::GetPoolSlot(uint16_t index) const
{
    return index < poolSlots_.size() ? poolSlots_[index] : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Configuration

int32_t KxGatewayClient::ReadConfig(const char* key, KxString& out, bool global) const
{
    return ReadValue(configPath_, key, out, global);
}

int32_t KxGatewayClient::ReadConfig(const char* key, int32_t& out, bool global) const
{
    return ReadValue(configPath_, key, out, global);
}

int32_t KxGatewayClient::ReadConfig(const char* key, uint16_t& out, bool global) const
{
    return ReadValue(configPath_, key, out, global);
}

// ---------------------------------------------------------------------------------------------------
// Trace

KxString KxGatewayClient::NextTraceFileName()
{
    KxString name(traceBaseName_);
    name << traceCounter_.fetch_add(1) << ".trc";
    return name;
}

void KxGatewayClient::OpenTrace()
{
    traceModules_ = 0;
    traceMany_ = 0;
    KxString modules;
    if (ReadConfig(KXG_CFG_TRACE_MODULES, modules) != 0 || modules.IsEmpty()) {
        return;
    }
    traceModules_ = KxGTraceModuleMask(modules);

    KxString mode;
    if (ReadConfig(KXG_CFG_TRACE_MODE, mode) == 0 && mode.Compare(KxString("MANY"), KxString::KX_IGNORECASE) == 0) {
        traceMany_ = 1;
    }
    KxString file;
    const bool named = ReadConfig(KXG_CFG_TRACE_FILE, file) == 0 && !file.IsEmpty();
    KxString fileName;
    if (traceMany_ != 0) {
        if (named) {
            traceBaseName_ = file;
        }
        fileName = NextTraceFileName();
    } else {
        fileName = named ? file : KxString(KXG_DEFAULT_TRACE_FILE) + KxString(".trc");
    }
    traceCritSect_ = KxCritSect::MakeLight("KxGTrace");
    trace_ = new KxGDatabaseTrace(fileName, traceModules_, traceCritSect_);

    const char* version = nullptr;
    const char* build = nullptr;
    const char* compilerName = nullptr;
    const char* compilerVersion = nullptr;
    GetKxVersionInfo(&version, &build, &compilerName, &compilerVersion);
    KxGDatabaseTrace& out = *trace_;
    out.BeginCriticalSection();
    out << "Tessaform Gateway Trace file (" << modules << "," << traceModules_ << ")" << '\n';
    out << "RO GW version :     RO-GW " << KXG_VERSION_MAJOR << "." << KXG_VERSION_MINOR << "."
        << KXG_VERSION_RELEASE << "." << KXG_VERSION_BUILD << "  ( " << KxGBuildStamp() << " )" << '\n';
    out << "Tessaform version :       " << version << " ( " << build << " )" << '\n';
    out << "Compiler name :      " << compilerName << " " << compilerVersion << '\n';
    out.Flush();
    out.EndCriticalSection();
}

void KxGatewayClient::DeleteTrace()
{
    delete trace_;
    trace_ = nullptr;
    delete traceCritSect_;
    traceCritSect_ = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Adapter loading

KxGDatabase* KxGatewayClient::LoadSpecificGatewayDll(const KxString& product, const KxString& server,
                                                     const KxString& database, const KxString& user,
                                                     const KxString& password, KxBase* base,
                                                     const KxParameterList* params, KxGDatabaseTrace* trace)
{
    KxString lower(product);
    lower.ToLower();
    KxString shortName("G");
    shortName += lower.Left(1);
    const KxString moduleName = DllNameClass::GetDllName(shortName);

    KxRoot* root = KxBase::KELVOX();
    KxDllManager* manager = root != nullptr ? root->GetDllManager() : nullptr;
    KxLoadableModule* module = manager != nullptr ? manager->GetLoadable(moduleName) : nullptr;
    if (module == nullptr && manager != nullptr) {
        auto* created = new KxGatewayDBFactoryModule(moduleName);
        if (manager->RegisterDll(created) == 0) {
            module = created;
        } else {
            delete created;
            module = manager->GetLoadable(moduleName);
        }
    }
    if (module == nullptr || module->Load() != 0) {
        if (trace != nullptr) {
            *trace << "Error: can't load specific ROGW DLL " << moduleName << " for database product " << product
                   << '\n';
            trace->Flush();
        }
        return nullptr;
    }

    void* entry = module->GetEntry(KxString(KXG_GET_DB_INST));
    if (entry == nullptr) {
        return nullptr;
    }
    auto getDBInst = reinterpret_cast<KxGGetDBInstFunc>(entry);
    KxGDatabase* created = getDBInst(server, database, user, password, base, const_cast<KxParameterList*>(params));
    if (created == nullptr && trace != nullptr) {
        *trace << "Error: can't create database instance using ROGW DLL " << moduleName << " for database product "
               << product << '\n';
        trace->Flush();
    }
    return created;
}

KxGDatabase* KxGatewayClient::LoadSpecificGatewayDll(const KxString& product, const KxString& server,
                                                     const KxString& database, const KxString& user,
                                                     const KxString& password, const KxParameterList* params,
                                                     KxGDatabaseTrace* trace)
{
    return LoadSpecificGatewayDll(product, server, database, user, password, nullptr, params, trace);
}

// ---------------------------------------------------------------------------------------------------
// Open, log-in, register, close

int32_t KxGatewayClient::SetServer(KxBase* /*base*/, const KxString& /*database*/, const KxString& server)
{
    server_ = server;
    return 0;
}

int32_t KxGatewayClient::LogIn()
{
    if (database_->HasLoginData(&server_) != 0) {
        return 0;
    }
    KxString user(KxString::EmptyString());
    KxString password(KxString::EmptyString());
    KxString proposed(KxString::EmptyString());
    if (database_->GetLoginUser(&server_, &proposed) >= 0 && !proposed.IsEmpty()) {
        user = proposed;
    }
    KxRoot* root = KxBase::KELVOX();
    const int32_t answer = root->CallLoginFunc(&user, &password, 0, &base_->GetDescriptor());
    if (answer != 1) {
        return KXG_E_LOGIN_REFUSED;
    }
    database_->SetUser(&user);
    database_->SetPassword(&password);
    return 0;
}

int32_t KxGatewayClient::OpenClient(const KxString& database, KxString& outName, int32_t openMode)
{
    KxGStatusScope scope(base_);
    outName = database;
    if ((openMode & 3) != 0 || base_ == nullptr || database_ != nullptr) {
        return KXG_E_NOT_IMPLEMENTED;
    }

    params_.Clear();
    KxGParseLogicalName(base_->GetLogicalName(), params_);
    const KxString databaseName = KxGDatabaseNameOf(database);
    configPath_[1] = databaseName;

    KxString service;
    localMode_ = ReadConfig(KXG_CFG_CONCURRENCY_SERVICE, service, true) == 0 && service == KxString("LOCAL") ? 1 : 0;

    DeleteTrace();
    OpenTrace();

    int32_t status = 0;
    try {
        database_ = LoadSpecificGatewayDll(product_, server_, databaseName, KxString::EmptyString(),
                                           KxString::EmptyString(), base_, &params_, trace_);
        if (database_ == nullptr) {
            status = KXG_E_ADAPTER_NOT_LOADED;
        } else {
            status = LogIn();
            if (status < 0) {
                database_->Destroy(0);
                database_ = nullptr;
            }
        }

        if (database_ != nullptr) {
            database_->SetTrace(trace_);
            // The tag closes at the end of this block, before the writer may be deleted below.
            KxGTraceTag tag(*database_, KXG_TRACE_CA, "OpenClient");
            Record(tag, "Storage type : ", product_);
            Record(tag, "Server name : ", server_);
            Record(tag, "Database name : ", databaseName);
            if (database_->OpenConnection() == 0) {
                status = FailureCode(database_, KXG_E_CANNOT_OPEN_DATABASE);
                // The server's own failure (a file it cannot open or read, say): the database cannot be
                // opened, which is what the caller is told; the server's message goes with it.
                if (status == KXG_E_RDBMS) {
                    status = KXG_E_CANNOT_OPEN_DATABASE;
                }
                Record(tag, "Error: Can't open database : ", status);
                database_->Destroy(0);
                database_ = nullptr;
            }
        }
    } catch (...) {
        // An exception out of the adapter (its error listener may throw) leaves no half-made
        // connection behind: the client stays as it was before the call.
        KxGDatabase* halfMade = database_;
        database_ = nullptr;
        if (halfMade != nullptr) {
            try {
                halfMade->Destroy(0);
            } catch (...) {
            }
        }
        DeleteTrace();
        throw;
    }

    if (status != 0) {
        DeleteTrace();
    }
    return scope.Answer(status);
}

bool KxGatewayClient::IsExclusive() const
{
    const bool noServer = admin_ == nullptr || admin_->GetConcurrencyControlServer().IsEmpty();
    return noServer && localMode_ == 0;
}

int32_t KxGatewayClient::RegisterClient()
{
    if (database_ == nullptr || base_ == nullptr) {
        return KXG_E_CANNOT_OPEN_DATABASE;
    }
    KxGTraceTag tag(*database_, KXG_TRACE_CA, "RegisterClient");
    KxString clientName(base_->GetClientName());
    int32_t id = clientId_;
    if (database_->RegisterConnection(&server_, &id, &clientName, 0, localMode_, IsExclusive() ? 1 : 0) != 0) {
        clientId_ = id;
        base_->GetNonConstClientId() = static_cast<int64_t>(id);
        return 0;
    }
    Record(tag, "Error: Can't register with database ", ErrorText(database_));
    return FailureCode(database_, KXG_E_RDBMS);
}

int32_t KxGatewayClient::CloseClient()
{
    // Every step runs even when one before it threw (an error listener may throw out of the adapter):
    // the first exception passes on once everything is closed.
    std::exception_ptr thrown;
    auto step = [&thrown](auto&& call) {
        try {
            call();
        } catch (...) {
            if (!thrown) {
                thrown = std::current_exception();
            }
        }
    };
    if (database_ != nullptr) {
        // The tag keeps the writer, which lives until the end of this function.
        KxGTraceTag tag(*database_, KXG_TRACE_CA, "CloseClient");
        // The contexts give their connections back while the pool, the trace writer and the lock
        // service still exist.
        if (txnMgr_ != nullptr) {
            step([&] { txnMgr_->CloseContexts(); });
        }
        {
            PoolSection pool(*this, "KxGatewayClient::CloseClient");
            for (KxGDatabase* pooled : poolSlots_) {
                if (pooled != nullptr) {
                    step([&] { Discard(pooled, true, true); });
                }
            }
            poolSlots_.clear();
            poolTimes_.clear();
            poolSize_ = 0;
        }
        if (txnMgr_ != nullptr) {
            step([&] { txnMgr_->DeleteLockService(); });
        }
        KxGDatabase* database = database_;
        database_ = nullptr;
        step([&] { database->UnregisterConnection(clientId_); });
        step([&] { database->CloseConnection(); });
        step([&] { database->Destroy(0); });
    }
    DeleteTrace();
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Admin and transactions

KxAdmin* KxGatewayClient::CreateAdmin(KxBase* base, int32_t flags)
{
    admin_ = new KxGatewayAdmin(this, base, flags);
    return admin_;
}

TransactionManager* KxGatewayClient::GetTransactionMgr()
{
    return txnMgr_;
}

int32_t KxGatewayClient::BeginTransaction(KxTransactionResource* resource)
{
    return txnMgr_ != nullptr ? txnMgr_->TXBegin(resource, 0) : KXG_E_NO_TRANSACTION_MGR;
}

int32_t KxGatewayClient::CommitTransaction(KxTransactionResource* resource)
{
    if (txnMgr_ == nullptr) {
        return KXG_E_NO_TRANSACTION_MGR;
    }
    if (resource != nullptr && resource->HoldsReadConsistentObjects()) {
        return KX_KERNEL_E_NOT_SUPPORTED;
    }
    KxGStatusScope scope(base_);
    return scope.Answer(txnMgr_->TXCommit(resource));
}

int32_t KxGatewayClient::AbortTransaction(KxTransactionResource* resource)
{
    KxGStatusScope scope(base_);
    return scope.Answer(txnMgr_ != nullptr ? txnMgr_->TXAbort(resource) : KXG_E_NO_TRANSACTION_MGR);
}

int32_t KxGatewayClient::CreateTransactionContext(KxTransactionResource* resource)
{
    if (txnMgr_ == nullptr) {
        return KXG_E_NO_TRANSACTION_MGR;
    }
    if (resource != nullptr && (resource->GetOptions() & KxTransactionResource::KX_TXNOPT_NO_CONTEXT) != 0) {
        return KX_KERNEL_E_NOT_SUPPORTED;
    }
    return txnMgr_->CreateTransactionContext(resource);
}

int32_t KxGatewayClient::DeleteTransactionContext(KxTransactionResource* resource)
{
    return txnMgr_ != nullptr ? txnMgr_->DeleteTransactionContext(resource) : KXG_E_NO_TRANSACTION_MGR;
}

int32_t KxGatewayClient::SetParameters(KxTransactionResource* resource, const KxParameterList* params)
{
    if (resource == nullptr || resource->GetContext() == nullptr || params == nullptr || txnMgr_ == nullptr) {
        return 0;
    }
    int32_t rows = 0;
    if (params->GetInt(KxString("ROG_RowNum"), rows) == 0) {
        if (KxGDatabase* database = txnMgr_->GetContextDatabase(resource)) {
            database->SetRowNum(rows);
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Connection pool

void KxGatewayClient::EnterPool(const char* name)
{
    if (threadMgr_ != nullptr) {
        threadMgr_->BeginCriticalSection(kPoolSection, name);
    }
}

void KxGatewayClient::LeavePool(const char* name)
{
    if (threadMgr_ != nullptr) {
        threadMgr_->EndCriticalSection(kPoolSection, name);
    }
}

void KxGatewayClient::CreatePool()
{
    int32_t size = KXG_DEFAULT_POOL_SIZE;
    ReadConfig(KXG_CFG_MAX_POOL_SIZE, size);
    if (size < 0) {
        size = 0;
    } else if (size > 0xFFFF) {
        size = 0xFFFF;
    }
    poolSize_ = static_cast<uint16_t>(size);
    poolSlots_.assign(poolSize_, nullptr);
    poolTimes_.assign(poolSize_, KxDateTime(KxDate()));

    int32_t expiration = 0;
    ReadConfig(KXG_CFG_POOL_EXPIRATION, expiration);
    poolExpiration_ = expiration;
    uint16_t checking = 0;
    ReadConfig(KXG_CFG_POOL_CHECKING, checking);
    poolChecking_ = checking;
}

void KxGatewayClient::Discard(KxGDatabase* database, bool unregister, bool close)
{
    KxGDatabaseTrace* own = traceMany_ != 0 ? database->GetTrace(0) : nullptr;
    if (unregister) {
        database->UnregisterConnection(clientId_);
    }
    if (close) {
        database->CloseConnection();
    }
    database->Destroy(0);
    // The connection is gone before its writer: nothing can write through a deleted writer.
    if (own != trace_) {
        delete own;
    }
}

void KxGatewayClient::CloseExpiredPoolConnections()
{
    if (poolExpiration_ <= 0) {
        return;
    }
    const KxDateTime now;
    uint16_t index = 0;
    while (index < poolSize_) {
        KxGDatabase* pooled = poolSlots_[index];
        if (pooled == nullptr) {
            ++index;
            continue;
        }
        const KxDateTime& since = poolTimes_[index];
        const int64_t idle = static_cast<int64_t>(since.DayDiff(now)) * 86400 - since.SecondsOfDay() + now.SecondsOfDay();
        if (idle <= poolExpiration_) {
            ++index;
            continue;
        }
        {
            KxTraceTag tag(database_ != nullptr ? database_->GetTrace(KXG_TRACE_CA) : nullptr,
                           "CloseExpiredPoolConnection");
            Record(tag, "Close pool connection ", static_cast<int32_t>(index), " after being unused for ", idle,
                   " seconds");
            Discard(pooled, true, true);
        }
        for (uint16_t later = index; later + 1 < poolSize_; ++later) {
            poolSlots_[later] = poolSlots_[later + 1];
            poolTimes_[later] = poolTimes_[later + 1];
        }
        poolSlots_[poolSize_ - 1] = nullptr;
        poolTimes_[poolSize_ - 1] = KxDateTime(KxDate());
    }
}

int32_t KxGatewayClient::GetPoolConnection(KxGDatabase** database)
{
    if (database == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    *database = nullptr;
    if (database_ == nullptr) {
        return KXG_E_NO_CONNECTION;
    }

    KxGTraceTag tag(*database_, KXG_TRACE_CA, "GetPoolConnection");
    {
        PoolSection pool(*this, "KxGatewayClient::GetPoolDatabase");
        if (poolSize_ == 0) {
            CreatePool();
        }
        CloseExpiredPoolConnections();
        for (int32_t index = static_cast<int32_t>(poolSize_) - 1; index >= 0; --index) {
            KxGDatabase* pooled = poolSlots_[index];
            if (pooled == nullptr) {
                continue;
            }
            poolSlots_[index] = nullptr;
            bool alive = false;
            try {
                alive = pooled->TestConnectionAlive(poolChecking_) != 0;
            } catch (...) {
                try {
                    Discard(pooled, false, false);
                } catch (...) {
                }
                throw;
            }
            if (alive) {
                int32_t id = 0;
                pooled->GetConnectionId(&id);
                Record(tag, "take connection ", id, " from pool at ", index);
                *database = pooled;
                return 0;
            }
            Discard(pooled, false, false);
        }
    }

    Record(tag, "create new connection");
    KxGDatabase* clone = database_->CloneConnection();
    if (clone == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    KxGDatabaseTrace* cloneTrace = trace_;
    if (traceMany_ != 0) {
        cloneTrace = new KxGDatabaseTrace(NextTraceFileName(), traceModules_, nullptr);
    }
    clone->SetTrace(cloneTrace);

    // A clone that fails is neither pooled nor handed out: it is closed when it was opened, destroyed,
    // and its own writer deleted (also when an exception passes through).
    bool opened = false;
    try {
        if (clone->OpenConnection() == 0) {
            const int32_t status = FailureCode(clone, KXG_E_NO_CONNECTION);
            Discard(clone, false, false);
            return status;
        }
        opened = true;
        KxString clientName(base_ != nullptr ? base_->GetClientName() : KxString::EmptyString());
        int32_t id = clientId_;
        if (clone->RegisterConnection(&server_, &id, &clientName, 1, localMode_, IsExclusive() ? 1 : 0) == 0) {
            const int32_t status = FailureCode(clone, KXG_E_NO_CONNECTION);
            Discard(clone, false, true);
            return status;
        }
    } catch (...) {
        try {
            Discard(clone, false, opened);
        } catch (...) {
        }
        throw;
    }
    *database = clone;
    return 0;
}

int32_t KxGatewayClient::DiscardPoolConnection(KxGDatabase* database)
{
    if (database != nullptr) {
        Discard(database, true, true);
    }
    return 0;
}

int32_t KxGatewayClient::UngetPoolConnection(KxGDatabase* database)
{
    if (database == nullptr) {
        return 0;
    }
    database->SetRowNum(0);
    if (database->TestConnectionAlive(poolChecking_) == 0) {
        Discard(database, false, false);
        return 0;
    }

    KxTraceTag tag(database_ != nullptr ? database_->GetTrace(KXG_TRACE_CA) : nullptr, "UngetPoolConnection");
    {
        PoolSection pool(*this, "KxGatewayClient::UngetPoolDatabase");
        CloseExpiredPoolConnections();
        for (uint16_t index = 0; index < poolSize_; ++index) {
            if (poolSlots_[index] == nullptr) {
                poolSlots_[index] = database;
                poolTimes_[index] = KxDateTime();
                int32_t id = 0;
                database->GetConnectionId(&id);
                Record(tag, "put connection ", id, " to pool at ", static_cast<int32_t>(index));
                return 0;
            }
        }
    }
    Record(tag, "pool is full", poolSize_);
    Discard(database, true, true);
    return 0;
}
