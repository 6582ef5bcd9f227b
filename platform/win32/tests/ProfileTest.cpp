#include <gtest/gtest.h>

#include <string>

#include "IniCases.h"
#include "TestSupport.h"
#include "windows.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::TempDir;

class ProfileTest : public ::testing::Test {
protected:
    ProfileTest() : drive("W32_DRIVE_K", dir.Path()) { dir.Write("cfg/kelvox.cfg", w32ini_cases::kIniText); }
    TempDir dir;
    EnvVar drive;
};

// The same table as the kernel's KxConfig reads.
TEST_F(ProfileTest, ReadsAsTheKernelConfiguration) {
    for (const w32ini_cases::Lookup& c : w32ini_cases::kLookups) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key);
        char buf[256];
        const DWORD n = GetPrivateProfileStringA(c.section, c.key, "DEF", buf, sizeof buf, "K:\\CFG\\Kelvox.cfg");
        const std::string expected = c.value != nullptr ? c.value : "DEF";
        EXPECT_EQ(expected, buf);
        EXPECT_EQ(expected.size(), n);
        EXPECT_EQ(c.value != nullptr ? DWORD(ERROR_SUCCESS) : DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    }
}

TEST_F(ProfileTest, CutsToTheBufferAndFallsBackToTheDefault) {
    const std::string file = dir.Path() + "/cfg/kelvox.cfg";
    char buf[4];
    EXPECT_EQ(3u, GetPrivateProfileStringA("databases\\shop\\RelationalObjectGateway", "TraceModules", "", buf,
                                           sizeof buf, file.c_str()));
    EXPECT_STREQ("SM,", buf);
    char16_t wide[4];
    EXPECT_EQ(3u, GetPrivateProfileStringW(u"servers\\ORA1", u"Text", u"", wide, 4, u"K:\\cfg\\kelvox.cfg"));
    EXPECT_EQ(u"caf", std::u16string(wide));
    char16_t wideAll[16];
    EXPECT_EQ(4u, GetPrivateProfileStringW(u"servers\\ORA1", u"Text", u"", wideAll, 16, u"K:\\cfg\\kelvox.cfg"));
    EXPECT_EQ(u"caf\u00e9", std::u16string(wideAll));

    // A missing file or section gives the default, its trailing blanks dropped, cut like a value.
    char big[64];
    EXPECT_EQ(7u, GetPrivateProfileStringA("servers\\ORA1", "Text", "default  ", big, sizeof big, "K:\\none.cfg"));
    EXPECT_STREQ("default", big);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(0u, GetPrivateProfileStringA("nowhere", "Text", nullptr, big, sizeof big, file.c_str()));
    EXPECT_STREQ("", big);
    EXPECT_EQ(3u, GetPrivateProfileStringA("nowhere", "Text", "default", buf, sizeof buf, file.c_str()));
    EXPECT_STREQ("def", buf);
    EXPECT_EQ(0u, GetPrivateProfileStringA("x", "y", "z", big, 0, file.c_str()));   // no room: nothing

    // A value of 300 characters read through a buffer of 256 keeps 255.
    dir.Write("long.cfg", "[schemata\\dict]\nname=" + std::string(300, 'p') + "\n");
    char path[256];
    EXPECT_EQ(255u, GetPrivateProfileStringA("schemata\\dict", "name", "", path, sizeof path, "K:\\long.cfg"));
    EXPECT_EQ(std::string(255, 'p'), path);
}

}  // namespace
