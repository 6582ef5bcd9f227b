// Helpers of the error tests: a recording listener and a temporary trace file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabaseErrorCallback.h"

struct Heard {
    int32_t code;
    std::string message;
    std::string context;
};

// Records what it receives; throws after recording when asked to.
class RecordingListener : public KxGOraDatabaseErrorCallback {
public:
    void Receive(int32_t code, const char* message, const char* context) override
    {
        heard.push_back({code, message, context});
        if (throws) {
            throw std::runtime_error(std::string("stopped by the listener: ") + message);
        }
    }

    std::vector<Heard> heard;
    bool throws = false;
};

// A trace writer on a file of its own directory, removed afterwards.
class TraceFile {
public:
    TraceFile()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "oraerr-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        dir_ = pattern;
        trace_ = std::make_unique<KxGDatabaseTrace>(KxString(dir_ + "/trace.log"), 0xffff, nullptr);
    }
    ~TraceFile()
    {
        trace_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    KxGDatabaseTrace* Trace() { return trace_.get(); }

    // What has been written so far (the writer flushes its records).
    std::string Text() const
    {
        std::ifstream in(dir_ + "/trace.log", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string dir_;
    std::unique_ptr<KxGDatabaseTrace> trace_;
};
