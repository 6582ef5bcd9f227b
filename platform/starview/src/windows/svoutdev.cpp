#include "svoutdev.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "svcore.h"

namespace {

std::string Hex(const Color& c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(c.GetRGB24()));
    return buf;
}

const char* PenStyleName(PenStyle s) {
    switch (s) {
        case PEN_NULL: return "null";
        case PEN_SOLID: return "solid";
        case PEN_DOT: return "dot";
        case PEN_DASH: return "dash";
    }
    return "solid";
}

const char* BrushStyleName(BrushStyle s) {
    switch (s) {
        case BRUSH_NULL: return "null";
        case BRUSH_SOLID: return "solid";
        case BRUSH_HORZ: return "horz";
        case BRUSH_VERT: return "vert";
        case BRUSH_CROSS: return "cross";
    }
    return "solid";
}

std::string PenText(const Pen& p) {
    return "pen=" + Hex(p.GetColor()) + "/" + std::to_string(p.GetWidth() == 0 ? 1 : p.GetWidth()) + "/" +
           PenStyleName(p.GetStyle());
}

std::string BrushText(const Brush& b) { return "brush=" + Hex(b.GetColor()) + "/" + BrushStyleName(b.GetStyle()); }

std::string FontText(const Font& f, int32_t height) {
    std::string s = "font=" + svcore::Quote(f.GetName()) + "/" + std::to_string(height);
    if (f.GetWeight() == WEIGHT_BOLD) s += "/bold";
    if (f.GetWeight() == WEIGHT_LIGHT) s += "/light";
    if (f.IsItalic()) s += "/italic";
    if (f.IsUnderline()) s += "/underline";
    if (f.IsStrikeout()) s += "/strikeout";
    return s;
}

std::string Area(const Rectangle& r) {
    return std::to_string(r.Left()) + " " + std::to_string(r.Top()) + " " + std::to_string(r.GetWidth()) + " " +
           std::to_string(r.GetHeight());
}

// Half away from zero.
int32_t Scale(int32_t v, int32_t num, int32_t den) {
    const int64_t n = int64_t(v) * num;
    const int64_t q = n >= 0 ? (n * 2 + den) / (2 * int64_t(den)) : -((-n * 2 + den) / (2 * int64_t(den)));
    return static_cast<int32_t>(q);
}

// Edges in ascending order; empty stays empty.
Rectangle Normal(const Rectangle& r) {
    if (r.IsEmpty()) return Rectangle();
    return Rectangle(std::min(r.Left(), r.Right()), std::min(r.Top(), r.Bottom()), std::max(r.Left(), r.Right()),
                     std::max(r.Top(), r.Bottom()));
}

}  // namespace

std::string SvPaintOp::Line() const {
    switch (kind) {
        case FILL: return "fill " + Area(area) + " " + BrushText(brush);
        case RECT: return "rect " + Area(area) + " " + PenText(pen) + " " + BrushText(brush);
        case LINE:
            return "line " + std::to_string(area.Left()) + " " + std::to_string(area.Top()) + " " +
                   std::to_string(area.Right()) + " " + std::to_string(area.Bottom()) + " " + PenText(pen);
        case PIXEL: return "pixel " + std::to_string(area.Left()) + " " + std::to_string(area.Top()) + " " + Hex(color);
        case TEXT:
            return "text " + Area(area) + " " + svcore::Quote(text) + " " + FontText(font, fontHeight) +
                   " color=" + Hex(color);
        case BITMAP:
            return "bitmap " + Area(area) + " picture=" + std::to_string(bitmap.GetSizePixel().Width()) + "x" +
                   std::to_string(bitmap.GetSizePixel().Height());
        case INVERT: return "invert " + Area(area);
    }
    return "";
}

OutputDevice::OutputDevice() { state_.fill = Brush(COL_WHITE); }
OutputDevice::~OutputDevice() = default;

int32_t OutputDevice::ToPixel(int32_t v) const {
    return state_.mapMode.GetMapUnit() == MAP_PIXEL ? v : Scale(v, pixels_, tenthsMm_);
}
int32_t OutputDevice::ToLogic(int32_t v) const {
    return state_.mapMode.GetMapUnit() == MAP_PIXEL ? v : Scale(v, tenthsMm_, pixels_);
}

Point OutputDevice::LogicToPixel(const Point& p) const {
    return Point(ToPixel(p.X() - origin_.X()), ToPixel(p.Y() - origin_.Y()));
}
Size OutputDevice::LogicToPixel(const Size& s) const { return Size(ToPixel(s.Width()), ToPixel(s.Height())); }
Rectangle OutputDevice::LogicToPixel(const Rectangle& r) const {
    const int32_t ox = origin_.X(), oy = origin_.Y();
    if (r.IsEmpty()) return Rectangle(ToPixel(r.Left() - ox), ToPixel(r.Top() - oy), RECT_EMPTY, RECT_EMPTY);
    return Rectangle(ToPixel(r.Left() - ox), ToPixel(r.Top() - oy), ToPixel(r.Right() - ox), ToPixel(r.Bottom() - oy));
}
Point OutputDevice::PixelToLogic(const Point& p) const {
    return Point(ToLogic(p.X()) + origin_.X(), ToLogic(p.Y()) + origin_.Y());
}
Size OutputDevice::PixelToLogic(const Size& s) const { return Size(ToLogic(s.Width()), ToLogic(s.Height())); }
Rectangle OutputDevice::PixelToLogic(const Rectangle& r) const {
    const int32_t ox = origin_.X(), oy = origin_.Y();
    if (r.IsEmpty()) return Rectangle(ToLogic(r.Left()) + ox, ToLogic(r.Top()) + oy, RECT_EMPTY, RECT_EMPTY);
    return Rectangle(ToLogic(r.Left()) + ox, ToLogic(r.Top()) + oy, ToLogic(r.Right()) + ox, ToLogic(r.Bottom()) + oy);
}

Size OutputDevice::GetOutputSizePixel() const { return Size(); }
Size OutputDevice::GetOutputSize() const { return PixelToLogic(GetOutputSizePixel()); }

void OutputDevice::SvSetResolution(int32_t pixels, int32_t tenthsMm) {
    if (pixels > 0 && tenthsMm > 0) {
        pixels_ = pixels;
        tenthsMm_ = tenthsMm;
    }
}

void OutputDevice::SvSetOrigin(const Point& logical) { origin_ = logical; }

void OutputDevice::SvOnRecord() {}
void OutputDevice::SvCheckDrawing(const char*) const {}
void OutputDevice::SvClearPaintLog() {
    log_.clear();
    clipped_ = false;
}

void OutputDevice::SetClipRegion(const Rectangle& rect) {
    clipped_ = true;
    clip_ = Normal(LogicToPixel(rect));
}

void OutputDevice::SetClipRegion() { clipped_ = false; }
bool OutputDevice::IsClipRegion() const { return clipped_; }
Rectangle OutputDevice::GetClipRegion() const { return clipped_ ? PixelToLogic(clip_) : Rectangle(); }

namespace {

bool Meets(const Rectangle& a, const Rectangle& b) { return !a.GetIntersection(b).IsEmpty(); }

// The call as drawn inside the clip rectangle; false when nothing of it is left.
bool Clip(SvPaintOp& op, const Rectangle& clip) {
    switch (op.kind) {
        case SvPaintOp::FILL:
        case SvPaintOp::RECT:
        case SvPaintOp::INVERT:
            op.area = op.area.GetIntersection(clip);
            return !op.area.IsEmpty();
        case SvPaintOp::PIXEL:
        case SvPaintOp::BITMAP: return Meets(op.area, clip);
        case SvPaintOp::LINE: return Meets(Normal(op.area), clip);
        case SvPaintOp::TEXT: {
            if (clip.IsEmpty() || op.area.Bottom() < clip.Top() || op.area.Top() > clip.Bottom()) return false;
            const int32_t len = op.text.Len();
            const int32_t cell = len > 0 ? op.area.GetWidth() / len : 0;
            if (cell <= 0) return false;
            int32_t first = 0;
            while (first < len && op.area.Left() + first * cell < clip.Left()) ++first;
            int32_t end = first;
            while (end < len && op.area.Left() + (end + 1) * cell - 1 <= clip.Right()) ++end;
            if (end <= first) return false;
            if (first > 0 || end < len) {
                op.text = op.text.Copy(static_cast<uint16_t>(first), static_cast<uint16_t>(end - first));
                op.area = Rectangle(Point(op.area.Left() + first * cell, op.area.Top()),
                                    Size((end - first) * cell, op.area.GetHeight()));
            }
            return true;
        }
    }
    return true;
}

}  // namespace
const std::vector<SvPaintOp>& OutputDevice::GetPaintLog() const { return log_; }

void OutputDevice::SvRecord(SvPaintOp op) {
    if (clipped_ && !Clip(op, clip_)) return;
    log_.push_back(std::move(op));
    SvOnRecord();
}

void OutputDevice::DrawRect(const Rectangle& rect) {
    SvCheckDrawing("DrawRect");
    if (rect.IsEmpty()) return;
    SvPaintOp op;
    op.kind = SvPaintOp::RECT;
    op.area = Normal(LogicToPixel(rect));
    op.pen = state_.pen;
    op.pen.ChangeWidth(static_cast<uint16_t>(std::max<int32_t>(1, ToPixel(state_.pen.GetWidth()))));
    op.brush = state_.fill;
    SvRecord(std::move(op));
}

void OutputDevice::DrawLine(const Point& from, const Point& to) {
    SvCheckDrawing("DrawLine");
    SvPaintOp op;
    op.kind = SvPaintOp::LINE;
    op.area = Rectangle(LogicToPixel(from), LogicToPixel(to));
    op.pen = state_.pen;
    op.pen.ChangeWidth(static_cast<uint16_t>(std::max<int32_t>(1, ToPixel(state_.pen.GetWidth()))));
    SvRecord(std::move(op));
}

void OutputDevice::DrawPixel(const Point& pos) { DrawPixel(pos, state_.pen.GetColor()); }

void OutputDevice::DrawPixel(const Point& pos, const Color& color) {
    SvCheckDrawing("DrawPixel");
    SvPaintOp op;
    op.kind = SvPaintOp::PIXEL;
    const Point p = LogicToPixel(pos);
    op.area = Rectangle(p, p);
    op.color = color;
    SvRecord(std::move(op));
}

void OutputDevice::DrawText(const Point& pos, const String& text, uint16_t index, uint16_t len) {
    SvCheckDrawing("DrawText");
    const String part = text.Copy(index, len);
    if (part.Len() == 0) return;
    const Size logical = GetTextSize(part);
    SvPaintOp op;
    op.kind = SvPaintOp::TEXT;
    op.area = Rectangle(LogicToPixel(pos), LogicToPixel(logical));
    op.font = state_.font;
    op.fontHeight = std::max<int32_t>(1, ToPixel(SvFontHeight(state_.font)));
    op.color = state_.textColor;
    op.text = part;
    SvRecord(std::move(op));
}

void OutputDevice::DrawBitmap(const Point& pos, const Bitmap& bitmap) {
    SvCheckDrawing("DrawBitmap");
    if (!bitmap) return;
    SvPaintOp op;
    op.kind = SvPaintOp::BITMAP;
    op.area = Rectangle(LogicToPixel(pos), bitmap.GetSizePixel());
    op.bitmap = bitmap;
    SvRecord(std::move(op));
}

void OutputDevice::DrawBitmap(const Point& pos, const Size& size, const Bitmap& bitmap) {
    SvCheckDrawing("DrawBitmap");
    const Size px = LogicToPixel(size);
    if (!bitmap || px.Width() <= 0 || px.Height() <= 0) return;
    SvPaintOp op;
    op.kind = SvPaintOp::BITMAP;
    op.area = Rectangle(LogicToPixel(pos), px);
    op.bitmap = bitmap;
    SvRecord(std::move(op));
}

void OutputDevice::Invert(const Rectangle& rect) {
    SvCheckDrawing("Invert");
    if (rect.IsEmpty()) return;
    SvPaintOp op;
    op.kind = SvPaintOp::INVERT;
    op.area = Normal(LogicToPixel(rect));
    SvRecord(std::move(op));
}

uint32_t OutputDevice::GetColorCount() const { return 16777216; }

Size OutputDevice::GetTextSize(const String& text, uint16_t index, uint16_t len) const {
    return SvTextSize(state_.font, text.Copy(index, len).Len());
}

Pen OutputDevice::ChangePen(const Pen& pen) { return std::exchange(state_.pen, pen); }
const Pen& OutputDevice::GetPen() const { return state_.pen; }

Brush OutputDevice::ChangeFillInBrush(const Brush& brush) { return std::exchange(state_.fill, brush); }
const Brush& OutputDevice::GetFillInBrush() const { return state_.fill; }

Font OutputDevice::ChangeFont(const Font& font) { return std::exchange(state_.font, font); }
const Font& OutputDevice::GetFont() const { return state_.font; }

Color OutputDevice::ChangeTextColor(const Color& color) { return std::exchange(state_.textColor, color); }
const Color& OutputDevice::GetTextColor() const { return state_.textColor; }

void OutputDevice::SetMapMode(const MapMode& mode) { state_.mapMode = mode; }
MapMode OutputDevice::ChangeMapMode(const MapMode& mode) { return std::exchange(state_.mapMode, mode); }
const MapMode& OutputDevice::GetMapMode() const { return state_.mapMode; }

void OutputDevice::Push() { stack_.push_back(state_); }

void OutputDevice::Pop() {
    if (stack_.empty()) return;
    state_ = stack_.back();
    stack_.pop_back();
}

std::string SvPaintLogText(const OutputDevice& device) {
    std::string text;
    for (const SvPaintOp& op : device.GetPaintLog()) text += op.Line() + "\n";
    return text;
}
