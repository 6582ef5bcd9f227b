#include "Recorder.h"

std::vector<ModuleEvent>& ModuleEvents() {
    static std::vector<ModuleEvent> events;
    return events;
}
