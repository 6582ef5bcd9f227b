// What the diagnostic streams write during a test, whichever sink they have (the console when
// "KXHOME" is set, else the debugger output).
#pragma once

#include <w32test.h>

#include <mutex>
#include <string>
#include <utility>

class StreamCapture {
public:
    StreamCapture() {
        w32test::SetDebugOutputHook([this](const std::string& text) { Add(text); });
        w32test::SetConsoleHook([this](int, const std::string& text) { Add(text); });
    }
    ~StreamCapture() {
        w32test::SetDebugOutputHook(nullptr);
        w32test::SetConsoleHook(nullptr);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // The text so far (and forgets it).
    std::string Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(text_, std::string());
    }

private:
    void Add(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ += text;
    }
    std::mutex mutex_;
    std::string text_;
};
