// GDI: device contexts of windows (drawing into their paint logs) and of memory (drawing into
// bitmaps), fonts and bitmaps, text, bit-block transfers and focus rectangles.
#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "svnativecore.h"

namespace svnative {

namespace {

struct GdiObject {
    enum Type { FONT, BITMAP } type = FONT;
    LOGFONTA font{};
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, row by row
    int selections = 0;            // the device contexts it is selected into
    bool stock = false;
};

struct DeviceContext {
    uint64_t window = 0;  // the window's serial; 0 for a memory or screen context
    bool memory = false;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;  // memory contexts
    COLORREF text = RGB(0, 0, 0);
    COLORREF background = RGB(255, 255, 255);
};

struct Gdi {
    std::map<uintptr_t, GdiObject> objects;
    std::map<uintptr_t, DeviceContext> contexts;
    uintptr_t nextObject = 0x200000, nextContext = 0x300000;
    HGDIOBJ systemFont = nullptr, defaultBitmap = nullptr;
};

Gdi& TheGdi() {
    static auto* gdi = new Gdi();
    return *gdi;
}

HGDIOBJ NewObject(GdiObject object) {
    Gdi& g = TheGdi();
    g.nextObject += 16;
    g.objects.emplace(g.nextObject, std::move(object));
    return reinterpret_cast<HGDIOBJ>(g.nextObject);
}

GdiObject* ObjectOf(HGDIOBJ h) {
    auto& objects = TheGdi().objects;
    const auto it = objects.find(reinterpret_cast<uintptr_t>(h));
    return it == objects.end() ? nullptr : &it->second;
}

// The system font, "System" 13 pixels high, and the 1 by 1 bitmap of a new memory context.
HGDIOBJ SystemFont() {
    Gdi& g = TheGdi();
    if (g.systemFont == nullptr) {
        GdiObject font;
        font.font.lfHeight = 13;
        font.font.lfWeight = FW_NORMAL;
        std::strcpy(font.font.lfFaceName, "System");
        font.stock = true;
        g.systemFont = NewObject(std::move(font));
    }
    return g.systemFont;
}

HGDIOBJ DefaultBitmap() {
    Gdi& g = TheGdi();
    if (g.defaultBitmap == nullptr) {
        GdiObject bitmap;
        bitmap.type = GdiObject::BITMAP;
        bitmap.width = bitmap.height = 1;
        bitmap.pixels.assign(1, 0);
        bitmap.stock = true;
        g.defaultBitmap = NewObject(std::move(bitmap));
    }
    return g.defaultBitmap;
}

void Select(HGDIOBJ h, int by) {
    if (GdiObject* o = ObjectOf(h)) o->selections += by;
}

HDC NewContext(DeviceContext dc) {
    Gdi& g = TheGdi();
    dc.font = SystemFont();
    Select(dc.font, 1);
    if (dc.memory) {
        dc.bitmap = DefaultBitmap();
        Select(dc.bitmap, 1);
    }
    g.nextContext += 16;
    g.contexts.emplace(g.nextContext, dc);
    return reinterpret_cast<HDC>(g.nextContext);
}

DeviceContext* ContextOf(HDC h) {
    auto& contexts = TheGdi().contexts;
    const auto it = contexts.find(reinterpret_cast<uintptr_t>(h));
    if (it == contexts.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

void DeleteContext(HDC h) {
    auto& contexts = TheGdi().contexts;
    const auto it = contexts.find(reinterpret_cast<uintptr_t>(h));
    if (it == contexts.end()) return;
    Select(it->second.font, -1);
    Select(it->second.bitmap, -1);
    contexts.erase(it);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

uint32_t Rgb24(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
Color ColorOf(COLORREF c) { return Color::FromRGB24(Rgb24(c)); }

int HeightOf(const LOGFONTA& f) { return f.lfHeight == 0 ? 13 : std::abs(static_cast<int>(f.lfHeight)); }

// The font of a context as the paint log shows it.
Font FontOf(const LOGFONTA& f) {
    Font font(String(f.lfFaceName), Size(0, HeightOf(f)));
    if (f.lfWeight >= 600) font.ChangeWeight(WEIGHT_BOLD);
    else if (f.lfWeight > 0 && f.lfWeight <= 300) font.ChangeWeight(WEIGHT_LIGHT);
    else if (f.lfWeight > 0) font.ChangeWeight(WEIGHT_NORMAL);
    font.ChangeItalic(f.lfItalic != 0);
    font.ChangeUnderline(f.lfUnderline != 0);
    font.ChangeStrikeout(f.lfStrikeOut != 0);
    return font;
}

const LOGFONTA& LogFontOf(const DeviceContext& dc) {
    GdiObject* o = ObjectOf(dc.font);
    return o != nullptr ? o->font : ObjectOf(SystemFont())->font;
}

// The window a context draws into; null for memory and screen contexts and gone windows.
Window* TargetOf(const DeviceContext& dc) { return dc.window != 0 ? svcore::Find(dc.window) : nullptr; }

void Draw(const DeviceContext& dc, SvPaintOp op) {
    if (Window* w = TargetOf(dc)) svcore::WindowData::Record(*w, std::move(op));
}

// The area of a RECT (right and bottom excluded) as a class-library rectangle; empty when it
// covers nothing.
Rectangle AreaOf(const RECT& r) {
    if (r.right <= r.left || r.bottom <= r.top) return Rectangle();
    return Rectangle(r.left, r.top, r.right - 1, r.bottom - 1);
}

void FillBitmap(GdiObject& b, const RECT& r, uint32_t rgb) {
    for (LONG y = std::max<LONG>(0, r.top); y < std::min<LONG>(b.height, r.bottom); ++y)
        for (LONG x = std::max<LONG>(0, r.left); x < std::min<LONG>(b.width, r.right); ++x)
            b.pixels[size_t(y) * b.width + x] = rgb;
}

void Fill(const DeviceContext& dc, const RECT& r, COLORREF color) {
    if (dc.memory) {
        if (GdiObject* b = ObjectOf(dc.bitmap)) FillBitmap(*b, r, Rgb24(color));
        return;
    }
    const Rectangle area = AreaOf(r);
    if (area.IsEmpty()) return;
    SvPaintOp op;
    op.kind = SvPaintOp::FILL;
    op.area = area;
    op.brush = Brush(ColorOf(color));
    Draw(dc, std::move(op));
}

BOOL Text(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count) {
    svcore::CheckGuiThread("ExtTextOutA");
    DeviceContext* dc = ContextOf(hdc);
    if (dc == nullptr) return FALSE;
    if (count > 0 && text == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if ((options & ETO_OPAQUE) && rect != nullptr) Fill(*dc, *rect, dc->background);
    if (count == 0 || dc->memory) return TRUE;
    const LOGFONTA& lf = LogFontOf(*dc);
    const String shown(text, static_cast<uint16_t>(std::min<UINT>(count, STRING_MAXLEN)));
    const int height = HeightOf(lf);
    const Size size(shown.Len() * SvCharWidth(height), height);
    // The background of the characters in the background colour (the default opaque mode).
    if (!(options & ETO_OPAQUE)) Fill(*dc, RECT{x, y, x + size.Width(), y + size.Height()}, dc->background);
    SvPaintOp op;
    op.kind = SvPaintOp::TEXT;
    op.area = Rectangle(Point(x, y), size);
    op.font = FontOf(lf);
    op.fontHeight = height;
    op.color = ColorOf(dc->text);
    op.text = shown;
    Draw(*dc, std::move(op));
    return TRUE;
}

}  // namespace

void Erase(HWND hwnd, HDC hdc, COLORREF color) {
    DeviceContext* dc = ContextOf(hdc);
    Window* w = SvHandleWindow(hwnd);
    if (dc == nullptr || w == nullptr) return;
    const Size size = w->GetSizePixel();
    Fill(*dc, RECT{0, 0, size.Width(), size.Height()}, color);
}

int FontHeight(HFONT font) {
    GdiObject* o = ObjectOf(font);
    return HeightOf(o != nullptr && o->type == GdiObject::FONT ? o->font : ObjectOf(SystemFont())->font);
}

int CharWidth(HFONT font) { return SvCharWidth(FontHeight(font)); }

}  // namespace svnative

using namespace svnative;

HBITMAP SvCreateBitmap(const Bitmap& bitmap) {
    GdiObject b;
    b.type = GdiObject::BITMAP;
    b.width = bitmap.GetSizePixel().Width();
    b.height = bitmap.GetSizePixel().Height();
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) b.pixels.push_back(bitmap.GetPixelRGB24(x, y));
    return static_cast<HBITMAP>(NewObject(std::move(b)));
}

extern "C" {

HDC WINAPI GetDC(HWND hWnd) {
    svcore::CheckGuiThread("GetDC");
    DeviceContext dc;
    if (hWnd != nullptr) {
        if (RecordOf(hWnd) == nullptr) return nullptr;
        dc.window = svcore::SerialOf(SvHandleWindow(hWnd));
    }
    return NewContext(dc);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    svcore::CheckGuiThread("ReleaseDC");
    DeviceContext* dc = ContextOf(hDC);
    if (dc == nullptr || dc->memory) return 0;
    const uint64_t serial = hWnd != nullptr ? svcore::SerialOf(SvHandleWindow(hWnd)) : 0;
    if (hWnd != nullptr && serial == 0) {
        // The window is gone: its contexts go with it.
    } else if (dc->window != serial) {
        return 0;
    }
    DeleteContext(hDC);
    return 1;
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    svcore::CheckGuiThread("CreateCompatibleDC");
    if (hdc != nullptr && ContextOf(hdc) == nullptr) return nullptr;
    DeviceContext dc;
    dc.memory = true;
    return NewContext(dc);
}

BOOL WINAPI DeleteDC(HDC hdc) {
    svcore::CheckGuiThread("DeleteDC");
    DeviceContext* dc = ContextOf(hdc);
    if (dc == nullptr) return FALSE;
    if (!dc->memory) return Fail(ERROR_INVALID_HANDLE);
    DeleteContext(hdc);
    return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    svcore::CheckGuiThread("CreateCompatibleBitmap");
    if (hdc != nullptr && ContextOf(hdc) == nullptr) return nullptr;
    if (cx <= 0 || cy <= 0 || int64_t(cx) * cy > (int64_t(1) << 26)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GdiObject b;
    b.type = GdiObject::BITMAP;
    b.width = cx;
    b.height = cy;
    b.pixels.assign(size_t(cx) * cy, 0);
    return static_cast<HBITMAP>(NewObject(std::move(b)));
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf) {
    svcore::CheckGuiThread("CreateFontIndirectA");
    if (lplf == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GdiObject font;
    font.font = *lplf;
    font.font.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(NewObject(std::move(font)));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    svcore::CheckGuiThread("SelectObject");
    DeviceContext* dc = ContextOf(hdc);
    GdiObject* o = ObjectOf(h);
    if (dc == nullptr) return nullptr;
    if (o == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ* slot = &dc->font;
    if (o->type == GdiObject::BITMAP) {
        // A bitmap goes into one memory context at a time.
        if (!dc->memory || (o->selections > 0 && dc->bitmap != h && !o->stock)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        slot = &dc->bitmap;
    }
    HGDIOBJ old = std::exchange(*slot, h);
    Select(h, 1);
    Select(old, -1);
    return old;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    svcore::CheckGuiThread("DeleteObject");
    GdiObject* o = ObjectOf(ho);
    if (o == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (o->stock) return TRUE;
    if (o->selections > 0) return FALSE;  // still selected into a device context
    TheGdi().objects.erase(reinterpret_cast<uintptr_t>(ho));
    return TRUE;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = ContextOf(hdc);
    return dc != nullptr ? std::exchange(dc->text, color) : 0xFFFFFFFF;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = ContextOf(hdc);
    return dc != nullptr ? std::exchange(dc->background, color) : 0xFFFFFFFF;
}

DWORD WINAPI GetSysColor(int nIndex) {
    switch (nIndex) {
        case COLOR_MENU: return ColorRef(Color(COL_MENU));
        case COLOR_MENUTEXT: return ColorRef(Color(COL_MENUTEXT));
        case COLOR_WINDOW: return ColorRef(Color(COL_WINDOW));
        case COLOR_WINDOWTEXT: return ColorRef(Color(COL_WINDOWTEXT));
        case COLOR_HIGHLIGHT: return ColorRef(Color(COL_HIGHLIGHT));
        case COLOR_HIGHLIGHTTEXT: return ColorRef(Color(COL_HIGHLIGHTTEXT));
        default: return 0;
    }
}

BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                        const INT*) {
    return Text(hdc, x, y, options, lprect, lpString, c);
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    if (c < 0) return Fail(ERROR_INVALID_PARAMETER);
    return Text(hdc, x, y, 0, nullptr, lpString, static_cast<UINT>(c));
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz) {
    DeviceContext* dc = ContextOf(hdc);
    if (dc == nullptr) return FALSE;
    if (lpsz == nullptr || c < 0 || (c > 0 && lpString == nullptr)) return Fail(ERROR_INVALID_PARAMETER);
    const int height = HeightOf(LogFontOf(*dc));
    lpsz->cx = c * SvCharWidth(height);
    lpsz->cy = height;
    return TRUE;
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    svcore::CheckGuiThread("BitBlt");
    DeviceContext* dst = ContextOf(hdc);
    DeviceContext* src = ContextOf(hdcSrc);
    if (dst == nullptr || src == nullptr) return FALSE;
    GdiObject* from = src->memory ? ObjectOf(src->bitmap) : nullptr;
    // The source is a memory context; onto a window only a copy can be drawn.
    if (from == nullptr || (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT) || (!dst->memory && rop != SRCCOPY))
        return Fail(ERROR_INVALID_PARAMETER);
    // The part of the source rectangle inside the source bitmap.
    const int left = std::max(0, -x1), top = std::max(0, -y1);
    const int right = std::min(cx, from->width - x1), bottom = std::min(cy, from->height - y1);
    if (right <= left || bottom <= top) return TRUE;
    if (!dst->memory) {
        Bitmap picture(Size(right - left, bottom - top));
        for (int j = top; j < bottom; ++j)
            for (int i = left; i < right; ++i)
                picture.SetPixel(Point(i - left, j - top),
                                 Color::FromRGB24(from->pixels[size_t(y1 + j) * from->width + (x1 + i)]));
        SvPaintOp op;
        op.kind = SvPaintOp::BITMAP;
        op.area = Rectangle(Point(x + left, y + top), picture.GetSizePixel());
        op.bitmap = picture;
        Draw(*dst, std::move(op));
        return TRUE;
    }
    GdiObject* to = ObjectOf(dst->bitmap);
    if (to == nullptr) return TRUE;
    const std::vector<uint32_t> source = from->pixels;  // the same bitmap may be both
    for (int j = top; j < bottom; ++j)
        for (int i = left; i < right; ++i) {
            const int tx = x + i, ty = y + j;
            if (tx < 0 || ty < 0 || tx >= to->width || ty >= to->height) continue;
            const uint32_t s = source[size_t(y1 + j) * from->width + (x1 + i)];
            uint32_t& d = to->pixels[size_t(ty) * to->width + tx];
            d = rop == SRCCOPY ? s : rop == SRCAND ? (d & s) : (d | s);
        }
    return TRUE;
}

BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) {
    svcore::CheckGuiThread("DrawFocusRect");
    DeviceContext* dc = ContextOf(hDC);
    if (dc == nullptr) return FALSE;
    if (lprc == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const Rectangle area = AreaOf(*lprc);
    if (dc->memory || area.IsEmpty()) return TRUE;
    SvPaintOp op;
    op.kind = SvPaintOp::RECT;
    op.area = area;
    op.pen = Pen(Color(COL_BLACK), 1, PEN_DOT);
    op.brush = Brush(BRUSH_NULL);
    Draw(*dc, std::move(op));
    return TRUE;
}

}  // extern "C"
