// The DB2 database object: connection, registration, database creation and the factories.
#include "KxGDB2Database.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "KxGDB2CompoundStatement.h"
#include "KxGDB2DatabaseInfo.h"
#include "KxGDB2Module.h"
#include "KxGDB2StatementHdl.h"
#include "KxGDB2TypeHdlMgr.h"
#include "KxGDatabaseTrace.h"
#include "KxGGenericLockService.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"

namespace {

void Record(const KxTraceTag& tag, const KxString& text)
{
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        trace->BeginCriticalSection();
        *trace << text << '\n';
        trace->EndCriticalSection();
    }
}

SQLCHAR* Sql(const KxString& text)
{
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.StrGet()));
}

// A value placed between single quotes: each ' doubled.
KxString Quoted(const KxString& value)
{
    KxString out("'");
    for (const char* p = value.StrGet(); *p != '\0'; ++p) {
        out << *p;
        if (*p == '\'') {
            out << '\'';
        }
    }
    out << '\'';
    return out;
}

}  // namespace

KxGDB2Database::KxGDB2Database(const KxString& server, const KxString& database, const KxString& user,
                               const KxString& password, KxBase* base)
    : KxGCommonDatabase(server, database, user, password, base), error_(std::make_unique<KxGDB2DatabaseError>())
{
    server_.ToUpper();
    database_.ToUpper();
    info_ = std::make_unique<KxGDB2DatabaseInfo>(this);
    cache_ = std::make_unique<KxGStatementHdlCache>(this, GetMaxStatementHandle(database));
}

KxGDB2Database::~KxGDB2Database()
{
    cache_.reset();
    info_.reset();
    typeHdlMgr_.reset();
    if (connection_ != SQL_NULL_HDBC) {
        // Work still open is not kept: the server refuses to disconnect from an open transaction.
        SQLTransact(KxGDB2Environment(), connection_, SQL_ROLLBACK);
        SQLDisconnect(connection_);
        FreeConnection();
    }
    trace_ = nullptr;
}

void KxGDB2Database::FreeConnection()
{
    if (connection_ != SQL_NULL_HDBC) {
        SQLFreeHandle(SQL_HANDLE_DBC, connection_);
        connection_ = SQL_NULL_HDBC;
    }
}

// ---------------------------------------------------------------------------------------------------
// Errors

void KxGDB2Database::Report(SQLRETURN result, SQLHSTMT statement)
{
    if (result != SQL_INVALID_HANDLE) {
        if (statement != SQL_NULL_HSTMT) {
            error_->FetchDiagnostics(SQL_HANDLE_STMT, statement);
        } else {
            error_->FetchDiagnostics(SQL_HANDLE_DBC, connection_);
        }
    }
    if (trace_ != nullptr) {
        KxGDatabaseTrace& t = *trace_;
        t.BeginCriticalSection();
        t << (result <= 0 ? "\n<Error>Error" : "\n<Warning>Warning") << " Statement Handle["
          << static_cast<int32_t>(statement) << "]" << "\n";
        error_->Dump(t);
        t << (result <= 0 ? "\n</Error error=" : "\n</Warning warning=") << static_cast<int32_t>(result) << ">";
        t.Flush();
        t.EndCriticalSection();
    }
}

void KxGDB2Database::ReportError(int32_t code, const char* message)
{
    error_->SetError(-code, message);
    if (trace_ != nullptr) {
        KxGDatabaseTrace& t = *trace_;
        t.BeginCriticalSection();
        t << (code < 0 ? "\n<Error>Error\n" : "\n<Warning>Warning\n");
        error_->Dump(t);
        t << (code < 0 ? "\n</Error error=" : "\n</Warning warning=") << code << ">";
        t.Flush();
        t.EndCriticalSection();
    }
}

bool KxGDB2Database::CheckedSchema()
{
    const char* name = database_.StrGet();
    const size_t length = std::strlen(name);
    bool ok = length > 0 && length <= static_cast<size_t>(KXG_DB2_MAX_SCHEMA_NAME_LENGTH);
    for (const char* p = name; ok && *p != '\0'; ++p) {
        const char c = *p;
        ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
             c == '#';
    }
    if (!ok) {
        ReportError(KXG_E_INVALID_DATABASE_NAME, (KxString("Invalid database name: ") << database_).StrGet());
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------------
// Connection

uint16_t KxGDB2Database::OpenConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "OpenConnection");
    if (connection_ != SQL_NULL_HDBC) {
        return 1;
    }
    error_->Clear();
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, KxGDB2Environment(), &connection_);
    if (rc != SQL_SUCCESS) {
        connection_ = SQL_NULL_HDBC;
        Report(rc, SQL_NULL_HSTMT);
        return 0;
    }
    rc = SQLSetConnectOption(connection_, SQL_AUTOCOMMIT, autoCommit_ != 0 ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLSetConnectOption(connection_, SQL_NOSCAN, SQL_NOSCAN_ON);
    }
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLConnect(connection_, Sql(database_), SQL_NTS, Sql(user_), SQL_NTS, Sql(password_), SQL_NTS);
    }
    char version[11] = {};
    if (SQL_SUCCEEDED(rc)) {
        SQLSMALLINT length = 0;
        rc = SQLGetInfo(connection_, SQL_DBMS_VER, version, sizeof(version), &length);
    }
    if (!SQL_SUCCEEDED(rc)) {
        Report(rc, SQL_NULL_HSTMT);
        FreeConnection();
        return 0;
    }
    version[sizeof(version) - 1] = '\0';
    int major = 0;
    int minor = 0;
    int fix = 0;
    if (std::sscanf(version, "%2d.%2d.%4d", &major, &minor, &fix) >= 2) {
        serverMajor_ = major;
        serverMinor_ = minor;
    }
    int32_t id = 0;
    if (GetConnectionId(&id) == 0) {
        CloseConnection();
        return 0;
    }
    Record(tag, KxString("connection id: ") << id);
    return 1;
}

void KxGDB2Database::CloseConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "CloseConnection");
    if (cache_ != nullptr) {
        cache_->FreeAllStatementHdls();
    }
    if (connection_ == SQL_NULL_HDBC) {
        return;
    }
    if (RollbackConnection() == 0) {
        return;
    }
    const SQLRETURN rc = SQLDisconnect(connection_);
    if (!SQL_SUCCEEDED(rc)) {
        Report(rc, SQL_NULL_HSTMT);
        return;
    }
    FreeConnection();
    connectionId_ = 0;
}

bool KxGDB2Database::ParseConnectionId(const struct sqlca& ca, int32_t& id)
{
    int zeros = 0;
    size_t i = 0;
    for (; i < SQLCA_MESSAGE_TOKENS && zeros < 5; ++i) {
        if (ca.sqlerrmc[i] == '\0') {
            ++zeros;
        }
    }
    if (zeros < 5 || i >= SQLCA_MESSAGE_TOKENS) {
        return false;
    }
    int64_t value = 0;
    bool digits = false;
    for (; i < SQLCA_MESSAGE_TOKENS && ca.sqlerrmc[i] >= '0' && ca.sqlerrmc[i] <= '9'; ++i) {
        value = value * 10 + (ca.sqlerrmc[i] - '0');
        if (value > std::numeric_limits<int32_t>::max()) {
            return false;
        }
        digits = true;
    }
    if (!digits) {
        return false;
    }
    id = static_cast<int32_t>(value);
    return true;
}

uint16_t KxGDB2Database::GetConnectionId(int32_t* id)
{
    if (connectionId_ == 0) {
        KxGTraceTag tag(*this, KXG_TRACE_DBA, "GetConnectionId");
        struct sqlca ca = {};
        const SQLRETURN rc = SQLGetSQLCA(KxGDB2Environment(), connection_, SQL_NULL_HSTMT, &ca);
        if (rc != SQL_SUCCESS) {
            Report(rc, SQL_NULL_HSTMT);
            return 0;
        }
        int32_t value = 0;
        if (!ParseConnectionId(ca, value)) {
            ReportError(KXG_E_RDBMS, "The connection id could not be read");
            return 0;
        }
        connectionId_ = value;
    }
    if (id != nullptr) {
        *id = connectionId_;
    }
    return 1;
}

uint16_t KxGDB2Database::CommitConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "CommitConnection");
    Record(tag, KxString("connection id: ") << connectionId_ << " SQLTransact(SQL_COMMIT)");
    const SQLRETURN rc = SQLTransact(KxGDB2Environment(), connection_, SQL_COMMIT);
    if (!SQL_SUCCEEDED(rc)) {
        Report(rc, SQL_NULL_HSTMT);
        return 0;
    }
    return 1;
}

uint16_t KxGDB2Database::RollbackConnection()
{
    KxGTraceTag tag(*this, KXG_TRACE_TXN, "RollbackConnection");
    Record(tag, KxString("connection id: ") << connectionId_ << " SQLTransact(SQL_ROLLBACK)");
    const SQLRETURN rc = SQLTransact(KxGDB2Environment(), connection_, SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(rc)) {
        Report(rc, SQL_NULL_HSTMT);
        return 0;
    }
    return 1;
}

uint16_t KxGDB2Database::ExecuteDirect(const char* text)
{
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement);
    if (rc != SQL_SUCCESS) {
        Report(rc, SQL_NULL_HSTMT);
        return 0;
    }
    rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    uint16_t ok = 1;
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        Report(rc, statement);
        ok = 0;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return ok;
}

bool KxGDB2Database::SelectInteger(const char* text, int32_t& value)
{
    value = 0;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement);
    if (rc != SQL_SUCCESS) {
        Report(rc, SQL_NULL_HSTMT);
        return false;
    }
    SQLINTEGER result = 0;
    SQLLEN indicator = 0;
    rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLBindCol(statement, 1, SQL_C_LONG, &result, sizeof(result), &indicator);
    }
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLFetch(statement);
    }
    const bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    if (!ok) {
        Report(rc, statement);
    } else if (rc != SQL_NO_DATA && indicator != SQL_NULL_DATA) {
        value = result;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return ok;
}

bool KxGDB2Database::SelectBigints(const char* text, std::vector<int64_t>& values)
{
    values.clear();
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement);
    if (rc != SQL_SUCCESS) {
        Report(rc, SQL_NULL_HSTMT);
        return false;
    }
    SQLBIGINT result = 0;
    SQLLEN indicator = 0;
    rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLBindCol(statement, 1, SQL_C_SBIGINT, &result, sizeof(result), &indicator);
    }
    while (SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(rc = SQLFetch(statement))) {
        if (indicator != SQL_NULL_DATA) {
            values.push_back(result);
        }
    }
    const bool ok = rc == SQL_NO_DATA;
    if (!ok) {
        Report(rc, statement);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return ok;
}

void KxGDB2Database::RemoveStaleClients()
{
    KxString clients("SELECT CONNECTION_ID FROM ");
    clients << database_ << "." << KxGSchemaConstants::GetActiveClientsTable() << " ORDER BY CONNECTION_ID";
    std::vector<int64_t> registered;
    if (!SelectBigints(clients.StrGet(), registered) || registered.empty()) {
        error_->Clear();
        return;
    }
    std::vector<int64_t> live;
    if (!SelectBigints("SELECT AGENT_ID FROM SYSIBMADM.APPLICATIONS ORDER BY AGENT_ID", live)) {
        error_->Clear();
        return;
    }
    std::sort(live.begin(), live.end());
    std::vector<int64_t> stale;
    for (int64_t id : registered) {
        // Rows without a connection id (written below version 272) cannot be told dead: they stay.
        if (id != 0 && !std::binary_search(live.begin(), live.end(), id) && (stale.empty() || stale.back() != id)) {
            stale.push_back(id);
        }
    }
    if (stale.empty()) {
        return;
    }
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "RemoveStaleClients");
    bool ok = true;
    for (int64_t id : stale) {
        KxString remove("DELETE FROM ");
        remove << database_ << "." << KxGSchemaConstants::GetActiveClientsTable() << " WHERE CONNECTION_ID = "
               << id;
        Record(tag, remove);
        ok = ok && ExecuteDirect(remove.StrGet()) != 0;
    }
    if (!ok) {
        RollbackConnection();
    } else if (CommitConnection() == 0) {
        RollbackConnection();
    }
    error_->Clear();
}

uint16_t KxGDB2Database::AttachServer()
{
    error_->Clear();
    KxString node(server_);
    node.ToUpper();
    if (node.Len() == 0 || node == KxString("LOCAL")) {
        return 1;
    }
    struct sqlca* ca = error_->GetSqlca();
    std::memset(ca, 0, sizeof(*ca));
    sqleatin(server_.StrGet(), user_.StrGet(), password_.StrGet(), ca);
    error_->SetDescription();
    return error_->NativeCode() == 0 ? 1 : 0;
}

int32_t KxGDB2Database::CreateDatabase(KxString* log, int32_t /*extra*/)
{
    if (AttachServer() == 0) {
        return 0;
    }
    if (!CheckedSchema()) {
        return 0;
    }
    struct sqledbdesc descriptor = {};
    std::memcpy(descriptor.sqldbdid, SQLE_DBDESC_2, sizeof(descriptor.sqldbdid));
    std::strncpy(descriptor.sqldbcmt, "Created by Tessaform RO-GW", sizeof(descriptor.sqldbcmt) - 1);
    struct sqledbterritoryinfo territory = {};
    std::strncpy(territory.sqldbcodeset, "1252", sizeof(territory.sqldbcodeset) - 1);
    std::strncpy(territory.sqldblocale, "US", sizeof(territory.sqldblocale) - 1);
    if (log != nullptr) {
        *log << "CREATE DATABASE " << database_ << " ALIAS " << database_
             << " USING CODESET 1252 TERRITORY 'US'\n";
    }
    struct sqlca* ca = error_->GetSqlca();
    std::memset(ca, 0, sizeof(*ca));
    sqlecrea(database_.StrGet(), database_.StrGet(), nullptr, &descriptor, &territory, '\0', nullptr, ca);
    error_->SetDescription();
    return error_->NativeCode() == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------------
// Registration

uint16_t KxGDB2Database::RegisterConnection(KxString* /*server*/, int32_t* clientId, KxString* clientName,
                                            int32_t pooled, int32_t localMode, int32_t /*exclusive*/)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "RegisterConnection");
    int32_t client = clientId != nullptr ? *clientId : 0;
    Record(tag, KxString("connection id: ") << connectionId_ << "\nclient id:     " << client);
    if (pooled == 1 && gatewayVersion_ < 272) {
        return 1;
    }
    if (!CheckedSchema()) {
        return 0;
    }
    if (pooled == 0) {
        RemoveStaleClients();
    }
    const bool current = gatewayVersion_ >= 272;
    uint16_t ok = 1;
    KxString text("DELETE FROM ");
    text << database_ << ".ACTIVECLIENTS WHERE CLIENTID = ";
    if (current && pooled != 0) {
        text << client << " AND CONNECTION_ID = " << connectionId_;
    } else {
        text << connectionId_;
    }
    ok = ExecuteDirect(text.StrGet());
    if (current && pooled == 0) {
        KxString count("SELECT COUNT(*) FROM ");
        count << database_ << ".ACTIVECLIENTS";
        if (localMode == 0) {
            count << " WHERE OPEN_MODE ='LOCAL'";
        }
        int32_t clients = 0;
        if (!SelectInteger(count.StrGet(), clients)) {
            ok = 0;
        } else if (clients > 0) {
            error_->SetError(-KXG_E_LOCAL_MODE_CONFLICT, "Another client holds or refuses the local mode");
            // Nothing of this registration may stay: the DELETE above is undone.
            RollbackConnection();
            return 0;
        }
    }
    KxString insert("INSERT INTO ");
    insert << database_ << ".ACTIVECLIENTS ";
    if (current) {
        if (pooled == 0) {
            client = connectionId_;
        }
        KxString name = clientName != nullptr ? *clientName : KxString();
        name = name.Left(static_cast<uint32_t>(KxGSchemaConstants::GetClientNameLen()));
        insert << "(CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (" << client << ", " << Quoted(name)
               << ", " << connectionId_ << ", " << (localMode != 0 ? "'LOCAL')" : "'DEFAULT')");
    } else {
        client = connectionId_;
        insert << "(CLIENTID) VALUES (" << client << ")";
    }
    if (ExecuteDirect(insert.StrGet()) == 0) {
        ok = 0;
    }
    if (clientId != nullptr) {
        *clientId = client;
    }
    if (ok != 0) {
        return CommitConnection();
    }
    RollbackConnection();
    return 0;
}

uint16_t KxGDB2Database::UnregisterConnection(int32_t clientId)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "UnregisterConnection");
    Record(tag, KxString("connection id: ") << connectionId_ << " client id: " << clientId
                                              << "\nrollback all noncommitted work");
    uint16_t ok = RollbackConnection();
    if (!CheckedSchema()) {
        return 0;
    }
    KxString text("DELETE FROM ");
    text << database_ << ".ACTIVECLIENTS WHERE ";
    if (gatewayVersion_ >= 272) {
        text << "CONNECTION_ID = " << connectionId_;
    } else {
        text << "CLIENTID = " << clientId;
    }
    if (ExecuteDirect(text.StrGet()) == 0) {
        ok = 0;
    }
    if (CommitConnection() == 0) {
        ok = 0;
    }
    return ok;
}

uint16_t KxGDB2Database::TestConnectionAlive(int32_t mode)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "TestConnectionAlive");
    bool valid = true;
    if (mode == 1) {
        Record(tag, KxString("active test"));
        int32_t count = 0;
        valid = CheckedSchema() &&
                SelectInteger((KxString("SELECT COUNT(*) FROM ") << database_ << ".ACTIVECLIENTS").StrGet(), count);
    }
    Record(tag, KxString("Connection ") << connectionId_ << (valid ? " valid" : " invalid"));
    return valid ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------------
// Owned objects and factories

KxGDB2DatabaseError* KxGDB2Database::GetError()
{
    return error_.get();
}

KxGTypeHdlMgr* KxGDB2Database::MakeTypeHdlMgr()
{
    return KxGMake<KxGDB2TypeHdlMgr>(this);
}

KxGResourceMgr* KxGDB2Database::CreateCompoundStatement(KxGTransactionContext* context)
{
    return KxGMake<KxGDB2CompoundStatement>(context);
}

KxGLockService* KxGDB2Database::CreateLockService(int32_t clientId)
{
    return KxGMake<KxGGenericLockService>(this, clientId);
}

KxGStatementHdl* KxGDB2Database::CreateStatementHdl(KxGStatementTemplate* statementTemplate)
{
    std::unique_ptr<KxGDB2StatementHdl> handle;
    try {
        handle = std::make_unique<KxGDB2StatementHdl>(this, statementTemplate);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (statementTemplate != nullptr && statementTemplate->GetSelectTemplate() != nullptr) {
        handle->SetSelectFlag(1);
    }
    if (handle->GetHandle() == SQL_NULL_HSTMT) {
        return nullptr;
    }
    return handle.release();
}

// ---------------------------------------------------------------------------------------------------
// Names and settings

KxGDatabase* KxGDB2Database::CloneConnection()
{
    try {
        auto* clone = new KxGDB2Database(server_, database_, user_, password_, base_);
        clone->gatewayVersion_ = gatewayVersion_;
        clone->serverMajor_ = serverMajor_;
        clone->serverMinor_ = serverMinor_;
        clone->autoCommit_ = autoCommit_;
        clone->cache_ = std::make_unique<KxGStatementHdlCache>(clone, cache_->GetCapacity());
        return clone;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int32_t KxGDB2Database::CheckTableName(KxString* name, int32_t mode)
{
    if (name == nullptr || mode != 0) {
        return 0;
    }
    KxString upper(*name);
    upper.ToUpper();
    const KxString* tables[] = {&KxGSchemaConstants::GetOptionTable(), &KxGSchemaConstants::GetRootBlockTable(),
                                &KxGSchemaConstants::GetSurrogatesTable(), &KxGSchemaConstants::GetLocksTable(),
                                &KxGSchemaConstants::GetActiveClientsTable()};
    for (const KxString* table : tables) {
        if (upper == *table) {
            return KXG_E_RESERVED_NAME;
        }
    }
    return 0;
}

uint16_t KxGDB2Database::IsSchemaOwner()
{
    return 1;
}

int32_t KxGDB2Database::GetBatchSize(int32_t requested, uint16_t arrays)
{
    if (arrays != 0 && (serverMajor_ < 8 || (serverMajor_ == 8 && serverMinor_ < 2))) {
        return 1;
    }
    return requested;
}

void KxGDB2Database::SetRowNum(int32_t /*rows*/)
{
}

int32_t KxGDB2Database::GetRowNum()
{
    return 0;
}

int32_t KxGDB2Database::AllocDescriptor(int32_t /*kind*/, uintptr_t* /*handle*/)
{
    return 0;
}

int32_t KxGDB2Database::FreeDescriptor(int16_t /*kind*/, uintptr_t /*handle*/)
{
    return 0;
}
