// The Windows platform part of KxOutliner: a "static" notify window over the control's window and
// in it an owner-drawn list box whose items are the visible nodes (each item's data is its node).
// The notify window's procedure measures and paints the items (tree lines, icons, text colours per
// indent level, selection colours) and turns the list box's notifications into calls of the
// control; the list box's procedure passes mouse buttons to the control and keeps its horizontal
// extent at the widest item drawn.
//
// Process-wide: a table from notify window to control, shared by all outliners (made by the first
// part, deleted with the last), the two replaced window procedures and the most recent font.
#pragma once

#include <windows.h>

#include "KxOutliner.h"

class _KxOutlinerForWindows : public _KxOutliner {
public:
    // For the control's window, which has a native handle.
    explicit _KxOutlinerForWindows(KxOutliner* control);
    ~_KxOutlinerForWindows() override;
    _KxOutlinerForWindows(const _KxOutlinerForWindows&) = delete;
    _KxOutlinerForWindows& operator=(const _KxOutlinerForWindows&) = delete;

    void removeNode(const KxOutlinerNode* node) override;
    void insertNodeAfter(const KxOutlinerNode* node, const KxOutlinerNode* after) override;

    HWND listBox() const { return listBox_; }
    HWND notifyWindow() const { return notify_; }
    HFONT font() const { return font_; }
    // The widest item seen so far, in pixels.
    int horizontalExtent() const { return horizontalExtent_; }

    // Replaces the colour of the level or adds it.
    void setTextColorForIndentLevel(const Color& color, unsigned short level);
    // The colour of the level, else of the nearest lower level that has one, else the system's
    // window-text colour.
    COLORREF textColorForIndentLevel(unsigned short level) const;
    // The item's rectangle at the list position; the empty rectangle when there is none.
    Rectangle nodeRectangle(unsigned short pos) const;
    // Repaints the node's item, the whole list for null.
    void refreshPresentation(const KxOutlinerNode* node);

    // Paints one item (WM_DRAWITEM, draw-entire or select).
    void paintItem(const DRAWITEMSTRUCT& item);
    // The rectangle of the node's icon and text in the item; widens the horizontal extent.
    RECT nodeExtent(HDC dc, const RECT& item, KxOutlinerNode& node);
    // The item height of a node (WM_MEASUREITEM).
    UINT measureItem(KxOutlinerNode* node) const;

private:
    struct LevelColor {
        Color color;
        unsigned short level;
    };

    HWND listBox_ = nullptr;
    HWND notify_ = nullptr;
    HWND parent_ = nullptr;
    HFONT font_ = nullptr;
    KxOutliner* control_;
    int horizontalExtent_ = 0;
    Container* levelColors_ = nullptr;  // of LevelColor, by rising level; made on first use
};

// A class-library colour as a GDI colour.
COLORREF KxOutlinerColorRef(const Color& color);
