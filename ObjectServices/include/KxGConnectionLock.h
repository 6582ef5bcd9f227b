// The mutex of one connection.
//
// Several parts of the gateway run statements on a client's own connection and commit or roll it
// back at once, outside the application's transaction: the relational lock service (LOCKS rows, the
// lock listing), the surrogate allocator (the SURROGATES counter) and the client's reconnect. A
// commit or rollback ends whatever else is pending on the connection, so these sequences must not
// interleave: each holds the connection's mutex from its first statement to its commit or rollback.
//
// There is one mutex per connection (KxGDatabase object), made on the first request and kept while
// any holder keeps its shared pointer. It is recursive: a holder may enter it again. The kernel's
// critical section 13 is no substitute: its thread manager is known only after SetSync.
//
// Order: code that holds the kernel's critical section 13 may take a connection mutex; code that
// holds a connection mutex never enters critical section 13.
#pragma once

#include <memory>
#include <mutex>

class KxGDatabase;

class KxGConnectionLock {
public:
    using Mutex = std::recursive_mutex;

    // The mutex of the connection (null for a null database). The same mutex for the same
    // connection as long as somebody holds it.
    static std::shared_ptr<Mutex> Of(const KxGDatabase* database);

    KxGConnectionLock() = delete;
};

// Holds a connection mutex for its own lifetime; a null mutex locks nothing.
class KxGConnectionSection {
public:
    explicit KxGConnectionSection(KxGConnectionLock::Mutex* mutex) : mutex_(mutex)
    {
        if (mutex_) mutex_->lock();
    }
    explicit KxGConnectionSection(const std::shared_ptr<KxGConnectionLock::Mutex>& mutex)
        : KxGConnectionSection(mutex.get()) {}
    ~KxGConnectionSection()
    {
        if (mutex_) mutex_->unlock();
    }
    KxGConnectionSection(const KxGConnectionSection&) = delete;
    KxGConnectionSection& operator=(const KxGConnectionSection&) = delete;

private:
    KxGConnectionLock::Mutex* mutex_;
};
