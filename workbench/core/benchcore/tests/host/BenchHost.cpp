// A host program of the workbench: creates the application and lets it run its Main with the
// command line (headless: SV_SCRIPT drives it). The client name comes from BENCH_CLIENT when set.
// At the end it prints what the test agents did, one line each.
#include <cstdio>
#include <cstdlib>

#include "AgentRecorder.h"
#include "KxBenchApplication.h"

int main(int argc, char** argv) {
    {
        KxBenchApplication app(std::getenv("BENCH_CLIENT"));
        app.Main(argc, argv);
    }
    for (const std::string& line : TakeAgentEvents()) std::printf("%s\n", line.c_str());
    return 0;
}
