#include "XRegistry.h"

#include <cstring>
#include <new>
#include <vector>

#include "XKxException.h"

namespace {

const char16_t kUnit[] = u".\\xregistry";
constexpr DWORD kBufferSize = 256;

// The text of the bytes a query returned: at most their count, up to the first terminator.
CString TextOf(const BYTE* bytes, DWORD size) {
    const size_t units = size / sizeof(char16_t);
    std::u16string text(units, u'\0');
    std::memcpy(text.data(), bytes, units * sizeof(char16_t));
    return CString(text.c_str());
}

}  // namespace

XRegistry::~XRegistry() { Close(); }

void XRegistry::Open(const CString& subKey) {
    Close();
    keyPath_.Format(u"SOFTWARE\\Brenlow\\%s", subKey);
    HKEY key = nullptr;
    const LSTATUS result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath_, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) {
        CString message;
        message.Format(u"Error getting handle to <%s> registry settings!", keyPath_);
        throw XKxException(result, kUnit, u"XRegistry::Open", message);
    }
    key_ = key;
}

void XRegistry::GetValue(CString& value, const CString& name) {
    if (key_ == nullptr)
        throw XKxException(kUnit, u"XRegistry::GetValue", u"No opened registry key to get a value from!");

    BYTE buffer[kBufferSize] = {};
    DWORD type = 0;
    DWORD size = kBufferSize;
    LSTATUS result = RegQueryValueExW(key_, name, nullptr, &type, buffer, &size);
    if (result == ERROR_MORE_DATA && size > kBufferSize) {
        std::vector<BYTE> large;
        try {
            large.assign(static_cast<size_t>(size) + sizeof(char16_t), 0);
        } catch (const std::bad_alloc&) {
            throw XKxException(kUnit, u"XRegistry::GetValue",
                               u"Error getting value from registry: Could not allocate memory!");
        }
        DWORD largeSize = size;
        result = RegQueryValueExW(key_, name, nullptr, &type, large.data(), &largeSize);
        size = largeSize;
        value = result == ERROR_SUCCESS ? TextOf(large.data(), size) : CString();
    } else {
        value = result == ERROR_SUCCESS ? TextOf(buffer, size) : CString();
    }

    if (result != ERROR_SUCCESS || size == 0) {
        CString message;
        message.Format(u"Error getting registry value <%s> in <%s>!", name, keyPath_);
        // A value of size 0 was read fine: its exception carries -1, never the empty code 0.
        throw XKxException(result != ERROR_SUCCESS ? result : XKxException::kNoCode, kUnit, u"XRegistry::GetValue",
                           message);
    }
}

int32_t XRegistry::Close() {
    if (key_ == nullptr) return 0;
    const LSTATUS result = RegCloseKey(key_);
    key_ = nullptr;
    return result;
}

CString XRegistry::ReadValue(const CString& subKey, const CString& name) {
    CString value;
    XRegistry registry;
    try {
        registry.Open(subKey);
        registry.GetValue(value, name);
    } catch (const XKxException&) {
        value.Empty();
    }
    registry.Close();
    return value;
}
