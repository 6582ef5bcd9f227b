// A kernel module for the tests: implements the module protocol and records its calls.
#include "KxModule.h"
#include "TestRecorder.h"

extern "C" int32_t KxCheckDll(int32_t flags) {
    KxTestRecord("check " + std::to_string(flags));
    return KxTestCheckResult();
}

extern "C" const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release,
                                     int32_t* build, int32_t* reserved, KxString* name,
                                     KxString* buildStamp, KxString* unknownText,
                                     int32_t* compilerVersion, KxString* compilerName,
                                     KxString* extra) {
    KxTestRecord("describe");
    *major = 11;
    *minor = 0;
    *release = 3;
    *build = 50;
    *reserved = 0;
    *name = "kxtestmodule";
    *buildStamp = "Jan  2 2024 10:11:12";
    *unknownText = "unknown";
    *compilerVersion = 1200;
    *compilerName = "g++";
    *extra = "";
    return "Kernel test module";
}

extern "C" int32_t KxInitDll(int32_t enable) {
    KxTestRecord("init " + std::to_string(enable));
    return enable != 0 ? KxTestInitResult() : 0;
}

extern "C" int32_t KxTestModuleAnswer() { return 42; }
