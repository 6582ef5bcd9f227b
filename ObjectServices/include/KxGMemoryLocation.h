// Memory locations: one kernel value (a variable, or a member of an object) bound to one column of a
// row buffer, converted between the kernel's form and the product's SQL form by a type handle.
//
// Binding a set of columns for n rows: one location per column, SetSQLSize where the column holds
// more than one element, JoinBuffer in column order, Allocate (n) on the buffer, bind each location's
// GetSQLAddress / GetNullValueAddress of row 0 to the statement, then for each row set the buffer's
// current row and convert.
#pragma once

#include <cstdint>

#include "KxList.h"
#include "KxString.h"

class KxGContext;
class KxGSQLBuffer;
class KxGTypeHdl;

class KxGMemoryLocation {
public:
    // Column size = ColumnSize (1), value size = BufferSize (1), offset 0, indicator size =
    // IndSize when nullable, else 0. The type handle is not owned.
    KxGMemoryLocation(KxGTypeHdl* typeHdl, void* variable, bool nullable);
    KxGMemoryLocation(const KxGMemoryLocation& other) = default;
    KxGMemoryLocation& operator=(const KxGMemoryLocation&) = delete;
    virtual ~KxGMemoryLocation();

    // A new copy of the location.
    virtual KxGMemoryLocation* Clone() const;
    // The address of the kernel value for the object being bound (or null). The base answers the
    // address given at construction and ignores the object.
    virtual void* GetVariableAddress(void* object = nullptr);

    // Column size = ColumnSize (n), value size = BufferSize (n). Call before JoinBuffer.
    void SetSQLSize(int32_t n);
    // Offset = the buffer's row width; the row width grows by value size + indicator size.
    void JoinBuffer(KxGSQLBuffer& buffer);

    // The value / indicator address of the buffer's current row. Null when the buffer has no data,
    // the current row lies outside its rows, the column does not lie inside its row width, or (for
    // the indicator) the indicator size is 0.
    void* GetSQLAddress(const KxGSQLBuffer& buffer) const;
    void* GetNullValueAddress(const KxGSQLBuffer& buffer) const;

    // Kernel value (the address given at construction) -> current row (handle VarToSQL); what the
    // handle answers, null when the row has no slot.
    void* Variable2SQLBuffer(KxGSQLBuffer& buffer, KxGContext* context);
    // Current row -> kernel value (handle SQLToVar); what the handle answers, null when the row has
    // no slot.
    void* SQLBuffer2Variable(KxGSQLBuffer& buffer, KxGContext* context);
    // The same for an object: the variable is GetVariableAddress (object).
    void* Variable2SQLBuffer(KxGSQLBuffer& buffer, void* object, KxGContext* context);
    void* SQLBuffer2Variable(KxGSQLBuffer& buffer, void* object, KxGContext* context);
    // Appends the current row's value as SQL text (handle ValueToText); nothing without a slot.
    void ValueToText(KxGSQLBuffer& buffer, KxString& text, KxGContext* context);
    // Copies this location's value bytes of the source's current row to the destination location's
    // slot in the destination buffer's current row, then the indicator bytes. At most the smaller of
    // the two value sizes and of the two indicator sizes is copied, so a narrower destination is never
    // overrun; nothing is copied when either row has no slot.
    void CopyValue(const KxGSQLBuffer& source, const KxGMemoryLocation& destination,
                   KxGSQLBuffer& destinationBuffer) const;

    KxGTypeHdl* GetTypeHdl() const { return typeHdl_; }
    int32_t GetColumnSize() const { return columnSize_; }
    int32_t GetValueSize() const { return valueSize_; }
    int32_t GetOffset() const { return offset_; }
    uint8_t GetIndSize() const { return indSize_; }

private:
    void* ToBuffer(KxGSQLBuffer& buffer, void* variable, KxGContext* context);
    void* FromBuffer(KxGSQLBuffer& buffer, void* variable, KxGContext* context);

    KxGTypeHdl* typeHdl_;
    int32_t columnSize_;
    int32_t valueSize_;
    int32_t offset_ = 0;
    uint8_t indSize_;
    void* variable_;
};

// A list of memory-location pointers (copyable; the list does not own the locations).
class KxGMemoryLocationList : public KxCList {
public:
    using KxCList::KxCList;
    int32_t Append(KxGMemoryLocation* location) { return KxCList::Append(location); }
    // The location at index; null past the end.
    KxGMemoryLocation* GetLocation(uint32_t index) const
    {
        return static_cast<KxGMemoryLocation*>(KxCList::Get(index));
    }
};
