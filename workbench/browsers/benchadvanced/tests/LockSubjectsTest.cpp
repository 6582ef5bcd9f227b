// Lock and watch information, persistent-lock and check-out properties, lock and watch
// requests, and the lock aspects of an object subject, on a database of the kernel's own
// storage (a second base of it is a second client).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "BrowserFixture.h"
#include "KxBrowserStatics.h"
#include "KxGenericObjectSubjects.h"
#include "KxLockInfoSubjects.h"
#include "KxObjState.h"
#include "KxPersistentProperty.h"
#include "KxPropertySubjects.h"
#include "KxSpecSubjects.h"
#include "KvSurrogate.h"

using browsertest::CountingView;
using browsertest::DiagnosticCapture;

namespace {

class LockSubjectsTest : public browsertest::KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        base_->SetUser(KxString("ann"), 7);
        item_ = Make("Item");
        ASSERT_EQ(0, item_->Store());
    }
    void TearDown() override {
        if (theirs_ != nullptr) theirs_->Forget();
        if (other_) other_->Close();
        KernelFixture::TearDown();
    }
    // The item as a second client sees it.
    KxObject* Theirs() {
        if (theirs_ == nullptr) {
            other_ = std::make_unique<KxBase>(KxString("browse"));
            EXPECT_EQ(0, other_->Connect(KxString("NATIVE")));
            EXPECT_EQ(0, other_->Open(0));
            other_->SetUser(KxString("bob"), 8);
            EXPECT_EQ(0, KxOnDemand(item_->GetRef(), other_.get()).Get(theirs_));
        }
        return theirs_;
    }
    static std::string Text(KvSubject& subject, const char* id) {
        return subject.gimmeYourAspects()->getAspect(KvAspectId(id))->getString().ToUtf8();
    }
    static KvAspect* Aspect(KvSubject& subject, const char* id) {
        return subject.gimmeYourAspects()->getAspect(KvAspectId(id));
    }

    KxObject* item_ = nullptr;
    std::unique_ptr<KxBase> other_;
    KxObject* theirs_ = nullptr;
};

TEST(LockNames, ModesTypesDepthsAndWatchesHaveTheirSymbolicNames) {
    struct Case {
        unsigned short mode;
        const char* name;
    };
    for (const Case& c : {Case{0x03F7, "KxLK_NONE"}, Case{0x0476, "KxLK_READvDELETE"}, Case{0x0834, "KxLK_READvWRITE"},
                          Case{0x1014, "KxLK_WRITEvWRITE"}, Case{0x101C, "KxLK_TRANSACT_WRITE"},
                          Case{0x2004, "KxLK_DELETEvWRITE"}, Case{0x200C, "KxLK_TRANSACT_DELETE"},
                          Case{0x4000, "KxLK_DELETEvREAD"}, Case{0x8000, "KxLK_EXCLUSIVE"}, Case{0x0001, "invalid"}}) {
        KxString out;
        EXPECT_EQ(c.name, mapLockModeToKxString(c.mode, out).ToUtf8());
        EXPECT_EQ(c.name, out.ToUtf8());
    }
    KxString out;
    EXPECT_EQ("KxLK_NONPERS", mapLockTypeToKxString(0, out).ToUtf8());
    EXPECT_EQ("KxLK_PERS", mapLockTypeToKxString(1, out).ToUtf8());
    EXPECT_EQ("invalid", mapLockTypeToKxString(2, out).ToUtf8());
    EXPECT_EQ("KxNO_ONDEMAND", mapDepthModeToKxString(KxNO_ONDEMAND, out).ToUtf8());
    EXPECT_EQ("invalid", mapDepthModeToKxString(static_cast<KxDepthMode>(4), out).ToUtf8());
    EXPECT_EQ("invalid", mapDepthModeToKxString(static_cast<KxDepthMode>(-1), out).ToUtf8());
    for (const Case& c : {Case{0x00, "KxWATCH_NONE"}, Case{0x01, "KxWATCH_STORE"},
                          Case{0x03, "KxWATCH_STORE | KxWATCH_UPDATE"}, Case{0x21, "KxWATCH_STORE | KxWATCH_UNLOCK"},
                          Case{0x02, "invalid"}, Case{0x40, "invalid"}, Case{0x42, "invalid"},
                          Case{0x3F, "KxWATCH_STORE | KxWATCH_UPDATE | KxWATCH_DELETE | KxWATCH_INSERT | KxWATCH_LOCK | "
                                     "KxWATCH_UNLOCK"},
                          Case{0x1C, "KxWATCH_DELETE | KxWATCH_INSERT | KxWATCH_LOCK"}}) {
        EXPECT_EQ(c.name, mapWatchModeToKxString(c.mode, out).ToUtf8()) << c.mode;
    }
}

TEST_F(LockSubjectsTest, SubjectsWithoutObjectHaveNoEntriesAndRemoveNothing) {
    KxLockInfoSubject locks(nullptr);
    KxWatchInfoSubject watches(nullptr, nullptr);
    EXPECT_EQ(0, locks.getObjectsCount());
    EXPECT_EQ(9u, locks.gimmeYourAspects()->count());
    EXPECT_EQ(8u, watches.gimmeYourAspects()->count());
    EXPECT_EQ("KxObjId", Aspect(locks, "OID")->getTypeTag().ToUtf8());
    EXPECT_EQ("Lock Mode", Aspect(locks, "Lock Mode")->getTypeTag().ToUtf8());
    EXPECT_EQ(KvAspectId("User Name"), locks.gimmeYourAspects()->getObject(8)->aspectId());
    EXPECT_EQ(KvAspectId("Client Name"), watches.gimmeYourAspects()->getObject(7)->aspectId());
    for (const KxErrorCode& result : {locks.removeLock(0), watches.removeWatch(0)}) {
        EXPECT_TRUE(result.isFatal());
        EXPECT_STREQ("No object available, nothing removed.", result.errorString());
    }
    locks.getValue(*locks.gimmeYourAspects(), 0);
    EXPECT_EQ(0, Aspect(locks, "Lock Mode")->aspectType());
    EXPECT_STREQ("unlock", locks.gimmeYourVerbs()[0]->getVerb());
    EXPECT_EQ(nullptr, locks.gimmeYourVerbs()[1]);
    EXPECT_STREQ("Unset Watch", watches.gimmeYourVerbs()[0]->getTitle());
    std::unique_ptr<KvSubject> copy(locks.clone());
    EXPECT_EQ(0, copy->getObjectsCount());
}

TEST_F(LockSubjectsTest, LockEntriesAreShownAndTheOwnLockIsRemovedByUnlock) {
    ASSERT_EQ(0, base_->BeginTransaction());
    ASSERT_EQ(0, item_->Lock(KxLockSpec(KxLK_READvDELETE, KxDEEP)));
    ASSERT_NE(nullptr, Theirs());
    ASSERT_EQ(0, other_->BeginTransaction());
    ASSERT_EQ(0, Theirs()->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT)));

    KxLockInfoSubject subject(item_);
    CountingView view(&subject);
    EXPECT_EQ(2, subject.getObjectsCount());
    KvAspectSet& set = *subject.gimmeYourAspects();
    subject.getValue(set, 0);
    EXPECT_EQ("KxLK_READvDELETE", Text(subject, "Lock Mode"));
    EXPECT_EQ("KxDEEP", Text(subject, "Depth Mode"));
    EXPECT_EQ("KxLK_NONPERS", Text(subject, "Lock Type"));
    EXPECT_EQ(1u, Aspect(subject, "Lock Count")->getUnsignedInt());
    EXPECT_EQ(0, Aspect(subject, "OID")->getSurrogate().getLong());
    EXPECT_EQ("ann", Text(subject, "User Name"));
    EXPECT_EQ(7, Aspect(subject, "User Id")->getShort());
    subject.getValue(set, 1);
    EXPECT_EQ("bob", Text(subject, "User Name"));
    EXPECT_EQ(1, Aspect(subject, "OID")->getSurrogate().getLong());

    {
        DiagnosticCapture diag;
        subject.getValue(set, 2);
        EXPECT_TRUE(diag.Has("KxLockInfoSubject: no lock entry found at pos <2> for object <")) << diag.Text();
        EXPECT_EQ("bob", Text(subject, "User Name"));
    }

    // Another verb only counts again; "UNLOCK" removes the entry at the hint.
    EXPECT_FALSE(subject.update(set, 0, KvVerb("refresh", nullptr, nullptr, 1)));
    EXPECT_EQ(1, view.updates);
    EXPECT_FALSE(subject.update(set, 0, KvVerb("UNLOCK", nullptr, nullptr, 1)));
    EXPECT_EQ(2, view.updates);
    EXPECT_EQ("UNLOCK", view.lastVerb);
    EXPECT_EQ(1, subject.getObjectsCount());
    // The remaining entry is the other client's: the kernel refuses, the views hear nothing.
    const KxErrorCode refused = subject.update(set, 0, KvVerb("unlock", nullptr, nullptr, 1));
    EXPECT_TRUE(refused.isFatal());
    EXPECT_NE(nullptr, std::strstr(refused.errorString(), "-2045")) << refused.errorString();
    EXPECT_EQ(2, view.updates);
    // A verb without text is no unlock.
    EXPECT_FALSE(subject.update(set, 0, KvVerb()));
    EXPECT_EQ(1, subject.getObjectsCount());
    ASSERT_EQ(0, other_->CommitTransaction());
    ASSERT_EQ(0, base_->CommitTransaction());
}

TEST_F(LockSubjectsTest, WatchEntriesAreShownAndRemovedByUnwatch) {
    KxMethodRef method(KxString("Browser"), KxString("changed"));
    KxWatchSpec spec(0x21, KxSHALLOW);
    spec = method;
    ASSERT_EQ(0, item_->SetWatch(spec));
    KxWatchInfoSubject subject(item_, &method);
    CountingView view(&subject);
    ASSERT_EQ(1, subject.getObjectsCount());
    KvAspectSet& set = *subject.gimmeYourAspects();
    subject.getValue(set, 0);
    EXPECT_EQ("KxWATCH_STORE | KxWATCH_UNLOCK", Text(subject, "Watch Mode"));
    EXPECT_EQ("KxSHALLOW", Text(subject, "Depth Mode"));
    EXPECT_EQ(1u, Aspect(subject, "Watch Count")->getUnsignedInt());
    EXPECT_EQ(item_->GetRef(), Aspect(subject, "Origin Id")->getKxRef());
    EXPECT_EQ(item_->GetObjId(), Aspect(subject, "Watched Object")->getSurrogate().getKxObjId());
    {
        DiagnosticCapture diag;
        subject.getValue(set, 1);
        EXPECT_TRUE(diag.Has("KxWatchInfoSubject: no Watch entry found at pos <1> for object <")) << diag.Text();
    }
    EXPECT_FALSE(subject.update(set, 0, KvVerb("Unwatch", nullptr, nullptr, 1)));
    EXPECT_EQ(1, view.updates);
    EXPECT_EQ(0, subject.getObjectsCount());
    EXPECT_TRUE(subject.removeWatch(0).isFatal());
}

TEST_F(LockSubjectsTest, PropertySubjectsShowTheOnePersistentLockAndCheckOut) {
    // Without object, and without persistent lock, nothing is filled.
    KxPersistentLockPropertySubject none(nullptr);
    EXPECT_EQ(0, none.getObjectsCount());
    EXPECT_EQ(7u, none.gimmeYourAspects()->count());
    none.getValue(*none.gimmeYourAspects(), 0);
    EXPECT_EQ(0, Aspect(none, "Lock Mode")->aspectType());
    KxPersistentLockPropertySubject lock(item_);
    KxCheckOutPropertySubject checkOut(item_);
    EXPECT_EQ(1, lock.getObjectsCount());
    EXPECT_EQ(3u, checkOut.gimmeYourAspects()->count());
    EXPECT_EQ(nullptr, lock.gimmeYourVerbs()[0]);
    lock.getValue(*lock.gimmeYourAspects(), 0);
    EXPECT_EQ(0, Aspect(lock, "OID")->aspectType());

    ASSERT_EQ(0, item_->Lock(KxLockSpec(KxLK_WRITEvWRITE, KxNO_ONDEMAND, KxLK_PERS)));
    const KxDateTime workspace(2026, 5, 6, 7, 8, 9);
    ASSERT_EQ(0, KxCheckOutProperty::CheckOut(base_.get(), item_->GetRef(), workspace));
    lock.getValue(*lock.gimmeYourAspects(), 0);
    EXPECT_EQ(item_->GetObjId(), Aspect(lock, "OID")->getSurrogate().getKxObjId());
    EXPECT_EQ("KxLK_WRITEvWRITE", Text(lock, "Lock Mode"));
    EXPECT_EQ("KxNO_ONDEMAND", Text(lock, "Depth Mode"));
    EXPECT_EQ(item_->GetRef(), Aspect(lock, "Root Object")->getKxRef());
    EXPECT_EQ("ann", Text(lock, "User Name"));
    EXPECT_EQ(7, Aspect(lock, "User Id")->getShort());
    checkOut.getValue(*checkOut.gimmeYourAspects(), 0);
    EXPECT_EQ(workspace, Aspect(checkOut, "Workspace Id")->getDaTime());
    EXPECT_EQ("ann", Text(checkOut, "User Name"));

    CountingView view(&lock);
    EXPECT_FALSE(lock.update(*lock.gimmeYourAspects(), 3, KvVerb("anything", nullptr, nullptr, 1)));
    EXPECT_EQ(1, view.updates);
    EXPECT_EQ(3, view.lastHint);
    ASSERT_EQ(0, item_->Unlock(KxLockSpec(KxLK_WRITEvWRITE, KxNO_ONDEMAND, KxLK_PERS)));
}

TEST_F(LockSubjectsTest, TwoPersistentLocksAreReportedAndShowNothing) {
    ASSERT_EQ(0, item_->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
    ASSERT_EQ(0, Theirs()->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
    KxPersistentLockPropertySubject subject(item_);
    DiagnosticCapture diag;
    subject.getValue(*subject.gimmeYourAspects(), 0);
    EXPECT_TRUE(diag.Has("2 properties found for object <")) << diag.Text();
    EXPECT_EQ(0, Aspect(subject, "Lock Mode")->aspectType());
    EXPECT_EQ(0, Aspect(subject, "OID")->aspectType());
    ASSERT_EQ(0, Theirs()->Unlock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
    ASSERT_EQ(0, item_->Unlock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
}

TEST_F(LockSubjectsTest, APropertySubjectOfAClosedDatabaseShowsNothing) {
    KxObject* theirs = Theirs();
    ASSERT_EQ(0, theirs->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
    KxPersistentLockPropertySubject subject(theirs);
    other_->Close();
    EXPECT_EQ(1, subject.getObjectsCount());
    subject.getValue(*subject.gimmeYourAspects(), 0);
    EXPECT_EQ(0, Aspect(subject, "Lock Mode")->aspectType());
}

TEST_F(LockSubjectsTest, AnObjectSubjectPublishesItsLockSubjects) {
    KxGenericObjectSubject subject(item_, nullptr);
    KvAspectSet& set = *subject.gimmeYourAspects();
    for (const char* id : {"CheckedOut", "LockedPersistent", "Lock", "Watch"}) set.add(new KvAspect(KvAspectId(id)));
    subject.getValue(set, 0);
    EXPECT_NE(nullptr, dynamic_cast<KxLockInfoSubject*>(Aspect(subject, "Lock")->getSubjectPtr()));
    auto* watch = dynamic_cast<KxWatchInfoSubject*>(Aspect(subject, "Watch")->getSubjectPtr());
    ASSERT_NE(nullptr, watch);
    EXPECT_EQ(item_, watch->object());
    EXPECT_EQ(nullptr, Aspect(subject, "CheckedOut")->getSubjectPtr());
    EXPECT_EQ(nullptr, Aspect(subject, "LockedPersistent")->getSubjectPtr());

    // Read again with a persistent lock and a check-out: the subjects are made anew.
    ASSERT_EQ(0, item_->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
    ASSERT_EQ(0, KxCheckOutProperty::CheckOut(base_.get(), item_->GetRef(), KxDateTime(2026, 1, 2)));
    subject.getValue(set, 0);
    EXPECT_NE(nullptr, dynamic_cast<KxPersistentLockPropertySubject*>(Aspect(subject, "LockedPersistent")->getSubjectPtr()));
    EXPECT_NE(nullptr, dynamic_cast<KxCheckOutPropertySubject*>(Aspect(subject, "CheckedOut")->getSubjectPtr()));
    auto* locks = dynamic_cast<KxLockInfoSubject*>(Aspect(subject, "Lock")->getSubjectPtr());
    ASSERT_NE(nullptr, locks);
    EXPECT_EQ(1, locks->getObjectsCount());

    // Without object the lock aspects are left as they are.
    KvAspectSet other;
    auto* lockAspect = new KvAspect(KvAspectId("Lock"));
    other.add(lockAspect);
    other.add(new KvAspect(KvAspectId("ClassName")));
    subject.readSurrogateAndOtherStuff(other, nullptr, nullptr, nullptr);
    EXPECT_EQ("not available", other.getAspect(KvAspectId("ClassName"))->getString().ToUtf8());
    EXPECT_EQ(0, lockAspect->aspectType());
    ASSERT_EQ(0, item_->Unlock(KxLockSpec(KxLK_READvDELETE, KxFLAT, KxLK_PERS)));
}

TEST(SpecSubjects, LockRequestsTakeOnlyAcceptedModesAndDepths) {
    KxLockSpecSubject subject;
    CountingView view(&subject);
    KvAspectSet& set = *subject.gimmeYourAspects();
    ASSERT_EQ(2u, set.count());
    EXPECT_EQ(1, subject.getObjectsCount());
    subject.getValue(set, 0);
    EXPECT_EQ(1142, set.getAspect(KvAspectId("Lock Mode"))->getUnsignedShort());
    EXPECT_EQ(0, set.getAspect(KvAspectId("Depth Mode"))->getInt());
    const KvVerb verb("ok", nullptr, nullptr, 1);

    struct Case {
        int mode;
        int depth;
        const KxErrorCode* validateResult;   // null: success
    };
    for (const Case& c : {Case{0x101C, 0, &KxBrowserErrors::InvalidLockMode}, Case{0x200C, 0, &KxBrowserErrors::InvalidLockMode},
                          Case{0x0834, 4, &KxBrowserErrors::InvalidDepthMode}, Case{0x0834, -1, &KxBrowserErrors::InvalidDepthMode},
                          Case{0x0834, 3, nullptr}, Case{0x03F7, 0, nullptr}}) {
        KvAspectSet values;
        values.add(new KvAspect(KvAspectId("Lock Mode"), c.mode));
        values.add(new KvAspect(KvAspectId("Depth Mode"), c.depth));
        const int before = view.updates;
        const KxErrorCode result = subject.validate(values, 0, verb);
        if (c.validateResult == nullptr) {
            EXPECT_FALSE(result) << c.mode;
            EXPECT_EQ(before + 1, view.updates);
        } else {
            EXPECT_TRUE(result == *c.validateResult) << c.mode << " " << c.depth;
            EXPECT_EQ(before, view.updates);
        }
        EXPECT_EQ(KxLK_READvDELETE, subject.getLockSpec().GetMode());   // validate changes nothing
    }

    KvAspectSet bad;
    bad.add(new KvAspect(KvAspectId("Lock Mode"), 0x101C));
    EXPECT_TRUE(subject.update(bad, 0, verb) == KxBrowserErrors::InvalidLockMode);
    EXPECT_EQ(KxLK_READvDELETE, subject.getLockSpec().GetMode());

    KvAspectSet good;
    good.add(new KvAspect(KvAspectId("Lock Mode"), 0x8000));
    good.add(new KvAspect(KvAspectId("Depth Mode"), 3));
    int before = view.updates;
    EXPECT_FALSE(subject.update(good, 0, verb));
    EXPECT_EQ(before + 1, view.updates);
    EXPECT_EQ(KxLK_EXCLUSIVE, subject.getLockSpec().GetMode());
    EXPECT_EQ(KxDEEP, subject.getLockSpec().GetDepth());

    KvAspectSet depthOnly;
    depthOnly.add(new KvAspect(KvAspectId("Depth Mode"), 2));
    EXPECT_FALSE(subject.update(depthOnly, 0, verb));
    EXPECT_EQ(KxLK_EXCLUSIVE, subject.getLockSpec().GetMode());
    EXPECT_EQ(KxNO_ONDEMAND, subject.getLockSpec().GetDepth());

    // An accepted mode is stored even when the depth that follows is refused.
    KvAspectSet half;
    half.add(new KvAspect(KvAspectId("Lock Mode"), 0x4000));
    half.add(new KvAspect(KvAspectId("Depth Mode"), 4));
    before = view.updates;
    EXPECT_TRUE(subject.update(half, 0, verb) == KxBrowserErrors::InvalidDepthMode);
    EXPECT_EQ(before, view.updates);
    EXPECT_EQ(KxLK_DELETEvREAD, subject.getLockSpec().GetMode());
    EXPECT_EQ(KxNO_ONDEMAND, subject.getLockSpec().GetDepth());

    std::unique_ptr<KvSubject> copy(subject.clone());
    copy->getValue(*copy->gimmeYourAspects(), 0);
    EXPECT_EQ(0x4000, copy->gimmeYourAspects()->getAspect(KvAspectId("Lock Mode"))->getUnsignedShort());
}

TEST(SpecSubjects, WatchRequestsTakeModesWithAWatchBit) {
    KxWatchSpec given(KxWATCH_DELETE, KxSHALLOW);
    KxWatchSpecSubject subject(given);
    KvAspectSet& set = *subject.gimmeYourAspects();
    subject.getValue(set, 0);
    EXPECT_EQ(KxWATCH_DELETE, set.getAspect(KvAspectId("Watch Mode"))->getUnsignedShort());
    EXPECT_EQ(1, set.getAspect(KvAspectId("Depth Mode"))->getInt());
    const KvVerb verb("ok", nullptr, nullptr, 1);
    for (const auto& [mode, accepted] : {std::pair{0x40, false}, std::pair{0x00, true}, std::pair{0x41, true}}) {
        KvAspectSet values;
        values.add(new KvAspect(KvAspectId("Watch Mode"), static_cast<unsigned short>(mode)));
        const KxErrorCode checked = subject.validate(values, 0, verb);
        const KxErrorCode stored = subject.update(values, 0, verb);
        EXPECT_EQ(accepted, !checked) << mode;
        if (accepted) {
            EXPECT_FALSE(stored);
            EXPECT_EQ(mode, subject.getWatchSpec().GetMode());
        } else {
            EXPECT_TRUE(stored == KxBrowserErrors::InvalidWatchMode);
        }
    }
    EXPECT_EQ(KxSHALLOW, subject.getWatchSpec().GetDepth());
}

}  // namespace
