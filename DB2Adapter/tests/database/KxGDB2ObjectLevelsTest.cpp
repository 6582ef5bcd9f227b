// Transaction levels of the DB2 adapter over stored objects, on the call-level interface stand-in:
// the levels are begun, committed and aborted by the gateway transaction manager; every level below
// the outermost is a replaying level, so that rolling one back writes the before-images of what it
// changed. Objects of a mapped class are stored and deleted through the object storer on the
// compound statement on top. The schema map works on one connection, the transaction context on a
// second one.
//
// Steps (each answers one result, blanks between):
//   T  begin a transaction level                 C  begin an inner level (compound statement)
//   c  commit the top level                      a  abort the top level
//   sN=label   store node N (made when new) with the label      dN  delete node N (its row)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DB2TestFixture.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGObjectStorer.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGQueryService.h"
#include "KxGResourceMgr.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStoreHandlers.h"
#include "KxGTransactionContext.h"
#include "KxGatewayTransactionMgr.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxParameter.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxTransaction.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

const char* const kDictionary = R"(dictionary db2levels
class 2.1 Node
member label string count=20
member number int
)";

KxGCreationSchemaMap* gMap = nullptr;

struct OwnedList : KxGStatementTemplateList {
    ~OwnedList() { ClearAll(); }
};

KxGClassMap* LookUp(KxGCatalog*, const KxClassId& classId)
{
    KxGClass* found = gMap != nullptr ? gMap->FindClass(classId.GetClassNumber()) : nullptr;
    return found != nullptr ? found->GetClassMap() : nullptr;
}

class DB2ObjectLevels : public db2test::DB2Fixture {
protected:
    void SetUp() override
    {
        DB2Fixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxParameterList start;
        start.Append("ClientName", "db2_levels_tests");
        kernel_ = InitKelvox(&start);
        ASSERT_EQ(kernel_, 0);
        txnDb_ = db2test::Make("gwdb");
        ASSERT_TRUE(txnDb_);
        ASSERT_NE(txnDb_->OpenConnection(), 0) << txnDb_->GetError()->Text();

        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("db2levels.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        gMap = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        KxGClass* loaded = nullptr;
        ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(2), loaded, 0), 0) << db_->GetError()->Text();
        KxGClassMap& classMap = *loaded->GetClassMap();
        OwnedList list;
        ASSERT_EQ(classMap.GetStoreHdl()->CreateClassTable(list), 0);
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
            ASSERT_EQ(run.Execute(), 1) << Text(list.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
        }
        ASSERT_NE(db_->CommitConnection(), 0);
        KxGTable table;
        ASSERT_EQ(classMap.GetStoreHdl()->GetClassTable(table), 0);
        table_ = Text(table.GetQualifiedName());

        base_ = std::make_unique<KxBase>(KxString("gwdb"));
        environment_ = std::make_unique<KxGOperationEnvironment>(base_.get(), nullptr, nullptr, nullptr, 0, 0);
        environment_->SetClassMapLookup(&LookUp);
        resource_ = std::make_unique<KxTransactionResource>(nullptr, base_.get());
        handle_ = std::make_unique<KxTransactionResourceHandle>(resource_.get());
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), nullptr, handle_.get(), txnDb_.get());
        resource_->SetContext(context_.get());
        manager_ = std::make_unique<KxGatewayTransactionMgr>(nullptr);
    }

    void TearDown() override
    {
        while (context_ && context_->GetLevel() > 0) {
            manager_->TXAbort(resource_.get());
        }
        manager_.reset();
        if (resource_) {
            resource_->SetContext(nullptr);
        }
        context_.reset();
        handle_.reset();
        resource_.reset();
        for (auto& [id, object] : nodes_) {
            object->Release();
        }
        nodes_.clear();
        environment_.reset();
        base_.reset();
        gMap = nullptr;
        map_.reset();
        KxGInstallMappingCompletion(false);
        if (txnDb_) {
            txnDb_->CloseConnection();
        }
        txnDb_.reset();
        if (kernel_ == 0) {
            DeinitKelvox();
        }
        DB2Fixture::TearDown();
    }

    KxObject& Node(uint32_t id)
    {
        auto found = nodes_.find(id);
        if (found != nodes_.end()) {
            return *found->second;
        }
        KxObject* object = nullptr;
        EXPECT_EQ(0, base_->GetObjectMgr()->Create(dictionary_->GetCurrentVersion(2)->AsClass(), KxObjId(id), object));
        nodes_[id] = object;
        *reinterpret_cast<int32_t*>(object->MemberAddress(*object->GetMetaClass()->FindMember("number"), 0)) =
            static_cast<int32_t>(id * 10);
        return *object;
    }

    std::string Run(const std::string& steps)
    {
        std::istringstream in(steps);
        std::string step;
        std::string out;
        while (in >> step) {
            out += (out.empty() ? "" : " ") + std::to_string(Step(step));
        }
        return out;
    }

    int32_t Step(const std::string& step)
    {
        switch (step[0]) {
        case 'T': return manager_->TXBegin(resource_.get(), 0);
        case 'C': return manager_->TXBegin(resource_.get(), 1);
        case 'c': return manager_->TXCommit(resource_.get());
        case 'a': return manager_->TXAbort(resource_.get());
        default: break;
        }
        auto* compound = dynamic_cast<KxGCompoundStatement*>(context_->GetTop());
        if (compound == nullptr) {
            ADD_FAILURE() << step << ": no compound statement on top";
            return -1;
        }
        const size_t equals = step.find('=');
        KxObject& node = Node(static_cast<uint32_t>(std::stoul(step.substr(1, equals))));
        if (step[0] == 'd') {
            return KxGObjectStorer::DeleteObject(environment_.get(), context_.get(), node.GetRef(), 0);
        }
        *reinterpret_cast<KxString*>(node.MemberAddress(*node.GetMetaClass()->FindMember("label"), 0)) =
            KxString::FromUtf8(step.substr(equals + 1));
        KxGObjectStorer storer(environment_.get(), context_.get(), compound, 1, false);
        return storer.StoreObject(nullptr, &node);
    }

    // The committed rows as "id=label/number ..." (read on the schema map's connection). The label
    // column is a CHARACTER column: a value written again from a fetched row comes with its blanks.
    std::string Committed()
    {
        std::string out;
        const int32_t rows = Count(*db_, "SELECT COUNT(*) FROM " + table_);
        for (uint32_t id = 1; id <= 9; ++id) {
            const std::string where = " FROM " + table_ + " WHERE OID = " + std::to_string(id);
            if (Count(*db_, "SELECT COUNT(*)" + where) != 1) {
                continue;
            }
            std::string label = "?";
            for (const char* candidate : {"a", "b", "c", "new", "gone", "x", "f"}) {
                if (Count(*db_, "SELECT COUNT(*)" + where + " AND RTRIM(LABEL0V0) = '" + candidate + "'") == 1) {
                    label = candidate;
                }
            }
            out += (out.empty() ? "" : " ") + std::to_string(id) + "=" + label + "/" +
                   std::to_string(Count(*db_, "SELECT NUMBER1V0" + where));
        }
        db_->CommitConnection();
        return std::to_string(rows) + ": " + out;
    }

    // The row bit of every node's kernel state, "id+" (has its row) or "id-", in id order.
    std::string States()
    {
        std::string out;
        for (const auto& [id, object] : nodes_) {
            out += (out.empty() ? "" : " ") + std::to_string(id) +
                   ((object->GetState() & KXG_STATE_IN_DATABASE) != 0 ? "+" : "-");
        }
        return out;
    }

    int32_t kernel_ = -1;
    db2test::DatabasePtr txnDb_;
    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    std::string table_;
    std::unique_ptr<KxBase> base_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    std::unique_ptr<KxTransactionResource> resource_;
    std::unique_ptr<KxTransactionResourceHandle> handle_;
    std::unique_ptr<KxGTransactionContext> context_;
    std::unique_ptr<KxGatewayTransactionMgr> manager_;
    std::map<uint32_t, KxObject*> nodes_;
};

TEST_F(DB2ObjectLevels, ReplayingLevelsWriteTheBeforeImagesBackOnRollback)
{
    const struct {
        const char* name;
        const char* steps;
        const char* results;
        const char* committed;   // as the other connection reads it afterwards
        const char* states;      // the row bits of the nodes' kernel states afterwards
    } scenarios[] = {
        {"the outermost commit makes the rows visible", "T C s1=a s2=b c c", "1 2 0 0 1 0", "2: 1=a/10 2=b/20",
         "1+ 2+"},
        {"an outermost rollback leaves none", "T C s3=c c a", "1 2 0 1 0", "2: 1=a/10 2=b/20", "1+ 2+ 3-"},
        {"updated in a nested level rolled back: the old values", "T T C s1=new s2=new c a c", "1 2 3 0 0 2 1 0",
         "2: 1=a/10 2=b/20", "1+ 2+ 3-"},
        {"updated, then deleted in one compound statement: back after the rollback", "T T C s1=gone d1 c a c",
         "1 2 3 0 0 2 1 0", "2: 1=a/10 2=b/20", "1+ 2+ 3-"},
        {"updated and deleted in two compound statements: back after the rollback", "T T C s2=gone c C d2 c a c",
         "1 2 3 0 2 3 0 2 1 0", "2: 1=a/10 2=b/20", "1+ 2+ 3-"},
        {"inserted in a nested level rolled back: gone again", "T T C s6=f c a c", "1 2 3 0 2 1 0",
         "2: 1=a/10 2=b/20", "1+ 2+ 3- 6-"},
        {"a nested level committed stays", "T T C s2=x d1 c c c", "1 2 3 0 0 2 1 0", "1: 2=x/20", "1- 2+ 3- 6-"},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(Run(s.steps), s.results);
        while (context_->GetLevel() > 0) {
            manager_->TXAbort(resource_.get());
        }
        EXPECT_EQ(Committed(), s.committed);
        EXPECT_EQ(States(), s.states);
        EXPECT_FALSE(context_->IsRollbackOnly());
    }
}

// The query service on the stored rows: a string constant beyond ASCII, given as UTF-16, is converted
// to the database's character set as a stored member is, and finds its row; so does "<>".
TEST_F(DB2ObjectLevels, AQueryConstantBeyondAsciiFindsTheRowsStoredWithIt)
{
    ASSERT_EQ(Run("T C s1=a s2=Müller s3=O'Müller c c"), "1 2 0 0 0 1 0");
    auto query = [&](const KxString& label, uint16_t compareOp) {
        KxGenericQuery q(dictionary_->GetCurrentVersion(2)->AsClass(), 0, 0);
        EXPECT_EQ(0, q.SetMember(KxString("label")));
        EXPECT_EQ(0, q.Set(11, 1, &label, compareOp, 1, 0));
        KxGQueryService service(environment_.get(), txnDb_.get(), 1);
        std::vector<KxObjId> ids;
        std::string found = std::to_string(service.Run(*map_, q, 0, ids)) + ":";
        std::sort(ids.begin(), ids.end());
        for (const KxObjId& id : ids) {
            found += " " + std::to_string(id.Get64());
        }
        return found;
    };
    EXPECT_EQ(query(KxString(u"Müller"), 1), "0: 2");
    EXPECT_EQ(query(KxString(u"O'Müller"), 1), "0: 3");
    EXPECT_EQ(query(KxString(u"Müller"), 6), "0: 1 3");
    EXPECT_EQ(query(KxString(u"Möller"), 1), "0:");
}

}  // namespace
