#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "afxstr.h"

namespace {

CStringA Text(const char* text) {
    CStringA s;
    s += text;
    return s;
}

TEST(CStringA, AppendsTextsAndSkipsNull) {
    CStringA s;
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_STREQ(s.GetString(), "");
    s += " ab";
    s += nullptr;
    s += Text(" cd");
    s += s;  // appending itself doubles the text
    EXPECT_STREQ(s.GetString(), " ab cd ab cd");
    EXPECT_EQ(s.GetLength(), 12);
}

TEST(CStringA, FindIsCaseSensitiveAndGivesTheFirstPosition) {
    const CStringA s = Text(" x -SourceDir a -SourceDir b");
    EXPECT_EQ(s.Find("-SourceDir"), 3);
    EXPECT_EQ(s.Find("-sourcedir"), -1);
    EXPECT_EQ(s.Find("-TargetDir"), -1);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find(nullptr), -1);
    EXPECT_EQ(CStringA().Find("a"), -1);
}

TEST(CStringA, MidClampsStartAndCount) {
    const CStringA s = Text("0123456789");
    struct Case { int first, count; const char* expected; };
    const Case cases[] = {
        {2, 3, "234"},
        {0, 10, "0123456789"},
        {-5, 3, "012"},         // a negative start counts as 0
        {4, -1, ""},            // a negative count counts as 0
        {7, 50, "789"},         // past the end stops at the end
        {10, 1, ""},            // start at the end
        {12, 3, ""},            // start past the end
        {3, INT_MAX, "3456789"},
        {INT_MAX, INT_MAX, ""},
        {INT_MIN, INT_MIN, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ", " + std::to_string(c.count));
        const CStringA part = s.Mid(c.first, c.count);
        EXPECT_STREQ(part.GetString(), c.expected);
        EXPECT_EQ(part.GetLength(), static_cast<int>(std::string(c.expected).size()));
    }
}

}  // namespace
