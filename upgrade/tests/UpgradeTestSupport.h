// Helpers of the upgrade library's tests, beside the Win32 stand-in's (a private folder, environment
// variables, file contents): the registry file an installer would write, the run time's clock held
// by the test, console capture, child programs and printing of wide texts.
#pragma once

#include <windows.h>
#include <w32test.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>

#include "TestSupport.h"
#include "XKxException.h"
#include "afxstr.h"

inline void PrintTo(const CStringW& text, std::ostream* os) { *os << "u\"" << CStringA(text).GetString() << '"'; }

namespace upgrade_test {

inline std::string Utf8(const CString& text) { return CStringA(text).GetString(); }

// The upgrade exception an operation throws (code 0 and empty texts when it throws none).
inline XKxException Thrown(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const XKxException& error) {
        return error;
    }
    return XKxException();
}

// Runs a test body; an upgrade exception that escapes it fails the test with its text and code.
inline void Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const XKxException& error) {
        ADD_FAILURE() << "XKxException " << error.GetCode() << ": " << Utf8(error.GetMessage()) << " at "
                      << Utf8(error.GetLocation());
    }
}

// How often the part occurs in the text (overlaps counted).
inline size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

using w32test_support::EnvVar;
using w32test_support::ReadAll;
using w32test_support::TempDir;

// The registry file of the Win32 stand-in, written as an installer would: the .reg text is given
// after the header line, and $W32_REGISTRY names the file while the object lives.
class RegistryFile {
public:
    RegistryFile(const TempDir& dir, const std::string& body)
        : file_(dir / "registry.reg"), env_("W32_REGISTRY", file_) {
        std::ofstream(file_, std::ios::binary) << "Windows Registry Editor Version 5.00\r\n\r\n" << body;
    }
    const std::string& File() const { return file_; }

private:
    std::string file_;
    EnvVar env_;
};

// The run time's clock (clock()) held at a value the test sets, while the object lives.
class FakeClock {
public:
    explicit FakeClock(long start = 1000) : now_(start) {
        w32test::SetClockHook([this] {
            std::lock_guard<std::mutex> lock(mutex_);
            return now_;
        });
    }
    ~FakeClock() { w32test::SetClockHook(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;
    void Set(long now) {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ = now;
    }
    void Advance(long milliseconds) {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ += milliseconds;
    }

private:
    std::mutex mutex_;
    long now_;
};

// What wprintf writes while the object lives.
class ConsoleCapture {
public:
    ConsoleCapture() {
        w32test::SetConsoleHook([this](int, const std::string& text) {
            std::lock_guard<std::mutex> lock(mutex_);
            text_ += text;
        });
    }
    ~ConsoleCapture() { w32test::SetConsoleHook(nullptr); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    std::string Text() {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }

private:
    std::mutex mutex_;
    std::string text_;
};

struct ChildRun {
    DWORD pid = 0;
    DWORD exitCode = 0;
    std::string console;
};

// Runs the child program with the arguments and waits for it; its standard output is caught in a
// file of the folder.
inline ChildRun RunChild(const TempDir& dir, const char* program, const std::string& arguments) {
    ChildRun run;
    const std::string consoleFile = dir / "console.txt";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int out = open(consoleFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    close(out);

    CString commandLine;
    commandLine.Format(u"\"%S\" %S", program, arguments.c_str());
    std::u16string buffer(commandLine.GetString());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        run.pid = process.dwProcessId;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    EXPECT_TRUE(started) << GetLastError();
    run.console = ReadAll(consoleFile);
    return run;
}

}  // namespace upgrade_test
