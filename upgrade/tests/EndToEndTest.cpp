// The library at work in a process of its own, started through the Win32 stand-in as the upgrader
// starts its children: a progress output with its log, and the console without one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "UpgradeTestSupport.h"

#ifndef UPGRADE_TEST_CHILD
#error "UPGRADE_TEST_CHILD names the child program"
#endif

namespace {

using upgrade_test::ChildRun;
using upgrade_test::Count;
using upgrade_test::RunChild;
using upgrade_test::ReadAll;
using upgrade_test::RegistryFile;
using upgrade_test::TempDir;

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest()
        : logs_(dir_ / "logs"),
          registry_(dir_, (std::filesystem::create_directory(logs_),
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\r\n\"Logging\"=\"" + logs_ + "\"\r\n")) {}

    TempDir dir_;
    std::string logs_;
    RegistryFile registry_;
};

TEST_F(EndToEndTest, AChildWritesItsLogAndShowsItsProgress) {
    const std::string controlsFile = dir_ / "controls.txt";
    const ChildRun run = RunChild(dir_, UPGRADE_TEST_CHILD, "display \"" + controlsFile + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.console;

    const std::string logName = "LiftRun-" + std::to_string(run.pid) + ".log";
    ASSERT_TRUE(std::filesystem::exists(logs_ + "/" + logName)) << logName;
    const std::string log = ReadAll(logs_ + "/" + logName);
    const std::string stars(105, '*');
    EXPECT_EQ(log.find(stars + "\r\n" + stars + "\r\nLog output of " + logs_ + "\\" + logName + "\r\nstart: "), 0u)
        << log;
    const std::string stamp = "\r\n[0-9]{2}:[0-9]{2}:[0-9]{2}: ";
    const std::string plain = "\r\n          ";
    const std::regex body(stamp + "Start log output:" + plain + "For File:     LiftRun" + plain +
                          "Version:      5\\.4 SP00" + plain + "Compile Date: [^\r]+" + plain + "Compile Time: [^\r]+" +
                          plain + "\r\n" +   // the empty line
                          "[0-9]{2}:[0-9]{2}:[0-9]{2}: Upgrading databases" + plain +
                          "    - Open <database>\\.\\.\\.\\.\\.\\.done in +[0-9]+ seconds!" + plain + "    Scripts" +
                          plain + "        - a\\.sql\\.\\.\\.ok" +
                          "\r\n#+ Error info start #+\r\nLocation:  \t<XKxErrorCallBack::Receive> in \\[xkxdatabasebase\\]"
                          "\r\nMessage:   \tORA-01017: invalid username/password; logon denied\r\nError Code:\t-1017\r\n"
                          "#+  Error info end  #+\r\n\r\n"
                          "\r\n#+ Error info start #+\r\nLocation:  \t<XRegistry::GetValue> in \\[xregistry\\]"
                          "\r\nMessage:   \tError getting registry value <SchemaDelta> in <SOFTWARE\\\\Brenlow\\\\LiftRunner>!"
                          "\r\nError Code:\t-1\r\n#+  Error info end  #+\r\n\r\n" +
                          plain + "finished\r\n" + std::regex_replace(stars, std::regex("\\*"), "\\*") +
                          "\r\nfinish: [^\r]+\r\n-{105}\r\n\r\n\r\n$");
    EXPECT_TRUE(std::regex_search(log, body)) << log;
    EXPECT_EQ(Count(log, "Error info start"), 2u);

    // What the window showed.
    const std::string controls = ReadAll(controlsFile);
    EXPECT_NE(controls.find("0\tLiftRunner - Total running time: "), std::string::npos) << controls;
    for (const char* spinner : {" /\n", " -\n", " \\\n"})
        EXPECT_NE(controls.find("1302\tUpgrading databases\\r\\n    - Open <database>..." + std::string(spinner)),
                  std::string::npos)
            << spinner << "\n" << controls;
    EXPECT_NE(controls.find("1211\t "), std::string::npos);
    EXPECT_NE(controls.find("1302\tUpgrading databases\\r\\n    - Open <database>......done in "), std::string::npos);
    const std::string lastMessages = controls.substr(controls.rfind("1302\t"));
    const std::string head = "1302\tUpgrading databases\\r\\n    - Open <database>......done in ";
    const std::string tail = " seconds!\\r\\n    Scripts\\r\\n        - a.sql...ok\\r\\nfinished\n";
    EXPECT_EQ(lastMessages.substr(0, head.size()), head) << lastMessages;
    EXPECT_EQ(lastMessages.substr(lastMessages.size() - std::min(tail.size(), lastMessages.size())), tail);
    EXPECT_EQ(run.console, "");
}

TEST_F(EndToEndTest, WithoutAProgressOutputTheConsoleShowsTheLinesAndNoLogIsWritten) {
    const ChildRun run = RunChild(dir_, UPGRADE_TEST_CHILD, "console");
    ASSERT_EQ(run.exitCode, 0u) << run.console;
    EXPECT_EQ(run.console, "\nUpgrading databases\n- Open <database>......\nScripts\n- a.sql...ok\nfinished");
    EXPECT_TRUE(std::filesystem::is_empty(logs_));
}

}  // namespace
