// The Windows platform part of KxOutliner: the notify window and the owner-drawn list box, their
// window procedures, and the measuring and painting of the items.
#include "_KxOutlinerForWindows.h"

#include "KxOutlinerWhere.h"

#include <KxWOStream.h>
#include <svnative.h>

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {

KxWOStream theStream;

// Process-wide state of all outliners.
Table* theInstances = nullptr;  // notify window -> KxOutliner
long theInstanceCount = 0;
HFONT theFont = nullptr;  // the most recent font, for an item without a node
WNDPROC theOldNotifyProc = nullptr;
WNDPROC theOldListBoxProc = nullptr;

constexpr int kIndent = 20;

bool HasPixels(const Bitmap* bitmap) { return bitmap != nullptr && !(!*bitmap); }

KxOutliner* ControlOf(HWND notify) {
    KxOutliner* control = theInstances != nullptr ? static_cast<KxOutliner*>(theInstances->Get(reinterpret_cast<TableKey>(notify))) : nullptr;
    if (control == nullptr) OutputDebugStringA("KxOutliner::hwnd2this : no object found for hwnd\n");
    return control;
}

_KxOutlinerForWindows* PartOf(KxOutliner* control) {
    return control != nullptr ? static_cast<_KxOutlinerForWindows*>(control->GetImplDependentStuff()) : nullptr;
}

HWND NotifyOfListBox(HWND listBox) {
    Window* list = SvHandleWindow(listBox);
    return list != nullptr ? SvWindowHandle(list->GetParent()) : nullptr;
}

// A GDI font with the class library font's face, size and attributes.
HFONT MakeFont(const Font& font) {
    LOGFONTA lf{};
    lf.lfHeight = font.GetSize().Height();
    lf.lfWidth = font.GetSize().Width();
    lf.lfEscapement = font.GetOrientation();
    lf.lfOrientation = font.GetOrientation();
    switch (static_cast<int>(font.GetCharSet())) {
        case 0:
        case 1:
        case 9: lf.lfCharSet = 0; break;
        case 10: lf.lfCharSet = 2; break;
        default: lf.lfCharSet = 255; break;
    }
    BYTE pitch = 0;
    if (font.GetPitch() == PITCH_FIXED) pitch = 1;
    else if (font.GetPitch() == PITCH_VARIABLE) pitch = 2;
    BYTE family = 0;
    switch (font.GetFamily()) {
        case FAMILY_DECORATIVE: family = 0x50; break;
        case FAMILY_MODERN: family = 0x30; break;
        case FAMILY_ROMAN: family = 0x10; break;
        case FAMILY_SCRIPT: family = 0x40; break;
        case FAMILY_SWISS: family = 0x20; break;
        default: break;
    }
    lf.lfPitchAndFamily = static_cast<BYTE>(pitch | family);
    lf.lfWeight = font.GetWeight() == WEIGHT_LIGHT ? 300 : font.GetWeight() == WEIGHT_BOLD ? 700 : 400;
    lf.lfItalic = font.IsItalic() ? 1 : 0;
    lf.lfUnderline = font.IsUnderline() ? 1 : 0;
    lf.lfStrikeOut = font.IsStrikeout() ? 1 : 0;
    std::strncpy(lf.lfFaceName, font.GetName().GetStr(), LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

// A 1-pixel tree line: an opaque rectangle in the background colour set.
void FillRect(HDC dc, int left, int top, int right, int bottom) {
    const RECT r{left, top, right, bottom};
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// Copies the picture (through its mask, on the background colour) to the point.
void DrawIcon(HDC dc, int x, int y, const Bitmap& icon, const Bitmap* mask, COLORREF background) {
    const int width = icon.GetSizePixel().Width(), height = icon.GetSizePixel().Height();
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP iconBits = SvCreateBitmap(icon);
    if (mask == nullptr) {
        HGDIOBJ old = SelectObject(memory, iconBits);
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    } else {
        HDC part = CreateCompatibleDC(dc);
        HBITMAP composed = CreateCompatibleBitmap(dc, width, height);
        HBITMAP maskBits = SvCreateBitmap(*mask);
        HGDIOBJ oldMemory = SelectObject(memory, composed);
        const COLORREF oldBack = SetBkColor(memory, background);
        const RECT all{0, 0, width, height};
        ExtTextOutA(memory, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
        HGDIOBJ oldPart = SelectObject(part, maskBits);
        BitBlt(memory, 0, 0, width, height, part, 0, 0, SRCAND);
        SelectObject(part, iconBits);
        BitBlt(memory, 0, 0, width, height, part, 0, 0, SRCPAINT);
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(part, oldPart);
        SetBkColor(memory, oldBack);
        SelectObject(memory, oldMemory);
        DeleteDC(part);
        DeleteObject(maskBits);
        DeleteObject(composed);
    }
    DeleteDC(memory);
    DeleteObject(iconBits);
}

LRESULT CALLBACK NotifyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    KxOutliner* control = ControlOf(hwnd);
    _KxOutlinerForWindows* part = PartOf(control);
    if (part == nullptr) return CallWindowProcA(theOldNotifyProc, hwnd, msg, wParam, lParam);
    switch (msg) {
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType != ODT_LISTBOX) break;
            switch (item.itemAction) {
                case ODA_DRAWENTIRE:
                case ODA_SELECT: part->paintItem(item); return TRUE;
                case ODA_FOCUS: {
                    if (item.itemState & ODS_FOCUS) control->GetFocus();
                    else control->LoseFocus();
                    auto* node = reinterpret_cast<KxOutlinerNode*>(item.itemData);
                    if (node == nullptr) return TRUE;
                    const RECT extent = part->nodeExtent(item.hDC, item.rcItem, *node);
                    DrawFocusRect(item.hDC, &extent);
                    return TRUE;
                }
                default: theStream << "KxOutliner_OnDrawItem : unknown itemAction" << endl; return TRUE;
            }
        }
        case WM_ERASEBKGND: return 0;
        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            item.itemHeight = part->measureItem(reinterpret_cast<KxOutlinerNode*>(item.itemData));
            return TRUE;
        }
        case WM_CHARTOITEM:
            control->KeyInput(SvKeyEventOf(static_cast<char>(LOWORD(wParam))));
            return CallWindowProcA(theOldNotifyProc, hwnd, msg, wParam, lParam);
        case WM_COMMAND:
            switch (static_cast<short>(HIWORD(wParam))) {
                case LBN_SELCHANGE: control->Select(); return 0;
                case LBN_DBLCLK: control->DoubleClick(); return 0;
                case LBN_ERRSPACE:
                    theStream << "KxOutliner_OnErrSpace : out of space in outliner with hwnd : "
                              << static_cast<void*>(hwnd) << endl;
                    return 0;
                default: break;
            }
            break;
        default: break;
    }
    return CallWindowProcA(theOldNotifyProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            const LRESULT result = CallWindowProcA(theOldListBoxProc, hwnd, msg, wParam, lParam);
            if (_KxOutlinerForWindows* part = PartOf(ControlOf(NotifyOfListBox(hwnd))))
                SendMessageA(hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(part->horizontalExtent()), 0);
            return result;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            const LRESULT result = CallWindowProcA(theOldListBoxProc, hwnd, msg, wParam, lParam);
            KxOutliner* control = ControlOf(NotifyOfListBox(hwnd));
            if (control == nullptr) return result;
            const bool right = msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP;
            const MouseEvent event(Point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))), 1,
                                   right ? MOUSE_RIGHT : MOUSE_LEFT);
            if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) control->MouseButtonDown(event);
            else control->MouseButtonUp(event);
            return result;
        }
        default: return CallWindowProcA(theOldListBoxProc, hwnd, msg, wParam, lParam);
    }
}

}  // namespace

COLORREF KxOutlinerColorRef(const Color& color) {
    const ColorName name = color.GetColorName();
    if (name <= COL_WHITE || name == COL_RGB) {
        const uint32_t rgb = color.GetRGB24();
        return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    switch (name) {
        case COL_MENU: return GetSysColor(COLOR_MENU);
        case COL_MENUTEXT: return GetSysColor(COLOR_MENUTEXT);
        case COL_WINDOWTEXT: return GetSysColor(COLOR_WINDOWTEXT);
        case COL_WINDOW: return GetSysColor(COLOR_WINDOW);
        case COL_HIGHLIGHT: return GetSysColor(COLOR_HIGHLIGHT);
        case COL_HIGHLIGHTTEXT: return GetSysColor(COLOR_HIGHLIGHTTEXT);
        default: return RGB(0, 0, 0);
    }
}

_KxOutlinerForWindows::_KxOutlinerForWindows(KxOutliner* control) : control_(control) {
    parent_ = SvWindowHandle(control);
    assert(parent_ != nullptr);
    RECT client{};
    GetClientRect(parent_, &client);
    if (theInstances == nullptr) theInstances = new Table(16, 16);
    ++theInstanceCount;

    notify_ = CreateWindowExA(WS_EX_LEFT, "static",
                              "Ein eigentlich ueberfluessiges Fenster. Empfaengt ParentNotifies des Outliners.",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, client.left, client.top,
                              client.right - client.left, client.bottom - client.top, parent_, nullptr, nullptr,
                              nullptr);
    theOldNotifyProc =
        reinterpret_cast<WNDPROC>(SetWindowLongA(notify_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&NotifyProc)));
    if (!theInstances->Insert(reinterpret_cast<TableKey>(notify_), control)) {
        theStream << "KxOutliner: hwnd2this table, redfinition of notify window '" << static_cast<void*>(notify_)
                  << "' in hwnd2this table, don't panic but outliner may be unvisible" << endl;
    }

    const Window* fontWindow = control->GetParent() != nullptr ? control->GetParent() : control;
    font_ = MakeFont(fontWindow->GetFont());
    if (font_ == nullptr) theStream << "cannot create logical font " << KX_OUTLINER_WHERE << endl;
    theFont = font_;

    listBox_ = CreateWindowExA(0, "listbox", "Tessaform Tree Outliner",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_WANTKEYBOARDINPUT |
                                   LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWVARIABLE | LBS_NOTIFY,
                               client.left, client.top, client.right - client.left, client.bottom - client.top,
                               notify_, nullptr, nullptr, nullptr);
    SendMessageA(listBox_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    SendMessageA(parent_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    theOldListBoxProc =
        reinterpret_cast<WNDPROC>(SetWindowLongA(listBox_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&ListBoxProc)));
}

_KxOutlinerForWindows::~_KxOutlinerForWindows() {
    if (theInstances != nullptr) theInstances->Remove(reinterpret_cast<TableKey>(notify_));
    // The windows go with their own procedures: the replaced ones would find no control.
    SetWindowLongA(listBox_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(theOldListBoxProc));
    SetWindowLongA(notify_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(theOldNotifyProc));
    DestroyWindow(notify_);
    if (SvHandleWindow(parent_) != nullptr) SendMessageA(parent_, WM_SETFONT, 0, 0);
    if (font_ != nullptr) DeleteObject(font_);
    if (theFont == font_) theFont = nullptr;  // never hand out a deleted font
    if (theInstanceCount <= 0) {
        theStream << "KxOutliner: negative reference count for hwnd2this table" << endl;
    } else if (--theInstanceCount == 0) {
        delete theInstances;
        theInstances = nullptr;
    }
    if (levelColors_ != nullptr) {
        for (unsigned long i = 0; i < levelColors_->Count(); ++i)
            delete static_cast<LevelColor*>(levelColors_->GetObject(i));
        delete levelColors_;
    }
}

void _KxOutlinerForWindows::removeNode(const KxOutlinerNode* node) {
    const LRESULT item =
        SendMessageA(listBox_, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(node));
    if (item >= 0) SendMessageA(listBox_, LB_DELETESTRING, static_cast<WPARAM>(item), 0);
}

void _KxOutlinerForWindows::insertNodeAfter(const KxOutlinerNode* node, const KxOutlinerNode* after) {
    const LRESULT count = SendMessageA(listBox_, LB_GETCOUNT, 0, 0);
    LRESULT pos = count;
    if (after != nullptr) {
        const LRESULT item =
            SendMessageA(listBox_, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(after));
        if (item < 0) {
            theStream << "cannot find node <" << after->textualRepresentation().GetStr() << "> in the outliner"
                      << endl;
            assert(item >= 0);
        } else {
            pos = item + 1;
        }
    }
    const LPARAM data = reinterpret_cast<LPARAM>(node);
    const LRESULT result = pos >= count ? SendMessageA(listBox_, LB_ADDSTRING, 0, data)
                                        : SendMessageA(listBox_, LB_INSERTSTRING, static_cast<WPARAM>(pos), data);
    if (result == LB_ERR || result == LB_ERRSPACE) {
        theStream << "cannot add node <" << node->textualRepresentation().GetStr() << "> at pos "
                  << static_cast<long>(pos)
                  << (result == LB_ERR ? " to the outliner, LB_ERR occured." : " to the outliner, LB_ERRSPACE occured")
                  << " The outliner contains " << static_cast<long>(SendMessageA(listBox_, LB_GETCOUNT, 0, 0))
                  << " items" << endl;
    }
}

void _KxOutlinerForWindows::setTextColorForIndentLevel(const Color& color, unsigned short level) {
    if (levelColors_ == nullptr) levelColors_ = new Container(1024, 16, 16);
    unsigned long i = 0;
    for (; i < levelColors_->Count(); ++i) {
        auto* entry = static_cast<LevelColor*>(levelColors_->GetObject(i));
        if (entry->level == level) {
            entry->color = color;
            control_->refreshPresentation(nullptr);
            return;
        }
        if (entry->level > level) break;
    }
    levelColors_->Insert(new LevelColor{color, level}, i);
    control_->refreshPresentation(nullptr);
}

COLORREF _KxOutlinerForWindows::textColorForIndentLevel(unsigned short level) const {
    const LevelColor* found = nullptr;
    for (unsigned long i = 0; levelColors_ != nullptr && i < levelColors_->Count(); ++i) {
        auto* entry = static_cast<const LevelColor*>(levelColors_->GetObject(i));
        if (entry->level > level) break;
        found = entry;
    }
    return found != nullptr ? KxOutlinerColorRef(found->color) : GetSysColor(COLOR_WINDOWTEXT);
}

Rectangle _KxOutlinerForWindows::nodeRectangle(unsigned short pos) const {
    RECT r{};
    if (SendMessageA(listBox_, LB_GETITEMRECT, pos, reinterpret_cast<LPARAM>(&r)) == LB_ERR) return Rectangle();
    return Rectangle(r.left, r.top, r.right - 1, r.bottom - 1);
}

void _KxOutlinerForWindows::refreshPresentation(const KxOutlinerNode* node) {
    if (node == nullptr) {
        InvalidateRect(listBox_, nullptr, FALSE);
        return;
    }
    RECT r{};
    const LRESULT item = SendMessageA(listBox_, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(node));
    if (item >= 0 && SendMessageA(listBox_, LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r)) != LB_ERR)
        InvalidateRect(listBox_, &r, FALSE);
}

RECT _KxOutlinerForWindows::nodeExtent(HDC dc, const RECT& item, KxOutlinerNode& node) {
    const int level = node.indentLevel();
    RECT r{item.left + kIndent * level, item.top, 0, item.bottom};
    int width = 2;
    if (const Bitmap* icon = node.iconicRepresentation(); HasPixels(icon))
        width += icon->GetSizePixel().Width() + 5;
    const String& text = node.textualRepresentation();
    SIZE size{};
    GetTextExtentPointA(dc, text.GetStr(), text.Len(), &size);
    width += size.cx + 3;
    r.right = r.left + width;
    horizontalExtent_ = std::max(horizontalExtent_, kIndent * level + width);
    return r;
}

UINT _KxOutlinerForWindows::measureItem(KxOutlinerNode* node) const {
    HFONT font = theFont;
    if (node != nullptr && node->getOutliner() != nullptr) {
        if (_KxOutlinerForWindows* part = PartOf(node->getOutliner())) font = part->font_;
    }
    HDC dc = GetDC(listBox_);
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    if (node == nullptr) {
        GetTextExtentPointA(dc, "|", 1, &size);
    } else {
        const String& text = node->textualRepresentation();
        GetTextExtentPointA(dc, text.GetStr(), text.Len() > 0 ? 1 : 0, &size);
        if (const Bitmap* icon = node->iconicRepresentation(); HasPixels(icon))
            size.cy = std::max<LONG>(size.cy, icon->GetSizePixel().Height());
    }
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(listBox_, dc);
    return static_cast<UINT>(size.cy + 4);
}

void _KxOutlinerForWindows::paintItem(const DRAWITEMSTRUCT& item) {
    auto* node = reinterpret_cast<KxOutlinerNode*>(item.itemData);
    if (node == nullptr) return;
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF oldText =
        SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : textColorForIndentLevel(node->indentLevel()));
    const COLORREF oldBack = SetBkColor(dc, background);

    const RECT extent = nodeExtent(dc, item.rcItem, *node);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &extent, nullptr, 0, nullptr);

    int x = extent.left + 2;
    if (const Bitmap* icon = node->iconicRepresentation(); HasPixels(icon)) {
        const int height = icon->GetSizePixel().Height();
        const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - height) / 2;
        DrawIcon(dc, x, y, *icon, node->negativIconicRepresentation(), background);
        x += icon->GetSizePixel().Width() + 5;
    }
    const String& text = node->textualRepresentation();
    TextOutA(dc, x, item.rcItem.top + 2, text.GetStr(), text.Len());
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);

    // Tree lines in the columns left of the node.
    const int level = node->indentLevel();
    if (level == 0) return;
    const COLORREF lineBack = SetBkColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const int top = item.rcItem.top, bottom = item.rcItem.bottom;
    const int middle = top + (bottom - top) / 2;
    for (int i = 0; i < level; ++i) {
        const int column = item.rcItem.left + 10 + kIndent * i;
        const bool continues = node->getNextVisibleNodeOnSameIndentLevel(static_cast<unsigned short>(i + 1)) != nullptr;
        if (i + 1 == level) FillRect(dc, column, top, column + 1, continues ? bottom : middle);
        else if (continues) FillRect(dc, column, top, column + 1, bottom);
    }
    const int last = item.rcItem.left + 10 + kIndent * (level - 1);
    FillRect(dc, last + 1, middle, last + 1 + 9, middle + 1);
    SetBkColor(dc, lineBack);
}
