#include "AgentRecorder.h"

std::vector<std::string>& AgentEvents() {
    static std::vector<std::string> events;
    return events;
}

std::map<std::string, std::string>& AgentSwitches() {
    static std::map<std::string, std::string> switches;
    return switches;
}

bool AgentSwitch(const std::string& name) { return AgentSwitches().count(name) != 0; }

std::vector<std::string> TakeAgentEvents() {
    std::vector<std::string> events;
    events.swap(AgentEvents());
    return events;
}
