// The application: the event loop and user events, menus and popup menus with their handler
// stacks, accelerators, the MDI application, help, beeps, and the GUI thread.
#include <w32test.h>
#include <windows.h>

#include <thread>

#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;
using svtest::Probe;

void Fill(SvResourceFile& f) {
    SvMenuItemRes& file = f.AddMenu(300).AddPopup(301, "~File");
    file.popup.push_back(SvMenuItemRes{303, "~Open", "Open a file", false, false, true, {}});
    file.popup.push_back(SvMenuItemRes{306, "Print ~setup", "", false, false, false, {}});
    f.AddAccelerator(324).AddKey((KEY_A + 14) | KEY_MOD1, 303);
}
SvResourceFile theResources("", &Fill);

// A handler object that writes "<name> <item id>" and answers as told.
class Recorder {
public:
    Recorder(Lines& log, const char* name, long answer) : log_(log), name_(name), answer_(answer) {}
    SV_DECL_LINK(MenuHdl, Menu*);
    SV_DECL_LINK(AccelHdl, Accelerator*);
    SV_DECL_LINK(UserHdl, void*);

private:
    Lines& log_;
    std::string name_;
    long answer_;
};

SV_IMPL_LINK(Recorder, MenuHdl, Menu*, menu) {
    log_.push_back(name_ + " " + std::to_string(menu->GetCurItemId()));
    return answer_;
}
SV_IMPL_LINK(Recorder, AccelHdl, Accelerator*, accel) {
    log_.push_back(name_ + " " + std::to_string(accel->GetCurItemId()));
    return answer_;
}
SV_IMPL_LINK(Recorder, UserHdl, void*, data) {
    log_.push_back(name_ + " " + static_cast<const char*>(data) + (GetpApp()->IsInMain() ? " in main" : ""));
    if (answer_ != 0) GetpApp()->Quit();
    return 0;
}

class ApplicationTest : public svtest::WindowsTest {};

TEST_F(ApplicationTest, IsInMainHoldsWhileExecuteRunsAndUserEventsComeFromAnyThread) {
    Application app;
    EXPECT_EQ(GetpApp(), &app);
    Lines log;
    Recorder first(log, "first", 0), quitter(log, "quitter", 1), late(log, "late", 0);
    std::thread other([&] { app.PostUserEvent(SV_LINK(&first, Recorder, UserHdl), const_cast<char*>("a")); });
    other.join();
    app.PostUserEvent(SV_LINK(&quitter, Recorder, UserHdl), const_cast<char*>("b"));
    app.PostUserEvent(SV_LINK(&late, Recorder, UserHdl), const_cast<char*>("c"));
    EXPECT_FALSE(app.IsInMain());
    app.Execute();
    EXPECT_FALSE(app.IsInMain());
    EXPECT_EQ(log, (Lines{"first a in main", "quitter b in main"}));
    app.Execute();  // the queue goes on where Quit left it
    EXPECT_EQ(log.back(), "late c in main");
    app.Wait(true);
    app.Wait(true);
    app.Wait(false);
    EXPECT_TRUE(app.IsWait());
    app.Wait(false);
    EXPECT_FALSE(app.IsWait());
}

TEST_F(ApplicationTest, APopupMenuAnswersTheScriptedItemAfterItsHandlerStacks) {
    WorkWindow w(nullptr);
    PopupMenu popup;
    popup.InsertItem(1, "Open");
    popup.InsertSeparator();
    popup.InsertItem(2, "~Details");
    popup.CheckItem(2);
    popup.InsertItem(3, "Gone");
    popup.EnableItem(3, false);
    popup.SetHelpText(1, "Opens it");
    EXPECT_EQ(popup.GetItemCount(), 4);
    EXPECT_TRUE(popup.IsSeparator(1));
    EXPECT_EQ(popup.GetItemId(1), 0);
    EXPECT_EQ(popup.GetItemPos(2), 2);
    EXPECT_TRUE(popup.IsItemChecked(2));
    EXPECT_FALSE(popup.IsItemChecked(1));
    EXPECT_FALSE(popup.IsItemEnabled(3));
    EXPECT_EQ(popup.GetHelpText(1), "Opens it");
    EXPECT_EQ(popup.GetItemPos(9), MENU_ITEM_NOTFOUND);

    Lines log;
    Recorder low(log, "low", 1), high(log, "high", 0), stopper(log, "stopper", 1);
    Recorder activate(log, "activate", 0), highlight(log, "highlight", 0), deactivate(log, "deactivate", 0);
    popup.PushActivateHdl(SV_LINK(&activate, Recorder, MenuHdl));
    popup.PushHighlightHdl(SV_LINK(&highlight, Recorder, MenuHdl));
    popup.PushDeactivateHdl(SV_LINK(&deactivate, Recorder, MenuHdl));
    popup.PushSelectHdl(SV_LINK(&low, Recorder, MenuHdl));
    popup.PushSelectHdl(SV_LINK(&high, Recorder, MenuHdl));

    SvSetScript("popup 2\npopup \"Details\"\npopup none\n", "popup.sv");
    EXPECT_EQ(popup.Execute(&w, Point(5, 5)), 2);
    EXPECT_EQ(log, (Lines{"activate 2", "highlight 2", "deactivate 2", "high 2", "low 2"}));
    log.clear();
    popup.PushSelectHdl(SV_LINK(&stopper, Recorder, MenuHdl));
    EXPECT_EQ(popup.Execute(&w, Point(5, 5)), 2);
    EXPECT_EQ(log, (Lines{"activate 2", "highlight 2", "deactivate 2", "stopper 2"}));
    EXPECT_TRUE(popup.PopSelectHdl() == SV_LINK(&stopper, Recorder, MenuHdl));
    EXPECT_TRUE(popup.PopSelectHdl() == SV_LINK(&high, Recorder, MenuHdl));
    log.clear();
    EXPECT_EQ(popup.Execute(&w, Point(5, 5)), 0);  // "none"
    EXPECT_EQ(log, Lines{});
    EXPECT_EQ(popup.Execute(&w, Point(5, 5)), 0);  // nothing scripted
    EXPECT_TRUE(popup.PopSelectHdl() == SV_LINK(&low, Recorder, MenuHdl));
    EXPECT_FALSE(popup.PopSelectHdl().IsSet());
}

TEST_F(ApplicationTest, AnAcceleratorCallsItsTopHandlerInsteadOfTheWindowsKeyInput) {
    Application app;
    Lines log, keys;
    Probe<WorkWindow> w(keys, "w", nullptr);
    Accelerator accel(ResId(324));
    EXPECT_EQ(accel.GetItemCount(), 1);
    EXPECT_EQ(accel.GetItemId(0), 303);
    EXPECT_EQ(accel.GetKeyCode(303), KeyCode(KEY_A + 14, KEY_MOD1));
    Recorder below(log, "below", 0), top(log, "top", 1), activate(log, "activate", 0);
    accel.PushActivateHdl(SV_LINK(&activate, Recorder, AccelHdl));
    accel.PushSelectHdl(SV_LINK(&below, Recorder, AccelHdl));
    accel.PushSelectHdl(SV_LINK(&top, Recorder, AccelHdl));
    app.InsertAccel(&accel);

    SvPostKey(&w, KeyEvent(0, KeyCode(KEY_A + 14, KEY_MOD1)));
    SvPostKey(&w, SvKeyEventOf('o'));
    SvPostAccelerator(KeyCode(KEY_A + 14, KEY_MOD1));
    SvSetScript("accel ctrl+o\n", "accel.sv");
    app.Execute();
    EXPECT_EQ(log, (Lines{"activate 303", "top 303", "activate 303", "top 303", "activate 303", "top 303"}));
    EXPECT_EQ(keys, (Lines{"w KeyInput 'o' 0x020E"}));
    EXPECT_EQ(accel.GetCurKeyCode(), KeyCode(0x220E));

    app.RemoveAccel(&accel);
    SvPostKey(&w, KeyEvent(0, KeyCode(KEY_A + 14, KEY_MOD1)));
    app.Execute();
    EXPECT_EQ(keys.back(), "w KeyInput '-' 0x220E");
}

TEST_F(ApplicationTest, TheMenuCommandChoosesAnItemOfTheApplicationsMenuBar) {
    Application app;
    Lines log;
    MenuBar bar(ResId(300));
    PopupMenu* file = bar.GetPopupMenu(301);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetItemText(303), "~Open");
    EXPECT_EQ(file->GetHelpText(303), "Open a file");
    EXPECT_FALSE(file->IsItemEnabled(306));
    Recorder window(log, "window", 1), application(log, "application", 0), activate(log, "activate", 0);
    file->PushSelectHdl(SV_LINK(&window, Recorder, MenuHdl));
    file->PushSelectHdl(SV_LINK(&application, Recorder, MenuHdl));
    file->PushActivateHdl(SV_LINK(&activate, Recorder, MenuHdl));
    EXPECT_EQ(app.SetAppMenu(&bar), nullptr);

    SvPostMenu(303);
    SvPostMenu(306);  // disabled: nothing
    SvPostMenu(999);  // none: nothing
    SvSetScript("menu \"Open\"\n", "menu.sv");
    app.Execute();
    // The handler pushed last is called first; it declines, so the one below is called too.
    EXPECT_EQ(log, (Lines{"activate 303", "application 303", "window 303", "activate 303", "application 303",
                          "window 303"}));
    file->EnableItem(306);
    log.clear();
    SvPostMenu(306);
    app.Execute();
    EXPECT_EQ(log, (Lines{"activate 306", "application 306", "window 306"}));
    app.SetAppMenu(nullptr);
}

TEST_F(ApplicationTest, TheMdiApplicationClosesItsWindowsAndRecordsArrangementsAndHelp) {
    class Stubborn : public MDIWindow {
    public:
        explicit Stubborn(WorkWindow* parent) : MDIWindow(parent) {}
        bool Close() override { return false; }
    };
    class SelfDeleting : public MDIWindow {
    public:
        explicit SelfDeleting(WorkWindow* parent) : MDIWindow(parent) {}
        bool Close() override {
            delete this;
            return true;
        }
    };
    MDIApplication app;
    WorkWindow main(nullptr);
    EXPECT_EQ(app.GetAppWindow(), &main);
    new SelfDeleting(&main);
    Stubborn stubborn(&main);
    MDIWindow plain(&main);
    plain.Show();
    EXPECT_EQ(app.GetMDIWindowCount(), 3);
    EXPECT_FALSE(app.CloseAll());
    EXPECT_EQ(app.GetMDIWindowCount(), 2);
    EXPECT_EQ(app.GetMDIWindow(0), &stubborn);
    EXPECT_FALSE(plain.IsVisible());
    app.Cascade();
    app.Tile();
    app.Horizontal();
    app.Vertical();
    app.Arrange();
    Help help;
    app.SetHelp(&help);
    app.EnableHelp(false);
    EXPECT_FALSE(app.IsHelpEnabled());
    app.GetHelp()->Start(static_cast<unsigned long>(-2));
    EXPECT_EQ(SvTakeAppLog(), (Lines{"CloseAll", "Cascade", "Tile", "Horizontal", "Vertical", "Arrange",
                                     "Help::Start 18446744073709551614"}));

    // Closing the application window ends the run.
    SvPostClose(&main);
    app.Execute();
    EXPECT_FALSE(main.IsVisible());
    International german;
    CountryTable country;
    country.SetDateFormat(DMY);
    german.ChangeCountryTable(country);
    app.SetAppInternational(german);
    EXPECT_EQ(app.GetAppInternational().GetDateFormat(), DMY);
}

TEST_F(ApplicationTest, BeepsCountWithTheWin32Beeps) {
    w32test::TakeMessageBeeps();
    Sound::Beep();
    Sound::Beep(SOUND_ERROR);
    MessageBeep(0);
    EXPECT_EQ(w32test::TakeMessageBeeps(), 3);
}

TEST_F(ApplicationTest, AWindowCallFromAnotherThreadStopsTheProgram) {
    WorkWindow w(nullptr);
    EXPECT_EXIT(
        {
            std::thread other([&] { w.Show(); });
            other.join();
        },
        ::testing::ExitedWithCode(2), "window call from a thread other than the GUI thread: Show");
}

}  // namespace
