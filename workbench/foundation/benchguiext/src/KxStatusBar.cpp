// KxStatusBar: the message item, the help-text mode and the hand-painted progress bar.
#include "KxStatusBar.h"

#include <cassert>

KxStatusBar::KxStatusBar(Window* parent, unsigned short style) : StatusBar(parent, style) { Init(parent); }

KxStatusBar::KxStatusBar(Window* parent, const ResId& id) : StatusBar(parent, id) { Init(parent); }

void KxStatusBar::Init(Window* parent) {
    assert(parent != nullptr);
    InsertItem(kMessageItem, static_cast<uint16_t>(parent->GetOutputSizePixel().Width() - 10), 0, 5);
    ResizeToParent();
}

KxStatusBar::~KxStatusBar() { ClearProgressBar(); }

void KxStatusBar::Paint(const Rectangle& rect) {
    StatusBar::Paint(rect);
    // A repaint of the bar would wipe the progress bar drawn over it.
    if (progressShown_) PaintProgressBar();
}

void KxStatusBar::ResetMessageItem(long width) {
    const String text = GetItemText(kMessageItem);
    RemoveItem(kMessageItem);
    InsertItem(kMessageItem, static_cast<uint16_t>(width - 10), 0, 5);
    SetItemText(kMessageItem, text);
}

void KxStatusBar::ResizeToParent() {
    const Size parent = GetParent()->GetOutputSizePixel();
    const long height = GetOutputSizePixel().Height();
    SetPosSizePixel(Point(0, parent.Height() - height), Size(parent.Width(), height));
    ResetMessageItem(parent.Width());
    if (progressShown_) PaintProgressBar();
}

void KxStatusBar::resize(short x, short y, short width, short height) {
    SetPosSizePixel(Point(x, y), Size(width, height));
    ResetMessageItem(width);
    if (progressShown_) PaintProgressBar();
}

void KxStatusBar::DisplayHelpText(const String& text) {
    HideItems();
    SetText(text);
}

void KxStatusBar::DisplayNormalMessage(const String& text) {
    ShowItems();
    SetItemText(kMessageItem, String());
    SetItemText(kMessageItem, text);
}

void KxStatusBar::SetProgressBar(short percent) {
    progress_ = percent;
    if (areaToBePlaced_) {
        progressShown_ = 1;
        areaToBePlaced_ = 0;
        const Size size = GetOutputSizePixel();
        const long width = size.Width(), height = size.Height();
        left_ = static_cast<short>(width - width / 5);
        right_ = static_cast<short>(width - 13);
        top_ = static_cast<short>(height - 14);
        bottom_ = static_cast<short>(height - 5);
    }
    PaintProgressBar();
}

void KxStatusBar::ClearProgressBar() {
    // Nothing to draw over before the area was placed.
    if (!areaToBePlaced_) DrawRect(Rectangle(left_ - 2, top_ - 1, right_ + 1, bottom_ + 1));
    progressShown_ = 0;
    areaToBePlaced_ = 1;
}

void KxStatusBar::PaintProgressBar() {
    const Pen pen = GetPen();
    const Brush fill = GetFillInBrush();
    ChangeFillInBrush(Brush(Color(COL_WHITE), BRUSH_SOLID));
    ChangePen(Pen(Color(COL_GRAY), 1, PEN_SOLID));
    DrawRect(Rectangle(left_, top_, right_, bottom_));
    const long segment = (right_ - left_ - 25) / 20 + 1;
    ChangePen(Pen(Color(COL_BLUE), 1, PEN_SOLID));
    ChangeFillInBrush(Brush(Color(COL_BLUE), BRUSH_SOLID));
    for (long i = 0; i < progress_ / 5; ++i) {
        const long x = left_ + 2 + i * segment;
        DrawRect(Rectangle(x + 2, top_ + 2, x + segment, bottom_ - 2));
    }
    ChangePen(pen);
    ChangeFillInBrush(fill);
}
