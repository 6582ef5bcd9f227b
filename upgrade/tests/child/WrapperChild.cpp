// Loads a step library as the upgrader does and runs its wrapper steps:
//   schemalift_wrapper_child <step library> <convert|check> <log directory>
// The progress output writes its log "wrapper.log" into the log directory.
#include <windows.h>

#include <memory>

#include "XKxBaseFunctions.h"
#include "XLogging.h"
#include "XProgressOutput.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    CString library;
    library.Format(u"%S", argv[1]);
    HMODULE module = LoadLibraryW(library.GetString());
    if (module == nullptr) return 3;
    using Steps = int (*)(const char*);
    auto run = reinterpret_cast<Steps>(GetProcAddress(module, "RunWrapperSteps"));
    if (run == nullptr) return 4;
    CString directory;
    directory.Format(u"%S", argv[3]);
    auto log = std::make_unique<XLogging>(u"5.4", true);
    if (log->Open(directory, u"wrapper", u"") != 0) return 5;
    XProgressOutput display(u"LiftRunner", std::move(log), nullptr);
    SetProgressOutput(&display);
    const int result = run(argv[2]);
    SetProgressOutput(nullptr);
    return result == 0 ? 0 : 6;
}
