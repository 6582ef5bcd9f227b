// The module's entry points, the connection factory and the connection: the database file, its
// transaction levels, object locks and the long actions.
#include <mutex>
#include <new>
#include <string>

#include "KxBase.h"
#include "KxConfig.h"
#include "KxModule.h"
#include "KxNative.h"
#include "KxRoot.h"
#include "KxTransaction.h"
#include "NativeStorage.h"
#include "w32path.h"

namespace kxn {

// ---- locks --------------------------------------------------------------------------------------
namespace {

struct Held {
    const void* owner;
    int32_t mode;
};

struct Locks {
    std::mutex mutex;
    std::map<std::string, std::map<uint64_t, std::vector<Held>>> byFile;
};

// Goes with the module: the kernel closes every connection before it unloads the module.
Locks& TheLocks()
{
    static Locks locks;
    return locks;
}

// The weakest held mode a request conflicts with.
int32_t ConflictThreshold(int32_t mode)
{
    switch (mode) {
    case 1142: return 8196;
    case 2100: return 4116;
    case 4116: return 2100;
    default: return 0;
    }
}

}  // namespace

LockTable& LockTable::Instance()
{
    static LockTable table;
    return table;
}

int32_t LockTable::Acquire(const std::string& file, uint64_t oid, const void* owner, int32_t mode)
{
    Locks& locks = TheLocks();
    std::lock_guard<std::mutex> guard(locks.mutex);
    std::vector<Held>& held = locks.byFile[file][oid];
    const int32_t threshold = ConflictThreshold(mode);
    for (const Held& h : held) {
        if (h.owner != owner && h.mode >= threshold) {
            return KXN_E_LOCK_REFUSED;
        }
    }
    held.push_back(Held{owner, mode});
    return 0;
}

int32_t LockTable::Release(const std::string& file, uint64_t oid, const void* owner)
{
    Locks& locks = TheLocks();
    std::lock_guard<std::mutex> guard(locks.mutex);
    auto f = locks.byFile.find(file);
    if (f == locks.byFile.end()) {
        return KXN_E_NO_LOCK_RELEASED;
    }
    auto o = f->second.find(oid);
    if (o == f->second.end()) {
        return KXN_E_NO_LOCK_RELEASED;
    }
    const size_t before = o->second.size();
    std::erase_if(o->second, [owner](const Held& h) { return h.owner == owner; });
    const bool released = o->second.size() != before;
    if (o->second.empty()) {
        f->second.erase(o);
    }
    if (f->second.empty()) {
        locks.byFile.erase(f);
    }
    return released ? 0 : KXN_E_NO_LOCK_RELEASED;
}

void LockTable::ReleaseAll(const std::string& file, const void* owner)
{
    Locks& locks = TheLocks();
    std::lock_guard<std::mutex> guard(locks.mutex);
    auto f = locks.byFile.find(file);
    if (f == locks.byFile.end()) {
        return;
    }
    for (auto it = f->second.begin(); it != f->second.end();) {
        std::erase_if(it->second, [owner](const Held& h) { return h.owner == owner; });
        it = it->second.empty() ? f->second.erase(it) : std::next(it);
    }
    if (f->second.empty()) {
        locks.byFile.erase(f);
    }
}

// ---- names --------------------------------------------------------------------------------------
int32_t DirectoryOf(const KxString& database, std::string& directory, std::string& error)
{
    std::string name = database.IsActive() ? database.ToUtf8() : std::string();
    name = name.substr(0, name.find('?'));
    KxConfig* config = KxBase::KELVOX()->GetConfig();
    KxString value;
    const KxString section[] = {KxString("databases"), KxString(name.c_str()), KxString()};
    if (name.empty() || config == nullptr || config->Get("name", value, section) != 0 || value.IsEmpty()) {
        error = "no entry \"name\" in [databases\\" + name + "] of the configuration";
        return KXN_E_NO_SUCH_DATABASE;
    }
    const std::string written = value.ToUtf8();
    if (w32path::ToLinux(written, directory) != 0) {
        error = "the database directory \"" + written + "\" of " + name + " is no valid path";
        return KXN_E_NO_SUCH_DATABASE;
    }
    return 0;
}

namespace {

int32_t FileOf(const KxString& database, std::string& file, std::string& error)
{
    std::string directory;
    const int32_t status = DirectoryOf(database, directory, error);
    if (status == 0) {
        file = directory + "/" + KXN_DATABASE_FILE;
    }
    return status;
}

}  // namespace

// ---- factory ------------------------------------------------------------------------------------
KxBaseConnection* Factory::CreateConnection(KxBase* base) { return new (std::nothrow) Connection(base); }

int32_t Factory::GetProductName(KxString& product) const
{
    product = brand_;
    return 0;
}

// ---- connection ---------------------------------------------------------------------------------
Connection::~Connection()
{
    if (db_) {
        LockTable::Instance().ReleaseAll(db_->File(), this);
    }
}

int32_t Connection::Report(int32_t status, const std::string& reason) const
{
    if (status < 0 && base_ != nullptr) {
        KxErrorInfo info;
        info.code = status;
        info.text = KxString(reason.c_str());
        base_->GetExcMgr()->HandleError(info);
    }
    return status;
}

int32_t Connection::SetServer(KxBase* base, const KxString& database, const KxString& /*server*/)
{
    // The physical server is not used: the configuration names each database's directory.
    if (base != nullptr) {
        base_ = base;
    }
    name_ = database.IsActive() ? database.ToUtf8() : std::string();
    return 0;
}

int32_t Connection::OpenClient(const KxString& database, KxString& outName, int32_t openMode)
{
    outName = database;
    if ((openMode & 3) != 0 || db_) {
        return KXN_E_NOT_SUPPORTED;
    }
    // The log-in: the kernel's user-name callback confirms (without one there is nothing to ask).
    KxString user;
    KxString password;
    const KxString descriptor = base_ != nullptr ? base_->GetDescriptor() : database;
    if (KxBase::KELVOX()->CallLoginFunc(&user, &password, 0, &descriptor) != 1) {
        return Report(KXN_E_LOGIN_REFUSED, "the log-in to " + database.ToUtf8() + " was not confirmed");
    }
    std::string file;
    std::string error;
    int32_t status = FileOf(database, file, error);
    if (status == 0) {
        status = Database::Open(file, false, db_, error);
    }
    return status != 0 ? Report(status, error) : 0;
}

int32_t Connection::CloseClient()
{
    if (!db_) {
        return 0;
    }
    LockTable::Instance().ReleaseAll(db_->File(), this);
    db_.reset();   // an open transaction ends with the file (rolled back)
    level_ = 0;
    failedBegins_ = 0;
    return 0;
}

KxAdmin* Connection::CreateAdmin(KxBase* base, int32_t flags)
{
    return new (std::nothrow) Admin(base != nullptr ? base : base_, this, flags);
}

int32_t Connection::CreateTransactionContext(KxTransactionResource* resource)
{
    if (resource != nullptr) {
        resource->SetContext(this);
    }
    return 0;
}

int32_t Connection::DeleteTransactionContext(KxTransactionResource* resource)
{
    if (resource != nullptr) {
        resource->SetContext(nullptr);
    }
    return 0;
}

int32_t Connection::SetParameters(KxTransactionResource*, const KxParameterList*) { return 0; }

int32_t Connection::BeginTransaction(KxTransactionResource*)
{
    if (!db_) {
        ++failedBegins_;
        return KX_KERNEL_E_STATE;
    }
    const int32_t status = db_->Begin();
    if (status != 0) {
        ++failedBegins_;
        return Report(status, db_->Error());
    }
    ++level_;
    return 0;
}

int32_t Connection::EndLevel(bool commit)
{
    if (!commit && failedBegins_ > 0) {
        --failedBegins_;   // the abort that ends a begin that failed: nothing was opened
        return 0;
    }
    if (!db_ || level_ == 0) {
        return KX_KERNEL_E_STATE;
    }
    --level_;
    const int32_t status = db_->End(commit);
    if (level_ == 0) {
        LockTable::Instance().ReleaseAll(db_->File(), this);
    }
    return status != 0 ? Report(status, db_->Error()) : 0;
}

int32_t Connection::CommitTransaction(KxTransactionResource*) { return EndLevel(true); }
int32_t Connection::AbortTransaction(KxTransactionResource*) { return EndLevel(false); }

int32_t Connection::Maintain(int32_t action, const KxString& database, int32_t /*flags*/, KxParameterSet* /*params*/)
{
    if (action < KX_MAINTAIN_UPDATE_SCHEMA || action > KX_MAINTAIN_REINDEX) {
        return KXN_E_NOT_SUPPORTED;
    }
    std::string file;
    std::string error;
    int32_t status = FileOf(database, file, error);
    if (status != 0) {
        return Report(status, error);
    }
    // The open database itself, or the named one on a file handle of its own.
    std::unique_ptr<Database> own;
    Database* db = db_ && db_->File() == file ? db_.get() : nullptr;
    if (db == nullptr) {
        status = Database::Open(file, false, own, error);
        if (status != 0) {
            return Report(status, error);
        }
        db = own.get();
    } else if (level_ > 0) {
        return KX_KERNEL_E_STATE;
    }
    const std::string name = database.ToUtf8();
    status = RunMaintenance(*db, action, name.substr(0, name.find('?')), error);
    return status != 0 ? Report(status, error) : 0;
}

}  // namespace kxn

// ---- module -------------------------------------------------------------------------------------
extern "C" int32_t KxCheckDll(int32_t /*flags*/) { return 0; }

extern "C" const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release, int32_t* build,
                                     int32_t* reserved, KxString* name, KxString* buildStamp, KxString* unknownText,
                                     int32_t* compilerVersion, KxString* compilerName, KxString* extra)
{
    auto put = [](auto* out, const auto& value) {
        if (out != nullptr) {
            *out = value;
        }
    };
    put(major, 11);
    put(minor, 0);
    put(release, 3);
    put(build, 50);
    put(reserved, 0);
    put(name, KxString(KXN_MODULE_NAME));
    put(buildStamp, KxString(__DATE__ " " __TIME__));
    put(unknownText, KxString("unknown"));
#if defined(__GNUC__) && !defined(__clang__)
    put(compilerVersion, __GNUC__ * 10000 + __GNUC_MINOR__ * 100 + __GNUC_PATCHLEVEL__);
    put(compilerName, KxString("GNU C++"));
#else
    put(compilerVersion, 0);
    put(compilerName, KxString("C++"));
#endif
    put(extra, KxString::EmptyString());
    return KXN_MODULE_DESCRIPTION;
}

extern "C" int32_t KxInitDll(int32_t /*enable*/) { return 0; }

extern "C" KxConnectionFactory* GetNativeConnectionFactory(const KxString& brand)
{
    return new (std::nothrow) kxn::Factory(brand);
}
