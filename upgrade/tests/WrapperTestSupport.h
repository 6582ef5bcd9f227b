// The site of the object-access wrappers' tests: an installation whose class dictionary "dict" has a
// class with a member of each kind, a database of the kernel's own storage made by the kernel's create
// call and a gateway database on an engine server whose schema relgen made. The registry names the one
// database a test runs on; XKxDatabase reads it as the upgrader does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DatabaseTestSupport.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxTestHooks.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "cipherutil32.h"
#include "sqlengine.h"

namespace upgrade_test {

inline const char kWrapperDictionary[] = R"(dictionary dict server=LOCAL logical=dict revision=1
class 1.1 Item
member name string
member flag char
member active long
member done boolean
member mark short
member count int
member total long
member size uint
member weight double
member data blob
member stamp datetime
member owner ptr:Owner
member next ondemand:Item
member parts set:PartSet
member spot embedded:Spot
member spots set:SpotSet
index ItemByName unique name
class 2.1 Owner
member name string
member count int
class 3.1 Spot embedded
member x int
member y int
class 4.1 Part
member name string
member count int
member whole ptr:Item
class 5.1 Special bases=Item
member extra int
objectset 900.1 PartSet Part
classset 901.1 SpotSet Spot
)";

// A storage the tests run on: its name in test names, and the database's registry values.
struct WrapperStorage {
    const char* name;
    bool gateway;
};
inline void PrintTo(const WrapperStorage& storage, std::ostream* out) { *out << storage.name; }

inline const char kEngineServer[] = "WRAPSRV";
inline const char kSchemaUser[] = "SHOP";
inline const char kSchemaPassword[] = "shop";

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// An installation whose class dictionary "dict" the caller writes: kelvox.cfg with a native database
// "NDB" (made by the kernel's create call) and, when relgen is given, a gateway database whose schema
// relgen made on the engine server `engineServer` ($ROG_ENGINE_SERVERS names the server's folder for
// the gateway in this process; relgen maps with the option text, when given). Select writes the
// registry of the storage's database (the set's entry "database").
class StorageSite {
public:
    StorageSite(const char* relgen, const std::string& engineServer,
                const std::function<void(const TempDir&)>& writeDictionary, const std::string& options = std::string())
        : engineServer_(engineServer), options_(options) {
        const TempDir& dir = install_.Dir();
        writeDictionary(dir);
        install_.config = "[servers\\ORADB]\nname=oracle$" + engineServer + "\n[databases\\" + kSchemaUser +
                          "]\nname=" + (dir / "shop") + "\n[schemata\\dict]\nname=" + install_.DictionaryDir("dict") +
                          "\n[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname=" + (dir / "ndb") + "\n";
        Select({"Native", false});
        if (relgen != nullptr) MakeGatewaySchema(relgen);
        CreateNativeDatabase(install_.Config(), "NATIVE", "NDB", "dict");
    }
    StorageSite(const StorageSite&) = delete;
    StorageSite& operator=(const StorageSite&) = delete;

    void Select(const WrapperStorage& storage) {
        if (storage.gateway)
            install_.registry[kMainKey] = {{"NLS_LANG", "AMERICAN_AMERICA.UTF8"},
                                           {"server", "ORADB"},
                                           {"database", kSchemaUser},
                                           {"username", kSchemaUser},
                                           {"password", Utf8(EncryptOnlyOneStringAndEncode2String(CString(kSchemaPassword)))}};
        else
            install_.registry[kMainKey] = {{"NLS_LANG", "AMERICAN_AMERICA.UTF8"}, {"server", "NATIVE"}, {"database", "NDB"}};
        install_.Write();
    }
    const Installation& Install() const { return install_; }
    Installation& Install() { return install_; }
    std::string ServerFolder() const { return install_.Dir() / "server"; }
    const std::string& EngineServer() const { return engineServer_; }

private:
    void MakeGatewaySchema(const char* relgen) {
        const TempDir& dir = install_.Dir();
        if (!options_.empty()) dir.Write("site.opt", options_);
        {
            sqlengine::Error err;
            auto server = sqlengine::Engine::Instance().RegisterServer(engineServer_, ServerFolder(), &err);
            EXPECT_TRUE(server && server->AddUser(kSchemaUser, kSchemaPassword, false, &err) &&
                        server->GrantSystem(kSchemaUser, "CREATE ROLE", err))
                << err.message;
            sqlengine::Engine::Instance().UnregisterServer(engineServer_);
        }
        setenv("ROG_ENGINE_SERVERS", (engineServer_ + "=" + ServerFolder()).c_str(), 1);
        const std::string command = "cd " + ShellQuote(dir.Path()) + " && " + ShellQuote(relgen) +
                                    " -c -D dict -S " + ShellQuote("Oracle$" + engineServer_) + " -B " +
                                    kSchemaUser + " -u " + kSchemaUser + " -p " + kSchemaPassword +
                                    (options_.empty() ? "" : " -o site.opt") + " -r -config kelvox.cfg > relgen.out 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadAll(dir / "relgen.out");
    }

    std::string engineServer_;
    std::string options_;
    Installation install_;
};

// The wrappers' installation, made once per process.
class WrapperSite : public StorageSite {
public:
    static WrapperSite& Get(const char* relgen) {
        static WrapperSite site(relgen);
        return site;
    }

private:
    explicit WrapperSite(const char* relgen)
        : StorageSite(relgen, kEngineServer,
                      [](const TempDir& dir) { dir.Write("dicts/dict/classes.kxd", kWrapperDictionary); }) {}
};

// The rows of a statement run on the site's engine server as the schema's user, each row's values (text,
// else the integer, "null" for NULL) joined by "/"; the session commits, so a test can also change rows
// with it. A failure fails the test (unless `mayFail`) and gives no rows.
inline std::vector<std::string> EngineRows(const StorageSite& site, const std::string& sql, bool mayFail = false) {
    std::vector<std::string> rows;
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(site.EngineServer());
    if (!server) server = sqlengine::Engine::Instance().RegisterServer(site.EngineServer(), site.ServerFolder(), &err);
    EXPECT_TRUE(server) << err.message;
    if (!server) return rows;
    auto session = sqlengine::Session::Begin(server, kSchemaUser, kSchemaPassword, err);
    EXPECT_TRUE(session) << err.message;
    if (!session) return rows;
    {
        auto statement = session->Prepare(sql, err);
        sqlengine::Outcome outcome;
        if (statement && statement->Run({}, outcome, err)) {
            for (const auto& row : outcome.result.rows) {
                std::string text;
                for (const sqlengine::Value& value : row)
                    text += (text.empty() ? "" : "/") +
                            (value.IsNull() ? std::string("null")
                             : value.type == sqlengine::Value::Type::Integer ? std::to_string(value.integer)
                                                                             : value.bytes);
                rows.push_back(text);
            }
        } else if (!mayFail) {
            ADD_FAILURE() << sql << ": " << err.message;
        }
        EXPECT_TRUE(session->Commit(err)) << err.message;
    }
    session->End();
    return rows;
}

// A test on the database of the storage named by the parameter, at the site `site` gives, opened
// through XKxDatabase with a progress display; the extents of the classes named are emptied first,
// the kernel's hooks cleared after.
class WrapperDatabaseTest : public ::testing::TestWithParam<WrapperStorage> {
protected:
    WrapperDatabaseTest(std::function<StorageSite&()> site, std::vector<const char*> emptied)
        : computer_("COMPUTERNAME", "UPGRADEHOST"), site_(std::move(site)), emptied_(std::move(emptied)) {}

    void SetUp() override {
        StorageSite& site = site_();
        ASSERT_FALSE(HasFailure());
        site.Select(GetParam());
        SetProgressOutput(display_.Get());
        db_ = std::make_unique<XKxDatabase>(u"database", &set_);
        db_->Open(false);
        ASSERT_TRUE(db_->IsOpen());
        for (const char* name : emptied_) {
            const KxMetaClass* cls = Dictionary()->FindByName(KxString(name))->AsClass();
            KxAllSet all(cls->AsPersClass(), db_->GetBase());
            KxObject* object = nullptr;
            for (int32_t rc = all.Get(object, 0, 0); rc != KX_KERNEL_E_NO_ELEMENT; rc = all.Get(object, 1, 1)) {
                ASSERT_EQ(0, rc);
                ASSERT_EQ(0, object->Delete());
                all.Unget(object);
            }
        }
    }
    void TearDown() override {
        KxHookClear();
        if (db_) db_->Close(false);
        db_.reset();
        SetProgressOutput(nullptr);
    }

    KxClassDict* Dictionary() const { return db_->GetBase()->GetDictionary(); }
    XKxDatabase* Db() const { return db_.get(); }

    EnvVar computer_;
    std::function<StorageSite&()> site_;
    std::vector<const char*> emptied_;
    LoggedDisplay display_;
    XApplicationDatabases set_;
    std::unique_ptr<XKxDatabase> db_;
};

}  // namespace upgrade_test
