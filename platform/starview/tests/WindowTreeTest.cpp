// The window tree (parents, detaching, sizes, visibility, enabling), focus moves, injected input
// reaching the handlers with their fields, Push and Pop of the drawing state, map mode 1.
#include <functional>

#include "SvWindowsTestSupport.h"

namespace {

using svtest::Probe;
using Lines = std::vector<std::string>;

class WindowTreeTest : public svtest::WindowsTest {};

TEST_F(WindowTreeTest, ADestroyedParentDetachesItsChildrenWhichTheirOwnersDelete) {
    auto* parent = new WorkWindow(nullptr);
    auto* child = new Window(parent);
    auto* grandchild = new Window(child);
    auto* sibling = new Control(parent);
    child->Show();
    ASSERT_EQ(parent->GetChildCount(), 2);
    EXPECT_EQ(parent->GetChild(0), child);
    EXPECT_EQ(parent->GetChild(1), sibling);
    EXPECT_EQ(parent->GetChild(2), nullptr);

    delete sibling;  // a child deleted first leaves its parent
    EXPECT_EQ(parent->GetChildCount(), 1);

    delete parent;
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_FALSE(child->IsVisible());
    EXPECT_EQ(grandchild->GetParent(), child);  // the child keeps its own children
    delete grandchild;
    EXPECT_EQ(child->GetChildCount(), 0);
    delete child;  // deleted once: AddressSanitizer reports a second delete
}

TEST_F(WindowTreeTest, SizesVisibilityAndEnabling) {
    Lines log;
    Probe<WorkWindow> top(log, "top", nullptr);
    Probe<Window> child(log, "child", &top);
    EXPECT_EQ(top.GetSizePixel(), Size(640, 480));  // a top window's default
    EXPECT_EQ(child.GetSizePixel(), Size(0, 0));
    EXPECT_EQ(top.GetType(), RSC_WORKWIN);
    EXPECT_EQ(child.GetType(), RSC_WINDOW);
    EXPECT_FALSE(top.IsVisible());
    EXPECT_TRUE(child.IsEnabled());

    struct Case {
        std::function<void()> call;
        Lines handlers;
        Point pos;
        Size size;
    };
    const Case cases[] = {
        {[&] { child.SetPosSizePixel(Point(5, 6), Size(30, 20)); }, {"child Move 5 6", "child Resize 30x20"}, Point(5, 6), Size(30, 20)},
        {[&] { child.SetPosSizePixel(Point(5, 6), Size(30, 20)); }, {}, Point(5, 6), Size(30, 20)},
        {[&] { child.SetOutputSizePixel(Size(40, 25)); }, {"child Resize 40x25"}, Point(5, 6), Size(40, 25)},
        {[&] { child.SetSizePixel(Size(-3, 7)); }, {"child Resize 0x7"}, Point(5, 6), Size(0, 7)},
        {[&] { child.SetPosPixel(Point(-2, 9)); }, {"child Move -2 9"}, Point(-2, 9), Size(0, 7)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        log.clear();
        cases[i].call();
        EXPECT_EQ(log, cases[i].handlers) << "case " << i;
        EXPECT_EQ(child.GetPosPixel(), cases[i].pos) << "case " << i;
        EXPECT_EQ(child.GetOutputSizePixel(), cases[i].size) << "case " << i;
    }

    child.Show();
    EXPECT_TRUE(child.IsVisible());
    child.Hide();
    EXPECT_FALSE(child.IsVisible());
    child.Disable();
    EXPECT_FALSE(child.IsEnabled());
    child.Enable();
    EXPECT_TRUE(child.IsEnabled());
    top.SetText("Main");
    EXPECT_EQ(top.GetText(), "Main");
}

TEST_F(WindowTreeTest, FocusMovesCallLoseFocusThenGetFocusOnceEach) {
    Lines log;
    Probe<WorkWindow> top(log, "top", nullptr);
    Probe<Control> a(log, "a", &top);
    Probe<Control> b(log, "b", &top);
    top.Show();
    b.SetPosSizePixel(Point(100, 0), Size(50, 50));
    b.Show();

    log.clear();
    a.GrabFocus();
    EXPECT_EQ(log, (Lines{"a GetFocus"}));
    EXPECT_TRUE(a.HasFocus());
    log.clear();
    a.GrabFocus();
    EXPECT_EQ(log, Lines{});
    b.GrabFocus();
    EXPECT_EQ(log, (Lines{"a LoseFocus", "b GetFocus"}));
    EXPECT_FALSE(a.HasFocus());

    // Injected: a focus event, and a click that gives a control the focus before its handler.
    log.clear();
    SvPostFocus(&a);
    SvPostMouseButtonDown(&top, MouseEvent(Point(110, 10)));
    GetpApp()->Execute();
    EXPECT_EQ(log, (Lines{"b LoseFocus", "a GetFocus", "a LoseFocus", "b GetFocus",
                          "b MouseButtonDown 10 10 buttons=1 clicks=1 modifier=0"}));
}

// Each injected event, on a top window with a child at (20, 30) of 50 by 40, reaches its handler.
TEST_F(WindowTreeTest, InjectedEventsReachTheirHandlersWithTheirFields) {
    struct Case {
        const char* name;
        std::function<void(Window& top, Window& child, Window& hidden)> post;
        Lines handlers;
    };
    const Case cases[] = {
        {"move of the mouse",
         [](Window& top, Window&, Window&) { SvPostMouseMove(&top, MouseEvent(Point(5, 6), 0, 0)); },
         {"top MouseMove 5 6 buttons=0 clicks=0 modifier=0"}},
        {"double right click with shift, on the child",
         [](Window& top, Window&, Window&) {
             SvPostMouseButtonDown(&top, MouseEvent(Point(25, 35), 2, MOUSE_RIGHT, KEY_SHIFT));
             SvPostMouseButtonUp(&top, MouseEvent(Point(69, 69), 2, MOUSE_RIGHT));
         },
         {"child MouseButtonDown 5 5 buttons=16 clicks=2 modifier=4096",
          "child MouseButtonUp 49 39 buttons=16 clicks=2 modifier=0"}},
        {"click just outside the child",
         [](Window& top, Window&, Window&) { SvPostClick(&top, Point(70, 35)); },
         {"top MouseButtonDown 70 35 buttons=1 clicks=1 modifier=0",
          "top MouseButtonUp 70 35 buttons=1 clicks=1 modifier=0"}},
        {"click on a hidden child goes to the window below",
         [](Window& top, Window&, Window&) { SvPostClick(&top, Point(105, 5)); },
         {"top MouseButtonDown 105 5 buttons=1 clicks=1 modifier=0",
          "top MouseButtonUp 105 5 buttons=1 clicks=1 modifier=0"}},
        {"nothing reaches a disabled child",
         [](Window& top, Window& child, Window&) {
             child.Disable();
             SvPostClick(&top, Point(25, 35));
             SvPostKey(&child, SvKeyEventOf('q'));
         },
         {}},
        {"a key without focus goes to the window",
         [](Window& top, Window&, Window&) { SvPostKey(&top, SvKeyEventOf('a')); }, {"top KeyInput 'a' 0x0200"}},
        {"a key goes to the focus window inside the target",
         [](Window& top, Window& child, Window&) {
             child.GrabFocus();
             SvPostKey(&top, KeyEvent(0, KeyCode(KEY_BACKSPACE, KEY_MOD1)));
         },
         {"child GetFocus", "child KeyInput '-' 0x2503"}},
        {"an upper-case letter is shifted",
         [](Window&, Window& child, Window&) { SvPostKey(&child, SvKeyEventOf('X')); }, {"child KeyInput 'X' 0x1217"}},
        {"resize", [](Window& top, Window&, Window&) { SvPostResize(&top, Size(300, 200)); }, {"top Resize 300x200"}},
        {"move", [](Window&, Window& child, Window&) { SvPostMove(&child, Point(1, 2)); }, {"child Move 1 2"}},
        {"close", [](Window& top, Window&, Window&) { SvPostClose(&top); }, {"top Close"}},
        {"focus", [](Window&, Window& child, Window&) { SvPostFocus(&child); }, {"child GetFocus"}},
    };
    for (const Case& c : cases) {
        Lines log;
        Probe<WorkWindow> top(log, "top", nullptr);
        Probe<Window> child(log, "child", &top);
        Probe<Window> hidden(log, "hidden", &top);
        top.SetSizePixel(Size(200, 100));
        child.SetPosSizePixel(Point(20, 30), Size(50, 40));
        hidden.SetPosSizePixel(Point(100, 0), Size(50, 40));
        top.Show();
        child.Show();
        log.clear();
        c.post(top, child, hidden);
        GetpApp()->Execute();
        EXPECT_EQ(log, c.handlers) << c.name;
    }
}

TEST_F(WindowTreeTest, KeysAWindowDoesNotHandleGoToItsParent) {
    Lines log;
    Probe<WorkWindow> top(log, "top", nullptr);
    Window plain(&top);
    SvPostKey(&plain, SvKeyEventOf('7'));
    GetpApp()->Execute();
    EXPECT_EQ(log, (Lines{"top KeyInput '7' 0x0107"}));
}

TEST_F(WindowTreeTest, PushAndPopKeepPenBrushFontTextColourAndMapMode) {
    WorkWindow w(nullptr);
    const Pen pen(Color(COL_RED), 2);
    const Brush brush{Color(COL_BLUE)};
    const Font font(String("Courier"), Size(0, 20));
    w.ChangePen(pen);
    w.ChangeFillInBrush(brush);
    w.ChangeFont(font);
    w.ChangeTextColor(Color(COL_GREEN));
    w.Push();
    w.Push();
    w.ChangePen(Pen(Color(COL_WHITE)));
    w.ChangeFillInBrush(Brush(BRUSH_NULL));
    w.ChangeFont(Font(String("Helvetica"), Size(0, 30)));
    w.ChangeTextColor(Color(COL_YELLOW));
    w.SetMapMode(MapMode(MAP_10TH_MM));
    w.Pop();
    EXPECT_EQ(w.GetPen(), pen);
    EXPECT_EQ(w.GetFillInBrush(), brush);
    EXPECT_EQ(w.GetFont(), font);
    EXPECT_EQ(w.GetTextColor(), Color(COL_GREEN));
    EXPECT_EQ(w.GetMapMode(), MapMode(MAP_PIXEL));
    w.ChangePen(Pen(Color(COL_CYAN)));
    w.Pop();
    EXPECT_EQ(w.GetPen(), pen);
    w.Pop();  // nothing kept: nothing changes
    EXPECT_EQ(w.GetPen(), pen);
}

// Map mode 1: tenths of a millimetre at 96 pixels an inch, rounded to the nearest.
TEST_F(WindowTreeTest, MapModeOneConvertsTenthsOfAMillimetreAndDrawsInPixels) {
    WorkWindow w(nullptr);
    w.SetMapMode(MapMode(MAP_10TH_MM));
    const struct {
        int32_t logic, pixel;
    } toPixel[] = {{254, 96}, {100, 38}, {-100, -38}, {0, 0}, {1, 0}, {2, 1}, {2100, 794}};
    for (const auto& c : toPixel)
        EXPECT_EQ(w.LogicToPixel(Point(c.logic, 0)).X(), c.pixel) << c.logic;
    const struct {
        int32_t pixel, logic;
    } toLogic[] = {{96, 254}, {1, 3}, {38, 101}, {-38, -101}};
    for (const auto& c : toLogic)
        EXPECT_EQ(w.PixelToLogic(Size(0, c.pixel)).Height(), c.logic) << c.pixel;
    EXPECT_EQ(w.LogicToPixel(Rectangle(0, 0, 254, 127)), Rectangle(0, 0, 96, 48));
    EXPECT_EQ(w.GetOutputSize(), Size(1693, 1270));  // 640 by 480 pixels

    w.ChangeFont(Font(String("Courier"), Size(0, 30)));
    EXPECT_EQ(w.GetTextSize("AB"), Size(36, 30));  // the fixed metrics in tenths of a millimetre
    w.DrawRect(Rectangle(0, 0, 254, 127));
    w.DrawText(Point(254, 0), "AB");
    w.SetMapMode(MapMode(MAP_PIXEL));
    EXPECT_EQ(w.LogicToPixel(Point(254, 7)), Point(254, 7));
    EXPECT_EQ(SvPaintLogText(w),
              "rect 0 0 97 49 pen=#000000/1/solid brush=#FFFFFF/solid\n"
              "text 96 0 14 11 \"AB\" font=\"Courier\"/11 color=#000000\n");
}

}  // namespace
