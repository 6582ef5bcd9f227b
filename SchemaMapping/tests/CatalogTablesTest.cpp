// The catalog tables' names, columns and statement texts with the Oracle dialect (no server).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KxGCatalogTables.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGSchemaConstants.h"
#include "KxGStatementTemplate.h"

namespace {

std::string Text(const KxGStatementTemplate* statement)
{
    return statement != nullptr ? statement->GetSQLText().StrGet() : "<null>";
}

// A product that does not qualify table names with the schema.
class UnqualifiedInfo : public KxGOraDatabaseInfo {
public:
    using KxGOraDatabaseInfo::KxGOraDatabaseInfo;
    int32_t GetMaxNameLength(int32_t kind) override { return kind == 2 ? 0 : KxGOraDatabaseInfo::GetMaxNameLength(kind); }
};

class UnqualifiedDatabase : public KxGOraDatabase {
public:
    UnqualifiedDatabase() : KxGOraDatabase(KxString("nowhere"), KxString("s"), KxString("s"), KxString("s"), nullptr, nullptr) {}
    KxGDatabaseInfo* GetDatabaseInfo() override { return &info_; }

private:
    UnqualifiedInfo info_{this};
};

TEST(CatalogTables, ColumnsAndTheirTable)
{
    KxGOraDatabase db(KxString("nowhere"), KxString("s"), KxString("s"), KxString("s"), nullptr, nullptr);
    KxGVersionTable classes(db);
    std::unique_ptr<KxGCreateStatementTemplate> create(classes.CreateTemplate());
    EXPECT_EQ(Text(create.get()),
              "CREATE TABLE S.KELVOX_CLASSES \n( CLASS_ID NUMBER (38) DEFAULT 0 not null,\n VERSION NUMBER (38) "
              "DEFAULT 0 not null,\n CLASS_NAME VARCHAR2 (100) not null,\n TABLE_NAME VARCHAR2 (30),\n PRIMARY KEY "
              "( CLASS_ID, VERSION ) )");
    KxGColumnTable members(db);
    EXPECT_EQ(members.GetColumn(1).GetSize(), 4u);
    EXPECT_EQ(members.GetColumn(2).GetSize(), 30u);
    EXPECT_TRUE(members.GetColumn(3).IsKey());

    KxString insert;
    ASSERT_TRUE(classes.SetValue(KxClassId(65400, 2), KxString("It's"), KxString("T\"1"), insert));
    EXPECT_EQ(std::string(insert.StrGet()),
              "INSERT INTO S.KELVOX_CLASSES (CLASS_ID, VERSION, CLASS_NAME, TABLE_NAME) VALUES (-136, 2, 'It''s', "
              "'T\"1')");
}

TEST(CatalogTables, AProductWithoutSchemaQualificationGetsBareNames)
{
    UnqualifiedDatabase db;
    KxGVersionTable classes(db);
    KxGColumnTable members(db);
    EXPECT_EQ(std::string(classes.GetTable().GetQualifiedName().StrGet()), "KELVOX_CLASSES");
    EXPECT_EQ(std::string(members.GetTable().GetQualifiedName().StrGet()), "KELVOX_MEMBERS");
    KxGStatementTemplateList list;
    ASSERT_GE(members.EmptyTable(list), 0);
    std::unique_ptr<KxGStatementTemplate> drop(classes.DropTemplate());
    EXPECT_EQ(Text(list.GetTemplate(0)), "DELETE FROM KELVOX_MEMBERS");
    EXPECT_EQ(Text(drop.get()), "DROP TABLE KELVOX_CLASSES");
    list.ClearAll();
    // OPTIONREGISTRY stays qualified.
    KxGOptionRegistry registry;
    ASSERT_GE(registry.EmptyRegistry(db, list), 0);
    EXPECT_EQ(Text(list.GetTemplate(0)), "DELETE FROM S.OPTIONREGISTRY");
    list.ClearAll();
}

TEST(SchemaConstants, NamesAndColumns)
{
    EXPECT_EQ(KxGSchemaConstants::GetOptionFile(), KxString("Options.txt"));
    EXPECT_EQ(KxGSchemaConstants::GetClientNameLen(), 30);
    EXPECT_EQ(KxGSchemaConstants::GetOptionStrSize(), 50);
    EXPECT_TRUE(KxGSchemaConstants::IsGatewayTable(KxString("activeClients")));
    EXPECT_FALSE(KxGSchemaConstants::IsGatewayTable(KxString("KELVOX_PACKAGE")));
    EXPECT_EQ(KxGSchemaConstants::GetTable(7), KxString("KELVOX_INDEXES"));
    const KxGColumn& id = KxGSchemaConstants::GetIDCol();
    EXPECT_EQ(id.GetTypeCode(), 2);
    EXPECT_EQ(id.GetFlags(), KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    EXPECT_EQ(KxGSchemaConstants::GetArgsCol().GetFlags(), 0);
    EXPECT_EQ(KxGSchemaConstants::GetClassCol().GetSize(), 200u);
}

}  // namespace
