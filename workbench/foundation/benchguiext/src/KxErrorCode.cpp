// Error codes, the display mask and the message boxes that show them.
#include "KxErrorCode.h"

#include <kxfound.h>
#include <sv.h>

#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>

namespace {

// Bit n admits class n: warning, error and fatal at first.
uint16_t theDisplayMask = 0x1C;

const size_t kBufferSize = 1024;

// The kernel's text for a code ("" when it has none).
const char* KernelText(int code) {
    const char* text = KxError(nullptr, nullptr, code, 0);
    return text != nullptr ? text : "";
}

bool InMask(KxErrorClass errorClass) {
    return errorClass >= 0 && errorClass < 16 && (theDisplayMask & (1u << errorClass)) != 0;
}

String CodeText(int code, const char* formatted) {
    char text[kBufferSize];
    std::snprintf(text, sizeof text, "Tessaform error: %d: %s\n%s", code, KernelText(code), formatted);
    return String(text);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void Format(char (&buffer)[kBufferSize], const char* format, va_list args) {
    if (format == nullptr) {
        buffer[0] = '\0';
        return;
    }
    std::vsnprintf(buffer, sizeof buffer, format, args);
}
#pragma GCC diagnostic pop

// Whether display goes on to a box: the mask admits the class and the main loop runs (else a beep).
bool MayShow(KxErrorClass errorClass) {
    if (!InMask(errorClass)) return false;
    if (!GetpApp()->IsInMain()) {
        Sound::Beep(SOUND_DEFAULT);
        return false;
    }
    return true;
}

KxErrorResponse ShowBox(KxErrorClass errorClass, const String& text) {
    MessBox* box = nullptr;
    switch (errorClass) {
        case KxErrNone:
        case KxErrInfo: box = new (std::nothrow) InfoBox(nullptr, text); break;
        case KxErrWarning: box = new (std::nothrow) WarningBox(nullptr, WB_OK, text); break;
        case KxErrError: box = new (std::nothrow) ErrorBox(nullptr, WB_RETRY_CANCEL, text); break;
        case KxErrFatal: box = new (std::nothrow) ErrorBox(nullptr, WB_OK, text); break;
        default: return KxErrResponseCancel;
    }
    if (box == nullptr) return errorClass >= KxErrError ? KxErrResponseCancel : KxErrResponseNone;
    const short result = box->Execute();
    delete box;
    if (result == RET_CANCEL) return KxErrResponseCancel;
    if (result == RET_RETRY) return KxErrResponseRetry;
    return KxErrResponseNone;
}

// The text used as format for the arguments, after the code's prefix when there is a code.
KxErrorResponse DisplayFormatted(KxErrorClass errorClass, const String& format, const int* code, va_list args) {
    if (!MayShow(errorClass)) return KxErrResponseNone;
    char formatted[kBufferSize];
    Format(formatted, format.GetStr(), args);
    return ShowBox(errorClass, code != nullptr ? CodeText(*code, formatted) : String(formatted));
}

}  // namespace

KxErrorCode::KxErrorCode() : text_("Why are you printing this error, check your assumptions."), class_(KxErrNone) {}

KxErrorCode::KxErrorCode(const KxErrorCode& other) = default;

KxErrorCode::KxErrorCode(KxErrorClass errorClass, const char* text) : text_(text), class_(errorClass) {}

KxErrorCode::KxErrorCode(KxErrorClass errorClass, int code) : class_(errorClass) {
    char text[kBufferSize];
    std::snprintf(text, sizeof text, "Tessaform error: %d \n%s", code, KernelText(code));
    text_ = String(text);
}

KxErrorCode::KxErrorCode(KxErrorClass errorClass, int code, const char* format, ...) : class_(errorClass) {
    char formatted[kBufferSize];
    va_list args;
    va_start(args, format);
    Format(formatted, format, args);
    va_end(args);
    text_ = CodeText(code, formatted);
}

KxErrorCode::KxErrorCode(KxErrorClass errorClass, const char* prefix, const char* format, ...) : class_(errorClass) {
    char formatted[kBufferSize];
    va_list args;
    va_start(args, format);
    Format(formatted, format, args);
    va_end(args);
    text_ = String(std::string(prefix != nullptr ? prefix : "") + ": " + formatted);
}

KxErrorCode::~KxErrorCode() = default;

int KxErrorCode::isFatal() const { return class_ == KxErrFatal ? 1 : 0; }
int KxErrorCode::isError() const { return class_ == KxErrError ? 1 : 0; }
int KxErrorCode::isWarning() const { return class_ == KxErrWarning ? 1 : 0; }
int KxErrorCode::isInfo() const { return class_ == KxErrInfo ? 1 : 0; }

KxErrorCode::operator void*() const {
    return class_ != KxErrNone ? const_cast<KxErrorCode*>(this) : nullptr;
}

int KxErrorCode::operator!() const { return class_ == KxErrNone ? 1 : 0; }

const char* KxErrorCode::errorString() const { return text_.GetStr(); }

int KxErrorCode::operator==(const KxErrorCode& other) const {
    return class_ == other.class_ && text_ == other.text_ ? 1 : 0;
}

int KxErrorCode::operator!=(const KxErrorCode& other) const { return *this == other ? 0 : 1; }

KxErrorCode& KxErrorCode::operator=(const KxErrorCode& other) = default;

void KxErrorCode::setDisplayLevel(KxErrorClass errorClass) {
    if (errorClass >= 0 && errorClass < 16) theDisplayMask = static_cast<uint16_t>(theDisplayMask | (1u << errorClass));
}

void KxErrorCode::clearDisplayLevel(KxErrorClass errorClass) {
    if (errorClass >= 0 && errorClass < 16) theDisplayMask = static_cast<uint16_t>(theDisplayMask & ~(1u << errorClass));
}

int KxErrorCode::shouldBeDisplayed() const { return InMask(class_) ? 1 : 0; }

KxErrorResponse KxErrorCode::display() const {
    if (!MayShow(class_)) return KxErrResponseNone;
    return ShowBox(class_, text_);
}

KxErrorResponse KxErrorCode::displayV(int code, ...) const {
    va_list args;
    va_start(args, code);
    const KxErrorResponse response = DisplayFormatted(class_, text_, &code, args);
    va_end(args);
    return response;
}

KxErrorResponse KxErrorCode::displayV(KxErrorCodeDummyParamForElipsis* dummy, ...) const {
    va_list args;
    va_start(args, dummy);
    const KxErrorResponse response = DisplayFormatted(class_, text_, nullptr, args);
    va_end(args);
    return response;
}
