#include "KxObjectAliasSet.h"

#include "KxObject.h"
#include "KxTypeMgr.h"

// ---- KxGSetAlias -----------------------------------------------------------------------------
KxGSetAlias::KxGSetAlias(KxObjectAlias* owner, KxSet* set) : owner_(owner), set_(set) {}
KxGSetAlias::~KxGSetAlias() = default;

void KxGSetAlias::GetRef(KxRef& ref) const { GetSetRef(ref); }

void KxGSetAlias::GetSetRef(KxRef& ref) const {
    if (set_ != nullptr) ref = set_->GetRef();
    else ref.Clear();
}

int32_t KxGSetAlias::GetCount() const { return set_ != nullptr ? int32_t(set_->Count()) : 0; }
void KxGSetAlias::ReleaseElement() {}
int32_t KxGSetAlias::Prepare(uint32_t) { return 0; }
int32_t KxGSetAlias::Append(int32_t) { return 0; }
int32_t KxGSetAlias::Finish() { return 0; }

// ---- KxGKxObjectSetAlias ---------------------------------------------------------------------
int32_t KxGKxObjectSetAlias::Fetch() {
    KxSet* set = GetSet();
    if (set == nullptr || set->GetElementRef(index_, current_) != 0) {
        current_.Clear();
        started_ = false;
        return KX_ALIAS_E_NO_ELEMENT;
    }
    started_ = true;
    return 0;
}

int32_t KxGKxObjectSetAlias::First() {
    index_ = 0;
    return Fetch();
}

int32_t KxGKxObjectSetAlias::Next() {
    if (!started_) return KX_ALIAS_E_NO_ELEMENT;
    ++index_;
    return Fetch();
}

// ---- KxGKxTypeSetAlias -----------------------------------------------------------------------
KxGKxTypeSetAlias::KxGKxTypeSetAlias(KxObjectAlias* owner, KxTypeSet* set, const KxMetaSet* elementType)
    : KxGSetAlias(owner, set), typeSet_(set), elementType_(elementType) {}

KxGKxTypeSetAlias::~KxGKxTypeSetAlias() { DropValue(); }

bool KxGKxTypeSetAlias::InMemory() const { return typeSet_ != nullptr && typeSet_->IsInMemory(); }

int32_t KxGKxTypeSetAlias::MakeValue() {
    if (value_ != nullptr) return 0;
    const int32_t code = elementType_ != nullptr ? elementType_->GetElementTypeCode()
                                                 : typeSet_->GetElementTypeCode();
    if (code < 0 || code > 0xFF) return KX_ALIAS_E_NO_MEMORY;
    value_ = KxTypeMgr::GetDefault()->Create(static_cast<uint8_t>(code));
    return value_ != nullptr ? 0 : KX_ALIAS_E_NO_MEMORY;
}

void KxGKxTypeSetAlias::DropValue() {
    if (value_ == nullptr) return;
    const int32_t code = elementType_ != nullptr ? elementType_->GetElementTypeCode()
                                                 : typeSet_->GetElementTypeCode();
    KxTypeMgr::GetDefault()->Delete(static_cast<uint8_t>(code), value_);
    value_ = nullptr;
}

void* KxGKxTypeSetAlias::GetObject() const {
    if (!positioned_) return nullptr;
    return InMemory() ? typeSet_->At(index_) : value_;
}

int32_t KxGKxTypeSetAlias::First() {
    index_ = 0;
    positioned_ = false;
    if (typeSet_ == nullptr) return KX_ALIAS_E_NO_ELEMENT;
    if (InMemory()) {
        positioned_ = typeSet_->Count() > 0;
    } else {
        if (const int32_t rc = MakeValue()) return rc;
        positioned_ = typeSet_->First(value_) == 0;
    }
    return positioned_ ? 0 : KX_ALIAS_E_NO_ELEMENT;
}

int32_t KxGKxTypeSetAlias::Next() {
    if (!positioned_) return KX_ALIAS_E_NO_ELEMENT;
    const bool more = InMemory() ? index_ + 1 < typeSet_->Count() : typeSet_->Next(value_) == 0;
    if (!more) {
        positioned_ = false;
        return KX_ALIAS_E_NO_ELEMENT;
    }
    ++index_;
    return 0;
}

int32_t KxGKxTypeSetAlias::Prepare(uint32_t size) {
    positioned_ = false;
    if (typeSet_ == nullptr) return KX_ALIAS_E_NULL;
    typeSet_->Truncate(size);
    index_ = 0;
    written_ = 0;
    if (InMemory()) {
        if (typeSet_->Count() == 0 && typeSet_->Add(nullptr) != 0) return KX_ALIAS_E_NO_MEMORY;
    } else if (const int32_t rc = MakeValue()) {
        return rc;
    }
    positioned_ = true;
    return 0;
}

int32_t KxGKxTypeSetAlias::Append(int32_t stop) {
    if (!positioned_) return KX_ALIAS_E_NO_ELEMENT;
    if (InMemory()) {
        written_ = index_ + 1;
        if (stop != 0) return 0;
        if (index_ + 1 >= typeSet_->Count() && typeSet_->Add(nullptr) != 0) return KX_ALIAS_E_NO_MEMORY;
        ++index_;
        return 0;
    }
    const int32_t rc = index_ < typeSet_->Count() ? typeSet_->Set(index_, value_) : typeSet_->Add(value_);
    if (rc != 0) return KX_ALIAS_E_NO_MEMORY;
    written_ = index_ + 1;
    if (stop == 0) ++index_;
    return 0;
}

int32_t KxGKxTypeSetAlias::Finish() {
    if (typeSet_ != nullptr) typeSet_->Truncate(written_);
    positioned_ = false;
    written_ = 0;
    DropValue();
    return 0;
}

// ---- KxGKxClassSetAlias ----------------------------------------------------------------------
KxGKxClassSetAlias::KxGKxClassSetAlias(KxObjectAlias* owner, KxClassSet* set,
                                       const KxMetaClass* elementClass)
    : KxGSetAlias(owner, set), classSet_(set), elementClass_(elementClass) {}

KxGKxClassSetAlias::~KxGKxClassSetAlias() { ReleaseElement(); }

int32_t KxGKxClassSetAlias::MakeInstance() {
    if (instance_ != nullptr) return 0;
    if (elementClass_ == nullptr) return KX_ALIAS_E_NO_MEMORY;
    instance_ = elementClass_->NewInstance();
    return instance_ != nullptr ? 0 : KX_ALIAS_E_NO_MEMORY;
}

int32_t KxGKxClassSetAlias::First() {
    if (const int32_t rc = MakeInstance()) return rc;
    index_ = 0;
    if (classSet_ == nullptr || classSet_->Get(0, instance_) != 0) return KX_ALIAS_E_NO_ELEMENT;
    return 0;
}

int32_t KxGKxClassSetAlias::Next() {
    if (instance_ == nullptr || classSet_ == nullptr) return KX_ALIAS_E_NO_ELEMENT;
    if (index_ + 1 >= classSet_->Count()) return KX_ALIAS_E_NO_ELEMENT;
    ++index_;
    return classSet_->Get(index_, instance_) == 0 ? 0 : KX_ALIAS_E_NO_ELEMENT;
}

void KxGKxClassSetAlias::ReleaseElement() {
    if (instance_ != nullptr) elementClass_->DeleteInstance(instance_);
    instance_ = nullptr;
}

int32_t KxGKxClassSetAlias::Prepare(uint32_t) {
    if (classSet_ == nullptr) return KX_ALIAS_E_NULL;
    if (auto* owner = dynamic_cast<KxCPPObjectAlias*>(GetOwner()))
        if (owner->GetKxObject() != nullptr) classSet_->AttachToBase(owner->GetKxObject()->GetBase());
    classSet_->Clear();
    ReleaseElement();
    return MakeInstance();
}

int32_t KxGKxClassSetAlias::Append(int32_t) {
    if (instance_ == nullptr || classSet_ == nullptr) return KX_ALIAS_E_NULL;
    return classSet_->Add(instance_) == 0 ? 0 : KX_ALIAS_E_NO_MEMORY;
}

int32_t KxGKxClassSetAlias::Finish() {
    ReleaseElement();
    return 0;
}
