// The schema mapper's driver: command line, kernel and adapter start, connecting, executing one
// statement, and the two direct entries.
#include "KxGClassMapper.h"

#include <iostream>
#include <ostream>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxConfig.h"
#include "KxGClassMapperCmd.h"
#include "KxGClassMapperLog.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGOptionRegistry.h"
#include "KxGRootblock.h"
#include "KxGSchemaMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGatewayClient.h"
#include "KxGatewayModule.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"

namespace {

constexpr const char* kClientName = "VEDUrereze";
constexpr const char* kTraceFile = "relgen.trc";
constexpr uint16_t kTraceModules = KXG_TRACE_CA | KXG_TRACE_TXN | KXG_TRACE_CM | KXG_TRACE_SM | KXG_TRACE_STM |
                                   KXG_TRACE_DBA;   // 0xB049
constexpr const char* kBuildDate = __DATE__;
constexpr const char* kBuildTime = __TIME__;

std::string VersionText()
{
    return std::to_string(KXG_VERSION_MAJOR) + "." + std::to_string(KXG_VERSION_MINOR) + "." +
           std::to_string(KXG_VERSION_RELEASE) + "." + std::to_string(KXG_VERSION_BUILD);
}

// Splits "<brand>$<server>" or "<brand>@<server>" at the first separator; false without one.
bool SplitStorage(const KxString& text, KxString& brand, KxString& server)
{
    const std::string value(text.StrGet());
    const size_t at = value.find_first_of("@$");
    if (at == std::string::npos) {
        return false;
    }
    brand = KxString(value.substr(0, at));
    server = KxString(value.substr(at + 1));
    return true;
}

KxConfig* Config()
{
    KxRoot* root = KxBase::KELVOX();
    return root != nullptr ? root->GetConfig() : nullptr;
}

bool Contains(const KxString& text, const char* what)
{
    return std::string(text.StrGet()).find(what) != std::string::npos;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Construction

KxGClassMapper::KxGClassMapper(int argc, const char* const* argv)
    : log_(std::make_unique<KxGClassMapperLog>(this, logStream_, echo_)), argc_(argc), argv_(argv),
      dictionaryName_(KxString::EmptyString()), dictionaryServer_(KX_DEFAULT_DICTIONARY_SERVER),
      brand_(KxString::EmptyString()), databaseName_(KxString::EmptyString()), server_(KxString::EmptyString()),
      user_(KxString::EmptyString()), password_(KxString::EmptyString()), optionFileName_(KxString::EmptyString()),
      terminator_(KxString::EmptyString()), configFileName_(KxString::EmptyString())
{
}

KxGClassMapper::~KxGClassMapper()
{
    log_.reset();
    if (database_ != nullptr) {
        database_->Destroy(0);
        database_ = nullptr;
    }
    CloseTrace();
    if (script_.is_open()) {
        script_.close();
    }
    if (logStream_.is_open()) {
        logStream_.close();
    }
}

void KxGClassMapper::SetCommandFactory(CommandFactory factory)
{
    factory_ = std::move(factory);
}

std::unique_ptr<KxGClassMapperCmd> KxGClassMapper::MakeCommand(int32_t kind)
{
    return factory_ ? factory_(kind, this) : KxGClassMapperCmd::Make(kind, this);
}

// ---------------------------------------------------------------------------------------------------
// Texts

void KxGClassMapper::ShowBanner(std::ostream& out)
{
    out << "Tessaform Relational Schema Mapper Version " << VersionText() << "\n";
    out << "Build date : " << kBuildDate << " " << kBuildTime << "\n" << "\n";
    out.flush();
}

void KxGClassMapper::ShowUsage(std::ostream& out)
{
    static const char* const lines[] = {
        "Usage : RELGEN.EXE <commands> <database parameters> [options]",
        "",
        "  commands:",
        "   -c            create schema (default)",
        "   -d            drop schema",
        "   -e            empty database",
        "   -m            list class mapping information",
        "   -n            convert schema",
        "   -v            version all",
        "",
        "  database parameters:",
        "   -D <Dictionary>       Tessaform dictionary",
        "   -S <Storage$Server>   Connection string",
        "   -B <Database>         Database name",
        "   -f <file>      script file",
        "   -l <file>      log file",
        "   -o <file>      mapping option file",
        "   -p <password>  password",
        "   -r             execute DDL statements online",
        "   -t             terminator",
        "   -u <username>  user",
        "   -x             don't connect to database",
        "   -config <file> configuration file",
    };
    for (const char* line : lines) {
        out << line << "\n";
    }
    out.flush();
}

void KxGClassMapper::Print(const KxString& text)
{
    log_->Output(text);
}

int32_t KxGClassMapper::Report(int32_t code, const KxString& text, int32_t native)
{
    log_->Report(code, native, text);
    lastReported_ = code;
    return code;
}

// ---------------------------------------------------------------------------------------------------
// Command line

int32_t KxGClassMapper::ParseArguments()
{
    int32_t result = 0;
    bool dictionaryGiven = false;
    bool databaseGiven = false;
    bool serverGiven = false;

    // The value of an option: the rest of the argument, else the next argument (consumed). Answers
    // false when the next argument is another option (the value is missing); an option at the end
    // gets an empty value.
    auto value = [&](int& i, const std::string& rest, KxString& out) {
        if (!rest.empty()) {
            out = KxString(rest);
            return true;
        }
        if (i + 1 >= argc_) {
            out = KxString::EmptyString();
            return true;
        }
        const char* next = argv_[i + 1];
        if (next != nullptr && next[0] == '-') {
            return false;
        }
        ++i;
        out = KxString(next != nullptr ? next : "");
        return true;
    };
    auto command = [&](int32_t kind, char letter) {
        if (commandKind_ != KXG_MAPPER_CMD_NONE) {
            return KXG_E_INVALID_COMMAND;
        }
        commandKind_ = kind;
        commandText_ += letter;
        return 0;
    };

    for (int i = 1; i < argc_ && result == 0; ++i) {
        const std::string argument(argv_[i] != nullptr ? argv_[i] : "");
        if (argument.size() < 2 || argument[0] != '-') {
            Print(KxString("Ignoring unknown command/option " + argument + "\n"));
            continue;
        }
        const char letter = argument[1];
        const std::string rest = argument.substr(2);
        if (argument == "-c") {
            result = command(KXG_MAPPER_CMD_CREATE, 'c');
            continue;
        }
        if (argument == "-config") {
            if (!value(i, std::string(), configFileName_) || configFileName_.IsEmpty()) {
                configFileName_ = KxString::EmptyString();
                missingOption_ = "-config";
                result = KXG_E_NO_OPTION_FILE;
            }
            continue;
        }
        switch (letter) {
        case 'c':
            break;   // other arguments beginning with "-c" are ignored
        case 'd':
            result = command(KXG_MAPPER_CMD_DROP, 'd');
            continue_ = true;
            break;
        case 'e':
            result = command(KXG_MAPPER_CMD_EMPTY, 'e');
            break;
        case 'm':
            result = command(KXG_MAPPER_CMD_LIST, 'm');
            break;
        case 'n':
            result = command(KXG_MAPPER_CMD_CONVERT, 'n');
            connect_ = true;
            break;
        case 'v':
            result = command(KXG_MAPPER_CMD_VERSION, 'v');
            connect_ = true;
            break;
        case 'D':
            optionText_ += letter;
            if (!value(i, rest, dictionaryName_)) {
                result = KXG_E_NO_DICTIONARY_NAME;
            } else {
                dictionaryGiven = true;
            }
            break;
        case 'B':
            optionText_ += letter;
            if (!value(i, rest, databaseName_)) {
                result = KXG_E_NO_DATABASE_NAME;
            } else {
                databaseGiven = true;
            }
            break;
        case 'S': {
            optionText_ += letter;
            KxString storage;
            if (!value(i, rest, storage)) {
                // Not a reason to stop: the run reports "no server" once at the end.
                break;
            }
            brand_ = storage;
            server_ = KxString::EmptyString();
            serverGiven = SplitStorage(storage, brand_, server_);
            break;
        }
        case 'f':
        case 'l':
        case 'o': {
            optionText_ += letter;
            KxString& target = letter == 'f' ? scriptFileName_ : letter == 'l' ? logFileName_ : optionFileName_;
            if (!value(i, rest, target)) {
                missingOption_ = std::string("-") + letter;
                result = KXG_E_NO_OPTION_FILE;
            }
            break;
        }
        case 'p':
            optionText_ += letter;
            if (!value(i, rest, password_)) {
                result = KXG_E_NO_PASSWORD;
            }
            break;
        case 'u':
            optionText_ += letter;
            if (!value(i, rest, user_)) {
                result = KXG_E_NO_USER;
            } else {
                userGiven_ = true;
            }
            break;
        case 'r':
            if (optionText_.find('x') != std::string::npos) {
                result = KXG_E_INVALID_COMMAND_OPTION;
            } else {
                optionText_ += letter;
                online_ = true;
                connect_ = true;
            }
            break;
        case 'x':
            if (optionText_.find('r') != std::string::npos) {
                result = KXG_E_INVALID_COMMAND_OPTION;
            } else {
                optionText_ += letter;
                online_ = false;
                connect_ = false;
            }
            break;
        case 't':
            optionText_ += letter;
            if (!rest.empty()) {
                terminator_ = KxString(rest);
            }
            break;
        case 'i':
            optionText_ += letter;
            continue_ = true;
            break;
        default:
            Print(KxString(std::string("Ignoring unknown command/option ") + letter + "\n"));
            break;
        }
    }

    // Defaults, applied after every parse; their checks never replace the first error.
    if (result == 0 && !dictionaryGiven) {
        result = KXG_E_NO_DICTIONARY_NAME;
    }
    if (result == 0 && !databaseGiven) {
        result = KXG_E_NO_DATABASE_NAME;
    }
    if (commandKind_ == KXG_MAPPER_CMD_NONE && !connect_) {
        commandKind_ = KXG_MAPPER_CMD_CREATE;
    }
    if (logFileName_.IsEmpty()) {
        logFileName_ = databaseName_ + KxString(".LOG");
    }
    if (scriptFileName_.IsEmpty()) {
        scriptFileName_ = databaseName_ + KxString(".SQL");
    }
    dictionaryServer_ = KxString(KX_DEFAULT_DICTIONARY_SERVER);
    if (result == 0 && !serverGiven) {
        result = KXG_E_NO_SERVER_NAME;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------
// Files, echo, trace, adapter

int32_t KxGClassMapper::OpenLog()
{
    logStream_.open(logFileName_.StrGet(), std::ios::out | std::ios::trunc);
    if (!logStream_.is_open()) {
        return KXG_E_LOG_FILE;
    }
    ShowBanner(logStream_);
    return 0;
}

int32_t KxGClassMapper::OpenScript()
{
    script_.open(scriptFileName_.StrGet(), std::ios::out | std::ios::trunc);
    return script_.is_open() ? 0 : KXG_E_SCRIPT_FILE;
}

int32_t KxGClassMapper::OpenFiles()
{
    const int32_t result = OpenLog();
    return result != 0 ? result : OpenScript();
}

void KxGClassMapper::EchoParameters()
{
    const std::pair<const char*, std::string> lines[] = {
        {" Dictionary  : ", dictionaryName_.StrGet()},   {" Database    : ", databaseName_.StrGet()},
        {" Server      : ", server_.StrGet()},           {" DB Brand    : ", brand_.StrGet()},
        {" Command     : ", commandText_},               {" Options     : ", optionText_},
        {" Log File    : ", logFileName_.StrGet()},      {" Script File : ", scriptFileName_.StrGet()},
        {" Option File : ", optionFileName_.StrGet()},   {" Config File : ", configFileName_.StrGet()},
    };
    for (const auto& line : lines) {
        log_->Output(std::string(line.first) + line.second);
    }
    log_->Output(std::string());
}

void KxGClassMapper::OpenTrace()
{
    CloseTrace();
    KxConfig* config = Config();
    if (config == nullptr) {
        return;
    }
    const KxString path[] = {KxString("databases"), databaseName_, KxString("RelationalObjectGateway"), KxString()};
    KxString modules;
    if (config->Get(KxString(KXG_CFG_TRACE_MODULES), modules, path) != 0) {
        return;
    }
    trace_ = new KxGDatabaseTrace(KxString(kTraceFile), kTraceModules, nullptr);
    *trace_ << "<file>" << "Tessaform Relgen Trace file " << "\n"
            << "Relgen build date : " << kBuildDate << " " << kBuildTime << "\n"
            << "Relgen version : " << VersionText().c_str() << "\n"
            << "</file>";
    trace_->Flush();
}

void KxGClassMapper::CloseTrace()
{
    if (database_ != nullptr) {
        database_->SetTrace(nullptr);
    }
    delete trace_;
    trace_ = nullptr;
}

int32_t KxGClassMapper::LoadAdapter(const KxParameterList* params)
{
    database_ = KxGatewayClient::LoadSpecificGatewayDll(brand_, server_, databaseName_, user_, password_, params,
                                                        trace_);
    if (database_ == nullptr) {
        return KXG_E_STORAGE_TYPE_UNSUPPORTED;
    }
    database_->SetTrace(trace_);
    return 0;
}

void KxGClassMapper::DestroyDatabase()
{
    if (database_ != nullptr) {
        database_->SetTrace(nullptr);
        database_->Destroy(0);
        database_ = nullptr;
    }
}

int32_t KxGClassMapper::Finish(int32_t result)
{
    if (script_.is_open()) {
        script_.close();
    }
    // A code that its step reported already (the failing statement, the failed creation) is not
    // reported a second time.
    if (!(result != 0 && result == lastReported_)) {
        Report(result, KxString::EmptyString(), nativeCode_);
    }
    log_->Summary();
    if (logStream_.is_open()) {
        logStream_.close();
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------
// The run

int32_t KxGClassMapper::Execute()
{
    ShowBanner(std::cout);
    int32_t result = ParseArguments();
    const bool noServer = result == KXG_E_NO_SERVER_NAME;
    if (result != 0 && !noServer) {
        // The kernel and the adapter are skipped; the parameters are still echoed into the log when
        // there is a database to name it; the script is not touched.
        if (!databaseName_.IsEmpty() && OpenLog() == 0) {
            EchoParameters();
        }
        return Finish(result);
    }

    KxParameterList start;
    start.Append(KxString("ClientName"), KxString(kClientName));
    if (!configFileName_.IsEmpty()) {
        start.Append(KxString("ConfigFile"), configFileName_);
    }
    result = InitKelvox(&start);
    if (result != 0) {
        Print(KxString("Error : Unable to start the kernel with the configuration file '") + configFileName_ +
              KxString("'"));
        return Finish(result);
    }
    kernelStarted_ = true;
    result = 0;

    if (noServer) {
        // The brand text names a storage of the configuration: [servers\<storage>] name.
        KxString physical;
        KxConfig* config = Config();
        const KxString path[] = {KxString("servers"), brand_, KxString()};
        if (brand_.IsEmpty() || config == nullptr || config->Get(KxString("name"), physical, path) != 0 ||
            !SplitStorage(physical, brand_, server_)) {
            result = KXG_E_NO_SERVER_NAME;
        }
    }
    if (result == 0) {
        KxString physical;
        if (KxBase::KELVOX()->MapLogicalName(databaseName_, physical, 3, 0, KxString("ROG")) == 0 &&
            physical != databaseName_) {
            databaseName_ = physical;
        }
        result = OpenFiles();
        if (result != KXG_E_LOG_FILE) {
            EchoParameters();
        }
    }
    if (result == 0) {
        OpenTrace();
        result = LoadAdapter(nullptr);
        if (result == 0) {
            result = RunCommand();
        }
    }
    result = Finish(result);
    DestroyDatabase();
    CloseTrace();
    if (kernelStarted_) {
        DeinitKelvox();
        kernelStarted_ = false;
    }
    return result;
}

int32_t KxGClassMapper::RunCommand()
{
    KxString error;
    const int32_t found = KxBase::KELVOX()->GetDictionary(dictionaryServer_, dictionaryName_, dictionary_, &error);
    if (found != 0 || dictionary_ == nullptr) {
        dictionary_ = nullptr;
        nativeCode_ = found;
        if (!error.IsEmpty()) {
            Print(error);
        }
        return KXG_E_DICTIONARY_OPEN;
    }

    if (commandKind_ == KXG_MAPPER_CMD_NONE) {
        const bool online = online_;
        online_ = false;
        if (Connect(true) != 0) {
            commandKind_ = KXG_MAPPER_CMD_CREATE;
        } else {
            commandKind_ = KXG_MAPPER_CMD_VERSION;
            EndConnection(0);
        }
        online_ = online;
        connect_ = true;
    }

    int32_t result = KXG_E_MAPPER_FATAL;
    if (std::unique_ptr<KxGClassMapperCmd> command = MakeCommand(commandKind_)) {
        result = command->Run();
        command.reset();
    }
    result = EndConnection(result);
    externalConnection_ = false;

    KxBase::KELVOX()->ReleaseDictionary(dictionary_);
    dictionary_ = nullptr;
    return result;
}

// ---------------------------------------------------------------------------------------------------
// Connecting

int32_t KxGClassMapper::Connect(bool probeMode)
{
    if (database_ == nullptr) {
        return KXG_E_MAPPER_FATAL;
    }
    database_->SetAutoCommit(continue_ ? 1 : 0);
    if (userGiven_) {
        database_->SetUser(&user_);
        database_->SetPassword(&password_);
        loginDone_ = true;
    } else {
        if (!externalConnection_ && database_->HasLoginData(&server_) == 0) {
            KxString brand(brand_);
            brand.ToUpper();
            if (brand == KxString("MSSQL")) {
                KxString proposed;
                if (database_->GetLoginUser(&server_, &proposed) == 0) {
                    user_ = proposed;
                }
            }
            const KxString descriptor(databaseName_);
            if (KxBase::KELVOX()->CallLoginFunc(&user_, &password_, 0, &descriptor) != 1) {
                return KXG_E_LOGIN_CANCELLED;
            }
        }
        database_->SetUser(&user_);
        database_->SetPassword(&password_);
        userGiven_ = true;
        loginDone_ = true;
    }

    if (!externalConnection_) {
        if (database_->OpenConnection() == 0) {
            KxGDatabaseError* error = database_->GetError();
            nativeCode_ = error->NativeCode();
            if (error->IsNoDatabase() != 0) {
                if (probeMode) {
                    return KXG_E_NO_SCHEMA;
                }
                if (online_) {
                    Print(KxString("Creating new database ...\n"));
                    KxString text(KxString::EmptyString());
                    const int32_t created = database_->CreateDatabase(&text, 0);
                    if (!text.IsEmpty()) {
                        Print(text);
                    }
                    if (created == 0) {
                        nativeCode_ = database_->GetError()->NativeCode();
                        return Report(KXG_E_CANNOT_CREATE_DATABASE, KxString::EmptyString(), nativeCode_);
                    }
                    if (database_->OpenConnection() == 0) {
                        nativeCode_ = database_->GetError()->NativeCode();
                        online_ = false;
                        connect_ = false;
                        return KXG_E_CANNOT_OPEN_DATABASE;
                    }
                    connect_ = true;
                } else {
                    connect_ = false;
                    return 0;
                }
            } else {
                online_ = false;
                connect_ = false;
                return KXG_E_CANNOT_OPEN_DATABASE;
            }
        } else {
            connect_ = true;
        }
    } else {
        connect_ = true;
    }

    if (probeMode) {
        const int32_t result = ReadSchemaFacts();
        if (result != 0) {
            database_->CloseConnection();
            connect_ = false;
            return result;
        }
    }
    return 0;
}

int32_t KxGClassMapper::ReadSchemaFacts()
{
    if (database_ == nullptr) {
        return KXG_E_NO_SCHEMA_FOUND;
    }
    KxGRootblock rootblock(database_);
    if (rootblock.GetAllValues() != 0) {
        return KXG_E_NO_SCHEMA_FOUND;
    }
    facts_ = KxGSchemaFacts();
    KxTypeMgr* types = KxBase::KELVOX()->GetTypeMgr();
    const std::pair<const KxGRootblockEntry*, void*> keys[] = {
        {&KxGRootblock::GetDictionaryName(), &facts_.dictionaryName},
        {&KxGRootblock::GetDictionaryStamp(), &facts_.dictionaryStamp},
        {&KxGRootblock::GetDictionaryModifyStamp(), &facts_.dictionaryModifyStamp},
        {&KxGRootblock::GetDictionaryRevision(), &facts_.dictionaryRevision},
        {&KxGRootblock::GetROGWRevision(), &facts_.rogwRevision},
        {&KxGRootblock::GetROGWVersion(), &facts_.schemaVersion},
        {&KxGRootblock::GetConcurrencyControlServer(), &facts_.concurrencyControlServer},
    };
    for (const auto& key : keys) {
        const int32_t read = rootblock.GetValue(*key.first, key.second, types);
        if (read < 0) {
            return read;
        }
    }
    return 0;
}

int32_t KxGClassMapper::EndConnection(int32_t result)
{
    if (connect_ && database_ != nullptr) {
        if (online_) {
            if (result != 0) {
                database_->RollbackConnection();
            } else {
                database_->CommitConnection();
            }
        }
        if (!externalConnection_) {
            database_->CloseConnection();
        }
    }
    connect_ = false;
    online_ = false;
    return result;
}

int32_t KxGClassMapper::CheckSchemaOwner()
{
    if (connect_ && online_ && database_ != nullptr && database_->IsSchemaOwner() == 0) {
        return KXG_E_NOT_SCHEMA_OWNER;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Statements

int32_t KxGClassMapper::ExecuteStatement(KxGStatementTemplate& statement)
{
    return ExecuteStatementIgnoring(statement, false, 0);
}

int32_t KxGClassMapper::ExecuteAndCommit(KxGStatementTemplate& statement)
{
    if (!(connect_ && online_) || database_ == nullptr) {
        return 0;
    }
    const int32_t result = ExecuteStatementIgnoring(statement, false, 0, false);
    if (result != 0 || database_->CommitConnection() != 0) {
        return result;
    }
    nativeCode_ = database_->GetError()->NativeCode();
    return Report(KXG_E_MAPPER_EXECUTE, KxString("COMMIT"), nativeCode_);
}

int32_t KxGClassMapper::ExecuteStatementIgnoring(KxGStatementTemplate& statement, bool ignoreAll, int32_t ignoredCode,
                                                 bool scripted)
{
    const KxString& text = statement.GetSQLText();
    if (scripted && script_.is_open()) {
        script_ << text.StrGet() << "\n" << terminator_.StrGet() << "\n" << std::endl;
    }
    if (!(connect_ && online_) || database_ == nullptr) {
        return 0;
    }
    std::unique_ptr<KxGStatement> executable(statement.CreateStatement(database_));
    if (!executable || executable->GetStatementHdl() == nullptr) {
        nativeCode_ = database_->GetError()->NativeCode();
        if (ignoreAll) {
            return 0;
        }
        Report(KXG_E_MAPPER_EXECUTE, text, nativeCode_);
        return continue_ ? 0 : KXG_E_MAPPER_EXECUTE;
    }
    executable->SetRowCount(1);
    if (executable->Execute() != 0) {
        return 0;
    }
    KxGDatabaseError* error = database_->GetError();
    nativeCode_ = error->NativeCode();
    executable.reset();
    if (error->IsRoleConflict() != 0) {
        ++roleConflicts_;
        return 0;
    }
    if (ignoreAll || (ignoredCode != 0 && error->ErrorCode() == ignoredCode)) {
        return 0;
    }
    if (error->HasError() == 0 || continue_) {
        // Reported and counted: the command goes on, but the run does not end as a success.
        Report(KXG_E_MAPPER_EXECUTE, text, nativeCode_);
        return 0;
    }
    if (Contains(text, "VKxCollectionOfObject65500") || Contains(text, "VKXCOLLECTIONOFOBJECT65500")) {
        return 0;
    }
    return Report(KXG_E_MAPPER_EXECUTE, text, nativeCode_);
}

int32_t KxGClassMapper::ExecuteList(KxGStatementTemplateList& list)
{
    for (uint32_t i = 0; i < list.Count(); ++i) {
        KxGStatementTemplate* statement = list.GetTemplate(i);
        if (statement == nullptr) {
            return Report(KXG_E_MAPPER_FATAL);
        }
        const int32_t result = ExecuteStatement(*statement);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Option file

int32_t KxGClassMapper::ReadOptionFile(KxGOptionRegistry& registry)
{
    uint16_t preserveNames = 0;
    return ReadOptionFile(registry, preserveNames);
}

int32_t KxGClassMapper::ReadOptionFile(KxGSchemaMap& map)
{
    uint16_t preserveNames = map.GetPreserveNames();
    const int32_t result = ReadOptionFile(map.GetOptionRegistry(), preserveNames);
    map.SetPreserveNames(preserveNames);
    return result;
}

int32_t KxGClassMapper::ReadOptionFile(KxGOptionRegistry& registry, uint16_t& preserveNames)
{
    if (!optionFileName_.IsEmpty()) {
        uint16_t line = 0;
        const int32_t result = registry.ReadOptionFile(optionFileName_, line);
        if (result == KXG_E_CANNOT_READ_OPTION_FILE) {
            return Report(result);
        }
        if (result != 0) {
            KxString where("Line : ");
            where << static_cast<int32_t>(line) << "  File : " << optionFileName_;
            return Report(result, where);
        }
    }
    if (database_ != nullptr) {
        registry.ProcessGlobalOptions(*database_, *database_->GetDatabaseInfo(), true, true, preserveNames);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Direct entries

int32_t KxGClassMapper::CreateDBDirect(const KxString& database, const KxString& dictionary, const KxString& storage,
                                       const KxString& dictionaryServer, KxParameterSet* params)
{
    KxGClassMapper mapper(0, nullptr);
    mapper.databaseName_ = database;
    mapper.dictionaryName_ = dictionary;
    mapper.dictionaryServer_ = dictionaryServer.IsEmpty() ? KxString(KX_DEFAULT_DICTIONARY_SERVER) : dictionaryServer;

    KxString physical(storage);
    KxConfig* config = Config();
    if (config != nullptr) {
        const KxString path[] = {KxString("servers"), storage, KxString()};
        KxString configured;
        if (config->Get(KxString("name"), configured, path) == 0) {
            physical = configured;
        }
    }
    if (!SplitStorage(physical, mapper.brand_, mapper.server_)) {
        mapper.brand_ = physical;
        mapper.server_ = KxString::EmptyString();
    }
    mapper.brand_.ToUpper();
    mapper.online_ = true;
    mapper.connect_ = true;
    mapper.echo_ = false;
    mapper.logFileName_ = database + KxString(".LOG");
    mapper.scriptFileName_ = database + KxString(".SQL");
    if (config != nullptr) {
        const KxString path[] = {KxString("RelationalObjectGateway"), mapper.brand_, KxString()};
        KxString optionFile;
        if (config->Get(KxString("MappingOptionsFile"), optionFile, path) == 0) {
            mapper.optionFileName_ = optionFile;
        }
    }
    mapper.commandText_ = "c";
    mapper.optionText_ = "r";
    mapper.commandKind_ = KXG_MAPPER_CMD_CREATE;

    KxParameterList list;
    if (params != nullptr) {
        for (const KxParameter& parameter : *params) {
            list.Append(parameter.name, parameter.value, parameter.flags);
        }
    }
    int32_t result = mapper.OpenFiles();
    if (result != KXG_E_LOG_FILE) {
        mapper.EchoParameters();
    }
    if (result == 0) {
        mapper.OpenTrace();
        result = mapper.LoadAdapter(&list);
        if (result == 0) {
            result = mapper.RunCommand();
        }
    }
    // A run that reported errors (statements that failed while the command went on) is no success.
    if (result == 0 && mapper.log_->GetErrorCount() > 0) {
        result = KXG_E_MAPPER_EXECUTE;
        mapper.lastReported_ = result;
    }
    result = mapper.Finish(result);
    mapper.DestroyDatabase();
    mapper.CloseTrace();
    return result == KXG_E_SCHEMA_EXISTS ? KXG_E_DATABASE_EXISTS : result;
}

int32_t KxGClassMapper::DeleteDBDirect(const KxString& database, const KxString& server, const KxString& brand,
                                       KxBase* base, KxParameterSet* params)
{
    KxGClassMapper mapper(0, nullptr);
    mapper.databaseName_ = database;
    mapper.server_ = server;
    mapper.brand_ = brand;
    mapper.online_ = true;
    mapper.connect_ = true;
    mapper.continue_ = true;
    mapper.echo_ = false;
    mapper.logFileName_ = database + KxString(".LOG");
    mapper.scriptFileName_ = database + KxString(".SQL");
    mapper.commandText_ = "d";
    mapper.optionText_ = "ri";
    mapper.commandKind_ = KXG_MAPPER_CMD_DROP;

    const KxString descriptor = base != nullptr ? base->GetDescriptor() : database;
    if (KxBase::KELVOX()->CallLoginFunc(&mapper.user_, &mapper.password_, 0, &descriptor) != 1) {
        return mapper.Finish(KXG_E_LOGIN_REFUSED);
    }
    mapper.userGiven_ = true;

    KxParameterList list;
    if (params != nullptr) {
        for (const KxParameter& parameter : *params) {
            list.Append(parameter.name, parameter.value, parameter.flags);
        }
    }
    int32_t result = mapper.OpenFiles();
    if (result != KXG_E_LOG_FILE) {
        mapper.EchoParameters();
    }
    if (result == 0) {
        mapper.OpenTrace();
        result = mapper.LoadAdapter(&list);
    }
    bool opened = false;
    if (result == 0) {
        KxGDatabase& db = *mapper.database_;
        db.SetAutoCommit(1);
        db.SetUser(&mapper.user_);
        db.SetPassword(&mapper.password_);
        mapper.loginDone_ = true;
        auto adapterCode = [&db]() {
            const int32_t code = db.GetError()->ErrorCode();
            return code != 0 ? code : KXG_E_RDBMS;
        };
        if (db.OpenConnection() == 0) {
            mapper.nativeCode_ = db.GetError()->NativeCode();
            result = adapterCode();
        } else {
            opened = true;
            mapper.connect_ = true;
            KxGRootblock rootblock(&db);
            if (rootblock.GetAllValues() != 0) {
                result = adapterCode();
            } else {
                KxString dictionaryServer(KX_DEFAULT_DICTIONARY_SERVER);
                rootblock.GetValue(KxGRootblock::GetDictionaryStamp(), &mapper.facts_.dictionaryStamp);
                rootblock.GetValue(KxGRootblock::GetDictionaryName(), &mapper.facts_.dictionaryName);
                rootblock.GetValue(KxGRootblock::GetDictionaryServer(), &dictionaryServer);
                rootblock.GetValue(KxGRootblock::GetDictionaryModifyStamp(), &mapper.facts_.dictionaryModifyStamp);
                mapper.dictionaryName_ = mapper.facts_.dictionaryName;
                mapper.dictionaryServer_ = dictionaryServer;
                KxString error;
                const int32_t found = KxBase::KELVOX()->GetDictionary(mapper.dictionaryServer_, mapper.dictionaryName_,
                                                                      mapper.dictionary_, &error);
                if (found != 0 || mapper.dictionary_ == nullptr) {
                    mapper.dictionary_ = nullptr;
                    mapper.nativeCode_ = found;
                    result = KXG_E_DICTIONARY_OPEN;
                }
            }
            int32_t clientId = 0;
            if (result == 0) {
                KxString clientName(KxString::EmptyString());
                KxString registered(server);
                if (db.GetConnectionId(&clientId) == 0 ||
                    db.RegisterConnection(&registered, &clientId, &clientName, 1, 1, 0) == 0) {
                    result = adapterCode();
                }
            }
            if (result == 0) {
                mapper.externalConnection_ = true;
                std::unique_ptr<KxGClassMapperCmd> command = mapper.MakeCommand(KXG_MAPPER_CMD_DROP);
                result = command ? command->Run() : KXG_E_MAPPER_FATAL;
                command.reset();
                mapper.externalConnection_ = false;
                if (result < 0) {
                    db.RollbackConnection();
                    mapper.Report(result, KxString::EmptyString(), mapper.nativeCode_);
                } else {
                    db.CommitConnection();
                }
            }
        }
    }
    if (opened) {
        mapper.database_->CloseConnection();
    }
    mapper.connect_ = false;
    if (mapper.dictionary_ != nullptr) {
        KxBase::KELVOX()->ReleaseDictionary(mapper.dictionary_);
        mapper.dictionary_ = nullptr;
    }
    if (result == 0 && mapper.log_->GetErrorCount() > 0) {
        result = KXG_E_MAPPER_EXECUTE;
        mapper.lastReported_ = result;
    }
    result = mapper.Finish(result);
    mapper.DestroyDatabase();
    mapper.CloseTrace();
    return result;
}
