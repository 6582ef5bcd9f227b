// The SQL scripts and upgrade programs of an upgrade step: list files of the version directory run
// line by line, each script through the Oracle client and each program as a child process of its
// own, waited for in steps while the progress display ticks; their logs end in the upgrade log.
#include <windows.h>

#include <string>

#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxFunctionLogger.h"
#include "XKxGlobals.h"
#include "XLogging.h"
#include "afx.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabase";
constexpr int32_t kSeparatorLength = 121;
const char16_t kBinaryLogName[] = u"temporary_binary.log";
const char16_t kEnvironmentName[] = u"NLS_LANG";

// Blanks (only) taken off both ends.
CString TrimBlanks(const CString& text) {
    int start = 0;
    int end = text.GetLength();
    while (start < end && text[start] == u' ') ++start;
    while (end > start && text[end - 1] == u' ') --end;
    return text.Mid(start, end - start);
}

// The position of the file name's last "." (behind the last "\"), or -1.
int32_t LastDotOfName(const CString& name) {
    const int32_t dot = name.ReverseFind(u'.');
    return dot > name.ReverseFind(u'\\') ? dot : -1;
}

// The program before the first blank, with " ..." when arguments follow.
CString DisplayNameOf(const CString& commandLine) {
    CString program;
    CString arguments;
    return SplitAt(program, arguments, commandLine, u' ') ? program + u" ..." : program;
}

// True when a text log is open to take the lines of a child's log.
bool IsUpgradeLogOpen() {
    const XLogging* log = GetLogging();
    return log != nullptr && log->IsLogOpen();
}

// The caller's environment with NLS_LANG set to the value, as a block of UTF-16 "name=value" texts.
std::u16string EnvironmentWith(const std::u16string& value) {
    std::u16string block;
    if (LPWCH strings = GetEnvironmentStringsW()) {
        for (const char16_t* entry = strings; *entry != u'\0';) {
            const std::u16string text(entry);
            entry += text.size() + 1;
            const CString name(text.substr(0, text.find(u'=')).c_str());
            if (name.CompareNoCase(kEnvironmentName) == 0) continue;
            block += text;
            block += u'\0';
        }
        FreeEnvironmentStringsW(strings);
    }
    block += kEnvironmentName;
    block += u'=';
    block += value;
    block += u'\0';
    block += u'\0';
    return block;
}

// The lines of a child that could not be started.
void PrintNotStarted() {
    Print(u"FAILED! Reason: Error creating a new process!", 0);
    Print(u"--> Propably the executable could not be found!", 0);
}

}  // namespace

// ---- child processes ----

bool XKxDatabase::RunChildProcess(const CString& commandLine, const CString& directory, bool newConsole) const {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION process = {};
    std::u16string buffer(commandLine.GetString());
    // Each child gets this database's character set, whatever database was built last.
    std::u16string environment = EnvironmentWith(wideName);
    const DWORD flags = (newConsole ? CREATE_NEW_CONSOLE : CREATE_NO_WINDOW) | CREATE_UNICODE_ENVIRONMENT;
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, environment.data(),
                        directory.IsEmpty() ? nullptr : directory.GetString(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    try {
        while (WaitForSingleObject(process.hProcess, gWaitStep) == WAIT_TIMEOUT) ProgressTick();
    } catch (...) {
        CloseHandle(process.hProcess);
        throw;
    }
    CloseHandle(process.hProcess);
    return true;
}

// ---- SQL scripts ----

CString XKxDatabase::NormalizeScriptLine(const CString& line) {
    CString script = TrimBlanks(line);
    if (script.Left(1) == u";") return CString();
    if (script.GetLength() < 4 || script.Right(4).CompareNoCase(u".sql") != 0) return CString();
    return script;
}

CString XKxDatabase::MakeScriptLogName(const CString& script) {
    const int32_t dot = LastDotOfName(script);
    const int32_t nameStart = script.ReverseFind(u'\\') + 1;
    // A name whose only "." is its first character (".sql") or without one would be its own log.
    if (dot <= nameStart) return script + u".log";
    return script.Left(dot) + u".log";
}

int32_t XKxDatabase::ProcessList(const CString& listFile, const char16_t* function,
                                 const std::function<int32_t(const CString&, const CString&)>& runLine) {
    try {
        const CString directory = GetVersionDirectory();
        CStdioFile list;
        if (!list.Open(JoinPath(directory, listFile), CFile::modeRead | CFile::shareDenyWrite)) return 0;
        Print(FormatText(u"- Processing <%s>...", listFile), 18);
        int32_t count = 0;
        bool seen = false;
        CString line;
        while (list.ReadString(line)) {
            line.Trim();
            if (ParseLine(line)) continue;
            const int32_t ran = runLine(line, directory);
            if (ran < 0) continue;
            seen = true;
            count += ran;
        }
        list.Close();
        if (count > 0)
            Print(FormatText(u"...the processing of <%s> has completed! ---> Check the log files for possible errors!",
                             listFile),
                  4);
        else
            Print(u"...nothing to do!", seen ? 4 : 5);
        return count;
    } catch (XKxException& error) {
        error.AddLocation(kUnit, function, FormatText(u"Error processing <%s>!", listFile));
        throw;
    } catch (...) {
        throw XKxException(kUnit, function, FormatText(u"An unknown error occured while processing <%s>!", listFile));
    }
}

int32_t XKxDatabase::ExecuteSQLUpgrade(const CString& listFile, XKxStatistic* timingNode) {
    if (!explicitLogin) return 0;
    return ProcessList(listFile, u"XKxDatabase::ExecuteSQLUpgrade", [&](const CString& line, const CString& directory) {
        const CString script = NormalizeScriptLine(line);
        if (script.IsEmpty()) return -1;
        XKxStatistic* entry = StartTimingEntry(timingNode, FormatText(u"Executing <%s>", script), u"SQL");
        const int32_t ran = CallSQLPlus(directory, script, false, true);
        StopEntryClock(entry);
        return ran;
    });
}

int32_t XKxDatabase::CallSQLPlus(const CString& directory, const CString& script, bool newConsole, bool inlineLog,
                                 bool* skipped) {
    if (skipped != nullptr) *skipped = false;
    try {
        if (!FileExists(JoinPath(directory, script))) {
            const CString warning =
                FormatText(u"*** !!  Warning: Trying to execute <%s>, but the file does not exist! ***", script);
            LogLine(RepeatStar(warning.GetLength()), false);
            Print(warning, 0);
            LogLine(RepeatStar(warning.GetLength()), false);
            return 0;
        }
        XKxFunctionLogger logger(this, script);
        if (!logger.Check()) {
            if (skipped != nullptr) *skipped = true;
            return 0;
        }
        StartStepTimer();
        const CString logName = MakeScriptLogName(script);
        const CString logPath = JoinPath(directory, logName);
        CString commandLine;
        commandLine.Format(u"sqlplus %s @%s %s", GetLoginText(), script, logName);

        LogEmptyLine();
        LogLine(RepeatStar(kSeparatorLength), false);
        Print(FormatText(u"- Executing SQL-file <%s>...", script), 16);
        if (!RunChildProcess(commandLine, directory, newConsole)) {
            // Nothing ran: no log to look for, and the next run tries again.
            PrintNotStarted();
            LogLine(RepeatStar(kSeparatorLength), false);
            LogEmptyLine();
            EndStep();
            logger.SetResult(false);
            return 0;
        }
        CopyScriptLog(script, logPath, inlineLog);
        LogLine(FormatText(u"Execution of <%s>", script), true);
        FinishStep(true);
        LogLine(RepeatStar(kSeparatorLength), false);
        LogEmptyLine();
        EndStep();
        logger.SetResult(true);
        return 1;
    } catch (XKxException& error) {
        error.AddLocation(kUnit, u"XKxDatabase::CallSQLPlus",
                          FormatText(u"Error executing SQL file <%s> with SQL plus!", script));
        throw;
    } catch (...) {
        throw XKxException(kUnit, u"XKxDatabase::CallSQLPlus",
                           FormatText(u"An unknown exception occured when executing SQL file <%s> with SQLplus!", script));
    }
}

void XKxDatabase::CopyScriptLog(const CString& script, const CString& logPath, bool inlineLog) {
    if (inlineLog) {
        const CString header = FormatText(u"*** Begin logging of <%s>:", script);
        LogLine(header, false);
        LogLine(RepeatDash(header.GetLength()), false);
        CStdioFile file;
        if (file.Open(logPath, CFile::modeRead | CFile::shareDenyNone)) {
            CString line;
            while (file.ReadString(line)) LogLine(u"> " + line, false);
            file.Close();
            // Without an upgrade log the file is the only record of what the child did.
            if (IsUpgradeLogOpen()) DeleteFileW(logPath);
        } else {
            LogLine(u"-----> !! No log file found !! <-----", false);
        }
        LogLine(FormatText(u"*** End logging of <%s>:", script), false);
        return;
    }

    const CString logDirectory = GetLogDirectory();
    CString fileName = FileNameOf(logPath);
    const int32_t dot = fileName.ReverseFind(u'.');
    if (dot > 0) {
        const int32_t stored = GetActualVersionNumber();
        CString renamed;
        renamed.Format(u"%s-%d-%d.log", fileName.Left(dot), stored, stored + 1);
        fileName = renamed;
    }
    // Without a log directory the file stays where the client wrote it.
    const bool moved = !logDirectory.IsEmpty() &&
                       MoveFileExW(logPath, JoinPath(logDirectory, fileName),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
    if (!moved) {
        CString line;
        line.Format(u"!!Error moving log file <%s> to <%s>!", fileName, logDirectory);
        Print(line, 0);
        line.Format(u"!!Logging information of <%s> lost or accessible at <%s>!", script, DirectoryOf(logPath));
        Print(line, 0);
    }
}

// ---- upgrade programs ----

CString XKxDatabase::PrepareBinaryLine(const CString& line, const CString& directory) {
    CString commandLine = TrimBlanks(line);
    if (commandLine.Left(1) == u";") return CString();
    if (commandLine.IsEmpty()) return commandLine;
    commandLine.Replace(u"$THIS_PATH$", directory);
    commandLine.Replace(u"$LOGFILE$", JoinPath(directory, kBinaryLogName));
    return commandLine;
}

int32_t XKxDatabase::ExecuteBinaryUpgrade(const CString& listFile, XKxStatistic* timingNode) {
    if (!explicitLogin) return 0;
    return ProcessList(listFile, u"XKxDatabase::ExecuteBinaryUpgrade", [&](const CString& line, const CString& directory) {
        const CString commandLine = PrepareBinaryLine(line, directory);
        if (commandLine.IsEmpty()) return -1;
        XKxStatistic* entry =
            StartTimingEntry(timingNode, FormatText(u"Executing <%s>", DisplayNameOf(commandLine)), u"Binary");
        const int32_t ran = CallBinary(JoinPath(directory, kBinaryLogName), commandLine, true, false);
        StopEntryClock(entry);
        return ran;
    });
}

int32_t XKxDatabase::CallBinary(const CString& logPath, const CString& commandLine, bool announce, bool newConsole,
                                bool* skipped) {
    return CallBinaryInternal(logPath, commandLine, announce, newConsole, skipped, nullptr);
}

int32_t XKxDatabase::CallBinaryInternal(const CString& logPath, const CString& commandLine, bool announce,
                                        bool newConsole, bool* skipped, const std::function<void()>& beforeStart) {
    if (skipped != nullptr) *skipped = false;
    try {
        const CString displayName = DisplayNameOf(commandLine);
        XKxFunctionLogger logger(this, commandLine);
        if (!logger.Check()) {
            if (skipped != nullptr) *skipped = true;
            return 0;
        }
        StartStepTimer();
        if (announce) {
            LogEmptyLine();
            LogLine(RepeatStar(kSeparatorLength), false);
            Print(FormatText(u"- Executing <%s>...", displayName), 16);
        }
        if (beforeStart) beforeStart();
        const bool started = RunChildProcess(commandLine, CString(), newConsole);
        if (started) {
            CopyScriptLog(commandLine, logPath, true);
            FinishStep(true);
        } else {
            PrintNotStarted();
        }
        if (announce) {
            LogLine(RepeatStar(kSeparatorLength), false);
            LogEmptyLine();
        }
        EndStep();
        // A program that never started is not done: the next run retries it.
        logger.SetResult(started);
        return started ? 1 : 0;
    } catch (XKxException& error) {
        error.AddLocation(kUnit, u"XKxDatabase::CallBinary", FormatText(u"Error executing binary <%s>!", commandLine));
        throw;
    } catch (...) {
        throw XKxException(kUnit, u"XKxDatabase::CallBinary",
                           FormatText(u"An unknown exception occured when executing binary <%s>!", commandLine));
    }
}
