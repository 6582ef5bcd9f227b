// The DB2 type-handler manager: turns a kernel type code and the storage kind that a member's
// mapping option names into the DB2 type handler (KxGDB2TypeHdl.h) that serves it, creates each
// handler once and keeps it until the manager is destroyed.
//
// Storage kinds (as the DB2 dialect yields them from an option word): 0 CHAR, CHARACTER, BIGINT,
// BLOB or none; 1 VARCHAR, or INT, INTEGER, OLD_INT64_MAPPING for the 64-bit codes; 2 LONGVARCHAR;
// 4 DBCHAR; 8 VARDBCHAR; 16 LONGDBCHAR.
//
// Handler codes (kernel codes remapped by kind; codes not listed keep their value):
//   11 by kind 1, 2, 4, 8, 16 -> 47 to 51; 20 by kind 1, 2 -> 52, 53; 21 by kind 1, 2 -> 54, 55;
//   26, 42, 43 by kind 1 -> 56, 57, 58.
#pragma once

#include <cstdint>

#include "KxGTypeHdl.h"

class KxGDatabase;

enum : uint8_t {
    KXG_DB2_KIND_NONE = 0,
    KXG_DB2_KIND_VARCHAR = 1,
    KXG_DB2_KIND_INT = 1,
    KXG_DB2_KIND_LONGVARCHAR = 2,
    KXG_DB2_KIND_DBCHAR = 4,
    KXG_DB2_KIND_VARDBCHAR = 8,
    KXG_DB2_KIND_LONGDBCHAR = 16
};

// The highest handler code (the cache has one place per code 0 to it).
constexpr uint8_t KXG_DB2_HDL_LAST = 58;

class KxGDB2TypeHdlMgr : public KxGTypeHdlMgr {
public:
    // The database object served (not owned; may be null).
    explicit KxGDB2TypeHdlMgr(KxGDatabase* database);
    ~KxGDB2TypeHdlMgr() override;
    KxGDB2TypeHdlMgr(const KxGDB2TypeHdlMgr&) = delete;
    KxGDB2TypeHdlMgr& operator=(const KxGDB2TypeHdlMgr&) = delete;

    // The handler for the code under the kind (the flag is not used); the same object for the same
    // handler code. Null, with a trace line, for a code that maps past the cache.
    KxGTypeHdl* GetTypeHdl(uint8_t typeCode, uint8_t kind, uint8_t flag) override;
    // 1: every empty value is stored as NULL.
    uint16_t StoresEmptyAsNull(uint8_t typeCode, uint32_t version) override;
    // 0: no DB2 handler binds a locator.
    uint16_t IsHandleKind(uint8_t kind) override;

    // The handler code for the kernel code under the kind.
    static uint8_t HandlerCode(uint8_t typeCode, uint8_t kind);

    KxGDatabase* GetDatabase() const { return database_; }

private:
    static KxGTypeHdl* MakeHandler(uint8_t handlerCode);

    KxGDatabase* database_;
    KxGTypeHdl* cache_[KXG_DB2_HDL_LAST + 1] = {};
};
