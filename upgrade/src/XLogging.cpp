#include "XLogging.h"

#include <process.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "XKxException.h"
#include "XKxGlobals.h"
#include "XRegistry.h"

namespace {

const char16_t kUnit[] = u".\\xlogging";

// The local time through a strftime format (an empty text when it cannot be converted).
CString LocalTime(const char16_t* format) {
    const __time64_t now = _time64(nullptr);
    const struct tm* local = _localtime64(&now);
    char16_t buffer[128];
    if (local == nullptr || wcsftime(buffer, 128, format, local) == 0) return CString();
    return CString(buffer);
}

CString StarLine() { return CString(u'*', 105) + u"\r\n"; }
CString DashLine() { return CString(u'-', 105) + u"\r\n"; }

// The decimal value of a code text, as the C run time reads one (0 when it is no number).
int32_t CodeValue(const CString& text) {
    const CString trimmed = CString(text).TrimLeft();
    int64_t value = 0;
    int32_t i = 0;
    const bool negative = trimmed.GetAt(0) == u'-';
    if (negative || trimmed.GetAt(0) == u'+') ++i;
    for (; i < trimmed.GetLength() && trimmed[i] >= u'0' && trimmed[i] <= u'9'; ++i) {
        value = value * 10 + (trimmed[i] - u'0');
        if (value > INT32_MAX) break;
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

XLogging::XLogging(const CString& versionText, bool singleFile) : versionText_(versionText), singleFile_(singleFile) {}

XLogging::~XLogging() {
    try {
        Close();
    } catch (...) {
    }
}

void XLogging::StartLogging(const CString& name) {
    CString directory;
    {
        XRegistry registry;
        registry.Open(u"LiftRunner");
        registry.GetValue(directory, u"Logging");
        registry.Close();
    }
    struct _stat status;
    if (_wstat(directory, &status) != 0) {
        CString message;
        message.Format(u"The specified location for the LiftRun logging directory does not exist!\n<%s>", directory);
        throw XKxException(kUnit, u"XLogging::StartLogging", message);
    }
    if (Open(directory, name, CString()) < 0) {
        CString message;
        message.Format(u"Cannot open log file <%s>!", fileName_);
        throw XKxException(kUnit, u"XLogging::StartLogging", message);
    }
    WriteLine(u"Start log output:", true);
    CString line;
    line.Format(u"For File:     %s", name);
    WriteLine(line, false);
    line.Format(u"Version:      %s", versionText_);
    WriteLine(line, false);
    line.Format(u"Compile Date: %s", gBuildDate);
    WriteLine(line, false);
    line.Format(u"Compile Time: %s", gBuildTime);
    WriteLine(line, false);
    WriteLine(CString(), false);
    directory_ = directory;
}

int32_t XLogging::Open(const CString& directory, const CString& name, const CString& linePrefix) {
    if (open_ || directory.IsEmpty()) return -1;
    CString path;
    if (singleFile_) path.Format(u"%s\\%s.log", directory, name);
    else path.Format(u"%s\\%s-%d.log", directory, name, _getpid());
    fileName_ = path.Mid(path.ReverseFind(u'\\') + 1);
    if (!CStdioFile::Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite)) return -1;
    open_ = true;
    linePrefix_ = linePrefix;
    Write(StarLine());
    Write(StarLine());
    Write(u"Log output of " + path + u"\r\n");
    Write(u"start: " + LocalTime(u"%A, %B %d, %Y ; %H:%M:%S") + u"\r\n");
    Write(DashLine());
    return 0;
}

void XLogging::Close() {
    if (!open_) return;
    try {
        Write(u"\r\n");
        Write(StarLine());
        Write(u"finish: " + LocalTime(u"%A, %B %d, %Y ; %H:%M:%S") + u"\r\n");
        Write(DashLine());
        Write(u"\r\n");
        Write(u"\r\n");
    } catch (...) {
        open_ = false;
        CStdioFile::Close();
        throw;
    }
    open_ = false;
    CStdioFile::Close();
}

void XLogging::WriteLine(const CString& text, bool timeStamp) {
    if (!open_) return;
    CString line;
    line.Format(u"\r\n%s%s%s", timeStamp ? LocalTime(u"%H:%M:%S: ") : CString(u' ', 10), linePrefix_, text);
    Write(line);
}

void XLogging::Write(const CString& text) {
    if (!open_) return;
    WriteString(text);
    Flush();
}

void XLogging::WriteBlankLine() { Write(u"\r\n"); }

void XLogging::WriteError(const CString& codeText, const CString& location, const CString& message) {
    if (!open_) return;
    const int32_t code = CodeValue(codeText);
    if (message == lastErrorMessage_ && code == lastErrorCode_) return;
    CString block = u"\r\n";
    block += u"########################## Error info start ##########################\r\n";
    block += u"Location:  \t" + location + u"\r\n";
    block += u"Message:   \t" + message + u"\r\n";
    block += u"Error Code:\t" + codeText + u"\r\n";
    block += u"##########################  Error info end  ##########################\r\n";
    block += u"\r\n";
    Write(block);
    lastErrorMessage_ = message;
    lastErrorCode_ = code;
}

void XLogging::WriteError(int32_t code, const CString& location, const CString& message) {
    CString codeText;
    codeText.Format(u"%d", code);
    WriteError(codeText, location, message);
}

void XLogging::WriteError(int32_t code, const CString& sourcePath, const CString& operation, const CString& message) {
    WriteError(code, XKxException::MakeLocation(sourcePath, operation), message);
}
