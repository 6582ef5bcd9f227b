// SchemaDelta run as a real process with the command line the upgrade gives it, on dictionary pairs
// written by the kernel, in a folder reached through a drive letter.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "KxClassDict.h"
#include "ProcessSupport.h"
#include "TestSupport.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::ReadAll;
using w32test_support::RunProcess;
using w32test_support::TempDir;

class SchemaDeltaRun : public ::testing::Test {
protected:
    SchemaDeltaRun() : drive_("W32_DRIVE_X", dir_.Path()), record_("STANDIN_RECORD", dir_ / "record.txt") {
        Save("dict_26",
             "dictionary dict revision=26\n"
             "class 1.1 Party\nmember name string\n"
             "class 2.1 Order\nmember number int\nmember note string\n"
             "class 3.1 Legacy\nmember x int\n");
        Save("dict_27",
             "dictionary dict revision=27\n"
             "class 1.1 Party\nmember name string\nmember rating int\n"
             "class 2.2 Order\nmember number int\n"
             "class 4.1 Product\nmember code string\n");
    }

    void Save(const std::string& name, const std::string& text) {
        std::unique_ptr<KxClassDict> dict;
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(text, KxString(name), dict, &error), 0) << error.ToUtf8();
        std::filesystem::create_directories(dir_ / ("dicts/" + name));
        ASSERT_EQ(dict->Save(KxString(dir_ / ("dicts/" + name)), KX_DICT_FORM_PAIR), 0);
    }

    // The upgrade's command line for the step 26 -> 27 of the database "main".
    DWORD Run() {
        const auto run = RunProcess(
            "SchemaDelta -q -o --summary false --logfile \"X:\\dicts\\dict_26\\SchemaDelta.log\" -dr \"X:\\dicts\" "
            "-cr \"X:\\dicts\\dict_27\" -l \"dict_26\" -l \"dict_27\" -d -c \"1_change_schema.sql\" \"main\"");
        EXPECT_TRUE(run.started) << run.error;
        return run.exitCode;
    }

    TempDir dir_;
    EnvVar drive_;
    EnvVar record_;
};

TEST_F(SchemaDeltaRun, ChangeFileHasACommentLineForEachClassAndMemberAddedOrRemoved) {
    EXPECT_EQ(Run(), 0u);
    EXPECT_EQ(ReadAll(dir_ / "dicts/dict_27/1_change_schema.sql"),
              "-- member Party.rating added\n"
              "-- member Order.note removed\n"
              "-- class Product added\n"
              "-- class Legacy removed\n");
    EXPECT_EQ(ReadAll(dir_ / "dicts/dict_26/SchemaDelta.log"),
              "SchemaDelta: comparing <dict_26> with <dict_27> for <main>\n"
              "SchemaDelta: 4 change(s) written to <X:\\dicts\\dict_27\\1_change_schema.sql>\n");
    EXPECT_EQ(ReadAll(dir_ / "record.txt"),
              "SchemaDelta\t-q -o --summary false --logfile X:\\dicts\\dict_26\\SchemaDelta.log -dr X:\\dicts "
              "-cr X:\\dicts\\dict_27 -l dict_26 -l dict_27 -d -c 1_change_schema.sql main\t" +
                  std::filesystem::current_path().string() + "\t" + (std::getenv("NLS_LANG") ? std::getenv("NLS_LANG") : "") +
                  "\n");
}

TEST_F(SchemaDeltaRun, MissingDictionaryGivesALogLineAndNoChangeFile) {
    std::filesystem::remove(dir_ / "dicts/dict_27/_objects.dat");
    EXPECT_EQ(Run(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "dicts/dict_27/1_change_schema.sql"));
    EXPECT_EQ(ReadAll(dir_ / "dicts/dict_26/SchemaDelta.log"),
              "SchemaDelta: comparing <dict_26> with <dict_27> for <main>\n"
              "SchemaDelta: the dictionary <X:\\dicts\\dict_27\\_objects.dat> does not exist!\n");
}

}  // namespace
