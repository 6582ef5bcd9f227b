// The SQL scripts, upgrade programs, structure and dictionary upgrades, change files and conversions
// of an upgrade step, on the databases made at version 22 (a gateway database on an engine server,
// and native ones). The Oracle client, SchemaDelta and the upgrade programs run as processes of their
// own; each records its command line, working directory and "NLS_LANG" in $STANDIN_RECORD.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <w32test.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RunTraces.h"
#include "VersionTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxStatistic.h"

#if !defined(UPGRADE_RELGEN) || !defined(UPGRADE_SCHEMADELTA) || !defined(UPGRADE_PROGRAM) || \
    !defined(UPGRADE_TEST_STEPS) || !defined(UPGRADE_OTHER_LIBRARY) || !defined(UPGRADE_VERSION_CHILD)
#error "the programs and libraries of the script tests are named by the build"
#endif

namespace {

using namespace upgrade_test;

// The character set the second database of the set ("base") is given: the last one built.
const char kOtherNlsLang[] = "GERMAN_GERMANY.WE8ISO8859P1";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A step library loaded for the test and freed after it.
class Library {
public:
    explicit Library(const char* path) : module_(LoadLibraryW(CString(path).GetString())) {
        EXPECT_NE(module_, nullptr) << path << ": " << GetLastError();
    }
    ~Library() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

// An upgrade run on one database of a site: the script base directory with the version directory
// "dict_23", the record file of the stand-ins, the second database of the set given another
// character set, and SchemaDelta named in the registry.
class ScriptRun {
public:
    // `baseSuffix` is appended to the script base directory as the upgrader is given it.
    ScriptRun(StorageSite& site, const WrapperStorage& storage, const std::string& baseSuffix = std::string())
        : site_(site), record_("STANDIN_RECORD", dir_ / "record.txt") {
        Installation& install = site.Install();
        install.registry[kBaseKey] = {{"NLS_LANG", kOtherNlsLang}};
        install.registry["LiftRunner"] = {{"SchemaDeltaExe", UPGRADE_SCHEMADELTA}, {"Logging", dir_ / "logs"}};
        site.Select(storage);
        dir_.Write("scripts/dict_23/.keep", "");
        dir_.Write("logs/.keep", "");
        run_ = std::make_unique<UpgradeRun>(std::string(dir_ / "scripts") + baseSuffix, dir_ / "logs");
        Db()->SetTargetVersion(23);
        Db()->Open(false);
        ResetVersionRecords(Db(), u"TY 5.3 SP01");
        Db()->ReadVersion();
    }
    ~ScriptRun() {
        run_.reset();
        Installation& install = site_.Install();
        install.registry.erase(kBaseKey);
        install.registry.erase("LiftRunner");
        install.Write();
    }
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    XKxDatabase* Db() const { return run_->Db(); }
    XApplicationDatabases& Set() { return run_->Set(); }
    std::string Log() const { return run_->Log(); }
    const TempDir& Dir() const { return dir_; }
    std::string ScriptBase() const { return dir_ / "scripts"; }
    std::string VersionDir() const { return dir_ / "scripts/dict_23"; }
    // The version directory as the upgrade names it.
    std::string VersionPath() const { return ScriptBase() + "\\dict_23"; }
    std::string LogDir() const { return Utf8(GetLogDirectory()); }
    // Writes a file of the version directory.
    void Write(const std::string& name, const std::string& text) const { dir_.Write("scripts/dict_23/" + name, text); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(VersionDir() + "/" + name); }
    std::vector<std::string> Records() const { return RecordLines(dir_ / "record.txt"); }
    // The switches below "LiftRunner", SchemaDeltaExe kept unless given.
    void SetSwitches(RegistryValues values) {
        Installation& install = site_.Install();
        if (values.count("SchemaDeltaExe") == 0) values["SchemaDeltaExe"] = UPGRADE_SCHEMADELTA;
        values["Logging"] = dir_ / "logs";
        install.registry["LiftRunner"] = values;
        install.Write();
    }
    std::string SqlplusRecord(const std::string& arguments) const {
        return Record({"sqlplus", std::string(kSchemaUser) + "/" + kSchemaPassword + "@" + site_.EngineServer() + " " +
                                      arguments,
                       VersionDir(), "AMERICAN_AMERICA.UTF8"});
    }

private:
    StorageSite& site_;
    TempDir dir_;
    EnvVar record_;
    std::unique_ptr<UpgradeRun> run_;
};

// A script spooling to its log and running the statements.
std::string SpoolingScript(const std::string& statements) {
    return "SPOOL &1\n" + statements + "SPOOL OFF\nEXIT\n";
}

// ---- list lines ----

TEST(ScriptLines, ScriptsLogNamesAndCommandLines) {
    struct ScriptCase {
        const char16_t* line;
        const char* script;   // "": no script line
        const char* log;
    };
    const ScriptCase scripts[] = {
        {u"  add_column.sql  ", "add_column.sql", "add_column.log"},
        {u"ADD_COLUMN.SQL", "ADD_COLUMN.SQL", "ADD_COLUMN.log"},
        {u" ;add_column.sql", "", ""},
        {u"notes.txt", "", ""},
        {u"a.b.sql", "a.b.sql", "a.b.log"},
        {u".sql", ".sql", ".sql.log"},
        {u"sql", "", ""},
    };
    for (const ScriptCase& c : scripts) {
        SCOPED_TRACE(Utf8(c.line));
        EXPECT_EQ(Utf8(XKxDatabase::NormalizeScriptLine(c.line)), c.script);
        if (*c.script != '\0') {
            EXPECT_EQ(Utf8(XKxDatabase::MakeScriptLogName(XKxDatabase::NormalizeScriptLine(c.line))), c.log);
        }
    }
    // A name without "." (the client would add ".sql" to it) is not spooled over either.
    EXPECT_EQ(Utf8(XKxDatabase::MakeScriptLogName(u"update")), "update.log");
    EXPECT_EQ(Utf8(XKxDatabase::MakeScriptLogName(u"dir.v2\\update")), "dir.v2\\update.log");

    EXPECT_EQ(Utf8(XKxDatabase::PrepareBinaryLine(u"  prog -mark \"$THIS_PATH$\" -mark \"$THIS_PATH$\" -log $LOGFILE$ ",
                                                  u"C:\\up\\dict_23")),
              "prog -mark \"C:\\up\\dict_23\" -mark \"C:\\up\\dict_23\" -log C:\\up\\dict_23\\temporary_binary.log");
    EXPECT_EQ(Utf8(XKxDatabase::PrepareBinaryLine(u" ; prog $THIS_PATH$", u"C:\\up")), "");
    EXPECT_EQ(Utf8(XKxDatabase::PrepareBinaryLine(u"   ", u"C:\\up")), "");
}

// ---- on the gateway database ----

class GatewayScripts : public ::testing::Test {
protected:
    void SetUp() override {
        VersionSite& site = VersionSite::Get(UPGRADE_RELGEN);
        ASSERT_FALSE(HasFailure());
        run_ = std::make_unique<ScriptRun>(site, WrapperStorage{"Gateway", true});
        ASSERT_TRUE(Db()->IsOpen());
        ASSERT_EQ(Db()->GetActualVersionNumber(), 22);
    }
    void TearDown() override { run_.reset(); }
    XKxDatabase* Db() const { return run_->Db(); }
    ScriptRun& Run() { return *run_; }

    std::unique_ptr<ScriptRun> run_;
};

// The list's scripts run in order through the client, exec lines between them; the engine holds
// their changes, the upgrade log their spools, and each client ran with this database's NLS_LANG.
TEST_F(GatewayScripts, ScriptListRunsTheScriptsAndCopiesTheirLogs) { Guarded([&] {
    EngineRows(VersionSite::Get(UPGRADE_RELGEN), "DROP TABLE SHOP.UPG_ITEMS", true);
    EngineRows(VersionSite::Get(UPGRADE_RELGEN), "CREATE TABLE SHOP.UPG_ITEMS (ID NUMBER(10))");
    EngineRows(VersionSite::Get(UPGRADE_RELGEN), "INSERT INTO SHOP.UPG_ITEMS (ID) VALUES (1)");
    EngineRows(VersionSite::Get(UPGRADE_RELGEN), "INSERT INTO SHOP.UPG_ITEMS (ID) VALUES (2)");
    Run().Write("scripts.txt", "; fill_column.sql is run after the restart\r\n"
                               "ADD_COLUMN.SQL\r\n"
                               "exec database restart\r\n"
                               "notes.txt\r\n"
                               "\tfill_column.sql  \r\n");
    Run().Write("ADD_COLUMN.SQL", SpoolingScript("ALTER TABLE SHOP.UPG_ITEMS ADD (NOTE VARCHAR2(20));\n"));
    Run().Write("fill_column.sql", SpoolingScript("UPDATE SHOP.UPG_ITEMS SET NOTE = 'filled';\n"));
    Run().Write("notes.txt", "not a script\n");
    XKxStatistic root(u"upgrade");

    EXPECT_EQ(Db()->ExecuteSQLUpgrade(u"scripts.txt", &root), 2);

    EXPECT_EQ(EngineRows(VersionSite::Get(UPGRADE_RELGEN), "SELECT ID, NOTE FROM SHOP.UPG_ITEMS ORDER BY ID"),
              (std::vector<std::string>{"1/filled", "2/filled"}));
    EXPECT_EQ(Run().Records(), (std::vector<std::string>{Run().SqlplusRecord("@ADD_COLUMN.SQL ADD_COLUMN.log"),
                                                         Run().SqlplusRecord("@fill_column.sql fill_column.log")}));
    // The process keeps the character set of the database built last.
    char16_t processValue[64] = {};
    GetEnvironmentVariableW(u"NLS_LANG", processValue, 64);
    EXPECT_EQ(Utf8(processValue), kOtherNlsLang);

    const std::string log = Run().Log();
    for (const char* line : {"- Processing <scripts.txt>...", "- Executing SQL-file <ADD_COLUMN.SQL>...",
                             "*** Begin logging of <ADD_COLUMN.SQL>:", "> Table altered.",
                             "*** End logging of <ADD_COLUMN.SQL>:", "- Close <database>......ok!",
                             "- Open <database>......ok!", "> 2 rows updated.", "Execution of <fill_column.sql>",
                             "...the processing of <scripts.txt> has completed! ---> Check the log files for possible errors!"})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    EXPECT_TRUE(Has(log, std::string(121, '*'))) << log;
    EXPECT_FALSE(Run().Exists("ADD_COLUMN.log"));
    EXPECT_FALSE(Run().Exists("fill_column.log"));
    ASSERT_EQ(root.GetChildCount(), 2);
    EXPECT_EQ(Utf8(root.GetChild(0)->GetTitle()), "Executing <ADD_COLUMN.SQL>");
    EXPECT_TRUE(root.GetChild(1)->HasName(u"SQL"));
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|ADD_COLUMN.SQL|1", "23|fill_column.sql|1"}));

    // A second run skips the done scripts.
    EXPECT_EQ(Db()->ExecuteSQLUpgrade(u"scripts.txt", nullptr), 0);
    EXPECT_EQ(Run().Records().size(), 2u);
    EXPECT_TRUE(Has(Run().Log(), "...skipping <fill_column.sql> (already done)!")) << Run().Log();
    EngineRows(VersionSite::Get(UPGRADE_RELGEN), "DROP TABLE SHOP.UPG_ITEMS");
}); }

// The closing line: "...nothing to do!" on the processing line, or on its own after a script line
// that ran nothing; a missing list prints nothing.
TEST_F(GatewayScripts, ListsWithoutScriptsHaveNothingToDo) { Guarded([&] {
    Run().Write("comments.txt", "; nothing.sql\r\nreadme.txt\r\n");
    Run().Write("exec_only.txt", "exec database close\r\nEXEC DATABASE open\r\n");
    Run().Write("missing_script.txt", "missing.sql\r\n");
    EXPECT_EQ(Db()->ExecuteSQLUpgrade(u"comments.txt", nullptr), 0);
    EXPECT_EQ(Db()->ExecuteSQLUpgrade(u"exec_only.txt", nullptr), 0);
    EXPECT_TRUE(Db()->IsOpen());
    EXPECT_EQ(Db()->ExecuteSQLUpgrade(u"missing_script.txt", nullptr), 0);
    const std::string before = Run().Log();
    EXPECT_EQ(Db()->ExecuteSQLUpgrade(u"no_such_list.txt", nullptr), 0);
    EXPECT_EQ(Run().Log(), before);

    EXPECT_TRUE(Has(before, "- Processing <comments.txt>......nothing to do!\n")) << before;
    EXPECT_TRUE(Has(before, "- Open <database>......ok!...nothing to do!\n")) << before;
    const std::string warning = "*** !!  Warning: Trying to execute <missing.sql>, but the file does not exist! ***";
    const std::string stars(warning.size(), '*');
    EXPECT_TRUE(Has(before, stars + "\n    " + warning + "\n    " + stars + "\n")) << before;
    EXPECT_TRUE(Has(before, "\n...nothing to do!\n")) << before;
    EXPECT_TRUE(Run().Records().empty());
    EXPECT_EQ(ToolRecords(Db()), std::vector<std::string>{});
}); }

// The log moved to the log directory as "<name>-22-23.log" (an old one replaced); the two lines when
// it cannot be moved; without an upgrade log the inline copy keeps the file.
TEST_F(GatewayScripts, ScriptLogsAreMovedOrKept) { Guarded([&] {
    Run().Write("change.sql", SpoolingScript("PROMPT changed\n"));
    const std::string moved = Run().LogDir() + "/change-22-23.log";
    Run().Dir().Write("old.log", "old log\n");
    std::filesystem::copy_file(Run().Dir() / "old.log", moved);
    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"change.sql", true, false), 1);
    EXPECT_TRUE(Has(ReadAll(moved), "changed")) << ReadAll(moved);
    EXPECT_FALSE(Run().Exists("change.log"));

    // A script that spools nothing leaves no log to move.
    Run().Write("silent.sql", "PROMPT silent\nEXIT\n");
    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"silent.sql", true, false), 1);
    const std::string log = Run().Log();
    EXPECT_TRUE(Has(log, "!!Error moving log file <silent-22-23.log> to <" + Run().LogDir() + ">!")) << log;
    EXPECT_TRUE(Has(log, "!!Logging information of <silent.sql> lost or accessible at <" + Run().VersionDir() + ">!"))
        << log;

    // ".sql" and a name without "." spool beside the script, which stays.
    Run().Write(".sql", SpoolingScript("PROMPT dot\n"));
    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u".sql", false, true), 1);
    Run().Write("update", SpoolingScript("PROMPT plain\n"));
    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"update", false, true), 1);
    EXPECT_TRUE(Run().Exists(".sql"));
    EXPECT_TRUE(Run().Exists("update"));
    EXPECT_FALSE(Run().Exists(".sql.log"));
    EXPECT_TRUE(Has(Run().Log(), "> dot")) << Run().Log();
    const std::vector<std::string> records = Run().Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2], Run().SqlplusRecord("@.sql .sql.log"));
    EXPECT_EQ(records[3], Run().SqlplusRecord("@update update.log"));

    // Without an upgrade log the client's log is the only record: kept.
    Run().Write("kept.sql", SpoolingScript("PROMPT kept\n"));
    XProgressOutput* display = GetProgressOutput();
    SetProgressOutput(nullptr);
    const int32_t ran = Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"kept.sql", false, true);
    SetProgressOutput(display);
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(Has(ReadAll(Run().VersionDir() + "/kept.log"), "kept"));
}); }

// A failing statement leaves its ORA- lines in the upgrade log; a client that cannot be started
// prints the two lines, runs nothing, deletes nothing and is retried by the next run.
TEST_F(GatewayScripts, ScriptFailuresAreReported) { Guarded([&] {
    Run().Write("bad.sql", SpoolingScript("ALTER TABLE SHOP.NO_SUCH_TABLE ADD (X NUMBER(10));\n"));
    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"bad.sql", false, true), 1);
    EXPECT_TRUE(Has(Run().Log(), "> ERROR at line 1:\n")) << Run().Log();
    EXPECT_TRUE(Has(Run().Log(), "> ORA-00942: table or view does not exist")) << Run().Log();

    Run().Write("retry.sql", SpoolingScript("PROMPT retried\n"));
    Run().Write("retry.log", "the log of an earlier run\n");
    w32test::FailNext(w32test::Call::StartProcess, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"retry.sql", false, true), 0);
    const std::string log = Run().Log();
    EXPECT_TRUE(Has(log, "FAILED! Reason: Error creating a new process!\n--> Propably the executable could not be found!"))
        << log;
    EXPECT_FALSE(Has(log, "*** Begin logging of <retry.sql>:")) << log;
    EXPECT_EQ(ReadAll(Run().VersionDir() + "/retry.log"), "the log of an earlier run\n");
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|bad.sql|1", "23|retry.sql|0"}));

    EXPECT_EQ(Db()->CallSQLPlus(CString(Run().VersionDir().c_str()), u"retry.sql", false, true), 1);
    EXPECT_TRUE(Has(Run().Log(), "...<retry.sql> previously failed or disabled, now retrying...")) << Run().Log();
    EXPECT_TRUE(Has(Run().Log(), "> retried")) << Run().Log();
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|bad.sql|1", "23|retry.sql|1"}));
}); }

// The program list: placeholders filled, the program's log copied and removed; a program that cannot
// be found is not counted, recorded as failed and retried; one without a log leaves the notice.
TEST_F(GatewayScripts, ProgramListRunsThePrograms) { Guarded([&] {
    Run().Write("programs.txt", "; schemalift_upgrade_program -never\r\n"
                                "exec database restart\r\n"
                                "schemalift_upgrade_program -log \"$LOGFILE$\" -mark \"$THIS_PATH$\" -mark \"$THIS_PATH$\"\r\n"
                                "no_such_upgrade_program -log \"$LOGFILE$\"\r\n"
                                "schemalift_upgrade_program quiet\r\n");
    XKxStatistic root(u"upgrade");
    EXPECT_EQ(Db()->ExecuteBinaryUpgrade(u"programs.txt", &root), 2);

    const std::string dir = Run().VersionPath();
    const std::string program = "schemalift_upgrade_program -log \"" + dir + "\\temporary_binary.log\" -mark \"" + dir +
                                "\" -mark \"" + dir + "\"";
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(Run().Records(),
              (std::vector<std::string>{Record({"schemalift_upgrade_program",
                                                "-log " + dir + "\\temporary_binary.log -mark " + dir + " -mark " + dir,
                                                cwd, "AMERICAN_AMERICA.UTF8"}),
                                        Record({"schemalift_upgrade_program", "quiet", cwd, "AMERICAN_AMERICA.UTF8"})}));
    EXPECT_EQ(Count(ReadAll(Run().VersionDir() + "/upgrade_program.mark"), "schemalift_upgrade_program ran with:"), 2u);
    EXPECT_FALSE(Run().Exists("temporary_binary.log"));
    const std::string log = Run().Log();
    for (const char* line : {"- Executing <schemalift_upgrade_program ...>...", "> schemalift_upgrade_program ran with: -log ",
                             "- Executing <no_such_upgrade_program ...>...",
                             "FAILED! Reason: Error creating a new process!",
                             "--> Propably the executable could not be found!",
                             "-----> !! No log file found !! <-----"})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    ASSERT_EQ(root.GetChildCount(), 3);
    EXPECT_EQ(Utf8(root.GetChild(0)->GetTitle()), "Executing <schemalift_upgrade_program ...>");
    EXPECT_TRUE(root.GetChild(0)->HasName(u"Binary"));

    const std::string missing = "no_such_upgrade_program -log \"" + dir + "\\temporary_binary.log\"";
    EXPECT_EQ(ToolRecords(Db()), (std::vector<std::string>{"23|" + program + "|1", "23|" + missing + "|0",
                                                           "23|schemalift_upgrade_program quiet|1"}));
    // The next run skips the programs that ran and retries the missing one.
    EXPECT_EQ(Db()->ExecuteBinaryUpgrade(u"programs.txt", nullptr), 0);
    EXPECT_TRUE(Has(Run().Log(), "...<no_such_upgrade_program -log \"" + dir +
                                     "\\temporary_binary.log\"> previously failed or disabled, now retrying..."))
        << Run().Log();
    EXPECT_EQ(Run().Records().size(), 2u);
}); }

// The change files, then the structure by the change-file script: SchemaDelta's comments run by
// "update_t5_database.sql" through "@1_change_schema.sql", its log moved to the log directory.
TEST_F(GatewayScripts, ChangeFileAndStructureEndToEnd) { Guarded([&] {
    const std::string base = Run().ScriptBase();
    for (int version : {22, 23}) {
        std::string text = VersionDictionaryText(version);
        if (version == 23) text += "member note string\n";
        std::unique_ptr<KxClassDict> dict;
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(text, KxString("dict"), dict, &error), 0) << error.ToUtf8();
        const std::string folder = base + "/dict_" + std::to_string(version);
        std::filesystem::create_directories(folder);
        ASSERT_EQ(dict->Save(KxString(folder.c_str()), KX_DICT_FORM_PAIR), 0);
    }
    Run().Write("1_change_schema.sql", "-- an old change file\n");
    Run().Write("update_t5_database.sql", SpoolingScript("@1_change_schema.sql\nPROMPT structure done\n"));

    Db()->CreateChangefile();
    // The version class's member names carry the version.
    const std::string changes = "-- member XDOVersionInfo.m_iVersion_22 removed\n-- member XDOVersionInfo.m_iVersion_23 "
                                "added\n-- member Item.note added\n";
    EXPECT_EQ(ReadAll(Run().VersionDir() + "/1_change_schema.sql"), changes);
    EXPECT_TRUE(Has(Run().Log(), "> SchemaDelta: 3 change(s) written")) << Run().Log();
    EXPECT_FALSE(Run().Exists("SchemaDelta.log"));
    const std::string log = Run().Log();
    for (const std::string& line :
         {"- Calling <\"" + std::string(UPGRADE_SCHEMADELTA) + "\">", std::string("  with parameter:"),
          "--logfile \"" + Run().VersionPath() + "\\SchemaDelta.log\" ", "-dr \"" + base + "\" ",
          "-cr \"" + base + "\\dict_23\" ", std::string("-l \"dict_22\" "), std::string("-l \"dict_23\" "),
          std::string("-c \"1_change_schema.sql\" "), std::string("\"database\"")})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;

    EXPECT_EQ(Db()->UpgradeDatabaseStructure(), XKxDatabase::kAvailable);
    EXPECT_TRUE(Db()->IsOpen());
    EXPECT_TRUE(Has(ReadAll(Run().LogDir() + "/update_t5_database-22-23.log"), "structure done"));
    EXPECT_TRUE(Has(Run().Log(), "- Executing oracle change-file for <database>...")) << Run().Log();

    const std::vector<std::string> records = Run().Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], Record({"SchemaDelta",
                                  "-q -o --summary false --logfile " + Run().VersionPath() + "\\SchemaDelta.log -dr " +
                                      base + " -cr " + base + "\\dict_23 -l dict_22 -l dict_23 -d -c 1_change_schema.sql database",
                                  std::filesystem::current_path().string(), "AMERICAN_AMERICA.UTF8"}));
    EXPECT_EQ(records[1], Run().SqlplusRecord("@update_t5_database.sql update_t5_database.log"));

    // Done (the change file) or switched off (the structure script, which runs on the closed
    // database): a rerun goes on, and the change file stays.
    Run().SetSwitches({{"update_t5_database.sql", "false"}});
    Db()->CreateChangefile();
    EXPECT_EQ(Db()->UpgradeDatabaseStructure(), XKxDatabase::kAvailable);
    EXPECT_EQ(Run().Records().size(), 2u);
    EXPECT_EQ(ReadAll(Run().VersionDir() + "/1_change_schema.sql"), changes);
    EXPECT_TRUE(Has(Run().Log(), "...skipping <update_t5_database.sql> (disabled by registry entry)!")) << Run().Log();
    EXPECT_TRUE(Has(Run().Log(), "SchemaDelta.log\" ...> (already done)!")) << Run().Log();

    // A change-file script that does not exist, or a client that cannot start, stops the structure.
    Run().SetSwitches({});
    w32test::FailNext(w32test::Call::StartProcess, ERROR_FILE_NOT_FOUND);
    const XKxException failed = Thrown([&] { Db()->UpgradeDatabaseStructure(); });
    EXPECT_EQ(Utf8(failed.GetMessage()), "Failed executing oracle change-file <update_t5_database.sql>!");
    EXPECT_EQ(Utf8(failed.GetLocation()), "<XKxDatabase::UpgradeDatabaseStructure> in [xkxdatabase]");
}); }

// The step library's conversion through ExecuteObjectUpgrade; a stop (-3) printed and passed over, a
// cancel (-2) and a failure thrown; a missing function silent only in the database's last step; the
// intermediate functions run both ways by the second database only.
TEST_F(GatewayScripts, ConversionsOfAStepLibrary) { Guarded([&] {
    Library steps(UPGRADE_TEST_STEPS);
    Library other(UPGRADE_OTHER_LIBRARY);
    XKxStatistic root(u"upgrade");
    Db()->Close(false);
    Db()->ExecuteObjectUpgrade(steps.Get(), &root);
    EXPECT_TRUE(Db()->IsOpen());
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(Run().Records(), std::vector<std::string>{Record({"UpdateDatabaseObjects", "database", cwd, kOtherNlsLang})});
    EXPECT_TRUE(Has(Run().Log(), "- Converting objects of <database>...\n")) << Run().Log();
    EXPECT_TRUE(Has(Run().Log(), "...the conversion of <database> objects has completed successfully!")) << Run().Log();

    {
        EnvVar stop("STEP_LIBRARY_THROW", "-3:the items are converted by hand");
        Db()->ExecuteObjectUpgrade(steps.Get(), &root);
        EXPECT_TRUE(Has(Run().Log(), "!!  the items are converted by hand  !!")) << Run().Log();
    }
    struct Case {
        const char* fail;
        const char* line;
    };
    const Case cases[] = {{"-2:cancelled", "...conversion of <database> objects is terminated by user request!"},
                          {"-17:broken", "...conversion of <database> objects failed!"}};
    for (const Case& c : cases) {
        EnvVar fail("STEP_LIBRARY_THROW", c.fail);
        const XKxException error = Thrown([&] { Db()->ExecuteObjectUpgrade(steps.Get(), &root); });
        EXPECT_EQ(error.GetCode(), std::atoi(c.fail));
        EXPECT_TRUE(Has(Utf8(error.GetMessage()), c.line)) << Utf8(error.GetMessage());
        EXPECT_TRUE(Has(Run().Log(), c.line)) << Run().Log();
    }

    // Stored 22: a step other than the last one needs its function; with the limit at 23 it is the last.
    const XKxException missing = Thrown([&] { Db()->ExecuteObjectUpgrade(other.Get(), &root); });
    EXPECT_TRUE(Has(Utf8(missing.GetMessage()), "Cannot find and execute the upgrade function for <database> objects!"))
        << Utf8(missing.GetMessage());
    Db()->SetLimitVersion(23);
    const std::string before = Run().Log();
    EXPECT_EQ(Db()->GetUpgradeFkt(other.Get()), nullptr);
    Db()->ExecuteObjectUpgrade(other.Get(), &root);
    EXPECT_EQ(Run().Log(), before);
    Db()->SetLimitVersion(-1);

    // The first database runs no intermediate conversion; the second one runs it with the first, both ways.
    const size_t recorded = Run().Records().size();
    Db()->ExecuteIntermediateUpgrade(steps.Get(), true, 5);
    EXPECT_EQ(Run().Records().size(), recorded);
    XKxDatabase* second = Run().Set().FindDatabase(u"base");
    ASSERT_NE(second, nullptr);
    second->ExecuteIntermediateUpgrade(steps.Get(), false, 7);
    std::vector<std::string> records = Run().Records();
    ASSERT_EQ(records.size(), recorded + 2);
    EXPECT_EQ(records[recorded], Record({"UpdateIntermediateNext", "base database 7", cwd, kOtherNlsLang}));
    EXPECT_EQ(records[recorded + 1], Record({"UpdateIntermediateNext", "database base 7", cwd, kOtherNlsLang}));
    {
        EnvVar stop("STEP_LIBRARY_THROW", "-3:later");
        second->ExecuteIntermediateUpgrade(steps.Get(), true, 1);
        EXPECT_TRUE(Has(Run().Log(), "!!  later  !!")) << Run().Log();
        EXPECT_EQ(Run().Records().size(), recorded + 3);
    }
    EnvVar fail("STEP_LIBRARY_THROW", "-9:bad pair");
    const XKxException pair = Thrown([&] { second->ExecuteIntermediateUpgrade(steps.Get(), true, 1); });
    EXPECT_TRUE(Has(Utf8(pair.GetMessage()), "The intermediate conversion of <base> and <database> objects failed!"))
        << Utf8(pair.GetMessage());
}); }

// ---- on native databases ----

// A native database made at the version, its run on a script base of its own.
struct NativeSite {
    explicit NativeSite(int version, const std::string& baseSuffix = std::string())
        : site(nullptr, "", [&](const TempDir& dir) { WriteDictionaryPair(dir, VersionDictionaryText(version)); }),
          run(site, WrapperStorage{"Native", false}, baseSuffix) {}
    std::string DatabaseFile() const { return site.Install().Dir() / "ndb/kelvox.kxdb"; }
    std::string DictionaryFile(const char* name) const { return site.Install().DictionaryDir("dict") + "/" + name; }
    StorageSite site;
    ScriptRun run;
};

// Writes the dictionary pair of the declaration text into the folder.
void WritePair(const std::string& folder, const std::string& text) {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    ASSERT_EQ(KxClassDict::Parse(text, KxString("dict"), dict, &error), 0) << error.ToUtf8();
    std::filesystem::create_directories(folder);
    ASSERT_EQ(dict->Save(KxString(folder.c_str()), KX_DICT_FORM_PAIR), 0);
}

// The four kernel actions on the worker thread, the dictionary pair replaced, the step library's
// conversion, and a fresh process reading version 23.
TEST(NativeStructure, StructureDictionaryAndConversionEndToEnd) { Guarded([&] {
    NativeSite native(22);
    ScriptRun& run = native.run;
    XKxDatabase* db = run.Db();
    WritePair(run.VersionDir(), VersionDictionaryText(23));
    EXPECT_EQ(db->ExecuteSQLUpgrade(u"scripts.txt", nullptr), 0);

    EXPECT_EQ(db->UpgradeDatabaseStructure(), XKxDatabase::kAvailable);
    EXPECT_TRUE(db->IsOpen());
    EXPECT_EQ(MaintenanceActions(native.DatabaseFile()),
              (std::vector<std::string>{"UpdateSchema", "VersAll", "Reorg", "ReIndex"}));
    const std::string log = run.Log();
    for (const char* line : {"- Upgrading database structure for <database>: ", "Update......ok!", "VersAll......ok!",
                             "Reorg......ok!", "ReIndex......ok!"})
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;

    db->Close(false);
    db->UpgradeDictionary();
    for (const char* name : {"_objects.dat", "_objects.idx"})
        EXPECT_EQ(ReadAll(native.DictionaryFile(name)), ReadAll(run.VersionDir() + "/" + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(native.DictionaryFile("_objects.dat.new")));
    EXPECT_TRUE(Has(run.Log(), "- Upgrade dictionary at <" + native.site.Install().DictionaryDir("dict") +
                                   "> for <database>......done!"))
        << run.Log();

    Library steps(UPGRADE_TEST_STEPS);
    db->ExecuteObjectUpgrade(steps.Get(), nullptr);
    EXPECT_EQ(run.Records(), std::vector<std::string>{Record({"UpdateDatabaseObjects", "database",
                                                             std::filesystem::current_path().string(), kOtherNlsLang})});
    db->Close(false);

    TempDir childDir;
    const ChildRun child = RunChild(childDir, UPGRADE_VERSION_CHILD, std::string("\"") + UPGRADE_TEST_STEPS + "\" check");
    EXPECT_EQ(child.exitCode, 0u) << child.console;
    EXPECT_TRUE(Has(child.console, "= version 23 ")) << child.console;
}); }

// A failing kernel action disconnects and stops the kernel before it is thrown on; states 0 and 1
// leave everything untouched; a failed copy leaves the old dictionary pair.
TEST(NativeStructure, FailuresLeaveTheDatabaseAsItWas) { Guarded([&] {
    NativeSite native(22);
    ScriptRun& run = native.run;
    XKxDatabase* db = run.Db();
    const std::string oldData = ReadAll(native.DictionaryFile("_objects.dat"));
    const std::string oldIndex = ReadAll(native.DictionaryFile("_objects.idx"));

    KxHookFailNext("Reorg", -2999);
    const XKxException failed = Thrown([&] { db->UpgradeDatabaseStructure(); });
    EXPECT_EQ(failed.GetCode(), -2999);
    EXPECT_TRUE(Has(run.Log(), "Reorg......failed!")) << run.Log();
    EXPECT_FALSE(db->IsOpen());
    EXPECT_EQ(KernelStarts(), 0);
    EXPECT_EQ(MaintenanceActions(native.DatabaseFile()), (std::vector<std::string>{"UpdateSchema", "VersAll"}));

    // Only "_objects.dat" in the version directory: the second copy fails.
    WritePair(run.VersionDir(), VersionDictionaryText(23));
    std::filesystem::remove(run.VersionDir() + "/_objects.idx");
    const XKxException copy = Thrown([&] { db->UpgradeDictionary(); });
    EXPECT_EQ(copy.GetCode(), 2);
    EXPECT_EQ(Utf8(copy.GetMessage()), "Save new dict for <database> as <" + native.site.Install().DictionaryDir("dict") +
                                           "\\_objects.idx> failed!\r\nReason: \tThe system cannot find the file specified.");
    EXPECT_EQ(ReadAll(native.DictionaryFile("_objects.dat")), oldData);
    EXPECT_EQ(ReadAll(native.DictionaryFile("_objects.idx")), oldIndex);
    EXPECT_FALSE(std::filesystem::exists(native.DictionaryFile("_objects.dat.new")));
    EXPECT_FALSE(std::filesystem::exists(native.DictionaryFile("_objects.idx.new")));

    for (int32_t state : {XKxDatabase::kNotAvailable, XKxDatabase::kOneBelowLimit}) {
        SCOPED_TRACE(state);
        WritePair(run.VersionDir(), VersionDictionaryText(23));
        db->SetState(state);
        const std::string before = run.Log();
        EXPECT_EQ(db->UpgradeDatabaseStructure(), state);
        db->UpgradeDictionary();
        db->CreateChangefile();
        EXPECT_EQ(run.Log(), before);
        EXPECT_EQ(ReadAll(native.DictionaryFile("_objects.dat")), oldData);
        EXPECT_EQ(MaintenanceActions(native.DatabaseFile()).size(), 2u);
        EXPECT_TRUE(run.Records().empty());
    }
    db->SetState(XKxDatabase::kAvailable);
}); }

// Stored version 26: the tool compares "dict_26" with "dict_27" into the "_27" folder, and a
// failure names the upgrade 25->26; a missing SchemaDelta stops with its own message.
TEST(NativeStructure, ChangeFileCommandLineAndFailures) { Guarded([&] {
    // The script base directory as given, and with a trailing backslash: the quoted "-dr" argument still
    // ends at its closing quote and the tool reads the directory with its one backslash (the version
    // directory joins the base with a backslash of its own; Windows reads the doubled one as one).
    for (const std::string suffix : {"", "\\"}) {
        NativeSite other(26, suffix);
        other.run.Db()->SetTargetVersion(26);
        other.run.SetSwitches({{"SchemaDeltaExe", UPGRADE_PROGRAM}});
        const std::string given = other.run.ScriptBase() + suffix;
        other.run.Db()->CreateChangefile();
        EXPECT_EQ(other.run.Records(),
                  std::vector<std::string>{Record(
                      {"schemalift_upgrade_program",
                       "-q -o --summary false --logfile " + given + "\\dict_26\\SchemaDelta.log -dr " + given + " -cr " +
                           other.run.ScriptBase() + "\\dict_27 -l dict_26 -l dict_27 -d -c 1_change_schema.sql database",
                       std::filesystem::current_path().string(), "AMERICAN_AMERICA.UTF8"})})
            << "base directory suffix <" << suffix << ">";
    }

    NativeSite native(26);
    ScriptRun& run = native.run;
    XKxDatabase* db = run.Db();
    ASSERT_EQ(db->GetActualVersionNumber(), 26);
    run.SetSwitches({{"SchemaDeltaExe", UPGRADE_PROGRAM}});

    w32test::FailNext(w32test::Call::StartProcess, ERROR_FILE_NOT_FOUND);
    db->SetTargetVersion(27);
    const XKxException notRun = Thrown([&] { db->CreateChangefile(); });
    EXPECT_EQ(Utf8(notRun.GetMessage()),
              "Error creating the changefiles for upgrade 25->26!\r\nReason: \tSchemaDelta was not executed, so no changefile is "
              "generated!\r\n\tStopping now...");
    EXPECT_TRUE(Has(run.Log(), "FAILED! Reason: Error creating a new process!")) << run.Log();

    struct Case {
        const char* path;   // null: no value
        std::string message;
    };
    const std::string noFile = run.Dir() / "SchemaDelta.exe";
    const Case cases[] = {{nullptr, "<>"}, {"", "<>"}, {noFile.c_str(), "<" + noFile + ">"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        RegistryValues values = {{"other", "x"}};
        values["SchemaDeltaExe"] = c.path != nullptr ? c.path : "";
        run.SetSwitches(values);
        if (c.path == nullptr) {
            Installation& install = native.site.Install();
            install.registry["LiftRunner"].erase("SchemaDeltaExe");
            install.Write();
        }
        const XKxException missing = Thrown([&] { db->CreateChangefile(); });
        EXPECT_EQ(Utf8(missing.GetMessage()),
                  "Error creating the changefiles for upgrade 25->26!\r\nReason: \tThe specified executable for the "
                  "SchemaDelta does not exist!\n" + c.message);
        EXPECT_EQ(Utf8(missing.GetLocation()),
                  "<XKxDatabase::CreateChangefile> in [xkxdatabase]\r\n               \t"
                  "<XKxDatabase::GetSchemaManagerExePath> in [xkxdatabase]");
    }
    EXPECT_TRUE(run.Records().empty());   // none of the failures ran a program
}); }

}  // namespace
