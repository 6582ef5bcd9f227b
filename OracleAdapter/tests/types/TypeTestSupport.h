// Helpers of the type-handler tests: a database double, row buffers that put slots at odd
// offsets, and a guard for the process-wide Unicode flags.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KxGFakeAdapter.h"
#include "KxGMemoryLocation.h"
#include "KxGOraTypeHdl.h"
#include "KxGOraTypeHdlMgr.h"
#include "KxGSQLBuffer.h"
#include "OraTestSupport.h"

namespace oratypes {

// The database a handler runs against: the gateway's fake adapter with a settable connection version
// and a record of the error reports it receives.
class TestDatabase : public KxGFakeDatabase {
public:
    TestDatabase() : KxGFakeDatabase("LOCAL", "S", "S", "s", nullptr, nullptr) {}

    void ReportError(int32_t code, const char* message) override
    {
        reports.push_back(code);
        KxGFakeDatabase::ReportError(code, message);
    }

    std::vector<int32_t> reports;
};

// Sets the Unicode flags for one test and restores them (both 0) afterwards.
using oratest::UnicodeFlags;

// A row buffer of `rows` rows with one column for the handler, joined behind a 1-byte column so
// that the slot and its indicator lie at odd offsets, as they do in real rows.
class Column {
public:
    Column(KxGTypeHdl* handler, int32_t size, int32_t rows = 3)
        : pad_(&padHandler_, nullptr, true), location_(handler, nullptr, true)
    {
        pad_.JoinBuffer(buffer_);
        location_.SetSQLSize(size);
        location_.JoinBuffer(buffer_);
        buffer_.Allocate(rows);
    }

    void Row(int32_t row) { buffer_.SetCurrentRow(row); }
    // The handler's conversions on the current row, with the column size of the location.
    void* Store(void* variable, KxGContext* context)
    {
        return location_.GetTypeHdl()->VarToSQL(variable, Slot(), Indicator(), location_.GetColumnSize(), context);
    }
    void* Fetch(void* variable, KxGContext* context)
    {
        return location_.GetTypeHdl()->SQLToVar(Slot(), variable, Indicator(), location_.GetColumnSize(), context);
    }
    uint8_t* Slot() const { return static_cast<uint8_t*>(location_.GetSQLAddress(buffer_)); }
    void* Indicator() const { return location_.GetNullValueAddress(buffer_); }
    bool IsNull() const { return location_.GetTypeHdl()->IsNull(Indicator()) != 0; }
    uint16_t IndicatorValue() const
    {
        uint16_t v;
        std::memcpy(&v, Indicator(), sizeof v);
        return v;
    }
    KxGSQLBuffer& Buffer() { return buffer_; }
    KxGMemoryLocation& Location() { return location_; }

private:
    KxGOraByteTypeHdl padHandler_{KxGContext()};
    KxGSQLBuffer buffer_;
    KxGMemoryLocation pad_;
    KxGMemoryLocation location_;
};

}  // namespace oratypes
