// What the test agents did, and how the tests want them to behave; shared by the tests and the agent
// modules they load.
#pragma once

#include <map>
#include <string>
#include <vector>

// Lines such as "open Alpha", "activate Alpha", "close Alpha", "unload Alpha", in order.
std::vector<std::string>& AgentEvents();
// Behaviour switches by name, such as "refuse Alpha" (queryClose answers 0) or "handles Beta"
// (canHandleDocument answers 1); a switch is on when present.
std::map<std::string, std::string>& AgentSwitches();
bool AgentSwitch(const std::string& name);
// The events so far, and forgets them.
std::vector<std::string> TakeAgentEvents();
