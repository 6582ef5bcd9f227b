// The kernel's object locks, watches, state information and persistent properties on databases of
// its own storage: two bases of one database are two clients.
#include <gtest/gtest.h>

#include <string>

#include "KxAdmin.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxObjState.h"
#include "KxObject.h"
#include "KxPersistentProperty.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "NativeSupport.h"

namespace {

std::unique_ptr<KxClassDict> Sample()
{
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), dict, &error)) << error.ToUtf8();
    return dict;
}

class ClientLocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxHookClear();
        site_.AddDictionary(*Sample());
        site_.AddDatabase("shop");
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, kxntest::CreateDatabase("shop", "sample"));
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "shop", one_, 2));
        ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "shop", two_, 2));
        one_->SetUser(KxString("ann"), 7);
        two_->SetUser(KxString("bob"), 8);
        KxObject* person = KxObject::Make(one_, KxString("Person"));
        ASSERT_NE(nullptr, person);
        ASSERT_EQ(0, person->Store());
        ref_ = person->GetRef();
        mine_ = person;
        ASSERT_EQ(0, KxOnDemand(ref_, two_).Get(theirs_));
    }
    void TearDown() override
    {
        if (mine_ != nullptr) mine_->Forget();
        if (theirs_ != nullptr) theirs_->Forget();
        for (KxBase* base : {one_, two_})
            if (base != nullptr) KxBase::KELVOX()->UngetBase(base);
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }
    static KxObjStateObjectInfo Info(KxObject* object)
    {
        KxObjStateObjectInfo info;
        EXPECT_EQ(0, object->GetObjectInfo(info));
        return info;
    }

    kxntest::Site site_;
    KxBase* one_ = nullptr;
    KxBase* two_ = nullptr;
    KxRef ref_;
    KxObject* mine_ = nullptr;
    KxObject* theirs_ = nullptr;
};

TEST_F(ClientLocks, TransactionLocksAreListedPerClientAndEndWithTheTransaction)
{
    const KxLockSpec read(KxLK_READvDELETE, KxDEEP);
    EXPECT_EQ(KX_KERNEL_E_STATE, mine_->Lock(read));   // no transaction
    ASSERT_EQ(0, one_->BeginTransaction());
    ASSERT_EQ(0, two_->BeginTransaction());
    ASSERT_EQ(0, mine_->Lock(read));
    ASSERT_EQ(0, mine_->Lock(read));
    ASSERT_EQ(0, theirs_->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT)));
    EXPECT_EQ(KX_KERNEL_E_LOCKED, theirs_->Lock(KxLockSpec(KxLK_EXCLUSIVE, KxFLAT)));   // the storage refuses

    // Both clients see both holders, in the order they came.
    const KxObjStateObjectInfo info = Info(theirs_);
    ASSERT_EQ(2u, info.GetLockCount());
    const KxObjStateLockEntry* first = info.GetLockList().GetLockEntry(0);
    EXPECT_EQ(KxLK_READvDELETE, first->mode);
    EXPECT_EQ(KxDEEP, first->depth);
    EXPECT_EQ(KxLK_NONPERS, first->type);
    EXPECT_EQ(2u, first->count);
    EXPECT_EQ("ann", first->userName.ToUtf8());
    EXPECT_EQ(7, first->userId);
    EXPECT_EQ("bob", info.GetLockList().GetLockEntry(1)->userName.ToUtf8());
    EXPECT_EQ(nullptr, info.GetLockList().GetLockEntry(2));
    EXPECT_FALSE(info.GetProperties().GetPersistentLock());

    // An unlock gives one count back; another client's lock cannot be given back.
    EXPECT_EQ(0, mine_->Unlock(read));
    EXPECT_EQ(1u, Info(mine_).GetLockList().GetLockEntry(0)->count);
    EXPECT_EQ(KX_KERNEL_E_LOCKED, theirs_->Lock(KxLockSpec(KxLK_DELETEvWRITE, KxFLAT)));   // the storage keeps it
    EXPECT_EQ(KX_KERNEL_E_NOT_LOCKED, mine_->Unlock(KxLockSpec(KxLK_EXCLUSIVE, KxFLAT)));

    ASSERT_EQ(0, one_->CommitTransaction());
    ASSERT_EQ(1u, Info(mine_).GetLockCount());
    EXPECT_EQ("bob", Info(mine_).GetLockList().GetLockEntry(0)->userName.ToUtf8());
    EXPECT_EQ(0, theirs_->Lock(KxLockSpec(KxLK_DELETEvWRITE, KxFLAT)));   // ann's lock is gone at the storage too
    EXPECT_EQ(2u, Info(mine_).GetLockCount());
    ASSERT_EQ(0, two_->AbortTransaction());
    EXPECT_EQ(0u, Info(mine_).GetLockCount());
}

TEST_F(ClientLocks, PersistentLocksOutliveTheirClientAndAreFoundAsProperties)
{
    const KxLockSpec persistent(KxLK_READvDELETE, KxSHALLOW, KxLK_PERS);
    ASSERT_EQ(0, mine_->Lock(persistent));   // no transaction needed
    ASSERT_TRUE(Info(theirs_).GetProperties().GetPersistentLock());
    EXPECT_FALSE(Info(theirs_).GetProperties().GetCheckOutProperty());
    // Another client's conflicting lock is refused by the kernel, a joining one is taken.
    EXPECT_EQ(KX_KERNEL_E_LOCKED, theirs_->Lock(KxLockSpec(KxLK_EXCLUSIVE, KxFLAT, KxLK_PERS)));
    ASSERT_EQ(0, two_->BeginTransaction());
    EXPECT_EQ(KX_KERNEL_E_LOCKED, theirs_->Lock(KxLockSpec(KxLK_EXCLUSIVE, KxFLAT)));
    EXPECT_EQ(0, theirs_->Lock(KxLockSpec(KxLK_READvDELETE, KxFLAT)));
    ASSERT_EQ(0, two_->CommitTransaction());

    KxPersistentLockAllSet all(two_);
    KxPersistentLockQuery query(nullptr, nullptr, 0);
    query.Setobj(theirs_);
    KxPersistentPropertyOnDemandLSet found(nullptr, 0);
    ASSERT_EQ(0, all.Query(query, found));
    ASSERT_EQ(1, found.GetCount());
    KxPersistentPropertyOnDemand* element = nullptr;
    ASSERT_EQ(0, found.Get(element, 0));
    KxPersistentProperty* property = nullptr;
    ASSERT_EQ(0, element->Get(property));
    const auto* lock = dynamic_cast<const KxPersistentLock*>(property);
    ASSERT_NE(nullptr, lock);
    EXPECT_EQ(KxLK_READvDELETE, lock->GetLockMode());
    EXPECT_EQ(KxSHALLOW, lock->GetDepth());
    EXPECT_EQ(ref_, lock->GetRootObject());
    EXPECT_EQ("ann", lock->GetUserName().ToUtf8());
    EXPECT_EQ(0, element->Unget(property));
    EXPECT_EQ(KX_KERNEL_E_NO_ELEMENT, found.Get(element, 1));
    KxCheckOutPropertyQuery other(nullptr, nullptr, 0);
    EXPECT_EQ(KX_KERNEL_E_WRONG_CLASS, all.Query(other, found));

    // The client ends; its persistent lock stays and a client of the same user gives it back.
    mine_->Forget();
    mine_ = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(one_));
    one_ = nullptr;
    ASSERT_EQ(1u, Info(theirs_).GetLockCount());
    EXPECT_EQ(KX_KERNEL_E_NOT_LOCKED, theirs_->Unlock(persistent));   // bob is not ann
    two_->SetUser(KxString("ann"), 7);
    EXPECT_EQ(0, theirs_->Unlock(persistent));
    EXPECT_FALSE(Info(theirs_).GetProperties().GetPersistentLock());
    ASSERT_EQ(0, all.Query(query, found));
    EXPECT_EQ(0, found.GetCount());
}

TEST_F(ClientLocks, WatchesAreCountedPerModeAndEndWithTheClient)
{
    EXPECT_EQ(KX_KERNEL_E_INVALID, mine_->SetWatch(KxWatchSpec(0x40, KxFLAT)));
    KxWatchSpec watch(KxWATCH_STORE | KxWATCH_UPDATE, KxDEEP);
    watch = KxMethodRef(KxString("Shop"), KxString("changed"));
    ASSERT_EQ(0, mine_->SetWatch(watch));
    ASSERT_EQ(0, mine_->SetWatch(watch));
    ASSERT_EQ(0, theirs_->SetWatch(KxWatchSpec(KxWATCH_DELETE, KxFLAT)));
    KxObjStateObjectInfo info = Info(mine_);
    ASSERT_EQ(2u, info.GetWatchCount());
    const KxObjStateWatchEntry* first = info.GetWatchList().GetWatchEntry(0);
    EXPECT_EQ(3, first->mode);
    EXPECT_EQ(KxDEEP, first->depth);
    EXPECT_EQ(2u, first->count);
    EXPECT_EQ(ref_, first->origin);
    EXPECT_EQ(ref_.GetObjId(), first->object.GetRef().GetObjId());

    EXPECT_EQ(KX_KERNEL_E_NOT_LOCKED, mine_->UnsetWatch(KxWatchSpec(KxWATCH_DELETE, KxFLAT)));   // bob's
    EXPECT_EQ(0, mine_->UnsetWatch(watch));
    EXPECT_EQ(1u, Info(mine_).GetWatchList().GetWatchEntry(0)->count);
    mine_->Forget();
    mine_ = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->UngetBase(one_));
    one_ = nullptr;
    ASSERT_EQ(1u, Info(theirs_).GetWatchCount());
    EXPECT_EQ(KxWATCH_DELETE, Info(theirs_).GetWatchList().GetWatchEntry(0)->mode);
}

TEST_F(ClientLocks, CheckOutsAreRecordedOncePerWorkspace)
{
    const KxDateTime workspace(2026, 3, 4, 5, 6, 7);
    EXPECT_EQ(KX_KERNEL_E_INVALID, KxCheckOutProperty::CheckOut(one_, KxRef(), workspace));
    ASSERT_EQ(0, KxCheckOutProperty::CheckOut(one_, ref_, workspace));
    EXPECT_EQ(KX_KERNEL_E_DUPLICATE, KxCheckOutProperty::CheckOut(two_, ref_, workspace));
    EXPECT_TRUE(Info(theirs_).GetProperties().GetCheckOutProperty());

    KxCheckOutPropertyAllSet all(two_);
    KxCheckOutPropertyQuery query(nullptr, nullptr, 0);
    query.Setobj(theirs_);
    KxPersistentPropertyOnDemandLSet found(nullptr, 0);
    ASSERT_EQ(0, all.Query(query, found));
    ASSERT_EQ(1, found.GetCount());
    KxPersistentPropertyOnDemand* element = nullptr;
    ASSERT_EQ(0, found.Get(element, 0));
    KxPersistentProperty* property = nullptr;
    ASSERT_EQ(0, element->Get(property));
    EXPECT_EQ(workspace, dynamic_cast<KxCheckOutProperty*>(property)->GetDateTimeValue());
    EXPECT_EQ("ann", property->GetUserName().ToUtf8());
    element->Unget(property);

    // Checked in meanwhile: the reference finds nothing any more.
    ASSERT_EQ(0, KxCheckOutProperty::CheckIn(one_, ref_, workspace));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, KxCheckOutProperty::CheckIn(one_, ref_, workspace));
    EXPECT_EQ(KX_KERNEL_E_OBJ_NOT_FOUND, element->Get(property));
    EXPECT_FALSE(Info(mine_).GetProperties().GetCheckOutProperty());
}

TEST_F(ClientLocks, ABaseTellsItsDatabasesFacts)
{
    EXPECT_EQ("NATIVE", one_->GetServer().ToUtf8());
    EXPECT_EQ("shop", one_->GetDatabaseName().ToUtf8());
    EXPECT_EQ("shop", one_->GetPhysicalName().ToUtf8());
    KxDateTime created(2000, 1, 1);
    ASSERT_EQ(0, one_->GetCreationTime(created));   // the create call's record
    EXPECT_GT(created.GetYear(), 2000);
    KxDatabaseFileInfo info;
    ASSERT_EQ(0, one_->GetFileInfo(info));
    EXPECT_EQ(5, info.fileVersion);
    EXPECT_EQ(2, info.freeStoreVersion);
    EXPECT_EQ(0, one_->IsExternalBackupRunning());
    one_->SetExternalBackupRunning(5);
    EXPECT_EQ(1, one_->IsExternalBackupRunning());
    KxDateTime modified;
    EXPECT_EQ(0, one_->GetDictionaryModifyTime(modified));
    EXPECT_EQ(one_->GetDictionary()->GetModifyStamp(), modified);

    KxBase closed(KxString("shop?x=1"));
    EXPECT_EQ("shop", closed.GetDatabaseName().ToUtf8());
    EXPECT_EQ(KX_KERNEL_E_STATE, closed.GetFileInfo(info));
    EXPECT_EQ(KX_KERNEL_E_STATE, closed.GetCreationTime(created));
    EXPECT_EQ(0, closed.GetDatabaseVersion());
}

}  // namespace
