// Settings files on real files: written by one object or process, read by another; key names;
// values byte for byte; failed writes; broken lines; the INI rules shared with the kernel.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "IniCases.h"
#include "svconfig.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/svconfigXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        file_ = dir_ + "/settings.ini";
    }
    void TearDown() override {
        chmod((dir_ + "/locked").c_str(), 0755);
        std::system(("rm -rf " + dir_).c_str());
    }

    std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    // Runs the child program and answers its standard output.
    std::string Child(const std::string& args, int* status = nullptr) {
        FILE* p = popen((std::string(SV_CONFIG_CHILD) + " " + args).c_str(), "r");
        std::string out;
        char buf[256];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        const int rc = pclose(p);
        if (status != nullptr) *status = rc;
        return out;
    }

    std::string dir_, file_;
};

TEST_F(ConfigTest, OneObjectReadsWhatAnotherWrote) {
    Config writer{String(file_.c_str())};
    writer.SetGroup("Tessaform Workbench");
    Config reader(writer);  // copies file and group
    EXPECT_EQ(reader.ReadKey("HOSTS"), "");
    EXPECT_EQ(reader.ReadKey("HOSTS", "LOCAL"), "LOCAL");

    ASSERT_TRUE(writer.WriteKey("HOSTS", "h2,h1"));
    EXPECT_EQ(reader.ReadKey("HOSTS"), "h2,h1");
    EXPECT_EQ(reader.ReadKey("hosts"), "h2,h1");  // keys without regard to case
    ASSERT_TRUE(writer.WriteKey("HOSTS", "h1"));
    EXPECT_EQ(reader.ReadKey("HOSTS", "LOCAL"), "h1");

    Config other{String(file_.c_str())};
    other.SetGroup("TESSAFORM WORKBENCH");
    EXPECT_EQ(other.ReadKey("HOSTS"), "h1");  // groups without regard to case
    other.SetGroup("KELVOXGenericBrowserView");
    EXPECT_EQ(other.ReadKey("HOSTS", "none"), "none");

    ASSERT_TRUE(writer.DeleteKey("hosts"));
    EXPECT_EQ(reader.ReadKey("HOSTS", "gone"), "gone");
    EXPECT_TRUE(writer.DeleteKey("HOSTS"));  // nothing left to delete
    EXPECT_EQ(Slurp(file_), "[Tessaform Workbench]\n");
}

TEST_F(ConfigTest, AChildProcessReadsWhatTheParentWroteAndWritersTakeTurns) {
    Config config{String(file_.c_str())};
    config.SetGroup("kxagentmanager");
    ASSERT_TRUE(config.WriteKey("agentpath", "/opt/agents/,/usr/local/agents/"));
    EXPECT_EQ(Child("read " + file_ + " kxagentmanager agentpath"), "/opt/agents/,/usr/local/agents/");
    EXPECT_EQ(Child("read " + file_ + " kxagentmanager agents"), "<missing>");

    // Two processes writing 60 keys each at once lose none of them.
    FILE* other = popen((std::string(SV_CONFIG_CHILD) + " write " + file_ + " kxagentmanager child 60").c_str(), "r");
    ASSERT_NE(other, nullptr);
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(config.WriteKey(String("parent") + String(i), String(i)));
    ASSERT_EQ(pclose(other), 0);
    EXPECT_EQ(config.GetKeyCount(), 121);
    EXPECT_EQ(config.ReadKey("child59"), "59");
    EXPECT_EQ(config.ReadKey("parent0"), "0");
}

TEST_F(ConfigTest, KeyNamesInTheOrderOfTheirFirstOccurrence) {
    Put(file_,
        "[SYSTEMS]\n"
        "Win32 = msvc\n"
        "; a comment = no key\n"
        "Linux=gcc\n"
        "WIN32 = second\n"
        "[other]\n"
        "x=1\n"
        "[systems]\n"
        "Mac=clang\n");
    Config config{String(file_.c_str())};
    config.SetGroup("SYSTEMS");
    ASSERT_EQ(config.GetKeyCount(), 3);
    EXPECT_EQ(config.GetKeyName(0), "Win32");
    EXPECT_EQ(config.ReadKey(uint16_t(0)), "msvc");
    EXPECT_EQ(config.GetKeyName(1), "Linux");
    EXPECT_EQ(config.GetKeyName(2), "Mac");
    EXPECT_EQ(config.ReadKey(uint16_t(2)), "clang");
    EXPECT_EQ(config.GetKeyName(3), "");
    config.SetGroup("missing");
    EXPECT_EQ(config.GetKeyCount(), 0);
    EXPECT_EQ(Config{String((dir_ + "/none.ini").c_str())}.GetKeyCount(), 0);
}

TEST_F(ConfigTest, ValuesRoundTripByteForByteAndWhatCannotIsRefused) {
    Config config{String(file_.c_str())};
    config.SetGroup("KELVOXGenericBrowserView");
    for (const char* value : {"120,80,", "a=b,c=d", "", ";not a comment", "[not a group]", "\"quoted\"",
                              "caf\xC3\xA9 \xFF\x01", "x\\y", "two  inner  blanks"}) {
        ASSERT_TRUE(config.WriteKey("browserwidths", value)) << value;
        EXPECT_EQ(config.ReadKey("browserwidths", "missing"), value);
    }
    ASSERT_TRUE(config.WriteKey("browserwidths", "kept"));
    const std::string before = Slurp(file_);
    struct Refused {
        const char* group;
        const char* key;
        const char* value;
    };
    const Refused refused[] = {
        {"KELVOXGenericBrowserView", "browserwidths", "line\nbreak"},
        {"KELVOXGenericBrowserView", "browserwidths", " leading blank"},
        {"KELVOXGenericBrowserView", "browserwidths", "trailing blank "},
        {"KELVOXGenericBrowserView", "a=b", "v"},
        {"KELVOXGenericBrowserView", ";key", "v"},
        {"KELVOXGenericBrowserView", "", "v"},
        {"bad]group", "key", "v"},
        {"bad\ngroup", "key", "v"},
    };
    for (const Refused& r : refused) {
        config.SetGroup(r.group);
        EXPECT_FALSE(config.WriteKey(r.key, r.value)) << r.key << " " << r.value;
    }
    EXPECT_EQ(Slurp(file_), before);
}

TEST_F(ConfigTest, AWriteIntoAFolderThatRefusesItLeavesTheOldFileWhole) {
    const std::string locked = dir_ + "/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
    const std::string file = locked + "/settings.ini";
    {
        Config config{String(file.c_str())};
        config.SetGroup("Tessaform Workbench");
        ASSERT_TRUE(config.WriteKey("HOSTS", "LOCAL"));
        ASSERT_TRUE(config.WriteKey("DATABASES", "base"));
    }
    const std::string before = Slurp(file);
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);

    // The write runs in a child process without the rights of an administrator, so that the
    // folder's mode refuses it.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        Config config{String(file.c_str())};
        config.SetGroup("Tessaform Workbench");
        const bool written = config.WriteKey("HOSTS", "h9");
        const bool deleted = config.DeleteKey("DATABASES");
        _exit(!written && !deleted ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(Slurp(file), before);
    Config config{String(file.c_str())};
    config.SetGroup("Tessaform Workbench");
    EXPECT_EQ(config.ReadKey("HOSTS"), "LOCAL");
    EXPECT_EQ(config.ReadKey("DATABASES"), "base");
    EXPECT_EQ(std::string(Child("read " + file + " \"Tessaform Workbench\" HOSTS")), "LOCAL");
}

TEST_F(ConfigTest, AFileWithBrokenLinesReadsItsGoodKeys) {
    Put(file_,
        "garbage before any group\n"
        "[Tessaform Workbench\n"
        "[Tessaform Workbench]\n"
        "no equals sign here\n"
        "= value without key\n"
        "HOSTS = LOCAL,h2 \r\n"
        "\x01\x02 binary junk\n"
        "BASE=shop\n"
        "[unterminated\n"
        "DICTIONARY=dict\n");
    Config config{String(file_.c_str())};
    config.SetGroup("Tessaform Workbench");
    EXPECT_EQ(config.ReadKey("HOSTS"), "LOCAL,h2");
    EXPECT_EQ(config.ReadKey("BASE"), "shop");
    EXPECT_EQ(config.ReadKey("DICTIONARY"), "dict");  // a broken header does not end the group
    EXPECT_EQ(config.GetKeyCount(), 3);
    ASSERT_TRUE(config.WriteKey("BASE", "stock"));
    EXPECT_EQ(config.ReadKey("BASE"), "stock");
    EXPECT_NE(Slurp(file_).find("no equals sign here\n"), std::string::npos);  // other lines stay
}

TEST_F(ConfigTest, TheKernelsIniCasesReadAlike) {
    Put(file_, w32ini_cases::kIniText);
    Config config{String(file_.c_str())};
    for (const w32ini_cases::Lookup& c : w32ini_cases::kLookups) {
        SCOPED_TRACE(std::string(c.section) + " " + c.key);
        config.SetGroup(c.section);
        EXPECT_EQ(config.ReadKey(c.key, "<missing>"), c.value != nullptr ? c.value : "<missing>");
    }
}

TEST_F(ConfigTest, TheDefaultFile) {
    const char* savedConfig = std::getenv("SV_CONFIG");
    const std::string saved = savedConfig != nullptr ? savedConfig : "";
    setenv("SV_CONFIG", file_.c_str(), 1);
    {
        Config config;
        config.SetGroup("Tessaform Workbench");
        ASSERT_TRUE(config.WriteKey("HOSTS", "LOCAL"));
    }
    EXPECT_EQ(Slurp(file_), "[Tessaform Workbench]\nHOSTS=LOCAL\n");
    unsetenv("SV_CONFIG");
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome != nullptr ? savedHome : "";
    setenv("HOME", dir_.c_str(), 1);
    EXPECT_EQ(Config().GetPathName(), (dir_ + "/.sv.ini").c_str());
    setenv("HOME", home.c_str(), 1);
    if (savedConfig != nullptr) setenv("SV_CONFIG", saved.c_str(), 1);
}

}  // namespace
