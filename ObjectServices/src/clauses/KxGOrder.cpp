// ORDER BY list of a statement.
#include "KxGOrder.h"

void KxGOrder::AddOrder(const KxGColumn& column, int32_t sortOp, uint16_t qualified)
{
    if (!text_.IsEmpty()) {
        text_ << ", ";
    }
    text_ << (qualified != 0 ? column.GetQualifiedName() : column.GetName());
    if (sortOp == KXG_SORT_DESCENDING) {
        text_ << " DESC";
    }
}
