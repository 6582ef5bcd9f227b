// The character-set configuration of the open: the server's character set and the client's conversion
// decide the process-wide Unicode flags, unless both keys are configured.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ConnectionTestSupport.h"
#include "KxBase.h"

namespace oraconn {
namespace {

using OraUnicode = ConnectionTest;

struct Flags {
    uint16_t onlyServerUnicode;
    uint16_t clientUnicode;
};

Flags Current()
{
    return {KxGOraTypeHdl::OnlyServerUnicode(), KxGOraTypeHdl::ClientUnicode()};
}

TEST_F(OraUnicode, TheServerCharacterSetAndTheClientConversionSetTheFlags)
{
    const struct {
        const char* characterSet;
        bool clientConverts;
        Flags before;
        Flags after;
    } cases[] = {
        {"AL32UTF8", false, {1, 0}, {0, 1}},      // UTF-8 arrives unchanged: a UTF-8 client
        {"AL32UTF8", true, {0, 1}, {1, 0}},       // an 8-bit client of a UTF-8 server
        {"UTF8", false, {1, 0}, {0, 1}},
        {"WE8ISO8859P1", true, {1, 1}, {0, 1}},   // CHR(252) arrives as two UTF-8 bytes, cut to one
        {"WE8ISO8859P1", false, {1, 1}, {0, 0}},  // an 8-bit client
        {"US7ASCII", false, {1, 1}, {1, 1}},      // 7-bit servers leave the flags alone
        {"US7ASCII", true, {0, 1}, {0, 1}},
        {"D7SIEMENS9780X", false, {1, 0}, {1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.characterSet) + (c.clientConverts ? " converting" : ""));
        server_->SetCharacterSet(c.characterSet);
        server_->SetClientConverts(c.clientConverts);
        KxGOraTypeHdl::SetUnicodeFlags(c.before.onlyServerUnicode, c.before.clientUnicode);
        DatabasePtr database = Make();
        ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        EXPECT_EQ(Current().onlyServerUnicode, c.after.onlyServerUnicode);
        EXPECT_EQ(Current().clientUnicode, c.after.clientUnicode);
        // The cut value (ORA-01406) is forgiven: no error is left behind.
        EXPECT_EQ(database->GetError()->HasError(), 0) << database->GetError()->Text();
        database->CloseConnection();
    }
    EXPECT_NE(TraceText().find("1406"), std::string::npos);
}

TEST_F(OraUnicode, AFailingCharacterSetQueryFailsTheOpen)
{
    for (const char* statement : {"NLS_PARAMETERS", "CHR(52905)"}) {
        SCOPED_TRACE(statement);
        sqlengine::Engine::Instance().InjectFailure("OCIStmtFetch", 3113, statement);
        DatabasePtr database = Make();
        EXPECT_EQ(database->OpenConnection(), 0);
        EXPECT_EQ(database->GetError()->NativeCode(), 3113);
        EXPECT_EQ(server_->Sessions().size(), 0u);
    }
}

// The kernel started with a configuration file; a kernel base whose logical name carries parameters.
class OraUnicodeConfigured : public ConnectionTest {
protected:
    void Start(const std::string& configuration)
    {
        const std::string file = dir_.Path("kelvox.ini");
        WriteFile(file, configuration);
        kernel_.emplace("relgate_ora_connection_tests", file);
        ASSERT_EQ(kernel_->Status(), 0);
    }
    void TearDown() override
    {
        kernel_.reset();
        ConnectionTest::TearDown();
    }

    // Whether the character-set query is still waiting for its injected failure (it was not sent).
    bool CharacterSetQueryWasSent()
    {
        sqlengine::Error error;
        return !sqlengine::Engine::Instance().TakeInjectedFailure(
            "OCIStmtExecute", "SELECT VALUE FROM V$NLS_PARAMETERS WHERE PARAMETER = 'NLS_CHARACTERSET'", error);
    }

    std::optional<oratest::KelvoxScope> kernel_;
};

TEST_F(OraUnicodeConfigured, BothKeysConfiguredSendNoQuery)
{
    const struct {
        const char* name;
        std::string configuration;
        Flags after;
        bool queried;
    } cases[] = {
        {"both in the database's section",
         "[databases\\shop\\RelationalObjectGateway]\nonlyServerUnicode=1\nclientUnicode=0\n", {1, 0}, false},
        {"one in the section, one at the top level",
         "clientUnicode=1\n[databases\\shop\\RelationalObjectGateway]\nonlyServerUnicode=0\n", {0, 1}, false},
        {"the section wins over the top level",
         "clientUnicode=0\nonlyServerUnicode=0\n[databases\\shop\\RelationalObjectGateway]\nclientUnicode=1\n",
         {0, 1}, false},
        {"another database's section does not count",
         "onlyServerUnicode=1\n[databases\\stock\\RelationalObjectGateway]\nclientUnicode=1\n", {0, 1}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.configuration);
        KxBase base(KxString("shop?ROG_RowNum=100"), KxString("client"));
        // A failure waits for the character-set query: a query sent makes the open fail.
        sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "NLS_PARAMETERS");
        KxGOraTypeHdl::SetUnicodeFlags(0, 0);
        DatabasePtr database = Make("s", "s", "Secret", nullptr, &base);
        if (c.queried) {
            EXPECT_EQ(database->OpenConnection(), 0);
            EXPECT_TRUE(CharacterSetQueryWasSent());
        } else {
            ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
            EXPECT_FALSE(CharacterSetQueryWasSent());
            EXPECT_EQ(Current().onlyServerUnicode, c.after.onlyServerUnicode);
            EXPECT_EQ(Current().clientUnicode, c.after.clientUnicode);
            database->CloseConnection();
        }
        kernel_.reset();
    }
}

TEST_F(OraUnicodeConfigured, WithoutAKernelBaseOnlyTheTopLevelCounts)
{
    Start("onlyServerUnicode=1\nclientUnicode=1\n");
    DatabasePtr database = Make();
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    EXPECT_EQ(Current().onlyServerUnicode, 1);
    EXPECT_EQ(Current().clientUnicode, 1);
    database->CloseConnection();
}

}  // namespace
}  // namespace oraconn
