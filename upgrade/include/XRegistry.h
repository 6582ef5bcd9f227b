// XRegistry reads text values of the upgrade's settings from the local machine's registry, below
// "SOFTWARE\Brenlow\<sub-key>".
#pragma once

#include <windows.h>

#include <cstdint>

#include "afxstr.h"

class XRegistry {
public:
    XRegistry() = default;
    // Closes a key still open.
    ~XRegistry();
    XRegistry(const XRegistry&) = delete;
    XRegistry& operator=(const XRegistry&) = delete;

    // Opens "SOFTWARE\Brenlow\<subKey>" for reading (a key open before is closed first);
    // XKxException with the open's result when it cannot be opened.
    void Open(const CString& subKey);
    // The named text value. A missing value, or one of size 0, throws XKxException, `value` being
    // empty by then.
    void GetValue(CString& value, const CString& name);
    // Closes the key; the close's result, 0 when none was open.
    int32_t Close();

    // The named text value below "SOFTWARE\Brenlow\<subKey>"; empty when the key or the value is
    // missing (or empty).
    static CString ReadValue(const CString& subKey, const CString& name);

    const CString& GetKeyPath() const { return keyPath_; }
    HKEY GetKey() const { return key_; }

private:
    CString keyPath_;
    HKEY key_ = nullptr;
};
