#include "XKxFunctionLogger.h"

#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XRegistry.h"

namespace {

const char16_t kUnit[] = u".\\xkxfunctionlogger";
constexpr int kLongWord = 50;

}  // namespace

XKxFunctionLogger::XKxFunctionLogger(XKxDatabase* database, const CString& description)
    : XKxToolsLog(database, description) {
    const char16_t* function = u"XKxFunctionLogger::XKxFunctionLogger";
    if (database == nullptr)
        throw XKxException(XKxException::kNoCode, kUnit, function,
                           u"Failed initializing the function logger, because there's no link to a database!");
    if (description.IsEmpty())
        throw XKxException(XKxException::kNoCode, kUnit, function,
                           u"Failed initializing the function logger. Cannot check or create logging for an empty "
                           u"function description!");
    databaseFlag = database->IsOptionSet();
}

CString XKxFunctionLogger::MakeDisplayName(const CString& description) {
    CString name;
    int start = 0;
    const int length = description.GetLength();
    while (start < length) {
        int end = description.Find(u' ', start);
        if (end < 0) end = length;
        const int wordLength = end - start;
        name += description.Mid(start, wordLength);
        start = end + 1;
        if (start < length) name += u' ';
        if (wordLength >= kLongWord && start < length) {
            name += u"...";
            break;
        }
    }
    return name;
}

bool XKxFunctionLogger::Check() {
    const CString displayName = MakeDisplayName(description);
    if (XRegistry::ReadValue(u"LiftRunner", description).CompareNoCase(u"false") == 0) {
        Print(FormatText(u"...skipping <%s> (disabled by registry entry)!", displayName), 0);
        return false;
    }
    if (HasRecord()) {
        if (Succeeded()) {
            Print(FormatText(u"...skipping <%s> (already done)!", displayName), 0);
            return false;
        }
        Print(FormatText(u"...<%s> previously failed or disabled, now retrying...", displayName), 0);
        return true;
    }
    Write(false);
    return true;
}

void XKxFunctionLogger::SetResult(bool success) { Write(success); }
