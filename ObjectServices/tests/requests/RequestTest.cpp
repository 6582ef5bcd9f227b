// Executing requests: which buffer-map operations each operation runs and in which order, the
// statements they prepare, the delete's row counts, error paths, reads into images, and the split of
// a compound statement's objects into requests of at most 32000.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxGBufferMap.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGDatabaseTrace.h"
#include "KxGFakeAdapter.h"
#include "KxGMemberMap.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxObjectAlias.h"
#include "TestSupport.h"

namespace {

// Everything that happened, in order: "<map>:<operation>" and "exec:<statement text>".
using Log = std::vector<std::string>;

std::string Joined(const Log& log)
{
    std::string text;
    for (const std::string& entry : log) {
        text += (text.empty() ? "" : " ") + entry;
    }
    return text;
}

// What executing a statement text does.
struct Outcome {
    bool fails = false;
    int32_t code = -6017;     // the error object's code after a failure
    int32_t affected = -1;    // rows affected; -1: as many as bound (at least 1)
};

// A database whose statement handles execute by script.
class ScriptedDatabase : public KxGFakeDatabase {
public:
    explicit ScriptedDatabase(Log& log)
        : KxGFakeDatabase(KxString("LOCAL"), KxString("shop"), KxString("u"), KxString("p"), nullptr, nullptr),
          log_(log)
    {
    }

    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override
    {
        return new Handle(*this, statementTemplate->GetSQLText().StrGet());
    }

    std::map<std::string, Outcome> outcomes;

private:
    class Handle : public KxGStatementHdl {
    public:
        Handle(ScriptedDatabase& database, std::string text) : database_(database), text_(std::move(text)) {}
        void Destroy(KxGStatementHdl* handle) override
        {
            if (handle == nullptr) {
                delete this;
            }
        }
        uint16_t BindParameter(uint16_t, KxGTypeHdl*, int32_t, int32_t, int32_t, void*, void*) override { return 1; }
        uint16_t BindResult(uint16_t, KxGTypeHdl*, int32_t, void*, void*) override { return 1; }
        int32_t ExecuteNonSelect(const KxString&) override { return 1; }
        int32_t ValidateSelectList(const KxString&) override { return 1; }
        uint16_t Execute(uint32_t rows) override
        {
            database_.log_.push_back("exec:" + text_);
            const Outcome outcome = database_.outcomes[text_];
            if (outcome.fails) {
                static_cast<KxGFakeDatabaseError*>(database_.GetError())->Set(outcome.code, 942, "scripted");
                return 0;
            }
            affected_ = outcome.affected >= 0 ? uint32_t(outcome.affected) : (rows > 0 ? rows : 1);
            return 1;
        }
        uint16_t RowCount(uint32_t& rows) override
        {
            rows = affected_;
            return 1;
        }
        uint16_t Fetch(uint32_t& rows) override
        {
            rows = 0;
            return 1;
        }
        uint16_t MoreResults(uint16_t& more) override
        {
            more = 0;
            return 1;
        }
        uint16_t CloseCursor() override { return 1; }
        uint16_t UnbindParams() override { return 1; }
        uint16_t UnbindResults() override { return 1; }

    private:
        ScriptedDatabase& database_;
        std::string text_;
        uint32_t affected_ = 0;
    };

    Log& log_;
};

// A buffer map that logs its operations, answers scripted results and prepares statements of given
// texts (each bound to `rows` rows).
class ScriptedMap : public KxGBufferMap {
public:
    ScriptedMap(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    std::map<std::string, int32_t> results;
    std::vector<std::string> statements;   // texts PrepareStatements appends
    int32_t rows = 0;                      // rows each prepared statement is bound to
    std::vector<bool> found;               // ReadObjects: whether a row comes back for alias i
    std::vector<size_t> sizes;             // the object counts FillRows was given

    bool leavesError = false;              // FillRows leaves an error (leftCode, native 942)
    int32_t leftCode = 0;

    int32_t FillRows(const KxGAliasVector& objects, KxGRequest& request, KxGContext*) override
    {
        sizes.push_back(objects.size());
        if (leavesError) {
            static_cast<KxGFakeDatabaseError*>(request.GetDatabase()->GetError())->Set(leftCode, 942, "left by the map");
        }
        auto buffer = std::make_unique<KxGSQLObjectBuffer>(8, request.GetDatabase(), 0);
        buffer->Allocate(static_cast<int32_t>(objects.size()));
        request.SetObjectBuffer(std::move(buffer));
        return Called("FillRows");
    }
    int32_t FillRowsFromList(const KxGAliasVector&, KxGRequest&, KxGContext*) override
    {
        return Called("FillRowsFromList");
    }
    int32_t LoadRows(const KxGAliasVector&, const KxGAliasVector&, KxGContext*) override { return Called("LoadRows"); }
    int32_t ReadObjects(KxGObjectFetcher& reader, const KxGAliasVector& aliases) override
    {
        for (size_t i = 0; i < aliases.size(); ++i) {
            if (i < found.size() && found[i]) {
                auto row = std::make_unique<KxGSQLObjectBuffer>(8, reader.GetDatabase(), 0);
                row->Allocate(1);
                EXPECT_EQ(reader.LoadAlias(*aliases[i], std::move(row)), 0);
            } else {
                EXPECT_EQ(reader.NotFound(*aliases[i]), 0);
            }
        }
        return Called("ReadObjects");
    }
    int32_t PrepareStatements(KxGRequest& request, KxObjectAlias*) override
    {
        for (const std::string& text : statements) {
            auto* statement = new KxGStoreStatement(request.GetDatabase(), new KxGStoreStatementTemplate(KxString(text.c_str())), 0);
            statement->SetOwnsTemplate(1);
            statement->SetRowCount(static_cast<uint32_t>(rows));
            request.GetStatements().Append(statement);
        }
        return Called("PrepareStatements");
    }
    int32_t ResetRows(KxGRequest&, const KxGAliasVector&, KxObjectAlias*) override { return Called("ResetRows"); }
    int32_t ExecuteTableMaps(KxGRequest&, const KxGAliasVector&) override { return Called("ExecuteTableMaps"); }
    int32_t FillIdRows(KxGRequest&, const KxGAliasVector&, KxObjectAlias*) override { return Called("FillIdRows"); }

private:
    int32_t Called(const std::string& operation)
    {
        log_.push_back(name_ + ":" + operation);
        auto it = results.find(operation);
        return it != results.end() ? it->second : 0;
    }

    std::string name_;
    Log& log_;
};

// A set member map: a member map of the class that is a buffer map of its own table.
class ScriptedSetMap : public KxGMemberMap, public ScriptedMap {
public:
    explicit ScriptedSetMap(Log& log) : ScriptedMap("set", log) {}
    int32_t GetColumns(KxGColumnList&) override { return 0; }
    const KxString& GetName() const override { return name_; }
    uint16_t GetOwnerClassNumber() const override { return 7; }
    KxGBufferMap* AsBufferMap() override { return this; }

private:
    KxString name_{"Items"};
};

const KxClassId kClass(7, 0);

KxRef Ref(uint32_t id, const KxClassId& classId = kClass)
{
    return KxRef(KxObjId(id), classId);
}

class RequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxGFakeScript::Reset();
        auto main = std::make_unique<ScriptedMap>("main", log_);
        main_ = main.get();
        classMap_.SetNameStem(KxString("Shop"));
        classMap_.SetClassBufferMap(std::move(main));
        classMap_.AddMemberMap(&set_);
        main_->statements = {"DELETE FROM SHOP"};
        set_.statements = {"DELETE FROM ITEMS"};
    }

    // A request of the operation with refs 1..count (KxRefObjectAlias).
    std::unique_ptr<KxGRequest> Make(int32_t operation, uint32_t count = 2)
    {
        auto request = std::make_unique<KxGRequest>(&context_, &classMap_, kClass, operation);
        for (uint32_t i = 1; i <= count; ++i) {
            EXPECT_EQ(request->AddAlias(new KxRefObjectAlias(Ref(i))), 0);
        }
        return request;
    }

    Log log_;
    ScriptedDatabase db_{log_};
    KxGTransactionContext context_{nullptr, nullptr, nullptr, &db_};
    KxGClassMap classMap_{nullptr, nullptr};
    ScriptedMap* main_ = nullptr;
    ScriptedSetMap set_{log_};
};

TEST_F(RequestTest, EachOperationRunsItsStepsOnEveryMapInOrder)
{
    // Map by map, each on the request's buffer: rows, statements, their execution, completion.
    const auto write = [](const std::string& fill) {
        return "main:" + fill + " main:PrepareStatements exec:DELETE FROM SHOP main:ExecuteTableMaps main:ResetRows set:" +
               fill + " set:PrepareStatements exec:DELETE FROM ITEMS set:ExecuteTableMaps set:ResetRows";
    };
    const std::string remove =
        "main:FillIdRows main:PrepareStatements exec:DELETE FROM SHOP set:FillIdRows set:PrepareStatements "
        "exec:DELETE FROM ITEMS";
    const struct {
        int32_t operation;
        std::string steps;
        int32_t operationAfter;
    } cases[] = {
        {KXG_OP_NONE, "", KXG_OP_NONE},
        {KXG_OP_INSERT, write("FillRows"), KXG_OP_INSERT},
        {KXG_OP_UPDATE, write("FillRows"), KXG_OP_UPDATE},
        {KXG_OP_DELETE, remove, KXG_OP_DELETE},
        {KXG_OP_READ, "main:ReadObjects set:ReadObjects main:LoadRows set:LoadRows", KXG_OP_NONE},
        {KXG_OP_IMAGE_OBJECT, "main:FillRows set:FillRows", KXG_OP_IMAGE_OBJECT},
        {KXG_OP_IMAGE_SQL, "main:FillRowsFromList set:FillRowsFromList", KXG_OP_IMAGE_SQL},
        {KXG_OP_IMAGE_READ, "main:ReadObjects set:ReadObjects", KXG_OP_IMAGE_READ},
        {KXG_OP_REINSERT, write("FillRowsFromList"), KXG_OP_INSERT},
        {KXG_OP_WRITE_BACK, write("FillRowsFromList"), KXG_OP_UPDATE},
        {KXG_OP_DELETE_REPAIR, remove, KXG_OP_DELETE},
        {5, "", 5},
        {99, "", 99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        log_.clear();
        auto request = Make(c.operation);
        EXPECT_EQ(request->Execute(), 0);
        EXPECT_EQ(Joined(log_), c.steps);
        EXPECT_EQ(request->GetOperation(), c.operationAfter);
    }
    // An image keeps the rows: the class buffer map's as its buffer, the set's behind it.
    auto image = Make(KXG_OP_IMAGE_OBJECT);
    ASSERT_EQ(image->Execute(), 0);
    ASSERT_EQ(image->GetOutputCount(), 1u);
    EXPECT_NE(image->GetOutput(0)->GetBuffer(), nullptr);
    EXPECT_EQ(image->GetOutput(0)->GetObjectBuffers().Count(), 1u);
    EXPECT_EQ(image->GetObjectBuffer(), nullptr);

    // Without objects nothing runs.
    log_.clear();
    EXPECT_EQ(Make(KXG_OP_INSERT, 0)->Execute(), 0);
    EXPECT_EQ(Joined(log_), "");
}

TEST_F(RequestTest, ADeleteRunsEveryStatementAndCountsOnlyTheMainTable)
{
    const struct {
        int32_t boundRows;
        int32_t mainAffected;
        int32_t setAffected;
        int32_t result;
    } cases[] = {
        {1, 1, 1, 0},
        {1, 1, 0, 0},                       // an empty set: nothing to delete there
        {1, 0, 1, KXG_W_NO_ROW_AFFECTED},   // the object's row is missing
        {1, 0, 0, KXG_W_NO_ROW_AFFECTED},
        {3, 3, 0, 0},
        {3, 2, 5, KXG_W_NO_ROW_AFFECTED},   // one of three rows is missing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mainAffected) + "/" + std::to_string(c.setAffected));
        log_.clear();
        main_->rows = c.boundRows;
        db_.outcomes["DELETE FROM SHOP"] = {.affected = c.mainAffected};
        db_.outcomes["DELETE FROM ITEMS"] = {.affected = c.setAffected};
        EXPECT_EQ(Make(KXG_OP_DELETE)->Execute(), c.result);
        EXPECT_EQ(Joined(log_), "main:FillIdRows main:PrepareStatements exec:DELETE FROM SHOP set:FillIdRows "
                                "set:PrepareStatements exec:DELETE FROM ITEMS");
    }
}

TEST_F(RequestTest, FailuresAreAnsweredWithTheirCodeAndStopTheRest)
{
    const struct {
        const char* name;
        int32_t operation;
        const char* map;              // "main" or "set": whose operation fails
        const char* failing;          // the map operation answering `answer`, or a statement text
        int32_t answer;
        int32_t result;
        const char* lastStep;
    } cases[] = {
        {"fill", KXG_OP_INSERT, "main", "FillRows", -6050, -6050, "main:FillRows"},
        {"prepare", KXG_OP_UPDATE, "set", "PrepareStatements", -6091, -6091, "set:PrepareStatements"},
        {"statement", KXG_OP_INSERT, "", "DELETE FROM SHOP", -6017, -6017, "exec:DELETE FROM SHOP"},
        {"statement without code", KXG_OP_INSERT, "", "DELETE FROM SHOP", 0, KXG_E_RDBMS, "exec:DELETE FROM SHOP"},
        {"table maps", KXG_OP_INSERT, "main", "ExecuteTableMaps", -6082, -6082, "main:ExecuteTableMaps"},
        {"reset", KXG_OP_UPDATE, "set", "ResetRows", -6071, -6071, "set:ResetRows"},
        {"delete", KXG_OP_DELETE, "", "DELETE FROM SHOP", -6017, -6017, "exec:DELETE FROM SHOP"},
        {"id rows", KXG_OP_DELETE, "main", "FillIdRows", -2030, -2030, "main:FillIdRows"},
        {"read", KXG_OP_READ, "main", "ReadObjects", -6083, -6083, "main:ReadObjects"},
        {"copy", KXG_OP_READ, "set", "LoadRows", -6072, -6072, "set:LoadRows"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log_.clear();
        db_.outcomes.clear();
        main_->results.clear();
        set_.results.clear();
        std::string map = c.map;
        if (map.empty()) {
            db_.outcomes[c.failing] = {.fails = true, .code = c.answer};
        } else {
            (map == "main" ? *main_ : static_cast<ScriptedMap&>(set_)).results[c.failing] = c.answer;
        }
        auto request = Make(c.operation);
        EXPECT_EQ(request->Execute(), c.result);
        ASSERT_FALSE(log_.empty());
        EXPECT_EQ(log_.back(), c.lastStep) << Joined(log_);
    }
}

TEST_F(RequestTest, AMapErrorIsRecordedWithTheClassUnlessTheDatabaseHoldsOneAlready)
{
    const struct {
        int32_t answer;         // FillRows of the main map
        int32_t leftCode;       // an error the map leaves in the error object (native code 942); 0: none
        bool leavesError;
        int32_t result;
        const char* text;       // in the error object's text afterwards
    } cases[] = {
        {-6050, 0, false, -6050, " ,class Shop"},
        {7, 0, false, 7, " ,class Shop"},           // a warning is recorded too
        {-6050, -6093, true, -6093, "left by the map"},
        {0, -6093, true, -6093, "left by the map"},
        {0, 0, true, KXG_E_RDBMS, "left by the map"},   // an error without code is no success
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.answer) + "/" + std::to_string(c.leftCode));
        main_->results["FillRows"] = c.answer;
        main_->leavesError = c.leavesError;
        main_->leftCode = c.leftCode;
        EXPECT_EQ(Make(KXG_OP_IMAGE_OBJECT)->Execute(), c.result);
        EXPECT_NE(std::string(db_.GetError()->Text()).find(c.text), std::string::npos) << db_.GetError()->Text();
    }
}

TEST_F(RequestTest, AnUpdateCountThatDiffersIsTracedNotChecked)
{
    TempDir dir;
    KxGDatabaseTrace trace(KxString(dir.Path("trace.txt")), KXG_TRACE_SM, nullptr);
    db_.SetTrace(&trace);
    main_->statements = {"UPDATE SHOP"};
    set_.statements.clear();
    main_->rows = 2;
    db_.outcomes["UPDATE SHOP"] = {.affected = 1};
    EXPECT_EQ(Make(KXG_OP_UPDATE)->Execute(), 0);
    db_.outcomes["UPDATE SHOP"] = {.affected = 2};
    EXPECT_EQ(Make(KXG_OP_UPDATE)->Execute(), 0);
    trace.Flush();
    const std::string text = ReadFile(dir.Path("trace.txt"));
    EXPECT_NE(text.find("update of class Shop: 1 rows affected of 2 bound"), std::string::npos) << text;
    EXPECT_EQ(text.find("2 rows affected"), std::string::npos) << text;
    db_.SetTrace(nullptr);
}

TEST_F(RequestTest, ReadRowsGoIntoAnImagePerObject)
{
    main_->found = {true, false, true};
    auto request = Make(KXG_OP_IMAGE_READ, 3);
    EXPECT_EQ(request->Execute(), 0);
    ASSERT_EQ(request->GetOutputCount(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        KxRef ref;
        request->GetOutput(i)->GetRef(ref);
        EXPECT_EQ(ref.GetObjId(), KxObjId(i + 1));
        EXPECT_EQ(request->GetOutput(i)->GetBuffer() != nullptr, main_->found[i]) << i;
    }

    // Objects of another class than the fetch key's are not copied.
    log_.clear();
    auto other = std::make_unique<KxGRequest>(&context_, &classMap_, kClass, KXG_OP_READ);
    other->SetFetchKey(Ref(1, KxClassId(8, 0)));
    other->AddAlias(new KxRefObjectAlias(Ref(1)));
    EXPECT_EQ(other->Execute(), 0);
    EXPECT_EQ(Joined(log_), "main:ReadObjects set:ReadObjects");
}

TEST_F(RequestTest, FetchKeyClearAndReset)
{
    auto request = Make(KXG_OP_NONE, 0);
    EXPECT_FALSE(request->HasFetchKey());
    request->AddAlias(new KxRefObjectAlias(Ref(5)));
    request->AddAlias(new KxRefObjectAlias(Ref(6)));
    EXPECT_EQ(request->GetFetchKey(), Ref(5));

    auto keyed = Make(KXG_OP_NONE, 0);
    keyed->SetFetchKey(Ref(9));
    keyed->AddAlias(new KxRefObjectAlias(Ref(5)));
    EXPECT_EQ(keyed->GetFetchKey(), Ref(9));

    // Reset forgets the aliases without deleting them: the caller took them over.
    std::vector<std::unique_ptr<KxObjectAlias>> taken;
    for (KxObjectAlias* alias : keyed->GetAliases()) {
        taken.emplace_back(alias);
    }
    keyed->SetOperation(KXG_OP_INSERT);
    keyed->Reset();
    EXPECT_EQ(keyed->GetAliasCount(), 0u);
    EXPECT_EQ(keyed->GetOperation(), KXG_OP_NONE);

    // Executed statements are gone; Clear deletes aliases and images (the sanitizer tells).
    request->SetOperation(KXG_OP_UPDATE);
    EXPECT_EQ(request->Execute(), 0);
    EXPECT_EQ(request->GetStatements().Count(), 0u);
    EXPECT_EQ(request->GetOutputCount(), 1u);
    request->Clear();
    EXPECT_EQ(request->GetAliasCount(), 0u);
    EXPECT_EQ(request->GetOutputCount(), 0u);
    EXPECT_EQ(request->GetStatements().Count(), 0u);
}

TEST_F(RequestTest, MemberMapsSeeTheNestedLevelFlag)
{
    const struct {
        int32_t level;
        uint16_t flags;
        int32_t word;
    } cases[] = {{1, 1, 0}, {2, 1, 8}, {3, 0, 0}, {0, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        KxGTransactionContext context(nullptr, nullptr, nullptr, &db_);
        KxGCompoundStatement compound(&context, 10);
        compound.SetFlags(c.flags);
        KxGTransaction parent(&context);
        if (c.level > 0) {
            context.SetLevel(c.level);
            ASSERT_EQ(context.Push(&parent), 0);
            ASSERT_EQ(context.Push(&compound), 0);
            EXPECT_EQ(compound.GetLevel(), c.level);
        }
        KxGRequest request(&context, &classMap_, kClass, KXG_OP_INSERT);
        EXPECT_EQ(request.GetMemberMapContext()->GetWord(), c.word);
        EXPECT_EQ(request.GetDatabase(), &db_);
        context.PopTo(&parent);
    }
}

TEST_F(RequestTest, ACompoundStatementSplitsAClassIntoRequestsOf32000Objects)
{
    KxGCompoundStatement compound(&context_, 10);
    for (uint32_t i = 1; i <= 32001; ++i) {
        auto* alias = new KxRefObjectAlias(Ref(i));
        ASSERT_EQ(compound.AddToRequest(&classMap_, kClass, KXG_OP_INSERT, alias), 0);
    }
    auto* deleted = new KxRefObjectAlias(Ref(40000));
    ASSERT_EQ(compound.AddToRequest(&classMap_, kClass, KXG_OP_DELETE, deleted), 0);
    const KxGRequestList& requests = compound.GetRequests();
    ASSERT_EQ(requests.Count(), 3u);
    EXPECT_EQ(requests.At(0)->GetAliasCount(), 32000u);
    EXPECT_EQ(requests.At(1)->GetAliasCount(), 1u);
    EXPECT_EQ(requests.At(0)->GetFetchKey(), Ref(1));
    EXPECT_EQ(requests.At(1)->GetFetchKey(), Ref(32001));
    EXPECT_EQ(requests.At(2)->GetOperation(), KXG_OP_DELETE);

    set_.statements.clear();
    EXPECT_EQ(compound.ExecuteRequests(), 0);
    EXPECT_EQ(main_->sizes, (std::vector<size_t>{32000, 1}));
}

}  // namespace
