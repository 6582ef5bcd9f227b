// The first and the last stream of a process, seen in the probe program (tests/probe): the sink
// chosen by "KXHOME", the banner once, the console opened and closed, a library loaded again.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string RunProbe(const std::string& environment) {
    const std::string command = environment + " '" WOSTREAM_PROBE "' '" WOSTREAM_PROBE_MODULE "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "cannot start";
    std::string out;
    char buffer[256];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return status == 0 ? out : out + "exit status " + std::to_string(status);
}

// The second round of every run: "KXHOME" removed, the library loaded again.
const char* const kSecondRound =
    "load\n"
    "  debug \"Tessaform Workbench Console I/O enabled.\\n\"\n"
    "write\n"
    "  debug \"hello\"\n"
    "  debug \"\\n\"\n"
    "more streams\n"
    "  debug \"two more\"\n"
    "  debug \"\\n\"\n"
    "unload\n"
    "  call FreeConsole\n";

TEST(WOStreamProbeTest, WithKxHomeSetEvenEmptyTheFirstStreamOpensAConsoleAndTheLastClosesIt) {
    const std::string round1 =
        "load\n"
        "  console 2 \"Tessaform Workbench Console I/O enabled.\\n\"\n"
        "  call AllocConsole\n"
        "write\n"
        "  console 2 \"hello\"\n"
        "  console 2 \"\\n\"\n"
        "more streams\n"
        "  console 2 \"two more\"\n"
        "  console 2 \"\\n\"\n"
        "unload\n"
        "  call FreeConsole\n";
    EXPECT_EQ(round1 + kSecondRound, RunProbe("KXHOME="));
    EXPECT_EQ(round1 + kSecondRound, RunProbe("KXHOME=/opt/kx"));
}

TEST(WOStreamProbeTest, WithoutKxHomeEverythingGoesToTheDebuggerOutput) {
    EXPECT_EQ(std::string(kSecondRound) + kSecondRound, RunProbe("env -u KXHOME"));
}

}  // namespace
