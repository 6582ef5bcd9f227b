// Drawing values: Color, Font, Brush, Pen, Bitmap, Icon, MapMode, and the fixed text metrics of
// the headless output devices.
#pragma once

#include <cstdint>
#include <vector>

#include "svgen.h"
#include "svstring.h"

class ResId;

enum ColorName : uint16_t {
    COL_BLACK = 0,
    COL_BLUE = 1,
    COL_GREEN = 2,
    COL_CYAN = 3,
    COL_RED = 4,
    COL_MAGENTA = 5,
    COL_BROWN = 6,
    COL_GRAY = 7,
    COL_LIGHTGRAY = 8,
    COL_LIGHTBLUE = 9,
    COL_LIGHTGREEN = 10,
    COL_LIGHTCYAN = 11,
    COL_LIGHTRED = 12,
    COL_LIGHTMAGENTA = 13,
    COL_YELLOW = 14,
    COL_WHITE = 15,
    COL_DISABLEDFIELD = 16,  // the face of disabled fields
    // The system's colours.
    COL_MENU = 17,
    COL_MENUTEXT = 18,
    COL_WINDOWTEXT = 19,
    COL_WINDOW = 20,
    COL_HIGHLIGHT = 21,
    COL_HIGHLIGHTTEXT = 22,
    // A colour given by its channels.
    COL_RGB = 0xFFFF,
};

// A named colour, a system colour or an RGB colour with 16-bit channels. Named and system colours
// answer the channels of their fixed table (window white, window text black, highlight blue,
// highlight text white, menu light gray, menu text black).
class Color {
public:
    Color();  // black
    Color(ColorName name);
    Color(uint16_t red, uint16_t green, uint16_t blue);
    Color(const Color& other);
    Color& operator=(const Color& other);

    ColorName GetColorName() const;
    uint16_t GetRed() const;
    uint16_t GetGreen() const;
    uint16_t GetBlue() const;
    // The channels cut to 8 bits, as 0xRRGGBB.
    uint32_t GetRGB24() const;
    static Color FromRGB24(uint32_t rgb);

    // Same name, and for RGB colours the same channels.
    bool operator==(const Color& c) const;
    bool operator!=(const Color& c) const;

private:
    ColorName name_;
    uint16_t red_, green_, blue_;
};

enum FontFamily : uint16_t {
    FAMILY_DONTKNOW = 0,
    FAMILY_DECORATIVE = 1,
    FAMILY_MODERN = 2,
    FAMILY_ROMAN = 3,
    FAMILY_SCRIPT = 4,
    FAMILY_SWISS = 5,
};
enum FontPitch : uint16_t { PITCH_DONTKNOW = 0, PITCH_FIXED = 1, PITCH_VARIABLE = 2 };
enum FontWeight : uint16_t { WEIGHT_DONTKNOW = 0, WEIGHT_LIGHT = 1, WEIGHT_NORMAL = 2, WEIGHT_BOLD = 3 };
enum CharSet : uint16_t { CHARSET_DONTKNOW = 0, CHARSET_ANSI = 1, CHARSET_SYSTEM = 9, CHARSET_SYMBOL = 10 };

// A font description. Setters are named Change... and answer the previous value.
class Font {
public:
    Font();
    Font(const String& name, const Size& size);
    Font(FontFamily family, const Size& size);
    explicit Font(const ResId& id);
    Font(const Font& other);
    Font& operator=(const Font& other);

    const String& GetName() const;
    String ChangeName(const String& name);
    const Size& GetSize() const;
    Size ChangeSize(const Size& size);
    FontFamily GetFamily() const;
    FontFamily ChangeFamily(FontFamily family);
    FontPitch GetPitch() const;
    FontPitch ChangePitch(FontPitch pitch);
    CharSet GetCharSet() const;
    CharSet ChangeCharSet(CharSet charSet);
    FontWeight GetWeight() const;
    FontWeight ChangeWeight(FontWeight weight);
    bool IsItalic() const;
    bool ChangeItalic(bool italic);
    bool IsUnderline() const;
    bool ChangeUnderline(bool underline);
    bool IsStrikeout() const;
    bool ChangeStrikeout(bool strikeout);
    // In tenths of a degree.
    int16_t GetOrientation() const;
    int16_t ChangeOrientation(int16_t orientation);

    bool operator==(const Font& f) const;
    bool operator!=(const Font& f) const;

private:
    String name_;
    Size size_;
    FontFamily family_ = FAMILY_DONTKNOW;
    FontPitch pitch_ = PITCH_DONTKNOW;
    CharSet charSet_ = CHARSET_DONTKNOW;
    FontWeight weight_ = WEIGHT_DONTKNOW;
    bool italic_ = false, underline_ = false, strikeout_ = false;
    int16_t orientation_ = 0;
};

// Fixed text metrics of every headless device: a font of height h in the device's units (0 means
// 13) gives each character the width ceil(0.6 × h) and each text the height h.
int32_t SvFontHeight(const Font& font);
int32_t SvCharWidth(int32_t fontHeight);
Size SvTextSize(const Font& font, uint16_t length);

enum BrushStyle : uint16_t { BRUSH_NULL = 0, BRUSH_SOLID = 1, BRUSH_HORZ = 2, BRUSH_VERT = 3, BRUSH_CROSS = 4 };

class Brush {
public:
    Brush();  // solid black
    Brush(const Color& color, BrushStyle style = BRUSH_SOLID);
    explicit Brush(BrushStyle style);  // black
    Brush(const Brush& other);
    Brush& operator=(const Brush& other);

    const Color& GetColor() const;
    Color ChangeColor(const Color& color);
    BrushStyle GetStyle() const;
    BrushStyle ChangeStyle(BrushStyle style);
    bool IsTransparent() const;  // BRUSH_NULL

    bool operator==(const Brush& b) const;
    bool operator!=(const Brush& b) const;

private:
    Color color_;
    BrushStyle style_;
};

enum PenStyle : uint16_t { PEN_NULL = 0, PEN_SOLID = 1, PEN_DOT = 2, PEN_DASH = 3 };

class Pen {
public:
    Pen();  // solid black, width 0 (one pixel)
    Pen(const Color& color, uint16_t width = 0, PenStyle style = PEN_SOLID);
    explicit Pen(PenStyle style);
    Pen(const Pen& other);
    Pen& operator=(const Pen& other);

    const Color& GetColor() const;
    Color ChangeColor(const Color& color);
    uint16_t GetWidth() const;
    uint16_t ChangeWidth(uint16_t width);
    PenStyle GetStyle() const;
    PenStyle ChangeStyle(PenStyle style);

    bool operator==(const Pen& p) const;
    bool operator!=(const Pen& p) const;

private:
    Color color_;
    uint16_t width_;
    PenStyle style_;
};

// Pixels in 24-bit RGB, row by row from the top left; made in code or read from a resource.
class Bitmap {
public:
    Bitmap();  // no pixels
    explicit Bitmap(const Size& sizePixel, const Color& fill = Color(COL_WHITE));
    explicit Bitmap(const ResId& id);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);

    Size GetSizePixel() const;
    // A point outside the bitmap is ignored, respectively reads black.
    void SetPixel(const Point& p, const Color& color);
    Color GetPixel(const Point& p) const;
    uint32_t GetPixelRGB24(int32_t x, int32_t y) const;
    bool operator!() const;  // no pixels

    bool operator==(const Bitmap& b) const;
    bool operator!=(const Bitmap& b) const;

private:
    int32_t width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// An icon: a picture kept as a bitmap.
class Icon {
public:
    Icon();
    explicit Icon(const ResId& id);
    explicit Icon(const Bitmap& picture);

    const Bitmap& GetBitmap() const;
    Size GetSizePixel() const;

private:
    Bitmap picture_;
};

enum MapUnit : uint16_t { MAP_PIXEL = 0, MAP_10TH_MM = 1 };

// The unit of a device's logical coordinates: pixels, or tenths of a millimetre.
class MapMode {
public:
    MapMode();  // pixels
    MapMode(MapUnit unit);
    MapUnit GetMapUnit() const;
    bool operator==(const MapMode& m) const;
    bool operator!=(const MapMode& m) const;

private:
    MapUnit unit_;
};
