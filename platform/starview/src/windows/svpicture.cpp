// Pictures of windows composed from their paint logs, PNG files, and the paint files written to
// SV_PAINT_DIR.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "svcore.h"

namespace svcore {

namespace {

const char* const kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

struct Raster {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    Point offset;    // of the device being drawn
    Rectangle clip;  // in raster pixels

    // A device pixel.
    void Set(int32_t x, int32_t y, uint32_t rgb) {
        x += offset.X();
        y += offset.Y();
        if (x < clip.Left() || x > clip.Right() || y < clip.Top() || y > clip.Bottom()) return;
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        pixels[size_t(y) * width + x] = rgb;
    }
    uint32_t Get(int32_t x, int32_t y) const {
        x += offset.X();
        y += offset.Y();
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return pixels[size_t(y) * width + x];
    }
    void Blend(int32_t x, int32_t y, uint32_t rgb, unsigned alpha) {
        if (alpha == 0) return;
        const uint32_t under = Get(x, y);
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const unsigned a = (rgb >> shift) & 0xFF, b = (under >> shift) & 0xFF;
            out |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
        }
        Set(x, y, out);
    }
};

bool InBrush(BrushStyle style, int32_t x, int32_t y) {
    switch (style) {
        case BRUSH_NULL: return false;
        case BRUSH_SOLID: return true;
        case BRUSH_HORZ: return (y & 7) == 0;
        case BRUSH_VERT: return (x & 7) == 0;
        case BRUSH_CROSS: return (x & 7) == 0 || (y & 7) == 0;
    }
    return true;
}

bool InPen(PenStyle style, int32_t step) {
    switch (style) {
        case PEN_NULL: return false;
        case PEN_SOLID: return true;
        case PEN_DOT: return step % 2 == 0;
        case PEN_DASH: return step % 6 < 4;
    }
    return true;
}

void FillArea(Raster& r, const Rectangle& a, const Brush& brush) {
    if (a.IsEmpty()) return;
    const uint32_t rgb = brush.GetColor().GetRGB24();
    for (int32_t y = a.Top(); y <= a.Bottom(); ++y)
        for (int32_t x = a.Left(); x <= a.Right(); ++x)
            if (InBrush(brush.GetStyle(), x, y)) r.Set(x, y, rgb);
}

void Line(Raster& r, Point p0, Point p1, const Pen& pen) {
    if (pen.GetStyle() == PEN_NULL) return;
    const uint32_t rgb = pen.GetColor().GetRGB24();
    const int32_t w = std::max<int32_t>(1, pen.GetWidth());
    int32_t x = p0.X(), y = p0.Y();
    const int32_t dx = std::abs(p1.X() - x), dy = -std::abs(p1.Y() - y);
    const int32_t sx = x < p1.X() ? 1 : -1, sy = y < p1.Y() ? 1 : -1;
    int32_t err = dx + dy;
    for (int32_t step = 0;; ++step) {
        if (InPen(pen.GetStyle(), step))
            for (int32_t oy = 0; oy < w; ++oy)
                for (int32_t ox = 0; ox < w; ++ox) r.Set(x + ox - (w - 1) / 2, y + oy - (w - 1) / 2, rgb);
        if (x == p1.X() && y == p1.Y()) break;
        const int32_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Outline(Raster& r, const Rectangle& a, const Pen& pen) {
    if (pen.GetStyle() == PEN_NULL || a.IsEmpty()) return;
    const int32_t w = std::max<int32_t>(1, pen.GetWidth());
    Pen thin = pen;
    thin.ChangeWidth(1);
    for (int32_t i = 0; i < w; ++i) {
        const int32_t l = a.Left() + i, t = a.Top() + i, rr = a.Right() - i, b = a.Bottom() - i;
        if (l > rr || t > b) break;
        Line(r, Point(l, t), Point(rr, t), thin);
        Line(r, Point(l, b), Point(rr, b), thin);
        Line(r, Point(l, t), Point(l, b), thin);
        Line(r, Point(rr, t), Point(rr, b), thin);
    }
}

class Glyphs {
public:
    ~Glyphs() { Unload(); }

    void SetFile(const char* path) {
        Unload();
        path_ = path != nullptr ? path : kDefaultFont;
        tried_ = false;
    }

    // The loaded face, null when the font file cannot be read.
    FT_Face Face() {
        if (!tried_) {
            tried_ = true;
            if (FT_Init_FreeType(&library_) == 0 && FT_New_Face(library_, path_.c_str(), 0, &face_) != 0) face_ = nullptr;
        }
        return face_;
    }

private:
    void Unload() {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) FT_Done_FreeType(library_);
        face_ = nullptr;
        library_ = nullptr;
    }

    std::string path_ = kDefaultFont;
    bool tried_ = false;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

Glyphs& TheGlyphs() {
    static Glyphs glyphs;
    return glyphs;
}

// Each character in its cell of the text's box: the glyph of DejaVu Sans Mono scaled so that
// ascender and descender fill the box's height; without the font, an outlined box.
void Text(Raster& r, const SvPaintOp& op) {
    const uint16_t n = op.text.Len();
    const int32_t x0 = op.area.Left(), y0 = op.area.Top(), w = op.area.GetWidth(), h = op.area.GetHeight();
    if (n == 0 || w <= 0 || h <= 0) return;
    const uint32_t rgb = op.color.GetRGB24();
    FT_Face face = TheGlyphs().Face();
    int32_t ascent = 0;
    if (face != nullptr) {
        const int32_t units = face->ascender - face->descender;
        const FT_UInt em = static_cast<FT_UInt>(std::max<int64_t>(1, int64_t(h) * face->units_per_EM / units));
        if (FT_Set_Pixel_Sizes(face, 0, em) != 0) face = nullptr;
        else ascent = static_cast<int32_t>((int64_t(face->ascender) * em + face->units_per_EM / 2) / face->units_per_EM);
    }
    for (uint16_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(op.text[i]);
        const int32_t cx0 = x0 + int32_t(int64_t(i) * w / n), cx1 = x0 + int32_t(int64_t(i + 1) * w / n);
        if (c == ' ' || cx1 <= cx0) continue;
        if (face == nullptr) {
            Pen pen(op.color);
            Outline(r, Rectangle(cx0, y0, cx1 - 1, y0 + h - 1), pen);
            continue;
        }
        if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
        const FT_Bitmap& bm = face->glyph->bitmap;
        const int32_t gx = cx0 + face->glyph->bitmap_left, gy = y0 + ascent - face->glyph->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col)
                r.Blend(gx + int32_t(col), gy + int32_t(row), rgb, bm.buffer[row * bm.pitch + col]);
    }
}

void Render(Raster& r, const std::vector<SvPaintOp>& ops) {
    for (const SvPaintOp& op : ops) {
        const Rectangle& a = op.area;
        switch (op.kind) {
            case SvPaintOp::FILL: FillArea(r, a, op.brush); break;
            case SvPaintOp::RECT:
                FillArea(r, a, op.brush);
                Outline(r, a, op.pen);
                break;
            case SvPaintOp::LINE: Line(r, a.TopLeft(), a.BottomRight(), op.pen); break;
            case SvPaintOp::PIXEL: r.Set(a.Left(), a.Top(), op.color.GetRGB24()); break;
            case SvPaintOp::TEXT: Text(r, op); break;
            case SvPaintOp::BITMAP: {
                const Size bs = op.bitmap.GetSizePixel();
                const int32_t aw = a.GetWidth(), ah = a.GetHeight();
                for (int32_t y = 0; y < ah; ++y)
                    for (int32_t x = 0; x < aw; ++x)
                        r.Set(a.Left() + x, a.Top() + y,
                              op.bitmap.GetPixelRGB24(int32_t(int64_t(x) * bs.Width() / aw),
                                                      int32_t(int64_t(y) * bs.Height() / ah)));
                break;
            }
            case SvPaintOp::INVERT:
                for (int32_t y = a.Top(); y <= a.Bottom(); ++y)
                    for (int32_t x = a.Left(); x <= a.Right(); ++x) r.Set(x, y, r.Get(x, y) ^ 0xFFFFFFu);
                break;
        }
    }
}

// A title as part of a file name.
std::string FileNameOf(const String& title) {
    std::string name;
    for (uint16_t i = 0; i < title.Len() && name.size() < 64; ++i) {
        const char c = title[i];
        name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
    }
    return name.empty() ? "untitled" : name;
}

bool WriteText(const std::string& file, const std::string& text) {
    const std::string tmp = file + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return false;
    }
    return std::rename(tmp.c_str(), file.c_str()) == 0;
}

}  // namespace

void SetFontFile(const char* path) { TheGlyphs().SetFile(path); }

std::vector<uint32_t> Compose(const Window& w, int32_t& width, int32_t& height) {
    Raster r;
    r.width = width = w.GetOutputSizePixel().Width();
    r.height = height = w.GetOutputSizePixel().Height();
    r.pixels.assign(size_t(std::max(0, width)) * std::max(0, height), 0xFFFFFFu);
    for (const Placed& p : PictureOf(w)) {
        if (p.clip.IsEmpty()) continue;
        r.offset = p.offset;
        r.clip = p.clip;
        Render(r, p.window->GetPaintLog());
    }
    return std::move(r.pixels);
}

bool WritePng(const std::string& file, const std::vector<uint32_t>& rgb, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "sv: no picture of an empty window: \"%s\"\n", file.c_str());
        return false;
    }
    const std::string tmp = file + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "sv: cannot write \"%s\": %s\n", file.c_str(), std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(size_t(width) * 3);
    volatile bool ok = png != nullptr && info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) != 0) ok = false;
    if (ok) {
        png_init_io(png, f);
        png_set_IHDR(png, info, uint32_t(width), uint32_t(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = rgb[size_t(y) * width + x];
                row[size_t(x) * 3] = png_byte(p >> 16);
                row[size_t(x) * 3 + 1] = png_byte(p >> 8);
                row[size_t(x) * 3 + 2] = png_byte(p);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) ok = false;
    if (ok && std::rename(tmp.c_str(), file.c_str()) != 0) ok = false;
    if (!ok) {
        std::remove(tmp.c_str());
        std::fprintf(stderr, "sv: cannot write \"%s\"\n", file.c_str());
    }
    return ok;
}

void MarkDirty(Window* w) {
    for (Window* v = w; v != nullptr; v = WindowData::Of(*v).parent) {
        if (IsSysWin(*v) || WindowData::Of(*v).parent == nullptr) WindowData::Of(*v).dirty = true;
        if (IsFrame(*v)) break;
    }
}

void WritePaintFiles(Window* w) {
    WindowData& d = WindowData::Of(*w);
    if (!d.dirty) return;
    const std::string dir = PaintDir();
    if (dir.empty()) return;
    d.dirty = false;
    static uint64_t serial = 0;
    const std::string base = dir + "/" + FileNameOf(d.text) + "-" + std::to_string(++serial);
    if (!WriteText(base + ".log", SvWindowLogText(*w)))
        Stop("cannot write \"" + base + ".log\": " + std::strerror(errno));
    int32_t width = 0, height = 0;
    const std::vector<uint32_t> rgb = Compose(*w, width, height);
    if (width > 0 && height > 0 && !WritePng(base + ".png", rgb, width, height))
        Stop("cannot write \"" + base + ".png\"");
}

void WriteAllPaintFiles() {
    std::vector<uint64_t> serials;
    for (Window* w : AllWindows())
        if (PictureRoot(w) == w || IsSysWin(*w)) serials.push_back(WindowData::Of(*w).serial);
    for (uint64_t s : serials)
        if (Window* w = Find(s)) WritePaintFiles(w);
}

}  // namespace svcore

using namespace svcore;

bool SvRenderPng(const Window& window, const String& file) {
    int32_t width = 0, height = 0;
    const std::vector<uint32_t> rgb = Compose(window, width, height);
    return WritePng(std::string(file.GetStr(), file.Len()), rgb, width, height);
}

std::string SvWindowLogText(const Window& window) {
    std::string text;
    for (const Placed& p : PictureOf(window)) {
        const WindowData& d = WindowData::Of(*p.window);
        text += "window " + std::to_string(p.depth) + " " + Describe(*p.window) + " at " + std::to_string(p.offset.X()) +
                " " + std::to_string(p.offset.Y()) + " size " + std::to_string(d.size.Width()) + " " +
                std::to_string(d.size.Height()) + (d.detached && p.depth == 0 ? " detached" : "") + "\n";
        for (const SvPaintOp& op : p.window->GetPaintLog()) text += "  " + op.Line() + "\n";
    }
    return text;
}
