// A program on the headless windows, driven by its script: a work window with a child that draws
// rectangles, a line, a bitmap and a text, and reports its input on standard output. With the
// argument "hang" a user event never returns.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "sv.h"

namespace {

class Canvas : public Control {
public:
    explicit Canvas(Window* parent) : Control(parent), picture_(Size(8, 8), Color(COL_LIGHTBLUE)) {}

    void Paint(const Rectangle&) override {
        const Size size = GetOutputSizePixel();
        ChangePen(Pen(Color(COL_BLACK)));
        ChangeFillInBrush(Brush(Color(COL_LIGHTRED)));
        DrawRect(Rectangle(Point(10, 10), Size(50, 30)));
        ChangePen(Pen(Color(COL_BLUE), 2));
        DrawLine(Point(0, 0), Point(size.Width() - 1, size.Height() - 1));
        DrawBitmap(Point(70, 10), picture_);
        ChangeTextColor(Color(COL_BLACK));
        DrawText(Point(10, 50), "Hello");
    }
    void MouseButtonDown(const MouseEvent& e) override {
        std::printf("click %d %d\n", e.GetPosPixel().X(), e.GetPosPixel().Y());
    }
    void KeyInput(const KeyEvent& e) override {
        std::printf("key %c 0x%04X\n", e.GetCharCode(), e.GetKeyCode().GetFullCode());
    }

private:
    Bitmap picture_;
};

class MainWindow : public WorkWindow {
public:
    MainWindow() : WorkWindow(nullptr), canvas_(this) {
        SetText("Demo");
        SetOutputSizePixel(Size(200, 120));
        canvas_.Show();
    }
    void Resize() override {
        const Size size = GetOutputSizePixel();
        canvas_.SetSizePixel(size);
        std::printf("resize %d %d\n", size.Width(), size.Height());
    }

private:
    Canvas canvas_;
};

long Hang(void*, void*) {
    for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
    Application app;
    MainWindow main;
    main.Show();
    if (argc > 1 && std::strcmp(argv[1], "hang") == 0) app.PostUserEvent(Link(nullptr, &Hang));
    app.Execute();
    std::printf("done\n");
    return 0;
}
