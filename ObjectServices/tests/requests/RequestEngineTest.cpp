// Requests run for real: a class loaded into a creation schema map, its table made on the embedded
// engine through the Oracle adapter, objects inserted, read back and deleted by requests, and a
// compound statement's 32001 objects of one class split into two requests and committed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

const char* const kDictionary = R"(dictionary rows
class 3.1 Item
member count int
member label string count=30
)";

struct ObjectHold {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectHold>;

class RequestOnServer : public oratest::DatabaseTest {
protected:
    RequestOnServer() : DatabaseTest({.prefix = "REQ_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("rows.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        KxGClass* loaded = nullptr;
        ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(3), loaded, 0), 0) << db_->GetError()->Text();
        oratest::OwnedList list;
        ASSERT_EQ(Items().GetStoreHdl()->CreateClassTable(list), 0);
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1);
        context_ = std::make_unique<KxGTransactionContext>(nullptr, nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        context_.reset();
        objects_.clear();
        map_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    KxGClassMap& Items() { return *map_->FindClass(3)->GetClassMap(); }

    KxObject& NewItem(uint32_t id, int32_t count)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(0, objects_mgr_.Create(dictionary_->GetCurrentVersion(3)->AsClass(), KxObjId(id), object));
        objects_.emplace_back(object);
        if (count != 0) {
            Count(*object) = count;
            Label(*object) = KxString(("item " + std::to_string(id)).c_str());
        }
        return *object;
    }
    static int32_t& Count(KxObject& object)
    {
        return *reinterpret_cast<int32_t*>(object.MemberAddress(*object.GetMetaClass()->FindMember("count"), 0));
    }
    static KxString& Label(KxObject& object)
    {
        return *reinterpret_cast<KxString*>(object.MemberAddress(*object.GetMetaClass()->FindMember("label"), 0));
    }

    // A request of the operation over new aliases of the objects.
    std::unique_ptr<KxGRequest> Make(int32_t operation, const std::vector<KxObject*>& objects)
    {
        auto request = std::make_unique<KxGRequest>(context_.get(), &Items(), Items().GetClass()->GetClassId(), operation);
        for (KxObject* object : objects) {
            EXPECT_EQ(request->AddAlias(new KxCPPObjectAlias(nullptr, nullptr, object)), 0);
        }
        return request;
    }

    std::vector<std::vector<std::string>> Query(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, "S", "s", err);
        EXPECT_TRUE(session) << err.message;
        if (!session) {
            return {};
        }
        auto rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        session->End();
        return rows;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    KxObjectMgr objects_mgr_{nullptr};
    std::vector<ObjectPtr> objects_;
    std::unique_ptr<KxGTransactionContext> context_;
};

TEST_F(RequestOnServer, ObjectsAreInsertedReadBackUpdatedAndDeleted)
{
    std::vector<KxObject*> stored{&NewItem(1, 10), &NewItem(2, 20), &NewItem(3, 30)};
    ASSERT_EQ(Make(KXG_OP_INSERT, stored)->Execute(), 0) << db_->GetError()->Text();
    ASSERT_EQ(db_->CommitConnection(), 1);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM ITEMC3V0"), (std::vector<std::vector<std::string>>{{"3"}}));

    Count(*stored[1]) = 222;
    ASSERT_EQ(Make(KXG_OP_UPDATE, {stored[1]})->Execute(), 0) << db_->GetError()->Text();

    // Read into fresh objects, asked in another order, one of them missing.
    std::vector<KxObject*> fresh{&NewItem(3, 0), &NewItem(99, 0), &NewItem(2, 0), &NewItem(1, 0)};
    ASSERT_EQ(Make(KXG_OP_READ, fresh)->Execute(), 0) << db_->GetError()->Text();
    EXPECT_EQ(Count(*fresh[0]), 30);
    EXPECT_EQ(Count(*fresh[1]), 0);
    EXPECT_EQ(Count(*fresh[2]), 222);
    EXPECT_EQ(Count(*fresh[3]), 10);
    EXPECT_EQ(Text(Label(*fresh[0])), "item 3");

    // The image of a row read from the database.
    auto image = Make(KXG_OP_IMAGE_READ, {stored[0]});
    ASSERT_EQ(image->Execute(), 0);
    ASSERT_EQ(image->GetOutputCount(), 1u);
    EXPECT_NE(image->GetOutput(0)->GetBuffer(), nullptr);

    // A delete of one present and one missing row: the warning, and the present one is gone.
    std::vector<KxObject*> doomed{stored[0], &NewItem(98, 1)};
    EXPECT_EQ(Make(KXG_OP_DELETE, doomed)->Execute(), KXG_W_NO_ROW_AFFECTED);
    EXPECT_EQ(Make(KXG_OP_DELETE, {stored[1]})->Execute(), 0);
    ASSERT_EQ(db_->CommitConnection(), 1);
    EXPECT_EQ(Query("SELECT OID FROM ITEMC3V0"), (std::vector<std::vector<std::string>>{{"3"}}));
}

TEST_F(RequestOnServer, ACompoundStatementWrites32001ObjectsInTwoRequests)
{
    context_->RaiseLevel();
    KxGResourceMgr* level = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, context_.get());
    KxGResourceMgr* made = db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, context_.get());
    auto* compound = dynamic_cast<KxGCompoundStatement*>(made);
    ASSERT_NE(compound, nullptr);
    ASSERT_EQ(context_->Push(level), 0);
    ASSERT_EQ(context_->Push(compound), 0);
    constexpr uint32_t kObjects = 32001;
    for (uint32_t id = 1; id <= kObjects; ++id) {
        auto* alias = new KxCPPObjectAlias(nullptr, nullptr, &NewItem(id, static_cast<int32_t>(id)));
        ASSERT_EQ(compound->AddToRequest(&Items(), Items().GetClass()->GetClassId(), KXG_OP_INSERT, alias), 0);
    }
    ASSERT_EQ(compound->GetRequests().Count(), 2u);
    EXPECT_EQ(compound->GetRequests().At(0)->GetAliasCount(), 32000u);
    EXPECT_EQ(compound->GetRequests().At(1)->GetAliasCount(), 1u);
    ASSERT_EQ(compound->XAPrepare(), 0) << db_->GetError()->Text();
    EXPECT_EQ(compound->XACommit(), 0);
    context_->PopTo(compound);
    EXPECT_EQ(level->XAPrepare(), 0);
    EXPECT_EQ(level->XACommit(), 0);
    context_->PopTo(level);
    db_->DeleteResourceMgr(compound);
    db_->DeleteResourceMgr(level);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM ITEMC3V0"), (std::vector<std::vector<std::string>>{{"32001"}}));

    // One read request fetches them all back.
    std::vector<KxObject*> fresh;
    for (uint32_t id = 1; id <= kObjects; ++id) {
        fresh.push_back(&NewItem(id, 0));
    }
    ASSERT_EQ(Make(KXG_OP_READ, fresh)->Execute(), 0) << db_->GetError()->Text();
    uint32_t wrong = 0;
    for (uint32_t i = 0; i < kObjects; ++i) {
        wrong += Count(*fresh[i]) != static_cast<int32_t>(i + 1) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u);
}

}  // namespace
