#include "XKxBaseFunctions.h"

#include <windows.h>

#include "XKxException.h"
#include "XKxStatistic.h"
#include "XLogging.h"
#include "XProgressOutput.h"
#include "XRound.h"

namespace {

// The process-global progress holder: null until the upgrader (or a step) sets it.
XProgressOutput* progressOutput = nullptr;

}  // namespace

// ---- texts ----

CString KxStringToCString(KxString text) {
    if (text.SetCodeSet(253) < 0) return CString();
    return CString(text.ToUtf16().c_str());
}

KxString CStringToKxString(const CString& text) {
    KxString kx(text.GetString());
    kx.SetCodeSet(1);
    return kx;
}

KxString CStringToKxString253(const CString& text) {
    KxString kx(text.GetString());
    kx.SetCodeSet(253);
    return kx;
}

bool RefLess(const KxRef& a, const KxRef& b) {
    KxString textA;
    KxString textB;
    a.PrintToKxString(textA);
    b.PrintToKxString(textB);
    return KxStringToCString(textA) < KxStringToCString(textB);
}

bool SplitAt(CString& left, CString& right, const CString& text, char16_t separator) {
    const int32_t at = text.Find(separator);
    if (at < 0) {
        left = text;
        right.Empty();
        return false;
    }
    const CString whole(text);   // left or right may be the text itself
    left = whole.Left(at);
    right = whole.Mid(at + 1);
    return true;
}

CString FormatText(const char16_t* format, const CString& text) {
    CString result;
    result.Format(format, text);
    return result;
}

CString RepeatStar(int32_t n) { return CString(u'*', n); }
CString RepeatBlank(int32_t n) { return CString(u' ', n); }
CString RepeatDash(int32_t n) { return CString(u'-', n); }

CString PadRight(const CString& text, int32_t width) {
    CString padded;
    padded.Format(u"%s%s", text, RepeatBlank(width - text.GetLength()));
    return padded;
}

bool HasFlag(int32_t flags, int32_t mask) { return (flags & mask) > 0; }

int32_t MagnitudeDecimals(int32_t total) {
    int32_t decimals = 0;
    for (double threshold = 316.227766; total > threshold; threshold *= 31.6227766) ++decimals;
    return decimals;
}

void SetRefFromObjectId(KxRef& ref, const KxObjId& id) {
    ref.SetObjId(KxObjId(id.GetLow(), id.GetHigh(), id.GetOrigin()));
}

// ---- paths ----

CString JoinPath(const CString& directory, const CString& name) {
    if (FileNameOf(name) != name) return name;
    CString path = directory;
    if (!path.IsEmpty() && path.Right(1) != u"\\") path += u'\\';
    return path + name;
}

CString FileNameOf(const CString& path) {
    CString trimmed = path;
    if (trimmed.Right(1) == u"\\") trimmed = trimmed.Left(trimmed.GetLength() - 1);
    return trimmed.Mid(trimmed.ReverseFind(u'\\') + 1);
}

CString DirectoryOf(const CString& path) {
    if (path.Right(1) == u"\\") return path.Left(path.GetLength() - 1);
    const int32_t at = path.ReverseFind(u'\\');
    return at < 0 ? CString() : path.Left(at);
}

bool FileExists(const CString& path) {
    struct _stat status;
    return _wstat(path, &status) == 0;
}

CString GetNewUuid() {
    GUID guid;
    HRESULT code = CoCreateGuid(&guid);
    CString text;
    if (code >= 0) {
        RPC_WSTR string = nullptr;
        if (UuidToStringW(&guid, &string) != RPC_S_OK) {
            code = -1;
        } else {
            text = reinterpret_cast<const char16_t*>(string);
            if (RpcStringFreeW(&string) != RPC_S_OK) code = -1;
        }
    }
    if (code < 0) throw XKxException(code, u".\\xkxbasefunctions", u"GetNewUuid", u"Error getting new UUID!");
    return text;
}

// ---- timing entries ----

XKxStatistic* StartTimingEntry(XKxStatistic* node, const CString& name, const CString& kind) {
    if (node == nullptr) return nullptr;
    XKxStatistic* entry = node->AddChild(name);
    entry->Start();
    entry->AddName(kind);
    return entry;
}

XKxStatistic* StartInternalTimingEntry(XKxStatistic* node, const CString& name) {
    return StartTimingEntry(node, name, u"internal");
}

void StartEntryClock(XKxStatistic* entry) {
    if (entry != nullptr) entry->Start();
}

void StopEntryClock(XKxStatistic* entry) {
    if (entry != nullptr) entry->Stop();
}

// ---- progress forwarders ----

void SetProgressOutput(XProgressOutput* display) { progressOutput = display; }

XProgressOutput* GetProgressOutput() { return progressOutput; }

XLogging* GetLogging() { return progressOutput != nullptr ? progressOutput->GetLog() : nullptr; }

CString GetLogDirectory() {
    const XLogging* log = GetLogging();
    return log != nullptr ? log->GetDirectory() : CString();
}

void Print(const CString& text, int32_t flags) {
    if (progressOutput != nullptr) {
        progressOutput->Write(text, flags);
        progressOutput->Refresh();
        return;
    }
    if (!HasFlag(flags, XProgressOutput::kContinueLine)) wprintf(u"\n");
    wprintf(u"%s", text.GetString());
}

void PrintStepStart(const CString& name) { Print(u"- " + name + u"...", 0); }

void LogLine(const CString& text, bool timeStamp) {
    if (XLogging* log = GetLogging()) log->WriteLine(progressOutput->GetIndent() + text, timeStamp);
}

void LogEmptyLine() {
    if (XLogging* log = GetLogging()) log->WriteBlankLine();
}

void LogErrorBlock(const XKxException& error) {
    if (XLogging* log = GetLogging()) log->WriteError(error.GetCode(), error.GetLocation(), error.GetMessage());
}

void LogErrorText(const CString& codeText, const CString& location, const CString& message) {
    if (XLogging* log = GetLogging()) log->WriteError(codeText, location, message);
}

void ProgressTick() {
    if (progressOutput != nullptr) progressOutput->Tick();
    else wprintf(u".");
}

void SetStatusTitle(const CString& text) {
    if (progressOutput != nullptr) progressOutput->SetAction(text);
}

void SetStatusTitleAndDetail(const CString& title, const CString& detail) {
    if (progressOutput != nullptr) progressOutput->SetActionAndText(title, detail);
    else wprintf(u"%s %s\n", title.GetString(), detail.GetString());
}

void ShowProgress(int32_t done, int32_t total) {
    if (progressOutput != nullptr) progressOutput->Progress(done, total);
}

int32_t ShowProgressCount(int32_t done, int32_t total) {
    if (progressOutput != nullptr) progressOutput->TickCount(done, total);
    return 0;
}

void ShowCombinedProgress(int32_t done1, int32_t total1, int32_t done2, int32_t total2) {
    if (progressOutput == nullptr) return;
    XPercent counter1(done1, total1, 0);
    XPercent counter2(done2, total2, 0);
    progressOutput->ProgressTwo(CString(), counter1, CString(), counter2);
}

void GetElapsedText(CString& text) {
    text = progressOutput != nullptr ? progressOutput->GetElapsed() : CString();
}

void StartStepTimer() {
    if (progressOutput != nullptr) progressOutput->StartStep();
}

void EndStep() {
    if (progressOutput == nullptr) return;
    progressOutput->StopStep();
    progressOutput->ClearStatus();
}

void FinishStep(bool withTime) {
    if (progressOutput != nullptr) progressOutput->Done(withTime);
}

void ReportCount(const CString& verb, int32_t count, const CString& noun, bool withTime) {
    if (progressOutput != nullptr) progressOutput->DoneAmount(verb, count, noun, withTime);
}

void ReportUpdated(int32_t count, int32_t of, const CString& noun) {
    if (progressOutput != nullptr) progressOutput->DoneCount(u"updated", count, of, noun);
}

void ReportDeleted(int32_t count, int32_t of, const CString& noun) {
    if (progressOutput != nullptr) progressOutput->DoneCount(u"deleted", count, of, noun);
}

void ShowVersionStep(int32_t from, int32_t to) {
    if (progressOutput == nullptr) return;
    CString text;
    if (from > 0 && to >= from) text.Format(u"%d --> %d", from, to);
    progressOutput->SetStatus(text);
}

void EnableCancelCheck(bool on) {
    if (progressOutput != nullptr) progressOutput->EnableCancelCheck(on);
}

bool TakeCancelRequest() { return progressOutput != nullptr && progressOutput->TakeCancelRequest(); }

void SetDisplayOption(int32_t value) {
    if (progressOutput != nullptr) progressOutput->SetOwnerValue(value);
}
