#include "KxObjectAlias.h"

#include "KxClassDict.h"
#include "KxGSQLBuffer.h"
#include "KxObject.h"

// ---- KxObjectAlias ---------------------------------------------------------------------------
KxObjectAlias::~KxObjectAlias() = default;
void* KxObjectAlias::GetObject() const { return nullptr; }
int32_t KxObjectAlias::GetKind() const { return KX_ALIAS_OBJECT; }
uint8_t* KxObjectAlias::GetAddress() const { return static_cast<uint8_t*>(GetObject()); }

// ---- KxCPPObjectAlias ------------------------------------------------------------------------
KxCPPObjectAlias::KxCPPObjectAlias(KxGOperationEnvironment* environment,
                                   const KxClassDescriptor* descriptor, KxObject* object)
    : environment_(environment), descriptor_(descriptor), object_(object) {
    if (object_ != nullptr) object_->Hold();
}

KxCPPObjectAlias::~KxCPPObjectAlias() {
    if (object_ != nullptr) object_->Release();
}

void KxCPPObjectAlias::GetRef(KxRef& ref) const {
    if (object_ != nullptr) ref = object_->GetRef();
    else ref.Clear();
}

void* KxCPPObjectAlias::GetObject() const {
    if (object_ == nullptr) return nullptr;
    return descriptor_ != nullptr ? descriptor_->GetAddress(object_) : object_->GetAddress();
}

// ---- KxGSQLObjectBufferList ------------------------------------------------------------------
KxGSQLObjectBufferList::~KxGSQLObjectBufferList() { DeleteAll(); }

int32_t KxGSQLObjectBufferList::Append(KxGSQLObjectBuffer* buffer) {
    if (buffer == nullptr) return KX_ALIAS_E_NULL;
    buffers_.push_back(buffer);
    return 0;
}

void KxGSQLObjectBufferList::DeleteAll() {
    std::vector<KxGSQLObjectBuffer*> old;
    old.swap(buffers_);
    for (KxGSQLObjectBuffer* b : old) delete b;
}

// ---- KxObjectAliasList -----------------------------------------------------------------------
KxObjectAliasList::~KxObjectAliasList() { DeleteAll(); }

void KxObjectAliasList::DeleteAll() {
    const uint32_t n = Count();
    for (uint32_t i = 0; i < n; ++i) delete GetAlias(i);
    Clear();
}

// ---- KxSQLObjectAlias ------------------------------------------------------------------------
KxSQLObjectAlias::KxSQLObjectAlias(KxGClassMap* classMap, const KxRef& ref)
    : classMap_(classMap), ref_(ref) {}

KxSQLObjectAlias::~KxSQLObjectAlias() {
    for (KxObjectAlias* a : subAliases_) delete a;
    delete first_;
}

void* KxSQLObjectAlias::GetObject() const { return first_ != nullptr ? first_->GetData() : nullptr; }

int32_t KxSQLObjectAlias::SetBuffer(KxGSQLObjectBuffer* buffer) {
    if (buffer == nullptr || first_ != nullptr) return KX_ALIAS_E_NULL;
    first_ = buffer;
    return 0;
}

KxGSQLObjectBuffer* KxSQLObjectAlias::GetBuffer() const { return first_; }

int32_t KxSQLObjectAlias::GetRowCount() const { return first_ != nullptr ? first_->GetRowCount() : 0; }

KxGSQLObjectBuffer* KxSQLObjectAlias::NextRow() {
    if (exhausted_) return nullptr;
    if (first_ == nullptr || first_->GetRowCount() <= 0) {
        exhausted_ = true;
        return nullptr;
    }
    if (!started_) {
        started_ = true;
        first_->SetCurrentRow(0);
        return first_;
    }
    const int32_t next = first_->GetCurrentRow() + 1;
    if (next < first_->GetRowCount()) {
        first_->SetCurrentRow(next);
        return first_;
    }
    first_->SetCurrentRow(0);
    exhausted_ = true;
    return nullptr;
}

void KxSQLObjectAlias::Rewind() {
    started_ = false;
    exhausted_ = false;
    if (first_ != nullptr) first_->SetCurrentRow(0);
}

int32_t KxSQLObjectAlias::SetSubAlias(uint32_t index, KxObjectAlias* alias) {
    if (alias == nullptr) return KX_ALIAS_E_NULL;
    if (index >= subAliases_.size()) subAliases_.resize(size_t(index) + 1, nullptr);
    if (subAliases_[index] != alias) delete subAliases_[index];
    subAliases_[index] = alias;
    return 0;
}

KxObjectAlias* KxSQLObjectAlias::GetSubAlias(uint32_t index) const {
    return index < subAliases_.size() ? subAliases_[index] : nullptr;
}

int32_t KxSQLObjectAlias::AddMemberAlias(KxGMemberAlias* alias) {
    if (alias == nullptr) return KX_ALIAS_E_NULL;
    return memberAliases_.Append(alias);
}

KxGMemberAlias* KxSQLObjectAlias::GetMemberAlias(uint32_t i) const {
    return static_cast<KxGMemberAlias*>(memberAliases_.Get(i));
}

// ---- KxSQLSetAlias ---------------------------------------------------------------------------
KxSQLSetAlias::KxSQLSetAlias(KxGClassMap* classMap, const KxRef& ref) : KxSQLObjectAlias(classMap, ref) {}

KxSQLSetAlias::~KxSQLSetAlias() {
    for (KxGSQLObjectBuffer* b : further_) delete b;
}

int32_t KxSQLSetAlias::SetBuffer(KxGSQLObjectBuffer* buffer) {
    if (buffer == nullptr) return KX_ALIAS_E_NULL;
    if (first_ == nullptr) first_ = buffer;
    else further_.push_back(buffer);
    return 0;
}

KxGSQLObjectBuffer* KxSQLSetAlias::Current() const {
    if (current_ == -1) return first_;
    if (current_ >= 0 && size_t(current_) < further_.size()) return further_[size_t(current_)];
    return nullptr;
}

KxGSQLObjectBuffer* KxSQLSetAlias::GetBuffer() const { return Current(); }

uint32_t KxSQLSetAlias::GetBufferCount() const {
    return (first_ != nullptr ? 1u : 0u) + static_cast<uint32_t>(further_.size());
}

int32_t KxSQLSetAlias::GetRowCount() const {
    int32_t rows = KxSQLObjectAlias::GetRowCount();
    for (const KxGSQLObjectBuffer* b : further_) rows += b->GetRowCount();
    return rows;
}

bool KxSQLSetAlias::MoveNext() {
    current_ = current_ == -1 ? 0 : current_ + 1;
    if (size_t(current_) >= further_.size()) {
        current_ = -2;
        exhausted_ = true;
        return false;
    }
    return true;
}

KxGSQLObjectBuffer* KxSQLSetAlias::NextRow() {
    if (current_ == -2) return nullptr;
    KxGSQLObjectBuffer* buffer = Current();
    if (buffer == nullptr) {
        current_ = -2;
        exhausted_ = true;
        return nullptr;
    }
    if (started_) {
        const int32_t next = buffer->GetCurrentRow() + 1;
        if (next < buffer->GetRowCount()) {
            buffer->SetCurrentRow(next);
            return buffer;
        }
        buffer->SetCurrentRow(0);
        if (!MoveNext()) return nullptr;
        buffer = Current();
    }
    started_ = true;
    while (buffer->GetRowCount() <= 0) {   // buffers without rows are passed over
        if (!MoveNext()) return nullptr;
        buffer = Current();
    }
    buffer->SetCurrentRow(0);
    return buffer;
}

void KxSQLSetAlias::Rewind() {
    KxSQLObjectAlias::Rewind();
    for (KxGSQLObjectBuffer* b : further_) b->SetCurrentRow(0);
    current_ = -1;
}
