#include "kxfound.h"

#include <dlfcn.h>

int32_t KxDynamicLoader::GetEntryPoint(const char* name, void* module, void** out) {
    if (!out) return KX_FOUND_E_INVALID;
    *out = nullptr;
    if (!name || !module) return KX_FOUND_E_INVALID;
    dlerror();  // clear a stale error
    void* sym = dlsym(module, name);
    if (!sym) return KX_FOUND_E_NO_ENTRY;
    *out = sym;
    return KX_FOUND_OK;
}
