// The schema mapper: reads its command line, starts the kernel as a client, loads the adapter of the
// requested product through the gateway client and runs one command (KxGClassMapperCmd.h) that writes
// the DDL of the gateway schema into a script file and, online, executes it.
//
//   relgen -c -D <dictionary> -S <brand>$<server> -B <database> [-u <user> -p <password>] [-r | -x] ...
//
// The commands reach the mapper through the accessors and steps below: connecting (and, in probe mode,
// reading the stored schema facts from ROOTBLOCK), executing one statement (script, then online
// execution), the schema owner check, reading the option file, and the message output
// (KxGClassMapperLog.h), which counts errors and warnings.
//
// Two entry points work without a command line: CreateDBDirect (the gateway admin's create database)
// and DeleteDBDirect.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "KxDateTime.h"
#include "KxString.h"

class KxBase;
class KxClassDict;
class KxParameterSet;
class KxGClassMapperCmd;
class KxGClassMapperLog;
class KxGDatabase;
class KxGDatabaseTrace;
class KxGOptionRegistry;
class KxGSchemaMap;
class KxParameterList;
class KxGStatementTemplate;
class KxGStatementTemplateList;

// The facts of an existing gateway schema, read from ROOTBLOCK in probe mode. A key that is missing
// leaves its default.
struct KxGSchemaFacts {
    KxString dictionaryName;
    KxDateTime dictionaryStamp{KxDate(), KxTime()};       // creation time of the dictionary the schema was made from
    KxDateTime dictionaryModifyStamp{KxDate(), KxTime()};   // its version stamp
    uint16_t dictionaryRevision = 0;
    uint32_t rogwRevision = 0;
    uint32_t schemaVersion = 256;                // "RO GW Version"
    KxString concurrencyControlServer;
};

// Kinds of a run's command as the command line chooses it (the factory kinds of KxGClassMapperCmd.h);
// KXG_MAPPER_CMD_NONE: chosen at run time (probe: create when no schema exists, else version all).
constexpr int32_t KXG_MAPPER_CMD_NONE = -1;

class KxGClassMapper {
public:
    // Makes a run's command (tests hand in their own); the default is KxGClassMapperCmd::Make.
    using CommandFactory = std::function<std::unique_ptr<KxGClassMapperCmd>(int32_t kind, KxGClassMapper* mapper)>;

    // Stores the arguments (argv[0] is the program), sets the defaults, builds the message object.
    // Parses nothing yet.
    KxGClassMapper(int argc, const char* const* argv);
    // Deletes the message object, destroys the database object, closes both files.
    virtual ~KxGClassMapper();
    KxGClassMapper(const KxGClassMapper&) = delete;
    KxGClassMapper& operator=(const KxGClassMapper&) = delete;

    // Runs the whole tool: banner, parsing, kernel start, adapter loading, the command, the final
    // report and summary. 0, a positive warning code, or a negative error code.
    int32_t Execute();

    // "Tessaform Relational Schema Mapper Version 11.0.3.50", the build date; flushed.
    static void ShowBanner(std::ostream& out);
    // The usage text.
    static void ShowUsage(std::ostream& out);

    // Creates the gateway schema of a database online (command create). storage: a server name of
    // the configuration ([servers\<storage>] name) or a "<brand>$<server>" text. 0; -2035 when a
    // gateway schema exists already; any other code of the run. A run that reported errors never
    // answers 0.
    static int32_t CreateDBDirect(const KxString& database, const KxString& dictionary, const KxString& storage,
                                  const KxString& dictionaryServer, KxParameterSet* params);
    // Drops the gateway schema of a database online (command drop, continue flag on). 0 or a code.
    static int32_t DeleteDBDirect(const KxString& database, const KxString& server, const KxString& brand,
                                  KxBase* base, KxParameterSet* params);

    // Parses the command line (without running anything): the first error code, -6160 when no server
    // was given, or 0. Execute calls it; exposed for the command-line tests.
    int32_t ParseArguments();

    // ---- steps the commands call ----------------------------------------------------------------
    // Connects: auto-commit, log-in, open (with the online flag, a missing database is created);
    // in probe mode reads the schema facts from ROOTBLOCK. 0 or a code (see the driver).
    int32_t Connect(bool probeMode);
    // Reads the schema facts from ROOTBLOCK (the run must be connected). 0 or -6198 / a read error.
    int32_t ReadSchemaFacts();
    // Only when connected: with the online flag rollback (result not 0) or commit, then close;
    // connect and online flags off. Answers result.
    int32_t EndConnection(int32_t result);
    // Writes the statement to the script (text, "\n", terminator, "\n", end of line) and, when
    // connected with the online flag, executes it once. A failure is reported (-6184) and counted;
    // answers -6184 unless the continue flag lets the command go on (then 0). A role conflict is
    // ignored.
    int32_t ExecuteStatement(KxGStatementTemplate& statement);
    // The same for a statement whose failure does not count: with ignoreAll every failure, else a
    // failure whose adapter code (KxGDatabaseError::ErrorCode) is ignoredCode, is neither reported
    // nor counted and answers 0. Other failures as ExecuteStatement.
    int32_t ExecuteStatementIgnoring(KxGStatementTemplate& statement, bool ignoreAll, int32_t ignoredCode = 0,
                                     bool scripted = true);
    // The mapper's own bookkeeping: executed as ExecuteStatement when connected with the online flag,
    // never written to the script; then the connection is committed (a failed commit is reported as
    // the statement's failure). 0 when not online.
    int32_t ExecuteAndCommit(KxGStatementTemplate& statement);
    // ExecuteStatement for every template of the list in order; the first non-zero result.
    int32_t ExecuteList(KxGStatementTemplateList& list);
    // When connected with the online flag, the adapter must own the schema: 0 or -6167.
    int32_t CheckSchemaOwner();
    // Reads the option file (when one is named) into the registry and applies its global options
    // with the adapter's dialect. 0, -6171, or the first error of a line (reported with the line).
    int32_t ReadOptionFile(KxGOptionRegistry& registry);
    // The same for a schema map's registry; PRESERVE_NAMES goes to the map.
    int32_t ReadOptionFile(KxGSchemaMap& map);
    // Role creations that failed because the role existed (the execute step goes on after them);
    // the create command reports them.
    int32_t GetRoleConflictCount() const { return roleConflicts_; }

    // ---- message output -----------------------------------------------------------------------
    KxGClassMapperLog& GetLog() { return *log_; }
    // Reports a code with its text (KxGClassMapperLog::Report); answers code.
    int32_t Report(int32_t code, const KxString& text = KxString(""), int32_t native = 0);
    // One line (text plus end of line) to standard output (echo on) and to the log.
    void Print(const KxString& text);

    // ---- state ----------------------------------------------------------------------------------
    KxGDatabase* GetDatabase() const { return database_; }
    KxClassDict* GetClassDictionary() const { return dictionary_; }
    const KxGSchemaFacts& GetSchemaFacts() const { return facts_; }
    KxGSchemaFacts& GetSchemaFacts() { return facts_; }

    const KxString& GetDictionaryName() const { return dictionaryName_; }
    const KxString& GetDictionaryServer() const { return dictionaryServer_; }
    const KxString& GetBrand() const { return brand_; }
    const KxString& GetDatabaseName() const { return databaseName_; }
    const KxString& GetServer() const { return server_; }
    const KxString& GetUser() const { return user_; }
    const KxString& GetLogFileName() const { return logFileName_; }
    const KxString& GetScriptFileName() const { return scriptFileName_; }
    const KxString& GetOptionFileName() const { return optionFileName_; }
    const KxString& GetConfigFileName() const { return configFileName_; }
    const KxString& GetTerminator() const { return terminator_; }
    void SetTerminator(const KxString& terminator) { terminator_ = terminator; }
    const std::string& GetCommandText() const { return commandText_; }
    const std::string& GetOptionText() const { return optionText_; }
    // The kind of the run's command (KXG_MAPPER_CMD_*), KXG_MAPPER_CMD_NONE when chosen at run time.
    int32_t GetCommandKind() const { return commandKind_; }

    bool IsOnline() const { return online_; }
    void SetOnline(bool on) { online_ = on; }
    // Before a connection: connect wanted; after one was opened: connected.
    bool IsConnected() const { return connect_; }
    void SetConnect(bool on) { connect_ = on; }
    bool IsLoginDone() const { return loginDone_; }
    bool IsMarkModified() const { return markModified_; }
    void SetMarkModified(bool on) { markModified_ = on; }
    bool IsContinue() const { return continue_; }
    void SetContinue(bool on) { continue_ = on; }
    bool IsUserGiven() const { return userGiven_; }
    bool IsEcho() const { return echo_; }
    void SetEcho(bool on) { echo_ = on; }
    bool IsExternalConnection() const { return externalConnection_; }

    std::ofstream& GetScriptStream() { return script_; }
    std::ofstream& GetLogStream() { return logStream_; }

    // Replaces the command factory of this mapper (null restores the default).
    void SetCommandFactory(CommandFactory factory);

    // The native code of the run's last adapter failure (reported with the final code).
    int32_t GetNativeCode() const { return nativeCode_; }

private:
    friend class KxGClassMapperLog;
    int32_t RunCommand();
    int32_t OpenLog();
    int32_t OpenScript();
    int32_t OpenFiles();
    void EchoParameters();
    void OpenTrace();
    void CloseTrace();
    int32_t LoadAdapter(const KxParameterList* params);
    void DestroyDatabase();
    // Closes the script, reports the result (unless its step reported it already), prints the
    // summary, closes the log; answers result.
    int32_t Finish(int32_t result);
    std::unique_ptr<KxGClassMapperCmd> MakeCommand(int32_t kind);
    int32_t ReadOptionFile(KxGOptionRegistry& registry, uint16_t& preserveNames);

    std::ofstream logStream_;
    std::ofstream script_;
    KxString logFileName_;
    KxString scriptFileName_;
    std::unique_ptr<KxGClassMapperLog> log_;
    int argc_;
    const char* const* argv_;
    KxString dictionaryName_;
    KxString dictionaryServer_;
    KxString brand_;
    KxString databaseName_;
    KxString server_;
    KxString user_;
    KxString password_;
    KxClassDict* dictionary_ = nullptr;
    KxGDatabase* database_ = nullptr;
    KxString optionFileName_;
    KxString terminator_;
    KxString configFileName_;
    int32_t commandKind_ = KXG_MAPPER_CMD_NONE;
    std::string commandText_;
    std::string optionText_;
    bool online_ = false;
    bool connect_ = true;
    bool loginDone_ = false;
    bool markModified_ = false;
    bool continue_ = false;
    bool userGiven_ = false;
    bool echo_ = true;
    bool externalConnection_ = false;
    bool kernelStarted_ = false;
    int32_t lastReported_ = 0;        // the code reported last
    int32_t roleConflicts_ = 0;
    std::string missingOption_;       // the option whose file name is missing (-6170)
    int32_t nativeCode_ = 0;
    KxGSchemaFacts facts_;
    KxGDatabaseTrace* trace_ = nullptr;
    CommandFactory factory_;
};
