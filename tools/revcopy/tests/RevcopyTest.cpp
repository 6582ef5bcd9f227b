// revcopy as a program of its own, on real trees.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TreeSupport.h"

namespace {

using copytest::Sandbox;
using copytest::Snapshot;

struct Outcome {
    int status = -1;     // the exit status; -1 when the program did not exit
    std::string output;  // what it wrote to standard output and standard error
};

// Runs revcopy with the arguments in the folder `cwd`, with W32_DRIVE_X set to `driveX` and no other
// drive mapped.
Outcome RunRevcopy(const std::vector<std::string>& args, const std::string& cwd, const std::string& driveX) {
    std::vector<std::string> argStore = {REVCOPY_PROGRAM};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore = {"W32_DRIVE_X=" + driveX};
    for (const char* name : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LD_LIBRARY_PATH"})
        if (const char* value = getenv(name)) envStore.push_back(std::string(name) + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(out[0]);
        close(out[1]);
        if (chdir(cwd.c_str()) == 0) execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    Outcome outcome;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) outcome.output.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    return outcome;
}

// The path in the form "C:\dir\dir" (C: stands for / while W32_DRIVE_C is unset).
std::string OnDriveC(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "C:" + path;
}

class Revcopy : public ::testing::Test {
protected:
    void SetUp() override { copytest::MakeSampleTree(box / "src"); }
    Sandbox box;
};

TEST_F(Revcopy, CopiesTheDataSetSilentlyAndOverwritesOnTheNextRun) {
    const Outcome first = RunRevcopy({"-SourceDir", box / "src", "-TargetDir", box / "backup set"}, box.path(), box.path());
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.output, "");
    EXPECT_EQ(Snapshot(box / "backup set", false), Snapshot(box / "src", false));

    copytest::WriteFile(box / "src/My Data/a file with blanks.txt", "changed", 10);
    copytest::WriteFile(box / "backup set/readme.txt", "changed in the target", 11);
    const Outcome second = RunRevcopy({"-SourceDir", box / "src", "-TargetDir", box / "backup set"}, box.path(), box.path());
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(Snapshot(box / "backup set", false), Snapshot(box / "src", false));
}

TEST_F(Revcopy, WindowsPathsGoThroughTheDriveMapping) {
    // the source on C: (the root), the target on X: (the sandbox), the target's name holding a blank
    const Outcome run = RunRevcopy({"-SourceDir", OnDriveC(box / "src"), "-TargetDir", "X:\\win out\\set1"}, "/", box.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(Snapshot(box / "win out/set1", false), Snapshot(box / "src", false));
}

TEST_F(Revcopy, CommandLinesThatNameNoUsableSourceWriteNothingAndEndWithZero) {
    struct Case { const char* name; std::vector<std::string> args; };
    const Case cases[] = {
        {"missing source", {"-SourceDir", box / "nothing", "-TargetDir", box / "out"}},
        {"target keyword first", {"-TargetDir", box / "out", "-SourceDir", box / "src"}},
        {"no source keyword", {"-TargetDir", box / "out"}},
        {"target inside the source", {"-SourceDir", box / "src", "-TargetDir", box / "src/inner"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = Snapshot(box.path(), true);
        const Outcome run = RunRevcopy(c.args, box.path(), box.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(Snapshot(box.path(), true), before);
    }
}

}  // namespace
