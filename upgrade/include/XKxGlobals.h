// The process-wide objects and constant texts of the upgrade library, built when the library is
// loaded and destroyed when it is unloaded. Each is defined once.
#pragma once

#include <cstdint>

#include "XKxDatabaseBase.h"
#include "XKxException.h"
#include "afxstr.h"

class XKxDatabase;

// The process's receiver of Oracle errors: registered while the kernel runs (XKxDatabaseBase::Init
// to DeInit).
extern XKxErrorCallBack gErrorListener;

// Identity of the tool, written into the tool-run records.
extern const CString gToolVersion;   // "2.20.1"
extern const CString gToolRelease;   // "R20"
extern const CString gToolPath;      // the full path of the running program
extern const CString gBuildDate;     // the library's compile date, as "May 17 2011"
extern const CString gBuildTime;     // the library's compile time, as "16:53:23"

// Line formats of the database wrapper's settings log.
extern const CString gSettingLineFormat;     // "--> %s for <%s> is <%s>": what, database, value
extern const CString gReasonLineFormat;      // "    Reason:     %s"
extern const CString gErrorCodeLineFormat;   // "    Error Code: %d"
extern const CString gSeparator;             // 70 "-", "\r\n" and 10 blanks
extern const CString gEmptyText;

// The worker thread's hand-over: the kernel action it performs and the exception it leaves for
// the waiting caller, and the database it acts on. Written before the worker starts and read after
// it ends.
extern CString gCurrentAction;
extern XKxException gWorkerException;
extern XKxDatabase* gCurrentDatabase;
// Milliseconds of one step of the waits for workers and child processes.
extern const int32_t gWaitStep;   // 333

// The user and password that the kernel's user-name hook hands on.
extern CString gLoginUser;
extern CString gLoginPassword;

// Line formats of the step statistics' report.
extern const CString gStepLineFormat;   // "%s: %s%30s (%s)"
extern const CString gStepNoteFormat;   // "(%s) %s"
