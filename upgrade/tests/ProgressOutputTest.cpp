#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "UpgradeTestSupport.h"
#include "XKxBaseFunctions.h"
#include "XKxException.h"
#include "XLogging.h"
#include "XProgressOutput.h"

namespace {

using upgrade_test::FakeClock;
using upgrade_test::ReadAll;
using upgrade_test::TempDir;
using upgrade_test::Utf8;

class RecordingOwner : public XProgressOwner {
public:
    void SetOwnerValue(int32_t value) override { values.push_back(value); }
    std::vector<int32_t> values;
};

class ProgressOutputTest : public ::testing::Test {
protected:
    ProgressOutputTest() {
        auto log = std::make_unique<XLogging>(u"5.4", true);
        EXPECT_EQ(log->Open(CString(dir_.Path().c_str()), u"progress", u""), 0);
        display_ = std::make_unique<XProgressOutput>(u"LiftRunner", std::move(log), &owner_);
    }
    ~ProgressOutputTest() override { SetProgressOutput(nullptr); }

    // The log's lines after the start banner.
    std::string Log() const {
        const std::string text = ReadAll(dir_ / "progress.log");
        const std::string dashes(105, '-');
        const size_t at = text.find(dashes);
        return at == std::string::npos ? text : text.substr(at + dashes.size() + 2);
    }
    CString Control(int id) const {
        CString text;
        display_->GetDlgItemText(id, text);
        return text;
    }
    CString Title() const {
        CString text;
        display_->GetWindowText(text);
        return text;
    }

    TempDir dir_;
    FakeClock clock_{1000};
    RecordingOwner owner_;
    std::unique_ptr<XProgressOutput> display_;
};

TEST_F(ProgressOutputTest, WriteFlags) {
    struct Step { const char16_t* text; int32_t flags; const char16_t* lines; const char16_t* indent; };
    const Step steps[] = {
        {u"Upgrading", 2 | 16, u"Upgrading", u"    "},
        {u"step", 0, u"Upgrading\r\n    step", u"    "},
        {u"...done", 1, u"Upgrading\r\n    step...done", u"    "},
        {u"inner", 2, u"Upgrading\r\n    step...done\r\n    inner", u"        "},
        {u" continued", 5, u"Upgrading\r\n    step...done\r\n    inner continued", u"    "},   // unindent, continue
        {u"reset", 8 | 2, u"Upgrading\r\n    step...done\r\n    inner continued\r\nreset", u"    "},
        {u"out", 4, u"Upgrading\r\n    step...done\r\n    inner continued\r\nreset\r\nout", u""},
        {u"still", 4, u"Upgrading\r\n    step...done\r\n    inner continued\r\nreset\r\nout\r\nstill", u""},   // nothing to drop
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(Utf8(s.text));
        display_->Write(s.text, s.flags);
        EXPECT_EQ(display_->GetLines(), s.lines);
        EXPECT_EQ(display_->GetIndent(), s.indent);
    }
    EXPECT_EQ(display_->GetLineCount(), 6);
    EXPECT_TRUE(std::regex_match(Log(), std::regex("\r\n[0-9]{2}:[0-9]{2}:[0-9]{2}: Upgrading"
                                                   "\r\n              step\\.\\.\\.done"
                                                   "\r\n              inner continued"
                                                   "\r\n          reset\r\n          out\r\n          still")))
        << Log();

    w32test::TakeMessageBoxes();
    display_->Write(u"x", 2);
    display_->Write(u"debug", 32);
    const auto boxes = w32test::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Indent before: 4");

    display_->EnableLog(false);
    display_->Write(u"not logged", 0);
    EXPECT_EQ(Log().find("not logged"), std::string::npos);
}

TEST_F(ProgressOutputTest, TheMessageAreaKeepsTheLast20Lines) {
    for (int i = 1; i <= 25; ++i) display_->Write(CString(std::to_string(i).c_str()), 0);
    EXPECT_EQ(display_->GetLineCount(), 20);
    CString expected(u"6");
    for (int i = 7; i <= 25; ++i) expected += u"\r\n" + CString(std::to_string(i).c_str());
    EXPECT_EQ(display_->GetLines(), expected);
    display_->Write(u"...more", 1);   // a continuation drops nothing
    EXPECT_EQ(display_->GetLineCount(), 20);
    EXPECT_EQ(display_->GetLines().Right(9), u"25...more");
    display_->Refresh();
    EXPECT_EQ(Control(XProgressOutput::kMessageControl), display_->GetLines());
    // Every line went to the log, also the dropped ones.
    EXPECT_NE(Log().find("          1\r\n          2\r\n"), std::string::npos);
}

TEST_F(ProgressOutputTest, ACancelRequestThrowsOnceAtTheNextDisplayUpdate) {
    display_->RequestCancel();
    display_->Refresh();   // cancel check off: nothing thrown, the request waits
    display_->EnableCancelCheck(true);
    try {
        display_->SetStatus(u"22 --> 23");
        ADD_FAILURE() << "no exception";
    } catch (const XKxException& e) {
        EXPECT_EQ(e.GetCode(), XKxException::kCanceled);
        EXPECT_EQ(e.GetMessage(), u"Upgrade canceled by user request!");
        EXPECT_TRUE(e.GetLocation().IsEmpty());
    }
    EXPECT_EQ(Control(XProgressOutput::kStatusControl), u"22 --> 23");   // the text was set first
    display_->Refresh();   // taken once
    EXPECT_FALSE(display_->TakeCancelRequest());

    display_->EnableCancelCheck(false);
    display_->RequestCancel();
    EXPECT_TRUE(display_->TakeCancelRequest());
    EXPECT_FALSE(display_->TakeCancelRequest());
}

TEST_F(ProgressOutputTest, TicksTurnTheSpinnerAndTheTitleAtMostEvery200ms) {
    display_->Write(u"- Open <database>...", 0);
    display_->StartStep();
    display_->Refresh();
    EXPECT_EQ(Control(XProgressOutput::kMessageControl), u"- Open <database>... |");
    std::vector<CString> spinner;
    for (int i = 0; i < 5; ++i) {
        clock_.Advance(333);
        display_->Tick();
        clock_.Advance(50);   // too early: no update
        display_->Tick();
        spinner.push_back(Control(XProgressOutput::kMessageControl).Right(1));
    }
    EXPECT_EQ(spinner, (std::vector<CString>{u"/", u"-", u"\\", u"|", u"/"}));
    EXPECT_EQ(Control(XProgressOutput::kStepElapsedControl), u" 2 seconds");
    EXPECT_EQ(Title(), u"LiftRunner - Total running time:  2 seconds");

    display_->StopStep();
    display_->Refresh();
    EXPECT_EQ(Control(XProgressOutput::kMessageControl), u"- Open <database>...");
    EXPECT_TRUE(Control(XProgressOutput::kStepCounterControl).IsEmpty());
}

TEST_F(ProgressOutputTest, ProgressShowsCounterElapsedAndEstimates) {
    display_->StartStep();
    clock_.Advance(1000);
    display_->Progress(0, 100);   // nothing done: nothing shown
    EXPECT_TRUE(Control(XProgressOutput::kStepCounterControl).IsEmpty());
    display_->Progress(1, 100);   // the estimate counts from here
    EXPECT_EQ(Control(XProgressOutput::kStepCounterControl), u"  1% (1/100)");
    EXPECT_TRUE(Control(XProgressOutput::kEstimatedTotalControl).IsEmpty());   // 1% after 1 s: too early
    clock_.Advance(4000);
    display_->Progress(9, 100);
    EXPECT_EQ(Control(XProgressOutput::kStepCounterControl), u"  9% (9/100)");
    EXPECT_EQ(Control(XProgressOutput::kStepElapsedControl), u" 5 seconds");
    // 9% of 100 after 5 s, counted from 1 s: 100 / 9 x 4 s + 1 s.
    EXPECT_EQ(Control(XProgressOutput::kEstimatedTotalControl), u"45 seconds");
    EXPECT_EQ(Control(XProgressOutput::kRemainingControl), u"40 seconds");
    EXPECT_EQ(Title(), u"LiftRunner - Total running time:  5 seconds");

    clock_.Advance(1000);
    display_->TickCount(30, 60);
    EXPECT_EQ(Control(XProgressOutput::kStepCounterControl), u" 50% (30/60)");

    clock_.Advance(1000);
    XPercent first(3, 4, 0);
    XPercent second(1, 4, 0);
    display_->Write(u"copying", 0);
    display_->ProgressTwo(u"Objects", first, u"Sets", second);
    EXPECT_EQ(Control(XProgressOutput::kStepCounterControl), u" 50% (4/8)");
    EXPECT_EQ(Control(XProgressOutput::kMessageControl), u"copying [Objects:  75% (3/4)] [Sets:  25% (1/4)]");

    display_->StopStep();
    EXPECT_EQ(Control(XProgressOutput::kStepElapsedControl), u" 7 seconds");
    for (int id : {XProgressOutput::kEstimatedTotalControl, XProgressOutput::kRemainingControl,
                   XProgressOutput::kStepCounterControl})
        EXPECT_TRUE(Control(id).IsEmpty()) << id;
}

TEST_F(ProgressOutputTest, ForwardersReachTheDisplay) {
    SetProgressOutput(display_.get());
    EXPECT_EQ(GetProgressOutput(), display_.get());
    EXPECT_EQ(GetLogging(), display_->GetLog());

    Print(u"Structure", 2);
    SetStatusTitle(u"Upgrading structure");
    EXPECT_EQ(Control(XProgressOutput::kActionControl), u"Upgrading structure");
    SetStatusTitleAndDetail(u"Dictionary", u"dict_23");
    EXPECT_EQ(Control(XProgressOutput::kActionControl), u"Dictionary");
    EXPECT_EQ(Control(XProgressOutput::kStatusControl), u"dict_23");
    ShowVersionStep(22, 23);
    EXPECT_EQ(Control(XProgressOutput::kStatusControl), u"22 --> 23");
    ShowVersionStep(23, 22);
    EXPECT_TRUE(Control(XProgressOutput::kStatusControl).IsEmpty());
    ShowVersionStep(22, 23);

    PrintStepStart(u"Scripts");
    StartStepTimer();
    clock_.Advance(2000);
    ShowProgress(1, 4);
    EXPECT_EQ(Control(XProgressOutput::kStepCounterControl), u" 25% (1/4)");
    clock_.Advance(1000);
    EXPECT_EQ(ShowProgressCount(2, 4), 0);
    EXPECT_EQ(Control(XProgressOutput::kStepCounterControl), u" 50% (2/4)");
    clock_.Advance(1000);
    ShowCombinedProgress(1, 2, 1, 2);
    EXPECT_EQ(Control(XProgressOutput::kMessageControl).Right(29), u"[:  50% (1/2)] [:  50% (1/2)]");
    ProgressTick();
    CString elapsed;
    GetElapsedText(elapsed);
    EXPECT_EQ(elapsed, u" 4 seconds");
    FinishStep(true);
    EndStep();
    EXPECT_TRUE(Control(XProgressOutput::kActionControl).IsEmpty());
    EXPECT_TRUE(Control(XProgressOutput::kStatusControl).IsEmpty());
    PrintStepStart(u"Objects");
    ReportCount(u"updated", 12, u"objects", false);
    PrintStepStart(u"Sets");
    ReportUpdated(3, 4, u"sets");
    PrintStepStart(u"Locks");
    ReportDeleted(0, 4, u"locks");
    PrintStepStart(u"Plain");
    FinishStep(false);
    EXPECT_EQ(display_->GetLines(), u"Structure\r\n"
                                    u"    - Scripts......done in  4 seconds!\r\n"
                                    u"    - Objects......updated <12> objects!\r\n"
                                    u"    - Sets......updated <3> of <4> sets in  4 seconds!\r\n"
                                    u"    - Locks......deleted <0> of <4> locks in  4 seconds!\r\n"
                                    u"    - Plain......done!");
    EXPECT_EQ(Control(XProgressOutput::kMessageControl), display_->GetLines());

    LogLine(u"indented log line", false);
    LogEmptyLine();
    LogErrorBlock(XKxException(-2, u".\\x", u"X::Y", u"block"));
    LogErrorText(u"ORA-1", u"<here>", u"text block");
    const std::string log = Log();
    EXPECT_NE(log.find(": Upgrading structure\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": Dictionary\r\n          dict_23\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\n              indented log line\r\n\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Location:  \t<X::Y> in [x]\r\nMessage:   \tblock\r\nError Code:\t-2\r\n"), std::string::npos);
    EXPECT_NE(log.find("Location:  \t<here>\r\nMessage:   \ttext block\r\nError Code:\tORA-1\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Upgrading structure", log.find("Upgrading structure") + 1), std::string::npos);   // EndStep logs nothing

    SetDisplayOption(7);
    EXPECT_EQ(owner_.values, std::vector<int32_t>{7});
    display_->RequestCancel();
    EXPECT_TRUE(TakeCancelRequest());
    EnableCancelCheck(true);
    display_->RequestCancel();
    EXPECT_THROW(Print(u"x", 0), XKxException);
}

}  // namespace
