// The operation environment: what every store, read, query and extent operation of one admin needs,
// and the batch read that groups the objects of one read by class.
//
// The admin makes it on first use, possibly before the database is open and the catalog exists;
// opening the database then hands the environment the catalog and the flags with UpdateAtOpen, so
// that no operation keeps a null catalog. Nothing in it is owned.
#pragma once

#include <cstdint>

#include "KxObjId.h"

class KxBase;
class KxGCatalog;
class KxGClassMap;
class KxGDatabaseInfo;
class KxGReadUnitOfWork;
class KxGRequestList;
class KxGTypeHdlMgr;
class KxObjectAlias;
class KxThreadMgr;

// Bits of the environment's flags.
enum : uint16_t {
    KXG_ENV_MARK_MODIFIED = 0x0001,  // mark-modified in use (the root block's UseMarkModified)
    KXG_ENV_ORDER_BY_OID = 0x0002    // order query results by object id (OrderQueryResultsByOID)
};

// How the batch read finds the class map of a class in the catalog (the catalog's GetClassMap);
// null when the catalog has none.
using KxGClassMapLookup = KxGClassMap* (*)(KxGCatalog* catalog, const KxClassId& classId);

class KxGOperationEnvironment {
public:
    // Any pointer may be null. The flags are non-zero for set. The thread manager is the base's.
    KxGOperationEnvironment(KxBase* base, KxGCatalog* catalog, KxGTypeHdlMgr* typeHdlMgr,
                            KxGDatabaseInfo* dialect, uint16_t markModified, uint16_t orderByOid);
    virtual ~KxGOperationEnvironment();
    KxGOperationEnvironment(const KxGOperationEnvironment&) = delete;
    KxGOperationEnvironment& operator=(const KxGOperationEnvironment&) = delete;

    // At the open of the database: the catalog and both flags replace what the environment was made
    // with (an environment made before the open holds a null catalog and the defaults).
    void UpdateAtOpen(KxGCatalog* catalog, uint16_t markModified, uint16_t orderByOid);
    // The lookup of class maps in the catalog that the batch read uses. Without one every class is
    // missing (-6086).
    void SetClassMapLookup(KxGClassMapLookup lookup) { lookup_ = lookup; }
    KxGClassMapLookup GetClassMapLookup() const { return lookup_; }

    // Batch read, for the object reader, inside its KxGReadScope on the unit of work:
    //  1. aliases[0] must exist and hold its object, else -2002.
    //  2. For each alias in order (null entries skipped): the request of the alias's class is the
    //     one already in out for that class; else the unit's read request for the class when it
    //     holds no aliases (a request that still holds the aliases of an enclosing read is left to
    //     that read); else a new read request with the catalog's class map (no class map: -6086;
    //     out of memory: -2030), added to the unit. A request not yet in out is appended to out. The
    //     alias is added to the request, which owns it from then on, and its entry in aliases is set
    //     to null. An error on the first alias ends the read with that error; an error on a later
    //     alias leaves it out (its entry stays, and the alias stays the caller's) and the read goes on.
    //  3. Every request of out (and only those) is executed in list order; the first non-zero result
    //     is returned, else 0.
    // The requests stay the unit's: they are deleted when the outermost read scope ends.
    int32_t Read(KxGReadUnitOfWork& unit, uint32_t count, KxObjectAlias** aliases, KxGRequestList& out);

    KxBase* GetBase() const { return base_; }
    KxGCatalog* GetCatalog() const { return catalog_; }
    KxGTypeHdlMgr* GetTypeHdlMgr() const { return typeHdlMgr_; }
    KxGDatabaseInfo* GetDatabaseInfo() const { return dialect_; }
    uint16_t GetFlags() const { return flags_; }
    bool UsesMarkModified() const { return (flags_ & KXG_ENV_MARK_MODIFIED) != 0; }
    bool OrdersByObjectId() const { return (flags_ & KXG_ENV_ORDER_BY_OID) != 0; }
    KxThreadMgr* GetThreadMgr() const { return threadMgr_; }

private:
    KxBase* base_;
    KxGCatalog* catalog_;
    KxGTypeHdlMgr* typeHdlMgr_;
    KxGDatabaseInfo* dialect_;
    uint16_t flags_;
    KxThreadMgr* threadMgr_;
    KxGClassMapLookup lookup_ = nullptr;
};
