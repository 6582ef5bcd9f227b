// One mutex per connection, shared by everything that commits on the connection outside the
// application's transaction.
#include "KxGConnectionLock.h"

#include <map>

std::shared_ptr<KxGConnectionLock::Mutex> KxGConnectionLock::Of(const KxGDatabase* database)
{
    if (database == nullptr) {
        return nullptr;
    }
    static std::mutex registryMutex;
    static std::map<const KxGDatabase*, std::weak_ptr<Mutex>> registry;
    std::lock_guard<std::mutex> guard(registryMutex);
    // Forget the mutexes that nobody holds any more (their connections may be gone).
    for (auto it = registry.begin(); it != registry.end();) {
        it = it->second.expired() ? registry.erase(it) : std::next(it);
    }
    std::weak_ptr<Mutex>& slot = registry[database];
    std::shared_ptr<Mutex> mutex = slot.lock();
    if (!mutex) {
        mutex = std::make_shared<Mutex>();
        slot = mutex;
    }
    return mutex;
}
