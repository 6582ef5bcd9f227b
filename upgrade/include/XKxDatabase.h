// XKxDatabase: one application database under upgrade. It gathers its settings from the registry
// and the kernel's configuration file (kelvox.cfg), judges them, owns the database's two version
// records, runs the long kernel actions on a worker thread while the caller ticks the progress
// display, and opens, closes and restarts the database. An upgrade step changes it by SQL scripts
// (the Oracle client), upgrade programs, the kernel's maintenance actions or an SQL change file, a
// copied class dictionary and the conversion functions of step libraries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "XKxDatabaseBase.h"
#include "afxstr.h"

class KxBase;
class XApplicationDatabases;
class XKxDatabase;
class XKxException;
class XKxStatistic;
class XKxVersionInfo;
class XProgressOutput;

// The object conversion of one database, exported by an upgrade step library under the name of the
// database's table entry: the database and the caller's timing node.
using XKxObjectUpgradeFunction = void (*)(XKxDatabase* database, XKxStatistic* timingNode);
// An intermediate conversion, exported as "UpdateIntermediatePrevious" or "UpdateIntermediateNext":
// the two databases and a value.
using XKxIntermediateFunction = void (*)(XKxDatabase* database, XKxDatabase* other, int32_t value);

class XKxDatabase : public XKxDatabaseBase {
public:
    // The settings state.
    enum State : int32_t { kNotAvailable = 0, kOneBelowLimit = 1, kAvailable = 2 };

    // Reads the settings of the set's entry `name` (see the README for the log lines). XKxException
    // when the set is null.
    XKxDatabase(const CString& name, XApplicationDatabases* applicationDatabases);
    ~XKxDatabase() override;

    // ---- settings ----
    void ReadRegistrySettings();
    void ReadConfigFile();
    // The whole value of the key in the section "<prefix>\<sectionName>" of the configuration file;
    // XKxException "!!no <key> entry for <section> in <file>!" when it is missing or empty.
    CString ReadConfigFileEntry(const CString& prefix, const CString& sectionName, const CString& key) const;
    void ValidateSettings();
    // "<script base directory>\<dictionaryName>_<stepVersion>".
    CString GetVersionDirectory() const;
    XProgressOutput* GetProgressOutput() const;
    // "\r\n\t" and the text appended to the set's error text.
    void AppendSetError(const CString& text) const;

    // ---- the worker thread of long kernel actions ----
    // Runs the action named by the text ("- Open <x>", "- Close <x>", and on an open base "Update",
    // "VersAll", "Reorg", "ReIndex") on a worker thread, ticking the progress display every wait
    // step. With `announce` the text and its outcome ("...ok!", "...aborted!", "...failed!") are
    // printed. Throws the worker's failure (-2: cancelled by the user).
    void RunAction(const CString& action, bool announce);

    // ---- opening, closing, exec lines ----
    // OpenInternal; a failure gets "Could not open database <name>!" and goes to the set's error
    // text with its code before it is thrown on.
    void Open(bool announce);
    // Nothing when open; a database in state 0 is refused; else the action "- Open <name>".
    void OpenInternal(bool announce);
    // False when not open; else the action "- Close <name>" and true.
    bool Close(bool announce);
    // True when the (trimmed) line is an exec line "exec database close|open|restart" and has been
    // carried out; false when it is no exec line; XKxException for an unknown target or command.
    bool ParseLine(const CString& line);

    // ---- version check, version write, summary row, tool-run record of the whole upgrade ----
    // Reads the stored version (when there is no limit or `expected` lies below it) and judges it:
    // the check passes, the database left open, when `expected` is negative and the stored version
    // above 0, or `expected` equals it; a stored version one below the limit sets state 1. Otherwise
    // state 0 and the database is closed; when the database should have had `expected`, the set is
    // marked invalid and XKxException is thrown.
    void CheckVersion(int32_t expected);
    // The stored version number read from the database (opened and closed again when it was not
    // open); 0 in state 0.
    int32_t ReadVersion();
    // Writes the new version record (nothing in state 0); XKxException, with nothing written, when
    // the new edition text is empty.
    void WriteVersion();
    // The format filled with base name, server, log-in column, stored version number, description,
    // edition text and " --> not supported!" in state 0.
    CString FormatSummaryRow(const CString& format) const;
    // The log-in text of the set's database "base"; empty when the set has none.
    CString GetBaseLoginText() const;
    // True when the record of the whole upgrade (empty description) exists and was written by this
    // tool version, release and build; its success flag into `success`.
    bool HasSameToolRun(bool& success);
    // Writes the record of the whole upgrade with the all-steps-succeeded flag as its outcome.
    void WriteToolRun();

    // ---- SQL scripts (the Oracle client) and upgrade programs ----
    // Runs the scripts of the version directory's list file through the Oracle client (object
    // databases: nothing), carrying out exec lines between them: the number of scripts run; 0 for a
    // list that cannot be read.
    int32_t ExecuteSQLUpgrade(const CString& listFile, XKxStatistic* timingNode);
    // Runs "sqlplus <login> @<script> <log name>" in the directory under the script's step logger,
    // waiting in steps while ticking the progress display, then copies the script's log into the
    // upgrade log (inlineLog) or moves it to the log directory as "<name>-<v>-<v+1>.log". 1 when
    // the client ran; 0 for a missing script, a step the logger skips (`skipped` set, when given)
    // or a client that could not be started (failure recorded).
    int32_t CallSQLPlus(const CString& directory, const CString& script, bool newConsole, bool inlineLog,
                        bool* skipped = nullptr);
    // The script file name of a list line, or empty when the line is no script line (";" first, or
    // not ending with ".sql" in any case).
    static CString NormalizeScriptLine(const CString& line);
    // The log name the client spools a script to: the name's part from its last "." replaced by
    // ".log"; ".log" appended to a name without "." behind its first character.
    static CString MakeScriptLogName(const CString& script);
    // inlineLog: the log's lines into the upgrade log as "> <line>" between a begin and an end line,
    // the file deleted (kept when no upgrade log is open); else the log moved into the upgrade log
    // directory as "<name>-<stored version>-<stored version + 1>.log", an existing one replaced.
    void CopyScriptLog(const CString& script, const CString& logPath, bool inlineLog);
    // Runs the command lines of the version directory's program list (Oracle databases only), with
    // "$THIS_PATH$" and "$LOGFILE$" filled and exec lines carried out: the number of programs run.
    int32_t ExecuteBinaryUpgrade(const CString& listFile, XKxStatistic* timingNode);
    // Runs the command line (started in the caller's current directory) under its step logger, then
    // copies the log file into the upgrade log. 1 when the program ran; 0 for a step the logger skips
    // (`skipped` set, when given) or a program that could not be started (failure recorded, so the
    // next run retries it).
    int32_t CallBinary(const CString& logPath, const CString& commandLine, bool announce, bool newConsole,
                       bool* skipped = nullptr);
    // The command line of a program list line, or empty when the line is no command line.
    static CString PrepareBinaryLine(const CString& line, const CString& directory);

    // ---- object and intermediate conversions ----
    // The database's upgrade function exported by the module (its name from the set's table); null
    // in state 0, and when missing in the database's last step (stored version + 1 = limit);
    // XKxException when missing in any other step.
    XKxObjectUpgradeFunction GetUpgradeFkt(HMODULE module) const;
    XKxIntermediateFunction GetIntermediatePreviousFkt(HMODULE module) const;
    XKxIntermediateFunction GetIntermediateNextFkt(HMODULE module) const;
    // Opens the database and runs its upgrade function. A conversion stopped with code -3 prints its
    // message framed by "!!" and returns; any other failure is printed and thrown on.
    void ExecuteObjectUpgrade(HMODULE module, XKxStatistic* timingNode);
    // Runs the intermediate function both ways between this database and each database before it in
    // the set (code -3: printed, the remaining ones skipped).
    void ExecuteIntermediateUpgrade(HMODULE module, bool previous, int32_t value);

    // ---- structure, dictionary, change files (state 2 only) ----
    // Oracle: the change-file script "update_t5_database.sql" of the version directory; object
    // database: the kernel's "Update", "VersAll", "Reorg", "ReIndex" on a connected base. The
    // database is closed before and reopened after when it was open. The result is the state.
    int32_t UpgradeDatabaseStructure();
    // Replaces "_objects.dat" and "_objects.idx" of the dictionary path by those of the version
    // directory: both copied beside their targets first, then moved into place.
    void UpgradeDictionary();
    // Runs SchemaDelta for the stored version and the next: "1_change_schema.sql" in the script base
    // directory's "<dictionary>_<v+1>" folder.
    void CreateChangefile();
    // The quoted path of SchemaDelta (registry "LiftRunner" "SchemaDeltaExe"); XKxException when no
    // file is there.
    CString GetSchemaManagerExePath() const;

    // ---- bulk attribute setters (over the class's extent, with progress output and timing) ----
    // The attribute set to the value in every object of the class: the number of objects changed.
    int32_t SetAttributeBoolean(const CString& className, const CString& attribute, bool value);
    int32_t SetAttributeInt(const CString& className, const CString& attribute, int32_t value);
    // In every object of the class, each element of the set member gets the object written into its
    // member `backMember`, and the set is emptied: the number of elements changed.
    int32_t SwitchToBackpointer(const CString& className, const CString& setMember, const CString& backMember);

    // ---- accessors ----
    KxBase* GetBase() const { return base; }
    const CString& GetName() const { return name; }
    const CString& GetBaseName() const { return baseName; }
    const CString& GetServer() const { return server; }
    const CString& GetClientName() const { return clientName; }
    const CString& GetConfigFile() const { return configFile; }
    const CString& GetUser() const { return user; }
    const CString& GetPassword() const { return password; }
    const CString& GetDictPath() const { return dictPath; }
    const CString& GetPath() const { return path; }
    const CString& GetConnectService() const { return connectService; }
    const CString& GetRegistryKey() const { return registryKey; }
    const CString& GetDictionaryName() const { return dictionaryName; }
    const CString& GetNlsLang() const { return nlsLang; }
    const std::u16string& GetWideName() const { return wideName; }
    void SetServer(const CString& text) { server = text; }
    void SetBaseName(const CString& text) { baseName = text; }
    void SetConfigFile(const CString& text) { configFile = text; }
    void SetUser(const CString& text) { user = text; }
    void SetPassword(const CString& text) { password = text; }
    void SetConnectService(const CString& text) { connectService = text; }
    void SetDictPath(const CString& text) { dictPath = text; }
    void SetPath(const CString& text) { path = text; }
    void SetClientName(const CString& text) { clientName = text; }
    void SetPasswordMasked(bool on) { passwordMasked = on; }
    void SetExplicitLogin(bool on) { explicitLogin = on; }
    bool IsPasswordMasked() const { return passwordMasked; }
    bool IsExplicitLogin() const { return explicitLogin; }
    bool IsOpen() const { return open; }
    bool IsRegistryIncomplete() const { return registryIncomplete; }
    int32_t GetState() const { return state; }
    void SetState(int32_t value) { state = value; }
    XApplicationDatabases* GetApplicationDatabases() const { return applicationDatabases; }
    int32_t GetStepVersion() const { return stepVersion; }
    // The target version of the current upgrade step (the step version).
    int32_t GetTargetVersion() const { return stepVersion; }
    void SetTargetVersion(int32_t version) { stepVersion = version; }
    int32_t GetLimitVersion() const { return limitVersion; }
    // The version limit the driver hands to the database (-1: none).
    void SetLimitVersion(int32_t version) { limitVersion = version; }
    XKxDatabase* GetRelatedDatabase(int32_t index) const;
    XKxVersionInfo* GetActualVersion() const { return actualVersion; }
    XKxVersionInfo* GetNewVersion() const { return newVersion; }
    int32_t GetActualVersionNumber() const;
    CString GetActualVersionString() const;
    CString GetActualVersionInfo() const;
    int32_t GetActualEditionNumber() const;
    int32_t GetActualServicePack() const;
    CString GetNewVersionInfo() const;
    void SetActualVersionInfo(const CString& text);
    bool GetAllStepsSucceeded() const { return allStepsSucceeded; }
    void SetAllStepsSucceeded(bool on) { allStepsSucceeded = on; }
    const CString& GetDatabaseText() const { return databaseText; }
    void SetDatabaseText(const CString& text) { databaseText = text; }
    bool IsOptionSet() const;

private:
    // Reads one registry value into `target`, logged under `label`; a value that cannot be read is
    // logged as "-- not found --" with its reason and code, and leaves `target` empty.
    bool ReadRegistryValue(class XRegistry& registry, const char16_t* valueName, const char16_t* label,
                           CString& target);
    void LogSetting(const CString& label, const CString& value) const;
    // "    Reason:     <message>" and "    Error Code: <code>".
    void LogReason(const XKxException& error) const;
    // The setting line with "-- not found --" and the reason lines.
    void LogNotFound(const CString& label, const XKxException& error) const;
    // Starts the command line as a child process (minimised; a new console or no window; the caller's
    // environment with this database's "NLS_LANG"; the directory, when not empty, as its current
    // directory) and waits for its end in wait steps, ticking the progress display. False when it
    // could not be started.
    bool RunChildProcess(const CString& commandLine, const CString& directory, bool newConsole) const;
    // Works through the version directory's list file: exec lines carried out, every other line
    // handed to `runLine` with the directory (-1: not its kind of line; else the count of runs it
    // adds), then the closing line. 0 for a list that cannot be read. Failures get the context of
    // `function`.
    int32_t ProcessList(const CString& listFile, const char16_t* function,
                        const std::function<int32_t(const CString& line, const CString& directory)>& runLine);
    // CallBinary, with `beforeStart` called only when the program is going to be started.
    int32_t CallBinaryInternal(const CString& logPath, const CString& commandLine, bool announce, bool newConsole,
                               bool* skipped, const std::function<void()>& beforeStart);

    XApplicationDatabases* applicationDatabases;
    CString name;
    CString registryKey;
    CString dictionaryName;
    CString nlsLang;
    bool registryIncomplete = false;
    bool allStepsSucceeded = true;
    XKxVersionInfo* actualVersion = nullptr;
    XKxVersionInfo* newVersion = nullptr;
    int32_t stepVersion = -1;
    int32_t limitVersion = -1;
    CString databaseText;
};

// The worker thread's procedure: runs the current action on the current database; 0 after
// success, 1 after failure (the failure is left in the worker exception).
DWORD WINAPI ThreadFunc(LPVOID);
