// Reading the rows of a query in batches.
#include "KxGRowReader.h"

#include "KxGDatabase.h"
#include "KxGTypeHdl.h"

KxGRowReader::KxGRowReader(KxGDatabase& database, KxGSelectStatementTemplate& query, int32_t rowsPerFetch)
    : database_(database), statement_(&database, &query, 0), rowsPerFetch_(rowsPerFetch)
{
}

bool KxGRowReader::AddColumn(KxGTypeHdl* handler, void* variable, int32_t sqlSize)
{
    if (handler == nullptr) {
        return false;
    }
    auto location = std::make_unique<KxGMemoryLocation>(handler, variable, true);
    if (sqlSize > 0) {
        location->SetSQLSize(sqlSize);
    }
    location->JoinBuffer(buffer_);
    locations_.push_back(std::move(location));
    return true;
}

bool KxGRowReader::Execute()
{
    buffer_.Allocate(rowsPerFetch_);
    if (buffer_.GetData() == nullptr || statement_.Execute() == 0) {
        return false;
    }
    for (size_t i = 0; i < locations_.size(); ++i) {
        if (statement_.BindResult(&buffer_, locations_[i].get(), static_cast<int16_t>(i + 1)) == 0) {
            return false;
        }
    }
    return true;
}

bool KxGRowReader::Fetch(uint32_t& rows)
{
    rows = static_cast<uint32_t>(rowsPerFetch_);
    if (statement_.Fetch(rows) == 0) {
        rows = 0;
        return false;
    }
    if (rows > static_cast<uint32_t>(rowsPerFetch_)) {
        rows = static_cast<uint32_t>(rowsPerFetch_);
    }
    return true;
}

void KxGRowReader::ReadRow(uint32_t row)
{
    buffer_.SetCurrentRow(static_cast<int32_t>(row));
    KxGContext context(&database_);
    for (const auto& location : locations_) {
        location->SQLBuffer2Variable(buffer_, &context);
    }
}
