// The schema changes of an upgrade step: the structure (an SQL change file for an Oracle database,
// the kernel's maintenance actions for an object database), the class dictionary copied from the
// version directory, and the change files written by SchemaDelta.
#include <windows.h>

#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XRegistry.h"

namespace {

// A directory as it can stand between double quotes of a command line: a backslash before the closing
// quote would escape it, so trailing backslashes are doubled (the child still reads one each).
CString QuotableDirectory(const CString& directory) {
    int trailing = 0;
    while (trailing < directory.GetLength() && directory[directory.GetLength() - 1 - trailing] == u'\\') ++trailing;
    return directory + CString(u'\\', trailing);
}

const char16_t kUnit[] = u".\\xkxdatabase";
const char16_t kChangeScript[] = u"update_t5_database.sql";
const char16_t kChangeFile[] = u"1_change_schema.sql";
const char16_t kKernelActions[][8] = {u"Update", u"VersAll", u"Reorg", u"ReIndex"};
const char16_t* const kDictionaryFiles[] = {u"_objects.dat", u"_objects.idx"};
// Beside its target, the copy of a dictionary file waits under this suffix until both are made.
const char16_t kPendingSuffix[] = u".new";

// The system's text of the error number, without its line break.
CString SystemMessage(DWORD error) {
    char16_t buffer[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer, 512, nullptr);
    CString text(buffer);
    text.TrimRight();
    return text;
}

CString PathOf(const CString& directory, const CString& file) {
    CString path;
    path.Format(u"%s\\%s", directory, file);
    return path;
}

}  // namespace

int32_t XKxDatabase::UpgradeDatabaseStructure() {
    const char16_t* function = u"XKxDatabase::UpgradeDatabaseStructure";
    if (state != kAvailable) return state;
    const bool wasOpen = IsOpen();
    Close(true);
    if (explicitLogin) {
        Print(FormatText(u"- Executing oracle change-file for <%s>...", name), 16);
        bool skipped = false;
        // A change file done before (or switched off) is no failure.
        if (CallSQLPlus(GetVersionDirectory(), kChangeScript, true, false, &skipped) == 0 && !skipped)
            throw XKxException(kUnit, function, u"Failed executing oracle change-file <update_t5_database.sql>!");
    } else {
        Print(FormatText(u"- Upgrading database structure for <%s>: ", name), 16);
        Connect();
        try {
            for (const char16_t* action : kKernelActions) RunAction(action, true);
        } catch (...) {
            // The connected base is given back and the kernel stopped before the failure goes on.
            try {
                DisConnect();
            } catch (const XKxException& error) {
                LogErrorBlock(error);
            } catch (...) {
                LogErrorBlock(XKxException(kUnit, function, u"An unknown exception occured while disconnecting!"));
            }
            throw;
        }
        DisConnect();
    }
    if (wasOpen) OpenInternal(true);
    return state;
}

void XKxDatabase::UpgradeDictionary() {
    if (state != kAvailable) return;
    CString line;
    line.Format(u"- Upgrade dictionary at <%s> for <%s>...", dictPath, name);
    Print(line, 0);

    const CString source = GetVersionDirectory();
    CString pending[2];
    CString targets[2];
    // Both files are copied beside their targets first, so that a failed copy leaves the old pair.
    auto fail = [&](int32_t which, DWORD error) {
        for (const CString& made : pending)
            if (!made.IsEmpty()) DeleteFileW(made);
        CString message;
        message.Format(u"Save new dict for <%s> as <%s> failed!\r\nReason: \t%s", name, targets[which],
                       SystemMessage(error));
        throw XKxException(static_cast<int32_t>(error), kUnit, u"XKxDatabase::UpgradeDictionary", message);
    };
    for (int32_t i = 0; i < 2; ++i) {
        targets[i] = PathOf(dictPath, kDictionaryFiles[i]);
        const CString copy = targets[i] + kPendingSuffix;
        if (!CopyFileW(PathOf(source, kDictionaryFiles[i]), copy, FALSE)) fail(i, GetLastError());
        pending[i] = copy;
    }
    for (int32_t i = 0; i < 2; ++i) {
        if (!MoveFileExW(pending[i], targets[i], MOVEFILE_REPLACE_EXISTING)) fail(i, GetLastError());
        pending[i].Empty();
    }
    FinishStep(false);
}

void XKxDatabase::CreateChangefile() {
    if (state != kAvailable) return;
    const int32_t version = GetActualVersionNumber();
    auto upgradeText = [&](const char16_t* format) {
        CString text;
        text.Format(format, version - 1, version);
        return text;
    };
    try {
        CString from;
        from.Format(u"%s_%d", dictionaryName, version);
        CString to;
        to.Format(u"%s_%d", dictionaryName, version + 1);
        const CString exe = GetSchemaManagerExePath();
        const CString base = applicationDatabases->GetOwnerText();
        const CString changeDirectory = JoinPath(base, to);
        const CString log = JoinPath(GetVersionDirectory(), u"SchemaDelta.log");

        const CString parameters[] = {
            FormatText(u"--logfile \"%s\" ", log), FormatText(u"-dr \"%s\" ", QuotableDirectory(base)),
            FormatText(u"-cr \"%s\" ", changeDirectory), FormatText(u"-l \"%s\" ", from),
            FormatText(u"-l \"%s\" ", to), u"-d ", u"-c \"1_change_schema.sql\" ", FormatText(u"\"%s\"", name),
        };
        CString parameterText;
        Print(FormatText(u"- Calling <%s>", exe), 0);
        Print(u"  with parameter:", 2);
        for (const CString& parameter : parameters) {
            Print(parameter, 0);
            parameterText += parameter;
        }
        CString commandLine;
        commandLine.Format(u"%s -q -o --summary false %s", exe, parameterText);
        Print(CString(), 4);

        bool skipped = false;
        // The old change file goes only when SchemaDelta is about to write the new one: a skipped run
        // keeps the file its earlier run wrote.
        const int32_t ran = CallBinaryInternal(log, commandLine, false, true, &skipped,
                                               [&] { DeleteFileW(PathOf(changeDirectory, kChangeFile)); });
        if (ran == 0 && !skipped)
            throw XKxException(kUnit, u"XKxDatabase::CreateChangefile",
                               u"SchemaDelta was not executed, so no changefile is generated!\r\n\tStopping now...");
    } catch (XKxException& error) {
        error.AddLocation(kUnit, u"XKxDatabase::CreateChangefile",
                          upgradeText(u"Error creating the changefiles for upgrade %d->%d!"));
        throw;
    } catch (...) {
        throw XKxException(kUnit, u"XKxDatabase::CreateChangefile",
                           upgradeText(u"An unknown exception occured while creating the changefiles for upgrade %d->%d!"));
    }
}

CString XKxDatabase::GetSchemaManagerExePath() const {
    // A missing value names no file.
    const CString path = XRegistry::ReadValue(u"LiftRunner", u"SchemaDeltaExe");
    if (path.IsEmpty() || !FileExists(path))
        throw XKxException(kUnit, u"XKxDatabase::GetSchemaManagerExePath",
                           FormatText(u"The specified executable for the SchemaDelta does not exist!\n<%s>", path));
    return u"\"" + path + u"\"";
}
