#include "TestRecorder.h"

#include <mutex>

namespace {
std::mutex g_mutex;
std::vector<std::string> g_events;
int32_t g_checkResult = 0;
int32_t g_initResult = 0;
}  // namespace

void KxTestRecord(const std::string& event) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_events.push_back(event);
}

std::vector<std::string> KxTestEvents() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_events;
}

void KxTestClearEvents() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_events.clear();
}

void KxTestSetCheckResult(int32_t result) { g_checkResult = result; }
int32_t KxTestCheckResult() { return g_checkResult; }
void KxTestSetInitResult(int32_t result) { g_initResult = result; }
int32_t KxTestInitResult() { return g_initResult; }

namespace {
std::vector<std::pair<std::string, int32_t>> g_failures;
}

void KxTestSetFailure(const std::string& operation, int32_t code) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failures.emplace_back(operation, code);
}

int32_t KxTestTakeFailure(const std::string& operation) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_failures.begin(); it != g_failures.end(); ++it) {
        if (it->first == operation) {
            const int32_t code = it->second;
            g_failures.erase(it);
            return code;
        }
    }
    return 0;
}
