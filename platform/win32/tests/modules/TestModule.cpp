// A test module: an export, a datum, a call into its dependency, and an entry routine that records
// what it sees (and refuses to attach while W32_TESTMOD_REFUSE is set).
#include <cstdlib>

#include "Recorder.h"
#include "windows.h"

extern "C" int DepOnly();

extern "C" int TestAdd(int a, int b) { return a + b + DepOnly() - 7; }

extern "C" {
int TestCounter = 41;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        ModuleEvents().push_back({"attach", instance});
        return std::getenv("W32_TESTMOD_REFUSE") == nullptr;
    }
    if (reason == DLL_PROCESS_DETACH) ModuleEvents().push_back({"detach", instance});
    return TRUE;
}

// Plain C++ functions, found by the decorated names a Windows compiler gives them.
struct TestWidget;
struct TestPlace;
TestWidget* TestMake(TestPlace* place) { return reinterpret_cast<TestWidget*>(place); }
int TestSum(const TestPlace*, const TestPlace*, int a, unsigned long b) { return a + int(b); }
void TestNothing() { ++TestCounter; }
