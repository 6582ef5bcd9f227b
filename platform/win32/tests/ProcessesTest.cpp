#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "w32test.h"
#include "windows.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::ReadAll;
using w32test_support::TempDir;

typedef std::vector<std::string> Args;

TEST(CommandLineTest, SplitsByWindowsQuotingRules) {
    struct Case {
        std::string line;
        Args args;
    };
    const Case cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  prog\t a   b  ", {"prog", "a", "b"}},
        {"\"C:\\Program Files\\x.exe\" \"a b\" c", {"C:\\Program Files\\x.exe", "a b", "c"}},
        {"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},            // \" is a quote; \\" a backslash
        {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},         // backslashes are plain
        {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},                      // three and a quote
        {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},              // four and a quote
        {"p \"C:\\dir\\\\\" next", {"p", "C:\\dir\\", "next"}},               // a trailing backslash, quoted
        {"p C:\\dir\\ next", {"p", "C:\\dir\\", "next"}},                     // ... unquoted
        {"p \"\" b \"\"", {"p", "", "b", ""}},                                  // empty arguments
        {"p a\"b\"\" c d", {"p", "ab\"", "c", "d"}},                          // "" inside quotes
        {"p \"open quote", {"p", "open quote"}},
        {"\"C:\\a\\\" b", {"C:\\a\\", "b"}},                                    // the program name keeps backslashes
        {"", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.args, w32test::SplitCommandLine(c.line));
    }
}

// A folder for files and FIFOs; the test program w32child lies beside this one.
class ProcessesTest : public ::testing::Test {
protected:
    PROCESS_INFORMATION Start(std::string line, DWORD flags, void* env = nullptr, const char* dirArg = nullptr) {
        STARTUPINFOA si = {};   // record size and show fields are not checked
        PROCESS_INFORMATION pi = {};
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, env, dirArg, &si, &pi))
            << line << " " << GetLastError();
        return pi;
    }
    void Close(const PROCESS_INFORMATION& pi) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    std::string Fifo(const std::string& name) {
        const std::string path = dir / name;
        EXPECT_EQ(0, mkfifo(path.c_str(), 0600));
        return path;
    }
    // Opening the FIFO for writing meets the child's open; closing it releases the child.
    static void Release(const std::string& fifo) {
        const int fd = open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    TempDir dir;
};

TEST_F(ProcessesTest, ChildGetsArgumentsDirectoryEnvironmentAndNoInput) {
    std::filesystem::create_directory(dir / "work dir");
    const std::string out = dir / "report.txt";
    // A UTF-16 environment block with one variable.
    const std::u16string block = std::u16string(u"W32_CHILD_VAR=caf\u00e9 au lait") + u'\0' + u'\0';
    EnvVar drive("W32_DRIVE_T", dir.Path());
    PROCESS_INFORMATION pi = Start("w32child report \"" + out + "\" \"two words\" \"\" tail\\\\ \"q\\\"uote\"",
                                   CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                                   const_cast<char16_t*>(block.data()), "T:\\WORK DIR");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
    DWORD code = 99;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(0u, code);
    Close(pi);
    EXPECT_EQ("arg[0]=w32child\n"
              "arg[1]=report\n"
              "arg[2]=" + out + "\n"
              "arg[3]=two words\n"
              "arg[4]=\n"
              "arg[5]=tail\\\\\n"
              "arg[6]=q\"uote\n"
              "cwd=" + dir.Path() + "/work dir\n"
              "var=caf\xC3\xA9 au lait\n"
              "home=(unset)\n"
              "input=end\n",
              ReadAll(out));

    // Without a block the child gets the caller's environment, as set now.
    EnvVar var("W32_CHILD_VAR", "inherited");
    pi = Start("w32child.exe report " + out, CREATE_NEW_CONSOLE);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
    Close(pi);
    EXPECT_NE(std::string::npos, ReadAll(out).find("var=inherited\n"));
}

TEST_F(ProcessesTest, WaitsInStepsUntilTheChildIsReleased) {
    const std::string fifo = Fifo("gate");
    PROCESS_INFORMATION pi = Start("w32child block " + fifo + " 3", CREATE_NO_WINDOW);
    int timeouts = 0;
    DWORD rc;
    while ((rc = WaitForSingleObject(pi.hProcess, 333)) == WAIT_TIMEOUT) {
        if (timeouts < 2) {   // held: still running
            DWORD code = 0;
            EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
            EXPECT_EQ(DWORD(STILL_ACTIVE), code);
        }
        if (++timeouts == 2) Release(fifo);   // the child cannot end before this
    }
    EXPECT_EQ(WAIT_OBJECT_0, rc);
    // Two steps time out while the child is held; after the release a loaded machine may need more steps
    // before the child has ended, so only the held ones are counted exactly.
    EXPECT_GE(timeouts, 2);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(3u, code);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hThread, 0));   // still waitable
    // Reaped: no zombie is left behind.
    EXPECT_EQ(-1, kill(static_cast<pid_t>(pi.dwProcessId), 0));
    EXPECT_EQ(ESRCH, errno);
    Close(pi);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(pi.hProcess, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(ProcessesTest, TwoThreadsWaitingOnOneChildBothReadItsCode) {
    const std::string fifo = Fifo("gate");
    PROCESS_INFORMATION pi = Start("w32child block " + fifo + " 3", CREATE_NO_WINDOW);
    DWORD codes[2] = {0, 0};
    DWORD waits[2] = {99, 99};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&, i] {
            waits[i] = WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &codes[i]);
        });
    Release(fifo);
    for (std::thread& t : waiters) t.join();
    EXPECT_EQ(WAIT_OBJECT_0, waits[0]);
    EXPECT_EQ(WAIT_OBJECT_0, waits[1]);
    EXPECT_EQ(3u, codes[0]);
    EXPECT_EQ(3u, codes[1]);
    Close(pi);
}

TEST_F(ProcessesTest, SuspendedChildIsIdleUntilResumed) {
    const std::string out = dir / "report.txt";
    PROCESS_INFORMATION pi = Start("w32child report " + out, CREATE_SUSPENDED | CREATE_NO_WINDOW);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(pi.hProcess, 0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(DWORD(STILL_ACTIVE), code);
    struct stat st;
    EXPECT_NE(0, stat(out.c_str(), &st));   // it has run nothing
    EXPECT_EQ(1u, ResumeThread(pi.hThread));
    EXPECT_EQ(0u, ResumeThread(pi.hThread));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
    EXPECT_NE(std::string::npos, ReadAll(out).find("arg[1]=report"));
    Close(pi);
    EXPECT_EQ(DWORD(-1), ResumeThread(pi.hThread));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(ProcessesTest, ProgramsThatCannotStartLeaveNoChild) {
    dir.Write("notexec", "#!/bin/sh\n");
    dir.Write("text.exe", "just text");
    chmod((dir / "text.exe").c_str(), 0755);
    struct Case {
        std::string line;
        const char* directory;
        DWORD error;
    };
    const Case cases[] = {
        {"no_such_program_anywhere arg", nullptr, ERROR_FILE_NOT_FOUND},
        {dir / "missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
        {dir / "notexec", nullptr, ERROR_ACCESS_DENIED},
        {dir / "text", nullptr, ERROR_BAD_EXE_FORMAT},                     // ".exe" added
        {"w32child exit 0", "/no/such/folder", ERROR_DIRECTORY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        STARTUPINFOA si = {};
        PROCESS_INFORMATION pi = {};
        std::string line = c.line;
        EXPECT_FALSE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, c.directory, &si, &pi));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(nullptr, pi.hProcess);
        errno = 0;
        EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));   // no child was made
        EXPECT_EQ(ECHILD, errno);
    }

    // The hook fails the next start of a program that exists, and only that one.
    w32test::FailNext(w32test::Call::StartProcess, ERROR_FILE_NOT_FOUND);
    for (bool fails : {true, false}) {
        STARTUPINFOA si = {};
        PROCESS_INFORMATION pi = {};
        std::string line = "w32child exit 0";
        EXPECT_EQ(!fails, CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE);
        if (fails) {
            EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
            EXPECT_EQ(nullptr, pi.hProcess);
            continue;
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

TEST(ThreadsTest, ThreadsRunWaitAndResume) {
    static int seen = 0;
    auto routine = [](LPVOID p) -> DWORD {
        seen = *static_cast<int*>(p);
        return 7;
    };
    int value = 42;
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, routine, &value, CREATE_SUSPENDED, &id);
    ASSERT_NE(nullptr, t);
    EXPECT_NE(0u, id);
    EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(t, 0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(DWORD(STILL_ACTIVE), code);
    EXPECT_EQ(1u, ResumeThread(t));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(7u, code);
    EXPECT_EQ(42, seen);
    EXPECT_TRUE(CloseHandle(t));

    // The hook fails the next creation only.
    w32test::FailNext(w32test::Call::StartThread, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, routine, &value, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    t = CreateThread(nullptr, 0, routine, &value, 0, nullptr);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
    CloseHandle(t);
}

TEST(EnvironmentTest, VariablesBlocksAndTheComputerName) {
    EnvVar a("W32_Mixed_Case", "one");
    EnvVar computer("COMPUTERNAME", std::nullopt);
    char buf[64];
    EXPECT_EQ(3u, GetEnvironmentVariableA("W32_MIXED_CASE", buf, sizeof buf));   // case ignored
    EXPECT_STREQ("one", buf);
    EXPECT_EQ(4u, GetEnvironmentVariableA("W32_Mixed_Case", buf, 3));              // too small: size needed
    EXPECT_EQ(0u, GetEnvironmentVariableA("W32_NOT_SET_AT_ALL", buf, sizeof buf));
    EXPECT_EQ(DWORD(ERROR_ENVVAR_NOT_FOUND), GetLastError());

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::string upper = host;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    char16_t name[256];
    const DWORD n = GetEnvironmentVariableW(u"COMPUTERNAME", name, 256);
    EXPECT_EQ(upper.size(), n);
    EXPECT_EQ(std::u16string(upper.begin(), upper.end()), std::u16string(name, n));

    EXPECT_TRUE(SetEnvironmentVariableW(u"w32_mixed_case", u"two"));   // replaces the other spelling
    EXPECT_EQ(nullptr, getenv("W32_Mixed_Case"));
    EXPECT_STREQ("two", getenv("w32_mixed_case"));
    char16_t* block = GetEnvironmentStringsW();
    ASSERT_NE(nullptr, block);
    bool found = false;
    for (const char16_t* p = block; *p != 0; p += std::u16string(p).size() + 1)
        found = found || std::u16string(p) == u"w32_mixed_case=two";
    EXPECT_TRUE(found);
    EXPECT_TRUE(FreeEnvironmentStringsW(block));
    EXPECT_TRUE(SetEnvironmentVariableA("w32_mixed_case", nullptr));
    EXPECT_EQ(nullptr, getenv("w32_mixed_case"));
    EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
