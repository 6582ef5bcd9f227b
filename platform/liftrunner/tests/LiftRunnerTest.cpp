// liftrunner on an installation: a main database of the kernel's own storage at version 22 and a
// second database "base", as real processes. Bad input changes nothing; a run writes the new
// version record and the tool-run record of the whole upgrade, the log and the window's texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "VersionTestSupport.h"
#include "XKxDatabase.h"

#if !defined(LIFTRUNNER) || !defined(LIFTRUNNER_STEPS)
#error "LIFTRUNNER and LIFTRUNNER_STEPS name the program and a step library"
#endif

namespace {

using namespace upgrade_test;

// Every file below the path (the path itself when it is a file) with its bytes.
std::map<std::string, std::string> Files(const std::string& path) {
    std::map<std::string, std::string> files;
    if (std::filesystem::is_regular_file(path)) files[path] = ReadAll(path);
    if (std::filesystem::is_directory(path))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
            if (entry.is_regular_file()) files[entry.path().string()] = ReadAll(entry.path().string());
    return files;
}

// The installation: "dict" at version 22 with the edition "TY 5.3 SP01" (native database "NDB"),
// "base" made as the native database "BDB", and the log directory in the registry.
class LiftRunnerSite : public ::testing::Test {
protected:
    LiftRunnerSite()
        : site_(VersionDictionaryText(22), true, [this](Installation& install) {
              AddBaseDatabase(install);
              std::filesystem::create_directories(install.Dir() / "logs");
              install.registry["LiftRunner"] = {{"Logging", install.Dir() / "logs"}};
              install.Write();
              CreateNativeDatabase(install.Config(), "NATIVE", "BDB", "configdict");
          }) {}

    Installation& Install() { return site_.site.Install(); }
    XKxDatabase* Main() { return site_.run->Db(); }
    std::string Dir(const std::string& name) { return Install().Dir() / name; }
    std::map<std::string, std::string> DatabaseFiles() {
        std::map<std::string, std::string> files = Files(Dir("ndb"));
        files.merge(Files(Dir("bdb")));
        return files;
    }

    ChildRun Run(const std::string& arguments) { return RunChild(Install().Dir(), LIFTRUNNER, arguments); }
    ChildRun RunUpgrade() {
        return Run("\"" + Dir("scripts") + "\" \"" + std::string(LIFTRUNNER_STEPS) + "\" \"TY 5.4 SP00\"");
    }
    std::string LogOf(const ChildRun& run, const char* suffix) {
        return ReadAll(Dir("logs") + "/LiftRun-" + std::to_string(run.pid) + suffix);
    }

    OtherVersionSite site_;
};

TEST_F(LiftRunnerSite, MissingArgumentsPrintTheUsage) {
    for (const std::string& arguments : {std::string(), "\"" + Dir("scripts") + "\"", "\"" + Dir("scripts") + "\" \"TY 5.4 SP00\"",
                                        "\"\" \"" + std::string(LIFTRUNNER_STEPS) + "\" \"TY 5.4 SP00\""}) {
        const ChildRun run = Run(arguments);
        EXPECT_EQ(run.exitCode, 1u) << arguments;
        EXPECT_NE(run.console.find("usage: liftrunner <script base directory> <step library>... <new version info>"),
                  std::string::npos)
            << run.console;
    }
    const ChildRun missing = Run("\"" + Dir("scripts") + "\" \"" + Dir("nolib.so") + "\" \"TY 5.4 SP00\"");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.console.find("the step library " + Dir("nolib.so") + " cannot be loaded"), std::string::npos)
        << missing.console;
    EXPECT_TRUE(std::filesystem::is_empty(Dir("logs")));
}

// A database's registry key or kelvox.cfg entry missing: the summary shows it not supported, the
// error block carries the set's error text, exit 1, and neither database changed.
TEST_F(LiftRunnerSite, IncompleteSettingsEndInTheSummaryAndChangeNothing) {
    const std::map<std::string, std::string> before = DatabaseFiles();
    ASSERT_FALSE(before.empty());
    const std::string config = Install().config;
    struct Case {
        const char* what;
        std::function<void(Installation&)> change;
    };
    const Case cases[] = {
        {"registry key", [](Installation& install) { install.registry.erase(kMainKey); }},
        {"kelvox.cfg entry",
         [&config](Installation& install) {
             const size_t at = config.find("[databases\\NDB]");
             install.config = config.substr(0, at) + config.substr(config.find('\n', config.find('\n', at) + 1) + 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OtherVersionSite& site = site_;
        Installation& install = site.site.Install();
        const auto registry = install.registry;
        c.change(install);
        install.Write();

        const ChildRun run = RunUpgrade();
        EXPECT_EQ(run.exitCode, 1u) << run.console;
        const std::string log = LogOf(run, ".log");
        EXPECT_NE(log.find("Database information summary:"), std::string::npos) << log;
        EXPECT_NE(log.find("| -1|              |            | --> not supported!"), std::string::npos) << log;
        EXPECT_NE(log.find("Database <database> not available!"), std::string::npos) << log;
        EXPECT_NE(log.find("Could not open database <database>!"), std::string::npos) << log;
        EXPECT_NE(log.find("Error Code"), std::string::npos) << log;
        EXPECT_EQ(log.find("Open Databases: "), std::string::npos) << log;
        EXPECT_NE(run.console.find("Database <database> not available!"), std::string::npos) << run.console;
        EXPECT_EQ(DatabaseFiles(), before);

        install.registry = registry;
        install.config = config;
        install.Write();
    }
}

// A run over a native database at version 22 whose step to 23 changes nothing but the dictionary
// (no change files: "SchemaDelta" is "false"): the summary without "base", the structure upgrade,
// the new version record and the tool-run record of the whole upgrade, the statistics report and the
// window's texts.
TEST_F(LiftRunnerSite, ARunWritesTheNewVersionRecordAndItsLogs) { Guarded([&] {
    WriteDictionaryPairTo(Dir("scripts") + "/dict_23", VersionDictionaryText(23));
    Install().registry["LiftRunner"]["SchemaDelta"] = "false";
    Install().Write();
    const ChildRun run = RunUpgrade();
    ASSERT_EQ(run.exitCode, 0u) << run.console;

    const std::string log = LogOf(run, ".log");
    for (const char* line : {"Getting database version(s)...", "Database information summary:",
                             "- Upgrading the database dictionaries and structure...", "ReIndex......ok!",
                             "...new dictionaries have been updated successfully!", "Open Databases: ",
                             "- Trying to write the new version info <TY 5.4 SP00> to Database <NDB>...",
                             "closing databases...database...", "Total running time for 'LiftRunner': "})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(log.find("|BDB"), std::string::npos) << log;
    EXPECT_EQ(log.find("- Creating the change files..."), std::string::npos) << log;
    // The Oracle server's version is asked for on an Oracle database only.
    EXPECT_EQ(log.find("Getting Orcale server version..."), std::string::npos) << log;

    const std::string texts = LogOf(run, ".window.txt");
    EXPECT_NE(texts.find("0\tLiftRunner\n"), std::string::npos) << texts;
    EXPECT_NE(texts.find("0\tLiftRunner - Total running time: "), std::string::npos) << texts;
    EXPECT_NE(texts.find("\\r\\nclosing databases...database...\n"), std::string::npos) << texts;

    // A fresh look through the kernel.
    Main()->Open(false);
    EXPECT_EQ(Main()->ReadVersion(), 23);
    EXPECT_EQ(VersionTexts(Main()), std::vector<std::string>{"TY 5.4 SP00"});
    EXPECT_EQ(ToolRecords(Main()), std::vector<std::string>{"23|upgrade operations for DB23|1"});
    Main()->Close(false);
}); }

}  // namespace
