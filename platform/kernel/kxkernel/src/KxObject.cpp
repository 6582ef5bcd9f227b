#include "KxObject.h"

#include <new>

#include "KxBase.h"
#include "KxClassBinding.h"
#include "KxClassDict.h"
#include "KxObjectSpace.h"
#include "KxRoot.h"
#include "KxValueOps.h"

// ---- KxObject --------------------------------------------------------------------------------
KxObject::KxObject(const KxMetaClass* metaClass, uint8_t* data) : class_(metaClass), data_(data) {
    ref_.SetClassId(metaClass->GetClassId());
}

KxObject::~KxObject() {
    class_->DeleteInstance(data_);
    if (dictionary_ != nullptr) KxBase::KELVOX()->ReleaseDictionary(dictionary_);
}

void KxObject::Release() {
    if (count_ == 0) return;
    if (--count_ > 0) return;
    if (manager_ != nullptr) {
        manager_->Retire(this);
        return;
    }
    delete this;
}

uint8_t* KxObject::MemberAddress(const KxMember& member, uint32_t element) const {
    if (element >= member.GetElementCount()) return nullptr;
    return data_ + member.GetOffset() + element * member.GetElementSize();
}

void KxObject::SetPointer(const KxMember& member, KxObject* target, uint32_t element) {
    if (member.GetMemberType() != KX_MEMBER_POINTER) return;
    uint8_t* at = MemberAddress(member, element);
    if (at == nullptr) return;
    KxObject*& slot = *reinterpret_cast<KxObject**>(at);
    if (target != nullptr) target->Hold();
    if (slot != nullptr) slot->Release();
    slot = target;
}

// ---- KxOnDemand ------------------------------------------------------------------------------
void KxOnDemand::Assign(KxBase* base, const KxRef& ref, KxBase* parent) {
    base_ = base;
    ref_ = ref;
    parent_ = parent;
}

void KxOnDemand::Clear() {
    ref_.Clear();
    base_ = nullptr;
}

// ---- KxSet -----------------------------------------------------------------------------------
KxSet::KxSet(const KxMetaSet* type) : type_(type) {
    if (type != nullptr) ref_.SetClassId(type->GetClassId());
}
KxSet::~KxSet() = default;

void KxSet::CopyHeader(const KxSet& other) {
    ref_ = other.ref_;
    base_ = other.base_;
}

int32_t KxSet::GetElementRef(uint32_t, KxRef&) const { return KX_KERNEL_E_NOT_SUPPORTED; }

// ---- KxObjectSet -----------------------------------------------------------------------------
KxObjectSet::KxObjectSet(const KxMetaSet* type) : KxSet(type) {}
KxObjectSet::~KxObjectSet() { Clear(); }

KxObjectSet& KxObjectSet::operator=(const KxObjectSet& other) {
    if (this == &other) return *this;
    for (KxObject* o : other.items_) o->Hold();
    Clear();
    items_ = other.items_;
    CopyHeader(other);
    return *this;
}

int32_t KxObjectSet::Clear() {
    std::vector<KxObject*> old;
    old.swap(items_);
    cursor_ = -1;
    for (KxObject* o : old) o->Release();
    return 0;
}

int32_t KxObjectSet::Fits(const KxObject* object) const {
    if (object == nullptr) return KX_KERNEL_E_INVALID;
    const KxMetaClass* element = GetSetType() != nullptr ? GetSetType()->GetElementClass() : nullptr;
    if (element != nullptr && !object->GetMetaClass()->IsKindOf(element)) {
        // Another version of the element class is still of the element class.
        const KxMetaClass* cls = object->GetMetaClass();
        bool fits = false;
        for (const KxMetaClass* b : cls->GetAllBases())
            if (b->GetClassNumber() == element->GetClassNumber()) fits = true;
        if (!fits && cls->GetClassNumber() != element->GetClassNumber()) return KX_KERNEL_E_WRONG_CLASS;
    }
    return 0;
}

int32_t KxObjectSet::Add(KxObject* object) {
    const int32_t rc = Fits(object);
    if (rc != 0) return rc;
    object->Hold();
    items_.push_back(object);
    return 0;
}

// The checks of a change at the cursor: a current element and an object of the element class.
int32_t KxObjectSet::AtCursor(const KxObject* object) const {
    if (cursor_ < 0 || static_cast<size_t>(cursor_) >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    return Fits(object);
}

int32_t KxObjectSet::Insert(KxObject* object) {
    const int32_t rc = AtCursor(object);
    if (rc != 0) return rc;
    object->Hold();
    items_.insert(items_.begin() + cursor_, object);
    return 0;
}

int32_t KxObjectSet::Replace(KxObject* object) {
    const int32_t rc = AtCursor(object);
    if (rc != 0) return rc;
    object->Hold();
    items_[cursor_]->Release();
    items_[cursor_] = object;
    return 0;
}

int32_t KxObjectSet::RemoveAt(uint32_t i) {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    KxObject* o = items_[i];
    items_.erase(items_.begin() + i);
    o->Release();
    return 0;
}

int32_t KxObjectSet::GetElementRef(uint32_t i, KxRef& ref) const {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    ref = items_[i]->GetRef();
    return 0;
}

// ---- KxOnDemandSet ---------------------------------------------------------------------------
KxOnDemandSet::KxOnDemandSet(const KxMetaSet* type) : KxSet(type) {}
int32_t KxOnDemandSet::InsertAt(uint32_t i, const KxOnDemand& element) {
    if (i > items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    items_.insert(items_.begin() + i, element);
    return 0;
}

int32_t KxOnDemandSet::SetAt(uint32_t i, const KxOnDemand& element) {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    items_[i] = element;
    return 0;
}

KxOnDemandSet::~KxOnDemandSet() = default;

KxOnDemandSet& KxOnDemandSet::operator=(const KxOnDemandSet& other) {
    if (this == &other) return *this;
    items_ = other.items_;
    CopyHeader(other);
    return *this;
}

int32_t KxOnDemandSet::Add(const KxOnDemand& element) {
    items_.push_back(element);
    return 0;
}

int32_t KxOnDemandSet::RemoveAt(uint32_t i) {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    items_.erase(items_.begin() + i);
    return 0;
}

int32_t KxOnDemandSet::GetElementRef(uint32_t i, KxRef& ref) const {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    ref = items_[i].GetRef();
    return 0;
}

// ---- KxTypeSet -------------------------------------------------------------------------------
namespace {
const KxValueOps* OpsOf(const KxMetaSet* type) {
    return type != nullptr ? KxGetValueOps(type->GetElementTypeCode()) : nullptr;
}
void* NewValue(const KxValueOps* ops) {
    void* p = ::operator new(ops->size, std::align_val_t(8), std::nothrow);
    if (p != nullptr) ops->construct(p);
    return p;
}
void DeleteValue(const KxValueOps* ops, void* p) {
    ops->destruct(p);
    ::operator delete(p, std::align_val_t(8));
}
}  // namespace

KxTypeSet::KxTypeSet(const KxMetaSet* type) : KxSet(type) {}
KxTypeSet::~KxTypeSet() { Clear(); }

int32_t KxTypeSet::GetElementTypeCode() const {
    return GetSetType() != nullptr ? GetSetType()->GetElementTypeCode() : -1;
}

KxTypeSet& KxTypeSet::operator=(const KxTypeSet& other) {
    if (this == &other) return *this;
    Clear();
    for (void* v : other.items_) Add(v);
    CopyHeader(other);
    inMemory_ = other.inMemory_;
    return *this;
}

int32_t KxTypeSet::Clear() {
    Truncate(0);
    cursor_ = -1;
    return 0;
}

int32_t KxTypeSet::Set(uint32_t i, const void* value) {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    if (value == nullptr) return KX_KERNEL_E_INVALID;
    OpsOf(GetSetType())->copy(items_[i], value);
    return 0;
}

int32_t KxTypeSet::First(void* value) {
    cursor_ = 0;
    return Get(0, value);
}

int32_t KxTypeSet::Next(void* value) {
    if (cursor_ + 1 >= items_.size()) {
        cursor_ = static_cast<uint32_t>(items_.size());
        return KX_KERNEL_E_NO_ELEMENT;
    }
    return Get(++cursor_, value);
}

void KxTypeSet::Truncate(uint32_t n) {
    const KxValueOps* ops = OpsOf(GetSetType());
    while (items_.size() > n) {
        DeleteValue(ops, items_.back());
        items_.pop_back();
    }
}

int32_t KxTypeSet::Add(const void* value) {
    const KxValueOps* ops = OpsOf(GetSetType());
    if (ops == nullptr) return KX_KERNEL_E_INVALID;
    void* p = NewValue(ops);
    if (p == nullptr) return KX_KERNEL_E_NO_MEMORY;
    if (value != nullptr) ops->copy(p, value);
    items_.push_back(p);
    return 0;
}

int32_t KxTypeSet::InsertAt(uint32_t i, const void* value) {
    if (i > items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    const KxValueOps* ops = OpsOf(GetSetType());
    if (ops == nullptr) return KX_KERNEL_E_INVALID;
    void* p = NewValue(ops);
    if (p == nullptr) return KX_KERNEL_E_NO_MEMORY;
    if (value != nullptr) ops->copy(p, value);
    items_.insert(items_.begin() + i, p);
    return 0;
}

int32_t KxTypeSet::RemoveAt(uint32_t i) {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    DeleteValue(OpsOf(GetSetType()), items_[i]);
    items_.erase(items_.begin() + i);
    return 0;
}

int32_t KxTypeSet::Get(uint32_t i, void* value) const {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    if (value == nullptr) return KX_KERNEL_E_INVALID;
    OpsOf(GetSetType())->copy(value, items_[i]);
    return 0;
}

// ---- KxClassSet ------------------------------------------------------------------------------
KxClassSet::KxClassSet(const KxMetaSet* type) : KxSet(type) {}
KxClassSet::~KxClassSet() { Clear(); }

const KxMetaClass* KxClassSet::GetElementClass() const {
    return GetSetType() != nullptr ? GetSetType()->GetElementClass() : nullptr;
}

KxClassSet& KxClassSet::operator=(const KxClassSet& other) {
    if (this == &other) return *this;
    Clear();
    for (uint8_t* v : other.items_) Add(v);
    CopyHeader(other);
    return *this;
}

int32_t KxClassSet::Clear() {
    const KxMetaClass* cls = GetElementClass();
    for (uint8_t* v : items_) cls->DeleteInstance(v);
    items_.clear();
    cursor_ = -1;
    return 0;
}

int32_t KxClassSet::Add(const uint8_t* instance) {
    const KxMetaClass* cls = GetElementClass();
    if (instance == nullptr || cls == nullptr) return KX_KERNEL_E_INVALID;
    uint8_t* copy = cls->NewInstance();
    if (copy == nullptr) return KX_KERNEL_E_NO_MEMORY;
    cls->Copy(copy, instance);
    items_.push_back(copy);
    return 0;
}

int32_t KxClassSet::InsertAt(uint32_t i, const uint8_t* instance) {
    const KxMetaClass* cls = GetElementClass();
    if (instance == nullptr || cls == nullptr) return KX_KERNEL_E_INVALID;
    if (i > items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    uint8_t* copy = cls->NewInstance();
    if (copy == nullptr) return KX_KERNEL_E_NO_MEMORY;
    cls->Copy(copy, instance);
    items_.insert(items_.begin() + i, copy);
    return 0;
}

int32_t KxClassSet::RemoveAt(uint32_t i) {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    GetElementClass()->DeleteInstance(items_[i]);
    items_.erase(items_.begin() + i);
    return 0;
}

int32_t KxClassSet::Get(uint32_t i, uint8_t* instance) const {
    if (i >= items_.size()) return KX_KERNEL_E_NO_ELEMENT;
    if (instance == nullptr) return KX_KERNEL_E_INVALID;
    GetElementClass()->Copy(instance, items_[i]);
    return 0;
}

// ---- KxObjectMgr -----------------------------------------------------------------------------
KxObjectMgr::KxObjectMgr(KxBase* base) : base_(base) {}

KxObjectMgr::~KxObjectMgr() { DetachAll(); }

void KxObjectMgr::DetachAll() {
    std::vector<KxObject*> stale;
    stale.swap(stale_);
    staleNext_ = 0;
    for (KxObject* o : stale) delete o;
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    std::unordered_set<KxObject*> objects;
    objects.swap(objects_);
    live_ = 0;
    for (KxObject* o : objects) {
        if (space != nullptr && !o->GetObjId().IsNull()) {
            space->BeginCriticalSection();
            if (space->nts_IsInList(o->GetRef()) == o) space->nts_Remove(o->GetRef());
            space->EndCriticalSection();
        }
        o->manager_ = nullptr;
        o->base_ = nullptr;
        KxClassDict* dictionary = o->class_->GetDictionary();
        if (o->dictionary_ == nullptr && dictionary != nullptr &&
            KxBase::KELVOX()->HoldDictionary(dictionary) == KX_KERNEL_OK)
            o->dictionary_ = dictionary;
    }
}

int32_t KxObjectMgr::Create(const KxMetaClass* metaClass, KxObject*& object) {
    object = nullptr;
    if (metaClass == nullptr || !metaClass->IsPersistent()) return KX_KERNEL_E_INVALID;
    uint8_t* data = metaClass->NewInstance();
    if (data == nullptr) return KX_KERNEL_E_NO_MEMORY;
    const KxClassDict* dictionary = metaClass->GetDictionary();
    const KxClassBinding* bound =
        dictionary != nullptr ? KxClassAssociation::Find(dictionary->GetName(), metaClass->GetClassId().GetClassNumber())
                              : nullptr;
    if (bound != nullptr && bound->factory != nullptr) {
        object = bound->factory(metaClass, data);   // owns the instance once made
    } else {
        object = new (std::nothrow) KxObject(metaClass, data);
    }
    if (object == nullptr) {
        metaClass->DeleteInstance(data);
        return KX_KERNEL_E_NO_MEMORY;
    }
    object->manager_ = this;
    object->base_ = base_;
    ++live_;
    objects_.insert(object);
    return 0;
}

int32_t KxObject::Assign(KxBase* base, KxTransaction*) {
    if (base == nullptr || base->GetObjectMgr() == nullptr) return KX_KERNEL_E_INVALID;
    if (base_ == base) return 0;
    if (!GetObjId().IsNull() && base_ != nullptr) return KX_KERNEL_E_STATE;
    const int32_t rc = base->GetObjectMgr()->Attach(this);
    if (rc == 0 && dictionary_ != nullptr) {
        // Back at a base: the hold taken while it had none is not needed any more.
        KxBase::KELVOX()->ReleaseDictionary(dictionary_);
        dictionary_ = nullptr;
    }
    return rc;
}

int32_t KxObject::UnAssign() {
    if (!GetObjId().IsNull()) return KX_KERNEL_E_STATE;
    if (manager_ == nullptr) return 0;
    manager_->Forget(this);
    manager_ = nullptr;
    base_ = nullptr;
    KxClassDict* dictionary = class_->GetDictionary();
    if (dictionary_ == nullptr && dictionary != nullptr && KxBase::KELVOX()->HoldDictionary(dictionary) == KX_KERNEL_OK)
        dictionary_ = dictionary;
    return 0;
}

int32_t KxObjectMgr::Attach(KxObject* object) {
    if (object == nullptr) return KX_KERNEL_E_INVALID;
    if (object->manager_ == this) return 0;
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    const bool listed = space != nullptr && !object->GetObjId().IsNull();
    if (listed) {
        space->BeginCriticalSection();
        const bool taken = space->nts_IsInList(object->GetRef()) != nullptr;
        if (!taken) space->nts_Insert(object->GetRef(), object);
        space->EndCriticalSection();
        if (taken) return KX_KERNEL_E_DUPLICATE;
    }
    if (object->manager_ != nullptr) object->manager_->Forget(object);
    object->manager_ = this;
    object->base_ = base_;
    ++live_;
    objects_.insert(object);
    return 0;
}

int32_t KxObjectMgr::Create(const KxMetaClass* metaClass, const KxObjId& id, KxObject*& object) {
    int32_t rc = Create(metaClass, object);
    if (rc != 0) return rc;
    rc = SetId(object, id);
    if (rc != 0) {
        object->Release();
        object = nullptr;
    }
    return rc;
}

int32_t KxObjectMgr::SetId(KxObject* object, const KxObjId& id) {
    if (object == nullptr || object->manager_ != this || id.IsNull()) return KX_KERNEL_E_INVALID;
    if (object->GetObjId() == id) return 0;
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    if (space != nullptr) {
        KxRef ref(id);
        space->BeginCriticalSection();
        if (space->nts_IsInList(ref) != nullptr) {
            space->EndCriticalSection();
            return KX_KERNEL_E_DUPLICATE;
        }
        if (!object->GetObjId().IsNull()) space->nts_Remove(object->GetRef());
        object->ref_.SetObjId(id);
        space->nts_Insert(object->GetRef(), object);
        space->EndCriticalSection();
        if (retainSink_ != nullptr && !(id == retainExcept_)) {
            object->Hold();
            retainSink_->push_back(object);
        }
    } else {
        object->ref_.SetObjId(id);
    }
    return 0;
}

int32_t KxObjectMgr::Get(const KxRef& ref, KxObject*& object, KxTransactionResource* resource) {
    const int32_t found = Find(ref, object);
    if (found == 0 || base_ == nullptr || ref.IsInvalid() || !base_->IsOpen()) return found;
    return base_->ReadObject(ref, object, resource, nullptr, nullptr, nullptr);
}

int32_t KxObjectMgr::Find(const KxRef& ref, KxObject*& object) {
    object = nullptr;
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    if (space == nullptr || ref.IsInvalid()) return KX_KERNEL_E_OBJ_NOT_FOUND;
    space->BeginCriticalSection();
    object = space->nts_IsInList(ref);
    if (object != nullptr) object->Hold();
    space->EndCriticalSection();
    return object != nullptr ? 0 : KX_KERNEL_E_OBJ_NOT_FOUND;
}

void KxObjectMgr::Release(KxObject* object) {
    if (object != nullptr) object->Release();
}

void KxObjectMgr::Retire(KxObject* object) {
    Forget(object);
    object->manager_ = nullptr;
    object->base_ = nullptr;
    uint8_t* data = object->data_;
    object->data_ = nullptr;
    object->class_->DeleteInstance(data);   // may release further objects
    if (stale_.size() < kStaleEntries) {
        stale_.push_back(object);
        return;
    }
    delete stale_[staleNext_];
    stale_[staleNext_] = object;
    staleNext_ = (staleNext_ + 1) % kStaleEntries;
}

void KxObjectMgr::Unlist(KxObject* object) {
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    if (space == nullptr || object == nullptr || object->GetObjId().IsNull()) return;
    space->BeginCriticalSection();
    if (space->nts_IsInList(object->GetRef()) == object) space->nts_Remove(object->GetRef());
    space->EndCriticalSection();
}

int32_t KxObjectMgr::Relist(KxObject* object) {
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    if (space == nullptr || object == nullptr || object->GetObjId().IsNull()) return 0;
    space->BeginCriticalSection();
    KxObject* listed = space->nts_IsInList(object->GetRef());
    if (listed == nullptr) space->nts_Insert(object->GetRef(), object);
    space->EndCriticalSection();
    return listed == nullptr || listed == object ? 0 : KX_KERNEL_E_DUPLICATE;
}

void KxObjectMgr::Forget(KxObject* object) {
    --live_;
    objects_.erase(object);
    KxObjectSpace* space = base_ != nullptr ? base_->GetObjectSpace() : nullptr;
    if (space == nullptr || object->GetObjId().IsNull()) return;
    space->BeginCriticalSection();
    if (space->nts_IsInList(object->GetRef()) == object) space->nts_Remove(object->GetRef());
    space->EndCriticalSection();
}
