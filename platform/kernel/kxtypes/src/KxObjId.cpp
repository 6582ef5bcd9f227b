#include "KxObjId.h"

#include <string>

#include "KxFormat.h"
#include "KxRef.h"

using namespace kxtypes_detail;

// ---------------------------------------------------------------------------------------------
// KxObjId

int32_t KxObjId::Set64(uint64_t value) {
    if (value > kMaxValue) return KX_TYPES_E_OVERFLOW;
    low_ = static_cast<uint32_t>(value);
    high_ = static_cast<uint16_t>(value >> 32);
    return KX_TYPES_OK;
}

int32_t KxObjId::Add(int64_t n) {
    const uint64_t v = Get64();
    uint64_t r;
    if (n >= 0) {
        const uint64_t add = static_cast<uint64_t>(n);
        if (add > kMaxValue - v) return KX_TYPES_E_OVERFLOW;
        r = v + add;
    } else {
        const uint64_t sub = n == INT64_MIN ? (uint64_t(1) << 63) : static_cast<uint64_t>(-n);
        if (sub > v) return KX_TYPES_E_OVERFLOW;
        r = v - sub;
    }
    return Set64(r);
}

int32_t KxObjId::Compare(const KxObjId& o) const {
    if (high_ != o.high_) return high_ < o.high_ ? -1 : 1;
    if (low_ != o.low_) return low_ < o.low_ ? -1 : 1;
    return 0;
}

int32_t KxObjId::PrintToKxString(KxString& out, const char*) const {
    out = KxString(Get64());
    return KX_TYPES_OK;
}

int32_t KxObjId::ScanFromKxString(const KxString& in, const char*) {
    uint64_t v;
    int32_t rc = ParseUnsigned(in.StrGet(), 10, kMaxValue, v);
    if (rc != KX_TYPES_OK) return rc;
    return Set64(v);
}

// ---------------------------------------------------------------------------------------------
// KxClassId

const KxClassId& KxClassId::Invalid() {
    static const KxClassId invalid;
    return invalid;
}

int32_t KxClassId::Compare(const KxClassId& o) const {
    if (number_ != o.number_) return number_ < o.number_ ? -1 : 1;
    if (version_ != o.version_) return version_ < o.version_ ? -1 : 1;
    return 0;
}

int32_t KxClassId::PrintToKxString(KxString& out, const char*) const {
    KxString s("");
    s << static_cast<uint32_t>(number_) << '.' << static_cast<uint32_t>(version_);
    out = s;
    return KX_TYPES_OK;
}

namespace {

int32_t ScanClassId(const std::string& text, KxClassId& out) {
    const size_t dot = text.find('.');
    uint64_t number, version = 0;
    int32_t rc = ParseUnsigned(text.substr(0, dot).c_str(), 10, 0xFFFF, number);
    if (rc != KX_TYPES_OK) return rc;
    if (dot != std::string::npos) {
        rc = ParseUnsigned(text.substr(dot + 1).c_str(), 10, 0xFFFF, version);
        if (rc != KX_TYPES_OK) return rc;
    }
    out = KxClassId(static_cast<uint16_t>(number), static_cast<uint16_t>(version));
    return KX_TYPES_OK;
}

}  // namespace

int32_t KxClassId::ScanFromKxString(const KxString& in, const char*) {
    if (!in.IsActive()) return KX_TYPES_E_SCAN;
    return ScanClassId(in.StrGet(), *this);
}

// ---------------------------------------------------------------------------------------------
// KxRef

KxRef& KxRef::operator=(const KxObjId& id) {
    id_ = id;
    classId_ = KxClassId();
    base_ = 0;
    return *this;
}

void KxRef::Clear() {
    id_.Clear();
    classId_ = KxClassId();
    base_ = 0;
}

int32_t KxRef::PrintToKxString(KxString& out, const char*) const {
    KxString s("");
    s << id_.Get64() << ':' << static_cast<uint32_t>(classId_.GetClassNumber()) << '.'
      << static_cast<uint32_t>(classId_.GetVersion());
    if (base_ != 0) s << ':' << base_;
    out = s;
    return KX_TYPES_OK;
}

int32_t KxRef::ScanFromKxString(const KxString& in, const char*) {
    if (!in.IsActive()) return KX_TYPES_E_SCAN;
    const std::string text = in.StrGet();
    const size_t c1 = text.find(':');
    if (c1 == std::string::npos) return KX_TYPES_E_SCAN;
    const size_t c2 = text.find(':', c1 + 1);
    uint64_t oid, marker = 0;
    int32_t rc = ParseUnsigned(text.substr(0, c1).c_str(), 10, KxObjId::kMaxValue, oid);
    if (rc != KX_TYPES_OK) return rc;
    KxClassId cid;
    rc = ScanClassId(text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1), cid);
    if (rc != KX_TYPES_OK) return rc;
    if (c2 != std::string::npos) {
        rc = ParseUnsigned(text.substr(c2 + 1).c_str(), 10, 0xFFFFFFFFu, marker);
        if (rc != KX_TYPES_OK) return rc;
    }
    KxObjId id;
    id.Set64(oid);
    id_ = id;
    classId_ = cid;
    base_ = static_cast<uint32_t>(marker);
    return KX_TYPES_OK;
}
