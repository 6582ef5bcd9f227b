#include <gtest/gtest.h>

#include "UpgradeTestSupport.h"
#include "XKxException.h"

namespace {

TEST(XKxException, LocationNamesTheOperationAndTheUnitBehindTheLastBackslash) {
    struct Case { const char16_t* source; const char16_t* operation; const char16_t* location; };
    for (const Case& c : {Case{u".\\xkxdatabasebase", u"XKxDatabaseBase::Init", u"<XKxDatabaseBase::Init> in [xkxdatabasebase]"},
                          Case{u"src\\sub\\xregistry", u"XRegistry::Open", u"<XRegistry::Open> in [xregistry]"},
                          Case{u"xlogging", u"XLogging::Open", u"<XLogging::Open> in [xlogging]"},
                          Case{u".\\xlogging", u"", u""}}) {
        EXPECT_EQ(XKxException(c.source, c.operation, u"m").GetLocation(), c.location);
    }
    const XKxException e(u".\\xregistry", u"XRegistry::Open", u"m");
    EXPECT_EQ(e.GetCode(), -1);
    EXPECT_FALSE(e.IsHandled());
}

TEST(XKxException, EachLevelAddsItsLocationAndMessageOutermostFirst) {
    XKxException e(-1017, u".\\xkxdatabasebase", u"XKxErrorCallBack::Receive", u"ORA-01017: invalid username/password");
    e.AddLocation(u".\\xkxdatabase", u"XKxDatabase::Open", u"Opening <database> failed!");
    e.AddLocation(u".\\xapplicationdatabases", u"XApplicationDatabases::OpenDatabases", u"Open failed!");
    EXPECT_EQ(e.GetCode(), -1017);
    EXPECT_EQ(e.GetLocation(),
              u"<XApplicationDatabases::OpenDatabases> in [xapplicationdatabases]\r\n               \t"
              u"<XKxDatabase::Open> in [xkxdatabase]\r\n               \t"
              u"<XKxErrorCallBack::Receive> in [xkxdatabasebase]");
    EXPECT_EQ(e.GetMessage(),
              u"Open failed!\r\nReason: \tOpening <database> failed!\r\nReason: \tORA-01017: invalid username/password");

    XKxException empty;   // code 0: nothing is added
    empty.AddLocation(u".\\x", u"X::Y", u"outer");
    EXPECT_EQ(empty.GetCode(), 0);
    EXPECT_TRUE(empty.GetLocation().IsEmpty());
    EXPECT_TRUE(empty.GetMessage().IsEmpty());
    empty.AddLocationOnly(u".\\x", u"X::Y");   // the location alone is always added
    EXPECT_EQ(empty.GetLocation(), u"<X::Y> in [x]");
}

TEST(XKxException, SetReplacesAndACopyStartsUnhandled) {
    XKxException e(-5, u".\\a", u"A::a", u"first");
    e.SetLocationAndMessage(u".\\b", u"B::b", u"second");
    EXPECT_TRUE(e.IsHandled());
    EXPECT_EQ(e.GetCode(), -5);
    EXPECT_EQ(e.GetLocation(), u"<B::b> in [b]");
    EXPECT_EQ(e.GetMessage(), u"second");
    const XKxException copy(e);
    EXPECT_FALSE(copy.IsHandled());
    EXPECT_EQ(copy.GetMessage(), u"second");
    e.Set(-7, u".\\c", u"C::c", u"third");
    EXPECT_EQ(e.GetCode(), -7);
    EXPECT_EQ(e.GetLocation(), u"<C::c> in [c]");
}

TEST(XKxException, ShowTellsNumberOnlyForARealCodeAndNothingForACancel) {
    w32test::TakeMessageBoxes();
    XKxException(-3113, u".\\x", u"X::Y", u"lost").Show();
    XKxException(u".\\x", u"X::Y", u"plain").Show();
    XKxException(XKxException::kCanceled, u"", u"", u"Upgrade canceled by user request!").Show();
    const auto boxes = w32test::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "An error occured:\n\nLocation:\t<X::Y> in [x]\nMessage:\tlost\nNumber:\t-3113\n");
    EXPECT_EQ(boxes[1].text, "An error occured:\n\nLocation:\t<X::Y> in [x]\nMessage:\tplain\n");
    EXPECT_EQ(boxes[0].type, static_cast<uint32_t>(MB_OK | MB_ICONERROR));
}

}  // namespace
