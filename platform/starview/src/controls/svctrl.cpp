// CheckBox, FixedText, GroupBox, ScrollBar and Splitter.
#include "svctrl.h"

#include <algorithm>
#include <utility>

#include "svcore.h"

namespace {

// The control's text colour: black, gray when disabled.
Color TextColor(const Window& w) { return Color(w.IsEnabled() ? COL_BLACK : COL_GRAY); }

}  // namespace

// ---- CheckBox ----

CheckBox::CheckBox(Window* parent, WinBits style) : Button(RSC_CHECKBOX, parent, style) {}
CheckBox::CheckBox(Window* parent, const ResId& id) : Button(RSC_CHECKBOX, parent, id) {}

void CheckBox::Check(bool check) {
    if (checked_ == check) return;
    checked_ = check;
    Invalidate();
}

bool CheckBox::IsChecked() const { return checked_; }

void CheckBox::Click() {
    Check(!checked_);
    Button::Click();
}

void CheckBox::Paint(const Rectangle&) {
    const Size size = GetOutputSizePixel();
    Push();
    ChangeMapMode(MapMode());
    const int32_t box = 13, y = (size.Height() - box) / 2;
    ChangePen(Pen(Color(COL_BLACK)));
    ChangeFillInBrush(Brush(Color(IsEnabled() ? COL_WHITE : COL_LIGHTGRAY)));
    DrawRect(Rectangle(Point(0, y), Size(box, box)));
    if (checked_) {
        DrawLine(Point(3, y + 3), Point(box - 4, y + box - 4));
        DrawLine(Point(box - 4, y + 3), Point(3, y + box - 4));
    }
    const String text = svcore::ShownText(GetText());
    ChangeTextColor(TextColor(*this));
    DrawText(Point(box + 5, (size.Height() - GetTextSize(text).Height()) / 2), text);
    Pop();
}

// ---- FixedText, GroupBox ----

FixedText::FixedText(Window* parent, WinBits style) : Control(RSC_FIXEDTEXT, parent, style) {}
FixedText::FixedText(Window* parent, const ResId& id) : Control(RSC_FIXEDTEXT, parent, id) {}

void FixedText::Paint(const Rectangle&) {
    Push();
    ChangeMapMode(MapMode());
    ChangeTextColor(TextColor(*this));
    DrawText(Point(0, 0), svcore::ShownText(GetText()));
    Pop();
}

GroupBox::GroupBox(Window* parent, WinBits style) : Control(RSC_GROUPBOX, parent, style) {}
GroupBox::GroupBox(Window* parent, const ResId& id) : Control(RSC_GROUPBOX, parent, id) {}

void GroupBox::Paint(const Rectangle&) {
    const Size size = GetOutputSizePixel();
    Push();
    ChangeMapMode(MapMode());
    const String text = svcore::ShownText(GetText());
    const Size extent = GetTextSize(text);
    ChangePen(Pen(Color(COL_GRAY)));
    ChangeFillInBrush(Brush(BRUSH_NULL));
    DrawRect(Rectangle(Point(0, extent.Height() / 2), Point(size.Width() - 1, size.Height() - 1)));
    if (text.Len() > 0) {
        ChangePen(Pen(PEN_NULL));
        ChangeFillInBrush(GetBackgroundBrush());
        DrawRect(Rectangle(Point(6, 0), Size(extent.Width() + 4, extent.Height())));
        ChangeTextColor(TextColor(*this));
        DrawText(Point(8, 0), text);
    }
    Pop();
}

// ---- ScrollBar ----

ScrollBar::ScrollBar(Window* parent, WinBits style) : Control(RSC_SCROLLBAR, parent, style), range_(0, 100) {}
ScrollBar::ScrollBar(Window* parent, const ResId& id) : Control(RSC_SCROLLBAR, parent, id), range_(0, 100) {}

bool ScrollBar::IsHorizontal() const { return (GetStyle() & WB_HORZ) != 0; }

long ScrollBar::MaxThumb() const { return std::max<long>(range_.Min(), long(range_.Max()) - visible_); }

Range ScrollBar::ChangeRange(const Range& range) {
    Range old = std::exchange(range_, range);
    range_.Justify();
    ChangeThumbPos(thumb_);
    Invalidate();
    return old;
}

const Range& ScrollBar::GetRange() const { return range_; }

long ScrollBar::ChangeThumbPos(long pos) {
    const long old = thumb_;
    thumb_ = std::clamp<long>(pos, range_.Min(), MaxThumb());
    if (thumb_ != old) Invalidate();
    return old;
}

long ScrollBar::GetThumbPos() const { return thumb_; }
long ScrollBar::ChangeLineSize(long size) { return std::exchange(line_, size); }
long ScrollBar::GetLineSize() const { return line_; }
long ScrollBar::ChangePageSize(long size) { return std::exchange(page_, size); }
long ScrollBar::GetPageSize() const { return page_; }

long ScrollBar::ChangeVisibleSize(long size) {
    const long old = std::exchange(visible_, std::max<long>(0, size));
    ChangeThumbPos(thumb_);
    Invalidate();
    return old;
}

long ScrollBar::GetVisibleSize() const { return visible_; }
ScrollType ScrollBar::GetScrollType() const { return type_; }
long ScrollBar::GetDelta() const { return delta_; }

void ScrollBar::Scroll() { scroll_.Call(static_cast<ScrollBar*>(this)); }
void ScrollBar::EndScroll() { endScroll_.Call(static_cast<ScrollBar*>(this)); }
Link ScrollBar::ChangeScrollHdl(const Link& link) { return std::exchange(scroll_, link); }
const Link& ScrollBar::GetScrollHdl() const { return scroll_; }
Link ScrollBar::ChangeEndScrollHdl(const Link& link) { return std::exchange(endScroll_, link); }
const Link& ScrollBar::GetEndScrollHdl() const { return endScroll_; }

ScrollBar::Layout ScrollBar::GetLayout() const {
    const Size size = GetOutputSizePixel();
    Layout l{};
    l.length = IsHorizontal() ? size.Width() : size.Height();
    l.thickness = IsHorizontal() ? size.Height() : size.Width();
    const int32_t arrow = std::min(l.thickness, l.length / 2);
    l.trackStart = arrow;
    l.trackLength = std::max(0, l.length - 2 * arrow);
    const int64_t total = int64_t(range_.Max()) - range_.Min() + 1;
    if (visible_ > 0)
        l.thumbLength = static_cast<int32_t>(std::clamp<int64_t>(int64_t(l.trackLength) * visible_ / total,
                                                                 std::min(8, l.trackLength), l.trackLength));
    else
        l.thumbLength = std::min(l.thickness, l.trackLength);
    const int64_t span = int64_t(MaxThumb()) - range_.Min();
    l.thumbStart = l.trackStart +
                   (span > 0 ? static_cast<int32_t>(int64_t(l.trackLength - l.thumbLength) * (thumb_ - range_.Min()) / span)
                             : 0);
    return l;
}

int32_t ScrollBar::Along(const Point& p) const { return IsHorizontal() ? p.X() : p.Y(); }

void ScrollBar::MoveThumb(long pos, ScrollType type) {
    type_ = type;
    const long old = ChangeThumbPos(pos);
    delta_ = thumb_ - old;
    if (delta_ != 0) Scroll();
}

void ScrollBar::Paint(const Rectangle&) {
    const Layout l = GetLayout();
    const bool h = IsHorizontal();
    // A rectangle along the bar, from `start` for `length`, across its whole thickness.
    auto part = [&](int32_t start, int32_t length) {
        return h ? Rectangle(Point(start, 0), Size(length, l.thickness))
                 : Rectangle(Point(0, start), Size(l.thickness, length));
    };
    Push();
    ChangeMapMode(MapMode());
    ChangePen(Pen(Color(COL_GRAY)));
    ChangeFillInBrush(Brush(Color(COL_LIGHTGRAY)));
    DrawRect(part(l.trackStart, l.trackLength));
    ChangePen(Pen(Color(COL_BLACK)));
    DrawRect(part(0, l.trackStart));
    DrawRect(part(l.trackStart + l.trackLength, l.length - l.trackStart - l.trackLength));
    ChangeFillInBrush(Brush(Color(COL_WHITE)));
    DrawRect(part(l.thumbStart, l.thumbLength));
    Pop();
}

void ScrollBar::MouseButtonDown(const MouseEvent& event) {
    if (!event.IsLeft()) return;
    const Layout l = GetLayout();
    const int32_t at = Along(event.GetPosPixel());
    tracking_ = true;
    if (at < l.trackStart) {
        MoveThumb(thumb_ - line_, SCROLL_LINEUP);
    } else if (at >= l.trackStart + l.trackLength) {
        MoveThumb(thumb_ + line_, SCROLL_LINEDOWN);
    } else if (at < l.thumbStart) {
        MoveThumb(thumb_ - page_, SCROLL_PAGEUP);
    } else if (at >= l.thumbStart + l.thumbLength) {
        MoveThumb(thumb_ + page_, SCROLL_PAGEDOWN);
    } else {
        dragging_ = true;
        grab_ = at - l.thumbStart;
        type_ = SCROLL_DRAG;
        delta_ = 0;
    }
}

void ScrollBar::MouseMove(const MouseEvent& event) {
    if (!dragging_) return;
    const Layout l = GetLayout();
    const int32_t room = l.trackLength - l.thumbLength;
    const int64_t span = int64_t(MaxThumb()) - range_.Min();
    if (room <= 0 || span <= 0) return;
    const int64_t offset = Along(event.GetPosPixel()) - grab_ - l.trackStart;
    MoveThumb(static_cast<long>(range_.Min() + (offset * span * 2 + (offset >= 0 ? room : -room)) / (2 * room)),
              SCROLL_DRAG);
}

void ScrollBar::MouseButtonUp(const MouseEvent& event) {
    if (dragging_) MouseMove(event);
    dragging_ = false;
    if (!tracking_) return;
    tracking_ = false;
    EndScroll();
}

// ---- Splitter ----

Splitter::Splitter(Window* parent, WinBits style) : Window(RSC_SPLITTER, parent, style) {}
Splitter::Splitter(Window* parent, const ResId& id) : Window(RSC_SPLITTER, parent, id) {}

bool Splitter::IsHorizontal() const { return (GetStyle() & WB_HORZ) != 0; }
void Splitter::SetDragRectPixel(const Rectangle& rect) { dragRect_ = rect; }
const Rectangle& Splitter::GetDragRectPixel() const { return dragRect_; }
void Splitter::SetSplitPosPixel(long pos) { splitPos_ = pos; }
long Splitter::GetSplitPosPixel() const { return splitPos_; }
void Splitter::Split() { split_.Call(static_cast<Splitter*>(this)); }
Link Splitter::ChangeSplitHdl(const Link& link) { return std::exchange(split_, link); }
const Link& Splitter::GetSplitHdl() const { return split_; }

void Splitter::Paint(const Rectangle&) {
    Push();
    ChangeMapMode(MapMode());
    ChangePen(Pen(Color(COL_GRAY)));
    ChangeFillInBrush(Brush(Color(COL_LIGHTGRAY)));
    DrawRect(Rectangle(Point(0, 0), GetOutputSizePixel()));
    Pop();
}

void Splitter::MouseButtonDown(const MouseEvent& event) {
    dragging_ = event.IsLeft();
    grab_ = event.GetPosPixel();
}

void Splitter::MouseButtonUp(const MouseEvent& event) {
    if (!dragging_ || !event.IsLeft()) return;
    dragging_ = false;
    const bool h = IsHorizontal();
    long pos = h ? long(GetPosPixel().Y()) + event.GetPosPixel().Y() - grab_.Y()
                 : long(GetPosPixel().X()) + event.GetPosPixel().X() - grab_.X();
    const int32_t low = h ? dragRect_.Top() : dragRect_.Left();
    const int32_t high = h ? dragRect_.Bottom() : dragRect_.Right();
    if (low != RECT_EMPTY) pos = std::max<long>(pos, low);
    if (high != RECT_EMPTY) pos = std::min<long>(pos, high);
    splitPos_ = pos;
    Split();
}
