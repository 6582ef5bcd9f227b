// What the buffer maps keep in a request: the member-map environment, the statements, the object
// buffer of the rows and the one-row blob container buffers of its objects.
#include "KxGReadUnitOfWork.h"

#include "KxGSQLBuffer.h"
#include "KxGStatement.h"

void KxGRequest::SetEnvironment(KxGDatabase* database, int32_t flags)
{
    environment_.SetDatabase(database);
    environment_.SetWord(flags);
}

KxGStatementList& KxGRequest::GetStatements()
{
    if (!statements_) {
        statements_ = std::make_unique<KxGStatementList>();
    }
    return *statements_;
}

void KxGRequest::ClearStatements()
{
    if (statements_) {
        statements_->ClearAll();
    }
}

void KxGRequest::SetObjectBuffer(std::unique_ptr<KxGSQLObjectBuffer> buffer) { buffer_ = std::move(buffer); }

std::unique_ptr<KxGSQLObjectBuffer> KxGRequest::TakeObjectBuffer() { return std::move(buffer_); }

KxGSQLObjectBuffer* KxGRequest::GetContainerBuffer(uint32_t index) const
{
    return index < containers_.size() ? containers_[index].get() : nullptr;
}

void KxGRequest::SetContainerBuffer(uint32_t index, std::unique_ptr<KxGSQLObjectBuffer> buffer)
{
    if (index >= containers_.size()) {
        if (!buffer) {
            return;
        }
        containers_.resize(index + 1);
    }
    containers_[index] = std::move(buffer);
}
