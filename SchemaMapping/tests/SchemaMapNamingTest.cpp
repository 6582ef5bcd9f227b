// The schema map's naming rules on hand-made classes (Oracle names: 30 characters, upper case).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGMemberMap.h"
#include "KxGOraDatabase.h"
#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"
#include "OraTestSupport.h"

namespace {

std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>");
}

const char kForty[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";

class SchemaMapNaming : public oratest::DatabaseTest {
protected:
    SchemaMapNaming() : DatabaseTest({.prefix = "SMN_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        map_ = std::make_unique<KxGSchemaMap>(db_.get(), nullptr, 0, nullptr);
    }
    void TearDown() override
    {
        map_.reset();
        DatabaseTest::TearDown();
    }

    // A persistent class with a class map whose stem is given (the class name when empty).
    KxGClass& MakeClass(uint16_t number, uint16_t version, const char* name, const char* stem = "")
    {
        map_->AddClass(std::make_unique<KxGClass>(map_.get(), KxClassId(number, version), KxString(name),
                                                  KXG_CLASS_PERSISTENT));
        KxGClass& made = *map_->FindClass(number);
        auto classMap = std::make_unique<KxGClassMap>(map_.get(), &made);
        classMap->SetNameStem(*stem != '\0' ? KxString(stem) : made.GetName());
        made.SetClassMap(std::move(classMap));
        return made;
    }

    std::unique_ptr<KxGSchemaMap> map_;
};

TEST_F(SchemaMapNaming, ExtentViewsAndDefaultTables)
{
    const struct {
        const char* what;
        const char* name;
        const char* stem;
        uint16_t naming;
        uint16_t preserve;
        const char* view;
    } cases[] = {
        {"seven letters and 1234 fit", "Abcdefg", "", 0, 0, "VABCDEFG1234"},
        {"qualifiers are dropped", "app.core.Abcdefg", "", 0, 0, "VABCDEFG1234"},
        {"a long name is cut to 25 before the number", kForty, "", 0, 0, "VABCDEFGHIJKLMNOPQRSTUVWXY1234"},
        {"preserved names keep 29 characters and no number", kForty, "", 0, 1, "VABCDEFGHIJKLMNOPQRSTUVWXYZABC"},
        {"the stem when it fits", "Abcdefg", "Shortstem", 1, 0, "VSHORTSTEM"},
        {"a long stem is cut and numbered", "Abcdefg", kForty, 1, 0, "VABCDEFGHIJKLMNOPQRSTUVWXY1234"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KxGClass& made = MakeClass(1234, 3, c.name, c.stem);
        map_->SetNamingFlag(c.naming);
        map_->SetPreserveNames(c.preserve);
        EXPECT_EQ(Text(map_->GetExtentViewName(*made.GetClassMap())), c.view);
    }

    KxGClass& made = MakeClass(7, 2, "app.Person");
    KxGQualifiedIdentity table;
    ASSERT_EQ(map_->MapClass2TableName(made, table), 0);
    EXPECT_EQ(Text(table.GetQualifiedName()), "S.PERSONC7V2");
    // A class that is not persistent is never looked up in KELVOX_CLASSES.
    made.SetKind(KXG_CLASS_NOT_PERSISTENT);
    ASSERT_EQ(map_->GetTableName(made, table), 0);
    EXPECT_EQ(Text(table.GetQualifiedName()), "S.PERSONC7V2");
}

TEST_F(SchemaMapNaming, MemberPathsAndIndexNames)
{
    const struct {
        const char* path;
        const char* member;
        const char* expected;
    } paths[] = {
        {"", "name", "name"},
        {"address", "city", "address.city"},
        {"owner", "OID", "ownerOID"},
        {"owner", "CID", "ownerCID"},
    };
    for (const auto& p : paths) {
        KxGMemberColumn column;
        ASSERT_EQ(map_->MapMember2ColumnName(KxString(p.path), 0, KxString(p.member), KxString(), column), 0);
        EXPECT_EQ(Text(column.GetMemberPath()), p.expected);
        EXPECT_TRUE(column.GetName().IsEmpty());
    }

    KxGClass& made = MakeClass(1234, 1, "Person");
    KxGIndexMap byName(5, KxString("byName"), false, &made);
    byName.SetSequenceNumber(2);
    KxString name;
    map_->MapIndex2IndexName(byName, name, true);
    EXPECT_EQ(Text(name), "BYNAME12342");
    map_->MapIndex2IndexName(byName, name, false);
    EXPECT_EQ(Text(name), "BYNAME12345");
    KxGIndexMap longer(5, KxString(kForty), false, &made);
    map_->MapIndex2IndexName(longer, name, false);
    EXPECT_EQ(Text(name), "ABCDEFGHIJKLMNOPQRSTUVWXY12345");
}

TEST_F(SchemaMapNaming, DuplicateMemberNamesAcrossBases)
{
    struct Map : KxGMemberMap {
        int32_t GetColumns(KxGColumnList&) override { return 0; }
        const KxString& GetName() const override { return name; }
        uint16_t GetOwnerClassNumber() const override { return 0; }
        KxString name = KxString("m");
    };
    KxGClass& base = MakeClass(1, 1, "Base");
    base.AddMember(std::make_unique<KxGMember>(KxString("a"), &base, std::make_unique<Map>()));
    KxGClass& derived = MakeClass(2, 1, "Derived");
    derived.AddBase(&base);
    derived.AddMember(std::make_unique<KxGMember>(KxString("b"), &derived, std::make_unique<Map>()));
    derived.CollectMembers();
    EXPECT_EQ(map_->Check4DuplicateMemberNames(derived), 0);
    derived.AddMember(std::make_unique<KxGMember>(KxString("a"), &derived, std::make_unique<Map>()));
    derived.CollectMembers();
    ASSERT_EQ(derived.GetAllMembers().size(), 3u);
    EXPECT_EQ(derived.GetAllMembers()[0]->GetClass(), &base);
    EXPECT_EQ(map_->Check4DuplicateMemberNames(derived), KXG_E_DUPLICATE_MEMBER_NAMES);

    // The class array grows by 20 beyond its first 200 entries.
    EXPECT_EQ(map_->GetClassCapacity(), 200u);
    MakeClass(250, 1, "Far");
    EXPECT_EQ(map_->GetClassCapacity(), 260u);
    EXPECT_NE(map_->FindClass(250), nullptr);
    map_->RemoveClass(250);
    EXPECT_EQ(map_->FindClass(250), nullptr);
}

}  // namespace
