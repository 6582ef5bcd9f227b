#include "Hooks.h"

#include <map>
#include <mutex>

namespace w32 {
namespace {

struct Failures {
    std::mutex mutex;
    std::map<w32test::Call, int32_t> pending;
};

Failures& TheFailures() {
    static Failures* f = new Failures;
    return *f;
}

}  // namespace

bool TakeFailure(w32test::Call call, int32_t& code) {
    Failures& f = TheFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto it = f.pending.find(call);
    if (it == f.pending.end()) return false;
    code = it->second;
    f.pending.erase(it);
    return true;
}

}  // namespace w32

namespace w32test {

void FailNext(Call call, int32_t code) {
    w32::Failures& f = w32::TheFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.pending[call] = code;
}

}  // namespace w32test
