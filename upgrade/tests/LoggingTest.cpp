#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "UpgradeTestSupport.h"
#include "XKxException.h"
#include "XKxGlobals.h"
#include "XLogging.h"

namespace {

using upgrade_test::Count;
using upgrade_test::ReadAll;
using upgrade_test::RegistryFile;
using upgrade_test::TempDir;
using upgrade_test::Utf8;

const std::string kStars(105, '*');
const std::string kDashes(105, '-');

// The text as a regular expression that matches it literally.
std::string Quote(const std::string& text) {
    std::string quoted;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) quoted += '\\';
        quoted += c;
    }
    return quoted;
}

class LoggingTest : public ::testing::Test {
protected:
    CString Dir() const { return CString(dir_.Path().c_str()); }
    std::string LogFile(const std::string& name) const { return dir_ / name; }

    TempDir dir_;
};

TEST_F(LoggingTest, FileNameCarriesTheProcessIdUnlessSingle) {
    XLogging perProcess(u"5.4", false);
    ASSERT_EQ(perProcess.Open(Dir(), u"upgrade", u""), 0);
    const std::string expected = "upgrade-" + std::to_string(getpid()) + ".log";
    EXPECT_EQ(Utf8(perProcess.GetFileName()), expected);
    EXPECT_TRUE(std::filesystem::exists(LogFile(expected)));

    XLogging single(u"5.4", true);
    ASSERT_EQ(single.Open(Dir(), u"upgrade", u""), 0);
    EXPECT_EQ(single.GetFileName(), u"upgrade.log");
    EXPECT_EQ(single.Open(Dir(), u"other", u""), -1);   // already open: nothing changes
    EXPECT_EQ(single.GetFileName(), u"upgrade.log");
    EXPECT_FALSE(std::filesystem::exists(LogFile("other.log")));
    EXPECT_EQ(XLogging(u"5.4", true).Open(u"", u"upgrade", u""), -1);
}

TEST_F(LoggingTest, BannersLinesAndTheTenCharacterTimeColumn) {
    {
        XLogging log(u"5.4", true);
        ASSERT_EQ(log.Open(Dir(), u"upgrade", u"> "), 0);
        log.WriteLine(u"stamped", true);
        log.WriteLine(u"plain", false);
        log.Write(u"...continued");
        log.WriteBlankLine();
        log.Close();
        log.WriteLine(u"after close", false);   // writes on a closed log do nothing
        log.Close();
    }
    const std::string text = ReadAll(LogFile("upgrade.log"));
    const std::string path = Utf8(Dir()) + "\\upgrade.log";
    const std::string day = "[A-Z][a-z]+, [A-Z][a-z]+ [0-9]{2}, [0-9]{4} ; [0-9]{2}:[0-9]{2}:[0-9]{2}";
    const std::string stars = Quote(kStars);
    const std::regex layout(stars + "\r\n" + stars + "\r\n" + Quote("Log output of " + path) + "\r\nstart: " + day +
                            "\r\n" + kDashes + "\r\n" +
                            "\r\n[0-9]{2}:[0-9]{2}:[0-9]{2}: > stamped"
                            "\r\n          > plain\\.\\.\\.continued\r\n" +
                            "\r\n" + stars + "\r\nfinish: " + day + "\r\n" + kDashes + "\r\n\r\n\r\n");
    EXPECT_TRUE(std::regex_match(text, layout)) << text;
}

TEST_F(LoggingTest, TheSameErrorTwiceInARowIsWrittenOnce) {
    {
        XLogging log(u"5.4", true);
        ASSERT_EQ(log.Open(Dir(), u"errors", u""), 0);
        log.WriteError(-1017, u"<XKxDatabase::Open> in [xkxdatabase]", u"ORA-01017");
        log.WriteError(u"-1017", u"<elsewhere>", u"ORA-01017");   // same message and code: skipped
        log.WriteError(-3113, u".\\xkxdatabasebase", u"XKxDatabaseBase::Connect", u"ORA-01017");
        log.WriteError(u"-3113", u"x", u"other message");
        log.WriteError(u"-1017", u"x", u"other message");
    }
    const std::string text = ReadAll(LogFile("errors.log"));
    EXPECT_EQ(Count(text, "########################## Error info start ##########################\r\n"), 4u);
    EXPECT_EQ(Count(text, "##########################  Error info end  ##########################\r\n"), 4u);
    EXPECT_NE(text.find("\r\n########################## Error info start ##########################\r\n"
                        "Location:  \t<XKxDatabase::Open> in [xkxdatabase]\r\n"
                        "Message:   \tORA-01017\r\n"
                        "Error Code:\t-1017\r\n"
                        "##########################  Error info end  ##########################\r\n\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Location:  \t<XKxDatabaseBase::Connect> in [xkxdatabasebase]\r\n"), std::string::npos);
    EXPECT_EQ(text.find("<elsewhere>"), std::string::npos);
}

TEST_F(LoggingTest, ASecondWriterIsRefusedAndTheFirstFileKeepsItsContent) {
    XLogging first(u"5.4", true);
    ASSERT_EQ(first.Open(Dir(), u"shared", u""), 0);
    first.WriteLine(u"first writer", false);
    XLogging second(u"5.4", true);
    EXPECT_EQ(second.Open(Dir(), u"shared", u""), -1);
    EXPECT_FALSE(second.IsLogOpen());
    second.WriteLine(u"second writer", false);
    first.WriteLine(u"still first", false);
    const std::string text = ReadAll(LogFile("shared.log"));
    EXPECT_EQ(text.find(kStars + "\r\n" + kStars + "\r\nLog output of "), 0u);
    EXPECT_NE(text.find("first writer\r\n          still first"), std::string::npos);
    EXPECT_EQ(text.find("second writer"), std::string::npos);
}

TEST_F(LoggingTest, StartLoggingTakesItsDirectoryFromTheRegistry) {
    const RegistryFile registry(dir_, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\r\n\"Logging\"=\"" +
                                          dir_.Path() + "\"\r\n");
    {
        XLogging log(u"5.4 SP00", false);
        log.StartLogging(u"LiftRun");
        EXPECT_EQ(log.GetDirectory(), Dir());
    }
    const std::string text = ReadAll(LogFile("LiftRun-" + std::to_string(getpid()) + ".log"));
    const std::regex start("\r\n[0-9]{2}:[0-9]{2}:[0-9]{2}: Start log output:"
                           "\r\n          For File:     LiftRun"
                           "\r\n          Version:      5\\.4 SP00"
                           "\r\n          Compile Date: " + Utf8(gBuildDate) +
                           "\r\n          Compile Time: " + Utf8(gBuildTime) + "\r\n          \r\n");
    EXPECT_TRUE(std::regex_search(text, start)) << text;
}

TEST_F(LoggingTest, StartLoggingFailuresAreClearAndWriteNothing) {
    struct Case { std::string registry; int32_t code; std::string message; };
    const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\r\n";
    const std::string missingDir = dir_ / "no_such_dir";
    const Case cases[] = {
        {"", ERROR_FILE_NOT_FOUND, "Error getting handle to <SOFTWARE\\Brenlow\\LiftRunner> registry settings!"},
        {key, ERROR_FILE_NOT_FOUND, "Error getting registry value <Logging> in <SOFTWARE\\Brenlow\\LiftRunner>!"},
        {key + "\"Logging\"=\"" + missingDir + "\"\r\n", -1,
         "The specified location for the LiftRun logging directory does not exist!\n<" + missingDir + ">"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RegistryFile registry(dir_, c.registry);
        XLogging log(u"5.4", false);
        try {
            log.StartLogging(u"LiftRun");
            ADD_FAILURE() << "no exception";
        } catch (const XKxException& e) {
            EXPECT_EQ(e.GetCode(), c.code);
            EXPECT_EQ(Utf8(e.GetMessage()), c.message);
        }
        EXPECT_FALSE(log.IsLogOpen());
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), std::filesystem::directory_iterator()),
              1);   // the registry file alone

    // The log name taken by another writer.
    const RegistryFile registry(dir_, key + "\"Logging\"=\"" + dir_.Path() + "\"\r\n");
    XLogging holder(u"5.4", false);
    holder.StartLogging(u"LiftRun");
    XLogging second(u"5.4", false);
    try {
        second.StartLogging(u"LiftRun");
        ADD_FAILURE() << "no exception";
    } catch (const XKxException& e) {
        EXPECT_EQ(Utf8(e.GetMessage()), "Cannot open log file <LiftRun-" + std::to_string(getpid()) + ".log>!");
        EXPECT_EQ(e.GetLocation(), u"<XLogging::StartLogging> in [xlogging]");
    }
}

}  // namespace
