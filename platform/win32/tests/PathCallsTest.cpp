#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "windows.h"

namespace {

using w32test_support::CurrentDir;
using w32test_support::EnvVar;
using w32test_support::TempDir;

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// D: is a private folder holding "Work" (the current directory) and "a.txt".
class PathCallsTest : public ::testing::Test {
protected:
    PathCallsTest() : drive("W32_DRIVE_D", dir.Path()), c("W32_DRIVE_C", std::nullopt) {
        std::filesystem::create_directories(dir / "Work");
        dir.Write("a.txt", "x");
    }
    TempDir dir;
    EnvVar drive;
    EnvVar c;
};

TEST_F(PathCallsTest, FullPathNameAndItsFilePart) {
    CurrentDir cwd(dir / "Work");
    char buf[MAX_PATH];
    char* part = nullptr;
    ASSERT_EQ(strlen("D:\\Work\\sub\\f.txt"), GetFullPathNameA("sub\\.\\f.txt", MAX_PATH, buf, &part));
    EXPECT_STREQ("D:\\Work\\sub\\f.txt", buf);
    EXPECT_STREQ("f.txt", part);
    EXPECT_EQ(strlen("D:\\x\\"), GetFullPathNameA("\\x\\", MAX_PATH, buf, &part));
    EXPECT_EQ(nullptr, part);

    // Too small a buffer: the size needed with the terminator, nothing written.
    char small[4] = "abc";
    EXPECT_EQ(strlen("D:\\Work\\f") + 1, GetFullPathNameA("f", sizeof small, small, nullptr));
    EXPECT_STREQ("abc", small);

    char16_t wide[MAX_PATH];
    char16_t* wpart = nullptr;
    EXPECT_EQ(11u, GetFullPathNameW(u"..\\..\\caf\u00e9.txt", MAX_PATH, wide, &wpart));
    EXPECT_EQ(u"D:\\caf\u00e9.txt", std::u16string(wide));
    EXPECT_EQ(u"caf\u00e9.txt", std::u16string(wpart));

    EXPECT_EQ(0u, GetFullPathNameA(("D:\\" + std::string(270, 'n')).c_str(), MAX_PATH, buf, nullptr));
    EXPECT_EQ(DWORD(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

TEST_F(PathCallsTest, CurrentDirectory) {
    CurrentDir restore(dir.Path());
    ASSERT_TRUE(SetCurrentDirectoryA("d:\\WORK"));   // found without regard to case
    char buf[MAX_PATH];
    EXPECT_EQ(7u, GetCurrentDirectoryA(MAX_PATH, buf));
    EXPECT_STREQ("D:\\Work", buf);
    EXPECT_EQ(8u, GetCurrentDirectoryA(7, buf));    // too small: the size needed
    char16_t wide[MAX_PATH];
    EXPECT_EQ(7u, GetCurrentDirectoryW(MAX_PATH, wide));
    EXPECT_EQ(u"D:\\Work", std::u16string(wide));

    struct Case {
        const char* path;
        DWORD error;
    };
    const Case refused[] = {
        {"D:\\missing", ERROR_FILE_NOT_FOUND},
        {"D:\\missing\\deeper", ERROR_PATH_NOT_FOUND},
        {"D:\\a.txt", ERROR_DIRECTORY},
        {"Q:\\", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& r : refused) {
        SCOPED_TRACE(r.path);
        EXPECT_FALSE(SetCurrentDirectoryA(r.path));
        EXPECT_EQ(r.error, GetLastError());
    }
    EXPECT_EQ(7u, GetCurrentDirectoryA(MAX_PATH, buf));   // unchanged
}

TEST_F(PathCallsTest, TempPathAndTempFileNames) {
    EnvVar tmp("TMP", "D:\\Work");
    char buf[MAX_PATH];
    EXPECT_EQ(8u, GetTempPathA(MAX_PATH, buf));
    EXPECT_STREQ("D:\\Work\\", buf);

    // Number 0: a new file is made, each time another.
    char first[MAX_PATH], second[MAX_PATH];
    const UINT n1 = GetTempFileNameA(buf, "prefix", 0, first);
    const UINT n2 = GetTempFileNameA(buf, "prefix", 0, second);
    ASSERT_NE(0u, n1);
    ASSERT_NE(0u, n2);
    EXPECT_NE(std::string(first), std::string(second));
    char expected[64];
    std::snprintf(expected, sizeof expected, "D:\\Work\\pre%X.TMP", n1);
    EXPECT_STREQ(expected, first);
    EXPECT_TRUE(Exists(dir.Path() + "/Work/" + std::string(first).substr(8)));

    // A number given: the name only.
    EXPECT_EQ(0xAB1u, GetTempFileNameA("D:\\Work", "x", 0x10AB1, first));
    EXPECT_STREQ("D:\\Work\\xAB1.TMP", first);
    EXPECT_FALSE(Exists(dir.Path() + "/Work/xAB1.TMP"));

    EXPECT_EQ(0u, GetTempFileNameA("D:\\missing", "x", 0, first));
    EXPECT_EQ(DWORD(ERROR_DIRECTORY), GetLastError());
    EXPECT_EQ(0u, GetTempFileNameA(("D:\\" + std::string(250, 'p')).c_str(), "x", 0, first));
    EXPECT_EQ(DWORD(ERROR_BUFFER_OVERFLOW), GetLastError());
}

TEST(SplitAndJoinTest, AsTheCRunTime) {
    struct Case {
        std::string path, drive, dir, fname, ext;
    };
    const Case cases[] = {
        {"C:\\dir\\name.ext", "C:", "\\dir\\", "name", ".ext"},
        {"c:name", "c:", "", "name", ""},
        {"/usr/lib/x.tar.gz", "", "/usr/lib/", "x.tar", ".gz"},
        {"dir.d\\noext", "", "dir.d\\", "noext", ""},
        {".profile", "", "", "", ".profile"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char drive[_MAX_DRIVE], dirPart[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
        _splitpath(c.path.c_str(), drive, dirPart, fname, ext);
        EXPECT_EQ(c.drive, drive);
        EXPECT_EQ(c.dir, dirPart);
        EXPECT_EQ(c.fname, fname);
        EXPECT_EQ(c.ext, ext);
    }
    char16_t wdrive[_MAX_DRIVE], wdir[_MAX_DIR], wname[_MAX_FNAME], wext[_MAX_EXT];
    _wsplitpath(u"D:\\a\\b.c", wdrive, wdir, wname, wext);
    EXPECT_EQ(u"D:", std::u16string(wdrive));
    EXPECT_EQ(u"\\a\\", std::u16string(wdir));

    char joined[_MAX_PATH];
    _makepath(joined, "Cxx", "\\dir", "name", "ext");
    EXPECT_STREQ("C:\\dir\\name.ext", joined);
    _makepath(joined, nullptr, "/dir/", "name", ".ext");
    EXPECT_STREQ("/dir/name.ext", joined);
    char16_t wjoined[_MAX_PATH];
    _wmakepath(wjoined, u"d", u"x", u"y", u"");
    EXPECT_EQ(u"d:x\\y", std::u16string(wjoined));
}

TEST(SplitAndJoinTest, SixHundredCharactersNeverWritePastTheBuffers) {
    // Each output in a guarded frame: a write past its _MAX_* size would change the guard.
    struct Out {
        char drive[_MAX_DRIVE];
        char g1 = 'g';
        char dir[_MAX_DIR];
        char g2 = 'g';
        char fname[_MAX_FNAME];
        char g3 = 'g';
        char ext[_MAX_EXT];
        char g4 = 'g';
    } out;
    const std::string longDir = "C:\\" + std::string(590, 'd') + "\\";
    errno = 0;
    _splitpath((longDir + "name.ext").c_str(), out.drive, out.dir, out.fname, out.ext);
    EXPECT_EQ(ERANGE, errno);
    EXPECT_STREQ("", out.drive);   // every output left empty
    EXPECT_STREQ("", out.dir);
    EXPECT_STREQ("", out.fname);
    EXPECT_STREQ("", out.ext);
    EXPECT_EQ("gggg", std::string() + out.g1 + out.g2 + out.g3 + out.g4);

    // A long name alone overflows the name only, but still empties all.
    _splitpath(("C:\\d\\" + std::string(600, 'n') + ".e").c_str(), out.drive, out.dir, out.fname, out.ext);
    EXPECT_STREQ("", out.dir);
    // Skipping the long part's output makes the split succeed.
    errno = 0;
    _splitpath(("C:\\d\\" + std::string(600, 'n') + ".e").c_str(), out.drive, out.dir, nullptr, out.ext);
    EXPECT_EQ(0, errno);
    EXPECT_STREQ("\\d\\", out.dir);
    EXPECT_STREQ(".e", out.ext);

    struct Joined {
        char path[_MAX_PATH];
        char guard = 'g';
    } joined;
    const std::string part(200, 'p');
    errno = 0;
    _makepath(joined.path, "C", part.c_str(), part.c_str(), part.c_str());
    EXPECT_EQ(ERANGE, errno);
    EXPECT_STREQ("", joined.path);
    EXPECT_EQ('g', joined.guard);
}

}  // namespace
