#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "HADRELFileCopyUtil.h"
#include "TreeSupport.h"

namespace {

using copytest::Sandbox;
using copytest::Snapshot;

int32_t Copy(const std::string& source, const std::string& target) {
    CStringA from;
    from += source.c_str();
    CStringA to;
    to += target.c_str();
    HADRELFileCopyUtil util;
    return util.CopySMGData(from, to);
}

// The path in the form "C:\dir\dir" (C: stands for / while W32_DRIVE_C is unset).
std::string OnDriveC(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "C:" + path;
}

class CopyUtil : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("W32_DRIVE_C");
        unsetenv("W32_DRIVE_Q");
        copytest::MakeSampleTree(box / "src");
        copytest::WriteFile(box / "file.txt", "not a directory", 6);
    }
    Sandbox box;
};

TEST_F(CopyUtil, CopiesTheTreeKeepingTimesAndOverwritesOnTheNextRun) {
    // the target's parents are made; "src2" is beside "src", not inside it
    ASSERT_EQ(Copy(box / "src", box / "src2/backup/set1"), HADREL_OK);
    EXPECT_EQ(Snapshot(box / "src2/backup/set1", false), Snapshot(box / "src", false));

    copytest::WriteFile(box / "src/data/deeper/still deeper/leaf.txt", "a longer leaf than before", 7);
    copytest::WriteFile(box / "src/My Data/.hidden", "", 8);
    ASSERT_EQ(Copy(box / "src", OnDriveC(box / "src2/backup/set1")), HADREL_OK);
    EXPECT_EQ(Snapshot(box / "src2/backup/set1", false), Snapshot(box / "src", false));
}

// A Linux path names exactly what it spells; on a drive a name missing as spelled takes the folder's
// entry that differs from it in letter case alone.
TEST_F(CopyUtil, LetterCaseOfTheTargetCountsInLinuxPathsOnly) {
    copytest::fs::create_directories(box / "set1");
    ASSERT_EQ(Copy(box / "src", box / "SET1"), HADREL_OK);
    EXPECT_EQ(Snapshot(box / "SET1", false), Snapshot(box / "src", false));
    EXPECT_TRUE(copytest::fs::is_empty(box / "set1"));

    copytest::fs::remove_all(box / "SET1");
    ASSERT_EQ(Copy(box / "src", OnDriveC(box / "SET1")), HADREL_OK);
    EXPECT_FALSE(copytest::fs::exists(box / "SET1"));
    EXPECT_EQ(Snapshot(box / "set1", false), Snapshot(box / "src", false));
}

TEST_F(CopyUtil, RefusesWithItsStatusAndWritesNothing) {
    struct Case { const char* name; std::string source, target; int32_t status; };
    const Case cases[] = {
        {"empty source", "", box / "out", HADREL_E_NO_SOURCE},
        {"empty target", box / "src", "", HADREL_E_NO_TARGET},
        {"missing source", box / "nothing", box / "out", HADREL_E_SOURCE_MISSING},
        {"source on a drive without mapping", "Q:\\set1", box / "out", HADREL_E_SOURCE_MISSING},
        {"source is a file", box / "file.txt", box / "out", HADREL_E_SOURCE_NOT_DIR},
        {"target is the source, spelled otherwise", box / "src", OnDriveC(box / "SRC\\"), HADREL_E_TARGET_IN_SOURCE},
        {"target inside the source", OnDriveC(box / "src"), box / "src/data/../new", HADREL_E_TARGET_IN_SOURCE},
        {"target is a file", box / "src", box / "file.txt", HADREL_E_TARGET_NOT_DIR},
        {"target below a file", box / "src", box / "file.txt/set1", HADREL_E_TARGET_NOT_DIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = Snapshot(box.path(), true);
        EXPECT_EQ(Copy(c.source, c.target), c.status);
        EXPECT_EQ(Snapshot(box.path(), true), before);
    }
}

// A file the caller may not read: the rest is copied and the status tells the failure. Run by an
// ordinary user (root reads every file).
TEST_F(CopyUtil, AFileThatCannotBeReadFailsTheCopy) {
    namespace fs = copytest::fs;
    copytest::WriteFile(box / "src/data/secret.bin", "secret", 9);
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(box / "src"))
        fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
    fs::permissions(box / "src/data/secret.bin", fs::perms::none);

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeEnds[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const int32_t status = Copy(box / "src", box / "out");
        _exit(write(pipeEnds[1], &status, sizeof status) == sizeof status ? 0 : 3);
    }
    close(pipeEnds[1]);
    int32_t status = 0;
    const ssize_t got = read(pipeEnds[0], &status, sizeof status);
    close(pipeEnds[0]);
    int exit = 0;
    ASSERT_EQ(waitpid(child, &exit, 0), child);
    ASSERT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 0) << exit;
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof status));

    EXPECT_EQ(status, HADREL_E_COPY_FAILED);
    auto expected = Snapshot(box / "src", false);
    expected.erase("data/secret.bin");
    EXPECT_EQ(Snapshot(box / "out", false), expected);
}

}  // namespace
