// The SQLite file of a native database: opening, the tables, statements, savepoints and the mapping
// of SQLite's results to the storage's statuses.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kxn {

// A prepared statement of the database's cache, reset and unbound when the handle goes.
class Statement {
public:
    explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }

    bool Valid() const { return stmt_ != nullptr; }
    void Bind(int index, int64_t value);
    void Bind(int index, const std::string& text);
    void BindBlob(int index, const std::string& bytes);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;
    sqlite3_stmt* Raw() const { return stmt_; }

private:
    sqlite3_stmt* stmt_;
};

class Database {
public:
    // Opens (or, with create, makes) the database file. 0 or a status; error receives the reason.
    static int32_t Open(const std::string& file, bool create, std::unique_ptr<Database>& db, std::string& error);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& File() const { return file_; }
    // The statement of a text (prepared once, kept); invalid when it cannot be prepared (Status()).
    Statement Prepare(const std::string& sql);
    // Runs statements that give no rows. 0 or a status.
    int32_t Exec(const std::string& sql);
    // Runs one statement that gives no rows, prepared once and kept. 0 or a status.
    int32_t Run(const std::string& sql);
    // The status of a SQLite result code (0 for OK, ROW and DONE), with the reason kept for Error().
    int32_t Status(int rc);
    // The reason of the last failure.
    const std::string& Error() const { return error_; }

    // Savepoints nest: Begin opens one (the outermost is a deferred transaction), End releases or
    // rolls back the innermost. 0 or a status; a failed begin opens nothing.
    int32_t Begin();
    int32_t End(bool commit);
    int32_t Depth() const { return depth_; }

    // A value of the database's own table (kx_database); empty when missing.
    std::string Info(const std::string& key);
    int32_t SetInfo(const std::string& key, const std::string& value);

private:
    Database() = default;
    std::string file_;
    sqlite3* handle_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
    int32_t depth_ = 0;
    std::string error_;
};

// The tables of a new database (kx_database, kx_objects, kx_keys, kx_classes, kx_maintenance).
int32_t CreateTables(Database& db);

// The time now (UTC) as the database records it: "YYYY-MM-DDTHH:MM:SS".
std::string Now();

// The format written into kx_database ("format"); a database of another format is refused.
constexpr const char* kFormat = "1";

}  // namespace kxn
