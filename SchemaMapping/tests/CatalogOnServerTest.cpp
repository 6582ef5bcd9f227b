// The catalog tables and OPTIONREGISTRY on the embedded engine: created by the Oracle dialect,
// written with the generated statements, read back through the gateway's statements.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGCatalogTables.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

class CatalogOnServer : public oratest::DatabaseTest {
protected:
    CatalogOnServer() : DatabaseTest({.prefix = "CAT_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        sqlengine::Error err;
        reader_ = sqlengine::Session::Begin(server_, "S", "s", err);
        ASSERT_TRUE(reader_) << err.message;
    }

    void TearDown() override
    {
        if (reader_) {
            reader_->End();
            reader_.reset();
        }
        DatabaseTest::TearDown();
    }

    // Executes a statement on the database object's connection (the template is deleted).
    void Run(KxGStatementTemplate* made)
    {
        std::unique_ptr<KxGStatementTemplate> owned(made);
        ASSERT_TRUE(owned);
        KxGStoreStatement statement(db_.get(), owned.get(), 0);
        ASSERT_EQ(statement.Execute(), 1) << owned->GetSQLText().StrGet() << "\n" << db_->GetError()->Text();
    }
    void Run(const KxString& text) { Run(new KxGStoreStatementTemplate(text)); }
    void RunAll(oratest::OwnedList& list)
    {
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStatementTemplate* statement = list.GetTemplate(i);
            ASSERT_NE(statement, nullptr);
            KxGStoreStatement run(db_.get(), statement, 0);
            ASSERT_EQ(run.Execute(), 1) << statement->GetSQLText().StrGet() << "\n" << db_->GetError()->Text();
        }
        Commit();
    }
    void Commit() { ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text(); }

    Table Rows(const std::string& sql) { return oratest::RowTexts(oratest::RunOn(*reader_, sql)); }

    std::shared_ptr<sqlengine::Session> reader_;
};

const char kOddName[] = "O'Neil \"the\" class";
const char kOddTable[] = "T'1\"A";
const char kOddMember[] = "we'ird \"member\"";
const char kOddColumn[] = "C'OL\"";

TEST_F(CatalogOnServer, ClassAndMemberTablesAreWrittenAndReadBack)
{
    KxGVersionTable classes(*db_);
    KxGColumnTable members(*db_);
    EXPECT_EQ(std::string(classes.GetTable().GetQualifiedName().StrGet()), "S.KELVOX_CLASSES");
    Run(classes.CreateTemplate());
    Run(members.CreateTemplate());

    const struct {
        KxClassId id;
        const char* className;
        const char* tableName;
    } classRows[] = {
        {KxClassId(65400, 1), kOddName, kOddTable},
        {KxClassId(65400, 3), kOddName, "T3"},
        {KxClassId(7, 1), "Person", "PERSONC7V1"},
        {KxClassId(7, 2), "Person", "PERSONC7V2"},
    };
    for (const auto& row : classRows) {
        KxString insert;
        ASSERT_TRUE(classes.SetValue(row.id, KxString(row.className), KxString(row.tableName), insert));
        Run(insert);
    }
    const struct {
        KxClassId id;
        const char* member;
        const char* column;
    } memberRows[] = {
        {KxClassId(7, 1), "name", "NAME"},
        {KxClassId(7, 1), "age", "AGE"},
        {KxClassId(7, 2), "name", "NAME2"},
        {KxClassId(65400, 1), kOddMember, kOddColumn},
    };
    for (const auto& row : memberRows) {
        KxString insert;
        ASSERT_TRUE(members.SetValue(row.id, KxString(row.member), KxString(row.column), insert));
        Run(insert);
    }
    Commit();
    // Class 65400 is stored as the class-id handler stores it.
    EXPECT_EQ(Rows("SELECT DISTINCT CLASS_ID FROM S.KELVOX_CLASSES ORDER BY CLASS_ID"), (Table{{"-136"}, {"7"}}));
    EXPECT_EQ(Rows("SELECT CLASS_NAME, TABLE_NAME FROM S.KELVOX_CLASSES WHERE VERSION = 1 AND CLASS_ID < 0"),
              (Table{{kOddName, kOddTable}}));

    ASSERT_EQ(classes.GetAllValues(), 0);
    EXPECT_EQ(classes.GetRows().size(), 4u);
    KxString table;
    ASSERT_EQ(classes.GetTableName(65400, 1, table), 0);
    EXPECT_EQ(table, KxString(kOddTable));
    EXPECT_EQ(classes.GetTableName(7, 9, table), -6089);
    uint16_t version = 99;
    ASSERT_EQ(classes.GetVersion(65400, version), 0);
    EXPECT_EQ(version, 3);   // the newest stored version
    ASSERT_EQ(classes.GetVersion(7, version), 0);
    EXPECT_EQ(version, 2);
    ASSERT_EQ(classes.GetVersion(0, version), 0);
    EXPECT_EQ(version, 0);
    EXPECT_EQ(classes.GetVersion(8, version), -6089);

    // Both versions of class 7 merge under its number; the newest version's column wins.
    const KxGHashEntryList* list = nullptr;
    ASSERT_TRUE(members.GetHashEntryList(7, list));
    KxString column;
    ASSERT_TRUE(list->Find(KxString("name"), column));
    EXPECT_EQ(column, KxString("NAME2"));
    ASSERT_TRUE(list->Find(KxString("age"), column));
    EXPECT_EQ(column, KxString("AGE"));
    ASSERT_TRUE(members.GetHashEntryList(65400, list));
    ASSERT_TRUE(list->Find(KxString(kOddMember), column));
    EXPECT_EQ(column, KxString(kOddColumn));
    EXPECT_FALSE(members.GetHashEntryList(8, list));

    // Emptied, every lookup of a table name fails.
    oratest::OwnedList empty;
    ASSERT_GT(classes.EmptyTable(empty), -1);
    RunAll(empty);
    KxGVersionTable emptied(*db_);
    EXPECT_EQ(emptied.GetTableName(7, 1, table), -6089);
    EXPECT_EQ(emptied.GetVersion(7, version), -6089);

    Run(classes.DropTemplate());
    Run(members.DropTemplate());
    Commit();
    KxGVersionTable dropped(*db_);
    EXPECT_EQ(dropped.GetAllValues(), -6195);
    KxGColumnTable droppedMembers(*db_);
    EXPECT_FALSE(droppedMembers.ReadAll());
}

// Writes the options as the schema mapper does: table, the options that took effect, and the rows
// of the mapper's own.
void StoreOptions(KxGDatabase& database, KxGOptionRegistry& registry, oratest::OwnedList& list)
{
    registry.CreateRegistry(database, list);
    registry.FillRegistry(database, list);
    registry.StoreUnsignedBehaviorUsedEntry(database, list);
    registry.StoreRegistryOID48BitEntry(database, list);
}

TEST_F(CatalogOnServer, OptionsRoundTripThroughTheRegistryTable)
{
    const KxString star("*");
    KxGOptionRegistry mapper;
    ASSERT_EQ(mapper.ProcessOption(star, star, KxString("CHARTYPE"), KxString("VARCHAR2 , 80"), 1), 0);
    ASSERT_EQ(mapper.ProcessOption(star, star, KxString("UNSIGNED_BEHAVIOR"), KxString("UNSIGNED"), 2), 0);
    ASSERT_EQ(mapper.ProcessOption(star, star, KxString("TRUNCATE_STRING"), KxString("it's \"no\""), 3), 0);
    ASSERT_EQ(mapper.ProcessOption(star, star, KxString("DATE_FORMAT"), KxString("dd.mm.yyyy"), 4), 0);
    ASSERT_EQ(mapper.ProcessOption(KxString(kOddName), KxString(kOddMember), KxString("STRING_TYPE"),
                                   KxString("CHAR, 20"), 5),
              0);
    ASSERT_EQ(mapper.ProcessOption(KxString(kOddName), star, KxString("RENAME"), KxString("ONEIL"), 6), 0);
    uint16_t preserve = 0;
    mapper.ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
    // The member loader accepts the member's and the class's options.
    KxGClassOption* odd = const_cast<KxGClassOption*>(mapper.GetClassOptions().FindClassOption(KxString(kOddName)));
    ASSERT_NE(odd, nullptr);
    odd->GetMemberOption(KxString(kOddMember))->GetOptions().Get(0)->SetStatus(KXG_OPTION_OK);
    odd->GetOptions()->Get(0)->SetStatus(KXG_OPTION_OK);

    oratest::OwnedList store;
    StoreOptions(*db_, mapper, store);
    RunAll(store);
    EXPECT_EQ(Rows("SELECT CLASSNAME, MEMBERNAME, OPTIONNAME, ARGUMENTS FROM S.OPTIONREGISTRY"),
              (Table{{"*", "*", "CHARTYPE", "VARCHAR2 , 80"},
                     {"*", "*", "UNSIGNED_BEHAVIOR", "UNSIGNED"},
                     {"*", "*", "TRUNCATE_STRING", "it's \"no\""},
                     {kOddName, kOddMember, "STRING_TYPE", "CHAR, 20"},
                     {"*", "*", "OID_SIZE", "48BIT"}}));

    // The database opened twice: each open replays the same rows without error.
    for (int open = 0; open < 2; ++open) {
        SCOPED_TRACE(open);
        KxGOptionRegistry runtime;
        uint16_t names = 0;
        ASSERT_EQ(runtime.LoadOptionsTable(*db_, names), 0) << db_->GetError()->Text();
        EXPECT_EQ(runtime.GetStringSize(), 80);
        EXPECT_EQ(runtime.GetUnsignedBehavior(), 6);
        EXPECT_EQ(runtime.GetGlobalOptions().Find(KxString("TRUNCATE_STRING"))->GetArguments(),
                  KxString("it's \"no\""));
        EXPECT_EQ(runtime.GetGlobalOptions().Find(KxString("OID_SIZE"))->GetStatus(), KXG_OPTION_OID_SIZE_DONE);
        EXPECT_EQ(runtime.GetRepeatedOptions().Count(), 0u);
        const KxGClassOption* replayed = runtime.GetClassOptions().FindClassOption(KxString(kOddName));
        ASSERT_NE(replayed, nullptr);
        ASSERT_NE(replayed->GetMemberOption(KxString(kOddMember)), nullptr);
        EXPECT_EQ(replayed->GetMemberOption(KxString(kOddMember))->GetOptions().Get(0)->GetLine(), 0);
    }
    EXPECT_NE(db_->GetTypeHdlMgr()->GetFlags() & KXG_TYPEMGR_OID48_IN_USE, 0);

    // A schema stored with the row twice, and a row of an option this gateway does not know, still open.
    Run(KxString("INSERT INTO S.OPTIONREGISTRY VALUES( '*', '*', 'UNSIGNED_BEHAVIOR', 'UNSIGNED')"));
    Run(KxString("INSERT INTO S.OPTIONREGISTRY VALUES( '*', '*', 'FUTURE_OPTION', '1')"));
    Commit();
    KxGOptionRegistry older;
    uint16_t names = 0;
    ASSERT_EQ(older.LoadOptionsTable(*db_, names), 0);
    ASSERT_EQ(older.GetRepeatedOptions().Count(), 1u);
    EXPECT_EQ(older.GetRepeatedOptions().Get(0)->GetStatus(), KXG_OPTION_REPEATED);
    EXPECT_EQ(older.GetGlobalOptions().Find(KxString("FUTURE_OPTION"))->GetStatus(), KXG_OPTION_UNKNOWN);
}

TEST_F(CatalogOnServer, TheUsersUnsignedBehaviorIsStoredOnce)
{
    const KxString star("*");
    KxGOptionRegistry without;
    oratest::OwnedList list;
    without.StoreUnsignedBehaviorUsedEntry(*db_, list);
    EXPECT_EQ(list.Texts(), (std::vector<std::string>{
                                "INSERT INTO S.OPTIONREGISTRY VALUES( '*', '*', 'UNSIGNED_BEHAVIOR', 'UNSIGNED')"}));

    KxGOptionRegistry given;
    ASSERT_EQ(given.ProcessOption(star, star, KxString("UNSIGNED_BEHAVIOR"), KxString("unsigned"), 1), 0);
    uint16_t preserve = 0;
    given.ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
    oratest::OwnedList both;
    given.FillRegistry(*db_, both);
    given.StoreUnsignedBehaviorUsedEntry(*db_, both);
    EXPECT_EQ(both.Texts(), (std::vector<std::string>{
                                "INSERT INTO S.OPTIONREGISTRY VALUES( '*', '*', 'UNSIGNED_BEHAVIOR', 'unsigned')"}));
}

TEST_F(CatalogOnServer, AMissingRegistryTableIsTheDatabasesError)
{
    KxGOptionRegistry runtime;
    uint16_t names = 0;
    db_->SetGatewayVersion(770);
    const int32_t result = runtime.LoadOptionsTable(*db_, names);
    EXPECT_LT(result, 0);
    EXPECT_EQ(result, db_->GetError()->ErrorCode());
    // The global settings are applied all the same (the rules of old schemas).
    EXPECT_EQ(runtime.GetByteType(), 1);
}

}  // namespace
