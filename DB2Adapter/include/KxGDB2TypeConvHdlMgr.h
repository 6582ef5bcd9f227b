// The DB2 conversion manager: builds the DB2 expression that turns the values of one column into the
// type and size of another (KxGDB2TypeConvHdl.h), with one cached handler per conversion code.
//
// Conversion codes: the kernel code, except that the string codes 11, 20, 21 become 47, 52, 54 in a
// VARCHAR column (storage kind 1) and 48, 53, 55 in a LONG VARCHAR column (kind 2).
#pragma once

#include <cstdint>

#include "KxGDB2TypeConvHdl.h"
#include "KxGTypeHdl.h"

// The highest conversion code (the cache has one place per code 0 to it).
constexpr uint8_t KXG_DB2_CONV_LAST = 58;

class KxGDB2TypeConvHdlMgr : public KxGTypeConvHdlMgr {
public:
    KxGDB2TypeConvHdlMgr() = default;
    ~KxGDB2TypeConvHdlMgr() override;
    KxGDB2TypeConvHdlMgr(const KxGDB2TypeConvHdlMgr&) = delete;
    KxGDB2TypeConvHdlMgr& operator=(const KxGDB2TypeConvHdlMgr&) = delete;

    // Nothing: the DB2 expressions take no options.
    void SetOptions(KxGOptionList* options) override;
    // Looks up the source's and then the target's handler, both with the target's size; the
    // target's ConvertFrom with the source handler and the source column's name; when that answers 0
    // the source handler's ConvertSize with the source size. -1 when either column's code has no
    // handler.
    int32_t BuildConversion(const KxGColumn& source, const KxGColumn& target, KxString& out) override;
    int32_t CanConvert(const KxGColumn& source, const KxGColumn& target) override;

    // The conversion code of a kernel code under a storage kind.
    static uint16_t ConversionCode(uint16_t typeCode, uint8_t kind);
    // The cached handler for the code under the kind, given the size; null for a code without one.
    kxgdb2::KxGTypeConvHdl* Lookup(uint16_t typeCode, uint8_t kind, uint32_t size);

private:
    static kxgdb2::KxGTypeConvHdl* MakeHandler(uint16_t conversionCode, uint32_t size);

    kxgdb2::KxGTypeConvHdl* cache_[KXG_DB2_CONV_LAST + 1] = {};
};
