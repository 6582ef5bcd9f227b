// Inside the windows library: the window records, the registry of live windows, the event queue
// and loop, the script, the logs and the paint files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "svwindows.h"

namespace svcore {

struct WindowData {
    uint64_t serial = 0;
    RESOURCE_TYPE type = RSC_WINDOW;
    uint32_t resId = 0;
    WinBits style = 0;
    Window* self = nullptr;
    Window* parent = nullptr;
    std::vector<Window*> children;  // creation order
    Point pos;
    Size size;
    bool visible = false;
    bool enabled = true;
    bool invalid = true;
    bool detached = false;  // lost its parent when the parent was destroyed
    bool dirty = false;     // a frame window: drawn into since its paint files were last written
    String text;
    Brush background = Brush(COL_LIGHTGRAY);

    // Access to the private parts of windows and dialogs.
    static WindowData& Of(const Window& w) { return *w.data_; }
    static bool& Executing(ModalDialog& d) { return d.executing_; }
    static bool& Ended(ModalDialog& d) { return d.ended_; }
    static short& Result(ModalDialog& d) { return d.result_; }
    static void ClearLog(Window& w) { w.SvClearPaintLog(); }
    static void Record(Window& w, SvPaintOp op) { w.SvRecord(std::move(op)); }
};

// ---- threads and stops ----

// Stops the program when called off the GUI thread (the first thread that asks becomes it).
void CheckGuiThread(const char* call);
bool OnGuiThread();
// Writes "sv: <reason>" and the open windows to standard error, writes the paint files of every
// frame window (from the GUI thread), and ends the program with status 2.
[[noreturn]] void Stop(const std::string& reason);

// ---- the registry of live windows ----

void Register(Window* w);
void Unregister(Window* w);
Window* Find(uint64_t serial);
std::vector<Window*> AllWindows();  // creation order
Window*& FocusWindow();

// A frame window: its own picture, position on the screen (all SysWin but MDI windows).
bool IsFrame(const Window& w);
bool IsSysWin(const Window& w);
// The window whose picture shows w: the nearest frame window or parentless window, w included.
Window* PictureRoot(Window* w);
// The windows shown in w's picture: w and its visible non-frame descendants, depth first in
// creation order, with the offset of each in the picture, its depth and its clip.
struct Placed {
    const Window* window;
    Point offset;
    int depth;
    Rectangle clip;
};
std::vector<Placed> PictureOf(const Window& w);

// <Type>[#id] "title"
std::string Describe(const Window& w);
// The open frame windows, for messages: "Title" (Type[ id]), ...
std::string OpenWindowsText();
// Quoted with backslash escapes.
std::string Quote(const String& text);
std::string Quote(const std::string& text);

// ---- painting ----

// Marks w's picture, and the frame and MDI windows it is part of, as drawn into.
void MarkDirty(Window* w);
// Repaints w if invalid (else its invalid visible children).
void UpdateTree(Window* w);
// Updates every visible parentless or frame window.
void RepaintAll();
// Writes the paint log and the PNG of a picture root to SV_PAINT_DIR when it is set and the
// window was drawn into since the last write.
void WritePaintFiles(Window* root);
// At the end of a run: the paint files of every frame or parentless window not yet written.
void WriteAllPaintFiles();

// ---- events ----

struct Event {
    enum Kind { MOUSEMOVE, MOUSEDOWN, MOUSEUP, KEY, RESIZE, MOVE, CLOSE, FOCUS, MENU, ACCEL, USER };
    Kind kind = USER;
    uint64_t target = 0;
    MouseEvent mouse;
    KeyEvent key;
    Point point;
    Size size;
    uint16_t id = 0;
    Link link;
    void* data = nullptr;
};
void Post(const Event& e);  // any thread
uint64_t SerialOf(Window* w);
// Runs the loop until Quit, or the end of the modal dialog, or (without one) until idle.
void RunLoop(ModalDialog* modal);
// The application object when one was made (no default one is made here).
Application* CurrentApp();
// A destroyed work window is no longer the application window.
void ForgetAppWindow(WorkWindow* w);
// The accelerators of the application.
bool PressAccelerator(const KeyCode& key);

// ---- logs ----

void LogBox(const SvBoxRecord& record);
void LogApp(const std::string& line);
// The folder named by SV_PAINT_DIR, empty when unset.
std::string PaintDir();
// Appends a line to a file of the paint folder.
void AppendToPaintDir(const char* file, const std::string& line);

// ---- the script ----

struct BoxQuestion {
    const MessBox* box;
    std::string kind;
    std::vector<std::pair<short, std::string>> buttons;  // answer, shown text
};
// The answer of the script's next line when it answers this box; -1 when it does not.
int ScriptAnswerBox(const BoxQuestion& q, const std::string& text);
// The item the script's next line chooses in the popup; 0 when it does not.
uint16_t ScriptChoosePopup(PopupMenu& menu);
// Runs the next line of the script when there is one; false when the script is done. With a
// modal dialog open, a line for another window means the dialog has no scripted answer.
bool RunScriptLine(ModalDialog* modal);
void SetScript(const std::string& text, const std::string& name);

// The text's centre as last drawn in w or its visible children; the window that drew it.
bool FindDrawnText(Window* w, const String& text, Window*& drawer, Point& centre);

// ---- pictures ----

std::vector<uint32_t> Compose(const Window& w, int32_t& width, int32_t& height);
void SetFontFile(const char* path);
bool WritePng(const std::string& file, const std::vector<uint32_t>& rgb, int32_t width, int32_t height);

}  // namespace svcore
