// A child program run as the upgrade library runs its children: CreateProcess without a window,
// the caller's environment, a working directory, and a wait for its end. For tests that link win32.
#pragma once

#include <windows.h>

#include <string>

namespace w32test_support {

struct ProcessRun {
    bool started = false;
    DWORD error = 0;      // GetLastError when it did not start
    DWORD exitCode = 0;
};

inline ProcessRun RunProcess(const std::string& commandLine, const std::string& directory = std::string(),
                             DWORD flags = CREATE_NO_WINDOW) {
    ProcessRun run;
    std::string buffer = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    run.started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                 directory.empty() ? nullptr : directory.c_str(), &startup, &process) != FALSE;
    if (!run.started) {
        run.error = GetLastError();
        return run;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

}  // namespace w32test_support
