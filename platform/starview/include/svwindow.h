// The window tree: Window and its kinds (Control, SysWin, WorkWindow, MDIWindow, the dialogs and
// FloatingWindow), with their handlers, their paint logs and the pictures made from them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "svdef.h"
#include "svevent.h"
#include "svgdi.h"
#include "svgen.h"
#include "svoutdev.h"
#include "svres.h"
#include "svstring.h"

namespace svcore {
struct WindowData;
}

// A window: a place in the tree (parent, children in creation order), a position in its parent's
// pixels (a frame window's on the screen), a size, a text (the title of a frame window), a
// background brush, and the handlers that input and painting call.
//
// Painting: Invalidate marks the window; Update (and the event loop after each event) repaints
// it: its paint log is cleared, the background filled, Paint called, then its visible children
// are repainted in creation order.
//
// A destroyed window never deletes its children: they are detached (hidden, without parent) and
// their owners delete them.
//
// Every call on a window belongs to the GUI thread (the first one that made a window or ran the
// event loop); a call from another thread stops the program.
class Window : public virtual OutputDevice, public Resource {
public:
    // A window without parent is a top window of 640 by 480 pixels; a child starts empty at 0, 0.
    Window(Window* parent, WinBits style = 0);
    // A window resource: position, size, text and style; pushed as the context of its controls.
    Window(Window* parent, const ResId& id);
    ~Window() override;

    // The kind (RSC_WINDOW, RSC_WORKWIN, RSC_OKBUTTON ...) and, when built from a resource, its id.
    RESOURCE_TYPE GetType() const;
    uint32_t GetResId() const;
    WinBits GetStyle() const;

    Window* GetParent() const;
    uint16_t GetChildCount() const;
    Window* GetChild(uint16_t n) const;

    // Position and size; a change calls Move and Resize and repaints.
    void SetPosPixel(const Point& pos);
    Point GetPosPixel() const;
    void SetSizePixel(const Size& size);
    Size GetSizePixel() const;
    virtual void SetPosSizePixel(const Point& pos, const Size& size);
    // The output area has the window's size (windows have no frames here).
    void SetOutputSizePixel(const Size& size);
    Size GetOutputSizePixel() const override;

    virtual void Show();
    virtual void Hide();
    bool IsVisible() const;
    virtual void Enable();
    virtual void Disable();
    bool IsEnabled() const;
    // The window gets the focus: the window that had it gets LoseFocus, then this one GetFocus.
    void GrabFocus();
    bool HasFocus() const;

    // A changed text repaints the window.
    virtual void SetText(const String& text);
    virtual String GetText() const;

    Brush ChangeBackgroundBrush(const Brush& brush);  // light gray unless changed
    const Brush& GetBackgroundBrush() const;

    void Invalidate();
    void Invalidate(const Rectangle& rect);  // the whole window
    void Update();

    // Handlers. Keys a window does not handle go to its parent.
    virtual void Paint(const Rectangle& rect);
    virtual void Resize();
    virtual void Move();
    virtual void MouseMove(const MouseEvent& event);
    virtual void MouseButtonDown(const MouseEvent& event);
    virtual void MouseButtonUp(const MouseEvent& event);
    virtual void KeyInput(const KeyEvent& event);
    virtual void GetFocus();
    virtual void LoseFocus();
    virtual void RequestHelp(const HelpEvent& event);
    virtual bool Drop(const DropEvent& event);
    virtual bool QueryDrop(DropEvent& event);
    // Writes a frame window's paint log to SV_PAINT_DIR and hides the window. A window may delete
    // itself here (and answer true): nothing touches it afterwards.
    virtual bool Close();

    // Scripted input: the text a script gives the window (SetText unless a control types it) and
    // the entry it chooses (false: the window has no entries).
    virtual void SvInputText(const String& text);
    virtual bool SvInputChoose(const String& entry);

protected:
    Window(RESOURCE_TYPE type, Window* parent, WinBits style);
    // A window type reads a window resource, a control type a control of the current context.
    Window(RESOURCE_TYPE type, Window* parent, const ResId& id);
    void SvOnRecord() override;
    void SvCheckDrawing(const char* call) const override;
    // Called when the window gains or loses the focus, before GetFocus and LoseFocus: a window
    // whose look shows the focus repaints here.
    virtual void SvFocusChanged();

private:
    friend struct svcore::WindowData;
    void Init(RESOURCE_TYPE type, Window* parent, WinBits style);
    std::unique_ptr<svcore::WindowData> data_;
};

// A window inside a dialog or another window; a mouse button going down on it gives it the focus.
class Control : public Window {
public:
    Control(Window* parent, WinBits style = 0);
    Control(Window* parent, const ResId& id);

protected:
    Control(RESOURCE_TYPE type, Window* parent, WinBits style);
    Control(RESOURCE_TYPE type, Window* parent, const ResId& id);
};

// A frame window: work windows, MDI windows, dialogs and floating windows. Its parent is its
// owner; it has its own picture (written to SV_PAINT_DIR), except that an MDI window also shows
// inside its work window.
class SysWin : public Window {
protected:
    SysWin(RESOURCE_TYPE type, Window* parent, WinBits style);
    SysWin(RESOURCE_TYPE type, Window* parent, const ResId& id);
};

// The first work window without parent is the application window, whose closing ends the
// application.
class WorkWindow : public SysWin {
public:
    WorkWindow(Window* parent, WinBits style = 0);
    WorkWindow(Window* parent, const ResId& id);
    ~WorkWindow() override;
    bool Close() override;
    // The window's icon (kept; there is no title bar to show it).
    void SetIcon(const Icon& icon);
    const Icon& GetIcon() const;

private:
    Icon icon_;
};

// A document window inside its work window.
class MDIWindow : public SysWin {
public:
    MDIWindow(WorkWindow* parent, WinBits style = 0);
    MDIWindow(WorkWindow* parent, const ResId& id);
};

class Dialog : public SysWin {
protected:
    Dialog(RESOURCE_TYPE type, Window* parent, WinBits style);
    Dialog(RESOURCE_TYPE type, Window* parent, const ResId& id);
};

// Execute shows and paints the dialog and runs the event loop until EndDialog, then writes the
// dialog's paint log to SV_PAINT_DIR, hides it and answers the value given to EndDialog.
class ModalDialog : public Dialog {
public:
    ModalDialog(Window* parent, WinBits style = 0);
    ModalDialog(Window* parent, const ResId& id);
    ~ModalDialog() override;

    virtual short Execute();
    void EndDialog(short result = 0);
    bool IsInExecute() const;
    // Ends a running dialog with 0.
    bool Close() override;

protected:
    ModalDialog(RESOURCE_TYPE type, Window* parent, WinBits style);

private:
    friend struct svcore::WindowData;
    bool executing_ = false;
    bool ended_ = false;
    short result_ = 0;
};

class ModelessDialog : public Dialog {
public:
    ModelessDialog(Window* parent, WinBits style = 0);
    ModelessDialog(Window* parent, const ResId& id);
};

class FloatingWindow : public SysWin {
public:
    FloatingWindow(Window* parent, WinBits style = 0);
    FloatingWindow(Window* parent, const ResId& id);
};

// The picture of a window: it and its visible children (each clipped to its parent) composed from
// their paint logs into an RGB PNG of the window's size. False, with a message on standard error,
// when the file cannot be written.
bool SvRenderPng(const Window& window, const String& file);

// The paint logs of a window and its visible children, as written to SV_PAINT_DIR: a header line
// per window, then its calls.
std::string SvWindowLogText(const Window& window);
