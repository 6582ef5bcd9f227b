// The command line as the utility receives it, through a build of the utility that records its calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HADRELStatus.h"
#include "RecordingCopyUtil.h"
#include "RunCopy.h"

namespace {

// Runs runCopy on the arguments (argv[argc] null, as a program receives them); gives its result.
int RunCopyOn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    recording::Calls().clear();
    return runCopy(static_cast<int>(args.size()), argv.data());
}

struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* source;
    const char* target;
};

TEST(RunCopy, HandsTheUtilityTheTextsCutFromTheJoinedArguments) {
    const Case cases[] = {
        {"unquoted blanks join", {"/opt/revcopy", "-SourceDir", "C:\\My", "Data", "-TargetDir", "D:\\Out"},
         "C:\\My Data", "D:\\Out"},
        {"quoted blanks stay", {"/opt/revcopy", "-SourceDir", "C:\\My  Data", "-TargetDir", "/srv/out  set"},
         "C:\\My  Data", "/srv/out  set"},
        {"linux paths", {"revcopy", "-SourceDir", "/srv/data/set1", "-TargetDir", "/backup/set1"},
         "/srv/data/set1", "/backup/set1"},
        {"target keyword first", {"/opt/revcopy", "-TargetDir", "D:\\Out", "-SourceDir", "C:\\In"},
         "", "D:\\Out -SourceDir C:\\In"},
        // ' /opt/tools/revcopy ': s = t = -1, the target starts at 10 and stops before the last blank
        {"no arguments", {"/opt/tools/revcopy"}, "", "s/revcopy"},
        {"no target keyword", {"/opt/tools/revcopy", "-SourceDir", "C:\\In"}, "", "s/revcopy -SourceDir C:\\In"},
        {"no source keyword", {"/opt/tools/revcopy", "-TargetDir", "D:\\Out"}, "s/revcopy", "D:\\Out"},
        {"keywords in another case", {"/opt/tools/revcopy", "-sourcedir", "C:\\In", "-TARGETDIR", "D:\\Out"},
         "", "s/revcopy -sourcedir C:\\In -TARGETDIR D:\\Out"},
        {"empty directory texts", {"revcopy", "-SourceDir", "", "-TargetDir", ""}, "", ""},
        {"no program path", {}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunCopyOn(c.args), 0);
        const std::vector<std::string> expected = {"construct", std::string("copy ") + c.source + "|" + c.target,
                                                   "destroy"};
        EXPECT_EQ(recording::Calls(), expected);
    }
}

TEST(RunCopy, AFailingCopyStillAnswersZero) {
    recording::SetCopyResult(HADREL_E_COPY_FAILED);
    EXPECT_EQ(RunCopyOn({"revcopy", "-SourceDir", "/srv/a", "-TargetDir", "/srv/b"}), 0);
    recording::SetCopyResult(HADREL_OK);
    const std::vector<std::string> expected = {"construct", "copy /srv/a|/srv/b", "destroy"};
    EXPECT_EQ(recording::Calls(), expected);
}

}  // namespace
