// Test doubles for the statement tests: a small dialect with recognisable texts, a database that
// counts the handles it prepares, a statement handle that logs its calls, and a type handle.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KxGFakeAdapter.h"
#include "KxGStatementHdl.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGTypeHdl.h"

// Markers ":1", ":2" ...; Select "SELECT <list> FROM <from>"; Where " WHERE <condition>" (nothing for an
// empty condition); OrderBy " ORDER BY <order>" (likewise); ForUpdate " FOR UPDATE"; Insert
// "INSERT INTO <from> (<list>) VALUES (:1,:2,...)"; Update "UPDATE <from> SET <c1> = :1, <c2> = :2";
// Delete "DELETE FROM <from>".
class TestDialect : public KxGFakeDatabaseInfo {
public:
    KxString GetParameterMarker(int32_t position) override;
    void Select(const KxGProjection& projection, KxString& out) override;
    void Where(const KxString& condition, KxString& out) override;
    void OrderBy(const KxString& order, KxString& out) override;
    void ForUpdate(KxString& out) override;
    void Insert(const KxGProjection& projection, KxString& out) override;
    void Update(const KxGExtendedProjection& projection, KxString& out) override;
    void Delete(const KxGProjection& projection, KxString& out) override;
};

// What the fake handles of one database did (shared by its handles; thread-safe counters).
struct HandleLog {
    std::atomic<int> prepared{0};
    std::atomic<int> destroyed{0};
    std::mutex mutex;
    std::vector<std::string> calls;   // "<handle number>:<operation>(<arguments>)"

    void Add(const std::string& call);
    std::vector<std::string> Calls();
    void ClearCalls();
    int Alive() const { return prepared.load() - destroyed.load(); }
};

// A prepared statement that remembers the text it was prepared for and logs every call.
class FakeHdl : public KxGStatementHdl {
public:
    FakeHdl(HandleLog& log, int number, const KxString& text) : log_(log), number_(number), text_(text) {}
    ~FakeHdl() override;

    void Destroy(KxGStatementHdl* handle) override;
    uint16_t BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t columnSize, int32_t reserved,
                           int32_t bindSize, void* data, void* indicator) override;
    uint16_t BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t bufferSize, void* data,
                        void* indicator) override;
    int32_t ExecuteNonSelect(const KxString&) override { return 0; }
    int32_t ValidateSelectList(const KxString&) override { return 0; }
    uint16_t Execute(uint32_t rows) override;
    uint16_t RowCount(uint32_t& rows) override;
    uint16_t Fetch(uint32_t& rows) override;
    uint16_t MoreResults(uint16_t& more) override;
    uint16_t CloseCursor() override;
    uint16_t UnbindParams() override;
    uint16_t UnbindResults() override;

    int Number() const { return number_; }
    const KxString& Text() const { return text_; }

    // Scripted answers.
    uint16_t answer = 1;          // result of every flag operation
    uint32_t affected = 0;        // rows of RowCount
    uint32_t fetched = 0;         // rows of Fetch (0: leave the rows asked for)
    uint16_t more = 0;            // answer of MoreResults

private:
    void Log(const std::string& call);

    HandleLog& log_;
    int number_;
    KxString text_;
};

// A connection whose dialect is TestDialect and whose CreateStatementHdl prepares FakeHdl objects
// (numbered 1, 2, ... in order of preparing), with a statement-handle cache of the given capacity.
class TestDatabase : public KxGFakeDatabase {
public:
    explicit TestDatabase(uint16_t capacity = 0);
    ~TestDatabase() override;

    KxGDatabaseInfo* GetDatabaseInfo() override { return &dialect_; }
    KxGStatementHdlCache* GetStatementHdlCache() override { return cache_.get(); }
    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override;

    KxGStatementHdlCache& Cache() { return *cache_; }
    TestDialect& Dialect() { return dialect_; }
    HandleLog& Log() { return log_; }
    // Drops the cache (a connection without one).
    void DropCache() { cache_.reset(); }

    bool failPrepare = false;   // CreateStatementHdl answers null

private:
    TestDialect dialect_;
    HandleLog log_;
    std::atomic<int> next_{0};
    std::unique_ptr<KxGStatementHdlCache> cache_;
};

// A 4-byte kernel value type: column size 4 n, buffer size 4 n, bind size n + 100, indicator 2 bytes.
class TestTypeHdl : public KxGTypeHdl {
public:
    uint8_t TypeCode() override { return 2; }
    uint16_t SQLTypeName(int32_t, KxString& text) override { text += KxString("INTEGER"); return 1; }
    int32_t IndSize() override { return 2; }
    int32_t ColumnSize(int32_t size) override { return 4 * size; }
    int32_t BufferSize(int32_t size) override { return 4 * size; }
    int32_t BindSize(int32_t size) override { return size + 100; }
    int32_t ValueLength(const void*) override { return 4; }
    void* SQLToVar(void*, void* variable, void*, int32_t, KxGContext*) override { return variable; }
    void* VarToSQL(void*, void* sqlValue, void*, int32_t, KxGContext*) override { return sqlValue; }
    void ValueToText(const void*, KxString&, int32_t, KxGContext*) override {}
    uint16_t IsNullValue(const void*) override { return 0; }
    uint16_t IsNull(const void*) override { return 0; }
    void PrepareIndicator(void*) override {}
    void SetNull(void*) override {}
    void SetDataLength(void*, void*, int32_t) override {}
};

// A select template that counts how many of its kind are alive.
class CountedSelectTemplate : public KxGSelectStatementTemplate {
public:
    explicit CountedSelectTemplate(const char* text) : KxGSelectStatementTemplate(KxString(text)) { ++alive; }
    ~CountedSelectTemplate() override { --alive; }
    static std::atomic<int> alive;
};

std::string Str(const KxString& text);
