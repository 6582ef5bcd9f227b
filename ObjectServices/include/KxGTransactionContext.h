// The transaction context of one kernel transaction of a client.
//
// So far only what the lock services need of it: its identity (locks are kept per context) and its
// nesting level, which the transaction manager raises when a level begins and lowers when it ends.
// The rest of the context (operation environment, lock service, resource handle, connection,
// resource-manager stack and read unit of work) comes with the transactions.
#pragma once

#include <cstdint>

class KxGTransactionContext {
public:
    KxGTransactionContext() = default;
    KxGTransactionContext(const KxGTransactionContext&) = delete;
    KxGTransactionContext& operator=(const KxGTransactionContext&) = delete;

    // The number of open levels: 0 before the first level begins, 1 in the outermost level.
    int32_t GetLevel() const { return level_; }
    void SetLevel(int32_t level) { level_ = level; }
    int32_t RaiseLevel() { return ++level_; }
    int32_t LowerLevel() { return level_ > 0 ? --level_ : 0; }

private:
    int32_t level_ = 0;
};
