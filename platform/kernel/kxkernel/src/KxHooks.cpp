#include "KxHooks.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "KxTestHooks.h"

namespace {

struct Hold {
    bool armed = false;     // the next call stops
    bool reached = false;   // a call waits there
};

struct Hooks {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, int32_t> failures;
    std::map<std::string, Hold> holds;
    // Whether any failure or hold is set: a hooked call of a busy path (a member accessor's value)
    // then looks no further.
    std::atomic<bool> armed{false};
    void Rearm() { armed.store(!failures.empty() || !holds.empty()); }
};

Hooks& Get()
{
    static Hooks* const hooks = new Hooks();   // kept for the whole process: held threads may outlive statics
    return *hooks;
}

}  // namespace

void KxHookFailNext(const char* operation, int32_t status)
{
    Hooks& h = Get();
    std::lock_guard<std::mutex> lock(h.mutex);
    if (status == 0) {
        h.failures.erase(operation);
    } else {
        h.failures[operation] = status;
    }
    h.Rearm();
}

void KxHookHoldNext(const char* operation)
{
    Hooks& h = Get();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.holds[operation] = Hold{true, false};
    h.Rearm();
}

void KxHookWaitHeld(const char* operation)
{
    Hooks& h = Get();
    std::unique_lock<std::mutex> lock(h.mutex);
    h.changed.wait(lock, [&] {
        const auto it = h.holds.find(operation);
        return it != h.holds.end() && it->second.reached;
    });
}

void KxHookRelease(const char* operation)
{
    Hooks& h = Get();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.holds.erase(operation);
    h.Rearm();
    h.changed.notify_all();
}

void KxHookClear()
{
    Hooks& h = Get();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.failures.clear();
    h.holds.clear();
    h.Rearm();
    h.changed.notify_all();
}

int32_t kxk::HookPoint(const char* operation)
{
    Hooks& h = Get();
    if (!h.armed.load()) {
        return 0;
    }
    std::unique_lock<std::mutex> lock(h.mutex);
    auto held = h.holds.find(operation);
    if (held != h.holds.end() && held->second.armed && !held->second.reached) {
        held->second.reached = true;
        h.changed.notify_all();
        // Released when the hold is removed (KxHookRelease or KxHookClear).
        h.changed.wait(lock, [&] {
            const auto it = h.holds.find(operation);
            return it == h.holds.end() || !it->second.reached;
        });
    }
    const auto failed = h.failures.find(operation);
    if (failed == h.failures.end()) {
        return 0;
    }
    const int32_t status = failed->second;
    h.failures.erase(failed);
    h.Rearm();
    return status;
}
