#include "KxGStatementTemplate.h"

#include <atomic>
#include <new>
#include <string>

#include "KxGColumn.h"
#include "KxGDatabase.h"
#include "KxGStatement.h"

namespace {

// Ids of templates: never 0, never reused within the process.
uint64_t NextTemplateId()
{
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

}  // namespace

KxGBufferMapBinder::~KxGBufferMapBinder() = default;
KxGMemberMapBinder::~KxGMemberMapBinder() = default;
KxGBindRequest::~KxGBindRequest() = default;

KxGStatementTemplate::KxGStatementTemplate() : sql_(KxString::EmptyString()), id_(NextTemplateId()) {}

KxGStatementTemplate::KxGStatementTemplate(const KxString& text) : sql_(text), id_(NextTemplateId()) {}

KxGStatementTemplate::KxGStatementTemplate(const KxGStatementTemplate& other) : sql_(other.sql_), id_(NextTemplateId())
{
}

KxGStatementTemplate& KxGStatementTemplate::operator=(const KxGStatementTemplate& other)
{
    if (this != &other) {
        SetSQLText(other.sql_);
    }
    return *this;
}

KxGStatementTemplate::~KxGStatementTemplate() = default;

KxGStatement* KxGStatementTemplate::CreateStatement(KxGDatabase* database)
{
    return new KxGStatement(database, this, 1);
}

int32_t KxGStatementTemplate::BindBuffers(KxGStatement*, KxGBindRequest*)
{
    return 0;
}

KxGSelectStatementTemplate* KxGStatementTemplate::GetSelectTemplate()
{
    return nullptr;
}

void KxGStatementTemplate::SetSQLText(const KxString& text)
{
    sql_ = text;
    id_ = NextTemplateId();
}

void KxGStatementTemplate::AppendSQLText(const KxString& text)
{
    sql_ += text;
    id_ = NextTemplateId();
}

uint16_t KxGStatementTemplate::BindParameter(const KxString& value, int16_t position, KxGDatabaseInfo& info)
{
    if (position <= 0 || sql_.IsEmpty()) {
        return 0;
    }
    const KxString marker = info.GetParameterMarker(position);
    if (marker.IsEmpty()) {
        return 0;
    }
    // Searched as UTF-16 units, whose positions are the text's character positions.
    const std::u16string text = sql_.ToUtf16();
    const std::u16string mark = marker.ToUtf16();
    // A marker ending in a digit must not be followed by another digit (":1" is not the start of ":10").
    const bool numbered = IsDigit(mark.back());
    std::u16string::size_type at = text.find(mark);
    while (at != std::u16string::npos && numbered && at + mark.size() < text.size() && IsDigit(text[at + mark.size()])) {
        at = text.find(mark, at + 1);
    }
    if (at == std::u16string::npos) {
        return 0;
    }
    KxString replaced = sql_.Left(static_cast<uint32_t>(at));
    replaced += value;
    replaced += sql_.Copy(static_cast<uint32_t>(at + mark.size()), sql_.Len());
    SetSQLText(replaced);
    return 1;
}

void KxGStatementTemplateList::ClearAll()
{
    for (uint32_t i = 0; i < Count(); ++i) {
        delete GetTemplate(i);
    }
    Clear();
}

int32_t KxGStatementTemplateList::Adopt(KxGStatementTemplate* statement)
{
    if (statement == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    const int32_t result = Append(statement);
    if (result < 0) {
        delete statement;
    }
    return result;
}

int32_t KxGStatementTemplateList::AppendDeleteAll(const KxGTable& table)
{
    KxString text("DELETE FROM ");
    text << table.GetQualifiedName();
    return Adopt(new (std::nothrow) KxGStoreStatementTemplate(text));
}

KxGStatement* KxGStoreStatementTemplate::CreateStatement(KxGDatabase* database)
{
    if (IsEmpty()) {
        return nullptr;
    }
    return new KxGStoreStatement(database, this, 1);
}

KxGStatement* KxGSelectStatementTemplate::CreateStatement(KxGDatabase* database)
{
    return new KxGSelectStatement(database, this, 1);
}

void KxGNavigationManyStatementTemplate::CompleteText(const KxString& idList)
{
    KxString text(prefix_);
    text += idList;
    text += KxString(")");
    text += forUpdate_;
    SetSQLText(text);
}

KxGStatement* KxGNavigationManyStatementTemplate::CreateStatement(KxGDatabase* database)
{
    return new KxGSelectStatement(database, this, 0);
}
