// Extent services: the abstract base and its count.
#include "KxGExtentService.h"

#include "KxGCatalog.h"
#include "KxGColumn.h"
#include "KxGDatabase.h"
#include "KxGMemoryLocation.h"
#include "KxGOperationEnvironment.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxTypeMgr.h"

KxGExtentService::KxGExtentService(KxGOperationEnvironment* environment, KxGDatabase* database,
                                   const KxClassId& classId, uint16_t indexNumber)
    : environment_(environment), database_(database), classId_(classId), context_(classId, indexNumber),
      indexNumber_(indexNumber)
{
}

KxGExtentService::~KxGExtentService() = default;

int32_t KxGExtentService::Following(KxRefList& refs, uint32_t) const
{
    refs.clear();
    return 0;
}

int32_t KxGExtentService::GetNum(int32_t& count)
{
    count = 0;
    KxGCatalog* catalog = environment_ != nullptr ? environment_->GetCatalog() : nullptr;
    KxGDatabaseInfo* info = database_ != nullptr ? database_->GetDatabaseInfo() : nullptr;
    if (info == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    if (catalog == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    KxGTable table;
    const int32_t status = catalog->GetExtent(classId_, table);
    if (status != 0) {
        return status < 0 ? status : KXG_E_MAP_NO_CLASS;
    }
    KxString sql;
    info->Count(table, sql);
    KxGSelectStatementTemplate text(sql);
    KxGSelectStatement statement(database_, &text, 0);
    KxGTypeHdl* handler = database_->GetTypeHdl(KX_TYPE_INT, 0, 0);
    if (handler == nullptr) {
        return KXG_E_QUERY_BIND;
    }
    int32_t value = 0;
    KxGMemoryLocation location(handler, &value, true);
    KxGSQLBuffer buffer;
    location.JoinBuffer(buffer);
    buffer.Allocate(1);
    buffer.SetCurrentRow(0);
    if (statement.BindResult(&buffer, &location, 1) == 0) {
        return KXG_E_QUERY_BIND;
    }
    auto failure = [&]() {
        const int32_t code = database_->GetError()->ErrorCode();
        return code < 0 ? code : KXG_E_QUERY_EXECUTE;
    };
    if (statement.Execute() == 0) {
        return failure();
    }
    uint32_t rows = 0;
    if (statement.Fetch(rows) == 0) {
        return failure();
    }
    if (rows == 0) {
        return 0;
    }
    KxGContext context(database_);
    if (location.SQLBuffer2Variable(buffer, &context) == nullptr) {
        return KXG_E_QUERY_VALUE;
    }
    count = value;
    return 1;
}
