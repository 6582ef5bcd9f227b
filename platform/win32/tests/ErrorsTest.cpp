#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "windows.h"

namespace {

TEST(ErrorTextTest, SystemTextsEndWithCrLf) {
    struct Case {
        DWORD code;
        const char* text;
    };
    const Case cases[] = {
        {2, "The system cannot find the file specified."},
        {3, "The system cannot find the path specified."},
        {5, "Access is denied."},
        {6, "The handle is invalid."},
        {18, "There are no more files."},
        {32, "The process cannot access the file because it is being used by another process."},
        {80, "The file exists."},
        {87, "The parameter is incorrect."},
        {112, "There is not enough space on the disk."},
        {122, "The data area passed to a system call is too small."},
        {123, "The filename, directory name, or volume label syntax is incorrect."},
        {126, "The specified module could not be found."},
        {127, "The specified procedure could not be found."},
        {170, "The requested resource is in use."},
        {183, "Cannot create a file when that file already exists."},
        {193, "%1 is not a valid Win32 application."},
        {206, "The filename or extension is too long."},
        {234, "More data is available."},
        {267, "The directory name is invalid."},
        {1009, "The configuration registry database is corrupt."},
        {1114, "A dynamic link library (DLL) initialization routine failed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        char buf[256];
        const std::string expected = std::string(c.text) + "\r\n";
        EXPECT_EQ(expected.size(), FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                                  nullptr, c.code, 0, buf, sizeof buf, nullptr));
        EXPECT_EQ(expected, buf);
    }
}

TEST(ErrorTextTest, AllocatedBufferShortBufferAndUnknownCode) {
    // Allocated by the call, released with LocalFree.
    char16_t* wide = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                                   ERROR_ACCESS_DENIED, 0, reinterpret_cast<LPWSTR>(&wide), 0, nullptr);
    ASSERT_EQ(19u, n);
    EXPECT_EQ(u"Access is denied.\r\n", std::u16string(wide));
    EXPECT_EQ(nullptr, LocalFree(wide));

    // The caller's buffer too small: nothing written past it, 122.
    char small[8];
    std::memset(small, 'x', sizeof small);
    char guard = 'g';
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0, small, sizeof small, nullptr));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ('g', guard);

    // A number without text, and a source other than the system's table.
    char buf[64];
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 4711, 0, buf, sizeof buf, nullptr));
    EXPECT_EQ(DWORD(ERROR_MR_MID_NOT_FOUND), GetLastError());
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "x", 0, 0, buf, sizeof buf, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(ErrorTextTest, LocalFreeRefusesForeignBlocks) {
    HLOCAL block = LocalAlloc(LPTR, 16);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, static_cast<char*>(block)[15]);
    EXPECT_EQ(nullptr, LocalFree(block));
    int onStack = 0;
    EXPECT_EQ(&onStack, LocalFree(&onStack));   // never freed: handed back with 6
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(nullptr, LocalFree(nullptr));
}

TEST(LastErrorTest, EachThreadHasItsOwn) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    DWORD other = 99;
    std::thread([&] { other = GetLastError(); SetLastError(5); }).join();
    EXPECT_EQ(0u, other);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(HandleTest, NullForeignAndClosedHandlesGiveInvalidHandle) {
    for (HANDLE h : {HANDLE(nullptr), INVALID_HANDLE_VALUE, HANDLE(0x1234567)}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    }
}

}  // namespace
