// The Oracle type-handler manager.
#include "KxGOraTypeHdlMgr.h"

#include <new>

#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGOraTypeHdl.h"

KxGOraTypeHdlMgr::KxGOraTypeHdlMgr(KxGDatabase* database)
    : KxGTypeHdlMgr(KXG_ORA_TYPEMGR_FLAGS, KXG_ORA_TYPEMGR_WORD), context_(database, 0)
{
}

KxGOraTypeHdlMgr::~KxGOraTypeHdlMgr()
{
    for (KxGTypeHdl*& handler : cache_) {
        delete handler;
        handler = nullptr;
    }
}

uint8_t KxGOraTypeHdlMgr::HandlerCode(uint8_t typeCode, uint8_t kind, uint8_t flag)
{
    switch (kind) {
    case KXG_ORA_KIND_CHAR:
        switch (typeCode) {
        case 0:
        case 10:
            return KXG_ORA_HDL_CHAR;
        case 11:
            return KXG_ORA_HDL_STRING_CHAR;
        case 20:
            return KXG_ORA_HDL_ISTRING_CHAR;
        case 21:
            return KXG_ORA_HDL_CASEISTRING_CHAR;
        default:
            return typeCode;
        }
    case KXG_ORA_KIND_LONG:
        switch (typeCode) {
        case 11:
            return KXG_ORA_HDL_STRING_LONG;
        case 20:
            return KXG_ORA_HDL_ISTRING_LONG;
        case 21:
            return KXG_ORA_HDL_CASEISTRING_LONG;
        default:
            return typeCode;
        }
    case KXG_ORA_KIND_RAW:
        return typeCode == 18 ? uint8_t(KXG_ORA_HDL_BLOB_RAW) : typeCode;
    case KXG_ORA_KIND_BLOB:
        if (typeCode != 18) {
            return typeCode;
        }
        return flag == 1 ? KXG_ORA_HDL_BLOB_SQLBUFFER : KXG_ORA_HDL_BLOB_KXBLOB;
    case KXG_ORA_KIND_BLOB_NO_HANDLE:
        return typeCode == 18 ? uint8_t(KXG_ORA_HDL_BLOB_NO_HANDLE) : typeCode;
    case KXG_ORA_KIND_UNSIGNED:
        switch (typeCode) {
        case 5:
            return KXG_ORA_HDL_USHORT;
        case 6:
            return KXG_ORA_HDL_UINT;
        case 8:
            return KXG_ORA_HDL_ULONG;
        default:
            return typeCode;
        }
    default:
        return typeCode;
    }
}

KxGTypeHdl* KxGOraTypeHdlMgr::GetTypeHdl(uint8_t typeCode, uint8_t kind, uint8_t flag)
{
    const uint8_t code = HandlerCode(typeCode, kind, flag);
    if (code > KXG_ORA_HDL_LAST) {
        KxGDatabase* database = context_.GetDatabase();
        KxGDatabaseTrace* trace = database != nullptr ? database->GetTrace(KXG_TRACE_DBA) : nullptr;
        if (trace != nullptr) {
            trace->BeginCriticalSection();
            *trace << "\nGetTypeHdl: no type handler for type code " << uint32_t(typeCode) << " (handler code "
                   << uint32_t(code) << ", kind " << uint32_t(kind) << ")";
            trace->EndCriticalSection();
        }
        return nullptr;
    }
    if (cache_[code] == nullptr) {
        cache_[code] = MakeHandler(code);
    }
    return cache_[code];
}

KxGTypeHdl* KxGOraTypeHdlMgr::MakeHandler(uint8_t handlerCode)
{
    const KxGContext& c = context_;
    switch (handlerCode) {
    case 0:
    case 10:
        return new (std::nothrow) KxGOraByteTypeHdl(c, handlerCode);
    case 11:
        return new (std::nothrow) KxGOraStringTypeHdl(c);
    case 12:
        return new (std::nothrow) KxGOraDateTypeHdl(c);
    case 13:
        return new (std::nothrow) KxGOraTimeTypeHdl(c);
    case 15:
    case 17:
        return new (std::nothrow) KxGOraOIDTypeHdl(c, handlerCode);
    case 16:
        return new (std::nothrow) KxGOraCIDTypeHdl(c);
    case 18:
        return new (std::nothrow) KxGOraBlobTypeHdl(c);
    case 19:
        return new (std::nothrow) KxGOraDateTimeTypeHdl(c);
    case 20:
        return new (std::nothrow) KxGOraIStringTypeHdl(c);
    case 21:
        return new (std::nothrow) KxGOraCaseIStringTypeHdl(c);
    case 26:
        return new (std::nothrow) KxGOraInt64TypeHdl(c);
    case 27:
        return new (std::nothrow) KxGOraBooleanTypeHdl(c);
    case 42:
        return new (std::nothrow) KxGOra8BTypeHdl(c);
    case 43:
        return new (std::nothrow) KxGOraU8BTypeHdl(c);
    case KXG_ORA_HDL_STRING_CHAR:
        return new (std::nothrow) KxGOraStringCHARTypeHdl(c);
    case KXG_ORA_HDL_ISTRING_CHAR:
        return new (std::nothrow) KxGOraIStringCHARTypeHdl(c);
    case KXG_ORA_HDL_CASEISTRING_CHAR:
        return new (std::nothrow) KxGOraCaseIStringCHARTypeHdl(c);
    case KXG_ORA_HDL_STRING_LONG:
        return new (std::nothrow) KxGOraStringLONGCHARTypeHdl(c);
    case KXG_ORA_HDL_ISTRING_LONG:
        return new (std::nothrow) KxGOraIStringLONGCHARTypeHdl(c);
    case KXG_ORA_HDL_CASEISTRING_LONG:
        return new (std::nothrow) KxGOraCaseIStringLONGCHARTypeHdl(c);
    case KXG_ORA_HDL_BLOB_RAW:
        return new (std::nothrow) KxGOraBlobRawTypeHdl(c);
    case KXG_ORA_HDL_CHAR:
        return new (std::nothrow) KxGOraCharTypeHdl(c);
    case KXG_ORA_HDL_BLOB_KXBLOB:
        return new (std::nothrow) KxGOraBlobBlobAsKxBlobTypeHdl(c);
    case KXG_ORA_HDL_BLOB_SQLBUFFER:
        return new (std::nothrow) KxGOraBlobBlobAsSQLObjectBufferTypeHdl(c);
    case KXG_ORA_HDL_BLOB_NO_HANDLE:
        return new (std::nothrow) KxGOraBlobNoHandleTypeHdl(c);
    case KXG_ORA_HDL_USHORT:
    case KXG_ORA_HDL_UINT:
    case KXG_ORA_HDL_ULONG:
        return new (std::nothrow) KxGUnsignedTypeHdl(c, handlerCode);
    default:
        return new (std::nothrow) KxGOraTypeHdl(c, handlerCode);
    }
}

uint16_t KxGOraTypeHdlMgr::StoresEmptyAsNull(uint8_t typeCode, uint32_t version)
{
    switch (typeCode) {
    case 11:
    case 20:
    case 21:
    case KXG_ORA_HDL_STRING_LONG:
    case KXG_ORA_HDL_ISTRING_LONG:
    case KXG_ORA_HDL_CASEISTRING_LONG:
        return 1;
    case 12:
    case 13:
    case 15:
    case 16:
    case 17:
    case 19:
        return version < uint32_t(KXG_ORA_EMPTY_AS_VALUE_VERSION) ? 1 : 0;
    default:
        return 0;
    }
}

uint16_t KxGOraTypeHdlMgr::IsHandleKind(uint8_t kind)
{
    return kind == KXG_ORA_KIND_BLOB ? 1 : 0;
}
