// What the child programs of the upgrade tests share: the upgrader's run context without a progress
// display (progress lines go to the console), and the outcome lines "= <what>" on the console.
#pragma once

#include <cstdio>
#include <string>

#include "XApplicationDatabases.h"
#include "afxstr.h"

namespace child_support {

class ConsoleOwner : public XApplicationDatabasesOwner {
public:
    CString GetScriptBaseDirectory() const override { return CString(); }
    XProgressOutput* GetProgressOutput() const override { return nullptr; }
    int32_t GetOptionBits() const override { return 0; }
};

inline std::string Utf8(const CString& text) { return CStringA(text).GetString(); }

inline void Report(const std::string& line) {
    std::printf("\n= %s", line.c_str());
    std::fflush(stdout);
}

}  // namespace child_support
