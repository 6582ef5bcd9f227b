// The client calls of sets: cursors over object and on-demand sets, generic element access, and the
// extent of a class (KxAllSet).
#include <utility>

#include "KxBucket.h"
#include "KxClient.h"
#include "KxClientCalls.h"
#include "KxHooks.h"
#include "KxMetaType.h"
#include "KxQuery.h"

// ---- every set ----------------------------------------------------------------------------------------
int32_t KxSet::MoveCursor(int32_t offset, int32_t seek, uint32_t& pos)
{
    const int64_t at = seek == 1 ? int64_t(cursor_) + offset : int64_t(offset);
    if ((seek != 0 && seek != 1) || at < 0 || at >= int64_t(Count())) {
        return KX_KERNEL_E_NO_ELEMENT;
    }
    cursor_ = static_cast<int32_t>(at);
    pos = static_cast<uint32_t>(at);
    return 0;
}

int32_t KxSet::GetCount(int32_t) { return static_cast<int32_t>(Count()); }

void* KxSet::GetElementAddress(uint32_t) { return nullptr; }

int32_t KxSet::Append(const void*) { return KX_KERNEL_E_NOT_SUPPORTED; }

// ---- KxObjectSet --------------------------------------------------------------------------------------
int32_t KxObjectSet::Get(KxObject*& element, int32_t offset, int32_t seek, int32_t, int32_t)
{
    element = nullptr;
    int32_t rc = kxk::HookPoint("KxObjectSet::Get");
    uint32_t pos = 0;
    if (rc >= 0) {
        rc = MoveCursor(offset, seek, pos);
    }
    if (rc < 0) {
        return rc;
    }
    KxObject* o = items_[pos];
    if (o->IsDeleted()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    o->Hold();
    element = o;
    return 0;
}

int32_t KxObjectSet::Unget(KxObject*& element)
{
    if (element != nullptr) {
        element->Release();
        element = nullptr;
    }
    return 0;
}

int32_t KxObjectSet::Delete(int32_t)
{
    if (cursor_ < 0) {
        return KX_KERNEL_E_NO_ELEMENT;
    }
    return RemoveAt(static_cast<uint32_t>(cursor_));   // the next element moves to the cursor
}

int32_t KxObjectSet::Append(KxObject* object) { return Add(object); }

int32_t KxObjectSet::Append(const KxOnDemand& ref)
{
    KxObject* object = nullptr;
    int32_t rc = ref.Get(object);
    if (rc >= 0) {
        rc = Add(object);
        ref.Unget(object);
    }
    return rc;
}

void* KxObjectSet::GetElementAddress(uint32_t i) { return i < items_.size() ? &items_[i] : nullptr; }

int32_t KxObjectSet::Append(const void* element)
{
    return element != nullptr ? Add(*static_cast<KxObject* const*>(element)) : KX_KERNEL_E_INVALID;
}

// ---- KxOnDemandSet ------------------------------------------------------------------------------------
KxOnDemandSet::KxOnDemandSet(int32_t, KxBase* base, int32_t) : KxSet(nullptr) { AttachToBase(base); }

int32_t KxOnDemandSet::Get(KxObject*& element, int32_t offset, int32_t seek, int32_t lock, int32_t watch)
{
    element = nullptr;
    int32_t rc = kxk::HookPoint("KxObjectSet::Get");
    uint32_t pos = 0;
    if (rc >= 0) {
        rc = MoveCursor(offset, seek, pos);
    }
    if (rc < 0) {
        return rc;
    }
    KxOnDemand ref = items_[pos];
    if (ref.GetBase() == nullptr && ref.GetParentBase() == nullptr) {
        ref.Assign(GetBase(), ref.GetRef(), nullptr);
    }
    return ref.Get(element, lock, watch);
}

int32_t KxOnDemandSet::Unget(KxObject*& element)
{
    if (element != nullptr) {
        element->Release();
        element = nullptr;
    }
    return 0;
}

int32_t KxOnDemandSet::Delete(int32_t)
{
    if (cursor_ < 0) {
        return KX_KERNEL_E_NO_ELEMENT;
    }
    return RemoveAt(static_cast<uint32_t>(cursor_));
}

void* KxOnDemandSet::GetElementAddress(uint32_t i) { return i < items_.size() ? &items_[i] : nullptr; }

int32_t KxOnDemandSet::Append(const void* element)
{
    return element != nullptr ? Add(*static_cast<const KxOnDemand*>(element)) : KX_KERNEL_E_INVALID;
}

// ---- KxAllSet -----------------------------------------------------------------------------------------
KxAllSet::KxAllSet(const KxMetaPersClass* metaClass, KxBase* base) : KxObjectSet(nullptr), class_(metaClass), base_(base)
{
    AttachToBase(base);
    if (base_ != nullptr) {
        base_->AddExtent(this);
    }
}

KxAllSet::~KxAllSet()
{
    DropFound();
    try {
        EndWalk();
    } catch (...) {
    }
    if (base_ != nullptr) {
        base_->RemoveExtent(this);
    }
}

void KxAllSet::AbandonWalk()
{
    delete walk_;
    walk_ = nullptr;
    level_ = 0;
}

void KxAllSet::Detach()
{
    DropFound();
    AbandonWalk();
    base_ = nullptr;
    AttachToBase(nullptr);
}

int32_t KxAllSet::BeginWalk()
{
    EndWalk();
    if (base_ == nullptr || class_ == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    int32_t rc = base_->BeginTransaction();
    if (rc < 0) {
        return rc;
    }
    level_ = base_->GetTransactionLevel();
    int32_t count = 0;
    walk_ = base_->CreateCursor(class_->GetClassId(), count);
    if (walk_ == nullptr) {
        EndWalk();
        return KX_KERNEL_E_STATE;
    }
    return 0;
}

void KxAllSet::EndWalk()
{
    delete walk_;
    walk_ = nullptr;
    if (level_ > 0) {
        // The walk's level is committed when it is still the innermost one.
        if (base_->GetTransactionLevel() == level_) {
            base_->CommitTransaction();
        }
        level_ = 0;
    }
}

int32_t KxAllSet::GetCount(int32_t)
{
    if (base_ == nullptr || class_ == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    int32_t count = 0;
    const int32_t rc =
        KxClientCalls::InLevel(base_, [&] { return base_->GetExtentCount(class_->GetClassId(), count); });
    return rc < 0 ? rc : count;
}

int32_t KxAllSet::Get(KxObject*& element, int32_t offset, int32_t seek, int32_t lock, int32_t)
{
    element = nullptr;
    int32_t rc = kxk::HookPoint("KxObjectSet::Get");
    if (rc < 0) {
        DropFound();
        return rc;
    }
    if (found_ != nullptr) {
        if (seek == 1 && offset == 0) {
            element = std::exchange(found_, nullptr);
            return 0;
        }
        DropFound();
    }
    if (seek == 0 || walk_ == nullptr) {
        rc = BeginWalk();
        if (rc < 0) {
            return rc;
        }
        if (seek != 0) {
            offset -= 1;   // relative to the place before the first object
            seek = 0;
        }
    }
    KxRef ref;
    rc = base_->Seek(class_->GetClassId(), walk_, offset, seek, ref);
    if (rc == KX_KERNEL_E_NO_ELEMENT) {
        EndWalk();
        return rc;
    }
    if (rc < 0) {
        return rc;
    }
    return KxClientCalls::Read(base_, ref, element, lock);
}

void KxAllSet::DropFound()
{
    if (found_ != nullptr) {
        std::exchange(found_, nullptr)->Release();
    }
}

int32_t KxAllSet::Find(const KxObjId& id, int32_t& position)
{
    position = -1;
    DropFound();
    if (base_ == nullptr || class_ == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    EndWalk();
    if (id.IsNull()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    KxObject* object = nullptr;
    const int32_t rc = KxClientCalls::Read(base_, KxRef(id, class_->GetClassId()), object, KX_SPEC_DEFAULT);
    if (rc < 0) {
        return rc;
    }
    found_ = object;
    position = 0;
    return 0;
}

int32_t KxAllSet::Delete(int32_t) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t KxAllSet::Append(KxObject*) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t KxAllSet::Append(const KxOnDemand&) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t KxAllSet::Append(const void*) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t KxAllSet::Clear() { return KX_KERNEL_E_NOT_SUPPORTED; }

int32_t KxAllSet::Query(KxQuery* query, KxOnDemandSet* results, int32_t, int32_t, int32_t)
{
    int32_t rc = kxk::HookPoint("KxAllSet::Query");
    if (rc < 0) {
        return rc;
    }
    if (query == nullptr || results == nullptr || base_ == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    KxRefList refs;
    rc = KxClientCalls::InLevel(base_, [&] { return base_->Query(*query, refs); });
    if (rc < 0) {
        return rc;
    }
    results->Clear();
    results->AttachToBase(base_);
    for (const KxRef& ref : refs) {
        results->Add(KxOnDemand(ref, base_));
    }
    return 0;
}
