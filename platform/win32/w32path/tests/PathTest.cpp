#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "w32path.h"

namespace {

namespace fs = std::filesystem;

// A private folder with the drives D: (its "d" folder) and E: (a folder inside D:), the current
// directory inside D:, and C: left at "/".
class PathTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/w32path_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        base = tmpl;
        d = base + "/d";
        fs::create_directories(d + "/sub/inner");
        fs::create_directories(d + "/Work");
        std::ofstream(d + "/sub/File.txt") << "x";
        old = fs::current_path();
        fs::current_path(d + "/Work");
        unsetenv("W32_DRIVE_C");
        setenv("W32_DRIVE_D", d.c_str(), 1);
        setenv("W32_DRIVE_E", (d + "/sub/inner/").c_str(), 1);
        unsetenv("W32_DRIVE_Q");
    }
    void TearDown() override {
        fs::current_path(old);
        unsetenv("W32_DRIVE_D");
        unsetenv("W32_DRIVE_E");
        fs::remove_all(base);
    }
    std::string base, d;
    fs::path old;
};

TEST_F(PathTest, FullPathsInTheText) {
    struct Case {
        const char* in;
        uint32_t rc;
        std::string out;
    };
    const Case cases[] = {
        {"C:\\a\\b\\..\\c", 0, "C:\\a\\c"},
        {"c:/a//b/", 0, "C:\\a\\b\\"},               // either separator; a trailing one is kept
        {"C:\\..\\..\\x", 0, "C:\\x"},                // ".." stops at the drive's root
        {"D:\\x\\.\\..\\..\\y", 0, "D:\\y"},
        {"Q:\\x", 0, "Q:\\x"},                        // a missing drive is only text here
        {"rel\\f.txt", 0, "D:\\Work\\rel\\f.txt"},    // from the current directory
        {"..\\..\\..\\up", 0, "D:\\up"},
        {"\\top", 0, "D:\\top"},                      // the root of the current drive
        {"D:rel", 0, "D:\\Work\\rel"},                // drive-relative on the current drive
        {"C:rel", 0, "C:\\rel"},                      // ... and on another one
        {"C:\\a\\name. .", 0, "C:\\a\\name"},         // trailing dots and blanks go
        {"/usr/./lib/../bin", 0, "C:\\usr\\bin"},     // a Linux path, handed back under C:
        {"\\\\?\\C:\\x", 0, "C:\\x"},
        {"\\\\server\\share\\x", 53, ""},
        {"", 123, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string out;
        EXPECT_EQ(c.rc, w32path::FullPath(c.in, out));
        if (c.rc == 0) {
            EXPECT_EQ(c.out, out);
        }
    }
}

TEST_F(PathTest, ToLinuxMapsDrivesAndMatchesCase) {
    struct Case {
        std::string in;
        uint32_t rc;
        std::string out;
    };
    const std::string longName(300, 'a');
    const Case cases[] = {
        {"D:\\SUB\\file.TXT", 0, d + "/sub/File.txt"},        // names missing as spelled match by case
        {"d:/sub/NEW/x.txt", 0, d + "/sub/NEW/x.txt"},        // ... and stay as spelled when missing
        {"E:\\", 0, d + "/sub/inner"},
        {"C:\\usr\\..\\etc", 0, "/etc"},
        {"/TMP/x", 0, "/TMP/x"},                               // Linux paths are taken as written
        {"sub2", 0, d + "/Work/sub2"},
        {"Q:\\x", 3, ""},                                      // a drive without a folder
        {"D:\\a<b", 123, ""},
        {"D:\\a?b", 123, ""},
        {"D:\\" + longName, 206, ""},                          // a name over 255 characters
        {"D:\\" + std::string(120, 'x') + "\\" + std::string(140, 'y'), 206, ""},   // 260 or more in all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string out = "unchanged";
        EXPECT_EQ(c.rc, w32path::ToLinux(c.in, out));
        EXPECT_EQ(c.rc == 0 ? c.out : "unchanged", out);
    }
    // C: follows W32_DRIVE_C once it is set; an empty value removes the drive.
    setenv("W32_DRIVE_C", d.c_str(), 1);
    std::string out;
    EXPECT_EQ(0u, w32path::ToLinux("C:\\sub", out));
    EXPECT_EQ(d + "/sub", out);
    setenv("W32_DRIVE_C", "", 1);
    EXPECT_EQ(3u, w32path::ToLinux("C:\\sub", out));
}

TEST_F(PathTest, PathsHandedBackNameTheDeepestDrive) {
    EXPECT_EQ("D:\\", w32path::ToWindows(d));
    EXPECT_EQ("D:\\sub\\File.txt", w32path::ToWindows(d + "/sub/File.txt"));
    EXPECT_EQ("E:\\x", w32path::ToWindows(d + "/sub/inner/x"));   // E: lies deeper than D:
    EXPECT_EQ("C:\\", w32path::ToWindows("/"));
    EXPECT_EQ("C:\\tmp", w32path::ToWindows("/tmp//"));
    EXPECT_EQ("D:\\Work\\rel", w32path::ToWindows("rel"));
    EXPECT_EQ("D:\\Work", w32path::CurrentDirectory());
    // Under no drive a path stays in Linux form.
    setenv("W32_DRIVE_C", d.c_str(), 1);
    EXPECT_EQ("/usr/lib", w32path::ToWindows("/usr/lib"));
    std::string out;
    EXPECT_EQ(0u, w32path::FullPath("/usr/x/../lib", out));
    EXPECT_EQ("/usr/lib", out);
}

TEST(Utf16LengthTest, CountsSurrogatePairsTwice) {
    EXPECT_EQ(0u, w32path::Utf16Length(""));
    EXPECT_EQ(4u, w32path::Utf16Length("caf\xC3\xA9"));
    EXPECT_EQ(3u, w32path::Utf16Length("a\xF0\x9F\x98\x80"));
}

}  // namespace
