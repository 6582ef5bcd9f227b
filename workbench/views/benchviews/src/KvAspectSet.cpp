#include "KvAspectSet.h"

#include "KvSubject.h"

KvAspectSet::KvAspectSet() : aspects_(1024, 16, 16) {}

KvAspectSet::KvAspectSet(const KvAspectSet& other) : aspects_(other.aspects_) {}

KvAspectSet& KvAspectSet::operator=(const KvAspectSet& other) {
    aspects_ = other.aspects_;
    return *this;
}

KvAspectSet::~KvAspectSet() { deleteAspects(); }

void KvAspectSet::add(KvAspect* aspect) { aspects_.Insert(aspect, CONTAINER_APPEND); }

void KvAspectSet::remove(KvAspect* aspect) { aspects_.Remove(aspect); }

unsigned long KvAspectSet::count() const { return aspects_.Count(); }

KvAspect* KvAspectSet::getObject(unsigned long index) const {
    return index < aspects_.Count() ? static_cast<KvAspect*>(aspects_.GetObject(static_cast<uint32_t>(index)))
                                    : nullptr;
}

KvAspect* KvAspectSet::first() { return static_cast<KvAspect*>(aspects_.First()); }
KvAspect* KvAspectSet::next() { return static_cast<KvAspect*>(aspects_.Next()); }
KvAspect* KvAspectSet::prev() { return static_cast<KvAspect*>(aspects_.Prev()); }
KvAspect* KvAspectSet::last() { return static_cast<KvAspect*>(aspects_.Last()); }

void KvAspectSet::clear() { aspects_.Clear(); }

void KvAspectSet::deleteAspects() {
    while (aspects_.Count() > 0) delete static_cast<KvAspect*>(aspects_.Remove(uint32_t(0)));
}

KvAspect* KvAspectSet::getAspect(KvAspectId id) const {
    for (uint32_t i = 0; i < aspects_.Count(); ++i) {
        KvAspect* a = static_cast<KvAspect*>(aspects_.GetObject(i));
        if (a && a->aspectId() == id) return a;
    }
    return nullptr;
}

int KvAspectSet::setAspect(KvAspect& aspect) {
    KvAspect* target = getAspect(aspect.aspectId());
    if (target == nullptr) return 0;
    *target = aspect;
    return 1;
}

void KvAspectSet::setAspectState(unsigned long state) {
    for (uint32_t i = 0; i < aspects_.Count(); ++i) static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState() = state;
}

unsigned long KvAspectSet::getAspectStateOR() const {
    unsigned long state = 0;
    for (uint32_t i = 0; i < aspects_.Count(); ++i) state |= static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState();
    return state;
}

unsigned long KvAspectSet::getAspectStateAND() const {
    if (aspects_.Count() == 0) return 0;
    unsigned long state = ~0ul;
    for (uint32_t i = 0; i < aspects_.Count(); ++i) state &= static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState();
    return state;
}

void KvAspectSet::setBits(unsigned long bits) {
    for (uint32_t i = 0; i < aspects_.Count(); ++i) static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState() |= bits;
}

void KvAspectSet::clearBits(unsigned long bits) {
    for (uint32_t i = 0; i < aspects_.Count(); ++i) static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState() &= ~bits;
}

int KvAspectSet::allHave(unsigned long bits) const {
    for (uint32_t i = 0; i < aspects_.Count(); ++i)
        if ((static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState() & bits) == 0) return 0;
    return 1;
}

int KvAspectSet::anyHas(unsigned long bits) const {
    for (uint32_t i = 0; i < aspects_.Count(); ++i)
        if (static_cast<KvAspect*>(aspects_.GetObject(i))->aspectState() & bits) return 1;
    return 0;
}

void KvAspectSet::setOk() { setBits(KvAspect::stateOk); }
void KvAspectSet::setNotOk() { clearBits(KvAspect::stateOk); }
void KvAspectSet::setOriginal() { setBits(KvAspect::stateOriginal); }
void KvAspectSet::setNotOriginal() { clearBits(KvAspect::stateOriginal); }
void KvAspectSet::setChecked() { setBits(KvAspect::stateChecked); }
void KvAspectSet::setNotChecked() { clearBits(KvAspect::stateChecked); }
void KvAspectSet::setJustCreated() { setBits(KvAspect::stateJustCreated); }
void KvAspectSet::setNotJustCreated() { clearBits(KvAspect::stateJustCreated); }
void KvAspectSet::setReadOnly() { setBits(KvAspect::stateReadOnly); }
void KvAspectSet::setNotReadOnly() { clearBits(KvAspect::stateReadOnly); }
void KvAspectSet::setRefreshed() { setBits(KvAspect::stateRefreshed); }
void KvAspectSet::setNotRefreshed() { clearBits(KvAspect::stateRefreshed); }
void KvAspectSet::setCastError() { setBits(KvAspect::stateCastError); }
void KvAspectSet::setNotCastError() { clearBits(KvAspect::stateCastError); }
void KvAspectSet::setAvail() { clearBits(KvAspect::stateNotAvail); }
void KvAspectSet::setNotAvail() { setBits(KvAspect::stateNotAvail); }

int KvAspectSet::isOk() const { return allHave(KvAspect::stateOk); }
int KvAspectSet::isOriginal() const { return allHave(KvAspect::stateOriginal); }
int KvAspectSet::isChecked() const { return allHave(KvAspect::stateChecked); }
int KvAspectSet::isJustCreated() const { return allHave(KvAspect::stateJustCreated); }
int KvAspectSet::isReadOnly() const { return allHave(KvAspect::stateReadOnly); }
int KvAspectSet::isRefreshed() const { return allHave(KvAspect::stateRefreshed); }
int KvAspectSet::isCastError() const { return allHave(KvAspect::stateCastError); }
int KvAspectSet::isNotOk() const { return !isOk(); }
int KvAspectSet::isNotOriginal() const { return !isOriginal(); }
int KvAspectSet::isNotChecked() const { return !isChecked(); }
int KvAspectSet::isNotJustCreated() const { return !isJustCreated(); }
int KvAspectSet::isNotReadOnly() const { return !isReadOnly(); }
int KvAspectSet::isNotRefreshed() const { return !isRefreshed(); }
int KvAspectSet::isNotCastError() const { return !isCastError(); }
int KvAspectSet::isAvail() const { return !anyHas(KvAspect::stateNotAvail); }
int KvAspectSet::isNotAvail() const { return anyHas(KvAspect::stateNotAvail); }

void KvAspectSet::clearAspectValues() {
    for (uint32_t i = 0; i < aspects_.Count(); ++i) static_cast<KvAspect*>(aspects_.GetObject(i))->clearValue();
}

void KvAspectSet::clearAllAspectValues() {
    for (uint32_t i = 0; i < aspects_.Count(); ++i) {
        KvAspect* a = static_cast<KvAspect*>(aspects_.GetObject(i));
        if (a->aspectType() == 9) delete a->getSubjectPtr();
        a->clearValue();
    }
}
