// The storage road of a base: connect to a storage module, open the database, transactions, and
// the object requests that the kernel hands to the module's buckets and database shell.
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "KxAdmin.h"
#include "KxBaseImpl.h"
#include "KxBucket.h"
#include "KxClient.h"
#include "KxClassDict.h"
#include "KxLockRegistry.h"
#include "KxConfig.h"
#include "KxConnection.h"
#include "KxModule.h"
#include "KxObjectWalker.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxShell.h"
#include "KernelText.h"
#include "KxHooks.h"

const char* const KxBase::KX_OWN_BRAND = "Kelvox";

namespace {

// At most this many references read ahead along a cursor with the object asked for.
constexpr uint32_t kReadAheadMax = 249;

typedef KxConnectionFactory* (*GetFactoryFunc)(const KxString& product);

// Gives ids from the admin's surrogate cache to the object and to every object without id that
// its pointer members and object sets reach.
class IdAssigner : public KxObjectWalker {
public:
    IdAssigner(KxAdmin* admin, KxObjectMgr* objects) : admin_(admin), objects_(objects) {}

    int32_t Assign(KxObject* object)
    {
        // An object whose class holds no pointer or object set (itself or in an embedded object)
        // leads to no other: nothing to remember or walk.
        const bool leads = object == nullptr || object->GetAddress() == nullptr || Leads(object->GetMetaClass());
        if (object == nullptr || (leads && !visited_.insert(object).second)) {
            return KX_KERNEL_OK;
        }
        if (object->GetObjId().IsNull()) {
            KxObjId id;
            int32_t rc = admin_->NextSurrogate(id);
            if (rc < 0) {
                return rc;
            }
            if (object->GetBase() != objects_->GetBase()) {
                rc = objects_->Attach(object);
                if (rc < 0) {
                    return rc;
                }
            }
            rc = objects_->SetId(object, id);
            if (rc < 0) {
                return rc;
            }
        }
        return leads ? Walk(object) : KX_KERNEL_OK;
    }

    static bool Leads(const KxMetaClass* metaClass)
    {
        if (metaClass == nullptr) {
            return true;   // the walk answers it
        }
        for (const KxMember* member : metaClass->GetAllMembers()) {
            switch (member->GetMemberType()) {
            case KX_MEMBER_POINTER:
            case KX_MEMBER_OBJECT_SET:
                return true;
            case KX_MEMBER_EMBEDDED:
                if (Leads(member->GetClass())) {
                    return true;
                }
                break;
            default:
                break;
            }
        }
        return false;
    }

    int32_t PointerMember(KxObject** slot, const KxMember&) override
    {
        return slot != nullptr ? Assign(*slot) : KX_KERNEL_OK;
    }

    int32_t ObjectSet(KxObjectSet* set, const KxMember&) override
    {
        for (uint32_t i = 0; set != nullptr && i < set->Count(); ++i) {
            const int32_t rc = Assign(set->Get(i));
            if (rc < 0) {
                return rc;
            }
        }
        return KX_KERNEL_OK;
    }

private:
    KxAdmin* admin_;
    KxObjectMgr* objects_;
    std::unordered_set<KxObject*> visited_;
};

}  // namespace

// ---- connect and open -------------------------------------------------------------------------
int32_t KxBase::Connect(const KxString& server)
{
    if (const int32_t hooked = kxk::HookPoint("Connect")) {
        return hooked;
    }
    KxBaseStorage& st = impl_->storage;
    if (st.factory != nullptr) {
        return KX_KERNEL_E_STATE;
    }
    KxString text = server;
    if (KxConfig* config = KELVOX()->GetConfig()) {
        const KxString path[] = {KxString("servers"), server, KxString("")};
        KxString named;
        if (config->Get(KxString("name"), named, path) == KX_KERNEL_OK && !named.IsEmpty()) {
            text = named;
        }
    }
    const std::string full = text.IsActive() ? text.ToUtf8() : std::string();
    const size_t cut = full.find_first_of("$@");
    if (cut == std::string::npos || cut == 0 || cut + 1 >= full.size()) {
        return KX_KERNEL_E_INVALID;
    }
    const std::string brand = kxk::Trim(full.substr(0, cut));
    const std::string physical = kxk::Trim(full.substr(cut + 1));
    if (brand.empty() || physical.empty()) {
        return KX_KERNEL_E_INVALID;
    }
    // The kernel's own storage is a module too, reached the way the gateway is.
    const bool own = kxk::EqualsNoCase(brand, KX_OWN_BRAND);
    const char* const moduleName = own ? "kxnative" : "relgate";
    const char* const entryName = own ? "GetNativeConnectionFactory" : "GetGatewayClientFactory";

    KxDllManager* modules = KELVOX()->GetDllManager();
    const KxString file = DllNameClass::GetDllName(KxString(moduleName));
    KxLoadableModule* module = modules->GetLoadable(file);
    if (module == nullptr) {
        module = new (std::nothrow) KxLoadableModule(file);
        if (module == nullptr) {
            return KX_KERNEL_E_NO_MEMORY;
        }
        const int32_t rc = modules->RegisterDll(module);
        if (rc != KX_KERNEL_OK) {
            delete module;
            return rc;
        }
    }
    const int32_t loaded = module->Load();
    if (loaded != 0) {
        return loaded;
    }
    KxConnectionFactory* factory = nullptr;
    try {
        auto entry = reinterpret_cast<GetFactoryFunc>(module->GetEntry(KxString(entryName)));
        factory = entry != nullptr ? entry(KxString(brand.c_str())) : nullptr;
    } catch (...) {
        module->Unload();
        throw;
    }
    if (factory == nullptr) {
        module->Unload();
        return KX_KERNEL_E_MODULE_PROTOCOL;
    }
    st.module = module;
    st.factory = factory;
    st.server = server;
    st.brand = KxString(brand.c_str());
    st.physical = KxString(physical.c_str());
    return KX_KERNEL_OK;
}

namespace {

// Takes the module and factory out of the storage record while what the open made is closed, so that
// the base stays connected; puts them back in every case.
class KeepConnected {
public:
    explicit KeepConnected(KxBaseStorage& st) : st_(st), module_(st.module), factory_(st.factory)
    {
        st.module = nullptr;
        st.factory = nullptr;
    }
    ~KeepConnected()
    {
        st_.module = module_;
        st_.factory = factory_;
    }
    KeepConnected(const KeepConnected&) = delete;
    KeepConnected& operator=(const KeepConnected&) = delete;

private:
    KxBaseStorage& st_;
    KxLoadableModule* module_;
    KxConnectionFactory* factory_;
};

}  // namespace

int32_t KxBase::Open(int32_t openMode)
{
    if (const int32_t hooked = kxk::HookPoint("Open")) {
        return hooked;
    }
    KxBaseStorage& st = impl_->storage;
    if (st.factory == nullptr || st.connection != nullptr) {
        return KX_KERNEL_E_STATE;
    }
    int32_t rc = KX_KERNEL_OK;
    try {
        rc = OpenStorage(openMode);
    } catch (...) {
        // What was made is closed again; the base stays connected. The first exception passes on.
        KeepConnected keep(st);
        try {
            CloseStorage();
        } catch (...) {
        }
        throw;
    }
    if (rc == KX_KERNEL_OK) {
        return KX_KERNEL_OK;
    }
    // Undo what was made; the module and factory stay (the base is still connected).
    KeepConnected keep(st);
    CloseStorage();
    return rc;
}

int32_t KxBase::Open(const KxString& name, int32_t mode, KxClassDict*, int32_t)
{
    if (mode != 2 || !(name == impl_->logicalName)) {
        return KX_KERNEL_E_INVALID;
    }
    return Open(0);
}

int32_t KxBase::OpenStorage(int32_t openMode)
{
    KxBaseStorage& st = impl_->storage;
    int32_t rc = KX_KERNEL_OK;
    st.connection = st.factory->CreateConnection(this);
    if (st.connection == nullptr) {
        rc = KX_KERNEL_E_NO_MEMORY;
    }
    if (rc == KX_KERNEL_OK) {
        rc = st.connection->SetServer(this, impl_->logicalName, st.physical);
    }
    if (rc == KX_KERNEL_OK) {
        KxString opened;
        rc = st.connection->OpenClient(impl_->logicalName, opened, openMode);
        st.clientOpen = rc == KX_KERNEL_OK;
    }
    if (rc == KX_KERNEL_OK) {
        SetConnection(st.connection);
        st.admin = st.connection->CreateAdmin(this, 0);
        rc = st.admin != nullptr ? st.admin->OpenDatabase() : KX_KERNEL_E_NOT_SUPPORTED;
    }
    // A bucket for every persistent class of the database's dictionary.
    KxClassDict* dict = rc == KX_KERNEL_OK ? st.admin->GetDictionary() : nullptr;
    for (uint32_t i = 0; dict != nullptr && rc == KX_KERNEL_OK && i < dict->GetDescriptorCount(); ++i) {
        const KxClassDescriptor* descriptor = nullptr;
        if (dict->GetDescriptor(i, descriptor) != KX_KERNEL_OK || descriptor == nullptr) {
            continue;
        }
        const KxMetaClass* cls = descriptor->GetMetaClass();
        if (cls == nullptr || !cls->IsPersistent() || cls->GetClassId().GetClassNumber() == 0) {
            continue;
        }
        const int32_t registered = st.admin->RegisterClass(const_cast<KxMetaClass*>(cls));
        if (registered < 0 && registered != KX_KERNEL_E_NOT_SUPPORTED) {
            rc = registered;
        }
    }
    if (rc == KX_KERNEL_OK) {
        st.shell = st.admin->CreateShell();
        st.open = true;
    }
    return rc;
}

int32_t KxBase::Close()
{
    const int32_t hooked = kxk::HookPoint("Close");
    const int32_t rc = CloseStorage();
    return hooked != 0 ? hooked : rc;
}

int32_t KxBase::Disconnect()
{
    const int32_t hooked = kxk::HookPoint("Disconnect");
    if (impl_->storage.factory == nullptr) {
        return hooked != 0 ? hooked : KX_KERNEL_E_STATE;
    }
    const int32_t rc = CloseStorage();
    return hooked != 0 ? hooked : rc;
}

int32_t KxBase::CloseStorage()
{
    KxBaseStorage& st = impl_->storage;
    // The client ends: its locks and watches go (persistent locks stay).
    kxk::LocksBaseClosed(this);
    // The walks over extents end before their storage goes; their levels end with the others below.
    for (KxAllSet* extent : impl_->extents) extent->AbandonWalk();
    ForgetCursor(impl_->scanCursor);
    DropReadAhead(nullptr);
    int32_t result = KX_KERNEL_OK;
    std::exception_ptr thrown;
    if (st.shell != nullptr) {
        try {
            DropPending();
        } catch (...) {
            thrown = std::current_exception();
        }
    }
    // Every step runs even when one before it failed or threw; the first exception passes on at the end.
    auto step = [&result, &thrown](auto&& call) {
        try {
            const int32_t rc = call();
            if (rc < 0 && result == KX_KERNEL_OK) {
                result = rc;
            }
        } catch (...) {
            if (!thrown) {
                thrown = std::current_exception();
            }
        }
    };
    if (st.transaction) {
        while (st.transaction->GetLevel() > 0) {
            const int32_t level = st.transaction->GetLevel();
            step([&] { return st.transaction->Abort(); });
            if (st.transaction->GetLevel() >= level) {
                break;   // an abort that ended nothing would never end
            }
        }
        step([&] {
            st.transaction.reset();
            return KX_KERNEL_OK;
        });
    }
    // Objects still held by the caller leave the base (they keep their classes' dictionary).
    if (st.admin != nullptr) {
        step([&] {
            GetObjectMgr()->DetachAll();
            return KX_KERNEL_OK;
        });
    }
    step([&] {
        KxDatabaseShell* shell = st.shell;
        st.shell = nullptr;
        delete shell;
        return KX_KERNEL_OK;
    });
    if (st.admin != nullptr) {
        step([&] { return st.admin->CloseDatabase(); });
        step([&] {
            KxAdmin* admin = st.admin;
            st.admin = nullptr;
            delete admin;
            return KX_KERNEL_OK;
        });
    }
    if (st.connection != nullptr) {
        if (st.clientOpen) {
            st.clientOpen = false;
            step([&] { return st.connection->CloseClient(); });
        }
        if (GetConnection() == st.connection) {
            SetConnection(nullptr);
        }
        step([&] {
            KxBaseConnection* connection = st.connection;
            st.connection = nullptr;
            delete connection;
            return KX_KERNEL_OK;
        });
    }
    st.clientOpen = false;
    st.open = false;
    // The factory's code lives in the module: it goes first.
    step([&] {
        KxConnectionFactory* factory = st.factory;
        st.factory = nullptr;
        delete factory;
        return KX_KERNEL_OK;
    });
    if (st.module != nullptr) {
        KxLoadableModule* module = st.module;
        st.module = nullptr;
        step([&] {
            module->Unload();
            return KX_KERNEL_OK;
        });
    }
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    return result;
}

int32_t KxBase::CreateDatabase(const KxString& dictionary, const KxString& dictionaryServer)
{
    if (const int32_t hooked = kxk::HookPoint("CreateDatabase")) {
        return hooked;
    }
    KxBaseStorage& st = impl_->storage;
    if (st.factory == nullptr || st.connection != nullptr) {
        return KX_KERNEL_E_STATE;
    }
    std::unique_ptr<KxBaseConnection> connection(st.factory->CreateConnection(this));
    if (!connection) {
        return KX_KERNEL_E_NO_MEMORY;
    }
    int32_t rc = connection->SetServer(this, impl_->logicalName, st.physical);
    if (rc != KX_KERNEL_OK) {
        return rc;
    }
    std::unique_ptr<KxAdmin> admin(connection->CreateAdmin(this, 0));
    if (!admin) {
        return KX_KERNEL_E_NOT_SUPPORTED;
    }
    return admin->CreateDatabase(impl_->logicalName, dictionary, dictionaryServer);
}

// ---- long actions -------------------------------------------------------------------------------
int32_t KxBase::RunMaintenance(const char* hook, int32_t action, const KxString& database, int32_t flags,
                               KxParameterSet* params)
{
    if (const int32_t hooked = kxk::HookPoint(hook)) {
        return hooked;
    }
    KxBaseStorage& st = impl_->storage;
    if (st.factory == nullptr || GetTransactionLevel() > 0) {
        return KX_KERNEL_E_STATE;
    }
    if (st.open && st.connection != nullptr) {
        return st.connection->Maintain(action, database, flags, params);
    }
    // A connected base: a connection of its own names the server, as Open would.
    std::unique_ptr<KxBaseConnection> connection(st.factory->CreateConnection(this));
    if (!connection) {
        return KX_KERNEL_E_NO_MEMORY;
    }
    const int32_t rc = connection->SetServer(this, impl_->logicalName, st.physical);
    return rc != KX_KERNEL_OK ? rc : connection->Maintain(action, database, flags, params);
}

int32_t KxBase::UpdateSchema(const KxString& database, int32_t flags, KxParameterSet* params)
{
    return RunMaintenance("UpdateSchema", KX_MAINTAIN_UPDATE_SCHEMA, database, flags, params);
}

int32_t KxBase::VersAll(const KxString& database, int32_t flags, KxParameterSet* params)
{
    return RunMaintenance("VersAll", KX_MAINTAIN_VERS_ALL, database, flags, params);
}

int32_t KxBase::Reorg(const KxString& database, int32_t flags, KxParameterSet* params)
{
    return RunMaintenance("Reorg", KX_MAINTAIN_REORG, database, flags, params);
}

int32_t KxBase::ReIndex(const KxString& database, int32_t flags, KxParameterSet* params)
{
    return RunMaintenance("ReIndex", KX_MAINTAIN_REINDEX, database, flags, params);
}

bool KxBase::IsOpen() const { return impl_->storage.open; }
int32_t KxBase::GetState() const { return impl_->storage.open ? 2 : (impl_->storage.factory != nullptr ? 1 : 0); }
bool KxBase::IsConnected() const { return impl_->storage.factory != nullptr; }
const KxString& KxBase::GetBrand() const { return impl_->storage.brand; }
const KxString& KxBase::GetPhysicalServer() const { return impl_->storage.physical; }
KxConnectionFactory* KxBase::GetConnectionFactory() const { return impl_->storage.factory; }
KxAdmin* KxBase::GetAdmin() const { return impl_->storage.open ? impl_->storage.admin : nullptr; }
KxDatabaseShell* KxBase::GetShell() const { return impl_->storage.open ? impl_->storage.shell : nullptr; }

KxClassDict* KxBase::GetDictionary() const
{
    KxAdmin* admin = GetAdmin();
    return admin != nullptr ? admin->GetDictionary() : nullptr;
}

KxBucket* KxBase::GetBucket(const KxClassId& classId) const
{
    KxAdmin* admin = GetAdmin();
    KxBucket* bucket = nullptr;
    if (admin == nullptr || admin->GetBucketMgr().GetBucket(classId, bucket, 1) != KX_KERNEL_OK) {
        return nullptr;
    }
    return bucket;
}

// ---- transactions -------------------------------------------------------------------------------
int32_t KxBase::BeginTransaction()
{
    KxBaseStorage& st = impl_->storage;
    if (!st.open) {
        return KX_KERNEL_E_STATE;
    }
    if (!st.transaction) {
        st.transaction.reset(new (std::nothrow) KxTransaction(false));
        if (!st.transaction) {
            return KX_KERNEL_E_NO_MEMORY;
        }
        if (st.transaction->GetResource(this) == nullptr) {
            const int32_t rc = st.transaction->GetLastStatus();
            st.transaction.reset();
            return rc < 0 ? rc : KX_KERNEL_E_STATE;
        }
    }
    // A failed begin is ended at the connection by the transaction itself (also one that throws).
    int32_t rc = KX_KERNEL_OK;
    try {
        rc = st.transaction->Begin();
    } catch (...) {
        if (st.transaction->GetLevel() == 0) {
            st.transaction.reset();
        }
        throw;
    }
    if (rc < 0 && st.transaction->GetLevel() == 0) {
        st.transaction.reset();
    }
    return rc < 0 ? rc : KX_KERNEL_OK;
}

namespace {

// Commits or aborts one level of the base's transaction; the transaction goes when no level is left
// (ended tells the caller so).
int32_t EndTransactionLevel(KxBaseStorage& st, bool commit, bool& ended)
{
    ended = false;
    if (!st.transaction || st.transaction->GetLevel() == 0) {
        return KX_KERNEL_E_STATE;
    }
    int32_t rc = KX_KERNEL_OK;
    try {
        rc = commit ? st.transaction->Commit() : st.transaction->Abort();
    } catch (...) {
        // The level is over at the kernel (KxTransaction ends it when a connection throws).
        if (st.transaction->GetLevel() == 0) {
            st.transaction.reset();
        }
        throw;
    }
    if (st.transaction->GetLevel() == 0) {
        st.transaction.reset();
        ended = true;
    }
    return rc < 0 ? rc : KX_KERNEL_OK;
}

}  // namespace

int32_t KxBase::CommitTransaction()
{
    bool ended = false;
    const int32_t rc = EndTransactionLevel(impl_->storage, true, ended);
    if (ended) {
        DropReadAhead(nullptr);
        kxk::LocksTransactionEnded(this);
    }
    return rc;
}

int32_t KxBase::AbortTransaction()
{
    bool ended = false;
    const int32_t rc = EndTransactionLevel(impl_->storage, false, ended);
    if (ended) {
        DropReadAhead(nullptr);
        kxk::LocksTransactionEnded(this);
    }
    return rc;
}

int32_t KxBase::GetTransactionLevel() const
{
    const KxBaseStorage& st = impl_->storage;
    return st.transaction ? st.transaction->GetLevel() : 0;
}

// ---- objects --------------------------------------------------------------------------------------
namespace {

// The resource of the base's current transaction; null (and status set) when there is none.
KxTransactionResource* CurrentResource(KxBase* base, int32_t& status)
{
    KxTransaction* txn = base->GetCurrentTransaction();
    if (txn == nullptr || txn->GetLevel() == 0) {
        status = KX_KERNEL_E_STATE;
        return nullptr;
    }
    KxTransactionResource* resource = txn->GetResource(base);
    status = resource != nullptr ? KX_KERNEL_OK : txn->GetLastStatus();
    if (resource == nullptr && status >= 0) {
        status = KX_KERNEL_E_STATE;
    }
    return resource;
}

// The resource of the current transaction and the bucket of the class: KX_KERNEL_OK, the resource's
// status, or KX_KERNEL_E_NOT_FOUND without a bucket.
int32_t ResourceAndBucket(KxBase* base, const KxClassId& classId, KxTransactionResource*& resource,
                          KxBucket*& bucket)
{
    int32_t rc = KX_KERNEL_OK;
    resource = CurrentResource(base, rc);
    if (resource == nullptr) {
        return rc;
    }
    bucket = base->GetBucket(classId);
    return bucket != nullptr ? KX_KERNEL_OK : KX_KERNEL_E_NOT_FOUND;
}

}  // namespace

int32_t KxBase::StoreObject(KxObject* object, int32_t flags)
{
    KxBaseStorage& st = impl_->storage;
    if (object == nullptr || object->GetMetaClass() == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    if (!st.open || st.shell == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    KxTransactionResource* resource = nullptr;
    KxBucket* bucket = nullptr;
    int32_t rc = ResourceAndBucket(this, object->GetMetaClass()->GetClassId(), resource, bucket);
    if (rc != KX_KERNEL_OK) {
        return rc;
    }
    IdAssigner ids(st.admin, GetObjectMgr());
    rc = ids.Assign(object);
    if (rc < 0) {
        return rc;
    }
    // One captured address: the call fits in the function object without a block of its own.
    struct {
        KxBucket* bucket;
        KxObject* object;
        int32_t flags;
        KxTransactionResource* resource;
    } store{bucket, object, flags, resource};
    rc = CallPending(resource, KxPendingWork::STORES,
                     [&store] { return store.bucket->StoreObject(store.object, store.flags, store.resource); });
    if (rc < 0) {
        return rc;
    }
    object->Hold();
    impl_->pending.stores.emplace_back(object, flags);
    return rc;
}

int32_t KxBase::GetObject(const KxRef& ref, KxObject*& object, const KxLockSpec* lockSpec,
                          const KxRefList* prefetch, const KxLockSpec* prefetchLockSpec)
{
    object = nullptr;
    if (ref.IsInvalid()) {
        return KX_KERNEL_E_INVALID;
    }
    if (GetObjectMgr()->Find(ref, object) == KX_KERNEL_OK) {
        // Handed on along the scan: the kernel lets go of it and of those read ahead before it.
        if (impl_->scanCursor != nullptr && impl_->scanRef == ref) {
            DropReadAheadUpTo(ref);
        }
        return KX_KERNEL_OK;
    }
    return ReadObject(ref, object, nullptr, lockSpec, prefetch, prefetchLockSpec);
}

int32_t KxBase::ReadObject(const KxRef& ref, KxObject*& object, KxTransactionResource* resource,
                           const KxLockSpec* lockSpec, const KxRefList* prefetch, const KxLockSpec* prefetchLockSpec)
{
    object = nullptr;
    if (!impl_->storage.open) {
        return KX_KERNEL_E_STATE;
    }
    KxBucket* bucket = nullptr;
    int32_t rc = KX_KERNEL_OK;
    if (resource == nullptr) {
        rc = ResourceAndBucket(this, ref.GetClassId(), resource, bucket);
    } else {
        bucket = GetBucket(ref.GetClassId());
        rc = bucket != nullptr ? KX_KERNEL_OK : KX_KERNEL_E_NOT_FOUND;
    }
    if (rc != KX_KERNEL_OK) {
        return rc;
    }
    // A read from storage sees the transaction's pending work.
    rc = WritePending();
    if (rc < 0) {
        return rc;
    }
    // Reading along a cursor: the references it gives next are read in the same batch.
    struct Spare {
        std::vector<KxRef>& following;
        std::vector<KxObject*>& ahead;
        std::vector<KxRef>& keptFollowing;
        std::vector<KxObject*>& keptAhead;
        ~Spare()
        {
            following.clear();
            ahead.clear();
            following.swap(keptFollowing);
            ahead.swap(keptAhead);
        }
    };
    KxRefList following;
    std::vector<KxObject*> ahead;
    following.swap(impl_->spareFollowing);
    ahead.swap(impl_->spareAhead);
    const Spare spare{following, ahead, impl_->spareFollowing, impl_->spareAhead};
    if (prefetch == nullptr && impl_->scanCursor != nullptr && impl_->scanRef == ref) {
        impl_->scanCursor->Following(following, kReadAheadMax);
        if (!following.empty()) {
            prefetch = &following;
        }
    }
    // Objects read ahead in the base's own transaction stay in memory until it ends.
    const bool keepAhead = prefetch != nullptr && !prefetch->empty() && impl_->storage.transaction &&
                           GetCurrentTransaction() == impl_->storage.transaction.get();
    if (keepAhead) {
        ahead.reserve(prefetch->size());
        GetObjectMgr()->SetRetainSink(&ahead, ref.GetObjId());
    }
    KxObject* read = nullptr;
    try {
        rc = bucket->GetObject(&read, ref, prefetch, lockSpec, prefetchLockSpec, resource);
    } catch (...) {
        // Nothing read stays held: the objects read ahead so far and the asked one go.
        GetObjectMgr()->SetRetainSink(nullptr, KxObjId());
        for (KxObject* object : ahead) {
            object->Release();
        }
        if (read != nullptr) {
            read->Release();
        }
        throw;
    }
    if (keepAhead) {
        GetObjectMgr()->SetRetainSink(nullptr, KxObjId());
        for (KxObject* object : ahead) {
            if (rc >= 0 && read != nullptr && (object->GetState() & KX_STATE_HAS_ROW) != 0) {
                impl_->readAhead.push_back(object);
            } else {
                object->Release();
            }
        }
    }
    if (rc < 0) {
        if (read != nullptr) {
            read->Release();
        }
        return rc;
    }
    if (read == nullptr) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    object = read;
    return rc;
}

int32_t KxBase::DeleteObject(const KxRef& ref, int32_t flags)
{
    KxBaseStorage& st = impl_->storage;
    DropReadAhead(&ref);
    if (ref.IsInvalid()) {
        return KX_KERNEL_E_INVALID;
    }
    if (!st.open || st.shell == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    KxTransactionResource* resource = nullptr;
    KxBucket* bucket = nullptr;
    int32_t rc = ResourceAndBucket(this, ref.GetClassId(), resource, bucket);
    if (rc != KX_KERNEL_OK) {
        return rc;
    }
    rc = CallPending(resource, KxPendingWork::DELETES, [&] { return bucket->DeleteObject(ref, flags, resource); });
    if (rc < 0) {
        return rc;
    }
    impl_->pending.deletes.emplace_back(ref, flags);
    return rc;
}

// ---- the pending level ------------------------------------------------------------------------------
namespace {

// Lets go of what a pending level kept.
void ReleaseKept(std::vector<std::pair<KxObject*, int32_t>>& stores)
{
    for (auto& kept : stores) {
        kept.first->Release();
    }
    stores.clear();
}

}  // namespace

uint32_t KxBase::GetPendingCount() const { return static_cast<uint32_t>(impl_->pending.Count()); }

int32_t KxBase::CallPending(KxTransactionResource* resource, int kind, const std::function<int32_t()>& call)
{
    int32_t rc = OpenPending(resource, kind);
    if (rc < 0) {
        return rc;
    }
    try {
        rc = call();
    } catch (...) {
        RedoPending();
        throw;
    }
    if (rc < 0) {
        // What the call registered before it failed goes; the work pending before it stays.
        const int32_t redone = RedoPending();
        return redone < 0 ? redone : rc;
    }
    return rc;
}

int32_t KxBase::OpenPending(KxTransactionResource* resource, int kind)
{
    KxPendingWork& work = impl_->pending;
    if (work.resource != nullptr &&
        (work.resource != resource || work.kind != kind || work.Count() >= KX_PENDING_MAX)) {
        const int32_t written = WritePending();
        if (written < 0) {
            return written;
        }
    }
    if (work.resource == nullptr) {
        KxDatabaseShell* shell = impl_->storage.shell;
        // A begin that failed is ended with an abort, also one that throws.
        int32_t rc = KX_KERNEL_OK;
        try {
            rc = shell->BeginTransaction(resource);
        } catch (...) {
            try {
                shell->AbortTransaction(resource);
            } catch (...) {
            }
            throw;
        }
        if (rc < 0) {
            shell->AbortTransaction(resource);
            return rc;
        }
        work.resource = resource;
    }
    work.kind = static_cast<KxPendingWork::Kind>(kind);
    return KX_KERNEL_OK;
}

int32_t KxBase::WritePending()
{
    KxPendingWork& work = impl_->pending;
    if (work.resource == nullptr) {
        return KX_KERNEL_OK;
    }
    KxTransactionResource* resource = work.resource;
    work.resource = nullptr;
    work.kind = KxPendingWork::NONE;
    work.deletes.clear();
    // The level is over at the module when its commit answers, failed or not.
    int32_t rc = KX_KERNEL_OK;
    try {
        rc = impl_->storage.shell->CommitTransaction(resource);
    } catch (...) {
        ReleaseKept(work.stores);
        throw;
    }
    ReleaseKept(work.stores);
    if (rc >= 0) {
        return KX_KERNEL_OK;
    }
    // The module has rolled the level back; the caller learns what happened from the status text.
    const KxErrorInfo last = GetExcMgr()->GetLastError();
    std::string text = "nothing was written: the transaction's pending stores and deletes failed and were rolled back";
    if (last.code == rc && last.text.IsActive() && !last.text.IsEmpty()) {
        text += " (" + last.text.ToUtf8() + ")";
    }
    KxErrorInfo info;
    info.code = rc;
    info.text = KxString::FromUtf8(text);
    GetExcMgr()->HandleError(info);
    return rc;
}

void KxBase::DropPending()
{
    KxPendingWork& work = impl_->pending;
    if (work.resource == nullptr) {
        return;
    }
    KxTransactionResource* resource = work.resource;
    work.resource = nullptr;
    work.kind = KxPendingWork::NONE;
    work.deletes.clear();
    try {
        impl_->storage.shell->AbortTransaction(resource);
    } catch (...) {
        ReleaseKept(work.stores);
        throw;
    }
    ReleaseKept(work.stores);
}

int32_t KxBase::EndPending(KxTransactionResource* resource, bool write)
{
    if (resource == nullptr || impl_->pending.resource != resource) {
        return KX_KERNEL_OK;
    }
    if (write) {
        return WritePending();
    }
    DropPending();
    return KX_KERNEL_OK;
}

int32_t KxBase::RedoPending()
{
    KxPendingWork& work = impl_->pending;
    KxTransactionResource* resource = work.resource;
    if (resource == nullptr) {
        return KX_KERNEL_OK;
    }
    const int kind = work.kind;
    std::vector<std::pair<KxObject*, int32_t>> stores;
    std::vector<std::pair<KxRef, int32_t>> deletes;
    stores.swap(work.stores);
    deletes.swap(work.deletes);
    work.resource = nullptr;
    work.kind = KxPendingWork::NONE;
    // The abort gives the objects their states from before the level.
    try {
        impl_->storage.shell->AbortTransaction(resource);
    } catch (...) {
        ReleaseKept(stores);
        throw;
    }
    int32_t rc = KX_KERNEL_OK;
    if (!stores.empty() || !deletes.empty()) {
        rc = OpenPending(resource, kind);
    }
    size_t done = 0;
    try {
        for (; rc >= 0 && done < stores.size(); ++done) {
            KxObject* object = stores[done].first;
            KxBucket* bucket = GetBucket(object->GetMetaClass()->GetClassId());
            rc = bucket != nullptr ? bucket->StoreObject(object, stores[done].second, resource) : KX_KERNEL_E_NOT_FOUND;
            if (rc >= 0) {
                work.stores.push_back(stores[done]);
                stores[done].first = nullptr;
            }
        }
        for (const auto& [ref, flags] : deletes) {
            if (rc < 0) {
                break;
            }
            KxBucket* bucket = GetBucket(ref.GetClassId());
            rc = bucket != nullptr ? bucket->DeleteObject(ref, flags, resource) : KX_KERNEL_E_NOT_FOUND;
            if (rc >= 0) {
                work.deletes.emplace_back(ref, flags);
            }
        }
    } catch (...) {
        for (auto& kept : stores) {
            if (kept.first != nullptr) {
                kept.first->Release();
            }
        }
        throw;
    }
    for (auto& kept : stores) {
        if (kept.first != nullptr) {
            kept.first->Release();
        }
    }
    if (rc < 0) {
        DropPending();
        return rc;
    }
    return KX_KERNEL_OK;
}

int32_t KxBase::DeleteObjects(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec)
{
    KxDatabaseShell* shell = GetShell();
    if (shell == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const int32_t written = WritePending();
    if (written < 0) {
        return written;
    }
    DropReadAhead(nullptr);
    return shell->DeleteCollection(refs, mode, 0, lockSpec, nullptr);
}

int32_t KxBase::Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec)
{
    KxDatabaseShell* shell = GetShell();
    if (shell == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const int32_t written = WritePending();
    return written < 0 ? written : shell->Lock(refs, mode, lockSpec, nullptr);
}

int32_t KxBase::Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec)
{
    KxDatabaseShell* shell = GetShell();
    if (shell == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const int32_t written = WritePending();
    return written < 0 ? written : shell->Unlock(refs, mode, lockSpec, nullptr);
}

int32_t KxBase::LockObject(const KxRef& ref, const KxLockSpec& lockSpec)
{
    KxAdmin* admin = GetAdmin();
    if (admin == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const int32_t written = WritePending();
    return written < 0 ? written : admin->LockWatch(ref, &lockSpec, nullptr);
}

int32_t KxBase::UnlockObject(const KxRef& ref, const KxLockSpec& lockSpec)
{
    KxAdmin* admin = GetAdmin();
    if (admin == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const int32_t written = WritePending();
    return written < 0 ? written : admin->UnlockWatch(ref, &lockSpec, nullptr);
}

int32_t KxBase::Query(KxQuery& query, KxRefList& result, const KxLockSpec* lockSpec)
{
    if (!impl_->storage.open) {
        return KX_KERNEL_E_STATE;
    }
    KxBucket* bucket = GetBucket(query.GetClassId());
    if (bucket == nullptr) {
        return KX_KERNEL_E_NOT_FOUND;
    }
    const int32_t written = WritePending();
    if (written < 0) {
        return written;
    }
    return bucket->Query(query.GetClassId(), &query, lockSpec, &result);
}

int32_t KxBase::GetExtentCount(const KxClassId& classId, int32_t& count)
{
    count = 0;
    if (!impl_->storage.open) {
        return KX_KERNEL_E_STATE;
    }
    KxBucket* bucket = GetBucket(classId);
    if (bucket == nullptr) {
        return KX_KERNEL_E_NOT_FOUND;
    }
    const int32_t written = WritePending();
    if (written < 0) {
        return written;
    }
    const int32_t rc = bucket->GetNum(count, 0);
    if (rc < 0) {
        count = 0;
        return rc;
    }
    if (rc > 0) {
        count = rc;
    }
    return KX_KERNEL_OK;
}

KxBucketCru* KxBase::CreateCursor(const KxClassId& classId, int32_t& count, int32_t mode)
{
    count = 0;
    KxBucket* bucket = impl_->storage.open ? GetBucket(classId) : nullptr;
    if (bucket == nullptr || WritePending() < 0) {
        return nullptr;
    }
    return bucket->CreateCursor(count, mode);
}

int32_t KxBase::Seek(const KxClassId& classId, KxBucketCru* cursor, int32_t offset, int32_t seekMode,
                     KxRef& ref, int32_t direction)
{
    if (!impl_->storage.open) {
        return KX_KERNEL_E_STATE;
    }
    KxBucket* bucket = GetBucket(classId);
    if (bucket == nullptr) {
        return KX_KERNEL_E_NOT_FOUND;
    }
    const int32_t written = WritePending();
    if (written < 0) {
        return written;
    }
    // The scan reads whole rows (SeekGet, no lock): a storage that caches them serves the GetObject
    // of the references it gives without another statement. A storage without it seeks as SeekRd.
    int32_t found = 0;
    int32_t rc = bucket->SeekGet(cursor, offset, seekMode, ref, nullptr, found, direction);
    if (rc == KX_KERNEL_E_NOT_SUPPORTED) {
        rc = bucket->SeekRd(cursor, offset, seekMode, ref, direction);
    }
    if (rc == KX_KERNEL_OK && cursor != nullptr) {
        if (cursor->scanBase_ != nullptr && cursor->scanBase_ != this) {
            cursor->scanBase_->ForgetCursor(cursor);
        }
        if (impl_->scanCursor != nullptr && impl_->scanCursor != cursor) {
            ForgetCursor(impl_->scanCursor);
        }
        impl_->scanCursor = cursor;
        impl_->scanRef = ref;
        cursor->scanBase_ = this;
    }
    return rc;
}
