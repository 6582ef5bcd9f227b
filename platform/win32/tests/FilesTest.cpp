#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "w32test.h"
#include "windows.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::ReadAll;
using w32test_support::TempDir;

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

struct timespec MTime(const std::string& path) {
    struct stat st = {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

void SetMTime(const std::string& path, time_t seconds, long nanos) {
    const struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
}

// W: is a private folder.
class FilesTest : public ::testing::Test {
protected:
    FilesTest() : drive("W32_DRIVE_W", dir.Path()) {}
    std::string W(const std::string& name) { return "W:\\" + name; }
    TempDir dir;
    EnvVar drive;
};

TEST_F(FilesTest, CreateWriteReadAndMeasure) {
    HANDLE h = CreateFileA(W("new.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
    EXPECT_EQ(11u, n);
    DWORD high = 99;
    EXPECT_EQ(11u, GetFileSize(h, &high));
    EXPECT_EQ(0u, high);
    EXPECT_EQ(6u, SetFilePointer(h, 6, nullptr, FILE_BEGIN));
    char buf[16] = {};
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(5u, n);
    EXPECT_STREQ("world", buf);
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));   // at the end: success, nothing
    EXPECT_EQ(0u, n);

    FILETIME created, accessed, written;
    SetMTime(dir / "new.txt", 1000000000, 123456789);
    ASSERT_TRUE(GetFileTime(h, &created, &accessed, &written));
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&written, &st));
    EXPECT_EQ(2001, st.wYear);   // 2001-09-09 01:46:40.123 UTC, a Sunday
    EXPECT_EQ(9, st.wMonth);
    EXPECT_EQ(9, st.wDay);
    EXPECT_EQ(0, st.wDayOfWeek);
    EXPECT_EQ(1, st.wHour);
    EXPECT_EQ(46, st.wMinute);
    EXPECT_EQ(40, st.wSecond);
    EXPECT_EQ(123, st.wMilliseconds);
    ASSERT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    const FILETIME epoch1601 = {0, 0};
    ASSERT_TRUE(FileTimeToSystemTime(&epoch1601, &st));
    EXPECT_EQ(1601, st.wYear);
    EXPECT_EQ(1, st.wDayOfWeek);   // a Monday
    const FILETIME tooLarge = {0, 0x80000000u};
    EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &st));

    // Dispositions and their answers.
    struct Case {
        std::string name;
        DWORD disposition;
        bool ok;
        DWORD error;
    };
    const Case cases[] = {
        {"new.txt", CREATE_NEW, false, ERROR_FILE_EXISTS},
        {"new.txt", OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS},
        {"new.txt", OPEN_EXISTING, true, ERROR_SUCCESS},
        {"other.txt", OPEN_ALWAYS, true, ERROR_SUCCESS},
        {"missing.txt", OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
        {"missing\\x.txt", CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND},
        {"missing.txt", TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND},
        {"new.txt", 9, false, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " " + std::to_string(c.disposition));
        HANDLE f = CreateFileA(W(c.name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               c.disposition, 0, nullptr);
        EXPECT_EQ(c.ok, f != INVALID_HANDLE_VALUE);
        EXPECT_EQ(c.error, GetLastError());
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    EXPECT_EQ("hello world", ReadAll(dir / "new.txt"));   // none of them truncated it
    h = CreateFileA(W("new.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(h);
    EXPECT_EQ("", ReadAll(dir / "new.txt"));
}

TEST_F(FilesTest, HandlesRefuseWhatTheyWereNotOpenedFor) {
    dir.Write("data.txt", "abc");
    HANDLE reader = CreateFileA(W("data.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    DWORD n = 7;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &n, nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(0u, n);
    CloseHandle(reader);
    for (HANDLE bad : {HANDLE(nullptr), reader, INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(WriteFile(bad, "x", 1, &n, nullptr));
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
        EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(bad, nullptr));
    }
    EXPECT_EQ("abc", ReadAll(dir / "data.txt"));
    // A folder opens only with backup semantics.
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(W("folder").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
}

TEST_F(FilesTest, ShareModesDecideASecondOpen) {
    const std::string file = dir.Write("shared.log", "log line\n");
    struct Case {
        DWORD access1, share1, access2, share2;
        bool second;
    };
    const DWORD R = GENERIC_READ, W_ = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const Case cases[] = {
        {W_, SR, W_, SR | SW, false},       // a deny-write open refuses a second writer
        {W_, SR, R, SR | SW, true},         // ... but a reader that shares writing
        {W_, SR, R, SR, false},             // ... not one that denies the first one's writing
        {R, SR, R, SR, true},
        {R, 0, R, SR | SW, false},          // exclusive
        {R, SR | SW, W_, SR | SW, true},
        {R, SR | SW, W_, SR | SW | FILE_SHARE_DELETE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.access1 << "/" << c.share1 << " then " << c.access2
                                          << "/" << c.share2);
        HANDLE first = CreateFileA(file.c_str(), c.access1, c.share1, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, first);
        HANDLE second = CreateFileA(file.c_str(), c.access2, c.share2, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(c.second, second != INVALID_HANDLE_VALUE);
        if (second == INVALID_HANDLE_VALUE) EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
        else CloseHandle(second);
        CloseHandle(first);
    }
}

TEST_F(FilesTest, DenyWriteRefusesAnotherProcessWriterAndStaysIntact) {
    const std::string file = dir.Write("upgrade.log", "first run\n");
    HANDLE log = CreateFileA(W("upgrade.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, log);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Another process: a writer that would truncate is refused; a sharing reader is let in;
        // the file cannot be deleted or moved away while it is open.
        HANDLE w = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        if (w != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) _exit(1);
        HANDLE r = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (r == INVALID_HANDLE_VALUE) _exit(2);
        CloseHandle(r);
        if (DeleteFileA(file.c_str()) || GetLastError() != ERROR_SHARING_VIOLATION) _exit(3);
        if (MoveFileA(file.c_str(), (file + ".moved").c_str()) || GetLastError() != ERROR_SHARING_VIOLATION) _exit(4);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ("first run\n", ReadAll(file));
    CloseHandle(log);
    // Closed: now another writer may truncate it.
    HANDLE w = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, w);
    CloseHandle(w);
    EXPECT_EQ("", ReadAll(file));
}

TEST_F(FilesTest, AttributesFoldersAndDeletes) {
    dir.Write("a.txt", "a");
    dir.Write("ro.txt", "r");
    chmod((dir / "ro.txt").c_str(), 0444);
    std::filesystem::create_directory(dir / "sub");
    struct Case {
        std::string name;
        DWORD attributes;
        DWORD error;
    };
    const Case cases[] = {
        {"sub", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"A.TXT", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"ro.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0},
        {"missing.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"missing\\a.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.attributes, GetFileAttributesA(W(c.name).c_str()));
        if (c.error != 0) {
            EXPECT_EQ(c.error, GetLastError());
        }
    }
    struct _stat st;
    ASSERT_EQ(0, _stat(W("SUB").c_str(), &st));   // the C run time's status by a Windows path
    EXPECT_EQ(_S_IFDIR, st.st_mode & _S_IFMT);
    ASSERT_EQ(0, _wstat(u"W:\\ro.txt", &st));
    EXPECT_EQ(_S_IFREG | _S_IREAD, st.st_mode);
    EXPECT_EQ(1, st.st_size);
    EXPECT_EQ(MTime(dir / "ro.txt").tv_sec, st.st_mtime);
    errno = 0;
    EXPECT_EQ(-1, _stat(W("missing.txt").c_str(), &st));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_TRUE(CreateDirectoryA(W("sub\\new").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(W("SUB\\new").c_str(), nullptr));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(CreateDirectoryW(u"W:\\none\\new", nullptr));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());

    EXPECT_FALSE(DeleteFileA(W("sub").c_str()));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(DeleteFileA(W("ro.txt").c_str()));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(DeleteFileW(u"W:\\a.TXT"));
    EXPECT_FALSE(Exists(dir / "a.txt"));
    EXPECT_FALSE(DeleteFileA(W("a.txt").c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    chmod((dir / "ro.txt").c_str(), 0644);
}

TEST_F(FilesTest, CopyKeepsTheWriteTime) {
    dir.Write("src.dat", std::string("binary\0data", 11));
    SetMTime(dir / "src.dat", 946684800, 500000000);   // 2000-01-01
    ASSERT_TRUE(CopyFileA(W("src.dat").c_str(), W("copy.dat").c_str(), TRUE));
    EXPECT_EQ(std::string("binary\0data", 11), ReadAll(dir / "copy.dat"));
    EXPECT_EQ(946684800, MTime(dir / "copy.dat").tv_sec);
    EXPECT_EQ(500000000, MTime(dir / "copy.dat").tv_nsec);

    dir.Write("copy.dat", "old");
    EXPECT_FALSE(CopyFileA(W("src.dat").c_str(), W("copy.dat").c_str(), TRUE));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ("old", ReadAll(dir / "copy.dat"));
    // A target held open by a writer that denies writing stays as it was.
    HANDLE held = CreateFileA(W("copy.dat").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(CopyFileA(W("src.dat").c_str(), W("copy.dat").c_str(), FALSE));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    CloseHandle(held);
    EXPECT_EQ("old", ReadAll(dir / "copy.dat"));
    EXPECT_TRUE(CopyFileW(u"W:\\SRC.dat", u"W:\\copy.dat", FALSE));
    EXPECT_EQ(11u, ReadAll(dir / "copy.dat").size());
    EXPECT_FALSE(CopyFileA(W("none.dat").c_str(), W("x.dat").c_str(), FALSE));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    // No temporary file is left behind.
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(2u, files);
}

TEST_F(FilesTest, Moves) {
    dir.Write("a.txt", "A");
    dir.Write("b.txt", "B");
    EXPECT_FALSE(MoveFileA(W("a.txt").c_str(), W("b.txt").c_str()));   // onto an existing file
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ("A", ReadAll(dir / "a.txt"));
    EXPECT_EQ("B", ReadAll(dir / "b.txt"));
    EXPECT_TRUE(MoveFileExA(W("a.txt").c_str(), W("b.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(Exists(dir / "a.txt"));
    EXPECT_EQ("A", ReadAll(dir / "b.txt"));
    EXPECT_TRUE(MoveFileW(u"W:\\B.TXT", u"W:\\c.txt"));
    EXPECT_EQ("A", ReadAll(dir / "c.txt"));
    EXPECT_FALSE(MoveFileA(W("none.txt").c_str(), W("d.txt").c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    std::filesystem::create_directory(dir / "folder");
    EXPECT_FALSE(MoveFileExA(W("c.txt").c_str(), W("folder").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());

    // Across file systems: copied with its time, then deleted; replacing when asked.
    SetMTime(dir / "c.txt", 946684800, 0);
    dir.Write("e.txt", "E");
    w32test::FailNext(w32test::Call::Rename, EXDEV);
    EXPECT_TRUE(MoveFileExA(W("c.txt").c_str(), W("e.txt").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED));
    EXPECT_FALSE(Exists(dir / "c.txt"));
    EXPECT_EQ("A", ReadAll(dir / "e.txt"));
    EXPECT_EQ(946684800, MTime(dir / "e.txt").tv_sec);
    w32test::FailNext(w32test::Call::Rename, EXDEV);
    EXPECT_FALSE(MoveFileExA(W("e.txt").c_str(), W("f.txt").c_str(), 0));   // copying not allowed
    EXPECT_EQ(DWORD(ERROR_NOT_SAME_DEVICE), GetLastError());
    w32test::FailNext(w32test::Call::Rename, EXDEV);
    EXPECT_FALSE(MoveFileA(W("folder").c_str(), W("folder2").c_str()));   // a folder never crosses
    EXPECT_EQ(DWORD(ERROR_NOT_SAME_DEVICE), GetLastError());
    EXPECT_EQ("A", ReadAll(dir / "e.txt"));
    EXPECT_TRUE(Exists(dir / "folder"));
}

std::vector<std::string> FindAll(const std::string& pattern, DWORD& error) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return names;
    }
    do names.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    error = GetLastError();
    FindClose(h);
    return names;
}

TEST_F(FilesTest, FindsMatchAsWindowsDoes) {
    for (const char* name : {"gamma", "Alpha.txt", "beta.TXT", "gamma.txt.bak", "Delta.doc", "x.y.txt"})
        dir.Write(std::string("f/") + name, name);
    std::filesystem::create_directory(dir / "f/sub");
    typedef std::vector<std::string> Names;
    struct Case {
        std::string pattern;
        Names names;
        DWORD error;   // 18 at the end of a search, else the failure
    };
    const Names all = {".", "..", "Alpha.txt", "beta.TXT", "Delta.doc", "gamma", "gamma.txt.bak", "sub", "x.y.txt"};
    const Case cases[] = {
        {"W:\\f\\*", all, ERROR_NO_MORE_FILES},
        {"W:\\F\\*.*", all, ERROR_NO_MORE_FILES},                  // with a dot or without
        {"W:\\f\\*.txt", {"Alpha.txt", "beta.TXT", "x.y.txt"}, ERROR_NO_MORE_FILES},
        {"W:\\f\\GAMMA.*", {"gamma", "gamma.txt.bak"}, ERROR_NO_MORE_FILES},   // name.* matches name
        {"W:\\f\\?eta.txt", {"beta.TXT"}, ERROR_NO_MORE_FILES},
        {"W:\\f\\gamm?", {"gamma"}, ERROR_NO_MORE_FILES},
        {"W:\\f\\gamma?", {"gamma"}, ERROR_NO_MORE_FILES},                      // "?" at the end: also nothing
        {"W:\\f\\ALPHA.TXT", {"Alpha.txt"}, ERROR_NO_MORE_FILES},
        {"W:\\f\\*.none", {}, ERROR_FILE_NOT_FOUND},
        {"W:\\nowhere\\*", {}, ERROR_PATH_NOT_FOUND},
        {"W:\\*", {"f"}, ERROR_NO_MORE_FILES},                                  // a drive's root: no "." or ".."
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        DWORD error = 0;
        EXPECT_EQ(c.names, FindAll(c.pattern, error));
        EXPECT_EQ(c.error, error);
    }

    // Sizes and kinds; the W form; a closed search handle.
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(u"W:\\f\\delta.DOC", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(u"Delta.doc", std::u16string(data.cFileName));
    EXPECT_EQ(9u, data.nFileSizeLow);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), data.dwFileAttributes);
    EXPECT_FALSE(FindNextFileW(h, &data));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(FindNextFileW(h, &data));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
