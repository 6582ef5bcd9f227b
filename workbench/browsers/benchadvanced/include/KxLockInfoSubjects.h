// Who holds locks on a persistent object and who watches it: KxLockInfoSubject shows one entry per
// lock holder and offers the verb "unlock", KxWatchInfoSubject one entry per watch and the verb
// "unwatch". Both read the object's state information from the kernel. Four functions give the
// symbolic names of lock modes, lock types, depth modes and watch modes.
#pragma once

#include <cstdint>

#include "KvAspectSet.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxObjectAspectSubject.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxObject;

// Each writes the name into out and returns a copy; "invalid" for a value without name.
KxString mapLockModeToKxString(unsigned short mode, KxString& out);
KxString mapLockTypeToKxString(char type, KxString& out);
KxString mapDepthModeToKxString(KxDepthMode depth, KxString& out);
// The names of the set flags joined by " | " (the update name needs both 0x01 and 0x02);
// "KxWATCH_NONE" for 0, "invalid" for a mode with none of the flags.
KxString mapWatchModeToKxString(unsigned short mode, KxString& out);

class KxLockInfoSubject : public KxObjectAspectSubject {
public:
    // Holds the object (Remember) and counts its lock entries; null: no object, no entries.
    explicit KxLockInfoSubject(KxObject* object);
    ~KxLockInfoSubject() override;
    KxLockInfoSubject(const KxLockInfoSubject&) = delete;
    KxLockInfoSubject& operator=(const KxLockInfoSubject&) = delete;

    KvSubject* clone() override;
    // "unlock" (any case) removes lock entry hint; on success (and for any other verb) the entry
    // count is read again and the views are told.
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // Fills the aspects the set holds from lock entry index.
    void getValue(KvAspectSet& set, long index) override;
    long getObjectsCount() override;
    KvVerb** gimmeYourVerbs() const override;
    // Unlocks the object with the mode and depth of lock entry index.
    KxErrorCode removeLock(long index);
    void createAspectSet();

private:
    struct Block;
    Block* block_;
};

class KxWatchInfoSubject : public KxObjectAspectSubject {
public:
    // method (not owned, may be null) is given to the watch specs of removeWatch.
    KxWatchInfoSubject(KxObject* object, KxMethodRef* method);
    ~KxWatchInfoSubject() override;
    KxWatchInfoSubject(const KxWatchInfoSubject&) = delete;
    KxWatchInfoSubject& operator=(const KxWatchInfoSubject&) = delete;

    KvSubject* clone() override;
    // "unwatch" (any case) removes watch entry hint; as KxLockInfoSubject::update.
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long index) override;
    long getObjectsCount() override;
    KvVerb** gimmeYourVerbs() const override;
    KxErrorCode removeWatch(long index);
    void createAspectSet();

private:
    struct Block;
    Block* block_;
};
