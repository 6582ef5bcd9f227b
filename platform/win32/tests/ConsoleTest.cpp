#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "process.h"
#include "w32test.h"
#include "windows.h"

namespace {

// Captures the console and the debugger output for a test's lifetime.
class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest() {
        w32test::SetConsoleHook([this](int stream, const std::string& text) { console.emplace_back(stream, text); });
        w32test::SetDebugOutputHook([this](const std::string& text) { debug.push_back(text); });
        w32test::TakeMessageBoxes();
        w32test::TakeMessageBeeps();
        w32test::TakeConsoleCalls();
    }
    ~ConsoleTest() override {
        w32test::SetConsoleHook(nullptr);
        w32test::SetDebugOutputHook(nullptr);
    }
    std::string Printed(const char16_t* format, ...) {
        console.clear();
        va_list args;
        va_start(args, format);
        lastCount = vwprintf(format, args);
        va_end(args);
        std::string all;
        for (const auto& c : console) all += c.second;
        return all;
    }
    std::vector<std::pair<int, std::string>> console;
    std::vector<std::string> debug;
    int lastCount = 0;
};

TEST_F(ConsoleTest, WprintfFormatsAsWindowsAndWritesUtf8) {
    EXPECT_EQ("wide and narrow and hs", Printed(u"%s and %S and %hs", u"wide", "narrow", "hs"));
    EXPECT_EQ(22, lastCount);
    EXPECT_EQ("caf\xC3\xA9 \xF0\x9F\x98\x80", Printed(u"%ls %s", u"caf\u00e9", u"\U0001F600"));
    EXPECT_EQ(7, lastCount);   // UTF-16 units
    EXPECT_EQ("[   42|42   |00042|-7|ff|FF]", Printed(u"[%5d|%-5d|%05d|%i|%x|%X]", 42, 42, 42, -7, 255u, 255u));
    EXPECT_EQ("9000000000 -9000000000 4294967295 100%",
              Printed(u"%I64d %lld %u 100%%", 9000000000LL, -9000000000LL, 4294967295u));
    EXPECT_EQ("3.14|  2.50|1.000000e+01", Printed(u"%.2f|%6.2f|%e", 3.14159, 2.5, 10.0));
    EXPECT_EQ("ab|   xy|abc", Printed(u"%c%C|%*s|%.3s", u'a', 'b', 5, u"xy", u"abcdef"));
    EXPECT_EQ("(null) (null)", Printed(u"%s %S", static_cast<const char16_t*>(nullptr), static_cast<const char*>(nullptr)));
    EXPECT_EQ("00000000000000FF", Printed(u"%p", reinterpret_cast<void*>(0xff)));
    ASSERT_EQ(1u, console.size());
    EXPECT_EQ(1, console[0].first);   // standard output
}

TEST_F(ConsoleTest, StandardHandlesDebugOutputBoxesAndBeeps) {
    EXPECT_TRUE(AllocConsole());
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(GetStdHandle(STD_ERROR_HANDLE), "to error\n", 9, &n, nullptr));
    EXPECT_EQ(9u, n);
    EXPECT_TRUE(WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "to output", 9, &n, nullptr));
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), GetStdHandle(STD_ERROR_HANDLE));
    EXPECT_TRUE(CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE)));   // the standard handles stay
    EXPECT_TRUE(WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "!", 1, &n, nullptr));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{2, "to error\n"}, {1, "to output"}, {1, "!"}}), console);
    EXPECT_EQ(INVALID_HANDLE_VALUE, GetStdHandle(42));
    EXPECT_TRUE(FreeConsole());
    EXPECT_EQ((std::vector<std::string>{"AllocConsole", "FreeConsole"}), w32test::TakeConsoleCalls());
    EXPECT_TRUE(w32test::TakeConsoleCalls().empty());

    OutputDebugStringA("Tessaform Workbench Console I/O enabled.\n");
    OutputDebugStringW(u"caf\u00e9");
    EXPECT_EQ((std::vector<std::string>{"Tessaform Workbench Console I/O enabled.\n", "caf\xC3\xA9"}), debug);

    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Agent Manager : cannot load agent", "Warning", MB_OK | MB_ICONWARNING));
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"\u00fcber", nullptr, MB_YESNO));
    const std::vector<w32test::MessageBoxRecord> boxes = w32test::TakeMessageBoxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Warning", boxes[0].caption);
    EXPECT_EQ("Agent Manager : cannot load agent", boxes[0].text);
    EXPECT_EQ(uint32_t(MB_OK | MB_ICONWARNING), boxes[0].type);
    EXPECT_EQ("Error", boxes[1].caption);   // Windows' caption for none
    EXPECT_EQ("\xC3\xBC" "ber", boxes[1].text);
    EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
    EXPECT_TRUE(MessageBeep(MB_ICONASTERISK));
    EXPECT_EQ(2, w32test::TakeMessageBeeps());
    EXPECT_EQ(0, w32test::TakeMessageBeeps());
}

TEST(VersionTest, NtUnlessTheHookSaysOtherwise) {
    const DWORD v = GetVersion();
    EXPECT_EQ(0u, v & 0x80000000u);
    EXPECT_EQ(5u, v & 0xff);
    w32test::SetWindows9x(true);
    EXPECT_NE(0u, GetVersion() & 0x80000000u);
    w32test::SetWindows9x(false);
    EXPECT_EQ(v, GetVersion());
}

TEST(RunTimeTest, ClockCountsWallMillisecondsSinceStart) {
    EXPECT_EQ(1000, CLOCKS_PER_SEC);
    const clock_t before = clock();
    EXPECT_GE(before, 0);
    Sleep(300);   // asleep, the processor time would not move
    EXPECT_GE(clock() - before, 300);
}

TEST(RunTimeTest, ClockHookHoldsTheClock) {
    long now = 5000;
    w32test::SetClockHook([&now] { return now; });
    EXPECT_EQ(clock(), 5000);
    now += 250;
    EXPECT_EQ(clock(), 5250);
    w32test::SetClockHook(nullptr);
    EXPECT_LT(clock(), 5000 * 1000);   // the wall milliseconds since start again
}

int Measured(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = _vscwprintf(format, args);
    va_end(args);
    return n;
}

int IntoBuffer(char16_t* buffer, size_t count, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = _vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

TEST(RunTimeTest, FormattingIntoMemory) {
    EXPECT_EQ(Measured(u"%s-%5d", u"ab", 7), 8);
    char16_t buffer[9];
    std::u16string(8, u'x').copy(buffer, 8);
    buffer[8] = u'#';
    EXPECT_EQ(IntoBuffer(buffer, 9, u"%s-%5d", u"ab", 7), 8);
    EXPECT_EQ(std::u16string(buffer), u"ab-    7");
    buffer[8] = u'#';
    EXPECT_EQ(IntoBuffer(buffer, 8, u"%s-%5d", u"ab", 7), 8);   // fills it exactly: no terminator
    EXPECT_EQ(buffer[8], u'#');
    EXPECT_EQ(IntoBuffer(buffer, 4, u"%s-%5d", u"ab", 7), -1);   // too long: cut
    EXPECT_EQ(std::u16string(buffer, 4), u"ab- ");
    EXPECT_EQ(IntoBuffer(nullptr, 0, u"%S", "four"), 4);
}

TEST(RunTimeTest, TextConversionsBothWays) {
    char16_t wide[16];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "G\xC3\xA4x", -1, nullptr, 0), 4);   // with the terminator
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "G\xC3\xA4x", -1, wide, 16), 4);
    EXPECT_EQ(std::u16string(wide), u"G\u00E4x");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, wide, 16), 2);   // a count: no terminator
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, wide, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xFF", 2, wide, 16), 2);
    EXPECT_EQ(wide[1], u'\uFFFD');
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, wide, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    char narrow[16];
    BOOL usedDefault = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"G\u00E4\U0001F600", -1, narrow, 16, nullptr, &usedDefault), 8);
    EXPECT_STREQ(narrow, "G\xC3\xA4\xF0\x9F\x98\x80");
    EXPECT_FALSE(usedDefault);
    const char16_t lone[] = {u'a', 0xD800, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, narrow, 16, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 2, narrow, 2, nullptr, nullptr), 0);   // "a" and U+FFFD need 4
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(RunTimeTest, ProcessIdProgramPathAndEnglishTimes) {
    EXPECT_EQ(getpid(), _getpid());
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(_getpid()));
    char* program = nullptr;
    ASSERT_EQ(0, _get_pgmptr(&program));
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_STREQ(module, program);
    char16_t* wide = nullptr;
    ASSERT_EQ(0, _get_wpgmptr(&wide));
    EXPECT_NE(nullptr, wide);

    struct tm t = {};
    t.tm_year = 111;
    t.tm_mon = 4;
    t.tm_mday = 17;
    t.tm_hour = 16;
    t.tm_min = 53;
    t.tm_sec = 23;
    t.tm_wday = 2;
    char16_t buf[128];
    ASSERT_EQ(32u, wcsftime(buf, 128, u"%A, %B %d, %Y ; %H:%M:%S", &t));
    EXPECT_EQ(u"Tuesday, May 17, 2011 ; 16:53:23", std::u16string(buf));
    EXPECT_EQ(0u, wcsftime(buf, 10, u"%A, %B %d, %Y", &t));   // too small

    __time64_t now = 0;
    EXPECT_EQ(_time64(&now), now);
    EXPECT_GT(now, 1600000000);
    ASSERT_NE(nullptr, _localtime64(&now));
}

}  // namespace
