// Reading, storing and deleting objects of a native database.
#include <deque>
#include <unordered_set>

#include "KxBase.h"
#include "KxMetaType.h"
#include "KxNative.h"
#include "KxObject.h"
#include "KxObjectSpace.h"
#include "NativeFormat.h"
#include "NativeStorage.h"

namespace kxn {

namespace {


struct Row {
    int64_t classNumber = 0;
    int64_t version = 0;
    std::string data;
};

int32_t ReadRow(Database& db, uint64_t oid, Row& row)
{
    Statement stmt = db.Prepare("SELECT class, version, data FROM kx_objects WHERE oid = ?1");
    if (!stmt.Valid()) {
        return KXN_E_STORAGE;
    }
    stmt.Bind(1, static_cast<int64_t>(oid));
    const int rc = stmt.Step();
    if (rc == SQLITE_DONE) {
        return KXN_E_OBJECT_NOT_FOUND;
    }
    if (rc != SQLITE_ROW) {
        return db.Status(rc);
    }
    row.classNumber = stmt.Int(0);
    row.version = stmt.Int(1);
    row.data = stmt.Blob(2);
    return 0;
}

// Reads objects and the objects their pointers and object sets reach, without recursion: the
// references of each object read are settled after it, from memory or by reading their rows.
class Loader {
public:
    explicit Loader(Admin& admin) : admin_(admin), base_(admin.GetBase()) {}

    // Reads the row of ref into object (made when null; then held for the caller). The class of the
    // row must be ref's class or one of its subclasses.
    int32_t Read(const KxRef& ref, KxObject*& object)
    {
        const int32_t status = ReadOne(ref, object, true);
        if (status == 0) {
            Settle();
        }
        return status;
    }

private:
    int32_t ReadOne(const KxRef& ref, KxObject*& object, bool checkClass)
    {
        const KxMetaClass* asked = admin_.ClassOf(ref.GetClassId().GetClassNumber());
        if (ref.IsInvalid() || asked == nullptr) {
            return KXN_E_INVALID_REF;
        }
        Row row;
        int32_t status = ReadRow(*admin_.Db(), ref.GetObjId().Get64(), row);
        if (status != 0) {
            return status == KXN_E_OBJECT_NOT_FOUND ? status : admin_.GetConnection()->Report(status, admin_.Db()->Error());
        }
        const KxMetaClass* cls = admin_.ClassOf(row.classNumber);
        if (cls == nullptr || (checkClass && !cls->IsKindOf(asked))) {
            return KXN_E_OBJECT_NOT_FOUND;   // no object of that class has this id
        }
        bool made = false;
        if (object == nullptr) {
            status = base_->GetObjectMgr()->Create(cls, ref.GetObjId(), object);
            if (status != 0) {
                return status;
            }
            made = true;
        }
        object->State() = static_cast<uint16_t>(object->GetState() | KX_STATE_BEING_READ);
        std::vector<Fixup> found;
        const bool decoded = Decode(row.data, *object->GetMetaClass(), object->GetAddress(), base_, found);
        for (Fixup& fix : found) {
            fixups_.push_back(std::move(fix));
        }
        object->State() = static_cast<uint16_t>((object->GetState() & ~(KX_STATE_BEING_READ | KX_STATE_MODIFIED)) |
                                                KX_STATE_HAS_ROW);
        if (!decoded) {
            if (made) {
                object->Release();
                object = nullptr;
            }
            return admin_.GetConnection()->Report(KXN_E_STORAGE, admin_.Db()->File() + ": the stored object " +
                                                                     std::to_string(ref.GetObjId().Get64()) +
                                                                     " is damaged");
        }
        return 0;
    }

    // The referenced object: in memory, or read (its own references queued); null when it has no row.
    KxObject* Target(const KxRef& ref)
    {
        if (ref.IsInvalid()) {
            return nullptr;
        }
        KxObject* target = admin_.InMemory(ref);
        if (target == nullptr && ReadOne(ref, target, false) != 0) {
            target = nullptr;
        }
        return target;
    }

    void Settle()
    {
        while (!fixups_.empty()) {
            Fixup fix = std::move(fixups_.front());
            fixups_.pop_front();
            if (fix.slot != nullptr) {
                KxObject* target = fix.refs.empty() ? nullptr : Target(fix.refs.front());
                // The member keeps the hold the look-up took.
                if (*fix.slot != nullptr) {
                    (*fix.slot)->Release();
                }
                *fix.slot = target;
                continue;
            }
            for (const KxRef& ref : fix.refs) {
                if (KxObject* element = Target(ref)) {
                    fix.set->Add(element);
                    element->Release();
                }
            }
        }
    }

    Admin& admin_;
    KxBase* base_;
    std::deque<Fixup> fixups_;
};

// Whether a reference member's objects are stored with their owner at a store depth (as the
// gateway decides): pointers at 3 (1 and 2 with the store-with flag), object sets at 2 and 3 (1 with it).
bool StoredWith(const KxMember& m, int32_t depth)
{
    const bool with = m.HasQualifier(KX_QUAL_STORE_WITH);
    switch (m.GetMemberType()) {
    case KX_MEMBER_POINTER: return depth >= 3 || with;
    case KX_MEMBER_OBJECT_SET: return depth >= 2 || with;
    default: return false;
    }
}

void Reached(const KxMetaClass& cls, uint8_t* instance, int32_t depth, std::vector<KxObject*>& out)
{
    for (const KxMember* m : cls.GetAllMembers()) {
        if (!IsStored(*m)) {
            continue;
        }
        uint8_t* at = instance + m->GetOffset();
        if (m->GetMemberType() == KX_MEMBER_EMBEDDED) {
            for (uint32_t i = 0; i < m->GetElementCount(); ++i) {
                Reached(*m->GetClass(), at + i * m->GetElementSize(), depth, out);
            }
        } else if (StoredWith(*m, depth) && m->GetMemberType() == KX_MEMBER_POINTER) {
            for (uint32_t i = 0; i < m->GetElementCount(); ++i) {
                if (KxObject* target = *reinterpret_cast<KxObject**>(at + i * m->GetElementSize())) {
                    out.push_back(target);
                }
            }
        } else if (StoredWith(*m, depth)) {
            auto* set = reinterpret_cast<KxObjectSet*>(at);
            for (uint32_t i = 0; i < set->Count(); ++i) {
                out.push_back(set->Get(i));
            }
        }
    }
}

int32_t WriteRow(Admin& admin, KxObject* object)
{
    Database& db = *admin.Db();
    const KxMetaClass& cls = *object->GetMetaClass();
    const int64_t oid = static_cast<int64_t>(object->GetObjId().Get64());
    int32_t status = admin.LockFor(object->GetRef(), kStoreLockMode);
    if (status != 0) {
        return status;
    }
    Statement row = db.Prepare("INSERT INTO kx_objects(oid, class, version, data) VALUES(?1, ?2, ?3, ?4) "
                               "ON CONFLICT(oid) DO UPDATE SET class = excluded.class, version = excluded.version, "
                               "data = excluded.data");
    row.Bind(1, oid);
    row.Bind(2, cls.GetClassNumber());
    row.Bind(3, cls.GetVersion());
    row.BindBlob(4, Encode(cls, object->GetAddress()));
    status = db.Status(row.Step());
    return status == 0 ? WriteKeys(db, oid, KeysOf(cls, object->GetAddress())) : status;
}

// Ends the level a store or delete opened for itself: written when the work succeeded, else rolled
// back. The reason of a failure goes to the base (a refused lock needs none).
int32_t EndOwnLevel(Admin& admin, int32_t status)
{
    Database& db = *admin.Db();
    const std::string reason = db.Error();
    const int32_t ended = db.End(status == 0);
    if (status == 0) {
        status = ended;
    }
    if (status == 0 || status == KXN_E_LOCK_REFUSED) {
        return status;
    }
    return admin.GetConnection()->Report(status, status == KXN_E_DUPLICATE_KEY ? "a unique index refused the object: " + reason
                                                                               : db.Error());
}

}  // namespace

int32_t WriteKeys(Database& db, int64_t oid, const std::vector<KeyEntry>& keys)
{
    Statement drop = db.Prepare("DELETE FROM kx_keys WHERE oid = ?1");
    drop.Bind(1, oid);
    int32_t status = db.Status(drop.Step());
    for (const KeyEntry& entry : keys) {
        if (status != 0) {
            break;
        }
        Statement insert = db.Prepare(entry.unique ? "INSERT INTO kx_keys(idx, key, oid, uniq) VALUES(?1, ?2, ?3, 1)"
                                                   : "INSERT OR IGNORE INTO kx_keys(idx, key, oid, uniq) VALUES(?1, ?2, ?3, 0)");
        insert.Bind(1, entry.index);
        insert.BindBlob(2, entry.key);
        insert.Bind(3, oid);
        status = db.Status(insert.Step());
    }
    return status;
}

int32_t ReadObject(Admin& admin, const KxRef& ref, KxObject*& object)
{
    if (admin.Db() == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    Loader loader(admin);
    return loader.Read(ref, object);
}

int32_t StoreObjects(Admin& admin, KxObject* object, int32_t depth)
{
    Database* db = admin.Db();
    if (db == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    // One level of its own: a refused object leaves nothing of the call written.
    int32_t status = db->Begin();
    if (status != 0) {
        return admin.GetConnection()->Report(status, db->Error());
    }
    std::vector<KxObject*> work{object};
    std::unordered_set<KxObject*> visited;
    std::vector<KxObject*> stored;
    while (status == 0 && !work.empty()) {
        KxObject* next = work.back();
        work.pop_back();
        if (next == nullptr || next->GetObjId().IsNull() || !visited.insert(next).second) {
            continue;
        }
        if (next->GetBase() != admin.GetBase() && next != object) {
            continue;   // an object of another base is not stored with this one
        }
        status = WriteRow(admin, next);
        stored.push_back(next);
        Reached(*next->GetMetaClass(), next->GetAddress(), depth, work);
    }
    status = EndOwnLevel(admin, status);
    if (status != 0) {
        return status;
    }
    for (KxObject* done : stored) {
        done->State() = static_cast<uint16_t>((done->GetState() & ~KX_STATE_MODIFIED) | KX_STATE_HAS_ROW);
    }
    return 0;
}

int32_t DeleteObjects(Admin& admin, const KxRef& ref, int32_t dependents)
{
    Database* db = admin.Db();
    if (db == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    if (ref.IsInvalid()) {
        return KXN_E_INVALID_REF;
    }
    int32_t status = db->Begin();
    if (status != 0) {
        return admin.GetConnection()->Report(status, db->Error());
    }
    int32_t result = 0;
    std::vector<KxRef> work{ref};
    std::unordered_set<uint64_t> done;
    std::vector<uint64_t> deleted;
    while (status == 0 && !work.empty()) {
        const KxRef next = work.back();
        work.pop_back();
        const uint64_t oid = next.GetObjId().Get64();
        if (next.IsInvalid() || !done.insert(oid).second) {
            continue;
        }
        status = admin.LockFor(next, kDeleteLockMode);
        Row row;
        const int32_t read = status == 0 ? ReadRow(*db, oid, row) : status;
        if (read == KXN_E_OBJECT_NOT_FOUND) {
            if (next.GetObjId() == ref.GetObjId()) {
                result = KXN_W_NO_ROW_AFFECTED;
            }
            continue;
        }
        status = read;
        if (status == 0 && dependents != 0 && !ReferencesOf(row.data, work)) {
            status = KXN_E_STORAGE;
        }
        for (const char* sql : {"DELETE FROM kx_objects WHERE oid = ?1", "DELETE FROM kx_keys WHERE oid = ?1"}) {
            if (status == 0) {
                Statement stmt = db->Prepare(sql);
                stmt.Bind(1, static_cast<int64_t>(oid));
                status = db->Status(stmt.Step());
            }
        }
        deleted.push_back(oid);
    }
    status = EndOwnLevel(admin, status);
    if (status != 0) {
        return status;
    }
    // Objects in memory no longer have their row.
    for (uint64_t oid : deleted) {
        KxObjId id;
        id.Set64(oid);
        if (KxObject* object = admin.InMemory(KxRef(id))) {
            object->State() = static_cast<uint16_t>(object->GetState() & ~KX_STATE_HAS_ROW);
            object->Release();
        }
    }
    return result;
}

}  // namespace kxn
