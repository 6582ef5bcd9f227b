// An installation upgraded from version 22 to 23 by the upgrader's stand-in liftrunner, as a user runs
// it, three times: the first run stops (no SchemaDelta, or a kernel action failing), the second
// upgrades, the third finds everything done. The installation is made as an installer and a release
// make it: the main database's schema (relgen, dictionary of version 22) on an engine server with its
// version record and application objects, or the same database in the kernel's own storage; kelvox.cfg;
// the registry of both databases and of the upgrader; the dictionaries "dict_22" and "dict_23" with the
// version 23 step's lists, scripts and change-file script; the release's conversion library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "LiftRunRelease.h"
#include "RunTraces.h"
#include "VersionTestSupport.h"
#include "XKxAllSet.h"
#include "XKxClass.h"
#include "XKxDatabase.h"
#include "XKxObject.h"
#include "cipherutil32.h"
#include "sqlengine.h"

#if !defined(UPGRADE_RELGEN) || !defined(LIFTRUNNER) || !defined(UPGRADE_CONVERSION_STEPS) || \
    !defined(UPGRADE_SCHEMADELTA)
#error "the programs and the conversion library of the upgrade runs are named by the build"
#endif

namespace {

using namespace upgrade_test;
using liftrun_release::Dictionary;
using liftrun_release::kNewInfo;

const char kServer[] = "ORCL";
const char kMainNlsLang[] = "AMERICAN_AMERICA.UTF8";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What a fresh look through the kernel finds in the main database.
struct Found {
    int32_t version = -1;
    std::string versionMember;
    std::vector<std::string> versionTexts;
    std::vector<std::string> toolRecords;
    std::vector<std::string> toolIdentities;   // "<name>|<version>|<release>" of every record
    std::vector<std::string> parties;          // "<class> <name> <count> <origin>"
};

// The installation, on the engine server (gateway) or in the kernel's own storage.
class LiftRunInstallation {
public:
    explicit LiftRunInstallation(bool gateway)
        : gateway_(gateway),
          record_("STANDIN_RECORD", records_ / "record.txt"),
          site_(gateway ? UPGRADE_RELGEN : nullptr, kServer,
                [](const TempDir& dir) { WriteDictionaryPair(dir, Dictionary(22)); },
                liftrun_release::kMappingOptions) {
        Installation& install = site_.Install();
        site_.Select({gateway ? "Gateway" : "Native", gateway});
        // The second database, with settings of its own; at its limit 21 it never takes part.
        install.registry[kBaseKey] = {{"NLS_LANG", "GERMAN_GERMANY.WE8ISO8859P1"},
                                      {"server", gateway ? "ORADB" : "NATIVE"},
                                      {"database", "CONFIG"},
                                      {"username", "CFG"},
                                      {"password", Utf8(EncryptOnlyOneStringAndEncode2String(CString("cfg")))}};
        install.config += "[schemata\\configdict]\nname=" + install.DictionaryDir("configdict") +
                          "\n[databases\\CONFIG]\nname=" + (install.Dir() / "config") + "\n";
        std::filesystem::create_directories(Logs());
        SetUpgraderSettings(install.Dir() / "no-such-folder/SchemaDelta.exe");
        WriteRelease();
        InstallObjects();
        if (gateway) WriteChangeFileScript();
    }
    ~LiftRunInstallation() {
        if (gateway_) sqlengine::Engine::Instance().UnregisterServer(kServer);
    }
    LiftRunInstallation(const LiftRunInstallation&) = delete;
    LiftRunInstallation& operator=(const LiftRunInstallation&) = delete;

    // The upgrader's registry values: its log directory, SchemaDelta, one pre-upgrade script off.
    void SetUpgraderSettings(const std::string& schemaDelta) {
        Installation& install = site_.Install();
        install.registry["LiftRunner"] = {
            {"Logging", Logs()}, {"SchemaDeltaExe", schemaDelta}, {"pre_disabled.sql", "false"}};
        install.Write();
    }

    ChildRun Run() {
        return RunChild(records_, LIFTRUNNER,
                        "\"" + ScriptBase() + "\" \"" + UPGRADE_CONVERSION_STEPS + "\" \"" + kNewInfo + "\"");
    }
    std::string LogOf(const ChildRun& run, const char* suffix) const {
        return ReadAll(Logs() + "/LiftRun-" + std::to_string(run.pid) + suffix);
    }
    std::vector<std::string> Records() const { return RecordLines(records_ / "record.txt"); }
    std::string ScriptBase() const { return site_.Install().Dir() / "scripts"; }
    std::string VersionDir() const { return ScriptBase() + "/dict_23"; }
    // The version directory as the upgrade names it.
    std::string VersionPath() const { return ScriptBase() + "\\dict_23"; }
    std::string Logs() const { return site_.Install().Dir() / "logs"; }
    std::string DatabaseFile() const { return site_.Install().Dir() / "ndb/kelvox.kxdb"; }
    std::string DictionaryFile(const char* name) const { return site_.Install().DictionaryDir("dict") + "/" + name; }
    std::string SqlplusRecord(const std::string& arguments, const std::string& directory) const {
        return Record({"sqlplus", std::string(kSchemaUser) + "/" + kSchemaPassword + "@" + kServer + " " + arguments,
                       directory, kMainNlsLang});
    }

    // Rows of a query on the engine server as the schema's user, values joined by "/".
    std::vector<std::string> EngineRows(const std::string& sql) const { return upgrade_test::EngineRows(site_, sql); }

    // A fresh look through the kernel at the main database.
    Found Look() {
        Found found;
        UpgradeRun run;
        XKxDatabase* db = run.Db();
        db->Open(false);
        found.version = db->ReadVersion();
        {
            XKxClass versionClass(db, u"XDOVersionInfo", true);
            CString member;
            versionClass.GetMemberName(member, 0);
            found.versionMember = Utf8(member);
        }
        found.versionTexts = VersionTexts(db);
        found.toolRecords = ToolRecords(db);
        {
            XKxAllSet all(db, u"XDBToolsLog", true);
            XKxObject record(db);
            while (all.GetNext(record)) {
                CString name, version, release;
                record.GetMemberString(u"m_strToolName", name);
                record.GetMemberString(u"m_strToolVersion", version);
                record.GetMemberString(u"m_strToolRelease", release);
                found.toolIdentities.push_back(Utf8(name) + "|" + Utf8(version) + "|" + Utf8(release));
            }
        }
        XKxAllSet parties(db, u"Party", true);
        XKxObject party(db);
        while (parties.GetNext(party)) {
            CString name, origin;
            int32_t count = 0;
            party.GetMemberString(u"name", name);
            party.GetMemberInt(u"count", count);
            if (Utf8(party.GetClassName()) == "Client") party.GetMemberString(u"origin", origin);
            found.parties.push_back(Utf8(party.GetClassName()) + " " + Utf8(name) + " " + std::to_string(count) + " " +
                                    Utf8(origin));
        }
        db->Close(false);
        return found;
    }

    // The script relgen wrote for the change of the schema to the dictionary of version 23.
    const std::string& VersionAllScript() const { return versionAll_; }

private:
    // The release: the dictionaries of both versions below the script base directory, the version 23
    // step's lists and scripts, and the query of the server's version.
    void WriteRelease() {
        WriteDictionaryPairTo(ScriptBase() + "/dict_22", Dictionary(22));
        WriteDictionaryPairTo(VersionDir(), Dictionary(23));
        const std::string login = std::string(kSchemaUser) + "/" + kSchemaPassword + "@" + kServer;
        for (const auto& [name, text] : liftrun_release::ScriptFiles(kSchemaUser, login))
            site_.Install().Dir().Write("scripts/" + name, text);
    }

    // The installer's objects: the version record "TY 5.3 SP01", three customers, and on the engine
    // the table the step's scripts write to.
    void InstallObjects() {
        if (gateway_) EngineRows(liftrun_release::StepTableStatement(kSchemaUser));
        UpgradeRun run;
        XKxDatabase* db = run.Db();
        db->Open(false);
        liftrun_release::MakeInstalledObjects(db);
        db->Close(false);
    }

    // "update_t5_database.sql" as a release makes it: relgen's version-all script for the dictionary
    // of version 23 (written offline, from the stored catalog), then SchemaDelta's change file.
    void WriteChangeFileScript() {
        const TempDir& dir = site_.Install().Dir();
        const std::string config =
            liftrun_release::VersionAllConfig(site_.Install().config, site_.Install().DictionaryDir("dict"), VersionDir());
        ASSERT_FALSE(config.empty()) << site_.Install().config;
        dir.Write("relgen23.cfg", config);
        const std::string command = "cd " + ShellQuote(dir.Path()) + " && " + ShellQuote(UPGRADE_RELGEN) +
                                    " -v -t/ -D dict -S " + ShellQuote(std::string("Oracle$") + kServer) + " -B " +
                                    kSchemaUser + " -u " + kSchemaUser + " -p " + kSchemaPassword +
                                    " -o site.opt -config relgen23.cfg -f version_all.sql -l version_all.log"
                                    " > relgen23.out 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadAll(dir / "relgen23.out") << ReadAll(dir / "version_all.log");
        versionAll_ = ReadAll(dir / "version_all.sql");
        dir.Write("scripts/dict_23/update_t5_database.sql", liftrun_release::ChangeFileScript(versionAll_));
    }

    bool gateway_;
    TempDir records_;
    EnvVar record_;
    StorageSite site_;
    std::string versionAll_;
};

// The installation as the runs find it: relgen's script for version 23 changes the version class and
// adds the clients' table; the customers are stored at version 22.
TEST(LiftRunFixture, TheReleaseChangesTheSchemaFromVersion22) { Guarded([&] {
    LiftRunInstallation install(true);
    const std::string& script = install.VersionAllScript();
    EXPECT_TRUE(Has(script, "CREATE TABLE SHOP.CLIENTC5V1")) << script;
    EXPECT_TRUE(Has(script, "'M_IVERSION_230V1', '1.m_iVersion_23'")) << script;
    EXPECT_TRUE(Has(script, "SET KEYVALUE = 'dict' WHERE KEYID = 'DictionaryName'")) << script;
    const Found found = install.Look();
    EXPECT_EQ(found.version, 22);
    EXPECT_EQ(found.versionMember, "m_iVersion_22");
    EXPECT_EQ(found.versionTexts, std::vector<std::string>{"TY 5.3 SP01"});
    EXPECT_EQ(found.parties, (std::vector<std::string>{"Customer ann 1 ", "Customer bob 2 ", "Customer cid 3 "}));
}); }

// The log lines from the structure upgrade's opening line to its closing line, blank ones left out.
std::vector<std::string> StructureLines(const std::string& log) {
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line : TextLines(log)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (Has(line, "- Upgrading the database dictionaries and structure...")) inside = true;
        if (!inside || line.find_first_not_of(' ') == std::string::npos) continue;
        lines.push_back(line);
        if (Has(line, "...the upgrade of database dictionaries and structure has completed")) break;
    }
    return lines;
}

// The main database at version 23 (by its version member's name) with the new version record, the
// customers converted into clients; every one of the records is among the tool-run records found,
// and every record carries the upgrader's identity.
void ExpectUpgraded(const Found& found, const std::vector<std::string>& records) {
    EXPECT_EQ(found.version, 23);
    EXPECT_EQ(found.versionMember, "m_iVersion_23");
    EXPECT_EQ(found.versionTexts, std::vector<std::string>{kNewInfo});
    EXPECT_EQ(found.parties, (std::vector<std::string>{"Client ann 1 customer", "Client bob 2 customer",
                                                       "Client cid 3 customer"}));
    for (const std::string& record : records)
        EXPECT_NE(std::find(found.toolRecords.begin(), found.toolRecords.end(), record), found.toolRecords.end())
            << record << "\n" << ::testing::PrintToString(found.toolRecords);
    for (const std::string& identity : found.toolIdentities) EXPECT_EQ(identity, "liftrunner|2.20.1|R20");
}

// The gateway installation upgraded three times.
TEST(LiftRunGateway, ThreeRunsUpgradeTheInstallationOnce) { Guarded([&] {
    LiftRunInstallation install(true);
    ASSERT_FALSE(install.VersionAllScript().empty());
    const std::string cwd = std::filesystem::current_path().string();
    const std::string version = install.VersionPath();
    const std::string base = install.ScriptBase();

    // 1: SchemaDelta names no file. The pre-upgrade scripts run (the disabled one is skipped), then
    // the change files stop the run.
    const ChildRun first = install.Run();
    EXPECT_EQ(first.exitCode, 1u) << first.console;
    std::string log = install.LogOf(first, ".log");
    for (const char* line : {"Getting Orcale server version...", "> Oracle Database 10g",
                             "- Performing Pre-Upgrade SQL-Scripts...", "...skipping <pre_disabled.sql> (disabled by registry entry)!",
                             "The specified executable for the SchemaDelta does not exist!",
                             "Error creating the changefiles for upgrade 21->22!", "Error upgrading the database structure!",
                             "Total running time for 'LiftRunner': "})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    EXPECT_FALSE(Has(log, "Getting Orcale server version......failed!")) << log;
    EXPECT_EQ(install.EngineRows("SELECT STEP FROM SHOP.UPG_STEPS"), std::vector<std::string>{"pre-upgrade"});
    EXPECT_EQ(install.Records(),
              (std::vector<std::string>{
                  install.SqlplusRecord("@_get_oracle_server_version.sql _get_oracle_server_version.log", base),
                  install.SqlplusRecord("@pre_upgrade.sql pre_upgrade.log", install.VersionDir())}));
    Found found = install.Look();
    EXPECT_EQ(found.version, 22);
    EXPECT_EQ(found.versionTexts, std::vector<std::string>{"TY 5.3 SP01"});

    // 2: SchemaDelta fixed. The done scripts are skipped, the change file, the structure, the
    // dictionary, both lists and the conversion run.
    install.SetUpgraderSettings(UPGRADE_SCHEMADELTA);
    const ChildRun second = install.Run();
    EXPECT_EQ(second.exitCode, 0u) << second.console;
    log = install.LogOf(second, ".log");
    for (const char* line :
         {"...skipping <pre_upgrade.sql> (already done)!", "...skipping <_get_oracle_server_version.sql> (already done)!",
          "- Creating the change files...", "> SchemaDelta: 3 change(s) written",
          "- Executing oracle change-file for <database>...", "...the database structure has been updated successfully!",
          "...new dictionaries have been updated successfully!", "- Processing <execute_sql_upgrade.txt>...",
          "- Converting objects of <database>...", "...converted <3> customers into clients!",
          "...the conversion of <database> objects has completed successfully!",
          "- Trying to write the new version info <TY 5.4 SP00> to Database <SHOP>...",
          "Total running time for 'LiftRunner': ", "Upgrading structure"})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    // The "> " lines of every script and program that ran.
    for (const char* line : {"> 1 row created.", "> schemalift_upgrade_program ran with: -log "})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    EXPECT_EQ(Count(log, "> 1 row created."), 2u) << log;
    // The summary table shows the main database only.
    EXPECT_TRUE(Has(log, "Database information summary:")) << log;
    EXPECT_TRUE(Has(log, "|SHOP")) << log;
    EXPECT_FALSE(Has(log, "|CONFIG")) << log;
    EXPECT_TRUE(Has(ReadAll(install.Logs() + "/update_t5_database-22-23.log"), "Table created.")) << install.Logs();
    for (const char* name : {"_objects.dat", "_objects.idx"})
        EXPECT_EQ(ReadAll(install.DictionaryFile(name)), ReadAll(install.VersionDir() + "/" + name)) << name;
    // The window's texts: the message area's last lines and the title with the running time.
    const std::string texts = install.LogOf(second, ".window.txt");
    EXPECT_TRUE(Has(texts, "0\tLiftRunner - Total running time: ")) << texts;
    // The message area's last text: its last 20 lines (19 line breaks escaped), the closing the last.
    const size_t last = texts.rfind("\n1302\t");
    ASSERT_NE(last, std::string::npos) << texts;
    std::string area = texts.substr(last + 6, texts.find('\n', last + 1) - last - 6);
    // While a step runs, the area carries the spinner when its report was due (the step's timer, so the
    // machine's load decides whether the last refresh showed one): it is not part of the texts.
    for (const char* spinner : {" |", " /", " -", " \\\\", " \\"})
        if (area.ends_with(spinner)) {
            area.resize(area.size() - std::strlen(spinner));
            break;
        }
    EXPECT_EQ(Count(area, "\\r\\n"), 19u) << area;
    EXPECT_EQ(area.substr(area.size() - std::string("\\r\\nclosing databases...database...").size()),
              "\\r\\nclosing databases...database...")
        << area;
    EXPECT_FALSE(Has(log, "...failed!")) << log;

    std::vector<std::string> records = install.Records();
    const std::vector<std::string> ran = {
        Record({"SchemaDelta",
                "-q -o --summary false --logfile " + version + "\\SchemaDelta.log -dr " + base + " -cr " + version +
                    " -l dict_22 -l dict_23 -d -c 1_change_schema.sql database",
                cwd, kMainNlsLang}),
        install.SqlplusRecord("@update_t5_database.sql update_t5_database.log", install.VersionDir()),
        install.SqlplusRecord("@sql_upgrade.sql sql_upgrade.log", install.VersionDir()),
        Record({"schemalift_upgrade_program", "-log " + version + "\\temporary_binary.log -mark " + version, cwd,
                kMainNlsLang}),
        install.SqlplusRecord("@" + version + "\\program_rows.sql " + version + "\\temporary_binary.log", cwd)};
    ASSERT_EQ(records.size(), 2 + ran.size()) << ReadAll(install.Logs());
    EXPECT_EQ(std::vector<std::string>(records.begin() + 2, records.end()), ran);
    EXPECT_EQ(install.EngineRows("SELECT STEP FROM SHOP.UPG_STEPS"),
              (std::vector<std::string>{"pre-upgrade", "sql-upgrade", "program"}));
    EXPECT_EQ(install.EngineRows("SELECT NAME0V0, COUNT1V0, ORIGIN0V0 FROM SHOP.CLIENTC5V1 ORDER BY NAME0V0"),
              (std::vector<std::string>{"ann/1/customer", "bob/2/customer", "cid/3/customer"}));
    EXPECT_TRUE(install.EngineRows("SELECT NAME0V0 FROM SHOP.CUSTOMERC4V0").empty());

    // A fresh look through the kernel: version 23 by its member's name, the new record, the tool runs.
    found = install.Look();
    ExpectUpgraded(found, {"23|upgrade operations for DB23|1", "23|_get_oracle_server_version.sql|1",
                              "23|pre_upgrade.sql|1", "23|sql_upgrade.sql|1",
                              "23|schemalift_upgrade_program -log " + version + "\\temporary_binary.log -mark " + version + "|1",
                              "23|Convert the customers into clients|1"});

    // 3: nothing runs again.
    const ChildRun third = install.Run();
    EXPECT_EQ(third.exitCode, 0u) << third.console;
    log = install.LogOf(third, ".log");
    const std::vector<std::string> structure = StructureLines(log);
    EXPECT_EQ(structure.size(), 2u) << log;
    for (const char* line : {"...skipping <sql_upgrade.sql> (already done)!",
                             "...skipping <schemalift_upgrade_program -log ",
                             "...skipping <Convert the customers into clients> (already done)!"})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    EXPECT_EQ(install.Records().size(), records.size());
    EXPECT_EQ(install.EngineRows("SELECT COUNT(*) FROM SHOP.UPG_STEPS"), std::vector<std::string>{"3"});
    found = install.Look();
    EXPECT_EQ(found.version, 23);
    EXPECT_EQ(found.versionTexts, std::vector<std::string>{kNewInfo});
}); }

// The same installation in the kernel's own storage: the first run stops at a failing "Reorg" after
// SchemaDelta ran, the second goes past the change file and through the four kernel actions, the third
// finds everything done. No script or program runs on an object database.
TEST(LiftRunNative, ThreeRunsUpgradeTheInstallationOnce) { Guarded([&] {
    LiftRunInstallation install(false);
    install.SetUpgraderSettings(UPGRADE_SCHEMADELTA);

    ChildRun first;
    {
        EnvVar fail("LIFTRUN_KERNEL_FAIL", "Reorg:-2999");
        first = install.Run();
    }
    EXPECT_EQ(first.exitCode, 1u) << first.console;
    std::string log = install.LogOf(first, ".log");
    for (const char* line : {"> SchemaDelta: 3 change(s) written", "Update......ok!", "VersAll......ok!",
                             "Reorg......failed!", "Error upgrading the database structure!",
                             "Total running time for 'LiftRunner': "})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    EXPECT_EQ(MaintenanceActions(install.DatabaseFile()), (std::vector<std::string>{"UpdateSchema", "VersAll"}));
    ASSERT_EQ(install.Records().size(), 1u);
    EXPECT_EQ(install.Records()[0].rfind("SchemaDelta\t", 0), 0u) << install.Records()[0];
    Found found = install.Look();
    EXPECT_EQ(found.version, 22);
    EXPECT_EQ(found.versionTexts, std::vector<std::string>{"TY 5.3 SP01"});

    const ChildRun second = install.Run();
    EXPECT_EQ(second.exitCode, 0u) << second.console;
    log = install.LogOf(second, ".log");
    for (const char* line : {"...new change files have been created successfully!", "Reorg......ok!", "ReIndex......ok!",
                             "...new dictionaries have been updated successfully!", "...converted <3> customers into clients!",
                             "- Trying to write the new version info <TY 5.4 SP00> to Database <NDB>..."})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    EXPECT_FALSE(Has(log, "Getting Orcale server version...")) << log;
    EXPECT_FALSE(Has(log, "- Executing SQL-file")) << log;
    EXPECT_EQ(MaintenanceActions(install.DatabaseFile()),
              (std::vector<std::string>{"UpdateSchema", "VersAll", "UpdateSchema", "VersAll", "Reorg", "ReIndex"}));
    for (const char* name : {"_objects.dat", "_objects.idx"})
        EXPECT_EQ(ReadAll(install.DictionaryFile(name)), ReadAll(install.VersionDir() + "/" + name)) << name;
    // Only SchemaDelta ran as a process: no script, no program.
    for (const std::string& record : install.Records()) EXPECT_EQ(record.rfind("SchemaDelta\t", 0), 0u) << record;
    found = install.Look();
    ExpectUpgraded(found, {"23|upgrade operations for DB23|1", "23|Convert the customers into clients|1"});

    const size_t records = install.Records().size();
    const ChildRun third = install.Run();
    EXPECT_EQ(third.exitCode, 0u) << third.console;
    log = install.LogOf(third, ".log");
    EXPECT_EQ(StructureLines(log).size(), 2u) << log;
    EXPECT_TRUE(Has(log, "...skipping <Convert the customers into clients> (already done)!")) << log;
    EXPECT_EQ(install.Records().size(), records);
    EXPECT_EQ(MaintenanceActions(install.DatabaseFile()).size(), 6u);
    EXPECT_EQ(install.Look().version, 23);
}); }

}  // namespace
