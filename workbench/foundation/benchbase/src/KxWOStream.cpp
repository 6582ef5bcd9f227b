// The diagnostic output stream and the sink all streams of the process share.
#include "KxWOStream.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The sink: INVALID_HANDLE_VALUE writes to the debugger output, any other handle is the console
// (0 after the last stream closed it: writes are dropped).
HANDLE theSink = INVALID_HANDLE_VALUE;
// Live console references: one per live stream.
int32_t theConsoleRefs = 0;

void WriteText(const char* text) {
    if (text == nullptr) return;
    if (theSink == INVALID_HANDLE_VALUE) {
        OutputDebugStringA(text);
        return;
    }
    DWORD written = 0;
    WriteFile(theSink, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

template <typename T>
void WriteFormatted(const char* format, T value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    WriteText(buffer);
}

}  // namespace

// A console reference: it exists while it holds one count of the sink.
class KxWOConsoleRef {
public:
    KxWOConsoleRef() {
        if (theConsoleRefs == 0) {
            if (std::getenv("KXHOME") != nullptr) {
                AllocConsole();
                theSink = GetStdHandle(STD_ERROR_HANDLE);
                if (theSink == INVALID_HANDLE_VALUE) theSink = GetStdHandle(STD_ERROR_HANDLE);
                if (theSink == INVALID_HANDLE_VALUE) MessageBeep(0xFFFFFFFF);
            } else {
                // Back to the debugger output after an earlier console was closed.
                theSink = INVALID_HANDLE_VALUE;
            }
        }
        ++theConsoleRefs;
    }
    ~KxWOConsoleRef() {
        if (theConsoleRefs-- == 1) {
            theSink = nullptr;
            FreeConsole();
        }
    }
    KxWOConsoleRef(const KxWOConsoleRef&) = delete;
    KxWOConsoleRef& operator=(const KxWOConsoleRef&) = delete;
};

KxWOStream::KxWOStream() : console_(new KxWOConsoleRef) {
    if (theConsoleRefs == 1) WriteText("Tessaform Workbench Console I/O enabled.\n");
}

KxWOStream::~KxWOStream() {
    delete console_;
    console_ = nullptr;
}

KxWOStream& KxWOStream::operator=(const KxWOStream&) { return *this; }

KxWOStream& KxWOStream::operator<<(const char* text) {
    WriteText(text);
    return *this;
}

KxWOStream& KxWOStream::operator<<(int value) {
    WriteFormatted("%d", value);
    return *this;
}

KxWOStream& KxWOStream::operator<<(unsigned int value) {
    WriteFormatted("%u", value);
    return *this;
}

KxWOStream& KxWOStream::operator<<(short value) {
    WriteFormatted("%d", static_cast<int>(value));
    return *this;
}

KxWOStream& KxWOStream::operator<<(unsigned short value) {
    WriteFormatted("%u", static_cast<unsigned int>(value));
    return *this;
}

KxWOStream& KxWOStream::operator<<(long value) {
    WriteFormatted("%ld", value);
    return *this;
}

KxWOStream& KxWOStream::operator<<(unsigned long value) {
    WriteFormatted("%lu", value);
    return *this;
}

KxWOStream& KxWOStream::operator<<(float value) {
    char buffer[384];   // room for the largest float in "%f"
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    WriteText(buffer);
    return *this;
}

KxWOStream& KxWOStream::operator<<(double value) {
    char buffer[384];   // room for the largest double in "%lf"
    std::snprintf(buffer, sizeof buffer, "%lf", value);
    WriteText(buffer);
    return *this;
}

KxWOStream& KxWOStream::operator<<(char value) {
    WriteFormatted("%c", value);
    return *this;
}

KxWOStream& KxWOStream::operator<<(void* value) {
    WriteFormatted("0x%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(value)));
    return *this;
}

KxWOStream& KxWOStream::operator<<(KxWOStream& (*manipulator)(KxWOStream&)) { return manipulator(*this); }

KxWOStream& KxWOStream::flush() { return *this; }

KxWOStream& endl(KxWOStream& stream) {
    WriteText("\n");
    return stream;
}

KxWOStream& flush(KxWOStream& stream) { return stream; }
