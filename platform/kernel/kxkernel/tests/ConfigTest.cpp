#include <gtest/gtest.h>

#include <vector>

#include "IniCases.h"
#include "KxConfig.h"
#include "KxParameter.h"
#include "TestSupport.h"

namespace {

const char* kIni = w32ini_cases::kIniText;

const KxString kShop[] = {"databases", "shop", "RelationalObjectGateway", ""};
const KxString kServer[] = {"servers", "ORA1", ""};
const KxString kTop[] = {""};
const KxString kMissing[] = {"databases", "nowhere", "RelationalObjectGateway", ""};
const KxString kDatabases[] = {"databases", ""};

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, config.ReadText(kIni)); }
    KxConfig config;
};

// Splits a section name at its backslashes into a path array ending with an empty name.
std::vector<KxString> PathArray(const std::string& section) {
    std::vector<KxString> path;
    size_t start = 0;
    for (;;) {
        const size_t cut = section.find('\\', start);
        path.push_back(KxString(section.substr(start, cut == std::string::npos ? cut : cut - start).c_str()));
        if (cut == std::string::npos) break;
        start = cut + 1;
    }
    path.push_back(KxString(""));
    return path;
}

TEST_F(ConfigTest, TextLookups) {
    for (const w32ini_cases::Lookup& c : w32ini_cases::kLookups) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key);
        const std::vector<KxString> path = PathArray(c.section);
        KxString out("unchanged");
        EXPECT_EQ(c.value != nullptr ? 0 : KX_KERNEL_E_NOT_FOUND, config.Get(c.key, out, path.data()));
        EXPECT_EQ(c.value != nullptr ? c.value : "unchanged", out.ToUtf8());
    }
    // The top level: the keys before the first section, reached by an empty or null path only.
    KxString out;
    EXPECT_EQ(0, config.Get("onlyServerUnicode", out, kTop));
    EXPECT_EQ("1", out.ToUtf8());
    EXPECT_EQ(0, config.Get("onlyServerUnicode", out, nullptr));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, config.Get("TraceModules", out, kTop));
}

TEST_F(ConfigTest, NumberLookups) {
    struct Case {
        const char* key;
        int32_t rc16;
        int16_t v16;
        int32_t rcU16;
        uint16_t vU16;
        int32_t rc32;
        int32_t v32;
    };
    const int32_t nf = KX_KERNEL_E_NOT_FOUND;
    const int32_t bad = KX_KERNEL_E_VALUE;
    const Case cases[] = {
        {"MaxConnectionPoolSize", 0, 12, 0, 12, 0, 12},
        {"ConnectionPoolExpirationTime", 0, -60, bad, 7, 0, -60},
        {"Big", bad, 7, bad, 7, 0, 70000},
        {"Hex", 0, 0x7fff, 0, 0x7fff, 0, 0x7fff},
        {"Word", bad, 7, 0, 0xffff, 0, 0xffff},
        {"NotANumber", bad, 7, bad, 7, bad, 7},
        {"Empty", bad, 7, bad, 7, bad, 7},
        {"Missing", nf, 7, nf, 7, nf, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        int16_t v16 = 7;
        uint16_t vU16 = 7;
        int32_t v32 = 7;
        EXPECT_EQ(c.rc16, config.Get(c.key, v16, kShop));
        EXPECT_EQ(c.v16, v16);
        EXPECT_EQ(c.rcU16, config.Get(c.key, vU16, kShop));
        EXPECT_EQ(c.vU16, vU16);
        EXPECT_EQ(c.rc32, config.Get(c.key, v32, kShop));
        EXPECT_EQ(c.v32, v32);
    }
}

std::vector<std::string> Names(const std::vector<KxString>& names) {
    std::vector<std::string> out;
    for (const KxString& n : names) out.push_back(n.ToUtf8());
    return out;
}

TEST_F(ConfigTest, ChildSections) {
    std::vector<KxString> names;
    EXPECT_EQ(0, config.GetChildNames(kDatabases, names));
    EXPECT_EQ((std::vector<std::string>{"shop", "stock"}), Names(names));

    EXPECT_EQ(0, config.GetChildNames(kTop, names));
    EXPECT_EQ((std::vector<std::string>{"databases", "RelationalObjectGateway", "servers"}),
              Names(names));

    // A section without children, and one that does not exist.
    EXPECT_EQ(0, config.GetChildNames(kServer, names));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, config.GetChildNames(kMissing, names));
    EXPECT_TRUE(names.empty());

    EXPECT_EQ("databases\\shop\\RelationalObjectGateway", KxConfig::JoinPath(kShop).ToUtf8());
}

TEST(ConfigFileTest, ReadsFileAndReportsUnreadableOne) {
    TempDir dir;
    const std::string file = dir.Write("kx.ini", "[servers\\ORA1]\nHost=db1\n");
    KxConfig config;
    ASSERT_EQ(0, config.ReadFile(file));
    EXPECT_EQ(file, config.GetFileName().ToUtf8());
    KxString host;
    EXPECT_EQ(0, config.Get("Host", host, kServer));
    EXPECT_EQ("db1", host.ToUtf8());

    EXPECT_EQ(KX_KERNEL_E_CONFIG_FILE, config.ReadFile(dir.Path() + "/absent.ini"));
    EXPECT_EQ(0, config.Get("Host", host, kServer));   // contents kept
}

TEST(ParameterListTest, AppendIterateAndLookUp) {
    KxParameterList params;
    EXPECT_EQ(0, params.Append("ROG_RowNum", "100"));
    EXPECT_EQ(0, params.Append("mode", ""));
    EXPECT_EQ(0, params.Append("Hex", " 0x20 "));
    EXPECT_EQ(0, params.Append("ROG_RowNum", "5"));   // repeated: lookups find the first
    EXPECT_EQ(0, params.Append("Text", "abc"));
    EXPECT_EQ(KX_KERNEL_E_INVALID, params.Append("", "x"));
    EXPECT_EQ(KX_KERNEL_E_INVALID, params.Append(KxString(), "x"));
    ASSERT_EQ(5u, params.Count());

    std::vector<std::string> seen;
    for (const KxParameter& p : params) seen.push_back(p.name.ToUtf8() + "=" + p.value.ToUtf8());
    EXPECT_EQ((std::vector<std::string>{"ROG_RowNum=100", "mode=", "Hex= 0x20 ", "ROG_RowNum=5",
                                        "Text=abc"}),
              seen);

    KxString name, value;
    EXPECT_EQ(0, params.Get(1, name, value));
    EXPECT_EQ("mode", name.ToUtf8());
    EXPECT_EQ(KX_KERNEL_E_END_OF_LIST, params.Get(5, name, value));
    EXPECT_EQ(nullptr, params.Get(5));

    struct Case {
        const char* name;
        int32_t rc;
        int32_t value;
    };
    const Case cases[] = {
        {"ROG_RowNum", 0, 100},
        {"Hex", 0, 32},
        {"mode", KX_KERNEL_E_VALUE, -1},
        {"Text", KX_KERNEL_E_VALUE, -1},
        {"rog_rownum", KX_KERNEL_E_NOT_FOUND, -1},   // names are case-sensitive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t v = -1;
        EXPECT_EQ(c.rc, params.GetInt(c.name, v));
        EXPECT_EQ(c.value, v);
    }

    // A list is a set: it can be handed where a set is expected.
    KxParameterSet* set = &params;
    EXPECT_EQ(0, set->GetValue("Text", value));
    EXPECT_EQ("abc", value.ToUtf8());
    params.Clear();
    EXPECT_TRUE(params.IsEmpty());
}

}  // namespace
