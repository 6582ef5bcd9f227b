// A real process driven by its SV_SCRIPT file leaves its paint log and picture in SV_PAINT_DIR;
// a stuck run is stopped by the watchdog.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "SvWindowsTestSupport.h"

extern char** environ;

namespace {

struct Outcome {
    int status = -1;  // the exit status; -1 when the program did not exit
    std::string out, err;
};

std::string Read(const std::string& file) {
    std::ifstream in(file);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the demo program with the variables set (an empty value removes one), its output in files
// of the folder.
Outcome RunDemo(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& vars,
                const char* argument = nullptr) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& [name, value] : vars) replaced |= entry.rfind(name + "=", 0) == 0;
        if (!replaced && entry.rfind("SV_", 0) != 0) env.push_back(entry);
    }
    for (const auto& [name, value] : vars)
        if (!value.empty()) env.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const std::string out = dir + "/stdout", err = dir + "/stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string program = SV_DEMO_PROGRAM;
    std::vector<char*> argv{program.data()};
    std::string arg = argument != nullptr ? argument : "";
    if (argument != nullptr) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    Outcome o;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    o.out = Read(out);
    o.err = Read(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return o;
}

TEST(EndToEndTest, AScriptedProgramLeavesItsPaintLogAndPicture) {
    svtest::TempDir dir;
    const std::string script = dir.Path() + "/demo.sv", paint = dir.Path() + "/paint";
    std::ofstream(script) << "# the user's session\n"
                             "resize \"Demo\" 320 240\n"
                             "click \"Demo\" \"Hello\"\n"
                             "key \"Demo\" \"x\"\n"
                             "close \"Demo\"\n";
    const Outcome o = RunDemo(dir.Path(), {{"SV_SCRIPT", script}, {"SV_PAINT_DIR", paint}});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "resize 200 120\nresize 320 240\nclick 29 56\nkey x 0x0217\ndone\n");

    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(paint)) files.push_back(e.path().filename());
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files, (std::vector<std::string>{"Demo-1.log", "Demo-1.png"}));
    const std::string log = Read(paint + "/Demo-1.log");
    EXPECT_TRUE(log.starts_with("window 0 WorkWindow \"Demo\" at 0 0 size 320 240\n"
                                "  fill 0 0 320 240 brush=#C0C0C0/solid\n"
                                "window 1 Control \"\" at 0 0 size 320 240\n"
                                "  fill 0 0 320 240 brush=#C0C0C0/solid\n"
                                "  rect 10 10 50 30 pen=#000000/1/solid brush=#FF0000/solid\n"
                                "  line 0 0 319 239 pen=#000080/2/solid\n"
                                "  bitmap 70 10 8 8 picture=8x8\n"
                                "  text 10 50 40 13 \"Hello\" font=\"\"/13 color=#000000\n"))
        << log;
    const svtest::Picture p = svtest::ReadPng(paint + "/Demo-1.png");
    ASSERT_EQ(p.width, 320);
    ASSERT_EQ(p.height, 240);
    EXPECT_EQ(p.At(50, 15), 0xFF0000u);  // inside the rectangle: its fill
    EXPECT_EQ(p.At(10, 10), 0x000000u);  // its outline
    EXPECT_EQ(p.At(72, 12), 0x0000FFu);  // the bitmap
    EXPECT_EQ(p.At(200, 20), 0xC0C0C0u);
    EXPECT_EQ(p.At(160, 120), 0x000080u);  // the line
}

TEST(EndToEndTest, AMissingScriptOrABadTimeoutStopsTheRun) {
    svtest::TempDir dir;
    Outcome o = RunDemo(dir.Path(), {{"SV_SCRIPT", dir.Path() + "/missing.sv"}});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("sv: cannot read the script \"" + dir.Path() + "/missing.sv\": No such file"), std::string::npos)
        << o.err;
    o = RunDemo(dir.Path(), {{"SV_TIMEOUT", "soon"}});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("SV_TIMEOUT is not a number of seconds: \"soon\""), std::string::npos) << o.err;
}

TEST(EndToEndTest, TheWatchdogStopsAStuckRunNamingTheOpenWindows) {
    svtest::TempDir dir;
    const Outcome o = RunDemo(dir.Path(), {{"SV_TIMEOUT", "0.2"}}, "hang");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("sv: watchdog: the run is stuck (nothing dispatched for 0.2 s); open windows: "
                         "WorkWindow \"Demo\""),
              std::string::npos)
        << o.err;
}

}  // namespace
