// What an extent cursor asks the catalog for (KxGCatalog::GetExtent): the class, the index it reads
// by, and, filled by the catalog, the FROM text and select list of the extent and the key columns.
#pragma once

#include <cstdint>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGProjection.h"
#include "KxObjId.h"

// The index number of an extent read in object-id order (no index).
constexpr uint16_t KXG_NO_INDEX = 0xFFFE;

class KxGExtentContext {
public:
    KxGExtentContext() = default;
    KxGExtentContext(const KxClassId& classId, uint16_t indexNumber) : classId_(classId), index_(indexNumber) {}
    KxGExtentContext(const KxGExtentContext&) = delete;
    KxGExtentContext& operator=(const KxGExtentContext&) = delete;

    const KxClassId& GetClassId() const { return classId_; }
    void SetClassId(const KxClassId& classId) { classId_ = classId; }
    // The dictionary index number, KXG_NO_INDEX for object-id order.
    uint16_t GetIndexNumber() const { return index_; }
    void SetIndexNumber(uint16_t indexNumber) { index_ = indexNumber; }

    // The extent's FROM entry and select list.
    KxGExtendedProjection& GetProjection() { return projection_; }
    // The key columns (the index's columns, or the id columns); not owned.
    KxGColumnList& GetColumns() { return columns_; }
    // The class's extent table, and whether it is known.
    const KxGTable& GetTable() const { return table_; }
    void SetTable(const KxGTable& table) { table_ = table; tableKnown_ = true; }
    bool IsTableKnown() const { return tableKnown_; }
    // Forgets table, projection and columns.
    void Clear()
    {
        projection_.Clear();
        columns_.Clear();
        table_ = KxGTable();
        tableKnown_ = false;
    }

private:
    KxClassId classId_;
    uint16_t index_ = KXG_NO_INDEX;
    KxGTable table_;
    KxGExtendedProjection projection_;
    KxGColumnList columns_;
    bool tableKnown_ = false;
};
