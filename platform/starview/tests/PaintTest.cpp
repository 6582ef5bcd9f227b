// Paint logs (repainting, the line of each call), pictures composed from them, and the paint files
// written to SV_PAINT_DIR.
#include <fstream>
#include <sstream>

#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

class PaintTest : public svtest::WindowsTest {};

// Draws a filled rectangle larger than itself, and records its Paint calls.
class Canvas : public Window {
public:
    Canvas(Window* parent, Lines& order, const char* name, const Color& fill)
        : Window(parent), order_(order), name_(name), fill_(fill) {}
    void Paint(const Rectangle&) override {
        order_.push_back(name_);
        ChangePen(Pen(PEN_NULL));
        ChangeFillInBrush(Brush(fill_));
        DrawRect(Rectangle(-100, -100, 500, 500));
    }

private:
    Lines& order_;
    const char* name_;
    Color fill_;
};

std::string Read(const std::string& file) {
    std::ifstream in(file);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(PaintTest, UpdateRepaintsTheWindowThenItsVisibleChildrenInCreationOrder) {
    Lines order;
    WorkWindow top(nullptr);
    top.SetSizePixel(Size(60, 40));
    Canvas first(&top, order, "first", Color(COL_RED));
    Canvas hidden(&top, order, "hidden", Color(COL_GREEN));
    Canvas second(&top, order, "second", Color(COL_BLUE));
    Canvas inner(&first, order, "inner", Color(COL_YELLOW));
    for (Window* w : {static_cast<Window*>(&top), static_cast<Window*>(&first), static_cast<Window*>(&second),
                      static_cast<Window*>(&inner)})
        w->Show();
    first.SetPosSizePixel(Point(10, 10), Size(20, 10));
    second.SetPosSizePixel(Point(40, 0), Size(30, 30));  // partly outside the window
    inner.SetPosSizePixel(Point(15, 5), Size(10, 10));   // partly outside its parent

    top.Update();
    EXPECT_EQ(order, (Lines{"first", "inner", "second"}));
    EXPECT_EQ(SvPaintLogText(top), "fill 0 0 60 40 brush=#C0C0C0/solid\n");  // the background
    EXPECT_EQ(SvPaintLogText(first),
              "fill 0 0 20 10 brush=#C0C0C0/solid\n"
              "rect -100 -100 601 601 pen=#000000/1/null brush=#800000/solid\n");

    order.clear();
    top.Update();  // nothing invalid
    EXPECT_EQ(order, Lines{});
    inner.Invalidate();
    top.Update();
    EXPECT_EQ(order, (Lines{"inner"}));
    order.clear();
    top.Invalidate();
    GetpApp()->Execute();  // the event loop repaints too
    EXPECT_EQ(order, (Lines{"first", "inner", "second"}));

    // The picture: the window's size, each child clipped to its parent.
    svtest::TempDir dir;
    ASSERT_TRUE(SvRenderPng(top, String((dir.Path() + "/top.png").c_str())));
    const svtest::Picture p = svtest::ReadPng(dir.Path() + "/top.png");
    ASSERT_EQ(p.width, 60);
    ASSERT_EQ(p.height, 40);
    EXPECT_EQ(p.At(0, 0), 0xC0C0C0u);
    EXPECT_EQ(p.At(10, 10), 0x800000u);  // first
    EXPECT_EQ(p.At(24, 19), 0x800000u);
    EXPECT_EQ(p.At(25, 15), 0xFFFF00u);  // inner
    EXPECT_EQ(p.At(29, 19), 0xFFFF00u);
    EXPECT_EQ(p.At(30, 15), 0xC0C0C0u);  // inner outside first
    EXPECT_EQ(p.At(27, 20), 0xC0C0C0u);
    EXPECT_EQ(p.At(59, 29), 0x000080u);  // second, cut at the window's edge
    EXPECT_EQ(p.At(59, 30), 0xC0C0C0u);
    EXPECT_EQ(p.At(5, 25), 0xC0C0C0u);   // hidden shows nothing
    EXPECT_FALSE(SvRenderPng(top, String((dir.Path() + "/missing/top.png").c_str())));
}

// Draws each kind of call once.
class Sampler : public Window {
public:
    explicit Sampler(Window* parent) : Window(parent) {}
    void Paint(const Rectangle&) override {
        ChangePen(Pen(Color(COL_BLUE), 2, PEN_DASH));
        ChangeFillInBrush(Brush(Color(COL_YELLOW), BRUSH_CROSS));
        DrawRect(Rectangle(Point(1, 2), Size(10, 5)));
        DrawLine(Point(0, 0), Point(9, 4));
        DrawPixel(Point(3, 3), Color(0xFFFF, 0x8080, 0));
        Font font(String("Courier"), Size(0, 10));
        font.ChangeWeight(WEIGHT_BOLD);
        font.ChangeItalic(true);
        ChangeFont(font);
        ChangeTextColor(Color(COL_WHITE));
        DrawText(Point(2, 20), "a \"b\"\\");
        DrawText(Point(2, 40), "xyz", 1, 1);
        Bitmap picture(Size(2, 3), Color(COL_RED));
        DrawBitmap(Point(5, 6), picture);
        DrawBitmap(Point(5, 6), Size(4, 4), picture);
        Invert(Rectangle(8, 8, 3, 3));
        DrawRect(Rectangle());  // empty: nothing
        DrawText(Point(0, 0), "");
    }
};

TEST_F(PaintTest, EachCallIsOneLineInDevicePixelsWithWhatIsInForce) {
    WorkWindow top(nullptr);
    top.ChangeBackgroundBrush(Brush(BRUSH_NULL));  // no fill before Paint
    Sampler s(&top);
    s.ChangeBackgroundBrush(Brush(BRUSH_NULL));
    s.SetSizePixel(Size(50, 50));
    s.Show();
    top.Show();
    top.Update();
    EXPECT_EQ(SvPaintLogText(s),
              "rect 1 2 10 5 pen=#000080/2/dash brush=#FFFF00/cross\n"
              "line 0 0 9 4 pen=#000080/2/dash\n"
              "pixel 3 3 #FF8000\n"
              "text 2 20 36 10 \"a \\\"b\\\"\\\\\" font=\"Courier\"/10/bold/italic color=#FFFFFF\n"
              "text 2 40 6 10 \"y\" font=\"Courier\"/10/bold/italic color=#FFFFFF\n"
              "bitmap 5 6 2 3 picture=2x3\n"
              "bitmap 5 6 4 4 picture=2x3\n"
              "invert 3 3 6 6\n");
    top.SetText("T/1");
    EXPECT_TRUE(SvWindowLogText(top).starts_with("window 0 WorkWindow \"T/1\" at 0 0 size 640 480\n"
                                                 "window 1 Window \"\" at 0 0 size 50 50\n"
                                                 "  rect 1 2 10 5 "));
}

TEST_F(PaintTest, TextIsDrawnWithTheMonospacedFontOrAsOutlinedBoxesWithoutIt) {
    class Writer : public Window {
    public:
        explicit Writer(Window* parent) : Window(parent) {}
        void Paint(const Rectangle&) override {
            ChangeFont(Font(String("Courier"), Size(0, 20)));  // cells of 12 by 20
            DrawText(Point(0, 0), "W W");
        }
    };
    WorkWindow top(nullptr);
    top.SetSizePixel(Size(40, 20));
    Writer w(&top);
    w.SetSizePixel(Size(40, 20));
    w.ChangeBackgroundBrush(Brush(Color(COL_WHITE)));
    w.Show();
    top.Show();
    top.Update();
    svtest::TempDir dir;
    const std::string file = dir.Path() + "/text.png";

    ASSERT_TRUE(SvRenderPng(top, String(file.c_str())));
    svtest::Picture p = svtest::ReadPng(file);
    int dark = 0;
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 12; ++x) dark += p.At(x, y) < 0x808080u;
    EXPECT_GT(dark, 10);  // the glyph, not a box
    EXPECT_LT(dark, 12 * 20 / 2);
    EXPECT_EQ(p.At(0, 0), 0xFFFFFFu);

    SvSetFontFile("/nonexistent/font.ttf");
    ASSERT_TRUE(SvRenderPng(top, String(file.c_str())));
    p = svtest::ReadPng(file);
    EXPECT_EQ(p.At(0, 0), 0x000000u);  // the box of the first character
    EXPECT_EQ(p.At(11, 19), 0x000000u);
    EXPECT_EQ(p.At(6, 10), 0xFFFFFFu);
    EXPECT_EQ(p.At(18, 10), 0xFFFFFFu);  // the blank has none
    EXPECT_EQ(p.At(24, 0), 0x000000u);
}

TEST_F(PaintTest, FrameWindowsWriteTheirPaintFilesWhenClosedDestroyedOrAtTheEndOfTheRun) {
    svtest::TempDir dir;
    setenv("SV_PAINT_DIR", (dir.Path() + "/paint").c_str(), 1);  // made when missing
    Lines order;
    Window* orphan = nullptr;
    {
        WorkWindow top(nullptr);
        top.SetText("Main window");
        top.SetSizePixel(Size(30, 20));
        Canvas c(&top, order, "c", Color(COL_RED));
        c.SetSizePixel(Size(10, 10));
        c.Show();
        top.Show();
        ModelessDialog dialog(&top);  // an owned frame: a picture of its own
        dialog.SetText("Tools");
        dialog.SetSizePixel(Size(8, 8));
        dialog.Show();
        orphan = new Window(&top);
        GetpApp()->Execute();  // written at the end of the run
        EXPECT_EQ(dir.Files(), Lines{"paint"});
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/paint")) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (Lines{"Main_window-1.log", "Main_window-1.png", "Tools-2.log", "Tools-2.png"}));
        EXPECT_EQ(Read(dir.Path() + "/paint/Main_window-1.log"),
                  "window 0 WorkWindow \"Main window\" at 0 0 size 30 20\n"
                  "  fill 0 0 30 20 brush=#C0C0C0/solid\n"
                  "window 1 Window \"\" at 0 0 size 10 10\n"
                  "  fill 0 0 10 10 brush=#C0C0C0/solid\n"
                  "  rect -100 -100 601 601 pen=#000000/1/null brush=#800000/solid\n");
        EXPECT_EQ(svtest::ReadPng(dir.Path() + "/paint/Main_window-1.png").At(29, 19), 0xC0C0C0u);

        dialog.Close();  // unchanged since written: nothing new
        top.Invalidate();
        top.Update();
        SvPostClose(&top);  // changed: written again
        GetpApp()->Execute();
        EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/paint/Main_window-3.log"));
        // The orphan outlives its parent and is never deleted: listed at the end of the run.
    }
    GetpApp()->Execute();
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/paint")) names.push_back(e.path().filename());
    EXPECT_EQ(names.size(), 7u);
    EXPECT_EQ(Read(dir.Path() + "/paint/untitled-4.log").substr(0, 55),
              "window 0 Window \"\" at 0 0 size 0 0 detached\n");
    delete orphan;
    unsetenv("SV_PAINT_DIR");
}

}  // namespace
