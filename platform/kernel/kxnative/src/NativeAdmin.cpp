// The admin (database, dictionary, buckets, object ids, locks, the create call) and the shell.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <new>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxMetaType.h"
#include "KxNative.h"
#include "KxObject.h"
#include "KxObjectSpace.h"
#include "KxRoot.h"
#include "NativeStorage.h"

namespace kxn {

namespace {

// Object ids a refill fetches.
constexpr int32_t kSurrogateBlock = 64;

bool IsLock(const KxLockSpec* spec) { return spec != nullptr && spec->kind != KxLockSpec::KX_LOCKSPEC_NONE; }

// Takes count ids from the id file beside the database file: the file holds the next id; a writer
// holds a lock on the file while it reads and writes it, so clients in other processes take turns.
// The next id is never below the highest stored one + 1 (the file may be lost with a copy).
int32_t TakeIds(const std::string& databaseFile, uint64_t highestStored, int32_t count, uint64_t& first,
                std::string& error)
{
    const std::string file = databaseFile.substr(0, databaseFile.rfind('/') + 1) + KXN_ID_FILE;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = file + ": cannot be opened";
        return KXN_E_STORAGE;
    }
    struct flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    int32_t status = ::fcntl(fd, F_SETLKW, &lock) == 0 ? 0 : KXN_E_STORAGE;
    char text[32] = {0};
    if (status == 0 && ::pread(fd, text, sizeof text - 1, 0) < 0) {
        status = KXN_E_STORAGE;
    }
    if (status == 0) {
        uint64_t next = std::strtoull(text, nullptr, 10);
        if (next <= highestStored) {
            next = highestStored + 1;
        }
        first = next;
        const std::string written = std::to_string(next + static_cast<uint64_t>(count)) + "\n";
        if (next + static_cast<uint64_t>(count) > KxObjId::kMaxValue ||
            ::pwrite(fd, written.data(), written.size(), 0) != static_cast<ssize_t>(written.size()) ||
            ::ftruncate(fd, static_cast<off_t>(written.size())) != 0) {
            status = KXN_E_STORAGE;
        }
    }
    if (status != 0) {
        error = file + ": the object ids cannot be taken";
    }
    ::close(fd);   // also releases the lock
    return status;
}

}  // namespace

// ---- admin --------------------------------------------------------------------------------------
int32_t Admin::OpenDatabase()
{
    if (Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    SetSurrogateCache(0, kSurrogateBlock);
    GetBucketMgr().Init(64, 0);
    const int32_t status = OpenDictionary();
    if (status != 0) {
        return connection_->Report(status, "the dictionary " + Db()->Info("dictionary") + " of " + Db()->File() +
                                               " cannot be read");
    }
    SetState(KX_ADMIN_OPEN);
    return 0;
}

int32_t Admin::CloseDatabase()
{
    SetState(KX_ADMIN_CLOSED);
    GetBucketMgr().CloseBuckets();
    return KxAdmin::CloseDatabase();
}

int32_t Admin::RegisterClass(KxMetaClass* metaClass)
{
    if (metaClass == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    auto* bucket = new (std::nothrow) Bucket(GetBase(), this, metaClass);
    return bucket != nullptr ? GetBucketMgr().RegisterBucket(metaClass->GetClassId(), bucket) : KX_KERNEL_E_NO_MEMORY;
}

int32_t Admin::FetchSurrogates(KxObjId* ids, int32_t count)
{
    if (Db() == nullptr || ids == nullptr || count <= 0) {
        return KX_KERNEL_E_STATE;
    }
    uint64_t highest = 0;
    {
        Statement max = Db()->Prepare("SELECT MAX(oid) FROM kx_objects");
        if (max.Valid() && max.Step() == SQLITE_ROW) {
            highest = static_cast<uint64_t>(max.Int(0));
        }
    }
    uint64_t first = 0;
    std::string error;
    const int32_t status = TakeIds(Db()->File(), highest, count, first, error);
    if (status != 0) {
        return connection_->Report(status, error);
    }
    for (int32_t i = 0; i < count; ++i) {
        ids[i].Set64(first + static_cast<uint64_t>(i));
    }
    return 0;
}

int32_t Admin::RecycleSurrogates(KxObjId*, int32_t) { return 0; }

int32_t Admin::ChangeLock(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec, bool acquire)
{
    // As the gateway: no watches, no lock without a spec, only specs whose first word is 0.
    if (watchSpec != nullptr && watchSpec->watch != 0) {
        return KXN_E_NOT_SUPPORTED;
    }
    if (lockSpec == nullptr) {
        return 0;
    }
    if (lockSpec->flags != 0) {
        return KXN_E_NOT_SUPPORTED;
    }
    if (Db() == nullptr || connection_->Level() == 0) {
        return KXN_E_NO_TRANSACTION;
    }
    const uint64_t oid = ref.GetObjId().Get64();
    return acquire ? LockTable::Instance().Acquire(Db()->File(), oid, connection_, lockSpec->mode)
                   : LockTable::Instance().Release(Db()->File(), oid, connection_);
}

int32_t Admin::LockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    return ChangeLock(ref, lockSpec, watchSpec, true);
}

int32_t Admin::UnlockWatch(const KxRef& ref, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    return ChangeLock(ref, lockSpec, watchSpec, false);
}

int32_t Admin::ReleaseObjectLocks(KxObject*, const KxRef& ref, const KxLockSpec* lockSpec)
{
    if (lockSpec != nullptr) {
        UnlockWatch(ref, lockSpec, nullptr);
    }
    return 0;
}

int32_t Admin::LockFor(const KxRef& ref, int32_t mode)
{
    if (Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    // Outside a transaction the lock would end with the call: there is none to take.
    if (connection_->Level() == 0) {
        return 0;
    }
    return LockTable::Instance().Acquire(Db()->File(), ref.GetObjId().Get64(), connection_, mode);
}

int32_t Admin::GetDictionaryInfo(KxString& name, KxString& server, KxDateTime& /*stamp*/)
{
    if (Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    name = KxString(Db()->Info("dictionary").c_str());
    server = KxString(Db()->Info("dictionary_server").c_str());
    return 0;
}

int32_t Admin::GetDatabaseStamp(KxDateTime& stamp)
{
    if (Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const std::string created = Db()->Info("created");
    if (std::sscanf(created.c_str(), "%d-%d-%dT%d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6) {
        return KXN_E_NOT_SUPPORTED;
    }
    stamp = KxDateTime(year, month, day, hour, minute, second);
    return 0;
}

int32_t Admin::GetDictionaryServerName(KxString& server)
{
    if (Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    server = KxString(Db()->Info("dictionary_server").c_str());
    return 0;
}

int32_t Admin::CreateDatabase(const KxString& database, const KxString& dictionary, const KxString& storage)
{
    std::string directory;
    std::string error;
    int32_t status = DirectoryOf(database, directory, error);
    if (status != 0) {
        return connection_->Report(status, error);
    }
    // The dictionary must be there: the database records its name and classes.
    KxClassDict* dict = nullptr;
    KxString why;
    status = KxBase::KELVOX()->GetDictionary(storage, dictionary, dict, &why);
    if (status != 0) {
        return connection_->Report(status, "the dictionary " + dictionary.ToUtf8() + " cannot be read: " + why.ToUtf8());
    }
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0 && ::mkdir(directory.c_str(), 0777) != 0) {
        KxBase::KELVOX()->ReleaseDictionary(dict);
        return connection_->Report(KXN_E_NO_SUCH_DATABASE, directory + ": the database directory cannot be made");
    }
    const std::string file = directory + "/" + KXN_DATABASE_FILE;
    std::unique_ptr<Database> db;
    status = Database::Open(file, true, db, error);
    const bool made = status == 0 || status != KXN_E_DATABASE_EXISTS;
    if (status == 0) {
        status = db->Exec("BEGIN");
    }
    if (status == 0) {
        const KxString server = dict->GetServer();
        status = db->SetInfo("dictionary", dictionary.ToUtf8());
        if (status == 0) status = db->SetInfo("dictionary_server", server.IsActive() ? server.ToUtf8() : "");
        if (status == 0) status = db->SetInfo("revision", std::to_string(dict->GetRevision()));
        if (status == 0) status = db->SetInfo("created", Now());
        for (uint32_t i = 0; status == 0 && i < dict->GetDescriptorCount(); ++i) {
            const KxClassDescriptor* descriptor = nullptr;
            if (dict->GetDescriptor(i, descriptor) != 0 || descriptor->GetMetaClass() == nullptr ||
                !descriptor->IsUserClass()) {
                continue;
            }
            const KxMetaClass* cls = descriptor->GetMetaClass();
            Statement insert = db->Prepare("INSERT INTO kx_classes(number, name, version) VALUES(?1, ?2, ?3)");
            insert.Bind(1, cls->GetClassNumber());
            insert.Bind(2, cls->GetName().ToUtf8());
            insert.Bind(3, cls->GetVersion());
            status = db->Status(insert.Step());
        }
        if (status == 0) {
            status = db->Exec("COMMIT");
        }
        if (status != 0) {
            error = db->Error();
        }
    }
    KxBase::KELVOX()->ReleaseDictionary(dict);
    if (status != 0 && made) {
        // A database made half-way is not left behind.
        db.reset();
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::remove((file + suffix).c_str());
        }
    }
    return status != 0 ? connection_->Report(status, error) : 0;
}

int32_t Admin::CheckObject(const KxRef& ref)
{
    if (Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    Statement stmt = Db()->Prepare("SELECT 1 FROM kx_objects WHERE oid = ?1");
    stmt.Bind(1, static_cast<int64_t>(ref.GetObjId().Get64()));
    return stmt.Step() == SQLITE_ROW ? 1 : 0;
}

KxDatabaseShell* Admin::CreateShell() { return new (std::nothrow) Shell(this); }

KxObject* Admin::InMemory(const KxRef& ref) const
{
    KxObject* object = nullptr;
    if (GetBase() != nullptr) {
        GetBase()->GetObjectMgr()->Find(ref, object);
    }
    return object;
}

const KxMetaClass* Admin::ClassOf(int64_t classNumber) const
{
    KxClassDict* dict = GetDictionary();
    if (dict == nullptr || classNumber < 0 || classNumber > 0xFFFF) {
        return nullptr;
    }
    const KxMetaType* type = dict->GetCurrentVersion(static_cast<uint16_t>(classNumber));
    return type != nullptr ? type->AsClass() : nullptr;
}

std::string Admin::ExtentClasses(uint16_t classNumber) const
{
    std::string list;
    std::vector<uint16_t> todo{classNumber};
    std::vector<uint16_t> seen;
    while (!todo.empty()) {
        const uint16_t number = todo.back();
        todo.pop_back();
        if (std::find(seen.begin(), seen.end(), number) != seen.end()) {
            continue;
        }
        seen.push_back(number);
        list += (list.empty() ? "" : ",") + std::to_string(number);
        if (const KxMetaClass* cls = ClassOf(number)) {
            todo.insert(todo.end(), cls->GetSubclasses().begin(), cls->GetSubclasses().end());
        }
    }
    return list;
}

// ---- shell --------------------------------------------------------------------------------------
int32_t Shell::GetName(KxString& name)
{
    const std::string given = name.IsActive() ? name.ToUtf8() : std::string();
    name = KxString((given + " native").c_str());
    return 0;
}

int32_t Shell::Run(KxExecutable* executable)
{
    if (executable == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    KxServerAdminShell server;
    return RunSteps(executable, server);
}

int32_t Shell::Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    const int32_t settled = Settle(watchSpec);
    return settled != 0 || !IsLock(lockSpec) ? settled : LockEachRef(*admin_, refs, mode, lockSpec, 0);
}

int32_t Shell::Unlock(KxRefCollection& refs, int32_t /*mode*/, const KxLockSpec* lockSpec, const KxWatchSpec* watchSpec)
{
    const int32_t settled = Settle(watchSpec);
    return settled != 0 || !IsLock(lockSpec) ? settled : UnlockEachRef(*admin_, refs, lockSpec, 0);
}

int32_t Shell::Settle(const KxWatchSpec* watchSpec) const
{
    if (watchSpec != nullptr && watchSpec->watch != 0) {
        return KXN_E_NOT_SUPPORTED;
    }
    return admin_->GetConnection()->Level() == 0 ? KXN_E_NO_TRANSACTION : 0;
}

int32_t Shell::Watch(KxRefCollection& refs, const KxWatchSpec*)
{
    for (KxCollectionRef& entry : refs) {
        if (IsValidRef(entry)) {
            entry.code = 0;
        }
    }
    return 0;
}

int32_t Shell::EvalLock(const KxLockSpec* given, KxLockSpec& effective)
{
    if (admin_->GetBase() != nullptr) {
        return admin_->GetBase()->EvalLock(given, effective);
    }
    effective = given != nullptr ? *given : KxLockSpec{0, 0, KxLockSpec::KX_LOCKSPEC_NONE};
    return 0;
}

int32_t Shell::EvalWatch(const KxWatchSpec* given, KxWatchSpec& effective)
{
    if (admin_->GetBase() != nullptr) {
        return admin_->GetBase()->EvalWatch(given, effective);
    }
    effective = given != nullptr ? *given : KxWatchSpec{};
    return 0;
}

int32_t Shell::Forget(int32_t status, KxRefCollection& refs)
{
    KxBase* base = admin_->GetBase();
    KxObjectSpace* space = base != nullptr ? base->GetObjectSpace() : nullptr;
    if (space != nullptr) {
        space->BeginCriticalSection();
        for (const KxCollectionRef& entry : refs) {
            if (IsValidRef(entry) && space->nts_IsInList(entry.ref) != nullptr) {
                space->nts_Remove(entry.ref);
            }
        }
        space->EndCriticalSection();
    }
    return status;
}

int32_t Shell::DeleteCollection(KxRefCollection& refs, int32_t mode, int32_t flags, const KxLockSpec* /*lockSpec*/,
                                const KxWatchSpec* watchSpec)
{
    if (watchSpec != nullptr && watchSpec->watch != 0) {
        return KXN_E_NOT_SUPPORTED;
    }
    Database* db = admin_->Db();
    if (db == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    // Mode 1: all or nothing, in a level of its own.
    int32_t status = mode == 1 ? db->Begin() : 0;
    if (status != 0) {
        return status;
    }
    int32_t result = 0;
    for (KxCollectionRef& entry : refs) {
        if (!IsValidRef(entry)) {
            continue;
        }
        if (result < 0) {
            entry.code = KXN_E_REF_NOT_EXECUTED;
            continue;
        }
        entry.code = DeleteObjects(*admin_, entry.ref, flags);
        if (entry.code < 0) {
            result = mode == 1 ? KXN_E_COLLECTION_FAILED : KXN_W_SOME_REFS_FAILED;
        }
    }
    if (mode == 1) {
        if (result < 0) {
            for (KxCollectionRef& entry : refs) {
                if (IsValidRef(entry) && entry.code == 0) {
                    entry.code = KXN_E_REF_NOT_EXECUTED;
                }
            }
        }
        status = db->End(result >= 0);
        if (status != 0 && result >= 0) {
            result = status;
        }
    }
    return result;
}

int32_t Shell::BeginTransaction(KxTransactionResource*)
{
    Database* db = admin_->Db();
    return db != nullptr ? db->Begin() : KX_KERNEL_E_STATE;
}

int32_t Shell::CommitTransaction(KxTransactionResource*)
{
    Database* db = admin_->Db();
    return db != nullptr ? db->End(true) : KX_KERNEL_E_STATE;
}

int32_t Shell::AbortTransaction(KxTransactionResource*)
{
    Database* db = admin_->Db();
    return db != nullptr ? db->End(false) : KX_KERNEL_E_STATE;
}

}  // namespace kxn
