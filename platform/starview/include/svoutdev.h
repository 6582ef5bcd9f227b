// OutputDevice: drawing in logical units (pixels or tenths of a millimetre) with a pen, a fill
// brush, a font and a text colour, recorded call by call in the device's paint log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "svgdi.h"
#include "svgen.h"
#include "svstring.h"

// One drawing call as its device recorded it, in device pixels.
struct SvPaintOp {
    enum Kind : uint8_t { FILL, RECT, LINE, PIXEL, TEXT, BITMAP, INVERT };
    Kind kind = FILL;
    // FILL, RECT, TEXT, BITMAP, INVERT: the pixels covered, edges included. LINE: from the top
    // left to the bottom right corner stand the two end points.
    Rectangle area;
    Pen pen;        // RECT, LINE
    Brush brush;    // FILL, RECT
    Font font;      // TEXT
    int32_t fontHeight = 0;  // TEXT: the font's height in pixels
    Color color;    // TEXT: the text colour; PIXEL: the pixel's colour
    String text;    // TEXT
    Bitmap bitmap;  // BITMAP: the picture, drawn stretched over the area

    // The call as one line of the paint log (see the README).
    std::string Line() const;
};

// A device that draws: windows, and printers. Every drawing call is recorded in its paint log in
// device pixels with the pen, brush, font and text colour in force. Text metrics are the fixed
// rule of SvTextSize in logical units.
class OutputDevice {
public:
    virtual ~OutputDevice();
    OutputDevice(const OutputDevice&) = delete;
    OutputDevice& operator=(const OutputDevice&) = delete;

    // A rectangle with the pen's outline and the fill brush inside; an empty one draws nothing.
    void DrawRect(const Rectangle& rect);
    void DrawLine(const Point& from, const Point& to);
    void DrawPixel(const Point& pos);  // in the pen's colour
    void DrawPixel(const Point& pos, const Color& color);
    // Text with its top left corner at the point, in the font and the text colour.
    void DrawText(const Point& pos, const String& text, uint16_t index = 0, uint16_t len = STRING_LEN);
    void DrawBitmap(const Point& pos, const Bitmap& bitmap);
    void DrawBitmap(const Point& pos, const Size& size, const Bitmap& bitmap);
    void Invert(const Rectangle& rect);
    Size GetTextSize(const String& text, uint16_t index = 0, uint16_t len = STRING_LEN) const;
    // The colours the device shows: every device here has 24-bit colour (16777216).
    uint32_t GetColorCount() const;

    Pen ChangePen(const Pen& pen);
    const Pen& GetPen() const;
    Brush ChangeFillInBrush(const Brush& brush);
    const Brush& GetFillInBrush() const;
    Font ChangeFont(const Font& font);
    const Font& GetFont() const;
    Color ChangeTextColor(const Color& color);
    const Color& GetTextColor() const;
    void SetMapMode(const MapMode& mode);
    MapMode ChangeMapMode(const MapMode& mode);
    const MapMode& GetMapMode() const;

    // Keeps pen, fill brush, font, text colour and map mode; Pop restores the last kept state
    // (a Pop without Push changes nothing).
    void Push();
    void Pop();

    // Drawing is limited to the rectangle (logical units) until the clip region is reset (no
    // argument) or the paint log is cleared: areas are cut to it, a text keeps only the characters
    // whose cells lie wholly inside it horizontally, and a call wholly outside draws nothing
    // (a line or bitmap that meets the rectangle is drawn whole).
    void SetClipRegion(const Rectangle& rect);
    void SetClipRegion();
    bool IsClipRegion() const;
    // The clip rectangle in logical units; the empty rectangle without a clip region.
    Rectangle GetClipRegion() const;

    // Between logical units and device pixels (rounded to the nearest pixel or unit).
    Point LogicToPixel(const Point& p) const;
    Size LogicToPixel(const Size& s) const;
    Rectangle LogicToPixel(const Rectangle& r) const;
    Point PixelToLogic(const Point& p) const;
    Size PixelToLogic(const Size& s) const;
    Rectangle PixelToLogic(const Rectangle& r) const;

    virtual Size GetOutputSizePixel() const;
    virtual Size GetOutputSize() const;  // in logical units

    // The paint log: what was drawn since the device was last cleared.
    const std::vector<SvPaintOp>& GetPaintLog() const;

protected:
    OutputDevice();
    // Device pixels per tenth of a millimetre (96 per inch unless a device says otherwise).
    void SvSetResolution(int32_t pixels, int32_t tenthsMm);
    // The logical point drawn at the device's pixel 0, 0 (0, 0 unless a device moves it): points
    // and rectangles are converted relative to it, sizes are not.
    void SvSetOrigin(const Point& logical);
    void SvClearPaintLog();
    void SvRecord(SvPaintOp op);
    // Called after each recorded call, and before it to check the calling thread.
    virtual void SvOnRecord();
    virtual void SvCheckDrawing(const char* call) const;

private:
    int32_t ToPixel(int32_t v) const;
    int32_t ToLogic(int32_t v) const;

    struct State {
        Pen pen;
        Brush fill;
        Font font;
        Color textColor;
        MapMode mapMode;
    };
    State state_;
    std::vector<State> stack_;
    bool clipped_ = false;
    Rectangle clip_;  // device pixels
    int32_t pixels_ = 96, tenthsMm_ = 254;
    Point origin_;
    std::vector<SvPaintOp> log_;
};

// The device's paint log, one line per call.
std::string SvPaintLogText(const OutputDevice& device);
