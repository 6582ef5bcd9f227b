// The set of application databases: its fixed table, lookups, the owner's values and the error text.
#include <gtest/gtest.h>

#include <cstring>

#include "DatabaseTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxVersionInfo.h"

namespace {

using namespace upgrade_test;

class ApplicationDatabasesTest : public ::testing::Test {
protected:
    ApplicationDatabasesTest() {
        install_.registry[kMainKey] = {{"NLS_LANG", "AMERICAN_AMERICA.UTF8"}, {"server", "NATIVE"}, {"database", "NDB"}};
        install_.Write();
        owner_.scriptDirectory = u"C:\\upgrade\\scripts";
        owner_.display = display_.Get();
        SetProgressOutput(display_.Get());
    }
    ~ApplicationDatabasesTest() override { SetProgressOutput(nullptr); }

    Installation install_;
    LoggedDisplay display_;
    TestOwner owner_;
};

TEST_F(ApplicationDatabasesTest, TheTableMakesOneDatabasePerEntry) {
    XApplicationDatabases set;
    EXPECT_EQ(set.GetDatabase(0), nullptr);
    EXPECT_EQ(set.GetOwnerText(), CString());
    EXPECT_EQ(set.GetProgress(), nullptr);
    EXPECT_FALSE(set.IsOptionSet());
    EXPECT_EQ(set.GetDatabaseText(), CString());

    set.CreateDatabases(&owner_);
    ASSERT_EQ(set.GetCount(), 2);
    XKxDatabase* main = set.GetDatabase(0);
    XKxDatabase* base = set.GetDatabase(1);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(main->GetName(), CString(u"database"));
    EXPECT_EQ(base->GetName(), CString(u"base"));
    EXPECT_EQ(set.GetDatabase(2), nullptr);
    EXPECT_EQ(set.GetDatabase(-1), nullptr);

    // Lookups by name are exact.
    EXPECT_EQ(set.FindDatabase(u"base"), base);
    EXPECT_EQ(set.FindDatabase(u"Base"), nullptr);
    EXPECT_EQ(set.FindEntry(u"database")->index, 0);
    EXPECT_EQ(set.FindEntry(u"database "), nullptr);
    EXPECT_EQ(set.GetLimitVersion(u"base"), 21);
    EXPECT_EQ(set.GetLimitVersion(u"database"), -1);
    EXPECT_EQ(set.GetLimitVersion(u"other"), -1);
    EXPECT_STREQ(set.GetUpgradeFunction(u"database"), "UpdateDatabaseObjects");
    EXPECT_STREQ(set.GetUpgradeFunction(u"base"), "UpdateBaseObjects");
    EXPECT_EQ(set.GetUpgradeFunction(u"other"), nullptr);

    // What the databases reach through the set.
    EXPECT_EQ(main->GetRelatedDatabase(1), base);
    EXPECT_EQ(main->GetRelatedDatabase(2), nullptr);
    EXPECT_EQ(main->GetProgressOutput(), display_.Get());
    main->SetTargetVersion(23);
    EXPECT_EQ(main->GetStepVersion(), 23);
    EXPECT_EQ(main->GetVersionDirectory(), CString(u"C:\\upgrade\\scripts\\dict_23"));
    EXPECT_EQ(base->GetVersionDirectory(), CString(u"C:\\upgrade\\scripts\\configdict_-1"));

    // Neither has complete settings: kelvox.cfg is empty and "base" has no registry key.
    EXPECT_EQ(main->GetState(), 0);   // no kelvox.cfg entries
    EXPECT_EQ(base->GetState(), 0);

    // A fresh version record.
    EXPECT_EQ(main->GetActualVersionNumber(), -1);
    EXPECT_EQ(main->GetActualVersionString(), CString());
    EXPECT_EQ(main->GetActualEditionNumber(), 0);
    EXPECT_EQ(main->GetActualServicePack(), 0);
    main->SetActualVersionInfo(u"TY 5.3 SP02");
    EXPECT_EQ(main->GetActualVersionInfo(), CString(u"TY 5.3 SP02"));
    EXPECT_EQ(main->GetNewVersionInfo(), CString());
    EXPECT_EQ(main->GetActualVersion()->GetDatabase(), main);
    EXPECT_EQ(main->GetActualVersion()->GetClassName(), CString(u"XDOVersionInfo"));

    set.SetDatabaseText(u"upgrade 23");
    EXPECT_EQ(base->GetDatabaseText(), CString(u"upgrade 23"));
    EXPECT_EQ(set.GetDatabaseText(), CString(u"upgrade 23"));

    // Making the databases again replaces them.
    set.CreateDatabases(&owner_);
    EXPECT_NE(set.GetDatabase(0), nullptr);
    EXPECT_EQ(set.GetDatabaseText(), CString());
}

TEST_F(ApplicationDatabasesTest, OwnerValuesAndErrorText) {
    XApplicationDatabases set;
    set.CreateDatabases(&owner_);
    EXPECT_EQ(set.GetOwnerText(), CString(u"C:\\upgrade\\scripts"));
    EXPECT_EQ(set.GetProgress(), display_.Get());
    for (const auto& [bits, on] : {std::pair{0x00, false}, {0x20, true}, {0x1F, false}, {0x7FFFFFDF, false}, {-1, true}}) {
        owner_.optionBits = bits;
        EXPECT_EQ(set.IsOptionSet(), on) << bits;
        EXPECT_EQ(set.GetDatabase(0)->IsOptionSet(), on) << bits;
    }

    set.AppendError(u"first");
    set.GetDatabase(1)->AppendSetError(u"second");
    EXPECT_EQ(set.GetErrorText(), CString(u"\r\n\tfirst\r\n\tsecond"));
    EXPECT_TRUE(set.IsValid());
    set.SetValid(false);
    EXPECT_FALSE(set.IsValid());
}

TEST(ApplicationDatabaseTable, Entries) {
    const XApplicationDatabaseEntry& main = XApplicationDatabases::kEntries[0];
    const XApplicationDatabaseEntry& base = XApplicationDatabases::kEntries[1];
    EXPECT_EQ(CString(main.registryKey), CString(u"ORBSERVER\\Tallyra\\Database"));
    EXPECT_EQ(CString(main.dictionaryName), CString(u"dict"));
    EXPECT_EQ(CString(base.registryKey), CString(u"ORBSERVER\\Tallyra\\configuration"));
    EXPECT_EQ(CString(base.dictionaryName), CString(u"configdict"));
    EXPECT_EQ(base.index, 1);
    EXPECT_EQ(sizeof(XApplicationDatabaseEntry), 4 + 40 + 512 + 40 + 4 + 32u);
}

}  // namespace
