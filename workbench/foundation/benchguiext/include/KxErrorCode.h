// KxErrorCode: the result type of the workbench libraries, an error class and a message text.
// A code of class none means success. A code shows itself in a message box when the process-wide
// display mask admits its class; outside the application's main loop it only beeps.
#pragma once

#include <cstdint>

#include <svstring.h>

enum KxErrorClass : int32_t {
    KxErrNone = 0,      // success
    KxErrInfo = 1,
    KxErrWarning = 2,
    KxErrError = 3,
    KxErrFatal = 4
};

// The user's answer to a displayed code.
enum KxErrorResponse : int32_t {
    KxErrResponseNone = 0,     // nothing further to do: acknowledged, or nothing was shown
    KxErrResponseCancel = 1,   // the user cancelled
    KxErrResponseRetry = 2     // the user asked to retry
};

// Its pointer introduces the variable arguments of displayV when the code has no number.
class KxErrorCodeDummyParamForElipsis {
public:
    KxErrorCodeDummyParamForElipsis() {}
    KxErrorCodeDummyParamForElipsis(const KxErrorCodeDummyParamForElipsis&) {}
    ~KxErrorCodeDummyParamForElipsis() {}
    KxErrorCodeDummyParamForElipsis& operator=(const KxErrorCodeDummyParamForElipsis&) { return *this; }
};

class KxErrorCode {
public:
    // Class none, with the text "Why are you printing this error, check your assumptions."
    KxErrorCode();
    KxErrorCode(const KxErrorCode& other);
    // The text unchanged (it may be a printf format for displayV).
    KxErrorCode(KxErrorClass errorClass, const char* text);
    // "Tessaform error: <code> \n<the kernel's text for the code>"
    KxErrorCode(KxErrorClass errorClass, int code);
    // "Tessaform error: <code>: <the kernel's text>\n<the format applied to the arguments>"
    KxErrorCode(KxErrorClass errorClass, int code, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    // "<prefix>: <the format applied to the arguments>"
    KxErrorCode(KxErrorClass errorClass, const char* prefix, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    ~KxErrorCode();

    // 1 when the class is exactly that one, else 0.
    int isFatal() const;
    int isError() const;
    int isWarning() const;
    int isInfo() const;
    // Non-null when the code is a failure (its class is not none).
    operator void*() const;
    // 1 when the class is none (success).
    int operator!() const;
    // The text, owned by the code.
    const char* errorString() const;
    // Class and text (byte-wise) equal.
    int operator==(const KxErrorCode& other) const;
    int operator!=(const KxErrorCode& other) const;
    KxErrorCode& operator=(const KxErrorCode& other);

    // The display mask: which classes display shows (initially warning, error and fatal).
    static void setDisplayLevel(KxErrorClass errorClass);
    static void clearDisplayLevel(KxErrorClass errorClass);
    // Non-zero when the mask admits the code's class.
    int shouldBeDisplayed() const;

    // Shows the text in a message box (information for none and info, warning, error with Retry
    // and Cancel, fatal with OK) when the mask admits the class; outside the main loop only beeps.
    KxErrorResponse display() const;
    // Shows the text used as printf format for the arguments, after
    // "Tessaform error: <code>: <the kernel's text>\n".
    KxErrorResponse displayV(int code, ...) const;
    // Shows the text used as printf format for the arguments.
    KxErrorResponse displayV(KxErrorCodeDummyParamForElipsis* dummy, ...) const;

private:
    String text_;
    KxErrorClass class_;
};
