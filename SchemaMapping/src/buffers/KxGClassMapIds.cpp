// The id part of a class's rows: the class map's id operations, through the id map of its own
// OID and CID columns laid out at row offset 0.
#include "KxGClassMap.h"

#include <algorithm>

#include "KxGMemberMap.h"
#include "KxGRefMemberMap.h"
#include "KxGStatementHdl.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxRef.h"

KxGIDMap* KxGClassMap::GetIDMap()
{
    if (!idMap_ && schemaMap_ != nullptr) {
        idMap_ = std::make_unique<KxGIDMap>(schemaMap_, this);
    }
    return idMap_.get();
}

void KxGClassMap::SetClassBufferMap(std::unique_ptr<KxGBufferMap> bufferMap) { bufferMap_ = std::move(bufferMap); }

int32_t KxGClassMap::GetSQLSize()
{
    KxGIDMap* ids = GetIDMap();
    return ids != nullptr ? ids->GetRowSize() : 0;
}

int32_t KxGClassMap::GetValueSize()
{
    KxGIDMap* ids = GetIDMap();
    return ids != nullptr ? ids->GetValueSize() : 0;
}

int32_t KxGClassMap::Store(const KxRef& ref, KxGRowContext& rows, int32_t count, KxGContext* context)
{
    KxGIDMap* ids = GetIDMap();
    if (ids == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    int32_t status = ids->StoreRef(ref, rows, 0, context);
    if (status != 0) {
        return status;
    }
    const int32_t first = rows.GetCurrentRow();
    const int32_t last = std::min(first + count, rows.GetRowCount());
    for (int32_t row = first + 1; row < last; ++row) {
        KxGRowContext target(rows.GetBuffer(), rows.GetFlags());
        target.SetBase(rows.GetBase());
        target.SetCurrentRow(row);
        // the source row is rows' current row; the target's current row is `row`
        status = ids->CopyRows(rows, target, 0, 1);
        if (status != 0) {
            return status;
        }
    }
    return count;
}

int32_t KxGClassMap::Load(KxGRowContext& rows, KxRef& ref, KxGContext* context)
{
    KxGIDMap* ids = GetIDMap();
    return ids != nullptr ? ids->LoadRef(rows, 0, ref, context) : KXG_E_MEMBER_TYPE_UNSUPPORTED;
}

int32_t KxGClassMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, const KxRef& ref, uint32_t room,
                               uint32_t& needed)
{
    KxGIDMap* ids = GetIDMap();
    if (ids == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    KxClassId classId = ref.GetClassId();
    if (!ref.GetObjId().IsNull()) {
        ids->SetClassVersion(classId);
    }
    return ids->StreamOut(typeMgr, position, KxRef(ref.GetObjId(), classId), room, needed);
}

int32_t KxGClassMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxRef& ref, uint32_t available)
{
    KxGIDMap* ids = GetIDMap();
    if (ids == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    if (available < static_cast<uint32_t>(ids->GetValueSize())) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    return ids->StreamIn(typeMgr, position, ref, available);
}

int32_t KxGClassMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    KxGIDMap* ids = GetIDMap();
    return ids != nullptr ? ids->CopyRows(source, target, 0, count) : KXG_E_MEMBER_TYPE_UNSUPPORTED;
}

int32_t KxGClassMap::BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which)
{
    KxGIDMap* ids = GetIDMap();
    return ids != nullptr ? ids->BindIds(position, rows, 0, statement, which, false) : KXG_E_MEMBER_TYPE_UNSUPPORTED;
}

int32_t KxGClassMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which)
{
    KxGIDMap* ids = GetIDMap();
    return ids != nullptr ? ids->BindIds(column, rows, 0, statement, which, true) : KXG_E_MEMBER_TYPE_UNSUPPORTED;
}

int32_t KxGIDMap::BindIds(uint16_t& position, KxGRowContext& rows, int32_t offset, KxGStatementHdl& statement,
                          uint16_t which, bool asResult)
{
    const uint16_t bits[2] = {0x1, 0x2};
    int i = 0;
    for (Part* part : {&oid_, &cid_}) {
        if ((which & bits[i++]) == 0) {
            continue;
        }
        if (part->hdl == nullptr) {
            return KXG_E_MEMBER_TYPE_UNSUPPORTED;
        }
        const int32_t at = offset + part->offset;
        const uint16_t number = position++;
        uint8_t* value = rows.ValueAddress(at, part->valueSize, 0);
        uint8_t* indicator = rows.IndicatorAddress(at, part->valueSize, part->indSize, 0);
        const uint16_t ok = asResult ? statement.BindResult(number, part->hdl, part->hdl->BindSize(part->valueSize), value, indicator)
                                     : statement.BindParameter(number, part->hdl, part->columnSize, 0,
                                                               part->hdl->BindSize(part->valueSize), value, indicator);
        if (ok == 0) {
            return -1;
        }
    }
    return 0;
}
