// Select list and FROM list of a statement.
#include "KxGProjection.h"

#include <algorithm>

namespace {

constexpr uint32_t kMaxCount = 0xFFFF;

// The text of a column in the select list: alias "." name, or the name alone.
KxString ColumnText(const KxGColumn& column, const KxGIdentity* identity)
{
    if (identity == nullptr || identity->GetName().IsEmpty()) {
        return column.GetName();
    }
    KxString text(identity->GetName());
    text << "." << column.GetName();
    return text;
}

}  // namespace

KxGProjection::KxGProjection(const KxGQualifiedIdentity& table, uint16_t wrap)
    : from_(table.GetQualifiedName()), wrap_(wrap)
{
}

void KxGProjection::AddColumn(const KxGColumn& column, const KxGIdentity* identity)
{
    KxString text = ColumnText(column, identity);
    if (wrap_ == 0) {
        if (count_ > 0) {
            select_ << ",";
        }
        select_ << text;
    } else {
        uint32_t line = lineLength_;
        if (count_ > 0) {
            // The comma stays on the current line unless that line is already full.
            if (line + 1 > kWrapWidth) {
                select_ << "\n";
                line = 0;
            }
            select_ << ",";
            line += 1;
        }
        if (line + text.Len() > kWrapWidth) {
            select_ << "\n";
            line = 0;
        }
        select_ << text;
        line += text.Len();
        lineLength_ = static_cast<uint16_t>(std::min<uint32_t>(line, kMaxCount));
    }
    if (count_ < kMaxCount) {
        ++count_;
    }
}

void KxGProjection::Clear()
{
    from_ = KxString();
    select_ = KxString();
    count_ = 0;
    lineLength_ = 0;
}

void KxGProjection::AddLiteral(const KxString& text, const KxGColumn& column)
{
    KxString entry;
    if (count_ > 0) {
        entry << ", ";
    }
    entry << text << " AS " << column.GetName();
    select_ << entry;
    if (wrap_ != 0) {
        // Literals are not wrapped, but they fill the current line.
        const char* s = entry.StrGet();
        uint32_t line = lineLength_;
        for (uint32_t i = 0; i < entry.Len(); ++i) {
            line = s[i] == '\n' ? 0 : line + 1;
        }
        lineLength_ = static_cast<uint16_t>(std::min<uint32_t>(line, kMaxCount));
    }
    if (count_ < kMaxCount) {
        ++count_;
    }
}

void KxGProjection::AddTable(const KxGQualifiedIdentity& table)
{
    if (!from_.IsEmpty()) {
        from_ << ", ";
    }
    from_ << table.GetQualifiedName();
}

void KxGProjection::AddTable(const KxGQualifiedIdentity& table, const KxGIdentity& alias)
{
    AddTable(table);
    from_ << " " << alias.GetName();
}

void KxGProjection::AddFrom(const KxString& fragment)
{
    from_ << " " << fragment;
}

void KxGExtendedProjection::AddColumn(const KxGColumn& column, const KxGIdentity* identity)
{
    KxGProjection::AddColumn(column, identity);
    // The list hands its columns out as const only (GetColumns), so the projection never changes them.
    columns_.AddColumn(const_cast<KxGColumn*>(&column));
}

void KxGExtendedProjection::Clear()
{
    KxGProjection::Clear();
    columns_.Clear();
}
