// The client calls of objects and references: make, store, refresh, delete, holds, on-demand reads.
#include <algorithm>
#include <vector>

#include "KxClassDict.h"
#include "KxClientCalls.h"
#include "KxHooks.h"
#include "KxMetaType.h"
#include "KxObject.h"

namespace {

// The objects an object's pointers and object sets reach (each once, in member order).
std::vector<KxObject*> Reached(const KxObject& object)
{
    std::vector<KxObject*> reached;
    auto add = [&reached](KxObject* o) {
        if (o != nullptr && std::find(reached.begin(), reached.end(), o) == reached.end()) {
            reached.push_back(o);
        }
    };
    for (const KxMember* m : object.GetMetaClass()->GetAllMembers()) {
        if (m->GetMemberType() == KX_MEMBER_POINTER) {
            for (uint32_t i = 0; i < m->GetElementCount(); ++i) {
                add(*reinterpret_cast<KxObject**>(object.MemberAddress(*m, i)));
            }
        } else if (m->GetMemberType() == KX_MEMBER_OBJECT_SET) {
            const auto* set = reinterpret_cast<const KxObjectSet*>(object.MemberAddress(*m));
            for (uint32_t i = 0; i < set->Count(); ++i) {
                add(set->Get(i));
            }
        }
    }
    return reached;
}

// Stores the objects reached from object that have no row yet, depth levels deep.
int32_t StoreReached(KxBase* base, KxObject& object, int32_t depth)
{
    if (depth <= 0) {
        return 0;
    }
    for (KxObject* o : Reached(object)) {
        if ((o->GetState() & KX_STATE_HAS_ROW) != 0 || o->IsDeleted() || (o->GetBase() != base && o->GetBase() != nullptr)) {
            continue;
        }
        int32_t rc = base->StoreObject(o);
        if (rc >= 0) {
            o->State() |= KX_STATE_HAS_ROW;
            rc = StoreReached(base, *o, depth - 1);
        }
        if (rc < 0) {
            return rc;
        }
    }
    return 0;
}

}  // namespace

int32_t KxClientCalls::Read(KxBase* base, const KxRef& ref, KxObject*& object, int32_t lock)
{
    object = nullptr;
    if (base == nullptr || ref.IsInvalid()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    KxObject* read = nullptr;
    int32_t rc = base->GetObjectMgr()->Find(ref, read);
    if (rc != 0) {
        if (!base->IsOpen()) {
            return KX_KERNEL_E_OBJ_NOT_FOUND;
        }
        KxLockSpec spec;
        const KxLockSpec* lockSpec = LockOf(lock, spec);
        rc = InLevel(base, [&] { return base->GetObject(ref, read, lockSpec); });
        if (rc < 0) {
            if (read != nullptr) {
                read->Release();
            }
            return rc;
        }
    }
    HandOver(base, ref);
    // The object must be of the reference's class (any version) or of a subclass.
    const KxMetaClass* cls = read->GetMetaClass();
    bool fits = cls->GetClassNumber() == ref.GetClassId().GetClassNumber();
    for (const KxMetaClass* b : cls->GetAllBases()) {
        fits = fits || b->GetClassNumber() == ref.GetClassId().GetClassNumber();
    }
    if (!fits) {
        read->Release();
        return KX_KERNEL_E_WRONG_CLASS;
    }
    object = read;
    return 0;
}

// ---- KxObject -------------------------------------------------------------------------------------
KxObject* KxObject::Make(KxBase* base, const KxString& className)
{
    if (kxk::HookPoint("KxObject::Make") < 0 || base == nullptr || base->GetDictionary() == nullptr) {
        return nullptr;
    }
    const KxMetaType* type = base->GetDictionary()->FindByName(className);
    KxObject* made = nullptr;
    if (type == nullptr || type->AsPersClass() == nullptr || base->GetObjectMgr()->Create(type->AsClass(), made) != 0) {
        return nullptr;
    }
    return made;
}

int32_t KxObject::Store(int32_t depth, int32_t lock, int32_t)
{
    int32_t rc = kxk::HookPoint("KxObject::Store");
    if (rc < 0) {
        return rc;
    }
    if (count_ == 0 || IsDeleted()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    KxBase* base = base_;
    if (base == nullptr || !base->IsOpen()) {
        return KX_KERNEL_E_STATE;
    }
    return KxClientCalls::InLevel(base, [&] {
        int32_t done = base->StoreObject(this);
        if (done >= 0) {
            state_ = static_cast<uint16_t>((state_ | KX_STATE_HAS_ROW) & ~KX_STATE_MODIFIED);
            done = StoreReached(base, *this, depth);
        }
        if (done >= 0 && lock != KX_SPEC_DEFAULT && lock != KX_SPEC_NONE) {
            done = base->LockObject(ref_, KxLockSpec{0, lock, 0});
        }
        return done;
    });
}

int32_t KxObject::Refresh(int32_t lock, int32_t)
{
    int32_t rc = kxk::HookPoint("KxObject::Refresh");
    if (rc < 0) {
        return rc;
    }
    if (count_ == 0 || IsDeleted()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    KxBase* base = base_;
    if (base == nullptr || !base->IsOpen() || ref_.GetObjId().IsNull()) {
        return 0;   // nothing stored to read
    }
    // The stored state is read into a fresh object while this one is out of the object space.
    KxObjectMgr* objects = base->GetObjectMgr();
    objects->Unlist(this);
    KxClientCalls::HandOver(base, ref_);
    KxLockSpec spec;
    const KxLockSpec* lockSpec = KxClientCalls::LockOf(lock, spec);
    KxObject* fresh = nullptr;
    try {
        rc = KxClientCalls::InLevel(base, [&] { return base->GetObject(ref_, fresh, lockSpec); });
    } catch (...) {
        objects->Relist(this);
        throw;
    }
    if (rc >= 0 && fresh != nullptr && fresh != this) {
        KxClientCalls::HandOver(base, ref_);
        if (fresh->GetMetaClass() == class_) {
            class_->Copy(data_, fresh->data_);
            state_ = static_cast<uint16_t>((state_ | KX_STATE_HAS_ROW) & ~KX_STATE_MODIFIED);
        } else {
            rc = KX_KERNEL_E_WRONG_CLASS;   // stored as another version meanwhile
        }
    }
    if (fresh != nullptr && fresh != this) {
        fresh->Release();
    }
    objects->Relist(this);
    return rc < 0 ? rc : 0;
}

int32_t KxObject::Delete(int32_t depth, int32_t, int32_t)
{
    int32_t rc = kxk::HookPoint("KxObject::Delete");
    if (rc < 0) {
        return rc;
    }
    if (count_ == 0 || IsDeleted()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    KxBase* base = base_;
    if (base == nullptr || !base->IsOpen()) {
        return KX_KERNEL_E_STATE;
    }
    if (ref_.GetObjId().IsNull()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;   // never stored
    }
    // The objects deleted with it: reached ones of this base that are stored, depth levels deep.
    std::vector<KxObject*> doomed{this};
    for (size_t from = 0, level = 0; level < static_cast<size_t>(depth > 0 ? depth : 0); ++level) {
        const size_t to = doomed.size();
        for (size_t i = from; i < to; ++i) {
            for (KxObject* o : Reached(*doomed[i])) {
                if (o->GetBase() == base && !o->IsDeleted() && !o->GetObjId().IsNull() &&
                    std::find(doomed.begin(), doomed.end(), o) == doomed.end()) {
                    doomed.push_back(o);
                }
            }
        }
        from = to;
    }
    for (KxObject* o : doomed) {
        o->Hold();   // kept while the deletes run
    }
    rc = KxClientCalls::InLevel(base, [&] {
        for (KxObject* o : doomed) {
            const int32_t done = base->DeleteObject(o->GetRef());
            if (done < 0) {
                return done;
            }
        }
        return 0;
    });
    for (KxObject* o : doomed) {
        if (rc >= 0) {
            o->state_ = static_cast<uint16_t>((o->state_ | KX_STATE_DELETED) & ~KX_STATE_HAS_ROW);
            if (o->manager_ != nullptr) {
                o->manager_->Unlist(o);
            }
        }
        o->Release();
    }
    return rc;
}

int32_t KxObject::Remember()
{
    if (count_ == 0) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    Hold();
    return 0;
}

int32_t KxObject::Forget(int32_t, int32_t)
{
    if (count_ == 0) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    const auto remaining = static_cast<int32_t>(count_ - 1);
    Release();
    return remaining;
}

// ---- KxOnDemand -----------------------------------------------------------------------------------
KxOnDemand::KxOnDemand(const KxRef& ref, KxBase* base) : ref_(ref), base_(base) {}

KxOnDemand::KxOnDemand(const KxObject* object, int32_t)
{
    if (object != nullptr && object->GetHoldCount() > 0) {
        ref_ = object->GetRef();
        base_ = object->GetBase();
    }
}

int32_t KxOnDemand::Get(KxObject*& object, int32_t lock, int32_t, int32_t) const
{
    object = nullptr;
    const int32_t rc = kxk::HookPoint("KxOnDemand::Get");
    if (rc < 0) {
        return rc;
    }
    return KxClientCalls::Read(base_ != nullptr ? base_ : parent_, ref_, object, lock);
}

int32_t KxOnDemand::Unget(KxObject*& object) const
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
    return 0;
}
