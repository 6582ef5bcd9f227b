// Extent cursors on the embedded engine through the Oracle adapter: a schema made for a small
// dictionary (class tables and catalog tables), the catalog loaded by the gateway's class loader,
// objects written by insert requests, then counted, positioned, scanned and searched by generic
// extent services in object-id order and by index (with ties and with NULL keys).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CatalogTestSupport.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGGenericExtentService.h"
#include "KxGMemberMap.h"
#include "KxGMappingCompletion.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxQuery.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// Item (2) reads 3 rows per fetch and has a non-unique index on rank and one on label (a string, so
// that empty labels are NULL); Plain (3) keeps the default of 20 rows per fetch.
const char* const kDictionary = R"(dictionary extdict
class 2.1 Item
member rank int
member label string count=20
index byRank rank
index byLabel label
class 3.1 Plain
member n int
)";

constexpr uint16_t kItem = 2;
constexpr uint16_t kPlain = 3;
constexpr uint16_t kOidOrder = KXG_NO_INDEX;

// One object of the test data.
struct Row {
    uint32_t id;
    int32_t rank;
    const char* label;   // "" is stored as NULL
};

// A cursor that loses its statement's cursor: the next fetch fails (ORA-01001, invalid cursor).
class TestCursor : public KxGGenericExtentService {
public:
    using KxGGenericExtentService::KxGGenericExtentService;
    void LoseCursor()
    {
        ASSERT_NE(GetStatement(), nullptr);
        sqlengine::Engine::Instance().InjectFailure("OCIStmtFetch", 1001);
    }
};

class ExtentOnServer : public oratest::DatabaseTest {
protected:
    ExtentOnServer() : DatabaseTest({.prefix = "EXT_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("ext.kxd"), dictionary_, &error), 0) << Text(error);
        {
            KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
            KxGOptionRegistry& registry = creation.GetOptionRegistry();
            ASSERT_EQ(registry.ProcessOption(KxString("Item"), KxString("*"), KxString("PREFETCH"), KxString("3"), 1), 0);
            uint16_t preserve = 0;
            registry.ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
            oratest::OwnedList list;
            for (uint16_t number : {kItem, kPlain}) {
                KxGClass* loaded = nullptr;
                ASSERT_EQ(creation.LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0), 0)
                    << number << " " << db_->GetError()->Text();
                ASSERT_EQ(loaded->GetClassMap()->GetStoreHdl()->CreateClassTable(list), 0);
            }
            cattest::CatalogRows rows(*db_);
            for (const auto& row : creation.GetClassRows()) {
                rows.Class(row.id, row.className.c_str(), row.tableName.c_str());
            }
            for (const auto& row : creation.GetMemberRows()) {
                rows.Member(row.id, row.key.c_str(), row.columnName.c_str());
            }
            rows.Statements(list);
            ASSERT_EQ(registry.FillRegistry(*db_, list), 0);
            ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
            ASSERT_EQ(db_->CommitConnection(), 1);
        }
        catalog_ = std::make_unique<KxGCatalog>(&KxGClassLoader::Instance());
        ASSERT_EQ(catalog_->Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
        environment_ = std::make_unique<KxGOperationEnvironment>(&base_, catalog_.get(), nullptr,
                                                                 db_->GetDatabaseInfo(), 0, 0);
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        context_.reset();
        environment_.reset();
        written_.clear();
        catalog_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    KxGClassMap& ClassMap(uint16_t number) { return *catalog_->GetClassMap(KxClassId(number, 1)); }

    // Writes the rows as objects of Item.
    void Store(const std::vector<Row>& rows, uint16_t number = kItem)
    {
        const KxMetaClass* meta = dictionary_->GetCurrentVersion(number)->AsClass();
        KxGRequest request(context_.get(), &ClassMap(number), KxClassId(number, 1), KXG_OP_INSERT);
        for (const Row& row : rows) {
            KxObject* object = nullptr;
            ASSERT_EQ(writeMgr_.Create(meta, KxObjId(row.id), object), 0);
            written_.emplace_back(object);
            if (number == kItem) {
                *reinterpret_cast<int32_t*>(object->MemberAddress(*meta->FindMember("rank"), 0)) = row.rank;
                *reinterpret_cast<KxString*>(object->MemberAddress(*meta->FindMember("label"), 0)) =
                    KxString(row.label);
            }
            ASSERT_EQ(request.AddAlias(new KxCPPObjectAlias(nullptr, nullptr, object)), 0);
        }
        ASSERT_EQ(request.Execute(), 0) << db_->GetError()->Text();
        ASSERT_EQ(db_->CommitConnection(), 1);
    }

    // Items 1 .. n, rank = id, no label.
    void StoreItems(uint32_t n)
    {
        std::vector<Row> rows;
        for (uint32_t id = 1; id <= n; ++id) {
            rows.push_back({id, static_cast<int32_t>(id), "x"});
        }
        if (!rows.empty()) {
            Store(rows);
        }
    }

    void DeleteAll(uint16_t number)
    {
        KxGTable table;
        ASSERT_EQ(ClassMap(number).GetStoreHdl()->GetClassTable(table), 0);
        KxGStoreStatementTemplate text(KxString("DELETE FROM ") + table.GetQualifiedName());
        KxGStoreStatement run(db_.get(), &text, 0);
        run.SetNoRowCountCheck(1);
        ASSERT_EQ(run.Execute(), 1) << db_->GetError()->Text();
        ASSERT_EQ(db_->CommitConnection(), 1);
    }

    uint16_t IndexNumber(const char* name)
    {
        KxGClassMap& map = ClassMap(kItem);
        EXPECT_EQ(map.LoadAllIndices(), 0);
        for (uint32_t i = 0; i < map.GetIndexMapCount(); ++i) {
            if (Text(map.GetIndexMapAt(i)->GetName()) == name) {
                return map.GetIndexMapAt(i)->GetIndexNumber();
            }
        }
        ADD_FAILURE() << name;
        return 0;
    }

    std::unique_ptr<TestCursor> Cursor(uint16_t index = kOidOrder, uint16_t number = kItem)
    {
        auto cursor = std::make_unique<TestCursor>(environment_.get(), db_.get(), KxClassId(number, 1), index, 0);
        cursor->SetReadWholeRows(0);
        return cursor;
    }

    // Seeks and answers the object id's low word, or the status when it is negative.
    static int64_t SeekId(KxGExtentService& cursor, int32_t offset, int32_t mode)
    {
        KxRef ref;
        const int32_t status = cursor.Seek(offset, mode, ref);
        if (status != 0) {
            return status;
        }
        KxRef current;
        EXPECT_EQ(cursor.GetCurrent(current), 1);
        EXPECT_EQ(current, ref);
        return static_cast<int64_t>(ref.GetObjId().GetLow());
    }

    // Every object in reading order: the first (forward) or last (backward), then relative steps.
    static std::vector<int64_t> Scan(KxGExtentService& cursor, bool backward = false)
    {
        std::vector<int64_t> ids;
        int64_t id = backward ? SeekId(cursor, 0, KXG_SEEK_FROM_END) : SeekId(cursor, 0, KXG_SEEK_FROM_START);
        while (id > 0 && ids.size() < 1000) {
            ids.push_back(id);
            id = SeekId(cursor, backward ? -1 : 1, KXG_SEEK_RELATIVE);
        }
        EXPECT_EQ(id, KXG_E_NO_ELEMENT);
        return ids;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCatalog> catalog_;
    KxObjectMgr writeMgr_{nullptr};
    KxBase base_{KxString("extent")};
    std::unique_ptr<KxGOperationEnvironment> environment_;
    std::unique_ptr<KxGTransactionContext> context_;
    struct ObjectRelease {
        void operator()(KxObject* object) const { object->Release(); }
    };
    std::vector<std::unique_ptr<KxObject, ObjectRelease>> written_;
};

std::vector<int64_t> Ids(uint32_t from, uint32_t to)
{
    std::vector<int64_t> ids;
    for (uint32_t id = from; id <= to; ++id) {
        ids.push_back(id);
    }
    return ids;
}

TEST_F(ExtentOnServer, CountsTheObjectsOfAClass)
{
    StoreItems(7);
    int32_t count = -1;
    EXPECT_EQ(Cursor()->GetNum(count), 1);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(Cursor(kOidOrder, kPlain)->GetNum(count), 1);
    EXPECT_EQ(count, 0);
    // a class the catalog does not know is a failure, not an empty extent
    TestCursor unknown(environment_.get(), db_.get(), KxClassId(9, 1), kOidOrder, 0);
    EXPECT_LT(unknown.GetNum(count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(ExtentOnServer, ScansEveryObjectOnceForwardsAndBackwards)
{
    // nothing, less than an array, exactly one array, several arrays ending in a short one
    for (uint32_t n : {0u, 1u, 3u, 7u}) {
        SCOPED_TRACE(n);
        StoreItems(n);
        auto cursor = Cursor();
        EXPECT_EQ(Scan(*cursor), Ids(1, n));
        EXPECT_EQ(cursor->GetRowsPerFetch(), 3);
        std::vector<int64_t> reversed = Ids(1, n);
        std::reverse(reversed.begin(), reversed.end());
        EXPECT_EQ(Scan(*Cursor(), true), reversed);
        EXPECT_EQ(Scan(*Cursor(IndexNumber("byRank"))), Ids(1, n));
        DeleteAll(kItem);
    }
}

TEST_F(ExtentOnServer, SeekModesAndRelativeMoves)
{
    StoreItems(7);
    struct Step {
        int32_t offset;
        int32_t mode;
        int64_t expected;
    };
    const std::vector<std::vector<Step>> cases = {
        // relative on a fresh cursor: 0 and 1 both give the first object
        {{0, KXG_SEEK_RELATIVE, 1}},
        {{1, KXG_SEEK_RELATIVE, 1}, {1, KXG_SEEK_RELATIVE, 2}, {0, KXG_SEEK_RELATIVE, 2}},
        {{3, KXG_SEEK_RELATIVE, 3}},
        {{-1, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT}},
        // from the start and from the end
        {{0, KXG_SEEK_FROM_START, 1}, {6, KXG_SEEK_FROM_START, 7}, {7, KXG_SEEK_FROM_START, KXG_E_NO_ELEMENT},
         {-1, KXG_SEEK_FROM_START, KXG_E_NO_ELEMENT}},
        {{0, KXG_SEEK_FROM_END, 7}, {-6, KXG_SEEK_FROM_END, 1}, {-7, KXG_SEEK_FROM_END, KXG_E_NO_ELEMENT},
         {1, KXG_SEEK_FROM_END, KXG_E_NO_ELEMENT}},
        // across arrays, then against the reading direction and back
        {{0, KXG_SEEK_FROM_START, 1}, {4, KXG_SEEK_RELATIVE, 5}, {-3, KXG_SEEK_RELATIVE, 2}, {-1, KXG_SEEK_RELATIVE, 1},
         {-1, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT}, {2, KXG_SEEK_RELATIVE, 3}},
        // backwards from the end, then forwards
        {{-2, KXG_SEEK_FROM_END, 5}, {-1, KXG_SEEK_RELATIVE, 4}, {3, KXG_SEEK_RELATIVE, 7}},
        // past the end: -2005, then moves start again from the current object
        {{5, KXG_SEEK_FROM_START, 6}, {1, KXG_SEEK_RELATIVE, 7}, {1, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT},
         {-1, KXG_SEEK_RELATIVE, 6}},
        {{4, KXG_SEEK_FROM_START, 5}, {5, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT}, {1, KXG_SEEK_RELATIVE, 6}},
        // past the end before any object was current: no object to move from
        {{7, KXG_SEEK_FROM_START, KXG_E_NO_ELEMENT}, {-1, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT},
         {1, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT}, {0, KXG_SEEK_RELATIVE, KXG_E_NO_ELEMENT}},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        auto cursor = Cursor();
        for (size_t s = 0; s < cases[c].size(); ++s) {
            const Step& step = cases[c][s];
            EXPECT_EQ(SeekId(*cursor, step.offset, step.mode), step.expected) << "case " << c << " step " << s;
        }
    }
}

TEST_F(ExtentOnServer, MovesWithinTheFetchedRowsRunNoStatement)
{
    StoreItems(7);
    auto cursor = Cursor();
    ASSERT_EQ(SeekId(*cursor, 0, KXG_SEEK_FROM_START), 1);
    const uint32_t executed = cursor->GetExecutionCount();
    EXPECT_EQ(cursor->GetCachedRowCount(), 3u);
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 2);
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 3);
    EXPECT_EQ(cursor->GetExecutionCount(), executed);
    // the next array comes from the same statement
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 4);
    EXPECT_EQ(cursor->GetExecutionCount(), executed);
    // a backward move opens a continuation that reads the keys in descending order
    EXPECT_EQ(SeekId(*cursor, -1, KXG_SEEK_RELATIVE), 3);
    EXPECT_TRUE(cursor->IsContinuation());
    EXPECT_NE(Text(cursor->GetStatementText()).find("DESC"), std::string::npos) << Text(cursor->GetStatementText());
    // the key-set continuation after the current object's object id and class id, each value bound
    EXPECT_NE(Text(cursor->GetStatementText()).find("(  ( T0.OID = :1 AND T0.CID <= :2 )  OR  ( T0.OID < :3 )  )"),
              std::string::npos)
        << Text(cursor->GetStatementText());
}

TEST_F(ExtentOnServer, IndexScansOrderTiesByObjectAndNullsAsTheEngineDoes)
{
    // ranks with ties across arrays; labels with NULLs (empty) in between
    Store({{1, 5, "m"}, {2, 1, ""}, {3, 5, "a"}, {4, 3, ""}, {5, 5, "z"}, {6, 1, "m"}, {7, 5, ""}, {8, 2, "b"}});
    EXPECT_EQ(Scan(*Cursor(IndexNumber("byRank"))), (std::vector<int64_t>{2, 6, 8, 4, 1, 3, 5, 7}));
    EXPECT_EQ(Scan(*Cursor(IndexNumber("byRank")), true), (std::vector<int64_t>{7, 5, 3, 1, 4, 8, 6, 2}));
    // NULLs sort above every value: last forwards, first backwards
    EXPECT_EQ(Scan(*Cursor(IndexNumber("byLabel"))), (std::vector<int64_t>{3, 8, 1, 6, 5, 2, 4, 7}));
    EXPECT_EQ(Scan(*Cursor(IndexNumber("byLabel")), true), (std::vector<int64_t>{7, 4, 2, 5, 6, 1, 8, 3}));
    // turning round in the middle of the NULLs and of the values
    auto cursor = Cursor(IndexNumber("byLabel"));
    EXPECT_EQ(SeekId(*cursor, 6, KXG_SEEK_FROM_START), 4);
    EXPECT_EQ(SeekId(*cursor, -1, KXG_SEEK_RELATIVE), 2);
    EXPECT_EQ(SeekId(*cursor, -2, KXG_SEEK_RELATIVE), 6);
    EXPECT_EQ(SeekId(*cursor, 3, KXG_SEEK_RELATIVE), 4);
}

TEST_F(ExtentOnServer, SearchesByKeyAndByObjectId)
{
    Store({{1, 10, "a"}, {2, 20, "b"}, {3, 20, "c"}, {4, 30, "d"}, {5, 40, "e"}});
    const uint16_t byRank = IndexNumber("byRank");
    struct Case {
        int32_t rank;
        int32_t comparison;
        int32_t status;
        int64_t found;   // the current object after the search
        int64_t next;    // after a relative seek of 1
    };
    const std::vector<Case> cases = {
        {20, KXG_COMPARE_EQUAL, 0, 2, 3},
        {25, KXG_COMPARE_EQUAL, KXG_E_EXTENT_NOT_FOUND, 0, 4},   // a miss continues from the key
        {25, KXG_COMPARE_GREATER_EQUAL, 0, 4, 5},
        {20, KXG_COMPARE_GREATER_EQUAL, 0, 2, 3},
        {25, KXG_COMPARE_LESS_EQUAL, 0, 3, 4},
        {20, KXG_COMPARE_GREATER, 0, 4, 5},
        {20, KXG_COMPARE_LESS, 0, 1, 2},
        {40, KXG_COMPARE_GREATER, KXG_E_EXTENT_NOT_FOUND, 0, KXG_E_NO_ELEMENT},
        {20, 16 | 0x400, 0, 2, 3},   // 16 is equal, bit 10 ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rank << " " << c.comparison);
        auto cursor = Cursor(byRank);
        KxKeyValue key;
        key.value = &c.rank;
        key.type = KX_TYPE_INT;
        EXPECT_EQ(cursor->Search(&key, 1, c.comparison), c.status);
        if (c.status == 0) {
            KxRef current;
            cursor->GetCurrent(current);
            EXPECT_EQ(current.GetObjId().GetLow(), c.found);
        }
        EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), c.next);
    }

    // by object id: on a cursor in object-id order and on an index cursor
    for (uint16_t index : {kOidOrder, byRank}) {
        SCOPED_TRACE(index);
        auto cursor = Cursor(index);
        KxObjId id(3);
        KxKeyValue key;
        key.value = &id;
        key.type = KX_TYPE_OBJID2;
        EXPECT_EQ(cursor->Search(&key, 1, KXG_COMPARE_EQUAL, kOidOrder), 0);
        KxRef current;
        cursor->GetCurrent(current);
        EXPECT_EQ(current.GetObjId().GetLow(), 3u);
        EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 4);
        KxObjId missing(9);
        key.value = &missing;
        EXPECT_EQ(cursor->Search(&key, 1, KXG_COMPARE_EQUAL, kOidOrder), KXG_E_EXTENT_NOT_FOUND);
        cursor->GetCurrent(current);
        EXPECT_EQ(current.GetObjId().GetLow(), 4u);   // the current object stays
    }

    // refusals
    auto cursor = Cursor(byRank);
    const double wrong = 20;
    KxKeyValue key;
    key.value = &wrong;
    key.type = KX_TYPE_DOUBLE;
    EXPECT_EQ(cursor->Search(&key, 1, KXG_COMPARE_EQUAL), KXG_E_EXTENT_KEY_TYPE);
    const int32_t rank = 20;
    key.value = &rank;
    key.type = KX_TYPE_INT;
    EXPECT_EQ(cursor->Search(&key, 1, KXG_COMPARE_EQUAL, IndexNumber("byLabel")), KXG_E_QUERY_EXECUTE_3);
    EXPECT_EQ(cursor->Search(&key, 1, KXG_COMPARE_EQUAL, kOidOrder), KXG_E_EXTENT_KEY_TYPE);
}

TEST_F(ExtentOnServer, ALostCursorResumesBehindTheLastDeliveredRow)
{
    StoreItems(8);
    for (uint16_t index : {kOidOrder, IndexNumber("byRank")}) {
        SCOPED_TRACE(index);
        auto cursor = Cursor(index);
        std::vector<int64_t> ids;
        int64_t id = SeekId(*cursor, 0, KXG_SEEK_FROM_START);
        while (id > 0) {
            ids.push_back(id);
            if (id == 3 || id == 4 || id == 7) {
                cursor->LoseCursor();   // at the end of an array, in the middle of one
            }
            id = SeekId(*cursor, 1, KXG_SEEK_RELATIVE);
        }
        EXPECT_EQ(id, KXG_E_NO_ELEMENT);
        EXPECT_EQ(ids, Ids(1, 8));
    }
    // lost before anything was delivered: the statement runs again from its start
    auto cursor = Cursor();
    ASSERT_EQ(cursor->Open(), 255);
    cursor->LoseCursor();
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 1);
    EXPECT_EQ(SeekId(*cursor, 3, KXG_SEEK_RELATIVE), 4);
    // lost in the middle of the cached rows, then passing several arrays at once
    cursor->LoseCursor();
    EXPECT_EQ(SeekId(*cursor, 4, KXG_SEEK_RELATIVE), 8);
}

TEST_F(ExtentOnServer, FetchNeedsAStatementAndKeepsToTheBuffer)
{
    StoreItems(8);
    auto cursor = Cursor();
    uint32_t count = 5;
    int32_t skipped = 0;
    EXPECT_EQ(cursor->Fetch(count, skipped), KXG_E_QUERY_EXECUTE_3);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(cursor->Open(), 255);
    count = 100;   // more than the three rows the buffer holds
    EXPECT_EQ(cursor->Fetch(count, skipped), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(cursor->GetState(), KXG_EXTENT_FETCHED);
    // a lost cursor: the first row of the new array was delivered before
    cursor->LoseCursor();
    count = 3;
    EXPECT_EQ(cursor->Fetch(count, skipped), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(skipped, -1) << Text(cursor->GetStatementText());
    count = 3;
    EXPECT_EQ(cursor->Fetch(count, skipped), 0);
    EXPECT_EQ(count, 3u);
    count = 3;
    EXPECT_EQ(cursor->Fetch(count, skipped), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(cursor->GetState(), KXG_EXTENT_END_KNOWN);
}

TEST_F(ExtentOnServer, RowNumLimitsEachStatementAndLeavesScansIncomplete)
{
    StoreItems(7);
    db_->SetRowNum(2);
    auto cursor = Cursor();
    EXPECT_EQ(SeekId(*cursor, 0, KXG_SEEK_FROM_START), 1);
    const std::string text = Text(cursor->GetStatementText());
    EXPECT_EQ(text.find("ORDER BY"), std::string::npos) << text;
    EXPECT_NE(text.find("ROWNUM<3"), std::string::npos) << text;
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 2);
    // the first statement's rows are all there is
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), KXG_E_NO_ELEMENT);
    // a forward continuation never leaves the first key's value: in object-id order it finds nothing
    // behind the current object
    EXPECT_EQ(SeekId(*cursor, -1, KXG_SEEK_RELATIVE), 1);
    EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), KXG_E_NO_ELEMENT);
    const std::string continued = Text(cursor->GetStatementText());
    EXPECT_NE(continued.find("ROWNUM<3 AND  (  ( T0.OID = :1 AND T0.CID >= :2 )  )"), std::string::npos) << continued;
    EXPECT_EQ(continued.find("T0.OID >"), std::string::npos) << continued;
    EXPECT_EQ(continued.find("ORDER BY"), std::string::npos) << continued;
    // backward reads keep their order and their whole continuation
    std::vector<int64_t> reversed = Ids(1, 7);
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(Scan(*Cursor(), true), reversed);
    db_->SetRowNum(0);
}

TEST_F(ExtentOnServer, KeyRangesRestrictTheScan)
{
    Store({{1, 10, "a"}, {2, 20, "b"}, {3, 20, "c"}, {4, 30, "d"}, {5, 40, "e"}, {6, 50, ""}});
    const uint16_t byRank = IndexNumber("byRank");
    const int32_t twenty = 20;
    const int32_t forty = 40;
    KxKeyValue low;
    low.value = &twenty;
    low.type = KX_TYPE_INT;
    KxKeyValue high;
    high.value = &forty;
    high.type = KX_TYPE_INT;
    struct Case {
        const KxKeyValue* lower;
        int32_t lowerComparison;
        const KxKeyValue* upper;
        int32_t upperComparison;
        std::vector<int64_t> ids;
    };
    const std::vector<Case> cases = {
        {&low, KXG_COMPARE_GREATER_EQUAL, &high, KXG_COMPARE_LESS_EQUAL, {2, 3, 4, 5}},
        {&low, KXG_COMPARE_GREATER, &high, KXG_COMPARE_LESS, {4}},
        {&low, KXG_COMPARE_EQUAL, nullptr, 0, {2, 3}},
        {nullptr, 0, &high, KXG_COMPARE_LESS, {1, 2, 3, 4}},
        {nullptr, 0, nullptr, 0, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        auto cursor = Cursor(byRank);
        ASSERT_EQ(cursor->SearchKeys(c.lower, c.lower ? 1 : 0, c.lowerComparison, c.upper, c.upper ? 1 : 0,
                                     c.upperComparison),
                  0);
        EXPECT_EQ(Scan(*cursor), c.ids);
    }
    // a NULL bound on the nullable label: >= NULL is only the NULLs, < NULL every value
    const uint16_t byLabel = IndexNumber("byLabel");
    KxKeyValue null;
    null.type = KX_TYPE_STRING;
    auto cursor = Cursor(byLabel);
    ASSERT_EQ(cursor->SearchKeys(&null, 1, KXG_COMPARE_GREATER_EQUAL, nullptr, 0, 0), 0);
    EXPECT_EQ(Scan(*cursor), (std::vector<int64_t>{6}));
    cursor = Cursor(byLabel);
    ASSERT_EQ(cursor->SearchKeys(nullptr, 0, 0, &null, 1, KXG_COMPARE_LESS), 0);
    EXPECT_EQ(Scan(*cursor), Ids(1, 5));
    // a key of the wrong type
    const double wrong = 1;
    KxKeyValue bad;
    bad.value = &wrong;
    bad.type = KX_TYPE_DOUBLE;
    EXPECT_EQ(Cursor(byRank)->SearchKeys(&bad, 1, KXG_COMPARE_GREATER, nullptr, 0, 0), KXG_E_EXTENT_KEY_TYPE);
}

TEST_F(ExtentOnServer, AQueryRestrictsTheScanUntilItIsDropped)
{
    Store({{1, 10, "a"}, {2, 20, "b"}, {3, 30, "c"}, {4, 40, "d"}, {5, 50, "e"}, {6, 60, "f"}, {7, 70, "g"}});
    // rank (member 0) > 20 AND label (member 1) <> "f"
    KxQuery infix(KxClassId(kItem, 1));
    infix.SetMember(0, KxClassId(kItem, 1), KXG_OP_GT, KxQueryValue::Int(20));
    infix.SetBoolOp(KXG_BOOL_AND);
    infix.SetMember(1, KxClassId(kItem, 1), KXG_OP_NE, KxQueryValue::String("f"));
    KxGenericQuery query(nullptr, infix.GetClassId());
    ASSERT_EQ(infix.Convert2Prefix(query), 0);
    for (uint16_t index : {kOidOrder, IndexNumber("byRank")}) {
        SCOPED_TRACE(index);
        auto cursor = Cursor(index);
        ASSERT_EQ(cursor->SetQuery(&query), 0);
        EXPECT_EQ(Scan(*cursor), (std::vector<int64_t>{3, 4, 5, 7}));
        EXPECT_EQ(Scan(*cursor, true), (std::vector<int64_t>{7, 5, 4, 3}));
        // the query's values are bound ahead of the continuation's
        EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_FROM_START), 4);
        EXPECT_EQ(SeekId(*cursor, 2, KXG_SEEK_RELATIVE), 7);
        EXPECT_EQ(SeekId(*cursor, -1, KXG_SEEK_RELATIVE), 5);
        ASSERT_EQ(cursor->SetQuery(nullptr), 0);
        EXPECT_EQ(Scan(*cursor), Ids(1, 7));
    }
}

TEST_F(ExtentOnServer, WholeRowsGoToTheRowBufferCache)
{
    StoreItems(5);
    KxGRowBufferCache cache(db_.get());
    {
        auto cursor = Cursor();
        cursor->SetReadWholeRows(1);
        cursor->SetRowBufferCache(&cache);
        EXPECT_EQ(cursor->GetRowCacheFlag(), 1);
        EXPECT_EQ(SeekId(*cursor, 0, KXG_SEEK_FROM_START), 1);
        for (uint32_t id : {1u, 2u, 3u}) {
            EXPECT_EQ(cache.Contains(KxObjId(id)), 1) << id;
        }
        EXPECT_EQ(cache.Contains(KxObjId(4)), 0);
        EXPECT_EQ(SeekId(*cursor, 3, KXG_SEEK_RELATIVE), 4);
        EXPECT_EQ(cache.Contains(KxObjId(1)), 0);   // released with the passed rows
        EXPECT_EQ(cache.Contains(KxObjId(4)), 1);
    }
    // the cursor released what it added
    EXPECT_EQ(cache.Contains(KxObjId(4)), 0);
    // a class without PREFETCH caches nothing
    Store({{11, 0, ""}, {12, 0, ""}}, kPlain);
    auto plain = Cursor(kOidOrder, kPlain);
    plain->SetReadWholeRows(1);
    plain->SetRowBufferCache(&cache);
    EXPECT_EQ(SeekId(*plain, 0, KXG_SEEK_FROM_START), 11);
    EXPECT_EQ(plain->GetRowCacheFlag(), 0);
    EXPECT_EQ(plain->GetRowsPerFetch(), 20);
    EXPECT_EQ(cache.Contains(KxObjId(11)), 0);
}

// The cache reads fetched rows where the cursor fetched them; a row still in use when the cursor
// fetches the next array, or goes, keeps its own values.
TEST_F(ExtentOnServer, CachedRowsOutliveTheArrayTheyWereFetchedInto)
{
    StoreItems(7);
    KxGRowBufferCache cache(db_.get());
    auto idOf = [&](KxGSQLObjectBuffer* row) -> int64_t {
        if (row == nullptr) {
            return -1;
        }
        KxGContext context(db_.get());
        KxGRowContext rows(row);
        KxRef ref;
        EXPECT_EQ(ClassMap(kItem).Load(rows, ref, &context), 0);
        return static_cast<int64_t>(ref.GetObjId().GetLow());
    };
    std::unique_ptr<KxGSQLObjectBuffer> taken;
    {
        auto cursor = Cursor();
        cursor->SetReadWholeRows(1);
        cursor->SetRowBufferCache(&cache);
        EXPECT_EQ(SeekId(*cursor, 0, KXG_SEEK_FROM_START), 1);
        taken.reset(cache.Take(KxObjId(2)));   // as a reader takes it
        EXPECT_EQ(cache.AddReference(KxObjId(3), nullptr), 0);   // a second use, kept past the cursor
        EXPECT_EQ(idOf(taken.get()), 2);
        EXPECT_EQ(SeekId(*cursor, 3, KXG_SEEK_RELATIVE), 4);   // the next array: 4, 5, 6
        EXPECT_EQ(idOf(taken.get()), 2);
        ASSERT_EQ(cache.Contains(KxObjId(3)), 1);
        EXPECT_EQ(cache.Contains(KxObjId(5)), 1);
        EXPECT_EQ(SeekId(*cursor, 1, KXG_SEEK_RELATIVE), 5);
    }
    EXPECT_EQ(idOf(taken.get()), 2);
    std::unique_ptr<KxGSQLObjectBuffer> kept(cache.Take(KxObjId(3)));
    EXPECT_EQ(idOf(kept.get()), 3);
    // the cursor released the rows it passed last
    EXPECT_EQ(cache.Contains(KxObjId(5)), 0);
    EXPECT_EQ(cache.Contains(KxObjId(6)), 0);
}

TEST_F(ExtentOnServer, AdapterMakesTheService)
{
    StoreItems(2);
    KxClassId classId(kItem, 1);
    std::unique_ptr<KxGExtentService> service(db_->CreateExtentService(environment_.get(), &classId, -2, 0));
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->GetIndexNumber(), kOidOrder);
    EXPECT_EQ(service->GetReadWholeRows(), -1);
    int32_t count = 0;
    EXPECT_EQ(service->GetNum(count), 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(SeekId(*service, 1, KXG_SEEK_FROM_START), 2);
    EXPECT_EQ(db_->CreateExtentService(environment_.get(), nullptr, -2, 0), nullptr);
}

}  // namespace
