#include "XKxGlobals.h"

#include <windows.h>

namespace {

CString ProgramPath() {
    char16_t* path = nullptr;
    return _get_wpgmptr(&path) == 0 ? CString(path) : CString();
}

}  // namespace

const CString gToolVersion(u"2.20.1");
const CString gToolRelease(u"R20");
const CString gToolPath(ProgramPath());
const CString gBuildDate(__DATE__);
const CString gBuildTime(__TIME__);

const CString gSettingLineFormat(u"--> %s for <%s> is <%s>");
const CString gReasonLineFormat(u"    Reason:     %s");
const CString gErrorCodeLineFormat(u"    Error Code: %d");
const CString gSeparator(CString(u'-', 70) + u"\r\n" + CString(u' ', 10));
const CString gEmptyText;

XKxErrorCallBack gErrorListener;

CString gCurrentAction;
XKxException gWorkerException;
XKxDatabase* gCurrentDatabase = nullptr;
const int32_t gWaitStep = 333;

CString gLoginUser;
CString gLoginPassword;

const CString gStepLineFormat(u"%s: %s%30s (%s)");
const CString gStepNoteFormat(u"(%s) %s");
