// File-system operations on real folders under /tmp (drive C: is the Linux root here), with the
// reports they write on the diagnostic stream.
#include <gtest/gtest.h>
#include <windows.h>

#include <TestSupport.h>

#include <utime.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "KxFileSystem.h"
#include "StreamCapture.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::TempDir;

// The Windows form of a Linux path: C: is the root.
std::string Win(const std::string& linuxPath) {
    std::string path = "C:" + linuxPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class KxFileSystemTest : public ::testing::Test {
protected:
    EnvVar driveC_{"W32_DRIVE_C", std::nullopt};
    TempDir dir;
    KxFileSystem fs;
    StreamCapture out;
};

TEST_F(KxFileSystemTest, CreateMeasureTestAndDeleteFiles) {
    const std::string file = dir / "new.txt";
    EXPECT_EQ(1, fs.accessFile(file.c_str()));
    EXPECT_EQ(0, fs.createFile(file.c_str()));
    EXPECT_EQ(0, fs.accessFile(file.c_str()));
    EXPECT_EQ(0u, fs.getFileSize(file.c_str()));
    dir.Write("new.txt", "twelve bytes");
    EXPECT_EQ(12u, fs.getFileSize(Win(file).c_str()));
    EXPECT_EQ(0, fs.createFile(file.c_str()));   // truncates
    EXPECT_EQ(0u, fs.getFileSize(file.c_str()));
    std::filesystem::resize_file(file, 5ul << 30);   // sparse: beyond 32 bits
    EXPECT_EQ(5ul << 30, fs.getFileSize(file.c_str()));
    EXPECT_EQ(0, fs.accessFile(dir.Path().c_str()));   // a directory exists too
    EXPECT_EQ(0, fs.deleteFile(file.c_str()));
    EXPECT_EQ(1, fs.accessFile(file.c_str()));
    EXPECT_EQ("", out.Take());
}

TEST_F(KxFileSystemTest, FailuresReportTheSystemsText) {
    const std::string missing = dir / "missing.txt";
    EXPECT_EQ(1, fs.deleteFile(missing.c_str()));
    const std::string report = out.Take();
    EXPECT_EQ(0u, report.find("<<< KxFileSystem >>> KxFileSystem::deleteFile : an error occured calling DeleteFile, "
                              "error= 2 that means : The system cannot find the file specified.\r\n.  >>> KxFileSystem.cpp:"))
        << report;
    EXPECT_EQ('\n', report.back());

    struct Case {
        std::function<bool()> call;
        const char* start;
    };
    const std::string inMissingFolder = dir / "no/such/file.txt";
    const Case cases[] = {
        {[&] { return fs.createFile(inMissingFolder.c_str()) == -1; },
         "<<< KxFileSystem >>> KxFileSystem::createFile : an error occured calling CreateFile, error= 3 that means : "},
        {[&] { return fs.getFileSize(missing.c_str()) == 0; },
         "<<< KxFileSystem >>> KxFileSystem::getFileSize : an error occured calling CreateFile (OPEN_EXISTING), error= 2 "},
        {[&] { return fs.changeWorkingDirectory(missing.c_str()) == -1; },
         "<<< KxFileSystem >>> KxFileSystem::changeWorkingDirectory : an error occured calling SetCurrentDirectory, error= 2 "},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.call()) << c.start;
        const std::string text = out.Take();
        EXPECT_EQ(0u, text.find(c.start)) << text;
    }
}

TEST_F(KxFileSystemTest, ModificationTimeInUniversalTime) {
    const std::string file = dir.Write("dated.txt", "x");
    const utimbuf times = {1709214307, 1709214307};   // 2024-02-29 13:45:07 UTC
    ASSERT_EQ(0, utime(file.c_str(), &times));
    const KxDateTime t = fs.getModificationTime(file.c_str());
    EXPECT_EQ((std::vector<int>{2024, 2, 29, 13, 45, 7}),
              (std::vector<int>{t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()}));
    const KxDateTime none = fs.getModificationTime((dir / "missing").c_str());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 0}), (std::vector<int>{none.GetYear(), none.GetMonth(), none.GetDay(),
                                                                      none.GetHour(), none.GetMinute(), none.GetSecond()}));
    EXPECT_EQ(nullptr, fs.getModificationTimeAsString(file.c_str()));
    EXPECT_EQ("", out.Take());   // a file that cannot be opened is not reported
}

TEST_F(KxFileSystemTest, WorkingDirectory) {
    w32test_support::CurrentDir keep("/");
    EXPECT_EQ(0, fs.changeWorkingDirectory(dir.Path().c_str()));
    EXPECT_EQ(Win(dir.Path()), fs.getWorkingDirectory());
    EXPECT_EQ(std::filesystem::current_path().string(), dir.Path());
    std::filesystem::create_directory(dir / "sub");
    EXPECT_EQ(0, fs.changeWorkingDirectory("SUB"));   // relative, case ignored
    EXPECT_EQ(Win(dir / "sub"), fs.getWorkingDirectory());
}

TEST_F(KxFileSystemTest, WildcardSearch) {
    dir.Write("b.txt", "");
    dir.Write("a.txt", "");
    dir.Write("c.log", "");
    KxFindFileInfoBlock block;
    ASSERT_EQ(1, fs.findFirst((Win(dir.Path()) + "\\*.txt").c_str(), &block));
    EXPECT_STREQ("a.txt", block.fileName());
    KxFindFileInfoBlock copy;
    copy = block;   // copies share the search
    EXPECT_EQ(1, fs.findNext(&copy));
    EXPECT_STREQ("b.txt", block.fileName());
    EXPECT_EQ(0, fs.findNext(&block));   // the end: no report
    EXPECT_EQ("", out.Take());

    EXPECT_EQ(1, fs.findFirst((dir / "*.log").c_str(), &block));   // a new search in the same block
    EXPECT_STREQ("c.log", block.fileName());
    EXPECT_EQ(0, fs.findFirst((dir / "*.txt").c_str(), nullptr));

    EXPECT_EQ(0, fs.findFirst((dir / "*.doc").c_str(), &block));
    EXPECT_EQ(0u, out.Take().find("<<< KxFileSystem >>> KxFileSystem::findFirst : an error occured calling "
                                  "FindFirstFile, error= 2 "));
    KxFindFileInfoBlock fresh;
    EXPECT_EQ(0, fs.findNext(&fresh));
    EXPECT_EQ(0u, out.Take().find("<<< KxFileSystem >>> findNext : no search handle, use findFirst first. >>> "
                                  "KxFileSystem.cpp:"));
}

TEST_F(KxFileSystemTest, SplitAndJoinPaths) {
    char* drive = nullptr;
    char* folder = nullptr;
    char* name = nullptr;
    char* ext = nullptr;
    fs.splitpath("C:\\dir\\name.ext", drive, folder, name, ext);
    EXPECT_EQ((std::vector<std::string>{"C:", "\\dir\\", "name", "ext"}), (std::vector<std::string>{drive, folder, name, ext}));
    fs.splitpath("archive.tar.gz", drive, folder, name, ext);
    EXPECT_EQ((std::vector<std::string>{"", "", "archive.tar", "gz"}), (std::vector<std::string>{drive, folder, name, ext}));
    EXPECT_STREQ("D:\\work\\book.kxw", fs.makepath("D", "\\work", "book", "kxw"));
    EXPECT_STREQ("\\", fs.getPathDelimiter());
}

TEST_F(KxFileSystemTest, ShortPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\a\\b\\c\\d\\file.txt", "C:\\a\\...\\d\\file.txt"},
        {"C:\\a\\b\\f.txt", "C:\\a\\b\\f.txt"},
        {"C:\\a\\f", "C:\\a\\f"},
        {"C:\\f.txt", "C:\\f.txt"},
        {"a\\b\\c\\f.txt", "a\\...\\c\\f.txt"},
        {"f.txt", "f.txt"},
    };
    for (const auto& [path, shortPath] : cases) EXPECT_STREQ(shortPath, fs.createShortPath(path)) << path;
    EXPECT_EQ(nullptr, fs.createShortPath(nullptr));
    EXPECT_EQ(nullptr, fs.createShortPath(""));
}

TEST_F(KxFileSystemTest, PathsRelativeToADirectory) {
    struct Case {
        const char* path;
        const char* dir;
        const char* relative;
    };
    const Case cases[] = {
        {"C:\\A\\C\\f.txt", "c:\\a\\b", "..\\c\\f.txt"},
        {"c:\\a\\b\\x\\y.txt", "c:\\a\\b", "x\\y.txt"},
        {"c:\\a\\b\\x\\y.txt", "C:\\A\\B\\", "x\\y.txt"},
        {"c:\\a\\f.txt", "c:\\a\\b\\c", "..\\..\\f.txt"},
        // A later component equal by chance still needs its "..\".
        {"c:\\a\\c\\x\\f.txt", "c:\\a\\b\\x", "..\\..\\c\\x\\f.txt"},
        // A directory whose name the path's folder merely begins with is not the path's folder.
        {"c:\\a\\bc\\f.txt", "c:\\a\\b", "..\\bc\\f.txt"},
        {"c:\\x.txt", "c:\\", "x.txt"},
        {"D:\\Data\\F.txt", "c:\\a", "d:\\data\\f.txt"},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.relative, fs.makeRelativeToDirectory(c.path, c.dir)) << c.path << " " << c.dir;
    const char* path = "c:\\a.txt";
    EXPECT_EQ(path, fs.makeRelativeToDirectory(path, nullptr));
    EXPECT_EQ(nullptr, fs.makeRelativeToDirectory(nullptr, "c:\\"));
}

TEST_F(KxFileSystemTest, PathsMadeAbsoluteAgainstADirectory) {
    w32test_support::CurrentDir keep("/");
    const std::string base = Win(dir.Path());
    struct Case {
        const char* path;
        std::string absolute;
    };
    const Case cases[] = {
        {"Sub\\File.TXT", Lower(base + "\\sub\\file.txt")},
        {"..\\x.txt", Lower(Win(std::filesystem::path(dir.Path()).parent_path().string()) + "\\x.txt")},
        {"\\Root\\F.txt", "\\root\\f.txt"},
        {"D:\\Other\\F.txt", "d:\\other\\f.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.absolute, fs.makeAbsoluteToDirectory(c.path, dir.Path().c_str())) << c.path;
    EXPECT_EQ("/", std::filesystem::current_path().string());   // changed back
    EXPECT_STREQ("", fs.makeAbsoluteToDirectory(nullptr, "c:\\"));
    EXPECT_STREQ("", fs.makeAbsoluteToDirectory("x", nullptr));
    EXPECT_EQ("", out.Take());

    // A directory that cannot be entered leaves the path as it is (lower-cased), with a report.
    EXPECT_STREQ("sub\\file.txt", fs.makeAbsoluteToDirectory("Sub\\File.txt", (dir / "missing").c_str()));
    EXPECT_EQ(0u, out.Take().find("<<< KxFileSystem >>> KxFileSystem::makeAbsoluteToDirectory : an error occured "
                                  "calling SetCurrentDirectory, error= 2 "));
    EXPECT_EQ("/", std::filesystem::current_path().string());
}

TEST_F(KxFileSystemTest, TemporaryDirectoryAndFileNames) {
    EnvVar tmp("TMP", dir.Path());
    const char* first = fs.getTempDir();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(Win(dir.Path()) + "\\", first);
    EXPECT_EQ(first, fs.getTempDir());   // the same buffer

    char name[MAX_PATH];
    ASSERT_EQ(0, fs.getTempFileName(name, "kxw"));
    const std::string made = name;
    EXPECT_EQ(0u, made.find(Win(dir.Path()) + "\\kxw")) << made;
    EXPECT_EQ(0, fs.accessFile(name));   // the system made the file
    ASSERT_EQ(0, fs.getTempFileName(name, "kxw"));
    EXPECT_NE(made, name);
    EXPECT_EQ("", out.Take());

    {
        EnvVar missing("TMP", dir / "missing");
        EXPECT_EQ(-3, fs.getTempFileName(name, "kxw"));
        EXPECT_EQ(0u, out.Take().find("<<< KxFileSystem >>> KxFileSystem::getTempFileName : an error occured calling "
                                      "GetTempFileName, error= "));
    }
    {
        EnvVar tooLong("TMP", "/" + std::string(300, 'x'));
        EXPECT_EQ(-1, fs.getTempFileName(name, "kxw"));
        EXPECT_EQ(nullptr, fs.getTempDir());
        EXPECT_EQ(0u, out.Take().find("<<< KxFileSystem >>> path buffer too small. Current is 260, needed 305 >>> "
                                      "KxFileSystem.cpp:"));
    }
}

}  // namespace
