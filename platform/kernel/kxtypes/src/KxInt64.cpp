#include "KxInt64.h"

#include <limits>
#include <string>

#include "KxFormat.h"

using namespace kxtypes_detail;

int32_t KxInt64::PrintToKxString(KxString& out, const char* format) const {
    if (format == nullptr) {
        out = KxString(v_);
        return KX_TYPES_OK;
    }
    NumFormat nf;
    int32_t rc = ParseNumFormat(format, true, false, false, nf);
    if (rc != KX_TYPES_OK) return rc;
    out = KxString(FormatSigned(nf, v_));
    return KX_TYPES_OK;
}

int32_t KxInt64::ScanFromKxString(const KxString& in, const char* format) {
    if (!in.IsActive()) return KX_TYPES_E_SCAN;
    int64_t v;
    int32_t rc = ParseSigned(in.StrGet(), NumFormatBase(format), std::numeric_limits<int64_t>::min(),
                             std::numeric_limits<int64_t>::max(), v);
    if (rc != KX_TYPES_OK) return rc;
    v_ = v;
    return KX_TYPES_OK;
}
