#include "StatementTestSupport.h"

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGProjection.h"

std::atomic<int> CountedSelectTemplate::alive{0};

std::string Str(const KxString& text)
{
    return text.StrGet();
}

// ---- TestDialect ------------------------------------------------------------------------------------

KxString TestDialect::GetParameterMarker(int32_t position)
{
    KxString marker(":");
    marker << position;
    return marker;
}

void TestDialect::Select(const KxGProjection& projection, KxString& out)
{
    out << "SELECT " << projection.GetSelectList() << " FROM " << projection.GetFrom();
}

void TestDialect::Where(const KxString& condition, KxString& out)
{
    if (!condition.IsEmpty()) {
        out << " WHERE " << condition;
    }
}

void TestDialect::OrderBy(const KxString& order, KxString& out)
{
    if (!order.IsEmpty()) {
        out << " ORDER BY " << order;
    }
}

void TestDialect::ForUpdate(KxString& out)
{
    out << " FOR UPDATE";
}

void TestDialect::Insert(const KxGProjection& projection, KxString& out)
{
    out << "INSERT INTO " << projection.GetFrom() << " (" << projection.GetSelectList() << ") VALUES (";
    for (int32_t i = 1; i <= projection.GetColumnCount(); ++i) {
        if (i > 1) {
            out << ",";
        }
        out << GetParameterMarker(i);
    }
    out << ")";
}

void TestDialect::Update(const KxGExtendedProjection& projection, KxString& out)
{
    out << "UPDATE " << projection.GetFrom() << " SET ";
    const KxGColumnList& columns = projection.GetColumns();
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        if (i > 0) {
            out << ", ";
        }
        out << columns.GetColumn(i)->GetName() << " = " << GetParameterMarker(static_cast<int32_t>(i) + 1);
    }
}

void TestDialect::Delete(const KxGProjection& projection, KxString& out)
{
    out << "DELETE FROM " << projection.GetFrom();
}

// ---- HandleLog and FakeHdl --------------------------------------------------------------------------

void HandleLog::Add(const std::string& call)
{
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back(call);
}

std::vector<std::string> HandleLog::Calls()
{
    std::lock_guard<std::mutex> lock(mutex);
    return calls;
}

void HandleLog::ClearCalls()
{
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
}

FakeHdl::~FakeHdl()
{
    ++log_.destroyed;
}

void FakeHdl::Log(const std::string& call)
{
    log_.Add(std::to_string(number_) + ":" + call);
}

void FakeHdl::Destroy(KxGStatementHdl* handle)
{
    if (handle == nullptr) {
        delete this;
    }
}

uint16_t FakeHdl::BindParameter(uint16_t position, KxGTypeHdl*, int32_t columnSize, int32_t reserved,
                                int32_t bindSize, void*, void*)
{
    Log("BindParameter(" + std::to_string(position) + "," + std::to_string(columnSize) + "," +
        std::to_string(reserved) + "," + std::to_string(bindSize) + ")");
    return answer;
}

uint16_t FakeHdl::BindResult(uint16_t column, KxGTypeHdl*, int32_t bufferSize, void*, void*)
{
    Log("BindResult(" + std::to_string(column) + "," + std::to_string(bufferSize) + ")");
    return answer;
}

uint16_t FakeHdl::Execute(uint32_t rows)
{
    Log("Execute(" + std::to_string(rows) + ")");
    return answer;
}

uint16_t FakeHdl::RowCount(uint32_t& rows)
{
    Log("RowCount");
    rows = affected;
    return answer;
}

uint16_t FakeHdl::Fetch(uint32_t& rows)
{
    Log("Fetch(" + std::to_string(rows) + ")");
    if (fetched != 0) {
        rows = fetched;
    }
    return answer;
}

uint16_t FakeHdl::MoreResults(uint16_t& more)
{
    Log("MoreResults");
    more = this->more;
    return answer;
}

uint16_t FakeHdl::CloseCursor()
{
    Log("CloseCursor");
    return answer;
}

uint16_t FakeHdl::UnbindParams()
{
    Log("UnbindParams");
    return answer;
}

uint16_t FakeHdl::UnbindResults()
{
    Log("UnbindResults");
    return answer;
}

// ---- TestDatabase -----------------------------------------------------------------------------------

TestDatabase::TestDatabase(uint16_t capacity)
    : KxGFakeDatabase(KxString("server"), KxString("db"), KxString(""), KxString(""), nullptr, nullptr),
      cache_(std::make_unique<KxGStatementHdlCache>(this, capacity))
{
}

TestDatabase::~TestDatabase()
{
    cache_.reset();
}

KxGStatementHdl* TestDatabase::CreateStatementHdl(KxGStatementTemplate* statementTemplate)
{
    if (failPrepare || statementTemplate == nullptr) {
        return nullptr;
    }
    ++log_.prepared;
    auto* handle = new FakeHdl(log_, ++next_, statementTemplate->GetSQLText());
    handle->SetSelectFlag(statementTemplate->GetSelectTemplate() != nullptr ? 1 : 0);
    return handle;
}
