// KxGOrder: the ORDER BY list of a statement.
#pragma once

#include <cstdint>

#include "KxGColumn.h"
#include "KxString.h"

// Sort operations of AddOrder (the kernel's sort operation values).
enum : int32_t {
    KXG_SORT_ASCENDING = 0,
    KXG_SORT_DESCENDING = 1
};

class KxGOrder {
public:
    KxGOrder() = default;

    // Adds ", " (after the first entry), then the column's qualified name (qualified non-zero) or its
    // name, then " DESC" when sortOp is KXG_SORT_DESCENDING; any other value sorts ascending.
    void AddOrder(const KxGColumn& column, int32_t sortOp, uint16_t qualified);

    const KxString& GetText() const { return text_; }
    bool IsEmpty() const { return text_.IsEmpty(); }
    void Clear() { text_ = KxString(); }

private:
    KxString text_;
};
