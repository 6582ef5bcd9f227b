// XKxException: the one exception type of the upgrade library. Each level that catches it on its
// way out adds its location and an outer message, so that the final text reads from the outermost
// operation down to the cause.
#pragma once

#include <cstdint>

#include "afxstr.h"

class XKxException {
public:
    // Codes: a kernel or Oracle result (not positive), -1 when the thrower has none, -2 for a cancel
    // by the user, 0 for an empty exception.
    static constexpr int32_t kNoCode = -1;
    static constexpr int32_t kCanceled = -2;

    XKxException() = default;
    XKxException(int32_t code, const CString& sourcePath, const CString& operation, const CString& message);
    XKxException(const CString& sourcePath, const CString& operation, const CString& message);
    XKxException(const XKxException& other);
    XKxException& operator=(const XKxException& other);

    // "<operation> in [unit]", the unit being the source path behind its last "\"; empty when the
    // operation name is empty.
    static CString MakeLocation(const CString& sourcePath, const CString& operation);

    void Set(int32_t code, const CString& sourcePath, const CString& operation, const CString& message);
    void SetLocationAndMessage(const CString& sourcePath, const CString& operation, const CString& message);
    // Nothing for an empty exception (code 0); else the location and the message are added outermost.
    void AddLocation(const CString& sourcePath, const CString& operation, const CString& message);
    void AddLocationOnly(const CString& sourcePath, const CString& operation);
    void AddLocationText(const CString& location);
    void AddMessage(const CString& message);

    int32_t GetCode() const { return code_; }
    const CString& GetMessage() const { return message_; }
    const CString& GetLocation() const { return location_; }
    bool IsHandled() const { return handled_; }

    // The error message box (nothing for a cancel; no number line for code -1).
    void Show() const;

private:
    int32_t code_ = 0;
    CString message_;
    CString location_;
    bool handled_ = false;
};
