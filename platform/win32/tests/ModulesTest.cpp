#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"
#include "modules/Recorder.h"
#include "windows.h"
#include "w32path.h"

namespace {

using w32test_support::EnvVar;
using w32test_support::TempDir;

std::string LibDir() {
    const char* dir = std::getenv("ROG_LIB_DIR");
    return dir != nullptr ? dir : W32_TEST_LIB_DIR;
}

typedef int (*AddFn)(int, int);

TEST(ModulesTest, FindsPlainCppFunctionsByDecoratedNames) {
    HMODULE module = LoadLibraryA((LibDir() + "/libw32testmod.so").c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    typedef void* (*MakeFn)(void*);
    auto make = reinterpret_cast<MakeFn>(GetProcAddress(module, "?TestMake@@YAPAUTestWidget@@PAUTestPlace@@@Z"));
    ASSERT_NE(nullptr, make);
    int place = 0;
    EXPECT_EQ(&place, make(&place));
    // A repeated class (and a repeated pointer) is one substitution; "XZ" is the empty list.
    typedef int (*SumFn)(const void*, const void*, int, unsigned long);
    auto sum = reinterpret_cast<SumFn>(GetProcAddress(module, "?TestSum@@YAHPBUTestPlace@@0HK@Z"));
    ASSERT_NE(nullptr, sum);
    EXPECT_EQ(7, sum(nullptr, nullptr, 3, 4));
    EXPECT_NE(nullptr, GetProcAddress(module, "?TestNothing@@YAXXZ"));
    // Another signature than the module's, or a name that is not decorated as a function: not found.
    for (const char* missing : {"?TestMake@@YAPAUTestWidget@@PAH@Z", "?TestNothing@@YAXH@Z", "?TestNothing@@",
                                "?TestNothing@@YAXXZtrailing"}) {
        SCOPED_TRACE(missing);
        SetLastError(0);
        EXPECT_EQ(nullptr, GetProcAddress(module, missing));
        EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError());
    }
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(ModulesTest, LoadsByDllNameCallsExportsAndEntryRoutine) {
    ModuleEvents().clear();
    // "w32testmod.dll" is found as libw32testmod.so, here by a Windows-form path.
    const std::string name = w32path::ToWindows(LibDir()) + "\\W32TESTMOD.dll";
    HMODULE module = LoadLibraryA(name.c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    ASSERT_EQ(1u, ModuleEvents().size());
    EXPECT_EQ("attach", ModuleEvents()[0].what);
    EXPECT_EQ(module, ModuleEvents()[0].handle);

    auto add = reinterpret_cast<AddFn>(GetProcAddress(module, "TestAdd"));
    ASSERT_NE(nullptr, add);
    EXPECT_EQ(5, add(2, 3));
    auto* counter = reinterpret_cast<int*>(GetProcAddress(module, "TestCounter"));
    ASSERT_NE(nullptr, counter);
    EXPECT_EQ(41, *counter);

    // Only the module's own exports: not its dependency's, not a missing name, no ordinals.
    for (const char* missing : {"DepOnly", "NoSuchFunction", "malloc"}) {
        SCOPED_TRACE(missing);
        SetLastError(0);
        EXPECT_EQ(nullptr, GetProcAddress(module, missing));
        EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError());
    }
    EXPECT_EQ(nullptr, GetProcAddress(module, reinterpret_cast<LPCSTR>(3)));
    EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, GetProcAddress(nullptr, "TestAdd"));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());

    // The handle DllMain saw names the module's file.
    char file[MAX_PATH];
    const DWORD n = GetModuleFileNameA(ModuleEvents()[0].handle, file, MAX_PATH);
    EXPECT_EQ(w32path::ToWindows(LibDir() + "/libw32testmod.so"), std::string(file, n));
    char16_t wide[MAX_PATH];
    EXPECT_EQ(n, GetModuleFileNameW(module, wide, MAX_PATH));

    // A second load is the same module; the first FreeLibrary leaves it loaded.
    HMODULE second = LoadLibraryA((LibDir() + "/libw32testmod.so").c_str());
    EXPECT_EQ(module, second);
    EXPECT_EQ(1u, ModuleEvents().size());
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(1u, ModuleEvents().size());
    EXPECT_EQ(5, add(2, 3));
    EXPECT_TRUE(FreeLibrary(module));
    ASSERT_EQ(2u, ModuleEvents().size());
    EXPECT_EQ("detach", ModuleEvents()[1].what);
    EXPECT_EQ(module, ModuleEvents()[1].handle);

    // Gone: its handle is refused.
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(nullptr, GetProcAddress(module, "TestAdd"));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(ModulesTest, BareNamesAreSoughtBesideTheProgramAndInTheCurrentDirectory) {
    w32test_support::CurrentDir cwd(LibDir());
    HMODULE module = LoadLibraryA("w32testmod");   // no extension: ".dll", then "lib....so"
    ASSERT_NE(nullptr, module) << GetLastError();
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(ModulesTest, RefusedLoads) {
    TempDir dir;
    dir.Write("notalib.dll", "this is text, not a library");
    struct Case {
        std::string name;
        DWORD error;
    };
    const Case cases[] = {
        {dir.Path() + "/missing.dll", ERROR_MOD_NOT_FOUND},
        {"nowhere_at_all.dll", ERROR_MOD_NOT_FOUND},
        {dir.Path() + "/notalib.dll", ERROR_BAD_EXE_FORMAT},
        {LibDir() + "/libw32testunresolved.so", ERROR_PROC_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(nullptr, LoadLibraryA(c.name.c_str()));
        EXPECT_EQ(c.error, GetLastError());
    }

    // An entry routine that refuses: unloaded again, after its detach call.
    ModuleEvents().clear();
    {
        EnvVar refuse("W32_TESTMOD_REFUSE", "1");
        EXPECT_EQ(nullptr, LoadLibraryA((LibDir() + "/w32testmod.dll").c_str()));
        EXPECT_EQ(DWORD(ERROR_DLL_INIT_FAILED), GetLastError());
    }
    ASSERT_EQ(2u, ModuleEvents().size());
    EXPECT_EQ("detach", ModuleEvents()[1].what);
    HMODULE module = LoadLibraryA((LibDir() + "/w32testmod.dll").c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_NE(ModuleEvents()[0].handle, module);   // a new module, a new handle
    FreeLibrary(module);
}

TEST(ModulesTest, ProgramFileNameAndShortBuffers) {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_NE(std::string::npos, std::string(buf, n).find("win32_tests"));
    struct {
        char small[6];
        char guard = 'g';
    } cut;
    EXPECT_EQ(6u, GetModuleFileNameA(nullptr, cut.small, 6));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(std::string(buf, 5), cut.small);   // cut and terminated
    EXPECT_EQ('g', cut.guard);
    EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(0x1234567), buf, MAX_PATH));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
