// The bucket of a class (queries, counts, cursors, and the object calls) and its cursor.
#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxMetaType.h"
#include "KxNative.h"
#include "KxObject.h"
#include "KxObjectSpace.h"
#include "NativeFormat.h"
#include "NativeQuery.h"
#include "NativeStorage.h"

namespace kxn {

namespace {

bool IsLock(const KxLockSpec* spec) { return spec != nullptr && spec->kind != KxLockSpec::KX_LOCKSPEC_NONE; }

// Seek modes and the prefetch limit, as the gateway's.
enum : int32_t { kFromStart = 0, kRelative = 1, kFromEnd = 2 };
constexpr size_t kMaxPrefetch = 248;

// Object-id key types of searches.
bool IsIdType(uint8_t type) { return type == KX_TYPE_OBJID || type == KX_TYPE_OBJID2; }

bool Satisfies(int order, int32_t comparison)
{
    switch (comparison & ~0xC00) {
    case 1:
    case 16: return order == 0;
    case 2: return order < 0;
    case 3: return order <= 0;
    case 4: return order > 0;
    case 5: return order >= 0;
    default: return false;
    }
}


}  // namespace

// ---- bucket -------------------------------------------------------------------------------------
int32_t Bucket::Select(KxQuery* query, KxRefList& refs)
{
    Database* db = admin_->Db();
    if (db == nullptr || admin_->GetDictionary() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const std::string classes = admin_->ExtentClasses(class_->GetClassNumber());
    QueryPlan plan;
    if (query != nullptr) {
        const int32_t prepared = plan.Prepare(*query, *admin_->GetDictionary());
        if (prepared != 0) {
            return prepared;
        }
    }
    Statement stmt = db->Prepare(std::string("SELECT oid, class") + (query != nullptr ? ", data" : "") +
                                 " FROM kx_objects WHERE class IN (" + classes + ") ORDER BY oid");
    if (!stmt.Valid()) {
        return admin_->GetConnection()->Report(KXN_E_STORAGE, db->Error());
    }
    struct Found {
        KxRef ref;
        std::vector<Scalar> sort;
    };
    std::vector<Found> found;
    int rc = SQLITE_ROW;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
        const KxMetaClass* cls = admin_->ClassOf(stmt.Int(1));
        if (cls == nullptr) {
            continue;
        }
        KxObjId id;
        id.Set64(static_cast<uint64_t>(stmt.Int(0)));
        Found one{KxRef(id, cls->GetClassId()), {}};
        if (query != nullptr) {
            uint8_t* instance = cls->NewInstance();
            if (instance == nullptr) {
                return KX_KERNEL_E_NO_MEMORY;
            }
            std::vector<Fixup> fixups;   // references are not read: a comparison takes their object ids
            bool keep = Decode(stmt.Blob(2), *cls, instance, nullptr, fixups);
            if (keep) {
                std::map<const void*, KxRef> pointers;
                for (const Fixup& fix : fixups) {
                    if (fix.slot != nullptr && !fix.refs.empty()) {
                        pointers[fix.slot] = fix.refs.front();
                    }
                }
                keep = plan.Matches(*cls, instance, &pointers);
            }
            if (keep && plan.HasSort()) {
                one.sort = plan.SortValues(*cls, instance);
            }
            cls->DeleteInstance(instance);
            if (!keep) {
                continue;
            }
        }
        found.push_back(std::move(one));
    }
    if (rc != SQLITE_DONE) {
        return admin_->GetConnection()->Report(db->Status(rc), db->Error());
    }
    if (plan.HasSort()) {
        std::stable_sort(found.begin(), found.end(),
                         [&plan](const Found& a, const Found& b) { return plan.CompareSort(a.sort, b.sort) < 0; });
    }
    for (Found& one : found) {
        refs.push_back(one.ref);
    }
    return 0;
}

KxBucketCru* Bucket::CreateCursor(int32_t& count, int32_t mode)
{
    count = 0;
    auto* cursor = new (std::nothrow) Cursor(this, mode);
    if (cursor == nullptr || cursor->Fill(nullptr) != 0) {
        delete cursor;
        return nullptr;
    }
    cursor->Count(count);
    return cursor;
}

int32_t Bucket::GetNum(int32_t& count, int32_t /*mode*/)
{
    count = 0;
    Database* db = admin_->Db();
    if (db == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    Statement stmt =
        db->Prepare("SELECT COUNT(*) FROM kx_objects WHERE class IN (" + admin_->ExtentClasses(class_->GetClassNumber()) + ")");
    const int rc = stmt.Valid() ? stmt.Step() : SQLITE_ERROR;
    if (rc != SQLITE_ROW) {
        return admin_->GetConnection()->Report(stmt.Valid() ? db->Status(rc) : KXN_E_STORAGE, db->Error());
    }
    count = static_cast<int32_t>(stmt.Int(0));
    return 0;
}

int32_t Bucket::SeekRd(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, int32_t direction)
{
    auto* own = dynamic_cast<Cursor*>(cursor);
    if (direction == KX_SEEK_BACKWARD) {
        offset = -offset;
        seekMode = seekMode == kFromStart ? kFromEnd : seekMode == kFromEnd ? kFromStart : seekMode;
    }
    if (own == nullptr) {
        return KXN_E_NO_CURSOR;
    }
    return own->Seek(offset, seekMode, ref);
}

int32_t Bucket::SeekGet(KxBucketCru* cursor, int32_t offset, int32_t seekMode, KxRef& ref, const KxLockSpec* lockSpec,
                        int32_t& found, int32_t direction)
{
    found = 0;
    const int32_t status = SeekRd(cursor, offset, seekMode, ref, direction);
    if (status < 0) {
        return status;
    }
    found = 1;
    return admin_->LockWatch(ref, lockSpec, nullptr);
}

int32_t Bucket::SearchGet(KxBucketCru* cursor, const KxKeyValue* keys, int32_t keyCount, int32_t comparison, KxRef& ref)
{
    if (cursor == nullptr) {
        return KXN_E_NO_CURSOR;
    }
    const int32_t status = cursor->Search(keys, keyCount, comparison);
    if (status < 0) {
        return status;
    }
    cursor->Read(ref);
    return status;
}

int32_t Bucket::SearchExtent(KxBucketCru* cursor, int32_t mode, const KxKeyValue& key, KxRef& ref)
{
    auto* own = dynamic_cast<Cursor*>(cursor);
    if (own == nullptr) {
        return KXN_E_NO_CURSOR;
    }
    int32_t status = 0;
    if (IsIdType(key.type)) {
        const uint64_t id = key.value != nullptr ? static_cast<const KxObjId*>(key.value)->Get64() : 0;
        std::string text;
        AppendKeyPart(text, KX_TYPE_UINT64, &id);
        status = own->SearchKey(text, true, mode);
    } else {
        status = own->Search(&key, 1, mode);
    }
    if (status < 0) {
        return status;
    }
    own->Read(ref);
    return status;
}

int32_t Bucket::Lookup(KxKeyValue* keys, int32_t count)
{
    if (count <= 0 || keys == nullptr) {
        return 0;
    }
    int32_t ignored = 0;
    std::unique_ptr<KxBucketCru> cursor(CreateCursor(ignored, KX_EXTENT_BY_OBJID));
    if (!cursor) {
        return KX_KERNEL_E_STATE;
    }
    int32_t found = 0;
    for (int32_t i = 0; i < count; ++i) {
        KxRef ref;
        if (SearchExtent(cursor.get(), 1, keys[i], ref) >= 0) {
            ++found;
        }
    }
    return found == count ? 0 : found > 0 ? KXN_W_SOME_KEYS_FOUND : KXN_E_NO_KEY_FOUND;
}

int32_t Bucket::Query(const KxClassId& /*classId*/, KxQuery* query, const KxLockSpec* lockSpec, KxRefList* result)
{
    if (query == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    if (result == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    KxRefList found;
    const int32_t status = Select(query, found);
    if (status != 0) {
        return status;
    }
    // Every result is locked with the spec; a refused lock leaves it out.
    int32_t answer = 0;
    for (const KxRef& ref : found) {
        if (IsLock(lockSpec)) {
            const int32_t locked = admin_->LockWatch(ref, lockSpec, nullptr);
            if (locked == KXN_E_LOCK_REFUSED) {
                answer = KXN_W_SOME_NOT_LOCKED;
                continue;
            }
            if (locked < 0) {
                return locked;
            }
        }
        result->push_back(ref);
    }
    return answer;
}

int32_t Bucket::QueryInSet(const KxRefList* source, KxQuery* query, const KxClassId& classId, const KxLockSpec* lockSpec,
                           KxRefList* target)
{
    if (query == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    if (source == nullptr || target == nullptr || source == target) {
        return 0;
    }
    KxRefList found;
    const int32_t status = Query(classId, query, lockSpec, &found);
    if (status < 0) {
        return status;
    }
    std::unordered_map<uint64_t, KxRef> byId;
    for (const KxRef& ref : found) {
        byId.emplace(ref.GetObjId().Get64(), ref);
    }
    for (const KxRef& ref : *source) {
        const auto it = byId.find(ref.GetObjId().Get64());
        if (it != byId.end()) {
            target->push_back(it->second);
        }
    }
    return status;
}

int32_t Bucket::CursorQuery(KxBucketCru* cursor, KxQuery* query)
{
    return cursor != nullptr ? cursor->Query(query) : KXN_E_NO_CURSOR;
}

int32_t Bucket::StoreObject(KxObject* object, int32_t flags, KxTransactionResource*)
{
    if (object == nullptr || object->GetMetaClass() == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    return StoreObjects(*admin_, object, flags <= 0 ? 1 : flags);
}

int32_t Bucket::GetObject(KxObject** slot, const KxRef& mainRef, const KxRefList* prefetch, const KxLockSpec* lockSpec,
                          const KxLockSpec* prefetchLockSpec, KxTransactionResource*)
{
    if (slot == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    if (admin_->Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    if (IsLock(lockSpec)) {
        const int32_t locked = admin_->LockWatch(mainRef, lockSpec, nullptr);
        if (locked < 0) {
            return locked;
        }
    }
    KxObject* main = *slot;
    KxObject* inMemory = main == nullptr ? admin_->InMemory(mainRef) : nullptr;
    if (inMemory != nullptr) {
        main = inMemory;   // read again into the object in memory
    }
    const int32_t status = ReadObject(*admin_, mainRef, main);
    if (status != 0) {
        if (inMemory != nullptr) {
            inMemory->Release();
        }
        return status;
    }
    // The prefetch objects are read too; one that cannot be locked or read is left out.
    size_t taken = 0;
    for (size_t i = 0; prefetch != nullptr && i < prefetch->size() && taken < kMaxPrefetch; ++i) {
        const KxRef& ref = (*prefetch)[i];
        if (ref.GetObjId() == mainRef.GetObjId()) {
            continue;
        }
        ++taken;
        KxObject* object = admin_->InMemory(ref);
        if (object == nullptr && (!IsLock(prefetchLockSpec) || admin_->LockWatch(ref, prefetchLockSpec, nullptr) == 0) &&
            ReadObject(*admin_, ref, object) != 0) {
            object = nullptr;
        }
        if (object != nullptr) {
            object->Release();   // kept in memory as long as something holds it
        }
    }
    *slot = main;
    return 0;
}

int32_t Bucket::DeleteObject(const KxRef& ref, int32_t flags, KxTransactionResource*)
{
    return DeleteObjects(*admin_, ref, flags);
}

// ---- cursor -------------------------------------------------------------------------------------
int32_t Cursor::Fill(KxQuery* query)
{
    Admin* admin = bucket_->GetAdmin();
    Database* db = admin->Db();
    if (db == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    oids_.clear();
    classes_.clear();
    keys_.clear();
    position_ = -1;
    std::unordered_set<uint64_t> matching;
    if (query != nullptr) {
        KxRefList refs;
        const int32_t status = bucket_->Select(query, refs);
        if (status != 0) {
            return status;
        }
        for (const KxRef& ref : refs) {
            matching.insert(ref.GetObjId().Get64());
        }
    }
    const std::string classes = admin->ExtentClasses(bucket_->GetMetaClass()->GetClassNumber());
    const bool byIndex = mode_ > 0;
    Statement stmt = db->Prepare(
        byIndex ? "SELECT k.oid, o.class, k.key FROM kx_keys k JOIN kx_objects o ON o.oid = k.oid WHERE k.idx = ?1 "
                  "AND o.class IN (" + classes + ") ORDER BY k.key, k.oid"
                : "SELECT oid, class FROM kx_objects WHERE class IN (" + classes + ") ORDER BY oid");
    if (!stmt.Valid()) {
        return admin->GetConnection()->Report(KXN_E_STORAGE, db->Error());
    }
    if (byIndex) {
        stmt.Bind(1, mode_);
    }
    int rc = SQLITE_ROW;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
        const auto oid = static_cast<uint64_t>(stmt.Int(0));
        if (query != nullptr && matching.count(oid) == 0) {
            continue;
        }
        oids_.push_back(oid);
        classes_.push_back(static_cast<uint16_t>(stmt.Int(1)));
        if (byIndex) {
            keys_.push_back(stmt.Blob(2));
        }
    }
    return rc == SQLITE_DONE ? 0 : admin->GetConnection()->Report(db->Status(rc), db->Error());
}

KxRef Cursor::RefAt(size_t i) const
{
    KxObjId id;
    id.Set64(oids_[i]);
    const KxMetaClass* cls = bucket_->GetAdmin()->ClassOf(classes_[i]);
    return KxRef(id, cls != nullptr ? cls->GetClassId() : KxClassId(classes_[i], 0));
}

int32_t Cursor::Seek(int32_t offset, int32_t seekMode, KxRef& ref)
{
    ref.Clear();
    const int64_t n = static_cast<int64_t>(oids_.size());
    int64_t at = 0;
    switch (seekMode) {
    case kFromStart:
        at = offset;
        if (offset < 0) {
            return KXN_E_NO_ELEMENT;
        }
        break;
    case kRelative:
        // Before the first seek: the offset-th object (0 and 1 the first).
        at = position_ < 0 ? std::max<int64_t>(offset, 1) - 1 : position_ + offset;
        break;
    case kFromEnd:
        at = n - 1 + offset;
        if (offset > 0) {
            return KXN_E_NO_ELEMENT;
        }
        break;
    default:
        return KX_KERNEL_E_INVALID;
    }
    if (at < 0 || at >= n) {
        position_ = at < 0 ? -1 : n;
        return KXN_E_NO_ELEMENT;
    }
    position_ = at;
    ref = RefAt(static_cast<size_t>(at));
    return 0;
}

int32_t Cursor::SearchKey(const std::string& key, bool keyIsId, int32_t comparison)
{
    if (!keyIsId && keys_.size() != oids_.size()) {
        return KXN_E_NO_KEY_FOUND;   // a walk in object-id order has no other key
    }
    for (size_t i = 0; i < oids_.size(); ++i) {
        int order = 0;
        if (keyIsId) {
            std::string id;
            AppendKeyPart(id, KX_TYPE_UINT64, &oids_[i]);
            order = id.compare(key);
        } else {
            order = keys_[i].compare(0, key.size(), key);
        }
        if (Satisfies(order < 0 ? -1 : order > 0 ? 1 : 0, comparison)) {
            position_ = static_cast<int64_t>(i);
            return 0;
        }
    }
    return KXN_E_NO_KEY_FOUND;
}

int32_t Cursor::Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison)
{
    if (keys == nullptr || keyCount <= 0) {
        return KX_KERNEL_E_INVALID;
    }
    if (keyCount == 1 && IsIdType(keys[0].type)) {
        const uint64_t id = keys[0].value != nullptr ? static_cast<const KxObjId*>(keys[0].value)->Get64() : 0;
        std::string text;
        AppendKeyPart(text, KX_TYPE_UINT64, &id);
        return SearchKey(text, true, comparison);
    }
    if (mode_ <= 0) {
        return KXN_E_NO_KEY_FOUND;   // a cursor in object-id order has no other key
    }
    std::string key;
    for (int32_t i = 0; i < keyCount; ++i) {
        if (keys[i].value == nullptr) {
            key.push_back('\0');
        } else {
            AppendKeyPart(key, keys[i].type, keys[i].value);
        }
    }
    return SearchKey(key, false, comparison);
}

int32_t Cursor::Count(int32_t& count)
{
    count = static_cast<int32_t>(oids_.size());
    return 0;
}

int32_t Cursor::Read(KxRef& ref)
{
    ref.Clear();
    if (position_ < 0 || position_ >= static_cast<int64_t>(oids_.size())) {
        return KXN_E_NO_ELEMENT;
    }
    ref = RefAt(static_cast<size_t>(position_));
    return 0;
}

int32_t Cursor::Query(KxQuery* query) { return Fill(query); }

int32_t Cursor::Following(KxRefList& refs, uint32_t max)
{
    refs.clear();
    for (int64_t i = position_ + 1; i >= 0 && i < static_cast<int64_t>(oids_.size()) && refs.size() < max; ++i) {
        refs.push_back(RefAt(static_cast<size_t>(i)));
    }
    return 0;
}

}  // namespace kxn
