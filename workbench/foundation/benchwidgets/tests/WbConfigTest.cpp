// The workbench settings, read and written through real settings files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KxWbConfig.h"
#include "WidgetsTestSupport.h"

namespace {

std::vector<std::string> tokens(KxWbStringList* list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < list->Count(); ++i) out.push_back(list->at(i)->StrGet());
    list->deleteStrings();
    delete list;
    return out;
}

class WbConfigTest : public ::testing::Test {
protected:
    WidgetsTempDir dir_;
    std::string file_ = dir_.path("wb.ini");
    std::string stored(const char* key) {
        Config c(file_.c_str());
        c.SetGroup("Tessaform Workbench");
        return c.ReadKey(key).GetStr();
    }
    void store(const char* key, const char* value) {
        Config c(file_.c_str());
        c.SetGroup("Tessaform Workbench");
        ASSERT_TRUE(c.WriteKey(key, value));
    }
};

TEST_F(WbConfigTest, MostRecentlyUsedInsert) {
    struct Case { const char* before; const char* value; const char* after; };
    const Case cases[] = {
        {nullptr, "LOCAL", "LOCAL"},   // missing key
        {"b,a,c", "a", "a,b,c"},
        {"a,b,c", "a", "a,b,c"},       // already first
        {"a,b,c", "c", "c,a,b"},       // last moves to the front
        {"a,b,a", "a", "a,b"},         // every older copy goes
        {"a,b", "A", "A,a,b"},         // case counts
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file_);
        if (c.before != nullptr) store("HOSTS", c.before);
        KxWbConfig config(KxString(file_.c_str()));
        config.writeKey("HOSTS", c.value);
        EXPECT_EQ(stored("HOSTS"), c.after) << c.before << " + " << c.value;
    }
    // The file is an ordinary settings file with the group's name.
    std::ifstream in(file_);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Tessaform Workbench]"), std::string::npos);
}

TEST_F(WbConfigTest, AppendListSkipsStoredTokens) {
    KxWbConfig config(KxString(file_.c_str()));
    KxWbStringList list;
    list.append(new KxString("x"));
    list.append(new KxString("y"));
    config.writeKey("BASES", list);
    EXPECT_EQ(stored("BASES"), "x,y");
    KxWbStringList more;
    more.append(new KxString("y"));
    more.append(new KxString("z"));
    config.writeKey("BASES", more);
    EXPECT_EQ(stored("BASES"), "x,y,z");
    KxWbStringList empty;
    config.writeKey("OTHER", empty);   // writes nothing
    Config raw(file_.c_str());
    raw.SetGroup("Tessaform Workbench");
    EXPECT_EQ(raw.GetKeyCount(), 1);
    list.deleteStrings();
    more.deleteStrings();
}

TEST_F(WbConfigTest, DeleteTokens) {
    KxWbConfig config(KxString(file_.c_str()));
    store("K", "a,b,c");
    config.deleteKey("K", "a");
    EXPECT_EQ(stored("K"), "b,c");
    config.deleteKey("K", "missing");
    EXPECT_EQ(stored("K"), "b,c");
    config.deleteKey("K", "c");
    EXPECT_EQ(stored("K"), "b");
    store("K", "a,b,a,c");
    KxWbStringList gone;
    gone.append(new KxString("a"));
    gone.append(new KxString("c"));
    config.deleteKey("K", gone);
    EXPECT_EQ(stored("K"), "b");
    gone.deleteStrings();
}

TEST_F(WbConfigTest, ReadKeyTokensDefaultAndSeparator) {
    KxWbConfig config(KxString(file_.c_str()));
    EXPECT_EQ(tokens(config.readKey("DATABASES")), std::vector<std::string>{});
    EXPECT_EQ(tokens(config.readKey("DATABASES", "base")), std::vector<std::string>{"base"});
    store("DATABASES", "a,b");
    EXPECT_EQ(tokens(config.readKey("DATABASES", "base")), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(config.setSeparator(';'), ',');
    EXPECT_EQ(tokens(config.readKey("DATABASES")), std::vector<std::string>{"a,b"});
    config.writeKey("DATABASES", "c");
    EXPECT_EQ(stored("DATABASES"), "c;a,b");
    // A copy keeps file and separator; another object sees what this one wrote.
    KxWbConfig copy(config);
    EXPECT_EQ(copy.getSeparator(), ';');
    EXPECT_EQ(tokens(copy.readKey("DATABASES")), (std::vector<std::string>{"c", "a,b"}));
    KxWbConfig assigned;
    assigned = config;
    EXPECT_EQ(std::string(assigned.GetPathName().GetStr()), file_);
    EXPECT_EQ(std::string(assigned.GetGroup().GetStr()), "Tessaform Workbench");
}

TEST_F(WbConfigTest, DefaultFileFromEnvironment) {
    const std::string file = dir_.path("default.ini");
    ::setenv("SV_CONFIG", file.c_str(), 1);
    {
        KxWbConfig config;
        config.writeKey("WORKBOOKS", "wb");
    }
    ::unsetenv("SV_CONFIG");
    Config c(file.c_str());
    c.SetGroup("Tessaform Workbench");
    EXPECT_EQ(std::string(c.ReadKey("WORKBOOKS").GetStr()), "wb");
}

}  // namespace
