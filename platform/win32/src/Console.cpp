#include "Console.h"

#include <cstdio>
#include <mutex>

#include "Errors.h"
#include "Handles.h"

namespace w32 {
namespace {

struct ConsoleObject : Object {
    explicit ConsoleObject(int s) : Object(Kind::Console), stream(s) {}
    const int stream;   // 0 input, 1 output, 2 error
};

struct Standard {
    std::mutex mutex;
    HANDLE handles[3] = {nullptr, nullptr, nullptr};
};

Standard& TheStandard() {
    static Standard* s = new Standard;
    return *s;
}

HANDLE StandardHandle(int stream) {
    Standard& s = TheStandard();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.handles[stream] == nullptr) s.handles[stream] = AddHandle(std::make_shared<ConsoleObject>(stream));
    return s.handles[stream];
}

}  // namespace

bool IsConsoleHandle(HANDLE h) { return PeekHandle(h, {Kind::Console}) != nullptr; }

int ConsoleReadFd(HANDLE h) {
    auto c = std::static_pointer_cast<ConsoleObject>(PeekHandle(h, {Kind::Console}));
    return c != nullptr && c->stream == 0 ? 0 : -1;
}

void ConsoleWrite(HANDLE h, const char* data, size_t size) {
    auto c = std::static_pointer_cast<ConsoleObject>(PeekHandle(h, {Kind::Console}));
    if (c == nullptr || c->stream == 0) return;
    ConsoleText(c->stream, std::string_view(data, size));
}

void ConsoleText(int stream, std::string_view text) {
    FILE* out = stream == 2 ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

}  // namespace w32

extern "C" HANDLE WINAPI GetStdHandle(DWORD nStdHandle) {
    switch (nStdHandle) {
        case STD_INPUT_HANDLE: return w32::StandardHandle(0);
        case STD_OUTPUT_HANDLE: return w32::StandardHandle(1);
        case STD_ERROR_HANDLE: return w32::StandardHandle(2);
        default: return w32::Fail(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);
    }
}
