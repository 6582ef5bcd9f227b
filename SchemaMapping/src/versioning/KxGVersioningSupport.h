// Helpers shared by the versioning maps' sources.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGMemberMap.h"
#include "KxGStatementTemplate.h"
#include "KxString.h"

namespace kxgversioning {

inline std::string Str(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

inline bool SameName(const KxString& a, const KxString& b)
{
    std::string x = Str(a);
    std::string y = Str(b);
    std::transform(x.begin(), x.end(), x.begin(), ::toupper);
    std::transform(y.begin(), y.end(), y.begin(), ::toupper);
    return x == y;
}

inline uint16_t StoreKindOf(KxGClass* mapped)
{
    KxGClassMap* classMap = mapped != nullptr ? mapped->GetClassMap() : nullptr;
    KxGStoreHdl* handler = classMap != nullptr ? classMap->GetStoreHdl() : nullptr;
    return handler != nullptr ? handler->GetStoreKind() : 0xFFFF;
}

inline bool OwnsTable(uint16_t kind)
{
    return kind == KXG_STORE_DEFAULT || kind == KXG_STORE_ALL || kind == KXG_STORE_UNIVERSAL;
}

inline void RowColumns(KxGClass* mapped, std::vector<KxGMemberColumn*>& out)
{
    KxGClassMap* classMap = mapped != nullptr ? mapped->GetClassMap() : nullptr;
    if (classMap == nullptr) {
        return;
    }
    for (KxGMemberMap* memberMap : classMap->GetViewMaps()) {
        if (memberMap == nullptr || memberMap->AsSetMemberMap() != nullptr) {
            continue;
        }
        KxGColumnList columns;
        memberMap->GetColumns(columns);
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            if (auto* column = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(i))) {
                if (std::find(out.begin(), out.end(), column) == out.end()) {
                    out.push_back(column);
                }
            }
        }
    }
}

inline uint16_t OwnerOf(const KxGMemberColumn& column)
{
    return column.GetMemberMap() != nullptr ? column.GetMemberMap()->GetOwnerClassNumber() : 0;
}

inline bool SamePath(const KxGMemberColumn& a, const KxGMemberColumn& b)
{
    return Str(a.GetMemberPath()) == Str(b.GetMemberPath());
}

inline int32_t Append(KxGStatementTemplateList& list, KxGStatementTemplate* made)
{
    if (made == nullptr) {
        return 0;
    }
    if (made->GetSQLText().IsEmpty()) {
        delete made;
        return 0;
    }
    const int32_t result = list.Adopt(made);
    return result < 0 ? result : 0;
}

}  // namespace kxgversioning
