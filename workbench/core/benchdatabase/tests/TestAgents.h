// Helpers of the document tests: the core tests' agent and diagnostic output, and a run inside an
// application's main loop whose boxes a script answers.
#pragma once

#include <functional>
#include <utility>

#include "BenchTestAgents.h"

namespace doctest {

using benchtest::Diagnostics;
using benchtest::LocalAgent;

// Runs the action inside an application's main loop; the script answers its boxes.
inline void InMainLoop(const char* script, std::function<void()> action) {
    benchtest::InMainLoop(script, "documents.sv", std::move(action));
}

}  // namespace doctest
