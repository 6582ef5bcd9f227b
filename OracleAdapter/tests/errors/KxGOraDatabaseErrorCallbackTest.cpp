// The process-wide listener: cleaning of messages, registration and throwing receivers.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "KxGOraDatabaseErrorCallback.h"
#include "OraTestSupport.h"

using namespace oratest;

namespace {

class OraCallbackTest : public ::testing::Test {
protected:
    void TearDown() override { first.Unregister(); }

    RecordingListener first;
    RecordingListener second;
};

struct CleanCase {
    const char* message;
    const char* heard;
};

TEST_F(OraCallbackTest, NotifyFoldsLineFeedsAndTrims)
{
    const CleanCase cases[] = {
        {"ORA-00942: table or view does not exist\n", "ORA-00942: table or view does not exist"},
        {"first line\nsecond line\n", "first line second line"},
        {"a\n\nb", "a  b"},
        {"  padded  ", "padded"},
        {"\n  both ends \n", "both ends"},
        {"\n\n", ""},
        {"", ""},
        {nullptr, ""},
        {"inner  blanks stay", "inner  blanks stay"},
    };
    first.Register();
    for (const CleanCase& c : cases) {
        first.heard.clear();
        KxGOraDatabaseErrorCallback::Notify(904, c.message, "SELECT X FROM T\n");
        ASSERT_EQ(first.heard.size(), 1u);
        EXPECT_EQ(first.heard[0].code, 904);
        EXPECT_EQ(first.heard[0].message, c.heard) << (c.message != nullptr ? c.message : "(null)");
        EXPECT_EQ(first.heard[0].context, "SELECT X FROM T\n") << "the context passes unchanged";
    }
    first.heard.clear();
    KxGOraDatabaseErrorCallback::Notify(-1, "m", nullptr);
    ASSERT_EQ(first.heard.size(), 1u);
    EXPECT_EQ(first.heard[0].context, "");
}

TEST_F(OraCallbackTest, NotifyWithoutListenerDoesNothing)
{
    EXPECT_NO_THROW(KxGOraDatabaseErrorCallback::Notify(1, "nobody\n", ""));
    EXPECT_TRUE(first.heard.empty());
}

TEST_F(OraCallbackTest, RegistrationReplacesAndAnyUnregisterClears)
{
    first.Register();
    second.Register();
    KxGOraDatabaseErrorCallback::Notify(1, "one", "");
    EXPECT_TRUE(first.heard.empty());
    EXPECT_EQ(second.heard.size(), 1u);

    first.Unregister();   // clears the registration of the other object
    KxGOraDatabaseErrorCallback::Notify(2, "two", "");
    EXPECT_TRUE(first.heard.empty());
    EXPECT_EQ(second.heard.size(), 1u);

    // Copies and assignments carry no registration.
    first.Register();
    RecordingListener copy(first);
    static_cast<KxGOraDatabaseErrorCallback&>(second) = first;
    KxGOraDatabaseErrorCallback::Notify(3, "three", "");
    EXPECT_EQ(first.heard.size(), 1u);
    EXPECT_TRUE(copy.heard.empty());
    EXPECT_EQ(second.heard.size(), 1u);
}

TEST_F(OraCallbackTest, ADyingListenerIsNoLongerCalled)
{
    auto shortLived = std::make_unique<RecordingListener>();
    shortLived->Register();
    shortLived.reset();
    EXPECT_NO_THROW(KxGOraDatabaseErrorCallback::Notify(1, "after", ""));

    // Dying while another is registered leaves that registration alone.
    first.Register();
    shortLived = std::make_unique<RecordingListener>();
    shortLived.reset();
    KxGOraDatabaseErrorCallback::Notify(2, "still", "");
    EXPECT_EQ(first.heard.size(), 1u);
}

TEST_F(OraCallbackTest, WhatTheReceiverThrowsPassesOut)
{
    first.throws = true;
    first.Register();
    try {
        KxGOraDatabaseErrorCallback::Notify(1017, "ORA-01017: invalid username/password; logon denied\n", "");
        FAIL() << "nothing thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "stopped by the listener: ORA-01017: invalid username/password; logon denied");
    }
    first.throws = false;
    KxGOraDatabaseErrorCallback::Notify(1, "next", "");
    EXPECT_EQ(first.heard.size(), 2u);
}

}  // namespace
