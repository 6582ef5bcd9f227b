// The version check and version write of one application database, its row of the summary table and
// the tool-run record of the whole upgrade.
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxToolsLog.h"
#include "XKxVersionInfo.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabase";

}  // namespace

void XKxDatabase::CheckVersion(int32_t expected) {
    const char16_t* function = u"XKxDatabase::CheckVersion";
    if (limitVersion < 0 || expected < limitVersion) {
        try {
            Print(FormatText(u"- Trying to get the actual version of <%s>...", name), 16);
            Open(false);
            const int32_t stored = ReadVersion();
            CString found;
            found.Format(u"...found <%d>!", stored);
            Print(found, 1);
            if (limitVersion == stored + 1) state = kOneBelowLimit;
            if ((expected < 0 && stored > 0) || (expected >= 0 && expected == stored)) return;
        } catch (XKxException& error) {
            error.AddLocation(kUnit, function,
                              FormatText(u"Cannot get version information about the actual database <%s>!", name));
            throw;
        }
    }
    state = kNotAvailable;
    Close(true);
    if (expected >= 0 && (expected < limitVersion || limitVersion < 0)) {
        CString message;
        message.Format(u"Error getting information about database <%s>, but this should be possible in a database "
                       u"version <%d>!",
                       name, expected);
        AppendSetError(message);
        applicationDatabases->SetValid(false);
        throw XKxException(kUnit, function, message);
    }
}

int32_t XKxDatabase::ReadVersion() {
    if (state == kNotAvailable) return 0;
    const bool wasOpen = IsOpen();
    OpenInternal(true);
    actualVersion->ReadVersion();
    if (!wasOpen) Close(true);
    return actualVersion->GetVersionNumberValue();
}

void XKxDatabase::WriteVersion() {
    if (state == kNotAvailable) return;
    const CString info = newVersion->GetVersionInfo();
    // An empty edition text would make every later run refuse the database.
    if (info.IsEmpty())
        throw XKxException(kUnit, u"XKxDatabase::WriteVersion",
                           FormatText(u"No new version information to write to database <%s>!", name));
    LogEmptyLine();
    CString line;
    line.Format(u"- Trying to write the new version info <%s> to Database <%s>...", info, baseName);
    Print(line, 0);
    const bool wasOpen = IsOpen();
    OpenInternal(true);
    newVersion->WriteVersionInfo();
    if (!wasOpen) Close(true);
    LogLine(u"... new version info was written successfully!", false);
    actualVersion->SetVersionInfo(info);
}

CString XKxDatabase::FormatSummaryRow(const CString& format) const {
    const CString login = passwordMasked ? user + u"/******" : GetUserPassword();
    CString number;
    number.Format(u"%d", actualVersion->GetVersionNumberValue());
    const CString suffix = state == kNotAvailable ? CString(u" --> not supported!") : CString();
    CString row;
    row.Format(format, baseName, server, login, number, actualVersion->GetVersionStringValue(),
               actualVersion->GetVersionInfo(), suffix);
    return row;
}

CString XKxDatabase::GetBaseLoginText() const {
    const XKxDatabase* base = applicationDatabases->FindDatabase(u"base");
    return base != nullptr ? base->GetLoginText() : CString();
}

bool XKxDatabase::HasSameToolRun(bool& success) {
    XKxToolsLog log(this, CString());
    return log.IsSameTool(success);
}

void XKxDatabase::WriteToolRun() {
    XKxToolsLog log(this, CString());
    log.Write(allStepsSucceeded);
}
