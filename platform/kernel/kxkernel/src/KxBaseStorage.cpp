// The storage road of a base: connect to a storage module, open the database, transactions, and
// the object requests that the kernel hands to the module's buckets and database shell.
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "KxAdmin.h"
#include "KxBaseImpl.h"
#include "KxBucket.h"
#include "KxClassDict.h"
#include "KxConfig.h"
#include "KxConnection.h"
#include "KxModule.h"
#include "KxObjectWalker.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxShell.h"
#include "KernelText.h"

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
        if (object == nullptr || !visited_.insert(object).second) {
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
        return Walk(object);
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
    if (kxk::EqualsNoCase(brand, KX_OWN_BRAND)) {
        return KX_KERNEL_E_NOT_SUPPORTED;
    }

    KxDllManager* modules = KELVOX()->GetDllManager();
    const KxString file = DllNameClass::GetDllName(KxString("relgate"));
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
    auto entry = reinterpret_cast<GetFactoryFunc>(module->GetEntry(KxString("GetGatewayClientFactory")));
    KxConnectionFactory* factory = entry != nullptr ? entry(KxString(brand.c_str())) : nullptr;
    if (factory == nullptr) {
        module->Unload();
        return KX_KERNEL_E_MODULE_PROTOCOL;
    }
    st.module = module;
    st.factory = factory;
    st.brand = KxString(brand.c_str());
    st.physical = KxString(physical.c_str());
    return KX_KERNEL_OK;
}

int32_t KxBase::Open(int32_t openMode)
{
    KxBaseStorage& st = impl_->storage;
    if (st.factory == nullptr || st.connection != nullptr) {
        return KX_KERNEL_E_STATE;
    }
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
        return KX_KERNEL_OK;
    }
    // Undo what was made; the module and factory stay (the base is still connected).
    KxLoadableModule* module = st.module;
    KxConnectionFactory* factory = st.factory;
    st.module = nullptr;
    st.factory = nullptr;
    Close();
    st.module = module;
    st.factory = factory;
    return rc;
}

int32_t KxBase::Close()
{
    KxBaseStorage& st = impl_->storage;
    ForgetCursor(impl_->scanCursor);
    DropReadAhead(nullptr);
    int32_t result = KX_KERNEL_OK;
    auto keep = [&result](int32_t rc) {
        if (rc < 0 && result == KX_KERNEL_OK) {
            result = rc;
        }
    };
    if (st.transaction) {
        while (st.transaction->GetLevel() > 0) {
            keep(st.transaction->Abort());
        }
        st.transaction.reset();
    }
    // Objects still held by the caller leave the base (they keep their classes' dictionary).
    if (st.admin != nullptr) {
        GetObjectMgr()->DetachAll();
    }
    delete st.shell;
    st.shell = nullptr;
    if (st.admin != nullptr) {
        keep(st.admin->CloseDatabase());
        delete st.admin;
        st.admin = nullptr;
    }
    if (st.connection != nullptr) {
        if (st.clientOpen) {
            keep(st.connection->CloseClient());
        }
        if (GetConnection() == st.connection) {
            SetConnection(nullptr);
        }
        delete st.connection;
        st.connection = nullptr;
    }
    st.clientOpen = false;
    st.open = false;
    // The factory's code lives in the module: it goes first.
    delete st.factory;
    st.factory = nullptr;
    if (st.module != nullptr) {
        st.module->Unload();
        st.module = nullptr;
    }
    return result;
}

bool KxBase::IsOpen() const { return impl_->storage.open; }
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
    // A failed begin is ended at the connection by the transaction itself.
    const int32_t rc = st.transaction->Begin();
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
    const int32_t rc = commit ? st.transaction->Commit() : st.transaction->Abort();
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
    }
    return rc;
}

int32_t KxBase::AbortTransaction()
{
    bool ended = false;
    const int32_t rc = EndTransactionLevel(impl_->storage, false, ended);
    if (ended) {
        DropReadAhead(nullptr);
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

// Runs a bucket call inside a level of the shell's transaction. The level is ended in every case, also
// after a begin that failed: committed after a call that did not fail, else aborted.
template <typename Call>
int32_t InShellLevel(KxDatabaseShell* shell, KxTransactionResource* resource, Call call)
{
    int32_t rc = shell->BeginTransaction(resource);
    if (rc >= 0) {
        rc = call();
    }
    if (rc >= 0) {
        const int32_t committed = shell->CommitTransaction(resource);
        return committed < 0 ? committed : (rc > 0 ? rc : KX_KERNEL_OK);
    }
    shell->AbortTransaction(resource);
    return rc;
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
    return InShellLevel(st.shell, resource, [&] { return bucket->StoreObject(object, flags, resource); });
}

int32_t KxBase::GetObject(const KxRef& ref, KxObject*& object, const KxLockSpec* lockSpec,
                          const KxRefList* prefetch, const KxLockSpec* prefetchLockSpec)
{
    object = nullptr;
    if (ref.IsInvalid()) {
        return KX_KERNEL_E_INVALID;
    }
    if (GetObjectMgr()->Find(ref, object) == KX_KERNEL_OK) {
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
    // Reading along a cursor: the references it gives next are read in the same batch.
    KxRefList following;
    if (prefetch == nullptr && impl_->scanCursor != nullptr && impl_->scanRef == ref) {
        impl_->scanCursor->Following(following, kReadAheadMax);
        if (!following.empty()) {
            prefetch = &following;
        }
    }
    // Objects read ahead in the base's own transaction stay in memory until it ends.
    const bool keepAhead = prefetch != nullptr && !prefetch->empty() && impl_->storage.transaction &&
                           GetCurrentTransaction() == impl_->storage.transaction.get();
    std::vector<KxObject*> ahead;
    if (keepAhead) {
        GetObjectMgr()->SetRetainSink(&ahead, ref.GetObjId());
    }
    KxObject* read = nullptr;
    rc = bucket->GetObject(&read, ref, prefetch, lockSpec, prefetchLockSpec, resource);
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
    return InShellLevel(st.shell, resource, [&] { return bucket->DeleteObject(ref, flags, resource); });
}

int32_t KxBase::DeleteObjects(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec)
{
    KxDatabaseShell* shell = GetShell();
    if (shell == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    DropReadAhead(nullptr);
    return shell->DeleteCollection(refs, mode, 0, lockSpec, nullptr);
}

int32_t KxBase::Lock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec)
{
    KxDatabaseShell* shell = GetShell();
    return shell != nullptr ? shell->Lock(refs, mode, lockSpec, nullptr) : KX_KERNEL_E_STATE;
}

int32_t KxBase::Unlock(KxRefCollection& refs, int32_t mode, const KxLockSpec* lockSpec)
{
    KxDatabaseShell* shell = GetShell();
    return shell != nullptr ? shell->Unlock(refs, mode, lockSpec, nullptr) : KX_KERNEL_E_STATE;
}

int32_t KxBase::LockObject(const KxRef& ref, const KxLockSpec& lockSpec)
{
    KxAdmin* admin = GetAdmin();
    return admin != nullptr ? admin->LockWatch(ref, &lockSpec, nullptr) : KX_KERNEL_E_STATE;
}

int32_t KxBase::UnlockObject(const KxRef& ref, const KxLockSpec& lockSpec)
{
    KxAdmin* admin = GetAdmin();
    return admin != nullptr ? admin->UnlockWatch(ref, &lockSpec, nullptr) : KX_KERNEL_E_STATE;
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
    return bucket != nullptr ? bucket->CreateCursor(count, mode) : nullptr;
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
    const int32_t rc = bucket->SeekRd(cursor, offset, seekMode, ref, direction);
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
