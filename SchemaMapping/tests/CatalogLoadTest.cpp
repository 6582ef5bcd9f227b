// The catalog loaded at open through a stand-in class loader: classes from a built dictionary, table
// and column names from KELVOX_CLASSES and KELVOX_MEMBERS on the embedded engine.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CatalogTestSupport.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGExtentContext.h"
#include "KxGOraDatabase.h"
#include "KxGSchemaMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxTypeMgr.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>");
}

// Classes 1 "app.core.Person" (name, age; indexes byName, byAge), 2 "Employee" (Person; salary),
// 3 "Hidden" (below 4 "Secret", which is not mapped as a base), system classes around the mapped
// range, and 65530, which the walk at open passes over.
std::unique_ptr<KxClassDict> BuildDictionary()
{
    KxDictBuilder builder("catalogtest");
    builder.Class(1, 1, "app.core.Person")
        .Value("name", KX_TYPE_STRING)
        .Value("age", KX_TYPE_INT)
        .Index("byName", {"name"})
        .Index("byAge", {"age"}, true);
    builder.Class(2, 1, "Employee").Base("app.core.Person").Value("salary", KX_TYPE_DOUBLE);
    builder.Class(3, 1, "Hidden").Base("Secret").Value("x", KX_TYPE_INT);
    builder.Class(4, 1, "Secret", false, KX_MARK_NOT_MAPPED).Value("code", KX_TYPE_INT);
    for (uint16_t number : {65310, 65311, 65400, 65500, 65501}) {
        builder.Class(number, 1, KxString("Sys") + KxString(static_cast<uint32_t>(number)));
    }
    builder.Class(65530, 1, "Later").Value("note", KX_TYPE_STRING);
    std::unique_ptr<KxClassDict> dictionary;
    KxString error;
    EXPECT_EQ(builder.Build(dictionary, &error), 0) << Text(error);
    return dictionary;
}

// An error object whose code stays 0 whatever it is told.
class SilentError : public KxGOraDatabaseError {
public:
    int32_t ErrorCode() override { return 0; }
};

// A database whose error object reports no code while `silent` is set.
class SilentDatabase : public KxGOraDatabase {
public:
    using KxGOraDatabase::KxGOraDatabase;
    KxGOraDatabaseError* GetError() override { return silent ? &silentError_ : KxGOraDatabase::GetError(); }
    bool silent = false;

private:
    SilentError silentError_;
};

class CatalogLoad : public oratest::DatabaseTest {
protected:
    CatalogLoad() : DatabaseTest({.prefix = "CLD_", .users = {{"S", "s"}}, .traced = true}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        // The fixture's database again, able to hide its error codes.
        db_->CloseConnection();
        auto silent = std::make_unique<SilentDatabase>(KxString(serverName_.c_str()), KxString("s"), KxString("s"),
                                                       KxString("s"), nullptr, nullptr);
        silent_ = silent.get();
        db_ = std::move(silent);
        db_->SetTrace(trace_.get());
        ASSERT_EQ(db_->OpenConnection(), 1) << db_->GetError()->Text();
        dictionary_ = BuildDictionary();
        ASSERT_TRUE(dictionary_);
        cattest::CatalogRows rows(*db_);
        rows.Class(KxClassId(1, 1), "app.core.Person", "PERSONTAB")
            .Class(KxClassId(2, 1), "Employee", "EMPTAB")
            .Class(KxClassId(65311, 1), "Sys65311", "SYSFIRST")
            .Member(KxClassId(1, 1), "1.name", "PNAME")   // keyed by the owner's number
            .Member(KxClassId(1, 1), "age", "PAGE")       // the bare member path
            .Member(KxClassId(1, 1), "friends", "PFRIENDS")
            .Member(KxClassId(2, 1), "2.salary", "SAL")
            .Member(KxClassId(4, 1), "4.code", "CODE");
        oratest::OwnedList list;
        rows.Statements(list);
        RunAll(list);
    }

    void RunAll(KxGStatementTemplateList& list)
    {
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text();
    }
    void Run(const char* sql)
    {
        oratest::OwnedList list;
        list.Append(new KxGStoreStatementTemplate(KxString(sql)));
        RunAll(list);
    }

    // The SQL names of a class map's columns, in member-map order.
    static std::vector<std::string> ColumnNames(KxGClassMap* classMap)
    {
        std::vector<std::string> names;
        for (uint32_t i = 0; classMap != nullptr && i < classMap->GetMemberMapCount(); ++i) {
            KxGColumnList columns;
            classMap->GetMemberMap(i)->GetColumns(columns);
            for (uint32_t c = 0; c < columns.Count(); ++c) {
                names.push_back(Text(columns.GetColumn(c)->GetName()));
            }
        }
        return names;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    cattest::StandInLoader loader_;
    SilentDatabase* silent_ = nullptr;
};

TEST_F(CatalogLoad, LoadsTheMappedClassesWithTheirStoredNames)
{
    KxGCatalog catalog(&loader_);
    std::vector<bool> visibleWhileLoading;
    loader_.onLoading = [&](KxGClass& loading) {
        visibleWhileLoading.push_back(catalog.GetClass(loading.GetClassId()) != nullptr);
    };
    ASSERT_EQ(catalog.Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
    ASSERT_NE(catalog.GetSchemaMap(), nullptr);
    // The root, the user classes in number order (3 is tried and dropped), and the mapped system range.
    EXPECT_EQ(loader_.order, (std::vector<uint16_t>{0, 1, 2, 3, 4, 65311, 65400, 65500}));
    EXPECT_EQ(visibleWhileLoading, std::vector<bool>(loader_.order.size(), false));
    // The KELVOX_MEMBERS reader is not kept once the load is done.
    EXPECT_EQ(catalog.GetSchemaMap()->GetColumnTable(), nullptr);

    const struct {
        const char* what;
        KxClassId id;
        bool visible;
        int32_t extentStatus;
        const char* extent;
    } cases[] = {
        {"root class", KxClassId(0, 0), true, 0, "S.VKXOBJECT0"},
        {"class with a subclass reads through its view", KxClassId(1, 1), true, 0, "S.VPERSON1"},
        {"the version is not compared", KxClassId(1, 7), true, 0, "S.VPERSON1"},
        {"subclass reads its own table", KxClassId(2, 1), true, 0, "S.EMPTAB"},
        {"dropped for a base that is not mapped", KxClassId(3, 1), false, KXG_E_MAP_NO_CLASS, ""},
        {"the unmapped base itself, through the view of its subclass", KxClassId(4, 1), true, 0, "S.VSECRET4"},
        {"system class below the range", KxClassId(65310, 1), false, KXG_E_MAP_NO_CLASS, ""},
        {"first mapped system class", KxClassId(65311, 1), true, 0, "S.SYSFIRST"},
        {"last mapped system class", KxClassId(65500, 1), true, KXG_E_NO_TABLE_NAME, ""},
        {"system class above the range", KxClassId(65501, 1), false, KXG_E_MAP_NO_CLASS, ""},
        {"class the walk passes over", KxClassId(65530, 1), false, KXG_E_MAP_NO_CLASS, ""},
        {"unknown class", KxClassId(999, 1), false, KXG_E_MAP_NO_CLASS, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(catalog.GetClass(c.id) != nullptr, c.visible);
        EXPECT_EQ(catalog.GetClassMap(c.id) != nullptr, c.visible);
        KxGTable table;
        EXPECT_EQ(catalog.GetExtent(c.id, table), c.extentStatus);
        if (c.extentStatus == 0) {
            EXPECT_EQ(Text(table.GetQualifiedName()), c.extent);
        }
    }

    // Own and inherited columns, named under the owner's number or the bare path.
    EXPECT_EQ(ColumnNames(catalog.GetClassMap(KxClassId(1, 1))), (std::vector<std::string>{"PNAME", "PAGE"}));
    EXPECT_EQ(ColumnNames(catalog.GetClassMap(KxClassId(2, 1))),
              (std::vector<std::string>{"PNAME", "PAGE", "SAL"}));
    EXPECT_EQ(Text(catalog.GetClass(KxClassId(1, 1))->GetName()), "Person");

    std::unique_ptr<KxGSelectStatementTemplate> query;
    ASSERT_EQ(catalog.GetExistenceQuery(2, query), 0);
    EXPECT_EQ(Text(query->GetSQLText()), " SELECT OID FROM S.EMPTAB WHERE OID = :1");
    EXPECT_EQ(catalog.GetExistenceQuery(3, query), KXG_E_MAP_NO_CLASS);
    EXPECT_EQ(query, nullptr);
    // The class table of a class without a KELVOX_CLASSES row.
    EXPECT_EQ(catalog.GetExistenceQuery(4, query), KXG_E_NO_TABLE_NAME);
    const std::string trace = TraceText();
    EXPECT_NE(trace.find("Fetch of table name failed, class: Secret"), std::string::npos) << trace;
    EXPECT_NE(trace.find("error=-6089"), std::string::npos);

    catalog.Unload();
    EXPECT_EQ(catalog.GetSchemaMap(), nullptr);
    EXPECT_EQ(catalog.GetClass(KxClassId(1, 1)), nullptr);
}

TEST_F(CatalogLoad, ExtentContextsByIndexAndByObjectId)
{
    KxGCatalog catalog(&loader_);
    ASSERT_EQ(catalog.Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
    const KxMetaClass* person = dictionary_->GetMetaClass(KxClassId(1, 1));
    const uint16_t byName = person->GetIndex(0)->GetNumber();
    const uint16_t byAge = person->GetIndex(1)->GetNumber();

    const struct {
        const char* what;
        KxClassId id;
        uint16_t index;
        bool all;
        int32_t status;
        std::vector<std::string> keys;
        const char* select;
    } cases[] = {
        {"object-id order", KxClassId(1, 1), KXG_NO_INDEX, false, 0, {"OID", "CID"}, "T0.OID,T0.CID"},
        {"object-id order, all columns", KxClassId(1, 1), KXG_NO_INDEX, true, 0, {"OID", "CID"},
         "T0.OID,T0.CID,T0.PNAME,T0.PAGE"},
        {"an index adds the members it covers", KxClassId(1, 1), byName, false, 0, {"PNAME"},
         "T0.OID,T0.CID,T0.PNAME"},
        {"an index with all columns", KxClassId(1, 1), byAge, true, 0, {"PAGE"},
         "T0.OID,T0.CID,T0.PNAME,T0.PAGE"},
        {"an index the class does not have", KxClassId(1, 1), 999, false, KXG_E_NO_INDEX_MEMBER, {}, ""},
        {"a class that is not loaded", KxClassId(3, 1), KXG_NO_INDEX, true, KXG_E_MAP_NO_CLASS, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KxGExtentContext context(c.id, c.index);
        ASSERT_EQ(catalog.GetExtent(context, c.all), c.status);
        if (c.status != 0) {
            continue;
        }
        EXPECT_EQ(Text(context.GetProjection().GetFrom()), "S.VPERSON1 T0");
        EXPECT_EQ(Text(context.GetProjection().GetSelectList()), c.select);
        std::vector<std::string> keys;
        for (uint32_t i = 0; i < context.GetColumns().Count(); ++i) {
            keys.push_back(Text(context.GetColumns().GetColumn(i)->GetName()));
        }
        EXPECT_EQ(keys, c.keys);
        EXPECT_TRUE(context.IsTableKnown());
    }
    // The indexes were loaded once, on first use.
    EXPECT_EQ(loader_.indexLoads, 1);
}

TEST_F(CatalogLoad, AClassLoadedAfterOpenReadsTheMemberTableAgain)
{
    KxGCatalog catalog(&loader_);
    ASSERT_EQ(catalog.Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
    // Rows written after the open are seen: the table is read again for the later class.
    cattest::CatalogRows later(*db_);
    later.Class(KxClassId(65530, 1), "Later", "LATERTAB").Member(KxClassId(65530, 1), "65530.note", "NOTE");
    oratest::OwnedList list;
    later.Statements(list, false);
    RunAll(list);

    ASSERT_EQ(catalog.LoadClass(65530), 0) << db_->GetError()->Text();
    EXPECT_EQ(ColumnNames(catalog.GetClassMap(KxClassId(65530, 1))), (std::vector<std::string>{"NOTE"}));
    KxGTable table;
    EXPECT_EQ(catalog.GetExtent(KxClassId(65530, 1), table), 0);
    EXPECT_EQ(Text(table.GetQualifiedName()), "S.LATERTAB");
    EXPECT_EQ(catalog.GetSchemaMap()->GetColumnTable(), nullptr);

    const size_t loads = loader_.order.size();
    EXPECT_EQ(catalog.LoadClass(1), 0);   // already loaded: nothing runs
    EXPECT_EQ(loader_.order.size(), loads);
    EXPECT_EQ(catalog.LoadClass(12345), KXG_E_MAP_NO_CLASS);

    // A set member's table is stored under its owner's number with the member name as key.
    KxGSchemaMap& map = *catalog.GetSchemaMap();
    KxGClass* person = map.FindClass(1);
    KxGMember friends(KxString("friends"), person, nullptr);
    KxGQualifiedIdentity setTable;
    ASSERT_EQ(map.MapSet2TableName(friends, 0, setTable), 0);
    EXPECT_EQ(Text(setTable.GetQualifiedName()), "S.PFRIENDS");
    KxGMember enemies(KxString("enemies"), person, nullptr);
    EXPECT_EQ(map.MapSet2TableName(enemies, 0, setTable), KXG_E_NO_COLUMN_NAME);
    EXPECT_NE(TraceText().find("Fetch of column name failed, class: Person, member: enemies\n</Error error=-6090>"),
              std::string::npos);
}

TEST_F(CatalogLoad, FailedReadsEndTheLoadWithACode)
{
    const struct {
        const char* what;
        const char* call;
        const char* statementHas;
        bool silent;                    // the error object reports code 0
        int32_t expected;
        std::vector<uint16_t> loaded;   // the classes loaded when the load stopped
    } cases[] = {
        {"options that cannot be read, no code", "OCIStmtExecute", "OPTIONREGISTRY", true, KXG_E_RDBMS, {}},
        {"member names that cannot be read, no code", "OCIStmtExecute", "KELVOX_MEMBERS", true, KXG_E_RDBMS, {0}},
        {"member names that cannot be fetched, no code", "OCIStmtFetch", "KELVOX_MEMBERS", true, KXG_E_RDBMS, {0}},
        {"member names that cannot be fetched, the product's code", "OCIStmtFetch", "KELVOX_MEMBERS", false,
         KXG_E_DUPLICATE_KEY, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KxGCatalog catalog(&loader_);
        sqlengine::Engine::Instance().InjectFailure(c.call, 1, c.statementHas);   // ORA-1: -2028
        silent_->silent = c.silent;
        EXPECT_EQ(catalog.Load(db_.get(), dictionary_.get()), c.expected);
        silent_->silent = false;
        // A failed load keeps the classes loaded so far.
        ASSERT_NE(catalog.GetSchemaMap(), nullptr);
        std::vector<uint16_t> loaded;
        for (uint16_t number : {0, 1, 2}) {
            if (catalog.GetClass(KxClassId(number, 0)) != nullptr) {
                loaded.push_back(number);
            }
        }
        EXPECT_EQ(loaded, c.loaded);
        EXPECT_EQ(catalog.GetSchemaMap()->GetColumnTable(), nullptr);
        // Loading again reads everything anew.
        sqlengine::Engine::Instance().ClearInjectedFailures();
        EXPECT_EQ(catalog.Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
    }

    // A member without a stored column name.
    Run("DELETE FROM S.KELVOX_MEMBERS WHERE MEMBER_NAME = 'age'");
    KxGCatalog catalog(&loader_);
    EXPECT_EQ(catalog.Load(db_.get(), dictionary_.get()), KXG_E_NO_COLUMN_NAME);
    EXPECT_EQ(catalog.GetClass(KxClassId(1, 1)), nullptr);
    EXPECT_NE(TraceText().find("\n<Error>Fetch of column name failed, class: Person, member: age\n</Error error=-6090>"),
              std::string::npos);
}

TEST_F(CatalogLoad, TheLoadersResultsDuringTheWalk)
{
    const struct {
        const char* what;
        uint16_t failing;
        int32_t status;
        int32_t expected;
        std::vector<uint16_t> order;
    } cases[] = {
        {"a class dropped for its base is passed over", 2, KXG_E_BASE_NOT_MAPPED, 0,
         {0, 1, 2, 3, 4, 65311, 65400, 65500}},
        {"any other failure ends the walk", 2, KXG_E_CANNOT_CREATE_CLASS, KXG_E_CANNOT_CREATE_CLASS, {0, 1, 2}},
        {"a root class that cannot be loaded ends the load", 0, KXG_E_CANNOT_CREATE_CLASS,
         KXG_E_CANNOT_CREATE_CLASS, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        cattest::StandInLoader loader;
        loader.failures[c.failing] = c.status;
        KxGCatalog catalog(&loader);
        EXPECT_EQ(catalog.Load(db_.get(), dictionary_.get()), c.expected);
        EXPECT_EQ(loader.order, c.order);
        EXPECT_EQ(catalog.GetClass(KxClassId(c.failing, 1)), nullptr);
        EXPECT_EQ(catalog.GetClass(KxClassId(1, 1)) != nullptr, c.failing != 0);
    }
}

TEST_F(CatalogLoad, TheDefaultLoaderAndDictionariesWithoutMappedClasses)
{
    KxGCatalog withoutLoader;
    EXPECT_EQ(withoutLoader.Load(db_.get(), dictionary_.get()), KXG_E_NOT_SUPPORTED);
    EXPECT_EQ(withoutLoader.GetSchemaMap(), nullptr);

    KxDictBuilder builder("systemonly");
    for (uint16_t number : {65000, 65310, 65501, 65535}) {
        builder.Class(number, 1, KxString("Sys") + KxString(static_cast<uint32_t>(number)));
    }
    std::unique_ptr<KxClassDict> systemOnly;
    ASSERT_EQ(builder.Build(systemOnly), 0);

    cattest::DefaultLoader scope(&loader_);
    KxGCatalog catalog;   // as the admin makes it
    ASSERT_EQ(catalog.Load(db_.get(), systemOnly.get()), 0) << db_->GetError()->Text();
    EXPECT_EQ(loader_.order, (std::vector<uint16_t>{0}));
    EXPECT_NE(catalog.GetClass(KxClassId(0, 0)), nullptr);
}

}  // namespace
