// Kernel interface of a database admin: opens and closes a database, hands out object ids,
// places object locks, registers classes. A storage module derives it. Every virtual operation
// answers KX_KERNEL_E_NOT_SUPPORTED (-2999) (or null) unless stated otherwise; the kernel-side
// state below (state word, database version, surrogate cache, bucket manager, dictionary) is
// kept here for the derived admin.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxDateTime.h"
#include "KxKernelStatus.h"
#include "KxMgr.h"
#include "KxObjId.h"
#include "KxRef.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxBase;
class KxClassDict;
class KxDatabaseShell;
class KxMetaClass;
class KxObject;

// The dictionary facts of a database in one record.
struct KxDictionaryInfo {
    KxDateTime modifyStamp;
    KxDateTime stamp;
    uint16_t revision0 = 0;
    uint16_t indexRevision = 0;
    uint16_t dictionaryRevision = 0;
};

class KxAdmin {
public:
    // Values of the state word.
    enum : int32_t {
        KX_ADMIN_FAILED = 0,
        KX_ADMIN_INITIALISED = 1,
        KX_ADMIN_OPEN = 2,
        KX_ADMIN_CLOSING = 3,
        KX_ADMIN_CLOSED = 4
    };

    KxAdmin(KxBase* base, int32_t flags);
    // Deletes the buckets of the bucket manager.
    virtual ~KxAdmin();
    KxAdmin(const KxAdmin&) = delete;
    KxAdmin& operator=(const KxAdmin&) = delete;

    // ---- kernel-side state -----------------------------------------------------------------
    KxBase* GetBase() const;
    int32_t GetFlags() const;
    int32_t GetState() const;          // starts at KX_ADMIN_FAILED (0)
    void SetState(int32_t state);
    int32_t GetDatabaseVersion() const;
    void SetDatabaseVersion(int32_t version);
    // The file facts of the database (KxBase::GetFileInfo); a storage sets them when it opens.
    // Until then: file version 5, free-store management version 2.
    const KxDatabaseFileInfo& GetFileInfo() const;
    void SetFileInfo(const KxDatabaseFileInfo& info);

    // The surrogate cache: object ids fetched ahead (FetchSurrogates) and not yet handed out.
    // SetSurrogateCache empties the cache and sets how many ids one refill fetches.
    void SetSurrogateCache(int32_t count, int32_t capacity);
    int32_t GetSurrogateCount() const;
    int32_t GetSurrogateCapacity() const;
    // The next object id: from the cache, refilled through FetchSurrogates(capacity) when empty.
    // 0 and id set, or the negative result of FetchSurrogates.
    int32_t NextSurrogate(KxObjId& id);
    // Gives the cached ids back through RecycleSurrogates and empties the cache; answers the
    // result of RecycleSurrogates (0 when the cache is empty).
    int32_t RecycleCachedSurrogates();

    // The bucket manager of this database.
    KxMgr& GetBucketMgr();

    // Opens the class dictionary of the database. Unless one is attached, the admin asks its
    // GetDictionaryInfo for the dictionary's name and server and gets it from the root
    // (KxRoot::GetDictionary), failing with the root's code. When GetDictionaryInfo is not
    // supported (-2999) or gives no name, the opening succeeds without a dictionary
    // (GetDictionary null); another failure of GetDictionaryInfo is returned.
    int32_t OpenDictionary();
    bool IsDictionaryOpen() const;
    KxClassDict* GetDictionary() const;
    // Attaches a dictionary the caller holds (KxRoot::GetDictionary / AddDictionary); the admin
    // takes over that hold and releases it at CloseDatabase, at destruction or when another is
    // attached (null detaches).
    void AttachDictionary(KxClassDict* held);

    // ---- operations -------------------------------------------------------------------------
    virtual int32_t Init();
    virtual int32_t OpenDatabase();
    // The kernel admin's own close (derived admins call it at the end of theirs): closes the buckets
    // (they point at the dictionary's classes), then the dictionary (releasing it), and empties the
    // surrogate cache (without recycling). Answers 0.
    virtual int32_t CloseDatabase();
    virtual int32_t RegisterClass(KxMetaClass* metaClass);
    virtual int32_t FetchSurrogates(KxObjId* ids, int32_t count);
    virtual int32_t RecycleSurrogates(KxObjId* ids, int32_t count);
    virtual int32_t LockWatch(const KxRef& ref, const KxLockSpec* lockSpec,
                              const KxWatchSpec* watchSpec);
    virtual int32_t UnlockWatch(const KxRef& ref, const KxLockSpec* lockSpec,
                                const KxWatchSpec* watchSpec);
    virtual int32_t ReleaseObjectLocks(KxObject* object, const KxRef& ref,
                                       const KxLockSpec* lockSpec);
    virtual int32_t GetLockList(int32_t kind, KxObject* object);
    virtual int32_t GetDictionaryInfo(KxString& name, KxString& server, KxDateTime& stamp);
    virtual int32_t SetDictionaryInfo(const KxString& name, const KxString& server,
                                      const KxDateTime& stamp);
    virtual int32_t GetDatabaseStamp(KxDateTime& stamp);
    virtual int32_t GetDictionaryModifyStamp(KxDateTime& stamp);
    virtual int32_t GetTypeMgrVersion(uint16_t& version);
    virtual int32_t GetRevisions(uint16_t& revision0, uint16_t& indexRevision,
                                 uint16_t& dictionaryRevision);
    virtual int32_t GetDictionaryInfoRecord(KxDictionaryInfo& info);
    virtual int32_t GetDictionaryServerName(KxString& server);
    virtual int32_t CreateDatabase(const KxString& database, const KxString& dictionary,
                                   const KxString& storage);
    virtual int32_t Reconnect();
    // 1 when the referenced object exists in the storage, else 0 (or a negative status).
    virtual int32_t CheckObject(const KxRef& ref);
    // A new database shell (owned by the caller); null when not supported.
    virtual KxDatabaseShell* CreateShell();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
