// Inside the native-window library: the native side of each window (its procedure, styles, font
// and, for a list box, its items), the window procedures of the classes, and the device contexts
// that the procedures draw with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "svcore.h"
#include "svnative.h"

namespace svnative {

enum class Kind { STANDIN, STATIC, LISTBOX };

struct ListItem {
    ULONG_PTR data = 0;
    int height = 0;
};

struct ListBoxState {
    std::vector<ListItem> items;
    int selected = LB_ERR;
    int top = 0;           // the first item shown
    int extent = 0;        // the horizontal extent
    int scrolled = 0;      // the horizontal scroll position in pixels
    bool captured = false;  // a left button went down on an item
};

// The native side of a window. Every window has one (made when first asked for); windows made by
// CreateWindowExA have a class procedure.
struct Record {
    Kind kind = Kind::STANDIN;
    WNDPROC proc = nullptr;
    DWORD style = 0, exStyle = 0;
    LONG_PTR id = 0, userData = 0;
    HFONT font = nullptr;
    ListBoxState list;
};

// The record of a live window's handle; null (last error 1400) for a bad one. Records stay where
// they are while their window lives, but a message may destroy the window: look it up again after
// sending one.
Record* RecordOf(HWND hwnd);
// The parent's handle, null without parent.
HWND ParentOf(HWND hwnd);

// The procedures of the classes and the one every other window has.
LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DefaultProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Fills the window's client area in the colour (the erasing of WM_ERASEBKGND).
void Erase(HWND hwnd, HDC hdc, COLORREF color);
// Pixels of a font's text height (the system font's for null) and of its characters' width.
int FontHeight(HFONT font);
int CharWidth(HFONT font);
COLORREF ColorRef(const Color& color);

}  // namespace svnative
