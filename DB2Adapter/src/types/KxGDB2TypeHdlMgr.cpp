// The DB2 type-handler manager: remapping by storage kind, the factory and the cache.
#include "KxGDB2TypeHdlMgr.h"

#include "KxGDB2TypeHdl.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"

KxGDB2TypeHdlMgr::KxGDB2TypeHdlMgr(KxGDatabase* database) : KxGTypeHdlMgr(2, 0), database_(database) {}

KxGDB2TypeHdlMgr::~KxGDB2TypeHdlMgr()
{
    for (KxGTypeHdl*& handler : cache_) {
        delete handler;
        handler = nullptr;
    }
}

uint8_t KxGDB2TypeHdlMgr::HandlerCode(uint8_t typeCode, uint8_t kind)
{
    if (kind == KXG_DB2_KIND_NONE) {
        return typeCode;
    }
    switch (typeCode) {
    case 11:
        switch (kind) {
        case KXG_DB2_KIND_VARCHAR: return 47;
        case KXG_DB2_KIND_LONGVARCHAR: return 48;
        case KXG_DB2_KIND_DBCHAR: return 49;
        case KXG_DB2_KIND_VARDBCHAR: return 50;
        case KXG_DB2_KIND_LONGDBCHAR: return 51;
        default: return typeCode;
        }
    case 20:
        return kind == KXG_DB2_KIND_VARCHAR ? 52 : kind == KXG_DB2_KIND_LONGVARCHAR ? 53 : typeCode;
    case 21:
        return kind == KXG_DB2_KIND_VARCHAR ? 54 : kind == KXG_DB2_KIND_LONGVARCHAR ? 55 : typeCode;
    case 26:
        return kind == KXG_DB2_KIND_INT ? 56 : typeCode;
    case 42:
        return kind == KXG_DB2_KIND_INT ? 57 : typeCode;
    case 43:
        return kind == KXG_DB2_KIND_INT ? 58 : typeCode;
    default:
        return typeCode;
    }
}

KxGTypeHdl* KxGDB2TypeHdlMgr::MakeHandler(uint8_t handlerCode)
{
    switch (handlerCode) {
    case 0: case 10: return new KxGCharTypeHdl(handlerCode);
    case 11: return new KxGStringCharTypeHdl();
    case 12: return new KxGDateTypeHdl();
    case 13: return new KxGTimeTypeHdl();
    case 15: case 17: return new KxGOIDTypeHdl();
    case 16: return new KxGCIDTypeHdl();
    case 18: return new KxGBlobTypeHdl();
    case 19: return new KxGDateTimeTypeHdl();
    case 20: return new KxGIStringCharTypeHdl();
    case 21: return new KxGCaseIStringCharTypeHdl();
    case 26: return new KxGInt64TypeHdl();
    case 27: return new KxGBooleanTypeHdl();
    case 42: return new KxG8BTypeHdl();
    case 43: return new KxGU8BTypeHdl();
    case 47: return new KxGStringVarCharTypeHdl();
    case 48: return new KxGStringLongVarCharTypeHdl();
    case 49: return new KxGStringDBCharTypeHdl();
    case 50: return new KxGStringVarDBCharTypeHdl();
    case 51: return new KxGStringLongVarDBCharTypeHdl();
    case 52: return new KxGIStringVarCharTypeHdl();
    case 53: return new KxGIStringLongVarCharTypeHdl();
    case 54: return new KxGCaseIStringVarCharTypeHdl();
    case 55: return new KxGCaseIStringLongVarCharTypeHdl();
    case 56: return new KxGInt64toInt32TypeHdl();
    case 57: return new KxG8BtoInt32TypeHdl();
    case 58: return new KxGU8BtoInt32TypeHdl();
    default: return new KxGDB2TypeHdl(handlerCode);
    }
}

KxGTypeHdl* KxGDB2TypeHdlMgr::GetTypeHdl(uint8_t typeCode, uint8_t kind, uint8_t)
{
    const uint8_t code = HandlerCode(typeCode, kind);
    if (code > KXG_DB2_HDL_LAST) {
        KxGDatabaseTrace* trace = database_ != nullptr ? database_->GetTrace(KXG_TRACE_DBA) : nullptr;
        if (trace != nullptr) {
            trace->BeginCriticalSection();
            *trace << "\nGetTypeHdl: no type handler for type code " << uint32_t(typeCode) << " (kind "
                   << uint32_t(kind) << ")";
            trace->EndCriticalSection();
        }
        return nullptr;
    }
    if (cache_[code] == nullptr) {
        cache_[code] = MakeHandler(code);
    }
    return cache_[code];
}

uint16_t KxGDB2TypeHdlMgr::StoresEmptyAsNull(uint8_t, uint32_t)
{
    return 1;
}

uint16_t KxGDB2TypeHdlMgr::IsHandleKind(uint8_t)
{
    return 0;
}
