// Column descriptions, identities and column lists.
#include "KxGColumn.h"
#include "KxGColumnList.h"

namespace {

KxString Qualify(const KxString& qualifier, const KxString& name)
{
    if (qualifier.IsEmpty()) {
        return name;
    }
    KxString text(qualifier);
    text << "." << name;
    return text;
}

}  // namespace

KxString KxGQualifiedIdentity::GetQualifiedName() const
{
    return Qualify(qualifier_, GetName());
}

KxString KxGColumn::GetQualifiedName() const
{
    return Qualify(qualifier_, name_);
}

int32_t KxGColumnList::AddColumn(KxGColumn* column)
{
    if (column == nullptr) {
        return KX_FOUND_E_INVALID;
    }
    return Append(column);
}

KxGColumn* KxGColumnList::Find(const KxString& name)
{
    return const_cast<KxGColumn*>(static_cast<const KxGColumnList*>(this)->Find(name));
}

const KxGColumn* KxGColumnList::Find(const KxString& name) const
{
    for (uint32_t i = 0; i < Count(); ++i) {
        const KxGColumn* column = GetColumn(i);
        if (column != nullptr && column->GetName() == name) {
            return column;
        }
    }
    return nullptr;
}

KxGColumn* KxGColumnList::Find(const KxGColumn* column)
{
    return const_cast<KxGColumn*>(static_cast<const KxGColumnList*>(this)->Find(column));
}

const KxGColumn* KxGColumnList::Find(const KxGColumn* column) const
{
    if (column == nullptr) {
        return nullptr;
    }
    return KxCList::Find(column) >= 0 ? column : nullptr;
}

void KxGColumnList::DeleteAll()
{
    for (uint32_t i = 0; i < Count(); ++i) {
        delete GetColumn(i);
    }
    Clear();
}
