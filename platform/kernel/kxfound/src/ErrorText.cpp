#include "kxfound.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

struct KxModuleErrorCallbackList::Impl {
    struct Range {
        KxModuleErrorCallback fn;
        int32_t low;
        int32_t high;
    };
    std::mutex mutex;
    std::vector<Range> ranges;   // most recent registration last
};

KxModuleErrorCallbackList::KxModuleErrorCallbackList() : impl_(new Impl) {}
KxModuleErrorCallbackList::~KxModuleErrorCallbackList() { delete impl_; }

KxModuleErrorCallbackList* KxModuleErrorCallbackList::GetInstance() {
    // Never destroyed: modules may ask for texts while the process shuts down.
    static KxModuleErrorCallbackList* instance = new KxModuleErrorCallbackList;
    return instance;
}

int32_t KxModuleErrorCallbackList::SetModuleErrorCallback(KxModuleErrorCallback fn, int32_t lowest,
                                                          int32_t highest) {
    const int32_t low = std::min(lowest, highest);
    const int32_t high = std::max(lowest, highest);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    try {
        if (fn) {
            // A registration for exactly the same range replaces the earlier one.
            auto& r = impl_->ranges;
            r.erase(std::remove_if(r.begin(), r.end(),
                                   [&](const Impl::Range& e) { return e.low == low && e.high == high; }),
                    r.end());
            r.push_back(Impl::Range{fn, low, high});
            return KX_FOUND_OK;
        }
        // Null function: cut [low, high] out of every registered range.
        std::vector<Impl::Range> kept;
        kept.reserve(impl_->ranges.size() + 1);
        for (const auto& e : impl_->ranges) {
            if (e.high < low || e.low > high) {
                kept.push_back(e);
                continue;
            }
            if (e.low < low) kept.push_back(Impl::Range{e.fn, e.low, low - 1});
            if (e.high > high) kept.push_back(Impl::Range{e.fn, high + 1, e.high});
        }
        impl_->ranges.swap(kept);
        return KX_FOUND_OK;
    } catch (const std::bad_alloc&) {
        return KX_FOUND_E_NO_MEMORY;
    }
}

const char* KxModuleErrorCallbackList::GetText(int32_t code) {
    // Callbacks are called outside the lock so that they may ask for texts themselves.
    std::vector<KxModuleErrorCallback> candidates;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        for (auto it = impl_->ranges.rbegin(); it != impl_->ranges.rend(); ++it)
            if (code >= it->low && code <= it->high) candidates.push_back(it->fn);
    }
    for (KxModuleErrorCallback fn : candidates)
        if (const char* text = fn(code)) return text;
    return nullptr;
}

namespace {
struct KernelText {
    int32_t code;
    const char* text;
};

const KernelText kKernelTexts[] = {
    {-502, "end of list"},
    {-2005, "no further entry"},
    {-2030, "out of memory"},
    {-2041, "lock refused"},
    {-2045, "unlock refused"},
    {-2309, "log-in refused"},
    {-2801, "text cannot be mapped to the code set"},
    {-2802, "unknown code set"},
    {-2803, "value does not fit its type"},
    {-2804, "unknown type code"},
    {-2805, "text cannot be read as a value of the type"},
    {-2806, "invalid value or argument"},
    {-2807, "position outside the value"},
    {-2821, "invalid argument"},
    {-2822, "entry point not found"},
    {-2831, "invalid critical section or thread argument"},
    {-2832, "critical section not held by this thread"},
    {-2833, "thread state does not allow the operation"},
    {-2834, "thread cannot be started"},
    {-2999, "operation not supported"},
    {-4004, "no transaction context"},
    {-4005, "no resource manager"},
    {-5004, "module version does not match the kernel version"},
};
}  // namespace

const char* KxError(int32_t code) {
    if (const char* text = KxModuleErrorCallbackList::GetInstance()->GetText(code)) return text;
    for (const auto& e : kKernelTexts)
        if (e.code == code) return e.text;
    return nullptr;
}

const char* KxError(const void*, const void*, int32_t code, int32_t) { return KxError(code); }
