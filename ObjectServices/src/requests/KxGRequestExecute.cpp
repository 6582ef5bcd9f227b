// Executing a request: rows built, read and written through the class map's buffer maps.
#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "KxGBufferMap.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGMemberMap.h"
#include "KxGReadUnitOfWork.h"
#include "KxGResourceMgr.h"
#include "KxGSQLBuffer.h"
#include "KxGSqlNames.h"
#include "KxGStatement.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGTransactionContext.h"
#include "KxObjectAlias.h"

namespace {

// The member-map environment's flag of a nested level.
constexpr int32_t kNestedLevelFlag = 8;

// The reader of a request that was given none: each row read is kept by the request's SQL image of
// its object.
class ImageFetcher : public KxGObjectFetcher {
public:
    explicit ImageFetcher(KxGRequest& request) : request_(request) {}

    KxGDatabase* GetDatabase() override { return request_.GetDatabase(); }
    KxGRowBufferCache* GetRowBufferCache() override { return request_.GetRowBufferCache(); }
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override
    {
        KxRef ref;
        alias.GetRef(ref);
        KxSQLObjectAlias* image = dynamic_cast<KxSQLObjectAlias*>(&alias);
        for (uint32_t i = 0; image == nullptr && i < request_.GetOutputCount(); ++i) {
            KxRef imageRef;
            request_.GetOutput(i)->GetRef(imageRef);
            if (imageRef.GetObjId() == ref.GetObjId()) {
                image = request_.GetOutput(i);
            }
        }
        if (image == nullptr || image->GetBuffer() != nullptr) {
            return 0;   // the row has no image to go to (or a second row for it): dropped
        }
        KxGSQLObjectBuffer* buffer = row.release();
        const int32_t status = image->SetBuffer(buffer);
        if (status != 0) {
            delete buffer;
        }
        return status;
    }
    // An image without row stays without buffer: the copy into objects leaves its object alone.
    int32_t NotFound(KxObjectAlias& /*alias*/) override { return 0; }

private:
    KxGRequest& request_;
};

std::string ClassName(KxGClassMap* classMap)
{
    const char* name = classMap != nullptr ? classMap->GetNameStem().StrGet() : nullptr;
    return name != nullptr ? std::string(name) : std::string();
}

}  // namespace

void KxGRequest::InitEnvironment()
{
    KxGDatabase* database = context_ != nullptr ? context_->GetDatabase() : nullptr;
    int32_t flags = 0;
    const KxGResourceMgr* top = context_ != nullptr ? context_->GetTop() : nullptr;
    if (top != nullptr && top->GetLevel() != 1 && top->GetFlags() != 0) {
        flags = kNestedLevelFlag;
    }
    SetEnvironment(database, flags);
}

int32_t KxGRequest::AddOutput(KxSQLObjectAlias* image)
{
    if (image == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    try {
        outputs_.push_back(image);
    } catch (const std::bad_alloc&) {
        return KXG_E_NO_MEMORY;
    }
    return 0;
}

void KxGRequest::DeleteOutputs()
{
    for (KxSQLObjectAlias* image : outputs_) {
        delete image;
    }
    outputs_.clear();
}

KxGRowBufferCache* KxGRequest::GetRowBufferCache() const
{
    KxGReadUnitOfWork* unit = context_ != nullptr ? context_->GetReadUnitOfWork() : nullptr;
    return unit != nullptr ? unit->GetRowBufferCache() : nullptr;
}

void KxGRequest::SetFetchKey(const KxRef& key)
{
    fetchKey_ = key;
    hasFetchKey_ = true;
}

void KxGRequest::Reset()
{
    aliases_.clear();
    outputs_.clear();
    operation_ = KXG_OP_NONE;
}

std::vector<KxGBufferMap*> KxGRequest::GetVisitedMaps() const
{
    std::vector<KxGBufferMap*> maps;
    if (classMap_ == nullptr) {
        return maps;
    }
    auto visit = [&maps](KxGBufferMap* map) {
        if (map != nullptr && std::find(maps.begin(), maps.end(), map) == maps.end()) {
            maps.push_back(map);
        }
    };
    visit(classMap_->GetClassBufferMap());
    for (uint32_t i = 0; i < classMap_->GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap_->GetMemberMap(i);
        visit(memberMap != nullptr ? memberMap->AsBufferMap() : nullptr);
    }
    return maps;
}

int32_t KxGRequest::Execute()
{
    KxGDatabase* database = GetDatabase();
    if (database == nullptr && context_ != nullptr) {
        InitEnvironment();
        database = GetDatabase();
    }
    if (database != nullptr && database->GetError() != nullptr) {
        database->GetError()->Clear();
    }
    const auto runs = [](int32_t operation) {
        switch (operation) {
        case KXG_OP_INSERT:
        case KXG_OP_UPDATE:
        case KXG_OP_DELETE:
        case KXG_OP_READ:
        case KXG_OP_IMAGE_OBJECT:
        case KXG_OP_IMAGE_SQL:
        case KXG_OP_IMAGE_READ:
        case KXG_OP_REINSERT:
        case KXG_OP_WRITE_BACK:
        case KXG_OP_DELETE_REPAIR:
            return true;
        default:
            return false;
        }
    };
    if (!runs(operation_) || aliases_.empty()) {
        return 0;
    }
    if (database == nullptr || classMap_ == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }

    int32_t result = 0;
    switch (operation_) {
    case KXG_OP_INSERT:
    case KXG_OP_UPDATE:
        return Write(false);
    case KXG_OP_DELETE:
        return DeleteStep();
    case KXG_OP_READ:
        result = ReadRows();
        if (result == 0) {
            result = CopyIntoObjects();
        }
        operation_ = KXG_OP_NONE;
        return result;
    case KXG_OP_IMAGE_OBJECT:
        return Image(false);
    case KXG_OP_IMAGE_SQL:
        return Image(true);
    case KXG_OP_IMAGE_READ:
        return ReadRows();
    case KXG_OP_REINSERT:
    case KXG_OP_WRITE_BACK:
        operation_ = operation_ == KXG_OP_REINSERT ? KXG_OP_INSERT : KXG_OP_UPDATE;
        return Write(true);
    case KXG_OP_DELETE_REPAIR:
        operation_ = KXG_OP_DELETE;
        return DeleteStep();
    default:
        return 0;
    }
}

KxSQLObjectAlias* KxGRequest::NewImage(const KxRef& key, int32_t& status)
{
    KxSQLObjectAlias* image = KxGMake<KxSQLObjectAlias>(classMap_, key);
    status = image == nullptr ? KXG_E_NO_MEMORY : AddOutput(image);
    if (status != 0) {
        delete image;
        return nullptr;
    }
    return image;
}

int32_t KxGRequest::Checked(int32_t result)
{
    KxGDatabase* database = GetDatabase();
    KxGDatabaseError* error = database->GetError();
    if (error != nullptr && error->HasError() != 0) {
        const int32_t code = error->ErrorCode();
        // An error recorded with code 0 is still an error.
        return KxGNoteServerError(database, code != 0 ? code : (result != 0 ? result : KXG_E_RDBMS));
    }
    if (result != 0) {
        database->SetUserError(result, " ,class ", ClassName(classMap_).c_str());
    }
    return result;
}

int32_t KxGRequest::ExecutionFailure()
{
    KxGDatabaseError* error = GetDatabase()->GetError();
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return KxGNoteServerError(GetDatabase(), code < 0 ? code : KXG_E_RDBMS);
}

KxRef KxGRequest::ImageKey() const
{
    KxRef key;
    if (aliases_.size() == 1) {
        aliases_.front()->GetRef(key);
    }
    return key;
}

int32_t KxGRequest::Fill(KxGBufferMap& map, bool fromList)
{
    // Each map fills rows of its own table into the request's buffer.
    SetObjectBuffer(nullptr);
    SetRowCount(0);
    if (fromList) {
        return map.FillRowsFromList(aliases_, *this, GetMemberMapContext());
    }
    return Checked(map.FillRows(aliases_, *this, GetMemberMapContext()));
}

int32_t KxGRequest::Write(bool fromList)
{
    int32_t status = 0;
    KxSQLObjectAlias* image = NewImage(ImageKey(), status);
    if (image == nullptr) {
        return status;
    }
    // Map by map: its rows, its statements over them, their execution.
    for (KxGBufferMap* map : GetVisitedMaps()) {
        int32_t result = Fill(*map, fromList);
        if (result == 0) {
            result = RunStatements(*map, image);
        }
        if (result != 0) {
            return result;
        }
    }
    SetObjectBuffer(nullptr);
    return 0;
}

int32_t KxGRequest::Image(bool fromList)
{
    int32_t status = 0;
    KxSQLObjectAlias* image = NewImage(ImageKey(), status);
    if (image == nullptr) {
        return status;
    }
    // The image keeps the rows: the class buffer map's as its buffer, the others' behind it.
    for (KxGBufferMap* map : GetVisitedMaps()) {
        const int32_t result = Fill(*map, fromList);
        if (result < 0) {
            return result;
        }
        std::unique_ptr<KxGSQLObjectBuffer> rows = TakeObjectBuffer();
        if (rows) {
            KxGSQLObjectBuffer* taken = rows.release();
            status = image->GetBuffer() == nullptr ? image->SetBuffer(taken) : image->GetObjectBuffers().Append(taken);
            if (status != 0) {
                delete taken;
                return status;
            }
        }
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGRequest::RunStatements(KxGBufferMap& map, KxSQLObjectAlias* image)
{
    ClearStatements();
    int32_t result = map.PrepareStatements(*this, image);
    if (result != 0) {
        ClearStatements();
        return result;
    }
    KxGStatementList& statements = GetStatements();
    for (uint32_t i = 0; i < statements.Count(); ++i) {
        KxGStatement* statement = statements.GetStatement(i);
        if (statement == nullptr || statement->Execute() == 0) {
            result = ExecutionFailure();
            ClearStatements();
            return result;
        }
        if (operation_ != KXG_OP_UPDATE) {
            continue;
        }
        // Update counts are not checked (a row may be written by several statements), only traced.
        auto* store = dynamic_cast<KxGStoreStatement*>(statement);
        uint32_t rows = 0;
        KxGDatabaseTrace* trace = GetDatabase()->GetTrace(KXG_TRACE_SM);
        if (trace != nullptr && store != nullptr && store->GetNumAffectedRows(rows) != 0 &&
            rows != statement->GetRowCount()) {
            trace->BeginCriticalSection();
            *trace << "\nupdate of class " << ClassName(classMap_).c_str() << ": " << rows << " rows affected of "
                   << statement->GetRowCount() << " bound\n";
            trace->EndCriticalSection();
        }
    }
    // Executed: the after-execution step must not run them again.
    ClearStatements();
    result = map.ExecuteTableMaps(*this, aliases_);
    if (result != 0) {
        return result;
    }
    return Checked(map.ResetRows(*this, aliases_, image));
}

int32_t KxGRequest::DeleteStep()
{
    int32_t status = 0;
    KxSQLObjectAlias* image = NewImage(KxRef(), status);
    if (image == nullptr) {
        return status;
    }
    KxGStatementList& statements = GetStatements();
    const std::vector<KxGBufferMap*> maps = GetVisitedMaps();
    int32_t result = 0;
    for (size_t m = 0; m < maps.size(); ++m) {
        ClearStatements();
        SetObjectBuffer(nullptr);
        SetRowCount(0);
        status = maps[m]->FillIdRows(*this, aliases_, image);
        if (status == 0 && statements.Count() == 0) {
            status = maps[m]->PrepareStatements(*this, image);
        }
        if (status != 0) {
            ClearStatements();
            return status;
        }
        // The main table's delete: the first statement of the class buffer map (its main table map
        // comes before its member table maps). Every statement runs: a set that is empty (no row to
        // delete) never keeps its owner's row, nor a missing owner row its set's rows.
        const bool mainMap = m == 0 && maps[m] == classMap_->GetClassBufferMap();
        for (uint32_t i = 0; i < statements.Count(); ++i) {
            KxGStatement* statement = statements.GetStatement(i);
            if (statement == nullptr || statement->Execute() == 0) {
                status = ExecutionFailure();
                ClearStatements();
                return status;
            }
            if (!mainMap || i != 0 || statement->GetNoRowCountCheck() != 0) {
                continue;
            }
            auto* store = dynamic_cast<KxGStoreStatement*>(statement);
            uint32_t rows = 0;
            const uint32_t bound = statement->GetRowCount() > 0 ? statement->GetRowCount() : 1;
            if (store == nullptr || store->GetNumAffectedRows(rows) == 0) {
                status = ExecutionFailure();
                ClearStatements();
                return status;
            }
            if (rows < bound) {
                result = KXG_W_NO_ROW_AFFECTED;
            }
        }
        ClearStatements();
    }
    SetObjectBuffer(nullptr);
    return result;
}

int32_t KxGRequest::ReadRows()
{
    for (KxObjectAlias* alias : aliases_) {
        KxRef ref;
        alias->GetRef(ref);
        int32_t status = 0;
        if (NewImage(ref, status) == nullptr) {
            return status;
        }
    }
    ImageFetcher own(*this);
    KxGObjectFetcher& reader = fetcher_ != nullptr ? *fetcher_ : own;
    const KxGAliasVector images(outputs_.begin(), outputs_.end());
    for (KxGBufferMap* map : GetVisitedMaps()) {
        const int32_t result = map->ReadObjects(reader, images);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGRequest::CopyIntoObjects()
{
    if (!(fetchKey_.GetClassId() == classId_)) {
        return 0;
    }
    const KxGAliasVector images(outputs_.begin(), outputs_.end());
    int32_t result = 0;
    for (KxGBufferMap* map : GetVisitedMaps()) {
        result = map->LoadRows(images, aliases_, GetMemberMapContext());
        if (result != 0) {
            break;
        }
    }
    return Checked(result);
}
