// The main job: shows what the kernel libraries of this installation are.
#include <cstdio>

#include "kxfound.h"

int main()
{
    const char* version = nullptr;
    const char* build = nullptr;
    const char* compiler = nullptr;
    const char* compilerVersion = nullptr;
    GetKxVersionInfo(&version, &build, &compiler, &compilerVersion);
    std::printf("Tessaform kernel %s (%s), built with %s %s\n", version, build, compiler, compilerVersion);
    return 0;
}
