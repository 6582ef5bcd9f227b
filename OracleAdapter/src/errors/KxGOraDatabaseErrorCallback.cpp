// The process-wide listener for Oracle error messages.
#include "KxGOraDatabaseErrorCallback.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace {

// The registered listener; null at load. Registration is expected once, before connections work;
// the pointer is atomic so that a registration never tears a concurrent notification.
std::atomic<KxGOraDatabaseErrorCallback*> g_listener{nullptr};

// The characters trimmed from both ends of a message (the kernel's blanks).
constexpr const char* kBlanks = " \t\r\n\v\f";

}  // namespace

KxGOraDatabaseErrorCallback::KxGOraDatabaseErrorCallback() = default;

KxGOraDatabaseErrorCallback::KxGOraDatabaseErrorCallback(const KxGOraDatabaseErrorCallback&)
{
}

KxGOraDatabaseErrorCallback& KxGOraDatabaseErrorCallback::operator=(const KxGOraDatabaseErrorCallback&)
{
    return *this;
}

KxGOraDatabaseErrorCallback::~KxGOraDatabaseErrorCallback()
{
    // A listener that dies registered must not be called afterwards.
    KxGOraDatabaseErrorCallback* self = this;
    g_listener.compare_exchange_strong(self, nullptr);
}

void KxGOraDatabaseErrorCallback::Register()
{
    g_listener.store(this);
}

void KxGOraDatabaseErrorCallback::Unregister()
{
    g_listener.store(nullptr);
}

void KxGOraDatabaseErrorCallback::Notify(int32_t code, const char* message, const char* context)
{
    KxGOraDatabaseErrorCallback* listener = g_listener.load();
    if (listener == nullptr) {
        return;
    }
    std::string text = message != nullptr ? message : "";
    std::replace(text.begin(), text.end(), '\n', ' ');
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        text.clear();
    } else {
        text.erase(text.find_last_not_of(kBlanks) + 1);
        text.erase(0, first);
    }
    listener->Receive(code, text.c_str(), context != nullptr ? context : "");
}
