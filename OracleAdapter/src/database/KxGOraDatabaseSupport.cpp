// Trace records and the small queries of the connection, run through the gateway's statements. Each
// statement takes a handle of its own from the database (no statement cache: the templates here live
// only for one call) and releases it when it goes out of scope, also when a report throws.
#include "KxGOraDatabaseSupport.h"

#include <algorithm>
#include <cstring>

#include "KxGDatabase.h"
#include "KxGMemoryLocation.h"
#include "KxGOraStatementHdl.h"
#include "KxGOraTypeHdlMgr.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGTypeHdl.h"
#include "KxInt64.h"

namespace kxgora {

namespace {

// Kernel type codes of the values read and bound here.
constexpr int32_t kUnsignedIntCode = 6;
constexpr int32_t kStringCode = 11;
constexpr int32_t kInt64Code = 26;
constexpr int32_t kCharacterCode = 0;

// Rows per fetch of a column read.
constexpr int32_t kFetchRows = 100;

// Longest text bound by ExecuteWithText.
constexpr int32_t kTextParameterSize = 256;

}  // namespace

void Record(const KxTraceTag& tag, const KxString& text)
{
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        trace->BeginCriticalSection();
        trace->SetEscape(1);
        *trace << text << '\n';
        trace->SetEscape(0);
        trace->EndCriticalSection();
    }
}

FetchResult SelectInteger(KxGDatabase& database, const KxString& text, int32_t& value)
{
    KxGTypeHdl* handler = database.GetTypeHdl(kUnsignedIntCode, KXG_ORA_KIND_DEFAULT, 0);
    if (handler == nullptr) {
        return FetchResult::Failed;
    }
    KxGSelectStatementTemplate query(text);
    KxGSelectStatement statement(&database, &query, 0);
    uint32_t fetched = 0;
    KxGMemoryLocation location(handler, &fetched, true);
    KxGSQLBuffer buffer;
    location.JoinBuffer(buffer);
    buffer.Allocate(1);
    if (buffer.GetData() == nullptr || statement.Execute() == 0 || statement.BindResult(&buffer, &location, 1) == 0) {
        return FetchResult::Failed;
    }
    uint32_t rows = 1;
    if (statement.Fetch(rows) == 0) {
        return FetchResult::FetchFailed;
    }
    if (rows == 0) {
        return FetchResult::NoRow;
    }
    buffer.SetCurrentRow(0);
    location.SQLBuffer2Variable(buffer, nullptr);
    value = static_cast<int32_t>(fetched);
    return FetchResult::Row;
}

FetchResult SelectCharacters(KxGDatabase& database, const KxString& text, int32_t size, std::string& bytes)
{
    bytes.clear();
    KxGTypeHdl* handler = database.GetTypeHdl(kCharacterCode, KXG_ORA_KIND_CHAR, 0);
    if (handler == nullptr || size <= 0) {
        return FetchResult::Failed;
    }
    KxGSelectStatementTemplate query(text);
    KxGSelectStatement statement(&database, &query, 0);
    // The slot is read as it arrives (a 16-bit length, then the bytes); no kernel value is involved.
    KxGMemoryLocation location(handler, nullptr, true);
    location.SetSQLSize(size);
    KxGSQLBuffer buffer;
    location.JoinBuffer(buffer);
    buffer.Allocate(1);
    if (buffer.GetData() == nullptr || statement.Execute() == 0 || statement.BindResult(&buffer, &location, 1) == 0) {
        return FetchResult::Failed;
    }
    uint32_t rows = 1;
    if (statement.Fetch(rows) == 0) {
        return FetchResult::FetchFailed;
    }
    if (rows == 0) {
        return FetchResult::NoRow;
    }
    buffer.SetCurrentRow(0);
    const auto* slot = static_cast<const unsigned char*>(location.GetSQLAddress(buffer));
    const auto* indicator = static_cast<const unsigned char*>(location.GetNullValueAddress(buffer));
    if (slot == nullptr || (indicator != nullptr && handler->IsNull(indicator) != 0)) {
        return FetchResult::Row;
    }
    uint16_t length = 0;
    std::memcpy(&length, slot, sizeof length);
    const size_t capacity = static_cast<size_t>(location.GetValueSize()) - sizeof length;
    bytes.assign(reinterpret_cast<const char*>(slot + sizeof length), std::min<size_t>(length, capacity));
    return FetchResult::Row;
}

bool SelectInt64Column(KxGDatabase& database, const KxString& text, std::vector<int64_t>& values)
{
    values.clear();
    KxGTypeHdl* handler = database.GetTypeHdl(kInt64Code, KXG_ORA_KIND_DEFAULT, 0);
    if (handler == nullptr) {
        return false;
    }
    KxGSelectStatementTemplate query(text);
    KxGSelectStatement statement(&database, &query, 0);
    KxInt64 fetched;
    KxGMemoryLocation location(handler, &fetched, true);
    KxGSQLBuffer buffer;
    location.JoinBuffer(buffer);
    buffer.Allocate(kFetchRows);
    if (buffer.GetData() == nullptr || statement.Execute() == 0 || statement.BindResult(&buffer, &location, 1) == 0) {
        return false;
    }
    for (;;) {
        uint32_t rows = kFetchRows;
        if (statement.Fetch(rows) == 0) {
            return false;
        }
        for (uint32_t row = 0; row < rows && row < static_cast<uint32_t>(kFetchRows); ++row) {
            buffer.SetCurrentRow(static_cast<int32_t>(row));
            fetched = 0;
            if (location.SQLBuffer2Variable(buffer, nullptr) == nullptr) {
                return false;
            }
            values.push_back(fetched.Get());
        }
        if (rows < static_cast<uint32_t>(kFetchRows)) {
            return true;
        }
    }
}

bool ExecuteInt64Array(KxGDatabase& database, const KxString& text, const std::vector<int64_t>& values)
{
    KxGTypeHdl* handler = database.GetTypeHdl(kInt64Code, KXG_ORA_KIND_DEFAULT, 0);
    if (handler == nullptr) {
        return false;
    }
    KxGStoreStatementTemplate store(text);
    KxGStoreStatement statement(&database, &store, 0);
    size_t done = 0;
    while (done < values.size()) {
        const size_t count = std::min<size_t>(values.size() - done, KXG_ORA_MAX_PARAMETER_ROWS);
        KxInt64 value;
        KxGMemoryLocation location(handler, &value, true);
        KxGSQLBuffer buffer;
        location.JoinBuffer(buffer);
        buffer.Allocate(static_cast<int32_t>(count));
        if (buffer.GetData() == nullptr) {
            return false;
        }
        for (size_t row = 0; row < count; ++row) {
            buffer.SetCurrentRow(static_cast<int32_t>(row));
            value = values[done + row];
            if (location.Variable2SQLBuffer(buffer, nullptr) == nullptr) {
                return false;
            }
        }
        buffer.SetCurrentRow(0);
        statement.UnbindParameters();
        if (statement.BindParameter(&buffer, &location, 1) == 0 || statement.Execute() == 0) {
            return false;
        }
        done += count;
    }
    statement.UnbindParameters();
    return true;
}

uint16_t ExecuteWithText(KxGDatabase& database, const KxString& text, const KxString& parameter)
{
    KxGTypeHdl* handler = database.GetTypeHdl(kStringCode, KXG_ORA_KIND_DEFAULT, 0);
    if (handler == nullptr) {
        return 0;
    }
    KxGStoreStatementTemplate store(text);
    KxGStoreStatement statement(&database, &store, 0);
    KxString value(parameter);
    KxGMemoryLocation location(handler, &value, true);
    location.SetSQLSize(kTextParameterSize);
    KxGSQLBuffer buffer;
    location.JoinBuffer(buffer);
    buffer.Allocate(1);
    if (buffer.GetData() == nullptr || location.Variable2SQLBuffer(buffer, nullptr) == nullptr) {
        return 0;
    }
    if (statement.BindParameter(&buffer, &location, 1) == 0) {
        return 0;
    }
    return statement.Execute();
}

}  // namespace kxgora
