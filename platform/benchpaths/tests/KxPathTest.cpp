#include <gtest/gtest.h>

#include "KxPath.h"

namespace {

std::string S(const KxString& s) { return s.IsEmpty() ? std::string() : std::string(s.StrGet(), s.Len()); }

TEST(KxPathTest, PartsOfPaths) {
    struct Case {
        const char* path;
        const char* directory;
        const char* file;
    } cases[] = {
        {"C:\\bench\\agents\\VO110VA.agt", "C:\\bench\\agents\\", "VO110VA.agt"},
        {"C:\\prog.exe", "C:\\", "prog.exe"},
        {"C:prog.exe", "C:", "prog.exe"},
        {"/opt/bench/vo110va.agt", "/opt/bench/", "vo110va.agt"},
        {"prog", "", "prog"},
        {"C:\\dir\\", "C:\\dir\\", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        KxPath path(c.path);
        EXPECT_EQ(c.directory, S(path.getDriveAndDirectory()));
        EXPECT_EQ(c.file, S(path.getFileNameWithExtension()));
        EXPECT_EQ(c.path, S(path.getPath()));
    }
}

TEST(KxPathTest, EmptyAndComparedAsText) {
    EXPECT_TRUE(KxPath().isEmpty());
    EXPECT_TRUE(KxPath(static_cast<const char*>(nullptr)).isEmpty());
    EXPECT_STREQ("", KxPath().getText());
    EXPECT_FALSE(KxPath("a").isEmpty());
    EXPECT_TRUE(KxPath("C:\\a\\b.agt") == KxPath("C:\\a\\b.agt"));
    EXPECT_TRUE(KxPath("C:\\a\\b.agt") != KxPath("c:\\a\\b.agt"));
}

}  // namespace
