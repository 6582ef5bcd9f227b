// The "listbox" window procedure: owner-drawn items that carry data, measured and drawn by the
// parent, single selection, notifications to the parent, vertical and horizontal scrolling.
#include <algorithm>

#include "svnativecore.h"

namespace svnative {

namespace {

ListBoxState* StateOf(HWND hwnd) {
    Record* r = RecordOf(hwnd);
    return r != nullptr ? &r->list : nullptr;
}

Size ClientSize(HWND hwnd) { return SvHandleWindow(hwnd)->GetSizePixel(); }

int Count(const ListBoxState& lb) { return static_cast<int>(lb.items.size()); }

// The first item that may be on top so that the last item ends inside the window.
int MaxTop(HWND hwnd, const ListBoxState& lb) {
    const int height = ClientSize(hwnd).Height();
    int used = 0, top = Count(lb);
    while (top > 0 && used + lb.items[top - 1].height <= height) used += lb.items[--top].height;
    return std::min(top, std::max(0, Count(lb) - 1));
}

int MaxScrolled(HWND hwnd, const ListBoxState& lb) {
    Record* r = RecordOf(hwnd);
    if (r == nullptr || !(r->style & WS_HSCROLL)) return 0;
    return std::max(0, lb.extent - ClientSize(hwnd).Width());
}

void SetTop(HWND hwnd, ListBoxState& lb, int top) {
    top = std::clamp(top, 0, MaxTop(hwnd, lb));
    if (top == lb.top) return;
    lb.top = top;
    SvHandleWindow(hwnd)->Invalidate();
}

void SetScrolled(HWND hwnd, ListBoxState& lb, int pos) {
    pos = std::clamp(pos, 0, MaxScrolled(hwnd, lb));
    if (pos == lb.scrolled) return;
    lb.scrolled = pos;
    SvHandleWindow(hwnd)->Invalidate();
}

// The item's rectangle: items stack from the top item down; the horizontal scroll moves them left.
RECT ItemRect(HWND hwnd, const ListBoxState& lb, int index) {
    int y = 0;
    if (index >= lb.top)
        for (int i = lb.top; i < index; ++i) y += lb.items[i].height;
    else
        for (int i = index; i < lb.top; ++i) y -= lb.items[i].height;
    const int width = std::max(ClientSize(hwnd).Width(), lb.extent);
    return RECT{-lb.scrolled, y, width - lb.scrolled, y + lb.items[index].height};
}

int ItemAt(HWND hwnd, const ListBoxState& lb, int y) {
    if (y < 0) return LB_ERR;
    for (int i = lb.top, top = 0; i < Count(lb) && top < ClientSize(hwnd).Height(); top += lb.items[i++].height)
        if (y < top + lb.items[i].height) return i;
    return LB_ERR;
}

void MakeVisible(HWND hwnd, ListBoxState& lb, int index) {
    if (index < 0 || index >= Count(lb)) return;
    if (index < lb.top) {
        SetTop(hwnd, lb, index);
        return;
    }
    int top = lb.top;
    const int height = ClientSize(hwnd).Height();
    auto bottom = [&] {
        int b = 0;
        for (int i = top; i <= index; ++i) b += lb.items[i].height;
        return b;
    };
    while (top < index && bottom() > height) ++top;
    SetTop(hwnd, lb, top);
}

void Select(HWND hwnd, ListBoxState& lb, int index) {
    if (index != lb.selected) SvHandleWindow(hwnd)->Invalidate();
    lb.selected = index;
    MakeVisible(hwnd, lb, index);
}

void Notify(HWND hwnd, WORD code) {
    Record* r = RecordOf(hwnd);
    if (r == nullptr || !(r->style & LBS_NOTIFY)) return;
    SendMessageA(ParentOf(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(r->id), code), reinterpret_cast<LPARAM>(hwnd));
}

// The caret: the selected item, else the first.
int Caret(const ListBoxState& lb) { return lb.selected >= 0 ? lb.selected : 0; }

LRESULT Insert(HWND hwnd, int index, LPARAM data) {
    Record* r = RecordOf(hwnd);
    ListBoxState& lb = r->list;
    if (index == -1) index = Count(lb);
    if (index < 0 || index > Count(lb)) return LB_ERR;
    ListItem item;
    item.data = static_cast<ULONG_PTR>(data);
    item.height = FontHeight(r->font);
    lb.items.insert(lb.items.begin() + index, item);
    if (lb.selected >= index) ++lb.selected;
    const LONG_PTR id = r->id;
    if (r->style & LBS_OWNERDRAWVARIABLE) {
        MEASUREITEMSTRUCT m{};
        m.CtlType = ODT_LISTBOX;
        m.CtlID = static_cast<UINT>(id);
        m.itemID = static_cast<UINT>(index);
        m.itemWidth = static_cast<UINT>(ClientSize(hwnd).Width());
        m.itemHeight = static_cast<UINT>(item.height);
        m.itemData = item.data;
        SendMessageA(ParentOf(hwnd), WM_MEASUREITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&m));
        ListBoxState* now = StateOf(hwnd);
        if (now == nullptr) return LB_ERR;
        if (index < Count(*now)) now->items[index].height = std::clamp<int>(static_cast<int>(m.itemHeight), 1, 255);
    }
    SvHandleWindow(hwnd)->Invalidate();
    return index;
}

LRESULT Delete(HWND hwnd, ListBoxState& lb, int index) {
    if (index < 0 || index >= Count(lb)) return LB_ERR;
    lb.items.erase(lb.items.begin() + index);
    if (lb.selected == index) lb.selected = LB_ERR;
    else if (lb.selected > index) --lb.selected;
    SetTop(hwnd, lb, std::min(lb.top, MaxTop(hwnd, lb)));
    SvHandleWindow(hwnd)->Invalidate();
    return Count(lb);
}

LRESULT Find(const ListBoxState& lb, WPARAM start, LPARAM data) {
    const int n = Count(lb);
    const int first = static_cast<int>(start) < 0 || static_cast<int>(start) >= n ? 0 : static_cast<int>(start) + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        if (lb.items[i].data == static_cast<ULONG_PTR>(data)) return i;
    }
    return LB_ERR;
}

// One WM_DRAWITEM to the parent.
void DrawItem(HWND hwnd, HDC dc, int index, UINT action) {
    Record* r = RecordOf(hwnd);
    if (r == nullptr || index < 0 || index >= Count(r->list)) return;
    const ListBoxState& lb = r->list;
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_LISTBOX;
    d.CtlID = static_cast<UINT>(r->id);
    d.itemID = static_cast<UINT>(index);
    d.itemAction = action;
    d.itemState = (index == lb.selected ? ODS_SELECTED : 0) |
                  (SvHandleWindow(hwnd)->HasFocus() && index == Caret(lb) ? ODS_FOCUS : 0);
    d.hwndItem = hwnd;
    d.hDC = dc;
    d.rcItem = ItemRect(hwnd, lb, index);
    d.itemData = lb.items[index].data;
    SendMessageA(ParentOf(hwnd), WM_DRAWITEM, static_cast<WPARAM>(r->id), reinterpret_cast<LPARAM>(&d));
}

HDC ListDC(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    if (Record* r = RecordOf(hwnd); dc != nullptr && r != nullptr && r->font != nullptr) SelectObject(dc, r->font);
    return dc;
}

void Paint(HWND hwnd) {
    HDC dc = ListDC(hwnd);
    if (dc == nullptr) return;
    SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int height = ClientSize(hwnd).Height();
    for (int i = StateOf(hwnd) != nullptr ? StateOf(hwnd)->top : 0;; ++i) {
        ListBoxState* lb = StateOf(hwnd);
        if (lb == nullptr || i >= Count(*lb) || ItemRect(hwnd, *lb, i).top >= height) break;
        DrawItem(hwnd, dc, i, ODA_DRAWENTIRE);
    }
    ListBoxState* lb = StateOf(hwnd);
    if (lb != nullptr && !lb->items.empty() && SvHandleWindow(hwnd)->HasFocus() && Caret(*lb) >= lb->top &&
        ItemRect(hwnd, *lb, Caret(*lb)).top < height)
        DrawItem(hwnd, dc, Caret(*lb), ODA_FOCUS);
    ReleaseDC(hwnd, dc);
}

// The focus look of the caret item, drawn at once when the focus comes or goes.
void DrawFocus(HWND hwnd) {
    ListBoxState* lb = StateOf(hwnd);
    if (lb == nullptr || lb->items.empty()) return;
    HDC dc = ListDC(hwnd);
    if (dc == nullptr) return;
    DrawItem(hwnd, dc, Caret(*lb), ODA_FOCUS);
    ReleaseDC(hwnd, dc);
}

// WM_VSCROLL and WM_HSCROLL: the scroll action in the low word, the thumb's position in the high.
void Scroll(HWND hwnd, ListBoxState& lb, bool vertical, WPARAM wParam) {
    const int action = LOWORD(wParam), thumb = HIWORD(wParam);
    if (vertical) {
        int page = 0, used = 0;
        for (int i = lb.top; i < Count(lb) && used + lb.items[i].height <= ClientSize(hwnd).Height(); ++i, ++page)
            used += lb.items[i].height;
        page = std::max(1, page);
        switch (action) {
            case SB_LINEUP: SetTop(hwnd, lb, lb.top - 1); break;
            case SB_LINEDOWN: SetTop(hwnd, lb, lb.top + 1); break;
            case SB_PAGEUP: SetTop(hwnd, lb, lb.top - page); break;
            case SB_PAGEDOWN: SetTop(hwnd, lb, lb.top + page); break;
            case SB_THUMBPOSITION:
            case SB_THUMBTRACK: SetTop(hwnd, lb, thumb); break;
            case SB_TOP: SetTop(hwnd, lb, 0); break;
            case SB_BOTTOM: SetTop(hwnd, lb, Count(lb)); break;
            default: break;
        }
        return;
    }
    Record* r = RecordOf(hwnd);
    const int line = CharWidth(r->font), page = ClientSize(hwnd).Width();
    switch (action) {
        case SB_LINELEFT: SetScrolled(hwnd, lb, lb.scrolled - line); break;
        case SB_LINERIGHT: SetScrolled(hwnd, lb, lb.scrolled + line); break;
        case SB_PAGELEFT: SetScrolled(hwnd, lb, lb.scrolled - page); break;
        case SB_PAGERIGHT: SetScrolled(hwnd, lb, lb.scrolled + page); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: SetScrolled(hwnd, lb, thumb); break;
        case SB_LEFT: SetScrolled(hwnd, lb, 0); break;
        case SB_RIGHT: SetScrolled(hwnd, lb, lb.extent); break;
        default: break;
    }
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ListBoxState* lb = StateOf(hwnd);
    if (lb == nullptr) return 0;
    const int index = static_cast<int>(wParam);
    switch (msg) {
        case LB_ADDSTRING: return Insert(hwnd, -1, lParam);
        case LB_INSERTSTRING: return Insert(hwnd, index, lParam);
        case LB_DELETESTRING: return Delete(hwnd, *lb, index);
        case LB_RESETCONTENT:
            lb->items.clear();
            lb->selected = LB_ERR;
            lb->top = 0;
            SvHandleWindow(hwnd)->Invalidate();
            return 0;
        case LB_GETCOUNT: return Count(*lb);
        case LB_SETCURSEL:
            if (index == -1) {
                Select(hwnd, *lb, LB_ERR);
                return LB_ERR;
            }
            if (index < 0 || index >= Count(*lb)) return LB_ERR;
            Select(hwnd, *lb, index);
            return index;
        case LB_GETCURSEL: return lb->selected;
        case LB_GETITEMDATA: return index >= 0 && index < Count(*lb) ? static_cast<LRESULT>(lb->items[index].data) : LB_ERR;
        case LB_SETITEMDATA:
            if (index < 0 || index >= Count(*lb)) return LB_ERR;
            lb->items[index].data = static_cast<ULONG_PTR>(lParam);
            return LB_OKAY;
        case LB_GETITEMRECT: {
            auto* rect = reinterpret_cast<RECT*>(lParam);
            if (index < 0 || index >= Count(*lb) || rect == nullptr) return LB_ERR;
            *rect = ItemRect(hwnd, *lb, index);
            return 1;
        }
        case LB_GETITEMHEIGHT: return index >= 0 && index < Count(*lb) ? lb->items[index].height : LB_ERR;
        case LB_SETITEMHEIGHT:
            if (index < 0 || index >= Count(*lb) || LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
            lb->items[index].height = LOWORD(lParam);
            SvHandleWindow(hwnd)->Invalidate();
            return LB_OKAY;
        case LB_FINDSTRING:
        case LB_FINDSTRINGEXACT: return Find(*lb, wParam, lParam);
        case LB_SETHORIZONTALEXTENT:
            if (std::max(0, index) == lb->extent) return 0;
            lb->extent = std::max(0, index);
            SetScrolled(hwnd, *lb, lb->scrolled);
            SvHandleWindow(hwnd)->Invalidate();
            return 0;
        case LB_GETHORIZONTALEXTENT: return lb->extent;
        case LB_GETTOPINDEX: return lb->top;
        case LB_SETTOPINDEX:
            if (index < 0 || index >= Count(*lb)) return LB_ERR;
            SetTop(hwnd, *lb, index);
            return LB_OKAY;
        case WM_VSCROLL:
        case WM_HSCROLL: Scroll(hwnd, *lb, msg == WM_VSCROLL, wParam); return 0;
        case WM_ERASEBKGND: Erase(hwnd, reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW)); return 1;
        case WM_PAINT: Paint(hwnd); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: DrawFocus(hwnd); return 0;
        case WM_LBUTTONDOWN: {
            const int hit = ItemAt(hwnd, *lb, static_cast<short>(HIWORD(lParam)));
            if (hit == LB_ERR) return 0;
            Select(hwnd, *lb, hit);
            lb->captured = true;
            return 0;
        }
        case WM_LBUTTONUP:
            if (!lb->captured) return 0;
            lb->captured = false;
            if (!lb->items.empty()) Notify(hwnd, LBN_SELCHANGE);
            return 0;
        case WM_LBUTTONDBLCLK: Notify(hwnd, LBN_DBLCLK); return 0;
        case WM_CHAR: {
            Record* r = RecordOf(hwnd);
            if (!(r->style & LBS_WANTKEYBOARDINPUT)) return 0;
            const LRESULT to = SendMessageA(ParentOf(hwnd), WM_CHARTOITEM, MAKEWPARAM(wParam, Caret(*lb)),
                                            reinterpret_cast<LPARAM>(hwnd));
            lb = StateOf(hwnd);
            if (lb == nullptr || to < 0 || to >= Count(*lb)) return 0;  // -2 handled, -1 nothing to find
            const bool changed = static_cast<int>(to) != lb->selected;
            Select(hwnd, *lb, static_cast<int>(to));
            if (changed) Notify(hwnd, LBN_SELCHANGE);
            return 0;
        }
        default: return DefaultProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace svnative
