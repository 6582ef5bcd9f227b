// The class buffer map's blob container: the members of storage kinds 3 and 4 streamed into the
// container column of the class row (or, for a container kept through a child, into a one-row buffer
// per object that the request keeps), streamed back when an object is loaded, and a container that
// grew beyond its buffer read again with its whole size.
#include <algorithm>
#include <string>

#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxTypeMgr.h"

namespace {

KxGBlobContainerMemberMap* ContainerOf(KxGClassMap* classMap)
{
    return classMap != nullptr ? dynamic_cast<KxGBlobContainerMemberMap*>(classMap->GetBlobContainerMap()) : nullptr;
}

// Bytes of a container column in a row: value and indicator.
int32_t SlotBytes(KxGBlobContainerMemberMap& container)
{
    return container.GetBufferSize() + container.GetIndSize();
}

}  // namespace

int32_t KxGClassBufferMap::StreamContainer(KxObjectAlias& object, KxGRowContext& rows, uint32_t storageKind,
                                           KxGMemberMap& containerMap, KxGContext* context)
{
    auto* container = dynamic_cast<KxGBlobContainerMemberMap*>(&containerMap);
    if (container == nullptr) {
        return 0;
    }
    const uint16_t version = classMap_->GetClass() != nullptr ? classMap_->GetClass()->GetVersion() : 0;
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    // The members first (the container's own packing), then each blob set into its entry.
    uint32_t required = 0;
    int32_t status =
        container->PackObject(typeMgr, memberMaps_, container->GetEntryCount(), version, object, rows, required);
    if (status != 0 && status != KXG_E_BLOB_CONTAINER_TOO_SMALL) {
        return status;
    }
    bool tooSmall = status == KXG_E_BLOB_CONTAINER_TOO_SMALL;
    uint32_t setNeed = 0;
    for (KxGMemberMap* memberMap : memberMaps_) {
        auto* set = memberMap->AsBlobSetMemberMap() != nullptr ? dynamic_cast<KxGBufferMap*>(memberMap) : nullptr;
        if (set == nullptr) {
            continue;
        }
        if (!tooSmall) {
            status = set->StreamContainer(object, rows, storageKind, *container, context);
            if (status == 0) {
                continue;
            }
            if (status != KXG_E_BLOB_CONTAINER_TOO_SMALL) {
                return status;
            }
            tooSmall = true;
        }
        // Only the need is learnt: nothing fits in no room.
        uint8_t none[1] = {0};
        uint8_t* position = none;
        memberMap->StreamOut(typeMgr, position, object, 0, setNeed);
    }
    if (tooSmall) {
        const auto now = static_cast<uint32_t>(container->GetColumnSize());
        lastNeed_ = std::max(required, now) + setNeed + 8;
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    return 0;
}

int32_t KxGClassBufferMap::FillContainer(KxObjectAlias& object, uint32_t index, KxGRowContext& rows,
                                         KxGRequest& request, KxGContext* context)
{
    KxGBlobContainerMemberMap* container = ContainerOf(classMap_);
    if (container == nullptr) {
        return 0;
    }
    if (container->GetChild() == nullptr) {
        return StreamContainer(object, rows, KXG_STORAGE_BLOB, *container, context);
    }
    // A second-level container: the value goes into a one-row buffer of the object's own.
    for (int32_t round = 0; round <= kMaxContainerRereads; ++round) {
        KxGSQLObjectBuffer* own = request.GetContainerBuffer(index);
        if (own == nullptr || own->GetRowWidth() < SlotBytes(*container) + 4) {
            auto made = std::make_unique<KxGSQLObjectBuffer>(SlotBytes(*container) + 4, Database(), 0);
            made->Allocate(1);
            if (made->GetData() == nullptr) {
                return KXG_E_NO_MEMORY;
            }
            own = made.get();
            request.SetContainerBuffer(index, std::move(made));
        }
        KxGRowContext ownRows(own);
        const int32_t before = container->SetOffset(0);
        const int32_t status = StreamContainer(object, ownRows, KXG_STORAGE_BLOB, *container, context);
        container->SetOffset(before);
        if (status != KXG_E_BLOB_CONTAINER_TOO_SMALL) {
            return status;
        }
        // The object's container buffer is made again with the size it needs.
        container->SetSQLSize(static_cast<int32_t>(lastNeed_));
        request.SetContainerBuffer(index, nullptr);
    }
    return KXG_E_BLOB_CONTAINER_TOO_SMALL;
}

int32_t KxGClassBufferMap::GrowContainer(uint32_t need)
{
    KxGBlobContainerMemberMap* container = ContainerOf(classMap_);
    if (container == nullptr || container->GetChild() != nullptr || memberMaps_.empty() ||
        memberMaps_.back() != container) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;   // only a container that ends the row can grow in place
    }
    const int32_t before = SlotBytes(*container);
    container->SetSQLSize(static_cast<int32_t>(need));
    SetRowWidth(GetRowWidth() - before + SlotBytes(*container));
    mainTable_->ResetTemplates();
    return 0;
}

int32_t KxGClassBufferMap::LoadContainer(KxGRowContext& rows, KxObjectAlias& object, KxGContext*)
{
    KxGBlobContainerMemberMap* container = ContainerOf(classMap_);
    if (container == nullptr) {
        return 0;
    }
    // A row whose container was read again with a larger size carries that size in its buffer's word.
    std::unique_ptr<KxGBlobContainerMemberMap> wide;
    auto* buffer = dynamic_cast<KxGSQLObjectBuffer*>(rows.GetBuffer());
    if (buffer != nullptr && buffer->GetWord() > 0 && container->GetChild() == nullptr) {
        wide = std::make_unique<KxGBlobContainerMemberMap>(*container);
        wide->SetOffset(container->GetRowOffset());
        wide->SetSQLSize(buffer->GetWord());
        container = wide.get();
    }
    if (container->IsNull(rows)) {
        return 0;
    }
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    int32_t status = container->UnpackObject(typeMgr, memberMaps_, rows, object);
    for (KxGMemberMap* memberMap : memberMaps_) {
        if (status != 0) {
            break;
        }
        const int32_t entry = memberMap->AsBlobSetMemberMap() != nullptr ? container->GetEntryIndex(memberMap) : -1;
        if (entry < 0) {
            continue;
        }
        const uint8_t* data = nullptr;
        uint32_t length = 0;
        uint32_t available = 0;
        status = container->GetEntry(static_cast<uint32_t>(entry), rows, data, length, available);
        if (status == 0 && data != nullptr) {
            status = memberMap->StreamIn(typeMgr, data, object, std::min(length, available));
        }
    }
    return status;
}

int32_t KxGClassBufferMap::RereadContainer(KxGDatabase* database, KxObjectAlias&,
                                           std::unique_ptr<KxGSQLObjectBuffer>& row, KxGContext& context)
{
    KxGBlobContainerMemberMap* container = ContainerOf(classMap_);
    if (container == nullptr || container->GetChild() != nullptr) {
        return 0;
    }
    KxGRowContext rows(row.get());
    if (container->IsNull(rows) || !container->IsOverflow(rows)) {
        return 0;
    }
    uint32_t required = container->GetRequiredSize(rows);
    if (required == 0) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;   // a stored size beyond reason
    }
    if (database != nullptr && database->GetTrace(0x40) != nullptr) {
        const std::string text = std::string(classMap_->GetClass() != nullptr
                                                 ? classMap_->GetClass()->GetName().StrGet()
                                                 : "") +
                                 ", required size " + std::to_string(required);
        database->SetUserError(KXG_W_BLOB_CONTAINER_TOO_SMALL, " ,class ", text.c_str());
    }
    KxGDatabaseInfo* info = database != nullptr ? database->GetDatabaseInfo() : nullptr;
    if (info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    for (int32_t round = 0; round < kMaxContainerRereads; ++round) {
        // The same row with a container column of the required size: every other column keeps its
        // place (the container ends the row), the container is selected again by the object's id.
        KxGBlobContainerMemberMap wide(*container);
        wide.SetOffset(container->GetRowOffset());
        wide.SetSQLSize(static_cast<int32_t>(required));
        const int32_t width = GetRowWidth() - SlotBytes(*container) + SlotBytes(wide);
        auto bigger = std::make_unique<KxGSQLObjectBuffer>(width, database, GetHandleColumnCount());
        bigger->Allocate(1);
        if (bigger->GetData() == nullptr) {
            return KXG_E_NO_MEMORY;
        }
        KxGRowContext from(row.get());
        KxGRowContext to(bigger.get());
        int32_t status = classMap_->CopyRows(from, to, 1);
        for (KxGMemberMap* memberMap : memberMaps_) {
            if (status == 0 && memberMap != container) {
                status = memberMap->CopyRows(from, to, 1);
            }
        }
        if (status != 0) {
            return status;
        }
        KxGColumnList oid;
        KxGColumnList cid;
        KxGColumnList columns;
        classMap_->GetColumns(oid, cid);
        wide.GetColumns(columns);
        KxGNavigationStatementTemplate select(mainTable_->GetTable(), oid, cid, columns, *info, 0);
        KxGSelectStatement statement(database, &select, 0, 0);
        KxGStatementHdl* handle = statement.GetStatementHdl();
        if (handle == nullptr) {
            return KXG_E_NO_STATEMENT_HANDLE;
        }
        uint16_t position = 1;
        uint16_t column = 1;
        status = classMap_->BindParameter(position, to, *handle, 0x1);
        if (status == 0) {
            status = classMap_->BindColumn(column, to, *handle, 0x3);
        }
        if (status == 0) {
            status = wide.BindColumn(column, to, *handle, 1, &context);
        }
        if (status != 0) {
            return status;
        }
        statement.SetRowCount(1);
        statement.SetRowsPerFetch(1);
        if (statement.Execute() == 0) {
            return KXG_E_MAP_EXECUTE;
        }
        uint32_t fetched = 0;
        if (statement.Fetch(fetched) == 0) {
            return KXG_E_MAP_FETCH;
        }
        statement.Free();
        if (fetched == 0) {
            return KXG_E_MAP_FETCH;   // the row went away between the two reads
        }
        if (GetHandleColumnCount() != 0) {
            bigger->MoveDescriptors(*row, 0, 1);
        }
        bigger->SetWord(static_cast<int32_t>(required));
        row = std::move(bigger);
        KxGRowContext now(row.get());
        if (!wide.IsOverflow(now)) {
            return 0;
        }
        // It grew again in the meantime: once more with the new size.
        const uint32_t again = wide.GetRequiredSize(now);
        if (again == 0 || again <= required) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        required = again;
    }
    return KXG_E_BLOB_CONTAINER_TOO_SMALL;
}
