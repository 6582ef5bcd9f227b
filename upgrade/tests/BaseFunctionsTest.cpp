#include <gtest/gtest.h>

#include <regex>

#include "UpgradeTestSupport.h"
#include "XKxBaseFunctions.h"
#include "XKxException.h"
#include "XKxGlobals.h"
#include "XKxStatistic.h"

namespace {

using upgrade_test::ConsoleCapture;
using upgrade_test::Utf8;

TEST(BaseFunctions, PathsWithBackslashAsTheOnlySeparator) {
    struct Join { const char16_t* directory; const char16_t* name; const char16_t* path; };
    for (const Join& c : {Join{u"C:\\logs", u"a.log", u"C:\\logs\\a.log"},
                          Join{u"C:\\logs\\", u"a.log", u"C:\\logs\\a.log"},
                          Join{u"", u"a.log", u"a.log"},
                          Join{u"C:\\logs", u"D:\\other\\a.log", u"D:\\other\\a.log"},
                          Join{u"", u"sub\\a.log", u"sub\\a.log"},
                          Join{u"/tmp/x", u"a.log", u"/tmp/x\\a.log"}}) {
        EXPECT_EQ(JoinPath(c.directory, c.name), c.path) << Utf8(c.directory) << " + " << Utf8(c.name);
    }
    struct Split { const char16_t* path; const char16_t* file; const char16_t* directory; };
    for (const Split& c : {Split{u"C:\\dict_23\\_objects.dat", u"_objects.dat", u"C:\\dict_23"},
                           Split{u"C:\\dict_23\\", u"dict_23", u"C:\\dict_23"},
                           Split{u"script.sql", u"script.sql", u""},
                           Split{u"", u"", u""},
                           Split{u"\\", u"", u""}}) {
        EXPECT_EQ(FileNameOf(c.path), c.file) << Utf8(c.path);
        EXPECT_EQ(DirectoryOf(c.path), c.directory) << Utf8(c.path);
    }
    upgrade_test::TempDir dir;
    EXPECT_TRUE(FileExists(CString(dir.Path().c_str())));
    EXPECT_FALSE(FileExists(CString((dir / "missing").c_str())));
}

TEST(BaseFunctions, TextHelpers) {
    CString left(u"x");
    CString right(u"y");
    EXPECT_TRUE(SplitAt(left, right, u"user/pass@service", u'/'));
    EXPECT_EQ(left, u"user");
    EXPECT_EQ(right, u"pass@service");
    EXPECT_FALSE(SplitAt(left, right, u"nouser", u'/'));
    EXPECT_EQ(left, u"nouser");
    EXPECT_TRUE(right.IsEmpty());
    CString text(u"a=b");
    EXPECT_TRUE(SplitAt(text, right, text, u'='));   // the text may be one of the outputs
    EXPECT_EQ(text, u"a");
    EXPECT_EQ(right, u"b");

    EXPECT_EQ(RepeatStar(3), u"***");
    EXPECT_EQ(RepeatBlank(2), u"  ");
    EXPECT_EQ(RepeatDash(0), u"");
    EXPECT_EQ(RepeatDash(-4), u"");
    EXPECT_EQ(PadRight(u"ab", 5), u"ab   ");
    EXPECT_EQ(PadRight(u"abcdef", 3), u"abcdef");
    EXPECT_TRUE(HasFlag(0x31, 0x20));
    EXPECT_FALSE(HasFlag(0x11, 0x20));
    EXPECT_FALSE(HasFlag(INT32_MIN, INT32_MIN));   // the sign bit alone is not "above 0"
}

TEST(BaseFunctions, KernelTextsAndReferences) {
    const CString wide(u"Größe Ω");
    const KxString cs253 = CStringToKxString253(wide);
    EXPECT_EQ(cs253.CodeSet(), 253);
    EXPECT_EQ(KxStringToCString(cs253), wide);
    const KxString cs1 = CStringToKxString(u"Größe");
    EXPECT_EQ(cs1.CodeSet(), 1);
    EXPECT_EQ(KxStringToCString(cs1), u"Größe");
    EXPECT_EQ(CStringToKxString(wide).CodeSet(), 253);   // Ω has no code set 1 form: kept whole
    EXPECT_TRUE(KxStringToCString(KxString()).IsEmpty());

    KxRef a(KxObjId(5), KxClassId(3, 0));
    KxRef b(KxObjId(40), KxClassId(3, 0));
    EXPECT_FALSE(RefLess(a, b));   // printed texts: "5:3.0" after "40:3.0"
    EXPECT_TRUE(RefLess(b, a));

    KxRef ref;
    SetRefFromObjectId(ref, KxObjId(0x12345678u, 0x9ABC, 7));
    EXPECT_EQ(ref.GetObjId().GetLow(), 0x12345678u);
    EXPECT_EQ(ref.GetObjId().GetHigh(), 0x9ABC);
    EXPECT_EQ(ref.GetObjId().GetOrigin(), 7);
}

TEST(BaseFunctions, NewUuidAndItsFailures) {
    const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
    const CString first = GetNewUuid();
    EXPECT_TRUE(std::regex_match(Utf8(first), form)) << Utf8(first);
    EXPECT_NE(GetNewUuid(), first);

    struct Case { w32test::Call call; int32_t injected; int32_t code; };
    for (const Case& c : {Case{w32test::Call::CreateGuid, static_cast<int32_t>(E_OUTOFMEMORY), static_cast<int32_t>(E_OUTOFMEMORY)},
                          Case{w32test::Call::GuidToText, RPC_S_OUT_OF_MEMORY, -1},
                          Case{w32test::Call::FreeRpcString, RPC_S_INVALID_ARG, -1}}) {
        w32test::FailNext(c.call, c.injected);
        try {
            GetNewUuid();
            ADD_FAILURE() << "no exception";
        } catch (const XKxException& e) {
            EXPECT_EQ(e.GetCode(), c.code);
            EXPECT_EQ(e.GetLocation(), u"<GetNewUuid> in [xkxbasefunctions]");
            EXPECT_EQ(e.GetMessage(), u"Error getting new UUID!");
        }
    }
}

TEST(BaseFunctions, TimingEntriesTagTheirKind) {
    XKxStatistic root(u"Upgrade");
    EXPECT_EQ(StartTimingEntry(nullptr, u"x", u"SQL"), nullptr);
    StartEntryClock(nullptr);
    StopEntryClock(nullptr);
    XKxStatistic* sql = StartTimingEntry(&root, u"script.sql", u"SQL");
    ASSERT_NE(sql, nullptr);
    EXPECT_EQ(sql->GetNames(), u"<SQL>");
    sql->AddName(u"Binary");
    EXPECT_EQ(sql->GetNames(), u"<SQL>, <Binary>");
    XKxStatistic* step = StartInternalTimingEntry(&root, u"ConvertOrders");
    EXPECT_EQ(step->GetNames(), u"<internal>");
    EXPECT_EQ(step->GetNumber(), u"2");
}

TEST(BaseFunctions, WithoutADisplayTextGoesToTheConsoleAndLogLinesAreDropped) {
    SetProgressOutput(nullptr);
    ConsoleCapture console;
    Print(u"first", 0);
    Print(u"...continued", 1);
    PrintStepStart(u"Scripts");
    ProgressTick();
    SetStatusTitleAndDetail(u"Title", u"detail");
    LogLine(u"dropped", true);
    LogEmptyLine();
    LogErrorBlock(XKxException(u".\\x", u"X::Y", u"dropped"));
    SetStatusTitle(u"nothing");
    FinishStep(true);
    EXPECT_EQ(console.Text(), "\nfirst...continued\n- Scripts....Title detail\n");
    EXPECT_EQ(GetLogging(), nullptr);
    EXPECT_TRUE(GetLogDirectory().IsEmpty());
    EXPECT_FALSE(TakeCancelRequest());
    EXPECT_EQ(ShowProgressCount(1, 2), 0);
    CString elapsed(u"x");
    GetElapsedText(elapsed);
    EXPECT_TRUE(elapsed.IsEmpty());
}

TEST(Globals, ToolIdentityAndFormats) {
    EXPECT_EQ(gToolVersion, u"2.20.1");
    EXPECT_EQ(gToolRelease, u"R20");
    EXPECT_TRUE(std::regex_match(Utf8(gBuildDate), std::regex("[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}")));
    EXPECT_TRUE(std::regex_match(Utf8(gBuildTime), std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}")));
    EXPECT_NE(gToolPath.Find(u"upgrade_tests"), -1) << Utf8(gToolPath);
    EXPECT_EQ(gSeparator, CString(u'-', 70) + u"\r\n          ");
    CString line;
    line.Format(gSettingLineFormat, u"Server", u"database", u"ORACLE$ORCL");
    EXPECT_EQ(line, u"--> Server for <database> is <ORACLE$ORCL>");
    line.Format(gErrorCodeLineFormat, -1017);
    EXPECT_EQ(line, u"    Error Code: -1017");
    EXPECT_EQ(gWorkerException.GetCode(), 0);
}

}  // namespace
