// Free functions used throughout the upgrade library: conversions between kernel and library
// texts, path and text helpers, GUID text, the timing entries of the step statistics, and one
// forwarder for each operation of the progress display. The forwarders read the process-global
// progress holder at every call: without a display, progress text goes to the console and log
// lines are dropped.
#pragma once

#include <cstdint>

#include "KxObjId.h"
#include "KxRef.h"
#include "KxString.h"
#include "afxstr.h"

class XKxException;
class XKxStatistic;
class XLogging;
class XProgressOutput;

// ---- texts ----

// The kernel text mapped to code set 253; empty when the mapping fails.
CString KxStringToCString(KxString text);
// A kernel text of the text, mapped to code set 1 (kept in code set 253 when some character has
// no code set 1 form).
KxString CStringToKxString(const CString& text);
KxString CStringToKxString253(const CString& text);
// The printed texts of the two references compared.
bool RefLess(const KxRef& a, const KxRef& b);
// Splits at the first `separator`: left before it, right behind it, true; without one the whole
// text is left, right is empty, false.
bool SplitAt(CString& left, CString& right, const CString& text, char16_t separator);
// The format with one text for its "%s".
CString FormatText(const char16_t* format, const CString& text);
CString RepeatStar(int32_t n);
CString RepeatBlank(int32_t n);
CString RepeatDash(int32_t n);
// The text followed by blanks up to `width` (unchanged when it is as long or longer).
CString PadRight(const CString& text, int32_t width);
bool HasFlag(int32_t flags, int32_t mask);
// Decimals of a percentage of `total`: the count of the thresholds 316.227766 x 31.6227766^k it
// exceeds (0 up to 316, 1 up to 9,999, 2 up to 316,227, ...).
int32_t MagnitudeDecimals(int32_t total);
// The reference's object id made of the id's 32-bit number and its two following 16-bit numbers.
void SetRefFromObjectId(KxRef& ref, const KxObjId& id);

// ---- paths (backslash is the only separator) ----

// The name unchanged when it carries a directory of its own; else the directory, a "\" when the
// directory is not empty and does not end with one, and the name.
CString JoinPath(const CString& directory, const CString& name);
// A trailing "\" dropped, then the text behind the last "\".
CString FileNameOf(const CString& path);
// With a trailing "\" the path without it; else the text before the last "\" (empty without one).
CString DirectoryOf(const CString& path);
bool FileExists(const CString& path);

// A new GUID as text; XKxException "Error getting new UUID!" when it cannot be made.
CString GetNewUuid();

// ---- timing entries of the step statistics ----

// A child entry named `name` under the node, its clock started, tagged "<kind>"; null without a node.
XKxStatistic* StartTimingEntry(XKxStatistic* node, const CString& name, const CString& kind);
XKxStatistic* StartInternalTimingEntry(XKxStatistic* node, const CString& name);
void StartEntryClock(XKxStatistic* entry);
void StopEntryClock(XKxStatistic* entry);

// ---- the progress holder and its forwarders ----

void SetProgressOutput(XProgressOutput* display);
XProgressOutput* GetProgressOutput();
XLogging* GetLogging();
CString GetLogDirectory();

// The display writes the text with the flags (1 continue the line, 2 indent after, 4 unindent
// before, 8 reset the indent, 16 time-stamped log line) and refreshes; without one the console
// gets "\n" (unless flag 1) and the text.
void Print(const CString& text, int32_t flags);
// "- <name>..." on a new line.
void PrintStepStart(const CString& name);
// The text behind the display's indentation to the log.
void LogLine(const CString& text, bool timeStamp);
void LogEmptyLine();
void LogErrorBlock(const XKxException& error);
void LogErrorText(const CString& codeText, const CString& location, const CString& message);
// Spinner and running time; "." on the console.
void ProgressTick();
// The action line (control 1301), logged with a time stamp.
void SetStatusTitle(const CString& text);
// Action and status lines; "<title> <detail>" and a line feed on the console.
void SetStatusTitleAndDetail(const CString& title, const CString& detail);
void ShowProgress(int32_t done, int32_t total);
// The step counter; the result is 0.
int32_t ShowProgressCount(int32_t done, int32_t total);
void ShowCombinedProgress(int32_t done1, int32_t total1, int32_t done2, int32_t total2);
// The elapsed step time as text (empty without a display).
void GetElapsedText(CString& text);
void StartStepTimer();
// Stops the step timer and clears the status and action lines (no log line).
void EndStep();
// "...done in <elapsed>!" or "...done!" on the current line.
void FinishStep(bool withTime);
// "...<verb> <<count>> <noun> in <elapsed>!" (or without the time) on the current line.
void ReportCount(const CString& verb, int32_t count, const CString& noun, bool withTime);
// "...updated <<count>> of <<of>> <noun> in <elapsed>!", and the same with "deleted".
void ReportUpdated(int32_t count, int32_t of, const CString& noun);
void ReportDeleted(int32_t count, int32_t of, const CString& noun);
// The status line: "<from> --> <to>" when from is above 0 and to not below it, else empty.
void ShowVersionStep(int32_t from, int32_t to);
void EnableCancelCheck(bool on);
// True once for each cancel request; false without a display.
bool TakeCancelRequest();
// Hands the value to the display's owner.
void SetDisplayOption(int32_t value);
