// The workbench as a program: a host creates the application and runs it headless from the script
// in SV_SCRIPT, with the agent modules named in the settings.
#include <sys/wait.h>

#include "CoreTestSupport.h"

namespace {

struct HostRun {
    int status;
    std::string output;
    std::string errors;
};

HostRun RunHost(const coretest::AgentFolders& folders, const std::string& script, const std::string& args) {
    const std::string scriptFile = folders.Dir().Write("host.sv", script);
    const std::string out = folders.Dir() / "host.out";
    const std::string err = folders.Dir() / "host.err";
    w32test_support::EnvVar scriptVar("SV_SCRIPT", scriptFile);
    w32test_support::EnvVar paintVar("SV_PAINT_DIR", folders.Dir() / "paint");
    w32test_support::EnvVar timeout("SV_TIMEOUT", std::string("20"));
    const std::string command = std::string(BENCHCORE_TESTHOST) + " " + args + " >" + out + " 2>" + err;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, w32test_support::ReadAll(out), w32test_support::ReadAll(err)};
}

TEST(HostProgramTest, RunsHeadlessFromTheScript) {
    coretest::AgentFolders folders;
    folders.Settings(folders.Folder("agents", "BA"));
    const HostRun run = RunHost(folders, "menu 312\nclick \"Tessaform Workbench\" \"Beta1\"\nmenu 307\n", "/CRASHONFAULTS");
    EXPECT_EQ(0, run.status) << run.errors;
    EXPECT_EQ("open (resources of Alpha) Alpha\nopen (resources of Beta) Beta\n"
              "activate client=Tessaform Workbench config= flags=1 Alpha\n"
              "activate client=Tessaform Workbench config= flags=1 Beta\n"
              "passing 3 Beta\nbutton 3 Beta\n"
              "queryClose Alpha\nqueryClose Beta\ndeactivate buttons=2 Alpha\ndeactivate buttons=1 Beta\n"
              "close Alpha\nunload Alpha\nclose Beta\nunload Beta\n",
              run.output);
    // The main window's picture is written when the run ends.
    bool picture = false;
    for (const auto& entry : std::filesystem::directory_iterator(folders.Dir() / "paint")) {
        const std::string name = entry.path().filename().string();
        picture = picture || (name.rfind("Tessaform_Workbench-", 0) == 0 && entry.path().extension() == ".png");
    }
    EXPECT_TRUE(picture);
}

TEST(HostProgramTest, AScriptLineForNoWindowStopsTheRun) {
    coretest::AgentFolders folders;
    folders.Settings(folders.Folder("agents", "A"));
    const HostRun run = RunHost(folders, "click \"Nowhere\" 1 1\n", "");
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.errors.find("sv: ")) << run.errors;
}

}  // namespace
