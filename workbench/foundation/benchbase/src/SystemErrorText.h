// The system's text for an error code, as the reports of the library write it.
#pragma once

#include <windows.h>

#include <string>

// The text from the system's table (with its line end), or false when the system has none.
inline bool SystemErrorText(DWORD code, std::string& text) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                                        reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return false;
    text.assign(buffer, length);
    LocalFree(buffer);
    return true;
}
