// The main job: starts the kernel, loads the relational gateway through the kernel's module
// registry and shows what it is.
#include <cstdio>

#include "kxfound.h"
#include "kxkernel.h"

int main()
{
    const char* version = nullptr;
    const char* build = nullptr;
    const char* compiler = nullptr;
    const char* compilerVersion = nullptr;
    GetKxVersionInfo(&version, &build, &compiler, &compilerVersion);
    std::printf("Tessaform kernel %s (%s), built with %s %s\n", version, build, compiler, compilerVersion);

    KxParameterSet parameters;
    parameters.Append("ClientName", "demo");
    if (InitKelvox(&parameters) < 0) {
        std::fprintf(stderr, "the kernel did not start\n");
        return 1;
    }
    int rc = 0;
    KxDllManager* modules = KxBase::KELVOX()->GetDllManager();
    KxString file = DllNameClass::GetDllName("relgate");
    KxLoadableModule* gateway = modules->GetLoadable(file);
    if (!gateway) {
        gateway = new KxLoadableModule(file);
        modules->RegisterDll(gateway);
    }
    if (gateway->Load() != 0) {
        std::fprintf(stderr, "cannot load %s: %s\n", file.StrGet(), gateway->GetLastError().StrGet());
        rc = 1;
    } else {
        const KxModuleDescription& d = gateway->GetDescription();
        std::printf("module      %s\n", d.name.StrGet());
        std::printf("version     %d.%d.%d.%d\n", d.major, d.minor, d.release, d.build);
        std::printf("built       %s\n", d.buildStamp.StrGet());
        std::printf("compiler    %s %d\n", d.compilerName.StrGet(), d.compilerVersion);
        std::printf("description %s\n", d.description.StrGet());
        gateway->Unload();
    }
    DeinitKelvox();
    return rc;
}
