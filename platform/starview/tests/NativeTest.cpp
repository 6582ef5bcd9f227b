// Native windows: handles of every window, the owner-drawn list box of a tree control with its
// messages and subclassed procedures, scrolling, and GDI drawing into the paint log and picture.
#include <windows.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "svnative.h"
#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

class NativeTest : public svtest::WindowsTest {};

std::string Name(UINT msg) {
    static const std::pair<UINT, const char*> kNames[] = {
        {WM_DESTROY, "WM_DESTROY"},
        {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"},
        {WM_PAINT, "WM_PAINT"},
        {WM_ERASEBKGND, "WM_ERASEBKGND"},
        {WM_SETFONT, "WM_SETFONT"},
        {WM_CHAR, "WM_CHAR"},
        {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_VSCROLL, "WM_VSCROLL"},
        {WM_HSCROLL, "WM_HSCROLL"},
        {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"},
        {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
        {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
        {WM_RBUTTONUP, "WM_RBUTTONUP"},
        {LB_ADDSTRING, "LB_ADDSTRING"},
        {LB_SETHORIZONTALEXTENT, "LB_SETHORIZONTALEXTENT"},
        {LB_GETCURSEL, "LB_GETCURSEL"},
    };
    for (const auto& [m, name] : kNames)
        if (m == msg) return name;
    return std::to_string(msg);
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

struct Node {
    const char* text;
    int level;
    bool icon;
};

// A tree control's platform part in small: a "static" notify window over the control and an
// owner-drawn list box in it, both subclassed; the notify procedure measures and draws the items.
struct Tree {
    static Tree* current;
    HWND notify = nullptr, list = nullptr;
    WNDPROC oldNotify = nullptr, oldList = nullptr;
    HFONT font = nullptr;
    Bitmap icon = Bitmap(Size(8, 8)), mask = Bitmap(Size(8, 8));
    int widest = 0;
    Lines notifyLog, listLog;
    std::vector<Node> nodes;

    Tree() {
        // The icon is blue on its left half; the mask lets the background through on the right.
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                icon.SetPixel(Point(x, y), Color(x < 4 ? COL_BLUE : COL_BLACK));
                mask.SetPixel(Point(x, y), Color(x < 4 ? COL_BLACK : COL_WHITE));
            }
    }

    RECT Extent(const RECT& item, const Node& node, HDC dc) {
        SIZE text{};
        GetTextExtentPointA(dc, node.text, static_cast<int>(std::strlen(node.text)), &text);
        RECT r{item.left + 20 * node.level, item.top, 0, item.bottom};
        r.right = r.left + 2 + (node.icon ? 8 + 5 : 0) + text.cx + 3;
        widest = std::max<int>(widest, 20 * node.level + (r.right - r.left));
        return r;
    }

    void DrawIcon(HDC dc, int x, int y, COLORREF background) {
        HDC memory = CreateCompatibleDC(dc), part = CreateCompatibleDC(dc);
        HBITMAP composed = CreateCompatibleBitmap(dc, 8, 8);
        HBITMAP iconBits = SvCreateBitmap(icon), maskBits = SvCreateBitmap(mask);
        HGDIOBJ oldMemory = SelectObject(memory, composed);
        const COLORREF oldBack = SetBkColor(memory, background);
        RECT all{0, 0, 8, 8};
        ExtTextOutA(memory, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
        HGDIOBJ oldPart = SelectObject(part, maskBits);
        BitBlt(memory, 0, 0, 8, 8, part, 0, 0, SRCAND);
        SelectObject(part, iconBits);
        BitBlt(memory, 0, 0, 8, 8, part, 0, 0, SRCPAINT);
        BitBlt(dc, x, y, 8, 8, memory, 0, 0, SRCCOPY);
        SelectObject(part, oldPart);
        SetBkColor(memory, oldBack);
        SelectObject(memory, oldMemory);
        DeleteDC(part);
        DeleteDC(memory);
        DeleteObject(iconBits);
        DeleteObject(maskBits);
        DeleteObject(composed);
    }

    LRESULT Measure(MEASUREITEMSTRUCT& m) {
        const Node& node = *reinterpret_cast<const Node*>(m.itemData);
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE first{};
        GetTextExtentPointA(dc, node.text, 1, &first);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        m.itemHeight = static_cast<UINT>(first.cy + 4);
        notifyLog.push_back("measure " + std::to_string(m.itemID) + " " + node.text + " " + std::to_string(m.itemHeight));
        return TRUE;
    }

    LRESULT Draw(const DRAWITEMSTRUCT& d) {
        const Node& node = *reinterpret_cast<const Node*>(d.itemData);
        notifyLog.push_back("draw " + std::to_string(d.itemID) + " action " + std::to_string(d.itemAction) + " state " +
                            std::to_string(d.itemState) + " " + RectText(d.rcItem));
        const RECT extent = Extent(d.rcItem, node, d.hDC);
        if (d.itemAction & ODA_FOCUS) return DrawFocusRect(d.hDC, &extent);
        const bool selected = (d.itemState & ODS_SELECTED) != 0;
        const COLORREF text = SetTextColor(d.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        const COLORREF back = SetBkColor(d.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        ExtTextOutA(d.hDC, 0, 0, ETO_OPAQUE, &extent, nullptr, 0, nullptr);
        int x = extent.left + 2;
        if (node.icon) {
            DrawIcon(d.hDC, x, d.rcItem.top + (d.rcItem.bottom - d.rcItem.top - 8) / 2,
                     GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
            x += 8 + 5;
        }
        TextOutA(d.hDC, x, d.rcItem.top + 2, node.text, static_cast<int>(std::strlen(node.text)));
        SetTextColor(d.hDC, text);
        SetBkColor(d.hDC, back);
        return TRUE;
    }

    // Type-ahead: the next node after the caret whose text begins with the character.
    LRESULT CharToItem(char c, int caret) {
        for (size_t k = 1; k <= nodes.size(); ++k) {
            const size_t i = (caret + k) % nodes.size();
            if (std::tolower(nodes[i].text[0]) == std::tolower(c)) return static_cast<LRESULT>(i);
        }
        return -2;
    }

    static LRESULT CALLBACK NotifyProc(HWND h, UINT m, WPARAM w, LPARAM l) {
        Tree& t = *current;
        switch (m) {
            case WM_MEASUREITEM: return t.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(l));
            case WM_DRAWITEM: return t.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
            case WM_ERASEBKGND: return 0;  // nothing erased
            case WM_COMMAND:
                t.notifyLog.push_back("command " + std::to_string(HIWORD(w)) + " id " + std::to_string(LOWORD(w)) +
                                      (reinterpret_cast<HWND>(l) == t.list ? " from the list" : " from elsewhere"));
                return 0;
            case WM_CHARTOITEM:
                t.notifyLog.push_back(std::string("chartoitem ") + static_cast<char>(LOWORD(w)) + " caret " +
                                      std::to_string(HIWORD(w)));
                return t.CharToItem(static_cast<char>(LOWORD(w)), HIWORD(w));
            default: return CallWindowProcA(t.oldNotify, h, m, w, l);
        }
    }

    static LRESULT CALLBACK ListProc(HWND h, UINT m, WPARAM w, LPARAM l) {
        Tree& t = *current;
        t.listLog.push_back(Name(m));
        if (m == WM_PAINT) {
            const LRESULT r = CallWindowProcA(t.oldList, h, m, w, l);
            SendMessageA(h, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(t.widest), 0);
            return r;
        }
        return CallWindowProcA(t.oldList, h, m, w, l);
    }

    // Builds both windows in the control, as the tree control's platform part does.
    void Create(Window& control) {
        current = this;
        HWND parent = SvWindowHandle(&control);
        RECT client{};
        GetClientRect(parent, &client);
        notify = CreateWindowExA(WS_EX_LEFT, "static", "notify", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 client.right, client.bottom, parent, nullptr, nullptr, nullptr);
        oldNotify = reinterpret_cast<WNDPROC>(SetWindowLongA(notify, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&NotifyProc)));
        LOGFONTA lf{};
        lf.lfHeight = 13;
        lf.lfWeight = FW_NORMAL;
        std::strcpy(lf.lfFaceName, "Courier");
        font = CreateFontIndirectA(&lf);
        list = CreateWindowExA(0, "ListBox", "Tessaform Tree Outliner",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_WANTKEYBOARDINPUT |
                                   LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWVARIABLE | LBS_NOTIFY,
                               0, 0, client.right, client.bottom, notify, reinterpret_cast<HMENU>(7), nullptr, nullptr);
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        oldList = reinterpret_cast<WNDPROC>(SetWindowLongA(list, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
    }
};

Tree* Tree::current = nullptr;

// The lines of one window's part of a picture's paint log.
Lines WindowPart(const std::string& log, const std::string& header) {
    Lines lines;
    std::istringstream in(log);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("window ")) inside = line.find(header) != std::string::npos;
        else if (inside) lines.push_back(line.substr(2));
    }
    return lines;
}

TEST_F(NativeTest, AnOwnerDrawnListBoxMeasuresDrawsSelectsAndNotifies) {
    WorkWindow main(nullptr);
    main.SetText("Tree");
    main.SetOutputSizePixel(Size(300, 200));
    main.Show();
    Control control(&main);
    control.SetPosSizePixel(Point(10, 10), Size(200, 120));
    control.Show();
    Tree tree;
    tree.nodes = {{"Alpha", 0, true}, {"beta", 1, false}, {"Bravo", 1, false}, {"Charlie", 2, false}, {"delta", 0, false}};
    tree.Create(control);
    ASSERT_NE(tree.list, nullptr);
    EXPECT_EQ(SvHandleWindow(tree.list)->GetParent(), SvHandleWindow(tree.notify));
    EXPECT_EQ(SvHandleWindow(tree.notify)->GetParent(), &control);

    // Five items by data: each measured when it is inserted (13 pixels of text and 4).
    for (Node& node : tree.nodes)
        SendMessageA(tree.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&node));
    EXPECT_EQ(tree.notifyLog, (Lines{"measure 0 Alpha 17", "measure 1 beta 17", "measure 2 Bravo 17",
                                     "measure 3 Charlie 17", "measure 4 delta 17"}));
    EXPECT_EQ(SendMessageA(tree.list, LB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(tree.list, LB_GETITEMDATA, 3, 0), reinterpret_cast<LRESULT>(&tree.nodes[3]));
    EXPECT_EQ(SendMessageA(tree.list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&tree.nodes[2])), 2);
    EXPECT_EQ(SendMessageA(tree.list, LB_GETCURSEL, 0, 0), LB_ERR);
    RECT item{};
    EXPECT_EQ(SendMessageA(tree.list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(RectText(item), "0,34-200,51");

    // Painting draws each item through the parent.
    tree.notifyLog.clear();
    tree.listLog.clear();
    main.Update();
    EXPECT_EQ(tree.notifyLog, (Lines{"draw 0 action 1 state 0 0,0-200,17", "draw 1 action 1 state 0 0,17-200,34",
                                     "draw 2 action 1 state 0 0,34-200,51", "draw 3 action 1 state 0 0,51-200,68",
                                     "draw 4 action 1 state 0 0,68-200,85"}));
    EXPECT_EQ(tree.listLog, (Lines{"WM_PAINT", "WM_ERASEBKGND", "LB_SETHORIZONTALEXTENT"}));
    EXPECT_EQ(SendMessageA(tree.list, LB_GETHORIZONTALEXTENT, 0, 0), 101);  // "Charlie" at level 2
    main.Update();  // the new extent repaints the list box once more

    // A click on the third item: the subclassed procedure sees every message first.
    tree.notifyLog.clear();
    tree.listLog.clear();
    SvPostClick(&main, Point(10 + 50, 10 + 40));
    GetpApp()->Execute();
    EXPECT_EQ(SendMessageA(tree.list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(tree.listLog, (Lines{"WM_SETFOCUS", "WM_LBUTTONDOWN", "WM_PAINT", "WM_ERASEBKGND",
                                   "LB_SETHORIZONTALEXTENT", "WM_LBUTTONUP", "LB_GETCURSEL"}));
    EXPECT_EQ(tree.notifyLog, (Lines{
                                  "draw 0 action 4 state 16 0,0-200,17",  // the focus comes to the caret
                                  "draw 0 action 1 state 0 0,0-200,17",
                                  "draw 1 action 1 state 0 0,17-200,34",
                                  "draw 2 action 1 state 17 0,34-200,51",  // selected, with the focus
                                  "draw 3 action 1 state 0 0,51-200,68",
                                  "draw 4 action 1 state 0 0,68-200,85",
                                  "draw 2 action 4 state 17 0,34-200,51",
                                  "command 1 id 7 from the list",  // LBN_SELCHANGE
                              }));

    // Its drawing: the list box erased white, the selected item blue with white text, its focus
    // rectangle; the icon composed through its mask.
    const Lines part = WindowPart(SvWindowLogText(main), "Control \"Tessaform Tree Outliner\" at 10 10 size 200 120");
    const auto has = [&](const std::string& line) { return std::find(part.begin(), part.end(), line) != part.end(); };
    EXPECT_EQ(part.front(), "fill 0 0 200 120 brush=#FFFFFF/solid");
    EXPECT_TRUE(has("fill 0 0 58 17 brush=#FFFFFF/solid"));
    EXPECT_TRUE(has("bitmap 2 4 8 8 picture=8x8"));
    EXPECT_TRUE(has("text 15 2 40 13 \"Alpha\" font=\"Courier\"/13 color=#000000"));
    EXPECT_TRUE(has("fill 20 34 45 17 brush=#000080/solid"));
    EXPECT_TRUE(has("text 22 36 40 13 \"Bravo\" font=\"Courier\"/13 color=#FFFFFF"));
    EXPECT_EQ(part.back(), "rect 20 34 45 17 pen=#000000/1/dot brush=#000000/null");
    svtest::TempDir dir;
    ASSERT_TRUE(SvRenderPng(main, String((dir.Path() + "/tree.png").c_str())));
    const svtest::Picture picture = svtest::ReadPng(dir.Path() + "/tree.png");
    ASSERT_EQ(picture.width, 300);
    EXPECT_EQ(picture.At(10 + 21, 10 + 35), 0x000080u);   // the selected item's extent
    EXPECT_EQ(picture.At(10 + 150, 10 + 40), 0xFFFFFFu);  // the list box right of it
    EXPECT_EQ(picture.At(10 + 3, 10 + 6), 0x000080u);     // the icon's blue half
    EXPECT_EQ(picture.At(10 + 8, 10 + 6), 0xFFFFFFu);     // its masked half shows the background

    // A double click, and a key that the parent turns into an item.
    tree.notifyLog.clear();
    tree.listLog.clear();
    SvPostClick(&main, Point(10 + 50, 10 + 40), MOUSE_LEFT, 2);
    SvPostKey(&main, SvKeyEventOf('b'));
    GetpApp()->Execute();
    EXPECT_EQ(tree.listLog, (Lines{"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP", "WM_CHAR",
                                   "WM_PAINT", "WM_ERASEBKGND", "LB_SETHORIZONTALEXTENT"}));
    Lines messages;
    for (const std::string& line : tree.notifyLog)
        if (!line.starts_with("draw")) messages.push_back(line);
    EXPECT_EQ(messages, (Lines{"command 1 id 7 from the list", "command 2 id 7 from the list",
                               "chartoitem b caret 2", "command 1 id 7 from the list"}));
    EXPECT_EQ(SendMessageA(tree.list, LB_GETCURSEL, 0, 0), 1);  // "beta", after "Bravo" and around

    // Destroying the notify window takes the list box with it.
    tree.listLog.clear();
    EXPECT_TRUE(DestroyWindow(tree.notify));
    EXPECT_EQ(tree.listLog, Lines{"WM_DESTROY"});
    EXPECT_EQ(SvHandleWindow(tree.list), nullptr);
    RECT gone{};
    EXPECT_FALSE(GetClientRect(tree.list, &gone));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(control.GetChildCount(), 0);
    EXPECT_TRUE(DeleteObject(tree.font));
}

TEST_F(NativeTest, AListBoxScrollsVerticallyAndHorizontally) {
    WorkWindow main(nullptr);
    main.Show();
    HWND list = CreateWindowExA(0, "listbox", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | LBS_OWNERDRAWFIXED, 0, 0, 100, 40,
                                SvWindowHandle(&main), nullptr, nullptr, nullptr);
    for (LPARAM data = 1; data <= 5; ++data) EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, data), data - 1);
    EXPECT_EQ(SendMessageA(list, LB_INSERTSTRING, 9, 6), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 13);  // the system font's
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 300, 0);
    // Three items of 13 fit in 40: the top index goes up to 2.
    const struct {
        UINT msg;
        WPARAM action;
        int top;
        int left;
    } cases[] = {
        {WM_VSCROLL, SB_LINEDOWN, 1, 0},
        {WM_VSCROLL, SB_PAGEDOWN, 2, 0},
        {WM_VSCROLL, SB_TOP, 0, 0},
        {WM_VSCROLL, SB_BOTTOM, 2, 0},
        {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 1, 0},
        {WM_VSCROLL, SB_TOP, 0, 0},
        {WM_HSCROLL, SB_LINERIGHT, 0, -8},
        {WM_HSCROLL, SB_PAGERIGHT, 0, -108},
        {WM_HSCROLL, SB_RIGHT, 0, -200},
        {WM_HSCROLL, SB_LEFT, 0, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SendMessageA(list, cases[i].msg, cases[i].action, 0);
        RECT first{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(cases[i].top), reinterpret_cast<LPARAM>(&first));
        EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), cases[i].top) << "case " << i;
        EXPECT_EQ(first.top, 0) << "case " << i;
        EXPECT_EQ(first.left, cases[i].left) << "case " << i;
    }
    // Selecting an item out of sight scrolls it in.
    EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, 4, 0), 4);
    EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 2);
    EXPECT_EQ(SendMessageA(list, LB_DELETESTRING, 1, 0), 4);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, 7, 0), LB_ERR);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(DestroyWindow(list));
}

TEST_F(NativeTest, EveryWindowHasAHandleAndTheCallsRefuseBadArguments) {
    WorkWindow main(nullptr);
    auto* child = new Window(&main);
    HWND top = SvWindowHandle(&main), inner = SvWindowHandle(child);
    EXPECT_NE(top, nullptr);
    EXPECT_NE(top, inner);
    EXPECT_EQ(SvHandleWindow(top), &main);
    EXPECT_EQ(SvHandleWindow(inner), child);
    EXPECT_EQ(SvWindowHandle(nullptr), nullptr);
    int object = 0;
    EXPECT_EQ(SetWindowLongA(inner, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&object)), 0);
    EXPECT_EQ(GetWindowLongA(inner, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&object));  // pointer-sized
    delete child;
    EXPECT_EQ(SvHandleWindow(inner), nullptr);

    HWND list = CreateWindowExA(0, "listbox", "", WS_CHILD, 5, 6, 70, 80, top, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    const struct {
        const char* call;
        std::function<LONG_PTR()> run;
        LONG_PTR result;
        DWORD error;
    } cases[] = {
        {"a class that does not exist",
         [&] { return reinterpret_cast<LONG_PTR>(CreateWindowExA(0, "button", "", WS_CHILD, 0, 0, 1, 1, top, nullptr, nullptr, nullptr)); },
         0, ERROR_CANNOT_FIND_WND_CLASS},
        {"a child without parent",
         [&] { return reinterpret_cast<LONG_PTR>(CreateWindowExA(0, "static", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)); },
         0, ERROR_TLW_WITH_WSCHILD},
        {"a destroyed parent",
         [&] { return reinterpret_cast<LONG_PTR>(CreateWindowExA(0, "static", "", WS_CHILD, 0, 0, 1, 1, inner, nullptr, nullptr, nullptr)); },
         0, ERROR_INVALID_WINDOW_HANDLE},
        {"a window not made here", [&] { return LONG_PTR(DestroyWindow(top)); }, FALSE, ERROR_ACCESS_DENIED},
        {"a handle never given", [&] { return LONG_PTR(ShowWindow(reinterpret_cast<HWND>(0x1234), SW_SHOW)); }, FALSE,
         ERROR_INVALID_WINDOW_HANDLE},
        {"a bad index", [&] { return GetWindowLongA(list, 99); }, 0, ERROR_INVALID_INDEX},
        {"no procedure", [&] { return SetWindowLongA(list, GWL_WNDPROC, 0); }, 0, ERROR_INVALID_PARAMETER},
        {"no previous procedure", [&] { return LONG_PTR(CallWindowProcA(nullptr, list, WM_PAINT, 0, 0)); }, 0,
         ERROR_INVALID_PARAMETER},
        {"a message to a destroyed window", [&] { return LONG_PTR(SendMessageA(inner, LB_GETCOUNT, 0, 0)); }, 0,
         ERROR_INVALID_WINDOW_HANDLE},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(c.run(), c.result) << c.call;
        EXPECT_EQ(GetLastError(), c.error) << c.call;
    }

    // The window calls act on the window.
    Window* w = SvHandleWindow(list);
    EXPECT_EQ(w->GetPosPixel(), Point(5, 6));
    EXPECT_FALSE(w->IsVisible());
    EXPECT_FALSE(ShowWindow(list, SW_SHOW));
    EXPECT_TRUE(w->IsVisible());
    EXPECT_TRUE(MoveWindow(list, 1, 2, 30, 40, TRUE));
    EXPECT_EQ(w->GetSizePixel(), Size(30, 40));
    EXPECT_TRUE(SetWindowPos(list, nullptr, 9, 9, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW));
    EXPECT_EQ(w->GetPosPixel(), Point(9, 9));
    EXPECT_FALSE(w->IsVisible());
    EXPECT_FALSE(EnableWindow(list, FALSE));
    EXPECT_FALSE(w->IsEnabled());
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_DISABLED);
    EXPECT_TRUE(EnableWindow(list, TRUE));
    SetFocus(top);
    EXPECT_EQ(SetFocus(list), top);
    EXPECT_TRUE(w->HasFocus());
    RECT client{};
    EXPECT_TRUE(GetClientRect(list, &client));
    EXPECT_EQ(RectText(client), "0,0-30,40");
    EXPECT_TRUE(InvalidateRect(list, nullptr, TRUE));
    EXPECT_TRUE(DestroyWindow(list));
    EXPECT_FALSE(DestroyWindow(list));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(NativeTest, GdiDrawsIntoThePaintLogAndIntoMemoryBitmaps) {
    WorkWindow main(nullptr);
    main.Show();
    HWND top = SvWindowHandle(&main);
    const struct {
        int index;
        DWORD color;
    } colors[] = {{COLOR_WINDOW, 0xFFFFFF},    {COLOR_WINDOWTEXT, 0x000000}, {COLOR_HIGHLIGHT, RGB(0, 0, 0x80)},
                  {COLOR_HIGHLIGHTTEXT, 0xFFFFFF}, {COLOR_MENU, RGB(0xC0, 0xC0, 0xC0)}, {COLOR_MENUTEXT, 0x000000}};
    for (const auto& c : colors) EXPECT_EQ(GetSysColor(c.index), c.color) << c.index;

    HDC dc = GetDC(top);
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = 1;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirectA(&lf);
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPointA(dc, "abcde", 5, &size));
    EXPECT_EQ(size.cx, 40);  // the system font: 13 high, 8 wide
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_TRUE(GetTextExtentPointA(dc, "abcde", 5, &size));
    EXPECT_EQ(size.cx, 60);
    EXPECT_EQ(size.cy, 20);
    EXPECT_FALSE(DeleteObject(font));  // selected into the context
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 0, 255));
    TextOutA(dc, 5, 6, "Hi", 2);
    RECT area{0, 30, 10, 33};
    ExtTextOutA(dc, 1, 30, ETO_OPAQUE, &area, "x", 1, nullptr);
    DrawFocusRect(dc, &area);

    // Pixels through a memory context: AND, OR and copy onto the window.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP target = CreateCompatibleBitmap(dc, 2, 1);
    Bitmap source(Size(2, 1));
    source.SetPixel(Point(0, 0), Color::FromRGB24(0x0F0F0F));
    source.SetPixel(Point(1, 0), Color::FromRGB24(0xF0F0F0));
    HBITMAP sourceBits = SvCreateBitmap(source);
    HDC from = CreateCompatibleDC(dc);
    HGDIOBJ oldFrom = SelectObject(from, sourceBits);
    EXPECT_EQ(SelectObject(dc, target), nullptr);  // a bitmap goes into memory only
    HGDIOBJ oldTarget = SelectObject(memory, target);
    SetBkColor(memory, RGB(0x33, 0x33, 0x33));
    RECT all{0, 0, 2, 1};
    ExtTextOutA(memory, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    EXPECT_TRUE(BitBlt(memory, 0, 0, 2, 1, from, 0, 0, SRCPAINT));  // 0x3F3F3F, 0xF3F3F3
    EXPECT_TRUE(BitBlt(memory, 1, 0, 1, 1, from, 0, 0, SRCAND));    // 0xF3 & 0x0F = 0x03
    EXPECT_FALSE(BitBlt(dc, 0, 0, 2, 1, memory, 0, 0, SRCAND));     // onto a window only a copy
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(BitBlt(dc, 50, 60, 2, 1, memory, 0, 0, SRCCOPY));
    SelectObject(memory, oldTarget);
    SelectObject(from, oldFrom);
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteDC(from));
    EXPECT_TRUE(DeleteObject(target));
    EXPECT_TRUE(DeleteObject(sourceBits));
    EXPECT_FALSE(DeleteObject(sourceBits));
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(ReleaseDC(top, dc), 1);
    EXPECT_EQ(ReleaseDC(top, dc), 0);

    const std::vector<SvPaintOp>& log = main.GetPaintLog();
    Lines lines;
    for (const SvPaintOp& op : log) lines.push_back(op.Line());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(Lines(lines.end() - 6, lines.end()),
              (Lines{"fill 5 6 24 20 brush=#0000FF/solid",  // the characters' background
                     "text 5 6 24 20 \"Hi\" font=\"Arial\"/20/bold/italic color=#FF0000",
                     "fill 0 30 10 3 brush=#0000FF/solid", "text 1 30 12 20 \"x\" font=\"Arial\"/20/bold/italic color=#FF0000",
                     "rect 0 30 10 3 pen=#000000/1/dot brush=#000000/null", "bitmap 50 60 2 1 picture=2x1"}));
    const Bitmap& copied = log.back().bitmap;
    EXPECT_EQ(copied.GetPixelRGB24(0, 0), 0x3F3F3Fu);
    EXPECT_EQ(copied.GetPixelRGB24(1, 0), 0x030303u);
}

}  // namespace
