// Simple controls: CheckBox, FixedText, GroupBox, ScrollBar and Splitter.
#pragma once

#include <cstdint>

#include "svbutton.h"
#include "svgen.h"
#include "svlink.h"
#include "svwindow.h"

// Orientation bits of scroll bars and splitters: a scroll bar is vertical unless WB_HORZ is set
// (0x5000, a drag bar under the views of a dialog, is horizontal); a splitter is a vertical bar
// between windows side by side (its split position an x) unless WB_HORZ is set (a y).
constexpr WinBits WB_HORZ = 0x4000;
constexpr WinBits WB_VERT = 0x8000;

// A box with a text. A left click (and the script's tick, which is one) toggles the box, then
// calls Click's handler with the box.
class CheckBox : public Button {
public:
    CheckBox(Window* parent, WinBits style = 0);
    CheckBox(Window* parent, const ResId& id);

    void Check(bool check = true);
    bool IsChecked() const;
    // Toggles, then calls the click handler.
    void Click() override;
    void Paint(const Rectangle& rect) override;

private:
    bool checked_ = false;
};

// A text (without its "~") at the top left of the control.
class FixedText : public Control {
public:
    FixedText(Window* parent, WinBits style = 0);
    FixedText(Window* parent, const ResId& id);
    void Paint(const Rectangle& rect) override;
};

// A frame with its text in the top edge.
class GroupBox : public Control {
public:
    GroupBox(Window* parent, WinBits style = 0);
    GroupBox(Window* parent, const ResId& id);
    void Paint(const Rectangle& rect) override;
};

enum ScrollType : uint16_t {
    SCROLL_DONTKNOW = 0,
    SCROLL_LINEUP = 1,
    SCROLL_LINEDOWN = 2,
    SCROLL_PAGEUP = 3,
    SCROLL_PAGEDOWN = 4,
    SCROLL_DRAG = 5,
    SCROLL_SET = 6,
};

// A scroll bar: a range, a thumb position within it, line and page sizes and a visible size (the
// part of the range the thumb covers: the thumb runs from the range's minimum to its maximum less
// the visible size). Its picture: an arrow button at each end (squares of the bar's thickness),
// the track between them and the thumb on it.
//
// Input: a left button going down on an arrow moves the thumb by the line size (SCROLL_LINEUP,
// SCROLL_LINEDOWN), on the track before or after the thumb by the page size (SCROLL_PAGEUP,
// SCROLL_PAGEDOWN); on the thumb it starts a drag: the thumb follows the mouse (SCROLL_DRAG). Each
// move of the thumb calls Scroll (the scroll handler); the button going up calls EndScroll (the
// end-scroll handler) with the same scroll type.
class ScrollBar : public Control {
public:
    ScrollBar(Window* parent, WinBits style = 0);
    ScrollBar(Window* parent, const ResId& id);

    bool IsHorizontal() const;
    Range ChangeRange(const Range& range);
    const Range& GetRange() const;
    // Limited to the thumb's run; answers the previous position.
    long ChangeThumbPos(long pos);
    long GetThumbPos() const;
    long ChangeLineSize(long size);
    long GetLineSize() const;
    long ChangePageSize(long size);
    long GetPageSize() const;
    long ChangeVisibleSize(long size);
    long GetVisibleSize() const;

    // The action that moves the thumb, and by how much it moved.
    ScrollType GetScrollType() const;
    long GetDelta() const;

    virtual void Scroll();
    virtual void EndScroll();
    Link ChangeScrollHdl(const Link& link);
    const Link& GetScrollHdl() const;
    Link ChangeEndScrollHdl(const Link& link);
    const Link& GetEndScrollHdl() const;

    void Paint(const Rectangle& rect) override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseMove(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;

private:
    struct Layout {
        int32_t length, thickness;   // along and across the bar
        int32_t trackStart, trackLength;
        int32_t thumbStart, thumbLength;
    };
    Layout GetLayout() const;
    long MaxThumb() const;
    int32_t Along(const Point& p) const;
    void MoveThumb(long pos, ScrollType type);

    Range range_;
    long thumb_ = 0, line_ = 1, page_ = 1, visible_ = 0;
    ScrollType type_ = SCROLL_DONTKNOW;
    long delta_ = 0;
    bool tracking_ = false;
    bool dragging_ = false;
    int32_t grab_ = 0;  // drag: the mouse's distance from the thumb's start
    Link scroll_, endScroll_;
};

// A bar that the user drags to a new place between windows. Dropping it (the left button going up
// after going down on it) sets the split position to the place of the bar's edge where it was
// dropped, limited to the drag rectangle (in the parent's pixels; an edge of RECT_EMPTY sets no
// limit on that side), and calls Split (the split handler). The bar itself does not move: the
// handler moves it.
class Splitter : public Window {
public:
    Splitter(Window* parent, WinBits style = 0);
    Splitter(Window* parent, const ResId& id);

    bool IsHorizontal() const;
    void SetDragRectPixel(const Rectangle& rect);
    const Rectangle& GetDragRectPixel() const;
    void SetSplitPosPixel(long pos);
    long GetSplitPosPixel() const;

    virtual void Split();
    Link ChangeSplitHdl(const Link& link);
    const Link& GetSplitHdl() const;

    void Paint(const Rectangle& rect) override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;

private:
    Rectangle dragRect_;
    long splitPos_ = 0;
    bool dragging_ = false;
    Point grab_;
    Link split_;
};
