// The Oracle adapter's conversion manager: handler cache, lookup and the conversion of one column.
#include "KxGOraTypeConvHdlMgr.h"

#include "KxGColumn.h"
#include "KxGOptionRegistry.h"

namespace {

constexpr const char* kDefaultDateFormat = "mm/dd/yyyy";
constexpr const char* kDefaultTimeFormat = "hh24:mi:ss";

}  // namespace

KxGOraTypeConvHdlMgr::KxGOraTypeConvHdlMgr() = default;

KxGOraTypeConvHdlMgr::~KxGOraTypeConvHdlMgr() = default;

void KxGOraTypeConvHdlMgr::SetOptions(KxGOptionList* options) { options_ = options; }

uint16_t KxGOraTypeConvHdlMgr::ConversionCode(uint16_t typeCode, uint8_t kind) {
    if (typeCode == 11 || typeCode == 20 || typeCode == 21) {
        const uint16_t offset = typeCode == 11 ? 0 : typeCode == 20 ? 1 : 2;
        if (kind == kKindChar) return static_cast<uint16_t>(47 + offset);
        if (kind == kKindLong) return static_cast<uint16_t>(50 + offset);
    }
    return typeCode;
}

void KxGOraTypeConvHdlMgr::ReadFormats(KxString& dateFormat, KxString& timeFormat) const {
    dateFormat = kDefaultDateFormat;
    timeFormat = kDefaultTimeFormat;
    // The mapping's options "DATE_FORMAT" and "TIME_FORMAT" replace the defaults.
    if (options_ == nullptr) {
        return;
    }
    const KxGOption* date = options_->Find(KxString("DATE_FORMAT"));
    if (date != nullptr && !date->GetArguments().IsEmpty()) {
        dateFormat = date->GetArguments();
    }
    const KxGOption* time = options_->Find(KxString("TIME_FORMAT"));
    if (time != nullptr && !time->GetArguments().IsEmpty()) {
        timeFormat = time->GetArguments();
    }
}

std::unique_ptr<KxGTypeConvHdl> KxGOraTypeConvHdlMgr::CreateTypeConvHdl(uint16_t code, uint32_t size) const {
    KxString dateFormat;
    KxString timeFormat;
    switch (code) {
    case 0:
        return std::make_unique<KxGCharTypeConvHdl>(size);
    case 1: case 2: case 5: case 6: case 7: case 8: case 9: case 26: case 42: case 43:
        return std::make_unique<KxGIntTypeConvHdl>(size);
    case 3: case 4:
        return std::make_unique<KxGFloatTypeConvHdl>(size);
    case 10: case 27:
        return std::make_unique<KxGByteTypeConvHdl>(size);
    case 11: case 20: case 21:
        ReadFormats(dateFormat, timeFormat);
        return std::make_unique<KxGStringTypeConvHdl>(size, dateFormat, timeFormat);
    case 12:
        ReadFormats(dateFormat, timeFormat);
        return std::make_unique<KxGDateTypeConvHdl>(size, dateFormat);
    case 13:
        ReadFormats(dateFormat, timeFormat);
        return std::make_unique<KxGTimeTypeConvHdl>(size, timeFormat);
    case 15: case 16: case 17:
        return std::make_unique<KxGIDTypeConvHdl>();
    case 18:
        return std::make_unique<KxGBlobTypeConvHdl>(size);
    case 19:
        ReadFormats(dateFormat, timeFormat);
        return std::make_unique<KxGDateTimeTypeConvHdl>(size, dateFormat, timeFormat);
    case 47: case 48: case 49:
        ReadFormats(dateFormat, timeFormat);
        return std::make_unique<KxGStringCharTypeConvHdl>(size, dateFormat, timeFormat);
    case 50: case 51: case 52:
        return std::make_unique<KxGStringLongTypeConvHdl>(size);
    default:
        return nullptr;
    }
}

KxGTypeConvHdl* KxGOraTypeConvHdlMgr::GetTypeConvHdl(uint16_t typeCode, uint8_t kind, uint32_t size) {
    const uint16_t code = ConversionCode(typeCode, kind);
    if (code >= kConversionCodes) return nullptr;
    std::unique_ptr<KxGTypeConvHdl>& slot = handlers_[code];
    if (slot) {
        slot->SetSize(size);
        return slot.get();
    }
    slot = CreateTypeConvHdl(code, size);
    return slot.get();
}

int32_t KxGOraTypeConvHdlMgr::BuildConversion(const KxGColumn& source, const KxGColumn& target, KxString& out) {
    out = KxString::EmptyString();
    // Both handlers hold the target's size for the whole call (they may be one and the same handler).
    KxGTypeConvHdl* sourceHdl = GetTypeConvHdl(source.GetTypeCode(), source.GetKind(), target.GetSize());
    KxGTypeConvHdl* targetHdl = GetTypeConvHdl(target.GetTypeCode(), target.GetKind(), target.GetSize());
    if (sourceHdl == nullptr || targetHdl == nullptr) return KXG_CONV_NOT_CONVERTIBLE;
    const KxString& expression = source.GetName();
    const int32_t result = targetHdl->ConvertFrom(*sourceHdl, expression, out);
    if (result != KXG_CONV_SAME) return result;
    return sourceHdl->ConvertSize(source.GetSize(), expression, out);
}

int32_t KxGOraTypeConvHdlMgr::CanConvert(const KxGColumn& source, const KxGColumn& target) {
    KxString scratch;
    return BuildConversion(source, target, scratch);
}
