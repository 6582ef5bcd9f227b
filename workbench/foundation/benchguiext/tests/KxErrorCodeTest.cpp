// Error codes: their texts, classes and comparisons, and their display by the mask, in the main
// loop (message boxes answered by a script) and outside it (a beep).
#include <gtest/gtest.h>
#include <sv.h>
#include <w32test.h>

#include <functional>
#include <string>
#include <vector>

#include "KxErrorCode.h"

namespace {

class KxErrorCodeTest : public ::testing::Test {
protected:
    KxErrorCodeTest() {
        SvTakeBoxLog();
        w32test::TakeMessageBeeps();
    }
    ~KxErrorCodeTest() override {
        // Back to the initial mask: warning, error and fatal.
        for (int c = 0; c < 16; ++c) KxErrorCode::clearDisplayLevel(static_cast<KxErrorClass>(c));
        KxErrorCode::setDisplayLevel(KxErrWarning);
        KxErrorCode::setDisplayLevel(KxErrError);
        KxErrorCode::setDisplayLevel(KxErrFatal);
    }

    // Runs the action inside the application's main loop; the script answers its boxes.
    static void InMainLoop(const char* script, std::function<void()> action) {
        SvSetScript(script, "errors.sv");
        Application app;
        app.PostUserEvent(Link(&action, [](void* object, void*) -> long {
            (*static_cast<std::function<void()>*>(object))();
            return 0;
        }));
        app.Execute();
    }

    static std::vector<std::string> Boxes() {
        std::vector<std::string> lines;
        for (const SvBoxRecord& box : SvTakeBoxLog()) lines.push_back(box.Line());
        return lines;
    }
};

TEST_F(KxErrorCodeTest, ConstructorsMakeTheirTexts) {
    struct Case {
        KxErrorCode code;
        KxErrorClass errorClass;
        const char* text;
    };
    const Case cases[] = {
        {KxErrorCode(), KxErrNone, "Why are you printing this error, check your assumptions."},
        {KxErrorCode(KxErrWarning, "Cannot open %s."), KxErrWarning, "Cannot open %s."},
        // A blank before the line break and no colon; a code the kernel has no text for.
        {KxErrorCode(KxErrError, 5), KxErrError, "Tessaform error: 5 \n"},
        {KxErrorCode(KxErrFatal, -2831), KxErrFatal, "Tessaform error: -2831 \ninvalid critical section or thread argument"},
        {KxErrorCode(KxErrError, -2831, "object %d of %s", 7, "Party"), KxErrError,
         "Tessaform error: -2831: invalid critical section or thread argument\nobject 7 of Party"},
        {KxErrorCode(KxErrInfo, "Agent Manager", "cannot load %s", "VO110Vbrowse.agt"), KxErrInfo,
         "Agent Manager: cannot load VO110Vbrowse.agt"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.text, c.code.errorString());
        EXPECT_EQ(c.code, KxErrorCode(c.errorClass, c.text));
    }
}

TEST_F(KxErrorCodeTest, ClassQueriesAndComparisons) {
    struct Case {
        KxErrorClass errorClass;
        int fatal, error, warning, info;
    };
    const Case cases[] = {
        {KxErrNone, 0, 0, 0, 0}, {KxErrInfo, 0, 0, 0, 1}, {KxErrWarning, 0, 0, 1, 0},
        {KxErrError, 0, 1, 0, 0}, {KxErrFatal, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const KxErrorCode code(c.errorClass, "x");
        EXPECT_EQ(c.fatal, code.isFatal());
        EXPECT_EQ(c.error, code.isError());
        EXPECT_EQ(c.warning, code.isWarning());
        EXPECT_EQ(c.info, code.isInfo());
        const bool success = c.errorClass == KxErrNone;
        EXPECT_EQ(success, static_cast<void*>(code) == nullptr);
        EXPECT_EQ(success ? 1 : 0, !code);
    }
    EXPECT_EQ(1, !KxErrorCode());   // the default code is a success

    const KxErrorCode warning(KxErrWarning, "same text");
    const KxErrorCode error(KxErrError, "same text");
    EXPECT_EQ(0, warning == error);
    EXPECT_EQ(1, warning != error);
    EXPECT_EQ(1, warning != KxErrorCode(KxErrWarning, "same text."));
    KxErrorCode copy(warning);
    EXPECT_EQ(1, copy == warning);
    copy = error;
    EXPECT_EQ(1, copy == error);
    EXPECT_TRUE(copy.isError());
}

TEST_F(KxErrorCodeTest, TheMaskDecidesWhatIsShown) {
    std::vector<int> responses;
    InMainLoop("", [&] {
        responses.push_back(KxErrorCode().display());
        responses.push_back(KxErrorCode(KxErrInfo, "info 1").display());
        responses.push_back(KxErrorCode(KxErrWarning, "warning 1").display());
        KxErrorCode::setDisplayLevel(KxErrNone);
        KxErrorCode::setDisplayLevel(KxErrInfo);
        KxErrorCode::clearDisplayLevel(KxErrWarning);
        responses.push_back(KxErrorCode().display());
        responses.push_back(KxErrorCode(KxErrInfo, "info 2").display());
        responses.push_back(KxErrorCode(KxErrWarning, "warning 2").display());
    });
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 0}), responses);
    EXPECT_EQ((std::vector<std::string>{
                  "WarningBox parent=\"\" text=\"warning 1\" buttons=ok answer=ok unscripted",
                  "InfoBox parent=\"\" text=\"Why are you printing this error, check your assumptions.\" buttons=ok answer=ok unscripted",
                  "InfoBox parent=\"\" text=\"info 2\" buttons=ok answer=ok unscripted",
              }),
              Boxes());
    EXPECT_EQ(0, KxErrorCode(KxErrWarning, "w").shouldBeDisplayed());
    EXPECT_NE(0, KxErrorCode(KxErrInfo, "i").shouldBeDisplayed());
    EXPECT_EQ(0, w32test::TakeMessageBeeps());
}

TEST_F(KxErrorCodeTest, BoxesAndTheUsersAnswers) {
    std::vector<int> responses;
    InMainLoop("answer retry\nanswer cancel\nanswer ok\n", [&] {
        responses.push_back(KxErrorCode(KxErrError, "Cannot store.").display());
        responses.push_back(KxErrorCode(KxErrError, "Cannot store.").display());
        responses.push_back(KxErrorCode(KxErrFatal, "Out of memory.").display());
    });
    EXPECT_EQ((std::vector<int>{KxErrResponseRetry, KxErrResponseCancel, KxErrResponseNone}), responses);
    EXPECT_EQ((std::vector<std::string>{
                  "ErrorBox parent=\"\" text=\"Cannot store.\" buttons=retry,cancel answer=retry",
                  "ErrorBox parent=\"\" text=\"Cannot store.\" buttons=retry,cancel answer=cancel",
                  "ErrorBox parent=\"\" text=\"Out of memory.\" buttons=ok answer=ok",
              }),
              Boxes());
}

TEST_F(KxErrorCodeTest, DisplayVFormatsTheTextWithTheArguments) {
    std::vector<int> responses;
    InMainLoop("answer cancel\n", [&] {
        responses.push_back(KxErrorCode(KxErrError, "object %d of %s").displayV(-2831, 7, "Party"));
        responses.push_back(KxErrorCode(KxErrWarning, "%s has %u members").displayV(
            static_cast<KxErrorCodeDummyParamForElipsis*>(nullptr), "Party", 3u));
        responses.push_back(KxErrorCode(KxErrInfo, "not shown %d").displayV(1, 2));
    });
    EXPECT_EQ((std::vector<int>{KxErrResponseCancel, KxErrResponseNone, KxErrResponseNone}), responses);
    EXPECT_EQ((std::vector<std::string>{
                  "ErrorBox parent=\"\" text=\"Tessaform error: -2831: invalid critical section or thread "
                  "argument\\x0Aobject 7 of Party\" buttons=retry,cancel answer=cancel",
                  "WarningBox parent=\"\" text=\"Party has 3 members\" buttons=ok answer=ok unscripted",
              }),
              Boxes());
}

TEST_F(KxErrorCodeTest, OutsideTheMainLoopAShownCodeOnlyBeeps) {
    EXPECT_FALSE(GetpApp()->IsInMain());
    EXPECT_EQ(KxErrResponseNone, KxErrorCode(KxErrError, "during start-up").display());
    EXPECT_EQ(KxErrResponseNone, KxErrorCode(KxErrFatal, "%d").displayV(3, 4));
    EXPECT_EQ(KxErrResponseNone, KxErrorCode(KxErrInfo, "masked").display());   // not even a beep
    EXPECT_EQ(2, w32test::TakeMessageBeeps());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(KxErrorCodeTest, AClassWithoutABoxShowsNothingAndAnswersCancel) {
    const auto unknown = static_cast<KxErrorClass>(5);
    const auto outside = static_cast<KxErrorClass>(40);
    std::vector<int> responses;
    InMainLoop("", [&] {
        responses.push_back(KxErrorCode(unknown, "five").display());
        KxErrorCode::setDisplayLevel(unknown);
        KxErrorCode::setDisplayLevel(outside);   // beyond the mask: ignored
        responses.push_back(KxErrorCode(unknown, "five").display());
        responses.push_back(KxErrorCode(outside, "forty").display());
    });
    EXPECT_EQ((std::vector<int>{KxErrResponseNone, KxErrResponseCancel, KxErrResponseNone}), responses);
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
