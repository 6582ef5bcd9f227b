// Both databases of the set's table, built from an installation's files and opened and closed on
// the worker thread in a process of its own: the main one on an engine server through the gateway
// (schema made by relgen), "base" in the kernel's own storage.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DatabaseTestSupport.h"
#include "cipherutil32.h"
#include "sqlengine.h"

#ifndef UPGRADE_DATABASE_CHILD
#error "UPGRADE_DATABASE_CHILD names the child program"
#endif

namespace {

using namespace upgrade_test;

const char kServer[] = "UPGSRV";
const char kUser[] = "SHOP";
const char kPassword[] = "shop";

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TEST(DatabaseEndToEnd, BothDatabasesOpenAndCloseOnTheWorker) {
    Installation install;
    const TempDir& dir = install.Dir();
    install.config = "[servers\\ORADB]\nname=oracle$" + std::string(kServer) + "\n[databases\\" + kUser +
                     "]\nname=" + (dir / "shop") + "\n[databases\\" + kUser +
                     "\\RelationalObjectGateway]\nTraceModules=ALL\nTraceFile=" + (dir / "gateway.trc") +
                     "\n[schemata\\dict]\nname=" + install.DictionaryDir("dict") +
                     "\n[servers\\NATIVE]\nname=Kelvox$local\n[databases\\CFG]\nname=" + (dir / "cfg") +
                     "\n[schemata\\configdict]\nname=" + install.DictionaryDir("configdict") + "\n";
    install.registry[kMainKey] = {{"NLS_LANG", "AMERICAN_AMERICA.UTF8"},
                                  {"server", "ORADB"},
                                  {"database", kUser},
                                  {"username", kUser},
                                  {"password", Utf8(EncryptOnlyOneStringAndEncode2String(CString(kPassword)))}};
    install.registry[kBaseKey] = {{"NLS_LANG", "AMERICAN_AMERICA.UTF8"}, {"server", "NATIVE"}, {"database", "CFG"}};
    install.Write();

    // The engine server with the schema user, and the schema made by relgen as a program of its own.
    const std::string serverFolder = dir / "server";
    {
        sqlengine::Error err;
        auto server = sqlengine::Engine::Instance().RegisterServer(kServer, serverFolder, &err);
        ASSERT_TRUE(server && server->AddUser(kUser, kPassword, false, &err) &&
                    server->GrantSystem(kUser, "CREATE ROLE", err))
            << err.message;
        sqlengine::Engine::Instance().UnregisterServer(kServer);
    }
    EnvVar servers("ROG_ENGINE_SERVERS", std::string(kServer) + "=" + serverFolder);
    const std::string command = "cd " + Quote(dir.Path()) + " && " + Quote(UPGRADE_RELGEN) + " -c -D dict -S " +
                                Quote(std::string("Oracle$") + kServer) + " -B " + kUser + " -u " + kUser + " -p " +
                                kPassword + " -r -config kelvox.cfg > relgen.out 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadAll(dir / "relgen.out");
    CreateNativeDatabase(install.Config(), "NATIVE", "CFG", "configdict");

    const ChildRun run = RunChild(dir, UPGRADE_DATABASE_CHILD, std::string(kServer) + " \"" + serverFolder + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.console;
    const std::string& out = run.console;
    for (const std::string& line : {
             std::string("= states 2 2 oracle kelvox"),
             std::string("= wrong password: -1017 Could not open database <database>!\r\nReason: \tError executing "
                         "<- Open <database>>!\r\nReason: \tORA-01017: invalid username/password; logon denied, starts 0"),
             std::string("= right password: ok, starts 1"),
             std::string("= open yes"),
             std::string("= close: ok, starts 0"),
             std::string("= failed open: -4801 Could not open database <database>!\r\nReason: \tError executing "
                         "<- Open <database>>!\r\nReason: \tError calling GetBase()!, starts 0"),
             std::string("= failed close: -4802 Error executing <- Close <database>>!\r\nReason: \tError calling "
                         "<KELVOX->UngetBase()>!, starts 0"),
             std::string("= failed connect: -4803 Connection to database server <ORADB> failed!, starts 0"),
             std::string("= connect: ok, starts 0"),
             std::string("= base open: ok, starts 1"),
             std::string("= base close: ok, starts 0"),
         })
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n---\n" << out;
    // Every log-in fetched a value cut short (ORA-01406), which was forgiven: nothing threw.
    EXPECT_NE(ReadAll(dir / "gateway.trc").find("1406"), std::string::npos);
    // The progress lines of the worker.
    EXPECT_NE(out.find("\n- Open <database>..."), std::string::npos) << out;
    EXPECT_NE(out.find("...ok!"), std::string::npos) << out;
    EXPECT_NE(out.find("...failed!"), std::string::npos) << out;
}

}  // namespace
