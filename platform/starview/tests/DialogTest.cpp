// Modal dialogs built from an in-code resource and ended by scripted button presses; message boxes
// answered by the script or by their default button, and the box log.
#include <fstream>
#include <functional>
#include <memory>

#include "SvWindowsTestSupport.h"

namespace {

void Fill(SvResourceFile& f) {
    f.AddWindow(RSC_MODALDIALOG, 2001, "Choose", Point(100, 80), Size(240, 100))
        .AddControl(RSC_OKBUTTON, 1, Point(10, 60), Size(60, 24), "~OK")
        .AddControl(RSC_CANCELBUTTON, 1, Point(80, 60), Size(60, 24), "Cancel")
        .AddControl(RSC_PUSHBUTTON, 1, Point(150, 60), Size(60, 24), "Seven")
        .AddControl(RSC_PUSHBUTTON, 2, Point(10, 10), Size(60, 24), "Disabled");
}
SvResourceFile theResources("", &Fill);  // the application's own file

class ChooseDialog : public ModalDialog {
public:
    explicit ChooseDialog(Window* parent)
        : ModalDialog(parent, ResId(2001)), ok_(this, ResId(1)), cancel_(this, ResId(1)), seven_(this, ResId(1)),
          disabled_(this, ResId(2)) {
        FreeResource();
        seven_.ChangeClickHdl(SV_LINK(this, ChooseDialog, SevenHdl));
        disabled_.ChangeClickHdl(SV_LINK(this, ChooseDialog, SevenHdl));
        disabled_.Disable();
    }
    SV_DECL_LINK(SevenHdl, Button*);

    OKButton ok_;
    CancelButton cancel_;
    PushButton seven_;
    PushButton disabled_;
    Button* clicked_ = nullptr;
};

SV_IMPL_LINK(ChooseDialog, SevenHdl, Button*, button) {
    clicked_ = button;
    EndDialog(7);
    return 1;
}

class DialogTest : public svtest::WindowsTest {};

TEST_F(DialogTest, ADialogFromAResourceEndsWithTheValueOfTheButtonTheScriptPresses) {
    WorkWindow main(nullptr);
    main.SetText("Main");
    ChooseDialog dialog(&main);
    EXPECT_EQ(dialog.GetText(), "Choose");
    EXPECT_EQ(dialog.GetPosPixel(), Point(100, 80));
    EXPECT_EQ(dialog.GetOutputSizePixel(), Size(240, 100));
    EXPECT_EQ(dialog.GetResId(), 2001u);
    EXPECT_EQ(ResId(0).GetResMgr()->GetContext(), nullptr);  // popped by FreeResource
    EXPECT_EQ(dialog.ok_.GetText(), "~OK");
    EXPECT_EQ(dialog.ok_.GetPosPixel(), Point(10, 60));
    EXPECT_EQ(dialog.cancel_.GetPosPixel(), Point(80, 60));
    EXPECT_EQ(dialog.seven_.GetText(), "Seven");
    EXPECT_EQ(dialog.seven_.GetType(), RSC_PUSHBUTTON);
    EXPECT_TRUE(dialog.seven_.IsVisible());  // the controls of a dialog show with it
    EXPECT_FALSE(dialog.IsVisible());

    SvSetScript("press \"Choose\" OKButton 1\n"
                "# by resource id\n"
                "press #2001 CancelButton 1\n"
                "press \"Choose\" PushButton 2\n"  // disabled: nothing happens
                "text \"Choose\" PushButton 1 \"Eight\"\n"
                "click #2001 \"Eight\"\n",
                "choose.sv");
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_FALSE(dialog.IsVisible());
    EXPECT_FALSE(dialog.IsInExecute());
    EXPECT_EQ(dialog.Execute(), 0);
    EXPECT_EQ(dialog.Execute(), 7);
    EXPECT_EQ(dialog.clicked_, &dialog.seven_);
    EXPECT_EQ(dialog.seven_.GetText(), "Eight");

    // The dialog painted its buttons: the clicked text was found there.
    EXPECT_NE(SvWindowLogText(dialog).find("text -2 5 64 13 \"Disabled\" font=\"\"/13 color=#808080"), std::string::npos);
    EXPECT_NE(SvWindowLogText(dialog).find("\"OK\""), std::string::npos);
}

TEST_F(DialogTest, CloseEndsARunningModalDialogWithZeroAndAHandlerEndsItWithItsValue) {
    class Ender : public PushButton {
    public:
        explicit Ender(Window* parent) : PushButton(parent) {}
        void Click() override { static_cast<ModalDialog*>(GetParent())->EndDialog(5); }
    };
    WorkWindow main(nullptr);
    ModalDialog dialog(&main);
    dialog.SetText("Plain");
    Ender ender(&dialog);
    ender.SetSizePixel(Size(50, 20));
    ender.Show();
    SvSetScript("close \"Plain\"\npress \"Plain\" PushButton 0\n", "plain.sv");
    EXPECT_EQ(dialog.Execute(), 0);
    dialog.EndDialog(3);  // not running: no effect on the next run
    EXPECT_EQ(dialog.Execute(), 5);
}

TEST_F(DialogTest, MessageBoxesAnswerFromTheScriptOrWithTheirDefaultButtonAndAreLogged) {
    WorkWindow main(nullptr);
    main.SetText("Main");
    struct Case {
        const char* script;
        std::function<MessBox*()> make;
        short answer;
        const char* line;
    };
    const Case cases[] = {
        {"answer ok\n", [] { return new InfoBox(nullptr, "Saved."); }, RET_OK,
         "InfoBox parent=\"\" text=\"Saved.\" buttons=ok answer=ok"},
        {"", [&] { return new WarningBox(&main, WB_OK, "Careful"); }, RET_OK,
         "WarningBox parent=\"Main\" text=\"Careful\" buttons=ok answer=ok unscripted"},
        {"answer retry\n", [] { return new ErrorBox(nullptr, WB_RETRY_CANCEL, "Failed"); }, RET_RETRY,
         "ErrorBox parent=\"\" text=\"Failed\" buttons=retry,cancel answer=retry"},
        {"answer cancel \"Failed\"\n", [] { return new ErrorBox(nullptr, WB_RETRY_CANCEL, "Failed"); }, RET_CANCEL,
         "ErrorBox parent=\"\" text=\"Failed\" buttons=retry,cancel answer=cancel"},
        {"", [] { return new ErrorBox(nullptr, WB_RETRY_CANCEL | WB_DEF_BUTTON2, "Failed"); }, RET_CANCEL,
         "ErrorBox parent=\"\" text=\"Failed\" buttons=retry,cancel answer=cancel unscripted"},
        {"answer no\n", [&] { return new QueryBox(&main, 0x1040, "Close it?"); }, RET_NO,
         "QueryBox parent=\"Main\" text=\"Close it?\" buttons=yes,no answer=no"},
        {"answer \"Abort\"\n",
         [] {
             auto* box = new QueryBox(nullptr, 0x1080, "There are opened Transactions.");
             box->SetButtonText(RET_YES, "Commit");
             box->SetButtonText(RET_NO, "Abort");
             return box;
         },
         RET_NO,
         "QueryBox parent=\"\" text=\"There are opened Transactions.\" buttons=yes=\"Commit\",no=\"Abort\",cancel "
         "answer=no"},
        {"", [] { return new QueryBox(nullptr, WB_YES_NO_CANCEL | WB_DEF_BUTTON3, "Q"); }, RET_CANCEL,
         "QueryBox parent=\"\" text=\"Q\" buttons=yes,no,cancel answer=cancel unscripted"},
        {"answer 2\n", [] { return new MessBox(nullptr, WB_YES_NO_CANCEL, "M"); }, RET_YES,
         "MessBox parent=\"\" text=\"M\" buttons=yes,no,cancel answer=yes"},
        {"answer cancel\n", [] { return new MessBox(nullptr, WB_OK_CANCEL, "M"); }, RET_CANCEL,
         "MessBox parent=\"\" text=\"M\" buttons=ok,cancel answer=cancel"},
        {"", [] { return new MessBox(nullptr, 0, "No bits"); }, RET_OK,
         "MessBox parent=\"\" text=\"No bits\" buttons=ok answer=ok unscripted"},
        {"click \"Main\" 1 1\n", [] { return new InfoBox(nullptr, "Next line is no answer"); }, RET_OK,
         "InfoBox parent=\"\" text=\"Next line is no answer\" buttons=ok answer=ok unscripted"},
    };
    for (const Case& c : cases) {
        SvSetScript(c.script, "boxes.sv");
        std::unique_ptr<MessBox> box(c.make());
        EXPECT_EQ(box->Execute(), c.answer) << c.line;
        const std::vector<SvBoxRecord> log = SvTakeBoxLog();
        ASSERT_EQ(log.size(), 1u) << c.line;
        EXPECT_EQ(log[0].Line(), c.line);
    }

    // With SV_PAINT_DIR set, each box is also appended to boxes.log there.
    svtest::TempDir dir;
    setenv("SV_PAINT_DIR", dir.Path().c_str(), 1);
    SvSetScript("answer yes\n", "boxes.sv");
    QueryBox(&main, WB_YES_NO, "One?").Execute();
    InfoBox(nullptr, "Two").Execute();
    std::ifstream in(dir.Path() + "/boxes.log");
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "QueryBox parent=\"Main\" text=\"One?\" buttons=yes,no answer=yes");
    EXPECT_EQ(second, "InfoBox parent=\"\" text=\"Two\" buttons=ok answer=ok unscripted");
    unsetenv("SV_PAINT_DIR");
}

}  // namespace
