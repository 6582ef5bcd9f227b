#include "XKxException.h"

#include <windows.h>

XKxException::XKxException(int32_t code, const CString& sourcePath, const CString& operation, const CString& message)
    : code_(code), message_(message), location_(MakeLocation(sourcePath, operation)) {}

XKxException::XKxException(const CString& sourcePath, const CString& operation, const CString& message)
    : XKxException(kNoCode, sourcePath, operation, message) {}

// A copy starts unhandled: only code, location and message travel.
XKxException::XKxException(const XKxException& other)
    : code_(other.code_), message_(other.message_), location_(other.location_) {}

XKxException& XKxException::operator=(const XKxException& other) {
    code_ = other.code_;
    message_ = other.message_;
    location_ = other.location_;
    return *this;
}

CString XKxException::MakeLocation(const CString& sourcePath, const CString& operation) {
    if (operation.IsEmpty()) return CString();
    const CString unit = sourcePath.Mid(sourcePath.ReverseFind(u'\\') + 1);
    CString location;
    location.Format(u"<%s> in [%s]", operation, unit);
    return location;
}

void XKxException::Set(int32_t code, const CString& sourcePath, const CString& operation, const CString& message) {
    code_ = code;
    location_ = MakeLocation(sourcePath, operation);
    message_ = message;
}

void XKxException::SetLocationAndMessage(const CString& sourcePath, const CString& operation, const CString& message) {
    location_ = MakeLocation(sourcePath, operation);
    message_ = message;
    handled_ = true;
}

void XKxException::AddLocation(const CString& sourcePath, const CString& operation, const CString& message) {
    if (code_ == 0) return;
    AddLocationText(MakeLocation(sourcePath, operation));
    AddMessage(message);
}

void XKxException::AddLocationOnly(const CString& sourcePath, const CString& operation) {
    AddLocationText(MakeLocation(sourcePath, operation));
}

void XKxException::AddLocationText(const CString& location) {
    if (location_.IsEmpty()) {
        location_ = location;
        return;
    }
    CString grown;
    grown.Format(u"%s\r\n               \t%s", location, location_);
    location_ = grown;
}

void XKxException::AddMessage(const CString& message) {
    if (message_.IsEmpty()) {
        message_ = message;
        return;
    }
    CString grown;
    grown.Format(u"%s\r\nReason: \t%s", message, message_);
    message_ = grown;
}

void XKxException::Show() const {
    if (code_ == kCanceled) return;
    CString text = u"An error occured:\n\n";
    text += u"Location:\t" + location_ + u"\n";
    text += u"Message:\t" + message_ + u"\n";
    if (code_ != kNoCode) {
        CString number;
        number.Format(u"Number:\t%d\n", code_);
        text += number;
    }
    MessageBox(nullptr, text, nullptr, MB_OK | MB_ICONERROR);
}
