#include "Console.h"

#include <locale.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "Errors.h"
#include "Handles.h"
#include "Hooks.h"
#include "Paths.h"
#include "Text.h"
#include "w32path.h"

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

// Defined below with the other output state.
bool HookedConsoleText(int stream, std::string_view text);

void ConsoleText(int stream, std::string_view text) {
    if (HookedConsoleText(stream, text)) return;
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

// ---- Console text, debugger output, boxes, beeps, version, clock and C run-time calls ----

namespace w32 {
namespace {

struct Output {
    std::mutex mutex;
    std::function<void(int, const std::string&)> consoleHook;
    std::function<void(const std::string&)> debugHook;
    std::vector<w32test::MessageBoxRecord> boxes;
    int beeps = 0;
    std::vector<std::string> consoleCalls;
    std::function<long()> clockHook;
};

Output& TheOutput() {
    static Output* o = new Output;
    return *o;
}

std::atomic<bool> windows9x{false};

// ---- wprintf ----

void AppendAscii(std::u16string& out, const char* text) {
    for (const char* p = text; *p != '\0'; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
}

void Pad(std::u16string& out, const std::u16string& text, int width, bool left) {
    const int fill = width > static_cast<int>(text.size()) ? width - static_cast<int>(text.size()) : 0;
    if (!left) out.append(static_cast<size_t>(fill), u' ');
    out += text;
    if (left) out.append(static_cast<size_t>(fill), u' ');
}

std::u16string FormatWide(const char16_t* format, va_list args) {
    std::u16string out;
    if (format == nullptr) return out;
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        const char16_t* start = p++;
        std::string flags;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') flags += static_cast<char>(*p++);
        int width = -1;
        if (*p == u'*') {
            width = va_arg(args, int);
            if (width < 0) {
                flags += '-';
                width = -width;
            }
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9') width = (width < 0 ? 0 : width * 10) + (*p++ - u'0');
        }
        int precision = -1;
        if (*p == u'.') {
            ++p;
            precision = 0;
            if (*p == u'*') {
                precision = va_arg(args, int);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9') precision = precision * 10 + (*p++ - u'0');
            }
        }
        std::string length;
        for (;;) {
            if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
                length = "I64";
                p += 3;
            } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
                length = "I32";
                p += 3;
            } else if (*p == u'h' || *p == u'l' || *p == u'L' || *p == u'w' || *p == u'z' || *p == u'j' ||
                       *p == u't' || *p == u'I') {
                length += static_cast<char>(*p++);
            } else {
                break;
            }
        }
        const char16_t conv = *p;
        if (conv == 0) {
            out.append(start, p);
            break;
        }
        const bool left = flags.find('-') != std::string::npos;
        std::string spec = "%" + flags;
        if (width >= 0) spec += std::to_string(width);
        if (precision >= 0) spec += "." + std::to_string(precision);
        char buf[512];
        switch (conv) {
            case u'%':
                out += u'%';
                break;
            case u's':
            case u'S': {
                const bool narrow = (conv == u'S') ? (length != "l" && length != "w") : (length == "h");
                std::u16string text;
                if (narrow) {
                    const char* s = va_arg(args, const char*);
                    std::string bytes = s == nullptr ? "(null)" : s;
                    if (precision >= 0 && static_cast<size_t>(precision) < bytes.size()) bytes.resize(static_cast<size_t>(precision));
                    text = ToUtf16(bytes);
                } else {
                    const char16_t* s = va_arg(args, const char16_t*);
                    text = s == nullptr ? u"(null)" : std::u16string(s, Length(s));
                    if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text.resize(static_cast<size_t>(precision));
                }
                Pad(out, text, width, left);
                break;
            }
            case u'c':
            case u'C': {
                const bool narrow = (conv == u'C') ? (length != "l" && length != "w") : (length == "h");
                const int c = va_arg(args, int);
                const std::u16string text = narrow ? ToUtf16(std::string(1, static_cast<char>(c)))
                                                   : std::u16string(1, static_cast<char16_t>(c));
                Pad(out, text, width, left);
                break;
            }
            case u'd':
            case u'i': {
                long long v;
                if (length == "hh") v = static_cast<signed char>(va_arg(args, int));
                else if (length == "h") v = static_cast<short>(va_arg(args, int));
                else if (length == "l") v = va_arg(args, long);
                else if (length == "ll" || length == "I64" || length == "L") v = va_arg(args, long long);
                else if (length == "z" || length == "I" || length == "t") v = va_arg(args, ssize_t);
                else if (length == "j") v = va_arg(args, intmax_t);
                else v = va_arg(args, int);
                std::snprintf(buf, sizeof buf, (spec + "lld").c_str(), v);
                AppendAscii(out, buf);
                break;
            }
            case u'u':
            case u'x':
            case u'X':
            case u'o': {
                unsigned long long v;
                if (length == "hh") v = static_cast<unsigned char>(va_arg(args, unsigned));
                else if (length == "h") v = static_cast<unsigned short>(va_arg(args, unsigned));
                else if (length == "l") v = va_arg(args, unsigned long);
                else if (length == "ll" || length == "I64" || length == "L") v = va_arg(args, unsigned long long);
                else if (length == "z" || length == "I" || length == "t") v = va_arg(args, size_t);
                else if (length == "j") v = va_arg(args, uintmax_t);
                else v = va_arg(args, unsigned);
                std::snprintf(buf, sizeof buf, (spec + "ll" + static_cast<char>(conv)).c_str(), v);
                AppendAscii(out, buf);
                break;
            }
            case u'e':
            case u'E':
            case u'f':
            case u'F':
            case u'g':
            case u'G':
            case u'a':
            case u'A':
                if (length == "L") {
                    std::snprintf(buf, sizeof buf, (spec + "L" + static_cast<char>(conv)).c_str(),
                                  va_arg(args, long double));
                } else {
                    std::snprintf(buf, sizeof buf, (spec + static_cast<char>(conv)).c_str(), va_arg(args, double));
                }
                AppendAscii(out, buf);
                break;
            case u'p': {
                char hex[32];
                std::snprintf(hex, sizeof hex, "%016llX",
                              static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(va_arg(args, void*))));
                std::u16string text;
                AppendAscii(text, hex);
                Pad(out, text, width, left);
                break;
            }
            case u'n':
                (void)va_arg(args, int*);   // never written
                break;
            default:
                out.append(start, p + 1);
                break;
        }
    }
    return out;
}

// ---- the clock ----

int64_t BootMilliseconds() {
    struct timespec ts;
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The process's start on the boot clock; the library's loading when it cannot be read.
int64_t StartMilliseconds() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(text.substr(close + 1));
        std::string field;
        for (int i = 3; i <= 22 && fields >> field; ++i) {
            if (i == 22) {
                const long hz = sysconf(_SC_CLK_TCK);
                if (hz > 0) return std::stoll(field) * 1000 / hz;
            }
        }
    }
    return BootMilliseconds();
}

const int64_t processStart = StartMilliseconds();

std::string ProgramPath() { return w32path::ToWindows(ProgramFile()); }

}  // namespace

bool HookedConsoleText(int stream, std::string_view text) {
    std::function<void(int, const std::string&)> hook;
    {
        std::lock_guard<std::mutex> lock(TheOutput().mutex);
        hook = TheOutput().consoleHook;
    }
    if (!hook) return false;
    hook(stream, std::string(text));
    return true;
}

}  // namespace w32

namespace w32test {

void SetConsoleHook(std::function<void(int, const std::string&)> hook) {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    w32::TheOutput().consoleHook = std::move(hook);
}

void SetDebugOutputHook(std::function<void(const std::string&)> hook) {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    w32::TheOutput().debugHook = std::move(hook);
}

std::vector<MessageBoxRecord> TakeMessageBoxes() {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    std::vector<MessageBoxRecord> boxes;
    boxes.swap(w32::TheOutput().boxes);
    return boxes;
}

int TakeMessageBeeps() {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    const int n = w32::TheOutput().beeps;
    w32::TheOutput().beeps = 0;
    return n;
}

std::vector<std::string> TakeConsoleCalls() {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    std::vector<std::string> calls;
    calls.swap(w32::TheOutput().consoleCalls);
    return calls;
}

void SetWindows9x(bool on) { w32::windows9x = on; }

void SetClockHook(std::function<long()> hook) {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    w32::TheOutput().clockHook = std::move(hook);
}

}  // namespace w32test

int vwprintf(const char16_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const std::u16string text = w32::FormatWide(format, copy);
    va_end(copy);
    w32::ConsoleText(1, w32::ToUtf8(text));
    return static_cast<int>(text.size());
}

int wprintf(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = vwprintf(format, args);
    va_end(args);
    return n;
}

int _vscwprintf(const char16_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const std::u16string text = w32::FormatWide(format, copy);
    va_end(copy);
    return static_cast<int>(text.size());
}

int _vsnwprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const std::u16string text = w32::FormatWide(format, copy);
    va_end(copy);
    if (buffer == nullptr) return count == 0 ? static_cast<int>(text.size()) : -1;
    const size_t n = std::min(text.size(), count);
    std::memcpy(buffer, text.data(), n * sizeof(char16_t));
    if (text.size() < count) buffer[text.size()] = 0;
    return text.size() <= count ? static_cast<int>(text.size()) : -1;
}

clock_t W32Clock() {
    std::function<long()> hook;
    {
        std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
        hook = w32::TheOutput().clockHook;
    }
    if (hook) return static_cast<clock_t>(hook());
    return static_cast<clock_t>(w32::BootMilliseconds() - w32::processStart);
}

__time64_t _time64(__time64_t* timer) {
    const __time64_t now = static_cast<__time64_t>(std::time(nullptr));
    if (timer != nullptr) *timer = now;
    return now;
}

struct tm* _localtime64(const __time64_t* timer) {
    thread_local struct tm result;
    if (timer == nullptr) return nullptr;
    const time_t t = static_cast<time_t>(*timer);
    return localtime_r(&t, &result);
}

size_t wcsftime(char16_t* buffer, size_t size, const char16_t* format, const struct tm* time) {
    if (buffer == nullptr || format == nullptr || time == nullptr || size == 0) return 0;
    static locale_t english = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string fmt = w32::ToUtf8(format);
    std::string narrow(256 + fmt.size() * 64, '\0');
    const size_t n = fmt.empty() ? 0 : strftime_l(narrow.data(), narrow.size(), fmt.c_str(), time, english);
    if (n == 0 && !fmt.empty()) {
        buffer[0] = 0;
        return 0;
    }
    const std::u16string wide = w32::ToUtf16(narrow.substr(0, n));
    if (wide.size() + 1 > size) {
        buffer[0] = 0;
        return 0;
    }
    std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    return wide.size();
}

int _get_pgmptr(char** value) {
    if (value == nullptr) return EINVAL;
    static const std::string path = w32::ProgramPath();
    *value = const_cast<char*>(path.c_str());
    return 0;
}

int _get_wpgmptr(char16_t** value) {
    if (value == nullptr) return EINVAL;
    static const std::u16string path = w32::ToUtf16(w32::ProgramPath());
    *value = const_cast<char16_t*>(path.c_str());
    return 0;
}

extern "C" {

int _getpid() { return static_cast<int>(getpid()); }

BOOL WINAPI AllocConsole() {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    w32::TheOutput().consoleCalls.push_back("AllocConsole");
    return TRUE;
}

BOOL WINAPI FreeConsole() {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    w32::TheOutput().consoleCalls.push_back("FreeConsole");
    return TRUE;
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString == nullptr) return;
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
        hook = w32::TheOutput().debugHook;
    }
    if (hook) {
        hook(lpOutputString);
        return;
    }
    std::fputs(lpOutputString, stderr);
    std::fflush(stderr);
}

void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
    if (lpOutputString == nullptr) return;
    OutputDebugStringA(w32::ToUtf8(lpOutputString).c_str());
}

int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    w32::TheOutput().boxes.push_back({lpCaption == nullptr ? "Error" : lpCaption, lpText == nullptr ? "" : lpText, uType});
    return IDOK;
}

int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    const std::string text = w32::ToUtf8(lpText);
    const std::string caption = w32::ToUtf8(lpCaption);
    return MessageBoxA(hWnd, text.c_str(), lpCaption == nullptr ? nullptr : caption.c_str(), uType);
}

BOOL WINAPI MessageBeep(UINT) {
    std::lock_guard<std::mutex> lock(w32::TheOutput().mutex);
    ++w32::TheOutput().beeps;
    return TRUE;
}

DWORD WINAPI GetVersion() {
    const DWORD nt = (2600u << 16) | (1u << 8) | 5u;
    return w32::windows9x ? (nt | 0x80000000u) : nt;
}

}  // extern "C"
