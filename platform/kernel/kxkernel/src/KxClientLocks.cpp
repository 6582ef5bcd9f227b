// The client calls of locks and watches, the object's state information and the persistent
// properties (persistent locks, check-outs) of a database, kept by the kernel for the process.
//
// Every database (storage brand, physical server and database name, without regard to case) has
// one record: the lock holds and watches of its objects by client (a base is a client) and its
// persistent properties. Locks that end with the transaction are taken through the storage, which
// decides conflicts among them; the kernel checks persistent locks against every other client's
// lock and transaction locks against other clients' persistent locks, with the storage's rule
// (a requested mode joins a held one when ((requested >> 6) & held & 0x3F0) is not 0).
#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxLockRegistry.h"
#include "KxObjState.h"
#include "KxObject.h"
#include "KxPersistentProperty.h"

namespace {

struct LockHold {
    KxBase* base = nullptr;   // the client; null for a persistent lock whose client ended
    uint64_t objId = 0;
    KxObjStateLockEntry entry;
    std::shared_ptr<KxPersistentLock> property;   // persistent locks only
};

struct WatchHold {
    KxBase* base = nullptr;
    uint64_t objId = 0;
    KxObjStateWatchEntry entry;
    KxMethodRef method;
};

struct DatabaseRecord {
    std::vector<LockHold> locks;
    std::vector<WatchHold> watches;
    std::vector<std::shared_ptr<KxPersistentProperty>> properties;   // oldest first
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, DatabaseRecord> databases;
};

Registry& TheRegistry()
{
    static Registry* registry = new Registry;   // outlives every base
    return *registry;
}

std::string Lower(const KxString& text)
{
    std::string s = text.IsActive() ? text.ToUtf8() : std::string();
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string DatabaseKey(const KxBase* base)
{
    return Lower(base->GetBrand()) + "$" + Lower(base->GetPhysicalServer()) + "/" + Lower(base->GetDatabaseName());
}

bool Joins(uint16_t requested, uint16_t held) { return (((requested >> 6) & held) & 0x3F0) != 0; }

// The client's entry values of a base.
void Describe(const KxBase* base, uint64_t& clientId, KxString& clientName)
{
    clientId = static_cast<uint64_t>(base->GetClientId());
    clientName = base->GetClientName();
}

// The object a call works on: 0 and its id, or why not.
int32_t Usable(const KxObject& object, KxBase*& base)
{
    base = object.GetBase();
    if (object.GetHoldCount() == 0 || object.IsDeleted() || object.GetObjId().IsNull()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    if (base == nullptr || !base->IsOpen()) {
        return KX_KERNEL_E_STATE;
    }
    return KX_KERNEL_OK;
}

}  // namespace

// ---- KxObject ---------------------------------------------------------------------------------------
int32_t KxObject::Lock(const KxLockSpec& lock, int32_t)
{
    KxBase* base = nullptr;
    int32_t rc = Usable(*this, base);
    if (rc != 0) {
        return rc;
    }
    const bool persistent = lock.GetLockType() == KxLK_PERS;
    if (!persistent && base->GetTransactionLevel() == 0) {
        return KX_KERNEL_E_STATE;
    }
    const uint64_t id = GetObjId().Get64();
    const uint16_t mode = lock.GetMode();
    Registry& registry = TheRegistry();
    std::unique_lock<std::mutex> guard(registry.mutex);
    DatabaseRecord& db = registry.databases[DatabaseKey(base)];
    LockHold* own = nullptr;
    for (LockHold& hold : db.locks) {
        if (hold.objId != id) {
            continue;
        }
        if (hold.base == base && hold.entry.mode == mode && hold.entry.type == lock.GetLockType()) {
            own = &hold;
        } else if (hold.base != base && (persistent || hold.entry.type == KxLK_PERS) && !Joins(mode, hold.entry.mode)) {
            return KX_KERNEL_E_LOCKED;
        }
    }
    // The storage takes a lock once per client and mode; further takes are counted here.
    if (!persistent && own == nullptr) {
        guard.unlock();
        rc = base->LockObject(GetRef(), lock);
        if (rc < 0) {
            return rc;
        }
        guard.lock();
        own = nullptr;
        for (LockHold& hold : db.locks) {
            if (hold.objId == id && hold.base == base && hold.entry.mode == mode && hold.entry.type == KxLK_NONPERS) {
                own = &hold;
            }
        }
    }
    if (own != nullptr) {
        ++own->entry.count;
        return KX_KERNEL_OK;
    }
    LockHold hold;
    hold.base = base;
    hold.objId = id;
    Describe(base, hold.entry.clientId, hold.entry.clientName);
    hold.entry.mode = mode;
    hold.entry.depth = lock.GetDepth();
    hold.entry.type = lock.GetLockType();
    hold.entry.count = 1;
    hold.entry.userId = base->GetUserId();
    hold.entry.userName = base->GetUserName();
    if (persistent) {
        hold.property = std::make_shared<KxPersistentLock>(GetRef(), mode, lock.GetDepth(), GetRef(), hold.entry.userName,
                                                           hold.entry.userId, hold.entry.clientName, hold.entry.clientId);
        db.properties.push_back(hold.property);
    }
    db.locks.push_back(hold);
    return KX_KERNEL_OK;
}

int32_t KxObject::Unlock(const KxLockSpec& lock, int32_t)
{
    KxBase* base = nullptr;
    int32_t rc = Usable(*this, base);
    if (rc != 0) {
        return rc;
    }
    const bool persistent = lock.GetLockType() == KxLK_PERS;
    const uint64_t id = GetObjId().Get64();
    Registry& registry = TheRegistry();
    std::unique_lock<std::mutex> guard(registry.mutex);
    DatabaseRecord& db = registry.databases[DatabaseKey(base)];
    // The client's own hold; a persistent lock whose client ended may be given back by a client of
    // the same user.
    auto mine = [&](const LockHold& hold) {
        if (hold.objId != id || hold.entry.mode != lock.GetMode() || hold.entry.type != lock.GetLockType()) {
            return false;
        }
        return hold.base == base || (persistent && hold.base == nullptr && hold.entry.userName == base->GetUserName());
    };
    auto found = std::find_if(db.locks.begin(), db.locks.end(), mine);
    if (found == db.locks.end()) {
        return KX_KERNEL_E_NOT_LOCKED;
    }
    // The storage gives the lock back with the client's last count of the mode.
    if (!persistent && found->entry.count == 1) {
        guard.unlock();
        rc = base->UnlockObject(GetRef(), lock);
        if (rc < 0) {
            return rc;
        }
        guard.lock();
        found = std::find_if(db.locks.begin(), db.locks.end(), mine);
        if (found == db.locks.end()) {
            return KX_KERNEL_OK;   // the transaction ended meanwhile
        }
    }
    if (--found->entry.count == 0) {
        if (found->property) {
            found->property->Invalidate();
            db.properties.erase(std::remove(db.properties.begin(), db.properties.end(),
                                            std::shared_ptr<KxPersistentProperty>(found->property)),
                                db.properties.end());
        }
        db.locks.erase(found);
    }
    return KX_KERNEL_OK;
}

int32_t KxObject::SetWatch(const KxWatchSpec& watch)
{
    KxBase* base = nullptr;
    const int32_t rc = Usable(*this, base);
    if (rc != 0) {
        return rc;
    }
    if ((watch.GetMode() & KxWATCH_ALL) == 0) {
        return KX_KERNEL_E_INVALID;
    }
    const uint64_t id = GetObjId().Get64();
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    DatabaseRecord& db = registry.databases[DatabaseKey(base)];
    for (WatchHold& hold : db.watches) {
        if (hold.objId == id && hold.base == base && hold.entry.mode == watch.GetMode()) {
            ++hold.entry.count;
            return KX_KERNEL_OK;
        }
    }
    WatchHold hold;
    hold.base = base;
    hold.objId = id;
    Describe(base, hold.entry.clientId, hold.entry.clientName);
    hold.entry.mode = watch.GetMode();
    hold.entry.depth = watch.GetDepth();
    hold.entry.origin = GetRef();
    hold.entry.object = KxOnDemand(GetRef(), base);
    hold.entry.count = 1;
    hold.method = watch.GetMethod();
    db.watches.push_back(hold);
    return KX_KERNEL_OK;
}

int32_t KxObject::UnsetWatch(const KxWatchSpec& watch)
{
    KxBase* base = nullptr;
    const int32_t rc = Usable(*this, base);
    if (rc != 0) {
        return rc;
    }
    const uint64_t id = GetObjId().Get64();
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    DatabaseRecord& db = registry.databases[DatabaseKey(base)];
    for (auto it = db.watches.begin(); it != db.watches.end(); ++it) {
        if (it->objId == id && it->base == base && it->entry.mode == watch.GetMode()) {
            if (--it->entry.count == 0) {
                db.watches.erase(it);
            }
            return KX_KERNEL_OK;
        }
    }
    return KX_KERNEL_E_NOT_LOCKED;
}

int32_t KxObject::GetObjectInfo(KxObjStateObjectInfo& info) const
{
    info.Clear();
    KxBase* base = GetBase();
    if (base == nullptr || GetObjId().IsNull()) {
        return KX_KERNEL_OK;
    }
    const uint64_t id = GetObjId().Get64();
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    auto db = registry.databases.find(DatabaseKey(base));
    if (db == registry.databases.end()) {
        return KX_KERNEL_OK;
    }
    uint32_t word = 0;
    for (const LockHold& hold : db->second.locks) {
        if (hold.objId == id) {
            info.GetLockList().Append(hold.entry);
        }
    }
    for (const WatchHold& hold : db->second.watches) {
        if (hold.objId == id) {
            info.GetWatchList().Append(hold.entry);
        }
    }
    for (const auto& property : db->second.properties) {
        if (property->GetObjectRef().GetObjId().Get64() == id) {
            word |= property->GetKind() == KxPersistentProperty::KX_PERSISTENT_LOCK ? KxProperties::KX_PROPERTY_PERSISTENT_LOCK
                                                                                  : KxProperties::KX_PROPERTY_CHECK_OUT;
        }
    }
    info.GetProperties().SetWord(word);
    return KX_KERNEL_OK;
}

// ---- the base's end of transaction and close ----------------------------------------------------------
void kxk::LocksTransactionEnded(KxBase* base)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    auto db = registry.databases.find(DatabaseKey(base));
    if (db == registry.databases.end()) {
        return;
    }
    auto& locks = db->second.locks;
    locks.erase(std::remove_if(locks.begin(), locks.end(),
                               [base](const LockHold& h) { return h.base == base && h.entry.type != KxLK_PERS; }),
                locks.end());
}

void kxk::LocksBaseClosed(KxBase* base)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    for (auto& [key, db] : registry.databases) {
        db.locks.erase(std::remove_if(db.locks.begin(), db.locks.end(),
                                      [base](const LockHold& h) { return h.base == base && h.entry.type != KxLK_PERS; }),
                       db.locks.end());
        for (LockHold& hold : db.locks) {
            if (hold.base == base) {
                hold.base = nullptr;
            }
        }
        db.watches.erase(std::remove_if(db.watches.begin(), db.watches.end(),
                                        [base](const WatchHold& h) { return h.base == base; }),
                         db.watches.end());
    }
}

void kxk::LocksKernelStopped()
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    for (auto& [key, db] : registry.databases) {
        for (const auto& property : db.properties) property->Invalidate();
    }
    registry.databases.clear();
}

// ---- persistent properties ------------------------------------------------------------------------------
KxPersistentProperty::~KxPersistentProperty() = default;

int32_t KxCheckOutProperty::CheckOut(KxBase* base, const KxRef& ref, const KxDateTime& workspaceId)
{
    if (base == nullptr || !base->IsOpen()) {
        return KX_KERNEL_E_STATE;
    }
    if (ref.IsInvalid() || ref.GetObjId().IsNull()) {
        return KX_KERNEL_E_INVALID;
    }
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    DatabaseRecord& db = registry.databases[DatabaseKey(base)];
    for (const auto& property : db.properties) {
        const auto* checkOut = dynamic_cast<const KxCheckOutProperty*>(property.get());
        if (checkOut != nullptr && property->GetObjectRef().GetObjId() == ref.GetObjId() &&
            checkOut->GetDateTimeValue() == workspaceId) {
            return KX_KERNEL_E_DUPLICATE;
        }
    }
    db.properties.push_back(std::make_shared<KxCheckOutProperty>(ref, workspaceId, base->GetUserName()));
    return KX_KERNEL_OK;
}

int32_t KxCheckOutProperty::CheckIn(KxBase* base, const KxRef& ref, const KxDateTime& workspaceId)
{
    if (base == nullptr || !base->IsOpen()) {
        return KX_KERNEL_E_STATE;
    }
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    DatabaseRecord& db = registry.databases[DatabaseKey(base)];
    for (auto it = db.properties.begin(); it != db.properties.end(); ++it) {
        auto* checkOut = dynamic_cast<KxCheckOutProperty*>(it->get());
        if (checkOut != nullptr && checkOut->GetObjectRef().GetObjId() == ref.GetObjId() &&
            checkOut->GetDateTimeValue() == workspaceId) {
            checkOut->Invalidate();
            db.properties.erase(it);
            return KX_KERNEL_OK;
        }
    }
    return KX_KERNEL_E_NOT_FOUND;
}

KxPersistentPropertyQuery::KxPersistentPropertyQuery(KxBase*, const KxClassId*, int32_t) {}
KxPersistentPropertyQuery::~KxPersistentPropertyQuery() = default;

void KxPersistentPropertyQuery::Setobj(const KxObject* object)
{
    restricted_ = object != nullptr;
    object_ = object != nullptr ? object->GetRef() : KxRef();
}

void KxPersistentPropertyQuery::Setobj(const KxRef& ref)
{
    restricted_ = true;
    object_ = ref;
}

KxPersistentLockQuery::KxPersistentLockQuery(KxBase*, const KxClassId*, int32_t)
    : KxPersistentPropertyQuery(KxPersistentProperty::KX_PERSISTENT_LOCK) {}
KxCheckOutPropertyQuery::KxCheckOutPropertyQuery(KxBase*, const KxClassId*, int32_t)
    : KxPersistentPropertyQuery(KxPersistentProperty::KX_CHECK_OUT) {}

int32_t KxPersistentPropertyOnDemand::Get(KxPersistentProperty*& property, int32_t, int32_t)
{
    property = nullptr;
    if (!property_ || !property_->IsValid()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    property = property_.get();
    ++holds_;
    return KX_KERNEL_OK;
}

int32_t KxPersistentPropertyOnDemand::Unget(KxPersistentProperty*& property)
{
    if (property != nullptr && holds_ > 0) {
        --holds_;
    }
    property = nullptr;
    return KX_KERNEL_OK;
}

KxPersistentPropertyOnDemandLSet::KxPersistentPropertyOnDemandLSet(KxBase*, int32_t) {}

int32_t KxPersistentPropertyOnDemandLSet::Get(KxPersistentPropertyOnDemand*& element, uint32_t index)
{
    element = index < items_.size() ? items_[index].get() : nullptr;
    return element != nullptr ? int32_t(KX_KERNEL_OK) : int32_t(KX_KERNEL_E_NO_ELEMENT);
}

int32_t KxPersistentPropertyOnDemandLSet::Unget(KxPersistentPropertyOnDemand*& element)
{
    element = nullptr;
    return KX_KERNEL_OK;
}

void KxPersistentPropertyOnDemandLSet::Append(const std::shared_ptr<KxPersistentProperty>& property)
{
    items_.push_back(std::make_unique<KxPersistentPropertyOnDemand>(property));
}

KxPersistentPropertyAllSet::~KxPersistentPropertyAllSet() = default;

int32_t KxPersistentPropertyAllSet::Query(const KxPersistentPropertyQuery& query, KxPersistentPropertyOnDemandLSet& results,
                                          int32_t, int32_t)
{
    results.Clear();
    if (base_ == nullptr || !base_->IsOpen()) {
        return KX_KERNEL_E_STATE;
    }
    if (query.GetKind() != kind_) {
        return KX_KERNEL_E_WRONG_CLASS;
    }
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    auto db = registry.databases.find(DatabaseKey(base_));
    if (db == registry.databases.end()) {
        return KX_KERNEL_OK;
    }
    for (const auto& property : db->second.properties) {
        if (property->GetKind() == kind_ &&
            (!query.IsRestricted() || property->GetObjectRef().GetObjId() == query.GetObjectRef().GetObjId())) {
            results.Append(property);
        }
    }
    return KX_KERNEL_OK;
}
