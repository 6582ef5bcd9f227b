// The database wrapper on a database of the kernel's own storage: kernel start and stop around
// opening and closing, the worker thread of kernel actions, exec lines, and the error receiver.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DatabaseTestSupport.h"
#include "KxTestHooks.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxGlobals.h"
#include "cipherutil32.h"

namespace {

using namespace upgrade_test;

// The actions recorded in the native database's maintenance table, in order.
std::vector<std::string> MaintenanceRows(const std::string& directory) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2((directory + "/kelvox.kxdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT action FROM kx_maintenance ORDER BY seq", -1, &statement, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

// A database "database" of the set's table on a native database made by the kernel's create call.
class NativeDatabaseTest : public ::testing::Test {
protected:
    NativeDatabaseTest() : computer_("COMPUTERNAME", "UPGRADEHOST") {
        install_.registry[kMainKey] = {{"NLS_LANG", "AMERICAN_AMERICA.UTF8"}, {"server", "NATIVE"}, {"database", "NDB"}};
        install_.config = "[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname=" + Directory() +
                          "\n[schemata\\dict]\nname=" + install_.DictionaryDir("dict") + "\n";
        install_.Write();
        CreateNativeDatabase(install_.Config(), "NATIVE", "NDB", "dict");
        SetProgressOutput(display_.Get());
        database_ = std::make_unique<XKxDatabase>(u"database", &set_);
    }
    ~NativeDatabaseTest() override {
        database_.reset();
        KxHookClear();
        SetProgressOutput(nullptr);
    }

    std::string Directory() const { return install_.Dir() / "ndb"; }
    // The log's lines from the first one that begins with the text on.
    std::vector<std::string> LogFrom(const std::string& first) const {
        std::vector<std::string> lines = display_.Lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(first, 0) == 0) return std::vector<std::string>(lines.begin() + i, lines.end());
        return {};
    }

    EnvVar computer_;
    Installation install_;
    LoggedDisplay display_;
    XApplicationDatabases set_;
    std::unique_ptr<XKxDatabase> database_;
};

TEST_F(NativeDatabaseTest, ActionsRunOnTheWorkerAndTheKernelRunsWhileOpen) {
    XKxDatabase& db = *database_;
    ASSERT_EQ(db.GetState(), 2);
    db.Open(true);
    EXPECT_TRUE(db.IsOpen());
    EXPECT_NE(db.GetBase(), nullptr);
    EXPECT_EQ(KernelStarts(), 1);

    // Open twice opens once.
    db.Open(true);
    EXPECT_EQ(KernelStarts(), 1);

    // With an open base the kernel's words are looked for first, anywhere in the text.
    for (const char16_t* action : {u"- Update <database>", u"- VersAll <database>", u"- Reorg <database>",
                                   u"- ReIndex <database>", u"Open, then ReIndex", u"Close after Update"})
        db.RunAction(action, true);
    EXPECT_TRUE(db.IsOpen());

    EXPECT_TRUE(db.Close(true));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.GetBase(), nullptr);
    EXPECT_EQ(KernelStarts(), 0);
    // A closed database closes no more: no worker, no line, the kernel untouched.
    EXPECT_FALSE(db.Close(true));
    EXPECT_EQ(static_cast<XKxDatabaseBase&>(db).Close(), 0);
    EXPECT_EQ(KernelStarts(), 0);

    EXPECT_EQ(MaintenanceRows(Directory()),
              (std::vector<std::string>{"UpdateSchema", "VersAll", "Reorg", "ReIndex", "ReIndex", "UpdateSchema"}));
    EXPECT_EQ(LogFrom("- Open"), (std::vector<std::string>{"- Open <database>......ok!",
                                                           "- Update <database>......ok!",
                                                           "- VersAll <database>......ok!",
                                                           "- Reorg <database>......ok!",
                                                           "- ReIndex <database>......ok!",
                                                           "Open, then ReIndex......ok!",
                                                           "Close after Update......ok!",
                                                           "- Close <database>......ok!"}));
}

TEST_F(NativeDatabaseTest, FailedActionsReachTheCaller) {
    XKxDatabase& db = *database_;

    struct Case {
        const char* name;
        const char16_t* action;
        bool open;
        const char* hook;
        int32_t code;
        const char* message;
    };
    const Case cases[] = {
        {"unknown action", u"- Frobnicate <database>", true, nullptr, -1,
         "Couldn't perform <- Frobnicate <database>>, because this action is unknown!"},
        {"a kernel word on a closed base", u"- Update <database>", false, nullptr, -1,
         "Couldn't perform <- Update <database>>, because this action is unknown!"},
        {"kernel failure", u"- VersAll <database>", true, "VersAll", -4711,
         "Error executing <KxBase::- VersAll <database>>!"},
        {"failed open", u"- Open <database>", false, "GetBase", -4712,
         "Error executing <- Open <database>>!\r\nReason: \tError calling GetBase()!"},
        {"failed close", u"- Close <database>", true, "UngetBase", -4713,
         "Error executing <- Close <database>>!\r\nReason: \tError calling <KELVOX->UngetBase()>!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.open) db.Open(false);
        if (c.hook != nullptr) KxHookFailNext(c.hook, c.code);
        const XKxException error = Thrown([&] { db.RunAction(c.action, true); });
        EXPECT_EQ(error.GetCode(), c.code);
        EXPECT_EQ(Utf8(error.GetMessage()), c.message);
        EXPECT_EQ(Utf8(error.GetLocation()).rfind("<ThreadFunc> in [xkxdatabase]", 0), 0u) << Utf8(error.GetLocation());
        EXPECT_EQ(display_.Lines().back(), Utf8(c.action) + "......failed!");
        // Every start of the kernel is matched by a stop once the database is closed again.
        db.Close(false);
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(KernelStarts(), 0);
    }
}

TEST_F(NativeDatabaseTest, ACancelDuringADelayedUpdateAborts) {
    XKxDatabase& db = *database_;
    XProgressOutput& display = *display_.Get();
    db.Open(false);
    KxHookHoldNext("UpdateSchema");
    XKxException error;
    std::thread caller([&] { error = Thrown([&] { db.RunAction(u"- Update <database>", true); }); });
    KxHookWaitHeld("UpdateSchema");
    display.RequestCancel();
    KxHookRelease("UpdateSchema");
    caller.join();

    EXPECT_EQ(error.GetCode(), -2);
    EXPECT_EQ(Utf8(error.GetMessage()), "The upgrade is terminated by user request!");
    EXPECT_EQ(display_.Lines().back(), "- Update <database>......aborted!");
    EXPECT_EQ(MaintenanceRows(Directory()), std::vector<std::string>{"UpdateSchema"});
    // The request was taken once: later ticks and updates, with the check on again, do not throw.
    EXPECT_FALSE(display.TakeCancelRequest());
    EXPECT_NO_THROW(ProgressTick());
    EXPECT_NO_THROW(display.Refresh());
    db.Close(false);
}

TEST_F(NativeDatabaseTest, TheCallerTicksWhileTheKernelWorks) {
    XKxDatabase& db = *database_;
    db.Open(false);
    SetProgressOutput(nullptr);   // ticks are dots on the console

    std::mutex mutex;
    std::condition_variable ticked;
    int ticks = 0;
    w32test::SetConsoleHook([&](int, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        for (char c : text) ticks += c == '.' ? 1 : 0;
        ticked.notify_all();
    });
    KxHookHoldNext("UpdateSchema");
    XKxException error;
    std::thread caller([&] { error = Thrown([&] { db.RunAction(u"- Update <database>", false); }); });
    {
        // The kernel is held until the caller has ticked twice.
        std::unique_lock<std::mutex> lock(mutex);
        ticked.wait(lock, [&] { return ticks >= 2; });
    }
    KxHookRelease("UpdateSchema");
    caller.join();
    w32test::SetConsoleHook(nullptr);

    EXPECT_EQ(error.GetCode(), 0) << Utf8(error.GetMessage());
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(MaintenanceRows(Directory()), std::vector<std::string>{"UpdateSchema"});
    SetProgressOutput(display_.Get());
    db.Close(false);
}

TEST_F(NativeDatabaseTest, AWorkerThatCannotStartFails) {
    XKxDatabase& db = *database_;
    XProgressOutput& display = *display_.Get();
    db.Open(true);   // the last action succeeded
    db.Close(true);
    w32test::FailNext(w32test::Call::StartThread, 8);
    const XKxException error = Thrown([&] { db.Open(true); });
    EXPECT_EQ(error.GetCode(), -1);
    EXPECT_EQ(Utf8(error.GetMessage()), "Could not open database <database>!\r\nReason: \tError executing <- Open <database>>!");
    EXPECT_NE(Utf8(error.GetLocation()).find("<XKxDatabase::RunAction> in [xkxdatabase]"), std::string::npos);
    EXPECT_EQ(display_.Lines().back(), "- Open <database>......failed!");
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(KernelStarts(), 0);
    // The cancel check is on again.
    display.RequestCancel();
    EXPECT_THROW(display.Refresh(), XKxException);
}

TEST_F(NativeDatabaseTest, ExecLines) {
    XKxDatabase& db = *database_;
    struct Case {
        const char16_t* line;
        bool open;           // before
        bool result;
        bool openAfter;
        const char* error;   // the message thrown, or null
    };
    const Case cases[] = {
        {u"exec database close", true, true, false, nullptr},
        {u"exec database open", false, true, true, nullptr},
        {u"EXEC Database ReStart", true, true, true, nullptr},
        {u"eXeC DATABASE restart", false, true, true, nullptr},   // a closed database is just opened
        {u"exec database restart now", true, false, true,
         "Unknown exec command <restart now> for exec target <database>!"},
        {u"exec  database close", true, false, true, "Unknown exec target object <>!"},
        {u"exec table close", true, false, true, "Unknown exec target object <table>!"},
        {u"exec", true, false, true, "Unknown exec target object <>!"},
        {u"executable.exe database close", true, false, true, nullptr},
        {u"upgrade.sql", true, false, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.line));
        if (c.open) db.Open(false);
        else db.Close(false);
        bool result = false;
        const XKxException error = Thrown([&] { result = db.ParseLine(c.line); });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(Utf8(error.GetMessage()), c.error != nullptr ? c.error : "");
        if (c.error != nullptr) {
            EXPECT_EQ(Utf8(error.GetLocation()), "<XKxDatabase::ParseLine> in [xkxdatabase]");
        }
        EXPECT_EQ(db.IsOpen(), c.openAfter);
        EXPECT_EQ(KernelStarts(), db.IsOpen() ? 1 : 0);
    }
    db.Close(false);
    EXPECT_EQ(set_.GetErrorText(), CString());
}

TEST_F(NativeDatabaseTest, ADatabaseNotAvailableIsRefusedWithTwoErrorEntries) {
    XKxDatabase& db = *database_;
    db.SetState(0);
    const XKxException error = Thrown([&] { db.Open(true); });
    EXPECT_EQ(error.GetCode(), -1);
    EXPECT_EQ(Utf8(error.GetMessage()),
              "Could not open database <database>!\r\nReason: \tDatabase <database> not available!");
    EXPECT_EQ(Utf8(set_.GetErrorText()),
              "\r\n\tDatabase <database> not available!"
              "\r\n\tCould not open database <database>!\r\nReason: \tDatabase <database> not available!\r\nError Code:\t-1");
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(KernelStarts(), 0);
}

TEST_F(NativeDatabaseTest, ConnectAndDisconnectStartAndStopTheKernel) {
    XKxDatabase& db = *database_;
    db.Connect();
    EXPECT_NE(db.GetBase(), nullptr);
    EXPECT_EQ(KernelStarts(), 1);
    // The long actions work on a connected base too.
    db.RunAction(u"- Reorg <database>", false);
    db.DisConnect();
    EXPECT_EQ(db.GetBase(), nullptr);
    EXPECT_EQ(KernelStarts(), 0);
    EXPECT_EQ(MaintenanceRows(Directory()), std::vector<std::string>{"Reorg"});

    KxHookFailNext("Connect", -4714);
    const XKxException error = Thrown([&] { db.Connect(); });
    EXPECT_EQ(error.GetCode(), -4714);
    EXPECT_EQ(Utf8(error.GetMessage()), "Connection to database server <NATIVE> failed!");
    EXPECT_EQ(db.GetBase(), nullptr);
    EXPECT_EQ(KernelStarts(), 0);
}

// Bad input: each refusal names what is wrong, and the kernel is stopped again.
TEST_F(NativeDatabaseTest, BadInstallationsAreRefused) {
    struct Case {
        const char* name;
        std::string config;
        int32_t code;
        const char* reason;   // in the message chain
    };
    const std::string dict = "[schemata\\dict]\nname=" + install_.DictionaryDir("dict") + "\n";
    const Case cases[] = {
        {"a malformed kelvox.cfg", "[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname " + Directory() + "\n" + dict,
         -1, "Database <database> not available!"},
        {"an unknown server", "[servers\\NATIVE]\nname=Oracle$NOSUCHSRV\n[databases\\NDB]\nname=" + Directory() + "\n" + dict,
         -12154, "ORA-12154"},
        {"a server text without brand", "[servers\\NATIVE]\nname=local\n[databases\\NDB]\nname=" + Directory() + "\n" + dict,
         -2849, "Error calling GetBase()!"},
        {"a missing database directory",
         "[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname=" + (install_.Dir() / "nowhere") + "\n" + dict, -2031,
         "Error calling GetBase()!"},
    };
    install_.registry[kMainKey]["username"] = "SCOTT";
    install_.registry[kMainKey]["password"] = "tiger";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        install_.config = c.config;
        install_.Write();
        XApplicationDatabases set;
        XKxDatabase db(u"database", &set);
        const XKxException error = Thrown([&] { db.Open(true); });
        EXPECT_EQ(error.GetCode(), c.code);
        EXPECT_EQ(Utf8(error.GetMessage()).rfind("Could not open database <database>!", 0), 0u);
        EXPECT_NE(Utf8(error.GetMessage()).find(c.reason), std::string::npos) << Utf8(error.GetMessage());
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(KernelStarts(), 0);
    }
}

TEST(ErrorReceiver, OracleErrorsBecomeExceptions) {
    struct Case {
        int32_t code;
        const char* context;
        int32_t thrown;
        const char* message;
    };
    const Case cases[] = {
        {1017, "", -1017, "ORA-01017: invalid username/password; logon denied"},
        {-3113, nullptr, -3113, "ORA-01017: invalid username/password; logon denied"},
        // A code of 0 would read as success.
        {0, "", -1, "ORA-01017: invalid username/password; logon denied"},
        {942, "SELECT * FROM T", -942,
         "Occured during execution of <SELECT * FROM T>!\r\nReason: \tORA-01017: invalid username/password; logon denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        XKxErrorCallBack receiver;
        receiver.Register();
        const XKxException error = Thrown([&] {
            KxGOraDatabaseErrorCallback::Notify(c.code, "ORA-01017: invalid username/password;\nlogon denied ", c.context);
        });
        receiver.Unregister();
        EXPECT_EQ(error.GetCode(), c.thrown);
        EXPECT_EQ(Utf8(error.GetMessage()), c.message);
        EXPECT_EQ(Utf8(error.GetLocation()), "<XKxErrorCallBack::Receive> in [xkxdatabasebase]");
        // An exception with a code is never empty: it takes the next level's location.
        XKxException outer = error;
        outer.AddLocation(u".\\xkxdatabase", u"ThreadFunc", u"Error executing <x>!");
        EXPECT_NE(outer.GetLocation(), error.GetLocation());
    }
}

TEST(LoginText, SplitAndJoin) {
    Installation install;
    install.Write();
    XApplicationDatabases set;
    XKxDatabase db(u"database", &set);
    struct Case {
        const char16_t* text;
        const char* user;
        const char* password;
        const char* service;
    };
    const Case cases[] = {
        {u"scott/tiger", "scott", "tiger", "OLD"},           // no "@": the service stays
        {u"scott/tiger@SHOPSRV", "scott", "tiger", "SHOPSRV"},
        {u"scott/ti/ger@a@b", "scott", "ti/ger", "a@b"},
        {u"scott", "u", "p", "OLD"},                         // no "/": nothing changes
        {u"/", "", "", "OLD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        db.SetUser(u"u");
        db.SetPassword(u"p");
        db.SetConnectService(u"OLD");
        db.SetLoginText(c.text);
        EXPECT_EQ(Utf8(db.GetUser()), c.user);
        EXPECT_EQ(Utf8(db.GetPassword()), c.password);
        EXPECT_EQ(Utf8(db.GetConnectService()), c.service);
    }
    db.SetLoginText(u"scott/tiger@SHOPSRV");
    EXPECT_EQ(db.GetLoginText(), CString());   // not an explicit log-in
    db.SetExplicitLogin(true);
    EXPECT_EQ(db.GetLoginText(), CString(u"scott/tiger@SHOPSRV"));
    db.SetConnectService(u"");
    EXPECT_EQ(db.GetLoginText(), CString(u"scott/tiger"));
    db.SetPassword(u"");
    EXPECT_EQ(db.GetLoginText(), CString());
    EXPECT_EQ(db.GetUserPassword(), CString(u"scott/"));
}

}  // namespace
