#include <string>

#include "Errors.h"
#include "Paths.h"
#include "Text.h"
#include "w32ini.h"

namespace w32 {
namespace {

// The value, or the default with the last error 2.
std::string ProfileString(const std::string& section, const std::string& key, const char* fallback,
                          LPCSTR file) {
    std::string native;
    std::string text;
    if (file != nullptr && LinuxPath(file, native) && w32ini::ReadFile(native, text)) {
        w32ini::Document doc;
        doc.Parse(text);
        if (const std::string* v = doc.Lookup(w32ini::SplitSectionName(section), key)) {
            SetLastError(ERROR_SUCCESS);
            return *v;
        }
    }
    std::string def = fallback == nullptr ? std::string() : std::string(fallback);
    while (!def.empty() && def.back() == ' ') def.pop_back();
    SetLastError(ERROR_FILE_NOT_FOUND);
    return def;
}

}  // namespace
}  // namespace w32

extern "C" {

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
    if (lpAppName == nullptr || lpKeyName == nullptr) {
        w32::CopyCut(std::string(), lpReturnedString, nSize);
        return w32::Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    }
    const std::string value = w32::ProfileString(lpAppName, lpKeyName, lpDefault, lpFileName);
    const DWORD error = GetLastError();
    const DWORD n = w32::CopyCut(value, lpReturnedString, nSize);
    SetLastError(error);
    return n;
}

DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                      LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) {
    if (lpAppName == nullptr || lpKeyName == nullptr) {
        w32::CopyCut(std::u16string(), lpReturnedString, nSize);
        return w32::Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    }
    const std::string fallback = w32::ToUtf8(lpDefault);
    const std::string file = w32::ToUtf8(lpFileName);
    const std::string value = w32::ProfileString(w32::ToUtf8(lpAppName), w32::ToUtf8(lpKeyName),
                                                 lpDefault == nullptr ? nullptr : fallback.c_str(),
                                                 lpFileName == nullptr ? nullptr : file.c_str());
    const DWORD error = GetLastError();
    const DWORD n = w32::CopyCut(w32::ToUtf16(value), lpReturnedString, nSize);
    SetLastError(error);
    return n;
}

}  // extern "C"
