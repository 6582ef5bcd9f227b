#include "svgdi.h"

#include "svres.h"

namespace {

// 8-bit channels of the named and system colours, indexed by ColorName.
const uint32_t kNamedRGB[] = {
    0x000000,  // black
    0x000080,  // blue
    0x008000,  // green
    0x008080,  // cyan
    0x800000,  // red
    0x800080,  // magenta
    0x808000,  // brown
    0x808080,  // gray
    0xC0C0C0,  // light gray
    0x0000FF,  // light blue
    0x00FF00,  // light green
    0x00FFFF,  // light cyan
    0xFF0000,  // light red
    0xFF00FF,  // light magenta
    0xFFFF00,  // yellow
    0xFFFFFF,  // white
    0xC0C0C0,  // face of disabled fields
    0xC0C0C0,  // menu
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // window
    0x000080,  // highlight
    0xFFFFFF,  // highlight text
};
constexpr uint16_t kNamedCount = sizeof(kNamedRGB) / sizeof(kNamedRGB[0]);

uint16_t Widen(uint32_t channel8) { return static_cast<uint16_t>(channel8 * 257u); }

}  // namespace

// ---- Color ----

Color::Color() : Color(COL_BLACK) {}

Color::Color(ColorName name) : name_(name), red_(0), green_(0), blue_(0) {
    if (name_ != COL_RGB && name_ >= kNamedCount) name_ = COL_BLACK;
    if (name_ != COL_RGB) {
        const uint32_t rgb = kNamedRGB[name_];
        red_ = Widen((rgb >> 16) & 0xFF);
        green_ = Widen((rgb >> 8) & 0xFF);
        blue_ = Widen(rgb & 0xFF);
    }
}

Color::Color(uint16_t red, uint16_t green, uint16_t blue) : name_(COL_RGB), red_(red), green_(green), blue_(blue) {}
Color::Color(const Color& other) = default;
Color& Color::operator=(const Color& other) = default;

ColorName Color::GetColorName() const { return name_; }
uint16_t Color::GetRed() const { return red_; }
uint16_t Color::GetGreen() const { return green_; }
uint16_t Color::GetBlue() const { return blue_; }
uint32_t Color::GetRGB24() const {
    return (uint32_t(red_ >> 8) << 16) | (uint32_t(green_ >> 8) << 8) | uint32_t(blue_ >> 8);
}
Color Color::FromRGB24(uint32_t rgb) { return Color(Widen((rgb >> 16) & 0xFF), Widen((rgb >> 8) & 0xFF), Widen(rgb & 0xFF)); }

bool Color::operator==(const Color& c) const {
    if (name_ != c.name_) return false;
    return name_ != COL_RGB || (red_ == c.red_ && green_ == c.green_ && blue_ == c.blue_);
}
bool Color::operator!=(const Color& c) const { return !(*this == c); }

// ---- Font ----

Font::Font() = default;
Font::Font(const String& name, const Size& size) : name_(name), size_(size) {}
Font::Font(FontFamily family, const Size& size) : size_(size), family_(family) {}
Font::Font(const ResId& id) { *this = id.GetResMgr()->GetFont(id.GetId()); }
Font::Font(const Font& other) = default;
Font& Font::operator=(const Font& other) = default;

namespace {
template <typename T>
T Exchange(T& field, const T& value) {
    T old = field;
    field = value;
    return old;
}
}  // namespace

const String& Font::GetName() const { return name_; }
String Font::ChangeName(const String& name) { return Exchange(name_, name); }
const Size& Font::GetSize() const { return size_; }
Size Font::ChangeSize(const Size& size) { return Exchange(size_, size); }
FontFamily Font::GetFamily() const { return family_; }
FontFamily Font::ChangeFamily(FontFamily family) { return Exchange(family_, family); }
FontPitch Font::GetPitch() const { return pitch_; }
FontPitch Font::ChangePitch(FontPitch pitch) { return Exchange(pitch_, pitch); }
CharSet Font::GetCharSet() const { return charSet_; }
CharSet Font::ChangeCharSet(CharSet charSet) { return Exchange(charSet_, charSet); }
FontWeight Font::GetWeight() const { return weight_; }
FontWeight Font::ChangeWeight(FontWeight weight) { return Exchange(weight_, weight); }
bool Font::IsItalic() const { return italic_; }
bool Font::ChangeItalic(bool italic) { return Exchange(italic_, italic); }
bool Font::IsUnderline() const { return underline_; }
bool Font::ChangeUnderline(bool underline) { return Exchange(underline_, underline); }
bool Font::IsStrikeout() const { return strikeout_; }
bool Font::ChangeStrikeout(bool strikeout) { return Exchange(strikeout_, strikeout); }
int16_t Font::GetOrientation() const { return orientation_; }
int16_t Font::ChangeOrientation(int16_t orientation) { return Exchange(orientation_, orientation); }

bool Font::operator==(const Font& f) const {
    return name_ == f.name_ && size_ == f.size_ && family_ == f.family_ && pitch_ == f.pitch_ &&
           charSet_ == f.charSet_ && weight_ == f.weight_ && italic_ == f.italic_ && underline_ == f.underline_ &&
           strikeout_ == f.strikeout_ && orientation_ == f.orientation_;
}
bool Font::operator!=(const Font& f) const { return !(*this == f); }

int32_t SvFontHeight(const Font& font) {
    const int32_t h = font.GetSize().Height();
    return h > 0 ? h : 13;
}
int32_t SvCharWidth(int32_t fontHeight) {
    if (fontHeight <= 0) fontHeight = 13;
    return static_cast<int32_t>((int64_t(fontHeight) * 6 + 9) / 10);
}
Size SvTextSize(const Font& font, uint16_t length) {
    const int32_t h = SvFontHeight(font);
    return Size(SvCharWidth(h) * length, h);
}

// ---- Brush, Pen ----

Brush::Brush() : color_(COL_BLACK), style_(BRUSH_SOLID) {}
Brush::Brush(const Color& color, BrushStyle style) : color_(color), style_(style) {}
Brush::Brush(BrushStyle style) : color_(COL_BLACK), style_(style) {}
Brush::Brush(const Brush& other) = default;
Brush& Brush::operator=(const Brush& other) = default;
const Color& Brush::GetColor() const { return color_; }
Color Brush::ChangeColor(const Color& color) { return Exchange(color_, color); }
BrushStyle Brush::GetStyle() const { return style_; }
BrushStyle Brush::ChangeStyle(BrushStyle style) { return Exchange(style_, style); }
bool Brush::IsTransparent() const { return style_ == BRUSH_NULL; }
bool Brush::operator==(const Brush& b) const { return color_ == b.color_ && style_ == b.style_; }
bool Brush::operator!=(const Brush& b) const { return !(*this == b); }

Pen::Pen() : color_(COL_BLACK), width_(0), style_(PEN_SOLID) {}
Pen::Pen(const Color& color, uint16_t width, PenStyle style) : color_(color), width_(width), style_(style) {}
Pen::Pen(PenStyle style) : color_(COL_BLACK), width_(0), style_(style) {}
Pen::Pen(const Pen& other) = default;
Pen& Pen::operator=(const Pen& other) = default;
const Color& Pen::GetColor() const { return color_; }
Color Pen::ChangeColor(const Color& color) { return Exchange(color_, color); }
uint16_t Pen::GetWidth() const { return width_; }
uint16_t Pen::ChangeWidth(uint16_t width) { return Exchange(width_, width); }
PenStyle Pen::GetStyle() const { return style_; }
PenStyle Pen::ChangeStyle(PenStyle style) { return Exchange(style_, style); }
bool Pen::operator==(const Pen& p) const { return color_ == p.color_ && width_ == p.width_ && style_ == p.style_; }
bool Pen::operator!=(const Pen& p) const { return !(*this == p); }

// ---- Bitmap, Icon ----

Bitmap::Bitmap() = default;
Bitmap::Bitmap(const Size& sizePixel, const Color& fill) {
    if (sizePixel.Width() > 0 && sizePixel.Height() > 0) {
        width_ = sizePixel.Width();
        height_ = sizePixel.Height();
        pixels_.assign(size_t(width_) * size_t(height_), fill.GetRGB24());
    }
}
Bitmap::Bitmap(const ResId& id) { *this = id.GetResMgr()->GetBitmap(id.GetId()); }
Bitmap::Bitmap(const Bitmap& other) = default;
Bitmap& Bitmap::operator=(const Bitmap& other) = default;

Size Bitmap::GetSizePixel() const { return Size(width_, height_); }

void Bitmap::SetPixel(const Point& p, const Color& color) {
    if (p.X() < 0 || p.Y() < 0 || p.X() >= width_ || p.Y() >= height_) return;
    pixels_[size_t(p.Y()) * size_t(width_) + size_t(p.X())] = color.GetRGB24();
}

Color Bitmap::GetPixel(const Point& p) const { return Color::FromRGB24(GetPixelRGB24(p.X(), p.Y())); }

uint32_t Bitmap::GetPixelRGB24(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

bool Bitmap::operator!() const { return pixels_.empty(); }
bool Bitmap::operator==(const Bitmap& b) const {
    return width_ == b.width_ && height_ == b.height_ && pixels_ == b.pixels_;
}
bool Bitmap::operator!=(const Bitmap& b) const { return !(*this == b); }

Icon::Icon() = default;
Icon::Icon(const ResId& id) : picture_(id.GetResMgr()->GetIcon(id.GetId())) {}
Icon::Icon(const Bitmap& picture) : picture_(picture) {}
const Bitmap& Icon::GetBitmap() const { return picture_; }
Size Icon::GetSizePixel() const { return picture_.GetSizePixel(); }

// ---- MapMode ----

MapMode::MapMode() : unit_(MAP_PIXEL) {}
MapMode::MapMode(MapUnit unit) : unit_(unit) {}
MapUnit MapMode::GetMapUnit() const { return unit_; }
bool MapMode::operator==(const MapMode& m) const { return unit_ == m.unit_; }
bool MapMode::operator!=(const MapMode& m) const { return !(*this == m); }
