// Bad scripts stop the run with the file, the line and the reason, and status 2; what was logged
// before stays.
#include <fstream>
#include <functional>

#include "SvWindowsTestSupport.h"

namespace {

class Hello : public Window {
public:
    explicit Hello(Window* parent) : Window(parent) {}
    void Paint(const Rectangle&) override { DrawText(Point(10, 10), "Hello"); }
};

// Main window "Main" with a child that draws "Hello"; then, as the case asks, a modal dialog "Ask"
// or a query box "Sure?", then the event loop.
void RunWith(const char* script, char extra) {
    SvSetScript(script, "bad.sv");
    WorkWindow main(nullptr);
    main.SetText("Main");
    Hello hello(&main);
    hello.SetSizePixel(Size(100, 40));
    hello.Show();
    main.Show();
    main.Update();
    if (extra == 'm') {
        ModalDialog ask(&main);
        ask.SetText("Ask");
        ask.Execute();
    }
    if (extra == 'b') QueryBox(&main, WB_YES_NO, "Sure?").Execute();
    GetpApp()->Execute();
    std::exit(0);
}

// The death tests fork: the child runs the statement with the parent's state.
class ScriptTest : public svtest::WindowsTest {};

TEST_F(ScriptTest, BadScriptsStopTheRunWithFileLineAndReason) {
    const struct {
        const char* script;
        char extra;  // m: a modal dialog runs, b: a box asks
        const char* message;
    } cases[] = {
        {"clik \"Main\" 1 2\n", 0, "bad.sv:1: unknown command clik"},
        {"# a comment\n\nresize \"Main\" 10\n", 0, "bad.sv:3: resize: missing height"},
        {"click \"Main\" x 2\n", 0, "bad.sv:1: click: x is not a number: x"},
        {"click \"Main\" 1 2 sideways\n", 0, "bad.sv:1: click: unknown option sideways"},
        {"close \"Main\" now\n", 0, "bad.sv:1: close: unexpected now"},
        {"press \"Main\n", 0, "bad.sv:1: unterminated quote"},
        {"press Main\n", 0, "bad.sv:1: press: a window is a quoted title or #id, found Main"},
        {"key \"Main\" ctrl\\+nope\n", 0, "bad.sv:1: key: unknown key ctrl\\+nope"},
        {"answer maybe\n", 0, "bad.sv:1: answer: unknown answer maybe"},
        {"close \"Nope\"\n", 0, "bad.sv:1: no window \"Nope\""},
        {"focus #77\n", 0, "bad.sv:1: no window #77"},
        {"press \"Main\" OKButton 9\n", 0, "bad.sv:1: no control OKButton 9 in WorkWindow \"Main\""},
        {"click \"Main\" \"Hello\"\nclick \"Main\" \"Absent\"\n", 0,
         "bad.sv:2: text \"Absent\" is not drawn in WorkWindow \"Main\""},
        {"choose \"Main\" \"first\"\n", 0, "bad.sv:1: cannot choose \"first\" in WorkWindow \"Main\""},
        {"menu 5\n", 0, "bad.sv:1: the application has no menu bar"},
        {"accel 0x1234\n", 0, "bad.sv:1: no accelerator of the application has the key 0x1234"},
        {"answer yes\n", 0, "bad.sv:1: no message box is open for this answer"},
        {"popup 3\n", 0, "bad.sv:1: no popup menu is open for this choice"},
        {"answer retry\n", 'b', "bad.sv:1: the QueryBox \"Sure.\" has no button Retry; it has \"Yes\", \"No\""},
        {"answer yes \"Other\"\n", 'b', "bad.sv:1: the answer is for the box \"Other\" but the QueryBox says \"Sure.\""},
        {"", 'm', "modal dialog ModalDialog \"Ask\" has no scripted answer; the script is done"},
        {"close \"Main\"\n", 'm',
         "bad.sv:1: modal dialog ModalDialog \"Ask\" has no scripted answer; this line is for WorkWindow \"Main\""},
    };
    for (const auto& c : cases) {
        std::string script = c.script;
        // The messages are regular expressions; the scripts are not.
        for (size_t at; (at = script.find("\\+")) != std::string::npos;) script.erase(at, 1);
        EXPECT_EXIT(RunWith(script.c_str(), c.extra), ::testing::ExitedWithCode(2), c.message) << c.script;
    }
}

TEST_F(ScriptTest, EachInputCommandPostsItsEvents) {
    std::vector<std::string> log;
    svtest::Probe<WorkWindow> main(log, "main", nullptr);
    svtest::Probe<Control> box(log, "box", &main);
    main.SetText("Main");
    main.SetSizePixel(Size(200, 100));
    box.SetPosSizePixel(Point(100, 50), Size(40, 20));
    main.Show();
    box.Show();
    log.clear();
    SvSetScript("mousemove \"Main\" 3 4\n"
                "mousedown \"Main\" 110 60 right\n"
                "mouseup \"Main\" 5 6\n"
                "click \"Main\" 7 8 right double\n"
                "key \"Main\" \"a1\" return ctrl+shift+z f2 0x503\n"
                "resize \"Main\" 150 90\n"
                "move \"Main\" -5 0x10\n"
                "focus \"Main\"\n"
                "tick \"Main\" Control 0\n"
                "close \"Main\"\n",
                "input.sv");
    GetpApp()->Execute();
    EXPECT_EQ(log, (std::vector<std::string>{
                       "main MouseMove 3 4 buttons=0 clicks=0 modifier=0",
                       "box GetFocus",
                       "box MouseButtonDown 10 10 buttons=16 clicks=1 modifier=0",
                       "main MouseButtonUp 5 6 buttons=1 clicks=1 modifier=0",
                       "main MouseButtonDown 7 8 buttons=16 clicks=2 modifier=0",
                       "main MouseButtonUp 7 8 buttons=16 clicks=2 modifier=0",
                       "box KeyInput 'a' 0x0200",  // the box has the focus
                       "box KeyInput '1' 0x0101",
                       "box KeyInput '\r' 0x0500",
                       "box KeyInput 'z' 0x3219",
                       "box KeyInput '-' 0x0301",
                       "box KeyInput '-' 0x0503",
                       "main Resize 150x90",
                       "main Move -5 16",
                       "box LoseFocus",
                       "main GetFocus",
                       "main LoseFocus",
                       "box GetFocus",
                       "box MouseButtonDown 20 10 buttons=1 clicks=1 modifier=0",
                       "box MouseButtonUp 20 10 buttons=1 clicks=1 modifier=0",
                       "main Close",
                   }));
}

TEST_F(ScriptTest, AStoppedRunKeepsWhatWasLogged) {
    svtest::TempDir dir;
    setenv("SV_PAINT_DIR", dir.Path().c_str(), 1);
    EXPECT_EXIT(RunWith("answer no\nclose \"Nope\"\n", 'b'), ::testing::ExitedWithCode(2), "no window");
    unsetenv("SV_PAINT_DIR");
    std::ifstream boxes(dir.Path() + "/boxes.log");
    std::string line;
    std::getline(boxes, line);
    EXPECT_EQ(line, "QueryBox parent=\"Main\" text=\"Sure?\" buttons=yes,no answer=no");
    // The main window's paint files, numbered by the run (the child of this process).
    const std::vector<std::string> files = dir.Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_TRUE(files[0].starts_with("Main-") && files[0].ends_with(".log")) << files[0];
    EXPECT_TRUE(files[1].starts_with("Main-") && files[1].ends_with(".png")) << files[1];
    EXPECT_EQ(files[2], "boxes.log");
}

}  // namespace
