// The row-buffer cache's add from a class buffer map's rows.
#include "KxGRowBufferCache.h"

#include "KxGClassBufferMap.h"
#include "KxGMemberMap.h"
#include "KxGSQLBuffer.h"

int32_t KxGRowBufferCache::Add(KxGBufferMap& classBufferMap, const KxObjId& id, KxGSQLBuffer& rows)
{
    if ((owner_ != nullptr && owner_->RefusesObject(id) != 0) || entries_.count(id.Get64()) != 0) {
        return 0;
    }
    auto* layout = dynamic_cast<KxGClassBufferMap*>(&classBufferMap);
    if (layout == nullptr) {
        return 0;
    }
    std::unique_ptr<KxGSQLObjectBuffer> row = layout->MakeRowBuffer(1);
    if (!row) {
        return 0;
    }
    KxGRowContext source(&rows);
    KxGRowContext target(row.get());
    if (layout->CopyRows(source, target, 1) != 0) {
        return 0;
    }
    if (auto* objects = dynamic_cast<KxGSQLObjectBuffer*>(&rows)) {
        if (objects->GetDescriptorsPerRow() == row->GetDescriptorsPerRow() && row->GetDescriptorsPerRow() != 0) {
            row->MoveDescriptors(*objects, rows.GetCurrentRow(), 1);
        }
    }
    if (!Insert(id, row.get())) {
        return 0;
    }
    row.release();
    return 1;
}
