#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Errors.h"
#include "Text.h"
#include "w32ini.h"

extern char** environ;

namespace w32 {
namespace {

// The variable's entry name as set in the environment (exact spelling first, then ignoring ASCII
// case); empty when it is not set.
std::string SetName(const std::string& name) {
    if (std::getenv(name.c_str()) != nullptr) return name;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq == nullptr || eq == *e) continue;
        const std::string n(*e, static_cast<size_t>(eq - *e));
        if (w32ini::EqualsNoCase(n, name)) return n;
    }
    return std::string();
}

bool Lookup(const std::string& name, std::string& value) {
    const std::string set = SetName(name);
    if (!set.empty()) {
        value = std::getenv(set.c_str());
        return true;
    }
    if (w32ini::EqualsNoCase(name, "COMPUTERNAME")) {
        char host[256] = {};
        if (gethostname(host, sizeof host - 1) != 0) return false;
        value = host;
        for (char& c : value)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return true;
    }
    return false;
}

BOOL Set(const std::string& name, const char* value) {
    if (name.empty() || name.find('=') != std::string::npos) return Fail(ERROR_INVALID_PARAMETER);
    std::string set = SetName(name);
    if (value == nullptr) {
        if (!set.empty()) unsetenv(set.c_str());
        return TRUE;
    }
    if (!set.empty() && set != name) unsetenv(set.c_str());
    if (setenv(name.c_str(), value, 1) != 0) return Fail(FromErrno(errno));
    return TRUE;
}

std::string Block() {
    std::string block;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        block += *e;
        block += '\0';
    }
    block += '\0';
    return block;
}

}  // namespace
}  // namespace w32

extern "C" {

DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    if (lpName == nullptr) return w32::Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    std::string value;
    if (!w32::Lookup(lpName, value)) return w32::Fail(ERROR_ENVVAR_NOT_FOUND, DWORD(0));
    SetLastError(ERROR_SUCCESS);
    return w32::CopyOrNeed(value, lpBuffer, nSize);
}

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
    if (lpName == nullptr) return w32::Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    std::string value;
    if (!w32::Lookup(w32::ToUtf8(lpName), value)) return w32::Fail(ERROR_ENVVAR_NOT_FOUND, DWORD(0));
    SetLastError(ERROR_SUCCESS);
    return w32::CopyOrNeed(w32::ToUtf16(value), lpBuffer, nSize);
}

BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    if (lpName == nullptr) return w32::Fail(ERROR_INVALID_PARAMETER);
    return w32::Set(lpName, lpValue);
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
    if (lpName == nullptr) return w32::Fail(ERROR_INVALID_PARAMETER);
    const std::string value = w32::ToUtf8(lpValue);
    return w32::Set(w32::ToUtf8(lpName), lpValue == nullptr ? nullptr : value.c_str());
}

LPCH WINAPI GetEnvironmentStringsA() {
    const std::string block = w32::Block();
    auto* out = static_cast<char*>(w32::AllocateBlock(block.size(), false));
    if (out == nullptr) return w32::Fail(ERROR_NOT_ENOUGH_MEMORY, LPCH(nullptr));
    std::memcpy(out, block.data(), block.size());
    return out;
}

LPWCH WINAPI GetEnvironmentStringsW() {
    const std::u16string block = w32::ToUtf16(w32::Block());
    auto* out = static_cast<char16_t*>(w32::AllocateBlock(block.size() * sizeof(char16_t), false));
    if (out == nullptr) return w32::Fail(ERROR_NOT_ENOUGH_MEMORY, LPWCH(nullptr));
    std::memcpy(out, block.data(), block.size() * sizeof(char16_t));
    return out;
}

BOOL WINAPI FreeEnvironmentStringsA(LPCH penv) {
    return w32::FreeBlock(penv) ? TRUE : w32::Fail(ERROR_INVALID_PARAMETER);
}

BOOL WINAPI FreeEnvironmentStringsW(LPWCH penv) {
    return w32::FreeBlock(penv) ? TRUE : w32::Fail(ERROR_INVALID_PARAMETER);
}

}  // extern "C"
