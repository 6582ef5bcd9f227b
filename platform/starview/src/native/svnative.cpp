// Native window handles, the windows that CreateWindowExA makes, their procedures and the calls on
// windows.
#include <strings.h>

#include <map>
#include <string>
#include <utility>

#include "svnativecore.h"

namespace svnative {

namespace {

// Handles are made from the window's serial number, which is never given twice.
constexpr uintptr_t kHandleBase = 0x100000;
constexpr uintptr_t kHandleStep = 16;

std::map<uint64_t, Record>& Records() {
    static auto* records = new std::map<uint64_t, Record>();
    return *records;
}

uint64_t SerialOfHandle(HWND hwnd) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
    if (v <= kHandleBase || (v - kHandleBase) % kHandleStep != 0) return 0;
    return (v - kHandleBase) / kHandleStep;
}

// A window made by CreateWindowExA: it paints through its procedure and passes its input to it as
// messages.
class NativeWindow : public Control {
public:
    NativeWindow(Window* parent, const String& title) : Control(parent, 0) {
        ChangeBackgroundBrush(Brush(BRUSH_NULL));  // erased by WM_ERASEBKGND
        SetText(title);
    }

    void Paint(const Rectangle&) override { SendMessageA(Handle(), WM_PAINT, 0, 0); }

    void MouseButtonDown(const MouseEvent& event) override {
        const bool right = event.IsRight();
        const WPARAM keys = right ? 0x0002 : 0x0001;
        const LPARAM at = Position(event);
        HWND self = Handle();
        if (event.GetClicks() >= 2) {  // as Windows sends a double click: down, up, double click
            SendMessageA(self, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, keys, at);
            SendMessageA(self, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
            SendMessageA(self, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, keys, at);
        } else {
            SendMessageA(self, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, keys, at);
        }
    }

    void MouseButtonUp(const MouseEvent& event) override {
        SendMessageA(Handle(), event.IsRight() ? WM_RBUTTONUP : WM_LBUTTONUP, 0, Position(event));
    }

    // A key with a character is WM_CHAR; a cursor key WM_KEYDOWN with its virtual-key code.
    void KeyInput(const KeyEvent& event) override {
        const char c = event.GetCharCode();
        if (c != 0) {
            SendMessageA(Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
            return;
        }
        static const struct {
            uint16_t code;
            WPARAM vk;
        } kKeys[] = {{KEY_UP, VK_UP},     {KEY_DOWN, VK_DOWN}, {KEY_LEFT, VK_LEFT},    {KEY_RIGHT, VK_RIGHT},
                     {KEY_HOME, VK_HOME}, {KEY_END, VK_END},   {KEY_PAGEUP, VK_PRIOR}, {KEY_PAGEDOWN, VK_NEXT},
                     {KEY_DELETE, VK_DELETE}, {KEY_INSERT, VK_INSERT}};
        for (const auto& k : kKeys)
            if (event.GetKeyCode().GetCode() == k.code) SendMessageA(Handle(), WM_KEYDOWN, k.vk, 1);
    }

    void GetFocus() override { SendMessageA(Handle(), WM_SETFOCUS, 0, 0); }
    void LoseFocus() override { SendMessageA(Handle(), WM_KILLFOCUS, 0, 0); }

private:
    HWND Handle() const { return SvWindowHandle(this); }
    static LPARAM Position(const MouseEvent& e) { return MAKELPARAM(e.GetPosPixel().X(), e.GetPosPixel().Y()); }
};

LRESULT Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

Record* RecordOf(HWND hwnd) {
    const uint64_t serial = SerialOfHandle(hwnd);
    Window* w = serial != 0 ? svcore::Find(serial) : nullptr;
    if (w == nullptr) {
        if (serial != 0) Records().erase(serial);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto [it, made] = Records().try_emplace(serial);
    if (made) it->second.proc = &DefaultProc;
    return &it->second;
}

HWND ParentOf(HWND hwnd) {
    Window* w = SvHandleWindow(hwnd);
    return w != nullptr && w->GetParent() != nullptr ? SvWindowHandle(w->GetParent()) : nullptr;
}

COLORREF ColorRef(const Color& color) {
    const uint32_t rgb = color.GetRGB24();
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

LRESULT CALLBACK DefaultProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    Record* r = RecordOf(hwnd);
    if (r == nullptr) return 0;
    switch (msg) {
        case WM_SETFONT: r->font = reinterpret_cast<HFONT>(wParam); return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(r->font);
        case WM_ERASEBKGND: {
            Window* w = SvHandleWindow(hwnd);
            Erase(hwnd, reinterpret_cast<HDC>(wParam), ColorRef(w->GetBackgroundBrush().GetColor()));
            return 1;
        }
        case WM_CHARTOITEM: return -1;  // the list box's default action
        default: return 0;
    }
}

// A "static" window: its title on the light gray face, in its font.
LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND:
            Erase(hwnd, reinterpret_cast<HDC>(wParam), ColorRef(Color(COL_LIGHTGRAY)));
            return 1;
        case WM_PAINT: {
            HDC dc = GetDC(hwnd);
            if (dc == nullptr) return 0;
            SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            if (Record* r = RecordOf(hwnd)) {
                if (r->font != nullptr) SelectObject(dc, r->font);
                const String title = SvHandleWindow(hwnd)->GetText();
                SetBkColor(dc, ColorRef(Color(COL_LIGHTGRAY)));
                TextOutA(dc, 0, 0, title.GetStr(), title.Len());
            }
            ReleaseDC(hwnd, dc);
            return 0;
        }
        default: return DefaultProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace svnative

using namespace svnative;

HWND SvWindowHandle(const Window* window) {
    if (window == nullptr) return nullptr;
    return reinterpret_cast<HWND>(kHandleBase + svcore::SerialOf(const_cast<Window*>(window)) * kHandleStep);
}

Window* SvHandleWindow(HWND hwnd) {
    const uint64_t serial = SerialOfHandle(hwnd);
    return serial != 0 ? svcore::Find(serial) : nullptr;
}

extern "C" {

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int x, int y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE, LPVOID) {
    svcore::CheckGuiThread("CreateWindowExA");
    if (lpClassName == nullptr) return reinterpret_cast<HWND>(Fail(ERROR_INVALID_PARAMETER));
    Kind kind;
    if (strcasecmp(lpClassName, "static") == 0) kind = Kind::STATIC;
    else if (strcasecmp(lpClassName, "listbox") == 0) kind = Kind::LISTBOX;
    else return reinterpret_cast<HWND>(Fail(ERROR_CANNOT_FIND_WND_CLASS));
    Window* parent = nullptr;
    if (hWndParent != nullptr) {
        if (RecordOf(hWndParent) == nullptr) return nullptr;
        parent = SvHandleWindow(hWndParent);
    } else if (dwStyle & WS_CHILD) {
        return reinterpret_cast<HWND>(Fail(ERROR_TLW_WITH_WSCHILD));
    }
    auto* w = new NativeWindow(parent, String(lpWindowName));
    HWND hwnd = SvWindowHandle(w);
    Record* r = RecordOf(hwnd);
    r->kind = kind;
    r->proc = kind == Kind::STATIC ? &StaticProc : &ListBoxProc;
    r->style = dwStyle;
    r->exStyle = dwExStyle;
    r->id = reinterpret_cast<LONG_PTR>(hMenu);
    w->SetPosSizePixel(Point(x, y), Size(nWidth, nHeight));
    if (dwStyle & WS_DISABLED) w->Disable();
    if (dwStyle & WS_VISIBLE) w->Show();
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    svcore::CheckGuiThread("DestroyWindow");
    Record* r = RecordOf(hWnd);
    if (r == nullptr) return FALSE;
    if (r->kind == Kind::STANDIN) return static_cast<BOOL>(Fail(ERROR_ACCESS_DENIED));
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    Window* w = SvHandleWindow(hWnd);
    if (w == nullptr) return TRUE;  // destroyed by its procedure
    // The native windows inside it go with it.
    std::vector<HWND> children;
    for (uint16_t i = 0; i < w->GetChildCount(); ++i) {
        HWND child = SvWindowHandle(w->GetChild(i));
        if (Record* cr = RecordOf(child); cr != nullptr && cr->kind != Kind::STANDIN) children.push_back(child);
    }
    for (HWND child : children) DestroyWindow(child);
    if ((w = SvHandleWindow(hWnd)) == nullptr) return TRUE;
    Records().erase(SerialOfHandle(hWnd));
    delete w;
    return TRUE;
}

LONG_PTR WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    svcore::CheckGuiThread("GetWindowLongA");
    Record* r = RecordOf(hWnd);
    if (r == nullptr) return 0;
    switch (nIndex) {
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(r->proc);
        case GWL_STYLE: return static_cast<LONG_PTR>(r->style);
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(r->exStyle);
        case GWL_ID: return r->id;
        case GWL_USERDATA: return r->userData;
        default: return Fail(ERROR_INVALID_INDEX);
    }
}

LONG_PTR WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    svcore::CheckGuiThread("SetWindowLongA");
    Record* r = RecordOf(hWnd);
    if (r == nullptr) return 0;
    LONG_PTR old = 0;
    switch (nIndex) {
        case GWL_WNDPROC:
            if (dwNewLong == 0) return Fail(ERROR_INVALID_PARAMETER);
            old = reinterpret_cast<LONG_PTR>(r->proc);
            r->proc = reinterpret_cast<WNDPROC>(dwNewLong);
            break;
        case GWL_STYLE: old = std::exchange(r->style, static_cast<DWORD>(dwNewLong)); break;
        case GWL_EXSTYLE: old = std::exchange(r->exStyle, static_cast<DWORD>(dwNewLong)); break;
        case GWL_ID: old = std::exchange(r->id, dwNewLong); break;
        case GWL_USERDATA: old = std::exchange(r->userData, dwNewLong); break;
        default: return Fail(ERROR_INVALID_INDEX);
    }
    SetLastError(0);
    return old;
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (lpPrevWndFunc == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    svcore::CheckGuiThread("SendMessageA");
    Record* r = RecordOf(hWnd);
    if (r == nullptr) return 0;
    return r->proc(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    svcore::CheckGuiThread("ShowWindow");
    if (RecordOf(hWnd) == nullptr) return FALSE;
    Window* w = SvHandleWindow(hWnd);
    const bool was = w->IsVisible();
    if (nCmdShow == SW_HIDE) w->Hide();
    else w->Show();
    return was ? TRUE : FALSE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags) {
    svcore::CheckGuiThread("SetWindowPos");
    if (RecordOf(hWnd) == nullptr) return FALSE;
    Window* w = SvHandleWindow(hWnd);
    if (!(uFlags & SWP_NOMOVE)) w->SetPosPixel(Point(X, Y));
    if (!(uFlags & SWP_NOSIZE)) w->SetSizePixel(Size(cx, cy));
    if (uFlags & SWP_SHOWWINDOW) w->Show();
    if (uFlags & SWP_HIDEWINDOW) w->Hide();
    if (!(uFlags & SWP_NOREDRAW)) w->Invalidate();
    return TRUE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    svcore::CheckGuiThread("EnableWindow");
    if (RecordOf(hWnd) == nullptr) return FALSE;
    Window* w = SvHandleWindow(hWnd);
    const bool wasDisabled = !w->IsEnabled();
    if (bEnable) w->Enable();
    else w->Disable();
    if (Record* r = RecordOf(hWnd)) r->style = bEnable ? (r->style & ~WS_DISABLED) : (r->style | WS_DISABLED);
    return wasDisabled ? TRUE : FALSE;
}

HWND WINAPI SetFocus(HWND hWnd) {
    svcore::CheckGuiThread("SetFocus");
    Window* old = svcore::FocusWindow();
    if (hWnd == nullptr) return SvWindowHandle(old);  // the focus stays
    if (RecordOf(hWnd) == nullptr) return nullptr;
    HWND previous = SvWindowHandle(old);
    SvHandleWindow(hWnd)->GrabFocus();
    return previous;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    svcore::CheckGuiThread("GetClientRect");
    if (RecordOf(hWnd) == nullptr) return FALSE;
    if (lpRect == nullptr) return static_cast<BOOL>(Fail(ERROR_INVALID_PARAMETER));
    const Size size = SvHandleWindow(hWnd)->GetSizePixel();
    *lpRect = RECT{0, 0, size.Width(), size.Height()};
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    svcore::CheckGuiThread("InvalidateRect");
    if (RecordOf(hWnd) == nullptr) return FALSE;
    SvHandleWindow(hWnd)->Invalidate();
    return TRUE;
}

}  // extern "C"
