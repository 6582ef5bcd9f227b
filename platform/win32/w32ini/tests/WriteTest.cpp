// Writing INI texts: each edit reads back through the reader as asked, and leaves the rest of the
// text as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "w32ini.h"

namespace {

using Path = std::vector<std::string>;

TEST(IniWriteTest, SetValueEdits) {
    struct Case {
        const char* what;
        const char* text;
        Path path;
        const char* key;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"empty text", "", {"Tessaform Workbench"}, "HOSTS", "LOCAL", "[Tessaform Workbench]\nHOSTS=LOCAL\n"},
        {"first occurrence replaced, key spelt as in the file", "; c\n[G]\n hosts = a\nHOSTS=b\n", {"g"}, "Hosts",
         "x,y=z", "; c\n[G]\nhosts=x,y=z\nHOSTS=b\n"},
        {"added after the last entry of the section", "[G]\na=1\n\n; note\n[H]\nb=2\n", {"G"}, "c", "3",
         "[G]\na=1\nc=3\n\n; note\n[H]\nb=2\n"},
        {"repeated header: after the last entry", "[G]\n[H]\nb=2\n[g]\na=1\n", {"G"}, "c", "3",
         "[G]\n[H]\nb=2\n[g]\na=1\nc=3\n"},
        {"section without entries", "[G]\n; only a comment\n[H]\n", {"G"}, "k", "v",
         "[G]\nk=v\n; only a comment\n[H]\n"},
        {"crlf text, no final line feed", "[A]\r\nx=1", {"B"}, "k", "", "[A]\r\nx=1\r\n[B]\r\nk=\r\n"},
        {"crlf line replaced", "[A]\r\nk=1\r\nm=2\r\n", {"A"}, "k", "9", "[A]\r\nk=9\r\nm=2\r\n"},
        {"crlf entry added", "[A]\r\nm=2\r\n", {"A"}, "k", "9", "[A]\r\nm=2\r\nk=9\r\n"},
        {"top level without entries", "\xEF\xBB\xBF[A]\nm=2\n", {}, "k", "1", "\xEF\xBB\xBFk=1\n[A]\nm=2\n"},
        {"top level after its entries", "a=1\n[A]\n", {}, "k", "1", "a=1\nk=1\n[A]\n"},
        {"path of names", "[x\\y]\n", {"X", "Y"}, "k", "v", "[x\\y]\nk=v\n"},
        {"broken lines are kept", "[A\nno equals\n[A]\n", {"A"}, "k", "v", "[A\nno equals\n[A]\nk=v\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = w32ini::SetValue(c.text, c.path, c.key, c.value);
        EXPECT_EQ(out, c.expected);
        w32ini::Document doc;
        doc.Parse(out);
        const std::string* v = doc.Lookup(c.path, c.key);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(*v, c.value);
    }
}

TEST(IniWriteTest, RemoveKeyDropsEveryOccurrenceInItsSectionOnly) {
    const std::string text = "k=top\n[A]\nk=1\nK = 2\nm=3\n[B]\nk=4\n[a]\nk=5";
    const std::string out = w32ini::RemoveKey(text, {"a"}, "k");
    EXPECT_EQ(out, "k=top\n[A]\nm=3\n[B]\nk=4\n[a]\n");
    w32ini::Document doc;
    doc.Parse(out);
    EXPECT_EQ(doc.Lookup({"A"}, "k"), nullptr);
    EXPECT_EQ(*doc.Lookup({"B"}, "k"), "4");
    EXPECT_EQ(*doc.Lookup({}, "k"), "top");
    EXPECT_EQ(w32ini::RemoveKey(text, {"C"}, "k"), text);
}

TEST(IniWriteTest, WhatCannotReadBackIsNotWritable) {
    EXPECT_TRUE(w32ini::IsWritableKey("browserwidths"));
    for (const char* key : {"", " k", "k ", "a=b", ";k", "[k", "a\nb", "a\rb"})
        EXPECT_FALSE(w32ini::IsWritableKey(key)) << key;
    EXPECT_TRUE(w32ini::IsWritableValue(""));
    EXPECT_TRUE(w32ini::IsWritableValue("120,80,=;[x]"));
    for (const char* value : {" v", "v\t", "a\nb", "a\r"}) EXPECT_FALSE(w32ini::IsWritableValue(value)) << value;
    EXPECT_TRUE(w32ini::IsWritableSection({}));
    EXPECT_TRUE(w32ini::IsWritableSection({"Tessaform Workbench"}));
    EXPECT_FALSE(w32ini::IsWritableSection({"a]b"}));
    EXPECT_FALSE(w32ini::IsWritableSection({"a\\b"}));
    EXPECT_FALSE(w32ini::IsWritableSection({" a"}));
}

}  // namespace
