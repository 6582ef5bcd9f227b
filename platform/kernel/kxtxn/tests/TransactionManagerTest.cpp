#include <gtest/gtest.h>

#include <memory>

#include "kxkernel.h"
#include "kxtxn.h"

namespace {

// A storage's manager that supports only begin; the kernel reaches it through the base class.
class BeginOnlyManager : public TransactionManager {
public:
    explicit BeginOnlyManager(bool* destroyed) : destroyed_(destroyed) {}
    ~BeginOnlyManager() override { *destroyed_ = true; }
    int32_t Begin(KxTransactionResource* resource, int32_t, int32_t) override {
        return resource == nullptr ? -4004 : 1;
    }

private:
    bool* destroyed_;
};

TEST(TransactionManagerTest, DerivedOperationsAndDefaults) {
    bool destroyed = false;
    std::unique_ptr<TransactionManager> mgr = std::make_unique<BeginOnlyManager>(&destroyed);
    KxBase base("shop", "client");
    KxTransaction txn;
    KxTransactionResource* res = txn.GetResource(&base);
    ASSERT_NE(nullptr, res);

    EXPECT_EQ(1, mgr->Begin(res, 0, 0));
    EXPECT_EQ(-4004, mgr->Begin(nullptr, 0, 0));
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, mgr->Commit(res));
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, mgr->Abort(res));
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, mgr->Prepare(res));
    EXPECT_EQ(KX_KERNEL_E_NOT_SUPPORTED, mgr->Recover(res));
    mgr.reset();
    EXPECT_TRUE(destroyed);   // deleted through the base's virtual destructor
}

}  // namespace
