// Error helpers of the Win32 stand-in.
#pragma once

#include <string>

#include "windows.h"

namespace w32 {

// The Windows number for a Linux errno value.
DWORD FromErrno(int error);
// As FromErrno, but a missing file is 2 when its folder exists and 3 when the folder is missing
// too, as Windows tells them apart.
DWORD FromErrnoForPath(int error, const std::string& linuxPath);

// Sets the last error and answers FALSE (or the given value).
inline BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}
template <typename T>
T Fail(DWORD error, T result) {
    SetLastError(error);
    return result;
}

// Blocks that LocalFree (and RpcStringFree) release: null when out of memory.
void* AllocateBlock(size_t bytes, bool zero);
// False (nothing freed) for a block not handed out by AllocateBlock.
bool FreeBlock(void* block);

// The English text of a Windows error number (without "\r\n"), or null.
const char* ErrorText(DWORD error);

}  // namespace w32
