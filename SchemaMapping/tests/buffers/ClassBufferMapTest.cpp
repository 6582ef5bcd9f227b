// The class buffer map driven through doubles: a database whose statement handles record their
// texts, binds and executions and answer selects from a set of stored ids (rows in reverse order), a
// reader that records what it is handed, and requests made by the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabaseTrace.h"
#include "KxGMappingCompletion.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTableMap.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "MemberMapTestSupport.h"
#include "TestSupport.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

const char* const kDictionary = R"(dictionary doubles
class 1.1 Point embedded
member x int
member y double
class 2.1 Part
member name string count=20
class 3.1 Item
member count int
member label string count=30
member origin embedded:Point
member partner ondemand:Part
)";

class ScriptDatabase;

// One statement handle's record.
struct HandleLog {
    std::string text;
    int parameters = 0;
    int results = 0;
    std::vector<uint32_t> executions;   // the row count of each execution
    int fetches = 0;
};

class ScriptHdl : public KxGStatementHdl {
public:
    ScriptHdl(ScriptDatabase& database, std::string text);
    void Destroy(KxGStatementHdl*) override { delete this; }
    uint16_t BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t, int32_t, int32_t, void* data,
                           void* indicator) override
    {
        ++Log().parameters;
        if (position == 1) {
            param_ = {typeHdl, data, indicator};
        }
        return 1;
    }
    uint16_t BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t, void* data, void* indicator) override
    {
        ++Log().results;
        if (column <= 2) {
            columns_[column - 1] = {typeHdl, data, indicator};
        }
        return 1;
    }
    int32_t ExecuteNonSelect(const KxString&) override { return 0; }
    int32_t ValidateSelectList(const KxString&) override { return 0; }
    uint16_t Execute(uint32_t rows) override;
    uint16_t RowCount(uint32_t& rows) override
    {
        rows = Log().executions.empty() ? 0 : Log().executions.back();
        return 1;
    }
    uint16_t Fetch(uint32_t& rows) override;
    uint16_t MoreResults(uint16_t& more) override
    {
        more = 0;
        return 1;
    }
    uint16_t CloseCursor() override { return 1; }
    uint16_t UnbindParams() override { return 1; }
    uint16_t UnbindResults() override { return 1; }

private:
    struct Bound {
        KxGTypeHdl* hdl = nullptr;
        void* data = nullptr;
        void* indicator = nullptr;
    };
    HandleLog& Log();

    ScriptDatabase& database_;
    size_t index_;
    Bound param_;
    Bound columns_[2];
    std::vector<uint64_t> pending_;   // ids of the rows still to fetch
};

class ScriptDatabase : public membertest::TypeDatabase {
public:
    // The Oracle dialect writes the statement texts.
    KxGDatabaseInfo* GetDatabaseInfo() override { return &info_; }
    KxGStatementHdlCache* GetStatementHdlCache() override { return nullptr; }
    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override
    {
        return new ScriptHdl(*this, Text(statementTemplate->GetSQLText()));
    }
    int32_t GetBatchSize(int32_t requested, uint16_t) override { return batch > 0 ? batch : requested; }
    KxGDatabaseTrace* GetTrace(uint16_t modules) override { return (modules & traceModules) != 0 ? trace : nullptr; }

    std::vector<HandleLog> handles;
    std::set<uint64_t> stored;   // ids the selects find
    int32_t batch = 0;
    bool failExecute = false;
    bool failFetch = false;
    KxGDatabaseTrace* trace = nullptr;
    uint16_t traceModules = 0;

private:
    KxGOraDatabaseInfo info_{this};
};

ScriptHdl::ScriptHdl(ScriptDatabase& database, std::string text) : database_(database), index_(database.handles.size())
{
    HandleLog log;
    log.text = std::move(text);
    database_.handles.push_back(std::move(log));
}

HandleLog& ScriptHdl::Log() { return database_.handles[index_]; }

uint16_t ScriptHdl::Execute(uint32_t rows)
{
    Log().executions.push_back(rows);
    if (database_.failExecute) {
        return 0;
    }
    pending_.clear();
    const std::string& text = Log().text;
    const size_t in = text.find(" OID IN (");
    if (in != std::string::npos) {
        size_t at = in + 9;
        while (at < text.size() && text[at] != ')') {
            const size_t end = text.find_first_of(",)", at);
            pending_.push_back(std::stoull(text.substr(at, end - at)));
            at = text[end] == ',' ? end + 1 : end;
        }
    } else if (param_.hdl != nullptr) {
        KxObjId id;
        param_.hdl->SQLToVar(param_.data, &id, param_.indicator, 0, nullptr);
        pending_.push_back(id.Get64());
    }
    // Rows come back in the reverse order of the list, and only for stored ids.
    std::reverse(pending_.begin(), pending_.end());
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                  [this](uint64_t id) { return database_.stored.count(id) == 0; }),
                   pending_.end());
    return 1;
}

uint16_t ScriptHdl::Fetch(uint32_t& rows)
{
    ++Log().fetches;
    if (database_.failFetch) {
        rows = 0;
        return 0;
    }
    const uint32_t room = rows;
    uint32_t row = 0;
    for (; row < room && !pending_.empty(); ++row) {
        KxObjId id;
        id.Set64(pending_.front());
        pending_.erase(pending_.begin());
        KxClassId classId(3, 1);
        void* values[2] = {&id, &classId};
        for (int c = 0; c < 2; ++c) {
            Bound& column = columns_[c];
            auto* data = static_cast<uint8_t*>(column.data) + row * column.hdl->BufferSize(1);
            auto* indicator = column.indicator != nullptr
                                  ? static_cast<uint8_t*>(column.indicator) + row * column.hdl->IndSize()
                                  : nullptr;
            column.hdl->VarToSQL(values[c], data, indicator, column.hdl->ColumnSize(1), nullptr);
        }
    }
    rows = row;
    return 1;
}

// Records the aliases it loads (by id) and those not found.
class RecordingReader : public KxGObjectFetcher {
public:
    explicit RecordingReader(KxGDatabase* database) : database_(database) {}
    KxGDatabase* GetDatabase() override { return database_; }
    KxGRowBufferCache* GetRowBufferCache() override { return cache; }
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override
    {
        KxRef ref;
        alias.GetRef(ref);
        loaded.push_back(ref.GetObjId().GetLow());
        EXPECT_EQ(1, row->GetRowCount());
        return 0;
    }
    int32_t NotFound(KxObjectAlias& alias) override
    {
        KxRef ref;
        alias.GetRef(ref);
        missing.push_back(ref.GetObjId().GetLow());
        return notFoundAnswer;
    }

    KxGRowBufferCache* cache = nullptr;
    std::vector<uint32_t> loaded;
    std::vector<uint32_t> missing;
    int32_t notFoundAnswer = 0;

private:
    KxGDatabase* database_;
};

class ClassBufferMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("doubles.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(&database_, dictionary_.get(), &KxGClassLoader::Instance());
        KxGClass* loaded = nullptr;
        ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(3), loaded, 0), 0);
        items_ = dynamic_cast<KxGClassBufferMap*>(map_->FindClass(3)->GetClassMap()->GetClassBufferMap());
        ASSERT_NE(items_, nullptr);
    }
    void TearDown() override
    {
        aliases_.clear();
        objects_.clear();
        map_.reset();
        KxGInstallMappingCompletion(false);
    }

    KxGClassMap& Map() { return *map_->FindClass(3)->GetClassMap(); }

    // Aliases of new Item objects with the ids.
    KxGAliasVector Aliases(const std::vector<uint32_t>& ids)
    {
        KxGAliasVector list;
        for (uint32_t id : ids) {
            KxObject* object = nullptr;
            EXPECT_EQ(0, objects_mgr_.Create(dictionary_->GetCurrentVersion(3)->AsClass(), KxObjId(id), object));
            objects_.emplace_back(object);
            aliases_.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, object));
            list.push_back(aliases_.back().get());
        }
        return list;
    }
    static std::vector<uint32_t> Range(uint32_t first, uint32_t count)
    {
        std::vector<uint32_t> ids;
        for (uint32_t i = 0; i < count; ++i) {
            ids.push_back(first + i);
        }
        return ids;
    }
    void Store(const std::vector<uint32_t>& ids)
    {
        for (uint32_t id : ids) {
            database_.stored.insert(id);
        }
    }
    // The number of ids in a statement's IN list (0 without one).
    static size_t ListLength(const std::string& text)
    {
        const size_t in = text.find(" OID IN (");
        if (in == std::string::npos) {
            return 0;
        }
        const size_t end = text.find(')', in);
        return static_cast<size_t>(std::count(text.begin() + static_cast<long>(in), text.begin() + static_cast<long>(end), ',')) + 1;
    }

    ScriptDatabase database_;
    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    KxGClassBufferMap* items_ = nullptr;
    KxObjectMgr objects_mgr_{nullptr};
    std::vector<membertest::ObjectPtr> objects_;
    std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases_;
};

TEST_F(ClassBufferMapTest, TheRowIsTheIdPartFollowedByTheMembersInJoinOrder)
{
    EXPECT_EQ(items_->GetIdSize(), Map().GetSQLSize());
    int32_t width = items_->GetIdSize();
    std::vector<std::string> names;
    for (KxGMemberMap* memberMap : items_->GetMemberMapList()) {
        names.push_back(Text(memberMap->GetName()));
        width += memberMap->GetSQLSize() + (memberMap->AsTypeMemberMap() != nullptr ? memberMap->AsTypeMemberMap()->GetIndSize() : 0);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"count", "label", "origin", "partner"}));
    EXPECT_EQ(items_->GetRowSize(), items_->GetRowWidth());
    EXPECT_EQ(items_->GetMainTableMap()->GetMemberMaps().size(), 4u);
    EXPECT_EQ(1u, static_cast<uint32_t>(items_->AddRowBytes(1)));
    EXPECT_EQ(4u, static_cast<uint32_t>(items_->AddRowBytes(3)));
}

TEST_F(ClassBufferMapTest, ReadsServeTheCacheBindOneIdOrListSeveralAndMatchRowsById)
{
    Store({1, 2, 3, 5});
    const struct {
        const char* what;
        std::vector<uint32_t> ids;
        std::vector<uint32_t> cached;   // put into the row-buffer cache first
        size_t statements;
        size_t listLength;              // ids in the (first) statement's IN list; 0: the id is bound
        std::vector<uint32_t> loaded;   // in load order
        std::vector<uint32_t> missing;
    } cases[] = {
        {"all cached", {1, 2}, {1, 2}, 0, 0, {1, 2}, {}},
        {"one id bound", {2}, {}, 1, 0, {2}, {}},
        {"three ids in one list, rows in another order", {1, 2, 3}, {}, 1, 3, {3, 2, 1}, {}},
        {"a cached id is not asked again", {1, 3, 5}, {3}, 1, 2, {3, 5, 1}, {}},
        {"an id without a row is not found", {1, 4, 5}, {}, 1, 3, {5, 1}, {4}},
        {"one id without a row", {4}, {}, 1, 0, {}, {4}},
        {"an id asked twice gets a row for each", {2, 3, 2}, {}, 2, 2, {3, 2, 2}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        database_.handles.clear();
        KxGRowBufferCache cache(&database_);
        for (uint32_t id : c.cached) {
            auto row = items_->MakeRowBuffer(1);
            ASSERT_EQ(1, cache.AddReference(KxObjId(id), row.release()));
        }
        RecordingReader reader(&database_);
        reader.cache = &cache;
        EXPECT_EQ(0, items_->ReadObjects(reader, Aliases(c.ids)));
        ASSERT_EQ(c.statements, database_.handles.size());
        if (c.statements != 0) {
            const HandleLog& log = database_.handles[0];
            EXPECT_EQ(c.listLength, ListLength(log.text)) << log.text;
            EXPECT_EQ(c.listLength == 0 ? 1 : 0, log.parameters) << log.text;
        }
        EXPECT_EQ(reader.loaded, c.loaded);
        EXPECT_EQ(reader.missing, c.missing);
        for (uint32_t id : c.cached) {
            EXPECT_EQ(0, cache.Contains(KxObjId(id))) << "a served row leaves the cache";
        }
    }
}

TEST_F(ClassBufferMapTest, IdListsAreCutAtTheBatchSizeAndNeverBeyondAThousand)
{
    const struct {
        int32_t batch;
        uint32_t ids;
        std::vector<size_t> lists;
    } cases[] = {
        {5000, 2500, {1000, 1000, 500}},
        {100, 250, {100, 100, 50}},
        {1000, 1001, {1000}},   // the last chunk of one id binds it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ids);
        database_.handles.clear();
        database_.batch = c.batch;
        std::vector<uint32_t> ids = Range(10000, c.ids);
        Store(ids);
        RecordingReader reader(&database_);
        EXPECT_EQ(0, items_->ReadObjects(reader, Aliases(ids)));
        std::vector<size_t> lists;
        for (const HandleLog& log : database_.handles) {
            if (ListLength(log.text) != 0) {
                lists.push_back(ListLength(log.text));
            }
        }
        EXPECT_EQ(lists, c.lists);
        EXPECT_EQ(reader.loaded.size(), c.ids);
        EXPECT_TRUE(reader.missing.empty());
    }
}

TEST_F(ClassBufferMapTest, ReadFailuresAndTheReadersAnswerEndTheRead)
{
    Store({1, 2});
    database_.failExecute = true;
    RecordingReader first(&database_);
    EXPECT_EQ(KXG_E_MAP_EXECUTE, items_->ReadObjects(first, Aliases({1, 2})));
    database_.failExecute = false;
    database_.failFetch = true;
    RecordingReader second(&database_);
    EXPECT_EQ(KXG_E_MAP_FETCH, items_->ReadObjects(second, Aliases({1})));
    database_.failFetch = false;
    RecordingReader third(&database_);
    third.notFoundAnswer = -2017;
    EXPECT_EQ(-2017, items_->ReadObjects(third, Aliases({1, 7})));
}

TEST_F(ClassBufferMapTest, StatementsOfARequestRunInBatchesAndTheLastIsHandedBack)
{
    const struct {
        const char* what;
        int32_t operation;
        uint32_t objects;
        int32_t batch;
        size_t handedBack;               // statements in the request's list
        std::vector<uint32_t> executed;  // rows of the executions done at once
        uint32_t flags;                  // the request's flags afterwards
    } cases[] = {
        {"insert in one batch", KXG_OP_INSERT, 3, 0, 1, {}, 0},
        {"insert of 250 rows by 100", KXG_OP_INSERT, 250, 100, 1, {100, 100}, 0},
        {"update adds its flag", KXG_OP_UPDATE, 2, 0, 1, {}, KXG_REQUEST_UPDATE},
        {"delete", KXG_OP_DELETE, 2, 0, 1, {}, 0},
        {"a read makes no statement here", KXG_OP_READ, 2, 0, 0, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        database_.handles.clear();
        database_.batch = c.batch;
        KxGRequest request(nullptr, &Map(), Map().GetClass()->GetClassId(), c.operation);
        request.SetEnvironment(&database_, 0);
        ASSERT_EQ(0, items_->FillRows(Aliases(Range(1, c.objects)), request, request.GetMemberMapContext()));
        ASSERT_NE(request.GetObjectBuffer(), nullptr);
        EXPECT_EQ(static_cast<int32_t>(c.objects), request.GetObjectBuffer()->GetRowCount());
        EXPECT_EQ(0, items_->PrepareStatements(request, nullptr));
        ASSERT_EQ(c.handedBack, request.GetStatements().Count());
        std::vector<uint32_t> executed;
        for (const HandleLog& log : database_.handles) {
            executed.insert(executed.end(), log.executions.begin(), log.executions.end());
        }
        EXPECT_EQ(executed, c.executed);
        EXPECT_EQ(c.flags, request.GetFlags());
        EXPECT_EQ(0, request.GetObjectBuffer()->GetCurrentRow());
        if (c.handedBack != 0) {
            KxGStatement* last = request.GetStatements().GetStatement(0);
            EXPECT_EQ(c.objects - static_cast<uint32_t>(c.executed.size()) * 100u * (c.batch != 0 ? 1u : 0u),
                      last->GetRowCount());
            ASSERT_EQ(0, items_->ExecuteTableMaps(request, {}));
            EXPECT_EQ(0u, request.GetStatements().Count());
        }
    }
    // An empty list fills nothing.
    KxGRequest empty(nullptr, &Map(), Map().GetClass()->GetClassId(), KXG_OP_INSERT);
    EXPECT_EQ(0, items_->FillRows({}, empty, nullptr));
    EXPECT_EQ(nullptr, empty.GetObjectBuffer());
    EXPECT_EQ(0, items_->PrepareStatements(empty, nullptr));
    EXPECT_EQ(0u, empty.GetStatements().Count());
}

TEST_F(ClassBufferMapTest, FilledRowsHoldEachObjectsIdsAndValues)
{
    KxGAliasVector objects = Aliases({41, 42, 43});
    for (size_t i = 0; i < objects.size(); ++i) {
        membertest::Fixture::At<int32_t>(*objects_[i], "count") = static_cast<int32_t>(100 + i);
    }
    KxGRequest request(nullptr, &Map(), Map().GetClass()->GetClassId(), KXG_OP_INSERT);
    request.SetEnvironment(&database_, 0);
    ASSERT_EQ(0, items_->FillRows(objects, request, request.GetMemberMapContext()));
    KxGRowContext rows(request.GetObjectBuffer());
    for (int32_t row = 2; row >= 0; --row) {
        rows.SetCurrentRow(row);
        KxRef ref;
        ASSERT_EQ(0, Map().Load(rows, ref, nullptr));
        EXPECT_EQ(KxObjId(41 + static_cast<uint32_t>(row)), ref.GetObjId());
        EXPECT_EQ(KxClassId(3, 1), ref.GetClassId());
        KxGAliasVector fresh = Aliases({1000 + static_cast<uint32_t>(row)});
        ASSERT_EQ(0, items_->LoadObject(rows, *fresh[0], nullptr));
        EXPECT_EQ(100 + row, membertest::Fixture::At<int32_t>(*objects_.back(), "count"));
    }
    // Id rows for a delete: only the ids.
    KxGRequest removal(nullptr, &Map(), Map().GetClass()->GetClassId(), KXG_OP_DELETE);
    ASSERT_EQ(0, items_->FillIdRows(removal, objects, nullptr));
    KxGRowContext ids(removal.GetObjectBuffer());
    ids.SetCurrentRow(1);
    KxRef ref;
    ASSERT_EQ(0, Map().Load(ids, ref, nullptr));
    EXPECT_EQ(KxObjId(42), ref.GetObjId());
}

TEST_F(ClassBufferMapTest, TableMapKindsWithoutTemplateAndUnknownKinds)
{
    KxGTableMap& table = *items_->GetMainTableMap();
    ASSERT_EQ(0, items_->BuildTemplates());
    EXPECT_FALSE(table.HasHandleColumns());
    KxGSQLBuffer buffer(items_->GetRowWidth());
    buffer.Allocate(1);
    KxGTableRows rows;
    rows.database = &database_;
    rows.buffer = &buffer;
    rows.rowCount = 1;
    KxGStatementList list;
    EXPECT_EQ(KXG_E_NO_TEMPLATE, table.PrepareStatement(KXG_TABLE_SELECT_HANDLES, rows, list));
    EXPECT_EQ(KXG_E_NO_TEMPLATE, table.PrepareStatement(KXG_TABLE_SELECT_HANDLES_LIST, rows, list));
    EXPECT_EQ(0, table.PrepareStatement(9, rows, list));
    EXPECT_EQ(0u, list.Count());
    EXPECT_TRUE(database_.handles.empty());
    // Without handle-typed columns nothing is reset.
    KxGRequest request(nullptr, &Map(), Map().GetClass()->GetClassId(), KXG_OP_INSERT);
    EXPECT_EQ(0, items_->ResetRows(request, Aliases({1}), nullptr));
    EXPECT_TRUE(database_.handles.empty());
}

}  // namespace
