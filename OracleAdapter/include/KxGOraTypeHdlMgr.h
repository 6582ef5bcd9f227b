// The Oracle type-handler manager: the handler for a kernel type code under a storage kind.
//
// The database object makes one manager on its first GetTypeHdlMgr call and owns it. The manager
// makes each handler once, with the context (database, 0), keeps it in a cache of 61 places
// (handler codes 0 to 60) and deletes them all when it is destroyed.
#pragma once

#include <cstdint>

#include "KxGTypeHdl.h"

class KxGDatabase;

// Storage kinds, as the dialect's TypeNameOptions yields them from a mapping option word.
enum : uint8_t {
    KXG_ORA_KIND_DEFAULT = 0,         // "VARCHAR2", "LONG_RAW"
    KXG_ORA_KIND_CHAR = 1,            // "CHAR"
    KXG_ORA_KIND_LONG = 2,            // "LONG"
    KXG_ORA_KIND_RAW = 3,             // "RAW"
    KXG_ORA_KIND_BLOB = 4,            // "BLOB"
    KXG_ORA_KIND_BLOB_NO_HANDLE = 5,  // "BLOB_NO_HANDLE"
    KXG_ORA_KIND_UNSIGNED = 6,        // "UNSIGNED"
    KXG_ORA_KIND_LARGE_STRING = 127,  // "LARGE_STRING"
    KXG_ORA_KIND_UNKNOWN = 255        // any other word
};

// Handler codes of the storage variants (kernel codes keep their own value).
enum : uint8_t {
    KXG_ORA_HDL_STRING_CHAR = 47,
    KXG_ORA_HDL_ISTRING_CHAR = 48,
    KXG_ORA_HDL_CASEISTRING_CHAR = 49,
    KXG_ORA_HDL_STRING_LONG = 50,
    KXG_ORA_HDL_ISTRING_LONG = 51,
    KXG_ORA_HDL_CASEISTRING_LONG = 52,
    KXG_ORA_HDL_BLOB_RAW = 53,
    KXG_ORA_HDL_CHAR = 54,
    KXG_ORA_HDL_BLOB_KXBLOB = 55,
    KXG_ORA_HDL_BLOB_SQLBUFFER = 56,
    KXG_ORA_HDL_BLOB_NO_HANDLE = 57,
    KXG_ORA_HDL_USHORT = 58,
    KXG_ORA_HDL_UINT = 59,
    KXG_ORA_HDL_ULONG = 60,
    KXG_ORA_HDL_LAST = 60
};

// The manager's flag byte (KxGTypeHdlMgr::GetFlags): 48-bit object ids are supported, and bit 0x01.
constexpr uint8_t KXG_ORA_TYPEMGR_FLAGS = KXG_TYPEMGR_OID48_SUPPORTED | 0x01;
// The manager's further word.
constexpr int32_t KXG_ORA_TYPEMGR_WORD = 1;

class KxGOraTypeHdlMgr : public KxGTypeHdlMgr {
public:
    // Flag byte 5, word 1, an empty cache. The database is not owned.
    explicit KxGOraTypeHdlMgr(KxGDatabase* database);
    // Deletes every cached handler.
    ~KxGOraTypeHdlMgr() override;
    KxGOraTypeHdlMgr(const KxGOraTypeHdlMgr&) = delete;
    KxGOraTypeHdlMgr& operator=(const KxGOraTypeHdlMgr&) = delete;

    // The cached handler of HandlerCode (typeCode, kind, flag), made on first request. A handler code
    // above 60 has no cache place: the request is refused (null) and a line goes to the database's
    // trace; null also when memory runs out.
    KxGTypeHdl* GetTypeHdl(uint8_t typeCode, uint8_t kind, uint8_t flag) override;
    // 1 for the codes 11, 20, 21, 50, 51, 52; for 12, 13, 15, 16, 17, 19 when version is below 780
    // (compared unsigned); 0 for every other code.
    uint16_t StoresEmptyAsNull(uint8_t typeCode, uint32_t version) override;
    // 1 for the kind 4 (BLOB), whose handlers bind LOB locators.
    uint16_t IsHandleKind(uint8_t kind) override;

    // The handler code of a kernel type code under a storage kind and flag:
    //   CHAR: 0, 10 -> 54; 11 -> 47; 20 -> 48; 21 -> 49.   LONG: 11 -> 50; 20 -> 51; 21 -> 52.
    //   RAW: 18 -> 53.   BLOB: 18 -> 55, or 56 when flag is 1.   BLOB_NO_HANDLE: 18 -> 57.
    //   UNSIGNED: 5 -> 58; 6 -> 59; 8 -> 60.   Everything else keeps its code.
    static uint8_t HandlerCode(uint8_t typeCode, uint8_t kind, uint8_t flag);

    KxGDatabase* GetDatabase() const { return context_.GetDatabase(); }
    const KxGContext& GetContext() const { return context_; }

private:
    // A new handler for a handler code (0 to 60), or null when memory runs out.
    KxGTypeHdl* MakeHandler(uint8_t handlerCode);

    KxGContext context_;
    KxGTypeHdl* cache_[KXG_ORA_HDL_LAST + 1] = {};
};
