// Hooks with which tests steer and watch the Win32 stand-in. Not part of windows.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace w32test {

// Calls whose next call a test can make fail.
enum class Call {
    StartThread,     // CreateThread: fails with the code as last error; no thread starts
    CreateGuid,      // CoCreateGuid: answers the code (an HRESULT)
    GuidToText,      // UuidToString: answers the code; no string is made
    FreeRpcString,   // RpcStringFree: answers the code (the string is still released)
    StartProcess,    // CreateProcess: fails with the code as last error; no child starts
    Rename,          // the next rename of MoveFile(Ex) meets the errno value of the code, as
                     // EXDEV (18) for a target on another file system
};
// The next call (in any thread) fails with the code.
void FailNext(Call call, int32_t code);

// The arguments CreateProcess makes of a command line (Windows' quoting rules; the first word
// by the program-name rule).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Console output (wprintf, WriteFile on the standard output and error handles) goes to the hook,
// with the stream (1 output, 2 error), instead of the process's streams; an empty hook restores
// them.
void SetConsoleHook(std::function<void(int stream, const std::string& utf8)> hook);
// Debugger output goes to the hook instead of standard error; an empty hook restores it.
void SetDebugOutputHook(std::function<void(const std::string& utf8)> hook);

struct MessageBoxRecord {
    std::string caption;
    std::string text;
    uint32_t type;
};
// The message boxes "shown" so far (and clears them).
std::vector<MessageBoxRecord> TakeMessageBoxes();
// The beeps sounded so far (and clears the count).
int TakeMessageBeeps();
// The console calls so far, "AllocConsole" and "FreeConsole" in order (and clears them).
std::vector<std::string> TakeConsoleCalls();
// GetVersion answers the Windows 95 family (top bit set) while on.
void SetWindows9x(bool on);
// clock() answers the hook's value (in any thread) instead of the wall milliseconds since the
// process started; an empty hook restores them.
void SetClockHook(std::function<long()> hook);

}  // namespace w32test
