#include "KvSurrogate.h"

// ---------------------------------------------------------------------------------------------
// KvKelvoxObjectId

KvKelvoxObjectId::KvKelvoxObjectId() : ref_(nullptr), base_(nullptr) {}

KvKelvoxObjectId::KvKelvoxObjectId(const KxRef& ref, KxBase* base) : ref_(new KxRef(ref)), base_(base) {}

KvKelvoxObjectId::KvKelvoxObjectId(const KxObjId& id, KxBase* base) : ref_(new KxRef()), base_(base) {
    *ref_ = id;
}

KvKelvoxObjectId::KvKelvoxObjectId(const KvKelvoxObjectId& other)
    : ref_(new KxRef(other.getRef())), base_(other.base_) {}

KvKelvoxObjectId::~KvKelvoxObjectId() { clear(); }

KvKelvoxObjectId& KvKelvoxObjectId::operator=(const KxObjId& id) {
    KxRef ref;
    ref = id;
    setRef(ref);
    return *this;
}

KvKelvoxObjectId& KvKelvoxObjectId::operator=(const KvKelvoxObjectId& other) {
    if (this != &other) {
        setRef(other.getRef());
        base_ = other.base_;
    }
    return *this;
}

void KvKelvoxObjectId::setRef(const KxRef& ref) {
    KxRef* copy = new KxRef(ref);
    delete ref_;
    ref_ = copy;
}

KxRef KvKelvoxObjectId::getRef() const { return ref_ ? *ref_ : KxRef(); }

void KvKelvoxObjectId::setBase(KxBase* base) { base_ = base; }

KxBase* KvKelvoxObjectId::getBase() const { return base_; }

void KvKelvoxObjectId::clear() {
    delete ref_;
    ref_ = nullptr;
}

bool KvKelvoxObjectId::operator==(const KvKelvoxObjectId& other) const {
    return getRef() == other.getRef() && base_ == other.base_;
}

// ---------------------------------------------------------------------------------------------
// KvSurrogate

KvSurrogate::KvSurrogate() : kind_(none) { value_.p = nullptr; }

KvSurrogate::KvSurrogate(const void* p) : kind_(pointer) { value_.p = p; }

KvSurrogate::KvSurrogate(long n) : kind_(number) { value_.n = n; }

KvSurrogate::KvSurrogate(const char* s) : kind_(text) { value_.s = new KxString(s); }

KvSurrogate::KvSurrogate(const KxString& s) : kind_(text) { value_.s = new KxString(s); }

KvSurrogate::KvSurrogate(const KxObjId& id) : kind_(objectId) {
    value_.id = new KvKelvoxObjectId(id, nullptr);
}

KvSurrogate::KvSurrogate(const KvKelvoxObjectId& id) : kind_(objectId) {
    value_.id = new KvKelvoxObjectId(id);
}

KvSurrogate::KvSurrogate(const KvSurrogate& other) : kind_(none) {
    value_.p = nullptr;
    *this = other;
}

KvSurrogate::~KvSurrogate() { clear(); }

void KvSurrogate::clear() {
    if (kind_ == text) delete value_.s;
    else if (kind_ == objectId) delete value_.id;
    value_.p = nullptr;
    kind_ = none;
}

KvSurrogate& KvSurrogate::operator=(const KvSurrogate& other) {
    if (this == &other) return *this;
    switch (other.kind_) {
        case pointer: return *this = other.value_.p;
        case number: return *this = other.value_.n;
        case text: return *this = *other.value_.s;
        case objectId: return *this = *other.value_.id;
        default: clear(); return *this;
    }
}

KvSurrogate& KvSurrogate::operator=(const char* s) { return *this = KxString(s); }

KvSurrogate& KvSurrogate::operator=(const KxString& s) {
    KxString* copy = new KxString(s);  // before releasing: s may be the held text
    clear();
    value_.s = copy;
    kind_ = text;
    return *this;
}

KvSurrogate& KvSurrogate::operator=(const KxObjId& id) {
    KvKelvoxObjectId* copy = new KvKelvoxObjectId(id, nullptr);
    clear();
    value_.id = copy;
    kind_ = objectId;
    return *this;
}

KvSurrogate& KvSurrogate::operator=(const KvKelvoxObjectId& id) {
    KvKelvoxObjectId* copy = new KvKelvoxObjectId(id);
    clear();
    value_.id = copy;
    kind_ = objectId;
    return *this;
}

KvSurrogate& KvSurrogate::operator=(const void* p) {
    clear();
    value_.p = p;
    kind_ = pointer;
    return *this;
}

KvSurrogate& KvSurrogate::operator=(long n) {
    clear();
    value_.n = n;
    kind_ = number;
    return *this;
}

long KvSurrogate::getLong() const { return kind_ == number ? value_.n : 0; }

const void* KvSurrogate::getVoidPtr() const { return kind_ == pointer ? value_.p : nullptr; }

const char* KvSurrogate::getConstCharPtr() const { return kind_ == text ? value_.s->StrGet() : nullptr; }

KxString KvSurrogate::getKxString() const {
    switch (kind_) {
        case text: return *value_.s;
        case number: return KxString(static_cast<long long>(value_.n));
        case objectId: {
            KxString out;
            value_.id->getRef().PrintToKxString(out);
            return out;
        }
        default: return KxString::EmptyString();
    }
}

KxObjId KvSurrogate::getKxObjId() const {
    return kind_ == objectId ? value_.id->getRef().GetObjId() : KxObjId();
}

KvKelvoxObjectId KvSurrogate::getKvKelvoxObjectId() const {
    return kind_ == objectId ? *value_.id : KvKelvoxObjectId();
}

int KvSurrogate::operator==(const KvSurrogate& other) const {
    if (kind_ != other.kind_) return 0;
    switch (kind_) {
        case pointer: return value_.p == other.value_.p;
        case number: return value_.n == other.value_.n;
        case text: return *value_.s == *other.value_.s;
        case objectId: return *value_.id == *other.value_.id;
        default: return 0;
    }
}
