// What the test modules' entry routines saw, kept in a library the tests link so that it outlives
// the modules.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

struct ModuleEvent {
    std::string what;   // "attach" or "detach"
    HINSTANCE handle;
};

std::vector<ModuleEvent>& ModuleEvents();
