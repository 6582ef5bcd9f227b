#include "NativeDb.h"

#include <sys/stat.h>

#include <ctime>

#include "KxNative.h"

namespace kxn {

namespace {
// How long a writer waits for another client's write transaction to end.
constexpr int kBusyMilliseconds = 10000;
}  // namespace

Statement::~Statement()
{
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

void Statement::Bind(int index, int64_t value) { sqlite3_bind_int64(stmt_, index, value); }

void Statement::Bind(int index, const std::string& text)
{
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::BindBlob(int index, const std::string& bytes)
{
    sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

int Statement::Step() { return sqlite3_step(stmt_); }
int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text != nullptr ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

std::string Statement::Blob(int column) const
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return bytes != nullptr ? std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

int32_t Database::Open(const std::string& file, bool create, std::unique_ptr<Database>& db, std::string& error)
{
    db.reset();
    struct stat st;
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (create == exists) {
        error = file + (exists ? ": a database is there already" : ": no database");
        return create ? KXN_E_DATABASE_EXISTS : KXN_E_NO_SUCH_DATABASE;
    }
    std::unique_ptr<Database> made(new Database());
    made->file_ = file;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_FULLMUTEX;
    const int rc = sqlite3_open_v2(file.c_str(), &made->handle_, flags, nullptr);
    if (rc != SQLITE_OK) {
        error = file + ": " + (made->handle_ != nullptr ? sqlite3_errmsg(made->handle_) : sqlite3_errstr(rc));
        return KXN_E_STORAGE;
    }
    sqlite3_busy_timeout(made->handle_, kBusyMilliseconds);
    sqlite3_extended_result_codes(made->handle_, 1);
    int32_t status = made->Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;");
    if (status == 0 && create) {
        status = CreateTables(*made);
    }
    if (status == 0 && made->Info("format") != kFormat) {
        made->error_ = file + ": not a database of this storage (format \"" + made->Info("format") + "\")";
        status = KXN_E_NOT_NATIVE;
    }
    if (status != 0) {
        error = made->error_;
        return status;
    }
    db = std::move(made);
    return 0;
}

Database::~Database()
{
    for (auto& [text, stmt] : statements_) {
        sqlite3_finalize(stmt);
    }
    if (handle_ != nullptr) {
        // An open transaction ends with the handle (SQLite rolls it back).
        sqlite3_close_v2(handle_);
    }
}

Statement Database::Prepare(const std::string& sql)
{
    auto found = statements_.find(sql);
    if (found != statements_.end()) {
        return Statement(found->second);
    }
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(handle_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        Status(rc);
        return Statement(nullptr);
    }
    statements_.emplace(sql, stmt);
    return Statement(stmt);
}

int32_t Database::Exec(const std::string& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const int32_t status = Status(rc);
        if (message != nullptr) {
            error_ = file_ + ": " + message;
        }
        sqlite3_free(message);
        return status;
    }
    sqlite3_free(message);
    return 0;
}

int32_t Database::Run(const std::string& sql)
{
    Statement stmt = Prepare(sql);
    return stmt.Valid() ? Status(stmt.Step()) : KXN_E_STORAGE;
}

int32_t Database::Status(int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) {
        return 0;
    }
    error_ = file_ + ": " + (handle_ != nullptr ? sqlite3_errmsg(handle_) : sqlite3_errstr(rc));
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return KXN_E_BUSY;
    case SQLITE_CONSTRAINT:
        return KXN_E_DUPLICATE_KEY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return KXN_E_NOT_NATIVE;
    default:
        return KXN_E_STORAGE;
    }
}

int32_t Database::Begin()
{
    const int32_t status = Run(depth_ == 0 ? std::string("BEGIN") : "SAVEPOINT kx" + std::to_string(depth_));
    if (status == 0) {
        ++depth_;
    }
    return status;
}

int32_t Database::End(bool commit)
{
    if (depth_ == 0) {
        return 0;
    }
    --depth_;
    if (depth_ == 0) {
        if (commit) {
            const int32_t status = Exec("COMMIT");
            if (status == 0) {
                return 0;
            }
            // A commit that cannot be written leaves nothing behind.
            const std::string reason = error_;
            Exec("ROLLBACK");
            error_ = reason;
            return status;
        }
        return sqlite3_get_autocommit(handle_) != 0 ? 0 : Exec("ROLLBACK");
    }
    const std::string name = "kx" + std::to_string(depth_);
    if (commit) {
        return Run("RELEASE " + name);
    }
    const int32_t status = Run("ROLLBACK TO " + name);
    const int32_t released = Run("RELEASE " + name);
    return status != 0 ? status : released;
}

std::string Database::Info(const std::string& key)
{
    Statement stmt = Prepare("SELECT value FROM kx_database WHERE key = ?1");
    if (!stmt.Valid()) {
        return std::string();
    }
    stmt.Bind(1, key);
    return stmt.Step() == SQLITE_ROW ? stmt.Text(0) : std::string();
}

int32_t Database::SetInfo(const std::string& key, const std::string& value)
{
    Statement stmt = Prepare("INSERT INTO kx_database(key, value) VALUES(?1, ?2) "
                             "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    if (!stmt.Valid()) {
        return KXN_E_STORAGE;
    }
    stmt.Bind(1, key);
    stmt.Bind(2, value);
    return Status(stmt.Step());
}

std::string Now()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &tm);
    return buffer;
}

int32_t CreateTables(Database& db)
{
    return db.Exec(
        "BEGIN;"
        "CREATE TABLE kx_database(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
        "CREATE TABLE kx_objects(oid INTEGER PRIMARY KEY, class INTEGER NOT NULL, version INTEGER NOT NULL,"
        " data BLOB NOT NULL);"
        "CREATE INDEX kx_objects_by_class ON kx_objects(class, oid);"
        "CREATE TABLE kx_keys(idx INTEGER NOT NULL, key BLOB NOT NULL, oid INTEGER NOT NULL, uniq INTEGER NOT NULL,"
        " PRIMARY KEY(idx, key, oid)) WITHOUT ROWID;"
        "CREATE UNIQUE INDEX kx_keys_unique ON kx_keys(idx, key) WHERE uniq = 1;"
        "CREATE INDEX kx_keys_by_oid ON kx_keys(oid);"
        "CREATE TABLE kx_classes(number INTEGER PRIMARY KEY, name TEXT NOT NULL, version INTEGER NOT NULL);"
        "CREATE TABLE kx_maintenance(seq INTEGER PRIMARY KEY AUTOINCREMENT, action TEXT NOT NULL,"
        " database TEXT NOT NULL, stamp TEXT NOT NULL, detail TEXT NOT NULL);"
        "INSERT INTO kx_database(key, value) VALUES('format', '1');"
        "COMMIT;");
}

}  // namespace kxn
