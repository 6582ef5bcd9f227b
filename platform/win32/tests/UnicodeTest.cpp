// The generic names in a UNICODE build, as the upgrade library is built; the C++ headers included
// after windows.h keep working with its clock.
#define UNICODE
#define _UNICODE
#include <gtest/gtest.h>

#include "windows.h"
#include "tchar.h"

#include <chrono>
#include <ctime>
#include <string>

#include "TestSupport.h"

namespace {

TEST(UnicodeTest, GenericNamesAreTheWideCalls) {
    static_assert(sizeof(TCHAR) == 2 && sizeof(_TCHAR) == 2, "wide texts");
    w32test_support::TempDir dir;
    const std::string path = dir / "unicode.txt";
    const std::u16string wide(path.begin(), path.end());
    HANDLE h = CreateFile(reinterpret_cast<LPCTSTR>(wide.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    WIN32_FIND_DATA data;
    HANDLE f = FindFirstFile(reinterpret_cast<LPCTSTR>(wide.c_str()), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    EXPECT_EQ(std::u16string(_T("unicode.txt")), std::u16string(data.cFileName));
    FindClose(f);
    TCHAR text[64];
    EXPECT_GT(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, text, 64, nullptr), 0u);
    EXPECT_EQ(std::u16string(TEXT("The system cannot find the file specified.\r\n")), std::u16string(text));
    // The standard clocks and the Windows clock side by side.
    EXPECT_GE(std::chrono::steady_clock::now().time_since_epoch().count(), 0);
    EXPECT_GE(clock(), 0);
}

}  // namespace
