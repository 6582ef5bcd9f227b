// The Oracle adapter's builder of conversion expressions between columns (schema evolution). The
// Oracle dialect owns one and hands it out through GetTypeConvHdlMgr.
//
// It keeps one conversion handler per conversion code (0 to 60), made on first use and owned. The
// conversion code is the column's kernel type code, except that the string codes 11, 20 and 21 become
// 47, 48, 49 in a CHAR column (storage kind 1) and 50, 51, 52 in a LONG column (storage kind 2).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "KxGOraTypeConvHdl.h"
#include "KxGTypeHdl.h"
#include "KxString.h"

class KxGColumn;
class KxGOptionList;

class KxGOraTypeConvHdlMgr : public KxGTypeConvHdlMgr {
public:
    static constexpr uint32_t kConversionCodes = 61;
    // Storage kinds of string columns (the type-name options "CHAR" and "LONG").
    static constexpr uint8_t kKindChar = 1;
    static constexpr uint8_t kKindLong = 2;

    KxGOraTypeConvHdlMgr();
    // Deletes every cached handler; the option list is not owned.
    ~KxGOraTypeConvHdlMgr() override;
    KxGOraTypeConvHdlMgr(const KxGOraTypeConvHdlMgr&) = delete;
    KxGOraTypeConvHdlMgr& operator=(const KxGOraTypeConvHdlMgr&) = delete;

    // Keeps the mapping's option list (may be null) for the handlers created later: their date and
    // time formats come from its options "DATE_FORMAT" and "TIME_FORMAT" (the registry's format list;
    // defaults "mm/dd/yyyy" and "hh24:mi:ss").
    void SetOptions(KxGOptionList* options) override;
    // Both handlers are looked up with the target column's size; the target handler converts the
    // source column's name from the source handler's kind; when that answers 0 the source handler
    // settles the sizes. -1 (out emptied) when either column's code has no handler.
    int32_t BuildConversion(const KxGColumn& source, const KxGColumn& target, KxString& out) override;
    int32_t CanConvert(const KxGColumn& source, const KxGColumn& target) override;

    // The handler of a kernel type code under a storage kind, set to size; created and cached on first
    // use. Null when the code has no conversion handler.
    KxGTypeConvHdl* GetTypeConvHdl(uint16_t typeCode, uint8_t kind, uint32_t size);
    // The conversion code for a kernel type code under a storage kind.
    static uint16_t ConversionCode(uint16_t typeCode, uint8_t kind);

private:
    std::unique_ptr<KxGTypeConvHdl> CreateTypeConvHdl(uint16_t code, uint32_t size) const;
    void ReadFormats(KxString& dateFormat, KxString& timeFormat) const;

    std::array<std::unique_ptr<KxGTypeConvHdl>, kConversionCodes> handlers_;
    KxGOptionList* options_ = nullptr;
};
