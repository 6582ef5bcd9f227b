// The array-member subject and its items.
#include "KxGenericArraySubject.h"

#include "KxObjectWalkers.h"

KxGenericArrayItem::KxGenericArrayItem(unsigned long index) : KvAspect(KvAspectId(int(index))) {}
KxGenericArrayItem::KxGenericArrayItem(const KxGenericArrayItem& other) = default;
KxGenericArrayItem& KxGenericArrayItem::operator=(const KxGenericArrayItem& other) {
    KvAspect::operator=(other);
    address_ = other.address_;
    return *this;
}

KxGenericArraySubject::KxGenericArraySubject(const KxMember* member, KxTypeMgr* typeMgr) : state_(new State) {
    state_->member = member;
    state_->typeMgr = typeMgr;
    state_->items.assign(member != nullptr ? member->GetElementCount() : 0, nullptr);
    const std::string name = member != nullptr ? member->GetName().ToUtf8() : "unknown member";
    auto* aspect = new KvAspect(KvAspectId(name.c_str()));
    aspect->setTypeTag("my type");
    aspect->setTitle(name.c_str());
    aspects_.add(aspect);
}

KxGenericArraySubject::~KxGenericArraySubject() {
    for (KxGenericArrayItem* item : state_->items) delete item;
    delete state_;
}

KxGenericArrayItem* KxGenericArraySubject::getArrayItem(unsigned long index) {
    if (index >= state_->items.size()) return nullptr;
    if (state_->items[index] == nullptr) state_->items[index] = new KxGenericArrayItem(index);
    return state_->items[index];
}

KxErrorCode KxGenericArraySubject::update(KvAspectSet& set, long index, const KvVerb& verb) {
    KvAspect* first = set.getObject(0);
    KxGenericArrayItem* item =
        index >= 0 && static_cast<size_t>(index) < state_->items.size() ? state_->items[index] : nullptr;
    if (first != nullptr && item != nullptr && item->getAddress() != nullptr && state_->member != nullptr) {
        item->KvAspect::operator=(*first);
        aspectToValue(state_->member->GetTypeCode(), item->getAddress(), item, state_->typeMgr);
    }
    KvSubject::update(set, index, verb);
    return KxErrorCode();
}

void KxGenericArraySubject::getValue(KvAspectSet& set, long index) {
    KvAspect* first = set.getObject(0);
    KxGenericArrayItem* item =
        index >= 0 && static_cast<size_t>(index) < state_->items.size() ? state_->items[index] : nullptr;
    if (item != nullptr) {
        if (first != nullptr) *first = *static_cast<KvAspect*>(item);
    } else if (first != nullptr) {
        *first = "empty";
    }
}

long KxGenericArraySubject::getObjectsCount() {
    return state_ != nullptr && state_->member != nullptr ? long(state_->member->GetElementCount()) : 0;
}

int KxGenericArraySubject::isContainer() const {
    return state_->member != nullptr && (state_->member->GetSetType() != nullptr || state_->member->GetContainerType() != nullptr) ? 1 : 0;
}

int KxGenericArraySubject::isReference() const {
    if (state_->member == nullptr) return 0;
    const KxMemberType type = state_->member->GetMemberType();
    return type == KX_MEMBER_ONDEMAND || type == KX_MEMBER_POINTER ? 1 : 0;
}

int KxGenericArraySubject::isCompound() const {
    return state_->member != nullptr && state_->member->GetMemberType() == KX_MEMBER_EMBEDDED ? 1 : 0;
}
