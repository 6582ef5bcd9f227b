// The root block on the embedded engine: the table made by the Oracle dialect, rows written with the
// generated statements, read back through the gateway's statements and converted by type.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxDateTime.h"
#include "KxGRootblock.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxInt64.h"
#include "KxTypeMgr.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

// A dictionary name as it may come from a command line.
const char kOddName[] = "O'Neil's \"dict\" :2 :1";

class RootblockOnServer : public oratest::DatabaseTest {
protected:
    RootblockOnServer() : DatabaseTest({.prefix = "RB_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        sqlengine::Error error;
        reader_ = sqlengine::Session::Begin(server_, "S", "s", error);
        ASSERT_TRUE(reader_) << error.message;
        root_ = std::make_unique<KxGRootblock>(db_.get());
        ASSERT_EQ(root_->Create(), 1) << db_->GetError()->Text();
    }

    void TearDown() override
    {
        root_.reset();
        if (reader_) {
            reader_->End();
            reader_.reset();
        }
        DatabaseTest::TearDown();
    }

    void Run(const KxString& text)
    {
        KxGStoreStatementTemplate statement(text);
        KxGStoreStatement run(db_.get(), &statement, 0);
        ASSERT_EQ(run.Execute(), 1) << text.StrGet() << "\n" << db_->GetError()->Text();
    }
    void Run(KxGStatementTemplate* made)
    {
        std::unique_ptr<KxGStatementTemplate> owned(made);
        ASSERT_TRUE(owned);
        Run(owned->GetSQLText());
    }
    void Set(const KxGRootblockEntry& entry, const std::string& value)
    {
        KxString sql;
        ASSERT_EQ(root_->SetValue(entry, KxString(value.c_str()), sql), 1);
        Run(sql);
    }
    void Commit() { ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text(); }
    Table Rows(const std::string& sql) { return oratest::RowTexts(oratest::RunOn(*reader_, sql)); }

    std::shared_ptr<sqlengine::Session> reader_;
    std::unique_ptr<KxGRootblock> root_;
};

TEST_F(RootblockOnServer, TextsOfTheStatements)
{
    EXPECT_EQ(std::string(root_->GetTable().GetQualifiedName().StrGet()), "S.ROOTBLOCK");
    std::unique_ptr<KxGStatementTemplate> update(root_->UpdateValue(KxString("IndexRevision"), KxString("7")));
    ASSERT_TRUE(update);
    EXPECT_EQ(std::string(update->GetSQLText().StrGet()),
              "UPDATE S.ROOTBLOCK SET KEYVALUE = '7' WHERE KEYID = 'IndexRevision'");
    std::unique_ptr<KxGStatementTemplate> quoted(root_->UpdateValue(KxString("a'b"), KxString("c'd")));
    EXPECT_EQ(std::string(quoted->GetSQLText().StrGet()),
              "UPDATE S.ROOTBLOCK SET KEYVALUE = 'c''d' WHERE KEYID = 'a''b'");
    KxString insert;
    ASSERT_EQ(root_->SetValue(KxGRootblock::GetDictionaryName(), KxString("it's"), insert), 1);
    EXPECT_EQ(std::string(insert.StrGet()), "INSERT INTO S.ROOTBLOCK(KEYID,KEYVALUE) VALUES('DictionaryName','it''s')");

    oratest::OwnedList list;
    ASSERT_GE(root_->EmptyTable(list), 0);
    EXPECT_EQ(list.Texts(), std::vector<std::string>{"DELETE FROM S.ROOTBLOCK"});
    std::unique_ptr<KxGStatementTemplate> drop(root_->DropTemplate());
    ASSERT_TRUE(drop);
    EXPECT_NE(std::string(drop->GetSQLText().StrGet()).find("S.ROOTBLOCK"), std::string::npos);
}

// Quotes and marker-like texts in keys and values are stored exactly as given, by the insert and by
// the update, and read back unchanged.
TEST_F(RootblockOnServer, QuotedNamesRoundTripUnchanged)
{
    Set(KxGRootblock::GetDictionaryName(), kOddName);
    Set(KxGRootblockEntry("key ':2' \"x\"", KX_TYPE_STRING), "v");
    Commit();
    EXPECT_EQ(Rows("SELECT KEYVALUE FROM S.ROOTBLOCK WHERE KEYID = 'DictionaryName'"), (Table{{kOddName}}));

    ASSERT_EQ(root_->GetAllValues(), 0);
    KxString name("unchanged");
    ASSERT_EQ(root_->GetValue(KxGRootblock::GetDictionaryName(), &name), 1);
    EXPECT_EQ(name, KxString(kOddName));
    KxString value;
    ASSERT_EQ(root_->GetValue(KxGRootblockEntry("key ':2' \"x\"", KX_TYPE_STRING), &value), 1);
    EXPECT_EQ(value, KxString("v"));

    const std::string renamed = std::string(kOddName) + " ' again";
    Run(root_->UpdateValue(KxString("DictionaryName"), KxString(renamed.c_str())));
    Commit();
    ASSERT_EQ(root_->GetAllValues(), 0);
    ASSERT_EQ(root_->GetValue(KxGRootblock::GetDictionaryName(), &name), 1);
    EXPECT_EQ(name, KxString(renamed.c_str()));
}

TEST_F(RootblockOnServer, ValuesAreConvertedByTheirType)
{
    Set(KxGRootblock::GetROGWVersion(), "1279");
    Set(KxGRootblock::GetIndexRevision(), "7");
    Set(KxGRootblock::GetDictionaryStamp(), "2024-05-17 12:34:56");
    Set(KxGRootblock::GetUseMarkModified(), "0");
    Set(KxGRootblock::GetTypeMgrVers(), "many");
    Commit();
    ASSERT_EQ(root_->GetAllValues(), 0);

    uint32_t version = 0;
    EXPECT_EQ(root_->GetValue(KxGRootblock::GetROGWVersion(), &version), 1);
    EXPECT_EQ(version, 0x4FFu);
    uint16_t revision = 0;
    EXPECT_EQ(root_->GetValue(KxGRootblock::GetIndexRevision(), &revision), 1);
    EXPECT_EQ(revision, 7);
    KxDateTime stamp(2000, 1, 1);
    EXPECT_EQ(root_->GetValue(KxGRootblock::GetDictionaryStamp(), &stamp), 1);
    EXPECT_EQ(stamp, KxDateTime(2024, 5, 17, 12, 34, 56));
    // Present means in use, even with the text 0.
    KxBoolean mark(false);
    EXPECT_EQ(root_->GetValue(KxGRootblock::GetUseMarkModified(), &mark), 1);
    EXPECT_TRUE(static_cast<bool>(mark));
    // A text that is not a number leaves the value as it was.
    uint16_t typeMgr = 4;
    EXPECT_LT(root_->GetValue(KxGRootblock::GetTypeMgrVers(), &typeMgr), 0);
    EXPECT_EQ(typeMgr, 4);
    // A missing key leaves it too.
    KxString server("kept");
    EXPECT_EQ(root_->GetValue(KxGRootblock::GetDictionaryServer(), &server), 0);
    EXPECT_EQ(server, KxString("kept"));
}

// 45 rows come in three fetches of up to 20 rows; a second read replaces the first.
TEST_F(RootblockOnServer, ManyRowsAreReadInBatches)
{
    for (int i = 0; i < 45; ++i) {
        Set(KxGRootblockEntry(("key" + std::to_string(i)).c_str(), KX_TYPE_STRING), "value" + std::to_string(i));
    }
    Commit();
    ASSERT_EQ(root_->GetAllValues(), 0);
    ASSERT_EQ(root_->GetValues().size(), 45u);
    ASSERT_EQ(root_->GetAllValues(), 0);
    ASSERT_EQ(root_->GetValues().size(), 45u);
    const KxString* last = root_->FindValue(KxString("key44"));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(*last, KxString("value44"));
}

TEST_F(RootblockOnServer, AMissingTableCannotBeRead)
{
    std::unique_ptr<KxGStatementTemplate> drop(root_->DropTemplate());
    Run(drop.release());
    EXPECT_EQ(root_->GetAllValues(), KXG_E_CANNOT_READ_TABLES);
}

}  // namespace
