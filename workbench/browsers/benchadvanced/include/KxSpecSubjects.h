// The subjects behind the dialogs in which the user chooses how to lock or watch objects: each holds
// one kernel lock or watch request (KxLockSpec, KxWatchSpec), shows its mode and depth ("Lock Mode" or
// "Watch Mode", and "Depth Mode"), checks the values entered and writes accepted ones back into it.
#pragma once

#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxSpecs.h"

class KxLockSpecSubject : public KvSubject {
public:
    // A lock request of its own with the mode KxLK_READvDELETE (0x0476).
    KxLockSpecSubject();
    explicit KxLockSpecSubject(KxLockSpec& spec);
    ~KxLockSpecSubject() override;
    KxLockSpecSubject(const KxLockSpecSubject&) = delete;
    KxLockSpecSubject& operator=(const KxLockSpecSubject&) = delete;

    KvSubject* clone() override;
    // Checks the mode (none, read-vs-delete, read-vs-write, write-vs-write, delete-vs-write,
    // delete-vs-read, exclusive) and the depth (0 to 3) the set holds; on success the views are
    // told. The held KxLockSpec does not change.
    KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // Stores an accepted mode and depth; the first value not accepted is returned as its error.
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long index) override;
    KvAspectSet* gimmeYourAspects() override;
    long getObjectsCount() override;   // 1
    using KvSubject::handleEvent;
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    KxLockSpec& getLockSpec();
    void createAspectSet();
    // Whether the kernel accepts the mode in a lock request made by the user.
    static bool isAcceptedMode(int mode);

private:
    KvAspectSet aspects_;
    KxLockSpec* spec_;
};

class KxWatchSpecSubject : public KvSubject {
public:
    KxWatchSpecSubject();
    explicit KxWatchSpecSubject(KxWatchSpec& spec);
    ~KxWatchSpecSubject() override;
    KxWatchSpecSubject(const KxWatchSpecSubject&) = delete;
    KxWatchSpecSubject& operator=(const KxWatchSpecSubject&) = delete;

    KvSubject* clone() override;
    // As KxLockSpecSubject's; a watch mode is 0 or has at least one of the bits 0x3F.
    KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb) override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long index) override;
    KvAspectSet* gimmeYourAspects() override;
    long getObjectsCount() override;
    using KvSubject::handleEvent;
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    KxWatchSpec& getWatchSpec();
    void createAspectSet();
    static bool isAcceptedMode(unsigned short mode);

private:
    KvAspectSet aspects_;
    KxWatchSpec* spec_;
};
