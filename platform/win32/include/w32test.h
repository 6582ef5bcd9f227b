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
    Rename,          // the next rename of MoveFile(Ex) meets the errno value of the code, as
                     // EXDEV (18) for a target on another file system
};
// The next call (in any thread) fails with the code.
void FailNext(Call call, int32_t code);

}  // namespace w32test
