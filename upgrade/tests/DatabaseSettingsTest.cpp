// The database wrapper's construction: settings from the registry and kelvox.cfg, their judgement,
// the process's "NLS_LANG" and the settings log, on real registry and configuration files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "DatabaseTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "cipherutil32.h"

namespace {

using namespace upgrade_test;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct SettingsCase {
    const char* name;
    std::function<void(Installation&)> change;   // applied to the full object database's files
    int32_t state;
    const char* wideName;
    bool explicitLogin;
    const char* connectService;
    const char* password;
    bool masked;
    std::vector<std::string> log;   // $CFG, $DICT and $NDB stand for the paths
};

// Everything present for an object database.
void FullObjectDatabase(Installation& install) {
    install.registry[kMainKey] = {{"NLS_LANG", "GERMAN_GERMANY.AL32UTF8"},
                                  {"server", "NATIVE"},
                                  {"database", "NDB"},
                                  {"username", "scott"},
                                  {"password", Utf8(EncryptOnlyOneStringAndEncode2String(u"tiger"))}};
    install.config = "[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname=" + (install.Dir() / "ndb") +
                     "\n[schemata\\dict]\nname=" + install.DictionaryDir("dict") + "\n";
}

class DatabaseSettingsTest : public ::testing::Test {
protected:
    DatabaseSettingsTest() : nlsLang_("NLS_LANG", std::nullopt), computer_("COMPUTERNAME", "UPGRADEHOST") {
        SetProgressOutput(display_.Get());
        FullObjectDatabase(install_);
    }
    ~DatabaseSettingsTest() override { SetProgressOutput(nullptr); }

    EnvVar nlsLang_;
    EnvVar computer_;
    Installation install_;
    LoggedDisplay display_;
};

TEST_F(DatabaseSettingsTest, SettingsAreReadJudgedAndLogged) {
    const std::vector<std::string> registryHead = {
        "", "- getting ty5 registry settings for <database>...", "--> m_strConfigFile for <database> is <$CFG>"};
    const std::string kelvoxHead = "- getting kelvox.cfg contents for <database>...";
    const SettingsCase cases[] = {
        {"everything present for an object database", [](Installation&) {}, 2, "GERMAN_GERMANY.AL32UTF8", false, "",
         "tiger", true,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <scott>", "--> m_strPassword for <database> is <**********>", "",
          kelvoxHead, "--> m_strDictPath for <database> is <$DICT>", "--> m_strPath for <database> is <$NDB>",
          "--> Database is a KELVOX database!"}},
        {"ORACLE$ and a service in capitals",
         [](Installation& i) { i.config = Replaced(i.config, "Kelvox$local", "ORACLE$SHOPSRV"); }, 2,
         "GERMAN_GERMANY.AL32UTF8", true, "SHOPSRV", "tiger", true,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <scott>", "--> m_strPassword for <database> is <**********>", "",
          kelvoxHead, "--> m_strDictPath for <database> is <$DICT>", "--> m_strPath for <database> is <$NDB>",
          "--> Database is an Oracle database!"}},
        {"an Oracle database without password",
         [](Installation& i) {
             i.registry[kMainKey].erase("password");
             i.config = Replaced(i.config, "Kelvox$local", "oracle$shopsrv");
         },
         0, "GERMAN_GERMANY.AL32UTF8", true, "shopsrv", "", false,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <scott>", "--> m_strPassword for <database> is <-- not found -->",
          "    Reason:     Error getting registry value <password> in "
          "<SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\Database>!",
          "    Error Code: 2", "", kelvoxHead, "--> m_strDictPath for <database> is <$DICT>",
          "--> m_strPath for <database> is <$NDB>", "--> Database is an Oracle database!"}},
        {"an object database without user and password",
         [](Installation& i) {
             i.registry[kMainKey].erase("password");
             i.registry[kMainKey].erase("username");
         },
         2, "GERMAN_GERMANY.AL32UTF8", false, "", "", false,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <-- not found -->",
          "    Reason:     Error getting registry value <username> in "
          "<SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\Database>!",
          "    Error Code: 2", "--> m_strPassword for <database> is <-- not found -->",
          "    Reason:     Error getting registry value <password> in "
          "<SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\Database>!",
          "    Error Code: 2", "", kelvoxHead, "--> m_strDictPath for <database> is <$DICT>",
          "--> m_strPath for <database> is <$NDB>", "--> Database is a KELVOX database!"}},
        {"no NLS_LANG", [](Installation& i) { i.registry[kMainKey].erase("NLS_LANG"); }, 0, "AMERICAN_AMERICA.UTF8",
         false, "", "tiger", true,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <scott>", "--> m_strPassword for <database> is <**********>", "",
          kelvoxHead, "--> m_strDictPath for <database> is <$DICT>", "--> m_strPath for <database> is <$NDB>",
          "--> Database is a KELVOX database!"}},
        {"a password the cipher cannot decode", [](Installation& i) { i.registry[kMainKey]["password"] = "{CU32}12"; },
         2, "GERMAN_GERMANY.AL32UTF8", false, "", "{CU32}12", false,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <scott>", "--> m_strPassword for <database> is <{CU32}12>", "",
          kelvoxHead, "--> m_strDictPath for <database> is <$DICT>", "--> m_strPath for <database> is <$NDB>",
          "--> Database is a KELVOX database!"}},
        {"a missing configuration entry",
         [](Installation& i) { i.config = Replaced(i.config, "[databases\\NDB]\nname=", "[databases\\NDB]\nfolder="); },
         0, "GERMAN_GERMANY.AL32UTF8", false, "", "tiger", true,
         {"--> m_strServerKelvox for <database> is <NATIVE>", "--> m_strName for <database> is <NDB>",
          "--> m_strUsername for <database> is <scott>", "--> m_strPassword for <database> is <**********>", "",
          kelvoxHead, "--> m_strDictPath for <database> is <$DICT>", "!!no <name> entry for <databases\\NDB> in <$CFG>!",
          "--> Database is a KELVOX database!"}},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        Installation install;
        LoggedDisplay display;
        SetProgressOutput(display.Get());
        FullObjectDatabase(install);
        c.change(install);
        install.Write();

        XApplicationDatabases set;
        XKxDatabase database(u"database", &set);
        EXPECT_EQ(database.GetState(), c.state);
        EXPECT_EQ(Utf8(database.GetWideName().c_str()), c.wideName);
        EXPECT_STREQ(std::getenv("NLS_LANG"), c.wideName);
        EXPECT_EQ(database.IsExplicitLogin(), c.explicitLogin);
        EXPECT_EQ(Utf8(database.GetConnectService()), c.connectService);
        EXPECT_EQ(Utf8(database.GetPassword()), c.password);
        EXPECT_EQ(database.IsPasswordMasked(), c.masked);
        EXPECT_EQ(Utf8(database.GetClientName()), "UPGRADEHOST");
        EXPECT_EQ(Utf8(database.GetDictionaryName()), "dict");
        EXPECT_EQ(database.GetLimitVersion(), -1);

        std::vector<std::string> expected;
        for (const std::string& line : registryHead) expected.push_back(line);
        for (const std::string& line : c.log) expected.push_back(line);
        for (std::string& line : expected) {
            line = Replaced(Replaced(Replaced(line, "$CFG", install.Config()), "$DICT", install.DictionaryDir("dict")),
                            "$NDB", install.Dir() / "ndb");
        }
        EXPECT_EQ(display.Lines(), expected);
        SetProgressOutput(display_.Get());
    }
}

TEST_F(DatabaseSettingsTest, ALongDictionaryPathIsReadWhole) {
    const std::string longDir = install_.Dir() / (std::string(150, 'd') + "/" + std::string(140, 'e'));
    ASSERT_GT(longDir.size(), 300u);
    install_.config = Replaced(install_.config, install_.DictionaryDir("dict"), longDir);
    install_.Write();
    XApplicationDatabases set;
    XKxDatabase database(u"database", &set);
    EXPECT_EQ(Utf8(database.GetDictPath()), longDir);
    EXPECT_EQ(database.GetState(), 2);
}

TEST_F(DatabaseSettingsTest, ASetThatIsNullRefusesTheDatabase) {
    install_.Write();
    try {
        XKxDatabase database(u"database", nullptr);
        ADD_FAILURE() << "nothing thrown";
    } catch (const XKxException& error) {
        EXPECT_EQ(error.GetCode(), -1);
        EXPECT_EQ(Utf8(error.GetMessage()),
                  "Error initializing database <database>, because there is no internal link to the application "
                  "databases!");
        EXPECT_EQ(Utf8(error.GetLocation()), "<XKxDatabase::XKxDatabase> in [xkxdatabase]");
    }
    // Nothing was read.
    EXPECT_EQ(display_.Lines(), std::vector<std::string>{});
}

TEST_F(DatabaseSettingsTest, TheSecondEntryTakesItsOwnKeyDictionaryAndLimit) {
    install_.registry[kBaseKey] = install_.registry[kMainKey];
    install_.config += "[schemata\\configdict]\nname=" + install_.DictionaryDir("configdict") + "\n";
    install_.Write();
    XApplicationDatabases set;
    XKxDatabase database(u"base", &set);
    EXPECT_EQ(Utf8(database.GetRegistryKey()), kBaseKey);
    EXPECT_EQ(Utf8(database.GetDictionaryName()), "configdict");
    EXPECT_EQ(Utf8(database.GetDictPath()), install_.DictionaryDir("configdict"));
    EXPECT_EQ(database.GetLimitVersion(), 21);
    EXPECT_EQ(database.GetState(), 2);
}

}  // namespace
