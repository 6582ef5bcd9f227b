// The Oracle database object's connection: opening (log-on, user check, character-set configuration,
// start-up parameters, session id) and closing, commit and rollback, client registration in
// ACTIVECLIENTS with the removal of stale clients, the liveness test, the check of table names and the
// creation of a database user.
#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxConfig.h"
#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraDatabaseSupport.h"
#include "KxGOraStatementHdl.h"
#include "KxGOraTypeHdl.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaConstants.h"
#include "KxGStatement.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGatewayClient.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "oci.h"

using kxgora::FetchResult;
using kxgora::Record;

namespace {

// Gateway and kernel statuses of this file.

// Oracle's "table or view does not exist".
constexpr int32_t kOraTableMissing = 942;

// From this gateway version on, ACTIVECLIENTS has the client name, connection id and open mode.
constexpr int32_t kClientColumnsVersion = 272;

// Sizes of the character buffers of the character-set queries.
constexpr int32_t kCharacterSetSize = 32;
constexpr int32_t kUnicodeProbeSize = 6;
constexpr int32_t kEightBitProbeSize = 1;

// Length of a generated password: 8 to 29 upper-case letters.
constexpr int kPasswordMinLength = 8;
constexpr int kPasswordMaxLength = 29;

// Start-up parameter keys and values.
const char* const kInitCommandKey = "KxSQL_INIT_CMD";
const char* const kOpenCommandKey = "KxSQL_OPEN_CMD";
const char* const kTraceKey = "KxSQL_TRACE";

// The owners that no gateway schema may have.
const char* const kReservedOwners[] = {"SYSTEM", "SYS", "SYSMAN", "KELVOX"};

// Deletes statement handles the way the gateway does.
struct HandleDisposer {
    void operator()(KxGStatementHdl* handle) const { handle->Destroy(nullptr); }
};
using HandlePtr = std::unique_ptr<KxGStatementHdl, HandleDisposer>;

// Undoes the steps of a log-on that did not complete: ends a begun session and detaches an attached
// server, without reports. Runs when the log-on fails, also when a report throws.
class OpenUndo {
public:
    OpenUndo(OCISvcCtx* service, OCIError* error, OCIServer* server, OCISession* session)
        : service_(service), error_(error), server_(server), session_(session)
    {
    }
    ~OpenUndo()
    {
        if (done_) {
            return;
        }
        if (sessionBegun_) {
            OCISessionEnd(service_, error_, session_, OCI_DEFAULT);
        }
        if (attached_) {
            OCIServerDetach(server_, error_, OCI_DEFAULT);
        }
    }
    OpenUndo(const OpenUndo&) = delete;
    OpenUndo& operator=(const OpenUndo&) = delete;

    void Attached() { attached_ = true; }
    void SessionBegun() { sessionBegun_ = true; }
    void Done() { done_ = true; }

private:
    OCISvcCtx* service_;
    OCIError* error_;
    OCIServer* server_;
    OCISession* session_;
    bool attached_ = false;
    bool sessionBegun_ = false;
    bool done_ = false;
};

// Reads an unsigned 16-bit key: first in the database's section (when there is one), then at the top
// level of the configuration.
bool ReadUnicodeKey(const KxConfig& config, const KxString* databaseName, const char* key, uint16_t& value)
{
    const KxString name(key);
    if (databaseName != nullptr && !databaseName->IsEmpty()) {
        const KxString path[] = {KxString("databases"), *databaseName, KxString("RelationalObjectGateway"),
                                 KxString()};
        if (config.Get(name, value, path) == 0) {
            return true;
        }
    }
    return config.Get(name, value, nullptr) == 0;
}

enum class CharacterSetKind { Unicode, SevenBit, Other };

CharacterSetKind Classify(const std::string& characterSet)
{
    for (const char* unicode : {"AL32UTF8", "AL24UTFFSS", "UTF8"}) {
        if (characterSet == unicode) {
            return CharacterSetKind::Unicode;
        }
    }
    for (const char* sevenBit : {"US7ASCII", "SF7ASCII", "AR7AMEER", "AR7SEDCOT"}) {
        if (characterSet == sevenBit) {
            return CharacterSetKind::SevenBit;
        }
    }
    if (characterSet.find("7SIEMENS") != std::string::npos || characterSet.find("7DEC") != std::string::npos) {
        return CharacterSetKind::SevenBit;
    }
    return CharacterSetKind::Other;
}

// A password of 8 to 29 upper-case letters drawn from the system's secure random source.
KxString MakePassword()
{
    std::random_device source;
    std::uniform_int_distribution<int> length(kPasswordMinLength, kPasswordMaxLength);
    std::uniform_int_distribution<int> letter(0, 25);
    std::string text(static_cast<size_t>(length(source)), 'A');
    for (char& c : text) {
        c = static_cast<char>('A' + letter(source));
    }
    return KxString(text);
}

// A statement text without trailing blanks and semicolons.
KxString Trimmed(const KxString& statement)
{
    std::string text(statement.StrGet());
    while (!text.empty() && (text.back() == ';' || text.back() == ' ' || text.back() == '\t' ||
                             text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return KxString(text);
}

// The statements that make a new database user with the rights of a gateway schema; log receives
// them, one a line. The first failure stops the run; an empty statement counts as success.
uint16_t RunCreateStatements(KxGOraDatabase& database, const KxString& name, const KxString& password,
                             KxString& log)
{
    KxString createUser("CREATE USER ");
    createUser << name << " IDENTIFIED BY " << password
               << " DEFAULT TABLESPACE USERS TEMPORARY TABLESPACE TEMP  PROFILE DEFAULT";
    const KxString statements[] = {
        createUser,
        KxString("ALTER USER ") + name + KxString(" DEFAULT ROLE ALL\t"),
        KxString("GRANT UNLIMITED TABLESPACE TO ") + name,
        KxString("GRANT CONNECT TO ") + name,
        KxString("GRANT RESOURCE TO ") + name,
        KxString("GRANT CREATE ROLE TO ") + name,
        KxString("GRANT CREATE VIEW TO ") + name,
    };
    HandlePtr handle;
    bool first = true;
    for (const KxString& statement : statements) {
        const KxString text = Trimmed(statement);
        if (first) {
            log = text;
        } else {
            log << "\n" << text;
        }
        first = false;
        if (text.IsEmpty()) {
            continue;
        }
        KxGStatementTemplate statementTemplate(text);
        if (handle == nullptr) {
            handle.reset(database.CreateStatementHdl(&statementTemplate));
            if (handle == nullptr || handle->Execute(1) == 0) {
                return 0;
            }
        } else if (static_cast<KxGOraStatementHdl*>(handle.get())->ExecDirect(&statementTemplate) == 0) {
            return 0;
        }
    }
    return 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Opening and closing

uint16_t KxGOraDatabase::OpenConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "OpenConnection");
    if (CheckHandles() == 0) {
        return 0;
    }
    if (sessionOpen_) {
        Record(tag, KxString("the connection is open already"));
        return 1;
    }
    {
        OpenUndo undo(serviceContext_, errorHandle_, serverHandle_, sessionHandle_);
        sword status = OCI_SUCCESS;
        if (server_ == KxString(KXG_ORA_LOCAL_SERVER)) {
            status = OCIServerAttach(serverHandle_, errorHandle_, nullptr, 0, OCI_DEFAULT);
        } else {
            const char* name = server_.StrGet();
            status = OCIServerAttach(serverHandle_, errorHandle_, reinterpret_cast<const OraText*>(name),
                                     static_cast<sb4>(std::strlen(name)), OCI_DEFAULT);
        }
        if (status != OCI_SUCCESS) {
            return Report(status);
        }
        undo.Attached();

        status = OCIAttrSet(serviceContext_, OCI_HTYPE_SVCCTX, serverHandle_, 0, OCI_ATTR_SERVER, errorHandle_);
        if (status != OCI_SUCCESS) {
            return Report(status);
        }
        const char* user = user_.StrGet();
        status = OCIAttrSet(sessionHandle_, OCI_HTYPE_SESSION, const_cast<char*>(user),
                            static_cast<ub4>(std::strlen(user)), OCI_ATTR_USERNAME, errorHandle_);
        if (status != OCI_SUCCESS) {
            return Report(status);
        }
        const char* password = password_.StrGet();
        status = OCIAttrSet(sessionHandle_, OCI_HTYPE_SESSION, const_cast<char*>(password),
                            static_cast<ub4>(std::strlen(password)), OCI_ATTR_PASSWORD, errorHandle_);
        if (status != OCI_SUCCESS) {
            return Report(status);
        }
        status = OCISessionBegin(serviceContext_, errorHandle_, sessionHandle_, OCI_CRED_RDBMS, OCI_DEFAULT);
        if (status != OCI_SUCCESS) {
            return Report(status);
        }
        undo.SessionBegun();
        status = OCIAttrSet(serviceContext_, OCI_HTYPE_SVCCTX, sessionHandle_, 0, OCI_ATTR_SESSION, errorHandle_);
        if (status != OCI_SUCCESS) {
            return Report(status);
        }
        undo.Done();
        attached_ = true;
        sessionOpen_ = true;
    }

    // Behind the log-on a failure closes the connection again, also when a report throws.
    bool opened = false;
    try {
        opened = (openChecks_ == 0 || (CheckUser() != 0 && ConfigureUnicode() != 0)) &&
                 ProcessStartupParameters() != 0 && GetConnectionId(nullptr) != 0;
    } catch (...) {
        CloseQuietly();
        throw;
    }
    if (!opened) {
        CloseConnection();
        return 0;
    }
    if (trace_ != nullptr) {
        KxString text("connection id: ");
        text << connectionId_;
        Record(tag, text);
    }
    return 1;
}

void KxGOraDatabase::CloseQuietly()
{
    try {
        CloseConnection();
    } catch (...) {
        // The exception that is unwinding is the one to pass on.
    }
}

void KxGOraDatabase::CloseConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "CloseConnection");
    KxString text("connection id: ");
    text << connectionId_;
    Record(tag, text);
    if (cache_ != nullptr) {
        cache_->FreeAllStatementHdls();
    }
    if (!attached_ && !sessionOpen_) {
        connectionId_ = 0;
        return;
    }

    // The session is ended and the server detached whatever a report in between does. A handle whose
    // end or detach failed may still hold its session or server: it is replaced by a fresh one, so
    // that the next OpenConnection starts clean. The id of the ended session is forgotten.
    struct CloseSteps {
        KxGOraDatabase& self;
        bool ended = false;
        bool endFailed = false;
        bool detached = false;
        bool detachFailed = false;
        ~CloseSteps()
        {
            if (self.sessionOpen_ && !ended) {
                endFailed = OCISessionEnd(self.serviceContext_, self.errorHandle_, self.sessionHandle_,
                                          OCI_DEFAULT) != OCI_SUCCESS;
            }
            if (self.attached_ && !detached) {
                detachFailed =
                    OCIServerDetach(self.serverHandle_, self.errorHandle_, OCI_DEFAULT) != OCI_SUCCESS;
            }
            self.sessionOpen_ = false;
            self.attached_ = false;
            self.connectionId_ = 0;
            if (endFailed) {
                self.RenewHandle(OCI_HTYPE_SESSION);
            }
            if (detachFailed) {
                self.RenewHandle(OCI_HTYPE_SERVER);
            }
        }
    } steps{*this};

    if (sessionOpen_) {
        RollbackConnection();
        steps.ended = true;
        const sword status = OCISessionEnd(serviceContext_, errorHandle_, sessionHandle_, OCI_DEFAULT);
        if (status != OCI_SUCCESS) {
            steps.endFailed = true;
            Report(status);
        }
    }
    if (attached_) {
        steps.detached = true;
        const sword status = OCIServerDetach(serverHandle_, errorHandle_, OCI_DEFAULT);
        if (status != OCI_SUCCESS) {
            steps.detachFailed = true;
            Report(status);
        }
    }
}

void KxGOraDatabase::RenewHandle(uint32_t type)
{
    void** handle = type == OCI_HTYPE_SESSION ? reinterpret_cast<void**>(&sessionHandle_)
                                              : reinterpret_cast<void**>(&serverHandle_);
    if (*handle != nullptr) {
        OCIHandleFree(*handle, type);
        *handle = nullptr;
    }
    const sword status = OCIHandleAlloc(environment_, handle, type, 0, nullptr);
    if (status != OCI_SUCCESS || *handle == nullptr) {
        *handle = nullptr;
        handleFailure_ = type == OCI_HTYPE_SESSION ? "the OCI session handle could not be allocated"
                                                   : "the OCI server handle could not be allocated";
        handleStatus_ = status;
    }
}

uint16_t KxGOraDatabase::CommitConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "CommitConnection");
    KxString text("connection id: ");
    text << connectionId_ << " ocom";
    Record(tag, text);
    if (CheckHandles() == 0) {
        return 0;
    }
    const sword status = OCITransCommit(serviceContext_, errorHandle_, OCI_DEFAULT);
    return status == OCI_SUCCESS ? 1 : Report(status);
}

uint16_t KxGOraDatabase::RollbackConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "RollbackConnection");
    KxString text("connection id: ");
    text << connectionId_ << " orol";
    Record(tag, text);
    if (CheckHandles() == 0) {
        return 0;
    }
    const sword status = OCITransRollback(serviceContext_, errorHandle_, OCI_DEFAULT);
    return status == OCI_SUCCESS ? 1 : Report(status);
}

// ---------------------------------------------------------------------------------------------------
// The steps of the open behind the log-on

bool KxGOraDatabase::IsValidName(const KxString& name)
{
    return KxGOraDatabaseInfo::IsIdentifier(name);
}

bool KxGOraDatabase::CheckedSchema(KxString& schema)
{
    if (!IsValidName(database_)) {
        KxString text("Invalid database name: ");
        text << database_;
        ReportError(KXG_E_INVALID_DATABASE_NAME, text.StrGet());
        return false;
    }
    schema = database_;
    return true;
}

uint16_t KxGOraDatabase::CheckUser()
{
    // A name that is no Oracle name names no user: nothing is sent.
    if (!IsValidName(database_)) {
        ReportError(KXG_E_NO_SUCH_DATABASE, nullptr);
        return 0;
    }
    KxString text("SELECT COUNT(*) FROM ALL_USERS WHERE USERNAME=UPPER('");
    text << database_ << "')";
    int32_t count = 0;
    if (kxgora::SelectInteger(*this, text, count) != FetchResult::Row) {
        return 0;
    }
    if (count != 1) {
        ReportError(KXG_E_NO_SUCH_DATABASE, nullptr);
        return 0;
    }
    return 1;
}

uint16_t KxGOraDatabase::ConfigureUnicode()
{
    KxRoot* root = KxBase::KELVOX();
    const KxConfig* config = root != nullptr ? root->GetConfig() : nullptr;
    if (config != nullptr) {
        KxString databaseName;
        if (base_ != nullptr) {
            databaseName = KxGDatabaseNameOf(base_->GetLogicalName());
        }
        const KxString* section = base_ != nullptr ? &databaseName : nullptr;
        uint16_t onlyServerUnicode = 0;
        uint16_t clientUnicode = 0;
        const bool haveServer = ReadUnicodeKey(*config, section, "onlyServerUnicode", onlyServerUnicode);
        const bool haveClient = ReadUnicodeKey(*config, section, "clientUnicode", clientUnicode);
        if (haveServer && haveClient) {
            KxGOraTypeHdl::SetUnicodeFlags(onlyServerUnicode, clientUnicode);
            return 1;
        }
    }

    std::string characterSet;
    const FetchResult found = kxgora::SelectCharacters(
        *this, KxString("SELECT VALUE FROM V$NLS_PARAMETERS WHERE PARAMETER = 'NLS_CHARACTERSET'"),
        kCharacterSetSize, characterSet);
    if (found == FetchResult::Failed || found == FetchResult::FetchFailed) {
        return 0;
    }
    const CharacterSetKind kind = found == FetchResult::Row ? Classify(characterSet) : CharacterSetKind::Other;
    if (kind == CharacterSetKind::SevenBit) {
        return 1;
    }
    std::string arrived;
    if (kind == CharacterSetKind::Unicode) {
        // The server's UTF-8 bytes of U+03A9 arrive unchanged only at a UTF-8 client.
        const FetchResult probe =
            kxgora::SelectCharacters(*this, KxString("SELECT CHR(52905) FROM DUAL"), kUnicodeProbeSize, arrived);
        if (probe == FetchResult::Failed || probe == FetchResult::FetchFailed) {
            return 0;
        }
        const bool unchanged = arrived.size() >= 2 && static_cast<unsigned char>(arrived[0]) == 0xCE &&
                               static_cast<unsigned char>(arrived[1]) == 0xA9;
        KxGOraTypeHdl::SetUnicodeFlags(unchanged ? 0 : 1, unchanged ? 1 : 0);
        return 1;
    }
    // An 8-bit server: CHR(252) arrives as one byte at an 8-bit client; a UTF-8 client receives two
    // bytes, of which the one-byte buffer keeps the first (the cut is not an error).
    const FetchResult probe =
        kxgora::SelectCharacters(*this, KxString("SELECT CHR(252) FROM DUAL"), kEightBitProbeSize, arrived);
    if (probe == FetchResult::Failed || probe == FetchResult::FetchFailed) {
        return 0;
    }
    const unsigned char byte = arrived.empty() ? 0 : static_cast<unsigned char>(arrived[0]);
    const bool eightBit = byte == 0xFC || byte == 0x7C || byte == 0x75;
    KxGOraTypeHdl::SetUnicodeFlags(0, eightBit ? 0 : 1);
    return 1;
}

uint16_t KxGOraDatabase::ProcessStartupParameters()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "ProcessStartupParameter");
    // The trace is off during start-up unless a pair switches it on; whatever happens, the saved trace
    // is put back at the end (cleared for good by the value "OFF").
    struct TraceRestore {
        KxGOraDatabase& self;
        KxGDatabaseTrace* saved;
        ~TraceRestore() { self.trace_ = saved; }
    } restore{*this, trace_};
    trace_ = nullptr;
    if (parameters_ == nullptr) {
        return 1;
    }

    KxGDatabaseTrace* during = nullptr;
    HandlePtr handle;
    bool ran = false;
    bool failed = false;
    // Errors are reported with the saved trace in place.
    auto fail = [&](int32_t code, const KxString& text) {
        failed = true;
        trace_ = restore.saved;
        ReportError(code, text.StrGet());
        trace_ = during;
    };
    for (const KxParameter& pair : *parameters_) {
        if (failed) {
            break;
        }
        const KxString& key = pair.name;
        const KxString& value = pair.value;
        const bool initCommand = key == KxString(kInitCommandKey);
        if (initCommand || key == KxString(kOpenCommandKey)) {
            if (initCommand && openChecks_ == 0) {
                continue;
            }
            if (value.IsEmpty()) {
                fail(KXG_E_STARTUP_VALUE, KxString("Startup parameter value is invalid for key ") + key);
                continue;
            }
            KxGStatementTemplate command(value);
            if (handle == nullptr) {
                handle.reset(CreateStatementHdl(&command));
                if (handle == nullptr) {
                    continue;
                }
            }
            ran = true;
            if (static_cast<KxGOraStatementHdl*>(handle.get())->ExecDirect(&command) == 0) {
                fail(KXG_E_STARTUP_COMMAND, KxString("Startup command failed"));
            }
        } else if (key == KxString(kTraceKey)) {
            if (value.IsEmpty()) {
                fail(KXG_E_STARTUP_VALUE, KxString("Startup parameter value is invalid for key ") + key);
                continue;
            }
            KxString upper(value);
            upper.ToUpper();
            if (value == KxString("OFF")) {
                during = nullptr;
                restore.saved = nullptr;
                trace_ = nullptr;
            } else if (upper == KxString("ON")) {
                during = restore.saved;
                trace_ = during;
            }
        } else {
            fail(KXG_E_STARTUP_KEY, KxString("Invalid parameter key: ") + key);
        }
    }
    handle.reset();
    if (ran) {
        if (failed) {
            RollbackConnection();
        } else {
            CommitConnection();
        }
    }
    return failed ? 0 : 1;
}

uint16_t KxGOraDatabase::GetConnectionId(int32_t* id)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "GetConnectionId");
    if (connectionId_ != 0) {
        if (id != nullptr) {
            *id = connectionId_;
        }
        return 1;
    }
    int32_t value = 0;
    const FetchResult result = kxgora::SelectInteger(*this, KxString("SELECT USERENV('SESSIONID') FROM DUAL"), value);
    if (result == FetchResult::Row) {
        connectionId_ = value;
        if (id != nullptr) {
            *id = value;
        }
        return 1;
    }
    if (result != FetchResult::NoRow && error_->NativeCode() == kOraTableMissing) {
        ReportError(KXG_E_NOT_PRIVILEGED, nullptr);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Client registration

uint16_t KxGOraDatabase::ExecuteText(const KxString& text)
{
    KxGStoreStatementTemplate statementTemplate(text);
    KxGStoreStatement statement(this, &statementTemplate, 0);
    return statement.Execute();
}

uint16_t KxGOraDatabase::CheckLockObjects(const KxString& schema)
{
    KxString text("SELECT COUNT(*) FROM ALL_OBJECTS WHERE STATUS ='INVALID' AND OWNER=UPPER('");
    text << schema
         << "') AND (OBJECT_NAME IN ('ACQUIRE_LOCK', 'RELEASE_LOCK') OR OBJECT_NAME LIKE '%_TRG')";
    int32_t count = 0;
    if (kxgora::SelectInteger(*this, text, count) != FetchResult::Row) {
        return 0;
    }
    if (count != 0) {
        ReportError(KXG_E_INVALID_SCHEMA_OBJECTS, nullptr);
        return 0;
    }
    return 1;
}

void KxGOraDatabase::RemoveStaleClients(const KxString& schema)
{
    KxString clients("SELECT CONNECTION_ID FROM ");
    clients << schema << "." << KxGSchemaConstants::GetActiveClientsTable() << " ORDER BY CONNECTION_ID";
    std::vector<int64_t> registered;
    if (!kxgora::SelectInt64Column(*this, clients, registered) || registered.empty()) {
        return;
    }
    std::vector<int64_t> sessions;
    if (!kxgora::SelectInt64Column(
            *this, KxString("SELECT AUDSID FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED' ORDER BY AUDSID"),
            sessions)) {
        return;
    }
    std::sort(registered.begin(), registered.end());
    std::sort(sessions.begin(), sessions.end());
    std::vector<int64_t> stale;
    int32_t unknown = 0;
    auto session = sessions.begin();
    for (int64_t id : registered) {
        if (id == 0) {
            // Rows written below version 272 carry no connection id: whether their client lives
            // cannot be told, so they stay (a crashed client's row then stays too).
            ++unknown;
            continue;
        }
        while (session != sessions.end() && *session < id) {
            ++session;
        }
        const bool live = session != sessions.end() && *session == id;
        if (!live && (stale.empty() || stale.back() != id)) {
            stale.push_back(id);
        }
    }
    if (unknown > 0) {
        KxGTraceTag tag(*this, KXG_TRACE_DBA, "RemoveStaleClients");
        KxString text("kept ");
        text << unknown << " client row(s) without connection id";
        Record(tag, text);
    }
    if (stale.empty()) {
        return;
    }
    KxString remove("DELETE FROM ");
    remove << schema << "." << KxGSchemaConstants::GetActiveClientsTable() << " WHERE CONNECTION_ID = :1";
    if (kxgora::ExecuteInt64Array(*this, remove, stale)) {
        if (CommitConnection() == 0) {
            error_->Clear();
        }
    } else {
        RollbackConnection();
    }
}

uint16_t KxGOraDatabase::RegisterConnection(KxString* /*server*/, int32_t* clientId, KxString* clientName,
                                            int32_t pooled, int32_t localMode, int32_t /*exclusive*/)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "RegisterConnection");
    const int32_t given = clientId != nullptr ? *clientId : 0;
    {
        KxString text("connection id: ");
        text << connectionId_ << "\nclient id:     " << given;
        Record(tag, text);
    }
    const bool clientColumns = gatewayVersion_ >= kClientColumnsVersion;
    if (pooled != 0 && !clientColumns) {
        return 1;
    }
    KxString schema;
    if (!CheckedSchema(schema)) {
        return 0;
    }
    if (pooled == 0) {
        if (CheckLockObjects(schema) == 0) {
            return 0;
        }
        RemoveStaleClients(schema);
    }
    if (clientColumns && pooled == 0) {
        KxString text("SELECT COUNT(*) FROM ");
        text << schema << "." << KxGSchemaConstants::GetActiveClientsTable();
        if (localMode == 0) {
            text << " WHERE OPEN_MODE ='LOCAL'";
        }
        int32_t count = 0;
        const FetchResult result = kxgora::SelectInteger(*this, text, count);
        if (result == FetchResult::Failed) {
            // The count is the first statement on ACTIVECLIENTS: a missing table shows here.
            if (error_->NativeCode() == kOraTableMissing) {
                ReportError(KXG_E_NO_SCHEMA, nullptr);
            }
            return 0;
        }
        if (result == FetchResult::Row && count != 0) {
            ReportError(KXG_E_LOCAL_MODE_CONFLICT, nullptr);
            return 0;
        }
    }

    int32_t id = given;
    KxString insert("INSERT INTO ");
    if (!clientColumns) {
        id = connectionId_;
        insert << schema << "." << KxGSchemaConstants::GetActiveClientsTable() << " (CLIENTID) VALUES (" << id << ")";
    } else {
        if (pooled == 0) {
            id = connectionId_;
        }
        const KxString name = clientName != nullptr && clientName->IsActive()
                                  ? clientName->Left(KxGSchemaConstants::GetClientNameLen())
                                  : KxString::EmptyString();
        insert << schema << "." << KxGSchemaConstants::GetActiveClientsTable()
               << " (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (" << id << ", ";
        KxGAppendLiteral(insert, name);
        insert << ", " << connectionId_ << (localMode != 0 ? ", 'LOCAL')" : ", 'DEFAULT')");
    }
    if (clientId != nullptr) {
        *clientId = id;
    }
    const uint16_t inserted = ExecuteText(insert);
    if (inserted == 0) {
        if (error_->NativeCode() == kOraTableMissing) {
            ReportError(KXG_E_NO_SCHEMA, nullptr);
        }
        RollbackConnection();
        return 0;
    }
    // A registration that is not committed is no registration.
    return CommitConnection();
}

uint16_t KxGOraDatabase::UnregisterConnection(int32_t clientId)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "UnregisterConnection");
    {
        KxString text("connection id: ");
        text << connectionId_ << " client id: " << clientId << "\nrollback all noncommitted work";
        Record(tag, text);
    }
    uint16_t result = RollbackConnection();
    if (connectionId_ == 0) {
        return 1;
    }
    KxString schema;
    if (!CheckedSchema(schema)) {
        return 0;
    }
    KxString text("DELETE FROM ");
    if (gatewayVersion_ < kClientColumnsVersion) {
        text << schema << "." << KxGSchemaConstants::GetActiveClientsTable() << " WHERE CLIENTID = " << clientId;
    } else {
        text << schema << "." << KxGSchemaConstants::GetActiveClientsTable()
             << " WHERE CONNECTION_ID = " << connectionId_;
    }
    result = ExecuteText(text) != 0 ? CommitConnection() : 0;
    return result;
}

uint16_t KxGOraDatabase::TestConnectionAlive(int32_t mode)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "TestConnectionAlive");
    uint16_t alive = 1;
    if (mode != 0) {
        Record(tag, KxString("active test"));
        KxGSelectStatementTemplate query(KxString("SELECT 1 FROM DUAL"));
        KxGSelectStatement statement(this, &query, 0);
        alive = statement.Execute();
    }
    KxString text("Connection ");
    text << connectionId_ << (alive != 0 ? " valid" : " invalid");
    Record(tag, text);
    return alive;
}

// ---------------------------------------------------------------------------------------------------
// Names and database creation

int32_t KxGOraDatabase::CheckTableName(KxString* name, int32_t mode)
{
    if (name == nullptr) {
        return 0;
    }
    KxString upper(*name);
    upper.ToUpper();
    const bool gatewayTable = KxGSchemaConstants::IsGatewayTable(upper);
    if (mode == KXG_NAME_TABLE) {
        if (gatewayTable) {
            return KXG_E_RESERVED_NAME;
        }
        return upper == database_ ? KXG_E_INVALID_DATABASE_NAME : 0;
    }
    if (mode == KXG_NAME_SCHEMA) {
        for (const char* owner : kReservedOwners) {
            if (upper == KxString(owner)) {
                return KXG_E_INVALID_DATABASE_NAME;
            }
        }
        return gatewayTable ? KXG_E_INVALID_DATABASE_NAME : 0;
    }
    return 0;
}

int32_t KxGOraDatabase::CreateDatabase(KxString* log, int32_t /*extra*/)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "CreateDatabase");
    {
        KxString text("database name: ");
        text << database_;
        Record(tag, text);
    }
    KxString scratch;
    KxString& out = log != nullptr ? *log : scratch;
    const KxString newName(database_);
    if (!IsValidName(newName)) {
        KxString text("Invalid database name: ");
        text << newName;
        ReportError(KXG_E_INVALID_DATABASE_NAME, text.StrGet());
        return 0;
    }
    KxString password;
    try {
        password = MakePassword();
    } catch (const std::exception& failure) {
        KxString text("No secure random source for the password: ");
        text << failure.what();
        ReportError(KXG_E_CANNOT_CREATE_DATABASE, text.StrGet());
        return 0;
    }

    // The object works as the administrator who logs on; its database name is put back unless the
    // creation succeeds, also when a report throws.
    struct Names {
        KxGOraDatabase& self;
        KxString database;
        bool created = false;
        ~Names()
        {
            if (!created) {
                self.database_ = database;
            }
        }
    } names{*this, database_};
    database_ = user_;
    if (OpenConnection() == 0) {
        return 0;
    }

    uint16_t flag = 0;
    try {
        int32_t count = 0;
        const FetchResult site = kxgora::SelectInteger(
            *this,
            KxString("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE='PROCEDURE' AND "
                     "OBJECT_NAME='ROG_CREATE_BASE'"),
            count);
        if (site == FetchResult::Row && count != 0) {
            KxString call("BEGIN ROG_CREATE_BASE('");
            call << newName << "', :1); END;";
            out << call;
            flag = kxgora::ExecuteWithText(*this, call, password);
        } else if (site == FetchResult::Row || site == FetchResult::NoRow) {
            flag = RunCreateStatements(*this, newName, password, out);
        }
        if (flag != 0) {
            flag = CommitConnection();
        }
    } catch (...) {
        CloseQuietly();
        throw;
    }
    CloseConnection();
    if (flag != 0) {
        names.created = true;
        database_ = newName;
        user_ = newName;
        password_ = password;
    }
    out << "\n";
    return flag;
}
