// Helpers of the upgrade library's tests: a private folder, the registry file an installer would
// write, the run time's clock held by the test, console capture and printing of wide texts.
#pragma once

#include <windows.h>
#include <w32test.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "afxstr.h"

inline void PrintTo(const CStringW& text, std::ostream* os) { *os << "u\"" << CStringA(text).GetString() << '"'; }

namespace upgrade_test {

inline std::string Utf8(const CString& text) { return CStringA(text).GetString(); }

inline std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A fresh private folder, removed with its contents when the object goes.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/upgrade_test_XXXXXX";
        if (mkdtemp(tmpl) != nullptr) path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets (or, with nullopt, removes) an environment variable for the object's lifetime.
class EnvVar {
public:
    EnvVar(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        if (value) setenv(name_.c_str(), value->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ~EnvVar() {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

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

}  // namespace upgrade_test
