// The state of a base (private to the kernel library).
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "KxBase.h"
#include "KxObject.h"
#include "KxObjectSpace.h"
#include "KxTransaction.h"

class KxAdmin;
class KxConnectionFactory;
class KxDatabaseShell;
class KxLoadableModule;

// The storage a base is connected to and the database opened on it.
struct KxBaseStorage {
    KxString server;   // the text given to Connect
    KxString brand;
    KxString physical;
    KxLoadableModule* module = nullptr;               // one load of it is the base's (registry owns it)
    KxConnectionFactory* factory = nullptr;           // owned
    KxBaseConnection* connection = nullptr;           // owned
    KxAdmin* admin = nullptr;                         // owned
    KxDatabaseShell* shell = nullptr;                 // owned
    std::unique_ptr<KxTransaction> transaction;       // the base's own transaction while levels are open
    bool clientOpen = false;
    bool open = false;
};

// The stores and deletes of a transaction that are not written yet: one inner level of the shell,
// open in the resource of the transaction that made it, holds their registrations until something
// must see them (KxBaseStorage.cpp). The objects and references are kept so that the level can be
// made again without the work of a call that failed half-way.
struct KxPendingWork {
    enum Kind { NONE = 0, STORES = 1, DELETES = 2 };
    KxTransactionResource* resource = nullptr;        // the shell level is open in it; null: none
    Kind kind = NONE;
    std::vector<std::pair<KxObject*, int32_t>> stores;   // held objects and the store flags
    std::vector<std::pair<KxRef, int32_t>> deletes;      // references and the delete flags
    size_t Count() const { return stores.size() + deletes.size(); }
};

struct KxBase::Impl {
    KxString logicalName;
    KxString clientName;
    KxString descriptor;
    int64_t clientId = 0;
    KxExcMgr excMgr;
    KxObjectSpace objectSpace;
    std::unique_ptr<KxObjectMgr> objectMgr;
    mutable std::mutex mutex;
    KxLockSpec defaultLock{0, 0, KxLockSpec::KX_LOCKSPEC_NONE};
    KxWatchSpec defaultWatch;
    KxTransaction* currentTxn = nullptr;
    KxBaseConnection* connection = nullptr;
    KxBaseStorage storage;
    // Objects read ahead with another one (prefetch) in the base's transaction, held here until it
    // ends or the base closes, so that a GetObject of theirs needs no statement.
    std::deque<KxObject*> readAhead;
    // The cursor last moved by Seek and the reference it gave: a GetObject of that reference reads
    // the cursor's following references ahead.
    KxBucketCru* scanCursor = nullptr;
    KxRef scanRef;
    // The lists a read along the cursor fills, kept between reads so that their blocks are not made
    // again for every batch (a read inside a read finds them taken and makes its own).
    std::vector<KxRef> spareFollowing;
    std::vector<KxObject*> spareAhead;
    KxPendingWork pending;
    // The extents made on the base that still live (KxAllSet registers itself).
    std::vector<KxAllSet*> extents;
    // The client's user (KxBaseInfo.cpp) and the facts the workbench records.
    KxString userName;
    int16_t userId = 0;
    bool userKnown = false;
    int32_t externalBackup = 0;
    int32_t authorization = 0;
};
