#include <gtest/gtest.h>

#include <string>

#include "UpgradeTestSupport.h"
#include "XKxException.h"
#include "XRegistry.h"

namespace {

using upgrade_test::RegistryFile;
using upgrade_test::TempDir;

// hex(1) bytes of a UTF-16 text of `units` times 'a', with or without a terminator.
std::string HexText(int units, bool terminated) {
    std::string hex = "hex(1):";
    for (int i = 0; i < units; ++i) hex += i == 0 ? "61,00" : ",61,00";
    if (terminated) hex += units == 0 ? "00,00" : ",00,00";
    return hex;
}

class RegistryTest : public ::testing::Test {
protected:
    RegistryTest()
        : registry_(dir_, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\r\n"
                          "\"Logging\"=\"C:\\\\logs\"\r\n"
                          "\"Empty\"=hex(1):\r\n"
                          "\"Long\"=\"" + std::string(300, 'x') + "\"\r\n"
                          "\"Full\"=" + HexText(128, false) + "\r\n"
                          "\"AlmostFull\"=" + HexText(127, true) + "\r\n"
                          "\"sqlplus user/pw@db @script.sql\"=\"false\"\r\n") {}

    // The exception GetValue throws for the value, `value` checked empty by then.
    XKxException FailedRead(XRegistry& registry, const char16_t* name) {
        CString value(u"before");
        try {
            registry.GetValue(value, name);
        } catch (const XKxException& e) {
            EXPECT_TRUE(value.IsEmpty());
            return e;
        }
        ADD_FAILURE() << "no exception";
        return XKxException();
    }

    TempDir dir_;
    RegistryFile registry_;
};

TEST_F(RegistryTest, ReadsTextValuesWholeWhateverTheirSize) {
    XRegistry registry;
    registry.Open(u"LiftRunner");
    EXPECT_EQ(registry.GetKeyPath(), u"SOFTWARE\\Brenlow\\LiftRunner");
    struct Case { const char16_t* name; CString value; };
    const Case cases[] = {
        {u"logging", u"C:\\logs"},   // names ignore case
        {u"Long", CString(u'x', 300)},   // 602 bytes: read through the second query
        {u"Full", CString(u'a', 128)},   // fills the 256 bytes without a terminator
        {u"AlmostFull", CString(u'a', 127)},
        {u"sqlplus user/pw@db @script.sql", u"false"},
    };
    for (const Case& c : cases) {
        CString value;
        registry.GetValue(value, c.name);
        EXPECT_EQ(value, c.value) << upgrade_test::Utf8(c.name);
    }
    EXPECT_EQ(registry.Close(), 0);
    EXPECT_EQ(registry.Close(), 0);   // nothing open any more
}

TEST_F(RegistryTest, MissingKeysAndValuesThrowWithTheirPlace) {
    XRegistry registry;
    CString value(u"before");
    try {
        registry.GetValue(value, u"Logging");
        ADD_FAILURE() << "no exception";
    } catch (const XKxException& e) {
        EXPECT_EQ(e.GetCode(), -1);
        EXPECT_EQ(e.GetMessage(), u"No opened registry key to get a value from!");
        EXPECT_EQ(e.GetLocation(), u"<XRegistry::GetValue> in [xregistry]");
    }

    try {
        registry.Open(u"NoSuchTool");
        ADD_FAILURE() << "no exception";
    } catch (const XKxException& e) {
        EXPECT_EQ(e.GetCode(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(e.GetMessage(), u"Error getting handle to <SOFTWARE\\Brenlow\\NoSuchTool> registry settings!");
        EXPECT_EQ(e.GetLocation(), u"<XRegistry::Open> in [xregistry]");
    }
    EXPECT_EQ(registry.GetKey(), nullptr);

    registry.Open(u"LiftRunner");
    const XKxException missing = FailedRead(registry, u"SchemaDelta");
    EXPECT_EQ(missing.GetCode(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.GetMessage(), u"Error getting registry value <SchemaDelta> in <SOFTWARE\\Brenlow\\LiftRunner>!");
    // A value of size 0 throws like a missing one, with a code that callers do not take for "no error".
    XKxException empty = FailedRead(registry, u"Empty");
    EXPECT_EQ(empty.GetCode(), -1);
    EXPECT_EQ(empty.GetMessage(), u"Error getting registry value <Empty> in <SOFTWARE\\Brenlow\\LiftRunner>!");
    empty.AddLocation(u".\\xlogging", u"XLogging::StartLogging", u"outer");
    EXPECT_EQ(empty.GetMessage(), u"outer\r\nReason: \tError getting registry value <Empty> in <SOFTWARE\\Brenlow\\LiftRunner>!");
}

TEST_F(RegistryTest, TheDestructorClosesAKeyLeftOpen) {
    HKEY key = nullptr;
    {
        XRegistry registry;
        registry.Open(u"LiftRunner");
        key = registry.GetKey();
        ASSERT_NE(key, nullptr);
        FailedRead(registry, u"SchemaDelta");   // the usual way out before a caller's Close
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);   // already closed

    XRegistry reopened;   // a second Open closes the key of the first
    reopened.Open(u"LiftRunner");
    const HKEY first = reopened.GetKey();
    reopened.Open(u"LiftRunner");
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
}

}  // namespace
