#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "windows.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::ReadAll;
using w32test_support::TempDir;

const char* const kLift = "SOFTWARE\\Brenlow\\LiftRunner";

// The registry in a private file.
class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() : file(dir / "registry.reg"), env("W32_REGISTRY", file) {}

    HKEY CreateKey(HKEY root, const char* sub) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        return key;
    }
    void SetText(HKEY key, const char* name, const std::string& value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                                static_cast<DWORD>(value.size() + 1)));
    }
    // Reads a text value with A into a buffer of the given size.
    LSTATUS GetText(HKEY key, const char* name, std::string& out, DWORD size = 256) {
        std::vector<char> buf(size);
        DWORD type = 0;
        LSTATUS rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf.data()), &size);
        if (rc == ERROR_SUCCESS) out.assign(buf.data(), size);
        return rc;
    }

    TempDir dir;
    std::string file;
    EnvVar env;
};

TEST_F(RegistryTest, ValuesKeepTypeAndBytesInTheFile) {
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kLift);
    SetText(key, "Logging", "C:\\logs");
    const DWORD count = 16;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), 4));
    const BYTE bytes[] = {1, 2, 0xff};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Bytes", 0, REG_BINARY, bytes, 3));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    const std::string text = ReadAll(file);
    EXPECT_NE(std::string::npos, text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\r\n"
                                           "\"Logging\"=\"C:\\\\logs\"\r\n"
                                           "\"Count\"=dword:00000010\r\n"
                                           "\"Bytes\"=hex:01,02,ff\r\n"))
        << text;

    // Names ignore case, for keys and values; W reads the stored UTF-16 with its terminator.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\BRENLOW\\liftrunner", 0, KEY_READ, &key));
    char16_t wide[32];
    DWORD size = sizeof wide;
    DWORD type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"LOGGING", nullptr, &type, reinterpret_cast<LPBYTE>(wide), &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(16u, size);
    EXPECT_EQ(u"C:\\logs", std::u16string(wide));
    DWORD n = 0;
    size = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "count", nullptr, &type, reinterpret_cast<LPBYTE>(&n), &size));
    EXPECT_EQ(16u, n);
    // A key opened for reading refuses writes.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4));
    RegCloseKey(key);
}

TEST_F(RegistryTest, QueriesAsWindowsAnswersThem) {
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kLift);
    SetText(key, "Long", std::string(300, 'L'));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Empty", 0, REG_SZ, nullptr, 0));
    // W texts without terminator are kept so, and read so by W and by A.
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"AB"), 4));

    std::string out;
    // 300 characters: a 256-byte buffer gives 234 and the size; a second query reads them whole.
    DWORD size = 256;
    char buf[256];
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Long", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size));
    EXPECT_EQ(301u, size);
    ASSERT_EQ(ERROR_SUCCESS, GetText(key, "Long", out, size));
    EXPECT_EQ(std::string(300, 'L') + '\0', out);
    size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Long", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(602u, size);

    size = 16;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Empty", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size));
    EXPECT_EQ(0u, size);

    ASSERT_EQ(ERROR_SUCCESS, GetText(key, "Raw", out));
    EXPECT_EQ("AB", out);   // no terminator added
    char16_t wide[8];
    size = sizeof wide;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Raw", nullptr, nullptr, reinterpret_cast<LPBYTE>(wide), &size));
    EXPECT_EQ(4u, size);
    EXPECT_NE(std::string::npos, ReadAll(file).find("\"Raw\"=hex(1):41,00,42,00\r\n"));

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetText(key, "Missing", out));
    HKEY missing = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", 0, KEY_READ, &missing));
    EXPECT_EQ(nullptr, missing);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Brenlow", 0, KEY_READ, &missing));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetText(reinterpret_cast<HKEY>(0x1234567), "x", out));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetText(key, "Long", out));   // closed
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST_F(RegistryTest, ValueNamesHoldAnyCharacter) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Steps");
    const std::vector<std::string> names = {
        "\"C:\\Program Files\\tool.exe\" -a \"b c\" \\\\server\\",
        "sqlplus user/pw@db @script.sql log=\"x\"",
        "line\nbreak and = sign",
        "",   // the default value
    };
    for (size_t i = 0; i < names.size(); ++i) SetText(key, names[i].c_str(), "v" + std::to_string(i));
    RegCloseKey(key);
    // Read back from the file afresh.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "steps", 0, KEY_READ, &key));
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        std::string out;
        ASSERT_EQ(ERROR_SUCCESS, GetText(key, names[i].c_str(), out));
        EXPECT_EQ("v" + std::to_string(i) + '\0', out);
    }
    RegCloseKey(key);
    EXPECT_NE(std::string::npos, ReadAll(file).find("@=\"v3\""));
}

TEST_F(RegistryTest, KeysSubKeysAndTheClassesRoot) {
    HKEY deep = CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{1}\\InprocServer32");
    DWORD disposition = 0;
    HKEY again = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "clsid\\{1}", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &again, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    // HKEY_CLASSES_ROOT is a root of its own.
    HKEY other = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "CLSID", 0, KEY_READ, &other));

    // A key with sub-keys is not deleted; its leaves go first, the rest stays.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{1}"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(again, "InprocServer32"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(again, "InprocServer32"));
    std::string out;
    EXPECT_EQ(ERROR_KEY_DELETED, GetText(deep, "x", out));   // its open handle sees it gone
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{1}", 0, KEY_READ, &other));
    RegCloseKey(other);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{1}"));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &other));
    RegCloseKey(other);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CLASSES_ROOT, ""));
    RegCloseKey(again);
    RegCloseKey(deep);

    // Values deleted; a missing one is 2.
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kLift);
    SetText(key, "Logging", "x");
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "logging"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "logging"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, HandWrittenFileIsReadAndMalformedOneRefused) {
    dir.Write("registry.reg",
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
              "; written by hand\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\n"
              "\"SchemaDeltaExe\"=\"C:\\\\tools\\\\SchemaDelta.exe\"\n"
              "\"Wrapped\"=hex(7):41,00,00,00,\\\n"
              "  42,00,00,00,00,00\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLift, 0, KEY_ALL_ACCESS, &key));
    std::string out;
    ASSERT_EQ(ERROR_SUCCESS, GetText(key, "SchemaDeltaExe", out));
    EXPECT_EQ(std::string("C:\\tools\\SchemaDelta.exe") + '\0', out);
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Wrapped", nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD(REG_MULTI_SZ), type);
    EXPECT_EQ(10u, size);

    const char* const broken[] = {
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n",
        "Windows Registry Editor Version 5.00\n\"early\"=\"value\"\n",
        "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\x]\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n\"v\"=dword:xyz\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n\"v\"=\"open\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x\\\\y]\n",
    };
    for (const char* text : broken) {
        SCOPED_TRACE(text);
        dir.Write("registry.reg", text);
        EXPECT_EQ(ERROR_BADDB, GetText(key, "SchemaDeltaExe", out));
        EXPECT_EQ(ERROR_BADDB, RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 0));
        HKEY k2 = nullptr;
        EXPECT_EQ(ERROR_BADDB, RegCreateKeyExA(HKEY_CURRENT_USER, "y", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k2, nullptr));
        EXPECT_EQ(text, ReadAll(file));   // left as it was
    }
    RegCloseKey(key);
}

TEST(RegistryMemoryTest, WithoutAFileTheProcessKeepsItInMemory) {
    EnvVar env("W32_REGISTRY", std::nullopt);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\M", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2));
    RegCloseKey(key);
    char buf[8];
    DWORD size = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\m", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "V", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size));
    EXPECT_STREQ("x", buf);
    RegCloseKey(key);
}

// Two processes write 100 values each at the same time; a third finds all 200.
TEST_F(RegistryTest, ConcurrentWritersInTwoProcessesLoseNothing) {
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kLift);
    RegCloseKey(key);
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)read(gate[0], &c, 1);   // both start when the gate closes
            HKEY k = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLift, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) _exit(2);
            for (DWORD i = 0; i < 100; ++i) {
                const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
                if (RegSetValueExA(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) != ERROR_SUCCESS)
                    _exit(3);
            }
            _exit(0);
        }
        writers.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const pid_t reader = fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLift, 0, KEY_READ, &k) != ERROR_SUCCESS) _exit(2);
        for (int w = 0; w < 2; ++w) {
            for (DWORD i = 0; i < 100; ++i) {
                const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
                DWORD v = 0, size = 4;
                if (RegQueryValueExA(k, name.c_str(), nullptr, nullptr, reinterpret_cast<LPBYTE>(&v), &size) !=
                        ERROR_SUCCESS ||
                    v != i)
                    _exit(1);
            }
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(reader, waitpid(reader, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
