// The state of a base (private to the kernel library).
#pragma once

#include <memory>
#include <mutex>

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
    std::vector<KxObject*> readAhead;
    // The cursor last moved by Seek and the reference it gave: a GetObject of that reference reads
    // the cursor's following references ahead.
    KxBucketCru* scanCursor = nullptr;
    KxRef scanRef;
};
